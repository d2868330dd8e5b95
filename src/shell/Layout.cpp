#include "shell/Layout.h"

namespace resolvo {

namespace {

// Rounds half away from zero, as MulDiv does.
int ScaleRounded(long long value, long long numerator, long long denominator) noexcept {
    const long long product = value * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

int TwipsToPixels(int twips, int dpi) noexcept {
    return ScaleRounded(twips, dpi, TwipsPerInch);
}

PixelRect ToPixels(const TwipsRect& rect, int dpi) noexcept {
    const int left = TwipsToPixels(rect.left, dpi);
    const int top = TwipsToPixels(rect.top, dpi);
    const int right = TwipsToPixels(rect.left + rect.width, dpi);
    const int bottom = TwipsToPixels(rect.top + rect.height, dpi);
    return {left, top, right - left, bottom - top};
}

TwipsRect Within(const TwipsRect& container, const TwipsRect& rect) noexcept {
    return {container.left + rect.left, container.top + rect.top, rect.width, rect.height};
}

int FontHeightForPoints(int hundredthsOfPoint, int dpi) noexcept {
    constexpr int HundredthsOfPointPerInch = 7200;
    return -ScaleRounded(hundredthsOfPoint, dpi, HundredthsOfPointPerInch);
}

}  // namespace resolvo
