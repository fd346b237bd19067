// telvane-lookup: the directory from a terminal and from scripts. Reads the data file once, answers
// each query (a number, an area code, a postcode or a place name) with its rows, and exits as grep
// does: 0 when a row was printed, 1 when none, 2 for a usage error or a data file it cannot use.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/output.h"
#include "cli/text.h"
#include "directory/codec.h"
#include "directory/directory.h"
#include "directory/gbk.h"
#include "lookup/lookup.h"
#include "lookup/query.h"

namespace telvane::cli {
namespace {

constexpr const char* kProgram = "telvane-lookup";
// A query line longer than this is cut to it: no number, code or region name comes near.
constexpr std::size_t kMaxQueryBytes = 4096;

enum Exit { kFound = 0, kNothing = 1, kTrouble = 2 };

struct Options {
    std::vector<std::string> queries;
    bool area = false;
    bool postcode = false;
    bool name = false;
    bool fuzzy = false;
    std::optional<std::string> province;
    bool provinces = false;
    bool tsv = false;
    bool json = false;
    std::optional<std::string> file;
};

void Complain(std::string_view what) {
    std::string line(kProgram);
    line += ": ";
    line += what;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The province that NAME (GBK) names: the one of that name, or else the only one whose name starts
// with it as whole characters ("广东" for 广东省).
std::optional<std::string> FindProvince(const std::string& name, const std::vector<std::string>& provinces,
                                        std::vector<std::string>& candidates) {
    for (const std::string& province : provinces) {
        if (province == name) return province;
    }
    for (const std::string& province : provinces) {
        if (name.empty() || !province.starts_with(name)) continue;
        std::size_t end = 0;
        while (end < name.size()) end += gbk::CharLength(province, end);
        if (end == name.size() &&
            std::find(candidates.begin(), candidates.end(), province) == candidates.end()) {
            candidates.push_back(province);
        }
    }
    if (candidates.size() == 1) return candidates.front();
    return std::nullopt;
}

// Answers queries against one reading of the data file.
class Lookup {
public:
    Lookup(const Options& options, IniReader& reader, const std::vector<std::string>& provinces,
           Output& output, bool batch)
        : options_(options), reader_(reader), provinces_(provinces), output_(output), batch_(batch) {}

    void Query(std::string_view typed) {
        const std::string_view query = Trim(typed);
        bool any = false;
        const RowSink emit = [&](DirectoryRow&& row) {
            any = true;
            output_.Record(typed, &row);
        };
        QueryKind kind = ClassifyQuery(query);
        if (options_.area || options_.postcode) kind = QueryKind::kAreaCode;
        if (options_.name) kind = QueryKind::kName;

        switch (kind) {
            case QueryKind::kNumber: {
                const std::string digits = NormaliseNumber(query);
                if (IsMainlandMobile(digits)) {
                    Complain(std::string(query) + ": a mainland mobile number has no area code");
                    break;
                }
                const AreaCodeIndex& index = Index();
                const std::size_t row = index.Find(digits);
                if (row != AreaCodeIndex::kNone) {
                    any = true;
                    output_.Record(typed, &index.Row(row), row);
                }
                break;
            }
            case QueryKind::kAreaCode:
            case QueryKind::kPostcode: {
                const std::optional<SearchCriteria> criteria = Criteria(query, kind);
                if (criteria && FilledCount(*criteria) > 0)
                    SearchDirectory(*criteria, provinces_, reader_, emit);
                break;
            }
            case QueryKind::kName:
                if (const std::optional<std::string> name = Utf8ToGbk(query)) {
                    SearchNames(*name, provinces_, reader_, emit);
                    if (!any) HintAtProvince(query, *name);
                }
                break;
        }
        if (!any && batch_) output_.Record(typed, nullptr);
        found_ = found_ || any;
    }

    bool found() const { return found_; }

private:
    // The criteria a code query stands for. With both -a and -p a query holds an area code and a
    // postcode, parted by a hyphen or blanks ("0512-215000", "0512 215000").
    std::optional<SearchCriteria> Criteria(std::string_view query, QueryKind kind) {
        SearchCriteria criteria;
        criteria.mode = options_.fuzzy ? mmFuzzy : mmExact;
        std::string_view areaCode, postcode;
        if (options_.area && options_.postcode) {
            const std::size_t cut = query.find_first_of("- \t");
            areaCode = query.substr(0, cut);
            if (cut != std::string_view::npos) postcode = Trim(query.substr(cut + 1));
        } else if (options_.postcode || (!options_.area && kind == QueryKind::kPostcode)) {
            postcode = query;
        } else {
            areaCode = query;
        }
        const std::optional<std::string> area = Utf8ToGbk(areaCode);
        const std::optional<std::string> post = Utf8ToGbk(postcode);
        if (!area || !post) return std::nullopt;
        criteria.areaCode = *area;
        criteria.postcode = *post;
        return criteria;
    }

    // A name that finds no region but names a province is most likely meant as one.
    void HintAtProvince(std::string_view query, const std::string& name) {
        std::vector<std::string> candidates;
        if (const std::optional<std::string> province = FindProvince(name, provinces_, candidates)) {
            Complain(std::string(query) + ": no region of that name; for the province, run: " + kProgram +
                     " --province " + GbkToUtf8(*province));
        }
    }

    const AreaCodeIndex& Index() {
        if (!index_) {
            index_.emplace(reader_, provinces_);
            output_.ReserveSlots(index_->size());
        }
        return *index_;
    }

    const Options& options_;
    IniReader& reader_;
    const std::vector<std::string>& provinces_;
    Output& output_;
    bool batch_;
    bool found_ = false;
    std::optional<AreaCodeIndex> index_;
};

// Calls onLine for each line of the file fd, without its line end (LF or CR LF), each cut to
// kMaxQueryBytes. False when reading fails.
template <typename OnLine>
bool ForEachInputLine(int fd, OnLine onLine) {
    std::vector<char> chunk(std::size_t{1} << 18);
    std::string carried;  // the start of a line that runs on past a chunk
    auto deliver = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        onLine(line);
    };
    while (true) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        std::string_view data(chunk.data(), static_cast<std::size_t>(got));
        while (!data.empty()) {
            const std::size_t end = data.find('\n');
            const std::string_view part = data.substr(0, end);
            if (end == std::string_view::npos) {
                carried.append(part.substr(0, kMaxQueryBytes - std::min(kMaxQueryBytes, carried.size())));
                break;
            }
            if (carried.empty()) {
                deliver(part.substr(0, kMaxQueryBytes));
            } else {
                carried.append(part.substr(0, kMaxQueryBytes - std::min(kMaxQueryBytes, carried.size())));
                deliver(carried);
                carried.clear();
            }
            data.remove_prefix(end + 1);
        }
    }
    if (!carried.empty()) deliver(carried);
    return true;
}

// What makes the options a usage error, or nothing when they go together.
const char* Conflict(const Options& options) {
    const bool forced = options.area || options.postcode || options.name || options.fuzzy;
    if (options.tsv && options.json) return "--tsv and --json: choose one format";
    if (options.provinces &&
        (options.province || forced || !options.queries.empty() || options.tsv || options.json))
        return "--provinces goes with no query and no other option but --file";
    if (options.province && (forced || !options.queries.empty()))
        return "--province goes with no query and none of -a, -p, -n, -f";
    if (options.name && (options.area || options.postcode)) return "-n goes with neither -a nor -p";
    return nullptr;
}

int Run(const Options& options) {
    const bool batch = options.queries.empty() && !options.province && !options.provinces;
    if (batch && ::isatty(STDIN_FILENO)) {
        Complain("no query: name one, or pipe queries into standard input, one a line (see --help)");
        return kTrouble;
    }

    const std::string path = options.file ? *options.file : ResolveIniPath();
    if (!options.file && path.empty()) {
        Complain(
            "cannot find the program's own folder, where tesmar.ini lies; name the data file with --file");
        return kTrouble;
    }
    if (const DataFileCheck check = CheckDataFile(path); !check.usable()) {
        Complain(path + ": " + DescribeProblem(check));
        return kTrouble;
    }
    IniReader reader(path);
    const std::vector<std::string> provinces = ReadProvinceList(reader);
    if (provinces.empty()) {
        Complain(path + ": no province list (key " + std::string(kProvinceListKey) + " of section [" +
                 std::string(kProvinceListSection) + "]): not a Telvane data file");
        return kTrouble;
    }

    if (options.provinces) {
        std::string out;
        for (const std::string& province : provinces) {
            AppendGbkAsUtf8(province, out);
            out += '\n';
        }
        if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
            Complain(std::string("write error: ") + std::strerror(errno));
            return kTrouble;
        }
        return kFound;
    }

