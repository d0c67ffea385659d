#pragma once

// The layout of an MSIE cache index file ("Client UrlCache MMF Ver 5.2" and
// "Ver 4.7"), in one place for the records reader and the tests' sample
// writer. All numbers are little-endian; offsets are in bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessaly::indexdat {

// --- File header --------------------------------------------------------
// The signature with its version, NUL-terminated, in the first 28 bytes.
inline constexpr std::string_view kSignature52 = "Client UrlCache MMF Ver 5.2";
inline constexpr std::string_view kSignature47 = "Client UrlCache MMF Ver 4.7";
inline constexpr std::size_t kSignatureField = 28;

inline constexpr std::size_t kHeaderFileSize = 0x1C;          // u32, the file's length
inline constexpr std::size_t kHeaderHashTable = 0x20;         // u32, offset of the first HASH table
inline constexpr std::size_t kHeaderBlockCount = 0x24;        // u32, blocks after kDataStart
inline constexpr std::size_t kHeaderAllocatedBlocks = 0x28;   // u32, blocks in use
inline constexpr std::size_t kHeaderCacheFolderCount = 0x48;  // u32
// The cache folder table: per folder a u32 file count and an 8-character
// name (not NUL-terminated); a record's folder index counts from 0.
inline constexpr std::size_t kHeaderCacheFolders = 0x4C;
inline constexpr std::size_t kCacheFolderEntrySize = 12;
inline constexpr std::size_t kCacheFolderNameOffset = 4;
inline constexpr std::size_t kCacheFolderNameLength = 8;
inline constexpr std::size_t kMaxCacheFolders =
    32;  // the table ends where other header data begins
// The first LEAK record of the chain of leaked records (u32, 0 for none).
inline constexpr std::size_t kHeaderLeakList = 0x224;
// The allocation bitmap: bit b (least significant bit first) of byte
// kBitmapOffset + b / 8 is set while block b is in use. It ends at kDataStart.
inline constexpr std::size_t kBitmapOffset = 0x250;

// --- Blocks -------------------------------------------------------------
// Records and hash tables are made of 128-byte blocks from kDataStart on;
// the file grows by kFileGranule bytes at a time.
inline constexpr std::size_t kBlockSize = 128;
inline constexpr std::size_t kDataStart = 0x4000;
inline constexpr std::size_t kFileGranule = 0x4000;
// Blocks the bitmap can describe.
inline constexpr std::size_t kBitmapBlocks = (kDataStart - kBitmapOffset) * 8;

// Every record begins with a 4-byte signature and a u32 block count.
inline constexpr std::size_t kRecordSignatureLength = 4;
inline constexpr std::size_t kRecordBlocks = 4;
inline constexpr std::string_view kHashSignature = "HASH";
inline constexpr std::string_view kUrlSignature = "URL ";
inline constexpr std::string_view kRedirectSignature = "REDR";
inline constexpr std::string_view kLeakSignature = "LEAK";

// --- HASH tables ----------------------------------------------------------
// A chain of tables, each a 16-byte head and 8-byte entries to its end.
inline constexpr std::size_t kHashNext = 8;       // u32, offset of the next table, 0 at the end
inline constexpr std::size_t kHashSequence = 12;  // u32, 0 for the first table
inline constexpr std::size_t kHashHeaderSize = 16;
inline constexpr std::size_t kHashEntrySize = 8;     // u32 hash value, u32 record offset
inline constexpr std::size_t kHashTableBlocks = 32;  // what Internet Explorer writes
// Entries never used hold one of these instead of a hash; an entry whose
// hash equals its offset is unused too.
inline constexpr std::uint32_t kHashUnused = 0x0BADF00D;
inline constexpr std::uint32_t kHashUnusedLater = 0xDEADBEEF;
// The low bits of a hash value are the entry's state, not part of the hash.
// An entry pointing at a URL record has these bits clear or 0x08 (a group
// member); one pointing at a REDR record has kHashRedirectState. Bit 0 set in
// any other state marks a deleted entry (often the whole value is 0x00000001,
// with the stale record offset kept).
inline constexpr std::uint32_t kHashStateBits = 0x3F;
inline constexpr std::uint32_t kHashDeletedBit = 0x01;
inline constexpr std::uint32_t kHashRedirectMask = 0x07;
inline constexpr std::uint32_t kHashRedirectState = 0x05;

// --- URL records (and LEAK records, which mostly share the layout) ------------
struct UrlLayout {
    std::size_t secondaryTime;  // FILETIME
    std::size_t primaryTime;    // FILETIME
    std::size_t expiryTime;     // FAT date time (5.2) or FILETIME (4.7)
    bool expiryIsFileTime;
    std::size_t cachedSize;  // u32 (5.2: low half of a u64)
    bool cachedSizeIs64;
    std::size_t locationOffset;   // u32, from the record's start
    std::size_t cacheFolder;      // u8, index into the cache folder table
    std::size_t fileNameOffset;   // u32, from the record's start, 0 for none
    std::size_t dataOffset;       // u32, from the record's start, 0 for none
    std::size_t dataSize;         // u32
    std::size_t lastCheckedTime;  // FAT date time
    std::size_t hits;             // u32
    std::size_t fixedSize;        // bytes before the variable part
};

inline constexpr UrlLayout kUrlLayout52{8,  16, 24, false, 32, true, 52,
                                        56, 60, 68, 72,    80, 84,   0x68};
inline constexpr UrlLayout kUrlLayout47{8,  16, 24, true, 32, false, 56,
                                        60, 64, 72, 76,   84, 88,    0x68};

// LEAK records use the 5.2 layout whatever the file's version.
inline constexpr const UrlLayout& kLeakLayout = kUrlLayout52;

// A cache folder index saying the record has no cached file.
inline constexpr std::uint8_t kNoCacheFolder = 0xFE;
// LEAK records: the offset of the next record of the chain, 0 at its end.
inline constexpr std::size_t kLeakNext = 44;
// Fields a LEAK record leaves unset hold this value.
inline constexpr std::uint32_t kLeakUnset = 0xDEADBEEF;

// --- REDR records -------------------------------------------------------------
inline constexpr std::size_t kRedirectHashEntry = 8;  // u32, file offset of the target's hash entry
inline constexpr std::size_t kRedirectHash = 12;      // u32, that entry's hash value
inline constexpr std::size_t kRedirectLocation = 16;  // NUL-terminated location

}  // namespace tessaly::indexdat
