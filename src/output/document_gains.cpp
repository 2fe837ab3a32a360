// The capital-gains part of the declaration document (`gcap`): the sellers, one item per gain of
// real estate, movable assets, shareholdings and foreign cash with its computation, the
// consolidations per seller and over all of them. Each gain is computed again, on copies of its
// records and cost rows, by the same computation the entry screen runs; the records passed in
// are never changed.
#include <algorithm>
#include <set>

#include "base/operator.h"
#include "base/text.h"
#include "gains/gain.h"
#include "gains/totals.h"
#include "output/document_writer.h"
#include "tax/year.h"

namespace vorn::output::detail {
namespace {

const Decimal kHundred = 100;

std::string two(long long n) {
    return (n >= 0 && n < 10 ? "0" : "") + std::to_string(n);
}

// "15,000000" (percentages, 6 places), "5,1234" (dollar rates, 4 places): no thousands marks.
std::string places(Decimal v, int n) {
    std::string s = v.round(n).to_string(n);
    if (size_t p = s.find('.'); p != std::string::npos) s[p] = ',';
    if (s[0] == '-' && v.round(n).is_zero()) s.erase(0, 1);
    return s;
}

// a / b × 100; 0 when b is 0 (a division the data can make impossible is no failure).
Decimal percent_of(Decimal a, Decimal b) {
    return b.is_zero() ? Decimal() : a / b * kHundred;
}
// a × b / c; 0 when c is 0.
Decimal proportion(Decimal a, Decimal b, Decimal c) {
    return c.is_zero() ? Decimal() : a * b / c;
}

bool yes(const Record& r, const char* field) {
    const std::string v = trim(r.str(field));
    return v == "S" || v == "1";
}

std::string month_field(const char* field, int m) {
    return field + two(m);
}

// The code the government program gives each nature of operation of real estate and movable
// assets; an empty nature is a sale. Shareholdings have their own three natures (1 sale, 3
// donation in advance of the inheritance, 4 dissolution of a marriage), given here the codes of
// the same natures of other assets.
std::string natureza(const Record& g) {
    long long n = g.num("CODNATUR").whole();
    if (g.num("TIPO_BEM") == gains::kShares) n = n == 3 ? 4 : n == 4 ? 9 : 1;
    static const char* const kCodes[] = {"1", "1", "3",  "4",  "13", "5", "6",
                                         "7", "8", "11", "10", "2",  "12"};
    if (n >= 0 && n <= 12) return kCodes[n];
    return std::to_string(n);
}

}  // namespace

// One gain as the document writes it: its record and operations computed again (copies), the
// computation's figures and what the document adds to them.
struct GainItem {
    Record g;                   // the gain, with the figures the computation stores
    std::vector<Record> costs;  // its cost rows or operations, computed (operations in date order)
    gains::GainResult r;
    int kind = 0;
    std::string seller;  // CPF
    bool abroad = false, instalments = false, earlier = false, in_rows = false;
    Decimal sale, brokerage, net_sale;  // in reais
    Decimal torna;                      // cost share of an exchange with a cash difference
    // Month totals of what was received in the year.
    Decimal received, month_brokerage, taxable, due, paid, applied;
    int last_month = 0;  // last month with a receipt, 0 for none
    Date last_instalment;
    // The gain's consolidation, which its seller's sums take (CALCGACP).
    Decimal year_tax, total_tax, exempt, taxed, tax_paid;
};

struct GainSeller {
    std::string cpf;
    Decimal br_year, br_total, ab_year, ab_total, cash_gain, cash_tax;
};

namespace {

// The figures the computation elements carry, by name.
enum class Fig {
    kZero,
    kSale,
    kNetSale,
    kCost,
    kCostNational,
    kCostForeign,
    kTorna,
    kBrokerage,
    kG1,
    kG2,
    kG3,
    kG4,
    kG5,
    kGainNational,
    kGainForeign,
    kSaleNational,
    kSaleForeign,
    kRateSale,
    kRateBuy,
    kPerReinvested,
    kPerSmallValue,
    kPerFR1,
    kPerFR2,
    kPer7713,
    kPerSingle,
    kReinvested,
    kSmallValue,
    kFR1,
    kFR2,
    k7713,
    kSingle,
    // Received in the year.
    kPropCost,
    kPropTorna,
    kReceivedBrokerage,
    kPropG1,
    kPropG5,
    kDueMonths,
    kPaidMonths,
    kAppliedMonths,
    kNetReceived,
    kReceived,
    // Tax.
    kTaxable,
    kTax,
    kAbroadCompensable,
    kTaxAfterAbroad,
    kWithheld,
    kTaxPaid,
    kAverageRate,
    kTaxableMonths,
    kDueBrazil,
    kDueEarlierMonths,
    kDueLastMonth,
    kYearTax,
    kDeferredLater,
    kTotalTax,
    kExempt,
    kTaxed,
};

enum class Form { kMoney, kPercent, kRate, kSix };

struct Mapped {
    const char* element;
    const char* attribute;
    Fig fig;
    Form form;
};

// The computation elements of a gain item, attribute by attribute in the document's order, with
// the figure each carries; an attribute whose figure the computation does not have is kZero.
// `apuracaoFinal` carries the names of `apuracao`, every value zero.
const Mapped kMapped[] = {
    {"apuracao", "cotacaoDolarOrigemME", Fig::kRateSale, Form::kRate},
    {"apuracao", "cotacaoDolarOrigemNacional", Fig::kRateBuy, Form::kRate},
    {"apuracao", "custoAquisicao", Fig::kCost, Form::kMoney},
    {"apuracao", "custoAquisicaoOrigemME", Fig::kCostForeign, Form::kMoney},
    {"apuracao", "custoAquisicaoOrigemNacional", Fig::kCostNational, Form::kMoney},
    {"apuracao", "custoAquisicaoTorna", Fig::kTorna, Form::kMoney},
    {"apuracao", "custoCorretagem", Fig::kBrokerage, Form::kMoney},
    {"apuracao", "ganhoCapital1", Fig::kG1, Form::kMoney},
    {"apuracao", "ganhoCapital2", Fig::kG2, Form::kMoney},
    {"apuracao", "ganhoCapital3", Fig::kG3, Form::kMoney},
    {"apuracao", "ganhoCapital4", Fig::kG4, Form::kMoney},
    {"apuracao", "ganhoCapital5", Fig::kG5, Form::kMoney},
    {"apuracao", "ganhoCapitalOrigemME", Fig::kGainForeign, Form::kMoney},
    {"apuracao", "ganhoCapitalOrigemNacional", Fig::kGainNational, Form::kMoney},
    {"apuracao", "percentualReducaoAplicacaoOutroImovel", Fig::kPerReinvested, Form::kPercent},
    {"apuracao", "percentualReducaoBemPequenoValor", Fig::kPerSmallValue, Form::kPercent},
    {"apuracao", "percentualReducaoLei11196FR1", Fig::kPerFR1, Form::kPercent},
    {"apuracao", "percentualReducaoLei11196FR2", Fig::kPerFR2, Form::kPercent},
    {"apuracao", "percentualReducaoLei11196FR2OrigemME", Fig::kPerFR2, Form::kPercent},
    {"apuracao", "percentualReducaoLei11196FR2OrigemNacional", Fig::kPerFR2, Form::kPercent},
    {"apuracao", "percentualReducaoLei7713", Fig::kPer7713, Form::kPercent},
    {"apuracao", "percentualReducaoLei7713OrigemME", Fig::kPer7713, Form::kPercent},
    {"apuracao", "percentualReducaoLei7713OrigemNacional", Fig::kPer7713, Form::kPercent},
    {"apuracao", "percentualReducaoUnicoImovel", Fig::kPerSingle, Form::kPercent},
    {"apuracao", "percentualReducaoUnicoImovelOrigemME", Fig::kPerSingle, Form::kPercent},
    {"apuracao", "percentualReducaoUnicoImovelOrigemNacional", Fig::kPerSingle, Form::kPercent},
    {"apuracao", "valorAlienacao", Fig::kSale, Form::kMoney},
    {"apuracao", "valorAlienacaoOrigemME", Fig::kSaleForeign, Form::kMoney},
    {"apuracao", "valorAlienacaoOrigemNacional", Fig::kSaleNational, Form::kMoney},
    {"apuracao", "valorLiquidoAlienacao", Fig::kNetSale, Form::kMoney},
    {"apuracao", "valorReducaoAplicacaoOutroImovel", Fig::kReinvested, Form::kMoney},
    {"apuracao", "valorReducaoBemPequenoValor", Fig::kSmallValue, Form::kMoney},
    {"apuracao", "valorReducaoLei11196FR1", Fig::kFR1, Form::kMoney},
    {"apuracao", "valorReducaoLei11196FR2", Fig::kFR2, Form::kMoney},
    {"apuracao", "valorReducaoLei7713", Fig::k7713, Form::kMoney},
    {"apuracao", "valorReducaoUnicoImovel", Fig::kSingle, Form::kMoney},

    {"colecaoParcelaAlienacao", "custoAquisicaoProporcionalTotal", Fig::kPropCost, Form::kMoney},
    {"colecaoParcelaAlienacao", "custoAquisicaoTornaProporcionalTotal", Fig::kPropTorna,
     Form::kMoney},
    {"colecaoParcelaAlienacao", "custoCorretagemTotal", Fig::kReceivedBrokerage, Form::kMoney},
    {"colecaoParcelaAlienacao", "ganho1ProporcionalTotal", Fig::kPropG1, Form::kMoney},
    {"colecaoParcelaAlienacao", "ganho2ProporcionalTotal", Fig::kZero, Form::kMoney},
    {"colecaoParcelaAlienacao", "ganho3ProporcionalTotal", Fig::kZero, Form::kMoney},
    {"colecaoParcelaAlienacao", "ganho4ProporcionalTotal", Fig::kZero, Form::kMoney},
    {"colecaoParcelaAlienacao", "ganho5ProporcionalTotal", Fig::kPropG5, Form::kMoney},
    {"colecaoParcelaAlienacao", "impostoDevidoTotal", Fig::kDueMonths, Form::kMoney},
    {"colecaoParcelaAlienacao", "impostoPagoTotal", Fig::kPaidMonths, Form::kMoney},
    {"colecaoParcelaAlienacao", "percentualReducaoBemPequenoValor", Fig::kPerSmallValue,
     Form::kPercent},
    {"colecaoParcelaAlienacao", "percentualReducaoUnicoImovel", Fig::kPerSingle, Form::kPercent},
    {"colecaoParcelaAlienacao", "valorInformadoReducaoAplicacaoOutroImovel", Fig::kAppliedMonths,
     Form::kSix},
    {"colecaoParcelaAlienacao", "valorLiquidoAlienacaoTotal", Fig::kNetReceived, Form::kMoney},
    {"colecaoParcelaAlienacao", "valorRecebidoTotal", Fig::kReceived, Form::kMoney},

    {"calculoImposto", "ganhoCapital", Fig::kTaxable, Form::kMoney},
    {"calculoImposto", "impostoDevido", Fig::kTax, Form::kMoney},
    {"calculoImposto", "impostoDevidoAposCompensacao", Fig::kTaxAfterAbroad, Form::kMoney},
    {"calculoImposto", "impostoPago", Fig::kTaxPaid, Form::kMoney},
    {"calculoImposto", "impostoPagoExteriorCompensar", Fig::kAbroadCompensable, Form::kMoney},
    {"calculoImposto", "impostoRetidoLei11033", Fig::kWithheld, Form::kMoney},

    {"ajuste", "aliquotaMedia", Fig::kAverageRate, Form::kPercent},
    {"ajuste", "ganhoCapitalTotal", Fig::kTaxableMonths, Form::kMoney},
    {"ajuste", "impostoDevidoBrasil", Fig::kDueBrazil, Form::kMoney},
    {"ajuste", "impostoDevidoParcelasAnteriores", Fig::kDueEarlierMonths, Form::kMoney},
    {"ajuste", "impostoDevidoTotal", Fig::kDueMonths, Form::kMoney},
    {"ajuste", "impostoDevidoUltimaParcela", Fig::kDueLastMonth, Form::kMoney},
    {"ajuste", "impostoPagoExteriorCompensar", Fig::kAbroadCompensable, Form::kMoney},
    {"ajuste", "impostoPagoTotal", Fig::kPaidMonths, Form::kMoney},

    {"consolidacao", "impostoDevidoAnoAtual", Fig::kYearTax, Form::kMoney},
    {"consolidacao", "impostoDiferidoAnosAnteriores", Fig::kZero, Form::kMoney},
    {"consolidacao", "impostoDiferidoAnosPosteriores", Fig::kDeferredLater, Form::kMoney},
    {"consolidacao", "impostoPago", Fig::kTaxPaid, Form::kMoney},
    {"consolidacao", "impostoReferenteAlienacaoAnoAtual", Fig::kTotalTax, Form::kMoney},
    {"consolidacao", "impostoTotal", Fig::kTotalTax, Form::kMoney},
    {"consolidacao", "rendIsentosNaoTributaveis", Fig::kExempt, Form::kMoney},
    {"consolidacao", "rendSujeitosTributacao", Fig::kTaxed, Form::kMoney},
    {"consolidacao", "valorIRF", Fig::kWithheld, Form::kMoney},
};

// The tax paid abroad that the tax of the gain may take.
Decimal abroad_compensable(const GainItem& x) {
    return x.abroad ? min(x.g.num("IMP_PAGEX"), x.r.tax) : Decimal();
}

Decimal due_of_month(const GainItem& x, int m) {
    return m >= 1 ? x.g.num(month_field("IMP_DEV", m)) : Decimal();
}

// Result 4 of the chain of reductions, from the reductions the computation kept.
Decimal result4(const GainItem& x) {
    return (x.r.G - x.r.R - x.r.F1 - x.r.F2).trunc(2);
}

Decimal figure(Fig f, const GainItem& x) {
    const gains::GainResult& r = x.r;
    const Record& g = x.g;
    const Decimal net_received = x.received - x.month_brokerage;
    switch (f) {
        case Fig::kZero:
            return Decimal();
        case Fig::kSale:
            return x.sale;
        case Fig::kNetSale:
            return x.net_sale;
        case Fig::kCost:
            return r.C;
        case Fig::kCostNational:
            return x.abroad ? (g.num("AQUI_BR") * g.num("DOLARAQU")).trunc(2) : Decimal();
        case Fig::kCostForeign:
            return x.abroad ? g.num("AQUI_US") : Decimal();
        case Fig::kTorna:
            return x.torna;
        case Fig::kBrokerage:
            return x.brokerage;
        case Fig::kG1:
            return r.G;
        case Fig::kG2:
            return r.G - r.R;
        case Fig::kG3:
            return r.G - r.R - r.F1;
        case Fig::kG4:
            return result4(x);
        case Fig::kG5:
            return r.T;
        case Fig::kGainNational:
            return x.abroad ? g.num("GCAP_BR") : Decimal();
        case Fig::kGainForeign:
            return x.abroad ? g.num("GCAP_US") : Decimal();
        case Fig::kSaleNational:
            return x.abroad ? g.num("ALIE_BR") : Decimal();
        case Fig::kSaleForeign:
            return x.abroad ? g.num("ALIE_US") : Decimal();
        case Fig::kRateSale:
            return x.abroad ? g.num("DOLARVEN") : Decimal();
        case Fig::kRateBuy:
            return x.abroad ? g.num("DOLARAQU") : Decimal();
        case Fig::kPerReinvested:
            return r.P.is_zero() ? Decimal() : g.num("PERART31");
        case Fig::kPerSmallValue:
            return r.small_value ? kHundred : Decimal();
        case Fig::kPerFR1:
            return r.first * kHundred;
        case Fig::kPerFR2:
            return r.second * kHundred;
        case Fig::kPer7713:
            return percent_of(r.R, r.G);
        case Fig::kPerSingle:
            return r.single_property ? kHundred : Decimal();
        case Fig::kReinvested:
            return r.P;
        case Fig::kSmallValue:
            return r.small_value ? result4(x) : Decimal();
        case Fig::kFR1:
            return r.F1;
        case Fig::kFR2:
            return r.F2;
        case Fig::k7713:
            return r.R;
        case Fig::kSingle:
            return r.single_property ? result4(x) : Decimal();
        case Fig::kPropCost:
            return proportion(net_received, r.C, x.net_sale);
        case Fig::kPropTorna:
            return proportion(x.torna, x.received, x.net_sale).trunc(6);
        case Fig::kReceivedBrokerage:
            return x.month_brokerage;
        case Fig::kPropG1:
            return net_received - proportion(net_received, r.C, x.net_sale).round(2);
        case Fig::kPropG5:
            return net_received * r.per_tri / kHundred;
        case Fig::kDueMonths:
            return x.due;
        case Fig::kPaidMonths:
            return x.paid;
        case Fig::kAppliedMonths:
            return x.applied;
        case Fig::kNetReceived:
            return net_received;
        case Fig::kReceived:
            return x.received;
        case Fig::kTaxable:
            return r.T;
        case Fig::kTax:
            return r.tax;
        case Fig::kAbroadCompensable:
            return abroad_compensable(x);
        case Fig::kTaxAfterAbroad:
            return r.tax - abroad_compensable(x);
        case Fig::kWithheld:
            return g.num("LEI_11083");
        case Fig::kTaxPaid:
            return x.tax_paid;
        case Fig::kAverageRate:
            return r.perimp;
        case Fig::kTaxableMonths:
            return x.taxable;
        case Fig::kDueBrazil:
            return max(x.due - abroad_compensable(x), Decimal());
        case Fig::kDueEarlierMonths:
            return x.due - due_of_month(x, x.last_month);
        case Fig::kDueLastMonth:
            return due_of_month(x, x.last_month);
        case Fig::kYearTax:
            return x.year_tax;
        case Fig::kDeferredLater:
            return max(x.total_tax - x.year_tax, Decimal());
        case Fig::kTotalTax:
            return x.total_tax;
        case Fig::kExempt:
            return x.exempt;
        case Fig::kTaxed:
            return x.taxed;
    }
    return Decimal();
}

std::string formatted(Form form, Decimal v) {
    switch (form) {
        case Form::kMoney:
            return fmt::amount(v);
        case Form::kPercent:
            return places(v, 6);
        case Form::kRate:
            return places(v, 4);
        case Form::kSix:
            return places(v, 6);
    }
    return fmt::amount(v);
}

// The gain computed again on copies of its record and rows, with the document's totals.
GainItem computed(const Record& stored, const std::vector<Record>& all_costs,
                  const gains::Settings& settings, const std::string& declarant) {
    GainItem x;
    x.g = stored;
    for (const Record& c : all_costs)
        if (!c.deleted && c.num("BEM_NRO") == stored.num("BEM_NRO") &&
            trim(c.str("CPF")) == trim(stored.str("CPF")))
            x.costs.push_back(c);
    Record& g = x.g;
    x.kind = static_cast<int>(g.num("TIPO_BEM").whole());
    // Operations are computed in date order; the document lists them so.
    if (x.kind == gains::kShares || x.kind == gains::kCash)
        std::stable_sort(x.costs.begin(), x.costs.end(), [](const Record& a, const Record& b) {
            return a.date("DATA_CUST") < b.date("DATA_CUST");
        });
    std::vector<Record*> rows;
    for (Record& c : x.costs) rows.push_back(&c);
    SilentOperator quiet;
    x.r = gains::compute_gain(g, rows, settings, quiet);

    x.seller = trim(g.str("CPFALIEN")).empty() ? declarant : trim(g.str("CPFALIEN"));
    x.abroad = (x.kind == gains::kRealEstate || x.kind == gains::kMovable) &&
               trim(g.str("BEMBRASIL")) == "N";
    x.earlier = yes(g, "VENDAANT");
    x.instalments = yes(g, "VEN_PRAZO") || x.earlier;
    x.in_rows = yes(g, "PARCOMPRA") && !x.costs.empty();
    if (x.kind == gains::kMovable && x.abroad) {
        const Decimal rate = g.num("DOLARVEN");
        x.sale = (g.num("VALALIUS") * rate).trunc(2);
        x.brokerage = (g.num("VAL_CORR") * rate).trunc(2);
    } else {
        x.sale = g.num("VAL_ALI");
        x.brokerage = g.num("VAL_CORR");
    }
    x.net_sale = x.sale - x.brokerage;
    if (x.kind == gains::kRealEstate && g.num("CODNATUR") == 11) {
        const Decimal net = g.num("VAL_ALI") - g.num("VAL_CORR");
        const Decimal both = x.r.C + net;
        if (!both.is_zero()) x.torna = (net * (x.r.C / both).round(7)).round(2);
    }
    for (int m = 1; m <= 12; ++m) {
        const Decimal received = g.num(month_field("REC_MES", m));
        x.received += received;
        x.month_brokerage += g.num(month_field("VAL_COR", m));
        x.taxable += g.num(month_field("VAL_TRI", m));
        x.due += g.num(month_field("IMP_DEV", m));
        x.paid += g.num(month_field("IMP_PAG", m));
        x.applied += g.num(month_field("VAL_A31", m));
        if (!received.is_zero()) x.last_month = m;
    }
    x.last_instalment = g.date("DATA_PAR");
    if (x.instalments && x.last_instalment.blank() && x.last_month > 0) {
        const long long day = g.num(month_field("DIA_REC", x.last_month)).whole();
        if (day >= 1 && day <= Date::days_in_month(gains::kBaseYear, x.last_month))
            x.last_instalment = Date(gains::kBaseYear, x.last_month, static_cast<int>(day));
    }
    // CALCGACP: the tax paid is IMPPAGO alone, for shareholdings too: their VAL_PARTE is the
    // amount reinvested in another property, not a tax, and only a screen that stored a tax there
    // would make it one.
    x.tax_paid = g.num("IMPPAGO");
    if (!x.earlier) {
        x.exempt = x.r.exempt;
        x.taxed = x.r.T;
        x.total_tax = x.r.tax;
    }
    x.year_tax = x.instalments ? x.due : x.r.tax;
    return x;
}

// The buyers of a gain: the buyer fields, or with several buyers (MAISDE1 "S") the list CPFNOME,
// whose entries holding a letter are names and the others CPF/CNPJ numbers, paired in order.
// False when the names and the numbers do not pair up.
bool buyers_of(const Record& g, std::vector<std::pair<std::string, std::string>>* out) {
    auto number = [](std::string_view t) {
        const std::string d = digits_of(t);
        return d.size() == 11 ? fmt::cpf(d) : d.size() == 14 ? fmt::cnpj(d) : d;
    };
    out->clear();
    if (trim(g.str("MAISDE1")) != "S") {
        out->emplace_back(number(g.str("CPFADQ")), fmt::text(g.str("NOME_ADQ")));
        return true;
    }
    std::vector<std::string> names, numbers;
    const std::string list = g.str("CPFNOME");
    size_t from = 0;
    while (from <= list.size()) {
        size_t comma = list.find(',', from);
        if (comma == std::string::npos) comma = list.size();
        const std::string entry = trim(list.substr(from, comma - from));
        from = comma + 1;
        if (entry.empty()) continue;
        const bool letters = std::any_of(entry.begin(), entry.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                   static_cast<unsigned char>(c) >= 0x80;
        });
        (letters ? names : numbers).push_back(entry);
    }
    if (names.empty() || names.size() != numbers.size()) return false;
    for (size_t i = 0; i < names.size(); ++i)
        out->emplace_back(number(numbers[i]), fmt::text(names[i]));
    return true;
}

std::string or_dots(std::string t) {
    return t.empty() ? "..." : t;
}

// The zero totals of the collections of real estate and movable assets, and of shareholdings.
const std::vector<const char*> kAssetTotals = {"totalImpostoDevidoAnoAtual",
                                               "totalImpostoDiferidoAnosAnteriores",
                                               "totalImpostoDiferidoAnosPosteriores",
                                               "totalImpostoPagoBrasil",
                                               "totalImpostoPagoExterior",
                                               "totalImpostoReferenteAlienacaoAnoAtual",
                                               "totalImpostoTotal",
                                               "totalRendIsentosNaoTributaveisBrasil",
                                               "totalRendIsentosNaoTributaveisExterior",
                                               "totalRendSujeitosTributacaoBrasil",
                                               "totalRendSujeitosTributacaoExterior",
                                               "totalValorIRF"};
const std::vector<const char*> kSharesTotals = {"totalImpostevidoAnoAtual",
                                                "totalImpostoDiferidoAnosAnteriores",
                                                "totalImpostoDiferidoAnosPosteriores",
                                                "totalImpostoPago",
                                                "totalImpostoReferenteAlienacaoAnoAtual",
                                                "totalImpostoTotal",
                                                "totalRendIsentosNaoTributaveis",
                                                "totalRendSujeitosTributacao",
                                                "totalValorIRF"};

}  // namespace

