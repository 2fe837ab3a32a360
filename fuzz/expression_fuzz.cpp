// libFuzzer target over the calculator's expression evaluator: any bytes at all must be answered
// with a value or a message, never a crash, an overflow or a hang; a value stays within the limit
// and reads back from the text a text field receives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/expression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vorn::Decimal value;
    const vorn::Status st = vorn::evaluate_expression(text, &value);
    if (!st) {
        if (st.message().empty()) std::abort();
        return 0;
    }
    if (value.abs() >= vorn::Decimal(vorn::kExpressionLimit)) std::abort();
    vorn::Decimal again;
    if (!vorn::evaluate_expression(vorn::calculator_text(value), &again) || again != value.round(4))
        std::abort();
    return 0;
}
