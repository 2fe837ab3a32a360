// The instalments of a capital gain sold on credit: month by month the day and amount received,
// the brokerage paid, and what the kind of sale needs beside them (the amount reinvested in
// another home, the tax withheld on shares, dollars and their rate abroad), typed into the gain's
// monthly fields. Its computation follows when the gain window takes the months back.
#pragma once

#include "base/operator.h"
#include "store/record.h"
#include "ui/screen.h"

namespace vorn::entry {

// The months of `gain` in a window: Tab or Ctrl+Enter keeps what was typed in `gain` (true), Esc
// gives it up (false, `gain` as it was). A negative amount and a day outside its month are refused.
// The screen's hot keys rest meanwhile.
bool instalments_window(ui::Screen& s, Operator& op, store::Record& gain);

}  // namespace vorn::entry
