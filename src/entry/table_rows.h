// A table as the rows of the grid browser, walked through its own navigation.
#pragma once

#include "store/dbf.h"
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

}  // namespace vorn::entry
