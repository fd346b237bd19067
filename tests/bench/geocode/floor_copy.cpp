// The floor of the batch-geocoding benchmark: a process that reads the numbers and writes the
// geocoded table with nothing in between. It reads standard input to its end and drops it, then
// copies the file PREPARED (telvane-lookup's own output for the same input, made beforehand) to
// standard output. Both go through read(2) and write(2) in 64 KiB blocks, in one static buffer.
//
//   floor_copy PREPARED < numbers > table
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

namespace {

char block[std::size_t{1} << 16];

// Reads a block, retrying after a signal; returns the count read, 0 at the end, -1 on an error.
ssize_t ReadBlock(int fd) {
    ssize_t got;
    do got = read(fd, block, sizeof block);
    while (got < 0 && errno == EINTR);
    return got;
}

bool WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = write(STDOUT_FILENO, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: floor_copy PREPARED < input > output\n", stderr);
        return 2;
    }
    ssize_t got;
    while ((got = ReadBlock(STDIN_FILENO)) > 0) {
    }
    if (got < 0) {
        std::perror("floor_copy: standard input");
        return 2;
    }
    const int prepared = open(argv[1], O_RDONLY | O_CLOEXEC);
    if (prepared < 0) {
        std::perror(argv[1]);
        return 2;
    }
    while ((got = ReadBlock(prepared)) > 0) {
        if (!WriteAll(block, static_cast<std::size_t>(got))) {
            std::perror("floor_copy: standard output");
            return 2;
        }
    }
    if (got < 0) std::perror(argv[1]);
    close(prepared);
    return got < 0 ? 2 : 0;
}
