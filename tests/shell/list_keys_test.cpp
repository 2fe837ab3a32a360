// The keys of the item lists through the real program: a payer, payee or bank picked from the
// office's lists fills the row through the cells' checks; a row sent with Ctrl+Enter is kept once
// per CNPJ/CPF (the operator decides about a CNPJ/CPF listed under another name), also when two
// terminals send the same payers at once; Alt+O puts the rows in order (assets keep their numbers
// and their links follow them); Ctrl+O ties an income row to its asset; Alt++ walks the row's
// cells; each column says what it holds; Enter on an asset's description offers last year's text.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "../store/process_util.h"
#include "base/text.h"
#include "base/validate.h"
#include "entry/item_lists.h"
#include "entry/office_tables.h"
#include "office.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;
using entry::document_digits;
using store::Table;

std::string cnpj(int n) {
    const std::string base = pad_left(std::to_string(n), 8, '0') + "0001";
    return CONTAPONTO(base + cnpj_check_digits(base));
}

// The installation's file of office table `number`, whatever the case of its name.
std::string office_file(const Office& o, int number) {
    const std::string name = upper(store::table_def(number)->name + ".DBF");
    for (const auto& e : fs::directory_iterator(o.inst.path()))
        if (upper(e.path().filename().string()) == name) return e.path().string();
    return o.inst.path() + "/" + store::table_def(number)->name + ".DBF";
}

// The office table written anew with `rows` (its index files go, to be built at the next
// opening).
void office_rows(const Office& o, int number, const std::vector<Fields>& rows) {
    const std::string base = upper(store::table_def(number)->name);
    for (const auto& e : fs::directory_iterator(o.inst.path()))
        if (upper(e.path().stem().string()).rfind(base, 0) == 0) fs::remove(e.path());
    std::vector<store::Record> records;
    for (const Fields& f : rows) {
        store::Record r(store::table_def(number)->layout);
        for (const auto& [name, value] : f) {
            if (r.layout()[r.layout().index(name)].type == store::FieldType::kNumeric)
                r.set(name, *Decimal::parse(value));
            else
                r.set(name, value);
        }
        records.push_back(r);
    }
    ASSERT_TRUE(Table::create(store::Env::posix(), office_file(o, number),
                              *store::table_def(number)->layout, records, nullptr, true));
}

// The office table's live rows as python3-dbfread reads them ("R|a|b…" after the "F name …"
// lines of its fields).
std::vector<Fields> office_table(Office& o, int number) {
    int status = 0;
    std::istringstream lines(run(o.inst,
                                 "/usr/bin/python3 " + std::string(VORN_SOURCE_DIR) +
                                     "/tests/store/tools/dbf_dump.py '" + office_file(o, number) +
                                     "'",
                                 &status));
    EXPECT_EQ(status, 0);
    std::vector<std::string> names;
    std::vector<Fields> out;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("F ", 0) == 0) names.push_back(line.substr(2, line.find(' ', 2) - 2));
        if (line.rfind("R|", 0) != 0) continue;
        out.emplace_back();
        std::istringstream values(line.substr(2));
        std::string v;
        for (size_t k = 0; k < names.size() && std::getline(values, v, '|'); ++k)
            out.back()[names[k]] = v;
    }
    return out;
}

store::Record income_row(const tax::Declaration& d, const std::string& name,
                         const std::string& document, int bem = 0) {
    store::Record r = d.new_record(2);
    r.set("I1_1", "J");
    r.set("I1_11", "S");
    r.set("I1_2", name);
    r.set("I1_3", document);
    r.set("I1_4", Decimal(1000));
    r.set("REFBEM", Decimal(bem));
    return r;
}

store::Record asset(const tax::Declaration& d, int item, const std::string& text) {
    store::Record r = d.new_record(4);
    r.set("I7_0", Decimal(item));
    r.set("I7_2", text);
    r.set("I7_4", Decimal(100 * item));
    return r;
}

