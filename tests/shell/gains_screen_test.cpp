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
#include "store/catalogue.h"

namespace vorn::shell {
namespace {

constexpr const char* kBuyer = "52998224725";

// The menu's capital-gain items without dependants: real estate, movables in Brazil, movables
// abroad, shareholdings, foreign cash.
std::string gcap_item(int downs) {
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

// The gain window's rows (the window stands on rows 2 to 22, above the hint's line).
std::string window_rows(const Screen& s) {
    std::string out;
    for (size_t r = 2; r <= 22 && r < s.size(); ++r) out += s[r] + "\n";
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
                                   "snap\nENTER\nsnap\nESC\nESC\n"));
    ASSERT_EQ(typed.size(), 3u) << all(typed);
    EXPECT_TRUE(shows(typed[0], "CUSTOS DE AQUISIÇÃO DO BEM")) << body(typed[0]);
    ui::testing::expect_golden("gain_costs_list", body(typed[0]));
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

    // Opened again: the window shows what was typed and computed, and is left without a
    // question when nothing changed. Del removes the gain after its question.
    const std::vector<Screen> again =
        snapped(o, in_declaration(cpf, "F8\nENTER\nsnap\nESC\nDEL\nsnap\ntext S\nsnap\nESC\n"));
    ASSERT_EQ(again.size(), 3u) << all(again);
    EXPECT_EQ(window_rows(again[0]), window_rows(typed[2]));
    EXPECT_TRUE(shows(again[1], "Confirma a Exclusão desse ganho?")) << body(again[1]);
    EXPECT_FALSE(shows(again[2], "APARTAMENTO CENTRO")) << body(again[2]);
    EXPECT_TRUE(rows_of(o, 7, cpf).empty());
    EXPECT_TRUE(rows_of(o, 8, cpf).empty());
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_46"]), "0.00");
    ui::testing::expect_golden("gain_real_estate", window_rows(typed[2]));
}

TEST(GainsScreen, AnAbandonedGainLeavesNothingNotEvenItsCostRows) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // Another screen's key waits until the gain is finished; Esc, "N" goes on typing; Esc,
    // "S" abandons the gain with the cost rows typed for it.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, flat_up_to_costs(true) + kTwoCosts +
                                   "ESC\ntext N\nENTER\nF7\nsnap\nENTER\nESC\nsnap\ntext N\n"
                                   "ESC\nsnap\ntext S\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Termine o ganho de capital para mudar de tela!"))
        << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Deseja abandonar esse ganho?")) << body(screens[1]);
    // "N": the window and what was typed stay.
    EXPECT_TRUE(shows(screens[2], "APARTAMENTO CENTRO")) << body(screens[2]);
    EXPECT_TRUE(shows(screens[2], "Inclui ganho"));
    EXPECT_FALSE(shows(screens[3], "APARTAMENTO CENTRO")) << body(screens[3]);
    EXPECT_TRUE(rows_of(o, 7, cpf).empty());
    EXPECT_TRUE(rows_of(o, 8, cpf).empty());
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_46"]), "0.00");
}

// The stored shareholding opened again up to its operations (the small-value question answered
// again), which are shown and left; the gain is left unchanged.
constexpr const char* kOperationsAgain =
    "ENTER\nENTER\nENTER\nENTER\nENTER\nENTER\nENTER\nENTER\ntext S\nENTER\nENTER\nsnap\nESC\n"
    "ESC\n";

