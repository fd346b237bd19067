// The rows of a directory read once, and what finds them without reading every row again: rows by
// area code or postcode, and rows by the characters of their region names.
//
// Every text is a GBK byte string, as elsewhere in the lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup.h"

namespace telvane {

class IniReader;

// The rows of the given provinces, each row of a section kept once however often the province list
// names its section (a list that names one section a thousand times costs no more than one that
// names it once). Rows are numbered in the order the directory search first hands them: provinces in
// the given order, then file order within each section. The search hands a section's rows again at
// each later position that names it; ProvinceBegin and ProvinceEnd give those rows for each position.
// The rows are views into the reader's text and into provinces, valid while both live unchanged.
class DirectoryRows {
public:
    DirectoryRows(IniReader& reader, const std::vector<std::string>& provinces);
    DirectoryRows(const DirectoryRows&) = delete;
    DirectoryRows& operator=(const DirectoryRows&) = delete;

    std::size_t size() const { return size_; }
    // The row as the position that reads it first hands it, or as position hands it.
    RowView operator[](std::size_t row) const { return View(row, Position(row)); }
    RowView View(std::size_t row, std::size_t position) const;
    std::string_view region(std::size_t row) const;
    std::string_view areaCode(std::size_t row) const;
    std::string_view postcode(std::size_t row) const;
    // The first position in the province list that reads the row.
    std::size_t Position(std::size_t row) const { return At(row).position; }

    // The rows the position (from 0) in the province list reads: [ProvinceBegin, ProvinceEnd).
    std::size_t ProvinceBegin(std::size_t position) const { return ranges_[position].begin; }
    std::size_t ProvinceEnd(std::size_t position) const { return ranges_[position].end; }
    // True when a position reads rows that an earlier one read too.
    bool repeats() const { return repeats_; }

private:
    // A row in 32 bytes: a key name fits the key list and a value its limit, so lengths fit 16 bits.
    struct Stored {
        const char* region;
        const char* value;
        std::uint16_t regionLength;
        std::uint16_t areaCodeLength;
        std::uint16_t postcodeStart;  // in the value: after the hyphen, or 0 without one
        std::uint16_t postcodeLength;
        std::uint32_t position;
    };
    struct Range {
        std::size_t begin = 0, end = 0;
    };
    // Rows are kept in blocks, so that they are never copied as they grow in number.
    static constexpr std::size_t kBlockShift = 10;
    static constexpr std::size_t kBlockRows = std::size_t{1} << kBlockShift;

    const Stored& At(std::size_t row) const { return blocks_[row >> kBlockShift][row & (kBlockRows - 1)]; }

    const std::vector<std::string>& provinces_;
    std::vector<std::unique_ptr<Stored[]>> blocks_;
    std::size_t size_ = 0;
    std::vector<Range> ranges_;
    bool repeats_ = false;
};

// The rows whose area code, or whose postcode, equals a text byte for byte, in row order.
class CodeIndex {
public:
    enum class Field { kAreaCode, kPostcode };
    static constexpr std::uint32_t kEnd = UINT32_MAX;

    CodeIndex(const DirectoryRows& rows, Field field);

    // The first row whose code is code, or kEnd; then Next of a row gives the next row of the same
    // code, or kEnd. An empty code finds nothing.
    std::uint32_t First(std::string_view code) const;
    std::uint32_t Next(std::uint32_t row) const { return next_[row]; }

private:
    std::string_view CodeOf(std::uint32_t row) const;
    std::size_t SlotOf(std::string_view code) const;

    const DirectoryRows& rows_;
    Field field_;
    std::vector<std::uint32_t> slots_;  // open addressing: the first row of each code, or kEnd
    std::vector<std::uint32_t> next_;
};

// The rows whose region name holds a text as whole characters (ContainsWholeCharacters), found
// through the rows that hold each of the text's characters.
class NameIndex {
public:
    explicit NameIndex(const DirectoryRows& rows);

    // Appends the numbers of the matching rows to found, in row order.
    void Find(std::string_view text, std::vector<std::uint32_t>& found) const;

private:
    const DirectoryRows& rows_;
    // For each character number (see the .cpp), the rows whose names hold it:
    // rowsOf_[starts_[c], starts_[c + 1]).
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> rowsOf_;
    std::vector<std::uint64_t> bits_;  // for each row, a bit for each character of its name
};

}  // namespace telvane
