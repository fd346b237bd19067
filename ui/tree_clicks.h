// The mouse behaviour of the Windows tree control, given to a QTreeWidget, and the tree's clicks.
#pragma once

#include <QObject>

class QEvent;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace telvane {

// Makes a tree act on the mouse as the Windows tree without full-row select does, and reports its
// clicks:
// - only a primary-button press moves the selection, and only on a node's picture or label (the text
//   and the margin the view leaves on either side of it, anywhere in the node's row height); on a
//   node's expand button it folds or unfolds the node; anywhere else (the indent, right of the label,
//   below the nodes) it leaves the selection where it was, as a press of another button does;
// - the selection does not follow the pointer while the button is held down;
// - collapsing a node that hides the selected one selects the collapsed node, whether by the mouse,
//   the keyboard or a call.
// A primary-button press and release over the tree is a click: clicked() is emitted on the release,
// after the press has moved the selection (or left it where it was), wherever on the tree the click
// fell.
//
// It watches the tree's viewport from the moment it is created, and belongs to the tree.
class TTreeClicks : public QObject {
    Q_OBJECT

public:
    explicit TTreeClicks(QTreeWidget* tree);
    ~TTreeClicks() override;

signals:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectIfHidingSelection(QTreeWidgetItem* collapsed);

    QTreeWidget* tree_;
    QWidget* viewport_;
    // Whether the primary button went down on the tree and has not come up yet.
    bool pressed_ = false;
};

}  // namespace telvane
