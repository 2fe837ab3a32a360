// The rural activity's screens of an open declaration (screens 12 to 17 for the activity in
// Brazil or abroad, and the digital cash book's banks, accountant and file): the properties, the
// revenue and expenses by month or by cash-book entry, the result step by step, the herd, the
// assets and the debts. Every change computes the rural result and the declaration's totals again.
#pragma once

#include <string>
#include <vector>

#include "entry/item_editor.h"
#include "entry/layout.h"
#include "ui/field.h"
#include "ui/key.h"

namespace vorn::entry {

// Where a rural screen works: the editor's place (its `dollar` is the rate of the activity
// abroad), the country, and the installation directory (ARQDEF: the municipality table and the
// folder of the cash-book file).
struct RuralPlace {
    EditorPlace& place;
    bool abroad = false;
    std::string install;
};

// The lists of the rural activity in the item editor: 31 the cash-book entries, 32 the assets, 33
// the debts, 34 the properties, 35 the bank accounts of the digital cash book. Their owner is the
// country: kBrazil or kAbroad.
inline constexpr long kBrazil = 1, kAbroad = 2;
inline constexpr int kCashBookList = 31, kRuralAssetsList = 32, kRuralDebtsList = 33,
                     kPropertiesList = 34, kBanksList = 35;

// The result record of the country in the working table 15, created when missing.
[[nodiscard]] Status rural_result(store::Declaration& d, bool abroad, store::Record* out);
// Stores the country's result record back into the working table 15.
[[nodiscard]] Status keep_rural_result(store::Declaration& d, const store::Record& result);

// Computes the rural activity and then the declaration's totals, as every change does; what goes
// wrong is told. Property numbers of the cash book that no property carries are told on the
// status line.
void recompute_rural(EditorPlace& place);

// The caption of an entry mode (`TIPO_LANCA`) as the revenue screen shows it.
std::string entry_mode_caption(int mode);
// MUDARURAL: the next entry mode in the cycle cash book → totals only → LCDPR → cash book. Leaving
// totals only for LCDPR replaces the typed totals: the operator is warned and asked, and "Não"
// keeps the mode and the totals. The new mode (or the old one) is stored and recomputed.
int MUDARURAL(EditorPlace& place);

// Screen 12 (101, 201): the properties (list 34).
ui::Key rural_properties_screen(RuralPlace& r);
// Screen 13 (102): the revenue and expenses of the activity in Brazil: the twelve months typed
// (totals only) or the cash-book entries (list 31) with the months they give. Alt+A switches the
// entry mode.
ui::Key rural_book_screen(RuralPlace& r);
// Screen 14 (103, 203): the result step by step, the earlier losses, the adjustments and the 20 %
// option.
ui::ReadResult rural_result_screen(RuralPlace& r);
// Screen 15 (104, 204): the herd's movement per species group; a negative closing stock is
// refused.
ui::ReadResult rural_herd_screen(RuralPlace& r);
// Screens 16 and 17 (105/205, 106/206): the activity's assets (list 32) and debts (list 33).
ui::Key rural_assets_screen(RuralPlace& r);
ui::Key rural_debts_screen(RuralPlace& r);
// 107: the bank accounts of the digital cash book (list 35).
ui::Key rural_banks_screen(RuralPlace& r);
// 108: the accountant who signs the digital cash book.
ui::ReadResult rural_accountant_screen(RuralPlace& r);
// 109: writes the digital cash book "LCDPR26-" + CPF + ".txt" into the installation directory and
// tells the outcome.
void rural_lcdpr_file(RuralPlace& r);

// The fields of the rural forms and the columns they edit.
std::vector<ScreenFields> rural_fields();

}  // namespace vorn::entry
