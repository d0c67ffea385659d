// tessaly-cli records: exit codes and messages, folder mode in walk order,
// every format's escaping end to end, and an output that never replaces what
// is read or a device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "core/records/records_reader.h"
#include "support/index_dat_writer.h"
#include "support/record_collector.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::RunCli;
using test::TempDir;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Field(const std::string& line, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < index; ++i) at = line.find('\t', at) + 1;
    return line.substr(at, line.find('\t', at) - at);
}

TEST(CliRecords, OneFileGivesAHeaderAndARowPerRecordInFileOrder) {
    TempDir dir;
    const std::string bytes = test::BuildIndexDat(test::GenerateIndexDatEntries(300, 11), {2, 11});
    dir.write("index.dat", bytes);
    const auto read = test::ReadAll(bytes);
    const auto run = RunCli({"records", dir.file("index.dat")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), read.records.size() + 1);
    EXPECT_TRUE(lines[0].starts_with("file\toffset\ttype\tstatus\t"));
    for (std::size_t i = 0; i < read.records.size(); ++i) {
        EXPECT_EQ(Field(lines[i + 1], 0), dir.file("index.dat"));
        EXPECT_EQ(Field(lines[i + 1], 1), std::to_string(read.records[i].offset));
    }
    EXPECT_EQ(dir.read("index.dat"), bytes);
}

TEST(CliRecords, FailuresAndBadUsage) {
    TempDir dir;
    dir.write("gif.dat", "GIF89a\x01");
    ASSERT_EQ(::mkfifo(dir.file("fifo.dat").c_str(), 0644), 0);
    struct Case {
        std::string path;
        std::string err;
    };
    for (const Case& c :
         {Case{dir.file("gif.dat"), "not an MSIE cache file (signature \"GIF89a\\x01\")"},
          Case{dir.file("absent.dat"), "No such file or directory"},
          Case{dir.file("fifo.dat"), "Not a regular file"}}) {
        const auto run = RunCli({"records", c.path, "--format", "jsonl"});
        EXPECT_EQ(run.exitCode, 1) << c.path;
        EXPECT_EQ(run.err, c.path + ": " + c.err + "\n");
        EXPECT_EQ(run.out, "");
    }
    dir.write("index.dat", test::BuildIndexDat({}));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"records"},
          {"records", dir.file("index.dat"), "--format", "xml"},
          {"records", dir.file("index.dat"), "--format"},
          {"records", dir.file("index.dat"), "--bogus"},
          {"records", dir.file("index.dat"), "-o"},
          {"records", dir.file("index.dat"), dir.file("index.dat")}}) {
        const auto bad = RunCli(args);
        EXPECT_EQ(bad.exitCode, 2) << args.size();
        EXPECT_NE(bad.err.find("Usage: tessaly-cli records PATH"), std::string::npos);
        EXPECT_EQ(bad.out, "");
    }
    const auto help = RunCli({"records", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* says :
         {"last accessed", "last modified", "last visited", "visited (UTC)", "local time"}) {
        EXPECT_NE(help.out.find(says), std::string::npos) << says;
    }
}

// A folder is walked as find walks it; a file that is no cache file is named
// and the others are still read.
TEST(CliRecords, FolderIsReadInWalkOrderIntoOneOutput) {
    TempDir dir;
    dir.write("a/index.dat", test::BuildIndexDat(test::GenerateIndexDatEntries(20, 1)));
    dir.write("b/c/index.dat", test::BuildIndexDat(test::GenerateIndexDatEntries(30, 2)));
    dir.write("b/index.dat", "hello");
    dir.write("b/notes.txt", "not an index file");
    dir.write(".hidden/index.dat", test::BuildIndexDat(test::GenerateIndexDatEntries(5, 3)));
    std::vector<std::string> walked;
    for (const auto& line : Lines(RunCli({"find", dir.path()}).out)) {
        walked.push_back(line.substr(0, line.find('\t')));
    }
    ASSERT_EQ(walked.size(), 3u);

    const auto run = RunCli({"records", dir.path()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              dir.file("b/index.dat") + ": not an MSIE cache file (signature \"hello\")\n");
    std::vector<std::string> files;
    const auto lines = Lines(run.out);
    ASSERT_GT(lines.size(), 40u);
    EXPECT_TRUE(lines[0].starts_with("file\t"));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string file = Field(lines[i], 0);
        if (files.empty() || files.back() != file) files.push_back(file);
    }
    std::vector<std::string> read;
    for (const auto& w : walked) {
        if (w != dir.file("b/index.dat")) read.push_back(w);
    }
    EXPECT_EQ(files, read);

    dir.write("b/index.dat", test::BuildIndexDat({}));
    EXPECT_EQ(RunCli({"records", dir.path()}).exitCode, 0);
}

