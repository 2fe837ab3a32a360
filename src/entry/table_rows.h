// A table as the rows of the grid browser, walked through its own navigation; a pick list over
// rows in memory; and a reference table read from start to end.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/dbf.h"
#include "store/workareas.h"
#include "ui/browse.h"

namespace vorn::entry {

// A table walked by the grid browser through its own navigation (order, filter, deleted records
// hidden).
class TableSource final : public ui::RowSource {
  public:
    explicit TableSource(store::Table& t) : t_(t) {}
    void go_top() override;
    void go_bottom() override;
    long skip(long count) override;
    bool empty() override;
    store::Table& table() { return t_; }

  private:
    store::Table& t_;
};

// A pick list: `rows` (a text per column) in a framed window titled `title` over `frame`, one
// column per (header, width); the row chosen with Enter, or none for Esc.
std::optional<size_t> pick_row(ui::Screen& screen, ui::Rect frame, const std::string& title,
                               std::vector<std::vector<ui::Value>>& rows,
                               const std::vector<std::pair<std::string, int>>& columns);

// Opens reference table `area`, gives each of its records in record order to `row` and closes
// it; a table that cannot be opened (already told to the operator) gives none.
void for_each_row(store::WorkAreas& w, int area, const std::function<void(store::Table&)>& row);

}  // namespace vorn::entry
