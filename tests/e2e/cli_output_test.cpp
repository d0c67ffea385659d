// What tessaly-cli writes: escaped on a terminal, byte for byte elsewhere,
// NUL-separated on request, streamed in flat memory, for paths of any length.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "support/index_dat_writer.h"
#include "support/long_folder.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using namespace std::string_literals;
using test::RunCli;
using test::TempDir;

// Runs tessaly-cli with a pseudo-terminal as its standard output and returns
// what reached the terminal.
std::string RunOnTerminal(const std::vector<std::string>& args, const std::string& locale) {
    int master = -1, terminal = -1;
    if (::openpty(&master, &terminal, nullptr, nullptr, nullptr) != 0) return "no terminal";
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(terminal, F_SETFD, FD_CLOEXEC);
    std::string shown;
    std::thread reader([&] {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got <= 0) break;  // EIO once the program has ended
            shown.append(buffer, static_cast<std::size_t>(got));
        }
    });
    test::CliSetup setup;
    setup.stdoutFd = terminal;
    setup.environment = {"LC_ALL=" + locale};
    const auto run = RunCli(args, setup);
    ::close(terminal);
    reader.join();
    ::close(master);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return shown;
}

// Escape sequences in names and entries would steer the examiner's terminal:
// on a terminal they are shown escaped; into a pipe they stay byte for byte.
TEST(CliOutput, ControlCharactersReachATerminalEscaped) {
    TempDir dir;
    const std::string entry =
        "http://x.example/\x1b]0;pwned\x07\x9b"
        "2J";
    dir.write("index.dat", entry + '\0');
    dir.write("tree/\x1b[31mred\xc3\xa9/index.dat", "");

    const std::string extracted = RunOnTerminal({"extract", dir.file("index.dat")}, "C.UTF-8");
    EXPECT_NE(extracted.find("http://x.example/\\x1b]0;pwned\\x07\\x9b2J\\x00"), std::string::npos)
        << extracted;
    const std::string found = RunOnTerminal({"find", dir.file("tree")}, "C.UTF-8");
    EXPECT_NE(found.find("/\\x1b[31mred\xc3\xa9/index.dat\t0.00"), std::string::npos) << found;
    const std::string ascii = RunOnTerminal({"find", dir.file("tree")}, "C");
    EXPECT_NE(ascii.find("/\\x1b[31mred\\xc3\\xa9/index.dat\t0.00"), std::string::npos) << ascii;
    // The records' formats keep their line breaks and tabs on a terminal.
    test::IndexDatEntry cached;
    cached.location = entry;
    dir.write("cache/index.dat", test::BuildIndexDat({cached}));
    const std::string records = RunOnTerminal({"records", dir.file("cache/index.dat")}, "C.UTF-8");
    EXPECT_NE(records.find("\thttp://x.example/\\x1b]0;pwned\\x07\xe2\x80\xba"
                           "2J\t"),
              std::string::npos)
        << records;
    EXPECT_NE(records.find("file\toffset\ttype"), std::string::npos) << records;
    for (const std::string& text : {extracted, found, ascii, records}) {
        EXPECT_EQ(text.find('\x1b'), std::string::npos);
        EXPECT_EQ(text.find('\x9b'), std::string::npos);
        EXPECT_EQ(text.find('\x07'), std::string::npos);
    }

    const auto piped = RunCli({"extract", dir.file("index.dat")});
    EXPECT_EQ(piped.out.substr(0, entry.size()), entry);
}

TEST(CliOutput, FindNullEndsEachRecordWithANul) {
    TempDir dir;
    const std::vector<std::string> names{"new\nline-index.dat", "tab\tindex.dat", "index.dat"};
    std::vector<std::string> expected;
    for (const std::string& name : names) {
        dir.write(name, "");
        expected.push_back(dir.file(name) + "\t0.00");
    }
    const auto run = RunCli({"find", "--null", dir.path()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(run.out.ends_with('\0'));
    std::vector<std::string> records;
    for (std::size_t at = 0, end; (end = run.out.find('\0', at)) != std::string::npos;
         at = end + 1) {
        records.push_back(run.out.substr(at, end - at));
    }
    std::sort(records.begin(), records.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(records, expected);
}

// What find lists below a folder deeper than PATH_MAX, extract can read and
// -o can write.
TEST(CliOutput, PathsLongerThanTheSystemTakesAtOnce) {
    TempDir dir;
    const test::LongFolder deep(dir.path());
    ASSERT_TRUE(deep.made());
    ASSERT_TRUE(deep.write("index.dat", "xx http://deep.example/"));

    const auto found = RunCli({"find", dir.path()});
    EXPECT_EQ(found.exitCode, 0) << found.err;
    EXPECT_EQ(found.out, deep.file("index.dat") + "\t0.02\n");
    const auto counted = RunCli({"extract", deep.file("index.dat"), "--count"});
    EXPECT_EQ(counted.exitCode, 0) << counted.err;
    EXPECT_EQ(counted.out, "1\n");
    const auto saved = RunCli({"extract", deep.file("index.dat"), "-o", deep.file("out.txt")});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(deep.read("out.txt"), "http://deep.example/\r\n");
    const auto walked = RunCli({"find", deep.path()});
    EXPECT_EQ(walked.exitCode, 0) << walked.err;
    EXPECT_EQ(walked.out, deep.file("index.dat") + "\t0.02\n");
}

// A file packed with entries: every row is written as it is found, so the
// program's memory stays flat while hundreds of MB pass through the pipe.
TEST(CliOutput, ExtractStreamsRowsInFlatMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' own memory hides the program's; the plain build runs it";
#endif
    TempDir dir;
    std::string dense;
    while (dense.size() < (std::size_t{16} << 20)) dense += "http://";
    dir.write("index.dat", dense);
    const std::uint64_t rows = dense.size() / 7;

    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        const std::string path = dir.file("index.dat");
        ::execl(TESSALY_CLI_PATH, TESSALY_CLI_PATH, "extract", path.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::uint64_t received = 0;
    std::vector<char> buffer(1 << 20);
    for (ssize_t got; (got = ::read(pipeFds[0], buffer.data(), buffer.size())) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        ASSERT_GT(got, 0);
        received += static_cast<std::uint64_t>(got);
    }
    ::close(pipeFds[0]);
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(::wait4(pid, &status, 0, &usage), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Each row is 150 bytes and CR LF, but the last rows, cut by the end.
    EXPECT_GT(received, (rows - 30) * 152);
    // Holding the rows would take about 160 bytes each: 380 MB here.
    EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "KiB";
}

}  // namespace
}  // namespace tessaly
