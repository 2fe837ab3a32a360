// The capital-gains report, section by section.
#include "printing/gains_report.h"

#include <algorithm>

#include "base/picture.h"
#include "base/text.h"
#include "gains/rates.h"

namespace vorn::printing {
namespace {

using gains::kCash;
using gains::kMovable;
using gains::kRealEstate;
using gains::kShares;

const Decimal kHundred(100);
constexpr int kWidth = 80;    // characters of a line
constexpr int kValueAt = 62;  // the column of a section's amounts
constexpr int kValueWidth = 18;

const std::vector<std::string> kOptions = {"1 - Ganho de Imóveis", "2 - Ganho de Móveis ",
                                           "3 - Ganho de P. Societária", "4 - Ganho de Moedas ",
                                           "5 - Todos os Ganhos"};

const std::vector<std::string> kShareKinds = {"Acoes",
                                              "Quotas",
                                              "FII (Fundo Inves.Imobiliario)",
                                              "Fundos de Inves.Participacoes",
                                              "FI.Cotas de Inv.Fundos Partic",
                                              "FInves em Empresas Emergentes",
                                              "Outros"};

std::string two(long long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

bool yes(const store::Record& r, const char* field) {
    const std::string v = trim(r.str(field));
    return v == "S" || v == "1";
}

std::string yn(bool b) {
    return b ? "Sim" : "Nao";
}

std::string money(Decimal v, int width = kValueWidth) {
    return transform(v, money_picture(width));
}

// A number with `places` decimals in `width` characters, the Brazilian way.
std::string decimals(Decimal v, int width, int places) {
    std::string t = "." + std::string(static_cast<size_t>(places), '9');
    while (static_cast<int>(t.size()) < width) t.insert(t.begin(), '9');
    return transform(v, Picture("@E " + t));
}

std::string document(std::string_view digits) {
    std::string d;
    for (char c : digits)
        if (c >= '0' && c <= '9') d += c;
    if (d.empty()) return "";
    return d.size() > 11 ? print_cnpj(d) : print_cpf(d);
}

std::string cep(std::string_view v) {
    const std::string d = trim(v);
    if (d.size() != 8) return d;
    return d.substr(0, 5) + "-" + d.substr(5);
}

std::string kind_title(int kind) {
    switch (kind) {
        case kRealEstate:
            return "BENS IMOVEIS";
        case kMovable:
            return "BENS MOVEIS";
        case kShares:
            return "PARTICIPACAO SOCIETARIA";
        default:
            return "MOEDA EM ESPECIE";
    }
}

Decimal share_of(Decimal part, Decimal whole, int places) {
    if (whole.is_zero()) return Decimal();
    return gains::cut(part / whole * kHundred, places);
}

constexpr long long kBracketTops[] = {5'000'000, 10'000'000, 30'000'000};
const char* const kBracketNames[] = {"Ate 5 milhoes     ", "De 5 a 10 milhoes ",
                                     "De 10 a 30 milhoes", "Acima de 30 milhoes"};
const char* const kBracketRates[] = {"15,0 %", "17,5 %", "20,0 %", "22,5 %"};

}  // namespace

const std::vector<std::string>& gains_report_options() {
    return kOptions;
}

std::string gains_number_prompt(int option) {
    if (option < 1 || option > 4) return {};
    // The option's text after its "N - ".
    return "Nro. do " + kOptions[static_cast<size_t>(option - 1)].substr(4) +
           " a ser impresso (0 todos)";
}

bool option_prints(int option, int kind) {
    if (kind == gains::kVariableIncome) return false;
    switch (option) {
        case 1:
            return kind == kRealEstate;
        case 2:
            return kind == kMovable;
        case 3:
            return kind == kShares;
        case 4:
            return kind == kCash;
        case 5:
            return kind == kRealEstate || kind == kMovable || kind == kShares || kind == kCash;
        default:
            return false;
    }
}

std::vector<const store::Record*> chosen_gains(const std::vector<const store::Record*>& gains,
                                               int option, int number) {
    std::vector<const store::Record*> out;
    for (const store::Record* g : gains) {
        if (g->deleted || !option_prints(option, static_cast<int>(g->num("TIPO_BEM").whole())))
            continue;
        if (option != 5 && number != 0 && g->num("BEM_NRO") != Decimal(number)) continue;
        out.push_back(g);
    }
    return out;
}

BracketSplit FAIXAIMP(Decimal earlier, Decimal current) {
    BracketSplit s;
    const Decimal low = max(earlier, Decimal()), high = low + max(current, Decimal());
    Decimal floor;
    for (size_t i = 0; i < 4; ++i) {
        const bool last = i == 3;
        const Decimal top = last ? max(high, floor) : Decimal(kBracketTops[i]);
        auto part = [&](Decimal from, Decimal to) {
            const Decimal a = max(from, floor), b = min(to, top);
            return b > a ? b - a : Decimal();
        };
        BracketPart& p = s.rows[i];
        p.earlier = part(Decimal(), low);
        p.current = part(low, high);
        p.total = p.earlier + p.current;
        s.sum.earlier += p.earlier;
        s.sum.current += p.current;
        s.sum.total += p.total;
        floor = top;
    }
    return s;
}

// One gain's pages: rows counted down the page, the title block repeated on every page.
class GainSheet {
  public:
    GainSheet(GainsReport& r, const GainToPrint& g)
        : r_(r),
          w_(r.w_),
          g_(g),
          rec_(*g.gain),
          res_(g.result),
          kind_(static_cast<int>(rec_.num("TIPO_BEM").whole())),
          abroad_(kind_ == kMovable && trim(rec_.str("BEMBRASIL")) == "N"),
          instalments_(yes(rec_, "VEN_PRAZO") || yes(rec_, "VENDAANT")) {}