// Texts with what each format must escape, from the file to the output, and a
// path that is not UTF-8.
TEST(CliRecords, FormatsEscapeEndToEnd) {
    TempDir dir;
    test::IndexDatEntry e;
    e.location = "http://h/a\tb\nc\\d,\"e\x80\x01";
    e.lastAccessed = 130073741426616680;
    dir.write("bad\xff/index.dat", test::BuildIndexDat({e}));
    const std::string path = dir.file("bad\xff/index.dat");

    const auto tsv = RunCli({"records", path});
    ASSERT_EQ(tsv.exitCode, 0) << tsv.err;
    const auto tsvLines = Lines(tsv.out);
    ASSERT_EQ(tsvLines.size(), 2u);
    EXPECT_EQ(Field(tsvLines[1], 0), path);
    EXPECT_EQ(Field(tsvLines[1], 6), "http://h/a\\tb\\nc\\\\d,\"e\xE2\x82\xAC\x01");

    const auto csv = RunCli({"records", path, "--format", "csv"});
    EXPECT_NE(csv.out.find(",\"http://h/a\tb\nc\\d,\"\"e\xE2\x82\xAC\x01\","), std::string::npos)
        << csv.out;
    EXPECT_TRUE(csv.out.ends_with("\r\n"));

    const auto json = RunCli({"records", path, "--format", "jsonl"});
    EXPECT_NE(json.out.find("\"file\":\"" + dir.path() + "/bad\xEF\xBF\xBD/index.dat\""),
              std::string::npos);
    EXPECT_NE(json.out.find("\"location\":\"http://h/a\\tb\\nc\\\\d,\\\"e\xE2\x82\xAC\\u0001\""),
              std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.find('\xff'), std::string::npos);

    const auto body = RunCli({"records", path, "--format", "bodyfile"});
    const auto bodyLines = Lines(body.out);
    ASSERT_EQ(bodyLines.size(), 1u);
    EXPECT_EQ(std::count(bodyLines[0].begin(), bodyLines[0].end(), '|'), 10);
    EXPECT_TRUE(bodyLines[0].starts_with("0|MSIE cache URL live: http://h/a%09b%0Ac\\d,\"e"));
    EXPECT_TRUE(bodyLines[0].ends_with("|1362900542|0|1362900542|0"));
}

TEST(CliRecords, OutputFileNeverReplacesWhatIsReadOrADevice) {
    TempDir dir;
    const std::string bytes = test::BuildIndexDat(test::GenerateIndexDatEntries(50, 5));
    dir.write("ev/index.dat", bytes);
    const std::string input = dir.file("ev/index.dat");

    const auto saved = RunCli({"records", input, "-o", dir.file("out.tsv")});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(saved.out, "");
    EXPECT_EQ(dir.read("out.tsv"), RunCli({"records", input}).out);

    struct Case {
        std::vector<std::string> args;
        std::string target;
        std::string reason;
    };
    const std::string beingRead = "It is the file being read (" + input + ")";
    std::vector<Case> cases{
        {{"records", input, "-o", input}, input, beingRead},
        {{"records", dir.file("ev"), "-o", input}, input, beingRead},
        {{"records", input, "-o", dir.path()}, dir.path(), "Is a directory"},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, 1) << c.target;
        EXPECT_EQ(run.err, "Error: cannot write " + c.target + ": " + c.reason + "\n");
    }
    // Standard output appended onto the evidence (`>>`), for a file and for a
    // folder holding it.
    for (const std::string& path : {input, dir.file("ev")}) {
        const int appended = ::open(input.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        ASSERT_GE(appended, 0);
        test::CliSetup setup;
        setup.stdoutFd = appended;
        const auto run = RunCli({"records", path}, setup);
        ::close(appended);
        EXPECT_EQ(run.exitCode, 1) << path;
        EXPECT_EQ(run.err, "Error: cannot write standard output: " + beingRead + "\n");
    }
    // A device of our own, never the system's (only root may make one), is
    // written in place, never replaced.
    const std::string device = dir.file("null.dev");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        const auto run = RunCli({"records", input, "-o", device});
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_EQ(dir.read("ev/index.dat"), bytes);
    struct stat st {};
    if (::stat(device.c_str(), &st) == 0) {
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
}

}  // namespace
}  // namespace tessaly
