// Telvane: the long-distance area codes and postcodes of China's regions, from tesmar.ini beside the
// program.
#include <QApplication>

#include "ui/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The display name follows the application name. It is not set on its own: Qt would then append
    // it to every window title on X11, and the about dialog's title is "我的软件" alone.
    QApplication::setApplicationName(QStringLiteral("Telvane"));
    // The desktop entry's id, which names the icon too (packaging/).
    QApplication::setDesktopFileName(QStringLiteral(TELVANE_APP_ID));

    telvane::TForm1 form;
    form.show();
    return QApplication::exec();
}
