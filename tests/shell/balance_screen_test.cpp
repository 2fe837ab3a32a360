// The balance screen through the real program, on generated declarations: its totals, surplus and
// share are calc's cash check; a typed receipt repaints at once and is what the save stores; a
// negative amount is refused and changes nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::shell {
namespace {

// An amount painted at a row and column of the screen ("-1.234,56", "-  1.234,56" → -1234.56).
Decimal at(const Screen& s, int row, int col, int width = 14) {
    std::string out;
    for (char ch : substr_chars(s.at(row), col, width))
        if (ch != '.' && ch != ' ') out += ch == ',' ? '.' : ch;
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

// The lines of a detail window (its frame's left edge at column 11): each part's label and
// amount, the last one the total.
std::vector<std::pair<std::string, Decimal>> detail(const Screen& s) {
    std::vector<std::pair<std::string, Decimal>> out;
    bool inside = false;
    for (const std::string& row : s) {
        const std::string edge = substr_chars(row, 11, 1);
        if (edge == "┌") inside = true;
        if (edge == "└") break;
        if (!inside || edge != "│") continue;
        const std::string label = trim(substr_chars(row, 13, 40));
        if (!label.empty()) out.emplace_back(label, at(s, static_cast<int>(&row - &s[0]), 53));
    }
    return out;
}

TEST(BalanceScreen, EachDetailKeyListsWhatMakesItsLineUp) {
    Office o(3);
    // Each line's amount on the balance (screen row, amount column) by its key.
    const std::pair<int, int> lines[] = {{3, 24}, {4, 24}, {5, 24}, {6, 24}, {7, 24},
                                         {8, 24}, {3, 64}, {5, 64}, {13, 64}};
    for (size_t i = 0; i < o.declarations.size(); ++i) {
        SCOPED_TRACE("CPF " + o.cpf(i));
        std::string keys = "F10\nsnap\n";
        for (int k = 1; k <= 9; ++k) keys += "ALT+F" + std::to_string(k) + "\nsnap\nESC\n";
        const std::vector<Screen> screens = snapped(o, in_declaration(o.cpf(i), keys + "ESC\n"));
        ASSERT_EQ(screens.size(), 10u);
        for (int k = 1; k <= 9; ++k) {
            SCOPED_TRACE("Alt+F" + std::to_string(k));
            const auto [row, col] = lines[k - 1];
            // The key beside its line.
            EXPECT_EQ(substr_chars(screens[0].at(row), col < 40 ? 22 : 62, 2),
                      "F" + std::to_string(k));
            const auto parts = detail(screens[k]);
            ASSERT_FALSE(parts.empty());
            EXPECT_EQ(parts.back().first, "Total");
            Decimal sum;
            for (size_t p = 0; p + 1 < parts.size(); ++p) sum += parts[p].second;
            // The patrimony's increase counts only when there is one.
            if (k == 9 && sum.is_negative()) sum = Decimal();
            EXPECT_EQ(sum, parts.back().second);
            EXPECT_EQ(parts.back().second, at(screens[0], row, col));
        }
        if (i == 0) ui::testing::expect_golden("balance_detail", body(screens[7]));
    }
}

TEST(BalanceScreen, LastYearsClosingAssetsAndDebtsStandBesideThisYears) {
    Office o(2);
    const auto calc = o.calc();
    // The office's history, written by a tool that kept no debts: declaration 0's last year
    // closed with the same assets (and, read as none, other debts); declaration 1 has only a
    // result of 2023.
    std::vector<store::FieldDef> fields = store::table_def(80)->layout->fields();
    std::erase_if(fields, [](const store::FieldDef& f) { return f.name == "DIVBASE"; });
    const auto older = std::make_shared<const store::Layout>(fields);
    store::Record same(older), other(older);
    same.set("CPF", o.cpf(0));
    same.set("ANOBASE", "2024");
    same.set("BENSBASE", dec(calc.at(o.cpf(0)).at("I13_39")));
    other.set("CPF", o.cpf(1));
    other.set("ANOBASE", "2023");
    other.set("BENSBASE", Decimal(1));
    ASSERT_TRUE(store::Table::create(store::Env::posix(), o.inst.path() + "/ULTANOS.DBF", *older,
                                     {same, other}, nullptr, true));
    const std::vector<Screen> screens =
        snapped(o, in_declaration(o.cpf(0), "F10\nsnap\nESC\n") +
                       in_declaration(o.cpf(1), "F10\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    const Fields& c = calc.at(o.cpf(0));
    EXPECT_EQ(at(screens[0], 19, 11), dec(c.at("I13_39")));
    EXPECT_EQ(at(screens[0], 19, 26), dec(c.at("I13_39")));
    EXPECT_EQ(at(screens[0], 20, 11), dec(c.at("I13_41")));
    EXPECT_EQ(at(screens[0], 20, 26), Decimal());
    ASSERT_FALSE(dec(c.at("I13_41")).is_zero());
    ui::testing::expect_golden("balance_last_year", body(screens[0]));
    // Without last year's result nothing of it is shown.
    EXPECT_EQ(body(screens[1]).find("Bens 2024"), std::string::npos);
    EXPECT_EQ(body(screens[1]).find("declaração anterior"), std::string::npos);
}

}  // namespace
}  // namespace vorn::shell
