// The shipped directory, read back through the program's own reader, and the converter's refusals.
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "collect_rows.h"
#include "directory/codec.h"
#include "directory/directory.h"
#include "lookup/lookup.h"
#include "temp_dir.h"

namespace telvane {
namespace {

std::string Gbk(const std::string& utf8) {
    std::optional<std::string> gbk = Utf8ToGbk(utf8);
    if (!gbk) ADD_FAILURE() << "not convertible to GBK: " << utf8;
    return gbk.value_or("");
}

struct TableRow {
    std::string province, prefecture, county, areaCode, postcode;
};

std::vector<TableRow> ReadTable(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);  // header
    std::vector<TableRow> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        fields.resize(6);
        rows.push_back({Gbk(fields[0]), Gbk(fields[1]), Gbk(fields[2]), fields[3], fields[4]});
    }
    return rows;
}

TEST(NationalDirectoryTest, ReadsBackAsExactlyTheTable) {
    const std::vector<TableRow> table = ReadTable(TELVANE_REGION_TABLE);
    ASSERT_GT(table.size(), 3000u);

    // Expected rows per province, in table order. A region name that stands twice in its province is
    // qualified by its prefecture.
    std::vector<std::string> provinces;
    std::map<std::string, std::vector<DirectoryRow>> expected;
    std::map<std::string, std::map<std::string, int>> nameCount;
    for (const TableRow& row : table) {
        if (provinces.empty() || provinces.back() != row.province) provinces.push_back(row.province);
        ++nameCount[row.province][row.county.empty() ? row.prefecture : row.county];
    }
    for (const TableRow& row : table) {
        std::string key = row.county.empty() ? row.prefecture : row.county;
        if (nameCount[row.province][key] > 1 && !row.county.empty() && !row.prefecture.empty()) {
            key = row.prefecture + row.county;
        }
        expected[row.province].push_back({row.province, key, row.areaCode, row.postcode});
    }

    IniReader reader(TELVANE_DATA_FILE);
    EXPECT_EQ(ReadProvinceList(reader), provinces);
    for (const std::string& province : provinces) {
        EXPECT_EQ(testing::Listed(province, TELVANE_DATA_FILE), expected[province]);
    }
}

// The first row of an area code in a province's listing names the area the code covers: the province's
// or a prefecture's own row, or a county dialled with a code other than its prefecture's (格尔木市 0979,
// 公主岭市 0434). A county without a prefecture (仙桃市 0728) may head its code only when no
// prefecture-level row of the province carries it.
TEST(NationalDirectoryTest, FirstRowOfEveryAreaCodeNamesItsArea) {
    const std::vector<TableRow> table = ReadTable(TELVANE_REGION_TABLE);
    std::vector<std::string> provinces;
    std::map<std::string, std::map<std::string, int>> nameCount;
    for (const TableRow& row : table) {
        if (provinces.empty() || provinces.back() != row.province) provinces.push_back(row.province);
        ++nameCount[row.province][row.county.empty() ? row.prefecture : row.county];
    }
    // Per province: the table row behind each key, and the codes its prefecture-level rows carry.
    std::map<std::string, std::map<std::string, const TableRow*>> rowOfKey;
    std::map<std::string, std::map<std::string, std::string>> codeOfPrefecture;
    for (const TableRow& row : table) {
        std::string key = row.county.empty() ? row.prefecture : row.county;
        if (nameCount[row.province][key] > 1 && !row.county.empty() && !row.prefecture.empty()) {
            key = row.prefecture + row.county;
        }
        rowOfKey[row.province][key] = &row;
        if (row.county.empty()) codeOfPrefecture[row.province][row.prefecture] = row.areaCode;
    }

    int countiesWithOwnCode = 0;
    for (const std::string& province : provinces) {
        const std::vector<DirectoryRow> listed = testing::Listed(province, TELVANE_DATA_FILE);
        ASSERT_FALSE(listed.empty());
        EXPECT_TRUE(rowOfKey[province].at(listed.front().region)->county.empty())
            << "the first row of a province is a prefecture-level row: " << listed.front().region;
        std::map<std::string, bool> seen;
        for (const DirectoryRow& entry : listed) {
            if (seen[entry.areaCode]) continue;
            seen[entry.areaCode] = true;
            const TableRow& row = *rowOfKey[province].at(entry.region);
            if (row.county.empty()) continue;
            SCOPED_TRACE(entry.region + " " + entry.areaCode);
            if (!row.prefecture.empty()) {
                EXPECT_NE(codeOfPrefecture[province].at(row.prefecture), entry.areaCode);
                ++countiesWithOwnCode;
                continue;
            }
            for (const auto& [prefecture, code] : codeOfPrefecture[province]) {
                EXPECT_NE(code, entry.areaCode) << "carried by " << prefecture;
            }
        }
    }
    EXPECT_GE(countiesWithOwnCode, 5);  // 公主岭市, 莱芜区, 格尔木市, 独山子区, 沙湾市, ...

    // The territories are headed by their own rows, as 北京 is by 北京市.
    for (const char* territory : {"香港特别行政区", "澳门特别行政区", "北京"}) {
        SCOPED_TRACE(territory);
        const std::vector<DirectoryRow> listed = testing::Listed(Gbk(territory), TELVANE_DATA_FILE);
        ASSERT_GT(listed.size(), 1u);
        const std::string own = std::string(territory) == "北京" ? "北京市" : territory;
        EXPECT_EQ(listed.front().region, Gbk(own));
        EXPECT_EQ(listed.front().areaCode, listed[1].areaCode);
    }
}

