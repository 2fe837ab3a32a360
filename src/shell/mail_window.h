// The main menu's e-mail (command 34).
#pragma once

#include "shell/app.h"

namespace vorn::shell {

// GERA_EMAIL: 1 the office's account ("Configura o Email"; a password is kept only when the office
// memorises it), 2 a message to a client ("Prepara o Email": the client, address, subject,
// attachment, pending findings and merged letter; sent on confirmation), 3 the prepared message
// sent, 4 one letter or the pending findings to every marked client of the data folder in one
// pass (a message each, the password asked once, the list of those sent and not sent at the
// end). Sending is over TLS only; a password not memorised is asked for each sending (or pass)
// and kept nowhere.
void GERA_EMAIL(App& app, int option);

}  // namespace vorn::shell
