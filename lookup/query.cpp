#include "query.h"

#include <algorithm>

#include "directory/directory.h"
#include "directory/gbk.h"

namespace telvane {
namespace {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool IsNumberSeparator(char c) {
    return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')';
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

bool IsNumber(std::string_view text) {
    std::size_t digits = 0;
    bool plus = false;
    for (const char c : text) {
        if (IsDigit(c)) {
            ++digits;
        } else if (c == '+') {
            if (plus || digits > 0) return false;
            plus = true;
        } else if (!IsNumberSeparator(c)) {
            return false;
        }
    }
    return digits >= 7;
}

}  // namespace

QueryKind ClassifyQuery(std::string_view text) {
    if (IsNumber(text)) return QueryKind::kNumber;
    if (AllDigits(text)) {
        if (text.starts_with("00") || (text[0] == '0' && (text.size() == 3 || text.size() == 4)))
            return QueryKind::kAreaCode;
        if (text.size() == 6 || (text.size() == 3 && text[0] != '0')) return QueryKind::kPostcode;
    }
    return QueryKind::kName;
}

std::string NormaliseNumber(std::string_view text) {
    std::string digits;
    digits.reserve(text.size() + 1);
    for (const char c : text) {
        if (IsDigit(c)) {
            digits += c;
        } else if (c == '+') {
            digits += "00";
        }
    }
    // "+86 512 ..." and "+86 (0)512 ..." both become "0512 ...". A country code written more than once
    // goes as often, so that a normalised number is its own normal form.
    std::size_t from = 0;
    while (digits.compare(from, 4, "0086") == 0) {
        if (digits.size() > from + 4 && digits[from + 4] == '0') {
            from += 4;
        } else {
            from += 3;
            digits[from] = '0';
        }
    }
    digits.erase(0, from);
    return digits;
}

bool IsMainlandMobile(std::string_view digits) {
    if (digits.size() == 12 && digits[0] == '0') digits.remove_prefix(1);
    return digits.size() == 11 && digits[0] == '1' && AllDigits(digits);
}

bool ContainsWholeCharacters(std::string_view name, std::string_view text) {
    if (text.empty()) return false;
    for (std::size_t start = 0; start + text.size() <= name.size(); start += gbk::CharLength(name, start)) {
        if (name.compare(start, text.size(), text) != 0) continue;
        // The text's last byte must end a character of name.
        std::size_t end = start;
        while (end < start + text.size()) end += gbk::CharLength(name, end);
        if (end == start + text.size()) return true;
    }
    return false;
}

void SearchNames(std::string_view text, const std::vector<std::string>& provinces, IniReader& reader,
                 const RowSink& onRow) {
    if (text.empty()) return;
    for (const std::string& province : provinces) {
        reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
            if (!ContainsWholeCharacters(key, text)) return;
            const EntryView entry = SplitEntryView(value);
            onRow({province, std::string(key), std::string(entry.areaCode), std::string(entry.postcode)});
        });
    }
}

AreaCodeIndex::AreaCodeIndex(IniReader& reader, const std::vector<std::string>& provinces) : nodes_(1) {
    for (const std::string& province : provinces) {
        reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
            const EntryView entry = SplitEntryView(value);
            if (AllDigits(entry.areaCode)) {
                Add({province, std::string(key), std::string(entry.areaCode), std::string(entry.postcode)});
            }
        });
    }
}

void AreaCodeIndex::Add(DirectoryRow&& row) {
    std::size_t node = 0;
    for (const char c : row.areaCode) {
        const auto digit = static_cast<std::size_t>(c - '0');
        if (nodes_[node].next[digit] < 0) {
            nodes_[node].next[digit] = static_cast<std::int32_t>(nodes_.size());
            nodes_.emplace_back();
        }
        node = static_cast<std::size_t>(nodes_[node].next[digit]);
    }
    if (nodes_[node].row >= 0) return;  // a later row of a code already held
    nodes_[node].row = static_cast<std::int32_t>(rows_.size());
    rows_.push_back(std::move(row));
}

std::size_t AreaCodeIndex::Find(std::string_view digits) const {
    std::size_t found = kNone;
    std::size_t node = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) break;
        const std::int32_t next = nodes_[node].next[static_cast<std::size_t>(c - '0')];
        if (next < 0) break;
        node = static_cast<std::size_t>(next);
        if (nodes_[node].row >= 0) found = static_cast<std::size_t>(nodes_[node].row);
    }
    return found;
}

}  // namespace telvane
