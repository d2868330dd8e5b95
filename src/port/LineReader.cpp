#include "port/LineReader.h"

namespace resolvo {

std::string LineReader::ReadLine() {
    const std::size_t end = content_.find('\r', position_);
    if (end == std::string::npos) {
        std::string line = content_.substr(position_);
        position_ = content_.size();
        return line;
    }
    std::string line = content_.substr(position_, end - position_);
    const bool crlf = end + 1 < content_.size() && content_[end + 1] == '\n';
    position_ = end + (crlf ? 2 : 1);
    return line;
}

}  // namespace resolvo
