// The lists of a declaration the item editor shows, as data: for each list its working table, its
// columns (the field shown, the field edited, the picture, the header, the check run on a typed
// value), how many columns show when it opens, its footer hint, the item-number field renumbered
// by insertions and the field the subtotal marks add up.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "entry/item_editor.h"
#include "entry/layout.h"
#include "tax/annual.h"

namespace vorn::entry {

// What a typed cell is checked by, before it is written.
enum class CellCheck {
    kNone,
    kReadOnly,       // shown, never edited
    kAmount,         // an amount; never negative
    kPaymentCode,    // the payment-code table; alimony needs a recipient; a country abroad
    kPerson,         // the dependant or recipient a payment belongs to
    kDocument,       // CPF or CNPJ, punctuated and validated (empty abroad)
    kPaid,           // the amount paid of a payment
    kNonDeductible,  // its non-deductible part
    kAssetGroup,     // the asset-group table
    kAssetCode,      // the asset-code table under the row's group
    kDebtCode,       // the debt-code table
    kAbroad,         // "S" for an asset abroad
    kCountry,        // the country table
    kDone,           // the operator's "checked" mark
    kOwn,            // the column's own check (ItemColumn::own)
};

// What a column's own check works on: the editor's place, the declaration as computed (its items
// in record order, the operator's context), the working table positioned on the row, the row as
// it will be written, the row's place among the computation's items and the field edited.
struct CellPlace {
    EditorPlace& place;
    tax::Context& c;
    store::Table& table;
    store::Record& row;
    size_t item;
    std::string_view field;  // the field the cell edits
};
using OwnCheck = bool (*)(CellPlace& at, ui::Value& candidate);

struct ItemColumn {
    std::string_view shown;    // TABCAMPO: the field the cell shows
    std::string_view field;    // TABCPOIN: the field the cell edits
    std::string_view picture;  // TABMASC
    std::string_view header;   // TABDESC
    int width = 0;             // on screen; 0: the wider of the header and the picture
    CellCheck check = CellCheck::kNone;
    OwnCheck own = nullptr;       // with kOwn
    bool departure_only = false;  // shown only in a declaration of departure from the country
};

struct ItemList {
    int number = 0;  // OPC, as EDITA is given it
    int table = 0;   // the declaration's working table
    std::string_view title;
    std::vector<ItemColumn> columns;   // N_CAM = columns.size()
    int shown = 0;                     // ULT_POS: columns shown when the list opens (0: all)
    std::string_view hint;             // the footer hint
    std::string_view sequence;         // the item number renumbered by insertions; empty: none
    std::string_view insert_question;  // asked before an insertion; empty: none
    std::string_view subtotal;         // the field the marked rows add up
    bool enlarged = false;             // shown over the whole screen
    // The question asked before a row is deleted, one line each; none: "Confirma a Exclusão dessa
    // linha?".
    std::vector<std::string> (*delete_question)(const store::Record& row) = nullptr;
    // The rows of the working table the list shows (none: all) and what a new row starts with.
    bool (*keep)(const store::Table& t) = nullptr;
    void (*new_row)(store::Record& row) = nullptr;
    // Enter on a row opens the row's own window (the list's cells are then read-only); true when
    // something was written.
    bool (*row_window)(EditorPlace& place, store::Table& t, bool dependant) = nullptr;
    bool insert_before = false;  // a new row goes before the current one (no item numbers)
    bool dependants = false;     // the dependants' rows of a list kept for holder and dependants
};

// List `number` (1 and 2 the company income of the holder and of the dependants; 20 and
// kDependantsRra the income received cumulatively; 4 payments; 5, 8, 22 assets; 6, 9, 23 debts);
// any other is a programming error (std::out_of_range).
const ItemList& item_list(int number);
// List 20 for the dependants (item 14), kept apart from the holder's.
inline constexpr int kDependantsRra = 120;
// The income lists (1, 2, 20, kDependantsRra), defined with their checks in income_lists.cpp.
void add_income_lists(std::map<int, ItemList>& lists);
// A CPF typed as a dependant's: valid and of one of the declaration's dependants (relationship
// below 98); the operator is told otherwise.
bool dependant_cpf_valid(Operator& op, const tax::Declaration& d, const std::string& cpf);
// The edited fields of every list, for the check of field widths against their columns.
std::vector<ScreenFields> item_list_fields();

}  // namespace vorn::entry
