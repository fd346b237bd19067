// The about dialog: its look, its links, and how the main window's about button opens it.
#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "gui_test_support.h"
#include "ui/Unit2.h"
#include "ui/frm_main.h"
#include "ui/screen_centre.h"

using telvane::TForm1;
using telvane::TForm2;

namespace {

// Stands in for the desktop's browser and mail program: keeps every link handed to it.
class LinkRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> links;

public slots:
    void open(const QUrl& url) { links.append(url); }
};

const QStringList kSchemes = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto")};

// The domains set aside for examples: no real person or site may appear in the dialog.
bool IsReservedDomain(const QString& host) {
    for (const QString& domain :
         {QStringLiteral("example.com"), QStringLiteral("example.org"), QStringLiteral("example.net")}) {
        if (host == domain || host.endsWith(QLatin1Char('.') + domain)) {
            return true;
        }
    }
    return false;
}

QWidget* Child(QWidget& dialog, const QString& name) {
    return name.isEmpty() ? &dialog : dialog.findChild<QWidget*>(name);
}

// Mouse input the way the window system hands it in: to the top-level window, which passes it to the
// widget under the pointer, so that modal blocking, what lies on top and the grab of a pressed button
// all take part. (QTest's QWidget overloads skip all three.) pos is in target; by default its centre.
QPoint InWindow(QWidget* target, QPoint pos) {
    return target->mapTo(target->window(), pos == QPoint(-1, -1) ? target->rect().center() : pos);
}

void Press(QWidget* target, Qt::MouseButton button = Qt::LeftButton, QPoint pos = {-1, -1}) {
    QTest::mousePress(target->window()->windowHandle(), button, {}, InWindow(target, pos));
}

void Release(QWidget* target, Qt::MouseButton button = Qt::LeftButton, QPoint pos = {-1, -1}) {
    QTest::mouseRelease(target->window()->windowHandle(), button, {}, InWindow(target, pos));
}

void Click(QWidget* target) {
    QTest::mouseClick(target->window()->windowHandle(), Qt::LeftButton, {}, InWindow(target, {-1, -1}));
}

QList<TForm2*> AboutDialogs() {
    QList<TForm2*> dialogs;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* dialog = qobject_cast<TForm2*>(widget)) {
            dialogs.append(dialog);
        }
    }
    return dialogs;
}

int Distance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void labelsFollowTheLayout_data();
    void labelsFollowTheLayout();
    void dialogIsPaintedInItsColours_data();
    void dialogIsPaintedInItsColours();
    void panelIsRaisedThenLowered();
    void frameIsFixedWithCloseButtonOnly();
    void centringRule_data();
    void centringRule();
    void fittingRule_data();
    void fittingRule();
    void keysNeitherFocusNorClose_data();
    void keysNeitherFocusNorClose();

    void labelHandsItsLink_data();
    void labelHandsItsLink();
    void firstAndThirdProgramShareTheirSite();
    void clicksOffTheLinksDoNothing_data();
    void clicksOffTheLinksDoNothing();
    void failingDesktopLeavesDialogUsable();

    void aboutButtonOpensFreshModalDialogs();

private:
    void showDialog();

    LinkRecorder recorder_;
    std::unique_ptr<TForm2> dialog_;
};

void AboutTest::init() {
    recorder_.links.clear();
    for (const QString& scheme : kSchemes) {
        QDesktopServices::setUrlHandler(scheme, &recorder_, "open");
    }
}

void AboutTest::cleanup() {
    dialog_.reset();
    for (const QString& scheme : kSchemes) {
        QDesktopServices::unsetUrlHandler(scheme);
    }
}

void AboutTest::showDialog() {
    dialog_ = std::make_unique<TForm2>();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
}

void AboutTest::labelsFollowTheLayout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<QString>("text");  // empty: an e-mail address, checked with the links
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("hand");

    QTest::newRow("Label1") << "Label1"
                            << "Panel1" << QPoint(24, 16) << "KestraneV1.0 下载" << 16 << true;
    QTest::newRow("Label2") << "Label2"
                            << "Panel1" << QPoint(24, 48) << "PellumoV1.0 下载" << 16 << true;
    QTest::newRow("Label5") << "Label5"
                            << "Panel1" << QPoint(24, 80) << "VarsettiV1.0 下载" << 16 << true;
    QTest::newRow("Label3") << "Label3"
                            << "TForm2" << QPoint(8, 136) << "" << 14 << true;
    QTest::newRow("Label4") << "Label4"
                            << "TForm2" << QPoint(8, 160) << "" << 14 << true;
    QTest::newRow("Label6") << "Label6"
                            << "TForm2" << QPoint(144, 160) << "作者:Orvath" << 14 << false;
}

