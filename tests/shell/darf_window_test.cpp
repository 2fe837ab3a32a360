// The DARF window through the real program: command 51 with "Darfes" chosen, the chooser's
// client, a kind of the menu and its dialogue; the text files it writes are those of the darf
// batch command byte for byte, the refusals keep the window, and the quota due dates changed on
// one terminal are those another terminal sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../ui/harness.h"
#include "gains_generator.h"
#include "office.h"
#include "printing/printer_record.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The DARF text files ("Darf *.txt") of a folder by name.
std::map<std::string, std::string> darf_files(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename();
        if (name.rfind("Darf ", 0) == 0) out[name] = slurp(e.path());
    }
    return out;
}

void donate(tax::Declaration& d, int code, const char* fund, const char* value) {
    store::Record p = d.new_record(6);
    p.set("I6_1", fund);
    p.set("I6_2", "11222333000181");
    p.set("I6_3", Decimal(code));
    p.set("I6_4", Decimal::from(value));
    d.payments.push_back(p);
}

// Four clients; the first donates to a children's fund and an elderly fund.
Office clients() {
    return Office(4, [](int i, tax::Declaration& d) {
        if (i == 0) d.set("NOMECONTR", "JOSE CARLOS SILVA");
        if (i == 0) donate(d, 39, "Fundo Municipal da Crianca de Campinas - SP", "25.50");
        if (i == 0) donate(d, 49, "Fundo Nacional do Idoso", "40.00");
    });
}

// The print item "Darfes" (41,5), command 51, the client typed in the chooser, then `keys`; the
// chooser is left with Esc.
std::string darf_keys(const std::string& cpf, const std::string& keys) {
    return "ALT+S\nENTER\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n"
           "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\n"
           "text " +
           cpf + "\nENTER\n" + keys + "ESC\n";
}

// The darf batch command's files for the same DARFs.
std::map<std::string, std::string> batch(Office& o, const std::string& args,
                                         const char* now = kNow) {
    fs::remove_all(o.inst.path() + "/out");
    fs::create_directories(o.inst.path() + "/out");
    int status = 0;
    const std::string said =
        run(o.inst, kBinary + " darf --folder . --out out --now '" + now + "' " + args + " 2>&1",
            &status);
    EXPECT_EQ(status, 0) << said;
    return darf_files(o.inst.path() + "/out");
}

// Keys of the menu: "DARF CALCULADO" (Alt+C), the kind's row, and for kinds 1 to 5 one or
// several quotas / months.
std::string kind_keys(int row, int several = -1) {
    std::string k = "ALT+C\n";
    for (int i = 0; i < row; ++i) k += "DOWN\n";
    k += "ENTER\n";
    if (several >= 0) k += std::string(several ? "DOWN\n" : "") + "ENTER\n";
    return k;
}

// The confirmation accepted as shown: the three dates, "Confirma a alteração ?" Sim, the text
// files' message, and no other kind.
constexpr const char* kAccept = "ENTER\nENTER\nENTER\nENTER\nENTER\nESC\n";

