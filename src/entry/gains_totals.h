// After a capital gain or a variable-income statement changed: the declaration's totals taken
// from the gains table again and the declaration computed with them, as its save computes it.
#pragma once

#include "entry/item_editor.h"

namespace vorn::entry {

// Carries the gains' totals into the open declaration and computes it; a failure is told.
void recompute_gains_totals(EditorPlace& place);

}  // namespace vorn::entry
