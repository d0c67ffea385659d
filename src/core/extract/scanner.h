#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/extract/contents_rows.h"
#include "platform/byte_source.h"

namespace tessaly {

// Receives the rows of a scan, in ascending file position.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // `bytes` are the kEntryLength bytes of the file from `position` on (fewer
    // at the end of the file); they are valid only during the call.
    virtual void row(std::uint64_t position, std::string_view bytes) = 0;
};

// A failure that ended a scan: the system's error number and description and
// the component that raised it.
struct ScanError {
    int number = 0;
    std::string description;
    std::string source;
    // "Error: 2 No such file or directory Tessaly"
    std::string ReportText() const;
    // The error of system error number `number` (ENOMEM when memory runs
    // out), with the system's description and this program as its source.
    static ScanError FromNumber(int number);
    static ScanError From(const SystemError& error);
};

struct ScanOutcome {
    bool ok = true;        // false when `error` ended the scan
    bool stopped = false;  // the stop flag ended the scan
    std::uint64_t rows = 0;
    ScanError error;
};

// Fresh bytes read from the file per step.
inline constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;

// The prefixes that begin an entry, in the order they are tested at every
// position. They are compared with the file's bytes ASCII-lower-cased.
inline constexpr std::array<std::string_view, 17> kContentPrefixes{
    "http://",  "https://",     "mailto:",  "news://",   "ftp://", "cookie",
    "userdata", "view-source:", "visited:", "feed://",   "mms://", "aim://",
    "\\\\",     "ldap://",      "ed2k://",  "@file:///", "@:host"};

// Scans an in-memory buffer as a whole file.
void ScanBytes(std::string_view data, RowSink& sink);

// Scans the file at `path`, reading `blockSize` fresh bytes per step (any
// value from 1 on). `stop` is checked once per block. Rows found before an
// error or a stop stay delivered. Only regular files are scanned: a folder
// fails with EISDIR, anything else (a FIFO, a device) with EINVAL and the
// description "Not a regular file", without waiting on it. The file is opened
// with OpenForReading: a path of any length, its access time left as it was
// where the system allows.
ScanOutcome ScanFile(const std::string& path, RowSink& sink,
                     const std::atomic<bool>* stop = nullptr,
                     std::size_t blockSize = kDefaultBlockSize);

// A scan of a byte source that goes forward a stretch at a time, so that
// another reader of the same file can take turns with it. Together the
// stretches deliver exactly the rows of the whole scan, in order: a row may
// run past the end of its stretch, and the end-of-file rules are those of
// ScanFile.
class ProgressiveScan {
  public:
    // Reads `blockSize` fresh bytes per step.
    explicit ProgressiveScan(ByteSource& source, RowSink& sink,
                             std::size_t blockSize = kDefaultBlockSize);
    ~ProgressiveScan();
    ProgressiveScan(const ProgressiveScan&) = delete;
    ProgressiveScan& operator=(const ProgressiveScan&) = delete;

    // Tests every position below `position` not tested yet. `stop` is checked
    // before every read; once it is set the scan ends (outcome().stopped).
    // Returns false once a read has failed (outcome().error says why); the
    // rows delivered before stay delivered.
    bool advanceTo(std::uint64_t position, const std::atomic<bool>* stop = nullptr);
    const ScanOutcome& outcome() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A sink that appends every row to a ContentsRows.
class ContentsRowsSink final : public RowSink {
  public:
    explicit ContentsRowsSink(ContentsRows& rows) : rows_(rows) {}
    void row(std::uint64_t position, std::string_view bytes) override;

  private:
    ContentsRows& rows_;
};

}  // namespace tessaly
