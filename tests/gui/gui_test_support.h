// Shared helpers of the window tests: fixture data files in GBK, the controls of a window by name,
// the rows of the report list, clicks on tree nodes, and a watcher that answers modal boxes.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QGlyphRun>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStringEncoder>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QWindow>
#include <QtMath>
#include <algorithm>
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

// The middle of a node's label: its text, which follows its picture. (The node's row reaches right to
// the end of the column, past the label of a node shorter than the longest.)
inline QPoint LabelCentre(QTreeWidget* tree, QTreeWidgetItem* node) {
    const QRect row = tree->visualItemRect(node);
    const int textWidth = QFontMetrics(tree->font()).horizontalAdvance(node->text(0));
    return QPoint(row.left() + tree->iconSize().width() + 6 + textWidth / 2, row.center().y());
}

// A click with the primary button (or another) on a node's label.
inline void ClickNode(QTreeWidget* tree, QTreeWidgetItem* node, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(tree->viewport(), button, {}, LabelCentre(tree, node));
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

// Neighbouring characters of text whose ink, drawn in font as Qt lays the line out, touches: a pixel
// of one lies on or next to (diagonals included) a pixel of the other. Characters without ink, such as
// spaces, are passed over, so the characters on either side of a space must not touch either. Each
// pair is given as its two characters.
inline QStringList TouchingCharacters(const QFont& font, const QString& text) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setPosition(QPointF(0, 0));
    layout.endLayout();

    constexpr int kMargin = 4;
    const QSize size(qCeil(line.naturalTextWidth()) + 2 * kMargin, qCeil(line.height()) + 2 * kMargin);
    struct Inked {
        QChar character;
        QImage image;
    };
    QList<Inked> inked;
    for (int i = 0; i < text.size(); ++i) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(Qt::black);
        for (const QGlyphRun& run : layout.glyphRuns(i, 1))
            painter.drawGlyphRun(QPointF(kMargin, kMargin), run);
        painter.end();
        bool ink = false;
        for (int y = 0; y < image.height() && !ink; ++y) {
            for (int x = 0; x < image.width() && !ink; ++x) ink = qGray(image.pixel(x, y)) < 128;
        }
        if (ink) inked.append({text.at(i), image});
    }

    const auto inkAt = [&size](const QImage& image, int x, int y) {
        return x >= 0 && y >= 0 && x < size.width() && y < size.height() && qGray(image.pixel(x, y)) < 128;
    };
    QStringList touching;
    for (int i = 0; i + 1 < inked.size(); ++i) {
        const QImage& left = inked[i].image;
        const QImage& right = inked[i + 1].image;
        bool touch = false;
        for (int y = 0; y < size.height() && !touch; ++y) {
            for (int x = 0; x < size.width() && !touch; ++x) {
                if (!inkAt(left, x, y)) continue;
                for (int dy = -1; dy <= 1 && !touch; ++dy) {
                    for (int dx = -1; dx <= 1 && !touch; ++dx) touch = inkAt(right, x + dx, y + dy);
                }
            }
        }
        if (touch) touching << QString(inked[i].character) + inked[i + 1].character;
    }
    return touching;
}

// How far window, frame and title bar included, sits from where the centring rule puts it on the
// primary screen (left = (screen width - window width) / 2 and top likewise, rounded toward zero,
// never negative): empty when it sits there.
inline QString CentringError(const QWidget& window) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // The frame as the window system reports it now: QWidget::frameGeometry() learns of a frame only
    // when the window next moves or changes size.
    const QRect outer =
        window.windowHandle() ? window.windowHandle()->frameGeometry() : window.frameGeometry();
    const QPoint rule = screen.topLeft() + QPoint(std::max(0, (screen.width() - outer.width()) / 2),
                                                  std::max(0, (screen.height() - outer.height()) / 2));
    if (outer.topLeft() == rule) return QString();
    return QStringLiteral("%1x%2 framed as %3x%4 at %5,%6 on %7x%8; rule: %9,%10")
        .arg(window.width())
        .arg(window.height())
        .arg(outer.width())
        .arg(outer.height())
        .arg(outer.left())
        .arg(outer.top())
        .arg(screen.width())
        .arg(screen.height())
        .arg(rule.x())
        .arg(rule.y());
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
    // Whether the box had a frame from the window system, and how far from the centre of the screen it
    // sat (CentringError).
    bool framed = false;
    QString centring;
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
        if (box != last_) {
            last_ = box;
            polls_ = 0;
            closing_ = false;
        }
        ++polls_;
        if (closing_) {
            if (polls_ == 100) {
                seen_.closedByKey = false;
                box->done(0);
            }
            return;
        }
        // The box is looked at once the window system has framed it and, when it has no parent to
        // stand over, has put it at the centre of the screen; or after 0.4 s in any case (where no
        // frame comes, for one).
        const QWindow* handle = box->windowHandle();
        const bool framed = handle && !handle->frameMargins().isNull();
        const bool settled = framed && (box->parentWidget() || CentringError(*box).isEmpty());
        if (!settled && polls_ < 80) return;

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
        seen_.framed = framed;
        seen_.centring = CentringError(*box);
        closing_ = true;
        polls_ = 0;
        QTest::keyClick(box, closeKey_);
    }

    Qt::Key closeKey_;
    QPointer<QMessageBox> last_;
    int polls_ = 0;  // since the box came up, or since the close key was typed on it
    bool closing_ = false;
    SeenBox seen_;
    QTimer timer_;
};

}  // namespace telvane::testing
