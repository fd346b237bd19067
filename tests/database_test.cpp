// The shipped database (telvane.sqlite) against the shipped tesmar.ini and the facts it must hold, and
// the converter's refusals of the database's tables.
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "directory/codec.h"
#include "directory/directory.h"
#include "temp_dir.h"

namespace telvane {
namespace {

// The shipped database, opened read-only; rows come back as UTF-8 text.
class Database {
public:
    Database() {
        if (sqlite3_open_v2(TELVANE_DATABASE_FILE, &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << TELVANE_DATABASE_FILE;
    }
    ~Database() { sqlite3_close(db_); }

    // The rows of a query with ? bound to the parameters, each row its columns joined by '|'.
    std::vector<std::string> Rows(const std::string& sql, const std::vector<std::string>& parameters = {}) {
        sqlite3_stmt* statement = nullptr;
        std::vector<std::string> rows;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
            return rows;
        }
        for (std::size_t i = 0; i < parameters.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].c_str(), -1,
                              SQLITE_TRANSIENT);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                row += (c ? "|" : "") + std::string(text ? text : "");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
        return rows;
    }
    std::string One(const std::string& sql, const std::vector<std::string>& parameters = {}) {
        const std::vector<std::string> rows = Rows(sql, parameters);
        return rows.empty() ? "(none)" : rows.front();
    }

private:
    sqlite3* db_ = nullptr;
};

TEST(DatabaseTest, HoldsOneRowPerEntryOfTesmarIniInFileOrder) {
    IniReader reader(TELVANE_DATA_FILE);
    std::vector<std::string> fromIni;
    for (const std::string& province : ReadProvinceList(reader)) {
        reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
            const EntryValue codes = SplitEntryValue(std::string(value));
            fromIni.push_back(GbkToUtf8(province) + "|" + GbkToUtf8(key) + "|" + codes.areaCode + "|" +
                              codes.postcode);
        });
    }
    ASSERT_GT(fromIni.size(), 3000u);
    Database db;
    EXPECT_EQ(db.Rows("SELECT province, region, area_code, postcode FROM tesmar_entries"), fromIni);
    EXPECT_EQ(db.Rows("SELECT id FROM tesmar_entries").back(), std::to_string(fromIni.size()));
}

TEST(DatabaseTest, IsVersionedAndSmall) {
    Database db;
    EXPECT_EQ(db.One("PRAGMA user_version"), "1");
    EXPECT_LE(std::filesystem::file_size(TELVANE_DATABASE_FILE), 8u << 20);
    // Every mainland row has its division code; a county names its prefecture-level row.
    EXPECT_EQ(db.One("SELECT count(*) FROM regions JOIN provinces p ON p.id = province_id "
                     "WHERE p.kind IN ('province', 'autonomous-region', 'municipality') AND "
                     "regions.division_code IS NULL"),
              "0");
    EXPECT_EQ(db.One("SELECT p.name || ' ' || c.name FROM regions c JOIN regions p ON p.id = c.prefecture_id "
                     "WHERE c.key = '阳泉市城区'"),
              "阳泉市 城区");
}

// Place names read otherwise than their characters' common reading.
TEST(DatabaseTest, ReadsPlaceNamesAsThePlacesAreCalled) {
    const std::pair<const char*, const char*> names[] = {
        {"六安市", "lu an shi"},         {"蚌埠市", "beng bu shi"},
        {"乐亭县", "lao ting xian"},     {"洪洞县", "hong tong xian"},
        {"铅山县", "yan shan xian"},     {"莘县", "shen xian"},
        {"番禺区", "pan yu qu"},         {"歙县", "she xian"},
        {"单县", "shan xian"},           {"蔚县", "yu xian"},
        {"六合区", "lu he qu"},          {"黄陂区", "huang pi qu"},
        {"宕昌县", "tan chang xian"},    {"吕梁市", "lü liang shi"},
        {"埔里镇", "pu li zhen"},        {"朴子市", "pu zi shi"},
        {"深水埗区", "shen shui bu qu"}, {"岑岭县", "cen ling xian"},
    };
    Database db;
    for (const auto& [name, pinyin] : names) {
        EXPECT_EQ(db.One("SELECT DISTINCT pinyin FROM regions WHERE name = ?", {name}), pinyin) << name;
    }
    // The keys a person types: pinyin run together, with ü as v or u, and initials, of the name without
    // its generic part.
    EXPECT_EQ(
        db.Rows("SELECT r.name FROM names n JOIN regions r ON r.id = n.region_id WHERE n.key = 'suzhou' "
                "AND n.kind = 'short-pinyin' AND r.kind = 'prefecture' ORDER BY r.id"),
        (std::vector<std::string>{"苏州市", "宿州市"}));
    for (const char* key : {"lvliang", "luliang", "lls"}) {
        EXPECT_EQ(db.One("SELECT count(*) FROM names n JOIN regions r ON r.id = n.region_id "
                         "WHERE n.key = ? AND r.name = '吕梁市'",
                         {key}),
                  "1")
            << key;
    }
}

