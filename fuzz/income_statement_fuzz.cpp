// libFuzzer target over the XML income statement: any bytes give a statement or bad lines, never
// a crash; applying a clean statement twice changes nothing the second time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "importing/income_statement_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vorn::importing::IncomeStatement st = vorn::importing::read_income_statement(bytes);
    if (!st.notes.bad.empty()) return 0;
    const auto once = vorn::importing::apply_income_statement(st, "12345678909", {}, {});
    const auto twice =
        vorn::importing::apply_income_statement(st, "12345678909", once.incomes, once.payments);
    if (twice.changed || twice.incomes.size() != once.incomes.size()) std::abort();
    return 0;
}
