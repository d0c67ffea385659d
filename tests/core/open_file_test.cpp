// Opening evidence: read only, of any path length, and without moving its
// access time where the system allows.
#include "platform/posix/open_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/extract/scanner.h"
#include "support/child_process.h"
#include "support/long_folder.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using namespace std::string_literals;
using test::TempDir;

class CountingSink final : public RowSink {
  public:
    void row(std::uint64_t, std::string_view) override { ++rows; }
    std::size_t rows = 0;
};

// Sets the file's access time to the year 2001, older than its change time,
// so that a file system mounted with relatime updates it on the next read.
void AgeAccessTime(const std::string& path) {
    const timespec times[2] = {{978307200, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

time_t AccessTime(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_atim.tv_sec;
}

// Scanned by its owner (root owns every file here when the tests run as root)
// and by another user, who cannot ask to keep the access time: the owner's
// scan leaves it alone, the other user's scan still reads the file.
TEST(OpenForReading, TheScanLeavesTheAccessTimeWhereTheSystemAllows) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    dir.write("index.dat", "http://a.example/\0 Visited: b@http://b.example/"s);
    dir.write("control.dat", "x");
    const std::string path = dir.file("index.dat");

    // Does a plain read move the access time here at all?
    AgeAccessTime(dir.file("control.dat"));
    {
        const int fd = ::open(dir.file("control.dat").c_str(), O_RDONLY);
        char c;
        ASSERT_EQ(::read(fd, &c, 1), 1);
        ::close(fd);
    }
    if (AccessTime(dir.file("control.dat")) == 978307200) {
        GTEST_SKIP() << "this file system does not update access times on reading";
    }

    AgeAccessTime(path);
    CountingSink sink;
    const ScanOutcome outcome = ScanFile(path, sink);
    ASSERT_TRUE(outcome.ok) << outcome.error.ReportText();
    EXPECT_EQ(sink.rows, 3u);
    EXPECT_EQ(AccessTime(path), 978307200);

    const test::ChildEnd end = test::RunInChild(
        [&] {
            CountingSink other;
            return ScanFile(path, other).ok && other.rows == 3 ? 0 : 1;
        },
        /*asNobody=*/true);
    if (end.exitCode == 125) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(end.exitCode, 0);
}

TEST(OpenForReading, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    struct Case {
        std::string path;
        int error;
        std::string reason;
    };
    for (const Case& c : {Case{dir.file("absent"), ENOENT, "No such file or directory"},
                          Case{dir.path(), EISDIR, "Is a directory"},
                          Case{dir.file("fifo"), EINVAL, "Not a regular file"}}) {
        const ReadOpened opened = OpenForReading(c.path);
        EXPECT_FALSE(opened.file) << c.path;
        EXPECT_EQ(opened.error, c.error) << c.path;
        EXPECT_EQ(opened.reason, c.reason) << c.path;
    }
}

// What a walk can list below a deep folder, a scan can open.
TEST(OpenForReading, PathLongerThanTheSystemTakesAtOnce) {
    TempDir dir;
    const test::LongFolder deep(dir.path());
    ASSERT_TRUE(deep.made());
    ASSERT_TRUE(deep.write("index.dat", "xx http://deep.example/"));
    ASSERT_GT(deep.file("index.dat").size(), std::size_t{PATH_MAX});
    EXPECT_EQ(::open(deep.file("index.dat").c_str(), O_RDONLY), -1);
    EXPECT_EQ(errno, ENAMETOOLONG);

    CountingSink sink;
    const ScanOutcome outcome = ScanFile(deep.file("index.dat"), sink);
    EXPECT_TRUE(outcome.ok) << outcome.error.ReportText();
    EXPECT_EQ(sink.rows, 1u);
    // A trailing separator, a doubled one and a missing name on the way.
    const std::string relativeToRoot = deep.path().substr(1);
    EXPECT_TRUE(OpenForReading("//" + relativeToRoot + "//index.dat").file);
    EXPECT_EQ(OpenForReading(deep.path() + "/").error, EISDIR);
    EXPECT_EQ(OpenForReading(deep.file("absent")).error, ENOENT);
}

}  // namespace
}  // namespace tessaly
