// The import window played headless on a started terminal: its menu bar with the entries this
// build does not carry disabled, the folder dialog's refusals and remembered source, the
// candidate list marked by the operator, the counters, and Esc between two taxpayers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "../importing/dec_writer.h"
#include "../tax/builder.h"
#include "base/text.h"
#include "shell/dispatch.h"
#include "shell/import_window.h"
#include "shell/startup.h"
#include "shell_test_util.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "tax/folder.h"
#include "ui/headless.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

using testing::Installation;
namespace fs = std::filesystem;

// The terminal's operator, but for Esc between two taxpayers: the headless keyboard is not polled,
// so the Esc comes at the call the test names.
class EscOperator final : public Operator {
  public:
    explicit EscOperator(Operator& o) : o_(o) {}
    int esc_at = 0;  // 1-based call of esc_pressed that answers true; 0 never
    void notice(NoticeKind k, std::string_view t, std::string_view x) override {
        o_.notice(k, t, x);
    }
    bool yes_no(std::string_view t, std::string_view x, bool d) override {
        return o_.yes_no(t, x, d);
    }
    int choose(std::string_view t, std::string_view x, const std::vector<std::string>& b,
               int d) override {
        return o_.choose(t, x, b, d);
    }
    void status(std::string_view t) override { o_.status(t); }
    void progress(std::string_view t) override { o_.progress(t); }
    void progress_done() override { o_.progress_done(); }
    bool esc_pressed() override { return ++calls_ == esc_at || o_.esc_pressed(); }
    void pause(double s) override { o_.pause(s); }

  private:
    Operator& o_;
    int calls_ = 0;
};

struct Desk {
    Desk(const Installation& inst, const std::string& script)
        : clock(DateTime{Date(2026, 4, 10), 9 * 3600}),
          backend(ui::parse_key_script(script).steps, clock, snaps),
          screen(backend, clock),
          screen_op(screen),
          op(screen_op),
          indexes(op),
          w(store::Env::posix(), op, clock),
          app{screen, s, w, op, platform} {
        platform.cwd = inst.path();
        platform.vars["DIR2026"] = inst.path();
        platform.vars["HOME"] = inst.path();
        platform.vars["VORN_DRIVE_C"] = inst.path();
        w.index_files = &indexes;
        std::string error;
        EXPECT_TRUE(start_up(s, w, platform, "01", StartupScreens{}, &error)) << error;
    }
    bool shown(const std::string& text) const {
        return snaps.str().find(text) != std::string::npos;
    }
    ManualClock clock;
    std::ostringstream snaps;
    ui::HeadlessBackend backend;
    ui::Screen screen;
    ui::ScreenOperator screen_op;
    EscOperator op;
    store::CdxIndexFiles indexes;
    FakePlatform platform;
    Session s;
    store::WorkAreas w;
    App app;
};

constexpr const char* kA = "11144477735";
constexpr const char* kB = "52998224725";

tax::Declaration client(const char* cpf, const char* name) {
    tax::testing::Builder b(cpf);
    b.d.registry.set("NOMECONTR", name);
    b.company("60000.00", "5000.00", "6000.00", "5000.00");
    return b.d;
}

// Two clients, ANA and BIA, and a source folder "LEAO" in the installation with a Leão book of
// each: ANA's with two payers, BIA's with one.
std::string office(const Installation& inst) {
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    EXPECT_TRUE(tax::write_folder(store::Env::posix(), inst.path(),
                                  {client(kA, "ANA"), client(kB, "BIA")}, &clock));
    const std::string src = inst.path() + "/LEAO";
    fs::create_directories(src);
    std::ofstream(src + "/" + kA + "Leao.txt")
        << "01;JOSE DA SILVA;39053344705;150000;\n02;MARIA;39053344705;250050;\n99\n";
    std::ofstream(src + "/" + kB + "Leao.txt") << "03;PEDRO;39053344705;100000;\n99\n";
    return src;
}

