// The on-line check of the maker's status page (INTER): the SELIC rates of the last twelve months
// stored in the office's interest table, and a newer release offered for download (BAIXARQ). At
// start-up (mode 0, silent when nothing is new or nothing could be read) and from the main menu's
// "Ver Atualização" (35, mode 1, which reports every outcome).
#pragma once

#include "shell/app.h"

namespace vorn::shell {

// True when a new release's installer was started: the program then ends for the installation.
bool INTER(App& app, int mode);

// Command 35: the check in mode 1, then whether to keep checking at start-up (DEFINE.VER_ATUAL).
void check_for_update(App& app);

}  // namespace vorn::shell