    void print() {
        page();
        asset();
        operation();
        questions();
        buyers();
        cost();
        chain();
        brackets();
        if (instalments_)
            instalment_table();
        else
            cash_sale();
        consolidation();
        w_.finish();
    }

  private:
    // IMP_TITULO: the title block at the top of a page.
    void page() {
        if (r_.pages_++ > 0) w_.eject();
        row_ = 0;
        w_.say(row_++, 0,
               "DEMONSTRATIVO DA APURACAO DOS GANHOS DE CAPITAL N." +
                   two(rec_.num("BEM_NRO").whole()));
        w_.say(row_, 0, kind_title(kind_));
        w_.say(row_++, 56, "GANHOS DE CAPITAL");
        w_.say(row_++, 56, "Ano-Calendario 20" + std::string("25"));
        w_.say(row_, 0, "Nome: " + trim(g_.seller_name));
        w_.say(row_++, 56, "CPF: " + print_cpf(g_.seller_cpf));
        w_.say(row_++, 0, std::string(kWidth, '='));
    }

    // Makes room for `n` rows, going on to the next page when they do not fit.
    void room(int n) {
        if (row_ + n > r_.lines_ - 1) page();
    }
    void text(int col, const std::string& t) {
        room(1);
        w_.say(row_++, col, t);
    }
    // CABEC_GAN: a section heading, with the section's first lines kept on the same page.
    void heading(const std::string& t) {
        room(4);
        w_.say(row_++, 0, std::string(kWidth, '-'));
        w_.say(row_++, 0, t);
    }
    void field(const std::string& label, const std::string& value) {
        room(1);
        w_.say(row_, 2, label);
        w_.say(row_++, kValueAt + kValueWidth - static_cast<int>(value.size()), value);
    }
    void amount(const std::string& label, Decimal v) { field(label, money(v)); }
    void answer(const std::string& question, bool b) { field(question, yn(b)); }
    void labelled(const std::string& label, const std::string& value) {
        text(2, label + trim(value));
    }

