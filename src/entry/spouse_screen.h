// Screen 5, item 56, of an open declaration: the spouse or partner. Their CPF, whether their
// figures are fetched from their own declaration (looked up in the data folders) or typed here,
// the figures themselves (tax base, tax paid, exempt, exclusive and suspended income) and the
// spouse's net income and surplus that the cash check counts as receipts.
#pragma once

#include <string>
#include <vector>

#include "base/operator.h"
#include "entry/layout.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// Why a spouse's CPF equal to the holder's own is refused.
inline constexpr const char* kSpouseIsHolder =
    "O CPF do cônjuge não pode ser o do próprio contribuinte.";

// The screen's fields and the columns they edit.
ScreenFields spouse_fields();

// GTELA(5) with item 56. `folders` are the data folders a fetch looks the spouse up in, the
// current one first, then the terminal's list; the folder remembered from an earlier fetch is
// searched right after the current one. A joint declaration (a dependant of relationship 11) or a
// final one with spouse figures is told and has them cleared, and the screen is not read.
ui::ReadResult spouse_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                             store::Declaration& d, ui::Rect area,
                             const std::vector<std::string>& folders);

}  // namespace vorn::entry
