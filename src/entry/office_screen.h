// Screen 11 of an open declaration: what the office keeps about the client (status, company,
// telephones, last sales of real estate, the e-CAC power of attorney, social-security benefit
// numbers, the government login password, how documents arrive), and the web chat of the
// messaging service opened on the client's mobile or office number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/operator.h"
#include "base/process.h"
#include "entry/layout.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

// The screen's fields and the columns they edit.
ScreenFields office_fields();

// The address of the messaging service's web chat with "55" + area code + number, digits only
// (whatever else the stored number holds is dropped). nullopt for an empty number.
std::optional<std::string> chat_address(std::string_view area_code, std::string_view number);

// GTELA(11): draws the screen in `area` and reads its fields, each written into the declaration's
// values as it is accepted. A data folder whose registry lacks one of the screen's columns stops
// it with "Atualize a base de dados!" (what was typed would not be stored). Ctrl+Enter on the
// mobile or the office number opens the web chat for it.
ui::ReadResult office_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                             store::Declaration& d, ui::Rect area, const BrowserOpener& chat);

}  // namespace vorn::entry
