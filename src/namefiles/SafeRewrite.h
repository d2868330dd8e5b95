#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "port/Platform.h"

namespace resolvo::namefiles {

// Rewrites a file without ever leaving it emptied or half written: the new
// lines go to a temporary file beside it, which takes the file's place in one
// step once it is complete. Until then the file is left as it was, and a
// rewrite that is dropped uncommitted removes its temporary file.
class SafeRewrite {
public:
    static constexpr std::string_view TemporarySuffix = ".resolvo.tmp";

    // Creates the temporary file.
    SafeRewrite(Files& files, std::string target);
    ~SafeRewrite();
    SafeRewrite(const SafeRewrite&) = delete;
    SafeRewrite& operator=(const SafeRewrite&) = delete;

    void WriteLine(std::string_view text);
    // Puts the new content in the target's place and gives the target the
    // attributes, if any are given; otherwise it keeps those of a new file.
    void Commit(std::optional<std::uint32_t> attributes);

private:
    Files& files_;
    std::string target_;
    std::string temporary_;
    std::unique_ptr<LineWriter> writer_;
    bool moved_ = false;
};

}  // namespace resolvo::namefiles
