// The lookup's answers to queries as people write them, and the reasons when there is no row.
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "collect_rows.h"
#include "directory/codec.h"
#include "directory/directory.h"
#include "lookup/answer.h"
#include "temp_dir.h"

namespace telvane {
namespace {

std::string Gbk(std::string_view utf8) {
    const std::optional<std::string> gbk = Utf8ToGbk(utf8);
    if (!gbk) ADD_FAILURE() << "not convertible to GBK: " << utf8;
    return gbk.value_or("");
}

// A directory with municipalities, an autonomous region, the territories and two provinces that
// start alike.
constexpr std::string_view kDirectory =
    "[lei]\r\nsel=北京,江苏省,辽宁省,江西省,上海,重庆,广西壮族自治区,香港特别行政区,澳门特别行政区,台湾,\r\n"
    "[北京]\r\n北京市=010-100000\r\n东城区=010-100010\r\n"
    "[江苏省]\r\n苏州市=0512-215000\r\n昆山市=0512-215300\r\n南京市=025-210000\r\n常州市=0519-213000\r\n"
    "[辽宁省]\r\n本溪市=0414-117000\r\n本溪满族自治县=0414-117100\r\n"
    "[江西省]\r\n南昌市=0791-330000\r\n"
    "[上海]\r\n上海市=021-200000\r\n"
    "[重庆]\r\n重庆市=023-400000\r\n"
    "[广西壮族自治区]\r\n南宁市=0771-530000\r\n玉林市=0775-537000\r\n"
    "[香港特别行政区]\r\n香港特别行政区=00852-999077\r\n"
    "[澳门特别行政区]\r\n澳门特别行政区=00853-999078\r\n"
    "[台湾]\r\n台北市=008862-100\r\n金门县=0088682-893\r\n";

struct Case {
    std::string_view query;
    std::string_view expected;  // regions, one a line, or the reason
    QueryOptions options = {};
};

class AnswerTest : public ::testing::Test {
protected:
    AnswerTest() : path_(dir_.Write("tesmar.ini", Gbk(kDirectory))), reader_(path_), lookup_(reader_) {}

    // The regions of the answer (UTF-8, one a line), or the reason's name when there are none.
    std::string Ask(std::string_view query, QueryOptions options = {}) {
        const Answer answer = lookup_.Ask(Gbk(query), options);
        if (!answer.found()) return std::string(ReasonName(answer.reason));
        std::string regions;
        for (const Match& match : answer.matches) regions += GbkToUtf8(lookup_.Row(match).region) + "\n";
        return regions;
    }

    void Check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "'" << c.query << "' as " << static_cast<int>(c.options.as)
                                              << (c.options.fuzzy ? ", fuzzy" : ""));
            EXPECT_EQ(Ask(c.query, c.options), c.expected);
        }
    }

    testing::TempDir dir_;
    std::string path_;
    IniReader reader_;
    Lookup lookup_;
};

