#include "output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>

#include "cli/text.h"
#include "directory/codec.h"

namespace telvane::cli {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::size_t kColumns = 5;
constexpr std::string_view kGap = "  ";
constexpr std::array<std::string_view, kColumns> kTableHeader = {"省份", "地区", "长途区号", "邮政编码",
                                                                 "查询"};
constexpr std::string_view kTsvHeader = "query\tprovince\tregion\tarea_code\tpostcode\n";
constexpr std::string_view kJsonKeys[] = {
    ",\"province\":", ",\"region\":", ",\"area_code\":", ",\"postcode\":"};

// A TSV field keeps its line and its columns: tabs and line ends inside it become spaces.
void AppendTsvField(std::string_view text, std::string& out) {
    const std::size_t start = out.size();
    out += text;
    std::replace_if(
        out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
        [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
}

// A JSON string of well-formed UTF-8 (bytes that are not would become U+FFFD).
void AppendJsonString(std::string_view text, std::string& out) {
    // Most queries are numbers and codes: printable ASCII that needs no escape.
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; })) {
        out += '"';
        out += text;
        out += '"';
        return;
    }
    out += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The four fields of a row, or four empty ones.
std::array<std::string_view, 4> FieldsOf(const RowView* row) {
    if (!row) return {};
    return {row->province, row->region, row->areaCode, row->postcode};
}

}  // namespace

Output::Output(Format format, bool queryColumn, std::size_t cacheSlots)
    : format_(format), queryColumn_(queryColumn) {
    if (format == Format::kTable) {
        cellCache_.resize(cacheSlots);
    } else {
        texts_.resize(cacheSlots);
    }
}

void Output::MakeText(const RowView* row, Reason reason, std::string& out) {
    const std::array<std::string_view, 4> fields = FieldsOf(row);
    out.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        scratch_.clear();
        AppendGbkAsUtf8(fields[i], scratch_);
        if (format_ == Format::kTsv) {
            out += '\t';
            AppendTsvField(scratch_, out);
        } else {
            out += kJsonKeys[i];
            AppendJsonString(scratch_, out);
        }
    }
    if (format_ == Format::kJson && !row) {
        out += ",\"reason\":";
        AppendJsonString(ReasonName(reason), out);
    }
    out += format_ == Format::kTsv ? "\n" : "}\n";
}

void Output::MakeCells(const RowView* row, Cells& out) {
    const std::array<std::string_view, 4> fields = FieldsOf(row);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        scratch_.clear();
        AppendGbkAsUtf8(fields[i], scratch_);
        out.text[i].clear();
        AppendEscapingControls(scratch_, out.text[i]);
        out.widths[i] = DisplayWidth(out.text[i]);
    }
}

bool Output::RecordCached(std::string_view query, std::size_t slot) {
    if (format_ == Format::kTable) {
        if (slot >= cellCache_.size() || !cellCache_[slot]) return false;
        HoldCells(query, *cellCache_[slot]);
    } else {
        if (slot >= texts_.size() || texts_[slot].empty()) return false;
        HoldText(query, texts_[slot]);
    }
    return true;
}

void Output::Record(std::string_view query, const RowView* row, std::size_t slot, Reason reason) {
    if (failed_) return;
    if (format_ == Format::kTable) {
        Cells* cells = &uncachedCells_;
        if (row && slot < cellCache_.size()) {
            if (!cellCache_[slot]) {
                cellCache_[slot] = std::make_unique<Cells>();
                MakeCells(row, *cellCache_[slot]);
            }
            cells = cellCache_[slot].get();
        } else {
            MakeCells(row, uncachedCells_);
        }
        HoldCells(query, *cells);
        return;
    }
    std::string* text = &uncachedText_;
    if (row && slot < texts_.size()) {
        if (texts_[slot].empty()) MakeText(row, reason, texts_[slot]);
        text = &texts_[slot];
    } else {
        MakeText(row, reason, uncachedText_);
    }
    HoldText(query, *text);
}

void Output::HoldCells(std::string_view query, const Cells& row) {
    if (failed_) return;
    // The cells' strings are kept from block to block, so that their memory is reused.
    if (cells_.size() < heldCells_ + kColumns) {
        cells_.resize(heldCells_ + kColumns);
        cellWidths_.resize(heldCells_ + kColumns);
    }
    for (std::size_t i = 0; i < row.text.size(); ++i) {
        cells_[heldCells_] = row.text[i];
        cellWidths_[heldCells_++] = row.widths[i];
    }
    std::string& cell = cells_[heldCells_];
    cell.clear();
    AppendEscapingControls(query, cell);
    cellWidths_[heldCells_++] = 0;  // the query's column is the last: never padded
    if (heldCells_ >= kTableBlock * kColumns) WriteTableBlock();
}

void Output::HoldText(std::string_view query, std::string_view text) {
    if (failed_) return;
    if (format_ == Format::kTsv) {
        if (!headerDone_) buffer_ += kTsvHeader;
        AppendTsvField(query, buffer_);
    } else {
        buffer_ += "{\"query\":";
        AppendJsonString(query, buffer_);
    }
    headerDone_ = true;
    buffer_ += text;
    if (buffer_.size() >= kBlockBytes) Write();
}

void Output::WriteTableBlock() {
    const std::size_t columns = queryColumn_ ? kColumns : kColumns - 1;
    if (!headerDone_) {
        for (std::size_t i = 0; i < columns; ++i) widths_[i] = DisplayWidth(kTableHeader[i]);
    }
    for (std::size_t i = 0; i < heldCells_; ++i) {
        if (i % kColumns < columns - 1)
            widths_[i % kColumns] = std::max(widths_[i % kColumns], cellWidths_[i]);
    }
    // cellAt(i) gives the text and the width of column i.
    auto appendLine = [&](auto cellAt) {
        const std::size_t lineStart = buffer_.size();
        for (std::size_t i = 0; i < columns; ++i) {
            const auto [cell, width] = cellAt(i);
            buffer_ += cell;
            if (i + 1 < columns) {
                buffer_.append(widths_[i] - std::min(widths_[i], width), ' ');
                buffer_ += kGap;
            }
        }
        while (buffer_.size() > lineStart && buffer_.back() == ' ') buffer_.pop_back();
        buffer_ += '\n';
        if (buffer_.size() >= kBlockBytes) Write();
    };
    if (!headerDone_ && heldCells_ > 0) {
        appendLine([](std::size_t i) { return std::pair(kTableHeader[i], DisplayWidth(kTableHeader[i])); });
        headerDone_ = true;
    }
    for (std::size_t record = 0; record < heldCells_; record += kColumns) {
        appendLine([&](std::size_t i) {
            return std::pair(std::string_view(cells_[record + i]), cellWidths_[record + i]);
        });
    }
    heldCells_ = 0;
}

bool Output::Flush() {
    if (format_ == Format::kTable) WriteTableBlock();
    Write();
    return !failed_;
}

bool Output::Finish() {
    if (format_ == Format::kTsv && !headerDone_ && !failed_) {
        buffer_ += kTsvHeader;
        headerDone_ = true;
    }
    return Flush();
}

void Output::Write() {
    std::size_t done = 0;
    while (!failed_ && done < buffer_.size()) {
        const ssize_t wrote = ::write(STDOUT_FILENO, buffer_.data() + done, buffer_.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            failed_ = true;
            error_ = wrote < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    buffer_.clear();
}

}  // namespace telvane::cli
