// The import window's "Comprovante" submenu: income statements from a payroll file staged in
// FOLHAPG, completed one by one or as a group, and transferred into the declarations of the data
// folder (importing/payroll.h does the reading and the writing).
#pragma once

#include "shell/app.h"

namespace vorn::shell {

// CONVFOLHA: entry 1 imports "folha.txt", 2 edits one statement, 3 edits the staged statements
// in a list, 4 transfers them.
void CONVFOLHA(App& app, int entry);

}  // namespace vorn::shell
