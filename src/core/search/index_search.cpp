#include "core/search/index_search.h"

#include "core/app/ascii_case.h"
#include "core/app/identity.h"

namespace tessaly {

bool QualifiesAsIndexFile(std::string_view name) {
    constexpr std::string_view kSought = "index.dat";
    if (!name.ends_with(".dat")) return false;
    for (std::size_t start = 0; start + kSought.size() <= name.size(); ++start) {
        if (EqualNoCase(name.substr(start, kSought.size()), kSought)) return true;
    }
    return false;
}

std::string AddBackslash(std::string path) {
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
    return path;
}

std::string TrimAtNull(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::uint64_t HundredthsOf(std::uint64_t bytes, unsigned shift) {
    // bytes / 2^shift in hundredths, rounded half up. Worked in integers the quotient and
    // its halfway cases are exact (1152 bytes are 1.125 KB and give 1.13), which is what
    // the double quotient gives for every size a file system can hold, without the
    // rounding traps of binary fractions. Split to keep bytes * 100 from overflowing.
    const std::uint64_t unit = std::uint64_t{1} << shift;
    return (bytes >> shift) * 100 + ((bytes & (unit - 1)) * 100 + unit / 2) / unit;
}

std::string FormatHundredths(std::uint64_t hundredths) {
    const auto cents = static_cast<char>(hundredths % 100);
    std::string text = std::to_string(hundredths / 100);
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    return text;
}

std::string FormatSizeKB(std::uint64_t bytes) { return FormatHundredths(HundredthsOf(bytes, 10)); }

std::string DefaultSearchRoot() {
#ifdef _WIN32
    return "C:\\";
#else
    return std::string(1, kSeparator);
#endif
}

}  // namespace tessaly
