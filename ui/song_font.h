// The program's font, "宋体" (SimSun), which Linux desktops do not have.
#pragma once

#include <QFont>

namespace telvane {

// "宋体" at a character height of pixelSize pixels, regular.
//
// The first call tells Qt where to look when no font of that name is installed: the CJK fonts of
// Debian's font packages, best first. "WenQuanYi Zen Hei Sharp" (fonts-wqy-zenhei, which the README
// installs) comes first because, like 宋体, it is exactly 12 pixels high at 12 pixels and carries
// hand-tuned bitmaps at that size; without the substitution fontconfig would answer with a Latin
// font (DejaVu Sans, 16 pixels high) and borrow the Chinese characters from elsewhere. A real 宋体
// installed on the system is still used first.
QFont SongFont(int pixelSize);

}  // namespace telvane