TEST(GainsScreen, SharesAreCostedAtTheRunningAverageOfTheirOperations) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // Buy 100 for 1,000.00; sell 50; buy 100 for 2,000.00; sell 50 (a first try of 50,5 is
    // refused). The sale of 2,100.00 is above the small-value question's limit ("S"); the buyer
    // is left out and the gain stored all the same.
    const std::string operations =
        "text 10012025\nENTER\nRIGHT\ntext 1\nENTER\nRIGHT\ntext 100\nENTER\nRIGHT\n"
        "text 1000\nENTER\n"
        "INS\nLEFT\nLEFT\nLEFT\ntext 10022025\nENTER\nRIGHT\ntext 3\nENTER\nRIGHT\n"
        "text 50\nENTER\n"
        "INS\nLEFT\nLEFT\ntext 10032025\nENTER\nRIGHT\nRIGHT\ntext 100\nENTER\nRIGHT\n"
        "text 2000\nENTER\n"
        "INS\nLEFT\nLEFT\nLEFT\ntext 20082025\nENTER\nRIGHT\ntext 3\nENTER\nRIGHT\n"
        "text 50,5\nENTER\nsnap\nENTER\ntext 50\nENTER\nsnap\nESC\n";
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, gcap_item(3) +
                                   "INS\ntext ACOES ABC ON\nENTER\nENTER\nENTER\ntext 1\nENTER\n"
                                   "text 1\nENTER\ntext 20082025\nENTER\ntext 2100\nENTER\n"
                                   "text S\nENTER\nENTER\ntext S\nENTER\n" +
                                   operations +
                                   "text N\nENTER\nENTER\nENTER\nENTER\nsnap\ntext S\nsnap\n" +
                                   kOperationsAgain + "ESC\n"));
    ASSERT_EQ(screens.size(), 5u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "A quantidade deve ser um número inteiro: 50.5"))
        << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "COMPRAS E VENDAS")) << body(screens[1]);
    EXPECT_TRUE(shows(screens[2], "Falta o CPF adquirente! Termina esse ganho incompleto?"))
        << body(screens[2]);
    const std::vector<Fields> gains = rows_of(o, 7, cpf);
    ASSERT_EQ(gains.size(), 1u) << all(screens);
    // The first sale costs 50 × 10.00 = 500.00; after the second purchase 50 + 100 shares cost
    // 500.00 + 2,000.00, an average of 16.666666, and the second sale 833.33: 2,100.00 −
    // 1,333.33 = 766.67 taxed at 15 %, 115.00.
    EXPECT_EQ(gains[0].at("TIPO_BEM"), "3");
    EXPECT_EQ(num(gains[0].at("VAL_TRIBU")), "766.67");
    EXPECT_EQ(num(gains[0].at("VAL_IMPOSV")), "115.00");
    EXPECT_EQ(num(gains[0].at("CUS_ATUAL")), "3000.00");
    const std::vector<Fields> rows = rows_of(o, 8, cpf);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].at("CM_PONDER"), "16.666666");
    EXPECT_EQ(num(rows[3].at("SALDO_ACAO")), "100.00");
    EXPECT_EQ(num(rows[3].at("MOV_ACAO")), "50.00");
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_46"]), "115.00");
    // Opened again, the operations show the holding and the average cost after each.
    EXPECT_TRUE(shows(screens[4], "16,666666")) << body(screens[4]);
    EXPECT_TRUE(shows(screens[4], "10,000000"));
}

TEST(GainsScreen, InstalmentsTypedThroughAltPAreTaxedMonthByMonth) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // A car bought for 100,000.00 and sold for 200,000.00 on 20/06/2025: gain 100,000.00, tax
    // 15,000.00, taxable share 50 % and effective rate 15 %. Alt+P on the instalment's field:
    // 50,000.00 received in June, 150,000.00 in December; "S" there shows the months again.
    const std::string months =
        "ALT+P\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\ntext 50000\nENTER\nDOWN\nDOWN\nDOWN\nDOWN\n"
        "DOWN\nDOWN\ntext 150000\nENTER\nsnap\nTAB\n";
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, gcap_item(1) + "INS\ntext AUTOMOVEL\nENTER\ntext " +
                                           std::string(kBuyer) +
                                           "\nENTER\nENTER\ntext 1\nENTER\ntext 10012020\nENTER\n"
                                           "text 20062025\nENTER\ntext 200000\nENTER\nENTER\n"
                                           "text 100000\nENTER\ntext N\nENTER\n" +
                                           months + "ENTER\nTAB\nsnap\nENTER\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Parcelas recebidas")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Imposto devido       15.000,00")) << body(screens[1]);
    const std::vector<Fields> gains = rows_of(o, 7, cpf);
    ASSERT_EQ(gains.size(), 1u) << all(screens);
    const Fields& g = gains[0];
    EXPECT_EQ(g.at("VEN_PRAZO"), "S");
    EXPECT_EQ(num(g.at("PER_TRI")), "50.00");
    EXPECT_EQ(num(g.at("REC_MES06")), "50000.00");
    EXPECT_EQ(num(g.at("VAL_TRI06")), "25000.00");
    EXPECT_EQ(num(g.at("IMP_DEV06")), "3750.00");
    EXPECT_EQ(num(g.at("REC_MES12")), "150000.00");
    EXPECT_EQ(num(g.at("VAL_TRI12")), "75000.00");
    EXPECT_EQ(num(g.at("IMP_DEV12")), "11250.00");
    EXPECT_EQ(num(g.at("REC_MES07")), "0.00");
    // The tax of the year is the months' tax.
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_46"]), "15000.00");
}

