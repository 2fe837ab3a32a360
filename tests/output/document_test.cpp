// The declaration document: value forms and escaping, single attributes, the golden documents of
// typical declarations (each also read back by an XML parser), the warnings and drops reported,
// the refusals, the namespace lookup and the replacement of a written document.
#include "output/document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <pugixml.hpp>

#include "../tax/builder.h"
#include "output/document_format.h"
#include "rural/result.h"
#include "store/catalogue.h"
#include "store/env.h"
#include "tax/annual.h"

namespace vorn::output {
namespace {

namespace fs = std::filesystem;
using tax::testing::Builder;
using tax::testing::D;

TEST(DocumentFormat, ValueFormsAndTheirEmptyForms) {
    EXPECT_EQ(fmt::amount(D("0")), "0,00");
    EXPECT_EQ(fmt::amount(D("1234567.8")), "1.234.567,80");
    EXPECT_EQ(fmt::amount(D("-1234.56")), "-1.234,56");
    EXPECT_EQ(fmt::amount(D("-0.004")), "0,00");
    EXPECT_EQ(fmt::amount(D("123456789012345.67")), "123.456.789.012.345,67");
    EXPECT_EQ(fmt::amount(D("999.995")), "1.000,00");
    EXPECT_EQ(fmt::whole(D("1234")), "1.234");
    EXPECT_EQ(fmt::whole(D("0")), "0");
    EXPECT_EQ(fmt::one_decimal(D("12.5")), "12,5");
    EXPECT_EQ(fmt::one_decimal(D("0")), "0");
    EXPECT_EQ(fmt::digits(D("1234")), "1234");
    EXPECT_EQ(fmt::zero5(7), "00007");
    EXPECT_EQ(fmt::zero5(112), "00112");
    EXPECT_EQ(fmt::two("7"), "07");
    EXPECT_EQ(fmt::two("12"), "12");
    EXPECT_EQ(fmt::two("A"), "A");
    EXPECT_EQ(fmt::date(Date()), "  /  /    ");
    EXPECT_EQ(fmt::date(Date(2025, 3, 9)), "09/03/2025");
    EXPECT_EQ(fmt::cpf("12345678909"), "123.456.789-09");
    EXPECT_EQ(fmt::cpf(""), "   .   .   -  ");
    EXPECT_EQ(fmt::cnpj("11222333000181"), "11.222.333/0001-81");
    EXPECT_EQ(fmt::cep("80010000"), "80010-000");
    // Text for the government program loses its accents and symbols; "&" becomes "e".
    EXPECT_EQ(fmt::text("  JOÃO & MARIA Ç  "), "JOAO e MARIA C");
    EXPECT_EQ(fmt::text("   "), "");
}

TEST(DocumentFormat, EveryValueIsEscapedAndControlCharactersAreBlanks) {
    EXPECT_EQ(fmt::escape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(fmt::escape(std::string("x\ty\nz\x01w\x7f", 8)), "x y z w ");
    EXPECT_EQ(fmt::escape("São"), "São");
    // Characters no XML document may hold: an encoded surrogate, U+FFFE, U+FFFF.
    EXPECT_EQ(fmt::escape("a\xED\xA0\x80"
                          "b\xEF\xBF\xBE"
                          "c\xEF\xBF\xBF"
                          "d\xEF\xBF\xBD"),
              "a b c d\xEF\xBF\xBD");
}

TEST(DocumentFormat, AnAttributeSetTwiceIsWrittenOnceAtItsFirstPlaceWithTheLaterValue) {
    fmt::Element e("partilha");
    e.set("a", "1").set("tipoJudicial", "1").set("b", "2").set("tipoJudicial", "0");
    std::string out;
    e.write(out, false);
    EXPECT_EQ(out, R"(<partilha a="1" tipoJudicial="0" b="2"/>)");
    out.clear();
    e.write(out, true);
    EXPECT_EQ(out, R"(<partilha a="1" tipoJudicial="0" b="2">)");
}

constexpr const char* kNs = "http://www.exemplo.test/irpf";

DocumentContext context() {
    DocumentContext c;
    c.xmlns = kNs;
    c.now = DateTime{Date(2026, 4, 20), 10 * 3600 + 5 * 60 + 7};
    c.countries = {{"249", "Estados Unidos"}, {"105", "Brasil"}};
    c.municipalities = {{"CURITIBA|PR", "7535"}, {"SAO PAULO|SP", "7107"}};
    return c;
}

// A resident employee of Curitiba.
Builder employee(const char* cpf = "12345678909") {
    Builder b(cpf);
    b.d.set("NOMECONTR", "JOSÉ DA SILVA");
    b.d.set("TIPOEND", "rua");
    b.d.set("ENDERECO", "DAS FLORES");
    b.d.set("NUMERO", "100");
    b.d.set("BAIRRO", "CENTRO");
    b.d.set("CEP", "80010000");
    b.d.set("MUNICIPIO", "CURITIBA");
    b.d.set("UF", "PR");
    b.d.set("DDDTEL", "41");
    b.d.set("TELEFO", "32221111");
    b.d.set("NASCIMENTO", Date(1980, 5, 17));
    b.d.set("CDPRO", "212");
    b.d.set("CODAT", "11");
    b.d.set("EXTERIOR", "N");
    b.d.set("EBRASIL", "S");
    b.company("85000.00", "9500.00", "9000.00", "7000.00");
    return b;
}

Document compute_and_build(Builder& b, Date today = Date(2026, 4, 20)) {
    tax::testing::Session s(b.d, today);
    tax::compute_declaration(s.ctx);
    DocumentContext c = context();
    c.now.date = today;
    Document doc;
    const Status st = build_document(b.d, {}, {}, c, &doc);
    EXPECT_TRUE(st) << st.message();
    return doc;
}

std::string golden_path(const std::string& name) {
    return std::string(VORN_SOURCE_DIR) + "/tests/data/document/" + name + ".xml";
}

// The document well-formed (parsed back), in one line after the header line, and equal to its
// golden file; UPDATE_GOLDEN=1 writes the file instead.
void check_golden(const std::string& name, const Document& doc) {
    const std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    ASSERT_EQ(doc.text.substr(0, header.size()), header);
    EXPECT_EQ(doc.text.find_first_of("\r\n", header.size()), std::string::npos);
    pugi::xml_document xml;
    const auto r = xml.load_buffer(doc.text.data(), doc.text.size());
    ASSERT_TRUE(r) << name << ": " << r.description() << " at " << r.offset;
    EXPECT_STREQ(xml.document_element().name(), "classe");
    const std::string path = golden_path(name);
    if (std::getenv("UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << doc.text;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << path << " (run with UPDATE_GOLDEN=1)";
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(doc.text, want.str()) << name;
}

std::vector<std::string> notes_of(const Document& doc, DocumentNote::Kind k) {
    std::vector<std::string> out;
    for (const auto& n : doc.notes)
        if (n.kind == k) out.push_back(n.text);
    return out;
}

pugi::xml_document parse(const Document& doc) {
    pugi::xml_document xml;
    EXPECT_TRUE(xml.load_buffer(doc.text.data(), doc.text.size()));
    return xml;
}

TEST(DocumentGolden, Employee) {
    Builder b = employee();
    const Document doc = compute_and_build(b);
    check_golden("employee", doc);
    EXPECT_TRUE(doc.notes.empty());
    pugi::xml_document xml = parse(doc);
    const auto root = xml.document_element();
    EXPECT_STREQ(root.attribute("xmlns").as_string(), kNs);
    EXPECT_EQ(root.select_nodes("//identificadorDec").size(), 1u);
    EXPECT_EQ(root.select_nodes("//identificadorDeclaracao").size(), 1u);
    EXPECT_STREQ(root.last_child().name(), "copiaIdentificador");
    EXPECT_STREQ(root.child("contribuinte").attribute("municipio").as_string(), "7535");
    EXPECT_STREQ(root.child("contribuinte").attribute("tipoLogradouro").as_string(), "RUA");
    // No dependant: the collection opens and closes at once.
    EXPECT_NE(doc.text.find("<dependentes tipoItens=\"serpro.ppgd.irpf.dependentes.Dependente\">"
                            "</dependentes>"),
              std::string::npos);
    EXPECT_STREQ(root.child("rendPJ")
                     .child("colecaoRendPJTitular")
                     .attribute("totaisRendRecebidoPJ")
                     .as_string(),
                 "85.000,00");
}

TEST(DocumentGolden, FamilyWithDependantsAndAlimonyRecipients) {
    Builder b = employee("52998224725");
    b.dependant(1, "11144477735", Date(2010, 2, 3), 1, "MARIA & FILHA").set("MORAJUNT", "S");
    auto& deed = b.dependant(98, "22233344405", Date(2012, 6, 1), 2, "PEDRO");
    deed.set("ESCRPAL", "S");
    deed.set("DEJUDAL", "S");
    deed.set("DTLAVAL", Date(2020, 1, 10));
    deed.set("CARTOAL", "CARTÓRIO DO 1º OFÍCIO");
    deed.set("CARCNPJ", "11222333000181");
    deed.set("FOLHAAL", "12");
    deed.set("LIVROAL", "3");
    deed.set("UFCARAL", "PR");
    deed.set("DTDJUAL", Date(2019, 12, 1));
    deed.set("COMARAL", "CURITIBA");
    deed.set("NROPRAL", "0001234-56.2019.8.16.0001");
    deed.set("UFJUDAL", "PR");
    auto& other = b.dependant(99, "33344455506", Date(2015, 9, 9), 3, "ANA");
    other.set("TIT_DEPE", "D");
    other.set("CPFRESPON", "11144477735");
    b.payment(30, "12000.00", "0", 2).set("I6_2", "22233344405");
    const Document doc = compute_and_build(b);
    check_golden("family", doc);
    pugi::xml_document xml = parse(doc);
    const auto root = xml.document_element();
    EXPECT_EQ(root.child("dependentes").select_nodes("item").size(), 1u);
    EXPECT_STREQ(root.child("dependentes").child("item").attribute("nome").as_string(),
                 "MARIA e FILHA");
    const auto al = root.child("alimentandos");
    EXPECT_STREQ(al.attribute("confirmacao").as_string(), "S");
    ASSERT_EQ(al.select_nodes("item").size(), 2u);
    const auto first = al.child("item");
    EXPECT_STREQ(first.attribute("tipoProcesso").as_string(), "A");
    EXPECT_STREQ(first.attribute("residente").as_string(), "1");
    EXPECT_STREQ(first.attribute("cpfResponsavel").as_string(), "529.982.247-25");
    EXPECT_STREQ(first.child("escrituraPublica").attribute("cnpjCartorio").as_string(),
                 "11.222.333/0001-81");
    const auto second = first.next_sibling("item");
    EXPECT_STREQ(second.attribute("tipoProcesso").as_string(), "C");
    EXPECT_STREQ(second.attribute("cpfResponsavel").as_string(), "111.444.777-35");
    const auto pay = root.child("pagamentos").child("item");
    EXPECT_STREQ(pay.attribute("tipo").as_string(), "A");
    EXPECT_STREQ(pay.attribute("cpfAlimentando").as_string(), "222.333.444-05");
}

TEST(DocumentGolden, PaymentsCodesSkipsAndWarnings) {
    Builder b = employee("39053344705");
    for (int code = 91; code <= 97; ++code) b.payment(code, "100.00");
    b.payment(10, "900.00", "150.00");  // medical, partly not deductible
    b.payment(40, "50.00");             // a donation: not a payment
    b.payment(98, "70.00");             // electoral donation
    b.payment(26, "80.00").set("I6_1", "");
    b.payment(0, "60.00");
    b.payment(21, "0");
    b.payment(71, "300.00");
    const Document doc = compute_and_build(b);
    check_golden("payments", doc);
    EXPECT_EQ(notes_of(doc, DocumentNote::Kind::kWarning),
              (std::vector<std::string>{
                  "ATENÇÃO! Falta nome do beneficiado nos Pagamentos Efetuados! Item 11",
                  "ATENÇÃO! Código em branco (0) nos Pagamentos Efetuados!Item 12",
                  "ATENÇÃO! Falta valor nos Pagamentos Efetuados!Item 13"}));
    pugi::xml_document xml = parse(doc);
    const auto pays = xml.document_element().child("pagamentos");
    std::vector<std::string> codes, indexes;
    for (auto i : pays.children("item")) {
        codes.push_back(i.attribute("codigo").as_string());
        indexes.push_back(i.attribute("indice").as_string());
    }
    EXPECT_EQ(codes,
              (std::vector<std::string>{"60", "61", "62", "66", "70", "76", "99", "10", "71"}));
    EXPECT_EQ(indexes.back(), "9");
    EXPECT_STREQ(pays.attribute("ultimoIndiceGerado").as_string(), "9");
    const auto medical = pays.find_child_by_attribute("item", "codigo", "10");
    EXPECT_STREQ(medical.attribute("parcelaNaoDedutivel").as_string(), "150,00");
    EXPECT_STREQ(pays.find_child_by_attribute("item", "codigo", "71").attribute("tipo").as_string(),
                 "V");
    const auto donations = xml.document_element().child("doacoes");
    EXPECT_EQ(donations.select_nodes("item").size(), 1u);
    EXPECT_STREQ(
        xml.document_element().child("doacoesEleitorais").attribute("totalDoacoes").as_string(),
        "70,00");
}

TEST(DocumentGolden, TwelveAssetsAndBanks) {
    Builder b = employee("11144477735");
    for (int k = 0; k < 12; ++k) {
        store::Record r = b.d.new_record(4);
        r.set("GRPO", "06");
        r.set("CODB", "01");
        r.set("I7_2", "CONTA CORRENTE " + std::to_string(k));
        r.set("I7_3", D("1000.00"));
        r.set("I7_4", D("2000.00"));
        r.set("NROBANCO", k == 0 ? "000" : k == 1 ? "104" : "001");
        r.set("AGENCBAN", k == 0 ? "0000" : "1234");
        r.set("CONTABAN", k == 1 ? "0013000012345" : "55667");
        r.set("DVBAN", "X");
        b.d.assets.push_back(r);
    }
    b.d.assets[11].set("I7_2", "");  // no description: not written, reported
    const Document doc = compute_and_build(b);
    check_golden("assets", doc);
    pugi::xml_document xml = parse(doc);
    const auto bens = xml.document_element().child("bens");
    EXPECT_STREQ(bens.attribute("ultimoIndiceGerado").as_string(), "00112");
    std::vector<std::string> idx;
    for (auto i : bens.children("item")) idx.push_back(i.attribute("indice").as_string());
    ASSERT_EQ(idx.size(), 11u);
    EXPECT_EQ(idx.front(), "00100");
    EXPECT_EQ(idx.back(), "00110");
    const auto first = bens.child("item");
    EXPECT_STREQ(first.attribute("banco").as_string(), "");
    EXPECT_STREQ(first.attribute("agencia").as_string(), "");
    const auto caixa = first.next_sibling("item");
    EXPECT_STREQ(caixa.attribute("banco").as_string(), "104");
    EXPECT_STREQ(caixa.attribute("conta").as_string(), "013000012345");
    EXPECT_STREQ(caixa.attribute("dvConta").as_string(), "X");
    const auto dropped = notes_of(doc, DocumentNote::Kind::kDropped);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_NE(dropped[0].find("00111"), std::string::npos);
}

TEST(DocumentGolden, ResidentAbroad) {
    Builder b = employee("98765432100");
    b.d.set("EXTERIOR", "S");
    b.d.set("EBRASIL", "N");
    b.d.set("CODPAIS", "249");
    b.d.set("CODEMB", "12");
    b.d.set("DDDTEL", "1");
    b.d.set("PROCBRASIL", "11144477735");
    b.d.set("MUNICIPIO", "MIAMI");
    b.d.set("BAIRRO", "BRICKELL AVENUE NORTH SIDE");
    const Document doc = compute_and_build(b);
    check_golden("abroad", doc);
    pugi::xml_document xml = parse(doc);
    const auto c = xml.document_element().child("contribuinte");
    EXPECT_STREQ(c.attribute("bairro").as_string(), "");
    EXPECT_STREQ(c.attribute("bairroExt").as_string(), "BRICKELL AVENUE NOR");
    EXPECT_STREQ(c.attribute("pais").as_string(), "249");
    EXPECT_STREQ(c.attribute("ddi").as_string(), "1");
    EXPECT_STREQ(c.attribute("ddd").as_string(), "");
    EXPECT_STREQ(c.attribute("cpfProcurador").as_string(), "111.444.777-35");
    EXPECT_STREQ(c.attribute("municipio").as_string(), "");
    // The cut district is reported; an abroad address needs no municipality.
    ASSERT_EQ(notes_of(doc, DocumentNote::Kind::kCut).size(), 1u);
    EXPECT_TRUE(notes_of(doc, DocumentNote::Kind::kDropped).empty());
}

TEST(DocumentGolden, EstateFinalWithSharingAndOverSharing) {
    Builder b = employee("52998224725");
    b.d.set("ANOOBITO", Decimal(2025));
    b.d.set("DECFINAL", "S");
    b.d.set("INDSFIM", "S");
    b.d.set("INDPES", "S");
    b.d.set("INDSOBRE", "S");
    b.d.set("CPFINVENT", "11144477735");
    b.d.set("NOMINVENT", "INVENTARIANTE UM");
    b.d.set("DECJUDI", "S");
    b.d.set("DATAPARTI", Date(2025, 8, 1));
    b.d.set("DATADECIS", Date(2025, 9, 1));
    b.d.set("COMARCA", "LONDRINA");
    b.d.set("UFPROCES", "PR");
    b.d.set("CPFINVENT2", "22233344405");
    b.d.set("NOMINVENT2", "INVENTARIANTE DOIS");
    b.d.set("DECJUDI2", "N");
    b.d.set("DATALAVRA2", Date(2025, 10, 2));
    b.d.set("NOMECARTO2", std::string(70, 'N'));
    b.d.set("UFPROCES2", "SP");
    b.d.set("LIVRCARTO2", Decimal(45));
    b.d.set("FOLHCARTO2", Decimal(7));
    b.dependant(100, "", Date(), 0, "HERDEIRO").set("CPFHERDE", "33344455506");
    const Document doc = compute_and_build(b);
    check_golden("estate", doc);
    pugi::xml_document xml = parse(doc);
    const auto root = xml.document_element();
    const auto e = root.child("espolio");
    EXPECT_STREQ(e.attribute("anoObito").as_string(), "2025");
    const auto p = e.child("partilha");
    EXPECT_STREQ(p.attribute("tipoJudicial").as_string(), "1");
    EXPECT_STREQ(p.child("decisaoJudicial").attribute("dtDecisaoJud").as_string(), "01/08/2025");
    EXPECT_STREQ(p.child("decisaoJudicial").attribute("uf").as_string(), "PR");
    const auto s = e.child("sobrepartilha");
    EXPECT_STREQ(s.attribute("tipoJudicial").as_string(), "0");
    EXPECT_STREQ(s.child("escrituracaoPublica").attribute("dataLavratura").as_string(),
                 "02/10/2025");
    EXPECT_EQ(std::string(s.child("escrituracaoPublica").attribute("nome").as_string()).size(),
              60u);
    EXPECT_STREQ(root.child("herdeiros").child("item").attribute("niHerdeiro").as_string(),
                 "33344455506");
    EXPECT_STREQ(root.child("resumo")
                     .child("calculoImposto")
                     .child("identificadorDec")
                     .attribute("tipoDeclaracaoAES")
                     .as_string(),
                 "E");
}

TEST(DocumentGolden, Departure) {
    Builder b = employee("11144477735");
    b.d.set("DECSAIDA", "S");
    b.d.set("DATASAIDA", Date(2025, 7, 15));
    b.d.set("CPFINVENT", "22233344405");
    b.d.set("NOMINVENT", "PROCURADORA");
    b.d.set("ENDINVENT", std::string(60, 'R') + " 1234567890ABC");
    const Document doc = compute_and_build(b);
    check_golden("departure", doc);
    pugi::xml_document xml = parse(doc);
    const auto s = xml.document_element().child("saida");
    EXPECT_STREQ(s.attribute("dtCondicaoNaoResidente").as_string(), "15/07/2025");
    EXPECT_EQ(std::string(s.attribute("endProcurador").as_string()).size(), 70u);
    EXPECT_EQ(notes_of(doc, DocumentNote::Kind::kCut).size(), 1u);
    // Without gains the capital-gains part names the declarant as the only seller, resident
    // until the departure.
    const auto seller = xml.document_element().child("gcap").child("ids").child("item");
    EXPECT_STREQ(seller.attribute("dataInicioPermanencia").as_string(), "01/01/2025");
    EXPECT_STREQ(seller.attribute("dataFimPermanencia").as_string(), "15/07/2025");
    EXPECT_STREQ(xml.document_element().last_child().name(), "copiaIdentificador");
}

TEST(Document, HostileTextsReadBackAndAreReported) {
    Builder b = employee();
    b.d.set("NOMECONTR", "A&B <C> \"D\" 'É'");
    b.d.set("EMAIL", "x&y<z>@\"q\".com");
    b.d.set("NOVREG", true);
    b.d.set("MUNICIPIO", "CIDADE INEXISTENTE");
    b.d.set("CODMUNI", "9999");
    b.d.set("DDDTEL", "05");
    b.d.items[0].set("I1_2", "FONTE\tCOM\nCONTROLE");
    const Document doc = compute_and_build(b);
    pugi::xml_document xml = parse(doc);
    const auto root = xml.document_element();
    const auto c = root.child("contribuinte");
    EXPECT_STREQ(c.attribute("email").as_string(), "x&y<z>@\"q\".com");
    EXPECT_STREQ(root.child("copiaIdentificador").attribute("nome").as_string(), "AeB -C-  D   E");
    EXPECT_STREQ(root.child("rendPJ")
                     .child("colecaoRendPJTitular")
                     .child("item")
                     .attribute("nomeFontePagadora")
                     .as_string(),
                 "FONTE COM CONTROLE");
    // A municipality not in the table keeps the stored code and is reported; a DDD outside
    // 10 … 100 is written empty with a warning, the registry keeps it.
    EXPECT_STREQ(c.attribute("municipio").as_string(), "9999");
    EXPECT_EQ(notes_of(doc, DocumentNote::Kind::kDropped).size(), 1u);
    EXPECT_STREQ(c.attribute("ddd").as_string(), "");
    EXPECT_EQ(notes_of(doc, DocumentNote::Kind::kWarning),
              std::vector<std::string>{"Confira o número do DDD"});
    EXPECT_EQ(b.d.str("DDDTEL"), "05");
}

TEST(Document, AutomaticDebitAroundItsDeadlines) {
    auto debit_of = [](Date today, int quotas, std::vector<std::string>* warnings) {
        Builder b = employee();
        b.d.items[0].set("I1_5", D("0"));
        b.d.set("DEBITAUT", "S");
        b.d.set("BANCO", "001");
        b.d.set("AGENCIA", "1234");
        b.d.set("CONTACO", "98765-4");
        tax::testing::Session s(b.d, today);
        tax::compute_declaration(s.ctx);
        b.d.set("QTD_QUOTA", Decimal(quotas));
        DocumentContext c = context();
        c.now.date = today;
        Document doc;
        EXPECT_TRUE(build_document(b.d, {}, {}, c, &doc));
        *warnings = notes_of(doc, DocumentNote::Kind::kWarning);
        pugi::xml_document xml = parse(doc);
        const auto calc = xml.document_element().child("resumo").child("calculoImposto");
        const auto p = calc.child("parcelamento");
        return std::string(p.attribute("debitoAutomatico").as_string()) + "|" +
               p.attribute("indicadorPrimeiraQuota").as_string() + "|" +
               calc.attribute("contaCredito").as_string() + "-" +
               calc.attribute("dvContaCredito").as_string();
    };
    std::vector<std::string> w;
    EXPECT_EQ(debit_of(Date(2026, 5, 9), 1, &w), "autorizado|1|98765-4");
    EXPECT_TRUE(w.empty());
    EXPECT_EQ(debit_of(Date(2026, 5, 10), 1, &w), "||-");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].rfind("Não é possível o débito automático da quota única", 0), 0u);
    EXPECT_EQ(debit_of(Date(2026, 5, 10), 3, &w), "autorizado|0|98765-4");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(debit_of(Date(2026, 5, 30), 3, &w), "||-");
    EXPECT_EQ(w, std::vector<std::string>{"O débito automático poderá ser feito no Portal MIR."});
}

TEST(Document, RefusesWhatItCannotWriteWholeAndTellsTheGainsLeftOut) {
    Builder b = employee();
    tax::testing::Session s(b.d);
    tax::compute_declaration(s.ctx);
    Document doc;
    DocumentContext c = context();
    c.xmlns.clear();
    EXPECT_FALSE(build_document(b.d, {}, {}, c, &doc));
    c = context();
    store::Record gain = b.d.new_record(7);
    gain.set("TIPO_BEM", Decimal(1));
    gain.set("BEM_NRO", Decimal(3));
    // A deleted gain record is no gain.
    gain.set("DATA_ALI", Date(2025, 5, 10));
    gain.deleted = true;
    EXPECT_TRUE(build_document(b.d, {gain}, {}, c, &doc));
    EXPECT_EQ(doc.gains, 0);
    EXPECT_EQ(doc.text.find("<bensImoveis tipoItens=\"serpro.ppgd.irpf.gcap.alienacao."
                            "AlienacaoBemImovel\" totalImpostoDevidoAnoAtual=\"0,00\" "
                            "totalImpostoDiferidoAnosAnteriores=\"0,00\" "
                            "totalImpostoDiferidoAnosPosteriores=\"0,00\" "
                            "totalImpostoPagoBrasil=\"0,00\" totalImpostoPagoExterior=\"0,00\" "
                            "totalImpostoReferenteAlienacaoAnoAtual=\"0,00\" "
                            "totalImpostoTotal=\"0,00\" "
                            "totalRendIsentosNaoTributaveisBrasil=\"0,00\" "
                            "totalRendIsentosNaoTributaveisExterior=\"0,00\" "
                            "totalRendSujeitosTributacaoBrasil=\"0,00\" "
                            "totalRendSujeitosTributacaoExterior=\"0,00\" "
                            "totalValorIRF=\"0,00\"><item"),
              std::string::npos);
    doc = {};
    // A sale of a later year serves its DARF only, and one without a date no year: neither is
    // handed over, and each is told.
    gain.deleted = false;
    gain.set("DATA_ALI", Date(2026, 2, 1));
    store::Record undated = gain;
    undated.set("DATA_ALI", Date());
    undated.set("BEM_NRO", Decimal(4));
    ASSERT_TRUE(build_document(b.d, {gain, undated}, {}, c, &doc));
    ASSERT_EQ(doc.notes.size(), 2u);
    EXPECT_EQ(doc.notes[1].kind, DocumentNote::Kind::kDropped);
    EXPECT_NE(doc.notes[1].text.find("GCAP nro 4 sem data"), std::string::npos);
    EXPECT_EQ(doc.notes[0].text,
              "GCAP de imóvel com data posterior ao ano Base GCAP nro 3. Não será transferido "
              "para a Receita");
    EXPECT_NE(doc.text.find("<bensImoveis tipoItens=\"serpro.ppgd.irpf.gcap.alienacao."
                            "AlienacaoBemImovel\""),
              std::string::npos);
    doc = {};
    // Rural activity needs its tables: without them nothing is written.
    b.d.set("TEMRURAL", "S");
    const Status r = build_document(b.d, {}, {}, c, &doc);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message().find("atividade rural"), std::string::npos);
    EXPECT_TRUE(doc.text.empty());
    rural::RuralTables none;
    EXPECT_TRUE(build_document(b.d, {}, {}, c, &doc, &none));
}

// A self-employed holder paid by two clients, with rent, social security, a cash book, the
// Carnê-Leão paid in March, income from abroad in June and alimony in April; a dependant paid in
// January and February; income typed for a CPF that is no dependant's.
Builder carne_leao_client() {
    Builder b = employee("39053344705");
    b.d.items.clear();
    b.dependant(21, "11144477735", Date(2012, 3, 4), 1, "FILHO");
    b.monthly_item("F", "5000.00").set("I1_41", "T");
    b.d.items.back().set("I1_2", "CLIENTE UM");
    b.d.items.back().set("I1_3", "52998224725");
    auto& second = b.monthly_item("F", "800.00", 7, 7);
    second.set("I1_41", "T");
    second.set("I1_3", "12345678909");
    second.set("I1_40", "22233344405");
    b.monthly_item("F", "1000.00", 3, 12).set("I1_41", "A");
    b.monthly_item("P", "200.00");
    b.monthly_item("L", "300.00");
    b.monthly_item("I", "500.00", 3, 3);
    b.monthly_item("E", "2000.00", 6, 6);
    auto& alimony = b.payment(30, "400.00");
    alimony.set("I6_404", D("400.00"));
    b.monthly_item("F", "1000.00", 1, 2, "11144477735")
        .set("I1_3", "39053344705");  // the dependant's client
    b.d.items.back().set("I1_41", "T");
    b.monthly_item("F", "900.00", 5, 5, "99999999999");  // not a dependant
    return b;
}

TEST(DocumentGolden, IndividualPayersMonthByMonthWithCarneLeao) {
    Builder b = carne_leao_client();
    const Document doc = compute_and_build(b);
    check_golden("carne_leao", doc);
    pugi::xml_document xml = parse(doc);
    const auto t = xml.document_element().child("rendPFTitular");
    EXPECT_STREQ(t.attribute("totalPessoaFisica").as_string(), "60.800,00");
    EXPECT_STREQ(t.attribute("totalAlugueis").as_string(), "10.000,00");
    EXPECT_STREQ(t.attribute("totalPrevidencia").as_string(), "2.400,00");
    EXPECT_STREQ(t.attribute("totalLivroCaixa").as_string(), "3.600,00");
    EXPECT_STREQ(t.attribute("totalExterior").as_string(), "2.000,00");
    EXPECT_STREQ(t.attribute("totalDarfPago").as_string(), "500,00");
    EXPECT_STREQ(t.attribute("totalPensao").as_string(), "400,00");
    EXPECT_STREQ(t.attribute("totalNumDependentes").as_string(), "1");
    // January: 5,000.00 less cash book 300.00, social security 200.00 and one dependant 189.59
    // is 4,310.41, at 22.5 % less 662.77: 307.07. March adds the rent: 5,310.41 at 27.5 % less
    // 896.00 is 564.36; April also takes the alimony of 400.00: 454.36.
    EXPECT_STREQ(t.child("janeiro").attribute("carneLeao").as_string(), "307,07");
    const auto march = t.child("marco");
    EXPECT_STREQ(march.attribute("mes").as_string(), "2");
    EXPECT_STREQ(march.attribute("carneLeao").as_string(), "564,36");
    EXPECT_STREQ(march.attribute("darfPago").as_string(), "500,00");
    EXPECT_STREQ(march.attribute("alugueis").as_string(), "1.000,00");
    EXPECT_STREQ(march.attribute("pessoaFisica").as_string(), "5.000,00");
    EXPECT_STREQ(t.child("abril").attribute("carneLeao").as_string(), "454,36");
    EXPECT_STREQ(t.child("abril").attribute("pensao").as_string(), "400,00");
    EXPECT_STREQ(t.child("junho").attribute("exterior").as_string(), "2.000,00");
    // The accounts: one client a month, two in July, the second serving someone else.
    const auto accounts = t.child("contasAno");
    EXPECT_EQ(accounts.child("marco").select_nodes("item").size(), 1u);
    const auto july = accounts.child("julho");
    EXPECT_STREQ(july.attribute("totalRendTrabNaoAssPF").as_string(), "5.800,00");
    ASSERT_EQ(july.select_nodes("item").size(), 2u);
    const auto other = july.child("item").next_sibling("item");
    EXPECT_STREQ(other.attribute("cpfTitularPagamento").as_string(), "123.456.789-09");
    EXPECT_STREQ(other.attribute("cpfBeneficiarioServico").as_string(), "222.333.444-05");
    EXPECT_STREQ(other.attribute("indTitularEhBeneficiario").as_string(), "0");
    EXPECT_STREQ(other.attribute("cpfContribuinte").as_string(), "390.533.447-05");
    EXPECT_STREQ(other.attribute("dataMesAno").as_string(), "072026");
    EXPECT_STREQ(other.attribute("valor").as_string(), "800,00");
    // The dependant: one item with its own months and accounts.
    const auto dep = xml.document_element().child("rendPFDependente");
    EXPECT_STREQ(dep.attribute("totalPessoaFisica").as_string(), "2.000,00");
    ASSERT_EQ(dep.select_nodes("item").size(), 1u);
    const auto income = dep.child("item").child("rendimentos");
    EXPECT_STREQ(dep.child("item").attribute("cpf").as_string(), "111.444.777-35");
    EXPECT_STREQ(income.child("fevereiro").attribute("pessoaFisica").as_string(), "1.000,00");
    EXPECT_STREQ(income.child("fevereiro").attribute("carneLeao").as_string(), "0,00");
    EXPECT_EQ(income.child("contasAno").child("janeiro").select_nodes("item").size(), 1u);
    // The income of a CPF that is no dependant's is reported, not written.
    const auto dropped = notes_of(doc, DocumentNote::Kind::kDropped);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_NE(dropped[0].find("99999999999"), std::string::npos);
}

TEST(Document, TypedMonthlyTotalsAreOfTheDeclarationsIncomeType) {
    Builder b = employee();
    b.d.set("CAL_AUTO", Decimal(2));
    b.d.set("TIPO_PF", "A");
    store::Record grid = b.d.new_record(12);
    grid.set("I2_105", D("3000.00"));
    grid.set("I2_405", D("250.00"));
    b.d.monthly.push_back(grid);
    b.monthly_item("F", "999.00", 5, 5).set("I1_3", "52998224725");  // not the grid's source
    const Document doc = compute_and_build(b);
    pugi::xml_document xml = parse(doc);
    const auto may = xml.document_element().child("rendPFTitular").child("maio");
    EXPECT_STREQ(may.attribute("alugueis").as_string(), "3.000,00");
    EXPECT_STREQ(may.attribute("pessoaFisica").as_string(), "0,00");
    EXPECT_STREQ(may.attribute("previdencia").as_string(), "250,00");
    EXPECT_TRUE(xml.document_element()
                    .child("rendPFTitular")
                    .child("contasAno")
                    .child("maio")
                    .select_nodes("item")
                    .empty());
}

TEST(Document, IncomeWithoutAPlaceIsReportedNotLost) {
    Builder b = employee();
    b.monthly_item("F", "700.00", 2, 2).set("I1_3", "11222333000181");  // a CNPJ as payer
    b.d.items.back().set("I1_41", "T");
    b.monthly_item("V", "150.00", 1, 1).set("I1_2", "OUTRA FONTE");
    store::Record rra = b.d.new_record(2);
    rra.set("I1_1", "A");
    rra.set("I1_11", "S");
    rra.set("TIPOCR", "S");
    rra.set("I1_4", D("9000.00"));
    rra.set("I1_12", D("900.00"));
    rra.set("I1_22", "33344455506");  // nobody in the dependants' list
    b.d.items.push_back(rra);
    const Document doc = compute_and_build(b);
    pugi::xml_document xml = parse(doc);
    // The payer's month is written, with its account; only the CNPJ is left out, and said so.
    const auto feb =
        xml.document_element().child("rendPFTitular").child("contasAno").child("fevereiro");
    EXPECT_STREQ(feb.attribute("totalRendTrabNaoAssPF").as_string(), "700,00");
    EXPECT_STREQ(feb.child("item").attribute("cpfTitularPagamento").as_string(), "   .   .   -  ");
    const auto dropped = notes_of(doc, DocumentNote::Kind::kDropped);
    ASSERT_EQ(dropped.size(), 3u);
    EXPECT_NE(dropped[0].find("11222333000181"), std::string::npos);
    EXPECT_NE(dropped[1].find("OUTRA FONTE"), std::string::npos);
    EXPECT_NE(dropped[2].find("alimentando"), std::string::npos);
    // The alimony of the accumulated income is written without its recipient's name.
    EXPECT_STREQ(xml.document_element()
                     .child("rendAcm")
                     .child("colecaoRendAcmTitular")
                     .child("item")
                     .child("pensaoAlimenticiaQuadroAuxiliar")
                     .child("item")
                     .attribute("valor")
                     .as_string(),
                 "900,00");
}

TEST(DocumentGolden, AccumulatedIncomeOfHolderAndDependant) {
    Builder b = employee("52998224725");
    b.dependant(21, "11144477735", Date(2010, 2, 3), 1, "FILHA");
    b.dependant(99, "22233344405", Date(2014, 1, 1), 2, "ALIMENTANDO");
    store::Record a = b.d.new_record(2);
    a.set("I1_1", "A");
    a.set("I1_11", "S");
    a.set("I1_2", "TRIBUNAL REGIONAL");
    a.set("I1_3", "11222333000181");
    a.set("TIPOCR", "N");
    a.set("I1_4", D("60000.00"));
    a.set("I1_5", D("1800.00"));
    a.set("I1_6", D("3000.00"));
    a.set("I1_21", D("12"));
    a.set("I1_36", "3");
    a.set("I1_42", D("500.00"));
    // As the item's window computed it: 57,000.00 over 12 months, at 27.5 % less 12 x 896.00.
    a.set("I1_25", D("60000.00"));
    a.set("I1_20", D("4923.00"));
    b.d.items.push_back(a);
    store::Record dep = b.d.new_record(2);
    dep.set("I1_1", "A");
    dep.set("I1_11", "N");
    dep.set("I1_8", "11144477735");
    dep.set("I1_2", "INSTITUTO");
    dep.set("I1_3", "11222333000181");
    dep.set("TIPOCR", "S");
    dep.set("I1_4", D("20000.00"));
    dep.set("I1_12", D("2000.00"));
    dep.set("I1_22", "22233344405");
    dep.set("I1_36", "11");
    b.d.items.push_back(dep);
    const Document doc = compute_and_build(b);
    check_golden("accumulated", doc);
    pugi::xml_document xml = parse(doc);
    const auto acm = xml.document_element().child("rendAcm");
    const auto holder = acm.child("colecaoRendAcmTitular").child("item");
    EXPECT_STREQ(holder.attribute("opcaoTributacao").as_string(), "E");
    EXPECT_STREQ(holder.attribute("numMeses").as_string(), "12,0");
    EXPECT_STREQ(holder.attribute("mesRecebimento").as_string(), "03");
    EXPECT_STREQ(holder.attribute("rendRecebidos").as_string(), "60.000,00");
    EXPECT_STREQ(holder.attribute("valorJuros").as_string(), "500,00");
    EXPECT_STREQ(holder.attribute("impostoDevidoRRA").as_string(), "4.923,00");
    EXPECT_STREQ(holder.attribute("cpfDependente").as_string(), "   .   .   -  ");
    EXPECT_TRUE(holder.child("pensaoAlimenticiaQuadroAuxiliar").select_nodes("item").empty());
    const auto d = acm.child("colecaoRendAcmDependente").child("item");
    EXPECT_STREQ(d.attribute("opcaoTributacao").as_string(), "A");
    EXPECT_STREQ(d.attribute("cpfDependente").as_string(), "111.444.777-35");
    EXPECT_STREQ(d.attribute("impostoDevidoRRA").as_string(), "0,00");
    const auto alimony = d.child("pensaoAlimenticiaQuadroAuxiliar");
    EXPECT_STREQ(alimony.attribute("totais").as_string(), "2.000,00");
    EXPECT_STREQ(alimony.child("item").attribute("alimentando").as_string(), "ALIMENTANDO");
    EXPECT_TRUE(notes_of(doc, DocumentNote::Kind::kDropped).empty());
}

TEST(DocumentGolden, ExemptAndExclusiveAuxiliaryTables) {
    Builder b = employee("11144477735");
    b.dependant(21, "52998224725", Date(2010, 2, 3), 1, "FILHA");
    auto& company = b.d.items[0];
    company.set("I1_16", D("12000.00"));  // partner's income
    company.set("I1_38", D("800.00"));    // financial applications, exclusive
    company.set("I1_17", D("24000.00"));  // retirement from age 65
    company.set("I1_43", D("1903.98"));
    auto& illness = b.company("0");
    illness.set("I1_2", "INSTITUTO DE PREVIDENCIA");
    illness.set("I1_18", D("30000.00"));
    illness.set("I1_7", D("2500.00"));
    illness.set("I1_39", D("100.00"));
    auto& other = b.company("0", "0", "0", "0", "52998224725");  // a dependant's other income
    other.set("I1_2", "FONTE X");
    other.set("I1_9", D("700.00"));
    other.set("I1_35", "PREMIO");
    b.company("0").set("I1_45", D("1000.00"));  // lottery
    const Document doc = compute_and_build(b);
    check_golden("exempt", doc);
    pugi::xml_document xml = parse(doc);
    const auto ex = xml.document_element().child("rendIsentos");
    EXPECT_STREQ(ex.child("rendSocioQuadroAuxiliar").attribute("totais").as_string(), "12.000,00");
    EXPECT_EQ(ex.child("rendSocioQuadroAuxiliar").select_nodes("item").size(), 1u);
    const auto retirement = ex.child("parcIsentaAposentadoriaQuadroAuxiliar");
    EXPECT_STREQ(retirement.attribute("totais").as_string(), "25.903,98");
    EXPECT_STREQ(retirement.child("item").attribute("valor").as_string(), "24.000,00");
    EXPECT_STREQ(retirement.child("item").attribute("valor13Salario").as_string(), "1.903,98");
    EXPECT_STREQ(retirement.child("item").attribute("tipoBeneficiario").as_string(), "Titular");
    // The serious-illness pension: the line holds the 13th salary once.
    const auto pension = ex.child("pensaoQuadroAuxiliar");
    EXPECT_STREQ(pension.attribute("totais").as_string(), "32.500,00");
    EXPECT_STREQ(pension.attribute("totalRendimento").as_string(), "30.000,00");
    EXPECT_STREQ(pension.attribute("total13Salario").as_string(), "2.500,00");
    EXPECT_STREQ(pension.attribute("totalIRRF13SalarioTitular").as_string(), "100,00");
    EXPECT_STREQ(pension.child("item").attribute("valorTotal").as_string(), "32.500,00");
    const auto others = ex.child("outrosQuadroAuxiliar").child("item");
    EXPECT_STREQ(others.attribute("tipoBeneficiario").as_string(), "Dependente");
    EXPECT_STREQ(others.attribute("cpfBeneficiario").as_string(), "529.982.247-25");
    EXPECT_STREQ(others.attribute("descricaoRendimento").as_string(), "PREMIO");
    EXPECT_TRUE(ex.child("bolsaEstudosQuadroAuxiliar").select_nodes("item").empty());
    const auto exc = xml.document_element().child("rendTributacaoExclusiva");
    EXPECT_STREQ(
        exc.child("rendAplicacoesQuadroAuxiliar").child("item").attribute("valor").as_string(),
        "800,00");
    const auto lottery = exc.child("ganhosLotericaQuadroAuxiliar");
    EXPECT_STREQ(lottery.attribute("totais").as_string(), "1.000,00");
    EXPECT_STREQ(lottery.child("item").attribute("tiposRendimentos").as_string(), "13");
    EXPECT_TRUE(exc.child("outrosQuadroAuxiliar").select_nodes("item").empty());
    // Rows of exempt or exclusive amounts only are in their tables, not dropped; the pension's
    // row is not company income.
    EXPECT_TRUE(notes_of(doc, DocumentNote::Kind::kDropped).empty());
    EXPECT_EQ(xml.document_element()
                  .child("rendPJ")
                  .child("colecaoRendPJTitular")
                  .select_nodes("item")
                  .size(),
              1u);
}

TEST(DocumentGolden, FundDonationsNationalStateAndMunicipal) {
    auto donations = [](bool simplified, Document* doc) {
        Builder b = employee("52998224725");
        b.payment(39, "300.00").set("I6_1", "Fundo Nacional - DF");
        b.payment(39, "200.00").set("I6_1", "Fundo Estadual - PR");
        b.payment(49, "100.00").set("I6_1", "PR - CURITIBA");
        b.payment(49, "50.00").set("I6_1", "SP - CIDADE SEM CODIGO");
        for (auto& p : b.d.payments) p.set("I6_2", "11.222.333/0001-81");
        b.d.set("USAPADRAO", simplified ? "S" : "N");
        *doc = compute_and_build(b);
    };
    Document doc;
    donations(false, &doc);
    check_golden("funds", doc);
    pugi::xml_document xml = parse(doc);
    const auto eca = xml.document_element().child("colecaoEstatutoCriancaAdolescente");
    EXPECT_STREQ(eca.attribute("totalDeducaoIncentivoBruto").as_string(), "500,00");
    EXPECT_STREQ(eca.attribute("totalDeducaoIncentivoLiquido").as_string(), "500,00");
    std::vector<std::string> got;
    for (auto i : eca.children("item"))
        got.push_back(std::string(i.attribute("tipoFundo").as_string()) + " " +
                      i.attribute("uf").as_string() + " " + i.attribute("valor").as_string());
    EXPECT_EQ(got, (std::vector<std::string>{"N DF 300,00", "E PR 200,00"}));
    // The reference's check digits: modulus 11 over 11222333000181 gives 8, over that and 8, 9.
    EXPECT_STREQ(eca.child("item").attribute("dvNumeroReferencia").as_string(), "89");
    EXPECT_STREQ(eca.child("item").attribute("cnpjFundo").as_string(), "11.222.333/0001-81");
    const auto elderly = xml.document_element().child("colecaoEstatutoIdoso").child("item");
    EXPECT_STREQ(elderly.attribute("tipoFundo").as_string(), "M");
    EXPECT_STREQ(elderly.attribute("uf").as_string(), "PR");
    EXPECT_STREQ(elderly.attribute("nomeMunicipio").as_string(), "CURITIBA");
    EXPECT_STREQ(elderly.attribute("municipio").as_string(), "7535");
    // A municipality the table lacks is reported; nothing is lost from the payments.
    const auto dropped = notes_of(doc, DocumentNote::Kind::kDropped);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_NE(dropped[0].find("CIDADE SEM CODIGO"), std::string::npos);
    // Under the simplified option the donations are not written and each is reported.
    donations(true, &doc);
    xml = parse(doc);
    EXPECT_TRUE(xml.document_element().child("colecaoEstatutoIdoso").select_nodes("item").empty());
    EXPECT_STREQ(xml.document_element()
                     .child("colecaoEstatutoCriancaAdolescente")
                     .attribute("totalDeducaoIncentivoBruto")
                     .as_string(),
                 "0,00");
    EXPECT_EQ(notes_of(doc, DocumentNote::Kind::kDropped).size(), 4u);
}

store::Record rural_record(int table, const char* country) {
    store::Record r(store::table_def(table)->layout);
    r.set("CPF", "11144477735");
    r.set("ATV_BRASIL", country);
    return r;
}

// A farm in Brazil shared with a partner, a debt, cattle and two assets; a property abroad.
rural::RuralTables rural_tables() {
    rural::RuralTables t;
    store::Record br = rural_record(15, "S");
    br.set("I3_01OR", D("10000.00"));
    br.set("I3_01OD", D("4000.00"));
    br.set("I3_06OR", D("50000.00"));
    br.set("I3_06OD", D("20000.00"));
    br.set("I4R_04", D("10000.00"));
    br.set("I7_1B", D("100"));
    br.set("I7_2B", D("20"));
    br.set("I7_3B", D("30"));
    br.set("I7_4B", D("5"));
    br.set("I7_5B", D("40"));
    rural::CALCRUR(br, {}, D("5.2171"));
    t.results.push_back(br);
    store::Record farm = rural_record(16, "S");
    farm.set("I2R_00", D("1"));
    farm.set("I2R_01", "FAZENDA BOA VISTA");
    farm.set("I2R_02", D("120.5"));
    farm.set("I2R_03", "12345678");
    farm.set("I2R_04", D("50.00"));
    farm.set("I2R_05", D("1"));
    farm.set("I2R_06", "ESTRADA DO CAMPO KM 5");
    farm.set("I2R_07", D("7"));
    farm.set("NOME_CONTR", "SOCIO DA FAZENDA");
    farm.set("CPFPJ_CONT", "222.333.444-05");
    t.properties.push_back(farm);
    store::Record abroad_farm = rural_record(16, "N");
    abroad_farm.set("I2R_00", D("2"));
    abroad_farm.set("I2R_01", "RANCHO");
    abroad_farm.set("CODPAIS", "249");
    abroad_farm.set("RECEXT", D("5000.00"));
    abroad_farm.set("DESEXT", D("2000.00"));
    abroad_farm.set("RESUS", D("3000.00"));
    t.properties.push_back(abroad_farm);
    store::Record ab = rural_record(15, "N");
    rural::CALCRUR(ab, {abroad_farm}, D("5.2171"));
    t.results.push_back(ab);
    store::Record debt = rural_record(18, "S");
    debt.set("I9R_1", "CUSTEIO AGRICOLA");
    debt.set("I9R_2", D("80000.00"));
    debt.set("I9R_3", D("50000.00"));
    debt.set("I9R_4", D("35000.00"));
    t.debts.push_back(debt);
    store::Record tractor = rural_record(17, "S");
    tractor.set("ITEM", D("1"));
    tractor.set("CODIGO", D("21"));
    tractor.set("I8R_1", "TRATOR");
    tractor.set("I8R_2", D("90000.00"));
    tractor.set("I8R_5", D("85000.00"));
    t.assets.push_back(tractor);
    store::Record land = rural_record(17, "N");
    land.set("ITEM", D("2"));
    land.set("CODIGO", D("11"));
    land.set("I8R_1", "TERRA NO EXTERIOR");
    land.set("I8R_3", "249");
    land.set("I8R_5", D("40000.00"));
    t.assets.push_back(land);
    return t;
}

TEST(DocumentGolden, RuralInBrazilAndAbroad) {
    Builder b = employee("11144477735");
    b.d.set("TEMRURAL", "S");
    b.d.set("AAR_EXTER", "S");
    tax::testing::Session s(b.d, Date(2026, 4, 20));
    tax::compute_declaration(s.ctx);
    const rural::RuralTables t = rural_tables();
    Document doc;
    ASSERT_TRUE(build_document(b.d, {}, {}, context(), &doc, &t));
    check_golden("rural", doc);
    pugi::xml_document xml = parse(doc);
    const auto ar = xml.document_element().child("atividadeRural");
    const auto br = ar.child("brasil");
    const auto farm = br.child("identificacaoImovel").child("item");
    EXPECT_STREQ(farm.attribute("area").as_string(), "120,5");
    EXPECT_STREQ(farm.attribute("participacao").as_string(), "50,00");
    EXPECT_STREQ(farm.child("participantesImovelAR").child("item").attribute("nome").as_string(),
                 "SOCIO DA FAZENDA");
    const auto rd = br.child("receitasDespesas");
    EXPECT_STREQ(rd.attribute("totalReceita").as_string(), "60.000,00");
    EXPECT_STREQ(rd.child("junho").attribute("receitaBrutaMensal").as_string(), "50.000,00");
    // Result 36,000.00 less the earlier loss of 10,000.00.
    const auto res = br.child("apuracaoResultado");
    EXPECT_STREQ(res.attribute("resultadoI").as_string(), "36.000,00");
    EXPECT_STREQ(res.attribute("resultadoTributavel").as_string(), "26.000,00");
    EXPECT_STREQ(res.attribute("opcaoFormaApuracao").as_string(), "2");
    // 100 + 20 bought + 30 born - 5 - 40 = 105 head at the end of the year.
    EXPECT_STREQ(
        br.child("movimentacaoRebanho").child("bovinos").attribute("estoqueFinal").as_string(),
        "105,00");
    EXPECT_STREQ(br.child("dividas").attribute("totalAnterior").as_string(), "80.000,00");
    EXPECT_EQ(br.child("dividas").select_nodes("item").size(), 1u);
    const auto ex = ar.child("exterior");
    const auto country = ex.child("receitasDespesas").child("item");
    EXPECT_STREQ(country.attribute("descricaoPais").as_string(), "Estados Unidos");
    EXPECT_STREQ(country.attribute("resultadoIMoedaOriginal").as_string(), "3.000,00");
    EXPECT_FALSE(ex.child("movimentacaoRebanho"));
    const auto goods = ar.child("bens");
    EXPECT_STREQ(goods.attribute("ultimoIndiceGerado").as_string(), "2");
    EXPECT_STREQ(goods.attribute("totalAtual").as_string(), "125.000,00");
    EXPECT_STREQ(goods.last_child().attribute("nomePais").as_string(), "Estados Unidos");
    EXPECT_TRUE(doc.notes.empty());

    // Activity in Brazil only: the activity abroad is written in its empty form.
    rural::RuralTables brazil_only = t;
    brazil_only.results.pop_back();
    ASSERT_TRUE(build_document(b.d, {}, {}, context(), &doc, &brazil_only));
    xml = parse(doc);
    const auto empty = xml.document_element().child("atividadeRural").child("exterior");
    EXPECT_STREQ(empty.child("identificacaoImovel").attribute("ultimoIndiceGerado").as_string(),
                 "");
    EXPECT_STREQ(empty.child("apuracaoResultado").attribute("EmReais").as_string(), "0,00");
    // ... and the property abroad, with no activity to hold it, is reported.
    const auto dropped = notes_of(doc, DocumentNote::Kind::kDropped);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_NE(dropped[0].find("no exterior"), std::string::npos);
}

TEST(Document, ApplicationResultsOfBothTypesAndANegativeOne) {
    Builder b = employee();
    auto asset = [&](int key, const char* result, const char* profit, const char* abroad) {
        store::Record r = b.d.new_record(4);
        r.set("I7_1", Decimal(key));
        r.set("GRPO", "04");
        r.set("CODB", "02");
        r.set("I7_2", "APLICACAO " + std::to_string(key));
        r.set("VAL_APLIC", D(result));
        r.set("VAL_LUCRO", D(profit));
        r.set("VAL_IRFOR", D(abroad));
        b.d.assets.push_back(r);
    };
    asset(1, "1000.01", "0", "50.00");
    asset(2, "-300.00", "0", "0");
    asset(3, "0", "2000.00", "0");
    Document doc;
    ASSERT_TRUE(build_document(b.d, {}, {}, context(), &doc));
    pugi::xml_document xml = parse(doc);
    std::vector<std::string> got;
    for (auto i : xml.document_element().child("rendimentosAplicacoesFinanceiras").children("item"))
        got.push_back(
            std::string(i.attribute("tipoRendimento").as_string()) + " " +
            i.attribute("chaveBem").as_string() + " " + i.attribute("impostoDevido").as_string() +
            " " + i.attribute("baseCalculo").as_string() + " " + i.attribute("saldo").as_string());
    // 15 % of 1,000.01 = 150.0015, written untruncated to the cent (150,00); the base is
    // (150.00 - 50.00) x 6.667; the negative result is its own base with no tax; the profit's
    // net tax 300.00 x 6.6667.
    EXPECT_EQ(got, (std::vector<std::string>{"1 00001 150,00 666,70 666,70",
                                             "1 00002 0,00 -300,00 366,70",
                                             "2 00003 300,00 2.000,01 2.366,71"}));
}

class Dir : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vorn_document_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    static void put(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    fs::path dir;
};

TEST_F(Dir, NamespaceFromTheListThenFromADeclarationThenFromTheSetting) {
    store::Env& env = store::Env::posix();
    std::string ns;
    EXPECT_EQ(read_declaration_namespace(env, dir.string(), "", &ns).code(),
              Status::Code::kNotFound);
    EXPECT_TRUE(read_declaration_namespace(env, dir.string(), " urn:configurado ", &ns));
    EXPECT_EQ(ns, "urn:configurado");
    put(dir / "12345678909" / "12345678909-0000000000.xml",
        "<?xml version=\"1.0\"?>\r\n<classe xmlns=\"urn:da-declaracao\" a=\"1\"></classe>");
    put(dir / "not-a-cpf" / "x.xml", "<classe xmlns=\"urn:errado\"/>");
    EXPECT_TRUE(read_declaration_namespace(env, dir.string(), "urn:configurado", &ns));
    EXPECT_EQ(ns, "urn:da-declaracao");
    put(dir / "iddeclaracoes.xml", "<classe xmlns=\"urn:da-lista\"></classe>");
    EXPECT_TRUE(read_declaration_namespace(env, dir.string(), "", &ns));
    EXPECT_EQ(ns, "urn:da-lista");
    // A broken list is passed over for the declarations.
    put(dir / "iddeclaracoes.xml", "<classe xmlns=\"urn:da-lista\"");
    EXPECT_TRUE(read_declaration_namespace(env, dir.string(), "", &ns));
    EXPECT_EQ(ns, "urn:da-declaracao");
}

TEST_F(Dir, AFailedWriteLeavesTheOldDocumentWhole) {
    const std::string path = (dir / "doc.xml").string();
    put(path, "OLD");
    Document doc;
    doc.text = "NEW DOCUMENT";
    for (int n = 1;; ++n) {
        store::FaultEnv env(store::Env::posix());
        env.fail_at(n, false);
        const Status s = write_document(env, path, doc);
        std::ifstream in(path, std::ios::binary);
        std::stringstream got;
        got << in.rdbuf();
        if (s) {
            EXPECT_EQ(got.str(), "NEW DOCUMENT");
            break;
        }
        EXPECT_TRUE(got.str() == "OLD" || got.str() == "NEW DOCUMENT") << n;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << n;
        put(path, "OLD");
        ASSERT_LT(n, 20);
    }
}

}  // namespace
}  // namespace vorn::output

