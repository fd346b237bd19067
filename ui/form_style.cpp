#include "ui/form_style.h"

#include <QCommonStyle>
#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOption>
#include <QVariant>
#include <QWidget>
#include <algorithm>

#include "ui/song_font.h"

namespace telvane {

namespace {

// The radio button of the Windows controls: a 13-pixel circle, 4 pixels before its text.
constexpr int kRadioIndicator = 13;
constexpr int kRadioSpacing = 4;
constexpr int kDefaultIconSpacing = 4;

}  // namespace

// The Windows style draws a tree's branches the way the Windows tree control does.
TFormStyle::TFormStyle() : treeLines_(QStyleFactory::create(QStringLiteral("Windows"))) {}

TFormStyle::~TFormStyle() = default;

int TFormStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    switch (metric) {
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
            return kRadioIndicator;
        case PM_RadioButtonLabelSpacing:
            return kRadioSpacing;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int TFormStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const {
    // The tree's click handler runs when the button comes up, and must find the selection that folding
    // a node has moved already.
    if (hint == SH_ListViewExpand_SelectMouseType) return QEvent::MouseButtonPress;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void TFormStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
    if (element == PE_IndicatorBranch && treeLines_) {
        treeLines_->drawPrimitive(element, option, painter, widget);
        return;
    }
    if (element == PE_FrameGroupBox) {
        painter->save();
        painter->setPen(option->palette.color(QPalette::Dark));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TFormStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_PushButtonLabel || !button || button->icon.isNull() || button->text.isEmpty()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    int spacing = kDefaultIconSpacing;
    if (widget) {
        const QVariant property = widget->property(kIconSpacing);
        if (property.isValid()) spacing = property.toInt();
    }
    const bool enabled = button->state & State_Enabled;
    const QPixmap pixmap = button->icon.pixmap(button->iconSize, painter->device()->devicePixelRatio(),
                                               enabled ? QIcon::Normal : QIcon::Disabled,
                                               button->state & State_On ? QIcon::On : QIcon::Off);
    const QSize iconSize = pixmap.deviceIndependentSize().toSize();
    constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextShowMnemonic;
    const int textWidth = button->fontMetrics.boundingRect(button->rect, kTextFlags, button->text).width();

    QRect area = button->rect;
    if (button->state & (State_On | State_Sunken)) {
        area.translate(proxy()->pixelMetric(PM_ButtonShiftHorizontal, option, widget),
                       proxy()->pixelMetric(PM_ButtonShiftVertical, option, widget));
    }
    const int left = area.x() + std::max(0, (area.width() - iconSize.width() - spacing - textWidth) / 2);
    const QRect iconRect(left, area.y() + (area.height() - iconSize.height()) / 2, iconSize.width(),
                         iconSize.height());
    QRect textRect = area;
    textRect.setLeft(iconRect.right() + 1 + spacing);

    painter->drawPixmap(visualRect(button->direction, area, iconRect), pixmap);
    proxy()->drawItemText(painter, visualRect(button->direction, area, textRect),
                          visualAlignment(button->direction, Qt::AlignLeft) | kTextFlags, button->palette,
                          enabled, button->text, QPalette::ButtonText);
}

// Qt's common group box puts the title on the frame line, where the Windows group box has it; some
// styles (Fusion) put it above the frame instead, which the controls laid out inside would cross.
void TFormStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (control == CC_GroupBox) {
        QCommonStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect TFormStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                 SubControl subControl, const QWidget* widget) const {
    if (control == CC_GroupBox) return QCommonStyle::subControlRect(control, option, subControl, widget);
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

// A box as high as the font holds its line exactly, so Qt does not clip the text to it, and the
// lowered ink stays inside; in a taller box the ink is merely better centred.
void TFormStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                              bool enabled, const QString& text, QPalette::ColorRole textRole) const {
    const QRect lowered = rect.translated(0, InkAboveAscent(painter->font(), text));
    QProxyStyle::drawItemText(painter, lowered, flags, palette, enabled, text, textRole);
}

}  // namespace telvane
