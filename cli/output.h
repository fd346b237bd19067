// The records a run prints, in the three formats: an aligned table for people, tab-separated values
// and JSON Lines for scripts. Always well-formed UTF-8; written to standard output in large blocks,
// and whenever the run says so.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/answer.h"
#include "lookup/lookup.h"

namespace telvane::cli {

enum class Format { kTable, kTsv, kJson };

class Output {
public:
    static constexpr std::size_t kNoCache = static_cast<std::size_t>(-1);
    // The table is held and aligned this many records at a time; its columns only ever widen.
    static constexpr std::size_t kTableBlock = 4096;

    // The table shows the query in a last column only when queryColumn is set; the other formats
    // always carry it. A row that recurs may name a cache slot below cacheSlots, so that its text is
    // built once.
    Output(Format format, bool queryColumn, std::size_t cacheSlots = 0);

    // One record: the query as typed (well-formed UTF-8) and a directory row (GBK), or no row for a
    // query that found nothing, with the reason why (its other fields empty; JSON names the reason).
    void Record(std::string_view query, const RowView* row, std::size_t slot = kNoCache,
                Reason reason = Reason::kFound);
    // The record of the row whose text the slot holds already; false, with nothing done, when it
    // holds none yet.
    bool RecordCached(std::string_view query, std::size_t slot);

    // Writes what is held, the table's records aligned as far as they go. False once standard output
    // failed to take anything; nothing more is written after that.
    bool Flush();
    // Flush, with a TSV header even when no record came.
    bool Finish();
    bool failed() const { return failed_; }
    // The errno of the write that failed.
    int error() const { return error_; }

private:
    // What a row prints as: everything of a TSV or JSON record but the query, or the table's cells
    // and their widths.
    struct RowText {
        std::string text;
        std::array<std::string, 4> cells;
        std::array<std::size_t, 4> widths{};
    };

    void MakeRowText(const RowView* row, Reason reason, RowText& out);
    void Hold(std::string_view query, const RowText& row);
    void WriteTableBlock();
    void Write();

    Format format_;
    bool queryColumn_;
    bool headerDone_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::string buffer_;
    std::vector<std::unique_ptr<RowText>> cache_;
    RowText uncached_;
    // The table's records not yet written, five cells each (the query's last) with their widths, and
    // the columns' widths so far.
    std::vector<std::string> cells_;
    std::vector<std::size_t> cellWidths_;
    std::size_t heldCells_ = 0;
    std::array<std::size_t, 5> widths_{};
    std::string scratch_;
};

}  // namespace telvane::cli
