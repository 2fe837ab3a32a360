// The item editor through the real program: payments typed on item 43 are stored as typed and calc
// follows; refused cells (alimony without a recipient, a wrong CNPJ check digit, an asset code
// before its group, a minus sign) keep the cursor and store nothing; deleting asks first;
// inserting an asset renumbers the items after it; the assets' totals follow a typed value.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "../ui/harness.h"
#include "base/text.h"
#include "base/validate.h"
#include "office.h"

namespace vorn::shell {
namespace {

// A declaration without payments, assets or debts, with `payments` of code 21 (R$ 100 each) and
// `assets` items numbered 10, 20, 30 … without group or code.
Office office(int payments, int assets, bool recipient = false) {
    return Office(1, [&](int, tax::Declaration& d) {
        d.payments.clear();
        d.assets.clear();
        d.debts.clear();
        d.dependants.erase(std::remove_if(d.dependants.begin(), d.dependants.end(),
                                          [](const store::Record& r) {
                                              return r.num("CODIDEPEN") >= Decimal(98);
                                          }),
                           d.dependants.end());
        for (int k = 1; k <= payments; ++k) {
            store::Record r = d.new_record(6);
            r.set("I6_1", "CLINICA " + std::to_string(k));
            r.set("I6_2", "11.222.333/0001-81");
            r.set("I6_3", Decimal(21));
            r.set("I6_4", Decimal(100));
            d.payments.push_back(r);
        }
        for (int k = 1; k <= assets; ++k) {
            store::Record r = d.new_record(4);
            r.set("I7_0", Decimal(10 * k));
            r.set("I7_2", "BEM " + std::to_string(k));
            r.set("I7_3", Decimal(1000 * k));
            r.set("I7_4", Decimal(1000 * k));
            d.assets.push_back(r);
        }
        if (recipient) {
            store::Record r = d.new_record(3);
            r.set("NOMEDEPEN", "ALIMENTANDO UM");
            r.set("CODIDEPEN", Decimal(99));
            r.set("CPFDEPEN", "52998224725");
            r.set("NRODEPEN", Decimal(7));
            d.dependants.push_back(r);
        }
    });
}

TEST(ItemEditor, APaymentTypedIsStoredAsTypedAndCalcFollows) {
    Office o = office(0, 0);
    const std::string cpf = o.cpf(0);
    const Fields before = o.calc()[cpf];
    // An empty list opens on a blank row: the name, the code (its description closes with
    // Enter), the CNPJ typed without punctuation and the amount paid.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "ALT+F7\ntext CLINICA SAUDE\nENTER\nRIGHT\ntext 21\nENTER\nsnap\nENTER\n"
                          "RIGHT\nRIGHT\ntext 11222333000181\nENTER\nRIGHT\ntext 1500\nENTER\n"
                          "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Descrição"));
    EXPECT_TRUE(shows(screens[0], "Hospitais, clínicas e laboratórios no Brasil"));
    ui::testing::expect_golden("payments_list", body(screens[1]));
    EXPECT_TRUE(shows(screens[1], "Total Pago 1.500,00   N.Dedutível 0,00   Reembolsado 0,00"));
    const std::vector<Fields> rows = rows_of(o, 6, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I6_1"), "CLINICA SAUDE");
    EXPECT_EQ(rows[0].at("I6_3"), "21");
    EXPECT_EQ(rows[0].at("I6_2"), "11.222.333/0001-81");
    EXPECT_EQ(rows[0].at("I6_4"), "1500.00");
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(dec(after.at("I13_14")), dec(before.at("I13_14")) + Decimal(1500));
}

TEST(ItemEditor, RefusedPaymentCellsKeepTheCursorAndStoreNothing) {
    Office o = office(1, 0);
    const std::string cpf = o.cpf(0);
    const std::vector<Fields> stored = rows_of(o, 6, cpf);
    ASSERT_EQ(stored.size(), 1u);
    // Code 30 without an alimony recipient; a CNPJ with a wrong check digit; a negative amount.
    // Each refusal is snapped, closed with Enter, and the cell abandoned with Esc.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "ALT+F7\nRIGHT\ntext 30\nENTER\nENTER\nsnap\nENTER\nESC\n"
                                  "RIGHT\nRIGHT\ntext 11222333000182\nENTER\nsnap\nENTER\nESC\n"
                                  "RIGHT\ntext -5\nENTER\nsnap\nENTER\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Para lançar a pensão precisa antes cadastrar o alimentando"));
    EXPECT_FALSE(shows(screens[1], "Para lançar a pensão"));
    EXPECT_TRUE(shows(screens[2], "O valor não pode ser negativo."));
    // The row shows what it held.
    EXPECT_TRUE(shows(screens[3], "CLINICA 1"));
    EXPECT_TRUE(shows(screens[3], "11.222.333/0001-81"));
    EXPECT_EQ(rows_of(o, 6, cpf), stored);
}

