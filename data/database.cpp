#include "data/database.h"

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <string_view>

#include "data/pinyin.h"

namespace telvane::data {
namespace {

// The schema; data/README.md explains every column.
constexpr std::string_view kSchema = R"sql(
CREATE TABLE provinces (
    id            INTEGER PRIMARY KEY,
    name          TEXT NOT NULL UNIQUE,
    full_name     TEXT NOT NULL,
    division_code TEXT NOT NULL,
    kind          TEXT NOT NULL,
    pinyin        TEXT NOT NULL,
    initials      TEXT NOT NULL
);
CREATE TABLE regions (
    id            INTEGER PRIMARY KEY,
    province_id   INTEGER NOT NULL REFERENCES provinces (id),
    key           TEXT NOT NULL,
    name          TEXT NOT NULL,
    short_name    TEXT NOT NULL,
    prefecture_id INTEGER REFERENCES regions (id),
    kind          TEXT NOT NULL,
    division_code TEXT,
    area_code     TEXT NOT NULL,
    postcode      TEXT NOT NULL,
    pinyin        TEXT NOT NULL,
    initials      TEXT NOT NULL
);
CREATE INDEX regions_by_area_code ON regions (area_code);
CREATE INDEX regions_by_postcode ON regions (postcode);
CREATE INDEX regions_by_division_code ON regions (division_code);
CREATE VIEW tesmar_entries AS
    SELECT r.id AS id, p.name AS province, r.key AS region, r.area_code AS area_code, r.postcode AS postcode
    FROM regions AS r JOIN provinces AS p ON p.id = r.province_id
    ORDER BY r.id;
CREATE TABLE names (
    key       TEXT NOT NULL,
    region_id INTEGER NOT NULL REFERENCES regions (id),
    kind      TEXT NOT NULL,
    PRIMARY KEY (key, region_id, kind)
) WITHOUT ROWID;
CREATE TABLE former_names (
    id            INTEGER PRIMARY KEY,
    name          TEXT NOT NULL,
    prefecture    TEXT NOT NULL,
    province_id   INTEGER NOT NULL REFERENCES provinces (id),
    division_code TEXT NOT NULL,
    level         TEXT NOT NULL,
    listed_from   INTEGER NOT NULL,
    listed_to     INTEGER NOT NULL,
    change        TEXT NOT NULL,
    region_id     INTEGER NOT NULL REFERENCES regions (id),
    source        TEXT NOT NULL
);
CREATE INDEX former_names_by_name ON former_names (name);
CREATE TABLE former_successors (
    former_id INTEGER NOT NULL REFERENCES former_names (id),
    region_id INTEGER NOT NULL REFERENCES regions (id),
    PRIMARY KEY (former_id, region_id)
) WITHOUT ROWID;
CREATE TABLE mobile_prefixes (
    first_prefix INTEGER PRIMARY KEY,
    last_prefix  INTEGER NOT NULL,
    region_id    INTEGER NOT NULL REFERENCES regions (id)
);
CREATE TABLE carriers (
    prefix        TEXT PRIMARY KEY,
    number_length INTEGER NOT NULL,
    carrier       TEXT NOT NULL,
    category      TEXT NOT NULL,
    source        TEXT NOT NULL
) WITHOUT ROWID;
CREATE TABLE sources (
    name    TEXT PRIMARY KEY,
    what    TEXT NOT NULL,
    origin  TEXT NOT NULL,
    licence TEXT NOT NULL
) WITHOUT ROWID;
CREATE TABLE about (
    key   TEXT PRIMARY KEY,
    value TEXT NOT NULL
) WITHOUT ROWID;
)sql";

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// A row id, or NULL when it is 0.
struct RowId {
    int value;
};

class Writer {
public:
    explicit Writer(sqlite3* db) : db_(db) {}

    bool Execute(std::string_view sql) {
        const std::string text(sql);
        if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
        return Failed();
    }

    // Prepares sql for Insert; false on an error.
    bool Prepare(std::string_view sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr) !=
            SQLITE_OK)
            return Failed();
        statement_.reset(statement);
        return true;
    }

    // Binds the values in order and steps.
    template <typename... Values>
    bool Insert(const Values&... values) {
        sqlite3_reset(statement_.get());
        int index = 0;
        (Bind(++index, values), ...);
        if (sqlite3_step(statement_.get()) != SQLITE_DONE) return Failed();
        return true;
    }

    const std::string& error() const { return error_; }

private:
    void Bind(int index, int value) { sqlite3_bind_int(statement_.get(), index, value); }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    void Bind(int index, RowId id) {
        if (id.value > 0) {
            sqlite3_bind_int(statement_.get(), index, id.value);
        } else {
            sqlite3_bind_null(statement_.get(), index);
        }
    }

    bool Failed() {
        error_ = sqlite3_errmsg(db_);
        return false;
    }

    sqlite3* db_;
    Statement statement_;
    std::string error_;
};