// The counts data/README.md states: a row lost or doubled in an edit shows here.
TEST(NationalDirectoryTest, HoldsTheDocumentedNumberOfRows) {
    const std::vector<TableRow> table = ReadTable(TELVANE_REGION_TABLE);
    std::map<std::string, std::pair<int, int>> rowsOf;  // prefecture-level, county-level
    std::vector<std::string> provinces;
    for (const TableRow& row : table) {
        if (provinces.empty() || provinces.back() != row.province) provinces.push_back(row.province);
        auto& [prefectures, counties] = rowsOf[row.province];
        ++(row.county.empty() ? prefectures : counties);
    }
    EXPECT_EQ(provinces.size(), 34u);
    const std::pair<int, int> expected[] = {{1, 18}, {1, 8}, {22, 368}};
    const char* special[] = {"香港特别行政区", "澳门特别行政区", "台湾"};
    std::pair<int, int> mainland{0, 0};
    for (const auto& [province, counts] : rowsOf) {
        mainland.first += counts.first;
        mainland.second += counts.second;
    }
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(special[i]);
        EXPECT_EQ(rowsOf[Gbk(special[i])], expected[i]);
        mainland.first -= expected[i].first;
        mainland.second -= expected[i].second;
    }
    // 333 prefecture-level units and the 4 municipality rows; 2,847 county-level units.
    EXPECT_EQ(mainland, std::make_pair(337, 2847));
}

TEST(NationalDirectoryTest, HoldsWellKnownCodes) {
    struct Fact {
        const char *province, *region, *areaCode, *postcode;
    };
    const Fact facts[] = {
        {"北京", "北京市", "010", "100000"},
        {"上海", "上海市", "021", nullptr},
        {"广东省", "深圳市", "0755", nullptr},
        {"安徽省", "芜湖市", "0553", nullptr},
        {"湖北省", "武汉市", "027", nullptr},
        {"香港特别行政区", "香港特别行政区", "00852", "999077"},
        {"澳门特别行政区", "澳门特别行政区", "00853", "999078"},
        // A prefecture carries the general postcode of its city, not a district's.
        {"云南省", "昆明市", "0871", "650000"},
        {"贵州省", "贵阳市", "0851", "550000"},
        // Counties that once carried a neighbour's or a wrong postcode.
        {"山东省", "单县", "0530", "274300"},
        {"山西省", "岚县", "0358", "035200"},
        {"四川省", "嘉陵区", "0817", "637500"},
        {"四川省", "高坪区", "0817", "637100"},
        {"四川省", "布拖县", "0834", "615350"},
        {"西藏自治区", "萨嘎县", "0892", "858600"},
        {"西藏自治区", "萨迦县", "0892", "857800"},
        // Units set up in 2026.
        {"新疆维吾尔自治区", "岑岭县", "0998", nullptr},
        {"新疆维吾尔自治区", "草湖市", "0998", nullptr},
    };
    IniReader reader(TELVANE_DATA_FILE);
    for (const Fact& fact : facts) {
        SCOPED_TRACE(fact.region);
        const EntryValue value = SplitEntryValue(reader.ReadValue(Gbk(fact.province), Gbk(fact.region), ""));
        EXPECT_EQ(value.areaCode, fact.areaCode);
        if (fact.postcode) {
            EXPECT_EQ(value.postcode, fact.postcode);
        }
    }
}

// Runs the converter on a table made of the header and rows; gives its exit status and what it said.
struct Outcome {
    int status;
    std::string message;
    bool wroteFile;
};

