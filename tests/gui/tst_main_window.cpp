// The main window driven as a user would, with fake prompts and shell:
// start-up, load and close, extraction, the search, the context menu states
// and the commands on entries.
#include <unistd.h>

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/actions/url_command.h"
#include "core/extract/contents_rows.h"
#include "core/ui/texts.h"
#include "gui/models.h"
#include "support/fakes.h"

using namespace tessaly;
using namespace tessaly::test;

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Entry(std::string text) {
    text.resize(150, '\0');
    return text;
}

// A small file with three entries: a URL, a history record (two rows) and a
// host record.
std::string SampleBytes() {
    return EntriesFile(
        {"http://a.example/one", "Visited: bob@http://b.example/two", "zz@:Host: c.example"});
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

  private slots:
    void startUpWithoutPathLogsOnlyTheStart();
    void startUpWithMissingPathNamesTheFile_data();
    void startUpWithAFolderSearchesIt();
    void startUpWithMissingPathNamesTheFile();
    void startUpCancelDoesNotExtract();
    void startUpExtractsBeforeTheWindowShows();
    void extractionThatFindsNothing();
    void extractionThatFailsRestoresTheWindow();
    void firstRunLoadsDefaultsAndCloseWritesSixKeys();
    void loadRestoresStoredValues();
    void loadFallsBackOnGarbageAndOffScreenPositions();
    void searchListsFilesAndLogsEachOne();
    void searchWithShortFieldTakesStoredRoot();
    void stopEndsTheWalkAndKeepsRows();
    void secondSearchEmptiesTheList();
    void backReturnsToAWorkingFilesList();
    void filesListPopupStates();
    void contentsListPopupStates();
    void popupOnlyForRightButtonOnRows();
    void viewFileContentsCancelLeavesControlsEnabled();
    void tabsSwapListsOnly();
    void contentsTabWithNothingToShow();
    void browsePicksFolder();
    void copyAndLaunchUseTheSelectedRow();
    void serviceCommandsOpenTheirAddresses();
    void propertiesForTheSelectedFile();
    void commandsActOnTheRowShownBehindASortOrFilter_data();
    void commandsActOnTheRowShownBehindASortOrFilter();
    void saveWritesTheShowingList();
    void saveFailureKeepsOldFile();
    void saveRefusesTheFileBeingRead();
    void closeDuringWalkStopsIt();
    void closeDuringExtractionStopsIt();
    void statusLineFollowsTheWalkAndTheScan();
    void highBytesReadAlikeInListClipboardLaunchAndSave();
    void entriesWithoutAWebHostAreNeitherLaunchedNorLookedUp();
    void searchRootThatIsNotTextStaysBytes_data();
    void searchRootThatIsNotTextStaysBytes();
};

void TestMainWindow::startUpWithoutPathLogsOnlyTheStart() {
    Harness h;
    h.window().startUp("");
    QVERIFY(h.toolkit.prompts.empty());
    const auto lines = h.logLines();
    QVERIFY(!lines.empty());
    QCOMPARE(QString::fromStdString(lines[0]), QStringLiteral("Initializing Tessaly v.1.0.8"));
    QCOMPARE(QString::fromStdString(lines[1]).left(13), QStringLiteral("Search path: "));
    QCOMPARE(h.window().currentView(), 1);
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Tessaly"));
}

void TestMainWindow::startUpWithMissingPathNamesTheFile_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("shownName");
    // The message names the whole path, not only the file's name.
    QTest::newRow("quoted with spaces") << "\"/no/such dir/my file.dat\""
                                        << "/no/such dir/my file.dat";
    QTest::newRow("quote in the middle") << "/no/such/in\"dex.dat"
                                         << "/no/such/index.dat";
    QTest::newRow("two words") << "/no/a.dat /no/b.dat"
                               << "/no/a.dat /no/b.dat";
    QTest::newRow("only quotes") << "\" \"\""
                                 << "";
}

void TestMainWindow::startUpWithMissingPathNamesTheFile() {
    QFETCH(QString, argument);
    QFETCH(QString, shownName);
    Harness h;
    h.window().startUp(argument.toStdString());
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{1});
    const Prompt& p = h.toolkit.prompts[0];
    QCOMPARE(QString::fromStdString(p.text),
             "Tessaly could not locate [ " + shownName +
                 " ]\r\n\r\nPlease verify the file exists and try again.");
    QVERIFY(p.icon == MsgIcon::Exclamation);
    QVERIFY(h.toolkit.unexpected.empty());
    QCOMPARE(h.window().contentsModel().rowCount(), 0);
}

void TestMainWindow::startUpWithAFolderSearchesIt() {
    Harness h;
    h.dir.write("case/a/index.dat", SampleBytes());
    const std::string folder = h.dir.file("case");
    h.window().startUp(folder);
    QVERIFY(h.waitIdle());
    QVERIFY(h.toolkit.prompts.empty());
    QCOMPARE(Child<QLineEdit>(h.window(), "txtSearchIn")->text(),
             QString::fromStdString(folder + "/"));
    QCOMPARE(h.window().filesModel().rowCount(), 1);
    QCOMPARE(h.window().statusBar()->currentMessage(), QStringLiteral("1 file found"));
}