bool Fill(Writer& w, const DatabaseContent& c) {
    if (!w.Execute(kSchema)) return false;

    if (!w.Prepare("INSERT INTO provinces VALUES (?, ?, ?, ?, ?, ?, ?)")) return false;
    for (std::size_t i = 0; i < c.provinces.size(); ++i) {
        const ProvinceRecord& p = c.provinces[i];
        if (!w.Insert(static_cast<int>(i + 1), p.name, p.fullName, p.divisionCode, p.kind, p.pinyin,
                      Initials(SplitSyllables(p.pinyin))))
            return false;
    }

    if (!w.Prepare("INSERT INTO regions VALUES (?, ?, ?, ?, ?, ?, ?, NULLIF(?, ''), ?, ?, ?, ?)"))
        return false;
    for (std::size_t i = 0; i < c.regions.size(); ++i) {
        const RegionRecord& r = c.regions[i];
        const RowId prefecture{r.prefecture + 1};
        if (!w.Insert(static_cast<int>(i + 1), r.province + 1, r.key, r.name, r.shortName, prefecture, r.kind,
                      r.divisionCode, r.areaCode, r.postcode, r.pinyin, Initials(SplitSyllables(r.pinyin))))
            return false;
    }

    // The keys a person may type for a region, normalised as data/README.md describes.
    if (!w.Prepare("INSERT OR IGNORE INTO names VALUES (?, ?, ?)")) return false;
    for (std::size_t i = 0; i < c.regions.size(); ++i) {
        const RegionRecord& r = c.regions[i];
        const int id = static_cast<int>(i + 1);
        const std::vector<std::string> all = SplitSyllables(r.pinyin);
        const std::vector<std::string> stem(all.begin(), all.begin() + static_cast<long>(r.shortSyllables));
        bool ok =
            w.Insert(r.name, id, std::string("name")) && w.Insert(r.shortName, id, std::string("short"));
        if (r.prefecture >= 0) {
            const RegionRecord& p = c.regions[static_cast<std::size_t>(r.prefecture)];
            ok = ok && w.Insert(p.name + r.name, id, std::string("qualified")) &&
                 w.Insert(p.shortName + r.name, id, std::string("qualified"));
        }
        for (bool uForU : {false, true}) {
            ok = ok && w.Insert(JoinedKey(all, uForU), id, std::string("pinyin")) &&
                 w.Insert(JoinedKey(stem, uForU), id, std::string("short-pinyin"));
        }
        ok = ok && w.Insert(Initials(all), id, std::string("initials")) &&
             w.Insert(Initials(stem), id, std::string("short-initials"));
        if (!ok) return false;
    }
    for (const FormerRecord& f : c.formerNames) {
        if (!w.Insert(f.name, f.successors.front() + 1, std::string("former")) ||
            !w.Insert(f.shortName, f.successors.front() + 1, std::string("former")))
            return false;
    }
    if (!w.Execute("DELETE FROM names WHERE kind = 'short' AND key IN "
                   "(SELECT key FROM names AS n WHERE n.kind = 'name' AND n.region_id = names.region_id)"))
        return false;

    if (!w.Prepare("INSERT INTO former_names VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")) return false;
    for (std::size_t i = 0; i < c.formerNames.size(); ++i) {
        const FormerRecord& f = c.formerNames[i];
        if (!w.Insert(static_cast<int>(i + 1), f.name, f.prefecture, f.province + 1, f.divisionCode, f.level,
                      f.listedFrom, f.listedTo, f.change, f.successors.front() + 1, f.source))
            return false;
    }
    if (!w.Prepare("INSERT INTO former_successors VALUES (?, ?)")) return false;
    for (std::size_t i = 0; i < c.formerNames.size(); ++i) {
        for (int successor : c.formerNames[i].successors) {
            if (!w.Insert(static_cast<int>(i + 1), successor + 1)) return false;
        }
    }

    if (!w.Prepare("INSERT INTO mobile_prefixes VALUES (?, ?, ?)")) return false;
    for (const SegmentRun& run : c.segments) {
        if (!w.Insert(run.first, run.last, run.region + 1)) return false;
    }
    if (!w.Prepare("INSERT INTO carriers VALUES (?, ?, ?, ?, ?)")) return false;
    for (const CarrierRecord& carrier : c.carriers) {
        if (!w.Insert(carrier.prefix, carrier.numberLength, carrier.carrier, carrier.category,
                      carrier.source))
            return false;
    }
    if (!w.Prepare("INSERT INTO sources VALUES (?, ?, ?, ?)")) return false;
    for (const SourceRecord& s : c.sources) {
        if (!w.Insert(s.name, s.what, s.origin, s.licence)) return false;
    }
    if (!w.Prepare("INSERT INTO about VALUES (?, ?)")) return false;
    return w.Insert(std::string("current_to"), c.currentTo) &&
           w.Insert(
               std::string("carriers"),
               std::string("A segment tells the carrier it was first given to: numbers have moved between "
                           "carriers (携号转网) since 2019-11.")) &&
           w.Insert(std::string("schema"), std::string("data/README.md of Telvane"));
}

}  // namespace

bool WriteDatabase(const std::string& path, const DatabaseContent& content, std::string& error) {
    const std::string temporary = path + ".tmp";
    std::remove(temporary.c_str());
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(temporary.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, CloseDatabase> db(raw);
    if (opened != SQLITE_OK) {
        error = temporary + ": " + (raw ? sqlite3_errmsg(raw) : "cannot be opened");
        return false;
    }
    bool written = false;
    {
        // The writer's statement is finalized before the database is closed.
        Writer w(db.get());
        written = w.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN") &&
                  Fill(w, content) &&
                  w.Execute("PRAGMA user_version = " + std::to_string(kDatabaseVersion)) &&
                  w.Execute("COMMIT") && w.Execute("VACUUM");
        if (!written) error = temporary + ": " + w.error();
    }
    if (sqlite3_close(db.release()) != SQLITE_OK && written) {
        error = temporary + ": cannot be closed";
        written = false;
    }
    if (!written) {
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": cannot be replaced";
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace telvane::data
