// Income statements in XML sent by companies through the office's document service: the element
// "ComprovantedeRendimentos" with the year, exercise, company and taxpayer, and up to fifteen
// "Descr"/"Valor" pairs (values in cents) in a fixed order of meaning. Reading is pure; applying
// gives the taxpayer's income record of that company and the pension and alimony payments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/decimal.h"
#include "importing/import_text.h"
#include "store/record.h"

namespace vorn::importing {

struct IncomeStatement {
    std::string year, exercise, cnpj, company, cpf, name;  // cnpj and cpf as digits
    std::vector<std::string> descriptions;                 // of the pairs, in order (≤ 15)
    std::vector<Decimal> values;
    Notes notes;
};

// Reads the statement; a malformed document, a missing element, a bad CPF or CNPJ or a bad value
// is a bad line (numbered by the pair, 0 for the document).
IncomeStatement read_income_statement(std::string_view bytes);

// What a statement changes for the taxpayer: the income records (table 2) and payments (table 6)
// as they become, and the notices for the operator. `changed` is false when everything was there.
struct StatementChanges {
    std::vector<store::Record> incomes, payments;
    std::vector<std::string> notices;
    bool changed = false;
};
StatementChanges apply_income_statement(const IncomeStatement& st, const std::string& cpf,
                                        const std::vector<store::Record>& incomes,
                                        const std::vector<store::Record>& payments);

}  // namespace vorn::importing
