#include "query.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "directory/gbk.h"
#include "lookup/rows.h"

namespace telvane {
namespace {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool IsNumberSeparator(char c) {
    return c == ' ' || c == '-' || c == '.' || c == '/' || c == '(' || c == ')';
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

bool StartsWithFolded(std::string_view text, std::string_view lower) {
    if (text.size() < lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        if (gbk::FoldAscii(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(lower[i]))
            return false;
    }
    return true;
}

// The digits of text as dialled from the mainland (see NormaliseNumber), extension and all, into
// digits.
void DialledDigits(std::string_view text, std::string& digits) {
    // Written in place: at most two digits a byte.
    digits.resize(text.size() * 2);
    std::size_t count = 0;
    for (const char c : text) {
        if (IsDigit(c)) {
            digits[count++] = c;
        } else if (c == '+') {
            digits[count++] = '0';
            digits[count++] = '0';
        }
    }
    digits.resize(count);
    // "+86 512 ..." and "+86 (0)512 ..." both become "0512 ...".
    std::size_t from = 0;
    auto countryCode = [&] {
        return digits.size() >= from + 4 && digits[from] == '0' && digits[from + 1] == '0' &&
               digits[from + 2] == '8' && digits[from + 3] == '6';
    };
    while (countryCode()) {
        if (digits.size() > from + 4 && digits[from + 4] == '0') {
            from += 4;
        } else {
            from += 3;
            digits[from] = '0';
        }
    }
    if (from > 0) digits.erase(0, from);
}

std::size_t DialledLength(std::string_view text) {
    std::string digits;
    DialledDigits(text, digits);
    return digits.size();
}

// Where an extension written with a word starts at text[at]: its length, or 0.
std::size_t ExtensionWord(std::string_view text, std::size_t at) {
    constexpr std::string_view kTransfer = "\xD7\xAA";           // 转
    constexpr std::string_view kExtension = "\xB7\xD6\xBB\xFA";  // 分机
    const char c = text[at];
    if (c != 'e' && c != 'E' && c != kTransfer[0] && c != kExtension[0]) return 0;
    const std::string_view rest = text.substr(at);
    if (StartsWithFolded(rest, "ext")) return 3;
    if (rest.starts_with(kTransfer)) return kTransfer.size();
    if (rest.starts_with(kExtension)) return kExtension.size();
    return 0;
}

// A query read as a telephone number, in one pass: its NumberPart, and whether that is a number.
struct NumberScan {
    std::string_view part;
    bool number = false;
};

// whole: the part is wanted even when the text is no number; otherwise the scan stops as soon as it
// knows.
NumberScan ScanNumber(std::string_view text, bool whole) {
    if (StartsWithFolded(text, "tel:")) text.remove_prefix(4);
    NumberScan scan{text};
    bool valid = true, plus = false;
    std::size_t digits = 0;
    // The last hyphen, and what follows it: digits, then blanks only, make a group.
    std::size_t hyphen = std::string_view::npos, groupDigits = 0;
    bool group = false, groupEnded = false;
    for (std::size_t at = 0; at < text.size(); at += gbk::CharLength(text, at)) {
        const char c = text[at];
        if (IsDigit(c)) {
            ++digits;
            if (groupEnded) group = false;
            ++groupDigits;
            continue;
        }
        if (c == '-') {
            hyphen = at;
            group = true;
            groupEnded = false;
            groupDigits = 0;
            continue;
        }
        if (c == 'x' || c == 'X' || c == '#' || c == ';' || c == ',' || ExtensionWord(text, at) > 0) {
            scan.part = text.substr(0, at);
            break;
        }
        if (c == ' ') {
            groupEnded = true;
        } else {
            group = false;
        }
        if (c == '+') {
            if (plus || digits > 0) valid = false;
            plus = true;
        } else if (!IsNumberSeparator(c)) {
            valid = false;
        }
        if (!valid && !whole) return scan;
    }
    // A last group of one to five digits after a hyphen is an extension when the number is whole
    // without it.
    if (group && groupDigits >= 1 && groupDigits <= 5 && DialledLength(text.substr(0, hyphen)) >= 10) {
        scan.part = text.substr(0, hyphen);
        digits -= groupDigits;
    }
    scan.number = valid && digits >= 7;
    return scan;
}

// The UTF-8 dashes and minus signs a number may be written with.
utf8proc_int32_t DashToHyphen(utf8proc_int32_t c, void*) {
    if ((c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0xFE58 || c == 0xFE63) return '-';
    return c;
}

// True when every character of utf8 is one NFKC keeps as it is and no dash: ASCII, and the CJK
// unified ideographs U+4E00 to U+9FFF, which have no decomposition. Place names are made of them.
bool Stable(std::string_view utf8) {
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        if (lead < 0xE4 || lead > 0xE9 || at + 3 > utf8.size()) return false;
        const auto second = static_cast<unsigned char>(utf8[at + 1]);
        const auto third = static_cast<unsigned char>(utf8[at + 2]);
        if ((second & 0xC0) != 0x80 || (third & 0xC0) != 0x80 || (lead == 0xE4 && second < 0xB8))
            return false;
        at += 3;
    }
    return true;
}

}  // namespace

std::string NormaliseTypedText(std::string_view utf8) {
    if (Stable(utf8)) return std::string(utf8);
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t length = utf8proc_map_custom(
        reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()), static_cast<utf8proc_ssize_t>(utf8.size()),
        &mapped, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_COMPAT),
        DashToHyphen, nullptr);
    if (length < 0) return std::string(utf8);
    const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(mapped, &std::free);
    return std::string(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(length));
}

std::string_view NumberPart(std::string_view text) {
    return ScanNumber(text, true).part;
}

QueryKind ClassifyQuery(std::string_view text) {
    if (ScanNumber(text, false).number) return QueryKind::kNumber;
    if (AllDigits(text)) {
        if (text.starts_with("00") || (text[0] == '0' && (text.size() == 3 || text.size() == 4)))
            return QueryKind::kAreaCode;
        if (text.size() == 6 || (text.size() == 3 && text[0] != '0')) return QueryKind::kPostcode;
    }
    return QueryKind::kName;
}

std::string NormaliseNumber(std::string_view text) {
    std::string digits;
    DialledDigits(NumberPart(text), digits);
    return digits;
}

bool ReadNumber(std::string_view text, std::string& digits) {
    const NumberScan scan = ScanNumber(text, false);
    if (!scan.number) return false;
    DialledDigits(scan.part, digits);
    return true;
}

bool IsMainlandMobile(std::string_view digits) {
    if (digits.size() == 12 && digits[0] == '0') digits.remove_prefix(1);
    return digits.size() == 11 && digits[0] == '1' && digits[1] >= '3' && AllDigits(digits);
}

bool ContainsWholeCharacters(std::string_view name, std::string_view text) {
    if (text.empty()) return false;
    for (std::size_t start = 0; start + text.size() <= name.size(); start += gbk::CharLength(name, start)) {
        if (name[start] != text[0] || name.compare(start, text.size(), text) != 0) continue;
        // The text's last byte must end a character of name.
        std::size_t end = start;
        while (end < start + text.size()) end += gbk::CharLength(name, end);
        if (end == start + text.size()) return true;
    }
    return false;
}

AreaCodeIndex::AreaCodeIndex(const DirectoryRows& rows) : nodes_(1) {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string_view code = rows.areaCode(row);
        if (!AllDigits(code)) continue;
        std::size_t node = 0;
        for (const char c : code) {
            const auto digit = static_cast<std::size_t>(c - '0');
            if (nodes_[node].next[digit] < 0) {
                nodes_[node].next[digit] = static_cast<std::int32_t>(nodes_.size());
                nodes_.emplace_back();
            }
            node = static_cast<std::size_t>(nodes_[node].next[digit]);
        }
        if (nodes_[node].row < 0) {  // the first row wins
            nodes_[node].row = static_cast<std::int32_t>(row);
            nodes_[node].position = static_cast<std::uint32_t>(rows.Position(row));
        }
    }
}

AreaCodeIndex::Found AreaCodeIndex::Locate(std::string_view digits) const {
    Found found;
    std::size_t node = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) break;
        const std::int32_t next = nodes_[node].next[static_cast<std::size_t>(c - '0')];
        if (next < 0) break;
        node = static_cast<std::size_t>(next);
        if (nodes_[node].row >= 0)
            found = {static_cast<std::size_t>(nodes_[node].row), nodes_[node].position};
    }
    return found;
}

}  // namespace telvane
