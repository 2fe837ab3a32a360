// The main menu's hand-over commands: one declaration (61), the marked ones (62), all of the data
// folder (63), the rebuilding of the government program's list (68), and the hand-over on closing
// a declaration when the terminal is set to it.
#pragma once

#include <string>

#include "shell/app.h"

namespace vorn::shell {

// Command 61 before the chooser: false (the operator told) when no government folder is set;
// otherwise the warning about the government program being open, and true.
bool may_send_one(App& app);

// Hands the declaration of `cpf` of the data folder over, reporting to the operator; `automatic`
// reports on the status line only (the hand-over on closing). True when it was handed over.
bool send_declaration(App& app, const std::string& cpf, bool automatic);

// Commands 62 (after the marking list, the marked declarations) and 63 (every declaration of the
// data folder), one after the other; Esc between two asks whether to give the rest up. The
// declarations that were not handed over are listed at the end.
void send_declarations(App& app, bool marked_only);

// Command 68: rebuilds the government program's list of declarations after a confirmation and
// reports what it found.
void rebuild_declaration_list(App& app);

// Whether the terminal hands a declaration over when it is closed: always (OPTTRAN 1), or only
// with the chosen status (OPTTRAN 2 and ESTATUS = SOESTE).
bool sends_on_closing(const Session& s, long status);

}  // namespace vorn::shell
