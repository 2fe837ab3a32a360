// The lists of a declaration the item editor shows, as data: for each list its working table, its
// columns (the field shown, the field edited, the picture, the header, the check run on a typed
// value), how many columns show when it opens, its footer hint, the item-number field renumbered
// by insertions and the field the subtotal marks add up.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/operator.h"
#include "entry/item_editor.h"
#include "entry/layout.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "tax/annual.h"
#include "ui/field.h"
#include "ui/key.h"
#include "ui/screen.h"

namespace vorn::entry {

struct EditorPlace;

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
    kRelationship,   // the relationship table, within the list's codes
    kOwn,            // the column's own check (ItemColumn::own)
    kMonths,         // the total of the row's months: Enter or Alt+U opens them, nothing typed
};

// What a list's own checks and hooks work on: the editor's place (screen, operator, work areas,
// open declaration), the list's working table on the current row, the row as it will be written,
// the declaration as last computed with the operator's context of that computation, the record
// the list belongs to (EditaOptions::owner) and, for a cell's own check, the row's place among
// the computation's items (record order) and the field edited.
struct ListContext {
    EditorPlace& place;
    ui::Screen& screen;
    Operator& op;
    store::WorkAreas& w;
    store::Declaration& d;
    store::Table& t;
    store::Record& row;
    const tax::Declaration& td;
    tax::Context& c;
    long owner = 0;
    size_t item = 0;
    std::string_view field;
};
// A column's own check: it may adjust the typed value; false refuses it.
using OwnCheck = bool (*)(ListContext& at, ui::Value& candidate);

struct ItemColumn {
    std::string_view shown;    // TABCAMPO: the field the cell shows
    std::string_view field;    // TABCPOIN: the field the cell edits
    std::string_view picture;  // TABMASC
    std::string_view header;   // TABDESC
    int width = 0;             // on screen; 0: the wider of the header and the picture
    CellCheck check = CellCheck::kNone;
    // kOwn: checks (and may adjust) the typed value; the row holds the other cells.
    OwnCheck own = nullptr;
    // Run after the cell was written, with the row as it was before.
    void (*accepted)(ListContext&, const store::Record& before) = nullptr;
    bool preset = false;          // filled in a new row: not counted when a row is left blank
    bool departure_only = false;  // shown only in a declaration of definitive exit
    // Shown only when true for the list's owner (EditaOptions::owner); none: always.
    bool (*shown_for)(long owner) = nullptr;
};

// Alt+O: an order the list's rows may be put in, by the text of its fields in turn.
struct RowOrder {
    std::string_view label;
    std::vector<std::string_view> fields;
    bool digits = false;  // compared by their digits only (a CNPJ/CPF, punctuated or not)
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
    // The rows of the table that belong to the list (none: every row); owner as in ListContext.
    bool (*keep)(const store::Table& t, long owner) = nullptr;
    // Fills a new row before it is added (the row is blank but for the CPF).
    void (*new_row)(ListContext&) = nullptr;
    // Deletes the current row itself, asking what it must; true when it went.
    bool (*remove)(ListContext&) = nullptr;
    // After an insertion moved the item numbers above `after` on by `by`: what names them follows.
    void (*renumbered)(ListContext&, long long after, int by) = nullptr;
    // Keys of the list's own (true: handled).
    bool (*on_key)(ListContext&, EditorPlace& place, const ui::Key& k) = nullptr;
    // The line under the list, from the declaration as last computed (none: the totals of the
    // payments, assets or debts).
    std::string (*totals)(const tax::Declaration& d, long owner) = nullptr;
    int code_low = 0, code_high = 0;  // kRelationship: the codes the list holds
    // Enter on a row opens the row's own window (the list's cells are then read-only); true when
    // something was written.
    bool (*row_window)(EditorPlace& place, store::Table& t, bool dependant) = nullptr;
    bool insert_before = false;  // a new row goes before the current one (no item numbers)
    bool dependants = false;     // the dependants' rows of a list kept for holder and dependants
    // The office table (office_tables.h) a row is picked from (Alt+F1, Alt+F4 or Alt+F5) and sent
    // to (Ctrl+Enter); 0: none.
    int office = 0;
    // Alt+O: the orders offered. A list with item numbers keeps its numbers in their order and
    // gives them to the rows in the new one.
    std::vector<RowOrder> orders;
    // After Alt+O gave items new numbers (old to new): what names them follows.
    void (*reordered)(ListContext&, const std::map<long long, long long>& moved) = nullptr;
    bool asset_link = false;  // Ctrl+O: the row names the asset its income comes from (REFBEM)
    // Enter on this column offers the text of the same item in last year's declaration.
    std::string_view last_year;
    // MATINDI: what each column holds, said on the status line when the cursor reaches it.
    std::vector<std::string_view> labels;
    // The list's table as it is open in this work area (a shared table, its writes locked, only
    // the declaration's rows shown when it has a CPF) instead of the declaration's working table.
    int area = 0;
    // Rows written elsewhere (the program's notices, the postings typed in their window): none
    // inserted here, and none dropped for being blank.
    bool fixed = false;
    // A table the annual computation does not read (the rural activity's): what follows from a
    // change of its rows, run when the list opens and after every accepted cell, insertion and
    // deletion; it gives the line under the list.
    std::string (*changed)(EditorPlace& place, long owner) = nullptr;
};

// List `number` (1 and 2 the company income of the holder and of the dependants; 20 and
// kDependantsRra the income received cumulatively; 4 payments; 5, 8, 22 assets; 6, 9, 23 debts;
// 41 dependants, 42 alimony recipients, 45 heirs, 21 heirs' shares of an asset; 11 the personal
// notes and kWarnings the program's notices; 13 losses carried forward; 15 the monthly expenses of
// the assets; 25 the client's postings and 28 the chart of accounts); any other is a programming
// error (std::out_of_range).
const ItemList& item_list(int number);
// List 20 for the dependants (item 14), kept apart from the holder's.
inline constexpr int kDependantsRra = 120;
// The income lists (1, 2, 20, kDependantsRra), defined with their checks in income_lists.cpp.
void add_income_lists(std::map<int, ItemList>& lists);
// List 11 in its second form: the notices the program wrote (findings of the consistency check,
// messages of the government's receipts).
inline constexpr int kWarnings = 111;
// The notes (11, kWarnings), the losses carried forward (13) and the assets' monthly expenses
// (15), defined in notes_lists.cpp.
void add_notes_lists(std::map<int, ItemList>& lists);
// The client's postings (25) and the chart of accounts (28), defined in posting_lists.cpp.
void add_posting_lists(std::map<int, ItemList>& lists);
// The rows of one capital gain (the list's owner is the gain's number): its acquisition costs (10)
// and the purchases and sales of shares or foreign cash (19), defined in gain_lists.cpp.
void add_gain_lists(std::map<int, ItemList>& lists);
// The rural activity's lists (31 to 35), defined in rural_lists.cpp.
void add_rural_lists(std::map<int, ItemList>& lists);
// A CPF typed as a dependant's: valid and of one of the declaration's dependants (relationship
// below 98); the operator is told otherwise.
bool dependant_cpf_valid(Operator& op, const tax::Declaration& d, const std::string& cpf);
// The edited fields of every list, for the check of field widths against their columns.
std::vector<ScreenFields> item_list_fields();

}  // namespace vorn::entry
