// The posting tool (LANCAMEN, menu command 12): amounts a client's office types during the year
// against the chart of accounts, written to the client's postings (table 13) as each is
// confirmed, and their transfer into the declaration, which is held open on this terminal
// meanwhile and saved with the postings it received.
#pragma once

#include <string>

#include "shell/app.h"

namespace vorn::shell {

// Runs the tool on the declaration `cpf` of the current data folder, whose registry record names
// `nusuat` as the terminal that has it open (blank when none). A declaration open on another
// terminal is refused, naming that terminal.
void LANCAMEN(App& app, const std::string& cpf, const std::string& nusuat);

}  // namespace vorn::shell
