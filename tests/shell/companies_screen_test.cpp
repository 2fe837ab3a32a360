// Screen 1 through the real program: employee income typed on item 11 is stored as typed and calc
// follows it; the frame's title follows the item as Tab walks 11 to 14; refused cells (a wrong
// CNPJ check digit, a minus sign, taxable income beside a serious-illness pension) store nothing;
// deleting an income row names its entries; a dependant's row needs a dependant's CPF; a row
// inserted goes before the current one; a lottery prize names its payer; the age-65 portion asks
// its 13th within the limits; a departure's row takes its date of leaving; the RRA window computes
// its item, and an item taxed exclusively without its months or with month 13 is not stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"

namespace vorn::shell {
namespace {

const char* kDependantCpf = "52998224725";

// The income items of `cpf` in record order, as python3-dbfread reads them.
std::vector<Fields> items_of(Office& o, const std::string& cpf) {
    return rows_of(o, 2, cpf);
}

// One declaration without income items, with one child as dependant and, when asked, one
// company-income row of the holder carrying taxable income, tax and social security.
Office office(bool company_row, bool retiree = false, bool departure = false) {
    return Office(1, [&](int, tax::Declaration& d) {
        if (departure) d.set("DECSAIDA", "S");
        if (retiree) {
            d.registry.set("NASCIMENTO", Date(1950, 6, 10));
            d.registry.set("CODAT", "61");
        }
        d.items.clear();
        d.monthly.clear();
        d.dependants.clear();
        d.payments.clear();
        d.set("CAL_AUTO", Decimal(1));
        store::Record child = d.new_record(3);
        child.set("NOMEDEPEN", "FILHO UM");
        child.set("CODIDEPEN", Decimal(21));
        child.set("CPFDEPEN", kDependantCpf);
        child.set("DATADEPEN", Date(2010, 3, 4));
        child.set("NRODEPEN", Decimal(1));
        d.dependants.push_back(child);
        if (company_row) {
            store::Record r = d.new_record(2);
            r.set("I1_1", "J");
            r.set("I1_11", "S");
            r.set("I1_2", "EMPRESA UM LTDA");
            r.set("I1_3", "11.222.333/0001-81");
            r.set("I1_4", Decimal(60000));
            r.set("I1_6", Decimal(5000));
            r.set("I1_5", Decimal(4000));
            d.items.push_back(r);
        }
    });
}

TEST(CompaniesScreen, EmployeeIncomeTypedIsStoredAndCalcAgreesAfterF7) {
    Office o = office(false);
    const std::string cpf = o.cpf(0);
    // Payer name, income, social security, tax, 13th; the CNPJ typed without punctuation; then F7
    // (the summary) and the declaration saved on leaving.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F1\ntext EMPRESA EMPREGADORA SA\nENTER\nRIGHT\ntext 84000\nENTER\n"
                          "RIGHT\ntext 7800\nENTER\nRIGHT\ntext 9100\nENTER\nRIGHT\n"
                          "text 7000\nENTER\nRIGHT\nRIGHT\ntext 11222333000181\nENTER\nsnap\n"
                          "F7\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("companies_item11", body(screens[0]));
    const std::vector<Fields> rows = items_of(o, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I1_1"), "J");
    EXPECT_EQ(rows[0].at("I1_11"), "S");
    EXPECT_EQ(rows[0].at("I1_2"), "EMPRESA EMPREGADORA SA");
    EXPECT_EQ(rows[0].at("I1_3"), "11.222.333/0001-81");
    EXPECT_EQ(rows[0].at("I1_4"), "84000.00");
    EXPECT_EQ(rows[0].at("I1_6"), "7800.00");
    EXPECT_EQ(rows[0].at("I1_5"), "9100.00");
    EXPECT_EQ(rows[0].at("I1_7"), "7000.00");
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(after.at("I13_01"), "84000.00");
    EXPECT_EQ(after.at("I13_27"), "9100.00");
    EXPECT_EQ(after.at("I4_01"), "7000.00");
    // The summary F7 showed is what calc computes from the saved declaration.
    EXPECT_TRUE(shows(screens[1], "84.000,00"));
    EXPECT_TRUE(shows(screens[1], "9.100,00"));
}

TEST(CompaniesScreen, TheTitleFollowsTheItemAsTabWalksTheScreen) {
    Office o = office(true);
    const std::string cpf = o.cpf(0);
    const std::vector<Screen> screens = snapped(
        o,
        in_declaration(cpf, "F1\nsnap\nTAB\nsnap\nTAB\nsnap\nTAB\nsnap\nSHIFT+TAB\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 5u) << all(screens);
    const char* titles[] = {
        "RENDIMENTOS TRIBUTÁVEIS E ISENTOS RECEBIDOS DE PESSOAS JURÍDICAS",
        "(RRA) RENDIMENTOS TRIBUTÁVEIS DE PESSOA JURÍDICA RECEBIDOS ACUMULADAMENTE",
        "TODOS OS RENDIMENTOS RECEBIDOS E IMPOSTOS PAGOS PELOS DEPENDENTES",
        "(RRA) REND.TRIBUTÁVEIS DE P.JURÍDICA RECEBIDO ACUMULADAMENTE P/DEPENDENTES",
        "TODOS OS RENDIMENTOS RECEBIDOS E IMPOSTOS PAGOS PELOS DEPENDENTES"};
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_TRUE(shows(screens[k], titles[k])) << k << "\n" << body(screens[k]);
        for (size_t other = 0; other < 4; ++other) {
            if (std::string(titles[other]) != titles[k]) {
                EXPECT_FALSE(shows(screens[k], titles[other])) << k << " " << other;
            }
        }
    }
    ui::testing::expect_golden("companies_item12", body(screens[1]));
    ui::testing::expect_golden("companies_item13", body(screens[2]));
    ui::testing::expect_golden("companies_item14", body(screens[3]));
    EXPECT_TRUE(shows(screens[0], "EMPRESA UM LTDA"));
    EXPECT_FALSE(shows(screens[2], "EMPRESA UM LTDA"));
}

TEST(CompaniesScreen, RefusedCellsKeepTheRowAsItWas) {
    Office o = office(true);
    const std::string cpf = o.cpf(0);
    const std::vector<Fields> stored = items_of(o, cpf);
    ASSERT_EQ(stored.size(), 1u);
    // A CNPJ with a wrong check digit; a negative tax; a serious-illness pension on the row that
    // holds taxable income. Each refusal is snapped, closed, and the cell abandoned with Esc.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F1\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\n"
                                  "text 11222333000182\nENTER\nsnap\nENTER\nESC\n"
                                  "LEFT\nLEFT\nLEFT\ntext -5\nENTER\nsnap\nENTER\nESC\n"
                                  "RIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\n"
                                  "text 1000\nENTER\nsnap\nENTER\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "CNPJ 11.222.333/0001-82 está incorreto.")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "O valor não pode ser negativo.")) << body(screens[1]);
    EXPECT_TRUE(shows(screens[2], "no rendimento tributado. Digite esse rendimento"))
        << body(screens[2]);
    EXPECT_EQ(items_of(o, cpf), stored);
}

TEST(CompaniesScreen, DeletingAnIncomeRowNamesItsEntries) {
    Office o = office(true);
    const std::string cpf = o.cpf(0);
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F1\nDEL\nsnap\ntext N\nDEL\ntext S\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Essa linha contem  3 lançamentos")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[0], "Confirma a Exclusão dessa linha?"));
    EXPECT_TRUE(items_of(o, cpf).empty());
    EXPECT_EQ(o.calc()[cpf].at("I13_01"), "0.00");
}

TEST(CompaniesScreen, ADependantsRowNeedsTheCpfOfOneOfTheDependants) {
    Office o = office(false);
    const std::string cpf = o.cpf(0);
    // Item 13: a valid CPF that is nobody's dependant is refused; the child's is taken.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F1\nTAB\nTAB\ntext 11144477735\nENTER\nsnap\nENTER\nESC\n"
                          "text 52998224725\nENTER\nRIGHT\ntext EMPRESA DO FILHO\nENTER\nRIGHT\n"
                          "text 12000\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "não é de um dependente dessa declaração.")) << body(screens[0]);
    const std::vector<Fields> rows = items_of(o, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I1_1"), "D");
    EXPECT_EQ(rows[0].at("I1_11"), "N");
    EXPECT_EQ(rows[0].at("I1_8"), kDependantCpf);
    EXPECT_EQ(rows[0].at("I1_4"), "12000.00");
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(after.at("I13_02"), "12000.00");
    EXPECT_EQ(after.at("I13_01"), "0.00");
}

TEST(CompaniesScreen, ARowInsertedGoesBeforeTheCurrentOneAndALotteryPrizeNamesItsPayer) {
    Office o = office(true);
    const std::string cpf = o.cpf(0);
    std::string right;
    for (int k = 0; k < 31; ++k) right += "RIGHT\n";
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F1\nINS\nsnap\ntext S\n" + right +
                                           "text 5000\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Insere uma linha ANTES desse Item?")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Coloque no campo descrição o tipo da Loteria ganha."))
        << body(screens[1]);
    const std::vector<Fields> rows = items_of(o, cpf);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("I1_2"), "Loteria Lei 14.790/2023");
    EXPECT_EQ(rows[0].at("I1_45"), "5000.00");
    EXPECT_EQ(rows[0].at("I1_1"), "J");
    EXPECT_EQ(rows[1].at("I1_2"), "EMPRESA UM LTDA");
    EXPECT_EQ(rows[1].at("I1_4"), "60000.00");
    EXPECT_EQ(o.calc()[cpf].at("I4_15"), "5000.00");
}

TEST(CompaniesScreen, TheAge65PortionAsksItsThirteenthWithinTheYearsLimits) {
    Office o = office(true, true);
    const std::string cpf = o.cpf(0);
    std::string right;
    for (int k = 0; k < 11; ++k) right += "RIGHT\n";
    // Above the annual limit: refused. Then the limit itself and the 13th's portion beside it.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, "F1\n" + right +
                                   "text 30000\nENTER\nsnap\nENTER\nESC\n"
                                   "text 22847.76\nENTER\nsnap\ntext 1903.98\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O valor limite da isenção é R$ 22.847,76")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Parcela isenta do 13ro salário (65 anos):")) << body(screens[1]);
    const std::vector<Fields> rows = items_of(o, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I1_17"), "22847.76");
    EXPECT_EQ(rows[0].at("I1_43"), "1903.98");
    EXPECT_EQ(o.calc()[cpf].at("I3_06"), "24751.74");
}

TEST(CompaniesScreen, ADeparturesIncomeRowTakesTheDateOfLeaving) {
    Office o = office(true, false, true);
    const std::string cpf = o.cpf(0);
    std::string right;
    for (int k = 0; k < 32; ++k) right += "RIGHT\n";
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F1\n" + right + "text 15082025\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Data Saida")) << body(screens[0]);
    const std::vector<Fields> rows = items_of(o, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("DT_LC"), "20250815");
}

TEST(CompaniesScreen, TheRraWindowComputesItsItem) {
    Office o = office(false);
    const std::string cpf = o.cpf(0);
    // Item 12: the payer's name in the list, then Enter opens the item's window: income, social
    // security, tax, CNPJ, no alimony, no age-65 portion, no interest, taxed exclusively, received
    // in March over 10 months.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F1\nTAB\ntext FUNDACAO PAGADORA\nENTER\nENTER\ntext 60000\nENTER\n"
                          "text 3000\nENTER\ntext 1200\nENTER\ntext 11222333000181\nENTER\nENTER\n"
                          "ENTER\nENTER\ntext N\nENTER\ntext 03\nENTER\ntext 10\nsnap\nENTER\n"
                          "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("rra_window", body(screens[0]));
    const std::vector<Fields> rows = items_of(o, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I1_1"), "A");
    EXPECT_EQ(rows[0].at("TIPOCR"), "N");
    EXPECT_EQ(rows[0].at("I1_36"), "03");
    EXPECT_EQ(rows[0].at("I1_21"), "10.0");
    EXPECT_EQ(rows[0].at("I1_25"), "60000.00");
    // Base 57000 over 10 months in the first column: 57000 × 0.275 − 896.00 × 10.
    EXPECT_EQ(rows[0].at("I1_20"), "6715.00");
    // Taxed exclusively: its net income goes to the exclusive line, not to the adjustment.
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(after.at("I4_05"), "55800.00");
    EXPECT_EQ(after.at("I13_05"), "0.00");
}

TEST(CompaniesScreen, AnExclusiveRraItemNeedsItsMonthsAndAMonthOfTheYear) {
    Office o = office(false);
    const std::string cpf = o.cpf(0);
    // "N" with month 13 is refused in the field; with 12 and no months the window does not close;
    // Esc then leaves the item as it was.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(
               cpf,
               "F1\nTAB\ntext FUNDACAO PAGADORA\nENTER\nENTER\ntext 60000\nENTER\n"
               "ENTER\nENTER\nENTER\nENTER\nENTER\nENTER\ntext N\nENTER\ntext 13\n"
               "ENTER\nsnap\nENTER\nCTRL+Y\ntext 12\nENTER\nENTER\nsnap\nENTER\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O mês do recebimento vai de 01 a 12.")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "É necessário informar a quantidade de meses"))
        << body(screens[1]);
    const std::vector<Fields> rows = items_of(o, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(num(rows[0].at("I1_4")), "0.00");
    EXPECT_NE(rows[0].at("TIPOCR"), "N");
}

}  // namespace
}  // namespace vorn::shell
