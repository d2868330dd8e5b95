#pragma once

namespace resolvo::ui {

// Window layouts are drawn up in twips (1/1440 inch) and placed in pixels at
// the display's real resolution: 15 twips a pixel at 96 DPI.
inline constexpr int TwipsPerInch = 1440;

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct TwipsSize {
    int width;
    int height;
};

struct PixelRect {
    int left;
    int top;
    int width;
    int height;
};

// Rounds half away from zero, as MulDiv does.
constexpr int ScaleRounded(long long value, long long numerator, long long denominator) noexcept {
    const long long product = value * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

constexpr int TwipsToPixels(int twips, int dpi) noexcept {
    return ScaleRounded(twips, dpi, TwipsPerInch);
}

// Edges are converted, not sizes, so that controls laid out edge to edge in
// twips stay edge to edge in pixels.
constexpr PixelRect ToPixels(const TwipsRect& rect, int dpi) noexcept {
    const int left = TwipsToPixels(rect.left, dpi);
    const int top = TwipsToPixels(rect.top, dpi);
    const int right = TwipsToPixels(rect.left + rect.width, dpi);
    const int bottom = TwipsToPixels(rect.top + rect.height, dpi);
    return {left, top, right - left, bottom - top};
}

// Moves a rectangle given relative to a container into the container's parent.
constexpr TwipsRect Within(const TwipsRect& container, const TwipsRect& rect) noexcept {
    return {container.left + rect.left, container.top + rect.top, rect.width, rect.height};
}

// The LOGFONT height (negative: character height) of a font of the given size
// in hundredths of a point.
constexpr int FontHeightForPoints(int hundredthsOfPoint, int dpi) noexcept {
    constexpr int HundredthsOfPointPerInch = 7200;
    return -ScaleRounded(hundredthsOfPoint, dpi, HundredthsOfPointPerInch);
}

// Where the two windows' buttons, box and banner lie: the client areas, and
// each control's place in its window's client area, but for the disclaimer's
// controls inside its frame, which are placed in the frame. The end-to-end
// driver (tools/winedriver.py) reads these lines to find the controls: one
// value a line, as written here. Not inline: each window's file keeps its own
// copy of what it takes by reference, as a constant of its own would be.
constexpr TwipsSize DisclaimerClient{8490, 5610};
constexpr TwipsRect DisclaimerFrame{120, 0, 8280, 5490};
constexpr TwipsRect DisclaimerBanner{0, 120, 8235, 1410};
constexpr TwipsRect DisclaimerContinue{2400, 4920, 1335, 375};
constexpr TwipsRect DisclaimerExit{4560, 4920, 1335, 375};
constexpr TwipsSize MainClient{4095, 1575};
constexpr TwipsRect MainAddressLabel{360, 240, 3615, 255};
constexpr TwipsRect MainAddressBox{360, 480, 3375, 285};
constexpr TwipsRect MainCancel{360, 960, 1575, 495};
constexpr TwipsRect MainFixIt{2160, 960, 1575, 495};

// 15 twips a pixel at 96 DPI; halves round away from zero, as MulDiv does;
// neighbours edge to edge stay so where sizes alone would round apart; the
// disclaimer's banner box is the 545 x 90 picture with a 2-pixel border on
// each side. The header is portable, so the native build checks these too.
static_assert(TwipsToPixels(DisclaimerClient.width, 96) == 566 && TwipsToPixels(MainClient.width, 120) == 341 &&
              TwipsToPixels(MainClient.width, 144) == 410 && TwipsToPixels(-15, 96) == -1);
static_assert(FontHeightForPoints(825, 96) == -11 && FontHeightForPoints(825, 144) == -17);
static_assert(ToPixels({0, 0, 1010, 100}, 120).width + ToPixels({0, 0, 1010, 100}, 120).left ==
              ToPixels({1010, 0, 1010, 100}, 120).left);
static_assert(ToPixels(Within(DisclaimerFrame, DisclaimerBanner), 96).left == 8 &&
              ToPixels(Within(DisclaimerFrame, DisclaimerBanner), 96).top == 8 &&
              ToPixels(Within(DisclaimerFrame, DisclaimerBanner), 96).width == 545 + 4 &&
              ToPixels(Within(DisclaimerFrame, DisclaimerBanner), 96).height == 90 + 4);

}  // namespace resolvo::ui
