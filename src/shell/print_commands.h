// The terminal's printer choice and print channel as the commands use them: ESC_IMP and CONFIMP
// over the printer record, the print place of PREP_IMP and IMP_TXT with the terminal's settings.
#pragma once

#include <optional>
#include <string>

#include "printing/channels.h"
#include "printing/print_file.h"
#include "shell/app.h"

namespace vorn::shell {

// ESC_IMP: the installed CUPS queues (lpstat), the choice window, the choice stored in the
// terminal's printer record. Returns true.
bool ESC_IMP(App& app);

// CONFIMP: the terminal's channel NOMEIMP (its printer record made when missing); modes 1 and 2
// show the choice first (command 45).
std::string CONFIMP(App& app, int mode);

// Where PREP_IMP writes for this terminal: LOCTRAB, NUSU, MOSCPF and the control strings SEQ0 and
// SEQ1 of its printer record (the standard characters when blank).
printing::PrintPlace print_place(App& app);

// IMP_TXT with the terminal's channel (MOSIMP, MOSTEL, QUECON, the commands of the environment):
// `name` names the copies (printing::copy_name).
printing::Sent send_print_file(App& app, const std::string& path, const std::string& name);

}  // namespace vorn::shell
