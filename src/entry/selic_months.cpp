// "Selic últimos 12 meses": the latest rates of UFIRM.
#include "entry/selic_months.h"

#include <vector>

#include "entry/selic_register.h"
#include "store/opening.h"
#include "ui/browse.h"
#include "ui/desktop.h"

namespace vorn::entry {

void selic_last_months(ui::Screen& screen, store::WorkAreas& w) {
    if (!store::ABERTURA(w, 51)) return;
    const payments::InterestTable held = selic_of(*w.table(51));
    w.close(51);
    std::vector<std::vector<ui::Value>> rows;
    const auto& rates = held.rates();
    for (auto it = rates.rbegin(); it != rates.rend() && rows.size() < 12; ++it)
        rows.push_back({ui::Value(Decimal(it->first % 100)), ui::Value(Decimal(it->first / 100)),
                        ui::Value(it->second)});
    ui::ArraySource src(rows);
    auto dlg = ui::LDLGSHOW(screen, 4, 25, 20, 54, "Selic últimos 12 meses");
    ui::Browser b(
        screen, src,
        {ui::array_column(src, 0, "Mês", "99", 5), ui::array_column(src, 1, "Ano", "9999", 6),
         ui::array_column(src, 2, "Taxa %", "@E 999.99", 8)},
        ui::BrowseOptions(ui::Rect{6, 27, 18, 52}));
    b.run();
    ui::LDLGCLOSE(screen);
}

}  // namespace vorn::entry
