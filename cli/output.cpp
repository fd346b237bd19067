#include "output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>

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

// A JSON string; bytes that are not UTF-8 become U+FFFD.
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
std::array<std::string_view, 4> FieldsOf(const DirectoryRow* row) {
    if (!row) return {};
    return {row->province, row->region, row->areaCode, row->postcode};
}

}  // namespace

Output::Output(Format format, bool queryColumn) : format_(format), queryColumn_(queryColumn) {}

std::string Output::RowText(const DirectoryRow* row) {
    const std::array<std::string_view, 4> fields = FieldsOf(row);
    std::string out;
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
    out += format_ == Format::kTsv ? "\n" : "}\n";
    return out;
}

void Output::Record(std::string_view query, const DirectoryRow* row, std::size_t slot) {
    if (failed_) return;
    if (format_ == Format::kTable) {
        HoldTableRecord(query, row);
        return;
    }
    if (format_ == Format::kTsv) {
        if (!headerDone_) buffer_ += kTsvHeader;
        AppendTsvField(query, buffer_);
    } else {
        buffer_ += "{\"query\":";
        AppendJsonString(query, buffer_);
    }
    headerDone_ = true;
    if (slot < cache_.size()) {
        std::string& cached = cache_[slot];
        if (cached.empty()) cached = RowText(row);
        buffer_ += cached;
    } else {
        buffer_ += RowText(row);
    }
    if (buffer_.size() >= kBlockBytes) Write();
}

void Output::HoldTableRecord(std::string_view query, const DirectoryRow* row) {
    for (const std::string_view field : FieldsOf(row)) {
        cells_.emplace_back();
        AppendGbkAsUtf8(field, cells_.back());
    }
    cells_.emplace_back();
    AppendTsvField(query, cells_.back());  // the query keeps to its line
    if (cells_.size() >= kTableBlock * kColumns) WriteTableBlock();
}

void Output::WriteTableBlock() {
    const std::size_t columns = queryColumn_ ? kColumns : kColumns - 1;
    if (!headerDone_) {
        for (std::size_t i = 0; i < columns; ++i) widths_[i] = DisplayWidth(kTableHeader[i]);
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        if (i % kColumns < columns - 1)
            widths_[i % kColumns] = std::max(widths_[i % kColumns], DisplayWidth(cells_[i]));
    }
    auto appendLine = [&](auto cellAt) {
        const std::size_t lineStart = buffer_.size();
        for (std::size_t i = 0; i < columns; ++i) {
            const std::string_view cell = cellAt(i);
            buffer_ += cell;
            if (i + 1 < columns) {
                buffer_.append(widths_[i] - std::min(widths_[i], DisplayWidth(cell)), ' ');
                buffer_ += kGap;
            }
        }
        while (buffer_.size() > lineStart && buffer_.back() == ' ') buffer_.pop_back();
        buffer_ += '\n';
        if (buffer_.size() >= kBlockBytes) Write();
    };
    if (!headerDone_ && !cells_.empty()) {
        appendLine([](std::size_t i) { return kTableHeader[i]; });
        headerDone_ = true;
    }
    for (std::size_t record = 0; record < cells_.size(); record += kColumns) {
        appendLine([&](std::size_t i) -> std::string_view { return cells_[record + i]; });
    }
    cells_.clear();
}

bool Output::Finish() {
    if (format_ == Format::kTable) WriteTableBlock();
    Write();
    return !failed_;
}

void Output::Write() {
    std::size_t done = 0;
    while (!failed_ && done < buffer_.size()) {
        const ssize_t wrote = ::write(STDOUT_FILENO, buffer_.data() + done, buffer_.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            failed_ = true;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    buffer_.clear();
}

}  // namespace telvane::cli
