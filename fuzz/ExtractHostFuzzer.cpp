// Whatever is typed into the address box reaches ExtractHost, and every line
// of the name files that holds its answer is commented out. So the answer must
// never be more than a host: a piece of what was typed, made of characters a
// host can have, and never something as broad as "." or "-" that would match
// the whole file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "fix/ExtractHost.h"

namespace {

// Our own character classes, so that a change to the program's is caught
// rather than copied.
bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNonAscii(char c) {
    return static_cast<unsigned char>(c) > 127;
}
bool IsLetterOrDigit(char c) {
    return IsAsciiLetter(c) || IsDigit(c) || IsNonAscii(c);
}
bool IsNameCharacter(char c) {
    return IsLetterOrDigit(c) || c == '-' || c == '.' || c == '_';
}
bool IsLiteralCharacter(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '.' || c == ':';
}

std::string Printable(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            shown += c;
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        }
    }
    return shown;
}

[[noreturn]] void Fail(const char* what, std::string_view address, std::string_view host,
                       std::optional<std::string_view> expected = std::nullopt) {
    std::fprintf(stderr, "\nExtractHost: %s\n  address:  \"%s\"\n  host:     \"%s\"\n", what,
                 Printable(address).c_str(), Printable(host).c_str());
    if (expected) {
        std::fprintf(stderr, "  expected: \"%s\"\n", Printable(*expected).c_str());
    }
    std::abort();
}

void ExpectHost(std::string_view address, std::string_view expected, const char* what) {
    const std::string host = resolvo::fix::ExtractHost(address);
    if (host != expected) {
        Fail(what, address, host, expected);
    }
}

bool StartsWithWww(std::string_view text) {
    return text.size() >= 4 && (text[0] | 0x20) == 'w' && (text[1] | 0x20) == 'w' &&
           (text[2] | 0x20) == 'w' && text[3] == '.';
}

bool IsPort(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

std::string Filtered(std::string_view text, bool (*keep)(char)) {
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept), keep);
    return kept;
}

// What can come around a host in a typed address and is not part of it:
// blanks, a scheme, user information (the last "@" ends it), a port, and
// whatever follows the first "/", "\\", "?" or "#".
const std::pair<std::string, std::string> Surroundings[] = {
    {"\tHTTPS://user:pw@", ":443/a/b?c=d#e "},
    {"svn+ssh://", "\\share"},
    {"u@v@", "?q=1"},
    {" ", "#top\t"},
    {"x-y.z://", ":0"},
};

// What any answer must be, whatever the address was.
void CheckAnswer(std::string_view address, const std::string& host) {
    if (host.empty()) {
        return;
    }
    if (address.find(host) == std::string_view::npos) {
        Fail("the host is not a piece of the address", address, host);
    }
    // Only a bracketed IPv6 literal can hold a colon, or keep a final dot.
    const bool literal = host.find(':') != std::string::npos || host.back() == '.';
    if (literal && address.find("[" + host + "]") == std::string_view::npos) {
        Fail("a colon or final dot outside brackets", address, host);
    }
    const bool characters = host.find(':') != std::string::npos
                                ? std::all_of(host.begin(), host.end(), IsLiteralCharacter)
                                : std::all_of(host.begin(), host.end(), IsNameCharacter);
    if (!characters) {
        Fail("a character no host can have", address, host);
    }
    if (std::none_of(host.begin(), host.end(), IsLetterOrDigit)) {
        Fail("no letter or digit", address, host);
    }

    // The host, typed again on its own or inside a full address, is the host.
    if (host.find(':') != std::string::npos) {
        ExpectHost("[" + host + "]", host, "a bracketed literal typed again");
        for (const auto& [before, after] : Surroundings) {
            ExpectHost(before + "[" + host + "]" + after, host, "a bracketed literal in a full address");
        }
        return;
    }
    if (!StartsWithWww(host) && host.back() != '.') {
        ExpectHost(host, host, "a host typed again");
    }
    const std::string again = resolvo::fix::ExtractHost(host);
    for (const auto& [before, after] : Surroundings) {
        ExpectHost(before + host + after, again, "a host in a full address");
    }
}

// Hosts made from the address's own bytes, whose answers are known. A name
// loses one "www." and its final dots, and whatever surrounds it in an
// address; a colon after it must lead a port of digits. A bracketed literal
// is kept whole, with or without a port, and refused with anything else
// after it or without its closing bracket.
void CheckKnownForms(std::string_view address) {
    const std::string name = Filtered(address, IsNameCharacter);
    std::string_view expected = name;
    if (StartsWithWww(expected)) {
        expected.remove_prefix(4);
    }
    while (!expected.empty() && expected.back() == '.') {
        expected.remove_suffix(1);
    }
    if (std::none_of(expected.begin(), expected.end(), IsLetterOrDigit)) {
        expected = {};
    }
    ExpectHost(name, expected, "a plain name");
    for (const auto& [before, after] : Surroundings) {
        ExpectHost(before + name + after, expected, "a plain name in a full address");
    }
    ExpectHost(name + ":", {}, "a name with a colon and no port");
    const bool port = IsPort(name);
    ExpectHost(name + ":" + name, port ? expected : "",
               port ? "a name with a port" : "a name with a colon and no port");

    const std::string literal = Filtered(address, IsLiteralCharacter);
    const std::string_view literalExpected =
        std::any_of(literal.begin(), literal.end(), IsLetterOrDigit) ? std::string_view(literal) : "";
    ExpectHost("[" + literal + "]", literalExpected, "a bracketed literal");
    for (const auto& [before, after] : Surroundings) {
        ExpectHost(before + "[" + literal + "]" + after, literalExpected,
                   "a bracketed literal in a full address");
    }
    ExpectHost("[" + literal + "]:", {}, "a bracketed literal with a colon and no port");
    ExpectHost("[" + literal + "]:" + literal, IsPort(literal) ? literalExpected : "",
               "a bracketed literal with what may be a port");
    ExpectHost("[" + literal + "]x", {}, "a bracketed literal with more after it");
    ExpectHost("[" + literal, {}, "a literal without its closing bracket");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view address(reinterpret_cast<const char*>(data), size);
    CheckAnswer(address, resolvo::fix::ExtractHost(address));
    CheckKnownForms(address);
    return 0;
}
