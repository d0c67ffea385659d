#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/records/record.h"

namespace tessaly {

// Writes records to a stream as they come: begin() once, write() per record,
// end() once. Output is buffered; end() hands the rest to the stream (whose
// state tells whether writing worked).
class RecordWriter {
  public:
    virtual ~RecordWriter() = default;
    virtual void begin() {}
    virtual void write(const Record& record) = 0;
    virtual void end() {}
};

// One way of exporting records.
struct RecordExportFormat {
    std::string_view name;       // what `--format` takes: "tsv"
    std::string_view extension;  // a file name's usual ending, without the dot
    std::string_view label;      // for a save dialog: "Tab-separated values"
    // A writer onto `out`; `source` names what is read (a file or a folder),
    // for formats that carry a title.
    std::unique_ptr<RecordWriter> (*make)(std::ostream& out, std::string_view source);
};

// Every format, the window's and the command line's: tsv, csv, jsonl,
// bodyfile, html.
std::span<const RecordExportFormat> RecordExportFormats();

// The format called `name`, or nullptr.
const RecordExportFormat* FindRecordExportFormat(std::string_view name);

// The fields of a record, in the order and with the names every format uses
// (the JSON keys, the header line of TSV and CSV).
inline constexpr std::array<std::string_view, 21> kRecordFieldNames{
    "file",         "offset",
    "type",         "status",
    "allocated",    "blocks",
    "location",     "user",
    "url",          "kind",
    "primary_time", "secondary_time",
    "expiry_time",  "last_checked_time",
    "hits",         "cache_folder",
    "cache_file",   "cached_size",
    "headers",      "redirect_to",
    "damage"};

// One field's value as the writers see it.
struct RecordField {
    enum class Kind : std::uint8_t {
        Null,    // missing
        Stored,  // bytes from the index file: Windows-1252, shown as UTF-8
        Path,    // a path of this system: native bytes
        Word,    // ASCII text of our own
        Number,
        Time,
    };
    Kind kind = Kind::Null;
    std::string_view text;
    std::uint64_t number = 0;
    StoredTime time;
};

// The values of kRecordFieldNames for `record`. Unset times (!HasTime) and
// absent texts are Null; an empty user is an empty text; a record without
// damage has a Null damage.
std::array<RecordField, kRecordFieldNames.size()> RecordFields(const Record& record);

// A field's value as UTF-8 text (paths as they are), as the plain formats
// write it, appended to `out`; false for Null.
bool AppendRecordFieldText(std::string& out, const RecordField& field);

}  // namespace tessaly
