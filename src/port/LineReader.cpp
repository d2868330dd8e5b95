#include "port/LineReader.h"

namespace resolvo {

LineReader::Line LineReader::NextLine() noexcept {
    const std::string_view content(content_);
    const std::size_t start = position_;
    const std::size_t cr = content.find('\r', start);
    if (cr == std::string_view::npos) {
        position_ = content.size();
        return {content.substr(start), {}};
    }
    const bool crlf = cr + 1 < content.size() && content[cr + 1] == '\n';
    position_ = cr + (crlf ? 2 : 1);
    return {content.substr(start, cr - start), content.substr(cr, position_ - cr)};
}

}  // namespace resolvo