// One declaration with the given income rows and assets, and nothing else in those lists.
Office office(const std::vector<std::pair<std::string, std::string>>& payers,
              const std::vector<std::string>& assets = {}, int count = 1) {
    return Office(count, [&](int, tax::Declaration& d) {
        d.items.clear();
        d.monthly.clear();
        d.payments.clear();
        d.assets.clear();
        d.debts.clear();
        d.dependants.clear();
        for (const auto& [name, document] : payers)
            d.items.push_back(income_row(d, name, document));
        for (size_t k = 0; k < assets.size(); ++k)
            d.assets.push_back(asset(d, 10 * static_cast<int>(k + 1), assets[k]));
    });
}

TEST(OfficeLists, ARowSentOnceIsPickedIntoAnotherRowThroughItsChecks) {
    Office o = office({{"EMPRESA UM LTDA", cnpj(11222333)}});
    const std::string cpf = o.cpf(0);
    // Ctrl+Enter sends the row; a row inserted before it picks the payer with Alt+F1.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F1\nCTRL+ENTER\nsnap\nCTRL+ENTER\nsnap\nINS\ntext S\n"
                                  "ALT+F1\nsnap\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Enviado para a tela auxiliar: EMPRESA UM LTDA"));
    EXPECT_TRUE(shows(screens[1], "Já estava na tela auxiliar: EMPRESA UM LTDA"));
    EXPECT_TRUE(shows(screens[2], "Fontes pagadoras - Enter escolhe"));
    const std::vector<Fields> payers = office_table(o, entry::kPayers);
    ASSERT_EQ(payers.size(), 1u);
    EXPECT_EQ(payers[0].at("NOME"), "EMPRESA UM LTDA");
    EXPECT_EQ(payers[0].at("CGCCPF"), cnpj(11222333));
    const std::vector<Fields> rows = rows_of(o, 2, cpf);
    ASSERT_EQ(rows.size(), 2u);
    for (const Fields& r : rows) {
        EXPECT_EQ(r.at("I1_2"), "EMPRESA UM LTDA");
        EXPECT_EQ(r.at("I1_3"), cnpj(11222333));
    }
}

TEST(OfficeLists, ACnpjListedUnderAnotherNameIsKeptOrReplacedAsTheOperatorSays) {
    Office o = office({{"EMPRESA UM LTDA", cnpj(11222333)}, {"SEM DOCUMENTO", ""}});
    const std::string cpf = o.cpf(0);
    // Listed unpunctuated under an older name.
    office_rows(o, entry::kPayers,
                {{{"NOME", "EMPRESA UM"}, {"CGCCPF", document_digits(cnpj(11222333))}}});
    // "N" keeps the office's name, "S" takes the row's; a row without CNPJ sends nothing.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F1\nCTRL+ENTER\nsnap\ntext N\nsnap\nCTRL+ENTER\ntext S\nsnap\n"
                                  "DOWN\nCTRL+ENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 4u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Esse CNPJ/CPF já está na tela auxiliar como"));
    EXPECT_TRUE(shows(screens[0], "EMPRESA UM"));
    EXPECT_TRUE(shows(screens[1], "Mantido na tela auxiliar como: EMPRESA UM"));
    EXPECT_TRUE(shows(screens[2], "Atualizado na tela auxiliar: EMPRESA UM LTDA"));
    EXPECT_TRUE(shows(screens[3], "Sem CNPJ/CPF nessa linha: nada foi enviado"));
    const std::vector<Fields> payers = office_table(o, entry::kPayers);
    ASSERT_EQ(payers.size(), 1u);
    EXPECT_EQ(payers[0].at("NOME"), "EMPRESA UM LTDA");
}

