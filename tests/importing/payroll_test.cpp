// Payroll statements: folha.txt read line by line (amount forms, quoting, normalised documents,
// cuts, bad lines), the staging table replaced only after the whole file is good and only when
// the operator lets staged rows go, and the transfer into the declarations compared field by
// field, with the questions' answers, invalid CPFs, a declaration in use and a second transfer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <unistd.h>

#include "base/text.h"
#include "import_fixture.h"
#include "importing/payroll.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::importing {
namespace {

namespace fs = std::filesystem;
using store::Env;
using store::Record;

constexpr const char* kAna = "12345678909";  // registered
constexpr const char* kBia = "98765432100";  // not registered
constexpr const char* kCnpj = "11222333000181";

// One line of folha.txt with every amount empty but the ones given (by field name).
std::string line(const std::string& cpf, const std::string& name, const std::string& payer,
                 const std::string& cnpj, const std::map<std::string, std::string>& values = {},
                 const std::map<std::string, std::string>& texts = {}) {
    static const char* kAmounts1[] = {"RENDIMENT", "PREVOFICA", "PREVPRIVA", "PENSAOPAG",
                                      "IRRETIDO",  "ISENTOAPO", "DIARIAS",   "PENSAOREC",
                                      "LUCRODIV",  "SOCIO",     "IDENIZA",   "DECIMO3RO"};
    static const char* kAmounts2[] = {"VALOUTRO",  "VALOUTRE",  "IRRF13",    "VALRENRRA", "VALACAO",
                                      "VALPRERRA", "VALPENRRA", "VALIRFRRA", "VALMOLRRA", "QTDMES"};
    auto val = [&](const char* f) {
        auto it = values.find(f);
        return it == values.end() ? std::string("0") : it->second;
    };
    auto txt = [&](const char* f) {
        auto it = texts.find(f);
        return "\"" + (it == texts.end() ? std::string() : it->second) + "\"";
    };
    std::string out = "\"" + cpf + "\",\"" + name + "\",\"" + payer + "\",\"" + cnpj + "\"";
    for (const char* f : kAmounts1) out += "," + val(f);
    out += "," + txt("COMPLENTA") + "," + txt("OUTROS") + "," + txt("OUTROSEXC");
    for (const char* f : kAmounts2) out += "," + val(f);
    return out;
}

TEST(PayrollReader, AmountFormsQuotingDocumentsAndCuts) {
    // Windows-1252 name (not UTF-8), CR LF ends, a punctuated CPF, an unmasked CNPJ, amounts in
    // both decimal forms, a quoted Brazilian amount, an empty one, and a DOS end-of-file mark.
    std::string bytes = line("123.456.789-09", "JOS\xC9 DA SILVA", "ACME LTDA", kCnpj,
                             {{"RENDIMENT", "\"1.234,56\""},
                              {"IRRETIDO", "100.5"},
                              {"PREVOFICA", ""},
                              {"DECIMO3RO", "\"1234,56\""},
                              {"QTDMES", "\"12,5\""}}) +
                        "\r\n\r\n" +
                        line("2345678909", std::string(60, 'N'), "BETA", "123.456.789-09", {},
                             {{"OUTROS", "   BOLSA"}}) +
                        "\n\x1A";
    const PayrollFile f = read_payroll(bytes);
    ASSERT_TRUE(f.notes.bad.empty()) << f.notes.bad.front().line << f.notes.bad.front().reason;
    ASSERT_EQ(f.rows.size(), 2u);
    const Record& a = f.rows[0];
    EXPECT_EQ(a.str("CPF"), "12345678909");
    EXPECT_EQ(a.str("NOMECONTR"), "JOSE DA SILVA");  // accent table
    EXPECT_EQ(a.str("CNPJFONTE"), "11.222.333/0001-81");
    EXPECT_EQ(a.num("RENDIMENT"), Decimal::from("1234.56"));
    EXPECT_EQ(a.num("DECIMO3RO"), Decimal::from("1234.56"));
    EXPECT_EQ(a.num("IRRETIDO"), Decimal::from("100.50"));
    EXPECT_EQ(a.num("PREVOFICA"), Decimal());
    EXPECT_EQ(a.num("QTDMES"), Decimal::from("12.5"));
    const Record& b = f.rows[1];
    EXPECT_EQ(b.str("CPF"), "02345678909");
    EXPECT_EQ(b.str("CNPJFONTE"), "123.456.789-09");
    EXPECT_EQ(b.str("OUTROS"), "BOLSA");
    EXPECT_EQ(b.str("NOMECONTR"), std::string(47, 'N'));
    ASSERT_EQ(f.notes.cuts.size(), 1u);
    EXPECT_NE(f.notes.cuts[0].find("linha 3: NOMECONTR cortado em 47"), std::string::npos);

    // A UTF-8 name counts characters, not bytes: 47 accented letters are not cut.
    std::string utf8;
    for (int k = 0; k < 47; ++k) utf8 += "\xC3\x87";  // Ç, made C by the accent table
    const PayrollFile u = read_payroll(line(kAna, utf8, "X", kCnpj));
    ASSERT_EQ(u.rows.size(), 1u);
    EXPECT_TRUE(u.notes.cuts.empty());
    EXPECT_EQ(u.rows[0].str("NOMECONTR"), std::string(47, 'C'));
}

TEST(PayrollReader, BadLinesNameTheirLineAndReason) {
    const std::string good = line(kAna, "ANA", "ACME", kCnpj);
    const std::pair<std::string, std::string> cases[] = {
        {line(kAna, "ANA", "ACME", kCnpj, {{"RENDIMENT", "1234,56"}}), "30 campos em vez de 29"},
        {line(kAna, "ANA", "ACME", kCnpj, {{"IRRETIDO", "-5.00"}}),
         "Imposto Retido fonte inválido"},
        {line(kAna, "ANA", "ACME", kCnpj, {{"SOCIO", "\"-5,00\""}}), "Socio inválido"},
        {line(kAna, "ANA", "ACME", kCnpj, {{"SOCIO", "12a"}}), "Socio inválido"},
        {line(kAna, "ANA", "ACME", kCnpj, {{"SOCIO", "1.2.3"}}), "Socio inválido"},
        {line(kAna, "ANA", "ACME", kCnpj, {{"SOCIO", "1.234"}}), "Socio não cabe"},
        {line(kAna, "ANA", "ACME", kCnpj, {{"SOCIO", "99999999999999.00"}}), "Socio não cabe"},
        {line("1234567890A", "ANA", "ACME", kCnpj), "CPF inválido"},
        {line("123456789012", "ANA", "ACME", kCnpj), "CPF inválido"},
        {line(kAna, "ANA", "ACME", "1122233300018"), "fonte pagadora inválido"},
        {"\"" + std::string(kAna) + "\",\"ANA", "aspas sem fechamento"},
        {"\"" + std::string(kAna) + "\"x,\"ANA\"", "texto depois das aspas"},
    };
    for (const auto& [bad, reason] : cases) {
        SCOPED_TRACE(bad);
        const PayrollFile f = read_payroll(good + "\n" + bad + "\n" + good + "\n");
        ASSERT_EQ(f.notes.bad.size(), 1u);
        EXPECT_EQ(f.notes.bad[0].line, 2u);
        EXPECT_NE(f.notes.bad[0].reason.find(reason), std::string::npos) << f.notes.bad[0].reason;
        EXPECT_EQ(f.rows.size(), 2u);
    }
}

TEST(PayrollReader, LayoutScreenLines) {
    const auto l = payroll_layout();
    ASSERT_EQ(l.size(), 29u);
    EXPECT_EQ(l[0], "Cpf do contribuinte  C     11   ");
    EXPECT_EQ(l[1], "Nome contribuinte    C     47   ");
    EXPECT_EQ(l[3], "Cnpj fonte pagadora  C     18   ");
    EXPECT_EQ(l[4], "Rendimentos          N     12,2 ");
    EXPECT_EQ(l[16], "Complemento          C     40   ");
    EXPECT_EQ(l[28], "Quant.de meses RRA   N      5,1 ");
}

struct Office {
    Scratch install, data, source;
    ManualClock clock{DateTime{Date(2026, 4, 10), 9 * 3600}};
    ScriptedOperator op;
    payments::InterestTable selic;
    store::CdxIndexFiles cdx{op};
    store::WorkAreas w{Env::posix(), op, clock};

