// The government program's declaration and receipt files: a declaration written here from the
// published positions, imported into an empty folder with every carried field compared; the
// receipts with their check digits; which of several files of a CPF is taken; a bad line that
// writes nothing; the partial kinds; and the reader's handling of encodings, line ends, short
// lines and punctuated documents.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "dec_writer.h"
#include "import_fixture.h"
#include "importing/government_file.h"

namespace vorn::importing {
namespace {

constexpr const char* kOther = "98765432100";
using namespace dec_writer;

// A current-year declaration with one record of each kind read, and record 30 that is not.
std::vector<std::string> full_declaration() {
    std::vector<std::string> l{header(2026), identification()};
    l.push_back(DecLine("17", kCpf, 100).digits(14, 26, 150000).digits(79, 91, 2500).str());
    l.push_back(DecLine("19", kCpf, 70)
                    .at(14, "11222333000181")
                    .digits(28, 40, 700)
                    .digits(41, 53, 800)
                    .digits(54, 66, 900)
                    .str());
    l.push_back(DecLine("21", kCpf, 160)
                    .at(14, "11222333000181")
                    .at(28, "EMPRESA ALFA LTDA")
                    .digits(88, 100, 12000000)
                    .digits(101, 113, 990000)
                    .digits(114, 126, 1000000)
                    .digits(127, 139, 1500000)
                    .digits(148, 160, 120000)
                    .str());
    l.push_back(DecLine("32", kCpf, 171)
                    .at(14, "11144477735")
                    .at(25, "44555666000199")
                    .at(39, "BETA SA")
                    .digits(99, 111, 300000)
                    .digits(138, 150, 10000)
                    .str());
    l.push_back(DecLine("23", kCpf, 30).at(16, "03").digits(18, 30, 4321).str());
    l.push_back(DecLine("23", kCpf, 30).at(16, "03").digits(18, 30, 1000).str());
    l.push_back(DecLine("23", kCpf, 30).at(16, "10").digits(18, 30, 777).str());
    l.push_back(DecLine("25", kCpf, 213)
                    .at(14, "00001")
                    .at(19, "21")
                    .at(21, "JOÃO SOUZA")
                    .at(81, "15082010")
                    .at(89, "11144477735")
                    .at(100, "N")
                    .at(112, "S")
                    .at(113, "joao@exemplo.com")
                    .at(203, "11912345678")
                    .str());
    l.push_back(DecLine("26", kCpf, 661)
                    .at(14, "10")
                    .at(16, "00001")
                    .at(21, "390.533.447-05")
                    .at(35, "HOSPITAL BOM")
                    .digits(106, 118, 250000)
                    .digits(119, 131, 1000)
                    .digits(132, 144, 500)
                    .at(147, "CONSULTA")
                    .at(659, "105")
                    .str());
    l.push_back(DecLine("34", kCpf, 100)
                    .at(14, "33444555000166")
                    .at(28, "CANDIDATO X")
                    .digits(88, 100, 5000)
                    .str());
    l.push_back(DecLine("27", kCpf, 1185)
                    .at(14, "11")
                    .at(17, "105")
                    .at(20, "APARTAMENTO NA RUA DAS FLORES")
                    .digits(532, 544, 20000000)
                    .digits(545, 557, 21000000)
                    .at(558, "RUA DAS FLORES")
                    .at(598, "120")
                    .at(644, "CENTRO")
                    .at(684, "01310100")
                    .at(693, "SP")
                    .at(699, "SAO PAULO")
                    .at(740, "MAT 99")
                    .at(897, "01022015")
                    .at(1101, "01")
                    .at(1103, "S")
                    .str());
    l.push_back(DecLine("28", kCpf, 566)
                    .at(14, "11")
                    .at(16, "EMPRESTIMO BANCO")
                    .digits(528, 540, 100000)
                    .digits(541, 553, 50000)
                    .digits(554, 566, 50000)
                    .str());
    l.push_back(DecLine("22", kCpf, 157)
                    .at(26, "03")
                    .digits(28, 40, 300000)
                    .digits(41, 53, 150000)
                    .digits(119, 131, 20000)
                    .digits(145, 157, 7000)
                    .str());
    l.push_back(DecLine("49", kCpf, 61)
                    .at(25, "03")
                    .at(27, "22233344405")
                    .at(38, kCpf)
                    .digits(49, 61, 200000)
                    .str());
    l.push_back(DecLine("30", kCpf, 300).at(14, "qualquer coisa").str());
    l.push_back(t9());
    return l;
}

void write(const Folder& f, const std::string& name, const std::string& bytes) {
    std::ofstream(f.source.file(name), std::ios::binary) << bytes;
}

std::vector<ImportResult> run_answering(Folder& f, ImportKind kind, std::vector<Passed>* passed,
                                        bool answer = false) {
    std::vector<Candidate> cs;
    std::vector<Passed> p;
    EXPECT_TRUE(
        gather_candidates(Env::posix(), kind, f.source.path(), f.data.path(), &cs, &p).is_ok());
    if (passed) *passed = p;
    ImportRequest rq = f.request(kind);
    rq.ask = [answer](const std::vector<std::string>&) { return answer; };
    std::vector<ImportResult> out;
    for (const auto& c : cs) out.push_back(import_file(Env::posix(), rq, c, f.op));
    return out;
}

const Record* find_kind(const std::vector<Record>& rows, const char* kind,
                        const char* payer = nullptr) {
    for (const auto& r : rows)
        if (r.str("I1_1") == kind && (!payer || r.str("I1_3") == payer)) return &r;
    return nullptr;
}

TEST(GovernmentImport, EveryCarriedFieldReachesAnEmptyFolderAndASecondImportChangesNothing) {
    Folder f;
    write(f, "12345678909-IRPF-A-2026-2025-ORIGI.DEC", join(full_declaration()));
    auto first = run_answering(f, ImportKind::kGovAll, nullptr);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(first[0].outcome, ImportResult::Outcome::kImported) << first[0].text;
    EXPECT_NE(first[0].text.find("registro 30 não importado (1)"), std::string::npos)
        << first[0].text;

    const Record reg = f.live(9, kCpf).at(0);
    EXPECT_EQ(reg.str("NOMECONTR"), "ANA MARIA SOUZA");
    const std::pair<const char*, const char*> texts[] = {{"TIPOEND", "RUA"},
                                                         {"ENDERECO", "DAS FLORES"},
                                                         {"NUMERO", "120"},
                                                         {"COMPLEM", "APTO 3"},
                                                         {"BAIRRO", "CENTRO"},
                                                         {"CEP", "01310100"},
                                                         {"CODMUNI", "7107"},
                                                         {"MUNICIPIO", "SÃO PAULO"},
                                                         {"UF", "SP"},
                                                         {"CODPAIS", "105"},
                                                         {"EMAIL", "ana@exemplo.com.br"},
                                                         {"NIT_TIT", "12345678901"},
                                                         {"CPFCONJU", "98765432100"},
                                                         {"DDDTEL", "11"},
                                                         {"TITULO", "1234567890123"},
                                                         {"CDPRO", "225"},
                                                         {"CODAT", "11"},
                                                         {"USAPADRAO", "N"},
                                                         {"RETIFICA", "N"},
                                                         {"NOVOEND", "S"},
                                                         {"BANCO", "001"},
                                                         {"AGENCIA", "1234"},
                                                         {"DEBITAUT", "S"},
                                                         {"REGPROF", "CRM 12345"},
                                                         {"DDDFAX", "11"},
                                                         {"TELCELU", "987654321"},
                                                         {"TELEFO", "33334444"},
                                                         {"CONTACO", "        543217"},
                                                         {"EBRASIL", "S"},
                                                         {"EXTERIOR", "N"},
                                                         {"E_INVALIDO", "N"},
                                                         {"CGCPAGADOR", "11222333000181"}};
    for (const auto& [field, want] : texts) EXPECT_EQ(reg.str(field), trim_right(want)) << field;
    EXPECT_EQ(reg.str("RECIBOATU"), with_checks("1234567890"));
    EXPECT_EQ(reg.str("RECIBOANT"), with_checks("5555555555"));
    EXPECT_EQ(reg.date("NASCIMENTO"), Date(1980, 3, 5));
    EXPECT_EQ(reg.num("QTD_QUOTA"), Decimal(8));
    EXPECT_EQ(reg.num("TIPOCONTA"), Decimal(1));

    const Record sum = f.live(1, kCpf).at(0);
    EXPECT_EQ(sum.str("DecFinal"), "N");
    EXPECT_EQ(sum.num("I3_02"), Decimal::from("53.21"));  // two records of code 03 add up
    // What the computation derives from the items again is told when the file differs.
    EXPECT_EQ(sum.num("I3_06"), Decimal(0));
    EXPECT_NE(std::find(first[0].notes.begin(), first[0].notes.end(),
                        "I3_06: 7.77 do arquivo, 0.00 pelo cálculo da declaração"),
              first[0].notes.end());

    const auto incomes = f.live(2, kCpf);
    const Record* j = find_kind(incomes, "J");
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(j->str("I1_3"), "11222333000181");
    EXPECT_EQ(j->str("I1_2"), "EMPRESA ALFA LTDA");
    EXPECT_EQ(j->num("I1_4"), Decimal::from("120000.00"));
    EXPECT_EQ(j->num("I1_6"), Decimal::from("9900.00"));
    EXPECT_EQ(j->num("I1_7"), Decimal::from("10000.00"));
    EXPECT_EQ(j->num("I1_5"), Decimal::from("15000.00"));
    EXPECT_EQ(j->num("I1_39"), Decimal::from("1200.00"));
    const Record* dep = find_kind(incomes, "D");
    ASSERT_NE(dep, nullptr);
    EXPECT_EQ(dep->str("I1_8"), "11144477735");
    EXPECT_EQ(dep->str("I1_3"), "44555666000199");
    EXPECT_EQ(dep->num("I1_4"), Decimal::from("3000.00"));
    EXPECT_EQ(dep->num("I1_5"), Decimal::from("100.00"));
    // March's individuals: 3,000.00, of which 2,000.00 named by its payer in record 49.
    const Record* named = find_kind(incomes, "F", "22233344405");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->num("I1_403"), Decimal::from("2000.00"));
    EXPECT_EQ(named->str("I1_40"), kCpf);
    Decimal work, rent;
    for (const auto& r : incomes)
        if (r.str("I1_1") == "F" && r.str("I1_3").empty())
            (r.str("I1_41") == "A" ? rent : work) += r.num("I1_403");
    EXPECT_EQ(work, Decimal::from("1000.00"));
    EXPECT_EQ(rent, Decimal::from("1500.00"));
    ASSERT_NE(find_kind(incomes, "P"), nullptr);
    EXPECT_EQ(find_kind(incomes, "P")->num("I1_4"), Decimal::from("200.00"));
    ASSERT_NE(find_kind(incomes, "I"), nullptr);
    EXPECT_EQ(find_kind(incomes, "I")->num("I1_403"), Decimal::from("70.00"));

