#include "core/app/install_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(InstallLayout, DataFolderIsNormalFromAnyProgramFolder) {
    if (DataFolderFromProgram() != "../share/tessaly") {
        GTEST_SKIP() << "built for another layout: " << DataFolderFromProgram();
    }
    struct Case {
        const char* exeFolder;
        const char* expected;
    };
    const Case cases[] = {
        {"/usr/bin", "/usr/share/tessaly"},
        {"/usr/bin/", "/usr/share/tessaly"},
        {"/tmp/root/usr/bin", "/tmp/root/usr/share/tessaly"},
        {"/opt/case files/bin", "/opt/case files/share/tessaly"},
        {"/bin", "/share/tessaly"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InstalledDataFolder(c.exeFolder), c.expected) << c.exeFolder;
    }
}

TEST(InstallLayout, HelpPageIsLookedForBesideTheProgramFirst) {
    EXPECT_EQ(HelpPageCandidates("/opt/t/bin"),
              (std::vector<std::string>{"/opt/t/bin/help.html",
                                        InstalledDataFolder("/opt/t/bin") + "/help.html"}));
    EXPECT_EQ(HelpPageCandidates("/opt/t/bin/").front(), "/opt/t/bin/help.html");
}

// A program folder `bin` inside a scratch folder, with the installed data
// folder laid out beside it as the build configured it.
struct InstalledTree {
    TempDir dir;
    std::string bin = dir.file("prefix/bin");
    std::string data = InstalledDataFolder(bin);
    InstalledTree() {
        fs::create_directories(bin);
        fs::create_directories(data);
    }
};

void WritePage(const std::string& path) { std::ofstream(path) << "<html></html>"; }

TEST(FindHelpPage, TakesTheFirstPlaceThatHoldsThePage) {
    {
        InstalledTree tree;  // nowhere
        EXPECT_EQ(FindHelpPage(tree.bin), "");
    }
    {
        InstalledTree tree;  // installed
        WritePage(tree.data + "/help.html");
        EXPECT_EQ(FindHelpPage(tree.bin), tree.data + "/help.html");
    }
    {
        InstalledTree tree;  // a copy beside the program wins
        WritePage(tree.bin + "/help.html");
        WritePage(tree.data + "/help.html");
        EXPECT_EQ(FindHelpPage(tree.bin), tree.bin + "/help.html");
    }
    {
        InstalledTree tree;  // a folder of that name is no page
        fs::create_directories(tree.bin + "/help.html");
        EXPECT_EQ(FindHelpPage(tree.bin), "");
    }
}

}  // namespace
}  // namespace tessaly
