// The Records tab driven as a user would: the records read with the
// contents, the columns and marks, the time zone switch, sorting and the
// filter with the commands on the right record, Copy rows, Show raw entry,
// the timeline's range and the export of the rows shown.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/ui/texts.h"
#include "gui/models.h"
#include "gui/records_view.h"
#include "support/fakes.h"
#include "support/index_dat_writer.h"

using namespace tessaly;
using namespace tessaly::test;

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

constexpr std::uint64_t kHourTicks = 3600ull * 10'000'000ull;
// 2013-03-10 00:00 UTC as a FILETIME.
constexpr std::uint64_t kBase = 130073472000000000ull;

// Five cache records an hour apart (the fourth deleted: recovered), their
// URLs out of alphabetical order.
std::vector<IndexDatEntry> Entries() {
    const char* urls[] = {"http://delta.example/d", "http://alpha.example/a",
                          "http://echo.example/e", "http://bravo.example/B",
                          "http://charlie.example/c"};
    std::vector<IndexDatEntry> out;
    for (std::size_t i = 0; i < 5; ++i) {
        IndexDatEntry e;
        e.location = urls[i];
        e.fileName = 'f' + std::to_string(i);
        e.fileName += "[1].htm";
        e.headers = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
        e.lastAccessed = kBase + i * kHourTicks;
        e.lastModified = kBase - kHourTicks;
        e.state = i == 3 ? IndexDatState::Deleted : IndexDatState::Live;
        out.push_back(e);
    }
    return out;
}