TEST(DatabaseTest, FindsUnitsByTheirFormerNames) {
    const std::pair<const char*, const char*> formers[] = {
        {"襄樊", "湖北省 襄阳市"},
        {"襄樊市", "湖北省 襄阳市"},
        {"吴江市", "江苏省 苏州市吴江区"},
        {"莱芜市", "山东省 济南市莱芜区"},
        {"思茅市", "云南省 普洱市"},
        {"巢湖市", "安徽省 合肥市巢湖市"},
        {"日喀则地区", "西藏自治区 日喀则市"},  // the 地区 that became 市
        {"哈密地区", "新疆维吾尔自治区 哈密市"},
        {"铜仁地区", "贵州省 铜仁市"},
        {"海东地区", "青海省 海东市"},
        {"江北区", "重庆 重庆市两江新区"},  // 2025
    };
    Database db;
    for (const auto& [former, now] : formers) {
        // A name may stand for more than one former unit (思茅市 the prefecture and the county-level city).
        const std::vector<std::string> found = db.Rows(
            "SELECT p.name || ' ' || coalesce(pr.name, '') || r.name FROM names n "
            "JOIN regions r ON r.id = n.region_id JOIN provinces p ON p.id = r.province_id "
            "LEFT JOIN regions pr ON pr.id = r.prefecture_id WHERE n.key = ? AND n.kind = 'former'",
            {former});
        EXPECT_NE(std::find(found.begin(), found.end(), now), found.end())
            << former << " found " << found.size();
    }
    EXPECT_EQ(
        db.One("SELECT level || ' ' || change || ' ' || listed_from || '-' || listed_to FROM former_names "
               "WHERE name = '襄樊市'"),
        "prefecture renamed 1981-2009");
}

TEST(DatabaseTest, PlacesMobilePrefixesByTheirRuns) {
    const std::pair<int, const char*> prefixes[] = {
        {1380013, "北京 北京市"},   {1303520, "湖北省 襄阳市"},  // written 襄樊 in the source
        {1300002, "安徽省 合肥市"},                              // 巢湖
        {1300276, "山东省 济南市"},                              // 莱芜
        {1349000, "北京 北京市"},                                // from the six-digit line 861349
        {1349045, "福建省 泉州市"},                              // a seven-digit line inside it
        {1730000, "(none)"},  // the stray three-digit line 86173 is left out
        {1990000, "(none)"},  // 19x: no place recorded
    };
    Database db;
    for (const auto& [prefix, place] : prefixes) {
        EXPECT_EQ(db.One("SELECT p.name || ' ' || r.name FROM mobile_prefixes m "
                         "JOIN regions r ON r.id = m.region_id JOIN provinces p ON p.id = r.province_id "
                         "WHERE m.first_prefix = (SELECT max(first_prefix) FROM mobile_prefixes WHERE "
                         "first_prefix <= ?1) "
                         "AND m.last_prefix >= ?1",
                         {std::to_string(prefix)}),
                  place)
            << prefix;
    }
    // Runs are ordered, apart and merged: a binary search over them finds a prefix's run.
    EXPECT_EQ(db.One("SELECT count(*) FROM (SELECT first_prefix, last_prefix, region_id, "
                     "  lag(last_prefix) OVER (ORDER BY first_prefix) AS previous_last, "
                     "  lag(region_id) OVER (ORDER BY first_prefix) AS previous_region FROM mobile_prefixes) "
                     "WHERE last_prefix < first_prefix OR previous_last >= first_prefix "
                     "OR (previous_last = first_prefix - 1 AND previous_region = region_id)"),
              "0");
    // Every prefecture-level row of the mainland has some prefix, but for Hainan's: the source places all
    // of Hainan's at 海口市.
    EXPECT_EQ(db.Rows("SELECT r.name FROM regions r JOIN provinces p ON p.id = r.province_id "
                      "WHERE p.kind IN ('province', 'autonomous-region') AND r.kind = 'prefecture' "
                      "AND r.id NOT IN (SELECT region_id FROM mobile_prefixes)"),
              (std::vector<std::string>{"三亚市", "三沙市", "儋州市"}));
}

