#include "gui/about_dialog.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include "core/app/identity.h"

namespace tessaly {

QWidget* CreateAboutDialog(QWidget* owner, Shell& /*shell*/) {
    auto* dialog = new QDialog(owner);
    dialog->setObjectName("frmAbout");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("About ") +
                           QString::fromLatin1(kTitle.data(), kTitle.size()));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(QString::fromLatin1(kTitle.data(), kTitle.size()), dialog));
    return dialog;
}

}  // namespace tessaly