    Office() {
        w.ARQDEF = install.path();
        w.LOCARQ = data.path();
        w.NUSU = "01";
        w.index_files = &cdx;
    }

    void create(const char* cpf, const char* name) {
        store::CdxIndexFiles c(op);
        store::WorkAreas dw(Env::posix(), op, clock);
        dw.ARQDEF = dw.LOCARQ = data.path();
        dw.NUSU = "01";
        dw.index_files = &c;
        store::Declaration d(dw, {data.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(cpf, store::LoadMode::kNew, true).is_ok());
        d.values().set("NOMECONTR", name);
        ASSERT_TRUE(d.save(true).is_ok());
    }

    void write(const std::string& text) {
        std::ofstream(source.path() + "/folha.txt", std::ios::binary) << text;
    }

    PayrollImport import(bool replace = true, int* asked = nullptr) {
        return import_payroll(w, source.path(), false, [&](size_t) {
            if (asked) ++*asked;
            return replace;
        });
    }

    std::vector<Record> staged() {
        EXPECT_TRUE(open_payroll(w).is_ok());
        std::vector<Record> rows;
        EXPECT_TRUE(payroll_rows(w, &rows).is_ok());
        w.close(kPayrollTable);
        return rows;
    }

    ImportRequest request() const {
        ImportRequest rq;
        rq.folder = data.path();
        rq.install = install.path();
        rq.terminal = "00";
        rq.clock = &clock;
        rq.selic = &selic;
        return rq;
    }

    TransferResult transfer(TransferAnswers a) {
        TransferResult r;
        EXPECT_TRUE(open_payroll(w).is_ok());
        EXPECT_TRUE(transfer_payroll(w, request(), {}, a, op, &r).is_ok());
        w.close(kPayrollTable);
        return r;
    }

    std::vector<Record> live(int n, const std::string& cpf) const {
        std::vector<Record> out;
        const std::string path = store::data_table_path(Env::posix(), data.path(), n);
        if (!Env::posix().exists(path)) return out;
        std::unique_ptr<store::Table> t;
        EXPECT_TRUE(store::Table::open(Env::posix(), path, store::OpenOptions{}, &t).is_ok());
        uint32_t count = 0;
        EXPECT_TRUE(t->record_count(&count).is_ok());
        for (uint32_t k = 1; k <= count; ++k) {
            EXPECT_TRUE(t->go_to(k).is_ok());
            if (t->deleted() || t->str("CPF") != cpf) continue;
            out.emplace_back(t->layout_ptr());
            EXPECT_TRUE(t->read(out.back()).is_ok());
        }
        EXPECT_TRUE(t->close().is_ok());
        return out;
    }

    std::map<std::string, std::string> files(const std::string& dir) const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::directory_iterator(dir)) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            out[e.path().filename().string()] = s.str();
        }
        return out;
    }
};