std::pair<Date, Date> Writer::residence() const {
    Date from(gains::kBaseYear, 1, 1), to = tax::kYearEnd;
    if (d_.is_departure()) {
        if (!d_.date("DATADECIS").blank())
            from = d_.date("DATADECIS");
        else if (!d_.date("DATASAIDA").blank())
            to = d_.date("DATASAIDA");
    }
    return {from, to};
}

std::string Writer::seller_name(const std::string& cpf) const {
    if (cpf == trim(d_.cpf())) return or_dots(T("NOMECONTR"));
    std::string name;
    tax::for_each_live(d_.dependants, [&](const Record& r) {
        if (name.empty() && trim(r.str("CPFDEPEN")) == cpf) name = fmt::text(r.str("NOMEDEPEN"));
    });
    return or_dots(name);
}

std::string Writer::municipality(std::string_view city, std::string_view uf,
                                 std::string_view code) const {
    const std::string key = upper(MATCAR(trim(city))) + "|" + trim(uf);
    if (auto it = ctx_.municipalities.find(key); it != ctx_.municipalities.end()) return it->second;
    return trim(code);
}

std::string Writer::declarant_country() const {
    const std::string country = S("CODPAIS");
    return d_.str("EXTERIOR") == "S" && !country.empty() ? country : "105";
}

