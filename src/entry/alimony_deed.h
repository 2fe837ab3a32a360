// The deed or court decision an alimony recipient's pension comes from: the notary's deed (notary,
// its CNPJ, book, sheet, date, municipality and state) or the court's decision (process, court,
// date, district and state). A window over the recipient's row (Alt+Q on the list), each field
// checked and written into the row as it is accepted.
#pragma once

#include <cstdint>

#include "entry/item_editor.h"
#include "entry/layout.h"

namespace vorn::entry {

// The window's fields and the columns of the dependants table they edit.
ScreenFields alimony_deed_fields();

// Edits the deed or decision of recipient record `record` of the working dependants table until
// Esc or the last field is left; true when a value was written.
bool alimony_deed(EditorPlace& place, uint32_t record);

}  // namespace vorn::entry
