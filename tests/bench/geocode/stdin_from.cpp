// Runs a command with its standard input read from a file, without a shell: hyperfine -N can then
// time each whole process of the geocoding benchmark with nothing to subtract, where a shell's
// start-up, larger than the fastest of them, would have to be estimated and taken off.
//
//   stdin_from FILE COMMAND [ARGUMENT...]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: stdin_from FILE COMMAND [ARGUMENT...]\n", stderr);
        return 2;
    }
    const int input = open(argv[1], O_RDONLY);
    if (input < 0 || dup2(input, STDIN_FILENO) < 0) {
        std::perror(argv[1]);
        return 2;
    }
    if (input != STDIN_FILENO) close(input);
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    return 127;
}
