// Builds declarations in memory for the computation tests: items, payments, dependants and
// monthly grids with the catalogue's layouts, and the context the computations run in.
#pragma once

#include <ostream>
#include <string>

#include "base/date.h"
#include "base/operator.h"
#include "tax/annual.h"
#include "tax/declaration.h"

namespace vorn {
// Amounts in test failures as numbers.
inline void PrintTo(const Decimal& d, std::ostream* os) {
    *os << d.to_plain();
}
}  // namespace vorn

namespace vorn::tax::testing {

inline Decimal D(const char* s) {
    return Decimal::from(s);
}

class Builder {
  public:
    explicit Builder(const char* cpf = "12345678909") : d(Declaration::blank(cpf)) {
        d.set("USAPADRAO", "N");
        d.set("CAL_AUTO", Decimal(1));
    }

    // Income from a company received by the holder ("J") or by a dependant ("D").
    store::Record& company(const char* income, const char* withheld = "0", const char* inss = "0",
                           const char* thirteenth = "0", const char* dependant_cpf = "") {
        store::Record r = d.new_record(2);
        const bool holder = *dependant_cpf == '\0';
        r.set("I1_1", holder ? "J" : "D");
        r.set("I1_2", "EMPRESA");
        r.set("I1_3", "11222333000181");
        r.set("I1_11", holder ? "S" : "N");
        r.set("I1_8", dependant_cpf);
        r.set("I1_4", D(income));
        r.set("I1_5", D(withheld));
        r.set("I1_6", D(inss));
        r.set("I1_7", D(thirteenth));
        d.items.push_back(r);
        return d.items.back();
    }
    // A monthly item (kind "F", "E", "P", "L" or "I") with the same value in the given months.
    store::Record& monthly_item(const char* kind, const char* per_month, int first = 1,
                                int last = 12, const char* dependant_cpf = "") {
        store::Record r = d.new_record(2);
        r.set("I1_1", kind);
        r.set("I1_11", *dependant_cpf ? "N" : "S");
        r.set("I1_8", dependant_cpf);
        Decimal total;
        for (int m = first; m <= last; ++m) {
            r.set("I1_4" + two_digits(m), D(per_month));
            total += D(per_month);
        }
        r.set("I1_4", total);
        d.items.push_back(r);
        return d.items.back();
    }
    store::Record& payment(int code, const char* paid, const char* not_deductible = "0",
                           int person = 0) {
        store::Record r = d.new_record(6);
        r.set("I6_1", "BENEFICIARIO");
        r.set("I6_3", Decimal(code));
        r.set("I6_4", D(paid));
        r.set("I6_5", D(not_deductible));
        r.set("I6_6", Decimal(person));
        d.payments.push_back(r);
        return d.payments.back();
    }
    store::Record& dependant(int code, const char* cpf, Date birth, int number = 0,
                             const char* name = "DEPENDENTE") {
        store::Record r = d.new_record(3);
        r.set("NOMEDEPEN", name);
        r.set("CODIDEPEN", Decimal(code));
        r.set("CPFDEPEN", cpf);
        r.set("DATADEPEN", birth);
        r.set("NRODEPEN", Decimal(number));
        d.dependants.push_back(r);
        return d.dependants.back();
    }

    Declaration d;
};

// A self-employed client with 40,000.00 of work receipts (January to October), 30,000.00 of rent
// from individuals and 60,000.00 of cash-book expenses, who paid no Carnê-Leão and counts only
// what was paid: the cash book is deductible up to the work income, 40,000.00.
inline Builder cash_book_client(const char* cpf = "39053344705") {
    Builder b(cpf);
    b.monthly_item("F", "4000.00", 1, 10).set("I1_41", "T");
    b.monthly_item("F", "2500.00", 1, 12).set("I1_41", "A");
    b.monthly_item("L", "5000.00");
    b.d.set("SO_REC", true);
    return b;
}

// The context of a computation, with a scripted operator and a clock standing at `today`.
struct Session {
    explicit Session(Declaration& d, Date today = Date(2026, 4, 15))
        : clock(DateTime{today, 36000}), ctx{d, op, clock, selic} {}
    ScriptedOperator op;
    ManualClock clock;
    payments::InterestTable selic;
    Context ctx;
};

}  // namespace vorn::tax::testing
