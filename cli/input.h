// Queries from standard input, a line each, answered as they come.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace telvane::cli {

// A query line longer than this is cut to it, never inside a UTF-8 character: no number, code or
// region name comes near.
inline constexpr std::size_t kMaxQueryBytes = 4096;

enum class InputEnd { kEnd, kStopped, kReadError };

// Calls onLine for each line of the file fd, without its line end (LF or CR LF), cut to
// kMaxQueryBytes; a UTF-8 byte-order mark before the first line is dropped. Before waiting for more
// input, when none is waiting, calls onIdle, so that what was answered so far can be written out.
// Either callback stops the reading by returning false (kStopped); kReadError leaves errno set.
InputEnd ForEachInputLine(int fd, const std::function<bool(std::string_view line)>& onLine,
                          const std::function<bool()>& onIdle);

}  // namespace telvane::cli