// A window with the sample's contents and records read, the Records tab in front.
struct Loaded {
    Harness h;
    std::string path;
    Loaded() {
        path = h.dir.file("index.dat");
        if (!WriteIndexDat(path, Entries())) qFatal("cannot write the sample");
        h.toolkit.answers = {MsgAnswer::Ok};
        h.window().startUp("\"" + path + "\"");
        h.window().lblRecords_Click();
    }
    RecordsPanel& panel() { return h.window().recordsPanel(); }
    RecordsModel& model() { return panel().model(); }
    QString cell(int row, RecordColumn column) {
        return model().index(row, static_cast<int>(column)).data().toString();
    }
    QStringList urls() {
        QStringList out;
        for (int row = 0; row < model().rowCount(); ++row) out << cell(row, RecordColumn::Url);
        return out;
    }
    void select(int row) {
        panel().table().selectionModel()->setCurrentIndex(
            model().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

}  // namespace

class TestRecords : public QObject {
    Q_OBJECT

  private slots:
    void recordsAreReadWithTheContents();
    void timesInUtcOrLocalTimeRemembered();
    void aColumnNamedForItsZoneKeepsIt();
    void sortAndFilterKeepCommandsOnTheRightRecord();
    void copyRowsTakesTheSelectedRowsWithAHeader();
    void popupKeysOpenTheRecordsMenuAtTheCurrentRow();
    void showRawEntrySelectsTheRawRowOfTheRecord();
    void timelineRangeFiltersTheList();
    void exportWritesTheShownRowsInOrder_data();
    void exportWritesTheShownRowsInOrder();
    void exportNeverReplacesTheFileRead();
    void propertiesListEveryFieldAndTheHeaders();
    void findBarFiltersTheRawRows();
    void aReadShowsItsProgressAndStops();
    void doubleClickOnAFileReadsItsRecords();
};

void TestRecords::recordsAreReadWithTheContents() {
    Loaded l;
    QCOMPARE(Child<QLabel>(l.h.window(), "lblRecords")->text(), QStringLiteral("Records (5)"));
    QVERIFY(l.panel().isVisibleTo(&l.h.window()));
    QVERIFY(Child<ReportList>(l.h.window(), "lvwContents")->isHidden());
    QVERIFY(l.h.window().windowTitle().endsWith(QStringLiteral(" [ Records ]")));
    QCOMPARE(Child<QLabel>(l.h.window(), "lblRecordCount")->text(),
             QStringLiteral("5 of 5 records"));
    QCOMPARE(l.urls(), (QStringList{"http://delta.example/d", "http://alpha.example/a",
                                    "http://echo.example/e", "http://bravo.example/B",
                                    "http://charlie.example/c"}));
    // The header names the times by the file's kind; the recovered row says
    // so in words and is tinted, the live ones are not.
    auto header = [&](RecordColumn c) {
        return l.model().headerData(static_cast<int>(c), Qt::Horizontal, Qt::DisplayRole);
    };
    QCOMPARE(header(RecordColumn::FirstTime).toString(), QStringLiteral("Last accessed"));
    QCOMPARE(header(RecordColumn::SecondTime).toString(), QStringLiteral("Last modified"));
    QCOMPARE(
        l.model()
            .headerData(static_cast<int>(RecordColumn::FirstTime), Qt::Horizontal, Qt::ToolTipRole)
            .toString(),
        QStringLiteral("In UTC"));
    QCOMPARE(l.cell(3, RecordColumn::Status), QStringLiteral("recovered"));
    QCOMPARE(l.cell(0, RecordColumn::Status), QStringLiteral("live"));
    QVERIFY(l.model().index(3, 1).data(Qt::BackgroundRole).isValid());
    QVERIFY(!l.model().index(0, 1).data(Qt::BackgroundRole).isValid());
    QCOMPARE(l.cell(1, RecordColumn::FirstTime), QStringLiteral("2013-03-10 01:00:00"));
    QCOMPARE(l.cell(0, RecordColumn::CacheFile), QStringLiteral("f0[1].htm"));
    QVERIFY(Contains(l.h.logLines(), "Records found: 5"));

    // Back empties the records with the contents.
    l.h.window().lblSearch_Click();
    QCOMPARE(l.model().rowCount(), 0);
    QCOMPARE(Child<QLabel>(l.h.window(), "lblRecords")->text(), QStringLiteral("Records"));
}

void TestRecords::timesInUtcOrLocalTimeRemembered() {
    qputenv("TZ", "UTC-2");
    tzset();
    {
        Loaded l;
        auto* item = Child<QAction>(l.h.window(), "mnuLocalTime");
        QVERIFY(!item->isChecked());
        item->trigger();
        QVERIFY(item->isChecked());
        QCOMPARE(l.cell(1, RecordColumn::FirstTime), QStringLiteral("2013-03-10 03:00:00"));
        QVERIFY(l.model()
                    .headerData(static_cast<int>(RecordColumn::FirstTime), Qt::Horizontal,
                                Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("local time")));
        QVERIFY(l.h.settingsText().find("[Records]\r\nLocalTime=1") != std::string::npos ||
                l.h.settingsText().find("[Records]\nLocalTime=1") != std::string::npos);
        // A window opened later reads the switch back.
        MainWindow second(
            MainWindowServices{l.h.settings, l.h.log, l.h.toolkit, l.h.shell, l.h.toolkit, {}});
        second.startUp("");
        QVERIFY(second.recordsPanel().model().localZone());
        QVERIFY(Child<QAction>(second, "mnuLocalTime")->isChecked());
    }
    qunsetenv("TZ");
    tzset();
}

void TestRecords::aColumnNamedForItsZoneKeepsIt() {
    qputenv("TZ", "UTC-2");
    tzset();
    {
        Harness h;
        IndexDatEntry daily;
        daily.location = ":2013031020130311: mary@http://daily.example/";
        daily.lastAccessed = kBase + kHourTicks;
        daily.lastModified = kBase + 3 * kHourTicks;
        h.dir.write("index.dat", BuildIndexDat({daily}));
        h.toolkit.answers = {MsgAnswer::Ok};
        h.window().startUp(h.dir.file("index.dat"));
        RecordsModel& model = h.window().recordsPanel().model();
        auto header = [&](RecordColumn c) {
            return model.headerData(static_cast<int>(c), Qt::Horizontal, Qt::DisplayRole)
                .toString();
        };
        auto cell = [&](RecordColumn c) {
            return model.index(0, static_cast<int>(c)).data().toString();
        };
        QCOMPARE(header(RecordColumn::FirstTime), QStringLiteral("Visited (UTC)"));
        QCOMPARE(header(RecordColumn::SecondTime), QStringLiteral("Visited (local)"));
        Child<QAction>(h.window(), "mnuLocalTime")->trigger();
        // Still UTC under its name, and the writer's local time as stored.
        QCOMPARE(cell(RecordColumn::FirstTime), QStringLiteral("2013-03-10 01:00:00"));
        QCOMPARE(cell(RecordColumn::SecondTime), QStringLiteral("2013-03-10 03:00:00"));
    }
    qunsetenv("TZ");
    tzset();
}

void TestRecords::sortAndFilterKeepCommandsOnTheRightRecord() {
    Loaded l;
    // By URL, then again for descending; a filter on top.
    l.model().sort(static_cast<int>(RecordColumn::Url), Qt::AscendingOrder);
    QCOMPARE(l.urls().first(), QStringLiteral("http://alpha.example/a"));
    l.select(0);  // alpha, kept selected through the next sort
    l.model().sort(static_cast<int>(RecordColumn::Url), Qt::DescendingOrder);
    QCOMPARE(l.panel().selectedRecords(), std::vector<std::size_t>{1});
    QCOMPARE(l.panel().table().currentIndex().row(), 4);
    QCOMPARE(l.urls(), (QStringList{"http://echo.example/e", "http://delta.example/d",
                                    "http://charlie.example/c", "http://bravo.example/B",
                                    "http://alpha.example/a"}));
    l.panel().filterField().setText(QStringLiteral("A.EXAMPLE"));  // case ignored
    QCOMPARE(l.urls(), (QStringList{"http://delta.example/d", "http://alpha.example/a"}));
    QCOMPARE(Child<QLabel>(l.h.window(), "lblRecordCount")->text(),
             QStringLiteral("2 of 5 records"));

    // Copy, a look-up through the menu and Launch take the row shown.
    l.select(1);
    l.h.window().mnuRecordCopy_Click();
    QCOMPARE(l.h.toolkit.clipboard.back(), std::string("http://alpha.example/a"));
    // A look-up service of the settings, from the records' own submenu.
    l.h.toolkit.choose = QStringLiteral("mnuURLCheckSafeWeb");
    PressOnList(&l.panel().table(), Qt::RightButton, Qt::RightButton, 1);
    QCOMPARE(l.h.shell.opened.size(), std::size_t{1});
    QVERIFY2(
        QString::fromStdString(l.h.shell.opened.back()).endsWith(QStringLiteral("alpha.example")),
        l.h.shell.opened.back().c_str());
    l.select(0);
    l.h.toolkit.choose = QStringLiteral("mnuRecordOpen");
    l.h.toolkit.answers = {MsgAnswer::Yes};
    PressOnList(&l.panel().table(), Qt::RightButton, Qt::RightButton, 0);
    QCOMPARE(l.h.toolkit.popups.size(), std::size_t{2});
    QVERIFY(l.h.toolkit.popups.back().contains(QStringLiteral("mnuCopyRows")));
    QCOMPARE(l.h.shell.opened.back(), std::string("http://delta.example/d"));

    // The status choice: only the recovered record.
    l.panel().filterField().clear();
    l.panel().statusChoice().setCurrentIndex(
        l.panel().statusChoice().findText(QStringLiteral("recovered")));
    QCOMPARE(l.urls(), QStringList{"http://bravo.example/B"});
    l.select(0);
    l.h.window().mnuRecordCopy_Click();
    QCOMPARE(l.h.toolkit.clipboard.back(), std::string("http://bravo.example/B"));
    l.panel().typeChoice().setCurrentIndex(l.panel().typeChoice().findText(QStringLiteral("LEAK")));
    QCOMPARE(l.model().rowCount(), 0);

    // Offline: the record's look-ups and Launch are refused like the contents list's.
    l.panel().statusChoice().setCurrentIndex(0);
    l.panel().typeChoice().setCurrentIndex(0);
    l.h.settings.write("Lookups", "Offline", "1");
    l.h.toolkit.choose.clear();
    PressOnList(&l.panel().table(), Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(!l.h.toolkit.popups.back()[QStringLiteral("mnuRecordOpen")].enabled);
    QVERIFY(!l.h.toolkit.popups.back()[QStringLiteral("mnuRecordWendel")].enabled);
    QVERIFY(l.h.toolkit.popups.back()[QStringLiteral("mnuCopyRows")].enabled);
}

void TestRecords::popupKeysOpenTheRecordsMenuAtTheCurrentRow() {
    Loaded l;
    l.panel().table().setFocus();
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Menu, Qt::NoModifier},
                                                              {Qt::Key_F10, Qt::ShiftModifier}};
    int row = 0;
    for (const auto& [key, modifiers] : keys) {
        l.select(++row);
        l.h.toolkit.choose = QStringLiteral("mnuRecordCopy");
        QTest::keyClick(&l.panel().table(), key, modifiers);
        QVERIFY(l.h.toolkit.popups.back().contains(QStringLiteral("mnuCopyRows")));
        QCOMPARE(QString::fromStdString(l.h.toolkit.clipboard.back()),
                 l.cell(row, RecordColumn::Url));
    }
    QCOMPARE(l.h.toolkit.popups.size(), std::size_t{2});
}

void TestRecords::copyRowsTakesTheSelectedRowsWithAHeader() {
    Loaded l;
    l.model().sort(static_cast<int>(RecordColumn::Url), Qt::AscendingOrder);
    auto* selection = l.panel().table().selectionModel();
    for (int row : {3, 0}) {
        selection->select(l.model().index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    l.h.window().mnuCopyRows_Click();
    const std::string copied = l.h.toolkit.clipboard.back();
    std::istringstream lines(copied);
    std::string header, first, second, more;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    QVERIFY(header.rfind("file\toffset\ttype\tstatus", 0) == 0);
    // Shown order, not the order they were selected in.
    QVERIFY(first.find("http://alpha.example/a") != std::string::npos);
    QVERIFY(second.find("http://delta.example/d") != std::string::npos);
    QVERIFY(!std::getline(lines, more) || more.empty());
}

void TestRecords::showRawEntrySelectsTheRawRowOfTheRecord() {
    Loaded l;
    l.model().sort(static_cast<int>(RecordColumn::Url), Qt::AscendingOrder);
    l.select(2);  // charlie
    const std::size_t record = l.model().list().recordAt(2);
    const std::uint64_t offset = l.model().list().table().offset(record);
    l.h.window().mnuShowRawEntry_Click();
    auto* contents = Child<ReportList>(l.h.window(), "lvwContents");
    QVERIFY(!contents->isHidden());
    QVERIFY(l.panel().isHidden());
    const int row = SelectedSourceRow(*contents);
    QVERIFY(row >= 0);
    const ContentsRows& rows = l.h.window().contentsModel().rows();
    QCOMPARE(std::string(rows.shown(static_cast<std::size_t>(row))),
             std::string("http://charlie.example/c"));
    QVERIFY(rows.position(static_cast<std::size_t>(row)) > offset);
    QVERIFY(rows.position(static_cast<std::size_t>(row)) < offset + 0x200);
}

void TestRecords::timelineRangeFiltersTheList() {
    Loaded l;
    TimelineBar& timeline = l.panel().timeline();
    QCOMPARE(timeline.timeline().step, 3600);
    std::vector<std::uint32_t> hours(24, 0);
    std::fill(hours.begin(), hours.begin() + 5, 1u);
    QCOMPARE(timeline.timeline().counts, hours);
    // Dragging across the second to the fourth hour: 20 pixels an hour.
    timeline.resize(480, 50);
    QTest::mousePress(&timeline, Qt::LeftButton, {}, QPoint(30, 20));
    QMouseEvent move(QEvent::MouseMove, QPointF(70, 20), timeline.mapToGlobal(QPointF(70, 20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&timeline, &move);
    QTest::mouseRelease(&timeline, Qt::LeftButton, {}, QPoint(70, 20));
    QCOMPARE(l.urls(), (QStringList{"http://alpha.example/a", "http://echo.example/e",
                                    "http://bravo.example/B"}));
    QCOMPARE(Child<QLabel>(l.h.window(), "lblRecordCount")->text(),
             QStringLiteral("3 of 5 records"));
    // The range and the text filter together.
    l.panel().filterField().setText(QStringLiteral("echo"));
    QCOMPARE(l.urls(), QStringList{"http://echo.example/e"});
    l.panel().filterField().clear();
    // A click without a drag clears the range.
    QTest::mouseClick(&timeline, Qt::LeftButton, {}, QPoint(300, 20));
    QCOMPARE(l.model().rowCount(), 5);
}

void TestRecords::exportWritesTheShownRowsInOrder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("csv") << "out.csv"
                         << "file,offset,type,status";
    QTest::newRow("jsonl") << "out.jsonl"
                           << "{\"file\":";
    QTest::newRow("html") << "out.html"
                          << "<!DOCTYPE html>";
    QTest::newRow("bodyfile") << "out.body"
                              << "0|";
    QTest::newRow("no known ending is CSV") << "out.txt"
                                            << "file,offset,type,status";
}

void TestRecords::exportWritesTheShownRowsInOrder() {
    QFETCH(QString, name);
    QFETCH(QString, firstLine);
    Loaded l;
    l.model().sort(static_cast<int>(RecordColumn::Url), Qt::DescendingOrder);
    l.panel().filterField().setText(QStringLiteral("a.example"));
    const std::string target = l.h.dir.file(name.toStdString());
    l.h.toolkit.saveNames = {target};
    l.h.window().mnuExportRecords_Click();
    QCOMPARE(l.h.toolkit.prompts.back().text, "File saved as: " + target);
    const std::string written = l.read(target);
    QVERIFY2(written.rfind(firstLine.toStdString(), 0) == 0, written.substr(0, 80).c_str());
    // delta before alpha, and no other record.
    const auto delta = written.find("delta.example");
    const auto alpha = written.find("alpha.example");
    QVERIFY(delta != std::string::npos && alpha != std::string::npos && delta < alpha);
    for (const char* other : {"bravo.example", "charlie.example", "echo.example"})
        QVERIFY(written.find(other) == std::string::npos);
    QVERIFY(l.h.toolkit.saveCalls.back().filter.find("*.jsonl") != std::string::npos);
}

void TestRecords::exportNeverReplacesTheFileRead() {
    Loaded l;
    const std::string before = l.read(l.path);
    l.h.toolkit.saveNames = {l.path};
    l.h.window().mnuExportRecords_Click();
    QVERIFY(l.h.toolkit.prompts.back().text.rfind("Could not save " + l.path, 0) == 0);
    QVERIFY(l.h.toolkit.prompts.back().text.find("Nothing was changed.") != std::string::npos);
    QCOMPARE(l.read(l.path), before);
}

void TestRecords::propertiesListEveryFieldAndTheHeaders() {
    Loaded l;
    l.select(0);
    l.h.window().mnuRecordProperties_Click();
    auto* dialog = l.h.window().findChild<QDialog*>(QStringLiteral("dlgRecordProperties"));
    QVERIFY(dialog);
    auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("tblRecordFields"));
    QCOMPARE(table->rowCount(), 21);
    QCOMPARE(table->item(8, 0)->text(), QStringLiteral("url"));
    QCOMPARE(table->item(8, 1)->text(), QStringLiteral("http://delta.example/d"));
    QVERIFY(dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtRecordHeaders"))
                ->toPlainText()
                .contains(QStringLiteral("Content-Type: text/html")));
    dialog->close();
}

void TestRecords::findBarFiltersTheRawRows() {
    Loaded l;
    l.h.window().lblContent_Click();
    auto* contents = Child<ReportList>(l.h.window(), "lvwContents");
    auto* bar = Child<QLineEdit>(l.h.window(), "txtFindContents");
    const int all = contents->model()->rowCount();
    QVERIFY(bar->isHidden());  // the designed layout, until asked for
    l.h.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&l.h.window()));
    const int listHeight = contents->height();
    contents->setFocus();
    QTest::keyClick(contents, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!bar->isHidden());
    QVERIFY(contents->height() < listHeight);
    QVERIFY(bar->geometry().top() >= contents->geometry().bottom());

    // Letter case ignored, as in the records' filter; commands take the row shown.
    QTest::keyClicks(bar, QStringLiteral("CHARLIE"));
    QCOMPARE(contents->model()->rowCount(), 1);
    contents->selectionModel()->setCurrentIndex(
        contents->model()->index(0, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    l.h.window().mnuCopy_Click();
    QCOMPARE(l.h.toolkit.clipboard.back(), std::string("http://charlie.example/c"));
    bar->setText(QStringLiteral("\u20ac\u4e00"));  // no Windows-1252 byte for the second
    QCOMPARE(contents->model()->rowCount(), 0);

    // Escape closes the bar: every row again, the list at its designed size.
    QTest::keyClick(bar, Qt::Key_Escape);
    QVERIFY(bar->isHidden());
    QCOMPARE(contents->model()->rowCount(), all);
    QCOMPARE(contents->height(), listHeight);
    l.h.window().hide();
}

void TestRecords::aReadShowsItsProgressAndStops() {
    Harness h;
    const std::string path = h.dir.file("big.dat");
    QVERIFY(WriteIndexDat(path, GenerateIndexDatEntries(20000, 7)));
    const auto size = std::filesystem::file_size(path);
    h.window().ExtractContents(path, ExtractFrom::FilesList);
    // The bar counts the file's size in KB from the start; the Search button
    // stops the read as it stops a walk.
    auto* bar = Child<QProgressBar>(h.window(), "prgRead");
    QVERIFY(bar->isVisibleTo(&h.window()));
    QCOMPARE(bar->maximum(), static_cast<int>(size / 1024 + 1));
    auto* search = Child<QLabel>(h.window(), "lblSearch");
    QCOMPARE(search->text(), QStringLiteral("Stop"));
    QVERIFY(search->isEnabled());
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    QVERIFY(!bar->isVisibleTo(&h.window()));
    QVERIFY(search->text() != QStringLiteral("Stop"));
}

void TestRecords::doubleClickOnAFileReadsItsRecords() {
    Harness h;
    h.dir.write("tree/index.dat", BuildIndexDat(Entries()));
    h.window().startUp("");
    h.window().show();
    Child<QLineEdit>(h.window(), "txtSearchIn")
        ->setText(QString::fromStdString(h.dir.file("tree")));
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    auto* files = Child<ReportList>(h.window(), "lvwFiles");
    QCOMPARE(files->model()->rowCount(), 1);
    h.toolkit.answers = {MsgAnswer::Ok};  // the warning before a read
    QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
    const QPoint at = files->visualRect(files->model()->index(0, 0)).center();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(h.waitIdle());
    QVERIFY(h.toolkit.prompts.size() >= 2);
    QCOMPARE(h.toolkit.prompts[h.toolkit.prompts.size() - 2].text,
             std::string("Warning: this process may take a few moments"));
    QCOMPARE(Child<QLabel>(h.window(), "lblRecords")->text(), QStringLiteral("Records (5)"));
    h.window().hide();
}

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
