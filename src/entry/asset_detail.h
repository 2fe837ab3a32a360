// The asset's own data, which the assets list has no columns for: the address and registry of real
// estate, the vehicle, aircraft or boat registrations, the bank account, the company's CNPJ, the
// exchange and crypto codes, the dependant's CPF and the values of Lei 14.754. A window over the
// current asset (Alt+Q on the list), each field validated and written into the record as it is
// accepted.
#pragma once

#include <cstdint>

#include "entry/item_editor.h"
#include "entry/layout.h"

namespace vorn::entry {

// The window's fields and the columns of the assets table they edit.
ScreenFields asset_detail_fields();

// Edits the data of asset record `record` of the working assets table until Esc or the last field
// is left; true when a value was written.
bool asset_detail(EditorPlace& place, uint32_t record);

}  // namespace vorn::entry
