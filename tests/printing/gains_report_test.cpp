// The capital-gains report: golden print files of each kind of gain, the split over the tax
// brackets (with and without an earlier gain), the choice of the gains an option prints and the
// questions of the open declaration's print loop.
#include "printing/gains_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "../gains/records.h"
#include "gains/rates.h"

namespace vorn::printing {
namespace {

namespace fs = std::filesystem;
using gains::testing::cost;
using gains::testing::D;
using gains::testing::gain;
using gains::testing::kDeclarant;

void expect_golden(const std::string& name, const std::string& bytes) {
    const fs::path path = fs::path(VORN_SOURCE_DIR) / "tests/data/printing" / name;
    if (std::getenv("UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << bytes;
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << path << " (run with UPDATE_GOLDEN=1)";
    EXPECT_EQ(bytes, std::string(std::istreambuf_iterator<char>(in), {})) << name;
}

// A gain with its cost rows, computed as the entry screen stores it.
struct Case {
    store::Record g;
    std::vector<store::Record> rows;
    GainToPrint p;

    Case(store::Record gain_record, std::vector<store::Record> cost_rows)
        : g(std::move(gain_record)), rows(std::move(cost_rows)) {
        gains::Settings s;
        s.declarant_cpf = kDeclarant;
        ScriptedOperator op;
        std::vector<store::Record*> ptrs;
        for (auto& r : rows) ptrs.push_back(&r);
        p.result = gains::compute_gain(g, ptrs, s, op);
        p.gain = &g;
        p.costs.assign(ptrs.begin(), ptrs.end());
        p.seller_name = "FULANO DE TAL & CIA";
        p.seller_cpf = kDeclarant;
    }
    std::string print(int lines = 60) const {
        PrintWriter w;
        GainsReport r(w, lines);
        r.IMPRGAN(p);
        return w.text();
    }
};

bool has(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// The line of the print that starts with `label` (after blanks).
std::string line_of(const std::string& text, const std::string& label) {
    for (std::string_view l : lines_of(text)) {
        const size_t p = l.find_first_not_of(' ');
        if (p != std::string_view::npos && l.substr(p).starts_with(label)) return std::string(l);
    }
    return "(none)";
}

// A flat bought in 1985 for 50,000.00 and renovated in 2010 for 30,000.00, sold on 15/06/2025 for
// 800,000.00 (brokerage 40,000.00) in twelve instalments of 66,666.67 less 3,333.33 brokerage
// (the last one 66,666.63 and 3,333.37).
Case flat_in_instalments() {
    store::Record g = gain({{"BEM_NRO", "1"},
                            {"TIPO_BEM", "1"},
                            {"CODNATUR", "1"},
                            {"NATUOPER", "Venda"},
                            {"ESPC_BEM", "APARTAMENTO 101"},
                            {"ENDEIMO", "RUA DAS FLORES"},
                            {"NUMIMO", "12"},
                            {"CEPIMO", "01310100"},
                            {"MUNICIMO", "SAO PAULO"},
                            {"UFIMO", "SP"},
                            {"CPFADQ", "52998224725"},
                            {"NOME_ADQ", "BELTRANO \"COMPRADOR\""},
                            {"DATA_ADQ", "10/03/1985"},
                            {"DATA_ALI", "15/06/2025"},
                            {"VAL_ALI", "800000.00"},
                            {"VAL_CORR", "40000.00"},
                            {"PARCOMPRA", "S"},
                            {"VEN_PRAZO", "S"}});
    for (int m = 6; m <= 12; ++m) {
        const std::string mm = (m < 10 ? "0" : "") + std::to_string(m);
        g.set("REC_MES" + mm, D(m == 12 ? "200000.00" : "100000.00"));
        g.set("VAL_COR" + mm, D(m == 12 ? "10000.00" : "5000.00"));
    }
    return Case(g, {cost({{"VALOR_CUST", "50000.00"}, {"DATA_CUST", "10/03/1985"}}),
                    cost({{"VALOR_CUST", "30000.00"}, {"DATA_CUST", "20/08/2010"}})});
}

TEST(GainsReport, RealEstateWithCostRowsAndInstalments) {
    const Case c = flat_in_instalments();
    const std::string text = c.print();
    // The chain as the computation found it: G 680,000.00, by year 85,000.00, factors 173,152.68
    // and 212,004.37, taxable 209,842.95 (the same figures the gains command prints).
    EXPECT_TRUE(has(line_of(text, "Ganho de Capital - Resultado 1"), "680.000,00"));
    EXPECT_TRUE(has(line_of(text, "Valor de reducao (Lei n. 7.713, de 1988)"), "85.000,00"));
    EXPECT_TRUE(
        has(line_of(text, "Valor de reducao (Lei n. 11.196, de 2005 - FR1)"), "173.152,68"));
    EXPECT_TRUE(
        has(line_of(text, "Valor de reducao (Lei n. 11.196, de 2005 - FR2)"), "212.004,37"));
    EXPECT_TRUE(has(line_of(text, "Ganho de Capital - Resultado 5"), "209.842,95"));
    // One line per cost row and their total; the instalment table, not the cash sale's.
    EXPECT_TRUE(has(line_of(text, "10/03/1985"), "50.000,00"));
    EXPECT_TRUE(has(line_of(text, "20/08/2010"), "30.000,00"));
    EXPECT_TRUE(has(line_of(text, "Total........"), "80.000,00"));
    EXPECT_TRUE(
        has(text, "CALCULO DO IMPOSTO - ALIENACAO A PRAZO        CODIGO RECOLHIMENTO - 4600"));
    EXPECT_FALSE(has(text, "ALIENACAO A VISTA"));
    // Seven months received, 800,000.00 in all: the final instalment came this year.
    EXPECT_TRUE(has(text, "\nTotal     800.000,00"));
    EXPECT_TRUE(has(line_of(text, "A parcela final foi recebida em 2025"), "Sim(x) Nao( )"));
    // Names go out as typed, in ISO-8859-1; the sections in their order.
    EXPECT_TRUE(has(text, "BELTRANO \"COMPRADOR\""));
    const char* order[] = {"DADOS DO IMOVEL",
                           "DADOS DA OPERACAO",
                           "Houve edificacao, ampliacao, reforma ou adquirido em datas diferentes",
                           "ADQUIRENTE",
                           "APURACAO DO CUSTO DE AQUISICAO",
                           "APURACAO DOS GANHOS DE CAPITAL",
                           "Ja houve venda parcial desse bem?",
                           "CALCULO DO IMPOSTO - ALIENACAO A PRAZO",
                           "APURACAO (relativa as parcelas recebidas)",
                           "AJUSTES",
                           "CONSOLIDACAO DO BEM",
                           "IMPOSTO PAGO NO BRASIL E EXTERIOR"};
    size_t at = 0;
    for (const char* s : order) {
        const size_t p = text.find(s, at);
        ASSERT_NE(p, std::string::npos) << s;
        at = p;
    }
    expect_golden("gains_real_estate.TXT", text);

    // A short page: every page starts with the title block, and no line passes the page's foot.
    const std::string paged = c.print(30);
    size_t pages = 1;
    for (size_t p = 0; (p = paged.find(kFormFeed, p)) != std::string::npos; ++p) {
        ++pages;
        EXPECT_EQ(paged.compare(p + 1, 48, "DEMONSTRATIVO DA APURACAO DOS GANHOS DE CAPITAL "), 0);
    }
    EXPECT_GE(pages, 4u);
    size_t start = 0;
    for (size_t p = 0;; start = p + 1) {
        p = paged.find(kFormFeed, start);
        const std::string page = paged.substr(start, p == std::string::npos ? p : p - start);
        EXPECT_LE(lines_of(page).size(), 30u);
        if (p == std::string::npos) break;
    }
}

TEST(GainsReport, MovableAbroadSharesAndCash) {
    // A car abroad: 30,000.00 dollars at 5.0 for a cost of 10,000.00 dollars of each origin at 4.0.
    // Reais part: 15,000.00 × 5 − 10,000.00 × 4 = 35,000.00; dollars part: (15,000.00 − 10,000.00)
    // × 5 = 25,000.00; taxable 60,000.00, tax 9,000.00 less 1,000.00 paid abroad.
    const Case car(gain({{"BEM_NRO", "3"},
                         {"TIPO_BEM", "2"},
                         {"BEMBRASIL", "N"},
                         {"ESPC_BEM", "AUTOMOVEL"},
                         {"DATA_ADQ", "02/01/2020"},
                         {"DATA_ALI", "20/05/2025"},
                         {"VALALIUS", "30000.00"},
                         {"DOLARVEN", "5.0000"},
                         {"DOLARAQU", "4.0000"},
                         {"AQUI_BR", "10000.00"},
                         {"AQUI_US", "10000.00"},
                         {"IMP_PAGEX", "1000.00"}}),
                   {});
    const std::string abroad = car.print();
    EXPECT_TRUE(has(abroad, "BENS MOVEIS"));
    EXPECT_TRUE(has(line_of(abroad, "Origem dos rendimentos: "), "ambas Moedas"));
    EXPECT_TRUE(has(line_of(abroad, "Percentual em moeda nacional"), "50,000000000"));
    EXPECT_TRUE(has(line_of(abroad, "Ganho de capital em R$ - moeda nacional"), "35.000,00"));
    EXPECT_TRUE(has(line_of(abroad, "Ganho de capital em R$ - moeda estrangeira"), "25.000,00"));
    EXPECT_TRUE(has(line_of(abroad, "Imposto devido antes da compensacao"), "9.000,00"));
    EXPECT_TRUE(
        has(line_of(abroad, "Imposto pago no Exterior passivel de compensacao"), "1.000,00"));
    EXPECT_TRUE(has(line_of(abroad, "Imposto devido apos compensacao"), "8.000,00"));
    expect_golden("gains_movable_abroad.TXT", abroad);

    // Shares: buy 100 for 1,000.00, sell 50, buy 100 for 2,000.00, sell 50; 2,100.00 received.
    // Each sale at the running average: 500.00 + 833.33 = 1,333.33, gain 766.67, tax 115.00.
    std::vector<store::Record> ops;
    for (auto [date, type, qty, value] : {std::tuple{"05/01/2025", "1", "100", "1000.00"},
                                          {"05/02/2025", "3", "50", "0"},
                                          {"05/03/2025", "1", "100", "2000.00"},
                                          {"10/04/2025", "3", "50", "0"}})
        ops.push_back(cost({{"BEM_NRO", "2"},
                            {"DATA_CUST", date},
                            {"TIPO_OPER", type},
                            {"MOV_ACAO", qty},
                            {"VALOR_CUST", value}}));
    const Case shares(gain({{"BEM_NRO", "2"},
                            {"TIPO_BEM", "3"},
                            {"TIPOPART", "1"},
                            {"NOME_SOCIE", "EMPRESA S.A."},
                            {"CGC_SOCIE", "11222333000181"},
                            {"PARCOMPRA", "S"},
                            {"DATA_ALI", "10/04/2025"},
                            {"VAL_ALI", "2100.00"}}),
                      ops);
    const std::string s = shares.print();
    EXPECT_TRUE(has(s, "DADOS DA PARTICIPACAO SOCIETARIA"));
    EXPECT_TRUE(has(line_of(s, "CNPJ: "), "11.222.333/0001-81"));
    EXPECT_TRUE(has(line_of(s, "Tipo de participacao: "), "Acoes"));
    EXPECT_TRUE(has(line_of(s, "Custo de aquisicao das quantidades vendidas"), "1.333,33"));
    EXPECT_TRUE(has(line_of(s, "Ganho de Capital"), "766,67"));
    EXPECT_TRUE(has(s, "CONSOLIDACAO\n"));
    EXPECT_TRUE(has(line_of(s, "Imposto devido"), "115,00"));
    // The average after the second purchase: 2,500.00 for 150 = 16.666666.
    EXPECT_TRUE(has(line_of(s, "05/03/2025"),
                    "Compra              100       2.000,00      16,666666          150"));
    expect_golden("gains_shares.TXT", s);

    // Dollars in cash: 5,000 bought for 25,000.00 and sold for 30,000.00: gain 5,000.00 at 15 %.
    const Case cash(gain({{"BEM_NRO", "4"},
                          {"TIPO_BEM", "5"},
                          {"CODEXTE", "10"},
                          {"ESPC_BEM", "DOLAR"},
                          {"PARCOMPRA", "S"},
                          {"DATA_ALI", "10/07/2025"},
                          {"VAL_ALI", "30000.00"}}),
                    {cost({{"BEM_NRO", "4"},
                           {"DATA_CUST", "01/02/2025"},
                           {"TIPO_OPER", "1"},
                           {"MOV_ACAO", "5000"},
                           {"VALOR_CUST", "25000.00"}}),
                     cost({{"BEM_NRO", "4"},
                           {"DATA_CUST", "10/07/2025"},
                           {"TIPO_OPER", "3"},
                           {"MOV_ACAO", "5000"},
                           {"VALOR_CUST", "0"}})});
    const std::string m = cash.print();
    EXPECT_TRUE(has(m, "MOEDA EM ESPECIE"));
    EXPECT_TRUE(has(line_of(m, "Moeda: "), "10 DOLAR"));
    EXPECT_TRUE(has(line_of(m, "Ganho de Capital"), "5.000,00"));
    EXPECT_TRUE(has(line_of(m, "Imposto devido antes da compensacao"), "750,00"));
    EXPECT_TRUE(has(line_of(m, "RENDIMENTO SUJEITO"), "TRIBUTACAO DEFINITIVA"));
    expect_golden("gains_cash.TXT", m);

    // A car in Brazil of small value: the gain is exempt and the tax's 0 is marked.
    const Case small(gain({{"BEM_NRO", "5"},
                           {"TIPO_BEM", "2"},
                           {"DATA_ALI", "01/03/2025"},
                           {"VAL_ALI", "30000.00"},
                           {"CUS_ATUAL", "25000.00"},
                           {"PEQ_VALOR", "S"}}),
                     {});
    const std::string e = small.print();
    EXPECT_TRUE(has(line_of(e, "Bem de pequeno valor (alienacao ate R$ 35.000,00)"), "Sim"));
    EXPECT_TRUE(has(line_of(e, "Valor isento (pequeno valor)"), "5.000,00"));
    EXPECT_TRUE(has(line_of(e, "Imposto devido antes da compensacao"),
                    "(Zero devido aos dados digitados)"));
    EXPECT_TRUE(has(line_of(e, "Ganho de capital isento ou nao tributavel"), "5.000,00"));
}

TEST(GainsReport, BracketsSplitLikeTheTax) {
    // 12,000,000.00 without an earlier gain: 5,000,000.00 at 15 %, 5,000,000.00 at 17.5 %,
    // 2,000,000.00 at 20 %.
    BracketSplit s = FAIXAIMP(Decimal(), D("12000000.00"));
    EXPECT_EQ(s.rows[0].current, D("5000000.00"));
    EXPECT_EQ(s.rows[1].current, D("5000000.00"));
    EXPECT_EQ(s.rows[2].current, D("2000000.00"));
    EXPECT_EQ(s.rows[3].current, Decimal());
    EXPECT_EQ(s.sum.total, D("12000000.00"));

    // Earlier 4,000,000.00, current 8,000,000.00: the current gain goes through three brackets,
    // 1,000,000.00 + 5,000,000.00 + 2,000,000.00 — the slices the tax of 1,425,000.00 is taken
    // on (150,000.00 + 875,000.00 + 400,000.00), not only the next bracket.
    s = FAIXAIMP(D("4000000.00"), D("8000000.00"));
    EXPECT_EQ(s.rows[0].earlier, D("4000000.00"));
    EXPECT_EQ(s.rows[0].current, D("1000000.00"));
    EXPECT_EQ(s.rows[0].total, D("5000000.00"));
    EXPECT_EQ(s.rows[1].current, D("5000000.00"));
    EXPECT_EQ(s.rows[2].current, D("2000000.00"));
    EXPECT_EQ(s.sum.earlier, D("4000000.00"));
    EXPECT_EQ(s.sum.current, D("8000000.00"));
    Decimal tax;
    const char* rates[] = {"0.15", "0.175", "0.20", "0.225"};
    for (size_t i = 0; i < 4; ++i) tax += gains::cut(s.rows[i].current * D(rates[i]), 2);
    EXPECT_EQ(tax, D("1425000.00"));
    EXPECT_EQ(tax, gains::VALIMP(D("8000000.00"), D("4000000.00"), Date(2025, 6, 1), 1));

    // Earlier exactly 10,000,000.00: all of 1,000,000.00 in the 20 % bracket; above 30 million
    // the last bracket takes the rest.
    s = FAIXAIMP(D("10000000.00"), D("1000000.00"));
    EXPECT_EQ(s.rows[1].current, Decimal());
    EXPECT_EQ(s.rows[2].current, D("1000000.00"));
    s = FAIXAIMP(D("29000000.00"), D("3000000.00"));
    EXPECT_EQ(s.rows[2].current, D("1000000.00"));
    EXPECT_EQ(s.rows[3].current, D("2000000.00"));
    EXPECT_EQ(s.rows[3].total, D("2000000.00"));

    // The printed table of a 12,000,000.00 sale in cash, and of a sale after an earlier part.
    Case big(gain({{"TIPO_BEM", "2"},
                   {"DATA_ALI", "10/05/2025"},
                   {"VAL_ALI", "13000000.00"},
                   {"CUS_ATUAL", "1000000.00"}}),
             {});
    std::string text = big.print();
    EXPECT_TRUE(has(line_of(text, "Ja houve venda parcial desse bem?"), "Sim( ) Nao(x)"));
    EXPECT_TRUE(has(line_of(text, "Ganho de capital de alineacao atual:"), "12.000.000,00"));
    EXPECT_TRUE(has(line_of(text, "Ate 5 milhoes"), "15,0 %"));
    EXPECT_TRUE(has(line_of(text, "Ate 5 milhoes"), "5.000.000,00"));
    EXPECT_TRUE(has(line_of(text, "De 5 a 10 milhoes"), "5.000.000,00"));
    EXPECT_TRUE(has(line_of(text, "De 10 a 30 milhoes"), "2.000.000,00"));
    EXPECT_TRUE(has(line_of(text, "Imposto devido antes da compensacao"), "2.025.000,00"));
    expect_golden("gains_brackets.TXT", text);

    Case later(gain({{"TIPO_BEM", "2"},
                     {"DATA_ALI", "10/05/2025"},
                     {"VAL_ALI", "9000000.00"},
                     {"CUS_ATUAL", "1000000.00"},
                     {"GANHOAN", "4000000.00"}}),
               {});
    text = later.print();
    EXPECT_TRUE(has(line_of(text, "Ja houve venda parcial desse bem?"), "Sim(x) Nao( )"));
    EXPECT_TRUE(
        has(line_of(text, "Soma dos Ganhos de capital de alineacoes anteriores:"), "4.000.000,00"));
    const std::string first = line_of(text, "Ate 5 milhoes");
    EXPECT_TRUE(has(first, "5.000.000,00") && has(first, "4.000.000,00") &&
                has(first, "1.000.000,00"))
        << first;
    EXPECT_TRUE(has(line_of(text, "De 10 a 30 milhoes"), "2.000.000,00"));
    EXPECT_TRUE(has(line_of(text, "Imposto devido antes da compensacao"), "1.425.000,00"));
}

TEST(GainsReport, ChoiceOfTheGainsAndTheQuestions) {
    std::vector<store::Record> t7 = {
        gain({{"BEM_NRO", "1"}, {"TIPO_BEM", "1"}, {"DATA_ALI", "10/05/2025"}}),
        gain({{"BEM_NRO", "2"}, {"TIPO_BEM", "5"}, {"DATA_ALI", "10/05/2025"}}),
        gain({{"BEM_NRO", "3"}, {"TIPO_BEM", "2"}, {"DATA_ALI", "10/05/2025"}}),
        gain({{"BEM_NRO", "4"}, {"TIPO_BEM", "5"}, {"DATA_ALI", "10/05/2025"}}),
        gain({{"BEM_NRO", "5"}, {"TIPO_BEM", "4"}, {"DATA_ALI", "10/05/2025"}})};
    std::vector<const store::Record*> all;
    for (const auto& r : t7) all.push_back(&r);
    auto numbers = [](const std::vector<const store::Record*>& v) {
        std::string s;
        for (const auto* r : v) s += std::to_string(r->num("BEM_NRO").whole());
        return s;
    };
    // Option 4 with number 0: only the cash gains; option 5 every kind but variable income.
    EXPECT_EQ(numbers(chosen_gains(all, 4, 0)), "24");
    EXPECT_EQ(numbers(chosen_gains(all, 5, 0)), "1234");
    EXPECT_EQ(numbers(chosen_gains(all, 5, 3)), "1234");
    EXPECT_EQ(numbers(chosen_gains(all, 2, 3)), "3");
    EXPECT_EQ(numbers(chosen_gains(all, 2, 1)), "");
    EXPECT_EQ(gains_number_prompt(4), "Nro. do Ganho de Moedas  a ser impresso (0 todos)");
    EXPECT_EQ(gains_report_options().size(), 5u);

    std::vector<std::string> printed;
    auto make = [&](const store::Record& r) {
        printed.push_back(std::to_string(r.num("BEM_NRO").whole()));
        GainToPrint p;
        p.gain = &r;
        return p;
    };
    PrintWriter w;
    GainsReport report(w);
    // Option 4, number 0: both cash gains without a question.
    ScriptedOperator op;
    std::deque<std::optional<int>> typed = {0};
    std::vector<std::string> prompts;
    auto ask = [&](std::string_view prompt) -> std::optional<int> {
        prompts.emplace_back(prompt);
        if (typed.empty()) return std::nullopt;
        auto n = typed.front();
        typed.pop_front();
        return n;
    };
    EXPECT_EQ(IMPGANHO(4, all, make, report, op, ask), 2);
    EXPECT_EQ(printed, (std::vector<std::string>{"2", "4"}));
    EXPECT_TRUE(op.said.empty());
    EXPECT_EQ(prompts.back(), gains_number_prompt(4));
    // Each gain on its own sheets, every sheet under its title.
    const std::string& text = w.text();
    EXPECT_TRUE(has(text, "CAPITAL N.02\n") && has(text, "CAPITAL N.04\n"));
    EXPECT_FALSE(has(text, "CAPITAL N.01\n") || has(text, "CAPITAL N.03\n"));
    EXPECT_TRUE(
        has(text, "\fDEMONSTRATIVO DA APURACAO DOS GANHOS DE CAPITAL N.04\nMOEDA EM ESPECIE"));
    size_t titles = 0;
    for (size_t p = 0; (p = text.find("DEMONSTRATIVO DA APURACAO", p)) != std::string::npos; ++p)
        ++titles;
    EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), kFormFeed)), titles - 1);

    // Option 2: number 1 is not a movable (asked again), number 3 printed, no other one.
    printed.clear();
    typed = {1, 3};
    op.yes_no_answers = {true, false};
    EXPECT_EQ(IMPGANHO(2, all, make, report, op, ask), 1);
    EXPECT_EQ(printed, (std::vector<std::string>{"3"}));
    ASSERT_EQ(op.said.size(), 2u);
    EXPECT_TRUE(has(op.said[0].text, "01"));
    EXPECT_EQ(op.said[1].text, "Imprime outro ganho?");

    // Esc at the number prints nothing; option 5 asks nothing and prints the four.
    printed.clear();
    typed = {};
    EXPECT_EQ(IMPGANHO(1, all, make, report, op, ask), 0);
    prompts.clear();
    EXPECT_EQ(IMPGANHO(5, all, make, report, op, ask), 4);
    EXPECT_TRUE(prompts.empty());
}

}  // namespace
}  // namespace vorn::printing
