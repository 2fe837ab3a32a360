// Screen 7 of an open declaration: the tax summary, complete (four boxes of numbered lines) or
// simplified (one column of lines and the simulation panel), computed on opening and again as each
// value is typed (the option, the complementary tax, the tax paid abroad, the tax under Lei
// 11.033, the quotas, the simulator); Ctrl+S switches the option.
#pragma once

#include <string>

#include "base/operator.h"
#include "entry/layout.h"
#include "payments/interest.h"
#include "store/declaration.h"
#include "ui/field.h"
#include "ui/grid.h"
#include "ui/screen.h"

namespace vorn::entry {

// The fields of both forms and the columns they edit.
ScreenFields summary_fields();

// GTELA(7): computes the open declaration, draws the summary of its option in `area` (22 rows at
// least; fewer is a programming error, std::logic_error) and reads its fields until a key ends
// the screen (the read's result). What was computed and accepted is written back into the
// declaration's values and working tables, also after Esc.
ui::ReadResult summary_screen(ui::Screen& screen, Operator& op, store::Declaration& d,
                              ui::Rect area, const payments::InterestTable& selic);

}  // namespace vorn::entry