// Income rows of individual payers of a CPF in the folder's income table.
int payer_rows(const Installation& inst, const std::string& cpf) {
    std::unique_ptr<store::Table> t;
    EXPECT_TRUE(store::Table::open(store::Env::posix(),
                                   store::data_table_path(store::Env::posix(), inst.path(), 2),
                                   store::OpenOptions{}, &t)
                    .is_ok());
    uint32_t n = 0;
    EXPECT_TRUE(t->record_count(&n).is_ok());
    int rows = 0;
    for (uint32_t k = 1; k <= n; ++k) {
        EXPECT_TRUE(t->go_to(k).is_ok());
        if (!t->deleted() && t->str("CPF") == cpf && t->str("I1_1") == "F") ++rows;
    }
    EXPECT_TRUE(t->close().is_ok());
    return rows;
}

TEST(ImportWindow, MenuBarWithEveryEntryAndOnlyTheCarriedOnesEnabled) {
    Installation inst;
    office(inst);
    Desk d(inst, "snap\nALT+B\nsnap\nESC\nESC\nESC\n");
    MENUSELECT(d.app, 17, 0, 0);
    for (const char* text :
         {"Importacao de dados", "Buscar de programas da Brio", "Buscar de programas da Receita",
          "Fim", "VORN2025", "Kestral - KST2", "Arquivos Auxiliares", "Bens no formato TXT",
          "Bens no formato XML", "Comprovante", "C.Leao txt", "Informe de Rendimento pela Nimbra",
          "Arquivo LCDPR", "Terminar"})
        EXPECT_TRUE(d.shown(text)) << text << "\n" << d.snaps.str();
    // The cash-book program and the government files whose records' positions are not known
    // (capital gains, rural activity, last year's Carnê-Leão) have no reader here; the rest have.
    for (int option : {2, 4, 6, 10}) EXPECT_FALSE(import_entry_enabled(option)) << option;
    for (int sub : {1, 2, 3, 4}) EXPECT_TRUE(import_entry_enabled(9, sub));
    EXPECT_FALSE(import_entry_enabled(26, 4));
    for (auto [option, sub] : {std::pair{3, 0},
                               {5, 0},
                               {7, 0},
                               {8, 0},
                               {11, 0},
                               {12, 0},
                               {13, 0},
                               {14, 0},
                               {20, 1},
                               {20, 2},
                               {21, 0},
                               {22, 0},
                               {23, 1},
                               {23, 2},
                               {24, 0},
                               {26, 1}})
        EXPECT_TRUE(import_entry_enabled(option, sub)) << option << "," << sub;
}

TEST(ImportWindow, FolderFieldsRefusedMissingSourceAskedAndNothingImported) {
    Installation inst;
    const std::string src = office(inst);
    {
        Desk d(inst, "");
        std::string why;
        EXPECT_FALSE(typed_folder(d.app, "   ", &why));
        EXPECT_EQ(why, "Informe a pasta solicitada!");
        EXPECT_FALSE(typed_folder(d.app, "DADOS", &why));
        EXPECT_EQ(why, "Especifique o drive com ':' após a letra");
        EXPECT_FALSE(typed_folder(d.app, "1:\\DADOS", &why));
        // An absolute path stands as typed; a drive letter is that drive's root here.
        EXPECT_EQ(typed_folder(d.app, src + "/", &why), src);
        EXPECT_EQ(typed_folder(d.app, "c:\\LEAO\\", &why), src);
        EXPECT_EQ(typed_folder(d.app, "C:", &why), inst.path());
    }
    {
        // A relative folder is refused in the field; then a folder that does not exist is asked
        // about and the search given up.
        Desk d(inst, "text DADOS\nENTER\nsnap\nENTER\ntext " + inst.path() +
                         "/NADA\nENTER\nENTER\nsnap\ntext N\n");
        const std::string remembered = d.s.cfg("ROTAANTER");
        SEL_ITEM(d.app, 23, 1);
        EXPECT_TRUE(d.shown("Especifique o drive com ':' após a letra")) << d.snaps.str();
        EXPECT_TRUE(d.shown("Drive e/ou Pasta de Origem inexistente !!")) << d.snaps.str();
        EXPECT_TRUE(d.shown("Continua procurando?"));
        EXPECT_EQ(d.s.cfg("ROTAANTER"), remembered);
    }
    EXPECT_EQ(payer_rows(inst, kA), 0);
    EXPECT_EQ(payer_rows(inst, kB), 0);
}

