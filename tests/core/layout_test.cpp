#include "core/ui/layout.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

const TwipRect& At(const ControlRects& rects, Control c) {
    return rects[static_cast<std::size_t>(c)];
}

constexpr double kDesignOuterWidth = kDesignClientWidth + kNonClientWidth;
constexpr double kDesignOuterHeight = kDesignClientHeight + kNonClientHeight;

// One layout pass as the window runs it: the minimum check, then the layout
// at the size the check leaves.
struct Case {
    std::string name;
    double width, height;          // the outer size the window reports
    bool tooNarrow, tooLow;        // which message boxes the pass shows
    double laidWidth, laidHeight;  // the size the controls follow
};

class LayoutPass : public ::testing::TestWithParam<Case> {};

TEST_P(LayoutPass, ListsBottomRowAndColumnsFollowTheWindow) {
    const Case& c = GetParam();
    const MinimumCheck check = CheckMinimum(c.width, c.height);
    EXPECT_EQ(check.widthTooSmall, c.tooNarrow);
    EXPECT_EQ(check.heightTooSmall, c.tooLow);
    ASSERT_EQ(check.width, c.laidWidth);
    ASSERT_EQ(check.height, c.laidHeight);

    const LayoutResult out = LayoutFor(check.width, check.height, DesignRects());
    const double W = c.laidWidth;
    const double H = c.laidHeight;
    const double listWidth = W - 380;
    // The three bottom labels keep their design widths: 975 + 375 + 1095 + 200.
    const double fieldWidth = listWidth - 2645;

    for (Control list : {Control::LvwFiles, Control::LvwContents}) {
        EXPECT_EQ(At(out.rects, list), (TwipRect{120, 480, listWidth, H - 2000}));
    }
    EXPECT_EQ(At(out.rects, Control::LblSearchIn), (TwipRect{120, H - 1350, 975, 255}));
    EXPECT_EQ(At(out.rects, Control::TxtSearchIn),
              (TwipRect{120 + 975, H - 1400, fieldWidth, 285}));
    EXPECT_EQ(At(out.rects, Control::LblBrowse),
              (TwipRect{120 + fieldWidth + 1050, H - 1400, 375, 285}));
    EXPECT_EQ(At(out.rects, Control::LblSearch),
              (TwipRect{120 + fieldWidth + 1550, H - 1400, 1095, 285}));
    EXPECT_EQ(out.columns.location, listWidth - 1050);
    EXPECT_EQ(out.columns.fileContents, listWidth - 100);

    // The tabs and the status line never move.
    for (Control fixed : {Control::ShFiles, Control::LblFiles, Control::ShContent,
                          Control::LblContent, Control::StatusBar}) {
        EXPECT_EQ(At(out.rects, fixed), At(DesignRects(), fixed));
    }

    // A pass over the result of an earlier pass at another size gives the
    // same geometry: nothing drifts from one size change to the next.
    const LayoutResult earlier = LayoutFor(20000, 12000, DesignRects());
    EXPECT_EQ(LayoutFor(check.width, check.height, earlier.rects).rects, out.rects);
}

INSTANTIATE_TEST_SUITE_P(
    WindowSizes, LayoutPass,
    ::testing::Values(Case{"DesignSize", kDesignOuterWidth, kDesignOuterHeight, false, false,
                           kDesignOuterWidth, kDesignOuterHeight},
                      Case{"ExactlyTheMinimum", 8190, 4950, false, false, 8190, 4950},
                      Case{"TooNarrow", 8000, 6000, true, false, 8190, 6000},
                      Case{"TooLow", 9000, 4949, false, true, 9000, 4950},
                      Case{"TooNarrowAndTooLow", 3000, 2000, true, true, 8190, 4950},
                      Case{"MaximisedOnALargeScreen", 28800, 16200, false, false, 28800, 16200}),
    [](const ::testing::TestParamInfo<Case>& c) { return c.param.name; });

TEST(Layout, MinimumWidthGivesTheListAndFieldTheirSmallestWidths) {
    const LayoutResult out = LayoutFor(8190, 4950, DesignRects());
    EXPECT_EQ(At(out.rects, Control::LvwFiles).width, 7810);
    EXPECT_EQ(At(out.rects, Control::TxtSearchIn).width, 5165);
}

TEST(Layout, DesignSizeKeepsTheDesignedListsAndField) {
    // The outer allowance makes a window of the design size lay its bottom
    // row out exactly where it was drawn.
    const LayoutResult out = LayoutFor(kDesignOuterWidth, kDesignOuterHeight, DesignRects());
    EXPECT_EQ(At(out.rects, Control::LvwFiles).width, At(DesignRects(), Control::LvwFiles).width);
    EXPECT_EQ(At(out.rects, Control::LblSearch).left, At(DesignRects(), Control::LblSearch).left);
    EXPECT_EQ(At(out.rects, Control::TxtSearchIn).top, At(DesignRects(), Control::TxtSearchIn).top);
}

TEST(Twips, FifteenTwipsMakeAPixelAtNinetySixDotsPerInch) {
    EXPECT_DOUBLE_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_DOUBLE_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_DOUBLE_EQ(TwipsToPixels(1440, 192), 192);
    EXPECT_DOUBLE_EQ(PixelsToTwips(TwipsToPixels(8190, 120), 120), 8190);
}

}  // namespace
}  // namespace tessaly
