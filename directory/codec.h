// Conversion between the directory's GBK bytes and Unicode text, through glibc's iconv. The only
// place that converts: the window, the command and the converter call it at their boundaries.
//
// GBK is read as code page 936 reads it (0x80 is the euro sign).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace telvane {

// Appends the UTF-8 text of GBK bytes to out. Every byte that starts no GBK character (a stray trail
// byte, 0xFF, a lead byte whose pair is unassigned or that ends the text) becomes one U+FFFD
// REPLACEMENT CHARACTER, and decoding goes on with the next byte. NUL bytes stay NUL.
void AppendGbkAsUtf8(std::string_view gbk, std::string& out);
std::string GbkToUtf8(std::string_view gbk);

// The GBK bytes of UTF-8 text, or nothing when the text is not well-formed UTF-8 or holds a character
// GBK cannot hold.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

enum class UnicodeForm { kUtf8, kUtf16Le, kUtf16Be };

// Unicode text as GBK, never refused: each character GBK cannot hold becomes one '?', and so does each
// malformed sequence (a bad UTF-8 sequence as far as its continuation bytes reach, a lone UTF-16
// surrogate, an odd byte at the end of UTF-16). The result is never longer than text.
std::string UnicodeToGbkReplacing(std::string_view text, UnicodeForm form);

// Whether bytes start with a UTF-16LE, UTF-16BE or UTF-8 byte-order mark.
bool HasUnicodeMark(std::string_view bytes);

// The bytes of a data file as GBK text: a file that starts with a byte-order mark is converted from
// that form (the mark dropped) by UnicodeToGbkReplacing; any other file is GBK already and comes back
// unchanged. The result is never longer than bytes.
std::string FileTextAsGbk(std::string bytes);

}  // namespace telvane