    const Record dependant = f.live(3, kCpf).at(0);
    EXPECT_EQ(dependant.str("NOMEDEPEN"), "JOÃO SOUZA");
    EXPECT_EQ(dependant.num("CODIDEPEN"), Decimal(21));
    EXPECT_EQ(dependant.num("NRODEPEN"), Decimal(1));
    EXPECT_EQ(dependant.date("DATADEPEN"), Date(2010, 8, 15));
    EXPECT_EQ(dependant.str("CPFDEPEN"), "11144477735");
    EXPECT_EQ(dependant.str("MORAJUNT"), "S");
    EXPECT_EQ(dependant.str("EMAIL_DEPE"), "joao@exemplo.com");
    EXPECT_EQ(dependant.str("TEL_DEPEN"), "11912345678");

    const auto payments = f.live(6, kCpf);
    ASSERT_EQ(payments.size(), 2u);
    EXPECT_EQ(payments[0].num("I6_3"), Decimal(10));
    EXPECT_EQ(payments[0].str("I6_2"), "39053344705");  // punctuation dropped
    EXPECT_EQ(payments[0].str("I6_1"), "HOSPITAL BOM");
    EXPECT_EQ(payments[0].num("I6_4"), Decimal::from("2500.00"));
    EXPECT_EQ(payments[0].num("I6_5"), Decimal::from("15.00"));
    EXPECT_EQ(payments[0].str("I6_9"), "CONSULTA");
    EXPECT_EQ(payments[1].num("I6_3"), Decimal(98));
    EXPECT_EQ(payments[1].num("I6_4"), Decimal::from("50.00"));

