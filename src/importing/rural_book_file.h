// The rural cash-book export file: fixed-position text records, one a line, read whole and
// checked before anything is taken from it. Lines end in CR LF or LF; a last end-of-file byte
// (0x1A) is ignored; the bytes are Windows-1252 and positions count the characters of the
// decoded line (1-based). Records, in this order: an optional first line "IRARURAL" (a file of
// monthly totals only), at most one "01" and one "02" (skipped), the cash-book entries "03", the
// monthly totals "04" (one per month, months "A" to "L"), "05" (skipped) and the properties
// "07".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "importing/import_text.h"

namespace vorn::importing {

// One cash-book entry ("03").
struct BookEntry {
    Date date;
    bool receipt = false;     // "1" receipt, "2" expense
    std::string description;  // 41 characters, blanks at the ends trimmed
    Decimal amount;
    int document_type = 0;  // 1 when the description names an invoice
    std::string document;   // the invoice number, at most 20 characters
};

// One month's totals ("04").
struct BookMonth {
    int month = 0;  // 1 … 12
    Decimal receipts, expenses;
    // The month's shares of the two adjustments of the rural result (I5_09, I5_10).
    Decimal adjustment_09, adjustment_10;
};

// One rural property ("07").
struct BookProperty {
    std::string state_registration;  // 14 characters
    std::string register_number;     // the property register (CIB), 8 characters
    std::string name;                // 60 characters
    std::string uf;
};

struct RuralBookFile {
    bool totals_only = false;  // the file starts with "IRARURAL"
    std::vector<BookEntry> entries;
    int skipped_entries = 0;  // "03" records of another kind than 1 or 2
    std::vector<BookMonth> months;
    std::vector<BookProperty> properties;
    int lines = 0;
    std::vector<BadLine> bad;  // every line that cannot be taken, in file order
};

// Reads the whole file. Every bad line is listed with its number and reason; the file is
// usable only when `bad` is empty.
RuralBookFile read_rural_book(std::string_view bytes);

// The invoice number of an entry's description: where "NF -", "NF-" or "NF " (sought in that
// order) is found, as many characters as the position of the first "-" from the fifth character
// on, less one; without such a "-", the rest of the description. At most 20 characters; nullopt
// when the description names no invoice.
std::optional<std::string> invoice_number(const std::u32string& description);

}  // namespace vorn::importing
