// Screen 6 of an open declaration: the taxpayer's identification (rural activity, name, birth,
// spouse, amending declaration and receipts, bank account, race, residence, address, telephones,
// e-mail, occupation, NIT), every field with its picture and its validation, written into the
// declaration's values as each one is accepted.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "entry/layout.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "ui/field.h"
#include "ui/grid.h"
#include "ui/screen.h"

namespace vorn::entry {

struct Municipality {
    std::string name;  // as the table writes it ("São José dos Campos")
    std::string code;  // CODMUNI
};

// UF → name in upper case without accents (plain_name) → the municipality.
using Municipalities = std::map<std::string, std::map<std::string, Municipality>>;

// Upper case without accents: how names typed on a screen are matched with the tables'.
std::string plain_name(std::string_view text);

// The reference tables the screen looks things up in, read once.
struct IdentificationTables {
    std::map<std::string, std::string> banks;        // NUMBAN → name
    std::map<std::string, std::string> natures;      // CODAT → DESCRAT
    std::map<std::string, std::string> occupations;  // CDPRO → OCUPACAO
    // Names in upper case without accents.
    std::map<std::string, std::string> street_kinds;  // NOMELOGRA → as written
    std::map<std::string, std::string> countries;     // CODPAIS → name
    Municipalities municipalities;
};
IdentificationTables read_identification_tables(store::WorkAreas& w);

// The municipalities of the state `uf` a typed name stands for, whatever its accents and case:
// the one of exactly that name, or else every one whose name begins with it, in name order.
std::vector<const Municipality*> find_municipalities(const IdentificationTables& t,
                                                     std::string_view uf, std::string_view typed);
std::vector<const Municipality*> find_municipalities(const Municipalities& all, std::string_view uf,
                                                     std::string_view typed);

// Several municipalities found for a name: the operator chooses one from their list (nullptr
// after Esc).
const Municipality* choose_municipality(ui::Screen& s, Operator& op,
                                        const std::vector<const Municipality*>& found,
                                        std::string_view uf);

// The screen's fields and the columns they edit.
ScreenFields identification_fields();

// The states of the address in Brazil.
bool is_state(std::string_view uf);
// "42 anos e 3 meses" on `today` for a birth date; empty for the blank date.
std::string age_text(Date birth, Date today);

// GTELA(6): draws the screen in `area` and reads its fields; the read's result (the key that ended
// it). Values accepted before Esc are kept, and each is written into the working set as it is
// accepted.
ui::ReadResult identification_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                                     store::Declaration& d, ui::Rect area);

}  // namespace vorn::entry
