// vorn2026: the program's entry point. Dispatches batch commands; otherwise starts the terminal.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "shell/install.h"

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--version") == 0)) {
        std::cout << "VORN2026 2.03\n";
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "install") == 0)
        return vorn::shell::run_install(std::vector<std::string>(argv + 1, argv + argc));
    std::cerr << "vorn2026: the interactive program is not built yet\n";
    return 1;
}