Outcome Convert(const testing::TempDir& dir, const std::string& rows) {
    // The rows are written with the file's five columns and a note; the database's columns (division
    // code, kind, pinyin and its source) are left empty, as the converter allows without --database.
    std::string table =
        "province\tprefecture\tcounty\tarea_code\tpostcode\tdivision_code\tkind\tpinyin\t"
        "pinyin_source\tnote\n";
    std::stringstream lines(rows);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t note = line.rfind('\t');
        table += line.substr(0, note) + "\t\t\t\t" + line.substr(note) + "\n";
    }
    const std::string path = dir.Write("regions.tsv", table);
    const std::string out = dir.File("tesmar.ini"), log = dir.File("log.txt");
    const std::string command = std::string(TESMAR_GEN) + " '" + path + "' '" + out + "' 2> '" + log + "'";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream said;
    said << in.rdbuf();
    return {status, said.str(), std::filesystem::exists(out)};
}

TEST(ConverterTest, RefusesRowsThatWouldNotReadBackNamingTheRow) {
    struct Case {
        const char* name;
        std::string rows;
        const char* expected;
    };
    std::string manyProvinces, manyKeys;
    for (int i = 0; i < 128; ++i)
        manyProvinces += "province" + std::to_string(1000000 + i) + "\tA\t\t010\t100000\t\n";
    for (int i = 0; i < 2000; ++i) manyKeys += "p\tk" + std::to_string(1000000 + i) + "\t\t010\t100000\t\n";
    const Case cases[] = {
        {"empty name", "p\t\t\t010\t100000\t\n", ":2: region is empty"},
        {"empty code", "p\tA\t\t\t100000\t\n", ":2: codes '' and '100000'"},
        {"leading blank", "p\tA\t\t010\t100000\t\np\tA\t B\t010\t100000\t\n",
         ":3: region ' B' has a leading"},
        {"trailing ideographic space", "p\tA　\t\t010\t100000\t\n",
         ":2: region 'A　' has a leading or trailing"},
        {"equals sign in a key", "p\tA=B\t\t010\t100000\t\n", ":2: region 'A=B' holds '='"},
        {"bracket in a section", "p]\tA\t\t010\t100000\t\n", ":2: province 'p]' holds '['"},
        {"leading semicolon", "p\t;A\t\t010\t100000\t\n", ":2: region ';A' starts with ';'"},
        {"comma in a province", "p,q\tA\t\t010\t100000\t\n", ":2: province 'p,q' holds ','"},
        {"character outside GBK", "p\tA😀\t\t010\t100000\t\n", ":2: 'A😀' holds text that is not UTF-8"},
        {"keys equal but for case", "p\tAb\t\t010\t100000\t\np\taB\t\t010\t100001\t\n",
         ":3: its key equals the key of line 2"},
        {"postcode of five digits", "p\tA\t\t010\t10000\t\n", ":2: codes '010' and '10000'"},
        {"area code without its 0", "p\tA\t\t10\t100000\t\n", ":2: codes '10' and '100000'"},
        {"county away from its prefecture",
         "p\tA\t\t010\t100000\t\np\tB\t\t010\t100000\t\np\tA\tC\t010\t100000\t\n",
         ":4: county 'C' does not follow"},
        {"province list over 2,047 bytes", manyProvinces, "the province list takes 2048 bytes"},
        {"key listing over 16,384 bytes", manyKeys, ":2: the key names of this province take 18001 bytes"},
        {"province starting with a county", "p\t\tC\t010\t100000\t\n",
         ":2: the province starts with the county 'C'"},
        {"county without a prefecture ahead of the prefecture of its code",
         "p\tA\t\t010\t100000\t\np\t\tC\t020\t200000\t\np\tB\t\t020\t200000\t\n",
         ":3: 'C' has no prefecture and is the first row of area code 020, which the prefecture-level row "
         "'B' (line 4)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        const Outcome outcome = Convert(dir, c.rows);
        EXPECT_NE(outcome.status, 0);
        EXPECT_NE(outcome.message.find(c.expected), std::string::npos) << outcome.message;
        EXPECT_FALSE(outcome.wroteFile);
    }
}

TEST(ConverterTest, QualifiesARepeatedCountyNameByItsPrefecture) {
    testing::TempDir dir;
    const Outcome outcome =
        Convert(dir,
                "p\tA\t\t010\t100000\t\np\tA\t城区\t010\t100001\t\n"
                "p\tB\t\t020\t200000\t\np\tB\t城区\t020\t200001\t\np\tB\tC\t020\t200002\t\n");
    ASSERT_EQ(outcome.status, 0) << outcome.message;
    EXPECT_EQ(testing::Listed("p", dir.File("tesmar.ini")),
              (std::vector<DirectoryRow>{{"p", "A", "010", "100000"},
                                         {"p", Gbk("A城区"), "010", "100001"},
                                         {"p", "B", "020", "200000"},
                                         {"p", Gbk("B城区"), "020", "200001"},
                                         {"p", "C", "020", "200002"}}));
}

}  // namespace
}  // namespace telvane
