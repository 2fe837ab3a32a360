// Screen 2 through the real program: the monthly grid of income from individuals for the holder
// and for a dependant in each fill mode, months typed and recomputed at once and stored by the
// save as calc reads them, the R$/US$ window of the summary, and the refusals.
#include <gtest/gtest.h>

#include <fstream>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"
#include "tax/annual.h"

namespace vorn::shell {
namespace {

// A self-employed holder with two children (CPFs of the generator's dependants).
void self_employed_family(int, tax::Declaration& d) {
    d.items.clear();
    d.dependants.clear();
    d.monthly.clear();
    d.payments.clear();
    d.set("CAL_AUTO", Decimal(1));
    d.set("USAPADRAO", "N");
    d.set("TIPO_PF", "T");
    for (int k = 1; k <= 2; ++k) {
        store::Record r = d.new_record(3);
        r.set("NOMEDEPEN", "FILHO " + std::to_string(k));
        r.set("CODIDEPEN", Decimal(21));
        r.set("CPFDEPEN", k == 1 ? "52998224725" : "11144477735");
        r.set("DATADEPEN", Date(2010 + k, 3, 10));
        r.set("NRODEPEN", Decimal(k));
        d.dependants.push_back(std::move(r));
    }
    auto item = [&](const char* kind, int base) {
        store::Record r = d.new_record(2);
        r.set("I1_1", kind);
        r.set("I1_2", "PESSOA FISICA");
        r.set("I1_11", "S");
        Decimal total;
        for (int m = 1; m <= 12; ++m) {
            const Decimal v(base + 100 * m);
            r.set("I1_4" + tax::two_digits(m), v);
            total += v;
        }
        r.set("I1_4", total);
        d.items.push_back(std::move(r));
    };
    item("F", 6000);
    item("I", 300);
    item("P", 200);
    d.monthly.push_back(d.new_record(12));
}

// The family with its grids typed (mode 2), none stored yet, without income items.
void typed_family(int i, tax::Declaration& d) {
    self_employed_family(i, d);
    d.items.clear();
    d.monthly.clear();
    d.set("CAL_AUTO", Decimal(2));
}

// Fields of the monthly records by the dependant's CPF ("" the holder).
std::map<std::string, Fields> grids(Office& o) {
    std::map<std::string, Fields> out;
    for (auto& f : o.records(12)) out[f["CPFDEPEN"]] = f;
    return out;
}

TEST(IndividualsScreen, HolderAndDependantInEachFillModeMatchTheirGoldens) {
    Office o(1, self_employed_family);
    const std::string cpf = o.cpf(0);
    // The holder through the four modes, then the second dependant through them from mode 4;
    // each change that replaces typed months is accepted with "S".
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F2\nsnap\nALT+A\nsnap\nALT+A\ntext S\nsnap\nALT+A\nsnap\nESC\n"
                          "ENTER\nALT+F\nDOWN\nENTER\nDOWN\nENTER\nsnap\nALT+A\ntext S\nsnap\n"
                          "ALT+A\nsnap\nALT+A\ntext S\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 8u);
    for (int mode = 1; mode <= 4; ++mode) {
        const size_t dependant = 4 + static_cast<size_t>(mode % 4);
        ui::testing::expect_golden("individuals_holder_mode" + std::to_string(mode),
                                   body(screens[static_cast<size_t>(mode - 1)]));
        ui::testing::expect_golden("individuals_dependant_mode" + std::to_string(mode),
                                   body(screens[dependant]));
    }
    // The holder's grid in mode 1 is the sum of the items: January 6100 of income, 300 paid, and
    // the deductions 300 of social security plus two dependants (379.18).
    EXPECT_EQ(grid_row(screens[0], 1)[0], "6100.00");
    EXPECT_EQ(grid_row(screens[0], 1)[3], "679.18");
    EXPECT_EQ(grid_row(screens[0], 1)[4], "400.00");
}

TEST(IndividualsScreen, ExamplesTypedThroughTheGridAreWhatCalcComputesAfterTheSave) {
    Office o(1, typed_family);
    const std::string cpf = o.cpf(0);
    // January 5000.00; May 3000.00 with no deductions (base 2392.80: nothing due); June 300.00
    // with two dependants (379.18 not taken). Esc, then Enter keeps the income type.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F2\ntext 5000\nENTER\nDOWN\nDOWN\nDOWN\nDOWN\ntext 3000\n"
                                  "ENTER\nDOWN\ntext 300\nENTER\nRIGHT\nRIGHT\nRIGHT\nRIGHT\n"
                                  "RIGHT\nsnap\nESC\nENTER\n"));
    ASSERT_EQ(screens.size(), 1u);
    const auto c = o.calc()[cpf];
    // January: base 5000 - 564.80 at 22.5 % less 662.77.
    EXPECT_EQ(c.at("I13_03"), "8300.00");
    EXPECT_EQ(c.at("I13_29"), "335.15");
    const auto g = grids(o);
    ASSERT_EQ(g.size(), 1u);
    const Fields& holder = g.at("");
    EXPECT_EQ(holder.at("I2_101"), "5000.00");
    EXPECT_EQ(holder.at("I2_601"), "335.15");
    EXPECT_EQ(holder.at("I2_105"), "3000.00");
    EXPECT_EQ(holder.at("I2_605"), "0.00");
    EXPECT_EQ(holder.at("I2_406"), "0.00");
    EXPECT_EQ(holder.at("I2_102"), "0.00");  // a blank month is stored as zero
    EXPECT_EQ(holder.at("I2_113"), "8300.00");
    // The due column shown on screen is what was stored.
    EXPECT_EQ(body(screens[0]).find("LEAO PAGO (*)"), std::string::npos);
    EXPECT_NE(screens[0].at(8).find("335,15"), std::string::npos);
}

