// Whatever is typed reaches ExtractHost, and every line of the name files that
// holds its answer is commented out; the same text may be handed to the shell.
// So the host must be a piece of what was typed, of a host's characters, with
// more than one label and no empty one, no longer than a DNS name, and the
// same host again when typed on its own; what goes to the shell must be an
// http or https address with nothing that could split it.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fix/ExtractHost.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c & 0xFF)); });
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string typed(reinterpret_cast<const char*>(data), size);
    const std::string host = resolvo::fix::ExtractHost(typed);
    const bool literal = host.find(':') != std::string::npos;
    Check(host.empty() || typed.find(host) != std::string::npos);
    Check(std::all_of(host.begin(), host.end(), [](char c) {
        return (c & 0x80) != 0 || std::isalnum(c) ||
               std::string_view("-._:").find(c) != std::string_view::npos;
    }));
    Check(host.empty() || literal ||
          (host.front() != '.' && host.back() != '.' && host.find("..") == std::string::npos &&
           host.find('.') != std::string::npos && host.size() <= 253));
    Check(host.empty() || Lowered(host).starts_with("www.") ||
          resolvo::fix::ExtractHost(literal ? "[" + host + "]" : host) == host);

    const std::string web = resolvo::fix::BrowsableAddress(typed);
    const std::string scheme = Lowered(web.substr(0, web.find(':')));
    Check(web.empty() || scheme == "http" || scheme == "https");
    Check(std::none_of(web.begin(), web.end(), [](char c) {
        return (c & 0xFF) <= ' ' || c == '"' || c == '<' || c == '>' || c == 0x7F;
    }));
    return 0;
}