TEST(ImportWindow, OnlyTheMarkedBookImportedWithTheCountersAndTheSourceRemembered) {
    Installation inst;
    const std::string src = office(inst);
    {
        // Nothing marked: told, nothing imported.
        Desk d(inst, "text " + src + "\nENTER\nENTER\nESC\nsnap\nESC\nsnap\nENTER\n");
        SEL_ITEM(d.app, 23, 1);
        EXPECT_TRUE(d.shown("Nenhum contribuinte foi marcado para a importação.")) << d.snaps.str();
    }
    EXPECT_EQ(payer_rows(inst, kA), 0);
    {
        // The remembered source is proposed: Esc takes it. The list in name order: BIA marked.
        Desk d(inst, "ESC\nDOWN\nENTER\ntext S\nENTER\nESC\nsnap\nENTER\n");
        EXPECT_EQ(d.s.cfg("ROTAANTER"), src);
        SEL_ITEM(d.app, 23, 1);
        for (const char* line :
             {"A importar       1", "Importados       1", "Já existente     0",
              "Não importar     0", "Faltam ......    0", "Importação terminada."})
            EXPECT_TRUE(d.shown(line)) << line << "\n" << d.snaps.str();
    }
    EXPECT_EQ(payer_rows(inst, kA), 0);
    EXPECT_EQ(payer_rows(inst, kB), 1);
}

TEST(ImportWindow, EscBetweenTwoTaxpayersAsksAndStops) {
    Installation inst;
    const std::string src = office(inst);
    {
        // Both marked; Esc pending after the first (ANA): "S" stops before BIA.
        Desk d(inst, "text " + src +
                         "\nENTER\nENTER\nESC\nENTER\ntext S\nENTER\nDOWN\nENTER\ntext S\nENTER\n"
                         "ESC\nsnap\ntext S\nsnap\nENTER\n");
        d.op.esc_at = 1;
        SEL_ITEM(d.app, 23, 1);
        EXPECT_TRUE(d.shown("Abandona a importação dos dados? S/N")) << d.snaps.str();
        EXPECT_TRUE(d.shown("A importar       2")) << d.snaps.str();
        EXPECT_TRUE(d.shown("Faltam ......    1")) << d.snaps.str();
    }
    EXPECT_EQ(payer_rows(inst, kA), 2);
    EXPECT_EQ(payer_rows(inst, kB), 0);
}

TEST(ImportWindow, GovernmentPaymentsOfTheMarkedDeclarationFromTheRememberedSource) {
    using namespace importing::dec_writer;
    Installation inst;
    office(inst);
    const std::string src = inst.path() + "/RECEITA";
    fs::create_directories(src);
    const std::string payment = DecLine("26", kA, 661)
                                    .at(14, "10")
                                    .at(21, "60701190000104")
                                    .at(35, "HOSPITAL BOM")
                                    .digits(106, 118, 250000)
                                    .str();
    std::ofstream(src + "/ana.DEC", std::ios::binary)
        << join({header(2026), identification(kA, "ANA"), payment, DecLine("T9", kA, 20).str()});
    std::ofstream(src + "/velha.DEC", std::ios::binary)
        << join({header(2023), identification(kB, "BIA"), DecLine("T9", kB, 20).str()});
    {
        // The government files' remembered source is proposed: Esc takes it.
        Desk d(inst, "ESC\nENTER\ntext S\nENTER\nESC\nsnap\nENTER\n");
        d.s.CONFIG.set("ROTAREANT", src);
        SEL_ITEM(d.app, 14, 0);
        for (const char* line : {"Importados       1", "velha.DEC: exercício 2023 fora da seleção",
                                 "Importação terminada."})
            EXPECT_TRUE(d.shown(line)) << line << "\n" << d.snaps.str();
    }
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(store::Env::posix(),
                                   store::data_table_path(store::Env::posix(), inst.path(), 6),
                                   store::OpenOptions{}, &t)
                    .is_ok());
    uint32_t n = 0;
    ASSERT_TRUE(t->record_count(&n).is_ok());
    int found = 0;
    for (uint32_t k = 1; k <= n; ++k) {
        ASSERT_TRUE(t->go_to(k).is_ok());
        if (!t->deleted() && t->str("CPF") == kA) {
            ++found;
            EXPECT_EQ(t->str("I6_1"), "HOSPITAL BOM");
            EXPECT_EQ(t->num("I6_4"), Decimal::from("2500.00"));
        }
    }
    EXPECT_EQ(found, 1);
    EXPECT_TRUE(t->close().is_ok());
}

