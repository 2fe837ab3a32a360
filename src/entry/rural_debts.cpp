// The debts of the rural activity in Brazil or abroad: list 33 of the item editor. Their values
// at the start and end of the year give the debts paid or the new loans of the balance.
#include "entry/rural_screens.h"

namespace vorn::entry {

ui::Key rural_debts_screen(RuralPlace& r) {
    EditaOptions o;
    o.owner = r.abroad ? kAbroad : kBrazil;
    return EDITA(r.place, kRuralDebtsList, o);
}

}  // namespace vorn::entry
