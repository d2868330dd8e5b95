#pragma once

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

}  // namespace resolvo