void AboutTest::labelsFollowTheLayout() {
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QPoint, topLeft);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);
    QFETCH(bool, hand);

    showDialog();
    auto* label = dialog_->findChild<QLabel*>(name);
    QVERIFY(label != nullptr);
    QCOMPARE(label->parentWidget()->objectName(), parent);
    QCOMPARE(label->pos(), topLeft);
    if (!text.isEmpty()) {
        QCOMPARE(label->text(), text);
    }
    // Sized to its text, the label must still fit inside its parent and clear of every other label.
    QVERIFY2(label->parentWidget()->contentsRect().contains(label->geometry()),
             qPrintable(QStringLiteral("%1 sticks out of %2").arg(name, parent)));
    for (const QLabel* other : dialog_->findChildren<QLabel*>()) {
        if (other != label) {
            const QRect mine(label->mapTo(dialog_.get(), QPoint(0, 0)), label->size());
            const QRect theirs(other->mapTo(dialog_.get(), QPoint(0, 0)), other->size());
            QVERIFY2(!mine.intersects(theirs), qPrintable(name + " overlaps " + other->objectName()));
        }
    }

    const QFont font = label->font();
    QCOMPARE(font.family(), QStringLiteral("宋体"));
    QCOMPARE(font.pixelSize(), pixelSize);
    QVERIFY(!font.bold());
    QVERIFY(!font.italic());
    QVERIFY(!font.underline());
    // Every character stands clear of its neighbours ("作者:Orvath" once had the colon on the "O").
    const QStringList touching = telvane::testing::TouchingCharacters(font, label->text());
    QVERIFY2(touching.isEmpty(), qPrintable(touching.join(QLatin1Char(' '))));
    QCOMPARE(label->cursor().shape(), hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void AboutTest::dialogIsPaintedInItsColours_data() {
    QTest::addColumn<QString>("where");  // object name of the area; empty: the dialog's background
    QTest::addColumn<QColor>("colour");

    // For a label, the ink: the pixel of its text that stands out most from what lies behind it.
    QTest::newRow("background") << "" << QColor(192, 220, 192);
    QTest::newRow("panel") << "Panel1" << QColor(255, 251, 240);
    QTest::newRow("Label1 red") << "Label1" << QColor(255, 0, 0);
    QTest::newRow("Label2 red") << "Label2" << QColor(255, 0, 0);
    QTest::newRow("Label5 red") << "Label5" << QColor(255, 0, 0);
    QTest::newRow("Label3 blue") << "Label3" << QColor(0, 0, 255);
    QTest::newRow("Label4 blue") << "Label4" << QColor(0, 0, 255);
    QTest::newRow("Label6 window text") << "Label6" << QColor(0, 0, 0);
}

void AboutTest::dialogIsPaintedInItsColours() {
    QFETCH(QString, where);
    QFETCH(QColor, colour);

    showDialog();
    const QImage image = dialog_->grab().toImage();
    QWidget* area = Child(*dialog_, where);
    QVERIFY(area != nullptr);

    if (qobject_cast<QLabel*>(area) == nullptr) {
        // A point of the area that no child covers: the dialog's corner, or inside the panel's
        // bevel just below its last label.
        const QPoint point = where.isEmpty() ? QPoint(2, 2) : QPoint(4, area->height() - 6);
        QCOMPARE(area->childAt(point), nullptr);
        QCOMPARE(image.pixelColor(area->mapTo(dialog_.get(), point)), colour);
        return;
    }
    const QRect rect(area->mapTo(dialog_.get(), QPoint(0, 0)), area->size());
    const QColor behind = image.pixelColor(rect.topLeft() - QPoint(1, 1));
    QColor ink = behind;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (Distance(image.pixelColor(x, y), behind) > Distance(ink, behind)) {
                ink = image.pixelColor(x, y);
            }
        }
    }
    QVERIFY2(Distance(ink, colour) <= 60, qPrintable(QStringLiteral("ink of %1 is %2, %3 from %4")
                                                         .arg(where, ink.name())
                                                         .arg(Distance(ink, colour))
                                                         .arg(colour.name())));
}