TEST(ImportWindow, LastYearsDeclarationsConvertedFromTheMarkedList) {
    Installation inst;
    office(inst);
    // Last year's folder: DIEGO, with a son past 22 and a house, in tables named "25".
    const std::string prev = inst.path() + "/VORN25";
    fs::create_directories(prev);
    {
        tax::testing::Builder b("39053344705");
        b.d.registry.set("NOMECONTR", "DIEGO");
        b.dependant(21, "22222222222", Date(2001, 5, 1), 4, "FILHO");
        store::Record house = b.d.new_record(4);
        house.set("I7_0", Decimal(10));
        house.set("I7_1", Decimal(1));
        house.set("I7_3", Decimal(1000));
        house.set("I7_4", Decimal(1200));
        b.d.assets.push_back(house);
        ManualClock clock(DateTime{Date(2026, 4, 1), 0});
        ASSERT_TRUE(tax::write_folder(store::Env::posix(), prev, {b.d}, &clock));
        for (const auto& e : fs::directory_iterator(prev)) {
            const std::string name = e.path().filename().string();
            if (name.size() == 11 && upper(e.path().extension().string()) == ".DBF")
                fs::rename(e.path(),
                           prev + "/" + name.substr(0, 5) + std::string(store::CANOANTER) + ".DBF");
            else
                fs::remove(e.path());
        }
    }
    {
        // The folders; DIEGO marked; the sold-asset and payer questions at their first button;
        // the son removed ("S").
        Desk d(inst, "text " + prev +
                         "\nENTER\nENTER\nESC\nENTER\ntext S\nENTER\nESC\nENTER\nENTER\n"
                         "snap\ntext S\nsnap\nENTER\n");
        SEL_ITEM(d.app, 1);
        EXPECT_TRUE(d.shown("O dependente completou 22 anos.")) << d.snaps.str();
        EXPECT_TRUE(d.shown("Conversão terminada.")) << d.snaps.str();
        EXPECT_TRUE(d.shown("Importados       1")) << d.snaps.str();
    }
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(store::Env::posix(),
                                   store::data_table_path(store::Env::posix(), inst.path(), 4),
                                   store::OpenOptions{}, &t)
                    .is_ok());
    uint32_t n = 0;
    ASSERT_TRUE(t->record_count(&n).is_ok());
    bool found = false;
    for (uint32_t k = 1; k <= n; ++k) {
        ASSERT_TRUE(t->go_to(k).is_ok());
        if (t->deleted() || t->str("CPF") != "39053344705") continue;
        found = true;
        EXPECT_EQ(t->num("I7_3"), Decimal(1200));
        EXPECT_EQ(t->num("I7_4"), Decimal(1200));
    }
    EXPECT_TRUE(found);
    ASSERT_TRUE(t->close().is_ok());
}

// A line of folha.txt: CPF, name, payer, CNPJ, taxable income and tax withheld; the rest empty.
std::string payroll_line(const std::string& cpf, const std::string& name, const std::string& income,
                         const std::string& tax) {
    std::string out =
        "\"" + cpf + "\",\"" + name + "\",\"ACME\",\"11222333000181\"," + income + ",0,0,0," + tax;
    for (int k = 0; k < 7; ++k) out += ",0";
    out += ",\"\",\"\",\"\"";
    for (int k = 0; k < 10; ++k) out += ",0";
    return out + "\n";
}

TEST(ImportWindow, PayrollLayoutOfferedWhenTheFileIsMissing) {
    Installation inst;
    const std::string src = office(inst);
    Desk d(inst, "ENTER\nsnap\nENTER\nsnap\ntext S\nsnap\nENTER\n");
    d.s.ROTADOANO = src;
    SEL_ITEM(d.app, 9, 1);
    for (const char* text :
         {"Arquivo para a importação FOLHA.TXT não localizado!",
          "Deseja saber o Leiaute dos campos para gerar o arquivo?",
          "O formato do Folha.txt deve ser tipo 'delimited'", "Cpf do contribuinte  C     11",
          "Rendimentos          N     12,2", "Quant.de meses RRA   N      5,1"})
        EXPECT_TRUE(d.shown(text)) << text << "\n" << d.snaps.str();
}

