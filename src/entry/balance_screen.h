// Screen 10 of an open declaration: the balance of the year's receipts and expenses, the cash
// surplus or deficit with its share of the receipts and the monthly averages, and the values the
// office types for it (other receipts and expenses, the previous year's tax, the cost of keeping
// the assets, losses on sales, the alert threshold, the fee to charge).
#pragma once

#include <optional>

#include "base/operator.h"
#include "entry/layout.h"
#include "payments/interest.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "tax/folder.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// The fields of the balance and the columns they edit.
ScreenFields balance_fields();

// GTELA(10): computes the open declaration, draws the balance in `area` (21 rows at least; fewer
// is a programming error, std::logic_error) and reads its fields, repainting the balance after
// each, until a key ends the screen. What was typed is written back into the declaration.
// Ctrl+Enter on the cost of keeping the assets (DESPNAO) opens the list of the assets' monthly
// expenses (list 15 of the item editor, over the terminal's work areas `w`); the cost becomes
// twelve times their sum. With `last_year` (the client's result of the previous year in the
// office's history), its closing assets and debts stand beside this declaration's at the end of
// that year, in the attention colour where they differ.
ui::ReadResult balance_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                              store::Declaration& d, ui::Rect area,
                              const payments::InterestTable& selic,
                              const std::optional<tax::PastResult>& last_year = std::nullopt);

}  // namespace vorn::entry
