// libFuzzer target over the Leão text book: any bytes give incomes, bad lines or the file's
// refusal, never a crash; every income is of one month 1 to 12 with a positive value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "importing/leao_book.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vorn::importing::LeaoBook b = vorn::importing::read_leao_book(bytes, "12345678909");
    if (!b.refused.empty() && !b.incomes.empty()) std::abort();
    for (const auto& r : b.incomes) {
        const int m = vorn::importing::leao_month(r);
        if (m < 1 || m > 12 || r.num("I1_4") <= vorn::Decimal() || r.str("I1_3").size() != 11)
            std::abort();
    }
    return 0;
}