void TestMainWindow::startUpCancelDoesNotExtract() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Cancel};
    h.window().startUp(h.dir.file("index.dat"));
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{1});
    QCOMPARE(h.toolkit.prompts[0].text, std::string(texts::kWarnMayTakeAMoment));
    QVERIFY(h.toolkit.prompts[0].buttons == MsgButtons::OkCancel);
    QCOMPARE(h.window().contentsModel().rowCount(), 0);
    QVERIFY(h.window().contentsFile().empty());
}

void TestMainWindow::startUpExtractsBeforeTheWindowShows() {
    Harness h;
    h.dir.write("my index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(std::string("\"").append(h.dir.file("my index.dat")).append("\""));
    // startUp returns only when the scan has finished.
    QVERIFY(!h.window().isVisible());
    QCOMPARE(h.window().contentsModel().rowCount(), 4);
    QCOMPARE(h.toolkit.prompts.back().text, std::string("4 items found"));
    QVERIFY(h.toolkit.prompts.back().icon == MsgIcon::Information);
    QCOMPARE(h.window().currentView(), 2);
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("<< Back"));
    QVERIFY(Child<QLabel>(h.window(), "lblSearch")->isEnabled());
    QVERIFY(!Child<ReportList>(h.window(), "lvwFiles")->isEnabled());
    QVERIFY(Child<ReportList>(h.window(), "lvwFiles")->isHidden());
    QVERIFY(!Child<ReportList>(h.window(), "lvwContents")->isHidden());
    QVERIFY(Child<ReportList>(h.window(), "lvwContents")->header()->isHidden());
    QVERIFY(!Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QVERIFY(!Child<QLabel>(h.window(), "lblBrowse")->isEnabled());
    QCOMPARE(h.window()
                 .contentsModel()
                 .data(h.window().contentsModel().index(1, 0), Qt::DisplayRole)
                 .toString(),
             QStringLiteral("Visited: bob@http://b.example/two"));
    QCOMPARE(h.window().contentsModel().rows().row(0).size(), std::size_t{150});

    const auto lines = h.logLines();
    QCOMPARE(QString::fromStdString(lines[0]), QStringLiteral("Initializing Tessaly v.1.0.8"));
    QCOMPARE(lines[1], "Extracting contents from: " + h.dir.file("my index.dat") +
                           " .... please wait (this may take a few minutes)");
    QVERIFY(Contains(lines, "Contents found: 4"));
    const auto timing = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("Scan completed in: ", 0) == 0;
    });
    QVERIFY(timing != lines.end());
    QVERIFY(timing->size() > 9 && timing->substr(timing->size() - 9) == "  seconds");
}

void TestMainWindow::extractionThatFindsNothing() {
    Harness h;
    h.dir.write("index.dat", std::string(1000, 'x'));
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    QCOMPARE(h.toolkit.prompts.back().text, std::string("No contents found"));
    QCOMPARE(h.window().currentView(), 1);
    QVERIFY(Child<ReportList>(h.window(), "lvwFiles")->isEnabled());
    QVERIFY(Child<ReportList>(h.window(), "lvwContents")->isHidden());
    QVERIFY(Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("Search"));
    QVERIFY(Contains(h.logLines(), "Contents found: 0"));
}

void TestMainWindow::extractionThatFailsRestoresTheWindow() {
    Harness h;
    // A pattern exists when a file matches it; the scan then finds no file of
    // that very name.
    h.dir.write("sub/a.txt", "x");
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("sub/*.txt"));
    const Prompt& report = h.toolkit.prompts.back();
    QVERIFY(report.icon == MsgIcon::None);
    QVERIFY(report.text.rfind("Error: ", 0) == 0);
    QVERIFY(Contains(h.logLines(), report.text));
    QCOMPARE(h.window().currentView(), 1);
    QVERIFY(Child<ReportList>(h.window(), "lvwFiles")->isEnabled());
    QVERIFY(Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QVERIFY(Child<QLabel>(h.window(), "lblBrowse")->isEnabled());
    QVERIFY(Child<QLabel>(h.window(), "lblSearch")->isEnabled());
    QVERIFY(Child<ReportList>(h.window(), "lvwContents")->isHidden());
    QVERIFY(h.window().statusBar()->currentMessage().isEmpty());
}

void TestMainWindow::firstRunLoadsDefaultsAndCloseWritesSixKeys() {
    Harness h;
    h.window().startUp("");
    QCOMPARE(Child<QLineEdit>(h.window(), "txtSearchIn")->text(), QStringLiteral("/"));
    auto* files = Child<ReportList>(h.window(), "lvwFiles");
    QCOMPARE(files->header()->sectionSize(1), 67);  // 1000 twips
    h.window().close();
    const std::string ini = h.settingsText();
    for (const char* key : {"[Search]", "Path=/", "[Main]", "Ver=1.0.8", "[Position]",
                            "T=", "L=", "f1=", "f2=1000"}) {
        QVERIFY2(ini.find(key) != std::string::npos, key);
    }
    QVERIFY(ini.find("[Search]") < ini.find("[Main]"));
    QVERIFY(ini.find("[Main]") < ini.find("[Position]"));
    const auto lines = h.logLines();
    const std::vector<std::string> closing{"Preparing to close Tessaly", "Saving Tessaly settings",
                                           "Saving Search path", "Search path: / saved",
                                           "Settings saved, preparing to close"};
    QVERIFY(std::search(lines.begin(), lines.end(), closing.begin(), closing.end()) != lines.end());
}

