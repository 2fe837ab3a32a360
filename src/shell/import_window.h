// The main menu's import window (command 17, "Importacao de dados "): its own menu bar of the
// kinds of outside file the office takes into the declarations of a data folder, the folder
// dialog (source and destination, remembered in the terminal's settings), the candidate list
// where the operator marks the files to import, and the counters while they are imported. Each
// marked file goes through the import of one file (importing/import_plan.h); the entries whose
// readers this build does not carry are shown disabled.
#pragma once

#include <optional>
#include <string>

#include "shell/app.h"

namespace vorn::shell {

// Command 17: the window until the operator ends it ("&Terminar ", "&Fim ", Esc).
void import_window(App& app);

// SEL_ITEM: runs one menu entry by its option number and submenu number.
void SEL_ITEM(App& app, int option, int sub = 0);

// Whether the entry (option, submenu number) is carried by this build.
bool import_entry_enabled(int option, int sub = 0);

// The folder a folder field names: an absolute path as typed, "X:\..." under the root of drive
// X (drive_root). nullopt with the refusal when the field names neither.
std::optional<std::string> typed_folder(const App& app, const std::string& typed,
                                        std::string* refusal);

}  // namespace vorn::shell
