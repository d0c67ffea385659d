#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/actions/result_writer.h"
#include "core/extract/contents_rows.h"
#include "support/index_dat_writer.h"
#include "support/reference_scan.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::RunCli;

// A generated index file and what the obvious scan finds in it.
struct Generated {
    test::TempDir dir;
    std::string path = dir.file("index.dat");
    std::string bytes;
    std::vector<test::ReferenceRow> rows;

    explicit Generated(std::uint64_t seed) {
        bytes = test::BuildIndexDat(test::GenerateIndexDatEntries(300, seed), {2, seed});
        dir.write("index.dat", bytes);
        rows = test::ReferenceScan(bytes);
    }
    std::string plain() const {
        std::string text;
        for (const auto& r : rows) text += r.bytes + "\r\n";
        return text;
    }
};

TEST(CliExtract, CountsAndWritesEveryRowOfGeneratedFiles) {
    for (std::uint64_t seed : {1u, 2013u}) {
        const Generated g(seed);
        ASSERT_GT(g.rows.size(), 300u);  // Visited records give two rows each

        const auto count = RunCli({"extract", g.path, "--count"});
        EXPECT_EQ(count.exitCode, 0) << count.err;
        EXPECT_EQ(count.out, std::to_string(g.rows.size()) + "\n");
        EXPECT_EQ(count.err, "");

        const auto plain = RunCli({"extract", g.path});
        EXPECT_EQ(plain.exitCode, 0);
        EXPECT_TRUE(plain.out == g.plain()) << "plain output differs, seed " << seed;
    }
}

TEST(CliExtract, WritesToTheNamedFileInEitherLayout) {
    const Generated g(7);
    const std::string out = g.dir.file("result.txt");
    const auto plain = RunCli({"extract", g.path, "-o", out, "--format", "plain"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out, "");
    EXPECT_TRUE(g.dir.read("result.txt") == g.plain());

    ContentsRows rows;
    for (const auto& r : g.rows) rows.append(r.bytes);
    std::ostringstream page;
    WriteHtml(page, g.path, rows.size(), [&](std::size_t i) { return rows.row(i); });
    const auto html = RunCli({"extract", "--format", "html", g.path, "-o", g.dir.file("r.html")});
    EXPECT_EQ(html.exitCode, 0) << html.err;
    EXPECT_EQ(g.dir.read("r.html"), page.str());
    // The page streamed to the standard output is the same page.
    const auto streamed = RunCli({"extract", "--format", "html", g.path});
    EXPECT_EQ(streamed.exitCode, 0) << streamed.err;
    EXPECT_TRUE(streamed.out == page.str());
}

TEST(CliExtract, EmptyFileIsNoFailure) {
    test::TempDir dir;
    dir.write("empty.dat", "");
    const auto count = RunCli({"extract", dir.file("empty.dat"), "--count"});
    EXPECT_EQ(count.exitCode, 0);
    EXPECT_EQ(count.out, "0\n");
    const auto plain = RunCli({"extract", dir.file("empty.dat")});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(plain.out, "");
}

TEST(CliExtract, FailuresAndBadUsage) {
    test::TempDir dir;
    const auto missing = RunCli({"extract", dir.file("absent.dat")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "Error: cannot read " + dir.file("absent.dat") + ": No such file or directory\n");

    const auto folder = RunCli({"extract", dir.path(), "-o", dir.file("never.txt")});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_EQ(folder.err, "Error: cannot read " + dir.path() + ": Is a directory\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.txt")));

    dir.write("a.dat", "http://a/");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"extract"},
          {"extract", dir.file("a.dat"), "--format", "xml"},
          {"extract", dir.file("a.dat"), "--bogus"},
          {"extract", dir.file("a.dat"), "-o"},
          {"extract", dir.file("a.dat"), dir.file("a.dat")}}) {
        const auto bad = RunCli(args);
        EXPECT_EQ(bad.exitCode, 2) << args.size();
        EXPECT_NE(bad.err, "");
        EXPECT_EQ(bad.out, "");
    }
}

// Real index files: each gives the number of entries its README table names
// (the rows "| file | origin | bytes | entries |").
TEST(CliExtract, SharedSamplesGiveTheirKnownCounts) {
    const std::filesystem::path folder(TESSALY_SHARED_FIXTURES);
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no " << folder;
    std::ifstream readme(folder / "README.md");
    std::size_t checked = 0;
    for (std::string line; std::getline(readme, line);) {
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, '|');) {
            const auto b = cell.find_first_not_of(' '), e = cell.find_last_not_of(' ');
            cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
        }
        if (cells.size() != 5 || !cells[1].ends_with(".dat")) continue;
        const auto run = RunCli({"extract", (folder / cells[1]).string(), "--count"});
        EXPECT_EQ(run.exitCode, 0) << cells[1] << ": " << run.err;
        EXPECT_EQ(run.out, cells[4] + "\n") << cells[1];
        ++checked;
    }
    EXPECT_NE(checked, 0u) << "no samples listed in " << folder / "README.md";
}

}  // namespace
}  // namespace tessaly
