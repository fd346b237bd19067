// The about dialog: the names of three other programs of the author, each a link to a download site,
// the author's two e-mail addresses, each a mail link, and the author line.
#pragma once

#include <QDialog>
#include <memory>

class QEvent;
class QKeyEvent;
class QShowEvent;

namespace telvane {

namespace Ui {
class TForm2;
}

// A fixed-size dialog, centred on the primary screen, frame included, each time it is shown; show it
// with exec(). A click
// on a program name opens its download site in the desktop's web browser, a click on an address starts
// a new mail message to it. What the desktop does with a link is not checked and nothing is reported
// either way: the dialog stays open and usable. Nothing in the dialog takes the keyboard focus, and it
// closes only through the window's close command (its result is then QDialog::Rejected). It cannot be
// minimised: where the window manager offers to all the same, the dialog shows itself again at once.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Label1Click();
    void Label2Click();
    void Label3Click();
    void Label4Click();
    void Label5Click();

private:
    std::unique_ptr<Ui::TForm2> ui;
};

}  // namespace telvane
