// The rural part of the declaration document: each country's activity from the rural tables
// (properties and partners, monthly revenue and expenses, result, herd, debts), its empty form,
// and the rural assets.
#include <algorithm>

#include "base/text.h"
#include "output/document_writer.h"
#include "rural/result.h"
#include "tax/year.h"

namespace vorn::output::detail {

// The rural part: with rural activity each country's activity (or its empty form when only the
// other country has one) and the rural assets; without, the empty structure.
void Writer::rural() {
    const bool active = d_.str("TEMRURAL") == "S" && rural_ != nullptr;
    open(Element("atividadeRural"));
    for (bool brazil : {true, false}) {
        const Record* result = active ? rural::result_of(*rural_, brazil) : nullptr;
        if (result) {
            ATIVIDADE(*result, brazil);
            continue;
        }
        AARVAZIO(brazil);
        // Properties and debts of a country whose activity has no result record have no place.
        if (active) {
            const size_t left_out = rural::of_country(rural_->properties, brazil).size() +
                                    rural::of_country(rural_->debts, brazil).size();
            if (left_out > 0)
                note(DocumentNote::Kind::kDropped,
                     std::to_string(left_out) + " imóvel(is) e dívida(s) da atividade rural " +
                         (brazil ? "no Brasil" : "no exterior") +
                         " não transferidos: a atividade não tem resultado");
        }
    }
    if (active) {
        BENS_RURAL();
    } else {
        Element b = collection("bens", "serpro.ppgd.irpf.atividaderural.BemAR");
        b.set("totalAnterior", "0,00").set("totalAtual", "0,00").set("ultimoIndiceGerado", "");
        leaf(b);
    }
    close("atividadeRural");
}

// The empty activity of one country (AARVAZIO "S" Brazil, "N" abroad).
void Writer::AARVAZIO(bool brazil) {
    const char* name = brazil ? "brasil" : "exterior";
    open(Element(name));
    Element id = collection("identificacaoImovel",
                            brazil ? "serpro.ppgd.irpf.atividaderural.brasil.ImovelARBrasil"
                                   : "serpro.ppgd.irpf.atividaderural.ImovelAR");
    id.set("ultimoIndiceGerado", "");
    leaf(id);
    Element rd("receitasDespesas");
    rd.set("totalDespesas", "0,00")
        .set("totalReceita", "0,00")
        .set("tipoItens", "serpro.ppgd.irpf.atividaderural.exterior.ReceitaDespesa")
        .set("totais", "0,00");
    open(rd);
    for (const char* m : kMonthNames) {
        Element e(m);
        e.set("despesaCusteioInvestimento", "0,00").set("receitaBrutaMensal", "0,00");
        leaf(e);
    }
    close("receitasDespesas");
    Element a("apuracaoResultado");
    for (const char* n : {"compensacaoPrejuizoExerciciosAnteriores", "despesaCusteio",
                          "limiteVintePorCentoReceitaBruta"})
        a.set(n, "0,00");
    a.set("opcaoFormaApuracao", "");
    for (const char* n : {"prejuizoCompensar", "prejuizoExercicioAnterior", "receitaBrutaTotal",
                          "receitaRecebidaContaVenda", "resultadoI", "resultadoNaoTributavel",
                          "resultadoTributavel", "valorAdiantamento", "EmDolar", "EmReais"})
        a.set(n, "0,00");
    leaf(a);
    if (brazil) {
        open(Element("movimentacaoRebanho"));
        for (const char* herd : {"bovinos", "suinos", "caprinos", "asininos", "outros"}) {
            Element h(herd);
            for (const char* n : {"aquisicoesAno", "consumo", "estoqueFinal", "estoqueInicial",
                                  "nascidosAno", "vendas"})
                h.set(n, "0,00");
            leaf(h);
        }
        close("movimentacaoRebanho");
    }
    Element dv = collection("dividas", "serpro.ppgd.irpf.atividaderural.DividaAR");
    dv.set("totalAnterior", "0,00").set("totalAtual", "0,00").set("valorPagamentoAnual", "0,00");
    leaf(dv);
    close(name);
}

// The activity of one country as the rural result holds it (ATIVIDADE "S" Brazil, "N" abroad):
// the properties with their partners, the monthly revenue and expenses (abroad also by
// country), the result, the herd (Brazil) and the rural debts.
void Writer::ATIVIDADE(const Record& result, bool brazil) {
    const char* name = brazil ? "brasil" : "exterior";
    const std::vector<Record> properties = rural::of_country(rural_->properties, brazil);
    const std::vector<Record> debts = rural::of_country(rural_->debts, brazil);
    auto num = [](const Record& r, const char* f) { return r.num(f); };
    open(Element(name));

    // Properties: the records sharing a property number are one property and its partners.
    std::vector<std::vector<const Record*>> groups;
    for (const Record& p : properties) {
        if (p.deleted) continue;
        const long long n = tax::field_int(p, "I2R_00");
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
            return n != 0 && tax::field_int(*g.front(), "I2R_00") == n;
        });
        if (it == groups.end())
            groups.push_back({&p});
        else
            it->push_back(&p);
    }
    Element id = collection("identificacaoImovel",
                            brazil ? "serpro.ppgd.irpf.atividaderural.brasil.ImovelARBrasil"
                                   : "serpro.ppgd.irpf.atividaderural.ImovelAR");
    id.set("ultimoIndiceGerado", "0");
    if (groups.empty()) {
        leaf(id);
    } else {
        open(id);
        long long index = 0;
        for (const auto& g : groups) {
            const Record& p = *g.front();
            Element i("item");
            i.set("area", fmt::one_decimal(p.num("I2R_02")))
                .set("cib", fmt::plain(p.str("I2R_03")))
                .set("codigo", fmt::whole(p.num("I2R_07")))
                .set("condicaoExploracao", fmt::whole(p.num("I2R_05")))
                .set("indice", std::to_string(++index))
                .set("localizacao", fmt::text(p.str("I2R_06")))
                .set("nome", fmt::text(p.str("I2R_01")))
                .set("participacao", fmt::amount(p.num("I2R_04")));
            open(i);
            Element parts = collection("participantesImovelAR",
                                       "serpro.ppgd.irpf.atividaderural.ParticipanteImovelAR");
            std::vector<const Record*> partners;
            for (const Record* r : g)
                if (!trim(r->str("NOME_CONTR")).empty() || !trim(r->str("CPFPJ_CONT")).empty())
                    partners.push_back(r);
            if (partners.empty()) {
                leaf(parts);
            } else {
                open(parts);
                long long k = 0;
                for (const Record* r : partners) {
                    // A partner without a Brazilian CPF or CNPJ is a foreigner.
                    const std::string ni = fmt::plain(r->str("CPFPJ_CONT"));
                    Element pi("item");
                    pi.set("estrangeiro", ni.empty() ? "1" : " ")
                        .set("indice", std::to_string(++k))
                        .set("ni", ni)
                        .set("nome", fmt::text(r->str("NOME_CONTR")));
                    leaf(pi);
                }
                close("participantesImovelAR");
            }
            close("item");
        }
        close("identificacaoImovel");
    }

    Decimal abroad_revenue, abroad_dollars;
    for (const Record& p : properties) {
        abroad_revenue += p.num("RECEXT");
        abroad_dollars += p.num("RESUS");
    }
    Element rd("receitasDespesas");
    rd.set("totalDespesas", fmt::amount(num(result, "I4R_02")))
        .set("totalReceita", fmt::amount(num(result, "I4R_01")))
        .set("tipoItens", "serpro.ppgd.irpf.atividaderural.exterior.ReceitaDespesa")
        .set("totais", fmt::amount(abroad_revenue));
    open(rd);
    for (int m = 1; m <= 12; ++m) {
        Element e(kMonthNames[m - 1]);
        e.set("despesaCusteioInvestimento",
              fmt::amount(result.num("I3_" + tax::two_digits(m) + "OD")))
            .set("receitaBrutaMensal", fmt::amount(result.num("I3_" + tax::two_digits(m) + "OR")));
        leaf(e);
    }
    if (!brazil)
        for (const Record& p : properties) {
            const std::string country = fmt::plain(p.str("CODPAIS"));
            auto it = ctx_.countries.find(country);
            if (it == ctx_.countries.end())
                note(DocumentNote::Kind::kDropped,
                     "País " + country + " da atividade rural não encontrado na tabela");
            Element i("item");
            i.set("descricaoPais", fmt::text(it == ctx_.countries.end() ? "" : it->second))
                .set("despesaCusteio", fmt::amount(p.num("DESEXT")))
                .set("pais", country)
                .set("receitaBruta", fmt::amount(p.num("RECEXT")))
                .set("resultadoIMoedaOriginal", fmt::amount(p.num("RECEXT") - p.num("DESEXT")))
                .set("resultadoI_EmDolar", fmt::amount(p.num("RESUS")));
            leaf(i);
        }
    close("receitasDespesas");

    const Decimal taxable = num(result, "I4R_07");
    Element a("apuracaoResultado");
    a.set("compensacaoPrejuizoExerciciosAnteriores", fmt::amount(num(result, "I4R_05")))
        .set("despesaCusteio", fmt::amount(num(result, "I4R_02")))
        .set("limiteVintePorCentoReceitaBruta", fmt::amount(num(result, "I4R_06")))
        .set("opcaoFormaApuracao", rural::opted_20(result) ? "1" : "2")
        .set("prejuizoCompensar", fmt::amount(num(result, "I5_08")))
        .set("prejuizoExercicioAnterior", fmt::amount(num(result, "I4R_04")))
        .set("receitaBrutaTotal", fmt::amount(num(result, "I4R_01")))
        .set("receitaRecebidaContaVenda", fmt::amount(num(result, "I5_09")))
        .set("resultadoI", fmt::amount(num(result, "I4R_03")))
        .set("resultadoNaoTributavel", fmt::amount(num(result, "I6_10")))
        .set("resultadoTributavel", fmt::amount(taxable > 0 ? taxable : Decimal()))
        .set("valorAdiantamento", fmt::amount(num(result, "I5_10")))
        .set("resultadoI_EmDolar", fmt::amount(brazil ? Decimal() : abroad_dollars))
        .set("resultadoI_EmReais", fmt::amount(num(result, "I4R_03")));
    leaf(a);

    if (brazil) {
        open(Element("movimentacaoRebanho"));
        static constexpr std::pair<const char*, const char*> kHerds[] = {{"bovinos", "B"},
                                                                         {"suinos", "S"},
                                                                         {"caprinos", "C"},
                                                                         {"asininos", "A"},
                                                                         {"outros", "V1"}};
        for (const auto& kind : kHerds) {
            const char* herd = kind.first;
            const char* suffix = kind.second;
            auto field = [&](int k) {
                return Decimal(result.num("I7_" + std::to_string(k) + suffix).whole());
            };
            Element h(herd);
            h.set("aquisicoesAno", fmt::amount(field(2)))
                .set("consumo", fmt::amount(field(4)))
                .set("estoqueFinal", fmt::amount(Decimal(static_cast<long long>(
                                         rural::herd_closing(result, suffix)))))
                .set("estoqueInicial", fmt::amount(field(1)))
                .set("nascidosAno", fmt::amount(field(3)))
                .set("vendas", fmt::amount(field(5)));
            leaf(h);
        }
        close("movimentacaoRebanho");
    }

    Decimal before, after, paid;
    for (const Record& r : debts) {
        before += r.num("I9R_2");
        after += r.num("I9R_3");
        paid += r.num("I9R_4");
    }
    Element dv = collection("dividas", "serpro.ppgd.irpf.atividaderural.DividaAR");
    dv.set("totalAnterior", fmt::amount(before))
        .set("totalAtual", fmt::amount(after))
        .set("valorPagamentoAnual", fmt::amount(paid));
    if (debts.empty()) {
        leaf(dv);
    } else {
        open(dv);
        for (const Record& r : debts) {
            Element i("item");
            i.set("contraidasAteExercicioAnterior", fmt::amount(r.num("I9R_2")))
                .set("contraidasAteExercicioAtual", fmt::amount(r.num("I9R_3")))
                .set("discriminacao", fmt::text(r.str("I9R_1")))
                .set("valorPagamentoAnual", fmt::amount(r.num("I9R_4")));
            leaf(i);
        }
        close("dividas");
    }
    close(name);
}

