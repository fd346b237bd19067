// Byte classes of the GBK double-byte encoding, for walking names a character at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace telvane::gbk {

constexpr bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
constexpr bool IsTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE);
}

// Bytes of the character at text[i]: 2 for a lead byte followed by a trail byte inside text, else 1.
inline std::size_t CharLength(std::string_view text, std::size_t i) {
    if (i + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[i])) &&
        IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
        return 2;
    }
    return 1;
}

// Folds an ASCII capital to lower case; every other byte stays.
constexpr unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// True when a and b are equal once the ASCII letters outside double-byte characters are folded.
bool EqualFolded(std::string_view a, std::string_view b);

// A hash that agrees with EqualFolded: names equal by it hash alike.
std::size_t HashFolded(std::string_view text);

}  // namespace telvane::gbk
