// Income statements of many clients from a payroll department: the delimited file "folha.txt"
// (one statement per line, comma-separated, texts in double quotes, in FOLHAPG's column order),
// the office's staging table FOLHAPG (table 63) where the statements wait to be completed or
// corrected, and the transfer of the staged statements into the declarations of a data folder:
// the payer's company-income row, further rows for other income, the accumulated-income (RRA) row
// and the alimony and private-pension payments.
//
// The file is read and checked whole before the staging table is touched; the table is held
// alone while it is written. A taxpayer's statements are written together through the
// declaration layer; a declaration open on another terminal is left alone and its rows stay
// staged.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/operator.h"
#include "base/status.h"
#include "importing/import_plan.h"
#include "importing/import_text.h"
#include "store/record.h"
#include "store/workareas.h"

namespace vorn::importing {

constexpr int kPayrollTable = 63;    // FOLHAPG, in the installation directory
constexpr int kPayrollColumns = 29;  // fields of a line of the file
inline constexpr char kPayrollFile[] = "folha.txt";

// The columns of the file as the layout screen lists them ("Cpf do contribuinte  C     11   ").
std::vector<std::string> payroll_layout();

// The statements of a file as FOLHAPG rows, in file order, and what was noted. A line with the
// wrong number of fields, a quote left open, a CPF with letters or more than eleven digits, a
// payer number that is no CPF or CNPJ, or an amount that is negative, unreadable or too wide for
// its field is a bad line. Amounts: "1.234,56" and "1234,56" the Brazilian way, "1234.56" with
// the point as decimal point; empty is 0. Empty lines are passed over.
struct PayrollFile {
    std::vector<store::Record> rows;
    Notes notes;
};
PayrollFile read_payroll(std::string_view bytes);

// Staging rows as they are kept: names and descriptions through CONVCAR, the descriptions of
// other income also trimmed, the CPF as eleven digits, the payer's number masked. Cuts noted
// with `line`. False with the reason when a value cannot be kept (a negative amount, a CPF with
// letters or more than eleven digits, a payer number that is no CPF or CNPJ).
bool normalise_payroll_row(store::Record& row, size_t line, Notes& notes, std::string* reason);

// FOLHAPG opened alone in its work area of `w` (ARQDEF). Code::kLocked when another terminal
// uses it.
[[nodiscard]] Status open_payroll(store::WorkAreas& w);
// The live rows of the open FOLHAPG with their record numbers, in record order.
[[nodiscard]] Status payroll_rows(store::WorkAreas& w, std::vector<store::Record>* rows,
                                  std::vector<uint32_t>* recnos = nullptr);

// IMPORTA: the file "folha.txt" of `folder` into FOLHAPG (opened alone by the call and closed
// after). Staged rows that would be lost are offered to `replace` first (their count); false
// keeps them and imports nothing.
struct PayrollImport {
    enum class Outcome { kImported, kNoFile, kRefused, kKept, kInUse, kChecked };
    Outcome outcome = Outcome::kRefused;
    size_t count = 0;
    std::string text;               // the refusal, naming the file and the line
    std::vector<std::string> cuts;  // texts cut to their fields
};
PayrollImport import_payroll(store::WorkAreas& w, const std::string& folder, bool check,
                             const std::function<bool(size_t staged)>& replace);

// "Importado"/"Importados" + " " + count + " contribuinte(s)".
std::string imported_text(size_t count);

// GRAVA_DADO: the row into the open FOLHAPG: appended when `recno` is 0, else written over
// record `recno`.
[[nodiscard]] Status store_payroll_row(store::WorkAreas& w, const store::Record& row,
                                       uint32_t recno);

// GRAVA_VALOR: one staged statement into a taxpayer's income rows (table 2) and payments
// (table 6), in place; `notes` gets what the operator should know.
void GRAVA_VALOR(const store::Record& statement, const std::string& cpf,
                 std::vector<store::Record>& incomes, std::vector<store::Record>& payments,
                 std::vector<std::string>& notes);

// The answer to a taxpayer that no data folder knows.
enum class Unknown { kInclude, kIncludeAll, kSkip, kSkipAll, kAbandon };

struct TransferAnswers {
    bool skip_registered = true;  // "Sim - Salte o CPF"
    // Asked for a taxpayer not registered anywhere, until a "todos" answer is given.
    std::function<Unknown(const std::string& cpf, const std::string& name)> unknown;
    // Asked between taxpayers: true ends the transfer (Esc, "Sai da tranferência?").
    std::function<bool()> stop;
    // The status line while a taxpayer is written.
    std::function<void(const std::string&)> status;
};

struct TransferResult {
    size_t rows = 0, skipped = 0, invalid = 0, written = 0, created = 0;
    bool abandoned = false;
    std::vector<std::string> report;  // taxpayers left staged and why, notes, cuts
    // The result window's lines, under "Transferência".
    std::vector<std::string> lines() const;
};

// TRANSFERE: the rows of the open FOLHAPG into the declarations of rq.folder, taxpayer by
// taxpayer in CPF order; each handled row (transferred, skipped, invalid) leaves the staging
// table; a taxpayer in another data folder of `others`, open on another terminal or whose writing
// failed keeps its rows. With rq.check nothing is written nor removed.
[[nodiscard]] Status transfer_payroll(store::WorkAreas& w, const ImportRequest& rq,
                                      const std::vector<std::string>& others,
                                      const TransferAnswers& answers, Operator& op,
                                      TransferResult* out);

}  // namespace vorn::importing