void TestMainWindow::loadRestoresStoredValues() {
    Harness h;
    h.dir.write(
        "Tessaly.ini",
        "[Search]\r\nPath=/srv/images\r\n[Position]\r\nT=1500\r\nL=2250\r\nf1=3000\r\nf2=1500\r\n");
    h.window().startUp("");
    QCOMPARE(Child<QLineEdit>(h.window(), "txtSearchIn")->text(), QStringLiteral("/srv/images"));
    QCOMPARE(h.window().pos(), QPoint(150, 100));
    auto* files = Child<ReportList>(h.window(), "lvwFiles");
    QCOMPARE(files->header()->sectionSize(0), 200);
    QCOMPARE(files->header()->sectionSize(1), 100);
    const auto lines = h.logLines();
    QVERIFY(Contains(lines, "Search path: /srv/images"));
    QVERIFY(Contains(lines, "Position Top: 1500"));
    QVERIFY(Contains(lines, "Position Left: 2250"));
}

void TestMainWindow::loadFallsBackOnGarbageAndOffScreenPositions() {
    Harness h;
    h.dir.write("Tessaly.ini",
                "[Search]\r\nPath=\r\n[Position]\r\nT=-480000\r\nL=abc\r\nf2=wide\r\n");
    h.window().startUp("");
    QCOMPARE(Child<QLineEdit>(h.window(), "txtSearchIn")->text(), QStringLiteral("/"));
    QVERIFY(Contains(h.logLines(), "Invalid search path, resetting to default"));
    QCOMPARE(Child<ReportList>(h.window(), "lvwFiles")->header()->sectionSize(1), 67);
    // Off every screen: centred instead.
    QVERIFY(h.window().pos().y() >= 0);
    QVERIFY(h.window().pos().x() >= 0);
}

void TestMainWindow::searchListsFilesAndLogsEachOne() {
    Harness h;
    h.dir.write("tree/a/index.dat", std::string(32768, '\0'));
    h.dir.write("tree/a/INDEX.DAT", "x");
    h.dir.write("tree/b/c/Index.dat", std::string(1536, '\0'));
    h.window().startUp("");
    h.window().show();
    Child<QLineEdit>(h.window(), "txtSearchIn")
        ->setText(QString::fromStdString(h.dir.file("tree")));
    h.window().lblSearch_Click();
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("Stop"));
    QVERIFY(!Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QVERIFY(h.waitIdle());
    auto& files = h.window().filesModel();
    QCOMPARE(files.rowCount(), 2);
    // Subfolders come in the order the file system lists them.
    const int a = files.row(0).location == h.dir.file("tree/a/index.dat") ? 0 : 1;
    QCOMPARE(files.row(a).location, h.dir.file("tree/a/index.dat"));
    QCOMPARE(files.row(a).sizeText, std::string("32.00"));
    QCOMPARE(files.row(1 - a).location, h.dir.file("tree/b/c/Index.dat"));
    QCOMPARE(files.row(1 - a).sizeText, std::string("1.50"));
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("Search"));
    QVERIFY(Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QVERIFY(Child<ReportList>(h.window(), "lvwFiles")->isEnabled());
    QCOMPARE(h.window().statusBar()->currentMessage(), QStringLiteral("2 files found"));

    const auto lines = h.logLines();
    const std::string found = h.dir.file("tree/a/index.dat");
    QVERIFY(Contains(lines, "Starting scan"));
    QVERIFY(Contains(lines, "File found: " + found + "(32.00 KB)"));
    QVERIFY(Contains(lines, "Converting [ " + found + " ] to DOS compatable path"));
    QVERIFY(Contains(lines, "DOS Path: " + found + "(32.00 KB)"));
    QVERIFY(Contains(lines, "Checking items found ..."));
    QVERIFY(Contains(lines, "2 items found, enabling View File Contents option"));
    QCOMPARE(lines.back(), std::string("Scan finished"));
}

void TestMainWindow::searchWithShortFieldTakesStoredRoot() {
    Harness h;
    h.dir.write("stored/index.dat", "x");
    h.dir.write("Tessaly.ini", "[Search]\r\nPath=" + h.dir.file("stored") + "\r\n");
    h.window().startUp("");
    Child<QLineEdit>(h.window(), "txtSearchIn")->setText("C:");
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    QCOMPARE(Child<QLineEdit>(h.window(), "txtSearchIn")->text(),
             QString::fromStdString(h.dir.file("stored")));
    QCOMPARE(h.window().filesModel().rowCount(), 1);
}

void TestMainWindow::stopEndsTheWalkAndKeepsRows() {
    Harness h;
    for (int i = 0; i < 300; ++i) h.dir.write("big/d" + std::to_string(i) + "/e/f/index.dat", "x");
    h.window().startUp("");
    Child<QLineEdit>(h.window(), "txtSearchIn")->setText(QString::fromStdString(h.dir.file("big")));
    h.window().lblSearch_Click();
    h.window().lblSearch_Click();  // reads "Stop" now
    QVERIFY(h.waitIdle());
    QVERIFY(h.window().filesModel().rowCount() < 300);
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("Search"));
    QVERIFY(Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    const auto lines = h.logLines();
    QCOMPARE(lines.back(), std::string("Scan finished"));
    // A stopped search is not said to be complete, in the log or the status.
    QVERIFY(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("Search stopped in: ", 0) == 0;
    }));
    QVERIFY(std::none_of(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.rfind("Search Completed", 0) == 0; }));
    QVERIFY(h.window().statusBar()->currentMessage().startsWith("Search stopped: "));
    // A new search runs to the end: the stop does not linger.
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    QCOMPARE(h.window().filesModel().rowCount(), 300);
    QCOMPARE(h.window().statusBar()->currentMessage(), QStringLiteral("300 files found"));
}

