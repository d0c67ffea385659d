#include "gui/qt_platform.h"

#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

#include "core/app/identity.h"
#include "gui/models.h"

namespace tessaly {

namespace {

QString Title() {
    return QString::fromLatin1(kTitle.data(), static_cast<qsizetype>(kTitle.size()));
}

}  // namespace

QString QtFilterFrom(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) out << parts[i];
    return out.join(QStringLiteral(";;"));
}

MsgAnswer QtToolkit::messageBox(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(owner_ && owner_->isVisible() ? owner_ : nullptr);
    box.setWindowTitle(Title());
    QString t = QString::fromStdString(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(t);
    switch (icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
    }
    switch (buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        default:
            return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
    }
}

std::string QtToolkit::saveFileName(const std::string& title, const std::string& filter,
                                    const std::string& initialFolder) {
    const QString name = QFileDialog::getSaveFileName(
        owner_, QString::fromStdString(title), PathText(initialFolder), QtFilterFrom(filter));
    return QFile::encodeName(name).toStdString();
}

std::string QtToolkit::documentsFolder() {
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .toStdString();
}

std::string QtToolkit::pickFolder(const std::string& title) {
    const QString dir = QFileDialog::getExistingDirectory(owner_, QString::fromStdString(title));
    return QFile::encodeName(dir).toStdString();
}

void QtToolkit::setClipboardText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(text));
}

void QtToolkit::popup(QMenu& menu, const QPoint& globalPos) { menu.exec(globalPos); }

// An absolute path (the help page beside the program) opens as a local
// file. Anything else is an address, opened exactly as given: nothing is
// completed or guessed, and no relative name is looked for on disk. An
// address Qt cannot take whole is not opened.
void QtShell::open(const std::string& addressOrPath) {
    if (!addressOrPath.empty() && addressOrPath.front() == '/') {
        QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(addressOrPath)));
        return;
    }
    const QUrl url(QString::fromStdString(addressOrPath), QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty()) QDesktopServices::openUrl(url);
}

void QtShell::showProperties(const std::string& path) {
    const QString name = PathText(path);
    const QFileInfo info(name);
    auto* dialog = new QDialog(owner_);
    dialog->setObjectName("propertiesDialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(info.fileName() + QStringLiteral(" Properties"));
    auto* form = new QFormLayout(dialog);
    const QLocale locale;
    auto add = [&](const QString& label, const QString& value) {
        auto* v = new QLabel(value, dialog);
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, v);
    };
    add(QStringLiteral("Location:"), name);
    if (info.exists()) {
        add(QStringLiteral("Size:"), QStringLiteral("%1 (%2 bytes)")
                                         .arg(locale.formattedDataSize(info.size()))
                                         .arg(locale.toString(info.size())));
        add(QStringLiteral("Created:"), locale.toString(info.birthTime(), QLocale::LongFormat));
        add(QStringLiteral("Modified:"), locale.toString(info.lastModified(), QLocale::LongFormat));
        add(QStringLiteral("Accessed:"), locale.toString(info.lastRead(), QLocale::LongFormat));
        add(QStringLiteral("Owner:"), info.owner() + QStringLiteral(" / ") + info.group());
        const auto p = info.permissions();
        QString perms;
        perms += (p & QFile::ReadOwner) ? 'r' : '-';
        perms += (p & QFile::WriteOwner) ? 'w' : '-';
        perms += (p & QFile::ExeOwner) ? 'x' : '-';
        perms += (p & QFile::ReadGroup) ? 'r' : '-';
        perms += (p & QFile::WriteGroup) ? 'w' : '-';
        perms += (p & QFile::ExeGroup) ? 'x' : '-';
        perms += (p & QFile::ReadOther) ? 'r' : '-';
        perms += (p & QFile::WriteOther) ? 'w' : '-';
        perms += (p & QFile::ExeOther) ? 'x' : '-';
        add(QStringLiteral("Permissions:"), perms);
    } else {
        add(QStringLiteral("Status:"), QStringLiteral("The file no longer exists."));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    form->addRow(buttons);
    dialog->show();
}

}  // namespace tessaly