TEST(OfficeLists, APayeeFillsAPaymentWithItsCodeAndABankFillsAnAsset) {
    Office o = office({}, {"CONTA CORRENTE"});
    const std::string cpf = o.cpf(0);
    office_rows(o, entry::kPayees,
                {{{"NOME", "CLINICA BOA SAUDE"}, {"CGCCPF", cnpj(11222333)}, {"CODIGO", "21"}}});
    office_rows(o, entry::kBanks,
                {{{"NOME", "BANCO DO BRASIL SA"},
                  {"CNPJ", "00000000000191"},
                  {"AGENCBAN", "1234"},
                  {"CONTABAN", "56789"},
                  {"DVBAN", "0"}}});
    // The payment's code shows its description (closed with Enter) as when typed.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "ALT+F7\nALT+F4\nENTER\nsnap\nENTER\nESC\nF5\nALT+F5\nENTER\n"
                                  "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Descrição"));
    const std::vector<Fields> payments = rows_of(o, 6, cpf);
    ASSERT_EQ(payments.size(), 1u);
    EXPECT_EQ(payments[0].at("I6_1"), "CLINICA BOA SAUDE");
    EXPECT_EQ(payments[0].at("I6_2"), cnpj(11222333));
    EXPECT_EQ(payments[0].at("I6_3"), "21");
    const std::vector<Fields> assets = rows_of(o, 4, cpf);
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].at("REG_AVI"), "BANCO DO BRASIL SA");
    EXPECT_EQ(assets[0].at("CPF_CNPJ"), "00.000.000/0001-91");
    EXPECT_EQ(assets[0].at("AGENCBAN"), "1234");
    EXPECT_EQ(assets[0].at("CONTABAN"), "56789");
    EXPECT_EQ(assets[0].at("DVBAN"), "0");
}

TEST(OfficeLists, TwoTerminalsSendingTheSamePayersAtOnceKeepEachOnce) {
    // Both clients have the same twelve payers; each terminal sends every row of its client.
    std::vector<std::pair<std::string, std::string>> payers;
    for (int k = 1; k <= 12; ++k)
        payers.push_back({"FONTE " + std::to_string(k), cnpj(10000000 + k)});
    Office o = office(payers, {}, 2);
    // The office's table and its indexes made by one terminal first: the race is the sending.
    snapped(o, in_declaration(o.cpf(0), "F1\nCTRL+ENTER\nESC\n"));
    std::string keys = "F1\n";
    for (size_t k = 0; k < payers.size(); ++k) keys += "CTRL+ENTER\nDOWN\n";
    keys += "ESC\n";
    auto command = [&](const std::string& nusu, const std::string& cpf) {
        const std::string script = o.inst.path() + "/send" + nusu + ".keys";
        std::ofstream(script) << in_declaration(cpf, keys) << "ALT+T\nENTER\n";
        return "(" + kBinary + " " + nusu + " --keys " + script + " --screens " + script +
               ".screens --now '" + kNow + "'; echo $? > " + script + ".status)";
    };
    const std::string both = o.inst.path() + "/both.sh";
    std::ofstream(both) << command("01", o.cpf(0)) << " &\n"
                        << command("02", o.cpf(1)) << " &\nwait\n";
    int status = 0;
    run(o.inst, "sh " + both, &status);
    for (const char* nusu : {"01", "02"}) {
        std::ifstream in(o.inst.path() + "/send" + nusu + ".keys.status");
        int rc = -1;
        in >> rc;
        std::ifstream screens(o.inst.path() + "/send" + nusu + ".keys.screens");
        std::stringstream shown;
        shown << screens.rdbuf();
        const std::string all_shown = shown.str();
        // The last screen shown tells where a terminal stopped.
        const size_t last =
            all_shown.rfind("----\n", all_shown.size() > 5 ? all_shown.size() - 6 : 0);
        EXPECT_EQ(rc, 0) << "terminal " << nusu << "\n"
                         << all_shown.substr(last == std::string::npos ? 0 : last);
    }
    std::map<std::string, int> sent;
    for (const Fields& f : office_table(o, entry::kPayers)) ++sent[f.at("CGCCPF")];
    ASSERT_EQ(sent.size(), payers.size());
    for (const auto& [name, document] : payers) EXPECT_EQ(sent[document], 1) << document;
}