void AboutTest::panelIsRaisedThenLowered() {
    showDialog();
    auto* panel = dialog_->findChild<QFrame*>(QStringLiteral("Panel1"));
    QVERIFY(panel != nullptr);
    const QImage image = panel->grab().toImage();
    const int w = panel->width();
    const int h = panel->height();
    const auto lightness = [&image](int x, int y) { return image.pixelColor(x, y).lightness(); };

    // The outer bevel is raised (light above and to the left, dark below and to the right), the inner
    // one lowered (the other way round), one pixel each, then the cream face.
    QCOMPARE_GT(lightness(w / 2, 0), lightness(w / 2, 1));
    QCOMPARE_GT(lightness(0, h / 2), lightness(1, h / 2));
    QCOMPARE_LT(lightness(w / 2, h - 1), lightness(w / 2, h - 2));
    QCOMPARE_LT(lightness(w - 1, h / 2), lightness(w - 2, h / 2));
    QCOMPARE(image.pixelColor(2, 2), QColor(255, 251, 240));
}

void AboutTest::frameIsFixedWithCloseButtonOnly() {
    showDialog();
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("我的软件"));
    QCOMPARE(dialog_->size(), QSize(228, 179));
    dialog_->resize(400, 300);
    QCOMPARE(dialog_->size(), QSize(228, 179));
    dialog_->resize(100, 80);
    QCOMPARE(dialog_->size(), QSize(228, 179));
    QVERIFY(!dialog_->isSizeGripEnabled());

    const Qt::WindowFlags flags = dialog_->windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));  // without it the window system picks the buttons
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
}

void AboutTest::centringRule_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QSize>("window");  // outer size, frame and title bar included
    QTest::addColumn<QPoint>("origin");

    QTest::newRow("framed dialog, 1024x768") << QRect(0, 0, 1024, 768) << QSize(230, 200) << QPoint(397, 284);
    QTest::newRow("odd spare pixels go right and down")
        << QRect(0, 0, 1024, 768) << QSize(351, 105) << QPoint(336, 331);
    QTest::newRow("as large as the screen") << QRect(0, 0, 800, 600) << QSize(800, 600) << QPoint(0, 0);
    QTest::newRow("wider than the screen") << QRect(0, 0, 640, 480) << QSize(700, 200) << QPoint(0, 140);
    QTest::newRow("one pixel wider, taller by three")
        << QRect(0, 0, 640, 480) << QSize(641, 483) << QPoint(0, 0);
    QTest::newRow("screen not at the origin")
        << QRect(1024, 0, 1280, 1024) << QSize(230, 200) << QPoint(1024 + 525, 412);
}

// left = (screen width - window width) / 2, top likewise, each rounded toward zero and never negative.
void AboutTest::centringRule() {
    QFETCH(QRect, screen);
    QFETCH(QSize, window);
    QFETCH(QPoint, origin);
    QCOMPARE(telvane::CentredOrigin(screen, window), origin);
}

void AboutTest::fittingRule_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("origin");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("placed");

    const QRect screen(0, 0, 1024, 768);
    QTest::newRow("fits where it asks") << screen << QPoint(192, 107) << QSize(492, 345) << QPoint(192, 107);
    QTest::newRow("touches the right and bottom edges")
        << screen << QPoint(532, 423) << QSize(492, 345) << QPoint(532, 423);
    QTest::newRow("one pixel over on the right")
        << screen << QPoint(533, 107) << QSize(492, 345) << QPoint(532, 107);
    QTest::newRow("twice the scale: over on the right and at the bottom")
        << QRect(0, 0, 512, 384) << QPoint(192, 107) << QSize(492, 334) << QPoint(20, 50);
    QTest::newRow("wider and taller than the screen: the top-left corner shows")
        << QRect(0, 0, 256, 192) << QPoint(192, 107) << QSize(490, 328) << QPoint(0, 0);
    QTest::newRow("wider only") << QRect(0, 0, 400, 768) << QPoint(192, 107) << QSize(492, 345)
                                << QPoint(0, 107);
    QTest::newRow("under a panel at the top")
        << QRect(0, 30, 1024, 738) << QPoint(192, 10) << QSize(230, 200) << QPoint(192, 30);
    QTest::newRow("left of a second screen's area")
        << QRect(1024, 0, 1280, 1024) << QPoint(192, 107) << QSize(230, 200) << QPoint(1024, 107);
}