TEST_F(AnswerTest, NumbersAsPeopleWriteThem) {
    Check({
        {"0512-68001234", "苏州市\n"},
        {"+86 512 6800 1234", "苏州市\n"},
        {"0086 (0)512 68001234", "苏州市\n"},
        {"0512/68001234", "苏州市\n"},
        {"tel:+86-512-68001234", "苏州市\n"},
        {"TEL:+86-512-68001234;ext=12", "苏州市\n"},
        {"0512-6800-1234", "苏州市\n"},
        {"+852 2345 6789", "香港特别行政区\n"},
        {"+886 82 312345", "金门县\n"},
        // Extensions go before the number is judged.
        {"010-6552 1234-8", "北京市\n"},
        {"010-6552 1234-88", "北京市\n"},
        {"010 6552 1234转8001", "北京市\n"},
        {"010 6552 1234 分机 12", "北京市\n"},
        {"010 6552 1234 ext 12", "北京市\n"},
        {"010 6552 1234 EXT. 12", "北京市\n"},
        {"010 6552 1234 x12", "北京市\n"},
        {"010 6552 1234#123", "北京市\n"},
        {"138 0013 8000-8", "mobile"},
        // Mobile numbers are 11 digits starting with 13 to 19.
        {"13800138000", "mobile"},
        {"19912345678", "mobile"},
        {"+86 138 0013 8000", "mobile"},
        {"1-212-555-1234", "not_a_number"},
        {"12012345678", "not_a_number"},
        {"10000000000", "not_a_number"},
        // Why other numbers have no row.
        {"68001234", "local_number"},
        {"6800123", "local_number"},
        {"400-810-8888", "service_number"},
        {"800 820 8820", "service_number"},
        {"95588", "service_number"},
        {"12345", "service_number"},
        {"10086", "service_number"},
        {"+1 212 555 1234", "foreign"},
        {"+44 20 7946 0958", "foreign"},
        {"+886 912 345 678", "taiwan_mobile"},
        {"0999 1234567", "no_area_code"},
        {"1234", "not_a_number"},
        {"05121", "not_a_number"},
    });
}

TEST_F(AnswerTest, CodesNamesAndTheirReasons) {
    const QueryOptions area{AskedAs::kAreaCode, false}, postcode{AskedAs::kPostcode, false},
        both{AskedAs::kAreaAndPostcode, false}, name{AskedAs::kName, false};
    Check({
        {"0414", "本溪市\n本溪满族自治县\n"},
        {"0999", "no_such_area_code"},
        {"215300", "昆山市\n"},
        {"100", "台北市\n"},
        {"999999", "no_such_postcode"},
        {"本", "本溪市\n本溪满族自治县\n"},  // not 北京, whose bytes hold 本's
        {"  苏州  ", "苏州市\n"},
        {"　苏州\t", "苏州市\n"},
        {"上海", "上海市\n"},
        {"nowhere", "no_such_name"},
        {"江西", "no_such_name"},
        {"", "empty"},
        {" \t　", "empty"},
        // Kinds the user chose.
        {"0414", "本溪市\n本溪满族自治县\n", area},
        {"0512-68001234", "no_such_area_code", area},
        {"893", "金门县\n", postcode},
        {"0512-215300", "昆山市\n", both},
        {"0512 215000", "苏州市\n", both},
        {"0512-100000", "no_such_codes", both},
        {"0512", "no_such_name", name},
        {"95588", "no_such_name", name},
    });
    // A name that finds no region but names a province says which.
    const Answer answer = lookup_.Ask(Gbk("江西"));
    ASSERT_TRUE(answer.province);
    EXPECT_EQ(lookup_.provinces()[*answer.province], Gbk("江西省"));
    EXPECT_FALSE(lookup_.Ask("nowhere").province);
}

TEST_F(AnswerTest, FuzzyDigitsAreCodesOfAnyLength) {
    const QueryOptions fuzzy{AskedAs::kAny, true};
    Check({
        {"2150", "苏州市\n", fuzzy},                // a postcode's part
        {"51", "苏州市\n昆山市\n常州市\n", fuzzy},  // either code
        {"7", "本溪市\n本溪满族自治县\n南昌市\n南宁市\n玉林市\n香港特别行政区\n澳门特别行政区\n", fuzzy},
        {"0512-68001234", "苏州市\n", fuzzy},  // a number stays a number
        {"本", "本溪市\n本溪满族自治县\n", fuzzy},
        {"41", "本溪市\n本溪满族自治县\n", {AskedAs::kAreaCode, true}},
        {"2153", "昆山市\n", {AskedAs::kPostcode, true}},
        {"51", "苏州市\n昆山市\n常州市\n", {AskedAs::kAreaCode, true}},
        {"12345", "no_such_digits", fuzzy},
    });
    EXPECT_EQ(lookup_.Ask("0", fuzzy).matches.size(), lookup_.rows().size());
}

