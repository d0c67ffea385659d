#include "gui/record_properties.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/export/record_export.h"
#include "gui/models.h"

namespace tessaly {

QDialog* ShowRecordProperties(QWidget* parent, const Record& record) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("dlgRecordProperties");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Record properties"));
    auto* layout = new QVBoxLayout(dialog);

    const auto fields = RecordFields(record);
    auto* table = new QTableWidget(static_cast<int>(fields.size()), 2, dialog);
    table->setObjectName("tblRecordFields");
    table->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setStretchLastSection(true);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string value;
        const bool present = AppendRecordFieldText(value, fields[i]);
        const int row = static_cast<int>(i);
        table->setItem(row, 0, new QTableWidgetItem(UiText(kRecordFieldNames[i])));
        // The headers get the box below; here they keep to one line.
        QString shown = present ? UiText(value) : QStringLiteral("(none)");
        shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
        shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        table->setItem(row, 1, new QTableWidgetItem(shown));
    }
    table->resizeColumnToContents(0);
    layout->addWidget(table, 2);

    layout->addWidget(new QLabel(QStringLiteral("Stored response headers:"), dialog));
    auto* headers = new QPlainTextEdit(dialog);
    headers->setObjectName("txtRecordHeaders");
    headers->setReadOnly(true);
    headers->setLineWrapMode(QPlainTextEdit::NoWrap);
    headers->setPlainText(record.headers ? EntryText(*record.headers) : QStringLiteral("(none)"));
    layout->addWidget(headers, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(640, 560);
    dialog->show();
    return dialog;
}

}  // namespace tessaly
