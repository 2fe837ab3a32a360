// The annual adjustment of one declaration: totals of the income items, payments, assets and debts;
// the complete and the simplified option with their verdict; incentive deductions; the tax paid
// abroad; the balance, the quotas and the automatic debit; switching options; the effective rate.
// Results are written into the declaration's global values named after the summary lines.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "payments/interest.h"
#include "tax/declaration.h"
#include "tax/table.h"

namespace vorn::tax {

// What a computation works with: the open declaration, the operator, today's date and the SELIC
// rates (for the late-payment correction of the monthly Carnê-Leão).
struct Context {
    Declaration& decl;
    Operator& op;
    const Clock& clock;
    const payments::InterestTable& selic;
};

// The entry point after every change. kind 1: the holder's monthly grid and Carnê-Leão; 2: the
// dependants' grids; 3: the totals of exempt and exclusive income; 4: the payment totals; 5: line
// 04 of exempt income from its components; 6: line 09; 7: the whole annual computation. show = 1
// also produces the messages that belong to the open summary screen. Does nothing while the
// summary is rebuilt after a switch of option. Returns true.
bool CALC(Context& c, int kind, int show);

// Everything the summary screen runs on opening a declaration: the totals of items, payments,
// assets and debts, the monthly grids of every person, the annual computation (a final or
// departure declaration forced to the complete option) and the quotas.
void compute_declaration(Context& c);
// The same telling the operator nothing: its messages belong to the summary screen, which
// computes again when it opens.
void compute_silently(Context& c);

// Totals of the income items (table 2) into the taxable, exempt and exclusive lines.
void FI1_T(Declaration& d);
// Totals of the payments (table 6): education, medical, alimony, pensions, donations.
void FDE_TUDO(Declaration& d);
// Totals of the assets: I13_39, I13_40, and the foreign applications and entities of Lei 14.754:
// their exclusive income I4_13 and the base BASE14754.
void FI7_T(Declaration& d);
// Totals of the debts: I13_41, I13_42, I13_51.
void FI8_T(Declaration& d);
// I13_44 (sum of I3_01 … I3_26) and I13_45 (the exclusive lines I4_01 … I4_15 except the loss to
// carry I4_14, which is not income).
void SOMA_TRIBENAO(Declaration& d);
// I3_04 as the sum of its eight capital-gain components.
void FI3_04(Declaration& d);
// Line 09: social security by carnê, withheld by companies, and the Funpresp sponsor's part.
void FI13_09(Declaration& d);

// The table of the declaration's adjustment: the cumulated table for a final estate declaration
// or a departure declaration (warning the operator when the date it depends on is missing).
AnnualTable annual_table_for(Context& c);

// Incentive deductions allowed against `tax`: codes 40–44 and 47 first, then 39 and 49, within 6 %
// of the tax; codes 45 and 46 within 1 %. With `rewrite` the non-deductible part I6_5 of each of
// these payments is set to what exceeds its limit.
Decimal incentive_deduction(Declaration& d, Decimal tax, bool rewrite);
// Line 22 (complete option); in the simplified option the operator is told incentives belong to the
// complete option and every such payment becomes non-deductible.
void FI13_22(Context& c);

// The most of the complementary pension deductible against a taxable income: 12 % of it, to the
// cent.
Decimal pension_limit(Decimal income);

// Line 36 / 38 and IMPPGRE from lines 26 and 35.
void FI13_35(Declaration& d);

// The simplified summary's recomputation (the declaration being in the simplified option): mode 1
// the whole computation and the quotas, mode 2 only the quotas.
void CSIMPLES(Context& c, int mode, int show);

// Quotas: the number allowed by the balance (at most 8, at least 1, one in a final or departure
// declaration) and the value of each, truncated to the cent.
void FQTD_QUOTA(Context& c, int show);
// The automatic debit of a single quota after the last day for it; false (DEBITAUT set to "N",
// operator told) when not allowed.
bool VEJA_UMA_QUOTA(Context& c);

// Switches between the options; refused (false, operator told) in final and departure
// declarations. The summary must then be recomputed (LTROCOU is set while it is).
bool MUDA(Context& c);
// The option field of the complete summary ("S" switches to simplified) and of the simplified
// summary ("S" switches to complete); "N" or blank keeps the option, anything else is refused.
bool CONF_PADR(Context& c, std::string_view answer);
bool VIRA_COMP(Context& c, std::string_view answer);

// The effective rate shown on the summary, truncated to two decimals.
struct EffectiveRate {
    enum class Balance { kPay, kRefund, kNone } balance = Balance::kNone;
    Decimal percent;
    bool zero_word = false;  // nothing was paid: the word "Zero" is shown
};
EffectiveRate effective_rate(const Declaration& d);

// The right-hand panel of the simplified summary: what the complete option would give (three
// lines: "No completo" / "Devolução" or "Imposto" / the amount or "ZERO"; or "Os dois" /
// "Formulários" / "são iguais" when both options give the same tax).
std::vector<std::string> complete_option_panel(const Declaration& d);
// The label of the balance on the summary screens.
std::string balance_label(EffectiveRate::Balance balance, bool complete_screen);

// An amount through an "@E" number picture such as "999,999,999.99": digits fill the 9s from the
// right, a separator shows only between digits, and the output swaps the point and the comma
// (1.234,56). With `zero_blank` ("@EZ") a zero shows as blanks; too wide a value shows asterisks.
std::string picture_e(Decimal v, std::string_view picture, bool zero_blank = false);

}  // namespace vorn::tax
