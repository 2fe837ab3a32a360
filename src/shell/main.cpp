// vorn2026: the program's entry point. Dispatches batch commands; otherwise starts the terminal.
#include <cstring>
#include <iostream>
#include <string>

#include "shell/commands.h"

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--version") == 0)) {
        std::cout << "VORN2026 2.03\n";
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "calc") == 0)
        return vorn::run_calc_command(argc - 1, argv + 1);
    std::cerr << "vorn2026: the interactive program is not built yet\n";
    return 1;
}
