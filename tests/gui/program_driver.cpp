// A stand-in user for the end-to-end test, loaded into the real program with LD_PRELOAD.
//
// When the program's QApplication is created, this library starts a timer that watches the program
// from inside and acts the way a user would: it answers each message box with Enter; once the main
// window has been up for a moment it expands the tree, clicks the first province, types an area
// code and presses the search button, then closes the window. Everything it sees goes, one line per
// step, to the file named by TELVANE_DRIVER_REPORT. The program itself is not changed.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <memory>

namespace {

void Report(const QString& line) {
    QFile file(qEnvironmentVariable("TELVANE_DRIVER_REPORT"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return;
    QTextStream(&file) << line << '\n';
}

void Click(QWidget* widget, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

void Key(QWidget* widget, Qt::Key key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

QString ListText(const QAbstractItemView* list) {
    const QAbstractItemModel* model = list->model();
    QStringList rows;
    for (int i = 0; i < model->rowCount(); ++i) {
        QStringList row;
        for (int column = 0; column < model->columnCount(); ++column)
            row << model->index(i, column).data().toString();
        rows << row.join('|');
    }
    return rows.join(';');
}

QWidget* MainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("TForm1") && window->isVisible() &&
            window->windowHandle() && window->windowHandle()->isExposed()) {
            return window;
        }
    }
    return nullptr;
}

// Ticks the window must have been up before the driver acts; a program that ends by itself is gone
// by then.
constexpr int kSettleTicks = 10;

class Driver {
public:
    void Tick() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (box->isVisible() && box != lastBox_) {
                lastBox_ = box;
                QStringList buttons;
                for (QAbstractButton* button : box->buttons()) buttons << button->text();
                Report(QStringList{"box", box->windowTitle(), box->text(), QString::number(box->icon()),
                                   buttons.join(',')}
                           .join('\t'));
                Key(box, Qt::Key_Return);
            }
            return;
        }
        QWidget* window = MainWindow();
        if (!window || ++ticks_ < kSettleTicks) return;
        auto* tree = window->findChild<QTreeWidget*>("tree1");
        auto* list = window->findChild<QAbstractItemView*>("lview1");
        QTreeWidgetItem* root = tree->topLevelItem(0);
        switch (step_++) {
            case 0: {
                const QRect frame = window->frameGeometry();
                Report(QStringLiteral("window\t%1\t%2,%3\t%4x%5")
                           .arg(window->windowTitle())
                           .arg(frame.x())
                           .arg(frame.y())
                           .arg(window->width())
                           .arg(window->height()));
                QStringList provinces;
                for (int i = 0; i < root->childCount(); ++i) provinces << root->child(i)->text(0);
                Report(QStringList{"tree", root->text(0), provinces.join(',')}.join('\t'));
                const QRect label = tree->visualItemRect(root);
                Click(tree->viewport(), QPoint(label.left() - tree->indentation() / 2, label.center().y()));
                break;
            }
            case 1:
                if (root->childCount() > 0)
                    Click(tree->viewport(), tree->visualItemRect(root->child(0)).center());
                break;
            case 2: {
                Report(QStringList{"listing", ListText(list)}.join('\t'));
                auto* edit = window->findChild<QLineEdit*>("ledttel");
                Click(edit, edit->rect().center());
                for (QChar c : QStringLiteral("010")) Key(edit, Qt::Key(c.unicode()), QString(c));
                auto* search = window->findChild<QPushButton*>("Btncha");
                Click(search, search->rect().center());
                break;
            }
            case 3:
                Report(QStringList{"search", ListText(list)}.join('\t'));
                Report(QStringLiteral("closing"));
                window->close();
                break;
            default:
                break;
        }
    }

private:
    QPointer<QMessageBox> lastBox_;
    int ticks_ = 0;
    int step_ = 0;
};

// The timer, and with it the driver, lives as long as the application.
void StartDriver() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [driver = std::make_shared<Driver>()] { driver->Tick(); });
    timer->start(20);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
