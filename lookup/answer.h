// Questions people ask of a directory: one object over a data file's reader and its province list
// that answers a query (a telephone number, an area code, a postcode or a place name) with the rows
// that answer it, or says why none does; that finds a province by the name people write; and that
// notes what in the data file is probably not what its maker meant.
//
// Every text is a GBK byte string, as elsewhere in the lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup.h"
#include "lookup/query.h"
#include "lookup/rows.h"

namespace telvane {

class IniReader;

// Why a query found no row. New reasons go before kCount; their order is the order of reports.
enum class Reason : std::uint8_t {
    kFound,           // not a reason: the query found rows
    kEmpty,           // nothing but blanks
    kNotGbk,          // holds a character the directory's encoding cannot hold
    kMobile,          // a mainland mobile number
    kTaiwanMobile,    // a Taiwan mobile number (+886 9...)
    kLocalNumber,     // 7 or 8 digits without an area code
    kServiceNumber,   // 400 and 800 numbers, 95 and 96 numbers, short numbers starting with 1
    kForeign,         // a country code other than China's and its territories'
    kNoAreaCode,      // a number that no area code of the directory starts
    kNotANumber,      // digits that are neither a number nor a code of China's plan
    kNoSuchAreaCode,  // no row has the area code
    kNoSuchPostcode,  // no row has the postcode
    kNoSuchCodes,     // no row has both the area code and the postcode asked for
    kNoSuchDigits,    // no row's area code or postcode holds the digits (-f)
    kNoSuchName,      // no region's name holds the text
    kCount
};

// A short name of the reason for scripts ("mobile", "local_number", ...), and a sentence for people.
std::string_view ReasonName(Reason reason);
std::string_view ReasonText(Reason reason);

// How to take a query: by its text (kAny), or as the kind the user chose.
enum class AskedAs { kAny, kAreaCode, kPostcode, kAreaAndPostcode, kName };

struct QueryOptions {
    AskedAs as = AskedAs::kAny;
    // Codes match by any part, as the window's fuzzy search; a query of digits only is then a code of
    // any length, and with kAny a row matches when either of its codes holds it.
    bool fuzzy = false;
};

// One record of an answer: a row of the directory (a number of Lookup::rows()) as the province list
// position that reads it hands it (a section the list names twice is handed at both places).
struct Match {
    std::uint32_t row = 0;
    std::uint32_t position = 0;

    friend bool operator==(const Match&, const Match&) = default;
};

struct Answer {
    Reason reason = Reason::kFound;  // kFound exactly when there are matches
    std::vector<Match> matches;      // in directory order, except where a rule picks one row
    // With kNoSuchName: the province the text names, when it names one, for a hint.
    std::optional<std::size_t> province;

    bool found() const { return !matches.empty(); }
    void Clear();
};

// The province a name chooses: found, or the provinces it could mean (none: no such province).
struct ProvinceChoice {
    std::optional<std::size_t> position;  // in the province list
    std::vector<std::size_t> candidates;  // when ambiguous, in list order
};

// Something about the data file that is probably not what its maker meant. It never changes an
// answer.
struct DataFileNote {
    enum class Kind {
        kUtf8,         // the text reads as UTF-8 (without a byte-order mark): its names show garbled
        kListTail,     // text after the province list's last comma, which names no province
        kListAtLimit,  // the province list fills its byte limit, so a longer one was cut
    };
    Kind kind;
    std::string text;  // kListTail: the text after the last comma
};

class Lookup {
public:
    // Reads the province list and every row of its provinces from reader, which must outlive the
    // lookup.
    explicit Lookup(IniReader& reader);
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;

    // The answer to query: blanks around it are ignored; a number is judged by what is left once a
    // "tel:" and an extension are dropped. The rows come in the directory search's order:
    // - a number: the row with the longest area code that starts it (the first in directory order);
    // - an area code or a postcode: every row with that code (or holding it, fuzzy), as the window's
    //   search gives them; with kAreaAndPostcode the query holds both, parted by '-' or blanks;
    // - a name: every row whose region name holds the text as whole characters.
    void Ask(std::string_view query, const QueryOptions& options, Answer& answer);
    Answer Ask(std::string_view query, const QueryOptions& options = {});

    // The rows of the province at position in the list, as a click in the window lists them.
    void List(std::size_t position, Answer& answer) const;

    // The province a name means, as people write it: the name itself; the name with or without
    // the designation (北京市 for 北京, 台湾省 for 台湾, 广西 for 广西壮族自治区); or the first
    // characters of one name only (香港 for 香港特别行政区). Blanks around name are ignored.
    ProvinceChoice FindProvince(std::string_view name) const;

    const std::vector<std::string>& provinces() const { return provinces_; }
    const DirectoryRows& rows() const { return rows_; }
    RowView Row(const Match& match) const { return rows_.View(match.row, match.position); }
    const std::vector<DataFileNote>& notes() const { return notes_; }

private:
    // digits: a number as NormaliseNumber gives it.
    void AskNumber(std::string_view digits, Answer& answer);
    void AskCodes(std::string_view areaCode, std::string_view postcode, bool fuzzy, Answer& answer);
    void AskEitherCode(std::string_view digits, Answer& answer);
    void AskName(std::string_view text, bool judgeDigits, Answer& answer);
    // The rows found (in row order, in found_) as matches in directory order.
    void Emit(Answer& answer) const;

    // Indexes are built for the queries that use them, once a run has asked enough of them to pay.
    const AreaCodeIndex& AreaCodes();
    const CodeIndex* Codes(CodeIndex::Field field);
    const NameIndex* Names();

    const std::vector<std::string> provinces_;
    const DirectoryRows rows_;
    std::vector<DataFileNote> notes_;
    std::unique_ptr<AreaCodeIndex> areaCodes_;
    std::unique_ptr<CodeIndex> codes_[2];
    std::unique_ptr<NameIndex> names_;
    unsigned codeScans_[2] = {0, 0};
    unsigned nameScans_ = 0;
    std::vector<std::uint32_t> found_;
    std::string digits_;
};

}  // namespace telvane
