// Terminal text: well-formed UTF-8 whatever comes in, how many columns it takes, and control
// characters kept from the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace telvane::cli {

// Appends bytes to out as well-formed UTF-8: each byte that starts no well-formed sequence (a stray
// continuation byte, an overlong form, a surrogate, a sequence cut short) becomes U+FFFD. True when
// any byte was replaced.
bool AppendValidUtf8(std::string_view bytes, std::string& out);

// The longest start of text no longer than limit bytes that does not end inside a UTF-8 sequence.
std::string_view CutUtf8(std::string_view text, std::size_t limit);

// Appends UTF-8 text to out for a terminal: control characters (C0, DEL and C1) are written as
// escapes, \t, \n, \r, \x1B or \u0085, never raw.
void AppendEscapingControls(std::string_view utf8, std::string& out);

// The number of terminal columns UTF-8 text takes: 2 for wide (East Asian) characters, 0 for
// combining marks and controls, 1 otherwise; a byte that is not UTF-8 counts 1.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace telvane::cli
