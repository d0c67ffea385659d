// The window when memory runs out on the worker thread: allocations of the
// contents list's storage fail there on purpose (std::bad_alloc), as they do
// when a file holds more rows than memory. The scan ends with the system's
// report, the rows found so far stay whole, and the window goes on.
#include <QLabel>
#include <QTest>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "gui/models.h"
#include "support/fakes.h"

namespace {

// Armed by a test: every allocation of one contents chunk (64 KiB) after the
// first fails on any thread but the test's own.
std::atomic<bool> gFailChunks{false};
std::atomic<int> gChunks{0};
std::thread::id gTestThread;
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

void* Allocate(std::size_t size) {
    if (size == kChunkBytes && gFailChunks.load() && std::this_thread::get_id() != gTestThread &&
        gChunks.fetch_add(1) >= 1) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

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
};

void TestMemory::scanThatRunsOutOfMemoryKeepsItsRowsAndReports() {
    Harness h;
    constexpr int kEntries = 2000;  // several chunks' worth
    std::string bytes;
    for (int i = 0; i < kEntries; ++i) bytes += EntryNumber(i);
    h.dir.write("index.dat", bytes);

    gChunks = 0;
    gFailChunks = true;
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    gFailChunks = false;
    QVERIFY(gChunks.load() > 1);  // the failure did happen

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

QTEST_MAIN(TestMemory)
#include "tst_memory.moc"
