// Free-text queries: what kind of query a text is, telephone numbers and the area code that starts
// them, and region names found by whole characters.
//
// Every text is a GBK byte string, as elsewhere in the lookup, except where a function says UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

class DirectoryRows;

enum class QueryKind { kNumber, kAreaCode, kPostcode, kName };

// Text as people type it (UTF-8), in the form the query rules read: NFKC-normalised, so that
// fullwidth digits, letters and punctuation and the ideographic space become their ASCII forms, and
// with every dash and minus sign (U+2010 to U+2015, U+2212, U+FE58, U+FE63) made a hyphen-minus.
// ASCII text comes back unchanged. Text that is not well-formed UTF-8 comes back unchanged too.
std::string NormaliseTypedText(std::string_view utf8);

// The part of a query that is written as a telephone number: without a leading "tel:" and without an
// extension, which starts at "转", "分机", "ext", 'x', '#', ';' or ',' (ASCII letters in any case),
// or is a last group of one to five digits after a hyphen when the digits before it are a whole
// number already (10 or more once normalised): "010-6552 1234-8".
std::string_view NumberPart(std::string_view text);

// What a query text asks for, by the first rule that fits:
// - kNumber: its NumberPart is digits, spaces, hyphens, dots, slashes and parentheses, with at most
//   one '+' before the first digit, and at least 7 digits;
// - kAreaCode: only digits, starting with "00", or starting with '0' and 3 or 4 digits long;
// - kPostcode: only digits, 6 long, or 3 long and not starting with '0';
// - kName: anything else, the empty text included.
// The text is taken as it stands: the caller trims it.
QueryKind ClassifyQuery(std::string_view text);

// The NumberPart of a text as dialled from the mainland: '+' becomes "00", every other byte that is
// not a digit goes, and a leading "0086" (country code 86) becomes the trunk prefix '0' unless the
// number already carries it after the country code ("+86 (0)512 ..."), as often as the country code
// stands there. Normalising the result again changes nothing.
std::string NormaliseNumber(std::string_view text);

// When ClassifyQuery takes text as a number: true, with its NormaliseNumber in digits (whatever
// digits held before). Reads the text once for both.
bool ReadNumber(std::string_view text, std::string& digits);

// True for a normalised mainland mobile number: 11 digits starting with 13 to 19, with or without
// the trunk prefix '0' in front. Such numbers have no area code.
bool IsMainlandMobile(std::string_view digits);

// True when text occurs in name as whole characters: starting and ending where a GBK character of
// name starts or ends, so that 本 (B1 BE) is not found in 北京 (B1 B1 BE A9). An empty text is never
// found.
bool ContainsWholeCharacters(std::string_view name, std::string_view text);

// The area codes of a directory's rows, for choosing the one that starts a number: holds, for each
// area code made of digits only, the first row (in the rows' order) that carries it.
class AreaCodeIndex {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    explicit AreaCodeIndex(const DirectoryRows& rows);

    // The number of the row whose area code is the longest one that starts digits, or kNone when no
    // area code of the rows starts it.
    std::size_t Find(std::string_view digits) const { return Locate(digits).row; }

    // The same row, with the first position in the province list that reads it.
    struct Found {
        std::size_t row = kNone;
        std::size_t position = 0;
    };
    Found Locate(std::string_view digits) const;

private:
    // A tree of the area codes' digits: node 0 is the empty prefix.
    struct Node {
        std::array<std::int32_t, 10> next;
        std::int32_t row = -1;
        std::uint32_t position = 0;
        Node() { next.fill(-1); }
    };

    std::vector<Node> nodes_;
};

}  // namespace telvane