namespace vorn::output {
namespace {

// A line of a variable-income statement as the statement screen stores it.
store::Record statement_line(Builder& b, char kind, int line, const char* dependant,
                             std::initializer_list<std::pair<int, const char*>> months) {
    store::Record r = b.d.new_record(7);
    r.set("TIPO_BEM", Decimal(4));
    r.set("DAY_TRADE", std::string(1, kind));
    r.set("RVAR_NRO", Decimal(line));
    r.set("CPF_DEPE", dependant);
    for (auto [m, v] : months)
        r.set("REC_MES" + std::string(m < 10 ? "0" : "") + std::to_string(m), D(v));
    return r;
}

// The statements of variable income month by month: a January loss of 1,000.00 and a February
// gain of 600.00 leave February's base 0 and carry 400.00 to March, whose gain of 1,000.00 is
// taxed on 600.00 at 15 %; a day-trade base of 1,000.00 pays 20 %; a fund's 500.00 pays 100.00;
// a dependant with stock lines gets an item, one without none.
TEST(Document, VariableIncomeStatementsMonthByMonth) {
    Builder b = employee();
    b.dependant(21, "11111111111", Date(2010, 1, 1), 1);
    b.dependant(21, "22222222222", Date(2012, 1, 1), 2);
    const std::vector<store::Record> table7 = {
        statement_line(b, '1', 1, "", {{1, "-1000.00"}, {2, "600.00"}, {3, "1000.00"}}),
        statement_line(b, '2', 1, "", {{4, "1000.00"}}),
        statement_line(b, '3', 1, "", {{1, "500.00"}}),
        statement_line(b, '1', 1, "11111111111", {{6, "200.00"}}),
    };
    tax::testing::Session s(b.d);
    tax::compute_declaration(s.ctx);
    Document doc;
    ASSERT_TRUE(build_document(b.d, table7, {}, context(), &doc));
    pugi::xml_document xml = parse(doc);
    const pugi::xml_node rv = xml.document_element().child("rendaVariavel");
    auto common = [&](const char* month, const char* attr) {
        return std::string(rv.child(month).child("operacoesComuns").attribute(attr).as_string());
    };
    EXPECT_EQ(common("janeiro", "resultadoLiquidoMes"), "-1.000,00");
    EXPECT_EQ(common("janeiro", "prejuizoCompensar"), "1.000,00");
    EXPECT_EQ(common("fevereiro", "resultadoNegativoMesAnterior"), "1.000,00");
    EXPECT_EQ(common("fevereiro", "baseCalculoImposto"), "0,00");
    EXPECT_EQ(common("fevereiro", "prejuizoCompensar"), "400,00");
    EXPECT_EQ(common("marco", "baseCalculoImposto"), "600,00");
    EXPECT_EQ(common("marco", "impostoDevido"), "90,00");
    EXPECT_EQ(std::string(rv.child("marco").attribute("impostoApagar").as_string()), "90,00");
    EXPECT_EQ(
        std::string(
            rv.child("abril").child("operacoesDayTrade").attribute("impostoDevido").as_string()),
        "200,00");
    // Months are padded to nine characters, as the government program reads them.
    EXPECT_NE(doc.text.find("<marco     impostoApagar="), std::string::npos);
    EXPECT_NE(doc.text.find("</marco    >"), std::string::npos);

    const pugi::xml_node fund = xml.document_element().child("fundosInvestimentos").child("jan");
    EXPECT_EQ(std::string(fund.attribute("baseCalcImposto").as_string()), "500,00");
    EXPECT_EQ(std::string(fund.attribute("impostoDevido").as_string()), "100,00");
    EXPECT_EQ(std::string(fund.attribute("aliquotaImposto").as_string()), "20,00");

    std::vector<std::string> stock_items, fund_items;
    for (auto i : xml.document_element().child("rendaVariavelDependente").children("item"))
        stock_items.push_back(i.attribute("cpf").as_string() + std::string(" ") +
                              i.child("rendaVariavel")
                                  .child("junho")
                                  .child("operacoesComuns")
                                  .attribute("baseCalculoImposto")
                                  .as_string());
    for (auto i : xml.document_element().child("fundosInvestimentosDependente").children("item"))
        fund_items.push_back(i.attribute("cpf").as_string());
    EXPECT_EQ(stock_items, std::vector<std::string>{"111.111.111-11 200,00"});
    EXPECT_TRUE(fund_items.empty());
}

}  // namespace
}  // namespace vorn::output
