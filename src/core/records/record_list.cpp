#include "core/records/record_list.h"

#include <algorithm>
#include <ctime>
#include <numeric>
#include <span>

#include "core/app/ascii_case.h"
#include "platform/clock.h"

namespace tessaly {

namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86400;
// Up to this span the timeline counts per hour.
constexpr std::int64_t kHourlySpan = 14 * kDay;
constexpr std::int64_t kMostBars = 100'000;
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kFileTimeToUnix = 11'644'473'600;

// A time as one number that orders FILETIMEs and FAT times alike; 0 when unset.
std::uint64_t TimeKey(const StoredTime& time) {
    if (!HasTime(time)) return 0;
    if (time.form == TimeForm::FileTime) return time.raw;
    StoredTime asUtc = time;
    asUtc.local = false;
    const auto seconds = UnixSeconds(asUtc);
    return seconds
               ? static_cast<std::uint64_t>(*seconds + static_cast<std::int64_t>(kFileTimeToUnix)) *
                     kTicksPerSecond
               : 0;
}

void AppendTwo(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string_view RecordColumnName(RecordColumn column, RecordKind kind) {
    switch (column) {
        case RecordColumn::Type:
            return "Type";
        case RecordColumn::Status:
            return "Status";
        case RecordColumn::FirstTime:
            switch (kind) {
                case RecordKind::History:
                    return "Last visited";
                case RecordKind::DailyHistory:
                    return "Visited (UTC)";
                case RecordKind::WeeklyHistory:
                    return "Created (UTC)";
                case RecordKind::Other:
                    return "Time";
                case RecordKind::Cache:
                case RecordKind::Cookie:
                    break;
            }
            return "Last accessed";
        case RecordColumn::SecondTime:
            switch (kind) {
                case RecordKind::History:
                case RecordKind::Other:
                    return {};
                case RecordKind::DailyHistory:
                    return "Visited (local)";
                case RecordKind::WeeklyHistory:
                    return "Last visited (local)";
                case RecordKind::Cache:
                case RecordKind::Cookie:
                    break;
            }
            return "Last modified";
        case RecordColumn::Url:
            return "URL";
        case RecordColumn::User:
            return "User";
        case RecordColumn::Hits:
            return "Hits";
        case RecordColumn::CacheFile:
            return "Cache file";
        case RecordColumn::Size:
            return "Size";
        case RecordColumn::Expires:
            return "Expires";
        case RecordColumn::LastChecked:
            return "Last checked";
        case RecordColumn::Offset:
            return "Offset";
        case RecordColumn::Damage:
            return "Damage";
        case RecordColumn::Count:
            break;
    }
    return {};
}

std::string ShownTime(const StoredTime& time, bool localZone) {
    std::string out;
    if (!HasTime(time)) return out;
    const std::optional<std::int64_t> seconds = UnixSeconds(time);
    if (localZone && seconds) {
        const std::time_t t = static_cast<std::time_t>(*seconds);
        if (const std::optional<std::tm> local = LocalTimeOf(t)) {
            const std::tm& tm = *local;
            out = std::to_string(tm.tm_year + 1900);
            out += '-';
            AppendTwo(out, tm.tm_mon + 1);
            out += '-';
            AppendTwo(out, tm.tm_mday);
            out += ' ';
            AppendTwo(out, tm.tm_hour);
            out += ':';
            AppendTwo(out, tm.tm_min);
            out += ':';
            AppendTwo(out, tm.tm_sec);
            return out;
        }
    }
    // "2015-08-25T11:05:18.5120000Z" without its fraction and zone letter.
    AppendIsoTime(out, time);
    out.resize(std::min<std::size_t>(out.size(), 19));
    if (out.size() > 10) out[10] = ' ';
    return out;
}

std::string RecordCellText(const RecordTable& table, std::size_t i, RecordColumn column,
                           bool localZone) {
    auto number = [](std::uint64_t n) { return std::to_string(n); };
    switch (column) {
        case RecordColumn::Type:
            return std::string(TypeName(table.type(i)));
        case RecordColumn::Status:
            return std::string(StatusName(table.status(i)));
        case RecordColumn::FirstTime:
            return ShownTime(table.time(i, 0), localZone);
        case RecordColumn::SecondTime:
            return ShownTime(table.time(i, 1), localZone);
        case RecordColumn::Expires:
            return ShownTime(table.time(i, 2), localZone);
        case RecordColumn::LastChecked:
            return ShownTime(table.time(i, 3), localZone);
        case RecordColumn::Url:
            return std::string(table.url(i));
        case RecordColumn::User:
            return std::string(table.user(i));
        case RecordColumn::CacheFile:
            return std::string(table.cacheFile(i));
        case RecordColumn::Offset: {
            char buf[24];
            std::snprintf(buf, sizeof buf, "0x%08llx",
                          static_cast<unsigned long long>(table.offset(i)));
            return buf;
        }
        case RecordColumn::Hits:
        case RecordColumn::Size:
        case RecordColumn::Damage: {
            const Record r = table.at(i);
            if (column == RecordColumn::Damage) return std::string(r.damage);
            if (column == RecordColumn::Hits) return r.hits ? number(*r.hits) : std::string();
            return r.cachedSize ? number(*r.cachedSize) : std::string();
        }
        case RecordColumn::Count:
            break;
    }
    return {};
}

std::optional<std::int64_t> TimelineSeconds(const RecordTable& table, std::size_t record) {
    return UnixSeconds(table.time(record, 0));
}

void RecordList::setTable(std::shared_ptr<const RecordTable> table) {
    table_ = std::move(table);
    sorted_.resize(total());
    std::iota(sorted_.begin(), sorted_.end(), 0u);
    filter_ = {};
    visible_ = sorted_;
}

void RecordList::sort(RecordColumn column, bool ascending) {
    if (!table_) return;
    const RecordTable& t = *table_;
    std::iota(sorted_.begin(), sorted_.end(), 0u);
    auto sortBy = [&](auto key) {
        using Key = decltype(key(0u));
        std::vector<Key> keys(sorted_.size());
        for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = key(static_cast<std::uint32_t>(i));
        if (ascending) {
            std::stable_sort(sorted_.begin(), sorted_.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
        } else {
            std::stable_sort(sorted_.begin(), sorted_.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return keys[b] < keys[a]; });
        }
    };
    auto timeAt = [&](std::size_t which) {
        sortBy([&, which](std::uint32_t i) { return TimeKey(t.time(i, which)); });
    };
    auto textBy = [&](std::string_view (RecordTable::*get)(std::size_t) const) {
        sortBy([&, get](std::uint32_t i) { return (t.*get)(i); });
    };
    switch (column) {
        case RecordColumn::Type:
            sortBy([&](std::uint32_t i) { return TypeName(t.type(i)); });
            break;
        case RecordColumn::Status:
            sortBy([&](std::uint32_t i) { return StatusName(t.status(i)); });
            break;
        case RecordColumn::FirstTime:
            timeAt(0);
            break;
        case RecordColumn::SecondTime:
            timeAt(1);
            break;
        case RecordColumn::Expires:
            timeAt(2);
            break;
        case RecordColumn::LastChecked:
            timeAt(3);
            break;
        case RecordColumn::Url:
            textBy(&RecordTable::url);
            break;
        case RecordColumn::User:
            textBy(&RecordTable::user);
            break;
        case RecordColumn::CacheFile:
            textBy(&RecordTable::cacheFile);
            break;
        case RecordColumn::Hits:
            sortBy([&](std::uint32_t i) {
                const auto hits = t.at(i).hits;
                return hits ? std::int64_t{*hits} : std::int64_t{-1};
            });
            break;
        case RecordColumn::Size:
            sortBy([&](std::uint32_t i) {
                const auto size = t.at(i).cachedSize;
                return std::make_pair(size.has_value(), size.value_or(0));
            });
            break;
        case RecordColumn::Offset:
        case RecordColumn::Count:
            sortBy([&](std::uint32_t i) { return t.offset(i); });
            break;
        case RecordColumn::Damage:
            sortBy([&](std::uint32_t i) { return t.at(i).damage; });
            break;
    }
    const RecordFilter filter = filter_;
    filter_ = {};
    visible_ = sorted_;
    setFilter(filter);
}

bool RecordList::matches(std::size_t record, const RecordFilter& filter) const {
    const RecordTable& t = *table_;
    if (filter.status && t.status(record) != *filter.status) return false;
    if (filter.type && t.type(record) != *filter.type) return false;
    if (filter.range) {
        const auto seconds = TimelineSeconds(t, record);
        if (!seconds || *seconds < filter.range->first || *seconds >= filter.range->second)
            return false;
    }
    return true;
}

void RecordList::setFilter(const RecordFilter& filter) {
    if (!table_) return;
    // A filter that only adds to the text (a keystroke) looks at the rows
    // shown now; anything else starts again from every record.
    const bool narrower = filter.status == filter_.status && filter.type == filter_.type &&
                          filter.range == filter_.range && !filter_.textUnmatchable &&
                          filter.text.find(filter_.text) != std::string::npos;
    std::span<const std::uint32_t> from = narrower ? visible_ : sorted_;
    const RecordTable& t = *table_;
    std::vector<std::uint32_t> out;
    out.reserve(narrower ? visible_.size() : sorted_.size() / 4);
    const NoCaseFinder finder(filter.text);
    const bool plain = !filter.status && !filter.type && !filter.range;
    if (filter.textUnmatchable) from = {};
    for (const std::uint32_t i : from) {
        if (!plain && !matches(i, filter)) continue;
        if (!filter.text.empty()) {
            const std::string_view location = t.location(i);
            // The URL and the user mostly lie in the location; they are
            // looked at on their own only when they do not.
            auto inside = [&](std::string_view part) {
                return part.empty() ||
                       (part.data() >= location.data() &&
                        part.data() + part.size() <= location.data() + location.size());
            };
            const std::string_view url = t.url(i);
            const std::string_view user = t.user(i);
            if (!finder.in(location) && (inside(url) || !finder.in(url)) &&
                (inside(user) || !finder.in(user)) && !finder.in(t.cacheFile(i))) {
                continue;
            }
        }
        out.push_back(i);
    }
    visible_ = std::move(out);
    filter_ = filter;
}

std::optional<std::size_t> RecordList::rowOf(std::size_t record) const {
    for (std::size_t row = 0; row < visible_.size(); ++row) {
        if (visible_[row] == record) return row;
    }
    return std::nullopt;
}

Timeline MakeTimeline(const RecordTable& table) {
    Timeline out;
    std::int64_t first = 0, last = 0;
    bool any = false;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto s = TimelineSeconds(table, i);
        if (!s) continue;
        if (!any || *s < first) first = *s;
        if (!any || *s > last) last = *s;
        any = true;
    }
    if (!any) return out;
    out.step = last - first <= kHourlySpan ? kHour : kDay;
    // A file with a stray far-off time would need millions of daily bars:
    // past kMostBars a bar counts several days.
    const std::int64_t bars = (last - first) / out.step + 1;
    if (bars > kMostBars) out.step *= (bars + kMostBars - 1) / kMostBars;
    // Bars begin on a whole hour or day (floor, also before 1970).
    auto floorTo = [](std::int64_t v, std::int64_t step) {
        const std::int64_t q = v / step;
        return (v % step < 0 ? q - 1 : q) * step;
    };
    // Hourly bars cover whole days, so that a file of one busy hour shows
    // one bar among 24 rather than one bar across the whole width.
    const std::int64_t span = out.step == kHour ? kDay : out.step;
    out.start = floorTo(first, span);
    const std::int64_t end = floorTo(last, span) + span;
    out.counts.assign(static_cast<std::size_t>((end - out.start) / out.step), 0);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto s = TimelineSeconds(table, i);
        if (!s) continue;
        std::uint32_t& c = out.counts[static_cast<std::size_t>((*s - out.start) / out.step)];
        out.highest = std::max(out.highest, ++c);
    }
    return out;
}

}  // namespace tessaly
