// The calculator and converter windows and the keys that fill the field being edited with them,
// on the headless screen.
#include "entry/calculator.h"

#include <gtest/gtest.h>

#include "entry/converter.h"
#include "ui/field.h"
#include "ui/harness.h"

namespace vorn::entry {
namespace {

using ui::testing::Harness;

std::string first_snap(const Harness& h) {
    const std::string all = h.snaps.str();
    return all.substr(0, all.find("----\n"));
}

TEST(Calculator, EnterShowsTheValueAndEnterAgainReturnsIt) {
    Harness h("text 1.234,56 * 2 + 10%\nENTER\nsnap\nENTER\n");
    std::optional<Decimal> r = CALCULADORA(h.screen);
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, Decimal::from("2716.032"));
    ui::testing::expect_golden("calculator_window", first_snap(h));
    EXPECT_EQ(h.screen.saved_areas(), 0u) << "the window is closed";
}

TEST(Calculator, AnErrorIsToldAndTheExpressionCanBeMended) {
    Harness h("text 10/0\nENTER\nsnap\nENTER\nEND\nBACKSPACE\ntext 4\nENTER\nENTER\n");
    std::optional<Decimal> r = CALCULADORA(h.screen);
    EXPECT_NE(h.snaps.str().find("Divisão por zero (posição 3)"), std::string::npos)
        << h.snaps.str();
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, Decimal::from("2.5"));
}

TEST(Calculator, EscReturnsNothing) {
    Harness h("text 2+2\nENTER\nESC\n");
    EXPECT_FALSE(CALCULADORA(h.screen));
}

TEST(Calculator, AppendedToATextOnlyWhenItFitsWhole) {
    EXPECT_EQ(append_result("ANA   ", Decimal::from("7.5"), 10), "ANA 7,5000");
    EXPECT_EQ(append_result("", Decimal(-2), 10), "-2,0000");
    EXPECT_EQ(append_result("ANA", Decimal::from("7.5"), 9), std::nullopt);
    EXPECT_EQ(append_result("", Decimal(1000000), 13), std::nullopt);  // "1.000.000,0000"
}

// A screen with a number and a text field whose Alt+S and Alt+U work as in the entry screens.
struct Form {
    explicit Form(const std::string& script, std::string text_value = "ANA",
                  std::string number_picture = "@E 9,999,999.99")
        : h(script), text(std::move(text_value)) {
        h.screen.bind(ui::Key::alt('S'), [this] { calculator_into_field(h.screen); });
        h.screen.bind(ui::Key::alt('U'),
                      [this] { converter_into_field(h.screen, Decimal::from("5.5018")); });
        fields.resize(2);
        fields[0].row = 3;
        fields[0].col = 10;
        fields[0].var = number;
        fields[0].picture = std::move(number_picture);
        fields[0].name = "VALOR";
        fields[1].row = 4;
        fields[1].col = 10;
        fields[1].var = text;
        fields[1].width = 12;
        fields[1].name = "NOME";
    }
    ui::ReadResult read() { return ui::READ(h.screen, fields); }

    Harness h;
    Decimal number = Decimal(1);
    std::string text;
    std::vector<ui::Get> fields;
};

TEST(Calculator, AltSPutsTheResultRoundedIntoANumberField) {
    Form f("ALT+S\ntext 10/3\nENTER\nENTER\nENTER\nESC\n");
    f.read();
    EXPECT_EQ(f.number, Decimal::from("3.33"));
}

TEST(Calculator, AltSAppendsToATextField) {
    Form f("ENTER\nALT+S\ntext (2+3)*1,5\nENTER\nENTER\nENTER\n");
    f.read();
    EXPECT_EQ(f.text, "ANA 7,5000  ");
}

TEST(Calculator, AResultThatDoesNotFitLeavesTheFieldAsItWas) {
    // 18 characters would be cut to 12 and read as another number: nothing is written.
    Form f("ENTER\nALT+S\ntext 1000000\nENTER\nENTER\nsnap\nENTER\nENTER\nESC\n");
    f.read();
    EXPECT_NE(f.h.snaps.str().find("O resultado não cabe no campo."), std::string::npos);
    EXPECT_EQ(f.text, "ANA");
    // Too large for the number field's template.
    Form g("ALT+S\ntext 99999999\nENTER\nENTER\nENTER\nENTER\nESC\n");
    g.read();
    EXPECT_EQ(g.number, Decimal(1));
}

