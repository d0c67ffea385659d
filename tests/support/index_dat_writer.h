#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

// The kind of a record, by its four-byte signature.
enum class IndexDatRecord { Url, Leak, Redirect };  // "URL ", "LEAK", "REDR"

// One record of an MSIE 5.2 cache, history or cookie index.
struct IndexDatEntry {
    // The record's location string, written NUL-terminated, e.g.
    // "Visited: user@http://host/path" or "Cookie:user@host/".
    std::string location;
    IndexDatRecord record = IndexDatRecord::Url;
    std::string fileName;            // cached file's name (URL and LEAK records), may be empty
    std::string headers;             // response headers kept with a cached file, may be empty
    std::uint64_t lastModified = 0;  // FILETIME
    std::uint64_t lastAccessed = 0;  // FILETIME
};

// What lies between the records: `freeBlocks` 128-byte blocks after each
// record, alternately unused blocks (0x0BADF00D repeated) and stale binary
// bytes drawn from `seed`.
struct IndexDatFiller {
    unsigned freeBlocks = 0;
    std::uint64_t seed = 1;
};

// The bytes of an index file holding `entries` in order: the header
// "Client UrlCache MMF Ver 5.2", the file size, the offset of the first hash
// table, the allocation bitmap, then 128-byte blocks from 0x4000: hash tables
// ("HASH") ahead of the records they index and the records themselves. The
// file's length is a multiple of 0x4000.
std::string BuildIndexDat(const std::vector<IndexDatEntry>& entries, IndexDatFiller filler = {});

// Writes BuildIndexDat(entries, filler) to `path`; false when it cannot.
bool WriteIndexDat(const std::string& path, const std::vector<IndexDatEntry>& entries,
                   IndexDatFiller filler = {});

// `count` plausible entries drawn from `seed` (the same seed gives the same
// entries): cached pages with their file names and headers, "Visited:"
// history records of web, ftp, local-file and network-path addresses, cookie
// records, "@:Host: " host records, mail, news, feed and other schemes, some
// in capitals, some longer than a contents row, LEAK and REDR records.
std::vector<IndexDatEntry> GenerateIndexDatEntries(std::size_t count, std::uint64_t seed);

}  // namespace tessaly::test