// Two terminals started together send the same 150 payers in the same order, each send a search
// and an append of its own: every payer is in the office's table once.
TEST(OfficeLists, TwoProcessesSendingTheSamePayersTogetherLoseAndDoubleNone) {
    Office o = office({});
    constexpr int kSends = 100;
    // The office's payers of other clients, the table and its indexes made beforehand: the race
    // is the sending, each send's search reading every row.
    std::vector<Fields> others;
    for (int k = 1; k <= 3000; ++k)
        others.push_back({{"NOME", "OUTRA " + std::to_string(k)}, {"CGCCPF", cnpj(30000000 + k)}});
    office_rows(o, entry::kPayers, others);
    {
        ScriptedOperator op;
        store::CdxIndexFiles files(op);
        SystemClock clock;
        store::WorkAreas w(store::Env::posix(), op, clock);
        w.ARQDEF = o.inst.path();
        w.index_files = &files;
        ASSERT_TRUE(store::ABERTURA(w, entry::kPayers));
    }
    store::testing::Processes procs;
    for (int p = 0; p < 2; ++p)
        procs.spawn([&] {
            ScriptedOperator op;
            op.sleep_for_real = true;  // a lock waited for is waited for
            store::CdxIndexFiles files(op);
            SystemClock clock;
            store::WorkAreas w(store::Env::posix(), op, clock);
            w.ARQDEF = o.inst.path();
            w.LOCARQ = o.inst.path();
            w.index_files = &files;
            const entry::OfficeList& payers = entry::office_list(entry::kPayers);
            store::Record row(store::table_def(2)->layout);
            procs.started();
            for (int k = 1; k <= kSends; ++k) {
                row.set("I1_2", "FONTE " + std::to_string(k));
                row.set("I1_3", cnpj(20000000 + k));
                if (entry::send_to_office(op, w, payers, row) == entry::Sent::kRefused) return 1;
            }
            return 0;
        });
    ASSERT_TRUE(procs.start());
    EXPECT_EQ(procs.wait(0), 0);
    EXPECT_EQ(procs.wait(1), 0);
    std::map<std::string, int> sent;
    for (const Fields& f : office_table(o, entry::kPayers)) ++sent[f.at("CGCCPF")];
    EXPECT_EQ(sent.size(), static_cast<size_t>(kSends) + others.size());
    for (const auto& [document, times] : sent) EXPECT_EQ(times, 1) << document;
}

TEST(ListKeys, AltOOrdersIncomeByNameOrCnpjAndAssetsKeepTheirNumbersAndLinks) {
    Office o = Office(1, [](int, tax::Declaration& d) {
        d.items.clear();
        d.monthly.clear();
        d.assets.clear();
        d.dependants.clear();
        d.items.push_back(income_row(d, "CARLOS", cnpj(3), 10));
        d.items.push_back(income_row(d, "ANA", cnpj(2)));
        d.items.push_back(income_row(d, "BETO", cnpj(1)));
        d.assets.push_back(asset(d, 10, "ZEBRA APARTAMENTO"));
        d.assets.push_back(asset(d, 20, "ABELHA CASA"));
    });
    const std::string cpf = o.cpf(0);
    snapped(o, in_declaration(cpf, "F1\nALT+O\nENTER\nESC\n"));
    std::vector<std::string> names;
    for (const Fields& r : rows_of(o, 2, cpf)) names.push_back(r.at("I1_2"));
    EXPECT_EQ(names, (std::vector<std::string>{"ANA", "BETO", "CARLOS"}));
    // By CNPJ (the second choice); the assets by description.
    snapped(o, in_declaration(cpf, "F1\nALT+O\nRIGHT\nENTER\nESC\nF5\nALT+O\nRIGHT\nENTER\nESC\n"));
    names.clear();
    std::string link;
    for (const Fields& r : rows_of(o, 2, cpf)) {
        names.push_back(r.at("I1_2"));
        if (r.at("I1_2") == "CARLOS") link = r.at("REFBEM");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"BETO", "ANA", "CARLOS"}));
    std::map<std::string, std::string> items;
    for (const Fields& r : rows_of(o, 4, cpf)) items[r.at("I7_2")] = r.at("I7_0");
    EXPECT_EQ(items["ABELHA CASA"], "10");
    EXPECT_EQ(items["ZEBRA APARTAMENTO"], "20");
    EXPECT_EQ(link, "20");  // CARLOS's income still comes from the flat
}