// The rural assets, those of the activity in Brazil first (BENS_RURAL "S"), then abroad ("N"),
// numbered as kept; `ultimoIndiceGerado` is the last number written.
void Writer::BENS_RURAL() {
    std::vector<const Record*> rows;
    for (bool brazil : {true, false})
        for (const Record& r : rural_->assets)
            if (!r.deleted && (r.str("ATV_BRASIL") != "N") == brazil) rows.push_back(&r);
    Decimal before, after;
    for (const Record* r : rows) {
        before += r->num("I8R_2");
        after += r->num("I8R_5");
    }
    long long last = 0, running = 0;
    std::vector<long long> numbers;
    for (const Record* r : rows) {
        const long long n = tax::field_int(*r, "ITEM");
        numbers.push_back(n > 0 ? n : running + 1);
        running = numbers.back();
        last = std::max(last, running);
    }
    Element b = collection("bens", "serpro.ppgd.irpf.atividaderural.BemAR");
    b.set("totalAnterior", fmt::amount(before))
        .set("totalAtual", fmt::amount(after))
        .set("ultimoIndiceGerado", rows.empty() ? "" : std::to_string(last));
    if (rows.empty()) {
        leaf(b);
        return;
    }
    open(b);
    for (size_t k = 0; k < rows.size(); ++k) {
        const Record& r = *rows[k];
        std::string country = fmt::plain(r.str("I8R_3"));
        if (country.empty()) country = "105";
        std::string country_name = "Brasil";
        if (auto it = ctx_.countries.find(country); it != ctx_.countries.end())
            country_name = it->second;
        else if (country != "105")
            note(DocumentNote::Kind::kDropped,
                 "País " + country + " do bem da atividade rural não encontrado na tabela");
        Element i("item");
        i.set("codigo", fmt::text(tax::field_text(r, "CODIGO")))
            .set("discriminacao", fmt::text(r.str("I8R_1")))
            .set("indice", std::to_string(numbers[k]))
            .set("nomePais", fmt::text(country_name))
            .set("pais", country)
            .set("valorExercicioAnterior", fmt::amount(r.num("I8R_2")))
            .set("valorExercicioAtual", fmt::amount(r.num("I8R_5")));
        leaf(i);
    }
    close("bens");
}

}  // namespace vorn::output::detail
