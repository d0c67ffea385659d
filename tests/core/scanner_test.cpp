#include "core/extract/scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "core/extract/prefilter.h"
#include "support/failing_source.h"
#include "support/reference_scan.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::ReferenceRow;
using test::ReferenceScan;
using test::TempDir;

class RecordingSink : public RowSink {
  public:
    void row(std::uint64_t position, std::string_view bytes) override {
        rows.push_back({position, std::string(bytes)});
    }
    std::vector<ReferenceRow> rows;
};

using namespace std::string_literals;

std::string Url200() { return "http://host/" + std::string(188, 'p'); }

struct Case {
    const char* name;
    std::string file;
    std::vector<std::uint64_t> positions;  // where rows begin; each row is file.substr(p, 150)
};

std::vector<Case> Cases() {
    const std::string tail(160, 'z');
    return {
        {"Empty", "", {}},
        {"OneBackslash", "\\", {}},
        {"TwoBackslashesAlone", "\\\\", {0}},
        {"ThreeBytesOnlyPositionZero", "a\\\\", {}},
        {"FiveBytesOnlyPositionZero", "abc\\\\", {}},
        {"SixBytesLastPositionOne", "a\\\\xyz", {1}},
        {"SixBytesTooLate", "abcd\\\\", {}},
        {"SevenBytesLastPositionTwo", "ab\\\\xyz", {2}},
        {"SevenBytesTooLate", "abc\\\\xy", {}},
        {"HttpAlone", "http://", {0}},
        {"FtpFillsFile", "ftp://", {0}},
        {"PrefixCutByEnd", "xxhttp:/", {}},
        {"CapitalsKept", "..HTTP://HOST/..." + tail, {2}},
        {"VisitedHoldsUrl", "Visited: user@http://h/" + tail, {0, 14}},
        {"ThreeBackslashes", "\\\\\\server" + tail, {0, 1}},
        {"ThreeBackslashesFileOfThree", "\\\\\\", {0}},
        {"Url200CutAt150", Url200(), {0}},
        {"TwoIdenticalUrls", "http://a/\0http://a/\0"s + tail, {0, 10}},
        {"StringEndsAfter20", "http://host/abcdefgh\0\x01\x02\x03 binary"s + tail, {0}},
        {"HostNearEndStopsScan", "user@:Host: example.com\0http://later/\0..."s, {4}},
        {"HostRowFitsScanGoesOn",
         "@:Host: example.com\0"s + std::string(121, 'x') + "http://a/",
         {0, 141}},
        {"HostOneShortStops", "@:Host: example.com\0"s + std::string(120, 'x') + "http://a/", {0}},
        {"AllSeventeenInMixedCase",
         "HtTp:// hTTPS:// MaIlTo: NeWs:// fTp:// CoOkIe UsErDaTa ViEw-SoUrCe: vIsItEd: "
         "FeEd:// MmS:// AiM:// \\\\ LdAp:// Ed2K:// @FiLe:/// @:HoSt"s +
             tail,
         {0, 8, 17, 25, 33, 40, 47, 56, 69, 78, 86, 93, 100, 103, 111, 119, 129}},
        {"NearMissesOnly", "http:/ htt:// @fil:/// \\x\\ @:hos cooki ftp:/ @ :host"s + tail, {}},
        {"LocalFileRecord", "Visited: mary@file:///C:/x.txt" + tail, {0, 13}},
    };
}

class ScanCase : public ::testing::TestWithParam<Case> {};

TEST_P(ScanCase, BufferScanGivesTheExpectedRows) {
    const Case& c = GetParam();
    std::vector<ReferenceRow> expected;
    for (auto p : c.positions) expected.push_back({p, c.file.substr(p, kEntryLength)});

    RecordingSink sink;
    ScanBytes(c.file, sink);
    EXPECT_EQ(sink.rows, expected);
    EXPECT_EQ(ReferenceScan(c.file), expected) << "the reference scanner disagrees";
}

TEST_P(ScanCase, FileScanGivesTheSameRowsWithAnyBlockSize) {
    const Case& c = GetParam();
    TempDir dir;
    dir.write("index.dat", c.file);
    const auto expected = ReferenceScan(c.file);
    for (std::size_t block : {1, 2, 3, 7, 63, 64, 65, 149, 150, 151, 4096, 1 << 20}) {
        RecordingSink sink;
        const ScanOutcome outcome = ScanFile(dir.file("index.dat"), sink, nullptr, block);
        EXPECT_TRUE(outcome.ok) << outcome.error.ReportText();
        EXPECT_FALSE(outcome.stopped);
        EXPECT_EQ(outcome.rows, expected.size()) << "block " << block;
        EXPECT_EQ(sink.rows, expected) << "block " << block;
    }
}