TEST(PayrollImport, ReplacesStagedRowsOnlyWhenAllowedAndABadLastLineChangesNothing) {
    Office o;
    o.write(line(kAna, "ANA", "ACME", kCnpj) + "\n" + line(kBia, "BIA", "ACME", kCnpj) + "\n");
    int asked = 0;
    PayrollImport r = o.import(true, &asked);
    EXPECT_EQ(r.outcome, PayrollImport::Outcome::kImported) << r.text;
    EXPECT_EQ(r.text, "Importados    2 contribuintes");
    EXPECT_EQ(asked, 0);  // nothing staged: nothing to ask
    ASSERT_EQ(o.staged().size(), 2u);

    // A new file while rows wait: the operator is asked, and "no" keeps them.
    o.write(line(kAna, "ANA", "OUTRA", kCnpj) + "\n");
    r = o.import(false, &asked);
    EXPECT_EQ(r.outcome, PayrollImport::Outcome::kKept);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(o.staged().size(), 2u);
    r = o.import(true, &asked);
    EXPECT_EQ(r.outcome, PayrollImport::Outcome::kImported);
    EXPECT_EQ(r.text, "Importado    1 contribuinte");
    ASSERT_EQ(o.staged().size(), 1u);
    EXPECT_EQ(o.staged()[0].str("NOMEFONTE"), "OUTRA");

    // A bad last line: the file is refused by name and line, nothing asked, nothing written.
    const auto before = o.files(o.install.path());
    o.write(line(kAna, "ANA", "X", kCnpj) + "\n" + line(kBia, "BIA", "X", kCnpj) + "\n" +
            line(kBia, "BIA", "X", kCnpj, {{"RENDIMENT", "1234,56"}}) + "\n");
    asked = 0;
    r = o.import(true, &asked);
    EXPECT_EQ(r.outcome, PayrollImport::Outcome::kRefused);
    EXPECT_NE(r.text.find("folha.txt linha 3: 30 campos"), std::string::npos) << r.text;
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(o.files(o.install.path()), before);

    // No file: the layout is offered by the caller.
    fs::remove(o.source.path() + "/folha.txt");
    EXPECT_EQ(o.import().outcome, PayrollImport::Outcome::kNoFile);

    // FOLHAPG held by another terminal: told, nothing read into it.
    o.write(line(kAna, "ANA", "X", kCnpj) + "\n");
    ASSERT_TRUE(open_payroll(o.w).is_ok());
    store::WorkAreas other(Env::posix(), o.op, o.clock);
    other.ARQDEF = o.install.path();
    other.index_files = &o.cdx;
    EXPECT_EQ(import_payroll(other, o.source.path(), false, {}).outcome,
              PayrollImport::Outcome::kInUse);
    o.w.close(kPayrollTable);
}

