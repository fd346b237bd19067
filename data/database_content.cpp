#include "data/database_content.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string_view>

#include "data/pinyin.h"

namespace telvane::data {
namespace {

// The month the directory is current to; data/README.md says the same under "Current to".
constexpr std::string_view kCurrentTo = "2026-12";

struct TsvRow {
    int line = 0;
    std::vector<std::string> fields;
};

class Gatherer {
public:
    Gatherer(std::string dataDir, const std::vector<RegionFacts>& regions, const Readings* readings,
             std::vector<TableFailure>& failures)
        : dir_(std::move(dataDir)), regions_(regions), readings_(readings), failures_(failures) {}

    bool Gather(DatabaseContent& content);

private:
    void Fail(const std::string& file, int line, std::string message) {
        failures_.push_back({file, line, std::move(message)});
    }
    std::vector<TsvRow> ReadTsv(const std::string& file, std::string_view header);
    void Provinces(DatabaseContent& content);
    void Regions(DatabaseContent& content);
    void FormerNames(DatabaseContent& content);
    void Segments(DatabaseContent& content);
    void Carriers(DatabaseContent& content);
    void Sources(DatabaseContent& content);

    // The region a place names: the prefecture-level row of that name in the province, or a county
    // without a prefecture; -1 when there is none or more than one.
    int PlaceRow(const std::string& province, const std::string& name) const;
    // How a region is written with its prefecture: 济南市莱芜区, or 普洱市 for a prefecture-level row.
    std::string Written(int region) const;

