// The report list's row store over arbitrary sequences of rows and emptyings. Each field is drawn
// empty, of one byte, of a few bytes, of the length that fills the rest of the store's 64 KiB block
// (or one byte short of it), of the store's limit or longer, or of any length up to 20,000 bytes;
// each row's bytes differ from every other row's. After every append the new row and the first row
// read back, and at every emptying and at the end every row does: each field exactly as appended,
// cut to kMostFieldBytes (the province whole), and the row count matches.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check.h"
#include "ui/row_store.h"

namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 16;
// Bounds on one input's rows, to keep each run short.
constexpr std::size_t kMostRows = 2048;
constexpr std::size_t kMostBytes = std::size_t{1} << 20;

using Fields = std::array<std::string, 4>;
using telvane::TRowStore;

// A field's bytes: one byte all through, with the row's serial number and the field's at either end,
// so that bytes read from another row or field differ.
std::string FieldBytes(std::uint32_t serial, std::size_t field, std::size_t n) {
    std::string bytes(n, static_cast<char>(serial * 31 + field * 7));
    for (std::size_t i = 0; i < 4 && i < n; ++i) {
        const char tag = static_cast<char>((serial >> (8 * i)) ^ field);
        bytes[i] = tag;
        bytes[n - 1 - i] = tag;
    }
    return bytes;
}

void CheckRow(const TRowStore& store, const std::vector<Fields>& rows, std::size_t row) {
    for (int column = 0; column < 4; ++column) {
        std::string_view expected = rows[row][static_cast<std::size_t>(column)];
        if (column > 0) expected = expected.substr(0, TRowStore::kMostFieldBytes);
        FUZZ_CHECK(store.Field(row, column) == expected);
    }
}

void CheckAll(const TRowStore& store, const std::vector<Fields>& rows) {
    FUZZ_CHECK(store.Size() == rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) CheckRow(store, rows, row);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TRowStore store;
    std::vector<Fields> rows;
    // Where the next row would begin in its block if rows fill blocks in order: a guide to lengths that
    // reach a block's end, not a check.
    std::size_t used = 0;
    std::size_t bytes = 0;
    unsigned serial = 0;
    while (input.remaining_bytes() > 0 && rows.size() < kMostRows && bytes < kMostBytes) {
        const auto what = input.ConsumeIntegral<std::uint8_t>();
        if (what == 0xFF) {
            CheckAll(store, rows);
            store.Clear();
            rows.clear();
            used = 0;
            CheckAll(store, rows);
            continue;
        }
        static const char* const kProvinces[] = {"", "p", "\xB1\xB1\xBE\xA9", "another province"};
        Fields fields;
        fields[0] = kProvinces[what & 3];
        std::size_t length = 0;  // of the row as kept
        for (std::size_t field = 1; field < 4; ++field) {
            const std::size_t rest = kBlockBytes - (used + length) % kBlockBytes;
            std::size_t n = 0;
            switch (input.ConsumeIntegralInRange(0, 7)) {
                case 0:
                    n = 0;
                    break;
                case 1:
                    n = 1;
                    break;
                case 2:
                    n = input.ConsumeIntegralInRange<std::size_t>(2, 64);
                    break;
                case 3:
                    n = rest;
                    break;
                case 4:
                    n = rest - 1;
                    break;
                case 5:
                    n = TRowStore::kMostFieldBytes;
                    break;
                case 6:
                    n = TRowStore::kMostFieldBytes + input.ConsumeIntegralInRange<std::size_t>(1, 1000);
                    break;
                default:
                    n = input.ConsumeIntegralInRange<std::size_t>(0, 20000);
                    break;
            }
            fields[field] = FieldBytes(serial, field, n);
            length += std::min(n, TRowStore::kMostFieldBytes);
            bytes += n;
        }
        ++serial;

        store.Append({fields[0], fields[1], fields[2], fields[3]});
        rows.push_back(std::move(fields));
        used = used + length > kBlockBytes ? length : used + length;
        FUZZ_CHECK(store.Size() == rows.size());
        CheckRow(store, rows, rows.size() - 1);
        CheckRow(store, rows, 0);
    }
    CheckAll(store, rows);
    return 0;
}
