// telvane-lookup: the directory from a terminal and from scripts. Reads the data file once, answers
// each query (a number, an area code, a postcode or a place name) with its rows or the reason there
// are none, and exits as grep does: 0 when a row was printed, 1 when none, 2 for a usage error, a data
// file it cannot use, or output it could not write.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/input.h"
#include "cli/output.h"
#include "cli/text.h"
#include "directory/codec.h"
#include "directory/directory.h"
#include "lookup/answer.h"
#include "lookup/query.h"

namespace telvane::cli {
namespace {

constexpr const char* kProgram = "telvane-lookup";
constexpr std::string_view kStandardInput = "-";

enum Exit { kFound = 0, kNothing = 1, kTrouble = 2 };

struct Options {
    std::vector<std::string> queries;
    bool area = false;
    bool postcode = false;
    bool name = false;
    bool fuzzy = false;
    bool quiet = false;
    std::optional<std::string> province;
    bool provinces = false;
    bool tsv = false;
    bool json = false;
    std::optional<std::string> file;
};

// Writes all of text to fd; false when it could not.
bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t wrote = ::write(fd, text.data(), text.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

void Complain(std::string_view what) {
    std::string line(kProgram);
    line += ": ";
    line += what;
    line += '\n';
    WriteAll(STDERR_FILENO, line);
}

void ComplainOfWriting() {
    Complain(std::string("write error: ") + std::strerror(errno));
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Text from the directory for a message (UTF-8, controls escaped).
std::string Shown(std::string_view gbk) {
    std::string out;
    AppendEscapingControls(GbkToUtf8(gbk), out);
    return out;
}

void WarnOfDataFile(const std::string& path, const std::vector<DataFileNote>& notes) {
    for (const DataFileNote& note : notes) {
        std::string message = "warning: " + path + ": ";
        switch (note.kind) {
            case DataFileNote::Kind::kUtf8:
                message +=
                    "reads as UTF-8 without a byte-order mark, but is read as GBK, as the window reads it: "
                    "its names show garbled (save it as GBK, or as UTF-8 with a byte-order mark)";
                break;
            case DataFileNote::Kind::kListTail:
                message += "the province list ends in \"" + Shown(note.text) +
                           "\" without a comma after it, so that text names no province";
                break;
            case DataFileNote::Kind::kListAtLimit:
                message += "the province list fills its limit of " + std::to_string(kMaxValueBytes) +
                           " bytes: a longer list is cut there";
                break;
        }
        Complain(message);
    }
}

// Answers queries and keeps what the end of the run reports.
class Session {
public:
    Session(const Options& options, Lookup& lookup, Output& output, bool batch)
        : options_(options), lookup_(lookup), output_(output), batch_(batch) {
        if (options.area && options.postcode) {
            asked_.as = AskedAs::kAreaAndPostcode;
        } else if (options.area) {
            asked_.as = AskedAs::kAreaCode;
        } else if (options.postcode) {
            asked_.as = AskedAs::kPostcode;
        } else if (options.name) {
            asked_.as = AskedAs::kName;
        }
        asked_.fuzzy = options.fuzzy;
    }

    // Answers one query (bytes as typed); false once the output cannot be written.
    bool Query(std::string_view typed) {
        // Most queries are ASCII: valid UTF-8 and GBK alike, and their own NFKC form.
        shown_ = typed;
        if (!IsAscii(typed)) {
            valid_.clear();
            if (AppendValidUtf8(typed, valid_) && !warnedOfBytes_) {
                Complain("warning: the input holds bytes that are not UTF-8; they are shown as U+FFFD");
                warnedOfBytes_ = true;
            }
            shown_ = valid_;
        }
        if (shown_.data() == typed.data()) {
            lookup_.Ask(shown_, asked_, answer_);
        } else if (const std::optional<std::string> gbk = Utf8ToGbk(NormaliseTypedText(shown_))) {
            lookup_.Ask(*gbk, asked_, answer_);
        } else {
            answer_.Clear();
            answer_.reason = Reason::kNotGbk;
        }
        for (const Match& match : answer_.matches) {
            // A row prints alike wherever the province list names its province alike.
            const DirectoryRows& rows = lookup_.rows();
            const bool usual = !rows.repeats() || match.position == rows.Position(match.row);
            const std::size_t slot = usual ? match.row : Output::kNoCache;
            if (output_.RecordCached(shown_, slot)) continue;
            const RowView row = lookup_.Row(match);
            output_.Record(shown_, &row, slot);
        }
        if (!answer_.found()) Unanswered();
        found_ = found_ || answer_.found();
        return !output_.failed();
    }

    // The rows of a province; false once the output cannot be written.
    bool List(std::size_t position, std::string_view asked) {
        lookup_.List(position, answer_);
        for (const Match& match : answer_.matches) {
            const RowView row = lookup_.Row(match);
            output_.Record(asked, &row);
        }
        found_ = found_ || answer_.found();
        return !output_.failed();
    }

    // In batch, how many queries found nothing, for each reason.
    void Report() const {
        if (options_.quiet) return;
        for (std::size_t i = 0; i < counts_.size(); ++i) {
            if (counts_[i] == 0) continue;
            Complain(std::to_string(counts_[i]) + (counts_[i] == 1 ? " query: " : " queries: ") +
                     std::string(ReasonText(static_cast<Reason>(i))));
        }
    }

    bool found() const { return found_; }

private:
    void Unanswered() {
        if (batch_) {
            output_.Record(shown_, nullptr, Output::kNoCache, answer_.reason);
            ++counts_[static_cast<std::size_t>(answer_.reason)];
            return;
        }
        if (options_.quiet) return;
        std::string message;
        AppendEscapingControls(shown_, message);
        message += ": ";
        message += ReasonText(answer_.reason);
        if (answer_.province) {
            message += std::string("; for the province, run: ") + kProgram + " --province " +
                       Shown(lookup_.provinces()[*answer_.province]);
        }
        Complain(message);
    }

    const Options& options_;
    Lookup& lookup_;
    Output& output_;
    bool batch_;
    QueryOptions asked_;
    Answer answer_;
    std::string_view shown_;  // the query as typed, or valid_
    std::string valid_;       // a query that is not ASCII, as well-formed UTF-8
    bool found_ = false;
    bool warnedOfBytes_ = false;
    std::array<std::size_t, static_cast<std::size_t>(Reason::kCount)> counts_{};
};

// The first argument that gives a value to an option that takes none ("--area=0512"), or nothing.
std::optional<std::string_view> FlagWithValue(int argc, char** argv) {
    constexpr std::string_view kFlags[] = {"--area",  "--postcode",  "--name", "--fuzzy",
                                           "--quiet", "--provinces", "--tsv",  "--json"};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        const std::size_t equals = arg.find('=');
        if (equals != std::string_view::npos &&
            std::find(std::begin(kFlags), std::end(kFlags), arg.substr(0, equals)) != std::end(kFlags))
            return arg;
    }
    return std::nullopt;
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
    const bool fromInput =
        std::find(options.queries.begin(), options.queries.end(), kStandardInput) != options.queries.end();
    const bool batch = fromInput || (options.queries.empty() && !options.province && !options.provinces);
    if (batch && !fromInput && ::isatty(STDIN_FILENO)) {
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
    Lookup lookup(reader);
    WarnOfDataFile(path, lookup.notes());
    if (lookup.provinces().empty()) {
        Complain(path + ": no province list (key " + std::string(kProvinceListKey) + " of section [" +
                 std::string(kProvinceListSection) + "]): not a Telvane data file");
        return kTrouble;
    }

    if (options.provinces) {
        std::string out;
        for (const std::string& province : lookup.provinces()) {
            AppendEscapingControls(GbkToUtf8(province), out);
            out += '\n';
        }
        if (!WriteAll(STDOUT_FILENO, out)) {
            ComplainOfWriting();
            return kTrouble;
        }
        return kFound;
    }

    std::optional<std::size_t> province;
    std::string typed;  // the province asked for, as well-formed UTF-8
    if (options.province) {
        AppendValidUtf8(*options.province, typed);
        const std::optional<std::string> name = Utf8ToGbk(NormaliseTypedText(typed));
        const ProvinceChoice choice = name ? lookup.FindProvince(*name) : ProvinceChoice{};
        if (!choice.candidates.empty()) {
            std::string message = typed + ": names more than one province:";
            for (const std::size_t candidate : choice.candidates)
                message += " " + Shown(lookup.provinces()[candidate]);
            Complain(message + " (see --help)");
            return kTrouble;
        }
        if (!choice.position) {
            Complain(typed + ": no such province (--provinces lists them)");
            return kNothing;
        }
        province = choice.position;
    }

    const Format format = options.tsv ? Format::kTsv : options.json ? Format::kJson : Format::kTable;
    const bool several = batch || options.queries.size() > 1;
    Output output(format, several, several ? lookup.rows().size() : 0);
    Session session(options, lookup, output, batch);
    bool written = true;
    if (province) {
        written = session.List(*province, typed);
    } else {
        const std::vector<std::string> queries =
            options.queries.empty() ? std::vector<std::string>{std::string(kStandardInput)} : options.queries;
        for (const std::string& query : queries) {
            if (query != kStandardInput) {
                written = session.Query(query);
            } else {
                const InputEnd end = ForEachInputLine(
                    STDIN_FILENO, [&](std::string_view line) { return session.Query(line); },
                    [&] { return output.Flush(); });
                if (end == InputEnd::kReadError) {
                    Complain(std::string("standard input: ") + std::strerror(errno));
                    output.Finish();
                    return kTrouble;
                }
                written = end != InputEnd::kStopped;
            }
            if (!written) break;
        }
    }
    if (!written || !output.Finish()) {
        errno = output.error();
        ComplainOfWriting();
        return kTrouble;
    }
    session.Report();
    return session.found() ? kFound : kNothing;
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
        "terminal, or with the QUERY -, each line of standard input is one query.\n",
        "telvane-lookup"};
    app.get_formatter()->column_width(24);
    app.add_option("QUERY", options.queries, "Numbers, codes or place names to look up")->type_name("");
    app.add_flag("-a,--area", options.area, "Take every query as an area code")->disable_flag_override();
    app.add_flag("-p,--postcode", options.postcode,
                 "Take every query as a postcode; with -a, as both: 0512-215000")
        ->disable_flag_override();
    app.add_flag("-n,--name", options.name, "Take every query as a place name")->disable_flag_override();
    app.add_flag("-f,--fuzzy", options.fuzzy, "Match codes by any part instead of whole")
        ->disable_flag_override();
    app.add_flag("-q,--quiet", options.quiet, "Say nothing of queries that found no row")
        ->disable_flag_override();
    app.add_option("--province", options.province, "List the regions of one province")->type_name("NAME");
    app.add_flag("--provinces", options.provinces, "List the province names, one a line")
        ->disable_flag_override();
    app.add_flag("--tsv", options.tsv, "Print tab-separated values with a header line")
        ->disable_flag_override();
    app.add_flag("--json", options.json, "Print JSON Lines, one object per record")->disable_flag_override();
    app.add_option("--file", options.file, "Read this data file instead of the tesmar.ini beside the program")
        ->type_name("PATH");
    app.set_version_flag("--version", std::string("telvane-lookup (Telvane) ") + TELVANE_VERSION);
    app.footer(
        "Exit status: 0 when a row was printed, 1 when none, 2 for a usage error, a data file that\n"
        "cannot be used, or output that could not be written. See telvane-lookup(1).\n");

    if (const std::optional<std::string_view> arg = telvane::cli::FlagWithValue(argc, argv)) {
        telvane::cli::Complain(std::string(*arg) + ": " + std::string(arg->substr(0, arg->find('='))) +
                               " takes no value (see --help)");
        return telvane::cli::kTrouble;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        // --help and --version: written as one block, and a failure to write it is an error.
        std::ostringstream out, err;
        const int status = app.exit(done, out, err);
        if (!telvane::cli::WriteAll(STDOUT_FILENO, out.str())) {
            telvane::cli::ComplainOfWriting();
            return telvane::cli::kTrouble;
        }
        return status;
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
