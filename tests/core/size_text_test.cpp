#include "core/ui/size_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tessaly {
namespace {

// The files list's size column keeps its design width: past 99999.99 KB the
// text moves to the next unit instead of being cut, and the tooltip keeps the
// exact size.
TEST(SizeText, ShownTextFitsTheColumnAndTheTooltipIsExact) {
    const struct {
        std::uint64_t bytes;
        const char* shown;
        const char* exact;
    } cases[] = {
        {0, "0.00", "0.00 KB (0 bytes)"},
        {1, "0.00", "0.00 KB (1 byte)"},
        {1152, "1.13", "1.13 KB (1,152 bytes)"},
        {32768, "32.00", "32.00 KB (32,768 bytes)"},
        // The last KB text, and the first size that would round past it.
        {102399994, "99999.99", "99999.99 KB (102,399,994 bytes)"},
        {102399995, "97.66 MB", "100000.00 KB (102,399,995 bytes)"},
        {294912000, "281.25 MB", "288000.00 KB (294,912,000 bytes)"},
        {1610612736, "1536.00 MB", "1572864.00 KB (1,610,612,736 bytes)"},
        // Past 99999.99 MB the gigabytes take over, then the terabytes.
        {104857589350ULL, "99999.99 MB", "102399989.60 KB (104,857,589,350 bytes)"},
        {104857594880ULL, "97.66 GB", "102399995.00 KB (104,857,594,880 bytes)"},
        {214748364800ULL, "200.00 GB", "209715200.00 KB (214,748,364,800 bytes)"},
        {0xFFFFFFFFFFFFFFFFULL, "16777216.00 TB",
         "18014398509481984.00 KB (18,446,744,073,709,551,615 bytes)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShownSizeText(c.bytes), c.shown) << c.bytes;
        EXPECT_EQ(ExactSizeText(c.bytes), c.exact) << c.bytes;
    }
}

}  // namespace
}  // namespace tessaly