TEST(DarfWindow, OneQuotaWithItsWindowsIsTheBatchFile) {
    Office o = clients();
    const std::string cpf = o.cpf(3);
    const auto screens = snapped(o, darf_keys(cpf, "snap\n" + kind_keys(0, 0) +
                                                       "text 2\nENTER\nsnap\nENTER\nENTER\n"
                                                       "ENTER\nsnap\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_GE(screens.size(), 4u) << all(screens);
    ui::testing::expect_golden("darf_window", body(screens[0]));
    ui::testing::expect_golden("darf_confirm", body(screens[1]));
    EXPECT_TRUE(shows(screens[3], "Usando a impressora \"NAO DOS\" os Darfs serão"))
        << all(screens);
    const auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_EQ(window, batch(o, "--cpf " + cpf + " --kind 1 --from 2 --pay 30/04/2026"));
}

TEST(DarfWindow, SeveralQuotasAsValuesOnlyOrPaidTogether) {
    Office o = clients();
    const std::string cpf = o.cpf(0);
    // 1 to 3; "NAO": only the quota values of the later quotas.
    const auto screens = snapped(
        o,
        darf_keys(cpf, kind_keys(0, 1) + "text 1\nENTER\ntext 3\nENTER\nRIGHT\nENTER\n" + kAccept));
    // The three DARFs share one file, a page each.
    const auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_EQ(std::count(window.begin()->second.begin(), window.begin()->second.end(), '\f'), 2);
    EXPECT_EQ(window, batch(o, "--cpf " + cpf + " --kind 1 --from 1 --to 3 --pay 30/04/2026"));
    for (const auto& [name, text] : window) fs::remove(o.inst.path() + "/" + name);

    // "SIM": the three quotas paid together, each valid until the first quota's due date.
    const auto together = snapped(
        o,
        darf_keys(cpf, kind_keys(0, 1) + "text 1\nENTER\ntext 3\nENTER\nsnap\nENTER\n" + kAccept));
    ASSERT_FALSE(together.empty());
    EXPECT_TRUE(shows(together[0], "Ao imprimir os 3 Darfes como serão as quotas futuras?"))
        << all(together);
    const auto paid = darf_files(o.inst.path());
    ASSERT_EQ(paid.size(), 1u) << all(together);
    const std::string& text = paid.begin()->second;
    size_t valid = 0;
    for (size_t at = 0;
         (at = text.find("Valido p/ pagamento ate 29/05/2026", at)) != std::string::npos; ++at)
        ++valid;
    EXPECT_EQ(valid, 6u) << text;  // three DARFs, two copies each
    EXPECT_EQ(text.find("DESDE QUE COLOQUE NO VALOR DOS"), std::string::npos);
}

TEST(DarfWindow, FineAndDonationsAreTheBatchFiles) {
    Office o = clients();
    // Kind 6, the fine for late delivery, paid on 20/07/2026.
    auto screens = snapped(
        o, darf_keys(o.cpf(3),
                     kind_keys(5) +
                         "snap\nENTER\nENTER\ntext 20072026\nENTER\nENTER\nENTER\nENTER\nESC\n"));
    // Today nothing is due yet: told, and the payment date can still be given.
    ASSERT_FALSE(screens.empty());
    EXPECT_TRUE(shows(screens[0], "Não há multa por atraso")) << all(screens);
    auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_EQ(window, batch(o, "--cpf " + o.cpf(3) + " --kind 6 --pay 20/07/2026"));
    for (const auto& [name, text] : window) fs::remove(o.inst.path() + "/" + name);

    // Kind 7, children's funds, and 11, elderly funds.
    for (const auto& [row, kind] : {std::pair{6, "7"}, std::pair{7, "11"}}) {
        screens = snapped(o, darf_keys(o.cpf(0), kind_keys(row) + kAccept));
        window = darf_files(o.inst.path());
        ASSERT_EQ(window.size(), 1u) << kind << all(screens);
        EXPECT_EQ(window, batch(o, "--cpf " + o.cpf(0) + " --kind " + kind)) << kind;
        for (const auto& [name, text] : window) fs::remove(o.inst.path() + "/" + name);
    }
}

TEST(DarfWindow, CarneLeaoMonthsAreTheBatchFiles) {
    Office o = clients();
    const std::string cpf = o.cpf(2);
    auto screens = snapped(o, darf_keys(cpf, kind_keys(1, 0) + "text 3\nENTER\n" + kAccept));
    auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_EQ(window, batch(o, "--cpf " + cpf + " --kind 2 --from 3 --pay 30/04/2026"));
    for (const auto& [name, text] : window) fs::remove(o.inst.path() + "/" + name);

    screens =
        snapped(o, darf_keys(cpf, kind_keys(1, 1) + "text 1\nENTER\ntext 3\nENTER\n" + kAccept));
    window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_EQ(window, batch(o, "--cpf " + cpf + " --kind 2 --from 1 --to 3 --pay 30/04/2026"));
}

// Compares a DARF text file with tests/data/darf/<name>; UPDATE_GOLDEN=1 writes it instead.
void expect_darf_golden(const std::string& name, const std::string& text) {
    const fs::path path = fs::path(VORN_SOURCE_DIR) / "tests/data/darf" / name;
    if (std::getenv("UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    ASSERT_TRUE(fs::exists(path)) << "golden missing: " << path << " (UPDATE_GOLDEN=1)";
    EXPECT_EQ(slurp(path), text) << path;
}

// Kind 9: every field typed; a CNPJ whose check digits are wrong is refused in its field.
TEST(DarfWindow, TypedDarfWithItsFields) {
    Office o = clients();
    const std::string keys =
        "ALT+F\nENTER\n"
        "ENTER\n"                                    // name: the declarant's
        "text 11222333000180\nENTER\nsnap\nENTER\n"  // a wrong CNPJ, refused
        "text 11222333000181\nENTER\n"               // the right one
        "text 1234\nENTER\ntext 31122025\nENTER\ntext 1234567890123456\nENTER\n"
        "text 29052026\nENTER\nENTER\nENTER\n"  // due date, payment today, working day
        "text PARCELAMENTO ESPECIAL\nENTER\nENTER\nENTER\nENTER\nENTER\n"
        "text 1500.00\nENTER\nsnap\nENTER\nENTER\nESC\n";
    const auto screens = snapped(o, darf_keys(o.cpf(1), keys));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "CNPJ")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Confirma a altera")) << all(screens);
    const auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_EQ(window.begin()->first, "Darf 1234 - 12-2025 - CONTRIBUINTE 1.txt");
    // The CNPJ keeps its last check digit in the value column.
    EXPECT_NE(window.begin()->second.find("|11.222.333/0001-81|"), std::string::npos);
    expect_darf_golden("window_kind09.txt", window.begin()->second);
}

// Kind 10: the due dates and the dollar rate go to the office record, where another terminal
// finds them.
TEST(DarfWindow, DueDatesAreTheOfficesForEveryTerminal) {
    Office o = clients();
    const std::string keys = "ALT+F\nDOWN\nENTER\ntext 28052026\nENTER\n" +
                             std::string("ENTER\nENTER\nENTER\nENTER\nENTER\nENTER\nENTER\n") +
                             "text 5.4321\nENTER\nESC\n";
    snapped(o, darf_keys(o.cpf(3), keys));
    const std::string define = store::find_file(store::Env::posix(), o.inst.path(),
                                                store::table_def(43)->file_base("") + ".DBF");
    const auto rows = testing::rows_of(define);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].date("VCTO1"), Date(2026, 5, 28));
    EXPECT_EQ(rows[0].date("VCTO2"), Date(2026, 6, 30));
    EXPECT_EQ(rows[0].num("VAL_DOLAR"), Decimal::from("5.4321"));

    // Terminal 02 shows the new dates, and its quota 1 falls due on them.
    EXPECT_EQ(o.program("02", darf_keys(o.cpf(3), "ALT+F\nDOWN\nENTER\nsnap\nESC\nESC\n") +
                                  "ALT+T\nENTER\n"),
              0);
    const auto screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "28/05/2026")) << all(screens);
    EXPECT_TRUE(shows(screens[0], "5,4321")) << all(screens);
}

