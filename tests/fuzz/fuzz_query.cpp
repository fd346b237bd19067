// The query rules over arbitrary texts, and the area-code index over a small directory drawn from the
// input. The text to find may be cut from the name, at any byte, so that whole-character matches and
// matches that start on a second byte are both common; the directory's area codes may be cut from the
// query's digits, so that numbers find them.
//
// - ClassifyQuery: an area code or a postcode is digits only; the number part of a number (without
//   "tel:" and an extension) holds only digits, blanks, hyphens, dots, slashes, parentheses and one
//   '+' before its digits, and at least 7 digits; ReadNumber agrees with it and with NormaliseNumber.
// - NormaliseNumber: digits only; normalising the digits again changes nothing.
// - ContainsWholeCharacters: true exactly when the text stands in the name from a place where a
//   character of the name starts to a place where one ends (never from a second byte).
// - AreaCodeIndex::Find: the first row, in directory order, of the longest area code of digits that
//   starts the digits.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "directory/directory.h"
#include "directory/gbk.h"
#include "lookup/lookup.h"
#include "lookup/query.h"
#include "lookup/rows.h"

namespace telvane {
namespace {

bool Digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void CheckClassify(std::string_view text) {
    switch (ClassifyQuery(text)) {
        case QueryKind::kAreaCode:
        case QueryKind::kPostcode:
            FUZZ_CHECK(!text.empty() && Digits(text));
            break;
        case QueryKind::kNumber: {
            const std::string_view part = NumberPart(text);
            const std::size_t digits = static_cast<std::size_t>(
                std::count_if(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }));
            FUZZ_CHECK(digits >= 7);
            FUZZ_CHECK(part.find_first_not_of("0123456789 -./()+") == std::string_view::npos);
            const std::size_t plus = part.find('+');
            if (plus != std::string_view::npos) {
                FUZZ_CHECK(part.find('+', plus + 1) == std::string_view::npos);
                FUZZ_CHECK(Digits(part.substr(0, plus)) || part.find_first_of("0123456789") > plus);
            }
            break;
        }
        case QueryKind::kName:
            break;
    }
    std::string digits = "left over";
    const bool number = ReadNumber(text, digits);
    FUZZ_CHECK(number == (ClassifyQuery(text) == QueryKind::kNumber));
    if (number) FUZZ_CHECK(digits == NormaliseNumber(text));
}

void CheckWholeCharacters(std::string_view name, std::string_view text) {
    std::set<std::size_t> starts;  // where the characters of name start, and its end
    for (std::size_t at = 0; at < name.size(); at += gbk::CharLength(name, at)) starts.insert(at);
    starts.insert(name.size());
    bool found = false;
    for (const std::size_t at : starts) {
        found =
            found || (!text.empty() && name.substr(at).starts_with(text) && starts.count(at + text.size()));
    }
    FUZZ_CHECK(ContainsWholeCharacters(name, text) == found);
}

// A folder of its own for the directory file, removed at exit.
class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "telvane-fuzz-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        dir_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string Write(std::string_view bytes) const {
        const std::string path = (dir_ / "tesmar.ini").string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        FUZZ_CHECK(fd >= 0);
        FUZZ_CHECK(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
        FUZZ_CHECK(::close(fd) == 0);
        return path;
    }

private:
    std::filesystem::path dir_;
};

// Area codes of digits, some cut from digits, in two provinces; every number asked of the index is
// checked against the rows the reader hands, taken in directory order.
void CheckAreaCodeIndex(FuzzedDataProvider& input, const std::string& digits) {
    static const Scratch scratch;
    const std::vector<std::string> provinces =
        input.ConsumeBool() ? std::vector<std::string>{"a", "b"} : std::vector<std::string>{"b", "a"};
    std::string sections[2] = {"[a]\n", "[b]\n"};
    const int entries = input.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < entries; ++i) {
        std::string code;
        if (input.ConsumeBool()) {
            code = digits.substr(0, input.ConsumeIntegralInRange<std::size_t>(0, digits.size()));
        } else {
            for (char c : input.ConsumeRandomLengthString(6))
                code += "0123456789x "[static_cast<unsigned char>(c) % 12];
        }
        sections[input.ConsumeBool() ? 1 : 0] +=
            "k" + std::to_string(i) + "=" + code + "-" + std::to_string(i) + "\n";
    }
    IniReader reader(scratch.Write(sections[0] + sections[1]));
    const DirectoryRows directory(reader, provinces);
    const AreaCodeIndex index(directory);

    std::vector<DirectoryRow> rows;
    for (const std::string& province : provinces) {
        reader.ForEachEntry(province, [&](std::string_view key, std::string_view value) {
            const EntryValue entry = SplitEntryValue(std::string(value));
            rows.push_back({province, std::string(key), entry.areaCode, entry.postcode});
        });
    }
    for (const std::string& number : {digits, digits + "5", digits.substr(0, digits.size() / 2)}) {
        const DirectoryRow* best = nullptr;
        for (const DirectoryRow& row : rows) {
            if (!row.areaCode.empty() && Digits(row.areaCode) && number.starts_with(row.areaCode) &&
                (!best || row.areaCode.size() > best->areaCode.size())) {
                best = &row;
            }
        }
        const std::size_t found = index.Find(number);
        FUZZ_CHECK((found == AreaCodeIndex::kNone) == (best == nullptr));
        if (!best) continue;
        const RowView row = directory[found];
        FUZZ_CHECK(row.province == best->province && row.region == best->region &&
                   row.areaCode == best->areaCode && row.postcode == best->postcode);
    }
}

}  // namespace
}  // namespace telvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace telvane;
    FuzzedDataProvider input(data, size);
    const std::string name = input.ConsumeRandomLengthString(256);
    std::string text = input.ConsumeRandomLengthString(64);
    if (input.ConsumeBool() && !name.empty()) {
        const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, name.size() - 1);
        text = name.substr(at, input.ConsumeIntegralInRange<std::size_t>(0, name.size() - at));
    }

    for (const std::string_view query : {std::string_view(name), std::string_view(text)}) {
        CheckClassify(query);
        const std::string digits = NormaliseNumber(query);
        FUZZ_CHECK(Digits(digits));
        FUZZ_CHECK(NormaliseNumber(digits) == digits);
    }
    CheckWholeCharacters(name, text);
    CheckAreaCodeIndex(input, NormaliseNumber(name));
    return 0;
}
