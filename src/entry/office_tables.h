// The office's shared lists of payers (AUXFON), payees (AUXPAG) and banks (AuxBanco) as the item
// editor reaches them: a row picked from one of them fills the list's row, and a list's row is
// sent to one of them under the table's lock, keeping one row per CNPJ/CPF.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/operator.h"
#include "store/record.h"
#include "store/workareas.h"
#include "ui/key.h"
#include "ui/screen.h"

namespace vorn::entry {

// The office tables by number.
inline constexpr int kPayers = 74, kPayees = 53, kBanks = 77;

// A row's field and the value an office row gives it.
using RowValue = std::pair<std::string, store::Value>;

// What a list exchanges with one office table.
struct OfficeList {
    int table = 0;
    ui::Key pick;                   // the key that opens it as a pick list
    std::string_view title;         // of the pick list
    std::string_view name;          // the office table's name field
    std::string_view document;      // its CNPJ/CPF field
    std::string_view row_document;  // the list row's CNPJ/CPF field
    // The row's fields an office record fills, in the order they are typed; `row` is the current
    // row (a field it already holds may be left alone).
    std::vector<RowValue> (*to_row)(const store::Record& office,
                                    const store::Record& row) = nullptr;
    // The office record a row is sent as.
    void (*from_row)(const store::Record& row, store::Record& office) = nullptr;
};

// The exchange with office table `table` (kPayers, kPayees, kBanks); another number is a
// programming error (std::out_of_range).
const OfficeList& office_list(int table);

// The office table as a pick list, by name: the record chosen with Enter, or none (Esc; an empty
// or unavailable table is told).
std::optional<store::Record> pick_office_row(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                                             const OfficeList& list);

enum class Sent {
    kAdded,    // a new row of the office table
    kSame,     // its CNPJ/CPF was there with the same data
    kUpdated,  // its CNPJ/CPF was there and the operator had it take this row's data
    kKept,     // its CNPJ/CPF was there and keeps its own data
    kRefused,  // nothing sent (no name or CNPJ/CPF, the table not available): told
};

// Sends `row` to the office table: one row per CNPJ/CPF (compared by its digits). A CNPJ/CPF
// already there with another name is shown to the operator, who chooses whether this row's data
// replace it; the search and the write happen under the table's lock, so that terminals sending
// at once neither lose nor double a row. The outcome is said on the status line.
Sent send_to_office(Operator& op, store::WorkAreas& w, const OfficeList& list,
                    const store::Record& row);

// The digits of a CNPJ/CPF, as punctuated or not.
std::string document_digits(std::string_view document);

}  // namespace vorn::entry
