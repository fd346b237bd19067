// Turns the region table (UTF-8, one row per region) into the program's data file: GBK, CR LF line
// ends, section "lei" with the province list in key "sel", then one section per province whose keys
// are the region names and whose values are "area code-postcode".
//
//   tesmar_gen regions.tsv tesmar.ini
//
// The table is refused, with a message naming the row, when a row would not read back as written.
// The output is written to a temporary file and renamed into place, so a refused table leaves no file.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "directory/codec.h"
#include "directory/directory.h"
#include "directory/gbk.h"

namespace {

using telvane::kKeyListBytes;
using telvane::kMaxValueBytes;

constexpr std::string_view kHeader = "province\tprefecture\tcounty\tarea_code\tpostcode\tnote";

struct Row {
    int line = 0;
    std::string province, prefecture, county, areaCode, postcode;  // GBK
    std::string key;                                               // GBK
    std::string regionUtf8, areaCodeUtf8;                          // for messages
};

struct Failure {
    int line;
    std::string message;
};

// A code: a fixed prefix, then between minDigits and maxDigits digits, the first of them not 0 when
// leadingZero is false.
struct CodeRule {
    std::string_view prefix;
    std::size_t minDigits, maxDigits;
    bool leadingZero;

    bool Matches(std::string_view code) const {
        if (!code.starts_with(prefix)) return false;
        const std::string_view digits = code.substr(prefix.size());
        if (digits.size() < minDigits || digits.size() > maxDigits) return false;
        if (!digits.empty() && !leadingZero && digits.front() == '0') return false;
        return digits.find_first_not_of("0123456789") == std::string_view::npos;
    }
};

// How the codes of one province are written. The mainland dials long-distance codes with their leading
// 0 and has six-digit postcodes; Hong Kong, Macau and Taiwan are written as a mainland caller dials them,
// with the postcodes described in data/README.md.
struct CodeConvention {
    CodeRule areaCode, postcode;
    const char* description;
};

const CodeConvention& ConventionFor(const std::string& provinceUtf8, const std::string& regionUtf8) {
    static const CodeConvention mainland{
        {"0", 2, 3, false}, {"", 6, 6, true}, "area code 0 and 2-3 digits, postcode 6 digits"};
    static const CodeConvention hongKong{
        {"00852", 0, 0, true}, {"999077", 0, 0, true}, "area code 00852, postcode 999077"};
    static const CodeConvention macau{
        {"00853", 0, 0, true}, {"999078", 0, 0, true}, "area code 00853, postcode 999078"};
    static const CodeConvention taiwan{
        {"00886", 1, 3, false}, {"", 3, 3, true}, "area code 00886 and 1-3 digits, postcode 3 digits"};
    if (provinceUtf8 == "香港特别行政区") return hongKong;
    if (provinceUtf8 == "澳门特别行政区") return macau;
    if (provinceUtf8 == "台湾") return taiwan;
    // The mainland list counts Kinmen under 泉州市, but it is reached through Taiwan's telephone and
    // postal systems.
    if (provinceUtf8 == "福建省" && regionUtf8 == "金门县") return taiwan;
    return mainland;
}

// UTF-8 to GBK; false when the text is not UTF-8 or holds a character GBK cannot.
bool ToGbk(const std::string& utf8, std::string& gbk) {
    std::optional<std::string> converted = telvane::Utf8ToGbk(utf8);
    if (!converted) return false;
    gbk = std::move(*converted);
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool HasOuterBlank(std::string_view text) {
    auto blank = [](std::string_view edge) {
        return edge.starts_with(" ") || edge.starts_with("\t") || edge.starts_with("\v") ||
               edge.starts_with("\f") || edge.starts_with("\xE3\x80\x80");  // ideographic space
    };
    auto endsBlank = [](std::string_view t) {
        return t.ends_with(" ") || t.ends_with("\t") || t.ends_with("\v") || t.ends_with("\f") ||
               t.ends_with("\xE3\x80\x80");
    };
    return !text.empty() && (blank(text) || endsBlank(text));
}

bool HasControl(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// Checks one name (UTF-8) for what the reader would misread; empty when it is fine.
std::string NameProblem(std::string_view what, const std::string& name, bool isSection) {
    const std::string label(what);
    if (name.empty()) return label + " is empty";
    if (HasOuterBlank(name)) return label + " '" + name + "' has a leading or trailing blank";
    if (HasControl(name)) return label + " '" + name + "' holds a control character";
    if (isSection) {
        if (name.find_first_of("[]") != std::string::npos) return label + " '" + name + "' holds '[' or ']'";
        if (name.find(',') != std::string::npos) return label + " '" + name + "' holds ','";
    } else {
        if (name.find('=') != std::string::npos) return label + " '" + name + "' holds '='";
        if (name.front() == ';' || name.front() == '[')
            return label + " '" + name + "' starts with ';' or '['";
    }
    return {};
}

struct FoldedHash {
    std::size_t operator()(const std::string& s) const { return telvane::gbk::HashFolded(s); }
};
struct FoldedEqual {
    bool operator()(const std::string& a, const std::string& b) const {
        return telvane::gbk::EqualFolded(a, b);
    }
};

class Converter {
public:
    bool Read(std::istream& table);
    bool Check();
    std::string Render() const;
    const std::vector<Failure>& failures() const { return failures_; }

private:
    void Fail(int line, std::string message) { failures_.push_back({line, std::move(message)}); }
    bool AddRow(int line, const std::vector<std::string>& fields);
    void CheckFirstRows(std::size_t begin, std::size_t end);

    std::vector<Row> rows_;
    std::vector<std::string> provinces_;  // GBK, in table order
    std::vector<Failure> failures_;
    std::string lastProvinceUtf8_;
    std::string currentPrefectureUtf8_;
};

bool Converter::Read(std::istream& table) {
    std::string line;
    int number = 0;
    if (!std::getline(table, line) || line != kHeader) {
        Fail(1, "the first line must be the header: " + std::string(kHeader));
        return false;
    }
    ++number;
    while (std::getline(table, line)) {
        ++number;
        if (line.empty()) {
            Fail(number, "empty line");
            continue;
        }
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() != 6) {
            Fail(number, "expected 6 tab-separated fields, found " + std::to_string(fields.size()));
            continue;
        }
        AddRow(number, fields);
    }
    return failures_.empty();
}

bool Converter::AddRow(int line, const std::vector<std::string>& fields) {
    const std::string& province = fields[0];
    const std::string& prefecture = fields[1];
    const std::string& county = fields[2];
    const std::size_t before = failures_.size();

    if (std::string problem = NameProblem("province", province, true); !problem.empty()) Fail(line, problem);
    const std::string& region = county.empty() ? prefecture : county;
    if (std::string problem = NameProblem("region", region, false); !problem.empty()) Fail(line, problem);
    if (!county.empty() && !prefecture.empty()) {
        if (std::string problem = NameProblem("prefecture", prefecture, false); !problem.empty())
            Fail(line, problem);
    }

    const bool newProvince = rows_.empty() || province != lastProvinceUtf8_;
    if (newProvince) currentPrefectureUtf8_.clear();
    if (telvane::gbk::EqualFolded(province, telvane::kProvinceListSection))
        Fail(line, "province '" + std::string(telvane::kProvinceListSection) +
                       "' would collide with the province list");
    if (county.empty()) {
        currentPrefectureUtf8_ = prefecture;
    } else if (!prefecture.empty() && prefecture != currentPrefectureUtf8_) {
        Fail(line, "county '" + county + "' does not follow the row of its prefecture '" + prefecture + "'");
    }

    const CodeConvention& convention = ConventionFor(province, region);
    if (!convention.areaCode.Matches(fields[3]) || !convention.postcode.Matches(fields[4])) {
        Fail(line, "codes '" + fields[3] + "' and '" + fields[4] + "' of '" + region +
                       "' do not fit the convention of " + province + " (" + convention.description + ")");
    }

    Row row;
    row.line = line;
    if (!ToGbk(province, row.province) || !ToGbk(prefecture, row.prefecture) || !ToGbk(county, row.county) ||
        !ToGbk(fields[3], row.areaCode) || !ToGbk(fields[4], row.postcode)) {
        Fail(line, "'" + region + "' holds text that is not UTF-8 or a character GBK cannot hold");
    }
    if (failures_.size() != before) return false;

    if (newProvince) {
        for (const std::string& seen : provinces_) {
            if (seen == row.province)
                Fail(line, "province '" + province + "' appears in two separate blocks");
        }
        provinces_.push_back(row.province);
        lastProvinceUtf8_ = province;
    }
    row.key = county.empty() ? row.prefecture : row.county;
    row.regionUtf8 = region;
    row.areaCodeUtf8 = fields[3];
    rows_.push_back(std::move(row));
    return true;
}

bool Converter::Check() {
    // A name that stands twice in one province is qualified by its prefecture (阳泉市城区); what is
    // still equal after that cannot be told apart by the reader and is refused.
    std::size_t begin = 0;
    while (begin < rows_.size()) {
        std::size_t end = begin;
        while (end < rows_.size() && rows_[end].province == rows_[begin].province) ++end;

        std::unordered_map<std::string, int, FoldedHash, FoldedEqual> plainCount;
        for (std::size_t i = begin; i < end; ++i) ++plainCount[rows_[i].key];
        for (std::size_t i = begin; i < end; ++i) {
            Row& row = rows_[i];
            if (plainCount[row.key] > 1 && !row.county.empty() && !row.prefecture.empty()) {
                row.key = row.prefecture + row.county;
            }
        }
        std::unordered_map<std::string, int, FoldedHash, FoldedEqual> firstLine;
        std::size_t listBytes = 1;
        for (std::size_t i = begin; i < end; ++i) {
            const Row& row = rows_[i];
            auto [it, inserted] = firstLine.try_emplace(row.key, row.line);
            if (!inserted) {
                Fail(row.line, "its key equals the key of line " + std::to_string(it->second) +
                                   " (letter case aside), even after qualifying by prefecture");
            }
            if (row.areaCode.size() + 1 + row.postcode.size() > kMaxValueBytes)
                Fail(row.line, "value over " + std::to_string(kMaxValueBytes) + " bytes");
            listBytes += row.key.size() + 1;
        }
        if (listBytes > kKeyListBytes) {
            Fail(rows_[begin].line, "the key names of this province take " + std::to_string(listBytes) +
                                        " bytes, over the " + std::to_string(kKeyListBytes) +
                                        " a key listing holds");
        }
        CheckFirstRows(begin, end);
        begin = end;
    }

    std::size_t listBytes = 0;
    for (const std::string& province : provinces_) listBytes += province.size() + 1;
    if (listBytes > kMaxValueBytes) {
        Fail(rows_.empty() ? 1 : rows_.back().line, "the province list takes " + std::to_string(listBytes) +
                                                        " bytes, over the " + std::to_string(kMaxValueBytes) +
                                                        " a value holds");
    }
    return failures_.empty();
}

// The first row of an area code in a province is the row a reader meets first for that code, so it
// must name the area the code covers: the province's or a prefecture's own row, or a county dialled
// with a code of its own (格尔木市 0979). A province starts with its own row or its first prefecture's,
// and a county without a prefecture (仙桃市, a district of Hong Kong) never stands before the
// prefecture-level row that carries its code.
void Converter::CheckFirstRows(std::size_t begin, std::size_t end) {
    const Row& first = rows_[begin];
    if (!first.county.empty()) {
        Fail(first.line, "the province starts with the county '" + first.regionUtf8 +
                             "'; its first row must be a prefecture-level row (the province's own or a "
                             "prefecture's)");
    }
    std::unordered_map<std::string, const Row*> prefectureWithCode;
    for (std::size_t i = begin; i < end; ++i) {
        if (rows_[i].county.empty()) prefectureWithCode.try_emplace(rows_[i].areaCode, &rows_[i]);
    }
    std::unordered_set<std::string> codesSeen;
    for (std::size_t i = begin; i < end; ++i) {
        const Row& row = rows_[i];
        if (!codesSeen.insert(row.areaCode).second) continue;
        if (row.county.empty() || !row.prefecture.empty()) continue;
        if (auto it = prefectureWithCode.find(row.areaCode); it != prefectureWithCode.end()) {
            Fail(row.line, "'" + row.regionUtf8 + "' has no prefecture and is the first row of area code " +
                               row.areaCodeUtf8 + ", which the prefecture-level row '" +
                               it->second->regionUtf8 + "' (line " + std::to_string(it->second->line) +
                               ") carries; that row must come first");
        }
    }
}

std::string Converter::Render() const {
    std::string out =
        "; The directory of Telvane: long-distance area codes and postcodes.\r\n"
        "; Generated from data/regions.tsv; edit the table, not this file.\r\n"
        "[" +
        std::string(telvane::kProvinceListSection) + "]\r\n" + std::string(telvane::kProvinceListKey) + "=";
    for (const std::string& province : provinces_) out += province + ",";
    out += "\r\n";
    const std::string* section = nullptr;
    for (const Row& row : rows_) {
        if (!section || *section != row.province) {
            section = &row.province;
            out += "\r\n[" + row.province + "]\r\n";
        }
        out += row.key + "=" + row.areaCode + "-" + row.postcode + "\r\n";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: tesmar_gen regions.tsv tesmar.ini\n";
        return 2;
    }
    const std::string tablePath = argv[1], outPath = argv[2];
    std::ifstream table(tablePath, std::ios::binary);
    if (!table) {
        std::cerr << tablePath << ": cannot be read\n";
        return 1;
    }
    Converter converter;
    if (!converter.Read(table) || !converter.Check()) {
        for (const Failure& failure : converter.failures()) {
            std::cerr << tablePath << ":" << failure.line << ": " << failure.message << "\n";
        }
        return 1;
    }
    const std::string temporary = outPath + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const std::string text = converter.Render();
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out.flush()) {
            std::cerr << temporary << ": cannot be written\n";
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), outPath.c_str()) != 0) {
        std::cerr << outPath << ": cannot be replaced\n";
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