TEST(ItemEditor, AlimonyGoesToItsRecipientWhoseNameAndCpfTheRowTakes) {
    Office o = office(0, 0, true);
    const std::string cpf = o.cpf(0);
    snapped(o, in_declaration(cpf,
                              "ALT+F7\nRIGHT\ntext 30\nENTER\nENTER\nRIGHT\ntext 7\nENTER\n"
                              "RIGHT\nRIGHT\ntext 800\nENTER\nESC\n"));
    const std::vector<Fields> rows = rows_of(o, 6, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I6_3"), "30");
    EXPECT_EQ(rows[0].at("I6_6"), "7");
    EXPECT_EQ(rows[0].at("I6_1"), "ALIMENTANDO UM");
    EXPECT_EQ(rows[0].at("I6_2"), "529.982.247-25");
    EXPECT_EQ(rows[0].at("I6_4"), "800.00");
}

TEST(ItemEditor, DeletingAPaymentAsksFirst) {
    Office o = office(2, 0);
    const std::string cpf = o.cpf(0);
    // Del answered "Não" keeps the row; answered "Sim" deletes it.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "ALT+F7\nDEL\nsnap\ntext N\nDEL\ntext S\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Confirma a Exclusão dessa linha?"));
    EXPECT_FALSE(shows(screens[1], "CLINICA 1"));
    EXPECT_TRUE(shows(screens[1], "CLINICA 2"));
    const std::vector<Fields> rows = rows_of(o, 6, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I6_1"), "CLINICA 2");
}

TEST(ItemEditor, InsertingAnAssetRenumbersTheItemsAfterIt) {
    Office o = office(0, 3);
    const std::string cpf = o.cpf(0);
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F5\nINS\nsnap\ntext S\nRIGHT\ntext NOVO BEM\nENTER\nRIGHT\nRIGHT\n"
                          "text 2500\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Insere uma linha após esse Item?"));
    ui::testing::expect_golden("assets_list", body(screens[1]));
    // The items as the list showed them before the save numbered them 10, 20, 30 again.
    std::vector<std::string> items;
    for (int row = 5; row <= 8; ++row)
        items.push_back(trim(substr_chars(screens[1].at(row), 2, 4)));
    EXPECT_EQ(items, (std::vector<std::string>{"10", "11", "21", "31"}));
    // The totals under the list follow each typed value.
    EXPECT_TRUE(shows(screens[1],
                      "Totais   " + pad_left("6.000,00", 14) + "   " + pad_left("8.500,00", 14)))
        << body(screens[1]);
    std::vector<Fields> rows = rows_of(o, 4, cpf);
    std::sort(rows.begin(), rows.end(), [](const Fields& a, const Fields& b) {
        return std::stoi(a.at("I7_0")) < std::stoi(b.at("I7_0"));
    });
    std::vector<std::string> texts;
    for (const Fields& r : rows) texts.push_back(r.at("I7_2"));
    EXPECT_EQ(texts, (std::vector<std::string>{"BEM 1", "NOVO BEM", "BEM 2", "BEM 3"}));
    EXPECT_EQ(num(o.calc()[cpf].at("I13_40")), "8500.00");
}