void TestMainWindow::secondSearchEmptiesTheList() {
    Harness h;
    h.dir.write("t/index.dat", "x");
    h.window().startUp("");
    Child<QLineEdit>(h.window(), "txtSearchIn")->setText(QString::fromStdString(h.dir.file("t")));
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    QCOMPARE(h.window().filesModel().rowCount(), 1);
}

void TestMainWindow::backReturnsToAWorkingFilesList() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    QCOMPARE(h.window().currentView(), 2);
    h.window().lblSearch_Click();
    QCOMPARE(h.window().currentView(), 1);
    QCOMPARE(h.window().contentsModel().rowCount(), 0);
    QVERIFY(Child<ReportList>(h.window(), "lvwFiles")->isEnabled());
    QVERIFY(!Child<ReportList>(h.window(), "lvwFiles")->isHidden());
    QVERIFY(Child<ReportList>(h.window(), "lvwContents")->isHidden());
    QVERIFY(Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QVERIFY(Child<QLabel>(h.window(), "lblBrowse")->isEnabled());
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("Search"));
}

namespace {

void SearchInto(Harness& h, const std::string& folder) {
    Child<QLineEdit>(h.window(), "txtSearchIn")
        ->setText(QString::fromStdString(h.dir.file(folder)));
    h.window().lblSearch_Click();
    h.waitIdle();
}

}  // namespace

void TestMainWindow::filesListPopupStates() {
    Harness h;
    h.dir.write("t/index.dat", "x");
    h.window().startUp("");
    h.window().show();
    SearchInto(h, "t");
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QCOMPARE(h.toolkit.popups.size(), std::size_t{1});
    const MenuSnapshot& m = h.toolkit.popups[0];
    for (const char* off :
         {"mnuWendel", "mnuURLCheckBrowserDefender", "mnuBlackthorn", "mnuURLCheckMDL",
          "mnuURLCheckSafeWeb", "mnuSAR", "mnuURLCheckTrusSrc", "mnuURLCheckWOT",
          "mnuURLCheckWebSniffer", "mnuURLCheckLinkScanner", "mnuOpen"}) {
        QVERIFY2(!m.at(off).enabled, off);
    }
    for (const char* on :
         {"mnuView", "mnuProperties", "mnuSaveResults", "mnuCopy", "mnuURLCheckSite"}) {
        QVERIFY2(m.at(on).enabled, on);
    }
    QCOMPARE(m.at("mnuCopy").text, QStringLiteral("Copy selected item to clipboard"));
}

void TestMainWindow::contentsListPopupStates() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().show();
    PressOnList(Child<ReportList>(h.window(), "lvwContents"), Qt::RightButton, Qt::RightButton, 0);
    QCOMPARE(h.toolkit.popups.size(), std::size_t{1});
    const MenuSnapshot& m = h.toolkit.popups[0];
    QVERIFY(!m.at("mnuView").enabled);
    QVERIFY(!m.at("mnuProperties").enabled);
    for (const char* on : {"mnuWendel", "mnuURLCheckBrowserDefender", "mnuBlackthorn",
                           "mnuURLCheckMDL", "mnuURLCheckSafeWeb", "mnuSAR", "mnuURLCheckTrusSrc",
                           "mnuURLCheckWOT", "mnuURLCheckWebSniffer", "mnuURLCheckLinkScanner",
                           "mnuOpen", "mnuCopy", "mnuSaveResults", "mnuURLCheckSite"}) {
        QVERIFY2(m.at(on).enabled, on);
    }
    QCOMPARE(m.at("mnuCopy").text, QStringLiteral("&Copy selected URL"));
}

void TestMainWindow::popupOnlyForRightButtonOnRows() {
    Harness h;
    h.window().startUp("");
    h.window().show();
    auto* files = Child<ReportList>(h.window(), "lvwFiles");
    PressOnList(files, Qt::RightButton, Qt::RightButton, 0);  // empty list
    h.dir.write("t/index.dat", "x");
    SearchInto(h, "t");
    PressOnList(files, Qt::LeftButton, Qt::LeftButton, 0);
    PressOnList(files, Qt::MiddleButton, Qt::MiddleButton, 0);
    PressOnList(files, Qt::RightButton, Qt::RightButton | Qt::LeftButton, 0);
    QVERIFY(h.toolkit.popups.empty());
    files->setEnabled(false);
    PressOnList(files, Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(h.toolkit.popups.empty());
}

void TestMainWindow::viewFileContentsCancelLeavesControlsEnabled() {
    Harness h;
    h.dir.write("t/index.dat", SampleBytes());
    h.window().startUp("");
    h.window().show();
    SearchInto(h, "t");
    h.toolkit.answers = {MsgAnswer::Cancel};
    h.toolkit.choose = "mnuView";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QVERIFY(Child<QLabel>(h.window(), "lblSearch")->isEnabled());
    QVERIFY(Child<QLabel>(h.window(), "lblBrowse")->isEnabled());
    QCOMPARE(h.window().contentsModel().rowCount(), 0);

    // OK extracts the selected file.
    h.toolkit.answers = {MsgAnswer::Ok};
    h.toolkit.choose = "mnuView";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(h.waitIdle());
    QCOMPARE(h.window().contentsModel().rowCount(), 4);
    QCOMPARE(h.window().contentsFile(), h.dir.file("t/index.dat"));
    QCOMPARE(h.window().currentView(), 2);
}

void TestMainWindow::tabsSwapListsOnly() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().lblFiles_Click();
    QVERIFY(!Child<ReportList>(h.window(), "lvwFiles")->isHidden());
    QVERIFY(!Child<ReportList>(h.window(), "lvwFiles")->isEnabled());
    QVERIFY(Child<ReportList>(h.window(), "lvwContents")->isHidden());
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Tessaly [ Files ]"));
    QCOMPARE(h.window().currentView(), 2);
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("<< Back"));
    h.window().lblContent_Click();
    QVERIFY(Child<ReportList>(h.window(), "lvwFiles")->isHidden());
    QVERIFY(!Child<ReportList>(h.window(), "lvwContents")->isHidden());
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Tessaly [ Contents ]"));
}

