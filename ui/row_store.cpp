#include "ui/row_store.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "directory/directory.h"

namespace telvane {

namespace {

// Blocks of 64 KiB, small enough for the allocator to hand out again from its heap rather than map
// afresh: a start packs the block number into its upper 16 bits and the offset into the lower 16,
// which bounds the text at 4 GiB. The longest row fits a block whole.
constexpr int kOffsetBits = 16;
constexpr std::size_t kBlockBytes = std::size_t{1} << kOffsetBits;
constexpr std::size_t kMostBlocks = std::size_t{1} << (32 - kOffsetBits);
static_assert(kKeyListBytes - 2 <= TRowStore::kMostFieldBytes &&
              kMaxValueBytes <= TRowStore::kMostFieldBytes);
static_assert(3 * TRowStore::kMostFieldBytes <= kBlockBytes);

std::string_view Cut(std::string_view field) {
    return field.substr(0, TRowStore::kMostFieldBytes);
}

}  // namespace

TRowStore::TRowStore() = default;

TRowStore::~TRowStore() = default;

void TRowStore::Clear() {
    blocks_.resize(std::min<std::size_t>(blocks_.size(), 1));
    std::vector<Row>().swap(rows_);
    std::vector<std::string>().swap(provinces_);
    used_ = 0;
}

void TRowStore::Append(const RowView& row) {
    if (rows_.size() == static_cast<std::size_t>(std::numeric_limits<int>::max())) throw std::bad_alloc();
    const std::string_view region = Cut(row.region), areaCode = Cut(row.areaCode),
                           postcode = Cut(row.postcode);
    const std::size_t length = region.size() + areaCode.size() + postcode.size();
    // Every row starts inside a block, an empty one too: an offset of a whole block would carry into
    // the block number.
    if (blocks_.empty() || used_ + length > kBlockBytes || used_ == kBlockBytes) {
        if (blocks_.size() == kMostBlocks) throw std::bad_alloc();
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
        used_ = 0;
    }
    if (provinces_.empty() || provinces_.back() != row.province) provinces_.emplace_back(row.province);

    char* out = blocks_.back().get() + used_;
    for (std::string_view field : {region, areaCode, postcode}) {
        if (!field.empty()) std::memcpy(out, field.data(), field.size());
        out += field.size();
    }
    rows_.push_back({static_cast<std::uint32_t>(((blocks_.size() - 1) << kOffsetBits) | used_),
                     static_cast<std::uint32_t>(provinces_.size() - 1),
                     static_cast<std::uint16_t>(region.size()), static_cast<std::uint16_t>(areaCode.size()),
                     static_cast<std::uint16_t>(postcode.size())});
    used_ += length;
}

const char* TRowStore::Bytes(std::uint32_t start) const {
    return blocks_[start >> kOffsetBits].get() + (start & (kBlockBytes - 1));
}

std::string_view TRowStore::Field(std::size_t row, int column) const {
    const Row& at = rows_[row];
    if (column == 0) return provinces_[at.province];
    const char* region = Bytes(at.start);
    switch (column) {
        case 1:
            return {region, at.regionLength};
        case 2:
            return {region + at.regionLength, at.areaCodeLength};
        default:
            return {region + at.regionLength + at.areaCodeLength, at.postcodeLength};
    }
}

}  // namespace telvane
