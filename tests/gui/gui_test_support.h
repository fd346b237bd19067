// Shared helpers of the window tests: fixture data files in GBK, the controls of a window by name,
// the rows of the report list, clicks on tree nodes, and a watcher that answers modal boxes.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "temp_dir.h"

namespace telvane::testing {

// GBK bytes of text, by Qt's own (ICU) encoder, so fixtures do not depend on the code under test.
inline std::string Gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) qFatal("fixture text not in GBK");
    return bytes.toStdString();
}

// Writes a data file, given as readable text, in GBK and returns its path.
inline std::string WriteIni(const TempDir& dir, const QString& text, const char* name = "tesmar.ini") {
    return dir.Write(name, Gbk(text));
}

template <typename Control>
Control* Find(QWidget* window, const char* name) {
    auto* control = window->findChild<Control*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
}

// The rows of a report list as the user reads them: one list of column texts per row, in order.
inline QList<QStringList> Rows(const QAbstractItemView* list) {
    const QAbstractItemModel* model = list->model();
    QList<QStringList> rows;
    for (int i = 0; i < model->rowCount(); ++i) {
        QStringList row;
        for (int column = 0; column < model->columnCount(); ++column)
            row << model->index(i, column).data().toString();
        rows << row;
    }
    return rows;
}

inline QList<QStringList> Rows(std::initializer_list<QStringList> rows) {
    return QList<QStringList>(rows);
}

// Types text key by key, as a keyboard or an input method would hand it over; QTest::keyClicks takes
// ASCII only.
inline void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// A click with the primary button (or another) on a node's label.
inline void ClickNode(QTreeWidget* tree, QTreeWidgetItem* node, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(tree->viewport(), button, {}, tree->visualItemRect(node).center());
}

// A click on a node's expand button, in the indentation left of its label.
inline void ClickExpandButton(QTreeWidget* tree, QTreeWidgetItem* node) {
    const QRect label = tree->visualItemRect(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      QPoint(label.left() - tree->indentation() / 2, label.center().y()));
}

// A click on the tree below its last node.
inline void ClickEmptySpace(QTreeWidget* tree) {
    const QRect area = tree->viewport()->rect();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(area.center().x(), area.bottom() - 4));
}

// What a modal message box showed.
struct SeenBox {
    int count = 0;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool okIsDefault = false, okIsEscape = false;
    Qt::WindowModality modality = Qt::NonModal;
    // The other windows that were on screen while the box was.
    QStringList otherWindows;
    // Whether closeKey closed the box (else the watcher had to, after half a second).
    bool closedByKey = true;
};

// Watches for modal message boxes from the moment it is created: each one is recorded and closed
// with closeKey, typed on the box, so the code that opened it goes on.
class BoxWatcher {
public:
    explicit BoxWatcher(Qt::Key closeKey = Qt::Key_Return) : closeKey_(closeKey) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    const SeenBox& seen() const { return seen_; }

private:
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        if (box == last_) {
            if (++stuckPolls_ == 100) {
                seen_.closedByKey = false;
                box->done(0);
            }
            return;
        }
        last_ = box;
        stuckPolls_ = 0;
        ++seen_.count;
        seen_.title = box->windowTitle();
        seen_.text = box->text();
        seen_.icon = box->icon();
        seen_.buttons.clear();
        for (QAbstractButton* button : box->buttons()) seen_.buttons << button->text();
        seen_.okIsDefault = box->defaultButton() == box->button(QMessageBox::Ok);
        seen_.okIsEscape = box->escapeButton() == box->button(QMessageBox::Ok);
        seen_.modality = box->windowModality();
        seen_.otherWindows.clear();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window != box && window->isVisible()) seen_.otherWindows << window->objectName();
        }
        QTest::keyClick(box, closeKey_);
    }

    Qt::Key closeKey_;
    QPointer<QMessageBox> last_;
    int stuckPolls_ = 0;
    SeenBox seen_;
    QTimer timer_;
};

}  // namespace telvane::testing
