// One declaration held in memory as the computations see it: the summary record (table 1) and the
// registry record (table 9), whose fields are the declaration's global values, the item lists of
// the per-declaration tables, and the intermediate values of the computation that are not stored.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "gains/gain.h"
#include "store/record.h"

namespace vorn::tax {

// The cash book (livro-caixa) of one person over the year, month by month (index 1 … 12): the
// month's expenses, what earlier months carried into it, the month's receipts of self-employed
// work that bound the deduction, the deductible amount and what is carried on. Expenses are
// deductible only up to that work income; what December carries on is lost.
struct CashBook {
    Decimal expenses[13], carried_in[13], work[13], deductible[13], carried_out[13];
    Decimal deductible_total() const;
    Decimal lost() const { return carried_out[12]; }
};

// Values of the computation that live only while a declaration is open (never stored).
struct Work {
    // Income items (FI1_T).
    Decimal I13_10A, I13_10B;              // official social security on RRA, holder / dependants
    Decimal I13_25A, I13_25B;              // tax due on RRA taxed exclusively
    Decimal I13_34A, I13_34B;              // tax withheld on RRA
    Decimal inss_holder, inss_dependants;  // official social security withheld by companies
    Decimal VARIA;                         // other income items (kind "V")
    // Payments (FDE_TUDO).
    Decimal education_total;  // codes 1 and 2, unlimited
    Decimal I13_11T;          // complementary pension, unlimited
    Decimal I13_14D;          // reimbursed medical expenses
    Decimal NFUNPRESP;        // Funpresp sponsor's part, counted as official social security
    Decimal I13_22C, I13_22T, I13_22P;  // donations: children's fund; incentives; health programmes
    bool JA_CALC = false;               // the payment totals are current
    // Annual computation.
    Decimal DESCON, NCOMPL, NSIMPL, NILEI14754;
    std::string verdict;  // the verdict line of the complete summary
    // Tax paid abroad: the tax with and without the foreign income, and the legal limit.
    Decimal foreign_with, foreign_without, foreign_limit;
    bool LTROCOU = false;  // the summary is being rebuilt after a switch of option
    // Patrimony and cash check.
    Decimal NTOTBEMANT, NTOTBEMBASE, NTOTDIVANT, NTOTDIVBASE;
    Decimal I10_1, I10_2;  // increase / decrease of the patrimony
    Decimal RECEITA, DESPESA, DESPSIMP;
    // Monthly entries.
    Decimal PENSAOM, NTOTDEP;
    std::map<std::string, CashBook> cash_books;  // by the dependant's CPF; "" the holder
};

struct Declaration {
    store::Record summary;                  // table 1
    store::Record registry;                 // table 9
    std::vector<store::Record> items;       // table 2: income items
    std::vector<store::Record> dependants;  // table 3: dependants, alimony recipients, heirs
    std::vector<store::Record> assets;      // table 4
    std::vector<store::Record> debts;       // table 5
    std::vector<store::Record> payments;    // table 6
    std::vector<store::Record> monthly;     // table 12: the monthly grid of each person
    std::vector<store::Record> postings;    // table 13: cash-book postings by account
    Work work;

    // A declaration with blank summary and registry records carrying this CPF.
    static Declaration blank(std::string_view cpf);
    // A blank record of table `number` (catalogue layout) carrying this declaration's CPF.
    store::Record new_record(int number) const;

    std::string cpf() const { return registry.str("CPF"); }

    // The item list held from table `number` (2 to 6, 12, 13); null for any other table.
    std::vector<store::Record>* list(int number);
    const std::vector<store::Record>* list(int number) const;

    // Global values: the name is looked up in the summary record, then in the registry; an
    // unknown name is a programming error (throws std::out_of_range).
    Decimal num(std::string_view name) const;
    std::string str(std::string_view name) const;
    Date date(std::string_view name) const;
    bool logical(std::string_view name) const;
    // The field that holds a global value (its type, width and decimals).
    const store::FieldDef& field(std::string_view name) const;
    // Writes every record that holds the field (both, for names kept in both).
    void set(std::string_view name, Decimal v);
    void set(std::string_view name, std::string_view v);
    void set(std::string_view name, const char* v) { set(name, std::string_view(v)); }
    void set(std::string_view name, bool v);
    void set(std::string_view name, Date v);
    // Shorthands for the option flags.
    bool simplified() const { return str("USAPADRAO") == "S"; }
    bool is_final() const { return str("DECFINAL") == "S"; }
    bool is_departure() const { return str("DECSAIDA") == "S"; }

  private:
    std::pair<const store::Record*, size_t> locate(std::string_view name) const;
};

// Items of a list that are not marked deleted.
template <typename F>
void for_each_live(std::vector<store::Record>& list, F f) {
    for (auto& r : list)
        if (!r.deleted) f(r);
}
template <typename F>
void for_each_live(const std::vector<store::Record>& list, F f) {
    for (const auto& r : list)
        if (!r.deleted) f(r);
}

// A number as an N field of this width and decimals writes it ("8", "-904.97"); kInvalid naming
// the field when it does not fit, never a longer number.
[[nodiscard]] Status number_in_field(const store::FieldDef& f, Decimal v, std::string* out);
// Every number of the summary and registry records checked against its field's width: a total
// computed too large for its field is an error naming the field.
[[nodiscard]] Status check_field_widths(const Declaration& d);

// "01" … "13".
std::string two_digits(int n);

// What the capital-gain computation takes from the declaration: the declarant, residence abroad,
// the last reinvestment and property sale, an estate's division date.
gains::Settings gain_settings(const Declaration& d);

// A field as text whatever its type (reference tables shipped with the installation or written by
// other tools may hold a code as text or as a number); "" when the record has no such field.
std::string field_text(const store::Record& r, std::string_view name);
// The same read as a whole number; 0 when empty or not a number.
long long field_int(const store::Record& r, std::string_view name);

}  // namespace vorn::tax
