// The consistency check: findings with the catalogue's texts and severities, the counters and
// verdicts, and the check command over a folder (exit statuses, recording into the notes table).
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>

#include "builder.h"
#include "maintenance/check.h"
#include "shell/commands.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "tax/folder.h"

namespace vorn::maintenance {
namespace {

namespace fs = std::filesystem;
using tax::testing::Builder;
using tax::testing::D;

class Quiet final : public Operator {
  public:
    std::vector<std::string> statuses, notices;
    void notice(NoticeKind, std::string_view, std::string_view t) override {
        notices.emplace_back(t);
    }
    bool yes_no(std::string_view, std::string_view, bool d) override { return d; }
    int choose(std::string_view, std::string_view, const std::vector<std::string>&,
               int d) override {
        return d;
    }
    void status(std::string_view t) override { statuses.emplace_back(t); }
    void progress(std::string_view) override {}
    void progress_done() override {}
    bool esc_pressed() override { return false; }
    void pause(double) override {}
};

const std::string kInstall = std::string(VORN_BINARY_DIR) + "/ref";

const ErrorCatalogue& catalogue() {
    static const ErrorCatalogue c = [] {
        ErrorCatalogue c;
        Status s = ErrorCatalogue::read(store::Env::posix(), kInstall, &c);
        EXPECT_TRUE(s) << s.message();
        return c;
    }();
    return c;
}

// A declaration with nothing to find: address, receipt, an employee's income with payer, a
// dependant with every datum, a payment with beneficiary, simplified option.
Builder tidy(const char* cpf = "11144477735") {
    Builder b(cpf);
    b.d.set("USAPADRAO", "S");
    for (const char* f : {"ENDERECO", "NUMERO", "BAIRRO", "CEP", "MUNICIPIO", "UF"})
        b.d.set(f, "X");
    b.d.set("CODMUNI", "7107");
    b.d.set("RECIBOANT", "123456789012");
    b.d.set("NASCIMENTO", Date(1980, 1, 1));
    b.company("60000.00", "5000.00").set("I1_2", "EMPRESA");
    b.dependant(21, "52998224725", Date(2012, 3, 4), 1).set("MORAJUNT", "S");
    b.payment(10, "1000.00").set("I6_2", "52998224725");
    return b;
}

struct Checked {
    CheckResult r;
    std::vector<int> codes;
    Quiet op;
};

Checked check(const tax::Declaration& d, int where = 3,
              const std::vector<store::Record>* gains = nullptr,
              std::optional<tax::PastResult> last_year = std::nullopt) {
    Checked run;
    ManualClock clock(DateTime{Date(2026, 4, 10), 36000});
    Checker checker(catalogue(), run.op, clock);
    CheckInput in{&d, gains, last_year};
    run.r = checker.CONFERE(in, where);
    for (const auto& f : run.r.findings) run.codes.push_back(f.code);
    return run;
}

std::string text_of(const Checked& run, int code) {
    for (const auto& f : run.r.findings)
        if (f.code == code) return f.text;
    return "(none)";
}

TEST(Check, TidyDeclarationIsReady) {
    Checked run = check(tidy().d, 2);
    EXPECT_TRUE(run.codes.empty()) << text_of(run, run.codes.empty() ? 0 : run.codes[0]);
    EXPECT_EQ(result_texts(run.r, 1),
              std::vector<std::string>{"Declaração OK e pronta para transferir"});
    ASSERT_FALSE(run.op.statuses.empty());
    EXPECT_EQ(run.op.statuses.back(),
              "Conferido.  Resultado =======>  Erros: 0  Perigos: 0  Atenções: 0");
    EXPECT_EQ(run.op.notices, std::vector<std::string>{"Declaração OK e pronta para transferir"});
}

TEST(Check, MarkerTakesCatalogueTextAndSeverity) {
    Quiet op;
    ManualClock clock(DateTime{Date(2026, 4, 10), 0});
    Checker c(catalogue(), op, clock);
    c.MARCAERRO(46, " qualquer idade", 1, 0, 1234, 4, 2);
    c.MARCAERRO(99, "Texto livre", 0);
    c.MARCAERRO(49);
    c.MARCAERRO(57);
    c.MARCAERRO(7, "código fora do catálogo");
    const CheckResult& r = c.result();
    ASSERT_EQ(r.findings.size(), 5u);
    EXPECT_EQ(r.findings[0].text, "Falta o CPF do dependente. Obrigatório em qualquer idade");
    EXPECT_EQ(r.findings[0].record, 0);  // beyond 999
    EXPECT_EQ(r.findings[0].page, 4);    // the catalogue's page when none is passed
    EXPECT_EQ(r.findings[0].screen, 4);
    EXPECT_EQ(r.findings[0].column, 2);
    EXPECT_EQ(r.findings[1].text, "Texto livre");
    EXPECT_EQ(r.findings[1].grade, 0);
    EXPECT_EQ(r.findings[2].grade, 3);
    EXPECT_EQ(r.findings[3].grade, 2);
    EXPECT_EQ(r.findings[4].grade, 1);  // unknown code: counted as an error
    EXPECT_EQ(r.errors, 2);
    EXPECT_EQ(r.dangers, 1);
    EXPECT_EQ(r.attentions, 1);
    // A run starts from nothing.
    Builder b = tidy();
    EXPECT_TRUE(c.CONFERE(CheckInput{&b.d, nullptr, std::nullopt}, 3).findings.empty());
}

TEST(Check, FindingsOfEachPhaseWithExactCounts) {
    Builder b = tidy();
    tax::Declaration& d = b.d;
    d.set("USAPADRAO", "N");
    d.set("I4_03", D("-10.00"));                                    // 1
    d.set("I3_24", D("-1.00"));                                     // 2
    auto& lottery = b.company("1000.00", "2000.00");                // 14: withheld above income
    lottery.set("I1_2", "");                                        // 81: no payer name
    b.company("500.00", "0", "0", "0", "").set("I1_3", "");         // 84: name, no number
    b.company("100.00").set("I1_15", D("50.00"));                   // dividends, CNPJ ok
    d.items.back().set("I1_3", "1234");                             // 74
    b.company("300.00").set("I1_18", D("300.00"));                  // 99 same row
    b.dependant(22, "", Date(2010, 1, 1), 2).set("MORAJUNT", "S");  // 55 and 46
    b.dependant(41, "39053344705", Date(1990, 1, 1), 3).set("MORAJUNT", "S");  // 56
    b.dependant(0, "71428793860", Date(), 4, "");                // 83 lives-with, 15, 16, 17
    b.payment(31, "100.00", "0", 9).set("I6_2", "52998224725");  // 48: beyond the dependants
    b.payment(0, "0").set("I6_1", "");                           // 18, 19, 31, 27
    b.payment(10, "45000.00").set("I6_2", "52998224725");        // 49
    d.set("SALDO", D("-5.00"));                                  // 22
    d.set("RETIFICA", "S");                                      // 53
    store::Record asset = d.new_record(4);                       // CONFER_BEM
    asset.set("I7_0", Decimal(10));
    asset.set("GRPO", "01");
    asset.set("CODB", "11");
    asset.set("I7_2", "CASA");
    asset.set("I7_4", D("-1.00"));
    d.assets.push_back(asset);
    Checked run = check(d, 2);
    std::map<int, int> count;
    for (int c : run.codes) ++count[c];
    EXPECT_EQ(count[1], 1);
    EXPECT_EQ(count[2], 1);
    EXPECT_EQ(count[14], 1);
    EXPECT_EQ(count[81], 1);
    EXPECT_EQ(count[84], 1);
    EXPECT_EQ(count[74], 1);
    EXPECT_EQ(count[55], 1);
    EXPECT_EQ(count[46], 1);
    EXPECT_EQ(count[56], 1);
    EXPECT_EQ(count[15], 1);
    EXPECT_EQ(count[16], 1);
    EXPECT_EQ(count[17], 1);
    EXPECT_EQ(count[48], 1);
    EXPECT_EQ(count[18], 1);
    EXPECT_EQ(count[19], 1);
    EXPECT_EQ(count[31], 1);
    EXPECT_EQ(count[27], 1);
    EXPECT_EQ(count[49], 1);
    EXPECT_EQ(count[22], 1);
    EXPECT_EQ(count[53], 1);
    EXPECT_EQ(text_of(run, 1), "Valor negativo nos rendimentos de tributação exclusiva - linha 3");
    EXPECT_EQ(text_of(run, 46), "Falta o CPF do dependente. Obrigatório em qualquer idade");
    EXPECT_EQ(text_of(run, 27), "Falta o valor do pagamento cod. 0");
    EXPECT_EQ(text_of(run, 84), "Falta o CPF/CNPJ da fonte pagadora - Pessoa Juridica - Linha 3");
    bool same_row = false, address = false, negative = false;
    for (const auto& f : run.r.findings) {
        same_row |= f.text == "Nao pode colocar na mesma linha rend. tributavel e aposen. Molestia";
        address |= f.text == "Falta preencher o endereco do imovel no Item 10";
        negative |= f.text == "Valor negativo no bem - Item 10";
    }
    EXPECT_TRUE(same_row);
    EXPECT_TRUE(address);
    EXPECT_TRUE(negative);
    // Danger 55, 22; attention 49; the rest errors; donation room notes are uncounted.
    EXPECT_EQ(run.r.dangers, 2);
    EXPECT_EQ(run.r.attentions, 1);
    int counted = 0, uncounted = 0;
    for (const auto& f : run.r.findings) (f.grade == 0 ? uncounted : counted)++;
    EXPECT_EQ(counted, run.r.errors + run.r.dangers + run.r.attentions);
    EXPECT_EQ(uncounted, 0);  // no tax, so no room for direct donations
    EXPECT_EQ(run.op.notices.back(),
              "Atenção! O programa localizou erros que devem \nser conferidos. Veja a relação na "
              "tela 11(F11)");
}

TEST(Check, MonthlyEntriesAgainstTheMeanAndTheCashBook) {
    Builder b = tidy();
    b.monthly_item("F", "1000.00", 1, 4);
    // April at exactly three times the mean of the four months (9000 of 12000 / 4) is no finding.
    b.d.items.back().set("I1_404", D("9000.00"));
    b.d.items.back().set("I1_4", D("12000.00"));
    b.d.items.back().set("I1_41", "T");
    b.monthly_item("L", "1000.00", 1, 3);  // three months only: no mean check
    Checked run = check(b.d);
    std::map<int, int> count;
    for (int c : run.codes) ++count[c];
    EXPECT_EQ(count[10], 0);
    EXPECT_EQ(count[73], 0);
    b.monthly_item("F", "100.00", 5, 12);  // eight more months lower the mean
    b.monthly_item("L", "100000.00", 4, 4);
    run = check(b.d);
    count.clear();
    for (int c : run.codes) ++count[c];
    EXPECT_EQ(count[10], 1);
    EXPECT_EQ(text_of(run, 10),
              "Mês com rendimento de pessoa física acima de 3 vezes a média - mes 04");
    EXPECT_EQ(count[11], 1);  // 1000, 1000, 1000, 100000: mean 25750
    EXPECT_EQ(count[73], 1);
}

TEST(Check, VerdictForEachKindOfProblem) {
    CheckResult r;
    r.errors = 1;
    EXPECT_EQ(result_texts(r, 2)[0],
              "Atenção! Essa declaração tem erro que não irá passar no programa da");
    EXPECT_TRUE(result_texts(r, 1).empty());
    EXPECT_TRUE(result_texts(r, 3).empty());
    r = CheckResult();
    r.dangers = 1;
    EXPECT_EQ(result_texts(r, 2)[1],
              "Receita. Confira a relação na tela 11 (F11) antes de enviar.");
    r = CheckResult();
    r.attentions = 2;
    EXPECT_EQ(result_texts(r, 2)[0],
              "Atenção! Há algum item que pode ser erro de digitação. Ela passar ");
}

TEST(Check, LastYearTotalsAndGains) {
    Builder b = tidy();
    store::Record asset = b.d.new_record(4);
    asset.set("I7_0", Decimal(10));
    asset.set("GRPO", "06");
    asset.set("CODB", "01");
    asset.set("I7_2", "CONTA");
    asset.set("NROBANCO", "001");
    asset.set("AGENCBAN", "1234");
    asset.set("CONTABAN", "999");
    asset.set("I7_3", D("100.00"));
    b.d.assets.push_back(asset);
    Checked run = check(b.d, 3, nullptr, tax::PastResult{D("100.00"), D("0")});
    EXPECT_TRUE(run.codes.empty());
    run = check(b.d, 3, nullptr, tax::PastResult{D("150.00"), D("0")});
    EXPECT_EQ(run.codes, std::vector<int>{40});
    EXPECT_EQ(run.r.dangers, 1);

    std::vector<store::Record> gains{b.d.new_record(7)};
    gains[0].set("BEM_NRO", Decimal(1));
    gains[0].set("VEN_PRAZO", "S");
    gains[0].set("REC_MES03", D("10.00"));
    run = check(b.d, 3, &gains);
    EXPECT_EQ(run.codes, (std::vector<int>{23, 63, 78}));
    b.d.set("I3_04GCPV", D("10.00"));
    run = check(b.d);
    EXPECT_EQ(run.codes, std::vector<int>{6});
}

// --- The command over a folder.

struct Output {
    int status = 0;
    std::string out, err;
};

Output run_command(std::vector<std::string> args) {
    args.insert(args.begin(), "check");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    auto* old_out = std::cout.rdbuf(out.rdbuf());
    auto* old_err = std::cerr.rdbuf(err.rdbuf());
    Output o;
    o.status = run_check_command(static_cast<int>(argv.size()), argv.data());
    std::cout.rdbuf(old_out);
    std::cerr.rdbuf(old_err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

class CheckCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::path(VORN_BINARY_DIR) / "check_command_test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void write(std::vector<tax::Declaration> ds) {
        ASSERT_TRUE(tax::write_folder(store::Env::posix(), dir.string(), ds, nullptr));
    }
    // The notes table's live records as "CPF CODERR OBSERV", and its record count.
    std::vector<std::string> notes(uint32_t* records = nullptr) {
        std::unique_ptr<store::Table> t;
        store::OpenOptions o;
        o.read_only = true;
        EXPECT_TRUE(store::Table::open(
            store::Env::posix(), store::data_table_path(store::Env::posix(), dir.string(), 11), o,
            &t));
        std::vector<std::string> rows;
        for (Status s = t->go_top(); s && !t->eof(); s = t->skip())
            if (!t->deleted())
                rows.push_back(t->str("CPF") + " " + t->num("CODERR").to_string(0) + " " +
                               t->str("OBSERV"));
        uint32_t n = 0;
        EXPECT_TRUE(t->record_count(&n));
        if (records) *records = n;
        return rows;
    }
    fs::path dir;
};

TEST_F(CheckCommand, ExitStatusesAndLines) {
    Builder faulty = tidy("52998224725");
    faulty.d.set("RETIFICA", "S");
    write({tidy().d, faulty.d});
    Output o = run_command({"--folder", dir.string(), "--all", "--install", kInstall});
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_EQ(o.out,
              "CPF=11144477735 ERROS=0 PERIGOS=0 ATENCOES=0\n"
              "52998224725;53;1;06;6;Retificadora sem o número do recibo a retificar\n"
              "CPF=52998224725 ERROS=1 PERIGOS=0 ATENCOES=0\n");
    o = run_command({"--folder", dir.string(), "--cpf", "11144477735", "--install", kInstall});
    EXPECT_EQ(o.status, 0);
    o = run_command({"--folder", dir.string(), "--all", "--install", dir.string()});
    EXPECT_EQ(o.status, 1);  // no error catalogue
    EXPECT_NE(o.err.find("LISERRO.DBF"), std::string::npos);
    o = run_command({"--folder", (dir / "nada").string(), "--all", "--install", kInstall});
    EXPECT_EQ(o.status, 1);
    o = run_command({"--folder", dir.string(), "--install", kInstall});
    EXPECT_EQ(o.status, 1);
}

TEST_F(CheckCommand, RecordingTwiceKeepsTheSecondRunAndThePlainNotes) {
    Builder a = tidy("52998224725");
    a.d.set("RETIFICA", "S");
    Builder other = tidy();
    other.d.set("SALDO", D("-1.00"));
    write({a.d, other.d});
    // A plain note of the first client, typed by the operator.
    {
        std::unique_ptr<store::Table> t;
        ASSERT_TRUE(store::Table::open(
            store::Env::posix(), store::data_table_path(store::Env::posix(), dir.string(), 11), {},
            &t));
        store::Record r(t->layout_ptr());
        r.set("CPF", "52998224725");
        r.set("OBSERV", "LIGAR PARA O CLIENTE");
        ASSERT_TRUE(t->lock_table());
        ASSERT_TRUE(t->append(&r));
        ASSERT_TRUE(t->close());
    }
    Output o = run_command({"--folder", dir.string(), "--all", "--record", "--install", kInstall});
    EXPECT_EQ(o.status, 2) << o.err;
    uint32_t records = 0;
    EXPECT_EQ(notes(&records),
              (std::vector<std::string>{
                  "52998224725 0 LIGAR PARA O CLIENTE",
                  "52998224725 53 Retificadora sem o número do recibo a retificar",
                  "11144477735 22 Saldo de caixa negativo: gastos maiores que as receitas"}));
    EXPECT_EQ(records, 3u);
    // A rerun finds the same: the CPFs' own slots are reused, the table does not grow.
    o = run_command({"--folder", dir.string(), "--all", "--record", "--install", kInstall});
    EXPECT_EQ(notes(&records).size(), 3u);
    EXPECT_EQ(records, 3u);
    // A run finding nothing for the first client leaves its plain note only; the old finding's
    // slot is marked deleted, not packed away.
    ASSERT_TRUE(record_findings(store::Env::posix(), dir.string(), "52998224725", {}, nullptr, 1));
    EXPECT_EQ(notes(&records),
              (std::vector<std::string>{
                  "52998224725 0 LIGAR PARA O CLIENTE",
                  "11144477735 22 Saldo de caixa negativo: gastos maiores que as receitas"}));
    EXPECT_EQ(records, 3u);
}

TEST_F(CheckCommand, RecordingSkipsADeclarationOpenOnATerminal) {
    Builder a = tidy("52998224725");
    a.d.set("RETIFICA", "S");
    a.d.registry.set("NUSUAT", "07");
    write({a.d});
    Output o = run_command({"--folder", dir.string(), "--all", "--record", "--install", kInstall});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.out.find("CPF=52998224725 em uso no terminal 07: não gravada"), std::string::npos);
    EXPECT_TRUE(notes().empty());
}

}  // namespace
}  // namespace vorn::maintenance
