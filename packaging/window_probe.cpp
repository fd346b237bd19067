// Reports what an installed Telvane shows, from inside it: check-package.sh loads this library into
// the installed program with LD_PRELOAD. The program itself takes nothing from outside.
//
// Once the main window is on screen, it writes to standard output, in UTF-8:
//   window<TAB><title><TAB><the desktop entry the program names>
//   tree<TAB><root node><TAB><the root's children, separated by commas>
// and closes the window, which ends the program. A message box instead is reported as
//   box<TAB><title><TAB><text>
// and answered with Enter, after which the program ends by itself.
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTreeWidget>
#include <cstdio>

#include "preload_driver.h"

namespace {

void Say(const QStringList& fields) {
    std::fputs(fields.join(QLatin1Char('\t')).toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

void Look(QWidget* window) {
    const auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("tree1"));
    const QTreeWidgetItem* root = tree ? tree->topLevelItem(0) : nullptr;
    QStringList provinces;
    if (root) {
        for (int i = 0; i < root->childCount(); ++i) provinces << root->child(i)->text(0);
    }
    Say({QStringLiteral("window"), window->windowTitle(), QGuiApplication::desktopFileName()});
    Say({QStringLiteral("tree"), root ? root->text(0) : QString(), provinces.join(QLatin1Char(','))});
    window->close();
}

void SayBox(QMessageBox* box) {
    Say({QStringLiteral("box"), box->windowTitle(), box->text()});
}

void Start() {
    telvane::preload::Run({.box = &SayBox, .window = &Look});
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
