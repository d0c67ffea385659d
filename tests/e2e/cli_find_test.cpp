#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::RunCli;
using test::TempDir;

TEST(CliFind, PrintsLocationTabSizeInDiscoveryOrder) {
    TempDir dir;
    dir.write("index.dat", std::string(32768, 'x'));
    dir.write("INDEX.DAT", "not listed");
    dir.write("sub/oldindex.dat", std::string(1536, 'x'));
    dir.write("sub/deeper/Index.dat", std::string(1152, 'x'));
    dir.write(".cache/index.dat", "not entered");

    const std::filesystem::path cliFolder = std::filesystem::path(TESSALY_CLI_PATH).parent_path();
    const bool hadSettings = std::filesystem::exists(cliFolder / "Tessaly.ini");
    const bool hadLog = std::filesystem::exists(cliFolder / "applog.log");

    const std::string expected = dir.file("index.dat") + "\t32.00\n" +
                                 dir.file("sub/oldindex.dat") + "\t1.50\n" +
                                 dir.file("sub/deeper/Index.dat") + "\t1.13\n";
    for (const std::string& root : {dir.path(), dir.path() + "/"}) {
        const auto run = RunCli({"find", root});
        EXPECT_EQ(run.exitCode, 0) << root;
        EXPECT_EQ(run.out, expected) << root;
        EXPECT_EQ(run.err, "") << root;
    }
    EXPECT_EQ(std::filesystem::exists(cliFolder / "Tessaly.ini"), hadSettings);
    EXPECT_EQ(std::filesystem::exists(cliFolder / "applog.log"), hadLog);
}

// A root that is no folder was once taken as an empty one (exit 0, not a
// word): it is a failure that names the root and the reason.
TEST(CliFind, RootThatIsNoFolderIsAFailureNamingIt) {
    TempDir dir;
    dir.write("index.dat", "x");
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("missing"), "No such file or directory"},
        {dir.file("index.dat"), "Not a directory"},
    };
    for (const auto& [root, reason] : cases) {
        const auto run = RunCli({"find", root});
        EXPECT_EQ(run.exitCode, 1) << root;
        EXPECT_EQ(run.out, "") << root;
        EXPECT_EQ(run.err, "Error: cannot search " + root + ": " + reason + "\n") << root;
    }
}

TEST(CliFind, NamesArePrintedByteForByte) {
    TempDir dir;
    const std::vector<std::string> names{"new\nline-index.dat", "tab\tindex.dat",
                                         "\xff\xfe-index.dat"};
    for (const std::string& name : names) dir.write(name, "");

    const auto run = RunCli({"find", dir.path()});
    EXPECT_EQ(run.exitCode, 0);
    std::size_t total = 0;
    for (const std::string& name : names) {
        const std::string line = dir.file(name) + "\t0.00\n";
        EXPECT_NE(run.out.find(line), std::string::npos) << name;
        total += line.size();
    }
    EXPECT_EQ(run.out.size(), total);
}

TEST(CliFind, MoreThanOneRootIsAUsageError) {
    const auto run = RunCli({"find", "/a", "/b"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("find [ROOT]"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
