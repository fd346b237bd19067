// The rows of the report list lview1: the last listing or search, kept as the file's GBK bytes
// (TRowStore) and decoded only for the rows the view shows.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <string_view>

#include "lookup/lookup.h"
#include "ui/row_store.h"

namespace telvane {

// Four columns (province, region, area code, postcode) under the list's captions; every row shows the
// entry picture beside its province. Rows are appended at the end, in the order they come, and the
// list is only ever emptied as a whole.
class TReportModel : public QAbstractTableModel {
    Q_OBJECT

public:
    TReportModel(QIcon entryImage, QObject* parent = nullptr);
    ~TReportModel() override;

    // Removes every row.
    void Clear();
    // Appends a row; the view learns of it at the next Flush, which Append runs by itself every few
    // thousand rows. A field is kept to its first 16,383 bytes, more than the data file gives. Throws
    // std::bad_alloc when the rows would pass 4 GiB of text.
    void Append(const RowView& row);
    // Shows the rows appended since the last Flush.
    void Flush();

    // The GBK bytes of one field, and the text of a whole row as the clipboard takes it: the four
    // fields as shown, tab-separated.
    std::string_view Field(int row, int column) const;
    QString RowText(int row) const;

    // index and hasChildren answer without asking rowCount and columnCount: the view asks them for
    // every row each time it lays the list out.
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QIcon entryImage_;
    TRowStore rows_;
    int shown_ = 0;  // rows the view knows of; the others await Flush
};

}  // namespace telvane
