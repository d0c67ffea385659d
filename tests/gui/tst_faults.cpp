// The window under faults: a file to extract that is a FIFO or unreadable, a
// settings file of garbage or of 10 MB, a full disk under the settings, the
// log and a save. Every time the window starts, works and closes, and the
// settings and saved files are never lost.
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

#include "core/settings/ini_file.h"
#include "gui/models.h"
#include "support/fakes.h"
#include "support/small_disk.h"

using namespace tessaly;
using namespace tessaly::test;

namespace {

void SearchIn(Harness& h, const std::string& folder) {
    Child<QLineEdit>(h.window(), "txtSearchIn")->setText(QString::fromStdString(folder));
    h.window().lblSearch_Click();
    h.waitIdle();
}

void ExpectEverythingEnabled(Harness& h) {
    QVERIFY(Child<ReportList>(h.window(), "lvwFiles")->isEnabled());
    QVERIFY(Child<QLineEdit>(h.window(), "txtSearchIn")->isEnabled());
    QVERIFY(Child<QLabel>(h.window(), "lblBrowse")->isEnabled());
    QVERIFY(Child<QLabel>(h.window(), "lblSearch")->isEnabled());
    QCOMPARE(Child<QLabel>(h.window(), "lblSearch")->text(), QStringLiteral("Search"));
}

std::string Garbage(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

std::string TenMegabytes() {
    std::string text = "[Junk]\r\n";
    for (int i = 0; text.size() < 10'000'000; ++i) {
        text += "key" + std::to_string(i) + "=" + std::string(60, 'v') + "\r\n";
    }
    return text;
}

}  // namespace

class TestFaults : public QObject {
    Q_OBJECT

