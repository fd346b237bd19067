// The search panel: criteria from the edits and the radio buttons, the search over every province,
// the refusal of a search without criteria, the reset, and the byte limits of the edits.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include "gui_test_support.h"
#include "ui/frm_main.h"

using namespace telvane::testing;
using telvane::TForm1;

namespace {

// 上海 comes before 天津 in the province list, after it in the file: rows follow the list. 西区 is
// in no province of the list. 空格区 holds blanks inside both fields.
const QString kDirectory = QStringLiteral(
    "[lei]\n"
    "sel=北京,上海,天津,\n"
    "[天津]\n"
    "和平区=022-300041\n"
    "塘沽区=022-300450\n"
    "[北京]\n"
    "东城区=010-100010\n"
    "通州区=010-101149\n"
    "空格区=01 0-10 0\n"
    "无区号=100010\n"
    "特区=甲乙-丙丁\n"
    "[上海]\n"
    "黄浦区=021-200001\n"
    "[西区]\n"
    "西城=010-100010\n");

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        ini_ = WriteIni(*dir_, kDirectory);
        window_ = std::make_unique<TForm1>(ini_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        list_ = Find<QTreeView>(window_.get(), "lview1");
        tel_ = Find<QLineEdit>(window_.get(), "ledttel");
        you_ = Find<QLineEdit>(window_.get(), "ledtyou");
        exact_ = Find<QRadioButton>(window_.get(), "Rdojin");
        fuzzy_ = Find<QRadioButton>(window_.get(), "Rdomo");
    }
    void cleanup() {
        window_.reset();
        dir_.reset();
    }

    void search_data() {
        QTest::addColumn<QString>("tel");
        QTest::addColumn<QString>("you");
        QTest::addColumn<bool>("fuzzy");
        QTest::addColumn<QList<QStringList>>("rows");
        const QStringList dongcheng{"北京", "东城区", "010", "100010"};
        const QStringList tongzhou{"北京", "通州区", "010", "101149"};
        const QStringList blanks{"北京", "空格区", "01 0", "10 0"};
        const QStringList noCode{"北京", "无区号", "", "100010"};
        const QStringList special{"北京", "特区", "甲乙", "丙丁"};
        const QStringList huangpu{"上海", "黄浦区", "021", "200001"};
        const QStringList heping{"天津", "和平区", "022", "300041"};
        const QStringList tanggu{"天津", "塘沽区", "022", "300450"};
        QTest::newRow("exact area code") << "010"
                                         << "" << false << Rows({dongcheng, tongzhou});
        QTest::newRow("exact area code, not a part") << "10"
                                                     << "" << false << Rows({});
        QTest::newRow("exact postcode, empty area code") << ""
                                                         << "100010" << false << Rows({dongcheng, noCode});
        QTest::newRow("exact, both met") << "010"
                                         << "100010" << false << Rows({dongcheng});
        QTest::newRow("exact, one of two met") << "022"
                                               << "100010" << false << Rows({});
        QTest::newRow("fuzzy area code, in province order") << "2"
                                                            << "" << true << Rows({huangpu, heping, tanggu});
        QTest::newRow("fuzzy postcode") << ""
                                        << "0001" << true << Rows({dongcheng, noCode, huangpu});
        QTest::newRow("fuzzy, both met") << "02"
                                         << "45" << true << Rows({tanggu});
        QTest::newRow("blanks, exact") << " "
                                       << "" << false << Rows({});
        QTest::newRow("blanks, fuzzy") << " "
                                       << "" << true << Rows({blanks});
        QTest::newRow("blanks, exact, both") << "01 0"
                                             << "10 0" << false << Rows({blanks});
        QTest::newRow("chinese, matched as GBK bytes") << "乙"
                                                       << "" << true << Rows({special});
        QTest::newRow("nothing found") << "999"
                                       << "" << true << Rows({});
    }

    // The rows of every listed province, in list order then file order, replacing what the list
    // showed; no message, whether rows are found or not.
    void search() {
        QFETCH(QString, tel);
        QFETCH(QString, you);
        QFETCH(bool, fuzzy);
        QFETCH(QList<QStringList>, rows);
        ListTianjin();
        Type(tel_, tel);
        Type(you_, you);
        QTest::mouseClick(fuzzy ? fuzzy_ : exact_, Qt::LeftButton);
        QCOMPARE(fuzzy_->isChecked(), fuzzy);

        BoxWatcher boxes;
        Search();
        QCOMPARE(Rows(list_), rows);
        QCOMPARE(boxes.seen().count, 0);
        QCOMPARE(tel_->text(), tel);
        QCOMPARE(you_->text(), you);
    }