// All declarations of the folder (44,3): the payment date asked once, each client's DARF written
// as the batch command writes it, the clients without the quota passed over.
TEST(DarfWindow, AllDeclarationsAreTheBatchFiles) {
    Office o = clients();
    const std::string keys =
        "ALT+S\nENTER\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nENTER\nDOWN\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\n" +
        kind_keys(0, 0) + "text 2\nENTER\ntext 15082026\nENTER\nsnap\nENTER\nESC\n";
    const auto screens = snapped(o, keys);
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "2 Darfes gravados.")) << all(screens);
    const auto window = darf_files(o.inst.path());
    EXPECT_EQ(window.size(), 2u);
    EXPECT_EQ(window, batch(o, "--all --kind 1 --from 2 --pay 15/08/2026"));
}

// The marked declarations (44,2): only the client marked for printing gets its DARF.
TEST(DarfWindow, MarkedDeclarationsOnly) {
    Office o(4, [](int i, tax::Declaration& d) { d.set("IMPRE", i == 3 ? "S" : "N"); });
    const std::string keys =
        "ALT+S\nENTER\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nENTER\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\n" +
        kind_keys(0, 0) + "text 2\nENTER\ntext 15082026\nENTER\nsnap\nENTER\nESC\n";
    const auto screens = snapped(o, keys);
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "1 Darfes gravados.")) << all(screens);
    const auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u);
    EXPECT_EQ(window, batch(o, "--cpf " + o.cpf(3) + " --kind 1 --from 2 --pay 15/08/2026"));
}

