#include "core/records/records_reader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "core/extract/contents_rows.h"
#include "core/extract/scanner.h"
#include "core/records/index_dat_format.h"

namespace tessaly {
namespace {

namespace fmt = indexdat;

// No record Internet Explorer writes comes near this; a larger block count
// is damage, and only this much of the record is read.
constexpr std::uint64_t kMaxRecordBytes = std::uint64_t{1} << 20;
// The walk reads the file forward in pieces of at least this size.
constexpr std::size_t kWindowBytes = std::size_t{1} << 20;
// Hash entries are read in pieces of this size.
constexpr std::size_t kHashReadBytes = 64 * 1024;
// Offsets in the file's structures are 32-bit.
constexpr std::uint64_t kAddressable = std::uint64_t{1} << 32;

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Le64(const unsigned char* p) {
    return static_cast<std::uint64_t>(Le32(p)) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

enum class Signature { None, Hash, Url, Redirect, Leak };

Signature SignatureAt(std::string_view bytes) {
    if (bytes.size() < fmt::kRecordSignatureLength) return Signature::None;
    const std::string_view s = bytes.substr(0, fmt::kRecordSignatureLength);
    if (s == fmt::kUrlSignature) return Signature::Url;
    if (s == fmt::kRedirectSignature) return Signature::Redirect;
    if (s == fmt::kLeakSignature) return Signature::Leak;
    if (s == fmt::kHashSignature) return Signature::Hash;
    return Signature::None;
}

// One bit per block of the addressable part of the file.
class BlockBits {
  public:
    explicit BlockBits(std::uint64_t blocks) : words_((blocks + 63) / 64, 0) {}
    bool test(std::uint64_t block) const {
        return block / 64 < words_.size() && (words_[block / 64] >> (block % 64) & 1) != 0;
    }
    void set(std::uint64_t block) {
        if (block / 64 < words_.size()) words_[block / 64] |= std::uint64_t{1} << (block % 64);
    }

  private:
    std::vector<std::uint64_t> words_;
};

// The file read forward: a view of any stretch, refilled from the source
// when the stretch is not held.
class Window {
  public:
    Window(ByteSource& source, std::uint64_t end) : source_(source), end_(end) {}

    // The bytes [offset, offset + length), fewer at the end of the file (or
    // when it has shrunk); empty with error() set when the read failed.
    std::string_view view(std::uint64_t offset, std::uint64_t length) {
        if (offset >= end_) return {};
        length = std::min(length, end_ - offset);
        if (offset < base_ || offset + length > base_ + held_) {
            const std::uint64_t want =
                std::min(std::max<std::uint64_t>(length, kWindowBytes), end_ - offset);
            if (buf_.size() < want) buf_.resize(static_cast<std::size_t>(want));
            const Result<std::size_t> got =
                source_.readAt(offset, {buf_.data(), static_cast<std::size_t>(want)});
            if (!got) {
                error_ = got.error();
                base_ = held_ = 0;
                return {};
            }
            base_ = offset;
            held_ = *got;
        }
        const std::uint64_t from = offset - base_;
        return {reinterpret_cast<const char*>(buf_.data() + from),
                static_cast<std::size_t>(std::min(length, held_ - from))};
    }
    // Why the last read failed; number 0 when none did.
    const SystemError& error() const { return error_; }

  private:
    ByteSource& source_;
    std::uint64_t end_;
    std::vector<unsigned char> buf_;
    std::uint64_t base_ = 0;
    std::uint64_t held_ = 0;
    SystemError error_;
};

class Reader;

// Hands the raw scan's rows that lie in no record to the reader.
class FragmentSink final : public RowSink {
  public:
    explicit FragmentSink(Reader& reader) : reader_(reader) {}
    void row(std::uint64_t position, std::string_view bytes) override;

  private:
    Reader& reader_;
};

class Reader {
  public:
    Reader(ByteSource& source, RecordSink& sink, const RecordsOptions& options)
        : source_(source),
          sink_(sink),
          options_(options),
          end_(source.size()),
          window_(source, end_),
          blocks_(end_ > fmt::kDataStart
                      ? (std::min(end_, kAddressable) - fmt::kDataStart + fmt::kBlockSize - 1) /
                            fmt::kBlockSize
                      : 0),
          live_(blocks_),
          listed_(blocks_),
          tables_(blocks_),
          fragments_(*this) {}

    RecordsOutcome run() {
        if (!readHeader() || !readHashTables() || !readLeakList()) return outcome_;
        std::unique_ptr<ProgressiveScan> scan;
        if (options_.fragments) {
            scan = std::make_unique<ProgressiveScan>(
                source_, fragments_,
                static_cast<std::size_t>(std::min<std::uint64_t>(end_, kDefaultBlockSize)));
        }
        for (std::uint64_t at = fmt::kDataStart; at < end_ && !outcome_.stopped;) {
            const std::string_view head = window_.view(at, 8);
            if (head.empty()) {
                if (window_.error().number != 0) return fail(window_.error());
                break;
            }
            const Signature signature = SignatureAt(head);
            if (signature == Signature::None) {
                at += fmt::kBlockSize;
                continue;
            }
            if (scan && !scan->advanceTo(at)) return fail(ScanFailure(*scan));
            if (outcome_.stopped) break;  // a fragment before this record was the last
            const std::uint64_t length = readRecord(at, signature, head);
            if (window_.error().number != 0) return fail(window_.error());
            if (outcome_.failure != RecordsOutcome::Failure::None) return outcome_;
            // At least a block on, even when the file shrank under the read.
            at += std::max<std::uint64_t>(fmt::kBlockSize, (length + fmt::kBlockSize - 1) /
                                                               fmt::kBlockSize * fmt::kBlockSize);
        }
        if (scan && !outcome_.stopped &&
            !scan->advanceTo(std::numeric_limits<std::uint64_t>::max())) {
            return fail(ScanFailure(*scan));
        }
        return outcome_;
    }

    void fragment(std::uint64_t position, std::string_view bytes) {
        if (outcome_.stopped || (position >= spanStart_ && position < spanEnd_)) return;
        Record r;
        r.file = options_.file;
        r.offset = position;
        r.type = RecordType::None;
        r.status = RecordStatus::Fragment;
        r.allocated =
            position < fmt::kDataStart ? Allocation::Yes : allocation(position, fmt::kBlockSize);
        r.location = UpToNul(bytes);
        const LocationParts parts = SplitLocation(*r.location, {});
        r.user = parts.user;
        r.url = parts.url;
        r.kind = parts.kind;
        ++outcome_.fragments;
        if (!sink_.record(r)) outcome_.stopped = true;
    }

  private:
    RecordsOutcome fail(SystemError error) {
        outcome_.failure = RecordsOutcome::Failure::Unreadable;
        outcome_.error = std::move(error);
        return outcome_;
    }

    static SystemError ScanFailure(const ProgressiveScan& scan) {
        return {scan.outcome().error.number, scan.outcome().error.description};
    }

    // Reads exactly `into.size()` bytes at `offset`, or fewer at the end of
    // the file; false after a read error (the outcome says why).
    bool readAt(std::uint64_t offset, std::span<unsigned char> into, std::size_t& got) {
        got = 0;
        if (offset >= end_) return true;
        into = into.first(
            static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), end_ - offset)));
        const Result<std::size_t> n = source_.readAt(offset, into);
        if (!n) {
            fail(n.error());
            return false;
        }
        got = *n;
        return true;
    }

