// The window when memory runs out, on the worker thread or where a list takes
// its rows: allocations fail there on purpose (std::bad_alloc), as they do
// when a file or a folder tree holds more rows than memory. The walk or the
// scan ends with the system's report, the rows found so far stay whole, and
// the window goes on.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "gui/models.h"
#include "support/fakes.h"

namespace {

// Where a test makes memory run short.
enum class Shortage {
    None,
    // Every allocation of one contents chunk (64 KiB) after the first, on
    // any thread but the test's own: the worker's batches.
    Worker,
    // Every allocation above 16 KiB on the test's own thread, the user
    // interface's: a list making room for more rows.
    List,
};
std::atomic<Shortage> gShortage{Shortage::None};
std::atomic<int> gFailed{0};
std::thread::id gTestThread;
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
constexpr std::size_t kListRoomBytes = std::size_t{16} << 10;

bool Fails(std::size_t size) {
    const bool testThread = std::this_thread::get_id() == gTestThread;
    switch (gShortage.load()) {
        case Shortage::Worker:
            return size == kChunkBytes && !testThread && gFailed.fetch_add(1) >= 1;
        case Shortage::List:
            if (size > kListRoomBytes && testThread) {
                ++gFailed;
                return true;
            }
            return false;
        case Shortage::None:
            break;
    }
    return false;
}

void* Allocate(std::size_t size) {
    if (Fails(size)) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

// Every form of new and delete is replaced, the nothrow ones too (the
// standard library's temporary buffers, as a stable sort takes, use them):
// a block from the sanitizers' own new must never reach this free.
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

using namespace tessaly;
using namespace tessaly::test;

namespace {

std::string EntryNumber(int i) {
    std::string entry = "http://host" + std::to_string(i) + ".example/";
    entry.resize(150, '\0');
    return entry;
}

}  // namespace

class TestMemory : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { gTestThread = std::this_thread::get_id(); }
    void scanThatRunsOutOfMemoryKeepsItsRowsAndReports();
    void walkWhoseListRunsOutOfMemoryKeepsItsRowsAndReports();
};

void TestMemory::scanThatRunsOutOfMemoryKeepsItsRowsAndReports() {
    Harness h;
    constexpr int kEntries = 2000;  // several chunks' worth
    std::string bytes;
    for (int i = 0; i < kEntries; ++i) bytes += EntryNumber(i);
    h.dir.write("index.dat", bytes);

    gFailed = 0;
    gShortage = Shortage::Worker;
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    gShortage = Shortage::None;
    QVERIFY(gFailed.load() > 1);  // the failure did happen

    auto& contents = h.window().contentsModel();
    const int kept = contents.rowCount();
    QVERIFY(kept > 0 && kept < kEntries);
    for (int i = 0; i < kept; ++i) {
        QCOMPARE(contents.rows().row(static_cast<std::size_t>(i)),
                 std::string_view(EntryNumber(i)));
    }
    QCOMPARE(QString::fromStdString(h.toolkit.prompts.back().text),
             "Error: 12 Cannot allocate memory Tessaly\r\n\r\nThe list stops at " +
                 QString::number(kept) +
                 " rows: more would not fit safely in this computer's memory. The rows found so "
                 "far are kept.");
    QCOMPARE(h.window().currentView(), 2);

    // The window goes on: back, and the same file again in full.
    h.window().show();
    h.window().lblSearch_Click();
    h.window().ExtractContents(h.dir.file("index.dat"));
    QVERIFY(h.waitIdle());
    QCOMPARE(contents.rowCount(), kEntries);
    QCOMPARE(h.toolkit.prompts.back().text, std::to_string(kEntries) + " items found");
}

// The files list cannot make room for the rows a walk delivers: it stays as
// it was, the walk stops, and its end reports where the list stops.
void TestMemory::walkWhoseListRunsOutOfMemoryKeepsItsRowsAndReports() {
    Harness h;
    // More rows than 16 KiB of list holds, whatever the batches.
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) h.dir.write("tree/d" + std::to_string(i) + "/index.dat", "x");
    h.window().startUp("");
    auto* field = h.window().findChild<QLineEdit*>("txtSearchIn");
    field->setText(QString::fromStdString(h.dir.file("tree")));

    gFailed = 0;
    gShortage = Shortage::List;
    h.window().lblSearch_Click();
    const bool idle = h.waitIdle();
    gShortage = Shortage::None;
    QVERIFY(idle);
    QVERIFY(gFailed.load() > 0);  // the failure did happen

    auto& files = h.window().filesModel();
    const int kept = files.rowCount();
    QVERIFY(kept < kFiles);
    for (int i = 0; i < kept; ++i) {
        QVERIFY(files.row(i).location.rfind(h.dir.file("tree/d"), 0) == 0);
    }
    QVERIFY(!h.toolkit.prompts.empty());
    QCOMPARE(QString::fromStdString(h.toolkit.prompts.back().text),
             "Error: 12 Cannot allocate memory Tessaly\r\n\r\nThe list stops at " +
                 QString::number(kept) +
                 " rows: more would not fit safely in this computer's memory. The rows found so "
                 "far are kept.");

    // The window goes on: the same tree again, in full.
    const auto prompts = h.toolkit.prompts.size();
    h.window().lblSearch_Click();
    QVERIFY(h.waitIdle());
    QCOMPARE(files.rowCount(), kFiles);
    QCOMPARE(h.toolkit.prompts.size(), prompts);
}

QTEST_MAIN(TestMemory)
#include "tst_memory.moc"
