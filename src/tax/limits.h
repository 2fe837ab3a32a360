// Legal limits and consistency checks run as field validations: the exempt retirement portion
// from age 65, the income limit of parents as dependants, the non-deductible column of payments,
// the person a payment belongs to, the direct donations in the declaration, and the cash check
// comparing what the taxpayer received with what was spent and how the patrimony moved.
#pragma once

#include <string>
#include <string_view>

#include "tax/annual.h"

namespace vorn::tax {

// Exempt portion from age 65 typed on income item decl.items[item] for the beneficiary with this
// CPF (the holder's CPF or empty for the holder). Returns the value kept, also written into the
// item's I1_17 (0 when refused). Above the limit the portion is cut to what is left of it, and on
// the operator's yes a taxable item with the excess is appended to decl.items (which may move the
// items: take them again by index afterwards).
Decimal LIMIT3(Context& c, size_t item, Decimal value, std::string_view beneficiary_cpf);
// Annual exempt portion (which = 1) or exempt 13th (which = 2) typed in an item's detail window.
bool LIM_INSS(Context& c, Decimal value, int which);
// A monthly exempt portion or exempt 13th.
bool LIM_ISEN(Context& c, Decimal value);
bool LIM_13ROISEN(Context& c, Decimal value);
// After an item's detail window: a parent or grandparent (relationship 31) whose exempt income on
// the item exceeds the year's limit is told he can no longer be a dependant. False when told.
bool parents_income_check(Context& c, const store::Record& item);
// A field reserved to retired persons: the value, or 0 when the operator declines.
Decimal LIMIT2(Context& c, Decimal value);
// Amount paid of a payment (`payment`, a record of decl.payments): stores it and applies the
// code's rule; returns the value.
Decimal FDOAPAG(Context& c, store::Record& payment, Decimal value);
// Non-deductible part of a payment: the value to keep (0 when refused or not allowed).
Decimal FCONFNDEDU(Context& c, store::Record& payment, Decimal value);
// Person of a payment. Mode 0 first lets the operator choose from the list of candidates (the
// choice is written into `number`). On acceptance of an alimony payment the recipient's name and
// CPF are copied into the payment.
bool CONF_DEP(Context& c, store::Record& payment, int& number, int mode);
// The limit of a direct donation in the declaration: fund 1 children's (code 39), 2 elderly (49),
// from the tax I13_21 as the declaration holds it.
Decimal direct_donation_limit(const Declaration& d, int fund);
// The same on the declaration as it now stands: its totals and tax are computed again first
// (silently), so that items or payments changed since the last computation count.
Decimal LIMDOA(Context& c, int fund);
// A direct donation typed against its limit; a positive one is confirmed by the operator.
bool VELIMD(Context& c, Decimal value, Decimal limit);

// Variation of the patrimony from the asset and debt totals: I10_1, I10_2 and EMPREST.
void FI10_1(Declaration& d);
// The cash check: RECEITA, DESPESA, SALDO and INDGAS.
Decimal VE_SALDO(Declaration& d);

// The figures of the balance screen, in its order.
struct BalanceFigures {
    // Receipts.
    Decimal taxable, exempt, exclusive, variable_income, spouse_income, spouse_surplus, loans,
        rural_loans, gain_entries, exempt_deductions, smaller_patrimony, suspended, deferred_gain,
        other_receipts, total_receipts, future_receivable;
    // Expenses.
    Decimal taxes_of_year, previous_year_tax, expenses_entered, variable_loss, keeping_assets,
        sale_losses, rural_loss, rural_amortisation, cost_written_off, cost_of_year,
        larger_patrimony, other_expenses, total_expenses;
    Decimal saldo, indgas, monthly_receipts, monthly_saldo;
    bool alert = false;  // SALDO ≤ 0 or INDGAS below the office's threshold
};
BalanceFigures MOS_BALAN(Declaration& d);

// An amount as "22.847,76".
std::string brl(Decimal v);

}  // namespace vorn::tax
