// The telvane-lookup command end to end: the built program run as a script or a person runs it, over
// small data files written here.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
        ini_ = dir_.Write("tesmar.ini", Gbk("[lei]\r\nsel=北京,江苏省,辽宁省,香港特别行政区,台湾,江西省,\r\n"
                                            "[北京]\r\n北京市=010-100000\r\n东城区=010-100010\r\n"
                                            "[江苏省]\r\n苏州市=0512-215000\r\n昆山市=0512-215300\r\n"
                                            "南京市=025-210000\r\n"
                                            "[辽宁省]\r\n本溪市=0414-117000\r\n本溪满族自治县=0414-117100\r\n"
                                            "[香港特别行政区]\r\n中西区=00852-999077\r\n"
                                            "[台湾]\r\n台北市=008862-110\r\n信义区=008862-110\r\n"
                                            "金门县=0088682-893\r\n") +
                                            "X\xFFY=0777-777777\r\n" +
                                            Gbk("[江西省]\r\n南昌市=0791-330000\r\n"));
    }

    // Runs the program with args, input as its standard input (/dev/null when none), from the root
    // folder. A run that takes longer than 20 seconds is ended by SIGALRM.
    Result Run(const std::vector<std::string>& args, std::optional<std::string> input = std::nullopt,
               const std::string& program = TELVANE_LOOKUP,
               std::optional<std::string> output = std::nullopt) {
        const std::string in = input ? dir_.Write("stdin", *input) : "/dev/null";
        const std::string out = output.value_or(dir_.File("stdout")), err = dir_.File("stderr");
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
        if (!output) result.out = Read(out);
        result.err = Read(err);
        return result;
    }

    // The regions of TSV output (its third column), one a line.
    static std::string Regions(const std::string& tsv) {
        std::string regions;
        const std::vector<std::string> lines = Lines(tsv);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            std::istringstream fields(lines[i]);
            std::string field;
            for (int column = 0; column < 3; ++column) std::getline(fields, field, '\t');
            regions += field + "\n";
        }
        return regions;
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
        {{"-a", "-f", "051"}, "苏州市\n昆山市\n"},
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
        EXPECT_EQ(Regions(result.out), c.regions);
    }
    const Result provinces = Run({"--file", ini_, "--provinces"});
    EXPECT_EQ(provinces.out, "北京\n江苏省\n辽宁省\n香港特别行政区\n台湾\n江西省\n");
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
                                    R"("postcode":"","reason":"not_gbk"})"));
    EXPECT_EQ(nlohmann::json::parse(records[1])["query"], "nowhere");
    EXPECT_EQ(nlohmann::json::parse(records[1])["reason"], "no_such_name");
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

    const Result none = Run({"--file", ini_, "--tsv"}, "nowhere\n");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "query\tprovince\tregion\tarea_code\tpostcode\nnowhere\t\t\t\t\n");
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