TEST(Calculator, ATextTemplateTakesOnlyCharactersItAccepts) {
    // A digits-only template (a CPF) refuses the comma and the blank of an appended result.
    Form f("ENTER\nALT+S\ntext 1\nENTER\nENTER\nsnap\nENTER\nENTER\n", "");
    f.fields[1].picture = "@R 999.999.999-99";
    f.fields[1].width = 0;
    f.text = "";
    f.read();
    EXPECT_EQ(f.text, "") << "nothing written";
    EXPECT_NE(f.h.snaps.str().find("O resultado não cabe no campo."), std::string::npos);
}

TEST(Calculator, DivisionByZeroLeavesTheFieldAsItWas) {
    Form f("ALT+S\ntext 5/(1-1)\nENTER\nENTER\nESC\nENTER\nESC\n");
    f.read();
    EXPECT_EQ(f.number, Decimal(1));
}

TEST(Calculator, OutsideCalculatorStartsWithoutAShellAndFailuresAreTold) {
    Harness h("snap\nENTER\n");
    FakeProcesses p;
    run_calculator(h.screen, p, "galculator; rm -rf x");
    ASSERT_EQ(p.started.size(), 1u);
    EXPECT_EQ(p.started[0], std::vector<std::string>{"galculator; rm -rf x"});
    EXPECT_EQ(h.snaps.str(), "") << "nothing to tell";

    p.result = Status::not_found("Não foi possível executar galculator: No such file");
    run_calculator(h.screen, p, "galculator");
    EXPECT_NE(h.snaps.str().find("A calculadora não pôde ser usada:"), std::string::npos);

    Harness blank("text 1+1\nENTER\nENTER\n");
    FakeProcesses none;
    run_calculator(blank.screen, none, "  ");
    EXPECT_TRUE(none.started.empty()) << "blank: the built-in calculator";
}

TEST(Converter, DollarsTypedBecomeReaisInTheField) {
    Form f("ALT+U\nsnap\nENTER\ntext 10\nENTER\nENTER\nESC\n");
    f.number = Decimal(100);
    f.read();
    ui::testing::expect_golden("converter_window", first_snap(f.h));
    EXPECT_EQ(f.number, Decimal::from("55.02"));  // 10 × 5.5018
}

TEST(Converter, ReaisTypedShowTheirDollars) {
    Harness h("text 55,02\nENTER\nsnap\nPGDN\n");
    std::optional<Decimal> r = CONVERSOR(h.screen, Decimal(0), Decimal::from("5.5018"));
    EXPECT_NE(h.snaps.str().find("10,00"), std::string::npos) << h.snaps.str();
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, Decimal::from("55.02"));
}

TEST(Converter, OnlyForAmountsAndI13_31PointsToTheMonthlyOne) {
    Form code("ALT+U\nENTER\nESC\n", "ANA", "9");
    code.read();
    EXPECT_EQ(code.h.backend.beeps(), 1) << "a code holds no money: a beep, no window";
    EXPECT_EQ(code.number, Decimal(1));

    Form wide("ALT+U\nsnap\nENTER\ntext 10\nENTER\nENTER\nESC\n", "ANA", "@E 999,999,999.99");
    wide.number = Decimal(100);
    wide.read();
    EXPECT_EQ(wide.h.backend.beeps(), 0) << wide.h.snaps.str();
    EXPECT_EQ(wide.number, Decimal::from("55.02")) << "a wide amount field converts too";

    Form f("ALT+U\nsnap\nENTER\nESC\n");
    f.fields[0].name = "I13_31";
    f.read();
    EXPECT_NE(f.h.snaps.str().find("Tecle antes CTRL ENTER para acionar o conversor mensal do"),
              std::string::npos)
        << f.h.snaps.str();
    EXPECT_EQ(f.number, Decimal(1));
}

}  // namespace
}  // namespace vorn::entry
