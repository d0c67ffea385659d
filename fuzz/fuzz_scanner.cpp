// The scanner over any bytes: reading the file in blocks of any size gives
// exactly the rows of the in-memory scan and of the slow reference scan.
//
// Input: two bytes choose the block size, the rest is the file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/extract/scanner.h"
#include "memory_file.h"
#include "support/reference_scan.h"

namespace {

using tessaly::test::ReferenceRow;

class RecordingSink : public tessaly::RowSink {
  public:
    void row(std::uint64_t position, std::string_view bytes) override {
        rows.push_back({position, std::string(bytes)});
    }
    std::vector<ReferenceRow> rows;
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_scanner: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // Mostly small blocks, where the block edges fall often; now and then a large one.
    const unsigned pick = data[0] | (unsigned{data[1]} << 8);
    const std::size_t blockSize = (pick & 0x8000) != 0 ? 1 + (pick & 0x7FFF) * 64 : 1 + pick % 300;
    const std::string_view file(reinterpret_cast<const char*>(data + 2), size - 2);

    RecordingSink fromFile;
    const tessaly::ScanOutcome outcome =
        tessaly::ScanFile(tessaly::fuzz::MemoryFileWith(file), fromFile, nullptr, blockSize);
    if (!outcome.ok) Fail("ScanFile failed on a readable file");
    if (outcome.rows != fromFile.rows.size()) Fail("row count differs from the rows delivered");

    RecordingSink fromBytes;
    tessaly::ScanBytes(file, fromBytes);
    if (fromFile.rows != fromBytes.rows) Fail("ScanFile and ScanBytes differ");
    if (fromBytes.rows != tessaly::test::ReferenceScan(file))
        Fail("ScanBytes and reference differ");
    return 0;
}
