// The main menu's maintenance utilities: the consistency check of a chosen declaration (13), the
// rebuild of every index (29) and the change of a CPF (30); and the check of the open declaration
// that precedes its notices (62 in the declaration).
#pragma once

#include <functional>
#include <string>

#include "shell/app.h"
#include "store/declaration.h"

namespace vorn::shell {

// Command 13: a declaration chosen from the list is checked and its findings stored in the data
// folder's notes table; the verdict is told.
void check_declaration(App& app);

// The check run before a declaration is printed or handed over: its findings stored in the data
// folder's notes table without a word (a failure to store them is told).
void check_silently(App& app, const std::string& cpf);
// The same for the declarations of a run over many (folder, CPF), reading what the check needs
// once; after a failure, told once, it checks no further.
std::function<void(const std::string& folder, const std::string& cpf)> silent_checks(App& app);

// The check of the declaration open for entry: its findings replace the earlier ones in its
// working notes, and the verdict is told as the check tells it (where 2).
void check_open_declaration(App& app, store::Declaration& d);

// Command 29: rebuilds every index after the notice; refused while another terminal runs.
void rebuild_indexes(App& app);

// Command 30: the "Muda CPF" window, one change after another until Esc.
void change_cpf(App& app);

// Command 20 (but 20,1): the history of earlier years read from the government program's
// transmitted declarations (0, 2, 3, 4: the year of the menu's caption; 5: the last five years),
// or browsed (6).
void history_command(App& app, int arg);

// Command 31: copies a part of one declaration of the folder into another.
void copy_declaration_part(App& app, int part);

// Command 32: exports of the data folder: a whole table as delimited text into the working folder
// (kinds 1 to 7, how 1), the assets of chosen or all taxpayers as text (1,2) or XML (1,3) files.
void export_files(App& app, int kind, int how);

}  // namespace vorn::shell
