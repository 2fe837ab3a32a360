// The capital-gains part of the declaration document: each kind's collection against its golden
// fragment, the whole document through xmllint with "&", "<" and quotes in names, the figures of
// a worked sale checked by hand, the buyers' stop, the gains left out and the divisions by zero.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <pugixml.hpp>

#include "../tax/builder.h"
#include "output/document.h"
#include "tax/annual.h"

namespace vorn::output {
namespace {

namespace fs = std::filesystem;
using tax::testing::Builder;
using tax::testing::D;

DocumentContext context() {
    DocumentContext c;
    c.xmlns = "http://www.exemplo.test/irpf";
    c.now = DateTime{Date(2026, 4, 20), 10 * 3600};
    c.countries = {{"105", "Brasil"}, {"249", "Estados Unidos"}};
    c.municipalities = {{"CURITIBA|PR", "7535"}};
    return c;
}

Builder holder() {
    Builder b("12345678909");
    b.d.set("NOMECONTR", "JOSÉ D'ÁVILA & FILHOS <SP>");
    b.d.set("MUNICIPIO", "CURITIBA");
    b.d.set("UF", "PR");
    b.d.set("EXTERIOR", "N");
    b.company("85000.00", "9500.00", "9000.00", "7000.00");
    b.dependant(21, "11144477735", Date(2010, 1, 1), 1, "ANA \"BIA\" <JR>");
    return b;
}

store::Record gain(const Builder& b, int number, int kind, const char* seller = "12345678909") {
    store::Record g = b.d.new_record(7);
    g.set("BEM_NRO", Decimal(number));
    g.set("TIPO_BEM", Decimal(kind));
    g.set("CPFALIEN", seller);
    g.set("CODNATUR", Decimal(1));
    return g;
}

store::Record cost(const Builder& b, int number, const char* value, Date date) {
    store::Record c = b.d.new_record(8);
    c.set("BEM_NRO", Decimal(number));
    c.set("VALOR_CUST", D(value));
    c.set("DATA_CUST", date);
    return c;
}

// The flat of the worked example: bought 10/03/1985 for 50,000.00, sold 15/06/2025 for
// 800,000.00 with 40,000.00 of brokerage.
store::Record flat(const Builder& b, int number) {
    store::Record g = gain(b, number, 1);
    g.set("DATA_ADQ", Date(1985, 3, 10));
    g.set("DATA_ALI", Date(2025, 6, 15));
    g.set("VAL_ALI", D("800000.00"));
    g.set("VAL_CORR", D("40000.00"));
    g.set("CUS_ATUAL", D("50000.00"));
    g.set("ESPC_BEM", "APTO 12 & GARAGEM \"B\" <FUNDOS>");
    g.set("ENDEIMO", "DAS FLORES");
    g.set("NUMIMO", "");
    g.set("MUNICIMO", "CURITIBA");
    g.set("UFIMO", "PR");
    g.set("CEPIMO", "80010000");
    g.set("CPFADQ", "52998224725");
    g.set("NOME_ADQ", "CARLOS & \"FILHO\" <LTDA>");
    return g;
}

struct Built {
    Status status;
    Document doc;
};

Built build(Builder& b, const std::vector<store::Record>& t7,
            const std::vector<store::Record>& t8) {
    tax::testing::Session s(b.d);
    tax::compute_declaration(s.ctx);
    Built out;
    out.status = build_document(b.d, t7, t8, context(), &out.doc);
    return out;
}

// The text of the first element `name` (start tag to its end tag, or the empty element).
std::string fragment(const std::string& text, const std::string& name) {
    const size_t from = text.find("<" + name + " ") != std::string::npos
                            ? text.find("<" + name + " ")
                            : text.find("<" + name + ">");
    if (from == std::string::npos) return "";
    const std::string end = "</" + name + ">";
    const size_t to = text.find(end, from);
    if (to == std::string::npos) return text.substr(from, text.find("/>", from) + 2 - from);
    return text.substr(from, to + end.size() - from);
}

// The fragment equal to tests/data/document/gcap_<file>.xml; UPDATE_GOLDEN=1 writes it.
void check_fragment(const std::string& file, const std::string& fragment_text) {
    ASSERT_FALSE(fragment_text.empty()) << file;
    const std::string path =
        std::string(VORN_SOURCE_DIR) + "/tests/data/document/gcap_" + file + ".xml";
    if (std::getenv("UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << fragment_text << "\n";
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << path << " (run with UPDATE_GOLDEN=1)";
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(fragment_text + "\n", want.str()) << file;
}

// The whole document passes xmllint (installed by scripts/install-deps.sh).
void expect_xmllint(const Document& doc, const std::string& name) {
    const fs::path path = fs::temp_directory_path() / ("gcap_" + name + ".xml");
    std::ofstream(path, std::ios::binary) << doc.text;
    const int rc = std::system(("xmllint --noout '" + path.string() + "' 2>&1").c_str());
    EXPECT_EQ(rc, 0) << name << ": xmllint ausente ou documento mal formado";
    fs::remove(path);
}

pugi::xml_document parse(const Document& doc) {
    pugi::xml_document xml;
    EXPECT_TRUE(xml.load_buffer(doc.text.data(), doc.text.size()));
    return xml;
}

// Every kind in one declaration: the declarant's flat of the worked example, a house with two
// cost rows sold in three instalments, a car in Brazil and a car abroad; the dependant's
// shares. Each collection is held against its golden fragment.
TEST(DocumentGains, EveryKindAgainstItsGoldenFragment) {
    Builder b = holder();
    std::vector<store::Record> t7, t8;
    t7.push_back(flat(b, 1));
    store::Record house = gain(b, 2, 1);
    house.set("DATA_ADQ", Date(1995, 5, 2));
    house.set("DATA_ALI", Date(2025, 3, 10));
    house.set("VAL_ALI", D("600000.00"));
    house.set("VAL_CORR", D("18000.00"));
    house.set("PARCOMPRA", "S");
    house.set("VEN_PRAZO", "S");
    house.set("DATA_PAR", Date(2025, 9, 10));
    house.set("ESPC_BEM", "CASA");
    house.set("MAISDE1", "S");
    house.set("CPFNOME", "MARIA SOUZA, 52998224725, JOAO & CIA, 11222333000181");
    for (int m : {3, 6, 9}) {
        const std::string mm = m < 10 ? "0" + std::to_string(m) : std::to_string(m);
        house.set("REC_MES" + mm, D("200000.00"));
        house.set("VAL_COR" + mm, D("6000.00"));
        house.set("DIA_REC" + mm, Decimal(10));
    }
    t7.push_back(house);
    t8.push_back(cost(b, 2, "150000.00", Date(1995, 5, 2)));
    t8.push_back(cost(b, 2, "50000.00", Date(2012, 7, 1)));
    store::Record car = gain(b, 3, 2);
    car.set("DATA_ADQ", Date(2020, 1, 15));
    car.set("DATA_ALI", Date(2025, 8, 5));
    car.set("VAL_ALI", D("95000.00"));
    car.set("CUS_ATUAL", D("70000.00"));
    car.set("ESPC_BEM", "AUTOMOVEL");
    car.set("NOME_ADQ", "");
    t7.push_back(car);
    store::Record abroad = gain(b, 4, 2);
    abroad.set("BEMBRASIL", "N");
    abroad.set("DATA_ADQ", Date(2018, 2, 1));
    abroad.set("DATA_ALI", Date(2025, 11, 20));
    abroad.set("VALALIUS", D("30000.00"));
    abroad.set("DOLARVEN", D("5.5000"));
    abroad.set("DOLARAQU", D("3.2000"));
    abroad.set("AQUI_BR", D("10000.00"));
    abroad.set("AQUI_US", D("10000.00"));
    abroad.set("IMP_PAGEX", D("1000.00"));
    abroad.set("ESPC_BEM", "CARRO NOS EUA");
    t7.push_back(abroad);
    store::Record shares = gain(b, 5, 3, "11144477735");
    shares.set("TIPOPART", Decimal(1));
    shares.set("PARCOMPRA", "S");
    shares.set("DATA_ALI", Date(2025, 4, 30));
    shares.set("VAL_ALI", D("60000.00"));
    shares.set("VAL_CORR", D("100.00"));
    shares.set("IMPPAGO", D("1500.00"));
    shares.set("VAL_PARTE", D("999.00"));  // no tax: left out of the tax paid
    shares.set("NOME_SOCIE", "ACME & CIA");
    shares.set("CGC_SOCIE", "11222333000181");
    t7.push_back(shares);
    t8.push_back(cost(b, 5, "20000.00", Date(2023, 1, 10)));
    t8.back().set("MOV_ACAO", Decimal(1000));
    t8.push_back(cost(b, 5, "0.00", Date(2025, 4, 30)));
    t8.back().set("MOV_ACAO", Decimal(1000));
    t8.back().set("TIPO_OPER", Decimal(3));
    const auto stored = t7;

    Built r = build(b, t7, t8);
    ASSERT_TRUE(r.status) << r.status.message();
    EXPECT_EQ(r.doc.gains, 5);
    expect_xmllint(r.doc, "every_kind");
    const std::string gcap = fragment(r.doc.text, "gcap");
    check_fragment("ids", fragment(gcap, "ids"));
    check_fragment("bensImoveis", fragment(gcap, "bensImoveis"));
    check_fragment("bensMoveis", fragment(gcap, "bensMoveis"));
    check_fragment("pSocietarias", fragment(gcap, "pSocietarias"));
    check_fragment("consolidacoes", fragment(gcap, "consolidacoesBrasil") +
                                        fragment(gcap, "consolidacoesExterior") +
                                        fragment(gcap, "consolidacaoGeralBrasil") +
                                        fragment(gcap, "consolidacaoGeralExterior"));
    // The records handed in are as they were: the writer computed on copies.
    for (size_t i = 0; i < t7.size(); ++i)
        for (const char* f : {"VAL_TRIBU", "VAL_IMPOSV", "REDUCAO", "PER_TRI", "REC_MES06"})
            EXPECT_EQ(t7[i].num(f), stored[i].num(f)) << i << " " << f;

    pugi::xml_document xml = parse(r.doc);
    const auto g = xml.document_element().child("gcap");
    // Two sellers, the declarant first, each consolidated in both countries.
    ASSERT_EQ(g.child("ids").select_nodes("item").size(), 2u);
    EXPECT_STREQ(g.child("ids").last_child().attribute("cpf").as_string(), "111.444.777-35");
    // Names lose their quotes and brackets to the system's character conversion.
    EXPECT_STREQ(g.child("ids").last_child().attribute("nome").as_string(), "ANA  BIA  -JR-");
    EXPECT_EQ(g.child("consolidacoesBrasil").select_nodes("item").size(), 2u);
    // The shares' tax paid is IMPPAGO alone.
    const auto share = g.child("pSocietarias").child("item");
    EXPECT_STREQ(share.child("consolidacao").attribute("impostoPago").as_string(), "1.500,00");
    // The list of buyers pairs names and numbers in order.
    const auto buyers = g.child("bensImoveis").last_child().child("adquirentes");
    ASSERT_EQ(buyers.select_nodes("item").size(), 2u);
    EXPECT_STREQ(buyers.last_child().attribute("cpfCnpj").as_string(), "11.222.333/0001-81");
    EXPECT_STREQ(buyers.last_child().attribute("nome").as_string(), "JOAO e CIA");
    // The car abroad, by hand: half of the 30,000.00 dollars was paid with reais, 15,000 × 5.50 −
    // 10,000 × 3.20 = 50,500.00; the other half with dollars earned abroad, (15,000 − 10,000) ×
    // 5.50 = 27,500.00; 78,000.00 at 15 % = 11,700.00, of which the 1,000.00 paid abroad is
    // compensated.
    const auto car_abroad = g.child("bensMoveis").last_child();
    EXPECT_STREQ(car_abroad.child("apuracao").attribute("ganhoCapitalOrigemNacional").as_string(),
                 "50.500,00");
    EXPECT_STREQ(car_abroad.child("apuracao").attribute("ganhoCapitalOrigemME").as_string(),
                 "27.500,00");
    EXPECT_STREQ(
        car_abroad.child("calculoImposto").attribute("impostoDevidoAposCompensacao").as_string(),
        "10.700,00");
    // A car without its buyer's name names it "...".
    EXPECT_STREQ(g.child("bensMoveis")
                     .child("item")
                     .child("adquirentes")
                     .child("item")
                     .attribute("nome")
                     .as_string(),
                 "...");
}

// The worked flat, by hand: G = 800,000.00 − 40,000.00 − 50,000.00 = 710,000.00; bought in 1985,
// 20 % off by year = 142,000.00 (percentage 142,000 / 710,000 = 20 %); 119 months from 1985 to
// November 2005 give 1 − 1/1.006^119 = 0.50927262 and factor 1 = 710,000 × 0.50927262 less the
// year's 20 % = 289,266.84; 235 months to the sale give 0.56003670 and factor 2 156,100.79;
// taxable 710,000 − 142,000 − 289,266.84 − 156,100.79 = 122,632.37, at 15 % 18,394.85 (cut).
TEST(DocumentGains, TheWorkedFlatCarriesItsFiguresByName) {
    Builder b = holder();
    Built r = build(b, {flat(b, 7)}, {});
    ASSERT_TRUE(r.status) << r.status.message();
    pugi::xml_document xml = parse(r.doc);
    const auto item = xml.document_element().child("gcap").child("bensImoveis").child("item");
    EXPECT_STREQ(item.attribute("codigoOperacao").as_string(), "0007");
    EXPECT_STREQ(item.attribute("natureza").as_string(), "1");
    EXPECT_STREQ(item.attribute("dataAlienacao").as_string(), "15/06/2025");
    const auto a = item.child("apuracao");
    EXPECT_STREQ(a.attribute("valorLiquidoAlienacao").as_string(), "760.000,00");
    EXPECT_STREQ(a.attribute("ganhoCapital1").as_string(), "710.000,00");
    EXPECT_STREQ(a.attribute("valorReducaoLei7713").as_string(), "142.000,00");
    EXPECT_STREQ(a.attribute("percentualReducaoLei7713").as_string(), "20,000000");
    EXPECT_STREQ(a.attribute("percentualReducaoLei7713OrigemNacional").as_string(), "20,000000");
    EXPECT_STREQ(a.attribute("ganhoCapital2").as_string(), "568.000,00");
    EXPECT_STREQ(a.attribute("valorReducaoLei11196FR1").as_string(), "289.266,84");
    EXPECT_STREQ(a.attribute("percentualReducaoLei11196FR1").as_string(), "50,927262");
    EXPECT_STREQ(a.attribute("valorReducaoLei11196FR2").as_string(), "156.100,79");
    EXPECT_STREQ(a.attribute("percentualReducaoLei11196FR2").as_string(), "56,003670");
    EXPECT_STREQ(a.attribute("ganhoCapital5").as_string(), "122.632,37");
    EXPECT_STREQ(a.attribute("cotacaoDolarOrigemME").as_string(), "0,0000");
    EXPECT_STREQ(item.child("calculoImposto").attribute("impostoDevido").as_string(), "18.394,85");
    EXPECT_STREQ(item.child("consolidacao").attribute("impostoTotal").as_string(), "18.394,85");
    // Every element of the computation lists its attributes in alphabetical order.
    for (const char* name : {"apuracao", "apuracaoFinal", "colecaoParcelaAlienacao",
                             "calculoImposto", "ajuste", "consolidacao"}) {
        std::vector<std::string> names;
        for (const auto& at : item.child(name).attributes()) names.push_back(at.name());
        EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << name;
        EXPECT_GT(names.size(), 3u) << name;
    }
    // The address without a number is "SN" and its municipality comes from the table.
    const auto address = item.child("bemImovel").child("endereco");
    EXPECT_STREQ(address.attribute("numero").as_string(), "SN");
    EXPECT_STREQ(address.attribute("municipio").as_string(), "7535");
    EXPECT_STREQ(xml.document_element()
                     .child("gcap")
                     .child("consolidacaoGeralBrasil")
                     .attribute("impostoTotal")
                     .as_string(),
                 "18.394,85");
}

// Foreign cash alone writes the section (not the empty skeleton), with its operations and the
// cash consolidation.
TEST(DocumentGains, ForeignCashAloneWritesTheSection) {
    Builder b = holder();
    store::Record dollars = gain(b, 1, 5);
    dollars.set("PARCOMPRA", "S");
    dollars.set("DATA_ALI", Date(2025, 9, 1));
    dollars.set("VAL_ALI", D("11000.00"));
    dollars.set("CODEXTE", "10");
    std::vector<store::Record> t8 = {cost(b, 1, "10000.00", Date(2024, 2, 1)),
                                     cost(b, 1, "0.00", Date(2025, 9, 1))};
    t8[0].set("MOV_ACAO", Decimal(2000));
    t8[1].set("MOV_ACAO", Decimal(2000));
    t8[1].set("TIPO_OPER", Decimal(3));
    Built r = build(b, {dollars}, t8);
    ASSERT_TRUE(r.status) << r.status.message();
    EXPECT_EQ(r.doc.gains, 1);
    expect_xmllint(r.doc, "cash");
    const std::string gcap = fragment(r.doc.text, "gcap");
    check_fragment("especie",
                   fragment(gcap, "especie") + fragment(gcap, "consolidacaoGeralEspecie"));
    pugi::xml_document xml = parse(r.doc);
    const auto g = xml.document_element().child("gcap");
    // 11,000.00 − 10,000.00 = 1,000.00 at 15 % = 150.00: an average rate of 15 %.
    const auto total = g.child("consolidacaoGeralEspecie");
    EXPECT_STREQ(total.attribute("ganhoCapitalTotal").as_string(), "1.000,00");
    EXPECT_STREQ(total.attribute("impostoDevido").as_string(), "150,00");
    EXPECT_STREQ(total.child("item").attribute("aliquotaMedia").as_string(), "15,000000");
    EXPECT_EQ(
        g.child("especie").child("item").child("operacoesEspecie").select_nodes("item").size(), 2u);
}

// A buyers' list that does not pair names with numbers stops the whole document with the texts
// the operator reads; nothing is handed back.
TEST(DocumentGains, UnpairedBuyersStopTheDocument) {
    Builder b = holder();
    store::Record first = flat(b, 1);
    store::Record second = flat(b, 2);
    second.set("MAISDE1", "S");
    second.set("CPFNOME", "MARIA, 52998224725, JOAO");
    Document doc;
    doc.text = "antes";
    tax::testing::Session s(b.d);
    tax::compute_declaration(s.ctx);
    const Status st = build_document(b.d, {first, second}, {}, context(), &doc);
    ASSERT_FALSE(st);
    EXPECT_EQ(st.message(),
              "Erro no preenchimento dos campos \nCPF e Nome do(s) adquirente(s)\nGcap nro 02 -  "
              "Bem Imóvel \nTransferência interrompida. Confira o preenchimento!");
    EXPECT_EQ(doc.text, "antes");
    // A list of names alone pairs nothing either; one that pairs is written.
    second.set("CPFNOME", "MARIA, JOAO");
    EXPECT_FALSE(build_document(b.d, {second}, {}, context(), &doc));
    second.set("CPFNOME", "MARIA, 529.982.247-25");
    EXPECT_TRUE(build_document(b.d, {second}, {}, context(), &doc));
}

// A sale after the base year is left out with its note; the others are written. Divisions by
// zero give 0: a property sold at its cost (G = 0), cash sold without gain (average rate), and an
// instalment sale with no net sale value (proportional totals).
TEST(DocumentGains, LaterSalesAreLeftOutAndDivisionsByZeroGiveZero) {
    Builder b = holder();
    store::Record later = flat(b, 1);
    later.set("DATA_ALI", Date(2026, 2, 1));
    store::Record at_cost = flat(b, 2);
    at_cost.set("VAL_ALI", D("90000.00"));
    store::Record nothing = gain(b, 3, 1);
    nothing.set("DATA_ALI", Date(2025, 5, 5));
    nothing.set("VEN_PRAZO", "S");
    nothing.set("REC_MES05", D("1000.00"));
    nothing.set("VAL_COR05", D("1000.00"));
    store::Record cash = gain(b, 4, 5);
    cash.set("DATA_ALI", Date(2025, 7, 1));
    cash.set("VAL_ALI", D("500.00"));
    cash.set("CUS_ATUAL", D("800.00"));
    Built r = build(b, {later, at_cost, nothing, cash}, {});
    ASSERT_TRUE(r.status) << r.status.message();
    EXPECT_EQ(r.doc.gains, 3);
    ASSERT_EQ(r.doc.notes.size(), 1u);
    EXPECT_EQ(r.doc.notes[0].text,
              "GCAP de imóvel com data posterior ao ano Base GCAP nro 1. Não será transferido "
              "para a Receita");
    pugi::xml_document xml = parse(r.doc);
    const auto g = xml.document_element().child("gcap");
    const auto first = g.child("bensImoveis").child("item");
    EXPECT_STREQ(first.attribute("codigoOperacao").as_string(), "0002");
    EXPECT_STREQ(first.child("apuracao").attribute("ganhoCapital1").as_string(), "0,00");
    EXPECT_STREQ(first.child("apuracao").attribute("percentualReducaoLei7713").as_string(),
                 "0,000000");
    const auto parcels = g.child("bensImoveis").last_child().child("colecaoParcelaAlienacao");
    EXPECT_STREQ(parcels.attribute("custoAquisicaoProporcionalTotal").as_string(), "0,00");
    EXPECT_STREQ(parcels.attribute("custoAquisicaoTornaProporcionalTotal").as_string(), "0,00");
    EXPECT_STREQ(parcels.attribute("valorRecebidoTotal").as_string(), "1.000,00");
    EXPECT_STREQ(
        g.child("consolidacaoGeralEspecie").child("item").attribute("aliquotaMedia").as_string(),
        "0,000000");
}

}  // namespace
}  // namespace vorn::output