    // 1. The asset.
    void asset() {
        if (kind_ == kRealEstate) {
            heading("DADOS DO IMOVEL");
            labelled("Especificacao: ", rec_.str("ESPC_BEM"));
            std::string street = trim(trim(rec_.str("RUAIMO")) + " " + trim(rec_.str("ENDEIMO")));
            labelled("Endereco: ",
                     street + ", " + trim(rec_.str("NUMIMO")) + " " + trim(rec_.str("COMPIMO")));
            labelled("Bairro: ", rec_.str("BAIRIMO"));
            labelled("CEP: ", cep(rec_.str("CEPIMO")));
            labelled("Municipio: ",
                     trim(rec_.str("MUNICIMO")) + "  UF: " + trim(rec_.str("UFIMO")));
        } else if (kind_ == kMovable) {
            heading("DADOS DO MOVEL");
            labelled("Especificacao: ", rec_.str("ESPC_BEM"));
            labelled("Localizacao: ", abroad_ ? "Exterior" : "Brasil");
        } else if (kind_ == kShares) {
            heading("DADOS DA PARTICIPACAO SOCIETARIA");
            labelled("Nome da sociedade: ", rec_.str("NOME_SOCIE"));
            labelled("CNPJ: ", print_cnpj(rec_.str("CGC_SOCIE")));
            labelled("Municipio: ",
                     trim(rec_.str("CID_SOCIE")) + "  UF: " + trim(rec_.str("EST_SOCIE")));
            const long long k = rec_.num("TIPOPART").whole();
            labelled("Tipo de participacao: ",
                     k >= 1 && k <= 7 ? kShareKinds[static_cast<size_t>(k - 1)] : "");
        } else {
            heading("DADOS DA MOEDA ESTRANGEIRA");
            labelled("Moeda: ", trim(rec_.str("CODEXTE")) + " " + trim(rec_.str("ESPC_BEM")));
        }
    }

    // 2. The operation.
    void operation() {
        heading("DADOS DA OPERACAO");
        labelled("Natureza da operacao: ",
                 two(rec_.num("CODNATUR").whole()) + " " + trim(rec_.str("NATUOPER")));
        field("Data da alienacao", res_.sale.dmy());
        if (abroad_) {
            const Decimal rate = rec_.num("DOLARVEN");
            field("Cotacao do dolar na data da alienacao", decimals(rate, 12, 4));
            amount("Valor da alienacao em US$", rec_.num("VALALIUS"));
            amount("Valor da alienacao em R$", gains::cut(rec_.num("VALALIUS") * rate, 2));
            amount("Valor da corretagem em US$", rec_.num("VAL_CORR"));
            amount("Valor da corretagem em R$", gains::cut(rec_.num("VAL_CORR") * rate, 2));
            labelled("Pais (tratado ou reciprocidade): ", rec_.str("CODEXTE"));
            amount("Imposto pago no exterior", rec_.num("IMP_PAGEX"));
        } else {
            amount("Valor da alienacao", rec_.num("VAL_ALI"));
            amount("Valor da corretagem", rec_.num("VAL_CORR"));
        }
        if (kind_ == kShares && g_.final_estate)
            field("Data da decisao judicial", g_.estate_date.dmy());
        field("A alienacao foi a Prazo/Prestacao", yn(yes(rec_, "VEN_PRAZO")));
    }