TEST(GainsScreen, AnEarlierYearsSaleTakesItsAmountsAndThisYearsInstalments) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // Sold on 10/03/2023 for 100,000.00 (cost 40,000.00): "S" to the earlier year's question
    // makes it an instalment sale; 20,000.00 received in April 2025; 60,000.00 still due and
    // 20,000.00 received before.
    const std::vector<Screen> screens = snapped(
        o,
        in_declaration(cpf, gcap_item(1) + "INS\ntext LANCHA\nENTER\ntext " + std::string(kBuyer) +
                                "\nENTER\nENTER\ntext 1\nENTER\ntext 01012015\nENTER\n"
                                "text 10032023\nENTER\nsnap\ntext S\ntext 100000\nENTER\n"
                                "ENTER\ntext 40000\nENTER\ntext N\nENTER\nENTER\nDOWN\nDOWN\n"
                                "DOWN\nRIGHT\ntext 20000\nENTER\nTAB\nENTER\nENTER\n"
                                "text 60000\nENTER\ntext 20000\nENTER\nENTER\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Esse bem foi vendido em outro ano")) << body(screens[0]);
    const std::vector<Fields> gains = rows_of(o, 7, cpf);
    ASSERT_EQ(gains.size(), 1u);
    const Fields& g = gains[0];
    EXPECT_EQ(g.at("VENDAANT"), "S");
    EXPECT_EQ(g.at("VEN_PRAZO"), "S");
    EXPECT_EQ(num(g.at("VAL_DIFE")), "60000.00");
    EXPECT_EQ(num(g.at("VAL_ANTE")), "20000.00");
    // Gain 60,000.00, taxable share 60 %; the part received before, 60 % of 20,000.00 =
    // 12,000.00, is where the rates start: 15 % of the remaining 48,000.00 = 7,200.00, an
    // effective 15 %. April: 60 % of 20,000.00 = 12,000.00 taxable, 1,800.00 of tax.
    EXPECT_EQ(num(g.at("VAL_TRIBU")), "60000.00");
    EXPECT_EQ(num(g.at("GANHOAN")), "12000.00");
    EXPECT_EQ(num(g.at("VAL_IMPOSV")), "7200.00");
    EXPECT_EQ(num(g.at("VAL_TRI04")), "12000.00");
    EXPECT_EQ(num(g.at("IMP_DEV04")), "1800.00");
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_46"]), "1800.00");
}

