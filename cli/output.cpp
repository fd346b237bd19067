#include "output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>

namespace telvane::cli {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::string_view kGap = "  ";
constexpr std::array<std::string_view, 5> kTableHeader = {"省份", "地区", "长途区号", "邮政编码", "查询"};
constexpr std::string_view kTsvHeader = "query\tprovince\tregion\tarea_code\tpostcode\n";

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

void TrimLineEnd(std::string& line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
}

}  // namespace

Output::Output(Format format, Converters& text, bool queryColumn)
    : format_(format), text_(text), queryColumn_(queryColumn), streaming_(format != Format::kTable) {}

void Output::StreamTable(const Widths& widths) {
    streaming_ = true;
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths_[i] = std::max(widths[i], DisplayWidth(kTableHeader[i]));
}

Output::Widths Output::WidthsOf(const DirectoryRow& row) {
    Widths widths{};
    const std::string* fields[] = {&row.province, &row.region, &row.areaCode, &row.postcode};
    for (std::size_t i = 0; i < widths.size(); ++i) widths[i] = DisplayWidth(text_.Utf8(*fields[i]));
    return widths;
}

void Output::AppendPadded(std::string_view cell, std::size_t width) {
    buffer_ += cell;
    const std::size_t used = DisplayWidth(cell);
    buffer_.append(width > used ? width - used : 0, ' ');
}

std::string Output::RowText(const DirectoryRow* row) {
    const std::string empty;
    const std::string* fields[] = {row ? &row->province : &empty, row ? &row->region : &empty,
                                   row ? &row->areaCode : &empty, row ? &row->postcode : &empty};
    static constexpr std::string_view kJsonKeys[] = {
        ",\"province\":", ",\"region\":", ",\"area_code\":", ",\"postcode\":"};
    std::string out;
    for (std::size_t i = 0; i < 4; ++i) {
        scratch_.clear();
        text_.AppendUtf8(*fields[i], scratch_);
        switch (format_) {
            case Format::kTsv:
                out += '\t';
                AppendTsvField(scratch_, out);
                break;
            case Format::kJson:
                out += kJsonKeys[i];
                AppendJsonString(scratch_, out);
                break;
            case Format::kTable:
                out += scratch_;
                if (i < 3 || queryColumn_) {
                    const std::size_t used = DisplayWidth(scratch_);
                    out.append(widths_[i] > used ? widths_[i] - used : 0, ' ');
                    out += kGap;
                }
                break;
        }
    }
    if (format_ == Format::kJson) out += "}\n";
    if (format_ == Format::kTsv) out += '\n';
    return out;
}

const std::string& Output::CachedRowText(const DirectoryRow* row, std::size_t slot) {
    std::string& cached = cache_[slot];
    if (cached.empty()) cached = RowText(row);
    return cached;
}

void Output::Record(std::string_view query, const DirectoryRow* row, std::size_t slot) {
    if (failed_) return;
    if (!streaming_) {
        // Held until Finish, when the columns' widths are known.
        const std::string empty;
        for (const std::string* field : {row ? &row->province : &empty, row ? &row->region : &empty,
                                         row ? &row->areaCode : &empty, row ? &row->postcode : &empty}) {
            cells_.emplace_back();
            text_.AppendUtf8(*field, cells_.back());
        }
        cells_.emplace_back(query);
        return;
    }
    if (!headerDone_) {
        headerDone_ = true;
        if (format_ == Format::kTsv) buffer_ += kTsvHeader;
        if (format_ == Format::kTable) {
            for (std::size_t i = 0; i < 4; ++i) {
                if (i == 3 && !queryColumn_) {
                    buffer_ += kTableHeader[i];
                    break;
                }
                AppendPadded(kTableHeader[i], widths_[i]);
                buffer_ += kGap;
            }
            if (queryColumn_) buffer_ += kTableHeader[4];
            buffer_ += '\n';
        }
    }
    const bool cached = slot != kNoCache && slot < cache_.size();
    switch (format_) {
        case Format::kTsv:
            AppendTsvField(query, buffer_);
            buffer_ += cached ? CachedRowText(row, slot) : RowText(row);
            break;
        case Format::kJson:
            buffer_ += "{\"query\":";
            AppendJsonString(query, buffer_);
            buffer_ += cached ? CachedRowText(row, slot) : RowText(row);
            break;
        case Format::kTable: {
            const std::size_t lineStart = buffer_.size();
            buffer_ += cached ? CachedRowText(row, slot) : RowText(row);
            if (queryColumn_) AppendTsvField(query, buffer_);
            while (buffer_.size() > lineStart && buffer_.back() == ' ') buffer_.pop_back();
            buffer_ += '\n';
            break;
        }
    }
    if (buffer_.size() >= kBlockBytes) Write();
}

bool Output::Finish() {
    if (!streaming_ && !cells_.empty()) {
        const std::size_t columns = queryColumn_ ? 5 : 4;
        std::array<std::size_t, 5> widths{};
        for (std::size_t i = 0; i < columns; ++i) widths[i] = DisplayWidth(kTableHeader[i]);
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            if (i % 5 < columns) widths[i % 5] = std::max(widths[i % 5], DisplayWidth(cells_[i]));
        }
        std::string line;
        auto emitLine = [&](auto cellAt) {
            line.clear();
            for (std::size_t i = 0; i < columns; ++i) {
                const std::string_view cell = cellAt(i);
                line += cell;
                if (i + 1 < columns) {
                    const std::size_t used = DisplayWidth(cell);
                    line.append(widths[i] - std::min(widths[i], used), ' ');
                    line += kGap;
                }
            }
            TrimLineEnd(line);
            buffer_ += line;
            buffer_ += '\n';
            if (buffer_.size() >= kBlockBytes) Write();
        };
        emitLine([](std::size_t i) { return kTableHeader[i]; });
        for (std::size_t record = 0; record < cells_.size(); record += 5) {
            emitLine([&](std::size_t i) -> std::string_view {
                if (i == 4) {
                    // The query keeps to its line.
                    scratch_.clear();
                    AppendTsvField(cells_[record + 4], scratch_);
                    return scratch_;
                }
                return cells_[record + i];
            });
        }
        cells_.clear();
    }
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
