// The directory data file: where it lies, how it is read, and how its province list and its
// entry values are cut.
//
// Every text here is a GBK byte string. Lengths, positions and comparisons count bytes; letter-case
// folding touches ASCII letters only, never the second byte of a double-byte character.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

// Longest value ReadValue gives, in bytes; a longer value is cut to its first kMaxValueBytes bytes.
inline constexpr std::size_t kMaxValueBytes = 2047;
// Budget of one ListKeys result: one byte per name byte, one terminator per name and one at the end.
inline constexpr std::size_t kKeyListBytes = 16384;
// A data file larger than this reads as unreadable (empty).
inline constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

// The full path of "tesmar.ini" beside the running program file (found through /proc/self/exe, so a
// link to the program still finds the file beside the real program). Independent of the working
// directory. Empty when the program file cannot be found.
std::string ResolveIniPath();

// "tesmar.ini" in the directory of programPath: the directory text, a '/' unless it already ends in
// one, then the file name. A path without any '/' gives "/tesmar.ini".
std::string IniPathBeside(std::string_view programPath);

// What stands at a data file's path, as the reader sees it.
enum class DataFileState {
    kUsable,      // a regular file of at most kMaxFileBytes that this process may read
    kMissing,     // nothing (an empty path, a dangling link, a link loop, a folder that is not there)
    kDirectory,   // a directory of that name
    kNotRegular,  // a FIFO, device or socket
    kTooLarge,    // a regular file larger than kMaxFileBytes
    kUnreadable,  // a regular file this process may not read
};

struct DataFileCheck {
    DataFileState state = DataFileState::kMissing;
    int error = 0;  // the errno behind kMissing and kUnreadable

    bool usable() const { return state == DataFileState::kUsable; }
    // True when a regular file stands there (links followed), whether or not it can be read.
    bool IsFile() const {
        return state == DataFileState::kUsable || state == DataFileState::kTooLarge ||
               state == DataFileState::kUnreadable;
    }
};

// Whether the data file at path can be used. Only a usable file is ever opened by the reader; anything
// else reads as an empty file. Looks at the file without opening it, so a FIFO never blocks.
DataFileCheck CheckDataFile(const std::string& path);

// Why a checked file cannot be used, to follow its path in a message ("is a directory", "is larger than
// 64 MiB", "No such file or directory"); empty for a usable file.
std::string DescribeProblem(const DataFileCheck& check);

// A read-only view of an INI file, as the Windows private-profile functions read it:
// - lines end at CR LF, LF or a lone CR; blank lines are ignored;
// - a line whose first non-blank byte is '[' opens a section named up to the first ']' (or the end of
//   the line), blanks (space, tab, vertical tab) trimmed; lines before the first section are unread;
// - a line whose first non-blank byte is ';' is a comment;
// - other lines are keys, split at their first '='; name and value are trimmed, then one pair of
//   matching outer quotes (" or ') is removed from a value of two bytes or more; a line without '='
//   is no key;
// - section and key names match regardless of ASCII letter case; only the first section of a name is
//   seen; within it the first key of a name gives the value;
// - a file starting with a UTF-16 or UTF-8 byte-order mark is converted to GBK, characters GBK cannot
//   hold becoming '?'. NUL bytes are ordinary bytes.
//
// Constructing a reader touches no file. The file is read and parsed once, at the first ReadValue or
// ListKeys; every later call answers from that reading. Only a file that CheckDataFile finds usable
// is read, opened without blocking; anything else, and any read error, reads as an empty file. The
// reader never writes or creates anything.
class IniReader {
public:
    explicit IniReader(std::string path);
    ~IniReader();
    IniReader(const IniReader&) = delete;
    IniReader& operator=(const IniReader&) = delete;

    // The value of key in section, at most kMaxValueBytes long; defaultText (cut to the same length)
    // when the file, the section or the key is missing. Spaces (only) around section are ignored.
    std::string ReadValue(std::string_view section, std::string_view key, std::string_view defaultText);

    // Empties keys, then appends the key names of section in file order, every occurrence of a
    // repeated name included, as long as the names fit kKeyListBytes; the first name that does not
    // fit whole ends the list. Stays empty when the file or the section is missing.
    void ListKeys(std::string_view section, std::vector<std::string>& keys);

    // Calls onEntry for each name ListKeys would list, in the same order, with the value ReadValue
    // gives for that name (the first key of the name), without copying either. The views are valid
    // while the reader lives.
    void ForEachEntry(std::string_view section,
                      const std::function<void(std::string_view name, std::string_view value)>& onEntry);

    // No fewer than the names ListKeys lists for section, found without parsing its keys: the lines
    // of the section, no more than a key list can hold.
    std::size_t EntryBound(std::string_view section);

private:
    struct Parsed;
    Parsed& Load();

    std::string path_;
    std::unique_ptr<Parsed> parsed_;
};

// Where the province list stands: this key of this section.
inline constexpr std::string_view kProvinceListSection = "lei";
inline constexpr std::string_view kProvinceListKey = "sel";

// The province names of a province list: every run of bytes that a comma ends, in order. Nothing is
// trimmed; empty and repeated names stay; the bytes after the last comma are dropped, so a text
// without a comma gives no names.
std::vector<std::string> ParseProvinceList(std::string_view list);

// The provinces of the data file reader reads: its province list, parsed.
std::vector<std::string> ReadProvinceList(IniReader& reader);

struct EntryValue {
    std::string areaCode;
    std::string postcode;
};

// Splits an entry value at its first '-': the bytes before it are the area code, the bytes after it
// (further hyphens included) the postcode. Without a hyphen the area code is empty and the postcode
// is the whole value. Nothing is trimmed or checked.
EntryValue SplitEntryValue(std::string_view value);

// SplitEntryValue without copying: views into value.
struct EntryView {
    std::string_view areaCode;
    std::string_view postcode;
};
EntryView SplitEntryView(std::string_view value);

}  // namespace telvane