    // 3. The questions answered on the gain.
    void questions() {
        if (kind_ == kRealEstate) {
            answer("Houve edificacao, ampliacao, reforma ou adquirido em datas diferentes",
                   yes(rec_, "PARCOMPRA"));
        }
        answer("Bem de pequeno valor (alienacao ate R$ " +
                   trim(money(gains::small_value_limit(rec_))) + ")",
               res_.small_value);
        if (kind_ != kRealEstate) return;
        answer("Possui outro imovel", !yes(rec_, "UNIC_IMOV"));
        answer("Houve outra alienacao de imovel nos ultimos cinco anos", yes(rec_, "OUTRAVEN"));
        answer("O imovel e residencial", yes(rec_, "IMO_RESI"));
        const Decimal per = rec_.num("PERART31");
        const bool used = yes(rec_, "USA_ART31") && per > Decimal();
        field("Aplicou em outro imovel residencial em ate 180 dias",
              !used ? "Nao" : (per >= kHundred ? "Sim" : "Parcial"));
        if (used) amount("Valor aplicado", rec_.num("VAL_PARTE"));
        answer("Utiliza a isencao para mais de um imovel", yes(rec_, "MAISUM"));
    }

    // 4. The buyers.
    void buyers() {
        heading("ADQUIRENTE");
        text(2, "CPF/CNPJ            Nome");
        text(2, pad_right(document(rec_.str("CPFADQ")), 20) + trim(rec_.str("NOME_ADQ")));
        const std::string more = trim(rec_.str("CPFNOME"));
        if (!more.empty()) text(2, more);
    }

    // 5. The cost.
    void cost() {
        heading("APURACAO DO CUSTO DE AQUISICAO");
        if (abroad_) {
            const Decimal br = rec_.num("AQUI_BR"), us = rec_.num("AQUI_US");
            labelled("Origem dos rendimentos: ", br > Decimal() && us > Decimal() ? "ambas Moedas"
                                                 : us > Decimal() ? "moeda estrangeira"
                                                                  : "moeda Nacional");
            field("Data de aquisicao", rec_.date("DATA_ADQ").dmy());
            field("Cotacao do dolar na data da aquisicao", decimals(rec_.num("DOLARAQU"), 12, 4));
            amount("Custo em US$ - moeda nacional", br);
            amount("Custo em US$ - moeda estrangeira", us);
            amount("Custo de aquisicao em R$", res_.C);
            const Decimal pbr =
                (br + us).is_zero() ? kHundred : round_half_up(br / (br + us) * kHundred, 9);
            field("Percentual em moeda nacional", decimals(pbr, 14, 9));
            field("Percentual em moeda estrangeira", decimals(kHundred - pbr, 14, 9));
            return;
        }
        if (kind_ == kShares || kind_ == kCash) {
            operations();
            return;
        }
        field("Data de aquisicao", rec_.date("DATA_ADQ").dmy());
        amount("Custo de aquisicao", res_.C);
        if (kind_ != kRealEstate || res_.rows.size() < 2) return;
        room(3);
        text(0,
             "Data        Custo            % Custo Total  % Red.  Lei 7.713     "
             "   FR1         FR2");
        CostTotals t;
        for (const gains::CostShare& c : res_.rows) {
            row_line(c.date.dmy(), c.cost, decimals(c.share, 11, 6), std::to_string(c.per_red), c.R,
                     c.F1, c.F2);
            t.cost += c.cost;
            t.R += c.R;
            t.F1 += c.F1;
            t.F2 += c.F2;
        }
        row_line("Total........", t.cost, decimals(kHundred, 11, 6), "", t.R, t.F1, t.F2);
    }
    struct CostTotals {
        Decimal cost, R, F1, F2;
    };
    void row_line(const std::string& date, Decimal cost, const std::string& share,
                  const std::string& per, Decimal R, Decimal F1, Decimal F2) {
        room(1);
        w_.say(row_, 0, date);
        w_.say(row_, 13, money(cost, 12));
        w_.say(row_, 27, share);
        w_.say(row_, 40, pad_left(per, 4));
        w_.say(row_, 45, money(R, 11));
        w_.say(row_, 57, money(F1, 11));
        w_.say(row_, 69, money(F2, 11));
        ++row_;
    }

