// Tessaly: the window. `tessaly [PATH]` scans PATH at start-up after asking.
// `tessaly --help-location` prints the help page Help > Contents opens and
// exits (1 when there is none), so an install can be checked without a
// desktop.
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "core/app/identity.h"
#include "core/app/install_layout.h"
#include "core/app/startup.h"
#include "core/settings/app_log.h"
#include "core/settings/settings_store.h"
#include "gui/main_window.h"
#include "gui/qt_platform.h"
#include "platform/files.h"

namespace {

int PrintHelpLocation(const std::string& exeFolder) {
    const std::string help = tessaly::FindHelpPage(exeFolder);
    if (!help.empty()) {
        std::printf("%s\n", help.c_str());
        return 0;
    }
    std::fprintf(stderr, "Error: no help page; looked for");
    for (const std::string& candidate : tessaly::HelpPageCandidates(exeFolder)) {
        std::fprintf(stderr, " %s", candidate.c_str());
    }
    std::fprintf(stderr, "\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromLatin1(tessaly::kTitle.data(), tessaly::kTitle.size()));
    QApplication::setApplicationVersion(QString::fromStdString(tessaly::VersionText()));
    QGuiApplication::setDesktopFileName(
        QString::fromLatin1(tessaly::kAppId.data(), tessaly::kAppId.size()));

    const std::string exeFolder = tessaly::ExecutableFolder();
    if (argc == 2 && std::string_view(argv[1]) == "--help-location") {
        return PrintHelpLocation(exeFolder);
    }
    tessaly::SettingsStore settings(tessaly::ResolveAppFolder(exeFolder));
    tessaly::AppLog log(settings);
    tessaly::QtToolkit toolkit;
    tessaly::QtShell shell;

    tessaly::MainWindow window({settings, log, toolkit, shell, toolkit, exeFolder});
    toolkit.setOwner(&window);
    shell.setOwner(&window);
    window.startUp(tessaly::CommandLineText(argc, argv));
    window.show();
    return QApplication::exec();
}