std::string num(const Record& r, const char* f) {
    return r.num(f).to_string(2);
}

TEST(PayrollTransfer, StatementsBecomeIncomeRowsPaymentsAndNewTaxpayers) {
    Office o;
    o.create(kAna, "ANA SOUZA");
    o.write(line(kAna, "ANA SOUZA", "ACME", kCnpj,
                 {{"RENDIMENT", "50000.00"}, {"PREVOFICA", "5000.00"}, {"PREVPRIVA", "1200.00"},
                  {"PENSAOPAG", "3000.00"},  {"IRRETIDO", "4000.00"},  {"ISENTOAPO", "10.00"},
                  {"DIARIAS", "700.00"},     {"PENSAOREC", "900.00"},  {"LUCRODIV", "20.00"},
                  {"SOCIO", "30.00"},        {"IDENIZA", "40.00"},     {"DECIMO3RO", "4100.00"},
                  {"VALOUTRO", "150.00"},    {"VALOUTRE", "250.00"},   {"IRRF13", "310.00"},
                  {"VALRENRRA", "8000.00"},  {"VALACAO", "1000.00"},   {"VALPRERRA", "600.00"},
                  {"VALPENRRA", "400.00"},   {"VALIRFRRA", "500.00"},  {"VALMOLRRA", "200.00"},
                  {"QTDMES", "14"}},
                 {{"COMPLENTA", "MARIA SOUZA"}, {"OUTROS", "BOLSA"}, {"OUTROSEXC", "PLR"}}) +
            "\n" + line(kBia, "BIA LIMA", "BETA", "22333444000181", {{"RENDIMENT", "1000"}}) +
            "\n" + line("", "SEM CPF", "BETA", "") + "\n" +
            line("11111111112", "DIGITO ERRADO", "BETA", "") + "\n");
    ASSERT_EQ(o.import().outcome, PayrollImport::Outcome::kImported);
    int asked = 0;
    std::vector<std::string> status;
    TransferAnswers a;
    a.skip_registered = false;
    a.unknown = [&](const std::string& cpf, const std::string& name) {
        ++asked;
        EXPECT_EQ(cpf, kBia);
        EXPECT_EQ(name, "BIA LIMA");
        return Unknown::kInclude;
    };
    a.status = [&](const std::string& s) { status.push_back(s); };
    const TransferResult r = o.transfer(a);
    EXPECT_EQ(r.lines(),
              (std::vector<std::string>{"De ...........4 registros", "Saltou........0",
                                        "CPF Invalido..2", "Lancou........2", "Novos.........1"}));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(status.front(), "Transferindo o cpf 12345678909 ANA SOUZA");
    EXPECT_TRUE(o.staged().empty());

    const auto incomes = o.live(2, kAna);
    ASSERT_EQ(incomes.size(), 4u);
    const Record& j = incomes[0];
    EXPECT_EQ(j.str("I1_1"), "J");
    EXPECT_EQ(j.str("I1_2"), "ACME");
    EXPECT_EQ(j.str("I1_3"), "11.222.333/0001-81");
    std::map<std::string, std::string> want = {
        {"I1_4", "50000.00"}, {"I1_5", "4000.00"}, {"I1_6", "5000.00"}, {"I1_7", "4100.00"},
        {"I1_15", "20.00"},   {"I1_16", "30.00"},  {"I1_17", "10.00"},  {"I1_18", "900.00"},
        {"I1_30", "40.00"},   {"I1_39", "310.00"}, {"I1_9", "700.00"},  {"I1_34", "0.00"}};
    for (const auto& [f, v] : want) EXPECT_EQ(num(j, f.c_str()), v) << f;
    EXPECT_EQ(j.str("I1_35"), "DIARIAS E AJUDA DE CUSTO");
    // The further incomes, each in its own row of the payer; the last one written gets the
    // serious-illness RRA added to what it had.
    EXPECT_EQ(incomes[1].str("I1_1"), "J");
    EXPECT_EQ(incomes[1].str("I1_3"), "11.222.333/0001-81");
    EXPECT_EQ(incomes[1].str("I1_35"), "BOLSA");
    EXPECT_EQ(num(incomes[1], "I1_9"), "150.00");
    EXPECT_EQ(incomes[2].str("I1_35"), "PLR");
    EXPECT_EQ(num(incomes[2], "I1_34"), "250.00");
    EXPECT_EQ(num(incomes[2], "I1_18"), "200.00");
    const Record& rra = incomes[3];
    EXPECT_EQ(rra.str("I1_1"), "A");
    EXPECT_EQ(rra.str("I1_11"), "S");
    EXPECT_EQ(rra.str("I1_36"), "12");
    EXPECT_EQ(rra.str("TIPOCR"), "N");
    EXPECT_EQ(rra.str("I1_2"), "ACME");
    EXPECT_EQ(num(rra, "I1_21"), "14.00");
    EXPECT_EQ(num(rra, "I1_4"), "7000.00");
    EXPECT_EQ(num(rra, "I1_5"), "500.00");
    EXPECT_EQ(num(rra, "I1_6"), "600.00");
    EXPECT_EQ(num(rra, "I1_12"), "400.00");
    const auto pays = o.live(6, kAna);
    ASSERT_EQ(pays.size(), 2u);
    EXPECT_EQ(num(pays[0], "I6_3"), "30.00");
    EXPECT_EQ(pays[0].str("I6_1"), "MARIA SOUZA");
    EXPECT_EQ(num(pays[0], "I6_4"), "3000.00");
    EXPECT_EQ(num(pays[1], "I6_3"), "38.00");
    EXPECT_EQ(num(pays[1], "I6_4"), "1200.00");

    // The new taxpayer: registry record with name and status 1, and the payer's row.
    const auto reg = o.live(9, kBia);
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].str("NOMECONTR"), "BIA LIMA");
    EXPECT_EQ(num(reg[0], "ESTATUS"), "1.00");
    EXPECT_EQ(reg[0].str("NUSUAT"), "");
    ASSERT_EQ(o.live(2, kBia).size(), 1u);
    EXPECT_EQ(num(o.live(2, kBia)[0], "I1_4"), "1000.00");

    // The same file again: the rows are written over, none added.
    ASSERT_EQ(o.import().outcome, PayrollImport::Outcome::kImported);
    o.transfer(a);
    const auto again = o.live(2, kAna);
    ASSERT_EQ(again.size(), incomes.size());
    for (size_t k = 0; k < again.size(); ++k)
        EXPECT_TRUE(store::same_when_stored(again[k], incomes[k])) << k;
    EXPECT_EQ(o.live(6, kAna).size(), 2u);
}

