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

#include <QAbstractItemView>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <cerrno>
#include <cstring>

#include "preload_driver.h"

namespace {

namespace preload = telvane::preload;

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

void ReportBox(QMessageBox* box) {
    Report({QStringLiteral("box"), box->windowTitle(), box->text(), IconName(box->icon()),
            preload::ButtonTexts(box).join(u',')});
}

// The user's steps, one a tick.
class Steps {
public:
    void Next(QWidget* window) {
        auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("tree1"));
        auto* list = window->findChild<QAbstractItemView*>(QStringLiteral("lview1"));
        QTreeWidgetItem* root = tree->topLevelItem(0);
        switch (step_++) {
            case 0: {
                Report({QStringLiteral("root"), root->text(0)});
                for (int i = 0; i < root->childCount(); ++i)
                    Report({QStringLiteral("province"), root->child(i)->text(0)});
                preload::ClickExpandButton(tree, root);
                break;
            }
            case 1:
                if (changeBefore_ == QLatin1String("click")) ChangeDataFile(change_);
                if (root->childCount() > 0) preload::ClickNode(tree, root->child(0));
                break;
            case 2: {
                ReportList(QStringLiteral("listing"), list);
                if (changeBefore_ == QLatin1String("search")) ChangeDataFile(change_);
                if (fuzzy_) preload::ClickCentre(window->findChild<QRadioButton*>(QStringLiteral("Rdomo")));
                auto* edit = window->findChild<QLineEdit*>(QStringLiteral("ledttel"));
                preload::ClickCentre(edit);
                preload::Type(edit, area_);
                preload::ClickCentre(window->findChild<QPushButton*>(QStringLiteral("Btncha")));
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
    int step_ = 0;
};

void StartDriver() {
    preload::PlayUser<Steps>(&ReportBox);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
