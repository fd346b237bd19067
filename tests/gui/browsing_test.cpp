// Province browsing: a click on the tree lists the selected province, read afresh from the file.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <string>
#include <utility>

#include "gui_test_support.h"
#include "ui/frm_main.h"

using namespace telvane::testing;
using telvane::TForm1;

namespace {

// 北京 holds every kind of entry, in an order no sorting would give; 中国 is a province that shares
// the root's name; 空省 has an empty section and 无节 none at all. The long last name widens the tree's
// column, so that the rows of the others reach well past their labels.
const QString kDirectory = QStringLiteral(
    "[lei]\n"
    "sel=北京,天津,中国,空省,无节,新疆维吾尔自治区,\n"
    "[北京]\n"
    "西城区=010-100032\n"
    "东城区=010-100010\n"
    "重复=1-2\n"
    "无横线=345678\n"
    "空值=\n"
    "两横线=0123-456-789\n"
    "重复=3-4\n"
    "[天津]\n"
    "和平区=022-300041\n"
    "[中国]\n"
    "某地=000-000000\n"
    "[空省]\n");

const QList<QStringList> kBeijing = Rows({
    {"北京", "西城区", "010", "100032"},
    {"北京", "东城区", "010", "100010"},
    {"北京", "重复", "1", "2"},
    {"北京", "无横线", "", "345678"},
    {"北京", "空值", "", ""},
    {"北京", "两横线", "0123", "456-789"},
    {"北京", "重复", "1", "2"},
});
const QList<QStringList> kTianjin = Rows({{"天津", "和平区", "022", "300041"}});

}  // namespace

class BrowsingTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        QVERIFY(Open(WriteIni(*dir_, kDirectory)));
        QVERIFY(root_->isExpanded());
        QCOMPARE(list_->model()->rowCount(), 0);
    }
    void cleanup() {
        window_.reset();
        dir_.reset();
    }

    // Every key of the section in file order, repeated names included, with the entry picture.
    void listsTheProvinceInFileOrder() {
        BoxWatcher boxes;
        ClickNode(tree_, Province("北京"));
        QCOMPARE(Rows(list_), kBeijing);
        const QImage entry = QImage(":/pictures/list_entry.png").convertToFormat(QImage::Format_ARGB32);
        for (int i = 0; i < list_->model()->rowCount(); ++i) {
            const QIcon icon = list_->model()->index(i, 0).data(Qt::DecorationRole).value<QIcon>();
            QCOMPARE(icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32), entry);
        }
        ClickNode(tree_, Province("中国"));
        QCOMPARE(Rows(list_), Rows({{"中国", "某地", "000", "000000"}}));
        QCOMPARE(boxes.seen().count, 0);
    }

    // Ctrl+C copies the selected row whole, as the list shows it, its fields tab-separated; the
    // selection moves as before, with the mouse or the keys, and nothing is copied without one.
    void copyShortcutCopiesTheSelectedRow() {
        ClickNode(tree_, Province("北京"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        list_->setFocus();
        QTest::keySequence(list_, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                          list_->visualRect(list_->model()->index(5, 2)).center());
        QTest::keySequence(list_, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("北京\t两横线\t0123\t456-789"));
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("text/plain"),
                 QByteArray("北京\t两横线\t0123\t456-789"));

        QTest::keyClick(list_, Qt::Key_Up);
        QTest::keySequence(list_, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("北京\t空值\t\t"));
        QCOMPARE(Rows(list_), kBeijing);
    }

    void noProvinceSelected_data() {
        QTest::addColumn<bool>("search");
        QTest::addColumn<bool>("root");
        QTest::newRow("root, after a listing") << false << true;
        QTest::newRow("root, after a search") << true << true;
        QTest::newRow("no node, after a listing") << false << false;
        QTest::newRow("no node, after a search") << true << false;
    }

    // With the root or no node selected a click leaves the list exactly as it was.
    void noProvinceSelected() {
        QFETCH(bool, search);
        QFETCH(bool, root);
        QList<QStringList> before = kTianjin;
        if (search) {
            Find<QLineEdit>(window_.get(), "ledttel")->setText("010");
            QTest::mouseClick(Find<QPushButton>(window_.get(), "Btncha"), Qt::LeftButton);
            before = Rows({{"北京", "西城区", "010", "100032"}, {"北京", "东城区", "010", "100010"}});
        } else {
            ClickNode(tree_, Province("天津"));
        }
        QCOMPARE(Rows(list_), before);
        std::filesystem::remove(ini_);  // a listing now would empty the list

        if (root) {
            ClickNode(tree_, root_);
            QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{root_});
        } else {
            tree_->clearSelection();
        }
        ClickEmptySpace(tree_);
        ClickExpandButton(tree_, root_);
        QCOMPARE(Rows(list_), before);
    }

    void pressPoints_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("selected");  // the node selected after the click
        QTest::addColumn<bool>("lists");        // whether the click lists the selected province afresh
        QTest::newRow("on 天津's label") << "label"
                                         << "天津" << true;
        QTest::newRow("on 天津's picture") << "picture"
                                           << "天津" << true;
        QTest::newRow("right of 天津's label") << "right of label"
                                               << "北京" << true;
        QTest::newRow("in 天津's indent, left of its picture") << "indent"
                                                               << "北京" << true;
        QTest::newRow("in 天津's indent, on the root's line") << "outer indent"
                                                              << "北京" << true;
        QTest::newRow("below the nodes") << "below"
                                         << "北京" << true;
        QTest::newRow("on the root's expand button") << "expand button"
                                                     << "中国" << false;
        QTest::newRow("on the root's label") << "root label"
                                             << "中国" << false;
    }

    // As in the Windows tree, a press selects a node only on its picture or label. Elsewhere the
    // selection stays, and the click lists the province still selected, read afresh; the expand
    // button folds the root, which moves the selection there, and the click lists nothing.
    void pressPoints() {
        QFETCH(QString, where);
        QFETCH(QString, selected);
        QFETCH(bool, lists);
        ClickNode(tree_, Province("北京"));
        QCOMPARE(Rows(list_), kBeijing);
        WriteIni(*dir_, QString(kDirectory).replace("西城区=010-100032", "西城区=010-100033"));
        QList<QStringList> beijingNow = kBeijing;
        beijingNow[0][3] = QStringLiteral("100033");

        QTreeWidgetItem* tianjin = Province("天津");
        const QRect row = tree_->visualItemRect(tianjin);
        const QRect picture = DrawnPicture(tianjin);
        QVERIFY2(picture.isValid(), "天津's picture not found in the tree");
        const auto [labelLeft, labelRight] = LabelInk(tianjin, picture);
        QCOMPARE_GT(labelLeft, picture.right());
        const int y = row.center().y();
        QPoint point;
        if (where == "label") {
            point = QPoint((labelLeft + labelRight) / 2, y);
        } else if (where == "picture") {
            point = picture.center();
        } else if (where == "right of label") {
            point = QPoint(labelRight + 8, y);
            QCOMPARE(tree_->itemAt(point), tianjin);  // still in 天津's row
        } else if (where == "indent") {
            point = QPoint(picture.left() - 6, y);
            QCOMPARE_GE(point.x(), row.left() - tree_->indentation());
        } else if (where == "outer indent") {
            point = QPoint(row.left() - tree_->indentation() - 8, y);
            QCOMPARE_GE(point.x(), 0);
        } else if (where == "below") {
            point = QPoint(picture.center().x(), tree_->viewport()->height() - 4);
            QCOMPARE(tree_->itemAt(point), nullptr);
        } else if (where == "expand button") {
            point = QPoint(tree_->visualItemRect(root_).left() - tree_->indentation() / 2,
                           tree_->visualItemRect(root_).center().y());
        } else {
            point = LabelCentre(tree_, root_);
        }
        QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, point);

        QTreeWidgetItem* expected = selected == "中国" ? root_ : Province(qPrintable(selected));
        QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{expected});
        QCOMPARE(root_->isExpanded(), where != "expand button");
        if (!lists) {
            QCOMPARE(Rows(list_), kBeijing);
        } else {
            QCOMPARE(Rows(list_), selected == "天津" ? kTianjin : beijingNow);
        }
    }

    void foldingTheRootSelectsIt_data() {
        QTest::addColumn<bool>("keyboard");
        QTest::newRow("by the keyboard") << true;
        QTest::newRow("by the view's own call") << false;
    }

    // However the root is folded while a province is selected, the root becomes the selection, and
    // the next click lists nothing.
    void foldingTheRootSelectsIt() {
        QFETCH(bool, keyboard);
        ClickNode(tree_, Province("天津"));
        QCOMPARE(Rows(list_), kTianjin);
        if (keyboard) {
            tree_->setFocus();
            QTest::keyClick(tree_, Qt::Key_Left);  // to the root
            QTest::keyClick(tree_, Qt::Key_Left);  // folds it
        } else {
            tree_->collapseItem(root_);
        }
        QVERIFY(!root_->isExpanded());
        QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{root_});

        std::filesystem::remove(ini_);  // a listing now would empty the list
        ClickEmptySpace(tree_);
        QCOMPARE(Rows(list_), kTianjin);
        ClickExpandButton(tree_, root_);
        QVERIFY(root_->isExpanded());
        QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{root_});
        QCOMPARE(Rows(list_), kTianjin);
    }

    // Moving the selection or folding the tree with the keyboard lists nothing; the next click lists
    // the province then selected.
    void keyboardMovesChangeNothing() {
        ClickNode(tree_, Province("北京"));
        tree_->setFocus();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_Left,
                            Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Space, Qt::Key_Return}) {
            QTest::keyClick(tree_, key);
            QCOMPARE(Rows(list_), kBeijing);
        }
        QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{Province("天津")});

        ClickEmptySpace(tree_);
        QCOMPARE(Rows(list_), kTianjin);
    }

    void otherClicksChangeNothing_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("secondary button") << 0;
        QTest::newRow("middle button") << 1;
        QTest::newRow("released outside the tree") << 2;
        QTest::newRow("pressed right of a label, dragged onto another") << 3;
    }

    // Only a primary-button click pressed and released over the tree lists; the others neither list
    // nor move the selection.
    void otherClicksChangeNothing() {
        QFETCH(int, kind);
        QTreeWidgetItem* beijing = Province("北京");
        ClickNode(tree_, beijing);
        QTreeWidgetItem* tianjin = Province("天津");
        const QPoint onTianjin = LabelCentre(tree_, tianjin);
        switch (kind) {
            case 0:
                ClickNode(tree_, tianjin, Qt::RightButton);
                break;
            case 1:
                ClickNode(tree_, tianjin, Qt::MiddleButton);
                break;
            case 2:
                QTest::mousePress(tree_->viewport(), Qt::LeftButton, {}, onTianjin);
                QTest::mouseRelease(tree_->viewport(), Qt::LeftButton, {}, QPoint(-20, onTianjin.y()));
                break;
            default: {
                const QPoint rightOfTianjin(onTianjin.x() + 40, onTianjin.y());
                const QPoint onChina = LabelCentre(tree_, Province("中国"));
                QCOMPARE(tree_->itemAt(rightOfTianjin), tianjin);
                QTest::mousePress(tree_->viewport(), Qt::LeftButton, {}, rightOfTianjin);
                for (int step = 1; step <= 4; ++step) {
                    QTest::mouseMove(tree_->viewport(),
                                     rightOfTianjin + (onChina - rightOfTianjin) * step / 4);
                }
                QTest::mouseRelease(tree_->viewport(), Qt::LeftButton, {}, onChina);
                break;
            }
        }
        QCOMPARE(Rows(list_), kBeijing);
        if (kind != 2) QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{beijing});
    }

    void fileChangesShowAtTheNextClick_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("a value edited")
            << "和平区=022-300041"
            << "和平区=022-300099\n河西区=022-300202"
            << Rows({{"天津", "和平区", "022", "300099"}, {"天津", "河西区", "022", "300202"}});
        QTest::newRow("the section emptied") << "和平区=022-300041"
                                             << "" << Rows({});
        QTest::newRow("the section renamed") << "[天津]"
                                             << "[天津市]" << Rows({});
        QTest::newRow("the province list changed") << "sel=北京,天津,"
                                                   << "sel=天津,北京," << kTianjin;
    }

    // The sections are read at every click, also of the province already selected; the tree keeps
    // the province list read at start-up.
    void fileChangesShowAtTheNextClick() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QList<QStringList>, rows);
        QTreeWidgetItem* tianjin = Province("天津");
        ClickNode(tree_, tianjin);
        QCOMPARE(Rows(list_), kTianjin);
        QString changed = kDirectory;
        changed.replace(from, to);
        QCOMPARE_NE(changed, kDirectory);
        WriteIni(*dir_, changed);

        ClickNode(tree_, tianjin);
        QCOMPARE(Rows(list_), rows);
        QCOMPARE(root_->child(0)->text(0), QStringLiteral("北京"));
    }

    void provinceWithoutRows_data() {
        QTest::addColumn<QString>("province");
        QTest::addColumn<bool>("deleteFile");
        QTest::newRow("an empty section") << "空省" << false;
        QTest::newRow("no section") << "无节" << false;
        QTest::newRow("the file deleted") << "北京" << true;
    }

    // The list is emptied and stays empty, without a message.
    void provinceWithoutRows() {
        QFETCH(QString, province);
        QFETCH(bool, deleteFile);
        ClickNode(tree_, Province("天津"));
        QCOMPARE(Rows(list_), kTianjin);
        if (deleteFile) std::filesystem::remove(ini_);
        BoxWatcher boxes;
        ClickNode(tree_, Province(qPrintable(province)));
        QCOMPARE(Rows(list_), Rows({}));
        QTest::qWait(20);
        QCOMPARE(boxes.seen().count, 0);
    }

    // A name GBK cannot decode shows with a replacement character, and its section is still found:
    // the node keeps the file's bytes, which no re-encoding of the shown text would give back.
    void provinceNameWithBytesGbkLacks() {
        const std::string file =
            "[lei]\nsel=a\xFF"
            "b,\n[a\xFF"
            "b]\nk\xFF=1\xFF"
            "-2\n";
        QVERIFY(Open(dir_->Write("tesmar.ini", file)));

        ClickNode(tree_, Province("a\uFFFDb"));
        QCOMPARE(Rows(list_), Rows({{"a\uFFFDb", "k\uFFFD", "1\uFFFD", "2"}}));
    }

    void newListingShowsItsFirstRow_data() {
        QTest::addColumn<QString>("first");  // what fills the list, which is then scrolled to its end
        QTest::addColumn<QString>("then");   // what fills it again
        QTest::newRow("another province") << "长甲"
                                          << "长乙";
        QTest::newRow("the same province") << "长甲"
                                           << "长甲";
        QTest::newRow("a search after a listing") << "长甲"
                                                  << "search";
        QTest::newRow("a search after a search") << "search"
                                                 << "search";
        QTest::newRow("a listing after a search") << "search"
                                                  << "长乙";
    }

    // A list filled anew shows its first row at the top, however far down the user had scrolled the
    // last one.
    void newListingShowsItsFirstRow() {
        QFETCH(QString, first);
        QFETCH(QString, then);
        QString file = QStringLiteral("[lei]\nsel=长甲,长乙,\n");
        for (const QString& province : {QStringLiteral("长甲"), QStringLiteral("长乙")}) {
            file += "[" + province + "]\n";
            for (int i = 0; i < 60; ++i)
                file += QStringLiteral("%1%2=010-1000%2\n").arg(province).arg(i, 2, 10, QChar(u'0'));
        }
        QVERIFY(Open(WriteIni(*dir_, file)));
        Find<QLineEdit>(window_.get(), "ledttel")->setText("010");
        const auto fill = [this](const QString& what) {
            if (what == "search") {
                QTest::mouseClick(Find<QPushButton>(window_.get(), "Btncha"), Qt::LeftButton);
            } else {
                ClickNode(tree_, Province(qPrintable(what)));
            }
            QCoreApplication::processEvents();  // the view lays the new rows out
        };
        // The row at the top of the list, as the user sees it.
        const auto topRow = [this] {
            const QModelIndex top = list_->indexAt(QPoint(1, 1));
            return top.data().toString() + " " + top.siblingAtColumn(1).data().toString();
        };

        fill(first);
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                          list_->visualRect(list_->model()->index(0, 1)).center());
        QTest::keyClick(list_, Qt::Key_End);
        QCoreApplication::processEvents();
        const QModelIndex last = list_->model()->index(list_->model()->rowCount() - 1, 0);
        QVERIFY(list_->viewport()->rect().contains(list_->visualRect(last)));
        QVERIFY(list_->visualRect(list_->model()->index(0, 0)).bottom() < 0);

        fill(then);
        const QString firstRow = then == "search" ? QStringLiteral("长甲 长甲00") : then + " " + then + "00";
        QCOMPARE(topRow(), firstRow);
        QCOMPARE(list_->visualRect(list_->model()->index(0, 0)).top(), 0);
    }

