// The interactive program on a Screen, whatever back end shows it: main() chooses the terminal or
// the headless key script and hands the screen here. Start-up, the menus and their commands grow
// from this function.
#pragma once

#include <string>

#include "ui/screen.h"

namespace vorn::shell {

inline constexpr const char* VERSAO = "2.03";
inline constexpr const char* DVERATUAL = "31/03/26";

struct ProgramArgs {
    std::string terminal;  // the terminal number given on the command line ("" when none)
};

// Runs the program until the operator ends it; returns the process exit status.
int run_program(ui::Screen& screen, const ProgramArgs& args);

}  // namespace vorn::shell
