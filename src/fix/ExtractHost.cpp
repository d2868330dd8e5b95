#include "fix/ExtractHost.h"

#include <algorithm>
#include <cstddef>

#include "port/Ascii.h"

namespace resolvo::fix {

namespace {

constexpr bool IsAsciiLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool IsDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}
constexpr bool IsHexDigit(char c) noexcept {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

constexpr bool IsSchemeCharacter(char c) noexcept {
    return IsAsciiLetter(c) || IsDigit(c) || c == '+' || c == '-' || c == '.';
}

// International names arrive as UTF-8, so their bytes count as letters.
constexpr bool IsLetterOrDigit(char c) noexcept {
    return IsAsciiLetter(c) || IsDigit(c) || IsNonAscii(c);
}
constexpr bool IsNameCharacter(char c) noexcept {
    return IsLetterOrDigit(c) || c == '-' || c == '.' || c == '_';
}

// A port is one or more digits after the colon. Anything else after a colon
// ("about:blank", "javascript:...") is left in place, so the check below
// refuses it rather than taking the text before the colon for a host.
bool IsPortSuffix(std::string_view text) noexcept {
    return text.size() > 1 && text.front() == ':' && std::all_of(text.begin() + 1, text.end(), IsDigit);
}

// Blanks copied from a web page come in Unicode too: the no-break space and
// the other space separators, here in UTF-8, after the two ASCII ones.
// clang-format off
constexpr std::string_view Blanks[] = {
    " ", "\t",
    "\xC2\xA0", "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82", "\xE2\x80\x83",
    "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89",
    "\xE2\x80\x8A", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};
// clang-format on
constexpr std::size_t AsciiBlanks = 2;

std::size_t LeadingBlank(std::string_view text) noexcept {
    const auto found = std::find_if(std::begin(Blanks), std::end(Blanks),
                                    [text](std::string_view blank) { return text.starts_with(blank); });
    return found != std::end(Blanks) ? found->size() : 0;
}

std::size_t TrailingBlank(std::string_view text) noexcept {
    const auto found = std::find_if(std::begin(Blanks), std::end(Blanks),
                                    [text](std::string_view blank) { return text.ends_with(blank); });
    return found != std::end(Blanks) ? found->size() : 0;
}

// Inside a name, a Unicode blank is no more a name's character than an
// ASCII one.
bool HasUnicodeBlank(std::string_view text) noexcept {
    return std::any_of(std::begin(Blanks) + AsciiBlanks, std::end(Blanks),
                       [text](std::string_view blank) { return text.find(blank) != std::string_view::npos; });
}

std::string_view Trimmed(std::string_view text) noexcept {
    while (const std::size_t blank = LeadingBlank(text)) {
        text.remove_prefix(blank);
    }
    while (const std::size_t blank = TrailingBlank(text)) {
        text.remove_suffix(blank);
    }
    return text;
}

std::string_view WithoutScheme(std::string_view text) noexcept {
    const auto schemeEnd = std::find_if_not(text.begin(), text.end(), IsSchemeCharacter);
    const auto length = static_cast<std::size_t>(schemeEnd - text.begin());
    if (length > 0 && text.substr(length).starts_with("://")) {
        text.remove_prefix(length + 3);
    }
    return text;
}

// The labels of a dotted name, in order; "" gives one empty label.
template <typename Visit>
bool AllLabels(std::string_view name, Visit visit) noexcept {
    for (;;) {
        const std::size_t dot = name.find('.');
        if (!visit(name.substr(0, dot))) {
            return false;
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        name.remove_prefix(dot + 1);
    }
}

bool IsDecimalByte(std::string_view text) noexcept {
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), IsDigit)) {
        return false;
    }
    int value = 0;
    for (const char digit : text) {
        value = value * 10 + (digit - '0');
    }
    return value <= 255;
}

bool IsIpv4Literal(std::string_view text) noexcept {
    int parts = 0;
    return AllLabels(text, [&parts](std::string_view part) { return ++parts <= 4 && IsDecimalByte(part); }) &&
           parts == 4;
}

// A browser takes a name whose last label is a number for an IPv4 address
// in one of its forms; only the four-number one counts here, and a name
// such as "1.2.3" or "www.10.0.0.1" is none.
bool EndsInNumber(std::string_view name) noexcept {
    const std::size_t dot = name.rfind('.');
    const std::string_view last = dot == std::string_view::npos ? name : name.substr(dot + 1);
    return !last.empty() && std::all_of(last.begin(), last.end(), IsDigit);
}

bool IsHexGroup(std::string_view group) noexcept {
    return !group.empty() && group.size() <= 4 && std::all_of(group.begin(), group.end(), IsHexDigit);
}

constexpr int NotGroups = -1;

// The 16-bit groups that a colon-separated run of an IPv6 address stands
// for, or NotGroups; an IPv4 address may end the address, for two groups.
int GroupsIn(std::string_view run, bool mayEndInIpv4) noexcept {
    if (run.empty()) {
        return 0;
    }
    for (int groups = 0;; ++groups) {
        const std::size_t colon = run.find(':');
        const std::string_view group = run.substr(0, colon);
        if (colon == std::string_view::npos) {
            if (mayEndInIpv4 && IsIpv4Literal(group)) {
                return groups + 2;
            }
            return IsHexGroup(group) ? groups + 1 : NotGroups;
        }
        if (!IsHexGroup(group)) {
            return NotGroups;
        }
        run.remove_prefix(colon + 1);
    }
}