// Where the window fits, it stays; else it moves just enough to fit, and a window larger than the
// available area puts its top-left corner at the area's.
void AboutTest::fittingRule() {
    QFETCH(QRect, available);
    QFETCH(QPoint, origin);
    QFETCH(QSize, window);
    QFETCH(QPoint, placed);
    QCOMPARE(telvane::FittedOrigin(available, origin, window), placed);
}

void AboutTest::keysNeitherFocusNorClose_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Tab") << Qt::Key_Tab;
    QTest::newRow("Esc") << Qt::Key_Escape;
    QTest::newRow("Return") << Qt::Key_Return;
    QTest::newRow("Enter") << Qt::Key_Enter;
    QTest::newRow("Space") << Qt::Key_Space;
}

void AboutTest::keysNeitherFocusNorClose() {
    QFETCH(Qt::Key, key);

    showDialog();
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(dialog_->windowHandle(), key);
    }
    QVERIFY(dialog_->isVisible());
    QVERIFY(recorder_.links.isEmpty());
    const QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus != dialog_.get()) {
        QFAIL(qPrintable(focus->objectName() + " took the focus"));
    }

    // The window's close command is the one way out.
    dialog_->close();
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
}

void AboutTest::labelHandsItsLink_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("mail");

    QTest::newRow("Label1 first program") << "Label1" << false;
    QTest::newRow("Label2 second program") << "Label2" << false;
    QTest::newRow("Label5 third program") << "Label5" << false;
    QTest::newRow("Label3 first address") << "Label3" << true;
    QTest::newRow("Label4 second address") << "Label4" << true;
}

void AboutTest::labelHandsItsLink() {
    QFETCH(QString, name);
    QFETCH(bool, mail);

    showDialog();
    auto* label = dialog_->findChild<QLabel*>(name);
    QVERIFY(label != nullptr);
    Click(label);

    QCOMPARE(recorder_.links.size(), 1);
    const QUrl link = recorder_.links.first();
    if (mail) {
        // The address shown is the address written to.
        QCOMPARE(link.toString(), QStringLiteral("mailto:") + label->text());
        const QString address = label->text();
        QCOMPARE(address.count(QLatin1Char('@')), 1);
        QVERIFY2(IsReservedDomain(address.section(QLatin1Char('@'), 1)), qPrintable(address));
    } else {
        // A site's home page: a plain web address, no path, query or fragment.
        QVERIFY2(link.scheme() == QStringLiteral("http") || link.scheme() == QStringLiteral("https"),
                 qPrintable(link.toString()));
        QVERIFY2(link.path().isEmpty() || link.path() == QStringLiteral("/"), qPrintable(link.toString()));
        QVERIFY(!link.hasQuery());
        QVERIFY(!link.hasFragment());
        QVERIFY(link.userInfo().isEmpty());
        QVERIFY2(IsReservedDomain(link.host()), qPrintable(link.toString()));
    }
    QVERIFY(dialog_->isVisible());
}

void AboutTest::firstAndThirdProgramShareTheirSite() {
    showDialog();
    for (const char* name : {"Label1", "Label5", "Label2"}) {
        Click(dialog_->findChild<QLabel*>(QString::fromLatin1(name)));
    }
    QCOMPARE(recorder_.links.size(), 3);
    QCOMPARE(recorder_.links.at(1), recorder_.links.at(0));
    QCOMPARE_NE(recorder_.links.at(2), recorder_.links.at(0));
}

void AboutTest::clicksOffTheLinksDoNothing_data() {
    QTest::addColumn<QString>("target");  // object name; empty: the dialog itself
    QTest::addColumn<QPoint>("press");    // in the target; (-1, -1): its centre
    QTest::addColumn<QPoint>("release");  // in the target; (-1, -1): where it was pressed
    QTest::addColumn<Qt::MouseButton>("button");

    const QPoint same(-1, -1);
    QTest::newRow("Label6") << "Label6" << same << same << Qt::LeftButton;
    QTest::newRow("panel below the names") << "Panel1" << QPoint(100, 105) << same << Qt::LeftButton;
    QTest::newRow("panel left of the names") << "Panel1" << QPoint(10, 20) << same << Qt::LeftButton;
    QTest::newRow("background") << "" << QPoint(200, 140) << same << Qt::LeftButton;
    QTest::newRow("right button on Label1") << "Label1" << same << same << Qt::RightButton;
    QTest::newRow("middle button on Label3") << "Label3" << same << same << Qt::MiddleButton;
    QTest::newRow("Label2 left before release") << "Label2" << same << QPoint(-8, -8) << Qt::LeftButton;
    QTest::newRow("Label4 pressed off, released on")
        << "" << QPoint(4, 166) << QPoint(20, 166) << Qt::LeftButton;
}

