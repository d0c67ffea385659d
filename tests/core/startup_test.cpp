#include "core/app/startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/app/install_layout.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(CommandLineText, JoinsTheWordsAfterTheProgramName) {
    struct Case {
        std::vector<const char*> argv;
        const char* expected;
    };
    const Case cases[] = {
        {{}, ""},
        {{"tessaly"}, ""},
        {{"tessaly", "/data/index.dat"}, "/data/index.dat"},
        {{"tessaly", "/my files/index.dat", "second"}, "/my files/index.dat second"},
        {{"tessaly", "", "x"}, " x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CommandLineText(static_cast<int>(c.argv.size()), c.argv.data()), c.expected);
    }
}

TEST(StartupPath, DropsEveryQuoteThenTrimsSpaces) {
    struct Case {
        const char* commandLine;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"/data/index.dat", "/data/index.dat"},
        {"\"/my files/index.dat\"", "/my files/index.dat"},
        {"   \"  /my files/index.dat  \"   ", "/my files/index.dat"},
        {"/first/index.dat /second/index.dat", "/first/index.dat /second/index.dat"},
        {"\"\"", ""},
        {"\"   \"", ""},
        {"\" \" \" \"", ""},
        {"/da\"ta/ind\"ex.dat", "/data/index.dat"},
        {"\t/data\t", "\t/data\t"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StartupPath(c.commandLine), c.expected) << "[" << c.commandLine << "]";
    }
}

TEST(IsBlank, OnlySpacesCountAsBlank) {
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank("    "));
    EXPECT_FALSE(IsBlank("\t"));
    EXPECT_FALSE(IsBlank(" \t "));
    EXPECT_FALSE(IsBlank("  a  "));
}

TEST(FileNameOf, TakesWhatFollowsTheLastSeparator) {
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"/data/cache/index.dat", "index.dat"},
        {"index.dat", "index.dat"},
        {"/data/cache/", ""},
        {"/", ""},
        {"", ""},
        {"/first/index.dat /second/index.dat", "index.dat"},
        {"/data/my file", "my file"},
    };
    for (const Case& c : cases) EXPECT_EQ(FileNameOf(c.path), c.expected) << c.path;
}

TEST(FolderOf, TakesWhatStandsBeforeTheLastSeparator) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/home/examiner/out.txt", "/home/examiner"},
        {"/out.txt", "/"},
        {"out.txt", ""},
        {"", ""},
        {"/data/cache/", "/data/cache"},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderOf(c.path), c.expected) << c.path;
}

TEST(FormatSingle, WritesTheShortestDecimalOfTheFloat) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {1000, "1000"},
        {4200, "4200"},
        {2437.5, "2437.5"},
        {-150, "-150"},
        {0, "0"},
        {-0.0, "0"},
        {0.1, "0.1"},
        {1.0 / 3.0, "0.33333334"},
        {16777217, "16777216"},  // beyond the float's 24-bit mantissa
        {1e10, "10000000000"},
        {1e20, "100000002004087734272"},
        {0.0001, "0.0001"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatSingle(c.value), c.expected) << c.value;
}

TEST(ParseSetting, ReadsPlainDecimalsAndFallsBackOnAnythingElse) {
    struct Case {
        const char* text;
        double expected;
    };
    constexpr double kFallback = -7777;
    const Case cases[] = {
        {"1000", 1000},
        {"-150", -150},
        {"2437.5", 2437.5},
        {"+5", 5},
        {" 12 ", 12},
        {".5", 0.5},
        {"5.", 5},
        {"007", 7},
        {"", kFallback},
        {"   ", kFallback},
        {"abc", kFallback},
        {"12abc", kFallback},
        {"1e3", kFallback},
        {"inf", kFallback},
        {"-inf", kFallback},
        {"nan", kFallback},
        {"-", kFallback},
        {".", kFallback},
        {"1.2.3", kFallback},
        {"--1", kFallback},
        {"+-1", kFallback},
        {"1 2", kFallback},
        {"1,5", kFallback},
        {"0x10", kFallback},
        {"\t12", kFallback},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseSetting(c.text, kFallback), c.expected) << c.text;

    const std::string tooLarge = "1" + std::string(400, '0');
    EXPECT_EQ(ParseSetting(tooLarge, kFallback), kFallback);
}

TEST(ParseSetting, ReadsBackWhatFormatSingleWrote) {
    for (const double value : {0.0, 1.0, -150.0, 2437.5, 0.1, 1.0 / 3.0, 123456.789, -1e-5}) {
        EXPECT_EQ(static_cast<float>(ParseSetting(FormatSingle(value), 0)),
                  static_cast<float>(value))
            << value;
    }
}

