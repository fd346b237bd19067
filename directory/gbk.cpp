#include "gbk.h"

namespace telvane::gbk {

bool EqualFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    std::size_t i = 0;
    while (i < a.size()) {
        const std::size_t length = CharLength(a, i);
        if (length == 2) {
            // Equal first bytes make b's character double-byte too; its second byte is never folded.
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (FoldAscii(static_cast<unsigned char>(a[i])) !=
                   FoldAscii(static_cast<unsigned char>(b[i]))) {
            return false;
        }
        i += length;
    }
    return true;
}

std::size_t HashFolded(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    auto mix = [&hash](unsigned char c) {
        hash ^= c;
        hash *= 1099511628211ull;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = CharLength(text, i);
        const auto c = static_cast<unsigned char>(text[i]);
        mix(length == 2 ? c : FoldAscii(c));
        if (length == 2) mix(static_cast<unsigned char>(text[i + 1]));
        i += length;
    }
    return static_cast<std::size_t>(hash);
}

}  // namespace telvane::gbk
