#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>

#include "directory.h"
#include "file_text.h"
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

std::string_view CutToValueLimit(std::string_view text) {
    return text.substr(0, kMaxValueBytes);
}

// The whole file at path, or nothing: only a regular file of at most kMaxFileBytes is read, and it is
// opened without blocking so that a FIFO or device swapped in after the check cannot hang us.
std::string ReadWholeFile(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    // Closed on every way out, a failed allocation included.
    const std::unique_ptr<const int, void (*)(const int*)> closer(&fd,
                                                                  [](const int* open) { ::close(*open); });
    std::string bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) <= kMaxFileBytes) {
        // Read one byte past the limit, so that a file that grew since fstat is still refused.
        bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
        std::size_t filled = 0;
        bool failed = false;
        while (true) {
            if (filled == bytes.size()) {
                if (bytes.size() > kMaxFileBytes) {
                    failed = true;
                    break;
                }
                bytes.resize(std::min(bytes.size() * 2, kMaxFileBytes + 1));
            }
            const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) failed = true;
            if (got <= 0) break;
            filled += static_cast<std::size_t>(got);
        }
        if (failed) filled = 0;
        bytes.resize(filled);
    }
    return bytes;
}

// A set of names held as indexes into a table of records, matched by EqualFolded. Open addressing with
// linear probing; the first name inserted wins.
class FoldedIndex {
public:
    // Indexes the names nameOf(0) .. nameOf(count - 1). When firstOf is given, it receives for each
    // name the index of the first name equal to it (its own index for a first occurrence).
    template <typename NameOf>
    void Build(std::uint32_t count, NameOf nameOf, std::vector<std::uint32_t>* firstOf = nullptr) {
        std::size_t capacity = 8;
        while (capacity < std::size_t{count} * 2) capacity *= 2;
        slots_.assign(capacity, kEmpty);
        if (firstOf) firstOf->resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::string_view name = nameOf(i);
            std::size_t slot = gbk::HashFolded(name) & (capacity - 1);
            while (slots_[slot] != kEmpty && !gbk::EqualFolded(nameOf(slots_[slot]), name)) {
                slot = (slot + 1) & (capacity - 1);
            }
            if (slots_[slot] == kEmpty) slots_[slot] = i;
            if (firstOf) (*firstOf)[i] = slots_[slot];
        }
    }

    template <typename NameOf>
    std::uint32_t Find(std::string_view name, NameOf nameOf) const {
        if (slots_.empty()) return kEmpty;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = gbk::HashFolded(name) & mask; slots_[slot] != kEmpty;
             slot = (slot + 1) & mask) {
            if (gbk::EqualFolded(nameOf(slots_[slot]), name)) return slots_[slot];
        }
        return kEmpty;
    }

    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

private:
    std::vector<std::uint32_t> slots_;
};

}  // namespace

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
        std::uint32_t firstKey = 0;
        std::uint32_t endKey = 0;
    };

    std::string text;
    std::vector<Key> keys;
    std::vector<Section> sections;
    FoldedIndex sectionIndex;
    // Built for a section the first time one of its keys is looked up: the index of its key names,
    // and for each key the position of the first key of its name, whose value it reads.
    struct KeyIndex {
        FoldedIndex names;
        std::vector<std::uint32_t> firstOf;
    };
    std::unordered_map<std::uint32_t, KeyIndex> keyIndexes;

    std::string_view View(Span span) const { return std::string_view(text).substr(span.offset, span.length); }

    Span SpanOf(std::string_view part) const {
        return {static_cast<std::uint32_t>(part.data() - text.data()),
                static_cast<std::uint32_t>(part.size())};
    }

    void Parse();
    void ParseLine(std::string_view line);
    const Section* FindSection(std::string_view name) const;
    const KeyIndex& IndexOf(const Section& section);
    const Key* FindKey(const Section& section, std::string_view name);
    // Calls onKey(position in section, name) for each key that fits the key-list budget.
    template <typename OnKey>
    void ForEachListedKey(const Section& section, OnKey onKey) const;
};

void IniReader::Parsed::Parse() {
    const std::string_view all(text);
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = pos;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r') ++end;
        ParseLine(all.substr(pos, end - pos));
        pos = end + 1;
        if (end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n') ++pos;
    }
    if (!sections.empty()) sections.back().endKey = static_cast<std::uint32_t>(keys.size());
    sectionIndex.Build(static_cast<std::uint32_t>(sections.size()),
                       [this](std::uint32_t i) { return View(sections[i].name); });
}

