#include "port/Paths.h"

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

std::string SystemProgram(Files& files, std::string_view fileName) {
    return Quoted(JoinPath(files.SystemDirectory(), fileName));
}

}  // namespace resolvo
