// A stand-in user for the runs against hostile data files, loaded into the real program with
// LD_PRELOAD.
//
// From a timer inside the program it answers every message box with Enter and, once the main window
// has been up for a moment, expands the tree, clicks the first province, types the area code 010,
// presses the search button and closes the window. TELVANE_DRIVER_AREA gives another area code to
// type, and TELVANE_DRIVER_FUZZY=1 checks fuzzy matching first (the memory benchmark uses both).
//
// What it sees goes to the file named by TELVANE_DRIVER_REPORT, one fact a line, fields separated by
// tabs. Every character below U+0020 (a NUL or a tab inside a name) is written as \xHH and a
// backslash as two, so any name stays on its line.
//
// With TELVANE_DRIVER_CHANGE set to "delete", "directory" or "unreadable" the driver also changes the
// data file beside the program while the program runs: it deletes it, replaces it by an empty
// directory or takes away every permission on it, just before the click on the province
// (TELVANE_DRIVER_CHANGE_BEFORE=click) or just before the search (=search).
#include <sys/stat.h>
#include <unistd.h>

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
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

QString Escaped(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (c.unicode() < 0x20) {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        } else {
            out += c;
        }
    }
    return out;
}

void Report(const QStringList& fields) {
    QFile file(qEnvironmentVariable("TELVANE_DRIVER_REPORT"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    QStringList escaped;
    for (const QString& field : fields) escaped << Escaped(field);
    file.write(escaped.join(u'\t').toUtf8() + '\n');
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

// A header line with the number of rows, then one line per row of the list.
void ReportList(const QString& what, const QAbstractItemView* list) {
    const QAbstractItemModel* model = list->model();
    Report({what, QString::number(model->rowCount())});
    for (int i = 0; i < model->rowCount(); ++i) {
        QStringList row{QStringLiteral("row")};
        for (int column = 0; column < model->columnCount(); ++column)
            row << model->index(i, column).data().toString();
        Report(row);
    }
}

QString IconName(QMessageBox::Icon icon) {
    switch (icon) {
        case QMessageBox::NoIcon:
            return QStringLiteral("none");
        case QMessageBox::Information:
            return QStringLiteral("information");
        case QMessageBox::Warning:
            return QStringLiteral("warning");
        case QMessageBox::Critical:
            return QStringLiteral("critical");
        case QMessageBox::Question:
            return QStringLiteral("question");
    }
    return QString::number(icon);
}

// Changes the data file beside the program as TELVANE_DRIVER_CHANGE says.
void ChangeDataFile(const QString& change) {
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationDirPath() + "/tesmar.ini");
    bool done = false;
    if (change == QLatin1String("delete")) {
        done = ::unlink(path.constData()) == 0;
    } else if (change == QLatin1String("directory")) {
        done = ::unlink(path.constData()) == 0 && ::mkdir(path.constData(), 0755) == 0;
    } else if (change == QLatin1String("unreadable")) {
        done = ::chmod(path.constData(), 0) == 0;
    }
    if (done) {
        Report({QStringLiteral("changed"), change});
    } else {
        Report({QStringLiteral("change failed"), change, QString::fromLocal8Bit(std::strerror(errno))});
    }
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
                Report({QStringLiteral("box"), box->windowTitle(), box->text(), IconName(box->icon()),
                        buttons.join(u',')});
                Key(box, Qt::Key_Return);
            }
            return;
        }
        QWidget* window = MainWindow();
        if (!window || ++ticks_ < kSettleTicks) return;
        auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("tree1"));
        auto* list = window->findChild<QAbstractItemView*>(QStringLiteral("lview1"));
        QTreeWidgetItem* root = tree->topLevelItem(0);
        switch (step_++) {
            case 0: {
                Report({QStringLiteral("root"), root->text(0)});
                for (int i = 0; i < root->childCount(); ++i)
                    Report({QStringLiteral("province"), root->child(i)->text(0)});
                const QRect label = tree->visualItemRect(root);
                Click(tree->viewport(), QPoint(label.left() - tree->indentation() / 2, label.center().y()));
                break;
            }
            case 1:
                if (changeBefore_ == QLatin1String("click")) ChangeDataFile(change_);
                if (root->childCount() > 0)
                    Click(tree->viewport(), tree->visualItemRect(root->child(0)).center());
                break;
            case 2: {
                ReportList(QStringLiteral("listing"), list);
                if (changeBefore_ == QLatin1String("search")) ChangeDataFile(change_);
                if (fuzzy_) {
                    auto* radio = window->findChild<QRadioButton*>(QStringLiteral("Rdomo"));
                    Click(radio, radio->rect().center());
                }
                auto* edit = window->findChild<QLineEdit*>(QStringLiteral("ledttel"));
                Click(edit, edit->rect().center());
                for (QChar c : area_) Key(edit, Qt::Key(c.unicode()), QString(c));
                auto* search = window->findChild<QPushButton*>(QStringLiteral("Btncha"));
                Click(search, search->rect().center());
                break;
            }
            case 3:
                ReportList(QStringLiteral("search"), list);
                Report({QStringLiteral("closing")});
                window->close();
                break;
            default:
                break;
        }
    }

private:
    const QString change_ = qEnvironmentVariable("TELVANE_DRIVER_CHANGE");
    const QString changeBefore_ = qEnvironmentVariable("TELVANE_DRIVER_CHANGE_BEFORE");
    const QString area_ = qEnvironmentVariable("TELVANE_DRIVER_AREA", QStringLiteral("010"));
    const bool fuzzy_ = qEnvironmentVariable("TELVANE_DRIVER_FUZZY") == QLatin1String("1");
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