void AboutTest::clicksOffTheLinksDoNothing() {
    QFETCH(QString, target);
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(Qt::MouseButton, button);

    showDialog();
    QWidget* widget = Child(*dialog_, target);
    QVERIFY(widget != nullptr);
    if (press == QPoint(-1, -1)) {
        press = widget->rect().center();
    } else {
        QCOMPARE(widget->childAt(press), nullptr);  // the fixture really misses every label
    }
    if (release == QPoint(-1, -1)) {
        release = press;
    }
    Press(widget, button, press);
    Release(widget, button, release);

    QVERIFY2(recorder_.links.isEmpty(), qPrintable(recorder_.links.value(0).toString()));
    QVERIFY(dialog_->isVisible());
}

void AboutTest::failingDesktopLeavesDialogUsable() {
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
        QSKIP("needs the offscreen platform, which cannot open links");
    }
    showDialog();
    // Without our handlers every link goes to the platform, which has no desktop to ask and fails.
    for (const QString& scheme : kSchemes) {
        QDesktopServices::unsetUrlHandler(scheme);
    }
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5"}) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("openUrl")));
        Click(dialog_->findChild<QLabel*>(QString::fromLatin1(name)));
    }
    QVERIFY(dialog_->isVisible());
    for (QWidget* window : QApplication::topLevelWidgets()) {
        QVERIFY2(window == dialog_.get() || !window->isVisible(), "the program showed a window of its own");
    }

    // Still usable: the next link gets through once a desktop is there.
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder_, "open");
    Click(dialog_->findChild<QLabel*>(QStringLiteral("Label3")));
    QCOMPARE(recorder_.links.size(), 1);
}

void AboutTest::aboutButtonOpensFreshModalDialogs() {
    const telvane::testing::TempDir folder;
    TForm1 form(
        telvane::testing::WriteIni(folder, QStringLiteral("[lei]\nsel=北京,\n[北京]\n东城=010-100010\n")));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(AboutDialogs().isEmpty());  // nothing but the main window at start
    auto* about = form.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    auto* edit = form.findChild<QLineEdit*>(QStringLiteral("ledttel"));
    QVERIFY(about != nullptr);
    QVERIFY(edit != nullptr);

    QList<QPointer<TForm2>> opened;
    for (int round = 1; round <= 2; ++round) {
        // Runs inside the dialog's modal loop, once the dialog is up.
        bool inspected = false;
        int stray = 0;
        QTimer inspect;
        inspect.setSingleShot(true);
        connect(&inspect, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            const auto closeDialog = qScopeGuard([dialog] { dialog->close(); });
            inspected = true;
            opened.append(dialog);
            QCOMPARE(AboutDialogs().size(), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(telvane::testing::CentringError(*dialog), QString());
            // Moved away, so a dialog kept for the next round would give itself away.
            dialog->move(0, 0);

            // A click or key that got through to the main window would open a second dialog inside
            // this one; close any such dialog at once and count it.
            QTimer closeStray;
            connect(&closeStray, &QTimer::timeout, this, [&] {
                if (QWidget* modal = QApplication::activeModalWidget(); modal != dialog) {
                    ++stray;
                    modal->close();
                }
            });
            closeStray.start(0);
            Click(about);
            QTest::keyClick(form.windowHandle(), Qt::Key_Space);
            Click(edit);
            QTest::keyClick(form.windowHandle(), Qt::Key_7);
            closeStray.stop();

            QCOMPARE(QApplication::activeModalWidget(), dialog);
        });
        inspect.start(0);
        Click(about);
        inspect.stop();

        QVERIFY2(inspected, "no modal about dialog came up");
        QCOMPARE(stray, 0);
        QCOMPARE(edit->text(), QString());
        QVERIFY(opened.last().isNull());  // destroyed when it closed
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
    QCOMPARE(opened.size(), 2);

    // Back to a usable main window: it takes the mouse and the keyboard again.
    Click(edit);
    QTest::keyClick(form.windowHandle(), Qt::Key_7);
    QCOMPARE(edit->text(), QStringLiteral("7"));
}

QTEST_MAIN(AboutTest)
#include "about_test.moc"