void TestMainWindow::contentsTabWithNothingToShow() {
    Harness h;
    h.window().startUp("");
    h.window().lblContent_Click();
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{1});
    QCOMPARE(h.toolkit.prompts[0].text, std::string("There's nothing to show you ..."));
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Tessaly"));
    QVERIFY(Child<ReportList>(h.window(), "lvwContents")->isHidden());
}

void TestMainWindow::browsePicksFolder() {
    Harness h;
    h.window().startUp("");
    auto* field = Child<QLineEdit>(h.window(), "txtSearchIn");
    h.toolkit.folders = {"/srv/images", "/", ""};
    h.window().lblBrowse_Click();
    QCOMPARE(field->text(), QStringLiteral("/srv/images/"));
    h.window().lblBrowse_Click();
    QCOMPARE(field->text(), QStringLiteral("/"));
    h.window().lblBrowse_Click();  // cancelled
    QCOMPARE(field->text(), QStringLiteral("/"));
    QCOMPARE(h.toolkit.folderTitles[0], std::string("Select folder"));
    QVERIFY(h.toolkit.unexpected.empty());
}

void TestMainWindow::copyAndLaunchUseTheSelectedRow() {
    Harness h;
    h.dir.write("t/index.dat", SampleBytes());
    h.window().startUp("");
    h.window().show();
    SearchInto(h, "t");
    h.toolkit.choose = "mnuCopy";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QCOMPARE(h.toolkit.clipboard.back(), h.dir.file("t/index.dat") + "\t0.70 KB");
    h.window().mnuOpen_Click();  // files view: nothing, no question
    QVERIFY(h.toolkit.prompts.empty());

    h.toolkit.answers = {MsgAnswer::Ok};
    h.toolkit.choose = "mnuView";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(h.waitIdle());
    h.toolkit.choose = "mnuCopy";
    PressOnList(Child<ReportList>(h.window(), "lvwContents"), Qt::RightButton, Qt::RightButton, 1);
    QCOMPARE(h.toolkit.clipboard.back(), std::string("Visited: bob@http://b.example/two"));

    h.toolkit.answers = {MsgAnswer::No};
    h.window().mnuOpen_Click();
    QVERIFY(h.shell.opened.empty());
    h.toolkit.answers = {MsgAnswer::Yes};
    h.window().mnuOpen_Click();
    QCOMPARE(h.shell.opened.size(), std::size_t{1});
    QCOMPARE(h.shell.opened[0], std::string("http://b.example/two"));
    // The question names the address it will open, on a line of its own.
    QCOMPARE(h.toolkit.prompts.back().text,
             std::string("Are you sure you want to launch this URL?\r\nhttp://b.example/two"));
    QVERIFY(h.toolkit.prompts.back().icon == MsgIcon::Question);
}

void TestMainWindow::serviceCommandsOpenTheirAddresses() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().show();
    PressOnList(Child<ReportList>(h.window(), "lvwContents"), Qt::RightButton, Qt::RightButton, 3);
    h.window().mnuUrlCommand_Click(UrlCommand::SafeWeb);
    QCOMPARE(h.shell.opened.size(), std::size_t{1});
    QVERIFY(h.shell.opened[0].size() > 9 &&
            h.shell.opened[0].substr(h.shell.opened[0].size() - 9) == "c.example");
    // The Wendel viewer refuses what is not an http:// address and stores its
    // prefix on first use.
    h.window().mnuUrlCommand_Click(UrlCommand::Wendel);
    QCOMPARE(h.toolkit.prompts.back().text, std::string("Invalid URL"));
    QVERIFY(h.settingsText().find("[Paths]") != std::string::npos);
}

void TestMainWindow::propertiesForTheSelectedFile() {
    Harness h;
    h.dir.write("t/index.dat", "x");
    h.window().startUp("");
    h.window().show();
    h.window().mnuProperties_Click();  // empty list: nothing
    QVERIFY(h.shell.properties.empty());
    SearchInto(h, "t");
    h.toolkit.choose = "mnuProperties";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QCOMPARE(h.shell.properties.size(), std::size_t{1});
    QCOMPARE(h.shell.properties[0], h.dir.file("t/index.dat"));
}

namespace {

// A sort order that puts the files list's second row on top.
constexpr int kSecondRowFirst = 2;

}  // namespace

