// The declaration chooser (DECLARA): the CPF or name entry with its keys (lists by name, CPF and
// status, recovery of the last declaration, details, folders, the rural filter, findings), the
// receipts read from transmitted declarations and the copy of the government files, the search
// through every folder, the questions about a declaration left open, and the opening of the
// chosen declaration for entry.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "payments/interest.h"
#include "shell/app.h"

namespace vorn::shell {

// Menu command 11: chooses declarations and opens them for entry until the operator goes back to
// the main menu. Command 12: chooses declarations found in the terminal's folders and runs the
// posting tool on each.
void DECLARA(App& app);

// For every declaration of the data folder delivered without its receipt: the receipts read from
// the government program's transmitted file, and (when the terminal keeps them) copies of the
// client's government files.
void update_receipts(App& app);

// The installation's SELIC rates (the late-payment correction of the monthly Carnê-Leão); an
// unreadable table is told to the operator and gives none.
payments::InterestTable selic_rates(App& app);

// The data folder's registry in its work area, opened there when it is not.
store::Table* folder_registry(App& app);
// A CPF as "999.999.999-99".
std::string masked_cpf(const std::string& cpf);

// The chooser's list of the data folder's declarations in an order (1 CPF, 2 name, 3 status),
// only those with rural activity when asked; the CPF chosen with Enter, none on Esc.
std::optional<std::string> choose_declaration(App& app, int order, bool rural_only);

// A declaration marked as open on another terminal (NUSUAT): the operator is warned that the
// last to save wins. True when there is no such mark or the operator goes on.
bool go_on_if_open_elsewhere(App& app, const std::string& nusuat);

// A declaration the operator marked in the registry's marking list.
struct MarkedDeclaration {
    std::string cpf;
    std::string nusuat;  // the terminal that has it open, if any
};
// The marking list of the data folder's registry: every mark (IMPRE) cleared first, then the
// operator marks rows with "S" in a list titled `title` whose mark column is headed `header`
// (only declarations with rural activity when asked). The marked ones in record order; none
// (told) when the marks could not be cleared or, with `rural_only`, no declaration has rural
// activity ("Não há registro para ser selecionado").
std::optional<std::vector<MarkedDeclaration>> mark_declarations(App& app, const std::string& title,
                                                                const std::string& header,
                                                                bool rural_only);

// The registry line of the chooser's lists, and the totals line under them.
struct ListTotals {
    int declarations = 0, delivered = 0, rural = 0, simplified = 0, complete = 0;
};
ListTotals list_totals(store::Table& registry);
std::string totals_line(const ListTotals& t);

}  // namespace vorn::shell