// The records reader takes turns with the raw scan: advancing in stretches of
// any length, cut anywhere, gives exactly the rows of the whole scan.
TEST_P(ScanCase, StretchesGiveTheRowsOfTheWholeScan) {
    const Case& c = GetParam();
    const auto expected = ReferenceScan(c.file);
    for (std::size_t block : {1, 7, 150, 4096}) {
        for (std::uint64_t stride : {1, 3, 64, 1000}) {
            BufferSource source(c.file);
            RecordingSink sink;
            ProgressiveScan scan(source, sink, block);
            for (std::uint64_t at = 0; at <= c.file.size() + stride; at += stride) {
                ASSERT_TRUE(scan.advanceTo(at));
            }
            EXPECT_EQ(sink.rows, expected) << "block " << block << " stride " << stride;
            EXPECT_EQ(scan.outcome().rows, expected.size());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scanner, ScanCase, ::testing::ValuesIn(Cases()),
                         [](const auto& param) { return param.param.name; });

// Deterministic noise: mostly binary, with prefixes of every kind (in random
// case, some cut short) dropped in; long enough to cross many chunks.
std::string Noise(std::uint64_t seed, std::size_t size) {
    std::string s(size, '\0');
    std::uint64_t x = seed;
    auto next = [&] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    for (auto& c : s) c = static_cast<char>(next() % 4 == 0 ? 'a' + next() % 26 : next());
    for (std::size_t at = next() % 40; at + 12 < size; at += 1 + next() % 90) {
        auto prefix = std::string(kContentPrefixes[next() % kContentPrefixes.size()]);
        for (auto& c : prefix) {
            if (next() % 2 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        if (next() % 5 == 0) prefix.pop_back();
        s.replace(at, prefix.size(), prefix);
    }
    return s;
}

TEST(Scanner, NoisyFilesMatchTheReference) {
    TempDir dir;
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        const std::string file = Noise(seed * 0x9E3779B97F4A7C15ull, 3000 + seed * 517);
        const auto expected = ReferenceScan(file);
        ASSERT_GT(expected.size(), 20u);
        RecordingSink bytesSink;
        ScanBytes(file, bytesSink);
        EXPECT_EQ(bytesSink.rows, expected) << "seed " << seed;
        dir.write("noise.dat", file);
        for (std::size_t block : {1, 100, 151, 1000}) {
            RecordingSink sink;
            ScanFile(dir.file("noise.dat"), sink, nullptr, block);
            EXPECT_EQ(sink.rows, expected) << "seed " << seed << " block " << block;
        }
    }
}

// Every filter the processor runs must keep every position where a prefix
// begins and mark nothing at or past the end it is given.
TEST(Prefilter, EveryFilterKeepsEveryMatch) {
    detail::NamedPrefilter filters[3];
    const std::size_t count = detail::AvailablePrefilters(filters);
    const std::string file = Noise(42, 5000);
    std::string padded = file + std::string(detail::kPrefilterSlack, '\0');
    const auto* data = reinterpret_cast<const unsigned char*>(padded.data());
    for (std::size_t f = 0; f < count; ++f) {
        for (std::size_t from : {0, 1, 33}) {
            const std::size_t to = file.size() - 7 - from;  // an end that cuts a chunk
            std::vector<std::uint64_t> candidates;
            for (const unsigned char* p = data + from; p < data + to;) {
                const auto chunk = filters[f].next(p, data + to);
                EXPECT_GE(chunk.base, p);
                for (std::uint64_t m = chunk.mask; m; m &= m - 1) {
                    const auto at = static_cast<std::uint64_t>(chunk.base - data) +
                                    static_cast<std::uint64_t>(__builtin_ctzll(m));
                    EXPECT_LT(at, to) << filters[f].name;
                    candidates.push_back(at);
                }
                p = chunk.base + 64;
            }
            for (const auto& row : ReferenceScan(file)) {
                if (row.position < from || row.position >= to) continue;
                EXPECT_TRUE(std::binary_search(candidates.begin(), candidates.end(), row.position))
                    << filters[f].name << " lost position " << row.position;
            }
        }
    }
}

TEST(Scanner, ContentsRowsSinkKeepsRowsWholeWithTheirPositions) {
    const std::string file = "abchttp://host/abcdefgh\0\x01\x02 binary"s + std::string(150, 'z');
    ContentsRows rows;
    ContentsRowsSink sink(rows);
    ScanBytes(file, sink);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.row(0), file.substr(3, 150));
    EXPECT_EQ(rows.shown(0), "http://host/abcdefgh");
    EXPECT_EQ(rows.position(0), 3u);
}

TEST(Scanner, MissingFileAndFolderReportTheSystemError) {
    TempDir dir;
    struct ErrorCase {
        std::string path;
        int number;
    };
    for (const auto& c :
         {ErrorCase{dir.file("absent.dat"), ENOENT}, ErrorCase{dir.path(), EISDIR}}) {
        RecordingSink sink;
        const ScanOutcome outcome = ScanFile(c.path, sink);
        EXPECT_FALSE(outcome.ok) << c.path;
        EXPECT_EQ(outcome.error.number, c.number);
        EXPECT_EQ(outcome.error.source, "Tessaly");
        EXPECT_TRUE(sink.rows.empty());
    }
    RecordingSink sink;
    EXPECT_EQ(ScanFile(dir.file("absent.dat"), sink).error.ReportText(),
              "Error: 2 No such file or directory Tessaly");
}

#ifndef _WIN32
TEST(Scanner, UnreadableFileReportsPermissionDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    dir.write("locked.dat", "http://a/");
    ASSERT_EQ(::chmod(dir.file("locked.dat").c_str(), 0), 0);
    RecordingSink sink;
    const ScanOutcome outcome = ScanFile(dir.file("locked.dat"), sink);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error.ReportText(), "Error: 13 Permission denied Tessaly");
}
#endif  // _WIN32

// A read that fails in the middle of the file (a bad sector) ends the scan
// with the system's error; the rows wholly before the bad part were
// delivered, none after it, whatever the block size.
TEST(Scanner, ReadErrorMidwayEndsTheScanWithItsReason) {
    std::string file;
    for (int i = 0; file.size() < 20000; ++i) {
        file += "http://host/" + std::to_string(i) + '\0' + std::string(40, '\x01');
    }
    const auto all = ReferenceScan(file);
    for (const std::uint64_t failFrom : {std::uint64_t{0}, std::uint64_t{149}, std::uint64_t{4096},
                                         std::uint64_t{12345}, file.size() - 1}) {
        std::vector<ReferenceRow> before;
        for (const auto& row : all) {
            if (row.position + kEntryLength <= failFrom) before.push_back(row);
        }
        for (std::size_t block : {1, 150, 4096, 1 << 20}) {
            test::FailingSource source(file, failFrom, EIO);
            RecordingSink sink;
            ProgressiveScan scan(source, sink, block);
            EXPECT_FALSE(scan.advanceTo(file.size() + 1));
            const ScanOutcome& outcome = scan.outcome();
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.error.ReportText(), "Error: 5 Input/output error Tessaly");
            EXPECT_EQ(sink.rows, before) << "fail from " << failFrom << " block " << block;
            EXPECT_EQ(outcome.rows, before.size());
            // Once failed, it stays failed without reading again.
            EXPECT_FALSE(scan.advanceTo(file.size() + 1));
            EXPECT_EQ(source.failures(), 1);
        }
    }
}

