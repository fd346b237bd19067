// The telvane-lookup command end to end: the built program run as a script or a person runs it, over
// small data files written here.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "directory/codec.h"
#include "temp_dir.h"

namespace telvane {
namespace {

// The GBK bytes of UTF-8 text.
std::string Gbk(std::string_view utf8) {
    std::optional<std::string> gbk = Utf8ToGbk(utf8);
    if (!gbk) throw std::runtime_error("not GBK: " + std::string(utf8));
    return std::move(*gbk);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Result {
    int status = -1;  // the exit status, or 128 + the signal that ended the program
    std::string out, err;
};

class LookupCliTest : public ::testing::Test {
protected:
    LookupCliTest() {
        // The fixture's last region holds a byte that starts no GBK character.
        ini_ = dir_.Write("tesmar.ini", Gbk("[lei]\r\nsel=北京,江苏省,辽宁省,香港特别行政区,台湾,\r\n"
                                            "[北京]\r\n北京市=010-100000\r\n东城区=010-100010\r\n"
                                            "[江苏省]\r\n苏州市=0512-215000\r\n昆山市=0512-215300\r\n"
                                            "南京市=025-210000\r\n"
                                            "[辽宁省]\r\n本溪市=0414-117000\r\n本溪满族自治县=0414-117100\r\n"
                                            "[香港特别行政区]\r\n中西区=00852-999077\r\n"
                                            "[台湾]\r\n台北市=008862-110\r\n信义区=008862-110\r\n"
                                            "金门县=0088682-893\r\n") +
                                            "X\xFFY=0777-777777\r\n");
    }

    // Runs the program with args, input as its standard input (/dev/null when none), from the root
    // folder. A run that takes longer than 20 seconds is ended by SIGALRM.
    Result Run(const std::vector<std::string>& args, std::optional<std::string> input = std::nullopt,
               const std::string& program = TELVANE_LOOKUP) {
        const std::string in = input ? dir_.Write("stdin", *input) : "/dev/null";
        const std::string out = dir_.File("stdout"), err = dir_.File("stderr");
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        const pid_t child = ::fork();
        if (child == 0) {
            const int inFd = ::open(in.c_str(), O_RDONLY);
            const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (inFd < 0 || outFd < 0 || errFd < 0 || ::dup2(inFd, 0) < 0 || ::dup2(outFd, 1) < 0 ||
                ::dup2(errFd, 2) < 0 || ::chdir("/") != 0) {
                ::_exit(127);
            }
            ::alarm(20);  // kept across exec
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        Result result;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = Read(out);
        result.err = Read(err);
        return result;
    }

    static std::string Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    testing::TempDir dir_;
    std::string ini_;
};

TEST_F(LookupCliTest, ExitStatusAsGrep) {
    const std::string missing = dir_.File("absent.ini");
    std::filesystem::create_directory(dir_.File("folder.ini"));
    ASSERT_EQ(::mkfifo(dir_.File("fifo.ini").c_str(), 0600), 0);
    const std::string notOurs = dir_.Write("other.ini", "[section]\nkey=value\n");
    const std::string oversized = dir_.Write("big.ini", "");
    std::filesystem::resize_file(oversized, (std::size_t{64} << 20) + 1);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string said;  // on standard error
    };
    const Case cases[] = {
        {"a row", {"0512"}, 0, ""},
        {"no row", {"0999"}, 1, ""},
        {"a row for one query of two", {"0999", "025"}, 0, ""},
        {"a mobile number", {"13800138000"}, 1, "13800138000: a mainland mobile number has no area code"},
        {"two formats", {"--tsv", "--json", "0512"}, 2, "--tsv and --json: choose one format"},
        {"an unknown option", {"--bogus", "0512"}, 2, "--bogus"},
        {"provinces and a query", {"--provinces", "0512"}, 2, "--provinces goes with no query"},
        {"name and area code", {"-n", "-a", "0512"}, 2, "-n goes with neither -a nor -p"},
        {"a province and a query", {"--province", "x", "0512"}, 2, "--province goes with no query"},
        {"a province's name",
         {"香港"},
         1,
         "香港: no region of that name; for the province, run: telvane-lookup --province 香港特别行政区"},
        {"no such province", {"--province", "nowhere"}, 1, "nowhere: no such province"},
        {"a missing file", {"--file", missing, "0512"}, 2, missing + ": No such file or directory"},
        {"a folder", {"--file", dir_.File("folder.ini"), "0512"}, 2, "folder.ini: is a directory"},
        {"a FIFO", {"--file", dir_.File("fifo.ini"), "0512"}, 2, "fifo.ini: is not a regular file"},
        {"a device", {"--file", "/dev/zero", "0512"}, 2, "/dev/zero: is not a regular file"},
        {"an oversized file", {"--file", oversized, "0512"}, 2, "big.ini: is larger than 64 MiB"},
        {"an empty path", {"--file", "", "0512"}, 2, ": No such file or directory"},
        {"no province list", {"--file", notOurs, "0512"}, 2, "other.ini: no province list"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = c.args;
        if (args[0] != "--file") args.insert(args.begin(), {"--file", ini_});
        const Result result = Run(args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
        if (c.status == 0) {
            EXPECT_FALSE(result.out.empty());
        } else {
            EXPECT_EQ(result.out, "");
        }
    }
}

TEST_F(LookupCliTest, HelpAndVersion) {
    const Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--province NAME"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Exit status"), std::string::npos) << help.out;
    const Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "telvane-lookup (Telvane) " TELVANE_VERSION "\n");
}

TEST_F(LookupCliTest, EachKindOfQueryInTsvColumns) {
    const Result result = Run({"--file", ini_, "--tsv", "0512-68001234", "+86 25 8888 1234", "0088682 12345",
                               "+852 2345 6789", "0414", "110", "本", "北京", "X"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "query\tprovince\tregion\tarea_code\tpostcode\n"
              "0512-68001234\t江苏省\t苏州市\t0512\t215000\n"
              "+86 25 8888 1234\t江苏省\t南京市\t025\t210000\n"
              "0088682 12345\t台湾\t金门县\t0088682\t893\n"
              "+852 2345 6789\t香港特别行政区\t中西区\t00852\t999077\n"
              "0414\t辽宁省\t本溪市\t0414\t117000\n"
              "0414\t辽宁省\t本溪满族自治县\t0414\t117100\n"
              "110\t台湾\t台北市\t008862\t110\n"
              "110\t台湾\t信义区\t008862\t110\n"
              "本\t辽宁省\t本溪市\t0414\t117000\n"  // not 北京, whose bytes hold 本's
              "本\t辽宁省\t本溪满族自治县\t0414\t117100\n"
              "北京\t北京\t北京市\t010\t100000\n"
              "X\t台湾\tX\xEF\xBF\xBDY\t0777\t777777\n");  // the byte that is no GBK as U+FFFD
}

TEST_F(LookupCliTest, ForcedKindsAndFuzzyCodes) {
    struct Case {
        std::vector<std::string> args;
        std::string regions;  // the region column, one a line
    };
    const Case cases[] = {
        {{"-a", "0088682"}, "金门县\n"},  // all rows of the code, not one number's
        {{"-p", "893"}, "金门县\n"},
        {{"-a", "-p", "0512-215300"}, "昆山市\n"},  // both criteria, as in the window
        {{"-a", "-p", "0512 215000"}, "苏州市\n"},
        {{"-a", "-p", "0512-100000"}, ""},
        {{"-f", "051"}, "苏州市\n昆山市\n"},
        {{"-a", "-f", "41"}, "本溪市\n本溪满族自治县\n"},
        {{"-p", "-f", "2153"}, "昆山市\n"},
        {{"-n", "0512"}, ""},
        {{"--province", "江苏"}, "苏州市\n昆山市\n南京市\n"},  // a province by its first characters
        {{"--province", "北京"}, "北京市\n东城区\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        std::vector<std::string> args{"--file", ini_, "--tsv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result result = Run(args);
        EXPECT_EQ(result.status, c.regions.empty() ? 1 : 0) << result.err;
        std::string regions;
        const std::vector<std::string> lines = Lines(result.out);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            std::istringstream fields(lines[i]);
            std::string field;
            for (int column = 0; column < 3; ++column) std::getline(fields, field, '\t');
            regions += field + "\n";
        }
        EXPECT_EQ(regions, c.regions);
    }
    const Result provinces = Run({"--file", ini_, "--provinces"});
    EXPECT_EQ(provinces.out, "北京\n江苏省\n辽宁省\n香港特别行政区\n台湾\n");
}

TEST_F(LookupCliTest, JsonLinesParse) {
    // A query holding bytes that are not UTF-8 still gives JSON.
    const Result result = Run({"--file", ini_, "--json", "0414", "\xB1\xBE"});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 2u);
    const nlohmann::ordered_json first = nlohmann::ordered_json::parse(lines[0]);
    EXPECT_EQ(first.dump(), R"({"query":"0414","province":"辽宁省","region":"本溪市","area_code":"0414",)"
                            R"("postcode":"117000"})");
    EXPECT_EQ(nlohmann::json::parse(lines[1])["region"], "本溪满族自治县");

    const Result batch = Run({"--file", ini_, "--json"}, "\xB1\xBE\nnowhere\nsay \"hi\" \\\x01\n");
    EXPECT_EQ(batch.status, 1);
    const std::vector<std::string> records = Lines(batch.out);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(nlohmann::json::parse(records[0]),
              nlohmann::json::parse(R"({"query":"\uFFFD\uFFFD","province":"","region":"","area_code":"",)"
                                    R"("postcode":""})"));
    EXPECT_EQ(nlohmann::json::parse(records[1])["query"], "nowhere");
    EXPECT_EQ(nlohmann::json::parse(records[2])["query"], "say \"hi\" \\\x01");
}

TEST_F(LookupCliTest, BatchKeepsInputOrderWithARecordForEveryQuery) {
    std::string longLine(100000, '9');
    const Result result =
        Run({"--file", ini_, "--tsv"}, "0512-68001234\nnowhere\n\r\n+852 2345 6789\r\n13800138000\n025\t\n" +
                                           longLine + "\n0414\n(0512) 68001234");
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 11u) << result.out;
    EXPECT_EQ(lines[0], "query\tprovince\tregion\tarea_code\tpostcode");
    EXPECT_EQ(lines[1], "0512-68001234\t江苏省\t苏州市\t0512\t215000");
    EXPECT_EQ(lines[2], "nowhere\t\t\t\t");
    EXPECT_EQ(lines[3], "\t\t\t\t");  // an empty line is a query too
    EXPECT_EQ(lines[4], "+852 2345 6789\t香港特别行政区\t中西区\t00852\t999077");
    EXPECT_EQ(lines[5], "13800138000\t\t\t\t");
    EXPECT_EQ(lines[6], "025 \t江苏省\t南京市\t025\t210000");  // a tab in a query keeps to its column
    EXPECT_EQ(lines[7], std::string(4096, '9') + "\t\t\t\t");  // cut to 4,096 bytes
    EXPECT_EQ(lines[8], "0414\t辽宁省\t本溪市\t0414\t117000");
    EXPECT_EQ(lines[9], "0414\t辽宁省\t本溪满族自治县\t0414\t117100");
    EXPECT_EQ(lines[10], "(0512) 68001234\t江苏省\t苏州市\t0512\t215000");
    EXPECT_NE(result.err.find("13800138000: a mainland mobile"), std::string::npos);

