// The summary screen through the real program, on generated declarations: every painted line equals
// calc's figure in either option; typed values recompute at once and are what the save stores; a
// negative amount is refused, keeps the cursor and changes nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "../ui/harness.h"
#include "base/helpers.h"
#include "base/text.h"
#include "office.h"
#include "tax/annual.h"
#include "tax/simulator.h"

namespace vorn::shell {
namespace {

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(SummaryScreen, EachLineOfTwentyGeneratedDeclarationsIsCalcsFigure) {
    Office o(20);
    std::string script;
    for (size_t i = 0; i < o.declarations.size(); ++i)
        script += in_declaration(o.cpf(i), "F7\nsnap\nESC\n");
    const std::vector<Screen> screens = snapped(o, script);
    ASSERT_EQ(screens.size(), o.declarations.size());
    auto calc = o.calc();
    auto summaries = o.dbfread(1);
    int forms[2] = {0, 0}, alerts = 0;
    for (size_t i = 0; i < screens.size(); ++i) {
        SCOPED_TRACE("CPF " + o.cpf(i));
        const Fields& c = calc[o.cpf(i)];
        const bool simple = summary_simplified(screens[i]);
        EXPECT_EQ(simple, c.at("USAPADRAO") == "S");
        ++forms[simple];
        EXPECT_EQ(summary_painted(screens[i]), summary_expected(c, simple));
        // The cash alert when the cash check finds no surplus or one below the threshold.
        const bool alert = dec(c.at("SALDO")) <= Decimal() ||
                           dec(c.at("INDGAS")) < dec(summaries[o.cpf(i)]["INDALERTA"]);
        alerts += alert;
        const std::string shown = body(screens[i]);
        EXPECT_EQ(count(shown, simple ? "  PROBLEMAS  " : "ATENÇAO! PROBLEMA NO CAIXA!"),
                  alert ? 1u : 0u);
    }
    // Declarations with and without the alert were seen.
    EXPECT_GT(alerts, 0);
    EXPECT_LT(alerts, 20);
    // Both forms were seen.
    EXPECT_GT(forms[0], 0);
    EXPECT_GT(forms[1], 0);
}

TEST(SummaryScreen, TypedValuesRecomputeAtOnceAndTheSaveStoresWhatTheLastScreenShowed) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    Fields first = o.calc()[cpf];
    // The generated declaration is complete with a balance to pay of more than 8 quotas of 50.00.
    ASSERT_EQ(first.at("USAPADRAO"), "N");
    ASSERT_GT(dec(first.at("I13_36")), Decimal(1450));
    // The option kept, the complementary tax, the tax under Lei 11.033 kept, three quotas; Ctrl+S
    // to the simplified option; "S" in its switch back to the complete one, "S" in the option field
    // to the simplified one again.
    const std::string keys =
        "F7\nENTER\ntext 1000\nENTER\nsnap\nENTER\ntext 3\nENTER\nsnap\nCTRL+S\nsnap\n"
        "text S\nENTER\nsnap\ntext S\nENTER\nsnap\nESC\n";
    const std::vector<Screen> screens = snapped(o, in_declaration(cpf, keys));
    ASSERT_EQ(screens.size(), 5u);

    const Fields typed = summary_painted(screens[0]);
    EXPECT_EQ(typed.at("31"), "1000.00");
    EXPECT_EQ(dec(typed.at("35")), dec(first.at("I13_35")) + Decimal(1000));
    EXPECT_EQ(dec(typed.at("36")), dec(first.at("I13_36")) - Decimal(1000));
    const Fields quotas = summary_painted(screens[1]);
    EXPECT_EQ(quotas.at("Q"), "3");
    EXPECT_EQ(dec(quotas.at("37")), DESPREZA(dec(quotas.at("36")) / Decimal(3), 15));

