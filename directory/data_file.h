// Reading a data file whole, for the reader. Which files are read is decided by CheckDataFile
// (directory.h) and by the same rule again on the file once it is open.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace telvane {

// The bytes of a file, in memory left uninitialised until read into: filling it first would be one
// more pass over a file of many megabytes.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;

    std::string_view View() const { return {data.get(), size}; }
};

// The whole file at path, or nothing when CheckDataFile finds it unusable, either before it is opened
// or once it is open. It is opened without blocking, so that a FIFO or device swapped in after the
// check cannot hang us, and a file that grows past kMaxFileBytes while it is read is refused too.
FileBytes ReadDataFile(const std::string& path);

}  // namespace telvane
