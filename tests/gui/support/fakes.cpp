#include "support/fakes.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <fstream>
#include <sstream>

namespace tessaly::test {

MsgAnswer FakeToolkit::messageBox(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    prompts.push_back({text, icon, buttons});
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    if (answers.empty()) {
        unexpected.push_back(text);
        return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
    }
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

std::string FakeToolkit::saveFileName(const std::string& title, const std::string& filter,
                                      const std::string& initialFolder) {
    saveCalls.push_back({title, filter, initialFolder});
    if (saveNames.empty()) {
        unexpected.push_back("save dialog: " + title);
        return {};
    }
    std::string name = saveNames.front();
    saveNames.pop_front();
    return name;
}

std::string FakeToolkit::pickFolder(const std::string& title) {
    folderTitles.push_back(title);
    if (folders.empty()) {
        unexpected.push_back("folder picker: " + title);
        return {};
    }
    std::string f = folders.front();
    folders.pop_front();
    return f;
}

void FakeToolkit::setClipboardText(const std::string& text) { clipboard.push_back(text); }

void FakeToolkit::popup(QMenu& menu, const QPoint&) {
    MenuSnapshot snap;
    QAction* chosen = nullptr;
    const auto record = [&](const auto& self, QMenu& m) -> void {
        for (QAction* a : m.actions()) {
            if (!a->objectName().isEmpty()) {
                snap[a->objectName()] = {a->isEnabled(), a->text(), a->toolTip()};
            }
            if (a->objectName() == choose && a->isEnabled()) chosen = a;
            if (a->menu()) {
                snap[a->menu()->objectName()] = {a->isEnabled(), a->text(), a->toolTip()};
                self(self, *a->menu());
            }
        }
    };
    record(record, menu);
    popups.push_back(snap);
    choose.clear();
    if (chosen) chosen->trigger();
}

Harness::Harness() : settings(dir.path()), log(settings) {
    window_ = std::make_unique<MainWindow>(
        MainWindowServices{settings, log, toolkit, shell, toolkit, dir.path()});
}

Harness::~Harness() {
    if (window_) {
        window_->close();
        window_.reset();
    }
    // A prompt no test asked for is a failure of the test that met it.
    for (const std::string& text : toolkit.unexpected) {
        QTest::qFail(("unexpected prompt: " + text).c_str(), __FILE__, __LINE__);
    }
}

std::vector<std::string> Harness::logLines() const {
    std::ifstream in(log.defaultPath(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "dd-mm-yyyy hh:mm:ss " is twenty characters.
        lines.push_back(line.size() >= 20 ? line.substr(20) : line);
    }
    return lines;
}

std::string Harness::settingsText() const {
    std::ifstream in(settings.settingsFilePath(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Harness::waitIdle(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (window_->busy()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    QCoreApplication::processEvents();
    return true;
}

std::string EntriesFile(const std::vector<std::string>& entries) {
    std::string bytes(64, '\x01');
    for (std::string entry : entries) {
        entry.resize(150, '\0');
        bytes += entry;
    }
    return bytes + std::string(200, '\0');
}

void PressOnList(QWidget* list, Qt::MouseButton button, Qt::MouseButtons buttons, int row) {
    auto* view = qobject_cast<ReportList*>(list);
    QPoint pos(5, 5);
    if (view && row >= 0 && row < view->model()->rowCount()) {
        pos = view->visualRect(view->model()->index(row, 0)).center();
    }
    QWidget* target = view ? view->viewport() : list;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), target->mapToGlobal(QPointF(pos)),
                      button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

}  // namespace tessaly::test
