#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>

#include "codec.h"
#include "data_file.h"
#include "directory.h"
#include "gbk.h"

namespace telvane {
namespace {

constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The section a caller asks for: spaces around it are ignored, as the profile functions ignore them.
// Tabs and vertical tabs are part of the name asked for, unlike in a header line.
std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string_view CutToValueLimit(std::string_view text) {
    return text.substr(0, kMaxValueBytes);
}

// A set of names held as indexes into a table of records, matched by EqualFolded. Open addressing with
// linear probing; the first name inserted wins.
class FoldedIndex {
public:
    // Adds record i under its name unless an equal name is there already; gives the record that holds
    // the name afterwards.
    template <typename NameOf>
    std::uint32_t Insert(std::uint32_t i, NameOf nameOf) {
        if ((count_ + 1) * 2 > slots_.size()) Grow(nameOf);
        const std::size_t slot = SlotFor(nameOf(i), nameOf);
        if (slots_[slot] == kEmpty) {
            slots_[slot] = i;
            ++count_;
        }
        return slots_[slot];
    }

    // Empties the set and makes room for count names without growing, keeping the memory it has.
    void Reset(std::size_t count) {
        std::size_t size = 8;
        while (size < (count + 1) * 2) size *= 2;
        slots_.assign(size, kEmpty);
        count_ = 0;
    }

    template <typename NameOf>
    std::uint32_t Find(std::string_view name, NameOf nameOf) const {
        return slots_.empty() ? kEmpty : slots_[SlotFor(name, nameOf)];
    }

    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

private:
    // The slot holding name, or the empty slot where it would go.
    template <typename NameOf>
    std::size_t SlotFor(std::string_view name, NameOf nameOf) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = gbk::HashFolded(name) & mask;
        while (slots_[slot] != kEmpty && !gbk::EqualFolded(nameOf(slots_[slot]), name))
            slot = (slot + 1) & mask;
        return slot;
    }

    template <typename NameOf>
    void Grow(NameOf nameOf) {
        std::vector<std::uint32_t> old(std::max<std::size_t>(8, slots_.size() * 2), kEmpty);
        old.swap(slots_);
        for (const std::uint32_t i : old) {
            if (i != kEmpty) slots_[SlotFor(nameOf(i), nameOf)] = i;
        }
    }

