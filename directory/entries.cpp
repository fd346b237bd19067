#include "directory.h"

namespace telvane {

std::vector<std::string> ParseProvinceList(std::string_view list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t comma = list.find(','); comma != std::string_view::npos; comma = list.find(',', start)) {
        names.emplace_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

std::vector<std::string> ReadProvinceList(IniReader& reader) {
    return ParseProvinceList(reader.ReadValue(kProvinceListSection, kProvinceListKey, ""));
}

EntryView SplitEntryView(std::string_view value) {
    const std::size_t hyphen = value.find('-');
    if (hyphen == std::string_view::npos) return {std::string_view(), value};
    return {value.substr(0, hyphen), value.substr(hyphen + 1)};
}

EntryValue SplitEntryValue(std::string_view value) {
    const EntryView view = SplitEntryView(value);
    return {std::string(view.areaCode), std::string(view.postcode)};
}

}  // namespace telvane
