#pragma once

#include <array>
#include <cstddef>

namespace tessaly {

// Lengths here are twips (1/1440 inch; 15 twips make a pixel at 96 dots per
// inch). The window converts them with the screen's resolution.
inline constexpr double kTwipsPerInch = 1440.0;

inline double TwipsToPixels(double twips, double dotsPerInch) {
    return twips * dotsPerInch / kTwipsPerInch;
}
inline double PixelsToTwips(double pixels, double dotsPerInch) {
    return pixels * kTwipsPerInch / dotsPerInch;
}

struct TwipRect {
    double left;
    double top;
    double width;
    double height;
    bool operator==(const TwipRect&) const = default;
};

enum class Control : std::size_t {
    ShFiles,
    LblFiles,
    ShContent,
    LblContent,
    ShRecords,
    LblRecords,
    LvwFiles,
    LvwContents,
    LblSearchIn,
    TxtSearchIn,
    LblBrowse,
    LblSearch,
    StatusBar,
    Count,
};

inline constexpr double kDesignClientWidth = 10080;
inline constexpr double kDesignClientHeight = 5220;
inline constexpr double kMinimumWindowWidth = 8190;
// The window's outer size is its client area (menu bar excluded) plus the
// border, caption and menu bar of a classic window: the layout works on that
// outer size, so a window at its design size lays out exactly at the design
// geometry whatever decorations the desktop draws.
inline constexpr double kNonClientWidth = 155;
inline constexpr double kNonClientHeight = 740;
inline constexpr double kMinimumWindowHeight = 4950;

using ControlRects = std::array<TwipRect, static_cast<std::size_t>(Control::Count)>;

// Where every control stands when the window opens.
const ControlRects& DesignRects();

// The first column widths the layout gives the two lists.
struct ColumnWidths {
    double location;
    double fileContents;
};

// The minimum-size check that opens every layout pass.
struct MinimumCheck {
    bool widthTooSmall;
    bool heightTooSmall;
    double width;   // the width to use (raised to the minimum when too small)
    double height;  // the height to use
};
MinimumCheck CheckMinimum(double windowWidth, double windowHeight);

// One layout pass for a window of the given outer size (border, caption and
// menu bar included): lists, bottom row and first columns follow the size;
// the tabs, the lists' left and top and the second files column never move.
struct LayoutResult {
    ControlRects rects;
    ColumnWidths columns;
};
LayoutResult LayoutFor(double windowWidth, double windowHeight, const ControlRects& current);

}  // namespace tessaly
