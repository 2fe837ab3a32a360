// The rural activity of a declaration open for entry, computed from its working tables: the
// Brazilian monthly grid totalled from the cash book (by the entry mode), each country's result,
// and what the annual computation and the registry receive from them.
#pragma once

#include <vector>

#include "base/decimal.h"
#include "base/status.h"
#include "store/declaration.h"

namespace vorn::rural {

// Recomputes the rural result records (working table 15), the dollar figures of the properties
// abroad typed with their revenue and expenses (working table 16), and sets the declaration's
// values `I13_07`, `I3_11`, `PREJRUR`, `AMORUR`, `EMPRUR` and the registry's `TRIB_BR` …
// `DIVPG_EX`. Nothing changes for a declaration without rural activity (`TEMRURAL` not "S").
// `dollar` is the rate of the activity abroad (`VAL_DOLAR`). Property numbers named by cash-book
// entries that no property of Brazil carries go to `unknown` (they count in full). An error of a
// working table is returned with nothing half written into the values.
[[nodiscard]] Status recompute_open(store::Declaration& d, Decimal dollar,
                                    std::vector<int>* unknown = nullptr);

}  // namespace vorn::rural
