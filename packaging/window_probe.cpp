// Reports what an installed Telvane shows, from inside it: check-package.sh loads this library into
// the installed program with LD_PRELOAD. The program itself takes nothing from outside.
//
// Once the main window is on screen, it writes to standard output, in UTF-8:
//   window<TAB><title>
//   tree<TAB><root node><TAB><the root's children, separated by commas>
// and closes the window, which ends the program. A message box instead is reported as
//   box<TAB><title><TAB><text>
// and answered with Enter, after which the program ends by itself.
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <cstdio>

namespace {

void Say(const QStringList& fields) {
    std::fputs(fields.join(QLatin1Char('\t')).toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

QWidget* ShownMainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("TForm1") && window->isVisible() &&
            window->windowHandle() && window->windowHandle()->isExposed()) {
            return window;
        }
    }
    return nullptr;
}

void Look() {
    static QPointer<QMessageBox> answered;
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        if (box->isVisible() && box != answered) {
            answered = box;
            Say({QStringLiteral("box"), box->windowTitle(), box->text()});
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(box, &press);
            QApplication::sendEvent(box, &release);
        }
        return;
    }
    QWidget* window = ShownMainWindow();
    if (!window) return;
    const auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("tree1"));
    const QTreeWidgetItem* root = tree ? tree->topLevelItem(0) : nullptr;
    QStringList provinces;
    if (root) {
        for (int i = 0; i < root->childCount(); ++i) provinces << root->child(i)->text(0);
    }
    Say({QStringLiteral("window"), window->windowTitle()});
    Say({QStringLiteral("tree"), root ? root->text(0) : QString(), provinces.join(QLatin1Char(','))});
    window->close();
}

void Start() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, &Look);
    timer->start(20);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