    // A search far larger than the national directory: every row, in order, however the list keeps
    // and shows them in parts. Five provinces with 4,095 keys each, as many as a key list holds.
    void searchOfTwentyThousandRows() {
        QString file = QStringLiteral("[lei]\nsel=p0,p1,p2,p3,p4,\n");
        QList<QStringList> expected;
        for (int p = 0; p < 5; ++p) {
            const QString province = QStringLiteral("p%1").arg(p);
            file += QStringLiteral("[%1]\n").arg(province);
            for (int k = 0; k < 4095; ++k) {
                const QString key = QStringLiteral("%1").arg(k, 3, 16, QChar(u'0'));
                const QString area = QStringLiteral("0%1").arg(p * 4095 + k, 7, 10, QChar(u'0'));
                const QString postcode = QStringLiteral("%1").arg(k * 7, 10, 10, QChar(u'0'));
                file += key + u'=' + area + u'-' + postcode + u'\n';
                expected << QStringList{province, key, area, postcode};
            }
        }
        WriteIni(*dir_, file);
        window_ = std::make_unique<TForm1>(ini_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        list_ = Find<QTreeView>(window_.get(), "lview1");
        Find<QLineEdit>(window_.get(), "ledttel")->setText("0");
        QTest::mouseClick(Find<QRadioButton>(window_.get(), "Rdomo"), Qt::LeftButton);
        Search();
        QCOMPARE(Rows(list_), expected);
        list_->scrollToBottom();
        QCOMPARE_GT(list_->verticalScrollBar()->value(), 20000);
        const QRect last = list_->visualRect(list_->model()->index(20474, 3));
        QVERIFY(list_->viewport()->rect().contains(last.center()));
    }

    void noCriteria_data() {
        QTest::addColumn<bool>("afterSearch");
        QTest::addColumn<Qt::Key>("closeKey");
        QTest::newRow("after a listing, closed with Enter") << false << Qt::Key_Return;
        QTest::newRow("after a search, closed with Esc") << true << Qt::Key_Escape;
    }

    // Both edits empty: the box, modal for the application, and the list keeps what it showed.
    void noCriteria() {
        QFETCH(bool, afterSearch);
        QFETCH(Qt::Key, closeKey);
        ListTianjin();
        QList<QStringList> before = Rows(list_);
        if (afterSearch) {
            tel_->setText("021");
            Search();
            before = Rows({{"上海", "黄浦区", "021", "200001"}});
            QCOMPARE(Rows(list_), before);
            tel_->clear();
        }

        BoxWatcher boxes(closeKey);
        Search();
        const SeenBox& box = boxes.seen();
        QCOMPARE(box.count, 1);
        QVERIFY(box.closedByKey);
        QCOMPARE(box.title, QStringLiteral("查询"));
        QCOMPARE(box.text, QStringLiteral("至少必须指定一个查询参数!"));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QStringList{"OK"});
        QCOMPARE(box.modality, Qt::ApplicationModal);
        QCOMPARE(Rows(list_), before);
        QTRY_COMPARE(QApplication::activeWindow(), window_.get());
    }

