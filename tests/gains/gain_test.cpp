// Capital gains worked by hand from the law (Lei 7.713/88 art. 18 for the reduction by year,
// Lei 11.196/05 art. 40 for the two factors, art. 39 for reinvestment, Lei 8.981/95 art. 21 for
// the rates); each expected figure's derivation is beside it.
#include <gtest/gtest.h>

#include "gains/checks.h"
#include "gains/gain.h"
#include "gains/rates.h"
#include "records.h"

namespace vorn::gains {
namespace {

using testing::cost;
using testing::D;
using testing::gain;
using testing::kDeclarant;

Settings settings() {
    Settings s;
    s.declarant_cpf = kDeclarant;
    return s;
}

GainResult run(store::Record& g, std::vector<store::Record>& rows, ScriptedOperator& op,
               const Settings& s = settings()) {
    std::vector<store::Record*> costs;
    for (auto& r : rows) costs.push_back(&r);
    return compute_gain(g, costs, s, op);
}

TEST(GainRates, MonthsReductionsAndFractionsByDate) {
    // A date before 1996 counts from January 1996: 12 × 9 + (11 − 1) + 1.
    EXPECT_EQ(month_count(Date(1995, 12, 31), Date(2005, 11, 30)), 119);
    EXPECT_EQ(month_count(Date(2005, 12, 1), Date(2025, 6, 15)), 235);
    EXPECT_EQ(month_count(Date(2025, 6, 1), Date(2025, 5, 1)), 0);
    EXPECT_EQ(month_count(Date(2025, 8, 20), Date(2025, 6, 15)), -1);
    EXPECT_EQ(reduction_by_year(1980, false), 45);  // (1989 − 1980) × 5
    EXPECT_EQ(reduction_by_year(1969, false), 100);
    EXPECT_EQ(reduction_by_year(1988, false), 5);
    EXPECT_EQ(reduction_by_year(1989, false), 0);
    EXPECT_EQ(reduction_by_year(1980, true), 0);

    // Sold after 30/11/2005, bought before 2006: both factors, rounded to 8 places.
    Fractions f = reduction_fractions(Date(1985, 3, 10), Date(2025, 6, 15), false);
    EXPECT_EQ(f.first, D("0.50927262"));   // 1 − 1/1.006^119
    EXPECT_EQ(f.second, D("0.56003670"));  // 1 − 1/1.0035^235
    // Sold before 14/10/2005: the second factor alone, cut to 6 places: 1 − 1/1.0035^12.
    f = reduction_fractions(Date(2004, 1, 5), Date(2004, 12, 20), false);
    EXPECT_TRUE(f.first.is_zero());
    EXPECT_EQ(f.second, D("0.041059"));
    // Sold between 14/10/2005 and 30/11/2005: the first alone: 1 − 1/1.006^2.
    f = reduction_fractions(Date(2005, 10, 1), Date(2005, 11, 2), false);
    EXPECT_EQ(f.first, D("0.011892"));
    EXPECT_TRUE(f.second.is_zero());
    // A sale typed centuries after the cost gives a fraction near 1, not an overflowed power.
    f = reduction_fractions(Date(2006, 1, 1), Date(9999, 6, 15), false);
    EXPECT_EQ(f.second, D("0.98489406"));  // 1 − 1/1.0035^1200
    // Abroad: none.
    f = reduction_fractions(Date(1985, 3, 10), Date(2025, 6, 15), true);
    EXPECT_TRUE(f.first.is_zero() && f.second.is_zero());
}

TEST(GainRates, ProgressiveBracketsSliceTheWholeOperation) {
    const Date sale(2025, 6, 15);
    EXPECT_EQ(VALIMP(D("5000000.00"), 0, sale, 1), D("750000.00"));
    EXPECT_EQ(VALIMP(D("6000000.00"), 0, sale, 1), D("925000.00"));  // 750,000 + 17.5 % of 1 M
    // Above 30 M: 750,000 + 875,000 + 4,000,000 + 22.5 % of 1 M.
    EXPECT_EQ(VALIMP(D("31000000.00"), 0, sale, 1), D("5850000.00"));
    EXPECT_EQ(VALIMP(D("2000000.00"), D("4000000.00"), sale, 1), D("325000.00"));  // 150 k + 175 k
    EXPECT_EQ(VALIMP(D("1000000.00"), D("10000000.00"), sale, 1), D("200000.00"));
    // An earlier gain of 4 M and 8 M now reach three brackets: 15 % of 1 M + 17.5 % of 5 M +
    // 20 % of 2 M = 150,000 + 875,000 + 400,000 (only the next bracket gave 1,375,000.00).
    EXPECT_EQ(VALIMP(D("8000000.00"), D("4000000.00"), sale, 1), D("1425000.00"));
    // The middle brackets are cut to the cent like the others: 17.5 % of 0.03 = 0.00525.
    EXPECT_EQ(VALIMP(D("5000000.03"), 0, sale, 1), D("750000.00"));
    EXPECT_EQ(VALIMP(D("10000000.07"), 0, sale, 1), D("1625000.01"));  // 20 % of 0.07 = 0.014
    // Before 2017 a flat rate, 20 % for a real-estate fund's shares.
    EXPECT_EQ(VALIMP(D("6000000.00"), 0, Date(2016, 5, 1), 1), D("900000.00"));
    EXPECT_EQ(VALIMP(D("1000.05"), 0, Date(2016, 5, 1), 3), D("200.01"));
    EXPECT_TRUE(VALIMP(0, D("4000000.00"), sale, 1).is_zero());
    EXPECT_TRUE(PERIMP(0, 0).is_zero());
}

// A flat bought 10/03/1985 for 50,000.00, sold 15/06/2025 for 800,000.00, brokerage 40,000.00.
store::Record flat() {
    return gain({{"TIPO_BEM", "1"},
                 {"DATA_ADQ", "10/03/1985"},
                 {"DATA_ALI", "15/06/2025"},
                 {"VAL_ALI", "800000.00"},
                 {"VAL_CORR", "40000.00"},
                 {"CUS_ATUAL", "50000.00"},
                 {"CODNATUR", "1"}});
}

TEST(RealEstateGain, FlatBoughtIn1985) {
    store::Record g = flat();
    std::vector<store::Record> rows;
    ScriptedOperator op;
    const GainResult r = run(g, rows, op);
    EXPECT_EQ(r.G, D("710000.00"));   // 800,000 − 50,000 − 40,000
    EXPECT_EQ(r.R, D("142000.00"));   // 20 % for 1985
    EXPECT_EQ(r.first_months, 119);   // 01/1996 to 11/2005
    EXPECT_EQ(r.second_months, 235);  // 12/2005 to 06/2025
    // F1 = trunc(710,000 × 0.50927262) = 361,583.56, × 80 % = 289,266.848 → 289,266.84.
    EXPECT_EQ(r.F1, D("289266.84"));
    // G3 = 710,000 − 142,000 − 289,266.84 = 278,733.16; × 0.56003670 = 156,100.79.
    EXPECT_EQ(r.F2, D("156100.79"));
    EXPECT_EQ(r.RT, D("445367.63"));
    EXPECT_EQ(r.G4, D("122632.37"));
    EXPECT_EQ(r.T, D("122632.37"));
    EXPECT_EQ(r.exempt, D("587367.63"));  // 142,000 + 445,367.63
    EXPECT_EQ(r.tax, D("18394.85"));      // 15 % of T = 18,394.8555
    EXPECT_EQ(g.num("VAL_TRIBU"), D("122632.37"));
    EXPECT_EQ(g.num("VAL_IMPOSV"), D("18394.85"));
    EXPECT_EQ(g.num("FR1"), D("0.50927262"));
    EXPECT_EQ(g.num("FATOR2"), D("156100.79"));
    // Paid at once: June receives the whole.
    EXPECT_EQ(g.num("REC_MES06"), D("800000.00"));
    EXPECT_EQ(g.num("VAL_TRI06"), D("122632.37"));
    EXPECT_EQ(g.num("IMP_DEV06"), D("18394.85"));
    EXPECT_EQ(g.num("VAL_COR06"), D("40000.00"));
    EXPECT_TRUE(g.num("REC_MES05").is_zero());
    EXPECT_TRUE(op.said.empty());
}

TEST(RealEstateGain, RenovationAsSecondCostRow) {
    // Costs 50,000.00 (10/03/1985) and 30,000.00 (20/08/2010): C 80,000, G 680,000; shares
    // 62.5 % and 37.5 %: row gains 425,000 and 255,000.
    store::Record g = flat();
    g.set("PARCOMPRA", "S");
    std::vector<store::Record> rows{
        cost({{"VALOR_CUST", "50000.00"}, {"DATA_CUST", "10/03/1985"}}),
        cost({{"VALOR_CUST", "30000.00"}, {"DATA_CUST", "20/08/2010"}})};
    ScriptedOperator op;
    const GainResult r = run(g, rows, op);
    EXPECT_EQ(r.C, D("80000.00"));
    EXPECT_EQ(r.G, D("680000.00"));
    // Row 1: R 20 % of 425,000 = 85,000; F1 trunc(425,000 × 0.50927262) = 216,440.86 × 80 %
    // = 173,152.68; F2 trunc(208,559.14 × 0.56003670) = 116,800.77 × 80 % = 93,440.61.
    // Row 2 (after 2005: no reduction by year, no factor 1): 179 months to the sale,
    // 1 − 1/1.0035^179 = 0.46495594; F2 = trunc(255,000 × 0.46495594) = 118,563.76.
    EXPECT_EQ(rows[0].num("PER_CUST"), D("62.5"));
    EXPECT_EQ(rows[0].num("VALOR_REDU"), D("85000.00"));
    EXPECT_EQ(rows[0].num("RESUL_2"), D("173152.68"));
    EXPECT_EQ(rows[0].num("RESUL_3"), D("93440.61"));
    EXPECT_EQ(rows[1].num("PER_RED"), D("0"));
    EXPECT_EQ(rows[1].num("PER_RED2"), D("0.46495594"));
    EXPECT_EQ(rows[1].num("RESUL_3"), D("118563.76"));
    EXPECT_EQ(r.R, D("85000.00"));
    EXPECT_EQ(r.F1, D("173152.68"));
    EXPECT_EQ(r.F2, D("212004.37"));
    EXPECT_EQ(r.RT, D("385157.05"));
    EXPECT_EQ(r.T, D("209842.95"));   // 680,000 − 85,000 − 385,157.05
    EXPECT_EQ(r.tax, D("31476.44"));  // 15 % = 31,476.4425
}

TEST(RealEstateGain, CostRowsOutOfOrderAndAllZero) {
    store::Record g = flat();
    g.set("PARCOMPRA", "S");
    std::vector<store::Record> rows{cost({{"VALOR_CUST", "0"}, {"DATA_CUST", "10/03/1984"}})};
    ScriptedOperator op;
    // Rows adding to zero: one cost (0) at the acquisition date, no division by zero.
    GainResult r = run(g, rows, op);
    EXPECT_EQ(r.G, D("760000.00"));
    EXPECT_EQ(r.R, D("152000.00"));
    rows = {cost({{"VALOR_CUST", "50000.00"}, {"DATA_CUST", "10/03/1984"}}),
            cost({{"VALOR_CUST", "1000.00"}, {"DATA_CUST", "20/08/2025"}})};
    r = run(g, rows, op);
    EXPECT_TRUE(op.saw("notice", "Atenção 10/03/1984é menor que a data de aquisição!"));
    EXPECT_TRUE(op.saw("notice", "Atenção 20/08/2025 é maior que a data da venda!"));
    EXPECT_TRUE(op.saw("notice", "Data inválida. Posterior ao mês da venda"));
}

TEST(RealEstateGain, SixtyPercentReinvested) {
    // 456,000.00 of the net 760,000.00 reinvested: 60 %; P = 60 % of (G − R − RT) =
    // 60 % of 122,632.37 = 73,579.42; T = 49,052.95; tax 15 % = 7,357.9425.
    store::Record g = flat();
    g.set("USA_ART31", "S");
    g.set("VAL_PARTE", D("456000.00"));
    std::vector<store::Record> rows;
    ScriptedOperator op;
    const GainResult r = run(g, rows, op);
    EXPECT_EQ(g.num("PERART31"), D("60"));
    EXPECT_EQ(r.P, D("73579.42"));
    EXPECT_EQ(r.T, D("49052.95"));
    EXPECT_EQ(r.tax, D("7357.94"));
    // All of it reinvested: the whole G4 is reduced.
    g.set("VAL_PARTE", D("760000.00"));
    EXPECT_TRUE(run(g, rows, op).T.is_zero());
}

TEST(RealEstateGain, ExchangeWithCashDifference) {
    // Nature 11: V = 300,000 − 0; cost share = 200,000 × 300,000 / 500,000 = 120,000;
    // G = 180,000 (sold 2025, bought 2015: no reduction by year).
    store::Record g = gain({{"TIPO_BEM", "1"},
                            {"CODNATUR", "11"},
                            {"DATA_ADQ", "01/02/2015"},
                            {"DATA_ALI", "01/02/2025"},
                            {"VAL_ALI", "300000.00"},
                            {"CUS_ATUAL", "200000.00"}});
    std::vector<store::Record> rows;
    ScriptedOperator op;
    EXPECT_EQ(run(g, rows, op).G, D("180000.00"));
    g.set("VAL_ALI", D("0"));
    g.set("CUS_ATUAL", D("0"));
    EXPECT_TRUE(run(g, rows, op).G.is_zero());  // C + V = 0
}

TEST(RealEstateGain, SingleAndSmallValueExemptions) {
    std::vector<store::Record> rows;
    ScriptedOperator op;
    store::Record g = gain({{"TIPO_BEM", "1"},
                            {"DATA_ADQ", "01/02/2015"},
                            {"DATA_ALI", "01/02/2025"},
                            {"VAL_ALI", "440000.00"},
                            {"CUS_ATUAL", "200000.00"},
                            {"UNIC_IMOV", "S"},
                            {"USU_440", "N"}});
    GainResult r = run(g, rows, op);
    EXPECT_TRUE(r.single_property);
    EXPECT_TRUE(r.T.is_zero());
    EXPECT_EQ(r.exempt, D("240000.00"));
    g.set("VAL_ALI", D("440000.01"));
    r = run(g, rows, op);
    EXPECT_FALSE(r.single_property);
    EXPECT_GT(r.T, Decimal());
    // A dependant's property is not the declarant's only property.
    g.set("VAL_ALI", D("440000.00"));
    g.set("CPFALIEN", "52998224725");
    EXPECT_GT(run(g, rows, op).T, Decimal());

    // Movable asset of small value: 35,000.00 exempt, 35,000.01 taxable.
    store::Record car = gain({{"TIPO_BEM", "2"},
                              {"DATA_ALI", "01/03/2025"},
                              {"VAL_ALI", "35000.00"},
                              {"CUS_ATUAL", "20000.00"},
                              {"PEQ_VALOR", "S"}});
    r = run(car, rows, op);
    EXPECT_TRUE(r.T.is_zero());
    EXPECT_EQ(r.exempt, D("15000.00"));
    car.set("VAL_ALI", D("35000.01"));
    r = run(car, rows, op);
    EXPECT_EQ(r.T, D("15000.01"));
    EXPECT_EQ(r.tax, D("2250.00"));  // 15 % = 2,250.0015
}

TEST(ShareGain, SmallValueOfSharesIsTwentyThousand) {
    std::vector<store::Record> rows;
    ScriptedOperator op;
    store::Record g = gain({{"TIPO_BEM", "3"},
                            {"TIPOPART", "1"},
                            {"DATA_ALI", "01/03/2025"},
                            {"VAL_ALI", "20000.00"},
                            {"CUS_ATUAL", "12000.00"},
                            {"PEQ_VALOR", "S"}});
    EXPECT_TRUE(run(g, rows, op).T.is_zero());
    g.set("VAL_ALI", D("20000.01"));
    EXPECT_EQ(run(g, rows, op).T, D("8000.01"));
    // Quotas (TIPOPART 2) keep the 35,000.00 limit.
    g.set("TIPOPART", D("2"));
    EXPECT_TRUE(run(g, rows, op).T.is_zero());
}

std::vector<store::Record> operations(
    std::initializer_list<std::tuple<const char*, int, const char*, const char*>> ops) {
    std::vector<store::Record> rows;
    for (const auto& [date, type, qty, value] : ops)
        rows.push_back(cost({{"DATA_CUST", date},
                             {"TIPO_OPER", std::to_string(type)},
                             {"MOV_ACAO", qty},
                             {"VALOR_CUST", value}}));
    return rows;
}

TEST(ShareGain, EachSaleAtTheRunningAverageCost) {
    // Buy 100 at 10.00, sell 50 (cost 500.00), buy 100 at 20.00: 150 held for 2,500.00, average
    // 16.666666; sell 50: 833.33. Cost 1,333.33, received 2,100.00: gain 766.67 (costing both
    // sales at all purchases gave 600.00).
    store::Record g = gain({{"TIPO_BEM", "3"},
                            {"TIPOPART", "1"},
                            {"PARCOMPRA", "S"},
                            {"DATA_ALI", "10/04/2025"},
                            {"VAL_ALI", "2100.00"}});
    std::vector<store::Record> rows = operations({{"05/01/2025", 1, "100", "1000.00"},
                                                  {"05/02/2025", 3, "50", "0"},
                                                  {"05/03/2025", 1, "100", "2000.00"},
                                                  {"10/04/2025", 3, "50", "0"}});
    ScriptedOperator op;
    GainResult r = run(g, rows, op);
    EXPECT_EQ(r.C, D("1333.33"));
    EXPECT_EQ(r.G, D("766.67"));
    EXPECT_EQ(rows[2].num("CM_PONDER"), D("16.666666"));
    EXPECT_EQ(rows[3].num("SALDO_ACAO"), D("100"));
    EXPECT_EQ(r.sale, Date(2025, 4, 10));
    EXPECT_TRUE(op.said.empty());

    // No purchase between the sales: both at the one average, (1,000 + 2,000) / 200 = 15.00.
    rows = operations({{"05/01/2025", 1, "100", "1000.00"},
                       {"05/03/2025", 1, "100", "2000.00"},
                       {"05/02/2025", 3, "50", "0"},
                       {"10/04/2025", 3, "50", "0"}});
    // (the sale typed third is dated before the second purchase: taken in date order)
    r = run(g, rows, op);
    EXPECT_EQ(r.C, D("1333.33"));
    rows = operations({{"05/01/2025", 1, "100", "1000.00"},
                       {"05/02/2025", 1, "100", "2000.00"},
                       {"05/03/2025", 3, "50", "0"},
                       {"10/04/2025", 3, "50", "0"}});
    r = run(g, rows, op);
    EXPECT_EQ(r.C, D("1500.00"));
    EXPECT_EQ(r.G, D("600.00"));

    // Selling more than is held is told; the excess has no cost.
    rows = operations({{"05/01/2025", 1, "10", "100.00"}, {"05/02/2025", 3, "20", "0"}});
    r = run(g, rows, op);
    EXPECT_TRUE(op.saw("notice", "Atenção! Venda maior que a quantidade de Ações existentes."));
    EXPECT_EQ(r.C, D("100.00"));
    g.set("TIPO_BEM", D("5"));
    run(g, rows, op);
    EXPECT_TRUE(op.saw("notice", "Venda maior que a quantidade de Moedas existentes."));
}

TEST(ForeignGain, CarAbroadPartlyBoughtWithForeignEarnedDollars) {
    // Bought for US$ 20,000 (10,000 of reais at 4.00, 10,000 earned abroad), sold for
    // US$ 30,000 at 5.00: half of the sale each. Foreign-earned part: (15,000 − 10,000) × 5.00
    // = 25,000.00; reais part: 15,000 × 5.00 − 10,000 × 4.00 = 35,000.00; taxable 60,000.00.
    store::Record g = gain({{"TIPO_BEM", "2"},
                            {"BEMBRASIL", "N"},
                            {"DATA_ALI", "20/05/2025"},
                            {"VALALIUS", "30000.00"},
                            {"DOLARVEN", "5.0000"},
                            {"DOLARAQU", "4.0000"},
                            {"AQUI_BR", "10000.00"},
                            {"AQUI_US", "10000.00"},
                            {"IMP_PAGEX", "1000.00"}});
    std::vector<store::Record> rows;
    ScriptedOperator op;
    GainResult r = run(g, rows, op);
    EXPECT_EQ(g.num("GCAP_US"), D("25000.00"));
    EXPECT_EQ(g.num("GCAP_BR"), D("35000.00"));
    EXPECT_EQ(r.T, D("60000.00"));
    EXPECT_EQ(r.tax, D("9000.00"));
    EXPECT_EQ(g.num("REC_MES05"), D("150000.00"));
    EXPECT_EQ(g.num("IMP_LEI05"), D("1000.00"));
    // US$ 100 of brokerage: the sale's net in dollars 29,900 splits 14,950 each way; gains
    // (14,950 − 10,000) × 5 = 24,750 and 14,950 × 5 − 40,000 = 34,750; the month's brokerage
    // in reais at the sale's rate.
    g.set("VAL_CORR", D("100.00"));
    EXPECT_EQ(run(g, rows, op).T, D("59500.00"));
    EXPECT_EQ(g.num("VAL_COR05"), D("500.00"));
    g.set("VAL_CORR", D("0"));
    // No cost at all: the sale is of money earned in Brazil, gain = the whole sale.
    g.set("AQUI_BR", D("0"));
    g.set("AQUI_US", D("0"));
    EXPECT_EQ(run(g, rows, op).T, D("150000.00"));
}

TEST(InstalmentGain, TwelveInstalmentsWithBrokerage) {
    // Bought 10/05/2015 for 300,000.00, sold 15/01/2025 for 720,000.00 in twelve instalments
    // of 60,000.00, 3,000.00 brokerage each. G = 384,000.00; 117 months, 1 − 1/1.0035^117 =
    // 0.33554295; F2 = 128,848.49; T = 255,151.51; tax 38,272.72. PER_TRI = T / 684,000 =
    // 37.302852 %; PERIMP 14.999997 %. A month: trunc(57,000 × 37.302852 %) = 21,262.62,
    // tax trunc(21,262.62 × 14.999997 %) = 3,189.39.
    store::Record g = gain({{"TIPO_BEM", "1"},
                            {"DATA_ADQ", "10/05/2015"},
                            {"DATA_ALI", "15/01/2025"},
                            {"VAL_ALI", "720000.00"},
                            {"VAL_CORR", "36000.00"},
                            {"CUS_ATUAL", "300000.00"},
                            {"VEN_PRAZO", "S"}});
    for (int m = 1; m <= 12; ++m) {
        const std::string mm = (m < 10 ? "0" : "") + std::to_string(m);
        g.set("REC_MES" + mm, D("60000.00"));
        g.set("VAL_COR" + mm, D("3000.00"));
    }
    std::vector<store::Record> rows;
    ScriptedOperator op;
    GainResult r = run(g, rows, op);
    EXPECT_EQ(r.T, D("255151.51"));
    EXPECT_EQ(r.tax, D("38272.72"));
    EXPECT_EQ(g.num("PER_TRI"), D("37.302852"));
    EXPECT_EQ(g.num("PERIMP"), D("14.999997"));
    for (int m = 1; m <= 12; ++m) {
        const std::string mm = (m < 10 ? "0" : "") + std::to_string(m);
        EXPECT_EQ(g.num("VAL_TRI" + mm), D("21262.62")) << m;
        EXPECT_EQ(g.num("IMP_DEV" + mm), D("3189.39")) << m;
    }
    EXPECT_TRUE(op.said.empty());
    // A receipt before the month of the sale, brokerage above the receipt, more received than
    // sold: each told.
    g.set("DATA_ALI", *Date::from_dmy("15/02/2025"));
    g.set("VAL_COR03", D("70000.00"));
    g.set("REC_MES04", D("200000.00"));
    run(g, rows, op);
    EXPECT_TRUE(op.saw("notice", "Atenção! Valor lançando em mês anterior a venda"));
    EXPECT_TRUE(op.saw("notice", "Verifique valor da corretagem maior que o valor recebido!"));
    EXPECT_TRUE(op.saw("notice", "recebido nas parcelas é maior que o valor"));
    EXPECT_TRUE(g.num("VAL_TRI03").is_zero());
    // No net sale: no taxable share instead of a division by zero.
    g.set("VAL_ALI", D("36000.00"));
    EXPECT_TRUE(run(g, rows, op).per_tri.is_zero());
}

TEST(InstalmentGain, ReinvestedPropertyRunsEachReceiptThroughTheChain) {
    // The flat of 1985 in instalments, 60 % reinvested (T 49,052.95, tax 7,357.94, PERIMP
    // 14.999994 %). June: 400,000.00 less 20,000.00 brokerage, 228,000.00 reinvested. The
    // month's gain 710,000 × 380,000 / 760,000 = 355,000.00; its reductions in the operation's
    // proportions: 71,000.00 + 144,633.42 + 78,050.39; left 61,316.19, of which 60 % reinvested
    // (36,789.71): taxable 24,526.48, half the operation's; tax 3,678.97.
    store::Record g = flat();
    g.set("USA_ART31", "S");
    g.set("VAL_PARTE", D("456000.00"));
    g.set("VEN_PRAZO", "S");
    g.set("REC_MES06", D("400000.00"));
    g.set("VAL_COR06", D("20000.00"));
    g.set("VAL_A3106", D("228000.00"));
    std::vector<store::Record> rows;
    ScriptedOperator op;
    run(g, rows, op);
    EXPECT_EQ(g.num("PERIMP"), D("14.999994"));
    EXPECT_EQ(g.num("VAL_TRI06"), D("24526.48"));
    EXPECT_EQ(g.num("IMP_DEV06"), D("3678.97"));
    EXPECT_TRUE(op.said.empty());
    // More reinvested than received: told and cut to the month's net receipt.
    g.set("VAL_A3106", D("390000.00"));
    run(g, rows, op);
    EXPECT_TRUE(op.saw("notice", "O valor está maior que a parcela recebida!"));
    EXPECT_EQ(g.num("VAL_A3106"), D("380000.00"));
    EXPECT_TRUE(g.num("VAL_TRI06").is_zero());
}

TEST(InstalmentGain, SaleOfAnEarlierYear) {
    // Bought 15/03/2010 for 200,000.00, sold 10/10/2024 for 500,000.00, brokerage 20,000.00
    // paid then with 100,000.00 received; 400,000.00 deferred, 200,000.00 received in March.
    // G = 280,000.00; 176 months: 0.45931829; F2 = 128,609.12; T = 151,390.88; PER_TRI =
    // 31.539766 %. Earlier gain E = trunc(80,000 × 31.539766 %) = 25,231.81; the rest
    // 126,159.07 at 15 % = 18,923.86, PERIMP 14.999999 %. March: trunc(200,000 × PER_TRI) =
    // 63,079.53, tax 9,461.92. No exempt amount this year.
    store::Record g = gain({{"TIPO_BEM", "1"},
                            {"DATA_ADQ", "15/03/2010"},
                            {"DATA_ALI", "10/10/2024"},
                            {"VAL_ALI", "500000.00"},
                            {"VAL_CORR", "20000.00"},
                            {"CUS_ATUAL", "200000.00"},
                            {"VENDAANT", "S"},
                            {"VEN_PRAZO", "S"},
                            {"VAL_ANTE", "100000.00"},
                            {"CORR_ANTE", "20000.00"},
                            {"VAL_DIFE", "400000.00"},
                            {"REC_MES03", "200000.00"}});
    std::vector<store::Record> rows;
    ScriptedOperator op;
    GainResult r = run(g, rows, op);
    EXPECT_EQ(r.T, D("151390.88"));
    EXPECT_EQ(g.num("GANHOAN"), D("25231.81"));
    EXPECT_EQ(r.tax, D("18923.86"));
    EXPECT_EQ(g.num("PERIMP"), D("14.999999"));
    EXPECT_TRUE(g.num("VAL_NAOTRI").is_zero());
    EXPECT_EQ(g.num("VAL_TRI03"), D("63079.53"));
    EXPECT_EQ(g.num("IMP_DEV03"), D("9461.92"));
    EXPECT_TRUE(op.said.empty());
}

TEST(GainChecks, SaleDateEarlierLaterAndTheEstate) {
    Settings s = settings();
    ScriptedOperator op;
    store::Record g = gain({{"TIPO_BEM", "3"}, {"DATA_ALI", "10/10/2024"}});
    op.yes_no_answers = {false};
    EXPECT_FALSE(check_sale_date(g, s, op));
    op.yes_no_answers = {true};
    EXPECT_TRUE(check_sale_date(g, s, op));
    EXPECT_EQ(g.str("VENDAANT"), "S");
    EXPECT_EQ(g.str("VEN_PRAZO"), "S");
    EXPECT_EQ(g.str("PARCOMPRA"), "S");
    g.set("DATA_ALI", Date(2026, 2, 1));
    EXPECT_TRUE(check_sale_date(g, s, op));
    EXPECT_TRUE(op.saw("notice", "posterior ao ano base"));
    s.final_estate = true;
    s.estate_date_name = "data da partilha";
    EXPECT_FALSE(check_sale_date(g, s, op));
    EXPECT_TRUE(op.saw("notice", "Preencha a data da partilha"));
    s.estate_date = Date(2025, 8, 1);
    EXPECT_FALSE(check_sale_date(g, s, op));
    EXPECT_TRUE(op.saw("notice", "A data venda deve ser 01/08/2025"));
    g.set("DATA_ALI", Date(2025, 8, 1));
    EXPECT_TRUE(check_sale_date(g, s, op));
}

TEST(GainChecks, SmallValueSinglePropertyAndReinvestment) {
    ScriptedOperator op;
    store::Record g =
        gain({{"TIPO_BEM", "1"}, {"DATA_ALI", "15/06/2025"}, {"VAL_ALI", "30000.00"}});
    op.yes_no_answers = {false};
    ask_small_value(g, op);
    EXPECT_EQ(g.str("PEQ_VALOR"), "S");
    EXPECT_TRUE(op.saw("yes_no", "alienados em 06/2025, é superior a  R$ 35.000,00?"));
    op.yes_no_answers = {true};
    ask_small_value(g, op);
    EXPECT_EQ(g.str("PEQ_VALOR"), "N");
    g.set("PEQ_VALOR", "S");
    g.set("VAL_ALI", D("35000.01"));
    ask_small_value(g, op);
    EXPECT_EQ(g.str("PEQ_VALOR"), "N");

    Settings s = settings();
    s.properties = 2;
    s.last_property_sale = Date(2022, 3, 1);
    g.set("UNIC_IMOV", "S");
    check_single_property(g, s, op);
    EXPECT_TRUE(op.saw("notice", "Consta na Declaração de Bens a existência de 02 imóveis"));
    EXPECT_TRUE(op.saw("notice", "de outra alienação em 01/03/2022 feito a menos de 5 anos."));
    EXPECT_EQ(g.str("USU_440"), "S");
    s.last_property_sale = Date(2019, 3, 1);
    op.yes_no_answers = {false};
    check_single_property(g, s, op);
    EXPECT_EQ(g.str("USU_440"), "N");

    // Reinvestment: within five years of the last use the answer becomes "4".
    g.set("UNIC_IMOV", "N");
    g.set("VAL_ALI", D("800000.00"));
    g.set("VAL_CORR", D("40000.00"));
    g.set("USA_ART31", "S");
    g.set("VAL_PARTE", D("900000.00"));
    s.last_reinvestment = Date(2022, 1, 10);
    check_reinvestment(g, s, op);
    EXPECT_EQ(g.str("USA_ART31"), "4");
    EXPECT_TRUE(op.saw("notice", "O abatimento só poderá ser usado após 10/01/2027"));
    EXPECT_TRUE(g.num("VAL_PARTE").is_zero());
    // Five years on, the amount is held to the net sale value.
    s.last_reinvestment = Date(2020, 1, 10);
    g.set("USA_ART31", "S");
    g.set("VAL_PARTE", D("900000.00"));
    check_reinvestment(g, s, op);
    EXPECT_EQ(g.str("USA_ART31"), "S");
    EXPECT_EQ(g.num("VAL_PARTE"), D("760000.00"));
    EXPECT_TRUE(op.saw("notice", "O valor não pode ser maior do que 760.000,00"));
    s.resident_abroad = true;
    check_reinvestment(g, s, op);
    EXPECT_TRUE(op.saw("notice", "Residente no exterior não é permitido usar essa lei"));
    EXPECT_EQ(g.str("USA_ART31"), "N");
}

TEST(GainChecks, InstalmentNatureQuantitiesAndGainNumbers) {
    ScriptedOperator op;
    store::Record g = gain({{"TIPO_BEM", "3"}, {"CODNATUR", "3"}, {"VEN_PRAZO", "S"}});
    EXPECT_FALSE(check_instalment_nature(g, op));
    EXPECT_TRUE(op.saw("notice", "Ganho 3 Doacao em Adianta. da Legitima somente a vista"));
    EXPECT_EQ(g.str("VEN_PRAZO"), "N");

    EXPECT_TRUE(check_quantity(D("150"), op));
    EXPECT_FALSE(check_quantity(D("150.5"), op));
    EXPECT_TRUE(op.saw("notice", "150.5"));

    std::vector<store::Record> table7;
    EXPECT_EQ(next_gain_number(table7, op), 1);
    table7.push_back(gain({{"BEM_NRO", "98"}}));
    table7.push_back(gain({{"TIPO_BEM", "4"}, {"RVAR_NRO", "28"}}));
    EXPECT_EQ(next_gain_number(table7, op), 99);
    table7.push_back(gain({{"BEM_NRO", "99"}}));
    EXPECT_EQ(next_gain_number(table7, op), 0);
    EXPECT_TRUE(op.saw("notice", "Limite de 99 ganhos"));
}

}  // namespace
}  // namespace vorn::gains
