#include "answer.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "directory/directory.h"
#include "directory/gbk.h"

namespace telvane {
namespace {

// Queries of a kind answered by reading every row before the kind's index is built: for a few
// queries, reading the rows costs less than building the index.
constexpr unsigned kScansBeforeIndex = 4;

constexpr std::string_view kIdeographicSpace = "\xA1\xA1";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

bool IsAsciiBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// True when the last characters of text, walked from its start, are suffix.
bool EndsWithWholeCharacters(std::string_view text, std::string_view suffix) {
    if (suffix.size() > text.size() || !text.ends_with(suffix)) return false;
    std::size_t at = 0;
    while (at < text.size() - suffix.size()) at += gbk::CharLength(text, at);
    return at == text.size() - suffix.size();
}

// True when name starts with prefix and a character of name starts right after it.
bool StartsWithWholeCharacters(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) return false;
    std::size_t at = 0;
    while (at < prefix.size()) at += gbk::CharLength(name, at);
    return at == prefix.size();
}

// text without ASCII blanks and ideographic spaces around it.
std::string_view TrimBlanks(std::string_view text) {
    while (true) {
        if (!text.empty() && IsAsciiBlank(text.front())) {
            text.remove_prefix(1);
        } else if (!text.empty() && text.front() == kIdeographicSpace[0] &&
                   text.starts_with(kIdeographicSpace)) {
            text.remove_prefix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    while (true) {
        if (!text.empty() && IsAsciiBlank(text.back())) {
            text.remove_suffix(1);
        } else if (!text.empty() && text.back() == kIdeographicSpace[1] &&
                   EndsWithWholeCharacters(text, kIdeographicSpace)) {
            text.remove_suffix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    return text;
}

// A province's name without the word for its kind of division, longest first: 省, 市, 自治区,
// 特别行政区 and the autonomous regions' full designations.
constexpr std::array<std::string_view, 7> kDesignations = {
    "\xCE\xAC\xCE\xE1\xB6\xFB\xD7\xD4\xD6\xCE\xC7\xF8",  // 维吾尔自治区
    "\xCC\xD8\xB1\xF0\xD0\xD0\xD5\xFE\xC7\xF8",          // 特别行政区
    "\xD7\xB3\xD7\xE5\xD7\xD4\xD6\xCE\xC7\xF8",          // 壮族自治区
    "\xBB\xD8\xD7\xE5\xD7\xD4\xD6\xCE\xC7\xF8",          // 回族自治区
    "\xD7\xD4\xD6\xCE\xC7\xF8",                          // 自治区
    "\xCA\xA1",                                          // 省
    "\xCA\xD0",                                          // 市
};

std::string_view Stem(std::string_view name) {
    for (const std::string_view designation : kDesignations) {
        if (name.size() > designation.size() && EndsWithWholeCharacters(name, designation))
            return name.substr(0, name.size() - designation.size());
    }
    return name;
}

// Why a number that no area code starts has none.
Reason JudgeNumber(std::string_view digits) {
    if (digits.starts_with("00")) {
        if (digits.starts_with("008869")) return Reason::kTaiwanMobile;
        if (digits.starts_with("00852") || digits.starts_with("00853") || digits.starts_with("00886"))
            return Reason::kNoAreaCode;
        return Reason::kForeign;
    }
    if (digits.starts_with("0")) return digits.size() >= 7 ? Reason::kNoAreaCode : Reason::kNotANumber;
    const std::size_t size = digits.size();
    if ((digits.starts_with("400") || digits.starts_with("800")) && size == 10) return Reason::kServiceNumber;
    if ((digits.starts_with("95") || digits.starts_with("96")) && size >= 5 && size <= 8)
        return Reason::kServiceNumber;
    if (digits.starts_with("1") && (size == 3 || size == 5)) return Reason::kServiceNumber;
    if (size == 7 || size == 8) return Reason::kLocalNumber;
    return Reason::kNotANumber;
}

// Whether text is well-formed UTF-8 holding at least one character beyond ASCII.
bool ReadsAsUtf8(std::string_view text, bool& beyondAscii) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        std::size_t length = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
        } else {
            return false;
        }
        if (at + length > text.size()) return false;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
        }
        beyondAscii = true;
        at += length;
    }
    return true;
}

}  // namespace

namespace {

// The name and the sentence of each reason, in the order of Reason.
struct ReasonWords {
    std::string_view name, text;
};
constexpr ReasonWords kReasons[] = {
    {"found", "found"},
    {"empty", "an empty query"},
    {"not_gbk", "holds a character that no name of the directory can hold"},
    {"mobile", "a mainland mobile number has no area code"},
    {"taiwan_mobile", "a Taiwan mobile number has no area code"},
    {"local_number", "a local number: write its area code in front"},
    {"service_number", "a service number (400, 800, 95..., 96..., 1...) belongs to no area"},
    {"foreign", "a number abroad: the directory holds China's area codes only"},
    {"no_area_code", "no area code of the directory starts this number"},
    {"not_a_number", "not a telephone number, area code or postcode of China"},
    {"no_such_area_code", "no region has this area code"},
    {"no_such_postcode", "no region has this postcode"},
    {"no_such_codes", "no region has this area code and this postcode"},
    {"no_such_digits", "no region's area code or postcode holds these digits"},
    {"no_such_name", "no region of that name"},
};
static_assert(std::size(kReasons) == static_cast<std::size_t>(Reason::kCount), "a reason without words");

}  // namespace

