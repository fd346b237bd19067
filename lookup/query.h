// Free-text queries: what kind of query a text is, telephone numbers and the area code that starts
// them, and region names found by whole characters.
//
// Every text is a GBK byte string, as elsewhere in the lookup.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup.h"

namespace telvane {

class IniReader;

enum class QueryKind { kNumber, kAreaCode, kPostcode, kName };

// What a query text asks for, by the first rule that fits:
// - kNumber: digits, spaces, hyphens, dots and parentheses, with at most one '+' before the first
//   digit, and at least 7 digits;
// - kAreaCode: only digits, starting with "00", or starting with '0' and 3 or 4 digits long;
// - kPostcode: only digits, 6 long, or 3 long and not starting with '0';
// - kName: anything else, the empty text included.
// The text is taken as it stands: the caller trims it.
QueryKind ClassifyQuery(std::string_view text);

// A telephone number as dialled from the mainland: '+' becomes "00", every other byte that is not a
// digit goes, and a leading "0086" (country code 86) becomes the trunk prefix '0' unless the number
// already carries it after the country code ("+86 (0)512 ..."), as often as the country code stands
// there. Normalising the result again changes nothing.
std::string NormaliseNumber(std::string_view text);

// True for a normalised mainland mobile number: 11 digits starting with '1', with or without the
// trunk prefix '0' in front. Such numbers have no area code.
bool IsMainlandMobile(std::string_view digits);

// True when text occurs in name as whole characters: starting and ending where a GBK character of
// name starts or ends, so that 本 (B1 BE) is not found in 北京 (B1 B1 BE A9). An empty text is never
// found.
bool ContainsWholeCharacters(std::string_view name, std::string_view text);

// Every entry of the given provinces whose region name holds text as whole characters, in that order
// and then in file order within each province's section.
void SearchNames(std::string_view text, const std::vector<std::string>& provinces, IniReader& reader,
                 const RowSink& onRow);

// The area codes of a directory, for choosing the one that starts a number. Built once from the
// provinces' entries; holds, for each area code made of digits only, the first row in directory order
// (provinces in the given order, then file order) that carries it.
class AreaCodeIndex {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    AreaCodeIndex(IniReader& reader, const std::vector<std::string>& provinces);

    // The number of the row whose area code is the longest one that starts digits, or kNone when no
    // area code of the directory starts it.
    std::size_t Find(std::string_view digits) const;

    const DirectoryRow& Row(std::size_t number) const { return rows_[number]; }
    std::size_t size() const { return rows_.size(); }

private:
    // A tree of the area codes' digits: node 0 is the empty prefix.
    struct Node {
        std::array<std::int32_t, 10> next;
        std::int32_t row = -1;
        Node() { next.fill(-1); }
    };

    void Add(DirectoryRow&& row);

    std::vector<Node> nodes_;
    std::vector<DirectoryRow> rows_;
};

}  // namespace telvane
