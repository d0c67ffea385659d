// How the window copes with a very large extraction: writes a file holding
// N entries back to back, scans it in the real window (offscreen) and reports
// the total time, the longest the user-interface thread went without
// handling a timer tick (a stall the user would feel), and the rows shown.
//
//   gui_rows [ROWS]      (default 1,500,000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "gui/main_window.h"
#include "gui/models.h"
#include "quiet_services.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 1500000;

    tessaly::test::TempDir dir;
    {
        std::ofstream out(dir.file("index.dat"), std::ios::binary);
        std::string entry(150, '\0');
        for (long i = 0; i < rows; ++i) {
            const std::string url =
                "http://host" + std::to_string(i % 9973) + ".example/p/" + std::to_string(i);
            std::fill(entry.begin(), entry.end(), '\0');
            entry.replace(0, url.size(), url);
            out.write(entry.data(), static_cast<std::streamsize>(entry.size()));
        }
    }

    tessaly::bench::QuietWindow quiet(dir.path());
    tessaly::MainWindow& window = quiet.window;

    qint64 worstGap = 0;
    QElapsedTimer total;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        if (gap > 200)
            std::printf("  stall of %lld ms at %.2f s, %d rows\n", static_cast<long long>(gap),
                        static_cast<double>(total.elapsed()) / 1000.0,
                        window.contentsModel().rowCount());
        worstGap = std::max(worstGap, gap);
    });

    total.start();
    sinceTick.start();
    ticker.start();
    bool done = false;
    QObject::connect(&window, &tessaly::MainWindow::workFinished, [&] { done = true; });
    window.ExtractContents(dir.file("index.dat"));
    while (!done) QApplication::processEvents(QEventLoop::AllEvents, 50);
    ticker.stop();

    std::printf("rows shown: %d of %ld\n", window.contentsModel().rowCount(), rows);
    std::printf("total: %.2f s\n", static_cast<double>(total.elapsed()) / 1000.0);
    std::printf("longest user-interface stall: %lld ms\n", static_cast<long long>(worstGap));
    window.close();
    return window.contentsModel().rowCount() == rows ? 0 : 1;
}
