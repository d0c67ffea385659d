#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/records/record.h"
#include "platform/byte_source.h"

namespace tessaly {

// Receives the records of a file in file order, on the reading thread.
class RecordSink {
  public:
    virtual ~RecordSink() = default;
    // Returns whether to go on: false ends the read after this record.
    virtual bool record(const Record& record) = 0;
};

struct RecordsOptions {
    std::string_view file;   // what Record::file says
    bool fragments = false;  // also deliver the raw scan's entries that lie in no record
};

struct RecordsOutcome {
    enum class Failure { None, Unreadable, NotCacheFile };
    Failure failure = Failure::None;
    SourceError error;      // Unreadable: why the file could not be opened or read
    std::string signature;  // NotCacheFile: the file's first bytes up to a NUL (at most 28)
    bool stopped = false;   // the sink asked to stop
    std::uint64_t records = 0;
    std::uint64_t fragments = 0;

    bool ok() const { return failure == Failure::None; }
    // "not an MSIE cache file (signature \"GIF89a\")", or the system's reason
    // ("No such file or directory"); empty when ok(). Bytes of the signature
    // outside printable ASCII are written as \xNN.
    std::string failureText() const;
};

// Reads the records of the index file in `source` (versions 5.2 and 4.7) and
// hands them to `sink` in file order.
//
// Every block from 0x4000 on is looked at, so records no hash table leads to
// are found too; each record's status says how it was reached. The file is
// never trusted: every count, offset and length is checked before use, hash
// table and leak chains stop at a loop or at anything that is not a table or
// a LEAK record, and a record that runs past the end of the file, claims
// more than 1 MiB, runs into the next record or has strings that leave it is
// read as far as it goes and described in Record::damage. A record never
// overlaps another: a record found inside the blocks of a live or listed
// record is part of that record's data.
//
// With options.fragments, the raw scan's entries (ScanFile) whose positions
// lie in no record's blocks come between the records as fragments.
//
// A read error ends the read (Unreadable); what was delivered stays
// delivered.
RecordsOutcome ReadRecords(ByteSource& source, RecordSink& sink, const RecordsOptions& options);

// Opens the regular file at `path` (OpenFileSource) and reads it; options.file
// defaults to `path`.
RecordsOutcome ReadRecordsFile(const std::string& path, RecordSink& sink,
                               RecordsOptions options = {});

}  // namespace tessaly
