// The declaration's totals from gains and statements: which gain counts where.
#include <gtest/gtest.h>

#include <map>

#include "gains/gain.h"
#include "gains/statement.h"
#include "gains/totals.h"
#include "records.h"

namespace vorn::gains {
namespace {

using testing::D;
using testing::gain;
using testing::kDeclarant;

void compute(store::Record& g) {
    std::vector<store::Record*> none;
    Settings s;
    s.declarant_cpf = kDeclarant;
    ScriptedOperator op;
    compute_gain(g, none, s, op);
}

std::map<std::string, Decimal> totals(const std::vector<store::Record>& t) {
    std::map<std::string, Decimal> m;
    carry_totals(t, [&](std::string_view n, Decimal v) { m[std::string(n)] = v; });
    return m;
}

TEST(GainTotals, EachGainCountsOnItsLine) {
    std::vector<store::Record> t{
        // The flat of 1985: taxable 122,632.37, reductions 587,367.63, tax 18,394.85.
        gain({{"BEM_NRO", "1"},
              {"TIPO_BEM", "1"},
              {"DATA_ADQ", "10/03/1985"},
              {"DATA_ALI", "15/06/2025"},
              {"VAL_ALI", "800000.00"},
              {"VAL_CORR", "40000.00"},
              {"CUS_ATUAL", "50000.00"}}),
        // A car of small value: 5,000.00 exempt.
        gain({{"BEM_NRO", "2"},
              {"TIPO_BEM", "2"},
              {"DATA_ALI", "01/03/2025"},
              {"VAL_ALI", "30000.00"},
              {"CUS_ATUAL", "25000.00"},
              {"PEQ_VALOR", "S"}}),
        // The only property, 400,000.00: 100,000.00 exempt.
        gain({{"BEM_NRO", "3"},
              {"TIPO_BEM", "1"},
              {"DATA_ADQ", "01/02/2015"},
              {"DATA_ALI", "01/02/2025"},
              {"VAL_ALI", "400000.00"},
              {"CUS_ATUAL", "300000.00"},
              {"UNIC_IMOV", "S"},
              {"USU_440", "N"}}),
        // A car abroad: 60,000.00 taxable, 9,000.00 tax.
        gain({{"BEM_NRO", "4"},
              {"TIPO_BEM", "2"},
              {"BEMBRASIL", "N"},
              {"DATA_ALI", "20/05/2025"},
              {"VALALIUS", "30000.00"},
              {"DOLARVEN", "5.0000"},
              {"DOLARAQU", "4.0000"},
              {"AQUI_BR", "10000.00"},
              {"AQUI_US", "10000.00"}}),
        // Dollars in cash: 1,000.00 taxable, 150.00 tax (counted although alone of its kind).
        gain({{"BEM_NRO", "5"},
              {"TIPO_BEM", "5"},
              {"DATA_ALI", "20/07/2025"},
              {"VAL_ALI", "6000.00"},
              {"CUS_ATUAL", "5000.00"}}),
        // Sold in 2026: counts nowhere.
        gain({{"BEM_NRO", "6"},
              {"TIPO_BEM", "2"},
              {"DATA_ALI", "20/01/2026"},
              {"VAL_ALI", "90000.00"},
              {"CUS_ATUAL", "10000.00"}})};
    for (auto& g : t) compute(g);
    ASSERT_EQ(t[2].num("VAL_NAOTRI"), D("100000.00"));
    auto m = totals(t);
    EXPECT_EQ(m["I3_04GCPVC"], D("5000.00"));
    EXPECT_EQ(m["I3_04UNICC"], D("100000.00"));
    EXPECT_EQ(m["I3_04REDUC"], D("587367.63"));
    EXPECT_EQ(m["I3_04EXTRC"], D("0"));
    EXPECT_EQ(m["I4_02"], D("122632.37"));
    EXPECT_EQ(m["I4_11"], D("60000.00"));
    EXPECT_EQ(m["I4_12"], D("1000.00"));
    EXPECT_EQ(m["I13_46"], D("27544.85"));  // 18,394.85 + 9,000.00 + 150.00
    EXPECT_TRUE(m["VALFUTUR"].is_zero());
    // Cost recovered: the flat 50,000.00 (760,000 net − 710,000 gain), the car 25,000.00, the
    // property 300,000.00, the car abroad 90,000.00 (150,000 − 60,000), the dollars 5,000.00.
    EXPECT_EQ(m["ENTRADGP"], D("470000.00"));
    EXPECT_TRUE(has_gains_section(t));
    EXPECT_TRUE(has_gains_section({t[4]}));
    EXPECT_FALSE(has_gains_section({t[5]}));
}

TEST(GainTotals, InstalmentsDeferTheirTaxAndGain) {
    // 100,000.00 of 400,000.00 received (brokerage 0): a quarter of the taxable 120,000.00.
    store::Record g = gain({{"TIPO_BEM", "2"},
                            {"DATA_ALI", "10/03/2025"},
                            {"VAL_ALI", "400000.00"},
                            {"CUS_ATUAL", "280000.00"},
                            {"VEN_PRAZO", "S"},
                            {"REC_MES03", "100000.00"}});
    compute(g);
    auto m = totals({g});
    EXPECT_EQ(m["I4_02"], D("120000.00"));
    EXPECT_EQ(m["I13_46"], D("4500.00"));     // 15 % of the 30,000.00 received
    EXPECT_EQ(m["VALFUTUR"], D("90000.00"));  // 120,000 − 30,000
    EXPECT_EQ(m["ENTRADGP"], D("70000.00"));  // 100,000 − 30,000
}

TEST(GainTotals, VariableIncomeOfEveryPerson) {
    std::vector<store::Record> t;
    Statement common;
    ZER_RENVAR(common, kCommon);
    common.at(1, 1) = D("-1000.00");
    common.at(1, 2) = D("3000.00");  // base 2,000.00
    common.at(28, 2) = D("300.00");
    SOMA_RENVAR(common);
    GRAVA_RV(common, kDeclarant, t);
    Statement dep;
    ZER_RENVAR(dep, kDayTrade);
    dep.dependant = "52998224725";
    dep.at(1, 5) = D("500.00");
    SOMA_RENVAR(dep);
    GRAVA_RV(dep, kDeclarant, t);
    Statement fund;
    ZER_RENVAR(fund, kFund);
    fund.at(1, 3) = D("-200.00");
    fund.at(1, 4) = D("1000.00");  // base 800.00
    fund.at(10, 4) = D("160.00");
    SOMA_RENVAR(fund);
    GRAVA_RV(fund, kDeclarant, t);
    auto m = totals(t);
    EXPECT_EQ(m["I4_03"], D("3300.00"));    // 2,000 + 500 + 800
    EXPECT_EQ(m["LUCRRVA"], D("4500.00"));  // 3,000 + 500 + 1,000
    EXPECT_EQ(m["PREJRVA"], D("1200.00"));  // 1,000 + 200
    EXPECT_EQ(m["I13_47"], D("460.00"));    // 300 + 160
    EXPECT_TRUE(m["I4_02"].is_zero());
}

}  // namespace
}  // namespace vorn::gains