class StopAfterRows : public RowSink {
  public:
    StopAfterRows(std::atomic<bool>& stop, std::size_t after) : stop_(stop), after_(after) {}
    void row(std::uint64_t, std::string_view) override {
        if (++rows == after_) stop_ = true;
    }
    std::size_t rows = 0;

  private:
    std::atomic<bool>& stop_;
    std::size_t after_;
};

TEST(Scanner, StopFlagEndsTheScanWithinABlock) {
    std::string file;
    for (int i = 0; i < 200; ++i) file += "http://host/" + std::to_string(i) + '\0';
    TempDir dir;
    dir.write("index.dat", file);

    std::atomic<bool> stop{true};
    StopAfterRows before(stop, 0);
    const ScanOutcome early = ScanFile(dir.file("index.dat"), before, &stop);
    EXPECT_TRUE(early.stopped);
    EXPECT_EQ(before.rows, 0u);

    stop = false;
    StopAfterRows sink(stop, 3);
    const ScanOutcome outcome = ScanFile(dir.file("index.dat"), sink, &stop, 64);
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_GE(sink.rows, 3u);
    EXPECT_LT(sink.rows, 10u);  // a 64-byte block holds at most 5 row starts
}

// Positions past 4 GiB keep their 64-bit value: a sparse file with entries
// just before and after the 4 GiB mark.
TEST(Scanner, PositionsPastFourGibibytes) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "reading 4 GiB takes minutes under the sanitizers; the plain build runs it";
#endif
    TempDir dir;
    const std::string path = dir.file("huge.dat");
    const std::uint64_t mark = std::uint64_t{1} << 32;
    const std::string entry = "http://far/";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::uint64_t at : {mark - 5, mark + 1000}) {
            out.seekp(static_cast<std::streamoff>(at));
            out.write(entry.data(), static_cast<std::streamsize>(entry.size()));
        }
        ASSERT_TRUE(out.flush());
    }
    RecordingSink sink;
    const ScanOutcome outcome = ScanFile(path, sink);
    ASSERT_TRUE(outcome.ok) << outcome.error.ReportText();
    ASSERT_EQ(sink.rows.size(), 2u);
    EXPECT_EQ(sink.rows[0].position, mark - 5);
    EXPECT_EQ(sink.rows[1].position, mark + 1000);
    EXPECT_EQ(sink.rows[1].bytes, entry);
}

}  // namespace
}  // namespace tessaly
