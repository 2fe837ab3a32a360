// The monthly values window of a field or of an item's row: twelve months and their total in
// reais and in dollars, each currency converted into the other at the month's dollar rate. Also
// the month limit of a final declaration of an estate, which every monthly grid keeps.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include "base/decimal.h"
#include "base/operator.h"
#include "tax/declaration.h"
#include "ui/screen.h"

namespace vorn::entry {

// The last month a monthly grid takes values for: the partition month of a final declaration of
// an estate whose partition date falls in the calendar year, else 12.
int estate_last_month(const tax::Declaration& d);

// Whether `month` (1 … 12) may take a value when grids stop at `last_month`; a later month is
// told to the operator and refused.
bool month_within_estate(Operator& op, int month, int last_month);

// US$ of an amount in R$ at a month's rate (R$ ÷ rate) and the other way round (US$ × rate), both
// truncated to the cent.
Decimal reais_to_dollars(Decimal reais, int month);
Decimal dollars_to_reais(Decimal dollars, int month);

// A month's amount in R$ checked before the window takes it (month 1 … 12); false refuses it, the
// operator told why.
using MonthCheck = std::function<bool(int month, Decimal reais)>;

// The window "Valores Mensais - Alt B busca valor - Alt L Libera a Coluna Dolar" over `reais`
// (index 0 = January): Enter or a typed digit edits a month in R$ (the US$ follow), Alt+L frees
// the US$ column for typing (the R$ follow), Alt+B repeats the month above into the current one;
// a negative amount is refused, months after `last_month` take nothing, and `check` (when given)
// may refuse a month's amount. Tab or Ctrl+Enter
// keeps the months typed, updates `reais` and returns their total; Esc gives them up (nullopt,
// `reais` as it was). The screen's hot keys rest while the window is open.
std::optional<Decimal> VALORES_MENSAIS(ui::Screen& s, Operator& op, std::array<Decimal, 12>& reais,
                                       int last_month = 12, const MonthCheck& check = {});

}  // namespace vorn::entry
