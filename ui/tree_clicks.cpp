#include "ui/tree_clicks.h"

#include <QEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <algorithm>

namespace telvane {

namespace {

// Where a press on a node selects it: on its picture or its label (the text and the margin the view
// leaves on either side of it), anywhere in the node's row height. The indent left of the picture and
// the row right of the label do not count.
bool OnPictureOrLabel(const QTreeWidget* tree, const QTreeWidgetItem* node, QPoint pos) {
    QStyleOptionViewItem option;
    option.initFrom(tree);
    option.rect = tree->visualItemRect(node);
    option.widget = tree;
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = node->text(0);
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.icon = node->icon(0);
    if (!option.icon.isNull()) option.features |= QStyleOptionViewItem::HasDecoration;
    option.decorationSize = tree->iconSize();
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.decorationAlignment = Qt::AlignCenter;

    const QStyle* style = tree->style();
    const QRect picture = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, tree);
    QRect label = style->subElementRect(QStyle::SE_ItemViewItemText, &option, tree);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, tree) + 1;
    label.setWidth(std::min(label.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
    const auto within = [&pos](const QRect& area) {
        return pos.x() >= area.left() && pos.x() <= area.right();
    };
    return (option.features & QStyleOptionViewItem::HasDecoration && within(picture)) || within(label);
}

// Whether pos lies on the expand button of node: the indent step just left of its picture, when the
// node has children.
bool OnExpandButton(const QTreeWidget* tree, const QTreeWidgetItem* node, QPoint pos) {
    if (node->childCount() == 0) return false;
    const QRect row = tree->visualItemRect(node);
    return pos.x() < row.left() && pos.x() >= row.left() - tree->indentation();
}

}  // namespace

TTreeClicks::TTreeClicks(QTreeWidget* tree) : QObject(tree), tree_(tree), viewport_(tree->viewport()) {
    viewport_->installEventFilter(this);
    // The next click then lists what the user sees selected.
    connect(tree_, &QTreeWidget::itemCollapsed, this, &TTreeClicks::SelectIfHidingSelection);
}

TTreeClicks::~TTreeClicks() = default;

void TTreeClicks::SelectIfHidingSelection(QTreeWidgetItem* collapsed) {
    for (const QTreeWidgetItem* selected : tree_->selectedItems()) {
        for (const QTreeWidgetItem* above = selected->parent(); above; above = above->parent()) {
            if (above == collapsed) {
                tree_->setCurrentItem(collapsed);
                return;
            }
        }
    }
}

bool TTreeClicks::eventFilter(QObject* watched, QEvent* event) {
    // The tree deletes its viewport only once it is a plain QWidget itself, and the viewport's last
    // events still come here: they are told apart without asking the tree.
    if (watched != viewport_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // Another button, or a press below the nodes (where Qt would clear the selection), leaves
            // the selection, and with it the province the next click lists, where it was.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return true;
            pressed_ = true;
            // Off the picture, the label and the expand button, Qt would select the row or clear the
            // selection.
            const QPoint pos = mouse->position().toPoint();
            const QTreeWidgetItem* node = tree_->itemAt(pos);
            if (!node || !(OnPictureOrLabel(tree_, node, pos) || OnExpandButton(tree_, node, pos)))
                return true;
            break;
        }
        case QEvent::MouseMove:
            // Qt's view would drag the selection along under the pointer.
            if (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton) return true;
            break;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return true;
            // The press has already moved the selection; the release only completes the click.
            const bool click = pressed_ && viewport_->rect().contains(mouse->position().toPoint());
            pressed_ = false;
            if (click) emit clicked();
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace telvane