TEST(IndividualsScreen, TheHolderIsTheRecordWithoutADependantsCpfAndADependantGetsANewOne) {
    Office o(1, [](int i, tax::Declaration& d) {
        typed_family(i, d);
        // A dependant's grid stored before the holder's.
        store::Record dep = d.new_record(12);
        dep.set("CPFDEPEN", "52998224725");
        dep.set("I2_101", Decimal(1000));
        d.monthly.push_back(std::move(dep));
        d.monthly.push_back(d.new_record(12));
    });
    const std::string cpf = o.cpf(0);
    snapped(o, in_declaration(cpf,
                              "F2\nDOWN\ntext 2000\nENTER\nESC\nENTER\n"
                              "ALT+F\nDOWN\nENTER\nDOWN\nENTER\nESC\n"));
    const auto c = o.calc()[cpf];
    EXPECT_EQ(c.at("I13_03"), "2000.00");
    EXPECT_EQ(c.at("I13_04"), "1000.00");
    const auto g = grids(o);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g.at("").at("I2_102"), "2000.00");
    EXPECT_EQ(g.at("52998224725").at("I2_101"), "1000.00");
    EXPECT_EQ(g.at("11144477735").at("I2_113"), "0.00");  // the second child's new grid
}

TEST(IndividualsScreen, TypedMonthsSurviveADeclinedModeChange) {
    Office o(1, typed_family);
    const std::string cpf = o.cpf(0);
    // Mode 2 to 3 would rebuild the grid from the items (none): Enter answers "Não".
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, "F2\ntext 5000\nENTER\nALT+A\nsnap\nENTER\nsnap\nESC\nENTER\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_NE(body(screens[0]).find("Troca o modo de preenchimento?"), std::string::npos);
    EXPECT_NE(body(screens[1]).find("PREENCHIMENTO ATUAL:2)SÓ OS TOTAIS"), std::string::npos);
    EXPECT_EQ(o.calc()[cpf].at("I13_03"), "5000.00");
    EXPECT_EQ(o.dbfread(1)[cpf].at("CAL_AUTO"), "2");
    EXPECT_EQ(grids(o).at("").at("I2_101"), "5000.00");
}

