// The yardstick of the start-up benchmark: a bare Qt window with one label, started and shown the
// way the program starts and shows its main window.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("Telvane"));
    label.resize(490, 323);
    label.show();
    return QApplication::exec();
}
