#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/records/record.h"
#include "core/records/records_reader.h"

namespace tessaly {

// The records of one file, kept after the read: the fixed fields in one
// compact entry per record and every text in one arena, so that a million
// records cost their texts and little more. The user and the URL, which
// mostly lie inside the location, are kept as a range of it.
class RecordTable {
  public:
    RecordTable() = default;
    explicit RecordTable(std::string file) : file_(std::move(file)) {}

    // Copies `record` in; its texts may go once this returns. Throws
    // std::bad_alloc when memory runs short (the table stays as it was).
    void append(const Record& record);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::string& file() const { return file_; }

    // Record `i` as read; its texts point into this table.
    Record at(std::size_t i) const;

    // The fields the window sorts, filters and draws by, without making a
    // whole Record.
    RecordType type(std::size_t i) const { return entry(i).type; }
    RecordStatus status(std::size_t i) const { return entry(i).status; }
    RecordKind kind(std::size_t i) const { return entry(i).kind; }
    std::uint64_t offset(std::size_t i) const { return entry(i).offset; }
    // Which time: 0 primary, 1 secondary, 2 expiry, 3 last checked.
    StoredTime time(std::size_t i, std::size_t which) const;
    std::string_view location(std::size_t i) const { return text(entry(i), Location); }
    std::string_view user(std::size_t i) const { return text(entry(i), User); }
    std::string_view url(std::size_t i) const { return text(entry(i), Url); }
    std::string_view cacheFile(std::size_t i) const { return text(entry(i), CacheFile); }

    // The kind most of the records have (ties go to the earlier kind); Cache
    // for an empty table. It names the time columns.
    RecordKind mainKind() const;

    // Bytes held, for the benchmark's memory figure.
    std::size_t heldBytes() const;

  private:
    // The texts in the arena, in this order, each a length or kAbsent.
    enum Text : std::size_t {
        Location,
        User,
        Url,
        CacheFolder,
        CacheFile,
        Headers,
        RedirectTo,
        Damage,
        kTexts
    };
    static constexpr std::uint32_t kAbsent = 0xffffffffu;
    // A text that lies inside the location: its start there, with this bit.
    static constexpr std::uint32_t kInLocation = 0x80000000u;

    struct Entry {
        std::uint64_t offset = 0;
        std::uint64_t cachedSize = 0;
        std::array<std::uint64_t, 4> times{};  // primary, secondary, expiry, last checked
        std::array<std::uint32_t, kTexts> lengths{};
        // User and URL: kInLocation | start when inside the location.
        std::array<std::uint32_t, 2> inLocation{};
        std::uint32_t chunk = 0;  // where the texts begin in the arena
        std::uint32_t start = 0;
        std::uint32_t blocks = 0;
        std::uint32_t hits = 0;
        std::array<TimeForm, 4> forms{};
        RecordType type = RecordType::Url;
        RecordStatus status = RecordStatus::Live;
        Allocation allocated = Allocation::Yes;
        RecordKind kind = RecordKind::Cache;
        std::uint8_t flags = 0;  // kHasHits, kHasCachedSize, kLocal << time
    };
    static constexpr std::uint8_t kHasHits = 1;
    static constexpr std::uint8_t kHasCachedSize = 2;
    static constexpr std::uint8_t kLocalTime = 4;  // shifted left by the time's index

    // Entries and texts grow in chunks, never by copying all there is, so
    // that a big read needs no twice its size on the way.
    static constexpr std::size_t kEntriesPerChunk = 1u << 16;
    static constexpr std::size_t kArenaChunk = 1u << 22;

    const Entry& entry(std::size_t i) const {
        return entries_[i / kEntriesPerChunk][i % kEntriesPerChunk];
    }
    std::string_view text(const Entry& e, Text which) const;

    std::string file_;
    std::vector<std::vector<Entry>> entries_;
    std::size_t size_ = 0;
    std::vector<std::string> arena_;
    std::array<std::size_t, 6> kindCounts_{};  // by RecordKind
};

// Collects every record a read delivers into a table.
class RecordTableSink final : public RecordSink {
  public:
    explicit RecordTableSink(RecordTable& table) : table_(table) {}
    bool record(const Record& record) override {
        table_.append(record);
        return true;
    }

  private:
    RecordTable& table_;
};

}  // namespace tessaly
