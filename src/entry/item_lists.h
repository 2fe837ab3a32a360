// The lists of a declaration the item editor shows, as data: for each list its working table, its
// columns (the field shown, the field edited, the picture, the header, the check run on a typed
// value), how many columns show when it opens, its footer hint, the item-number field renumbered
// by insertions and the field the subtotal marks add up.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "entry/layout.h"

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
};

struct ItemColumn {
    std::string_view shown;    // TABCAMPO: the field the cell shows
    std::string_view field;    // TABCPOIN: the field the cell edits
    std::string_view picture;  // TABMASC
    std::string_view header;   // TABDESC
    int width = 0;             // on screen; 0: the wider of the header and the picture
    CellCheck check = CellCheck::kNone;
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
};

// List `number` (4 payments; 5, 8, 22 assets; 6, 9, 23 debts); any other is a programming error
// (std::out_of_range).
const ItemList& item_list(int number);
// The edited fields of every list, for the check of field widths against their columns.
std::vector<ScreenFields> item_list_fields();

}  // namespace vorn::entry