// Code queries answer exactly what the window's search gives, before the indexes are built and after.
TEST_F(AnswerTest, CodesAnswerAsTheWindowsSearch) {
    std::vector<SearchCriteria> searches;
    for (std::size_t row = 0; row < lookup_.rows().size(); ++row) {
        const RowView view = lookup_.rows()[row];
        for (const MatchMode mode : {mmExact, mmFuzzy}) {
            searches.push_back({std::string(view.areaCode), "", mode});
            searches.push_back({"", std::string(view.postcode), mode});
            searches.push_back({std::string(view.areaCode), std::string(view.postcode), mode});
        }
    }
    searches.push_back({"0512", "215300", mmExact});
    searches.push_back({"51", "00", mmFuzzy});
    for (int round = 0; round < 2; ++round) {
        for (const SearchCriteria& criteria : searches) {
            SCOPED_TRACE(criteria.areaCode + "-" + criteria.postcode);
            const AskedAs as = criteria.areaCode.empty()   ? AskedAs::kPostcode
                               : criteria.postcode.empty() ? AskedAs::kAreaCode
                                                           : AskedAs::kAreaAndPostcode;
            const std::string query = as == AskedAs::kAreaAndPostcode
                                          ? criteria.areaCode + "-" + criteria.postcode
                                          : criteria.areaCode + criteria.postcode;
            const Answer answer = lookup_.Ask(query, {as, criteria.mode == mmFuzzy});
            std::vector<DirectoryRow> rows;
            for (const Match& match : answer.matches) rows.push_back(testing::Copy(lookup_.Row(match)));
            EXPECT_EQ(rows, testing::Found(criteria, lookup_.provinces(), path_));
        }
    }
}

// Names answer the same whether the rows are read one by one or found through the index.
TEST_F(AnswerTest, NamesAnswerTheSameThroughTheIndex) {
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < lookup_.rows().size(); ++row) {
        const std::string_view region = lookup_.rows().region(row);
        for (std::size_t at = 0; at < region.size(); ++at) {
            for (std::size_t length = 1; at + length <= region.size(); ++length)
                texts.emplace_back(region.substr(at, length));
        }
    }
    const QueryOptions name{AskedAs::kName, false};
    std::vector<std::vector<Match>> first;
    for (const std::string& text : texts) first.push_back(lookup_.Ask(text, name).matches);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(GbkToUtf8(texts[i]));
        EXPECT_EQ(lookup_.Ask(texts[i], name).matches, first[i]);
        for (const Match& match : first[i])
            EXPECT_TRUE(ContainsWholeCharacters(lookup_.Row(match).region, texts[i]));
    }
}

TEST_F(AnswerTest, ProvincesByTheNamesPeopleWrite) {
    struct ProvinceCase {
        std::string_view name;
        std::string_view province;    // empty: none
        std::string_view candidates;  // when ambiguous, one a line
    };
    const ProvinceCase cases[] = {
        {"北京", "北京", ""},
        {"北京市", "北京", ""},
        {"上海市", "上海", ""},
        {"重庆市", "重庆", ""},
        {"台湾省", "台湾", ""},
        {"香港", "香港特别行政区", ""},
        {"澳门", "澳门特别行政区", ""},
        {"广西", "广西壮族自治区", ""},
        {"江苏", "江苏省", ""},
        {" 江苏省 ", "江苏省", ""},
        {"　辽宁\t", "辽宁省", ""},
        {"北", "北京", ""},
        {"江", "", "江苏省\n江西省\n"},
        {"京", "", ""},
        {"nowhere", "", ""},
        {"", "", ""},
    };
    for (const ProvinceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ProvinceChoice choice = lookup_.FindProvince(Gbk(c.name));
        EXPECT_EQ(choice.position ? GbkToUtf8(lookup_.provinces()[*choice.position]) : "", c.province);
        std::string candidates;
        for (const std::size_t i : choice.candidates) candidates += GbkToUtf8(lookup_.provinces()[i]) + "\n";
        EXPECT_EQ(candidates, c.candidates);
    }
}

