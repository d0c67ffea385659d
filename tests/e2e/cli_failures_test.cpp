// tessaly-cli tells the truth: every failure is said on stderr with the path
// and the system's reason and ends with exit 1 (2 for a mistake in the
// command line); it never writes over the file it reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/index_dat_writer.h"
#include "support/run_cli.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::RunCli;
using test::TempDir;

TEST(CliFailures, ExitCodesAndMessages) {
    TempDir dir;
    dir.write("a.dat", "http://a.example/");
    dir.write("-dash.dat", "http://dash.example/");
    dir.write("-tree/index.dat", "");
    const std::string a = dir.file("a.dat");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;  // exactly; "*" for any text beginning with "Usage: "
        std::string err;  // exactly; "*" for any text that is not empty
    };
    const Case cases[] = {
        // Help on every command, on standard output.
        {{"--help"}, 0, "*", ""},
        {{"find", "--help"}, 0, "*", ""},
        {{"find", "-h"}, 0, "*", ""},
        {{"extract", "--help"}, 0, "*", ""},
        {{"extract", a, "-h"}, 0, "*", ""},
        {{"address", "--help"}, 0, "*", ""},
        // Failures name the path and the reason.
        {{"find", dir.file("missing")},
         1,
         "",
         "Error: cannot search " + dir.file("missing") + ": No such file or directory\n"},
        {{"find", a}, 1, "", "Error: cannot search " + a + ": Not a directory\n"},
        {{"extract", dir.file("missing")},
         1,
         "",
         "Error: cannot read " + dir.file("missing") + ": No such file or directory\n"},
        {{"extract", dir.file("missing"), "--format", "html"},
         1,
         "",
         "Error: cannot read " + dir.file("missing") + ": No such file or directory\n"},
        {{"extract", dir.file("missing"), "--count"},
         1,
         "",
         "Error: cannot read " + dir.file("missing") + ": No such file or directory\n"},
        {{"extract", a, "-o", dir.file("missing/out.txt")},
         1,
         "",
         "Error: cannot write " + dir.file("missing/out.txt") + ": No such file or directory\n"},
        // Mistakes in the command line.
        {{"find", "--bogus"}, 2, "", "*"},
        {{"find", "/a", "/b"}, 2, "", "*"},
        {{"extract", "--", "--help"},
         1,
         "",
         "Error: cannot read --help: No such file or directory\n"},
        {{"extract"}, 2, "", "*"},
        {{"address", "launch"}, 2, "", "*"},
        {{"frobnicate"}, 2, "", "*"},
        // "--" ends the options: a name may then begin with '-'.
        {{"extract", "--count", "--", "-dash.dat"}, 0, "1\n", ""},
        {{"find", "--", "-tree"}, 0, "-tree/index.dat\t0.00\n", ""},
        {{"address", "--", "launch", "http://a.example/"}, 0, "http://a.example/\n", ""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& arg : c.args) shown += arg + ' ';
        SCOPED_TRACE(shown);
        test::CliSetup setup;
        setup.folder = dir.path();
        const auto run = RunCli(c.args, setup);
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.out == "*") {
            EXPECT_TRUE(run.out.starts_with("Usage: tessaly-cli ")) << run.out;
        } else {
            EXPECT_EQ(run.out, c.out);
        }
        if (c.err == "*") {
            EXPECT_NE(run.err, "");
        } else {
            EXPECT_EQ(run.err, c.err);
        }
    }
}

// The file being read is never the output: not by -o under any name, not
// by a shell's ">>" onto it.
TEST(CliFailures, NeverWritesOverTheFileBeingRead) {
    TempDir dir;
    const std::string evidence = dir.file("case/index.dat");
    const std::string bytes = test::BuildIndexDat(test::GenerateIndexDatEntries(20, 3));
    dir.write("case/index.dat", bytes);
    ASSERT_EQ(::link(evidence.c_str(), dir.file("hard.dat").c_str()), 0);
    ASSERT_EQ(::symlink(evidence.c_str(), dir.file("link.dat").c_str()), 0);

    for (const std::string& out : {evidence, dir.file("case/../case/index.dat"),
                                   dir.file("hard.dat"), dir.file("link.dat")}) {
        for (const char* format : {"plain", "html"}) {
            const auto run = RunCli({"extract", evidence, "--format", format, "-o", out});
            EXPECT_EQ(run.exitCode, 1) << out;
            EXPECT_EQ(run.err, "Error: cannot write " + out + ": It is the file being read (" +
                                   evidence + ")\n")
                << out;
        }
    }

    const int appended = ::open(evidence.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(appended, 0);
    test::CliSetup setup;
    setup.stdoutFd = appended;
    const auto run = RunCli({"extract", evidence}, setup);
    ::close(appended);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error: cannot write standard output: It is the file being read (" +
                           evidence + ")\n");

    EXPECT_TRUE(dir.read("case/index.dat") == bytes);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.dat")));
}

// A full disk under the standard output or under -o: said, exit 1, and -o
// leaves nothing behind.
TEST(CliFailures, FullDisk) {
    TempDir dir;
    dir.write("index.dat", test::BuildIndexDat(test::GenerateIndexDatEntries(50, 9)));
    dir.write("tree/index.dat", "");
    fs::create_directories(dir.file("disk"));
    test::SmallDisk disk(dir.file("disk"), 64);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    ASSERT_TRUE(disk.fill());

    const std::vector<std::string> toStdout[] = {{"extract", dir.file("index.dat")},
                                                 {"extract", dir.file("index.dat"), "--count"},
                                                 {"find", dir.file("tree")}};
    for (const auto& args : toStdout) {
        SCOPED_TRACE(args.front());
        const int out = ::open(dir.file("disk/out.txt").c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(out, 0);
        test::CliSetup setup;
        setup.stdoutFd = out;
        const auto run = RunCli(args, setup);
        ::close(out);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "Error: cannot write standard output: No space left on device\n");
    }
    const auto saved = RunCli({"extract", dir.file("index.dat"), "-o", dir.file("disk/r.txt")});
    EXPECT_EQ(saved.exitCode, 1);
    EXPECT_EQ(saved.err,
              "Error: cannot write " + dir.file("disk/r.txt") + ": No space left on device\n");
    EXPECT_FALSE(fs::exists(dir.file("disk/r.txt")));
}

// Output into a FIFO: a reader must be there, or a clear error at once.
TEST(CliFailures, OutputIntoAFifoWithoutAReaderFailsAtOnce) {
    TempDir dir;
    dir.write("index.dat", "http://a.example/");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    const auto run = RunCli({"extract", dir.file("index.dat"), "-o", dir.file("fifo")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error: cannot write " + dir.file("fifo") +
                           ": No process is reading from the FIFO\n");
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// `| head -1`: once the reader of the standard output has gone, the program
// stops and ends quietly by SIGPIPE, as every program in a pipeline does.
TEST(CliFailures, ReaderOfTheOutputGoneEndsQuietly) {
    TempDir dir;
    dir.write("index.dat", test::BuildIndexDat(test::GenerateIndexDatEntries(2000, 5)));
    dir.write("tree/index.dat", "");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"extract", dir.file("index.dat")}, {"find", dir.file("tree")}}) {
        int pipeFds[2];
        ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
        ::close(pipeFds[0]);
        test::CliSetup setup;
        setup.stdoutFd = pipeFds[1];
        const auto run = RunCli(args, setup);
        ::close(pipeFds[1]);
        EXPECT_EQ(run.signal, SIGPIPE) << args.front();
        EXPECT_EQ(run.err, "") << args.front();
    }
}

}  // namespace
}  // namespace tessaly