  private slots:
    void extractionOfWhatCannotBeReadEndsWithTheReport_data();
    void extractionOfWhatCannotBeReadEndsWithTheReport();
    void hostileSettingsFileIsKeptAndUpdated_data();
    void hostileSettingsFileIsKeptAndUpdated();
    void fullDiskLosesNothing();
    void listsStopAtTheRowBudgetWithTheReport();
    void settingsFileThatIsAFifoIsLeftAlone();
};

void TestFaults::extractionOfWhatCannotBeReadEndsWithTheReport_data() {
    QTest::addColumn<bool>("fifo");
    QTest::addColumn<QString>("report");
    QTest::newRow("FIFO") << true << QStringLiteral("Error: 22 Not a regular file Tessaly");
    QTest::newRow("no read permission")
        << false << QStringLiteral("Error: 13 Permission denied Tessaly");
}

void TestFaults::extractionOfWhatCannotBeReadEndsWithTheReport() {
    QFETCH(bool, fifo);
    QFETCH(QString, report);
    if (!fifo && ::geteuid() == 0) QSKIP("root reads files without read rights");
    Harness h;
    const std::string file = h.dir.file("t/index.dat");
    h.dir.write("t/other.txt", "");
    if (fifo) {
        QCOMPARE(::mkfifo(file.c_str(), 0644), 0);
    } else {
        h.dir.write("t/index.dat", "http://a/");
        QCOMPARE(::chmod(file.c_str(), 0), 0);
    }
    h.window().startUp("");
    h.window().show();
    SearchIn(h, h.dir.file("t"));
    QCOMPARE(h.window().filesModel().rowCount(), 1);

    h.toolkit.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    h.toolkit.choose = "mnuView";
    PressOnList(Child<ReportList>(h.window(), "lvwFiles"), Qt::RightButton, Qt::RightButton, 0);
    QVERIFY(h.waitIdle());
    QCOMPARE(QString::fromStdString(h.toolkit.prompts.back().text), report);
    QCOMPARE(h.window().currentView(), 1);
    QVERIFY(Child<ReportList>(h.window(), "lvwContents")->isHidden());
    ExpectEverythingEnabled(h);
    QVERIFY(h.toolkit.unexpected.empty());
    // The window still works: the same search again.
    SearchIn(h, h.dir.file("t"));
    QCOMPARE(h.window().filesModel().rowCount(), 1);
}

void TestFaults::hostileSettingsFileIsKeptAndUpdated_data() {
    QTest::addColumn<QByteArray>("content");
    const std::string garbage = Garbage(64 * 1024);
    const std::string big = TenMegabytes();
    QTest::newRow("garbage") << QByteArray(garbage.data(), static_cast<qsizetype>(garbage.size()));
    QTest::newRow("10 MB") << QByteArray(big.data(), static_cast<qsizetype>(big.size()));
    QTest::newRow("log in a missing folder")
        << QByteArray("[Settings]\r\nAppLog=/nonexistent/tessaly/applog.log\r\n");
}

void TestFaults::hostileSettingsFileIsKeptAndUpdated() {
    QFETCH(QByteArray, content);
    const std::string before(content.constData(), static_cast<std::size_t>(content.size()));
    Harness h;
    h.dir.write("Tessaly.ini", before);
    h.dir.write("t/index.dat", "x");
    h.window().startUp("");
    h.window().show();
    SearchIn(h, h.dir.file("t"));
    QCOMPARE(h.window().filesModel().rowCount(), 1);
    h.window().close();
    QVERIFY(!h.window().busy());
    // Every byte stays; the window's keys are added and read back.
    const std::string after = h.settingsText();
    QVERIFY(after.size() > before.size());
    QVERIFY(after.compare(0, before.size(), before) == 0);
    QCOMPARE(h.settings.read("Search", "Path", ""), h.dir.file("t"));
    QCOMPARE(h.settings.read("Main", "Ver", ""), std::string("1.0.8"));
}

void TestFaults::fullDiskLosesNothing() {
    TempDir elsewhere;
    elsewhere.write("t/index.dat", std::string(300, 'x') + "http://a.example/");
    Harness h;
    SmallDisk disk(h.dir.path(), 64);
    if (!disk.mounted()) QSKIP("cannot mount a small tmpfs here");
    const std::string settings = "[Search]\r\nPath=/srv/kept\r\n";
    h.dir.write("Tessaly.ini", settings);
    h.dir.write("results.txt", "old results");
    QVERIFY(disk.fill());

    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(elsewhere.file("t/index.dat"));
    h.window().show();
    QCOMPARE(h.window().contentsModel().rowCount(), 1);

    // A save that cannot be written names the file and the reason, and keeps the old file.
    h.toolkit.saveNames = {h.dir.file("results.txt")};
    h.window().mnuSaveResults_Click();
    const Prompt& p = h.toolkit.prompts.back();
    QVERIFY(p.icon == MsgIcon::Exclamation);
    QVERIFY2(p.text.find(h.dir.file("results.txt")) != std::string::npos, p.text.c_str());
    QVERIFY2(p.text.find("No space left on device") != std::string::npos, p.text.c_str());
    QCOMPARE(h.dir.read("results.txt"), std::string("old results"));

    h.window().close();
    QVERIFY(!h.window().busy());
    QCOMPARE(h.settingsText(), settings);
    QVERIFY(h.toolkit.unexpected.empty());
}

// Past its row budget a list stops: the walk or the scan ends with the
// system's out-of-memory report and where the list stops, the rows found so
// far stay, and the window goes on as after any failed scan.
void TestFaults::listsStopAtTheRowBudgetWithTheReport() {
    Harness h;
    h.window().setRowBudget(3);
    std::string bytes;
    for (int i = 0; i < 10; ++i) {
        std::string entry = "http://host" + std::to_string(i) + ".example/";
        entry.resize(150, '\0');
        bytes += entry;
    }
    h.dir.write("index.dat", bytes);
    for (int i = 0; i < 5; ++i) h.dir.write("tree/d" + std::to_string(i) + "/index.dat", "x");
    const std::string report =
        "Error: 12 Cannot allocate memory Tessaly\r\n\r\nThe list stops at 3 rows: more would "
        "not fit safely in this computer's memory. The rows found so far are kept.";

    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().show();
    QCOMPARE(h.toolkit.prompts.back().text, report);
    QVERIFY(h.toolkit.prompts.back().icon == MsgIcon::None);
    auto& contents = h.window().contentsModel();
    QCOMPARE(contents.rowCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(contents.data(contents.index(i, 0), Qt::DisplayRole).toString(),
                 QString::fromStdString("http://host" + std::to_string(i) + ".example/"));
    }
    QCOMPARE(h.window().currentView(), 2);
    const auto lines = h.logLines();
    QVERIFY(std::find(lines.begin(), lines.end(), "Error: 12 Cannot allocate memory Tessaly") !=
            lines.end());

    h.window().lblSearch_Click();  // << Back
    SearchIn(h, h.dir.file("tree"));
    QCOMPARE(h.toolkit.prompts.back().text, report);
    QCOMPARE(h.window().filesModel().rowCount(), 3);
    ExpectEverythingEnabled(h);

    // The stop raised at the budget does not linger.
    h.window().setRowBudget(100);
    SearchIn(h, h.dir.file("tree"));
    QCOMPARE(h.window().filesModel().rowCount(), 5);
    QCOMPARE(h.toolkit.prompts.back().text, report);  // nothing new said
}

// A FIFO named as the settings file is neither waited on nor replaced: the
// window starts with its defaults, works, and closes. A watchdog ends the
// test should the window wait on the FIFO.
void TestFaults::settingsFileThatIsAFifoIsLeftAlone() {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, std::chrono::seconds(60), [&] { return finished; })) {
            std::fputs("the window waits on a FIFO named as its settings file\n", stderr);
            std::_Exit(1);
        }
    });
    {
        Harness h;
        const std::string ini = h.settings.settingsFilePath();
        QCOMPARE(::mkfifo(ini.c_str(), 0644), 0);
        h.dir.write("t/index.dat", "x");
        h.window().startUp("");
        h.window().show();
        QCOMPARE(Child<QLineEdit>(h.window(), "txtSearchIn")->text(), QStringLiteral("/"));
        SearchIn(h, h.dir.file("t"));
        QCOMPARE(h.window().filesModel().rowCount(), 1);
        h.window().close();
        struct stat st {};
        QCOMPARE(::lstat(ini.c_str(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(!h.logLines().empty());
    }
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