// The sellers' identification: one item per seller, the declarant alone when there is none.
void Writer::gcap_ids(const std::vector<std::string>& sellers) {
    const auto [from, to] = residence();
    const long long ddd = tax::field_int(d_.registry, "DDDTEL");
    open(collection("ids", "serpro.ppgd.irpf.gcap.IdDemonstrativoGCAP"));
    for (const std::string& cpf : sellers) {
        Element id("item");
        id.set("cpf", fmt::cpf(cpf))
            .set("dataFimPermanencia", fmt::date(to))
            .set("dataInicioPermanencia", fmt::date(from))
            .set("dataUltimoAcesso", "  /  /       :  :  ")
            .set("dddDeclarante", ddd >= 10 && ddd <= 100 ? S("DDDTEL") : "")
            .set("exercicio", "2025")
            .set("nome", cpf == trim(d_.cpf()) ? T("NOMECONTR") : seller_name(cpf))
            .set("paisDeclarante", declarant_country())
            .set("telefoneDeclarante", S("TELEFO"))
            .set("territorioParaisoFiscal", "");
        leaf(id);
    }
    close("ids");
}

// The attributes every gain item starts with; `aux` names the kind's instalment twin.
void Writer::gain_attributes(Element& e, const GainItem& x, const char* aux) {
    const Record& g = x.g;
    const auto [from, to] = residence();
    const bool final_estate = d_.is_final();
    const bool by_court = !d_.date("DATAPARTI").blank();
    const std::string country = declarant_country();
    std::string country_name = country == "105" ? "Brasil" : "";
    if (auto it = ctx_.countries.find(country); it != ctx_.countries.end())
        country_name = fmt::text(it->second);
    const std::string grande = x.r.small_value ? "0" : "";
    e.set("alienacaoAPrazo", x.instalments ? "1" : "0")
        .set(aux, "")
        .set("alienacaoAnoAnterior", "")
        .set("alienacaoParcial", x.r.E > Decimal() ? "1" : "0")
        .set("bemGrandeValor", grande)
        .set("bemGrandeValorOperacao", grande)
        .set("codigoOperacao", fmt::zero5(g.num("BEM_NRO").whole()).substr(1))
        .set("corretagemAnosAnteriores", fmt::amount(g.num("CORR_ANTE")))
        .set("cotacaoDolarDataAlienacao", places(x.abroad ? g.num("DOLARVEN") : Decimal(), 4))
        .set("cpf", fmt::cpf(x.seller))
        .set("custoCorretagem", fmt::amount(g.num("VAL_CORR")))
        .set("dataAlienacao", fmt::date(x.r.sale))
        .set("dataFimPermanencia", fmt::date(to))
        .set("dataInicioPermanencia", fmt::date(from))
        .set("dataRecebimentoUltimaParcela", fmt::date(x.last_instalment))
        .set("dataTransitoJulgado",
             final_estate && by_court ? fmt::date(d_.date("DATAPARTI")) : " /  /  ")
        .set("dataVencimentoTCM", final_estate ? fmt::date(tax::DDIAENTRA) : kBlankDate)
        .set("ganhoCapitalAlienacaoAnterior", fmt::amount(x.r.E))
        .set("inCobranca", "1")
        .set("motivoTransmissaoCausaMortisDecisaoJudicial", !final_estate || by_court ? "1" : "0")
        .set("natureza", natureza(g))
        .set("nomePaisDeclarante", country + " - " + country_name)
        .set("numeroItem", "")
        .set("paisAcordo", "")
        .set("paisResidencia", "105")
        .set("recebimentoUltimaParcelaAnoAnterior", "")
        .set("residenteBrasil", "")
        .set("temUltimaParcela", !x.instalments              ? ""
                                 : x.last_instalment.blank() ? "0"
                                                             : "1")
        .set("territorioParaisoFiscal", "")
        .set("valorAlienacao", fmt::amount(g.num("VAL_ALI")))
        .set("valorAlienacaoDolar", fmt::amount(x.abroad ? g.num("VALALIUS") : Decimal()))
        .set("valorAlienacaoReal", fmt::amount(x.abroad ? x.sale : Decimal()))
        .set("valorAplicado", fmt::amount(g.num("VAL_PARTE")))
        .set("valorCorretagemDolar", fmt::amount(x.abroad ? g.num("VAL_CORR") : Decimal()))
        .set("valorCorretagemReal", fmt::amount(x.abroad ? x.brokerage : Decimal()))
        .set("valorImpostoExteriorReal", fmt::amount(x.abroad ? g.num("IMP_PAGEX") : Decimal()))
        .set("valorLiquidoRecebidoAnosAnteriores",
             fmt::amount(x.earlier ? g.num("VAL_ANTE") - g.num("CORR_ANTE") : Decimal()))
        .set("valorRecebidoAnosAnteriores", fmt::amount(g.num("VAL_ANTE")));
}

