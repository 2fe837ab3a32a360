// Realistic declarations for generated data folders (benchmarks and end-to-end tests): employees,
// retirees from age 65, self-employed people with Carnê-Leão, families with dependants, alimony,
// education, medical and pension payments, donations, RRA, assets and debts. The same seed gives
// the same declarations.
#pragma once

#include <random>
#include <string>

#include "base/validate.h"
#include "tax/declaration.h"

namespace bench {

using vorn::Date;
using vorn::Decimal;
using vorn::store::Record;
using vorn::tax::Declaration;

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    Declaration declaration(int i) {
        Declaration d = Declaration::blank(cpf(100000000 + i * 7919 % 800000000));
        const int profile = pick(0, 99);
        const bool retiree = profile < 12;
        const bool self_employed = profile >= 12 && profile < 32;
        Record& reg = d.registry;
        reg.set("NOMECONTR", "CONTRIBUINTE " + std::to_string(i));
        reg.set("NASCIMENTO",
                Date(retiree ? pick(1935, 1959) : pick(1960, 2000), pick(1, 12), pick(1, 28)));
        reg.set("CODAT", retiree ? "61" : "11");
        reg.set("USAPADRAO", chance(40) ? "S" : "N");
        reg.set("ESTATUS", Decimal(2));
        d.set("INDALERTA", Decimal(10));
        d.set("CAL_AUTO", Decimal(1));
        d.set("TIPO_PF", "T");

        const int companies = self_employed ? pick(0, 1) : pick(1, 2);
        for (int k = 0; k < companies; ++k) company(d, "J", "", retiree && k == 0);
        const int children = pick(0, 100) < 45 ? pick(1, 3) : 0;
        for (int k = 1; k <= children; ++k) {
            const std::string cpf_dep = cpf(200000000 + i * 31 + k);
            dependant(d, 21, cpf_dep, Date(pick(2004, 2022), pick(1, 12), pick(1, 28)), k);
            payment(d, 1, money(2000, 18000), k);
            if (chance(10)) company(d, "D", cpf_dep, false);
        }
        if (chance(6)) {
            dependant(d, 99, cpf(300000000 + i), Date(pick(2008, 2020), 5, 10), children + 1);
            Record& p = payment(d, 30, Decimal(), children + 1);
            Decimal total;
            for (int m = 1; m <= 12; ++m) {
                const Decimal v = money(800, 2500);
                p.set("I6_4" + vorn::tax::two_digits(m), v);
                total += v;
            }
            p.set("I6_4", total);
        }
        if (self_employed) self_employment(d);
        for (int k = pick(1, 5); k > 0; --k) {
            const Decimal paid = money(150, 9000);
            payment(d, pick(8, 26), paid, 0)
                .set("I6_5", chance(20) ? paid / Decimal(2) : Decimal());
        }
        payment(d, 1, money(1500, 12000), 0);
        if (chance(25)) payment(d, 36, money(2000, 25000), 0);
        if (chance(5)) payment(d, 40, money(100, 2000), 0);
        if (chance(10)) payment(d, 70, money(6000, 36000), 0);
        if (chance(3)) rra(d);
        for (int k = pick(2, 8); k > 0; --k) asset(d, k);
        for (int k = pick(0, 2); k > 0; --k) debt(d, k);
        return d;
    }

    // `count` postings not yet transferred, on accounts of the delivered chart: the income and tax
    // of the company already declared, income from individuals and cash-book expenses over a run
    // of months, medical payments, savings interest and interest on equity.
    void postings(Declaration& d, int count) {
        static const char* const kAccounts[] = {"1040", "1050", "2010", "2031",
                                                "7100", "5080", "6100"};
        for (int k = 0; k < count; ++k) {
            const std::string code = kAccounts[k % 7];
            const bool months = code == "2010" || code == "2031";
            Record r = d.new_record(13);
            r.set("CDCONTA", code);
            r.set("DESCONTA",
                  code[0] == '1' ? "EMPRESA PAGADORA LTDA" : "FONTE " + std::to_string(pick(1, 3)));
            r.set("VALODESP", money(100, 5000));
            r.set("NROCGCCPF", code == "2010" || code == "7100" ? cpf(400000000 + pick(0, 9))
                               : months                         ? ""
                                                                : "11222333000181");
            if (months) {
                const int first = pick(1, 12);
                r.set("MESINI", Decimal(first));
                r.set("MESFIM", Decimal(pick(first, 12)));
            }
            r.set("NROITEM", Decimal(k + 1));
            d.postings.push_back(std::move(r));
        }
    }

