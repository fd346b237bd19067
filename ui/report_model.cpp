#include "ui/report_model.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "directory/directory.h"
#include "ui/gbk_text.h"

namespace {

// Blocks of 64 KiB, small enough for the allocator to hand out again from its heap rather than map
// afresh: a start packs the block number into its upper 16 bits and the offset into the lower 16,
// which bounds the text at 4 GiB. The longest row (three fields of 16,383 bytes, more than a key name
// or a value of the data file can hold) fits a block whole.
constexpr int kOffsetBits = 16;
constexpr std::size_t kBlockBytes = std::size_t{1} << kOffsetBits;
constexpr std::size_t kMostBlocks = std::size_t{1} << (32 - kOffsetBits);
constexpr std::size_t kMostFieldBytes = 16383;
static_assert(telvane::kKeyListBytes - 2 <= kMostFieldBytes && telvane::kMaxValueBytes <= kMostFieldBytes);
static_assert(3 * kMostFieldBytes <= kBlockBytes);

// Rows the view is told of at once while a listing or search goes on.
constexpr int kFlushRows = 1 << 14;

constexpr int kColumns = 4;

std::string_view Cut(std::string_view field) {
    return field.substr(0, kMostFieldBytes);
}

}  // namespace

TReportModel::TReportModel(QIcon entryImage, QObject* parent)
    : QAbstractTableModel(parent), entryImage_(std::move(entryImage)) {}

TReportModel::~TReportModel() = default;

void TReportModel::Clear() {
    beginResetModel();
    // The memory goes with the rows, so a large search is not kept once the next one has run; only the
    // first block stays, which is all a province or a search of the national directory needs.
    blocks_.resize(std::min<std::size_t>(blocks_.size(), 1));
    std::vector<Row>().swap(rows_);
    std::vector<std::string>().swap(provinces_);
    used_ = 0;
    shown_ = 0;
    endResetModel();
}

void TReportModel::Append(const telvane::RowView& row) {
    const std::string_view region = Cut(row.region), areaCode = Cut(row.areaCode),
                           postcode = Cut(row.postcode);
    const std::size_t length = region.size() + areaCode.size() + postcode.size();
    if (blocks_.empty() || used_ + length > kBlockBytes) {
        if (blocks_.size() == kMostBlocks) throw std::bad_alloc();
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
        used_ = 0;
    }
    if (provinces_.empty() || provinces_.back() != row.province) provinces_.emplace_back(row.province);
    if (rows_.size() == static_cast<std::size_t>(std::numeric_limits<int>::max())) throw std::bad_alloc();

    char* out = blocks_.back().get() + used_;
    for (std::string_view field : {region, areaCode, postcode}) {
        if (!field.empty()) std::memcpy(out, field.data(), field.size());
        out += field.size();
    }
    rows_.push_back({static_cast<std::uint32_t>(((blocks_.size() - 1) << kOffsetBits) | used_),
                     static_cast<std::uint32_t>(provinces_.size() - 1),
                     static_cast<std::uint16_t>(region.size()), static_cast<std::uint16_t>(areaCode.size()),
                     static_cast<std::uint16_t>(postcode.size())});
    used_ += length;
    if (static_cast<int>(rows_.size()) - shown_ >= kFlushRows) Flush();
}

void TReportModel::Flush() {
    const int total = static_cast<int>(rows_.size());
    if (total == shown_) return;
    beginInsertRows(QModelIndex(), shown_, total - 1);
    shown_ = total;
    endInsertRows();
}

const char* TReportModel::Bytes(std::uint32_t start) const {
    return blocks_[start >> kOffsetBits].get() + (start & (kBlockBytes - 1));
}

std::string_view TReportModel::Field(int row, int column) const {
    const Row& at = rows_[static_cast<std::size_t>(row)];
    const char* region = Bytes(at.start);
    switch (column) {
        case 0:
            return provinces_[at.province];
        case 1:
            return {region, at.regionLength};
        case 2:
            return {region + at.regionLength, at.areaCodeLength};
        default:
            return {region + at.regionLength + at.areaCodeLength, at.postcodeLength};
    }
}

QString TReportModel::RowText(int row) const {
    QString text;
    for (int column = 0; column < kColumns; ++column) {
        if (column > 0) text += u'\t';
        text += telvane::FromGbk(Field(row, column));
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
    if (role == Qt::DisplayRole) return telvane::FromGbk(Field(index.row(), index.column()));
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

namespace {

class TRowCopy : public QObject {
public:
    TRowCopy(QAbstractItemView* view, const TReportModel* model)
        : QObject(view), view_(view), model_(model) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != view_ || event->type() != QEvent::KeyPress ||
            !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            return QObject::eventFilter(watched, event);
        }
        // The view would copy the text of its current cell; the whole selected row is copied instead.
        const QModelIndexList selected =
            view_->selectionModel() ? view_->selectionModel()->selectedRows() : QModelIndexList();
        if (!selected.isEmpty())
            QGuiApplication::clipboard()->setText(model_->RowText(selected.first().row()));
        return true;
    }

private:
    QAbstractItemView* view_;
    const TReportModel* model_;
};

}  // namespace

void CopySelectedRowOnShortcut(QAbstractItemView* view, const TReportModel* model) {
    view->installEventFilter(new TRowCopy(view, model));
}
