// The main menu's collection slips (command 33).
#pragma once

#include "shell/app.h"

namespace vorn::shell {

// BOLETO: 1 the office's bank data ("Configura o Boleto para o Itaú"), 2 one slip ("Prepara
// Boleto", one after another while "Outro boleto ? " is answered yes), 3 a slip for each client
// marked with a fee, 4 the registered slips (due date and amount corrected, a slip removed), 5 the
// bank's remittance file of every registered slip, BOLETO emptied after it.
void BOLETO(App& app, int option);

}  // namespace vorn::shell
