// The list "Selic últimos 12 meses" (main menu, command 28,2): the latest months of the office's
// interest table UFIRM with their rates.
#pragma once

#include "store/workareas.h"
#include "ui/screen.h"

namespace vorn::entry {

// The table's last twelve months (month, year, rate), latest first, until Esc. The table is
// opened in its area (51) and closed at the end.
void selic_last_months(ui::Screen& screen, store::WorkAreas& w);

}  // namespace vorn::entry
