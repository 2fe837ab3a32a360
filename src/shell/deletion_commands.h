// The main menu's deletion commands over the selected data folder: one declaration (16,1,2), the
// marked ones (16,1,1), the rural activity of the marked ones (16,2,1), and the recovery of the
// declarations deleted (16,3).
#pragma once

#include "shell/app.h"

namespace vorn::shell {

// Command 16 with its two arguments.
void EXCLUI(App& app, int arg, int arg2);

}  // namespace vorn::shell
