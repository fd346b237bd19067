#include "ui/frm_main.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "directory/directory.h"
#include "lookup/lookup.h"
#include "ui/Unit2.h"
#include "ui/byte_limit.h"
#include "ui/form_style.h"
#include "ui/gbk_text.h"
#include "ui/message_boxes.h"
#include "ui/report_model.h"
#include "ui/row_copy.h"
#include "ui/screen_centre.h"
#include "ui/song_font.h"
#include "ui/tree_clicks.h"
#include "ui_frm_main.h"

namespace telvane {

namespace {

constexpr int kRootImage = 0;
constexpr int kProvinceImage = 1;
constexpr int kEntryImage = 2;

// A province node keeps the GBK bytes of its name here; its text is only their display.
constexpr int kProvinceBytesRole = Qt::UserRole;

// One picture for every state: a selected node or item shows the same image as an unselected one.
// Each picture also comes doubled pixel for pixel, for screens at twice the density: Qt would
// otherwise scale it up smoothly, and the pixel drawing would blur.
QIcon Picture(const QString& normal, const QString& disabled = QString()) {
    QIcon icon;
    auto add = [&icon](const QPixmap& pixmap, QIcon::Mode mode) {
        icon.addPixmap(pixmap, mode);
        QPixmap doubled = pixmap.scaled(pixmap.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        doubled.setDevicePixelRatio(2.0);
        icon.addPixmap(doubled, mode);
    };
    const QPixmap pixmap(normal);
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected, QIcon::Active}) add(pixmap, mode);
    if (!disabled.isEmpty()) add(QPixmap(disabled), QIcon::Disabled);
    return icon;
}

// The style is shared by every main window and must outlive their controls.
QStyle* FormStyle() {
    static QStyle* style = [] {
        auto* created = new TFormStyle;
        created->setParent(qApp);
        return created;
    }();
    return style;
}

std::string ProvinceBytes(const QTreeWidgetItem* node) {
    const QByteArray bytes = node->data(0, kProvinceBytesRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The checked radio button of a group is its Tab stop, as in a Windows group.
void TabStopWhenChecked(QRadioButton* radio) {
    radio->setFocusPolicy(radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    QObject::connect(radio, &QRadioButton::toggled, radio, [radio](bool checked) {
        radio->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
    });
}

// Limits the text of edit to bytes GBK bytes (TGbkByteLimit).
void LimitToGbkBytes(QLineEdit* edit, int bytes) {
    edit->setValidator(new TGbkByteLimit(static_cast<std::size_t>(bytes), edit));
    // Qt's own limit counts UTF-16 units, and a character GBK cannot hold may take two of them for the
    // one byte of its '?': at two units a byte, the validator alone decides what fits.
    edit->setMaxLength(2 * bytes);
}

// Empties the list, then appends the rows handed to it; the view learns of the rows in batches and of
// the last ones when the filling ends, also when a failure ends it early.
class ListFilling {
public:
    explicit ListFilling(TReportModel& list) : list_(list) { list_.Clear(); }
    ~ListFilling() {
        try {
            list_.Flush();
        } catch (...) {
            // Out of memory while telling the view: the rows stay unseen until the next filling.
        }
    }
    ListFilling(const ListFilling&) = delete;
    ListFilling& operator=(const ListFilling&) = delete;

    void operator()(const RowView& row) { list_.Append(row); }

private:
    TReportModel& list_;
};

}  // namespace

TForm1::TForm1(QWidget* parent) : TForm1(ResolveIniPath(), parent) {}

TForm1::TForm1(std::string iniPath, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), IniPath(std::move(iniPath)) {
    // The font comes first, so that the controls are laid out in it from the start.
    setFont(SongFont(12));
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(490, 323);
    // Where it was laid out, as far as the screen allows: on a small screen, or at a large scale, the
    // whole window is moved onto it.
    PlaceOnScreen(this, QPoint(192, 107));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/telvane.png")));
    // Only the controls the style changes get it: a new style makes a view lay itself out again.
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui->tree1, ui->GroupBox1, ui->Rdojin, ui->Rdomo, ui->ledttelLabel,
                                         ui->ledtyouLabel, ui->Btncha, ui->Btnresture, ui->BitBtn1}) {
        control->setStyle(FormStyle());
    }
    ImageList1 = {Picture(QStringLiteral(":/pictures/tree_root.png")),
                  Picture(QStringLiteral(":/pictures/tree_province.png")),
                  Picture(QStringLiteral(":/pictures/list_entry.png"))};

    // tree1: like the Windows tree, it shows long names whole and scrolls sideways for them, and
    // answers the mouse as the Windows tree does (TTreeClicks).
    ui->tree1->header()->setStretchLastSection(false);
    ui->tree1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(new TTreeClicks(ui->tree1), &TTreeClicks::clicked, this,
            [this] { Guarded(&TForm1::tree1Click); });

    // lview1: the four columns, which do not respond to clicks, and Ctrl+C for the selected row.
    lview1Rows = new TReportModel(ImageList1[kEntryImage], this);
    ui->lview1->setModel(lview1Rows);
    new TRowCopy(ui->lview1, lview1Rows);
    // An emptied list starts again at its first row. The view would keep its scroll offset until it
    // next lays itself out, and by then the handler that emptied it has filled it anew.
    connect(lview1Rows, &QAbstractItemModel::modelReset, ui->lview1, &QAbstractItemView::scrollToTop);
    QHeaderView* header = ui->lview1->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    constexpr int kColumnWidths[] = {70, 82, 80, 104};
    for (int column = 0; column < 4; ++column) ui->lview1->setColumnWidth(column, kColumnWidths[column]);

    // The search panel and the about button.
    TabStopWhenChecked(ui->Rdojin);
    TabStopWhenChecked(ui->Rdomo);
    LimitToGbkBytes(ui->ledttel, 8);
    LimitToGbkBytes(ui->ledtyou, 10);
    ui->Btncha->setIcon(Picture(QStringLiteral(":/pictures/binoculars.png")));
    ui->Btnresture->setIcon(
        Picture(QStringLiteral(":/pictures/retry.png"), QStringLiteral(":/pictures/retry_disabled.png")));
    ui->BitBtn1->setIcon(
        Picture(QStringLiteral(":/pictures/help.png"), QStringLiteral(":/pictures/help_disabled.png")));
    connect(ui->Btnresture, &QPushButton::clicked, this, [this] { Guarded(&TForm1::BtnrestureClick); });
    connect(ui->Btncha, &QPushButton::clicked, this, [this] { Guarded(&TForm1::BtnchaClick); });
    connect(ui->BitBtn1, &QPushButton::clicked, this, [this] { Guarded(&TForm1::BitBtn1Click); });

    Guarded(&TForm1::FormCreate);
}

TForm1::~TForm1() = default;

void TForm1::Guarded(void (TForm1::*handler)()) {
    QString message;
    try {
        (this->*handler)();
        return;
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("Out of memory.");
    } catch (const std::exception& error) {
        message = QString::fromLocal8Bit(error.what());
    } catch (...) {
        message = QStringLiteral("Unknown error.");
    }
    try {
        ShowHandlerError(this, message);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

void TForm1::FormCreate() {
    if (!CheckDataFile(IniPath).IsFile()) {
        ShowMissingFileMessage();
        // Quits as soon as the event loop runs; the tree is still filled, from a file that is not there.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

    auto* root = new QTreeWidgetItem(ui->tree1, {QStringLiteral("中国")});
    root->setIcon(0, ImageList1[kRootImage]);

    IniReader reader(IniPath);
    for (const std::string& name : ReadProvinceList(reader)) {
        auto* province = new QTreeWidgetItem(root, {FromGbk(name)});
        province->setIcon(0, ImageList1[kProvinceImage]);
        province->setData(0, kProvinceBytesRole,
                          QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
}

void TForm1::tree1Click() {
    const QList<QTreeWidgetItem*> selected = ui->tree1->selectedItems();
    if (selected.isEmpty()) return;
    const QTreeWidgetItem* node = selected.first();
    if (node == ui->tree1->topLevelItem(0)) return;

    ListFilling filling(*lview1Rows);
    ListProvince(ProvinceBytes(node), IniPath, [&](const RowView& row) { filling(row); });
}

void TForm1::BtnrestureClick() {
    ui->ledttel->setText(QString());
    ui->ledtyou->setText(QString());
    ui->ledttel->setFocus(Qt::OtherFocusReason);
}

void TForm1::BtnchaClick() {
    // The validators keep the edits within GBK, so the encodings do not fail.
    SearchCriteria criteria;
    criteria.areaCode = ToGbk(ui->ledttel->text()).value_or(std::string());
    criteria.postcode = ToGbk(ui->ledtyou->text()).value_or(std::string());
    criteria.mode = ui->Rdojin->isChecked() ? mmExact : mmFuzzy;
    if (FilledCount(criteria) == 0) {
        ShowNoCriteriaMessage(this);
        return;
    }

    ListFilling filling(*lview1Rows);
    std::vector<std::string> provinces;
    if (const QTreeWidgetItem* root = ui->tree1->topLevelItem(0)) {
        for (int i = 0; i < root->childCount(); ++i) provinces.push_back(ProvinceBytes(root->child(i)));
    }
    SearchDirectory(criteria, provinces, IniPath, [&](const RowView& row) { filling(row); });
}

void TForm1::BitBtn1Click() {
    TForm2 dialog(this);
    dialog.exec();
}

}  // namespace telvane
