// When a directory entry answers a search, and the searches over the data file.
//
// Every text is a GBK byte string; matching counts and compares bytes, case-sensitively, untrimmed.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

enum MatchMode { mmExact, mmFuzzy };

struct SearchCriteria {
    std::string areaCode;
    std::string postcode;
    MatchMode mode = mmExact;
};

// One row of a listing or a search: the province, the region (the entry's key name), and the area
// code and postcode split from the entry's value.
struct DirectoryRow {
    std::string province;
    std::string region;
    std::string areaCode;
    std::string postcode;

    friend bool operator==(const DirectoryRow&, const DirectoryRow&) = default;
};

// One row as views into the text of the file as read, and into the province's name. The search and
// the listing hand rows over valid only during the call; keeping the bytes is up to the receiver,
// which spares a string per field for rows that are only copied on.
struct RowView {
    std::string_view province;
    std::string_view region;
    std::string_view areaCode;
    std::string_view postcode;
};
using RowViewSink = std::function<void(const RowView&)>;

// True when typed occurs in field at some byte position; windows advance one byte at a time, so a
// match may start on the second byte of a double-byte character. An empty typed text never matches.
bool FuzzyMatch(std::string_view typed, std::string_view field);

// One criterion: never met by an empty typed text; otherwise met when typed equals field byte for
// byte (mmExact) or occurs inside it (mmFuzzy).
bool CriterionMet(std::string_view typed, std::string_view field, MatchMode mode);

// The number of criteria with at least one byte of text: 0, 1 or 2. Blanks count as text.
int FilledCount(const SearchCriteria& criteria);

// True when every filled criterion is met by its field, under the criteria's mode.
bool RowQualifies(const SearchCriteria& criteria, std::string_view areaCode, std::string_view postcode);

// Every entry of the given provinces, in that order and then in file order within each province's
// section, whose value answers criteria, each handed to onRow as soon as it is found. Provinces are
// looked up as sections of the file at iniPath, read once for the whole search; a province listed
// twice is searched twice. A missing or unreadable file, or a missing section, gives no rows. The
// caller makes sure a criterion is filled.
void SearchDirectory(const SearchCriteria& criteria, const std::vector<std::string>& provinces,
                     const std::string& iniPath, const RowViewSink& onRow);

// One row per key of the province's section, in file order (every occurrence of a repeated name,
// each with the value its name reads), as far as the key list reaches, each handed to onRow as soon
// as it is built. No rows when the file or the section is missing.
void ListProvince(const std::string& province, const std::string& iniPath, const RowViewSink& onRow);

}  // namespace telvane
