// The INI reader over arbitrary file bytes. The input is the whole file. The sections asked about are
// the empty name and the bracketed names that stand in the file's text (taken after the byte-order
// mark is undone, so that Unicode files are asked about too); the keys asked about are the names the
// reader lists, and names that no key can have.
//
// For each section asked about:
// - the key list stays within kKeyListBytes, and ForEachEntry hands the same names in the same order;
// - each listed name reads back through ReadValue to the value ForEachEntry handed for it: as listed,
//   with spaces around the section name, with the section name in another letter case, and through a
//   second reader that reads values before it lists anything;
// - a listed name with its ASCII letters in another case (also inside double-byte characters, where
//   case counts) reads the value of the first listed name that is the same but for letter case, or
//   the default when there is none and the file is too small to fill the key list;
// - names and values hold no line end, names no '=' and no blank at either end, and values fit
//   kMaxValueBytes;
// - a key name holding '=' and a section name holding a line end read as the default, cut to
//   kMaxValueBytes, and such a section lists no keys.
// The file's text is never longer than its bytes, and without a byte-order mark it is the bytes. Reading
// leaves the file and its folder as they were.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "check.h"
#include "directory/codec.h"
#include "directory/directory.h"

namespace telvane {
namespace {

constexpr std::size_t kMaxSectionsAsked = 16;

// A private folder holding the one file that each input is written to. It lies in /dev/shm when there
// is one: rewriting a file on a disk file system for every input costs a write-back each time.
class ScratchFile {
public:
    ScratchFile() {
        std::error_code error;
        const std::filesystem::path base =
            ::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", error)
                ? std::filesystem::path("/dev/shm")
                : std::filesystem::temp_directory_path();
        std::string pattern = (base / "telvane-fuzz-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        dir_ = pattern;
        path_ = (dir_ / "tesmar.ini").string();
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }
    std::string Absent() const { return (dir_ / "absent.ini").string(); }

    void Write(std::string_view bytes) const {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        FUZZ_CHECK(fd >= 0);
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd, bytes.data(), bytes.size());
            FUZZ_CHECK(written > 0);
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        FUZZ_CHECK(::close(fd) == 0);
    }

