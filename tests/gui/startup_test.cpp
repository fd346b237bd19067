// Start-up: the window as it opens, the province tree built from the data file, and the missing
// data file.
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "gui_test_support.h"
#include "ui/frm_main.h"

using namespace telvane::testing;
using telvane::TForm1;

namespace {

QString TextOf(QWidget* control) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* box = qobject_cast<QGroupBox*>(control)) return box->title();
    return QString();
}

QImage Image(const QIcon& icon, QIcon::Mode mode, int size) {
    return icon.pixmap(QSize(size, size), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage Picture(const char* file) {
    return QImage(QStringLiteral(":/pictures/") + QLatin1String(file)).convertToFormat(QImage::Format_ARGB32);
}

// Pixels of text colour: dark enough to leave out frame lines and shading.
int Ink(const QImage& image) {
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) < 80 ? 1 : 0;
    }
    return ink;
}

// The ink of text drawn whole, with room all round.
int InkOf(const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 40, metrics.height() + 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(20, 20 + metrics.ascent()), text);
    painter.end();
    return Ink(image);
}

QStringList ChildTexts(QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i) texts << node->child(i)->text(0);
    return texts;
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        ini_ = WriteIni(*dir_, QStringLiteral("[lei]\nsel=北京,天津,\n[北京]\n东城区=010-100010\n"));
    }
    void cleanup() { dir_.reset(); }

    void windowSettings() {
        TForm1 window(ini_);
        QCOMPARE(window.windowTitle(), QStringLiteral("Telvane"));
        QCOMPARE(window.minimumSize(), QSize(490, 323));
        QCOMPARE(window.maximumSize(), QSize(490, 323));
        QCOMPARE(window.pos(), QPoint(192, 107));
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        QCOMPARE(Image(window.windowIcon(), QIcon::Normal, 32), Picture("telvane.png"));

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.pos(), QPoint(192, 107));
        QCOMPARE(window.size(), QSize(490, 323));
    }

    // "宋体" is asked for by name and lands on a CJK font, 12 pixels high like 宋体 itself.
    void font() {
        TForm1 window(ini_);
        QCOMPARE(window.font().family(), QStringLiteral("宋体"));
        QCOMPARE(window.font().pixelSize(), 12);
        const QFontInfo resolved(window.font());
        QVERIFY2(QFontDatabase::writingSystems(resolved.family()).contains(QFontDatabase::SimplifiedChinese),
                 qPrintable(resolved.family()));
        QCOMPARE(resolved.pixelSize(), 12);
        QVERIFY(!resolved.bold());
        QVERIFY(!resolved.italic());
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, const char* className, const char* parent, QRect geometry,
                      const QString& text = QString()) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(className)
                                << QString::fromLatin1(parent) << geometry << text;
        };
        row("tree1", "QTreeWidget", "TForm1", {8, 8, 137, 257});
        row("lview1", "QTreeView", "TForm1", {152, 8, 337, 257});
        row("GroupBox1", "QGroupBox", "TForm1", {8, 272, 417, 49}, QStringLiteral("查找"));
        row("Rdojin", "QRadioButton", "GroupBox1", {8, 24, 65, 17}, QStringLiteral("精确查询"));
        row("Rdomo", "QRadioButton", "GroupBox1", {80, 24, 65, 17}, QStringLiteral("模糊查询"));
        row("ledttel", "QLineEdit", "GroupBox1", {152, 24, 65, 18});
        row("ledttelLabel", "QLabel", "GroupBox1", {152, 9, 48, 12}, QStringLiteral("长途区号"));
        row("ledtyou", "QLineEdit", "GroupBox1", {224, 24, 65, 18});
        row("ledtyouLabel", "QLabel", "GroupBox1", {224, 9, 48, 12}, QStringLiteral("邮政编码"));
        row("Btncha", "QPushButton", "GroupBox1", {296, 16, 57, 25}, QStringLiteral("查询"));
        row("Btnresture", "QPushButton", "GroupBox1", {360, 16, 49, 25}, QStringLiteral("重来"));
        row("BitBtn1", "QPushButton", "TForm1", {440, 296, 49, 25}, QStringLiteral("关于"));
    }

    // Every control at its place with its caption, in the window's font.
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, parentName);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        TForm1 window(ini_);
        auto* control = Find<QWidget>(&window, qPrintable(name));
        QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
        QCOMPARE(control->parentWidget()->objectName(), parentName);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(TextOf(control), text);
        QCOMPARE(control->font(), window.font());
        const QStringList touching = TouchingCharacters(control->font(), text);
        QVERIFY2(touching.isEmpty(), qPrintable(touching.join(QLatin1Char(' '))));
    }

    void textsFitTheirControls_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"Rdojin", "Rdomo", "ledttelLabel", "ledtyouLabel", "Btncha", "Btnresture", "BitBtn1"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }

    // The captions are drawn whole: nothing is clipped at 12 pixels in the controls' fixed sizes.
    void textsFitTheirControls() {
        QFETCH(QString, name);
        TForm1 window(ini_);
        auto* control = Find<QWidget>(&window, qPrintable(name));
        const QFontMetrics metrics(control->font());
        const int textWidth = metrics.horizontalAdvance(TextOf(control));
        QStyle* style = control->style();
        QRect room;
        int needed = textWidth;
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QStyleOptionButton option;
            option.initFrom(button);
            room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            const QVariant spacing = button->property("iconSpacing");
            needed += button->iconSize().width() + (spacing.isValid() ? spacing.toInt() : 4);
            QCOMPARE_LE(button->iconSize().height(), room.height());
        } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
            QStyleOptionButton option;
            option.initFrom(radio);
            room = style->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        } else {
            room = control->contentsRect();
        }
        QCOMPARE_LE(needed, room.width());
        QCOMPARE_LE(metrics.height(), room.height());
    }

    void textsAreDrawnWhole_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"ledttelLabel", "ledtyouLabel", "GroupBox1", "Rdojin", "Rdomo"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }

    // Every pixel of each caption shows: none is cut at the edges of its control, whose height is
    // the font's.
    void textsAreDrawnWhole() {
        QFETCH(QString, name);
        TForm1 window(ini_);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* control = Find<QWidget>(&window, qPrintable(name));
        QRect area = control->rect();
        if (auto* radio = qobject_cast<QRadioButton*>(control)) {
            QStyleOptionButton option;
            option.initFrom(radio);
            area = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        } else if (qobject_cast<QGroupBox*>(control)) {
            // The title, left of and above the controls inside.
            const QFontMetrics metrics(control->font());
            area = QRect(0, 0, 16 + metrics.horizontalAdvance(TextOf(control)), metrics.height() + 2);
        }
        const QString text = TextOf(control);
        QCOMPARE(Ink(control->grab(area).toImage()), InkOf(text, control->font()));
    }

    void views() {
        TForm1 window(ini_);
        auto* tree = Find<QTreeWidget>(&window, "tree1");
        auto* list = Find<QTreeView>(&window, "lview1");
        for (QTreeView* view : std::initializer_list<QTreeView*>{tree, list}) {
            QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
            QVERIFY(!view->isSortingEnabled());
            QCOMPARE(view->frameShape(), QFrame::Box);
            QCOMPARE(view->frameShadow(), QFrame::Plain);
            QCOMPARE(view->iconSize(), QSize(16, 16));
        }
        QCOMPARE(tree->indentation(), 19);
        QVERIFY(tree->rootIsDecorated());
        QVERIFY(tree->isHeaderHidden());
        QCOMPARE(tree->viewport()->cursor().shape(), Qt::PointingHandCursor);

        QStringList captions;
        QList<int> widths;
        for (int column = 0; column < list->model()->columnCount(); ++column) {
            captions << list->model()->headerData(column, Qt::Horizontal).toString();
            widths << list->columnWidth(column);
        }
        QCOMPARE(captions, (QStringList{QStringLiteral("省份"), QStringLiteral("地区"),
                                        QStringLiteral("长途区号"), QStringLiteral("邮政编码")}));
        QCOMPARE(widths, (QList<int>{70, 82, 80, 104}));
        QVERIFY(!list->header()->sectionsClickable());
        QVERIFY(!list->header()->sectionsMovable());
        QVERIFY(!list->rootIsDecorated());
    }

    void buttonPictures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("size");
        QTest::newRow("Btncha") << "Btncha"
                                << "binoculars.png" << 16;
        QTest::newRow("Btnresture") << "Btnresture"
                                    << "retry.png" << 18;
        QTest::newRow("BitBtn1") << "BitBtn1"
                                 << "help.png" << 18;
    }

    // The pictures, and no button is the window's default: Enter and Esc press none of them.
    void buttonPictures() {
        QFETCH(QString, name);
        QFETCH(QString, picture);
        QFETCH(int, size);
        TForm1 window(ini_);
        auto* button = Find<QPushButton>(&window, qPrintable(name));
        QCOMPARE(button->iconSize(), QSize(size, size));
        QCOMPARE(Image(button->icon(), QIcon::Normal, size), Picture(qPrintable(picture)));
        // At twice the density the picture is doubled pixel for pixel, not smoothed.
        QImage doubled = Picture(qPrintable(picture))
                             .scaled(2 * size, 2 * size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        doubled.setDevicePixelRatio(2.0);
        QCOMPARE(
            button->icon().pixmap(QSize(size, size), 2.0).toImage().convertToFormat(QImage::Format_ARGB32),
            doubled);
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }

    void startState() {
        TForm1 window(ini_);
        QVERIFY(Find<QRadioButton>(&window, "Rdojin")->isChecked());
        QVERIFY(!Find<QRadioButton>(&window, "Rdomo")->isChecked());
        QCOMPARE(Find<QLineEdit>(&window, "ledttel")->text(), QString());
        QCOMPARE(Find<QLineEdit>(&window, "ledtyou")->text(), QString());
        QCOMPARE(Find<QTreeView>(&window, "lview1")->model()->rowCount(), 0);
        auto* tree = Find<QTreeWidget>(&window, "tree1");
        QCOMPARE(tree->topLevelItemCount(), 1);
        QVERIFY(!tree->topLevelItem(0)->isExpanded());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(tree->selectedItems().isEmpty());
    }

    void tabOrder_data() {
        QTest::addColumn<bool>("fuzzy");
        QTest::addColumn<QStringList>("order");
        const QStringList rest{"ledttel", "ledtyou", "Btncha", "Btnresture", "BitBtn1", "tree1"};
        QTest::newRow("exact checked") << false << QStringList{"lview1", "Rdojin"} + rest;
        QTest::newRow("fuzzy checked") << true << QStringList{"lview1", "Rdomo"} + rest;
    }

    // Tab goes round the window; of the two radio buttons only the checked one is a stop.
    void tabOrder() {
        QFETCH(bool, fuzzy);
        QFETCH(QStringList, order);
        TForm1 window(ini_);
        if (fuzzy) Find<QRadioButton>(&window, "Rdomo")->setChecked(true);
        QCOMPARE(Find<QRadioButton>(&window, "Rdojin")->isChecked(), !fuzzy);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Find<QWidget>(&window, "tree1")->setFocus();
        QStringList seen;
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(seen, order);
    }

    void provinceTree_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("provinces");
        auto gbk = [](const char16_t* text) {
            return QByteArray::fromStdString(Gbk(QString::fromUtf16(text)));
        };
        QTest::newRow("in list order")
            << gbk(u"[lei]\nsel=south,north,east,\n") << QStringList{"south", "north", "east"};
        QTest::newRow("an empty name")
            << gbk(u"[lei]\nsel=north,,south,\n") << QStringList{"north", "", "south"};
        QTest::newRow("chinese names")
            << gbk(u"[lei]\nsel=北京,新疆维吾尔自治区,\n")
            << QStringList{QStringLiteral("北京"), QStringLiteral("新疆维吾尔自治区")};
        QTest::newRow("a byte GBK lacks") << QByteArray(
                                                 "[lei]\nsel=a\xFF"
                                                 "b,\n")
                                          << QStringList{QStringLiteral("a\uFFFDb")};
        QTest::newRow("no section lei") << gbk(u"[北京]\n东城区=010-100010\n") << QStringList{};
        QTest::newRow("no key sel") << gbk(u"[lei]\nother=north,\n") << QStringList{};
        QTest::newRow("an empty list") << gbk(u"[lei]\nsel=\n") << QStringList{};
        QTest::newRow("an empty file") << QByteArray() << QStringList{};
    }

    // The root "中国" with one child per name of the province list, in order, each with the province
    // picture whether selected or not; no message when the list is missing.
    void provinceTree() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, provinces);
        const std::string ini = dir_->Write("tesmar.ini", file.toStdString());
        BoxWatcher boxes;
        TForm1 window(ini);
        QCOMPARE(boxes.seen().count, 0);

        auto* tree = Find<QTreeWidget>(&window, "tree1");
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("中国"));
        QCOMPARE(ChildTexts(root), provinces);
        // Long names show whole: the tree scrolls sideways rather than cut them.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        root->setExpanded(true);
        const QFontMetrics metrics(tree->font());
        for (int i = 0; i < root->childCount(); ++i) {
            QTreeWidgetItem* node = root->child(i);
            const int needed = tree->visualItemRect(node).left() + tree->iconSize().width() +
                               metrics.horizontalAdvance(node->text(0));
            QVERIFY2(needed <= tree->columnWidth(0), qPrintable(QStringLiteral("%1 needs %2 of %3")
                                                                    .arg(node->text(0))
                                                                    .arg(needed)
                                                                    .arg(tree->columnWidth(0))));
        }
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected}) {
            QCOMPARE(Image(root->icon(0), mode, 16), Picture("tree_root.png"));
            for (int i = 0; i < root->childCount(); ++i) {
                QCOMPARE(Image(root->child(i)->icon(0), mode, 16), Picture("tree_province.png"));
                QCOMPARE(root->child(i)->childCount(), 0);
            }
        }
    }

    void missingFile_data() {
        QTest::addColumn<bool>("directory");
        QTest::addColumn<Qt::Key>("closeKey");
        QTest::newRow("no file, closed with Enter") << false << Qt::Key_Return;
        QTest::newRow("a directory, closed with Esc") << true << Qt::Key_Escape;
    }

    // The message before the window shows, then the program ends by itself as soon as its event loop
    // runs, with exit status 0.
    void missingFile() {
        QFETCH(bool, directory);
        QFETCH(Qt::Key, closeKey);
        const std::string ini = dir_->File("elsewhere/tesmar.ini");
        if (directory) std::filesystem::create_directories(ini);

        BoxWatcher boxes(closeKey);
        TForm1 window(ini);
        const SeenBox& box = boxes.seen();
        QCOMPARE(box.count, 1);
        QVERIFY(box.closedByKey);
        QCOMPARE(box.title, QStringLiteral("Information"));
        QCOMPARE(box.text, QStringLiteral("必须把tesmar.ini文件与主程序放在同一个目录下！"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.buttons, QStringList{"OK"});
        QVERIFY(box.okIsDefault);
        QVERIFY(box.okIsEscape);
        QCOMPARE(box.modality, Qt::ApplicationModal);
        QCOMPARE(box.otherWindows, QStringList{});
        QCOMPARE(box.centring, QString());

        auto* tree = Find<QTreeWidget>(&window, "tree1");
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->childCount(), 0);

        window.show();
        QTimer hang;
        hang.setSingleShot(true);
        connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        hang.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(boxes.seen().count, 1);
    }

private:
    std::unique_ptr<TempDir> dir_;
    std::string ini_;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
