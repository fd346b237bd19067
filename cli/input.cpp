#include "input.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "cli/text.h"

namespace telvane::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Bytes kept of a line beyond the limit, so that a character that straddles it can be dropped whole.
constexpr std::size_t kKeptBytes = kMaxQueryBytes + 3;

// True unless fd is known to have nothing to read now. A regular file always has.
bool InputWaiting(int fd) {
    pollfd watch{fd, POLLIN, 0};
    while (true) {
        const int ready = ::poll(&watch, 1, 0);
        if (ready < 0 && errno == EINTR) continue;
        return ready != 0;
    }
}

}  // namespace

InputEnd ForEachInputLine(int fd, const std::function<bool(std::string_view line)>& onLine,
                          const std::function<bool()>& onIdle) {
    std::vector<char> chunk(std::size_t{1} << 18);
    std::string carried;  // the start of a line that runs on past a chunk
    bool first = true;
    auto deliver = [&](std::string_view line) {
        if (first) {
            if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
            first = false;
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return onLine(CutUtf8(line, kMaxQueryBytes));
    };
    auto carry = [&](std::string_view part) {
        carried.append(part.substr(0, kKeptBytes - std::min(kKeptBytes, carried.size())));
    };
    while (true) {
        if (!InputWaiting(fd) && !onIdle()) return InputEnd::kStopped;
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return InputEnd::kReadError;
        if (got == 0) break;
        std::string_view data(chunk.data(), static_cast<std::size_t>(got));
        while (!data.empty()) {
            const std::size_t end = data.find('\n');
            const std::string_view part = data.substr(0, end);
            if (end == std::string_view::npos) {
                carry(part);
                break;
            }
            bool more = true;
            if (carried.empty()) {
                more = deliver(part.substr(0, kKeptBytes));
            } else {
                carry(part);
                more = deliver(carried);
                carried.clear();
            }
            if (!more) return InputEnd::kStopped;
            data.remove_prefix(end + 1);
        }
    }
    if (!carried.empty() && !deliver(carried)) return InputEnd::kStopped;
    return InputEnd::kEnd;
}

}  // namespace telvane::cli
