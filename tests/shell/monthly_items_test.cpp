// Screen 2's items through the real program: in the fill modes built from items, Enter on a column
// of the grid opens the person's items of that kind (payers month by month, dated cash-book
// entries, social security and Carnê-Leão paid), and the grid and calc follow what was typed
// there; Alt+U in a list opens the months of the amount under the cursor, storing them where the
// row keeps months and holding the age-65 portion to the monthly limit from the 65th birthday.
#include <gtest/gtest.h>

#include <map>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"
#include "tax/annual.h"

namespace vorn::shell {
namespace {

const char* kChildren[] = {"52998224725", "11144477735"};

// A self-employed holder in fill mode `mode` with `children` dependants, no items nor grids.
void family(tax::Declaration& d, int mode, int children) {
    d.items.clear();
    d.dependants.clear();
    d.monthly.clear();
    d.payments.clear();
    d.set("CAL_AUTO", Decimal(mode));
    d.set("USAPADRAO", "N");
    d.set("TIPO_PF", "T");
    for (int k = 1; k <= children; ++k) {
        store::Record r = d.new_record(3);
        r.set("NOMEDEPEN", "FILHO " + std::to_string(k));
        r.set("CODIDEPEN", Decimal(21));
        r.set("CPFDEPEN", kChildren[k - 1]);
        r.set("DATADEPEN", Date(2010 + k, 3, 10));
        r.set("NRODEPEN", Decimal(k));
        d.dependants.push_back(std::move(r));
    }
}

// An item of kind `kind` for the holder with `monthly` in each month from January to `last`.
store::Record item(tax::Declaration& d, const char* kind, const char* name, int monthly,
                   int last = 12) {
    store::Record r = d.new_record(2);
    r.set("I1_1", kind);
    r.set("I1_2", name);
    r.set("I1_11", "S");
    for (int m = 1; m <= last; ++m) r.set("I1_4" + tax::two_digits(m), Decimal(monthly));
    r.set("I1_4", Decimal(monthly * last));
    return r;
}

// The holder's monthly record.
Fields holder_grid(Office& o) {
    for (auto& f : o.records(12))
        if (f["CPFDEPEN"].empty()) return f;
    return {};
}

// Keys typing amounts (month → amount) into a monthly window whose cursor is on January.
std::string months(const std::map<int, std::string>& amounts) {
    std::string keys;
    int at = 1;
    for (const auto& [month, amount] : amounts) {
        for (; at < month; ++at) keys += "DOWN\n";
        keys += "text " + amount + "\nENTER\n";
    }
    return keys;
}

TEST(MonthlyItems, TheListsOfTheGridAndTheMonthsOfARowMatchTheirGoldens) {
    Office o(2, [](int i, tax::Declaration& d) {
        family(d, i == 0 ? 1 : 3, 0);
        store::Record payer = item(d, "F", "JOAO DA SILVA", 2000);
        payer.set("I1_41", "T");
        payer.set("I1_3", "529.982.247-25");
        d.items.push_back(payer);
        d.items.push_back(item(d, "P", "Carne do INSS", 150));
        store::Record entry = item(d, "F", "CONSULTA MAIO", 0);
        entry.set("DT_LC", Date(2025, 5, 12));
        entry.set("I1_4", Decimal(800));
        d.items.push_back(entry);
    });
    // Mode 1: the payers from individuals, the months of the first one, the social security.
    std::vector<Screen> screens =
        snapped(o, in_declaration(o.cpf(0),
                                  "F2\nENTER\nsnap\nRIGHT\nALT+U\nsnap\nESC\nESC\n"
                                  "RIGHT\nRIGHT\nRIGHT\nENTER\nsnap\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    ui::testing::expect_golden("monthly_items_list17", body(screens[0]));
    ui::testing::expect_golden("monthly_items_list7", body(screens[1]));
    ui::testing::expect_golden("monthly_items_list24", body(screens[2]));
    EXPECT_TRUE(shows(screens[0], "Pessoa Física   Total 24.800,00")) << body(screens[0]);
    // Mode 3: the same payers as dated entries; the one without a date stays out of the grid.
    screens = snapped(o, in_declaration(o.cpf(1), "F2\nENTER\nsnap\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("monthly_items_list18", body(screens[0]));
    EXPECT_TRUE(shows(screens[0], "1 sem data (fora do quadro)")) << body(screens[0]);
    EXPECT_EQ(grid_row(screens[1], 5).at(0), "800.00");
    EXPECT_EQ(grid_row(screens[1], 13).at(0), "800.00");
}

TEST(MonthlyItems, ItemsTypedInMode1RebuildTheGridAsCalcComputesIt) {
    Office o(2, [](int i, tax::Declaration& d) { family(d, 1, i == 0 ? 0 : 2); });
    // A payer of rent: January 5000.00 and May 3000.00; then the social security of January and
    // the Carnê-Leão paid in January, each through its own column.
    std::vector<Screen> screens =
        snapped(o, in_declaration(o.cpf(0), "F2\nENTER\ntext INQUILINO UM\nENTER\nRIGHT\nENTER\n" +
                                                months({{1, "5000"}, {5, "3000"}}) +
                                                "TAB\nRIGHT\ntext A\nENTER\nESC\nsnap\n"
                                                "RIGHT\nRIGHT\nRIGHT\nENTER\nRIGHT\nENTER\n" +
                                                months({{1, "100"}}) +
                                                "TAB\nESC\nRIGHT\nENTER\nRIGHT\nENTER\n" +
                                                months({{1, "335.15"}}) + "TAB\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    // The grid shows the months of the payer, then the social security and the Carnê-Leão paid.
    EXPECT_EQ(grid_row(screens[0], 1).at(0), "5000.00");
    EXPECT_EQ(grid_row(screens[0], 5).at(0), "3000.00");
    EXPECT_EQ(grid_row(screens[0], 13).at(0), "8000.00");
    EXPECT_TRUE(shows(screens[0], "Aluguel:      8.000,00")) << body(screens[0]);
    EXPECT_EQ(grid_row(screens[1], 1).at(3), "100.00");
    EXPECT_EQ(grid_row(screens[1], 1).at(4), "335.15");
    // January: (5000 - 564.80) at 22.5 % less 662.77 = 335.15, paid in full: nothing to correct;
    // May: 3000 - 607.20 = 2392.80 is below the exempt bound, nothing due.
    Fields grid = holder_grid(o);
    EXPECT_EQ(grid.at("I2_101"), "5000.00");
    EXPECT_EQ(grid.at("I2_401"), "100.00");
    EXPECT_EQ(grid.at("I2_501"), "335.15");
    EXPECT_EQ(grid.at("I2_601"), "335.15");
    EXPECT_EQ(grid.at("I2_701"), "0.00");
    EXPECT_EQ(grid.at("I2_605"), "0.00");
    auto c = o.calc()[o.cpf(0)];
    EXPECT_EQ(c.at("I13_03"), "8000.00");
    EXPECT_EQ(c.at("I13_29"), "335.15");
    const std::vector<Fields> items = rows_of(o, 2, o.cpf(0));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].at("I1_1"), "F");
    EXPECT_EQ(items[0].at("I1_41"), "A");
    EXPECT_EQ(items[0].at("I1_405"), "3000.00");
    EXPECT_EQ(items[1].at("I1_2"), "Carne do INSS");
    EXPECT_EQ(items[2].at("I1_1"), "I");

    // With two dependants, 1000.00 in January takes their deduction (2 × 189.59) and 300.00 in
    // June does not.
    screens = snapped(o, in_declaration(o.cpf(1), "F2\nENTER\ntext CLIENTE\nENTER\nRIGHT\nENTER\n" +
                                                      months({{1, "1000"}, {6, "300"}}) +
                                                      "TAB\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_EQ(grid_row(screens[0], 1).at(3), "379.18");
    EXPECT_EQ(grid_row(screens[0], 6).at(0), "300.00");
    EXPECT_EQ(grid_row(screens[0], 6).at(3), "0.00");
    EXPECT_EQ(o.calc()[o.cpf(1)].at("I13_03"), "1300.00");
}

TEST(MonthlyItems, DatedEntriesOfMode3GoToTheirMonthAndADependantsToTheirGrid) {
    Office o(1, [](int, tax::Declaration& d) { family(d, 3, 1); });
    const std::string cpf = o.cpf(0);
    // A date of another year is refused; 3000.00 on 15/05/2025 of self-employed work, told to need
    // the payer's CPF, which follows; a second entry without a date. Then the dependant's payer,
    // on item 22.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F2\nENTER\ntext 10012024\nENTER\nsnap\nENTER\nESC\n"
                          "text 15052025\nENTER\nRIGHT\ntext CLIENTE\nENTER\nRIGHT\n"
                          "text 3000\nENTER\nRIGHT\ntext T\nENTER\nsnap\nENTER\nRIGHT\n"
                          "text 52998224725\nENTER\nLEFT\nLEFT\nINS\ntext 700\nENTER\nESC\nsnap\n"
                          "ESC\n"
                          "ALT+F\nDOWN\nENTER\nENTER\nENTER\ntext 02022025\nENTER\nRIGHT\n"
                          "text PACIENTE\nENTER\nRIGHT\ntext 1200\nENTER\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "A data do lançamento deve ser do ano de 2025."))
        << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Para Trabalho Autônomo é necessário ter o CPF do pagador"))
        << body(screens[1]);
    EXPECT_EQ(grid_row(screens[2], 5).at(0), "3000.00");
    EXPECT_EQ(grid_row(screens[2], 13).at(0), "3000.00");
    EXPECT_TRUE(shows(screens[2], "Trabalho:          3.000,00")) << body(screens[2]);
    EXPECT_EQ(grid_row(screens[3], 2).at(0), "1200.00");
    const auto c = o.calc()[cpf];
    EXPECT_EQ(c.at("I13_03"), "3000.00");
    EXPECT_EQ(c.at("I13_04"), "1200.00");
    const std::vector<Fields> items = rows_of(o, 2, cpf);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].at("DT_LC"), "20250515");
    EXPECT_EQ(items[0].at("I1_405"), "3000.00");
    EXPECT_EQ(items[0].at("I1_41"), "T");
    EXPECT_EQ(items[0].at("I1_3"), "529.982.247-25");
    EXPECT_EQ(items[1].at("DT_LC"), "");
    EXPECT_EQ(items[2].at("I1_11"), "N");
    EXPECT_EQ(items[2].at("I1_8"), kChildren[0]);
}

// A retired holder who turned 65 in June 2025, with one company-income row.
void retired(int, tax::Declaration& d) {
    family(d, 1, 0);
    d.registry.set("NASCIMENTO", Date(1960, 6, 10));
    d.registry.set("CODAT", "61");
    store::Record r = d.new_record(2);
    r.set("I1_1", "J");
    r.set("I1_11", "S");
    r.set("I1_2", "INSTITUTO DE PREVIDENCIA");
    r.set("I1_3", "11.222.333/0001-81");
    d.items.push_back(r);
}

TEST(MonthlyItems, AltUStoresTheMonthsOfARowAndHoldsTheAge65PortionToItsMonths) {
    Office o(1, retired);
    const std::string cpf = o.cpf(0);
    std::string to_65;
    for (int k = 0; k < 10; ++k) to_65 += "RIGHT\n";
    // The income of January and February by month; then the age-65 portion: May is before the
    // birthday, 2000.00 is above the monthly limit, June and July take 1500.00; the 13th's portion
    // is left at zero.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, "F1\nRIGHT\nALT+U\n" + months({{1, "1000"}, {2, "2000"}}) +
                                   "TAB\nALT+U\nsnap\nESC\n" + to_65 + "ALT+U\n" +
                                   months({{5, "100"}}) +
                                   "snap\nENTER\nESC\nDOWN\n"
                                   "text 2000\nENTER\nsnap\nENTER\nESC\n"
                                   "text 1500\nENTER\nDOWN\ntext 1500\nENTER\nTAB\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    ui::testing::expect_golden("monthly_values_of_a_row", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "O contribuinte fez 65 anos no mês 6:")) << body(screens[1]);
    EXPECT_TRUE(shows(screens[2], "o Valor máximo desse rendimento é R$ R$ 1.903,98"))
        << body(screens[2]);
    const std::vector<Fields> items = rows_of(o, 2, cpf);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].at("I1_4"), "3000.00");
    EXPECT_EQ(items[0].at("I1_401"), "1000.00");
    EXPECT_EQ(items[0].at("I1_402"), "2000.00");
    EXPECT_EQ(items[0].at("I1_17"), "3000.00");
    EXPECT_EQ(o.calc()[cpf].at("I13_01"), "3000.00");
}

TEST(MonthlyItems, AlimonyPaidMonthByMonthIsTheMonthsDeductionOfTheGrid) {
    Office o(1, [](int, tax::Declaration& d) {
        family(d, 1, 0);
        store::Record recipient = d.new_record(3);
        recipient.set("NOMEDEPEN", "ALIMENTANDO");
        recipient.set("CODIDEPEN", Decimal(99));
        recipient.set("CPFDEPEN", kChildren[1]);
        recipient.set("NRODEPEN", Decimal(1));
        d.dependants.push_back(recipient);
        store::Record alimony = d.new_record(6);
        alimony.set("I6_1", "ALIMENTANDO");
        alimony.set("I6_3", Decimal(30));
        alimony.set("I6_6", Decimal(1));
        d.payments.push_back(alimony);
        d.items.push_back(item(d, "F", "CLIENTE", 4000, 6));
    });
    const std::string cpf = o.cpf(0);
    // Alt+U on the name opens the months of the amount paid: 800.00 in March; then screen 2.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, "ALT+F7\nALT+U\n" + months({{3, "800"}}) + "TAB\nF2\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_EQ(grid_row(screens[0], 2).at(3), "0.00");
    EXPECT_EQ(grid_row(screens[0], 3).at(3), "800.00");
    const std::vector<Fields> payments = rows_of(o, 6, cpf);
    ASSERT_EQ(payments.size(), 1u);
    EXPECT_EQ(payments[0].at("I6_1"), "ALIMENTANDO");
    EXPECT_EQ(payments[0].at("I6_4"), "800.00");
    EXPECT_EQ(payments[0].at("I6_403"), "800.00");
    EXPECT_EQ(holder_grid(o).at("I2_403"), "800.00");
}

}  // namespace
}  // namespace vorn::shell