    void reset_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("focus on the postcode") << "ledtyou";
        QTest::newRow("focus on a radio button") << "Rdomo";
        QTest::newRow("focus on the list") << "lview1";
    }

    // Both edits emptied and the focus on the area-code edit; the mode and the list stay.
    void reset() {
        QFETCH(QString, focus);
        tel_->setText("02");
        you_->setText("45");
        QTest::mouseClick(fuzzy_, Qt::LeftButton);
        Search();
        const QList<QStringList> found = Rows(list_);
        QCOMPARE(found.size(), 1);
        Find<QWidget>(window_.get(), qPrintable(focus))->setFocus();

        QTest::mouseClick(Find<QPushButton>(window_.get(), "Btnresture"), Qt::LeftButton);
        QCOMPARE(tel_->text(), QString());
        QCOMPARE(you_->text(), QString());
        QCOMPARE(QApplication::focusWidget(), tel_);
        QVERIFY(fuzzy_->isChecked());
        QCOMPARE(Rows(list_), found);
    }

    // Choosing a mode does nothing until the next search.
    void modeTakesEffectAtTheNextSearch() {
        tel_->setText("01");
        QTest::mouseClick(fuzzy_, Qt::LeftButton);
        Search();
        const QList<QStringList> fuzzyRows = Rows(list_);
        QCOMPARE(fuzzyRows.size(), 3);
        QTest::mouseClick(exact_, Qt::LeftButton);
        QVERIFY(!fuzzy_->isChecked());
        QCOMPARE(Rows(list_), fuzzyRows);
        Search();
        QCOMPARE(Rows(list_), Rows({}));
    }

    // Enter and Esc in the edits press neither button.
    void enterAndEscPressNoButton() {
        ListTianjin();
        const QList<QStringList> before = Rows(list_);
        BoxWatcher boxes;
        tel_->setFocus();
        Type(tel_, "010");
        QTest::keyClick(tel_, Qt::Key_Return);
        QTest::keyClick(tel_, Qt::Key_Enter);
        QTest::keyClick(tel_, Qt::Key_Escape);
        QTest::qWait(20);
        QCOMPARE(Rows(list_), before);
        QCOMPARE(tel_->text(), QStringLiteral("010"));
        you_->setFocus();
        QTest::keyClick(you_, Qt::Key_Return);
        QTest::qWait(20);
        QCOMPARE(boxes.seen().count, 0);
    }

    void byteLimits_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("after");
        QTest::newRow("area code, digits typed") << "ledttel"
                                                 << "" << 0 << "0123456789"
                                                 << ""
                                                 << "01234567";
        QTest::newRow("postcode, digits typed") << "ledtyou"
                                                << "" << 0 << "0123456789AB"
                                                << ""
                                                << "0123456789";
        QTest::newRow("chinese typed, two bytes each") << "ledttel"
                                                       << "" << 0 << "北京天津上海"
                                                       << ""
                                                       << "北京天津";
        QTest::newRow("a character straddling the limit") << "ledttel"
                                                          << "" << 0 << "1北京天津"
                                                          << ""
                                                          << "1北京天";
        QTest::newRow("typed into the middle of a full edit") << "ledtyou"
                                                              << "0123456789" << 5 << "x"
                                                              << ""
                                                              << "0123456789";
        QTest::newRow("a character GBK lacks, typed") << "ledtyou"
                                                      << "" << 0 << "1ก2"
                                                      << ""
                                                      << "1?2";
        QTest::newRow("a paste cut to what fits") << "ledttel"
                                                  << "" << 0 << ""
                                                  << "1234北京5678"
                                                  << "1234北京";
        QTest::newRow("a paste between two digits") << "ledttel"
                                                    << "12" << 1 << ""
                                                    << "abcdefgh"
                                                    << "1abcdef2";
        QTest::newRow("a paste cut before a straddling character") << "ledtyou"
                                                                   << "123" << 3 << ""
                                                                   << "北京天津"
                                                                   << "123北京天";
        QTest::newRow("a paste holding a character GBK lacks") << "ledtyou"
                                                               << "12" << 2 << ""
                                                               << "34ก5"
                                                               << "1234?5";
        QTest::newRow("a Korean letter pasted") << "ledttel"
                                                << "" << 0 << ""
                                                << "한1"
                                                << "?1";
        QTest::newRow("emoji pasted, a byte each, then cut") << "ledttel"
                                                             << "" << 0 << ""
                                                             << "😀😀12345678"
                                                             << "??123456";
    }

    // The edits hold at most 8 and 10 GBK bytes; a character GBK cannot hold comes in as '?', one
    // byte, as through the code page of the original program.
    void byteLimits() {
        QFETCH(QString, edit);
        QFETCH(QString, before);
        QFETCH(int, cursor);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        auto* line = Find<QLineEdit>(window_.get(), qPrintable(edit));
        line->setFocus();
        line->setText(before);
        line->setCursorPosition(cursor);
        Type(line, typed);
        if (!pasted.isEmpty()) {
            QGuiApplication::clipboard()->setText(pasted);
            QCOMPARE(QGuiApplication::clipboard()->text(), pasted);
            QTest::keySequence(line, QKeySequence::Paste);
        }
        QCOMPARE(line->text(), after);
    }

private:
    void Search() { QTest::mouseClick(Find<QPushButton>(window_.get(), "Btncha"), Qt::LeftButton); }

    void ListTianjin() {
        auto* tree = Find<QTreeWidget>(window_.get(), "tree1");
        QTreeWidgetItem* root = tree->topLevelItem(0);
        root->setExpanded(true);
        ClickNode(tree, root->child(2));
        QCOMPARE(Rows(list_),
                 Rows({{"天津", "和平区", "022", "300041"}, {"天津", "塘沽区", "022", "300450"}}));
    }

    std::unique_ptr<TempDir> dir_;
    std::string ini_;
    std::unique_ptr<TForm1> window_;
    QTreeView* list_ = nullptr;
    QLineEdit* tel_ = nullptr;
    QLineEdit* you_ = nullptr;
    QRadioButton* exact_ = nullptr;
    QRadioButton* fuzzy_ = nullptr;
};

QTEST_MAIN(SearchTest)
#include "search_test.moc"
