#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

// The kind of a record, by its four-byte signature.
enum class IndexDatRecord { Url, Leak, Redirect };  // "URL ", "LEAK", "REDR"

// How a record is reached in the file.
enum class IndexDatState {
    Live,     // URL and REDR: a hash table entry in use leads to it; LEAK: on the header's list
    Freed,    // no hash entry and no list leads to it and its blocks are free in the bitmap
    Deleted,  // like Freed, but a deleted hash entry (value 0x00000001) keeps its offset
};

// A fault written into a record, for the reader's damage paths.
enum class IndexDatDamage {
    None,
    LocationOutside,       // the location offset points past the record's blocks
    LocationUnterminated,  // no NUL ends the location before the record's end
    FileNameOutside,       // the file name offset points past the record's blocks
    DataPastRecord,        // the data size runs past the record's end
    ZeroBlocks,            // the block count is 0
    HugeBlocks,            // the block count claims 0x7FFFFFFF blocks
    BadCacheFolder,        // the cache folder index is 9, past the header's table of 4
    BadExpiry,             // the expiry time is no valid FAT date (month 15)
};

// One record of an MSIE cache, history or cookie index.
struct IndexDatEntry {
    // The record's location string, written NUL-terminated, e.g.
    // "Visited: user@http://host/path" or "Cookie:user@host/".
    std::string location;
    IndexDatRecord record = IndexDatRecord::Url;
    std::string fileName;            // cached file's name (URL and LEAK records), may be empty
    std::string headers;             // response headers kept with a cached file, may be empty
    std::uint64_t lastModified = 0;  // FILETIME (the secondary time)
    std::uint64_t lastAccessed = 0;  // FILETIME (the primary time); the expiry (30 days
                                     // later) and last check times follow from it
    IndexDatState state = IndexDatState::Live;
    IndexDatDamage damage = IndexDatDamage::None;
    // LEAK records: the short form that keeps only size, next, folder, file
    // name and a time, every other field 0xDEADBEEF.
    bool minimalLeak = false;
};

// What lies between the records: `freeBlocks` 128-byte blocks after each
// record, alternately unused blocks (0x0BADF00D repeated) and stale binary
// bytes drawn from `seed` (all unused without `stale`).
struct IndexDatFiller {
    unsigned freeBlocks = 0;
    std::uint64_t seed = 1;
    bool stale = true;
};

enum class IndexDatVersion { V52, V47 };

struct IndexDatOptions {
    IndexDatVersion version = IndexDatVersion::V52;
    bool hashChainLoop = false;  // the last hash table's next leads back to the first
    bool leakListLoop = false;   // the last LEAK record's next leads back to the first
};

// An index file and where its records begin (one per entry, in order).
struct IndexDatImage {
    std::string bytes;
    std::vector<std::size_t> recordOffsets;
};

// The bytes of an index file holding `entries` in order: the header
// "Client UrlCache MMF Ver 5.2" (or 4.7), the file size, the offset of the
// first hash table, the cache folder table, the allocation bitmap, then
// 128-byte blocks from 0x4000: hash tables ("HASH") ahead of the records
// they index and the records themselves. Live URL and REDR records have a
// hash entry (state 0, REDR 5); LEAK records are chained from the header,
// the next record's offset at 44; a REDR record leads to the hash entry of
// the next live URL record after it, if any. Expiry and last check times are
// FAT times (4.7: the expiry a FILETIME). The file's length is a multiple of
// 0x4000.
IndexDatImage BuildIndexDatImage(const std::vector<IndexDatEntry>& entries,
                                 IndexDatFiller filler = {}, IndexDatOptions options = {});

// BuildIndexDatImage(entries, filler, options).bytes.
std::string BuildIndexDat(const std::vector<IndexDatEntry>& entries, IndexDatFiller filler = {},
                          IndexDatOptions options = {});

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
