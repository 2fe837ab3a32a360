// Command 51 with "Cadastro" chosen: the questions of the client lists and labels (label paper,
// order, birthday months, statuses, taxes, summary or complete list) and the print through the
// terminal's channel.
#pragma once

#include <string>

#include "shell/app.h"

namespace vorn::shell {

// The lists or labels of the print selection's scope QUECON (1 the chooser's client `cpf`, 2 the
// marked clients, 3 the current folder, 4 every folder of the terminal's list).
void print_client_lists(App& app, int quecon, const std::string& cpf);

}  // namespace vorn::shell
