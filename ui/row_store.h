// The bytes behind the report list: the rows of the last listing or search, kept as the file's GBK
// bytes. Plain C++, so that it can be checked on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup.h"

namespace telvane {

// Rows of four fields (province, region, area code, postcode), appended at the end and only ever
// removed all at once.
//
// The bytes of all rows lie in blocks of 64 KiB, one row's region, area code and postcode one after
// another, with a small record per row; a province is kept once for each run of rows it heads. So a
// row costs its bytes and 16 bytes more, whatever its number, and the memory grows without ever being
// copied.
class TRowStore {
public:
    // The most bytes kept of one field: more than a key name or a value of the data file can hold.
    static constexpr std::size_t kMostFieldBytes = 16383;

    TRowStore();
    ~TRowStore();
    TRowStore(const TRowStore&) = delete;
    TRowStore& operator=(const TRowStore&) = delete;

    // Removes every row. The first block stays, which is all a province or a search of the national
    // directory needs; the rest of the memory goes with the rows.
    void Clear();
    // Appends a row, each field kept to its first kMostFieldBytes bytes. Throws std::bad_alloc when the
    // rows would pass 4 GiB of text or the largest int in number; the rows before stay as they were.
    void Append(const RowView& row);

    std::size_t Size() const { return rows_.size(); }
    // The bytes of one field of a row below Size(): column 0 is the province, 1 the region, 2 the area
    // code, 3 the postcode. Valid until the next Clear.
    std::string_view Field(std::size_t row, int column) const;

private:
    struct Row {
        std::uint32_t start = 0;     // where the region begins: block number and offset within it
        std::uint32_t province = 0;  // in provinces_
        std::uint16_t regionLength = 0;
        std::uint16_t areaCodeLength = 0;
        std::uint16_t postcodeLength = 0;
    };
    const char* Bytes(std::uint32_t start) const;

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0;  // bytes used in the last block
    std::vector<Row> rows_;
    std::vector<std::string> provinces_;
};

}  // namespace telvane
