#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "directory/directory.h"
#include "temp_dir.h"

namespace telvane {
namespace {

using namespace std::string_view_literals;
using Keys = std::vector<std::string>;

constexpr std::string_view kMissing = "<default>";

// GBK bytes used below: 北京 is B1B1 BEA9; 乚 is 81 5D (second byte ']'); 丄 is 81 41 and 乤 is 81 61
// (second bytes 'A' and 'a').
struct ValueCase {
    const char* name;
    std::string_view file;
    std::string_view section;
    std::string_view key;
    std::string_view expected;
};

const ValueCase kValueCases[] = {
    // Line ends and blank lines.
    {"crlf", "[s]\r\nk=v\r\n", "s", "k", "v"},
    {"lf", "[s]\nk=v\n", "s", "k", "v"},
    {"lone cr and unterminated last line", "[s]\rj=w\rk=v", "s", "k", "v"},
    {"blank lines between", "\r\n[s]\r\n\r\n  \t\r\nk=v", "s", "k", "v"},
    // Section headers.
    {"blanks before the bracket", "  \t[s]\nk=v", "s", "k", "v"},
    {"rest of the header line ignored", "[s] trailing [x] text\nk=v", "s", "k", "v"},
    {"header without closing bracket", "[s \nk=v", "s", "k", "v"},
    {"blanks trimmed inside brackets", "[ \t\vs t\v\t ]\nk=v", "s t", "k", "v"},
    {"inner blanks kept", "[s t]\nk=v", "st", "k", kMissing},
    {"lines before the first header unreadable", "k=v\n[s]\n", "", "k", kMissing},
    {"empty section and key names", "[]\n=v", "", "", "v"},
    // Comments and keys.
    {"semicolon comment", "[s]\n;k=v\n", "s", ";k", kMissing},
    {"indented comment", "[s]\n  ;k=v\n", "s", "k", kMissing},
    {"hash is no comment", "[s]\n#k=v\n", "s", "#k", "v"},
    {"split at the first equals", "[s]\nk=a=b", "s", "k", "a=b"},
    {"blanks trimmed around name and value", "[s]\n \tk \v= \t v v \t\n", "s", "k", "v v"},
    {"line without equals is no key", "[s]\nk\n", "s", "k", kMissing},
    {"empty value", "[s]\nk=\n", "s", "k", ""},
    // Quotes.
    {"double quotes removed", "[s]\nk=\"v\"", "s", "k", "v"},
    {"single quotes removed", "[s]\nk='v'", "s", "k", "v"},
    {"quotes removed after trimming", "[s]\nk= \" v \" ", "s", "k", " v "},
    {"only the outer pair removed", "[s]\nk=\"\"v\"\"", "s", "k", "\"v\""},
    {"mismatched quotes kept", "[s]\nk=\"v'", "s", "k", "\"v'"},
    {"lone quote kept", "[s]\nk=\"", "s", "k", "\""},
    {"empty quoted value", "[s]\nk=''", "s", "k", ""},
    // Name matching.
    {"section matches any ASCII case", "[Lei]\nk=v", "lEI", "k", "v"},
    {"key matches any ASCII case", "[s]\nSel=v", "s", "sEL", "v"},
    {"spaces around the section argument ignored", "[s]\nk=v", "  s ", "k", "v"},
    {"a tab before the section argument counts", "[s]\nk=v", "\ts", "k", kMissing},
    {"a vertical tab after the section argument counts", "[s]\nk=v", "s\v", "k", kMissing},
    {"a tab inside the brackets is trimmed all the same", "[\ts\t]\nk=v", "s", "k", "v"},
    {"blanks around the key argument count", "[s]\nk=v", "s", " k", kMissing},
    {"first section of a name wins", "[s]\nk=1\n[S]\nk=2\nj=3", "s", "j", kMissing},
    {"a later header of a seen name ends the section", "[s]\nk=1\n[t]\n[s]\nm=2\n", "s", "m", kMissing},
    {"keys after a hidden section belong to nothing", "[s]\n[t]\n[s]\nm=2\n", "t", "m", kMissing},
    {"first key of a name wins", "[s]\nk=1\nK=2", "s", "k", "1"},
    {"key of another section not seen", "[s]\nk=v\n[t]\n", "t", "k", kMissing},
    // GBK: a second byte never ends a name and is never folded; letters after a character still are.
    {"second byte equal to a closing bracket", "[\x81\x5D]\nk=v", "\x81\x5D", "k", "v"},
    {"name not cut at that second byte", "[\x81\x5D]\nk=v", "\x81", "k", kMissing},
    {"second byte letter not folded in sections", "[\x81\x41]\nk=v", "\x81\x61", "k", kMissing},
    {"second byte letter not folded in keys", "[s]\n\x81\x41=v", "s", "\x81\x61", kMissing},
    {"letter after a character folded", "[\xB1\xB1\xBE\xA9Z]\nk=v", "\xB1\xB1\xBE\xA9z", "k", "v"},
    {"lead byte before the bracket pairs with it", "[a\x81]\nk=v", "a\x81]", "k", "v"},
    // NUL is an ordinary byte.
    {"nul inside name and value", "[s]\nk\0x=v\0w"sv, "s", "k\0x"sv, "v\0w"sv},
};

class IniReaderTest : public ::testing::Test {
protected:
    std::string Write(std::string_view bytes) { return dir_.Write("tesmar.ini", bytes); }