private:
    // Opens a window (in place of one already open) on the data file at ini, with the root expanded.
    bool Open(std::string ini) {
        window_.reset();
        ini_ = std::move(ini);
        window_ = std::make_unique<TForm1>(ini_);
        window_->show();
        if (!QTest::qWaitForWindowActive(window_.get())) return false;
        tree_ = Find<QTreeWidget>(window_.get(), "tree1");
        list_ = Find<QTreeView>(window_.get(), "lview1");
        root_ = tree_->topLevelItem(0);
        ClickExpandButton(tree_, root_);
        return true;
    }

    // Where node's picture is drawn: the place in a grab of the tree that shows the picture over the
    // view's background. Invalid when it is nowhere in the node's row.
    QRect DrawnPicture(QTreeWidgetItem* node) const {
        const QImage view = tree_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QSize size = tree_->iconSize();
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(tree_->palette().color(QPalette::Base));
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, node->icon(0).pixmap(size));
        painter.end();
        const QRect row = tree_->visualItemRect(node);
        for (int y = row.top(); y + size.height() <= row.bottom() + 1; ++y) {
            for (int x = 0; x + size.width() <= row.right() + 1; ++x) {
                if (view.copy(QRect(QPoint(x, y), size)) == picture) return QRect(QPoint(x, y), size);
            }
        }
        return QRect();
    }

    // The first and last columns of the ink of node's text, right of its picture.
    std::pair<int, int> LabelInk(QTreeWidgetItem* node, const QRect& picture) const {
        const QImage view = tree_->viewport()->grab().toImage();
        const QRect row = tree_->visualItemRect(node);
        int left = -1, right = -1;
        for (int x = picture.right() + 1; x <= std::min(row.right(), view.width() - 1); ++x) {
            for (int y = row.top(); y <= row.bottom(); ++y) {
                if (qGray(view.pixel(x, y)) < 128) {
                    if (left < 0) left = x;
                    right = x;
                    break;
                }
            }
        }
        return {left, right};
    }

    QTreeWidgetItem* Province(const char* utf8) const {
        const QString name = QString::fromUtf8(utf8);
        for (int i = 0; i < root_->childCount(); ++i) {
            if (root_->child(i)->text(0) == name) return root_->child(i);
        }
        qFatal("no province %s", utf8);
    }

    std::unique_ptr<TempDir> dir_;
    std::string ini_;
    std::unique_ptr<TForm1> window_;
    QTreeWidget* tree_ = nullptr;
    QTreeView* list_ = nullptr;
    QTreeWidgetItem* root_ = nullptr;
};

QTEST_MAIN(BrowsingTest)
#include "browsing_test.moc"