TEST(ItemEditor, AnAssetCodeNeedsItsGroupFirstAndAWrongGroupIsRefused) {
    Office o = office(0, 1);
    const std::string cpf = o.cpf(0);
    const std::vector<Fields> stored = rows_of(o, 4, cpf);
    const std::vector<Screen> screens = snapped(
        o,
        in_declaration(cpf,
                       "F5\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\ntext 01\nENTER\nsnap\nENTER\nESC\n"
                       "LEFT\ntext 88\nENTER\nsnap\nENTER\nESC\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "antes o Grupo na coluna anterior!"));
    EXPECT_TRUE(shows(screens[1], "Grupo não existe. Confira!"));
    EXPECT_EQ(rows_of(o, 4, cpf), stored);
}

TEST(ItemEditor, DebtsFollowTheAssetsWithTabAndTheirTotalsReachCalc) {
    Office o = office(0, 1);
    const std::string cpf = o.cpf(0);
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F5\nTAB\nRIGHT\ntext EMPRESTIMO\nENTER\nRIGHT\ntext 300\nENTER\n"
                                  "RIGHT\ntext 200\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    ui::testing::expect_golden("debts_list", body(screens[0]));
    EXPECT_TRUE(
        shows(screens[0], "Totais   " + pad_left("300,00", 14) + "   " + pad_left("200,00", 14)))
        << body(screens[0]);
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(num(after.at("I13_41")), "300.00");
    EXPECT_EQ(num(after.at("I13_42")), "200.00");
}

TEST(ItemEditor, APaymentAbroadTakesItsCountryAndNoDocument) {
    Office o = office(1, 0);
    const std::string cpf = o.cpf(0);
    // Code 16 on the clinic's row: the country asked, then the CNPJ it had is dropped.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "ALT+F7\nRIGHT\ntext 16\nENTER\nENTER\nsnap\ntext 249\nENTER\nsnap\n"
                          "ENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Numero do Pais:"));
    EXPECT_TRUE(shows(screens[1], "Pais selecionado: Estados Unidos"));
    EXPECT_TRUE(shows(screens[2], "Não existe CPF ou CNPJ em despesa no exterior"));
    const std::vector<Fields> rows = rows_of(o, 6, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I6_3"), "16");
    EXPECT_EQ(rows[0].at("I6_11"), "249");
    EXPECT_EQ(rows[0].at("I6_2"), "");
}

TEST(ItemEditor, TheAssetsDataWindowWritesWhatItsChecksAccept) {
    Office o = office(0, 1);
    const std::string cpf = o.cpf(0);
    std::string renavam = "0123456789";
    renavam += renavam_check_digit(renavam);
    std::string wrong = renavam;
    wrong[10] = wrong[10] == '9' ? '0' : static_cast<char>(wrong[10] + 1);
    // Street and number, the postal code, a state that does not exist (refused, then SP), eleven
    // fields on to the RENAVAM: a wrong check digit refused, then the right one.
    std::string keys =
        "F5\nALT+Q\ntext RUA DAS FLORES\nENTER\ntext 100\nENTER\nENTER\nENTER\n"
        "text 01310100\nENTER\ntext XX\nENTER\nsnap\nENTER\nCTRL+Y\ntext SP\nENTER\n";
    for (int k = 0; k < 11; ++k) keys += "ENTER\n";
    keys += "text " + wrong + "\nENTER\nsnap\nENTER\nCTRL+Y\ntext " + renavam +
            "\nENTER\nsnap\nESC\nESC\n";
    const std::vector<Screen> screens = snapped(o, in_declaration(cpf, keys));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "UF XX inválida."));
    EXPECT_TRUE(shows(screens[1], "Renavam inválido"));
    ui::testing::expect_golden("asset_detail", body(screens[2]));
    const std::vector<Fields> rows = rows_of(o, 4, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("ENDEIMO"), "RUA DAS FLORES");
    EXPECT_EQ(rows[0].at("NUMIMO"), "100");
    EXPECT_EQ(rows[0].at("CEPIMO"), "01310100");
    EXPECT_EQ(rows[0].at("UFIMO"), "SP");
    EXPECT_EQ(rows[0].at("RENAVAM"), renavam);
}

