// Installation: puts the reference tables delivered with the program (built into the folder "ref"
// beside the executable) into an installation directory, first time or over an existing one,
// without touching CONFIG, DEFINE, the terminal tables, the data folders or anything else there.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"
#include "base/status.h"
#include "store/env.h"

namespace vorn::shell {

// The default installation directory: $XDG_DATA_HOME/vorn2026, or ~/.local/share/vorn2026.
std::string default_install_dir();

// The folder holding the built reference tables: "ref" beside the running executable.
std::string reference_source_dir();

// Installs every delivered table from `source` into the existing directory `target`.
// - Tables the office keeps itself (UFIRM, CONTAS) that already exist keep all their rows; rows
//   of the delivered table whose key they lack are added. Every other delivered table is
//   replaced by the delivered file.
// - Each new file is written beside its final name and renamed over it. A table's index files
//   are removed before the table is replaced and the delivered ones put in after, so an index
//   never describes another version of its table: a table left without index by a failure is
//   indexed again at its next opening. HELPTXT goes without its DBF while its memo file is
//   replaced, so its help is either whole or absent, never mixed.
// - Nothing is changed when a delivered file is missing from `source` or a table to replace is
//   open on some terminal (Code::kLocked naming the table).
// `report` receives one line per table, for the operator.
[[nodiscard]] Status install_reference_tables(store::Env& env, const std::string& source,
                                              const std::string& target, const Clock* clock,
                                              std::vector<std::string>* report);

// The command line `vorn2026 install [DIR]` (args[0] is "install"): creates DIR (default:
// default_install_dir()) and installs into it. Returns the process exit status: 0 done,
// 1 failed (message on standard error), 2 wrong use.
int run_install(const std::vector<std::string>& args);

}  // namespace vorn::shell
