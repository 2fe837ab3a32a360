// Screen 3 of an open declaration: exempt income (page 31) and income taxed exclusively at source
// (page 32). Most lines are totals of the income items and of other computations; the operator
// types the insurance capital, the three transport and refund lines of the exempt page and the
// loss to carry of Lei 14.754 on the exclusive page, each recomputing the totals at once.
#pragma once

#include <string_view>
#include <vector>

#include "base/operator.h"
#include "entry/layout.h"
#include "payments/interest.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// The typed fields of both pages and the columns they edit.
ScreenFields exempt_fields();

// A line of the exempt or the exclusive page: its label and the column whose amount it shows.
struct IncomeLine {
    std::string_view label, field;
};
// The amount lines of page 31 or 32 in their order, the page's total not among them.
std::vector<IncomeLine> income_page_lines(int item);

// GTELA(3): computes the open declaration, draws page `item` (31 exempt, 32 exclusive) in `area`
// (78 columns and 20 rows at least; less, or another item, is a programming error,
// std::logic_error) and reads its fields until a key ends the page: Tab and Shift+Tab end it too,
// for the next or previous page. What was computed and accepted is written back into the
// declaration's values and working tables, also after Esc. Ctrl+Enter on the loss to carry opens
// the list of the losses carried forward (list 13 of the item editor, over the terminal's work
// areas `w`), whose sum the line then takes.
ui::ReadResult exempt_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                             store::Declaration& d, ui::Rect area, int item,
                             const payments::InterestTable& selic);

}  // namespace vorn::entry