void IniReader::Parsed::ParseLine(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    if (start == line.size() || line[start] == ';') return;

    if (line[start] == '[') {
        // Walk by characters: the second byte of a double-byte character may be ']'.
        std::size_t close = start + 1;
        while (close < line.size() && line[close] != ']') close += gbk::CharLength(line, close);
        close = std::min(close, line.size());
        if (!sections.empty()) sections.back().endKey = static_cast<std::uint32_t>(keys.size());
        const auto first = static_cast<std::uint32_t>(keys.size());
        sections.push_back({SpanOf(TrimBlanks(line.substr(start + 1, close - start - 1))), first, first});
        return;
    }

    if (sections.empty()) return;
    // '=' lies below every second byte of GBK, so a plain search never lands inside a character.
    const std::size_t equals = line.find('=', start);
    if (equals == std::string_view::npos) return;
    const std::string_view name = TrimBlanks(line.substr(start, equals - start));
    std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    keys.push_back({SpanOf(name), SpanOf(value)});
}

const IniReader::Parsed::Section* IniReader::Parsed::FindSection(std::string_view name) const {
    const std::uint32_t found =
        sectionIndex.Find(name, [this](std::uint32_t i) { return View(sections[i].name); });
    return found == FoldedIndex::kEmpty ? nullptr : &sections[found];
}

const IniReader::Parsed::KeyIndex& IniReader::Parsed::IndexOf(const Section& section) {
    const auto number = static_cast<std::uint32_t>(&section - sections.data());
    auto [it, inserted] = keyIndexes.try_emplace(number);
    if (inserted) {
        const std::uint32_t first = section.firstKey;
        it->second.names.Build(
            section.endKey - first, [this, first](std::uint32_t i) { return View(keys[first + i].name); },
            &it->second.firstOf);
    }
    return it->second;
}

const IniReader::Parsed::Key* IniReader::Parsed::FindKey(const Section& section, std::string_view name) {
    const std::uint32_t first = section.firstKey;
    const std::uint32_t found = IndexOf(section).names.Find(
        name, [this, first](std::uint32_t i) { return View(keys[first + i].name); });
    return found == FoldedIndex::kEmpty ? nullptr : &keys[first + found];
}

template <typename OnKey>
void IniReader::Parsed::ForEachListedKey(const Section& section, OnKey onKey) const {
    std::size_t used = 1;  // the terminator after the last name
    for (std::uint32_t i = section.firstKey; i < section.endKey; ++i) {
        const std::string_view name = View(keys[i].name);
        if (used + name.size() + 1 > kKeyListBytes) break;
        used += name.size() + 1;
        onKey(i - section.firstKey, name);
    }
}

IniReader::IniReader(std::string path) : path_(std::move(path)) {}

IniReader::~IniReader() = default;

IniReader::Parsed& IniReader::Load() {
    if (!parsed_) {
        // Kept only once complete, so a reading cut short by a failure is never half used.
        auto parsed = std::make_unique<Parsed>();
        parsed->text = FileTextAsGbk(ReadWholeFile(path_));
        parsed->Parse();
        parsed_ = std::move(parsed);
    }
    return *parsed_;
}

std::string IniReader::ReadValue(std::string_view section, std::string_view key,
                                 std::string_view defaultText) {
    Parsed& parsed = Load();
    const Parsed::Section* found = parsed.FindSection(TrimBlanks(section));
    const Parsed::Key* entry = found ? parsed.FindKey(*found, key) : nullptr;
    return std::string(CutToValueLimit(entry ? parsed.View(entry->value) : defaultText));
}

void IniReader::ListKeys(std::string_view section, std::vector<std::string>& keys) {
    keys.clear();
    Parsed& parsed = Load();
    const Parsed::Section* found = parsed.FindSection(TrimBlanks(section));
    if (!found) return;
    parsed.ForEachListedKey(*found,
                            [&keys](std::uint32_t, std::string_view name) { keys.emplace_back(name); });
}

void IniReader::ForEachEntry(
    std::string_view section,
    const std::function<void(std::string_view name, std::string_view value)>& onEntry) {
    Parsed& parsed = Load();
    const Parsed::Section* found = parsed.FindSection(TrimBlanks(section));
    if (!found) return;
    const std::vector<std::uint32_t>& firstOf = parsed.IndexOf(*found).firstOf;
    parsed.ForEachListedKey(*found, [&](std::uint32_t i, std::string_view name) {
        onEntry(name, CutToValueLimit(parsed.View(parsed.keys[found->firstKey + firstOf[i]].value)));
    });
}

}  // namespace telvane
