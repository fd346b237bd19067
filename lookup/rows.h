// The rows of a directory read once, and what finds them without reading every row again: rows by
// area code or postcode, and rows by the characters of their region names.
//
// Every text is a GBK byte string, as elsewhere in the lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup.h"

namespace telvane {

class IniReader;

// Every row of the given provinces, in the order the directory search hands them: provinces in the
// given order (one named twice is read twice), then file order within each section. The rows are
// views into the reader's text and into provinces, valid while both live unchanged.
class DirectoryRows {
public:
    DirectoryRows(IniReader& reader, const std::vector<std::string>& provinces);
    DirectoryRows(const DirectoryRows&) = delete;
    DirectoryRows& operator=(const DirectoryRows&) = delete;

    std::size_t size() const { return rows_.size(); }
    const RowView& operator[](std::size_t row) const { return rows_[row]; }

    // The rows of the province at position (from 0) of the provinces the rows were read for:
    // [ProvinceBegin, ProvinceEnd).
    std::size_t ProvinceBegin(std::size_t position) const { return starts_[position]; }
    std::size_t ProvinceEnd(std::size_t position) const { return starts_[position + 1]; }

private:
    std::vector<RowView> rows_;
    std::vector<std::size_t> starts_;
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
};

}  // namespace telvane