    const Format format = options.tsv ? Format::kTsv : options.json ? Format::kJson : Format::kTable;
    Output output(format, batch || options.queries.size() > 1);
    bool found = false;

    if (options.province) {
        const std::optional<std::string> name = Utf8ToGbk(*options.province);
        std::vector<std::string> candidates;
        const std::optional<std::string> province =
            name ? FindProvince(*name, provinces, candidates) : std::nullopt;
        if (!province) {
            std::string message = *options.province;
            if (candidates.empty()) {
                message += ": no such province (--provinces lists them)";
            } else {
                message += ": names more than one province:";
                for (const std::string& candidate : candidates) message += " " + GbkToUtf8(candidate);
            }
            Complain(message);
            return kNothing;
        }
        ListProvince(*province, reader, [&](DirectoryRow&& row) {
            found = true;
            output.Record(*options.province, &row);
        });
    } else {
        Lookup lookup(options, reader, provinces, output, batch);
        if (batch) {
            if (!ForEachInputLine(STDIN_FILENO, [&](std::string_view line) { lookup.Query(line); })) {
                Complain(std::string("standard input: ") + std::strerror(errno));
                output.Finish();
                return kTrouble;
            }
        } else {
            for (const std::string& query : options.queries) lookup.Query(query);
        }
        found = lookup.found();
    }