    const Result none = Run({"--file", ini_, "--tsv"}, "nowhere\n");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "query\tprovince\tregion\tarea_code\tpostcode\nnowhere\t\t\t\t\n");
    EXPECT_EQ(Run({"--file", ini_, "--tsv"}, "").out, "");
}

TEST_F(LookupCliTest, TableAlignedByDisplayWidth) {
    EXPECT_EQ(Run({"--file", ini_, "0414"}).out,
              "省份    地区            长途区号  邮政编码\n"
              "辽宁省  本溪市          0414      117000\n"
              "辽宁省  本溪满族自治县  0414      117100\n");
    // With more than one query, the query that found each row comes last.
    EXPECT_EQ(Run({"--file", ini_, "025", "X", "0999"}).out,
              "省份    地区    长途区号  邮政编码  查询\n"
              "江苏省  南京市  025       210000    025\n"
              "台湾    X\xEF\xBF\xBDY     0777      777777    X\n");
    // A batch table too; a query that found nothing stands alone in its column.
    EXPECT_EQ(Run({"--file", ini_}, "025\nnowhere\n").out,
              "省份    地区    长途区号  邮政编码  查询\n"
              "江苏省  南京市  025       210000    025\n"
              "                                    nowhere\n");
}

TEST_F(LookupCliTest, FindsTheDataFileBesideTheRealProgram) {
    std::filesystem::create_directories(dir_.File("lib/telvane"));
    std::filesystem::create_directories(dir_.File("bin"));
    const std::string program = dir_.File("lib/telvane/telvane-lookup");
    std::filesystem::copy_file(TELVANE_LOOKUP, program);
    std::filesystem::create_symlink("../lib/telvane/telvane-lookup", dir_.File("bin/telvane-lookup"));

    const Result missing = Run({"025"}, std::nullopt, dir_.File("bin/telvane-lookup"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find(dir_.File("lib/telvane/tesmar.ini")), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");

    std::filesystem::copy_file(ini_, dir_.File("lib/telvane/tesmar.ini"));
    const Result found = Run({"--tsv", "025"}, std::nullopt, dir_.File("bin/telvane-lookup"));
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "query\tprovince\tregion\tarea_code\tpostcode\n025\t江苏省\t南京市\t025\t210000\n");
}

}  // namespace
}  // namespace telvane
