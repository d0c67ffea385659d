#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// The kind of a record, by its signature. A fragment has none.
enum class RecordType : std::uint8_t { Url, Redirect, Leak, None };

// How a record was reached:
// - Live: a hash table entry in use leads to it;
// - Listed: it is on the header's chain of leaked records;
// - Recovered: only the walk over every block found it (a deleted or
//   orphaned record);
// - Fragment: not a record but an entry of the raw scan that lies in no
//   record's blocks.
enum class RecordStatus : std::uint8_t { Live, Listed, Recovered, Fragment };

// What the allocation bitmap says of a record's blocks: all in use, none, or some.
enum class Allocation : std::uint8_t { Yes, No, Partly };

// What the location says the record is. The meaning of the two FILETIMEs
// depends on it:
// - Cache and Cookie: primary = last accessed, secondary = last modified (UTC);
// - History ("Visited: user@url"): both the last visit (UTC);
// - DailyHistory (":yyyymmddyyyymmdd: user@url", one day): primary = the
//   visit in UTC, secondary = the same visit in the writer's local time;
// - WeeklyHistory (a longer range): primary = when the history file was made
//   (UTC), secondary = the last visit in local time;
// - Other (userdata:, iecompat: and the like): primary = UTC, secondary unset.
enum class RecordKind : std::uint8_t { Cache, History, DailyHistory, WeeklyHistory, Cookie, Other };

// How a stored time is encoded.
enum class TimeForm : std::uint8_t {
    None,      // the record has no such field
    FileTime,  // 100-nanosecond intervals since 1601-01-01
    FatTime,   // MS-DOS date (low 16 bits) and time (high 16 bits), 2-second steps
};

// A time as stored: the raw value and how to read it.
struct StoredTime {
    TimeForm form = TimeForm::None;
    std::uint64_t raw = 0;
    bool local = false;  // the writer's local time, zone unknown (else UTC)
    bool operator==(const StoredTime&) const = default;
};

// True when `time` holds a time: not absent, not 0, not all ones, and (FAT)
// a real calendar date and time of day.
bool HasTime(const StoredTime& time);

// A FAT value that is set (not 0, not all ones) but no valid date or time.
bool IsBadFatTime(const StoredTime& time);

// Appends `time` in ISO 8601 with every stored digit of the fraction
// ("2015-08-25T11:05:18.5120000Z" for a FILETIME, "2015-08-25T11:05:22Z" for
// a FAT time); UTC times end in "Z", local times have no zone. Appends
// nothing and returns false when !HasTime(time).
bool AppendIsoTime(std::string& out, const StoredTime& time);

// `time` as whole seconds since 1970-01-01 UTC (rounded down); nullopt when
// !HasTime(time) or the time is local.
std::optional<std::int64_t> UnixSeconds(const StoredTime& time);

// One record of an index file as read. The texts point into the reader's
// buffers and are valid only during RecordSink::record; they are the bytes
// as stored (Windows-1252 in practice), never re-encoded.
struct Record {
    std::string_view file;  // the index file, as the caller named it
    std::uint64_t offset = 0;
    RecordType type = RecordType::Url;
    RecordStatus status = RecordStatus::Live;
    Allocation allocated = Allocation::Yes;
    std::uint32_t blocks = 0;  // the block count as stored (0 for a fragment)
    // The location string up to its NUL; a fragment's text up to its NUL.
    std::optional<std::string_view> location;
    std::string_view user;  // see SplitLocation
    std::optional<std::string_view> url;
    RecordKind kind = RecordKind::Cache;
    StoredTime primaryTime;
    StoredTime secondaryTime;
    StoredTime expiryTime;
    StoredTime lastCheckedTime;
    std::optional<std::uint32_t> hits;
    std::optional<std::string_view> cacheFolder;  // the folder's name from the header
    std::optional<std::string_view> cacheFile;    // the cached file's name in that folder
    std::optional<std::uint64_t> cachedSize;
    std::optional<std::string_view> headers;     // the stored HTTP response headers
    std::optional<std::string_view> redirectTo;  // REDR: the location it leads to
    std::string_view damage;                     // what was wrong with the record; empty if nothing
};

// The FAT date and time (rounded down to 2 seconds) of a FILETIME, both in
// the same zone; 0 when the FILETIME is 0 or outside the years 1980 to 2107
// that FAT can hold.
std::uint32_t FatTimeFromFileTime(std::uint64_t fileTime);

// The parts of a location and the record kind they show.
struct LocationParts {
    std::string_view user;
    std::string_view url;
    RecordKind kind = RecordKind::Cache;
};

// Splits a location: "Visited: user@url" (history), "Cookie:user@url"
// (cookie), ":yyyymmddyyyymmdd: user@url" (daily history when the two dates
// are at most a day apart, weekly otherwise). Any other location is the url
// itself, with the user from a "~U:user" line of `headers` (empty when there
// is none), and the kind is Cache when it begins with a URL scheme and Other
// for the special stores (userdata:, iecompat:, ...).
LocationParts SplitLocation(std::string_view location, std::string_view headers);

// The names the exports use.
std::string_view TypeName(RecordType type);        // "URL", "REDR", "LEAK", ""
std::string_view StatusName(RecordStatus status);  // "live", "listed", "recovered", "fragment"
std::string_view AllocationName(Allocation allocation);  // "yes", "no", "partly"
std::string_view KindName(RecordKind kind);              // "cache", "history", "daily history", ...

}  // namespace tessaly