TEST(ItemEditor, TotalsFollowEachAcceptedCellOnWhicheverRowItIs) {
    Office o = office(3, 0);
    const std::string cpf = o.cpf(0);
    // The third row's amount, then the first's, then the third's again: the totals line sums the
    // rows as they stand after each.
    const std::vector<Screen> screens = snapped(
        o,
        in_declaration(cpf,
                       "ALT+F7\nDOWN\nDOWN\nRIGHT\nRIGHT\nRIGHT\nRIGHT\ntext 250\nENTER\nsnap\n"
                       "UP\nUP\ntext 300\nENTER\nsnap\nDOWN\nDOWN\ntext 40\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Total Pago 450,00")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Total Pago 650,00")) << body(screens[1]);
    EXPECT_TRUE(shows(screens[2], "Total Pago 440,00")) << body(screens[2]);
    EXPECT_EQ(num(o.calc()[cpf].at("I13_14")), "440.00");
}

TEST(ItemEditor, MarkedRowsShowTheirSubtotal) {
    Office o = office(3, 0);
    const std::string cpf = o.cpf(0);
    // From the second row to the third: 100 + 100.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "ALT+F7\nDOWN\nALT+M\nDOWN\nALT+M\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "SUBTOTAL=        200,00")) << body(screens[0]);
}

TEST(ItemEditor, AltLInsertsRowsAfterTheItemAndTheEnlargedViewShowsThem) {
    Office o = office(0, 2);
    const std::string cpf = o.cpf(0);
    // Two rows after item 10, the first typed in the enlarged view (description first).
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F5\nALT+L\ntext 2\nENTER\nALT+Z\ntext TERRENO\nENTER\nsnap\nESC\n"
                          "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("assets_enlarged", body(screens[0]));
    std::vector<std::string> items;
    for (int row = 5; row <= 8; ++row)
        items.push_back(trim(substr_chars(screens[1].at(row), 2, 4)));
    // Leaving the enlarged view dropped the row left blank.
    EXPECT_EQ(items, (std::vector<std::string>{"10", "11", "22", ""}));
    std::vector<Fields> rows = rows_of(o, 4, cpf);
    std::sort(rows.begin(), rows.end(), [](const Fields& a, const Fields& b) {
        return std::stoi(a.at("I7_0")) < std::stoi(b.at("I7_0"));
    });
    std::vector<std::string> texts;
    for (const Fields& r : rows) texts.push_back(r.at("I7_2"));
    EXPECT_EQ(texts, (std::vector<std::string>{"BEM 1", "TERRENO", "BEM 2"}));
}

TEST(ItemEditor, TabGoesFromThePaymentsToTheAssetsToTheDebtsAndShiftTabBack) {
    Office o = office(1, 1);
    const std::vector<Screen> screens = snapped(
        o, in_declaration(o.cpf(0), "ALT+F7\nTAB\nsnap\nTAB\nsnap\nSHIFT+TAB\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "DECLARAÇÃO DE BENS E DIREITOS"));
    EXPECT_TRUE(shows(screens[1], "DÍVIDAS E ÔNUS REAIS"));
    EXPECT_TRUE(shows(screens[2], "DECLARAÇÃO DE BENS E DIREITOS"));
}

TEST(ItemEditor, AnUnknownCodeOpensItsGroupsCodesAndTheChosenOneReplacesIt) {
    Office o = office(0, 1);
    const std::string cpf = o.cpf(0);
    // Group 1 (written 01), then code 50, which group 01 lacks: its codes are offered and Enter
    // takes the first.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F5\nRIGHT\nRIGHT\nRIGHT\nRIGHT\ntext 1\nENTER\nRIGHT\ntext 50\nENTER\n"
                          "snap\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Códigos do grupo 01"));
    EXPECT_TRUE(shows(screens[0], "Prédio residencial"));
    const std::vector<Fields> rows = rows_of(o, 4, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("GRPO"), "01");
    EXPECT_EQ(rows[0].at("CODB"), "01");
}

}  // namespace
}  // namespace vorn::shell
