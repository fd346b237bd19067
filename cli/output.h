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
    // Columns of the table after the query's: province, region, area code, postcode.
    using Widths = std::array<std::size_t, 4>;

    // The table shows the query in a last column only when queryColumn is set; the other formats
    // always carry it.
    Output(Format format, Converters& text, bool queryColumn);

    // Makes the table stream with these column widths, instead of being held until Finish to be
    // aligned to its own rows. A cell wider than its column pushes the rest of its line right.
    void StreamTable(const Widths& widths);

    // One record: the query as typed (UTF-8) and a directory row, or no row for a query that found
    // nothing (its other fields empty). A row that recurs may name a cache slot below slots, and its
    // formatted text is then built once.
    void Record(std::string_view query, const DirectoryRow* row, std::size_t slot = kNoCache);
    void ReserveSlots(std::size_t slots) { cache_.resize(slots); }

    // Writes what is held. False when standard output could not take it all.
    bool Finish();

    // The widths of a row's cells as the table shows them.
    Widths WidthsOf(const DirectoryRow& row);

private:
    // The row's part of a record in the current format: everything but the query.
    std::string RowText(const DirectoryRow* row);
    const std::string& CachedRowText(const DirectoryRow* row, std::size_t slot);
    void AppendQuery(std::string_view query);
    void AppendPadded(std::string_view cell, std::size_t width);
    void Write();

    Format format_;
    Converters& text_;
    bool queryColumn_;
    bool streaming_;
    bool headerDone_ = false;
    bool failed_ = false;
    Widths widths_{};
    std::string buffer_;
    std::vector<std::string> cache_;
    // A table being held for alignment: its cells, five to a record, the query's last.
    std::vector<std::string> cells_;
    std::string scratch_;
};

}  // namespace telvane::cli
