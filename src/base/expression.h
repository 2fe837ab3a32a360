// Arithmetic the operator types into the calculator: exact decimals (never binary floating
// point), + − × ÷, percent, parentheses and signs, with the usual precedence.
//
// Numbers: digits with a decimal comma ("1.234,56": the points group thousands) or, in a number
// without a comma, one decimal point ("12.5"); at most 12 decimals. Operators: "+", "-", "*", "x",
// "×", "/", ":", "÷", and "%" after a number or a parenthesis. A percent divides by 100, except
// as the right-hand side of "+" or "-": "200 + 10%" adds ten percent of 200 (220), as desk
// calculators do. Products and quotients keep 12 decimals (the quotient is truncated there).
#pragma once

#include <string>
#include <string_view>

#include "base/decimal.h"
#include "base/status.h"

namespace vorn {

// Values beyond this (in either sign) are refused: no amount of the system comes near it.
inline constexpr long long kExpressionLimit = 1'000'000'000'000'000;  // 10^15

// Evaluates `text` into `*result`. Fails (Code::kInvalid, *result unchanged) with a message for
// the operator naming the position (1-based, in characters) of what is wrong: a malformed number,
// an unknown character, an operator without its operand, unbalanced parentheses, a division by
// zero, a value beyond kExpressionLimit. Any text at all is accepted as input; nothing throws.
[[nodiscard]] Status evaluate_expression(std::string_view text, Decimal* result);

// A result as a text field receives it: decimal comma, thousands points, four decimals
// ("-1.234,5000").
std::string calculator_text(Decimal value);

}  // namespace vorn
