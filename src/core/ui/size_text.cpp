#include "core/ui/size_text.h"

#include <array>
#include <string_view>

#include "core/search/index_search.h"

namespace tessaly {

namespace {

// The most hundredths a unit shows before the next unit takes over:
// 99999.99, eight characters, what the design width holds.
constexpr std::uint64_t kMostHundredths = 9'999'999;

std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

}  // namespace

std::string ShownSizeText(std::uint64_t bytes) {
    constexpr std::array<std::string_view, 4> kUnits{"", " MB", " GB", " TB"};
    unsigned shift = 10;
    for (std::size_t unit = 0; unit + 1 < kUnits.size(); ++unit, shift += 10) {
        if (HundredthsOf(bytes, shift) <= kMostHundredths) {
            return FormatHundredths(HundredthsOf(bytes, shift)) + std::string(kUnits[unit]);
        }
    }
    return FormatHundredths(HundredthsOf(bytes, shift)) + std::string(kUnits.back());
}

std::string ExactSizeText(std::uint64_t bytes) {
    return FormatSizeKB(bytes) + " KB (" + Grouped(bytes) + (bytes == 1 ? " byte)" : " bytes)");
}

}  // namespace tessaly
