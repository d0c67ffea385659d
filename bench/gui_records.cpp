// The Records tab with a very large file: writes an index.dat of N records
// (generated, 1,000,000 by default), opens it in the real window (offscreen)
// as a user would, and prints one line per figure:
//
//   all rows shown: N ms     from the extraction's start to the Records tab
//                            holding every record
//   longest stall: N ms      the longest the user-interface thread went
//                            without handling a timer tick while loading
//   filter keystroke: N ms   one character typed in the filter box (every
//                            record looked at) to the repainted table
//   sort by time: N ms       a click on the first time column's header to the
//                            repainted table
//   bytes per record: N      the records' peak memory (table, shown order and
//                            the sort's keys) beyond their location bytes
//
//   gui_records [RECORDS]
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "gui/main_window.h"
#include "gui/models.h"
#include "gui/records_view.h"
#include "quiet_services.h"
#include "support/index_dat_writer.h"
#include "support/temp_dir.h"

namespace {

long long Since(const QElapsedTimer& t) { return static_cast<long long>(t.elapsed()); }

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;

    tessaly::test::TempDir dir;
    const std::string path = dir.file("index.dat");
    if (!tessaly::test::WriteIndexDat(
            path, tessaly::test::GenerateIndexDatEntries(records, 20130310), {0, 1, false})) {
        std::fprintf(stderr, "Error: cannot write %s\n", path.c_str());
        return 1;
    }

    tessaly::bench::QuietWindow quiet(dir.path());
    tessaly::MainWindow& window = quiet.window;
    tessaly::RecordsPanel& panel = window.recordsPanel();
    tessaly::RecordsModel& model = panel.model();

    qint64 worstGap = 0;
    QElapsedTimer total;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { worstGap = std::max(worstGap, sinceTick.restart()); });

    total.start();
    sinceTick.start();
    ticker.start();
    bool done = false;
    QObject::connect(&window, &tessaly::MainWindow::workFinished, [&] { done = true; });
    window.ExtractContents(path, tessaly::ExtractFrom::FilesList);
    while (!done) QApplication::processEvents(QEventLoop::AllEvents, 50);
    window.lblRecords_Click();
    panel.table().viewport()->repaint();
    const long long shown = Since(total);
    ticker.stop();
    const std::size_t loaded = model.total();

    // One keystroke: every record is looked at.
    QElapsedTimer keystroke;
    keystroke.start();
    panel.filterField().setText(QStringLiteral("e"));
    panel.table().viewport()->repaint();
    const long long filtered = Since(keystroke);
    panel.filterField().clear();

    QElapsedTimer sort;
    sort.start();
    panel.table().header()->setSortIndicator(static_cast<int>(tessaly::RecordColumn::FirstTime),
                                             Qt::AscendingOrder);
    panel.table().viewport()->repaint();
    const long long sorted = Since(sort);

    // The table's bytes, the shown order (two arrays of 4 bytes a record)
    // and, at the sort's peak, its keys (8 bytes) and its merge buffer (4).
    const tessaly::RecordTable& table = model.list().table();
    std::size_t locationBytes = 0;
    for (std::size_t i = 0; i < table.size(); ++i) locationBytes += table.location(i).size();
    const std::size_t peak = table.heldBytes() + loaded * (4 + 4 + 8 + 4);
    const std::size_t perRecord = loaded ? (peak - std::min(peak, locationBytes)) / loaded : 0;

    std::printf("records read: %zu of %zu\n", loaded, records);
    std::printf("all rows shown: %lld ms\n", shown);
    std::printf("longest stall: %lld ms\n", static_cast<long long>(worstGap));
    std::printf("filter keystroke: %lld ms\n", filtered);
    std::printf("sort by time: %lld ms\n", sorted);
    std::printf("bytes per record: %zu\n", perRecord);
    window.close();
    return loaded == records ? 0 : 1;
}