    const Record a = f.live(4, kCpf).at(0);
    EXPECT_EQ(a.str("I7_2"), "APARTAMENTO NA RUA DAS FLORES");
    EXPECT_EQ(a.str("GRPO"), "01");
    EXPECT_EQ(a.str("CODB"), "11");
    EXPECT_EQ(a.num("I7_3"), Decimal::from("200000.00"));
    EXPECT_EQ(a.num("I7_9"), Decimal::from("200000.00"));
    EXPECT_EQ(a.num("I7_4"), Decimal::from("210000.00"));
    EXPECT_EQ(a.str("ENDEIMO"), "RUA DAS FLORES");
    EXPECT_EQ(a.str("CEPIMO"), "01310100");
    EXPECT_EQ(a.str("MATRICU"), "MAT 99");
    EXPECT_EQ(a.date("DATA_IMO"), Date(2015, 2, 1));
    EXPECT_TRUE(a.logical("FLAG2"));
    EXPECT_EQ(a.str("I7_7"), "");

    const Record debt = f.live(5, kCpf).at(0);
    EXPECT_EQ(debt.num("I8_5"), Decimal(11));
    EXPECT_EQ(debt.str("I8_2"), "EMPRESTIMO BANCO");
    EXPECT_EQ(debt.num("I8_3"), Decimal::from("1000.00"));
    EXPECT_EQ(debt.num("I8_4"), Decimal::from("500.00"));
    EXPECT_EQ(debt.num("I8_7"), Decimal::from("500.00"));

