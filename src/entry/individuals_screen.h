// Screen 2 of an open declaration: income from individuals and from abroad month by month with
// the Carnê-Leão, for the holder (item 21) or a chosen dependant (item 22). The person's monthly
// record is a grid of thirteen rows (the months and the total) by seven columns; how it is filled
// depends on the declaration's fill mode: rebuilt from the person's income items (modes 1 and 3)
// or typed month by month (modes 2 and 4, the latter deriving the income from a Carnê-Leão paid).
#pragma once

#include <string>
#include <string_view>

#include "base/operator.h"
#include "payments/interest.h"
#include "store/declaration.h"
#include "tax/declaration.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// Where an income type is checked: the type of screen 2 (the declaration's TIPO_PF), or the type
// column of an individual payer's income item, which may stay blank.
struct IncomeTypeUse {
    bool item = false;
    int mode = 1;  // the fill mode, for the screen's check
    // The screen: the holder's occupation nature and code (registry CODAT, CDPRO).
    std::string nature;
    std::string occupation;
    // The item: the payer's and the beneficiary's CPF.
    std::string payer_cpf, beneficiary_cpf;
};

// CHECK_LETRA: "T", "O" or "A" (an item also blank); anything else is told and refused. An
// accepted type that is unusual where it stands is warned about and kept.
bool CHECK_LETRA(Operator& op, std::string_view letter, const IncomeTypeUse& use);

// The columns of the grid whose picture is widened when a value would not fit: the narrowest of
// "@Ez 99,999,999.99", "@Ez 999,999,999.99" and "@Ez 999,999,999,999.99", not narrower than
// `narrowest`, that shows `largest` whole.
std::string grid_picture(std::string_view narrowest, Decimal largest);

// GTELA(2): item 21 the holder, 22 a dependant chosen from a list (no choice leaves at once with
// Esc). Computes the person's grid, draws the screen in `area` (78 columns and 21 rows at least;
// less, or another item, is a programming error, std::logic_error) and edits the grid until a
// key ends it (Esc, Tab, Shift+Tab or a bound jump key: the result's last key). Each accepted cell
// is stored at once and the Carnê-Leão recomputed; what changed goes back into the declaration's
// values and working tables, also after Esc.
ui::ReadResult individuals_screen(ui::Screen& screen, Operator& op, store::Declaration& d,
                                  ui::Rect area, int item, const payments::InterestTable& selic);

}  // namespace vorn::entry
