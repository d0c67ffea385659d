#include "core/settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

constexpr std::string_view kDefault = "dflt";

struct ReadCase {
    const char* name;
    std::optional<std::string> file;  // nullopt: no file at all
    const char* section;
    const char* key;
    std::string expected;
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsValueOrDefault) {
    const ReadCase& c = GetParam();
    TempDir dir;
    if (c.file) dir.write("s.ini", *c.file);
    EXPECT_EQ(ini::ReadValue(dir.file("s.ini"), c.section, c.key, kDefault), c.expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTest,
    ::testing::Values(
        ReadCase{"NoFile", std::nullopt, "S", "k", "dflt"},
        ReadCase{"EmptyFile", "", "S", "k", "dflt"},
        ReadCase{"SectionMissing", "[T]\r\nk=v\r\n", "S", "k", "dflt"},
        ReadCase{"KeyMissing", "[S]\r\nj=v\r\n", "S", "k", "dflt"},
        ReadCase{"KeyInOtherSection", "[S]\r\nj=1\r\n[T]\r\nk=v\r\n", "S", "k", "dflt"},
        ReadCase{"KeyBeforeAnySection", "k=v\r\n[S]\r\n", "S", "k", "dflt"},
        ReadCase{"CommentedOutKey", "[S]\r\n;k=v\r\n  ; k=w\r\n", "S", "k", "dflt"},
        ReadCase{"LineWithoutEquals", "[S]\r\nk\r\n", "S", "k", "dflt"},
        ReadCase{"HeaderWithoutBracket", "[S\r\nk=v\r\n", "S", "k", "dflt"},
        ReadCase{"Plain", "[S]\r\nk=v\r\n", "S", "k", "v"},
        ReadCase{"LfLines", "[S]\nk=v\n", "S", "k", "v"},
        ReadCase{"NoFinalLineEnd", "[S]\r\nk=v", "S", "k", "v"},
        ReadCase{"NamesIgnoreCase", "[sEaRcH]\r\nPATH=v\r\n", "Search", "path", "v"},
        ReadCase{"BlanksAroundHeader", "  [ \tSearch  ]  \r\nk=v\r\n", "Search", "k", "v"},
        ReadCase{"HeaderWithComment", "[S] ; note\r\nk=v\r\n", "S", "k", "v"},
        ReadCase{"BlanksAroundKey", "[S]\r\n\t Path = C:\\x \r\n", "S", "Path", "C:\\x"},
        ReadCase{"ValueHoldsEquals", "[S]\r\nu=a=b==c\r\n", "S", "u", "a=b==c"},
        ReadCase{"EmptyValueIsNotDefault", "[S]\r\nk=\r\n", "S", "k", ""},
        ReadCase{"BlankValueIsEmpty", "[S]\r\nk= \t \r\n", "S", "k", ""},
        ReadCase{"FirstOfDuplicateKeys", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "1"},
        ReadCase{"FirstSectionWins", "[S]\r\nk=1\r\n[S]\r\nk=2\r\n", "S", "k", "1"},
        ReadCase{"LaterSectionOfSameName", "[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n", "S", "k", "2"},
        ReadCase{"Utf8Bom", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "v"},
        ReadCase{"BytesKeptAsTheyAre", "[S]\r\nk=\xC3\xBC\xFF\x01\r\n", "S", "k",
                 "\xC3\xBC\xFF\x01"},
        ReadCase{"NulEndsValue", "[S]\r\nk=ab\0cd\r\n"s, "S", "k", "ab"},
        ReadCase{"GarbageAround", "\0\xFF\xFE garbage ]]] ==\r\n[S]\nk=v\n\x01\x02[\r\n"s, "S", "k",
                 "v"}),
    [](const auto& p) { return std::string(p.param.name); });

struct QuoteCase {
    const char* stored;
    const char* expected;
};

class IniQuoteTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(IniQuoteTest, DropsBlanksAndOnePairOfMatchingQuotes) {
    TempDir dir;
    dir.write("s.ini", std::string("[S]\r\nk=") + GetParam().stored + "\r\n");
    EXPECT_EQ(ini::ReadValue(dir.file("s.ini"), "S", "k", kDefault), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniQuoteTest,
                         ::testing::Values(QuoteCase{"  x  ", "x"}, QuoteCase{"\tx\t", "x"},
                                           QuoteCase{"\"x\"", "x"}, QuoteCase{"'x'", "x"},
                                           QuoteCase{"  \"x\"  ", "x"}, QuoteCase{"\" x \"", " x "},
                                           QuoteCase{"\"x", "\"x"}, QuoteCase{"x\"", "x\""},
                                           QuoteCase{"\"x'", "\"x'"}, QuoteCase{"'x\"", "'x\""},
                                           QuoteCase{"\"\"", ""}, QuoteCase{"\"", "\""},
                                           QuoteCase{"\"\"x\"\"", "\"x\""},
                                           QuoteCase{"a \"b\" c", "a \"b\" c"}));

TEST(IniRead, CutsValuesAndDefaultsTo154Bytes) {
    TempDir dir;
    const std::string longValue = std::string(100, 'a') + std::string(100, 'b');
    dir.write("s.ini", "[S]\r\nk=" + longValue + "\r\nq=\"" + longValue + "\"\r\n");
    const std::string path = dir.file("s.ini");

    EXPECT_EQ(ini::ReadValue(path, "S", "k", kDefault), longValue.substr(0, 154));
    EXPECT_EQ(ini::ReadValue(path, "S", "q", kDefault), longValue.substr(0, 154));
    EXPECT_EQ(ini::ReadValue(path, "S", "missing", longValue), longValue.substr(0, 154));
    EXPECT_EQ(ini::ReadValue(path, "S", "k", kDefault).size(), ini::kMaxValueLength);
}

TEST(IniRead, FolderOrUnreadableFileGivesDefault) {
    TempDir dir;
    dir.write("sub/s.ini", "[S]\r\nk=v\r\n");
    EXPECT_EQ(ini::ReadValue(dir.file("sub"), "S", "k", kDefault), kDefault);
    EXPECT_EQ(ini::ReadValue(dir.file("sub/s.ini/x"), "S", "k", kDefault), kDefault);
}

// Whole files: what stands before, the write, what must stand after.
struct WriteCase {
    const char* name;
    std::optional<std::string> before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, ChangesOnlyWhatItMust) {
    const WriteCase& c = GetParam();
    TempDir dir;
    if (c.before) dir.write("s.ini", *c.before);
    ASSERT_TRUE(ini::WriteValue(dir.file("s.ini"), c.section, c.key, c.value));
    EXPECT_EQ(dir.read("s.ini"), c.after);
    EXPECT_EQ(ini::ReadValue(dir.file("s.ini"), c.section, c.key, kDefault), c.value);

    // Nothing but the settings file is left in the folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteTest,
    ::testing::Values(
        WriteCase{"CreatesFile", std::nullopt, "S", "k", "v", "[S]\r\nk=v\r\n"},
        WriteCase{"FillsEmptyFile", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        WriteCase{"AppendsSection", "; top\r\n[A]\r\nx=1\r\n", "S", "k", "v",
                  "; top\r\n[A]\r\nx=1\r\n[S]\r\nk=v\r\n"},
        WriteCase{"AppendsSectionAfterUnendedLine", "[A]\nx=1", "S", "k", "v",
                  "[A]\nx=1\r\n[S]\r\nk=v\r\n"},
        WriteCase{"AddsKeyBeforeTrailingBlankLines", "[S]\r\na=1\r\n\r\n\r\n[T]\r\nb=2\r\n", "S",
                  "k", "v", "[S]\r\na=1\r\nk=v\r\n\r\n\r\n[T]\r\nb=2\r\n"},
        WriteCase{"AddsKeyAfterComment", "[S]\na=1\n; about T\n[T]\n", "S", "k", "v",
                  "[S]\na=1\n; about T\nk=v\r\n[T]\n"},
        WriteCase{"AddsKeyToUnendedLastSection", "[A]\r\n[S]\r\na=1", "S", "k", "v",
                  "[A]\r\n[S]\r\na=1\r\nk=v\r\n"},
        WriteCase{"AddsKeyUnderBareHeader", "[S]", "S", "k", "v", "[S]\r\nk=v\r\n"},
        WriteCase{"AddsKeyToFirstOfDuplicateSections", "[S]\r\na=1\r\n[S]\r\nb=2\r\n", "S", "k",
                  "v", "[S]\r\na=1\r\nk=v\r\n[S]\r\nb=2\r\n"},
        WriteCase{"ReplacesInCrLfFile",
                  "; kept\r\n[Other]\r\nz=9\r\n\r\n[S]\r\nk=old\r\nj=2\r\n[Last]\r\ny=8\r\n", "S",
                  "k", "new",
                  "; kept\r\n[Other]\r\nz=9\r\n\r\n[S]\r\nk=new\r\nj=2\r\n[Last]\r\ny=8\r\n"},
        WriteCase{"ReplacesInLfFile", "[S]\nk=old\nj=2\n", "S", "k", "new", "[S]\nk=new\nj=2\n"},
        WriteCase{"KeepsSpellingAndSpacing", "[search]\r\n  PATH =  \"old\"  \r\n", "Search",
                  "Path", "C:\\", "[search]\r\n  PATH =  C:\\\r\n"},
        WriteCase{"ReplacesFirstDuplicateKey", "[S]\nk=1\nk=2\n", "S", "k", "9", "[S]\nk=9\nk=2\n"},
        WriteCase{"ReplacesInLaterSectionOfSameName", "[S]\na=1\n[T]\n[S]\nk=old\n", "S", "k",
                  "new", "[S]\na=1\n[T]\n[S]\nk=new\n"},
        WriteCase{"SetsEmptyValue", "[S]\r\nk=old\r\n", "S", "k", "", "[S]\r\nk=\r\n"},
        WriteCase{"ValueWithEquals", std::nullopt, "Paths", "Wendel",
                  "http://h/?mode=Wendel&url=", "[Paths]\r\nWendel=http://h/?mode=Wendel&url=\r\n"},
        WriteCase{"KeepsBomAndGarbage", "\xEF\xBB\xBF\x01\xFFjunk\r\n[S]\r\nk=1\r\n\x02tail", "S",
                  "k", "2", "\xEF\xBB\xBF\x01\xFFjunk\r\n[S]\r\nk=2\r\n\x02tail"},
        WriteCase{"AfterBomOnly", "\xEF\xBB\xBF", "S", "k", "v", "\xEF\xBB\xBF[S]\r\nk=v\r\n"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(IniWrite, EachStepOfAFreshFileReadsBack) {
    TempDir dir;
    const std::string path = dir.file("Tessaly.ini");
    const std::string longValue(154, 'x');
    ASSERT_TRUE(ini::WriteValue(path, "Search", "Path", "/home/u/My Files/"));
    ASSERT_TRUE(ini::WriteValue(path, "Main", "Ver", "1.0.8"));
    ASSERT_TRUE(ini::WriteValue(path, "Position", "T", "1000"));
    ASSERT_TRUE(ini::WriteValue(path, "Position", "L", "-150"));
    ASSERT_TRUE(ini::WriteValue(path, "position", "t", "2437.5"));
    ASSERT_TRUE(ini::WriteValue(path, "Search", "Long", longValue));

    EXPECT_EQ(dir.read("Tessaly.ini"),
              "[Search]\r\nPath=/home/u/My Files/\r\nLong=" + longValue +
                  "\r\n[Main]\r\nVer=1.0.8\r\n[Position]\r\nT=2437.5\r\nL=-150\r\n");
    EXPECT_EQ(ini::ReadValue(path, "Search", "Path", kDefault), "/home/u/My Files/");
    EXPECT_EQ(ini::ReadValue(path, "Position", "T", kDefault), "2437.5");
    EXPECT_EQ(ini::ReadValue(path, "Search", "Long", kDefault), longValue);
}

TEST(IniWrite, RefusesWhatTheFormatCannotHold) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {{"S", "k", "a\r\nb"}, {"S", "k", "a\nb"}, {"S\n", "k", "v"},
                          {"S", "k\r", "v"},    {"S]", "k", "v"},   {"S", "", "v"},
                          {"S", "  ", "v"},     {"S", "a=b", "v"},  {"S", ";k", "v"},
                          {"S", "[k]", "v"}};
    TempDir dir;
    const std::string before = "; mine\r\n[S]\r\nk=old\r\n";
    dir.write("s.ini", before);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key + "=" + c.value);
        EXPECT_FALSE(ini::WriteValue(dir.file("s.ini"), c.section, c.key, c.value));
        EXPECT_EQ(dir.read("s.ini"), before);
    }
}

TEST(IniWrite, FailsWithoutTouchingAnythingWhenTheFolderCannotTakeAFile) {
    TempDir dir;
    dir.write("plain", "not a folder");
    // The file's parent is a regular file: nothing can be created there, even by root.
    EXPECT_FALSE(ini::WriteValue(dir.file("plain/s.ini"), "S", "k", "v"));
    EXPECT_EQ(dir.read("plain"), "not a folder");
    // The target is a folder.
    fs::create_directory(dir.file("folder"));
    EXPECT_FALSE(ini::WriteValue(dir.file("folder"), "S", "k", "v"));
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_TRUE(fs::is_empty(dir.file("folder")));
}

TEST(IniWrite, FailsWithoutTouchingTheFileInAReadOnlyFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const std::string before = "[S]\r\nk=old\r\n";
    dir.write("ro/s.ini", before);
    fs::permissions(dir.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(ini::WriteValue(dir.file("ro/s.ini"), "S", "k", "new"));
    EXPECT_EQ(dir.read("ro/s.ini"), before);
    EXPECT_EQ(ini::ReadValue(dir.file("ro/s.ini"), "S", "k", kDefault), "old");
}

TEST(IniWrite, LeavesAnUnreadableFileAlone) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read rights";
    TempDir dir;
    const std::string before = "[S]\r\nk=old\r\nother=kept\r\n";
    dir.write("s.ini", before);
    fs::permissions(dir.file("s.ini"), fs::perms::owner_write);
    EXPECT_FALSE(ini::WriteValue(dir.file("s.ini"), "S", "k", "new"));
    fs::permissions(dir.file("s.ini"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(dir.read("s.ini"), before);
}

TEST(IniWrite, WritesThroughASymbolicLink) {
    TempDir dir;
    dir.write("real.ini", "[S]\r\nk=old\r\n");
    fs::create_symlink(dir.file("real.ini"), dir.file("link.ini"));
    ASSERT_TRUE(ini::WriteValue(dir.file("link.ini"), "S", "k", "new"));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(dir.read("real.ini"), "[S]\r\nk=new\r\n");
}

TEST(IniWrite, KeepsThePermissionsOfTheFile) {
    TempDir dir;
    dir.write("s.ini", "[S]\r\nk=old\r\n");
    fs::permissions(dir.file("s.ini"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ini::WriteValue(dir.file("s.ini"), "S", "k", "new"));
    EXPECT_EQ(fs::status(dir.file("s.ini")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A FIFO (with no writer), a device node or a link to a FIFO standing where
// the settings file should be: reads give the default at once, writes are
// refused, and the node stays what it was. Run in a child process, so that
// a read that waits fails the test instead of hanging it.
TEST(IniFile, NeitherWaitsOnNorReplacesWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo.ini").c_str(), 0644), 0);
    fs::create_symlink(dir.file("fifo.ini"), dir.file("link.ini"));
    const bool haveDevice =
        ::mknod(dir.file("device.ini").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    struct Case {
        const char* name;
        mode_t type;
    };
    const Case cases[] = {{"fifo.ini", S_IFIFO}, {"link.ini", S_IFLNK}, {"device.ini", S_IFCHR}};
    for (const Case& c : cases) {
        if (c.type == S_IFCHR && !haveDevice) continue;
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        const test::ChildEnd end = test::RunInChild(
            [&] {
                if (ini::ReadValue(path, "Search", "Path", kDefault) != kDefault) return 1;
                if (ini::WriteValue(path, "Search", "Path", "/srv")) return 2;
                if (!ini::ReadSection(path, "Search").empty()) return 3;
                const ini::KeyValue entry{"k", "v"};
                const SaveResult written = ini::WriteSection(path, "Search", {&entry, 1});
                if (written.ok || written.reason != "it is not a regular file") return 4;
                return 0;
            },
            false, /*guardSeconds=*/20);
        EXPECT_FALSE(end.hung);
        EXPECT_EQ(end.exitCode, 0);
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & S_IFMT, c.type);
    }
    EXPECT_EQ(fs::status(dir.file("fifo.ini")).type(), fs::file_type::fifo);
}

struct SectionReadCase {
    const char* name;
    std::optional<std::string> file;
    std::vector<ini::KeyValue> expected;
};

class IniSectionReadTest : public ::testing::TestWithParam<SectionReadCase> {};

TEST_P(IniSectionReadTest, ReadsTheKeysInFileOrder) {
    const SectionReadCase& c = GetParam();
    TempDir dir;
    if (c.file) dir.write("s.ini", *c.file);
    EXPECT_EQ(ini::ReadSection(dir.file("s.ini"), "S"), c.expected);
}

const std::string kLongValue = "https://x.example/" + std::string(300, 'q') + "={host}";

INSTANTIATE_TEST_SUITE_P(
    Cases, IniSectionReadTest,
    ::testing::Values(
        SectionReadCase{"NoFile", std::nullopt, {}},
        SectionReadCase{"NoSection", "[T]\r\na=1\r\n", {}},
        SectionReadCase{"EmptySection", "[S]\r\n; only a comment\r\n[T]\r\na=1\r\n", {}},
        SectionReadCase{"ValuesAsReadValueGivesThem",
                        "[S]\r\nb=2\r\n;c=3\r\n  Key One = \"x = y\" \r\nempty=\r\nno equals\r\n"
                        "=nameless\r\n[T]\r\nt=1\r\n",
                        {{"b", "2"}, {"Key One", "x = y"}, {"empty", ""}}},
        SectionReadCase{"FirstOccurrenceOfAKeyInAnyCase",
                        "[S]\na=1\n[T]\nz=0\n[s]\nA=2\nb=3\nB=4\n",
                        {{"a", "1"}, {"b", "3"}}},
        SectionReadCase{"LongValuesAreNotCut",
                        "\xEF\xBB\xBF[S]\nlong=" + kLongValue + "\n",
                        {{"long", kLongValue}}},
        SectionReadCase{"BytesKeptNulEndsAValue",
                        "[S]\r\nk\xC3\xBC=\xFF\x01\0tail\r\n"s,
                        {{"k\xC3\xBC", "\xFF\x01"}}}),
    [](const auto& p) { return std::string(p.param.name); });

// Whole files: what stands before, the keys written, what must stand after.
struct SectionWriteCase {
    const char* name;
    std::optional<std::string> before;
    std::vector<ini::KeyValue> entries;
    std::string after;
};

class IniSectionWriteTest : public ::testing::TestWithParam<SectionWriteCase> {};

TEST_P(IniSectionWriteTest, ReplacesTheKeysAndKeepsEverythingElse) {
    const SectionWriteCase& c = GetParam();
    TempDir dir;
    if (c.before) dir.write("s.ini", *c.before);
    ASSERT_TRUE(ini::WriteSection(dir.file("s.ini"), "S", c.entries).ok);
    EXPECT_EQ(dir.read("s.ini"), c.after);
    EXPECT_EQ(ini::ReadSection(dir.file("s.ini"), "S"), c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniSectionWriteTest,
    ::testing::Values(
        SectionWriteCase{
            "CreatesFile", std::nullopt, {{"a", "1"}, {"b", ""}}, "[S]\r\na=1\r\nb=\r\n"},
        SectionWriteCase{"AppendsSectionAfterUnendedLine",
                         "[T]\nx=1",
                         {{"a", "1"}},
                         "[T]\nx=1\r\n[S]\r\na=1\r\n"},
        SectionWriteCase{"NothingToWriteLeavesTheFile", "[T]\r\nx=1", {}, "[T]\r\nx=1"},
        SectionWriteCase{"KeepsCommentsAndOtherSections",
                         "; top\r\n[A]\r\nx=1\r\n[S]\r\n; services\r\nold=1\r\n keep = \"v\" "
                         "\r\n\r\n[B]\r\ny=2\r\n",
                         {{"keep", "v"}, {"new", "http://n/?q={host}"}},
                         "; top\r\n[A]\r\nx=1\r\n[S]\r\n; services\r\n keep = \"v\" "
                         "\r\nnew=http://n/?q={host}\r\n"
                         "\r\n[B]\r\ny=2\r\n"},
        SectionWriteCase{
            "Reorders", "[S]\na=1\nb=2\n", {{"b", "2"}, {"a", "1"}}, "[S]\nb=2\na=1\n"},
        SectionWriteCase{"SameKeysChangeNoByte",
                         "\xEF\xBB\xBF[S]\r\n  A = '1'\r\nb=2",
                         {{"A", "1"}, {"b", "2"}},
                         "\xEF\xBB\xBF[S]\r\n  A = '1'\r\nb=2"},
        SectionWriteCase{"CommentBetweenKeysStays",
                         "[S]\na=1\n; note\nb=2\n",
                         {{"a", "1"}, {"c", "3"}},
                         "[S]\na=1\nc=3\r\n; note\n"},
        SectionWriteCase{"SectionsOfTheSameNameBecomeOne",
                         "[S]\na=1\n[T]\nt=1\n[s]\nb=2\n",
                         {{"a", "1"}, {"b", "9"}},
                         "[S]\na=1\nb=9\r\n[T]\nt=1\n[s]\n"},
        SectionWriteCase{
            "EmptiedSectionKeepsItsHeader", "[S]\r\na=1\r\n[T]\r\n", {}, "[S]\r\n[T]\r\n"},
        SectionWriteCase{"UnderABareHeader", "[S]", {{"a", "1"}}, "[S]\r\na=1\r\n"},
        SectionWriteCase{"BeforeTrailingBlankLines",
                         "[S]\r\n; c\r\n\r\n[T]\r\n",
                         {{"a", "1"}},
                         "[S]\r\n; c\r\na=1\r\n\r\n[T]\r\n"},
        SectionWriteCase{"OtherPlacesOfTheKeyUntouched",
                         "a=0\n[T]\na=5\n[S]\na=1\n",
                         {{"a", "2"}},
                         "a=0\n[T]\na=5\n[S]\na=2\r\n"},
        SectionWriteCase{
            "LongValue", "[S]\r\n", {{"long", kLongValue}}, "[S]\r\nlong=" + kLongValue + "\r\n"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(IniSectionWrite, RefusesWhatTheFormatCannotHold) {
    const std::vector<std::vector<ini::KeyValue>> cases{
        {{"a", "1"}, {"A", "2"}},  // one key twice
        {{"a=b", "1"}},           {{"", "1"}}, {{";a", "1"}}, {{"a", "1\r\n[T]"}},
    };
    TempDir dir;
    const std::string before = "; mine\r\n[S]\r\nk=old\r\n";
    dir.write("s.ini", before);
    for (const auto& entries : cases) {
        SCOPED_TRACE(entries.front().key);
        const SaveResult result = ini::WriteSection(dir.file("s.ini"), "S", entries);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.reason, "");
        EXPECT_EQ(dir.read("s.ini"), before);
    }
    EXPECT_FALSE(ini::WriteSection(dir.file("s.ini"), "S]", std::vector<ini::KeyValue>{}).ok);
    // Nothing to write makes no file.
    EXPECT_TRUE(ini::WriteSection(dir.file("none.ini"), "S", std::vector<ini::KeyValue>{}).ok);
    EXPECT_FALSE(fs::exists(dir.file("none.ini")));
}

TEST(IniFile, HandlesATenMegabyteFile) {
    TempDir dir;
    std::string filler;
    filler.reserve(10 << 20);
    for (int i = 0; filler.size() < (10u << 20); ++i) {
        filler += "[F" + std::to_string(i % 97) + "]\r\nkey" + std::to_string(i) + "=" +
                  std::string(60, static_cast<char>('a' + i % 26)) + "\r\n";
    }
    dir.write("big.ini", filler + "[Target]\r\nk=found\r\n");
    const std::string path = dir.file("big.ini");

    EXPECT_EQ(ini::ReadValue(path, "Target", "k", kDefault), "found");
    EXPECT_EQ(ini::ReadValue(path, "F3", "key3", kDefault), std::string(60, 'd'));
    ASSERT_TRUE(ini::WriteValue(path, "Target", "k", "changed"));
    EXPECT_EQ(dir.read("big.ini"), filler + "[Target]\r\nk=changed\r\n");
}

}  // namespace
}  // namespace tessaly
