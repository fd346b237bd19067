// The records a run prints, in the three formats: an aligned table for people, tab-separated values
// and JSON Lines for scripts. Always UTF-8; written to standard output in large blocks.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/text.h"
#include "lookup/lookup.h"

namespace telvane::cli {

enum class Format { kTable, kTsv, kJson };

class Output {
public:
    static constexpr std::size_t kNoCache = static_cast<std::size_t>(-1);
    // The table is held and aligned this many records at a time; its columns only ever widen.
    static constexpr std::size_t kTableBlock = 4096;

    // The table shows the query in a last column only when queryColumn is set; the other formats
    // always carry it.
    Output(Format format, bool queryColumn);

    // One record: the query as typed (UTF-8) and a directory row, or no row for a query that found
    // nothing (its other fields empty). A row that recurs may name a cache slot below the number
    // reserved, so that its text is built once.
    void Record(std::string_view query, const DirectoryRow* row, std::size_t slot = kNoCache);
    void ReserveSlots(std::size_t slots) { cache_.resize(slots); }

    // Writes what is held. False when standard output could not take it all.
    bool Finish();

private:
    // Everything of a TSV or JSON record but the query.
    std::string RowText(const DirectoryRow* row);
    void HoldTableRecord(std::string_view query, const DirectoryRow* row);
    void WriteTableBlock();
    void Write();

    Format format_;
    bool queryColumn_;
    bool headerDone_ = false;
    bool failed_ = false;
    std::string buffer_;
    std::vector<std::string> cache_;
    // The table's records not yet written, five cells each (the query's last), and its widths so far.
    std::vector<std::string> cells_;
    std::array<std::size_t, 5> widths_{};
    std::string scratch_;
};

}  // namespace telvane::cli
