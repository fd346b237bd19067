#include "ui/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "ui/screen_centre.h"

namespace telvane {

namespace {

void ShowModal(QMessageBox& box) {
    QPointer<QWidget> active = QApplication::activeWindow();
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (active) active->activateWindow();
}

// A message box without a parent, centred on the screen by its outer size once it has laid itself
// out for showing (Qt would put it somewhat above and left of the centre).
class TCentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        CentreOnScreen(this);
    }
};

}  // namespace

void ShowMissingFileMessage() {
    TCentredBox box(QMessageBox::Information, QStringLiteral("Information"),
                    QStringLiteral("必须把tesmar.ini文件与主程序放在同一个目录下！"), QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    ShowModal(box);
}

void ShowNoCriteriaMessage(QWidget* window) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("查询"), QStringLiteral("至少必须指定一个查询参数!"),
                    QMessageBox::Ok, window);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    ShowModal(box);
}

void ShowHandlerError(QWidget* window, const QString& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Telvane"), message, QMessageBox::Ok, window);
    ShowModal(box);
}

}  // namespace telvane