    bool isBlockStart(std::uint64_t offset) const {
        return offset >= fmt::kDataStart && offset < end_ && offset < kAddressable &&
               (offset - fmt::kDataStart) % fmt::kBlockSize == 0;
    }
    static std::uint64_t blockOf(std::uint64_t offset) {
        return (offset - fmt::kDataStart) / fmt::kBlockSize;
    }

    bool readHeader() {
        header_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(end_, fmt::kDataStart)));
        std::size_t got = 0;
        if (!readAt(0, header_, got)) return false;
        header_.resize(got);
        const std::string_view head(reinterpret_cast<const char*>(header_.data()), header_.size());
        auto isSignature = [&](std::string_view signature) {
            return head.size() >= fmt::kSignatureField &&
                   head.substr(0, signature.size()) == signature && head[signature.size()] == '\0';
        };
        if (isSignature(fmt::kSignature52)) {
            layout_ = &fmt::kUrlLayout52;
        } else if (isSignature(fmt::kSignature47)) {
            layout_ = &fmt::kUrlLayout47;
        } else {
            outcome_.failure = RecordsOutcome::Failure::NotCacheFile;
            outcome_.signature = std::string(UpToNul(head.substr(0, fmt::kSignatureField)));
            return false;
        }
        const std::uint32_t count =
            std::min<std::uint32_t>(header32(fmt::kHeaderCacheFolderCount), fmt::kMaxCacheFolders);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = fmt::kHeaderCacheFolders + i * fmt::kCacheFolderEntrySize +
                                   fmt::kCacheFolderNameOffset;
            if (at + fmt::kCacheFolderNameLength > head.size()) break;
            folders_.push_back(UpToNul(head.substr(at, fmt::kCacheFolderNameLength)));
        }
        return true;
    }

    std::uint32_t header32(std::size_t at) const {
        return at + 4 <= header_.size() ? Le32(header_.data() + at) : 0;
    }

    // Marks the record every entry in use leads to as live, following the
    // chain of tables until it ends, loops, or leads to something that is no
    // table. Tables together are read at most to the size of the file.
    bool readHashTables() {
        std::uint64_t budget = end_;
        std::vector<unsigned char> buf(
            static_cast<std::size_t>(std::min<std::uint64_t>(end_, kHashReadBytes)));
        for (std::uint64_t table = header32(fmt::kHeaderHashTable);
             table != 0 && isBlockStart(table) && !tables_.test(blockOf(table));) {
            std::array<unsigned char, fmt::kHashHeaderSize> head{};
            std::size_t got = 0;
            if (!readAt(table, head, got)) return false;
            if (got < head.size() ||
                SignatureAt({reinterpret_cast<const char*>(head.data()), got}) != Signature::Hash) {
                break;
            }
            const std::uint64_t length = std::min<std::uint64_t>(
                std::uint64_t{Le32(head.data() + fmt::kRecordBlocks)} * fmt::kBlockSize,
                end_ - table);
            if (length <= fmt::kHashHeaderSize || length > budget) break;
            budget -= length;
            tables_.set(blockOf(table));
            for (std::uint64_t at = table + fmt::kHashHeaderSize;
                 at + fmt::kHashEntrySize <= table + length;) {
                const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
                    buf.size(), (table + length - at) / fmt::kHashEntrySize * fmt::kHashEntrySize));
                if (!readAt(at, {buf.data(), want}, got)) return false;
                for (std::size_t e = 0; e + fmt::kHashEntrySize <= got; e += fmt::kHashEntrySize) {
                    markEntry(Le32(buf.data() + e), Le32(buf.data() + e + 4));
                }
                if (got < want) break;
                at += got;
            }
            table = Le32(head.data() + fmt::kHashNext);
        }
        return true;
    }

    void markEntry(std::uint32_t hash, std::uint32_t offset) {
        if (hash == fmt::kHashUnused || hash == fmt::kHashUnusedLater || hash == offset) return;
        if ((hash & fmt::kHashDeletedBit) != 0 &&
            (hash & fmt::kHashRedirectMask) != fmt::kHashRedirectState) {
            return;
        }
        if (isBlockStart(offset)) live_.set(blockOf(offset));
    }

    // Marks every record of the header's chain of leaked records as listed.
    bool readLeakList() {
        for (std::uint64_t at = header32(fmt::kHeaderLeakList);
             at != 0 && isBlockStart(at) && !listed_.test(blockOf(at));) {
            std::array<unsigned char, fmt::kLeakNext + 4> head{};
            std::size_t got = 0;
            if (!readAt(at, head, got)) return false;
            if (got < head.size() ||
                SignatureAt({reinterpret_cast<const char*>(head.data()), got}) != Signature::Leak) {
                break;
            }
            listed_.set(blockOf(at));
            at = Le32(head.data() + fmt::kLeakNext);
        }
        return true;
    }

    void note(std::string_view text) {
        if (!damage_.empty()) damage_ += "; ";
        damage_ += text;
    }

    // What the bitmap says of the `length` bytes of blocks from `offset` on.
    Allocation allocation(std::uint64_t offset, std::uint64_t length) const {
        const std::uint64_t first = blockOf(offset);
        const std::uint64_t count =
            std::max<std::uint64_t>(1, (length + fmt::kBlockSize - 1) / fmt::kBlockSize);
        std::uint64_t set = 0;
        for (std::uint64_t b = first; b < first + count; ++b) {
            const std::uint64_t byte = fmt::kBitmapOffset + b / 8;
            if (byte < header_.size() && byte < fmt::kDataStart &&
                (header_[byte] >> (b % 8) & 1) != 0)
                ++set;
        }
        return set == count ? Allocation::Yes : set == 0 ? Allocation::No : Allocation::Partly;
    }

    bool isMarked(std::uint64_t offset) const {
        if (offset >= kAddressable) return false;
        const std::uint64_t b = blockOf(offset);
        return live_.test(b) || listed_.test(b) || tables_.test(b);
    }

    // The bytes of the record or table at `at` that has `blocks` blocks, cut
    // where it runs out of the file, past kMaxRecordBytes or into the next
    // record: the next live, listed or table start, or for a record that is
    // itself none of those (`trusted` false), any block that begins with a
    // signature. Damage goes to the notes.
    std::string_view span(std::uint64_t at, std::uint32_t blocks, bool knownBlocks, bool trusted) {
        std::uint64_t length = std::uint64_t{blocks} * fmt::kBlockSize;
        if (!knownBlocks) {
            note("its block count lies past the end of the file");
            length = end_ - at;
        } else if (blocks == 0) {
            note("its block count is 0; read as 1 block");
            length = fmt::kBlockSize;
        }
        if (length > kMaxRecordBytes) {
            note("its " + std::to_string(blocks) +
                 " blocks exceed the 1 MiB a record can hold; read the first 1 MiB");
            length = kMaxRecordBytes;
        }
        if (knownBlocks && length > end_ - at) {
            note("its " + std::to_string(blocks) +
                 " blocks run past the end of the file; read the " + std::to_string(end_ - at) +
                 " bytes there are");
            length = end_ - at;
        }
        std::string_view bytes = window_.view(at, length);
        for (std::uint64_t b = fmt::kBlockSize; b < bytes.size(); b += fmt::kBlockSize) {
            if ((trusted && !isMarked(at + b)) ||
                SignatureAt(bytes.substr(static_cast<std::size_t>(b))) == Signature::None) {
                continue;
            }
            note("its " + std::to_string(blocks) + " blocks run into the record at offset " +
                 std::to_string(at + b) + "; read up to there");
            bytes = bytes.substr(0, static_cast<std::size_t>(b));
            break;
        }
        return bytes;
    }

    // A NUL-terminated string at `offset` of the record `rec`.
    std::optional<std::string_view> string(std::string_view rec, std::uint32_t offset,
                                           std::string_view what) {
        if (offset >= rec.size()) {
            note(std::string(what) + " offset " + std::to_string(offset) +
                 " lies outside the record's " + std::to_string(rec.size()) + " bytes");
            return std::nullopt;
        }
        const std::string_view rest = rec.substr(offset);
        const auto nul = rest.find('\0');
        if (nul == std::string_view::npos) {
            note(std::string(what) + " runs past the end of the record");
            return rest;
        }
        return rest.substr(0, nul);
    }

    // Reads the record at `at` and hands it to the sink; returns the bytes it
    // takes.
    std::uint64_t readRecord(std::uint64_t at, Signature signature, std::string_view head) {
        damage_.clear();
        const bool knownBlocks = head.size() >= 8;
        const std::uint32_t blocks = knownBlocks ? Le32(Bytes(head) + fmt::kRecordBlocks) : 0;
        if (signature == Signature::Hash) {
            // A table is skipped whole: nothing in it is a record.
            return span(at, blocks, knownBlocks, isMarked(at)).size();
        }
        Record r;
        r.file = options_.file;
        r.offset = at;
        r.blocks = blocks;
        const std::uint64_t b = blockOf(at);
        r.status = live_.test(b)     ? RecordStatus::Live
                   : listed_.test(b) ? RecordStatus::Listed
                                     : RecordStatus::Recovered;
        const std::string_view rec =
            span(at, blocks, knownBlocks, r.status != RecordStatus::Recovered);
        if (window_.error().number != 0) return 0;
        r.allocated = allocation(at, rec.size());
        if (signature == Signature::Redirect) {
            r.type = RecordType::Redirect;
            readRedirect(rec, r);
        } else {
            r.type = signature == Signature::Leak ? RecordType::Leak : RecordType::Url;
            readUrl(rec, r);
        }
        if (outcome_.failure != RecordsOutcome::Failure::None) return 0;
        r.damage = damage_;
        ++outcome_.records;
        spanStart_ = at;
        spanEnd_ = at + rec.size();
        if (!sink_.record(r)) outcome_.stopped = true;
        return rec.size();
    }

    void splitLocation(Record& r) {
        if (!r.location) {
            r.kind = RecordKind::Cache;
            return;
        }
        const LocationParts parts =
            SplitLocation(*r.location, r.headers.value_or(std::string_view{}));
        r.user = parts.user;
        r.url = parts.url;
        r.kind = parts.kind;
    }

    void readUrl(std::string_view rec, Record& r) {
        const bool leak = r.type == RecordType::Leak;
        const fmt::UrlLayout& l = leak ? fmt::kLeakLayout : *layout_;
        const unsigned char* p = Bytes(rec);
        auto has = [&](std::size_t at, std::size_t size) { return at + size <= rec.size(); };
        auto u32 = [&](std::size_t at) -> std::optional<std::uint32_t> {
            if (!has(at, 4)) return std::nullopt;
            const std::uint32_t v = Le32(p + at);
            if (leak && v == fmt::kLeakUnset) return std::nullopt;
            return v;
        };
        auto fileTime = [&](std::size_t at) {
            StoredTime t;
            if (has(at, 8) && !(leak && (Le32(p + at) == fmt::kLeakUnset ||
                                         Le32(p + at + 4) == fmt::kLeakUnset))) {
                t.form = TimeForm::FileTime;
                t.raw = Le64(p + at);
            }
            return t;
        };
        auto fatTime = [&](std::size_t at, std::string_view what) {
            StoredTime t;
            if (const auto v = u32(at)) {
                t.form = TimeForm::FatTime;
                t.raw = *v;
                if (IsBadFatTime(t)) {
                    char hex[12];
                    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(*v));
                    note(std::string(what) + " " + hex + " is no valid FAT date and time");
                }
            }
            return t;
        };
        if (rec.size() < l.fixedSize) {
            note("it ends after " + std::to_string(rec.size()) + " bytes, inside its fixed fields");
        }
        r.secondaryTime = fileTime(l.secondaryTime);
        r.primaryTime = fileTime(l.primaryTime);
        r.expiryTime =
            l.expiryIsFileTime ? fileTime(l.expiryTime) : fatTime(l.expiryTime, "the expiry time");
        r.lastCheckedTime = fatTime(l.lastCheckedTime, "the last checked time");
        r.hits = u32(l.hits);
        if (const auto low = u32(l.cachedSize)) {
            std::uint64_t size = *low;
            if (l.cachedSizeIs64) {
                if (const auto high = u32(l.cachedSize + 4)) size |= std::uint64_t{*high} << 32;
            }
            r.cachedSize = size;
        }
        if (has(l.cacheFolder, 1) &&
            !(leak && has(l.cacheFolder, 4) && Le32(p + l.cacheFolder) == fmt::kLeakUnset)) {
            const std::uint8_t folder = p[l.cacheFolder];
            if (folder < folders_.size()) {
                r.cacheFolder = folders_[folder];
            } else if (folder != fmt::kNoCacheFolder && folder != 0xFF) {
                note("its cache folder index " + std::to_string(folder) +
                     " is not in the file's table of " + std::to_string(folders_.size()));
            }
        }
        if (const auto offset = u32(l.locationOffset); offset && *offset != 0) {
            r.location = string(rec, *offset, "the location");
        }
        if (const auto offset = u32(l.fileNameOffset); offset && *offset != 0) {
            r.cacheFile = string(rec, *offset, "the file name");
        }
        const auto dataOffset = u32(l.dataOffset);
        const auto dataSize = u32(l.dataSize);
        if (dataOffset && dataSize && *dataOffset != 0 && *dataSize != 0) {
            if (*dataOffset >= rec.size()) {
                note("the data offset " + std::to_string(*dataOffset) +
                     " lies outside the record's " + std::to_string(rec.size()) + " bytes");
            } else {
                std::string_view data = rec.substr(*dataOffset);
                if (*dataSize > data.size()) {
                    note("the data runs past the end of the record");
                } else {
                    data = data.substr(0, *dataSize);
                }
                data = UpToNul(data);
                const bool text =
                    !data.empty() && std::all_of(data.begin(), data.end(), [](char c) {
                        const auto u = static_cast<unsigned char>(c);
                        return u >= 0x20 || u == '\t' || u == '\r' || u == '\n';
                    });
                if (text) r.headers = data;
            }
        }
        splitLocation(r);
        if (r.kind == RecordKind::DailyHistory || r.kind == RecordKind::WeeklyHistory) {
            r.secondaryTime.local = true;
        }
    }

    void readRedirect(std::string_view rec, Record& r) {
        if (rec.size() > fmt::kRedirectLocation) {
            r.location = string(rec, fmt::kRedirectLocation, "the location");
        } else {
            note("it ends before its location");
        }
        splitLocation(r);
        if (rec.size() >= fmt::kRedirectHash + 4) {
            r.redirectTo = followRedirect(Le32(Bytes(rec) + fmt::kRedirectHashEntry),
                                          Le32(Bytes(rec) + fmt::kRedirectHash));
        }
    }

    // The location of the record the hash entry at `entry` leads to, when
    // that entry still holds `hash`.
    std::optional<std::string_view> followRedirect(std::uint32_t entry, std::uint32_t hash) {
        if (entry < fmt::kDataStart || (hash & ~fmt::kHashStateBits) == 0) return std::nullopt;
        std::array<unsigned char, fmt::kHashEntrySize> e{};
        std::size_t got = 0;
        if (!readAt(entry, e, got) || got < e.size()) return std::nullopt;
        if (((Le32(e.data()) ^ hash) & ~fmt::kHashStateBits) != 0) return std::nullopt;
        const std::uint32_t target = Le32(e.data() + 4);
        if (!isBlockStart(target)) return std::nullopt;
        target_.resize(fmt::kBlockSize);
        if (!readAt(target, target_, got) || got < 8) return std::nullopt;
        const Signature signature =
            SignatureAt({reinterpret_cast<const char*>(target_.data()), got});
        const std::uint64_t length = std::min<std::uint64_t>(
            {std::uint64_t{Le32(target_.data() + fmt::kRecordBlocks)} * fmt::kBlockSize,
             kMaxRecordBytes, end_ - target});
        std::size_t locationAt = 0;
        if (signature == Signature::Redirect) {
            locationAt = fmt::kRedirectLocation;
        } else if (signature == Signature::Url || signature == Signature::Leak) {
            const fmt::UrlLayout& l = signature == Signature::Leak ? fmt::kLeakLayout : *layout_;
            if (got < l.locationOffset + 4) return std::nullopt;
            locationAt = Le32(target_.data() + l.locationOffset);
        } else {
            return std::nullopt;
        }
        if (locationAt == 0 || locationAt >= length) return std::nullopt;
        // Read as far as the location's NUL, doubling from a few hundred bytes:
        // the redirects of a file together read at most a few times its size.
        for (std::uint64_t want = std::min<std::uint64_t>(length, locationAt + 256);;
             want = std::min(length, want * 2)) {
            if (want > redirectBudget_) return std::nullopt;
            redirectBudget_ -= want;
            target_.resize(static_cast<std::size_t>(want));
            if (!readAt(target, target_, got) || locationAt >= got) return std::nullopt;
            const std::string_view rest(reinterpret_cast<const char*>(target_.data()) + locationAt,
                                        got - locationAt);
            if (rest.find('\0') != std::string_view::npos || want == length || got < want) {
                return UpToNul(rest);
            }
        }
    }

    ByteSource& source_;
    RecordSink& sink_;
    const RecordsOptions& options_;
    std::uint64_t end_;
    Window window_;
    std::uint64_t blocks_;
    BlockBits live_, listed_, tables_;
    FragmentSink fragments_;
    RecordsOutcome outcome_;
    const fmt::UrlLayout* layout_ = nullptr;
    std::vector<unsigned char> header_;
    std::vector<std::string_view> folders_;
    std::string damage_;
    std::vector<unsigned char> target_;
    std::uint64_t redirectBudget_ = 4 * end_ + kMaxRecordBytes;
    // The blocks of the last record delivered: raw entries there are part of it.
    std::uint64_t spanStart_ = 0, spanEnd_ = 0;
};

void FragmentSink::row(std::uint64_t position, std::string_view bytes) {
    reader_.fragment(position, bytes);
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\' && c != '"') {
            out += c;
        } else if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
}

}  // namespace

std::string RecordsOutcome::failureText() const {
    switch (failure) {
        case Failure::None:
            break;
        case Failure::Unreadable:
            return error.description;
        case Failure::NotCacheFile: {
            std::string text = "not an MSIE cache file (signature \"";
            AppendEscaped(text, signature);
            return text + "\")";
        }
    }
    return {};
}

RecordsOutcome ReadRecords(ByteSource& source, RecordSink& sink, const RecordsOptions& options) {
    return Reader(source, sink, options).run();
}

RecordsOutcome ReadRecordsFile(const std::string& path, RecordSink& sink, RecordsOptions options) {
    if (options.file.empty()) options.file = path;
    const auto source = OpenFileSource(path);
    if (!source) {
        RecordsOutcome outcome;
        outcome.failure = RecordsOutcome::Failure::Unreadable;
        outcome.error = source.error();
        return outcome;
    }
    return ReadRecords(**source, sink, options);
}

}  // namespace tessaly
