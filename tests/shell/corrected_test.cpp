// Through the real program: the SELIC register (typing and changing a month's rate, the last
// twelve months), the corrected-tax list of the chooser's F5 (only from May, one terminal at a
// time, the refund consultation opened with an argument vector) and `vorn2026 corrigido`.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../ui/harness.h"
#include "office.h"
#include "store/dbf.h"

namespace vorn::shell {
namespace {

constexpr const char* kAugust = "2026-08-10 10:00:00";
// From the main menu: the SELIC register's window, and its list of the last twelve months.
constexpr const char* kRegister = "ALT+O\ntext s\ntext s\n";
constexpr const char* kLastMonths = "ALT+O\ntext s\ntext u\n";

// One month typed in the register's window: month, year, rate.
std::string month(const char* mm, const char* yyyy, const char* rate) {
    return std::string("text ") + mm + "\nENTER\ntext " + yyyy + "\nENTER\nCTRL+Y\ntext " + rate +
           "\nENTER\n";
}

// Three clients: a refund, a balance in four quotas, and nothing to pay.
Office three_clients() {
    return Office(3, [](int i, tax::Declaration& d) {
        d.set("IMPPGRE", Decimal::from(i == 0 ? "-1000.00" : i == 1 ? "1200.00" : "0"));
        d.set("QTD_QUOTA", Decimal(i == 1 ? 4 : 1));
    });
}

std::map<std::string, Decimal> ufirm(Office& o) {
    std::map<std::string, Decimal> out;
    for (const auto& r : testing::rows_of(o.inst.path() + "/UFIRM.DBF"))
        out[r.str("ANOMES")] = r.num("TJM");
    return out;
}

TEST(SelicRegister, MonthsTypedAreAppendedOrChangedAndListed) {
    Office o(1);
    const size_t before = testing::rows_of(o.inst.path() + "/UFIRM.DBF").size();
    // The window opens on the month after the table's last; April 2026, delivered, is changed.
    const std::vector<Screen> screens =
        snapped(o, std::string(kRegister) + "snap\n" + month("05", "2026", "1.14") +
                       month("06", "2026", "1.15") + "text 04\nENTER\ntext 2026\nENTER\nsnap\n" +
                       "CTRL+Y\ntext 1.10\nENTER\nESC\n" + kLastMonths + "snap\nESC\n");
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Cadastro da Selic Mensal")) << body(screens[0]);
    ui::testing::expect_golden("selic_register", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "1,09")) << body(screens[1]);  // April's stored rate
    ui::testing::expect_golden("selic_last_months", body(screens[2]));

    const auto rates = ufirm(o);
    EXPECT_EQ(testing::rows_of(o.inst.path() + "/UFIRM.DBF").size(), before + 2);
    EXPECT_EQ(rates.at("202604"), Decimal::from("1.10"));
    EXPECT_EQ(rates.at("202605"), Decimal::from("1.14"));
    EXPECT_EQ(rates.at("202606"), Decimal::from("1.15"));
    for (const auto& r : testing::rows_of(o.inst.path() + "/UFIRM.DBF"))
        if (r.str("ANOMES") == "202606") {
            EXPECT_EQ(r.str("SIMB_MOED"), "R$");
            EXPECT_EQ(r.num("MULTIPL"), Decimal::from("1.0115"));
        }
}

TEST(CorrectedList, OnlyFromMay) {
    Office o = three_clients();
    const std::vector<Screen> screens = snapped(o, "ALT+I\nF5\nsnap\nENTER\nESC\n");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Função só utilizavel após mês de Maio de 2026"))
        << body(screens[0]);
    EXPECT_TRUE(shows(screens[0], "Ver a correção do Imposto"));
}

// The browser is a script that writes down how many arguments it got and the first one.
TEST(CorrectedList, BalancesBroughtToTodayAndTheRefundConsultation) {
    Office o = three_clients();
    const std::string log = o.inst.path() + "/browser.log";
    const std::string browser = o.inst.path() + "/browser.sh";
    std::ofstream(browser) << "#!/bin/sh\necho \"$#|$1\" >> '" << log << "'\n";
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    o.environment = "VORN_BROWSER='" + browser + "' ";
    // June and July typed: interest of 1 % + 1.15 + 1.16 for a payment in August.
    ASSERT_EQ(o.program("01",
                        std::string(kRegister) + month("05", "2026", "1.14") +
                            month("06", "2026", "1.15") + month("07", "2026", "1.16") +
                            "ESC\nALT+I\nF5\nsnap\nCTRL+ENTER\nESC\nESC\nALT+T\nENTER\n",
                        kAugust),
              0);
    const std::vector<Screen> screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Imposto ou devolução atualizado.")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[0], "Ctrl Enter acessa a Receita para ver a Restituição."));
    EXPECT_TRUE(shows(screens[0], "1.033,10")) << body(screens[0]);  // the refund, + 3.31 %
    EXPECT_TRUE(shows(screens[0], "309,93")) << body(screens[0]);    // a quarter of 1,200.00
    std::ifstream in(log);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "1|https://www.restituicao.receita.fazenda.gov.br/");

    // The batch command prints the same rows.
    int status = 0;
    const std::string out =
        run(o.inst, kBinary + " corrigido --folder . --now '" + kAugust + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    std::istringstream lines(out);
    std::vector<std::string> got;
    for (std::string l; std::getline(lines, l);) got.push_back(l);
    ASSERT_EQ(got.size(), 3u) << out;
    EXPECT_EQ(got[0], "JUROS=3.31");
    EXPECT_EQ(got[1], o.cpf(0) +
                          " IMPPGRE=-1000.00 QTD_QUOTA=1 IMPOSTO=0.00 RESTITU=1000.00 "
                          "CORRIGI=1033.10 " +
                          o.declarations[0].str("NOMECONTR"));
    EXPECT_EQ(got[2], o.cpf(1) +
                          " IMPPGRE=1200.00 QTD_QUOTA=4 IMPOSTO=300.00 RESTITU=0.00 "
                          "CORRIGI=309.93 " +
                          o.declarations[1].str("NOMECONTR"));
    // Before May it refuses, as F5 does.
    run(o.inst, kBinary + " corrigido --folder . --now '" + kNow + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 1);
}

TEST(CorrectedList, OneTerminalAtATime) {
    Office o = three_clients();
    // The first use makes the work table; then another terminal holds it.
    ASSERT_EQ(o.program("01", "ALT+I\nF5\nENTER\nESC\nESC\nALT+T\nENTER\n", kAugust), 0);
    std::unique_ptr<store::Table> held;
    store::OpenOptions exclusive;
    exclusive.exclusive = true;
    ASSERT_TRUE(
        store::Table::open(store::Env::posix(),
                           store::find_file(store::Env::posix(), o.inst.path(), "IMPCORRIG.DBF"),
                           exclusive, &held)
            .is_ok());
    ASSERT_EQ(o.program("02", "ALT+I\nF5\nENTER\nsnap\nENTER\nESC\nALT+T\nENTER\n", kAugust), 0);
    const std::vector<Screen> screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Opção sendo usada em outro terminal")) << body(screens[0]);
}

}  // namespace
}  // namespace vorn::shell