TEST(PayrollTransfer, ThreeStatementsOfOnePayerLeaveOneRowWithTheLastValues) {
    Office o;
    o.create(kAna, "ANA");
    o.write(line(kAna, "ANA", "ACME", kCnpj, {{"RENDIMENT", "1"}, {"DIARIAS", "5"}}) + "\n" +
            line(kAna, "ANA", "ACME", "11.222.333/0001-81", {{"RENDIMENT", "2"}}) + "\n" +
            line(kAna, "ANA", "ACME NOVA", kCnpj, {{"RENDIMENT", "3"}, {"PENSAOPAG", "9"}}) + "\n");
    ASSERT_EQ(o.import().outcome, PayrollImport::Outcome::kImported);
    TransferAnswers a;
    a.skip_registered = false;
    const TransferResult r = o.transfer(a);
    EXPECT_EQ(r.written, 3u);
    const auto incomes = o.live(2, kAna);
    ASSERT_EQ(incomes.size(), 1u);
    EXPECT_EQ(incomes[0].str("I1_2"), "ACME NOVA");
    EXPECT_EQ(num(incomes[0], "I1_4"), "3.00");
    EXPECT_EQ(num(incomes[0], "I1_9"), "0.00");
    EXPECT_EQ(incomes[0].str("I1_35"), "");
    ASSERT_EQ(o.live(6, kAna).size(), 1u);
}