TEST(ImportWindow, PayrollImportedThenTransferredWithBothQuestions) {
    Installation inst;
    const std::string src = office(inst);
    std::ofstream(src + "/folha.txt") << payroll_line(kA, "ANA", "1000.00", "10.00")
                                      << payroll_line("39053344705", "DIEGO", "\"2.000,50\"", "0");
    {
        Desk d(inst, "ENTER\nsnap\nENTER\n");
        d.s.ROTADOANO = src;
        SEL_ITEM(d.app, 9, 1);
        EXPECT_TRUE(d.shown("Importados    2 contribuintes")) << d.snaps.str();
    }
    {
        // "Não - É novo lançamento": ANA receives the statement; DIEGO, unknown, "inclui Todos".
        Desk d(inst, "snap\ntext N\nsnap\nRIGHT\nENTER\nsnap\nENTER\n");
        SEL_ITEM(d.app, 9, 4);
        for (const char* text :
             {"Encontrando um CPF igual", "Sim - Salte o CPF", "Não - É novo lançamento",
              "O CPF 390.533.447-05 - DIEGO", "não está  cadastrado nas pastas indicadas!",
              "inclui Todos", "Pula todos", "Abandona", "Transferência",
              "De ...........2 registros", "Saltou........0", "CPF Invalido..0", "Lancou........2",
              "Novos.........1"})
            EXPECT_TRUE(d.shown(text)) << text << "\n" << d.snaps.str();
    }
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(store::Env::posix(),
                                   store::data_table_path(store::Env::posix(), inst.path(), 2),
                                   store::OpenOptions{}, &t)
                    .is_ok());
    uint32_t n = 0;
    ASSERT_TRUE(t->record_count(&n).is_ok());
    std::map<std::string, Decimal> acme;
    for (uint32_t k = 1; k <= n; ++k) {
        ASSERT_TRUE(t->go_to(k).is_ok());
        if (!t->deleted() && t->str("I1_3") == "11.222.333/0001-81")
            acme[t->str("CPF")] = t->num("I1_4");
    }
    ASSERT_TRUE(t->close().is_ok());
    EXPECT_EQ(acme[kA], Decimal::from("1000.00"));
    EXPECT_EQ(acme["39053344705"], Decimal::from("2000.50"));
}

TEST(ImportWindow, PayrollStatementEditedOneByOne) {
    Installation inst;
    office(inst);
    {
        // A new statement; the same CPF again edited ("N"); then another payer's ("S").
        Desk d(inst,
               "text " + std::string(kA) +
                   "\nENTER\nsnap\ntext ANA SOUZA\nENTER\ntext ACME\nENTER\ntext 11222333000181\n"
                   "ENTER\nPGDN\nsnap\ntext S\n"
                   "text " +
                   std::string(kA) +
                   "\nENTER\nsnap\ntext N\nPGDN\ntext S\n"
                   "text " +
                   std::string(kA) + "\nENTER\nsnap\ntext S\nPGDN\ntext S\nESC\n");
        SEL_ITEM(d.app, 9, 2);
        EXPECT_TRUE(d.shown("CPF já existente! Outra fonte de Renda? (S/N)")) << d.snaps.str();
        EXPECT_TRUE(d.shown("Confirma os dados ?")) << d.snaps.str();
    }
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(
        store::Table::open(store::Env::posix(),
                           store::find_file(store::Env::posix(), inst.path(), "FOLHAPG.DBF"),
                           store::OpenOptions{}, &t)
            .is_ok());
    std::vector<std::vector<std::string>> rows;
    for (Status st = t->go_top(); st && !t->eof(); st = t->skip())
        rows.push_back(
            {t->str("CPF"), t->str("NOMECONTR"), t->str("NOMEFONTE"), t->str("CNPJFONTE")});
    ASSERT_TRUE(t->close().is_ok());
    EXPECT_EQ(rows,
              (std::vector<std::vector<std::string>>{
                  {kA, "ANA SOUZA", "ACME", "11.222.333/0001-81"}, {kA, "ANA SOUZA", "", ""}}));
}

}  // namespace
}  // namespace vorn::shell