// Eight groups of one to four hex digits, separated by colons; one "::"
// stands for one or more groups left out.
bool IsIpv6Literal(std::string_view text) noexcept {
    constexpr int AllGroups = 8;
    const std::size_t gap = text.find("::");
    if (gap == std::string_view::npos) {
        return GroupsIn(text, true) == AllGroups;
    }
    if (text.find("::", gap + 1) != std::string_view::npos) {
        return false;
    }
    const int before = GroupsIn(text.substr(0, gap), false);
    const int after = GroupsIn(text.substr(gap + 2), true);
    return before != NotGroups && after != NotGroups && before + after < AllGroups;
}

struct Host {
    std::string_view text;
    bool isIpv6Literal = false;
};

// The authority has lost its scheme, path and user information here.
Host WithoutPort(std::string_view authority) noexcept {
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return {};
        }
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && !IsPortSuffix(rest)) {
            return {};
        }
        return {authority.substr(1, close - 1), true};
    }
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && IsPortSuffix(authority.substr(colon))) {
        authority.remove_suffix(authority.size() - colon);
    }
    return {authority};
}

Host ReduceToHost(std::string_view address) noexcept {
    std::string_view text = WithoutScheme(Trimmed(address));
    text = text.substr(0, text.find_first_of("/\\?#"));
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        text.remove_prefix(at + 1);
    }
    Host host = WithoutPort(text);
    if (!host.isIpv6Literal) {
        // One final dot is the root of a fully qualified name.
        if (host.text.ends_with('.')) {
            host.text.remove_suffix(1);
        }
        if (StartsWithIgnoringCase(host.text, "www.") && !EndsInNumber(host.text)) {
            host.text.remove_prefix(4);
        }
    }
    return host;
}

// A name's labels are never empty: ".com" or "a..b" name no host.
bool HasEmptyLabel(std::string_view name) noexcept {
    return name.starts_with('.') || name.ends_with('.') || name.find("..") != std::string_view::npos;
}

// Every line holding the host is commented out, so a host that is only dots,
// dashes or blanks, or only a domain's end, would take whole parts of the
// file with it, localhost included: so would a single label ("com", "l" for
// localhost, "1" for ::1). A DNS name has at most 253 characters.
bool IsUsable(const Host& host) noexcept {
    constexpr std::size_t LongestName = 253;
    if (host.text.size() > LongestName) {
        return false;
    }
    if (host.isIpv6Literal) {
        return IsIpv6Literal(host.text);
    }
    if (EndsInNumber(host.text)) {
        return IsIpv4Literal(host.text);
    }
    return std::all_of(host.text.begin(), host.text.end(), IsNameCharacter) &&
           std::any_of(host.text.begin(), host.text.end(), IsLetterOrDigit) && !HasEmptyLabel(host.text) &&
           !HasUnicodeBlank(host.text) && host.text.find('.') != std::string_view::npos;
}

bool IsWebScheme(std::string_view scheme) noexcept {
    const auto is = [scheme](std::string_view lower) {
        return EqualIgnoringCase(scheme, lower);
    };
    return is("http") || is("https");
}

// "example.com:8080/x" starts like a scheme but is a host with a port.
bool IsHostAndPort(std::string_view text, std::size_t colon) noexcept {
    const std::string_view rest = text.substr(colon);
    return IsPortSuffix(rest.substr(0, rest.find_first_of("/?#")));
}

// Characters that would end the address or make it ambiguous go escaped.
bool NeedsEscape(char c) noexcept {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F || c == '"' || c == '<' || c == '>';
}

std::string Escaped(std::string_view text) {
    constexpr char Hex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : text) {
        if (NeedsEscape(c)) {
            const auto byte = static_cast<unsigned char>(c);
            escaped += '%';
            escaped += Hex[byte >> 4];
            escaped += Hex[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

bool IsIpLiteral(std::string_view host) noexcept {
    return host.find(':') != std::string_view::npos ? IsIpv6Literal(host) : IsIpv4Literal(host);
}

std::string BrowsableAddress(std::string_view address) {
    const std::string_view text = Trimmed(address);
    const auto schemeEnd = std::find_if_not(text.begin(), text.end(), IsSchemeCharacter);
    const auto colon = static_cast<std::size_t>(schemeEnd - text.begin());
    const bool hasScheme = colon > 0 && colon < text.size() && text[colon] == ':' && IsAsciiLetter(text[0]) &&
                           !IsHostAndPort(text, colon);
    if (!hasScheme) {
        return text.empty() ? std::string() : "http://" + Escaped(text);
    }
    return IsWebScheme(text.substr(0, colon)) ? Escaped(text) : std::string();
}

std::string ExtractHost(std::string_view address) noexcept {
    try {
        const Host host = ReduceToHost(address);
        return IsUsable(host) ? std::string(host.text) : std::string();
    } catch (...) {
        // Only the copy can fail, for want of memory; a host that cannot be
        // had is treated like one that is not there.
        return {};
    }
}

}  // namespace resolvo::fix