TEST(GainsScreen, MovablesAbroadAndForeignCashTakeTheirOwnFields) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // A car abroad sold for US$ 50,000.00 at 5.0000, bought at 4.0000 with US$ 20,000.00 of
    // money from Brazil and US$ 10,000.00 earned abroad; then US dollars in cash (currency 10)
    // sold for 30,000.00 (above the small value, "S"), bought for 24,000.00, the currency's code
    // first refused as 48.
    const std::string car = gcap_item(2) + "INS\ntext CARRO NO EXTERIOR\nENTER\ntext " +
                            std::string(kBuyer) +
                            "\nENTER\nENTER\ntext 1\nENTER\ntext 01012020\nENTER\n"
                            "text 10062025\nENTER\ntext 50000\nENTER\nENTER\ntext 5\nENTER\n"
                            "text 4\nENTER\ntext 20000\nENTER\ntext 10000\nENTER\nENTER\n"
                            "text N\nENTER\nENTER\nENTER\nsnap\nESC\n";
    const std::string cash = gcap_item(4) + "INS\ntext DOLARES EM ESPECIE\nENTER\ntext " +
                             std::string(kBuyer) +
                             "\nENTER\nENTER\ntext 48\nENTER\nsnap\nENTER\ntext 10\nENTER\n"
                             "text 10092025\nENTER\ntext 30000\nENTER\ntext S\nENTER\n"
                             "text 24000\nENTER\ntext N\nENTER\ntext N\nENTER\nENTER\nENTER\n"
                             "snap\nESC\n";
    const std::vector<Screen> screens = snapped(o, in_declaration(cpf, car + cash));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "GANHO DE CAPITAL - MÓVEIS NO EXTERIOR")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[0], "CARRO NO EXTERIOR"));
    EXPECT_TRUE(shows(screens[1], "Informe o código da moeda de 01 a 47")) << body(screens[1]);
    EXPECT_TRUE(shows(screens[2], "DOLARES EM ESPECIE")) << body(screens[2]);
    const std::vector<Fields> gains = rows_of(o, 7, cpf);
    ASSERT_EQ(gains.size(), 2u);
    const Fields& abroad = gains[0];
    EXPECT_EQ(abroad.at("TIPO_BEM"), "2");
    EXPECT_EQ(abroad.at("BEMBRASIL"), "N");
    // In reais the sale is US$ 50,000.00 × 5.0000.
    EXPECT_EQ(num(abroad.at("VAL_ALI")), "250000.00");
    EXPECT_EQ(num(abroad.at("REC_MES06")), "250000.00");
    const Fields batch = gains_lines(o, cpf);
    EXPECT_EQ(batch.at("VAL_TRIBU"), num(abroad.at("VAL_TRIBU")));
    EXPECT_GT(dec(abroad.at("VAL_TRIBU")), Decimal(100000));
    const Fields& coins = gains[1];
    EXPECT_EQ(coins.at("TIPO_BEM"), "5");
    EXPECT_EQ(coins.at("CODEXTE"), "10");
    // 30,000.00 − 24,000.00 at 15 %.
    EXPECT_EQ(num(coins.at("VAL_TRIBU")), "6000.00");
    EXPECT_EQ(num(coins.at("VAL_IMPOSV")), "900.00");
}

TEST(GainsScreen, AltUOnTheSaleValueConvertsAtTheSaleMonthsDollarRate) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // Sold on 15/06/2025: US$ 100,000.00 typed in the converter at June's 5.6322.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, gcap_item(1) + "INS\ntext BARCO\nENTER\nENTER\nENTER\ntext 1\n"
                                              "ENTER\ntext 01012020\nENTER\ntext 15062025\nENTER\n"
                                              "ALT+U\nsnap\nENTER\ntext 100000\nENTER\nENTER\n"
                                              "snap\nESC\ntext S\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Cotação do dólar: 5,6322")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Valor da alienação:              563.220,00"))
        << body(screens[1]);
}

