// After a capital gain or a variable-income statement changed: the declaration's totals taken
// from the gains table again and the declaration computed with them, as its save computes it.
#pragma once

#include "entry/item_editor.h"

namespace vorn::entry {

// Carries the gains' totals into the open declaration and computes it; a failure is told. When
// the gains table `had_gains` before the change and has none left, the totals become zero.
void recompute_gains_totals(EditorPlace& place, bool had_gains);

}  // namespace vorn::entry