// The buyers; a list whose names and numbers do not pair up stops the whole document.
Status Writer::adquirentes(const GainItem& x, int ordinal, const char* kind) {
    std::vector<std::pair<std::string, std::string>> buyers;
    if (!buyers_of(x.g, &buyers))
        return Status::invalid(std::string("Erro no preenchimento dos campos \n") +
                               "CPF e Nome do(s) adquirente(s)\n" + "Gcap nro " + two(ordinal) +
                               " -  " + kind + " \n" +
                               "Transferência interrompida. Confira o preenchimento!");
    open(collection("adquirentes", "serpro.ppgd.irpf.gcap.adquirente.Adquirente"));
    for (const auto& [number, name] : buyers) {
        Element b("item");
        b.set("cpfCnpj", number).set("nome", or_dots(name));
        leaf(b);
    }
    close("adquirentes");
    return Status::ok();
}

// An element of the computation with its attributes from the table (`apuracaoFinal` with those
// of `apuracao`); zero values without a gain. `tipoItens` of a collection takes its place in the
// order.
Element Writer::mapped(const char* element, const GainItem* x, const char* type) const {
    const std::string_view source =
        std::string_view(element) == "apuracaoFinal" ? "apuracao" : element;
    Element e(element);
    bool typed = type == nullptr;
    for (const Mapped& m : kMapped) {
        if (m.element != source) continue;
        if (!typed && std::string_view(m.attribute) > "tipoItens") {
            e.set("tipoItens", type);
            typed = true;
        }
        e.set(m.attribute, formatted(m.form, x ? figure(m.fig, *x) : Decimal()));
    }
    if (!typed) e.set("tipoItens", type);
    return e;
}

