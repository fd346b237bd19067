// The program's font, "宋体" (SimSun), which Linux desktops do not have.
#pragma once

#include <QFont>
#include <QString>

namespace telvane {

// "宋体" (SimSun) at a character height of pixelSize pixels, regular, drawn without antialiasing and
// fully hinted.
//
// The font is asked for by that name, so a real 宋体 is used where one is installed. Linux desktops
// rarely have it: for them the first call tells Qt which fonts stand in for it, the CJK fonts of
// Debian's packages, best first. "WenQuanYi Zen Hei Sharp" (fonts-wqy-zenhei, which the README
// installs) comes first because, like 宋体, it is exactly 12 pixels high at 12 pixels and carries
// hand-made bitmaps from 12 to 16 pixels, which an unantialiased font is drawn with. Left to itself,
// fontconfig would answer with a Latin font (DejaVu Sans, 16 pixels high) and borrow the Chinese
// characters from elsewhere.
QFont SongFont(int pixelSize);

// How many pixels the ink of text, drawn in font, reaches above the font's ascent; 0 when it stays
// below. The stand-in for 宋体 draws its Chinese characters a pixel or two higher than its ascent says
// (宋体's ascent is 10 at 12 pixels, WenQuanYi Zen Hei Sharp's 9), so text in a box exactly as high as
// the font must sit that much lower to show whole.
int InkAboveAscent(const QFont& font, const QString& text);

}  // namespace telvane
