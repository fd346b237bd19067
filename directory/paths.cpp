#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "directory.h"

namespace telvane {

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

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace telvane
