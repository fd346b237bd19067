#include "ui/row_copy.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include "ui/report_model.h"

namespace telvane {

TRowCopy::TRowCopy(QAbstractItemView* view, const TReportModel* model)
    : QObject(view), view_(view), model_(model) {
    view_->installEventFilter(this);
}

TRowCopy::~TRowCopy() = default;

bool TRowCopy::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view_ || event->type() != QEvent::KeyPress ||
        !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        return QObject::eventFilter(watched, event);
    }
    const QModelIndexList selected =
        view_->selectionModel() ? view_->selectionModel()->selectedRows() : QModelIndexList();
    if (!selected.isEmpty()) QGuiApplication::clipboard()->setText(model_->RowText(selected.first().row()));
    return true;
}

}  // namespace telvane
