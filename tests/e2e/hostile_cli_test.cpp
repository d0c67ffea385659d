// tessaly-cli on hostile input: a FIFO and a device named as the file, a
// 5 GiB sparse file read to its end in flat memory, names no terminal likes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::RunCli;
using test::TempDir;

TEST(HostileCli, ExtractRefusesWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("index.dat").c_str(), 0644), 0);
    for (const std::string& path : {dir.file("index.dat"), std::string("/dev/zero")}) {
        const auto run = RunCli({"extract", path, "--count"});
        EXPECT_EQ(run.exitCode, 1) << path;
        EXPECT_EQ(run.out, "") << path;
        EXPECT_EQ(run.err, "Error: cannot read " + path + ": Not a regular file\n") << path;
    }
}

struct Measured {
    int exitCode = -1;
    long maxRssKiB = 0;
};

// Runs tessaly-cli with `args`, its standard output into `outPath`, and
// reads its peak memory from the kernel's account of the child.
Measured RunCliMeasured(const std::vector<std::string>& args, const std::string& outPath) {
    const pid_t pid = ::fork();
    if (pid < 0) return {};
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0) ::_exit(127);
        std::vector<char*> argv{const_cast<char*>(TESSALY_CLI_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(TESSALY_CLI_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) return {};
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss};
}

// A 5 GiB file, all hole but for a few entries at its very end, is read to
// the end, and memory stays flat: the scanner keeps one block, not the file.
TEST(HostileCli, FiveGibibyteSparseFileIsScannedToItsEndInFlatMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "reading 5 GiB takes minutes under the sanitizers; the plain build runs it";
#endif
    TempDir dir;
    const std::string path = dir.file("index.dat");
    const std::uint64_t size = std::uint64_t{5} << 30;
    const std::string tail =
        std::string("Visited: mary@http://far.example/\0", 34) + "@:Host: far.example";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);

    const Measured run = RunCliMeasured({"extract", path, "--count"}, dir.file("count.txt"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(dir.read("count.txt"), "3\n");  // Visited:, http:// and the host record
    EXPECT_LT(run.maxRssKiB, 64 * 1024);
}

// Newlines, tabs and bytes that are not UTF-8 in names: found and printed
// byte for byte.
TEST(HostileCli, FindPrintsNamesWithControlAndInvalidBytesAsTheyAre) {
    TempDir dir;
    const std::vector<std::string> names = {"new\nline/index.dat", "tab\there/index.dat",
                                            "bad\xff\xfe/old\x80index.dat", " lead/ index.dat"};
    std::string expected;
    for (const auto& name : names) {
        dir.write(name, "");
        expected += dir.file(name) + "\t0.00\n";
    }
    const auto run = RunCli({"find", dir.path()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Discovery order is the file system's; compare the lines as a set.
    auto sortedLines = [](const std::string& text) {
        std::vector<std::string> lines;
        std::size_t at = 0;
        for (std::size_t tab; (tab = text.find('\t', at)) != std::string::npos;) {
            const std::size_t end = text.find('\n', tab);
            lines.push_back(text.substr(at, end + 1 - at));
            at = end + 1;
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    EXPECT_EQ(sortedLines(run.out), sortedLines(expected));
}

}  // namespace
}  // namespace tessaly
