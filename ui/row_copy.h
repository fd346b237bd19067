// The copy shortcut of the report list: the selected row, whole.
#pragma once

#include <QObject>

class QAbstractItemView;
class QEvent;

namespace telvane {

class TReportModel;

// Makes the copy shortcut (Ctrl+C) on a view of a TReportModel put the selected row on the clipboard
// as the model's RowText, in place of the text of the current cell that the view would copy; with no
// row selected it does nothing. It watches the view from the moment it is created, and belongs to
// the view.
class TRowCopy : public QObject {
    Q_OBJECT

public:
    TRowCopy(QAbstractItemView* view, const TReportModel* model);
    ~TRowCopy() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractItemView* view_;
    const TReportModel* model_;
};

}  // namespace telvane
