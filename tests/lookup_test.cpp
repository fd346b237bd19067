#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "collect_rows.h"
#include "directory/directory.h"
#include "lookup/lookup.h"
#include "temp_dir.h"

namespace telvane {
namespace {

using Rows = std::vector<DirectoryRow>;
using testing::Found;
using testing::Listed;

TEST(FuzzyMatchTest, FindsTheTypedBytesAnywhereInTheField) {
    struct Case {
        std::string_view typed, field;
        bool expected;
    };
    const Case cases[] = {
        {"", "", false},
        {"", "010", false},
        {"10", "100", true},
        {"10", "010", true},
        {"10", "01", false},
        {"010", "010", true},
        {"0100", "010", false},
        {"a", "A", false},
        {"\xB1\xBE", "\xB1\xB1\xBE\xA9", true},  // 本 across the two characters of 北京
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.typed << " in " << c.field);
        EXPECT_EQ(FuzzyMatch(c.typed, c.field), c.expected);
    }
    EXPECT_FALSE(FuzzyMatch("010", "10")) << "arguments are typed text, then field";
}

TEST(CriterionMetTest, ExactComparesWholeBytesAndFuzzyFindsSubstrings) {
    struct Case {
        std::string_view typed, field;
        bool exact, fuzzy;
    };
    const Case cases[] = {
        {"10", "10", true, true},     {"10", "100", false, true},  {"10", "010", false, true},
        {"10", "01", false, false},   {"010", "10", false, false}, {"010", "010 ", false, true},
        {"010", " 010", false, true}, {"", "", false, false},      {" ", " ", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.typed << "' vs '" << c.field << "'");
        EXPECT_EQ(CriterionMet(c.typed, c.field, mmExact), c.exact);
        EXPECT_EQ(CriterionMet(c.typed, c.field, mmFuzzy), c.fuzzy);
    }
}

TEST(RowQualifiesTest, EveryFilledCriterionMustBeMet) {
    struct Case {
        const char* name;
        SearchCriteria criteria;
        std::string_view areaCode, postcode;
        bool expected;
    };
    const Case cases[] = {
        {"postcode only, empty area code", {"", "100000", mmExact}, "", "100000", true},
        {"postcode only, other postcode", {"", "100000", mmExact}, "", "100001", false},
        {"area code only, empty postcode", {"010", "", mmExact}, "010", "", true},
        {"area code only, other area code", {"010", "", mmExact}, "021", "", false},
        {"both met", {"010", "100000", mmExact}, "010", "100000", true},
        {"both typed, area code met", {"010", "100000", mmExact}, "010", "100001", false},
        {"both typed, postcode met", {"010", "100000", mmFuzzy}, "021", "100000", false},
        {"both fuzzy", {"1", "00", mmFuzzy}, "010", "100000", true},
        {"nothing typed", {"", "", mmFuzzy}, "010", "100000", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RowQualifies(c.criteria, c.areaCode, c.postcode), c.expected);
    }
    EXPECT_EQ(FilledCount({"", "", mmExact}), 0);
    EXPECT_EQ(FilledCount({" ", "", mmExact}), 1);
    EXPECT_EQ(FilledCount({"1", "2", mmFuzzy}), 2);
}

class DirectorySearchTest : public ::testing::Test {
protected:
    // Two provinces and one section the list does not name; south holds a repeated key, a value
    // without a hyphen and an empty value.
    std::string Write() {
        return dir_.Write("tesmar.ini",
                          "[lei]\r\nsel=north,south,\r\n"
                          "[north]\r\nn1=010-100000\r\nn2=0755-518000\r\n"
                          "[south]\r\ns1=0553-241000\r\ns2=010-1-2\r\ns1=999-999\r\nplain=100000\r\nnone=\r\n"
                          "[hidden]\r\nh1=010-100000\r\n");
    }

    testing::TempDir dir_;
};

TEST_F(DirectorySearchTest, ListsAProvinceInFileOrder) {
    const std::string path = Write();
    EXPECT_EQ(Listed("south", path), (Rows{{"south", "s1", "0553", "241000"},
                                           {"south", "s2", "010", "1-2"},
                                           {"south", "s1", "0553", "241000"},
                                           {"south", "plain", "", "100000"},
                                           {"south", "none", "", ""}}));
    EXPECT_TRUE(Listed("nowhere", path).empty());
    EXPECT_TRUE(Listed("south", dir_.File("absent.ini")).empty());
}

TEST_F(DirectorySearchTest, ProvinceNamesFindTheirSectionPastSpacesOnly) {
    // "north, south," names " south", which finds [south]; "north,\tsouth," names "\tsouth", which
    // finds nothing.
    const std::string path = Write();
    EXPECT_EQ(Listed(" south ", path).size(), 5u);
    EXPECT_TRUE(Listed("\tsouth", path).empty());
    EXPECT_TRUE(Listed("south\v", path).empty());
    EXPECT_EQ(Found({"010", "", mmExact}, ParseProvinceList("north,\tsouth,"), path),
              (Rows{{"north", "n1", "010", "100000"}}));
}

TEST_F(DirectorySearchTest, SearchesProvincesInTheGivenOrder) {
    const std::string path = Write();
    const std::vector<std::string> provinces{"south", "north", "south", "nowhere"};
    EXPECT_EQ(Found({"010", "", mmExact}, provinces, path), (Rows{{"south", "s2", "010", "1-2"},
                                                                  {"north", "n1", "010", "100000"},
                                                                  {"south", "s2", "010", "1-2"}}));
    EXPECT_EQ(Found({"", "100000", mmExact}, {"north", "south"}, path),
              (Rows{{"north", "n1", "010", "100000"}, {"south", "plain", "", "100000"}}));
    EXPECT_EQ(Found({"5", "1", mmFuzzy}, {"north", "south"}, path),
              (Rows{{"north", "n2", "0755", "518000"},
                    {"south", "s1", "0553", "241000"},
                    {"south", "s1", "0553", "241000"}}));
    EXPECT_TRUE(Found({"010", "", mmExact}, {}, path).empty());
    EXPECT_TRUE(Found({"010", "", mmExact}, {"north"}, dir_.File("absent.ini")).empty());
}

TEST_F(DirectorySearchTest, HandsRowsOverAsTheyAreFound) {
    // The window appends each row as it comes; a search that matches every entry hands them all over in
    // order, each valid while it is handed over.
    const std::string path = Write();
    Rows seen;
    SearchDirectory({"0", "", mmFuzzy}, {"north", "south"}, path,
                    [&](const RowView& row) { seen.push_back(testing::Copy(row)); });
    EXPECT_EQ(seen, (Rows{{"north", "n1", "010", "100000"},
                          {"north", "n2", "0755", "518000"},
                          {"south", "s1", "0553", "241000"},
                          {"south", "s2", "010", "1-2"},
                          {"south", "s1", "0553", "241000"}}));
}

}  // namespace
}  // namespace telvane
