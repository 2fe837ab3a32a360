// Letters to clients on the terminal: the letter editor (command 53), the choice of a letter, and
// the personalised letter printed through the terminal's channel (print item 8, and the
// editor's own print).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "office/fees.h"
#include "office/letters.h"
#include "shell/app.h"

namespace vorn::shell {

// Command 53: a full-screen editor over a letter of the data folder, with its menu (open, new,
// save, save as, print, find, find again, the field menu, the page format).
void edit_letters(App& app);

// The office's fee rates (DEFINE) as the letters' cost fields use them.
office::FeeRates letter_rates(const App& app);

// Asks the name of a letter of the data folder and reads it. Nothing when the operator gave up,
// the name is refused or the letter does not exist (the operator is told).
std::optional<office::LetterFile> pick_letter(App& app);

// Who gets a letter: one CPF, else the marked clients or every client of the folders.
struct LetterAddressees {
    std::vector<std::string> folders;
    std::string cpf;
    bool marked_only = false;
};

// The letter merged with each client's registry record, printed into the terminal's print file
// and sent through its channel. A folder whose registry cannot be read is named to the operator
// and the others go on; nobody to print is told.
void print_letter(App& app, const office::Letter& letter, const LetterAddressees& to);

}  // namespace vorn::shell