    // Shareholdings and cash: the operations in date order with the running average cost.
    void operations() {
        std::vector<const store::Record*> ops = g_.costs;
        std::stable_sort(ops.begin(), ops.end(),
                         [](const store::Record* a, const store::Record* b) {
                             return a->date("DATA_CUST") < b->date("DATA_CUST");
                         });
        room(3);
        text(0,
             "Data        Operacao     Quantidade           Valor   Custo Medio         "
             "Saldo");
        for (const store::Record* o : ops) {
            room(1);
            const bool sale = o->num("TIPO_OPER") == 3;
            w_.say(row_, 0, o->date("DATA_CUST").dmy());
            w_.say(row_, 12, sale ? "Venda" : "Compra");
            w_.say(row_, 23, pad_left(o->num("MOV_ACAO").to_string(0), 12));
            w_.say(row_, 36, money(o->num("VALOR_CUST"), 14));
            w_.say(row_, 51, decimals(o->num("CM_PONDER"), 14, 6));
            w_.say(row_, 66, pad_left(o->num("SALDO_ACAO").to_string(0), 12));
            ++row_;
        }
        amount("Custo de aquisicao das quantidades vendidas", res_.C);
    }

    // 6. The chain of results.
    void chain() {
        heading("APURACAO DOS GANHOS DE CAPITAL");
        const Decimal sale = rec_.num("VAL_ALI"), brokerage = rec_.num("VAL_CORR");
        if (kind_ == kRealEstate) {
            if (rec_.num("CODNATUR") == 11) {
                // An exchange with a cash difference: only the cash part is a sale.
                const Decimal v = sale - brokerage;
                const Decimal whole = res_.C + v;
                const Decimal cost_share =
                    whole.is_zero() ? Decimal() : round_half_up(res_.C * v / whole, 6);
                amount("Valor da alienacao proporcional", v + res_.C);
                amount("Custo proporcional", res_.C);
                amount("Valor da torna (diferenca em dinheiro)", sale);
                amount("Corretagem da torna", brokerage);
                amount("Valor liquido da torna", v);
                amount("Custo proporcional a torna", gains::cut(cost_share, 2));
            } else {
                amount("Valor da Alienacao ", sale);
                amount("Valor da corretagem", brokerage);
                amount("Valor liquido de alienacao", sale - brokerage);
                amount("Custo de aquisicao", res_.C);
            }
            amount("Ganho de Capital - Resultado 1", res_.G);
            amount("Valor de reducao (Lei n. 7.713, de 1988)", res_.R);
            field("Percentual de reducao (Lei n. 7.713, de 1988)",
                  decimals(share_of(res_.R, res_.G, 6), 12, 6));
            amount("Ganho de Capital - Resultado 2", res_.G2);
            amount("Valor de reducao (Lei n. 11.196, de 2005 - FR1)", res_.F1);
            field("Percentual de reducao (FR1)", decimals(res_.first * kHundred, 12, 6));
            amount("Ganho de Capital - Resultado 3", res_.G3);
            amount("Valor de reducao (Lei n. 11.196, de 2005 - FR2)", res_.F2);
            field("Percentual de reducao (FR2)", decimals(res_.second * kHundred, 12, 6));
            amount("Ganho de Capital - Resultado 4", res_.G4);
            if (res_.single_property)
                amount("Valor da reducao do unico imovel residencial", res_.exempt);
            else if (res_.small_value)
                amount("Valor da reducao do imovel pequeno valor", res_.exempt);
            else
                amount("Valor Aplicado na aquisicao imovel residencial", res_.P);
            amount("Ganho de Capital - Resultado 5", res_.T);
        } else if (abroad_) {
            amount("Alienacao em US$ - moeda nacional", rec_.num("ALIE_BR"));
            amount("Alienacao em US$ - moeda estrangeira", rec_.num("ALIE_US"));
            amount("Ganho de capital em R$ - moeda nacional", rec_.num("GCAP_BR"));
            amount("Ganho de capital em R$ - moeda estrangeira", rec_.num("GCAP_US"));
            amount("Ganho de capital total em R$", res_.G);
            if (res_.small_value) amount("Valor isento (pequeno valor)", res_.exempt);
            amount("Ganho de capital tributavel", res_.T);
        } else {
            amount("Valor da Alienacao ", sale);
            amount("Valor da corretagem", brokerage);
            amount("Custo de aquisicao", res_.C);
            amount("Ganho de Capital", res_.G);
            if (res_.small_value) amount("Valor isento (pequeno valor)", res_.exempt);
            amount("Ganho de capital tributavel", res_.T);
            if (kind_ == kShares || kind_ == kCash) {
                heading("CONSOLIDACAO");
                amount("Ganho de capital total", res_.T);
                field("Aliquota media", decimals(res_.perimp, 12, 6));
                tax_line("Imposto devido", res_.tax);
            }
        }
    }

