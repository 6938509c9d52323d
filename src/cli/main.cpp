#include <iostream>
#include <string>
#include <vector>

#include "cli/Talvenctl.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return talven::cli::RunTalvenctl(args, std::cout, std::cerr);
}
