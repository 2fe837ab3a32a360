// Screen 3 through the real program, on generated declarations: each line of the exempt and the
// exclusive page shows calc's figure of the column printed under the same label; a typed value
// recomputes the totals at once and is what the save stores; a negative amount is refused and
// changes nothing.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"

namespace vorn::shell {
namespace {

// The column printed under each label of the exempt and of the exclusive page.
const std::map<std::string, std::string> kExemptColumns = {
    {"01", "I3_01"}, {"02", "I3_15"}, {"03", "I3_02"}, {"04", "I3_03"}, {"09", "I3_05"},
    {"10", "I3_06"}, {"11", "I3_07"}, {"12", "I3_08"}, {"13", "I3_09"}, {"14", "I3_10"},
    {"15", "I3_11"}, {"16", "I3_12"}, {"17", "I3_13"}, {"18", "I3_14"}, {"19", "I3_17"},
    {"20", "I3_18"}, {"21", "I3_19"}, {"22", "I3_20"}, {"23", "I3_21"}, {"24", "I3_22"},
    {"25", "I3_23"}, {"27", "I3_25"}, {"28", "I3_26"}, {"99", "I3_24"}, {"To", "I13_44"}};
const std::map<std::string, std::string> kExclusiveColumns = {
    {"01", "I4_01"},  {"02", "I4_02"}, {"03", "I4_11"}, {"04", "I4_12"},
    {"05", "I4_03"},  {"06", "I4_04"}, {"07", "I4_05"}, {"08", "I4_06"},
    {"09", "I4_07"},  {"10", "I4_08"}, {"11", "I4_09"}, {"12", "I4_13"},
    {"12a", "I4_14"}, {"13", "I4_15"}, {"99", "I4_10"}, {"To", "I13_45"}};

// The amounts of a page by the number of their label ("To" the total), as calc prints them. The
// exempt page has two columns of lines, the exclusive page one.
Fields painted(const Screen& s, bool exempt) {
    Fields out;
    for (int row = 3; row <= 21; ++row) {
        for (int col : exempt ? std::vector<int>{1, 40} : std::vector<int>{1}) {
            const std::string label = substr_chars(s.at(row), col, 3);
            std::string number = label.substr(0, 2);
            if (label == "12a") number = label;
            if (!kExemptColumns.count(number) && !kExclusiveColumns.count(number)) continue;
            const int at = col + (exempt ? 24 : 64);
            out[number] = calc_form(substr_chars(s.at(row), at, 14));
        }
    }
    return out;
}

Fields expected(const Fields& calc, bool exempt) {
    Fields out;
    for (const auto& [number, column] : exempt ? kExemptColumns : kExclusiveColumns)
        out[number] = num(calc.at(column));
    return out;
}

TEST(ExemptScreen, EachLineOfBothPagesIsCalcsFigureOfTheColumnPrintedUnderItsLabel) {
    Office o(6);
    std::string script;
    for (size_t i = 0; i < o.declarations.size(); ++i)
        script += in_declaration(o.cpf(i), "F3\nsnap\nTAB\nsnap\nESC\n");
    const std::vector<Screen> screens = snapped(o, script);
    ASSERT_EQ(screens.size(), 2 * o.declarations.size());
    auto calc = o.calc();
    int nonzero = 0;
    for (size_t i = 0; i < o.declarations.size(); ++i) {
        SCOPED_TRACE("CPF " + o.cpf(i));
        const Fields& c = calc[o.cpf(i)];
        EXPECT_EQ(painted(screens[2 * i], true), expected(c, true));
        EXPECT_EQ(painted(screens[2 * i + 1], false), expected(c, false));
        nonzero += !dec(c.at("I13_44")).is_zero() && !dec(c.at("I13_45")).is_zero();
    }
    // The generated declarations have exempt and exclusive income to show.
    EXPECT_GT(nonzero, 0);
    ui::testing::expect_golden("exempt_page", body(screens[0]));
    ui::testing::expect_golden("exclusive_page", body(screens[1]));
}

TEST(ExemptScreen, TypedLinesRecomputeAtOnceAndTheSaveStoresThem) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    const Fields first = o.calc()[cpf];
    ASSERT_EQ(first.at("I4_14"), "0.00");
    // The insurance capital, Down past line 04 (Enter there opens its worksheet), then line 25
    // (Down keeps the cursor in the page's last field, where Enter would end it); Tab to the
    // exclusive page and a loss to carry.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F3\ntext 5000\nENTER\nsnap\nDOWN\nENTER\nENTER\ntext 250.50\nDOWN\n"
                          "snap\n"
                          "TAB\ntext 100\nDOWN\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u);
    const Fields typed = painted(screens[0], true);
    EXPECT_EQ(typed.at("03"), "5000.00");
    EXPECT_EQ(dec(typed.at("To")),
              dec(first.at("I13_44")) - dec(first.at("I3_02")) + Decimal(5000));
    EXPECT_EQ(dec(painted(screens[1], true).at("To")),
              dec(typed.at("To")) + dec("250.50") - dec(first.at("I3_23")));
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(after.at("I3_02"), "5000.00");
    EXPECT_EQ(after.at("I3_23"), "250.50");
    EXPECT_EQ(after.at("I4_14"), "100.00");
    // The loss lowers the base of Lei 14.754, never below zero.
    Decimal base = dec(first.at("BASE14754")) - Decimal(100);
    if (base.is_negative()) base = Decimal();
    EXPECT_EQ(dec(after.at("BASE14754")), base);
    EXPECT_EQ(painted(screens[1], true), expected(after, true));
    EXPECT_EQ(painted(screens[2], false), expected(after, false));
}

TEST(ExemptScreen, ANegativeAmountOrANumberOnLineFourIsRefusedAndStoresNothing) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    snapped(o, in_declaration(cpf, "F3\nESC\n"));
    const auto summary = o.dbfread(1);
    // -100 in the insurance capital, then in the loss to carry, then 999 typed on line 04 itself
    // (its components are typed in its worksheet): each refused with the notice, which Enter
    // closes; Esc then leaves the page.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F3\ntext -100\nENTER\nsnap\nENTER\nESC\n"
                                  "F3\nTAB\ntext -100\nENTER\nsnap\nENTER\nESC\n"
                                  "F3\nENTER\ntext 999\nDOWN\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 3u);
    for (size_t k : {0, 1})
        EXPECT_NE(body(screens[k]).find("O valor não pode ser negativo."), std::string::npos);
    EXPECT_NE(body(screens[1]).find("TRIBUTAÇÃO EXCLUSIVA"), std::string::npos);
    EXPECT_NE(body(screens[2]).find("Tecle Enter para lançar os ganhos de capital isentos."),
              std::string::npos);
    EXPECT_EQ(o.dbfread(1), summary);
}