    const auto tables = f.items();
    auto second = run_answering(f, ImportKind::kGovAll, nullptr);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].outcome, ImportResult::Outcome::kExisting) << second[0].text;
    EXPECT_EQ(f.items(), tables);

    // A file that differs only in a summary value the computation keeps is written.
    auto lines = full_declaration();
    for (auto& l : lines)
        if (l.rfind("23", 0) == 0 && l.substr(15, 2) == "03")
            l = DecLine("23", kCpf, 30).at(16, "03").digits(18, 30, 100).str();
    write(f, "12345678909-IRPF-A-2026-2025-ORIGI.DEC", join(lines));
    auto third = run_answering(f, ImportKind::kGovAll, nullptr);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(third[0].outcome, ImportResult::Outcome::kImported) << third[0].text;
    EXPECT_EQ(f.live(1, kCpf).at(0).num("I3_02"), Decimal::from("2.00"));
}

TEST(GovernmentImport, TheLatestDeclarationOfACpfIsTakenWhicheverNameComesFirst) {
    for (const bool rectifier_first : {true, false}) {
        SCOPED_TRACE(rectifier_first ? "rectifier listed first" : "original listed first");
        Folder f;
        auto original = full_declaration();
        auto rectifier = full_declaration();
        rectifier[0] = header(2026, true, "2222222222", "1234567890");
        rectifier[1] = identification(kCpf, "ANA RETIFICADA");
        write(f, rectifier_first ? "A.DEC" : "B.DEC", join(rectifier));
        write(f, rectifier_first ? "B.DEC" : "A.DEC", join(original));
        std::vector<Passed> passed;
        auto done = run_answering(f, ImportKind::kGovAll, &passed);
        ASSERT_EQ(done.size(), 1u);
        EXPECT_EQ(done[0].outcome, ImportResult::Outcome::kImported) << done[0].text;
        EXPECT_EQ(f.live(9, kCpf).at(0).str("NOMECONTR"), "ANA RETIFICADA");
        EXPECT_EQ(f.live(9, kCpf).at(0).str("NRORECIBO"), with_checks("1234567890"));
        ASSERT_EQ(passed.size(), 1u);
        EXPECT_EQ(passed[0].file, rectifier_first ? "B.DEC" : "A.DEC");
    }
}