std::string_view ReasonName(Reason reason) {
    return reason < Reason::kCount ? kReasons[static_cast<std::size_t>(reason)].name : "";
}

std::string_view ReasonText(Reason reason) {
    return reason < Reason::kCount ? kReasons[static_cast<std::size_t>(reason)].text : "";
}

void Answer::Clear() {
    reason = Reason::kFound;
    matches.clear();
    province.reset();
}

Lookup::Lookup(IniReader& reader) : provinces_(ReadProvinceList(reader)), rows_(reader, provinces_) {
    const std::string list = reader.ReadValue(kProvinceListSection, kProvinceListKey, "");
    const std::size_t comma = list.rfind(',');
    const std::string tail = comma == std::string::npos ? list : list.substr(comma + 1);
    if (!tail.empty()) notes_.push_back({DataFileNote::Kind::kListTail, tail});
    if (list.size() >= kMaxValueBytes) notes_.push_back({DataFileNote::Kind::kListAtLimit, {}});

    bool beyondAscii = false;
    bool utf8 = ReadsAsUtf8(list, beyondAscii);
    for (std::size_t row = 0; utf8 && row < rows_.size(); ++row)
        utf8 = ReadsAsUtf8(rows_.region(row), beyondAscii);
    if (utf8 && beyondAscii) notes_.push_back({DataFileNote::Kind::kUtf8, {}});
}

Answer Lookup::Ask(std::string_view query, const QueryOptions& options) {
    Answer answer;
    Ask(query, options, answer);
    return answer;
}

void Lookup::Ask(std::string_view query, const QueryOptions& options, Answer& answer) {
    answer.Clear();
    const std::string_view text = TrimBlanks(query);
    if (text.empty()) {
        answer.reason = Reason::kEmpty;
        return;
    }
    switch (options.as) {
        case AskedAs::kAreaCode:
            AskCodes(text, {}, options.fuzzy, answer);
            return;
        case AskedAs::kPostcode:
            AskCodes({}, text, options.fuzzy, answer);
            return;
        case AskedAs::kAreaAndPostcode: {
            // "0512-215000", "0512 215000"
            const std::size_t cut = text.find_first_of("- \t");
            const std::string_view postcode =
                cut == std::string_view::npos ? std::string_view() : TrimBlanks(text.substr(cut + 1));
            AskCodes(text.substr(0, cut), postcode, options.fuzzy, answer);
            return;
        }
        case AskedAs::kName:
            AskName(text, false, answer);
            return;
        case AskedAs::kAny:
            break;
    }
    if (options.fuzzy && AllDigits(text)) {
        AskEitherCode(text, answer);
        return;
    }
    if (ReadNumber(text, digits_)) {
        AskNumber(digits_, answer);
        return;
    }
    switch (AllDigits(text) ? ClassifyQuery(text) : QueryKind::kName) {
        case QueryKind::kNumber:  // read above
            break;
        case QueryKind::kAreaCode:
            AskCodes(text, {}, options.fuzzy, answer);
            break;
        case QueryKind::kPostcode:
            AskCodes({}, text, options.fuzzy, answer);
            break;
        case QueryKind::kName:
            AskName(text, true, answer);
            break;
    }
}

void Lookup::AskNumber(std::string_view digits, Answer& answer) {
    if (IsMainlandMobile(digits)) {
        answer.reason = Reason::kMobile;
        return;
    }
    const AreaCodeIndex::Found found = AreaCodes().Locate(digits);
    if (found.row == AreaCodeIndex::kNone) {
        answer.reason = JudgeNumber(digits);
        return;
    }
    answer.matches.push_back(
        {static_cast<std::uint32_t>(found.row), static_cast<std::uint32_t>(found.position)});
}

void Lookup::Emit(Answer& answer) const {
    if (!rows_.repeats()) {
        for (const std::uint32_t row : found_)
            answer.matches.push_back({row, static_cast<std::uint32_t>(rows_.Position(row))});
        return;
    }
    // Each position hands the rows of its section, those of a section named before again.
    for (std::size_t position = 0; position < provinces_.size(); ++position) {
        const auto end = static_cast<std::uint32_t>(rows_.ProvinceEnd(position));
        auto row = std::lower_bound(found_.begin(), found_.end(), rows_.ProvinceBegin(position));
        for (; row != found_.end() && *row < end; ++row)
            answer.matches.push_back({*row, static_cast<std::uint32_t>(position)});
    }
}

