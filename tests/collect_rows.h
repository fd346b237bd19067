// The rows a search or a listing hands over, collected for comparing.
#pragma once

#include <string>
#include <vector>

#include "lookup/lookup.h"

namespace telvane::testing {

inline DirectoryRow Copy(const RowView& row) {
    return {std::string(row.province), std::string(row.region), std::string(row.areaCode),
            std::string(row.postcode)};
}

inline std::vector<DirectoryRow> Found(const SearchCriteria& criteria,
                                       const std::vector<std::string>& provinces,
                                       const std::string& iniPath) {
    std::vector<DirectoryRow> rows;
    SearchDirectory(criteria, provinces, iniPath, [&rows](const RowView& row) { rows.push_back(Copy(row)); });
    return rows;
}

inline std::vector<DirectoryRow> Listed(const std::string& province, const std::string& iniPath) {
    std::vector<DirectoryRow> rows;
    ListProvince(province, iniPath, [&rows](const RowView& row) { rows.push_back(Copy(row)); });
    return rows;
}

}  // namespace telvane::testing
