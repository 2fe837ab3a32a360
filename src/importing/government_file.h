// The government program's declaration files (".DEC", ".DBK", ".BAK": fixed-width lines, a header
// and records whose first two characters give their type, "T9" last) and its receipt file
// (".REC"). Reading is pure: bytes in, plain values out. Positions count the characters of the
// decoded line (UTF-8 when the bytes are valid UTF-8, else Windows-1252); a line shorter than a
// field it must hold, an amount or date that is not one, or a record of another CPF is a bad line,
// and nothing of such a file is taken. Records whose field positions this system does not know
// are counted by type and left out.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "importing/import_text.h"
#include "store/record.h"

namespace vorn::importing {

struct GovernmentHeader {
    std::string kind;  // "IRPF" ordinary, "ESPL" estate's final declaration, "SAID" departure
    int exercise = 0;  // the exercise year (2026 for calendar year 2025)
    std::string form;  // "2421" final estate declaration, "2420" departure
    bool rectifying = false;
    // Receipts of twelve digits (ten read, two check digits appended), empty when absent: this
    // declaration's, the one it rectifies and the previous year's (a previous-year file carries
    // only its own, in `receipt`).
    std::string receipt, rectified, previous;
    bool final_estate() const { return form == "2421" || kind == "ESPL"; }
    bool departure() const { return form == "2420" || kind == "SAID"; }
};

// The header alone (the first line of a file): nullopt when the line is too short or its
// exercise is not a year. A receipt that is not ten digits is left empty.
std::optional<GovernmentHeader> read_government_header(std::string_view bytes);

struct GovernmentFile {
    GovernmentHeader header;
    bool current_year = false;  // the file's exercise is this system's
    std::string cpf, name;      // of record "16"
    // Identification values of the registry (table 9) and table 1 by field name, in the order
    // read; and the summary values of records "17", "19" and "23" (a current-year file's only),
    // some of which the declaration's computation derives from its items again.
    std::vector<std::pair<std::string, store::Value>> values, summary;
    // The declaration's records, each in its table's layout, in file order: income (table 2),
    // dependants (3), assets (4), debts (5) and payments (6).
    std::vector<store::Record> incomes, dependants, assets, debts, payments;
    // The record types met ("16", "21" ...), with their counts.
    std::map<std::string, int> records;
    // Types left out because their field positions are not known to this system, with counts.
    std::map<std::string, int> unread;
    bool ended = false;  // "T9" met
    Notes notes;
};

// The whole declaration file. `current_exercise` is this system's exercise year: fields read
// only from a current-year file are left out of another year's.
GovernmentFile read_government_file(std::string_view bytes, int current_exercise);

// The receipt file: delivery date (record "RC"), rectification count ("VC") and the notes the
// taxpayer's declaration keeps (fine, pending declarations, debts, messages).
struct ReceiptFile {
    Date delivered;                     // blank when absent
    std::optional<int> rectifications;  // "VC"
    std::vector<std::string> notes;     // lines of at most 75 characters
    bool ended = false;                 // "TC" met
    Notes bad;
};
ReceiptFile read_receipt_file(std::string_view bytes, int exercise);

}  // namespace vorn::importing
