// Variable-income statements: losses and withholdings carried month to month, the common and
// day-trade statements sharing their tax lines, the funds, and what is stored.
#include <gtest/gtest.h>

#include "gains/statement.h"
#include "records.h"

namespace vorn::gains {
namespace {

using testing::D;
using testing::kDeclarant;

Statement blank(char kind, const std::string& dependant = "") {
    Statement st;
    ZER_RENVAR(st, kind);
    st.dependant = dependant;
    return st;
}

int records_of(const std::vector<store::Record>& t, char kind, const std::string& dependant = "") {
    int n = 0;
    for (const auto& r : t)
        if (r.str("DAY_TRADE") == std::string(1, kind) && r.str("CPF_DEPE") == dependant) ++n;
    return n;
}

TEST(Statement, LabelsAndCellsTyped) {
    Statement st = blank(kCommon);
    ASSERT_EQ(st.size(), 28);
    EXPECT_EQ(st.labels[13], "14.RESUL.LIQUIDO DO MES        ");
    EXPECT_EQ(st.labels[26], "27.IMPOSTO A PAGAR             ");
    for (const auto& l : st.labels) EXPECT_EQ(l.size(), 31u) << l;
    Statement fund = blank(kFund);
    ASSERT_EQ(fund.size(), 10);
    EXPECT_EQ(fund.labels[5], "06.Saldo IR Lei 11.033 Anterior");
    EXPECT_TRUE(entered(kCommon, 15, 1));
    EXPECT_FALSE(entered(kCommon, 15, 2));
    EXPECT_FALSE(entered(kCommon, 22, 1));
    EXPECT_FALSE(entered(kCommon, 25, 1));
    EXPECT_TRUE(entered(kFund, 2, 1));
    EXPECT_FALSE(entered(kFund, 8, 3));
}

TEST(Statement, LossCarriedAndTaxOfBothKinds) {
    // January −1,000.00, February +600.00: base 0, −400.00 carried to March.
    Statement common = blank(kCommon);
    common.at(1, 1) = D("-1000.00");
    common.at(1, 2) = D("600.00");
    common.at(1, 3) = D("2000.00");
    common.at(24, 3) = D("2.00");
    common.at(22, 1) = D("50.00");  // January of 22 is computed: ignored
    SOMA_RENVAR(common);
    EXPECT_TRUE(common.at(16, 2).is_zero());
    EXPECT_EQ(common.at(17, 2), D("-400.00"));
    EXPECT_EQ(common.at(15, 3), D("-400.00"));
    EXPECT_TRUE(common.at(22, 1).is_zero());
    // March: base 1,600.00, 15 % = 240.00; 2.00 under Law 11.033 leaves 238.00.
    EXPECT_EQ(common.at(16, 3), D("1600.00"));
    EXPECT_EQ(common.at(18, 3), D("240.00"));
    EXPECT_EQ(common.at(27, 3), D("238.00"));

    // Day trade: a January loss is never set against the common gains; March +1,000.00, 20 %
    // = 200.00, 10.00 withheld.
    Statement day = blank(kDayTrade);
    day.at(1, 1) = D("-300.00");
    day.at(1, 3) = D("1300.00");
    day.at(21, 3) = D("10.00");
    SOMA_RENVAR(day);
    EXPECT_EQ(day.at(16, 3), D("1000.00"));
    EXPECT_EQ(day.at(19, 3), D("200.00"));

    std::vector<store::Record> t;
    GRAVA_RV(day, kDeclarant, t);
    GRAVA_RV(common, kDeclarant, t);
    // Loaded again, the common statement takes the day trade's tax and withholding: March line
    // 20 = 240 + 200, less 10.00 withheld and 2.00 under Law 11.033: 428.00.
    Statement loaded;
    PRENCHE_MAT(loaded, kCommon, "", t);
    EXPECT_EQ(loaded.at(1, 1), D("-1000.00"));  // the day-trade loss stays apart
    EXPECT_EQ(loaded.at(19, 3), D("200.00"));
    EXPECT_EQ(loaded.at(21, 3), D("10.00"));
    EXPECT_EQ(loaded.at(20, 3), D("440.00"));
    EXPECT_EQ(loaded.at(27, 3), D("428.00"));
    // The day-trade statement loaded: its own results, the common tax on line 18, nothing of
    // lines 24 and 28.
    PRENCHE_MAT(loaded, kDayTrade, "", t);
    EXPECT_EQ(loaded.at(1, 1), D("-300.00"));
    EXPECT_EQ(loaded.at(18, 3), D("240.00"));
    EXPECT_TRUE(loaded.at(24, 3).is_zero());
    EXPECT_EQ(loaded.at(20, 3), D("440.00"));
    // The day trade stored with its copy of line 18, then the common gain of March changed:
    // the day-trade statement shows the common tax as it now is.
    GRAVA_RV(loaded, kDeclarant, t);
    common.at(1, 3) = D("3000.00");
    SOMA_RENVAR(common);
    GRAVA_RV(common, kDeclarant, t);
    PRENCHE_MAT(loaded, kDayTrade, "", t);
    EXPECT_EQ(loaded.at(18, 3), D("390.00"));  // 15 % of 2,600.00
}

TEST(Statement, ExcessWithholdingCarriedForward) {
    Statement day = blank(kDayTrade);
    day.at(1, 4) = D("100.00");  // tax 20.00
    day.at(21, 4) = D("35.00");
    day.at(1, 5) = D("500.00");  // tax 100.00, 15.00 carried
    SOMA_RENVAR(day);
    EXPECT_EQ(day.at(23, 4), D("15.00"));
    EXPECT_TRUE(day.at(27, 4).is_zero());
    EXPECT_EQ(day.at(22, 5), D("15.00"));
    EXPECT_EQ(day.at(27, 5), D("85.00"));
    // Law 11.033 withholding above the tax is carried on line 26 to the next month's 25.
    Statement common = blank(kCommon);
    common.at(24, 6) = D("3.00");
    common.at(1, 7) = D("100.00");  // tax 15.00
    SOMA_RENVAR(common);
    EXPECT_EQ(common.at(26, 6), D("3.00"));
    EXPECT_EQ(common.at(25, 7), D("3.00"));
    EXPECT_EQ(common.at(27, 7), D("12.00"));
    // A positive January carried loss is taken as a loss.
    common.at(15, 1) = D("50.00");
    SOMA_RENVAR(common);
    EXPECT_EQ(common.at(15, 1), D("-50.00"));
}

TEST(Statement, FundLossThenGainWithWithholding) {
    // −500.00 in January, +2,000.00 in February: base 1,500.00, 20 % = 300.00, 5.00 withheld:
    // 295.00 to pay.
    Statement fund = blank(kFund);
    fund.at(1, 1) = D("-500.00");
    fund.at(1, 2) = D("2000.00");
    fund.at(7, 2) = D("5.00");
    SOMA_RENVAR(fund);
    EXPECT_EQ(fund.at(4, 1), D("-500.00"));
    EXPECT_EQ(fund.at(2, 2), D("-500.00"));
    EXPECT_EQ(fund.at(3, 2), D("1500.00"));
    EXPECT_EQ(fund.at(5, 2), D("300.00"));
    EXPECT_EQ(fund.at(9, 2), D("295.00"));
    // Withholding above the tax: carried to the next month's line 6.
    fund.at(7, 3) = D("10.00");
    SOMA_RENVAR(fund);
    EXPECT_EQ(fund.at(8, 3), D("10.00"));
    EXPECT_EQ(fund.at(6, 4), D("10.00"));
}

TEST(Statement, StoringAndLoadingRules) {
    std::vector<store::Record> t;
    // All zero: nothing stored.
    GRAVA_RV(blank(kCommon), kDeclarant, t);
    GRAVA_RV(blank(kFund), kDeclarant, t);
    EXPECT_TRUE(t.empty());

    // Day trade: lines 27 and 28 are not stored.
    Statement day = blank(kDayTrade);
    day.at(1, 2) = D("1000.00");
    day.at(28, 2) = D("200.00");
    SOMA_RENVAR(day);
    GRAVA_RV(day, kDeclarant, t);
    for (const auto& r : t) EXPECT_LT(r.num("RVAR_NRO"), Decimal(27));
    const int stored = records_of(t, kDayTrade);
    GRAVA_RV(day, kDeclarant, t);  // stored again: replaced, not doubled
    EXPECT_EQ(records_of(t, kDayTrade), stored);

    // A dependant's statement stays apart from the declarant's.
    Statement dep = blank(kCommon, "52998224725");
    dep.at(1, 1) = D("700.00");
    SOMA_RENVAR(dep);
    GRAVA_RV(dep, kDeclarant, t);
    Statement holder;
    PRENCHE_MAT(holder, kCommon, "", t);
    EXPECT_TRUE(holder.at(1, 1).is_zero());
    PRENCHE_MAT(holder, kCommon, "52998224725", t);
    EXPECT_EQ(holder.at(18, 1), D("105.00"));
    const auto persons = statement_persons(t);
    ASSERT_EQ(persons.size(), 2u);
    EXPECT_EQ(persons[0], "");

    // Fund records of the older numbering: 11–20 read as line 2, above 20 as line 6, and are
    // replaced when stored.
    std::vector<store::Record> old{
        testing::record(
            7,
            {{"TIPO_BEM", "4"}, {"DAY_TRADE", "3"}, {"RVAR_NRO", "12"}, {"REC_MES01", "-80.00"}}),
        testing::record(
            7, {{"TIPO_BEM", "4"}, {"DAY_TRADE", "3"}, {"RVAR_NRO", "21"}, {"REC_MES01", "4.00"}}),
        testing::record(
            7,
            {{"TIPO_BEM", "4"}, {"DAY_TRADE", "3"}, {"RVAR_NRO", "0"}, {"REC_MES01", "999.00"}})};
    Statement fund;
    PRENCHE_MAT(fund, kFund, "", old);
    EXPECT_EQ(fund.at(2, 1), D("-80.00"));
    EXPECT_EQ(fund.at(6, 1), D("4.00"));
    EXPECT_TRUE(fund.at(1, 1).is_zero());
    GRAVA_RV(fund, kDeclarant, old);
    Statement again;
    PRENCHE_MAT(again, kFund, "", old);
    EXPECT_EQ(again.at(2, 1), D("-80.00"));
    EXPECT_EQ(again.at(6, 1), D("4.00"));
    // Clearing a fund line deletes its record.
    again.at(2, 1) = Decimal();
    again.at(6, 1) = Decimal();
    SOMA_RENVAR(again);
    GRAVA_RV(again, kDeclarant, old);
    EXPECT_TRUE(old.empty());
}

}  // namespace
}  // namespace vorn::gains
