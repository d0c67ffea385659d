#include "core/extract/scanner.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <system_error>
#include <vector>

#include "core/app/ascii_case.h"
#include "core/app/identity.h"
#include "core/extract/prefilter.h"

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

ScanOutcome Scan(ByteSource& source, RowSink& sink, const std::atomic<bool>* stop,
                 std::size_t blockSize) {
    ProgressiveScan scan(source, sink, blockSize);
    scan.advanceTo(std::numeric_limits<std::uint64_t>::max(), stop);
    return scan.outcome();
}

}  // namespace

std::string ScanError::ReportText() const {
    return "Error: " + std::to_string(number) + " " + description + " " + source;
}

ScanError ScanError::FromNumber(int number) { return From(SystemError::FromNumber(number)); }

ScanError ScanError::From(const SystemError& error) {
    return {error.number, error.description, std::string(kTitle)};
}

// The block loop: reads `blockSize` fresh bytes per step behind the at most
// kOverlap bytes kept from the step before, and tests every position whose
// row lies wholly in the buffer; at the end of the file it tests the rest.
// The scan stops after the first position whose kLastReadLength-byte read
// runs past the end, so in a file of L bytes the last position tested is
// L - 5 (position 0 when L is below 5).
struct ProgressiveScan::State {
    State(ByteSource& from, RowSink& to, std::size_t size)
        : source(from),
          blockSize(std::clamp<std::size_t>(size, 1, kMaxBlockSize)),
          buf(kOverlap + blockSize + detail::kPrefilterSlack),
          scanner(to, outcome.rows) {}

    ByteSource& source;
    std::size_t blockSize;
    std::vector<unsigned char> buf;
    ScanOutcome outcome;
    Scanner scanner;
    std::uint64_t base = 0;  // file offset of buf[0]
    std::size_t len = 0;     // bytes held in buf
    std::uint64_t next = 0;  // the next position to test
    bool atEnd = false;      // the source has no more bytes
    bool ended = false;      // no position is left to test
};

ProgressiveScan::ProgressiveScan(ByteSource& source, RowSink& sink, std::size_t blockSize)
    : state_(std::make_unique<State>(source, sink, blockSize)) {}

ProgressiveScan::~ProgressiveScan() = default;

const ScanOutcome& ProgressiveScan::outcome() const { return state_->outcome; }

bool ProgressiveScan::advanceTo(std::uint64_t position, const std::atomic<bool>* stop) {
    State& s = *state_;
    while (!s.ended && s.next < position) {
        if (!s.atEnd) {
            const std::uint64_t whole = s.len >= kEntryLength ? s.base + s.len - kOverlap : s.base;
            if (s.next < whole) {
                const std::uint64_t to = std::min(position, whole);
                s.scanner.test(s.buf.data(), s.len, s.base,
                               static_cast<std::size_t>(s.next - s.base),
                               static_cast<std::size_t>(to - s.base));
                s.next = to;
                continue;
            }
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                s.outcome.stopped = true;
                s.ended = true;
                break;
            }
            const std::size_t tested = static_cast<std::size_t>(s.next - s.base);
            std::memmove(s.buf.data(), s.buf.data() + tested, s.len - tested);
            s.len -= tested;
            s.base = s.next;
            const Result<std::size_t> got =
                s.source.readAt(s.base + s.len, {s.buf.data() + s.len, s.blockSize});
            if (!got) {
                s.outcome.ok = false;
                s.outcome.error = ScanError::From(got.error());
                s.ended = true;
                break;
            }
            s.len += *got;
            std::fill_n(s.buf.data() + s.len, detail::kPrefilterSlack, 0);
            s.atEnd = *got == 0;
            continue;
        }
        const std::uint64_t fileLength = s.base + s.len;
        const std::uint64_t last =
            fileLength >= kLastReadLength - 1 ? fileLength - (kLastReadLength - 1) : 0;
        if (fileLength == 0 || s.next > last) {
            s.ended = true;
            break;
        }
        const std::uint64_t to = std::min(position, last + 1);
        if (!s.scanner.test(s.buf.data(), s.len, s.base, static_cast<std::size_t>(s.next - s.base),
                            static_cast<std::size_t>(to - s.base))) {
            s.ended = true;
        }
        s.next = to;
    }
    return s.outcome.ok;
}

void ContentsRowsSink::row(std::uint64_t position, std::string_view bytes) {
    rows_.append(bytes, position);
}

void ScanBytes(std::string_view data, RowSink& sink) {
    BufferSource source(data);
    Scan(source, sink, nullptr, std::max<std::size_t>(1, std::min(data.size(), kDefaultBlockSize)));
}

ScanOutcome ScanFile(const std::string& path, RowSink& sink, const std::atomic<bool>* stop,
                     std::size_t blockSize) {
    const auto source = OpenFileSource(path);
    if (!source) {
        ScanOutcome failed;
        failed.ok = false;
        failed.error = ScanError::From(source.error());
        return failed;
    }
    return Scan(**source, sink, stop, blockSize);
}

}  // namespace tessaly