void TestMainWindow::commandsActOnTheRowShownBehindASortOrFilter_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("sort");  // -1 unsorted, a Qt::SortOrder or kSecondRowFirst
    // In the filter and the result, $OTHER is the files list's second row:
    // the walk's order is the file system's, so the test picks the row that
    // a command on the model's first row would miss.
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("done");
    QTest::newRow("copy, contents sorted down") << "lvwContents" << int(Qt::DescendingOrder) << ""
                                                << "mnuCopy"
                                                << "clipboard http://b.example/two";
    QTest::newRow("copy, contents filtered") << "lvwContents" << -1 << "Visited"
                                             << "mnuCopy"
                                             << "clipboard Visited: bob@http://b.example/two";
    QTest::newRow("look-up, contents sorted up")
        << "lvwContents" << int(Qt::AscendingOrder) << ""
        << "mnuURLCheckSafeWeb"
        << "open https://safeweb.norton.com/report/show?name=c.example";
    QTest::newRow("properties, files sorted") << "lvwFiles" << kSecondRowFirst << ""
                                              << "mnuProperties"
                                              << "properties $OTHER";
    QTest::newRow("copy, files filtered") << "lvwFiles" << -1 << "$OTHER"
                                          << "mnuCopy"
                                          << "clipboard $OTHER\t0.70 KB";
    QTest::newRow("view file contents, files sorted") << "lvwFiles" << kSecondRowFirst << ""
                                                      << "mnuView"
                                                      << "extracted $OTHER";
}

// A sort or a filter between a list and its rows: a command takes the row
// the user sees at the top, not the model's row of that number.
void TestMainWindow::commandsActOnTheRowShownBehindASortOrFilter() {
    QFETCH(QString, list);
    QFETCH(int, sort);
    QFETCH(QString, filter);
    QFETCH(QString, command);
    QFETCH(QString, done);
    Harness h;
    h.dir.write("t/a/index.dat", SampleBytes());
    h.dir.write("t/b/index.dat", SampleBytes());
    h.window().startUp("");
    h.window().show();
    SearchInto(h, "t");
    QCOMPARE(h.window().filesModel().rowCount(), 2);
    const QString first = QString::fromStdString(h.window().filesModel().row(0).location);
    const QString other = QString::fromStdString(h.window().filesModel().row(1).location);
    if (list == "lvwContents") {
        h.toolkit.answers = {MsgAnswer::Ok};
        h.window().ExtractContents(h.dir.file("t/a/index.dat"), ExtractFrom::StartUp, true);
        QCOMPARE(h.window().contentsModel().rowCount(), 4);
    }

    auto* view = Child<ReportList>(h.window(), list.toLatin1().constData());
    auto* proxy = new QSortFilterProxyModel(view);
    proxy->setSourceModel(view->model());
    view->setModel(proxy);
    if (sort == kSecondRowFirst) {
        proxy->sort(0, other < first ? Qt::AscendingOrder : Qt::DescendingOrder);
    } else if (sort >= 0) {
        proxy->sort(0, static_cast<Qt::SortOrder>(sort));
    }
    proxy->setFilterFixedString(filter.replace("$OTHER", other));

    if (command == "mnuView") h.toolkit.answers = {MsgAnswer::Ok};
    h.toolkit.choose = command;
    PressOnList(view, Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(h.waitIdle());

    std::string did;
    if (!h.toolkit.clipboard.empty()) did = "clipboard " + h.toolkit.clipboard.back();
    if (!h.shell.opened.empty()) did = "open " + h.shell.opened.back();
    if (!h.shell.properties.empty()) did = "properties " + h.shell.properties.back();
    if (command == "mnuView") did = "extracted " + h.window().contentsFile();
    QCOMPARE(QString::fromStdString(did), done.replace("$OTHER", other));
    QVERIFY(h.toolkit.unexpected.empty());
}

void TestMainWindow::saveWritesTheShowingList() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.toolkit.saveNames = {h.dir.file("out.txt"), h.dir.file("out.HTML"), ""};
    h.window().mnuSaveResults_Click();
    QCOMPARE(h.toolkit.saveCalls.back().title, std::string("Save File Contents"));
    // The first save dialog opens in the documents folder, not in the
    // evidence; the next where the user saved last, which the settings keep.
    QCOMPARE(h.toolkit.saveCalls.back().initialFolder, h.toolkit.documents);
    QCOMPARE(h.toolkit.prompts.back().text, "File saved as: " + h.dir.file("out.txt"));
    const std::string plain = h.dir.read("out.txt");
    QCOMPARE(plain.size(), std::size_t{4 * 152});
    QCOMPARE(plain.substr(0, 20), std::string("http://a.example/one"));
    h.window().mnuSaveResults_Click();
    QCOMPARE(h.toolkit.saveCalls.back().initialFolder, h.dir.path());
    QCOMPARE(h.settings.read("Paths", "SaveFolder", ""), h.dir.path());
    const std::string html = h.dir.read("out.HTML");
    QVERIFY(html.rfind("<html><head><meta charset=\"utf-8\"><title>Tessaly extraction results "
                       "for: ",
                       0) == 0);
    QVERIFY(
        html.find(
            "<a href=\"http://a.example/one\" target=\"_blank\">http://a.example/one</a><br>") !=
        std::string::npos);
    const auto promptsBefore = h.toolkit.prompts.size();
    h.window().mnuSaveResults_Click();  // cancelled: nothing written, nothing said
    QCOMPARE(h.toolkit.prompts.size(), promptsBefore);
}

