// Monthly income from individuals and from abroad and the Carnê-Leão: the grid of each person
// (table 12: income, abroad, cash book, deductions, paid, due, corrected), the tax due month by
// month, the late-payment correction, the annual lines fed by the grids, the inverse computation
// and the transfer of the office's cash-book postings into the declaration.
#pragma once

#include <optional>
#include <vector>

#include "tax/annual.h"

namespace vorn::tax {

// The 13 × 7 grid of one table-12 record: column 1 income from individuals, 2 from abroad, 3
// cash-book expenses, 4 deductions, 5 Carnê-Leão paid, 6 due, 7 corrected; month 13 the totals.
class MonthlyGrid {
  public:
    explicit MonthlyGrid(store::Record& r);
    Decimal get(int column, int month) const;
    void set(int column, int month, Decimal v);
    // Row 13 of every column as the sum of the twelve months.
    void total();

  private:
    store::Record& r_;
    size_t idx_[7][13];
};

// Recomputes the grid of one person, `person` being a record of decl.monthly: the holder's, or a
// dependant's (then every dependant's grid, since their totals are kept together). Also refreshes
// the social-security totals, the alimony and dependants' deduction and the income-by-type totals,
// then the annual lines.
void FDE_LEAO(Context& c, store::Record& person, bool holder);
// The holder's grid (created in memory when missing), then the annual lines.
void FDE_LEAO_holder(Context& c);
// Every dependant's grid (created in memory for a dependant with monthly items but no record),
// then the annual lines.
void FDE_LEAO_dependants(Context& c);
// The cash book of a person held to the receipts of self-employed work: given the expenses and the
// work income of each month of `b`, the deductible amount of month m is the lesser of its work
// income and its expenses plus what earlier months carried; the rest is carried to month m + 1,
// and what December carries on is lost (never to the next year).
void limit_cash_book(CashBook& b);
// The cash book of one record of decl.monthly: expenses from the grid's column 3, work income
// from the person's items of work from individuals and from abroad (or, with monthly totals typed,
// the whole income of columns 1 and 2), limited as above.
CashBook person_cash_book(const Declaration& d, const store::Record& person);
// Carnê-Leão due of one month (column 6) from the grid's income, the deductible cash book of the
// person's `book` and the grid's deductions, and with `total` the total row; then the corrected
// amounts.
void VE_LEAO(Context& c, MonthlyGrid& g, const CashBook& book, int month, bool total);
// The corrected amount (column 7) of each month whose due exceeds what was paid.
void CORR_DARF(Context& c, MonthlyGrid& g);
// Lines 03, 04, 18, 49, 50 and the Carnê-Leão lines 29 and 30 from the records of table 12; line
// 18 adds up the deductible cash book of every person, whose books are kept in
// decl.work.cash_books (carried and lost amounts for the screens).
void CALC_LEAOTOTAL(Declaration& d);

// The year of one person's income from individuals and from abroad as the Carnê-Leão form
// shows it, month by month (index 1 … 12, 13 the year's totals): income from individuals by
// type (work, rent, other), from abroad, cash-book expenses, official social security, alimony
// (the holder's), the Carnê-Leão paid and the Carnê-Leão due. `person` is a record of
// decl.monthly of a computed declaration. With typed monthly totals (modes 2 and 4) the income
// is of the declaration's type `TIPO_PF` and the typed deductions stand as social security.
struct PersonMonths {
    Decimal work[14], rent[14], other[14], abroad[14], cash_book[14], social_security[14],
        alimony[14], paid[14], due[14];
    // Whether anything of the year is not zero.
    bool any() const;
};
PersonMonths person_months(const Declaration& d, const store::Record& person);
// Whether an income item belongs to the person of a monthly record (the holder's has no
// `CPFDEPEN`).
bool belongs_to(const store::Record& item, const store::Record& person);
// The income type of an individual payer's item as the monthly totals count it: "T" work, "A"
// rent, "O" other.
std::string individual_income_type(const Declaration& d, const store::Record& item);
// An item's twelve monthly values as the grids count them (index 1 … 12); false for an entry the
// grids pass over (a dated entry without a date).
bool item_monthly_values(const Declaration& d, const store::Record& item, Decimal months[13]);

// Inverse mode: the month's income from individuals that makes the Carnê-Leão paid `paid` (tax
// compared in whole reais), given the month's deductions and income from abroad; nullopt when no
// bracket gives that tax.
std::optional<Decimal> LEAO_INVERSO(Decimal paid, int month, Decimal deductions, Decimal abroad);

// Transfers every posting (table 13) not yet transferred into the declaration's lines, items and
// grids by its account (the chart of accounts: records of table 62), marks it transferred and
// tells the operator how many were done. Returns the number transferred.
int LANCAVAL(Context& c, const std::vector<store::Record>& accounts);
// What a transfer of `done` postings tells: "Feitos 3 lancamentos", "Feito 1 lancamento".
std::string posted_text(int done);

}  // namespace vorn::tax
