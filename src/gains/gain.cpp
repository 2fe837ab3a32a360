// The capital-gain computation: real estate (reductions by year and by the two factors,
// reinvestment, exemptions), movable assets in Brazil and abroad, shareholdings and foreign cash
// at their running average cost, the progressive tax and the monthly receipts.
#include "gains/gain.h"

#include <algorithm>

#include "base/picture.h"
#include "base/text.h"
#include "gains/rates.h"

namespace vorn::gains {
namespace {

const Decimal kHundred = 100;

std::string two(int m) {
    return (m < 10 ? "0" : "") + std::to_string(m);
}

bool yes(const store::Record& r, const char* field) {
    const std::string v = trim(r.str(field));
    return v == "S" || v == "1";
}

// a / b × 100, 0 when b is 0.
Decimal percent(Decimal a, Decimal b, int places) {
    if (b.is_zero()) return Decimal();
    return cut(a / b * kHundred, places);
}

bool abroad(const store::Record& g) {
    return trim(g.str("BEMBRASIL")) == "N";
}

// Real estate and movable assets in Brazil: the cost, gross gain, reductions and exemptions.
void real_estate(store::Record& g, std::vector<store::Record*>& costs, const Settings& s,
                 Operator& op, GainResult& r) {
    const bool outside = abroad(g) || s.resident_abroad;
    const Date acquired = g.date("DATA_ADQ");
    const bool in_rows = yes(g, "PARCOMPRA") && !costs.empty();
    r.C = Decimal();
    if (in_rows)
        for (auto* c : costs) r.C += c->num("VALOR_CUST");
    else
        r.C = g.num("CUS_ATUAL");
    const Decimal net = g.num("VAL_ALI") - g.num("VAL_CORR");
    if (g.num("CODNATUR") == 11) {
        const Decimal both = r.C + net;
        const Decimal share = both.is_zero() ? Decimal() : cut(r.C * net / both, 6);
        r.G = cut(max(net - share, Decimal()), 2);
    } else {
        r.G = max(net - r.C, Decimal());
    }
    const Fractions record_f = reduction_fractions(acquired, r.sale, outside);
    r.first = record_f.first;
    r.second = record_f.second;
    r.first_months = record_f.first_months;
    r.second_months = record_f.second_months;

    // Rows: the cost rows, or the one cost at the acquisition date (also when the rows add to 0,
    // whose shares would be undefined).
    struct Row {
        store::Record* rec;
        Date date;
        Decimal cost;
    };
    std::vector<Row> rows;
    if (in_rows && !r.C.is_zero())
        for (auto* c : costs)
            rows.push_back({c, c->date("DATA_CUST").blank() ? acquired : c->date("DATA_CUST"),
                            c->num("VALOR_CUST")});
    else
        rows.push_back({nullptr, acquired, r.C});
    for (const Row& row : rows) {
        CostShare cs;
        cs.date = row.date;
        cs.cost = row.cost;
        cs.share = rows.size() == 1 ? kHundred : percent(row.cost, r.C, 6);
        if (!row.date.blank() && !acquired.blank() && row.date < acquired)
            op.notice(NoticeKind::kWarning, "",
                      "Atenção " + row.date.dmy() + "é menor que a data de aquisição!\n" +
                          "O cálculo não estará correto mantendo essa data!");
        else if (!row.date.blank() && !r.sale.blank() && row.date > r.sale)
            op.notice(NoticeKind::kWarning, "",
                      "Atenção " + row.date.dmy() + " é maior que a data da venda!\n" +
                          "O cálculo não estará correto mantendo essa data!");
        cs.per_red = row.date.blank() ? 0 : reduction_by_year(row.date.year(), outside);
        const Fractions f = reduction_fractions(row.date, r.sale, outside);
        if (f.invalid)
            op.notice(NoticeKind::kWarning, "", "Data inválida. Posterior ao mês da venda");
        cs.first = f.first;
        cs.second = f.second;
        const Decimal part = r.G * cs.share / kHundred;
        cs.R = round_half_up(part * Decimal(cs.per_red) / kHundred, 2);
        cs.gain = max(part, Decimal());
        const Decimal f1 = cut(cs.gain * cs.first, 2);
        const Decimal f2 = cut((cs.gain - f1) * cs.second, 2);
        const Decimal keep = Decimal(100 - cs.per_red) / kHundred;
        cs.F1 = cut(f1 * keep, 2);
        cs.F2 = cut(f2 * keep, 2);
        if (row.rec != nullptr) {
            store::Record& c = *row.rec;
            c.set("PER_RED", Decimal(cs.per_red));
            c.set("PER_RED1", cs.first);
            c.set("PER_RED2", cs.second);
            c.set("PER_CUST", cs.share);
            c.set("VALOR_REDU", cs.R);
            c.set("CUST_UNI", cut(cs.gain, 2));
            c.set("RESUL_2", cs.F1);
            c.set("RESUL_3", cs.F2);
        }
        r.R += cs.R;
        r.F1 += cs.F1;
        r.rows.push_back(cs);
    }
    r.G2 = r.G - r.R;
    r.G3 = r.G2 - r.F1;
    if (rows.size() > 1 || rows.front().rec != nullptr) {
        for (const auto& cs : r.rows) r.F2 += cs.F2;
    } else {
        r.F2 = cut(r.G3 * r.second, 2);
    }
    r.RT = cut(r.F1 + r.F2, 2);
    r.G4 = cut(r.G3 - r.F2, 2);

    // Reinvestment in another residential property within 180 days.
    Decimal per31;
    r.small_value = yes(g, "PEQ_VALOR") && g.num("VAL_ALI") <= small_value_limit(g);
    const Decimal sale_value = g.num("VAL_ALI");
    r.single_property = trim(g.str("CPFALIEN")) == s.declarant_cpf && yes(g, "UNIC_IMOV") &&
                        trim(g.str("USU_440")) == "N" && sale_value > Decimal(35'000) &&
                        sale_value <= Decimal(440'000);
    if (yes(g, "USA_ART31") && !s.resident_abroad && !r.small_value && !r.single_property) {
        per31 = abroad(g) ? Decimal() : percent(g.num("VAL_PARTE"), net, 6);
        r.P = per31 == kHundred ? r.G4 : round_half_up((r.G - r.R - r.RT) * per31 / kHundred, 2);
        r.P = min(max(r.P, Decimal()), max(r.G4, Decimal()));
    }
    g.set("PERART31", per31);
}

// Shareholdings and cash currency: the operations in date order at their running average cost.
void average_cost(store::Record& g, std::vector<store::Record*>& costs, Operator& op,
                  GainResult& r) {
    std::vector<store::Record*> ops = costs;
    std::stable_sort(ops.begin(), ops.end(), [](const store::Record* a, const store::Record* b) {
        return a->date("DATA_CUST") < b->date("DATA_CUST");
    });
    Decimal held, running, average, sold_cost;
    bool any_sale = false;
    for (auto* o : ops) {
        const Decimal qty = o->num("MOV_ACAO");
        if (o->num("TIPO_OPER") == 3) {
            if (qty > held)
                op.notice(NoticeKind::kWarning, "",
                          std::string("Atenção! Venda maior que a quantidade de ") +
                              (g.num("TIPO_BEM") == kCash ? "Moedas" : "Ações") + " existentes.");
            const Decimal cost = cut(average * min(qty, max(held, Decimal())), 2);
            sold_cost += cost;
            running = max(running - cost, Decimal());
            held -= qty;
            if (!o->date("DATA_CUST").blank()) r.sale = o->date("DATA_CUST");
            any_sale = true;
        } else {
            held += qty;
            running += o->num("VALOR_CUST");
            average = held > Decimal() ? cut(running / held, 6) : Decimal();
        }
        o->set("SALDO_ACAO", held);
        o->set("CMED_COEF", cut(running, 4));
        o->set("CM_PONDER", average);
    }
    r.C = any_sale ? sold_cost : g.num("CUS_ATUAL");
    r.G = max(g.num("VAL_ALI") - r.C - g.num("VAL_CORR"), Decimal());
    r.G2 = r.G3 = r.G4 = r.G;
    r.small_value = g.num("TIPO_BEM") == kShares && yes(g, "PEQ_VALOR") &&
                    g.num("VAL_ALI") <= small_value_limit(g);
}

// Movable assets abroad: the sale split by the origin of the money that paid for the asset.
void movable_abroad(store::Record& g, GainResult& r) {
    const Decimal rate_sale = g.num("DOLARVEN"), rate_buy = g.num("DOLARAQU");
    const Decimal br = g.num("AQUI_BR"), us = g.num("AQUI_US");
    // Without a cost the whole sale is of money earned in Brazil.
    const Decimal pbr =
        (br + us).is_zero() ? kHundred : round_half_up(br / (br + us) * kHundred, 9);
    const Decimal pus = kHundred - pbr;
    const Decimal net_dollars = g.num("VALALIUS") - g.num("VAL_CORR");
    const Decimal sale_br = net_dollars * pbr / kHundred, sale_us = net_dollars * pus / kHundred;
    const Decimal gain_us = cut(max(sale_us - us, Decimal()) * rate_sale, 2);
    const Decimal gain_br = max(cut(sale_br * rate_sale, 2) - cut(br * rate_buy, 2), Decimal());
    g.set("ALIE_BR", cut(sale_br, 2));
    g.set("ALIE_US", cut(sale_us, 2));
    g.set("GCAP_BR", gain_br);
    g.set("GCAP_US", gain_us);
    r.C = cut(br * rate_buy, 2) + cut(us * rate_buy, 2);
    r.G = r.G2 = r.G3 = r.G4 = gain_br + gain_us;
    const Decimal sale_reais =
        cut(g.num("VALALIUS") * rate_sale, 2) - cut(g.num("VAL_CORR") * rate_sale, 2);
    r.small_value =
        g.num("CODNATUR") != 13 && yes(g, "PEQ_VALOR") && sale_reais <= small_value_limit(g);
}

void set_month(store::Record& g, int m, const char* field, Decimal v) {
    g.set(std::string(field) + two(m), v);
}

// The months of a sale paid at once: the month of the sale receives the whole.
void months_at_once(store::Record& g, GainResult& r) {
    for (int m = 1; m <= 12; ++m)
        for (const char* f : {"REC_MES", "VAL_TRI", "IMP_DEV", "IMP_PAG", "IMP_LEI", "VAL_COR",
                              "VAL_A31", "REC_USA", "VAL_USA", "DIA_REC"})
            set_month(g, m, f, Decimal());
    if (r.sale.blank() || r.sale.year() != kBaseYear) return;
    const int m = r.sale.month();
    const bool outside = g.num("TIPO_BEM") == kMovable && abroad(g);
    const Decimal received =
        outside ? cut(g.num("VALALIUS") * g.num("DOLARVEN"), 2) : g.num("VAL_ALI");
    set_month(g, m, "REC_MES", received);
    set_month(g, m, "VAL_TRI", r.T);
    set_month(g, m, "IMP_DEV", r.tax);
    set_month(g, m, "IMP_PAG", g.num("IMPPAGO"));
    set_month(g, m, "IMP_LEI", outside ? g.num("IMP_PAGEX") : g.num("LEI_11083"));
    // Abroad the brokerage is in dollars like the sale: in reais at the sale's rate.
    set_month(g, m, "VAL_COR",
              outside ? cut(g.num("VAL_CORR") * g.num("DOLARVEN"), 2) : g.num("VAL_CORR"));
    set_month(g, m, "VAL_A31", g.num("VAL_PARTE"));
    set_month(g, m, "DIA_REC", Decimal(r.sale.day()));
    if (outside) {
        set_month(g, m, "REC_USA", g.num("VALALIUS"));
        set_month(g, m, "VAL_USA", g.num("DOLARVEN"));
    }
    r.received[m - 1] = received;
    r.taxable[m - 1] = r.T;
    r.tax_due[m - 1] = r.tax;
}

std::string money(Decimal v) {
    return trim(transform(v, Picture("@E 999,999,999,999.99")));
}

// Instalments: each month's receipt taxed at the operation's taxable share and effective rate.
void months_in_instalments(store::Record& g, const Settings&, Operator& op, GainResult& r) {
    const int kind = static_cast<int>(g.num("TIPO_BEM").whole());
    const bool outside = kind == kMovable && abroad(g);
    const bool reinvested = kind == kRealEstate && yes(g, "USA_ART31") && !r.G.is_zero();
    const bool withheld = kind == kShares && g.num("TIPOPART") == 1;
    const bool exempt = r.small_value || r.single_property;
    const Decimal net_sale = g.num("VAL_ALI") - g.num("VAL_CORR");
    Decimal total_received, total_brokerage;
    for (int m = 1; m <= 12; ++m) {
        Decimal received = g.num("REC_MES" + two(m));
        if (outside && !g.num("REC_USA" + two(m)).is_zero()) {
            received = cut(g.num("REC_USA" + two(m)) * g.num("VAL_USA" + two(m)), 2);
            set_month(g, m, "REC_MES", received);
        }
        const Decimal brokerage = g.num("VAL_COR" + two(m));
        total_received += received;
        total_brokerage += brokerage;
        Decimal taxable, tax;
        if (received > Decimal()) {
            if (!r.sale.blank() && r.sale.year() == kBaseYear && m < r.sale.month())
                op.notice(NoticeKind::kWarning, "",
                          "Atenção! Valor lançando em mês anterior a venda");
            const Decimal net = received - brokerage;
            if (net < Decimal()) {
                op.notice(NoticeKind::kWarning, "",
                          "Verifique valor da corretagem maior que o valor recebido!");
            } else if (exempt) {
                taxable = Decimal();
            } else if (reinvested && !net_sale.is_zero() && !r.G.is_zero()) {
                // The month's share of the gain through the same chain of reductions.
                const Decimal gain = cut(r.G * net / net_sale, 2);
                const Decimal reductions = cut(gain * r.R / r.G, 2) + cut(gain * r.F1 / r.G, 2) +
                                           cut(gain * r.F2 / r.G, 2);
                Decimal applied = g.num("VAL_A31" + two(m));
                if (applied > net) {
                    op.notice(
                        NoticeKind::kWarning, "",
                        "Erro no valor da aplicação em outro imóvel\n"
                        "O valor está maior que a parcela recebida!\nO programa vai ajustar.");
                    applied = net;
                    set_month(g, m, "VAL_A31", applied);
                }
                const Decimal left = max(gain - reductions, Decimal());
                taxable = max(left - round_half_up(left * applied / net, 2), Decimal());
            } else {
                taxable = cut(net * r.per_tri / kHundred, 2);
            }
            tax = cut(taxable * r.perimp / kHundred, 2);
            if (withheld) tax = max(tax - g.num("IMP_LEI" + two(m)), Decimal());
        }
        set_month(g, m, "VAL_TRI", taxable);
        set_month(g, m, "IMP_DEV", tax);
        r.received[m - 1] = received;
        r.taxable[m - 1] = taxable;
        r.tax_due[m - 1] = tax;
    }
    const bool earlier = yes(g, "VENDAANT");
    const Decimal due = earlier ? g.num("VAL_DIFE") : g.num("VAL_ALI");
    if (total_received > due)
        op.notice(NoticeKind::kWarning, "",
                  "R$ " + money(total_received) + " recebido nas parcelas é maior que o valor \n" +
                      "declarado inicialmente de R$ " + money(due) + "\n" +
                      "Se os valores recebidos estão com juros e/ou multa esses não podem ser "
                      "lançados aqui, mas nos tributados Pessoa Física ou Pessoa Jurídica. Sem a "
                      "correção haverá problema no Programa da Receita.");
    const Decimal declared = g.num("VAL_CORR") - (earlier ? g.num("CORR_ANTE") : Decimal());
    if (total_brokerage > declared)
        op.notice(NoticeKind::kWarning, "",
                  "R$ " + money(total_brokerage) + " de corretagem nas parcelas é maior que a " +
                      "corretagem declarada de R$ " + money(declared));
}

}  // namespace

Decimal small_value_limit(const store::Record& gain) {
    return gain.num("TIPO_BEM") == kShares && gain.num("TIPOPART") == 1 ? Decimal(20'000)
                                                                        : Decimal(35'000);
}

GainResult compute_gain(store::Record& g, std::vector<store::Record*>& costs, const Settings& s,
                        Operator& op) {
    GainResult r;
    r.sale = g.date("DATA_ALI");
    const int kind = static_cast<int>(g.num("TIPO_BEM").whole());
    if (kind == kRealEstate) {
        real_estate(g, costs, s, op, r);
    } else if (kind == kMovable && abroad(g)) {
        movable_abroad(g, r);
    } else if (kind == kShares || kind == kCash) {
        average_cost(g, costs, op, r);
    } else {
        const Decimal cost = yes(g, "PARCOMPRA") && !costs.empty() ? [&] {
            Decimal c;
            for (auto* row : costs) c += row->num("VALOR_CUST");
            return c;
        }()
                                                                   : g.num("CUS_ATUAL");
        r.C = cost;
        r.G = r.G2 = r.G3 = r.G4 = max(g.num("VAL_ALI") - (cost + g.num("VAL_CORR")), Decimal());
        r.small_value = yes(g, "PEQ_VALOR") && g.num("VAL_ALI") <= small_value_limit(g);
    }

    const bool earlier = yes(g, "VENDAANT");
    if (r.small_value || r.single_property) {
        r.exempt = r.G;
        r.T = Decimal();
        r.R = r.F1 = r.F2 = r.RT = r.P = Decimal();
    } else if (r.G > Decimal()) {
        const Decimal reductions = r.R + r.RT + r.P;
        r.T = max(r.G - reductions, Decimal());
        r.exempt = earlier ? Decimal() : reductions;
    }

    const Decimal net_sale = g.num("VAL_ALI") - g.num("VAL_CORR");
    const bool instalments = yes(g, "VEN_PRAZO") || earlier;
    r.per_tri = instalments ? percent(r.T, net_sale, 6) : Decimal();
    if (earlier) {
        // The part of the gain realised in the earlier years' receipts (net of brokerage and of
        // what was reinvested then) is where the rates of this year's part start.
        const Decimal before = g.num("VAL_ANTE") - g.num("CORR_ANTE") - g.num("APLI_ANTE");
        r.E = max(cut(before * r.per_tri / kHundred, 2), Decimal());
        g.set("GANHOAN", r.E);
        const Decimal remaining = max(r.T - r.E, Decimal());
        r.tax = VALIMP(remaining, r.E, r.sale, static_cast<int>(g.num("TIPOPART").whole()));
        r.perimp = PERIMP(r.tax, remaining);
    } else {
        r.E = max(g.num("GANHOAN"), Decimal());
        r.tax = VALIMP(r.T, r.E, r.sale, static_cast<int>(g.num("TIPOPART").whole()));
        r.perimp = PERIMP(r.tax, r.T);
    }

    g.set("REDUCAO", r.R);
    g.set("FR1", r.first);
    g.set("FR2", r.second);
    g.set("FATOR1", r.F1);
    g.set("FATOR2", r.F2);
    g.set("VAL_NAOTRI", r.exempt);
    g.set("VAL_TRIBU", r.T);
    g.set("VAL_IMPOSV", r.tax);
    g.set("PERIMP", r.perimp);
    g.set("PER_TRI", r.per_tri);
    if (instalments)
        months_in_instalments(g, s, op, r);
    else
        months_at_once(g, r);
    return r;
}

std::vector<store::Record*> costs_of(const store::Record& gain, std::vector<store::Record>& all) {
    std::vector<store::Record*> out;
    for (auto& c : all)
        if (!c.deleted && c.num("BEM_NRO") == gain.num("BEM_NRO") &&
            trim(c.str("CPF")) == trim(gain.str("CPF")))
            out.push_back(&c);
    return out;
}

std::vector<store::Record*> gains_of(std::vector<store::Record>& table7) {
    std::vector<store::Record*> out;
    for (auto& g : table7)
        if (!g.deleted && g.num("TIPO_BEM") != kVariableIncome && g.num("BEM_NRO") > Decimal())
            out.push_back(&g);
    return out;
}

}  // namespace vorn::gains
