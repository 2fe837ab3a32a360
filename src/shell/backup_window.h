// The main menu's backup commands: the direct copy of one folder, of every folder of the list or
// of the government program's files (71), the compressed backup of every folder onto the backup
// drive (72) or of one folder (73), and their restores (74, 75, 76).
#pragma once

#include <string>

#include "maintenance/backup.h"
#include "shell/app.h"

namespace vorn::shell {

// Commands 71 to 76 with their arguments.
void backup_command(App& app, int code, int arg, int arg2);

// The folder a drive letter names on this machine: VORN_DRIVE_<letter> when set, else
// "/media/" + letter.
std::string drive_root(const App& app, char letter);

// The archiver the office chose with command 77: VORN_ARCHIVER32 when PROCESSA is "S", else
// VORN_ARCHIVER; 7z when the variable is not set.
maintenance::Archiver office_archiver(App& app);

}  // namespace vorn::shell
