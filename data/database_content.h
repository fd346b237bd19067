// Gathers what the database holds: the rows of the region table as the converter read them, and the
// tables beside it (provinces.tsv, former_names.tsv, segment_places.tsv, carriers.tsv and
// libphonenumber's geocoding file), each checked against the region table.
#pragma once

#include <string>
#include <vector>

#include "data/database.h"
#include "data/pinyin.h"

namespace telvane::data {

// One row of the region table, UTF-8, with the key it has in tesmar.ini.
struct RegionFacts {
    int line = 0;
    std::string province, prefecture, county, key, areaCode, postcode, divisionCode, kind, pinyin;
};

struct TableFailure {
    std::string file;  // relative to the data folder
    int line = 0;
    std::string message;
};

// The name without its generic part: 苏州 for 苏州市, 延边 for 延边朝鲜族自治州, 和县 for 和县 (a name
// keeps at least two characters).
std::u32string ShortName(const std::u32string& name);

// Fills content from the regions and the tables in dataDir; false with the failures when a table
// cannot be read or does not fit the regions.
// Readings, when given, check the pinyin of the provinces against Unihan.
bool GatherDatabaseContent(const std::string& dataDir, const std::vector<RegionFacts>& regions,
                           const Readings* readings, DatabaseContent& content,
                           std::vector<TableFailure>& failures);

}  // namespace telvane::data