TEST(IndividualsScreen, NegativeAmountsAndMonthsAfterTheEstatesPartitionAreRefused) {
    Office o(1, [](int i, tax::Declaration& d) {
        typed_family(i, d);
        d.set("DecFinal", "S");
        d.set("DataParti", Date(2025, 3, 15));
    });
    const std::string cpf = o.cpf(0);
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F2\ntext -100\nENTER\nsnap\nENTER\nESC\nDOWN\nDOWN\nDOWN\ntext 700\n"
                          "ENTER\nsnap\nENTER\nUP\ntext 600\nENTER\nESC\nENTER\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_NE(body(screens[0]).find("O valor não pode ser negativo."), std::string::npos);
    EXPECT_NE(body(screens[1]).find("limite de recebimentos"), std::string::npos);
    EXPECT_NE(body(screens[1]).find("mês 03 - Marco"), std::string::npos);
    const Fields holder = grids(o).at("");
    EXPECT_EQ(holder.at("I2_101"), "0.00");
    EXPECT_EQ(holder.at("I2_104"), "0.00");
    EXPECT_EQ(holder.at("I2_103"), "600.00");
}

TEST(IndividualsScreen, AValueWiderThanTheNarrowColumnsShowsWholeAndIsStoredUnchanged) {
    Office o(1, [](int i, tax::Declaration& d) {
        typed_family(i, d);
        store::Record grid = d.new_record(12);
        grid.set("I2_301", Decimal::from("123456789.12"));
        grid.set("I2_101", Decimal(7000));
        d.monthly.push_back(std::move(grid));
    });
    const std::string cpf = o.cpf(0);
    // February typed: the whole grid goes back to the table with January as it was.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F2\nsnap\nDOWN\ntext 10\nENTER\nESC\nENTER\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_NE(screens[0].at(8).find("123.456.789,12"), std::string::npos) << screens[0].at(8);
    EXPECT_EQ(body(screens[0]).find('*'), std::string::npos);
    const Fields holder = grids(o).at("");
    EXPECT_EQ(holder.at("I2_301"), "123456789.12");
    EXPECT_EQ(holder.at("I2_102"), "10.00");
}

TEST(IndividualsScreen, AltNChoosesThePaidCarneLeaoForTheAdjustment) {
    Office o(1, typed_family);
    const std::string cpf = o.cpf(0);
    // January 5000.00 (335.15 due) with 100.00 paid; then only what was paid counts.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F2\ntext 5000\nENTER\nRIGHT\nRIGHT\nRIGHT\nRIGHT\ntext 100\n"
                                  "ENTER\nsnap\nALT+N\nsnap\nESC\nENTER\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(body(screens[0]).find("LEAO PAGO (*)"), std::string::npos);
    EXPECT_NE(body(screens[1]).find("LEAO PAGO (*)"), std::string::npos);
    EXPECT_EQ(o.calc()[cpf].at("I13_29"), "100.00");
    EXPECT_EQ(o.dbfread(1)[cpf].at("SO_REC"), "T");
    EXPECT_EQ(grids(o).at("").at("I2_501"), "100.00");
}

TEST(IndividualsScreen, MonthlyWindowTotalFillsTheComplementaryTaxAndCalcAgrees) {
    Office o(1, self_employed_family);
    const std::string cpf = o.cpf(0);
    // R$ 100.00 in January; the dollar column freed, US$ 50.00 in February; a negative refused.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F7\nENTER\nCTRL+ENTER\ntext 100\nENTER\nALT+L\nDOWN\nRIGHT\ntext 50\n"
                          "ENTER\nDOWN\ntext -100\nENTER\nsnap\nENTER\nESC\nsnap\nTAB\nsnap\n"
                          "UP\nCTRL+ENTER\ntext 1\nENTER\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 4u);
    EXPECT_NE(body(screens[0]).find("O valor não pode ser negativo."), std::string::npos);
    ui::testing::expect_golden("monthly_values_window", body(screens[1]));
    // January 100 / 6.0394 = 16.55; February 50 × 6.0371 = 301.85.
    EXPECT_NE(screens[1].at(6).find("16,55"), std::string::npos);
    EXPECT_NE(screens[1].at(7).find("301,85"), std::string::npos);
    EXPECT_NE(screens[1].at(18).find("401,85"), std::string::npos);
    EXPECT_NE(screens[2].at(14).find("401,85"), std::string::npos);
    // Esc in the window keeps the field as it was.
    EXPECT_NE(screens[3].at(14).find("401,85"), std::string::npos);
    const auto c = o.calc()[cpf];
    EXPECT_EQ(c.at("I13_31"), "401.85");
    EXPECT_NE(screens[2].at(18).find(tax::picture_e(dec(c.at("I13_35")), "999,999,999.99")),
              std::string::npos);
}

