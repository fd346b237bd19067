// What the libraries share that are loaded into the real program with LD_PRELOAD, to play its user
// (tests/gui/program_driver.cpp, tests/hostile/hostile_driver.cpp) or to report what it shows
// (packaging/window_probe.cpp): a timer inside the program that answers message boxes and acts on the
// main window once it is on screen, and the clicks and keys a user would give. Header only: each
// library is a single file built against Qt alone.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>
#include <utility>

namespace telvane::preload {

// The main window once it is shown and exposed on screen; null before.
inline QWidget* ShownMainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("TForm1") && window->isVisible() &&
            window->windowHandle() && window->windowHandle()->isExposed()) {
            return window;
        }
    }
    return nullptr;
}

// A left click at `at` in widget coordinates.
inline void Click(QWidget* widget, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

inline void ClickCentre(QWidget* widget) {
    Click(widget, widget->rect().center());
}

// A click on the button left of a tree node that expands or collapses it.
inline void ClickExpandButton(QTreeWidget* tree, const QTreeWidgetItem* item) {
    const QRect row = tree->visualItemRect(item);
    Click(tree->viewport(), QPoint(row.left() - tree->indentation() / 2, row.center().y()));
}

// A click on a tree node's text.
inline void ClickNode(QTreeWidget* tree, const QTreeWidgetItem* item) {
    Click(tree->viewport(), tree->visualItemRect(item).center());
}

// A key pressed and released, giving `text`.
inline void Key(QWidget* widget, Qt::Key key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

// Types `text` (characters with a key of their own: digits, Latin letters) a key at a time.
inline void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) Key(widget, Qt::Key(c.toUpper().unicode()), QString(c));
}

inline QStringList ButtonTexts(const QMessageBox* box) {
    QStringList texts;
    for (const QAbstractButton* button : box->buttons()) texts << button->text();
    return texts;
}

// Ticks the main window must have been on screen before a driver that plays the user acts; a program
// that ends by itself is gone by then.
inline constexpr int kSettleTicks = 10;

// What a driver does on the ticks of its timer.
struct Driver {
    // Called once for each message box that comes up; the box is then answered with Enter.
    std::function<void(QMessageBox*)> box;
    // Called on each tick while the main window is on screen and no message box is up, from the
    // settleTicks-th such tick on.
    std::function<void(QWidget*)> window;
    int settleTicks = 1;
};

// Runs the driver every 20 ms for as long as the application lives. Call it from the library's
// Q_COREAPP_STARTUP_FUNCTION.
inline void Run(Driver driver) {
    struct State {
        Driver driver;
        QPointer<QMessageBox> lastBox;
        int ticks = 0;
    };
    auto state = std::make_shared<State>();
    state->driver = std::move(driver);
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [state] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (box->isVisible() && box != state->lastBox) {
                state->lastBox = box;
                state->driver.box(box);
                Key(box, Qt::Key_Return);
            }
            return;
        }
        QWidget* window = ShownMainWindow();
        if (window && ++state->ticks >= state->driver.settleTicks) state->driver.window(window);
    });
    timer->start(20);
}

// Runs a driver that plays the user: `box` reports each message box; a Steps object, made once, takes
// the main window on each tick once it has been on screen for kSettleTicks, in its Next(QWidget*).
template <typename Steps>
void PlayUser(void (*box)(QMessageBox*)) {
    Run({
        .box = box,
        .window = [steps = std::make_shared<Steps>()](QWidget* window) { steps->Next(window); },
        .settleTicks = kSettleTicks,
    });
}

}  // namespace telvane::preload