TEST(PayrollTransfer, AnswersSkipsRememberedChoicesAndDeclarationsInUse) {
    Office o;
    o.create(kAna, "ANA");
    const char* kCai = "52998224725";
    const char* kDan = "11144477735";
    const std::string file = line(kAna, "ANA", "ACME", kCnpj, {{"RENDIMENT", "1"}}) + "\n" +
                             line(kBia, "BIA", "ACME", kCnpj) + "\n" +
                             line(kCai, "CAI", "ACME", kCnpj) + "\n" +
                             line(kDan, "DAN", "ACME", kCnpj) + "\n";
    // "Sim - Salte o CPF" and "Pula todos": asked once, everyone skipped and unstaged.
    o.write(file);
    ASSERT_EQ(o.import().outcome, PayrollImport::Outcome::kImported);
    int asked = 0;
    TransferAnswers a;
    a.skip_registered = true;
    a.unknown = [&](const std::string&, const std::string&) {
        ++asked;
        return Unknown::kSkipAll;
    };
    TransferResult r = o.transfer(a);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r.skipped, 4u);
    EXPECT_EQ(r.written, 0u);
    EXPECT_TRUE(o.staged().empty());
    EXPECT_TRUE(o.live(2, kAna).empty());

    // "Salta" for the first, "Abandona" on the second: the rest stay staged.
    ASSERT_EQ(o.import().outcome, PayrollImport::Outcome::kImported);
    std::vector<Unknown> answers{Unknown::kSkip, Unknown::kAbandon};
    asked = 0;
    a.unknown = [&](const std::string&, const std::string&) { return answers[asked++]; };
    r = o.transfer(a);
    EXPECT_TRUE(r.abandoned);
    EXPECT_EQ(r.skipped, 2u);  // ANA registered, DAN (first in CPF order) told to skip
    EXPECT_EQ(o.staged().size(), 2u);

    // "inclui Todos" is remembered; ANA's declaration open on terminal 07 keeps its row.
    ASSERT_EQ(o.import().outcome, PayrollImport::Outcome::kImported);
    {
        store::CdxIndexFiles c(o.op);
        store::WorkAreas dw(Env::posix(), o.op, o.clock);
        dw.ARQDEF = dw.LOCARQ = o.data.path();
        dw.NUSU = "07";
        dw.index_files = &c;
        store::Declaration d(dw, {o.data.path(), "OUTRA"});
        ASSERT_TRUE(d.load(kAna, store::LoadMode::kExisting, true).is_ok());
        asked = 0;
        a.skip_registered = false;
        a.unknown = [&](const std::string&, const std::string&) {
            ++asked;
            return Unknown::kIncludeAll;
        };
        r = o.transfer(a);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(r.created, 3u);
        EXPECT_EQ(r.written, 3u);
        const auto left = o.staged();
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0].str("CPF"), kAna);
        bool told = false;
        for (const auto& l : r.report) told = told || l.find("terminal 07") != std::string::npos;
        EXPECT_TRUE(told);
        ASSERT_TRUE(d.release().is_ok());
    }
    EXPECT_TRUE(o.live(2, kAna).empty());
    EXPECT_EQ(o.live(9, kCai).size(), 1u);
}