// Sicalc (42,2) takes no donation: refused before any browser is started, and the window stays.
TEST(DarfWindow, SicalcRefusesDonations) {
    Office o = clients();
    const std::string keys =
        "ALT+S\nENTER\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nENTER\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\ntext " +
        o.cpf(0) + "\nENTER\n" + kind_keys(6) +
        "ENTER\nENTER\nENTER\nENTER\nsnap\nENTER\nsnap\nESC\nESC\n";
    const auto screens = snapped(o, keys);
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O código para doação para o ECA ou IDOSO somente no IRPF"))
        << all(screens);
    EXPECT_TRUE(shows(screens[1], "Impressão de Darfes")) << all(screens);
    EXPECT_TRUE(darf_files(o.inst.path()).empty());
}

// A payment date on a Sunday moves to Monday with its message; "Não" edits again and "Cancelar"
// leaves the kind without a DARF.
TEST(DarfWindow, PaymentOnSundayMovesAndCancelWritesNothing) {
    Office o = clients();
    const std::string keys = kind_keys(0, 0) +
                             "text 2\nENTER\nENTER\ntext 03052026\nENTER\nENTER\nsnap\nENTER\n"
                             "snap\nRIGHT\nENTER\nENTER\nENTER\nENTER\nRIGHT\nRIGHT\nENTER\n"
                             "snap\nESC\n";
    const auto screens = snapped(o, darf_keys(o.cpf(3), keys));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O dia lançado para pagamento é um Domingo")) << all(screens);
    EXPECT_TRUE(shows(screens[0], "será alterado para próximo dia útil!")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Pagamento: 04/05/2026")) << all(screens);
    EXPECT_TRUE(shows(screens[2], "Escolha no menu o tipo de DARF")) << all(screens);
    EXPECT_TRUE(darf_files(o.inst.path()).empty());
}

// The terminal's channel set to a CUPS queue, lp and lpstat being scripts: lp's arguments are
// kept in lp.args.
void print_to_queue(Office& o) {
    const std::string bin = o.inst.sub("bin");
    o.environment = "PATH='" + bin + "':\"$PATH\" VORN_VIEWER=viewer ";
    auto script = [&bin](const std::string& name, const std::string& body) {
        std::ofstream(bin + "/" + name) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(bin + "/" + name, fs::perms::owner_all);
    };
    script("viewer", "exit 0");
    script("lp", "echo \"$@\" >> '" + o.inst.path() + "/lp.args'");
    script("lpstat",
           "case \"$1:$LC_ALL\" in\n-e:C) printf 'Escritorio_HP\\n' ;;\n"
           "-d:C) echo 'system default destination: Escritorio_HP' ;;\n*) exit 1 ;;\nesac");
    ScriptedOperator op;
    SystemClock clock;
    store::CdxIndexFiles files(op);
    store::WorkAreas w(store::Env::posix(), op, clock);
    w.ARQDEF = w.LOCARQ = o.inst.path();
    w.index_files = &files;
    EXPECT_TRUE(printing::store_printer(w, "01", "Escritorio_HP"));
}

// Through a printer: the plain sheet (42,1) holds the two copies the batch file holds; the black
// pre-printed model (42,3) only the values at the form's places.
TEST(DarfWindow, PrintedThroughTheChosenQueue) {
    Office o = clients();
    print_to_queue(o);
    const std::string cpf = o.cpf(3);
    const std::string item = "ALT+S\nENTER\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n";
    const std::string print = "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\ntext " + cpf +
                              "\nENTER\n" + kind_keys(0, 0) +
                              "text 2\nENTER\nENTER\nENTER\nENTER\nENTER\nENTER\nESC\nESC\n";
    auto screens = snapped(o, item + print);
    const auto batch_files = batch(o, "--cpf " + cpf + " --kind 1 --from 2 --pay 30/04/2026");
    ASSERT_EQ(batch_files.size(), 1u);
    const std::string plain = slurp(o.inst.path() + "/NAO-DOS.TXT");
    EXPECT_EQ(plain.substr(0, batch_files.begin()->second.size()), batch_files.begin()->second)
        << all(screens);
    EXPECT_TRUE(darf_files(o.inst.path()).empty());
    EXPECT_NE(slurp(o.inst.path() + "/lp.args").find("-d Escritorio_HP"), std::string::npos);

    screens = snapped(o, item + "ALT+S\nDOWN\nENTER\nDOWN\nDOWN\nENTER\n" + print);
    const std::string black = slurp(o.inst.path() + "/NAO-DOS.TXT");
    EXPECT_EQ(black.find("MINISTERIO DA FAZENDA"), std::string::npos) << all(screens);
    EXPECT_NE(black.find("882,02"), std::string::npos) << all(screens);
    expect_darf_golden("window_preprinted_black.txt", black);
}

// Carnê-Leão rows of the titular and of a dependant: the question, a dependant CPF without rows
// refused, then the titular's DARF, and "Outro tipo de DARF?" answered Sim keeps the window for
// the next kind.
TEST(DarfWindow, TitularOrDependantAndAnotherKind) {
    Office o(3, [](int i, tax::Declaration& d) {
        if (i != 2) return;
        store::Record r = d.monthly.front();
        r.set("CPFDEPEN", "52998224725");
        d.monthly.push_back(r);
    });
    const std::string cpf = o.cpf(2);
    const std::string keys = kind_keys(1, 0) +
                             "text 3\nENTER\nsnap\nRIGHT\nENTER\ntext 11144477735\nENTER\nsnap\n"
                             "ENTER\n" +
                             kind_keys(1, 0) + "text 3\nENTER\nENTER\n" +
                             "ENTER\nENTER\nENTER\nENTER\nENTER\n" + "snap\nENTER\nsnap\nESC\n";
    const auto screens = snapped(o, darf_keys(cpf, keys));
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Responda com Sim para Darf do Titular")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Esse dependente não tem rendimentos!")) << all(screens);
    EXPECT_TRUE(shows(screens[2], "Outro tipo de DARF?")) << all(screens);
    EXPECT_TRUE(shows(screens[3], "Escolha no menu o tipo de DARF")) << all(screens);
    const auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_EQ(window, batch(o, "--cpf " + cpf + " --kind 2 --from 3 --pay 30/04/2026"));
}

