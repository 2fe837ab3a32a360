// Direct donations in the declaration through the real program: each fund's limit as the window
// shows it, the donation kept as a payment that the computation and the next limit see, and the
// refusals that keep nothing.
#include <gtest/gtest.h>

#include "../ui/harness.h"
#include "office.h"

namespace vorn::shell {
namespace {

// One employee whose tax of the year (I13_21) is 10,000.00: each fund's limit is 300.00.
void ten_thousand_of_tax(int, tax::Declaration& d) {
    d.items.clear();
    d.payments.clear();
    d.dependants.clear();
    d.monthly.clear();
    d.set("USAPADRAO", "N");
    store::Record r = d.new_record(2);
    r.set("I1_1", "J");
    r.set("I1_2", "EMPRESA PAGADORA LTDA");
    r.set("I1_3", "11222333000181");
    r.set("I1_11", "S");
    r.set("I1_4", Decimal::from("75831.93"));
    d.items.push_back(std::move(r));
}

constexpr const char* kEca = "ALT+G\ntext E\n";    // Pagamentos → Doação direta ECA (44)
constexpr const char* kIdoso = "ALT+G\ntext I\n";  // Pagamentos → Doação direta Idoso (46)
constexpr const char* kFundCnpj = "text 11222333000181\nENTER\n";

// The live payments of the folder (table 6).
std::vector<store::Record> payments(const Office& o) {
    return testing::rows_of(store::data_table_path(store::Env::posix(), o.inst.path(), 6));
}

bool shows(const Screen& s, const std::string& text) {
    return body(s).find(text) != std::string::npos;
}

TEST(DirectDonation, EachLimitThroughTheWindowAndTheDonationKeptAsAPayment) {
    Office o(1, ten_thousand_of_tax);
    const std::string cpf = o.cpf(0);
    ASSERT_EQ(o.calc()[cpf]["I13_21"], "10000.00");
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          // The children's fund: 300.00, the national fund, 300.00 given.
                          std::string(kEca) + "ENTER\nsnap\n" + kFundCnpj +
                              "text 300\nENTER\nENTER\n" +
                              // Nothing left for it; the elderly fund's 300.00 untouched.
                              kEca + "snap\nENTER\n" + kIdoso +
                              // A municipal fund found by its name; 300.00 given.
                              "RIGHT\nRIGHT\nENTER\ntext SP\nENTER\ntext SAO PAULO\nENTER\nsnap\n" +
                              kFundCnpj + "text 300\nENTER\nENTER\n"));
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_TRUE(shows(screens[0], "Limite disponível para a doação: R$ 300,00"));
    EXPECT_TRUE(shows(screens[0], "Fundo: Fundo Nacional - DF"));
    ui::testing::expect_golden("donation", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "Não há valor disponível para a doação direta na declaração"));
    EXPECT_TRUE(shows(screens[2], "Limite disponível para a doação: R$ 300,00"));
    EXPECT_TRUE(shows(screens[2], "Fundo: SP - São Paulo"));
    ui::testing::expect_golden("donation_elderly", body(screens[2]));

    const std::vector<store::Record> kept = payments(o);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].str("I6_1"), "Fundo Nacional - DF");
    EXPECT_EQ(kept[0].str("I6_2"), "11.222.333/0001-81");
    EXPECT_EQ(kept[0].num("I6_3"), Decimal(39));
    EXPECT_EQ(kept[0].num("I6_4"), Decimal(300));
    EXPECT_EQ(kept[1].str("I6_1"), "SP - São Paulo");
    EXPECT_EQ(kept[1].num("I6_3"), Decimal(49));
    EXPECT_EQ(kept[1].num("I6_4"), Decimal(300));
    // The computation deducts both from the tax.
    Fields c = o.calc()[cpf];
    EXPECT_EQ(c["I13_22"], "600.00");
    EXPECT_EQ(c["I13_23"], "9400.00");
}

TEST(DirectDonation, AValueOverTheLimitIsRefusedAndNothingIsKept) {
    Office o(1, ten_thousand_of_tax);
    const std::string cpf = o.cpf(0);
    // Opened, computed and saved once as it is.
    snapped(o, in_declaration(cpf, ""));
    const auto summary = o.dbfread(1);
    const auto registry = o.dbfread(9);
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, std::string(kEca) + "ENTER\n" + kFundCnpj +
                                           "text 300.01\nENTER\nsnap\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(shows(screens[0], "Valor acima do limite da doação! Confira."));
    // The cursor stays on the value, as it was typed.
    EXPECT_TRUE(shows(screens[1], "Valor da doação:"));
    EXPECT_TRUE(payments(o).empty());
    EXPECT_EQ(o.dbfread(1), summary);
    EXPECT_EQ(o.dbfread(9), registry);
}

TEST(DirectDonation, RefusedOutsideTheCompleteOptionAndAfterTheDeadline) {
    Office o(3, [](int i, tax::Declaration& d) {
        ten_thousand_of_tax(i, d);
        d.set("USAPADRAO", i == 0 ? "S" : i == 1 ? "" : "N");
    });
    std::string script;
    for (int i = 0; i < 3; ++i)
        script += in_declaration(o.cpf(i), std::string(kEca) + "snap\nESC\n");
    EXPECT_EQ(o.program("01", script + "ALT+T\nENTER\n"), 0);
    std::vector<Screen> screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_TRUE(shows(screens[0], "Para fazer doação direta só na Declaração Completa."));
    EXPECT_TRUE(shows(screens[1], "Defina o tipo de declaração na tela F7"));
    EXPECT_TRUE(shows(screens[2], "Limite disponível R$ 300,00"));  // the choice of fund

    EXPECT_EQ(o.program("01",
                        in_declaration(o.cpf(2), std::string(kIdoso) + "snap\nENTER\n") +
                            "ALT+T\nENTER\n",
                        "2026-07-01 09:00:00"),
              0);
    screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "A doação direta só é permitida até 29/05/2026"));
    EXPECT_TRUE(shows(screens[0], "retirando a doação nos pagamentos efetuados. Código 49"));
    EXPECT_TRUE(payments(o).empty());
}

}  // namespace
}  // namespace vorn::shell