TEST(ExemptScreen, LineFoursWorksheetSumsItsEightComponentsAndTheSaveStoresThem) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    const Fields first = o.calc()[cpf];
    // Enter on the insurance capital, Enter on line 04 opens its worksheet: -5 refused (Enter
    // closes the notice), then 100.00 … 800.00 in the informed and carried columns of the four
    // kinds. Esc closes the worksheet, Esc leaves the page.
    std::string keys = "F3\nENTER\nENTER\ntext -5\nENTER\nsnap\nENTER\n";
    for (int k = 1; k <= 8; ++k)
        keys += "text " + std::to_string(100 * k) + (k < 8 ? "\nENTER\n" : "\nDOWN\n");
    keys += "snap\nESC\nsnap\nESC\n";
    const std::vector<Screen> screens = snapped(o, in_declaration(cpf, keys));
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_NE(body(screens[0]).find("O valor não pode ser negativo."), std::string::npos);
    ui::testing::expect_golden("exempt_worksheet", body(screens[1]));
    // The worksheet's total and line 04 of the page are the components' sum; the page's total
    // follows.
    const Decimal sum(3600);
    EXPECT_EQ(dec(calc_form(substr_chars(screens[1].at(16), 61, 14))), sum);
    EXPECT_EQ(dec(calc_form(substr_chars(screens[2].at(8), 25, 14))), sum);
    const Decimal total = dec(first.at("I13_44")) - dec(first.at("I3_04")) + sum;
    EXPECT_EQ(dec(painted(screens[2], true).at("To")), total);

    const Fields after = o.calc()[cpf];
    EXPECT_EQ(dec(after.at("I3_04")), sum);
    EXPECT_EQ(dec(after.at("I13_44")), total);
    Fields summary = o.dbfread(1)[cpf];
    const char* components[] = {"I3_04GCPV", "I3_04GCPVC", "I3_04UNIC", "I3_04UNICC",
                                "I3_04REDU", "I3_04REDUC", "I3_04EXTR", "I3_04EXTRC"};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(num(summary[components[k]]), num(std::to_string(100 * (k + 1))));
}

}  // namespace
}  // namespace vorn::shell
