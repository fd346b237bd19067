// Where the data file lies, whether it can be used, and reading it.
#include "directory/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "directory/directory.h"

namespace telvane {
namespace {

DataFileState StateOf(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return DataFileState::kDirectory;
    if (!S_ISREG(info.st_mode)) return DataFileState::kNotRegular;
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) return DataFileState::kTooLarge;
    return DataFileState::kUsable;
}

}  // namespace

std::string IniPathBeside(std::string_view programPath) {
    const std::size_t slash = programPath.rfind('/');
    std::string path(slash == std::string_view::npos ? std::string_view("/")
                                                     : programPath.substr(0, slash + 1));
    path += "tesmar.ini";
    return path;
}

std::string ResolveIniPath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) return {};
    return IniPathBeside(program.native());
}

DataFileCheck CheckDataFile(const std::string& path) {
    struct stat info {};
    if (path.empty()) return {DataFileState::kMissing, ENOENT};
    if (::stat(path.c_str(), &info) != 0) return {DataFileState::kMissing, errno};
    const DataFileState state = StateOf(info);
    if (state != DataFileState::kUsable) return {state, 0};
    if (::access(path.c_str(), R_OK) != 0) return {DataFileState::kUnreadable, errno};
    return {DataFileState::kUsable, 0};
}

std::string DescribeProblem(const DataFileCheck& check) {
    switch (check.state) {
        case DataFileState::kUsable:
            return {};
        case DataFileState::kDirectory:
            return "is a directory";
        case DataFileState::kNotRegular:
            return "is not a regular file";
        case DataFileState::kTooLarge:
            return "is larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB";
        case DataFileState::kMissing:
        case DataFileState::kUnreadable:
            break;
    }
    return std::strerror(check.error);
}

FileBytes ReadDataFile(const std::string& path) {
    if (!CheckDataFile(path).usable()) return {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    // Closed on every way out, a failed allocation included.
    const std::unique_ptr<const int, void (*)(const int*)> closer(&fd,
                                                                  [](const int* open) { ::close(*open); });
    FileBytes bytes;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || StateOf(info) != DataFileState::kUsable) return bytes;
    // Read one byte past the limit, so that a file that grew since fstat is still refused.
    std::size_t capacity = static_cast<std::size_t>(info.st_size) + 1;
    bytes.data = std::make_unique_for_overwrite<char[]>(capacity);
    while (true) {
        if (bytes.size == capacity) {
            if (capacity > kMaxFileBytes) return {};
            const std::size_t grown = std::min(capacity * 2, kMaxFileBytes + 1);
            auto larger = std::make_unique_for_overwrite<char[]>(grown);
            std::memcpy(larger.get(), bytes.data.get(), bytes.size);
            bytes.data = std::move(larger);
            capacity = grown;
        }
        const ssize_t got = ::read(fd, bytes.data.get() + bytes.size, capacity - bytes.size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {};
        if (got == 0) break;
        bytes.size += static_cast<std::size_t>(got);
    }
    return bytes;
}

}  // namespace telvane
