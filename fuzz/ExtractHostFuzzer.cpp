// Whatever is typed into the address box reaches ExtractHost, and every line
// of the name files that holds its answer is commented out; the same text may
// be handed to the shell to open. So the host must be a piece of what was
// typed, made of a host's characters with no empty label, and what goes to
// the shell must be an http or https address with nothing in it that could
// end or split it.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fix/ExtractHost.h"

namespace {

bool IsHostCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 127 || std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == ':';
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), Lower);
    return text;
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const std::string host = resolvo::fix::ExtractHost(typed);
    if (!host.empty()) {
        Check(typed.find(host) != std::string_view::npos);
        Check(std::all_of(host.begin(), host.end(), IsHostCharacter));
        const bool literal = host.find(':') != std::string::npos;
        Check(literal || (host.front() != '.' && host.back() != '.' && host.find("..") == std::string::npos));
        // Typed again on its own, the host is the host (a literal in brackets).
        const std::string again = literal ? "[" + host + "]" : host;
        Check(Lowered(host).starts_with("www.") || resolvo::fix::ExtractHost(again) == host);
    }
    const std::string web = resolvo::fix::BrowsableAddress(typed);
    if (!web.empty()) {
        const std::string scheme = Lowered(web.substr(0, web.find(':')));
        Check(scheme == "http" || scheme == "https");
        Check(std::none_of(web.begin(), web.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '<' || c == '>' || c == 0x7F;
        }));
    }
    return 0;
}
