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

EntryValue SplitEntryValue(std::string_view value) {
    const std::size_t hyphen = value.find('-');
    if (hyphen == std::string_view::npos) return {std::string(), std::string(value)};
    return {std::string(value.substr(0, hyphen)), std::string(value.substr(hyphen + 1))};
}

}  // namespace telvane