TEST(GovernmentImport, ABadLastLineOrAMissingEndWritesNothing) {
    const std::vector<std::string> endings[] = {
        {DecLine("28", kCpf, 200).at(14, "11").str(), t9()},        // shorter than its fields
        {DecLine("21", kCpf, 160).at(88, "12X").str(), t9()},       // an amount with a letter
        {DecLine("21", kOther, 160).str(), t9()},                   // another taxpayer's
        {DecLine("25", kCpf, 213).at(81, "31022010").str(), t9()},  // no such date
        {DecLine("28", kCpf, 566).str()},                           // no "T9"
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.front().substr(0, 40));
        Folder f;
        f.create(kCpf, "ANA SOUZA");
        f.create(kOther, "BIA LIMA");
        const auto before = f.bytes();
        auto lines = full_declaration();
        lines.pop_back();
        lines.insert(lines.end(), ending.begin(), ending.end());
        write(f, "ana.DEC", join(lines));
        // Checking at gathering passes the file over; importing it anyway refuses it.
        std::vector<Passed> passed;
        EXPECT_TRUE(run_answering(f, ImportKind::kGovAll, &passed).empty());
        ASSERT_EQ(passed.size(), 1u);
        EXPECT_NE(passed[0].reason.find("linha"), std::string::npos) << passed[0].reason;
        Candidate c{f.source.file("ana.DEC"), "ana.DEC", kCpf, "ANA SOUZA", "IRPF ORIGI26", true};
        const auto r = import_file(Env::posix(), f.request(ImportKind::kGovAll), c, f.op);
        EXPECT_EQ(r.outcome, ImportResult::Outcome::kRefused);
        EXPECT_EQ(f.bytes(), before);
    }
}

TEST(GovernmentImport, AnotherYearsHeaderMakesNoCandidateAndLastYearsResetsTheStatus) {
    Folder f;
    f.create(kCpf, "ANA SOUZA");
    auto old = full_declaration();
    old[0] = header(2024);
    write(f, "old.DEC", join(old));
    std::vector<Passed> passed;
    EXPECT_TRUE(run_answering(f, ImportKind::kGovAll, &passed).empty());
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_NE(passed[0].reason.find("2024"), std::string::npos);

    // Last year's file: its receipt becomes the previous one, the current-year fields stay out.
    auto last = full_declaration();
    last[0] = header(2025, false, "7777777777");
    write(f, "old.DEC", join(last));
    auto done = run_answering(f, ImportKind::kGovAll, nullptr);
    ASSERT_EQ(done.size(), 1u);
    ASSERT_EQ(done[0].outcome, ImportResult::Outcome::kImported) << done[0].text;
    const Record reg = f.live(9, kCpf).at(0);
    EXPECT_EQ(reg.str("RECIBOANT"), with_checks("7777777777"));
    EXPECT_EQ(reg.num("ESTATUS"), Decimal(1));
    EXPECT_EQ(reg.str("NOVOEND"), "N");
    EXPECT_EQ(f.live(1, kCpf).at(0).num("I3_02"), Decimal(0));
    EXPECT_NE(done[0].text.find("registro 23 não importado"), std::string::npos);
    // The options of this year's file only refuse it.
    for (ImportKind k : {ImportKind::kGovIncome, ImportKind::kGovNewAssets}) {
        auto r = run_answering(f, k, nullptr);
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].text, "Essa opção é valida só para o ANO 2026");
    }
}

TEST(GovernmentImport, ReceiptsOnlyWithTheReceiptFileIntoTheRegistryAndNotes) {
    Folder f;
    f.create(kCpf, "ANA SOUZA", [](store::Declaration& d) { d.values().set("CEP", "99999999"); });
    write(f, "ana.DEC", join(full_declaration()));
    std::string rec;
    rec += DecLine("RC", "", 30).at(17, "28").at(19, "04").at(21, "2026").str() + "\r\n";
    rec += DecLine("NC", "", 153)
               .at(130, "2026")
               .at(134, "06")
               .at(136, "15")
               .at(138, "02")
               .digits(140, 153, 16554)
               .str() +
           "\r\n";
    rec += DecLine("VC", "", 25).at(3, "00101").at(8, "002").at(11, "1").at(12, "01072026").str() +
           "\r\n";
    rec += "MC" + std::string(80, 'a') + " fim" + std::string(14, '#') + "\r\n";
    rec += "TC\r\n";
    write(f, "ana.REC", rec);
    for (int pass = 0; pass < 2; ++pass) {
        auto done = run_answering(f, ImportKind::kGovReceipts, nullptr);
        ASSERT_EQ(done.size(), 1u);
        EXPECT_EQ(done[0].outcome,
                  pass == 0 ? ImportResult::Outcome::kImported : ImportResult::Outcome::kExisting)
            << done[0].text;
    }
    const Record reg = f.live(9, kCpf).at(0);
    EXPECT_EQ(reg.str("RECIBOATU"), with_checks("1234567890"));
    EXPECT_EQ(reg.str("CEP"), "99999999");  // only the receipts
    EXPECT_EQ(reg.date("DENTREGA"), Date(2026, 4, 28));
    EXPECT_EQ(reg.num("NRETIF"), Decimal(2));
    EXPECT_EQ(reg.str("RETIFICA"), "S");
    std::vector<std::string> notes;
    for (const auto& r : f.live(11, kCpf)) {
        EXPECT_EQ(r.num("CODERR"), Decimal(0));
        notes.push_back(r.str("OBSERV"));
    }
    const std::vector<std::string> want{
        "Existe multa de R$ 165,54 datado de 15/06/2026 com 2 meses de atraso",
        "Existe pendencia na declaracao de 2023",
        "Existe pendencia na declaracao de 2025",
        "Existe Debito pendente na Receita Federal em 01/07/2026",
        std::string(75, 'a'),
        "aaaaa fim"};
    EXPECT_EQ(notes, want);
}