// One client with the generated capital gains and variable income (tables 7 and 8): a property
// sold in instalments, stock operations and a fund statement.
Office with_gains() {
    Office o(1);
    bench::GainsGenerator gains(7);
    std::vector<store::Record> t7, t8;
    gains.add(0, o.declarations[0], t7, t8);
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    store::Env& env = store::Env::posix();
    for (auto [number, rows] : {std::pair{7, &t7}, {8, &t8}}) {
        const auto* def = store::table_def(number);
        EXPECT_TRUE(store::Table::create(env, store::data_table_path(env, o.inst.path(), number),
                                         *def->layout, *rows, &clock, true)
                        .is_ok());
    }
    return o;
}

TEST(DarfWindow, GainsAndVariableIncomeAreTheBatchFiles) {
    Office o = with_gains();
    const std::string cpf = o.cpf(0);
    struct Case {
        std::string keys, batch;
    };
    const Case cases[] = {
        // Kind 3, gain 1 from month 1: the first instalment with tax.
        {kind_keys(2, 0) + "text 1\nENTER\ntext 1\nENTER\n", "--kind 3 --gain 1 --from 1"},
        // Kind 4, the stock market, months 1 to 12.
        {kind_keys(3, 1) + "text 1\nENTER\ntext 12\nENTER\n", "--kind 4 --from 1 --to 12"},
        // Kind 5, investment funds, months 1 to 12.
        {kind_keys(4, 1) + "text 1\nENTER\ntext 12\nENTER\n", "--kind 5 --from 1 --to 12"},
    };
    for (const Case& c : cases) {
        const auto screens = snapped(o, darf_keys(cpf, c.keys + kAccept));
        const auto window = darf_files(o.inst.path());
        ASSERT_EQ(window.size(), 1u) << c.batch << all(screens);
        EXPECT_EQ(window, batch(o, "--cpf " + cpf + " " + c.batch + " --pay 30/04/2026"))
            << c.batch;
        for (const auto& [name, text] : window) fs::remove(o.inst.path() + "/" + name);
    }
}

