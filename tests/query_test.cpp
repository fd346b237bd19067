#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "directory/directory.h"
#include "lookup/query.h"
#include "lookup/rows.h"
#include "temp_dir.h"

namespace telvane {
namespace {

TEST(ClassifyQueryTest, NumbersCodesPostcodesAndNames) {
    struct Case {
        std::string_view text;
        QueryKind kind;
    };
    const Case cases[] = {
        {"0512-68001234", QueryKind::kNumber},
        {"+86 512 6800 1234", QueryKind::kNumber},
        {"(0512) 68001234", QueryKind::kNumber},
        {"0512.6800.1234", QueryKind::kNumber},
        {"6800123", QueryKind::kNumber},  // 7 digits: the fewest of a number
        {"0088682", QueryKind::kNumber},  // a number before an area code
        {"13800138000", QueryKind::kNumber},
        {"+ 86 512 68001234", QueryKind::kNumber},  // the '+' may stand apart
        {"86+51268001234", QueryKind::kName},       // but never after a digit
        {"++8651268001234", QueryKind::kName},
        {"0512 6800 12a4", QueryKind::kName},
        {"0512/68001234", QueryKind::kNumber},
        {"tel:+86-512-68001234", QueryKind::kNumber},
        {"Tel:0512 68001234", QueryKind::kNumber},
        {"010-6552 1234-8", QueryKind::kNumber},
        {"010 6552 1234 ext. 12", QueryKind::kNumber},
        {"010 6552 1234 x12", QueryKind::kNumber},
        {"010 6552 1234#123", QueryKind::kNumber},
        {"010 6552 1234\xD7\xAA"
         "8001",
         QueryKind::kNumber},  // 转
        {"x12", QueryKind::kName},
        {"tel:", QueryKind::kName},
        {"010", QueryKind::kAreaCode},
        {"0755", QueryKind::kAreaCode},
        {"00852", QueryKind::kAreaCode},
        {"00", QueryKind::kAreaCode},
        {"01", QueryKind::kName},     // too short for an area code
        {"05121", QueryKind::kName},  // five digits after a single 0
        {"215000", QueryKind::kPostcode},
        {"110", QueryKind::kPostcode},  // Taiwan
        {"12345", QueryKind::kName},
        {"1234", QueryKind::kName},
        {"0512 ", QueryKind::kName},  // the caller trims
        {"-0512", QueryKind::kName},
        {"\xB1\xB1\xBE\xA9", QueryKind::kName},  // 北京
        {"", QueryKind::kName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.text << "'");
        EXPECT_EQ(ClassifyQuery(c.text), c.kind);
        std::string digits = "stale";
        EXPECT_EQ(ReadNumber(c.text, digits), c.kind == QueryKind::kNumber);
        if (c.kind == QueryKind::kNumber) {
            EXPECT_EQ(digits, NormaliseNumber(c.text));
        }
    }
}

TEST(NormaliseNumberTest, DialledFromTheMainland) {
    struct Case {
        std::string_view text, digits;
        bool mobile;
    };
    const Case cases[] = {
        {"0512-68001234", "051268001234", false},
        {"+86 512 6800 1234", "051268001234", false},
        {"0086 512 6800 1234", "051268001234", false},
        {"+86 (0)512 6800 1234", "051268001234", false},  // the trunk 0 written after the country code
        {"(0512) 6800.1234", "051268001234", false},
        {"+852 2345 6789", "0085223456789", false},
        {"+886 2 2345 6789", "00886223456789", false},
        {"00862", "02", false},
        {"0086", "0", false},
        {"+86 0086 512 6800 1234", "051268001234", false},  // the country code twice goes twice
        {"86 512 6800 1234", "8651268001234", false},       // without + or 00, 86 is no country code
        {"138 0013 8000", "13800138000", true},
        {"199 1234 5678", "19912345678", true},
        {"12012345678", "12012345678", false},  // mobile numbers start with 13 to 19
        {"1-212-555-1234", "12125551234", false},
        {"10000000000", "10000000000", false},
        {"010-6552 1234-8", "01065521234", false},  // the extension goes first
        {"138 0013 8000-88", "13800138000", true},
        {"+86 138 0013 8000 #12", "013800138000", true},
        {"0512-6800-1234", "051268001234", false},  // three groups: no extension
        {"+1-212-555-1234", "0012125551234", false},
        {"tel:+86-512-68001234;ext=5", "051268001234", false},
        {"+86 +86 512 6800 1234", "051268001234", false},
        {"008600860512", "0512", false},
        {"+86 138 0013 8000", "013800138000", true},
        {"013800138000", "013800138000", true},
        {"1380013800", "1380013800", false},    // 10 digits
        {"23800138000", "23800138000", false},  // does not start with 1
        {"0013800138000", "0013800138000", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string digits = NormaliseNumber(c.text);
        EXPECT_EQ(digits, c.digits);
        EXPECT_EQ(IsMainlandMobile(digits), c.mobile);
    }
}

TEST(ContainsWholeCharactersTest, MatchesOnCharacterBoundariesOnly) {
    const std::string_view beijing = "\xB1\xB1\xBE\xA9";  // 北京
    struct Case {
        const char* what;
        std::string_view name, text;
        bool expected;
    };
    const Case cases[] = {
        {"本 across the two characters of 北京", beijing, "\xB1\xBE", false},
        {"北", beijing, "\xB1\xB1", true},
        {"京", beijing, "\xBE\xA9", true},
        {"the whole name", beijing, beijing, true},
        {"longer than the name", beijing, "\xB1\xB1\xBE\xA9\xB1\xB1", false},
        {"a lone lead byte ends inside 北", beijing, "\xB1", false},
        {"本 in 本溪", "\xB1\xBE\xCF\xAA", "\xB1\xBE", true},
        {"本 after 北 in 北本", "\xB1\xB1\xB1\xBE", "\xB1\xBE", true},
        {"ASCII trail byte of a character", "\xB1\x41", "A", false},
        {"ASCII after a character",
         "\xB1\xB1"
         "A",
         "A", true},
        {"a byte that starts no character", "\xFF\x41", "A", true},
        {"empty text", beijing, "", false},
        {"empty name", "", "\xB1\xB1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ContainsWholeCharacters(c.name, c.text), c.expected);
    }
}

TEST(NormaliseTypedTextTest, FullwidthFormsAndDashesBecomeAscii) {
    struct Case {
        std::string_view typed, normalised;
    };
    const Case cases[] = {
        {"\xEF\xBC\x90\xEF\xBC\x95\xEF\xBC\x91\xEF\xBC\x92", "0512"},  // fullwidth digits
        {"\xEF\xBC\x8D", "-"},                                         // fullwidth hyphen-minus
        {"0512\xE2\x80\x93"
         "68001234",
         "0512-68001234"},  // en dash
        {"0512\xE2\x80\x94"
         "68001234",
         "0512-68001234"},  // em dash
        {"0512\xE2\x88\x92"
         "68001234",
         "0512-68001234"},  // minus sign
        {"0512\xE3\x80\x80"
         "68001234",
         "0512 68001234"},                                             // ideographic space
        {"\xEF\xBD\x94\xEF\xBD\x85\xEF\xBD\x8C\xEF\xBC\x9A", "tel:"},  // fullwidth letters, colon
        {"\xE8\x8B\x8F\xE5\xB7\x9E", "\xE8\x8B\x8F\xE5\xB7\x9E"},      // 苏州 stays
        {"0512-68001234", "0512-68001234"},
        {"\xFF\x30", "\xFF\x30"},  // not UTF-8: unchanged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(NormaliseTypedText(c.typed), c.normalised);
    }
}

TEST(NumberPartTest, DropsTheSchemeAndTheExtension) {
    struct Case {
        std::string_view text, number;
    };
    const Case cases[] = {
        {"tel:+86-512-68001234", "+86-512-68001234"},
        {"010-6552 1234-8", "010-6552 1234"},
        {"010-6552 1234-12345", "010-6552 1234"},
        {"010-6552 1234-123456", "010-6552 1234-123456"},  // six digits are no extension
        {"0512-6800-1234", "0512-6800-1234"},              // the number is not whole before the last group
        {"138 0013 8000-8 ", "138 0013 8000"},
        {"010 6552 1234\xB7\xD6\xBB\xFA"
         "12",
         "010 6552 1234"},  // 分机
        {"010 6552 1234 Ext 12", "010 6552 1234 "},
        {"010 6552 1234,12", "010 6552 1234"},
        {"\xB1\x78", "\xB1\x78"},  // 'x' as the second byte of a character is no mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NumberPart(c.text), c.number);
    }
}

TEST(AreaCodeIndexTest, TheLongestAreaCodeChoosesTheFirstRowInDirectoryOrder) {
    // The list names south before north; north repeats 0512 and carries codes that prefix each
    // other; a section the list does not name is never read.
    testing::TempDir dir;
    IniReader reader(dir.Write("tesmar.ini",
                               "[lei]\r\nsel=south,north,\r\n"
                               "[north]\r\nsz=0512-215000\r\nkunshan=0512-215300\r\nbj=010-100000\r\n"
                               "hk=00852-999077\r\ntp=008862-110\r\nkm=0088682-893\r\nwq=00886826-896\r\n"
                               "odd=05x2-000000\r\nplain=100000\r\n"
                               "[south]\r\nsz2=0512-215999\r\n"
                               "[hidden]\r\nh=0999-999999\r\n"));
    const std::vector<std::string> provinces{"south", "north"};
    const DirectoryRows rows(reader, provinces);
    const AreaCodeIndex index(rows);
    struct Case {
        std::string_view digits;
        std::string_view region;  // empty: no row
    };
    const Case cases[] = {
        {"051268001234", "sz2"},  // south comes first in the list
        {"01068001234", "bj"},
        {"0085223456789", "hk"},
        {"00886223456789", "tp"},
        {"008868212345", "km"},
        {"0088682612345", "wq"},
        {"0512", "sz2"},       // the code alone
        {"051", ""},           // shorter than every code
        {"0999123456", ""},    // only in a section the list does not name
        {"05x268001234", ""},  // codes of digits only
        {"100000", ""},        // an empty area code matches nothing
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digits);
        const std::size_t row = index.Find(c.digits);
        if (c.region.empty()) {
            EXPECT_EQ(row, AreaCodeIndex::kNone);
        } else {
            ASSERT_NE(row, AreaCodeIndex::kNone);
            EXPECT_EQ(rows[row].region, c.region);
        }
    }
    EXPECT_EQ(rows[index.Find("0512")].province, "south");
    EXPECT_EQ(rows[index.Find("0512")].postcode, "215999");
}

}  // namespace
}  // namespace telvane