TEST(GovernmentImport, PartialKindsTouchOnlyTheirTables) {
    Folder f;
    f.create(kCpf, "ANA SOUZA", [](store::Declaration& d) {
        Record a(store::table_def(4)->layout);
        a.set("CPF", kCpf);
        a.set("I7_0", Decimal(10));
        a.set("I7_1", Decimal(1));
        a.set("GRPO", "01");
        a.set("CODB", "11");
        a.set("I7_2", "apartamento  na rua das flores");
        ASSERT_TRUE(d.working(4)->append(&a).is_ok());
        Record rra(store::table_def(2)->layout);
        rra.set("CPF", kCpf);
        rra.set("I1_1", "A");
        rra.set("I1_4", Decimal(5));
        ASSERT_TRUE(d.working(2)->append(&rra).is_ok());
        Record p(store::table_def(6)->layout);
        p.set("CPF", kCpf);
        p.set("I6_3", Decimal(26));
        ASSERT_TRUE(d.working(6)->append(&p).is_ok());
    });
    auto lines = full_declaration();
    lines.insert(lines.end() - 1, DecLine("27", kCpf, 1185).at(14, "21").at(20, "CARRO").str());
    write(f, "ana.DEC", join(lines));
    const auto before = f.items();

    // Only new assets: the apartment is there already (case and blanks aside), the car is added.
    auto r = run_answering(f, ImportKind::kGovNewAssets, nullptr);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].text, "1 bens novos, 1 já existentes");
    const auto assets = f.live(4, kCpf);
    ASSERT_EQ(assets.size(), 2u);
    EXPECT_EQ(assets[1].str("I7_2"), "CARRO");
    EXPECT_EQ(assets[1].num("I7_0"), Decimal(20));
    EXPECT_EQ(f.items().at(6), before.at(6));

    // Payments replaced, incomes untouched.
    r = run_answering(f, ImportKind::kGovPayments, nullptr);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(f.live(6, kCpf).size(), 2u);
    EXPECT_EQ(f.items().at(2), before.at(2));

    // Income: the accumulated-income item, which the file does not give, stays.
    r = run_answering(f, ImportKind::kGovIncome, nullptr);
    ASSERT_EQ(r.size(), 1u);
    const auto incomes = f.live(2, kCpf);
    EXPECT_NE(find_kind(incomes, "A"), nullptr);
    EXPECT_NE(find_kind(incomes, "J"), nullptr);
    EXPECT_EQ(f.live(1, kCpf).at(0).num("I3_02"), Decimal::from("53.21"));

    // Individuals: the company income stays, the Carnê-Leão is computed automatically.
    r = run_answering(f, ImportKind::kGovIndividual, nullptr);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_NE(find_kind(f.live(2, kCpf), "J"), nullptr);
    EXPECT_EQ(f.live(1, kCpf).at(0).num("CAL_AUTO"), Decimal(1));

    // A taxpayer missing from every folder: the kind's own refusal.
    Folder empty;
    write(empty, "ana.DEC", join(lines));
    std::vector<Passed> passed;
    EXPECT_TRUE(run_answering(empty, ImportKind::kGovPayments, &passed).empty());
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_EQ(passed[0].reason,
              "O contribuinte ANA MARIA SOUZA não foi localizado em nenhum das pastas logo não "
              "será possível gravar os pagamentos e doações efetuados");
}

