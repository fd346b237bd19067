#include "ui/report_model.h"

#include <utility>

#include "ui/gbk_text.h"

namespace telvane {

namespace {

// Rows the view is told of at once while a listing or search goes on.
constexpr int kFlushRows = 1 << 14;

constexpr int kColumns = 4;

}  // namespace

TReportModel::TReportModel(QIcon entryImage, QObject* parent)
    : QAbstractTableModel(parent), entryImage_(std::move(entryImage)) {}

TReportModel::~TReportModel() = default;

void TReportModel::Clear() {
    beginResetModel();
    rows_.Clear();
    shown_ = 0;
    endResetModel();
}

void TReportModel::Append(const RowView& row) {
    rows_.Append(row);
    if (static_cast<int>(rows_.Size()) - shown_ >= kFlushRows) Flush();
}

void TReportModel::Flush() {
    const int total = static_cast<int>(rows_.Size());
    if (total == shown_) return;
    beginInsertRows(QModelIndex(), shown_, total - 1);
    shown_ = total;
    endInsertRows();
}

std::string_view TReportModel::Field(int row, int column) const {
    return rows_.Field(static_cast<std::size_t>(row), column);
}

QString TReportModel::RowText(int row) const {
    QString text;
    for (int column = 0; column < kColumns; ++column) {
        if (column > 0) text += u'\t';
        text += FromGbk(Field(row, column));
    }
    return text;
}

QModelIndex TReportModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= shown_ || column < 0 || column >= kColumns) return {};
    return createIndex(row, column);
}

bool TReportModel::hasChildren(const QModelIndex& parent) const {
    return !parent.isValid() && shown_ > 0;
}

int TReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int TReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant TReportModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_) return {};
    if (role == Qt::DisplayRole) return FromGbk(Field(index.row(), index.column()));
    if (role == Qt::DecorationRole && index.column() == 0) return entryImage_;
    return {};
}

QVariant TReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
        return {};
    static const QString captions[kColumns] = {QStringLiteral("省份"), QStringLiteral("地区"),
                                               QStringLiteral("长途区号"), QStringLiteral("邮政编码")};
    return captions[section];
}

Qt::ItemFlags TReportModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // Never children: spares the view asking whether a row could be expanded.
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

}  // namespace telvane
