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
    // A row's cells in the table, and their widths.
    struct Cells {
        std::array<std::string, 4> text;
        std::array<std::size_t, 4> widths{};
    };

    // Everything of a TSV or JSON record but the query.
    void MakeText(const RowView* row, Reason reason, std::string& out);
    void MakeCells(const RowView* row, Cells& out);
    void HoldText(std::string_view query, std::string_view text);
    void HoldCells(std::string_view query, const Cells& cells);
    void WriteTableBlock();
    void Write();

    Format format_;
    bool queryColumn_;
    bool headerDone_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::string buffer_;
    // For each slot, its text (TSV, JSON) or its cells (table), once made.
    std::vector<std::string> texts_;
    std::vector<std::unique_ptr<Cells>> cellCache_;
    std::string uncachedText_;
    Cells uncachedCells_;
    // The table's records not yet written, five cells each (the query's last) with their widths, and
    // the columns' widths so far.
    std::vector<std::string> cells_;
    std::vector<std::size_t> cellWidths_;
    std::size_t heldCells_ = 0;
    std::array<std::size_t, 5> widths_{};
    std::string scratch_;
};

}  // namespace telvane::cli
