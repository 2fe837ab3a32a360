// The DARF window of the print menu ("Darfes"): the kinds of DARF to choose, the dialogue of a
// kind (quotas or months, holder, the values with their dates to confirm) and the DARFs printed
// through the terminal's channel, written as text files, or filled into the Sicalc page.
#pragma once

#include <string>

#include "shell/app.h"

namespace vorn::shell {

// PREP_DARF: the window "Impressão de Darfes" for the chooser's client `cpf` (QUECON 1), or, with
// `cpf` empty, for the marked declarations (QUECON 2), the whole data folder (3) or every folder
// of the terminal's list (4). Each declaration is read and computed as the calc command does.
void PREP_DARF(App& app, const std::string& cpf);

}  // namespace vorn::shell
