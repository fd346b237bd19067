// The one GBK codec: decoding for display and output, encoding typed text, and Unicode data files.
#include "directory/codec.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace telvane {
namespace {

TEST(CodecTest, GbkToUtf8ReplacesEachByteThatStartsNoCharacter) {
    const struct {
        std::string gbk;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"010-100010", "010-100010"},
        {"\xB1\xB1\xBE\xA9", "北京"},
        {"a\xB1\xB1"
         "1",
         "a北1"},
        {"\x80", "€"},  // as code page 936 reads it
        {"a\xFF"
         "b",
         "a\uFFFDb"},                  // 0xFF starts nothing
        {"\xB1\xB1\xBE", "北\uFFFD"},  // a lead byte at the end
        {"\xB1\x31"
         "2",
         "\uFFFD12"},        // a lead byte before ASCII
        {"\xA1", "\uFFFD"},  // a stray byte
        {"\xAA\xA1"
         "x",
         "\uFFFD\uFFFDx"},                                         // an unassigned pair: two bytes, two marks
        {std::string("\xB1\xB1\0b", 4), std::string("北\0b", 5)},  // NUL stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
        std::string appended = "x";
        AppendGbkAsUtf8(c.gbk, appended);
        EXPECT_EQ(appended, "x" + c.utf8);
    }
}

TEST(CodecTest, Utf8ToGbkRefusesWhatGbkCannotHold) {
    const struct {
        std::string utf8;
        std::optional<std::string> gbk;
    } cases[] = {
        {"", ""},
        {" 010 ", " 010 "},
        {"北京", "\xB1\xB1\xBE\xA9"},
        {"０１", "\xA3\xB0\xA3\xB1"},
        {"€", "\x80"},
        {"1ก", std::nullopt},  // Thai
        {"1😀", std::nullopt},  // beyond the BMP
        {"a\x80"
         "b",
         std::nullopt},                  // not UTF-8
        {"\xE5\x8C", std::nullopt},      // cut short
        {"\xED\xA0\x80", std::nullopt},  // an encoded surrogate
        {"a\U000E0001", std::nullopt},   // a tag character, which iconv alone would drop
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
    }
}

TEST(CodecTest, UnicodeToGbkReplacingGivesOneQuestionMarkPerCharacterOrBadSequence) {
    const struct {
        std::string text;
        UnicodeForm form;
        std::string gbk;
    } cases[] = {
        {"北京", UnicodeForm::kUtf8, "\xB1\xB1\xBE\xA9"},
        {"한1", UnicodeForm::kUtf8, "?1"},
        {"😀北", UnicodeForm::kUtf8, "?\xB1\xB1"},
        {"a\x80"
         "b\xE5\x8C"
         "c",
         UnicodeForm::kUtf8, "a?b?c"},  // stray continuation, cut sequence
        {std::string("\x17\x53\x00\xD8x\0", 6), UnicodeForm::kUtf16Le, "\xB1\xB1?x"},      // lone surrogate
        {std::string("\x53\x17\xD8\x3D\xDE\x00", 6), UnicodeForm::kUtf16Be, "\xB1\xB1?"},  // pair GBK lacks
        // Tag characters, which iconv alone would drop, after a lone surrogate and before a character.
        {std::string("\x00\xDB\x40\xDB\x01\xDCx\0", 8), UnicodeForm::kUtf16Le, "??x"},
        {"\xE5\x8C\U000E007F\U000E0000\u5317", UnicodeForm::kUtf8, "???\xB1\xB1"},
        {std::string("x\0y", 3), UnicodeForm::kUtf16Le, "x?"},  // an odd byte at the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gbk);
        const std::string gbk = UnicodeToGbkReplacing(c.text, c.form);
        EXPECT_EQ(gbk, c.gbk);
        EXPECT_LE(gbk.size(), c.text.size());
    }
}

TEST(CodecTest, OnlyAFileWithAByteOrderMarkIsConverted) {
    EXPECT_EQ(FileTextAsGbk("\xEF\xBB\xBF"
                            "k=\xE5\x8C\x97"),
              "k=\xB1\xB1");
    EXPECT_EQ(FileTextAsGbk(std::string("\xFF\xFEk\0", 4)), "k");
    EXPECT_EQ(FileTextAsGbk(std::string("\xFE\xFF\0k", 4)), "k");
    // Without a mark the bytes are GBK already, even where they would read as UTF-8.
    EXPECT_EQ(FileTextAsGbk("k=\xE5\x8C\x97"), "k=\xE5\x8C\x97");
    EXPECT_FALSE(HasUnicodeMark("\xEF\xBB"));
    EXPECT_TRUE(HasUnicodeMark("\xFE\xFF"));
}

}  // namespace
}  // namespace telvane
