// Tessaly: the window. `tessaly [PATH]` scans PATH at start-up after asking.
#include <QApplication>

#include "core/app/identity.h"
#include "core/app/startup.h"
#include "core/settings/app_log.h"
#include "core/settings/settings_store.h"
#include "gui/main_window.h"
#include "gui/qt_platform.h"
#include "platform/files.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromLatin1(tessaly::kTitle.data(), tessaly::kTitle.size()));
    QApplication::setApplicationVersion(QString::fromStdString(tessaly::VersionText()));

    const std::string exeFolder = tessaly::ExecutableFolder();
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
