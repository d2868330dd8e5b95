#pragma once

namespace resolvo {

// Window layouts are drawn up in twips (1/1440 inch) and placed in pixels at
// the display's real resolution: 15 twips a pixel at 96 DPI.
inline constexpr int TwipsPerInch = 1440;

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct PixelRect {
    int left;
    int top;
    int width;
    int height;
};

int TwipsToPixels(int twips, int dpi) noexcept;

// Edges are converted, not sizes, so that controls laid out edge to edge in
// twips stay edge to edge in pixels.
PixelRect ToPixels(const TwipsRect& rect, int dpi) noexcept;

// Moves a rectangle given relative to a container into the container's parent.
TwipsRect Within(const TwipsRect& container, const TwipsRect& rect) noexcept;

// The LOGFONT height (negative: character height) of a font of the given size
// in hundredths of a point.
int FontHeightForPoints(int hundredthsOfPoint, int dpi) noexcept;

}  // namespace resolvo
