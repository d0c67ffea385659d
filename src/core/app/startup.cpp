#include "core/app/startup.h"

#include <charconv>
#include <limits>
#include <system_error>

#include "core/app/identity.h"
#include "core/ui/texts.h"

namespace tessaly {
namespace {

std::string_view TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The value as a float; values beyond the float range become infinities
// instead of an undefined conversion.
float ToSingle(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (value > kMax) return kInfinity;
    if (value < -kMax) return -kInfinity;
    return static_cast<float>(value);
}

}  // namespace

std::string CommandLineText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

std::string StartupPath(std::string_view commandLineText) {
    std::string withoutQuotes;
    withoutQuotes.reserve(commandLineText.size());
    for (const char c : commandLineText) {
        if (c != '"') withoutQuotes += c;
    }
    return std::string(TrimSpaces(withoutQuotes));
}

std::string CouldNotLocateText(std::string_view title, std::string_view path) {
    return std::string(title) + std::string(texts::kCouldNotLocate) + std::string(path) +
           std::string(texts::kVerifyFile);
}

bool IsBlank(std::string_view text) { return TrimSpaces(text).empty(); }

std::string FileNameOf(std::string_view path) {
    const std::size_t last = path.rfind(kSeparator);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string FolderOf(std::string_view path) {
    const std::size_t last = path.rfind(kSeparator);
    if (last == std::string_view::npos) return {};
    return std::string(path.substr(0, last == 0 ? 1 : last));
}

std::string FormatSingle(double value) {
    float single = ToSingle(value);
    if (single == 0.0f) single = 0.0f;  // no "-0"
    char buffer[128];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, single, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

double ParseSetting(std::string_view text, double fallback) {
    text = TrimSpaces(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    bool anyDigit = false;
    int points = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            anyDigit = true;
        } else if (c == '.') {
            ++points;
        } else {
            return fallback;
        }
    }
    if (!anyDigit || points > 1) return fallback;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size()) return fallback;
    return negative ? -value : value;
}

}  // namespace tessaly
