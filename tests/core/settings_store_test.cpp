#include "core/settings/settings_store.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app/identity.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::TempDir;

TEST(SettingsFileName, SpacesBecomeUnderscores) {
    EXPECT_EQ(SettingsFileName("Tessaly"), "Tessaly.ini");
    EXPECT_EQ(SettingsFileName("My Tool"), "My_Tool.ini");
    EXPECT_EQ(SettingsFileName(" a  b "), "_a__b_.ini");
}

TEST(SettingsStore, PathAddsASeparatorOnlyWhenMissing) {
    const std::string sep(1, kSeparator);
    struct Case {
        std::string folder;
        std::string expected;
    };
    for (const Case& c :
         {Case{sep + "opt" + sep + "tessaly", sep + "opt" + sep + "tessaly" + sep + "Tessaly.ini"},
          Case{sep + "opt" + sep + "tessaly" + sep,
               sep + "opt" + sep + "tessaly" + sep + "Tessaly.ini"},
          Case{sep, sep + "Tessaly.ini"}}) {
        EXPECT_EQ(SettingsStore(c.folder).settingsFilePath(), c.expected) << c.folder;
    }
}

class SettingsStoreFile : public ::testing::Test {
  protected:
    TempDir dir_;
    SettingsStore store_{dir_.path()};
};

TEST_F(SettingsStoreFile, ReadsDefaultsUntilTheFirstWriteCreatesTheFile) {
    EXPECT_EQ(store_.read("Search", "Path", "/"), "/");
    EXPECT_TRUE(store_.write("Search", "Path", "/home/u/"));
    EXPECT_EQ(dir_.read("Tessaly.ini"), "[Search]\r\nPath=/home/u/\r\n");
    EXPECT_EQ(store_.read("Search", "Path", "/"), "/home/u/");
}

TEST_F(SettingsStoreFile, EveryReadSeesTheFileAsItIsNow) {
    store_.write("Search", "Path", "/first/");
    EXPECT_EQ(store_.read("Search", "Path", "/"), "/first/");
    dir_.write("Tessaly.ini", "[search]\npath = \"/edited by hand/\"\n");
    EXPECT_EQ(store_.read("Search", "Path", "/"), "/edited by hand/");
}

TEST_F(SettingsStoreFile, ACloseWritesItsKeysInFirstWrittenOrder) {
    // The keys a normal run writes, second run included: the order stays that of the first.
    for (int run = 0; run < 2; ++run) {
        store_.write("Search", "Path", "/data/");
        store_.write("Main", "Ver", VersionText());
        store_.write("Position", "T", run == 0 ? "1000" : "1200");
        store_.write("Position", "L", "4200");
        store_.write("Position", "f1", "2437.5");
        store_.write("Position", "f2", "1000");
    }
    EXPECT_EQ(dir_.read("Tessaly.ini"),
              "[Search]\r\nPath=/data/\r\n[Main]\r\nVer=" + VersionText() +
                  "\r\n[Position]\r\nT=1200\r\nL=4200\r\n"
                  "f1=2437.5\r\nf2=1000\r\n");
}

TEST_F(SettingsStoreFile, ViewerPrefixIsStoredOnFirstUse) {
    const std::string def = "http://viewer.example/?mode=Wendel&url=";
    EXPECT_EQ(store_.viewerPrefix(def), def);
    EXPECT_EQ(dir_.read("Tessaly.ini"), "[Paths]\r\nWendel=" + def + "\r\n");
    EXPECT_EQ(store_.viewerPrefix("http://other/"), def);
}

TEST_F(SettingsStoreFile, ViewerPrefixKeepsAUserValueAndRewritesAnEmptyOne) {
    const std::string edited = "[Paths]\r\nWendel=https://mine.example/view?u=\r\n";
    dir_.write("Tessaly.ini", edited);
    EXPECT_EQ(store_.viewerPrefix("http://default/"), "https://mine.example/view?u=");
    EXPECT_EQ(dir_.read("Tessaly.ini"), edited);

    dir_.write("Tessaly.ini", "[Paths]\r\nWendel=\r\n");
    EXPECT_EQ(store_.viewerPrefix("http://default/"), "http://default/");
    EXPECT_EQ(dir_.read("Tessaly.ini"), "[Paths]\r\nWendel=http://default/\r\n");
}

TEST(SettingsStore, ViewerPrefixIsEmptyWhenItCannotBeStored) {
    TempDir dir;
    dir.write("plain", "");
    SettingsStore store(dir.file("plain"));  // the "folder" is a regular file
    EXPECT_FALSE(store.write("Search", "Path", "/"));
    EXPECT_EQ(store.viewerPrefix("http://default/"), "");
}

}  // namespace
}  // namespace tessaly
