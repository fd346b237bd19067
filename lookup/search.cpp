#include "directory/directory.h"
#include "lookup.h"

namespace telvane {
namespace {

// The search and the listing, handing each row's parts to emit(province, region, areaCode, postcode)
// as views; only what is kept is copied.
template <typename Emit>
void Search(const SearchCriteria& criteria, const std::vector<std::string>& provinces, IniReader& reader,
            Emit emit) {
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

struct ToRows {
    std::vector<DirectoryRow>& rows;
    void operator()(const std::string& province, std::string_view region, std::string_view areaCode,
                    std::string_view postcode) const {
        rows.push_back({province, std::string(region), std::string(areaCode), std::string(postcode)});
    }
};

}  // namespace

void SearchDirectory(const SearchCriteria& criteria, const std::vector<std::string>& provinces,
                     const std::string& iniPath, const RowSink& onRow) {
    // One reader for the whole search: the file is read once, and every province sees the same version.
    IniReader reader(iniPath);
    Search(criteria, provinces, reader, ToSink{onRow});
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