void Lookup::AskCodes(std::string_view areaCode, std::string_view postcode, bool fuzzy, Answer& answer) {
    const MatchMode mode = fuzzy ? mmFuzzy : mmExact;
    const int filled = (areaCode.empty() ? 0 : 1) + (postcode.empty() ? 0 : 1);
    // The window's rule: a row qualifies when every filled criterion is met.
    auto qualifies = [&](std::uint32_t row) {
        return filled > 0 && (CriterionMet(areaCode, rows_.areaCode(row), mode) ? 1 : 0) +
                                     (CriterionMet(postcode, rows_.postcode(row), mode) ? 1 : 0) ==
                                 filled;
    };
    const CodeIndex::Field field =
        areaCode.empty() ? CodeIndex::Field::kPostcode : CodeIndex::Field::kAreaCode;
    const CodeIndex* index = fuzzy || filled == 0 ? nullptr : Codes(field);
    found_.clear();
    if (index) {
        const std::string_view code = field == CodeIndex::Field::kAreaCode ? areaCode : postcode;
        for (std::uint32_t row = index->First(code); row != CodeIndex::kEnd; row = index->Next(row)) {
            if (qualifies(row)) found_.push_back(row);
        }
    } else if (filled > 0) {
        for (std::uint32_t row = 0; row < rows_.size(); ++row) {
            if (qualifies(row)) found_.push_back(row);
        }
    }
    Emit(answer);
    if (answer.found()) return;
    answer.reason = filled == 2         ? Reason::kNoSuchCodes
                    : !areaCode.empty() ? Reason::kNoSuchAreaCode
                    : !postcode.empty() ? Reason::kNoSuchPostcode
                                        : Reason::kNoSuchCodes;
}

void Lookup::AskEitherCode(std::string_view digits, Answer& answer) {
    found_.clear();
    for (std::uint32_t row = 0; row < rows_.size(); ++row) {
        if (FuzzyMatch(digits, rows_.areaCode(row)) || FuzzyMatch(digits, rows_.postcode(row)))
            found_.push_back(row);
    }
    Emit(answer);
    if (!answer.found()) answer.reason = Reason::kNoSuchDigits;
}

void Lookup::AskName(std::string_view text, bool judgeDigits, Answer& answer) {
    found_.clear();
    if (const NameIndex* index = Names()) {
        index->Find(text, found_);
    } else {
        for (std::uint32_t row = 0; row < rows_.size(); ++row) {
            if (ContainsWholeCharacters(rows_.region(row), text)) found_.push_back(row);
        }
    }
    Emit(answer);
    if (answer.found()) return;
    if (judgeDigits && AllDigits(text)) {
        answer.reason = JudgeNumber(text);
        return;
    }
    answer.reason = Reason::kNoSuchName;
    answer.province = FindProvince(text).position;
}

void Lookup::List(std::size_t position, Answer& answer) const {
    answer.Clear();
    for (std::size_t row = rows_.ProvinceBegin(position); row < rows_.ProvinceEnd(position); ++row)
        answer.matches.push_back({static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(position)});
}

ProvinceChoice Lookup::FindProvince(std::string_view name) const {
    ProvinceChoice choice;
    const std::string_view text = TrimBlanks(name);
    if (text.empty()) return choice;
    // The first position of each name that fits, once.
    auto choose = [&](auto fits) {
        for (std::size_t i = 0; i < provinces_.size(); ++i) {
            if (!fits(provinces_[i])) continue;
            const bool seen = std::any_of(choice.candidates.begin(), choice.candidates.end(),
                                          [&](std::size_t j) { return provinces_[j] == provinces_[i]; });
            if (!seen) choice.candidates.push_back(i);
        }
        if (choice.candidates.size() == 1) {
            choice.position = choice.candidates.front();
            choice.candidates.clear();
        }
        return !choice.candidates.empty() || choice.position;
    };
    if (choose([&](const std::string& province) { return province == text; })) return choice;
    const std::string_view stem = Stem(text);
    if (choose([&](const std::string& province) { return Stem(province) == stem; })) return choice;
    choose([&](const std::string& province) { return StartsWithWholeCharacters(province, text); });
    return choice;
}

const AreaCodeIndex& Lookup::AreaCodes() {
    if (!areaCodes_) areaCodes_ = std::make_unique<AreaCodeIndex>(rows_);
    return *areaCodes_;
}

const CodeIndex* Lookup::Codes(CodeIndex::Field field) {
    const auto i = static_cast<std::size_t>(field);
    if (!codes_[i]) {
        if (codeScans_[i] < kScansBeforeIndex) {
            ++codeScans_[i];
            return nullptr;
        }
        codes_[i] = std::make_unique<CodeIndex>(rows_, field);
    }
    return codes_[i].get();
}

const NameIndex* Lookup::Names() {
    if (!names_) {
        if (nameScans_ < kScansBeforeIndex) {
            ++nameScans_;
            return nullptr;
        }
        names_ = std::make_unique<NameIndex>(rows_);
    }
    return names_.get();
}

}  // namespace telvane
