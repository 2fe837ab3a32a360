// The questions and checks of a capital gain as its fields are typed: the sale date (earlier
// year, after the base year, the estate's division), the small-value exemption, the single
// property, the reinvestment in another residential property with its five-year rule, the
// instalment sale of shares, whole quantities and the highest gain number. Each speaks to the
// operator and sets the record's answer fields; compute_gain then reads them.
#pragma once

#include <vector>

#include "base/operator.h"
#include "gains/gain.h"
#include "store/record.h"

namespace vorn::gains {

// The sale date typed. Before the base year: asks whether the asset was sold in another year
// with instalments paid this year; "N" refuses the date (false), "S" sets VENDAANT and
// VEN_PRAZO. After the base year: warns that the gain only serves the DARF. In the final
// declaration of an estate the date must be the division's.
bool check_sale_date(store::Record& gain, const Settings& s, Operator& op);

// The small-value question for sales up to the limit; sets PEQ_VALOR ("S" exempt). A sale
// above the limit clears the exemption without asking.
void ask_small_value(store::Record& gain, Operator& op);

// The single-property answer (UNIC_IMOV "S"): warns when the assets list more than one
// property, withdraws the exemption (USU_440 "S") for a property sale in the last five years,
// recorded or confirmed by the operator. Sets USU_440 "N" when the exemption stands.
void check_single_property(store::Record& gain, const Settings& s, Operator& op);

// The reinvestment answer (USA_ART31) and amount (VAL_PARTE): refusals, the five-year rule
// from the last use (ULTRESI), the amount limited to the net sale value.
void check_reinvestment(store::Record& gain, const Settings& s, Operator& op);

// An instalment answer for a shareholding of another nature than the first is set back to a
// sale at once. False when it was set back.
bool check_instalment_nature(store::Record& gain, Operator& op);

// Quantities of shares and coins are whole numbers (MOV_ACAO N9.0): a fraction is refused,
// never rounded. False after telling the operator.
bool check_quantity(Decimal quantity, Operator& op);

// The number for a new gain: one above the highest in use, 1 for the first. 0 after telling the
// operator when all 99 numbers (BEM_NRO N2.0) are taken.
int next_gain_number(const std::vector<store::Record>& table7, Operator& op);

}  // namespace vorn::gains
