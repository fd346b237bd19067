// The look of the main window's controls where Qt's styles differ from the window's layout.
#pragma once

#include <QProxyStyle>
#include <memory>

namespace telvane {

// Wraps the application's style for the controls of the main window, which were laid out for the
// metrics of the Windows controls the program was designed with:
// - radio buttons draw a 13-pixel indicator 4 pixels from their text, so "精确查询" fits its 65
//   pixels;
// - a push button draws its icon and text as one group centred on the button, with the gap between
//   them taken from the button's "iconSpacing" property (4 when unset);
// - a group box draws its title on its frame line, and the frame as a flat line;
// - captions sit lower by as much as their ink rises above the font's ascent (see InkAboveAscent),
//   so that a label exactly as high as the font shows its text whole;
// - trees draw dotted connecting lines and plus/minus expand buttons, and a node folds or unfolds when
//   its expand button is pressed, before the button comes up.
class TFormStyle : public QProxyStyle {
    Q_OBJECT

public:
    TFormStyle();
    ~TFormStyle() override;

    // Name of the dynamic property of a QPushButton that sets the gap between icon and text, in pixels.
    static constexpr const char* kIconSpacing = "iconSpacing";

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;

private:
    std::unique_ptr<QStyle> treeLines_;
};

}  // namespace telvane
