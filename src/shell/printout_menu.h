// Command 51 "Imprime os itens selecionados": the declaration printout of the print selection
// (QUEIMP 1 or 2, the pages QUEPAG) for the chooser's client, the marked clients, the folder or
// every folder of the terminal's list (QUECON), sent through the terminal's channel.
#pragma once

#include <string>

#include "shell/app.h"

namespace vorn::shell {

// Command 51 from the main menu: scope 1 goes through the chooser (which calls print_client),
// the others print at once.
void print_selected(App& app);

// The printout of one client of the current data folder (the chooser's choice).
void print_client(App& app, const std::string& cpf);

}  // namespace vorn::shell
