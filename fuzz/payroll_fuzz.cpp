// libFuzzer target over folha.txt: any bytes give staging rows or bad lines, never a crash; every
// row kept holds a CPF of eleven digits (or none), a masked payer number and no negative amount;
// transferring the rows a second time into what the first transfer wrote changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "importing/import_text.h"
#include "importing/payroll.h"
#include "store/record.h"

namespace {

using vorn::importing::digits_of;

void check_row(const vorn::store::Record& r) {
    const std::string cpf = r.str("CPF");
    if (!cpf.empty() && (cpf.size() != 11 || digits_of(cpf) != cpf)) std::abort();
    const std::string payer = r.str("CNPJFONTE");
    if (!payer.empty() && payer.size() != 18 && payer.size() != 14) std::abort();
    const vorn::store::Layout& l = r.layout();
    for (size_t k = 0; k < l.size(); ++k)
        if (l[k].type == vorn::store::FieldType::kNumeric && r.num(l[k].name).is_negative())
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vorn::importing::PayrollFile f = vorn::importing::read_payroll(bytes);
    for (const auto& b : f.notes.bad)
        if (b.line == 0 || b.reason.empty()) std::abort();
    std::vector<vorn::store::Record> incomes, payments;
    std::vector<std::string> notes;
    for (const auto& r : f.rows) {
        check_row(r);
        vorn::importing::GRAVA_VALOR(r, "12345678909", incomes, payments, notes);
    }
    const auto once_i = incomes;
    const auto once_p = payments;
    for (const auto& r : f.rows)
        vorn::importing::GRAVA_VALOR(r, "12345678909", incomes, payments, notes);
    if (incomes.size() != once_i.size() || payments.size() != once_p.size()) std::abort();
    for (size_t k = 0; k < incomes.size(); ++k)
        if (!vorn::store::same_when_stored(incomes[k], once_i[k])) std::abort();
    for (size_t k = 0; k < payments.size(); ++k)
        if (!vorn::store::same_when_stored(payments[k], once_p[k])) std::abort();
    return 0;
}
