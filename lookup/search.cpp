#include "directory/directory.h"
#include "lookup.h"

namespace telvane {
namespace {

std::vector<DirectoryRow> Collect(const std::function<void(const RowSink&)>& produce) {
    std::vector<DirectoryRow> rows;
    produce([&rows](DirectoryRow&& row) { rows.push_back(std::move(row)); });
    return rows;
}

}  // namespace

void SearchDirectory(const SearchCriteria& criteria, const std::vector<std::string>& provinces,
                     const std::string& iniPath, const RowSink& onRow) {
    // One reader for the whole search: the file is read once, and every province sees the same version.
    IniReader reader(iniPath);
    for (const std::string& province : provinces) {
        reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
            EntryValue entry = SplitEntryValue(value);
            if (RowQualifies(criteria, entry.areaCode, entry.postcode)) {
                onRow({province, std::string(key), std::move(entry.areaCode), std::move(entry.postcode)});
            }
        });
    }
}

std::vector<DirectoryRow> SearchDirectory(const SearchCriteria& criteria,
                                          const std::vector<std::string>& provinces,
                                          const std::string& iniPath) {
    return Collect([&](const RowSink& sink) { SearchDirectory(criteria, provinces, iniPath, sink); });
}

void ListProvince(const std::string& province, const std::string& iniPath, const RowSink& onRow) {
    IniReader reader(iniPath);
    reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
        EntryValue entry = SplitEntryValue(value);
        onRow({province, std::string(key), std::move(entry.areaCode), std::move(entry.postcode)});
    });
}

std::vector<DirectoryRow> ListProvince(const std::string& province, const std::string& iniPath) {
    return Collect([&](const RowSink& sink) { ListProvince(province, iniPath, sink); });
}

}  // namespace telvane
