// Screen 5, item 58, of an open declaration: the declaration of definitive exit from the
// country. Whether it is one, the attorney who answers for the taxpayer (CPF, name and address),
// the exit date and the date the taxpayer had become resident, both within the calendar year,
// the second not after the first: the computation counts the months between them.
#pragma once

#include "base/operator.h"
#include "entry/layout.h"
#include "store/declaration.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// The screen's fields and the columns they edit.
ScreenFields exit_fields();

// GTELA(5) with item 58: a final declaration of an estate is told and the screen not read.
// Marking the exit forces the complete option and one quota; unmarking it clears its dates. Leaving
// an exit without its date warns.
ui::ReadResult exit_screen(ui::Screen& screen, Operator& op, store::Declaration& d, ui::Rect area);

}  // namespace vorn::entry
