// The bank accounts of the digital rural cash book: list 35 of the item editor. Code 0 (cash) and
// 999 (other means) stand for no bank and are not written into the book.
#include "entry/rural_screens.h"

namespace vorn::entry {

ui::Key rural_banks_screen(RuralPlace& r) {
    EditaOptions o;
    o.owner = kBrazil;
    return EDITA(r.place, kBanksList, o);
}

}  // namespace vorn::entry
