// The text book of a taxpayer's income from individuals (CPF + "Leao.txt"): one line per receipt,
// "month;payer's name;payer's CPF;value;", ended by a line "99". Reading is pure: bytes in,
// income records (table 2 layout) or the bad lines out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "importing/import_text.h"
#include "store/record.h"

namespace vorn::importing {

struct LeaoBook {
    std::vector<store::Record> incomes;  // I1_1 "F", I1_41 "T", name, payer, value, month, I1_11
    // The whole file's problem ("Arquivo vazio!", "Arquivo com conteúdo fora do padrão"), else
    // empty; the lines' problems are in notes.
    std::string refused;
    Notes notes;
};

// Leading characters of the first line up to its first "0", "1" or "9" (a byte-order mark, stray
// bytes) are passed over. The month is 01 to 12; "99" or an empty month ends the book, after which
// only blank lines may follow. The value is an amount (cents form, or Brazilian with ",").
LeaoBook read_leao_book(std::string_view bytes, const std::string& cpf);

// Whether an income record of the book is already among the taxpayer's incomes: an individual's
// income with the same payer CPF and the same value in the same month.
bool leao_income_present(const store::Record& income, const std::vector<store::Record>& current);

// The month of a book's income record (1 to 12).
int leao_month(const store::Record& income);

}  // namespace vorn::importing
