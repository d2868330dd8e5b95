#include "platform/SystemPaths.h"

#include "platform/Failure.h"

namespace resolvo {

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    path += name;
    return path;
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

std::string QuerySystemDirectory(Platform& platform) {
    constexpr std::uint32_t BufferSize = 256;
    char buffer[BufferSize];
    const std::uint32_t length = platform.GetSystemDirectoryA(buffer, BufferSize);
    if (length == 0 || length >= BufferSize) {
        throw Failure("GetSystemDirectoryA", {},
                      length == 0 ? error_code::PathNotFound : error_code::InsufficientBuffer);
    }
    return std::string(buffer, length);
}

std::string SystemProgram(Platform& platform, std::string_view fileName) {
    return Quoted(JoinPath(QuerySystemDirectory(platform), fileName));
}

}  // namespace resolvo
