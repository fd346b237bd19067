#include "ui/Unit2.h"

#include <QDesktopServices>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QUrl>

#include "ui/click_label.h"
#include "ui/screen_centre.h"
#include "ui/song_font.h"
#include "ui_Unit2.h"

namespace telvane {

namespace {

// Home pages of the two download sites. Label1 and Label5 both lead to the first.
const QString kFirstSite = QStringLiteral("https://www.example.com");
const QString kSecondSite = QStringLiteral("https://www.example.org");

// Asks the desktop to open link. Whether it could is of no concern here, and nothing that goes wrong on
// the way may leave this function: the dialog has to stay open and usable.
void OpenLink(const QString& link) noexcept {
    try {
        QDesktopServices::openUrl(QUrl(link));
    } catch (...) {
    }
}

QString MailLink(const QString& address) {
    return QStringLiteral("mailto:") + address;
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm2>()) {
    ui->setupUi(this);
    // A title bar with the close button (and window menu) only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    // Qt Designer stores font sizes in points only; the dialog is laid out in pixels.
    setFont(SongFont(14));
    for (QLabel* label : {ui->Label3, ui->Label4}) {
        label->setFont(SongFont(14));
    }
    for (QLabel* label : {ui->Label1, ui->Label2, ui->Label5}) {
        label->setFont(SongFont(16));
    }
    // The stored sizes fit the original font; a label grows or shrinks to its text, keeping its place.
    // The stand-in font draws above its ascent, so the text sits that much lower to show whole.
    for (QLabel* label : {ui->Label1, ui->Label2, ui->Label3, ui->Label4, ui->Label5, ui->Label6}) {
        label->setContentsMargins(0, InkAboveAscent(label->font(), label->text()), 0, 0);
        label->adjustSize();
    }

    connect(ui->Label1, &TClickLabel::clicked, this, &TForm2::Label1Click);
    connect(ui->Label2, &TClickLabel::clicked, this, &TForm2::Label2Click);
    connect(ui->Label3, &TClickLabel::clicked, this, &TForm2::Label3Click);
    connect(ui->Label4, &TClickLabel::clicked, this, &TForm2::Label4Click);
    connect(ui->Label5, &TClickLabel::clicked, this, &TForm2::Label5Click);
}

TForm2::~TForm2() = default;

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

void TForm2::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Some window managers draw a minimise button all the same, and iconify the main window with the
    // dialog; with no task bar nothing would be left to click. The state changes back once the event
    // that told of it is done with.
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
        });
    }
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // QDialog would close on Esc; this dialog closes only through the window's close command.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::Label1Click() {
    OpenLink(kFirstSite);
}

void TForm2::Label2Click() {
    OpenLink(kSecondSite);
}

void TForm2::Label3Click() {
    OpenLink(MailLink(ui->Label3->text()));
}

void TForm2::Label4Click() {
    OpenLink(MailLink(ui->Label4->text()));
}

void TForm2::Label5Click() {
    OpenLink(kFirstSite);
}

}  // namespace telvane