    EXPECT_TRUE(summary_simplified(screens[2]));
    EXPECT_FALSE(summary_simplified(screens[3]));
    ASSERT_TRUE(summary_simplified(screens[4]));
    EXPECT_EQ(summary_painted(screens[2]), summary_painted(screens[4]));
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(after.at("USAPADRAO"), "S");
    EXPECT_EQ(after.at("I13_31"), "1000.00");
    EXPECT_EQ(after.at("QTD_QUOTA"), "3");
    EXPECT_EQ(summary_painted(screens[4]), summary_expected(after, true));
}

TEST(SummaryScreen, ANegativeAmountIsRefusedKeepsTheCursorAndStoresNothing) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // The declaration opened, computed and saved once as it is.
    snapped(o, in_declaration(cpf, "F7\nESC\n"));
    const auto summary = o.dbfread(1);
    // -100 in the complementary tax, Enter twice: refused each time, the cursor kept in the field.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F7\nENTER\ntext -100\nENTER\nsnap\nENTER\n"
                                  "ENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    for (const Screen& s : screens) EXPECT_EQ(count(body(s), "O valor não pode ser negativo."), 1u);
    EXPECT_EQ(o.dbfread(1), summary);
    EXPECT_EQ(o.calc()[cpf].at("I13_31"), "0.00");
}

TEST(SummaryScreen, BothFormsTheCashAlertAndTheSimulatorAsTheGoldenScreens) {
    Office o(2);
    // Declaration 0 is complete without the cash alert, declaration 1 simplified with it.
    const std::string keys =
        "F7\nsnap\nCTRL+S\nsnap\nCTRL+S\nENTER\nENTER\nENTER\nENTER\ntext S\nENTER\n"
        "text 10000\nENTER\nsnap\nESC\nESC\n";
    const std::vector<Screen> screens =
        snapped(o, in_declaration(o.cpf(0), keys) +
                       in_declaration(o.cpf(1), "F7\nsnap\nCTRL+S\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 5u);
    const char* names[] = {"summary_complete", "summary_simplified", "summary_simulator",
                           "summary_simplified_alert", "summary_complete_alert"};
    for (size_t k = 0; k < screens.size(); ++k)
        ui::testing::expect_golden(names[k], body(screens[k]));
}

TEST(SummaryScreen, ItsFormsStayWholeWhileTheStatusLineTellsTheHintAndPassingMessages) {
    Office o(2);
    // Declaration 0 opens complete: Ctrl+S to the simplified form and back, Alt+W saving while
    // the summary is shown, the saving told for five seconds; then Alt+W again at the
    // declaration's menu.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(o.cpf(0),
                                  "F7\nCTRL+S\nsnap\nCTRL+S\nALT+W\nsnap\nadvance 6\nsnap\n"
                                  "ESC\nALT+W\nsnap\n"));
    ASSERT_EQ(screens.size(), 4u);
    // Each form whole, with nothing left of the other form, its hint on the status line.
    ui::testing::expect_golden("summary_simplified", body(screens[0]));
    EXPECT_EQ(count(screens[0].at(23), "Ctrl S=Muda para completo"), 1u);
    EXPECT_EQ(count(screens[1].at(23), "Declaração salva às"), 1u);
    // The passing message gone, the hint is back.
    ui::testing::expect_golden("summary_complete", body(screens[2]));
    EXPECT_EQ(count(screens[2].at(23), "Ctrl S=Muda p/simplificado"), 1u);
    // Past the summary the window's menu bar is back and the status line tells the save.
    EXPECT_EQ(count(screens[3].at(1), "PJ  PF  Isen"), 1u);
    EXPECT_EQ(count(screens[3].at(23), "Declaração salva às"), 1u);
}

TEST(SummaryScreen, AnExitDeclarationIsCompleteInOneQuotaAndNeitherSwitchIsAllowed) {
    Office o(1, [](int, tax::Declaration& d) {
        d.set("DECSAIDA", "S");
        d.set("DATASAIDA", Date(2025, 6, 30));
        d.set("USAPADRAO", "S");
    });
    const std::string cpf = o.cpf(0);
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, "F7\nsnap\nCTRL+S\nsnap\nENTER\ntext S\nENTER\nsnap\nENTER\nESC\n"));
    // Opened complete; Ctrl+S and "S" in the option field are both refused.
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_FALSE(summary_simplified(screens[0]));
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(summary_painted(screens[0]), summary_expected(after, false));
    EXPECT_EQ(after.at("USAPADRAO"), "N");
    EXPECT_EQ(summary_painted(screens[0]).at("Q"), dec(after.at("I13_36")).is_zero() ? "0" : "1");
    for (size_t k : {1, 2}) {
        EXPECT_EQ(
            count(body(screens[k]), "A declaração de saída definitiva só pode ser uma completa"),
            1u);
        EXPECT_FALSE(summary_simplified(screens[k]));
    }
}