    // What reading could change: the file's identity, size and times, and the names in the folder.
    struct State {
        ino_t inode;
        off_t size;
        timespec modified, changed;
        std::ptrdiff_t entries;
    };
    State Snapshot() const {
        struct stat info {};
        FUZZ_CHECK(::stat(path_.c_str(), &info) == 0);
        return {info.st_ino, info.st_size, info.st_mtim, info.st_ctim,
                std::distance(std::filesystem::directory_iterator(dir_), {})};
    }

private:
    std::filesystem::path dir_;
    std::string path_;
};

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A GBK double-byte character starts at text[i]: a lead byte 81..FE, then a trail byte 40..7E or
// 80..FE.
bool StartsPair(std::string_view text, std::size_t i) {
    if (i + 1 >= text.size()) return false;
    const auto lead = static_cast<unsigned char>(text[i]), trail = static_cast<unsigned char>(text[i + 1]);
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

char SwapLetterCase(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

char LowerLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names the reader takes for the same: equal once ASCII letters outside double-byte characters are
// folded.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (StartsPair(a, i)) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (LowerLetter(a[i]) != LowerLetter(b[i])) {
            return false;
        }
    }
    return true;
}

// text with the case of its ASCII letters swapped: outside double-byte characters only, or
// everywhere, second bytes included.
std::string SwapCase(std::string_view text, bool secondBytesToo) {
    std::string swapped(text);
    for (std::size_t i = 0; i < swapped.size(); ++i) {
        if (!secondBytesToo && StartsPair(swapped, i)) {
            ++i;
        } else {
            swapped[i] = SwapLetterCase(swapped[i]);
        }
    }
    return swapped;
}

// The bytes after the first '[' of each line, up to the next ']' or the line's end. Close to the
// reader's header rule but not the same (it walks double-byte characters and trims blanks); a name
// it does not know is worth asking about too.
std::vector<std::string> SectionsToAsk(std::string_view text) {
    std::vector<std::string> names{""};
    while (!text.empty() && names.size() < kMaxSectionsAsked) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        if (const std::size_t open = line.find('['); open != std::string_view::npos) {
            const std::string_view rest = line.substr(open + 1);
            names.emplace_back(rest.substr(0, rest.find(']')));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return names;
}

struct Entry {
    std::string section, name, value;
};

}  // namespace
}  // namespace telvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace telvane;
    static const ScratchFile file;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view cutDefault = input.substr(0, kMaxValueBytes);
    // No value holds a line end, so this default shows a missing key.
    constexpr std::string_view kNoValue = "\n";

    file.Write(input);
    const ScratchFile::State before = file.Snapshot();

    const std::string text = FileTextAsGbk(std::string(input));
    FUZZ_CHECK(text.size() <= input.size());
    if (!input.starts_with("\xEF\xBB\xBF") && !input.starts_with("\xFF\xFE") &&
        !input.starts_with("\xFE\xFF")) {
        FUZZ_CHECK(text == input);
    }

    std::vector<Entry> entries;
    {
        IniReader reader(file.path());
        for (const std::string& section : SectionsToAsk(text)) {
            std::vector<std::string> keys{"stale"};
            reader.ListKeys(section, keys);
            std::size_t used = 1;
            for (const std::string& key : keys) used += key.size() + 1;
            FUZZ_CHECK(used <= kKeyListBytes);

            const std::size_t first = entries.size();
            std::size_t position = 0;
            reader.ForEachEntry(section, [&](std::string_view name, std::string_view value) {
                FUZZ_CHECK(position < keys.size() && keys[position] == name);
                ++position;
                FUZZ_CHECK(value.size() <= kMaxValueBytes);
                FUZZ_CHECK(!HasLineEnd(name) && !HasLineEnd(value));
                FUZZ_CHECK(name.find('=') == std::string_view::npos);
                FUZZ_CHECK(name.empty() || (!IsBlank(name.front()) && !IsBlank(name.back())));
                entries.push_back({section, std::string(name), std::string(value)});
            });
            FUZZ_CHECK(position == keys.size());

            // Each name reads the value of the first listed name the same as it; only a file that
            // could fill the key list can hold a matching name beyond the list.
            const bool listComplete = text.size() < kKeyListBytes;
            const std::string padded = "  " + section + " ";  // spaces only: a tab is part of the name
            const std::string swappedSection = SwapCase(section, false);
            for (std::size_t i = 0; i < keys.size(); ++i) {
                const std::string& key = keys[i];
                const std::string& value = entries[first + i].value;
                FUZZ_CHECK(reader.ReadValue(section, key, kNoValue) == value);
                FUZZ_CHECK(reader.ReadValue(padded, key, kNoValue) == value);
                FUZZ_CHECK(reader.ReadValue(swappedSection, key, kNoValue) == value);
                for (const std::string& probe : {key, SwapCase(key, false), SwapCase(key, true)}) {
                    std::size_t same = 0;
                    while (same < keys.size() && !SameName(keys[same], probe)) ++same;
                    if (same < keys.size()) {
                        FUZZ_CHECK(reader.ReadValue(section, probe, kNoValue) == entries[first + same].value);
                    } else if (listComplete) {
                        FUZZ_CHECK(reader.ReadValue(section, probe, kNoValue) == kNoValue);
                    }
                }
                FUZZ_CHECK(reader.ReadValue(section, key + "=", kNoValue) == kNoValue);
            }
            FUZZ_CHECK(reader.ReadValue(section, "=", input) == cutDefault);
            FUZZ_CHECK(reader.ReadValue(section + "\n", keys.empty() ? "" : keys.front(), input) ==
                       cutDefault);
            reader.ListKeys(section + "\r", keys);
            FUZZ_CHECK(keys.empty());
        }
    }

    {
        // Values looked up before any listing; the reader builds its indexes in another order.
        IniReader reader(file.path());
        for (const Entry& entry : entries) {
            FUZZ_CHECK(reader.ReadValue(entry.section, entry.name, kNoValue) == entry.value);
        }
    }

    FUZZ_CHECK(IniReader(file.Absent()).ReadValue("", "", input) == cutDefault);
    const ScratchFile::State after = file.Snapshot();
    FUZZ_CHECK(after.inode == before.inode && after.size == before.size);
    FUZZ_CHECK(SameTime(after.modified, before.modified) && SameTime(after.changed, before.changed));
    FUZZ_CHECK(after.entries == 1);
    return 0;
}
