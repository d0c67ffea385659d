#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/records/record_table.h"

namespace tessaly {

// The records list's columns, in the order they show.
enum class RecordColumn : std::size_t {
    Type,
    Status,
    FirstTime,   // named by the file's kind: "Last accessed", "Last visited", ...
    SecondTime,  // "Last modified", "Visited (local)", ...; hidden when the kind has none
    Url,
    User,
    Hits,
    CacheFile,
    Size,
    Expires,
    LastChecked,
    Offset,
    Damage,
    Count
};
inline constexpr std::size_t kRecordColumns = static_cast<std::size_t>(RecordColumn::Count);

// A column's header for a file whose records are mostly of `kind`; empty for
// a time column that kind does not have.
std::string_view RecordColumnName(RecordColumn column, RecordKind kind);

// How a time shows in the list: "2015-08-25 11:05:18", in UTC or in this
// computer's zone (`localZone`). A time stored in the writer's local time
// shows as stored in either case (its zone is unknown). Empty when unset.
std::string ShownTime(const StoredTime& time, bool localZone);

// The text of a cell.
std::string RecordCellText(const RecordTable& table, std::size_t record, RecordColumn column,
                           bool localZone);

// What the list shows of the records: the filter box's text (a substring,
// ASCII case ignored, of the location, the URL, the user or the cache file),
// one status, one type, and a time range of the timeline (UTC seconds, end
// excluded) over the records' first time.
struct RecordFilter {
    std::string text;
    bool textUnmatchable = false;  // the typed text has no Windows-1252 bytes: nothing matches
    std::optional<RecordStatus> status;
    std::optional<RecordType> type;
    std::optional<std::pair<std::int64_t, std::int64_t>> range;
    bool operator==(const RecordFilter&) const = default;
};

// The seconds since 1970 (UTC) the timeline and its range use for a record;
// nullopt when its first time is unset or local.
std::optional<std::int64_t> TimelineSeconds(const RecordTable& table, std::size_t record);

// The records in the order the list shows them: sorted by one column (file
// order until sorted; ties keep file order) and filtered.
class RecordList {
  public:
    void setTable(std::shared_ptr<const RecordTable> table);
    const RecordTable& table() const { return *table_; }
    bool hasTable() const { return table_ != nullptr; }

    // Sorts every record by `column`; the filter stays.
    void sort(RecordColumn column, bool ascending);
    void setFilter(const RecordFilter& filter);
    const RecordFilter& filter() const { return filter_; }

    std::size_t shown() const { return visible_.size(); }
    std::size_t total() const { return table_ ? table_->size() : 0; }
    // The record a shown row stands for, and back (nullopt when not shown).
    std::size_t recordAt(std::size_t row) const { return visible_[row]; }
    std::optional<std::size_t> rowOf(std::size_t record) const;

  private:
    bool matches(std::size_t record, const RecordFilter& filter) const;

    std::shared_ptr<const RecordTable> table_;
    std::vector<std::uint32_t> sorted_;
    std::vector<std::uint32_t> visible_;
    RecordFilter filter_;
};

// Records per hour (whole days of them) when the records' times span at most
// two weeks, else per day; a stray far-off time makes a bar count several
// days rather than make millions of bars.
struct Timeline {
    std::int64_t start = 0;    // UTC seconds of the first bar
    std::int64_t step = 3600;  // seconds per bar
    std::vector<std::uint32_t> counts;
    std::uint32_t highest = 0;
};
Timeline MakeTimeline(const RecordTable& table);

}  // namespace tessaly
