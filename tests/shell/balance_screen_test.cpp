// The balance screen through the real program, on generated declarations: its totals, surplus and
// share are calc's cash check; a typed receipt repaints at once and is what the save stores; a
// negative amount is refused and changes nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"

namespace vorn::shell {
namespace {

// An amount painted at a row and column of the screen ("-1.234,56" → -1234.56).
Decimal at(const Screen& s, int row, int col, int width = 14) {
    std::string out;
    for (char ch : trim(substr_chars(s.at(row), col, width)))
        if (ch != '.') out += ch == ',' ? '.' : ch;
    return dec(out);
}

// The cash check as the balance shows it, by calc's names.
std::map<std::string, Decimal> cash(const Screen& s) {
    const bool deficit = substr_chars(s.at(17), 41, 12) == "Déficit de  ";
    const Decimal saldo = at(s, 17, 64);
    return {{"RECEITA", at(s, 17, 24)},
            {"DESPESA", at(s, 15, 64)},
            {"SALDO", deficit ? -saldo : saldo},
            {"INDGAS", at(s, 17, 53, 6)}};
}

std::map<std::string, Decimal> cash(const Fields& calc) {
    std::map<std::string, Decimal> out;
    for (const char* name : {"RECEITA", "DESPESA", "SALDO", "INDGAS"})
        out[name] = dec(calc.at(name));
    return out;
}

TEST(BalanceScreen, ItsTotalsSurplusAndShareAreCalcsCashCheck) {
    Office o(8);
    std::string script;
    for (size_t i = 0; i < o.declarations.size(); ++i)
        script += in_declaration(o.cpf(i), "F10\nsnap\nESC\n");
    const std::vector<Screen> screens = snapped(o, script);
    ASSERT_EQ(screens.size(), o.declarations.size());
    auto calc = o.calc();
    int deficits = 0;
    for (size_t i = 0; i < screens.size(); ++i) {
        SCOPED_TRACE("CPF " + o.cpf(i));
        const Fields& c = calc[o.cpf(i)];
        EXPECT_EQ(cash(screens[i]), cash(c));
        deficits += dec(c.at("SALDO")).is_negative();
        // The first field's explanation on the status line.
        EXPECT_NE(body(screens[i]).find("Se S o BALANÇO usa como despesa só desconto padrão."),
                  std::string::npos);
    }
    EXPECT_LT(deficits, 8);
    ui::testing::expect_golden("balance", body(screens[0]));
}

TEST(BalanceScreen, ATypedReceiptRepaintsAtOnceAndTheSaveStoresIt) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    const Fields first = o.calc()[cpf];
    // The option kept, 5,000.00 of other receipts.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F10\nENTER\ntext 5000\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    const auto shown = cash(screens[0]);
    EXPECT_EQ(shown.at("RECEITA"), dec(first.at("RECEITA")) + Decimal(5000));
    EXPECT_EQ(shown.at("SALDO"), dec(first.at("SALDO")) + Decimal(5000));
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(cash(after), shown);
    EXPECT_EQ(num(o.dbfread(1)[cpf]["OUTREC"]), "5000.00");
}

TEST(BalanceScreen, ANegativeAmountIsRefusedAndStoresNothing) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // The declaration opened, computed and saved once as it is.
    snapped(o, in_declaration(cpf, "F10\nESC\n"));
    const auto summary = o.dbfread(1);
    const auto registry = o.dbfread(9);
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F10\nENTER\ntext -100\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_NE(body(screens[0]).find("O valor não pode ser negativo."), std::string::npos);
    EXPECT_EQ(o.dbfread(1), summary);
    EXPECT_EQ(o.dbfread(9), registry);
}

}  // namespace
}  // namespace vorn::shell
