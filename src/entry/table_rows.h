// A table as the rows of the grid browser, walked through its own navigation; and a reference
// table read from start to end.
#pragma once

#include <functional>

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

// Opens reference table `area`, gives each of its records in record order to `row` and closes
// it; a table that cannot be opened (already told to the operator) gives none.
void for_each_row(store::WorkAreas& w, int area, const std::function<void(store::Table&)>& row);

}  // namespace vorn::entry
