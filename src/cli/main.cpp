#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/Talvenctl.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    talven::cli::ErrorStream errStream;
    errStream.terminal = ::isatty(STDERR_FILENO) == 1;
    winsize size{};
    if (errStream.terminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        errStream.width = size.ws_col - 1u;
    return talven::cli::RunTalvenctl(args, std::cout, std::cerr, errStream);
}
