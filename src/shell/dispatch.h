// The main menu's dispatcher (MENUSELECT) and the commands it carries out itself: updating the
// data base, the saving interval, the screen settings, the cents and mobile/e-mail marks, the
// auxiliary lists of banks, payers and payees, the municipality codes, the print selection, the
// transfer options, the government program's folder and the archiver's processor.
#pragma once

#include "shell/app.h"

namespace vorn::shell {

// Runs main-menu command `code` with its arguments. Nothing runs while a declaration is open, nor
// a command this build does not carry out (its menu item is disabled).
void MENUSELECT(App& app, int code, int arg = 0, int arg2 = 0);

// The folder-list dialog "Pastas" (command 15 and F7 of the chooser): the terminal's folders,
// editable, and the choice of the data folder.
void folders_dialog(App& app);

// Command 19: upgrades tables 1, 2 and 9 of every folder of the list, removes entries whose folder
// is gone and this terminal's working tables.
void update_data_base(App& app);

}  // namespace vorn::shell