// What the landed command answered wrongly, each row against a query that people write.
TEST_F(LookupCliTest, AnswersNumbersAndDigitsAsWritten) {
    struct Case {
        std::vector<std::string> args;
        std::string input;    // standard input, when not empty
        std::string regions;  // the region column, one a line
        std::string said;     // on standard error, when not empty
    };
    const Case cases[] = {
        // -f: digits only are a code of any length, matched in either code.
        {{"-f", "2150"}, "", "苏州市\n", ""},
        {{"-f", "51"}, "", "苏州市\n昆山市\n", ""},
        {{"-f", "7"}, "", "本溪市\n本溪满族自治县\n中西区\nX\xEF\xBF\xBDY\n南昌市\n", ""},
        {{"-f", "0"},
         "",
         "北京市\n东城区\n苏州市\n昆山市\n南京市\n本溪市\n本溪满族自治县\n中西区\n台北市\n信义区\n金门县\n"
         "X\xEF\xBF\xBDY\n南昌市\n",
         ""},
        {{"-p", "-f", "10"}, "", "北京市\n东城区\n南京市\n本溪满族自治县\n台北市\n信义区\n", ""},
        // Mobile numbers are 11 digits starting with 13 to 19.
        {{"1-212-555-1234"}, "", "", "1-212-555-1234: not a telephone number"},
        {{"12012345678"}, "", "", "12012345678: not a telephone number"},
        {{"10000000000"}, "", "", "10000000000: not a telephone number"},
        // Extensions are dropped before the number is judged.
        {{"010-6552 1234-8"}, "", "北京市\n", ""},
        {{"010-6552 1234-88"}, "", "北京市\n", ""},
        {{"010-6552 1234转8001"}, "", "北京市\n", ""},
        {{"010-6552 1234 ext 12"}, "", "北京市\n", ""},
        {{"010-6552 1234 x12"}, "", "北京市\n", ""},
        {{"010-6552 1234#123"}, "", "北京市\n", ""},
        {{"138 0013 8000-8"}, "", "", "a mainland mobile number"},
        // Fullwidth forms, dashes, the ideographic space, slashes and the tel: scheme.
        {{"０５１２－６８００１２３４"}, "", "苏州市\n", ""},
        {{"0512–68001234"}, "", "苏州市\n", ""},
        {{"0512—6800—1234"}, "", "苏州市\n", ""},
        {{"0512　68001234"}, "", "苏州市\n", ""},
        {{"0512/68001234"}, "", "苏州市\n", ""},
        {{"tel:+86-512-68001234"}, "", "苏州市\n", ""},
        {{"ｔｅｌ：＋８６－５１２－６８００１２３４"}, "", "苏州市\n", ""},
        // A byte-order mark before the first line of the input.
        {{},
         "\xEF\xBB\xBF"
         "0512-68001234\r\n本溪\r\n",
         "苏州市\n本溪市\n本溪满族自治县\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? c.input : c.args.back());
        std::vector<std::string> args{"--file", ini_, "--tsv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result result = Run(args, c.input.empty() ? std::nullopt : std::optional(c.input));
        EXPECT_EQ(result.status, c.regions.empty() ? 1 : 0) << result.err;
        EXPECT_EQ(Regions(result.out), c.regions);
        if (!c.said.empty()) {
            EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
        }
        EXPECT_EQ(result.err.find("mobile") != std::string::npos, c.said.find("mobile") != std::string::npos)
            << result.err;
    }
}

// Every query without a row says why on standard error: once each, or in batch once per reason with
// its count at the end; -q says nothing.
TEST_F(LookupCliTest, SaysWhyNothingWasFound) {
    struct Case {
        std::string query, said;
    };
    const Case cases[] = {
        {"68001234", "68001234: a local number"},
        {"400-810-8888", "400-810-8888: a service number"},
        {"800 820 8820", "800 820 8820: a service number"},
        {"95588", "95588: a service number"},
        {"12345", "12345: a service number"},
        {"10086", "10086: a service number"},
        {"+1 212 555 1234", "+1 212 555 1234: a number abroad"},
        {"+44 20 7946 0958", "+44 20 7946 0958: a number abroad"},
        {"+886 912 345 678", "+886 912 345 678: a Taiwan mobile number"},
        {"0999", "0999: no region has this area code"},
        {"999999", "999999: no region has this postcode"},
        {"nowhere", "nowhere: no region of that name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const Result result = Run({"--file", ini_, c.query});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err.rfind("telvane-lookup: " + c.said, 0), 0u) << result.err;
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
        EXPECT_EQ(Run({"--file", ini_, "-q", c.query}).err, "");
    }

    const std::string batch = "13800138000\n68001234\n0512-68001234\n13912345678\n95588\n13800138000\n";
    const Result counted = Run({"--file", ini_, "--tsv"}, batch);
    EXPECT_EQ(counted.status, 0);
    EXPECT_EQ(
        counted.err,
        "telvane-lookup: 3 queries: a mainland mobile number has no area code\n"
        "telvane-lookup: 1 query: a local number: write its area code in front\n"
        "telvane-lookup: 1 query: a service number (400, 800, 95..., 96..., 1...) belongs to no area\n");
    EXPECT_EQ(Lines(counted.out).size(), 7u);
    const Result quiet = Run({"--file", ini_, "--tsv", "--quiet"}, batch);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, counted.out);

    // JSON records of unmatched queries carry the reason last.
    const Result json = Run({"--file", ini_, "--json"}, "68001234\n");
    EXPECT_EQ(
        json.out,
        R"({"query":"68001234","province":"","region":"","area_code":"","postcode":"","reason":"local_number"})"
        "\n");
}

TEST_F(LookupCliTest, OutputIsUtf8WhateverTheInput) {
    // Bytes that are not UTF-8 become U+FFFD in every format, with one warning for the run.
    const std::string bad = "X\xFF\xFE";
    for (const std::string format : {"--tsv", "--json", "--table"}) {
        SCOPED_TRACE(format);
        std::vector<std::string> args{"--file", ini_};
        if (format != "--table") args.push_back(format);
        const Result result = Run(args, bad + "\n" + bad + "\n");
        EXPECT_EQ(result.out.find('\xFF'), std::string::npos);
        EXPECT_NE(result.out.find("X\xEF\xBF\xBD\xEF\xBF\xBD"), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find("warning: the input holds bytes that are not UTF-8"), 16u) << result.err;
        EXPECT_EQ(result.err.find("warning", 30), std::string::npos) << result.err;
    }
    // The 4,096-byte cut of a line never splits a character: 4,095 bytes and a three-byte 中.
    const Result cut = Run({"--file", ini_, "--tsv"}, std::string(4095, 'a') + "中\n");
    EXPECT_EQ(cut.out,
              "query\tprovince\tregion\tarea_code\tpostcode\n" + std::string(4095, 'a') + "\t\t\t\t\n");
    EXPECT_EQ(cut.err.find("warning"), std::string::npos) << cut.err;
}

TEST_F(LookupCliTest, ControlCharactersNeverReachTheTerminalRaw) {
    const std::string ini =
        dir_.Write("controls.ini", Gbk("[lei]\r\nsel=江苏省,\r\n[江苏省]\r\n苏州\x1B[31m市=0512-215000\r\n"));
    const Result table = Run({"--file", ini, "0512", "\x1B]0;title\x07"});
    EXPECT_EQ(table.out.find('\x1B'), std::string::npos) << table.out;
    EXPECT_EQ(table.out.find('\x07'), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("苏州\\x1B[31m市"), std::string::npos) << table.out;
    EXPECT_EQ(table.err, "telvane-lookup: \\x1B]0;title\\x07: no region of that name\n");
    // TSV keeps its columns and lines; JSON escapes.
    EXPECT_EQ(Run({"--file", ini, "--tsv", "0512"}).out,
              "query\tprovince\tregion\tarea_code\tpostcode\n0512\t江苏省\t苏州\x1B[31m市\t0512\t215000\n");
    EXPECT_NE(Run({"--file", ini, "--json", "0512"}).out.find(R"(苏州\u001b[31m市)"), std::string::npos);
}

// A program that writes one query and waits gets its answer at once, in every format.
TEST_F(LookupCliTest, AnswersStreamWhileTheInputStaysOpen) {
    for (const std::string format : {"--tsv", "--json", "--table"}) {
        SCOPED_TRACE(format);
        int toChild[2], fromChild[2];
        ASSERT_EQ(::pipe(toChild), 0);
        ASSERT_EQ(::pipe(fromChild), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            if (::dup2(toChild[0], 0) < 0 || ::dup2(fromChild[1], 1) < 0 || ::dup2(null, 2) < 0) ::_exit(127);
            ::close(toChild[1]);
            ::close(fromChild[0]);
            ::alarm(20);
            const char* program = TELVANE_LOOKUP;
            if (format == "--table") {
                ::execl(program, program, "--file", ini_.c_str(), nullptr);
            } else {
                ::execl(program, program, "--file", ini_.c_str(), format.c_str(), nullptr);
            }
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        std::string got;
        // Reads until want has come, for at most 5 seconds.
        auto await = [&](const std::string& want) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (got.find(want) == std::string::npos && std::chrono::steady_clock::now() < until) {
                pollfd ready{fromChild[0], POLLIN, 0};
                if (::poll(&ready, 1, 100) <= 0) continue;
                char buffer[4096];
                const ssize_t n = ::read(fromChild[0], buffer, sizeof buffer);
                if (n <= 0) break;
                got.append(buffer, static_cast<std::size_t>(n));
            }
            return got.find(want) != std::string::npos;
        };
        ASSERT_EQ(::write(toChild[1], "0512-68001234\n", 14), 14);
        EXPECT_TRUE(await("苏州市")) << got;
        ASSERT_EQ(::write(toChild[1], "本溪\n", 7), 7);
        EXPECT_TRUE(await("本溪满族自治县")) << got;
        ::close(toChild[1]);  // the end of the input ends the run
        ::close(fromChild[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

// A failed write ends the run at once, with one message and exit 2, SIGPIPE ignored or not there.
TEST_F(LookupCliTest, AWriteErrorEndsTheRun) {
    std::string batch;
    for (int i = 0; i < 100000; ++i) batch += "13800138000\n";
    const std::string input = dir_.Write("batch", batch);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const std::string err = dir_.File("stderr");
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGPIPE, SIG_IGN);  // kept across exec
        const int inFd = ::open(input.c_str(), O_RDONLY);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::close(pipeFds[0]);
        if (inFd < 0 || errFd < 0 || ::dup2(inFd, 0) < 0 || ::dup2(pipeFds[1], 1) < 0 || ::dup2(errFd, 2) < 0)
            ::_exit(127);
        ::alarm(20);
        ::execl(TELVANE_LOOKUP, TELVANE_LOOKUP, "--file", ini_.c_str(), "--tsv", nullptr);
        ::_exit(127);
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_EQ(Read(err), "telvane-lookup: write error: Broken pipe\n");

    // --help and --version fail as grep's do when their output cannot be written.
    for (const std::string option : {"--help", "--version"}) {
        SCOPED_TRACE(option);
        const Result full = Run({option}, std::nullopt, TELVANE_LOOKUP, "/dev/full");
        EXPECT_EQ(full.status, 2);
        EXPECT_EQ(full.err, "telvane-lookup: write error: No space left on device\n");
    }
    const Result full = Run({"--file", ini_, "0512"}, std::nullopt, TELVANE_LOOKUP, "/dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "telvane-lookup: write error: No space left on device\n");
}

TEST_F(LookupCliTest, StandardInputAndUsage) {
    // "-" stands for standard input, among other queries too.
    const Result dash = Run({"--file", ini_, "--tsv", "025", "-", "0414"}, "0512-68001234\n");
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(Regions(dash.out), "南京市\n苏州市\n本溪市\n本溪满族自治县\n");
    // The kind flags take no value.
    const Result valued = Run({"--file", ini_, "--area=0512"});
    EXPECT_EQ(valued.status, 2);
    EXPECT_EQ(valued.err, "telvane-lookup: --area=0512: --area takes no value (see --help)\n");
    EXPECT_EQ(valued.out, "");
    // TSV on empty input still has its header.
    const Result empty = Run({"--file", ini_, "--tsv"}, "");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "query\tprovince\tregion\tarea_code\tpostcode\n");
}

TEST_F(LookupCliTest, ProvincesAsPeopleWriteThem) {
    for (const std::string name : {"北京市", " 北京 ", "北京　"}) {
        SCOPED_TRACE(name);
        const Result result = Run({"--file", ini_, "--tsv", "--province", name});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(Regions(result.out), "北京市\n东城区\n");
    }
    EXPECT_EQ(Regions(Run({"--file", ini_, "--tsv", "--province", "台湾省"}).out),
              "台北市\n信义区\n金门县\nX\xEF\xBF\xBDY\n");
    EXPECT_EQ(Regions(Run({"--file", ini_, "--tsv", "--province", "香港"}).out), "中西区\n");
    const Result ambiguous = Run({"--file", ini_, "--province", "江"});
    EXPECT_EQ(ambiguous.status, 2);
    EXPECT_EQ(ambiguous.err,
              "telvane-lookup: 江: names more than one province: 江苏省 江西省 (see --help)\n");
    EXPECT_EQ(ambiguous.out, "");
}

// A data file that is probably not what the user meant is answered as the window reads it, with one
// warning on standard error.
TEST_F(LookupCliTest, WarnsOfADataFileProbablyNotMeant) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string warning;
    };
    // 2,047 bytes up to the comma after the p's: the province after it is cut off.
    const std::string list = "江苏省," + std::string(2039, 'p') + ",浙江省,";
    const Case cases[] = {
        {"UTF-8 without a byte-order mark", "[lei]\r\nsel=北京,\r\n[北京]\r\n北京市=0512-215000\r\n",
         "reads as UTF-8 without a byte-order mark"},
        {"a name after the last comma",
         Gbk("[lei]\r\nsel=江苏省,浙江省\r\n[江苏省]\r\n苏州市=0512-215000\r\n"),
         "the province list ends in \"浙江省\" without a comma after it"},
        {"a list cut at its limit", Gbk("[lei]\r\nsel=" + list + "\r\n[江苏省]\r\n苏州市=0512-215000\r\n"),
         "the province list fills its limit of 2047 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string ini = dir_.Write("odd.ini", c.bytes);
        const Result result = Run({"--file", ini, "--tsv", "0512"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(Lines(result.out).size(), 2u) << result.out;
        EXPECT_NE(result.err.find(c.warning), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("warning"), result.err.rfind("warning")) << result.err;
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    }
    EXPECT_EQ(Run({"--file", ini_, "0512"}).err, "");
}

}  // namespace
}  // namespace telvane