TEST(GainsScreen, ADependantsGainNeedsTheCpfOfADependant) {
    const std::string dependant = valid_cpf("111444777");
    Office o(1, [&](int, tax::Declaration& d) {
        d.dependants.clear();
        store::Record r(store::table_def(3)->layout);
        r.set("CPF", d.cpf());
        r.set("NOMEDEPEN", "FILHA");
        r.set("CODIDEPEN", Decimal(21));
        r.set("NRODEPEN", Decimal(1));
        r.set("CPFDEPEN", dependant);
        d.dependants.push_back(r);
    });
    const std::string cpf = o.cpf(0);
    // The dependants' real estate; the CPF left empty at first, then the buyer's (no dependant),
    // then the dependant's; PgDn finishes the gain.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(
               cpf, gcap_item(5) + "INS\nENTER\ntext TERRENO\nENTER\ntext " + std::string(kBuyer) +
                        "\nENTER\nENTER\ntext S\nENTER\ntext 1\nENTER\n"
                        "text 01012000\nENTER\ntext 10052025\nENTER\ntext 300000\n"
                        "ENTER\nENTER\ntext 100000\nENTER\ntext N\nENTER\ntext N\nENTER\n"
                        "text N\nENTER\nENTER\nENTER\nENTER\nsnap\nENTER\ntext " +
                        std::string(kBuyer) + "\nENTER\nsnap\nENTER\ntext " + dependant +
                        "\nENTER\nPGDN\nsnap\nESC\nF8\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "E obrigatório o preenchimento do CPF do dependente!"))
        << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "não é de um dependente dessa declaração.")) << body(screens[1]);
    // The dependants' list shows the gain with its seller; the holder's does not.
    EXPECT_TRUE(shows(screens[2], "TERRENO")) << body(screens[2]);
    EXPECT_TRUE(shows(screens[2], "111.444.777-35"));
    EXPECT_FALSE(shows(screens[3], "TERRENO")) << body(screens[3]);
    const std::vector<Fields> gains = rows_of(o, 7, cpf);
    ASSERT_EQ(gains.size(), 1u);
    EXPECT_EQ(gains[0].at("CPFALIEN"), dependant);
    EXPECT_EQ(num(gains[0].at("VAL_ALI")), "300000.00");
    // Bought in 2000: no reduction by year; gross gain 200,000.00.
    EXPECT_EQ(gains_lines(o, cpf).at("G"), "200000.00");
    EXPECT_EQ(num(gains[0].at("REDUCAO")), "0.00");
}

TEST(StatementScreen, AJanuaryLossIsCarriedPastAFebruaryGain) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // Spot shares: −1,000.00 in January, +600.00 in February. January of line 22 (day-trade
    // tax withheld in earlier months) is computed, nothing being carried into January: it
    // takes no typing.
    std::string to_line22 = "LEFT\n";
    for (int k = 1; k < 22; ++k) to_line22 += "DOWN\n";
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F9\ntext -1000\nENTER\nRIGHT\ntext 600\nENTER\nsnap\n" +
                                           to_line22 + "text 5\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "RENDA VARIÁVEL - OPERAÇÕES COMUNS")) << body(screens[0]);
    ui::testing::expect_golden("statement_common", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "Os valores aqui são calculados. Não pode ser editado."))
        << body(screens[1]);
    // Stored by line: the results typed, the month's net result, the base, the loss to carry
    // and the loss carried into March.
    std::map<std::string, Fields> lines;
    for (const Fields& r : rows_of(o, 7, cpf)) {
        EXPECT_EQ(r.at("TIPO_BEM"), "4");
        EXPECT_EQ(r.at("DAY_TRADE"), "1");
        lines[r.at("RVAR_NRO")] = r;
    }
    ASSERT_TRUE(lines.count("1") && lines.count("15") && lines.count("17")) << all(screens);
    EXPECT_EQ(num(lines["1"].at("REC_MES01")), "-1000.00");
    EXPECT_EQ(num(lines["1"].at("REC_MES02")), "600.00");
    EXPECT_EQ(num(lines["15"].at("REC_MES02")), "-1000.00");
    EXPECT_EQ(num(lines["15"].at("REC_MES03")), "-400.00");
    EXPECT_EQ(num(lines["17"].at("REC_MES02")), "-400.00");
    EXPECT_FALSE(lines.count("16"));  // no base in any month
    EXPECT_FALSE(lines.count("22"));
    EXPECT_FALSE(lines.count("18"));  // no tax
}