void TestMainWindow::saveFailureKeepsOldFile() {
    Harness h;
    h.window().startUp("");
    h.dir.write("blocker", "not a folder");
    h.toolkit.saveNames = {h.dir.file("blocker/out.txt")};
    h.window().mnuSaveResults_Click();
    QCOMPARE(h.toolkit.saveCalls.back().title, std::string("Save Results"));
    const Prompt& p = h.toolkit.prompts.back();
    QVERIFY(p.icon == MsgIcon::Exclamation);
    QVERIFY(p.text.find(h.dir.file("blocker/out.txt")) != std::string::npos);
    QCOMPARE(h.dir.read("blocker"), std::string("not a folder"));
}

// Saving over the extracted file, under any name and from either view, is
// refused with a message box, and the file stays as it was.
void TestMainWindow::saveRefusesTheFileBeingRead() {
    Harness h;
    h.dir.write("case/index.dat", SampleBytes());
    const std::string evidence = h.dir.file("case/index.dat");
    QVERIFY(::symlink(evidence.c_str(), h.dir.file("link.dat").c_str()) == 0);
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(evidence);
    QCOMPARE(h.window().contentsModel().rowCount(), 4);
    h.toolkit.saveNames = {evidence, h.dir.file("case/./index.dat"), h.dir.file("link.dat"),
                           h.dir.file("case/../case/index.dat")};
    for (int i = 0; i < 4; ++i) {
        if (i == 2) h.window().lblSearch_Click();  // "<< Back": the files view
        h.window().mnuSaveResults_Click();
        const Prompt& p = h.toolkit.prompts.back();
        QVERIFY(p.icon == MsgIcon::Exclamation);
        QVERIFY(p.text.find("It is the file being read (" + evidence + ")") != std::string::npos);
        QVERIFY(p.text.find("Nothing was changed.") != std::string::npos);
    }
    QVERIFY(h.dir.read("case/index.dat") == SampleBytes());
}

void TestMainWindow::closeDuringWalkStopsIt() {
    Harness h;
    for (int i = 0; i < 200; ++i) h.dir.write("big/d" + std::to_string(i) + "/e/index.dat", "x");
    h.window().startUp("");
    h.window().show();
    Child<QLineEdit>(h.window(), "txtSearchIn")->setText(QString::fromStdString(h.dir.file("big")));
    h.window().lblSearch_Click();
    h.window().close();
    QVERIFY(!h.window().busy());
    QVERIFY(Contains(h.logLines(), "Settings saved, preparing to close"));
}

void TestMainWindow::closeDuringExtractionStopsIt() {
    Harness h;
    // A long file whose only entry stands at its end: a scan that runs to
    // the end lists it.
    constexpr off_t kSize = off_t{1} << 30;
    h.dir.write("t/index.dat", "");
    const std::string file = h.dir.file("t/index.dat");
    QCOMPARE(::truncate(file.c_str(), kSize - 200), 0);
    {
        std::ofstream out(file, std::ios::binary | std::ios::app);
        out << Entry("http://end.example/");
    }
    h.window().startUp("");
    h.window().show();
    SearchInto(h, "t");
    h.toolkit.answers = {MsgAnswer::Ok};
    h.toolkit.choose = "mnuView";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(h.window().busy());
    const auto promptsBefore = h.toolkit.prompts.size();
    h.window().close();
    QVERIFY(!h.window().busy());
    // What the scan had queued arrives after the close and changes nothing.
    QCoreApplication::processEvents();
    QCOMPARE(h.toolkit.prompts.size(), promptsBefore);
    QCOMPARE(h.window().contentsModel().rowCount(), 0);
    const auto lines = h.logLines();
    QVERIFY(Contains(lines, "Settings saved, preparing to close"));
    QVERIFY(std::none_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("Contents found", 0) == 0 || l.rfind("Error", 0) == 0;
    }));
    QCOMPARE(h.settings.read("Search", "Path", ""), h.dir.file("t"));
}

void TestMainWindow::statusLineFollowsTheWalkAndTheScan() {
    Harness h;
    h.dir.write("tree/a/index.dat", SampleBytes());
    h.window().startUp("");
    h.window().show();
    QStringList shown;
    connect(h.window().statusBar(), &QStatusBar::messageChanged,
            [&](const QString& text) { shown << text; });

    // The walk names the folder it walks, then says what it found.
    SearchInto(h, "tree");
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first(), "Searching: " + QString::fromStdString(h.dir.file("tree/")));
    QCOMPARE(shown.last(), QStringLiteral("1 file found"));

    // The scan says it runs until it has finished.
    shown.clear();
    h.toolkit.answers = {MsgAnswer::Ok};
    h.toolkit.choose = "mnuView";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QCOMPARE(shown, QStringList{QString::fromStdString(std::string(texts::kExtractingStatus))});
    QVERIFY(h.waitIdle());
    QCOMPARE(shown.last(),
             "4 entries extracted from " + QString::fromStdString(h.dir.file("tree/a/index.dat")));
    QCOMPARE(h.window().contentsModel().rowCount(), 4);
    // Back at the files list, the line speaks of that list again.
    h.window().lblSearch_Click();
    QCOMPARE(h.window().statusBar()->currentMessage(), QStringLiteral("1 file found"));
}

namespace {

// Runs a startup extraction of a file holding these entries.
void ExtractEntries(Harness& h, const std::vector<std::string>& entries) {
    h.dir.write("index.dat", EntriesFile(entries));
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().show();
}

}  // namespace

