#include "core/app/session.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <string>
#include <vector>

namespace tessaly {
namespace {

// Every control of the window in one line, e.g.
//   files shown on | contents hidden header | field on | browse on | Search on |
//   view 1 | status "" | title ""
std::string Picture(const Session& s) {
    const Controls c = s.controls();
    const auto onOff = [](bool on) { return on ? std::string("on") : std::string("off"); };
    const auto list = [&](const char* name, const ListControls& l) {
        std::string out = std::string(name) + (l.visible ? " shown " : " hidden ");
        out += onOff(l.enabled);
        if (!l.headerVisible) out += " headless";
        return out;
    };
    return list("files", c.list(ListKind::Files)) + " | " +
           list("contents", c.list(ListKind::Contents)) + " | field " +
           onOff(c.searchFieldEnabled) + " | browse " + onOff(c.browseEnabled) + " | " +
           std::string(c.searchCaption) + " " + onOff(c.searchEnabled) + " | view " +
           std::to_string(static_cast<int>(s.view())) + " | status \"" + c.status +
           "\" | title \"" + std::string(c.titleTag) + "\"" +
           (c.list(ListKind::Records).visible ? " | records shown" : "");
}

std::vector<std::string> Describe(const Effects& effects) {
    std::vector<std::string> out;
    for (const Effect& effect : effects) {
        out.push_back(std::visit(
            [](const auto& e) -> std::string {
                using T = std::decay_t<decltype(e)>;
                if constexpr (std::is_same_v<T, StartWalk>) return "walk " + e.root;
                if constexpr (std::is_same_v<T, StartScan>) return "scan " + e.path;
                if constexpr (std::is_same_v<T, StopWork>) return e.wait ? "stop, wait" : "stop";
                if constexpr (std::is_same_v<T, ClearList>)
                    return e.list == ListKind::Files      ? "clear files"
                           : e.list == ListKind::Contents ? "clear contents"
                                                          : "clear records";
                if constexpr (std::is_same_v<T, LogLine>) return "log " + e.text;
                if constexpr (std::is_same_v<T, ShowMessage>)
                    return (e.kind == MessageKind::Information ? "info "
                            : e.kind == MessageKind::Warning   ? "warn "
                                                               : "report ") +
                           e.text;
            },
            effect));
    }
    return out;
}

// The events of a user's session, by name.
const Event kSearch = SearchClicked{"/evidence"};
const Event kInFolder = WalkEnteredFolder{"/evidence/Users/"};
const Event kWalkEnd = WalkFinished{2, "0.25"};
const Event kView = ExtractRequested{"/evidence/index.dat", ExtractFrom::FilesList};
const Event kStartUpScan = ExtractRequested{"/evidence/index.dat", ExtractFrom::StartUp};
const Event kFound4 = ScanFinished{4, true, "", "0.10"};
const Event kFoundNone = ScanFinished{0, true, "", "0.10"};
const Event kFailedWith3 = ScanFinished{3, false, "Error: 5 Input/output error Tessaly", "0.10"};
const Event kBack = BackClicked{};
// A list that took no more rows at 3, whatever the job's own outcome.
const Event kFilesFullAt3 = WalkFinished{3, "0.25", /*listFull=*/true};
const Event kContentsFullAt3 = ScanFinished{3, true, "", "0.10", /*listFull=*/true};
const Event kFailedAndFullAt3 =
    ScanFinished{3, false, "Error: 5 Input/output error Tessaly", "0.10", /*listFull=*/true};
const std::string kFullAt3 =
    "Error: 12 Cannot allocate memory Tessaly\r\n\r\nThe list stops at 3 rows: more would not "
    "fit safely in this computer's memory. The rows found so far are kept.";
const Event kFilesTab = TabClicked{ListKind::Files, 2};
const Event kContentsTab = TabClicked{ListKind::Contents, 4};
const Event kEmptyContentsTab = TabClicked{ListKind::Contents, 0};
const Event kRecordsTab = TabClicked{ListKind::Records, 3};
const Event kEmptyRecordsTab = TabClicked{ListKind::Records, 0};

constexpr const char* kFilesView =
    "files shown on | contents hidden on | field on | browse on | Search on | view 1 | "
    "status \"\" | title \"\"";

// The controls in every state the window passes through.
struct ControlsCase {
    std::string name;
    std::vector<Event> events;
    std::string picture;
};

void PrintTo(const ControlsCase& c, std::ostream* os) { *os << c.name; }

class WindowControls : public ::testing::TestWithParam<ControlsCase> {};

TEST_P(WindowControls, FollowTheEvents) {
    Session s;
    for (const Event& e : GetParam().events) (void)s.handle(e);
    EXPECT_EQ(Picture(s), GetParam().picture);
}

INSTANTIATE_TEST_SUITE_P(
    Session, WindowControls,
    ::testing::Values(
        ControlsCase{"AtStart", {}, kFilesView},
        // The walk: the search row is off, the button stops, the status line
        // names the folder walked; the end gives the files view back.
        ControlsCase{"Walking",
                     {kSearch},
                     "files shown off | contents hidden on | field off | browse off | Stop on | "
                     "view 1 | status \"\" | title \"\""},
        ControlsCase{"WalkingInAFolder",
                     {kSearch, kInFolder},
                     "files shown off | contents hidden on | field off | browse off | Stop on | "
                     "view 1 | status \"Searching: /evidence/Users/\" | title \"\""},
        ControlsCase{"WalkEnded",
                     {kSearch, kInFolder, kWalkEnd},
                     "files shown on | contents hidden on | field on | browse on | Search on | "
                     "view 1 | status \"2 files found\" | title \"\""},
        // A stopped walk says so; the next search starts afresh.
        ControlsCase{"WalkStopped",
                     {kSearch, StopClicked{}, kWalkEnd},
                     "files shown on | contents hidden on | field on | browse on | Search on | "
                     "view 1 | status \"Search stopped: 2 files found\" | title \"\""},
        ControlsCase{"SearchAfterAStoppedWalk",
                     {kSearch, StopClicked{}, kWalkEnd, kSearch, WalkFinished{1, "0.25"}},
                     "files shown on | contents hidden on | field on | browse on | Search on | "
                     "view 1 | status \"1 file found\" | title \"\""},
        ControlsCase{"WalkOfAMissingRoot",
                     {kSearch, WalkFinished{0, "0.00", false, ENOENT}},
                     "files shown on | contents hidden on | field on | browse on | Search on | "
                     "view 1 | status \"No files found\" | title \"\""},
        ControlsCase{"ContentsTabWhileWalkingShowsNothingNew",
                     {kSearch, kEmptyContentsTab},
                     "files shown off | contents hidden on | field off | browse off | Stop on | "
                     "view 1 | status \"\" | title \"\""},
        // The scan: the contents list stands over the files list, its header
        // gone for good; the Search button stops the read.
        ControlsCase{"ScanningFromTheFilesList",
                     {kSearch, kWalkEnd, kView},
                     "files shown off | contents shown on headless | field off | browse off | "
                     "Stop on | view 1 | status \"Extracting contents.... please wait (this "
                     "may take a few minutes)\" | title \"\""},
        ControlsCase{"ScanningAtStartUp",
                     {kStartUpScan},
                     "files shown off | contents shown on headless | field off | browse off | "
                     "Stop on | view 1 | status \"Extracting contents.... please wait (this "
                     "may take a few minutes)\" | title \"\""},
        ControlsCase{"ScanFoundEntries",
                     {kView, kFound4},
                     "files hidden off | contents shown on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"4 entries extracted from "
                     "/evidence/index.dat\" | title \"\""},
        ControlsCase{"ScanFailedAfterSomeEntries",
                     {kView, kFailedWith3},
                     "files hidden off | contents shown on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"3 entries extracted from /evidence/index.dat "
                     "before an error\" | title \"\""},
        ControlsCase{"ScanEndedWithAFullList",
                     {kView, kContentsFullAt3},
                     "files hidden off | contents shown on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"3 entries extracted from /evidence/index.dat "
                     "before an error\" | title \"\""},
        ControlsCase{"WalkEndedWithAFullList",
                     {kSearch, kInFolder, kFilesFullAt3},
                     "files shown on | contents hidden on | field on | browse on | Search on | "
                     "view 1 | status \"3 files found\" | title \"\""},
        ControlsCase{"ScanFoundNothing",
                     {kView, kFoundNone},
                     "files shown on | contents hidden on headless | field on | browse on | "
                     "Search on | view 1 | status \"\" | title \"\""},
        ControlsCase{"BackFromTheContents",
                     {kView, kFound4, kBack},
                     "files shown on | contents hidden on headless | field on | browse on | "
                     "Search on | view 1 | status \"\" | title \"\""},
        // The tabs swap the lists and the title's tag, nothing else.
        ControlsCase{"FilesTabInTheContentsView",
                     {kView, kFound4, kFilesTab},
                     "files shown off | contents hidden on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"\" | title \" [ Files ]\""},
        ControlsCase{"ContentsTabAfterTheFilesTab",
                     {kView, kFound4, kFilesTab, kContentsTab},
                     "files hidden off | contents shown on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"4 entries extracted from "
                     "/evidence/index.dat\" | title \" [ Contents ]\""},
        ControlsCase{"BackKeepsTheTitleTag",
                     {kView, kFound4, kFilesTab, kBack},
                     "files shown on | contents hidden on headless | field on | browse on | "
                     "Search on | view 1 | status \"\" | title \" [ Files ]\""},
        ControlsCase{"EmptyContentsTabChangesNothing", {kEmptyContentsTab}, kFilesView},
        // The records stand alone in front, with their own tag; the commands
        // of the contents view stay.
        ControlsCase{"RecordsTabAfterAScan",
                     {kView, kFound4, kRecordsTab},
                     "files hidden off | contents hidden on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"4 entries extracted from "
                     "/evidence/index.dat\" | title \" [ Records ]\" | records shown"},
        ControlsCase{"ContentsTabAfterTheRecordsTab",
                     {kView, kFound4, kRecordsTab, kContentsTab},
                     "files hidden off | contents shown on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"4 entries extracted from "
                     "/evidence/index.dat\" | title \" [ Contents ]\""},
        ControlsCase{"BackFromTheRecords",
                     {kView, kFound4, kRecordsTab, kBack},
                     "files shown on | contents hidden on headless | field on | browse on | "
                     "Search on | view 1 | status \"\" | title \" [ Records ]\""},
        ControlsCase{"FilesTabDuringAScan",
                     {kView, kFilesTab},
                     "files shown off | contents hidden on headless | field off | browse off | "
                     "Stop on | view 1 | status \"Extracting contents.... please wait (this "
                     "may take a few minutes)\" | title \" [ Files ]\""},
        // A scan that ends with the Files tab in front shows its entries.
        ControlsCase{"ScanEndsWithTheFilesTabInFront",
                     {kView, kFilesTab, kFound4},
                     "files hidden off | contents shown on headless | field off | browse off | "
                     "<< Back on | view 2 | status \"4 entries extracted from "
                     "/evidence/index.dat\" | title \" [ Files ]\""}),
    [](const auto& p) { return p.param.name; });

// What each event asks of the window, in order.
struct EffectsCase {
    std::string name;
    std::vector<Event> before;
    Event event;
    std::vector<std::string> effects;
};

void PrintTo(const EffectsCase& c, std::ostream* os) { *os << c.name; }

class WindowEffects : public ::testing::TestWithParam<EffectsCase> {};

TEST_P(WindowEffects, AreAskedInOrder) {
    Session s;
    for (const Event& e : GetParam().before) (void)s.handle(e);
    EXPECT_EQ(Describe(s.handle(GetParam().event)), GetParam().effects);
}

INSTANTIATE_TEST_SUITE_P(
    Session, WindowEffects,
    ::testing::Values(
        EffectsCase{"Search", {}, kSearch, {"clear files", "log Starting scan", "walk /evidence"}},
        EffectsCase{"Stop", {kSearch}, StopClicked{}, {"stop"}},
        EffectsCase{
            "WalkEndWithRows",
            {kSearch},
            WalkFinished{12, "1.50"},
            {"log Search Completed in: 1.50  seconds", "log Checking items found ...",
             "log 12 items found, enabling View File Contents option", "log Scan finished"}},
        EffectsCase{
            "WalkEndWithoutRows",
            {kSearch},
            WalkFinished{0, "0.00"},
            {"log Search Completed in: 0.00  seconds", "log Checking items found ...",
             "log No items found, cannot enabled View File Contents option", "log Scan finished"}},
        EffectsCase{"WalkStopped",
                    {kSearch, StopClicked{}},
                    WalkFinished{5, "0.75"},
                    {"log Search stopped in: 0.75  seconds", "log Checking items found ...",
                     "log 5 items found, enabling View File Contents option", "log Scan finished"}},
        // A root the walk could not open is said in a message box, with the
        // reason, and no count follows.
        EffectsCase{"WalkOfAMissingRoot",
                    {kSearch},
                    WalkFinished{0, "0.00", false, ENOENT},
                    {"warn The folder /evidence does not exist.\r\n\r\nNothing was searched.",
                     "log The folder /evidence does not exist.\r\n\r\nNothing was searched.",
                     "log Scan finished"}},
        EffectsCase{"WalkOfARootThatIsAFile",
                    {kSearch},
                    WalkFinished{0, "0.00", false, ENOTDIR},
                    {"warn The folder /evidence is not a folder.\r\n\r\nNothing was searched.",
                     "log The folder /evidence is not a folder.\r\n\r\nNothing was searched.",
                     "log Scan finished"}},
        EffectsCase{"WalkOfAnUnreadableRoot",
                    {kSearch},
                    WalkFinished{0, "0.00", false, EACCES},
                    {"warn The folder /evidence cannot be searched: Permission denied\r\n\r\n"
                     "Nothing was searched.",
                     "log The folder /evidence cannot be searched: Permission denied\r\n\r\n"
                     "Nothing was searched.",
                     "log Scan finished"}},
        // A full list is reported before the usual end of the walk.
        EffectsCase{"WalkEndWithAFullList",
                    {kSearch},
                    kFilesFullAt3,
                    {"report " + kFullAt3, "log " + kFullAt3,
                     "log Search Completed in: 0.25  seconds", "log Checking items found ...",
                     "log 3 items found, enabling View File Contents option", "log Scan finished"}},
        EffectsCase{"Extract",
                    {},
                    kView,
                    {"log Extracting contents from: /evidence/index.dat .... please wait (this "
                     "may take a few minutes)",
                     "scan /evidence/index.dat"}},
        EffectsCase{"ScanFoundEntries",
                    {kView},
                    kFound4,
                    {"log Contents found: 4", "log Scan completed in: 0.10  seconds",
                     "info 4 items found"}},
        EffectsCase{"ScanFoundOneEntry",
                    {kView},
                    ScanFinished{1, true, "", "0.10"},
                    {"log Contents found: 1", "log Scan completed in: 0.10  seconds",
                     "info 1 items found"}},
        EffectsCase{"ScanFoundNothing",
                    {kView},
                    kFoundNone,
                    {"log Contents found: 0", "log Scan completed in: 0.10  seconds",
                     "info No contents found"}},
        // A failure is reported and logged; no count follows it.
        EffectsCase{"ScanFailedAfterSomeEntries",
                    {kView},
                    kFailedWith3,
                    {"report Error: 5 Input/output error Tessaly",
                     "log Error: 5 Input/output error Tessaly"}},
        EffectsCase{"ScanFailedAtOnce",
                    {kView},
                    ScanFinished{0, false, "Error: 2 No such file or directory Tessaly", "0.00"},
                    {"report Error: 2 No such file or directory Tessaly",
                     "log Error: 2 No such file or directory Tessaly"}},
        // A full list ends the scan as a failure, its report in place of
        // the scan's own.
        EffectsCase{"ScanEndWithAFullList",
                    {kView},
                    kContentsFullAt3,
                    {"report " + kFullAt3, "log " + kFullAt3}},
        EffectsCase{"ScanFailedWithAFullList",
                    {kView},
                    kFailedAndFullAt3,
                    {"report " + kFullAt3, "log " + kFullAt3}},
        EffectsCase{"Back", {kView, kFound4}, kBack, {"clear contents", "clear records"}},
        EffectsCase{"EmptyRecordsTab",
                    {kView, kFound4},
                    kEmptyRecordsTab,
                    {"info There's nothing to show you ..."}},
        EffectsCase{
            "EmptyContentsTab", {}, kEmptyContentsTab, {"info There's nothing to show you ..."}},
        EffectsCase{"ContentsTab", {kView, kFound4}, kContentsTab, {}},
        EffectsCase{"ClosingDuringAWalk", {kSearch}, WindowClosing{}, {"stop, wait"}},
        // One job at a time: while one runs, nothing starts another.
        EffectsCase{"SearchDuringAWalk", {kSearch}, SearchClicked{"/other"}, {}},
        EffectsCase{"SearchDuringAStartUpScan", {kStartUpScan}, SearchClicked{"/other"}, {}},
        // The Search button stops a long read as it stops a walk.
        EffectsCase{"StopDuringAScan", {kView}, StopClicked{}, {"stop"}},
        EffectsCase{"ExtractDuringAWalk", {kSearch}, kView, {}},
        EffectsCase{"ExtractDuringAScan", {kView}, kView, {}},
        // Clicks that do not fit the state.
        EffectsCase{"StopWhileIdle", {}, StopClicked{}, {}},
        EffectsCase{"BackInTheFilesView", {}, kBack, {}},
        EffectsCase{"SearchInTheContentsView", {kView, kFound4}, kSearch, {}},
        EffectsCase{"WalkEndWithoutAWalk", {}, kWalkEnd, {}},
        EffectsCase{"ScanEndWithoutAScan", {kSearch}, kFound4, {}},
        // After the window began closing, the end of its job changes nothing.
        EffectsCase{"WalkEndAfterClosing", {kSearch, WindowClosing{}}, kWalkEnd, {}},
        EffectsCase{"ScanEndAfterClosing", {kView, WindowClosing{}}, kFound4, {}}),
    [](const auto& p) { return p.param.name; });

// The tab drawn as selected is that of the list in front.
TEST(Session, SelectedTabIsTheListInFront) {
    const struct {
        const char* name;
        std::vector<Event> events;
        ListKind tab;
    } cases[] = {
        {"at start", {}, ListKind::Files},
        {"walking", {kSearch}, ListKind::Files},
        {"scanning", {kView}, ListKind::Contents},
        {"contents view", {kView, kFound4}, ListKind::Contents},
        {"files tab in the contents view", {kView, kFound4, kFilesTab}, ListKind::Files},
        {"back", {kView, kFound4, kBack}, ListKind::Files},
        {"scan found nothing", {kView, kFoundNone}, ListKind::Files},
    };
    for (const auto& c : cases) {
        Session s;
        for (const Event& e : c.events) (void)s.handle(e);
        EXPECT_EQ(s.controls().selectedTab, c.tab) << c.name;
    }
}

TEST(Session, SearchButtonActsByState) {
    Session s;
    EXPECT_EQ(s.searchAction(), SearchAction::Search);
    (void)s.handle(kSearch);
    EXPECT_EQ(s.searchAction(), SearchAction::Stop);
    (void)s.handle(kWalkEnd);
    (void)s.handle(kStartUpScan);
    EXPECT_EQ(s.searchAction(), SearchAction::Stop);
    (void)s.handle(kFound4);
    EXPECT_EQ(s.searchAction(), SearchAction::Back);
    (void)s.handle(kBack);
    EXPECT_EQ(s.searchAction(), SearchAction::Search);
}

TEST(Session, KeepsTheFileOfTheLastExtraction) {
    Session s;
    EXPECT_EQ(s.contentsFile(), "");
    (void)s.handle(ExtractRequested{"/a/index.dat", ExtractFrom::StartUp});
    (void)s.handle(kFoundNone);
    (void)s.handle(kBack);  // not in the contents view: nothing
    EXPECT_EQ(s.contentsFile(), "/a/index.dat");
    // A refused request leaves it.
    (void)s.handle(kSearch);
    (void)s.handle(ExtractRequested{"/b/index.dat", ExtractFrom::FilesList});
    EXPECT_EQ(s.contentsFile(), "/a/index.dat");
}

}  // namespace
}  // namespace tessaly
