// Search cost against the cost of reading and parsing the data file once, over a generated directory
// of national size, one ten times larger, and the shipped national directory. The "faults" counter is
// the minor page faults of one iteration: memory the process had to be given afresh.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "../collect_rows.h"
#include "../temp_dir.h"
#include "directory/directory.h"
#include "fault_counter.h"
#include "lookup/lookup.h"

namespace telvane {
namespace {

// A GBK character from the common block (first byte B0-D7, second A1-FE).
void AppendHanzi(std::string& out, std::mt19937& random) {
    out += static_cast<char>(0xB0 + random() % 0x28);
    out += static_cast<char>(0xA1 + random() % 0x5E);
}

struct Directory {
    std::string path;
    std::vector<std::string> provinces;
    std::size_t entries = 0;
};

// 35 provinces with about 106 regions each at scale 1: some 3,700 entries, names of two to five
// characters, four-digit area codes and six-digit postcodes.
Directory Generate(const testing::TempDir& dir, int scale) {
    std::mt19937 random(20261211);
    Directory directory;
    std::string body;
    for (int p = 0; p < 35; ++p) {
        std::string province;
        for (int i = 0; i < 3; ++i) AppendHanzi(province, random);
        province += "\xCA\xA1" + std::to_string(p);  // 省 and a number keep the names apart
        directory.provinces.push_back(province);
        body += "\r\n[" + province + "]\r\n";
        const int regions = (100 + static_cast<int>(random() % 13)) * scale;
        for (int r = 0; r < regions; ++r) {
            std::string name;
            for (int i = 0, n = 2 + static_cast<int>(random() % 4); i < n; ++i) AppendHanzi(name, random);
            name += std::to_string(r);
            body += name + "=0" + std::to_string(300 + random() % 700) + "-" +
                    std::to_string(100000 + random() % 899999) + "\r\n";
            ++directory.entries;
        }
    }
    std::string list;
    for (const std::string& province : directory.provinces) list += province + ",";
    directory.path =
        dir.Write("tesmar-" + std::to_string(scale) + ".ini", "[lei]\r\nsel=" + list + "\r\n" + body);
    return directory;
}

const Directory& Generated(int scale) {
    static testing::TempDir dir;
    static const Directory national = Generate(dir, 1), tenfold = Generate(dir, 10);
    return scale == 1 ? national : tenfold;
}

const Directory& Shipped() {
    static const Directory shipped = [] {
        Directory directory{TELVANE_DATA_FILE, {}, 0};
        IniReader reader(directory.path);
        directory.provinces = ReadProvinceList(reader);
        return directory;
    }();
    return shipped;
}

const Directory& Pick(int which) {
    return which == 0 ? Shipped() : Generated(which);
}

using bench::FaultCounter;

// The baseline: one reading of the file with every province's section parsed (the reader parses a
// section's keys when it is first asked for them).
void BM_ReadAndParseOnce(benchmark::State& state) {
    const Directory& directory = Pick(static_cast<int>(state.range(0)));
    std::size_t entries = 0;
    FaultCounter faults(state);
    for (auto _ : state) {
        IniReader reader(directory.path);
        for (const std::string& province : directory.provinces) {
            reader.ForEachEntry(province, [&entries](std::string_view, std::string_view) { ++entries; });
        }
        benchmark::DoNotOptimize(entries);
    }
}

void Search(benchmark::State& state, const SearchCriteria& criteria) {
    const Directory& directory = Pick(static_cast<int>(state.range(0)));
    std::size_t rows = 0;
    FaultCounter faults(state);
    for (auto _ : state) {
        rows = testing::Found(criteria, directory.provinces, directory.path).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_SearchExact(benchmark::State& state) {
    Search(state, {"0755", "", mmExact});
}
void BM_SearchFuzzyEveryEntry(benchmark::State& state) {
    Search(state, {"0", "", mmFuzzy});
}

void BM_ListLargestProvince(benchmark::State& state) {
    const Directory& directory = Pick(static_cast<int>(state.range(0)));
    std::string largest;
    std::size_t most = 0;
    for (const std::string& province : directory.provinces) {
        const std::size_t rows = testing::Listed(province, directory.path).size();
        if (rows > most) most = rows, largest = province;
    }
    FaultCounter faults(state);
    for (auto _ : state) benchmark::DoNotOptimize(testing::Listed(largest, directory.path));
    state.counters["rows"] = static_cast<double>(most);
}

// Argument: 0 the shipped national directory, 1 the generated one of national size, 10 ten times that.
#define TELVANE_DIRECTORIES ArgName("directory")->Arg(0)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_ReadAndParseOnce)->TELVANE_DIRECTORIES;
BENCHMARK(BM_SearchExact)->TELVANE_DIRECTORIES;
BENCHMARK(BM_SearchFuzzyEveryEntry)->TELVANE_DIRECTORIES;
BENCHMARK(BM_ListLargestProvince)->TELVANE_DIRECTORIES;

}  // namespace
}  // namespace telvane

BENCHMARK_MAIN();
