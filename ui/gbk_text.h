// The boundary between the core's GBK byte strings and Qt's QString: texts are decoded for display
// and typed texts are encoded back into GBK. No other part of the program converts.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace telvane {

// The text of GBK bytes, as code page 936 reads them (0x80 is the euro sign). Every byte that does
// not start a GBK character (a stray trail byte, 0xFF, a lead byte whose pair is unassigned or that
// ends the text) shows as one U+FFFD REPLACEMENT CHARACTER, and decoding goes on with the next byte.
// NUL bytes stay U+0000.
QString FromGbk(std::string_view bytes);

// The GBK bytes of text, or nothing when text holds a character GBK cannot hold (a character outside
// GBK's repertoire, one outside the Basic Multilingual Plane, or a lone surrogate).
std::optional<std::string> ToGbk(const QString& text);

// The length of ToGbk(text) in bytes, or nothing when ToGbk refuses the text.
std::optional<std::size_t> GbkLength(const QString& text);

// text as it comes through GBK, the way an edit of a code-page-936 program takes it: each character
// GBK cannot hold (a character outside its repertoire, one outside the Basic Multilingual Plane, a
// lone surrogate) becomes one '?', and every other character reads as GBK gives it back. ToGbk never
// refuses the result.
QString ThroughGbk(const QString& text);

}  // namespace telvane