// A folder with a visible file, hidden entries, sub-folders and links.
class FileExistsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_.write("index.dat", "x");
        dir_.write(".hidden.dat", "x");
        dir_.write("README", "x");
        dir_.write("full/file.txt", "x");
        dir_.write("onlyhidden/.secret", "x");
        fs::create_directories(dir_.file("empty"));
        fs::create_directories(dir_.file("subdir.dat/inner"));
        fs::create_symlink(dir_.file("index.dat"), dir_.file("link.lnk"));
        fs::create_symlink(dir_.file("gone"), dir_.file("dangling.lnk"));
    }

    std::string at(const std::string& name) const { return dir_.file(name); }

    TempDir dir_;
};

TEST_F(FileExistsTest, CountsOnlyVisibleRegularFiles) {
    struct Case {
        std::string path;
        bool expected;
    };
    const Case cases[] = {
        {at("index.dat"), true},
        {at("missing.dat"), false},
        {at("ind*.dat"), true},
        {at("ind?x.dat"), true},
        {at("*.dat"), true},
        {at("*"), true},
        {at("*.*"), true},
        {at("index.da"), false},
        {at("ind?.dat"), false},
        {at("x*"), false},
        {at("INDEX.DAT"), false},
        {at(".hidden.dat"), false},
        {at(".hid*"), false},
        {at("*hidden*"), false},    // only the hidden file matches
        {at("subdir.dat"), false},  // a folder
        {at("subdir.d?t"), false},
        {at("full"), false},
        {at("full/"), true},
        {at("full/*.txt"), true},
        {at("onlyhidden/"), false},
        {at("empty/"), false},
        {at("subdir.dat/"), false},  // holds only a folder
        {at("missing/"), false},
        {at("missing/*"), false},
        {at("index.dat/"), false},
        {at("link.lnk"), true},
        {at("dangling.lnk"), false},
        {at("dang*"), false},
        {"", false},
        {"   ", false},
    };
    for (const Case& c : cases) EXPECT_EQ(FileExists(c.path), c.expected) << c.path;
}

TEST_F(FileExistsTest, ANameWithoutFolderIsLookedForInTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_.path());
    EXPECT_TRUE(FileExists("index.dat"));
    EXPECT_TRUE(FileExists("R*"));
    EXPECT_FALSE(FileExists("full"));
    fs::current_path(before);
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    if (folder != "/") {
        EXPECT_NE(folder.back(), '/');
    }
    EXPECT_TRUE(fs::equivalent(fs::path(folder) / fs::read_symlink("/proc/self/exe").filename(),
                               "/proc/self/exe"));
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ResolveAppFolder, KeepsAWritableExecutableFolder) {
    TempDir dir;
    EXPECT_EQ(ResolveAppFolder(dir.path()), dir.path());
}

TEST(ResolveAppFolder, MovesToTheUserConfigFolderWhenTheExecutableFolderIsNotWritable) {
    TempDir dir;
    dir.write("plain", "");
    const std::string notAFolder = dir.file("plain/bin");  // nothing can be written below a file

    {
        ScopedEnv xdg("XDG_CONFIG_HOME", dir.file("config/"));
        // Naming the folder, as the command line does, makes nothing.
        EXPECT_EQ(FindAppFolder(notAFolder), dir.file("config/Tessaly"));
        EXPECT_FALSE(fs::exists(dir.file("config")));
        EXPECT_EQ(ResolveAppFolder(notAFolder), dir.file("config/Tessaly"));
        EXPECT_TRUE(fs::is_directory(dir.file("config/Tessaly")));
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/ignored");
        ScopedEnv home("HOME", dir.file("home"));
        EXPECT_EQ(ResolveAppFolder(notAFolder), dir.file("home/.config/Tessaly"));
        EXPECT_TRUE(fs::is_directory(dir.file("home/.config/Tessaly")));
    }
}

// An installed program's folder (/usr/bin) is writable for root: the settings
// and the log still go to the user's folder, never beside the system's programs.
TEST(ResolveAppFolder, MovesAwayFromTheFolderOfAnInstalledProgram) {
    TempDir dir;
    const std::string bin = dir.file("usr/bin");
    fs::create_directories(bin);
    fs::create_directories(InstalledDataFolder(bin));
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.file("config"));
    EXPECT_EQ(ResolveAppFolder(bin), dir.file("config/Tessaly"));
}

TEST(ResolveAppFolder, MovesAwayFromAReadOnlyFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    fs::create_directories(dir.file("bin"));
    fs::permissions(dir.file("bin"), fs::perms::owner_read | fs::perms::owner_exec);
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.file("config"));
    EXPECT_EQ(ResolveAppFolder(dir.file("bin")), dir.file("config/Tessaly"));
}

}  // namespace
}  // namespace tessaly