TEST(IndividualsScreen, MonthlyWindowRepeatsTheMonthAboveAndGivesUpOnEsc) {
    Office o(1, self_employed_family);
    const std::string cpf = o.cpf(0);
    // January 250.00, repeated by Alt+B in February and March: 750.00 into the complementary
    // tax. A second window given up with Esc leaves the field as it was.
    snapped(o, in_declaration(cpf,
                              "F7\nENTER\nCTRL+ENTER\ntext 250\nENTER\nDOWN\nALT+B\nDOWN\n"
                              "ALT+B\nTAB\nUP\nCTRL+ENTER\ntext 9\nENTER\nESC\nESC\n"));
    EXPECT_EQ(o.calc()[cpf].at("I13_31"), "750.00");
}

TEST(IndividualsScreen, InverseModeDerivesTheIncomeFromTheCarneLeaoPaid) {
    Office o(1, [](int i, tax::Declaration& d) {
        typed_family(i, d);
        d.set("CAL_AUTO", Decimal(4));
    });
    const std::string cpf = o.cpf(0);
    // 335.15 paid in January is the tax of 5000.00 (22.5 % less 662.77 after the 564.80
    // discount); the due and corrected columns cannot be typed.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F2\nRIGHT\nRIGHT\nRIGHT\nRIGHT\ntext 335.15\nENTER\nsnap\n"
                                  "RIGHT\ntext 1\nENTER\nESC\nENTER\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(grid_row(screens[0], 1)[0], "5000.00");
    const auto c = o.calc()[cpf];
    EXPECT_EQ(c.at("I13_03"), "5000.00");
    EXPECT_EQ(c.at("I13_29"), "335.15");
    const Fields holder = grids(o).at("");
    EXPECT_EQ(holder.at("I2_501"), "335.15");
    EXPECT_EQ(holder.at("I2_601"), "335.15");
}

TEST(IndividualsScreen, MonthlyWindowFillsTheTaxPaidAbroad) {
    Office o(1, [](int i, tax::Declaration& d) {
        self_employed_family(i, d);
        d.items.front().set("I1_1", "E");  // the payer's income comes from abroad
    });
    const std::string cpf = o.cpf(0);
    // The option, the complementary tax, then the tax paid abroad: 80.00 in March.
    snapped(o, in_declaration(cpf,
                              "F7\nENTER\nENTER\nCTRL+ENTER\nDOWN\nDOWN\ntext 80\nENTER\n"
                              "TAB\nESC\n"));
    EXPECT_EQ(o.dbfread(1)[cpf].at("IR_EXTER"), "80.00");
    EXPECT_EQ(o.calc()[cpf].at("I13_31"), "0.00");
}

TEST(IndividualsScreen, TheDependantsListOffersFirstTheOneWithAGrid) {
    Office o(1, [](int i, tax::Declaration& d) {
        typed_family(i, d);
        store::Record dep = d.new_record(12);
        dep.set("CPFDEPEN", "11144477735");
        d.monthly.push_back(std::move(dep));
    });
    const std::string cpf = o.cpf(0);
    // Enter takes the dependant offered: the second child, whose grid exists.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "ALT+F\nDOWN\nENTER\nENTER\nsnap\ntext 10\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_NE(body(screens[0]).find("Dependente CPF 111.444.777-35 FILHO 2"), std::string::npos);
    const auto g = grids(o);
    EXPECT_EQ(g.at("11144477735").at("I2_101"), "10.00");
    EXPECT_EQ(o.calc()[cpf].at("I13_04"), "10.00");
}

}  // namespace
}  // namespace vorn::shell