    if (!output.Finish()) {
        Complain(std::string("write error: ") + std::strerror(errno));
        return kTrouble;
    }
    return found ? kFound : kNothing;
}

}  // namespace
}  // namespace telvane::cli

int main(int argc, char** argv) {
    using telvane::cli::Options;
    Options options;
    CLI::App app{
        "Looks up the area codes and postcodes of China's regions in Telvane's directory.\n"
        "Each QUERY is a telephone number (where is it from?), an area code or a postcode (which places\n"
        "use it?), or a place name (what are its codes?). With no QUERY and standard input not a\n"
        "terminal, each line of standard input is one query.\n",
        "telvane-lookup"};
    app.get_formatter()->column_width(24);
    app.add_option("QUERY", options.queries, "Numbers, codes or place names to look up")->type_name("");
    app.add_flag("-a,--area", options.area, "Take every query as an area code");
    app.add_flag("-p,--postcode", options.postcode,
                 "Take every query as a postcode; with -a, as both: 0512-215000");
    app.add_flag("-n,--name", options.name, "Take every query as a place name");
    app.add_flag("-f,--fuzzy", options.fuzzy, "Match codes by any part instead of whole");
    app.add_option("--province", options.province, "List the regions of one province")->type_name("NAME");
    app.add_flag("--provinces", options.provinces, "List the province names, one a line");
    app.add_flag("--tsv", options.tsv, "Print tab-separated values with a header line");
    app.add_flag("--json", options.json, "Print JSON Lines, one object per record");
    app.add_option("--file", options.file, "Read this data file instead of the tesmar.ini beside the program")
        ->type_name("PATH");
    app.set_version_flag("--version", std::string("telvane-lookup (Telvane) ") + TELVANE_VERSION);
    app.footer(
        "Exit status: 0 when a row was printed, 1 when none, 2 for a usage error or a data file that\n"
        "cannot be used. See telvane-lookup(1).\n");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        telvane::cli::Complain(std::string(error.what()) + " (see --help)");
        return telvane::cli::kTrouble;
    }
    if (const char* conflict = telvane::cli::Conflict(options)) {
        telvane::cli::Complain(std::string(conflict) + " (see --help)");
        return telvane::cli::kTrouble;
    }
    return telvane::cli::Run(options);
}
