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
    return '"' + std::string(text) + '"';
}

std::string SystemProgram(Files& files, std::string_view fileName) {
    return Quoted(JoinPath(files.SystemDirectory(), fileName));
}

}  // namespace resolvo