TEST(DarfWindow, ForeignCashIsTheBatchFile) {
    // One client who sold foreign cash with tax to pay (asset kind 5 of the gains table).
    Office o(1);
    store::Record cash = o.declarations[0].new_record(7);
    cash.set("TIPO_BEM", Decimal(5));
    cash.set("VAL_IMPOSV", Decimal::from("312.34"));
    cash.set("IMPPAGO", Decimal::from("12.00"));
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    store::Env& env = store::Env::posix();
    ASSERT_TRUE(store::Table::create(env, store::data_table_path(env, o.inst.path(), 7),
                                     *store::table_def(7)->layout, {cash}, &clock, true)
                    .is_ok());
    const std::string cpf = o.cpf(0);
    const auto screens = snapped(o, darf_keys(cpf, kind_keys(8) + kAccept));
    const auto window = darf_files(o.inst.path());
    ASSERT_EQ(window.size(), 1u) << all(screens);
    EXPECT_NE(window.begin()->second.find("300,34"), std::string::npos) << window.begin()->second;
    EXPECT_NE(window.begin()->second.find("8960"), std::string::npos) << window.begin()->second;
    EXPECT_EQ(window, batch(o, "--cpf " + cpf + " --kind 8 --pay 30/04/2026"));
}

// Refusals are told and the window stays for another kind.
TEST(DarfWindow, RefusalsKeepTheWindow) {
    Office o = clients();
    const std::string cpf = o.cpf(1);
    auto screens = snapped(o, darf_keys(cpf, kind_keys(0, 0) + "text 8\nENTER\nsnap\nENTER\n"
                                                               "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Essa quota não existe !!")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Impressão de Darfes")) << all(screens);
    // Kind 8 on a client without foreign cash: nothing to pay.
    screens = snapped(o, darf_keys(cpf, kind_keys(8) + "snap\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Não há DARF a pagar nesse ganho")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Impressão de Darfes")) << all(screens);
    // A capital gain whose number is not in the gains table.
    screens = snapped(o, darf_keys(cpf, kind_keys(2, 0) + "text 7\nENTER\ntext 1\nENTER\nsnap\n"
                                                          "ENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Não existe ganho com esse número")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Impressão de Darfes")) << all(screens);
    // A donation after the deadline.
    EXPECT_EQ(
        o.program("01",
                  darf_keys(o.cpf(0), kind_keys(6) + "snap\nENTER\nsnap\nESC\n") + "ALT+T\nENTER\n",
                  "2026-06-01 09:00:00"),
        0);
    screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O pagamento do Darf de doação para o ECA só é permitido"))
        << all(screens);
    EXPECT_TRUE(shows(screens[0], "retificar a declaração retirando-a.")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Impressão de Darfes")) << all(screens);
    EXPECT_TRUE(darf_files(o.inst.path()).empty());
}

}  // namespace
}  // namespace vorn::shell