    // A tax figure, marked when the data typed make it 0 although there is a gain.
    void tax_line(const std::string& label, Decimal tax) {
        if (tax.is_zero() && res_.G > Decimal())
            field(label, "(Zero devido aos dados digitados) " + trim(money(tax)));
        else
            amount(label, tax);
    }

    // The part of the gain taxed this year and the earlier gain the brackets start from.
    Decimal current_gain() const {
        return yes(rec_, "VENDAANT") ? max(res_.T - res_.E, Decimal()) : res_.T;
    }

    // 7. The brackets.
    void brackets() {
        room(13);  // the questions and the table together
        heading("GANHO DE CAPITAL DISTRIBUIDO POR FAIXA DE ALIQUOTA");
        const bool partial = res_.E > Decimal();
        field("Ja houve venda parcial desse bem?", partial ? "Sim(x) Nao( )" : "Sim( ) Nao(x)");
        amount("Soma dos Ganhos de capital de alineacoes anteriores:", res_.E);
        amount("Ganho de capital de alineacao atual:", current_gain());
        const BracketSplit s = FAIXAIMP(res_.E, current_gain());
        room(7);
        text(0, "Ganho de capital distribuido");
        text(0,
             "Faixa                Aliquota           Total       Anteriores          "
             "Atual");
        for (size_t i = 0; i < 4; ++i) bracket_line(kBracketNames[i], kBracketRates[i], s.rows[i]);
        bracket_line(" Total", "", s.sum);
    }
    void bracket_line(const std::string& name, const std::string& rate, const BracketPart& p) {
        room(1);
        w_.say(row_, 0, name);
        w_.say(row_, 21, rate);
        w_.say(row_, 29, money(p.total, 17));
        w_.say(row_, 46, money(p.earlier, 17));
        w_.say(row_, 63, money(p.current, 17));
        ++row_;
    }

    // 8. A sale paid at once.
    void cash_sale() {
        heading("CALCULO DO IMPOSTO - ALIENACAO A VISTA");
        amount(kind_ == kRealEstate ? "Ganho de Capital resultado 5" : "Ganho de capital", res_.T);
        tax_line("Imposto devido antes da compensacao", res_.tax);
        const Decimal abroad_paid = abroad_ ? rec_.num("IMP_PAGEX") : Decimal();
        amount("Imposto pago no Exterior passivel de compensacao", min(abroad_paid, res_.tax));
        amount("Imposto devido apos compensacao", max(res_.tax - abroad_paid, Decimal()));
        amount("Imposto Renda retido (lei 11.033)", rec_.num("LEI_11083"));
        amount("Imposto pago", rec_.num("IMPPAGO"));
    }