// A section the province list names twice, or under another spelling, answers at each place, with the
// province as that place names it, as the window's search gives it; its rows are kept once.
TEST(RepeatedProvinceTest, AnswersAtEveryPlaceTheListNamesIt) {
    testing::TempDir dir;
    std::string list;
    for (int i = 0; i < 300; ++i) list += "north,";
    const std::string path = dir.Write("tesmar.ini", "[lei]\nsel=north, north,south,NORTH," + list +
                                                         "\n[north]\nn1=010-100000\nn2=0755-518000\n"
                                                         "[south]\ns1=010-241000\n");
    IniReader reader(path);
    Lookup lookup(reader);
    EXPECT_EQ(lookup.rows().size(), 3u);
    const std::vector<std::string> provinces = lookup.provinces();
    for (const SearchCriteria& criteria :
         {SearchCriteria{"010", "", mmExact}, SearchCriteria{"", "518000", mmExact},
          SearchCriteria{"0", "", mmFuzzy}}) {
        SCOPED_TRACE(criteria.areaCode + criteria.postcode);
        for (int round = 0; round < 6; ++round) {  // before the index is built and after
            const Answer answer =
                lookup.Ask(criteria.areaCode + criteria.postcode,
                           {criteria.areaCode.empty() ? AskedAs::kPostcode : AskedAs::kAreaCode,
                            criteria.mode == mmFuzzy});
            std::vector<DirectoryRow> rows;
            for (const Match& match : answer.matches) rows.push_back(testing::Copy(lookup.Row(match)));
            EXPECT_EQ(rows, testing::Found(criteria, provinces, path));
        }
    }
    const Answer named = lookup.Ask("n2");
    ASSERT_EQ(named.matches.size(), 303u);
    EXPECT_EQ(lookup.Row(named.matches[1]).province, " north");
    EXPECT_EQ(lookup.Row(named.matches[2]).province, "NORTH");
    // A number names the first row of its code once.
    const Answer number = lookup.Ask("010 6552 1234");
    ASSERT_EQ(number.matches.size(), 1u);
    EXPECT_EQ(testing::Copy(lookup.Row(number.matches[0])), (DirectoryRow{"north", "n1", "010", "100000"}));
}

TEST(DataFileNoteTest, NotesWhatTheMakerProbablyDidNotMean) {
    using Kind = DataFileNote::Kind;
    const std::string longList = std::string(2100, 'p') + ",";
    struct NoteCase {
        const char* what;
        std::string bytes;
        std::vector<Kind> kinds;
        std::string tail;  // UTF-8
    };
    const std::string utf8 = "[lei]\r\nsel=江苏省,\r\n[江苏省]\r\n苏州市=0512-215000\r\n";
    const NoteCase cases[] = {
        {"GBK", Gbk(utf8), {}, ""},
        {"ASCII", "[lei]\nsel=north,\n[north]\nn=010-100000\n", {}, ""},
        {"UTF-8 without a byte-order mark", utf8, {Kind::kUtf8}, ""},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8, {}, ""},
        {"a name after the last comma", Gbk("[lei]\r\nsel=江苏省,浙江省\r\n"), {Kind::kListTail}, "浙江省"},
        {"no comma", Gbk("[lei]\r\nsel=江苏省\r\n"), {Kind::kListTail}, "江苏省"},
        {"a list at its limit", "[lei]\nsel=a," + longList + "\n", {Kind::kListTail, Kind::kListAtLimit}, ""},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempDir dir;
        IniReader reader(dir.Write("tesmar.ini", c.bytes));
        const Lookup lookup(reader);
        std::vector<Kind> kinds;
        for (const DataFileNote& note : lookup.notes()) {
            kinds.push_back(note.kind);
            if (note.kind == Kind::kListTail && !c.tail.empty()) {
                EXPECT_EQ(GbkToUtf8(note.text), c.tail);
            }
        }
        EXPECT_EQ(kinds, c.kinds);
    }
}

}  // namespace
}  // namespace telvane
