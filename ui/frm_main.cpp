#include "ui/frm_main.h"

#include <QApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <algorithm>
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
#include "ui/report_model.h"
#include "ui/screen_centre.h"
#include "ui/song_font.h"
#include "ui_frm_main.h"

namespace telvane {

namespace {

constexpr int kRootImage = 0;
constexpr int kProvinceImage = 1;
constexpr int kEntryImage = 2;

// A province node keeps the GBK bytes of its name here; its text is only their display.
constexpr int kProvinceBytesRole = Qt::UserRole;

constexpr const char* kTitle = "Telvane";

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

// Where a press on a node selects it, as in the Windows tree without full-row select: on its picture
// or its label (the text and the margin the view leaves on either side of it), anywhere in the
// node's row height. The indent left of the picture and the row right of the label do not count.
bool OnPictureOrLabel(const QTreeWidget* tree, const QTreeWidgetItem* node, QPoint pos) {
    QStyleOptionViewItem option;
    option.initFrom(tree);
    option.rect = tree->visualItemRect(node);
    option.widget = tree;
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = node->text(0);
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.icon = node->icon(0);
    if (!option.icon.isNull()) option.features |= QStyleOptionViewItem::HasDecoration;
    option.decorationSize = tree->iconSize();
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.decorationAlignment = Qt::AlignCenter;

    const QStyle* style = tree->style();
    const QRect picture = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, tree);
    QRect label = style->subElementRect(QStyle::SE_ItemViewItemText, &option, tree);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, tree) + 1;
    label.setWidth(std::min(label.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
    const auto within = [&pos](const QRect& area) {
        return pos.x() >= area.left() && pos.x() <= area.right();
    };
    return (option.features & QStyleOptionViewItem::HasDecoration && within(picture)) || within(label);
}

// Whether pos lies on the expand button of node: the indent step just left of its picture, when the
// node has children.
bool OnExpandButton(const QTreeWidget* tree, const QTreeWidgetItem* node, QPoint pos) {
    if (node->childCount() == 0) return false;
    const QRect row = tree->visualItemRect(node);
    return pos.x() < row.left() && pos.x() >= row.left() - tree->indentation();
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

// Shows box modally for the whole application; afterwards the window that was active before is
// active again, whatever the window system does on its own.
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
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kTitle), message, QMessageBox::Ok, window);
    ShowModal(box);
}

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

    // Like the Windows tree, the province tree shows long names whole and scrolls sideways for them.
    ui->tree1->header()->setStretchLastSection(false);
    ui->tree1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    lview1Rows = new TReportModel(ImageList1[kEntryImage], this);
    ui->lview1->setModel(lview1Rows);
    CopySelectedRowOnShortcut(ui->lview1, lview1Rows);
    // An emptied list starts again at its first row. The view would keep its scroll offset until it
    // next lays itself out, and by then the handler that emptied it has filled it anew.
    connect(lview1Rows, &QAbstractItemModel::modelReset, ui->lview1, &QAbstractItemView::scrollToTop);
    QHeaderView* header = ui->lview1->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    constexpr int kColumnWidths[] = {70, 82, 80, 104};
    for (int column = 0; column < 4; ++column) ui->lview1->setColumnWidth(column, kColumnWidths[column]);

    // The checked radio button is the Tab stop of the pair, as in a Windows group.
    for (QRadioButton* radio : {ui->Rdojin, ui->Rdomo}) {
        radio->setFocusPolicy(radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        connect(radio, &QRadioButton::toggled, radio,
                [radio](bool checked) { radio->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus); });
    }

    for (const auto& [edit, bytes] : {std::pair{ui->ledttel, 8}, std::pair{ui->ledtyou, 10}}) {
        edit->setValidator(new TGbkByteLimit(bytes, edit));
        // Qt's own limit counts UTF-16 units, and a character GBK cannot hold may take two of them for
        // the one byte of its '?': at two units a byte, the validator alone decides what fits.
        edit->setMaxLength(2 * bytes);
    }
    ui->Btncha->setIcon(Picture(QStringLiteral(":/pictures/binoculars.png")));
    ui->Btnresture->setIcon(
        Picture(QStringLiteral(":/pictures/retry.png"), QStringLiteral(":/pictures/retry_disabled.png")));
    ui->BitBtn1->setIcon(
        Picture(QStringLiteral(":/pictures/help.png"), QStringLiteral(":/pictures/help_disabled.png")));

    ui->tree1->viewport()->installEventFilter(this);
    // Collapsing a node that hides the selected one selects the collapsed node, as the Windows tree
    // does, whether by the mouse or the keyboard: the next click then lists what the user sees selected.
    connect(ui->tree1, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* collapsed) {
        for (const QTreeWidgetItem* selected : ui->tree1->selectedItems()) {
            for (const QTreeWidgetItem* above = selected->parent(); above; above = above->parent()) {
                if (above == collapsed) {
                    ui->tree1->setCurrentItem(collapsed);
                    return;
                }
            }
        }
    });
    connect(ui->Btnresture, &QPushButton::clicked, this, [this] { Guarded(&TForm1::BtnrestureClick); });
    connect(ui->Btncha, &QPushButton::clicked, this, [this] { Guarded(&TForm1::BtnchaClick); });
    connect(ui->BitBtn1, &QPushButton::clicked, this, [this] { Guarded(&TForm1::BitBtn1Click); });

    Guarded(&TForm1::FormCreate);
}

TForm1::~TForm1() = default;

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui->tree1->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // Only a primary-button press on a node moves the selection, as in the Windows tree:
            // another button, or a press below the nodes (where Qt would clear the selection), leaves
            // it, and with it the province the next click lists, where it was.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return true;
            treePressed_ = true;
            // The press selects a node only on its picture or label, and toggles it on its expand
            // button; anywhere else (the indent, right of the label, below the nodes, where Qt would
            // select the row or clear the selection) it leaves the selection where it was.
            const QPoint pos = mouse->position().toPoint();
            const QTreeWidgetItem* node = ui->tree1->itemAt(pos);
            if (!node || !(OnPictureOrLabel(ui->tree1, node, pos) || OnExpandButton(ui->tree1, node, pos))) {
                return true;
            }
            break;
        }
        case QEvent::MouseMove:
            // Qt's view would drag the selection along under the pointer; the Windows tree does not.
            if (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton) return true;
            break;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return true;
            // The press has already moved the selection; the release only completes the click.
            const bool click =
                treePressed_ && ui->tree1->viewport()->rect().contains(mouse->position().toPoint());
            treePressed_ = false;
            if (click) Guarded(&TForm1::tree1Click);
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

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