TEST(DatabaseTest, NamesTheOriginalCarrierOfASegment) {
    const std::pair<const char*, const char*> numbers[] = {
        {"13800138000", "中国移动 ordinary"},
        {"13490001234", "中国电信 ordinary"},
        {"19212345678", "中国广电 ordinary"},
        {"17001234567", "中国电信 virtual"},
        {"17491234567", "北京船舶通信导航有限公司 satellite"},
        {"1440123456789", "中国移动 iot"},
        {"16112345678", "(none)"},  // listed by libphonenumber alone
    };
    Database db;
    for (const auto& [number, carrier] : numbers) {
        EXPECT_EQ(db.One("SELECT carrier || ' ' || category FROM carriers WHERE ?1 LIKE prefix || '%' "
                         "ORDER BY length(prefix) DESC LIMIT 1",
                         {number}),
                  carrier)
            << number;
    }
}

// Runs the converter on the shipped tables copied to a scratch folder, with the region table's rows or
// another table replaced; gives its exit status and what it said.
struct Outcome {
    int status;
    std::string message;
};

Outcome ConvertWith(const testing::TempDir& dir, const std::string& file, const std::string& text) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TELVANE_DATA_DIR)) {
        const auto relative = std::filesystem::relative(entry.path(), TELVANE_DATA_DIR);
        if (entry.is_directory()) {
            std::filesystem::create_directories(dir.path() / relative);
        } else if (entry.path().extension() == ".tsv" || entry.path().extension() == ".txt") {
            std::filesystem::copy_file(entry.path(), dir.path() / relative);
        }
    }
    dir.Write(file, text);
    const std::string log = dir.File("log.txt");
    const std::string command = std::string(TESMAR_GEN) + " '" + dir.File("regions.tsv") + "' '" +
                                dir.File("tesmar.ini") + "' --unihan '" + TELVANE_UNIHAN_READINGS +
                                "' --database '" + dir.File("telvane.sqlite") + "' 2> '" + log + "'";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream said;
    said << in.rdbuf();
    return {status, said.str()};
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) ADD_FAILURE() << "no " << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(DatabaseConverterTest, RefusesWhatTheDatabaseCouldNotHoldRight) {
    const std::string regions = ReadFile(std::string(TELVANE_DATA_DIR) + "/regions.tsv");
    const std::string former = ReadFile(std::string(TELVANE_DATA_DIR) + "/former_names.tsv");
    const std::string places = ReadFile(std::string(TELVANE_DATA_DIR) + "/segment_places.tsv");
    struct Case {
        const char* name;
        std::string file, text;
        const char* expected;
        int messages = 1;  // one fault, told once
    };
    const Case cases[] = {
        {"a syllable that is no reading of its character", "regions.tsv",
         Replaced(regions, "\tbei jing shi\t", "\tbei jin shi\t"),
         "regions.tsv:2: pinyin 'bei jin shi' of '北京市': 'jin' is not a reading of 京 in Unihan (it gives "
         "jing)"},
        {"a place reading outside its place", "regions.tsv",
         Replaced(regions, "\tle shan shi\t", "\tlao shan shi\t"), "'lao' is not a reading of 乐"},
        {"a syllable too few", "regions.tsv", Replaced(regions, "\tlao ting xian\t", "\tlao ting\t"),
         "pinyin 'lao ting' of '乐亭县' has 2 syllables for 3 characters"},
        {"ü written v", "regions.tsv", Replaced(regions, "\tlü liang shi\t", "\tlv liang shi\t"),
         "'lv' is not a reading of 吕"},
        {"a mainland row without its code", "regions.tsv", Replaced(regions, "\t110101\t", "\t\t"),
         "regions.tsv:3: '东城区' has no division code"},
        {"a successor that is no region", "former_names.tsv",
         Replaced(former, "\t420600\tareacodes", "\t420699\tareacodes"), "former_names.tsv:"},
        {"a place of the geocoding file left unmapped", "segment_places.tsv",
         Replaced(places, "湖北省襄樊市\t湖北省\t襄阳市", "湖北省襄阳市\t湖北省\t襄阳市"),
         "geocoding-zh-86.txt:2129: place '湖北省襄樊市' (489 lines from here) is not in segment_places.tsv",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        const Outcome outcome = ConvertWith(dir, c.file, c.text);
        EXPECT_NE(outcome.status, 0);
        EXPECT_NE(outcome.message.find(c.expected), std::string::npos) << outcome.message;
        EXPECT_EQ(std::count(outcome.message.begin(), outcome.message.end(), '\n'), c.messages)
            << outcome.message;
        EXPECT_FALSE(std::filesystem::exists(dir.File("telvane.sqlite")));
    }
}

}  // namespace
}  // namespace telvane