    // 9. An instalment sale: VENDA_PRAZO.
    void instalment_table() {
        room(6);
        w_.say(row_++, 0, std::string(kWidth, '-'));
        w_.say(row_++, 0,
               "CALCULO DO IMPOSTO - ALIENACAO A PRAZO        CODIGO RECOLHIMENTO - 4600");
        if (abroad_)
            text(0,
                 "Mes     Recebido US$  Cotacao    Recebido R$    % Ganho  Ganho Proporc.   "
                 "Aliquota %  Imposto Devido   Imposto Pago");
        else
            text(0,
                 "Mes   Valor Recebido    % Ganho  Ganho Proporc.  Aliquota %  Imp.Devido  "
                 "  Imp.Pago");
        Decimal received, taxable, due, paid, paid_abroad, received_us;
        int last = 0;
        auto columns = [&](const std::string& month, Decimal us, Decimal rate, Decimal rec,
                           Decimal tx, Decimal tax, Decimal pay, bool rates) {
            room(1);
            w_.say(row_, 0, month);
            if (abroad_) {
                w_.say(row_, 6, money(us, 14));
                if (rates) w_.say(row_, 21, decimals(rate, 9, 4));
                w_.say(row_, 31, money(rec, 14));
                if (rates) w_.say(row_, 46, decimals(res_.per_tri, 10, 6));
                w_.say(row_, 57, money(tx, 14));
                if (rates) w_.say(row_, 72, decimals(res_.perimp, 10, 6));
                w_.say(row_, 83, money(tax, 13));
                w_.say(row_, 97, money(pay, 13));
            } else {
                w_.say(row_, 6, money(rec, 14));
                if (rates) w_.say(row_, 21, decimals(res_.per_tri, 10, 6));
                w_.say(row_, 32, money(tx, 14));
                if (rates) w_.say(row_, 47, decimals(res_.perimp, 10, 6));
                w_.say(row_, 58, money(tax, 11));
                w_.say(row_, 69, money(pay, 11));
            }
            ++row_;
        };
        for (int m = 1; m <= 12; ++m) {
            const Decimal rec = res_.received[static_cast<size_t>(m - 1)];
            if (rec.is_zero()) continue;
            last = m;
            const Decimal tx = res_.taxable[static_cast<size_t>(m - 1)];
            const Decimal tax = res_.tax_due[static_cast<size_t>(m - 1)];
            const Decimal pay = rec_.num("IMP_PAG" + two(m));
            const Decimal us = rec_.num("REC_USA" + two(m));
            columns(two(m), us, rec_.num("VAL_USA" + two(m)), rec, tx, tax, pay, true);
            received_us += us;
            received += rec;
            taxable += tx;
            due += tax;
            paid += pay;
            paid_abroad += rec_.num("IMP_LEI" + two(m));
        }
        columns("Total", received_us, Decimal(), received, taxable, due, paid, false);
        const Decimal to_receive =
            yes(rec_, "VENDAANT") ? rec_.num("VAL_DIFE") : rec_.num("VAL_ALI");
        final_received_ = received >= to_receive && !to_receive.is_zero();
        field("A parcela final foi recebida em 20" + std::string("25"),
              final_received_ ? "Sim(x) Nao( )" : "Sim( ) Nao(x)");

        heading("APURACAO (relativa as parcelas recebidas)");
        amount("Valor recebido", received);
        const Decimal sale = rec_.num("VAL_ALI");
        amount("Custo proporcional",
               sale.is_zero() ? Decimal() : gains::cut(res_.C * received / sale, 2));
        if (abroad_) {
            amount("Ganho de capital em R$ - moeda nacional", rec_.num("GCAP_BR"));
            amount("Ganho de capital em R$ - moeda estrangeira", rec_.num("GCAP_US"));
        }
        amount("Ganho de capital", taxable);

        heading("AJUSTES");
        amount("Ganho de capital total", taxable);
        field("Aliquota media", decimals(res_.perimp, 12, 6));
        tax_line("Total do imposto devido", due);
        amount("Imposto pago no exterior passivel de compensacao", min(paid_abroad, due));
        amount("Total do imposto devido no Brasil", max(due - paid_abroad, Decimal()));
        const Decimal last_due =
            last == 0 ? Decimal() : res_.tax_due[static_cast<size_t>(last - 1)];
        amount("Imposto devido relativo as parcelas anteriores", due - last_due);
        amount("Imposto devido relativo a ultima parcela", last_due);
        amount("Total do imposto pago no Brasil", paid);
        due_ = due;
        paid_ = paid;
        taxed_ = taxable;
    }