TEST(PayrollTransfer, AnUnmaskedPayerNumberFindsTheMaskedRowAndTheRowOfAnotherPayerStays) {
    // As the group edit may leave it: the payer's number typed without its mask.
    Record st(store::table_def(kPayrollTable)->layout);
    st.set("NOMEFONTE", "ACME");
    st.set("CNPJFONTE", kCnpj);
    st.set("RENDIMENT", Decimal(7));
    std::vector<Record> incomes, payments;
    for (const char* payer : {"22.333.444/0001-81", "11.222.333/0001-81"}) {
        Record r(store::table_def(2)->layout);
        r.set("CPF", kAna);
        r.set("I1_1", "J");
        r.set("I1_3", payer);
        r.set("I1_4", Decimal(1));
        incomes.push_back(r);
    }
    std::vector<std::string> notes;
    GRAVA_VALOR(st, kAna, incomes, payments, notes);
    ASSERT_EQ(incomes.size(), 2u);
    EXPECT_EQ(num(incomes[0], "I1_4"), "1.00");
    EXPECT_EQ(incomes[1].str("I1_3"), "11.222.333/0001-81");
    EXPECT_EQ(num(incomes[1], "I1_4"), "7.00");
    EXPECT_TRUE(payments.empty());
}

TEST(PayrollCommand, ImportCheckAnswersAndTransfer) {
    Office o;
    o.create(kAna, "ANA");
    o.write(line(kAna, "ANA", "ACME", kCnpj, {{"RENDIMENT", "10"}}) + "\n" +
            line(kBia, "BIA", "ACME", kCnpj, {{"RENDIMENT", "20"}}) + "\n");
    auto run = [&](std::vector<std::string> more) {
        std::vector<std::string> a = {"--folder",       o.data.path(), "--install",
                                      o.install.path(), "--now",       "2026-04-10 09:00:00"};
        a.insert(a.end(), more.begin(), more.end());
        return import_command(a);
    };
    // Checking reads the file and writes nothing: no staging table appears.
    const auto before = o.files(o.install.path());
    Command c = run({"--from", o.source.path(), "--kind", "9.1", "--check"});
    EXPECT_EQ(o.files(o.install.path()), before);
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.out.find("pode ser importado"), std::string::npos) << c.out;
    c = run({"--from", o.source.path(), "--kind", "9.1"});
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.out.find("Importados    2 contribuintes"), std::string::npos) << c.out;
    // Staged rows are replaced only with --answer S.
    c = run({"--from", o.source.path(), "--kind", "9.1"});
    EXPECT_EQ(c.status, 2);
    EXPECT_NE(c.out.find("-> N"), std::string::npos) << c.out;
    c = run({"--from", o.source.path(), "--kind", "9.1", "--answer", "S"});
    EXPECT_EQ(c.status, 0) << c.out << c.err;
    EXPECT_EQ(run({"--kind", "9.4", "--all"}).status, 1);  // neither --all nor --cpf

    // A transfer checked changes nothing; then ANA receives hers ("N") and BIA is included.
    c = run({"--kind", "9.4", "--check", "--answer", "N", "--answer", "S"});
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(o.staged().size(), 2u);
    EXPECT_TRUE(o.live(2, kAna).empty());
    c = run({"--kind", "9.4", "--answer", "N", "--answer", "S"});
    EXPECT_EQ(c.status, 0) << c.out << c.err;
    EXPECT_NE(c.out.find("O CPF 987.654.321-00 - BIA"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("Lancou........2"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("Novos.........1"), std::string::npos) << c.out;
    EXPECT_TRUE(o.staged().empty());
    ASSERT_EQ(o.live(2, kBia).size(), 1u);
    EXPECT_EQ(num(o.live(2, kBia)[0], "I1_4"), "20.00");
}

}  // namespace
}  // namespace vorn::importing
