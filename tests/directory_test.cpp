#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "directory/directory.h"
#include "temp_dir.h"

namespace telvane {
namespace {

using Names = std::vector<std::string>;

TEST(ParseProvinceListTest, EveryCommaEndsOneName) {
    struct Case {
        std::string_view list;
        Names expected;
    };
    const Case cases[] = {
        {"north,south,", {"north", "south"}},
        {"north,south", {"north"}},
        {"north", {}},
        {"", {}},
        {"north,,south,", {"north", "", "south"}},
        {",north,", {"", "north"}},
        {"north, south,", {"north", " south"}},
        {"north,north,", {"north", "north"}},
        {"\xB1\xB1\xA3\xAC\xBE\xA9,", {"\xB1\xB1\xA3\xAC\xBE\xA9"}},  // a full-width comma is text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list));
        EXPECT_EQ(ParseProvinceList(c.list), c.expected);
    }
}

TEST(SplitEntryValueTest, CutsAtTheFirstHyphen) {
    struct Case {
        std::string_view value, areaCode, postcode;
    };
    const Case cases[] = {
        {"012-345678", "012", "345678"},
        {"345678", "", "345678"},
        {"012-", "012", ""},
        {"-345678", "", "345678"},
        {"0123-456-789", "0123", "456-789"},
        {"", "", ""},
        {" 012 - 3 ", " 012 ", " 3 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value));
        const EntryValue split = SplitEntryValue(c.value);
        EXPECT_EQ(split.areaCode, c.areaCode);
        EXPECT_EQ(split.postcode, c.postcode);
    }
}

TEST(IniPathTest, NamesTheFileBesideTheProgram) {
    EXPECT_EQ(IniPathBeside("/opt/telvane/telvane"), "/opt/telvane/tesmar.ini");
    EXPECT_EQ(IniPathBeside("/telvane"), "/tesmar.ini");
    EXPECT_EQ(IniPathBeside("/a b/c.d/prog"), "/a b/c.d/tesmar.ini");

    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path("/");
    EXPECT_EQ(ResolveIniPath(), (self.parent_path() / "tesmar.ini").string());
    std::filesystem::current_path(before);
}

TEST(CheckDataFileTest, OnlyAReadableRegularFileWithinTheLimitIsUsable) {
    testing::TempDir dir;
    const std::string file = dir.Write("tesmar.ini", "");
    std::filesystem::create_directory(dir.File("dir.ini"));
    ASSERT_EQ(::mkfifo(dir.File("fifo.ini").c_str(), 0600), 0);
    std::filesystem::create_symlink(file, dir.File("link.ini"));
    std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling.ini"));
    const std::string big = dir.Write("big.ini", "");
    std::filesystem::resize_file(big, kMaxFileBytes + 1);

    struct Case {
        std::string path;
        DataFileState state;
        bool isFile;
        std::string problem;
    };
    const Case cases[] = {
        {file, DataFileState::kUsable, true, ""},
        {dir.File("link.ini"), DataFileState::kUsable, true, ""},
        {dir.File("absent.ini"), DataFileState::kMissing, false, "No such file or directory"},
        {dir.File("dangling.ini"), DataFileState::kMissing, false, "No such file or directory"},
        {"", DataFileState::kMissing, false, "No such file or directory"},
        {dir.File("dir.ini"), DataFileState::kDirectory, false, "is a directory"},
        {dir.File("fifo.ini"), DataFileState::kNotRegular, false, "is not a regular file"},
        {"/dev/null", DataFileState::kNotRegular, false, "is not a regular file"},
        {big, DataFileState::kTooLarge, true, "is larger than 64 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const DataFileCheck check = CheckDataFile(c.path);
        EXPECT_EQ(check.state, c.state);
        EXPECT_EQ(check.IsFile(), c.isFile);
        EXPECT_EQ(DescribeProblem(check), c.problem);
    }
}

}  // namespace
}  // namespace telvane
