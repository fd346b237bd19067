// The directory as an SQLite database (telvane.sqlite): what the converter gathered from the data
// tables, written in one go. data/README.md documents the schema.
#pragma once

#include <string>
#include <vector>

namespace telvane::data {

// Raised whenever the schema changes: readers check it with PRAGMA user_version.
constexpr int kDatabaseVersion = 1;

struct ProvinceRecord {
    std::string name, fullName, divisionCode, kind, pinyin;  // UTF-8
};

struct RegionRecord {
    int province = 0;     // index into provinces
    int prefecture = -1;  // index into regions of the prefecture-level row, or -1
    std::string key, name, shortName, kind, divisionCode, areaCode, postcode, pinyin;
    std::size_t shortSyllables = 0;  // syllables of pinyin that spell shortName
};

struct FormerRecord {
    int province = 0;
    std::string name, shortName, prefecture, divisionCode, level, change, source;
    int listedFrom = 0, listedTo = 0;
    std::vector<int> successors;  // indexes into regions, what it mainly became first
};

struct SegmentRun {
    int first = 0, last = 0;  // seven-digit prefixes
    int region = 0;
};

struct CarrierRecord {
    std::string prefix, carrier, category, source;
    int numberLength = 0;
};

struct SourceRecord {
    std::string name, what, origin, licence;
};

struct DatabaseContent {
    std::vector<ProvinceRecord> provinces;
    std::vector<RegionRecord> regions;  // in the order of tesmar.ini
    std::vector<FormerRecord> formerNames;
    std::vector<SegmentRun> segments;  // ascending, not overlapping
    std::vector<CarrierRecord> carriers;
    std::vector<SourceRecord> sources;
    std::string currentTo;
};

// Writes the database to path (through a temporary file renamed into place); false with a message.
bool WriteDatabase(const std::string& path, const DatabaseContent& content, std::string& error);

}  // namespace telvane::data
