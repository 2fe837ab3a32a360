// Income received cumulatively (RRA): the per-item choice between the annual adjustment and
// exclusive taxation over the number of months, its tax, the age-65 exempt portion on RRA items
// and the rule that all RRA items of a declaration carry the same option.
#pragma once

#include "tax/annual.h"

namespace vorn::tax {

// Recomputes I1_25 (income that enters the computation) and I1_20 (tax due when taxed exclusively)
// of an RRA item (a record of decl.items) by its option TIPOCR, month count I1_21 and month of
// receipt `month`. `require` = 1 makes the month count mandatory. False after a refusal.
bool CALC_RAA(Context& c, store::Record& item, int show, int require, int month);
// The option field: "S" adjustment, "N" exclusive; stores it, checks the age-65 portion and
// computes the item. Anything else is refused.
bool VERAA(Context& c, store::Record& item, std::string_view option, int show);
// The age-65 portion typed on an RRA item (stored into I1_17 here), checked against the limits
// and against the other items; may switch the item to exclusive taxation. Ends by computing it.
bool VER_APOSRAA(Context& c, store::Record& item, Decimal portion, int show);

}  // namespace vorn::tax