TEST(StatementScreen, TaxPaidFeedsTheDeclarationUntilItIsTypedAway) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    std::string to_paid;
    for (int k = 1; k < 28; ++k) to_paid += "DOWN\n";
    // Line 28, March: 100.00 paid; then, in a second session, typed back to zero.
    ASSERT_EQ(o.program("01", in_declaration(cpf, "F9\n" + to_paid +
                                                      "RIGHT\nRIGHT\ntext 100\n"
                                                      "ENTER\nESC\n") +
                                  "ALT+T\nENTER\n"),
              0);
    const std::vector<Fields> paid = rows_of(o, 7, cpf);
    ASSERT_EQ(paid.size(), 1u);
    EXPECT_EQ(paid[0].at("RVAR_NRO"), "28");
    EXPECT_EQ(num(paid[0].at("REC_MES03")), "100.00");
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_47"]), "100.00");
    ASSERT_EQ(o.program("01", in_declaration(cpf, "F9\n" + to_paid +
                                                      "RIGHT\nRIGHT\ntext 0\n"
                                                      "ENTER\nESC\n") +
                                  "ALT+T\nENTER\n"),
              0);
    EXPECT_TRUE(rows_of(o, 7, cpf).empty());
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I13_47"]), "0.00");
}

TEST(StatementScreen, AChosenDependantsStatementIsKeptApartFromTheHolders) {
    const std::string first = valid_cpf("111444777"), second = valid_cpf("222555888");
    Office o(1, [&](int, tax::Declaration& d) {
        d.dependants.clear();
        int n = 0;
        for (const std::string& cpf : {first, second}) {
            store::Record r(store::table_def(3)->layout);
            r.set("CPF", d.cpf());
            r.set("NOMEDEPEN", n == 0 ? "PRIMEIRO" : "SEGUNDO");
            r.set("CODIDEPEN", Decimal(21));
            r.set("NRODEPEN", Decimal(++n));
            r.set("CPFDEPEN", cpf);
            d.dependants.push_back(r);
        }
    });
    const std::string cpf = o.cpf(0);
    // The dependants' common operations: the second dependant chosen, 500.00 in January; then
    // the holder's statement.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, gcap_item(12) + "snap\nDOWN\nENTER\ntext 500\nENTER\n"
                                                       "snap\nESC\nF9\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "PRIMEIRO")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[0], "SEGUNDO"));
    EXPECT_TRUE(shows(screens[1], "SEGUNDO")) << body(screens[1]);
    EXPECT_TRUE(shows(screens[1], "500,00"));
    EXPECT_FALSE(shows(screens[2], "500,00")) << body(screens[2]);
    // Stored under the dependant: the result, its base and the tax of 15 %.
    std::map<std::string, Fields> lines;
    for (const Fields& r : rows_of(o, 7, cpf)) {
        EXPECT_EQ(r.at("CPF_DEPE"), second);
        lines[r.at("RVAR_NRO")] = r;
    }
    ASSERT_TRUE(lines.count("1") && lines.count("16") && lines.count("18")) << all(screens);
    EXPECT_EQ(num(lines["1"].at("REC_MES01")), "500.00");
    EXPECT_EQ(num(lines["16"].at("REC_MES01")), "500.00");
    EXPECT_EQ(num(lines["18"].at("REC_MES01")), "75.00");
}

TEST(StatementScreen, TheDependantsStatementNeedsADependantWithACpf) {
    // A dependant without a CPF puts the dependants' items in the menu, but none can be chosen.
    Office o(1, [](int, tax::Declaration& d) {
        d.dependants.clear();
        store::Record r(store::table_def(3)->layout);
        r.set("CPF", d.cpf());
        r.set("NOMEDEPEN", "FILHO SEM CPF");
        r.set("CODIDEPEN", Decimal(21));
        r.set("NRODEPEN", Decimal(1));
        d.dependants.push_back(r);
    });
    const std::string cpf = o.cpf(0);
    // The dependants' common operations: after the nine gains, the separator and three items.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, gcap_item(12) + "snap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Sem dependentes para usar essa opção")) << body(screens[0]);
    EXPECT_TRUE(rows_of(o, 7, cpf).empty());
}

}  // namespace
}  // namespace vorn::shell
