#include "core/records/record.h"

#include <array>

#include "core/app/ascii_case.h"

namespace tessaly {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;
// Days from 1601-01-01 (where FILETIME counts from) to 1970-01-01.
constexpr std::int64_t kFileTimeEpochDays = 134'774;

struct Civil {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Days since 1970-01-01 to a date of the proleptic Gregorian calendar (H. Hinnant's
// algorithm).
Civil CivilFromDays(std::int64_t z) {
    z += 719'468;
    const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const auto doe = static_cast<unsigned>(z - era * 146'097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146'097 + static_cast<std::int64_t>(doe) - 719'468;
}

bool IsLeapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t year, unsigned month) {
    static constexpr std::array<unsigned, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

struct FatParts {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

FatParts SplitFat(std::uint64_t raw) {
    const auto date = static_cast<unsigned>(raw & 0xFFFF);
    const auto time = static_cast<unsigned>((raw >> 16) & 0xFFFF);
    return {1980 + static_cast<std::int64_t>(date >> 9),
            (date >> 5) & 0x0F,
            date & 0x1F,
            time >> 11,
            (time >> 5) & 0x3F,
            (time & 0x1F) * 2};
}

bool FatIsValid(const FatParts& f) {
    return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= DaysInMonth(f.year, f.month) &&
           f.hour <= 23 && f.minute <= 59 && f.second <= 59;
}

bool IsUnsetRaw(const StoredTime& t) {
    const std::uint64_t allOnes = t.form == TimeForm::FatTime ? 0xFFFFFFFFull : ~std::uint64_t{0};
    return t.form == TimeForm::None || t.raw == 0 || t.raw == allOnes;
}

void AppendDigits(std::string& out, std::uint64_t value, int width) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 20);
    for (int i = n; i < width; ++i) out += '0';
    while (n > 0) out += digits[--n];
}

void AppendCivil(std::string& out, std::int64_t year, unsigned month, unsigned day, unsigned hour,
                 unsigned minute, unsigned second) {
    // Years past 9999 (a FILETIME reaches 60055) take the expanded form with a sign.
    if (year > 9999) out += '+';
    AppendDigits(out, static_cast<std::uint64_t>(year), 4);
    out += '-';
    AppendDigits(out, month, 2);
    out += '-';
    AppendDigits(out, day, 2);
    out += 'T';
    AppendDigits(out, hour, 2);
    out += ':';
    AppendDigits(out, minute, 2);
    out += ':';
    AppendDigits(out, second, 2);
}

// ":yyyymmddyyyymmdd:" at the start of `s`: the day numbers of both dates.
bool ParseDateRange(std::string_view s, std::int64_t& first, std::int64_t& second) {
    if (s.size() < 18 || s[0] != ':' || s[17] != ':') return false;
    std::int64_t parts[6];
    for (int d = 0; d < 2; ++d) {
        std::uint64_t y = 0, m = 0, day = 0;
        for (int i = 0; i < 8; ++i) {
            const char c = s[static_cast<std::size_t>(1 + 8 * d + i)];
            if (c < '0' || c > '9') return false;
            std::uint64_t& field = i < 4 ? y : i < 6 ? m : day;
            field = field * 10 + static_cast<unsigned>(c - '0');
        }
        parts[3 * d] = static_cast<std::int64_t>(y);
        parts[3 * d + 1] = static_cast<std::int64_t>(m);
        parts[3 * d + 2] = static_cast<std::int64_t>(day);
    }
    for (int d = 0; d < 2; ++d) {
        if (parts[3 * d + 1] < 1 || parts[3 * d + 1] > 12 || parts[3 * d + 2] < 1 ||
            parts[3 * d + 2] > 31) {
            return false;
        }
    }
    first =
        DaysFromCivil(parts[0], static_cast<unsigned>(parts[1]), static_cast<unsigned>(parts[2]));
    second =
        DaysFromCivil(parts[3], static_cast<unsigned>(parts[4]), static_cast<unsigned>(parts[5]));
    return true;
}

// "user@url" after a prefix, with the spaces after the prefix skipped.
LocationParts UserAndUrl(std::string_view rest, RecordKind kind) {
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const auto at = rest.find('@');
    if (at == std::string_view::npos) return {{}, rest, kind};
    return {rest.substr(0, at), rest.substr(at + 1), kind};
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualNoCase(s.substr(0, prefix.size()), prefix);
}

// The user of a "~U:user" line of stored response headers.
std::string_view HeaderUser(std::string_view headers) {
    constexpr std::string_view kTag = "~U:";
    for (std::size_t at = 0; at < headers.size();) {
        if (headers.substr(at, kTag.size()) == kTag) {
            const std::string_view rest = headers.substr(at + kTag.size());
            return rest.substr(0, rest.find_first_of(std::string_view("\r\n\0", 3)));
        }
        const auto eol = headers.find('\n', at);
        if (eol == std::string_view::npos) break;
        at = eol + 1;
    }
    return {};
}

// Stores of their own kind that share the record layout.
constexpr std::array<std::string_view, 7> kOtherStores{
    "userdata:", "iecompat:", "privacie:", "ietld:", "feedplat:", "domstore:", "iedownload:"};

bool BeginsWithScheme(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && ((s[i] >= 'a' && s[i] <= 'z') || (s[i] >= 'A' && s[i] <= 'Z') ||
                            (i > 0 && ((s[i] >= '0' && s[i] <= '9') || s[i] == '+' || s[i] == '-' ||
                                       s[i] == '.')))) {
        ++i;
    }
    return i > 0 && i < s.size() && s[i] == ':';
}

}  // namespace

bool HasTime(const StoredTime& time) {
    if (IsUnsetRaw(time)) return false;
    return time.form != TimeForm::FatTime || FatIsValid(SplitFat(time.raw));
}

bool IsBadFatTime(const StoredTime& time) {
    return time.form == TimeForm::FatTime && !IsUnsetRaw(time) && !FatIsValid(SplitFat(time.raw));
}

bool AppendIsoTime(std::string& out, const StoredTime& time) {
    if (!HasTime(time)) return false;
    if (time.form == TimeForm::FatTime) {
        const FatParts f = SplitFat(time.raw);
        AppendCivil(out, f.year, f.month, f.day, f.hour, f.minute, f.second);
    } else {
        const std::uint64_t seconds = time.raw / kTicksPerSecond;
        const auto days = static_cast<std::int64_t>(seconds / kSecondsPerDay);
        const auto inDay = static_cast<unsigned>(seconds % kSecondsPerDay);
        const Civil c = CivilFromDays(days - kFileTimeEpochDays);
        AppendCivil(out, c.year, c.month, c.day, inDay / 3600, inDay / 60 % 60, inDay % 60);
        out += '.';
        AppendDigits(out, time.raw % kTicksPerSecond, 7);
    }
    if (!time.local) out += 'Z';
    return true;
}

std::optional<std::int64_t> UnixSeconds(const StoredTime& time) {
    if (!HasTime(time) || time.local) return std::nullopt;
    if (time.form == TimeForm::FatTime) {
        const FatParts f = SplitFat(time.raw);
        return DaysFromCivil(f.year, f.month, f.day) * kSecondsPerDay + f.hour * 3600 +
               f.minute * 60 + f.second;
    }
    return static_cast<std::int64_t>(time.raw / kTicksPerSecond) -
           kFileTimeEpochDays * kSecondsPerDay;
}

std::uint32_t FatTimeFromFileTime(std::uint64_t fileTime) {
    const std::uint64_t seconds = fileTime / kTicksPerSecond;
    const Civil c =
        CivilFromDays(static_cast<std::int64_t>(seconds / kSecondsPerDay) - kFileTimeEpochDays);
    if (fileTime == 0 || c.year < 1980 || c.year > 2107) return 0;
    const auto inDay = static_cast<unsigned>(seconds % kSecondsPerDay);
    const unsigned date = static_cast<unsigned>(c.year - 1980) << 9 | c.month << 5 | c.day;
    const unsigned time = (inDay / 3600) << 11 | (inDay / 60 % 60) << 5 | (inDay % 60) / 2;
    return static_cast<std::uint32_t>(time) << 16 | date;
}

LocationParts SplitLocation(std::string_view location, std::string_view headers) {
    constexpr std::string_view kVisited = "Visited:";
    constexpr std::string_view kCookie = "Cookie:";
    if (StartsWithNoCase(location, kVisited)) {
        return UserAndUrl(location.substr(kVisited.size()), RecordKind::History);
    }
    if (StartsWithNoCase(location, kCookie)) {
        return UserAndUrl(location.substr(kCookie.size()), RecordKind::Cookie);
    }
    std::int64_t first = 0, last = 0;
    if (ParseDateRange(location, first, last)) {
        return UserAndUrl(location.substr(18),
                          last - first <= 1 ? RecordKind::DailyHistory : RecordKind::WeeklyHistory);
    }
    RecordKind kind = BeginsWithScheme(location) ? RecordKind::Cache : RecordKind::Other;
    for (const auto store : kOtherStores) {
        if (StartsWithNoCase(location, store)) kind = RecordKind::Other;
    }
    return {HeaderUser(headers), location, kind};
}

std::string_view TypeName(RecordType type) {
    switch (type) {
        case RecordType::Url:
            return "URL";
        case RecordType::Redirect:
            return "REDR";
        case RecordType::Leak:
            return "LEAK";
        case RecordType::None:
            break;
    }
    return "";
}

std::string_view StatusName(RecordStatus status) {
    switch (status) {
        case RecordStatus::Live:
            return "live";
        case RecordStatus::Listed:
            return "listed";
        case RecordStatus::Recovered:
            return "recovered";
        case RecordStatus::Fragment:
            break;
    }
    return "fragment";
}

std::string_view AllocationName(Allocation allocation) {
    switch (allocation) {
        case Allocation::Yes:
            return "yes";
        case Allocation::No:
            return "no";
        case Allocation::Partly:
            break;
    }
    return "partly";
}

std::string_view KindName(RecordKind kind) {
    switch (kind) {
        case RecordKind::Cache:
            return "cache";
        case RecordKind::History:
            return "history";
        case RecordKind::DailyHistory:
            return "daily history";
        case RecordKind::WeeklyHistory:
            return "weekly history";
        case RecordKind::Cookie:
            return "cookie";
        case RecordKind::Other:
            break;
    }
    return "other";
}

}  // namespace tessaly
