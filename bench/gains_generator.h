// Capital gains and variable income for generated data folders: every fifth declaration sells
// one to three assets (real estate with its cost rows, a car, shares with their operations,
// dollars in cash), the first of them a property sold in twelve instalments with ten cost rows; the
// same declarations keep stock statements for the holder and a fund statement for a dependant.
// The gains are computed as the entry screen stores them. Its own seed: the declarations of
// generator.h stay the same with or without gains.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "base/operator.h"
#include "gains/gain.h"
#include "gains/statement.h"
#include "store/catalogue.h"
#include "tax/declaration.h"

namespace bench {

class GainsGenerator {
  public:
    explicit GainsGenerator(unsigned seed) : rng_(seed) {}

    // Appends declaration number `i`'s records of tables 7 and 8.
    void add(int i, const vorn::tax::Declaration& d, std::vector<vorn::store::Record>& t7,
             std::vector<vorn::store::Record>& t8) {
        if (i % 5 != 0) return;
        std::vector<vorn::store::Record> gains, costs;
        const int n = pick(1, 3);
        for (int k = 1; k <= n; ++k) {
            if (k == 1)
                instalment_property(d, gains, costs);
            else
                sale(d, k, pick(0, 3), gains, costs);
        }
        vorn::gains::Settings s;
        s.declarant_cpf = d.cpf();
        vorn::ScriptedOperator op;
        for (vorn::store::Record* g : vorn::gains::gains_of(gains)) {
            std::vector<vorn::store::Record*> rows = vorn::gains::costs_of(*g, costs);
            vorn::gains::compute_gain(*g, rows, s, op);
        }
        statements(d, gains);
        t7.insert(t7.end(), gains.begin(), gains.end());
        t8.insert(t8.end(), costs.begin(), costs.end());
    }

  private:
    using Record = vorn::store::Record;
    using Decimal = vorn::Decimal;
    using Date = vorn::Date;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    Decimal money(int lo, int hi) { return Decimal::from_scaled(pick(lo * 100, hi * 100), 2); }
    static std::string two(int m) { return (m < 10 ? "0" : "") + std::to_string(m); }

    Record gain(const vorn::tax::Declaration& d, int number, int kind) {
        Record g = d.new_record(7);
        g.set("BEM_NRO", Decimal(number));
        g.set("CPFALIEN", d.cpf());
        g.set("TIPO_BEM", Decimal(kind));
        g.set("CODNATUR", Decimal(1));
        return g;
    }
    Record cost_row(const vorn::tax::Declaration& d, int number, Decimal value, Date date) {
        Record c = d.new_record(8);
        c.set("BEM_NRO", Decimal(number));
        c.set("VALOR_CUST", value);
        c.set("DATA_CUST", date);
        return c;
    }

    void instalment_property(const vorn::tax::Declaration& d, std::vector<Record>& gains,
                             std::vector<Record>& costs) {
        Record g = gain(d, 1, vorn::gains::kRealEstate);
        g.set("DATA_ADQ", Date(1986, 4, 10));
        g.set("DATA_ALI", Date(2025, 1, 20));
        g.set("VAL_ALI", Decimal(1'200'000));
        g.set("VAL_CORR", Decimal(36'000));
        g.set("PARCOMPRA", "S");
        g.set("VEN_PRAZO", "S");
        for (int m = 1; m <= 12; ++m) {
            g.set("REC_MES" + two(m), Decimal(100'000));
            g.set("VAL_COR" + two(m), Decimal(3'000));
        }
        for (int k = 0; k < 10; ++k)
            costs.push_back(cost_row(d, 1, money(5000, 60000), Date(1986 + 3 * k, 4, 10)));
        gains.push_back(std::move(g));
    }

    void sale(const vorn::tax::Declaration& d, int number, int which, std::vector<Record>& gains,
              std::vector<Record>& costs) {
        const Date sold(2025, pick(1, 12), pick(1, 28));
        if (which == 0) {
            Record g = gain(d, number, vorn::gains::kRealEstate);
            g.set("DATA_ADQ", Date(pick(1975, 2020), pick(1, 12), pick(1, 28)));
            g.set("DATA_ALI", sold);
            g.set("VAL_ALI", money(200000, 2000000));
            g.set("VAL_CORR", money(0, 40000));
            g.set("CUS_ATUAL", money(50000, 190000));
            gains.push_back(std::move(g));
        } else if (which == 1) {
            Record g = gain(d, number, vorn::gains::kMovable);
            g.set("DATA_ALI", sold);
            g.set("VAL_ALI", money(20000, 150000));
            g.set("CUS_ATUAL", money(10000, 120000));
            g.set("PEQ_VALOR", g.num("VAL_ALI") <= Decimal(35'000) ? "S" : "N");
            gains.push_back(std::move(g));
        } else {
            Record g = gain(d, number, which == 2 ? vorn::gains::kShares : vorn::gains::kCash);
            g.set("TIPOPART", Decimal(1));
            g.set("PARCOMPRA", "S");
            g.set("DATA_ALI", sold);
            g.set("VAL_ALI", money(30000, 90000));
            const int quantity = pick(100, 1000);
            costs.push_back(cost_row(d, number, money(10000, 40000), Date(2024, 3, 1)));
            costs.back().set("MOV_ACAO", Decimal(quantity));
            costs.push_back(cost_row(d, number, Decimal(), sold));
            costs.back().set("TIPO_OPER", Decimal(3));
            costs.back().set("MOV_ACAO", Decimal(quantity / 2));
            gains.push_back(std::move(g));
        }
    }

    void statements(const vorn::tax::Declaration& d, std::vector<Record>& t7) {
        using namespace vorn::gains;
        Statement st;
        for (const char kind : {kCommon, kDayTrade}) {
            ZER_RENVAR(st, kind);
            for (int m = 1; m <= 12; ++m) st.at(1, m) = money(-3000, 5000);
            if (kind == kDayTrade) st.at(21, 3) = money(0, 50);
            SOMA_RENVAR(st);
            GRAVA_RV(st, d.cpf(), t7);
        }
        ZER_RENVAR(st, kFund);
        st.dependant = d.dependants.empty() ? "52998224725" : d.dependants.front().str("CPFDEPEN");
        for (int m = 1; m <= 12; ++m) st.at(1, m) = money(-500, 1500);
        SOMA_RENVAR(st);
        GRAVA_RV(st, d.cpf(), t7);
    }

    std::mt19937 rng_;
};

}  // namespace bench