    std::string dir_;
    const std::vector<RegionFacts>& regions_;
    const Readings* readings_;
    std::vector<TableFailure>& failures_;
    std::map<std::string, int> provinceIndex_;
    std::map<std::string, int> regionOfCode_;
};

std::vector<TsvRow> Gatherer::ReadTsv(const std::string& file, std::string_view header) {
    std::ifstream in(dir_ + "/" + file, std::ios::binary);
    if (!in) {
        Fail(file, 0, "cannot be read");
        return {};
    }
    std::string line;
    if (!std::getline(in, line) || line != header) {
        Fail(file, 1, "the first line must be the header: " + std::string(header));
        return {};
    }
    const std::size_t columns = static_cast<std::size_t>(std::count(header.begin(), header.end(), '\t')) + 1;
    std::vector<TsvRow> rows;
    for (int number = 2; std::getline(in, line); ++number) {
        TsvRow row{number, {}};
        std::size_t start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', start);
            row.fields.push_back(
                line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (row.fields.size() != columns) {
            Fail(file, number,
                 "expected " + std::to_string(columns) + " tab-separated fields, found " +
                     std::to_string(row.fields.size()));
            continue;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool IsDigits(std::string_view text, std::size_t min, std::size_t max) {
    return text.size() >= min && text.size() <= max &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

void Gatherer::Provinces(DatabaseContent& content) {
    const std::string file = "provinces.tsv";
    std::vector<std::string> order;
    for (const RegionFacts& r : regions_) {
        if (order.empty() || order.back() != r.province) order.push_back(r.province);
    }
    const std::vector<TsvRow> rows =
        ReadTsv(file, "province\tname\tdivision_code\tkind\tpinyin\tpinyin_source");
    static const std::set<std::string> kinds = {"province", "autonomous-region", "municipality", "territory",
                                                "taiwan"};
    for (const TsvRow& row : rows) {
        const std::vector<std::string>& f = row.fields;
        const std::size_t at = content.provinces.size();
        if (at >= order.size() || order[at] != f[0]) {
            Fail(file, row.line,
                 "'" + f[0] + "' is not the next province of regions.tsv" +
                     (at < order.size() ? " ('" + order[at] + "')" : ""));
            return;
        }
        if (!IsDigits(f[2], 6, 6) || !f[2].ends_with("0000"))
            Fail(file, row.line, "bad division code " + f[2]);
        if (!kinds.contains(f[3])) Fail(file, row.line, "unknown kind '" + f[3] + "'");
        if (std::string problem = PinyinProblem(f[0], f[4], readings_); !problem.empty())
            Fail(file, row.line, problem);
        if (f[5].empty()) Fail(file, row.line, "the pinyin has no source");
        provinceIndex_[f[0]] = static_cast<int>(at);
        content.provinces.push_back({f[0], f[1], f[2], f[3], f[4]});
    }
    if (content.provinces.size() != order.size())
        Fail(file, 0, "does not list every province of regions.tsv");
}

void Gatherer::Regions(DatabaseContent& content) {
    std::map<std::pair<int, std::string>, int> lastPrefecture;  // (province, name) -> region
    for (const RegionFacts& r : regions_) {
        RegionRecord record;
        record.province = provinceIndex_.at(r.province);
        const int index = static_cast<int>(content.regions.size());
        if (r.county.empty()) {
            lastPrefecture[{record.province, r.prefecture}] = index;
        } else if (!r.prefecture.empty()) {
            record.prefecture = lastPrefecture.at({record.province, r.prefecture});
        }
        record.key = r.key;
        record.name = r.county.empty() ? r.prefecture : r.county;
        std::u32string name, shortName;
        DecodeUtf8(record.name, name);
        shortName = ShortName(name);
        for (char32_t c : shortName) record.shortName += EncodeUtf8(c);
        record.shortSyllables = shortName.size();
        record.kind = r.kind;
        record.divisionCode = r.divisionCode;
        record.areaCode = r.areaCode;
        record.postcode = r.postcode;
        record.pinyin = r.pinyin;
        if (!r.divisionCode.empty()) regionOfCode_[r.divisionCode] = index;
        content.regions.push_back(std::move(record));
    }
}

std::string Gatherer::Written(int region) const {
    const RegionFacts& r = regions_[static_cast<std::size_t>(region)];
    return r.prefecture + r.county;
}

void Gatherer::FormerNames(DatabaseContent& content) {
    const std::string file = "former_names.tsv";
    static const std::set<std::string> changes = {"renamed", "merged", "split", "moved"};
    for (const TsvRow& row : ReadTsv(file,
                                     "province\tprefecture\tname\tdivision_code\tlevel\tlisted\tchange\tnow\t"
                                     "successor_codes\tsource")) {
        const std::vector<std::string>& f = row.fields;
        FormerRecord record;
        const auto province = provinceIndex_.find(f[0]);
        if (province == provinceIndex_.end()) {
            Fail(file, row.line, "unknown province '" + f[0] + "'");
            continue;
        }
        record.province = province->second;
        record.prefecture = f[1];
        record.name = f[2];
        std::u32string name;
        DecodeUtf8(f[2], name);
        for (char32_t c : ShortName(name)) record.shortName += EncodeUtf8(c);
        record.divisionCode = f[3];
        record.level = f[4];
        record.change = f[6];
        record.source = f[9];
        if (f[2].empty() || !IsDigits(f[3], 6, 6))
            Fail(file, row.line, "a name and a six-digit code are needed");
        if (f[4] != "prefecture" && f[4] != "county") Fail(file, row.line, "unknown level '" + f[4] + "'");
        if (!changes.contains(f[6])) Fail(file, row.line, "unknown change '" + f[6] + "'");
        if (f[9].empty()) Fail(file, row.line, "no source");
        if (f[5].size() != 9 || f[5][4] != '-' || !IsDigits(f[5].substr(0, 4), 4, 4) ||
            !IsDigits(f[5].substr(5), 4, 4)) {
            Fail(file, row.line, "listed must be two years, as 1992-2017");
        } else {
            record.listedFrom = std::stoi(f[5].substr(0, 4));
            record.listedTo = std::stoi(f[5].substr(5));
        }
        std::size_t start = 0;
        while (start <= f[8].size()) {
            std::size_t end = f[8].find(';', start);
            if (end == std::string::npos) end = f[8].size();
            const std::string code = f[8].substr(start, end - start);
            if (const auto it = regionOfCode_.find(code); it != regionOfCode_.end()) {
                record.successors.push_back(it->second);
            } else {
                Fail(file, row.line, "successor code '" + code + "' is no region's division code");
            }
            start = end + 1;
        }
        if (!record.successors.empty() && Written(record.successors.front()) != f[7]) {
            Fail(file, row.line,
                 "now says '" + f[7] + "', but the first successor is '" +
                     Written(record.successors.front()) + "'");
        }
        content.formerNames.push_back(std::move(record));
    }
}

int Gatherer::PlaceRow(const std::string& province, const std::string& name) const {
    int found = -1;
    for (std::size_t i = 0; i < regions_.size(); ++i) {
        const RegionFacts& r = regions_[i];
        if (r.province != province) continue;
        const bool prefectureRow = r.county.empty() && r.prefecture == name;
        const bool countyOfItsOwn = r.prefecture.empty() && r.county == name;
        if (!prefectureRow && !countyOfItsOwn) continue;
        if (found >= 0) return -1;
        found = static_cast<int>(i);
    }
    return found;
}

// The mobile prefixes that libphonenumber's geocoding file places: prefixes of 4 to 7 digits after the
// country code 86 that start 13-19, each standing for the seven-digit prefixes it covers, a longer
// prefix taking precedence over a shorter one. Lines of fixed-line area codes (8610, 86755, ...) are
// not mobile prefixes; a three-digit line (86173) would place a whole segment and is left out.
void Gatherer::Segments(DatabaseContent& content) {
    const std::string placesFile = "segment_places.tsv";
    const std::string geocoding = "libphonenumber/geocoding-zh-86.txt";
    std::map<std::string, int> places;
    std::map<std::string, int> placeLine;
    for (const TsvRow& row : ReadTsv(placesFile, "place\tprovince\tregion\tnote")) {
        const int region = PlaceRow(row.fields[1], row.fields[2]);
        if (region < 0) {
            Fail(placesFile, row.line,
                 "'" + row.fields[2] +
                     "' is not one prefecture-level row (or county without a prefecture) of " +
                     row.fields[1]);
            continue;
        }
        places[row.fields[0]] = region;
        placeLine[row.fields[0]] = row.line;
    }

    std::ifstream in(dir_ + "/" + geocoding, std::ios::binary);
    if (!in) {
        Fail(geocoding, 0, "cannot be read");
        return;
    }
    constexpr int kFirst = 1300000, kEnd = 2000000;
    std::vector<int> regionOf(kEnd - kFirst, -1);
    std::vector<std::pair<std::string, int>> prefixes[8];  // by length: digits, region
    std::set<std::string> used;
    std::map<std::string, std::pair<int, int>> unknown;  // place -> first line, lines
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line.front() == '#') continue;
        const std::size_t bar = line.find('|');
        const std::string digits = line.substr(0, bar);
        if (bar == std::string::npos || !IsDigits(digits, 3, 9) || !digits.starts_with("86")) {
            Fail(geocoding, number, "not a line 86PREFIX|place");
            continue;
        }
        const std::string prefix = digits.substr(2);
        if (prefix.size() < 2 || prefix[0] != '1' || prefix[1] < '3')
            continue;                     // fixed line: 8610, 8620, ...
        if (prefix.size() < 4) continue;  // the stray 86173
        const std::string place = line.substr(bar + 1);
        const auto it = places.find(place);
        if (it == places.end()) {
            auto& [first, lines] = unknown.try_emplace(place, number, 0).first->second;
            ++lines;
            continue;
        }
        used.insert(place);
        prefixes[prefix.size()].emplace_back(prefix, it->second);
    }
    for (const auto& [place, where] : unknown) {
        Fail(geocoding, where.first,
             "place '" + place + "' (" + std::to_string(where.second) + " lines from here) is not in " +
                 placesFile);
    }
    for (std::size_t length = 4; length <= 7; ++length) {
        int span = 1;
        for (std::size_t k = length; k < 7; ++k) span *= 10;
        for (const auto& [prefix, region] : prefixes[length]) {
            const int first = std::stoi(prefix) * span;
            std::fill(regionOf.begin() + (first - kFirst), regionOf.begin() + (first - kFirst + span),
                      region);
        }
    }
    for (int p = kFirst; p < kEnd; ++p) {
        const int region = regionOf[static_cast<std::size_t>(p - kFirst)];
        if (region < 0) continue;
        if (!content.segments.empty() && content.segments.back().last == p - 1 &&
            content.segments.back().region == region) {
            content.segments.back().last = p;
        } else {
            content.segments.push_back({p, p, region});
        }
    }
    for (const auto& [place, lineNumber] : placeLine) {
        if (!used.contains(place)) Fail(placesFile, lineNumber, "place '" + place + "' is used by no prefix");
    }
}

void Gatherer::Carriers(DatabaseContent& content) {
    const std::string file = "carriers.tsv";
    static const std::set<std::string> categories = {"ordinary", "virtual",   "data-card",
                                                     "iot",      "satellite", "emergency"};
    std::set<std::string> seen;
    for (const TsvRow& row : ReadTsv(file, "prefix\tnumber_length\tcarrier\tcategory\tsource")) {
        const std::vector<std::string>& f = row.fields;
        if (!IsDigits(f[0], 3, 5) || f[0][0] != '1') Fail(file, row.line, "a prefix is 3 to 5 digits from 1");
        if (f[1] != "11" && f[1] != "13") Fail(file, row.line, "numbers have 11 or 13 digits");
        if (f[2].empty() || f[4].empty()) Fail(file, row.line, "carrier and source are needed");
        if (!categories.contains(f[3])) Fail(file, row.line, "unknown category '" + f[3] + "'");
        if (!seen.insert(f[0]).second) Fail(file, row.line, "prefix " + f[0] + " stands twice");
        content.carriers.push_back({f[0], f[2], f[3], f[4], f[1] == "13" ? 13 : 11});
    }
}

void Gatherer::Sources(DatabaseContent& content) {
    for (const TsvRow& row : ReadTsv("sources.tsv", "name\twhat\torigin\tlicence")) {
        content.sources.push_back({row.fields[0], row.fields[1], row.fields[2], row.fields[3]});
    }
}

bool Gatherer::Gather(DatabaseContent& content) {
    Provinces(content);
    if (!failures_.empty()) return false;
    Regions(content);
    FormerNames(content);
    Segments(content);
    Carriers(content);
    Sources(content);
    content.currentTo = kCurrentTo;
    return failures_.empty();
}

}  // namespace

bool GatherDatabaseContent(const std::string& dataDir, const std::vector<RegionFacts>& regions,
                           const Readings* readings, DatabaseContent& content,
                           std::vector<TableFailure>& failures) {
    return Gatherer(dataDir, regions, readings, failures).Gather(content);
}

std::u32string ShortName(const std::u32string& name) {
    static const std::u32string kPeoples[] = {
        U"蒙古",   U"回",       U"藏",     U"维吾尔",   U"苗",   U"彝",     U"壮",   U"布依",
        U"朝鲜",   U"满",       U"侗",     U"瑶",       U"白",   U"土家",   U"哈尼", U"哈萨克",
        U"傣",     U"黎",       U"傈僳",   U"佤",       U"畲",   U"高山",   U"拉祜", U"水",
        U"东乡",   U"纳西",     U"景颇",   U"柯尔克孜", U"土",   U"达斡尔", U"仫佬", U"羌",
        U"布朗",   U"撒拉",     U"毛南",   U"仡佬",     U"锡伯", U"阿昌",   U"普米", U"塔吉克",
        U"怒",     U"乌孜别克", U"俄罗斯", U"鄂温克",   U"德昂", U"保安",   U"裕固", U"京",
        U"塔塔尔", U"独龙",     U"鄂伦春", U"赫哲",     U"门巴", U"珞巴",   U"基诺", U"各"};
    // Names of peoples that autonomous names write without 族 (伊犁哈萨克自治州, 察布查尔锡伯自治县).
    static const std::u32string kWithout族[] = {U"蒙古", U"哈萨克", U"柯尔克孜", U"塔吉克", U"锡伯"};
    auto strip = [](std::u32string& s, const std::u32string& suffix) {
        if (s.size() < suffix.size() + 2 || !s.ends_with(suffix)) return false;
        s.resize(s.size() - suffix.size());
        return true;
    };
    std::u32string s = name;
    if (strip(s, U"特别行政区")) return s;
    if (strip(s, U"自治县") || strip(s, U"自治州") || strip(s, U"自治旗") ||
        (s.ends_with(U"族区") && strip(s, U"区"))) {
        for (bool more = true; more;) {
            more = false;
            for (const std::u32string& people : kPeoples) {
                if (strip(s, people + U"族")) more = true;
            }
            for (const std::u32string& people : kWithout族) {
                if (strip(s, people)) more = true;
            }
        }
        return s;
    }
    for (const std::u32string suffix : {U"地区", U"林区", U"特区", U"新区", U"矿区", U"堂区", U"市", U"县",
                                        U"区", U"盟", U"旗", U"乡", U"镇"}) {
        if (strip(s, suffix)) return s;
    }
    return s;
}

}  // namespace telvane::data
