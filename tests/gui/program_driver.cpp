// A stand-in user for the end-to-end test, loaded into the real program with LD_PRELOAD.
//
// When the program's QApplication is created, this library starts a timer that watches the program
// from inside and acts the way a user would: it answers each message box with Enter; once the main
// window has been up for a moment it expands the tree, clicks the first province, types an area
// code and presses the search button, then closes the window. Everything it sees goes, one line per
// step, to the file named by TELVANE_DRIVER_REPORT. The program itself is not changed.
#include <QAbstractItemView>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTreeWidget>

#include "preload_driver.h"

namespace {

namespace preload = telvane::preload;

void Report(const QString& line) {
    QFile file(qEnvironmentVariable("TELVANE_DRIVER_REPORT"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return;
    QTextStream(&file) << line << '\n';
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

void ReportBox(QMessageBox* box) {
    Report(QStringList{"box", box->windowTitle(), box->text(), QString::number(box->icon()),
                       preload::ButtonTexts(box).join(',')}
               .join('\t'));
}

// The user's steps, one a tick.
class Steps {
public:
    void Next(QWidget* window) {
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
                preload::ClickExpandButton(tree, root);
                break;
            }
            case 1:
                if (root->childCount() > 0) preload::ClickNode(tree, root->child(0));
                break;
            case 2: {
                Report(QStringList{"listing", ListText(list)}.join('\t'));
                auto* edit = window->findChild<QLineEdit*>("ledttel");
                preload::ClickCentre(edit);
                preload::Type(edit, QStringLiteral("010"));
                preload::ClickCentre(window->findChild<QPushButton*>("Btncha"));
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
    int step_ = 0;
};

void StartDriver() {
    preload::PlayUser<Steps>(&ReportBox);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
