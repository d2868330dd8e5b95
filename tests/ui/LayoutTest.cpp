#include "ui/Layout.h"

#include <gtest/gtest.h>

namespace resolvo::ui {
namespace {

TEST(TwipsToPixels, FifteenTwipsAPixelAt96Dpi) {
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(8490, 96), 566);
    EXPECT_EQ(TwipsToPixels(5610, 96), 374);
    EXPECT_EQ(TwipsToPixels(0, 96), 0);
}

TEST(TwipsToPixels, ScalesWithTheDisplay) {
    EXPECT_EQ(TwipsToPixels(1440, 120), 120);  // 125 %
    EXPECT_EQ(TwipsToPixels(1440, 144), 144);  // 150 %
    EXPECT_EQ(TwipsToPixels(4095, 120), 341);  // 341.25
    EXPECT_EQ(TwipsToPixels(4095, 144), 410);  // 409.5 rounds up
    EXPECT_EQ(TwipsToPixels(-15, 96), -1);
}

TEST(ToPixels, ConvertsEdgesSoNeighboursStayFlush) {
    // Two boxes edge to edge in twips, at a resolution where sizes alone round apart.
    const TwipsRect first{0, 0, 1010, 100};
    const TwipsRect second{1010, 0, 1010, 100};
    const PixelRect a = ToPixels(first, 120);
    const PixelRect b = ToPixels(second, 120);
    EXPECT_EQ(a.left + a.width, b.left);
}

TEST(ToPixels, PictureBoxFitsTheBannerAndItsBorderAt96Dpi) {
    // 545 x 90 pixels plus a 2-pixel border on each side.
    const PixelRect box = ToPixels({0, 120, 8235, 1410}, 96);
    EXPECT_EQ(box.width, 549);
    EXPECT_EQ(box.height, 94);
    EXPECT_EQ(box.top, 8);
}

TEST(Within, AddsTheContainersOrigin) {
    const TwipsRect frame{120, 0, 8280, 5490};
    const TwipsRect inside = Within(frame, {2400, 4920, 1335, 375});
    EXPECT_EQ(inside.left, 2520);
    EXPECT_EQ(inside.top, 4920);
    EXPECT_EQ(inside.width, 1335);
    EXPECT_EQ(inside.height, 375);
}

TEST(FontHeightForPoints, MatchesLogFontHeights) {
    EXPECT_EQ(FontHeightForPoints(825, 96), -11);   // MS Sans Serif 8.25
    EXPECT_EQ(FontHeightForPoints(975, 96), -13);   // 9.75 bold
    EXPECT_EQ(FontHeightForPoints(825, 120), -14);  // 13.75
    EXPECT_EQ(FontHeightForPoints(825, 144), -17);  // 16.5 rounds away from zero
}

}  // namespace
}  // namespace resolvo::ui
