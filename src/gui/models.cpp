#include "gui/models.h"

#include <QFile>
#include <algorithm>

#include "core/app/ascii_case.h"
#include "core/extract/codepage.h"
#include "core/ui/size_text.h"

namespace tessaly {

QString PathText(const std::string& nativePath) {
    return QFile::decodeName(
        QByteArray::fromRawData(nativePath.data(), static_cast<qsizetype>(nativePath.size())));
}

QString EntryText(std::string_view entryBytes) {
    return QString::fromStdString(Cp1252ToUtf8(UpToNul(entryBytes)));
}

QString UiText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

int FilesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FilesModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant FilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto& r = rows_[static_cast<std::size_t>(index.row())];
    const bool size = index.column() == 1;
    switch (role) {
        case Qt::DisplayRole:
            return size ? QString::fromStdString(ShownSizeText(r.bytes)) : PathText(r.location);
        case Qt::ToolTipRole:
            // The location's tooltip is its whole text, shown where the list cuts it.
            return size ? QVariant(QString::fromStdString(ExactSizeText(r.bytes))) : QVariant();
        case Qt::TextAlignmentRole:
            return size ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
        default:
            return {};
    }
}

QVariant FilesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? QStringLiteral("Location") : QStringLiteral("Size (KB)");
}

void FilesModel::appendRows(std::vector<IndexFileRow> rows) {
    if (rows.empty()) return;
    // Room first: memory that runs short fails here, before the views hear of new rows.
    const std::size_t needed = rows_.size() + rows.size();
    if (needed > rows_.capacity()) rows_.reserve(std::max(needed, rows_.capacity() * 2));
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                 std::make_move_iterator(rows.end()));
    endInsertRows();
}

void FilesModel::clear() {
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    endResetModel();
}

int ContentsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ContentsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant ContentsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return EntryText(rows_.row(static_cast<std::size_t>(index.row())));
}

QVariant ContentsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section != 0) return {};
    if (role == kLongestTextRole) return rows_.empty() ? QString() : EntryText(rows_.row(longest_));
    if (role != Qt::DisplayRole) return {};
    return QStringLiteral("File contents");
}

void ContentsModel::appendRows(ContentsRows&& batch) {
    if (batch.empty()) return;
    // Room first: memory that runs short fails here, before the views hear of new rows.
    rows_.reserveFor(batch);
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
    rows_.appendAll(std::move(batch));
    for (std::size_t i = static_cast<std::size_t>(first); i < rows_.size(); ++i) {
        if (const std::size_t length = rows_.shown(i).size(); length > longestLength_) {
            longest_ = i;
            longestLength_ = length;
        }
    }
    endInsertRows();
}

void ContentsModel::clear() {
    beginResetModel();
    rows_.clear();
    longest_ = 0;
    longestLength_ = 0;
    endResetModel();
}

}  // namespace tessaly

namespace tessaly {

ContentsFindProxy::ContentsFindProxy(ContentsModel& contents, QObject* parent)
    : QSortFilterProxyModel(parent),
      contents_(contents),
      finder_(std::make_unique<NoCaseFinder>("")) {
    setSourceModel(&contents);
    setDynamicSortFilter(true);
}

ContentsFindProxy::~ContentsFindProxy() = default;

void ContentsFindProxy::setText(std::optional<std::string> bytes) {
    finder_ = bytes ? std::make_unique<NoCaseFinder>(std::move(*bytes)) : nullptr;
    invalidateFilter();
}

bool ContentsFindProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return finder_ && finder_->in(contents_.rows().shown(static_cast<std::size_t>(sourceRow)));
}

}  // namespace tessaly
