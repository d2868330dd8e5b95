#include "ui/Layout.h"

#include <gtest/gtest.h>

namespace resolvo::ui {
namespace {

TEST(Layout, TwipsBecomePixelsAtTheDisplaysResolutionRoundingAsMulDiv) {
    EXPECT_EQ(TwipsToPixels(8490, 96), 566);
    EXPECT_EQ(TwipsToPixels(4095, 120), 341);  // 341.25
    EXPECT_EQ(TwipsToPixels(4095, 144), 410);  // 409.5 rounds up
    EXPECT_EQ(TwipsToPixels(-15, 96), -1);
    EXPECT_EQ(FontHeightForPoints(825, 96), -11);   // MS Sans Serif 8.25
    EXPECT_EQ(FontHeightForPoints(825, 144), -17);  // 16.5 rounds away from zero
}

TEST(Layout, EdgesAreConvertedSoNeighboursStayFlushAndTheBannerFits) {
    const PixelRect a = ToPixels({0, 0, 1010, 100}, 120);
    const PixelRect b = ToPixels({1010, 0, 1010, 100}, 120);
    EXPECT_EQ(a.left + a.width, b.left);
    // 545 x 90 pixels and a 2-pixel border on each side, inside the frame.
    const PixelRect box = ToPixels(Within({120, 0, 8280, 5490}, {0, 120, 8235, 1410}), 96);
    EXPECT_EQ(box.left, 8);
    EXPECT_EQ(box.top, 8);
    EXPECT_EQ(box.width, 549);
    EXPECT_EQ(box.height, 94);
}

}  // namespace
}  // namespace resolvo::ui