TEST(GovernmentImport, AFinalEstateDeclarationComesInOnlyAsARectificationWhenAsked) {
    for (const bool answer : {false, true}) {
        Folder f;
        auto lines = full_declaration();
        lines[0] = header(2026, false, "1234567890", "", "2421");
        write(f, "espolio.DEC", join(lines));
        auto r = run_answering(f, ImportKind::kGovAll, nullptr, answer);
        ASSERT_EQ(r.size(), 1u);
        if (!answer) {
            EXPECT_EQ(r[0].outcome, ImportResult::Outcome::kRefused);
            EXPECT_TRUE(f.live(9, kCpf).empty());
        } else {
            EXPECT_EQ(r[0].outcome, ImportResult::Outcome::kImported) << r[0].text;
            EXPECT_EQ(f.live(9, kCpf).at(0).str("RETIFICA"), "S");
        }
    }
}

TEST(GovernmentFileReader, PositionsCountCharactersWhateverTheEncodingAndLineEnd) {
    const auto lines = full_declaration();
    const GovernmentFile utf8 = read_government_file(join(lines), 2026);
    ASSERT_TRUE(utf8.notes.bad.empty()) << utf8.notes.bad[0].reason;
    // The same file in Windows-1252 with LF ends reads the same.
    const GovernmentFile cp1252 = read_government_file(to_cp1252(join(lines, "\n")), 2026);
    ASSERT_TRUE(cp1252.notes.bad.empty()) << cp1252.notes.bad[0].reason;
    ASSERT_EQ(cp1252.values.size(), utf8.values.size());
    for (size_t k = 0; k < utf8.values.size(); ++k) {
        EXPECT_EQ(cp1252.values[k].first, utf8.values[k].first);
        EXPECT_TRUE(cp1252.values[k].second == utf8.values[k].second) << utf8.values[k].first;
    }
    EXPECT_EQ(utf8.dependants.at(0).str("NOMEDEPEN"), "JOÃO SOUZA");
    EXPECT_EQ(cp1252.dependants.at(0).str("NOMEDEPEN"), "JOÃO SOUZA");
    EXPECT_EQ(utf8.dependants.at(0).date("DATADEPEN"), Date(2010, 8, 15));
    EXPECT_EQ(utf8.records.at("16"), 1);
    EXPECT_EQ(utf8.unread.at("30"), 1);

    // A first record other than the identification.
    auto wrong = lines;
    std::swap(wrong[1], wrong[2]);
    const GovernmentFile w = read_government_file(join(wrong), 2026);
    ASSERT_FALSE(w.notes.bad.empty());
    EXPECT_EQ(w.notes.bad[0].reason, "Leiaute diferente do esperado.Não é possível importar");
    // An empty file and a header alone.
    EXPECT_FALSE(read_government_file("", 2026).notes.bad.empty());
    EXPECT_FALSE(read_government_file(header(2026), 2026).notes.bad.empty());
}

TEST(GovernmentFileReader, TheHeadersReceiptsTakeTwoCheckDigits) {
    const auto h = read_government_header(header(2026, true, "1234567890", "0000000001"));
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->exercise, 2026);
    EXPECT_TRUE(h->rectifying);
    EXPECT_EQ(h->receipt, with_checks("1234567890"));
    EXPECT_EQ(h->receipt.size(), 12u);
    EXPECT_EQ(h->rectified, with_checks("0000000001"));
    EXPECT_EQ(h->previous, with_checks("5555555555"));
    // Absent or not ten digits: no receipt.
    const auto blank = read_government_header(header(2026, false, "          ", "12345X7890"));
    ASSERT_TRUE(blank.has_value());
    EXPECT_EQ(blank->receipt, "");
    EXPECT_EQ(blank->rectified, "");
    EXPECT_FALSE(read_government_header("IRPF    20X6").has_value());
}

TEST(ReceiptFileReader, BadRecordsAreRefusedAndAnEmptyFileGivesNothing) {
    EXPECT_TRUE(read_receipt_file("", 2026).notes.empty());
    EXPECT_FALSE(read_receipt_file("RC 123\r\n", 2026).bad.bad.empty());    // short
    EXPECT_FALSE(read_receipt_file("XX\r\n", 2026).bad.bad.empty());        // unknown
    EXPECT_FALSE(read_receipt_file("TC\r\nRC\r\n", 2026).bad.bad.empty());  // after the end
    const std::string vc = DecLine("VC", "", 25).at(8, "0A1").str();
    EXPECT_FALSE(read_receipt_file(vc, 2026).bad.bad.empty());
}

}  // namespace
}  // namespace vorn::importing
