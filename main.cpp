// Telvane: the long-distance area codes and postcodes of China's regions, from tesmar.ini beside the
// program.
#include <QApplication>

#include "ui/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Telvane"));

    TForm1 form;
    form.show();
    return QApplication::exec();
}