TEST(SummaryScreen, TaxPaidAbroadAboveItsLimitIsToldAndTheLimitTaken) {
    // Income from abroad of 5,000.00 a month for the holder.
    Office o(1, [](int, tax::Declaration& d) {
        store::Record r = d.new_record(2);
        r.set("I1_1", "E");
        r.set("I1_2", "PESSOA FISICA");
        r.set("I1_11", "S");
        for (int m = 1; m <= 12; ++m) r.set("I1_4" + tax::two_digits(m), Decimal(5000));
        r.set("I1_4", Decimal(60000));
        d.items.push_back(std::move(r));
        d.monthly.push_back(d.new_record(12));
    });
    const std::string cpf = o.cpf(0);
    ASSERT_EQ(o.calc()[cpf].at("I13_49"), "60000.00");
    // The option, the complementary tax, then the tax paid abroad (read only with such income).
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F7\nENTER\nENTER\ntext 99999\nENTER\nsnap\n"
                                  "ENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    const Fields after = o.calc()[cpf];
    const std::string limit = "O limite Legal assumido é de :" +
                              tax::picture_e(dec(after.at("I13_32")), "9999,999,999.99", true);
    EXPECT_EQ(count(body(screens[0]), limit), 1u);
    EXPECT_EQ(num(o.dbfread(1)[cpf]["IR_EXTER"]), "99999.00");
    EXPECT_LT(dec(after.at("I13_32")), Decimal(99999));
    EXPECT_EQ(summary_painted(screens[1]), summary_expected(after, false));
}

TEST(SummaryScreen, SimplifiedSimulationFindsTheIncomeForTheWantedBalance) {
    Office o(2);
    // Declaration 1 is simplified with a refund: the switch, the complementary tax and the tax
    // under Lei 11.033 kept; then a balance of 5,000.00 to pay; on opening again (the simulation
    // starts empty) a refund beyond the tax paid. Down keeps the cursor in the last field, where
    // Enter would end the screen.
    const std::string cpf = o.cpf(1);
    const Fields first = o.calc()[cpf];
    ASSERT_EQ(first.at("USAPADRAO"), "S");
    ASSERT_EQ(first.at("QTD_QUOTA"), "0");
    const std::string refund = "-" + std::to_string(dec(first.at("I13_35")).whole() + 1);
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F7\nENTER\nENTER\nENTER\ntext 5000\nDOWN\nsnap\nESC\n"
                                  "F7\nENTER\nENTER\nENTER\ntext " +
                                      refund + "\nDOWN\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    const Decimal income = dec(calc_form(substr_chars(screens[0].at(kSummaryTop + 18), 63, 14)));

    // The table's tax of the income found, less the tax paid, is the balance asked for.
    EXPECT_EQ(tax::SIMUL_tax_of_income(income) - dec(first.at("I13_35")), Decimal(5000));
    EXPECT_EQ(count(body(screens[1]), "O valor máximo de restituição de imposto é R$"), 1u);
    // The simulation changes nothing of the declaration.
    EXPECT_EQ(o.calc()[cpf], first);
}

TEST(SummaryScreen, SimplifiedSimulationGivesTheTaxOfATypedIncome) {
    Office o(2);
    // Declaration 1 is simplified. Down from the wanted balance to the income, the declaration's
    // own taxable income typed there, Up back: the tax of that income is the declaration's tax.
    const std::string cpf = o.cpf(1);
    const Fields first = o.calc()[cpf];
    ASSERT_EQ(first.at("USAPADRAO"), "S");
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F7\nENTER\nENTER\nENTER\nDOWN\ntext " + first.at("I13_08") +
                                           "\nUP\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(dec(calc_form(substr_chars(screens[0].at(kSummaryTop + 15), 63, 14))),
              dec(first.at("I13_21")));
    EXPECT_EQ(dec(calc_form(substr_chars(screens[0].at(kSummaryTop + 18), 63, 14))),
              dec(first.at("I13_08")));
    ui::testing::expect_golden("summary_simulator_income", body(screens[0]));
    // The simulation changes nothing of the declaration.
    EXPECT_EQ(o.calc()[cpf], first);
}

}  // namespace
}  // namespace vorn::shell