TEST(ListKeys, CtrlOTiesAnIncomeRowToItsAssetAndAltPlusWalksTheCells) {
    Office o = office({{"ALUGUEL", ""}}, {"CASA", "APARTAMENTO"});
    const std::string cpf = o.cpf(0);
    // Ctrl+O: the second asset (after "Nenhum"); Alt++ from the first cell: a new name, a new
    // income, Esc on the third cell.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F1\nCTRL+O\nsnap\nDOWN\nDOWN\nENTER\nsnap\nALT++\n"
                                  "CTRL+Y\ntext ALUGUEL LOJA\nENTER\ntext 2500\nENTER\n"
                                  "text 99\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Nenhum bem (desfaz a ligação)"));
    EXPECT_TRUE(shows(screens[1], "Origem nos bens: item 20 - APARTAMENTO"));
    const std::vector<Fields> rows = rows_of(o, 2, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("REFBEM"), "20");
    EXPECT_EQ(rows[0].at("I1_2"), "ALUGUEL LOJA");
    EXPECT_EQ(rows[0].at("I1_4"), "2500.00");
    EXPECT_EQ(rows[0].at("I1_6"), "0.00");  // left with Esc
}

TEST(ListKeys, EachColumnSaysWhatItHoldsAndAnAssetOffersLastYearsText) {
    Office o = office({{"EMPRESA UM LTDA", cnpj(11222333)}}, {"CASA"});
    const std::string cpf = o.cpf(0);
    // Last year's assets table, in the folder the terminal remembers.
    const std::string last_year = o.inst.sub("anterior");
    store::Record old(store::table_def(4)->layout);
    old.set("CPF", cpf);
    old.set("I7_0", Decimal(10));
    old.set("I7_2", "CASA NA RUA DAS FLORES 100, ADQUIRIDA EM 2010");
    ASSERT_TRUE(Table::create(store::Env::posix(),
                              last_year + "/" + store::table_def(4)->name + "25.DBF",
                              *store::table_def(4)->layout, {old}, nullptr, true));
    ASSERT_EQ(o.program("01", "ALT+T\nENTER\n"), 0);  // the terminal's settings
    {
        std::unique_ptr<Table> config;
        ASSERT_TRUE(Table::open(store::Env::posix(), o.inst.path() + "/CONFIG.DBF", {}, &config));
        ASSERT_TRUE(config->go_top());
        ASSERT_EQ(config->str("NRO_TERM"), "01");
        ASSERT_TRUE(config->lock_record());
        ASSERT_TRUE(config->replace(config->field("ROTAANTER"), last_year));
        ASSERT_TRUE(config->unlock());
    }
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F1\nRIGHT\nsnap\nESC\nF5\nRIGHT\nENTER\nsnap\ntext S\n"
                                  "ESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0],
                      "Coluna 02: rendimentos tributáveis recebidos no ano, sem o 13º salário"));
    EXPECT_TRUE(shows(screens[1], "Item 10 na declaração anterior:"));
    const std::vector<Fields> assets = rows_of(o, 4, cpf);
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].at("I7_2"), "CASA NA RUA DAS FLORES 100, ADQUIRIDA EM 2010");
}

TEST(ListKeys, AltUOnAPaymentTakesItsMonthsAndTheirTotal) {
    Office o = Office(1, [](int, tax::Declaration& d) {
        d.payments.clear();
        store::Record r = d.new_record(6);
        r.set("I6_1", "CLINICA UM");
        r.set("I6_2", cnpj(11222333));
        r.set("I6_3", Decimal(21));
        r.set("I6_4", Decimal(100));
        d.payments.push_back(r);
    });
    const std::string cpf = o.cpf(0);
    // January 150, February 250; Tab keeps them.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "ALT+F7\nALT+U\nsnap\ntext 150\nENTER\nDOWN\ntext 250\nENTER\n"
                                  "TAB\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Valores Mensais"));
    const std::vector<Fields> rows = rows_of(o, 6, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("I6_401"), "150.00");
    EXPECT_EQ(rows[0].at("I6_402"), "250.00");
    EXPECT_EQ(rows[0].at("I6_403"), "0.00");
    EXPECT_EQ(rows[0].at("I6_4"), "400.00");
}

// Every list's MATINDI labels go one to a column, so that none says what its neighbour holds.
TEST(ListKeys, EveryListsLabelsMatchItsColumns) {
    for (int n : {1, 2, 20, 120, 4, 5, 6, 8, 9, 22, 23, 41, 42, 45, 21}) {
        const entry::ItemList& l = entry::item_list(n);
        EXPECT_EQ(l.labels.size(), l.columns.size()) << "list " << n;
    }
}

}  // namespace
}  // namespace vorn::shell
