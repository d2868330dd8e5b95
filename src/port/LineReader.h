#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace resolvo {

// The lines of a text file held in memory. A line ends at CR LF or at a lone
// CR; a lone LF is ordinary text. The end is reached when no byte is left, so
// a file whose last byte ends a line has no further, empty line.
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(std::string content) : content_(std::move(content)) {}

    bool AtEnd() const noexcept { return position_ >= content_.size(); }
    // Whether the file's content begins with the bytes.
    bool BeginsWith(std::string_view bytes) const noexcept {
        return std::string_view(content_).starts_with(bytes);
    }
    // The file's bytes as they were read.
    std::string_view Content() const noexcept { return content_; }
    std::string ReadLine();

private:
    std::string content_;
    std::size_t position_ = 0;
};

}  // namespace resolvo