  private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(0, 99) < percent; }
    Decimal money(int lo, int hi) { return Decimal::from_scaled(pick(lo * 100, hi * 100), 2); }

    static std::string cpf(int base) {
        std::string b = std::to_string(base % 1000000000);
        b = std::string(9 - b.size(), '0') + b;
        return b + vorn::cpf_check_digits(b);
    }

    void company(Declaration& d, const char* kind, const std::string& dependant, bool retired) {
        Record r = d.new_record(2);
        const Decimal income = money(24000, 260000);
        r.set("I1_1", kind);
        r.set("I1_2", retired ? "INSTITUTO NACIONAL DO SEGURO SOCIAL" : "EMPRESA PAGADORA LTDA");
        r.set("I1_3", "11222333000181");
        r.set("I1_11", dependant.empty() ? "S" : "N");
        r.set("I1_8", dependant);
        r.set("I1_4", income);
        r.set("I1_5", (income * Decimal::from_scaled(pick(5, 20), 2)).round(2));
        r.set("I1_6", retired
                          ? Decimal()
                          : vorn::min((income * Decimal::from("0.09")).round(2), Decimal(9800)));
        r.set("I1_7", (income / Decimal(12)).round(2));
        if (retired) {
            r.set("I1_17", Decimal::from("22847.76"));
            r.set("I1_43", Decimal::from("1903.98"));
        }
        if (chance(30)) r.set("I1_16", money(1000, 40000));  // profits and dividends
        if (chance(40)) r.set("I1_38", money(100, 8000));    // financial applications
        d.items.push_back(std::move(r));
    }

    void self_employment(Declaration& d) {
        Record& f = monthly_item(d, "F", 2500, 16000);
        if (chance(50)) f.set("I1_41", "T");
        if (chance(40)) monthly_item(d, "I", 100, 1500);
        if (chance(30)) monthly_item(d, "P", 150, 900);
        if (chance(25)) monthly_item(d, "L", 200, 2500);
        if (chance(10)) monthly_item(d, "E", 1000, 6000);
        Record grid = d.new_record(12);
        d.monthly.push_back(std::move(grid));
    }

    Record& monthly_item(Declaration& d, const char* kind, int lo, int hi) {
        Record r = d.new_record(2);
        r.set("I1_1", kind);
        r.set("I1_2", "PESSOA FISICA");
        r.set("I1_11", "S");
        Decimal total;
        for (int m = 1; m <= 12; ++m) {
            const Decimal v = chance(85) ? money(lo, hi) : Decimal();
            r.set("I1_4" + vorn::tax::two_digits(m), v);
            total += v;
        }
        r.set("I1_4", total);
        d.items.push_back(std::move(r));
        return d.items.back();
    }

    void rra(Declaration& d) {
        Record r = d.new_record(2);
        const Decimal income = money(10000, 150000);
        r.set("I1_1", "A");
        r.set("I1_11", "S");
        r.set("TIPOCR", chance(50) ? "N" : "S");
        r.set("I1_4", income);
        r.set("I1_25", income);
        r.set("I1_21", Decimal(pick(2, 60)));
        r.set("I1_36", vorn::tax::two_digits(pick(1, 12)));
        r.set("I1_5", (income * Decimal::from("0.03")).round(2));
        d.items.push_back(std::move(r));
    }

    void dependant(Declaration& d, int code, const std::string& cpf_dep, Date birth, int number) {
        Record r = d.new_record(3);
        r.set("NOMEDEPEN", "DEPENDENTE " + std::to_string(number));
        r.set("CODIDEPEN", Decimal(code));
        r.set("CPFDEPEN", cpf_dep);
        r.set("DATADEPEN", birth);
        r.set("NRODEPEN", Decimal(number));
        d.dependants.push_back(std::move(r));
    }

    Record& payment(Declaration& d, int code, Decimal paid, int person) {
        Record r = d.new_record(6);
        r.set("I6_1", "BENEFICIARIO DO PAGAMENTO");
        r.set("I6_2", "11222333000181");
        r.set("I6_3", Decimal(code));
        r.set("I6_4", paid);
        r.set("I6_6", Decimal(person));
        d.payments.push_back(std::move(r));
        return d.payments.back();
    }

    void asset(Declaration& d, int k) {
        Record r = d.new_record(4);
        const Decimal before = money(0, 900000);
        r.set("I7_0", Decimal(k * 10));
        r.set("I7_1", Decimal(k));
        r.set("I7_2", "BEM OU DIREITO NUMERO " + std::to_string(k));
        r.set("I7_3", before);
        r.set("I7_4", chance(80) ? before + money(0, 50000) : Decimal());
        r.set("GRPO", "0" + std::to_string(pick(1, 7)));
        r.set("CODB", "0" + std::to_string(pick(1, 9)));
        if (chance(3)) {
            r.set("VAL_APLIC", money(-5000, 40000));
            r.set("VAL_IRFOR", money(0, 1000));
        }
        d.assets.push_back(std::move(r));
    }

    void debt(Declaration& d, int k) {
        Record r = d.new_record(5);
        r.set("I8_0", Decimal(k * 10));
        r.set("I8_2", "FINANCIAMENTO " + std::to_string(k));
        r.set("I8_3", money(5000, 300000));
        r.set("I8_4", money(0, 280000));
        r.set("I8_7", money(0, 40000));
        d.debts.push_back(std::move(r));
    }

    std::mt19937 rng_;
};

}  // namespace bench
