// Screen 5, item 57, of an open declaration: the final declaration of an estate. Whether it is
// one, the year of death, goods still to inventory, the over-partition, the inventory holder,
// the surviving spouse's share and a second death; the partition by a court (process, court,
// district, state, partition and final-decision dates) or by deed (notary, CNPJ, city, book,
// sheet, deed date), and the same for the over-partition. Its dates lie in the calendar year.
#pragma once

#include "base/operator.h"
#include "entry/layout.h"
#include "store/declaration.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// The screen's fields and the columns they edit.
ScreenFields estate_fields();

// GTELA(5) with item 57: an exit declaration is told and the screen not read. Marking the
// declaration final clears the occupation, e-mail and voter card and forces the complete option
// and at most one quota; unmarking it is confirmed. Leaving without
// the date the computation needs warns.
ui::ReadResult estate_screen(ui::Screen& screen, Operator& op, store::Declaration& d,
                             ui::Rect area);

}  // namespace vorn::entry
