#include <algorithm>

#include "directory/directory.h"
#include "lookup.h"

namespace telvane {
namespace {

// Rows a vector makes room for at once; a search that may yield more grows it as it goes.
constexpr std::size_t kMostRowsReserved = std::size_t{1} << 20;

// The search and the listing, handing each row's parts to emit(province, region, areaCode, postcode)
// as views; only what is kept is copied. An emitter that keeps rows is first told how many may come.
template <typename Emit>
void Search(const SearchCriteria& criteria, const std::vector<std::string>& provinces, IniReader& reader,
            Emit emit) {
    if constexpr (requires { emit.Reserve(std::size_t{}); }) {
        std::size_t bound = 0;
        for (const std::string& province : provinces) {
            bound = std::min(bound + reader.EntryBound(province), kMostRowsReserved);
        }
        emit.Reserve(bound);
    }
    for (const std::string& province : provinces) {
        reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
            const EntryView entry = SplitEntryView(value);
            if (RowQualifies(criteria, entry.areaCode, entry.postcode)) {
                emit(province, key, entry.areaCode, entry.postcode);
            }
        });
    }
}

template <typename Emit>
void List(const std::string& province, IniReader& reader, Emit emit) {
    if constexpr (requires { emit.Reserve(std::size_t{}); }) emit.Reserve(reader.EntryBound(province));
    reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
        const EntryView entry = SplitEntryView(value);
        emit(province, key, entry.areaCode, entry.postcode);
    });
}

struct ToSink {
    const RowSink& onRow;
    void operator()(const std::string& province, std::string_view region, std::string_view areaCode,
                    std::string_view postcode) const {
        onRow({province, std::string(region), std::string(areaCode), std::string(postcode)});
    }
};

struct ToViews {
    const RowViewSink& onRow;
    void operator()(std::string_view province, std::string_view region, std::string_view areaCode,
                    std::string_view postcode) const {
        onRow({province, region, areaCode, postcode});
    }
};

// Rows kept in a vector, which makes room for every row the search may yield before the first: a
// vector grown step by step asks for fresh memory at each step, far dearer than the rows themselves
// once it outgrows the allocator's heap. Room never used costs address space only.
struct ToRows {
    std::vector<DirectoryRow>& rows;
    void Reserve(std::size_t bound) const { rows.reserve(bound); }
    void operator()(const std::string& province, std::string_view region, std::string_view areaCode,
                    std::string_view postcode) const {
        // Filled in place: no temporary row to move from.
        DirectoryRow& row = rows.emplace_back();
        row.province = province;
        row.region = region;
        row.areaCode = areaCode;
        row.postcode = postcode;
    }
};

}  // namespace

// Each search and listing opens one reader: the file is read once, and every province sees the same
// version of it.
void SearchDirectory(const SearchCriteria& criteria, const std::vector<std::string>& provinces,
                     const std::string& iniPath, const RowSink& onRow) {
    IniReader reader(iniPath);
    Search(criteria, provinces, reader, ToSink{onRow});
}

void SearchDirectory(const SearchCriteria& criteria, const std::vector<std::string>& provinces,
                     const std::string& iniPath, const RowViewSink& onRow) {
    IniReader reader(iniPath);
    Search(criteria, provinces, reader, ToViews{onRow});
}

std::vector<DirectoryRow> SearchDirectory(const SearchCriteria& criteria,
                                          const std::vector<std::string>& provinces,
                                          const std::string& iniPath) {
    std::vector<DirectoryRow> rows;
    IniReader reader(iniPath);
    Search(criteria, provinces, reader, ToRows{rows});
    return rows;
}

void SearchDirectory(const SearchCriteria& criteria, const std::vector<std::string>& provinces,
                     IniReader& reader, const RowSink& onRow) {
    Search(criteria, provinces, reader, ToSink{onRow});
}

void ListProvince(const std::string& province, const std::string& iniPath, const RowSink& onRow) {
    IniReader reader(iniPath);
    List(province, reader, ToSink{onRow});
}

void ListProvince(const std::string& province, const std::string& iniPath, const RowViewSink& onRow) {
    IniReader reader(iniPath);
    List(province, reader, ToViews{onRow});
}

std::vector<DirectoryRow> ListProvince(const std::string& province, const std::string& iniPath) {
    std::vector<DirectoryRow> rows;
    IniReader reader(iniPath);
    List(province, reader, ToRows{rows});
    return rows;
}

void ListProvince(const std::string& province, IniReader& reader, const RowSink& onRow) {
    List(province, reader, ToSink{onRow});
}

}  // namespace telvane
