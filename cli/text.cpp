#include "text.h"

#include <utf8proc.h>

#include <algorithm>

namespace telvane::cli {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at text[at], or 0 when none starts there.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return 0;
    }
    return length;
}

}  // namespace

bool AppendValidUtf8(std::string_view bytes, std::string& out) {
    // Most queries are ASCII.
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out += bytes;
        return false;
    }
    bool replaced = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = SequenceLength(bytes, at);
        if (length == 0) {
            out += kReplacement;
            replaced = true;
            ++at;
        } else {
            out += bytes.substr(at, length);
            at += length;
        }
    }
    return replaced;
}

std::string_view CutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    // A sequence is at most 4 bytes: step back over at most 3 continuation bytes to its lead.
    std::size_t cut = limit;
    while (cut > 0 && limit - cut < 3 && IsContinuation(static_cast<unsigned char>(text[cut]))) --cut;
    if (IsContinuation(static_cast<unsigned char>(text[cut])) || SequenceLength(text, cut) == 0 ||
        cut + SequenceLength(text, cut) <= limit) {
        return text.substr(0, limit);  // no sequence straddles the limit
    }
    return text.substr(0, cut);
}

void AppendEscapingControls(std::string_view utf8, std::string& out) {
    constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const auto c = static_cast<unsigned char>(utf8[at]);
        if (c >= 0x20 && c != 0x7F && c != 0xC2) {
            out += static_cast<char>(c);
            continue;
        }
        if (c == 0xC2) {
            // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F.
            const auto next = at + 1 < utf8.size() ? static_cast<unsigned char>(utf8[at + 1]) : 0;
            if (next >= 0x80 && next <= 0x9F) {
                out += "\\u00";
                out += kHex[next >> 4];
                out += kHex[next & 0xF];
                ++at;
            } else {
                out += static_cast<char>(c);
            }
            continue;
        }
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
        }
    }
}

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t width = 0;
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(utf8.data());
    auto left = static_cast<utf8proc_ssize_t>(utf8.size());
    while (left > 0) {
        utf8proc_int32_t c = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &c);
        if (length <= 0) {
            width += 1;
            length = 1;
        } else {
            width += static_cast<std::size_t>(std::max(0, utf8proc_charwidth(c)));
        }
        bytes += length;
        left -= length;
    }
    return width;
}

}  // namespace telvane::cli
