#include "core/extract/scanner.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "core/app/ascii_case.h"
#include "core/app/identity.h"
#include "core/extract/prefilter.h"
#include "core/io/open_file.h"

namespace tessaly {
namespace {

using detail::CandidateChunk;
using detail::NextChunkFn;

// The bytes kept from one block to the next so that every position of the
// block can still be given its whole row.
constexpr std::size_t kOverlap = kEntryLength - 1;
// Blocks larger than this gain nothing and only cost memory.
constexpr std::size_t kMaxBlockSize = std::size_t{64} << 20;
// The last test at a position reads this many bytes ("@:host").
constexpr std::size_t kLastReadLength = kContentPrefixes.back().size();
constexpr std::size_t kHostPrefix = kContentPrefixes.size() - 1;

// For every byte, the prefixes (bit k for kContentPrefixes[k]) that may begin with it.
constexpr std::array<std::uint32_t, 256> kPrefixesByFirstByte = [] {
    std::array<std::uint32_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
        for (std::size_t k = 0; k < kContentPrefixes.size(); ++k) {
            if (LowerAscii(static_cast<unsigned char>(b)) ==
                static_cast<unsigned char>(kContentPrefixes[k][0])) {
                t[b] |= std::uint32_t{1} << k;
            }
        }
    }
    return t;
}();

// The prefix that begins at p, whose `avail` bytes up to the end of the file
// are readable; -1 when none does. No two prefixes can match at one position.
int MatchAt(const unsigned char* p, std::size_t avail) {
    for (std::uint32_t bits = kPrefixesByFirstByte[*p]; bits != 0; bits &= bits - 1) {
        const int k = std::countr_zero(bits);
        const std::string_view prefix = kContentPrefixes[static_cast<std::size_t>(k)];
        if (prefix.size() > avail) continue;
        std::size_t i = 1;
        while (i < prefix.size() && LowerAscii(p[i]) == static_cast<unsigned char>(prefix[i])) {
            ++i;
        }
        if (i == prefix.size()) return k;
    }
    return -1;
}

// Where the bytes come from: a file or a buffer. read() returns the number
// of bytes read, 0 at the end, -1 with errno set on failure.
class Source {
  public:
    virtual ~Source() = default;
    virtual long read(unsigned char* into, std::size_t n) = 0;
};

class BufferSource final : public Source {
  public:
    explicit BufferSource(std::string_view data) : data_(data) {}
    long read(unsigned char* into, std::size_t n) override {
        n = std::min(n, data_.size());
        if (n == 0) return 0;
        std::memcpy(into, data_.data(), n);
        data_.remove_prefix(n);
        return static_cast<long>(n);
    }

  private:
    std::string_view data_;
};

class FileSource final : public Source {
  public:
    explicit FileSource(int fd) : fd_(fd) {}
    ~FileSource() override { ::close(fd_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    long read(unsigned char* into, std::size_t n) override {
        for (;;) {
            const auto got = ::read(fd_, into, n);
            if (got >= 0 || errno != EINTR) return static_cast<long>(got);
        }
    }

  private:
    int fd_;
};

ScanError SystemError(int number) { return ScanError::FromNumber(number); }

class Scanner {
  public:
    Scanner(RowSink& sink, std::uint64_t& rows)
        : sink_(sink), rows_(rows), next_(detail::BestPrefilter()) {}

    // Tests the positions [from, to) of `buf`, which holds `len` bytes of the
    // file from file offset `base` on (at least up to the end of the file
    // when fewer than kEntryLength follow a position) and zero bytes after
    // them. Returns false when the scan ends here: an "@:host" row ran past
    // the end of the file.
    bool test(const unsigned char* buf, std::size_t len, std::uint64_t base, std::size_t from,
              std::size_t to) {
        const unsigned char* const end = buf + to;
        for (const unsigned char* p = buf + from; p < end;) {
            const CandidateChunk chunk = next_(p, end);
            for (std::uint64_t m = chunk.mask; m != 0; m &= m - 1) {
                const std::size_t at = static_cast<std::size_t>(chunk.base - buf) +
                                       static_cast<std::size_t>(std::countr_zero(m));
                const int k = MatchAt(buf + at, len - at);
                if (k < 0) continue;
                const std::size_t rowLength = std::min(kEntryLength, len - at);
                sink_.row(base + at, {reinterpret_cast<const char*>(buf + at), rowLength});
                ++rows_;
                if (static_cast<std::size_t>(k) == kHostPrefix && rowLength < kEntryLength) {
                    return false;
                }
            }
            p = chunk.base + 64;
        }
        return true;
    }

  private:
    RowSink& sink_;
    std::uint64_t& rows_;
    NextChunkFn next_;
};

// The block loop: reads `blockSize` fresh bytes per step behind the
// kOverlap bytes kept from the step before, and tests every position whose
// row lies wholly in the buffer; at the end of the file it tests the rest.
// The scan stops after the first position whose kLastReadLength-byte read
// runs past the end, so in a file of L bytes the last position tested is
// L - 5 (position 0 when L is below 5).
ScanOutcome Scan(Source& source, RowSink& sink, const std::atomic<bool>* stop,
                 std::size_t blockSize) {
    ScanOutcome outcome;
    blockSize = std::clamp<std::size_t>(blockSize, 1, kMaxBlockSize);
    std::vector<unsigned char> buf(kOverlap + blockSize + detail::kPrefilterSlack);
    Scanner scanner(sink, outcome.rows);
    std::uint64_t base = 0;  // file offset of buf[0], the next position to test
    std::size_t len = 0;
    for (;;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            outcome.stopped = true;
            return outcome;
        }
        const long got = source.read(buf.data() + len, blockSize);
        if (got < 0) {
            outcome.ok = false;
            outcome.error = SystemError(errno);
            return outcome;
        }
        len += static_cast<std::size_t>(got);
        std::fill_n(buf.data() + len, detail::kPrefilterSlack, 0);
        if (got == 0) break;
        if (len < kEntryLength) continue;
        const std::size_t to = len - kOverlap;
        scanner.test(buf.data(), len, base, 0, to);
        std::memmove(buf.data(), buf.data() + to, len - to);
        base += to;
        len -= to;
    }
    const std::uint64_t fileLength = base + len;
    if (fileLength == 0) return outcome;
    const std::uint64_t last =
        fileLength >= kLastReadLength - 1 ? fileLength - (kLastReadLength - 1) : 0;
    if (last >= base)
        scanner.test(buf.data(), len, base, 0, static_cast<std::size_t>(last - base) + 1);
    return outcome;
}

}  // namespace

std::string ScanError::ReportText() const {
    return "Error: " + std::to_string(number) + " " + description + " " + source;
}

ScanError ScanError::FromNumber(int number) {
    return {number, std::generic_category().message(number), std::string(kTitle)};
}

void ContentsRowsSink::row(std::uint64_t /*position*/, std::string_view bytes) {
    rows_.append(bytes);
}

void ScanBytes(std::string_view data, RowSink& sink) {
    BufferSource source(data);
    Scan(source, sink, nullptr, std::max<std::size_t>(1, std::min(data.size(), kDefaultBlockSize)));
}

ScanOutcome ScanFile(const std::string& path, RowSink& sink, const std::atomic<bool>* stop,
                     std::size_t blockSize) {
    ReadOpened opened = OpenForReading(path);
    if (!opened.file) {
        ScanOutcome failed;
        failed.ok = false;
        failed.error = {opened.error, opened.reason, std::string(kTitle)};
        return failed;
    }
    FileSource source(opened.file.release());
    return Scan(source, sink, stop, blockSize);
}

}  // namespace tessaly
