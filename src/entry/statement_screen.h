// Screen 9 of an open declaration: the variable-income statement of the holder or of a chosen
// dependant, for common operations, day trade or real-estate funds. Its lines run down and the
// twelve months across; the operator types the market results, withholdings and taxes paid in the
// cells that take them, and after every cell the statement is computed again (losses and credits
// carried month to month), stored, and the declaration's totals follow.
#pragma once

#include "entry/item_editor.h"
#include "ui/key.h"

namespace vorn::entry {

// GTELA(9) for item 91 … 96 (91/94 common operations, 92/95 day trade, 93/96 funds; 94 and above
// a dependant chosen first: none gives "Sem dependentes para usar essa opção"). The key that left
// the screen.
ui::Key statement_screen(EditorPlace& place, int item);

}  // namespace vorn::entry
