#pragma once

#include <algorithm>
#include <string_view>

namespace resolvo {

// Character classes by hand: <cctype> depends on the locale and is undefined
// for the bytes of UTF-8 text that a signed char holds as negative values.

// Only A-Z fold: host names and the name files are ASCII by nature, and
// folding the bytes of a multi-byte character could make a match where
// there is none.
constexpr char ToLowerAscii(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A byte of a UTF-8 character beyond ASCII.
constexpr bool IsNonAscii(char c) noexcept {
    return static_cast<unsigned char>(c) > 127;
}

// The same text in any letter case of A-Z.
constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ToLowerAscii(x) == ToLowerAscii(y); });
}

constexpr bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace resolvo