    std::vector<std::uint32_t> slots_;
    std::size_t count_ = 0;
};

// The lines of text[begin, end): onLine(line) for each, without its line end.
template <typename OnLine>
void ForEachLine(std::string_view text, std::size_t begin, std::size_t end, OnLine onLine) {
    std::size_t pos = begin;
    while (pos < end) {
        std::size_t stop = pos;
        while (stop < end && text[stop] != '\n' && text[stop] != '\r') ++stop;
        if (!onLine(text.substr(pos, stop - pos))) return;
        pos = stop + 1;
        if (stop + 1 < end && text[stop] == '\r' && text[stop + 1] == '\n') ++pos;
    }
}

// Where a line's content starts: after its leading blanks.
std::size_t ContentStart(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    return start;
}

// The name of a section header line whose content starts at start.
std::string_view HeaderName(std::string_view line, std::size_t start) {
    // Walk by characters: the second byte of a double-byte character may be ']'.
    std::size_t close = start + 1;
    while (close < line.size() && line[close] != ']') close += gbk::CharLength(line, close);
    close = std::min(close, line.size());
    return TrimBlanks(line.substr(start + 1, close - start - 1));
}

// The name and value of a key line; false for a line that is no key (blank, comment, no '=').
bool SplitKeyLine(std::string_view line, std::string_view& name, std::string_view& value) {
    const std::size_t start = ContentStart(line);
    if (start == line.size() || line[start] == ';') return false;
    // '=' lies below every second byte of GBK, so a plain search never lands inside a character.
    const std::size_t equals = line.find('=', start);
    if (equals == std::string_view::npos) return false;
    name = TrimBlanks(line.substr(start, equals - start));
    value = TrimBlanks(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

}  // namespace

// The file's text, the first section of each name with the text its keys stand in, and the keys of
// each section ListKeys or ReadValue asked for so far; ForEachEntry parses a section whose keys are not
// kept into one scratch body, so a search keeps only one section at a time. Only the keys a key list
// holds are kept; a key past them is looked for in the text when asked for, so a dense file costs no
// more memory than its listed keys.
struct IniReader::Parsed {
    // Offsets into text; a file of at most kMaxFileBytes keeps them within 32 bits.
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    struct Key {
        Span name;
        Span value;
    };
    struct Section {
        Span name;
        std::uint32_t bodyBegin = 0;  // the text after the header line, up to the next header
        std::uint32_t bodyEnd = 0;
    };
    struct Body {
        std::vector<Key> listed;             // the keys that fit the key list, in file order
        std::vector<std::uint32_t> firstOf;  // for each, the listed key of the same name that reads
        FoldedIndex names;
        std::uint32_t restBegin = 0;  // the text after the listed keys, when more keys follow
        bool more = false;
    };

    // The file's bytes, or their conversion when the file is in a Unicode encoding; text views one.
    FileBytes bytes;
    std::string converted;
    std::string_view text;
    std::vector<Section> sections;
    FoldedIndex sectionIndex;
    std::unordered_map<std::uint32_t, Body> bodies;
    // The body ForEachEntry parses each section into when none is kept: one section after another
    // reuses its memory, and a search keeps no more than its largest section.
    Body scratch;
    bool scratchInUse = false;

    std::string_view View(Span span) const { return std::string_view(text).substr(span.offset, span.length); }

    Span SpanOf(std::string_view part) const {
        return {static_cast<std::uint32_t>(part.data() - text.data()),
                static_cast<std::uint32_t>(part.size())};
    }

    void Parse();
    const Section* FindSection(std::string_view name) const;
    void ParseBody(const Section& section, Body& body) const;
    const Body& BodyOf(const Section& section);
    std::optional<std::string_view> FindValue(const Section& section, std::string_view key);
};

void IniReader::Parsed::Parse() {
    const std::string_view all(text);
    auto nameOf = [this](std::uint32_t i) { return View(sections[i].name); };
    bool open = false;  // whether the body being read belongs to a section that is seen
    // Only the header lines matter here, so the text is searched for '[' alone, not walked line by
    // line: a '[' opens a header when nothing but blanks stands between it and the start of its line.
    for (std::size_t bracket = all.find('['); bracket != std::string_view::npos;
         bracket = all.find('[', bracket + 1)) {
        std::size_t lineBegin = bracket;
        while (lineBegin > 0 && IsBlank(all[lineBegin - 1])) --lineBegin;
        if (lineBegin > 0 && all[lineBegin - 1] != '\n' && all[lineBegin - 1] != '\r') continue;
        std::size_t lineEnd = bracket;
        while (lineEnd < all.size() && all[lineEnd] != '\n' && all[lineEnd] != '\r') ++lineEnd;
        const std::string_view line = all.substr(lineBegin, lineEnd - lineBegin);

        if (open) sections.back().bodyEnd = static_cast<std::uint32_t>(lineBegin);
        const auto number = static_cast<std::uint32_t>(sections.size());
        sections.push_back({SpanOf(HeaderName(line, bracket - lineBegin)), 0, 0});
        open = sectionIndex.Insert(number, nameOf) == number;
        if (!open) {
            sections.pop_back();  // a later section of a name is never seen
        } else {
            sections.back().bodyBegin = static_cast<std::uint32_t>(lineEnd);
        }
        if (lineEnd == all.size()) break;
        bracket = lineEnd;
    }
    if (open) sections.back().bodyEnd = static_cast<std::uint32_t>(all.size());
}

const IniReader::Parsed::Section* IniReader::Parsed::FindSection(std::string_view name) const {
    const std::uint32_t found =
        sectionIndex.Find(name, [this](std::uint32_t i) { return View(sections[i].name); });
    return found == FoldedIndex::kEmpty ? nullptr : &sections[found];
}

// Fills body with the keys of section, reusing the memory it holds.
void IniReader::Parsed::ParseBody(const Section& section, Body& body) const {
    body.listed.clear();
    body.more = false;
    body.restBegin = 0;
    const std::string_view all(text);
    std::size_t used = 1;  // the terminator after the last name
    ForEachLine(all, section.bodyBegin, section.bodyEnd, [&](std::string_view line) {
        std::string_view name, value;
        if (!SplitKeyLine(line, name, value)) return true;
        if (used + name.size() + 1 > kKeyListBytes) {
            body.more = true;
            body.restBegin = static_cast<std::uint32_t>(line.data() - all.data());
            return false;
        }
        used += name.size() + 1;
        body.listed.push_back({SpanOf(name), SpanOf(value)});
        return true;
    });
    auto nameOf = [this, &body](std::uint32_t i) { return View(body.listed[i].name); };
    body.names.Reset(body.listed.size());
    body.firstOf.resize(body.listed.size());
    for (std::uint32_t i = 0; i < body.listed.size(); ++i) body.firstOf[i] = body.names.Insert(i, nameOf);
}

const IniReader::Parsed::Body& IniReader::Parsed::BodyOf(const Section& section) {
    const auto number = static_cast<std::uint32_t>(&section - sections.data());
    auto [it, inserted] = bodies.try_emplace(number);
    if (inserted) ParseBody(section, it->second);
    return it->second;
}

std::optional<std::string_view> IniReader::Parsed::FindValue(const Section& section, std::string_view key) {
    const Body& body = BodyOf(section);
    const std::uint32_t found =
        body.names.Find(key, [&body, this](std::uint32_t i) { return View(body.listed[i].name); });
    if (found != FoldedIndex::kEmpty) return View(body.listed[found].value);
    if (!body.more) return std::nullopt;
    // Past the listed keys the text is searched afresh; the program never asks there.
    std::optional<std::string_view> value;
    ForEachLine(std::string_view(text), body.restBegin, section.bodyEnd, [&](std::string_view line) {
        std::string_view name, lineValue;
        if (SplitKeyLine(line, name, lineValue) && gbk::EqualFolded(name, key)) value = lineValue;
        return !value;
    });
    return value;
}

IniReader::IniReader(std::string path) : path_(std::move(path)) {}

IniReader::~IniReader() = default;

IniReader::Parsed& IniReader::Load() {
    if (!parsed_) {
        // Kept only once complete, so a reading cut short by a failure is never half used.
        auto parsed = std::make_unique<Parsed>();
        parsed->bytes = ReadDataFile(path_);
        if (HasUnicodeMark(parsed->bytes.View())) {
            parsed->converted = FileTextAsGbk(std::string(parsed->bytes.View()));
            parsed->bytes = {};
            parsed->text = parsed->converted;
        } else {
            parsed->text = parsed->bytes.View();
        }
        parsed->Parse();
        parsed_ = std::move(parsed);
    }
    return *parsed_;
}

std::string IniReader::ReadValue(std::string_view section, std::string_view key,
                                 std::string_view defaultText) {
    Parsed& parsed = Load();
    const Parsed::Section* found = parsed.FindSection(TrimSpaces(section));
    const std::optional<std::string_view> value = found ? parsed.FindValue(*found, key) : std::nullopt;
    return std::string(CutToValueLimit(value.value_or(defaultText)));
}

void IniReader::ListKeys(std::string_view section, std::vector<std::string>& keys) {
    keys.clear();
    Parsed& parsed = Load();
    const Parsed::Section* found = parsed.FindSection(TrimSpaces(section));
    if (!found) return;
    for (const Parsed::Key& key : parsed.BodyOf(*found).listed) keys.emplace_back(parsed.View(key.name));
}

std::size_t IniReader::EntryBound(std::string_view section) {
    Parsed& parsed = Load();
    const Parsed::Section* found = parsed.FindSection(TrimBlanks(section));
    if (!found) return 0;
    // Each line is at most one key, and every listed name takes at least its terminator of the key
    // list, beside the final one.
    constexpr std::size_t kMostNames = kKeyListBytes - 1;
    std::size_t lines = 0;
    ForEachLine(std::string_view(parsed.text), found->bodyBegin, found->bodyEnd,
                [&lines](std::string_view) { return ++lines < kMostNames; });
    return lines;
}

void IniReader::ForEachEntry(
    std::string_view section,
    const std::function<void(std::string_view name, std::string_view value)>& onEntry) {
    Parsed& parsed = Load();
    const Parsed::Section* found = parsed.FindSection(TrimSpaces(section));
    if (!found) return;
    // A section read before is not parsed again; any other goes into the scratch body, unless onEntry
    // has come back here while the scratch body is being handed out.
    const auto number = static_cast<std::uint32_t>(found - parsed.sections.data());
    const auto kept = parsed.bodies.find(number);
    const bool useScratch = kept == parsed.bodies.end() && !parsed.scratchInUse;
    const Parsed::Body& body = kept != parsed.bodies.end() ? kept->second
                               : useScratch                ? parsed.scratch
                                                           : parsed.BodyOf(*found);
    if (useScratch) parsed.ParseBody(*found, parsed.scratch);
    // Released on every way out, an exception from onEntry included.
    const std::unique_ptr<bool, void (*)(bool*)> release(useScratch ? &parsed.scratchInUse : nullptr,
                                                         [](bool* inUse) { *inUse = false; });
    if (useScratch) parsed.scratchInUse = true;
    for (std::size_t i = 0; i < body.listed.size(); ++i) {
        onEntry(parsed.View(body.listed[i].name),
                CutToValueLimit(parsed.View(body.listed[body.firstOf[i]].value)));
    }
}

}  // namespace telvane