    // 10. CONSOLIDA: the asset's totals for the declaration.
    void consolidation() {
        if (!instalments_) {
            final_received_ = true;
            due_ = res_.tax;
            paid_ = rec_.num("IMPPAGO");
            taxed_ = res_.T;
        }
        const bool earlier = yes(rec_, "VENDAANT");
        const Decimal withheld = rec_.num("LEI_11083");
        const Decimal whole = res_.tax;
        heading("CONSOLIDACAO DO BEM");
        text(0, "IMPOSTO A PAGAR");
        amount("Diferido de anos anteriores", earlier ? whole : Decimal());
        amount("Referente a alienacao em 20" + std::string("25"), earlier ? Decimal() : whole);
        amount("Total", whole);
        amount("Imposto retido (Lei n. 11.033/2004)", withheld);
        amount("Devido em 20" + std::string("25"), due_);
        // Once the last instalment is in, nothing is left for later years (the months' taxes,
        // each cut to the cent, may sum a few cents below the whole sale's).
        amount("Diferido para anos posteriores",
               final_received_ ? Decimal() : max(whole - due_ - withheld, Decimal()));
        text(0, "IMPOSTO PAGO");
        amount("Imposto pago", paid_);
        text(0, "RENDIMENTOS ISENTOS E NAO TRIBUTAVEIS ");
        amount("Ganho de capital isento ou nao tributavel", res_.exempt);
        text(0, "RENDIMENTO SUJEITO A TRIBUTACAO DEFINITIVA");
        amount("Ganho de capital tributavel", taxed_);
        text(0, "IMPOSTO PAGO NO BRASIL E EXTERIOR");
        const Decimal outside = abroad_ ? rec_.num("IMP_PAGEX") : Decimal();
        amount("Imposto pago no Brasil", paid_);
        amount("Imposto pago no exterior", outside);
        amount("TOTAL", paid_ + outside);
    }

    GainsReport& r_;
    PrintWriter& w_;
    const GainToPrint& g_;
    const store::Record& rec_;
    const gains::GainResult& res_;
    const int kind_;
    const bool abroad_, instalments_;
    int row_ = 0;
    Decimal due_, paid_, taxed_;
    bool final_received_ = false;
};

void GainsReport::IMPRGAN(const GainToPrint& g) {
    GainSheet(*this, g).print();
    ++printed_;
}

int IMPGANHO(int option, const std::vector<const store::Record*>& gains,
             const std::function<GainToPrint(const store::Record&)>& make, GainsReport& report,
             Operator& op, const AskNumber& ask_number) {
    int printed = 0;
    auto print_all = [&](int number) {
        for (const store::Record* g : chosen_gains(gains, option, number)) {
            report.IMPRGAN(make(*g));
            ++printed;
        }
    };
    if (option == 5) {
        print_all(0);
        return printed;
    }
    if (option < 1 || option > 4) return printed;
    for (;;) {
        const std::optional<int> number = ask_number(gains_number_prompt(option));
        if (!number) return printed;
        if (*number == 0) {
            print_all(0);
            return printed;
        }
        const std::vector<const store::Record*> one = chosen_gains(gains, option, *number);
        if (one.empty()) {
            if (!op.yes_no(
                    "", "Ganho " + two(*number) + " não encontrado. Deseja imprimir outro número?"))
                return printed;
            continue;
        }
        report.IMPRGAN(make(*one.front()));
        ++printed;
        if (!op.yes_no("", "Imprime outro ganho?")) return printed;
    }
}

}  // namespace vorn::printing
