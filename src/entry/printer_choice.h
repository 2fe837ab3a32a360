// The printer choice window "   Seleção da impressora" and the pause of a running print.
#pragma once

#include <string>
#include <vector>

#include "ui/screen.h"

namespace vorn::entry {

// The list offered: the installed printers, then "NAO DOS" and "Sem Impressora".
std::vector<std::string> printer_entries(const std::vector<std::string>& printers);

// The entry preselected: the one equal to `current`, else the third (the last when there are
// fewer).
size_t preselected_entry(const std::vector<std::string>& entries, const std::string& current);

// The choice (ESC_IMP's window): with no installed printer the operator is first told "Não há
// impressora Instalada !!"; the list shows at most 15 rows, 33 columns wide, the current choice
// preselected; Enter takes an entry and Esc opens the list again (a choice is needed).
std::string printer_choice(ui::Screen& s, const std::vector<std::string>& printers,
                           const std::string& current);

// PAREIMP, between the lines of a long report: a key typed other than Esc waits for the next key;
// Esc asks "Abandona a impressão ?" and returns true for "S".
bool PAREIMP(ui::Screen& s);

}  // namespace vorn::entry
