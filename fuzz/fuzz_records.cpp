// The records reader over any index file: it never reads outside what it
// holds (the sanitizers watch), never hangs, hands records over in file
// order, reads a file exactly as the same bytes in memory, gives fragments
// only where the raw scan finds an entry, and stops when its sink says so.
//
// Input: a flags byte (bit 0: fragments; the next bits: after how many
// records the sink stops), then the header, whose first 1 KiB is placed at
// offset 0 (the rest of the header is zeros, the allocation bitmap's first
// 3,456 blocks included), then the blocks from 0x4000 on.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "core/extract/scanner.h"
#include "core/records/index_dat_format.h"
#include "core/records/records_reader.h"
#include "memory_file.h"
#include "support/record_collector.h"

namespace {

constexpr std::size_t kHeaderPart = 1024;

// The positions of the raw scan's rows (the scanner's own fuzz target holds
// it to the slow reference).
class Positions final : public tessaly::RowSink {
  public:
    void row(std::uint64_t position, std::string_view) override { all.insert(position); }
    std::set<std::uint64_t> all;
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_records: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool fragments = (data[0] & 1) != 0;
    const std::size_t stopAfter = data[0] >> 1;  // 0: never
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string file(input.substr(0, kHeaderPart));
    if (input.size() > kHeaderPart) {
        file.resize(tessaly::indexdat::kDataStart, '\0');
        file.append(input.substr(kHeaderPart));
    }

    const auto read = tessaly::test::ReadAll(file, fragments);
    if (read.outcome.failure == tessaly::RecordsOutcome::Failure::Unreadable) {
        Fail("a buffer could not be read");
    }
    if (!read.outcome.ok() && !read.records.empty()) Fail("records from a file that is none");
    if (read.outcome.records + read.outcome.fragments != read.records.size()) {
        Fail("the counts differ from the records delivered");
    }
    std::uint64_t lastRecord = 0, lastAny = 0;
    Positions raw;
    if (fragments) tessaly::ScanBytes(file, raw);
    for (const auto& r : read.records) {
        if (r.offset >= file.size()) Fail("a record past the end of the file");
        if (r.offset < lastAny) Fail("records out of file order");
        lastAny = r.offset;
        if (r.status == tessaly::RecordStatus::Fragment) {
            if (!raw.all.count(r.offset)) Fail("a fragment where the raw scan finds none");
            continue;
        }
        if (r.offset < tessaly::indexdat::kDataStart) Fail("a record inside the header");
        if (lastRecord != 0 && r.offset <= lastRecord) Fail("two records at one offset");
        lastRecord = r.offset;
    }

    // The same bytes as a file give the same records.
    tessaly::test::CollectingSink fromFile;
    const auto outcome = tessaly::ReadRecordsFile(tessaly::fuzz::MemoryFileWith(file), fromFile,
                                                  {"index.dat", fragments});
    if (outcome.failure != read.outcome.failure) Fail("file and buffer fail differently");
    if (fromFile.records != read.records) Fail("file and buffer give different records");

    if (stopAfter != 0) {
        tessaly::BufferSource source(file);
        tessaly::test::CollectingSink stopping(stopAfter);
        const auto stopped = tessaly::ReadRecords(source, stopping, {"index.dat", fragments});
        if (stopping.records.size() != std::min(stopAfter, read.records.size())) {
            Fail("the sink did not stop the read");
        }
        if (stopped.stopped != (read.records.size() >= stopAfter)) Fail("stopped says otherwise");
    }
    return 0;
}
