#include "ui/song_font.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace telvane {

QFont SongFont(int pixelSize) {
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {
                                                               QStringLiteral("WenQuanYi Zen Hei Sharp"),
                                                               QStringLiteral("WenQuanYi Zen Hei"),
                                                               QStringLiteral("Noto Sans CJK SC"),
                                                               QStringLiteral("AR PL UMing CN"),
                                                               QStringLiteral("Droid Sans Fallback"),
                                                           });
        return true;
    }();
    static_cast<void>(substituted);

    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    // Drawn without antialiasing, the font's hand-made bitmaps are used where it has them, as 宋体's are
    // on Windows at these sizes.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

int InkAboveAscent(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    return std::max(0, -metrics.tightBoundingRect(text).top() - metrics.ascent());
}

}  // namespace telvane