// An entry with bytes 0x80 to 0xFF reads the same wherever it goes: the list
// shows it as Windows-1252, the clipboard and the HTML page take that text,
// Launch opens that text (encoded only where an address must be), and the
// plain file keeps the bytes themselves.
void TestMainWindow::highBytesReadAlikeInListClipboardLaunchAndSave() {
    Harness h;
    const std::string entry = "http://caf\xE9.example/men\xFC?\x80=\x9F\xFF";
    ExtractEntries(h, {entry});
    const QString shown = QString::fromUtf8("http://café.example/menü?€=Ÿÿ");
    auto& model = h.window().contentsModel();
    QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), shown);

    PressOnList(Child<ReportList>(h.window(), "lvwContents"), Qt::RightButton, Qt::RightButton, 0);
    h.window().mnuCopy_Click();
    QCOMPARE(QString::fromStdString(h.toolkit.clipboard.back()), shown);

    h.toolkit.answers = {MsgAnswer::Yes};
    h.window().mnuOpen_Click();
    QCOMPARE(h.shell.opened.size(), std::size_t{1});
    const std::string address = h.shell.opened[0];
    QCOMPARE(address, std::string("http://caf\xC3\xA9.example/men%C3%BC?%E2%82%AC=%C5%B8%C3%BF"));
    QCOMPARE(QUrl::fromPercentEncoding(QByteArray::fromStdString(address)), shown);
    QCOMPARE(h.toolkit.prompts.back().text, std::string(texts::kLaunchQuestion) + "\r\n" + address);

    h.toolkit.saveNames = {h.dir.file("out.html"), h.dir.file("out.txt")};
    h.window().mnuSaveResults_Click();
    h.window().mnuSaveResults_Click();
    const std::string page = h.dir.read("out.html");
    const std::string utf8 = shown.toStdString();
    QVERIFY(page.find("<a href=\"" + utf8 + "\" target=\"_blank\">" + utf8 + "</a>") !=
            std::string::npos);
    QCOMPARE(h.dir.read("out.txt").substr(0, entry.size()), entry);
}

void TestMainWindow::entriesWithoutAWebHostAreNeitherLaunchedNorLookedUp() {
    Harness h;
    ExtractEntries(h, {"\\\\fileserver\\finance\\plan.xls"});
    QCOMPARE(h.window().contentsModel().rowCount(), 1);
    PressOnList(Child<ReportList>(h.window(), "lvwContents"), Qt::RightButton, Qt::RightButton, 0);

    // Launch says why nothing opens, without asking first.
    const auto promptsBefore = h.toolkit.prompts.size();
    h.window().mnuOpen_Click();
    QCOMPARE(h.toolkit.prompts.size(), promptsBefore + 1);
    QCOMPARE(h.toolkit.prompts.back().text, std::string(texts::kLaunchNotAnAddress));
    QVERIFY(h.toolkit.prompts.back().icon == MsgIcon::Exclamation);

    // No service hears of the share; SiteAdvisor says "Invalid URL".
    h.window().mnuUrlCommand_Click(UrlCommand::SafeWeb);
    h.window().mnuUrlCommand_Click(UrlCommand::WebSniffer);
    h.window().mnuUrlCommand_Click(UrlCommand::SiteAdvisor);
    QVERIFY(h.shell.opened.empty());
    QCOMPARE(h.toolkit.prompts.back().text, std::string("Invalid URL"));
}

void TestMainWindow::searchRootThatIsNotTextStaysBytes_data() {
    QTest::addColumn<bool>("picked");
    QTest::newRow("stored in the settings") << false;
    QTest::newRow("picked with the folder picker") << true;
}

// A root whose name is not valid UTF-8 (here Windows-1252 "café") is shown
// as well as it can be, and walked, offered to the save dialog and stored
// again byte for byte.
void TestMainWindow::searchRootThatIsNotTextStaysBytes() {
    QFETCH(bool, picked);
    Harness h;
    const std::string root = h.dir.file("caf\xE9");
    h.dir.write("caf\xE9/index.dat", "x");
    if (!picked) h.dir.write("Tessaly.ini", "[Search]\r\nPath=" + root + "\r\n");
    h.window().startUp("");
    if (picked) {
        h.toolkit.folders = {root};
        h.window().lblBrowse_Click();
    }
    const std::string walked = picked ? root + "/" : root;
    QCOMPARE(Child<QLineEdit>(h.window(), "txtSearchIn")->text(), PathText(walked));
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    QCOMPARE(h.window().filesModel().rowCount(), 1);
    QCOMPARE(h.window().filesModel().row(0).location, root + "/index.dat");
    // Saved into that folder, the next save dialog opens there, byte for byte.
    h.toolkit.saveNames = {root + "/out.txt", ""};
    h.window().mnuSaveResults_Click();
    h.window().mnuSaveResults_Click();
    QCOMPARE(h.toolkit.saveCalls.back().initialFolder, root);
    h.window().close();
    QCOMPARE(h.settings.read("Search", "Path", ""), walked);

    // A field the user edits is taken as typed.
    if (picked) return;
    Harness edited;
    edited.dir.write("Tessaly.ini", "[Search]\r\nPath=" + root + "\r\n");
    edited.window().startUp("");
    Child<QLineEdit>(edited.window(), "txtSearchIn")->setText(QStringLiteral("/srv/typed"));
    edited.window().close();
    QCOMPARE(edited.settings.read("Search", "Path", ""), std::string("/srv/typed"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
