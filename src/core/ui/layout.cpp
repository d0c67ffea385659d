#include "core/ui/layout.h"

namespace tessaly {

namespace {

constexpr double kListWidthMargin = 380;
constexpr double kListHeightMargin = 2000;
constexpr double kSearchInTopMargin = 1350;
constexpr double kBottomRowTopMargin = 1400;
constexpr double kBottomRowSpare = 200;
constexpr double kBrowseOffset = 1050;
constexpr double kSearchOffset = 1550;
constexpr double kLocationReduction = 1050;
constexpr double kContentsReduction = 100;

TwipRect& At(ControlRects& rects, Control c) { return rects[static_cast<std::size_t>(c)]; }

}  // namespace

const ControlRects& DesignRects() {
    static const ControlRects rects = [] {
        ControlRects r{};
        At(r, Control::ShFiles) = {120, 120, 1815, 495};
        At(r, Control::LblFiles) = {240, 160, 1575, 375};
        At(r, Control::ShContent) = {1920, 120, 1815, 495};
        At(r, Control::LblContent) = {2040, 160, 1575, 375};
        At(r, Control::ShRecords) = {3720, 120, 1815, 495};
        At(r, Control::LblRecords) = {3840, 160, 1575, 375};
        At(r, Control::LvwFiles) = {120, 480, 9855, 3975};
        At(r, Control::LvwContents) = {120, 480, 9855, 3975};
        At(r, Control::LblSearchIn) = {120, 4560, 975, 255};
        At(r, Control::TxtSearchIn) = {1200, 4560, 7095, 285};
        At(r, Control::LblBrowse) = {8400, 4560, 375, 285};
        At(r, Control::LblSearch) = {8880, 4560, 1095, 285};
        At(r, Control::StatusBar) = {0, 4965, 10080, 255};
        return r;
    }();
    return rects;
}

MinimumCheck CheckMinimum(double windowWidth, double windowHeight) {
    MinimumCheck check{windowWidth < kMinimumWindowWidth, windowHeight < kMinimumWindowHeight,
                       windowWidth, windowHeight};
    if (check.widthTooSmall) check.width = kMinimumWindowWidth;
    if (check.heightTooSmall) check.height = kMinimumWindowHeight;
    return check;
}

LayoutResult LayoutFor(double windowWidth, double windowHeight, const ControlRects& current) {
    LayoutResult out{current, {}};
    auto& r = out.rects;
    auto& files = At(r, Control::LvwFiles);
    auto& contents = At(r, Control::LvwContents);
    files.width = windowWidth - kListWidthMargin;
    files.height = windowHeight - kListHeightMargin;
    contents.width = windowWidth - kListWidthMargin;
    contents.height = windowHeight - kListHeightMargin;

    auto& searchIn = At(r, Control::LblSearchIn);
    auto& field = At(r, Control::TxtSearchIn);
    auto& browse = At(r, Control::LblBrowse);
    auto& search = At(r, Control::LblSearch);
    searchIn.top = windowHeight - kSearchInTopMargin;
    field.top = windowHeight - kBottomRowTopMargin;
    browse.top = windowHeight - kBottomRowTopMargin;
    search.top = windowHeight - kBottomRowTopMargin;
    searchIn.left = files.left;
    field.width = files.width - (searchIn.width + browse.width + search.width) - kBottomRowSpare;
    field.left = files.left + searchIn.width;
    browse.left = files.left + field.width + kBrowseOffset;
    search.left = files.left + field.width + kSearchOffset;

    out.columns.location = files.width - kLocationReduction;
    out.columns.fileContents = contents.width - kContentsReduction;
    return out;
}

}  // namespace tessaly