    testing::TempDir dir_;
};

TEST_F(IniReaderTest, ReadsValuesAsTheProfileFunctionsDo) {
    for (const ValueCase& c : kValueCases) {
        SCOPED_TRACE(c.name);
        IniReader reader(Write(c.file));
        EXPECT_EQ(reader.ReadValue(c.section, c.key, kMissing), c.expected);
    }
}

TEST_F(IniReaderTest, ListsKeysInFileOrderWithEveryOccurrence) {
    IniReader reader(
        Write("[other]\nx=1\n[s]\nb=1\n;c=comment\nnoequals\na = 2\n=empty name\nB=3\n"
              "\xB1\xB1\xBE\xA9=4\n[s]\nlater=5\n"));
    Keys keys{"stale"};
    reader.ListKeys("S", keys);
    EXPECT_EQ(keys, (Keys{"b", "a", "", "B", "\xB1\xB1\xBE\xA9"}));
    reader.ListKeys("missing", keys);
    EXPECT_TRUE(keys.empty());

    // The same names with the value each reads: a repeated name reads its first key.
    std::vector<std::pair<std::string, std::string>> entries;
    reader.ForEachEntry(
        "s", [&](std::string_view name, std::string_view value) { entries.emplace_back(name, value); });
    EXPECT_EQ(entries,
              (std::vector<std::pair<std::string, std::string>>{
                  {"b", "1"}, {"a", "2"}, {"", "empty name"}, {"B", "1"}, {"\xB1\xB1\xBE\xA9", "4"}}));
}

TEST_F(IniReaderTest, CutsValuesAndDefaultsTo2047Bytes) {
    const std::string longValue(3000, 'x');
    IniReader reader(Write("[s]\nlong=" + longValue + "\nfits=" + std::string(2047, 'y') + "\n"));
    EXPECT_EQ(reader.ReadValue("s", "long", ""), longValue.substr(0, 2047));
    EXPECT_EQ(reader.ReadValue("s", "fits", ""), std::string(2047, 'y'));
    EXPECT_EQ(reader.ReadValue("s", "missing", longValue), longValue.substr(0, 2047));
}

TEST_F(IniReaderTest, KeyListStopsAtTheFirstNameThatDoesNotFitWhole) {
    // 163 names of 99 bytes take 163 * 100 + 1 = 16301 bytes; a name of 82 bytes fills the budget to
    // exactly 16384; the next name, however short, is left off, and so is every name after it.
    std::string file = "[s]\n";
    Keys expected;
    for (int i = 0; i < 163; ++i) {
        std::string name = std::to_string(1000 + i) + std::string(95, 'n');
        file += name + "=1\n";
        expected.push_back(name);
    }
    expected.push_back(std::string(82, 'z'));
    file += expected.back() + "=1\n" + std::string(2, 'a') + "=1\nb=1\n";
    IniReader reader(Write(file));
    Keys keys;
    reader.ListKeys("s", keys);
    EXPECT_EQ(keys, expected);
    Keys entries;
    reader.ForEachEntry("s", [&](std::string_view name, std::string_view) { entries.emplace_back(name); });
    EXPECT_EQ(entries, expected);
    // A name left off the list still reads.
    EXPECT_EQ(reader.ReadValue("s", "b", "<default>"), "1");
}

// The bound a search makes room for rows by: never below the names listed, whatever ends the lines,
// and no more than a key list holds.
TEST_F(IniReaderTest, EntryBoundIsNeverBelowTheListedNames) {
    std::string file = "[cr]\rk1=1\rk2=2\r\n;comment\n\nk3=3\n[empty]\n[nokeys]\nx\n[full]\n";
    for (int i = 0; i < 20000; ++i) file += "=\n";
    IniReader reader(Write(file));
    for (const char* section : {"cr", "empty", "nokeys", "full", "missing"}) {
        Keys keys;
        reader.ListKeys(section, keys);
        EXPECT_GE(reader.EntryBound(section), keys.size()) << section;
    }
    Keys full;
    reader.ListKeys("full", full);
    EXPECT_EQ(full.size(), kKeyListBytes - 1);
    EXPECT_EQ(reader.EntryBound("full"), full.size());
    EXPECT_EQ(reader.EntryBound("missing"), 0u);
}

TEST_F(IniReaderTest, ConvertsUnicodeFilesToGbk) {
    const std::string gbkList = "\xB1\xB1\xBE\xA9,?,";  // 北京, then a character GBK lacks
    struct Case {
        const char* name;
        std::string bytes;
    };
    auto utf16 = [](std::u16string_view text, bool little) {
        std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            out += little ? std::string{low, high} : std::string{high, low};
        }
        return out;
    };
    const std::u16string text = u"[lei]\r\nsel=\u5317\u4EAC,\U0001F600,\r\n";
    const Case cases[] = {
        {"utf-8 with mark", "\xEF\xBB\xBF[lei]\r\nsel=\xE5\x8C\x97\xE4\xBA\xAC,\xF0\x9F\x98\x80,\r\n"},
        {"utf-16le", utf16(text, true)},
        {"utf-16be", utf16(text, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IniReader reader(Write(c.bytes));
        EXPECT_EQ(reader.ReadValue("lei", "sel", ""), gbkList);
    }
}

TEST_F(IniReaderTest, MalformedUnicodeBecomesQuestionMarks) {
    // A stray continuation byte, a truncated sequence and an unpaired surrogate.
    IniReader utf8(
        Write("\xEF\xBB\xBF[s]\nk=a\x80"
              "b\xE5\x8C"
              "c"));
    EXPECT_EQ(utf8.ReadValue("s", "k", ""), "a?b?c");
    const std::string utf16{"\xFF\xFE[\0s\0]\0\n\0k\0=\0\x00\xD8x\0", 18};
    IniReader reader(Write(utf16));
    EXPECT_EQ(reader.ReadValue("s", "k", ""), "?x");
}

TEST_F(IniReaderTest, AnythingButARegularFileReadsAsEmpty) {
    const std::string fifo = dir_.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string target = dir_.Write("real.ini", "[s]\nk=v\n");
    std::filesystem::create_symlink(target, dir_.File("link.ini"));
    std::filesystem::create_symlink(dir_.File("gone.ini"), dir_.File("dangling.ini"));
    std::filesystem::create_symlink(dir_.File("loop.ini"), dir_.File("loop.ini"));
    std::filesystem::create_directory(dir_.File("dir.ini"));

    EXPECT_EQ(IniReader(dir_.File("link.ini")).ReadValue("s", "k", kMissing), "v");
    for (const char* name : {"missing.ini", "dir.ini", "fifo.ini", "dangling.ini", "loop.ini"}) {
        SCOPED_TRACE(name);
        IniReader reader(dir_.File(name));
        EXPECT_EQ(reader.ReadValue("s", "k", kMissing), kMissing);
        Keys keys{"stale"};
        reader.ListKeys("s", keys);
        EXPECT_TRUE(keys.empty());
    }
    EXPECT_EQ(IniReader("").ReadValue("s", "k", kMissing), kMissing);
}

TEST_F(IniReaderTest, FilesOver64MiBReadAsEmpty) {
    const std::string path = Write("[s]\nk=v\n");
    std::filesystem::resize_file(path, kMaxFileBytes);  // zero bytes after the key: one long line
    EXPECT_EQ(IniReader(path).ReadValue("s", "k", kMissing), "v");
    std::filesystem::resize_file(path, kMaxFileBytes + 1);
    EXPECT_EQ(IniReader(path).ReadValue("s", "k", kMissing), kMissing);
}

TEST_F(IniReaderTest, ReadsTheFileOnceAtTheFirstCall) {
    const std::string path = dir_.File("tesmar.ini");
    IniReader reader(path);  // nothing there yet: opening touches no file
    Write("[s]\nk=old\n");
    EXPECT_EQ(reader.ReadValue("s", "k", ""), "old");
    Write("[s]\nk=new\n[t]\nj=1\n");
    EXPECT_EQ(reader.ReadValue("s", "k", ""), "old");
    EXPECT_EQ(reader.ReadValue("t", "j", kMissing), kMissing);
    EXPECT_EQ(IniReader(path).ReadValue("s", "k", ""), "new");

    std::filesystem::remove(path);
    EXPECT_EQ(IniReader(path).ReadValue("s", "k", kMissing), kMissing);
}

TEST_F(IniReaderTest, ReadingChangesNothingInTheFolder) {
    const std::string path = Write("[s]\nk=v\n");
    const auto before = std::filesystem::last_write_time(path);
    {
        IniReader reader(path);
        Keys keys;
        reader.ListKeys("s", keys);
        reader.ReadValue("s", "k", "");
        IniReader(dir_.File("absent.ini")).ReadValue("s", "k", "");
    }
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

}  // namespace
}  // namespace telvane
