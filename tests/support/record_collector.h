#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/records/records_reader.h"

namespace tessaly::test {

// A Record with its texts copied, to look at after the read.
struct CollectedRecord {
    std::string file;
    std::uint64_t offset = 0;
    RecordType type = RecordType::Url;
    RecordStatus status = RecordStatus::Live;
    Allocation allocated = Allocation::Yes;
    std::uint32_t blocks = 0;
    std::optional<std::string> location;
    std::string user;
    std::optional<std::string> url;
    RecordKind kind = RecordKind::Cache;
    StoredTime primaryTime, secondaryTime, expiryTime, lastCheckedTime;
    std::optional<std::uint32_t> hits;
    std::optional<std::string> cacheFolder, cacheFile;
    std::optional<std::uint64_t> cachedSize;
    std::optional<std::string> headers, redirectTo;
    std::string damage;
    bool operator==(const CollectedRecord&) const = default;
};

// Keeps every record; stops after `limit` of them.
class CollectingSink final : public RecordSink {
  public:
    explicit CollectingSink(std::size_t limit = SIZE_MAX) : limit_(limit) {}
    bool record(const Record& r) override;
    std::vector<CollectedRecord> records;

  private:
    std::size_t limit_;
};

// Reads `bytes` as an index file named `file` and keeps what it gives.
struct CollectedRead {
    RecordsOutcome outcome;
    std::vector<CollectedRecord> records;
};
CollectedRead ReadAll(std::string_view bytes, bool fragments = false,
                      std::string_view file = "index.dat");

}  // namespace tessaly::test
