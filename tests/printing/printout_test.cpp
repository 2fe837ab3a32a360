// The declaration printout: hand-computed declarations under both options as golden print files,
// the headers of the declaration kinds, long lists over several sheets with their partial totals
// and repeated heads, long texts wrapped without loss, and the cash analysis's shares and
// messages.
#include "printing/printout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "../tax/hand_declarations.h"
#include "base/text.h"
#include "printing_test_util.h"
#include "store/catalogue.h"
#include "tax/annual.h"

namespace vorn::printing {
namespace {

using tax::testing::Builder;
using tax::testing::D;

void expect_golden(const std::string& name, const std::string& bytes) {
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/data/printing/" + name;
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update && std::string(update) == "1") return testing::spit(path, bytes);
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << path << " (run with UPDATE_GOLDEN=1)";
    EXPECT_EQ(testing::slurp(path), bytes) << "print file differs from " << path;
}

// The declaration computed as calc computes it.
void compute(tax::Declaration& d) {
    tax::testing::Session s(d);
    tax::compute_declaration(s.ctx);
}

// The text of a printout as UTF-8, its sheets split at the form feeds.
struct Printed {
    std::string latin1;
    std::vector<std::vector<std::string>> sheets;
    bool went_on = true;

    std::string all() const { return from_latin1(latin1); }
    // The first line holding `what`, else "".
    std::string line_with(std::string_view what) const {
        for (const auto& s : sheets)
            for (const auto& l : s)
                if (l.find(what) != std::string::npos) return l;
        return "";
    }
};

Printed print(tax::Declaration& d, int quepag, int lines = 60, std::function<bool()> stop = {},
              const std::vector<Step>* steps = nullptr, const Extras& extras = {}) {
    PrintWriter w;
    PrintoutOptions o;
    o.lines = lines;
    o.run_date = "15/04/2026";
    o.run_time = "10:00:00";
    o.stop = std::move(stop);
    Printout p(w, o);
    Printed out;
    out.went_on = p.print(d, steps ? *steps : steps_of(quepag), extras);
    out.latin1 = w.text();
    out.sheets.emplace_back();
    const std::string utf8 = from_latin1(w.text());
    for (std::string_view l : lines_of(utf8)) {
        std::string line(l);
        for (size_t ff; (ff = line.find('\f')) != std::string::npos;) {
            line.erase(ff, 1);
            out.sheets.emplace_back();
        }
        // Control characters take no column.
        std::erase_if(line, [](char c) { return c == '\x0f' || c == '\x12'; });
        out.sheets.back().push_back(line);
    }
    return out;
}

Builder employee(const char* option) {
    Builder b("11144477735");
    b.d.registry.set("NOMECONTR", "FULANO DE TAL DA SILVA");
    b.d.set("USAPADRAO", option);
    b.d.registry.set("DATAFIM", Date(2026, 4, 10));
    b.d.registry.set("HORAFIM", "09:30:15");
    store::Record& job = b.company("60000.00", "5000.00", "6000.00", "5000.00");
    job.set("I1_2", "ACME INDUSTRIA LTDA");
    job.set("I1_15", D("3000.00"));  // dividends: exempt line 09, followed by their payer
    store::Record flat = b.d.new_record(4);
    flat.set("I7_1", Decimal(1));
    flat.set("GRPO", "01");
    flat.set("CODB", "11");
    flat.set("I7_2", "APARTAMENTO RESIDENCIAL NA RUA DAS FLORES 100, ADQUIRIDO EM 2015");
    flat.set("I7_3", D("200000.00"));
    flat.set("I7_4", D("200000.00"));
    b.d.assets.push_back(flat);
    store::Record loan = b.d.new_record(5);
    loan.set("I8_1", Decimal(1));
    loan.set("I8_5", Decimal(11));
    loan.set("I8_2", "FINANCIAMENTO IMOBILIARIO CAIXA");
    loan.set("I8_3", D("50000.00"));
    loan.set("I8_4", D("40000.00"));
    loan.set("I8_7", D("12000.00"));
    b.d.debts.push_back(loan);
    return b;
}

// 60,000.00 from a company, 6,000.00 of social security, 5,000.00 withheld. Complete option:
// base 54,000.00, tax 54,000.00 × 22.5 % − 8,054.97 = 4,095.03, refund 904.97. Simplified: the
// discount 20 % = 12,000.00, base 48,000.00, tax 10,800.00 − 8,054.97 = 2,745.03, refund 2,254.97.
TEST(Printout, HandComputedEmployeeUnderBothOptions) {
    Builder complete = employee("N");
    compute(complete.d);
    ASSERT_EQ(complete.d.num("I13_20"), D("54000.00"));
    const Printed c = print(complete.d, 2);
    EXPECT_NE(c.line_with("Base de calculo").find("54.000,00"), std::string::npos);
    EXPECT_NE(c.line_with("Imposto devido  ").find("4.095,03"), std::string::npos);
    EXPECT_NE(c.line_with("IMPOSTO A RESTITUIR..").find("904,97"), std::string::npos);
    EXPECT_NE(c.line_with("IMPOSTO PAGO"), "");
    // The payer follows exempt line 09 with its share at column 49, the line's total at 64.
    const std::string payer = c.line_with("    ACME INDUSTRIA LTDA");
    EXPECT_NE(payer.find("11.222.333/0001-81"), std::string::npos);
    EXPECT_EQ(payer.substr(49, 15), "       3.000,00");
    EXPECT_NE(c.line_with("09.Lucros e dividendos").find("3.000,00"), std::string::npos);
    expect_golden("printout_complete.TXT", c.latin1);

    Builder simplified = employee("S");
    compute(simplified.d);
    ASSERT_EQ(simplified.d.num("I13_20"), D("48000.00"));
    const Printed s = print(simplified.d, 2);
    EXPECT_NE(s.line_with("Desconto Simplificado").find("12.000,00"), std::string::npos);
    EXPECT_NE(s.line_with("IMPOSTO A RESTITUIR..").find("2.254,97"), std::string::npos);
    EXPECT_EQ(s.line_with("Imposto Complementar:"), "");  // only in the complete option
    expect_golden("printout_simplified.TXT", s.latin1);

    // Every sheet opens with the header: the kind, the year and the last computation.
    for (const auto& sheet : c.sheets) {
        ASSERT_GE(sheet.size(), 5u);
        EXPECT_EQ(sheet[0], std::string(80, '-'));
        EXPECT_EQ(sheet[1].substr(0, 28), "Nome: FULANO DE TAL DA SILVA");
        EXPECT_NE(sheet[1].find("CPF: 111.444.777-35"), std::string::npos);
        EXPECT_EQ(sheet[2],
                  "DECLARACAO DE AJUSTE ANUAL                  IMPOSTO DE RENDA - PESSOA "
                  "FISICA");
        EXPECT_EQ(sheet[3].substr(0, 39), "Atualizado no dia 10/04/2026 - 09:30:15");
        EXPECT_EQ(sheet[3].substr(44), "EXERCICIO 2026 Ano-Calendario 2025");
    }
}

// Every declaration worked by hand, under both options, printed whole: the summary page shows the
// computed figures in their places, every sheet carries the declaration's kind, and the print file
// is the reviewed golden copy.
TEST(Printout, EveryHandComputedDeclarationUnderBothOptions) {
    const auto shown = [](const Decimal& v) { return transform(v, Picture("@E 999,999,999.99")); };
    for (const auto& [name, build] : tax::testing::hand_declarations()) {
        for (const char* option : {"N", "S"}) {
            SCOPED_TRACE(name + " " + option);
            Builder b = build();
            b.d.registry.set("NOMECONTR", "CONTRIBUINTE " + name);
            b.d.registry.set("DATAFIM", Date(2026, 4, 10));
            b.d.registry.set("HORAFIM", "09:30:15");
            b.d.set("USAPADRAO", option);
            compute(b.d);
            const Printed p = print(b.d, 2);
            ASSERT_TRUE(p.went_on);
            EXPECT_NE(p.line_with("Base de calculo").find(shown(b.d.num("I13_20"))),
                      std::string::npos);
            EXPECT_NE(p.line_with("TOTAL RENDIMENTO...").find(shown(b.d.num("I13_08"))),
                      std::string::npos);
            const std::string due = p.line_with(b.d.simplified() ? " TOTAL IMPOSTO DEVIDO.."
                                                                 : "   TOTAL IMP.DEVIDO....");
            EXPECT_NE(due.find(shown(b.d.num("I13_26"))), std::string::npos) << due;
            if (b.d.num("I13_36") > Decimal()) {
                EXPECT_NE(p.line_with("IMPOSTO A PAGAR").find(shown(b.d.num("I13_36"))),
                          std::string::npos);
                const long long quotas = std::max(1LL, b.d.num("QTD_QUOTA").whole());
                EXPECT_NE(p.line_with("Em " + std::to_string(quotas) + " Quotas de")
                              .find(shown(b.d.num("I13_37"))),
                          std::string::npos);
                EXPECT_EQ(p.line_with("IMPOSTO A RESTITUIR.."), "");
            } else {
                EXPECT_EQ(p.line_with("IMPOSTO A PAGAR"), "");
                if (b.d.num("I13_38") > Decimal()) {
                    EXPECT_NE(p.line_with("IMPOSTO A RESTITUIR..").find(shown(b.d.num("I13_38"))),
                              std::string::npos);
                }
            }
            const char* kind = b.d.str("DECFINAL") == "S"   ? "DECLARACAO DE FINAL DE ESPOLIO"
                               : b.d.str("DECSAIDA") == "S" ? "DECLARACAO DE SAIDA DEFINITIVA"
                                                            : "DECLARACAO DE AJUSTE ANUAL";
            for (const auto& sheet : p.sheets) {
                if (sheet.empty()) continue;
                EXPECT_EQ(sheet.at(2).rfind(kind, 0), 0u) << sheet.at(2);
                // A list's heads stand once on a sheet, however near its end the list began.
                for (const char* head : {"COD NOME DO BENEFICIARIO", "ITEM GR COD", "ITEM COD",
                                         "       NOME DA FONTE PAGADORA"})
                    EXPECT_LE(
                        std::count_if(sheet.begin(), sheet.end(),
                                      [&](const std::string& l) { return l.rfind(head, 0) == 0; }),
                        1)
                        << head;
            }
            expect_golden("hand_" + name + "_" + (b.d.simplified() ? "S" : "C") + ".TXT", p.latin1);
        }
    }
}

TEST(Printout, PageChoicesPrintTheirParts) {
    Builder b = employee("N");
    compute(b.d);
    const Printed only5 = print(b.d, 11);
    EXPECT_EQ(only5.sheets.size(), 1u);
    EXPECT_NE(only5.line_with("CALCULO DA MALHA FINA IR PESSOA FISICA 2026/2025"), "");
    const Printed summary = print(b.d, 9);
    EXPECT_NE(summary.line_with("RESUMO  - 15/04/2026  10:00:00"), "");
    EXPECT_NE(summary.line_with("   Saldo de "), "");  // the balance follows the summary
    EXPECT_EQ(print(b.d, 10).line_with("   Saldo de "), "");
    const Printed individuals = print(b.d, 6);
    EXPECT_EQ(individuals.line_with("PESSOAS JURIDICAS PELO"), "");
    EXPECT_EQ(print(b.d, 3).line_with("MALHA FINA"), "");
}

TEST(Printout, FinalEstateAndDepartureHeaders) {
    Builder estate = employee("N");
    estate.d.set("DECFINAL", "S");
    estate.d.set("CPFINVENT", "52998224725");
    estate.d.set("NOMINVENT", "BELTRANO INVENTARIANTE");
    estate.d.set("DECJUDI", "S");
    estate.d.set("NROPROCES", "0001234-56.2025");
    estate.d.set("DATAPARTI", Date(2025, 5, 2));
    compute(estate.d);
    const Printed e = print(estate.d, 3);
    for (const auto& sheet : e.sheets)
        EXPECT_EQ(sheet[2].substr(0, 30), "DECLARACAO DE FINAL DE ESPOLIO");
    EXPECT_NE(e.line_with("Inventariante").find("529.982.247-25  BELTRANO INVENTARIANTE"),
              std::string::npos);
    EXPECT_NE(e.line_with("Decisao judicial da partilha").find("0001234-56.2025"),
              std::string::npos);
    EXPECT_NE(e.line_with("Data da partilha").find("02/05/2025"), std::string::npos);
    EXPECT_EQ(e.line_with("Vara civel"), "");  // none of its three parts given

    Builder exit = employee("N");
    exit.d.set("DECSAIDA", "S");
    exit.d.set("DATASAIDA", Date(2025, 8, 20));
    exit.d.set("PROCBRASIL", "52998224725");
    compute(exit.d);
    const Printed x = print(exit.d, 3);
    EXPECT_EQ(x.sheets[0][2].substr(0, 30), "DECLARACAO DE SAIDA DEFINITIVA");
    EXPECT_NE(x.line_with("Data da saida definitiva").find("20/08/2025"), std::string::npos);
    EXPECT_NE(x.line_with("CPF do procurador").find("529.982.247-25"), std::string::npos);
    // Labels wider than the value column keep every letter.
    exit.d.set("DATADECIS", Date(2025, 3, 10));
    exit.d.set("VOLTA_RES", "S");
    exit.d.set("DATARETOR", Date(2025, 11, 3));
    const Printed y = print(exit.d, 3);
    EXPECT_NE(y.line_with("Condicao de nao residente desde 10/03/2025"), "");
    EXPECT_NE(y.line_with("Retorno a condicao de residente 03/11/2025"), "");
}

// A parsed amount "1.234,56" of a line at [col, col + width).
Decimal amount_at(const std::string& line, int col, int width) {
    std::string t = trim(substr_chars(line, static_cast<size_t>(col), static_cast<size_t>(width)));
    std::erase(t, '.');
    std::replace(t.begin(), t.end(), ',', '.');
    return t.empty() ? Decimal() : Decimal::from(t);
}

// 60 payers and 60 assets over sheets of 50 and of 66 lines: no sheet longer than its lines, each
// sheet a list goes on from closed with the running totals, and the next one repeating the
// header, the list's title and its heads.
TEST(Printout, LongListsCloseEachSheetWithPartialTotalsAndRepeatTheirHeads) {
    Builder b = employee("N");
    b.d.items.clear();
    b.d.assets.clear();
    for (int k = 1; k <= 60; ++k)
        b.company("1000.00", "100.00", "50.00", "80.00")
            .set("I1_2", "PAGADOR " + std::to_string(k));
    for (int k = 1; k <= 60; ++k) {
        store::Record a = b.d.new_record(4);
        a.set("I7_1", Decimal(k));
        a.set("I7_2", "BEM NUMERO " + std::to_string(k));
        a.set("I7_3", D("10.00"));
        a.set("I7_4", D("20.00"));
        b.d.assets.push_back(a);
    }
    compute(b.d);
    for (int lines : {50, 66}) {
        SCOPED_TRACE(lines);
        const Printed p = print(b.d, 5, lines);
        int payers = 0, partials = 0;
        for (size_t k = 0; k < p.sheets.size(); ++k) {
            const auto& sheet = p.sheets[k];
            EXPECT_LE(static_cast<int>(sheet.size()), lines);
            for (const auto& l : sheet)
                if (l.rfind("PAGADOR ", 0) == 0) ++payers;
            const std::string last =
                sheet.back().empty() && sheet.size() > 1 ? sheet[sheet.size() - 2] : sheet.back();
            if (last.rfind("VALORES PARCIAIS ", 0) == 0) {
                ++partials;
                EXPECT_EQ(amount_at(last, 64, 17), Decimal(1000 * payers));
                EXPECT_EQ(amount_at(last, 81, 17), Decimal(50 * payers));
                EXPECT_EQ(amount_at(last, 102, 15), Decimal(100 * payers));
                EXPECT_EQ(amount_at(last, 117, 17), Decimal(80 * payers));
                ASSERT_LT(k + 1, p.sheets.size());
                const auto& next = p.sheets[k + 1];
                EXPECT_EQ(next[1].substr(0, 6), "Nome: ");
                EXPECT_EQ(next[6],
                          "RENDIMENTOS TRIBUTAVEIS RECEBIDOS DE PESSOAS JURIDICAS PELO "
                          "TITULAR");
                EXPECT_NE(next[8].find("NOME DA FONTE PAGADORA"), std::string::npos);
                EXPECT_NE(next[9].find("DE PES.JURIDICA      OFICIAL"), std::string::npos);
            }
        }
        EXPECT_EQ(payers, 60);
        EXPECT_GE(partials, 1);
        EXPECT_NE(p.line_with("TOTAL ").find("60.000,00"), std::string::npos);

        const Printed assets = print(b.d, 8, lines);
        int items = 0, subtotals = 0;
        for (size_t k = 0; k < assets.sheets.size(); ++k) {
            const auto& sheet = assets.sheets[k];
            EXPECT_LE(static_cast<int>(sheet.size()), lines);
            for (const auto& l : sheet)
                if (l.find("BEM NUMERO ") != std::string::npos) ++items;
            for (const auto& l : sheet)
                if (l.rfind("SUBTOTAL", 0) == 0) {
                    ++subtotals;
                    EXPECT_EQ(amount_at(l, 102, 16), Decimal(10 * items));
                    EXPECT_EQ(amount_at(l, 119, 15), Decimal(20 * items));
                    EXPECT_EQ(assets.sheets[k + 1][6], "DECLARACAO DE BENS E DIREITOS");
                }
        }
        EXPECT_EQ(items, 60);
        EXPECT_GE(subtotals, 1);
    }
}

// A description of 512 characters and a long payer name: wrapped on whole words over
// continuation lines, every word printed once in order, nothing written over them.
TEST(Printout, LongDescriptionsAndNamesWrapOnWholeWordsAndLoseNothing) {
    Builder b = employee("N");
    std::string description;
    for (int k = 0; description.size() < 512; ++k)
        description += "PALAVRA" + std::to_string(k) + " ";
    description = trim(description.substr(0, 512));
    store::Record a = b.d.new_record(4);
    a.set("I7_1", Decimal(1));
    a.set("I7_2", description);
    a.set("I7_4", D("150000.00"));
    b.d.assets.push_back(a);
    const std::string payer = "COMPANHIA BRASILEIRA DE DISTRIBUICAO E COMERCIO DE ALIMENTOS SA";
    b.d.items[0].set("I1_2", payer);
    compute(b.d);

    const Printed p = print(b.d, 2);
    std::string words;
    bool amount_on_first = false;
    for (const auto& sheet : p.sheets)
        for (const auto& l : sheet) {
            if (l.find("PALAVRA") == std::string::npos) continue;
            EXPECT_LE(l.size(), 135u);
            if (l.find("150.000,00") != std::string::npos &&
                l.find("PALAVRA0 ") != std::string::npos)
                amount_on_first = true;
            words += trim(substr_chars(l, 12, 88)) + " ";
        }
    EXPECT_EQ(trim(words), description);
    EXPECT_TRUE(amount_on_first);

    // The payer's name keeps every word, the CNPJ stands beside its first line.
    std::string name;
    for (const auto& sheet : p.sheets)
        for (size_t k = 0; k < sheet.size(); ++k)
            if (sheet[k].rfind("COMPANHIA", 0) == 0) {
                EXPECT_NE(sheet[k].find("11.222.333/0001-81"), std::string::npos);
                name = trim(substr_chars(sheet[k], 0, 39)) + " " +
                       trim(substr_chars(sheet[k + 1], 0, 39));
            }
    EXPECT_EQ(name, payer);
}

// The cash analysis: a zero or negative divisor prints the shares blank, the loss carried forward
// prints negative, and each message follows the margin against the threshold.
TEST(Printout, CashAnalysisSharesAndMessages) {
    Builder nothing("52998224725");
    nothing.d.set("INDALERTA", Decimal(10));
    compute(nothing.d);
    Printed p = print(nothing.d, 11);
    const std::string total = p.line_with("TOTAL DAS RECEITAS");
    EXPECT_EQ(trim(total), "TOTAL DAS RECEITAS ..................");  // no amount, no share
    EXPECT_NE(p.line_with("ATENCAO!  ESSA DECLARACAO ESTA COM PROBLEMAS DE CAIXA"), "");

    Builder loss = employee("N");
    loss.d.set("I4_14", D("100.00"));
    compute(loss.d);
    EXPECT_NE(print(loss.d, 7).line_with("12a.Prejuizo").find("-100,00"), std::string::npos);

    // Receipts 60,000.00 (taxable) against what the declaration spent, the margin set by the
    // personal expenses.
    struct Case {
        const char* personal;  // OUTRDES
        const char* keeping;   // DESPNAO
        const char* medical;   // a medical payment
        bool house;            // an asset of group 01
        int threshold;
        std::vector<std::string> expected;
    };
    const std::string reserve20 = "O valor da reserva de 20,00% da receita esta alto.";
    const std::string personal = "Recomenda-se lancar despesas nao declaradas nos gastos pessoais.";
    const Case cases[] = {
        // A margin of exactly the threshold (20 %): the high-reserve advice, not the warning.
        {"48000.00", "", "", false, 20, {reserve20}},
        {"55000.00", "", "", false, 10, {"Atencao. O valor esta inferior aos 10% ,estabelecido."}},
        {"70000.00",
         "",
         "",
         false,
         10,
         {"ATENCAO!  ESSA DECLARACAO ESTA COM PROBLEMAS DE CAIXA. VERIFIQUE O MOTIVO",
          "ENTREGA-LA NESSAS CONDICOES PODE CAUSAR-LHE PROBLEMAS FUTUROS."}},
        {"24000.00",
         "24000.00",
         "",
         false,
         10,
         {reserve20,
          "Use dinheiro em poder do contribuinte. Pode precisar nas proximas declaracoes"}},
        {"",
         "",
         "",
         true,
         10,
         {"O valor da reserva de 100,00% da receita esta alto.",
          "Recomenda-se lancar as despesas para a manutencao do patrimonio.", personal}},
        {"",
         "48000.00",
         "",
         false,
         10,
         {reserve20, "Recomenda-se lancar despesas nao declaradas nos gastos para viver."}},
        {"",
         "",
         "18000.00",
         false,
         10,
         {"O valor da reserva de 70,00% da receita esta alto.", personal,
          "Despesas medicas c/ % alto. A Receita pode chamar p/mostrar os recibos."}},
    };
    for (const Case& k : cases) {
        Builder b("11144477735");
        b.d.set("INDALERTA", Decimal(k.threshold));
        b.company("60000.00");
        if (*k.personal) b.d.set("OUTRDES", D(k.personal));
        if (*k.keeping) b.d.set("DESPNAO", D(k.keeping));
        if (*k.medical) b.payment(10, k.medical);
        if (k.house) {
            store::Record a = b.d.new_record(4);
            a.set("GRPO", "01");
            a.set("CODB", "11");
            b.d.assets.push_back(a);
        }
        compute(b.d);
        const Printed out = print(b.d, 11);
        std::vector<std::string> said;
        bool after = false;
        for (const auto& l : out.sheets.back()) {
            if (l.rfind("RESERVA", 0) == 0 || l.rfind("DEFICIT", 0) == 0)
                after = true;
            else if (after && !trim(l).empty())
                said.push_back(l);
        }
        SCOPED_TRACE(std::string(k.personal) + "/" + k.keeping + "/" + k.medical);
        EXPECT_EQ(said, k.expected) << out.all();
    }
}

TEST(Printout, EscBetweenLinesAbandonsThePrint) {
    Builder b = employee("N");
    compute(b.d);
    int lines = 0;
    const Printed p = print(b.d, 1, 60, [&] { return ++lines == 20; });
    EXPECT_FALSE(p.went_on);
    EXPECT_EQ(p.line_with("MALHA FINA"), "");
    EXPECT_LE(std::count(p.latin1.begin(), p.latin1.end(), '\n'), 25);
}

// Page 9: every finding with its code and screen, long ones wrapped, then the personal notes.
TEST(Printout, FindingsAndPersonalNotes) {
    Builder b = employee("N");
    compute(b.d);
    Extras x;
    const std::string long_finding =
        "Falta colocar a conta do banco para a restituicao do imposto deste contribuinte que "
        "recebe a devolucao por deposito em conta corrente";
    for (auto [code, observ, notes] : {std::tuple{83, long_finding.c_str(), ""},
                                       std::tuple{0, "", "Cliente traz recibos em maio"}}) {
        store::Record r(store::table_def(11)->layout);
        r.set("CPF", b.d.cpf());
        r.set("CODERR", Decimal(code));
        r.set("PAGINA", Decimal(6));
        r.set("OBSERV", observ);
        r.set("NOTAS", notes);
        x.notes.push_back(r);
    }
    const std::vector<Step> steps = {Step::kNotes};
    const Printed p = print(b.d, 1, 60, {}, &steps, x);
    const std::string first = p.line_with("Falta colocar");
    EXPECT_EQ(first.substr(0, 4), "83  ");
    EXPECT_NE(first.find("Tela 6"), std::string::npos);
    EXPECT_NE(p.line_with("por deposito em conta corrente"), "");  // the wrapped rest
    EXPECT_NE(p.line_with("Cliente traz recibos em maio"), "");
    EXPECT_EQ(p.line_with("Nenhum aviso."), "");

    const Printed none = print(b.d, 1, 60, {}, &steps, Extras{});
    EXPECT_NE(none.line_with("Nenhum aviso."), "");
    EXPECT_NE(none.line_with("Nenhuma nota."), "");
}

// Page 10: the postings month by month for March to May, a sheet per month, the months before
// summed as the previous balance, and the summary by account.
TEST(Printout, CashBookByMonthAndAccount) {
    Builder b = employee("N");
    auto posting = [&](const char* code, const char* name, const char* value, int first, int last) {
        store::Record r = b.d.new_record(13);
        r.set("CDCONTA", code);
        r.set("DESCONTA", name);
        r.set("VALODESP", D(value));
        r.set("MESINI", Decimal(first));
        r.set("MESFIM", Decimal(last));
        b.d.postings.push_back(r);
    };
    posting("1001", "ALUGUEL DO CONSULTORIO", "1000.00", 1, 12);
    posting("2002", "MATERIAL DE CONSUMO", "500.00", 3, 0);  // no last month: the first only
    compute(b.d);
    Extras x;
    x.from = 3;
    x.to = 5;
    x.page_per_month = true;
    x.previous_balance = true;
    const std::vector<Step> steps = {Step::kCashBook};
    const Printed p = print(b.d, 1, 60, {}, &steps, x);
    ASSERT_EQ(p.sheets.size(), 3u);  // one sheet per month
    EXPECT_NE(p.line_with("LIVRO CAIXA - MARCO A MAIO DE 2025"), "");
    auto amount_of = [&](const std::string& label) {
        const std::string l = p.line_with(label);
        return amount_at(l, 64, 15);
    };
    EXPECT_EQ(amount_of("SALDO ANTERIOR"), D("2000.00"));
    EXPECT_EQ(amount_of("TOTAL DO MES"), D("1500.00"));  // March's
    EXPECT_EQ(amount_of("2002   MATERIAL DE CONSUMO"), D("500.00"));
    EXPECT_EQ(amount_of("TOTAL DOS MESES"), D("3500.00"));
    EXPECT_EQ(amount_of("TOTAL COM O SALDO ANTERIOR"), D("5500.00"));
    // The summary by account over the range.
    std::vector<Decimal> aluguel;
    for (const auto& l : p.sheets.back())
        if (l.rfind("1001   ALUGUEL", 0) == 0) aluguel.push_back(amount_at(l, 64, 15));
    EXPECT_EQ(aluguel, (std::vector<Decimal>{D("1000.00"), D("3000.00")}));  // May, the summary
}

}  // namespace
}  // namespace vorn::printing
