// The value converter of an entry screen (Alt+U): reais and dollars at the office's dollar rate
// (DEFINE.VAL_DOLAR), the value in reais going into the number field being edited.
#pragma once

#include <optional>

#include "base/decimal.h"
#include "ui/screen.h"

namespace vorn::entry {

// A window with the rate and two values, R$ prefilled with `reais` and US$ from it; typing one
// recomputes the other (US$ = R$ ÷ rate, R$ = US$ × rate, both rounded to the cent). Enter past
// the last value returns the reais; Esc returns nullopt. A rate of zero is told and nothing opens.
std::optional<Decimal> CONVERSOR(ui::Screen& s, Decimal reais, Decimal rate);

// Alt+U on the active field: number fields with decimals (amounts) open the converter and take
// its reais rounded to their decimals (as if typed; Enter accepts it). On I13_31 the monthly
// converter of that field is pointed to instead. Other fields (texts, codes, counts) only beep.
void converter_into_field(ui::Screen& s, Decimal rate);

}  // namespace vorn::entry
