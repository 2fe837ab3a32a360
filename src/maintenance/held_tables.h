// A data folder's declaration tables held exclusively in their work areas by a maintenance
// command that changes several of them: either every one it asked for is held, or none (the one
// another terminal uses is named). Released, and the registry reopened shared for the chooser,
// when it goes out of scope.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "store/dbf.h"
#include "store/workareas.h"

namespace vorn::maintenance {

class HeldTables {
  public:
    explicit HeldTables(store::WorkAreas& w) : w_(w) {}
    ~HeldTables();
    HeldTables(const HeldTables&) = delete;
    HeldTables& operator=(const HeldTables&) = delete;

    // Takes every table of `tables` (numbers 1 to 21); on the first that another terminal holds,
    // releases those taken, names it ("IMP0726.DBF") in *busy and returns Code::kLocked.
    [[nodiscard]] Status take(const std::vector<int>& tables, std::string* busy);
    store::Table& table(int n) { return *w_.table(n); }

  private:
    store::WorkAreas& w_;
    std::vector<int> held_;
};

// "IMP" + nn + year + ".DBF".
std::string declaration_table_file(int n);

}  // namespace vorn::maintenance
