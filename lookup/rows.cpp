#include "rows.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "directory/directory.h"
#include "directory/gbk.h"
#include "lookup/query.h"

namespace telvane {
namespace {

// Characters are numbered densely: a single byte by itself (0 to 255), a double-byte character after
// them by its lead and trail bytes.
constexpr std::size_t kTrailBytes = 0xFE - 0x40 + 1;
constexpr std::size_t kCharacterNumbers = 256 + (0xFE - 0x81 + 1) * kTrailBytes;

std::size_t CharacterNumber(std::string_view text, std::size_t at, std::size_t length) {
    const auto first = static_cast<unsigned char>(text[at]);
    if (length == 1) return first;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    return 256 + (first - 0x81u) * kTrailBytes + (second - 0x40u);
}

// One of 64 bits for a character number: a row's bits hold those of every character of its name, so
// that a name without some character of the text is passed over without reading it.
std::uint64_t CharacterBit(std::size_t number) {
    return std::uint64_t{1} << ((number * 0x9E3779B97F4A7C15ull) >> 58);
}

// The distinct character numbers of text, in no particular order.
void CharacterNumbers(std::string_view text, std::vector<std::size_t>& numbers) {
    numbers.clear();
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = gbk::CharLength(text, at);
        const std::size_t number = CharacterNumber(text, at, length);
        if (std::find(numbers.begin(), numbers.end(), number) == numbers.end()) numbers.push_back(number);
        at += length;
    }
}

}  // namespace

DirectoryRows::DirectoryRows(IniReader& reader, const std::vector<std::string>& provinces)
    : provinces_(provinces), ranges_(provinces.size()) {
    // A name read before, and a section read before under another name (" north" for "north"), which
    // its first key's place in the text gives away, reuse the rows already kept.
    std::unordered_map<std::string_view, std::size_t> byName;
    std::unordered_map<const char*, std::size_t> byText;
    for (std::size_t position = 0; position < provinces.size(); ++position) {
        if (const auto named = byName.find(provinces[position]); named != byName.end()) {
            ranges_[position] = ranges_[named->second];
            repeats_ = repeats_ || ranges_[position].begin < ranges_[position].end;
            continue;
        }
        byName.emplace(provinces[position], position);
        Range& range = ranges_[position];
        range.begin = range.end = size_;
        bool seen = false;
        reader.ForEachEntry(provinces[position], [&](std::string_view key, std::string_view value) {
            if (seen) return;
            if (size_ == range.begin) {
                if (const auto read = byText.find(key.data()); read != byText.end()) {
                    range = ranges_[read->second];
                    repeats_ = seen = true;
                    return;
                }
                byText.emplace(key.data(), position);
            }
            if ((size_ & (kBlockRows - 1)) == 0)
                blocks_.push_back(std::make_unique_for_overwrite<Stored[]>(kBlockRows));
            const EntryView entry = SplitEntryView(value);
            const auto postcodeStart = static_cast<std::size_t>(entry.postcode.data() - value.data());
            blocks_.back()[size_ & (kBlockRows - 1)] = {key.data(),
                                                        value.data(),
                                                        static_cast<std::uint16_t>(key.size()),
                                                        static_cast<std::uint16_t>(entry.areaCode.size()),
                                                        static_cast<std::uint16_t>(postcodeStart),
                                                        static_cast<std::uint16_t>(entry.postcode.size()),
                                                        static_cast<std::uint32_t>(position)};
            range.end = ++size_;
        });
    }
}

RowView DirectoryRows::View(std::size_t row, std::size_t position) const {
    return {provinces_[position], region(row), areaCode(row), postcode(row)};
}

std::string_view DirectoryRows::region(std::size_t row) const {
    const Stored& stored = At(row);
    return {stored.region, stored.regionLength};
}

std::string_view DirectoryRows::areaCode(std::size_t row) const {
    const Stored& stored = At(row);
    return {stored.value, stored.areaCodeLength};
}

std::string_view DirectoryRows::postcode(std::size_t row) const {
    const Stored& stored = At(row);
    return {stored.value + stored.postcodeStart, stored.postcodeLength};
}

CodeIndex::CodeIndex(const DirectoryRows& rows, Field field)
    : rows_(rows), field_(field), next_(rows.size(), kEnd) {
    std::size_t size = 16;
    while (size < rows.size() * 2) size *= 2;
    slots_.assign(size, kEnd);
    std::vector<std::uint32_t> last(size, kEnd);  // the last row so far of the code in each slot
    for (std::uint32_t row = 0; row < rows.size(); ++row) {
        const std::size_t slot = SlotOf(CodeOf(row));
        if (slots_[slot] == kEnd) {
            slots_[slot] = row;
        } else {
            next_[last[slot]] = row;
        }
        last[slot] = row;
    }
}

std::string_view CodeIndex::CodeOf(std::uint32_t row) const {
    return field_ == Field::kAreaCode ? rows_.areaCode(row) : rows_.postcode(row);
}

std::size_t CodeIndex::SlotOf(std::string_view code) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = std::hash<std::string_view>{}(code)&mask;
    while (slots_[slot] != kEnd && CodeOf(slots_[slot]) != code) slot = (slot + 1) & mask;
    return slot;
}

std::uint32_t CodeIndex::First(std::string_view code) const {
    return code.empty() ? kEnd : slots_[SlotOf(code)];
}

NameIndex::NameIndex(const DirectoryRows& rows)
    : rows_(rows), starts_(kCharacterNumbers + 1, 0), bits_(rows.size(), 0) {
    // Counted first, then placed: each character's rows end up together, in row order.
    std::vector<std::size_t> numbers;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        CharacterNumbers(rows.region(row), numbers);
        for (const std::size_t number : numbers) {
            ++starts_[number + 1];
            bits_[row] |= CharacterBit(number);
        }
    }
    for (std::size_t i = 1; i < starts_.size(); ++i) starts_[i] += starts_[i - 1];
    rowsOf_.resize(starts_.back());
    std::vector<std::uint32_t> placed(starts_.begin(), starts_.end() - 1);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        CharacterNumbers(rows.region(row), numbers);
        for (const std::size_t number : numbers) rowsOf_[placed[number]++] = static_cast<std::uint32_t>(row);
    }
}

void NameIndex::Find(std::string_view text, std::vector<std::uint32_t>& found) const {
    if (text.empty()) return;
    // Every character of a match is a character of the name, so the rows of the text's rarest
    // character hold every match.
    std::size_t rarest = 0, fewest = SIZE_MAX;
    std::uint64_t bits = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = gbk::CharLength(text, at);
        const std::size_t number = CharacterNumber(text, at, length);
        bits |= CharacterBit(number);
        const std::size_t count = starts_[number + 1] - starts_[number];
        if (count < fewest) {
            fewest = count;
            rarest = number;
        }
        at += length;
    }
    for (std::size_t i = starts_[rarest]; i < starts_[rarest + 1]; ++i) {
        const std::uint32_t row = rowsOf_[i];
        if ((bits_[row] & bits) == bits && ContainsWholeCharacters(rows_.region(row), text))
            found.push_back(row);
    }
}

}  // namespace telvane
