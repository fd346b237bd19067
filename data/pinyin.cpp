#include "data/pinyin.h"

#include <fstream>

namespace telvane::data {

bool DecodeUtf8(std::string_view text, std::u32string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1, c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        out.push_back(c);
        i += length;
    }
    return true;
}

std::string EncodeUtf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

namespace {

constexpr std::string_view kUmlautU = "\xC3\xBC";  // ü

// The toneless letter of a vowel with a tone mark, as UTF-8; empty for any other character.
std::string_view ToneFree(char32_t c) {
    switch (c) {
        case U'ā':
        case U'á':
        case U'ǎ':
        case U'à':
            return "a";
        case U'ē':
        case U'é':
        case U'ě':
        case U'è':
        case U'ê':
            return "e";
        case U'ī':
        case U'í':
        case U'ǐ':
        case U'ì':
            return "i";
        case U'ō':
        case U'ó':
        case U'ǒ':
        case U'ò':
            return "o";
        case U'ū':
        case U'ú':
        case U'ǔ':
        case U'ù':
            return "u";
        case U'ǖ':
        case U'ǘ':
        case U'ǚ':
        case U'ǜ':
        case U'ü':
            return kUmlautU;
        case U'ń':
        case U'ň':
        case U'ǹ':
            return "n";
        case U'ḿ':
            return "m";
        default:
            return {};
    }
}

}  // namespace

std::string Toneless(std::string_view reading) {
    std::u32string points;
    if (!DecodeUtf8(reading, points)) return {};
    std::string out;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (c >= 0x300 && c <= 0x36F) {
            // A combining mark: the diaeresis makes the u before it ü, a tone mark goes.
            if (c == 0x308 && !out.empty() && out.back() == 'u') {
                out.pop_back();
                out += kUmlautU;
            }
            continue;
        }
        if (std::string_view plain = ToneFree(c); !plain.empty()) {
            out += plain;
        } else if (c < 0x80) {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        } else {
            out += EncodeUtf8(c);
        }
    }
    return out;
}

std::vector<std::string> SplitSyllables(std::string_view pinyin) {
    std::vector<std::string> syllables;
    std::size_t start = 0;
    while (start <= pinyin.size()) {
        std::size_t end = pinyin.find(' ', start);
        if (end == std::string_view::npos) end = pinyin.size();
        const std::string_view syllable = pinyin.substr(start, end - start);
        if (syllable.empty()) return {};
        for (std::size_t i = 0; i < syllable.size(); ++i) {
            if (syllable.substr(i).starts_with(kUmlautU)) {
                ++i;
            } else if (syllable[i] < 'a' || syllable[i] > 'z') {
                return {};
            }
        }
        syllables.emplace_back(syllable);
        start = end + 1;
    }
    return syllables;
}

std::string Initials(const std::vector<std::string>& syllables) {
    std::string out;
    for (const std::string& syllable : syllables) {
        out += syllable.starts_with(kUmlautU) ? 'u' : syllable.front();
    }
    return out;
}

std::string JoinedKey(const std::vector<std::string>& syllables, bool uForU) {
    std::string out;
    for (const std::string& syllable : syllables) {
        for (std::size_t i = 0; i < syllable.size(); ++i) {
            if (std::string_view(syllable).substr(i).starts_with(kUmlautU)) {
                out += uForU ? 'u' : 'v';
                ++i;
            } else {
                out += syllable[i];
            }
        }
    }
    return out;
}

bool Readings::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    static constexpr std::string_view kFields[] = {"kMandarin", "kHanyuPinyin", "kHanyuPinlu", "kXHC1983",
                                                   "kTGHZ2013"};
    std::string line;
    while (std::getline(in, line)) {
        // U+4E50<TAB>kXHC1983<TAB>0683.040:lè 1430.060:yuè
        if (!line.starts_with("U+")) continue;
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        const std::string_view field = std::string_view(line).substr(tab1 + 1, tab2 - tab1 - 1);
        bool wanted = false;
        for (std::string_view name : kFields) wanted = wanted || field == name;
        if (!wanted) continue;
        const char32_t c = static_cast<char32_t>(std::stoul(line.substr(2, tab1 - 2), nullptr, 16));
        std::vector<std::string>& known = readings_[c];
        std::string_view values = std::string_view(line).substr(tab2 + 1);
        while (!values.empty()) {
            std::size_t space = values.find(' ');
            std::string_view token = values.substr(0, space);
            values = space == std::string_view::npos ? std::string_view() : values.substr(space + 1);
            if (const std::size_t colon = token.find(':'); colon != std::string_view::npos)
                token = token.substr(colon + 1);
            if (const std::size_t count = token.find('('); count != std::string_view::npos)
                token = token.substr(0, count);
            while (!token.empty()) {
                const std::size_t comma = token.find(',');
                const std::string reading = Toneless(token.substr(0, comma));
                token = comma == std::string_view::npos ? std::string_view() : token.substr(comma + 1);
                if (reading.empty()) continue;
                bool seen = false;
                for (const std::string& r : known) seen = seen || r == reading;
                if (!seen) known.push_back(reading);
            }
        }
    }
    if (readings_.empty()) {
        error = path + ": holds no Mandarin readings";
        return false;
    }
    return true;
}

bool Readings::Has(char32_t c, std::string_view syllable) const {
    const auto it = readings_.find(c);
    if (it == readings_.end()) return false;
    for (const std::string& reading : it->second) {
        if (reading == syllable) return true;
    }
    return false;
}

std::string Readings::Describe(char32_t c) const {
    std::string out;
    if (const auto it = readings_.find(c); it != readings_.end()) {
        for (const std::string& reading : it->second) out += (out.empty() ? "" : "/") + reading;
    }
    return out;
}

std::string_view PlaceReadingException(std::string_view name, char32_t c) {
    struct Exception {
        std::string_view name;
        char32_t character;
        std::string_view syllable;
    };
    static constexpr Exception kExceptions[] = {
        // 乐亭县 (河北 唐山) is read Làotíng; Unihan gives 乐 only lè and yuè.
        {"乐亭县", U'乐', "lao"},
        // 宕昌县 (甘肃 陇南) is read Tànchāng; Unihan gives 宕 only dàng.
        {"宕昌县", U'宕', "tan"},
    };
    for (const Exception& e : kExceptions) {
        if (e.name == name && e.character == c) return e.syllable;
    }
    return {};
}

std::string PinyinProblem(std::string_view name, std::string_view pinyin, const Readings* readings) {
    const std::string quoted = "pinyin '" + std::string(pinyin) + "' of '" + std::string(name) + "'";
    std::u32string characters;
    if (!DecodeUtf8(name, characters)) return "'" + std::string(name) + "' is not UTF-8";
    const std::vector<std::string> syllables = SplitSyllables(pinyin);
    if (syllables.empty()) return quoted + " is not syllables of a-z and ü separated by single blanks";
    if (syllables.size() != characters.size()) {
        return quoted + " has " + std::to_string(syllables.size()) + " syllables for " +
               std::to_string(characters.size()) + " characters";
    }
    if (!readings) return {};
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const char32_t c = characters[i];
        if (readings->Has(c, syllables[i]) || PlaceReadingException(name, c) == syllables[i]) continue;
        const std::string known = readings->Describe(c);
        return quoted + ": '" + syllables[i] + "' is not a reading of " + EncodeUtf8(c) + " in Unihan (" +
               (known.empty() ? "it gives none" : "it gives " + known) + ")";
    }
    return {};
}

}  // namespace telvane::data
