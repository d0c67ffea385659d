// The extractor on damaged and hostile files: cut short, changing while they
// are read, not regular files at all, unreadable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/extract/scanner.h"
#include "support/child_process.h"
#include "support/index_dat_writer.h"
#include "support/reference_scan.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::ReferenceRow;
using test::ReferenceScan;
using test::TempDir;
using namespace std::string_literals;

class RecordingSink : public RowSink {
  public:
    void row(std::uint64_t position, std::string_view bytes) override {
        rows.push_back({position, std::string(bytes)});
    }
    std::vector<ReferenceRow> rows;
};

std::string SmallIndexDat() {
    return test::BuildIndexDat(test::GenerateIndexDatEntries(12, 5), {1, 5});
}

// Every length where a cut changes what the scan may see: the first bytes,
// around each row start and row end, around the 16 KiB block edges of the
// format, and the whole file.
std::vector<std::size_t> InterestingLengths(const std::string& file) {
    std::set<std::size_t> lengths;
    for (std::size_t n = 0; n <= 200; ++n) lengths.insert(n);
    for (const ReferenceRow& row : ReferenceScan(file)) {
        for (const std::size_t d : {0, 1, 2, 5, 6, 7, 8, 148, 149, 150, 151}) {
            lengths.insert(row.position + d);
        }
    }
    for (std::size_t edge = 0x4000; edge <= file.size(); edge += 0x4000) {
        for (std::size_t d = 0; d < 3; ++d) {
            lengths.insert(edge - d);
            lengths.insert(edge + d);
        }
    }
    std::vector<std::size_t> out;
    for (const std::size_t n : lengths) {
        if (n <= file.size()) out.push_back(n);
    }
    return out;
}

TEST(HostileInput, FileCutAtEveryInterestingLengthGivesTheRowsOfWhatIsLeft) {
    const std::string whole = SmallIndexDat();
    TempDir dir;
    const std::string path = dir.file("index.dat");
    for (const std::size_t length : InterestingLengths(whole)) {
        const std::string cut = whole.substr(0, length);
        dir.write("index.dat", cut);
        const std::vector<ReferenceRow> expected = ReferenceScan(cut);
        for (const std::size_t block : {std::size_t{7}, kDefaultBlockSize}) {
            RecordingSink sink;
            const ScanOutcome outcome = ScanFile(path, sink, nullptr, block);
            ASSERT_TRUE(outcome.ok) << length << ": " << outcome.error.ReportText();
            ASSERT_EQ(sink.rows, expected) << "cut at " << length << ", block " << block;
        }
    }
}

// A sink that changes the file under the scan at its first row.
class ChangingSink : public RecordingSink {
  public:
    ChangingSink(std::string path, bool grow) : path_(std::move(path)), grow_(grow) {}
    void row(std::uint64_t position, std::string_view bytes) override {
        RecordingSink::row(position, bytes);
        if (changed_) return;
        changed_ = true;
        const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        if (grow_) {
            const std::string more = "..http://appended.example/\0"s;
            ASSERT_EQ(::write(fd, more.data(), more.size()), static_cast<ssize_t>(more.size()));
        } else {
            ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kShrunkTo)), 0);
        }
        ::close(fd);
    }
    static constexpr std::size_t kShrunkTo = 3000;

  private:
    std::string path_;
    bool grow_;
    bool changed_ = false;
};

std::string ManyUrls() {
    std::string file;
    for (int i = 0; file.size() < 8000; ++i) file += "xx http://host" + std::to_string(i) + "/\0"s;
    return file;
}

TEST(HostileInput, FileThatShrinksDuringTheScanEndsWithTheRowsItStillHeld) {
    const std::string original = ManyUrls();
    TempDir dir;
    dir.write("index.dat", original);
    ChangingSink sink(dir.file("index.dat"), /*grow=*/false);
    const ScanOutcome outcome = ScanFile(dir.file("index.dat"), sink, nullptr, 64);
    ASSERT_TRUE(outcome.ok) << outcome.error.ReportText();
    EXPECT_EQ(outcome.rows, sink.rows.size());
    // Every row is the file's bytes as they were; none is made up or repeated.
    for (std::size_t i = 0; i < sink.rows.size(); ++i) {
        const ReferenceRow& row = sink.rows[i];
        EXPECT_EQ(row.bytes, original.substr(row.position, row.bytes.size()));
        if (i > 0) {
            EXPECT_LT(sink.rows[i - 1].position, row.position);
        }
    }
    // Nothing before the cut is lost.
    for (const ReferenceRow& row : ReferenceScan(original.substr(0, ChangingSink::kShrunkTo))) {
        if (row.position + kEntryLength > ChangingSink::kShrunkTo) break;
        EXPECT_NE(std::find(sink.rows.begin(), sink.rows.end(), row), sink.rows.end())
            << row.position;
    }
}

TEST(HostileInput, FileThatGrowsDuringTheScanIsReadToItsNewEnd) {
    const std::string original = ManyUrls();
    TempDir dir;
    dir.write("index.dat", original);
    ChangingSink sink(dir.file("index.dat"), /*grow=*/true);
    const ScanOutcome outcome = ScanFile(dir.file("index.dat"), sink, nullptr, 64);
    ASSERT_TRUE(outcome.ok) << outcome.error.ReportText();
    EXPECT_EQ(sink.rows, ReferenceScan(dir.read("index.dat")));
}

// Each scan runs in a child, so that a scan that blocks cannot block the tests.
TEST(HostileInput, NoRegularFileIsRefusedAtOnceWithoutBlocking) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("index.dat").c_str(), 0644), 0);
    struct Case {
        const char* name;
        std::string path;
    };
    for (const Case& c : {Case{"FIFO without a writer", dir.file("index.dat")},
                          Case{"endless character device", "/dev/zero"},
                          Case{"empty character device", "/dev/null"}}) {
        const test::ChildEnd end = test::RunInChild(
            [&] {
                RecordingSink sink;
                const ScanOutcome outcome = ScanFile(c.path, sink);
                return !outcome.ok && sink.rows.empty() &&
                               outcome.error.ReportText() == "Error: " + std::to_string(EINVAL) +
                                                                 " Not a regular file Tessaly"
                           ? 0
                           : 1;
            },
            false, 20);
        EXPECT_FALSE(end.hung) << c.name;
        EXPECT_EQ(end.exitCode, 0) << c.name;
    }
}

TEST(HostileInput, FileWithoutReadPermissionReportsPermissionDeniedEvenForRoot) {
    TempDir dir;
    dir.write("locked/index.dat", "http://a/");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("locked/index.dat").c_str(), 0), 0);
    const test::ChildEnd end = test::RunInChild(
        [&] {
            RecordingSink sink;
            const ScanOutcome outcome = ScanFile(dir.file("locked/index.dat"), sink);
            return !outcome.ok &&
                           outcome.error.ReportText() == "Error: 13 Permission denied Tessaly"
                       ? 0
                       : 1;
        },
        /*asNobody=*/true);
    if (end.exitCode == 125) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(end.exitCode, 0);
}

}  // namespace
}  // namespace tessaly