// The questions of a real-estate sale, each followed by its empty twin.
void Writer::perguntas(const GainItem& x) {
    const Record& g = x.g;
    const Decimal sale = g.num("VAL_ALI");
    std::string first_sale, residential, mp252, mp252_first, other_sale, other_property;
    const bool reinvests = yes(g, "USA_ART31");
    if (d_.str("EXTERIOR") == "S") {
        // A declarant resident abroad answers none.
    } else if (x.r.single_property) {
        other_sale = "0";
        other_property = "0";
    } else if (sale <= Decimal(35'000)) {
        if (!x.r.small_value) {
            residential = reinvests ? "1" : "0";
            other_sale = "1";
        }
    } else {
        first_sale = trim(g.str("MAISUM")) == "S" ? fmt::date(x.r.sale) : kBlankDate;
        residential = trim(g.str("IMO_RESI")) == "S" || trim(g.str("USA_ART31")) == "1" ? "1" : "0";
        const Decimal per = g.num("PERART31");
        mp252 = x.r.P.is_zero() ? "0" : per >= kHundred ? "1" : "P";
        mp252_first = !x.r.P.is_zero() && trim(g.str("MAISUM")) != "S" ? "1" : "0";
        other_property = trim(g.str("UNIC_IMOV")) == "S" && sale <= Decimal(440'000) ? "0" : "";
    }
    Element p("perguntas");
    p.set("dataPrimeiraAlienacao", first_sale)
        .set("dataPrimeiraAlienacaoAux", "")
        .set("imovelResidencial", residential)
        .set("imovelResidencialAux", "")
        .set("mP252", mp252)
        .set("mP252Aux", "")
        .set("mP252PrimeiraAlienacao", mp252_first)
        .set("mP252PrimeiraAlienacaoAux", "")
        .set("outraAlienacao", other_sale)
        .set("outraAlienacaoAux", "")
        .set("propriedadeOutroImovel", other_property)
        .set("propriedadeOutroImovelAux", "");
    leaf(p);
}

// The computation of a gain: `apuracao` with its cost rows, the empty `apuracaoFinal`, the
// receipts of the year with their totals, the tax, its adjustment and the consolidation.
void Writer::computation(const GainItem& x) {
    open(mapped("apuracao", &x));
    open(collection("parcelasCustoAquisicao",
                    "serpro.ppgd.irpf.gcap.apuracao.ParcelaApuracaoCustoAquisicao"));
    if (x.kind == gains::kRealEstate && x.in_rows) {
        long long index = 0;
        for (const gains::CostShare& row : x.r.rows) {
            Element e("item");
            e.set("data", fmt::date(row.date))
                .set("indice", std::to_string(index++))
                .set("percentualCustoTotal", places(row.share, 6))
                .set("percentualCustoTotalDolar", places(Decimal(), 6))
                .set("percentualCustoTotalReal", places(Decimal(), 6))
                .set("percentualReducaoLei11196FR1", places(row.first * kHundred, 6))
                .set("percentualReducaoLei11196FR1OrigemME", places(Decimal(), 6))
                .set("percentualReducaoLei11196FR2", places(row.second * kHundred, 6))
                .set("percentualReducaoLei11196FR2OrigemME", places(Decimal(), 6))
                .set("percentualReducaoLei7713", places(Decimal(row.per_red), 6))
                .set("percentualReducaoLei7713OrigemME", places(Decimal(), 6))
                .set("valorPassivelReducao", fmt::amount(row.gain))
                .set("valorPassivelReducaoOrigemME", fmt::amount(Decimal()));
            leaf(e);
        }
    }
    close("parcelasCustoAquisicao");
    close("apuracao");
    open(mapped("apuracaoFinal", nullptr));
    open(collection("parcelasCustoAquisicao",
                    "serpro.ppgd.irpf.gcap.apuracao.ParcelaApuracaoCustoAquisicao"));
    close("parcelasCustoAquisicao");
    close("apuracaoFinal");

    open(mapped("colecaoParcelaAlienacao", &x,
                "serpro.ppgd.irpf.gcap.alienacao.ParcelaAlienacaoBem"));
    if (x.instalments) {
        for (int m = 1; m <= 12; ++m) {
            const Decimal received = x.g.num(month_field("REC_MES", m));
            if (received.is_zero()) continue;
            const long long day = x.g.num(month_field("DIA_REC", m)).whole();
            const Date date =
                day >= 1 && day <= Date::days_in_month(gains::kBaseYear, m)
                    ? Date(gains::kBaseYear, m, static_cast<int>(day))
                    : Date(gains::kBaseYear, m, Date::days_in_month(gains::kBaseYear, m));
            Element e("item");
            e.set("custoCorretagem", fmt::amount(x.g.num(month_field("VAL_COR", m))))
                .set("data", fmt::date(date))
                .set("ganhoCapital", fmt::amount(x.g.num(month_field("VAL_TRI", m))))
                .set("impostoDevido", fmt::amount(x.g.num(month_field("IMP_DEV", m))))
                .set("impostoPago", fmt::amount(x.g.num(month_field("IMP_PAG", m))))
                .set("impostoRetido", fmt::amount(x.g.num(month_field("IMP_LEI", m))))
                .set("percentualGanho", places(x.r.per_tri, 6))
                .set("valorRecebido", fmt::amount(received));
            leaf(e);
        }
    }
    close("colecaoParcelaAlienacao");
    leaf(mapped("calculoImposto", &x));
    leaf(mapped("ajuste", &x));
    leaf(mapped("consolidacao", &x));
}

Status Writer::GCAP_IMOV(const GainItem& x, int ordinal) {
    const Record& g = x.g;
    Element item("item");
    gain_attributes(item, x, "alienacaoAPrazoImovelAux");
    open(item);
    Element bem("bemImovel");
    bem.set("bemAdquiridoNoBrasil", x.abroad ? "0" : "1")
        .set("especificacao", cut("especificacao", g.str("ESPC_BEM"), 60));
    open(bem);
    Element a("aquisicao");
    a.set("custoAquisicao", fmt::amount(x.in_rows ? Decimal() : x.r.C))
        .set("custoAquisicaoDolar", fmt::amount(Decimal()))
        .set("custoAquisicaoTorna", fmt::amount(x.torna))
        .set("dataAquisicao", fmt::date(g.date("DATA_ADQ")))
        .set("houveReforma", x.in_rows ? "1" : "0")
        .set("percentualCustoAquisicaoOrigemME", places(Decimal(), 6))
        .set("percentualCustoAquisicaoOrigemNacional", places(kHundred, 6));
    leaf(a);
    Element parcels =
        collection("parcelasAquisicao", "serpro.ppgd.irpf.gcap.aquisicao.ParcelaAquisicao");
    parcels.set("totalCustoAquisicao", fmt::amount(x.in_rows ? x.r.C : Decimal()));
    open(parcels);
    if (x.in_rows) {
        long long index = 0;
        for (const gains::CostShare& row : x.r.rows) {
            Element e("item");
            e.set("custoAquisicao", fmt::amount(row.cost))
                .set("data", fmt::date(row.date))
                .set("indice", std::to_string(index++))
                .set("percentualCustoTotal", places(row.share, 6));
            leaf(e);
        }
    }
    close("parcelasAquisicao");
    const std::string number = fmt::text(g.str("NUMIMO"));
    Element address("endereco");
    address.set("bairro", fmt::text(g.str("BAIRIMO")))
        .set("cep", digits_of(g.str("CEPIMO")))
        .set("cidadeExterior", "")
        .set("codigoPostalExterior", "")
        .set("complemento", fmt::text(g.str("COMPIMO")))
        .set("logradouro", fmt::text(g.str("ENDEIMO")))
        .set("municipio", municipality(g.str("MUNICIMO"), g.str("UFIMO"), g.str("CODIMO")))
        .set("numero", number.empty() ? "SN" : number)
        .set("paisExterior", "")
        .set("tipoLogradouro", fmt::text(g.str("RUAIMO")))
        .set("uf", fmt::plain(g.str("UFIMO")));
    leaf(address);
    close("bemImovel");
    if (Status s = adquirentes(x, ordinal, "Bem Imóvel"); !s) return s;
    perguntas(x);
    computation(x);
    close("item");
    return Status::ok();
}

Status Writer::GCAP_MOVEL(const GainItem& x, int ordinal) {
    const Record& g = x.g;
    Element item("item");
    gain_attributes(item, x, "alienacaoAPrazoMovelAux");
    open(item);
    Element bem("bemMovel");
    bem.set("bemAdquiridoNoBrasil", x.abroad ? "0" : "1")
        .set("especificacao", cut("especificacao", g.str("ESPC_BEM"), 60));
    open(bem);
    Element a("aquisicao");
    a.set("cotacaoDolar", places(x.abroad ? g.num("DOLARAQU") : Decimal(), 4))
        .set("custoAquisicao", fmt::amount(x.r.C))
        .set("custoAquisicaoDolarOrigemME", fmt::amount(x.abroad ? g.num("AQUI_US") : Decimal()))
        .set("custoAquisicaoDolarOrigemNacional",
             fmt::amount(x.abroad ? g.num("AQUI_BR") : Decimal()))
        .set("dataAquisicao", fmt::date(g.date("DATA_ADQ")));
    leaf(a);
    close("bemMovel");
    if (Status s = adquirentes(x, ordinal, "Bem Móvel"); !s) return s;
    computation(x);
    close("item");
    return Status::ok();
}

Status Writer::GCAP_PARTSOC(const GainItem& x, int ordinal) {
    const Record& g = x.g;
    Element item("item");
    gain_attributes(item, x, "alienacaoAPrazoPartSocAux");
    open(item);
    Element company("participacaoSocietaria");
    company.set("cnpj", fmt::cnpj(g.str("CGC_SOCIE")))
        .set("especie", std::to_string(g.num("TIPOPART").whole()))
        .set("municipio", municipality(g.str("CID_SOCIE"), g.str("EST_SOCIE"), ""))
        .set("nome", or_dots(fmt::text(g.str("NOME_SOCIE"))))
        .set("uf", fmt::plain(g.str("EST_SOCIE")));
    leaf(company);
    // The purchases with the average cost after each.
    open(collection("aquisicoes",
                    "serpro.ppgd.irpf.gcap.aquisicao.AquisicaoParticipacaoSocietaria"));
    for (const Record& c : x.costs) {
        if (c.num("TIPO_OPER") == 3) continue;
        Element e("item");
        e.set("custoMedio", places(c.num("CM_PONDER"), 6))
            .set("data", fmt::date(c.date("DATA_CUST")))
            .set("quantidade", std::to_string(c.num("MOV_ACAO").whole()))
            .set("saldo", std::to_string(c.num("SALDO_ACAO").whole()))
            .set("valor", fmt::amount(c.num("VALOR_CUST")));
        leaf(e);
    }
    close("aquisicoes");
    if (Status s = adquirentes(x, ordinal, "Part. Societária"); !s) return s;
    computation(x);
    close("item");
    return Status::ok();
}

// A foreign-cash gain: the currency and its operations at their running average cost.
void Writer::GCAP_ESPECIE(const GainItem& x) {
    const Record& g = x.g;
    const auto [from, to] = residence();
    Element item("item");
    item.set("cpf", fmt::cpf(x.seller))
        .set("custoMedioInicial", places(Decimal(), 6))
        .set("dataFimPermanencia", fmt::date(to))
        .set("dataInicioPermanencia", fmt::date(from))
        .set("estoqueInicial", "0")
        // The currency's code of the list of currencies, kept in CODEXTE.
        .set("moeda", fmt::two(g.str("CODEXTE")))
        .set("paisDeclarante", declarant_country())
        .set("saldoInicial", fmt::amount(Decimal()));
    open(item);
    open(collection("operacoesEspecie", "serpro.ppgd.irpf.gcap.especie.OperacaoEspecie"));
    // The last sale carries the sale value and brokerage of the gain when its row has no value.
    size_t last_sale = x.costs.size();
    for (size_t i = 0; i < x.costs.size(); ++i)
        if (x.costs[i].num("TIPO_OPER") == 3) last_sale = i;
    for (size_t i = 0; i < x.costs.size(); ++i) {
        const Record& c = x.costs[i];
        const bool sale = c.num("TIPO_OPER") == 3;
        const Decimal quantity = c.num("MOV_ACAO");
        Decimal value = c.num("VALOR_CUST"), cost, gain;
        if (sale) {
            const Decimal held_before = c.num("SALDO_ACAO") + quantity;
            cost = (c.num("CM_PONDER") * min(quantity, max(held_before, Decimal()))).trunc(2);
            Decimal brokerage;
            if (i == last_sale && value.is_zero()) {
                value = g.num("VAL_ALI");
                brokerage = g.num("VAL_CORR");
            }
            gain = max(value - cost - brokerage, Decimal());
        }
        Element e("item");
        e.set("cotacaoDolar", places(c.num("IND_CUST"), 4))
            .set("custoAlienacao", fmt::amount(cost))
            .set("custoMedio", places(c.num("CM_PONDER"), 6))
            .set("data", fmt::date(c.date("DATA_CUST")))
            .set("estoque", std::to_string(c.num("SALDO_ACAO").whole()))
            .set("ganhoCapital", fmt::amount(gain))
            .set("niAdquirente", sale ? digits_of(g.str("CPFADQ")) : "")
            .set("nomeAdquirente", sale ? fmt::text(g.str("NOME_ADQ")) : "")
            .set("quantidade", std::to_string(quantity.whole()))
            .set("saldo", fmt::amount(c.num("CMED_COEF")))
            .set("tipo", sale ? "2" : "1")
            .set("valor", fmt::amount(value));
        leaf(e);
    }
    close("operacoesEspecie");
    close("item");
}

// The consolidations: per seller in Brazil and abroad, over all sellers, and of foreign cash.
void Writer::consolidations(const std::vector<GainSeller>& sellers) {
    const auto [from, to] = residence();
    const std::string zero = fmt::amount(0);
    auto item = [&](Element& e, const std::string& cpf, Date f, Date t, Decimal year,
                    Decimal total) {
        e.set("cpf", cpf.empty() ? kBlankCpf : fmt::cpf(cpf))
            .set("dataFimPermanencia", cpf.empty() ? kBlankDate : fmt::date(t))
            .set("dataInicioPermanencia", cpf.empty() ? kBlankDate : fmt::date(f))
            .set("impostoDevidoAnoAtual", fmt::amount(year))
            .set("impostoDiferidoAnosAnteriores", zero)
            .set("impostoDiferidoAnosPosteriores", zero)
            .set("impostoReferenteAlienacaoAnoAtual", fmt::amount(total))
            .set("impostoTotal", fmt::amount(total))
            .set("valorIRF", zero);
    };
    GainSeller all;
    for (const GainSeller& s : sellers) {
        all.br_year += s.br_year;
        all.br_total += s.br_total;
        all.ab_year += s.ab_year;
        all.ab_total += s.ab_total;
        all.cash_gain += s.cash_gain;
        all.cash_tax += s.cash_tax;
    }
    for (bool brazil : {true, false}) {
        const char* name = brazil ? "consolidacoesBrasil" : "consolidacoesExterior";
        open(collection(name, "serpro.ppgd.irpf.gcap.consolidacao.Consolidacao"));
        for (const GainSeller& s : sellers) {
            Element e("item");
            item(e, s.cpf, from, to, brazil ? s.br_year : s.ab_year,
                 brazil ? s.br_total : s.ab_total);
            leaf(e);
        }
        close(name);
    }
    for (bool brazil : {true, false}) {
        Element e(brazil ? "consolidacaoGeralBrasil" : "consolidacaoGeralExterior");
        item(e, "", from, to, brazil ? all.br_year : all.ab_year,
             brazil ? all.br_total : all.ab_total);
        leaf(e);
    }
    Element ge("consolidacaoGeralEspecie");
    ge.set("ganhoCapitalTotal", fmt::amount(all.cash_gain))
        .set("impostoDevido", fmt::amount(all.cash_tax))
        .set("tipoItens", "serpro.ppgd.irpf.gcap.consolidacao.ConsolidacaoEspecie");
    open(ge);
    for (const GainSeller& s : sellers) {
        Element e("item");
        e.set("aliquotaMedia", places(percent_of(s.cash_tax, s.cash_gain), 6))
            .set("cpf", fmt::cpf(s.cpf))
            .set("dataFimPermanencia", fmt::date(to))
            .set("dataInicioPermanencia", fmt::date(from))
            .set("ganhoCapitalTotal", fmt::amount(s.cash_gain))
            .set("impostoDevido", fmt::amount(s.cash_tax));
        leaf(e);
    }
    close("consolidacaoGeralEspecie");
}

// The capital-gains part: the gains sold in the base year or before, each of its kind's
// collection, with the sellers' consolidations; without any, the empty skeleton (SEMGANHO).
Status Writer::GANHOCAP() {
    // Gains of a later year serve their DARF only; a gain without a sale date cannot be placed
    // in any year. Neither goes to the government program, and each is told.
    std::vector<const Record*> written;
    for (const Record& g : gains_) {
        const long long kind = g.num("TIPO_BEM").whole();
        if (g.deleted || kind < gains::kRealEstate || kind > gains::kCash ||
            kind == gains::kVariableIncome)
            continue;
        const Date sale = g.date("DATA_ALI");
        const std::string which = "GCAP nro " + std::to_string(g.num("BEM_NRO").whole());
        if (sale.blank())
            note(DocumentNote::Kind::kDropped, which + " sem data de alienação: não transferido");
        else if (sale.year() > gains::kBaseYear)
            warn("GCAP de imóvel com data posterior ao ano Base " + which +
                 ". Não será transferido para a Receita");
        else
            written.push_back(&g);
    }
    if (written.empty()) {
        SEMGANHO();
        return Status::ok();
    }
    const gains::Settings settings = tax::gain_settings(d_);
    const std::string declarant = trim(d_.cpf());
    std::vector<GainItem> items;
    for (const Record* g : written) items.push_back(computed(*g, costs_, settings, declarant));

    std::vector<GainSeller> sellers;
    for (const GainItem& x : items) {
        auto it = std::find_if(sellers.begin(), sellers.end(),
                               [&](const GainSeller& s) { return s.cpf == x.seller; });
        if (it == sellers.end()) {
            sellers.push_back({x.seller, {}, {}, {}, {}, {}, {}});
            it = sellers.end() - 1;
        }
        if (x.kind == gains::kCash) {
            it->cash_gain += x.r.T;
            it->cash_tax += x.r.tax;
        } else if (x.abroad) {
            it->ab_year += x.year_tax;
            it->ab_total += x.total_tax;
        } else {
            it->br_year += x.year_tax;
            it->br_total += x.total_tax;
        }
    }
    std::vector<std::string> cpfs;
    for (const GainSeller& s : sellers) cpfs.push_back(s.cpf);

    const std::string zero = fmt::amount(0);
    open(Element("gcap"));
    gcap_ids(cpfs);
    auto kind_collection = [&](const char* name, const char* type, bool shares) {
        Element e = collection(name, type);
        for (const char* n : shares ? kSharesTotals : kAssetTotals) e.set(n, zero);
        open(e);
    };
    int ordinal = 0;
    kind_collection("bensImoveis", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoBemImovel", false);
    for (const GainItem& x : items)
        if (x.kind == gains::kRealEstate)
            if (Status s = GCAP_IMOV(x, ++ordinal); !s) return s;
    close("bensImoveis");
    ordinal = 0;
    kind_collection("bensMoveis", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoBemMovel", false);
    for (const GainItem& x : items)
        if (x.kind == gains::kMovable)
            if (Status s = GCAP_MOVEL(x, ++ordinal); !s) return s;
    close("bensMoveis");
    ordinal = 0;
    kind_collection("pSocietarias",
                    "serpro.ppgd.irpf.gcap.alienacao.AlienacaoParticipacaoSocietaria", true);
    for (const GainItem& x : items)
        if (x.kind == gains::kShares)
            if (Status s = GCAP_PARTSOC(x, ++ordinal); !s) return s;
    close("pSocietarias");
    open(especie_element());
    for (const GainItem& x : items)
        if (x.kind == gains::kCash) GCAP_ESPECIE(x);
    close("especie");
    consolidations(sellers);
    moedas_alienadas();
    close("gcap");
    doc_.gains = static_cast<int>(items.size());
    return Status::ok();
}

// The capital-gains part without gains: the declarant as the only seller, empty collections and
// zero totals.
void Writer::SEMGANHO() {
    const std::string zero = fmt::amount(0);
    open(Element("gcap"));
    gcap_ids({trim(d_.cpf())});
    auto totals = [&](const char* name, const char* type, bool shares) {
        Element e = collection(name, type);
        for (const char* n : shares ? kSharesTotals : kAssetTotals) e.set(n, zero);
        open(e);
        close(name);
    };
    totals("bensImoveis", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoBemImovel", false);
    totals("bensMoveis", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoBemMovel", false);
    totals("pSocietarias", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoParticipacaoSocietaria", true);
    open(especie_element());
    close("especie");
    consolidations({});
    moedas_alienadas();
    close("gcap");
}

Element Writer::especie_element() {
    Element especie("especie");
    especie.set("aliquotaMedia", "0,000000")
        .set("cpf", kBlankCpf)
        .set("dataFimPermanencia", kBlankDate)
        .set("dataInicioPermanencia", kBlankDate)
        .set("ganhoCapitalTotal", fmt::amount(0))
        .set("impostoDevido", fmt::amount(0))
        .set("tipoItens", "serpro.ppgd.irpf.gcap.especie.MoedaAlienada");
    return especie;
}

// The month totals of the currencies sold, for the declarant.
void Writer::moedas_alienadas() {
    const std::string zero = fmt::amount(0);
    open(collection("colecaoTotalizacaoMoedasAlienadas",
                    "serpro.ppgd.irpf.gcap.especie.TotalizacaoMoedasAlienadas"));
    open(Element("item"));
    static const char* const kMes[] = {"Janeiro",  "Fevereiro", "Marco",    "Abril",
                                       "Maio",     "Junho",     "Julho",    "Agosto",
                                       "Setembro", "Outubro",   "Novembro", "Dezembro"};
    for (int m = 0; m < 12; ++m) {
        Element e(kMonthNames[m]);
        for (const char* n : {"alienacoesConsolidadasDolar", "alienacoesDolar", "ganhosCapital",
                              "ganhosCapitalTributavel", "impostoDevido", "impostoPago"})
            e.set(n, zero);
        e.set("aliquotaMedia", "15,000000").set("mes", kMes[m]);
        leaf(e);
    }
    close("item");
    close("colecaoTotalizacaoMoedasAlienadas");
}

}  // namespace vorn::output::detail
