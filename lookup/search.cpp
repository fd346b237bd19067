#include "directory/directory.h"
#include "lookup.h"

namespace telvane {

// Each search and listing opens one reader: the file is read once, and every province sees the same
// version of it.
void SearchDirectory(const SearchCriteria& criteria, const std::vector<std::string>& provinces,
                     const std::string& iniPath, const RowViewSink& onRow) {
    IniReader reader(iniPath);
    for (const std::string& province : provinces) {
        reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
            const EntryView entry = SplitEntryView(value);
            if (RowQualifies(criteria, entry.areaCode, entry.postcode))
                onRow({province, key, entry.areaCode, entry.postcode});
        });
    }
}

void ListProvince(const std::string& province, const std::string& iniPath, const RowViewSink& onRow) {
    IniReader reader(iniPath);
    reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
        const EntryView entry = SplitEntryView(value);
        onRow({province, key, entry.areaCode, entry.postcode});
    });
}

}  // namespace telvane
