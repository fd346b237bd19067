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
    // Full hinting takes every character from those bitmaps, Latin letters and digits too. With the
    // desktop's usual light hinting the stand-in draws them from its outlines instead, so narrowly that
    // neighbours run into each other: the colon into the "O" of "作者:Orvath" at 14 pixels, "or" of
    // the addresses, "tt" of "Varsetti" at 16. The Chinese characters keep their widths and the font
    // its height; only Latin text comes out a little narrower or wider.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

int InkAboveAscent(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    return std::max(0, -metrics.tightBoundingRect(text).top() - metrics.ascent());
}

}  // namespace telvane
