// Turns the bytes of a data file into GBK text, undoing a Unicode byte-order mark.
#pragma once

#include <string>
#include <string_view>

namespace telvane {

// bytes as GBK text: a file that starts with the UTF-16LE, UTF-16BE or UTF-8 byte-order mark is
// converted from that encoding (the mark dropped); characters GBK cannot hold and malformed sequences
// become '?'. Any other file is GBK already and comes back unchanged. The result is never longer than
// bytes.
std::string FileTextAsGbk(std::string bytes);

// Whether bytes start with one of the byte-order marks FileTextAsGbk converts from.
bool HasUnicodeMark(std::string_view bytes);

}  // namespace telvane
