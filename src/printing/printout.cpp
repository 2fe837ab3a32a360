// The declaration printout, page by page.
#include "printing/printout.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "base/text.h"
#include "tax/limits.h"
#include "tax/year.h"

namespace vorn::printing {

std::vector<Step> steps_of(int quepag) {
    using S = Step;
    switch (quepag) {
        case 2:
            return {S::kPage1, S::kCompanies, S::kIndividuals, S::kOtherIncome,
                    S::kPage3, S::kPage4,     S::kPage5};
        case 3:
            return {S::kPage1,       S::kCompanies, S::kIndividuals,
                    S::kOtherIncome, S::kPage3,     S::kPage4};
        case 4:
            return {S::kPage1, S::kCompanies, S::kIndividuals, S::kOtherIncome,
                    S::kPage3, S::kPage4,     S::kBalance};
        case 5:
            return {S::kCompanies, S::kIndividuals};
        case 6:
            return {S::kIndividuals};
        case 7:
            return {S::kOtherIncome};
        case 8:
            return {S::kPage3};
        case 9:
            return {S::kPage4, S::kBalance};
        case 10:
            return {S::kPage4};
        case 11:
            return {S::kPage5};
        default:
            return {S::kPage1, S::kCompanies, S::kIndividuals, S::kOtherIncome,
                    S::kPage3, S::kPage4,     S::kBalance,     S::kPage5};
    }
}

namespace {

// The list a page break closes with its partial totals and opens again.
enum class ListKind { kNone, kCompanies, kAssets, kDebts, kOther };

struct Column {
    int col, width;
};
constexpr std::array<Column, 4> kCompanyColumns = {{{64, 17}, {81, 17}, {102, 15}, {117, 17}}};
constexpr std::array<Column, 2> kAssetColumns = {{{102, 16}, {119, 15}}};
constexpr std::array<Column, 3> kDebtColumns = {{{89, 14}, {104, 14}, {119, 15}}};

// Amounts of the normal-print pages: right-aligned so that a line stays within 79 columns.
constexpr int kAmount = 15;
constexpr int kRight = 64;  // the amount column of the income blocks

// The payers' columns an exempt or exclusive line is made of.
struct PayerLine {
    const char* label;
    const char* field;
    const char* second = nullptr;  // a second amount at column 49 (capital gains, lines 05 to 08)
    std::vector<const char*> payers = {};  // income-item columns adding up to it
    bool negative = false;
};

const std::vector<PayerLine>& exempt_lines() {
    static const std::vector<PayerLine> kLines = {
        {"01.Bolsa de Estudo que nao representa Vantagem ou Servico     ",
         "I3_01",
         nullptr,
         {"I1_29"}},
        {"02.Bolsa de estudo recebida como doacao por Medico residente  ",
         "I3_15",
         nullptr,
         {"I1_24"}},
        {"03.Capital ou Premio de seguro pago por morte ou invalidez    ", "I3_02"},
        {"04.Indenizacoes por rescisao ou acidentes de trabalho,PDV,FGTS",
         "I3_03",
         nullptr,
         {"I1_30"}},
        {"05.Ganho de capital Bens de pequeno valor ", "I3_04GCPVC", "I3_04GCPV"},
        {"06.Ganho de capital do unico Imovel       ", "I3_04UNICC", "I3_04UNIC"},
        {"07.Ganho de capital lei 1196 e/ou reducao ", "I3_04REDUC", "I3_04REDU"},
        {"08.Ganho de capital em moeda estrangeira  ", "I3_04EXTRC", "I3_04EXTR"},
        {"              Total do Ganho de capital ............           ", "I3_04"},
        {"09.Lucros e dividendos recebidos pelo titular e dependentes    ",
         "I3_05",
         nullptr,
         {"I1_15"}},
        {"10.Parcela isenta da reserva remunerada/aposentad.Maior 65 anos",
         "I3_06",
         nullptr,
         {"I1_17", "I1_43"}},
        {"11.Pensao,aposentadoria ou reforma por molestia grave/invalidez",
         "I3_07",
         nullptr,
         {"I1_18"}},
        {"12.Rend. Poupanca e Letras hipotecarias, LCA e LCI, CRA e CRI  ",
         "I3_08",
         nullptr,
         {"I1_37"}},
        {"13.Rendimentos de Socio ou Titular de ME ou EPP exceto ProLabor",
         "I3_09",
         nullptr,
         {"I1_16"}},
        {"14.Transferencia patrimonial  - doacoes e herancas             ",
         "I3_10",
         nullptr,
         {"I1_23"}},
        {"15.Parcela isenta correspondente a atividade rural             ", "I3_11"},
        {"16.IR de anos anteriores compensado judicialmente nesse ano    ",
         "I3_12",
         nullptr,
         {"I1_31"}},
        {"17.75% rend. recebido por servidor no exterior convertido R$   ",
         "I3_13",
         nullptr,
         {"I1_13"}},
        {"18.Incorporacao de reservas ao capital/Bonificacao em acoes    ",
         "I3_14",
         nullptr,
         {"I1_14"}},
        {"19.Transferencia patrimonial- meacoes,dissolucao soc.conjugal  ",
         "I3_17",
         nullptr,
         {"I1_26"}},
        {"20.Ganhos liquido em mercado a vista na bolsa ate 20mil ao mes ",
         "I3_18",
         nullptr,
         {"I1_27"}},
        {"21.Ganhos liquido em ouro, ativo financeiro ate 20mil ao mes   ",
         "I3_19",
         nullptr,
         {"I1_28"}},
        {"22.Recuperacao de prejuizos em Renda Variavel                  ", "I3_20"},
        {"23.Rendimentos bruto ate 90% transp. carga,trator,terraplan.   ", "I3_21"},
        {"24.Rendimentos bruto ate 40% transporte de passageiros         ", "I3_22"},
        {"25.Restituicao do imposto de renda de anos anteriores          ", "I3_23"},
        {"26.Outros                                                      ",
         "I3_24",
         nullptr,
         {"I1_9"}},
    };
    return kLines;
}

const std::vector<PayerLine>& exclusive_lines() {
    static const std::vector<PayerLine> kLines = {
        {"01.Decimo terceiro salario do Titular", "I4_01"},
        {"02.Ganhos de capital na alienacao de bens e ou direitos", "I4_02"},
        {"03.Ganhos na alienacao de bens/aplicacoes em moeda estrangeira", "I4_11"},
        {"04.Ganhos na alienacao em moeda estrangeira em especie", "I4_12"},
        {"05.Ganhos liquidos em renda variavel(bolsa,mercadorias,futuros)", "I4_03"},
        {"06.Rendimentos de aplicacoes financeiras", "I4_04", nullptr, {"I1_38"}},
        {"07.Rendimentos recebido acumuladamente pelo titular", "I4_05"},
        {"08.Decimo terceiro salario dos Dependentes", "I4_06"},
        {"09.Rendimentos recebido acumuladamente pelos dependentes", "I4_07"},
        {"10.Juros Sobre Capital Proprio", "I4_08", nullptr, {"I1_32"}},
        {"11.Participacao nos Lucros e Resultados", "I4_09", nullptr, {"I1_33"}},
        {"12.Aplicacoes,Lucros e dividendos na lei 14.754/2023",
         "I4_13",
         nullptr,
         {"VAL_APLIC", "VAL_LUCRO"}},
        {"12a.Prejuizo a compensar na Aplicacao Financeira Lei 14.754/23",
         "I4_14",
         nullptr,
         {},
         true},
        {"13.Premio liquido obtido em loteria quota Fixa   Lei 14.790/23",
         "I4_15",
         nullptr,
         {"I1_45"}},
        {"99.Outros ", "I4_10", nullptr, {"I1_34"}},
    };
    return kLines;
}

std::string two(int n) {
    return tax::two_digits(n);
}

// A share in percent of `base`, rounded to the cent; nothing when the base is not positive.
std::optional<Decimal> share(Decimal v, Decimal base) {
    if (base <= Decimal()) return std::nullopt;
    return (v * Decimal(100) / base).round(2);
}

}  // namespace

// One declaration being printed: the print position QLIN on the current sheet and the list in
// progress.
class Sheet {
  public:
    Sheet(Printout& p, tax::Declaration& d, const Extras& x)
        : p_(p), w_(p.w_), o_(p.o_), d_(d), x_(x) {}

    bool run(const std::vector<Step>& steps) {
        for (Step s : steps) {
            if (p_.abandoned_) return false;
            switch (s) {
                case Step::kPage1:
                    page1();
                    break;
                case Step::kCompanies:
                    companies();
                    break;
                case Step::kIndividuals:
                    individuals();
                    break;
                case Step::kOtherIncome:
                    other_income();
                    break;
                case Step::kPage3:
                    page3();
                    break;
                case Step::kPage4:
                    page4();
                    break;
                case Step::kBalance:
                    balance();
                    break;
                case Step::kPage5:
                    page5();
                    break;
                case Step::kNotes:
                    notes();
                    break;
                case Step::kCashBook:
                    cash_book();
                    break;
            }
        }
        return !p_.abandoned_;
    }

  private:
    // ---- position, pages and lists

    int div1() const { return o_.naodos ? 80 : 79; }
    int div2() const { return o_.naodos ? 135 : 132; }
    static int div3() { return 105; }

    void text(int col, std::string_view t) {
        if (!p_.abandoned_) w_.say(qlin_, col, t);
    }
    void amount(int col, Decimal v, int width = kAmount, bool blank_zero = true) {
        if (p_.abandoned_ || (blank_zero && v.is_zero())) return;
        w_.say(qlin_, col, v, money_picture(width, blank_zero));
    }
    void percent(int col, std::optional<Decimal> v) {
        if (v && !v->is_zero() && !p_.abandoned_) w_.say(qlin_, col, *v, percent_picture(7, true));
    }
    void mode(int n) {  // MUDAIMP: normal (0) or condensed (1) print from this line on
        if (p_.abandoned_) return;
        w_.say(qlin_, 0, "");
        w_.control(o_.strings[n]);
        condensed_ = n == 1;
    }
    // The next line; PAREIMP between lines.
    void next(int n = 1) {
        qlin_ += n;
        if (!p_.abandoned_ && o_.stop && o_.stop()) p_.abandoned_ = true;
    }
    // Makes room for `n` lines: a full sheet closes (with the list's partial totals) and a new
    // one opens under the header (and the list's title and heads).
    void room(int n) {
        const int reserve = list_ != ListKind::kNone ? 1 : 0;
        if (qlin_ + n + reserve <= o_.lines) return;
        if (list_ != ListKind::kNone) subtotal();
        begin_page();
        if (list_ != ListKind::kNone) heads();
    }

    // CABEC_PAG(0): the header of every sheet.
    void begin_page() {
        if (p_.abandoned_) return;
        if (p_.pages_++ > 0) w_.eject();
        qlin_ = 0;
        const bool wide = condensed_;
        mode(0);
        text(0, std::string(div1(), '-'));
        next();
        text(0, "Nome: " + trim(d_.str("NOMECONTR")));
        text(60, "CPF: " + print_cpf(d_.cpf()));
        next();
        text(0, d_.is_final()       ? "DECLARACAO DE FINAL DE ESPOLIO"
                : d_.is_departure() ? "DECLARACAO DE SAIDA DEFINITIVA"
                                    : "DECLARACAO DE AJUSTE ANUAL");
        text(44, "IMPOSTO DE RENDA - PESSOA FISICA");
        next();
        text(0, "Atualizado no dia " + d_.date("DATAFIM").dmy() + " - " + d_.str("HORAFIM"));
        text(44,
             std::string("EXERCICIO 20") + tax::CANOATUAL + " Ano-Calendario 20" + tax::CANOANTER);
        next();
        text(0, std::string(div1(), '-'));
        next(2);
        if (wide) mode(1);
    }

    void open_list(ListKind kind, std::string title, std::vector<std::string> head_lines,
                   bool wide) {
        // The room is made before the list is open: a list that starts on a new sheet closes
        // the previous one without a subtotal and prints its heads once.
        room(static_cast<int>(head_lines.size()) + 4);
        list_ = kind;
        title_ = std::move(title);
        heads_ = std::move(head_lines);
        wide_ = wide;
        sums_.fill(Decimal());
        heads();
    }
    void heads() {
        if (wide_ && !condensed_) mode(1);
        text(0, title_);
        next();
        text(0, std::string(wide_ ? div2() : div1(), '-'));
        next();
        for (const auto& h : heads_) {
            text(0, h);
            next();
        }
        text(0, std::string(wide_ ? div2() : div1(), '-'));
        next();
    }
    void close_list() {
        list_ = ListKind::kNone;
        if (condensed_) mode(0);
    }
    // The line that closes a sheet whose list goes on.
    void subtotal() {
        switch (list_) {
            case ListKind::kCompanies:
                text(0, "VALORES PARCIAIS ");
                for (size_t k = 0; k < kCompanyColumns.size(); ++k)
                    amount(kCompanyColumns[k].col, sums_[k], kCompanyColumns[k].width);
                break;
            case ListKind::kAssets:
                text(0, "SUBTOTAL");
                for (size_t k = 0; k < kAssetColumns.size(); ++k)
                    amount(kAssetColumns[k].col, sums_[k], kAssetColumns[k].width);
                break;
            case ListKind::kDebts:
                text(0, "SUBTOTAL");
                for (size_t k = 0; k < kDebtColumns.size(); ++k)
                    amount(kDebtColumns[k].col, sums_[k], kDebtColumns[k].width);
                break;
            default:
                break;
        }
        next();
    }
    // A title line of a block in normal print.
    // `keep` lines from the title on stay on one sheet.
    void title(std::string_view t, bool reais = false, int keep = 3) {
        room(keep);
        text(0, t);
        if (reais) text(61, "(Valores em Reais)");
        next();
        text(0, std::string(div1(), '-'));
        next();
    }
    // A label with its amount at `col`.
    void line(std::string_view label, Decimal v, int col = kRight) {
        room(1);
        text(0, label);
        amount(col, v);
        next();
    }
    // Lines of wrapped text at `col`, each with `rest` written on the first line.
    void wrapped(int col, std::string_view t, size_t width, const std::function<void()>& rest) {
        const auto lines = wrap_words(t, width);
        room(static_cast<int>(lines.size()));
        for (size_t k = 0; k < lines.size(); ++k) {
            text(col, lines[k]);
            if (k == 0 && rest) rest();
            if (k + 1 < lines.size()) next();
        }
        next();
    }
    static std::string document(std::string_view v) {
        std::string digits;
        for (char c : v)
            if (c >= '0' && c <= '9') digits += c;
        if (digits.empty()) return "";
        return digits.size() == 11 ? print_cpf(digits) : print_cnpj(digits);
    }

    // ---- page 1 (PAGINA1)

    void field_line(std::string_view label, std::string_view value) {
        if (trim(value).empty()) return;
        room(1);
        text(0, label);
        // A label longer than the column pushes its value right instead of being overwritten.
        text(std::max<int>(30, static_cast<int>(label.size()) + 1), trim(value));
        next();
    }
    std::string date_of(std::string_view name) const {
        const Date dt = d_.date(name);
        return dt.blank() ? "" : dt.dmy();
    }
    void page1() {
        begin_page();
        title("IDENTIFICACAO DO CONTRIBUINTE");
        field_line("Nome", d_.str("NOMECONTR"));
        field_line("CPF", print_cpf(d_.cpf()));
        field_line("Data de nascimento", date_of("NASCIMENTO"));
        field_line("Titulo de eleitor", d_.str("TITULO"));
        std::string street = trim(d_.str("TIPOEND") + " " + d_.str("ENDERECO"));
        if (!trim(d_.str("NUMERO")).empty()) street += ", " + trim(d_.str("NUMERO"));
        if (!trim(d_.str("COMPLEM")).empty()) street += " " + trim(d_.str("COMPLEM"));
        field_line("Endereco", street);
        field_line("Bairro", d_.str("BAIRRO"));
        field_line("CEP", d_.str("CEP"));
        field_line("Municipio/UF", trim(trim(d_.str("MUNICIPIO")) + " " + d_.str("UF")));
        if (!trim(d_.str("TELEFO")).empty())
            field_line("Telefone", "(" + trim(d_.str("DDDTEL")) + ") " + trim(d_.str("TELEFO")));
        field_line("E-mail", d_.str("EMAIL"));
        field_line("Natureza da ocupacao",
                   trim(trim(d_.str("CODAT")) + " " + trim(d_.str("DESCRAT"))));
        field_line("Ocupacao principal",
                   trim(trim(d_.str("CDPRO")) + " " + trim(d_.str("OCUPACAO"))));
        if (d_.is_final()) estate();
        if (d_.is_departure() || !trim(d_.str("PROCBRASIL")).empty()) departure();
        if (d_.str("VOLTA_RES") == "S") {
            next();
            field_line("Retorno a condicao de residente", date_of("DATARETOR"));
        }
    }
    void estate() {
        next();
        title("DECLARACAO FINAL DE ESPOLIO");
        if (d_.num("ANOOBITO") > Decimal())
            field_line("Ano do obito", std::to_string(d_.num("ANOOBITO").whole()));
        for (const char* n : {"", "2"}) {
            const std::string s(n);
            if (trim(d_.str("CPFINVENT" + s)).empty() && trim(d_.str("NOMINVENT" + s)).empty())
                continue;
            field_line("Inventariante",
                       print_cpf(d_.str("CPFINVENT" + s)) + "  " + trim(d_.str("NOMINVENT" + s)));
            field_line("Endereco do inventariante", d_.str("ENDINVENT" + s));
        }
        for (const char* n : {"", "2"}) {
            const std::string s(n);
            const std::string which = s.empty() ? "partilha" : "sobrepartilha";
            if (d_.str("DECJUDI" + s) == "S") {
                field_line("Decisao judicial da " + which, d_.str("NROPROCES" + s));
                std::string court;
                for (const char* f : {"VARACIVIL", "COMARCA", "UFPROCES"})
                    if (const std::string v = trim(d_.str(f + s)); !v.empty())
                        court += (court.empty() ? "" : " / ") + v;
                field_line("Vara civel / Comarca / UF", court);
                field_line("Data da partilha", date_of("DATAPARTI" + s));
                field_line("Transito em julgado", date_of("DATADECIS" + s));
            } else if (!trim(d_.str("NOMECARTO" + s)).empty()) {
                field_line("Escritura publica da " + which, d_.str("NOMECARTO" + s));
                field_line("CNPJ do cartorio", document(d_.str("CNPJCARTO" + s)));
                field_line("Municipio do cartorio", d_.str("MUNICARTO" + s));
                field_line("Livro / Folha", std::to_string(d_.num("LIVRCARTO" + s).whole()) +
                                                " / " +
                                                std::to_string(d_.num("FOLHCARTO" + s).whole()));
                field_line("Data da lavratura", date_of("DATALAVRA" + s));
            }
        }
    }
    void departure() {
        next();
        title(d_.is_departure() ? "DECLARACAO DE SAIDA DEFINITIVA DO PAIS" : "PROCURADOR");
        field_line("CPF do procurador", document(d_.str("PROCBRASIL")));
        field_line("Data da saida definitiva", date_of("DATASAIDA"));
        field_line("Condicao de nao residente desde", date_of("DATADECIS"));
    }

    // ---- page 2 (PAGINA2, TRIBUPJ)

    void companies() {
        begin_page();
        static const std::string kHead =
            "       NOME DA FONTE PAGADORA               CNPJ/CPF          REND. RECEBIDOS    "
            "CONTR.PREVID.    IMPOSTO NA FONTE    13ro SALARIO";
        const int sub = static_cast<int>(kHead.find("REND. RECEBIDOS"));
        const std::string second =
            std::string(static_cast<size_t>(sub), ' ') + "DE PES.JURIDICA      OFICIAL";
        for (bool holder : {true, false}) {
            std::vector<const store::Record*> rows;
            tax::for_each_live(d_.items, [&](const store::Record& r) {
                const std::string k = r.str("I1_1");
                if ((k == "J" || k == "D") && (r.str("I1_11") != "N") == holder) rows.push_back(&r);
            });
            if (rows.empty()) continue;
            open_list(ListKind::kCompanies,
                      std::string("RENDIMENTOS TRIBUTAVEIS RECEBIDOS DE PESSOAS JURIDICAS PELO") +
                          (holder ? " TITULAR" : "S DEPENDENTES"),
                      {kHead, second}, true);
            std::array<Decimal, 4> total{};
            for (const store::Record* r : rows) {
                const std::array<Decimal, 4> v = {r->num("I1_4"), r->num("I1_6"), r->num("I1_5"),
                                                  r->num("I1_7")};
                std::string name = trim(r->str("I1_2"));
                if (!holder && !trim(r->str("I1_8")).empty())
                    name += " (dep. " + print_cpf(r->str("I1_8")) + ")";
                wrapped(0, name, 39, [&] {
                    text(40, document(r->str("I1_3")));
                    for (size_t k = 0; k < v.size(); ++k)
                        amount(kCompanyColumns[k].col, v[k], kCompanyColumns[k].width);
                });
                for (size_t k = 0; k < v.size(); ++k) {
                    sums_[k] += v[k];
                    total[k] += v[k];
                }
            }
            room(1);
            text(0, "TOTAL");
            for (size_t k = 0; k < total.size(); ++k)
                amount(kCompanyColumns[k].col, total[k], kCompanyColumns[k].width);
            next(2);
            close_list();
        }
        if (d_.items.empty() || !any_company()) {
            title("RENDIMENTOS TRIBUTAVEIS RECEBIDOS DE PESSOAS JURIDICAS");
            line("Sem rendimentos de pessoas juridicas", Decimal());
        }
    }
    bool any_company() const {
        bool any = false;
        tax::for_each_live(d_.items, [&](const store::Record& r) {
            any = any || r.str("I1_1") == "J" || r.str("I1_1") == "D";
        });
        return any;
    }

    // Income from individuals and from abroad, month by month, of each person with any.
    void individuals() {
        if (last_ != Step::kCompanies) begin_page();
        static const char* kMonth[] = {"JANEIRO",  "FEVEREIRO", "MARCO",    "ABRIL",
                                       "MAIO",     "JUNHO",     "JULHO",    "AGOSTO",
                                       "SETEMBRO", "OUTUBRO",   "NOVEMBRO", "DEZEMBRO"};
        static const char* kCols[] = {"P.FISICA", "EXTERIOR", "LIVRO CAIXA",
                                      "DEDUCOES", "IMP.PAGO", "IMP.DEVIDO"};
        bool any = false;
        for (const store::Record& r : d_.monthly) {
            if (r.deleted) continue;
            bool has = false;
            for (int m = 1; m <= 12 && !has; ++m)
                for (int k = 1; k <= 6 && !has; ++k)
                    has = !r.num("I2_" + std::to_string(k) + two(m)).is_zero();
            if (!has) continue;
            any = true;
            const std::string dep = trim(r.str("CPFDEPEN"));
            std::string head = "MES        ";
            for (int k = 0; k < 6; ++k) head += pad_left(kCols[k], 19);
            open_list(
                ListKind::kOther,
                "RENDIMENTOS TRIBUTAVEIS RECEBIDOS DE PESSOAS FISICAS E DO EXTERIOR " +
                    (dep.empty() ? std::string("- TITULAR") : "- DEPENDENTE " + print_cpf(dep)),
                {head}, true);
            std::array<Decimal, 6> total{};
            for (int m = 1; m <= 12; ++m) {
                room(1);
                text(0, kMonth[m - 1]);
                for (int k = 1; k <= 6; ++k) {
                    const Decimal v = r.num("I2_" + std::to_string(k) + two(m));
                    amount(11 + 19 * (k - 1) + 2, v, 17);
                    total[static_cast<size_t>(k - 1)] += v;
                }
                next();
            }
            room(1);
            text(0, "TOTAL");
            for (int k = 0; k < 6; ++k) amount(11 + 19 * k + 2, total[static_cast<size_t>(k)], 17);
            next(2);
            close_list();
        }
        if (!any) {
            title("RENDIMENTOS TRIBUTAVEIS RECEBIDOS DE PESSOAS FISICAS E DO EXTERIOR");
            line("Sem rendimentos de pessoas fisicas ou do exterior", Decimal());
        }
        next();
    }

    // The payers making up a line: each item (or asset) with its amount.
    void payers(const PayerLine& l, bool assets) {
        if (l.payers.empty()) return;
        const auto& list = assets ? d_.assets : d_.items;
        tax::for_each_live(list, [&](const store::Record& r) {
            Decimal v;
            for (const char* f : l.payers) v += r.num(f);
            if (v.is_zero()) return;
            const std::string name =
                assets
                    ? trim(r.str("REG_AVI")).empty() ? trim(r.str("I7_2")) : trim(r.str("REG_AVI"))
                    : trim(r.str("I1_2"));
            const std::string doc = document(assets ? r.str("CPF_CNPJ") : r.str("I1_3"));
            wrapped(4, name, 25, [&] {
                text(30, doc);
                amount(49, v);
            });
        });
    }

    void other_income() {
        begin_page();
        title("RENDIMENTOS ISENTOS E NAO-TRIBUTAVEIS", true);
        for (const PayerLine& l : exempt_lines()) {
            room(1);
            text(0, l.label);
            if (l.second) amount(49, d_.num(l.second));
            amount(kRight, d_.num(l.field));
            next();
            payers(l, false);
        }
        room(1);
        text(0, "TOTAL");
        amount(63, d_.num("I13_44"), 16);
        next(2);

        title("RENDIMENTOS SUJEITOS A TRIBUTACAO EXCLUSIVA /DEFINITIVA", true);
        for (const PayerLine& l : exclusive_lines()) {
            const Decimal v = d_.num(l.field);
            line(l.label, l.negative ? -v : v);
            payers(l, std::string_view(l.field) == "I4_13");
        }
        room(1);
        text(0, "TOTAL");
        amount(63, d_.num("I13_45"), 16);
        next(2);

        if (!d_.simplified()) {
            title("IMPOSTO PAGO", true, 4);
            line("Imposto Complementar:", d_.num("I13_31"));
            line("Imposto Pago no Exterior:", d_.num("I13_32"));
            next();
        }
        payments();
    }

    void payments() {
        std::vector<const store::Record*> rows;
        tax::for_each_live(d_.payments, [&](const store::Record& r) { rows.push_back(&r); });
        if (rows.empty()) return;
        open_list(ListKind::kOther, "PAGAMENTOS EFETUADOS",
                  {"COD NOME DO BENEFICIARIO          CPF/CNPJ                VALOR PAGO "
                   "NAO DEDUTIVEL"},
                  false);
        Decimal paid, not_deductible;
        for (const store::Record* r : rows) {
            wrapped(4, trim(r->str("I6_1")), 28, [&] {
                text(0, two(static_cast<int>(r->num("I6_3").whole())));
                text(33, document(r->str("I6_2")));
                amount(51, r->num("I6_4"), 14);
                amount(65, r->num("I6_5"), 14);
            });
            paid += r->num("I6_4");
            not_deductible += r->num("I6_5");
        }
        room(1);
        text(0, "TOTAL");
        amount(51, paid, 14);
        amount(65, not_deductible, 14);
        next(2);
        close_list();
    }

    // ---- page 3 (PAGINA3, LIST_BENS, LIST_DIV)

    void page3() {
        begin_page();
        const std::string y0 = std::string("31/12/20") + tax::CANOANTER;
        const std::string y_before = "31/12/" + std::to_string(tax::kCalendarYear - 1);
        std::vector<const store::Record*> rows;
        tax::for_each_live(d_.assets, [&](const store::Record& r) { rows.push_back(&r); });
        std::string head(135, ' ');
        auto put = [](std::string& h, size_t at, std::string_view t) {
            h.replace(at, t.size(), t);
        };
        put(head, 0, "ITEM GR COD DISCRIMINACAO");
        put(head, 101, "SITUACAO EM");
        put(head, 120, "SITUACAO EM");
        std::string head2(135, ' ');
        put(head2, 104, y_before);
        put(head2, 123, y0);
        open_list(ListKind::kAssets, "DECLARACAO DE BENS E DIREITOS",
                  {trim_right(head), trim_right(head2)}, true);
        Decimal before, now;
        for (const store::Record* r : rows) {
            wrapped(12, trim(r->str("I7_2")), 88, [&] {
                text(0, pad_left(std::to_string(r->num("I7_1").whole()), 4));
                text(5, trim(r->str("GRPO")));
                text(8, trim(r->str("CODB")));
                amount(kAssetColumns[0].col, r->num("I7_3"), kAssetColumns[0].width);
                amount(kAssetColumns[1].col, r->num("I7_4"), kAssetColumns[1].width);
            });
            sums_[0] += r->num("I7_3");
            sums_[1] += r->num("I7_4");
            before += r->num("I7_3");
            now += r->num("I7_4");
        }
        room(1);
        text(0, "TOTAL DOS BENS E DIREITOS");
        amount(kAssetColumns[0].col, before, kAssetColumns[0].width);
        amount(kAssetColumns[1].col, now, kAssetColumns[1].width);
        next(2);
        close_list();

        rows.clear();
        tax::for_each_live(d_.debts, [&](const store::Record& r) { rows.push_back(&r); });
        head.assign(135, ' ');
        put(head, 0, "ITEM COD DISCRIMINACAO");
        put(head, 91, "SITUACAO EM");
        put(head, 106, "SITUACAO EM");
        put(head, 121, "VALOR PAGO");
        head2.assign(135, ' ');
        put(head2, 93, y_before);
        put(head2, 108, y0);
        put(head2, 124, std::to_string(tax::kCalendarYear));
        open_list(ListKind::kDebts, "DIVIDAS E ONUS REAIS", {trim_right(head), trim_right(head2)},
                  true);
        std::array<Decimal, 3> total{};
        for (const store::Record* r : rows) {
            const std::array<Decimal, 3> v = {r->num("I8_3"), r->num("I8_4"), r->num("I8_7")};
            wrapped(9, trim(r->str("I8_2")), 78, [&] {
                text(0, pad_left(std::to_string(r->num("I8_1").whole()), 4));
                text(5, two(static_cast<int>(r->num("I8_5").whole())));
                for (size_t k = 0; k < v.size(); ++k)
                    amount(kDebtColumns[k].col, v[k], kDebtColumns[k].width);
            });
            for (size_t k = 0; k < v.size(); ++k) {
                sums_[k] += v[k];
                total[k] += v[k];
            }
        }
        room(1);
        text(0, "TOTAL DAS DIVIDAS E ONUS REAIS");
        for (size_t k = 0; k < total.size(); ++k)
            amount(kDebtColumns[k].col, total[k], kDebtColumns[k].width);
        next(2);
        close_list();

        if (!trim(d_.str("CPFCONJU")).empty()) {
            title("CONJUGE");
            field_line("CPF do conjuge", print_cpf(d_.str("CPFCONJU")));
            line("Base de calculo do conjuge", d_.num("I13_1C"));
            line("Rendimentos isentos do conjuge", d_.num("I13_2C"));
            line("Rendimentos exclusivos do conjuge", d_.num("I13_3C"));
            line("Exigibilidade suspensa do conjuge", d_.num("I13_5C"));
            line("Imposto pago pelo conjuge", d_.num("I13_4C"));
            line("Rendimento liquido do conjuge", d_.num("I9_2"));
            next();
        }
        std::vector<const store::Record*> heirs;
        tax::for_each_live(d_.dependants, [&](const store::Record& r) {
            if (!trim(r.str("CPFHERDE")).empty() || r.num("PERCENT") > Decimal())
                heirs.push_back(&r);
        });
        if (d_.is_final() && !heirs.empty()) {
            title("HERDEIROS E MEEIRO DO ESPOLIO");
            for (const store::Record* r : heirs)
                wrapped(0, trim(r->str("NOMEDEPEN")), 40, [&] {
                    text(42, document(r->str("CPFHERDE")));
                    w_.say(qlin_, 62, r->num("PERCENT"), percent_picture(7, true));
                    text(69, "%");
                });
            next();
        }
        title("RESULTADOS");
        line("Total dos bens em " + y_before, d_.work.NTOTBEMANT);
        line("Total dos bens em " + y0, d_.work.NTOTBEMBASE);
        line("Total das dividas em " + y_before, d_.work.NTOTDIVANT);
        line("Total das dividas em " + y0, d_.work.NTOTDIVBASE);
        line("Aumento do patrimonio", d_.work.I10_1);
        line("Diminuicao do patrimonio", d_.work.I10_2);
    }

    // ---- page 4 (PAGINA4)

    struct Pair {
        const char* label;
        Decimal value;
    };
    void columns(const std::vector<Pair>& left, const std::vector<Pair>& right) {
        const size_t n = std::max(left.size(), right.size());
        for (size_t k = 0; k < n; ++k) {
            room(1);
            if (k < left.size()) {
                text(0, left[k].label);
                amount(24, left[k].value);
            }
            if (k < right.size()) {
                text(40, right[k].label);
                amount(kRight, right[k].value);
            }
            next();
        }
    }
    void page4() {
        begin_page();
        if (o_.full) {
            text(0, "RESUMO  - " + o_.run_date + "  " + o_.run_time);
            next(2);
        }
        const Decimal law14754 = d_.work.NILEI14754;
        const std::vector<Pair> income = {
            {"Rec.P.Juridica Titular ", d_.num("I13_01")},
            {"Rec.P.Jurid. Dependente", d_.num("I13_02")},
            {"Rec.PF /Exterior Titular", d_.num("I13_03") + d_.num("I13_49")},
            {"Rec.P.F /Ext.Dependente", d_.num("I13_04") + d_.num("I13_50")},
            {"Acumulados do Titular  ", d_.num("I13_05")},
            {"Acumulado do Dependente", d_.num("I13_06")},
            {"Resu da Atividade Rural", d_.num("I13_07")},
            {"    TOTAL RENDIMENTO...", d_.num("I13_08")}};
        const std::vector<Pair> paid = {{"Imposto Retido Titular ", d_.num("I13_27")},
                                        {"Imp.Retido Dependente  ", d_.num("I13_28")},
                                        {"Carne Leao titular     ", d_.num("I13_29")},
                                        {"Carne Leao dependente  ", d_.num("I13_30")},
                                        {"Imposto complementar   ", d_.num("I13_31")},
                                        {"Imp. Lei 11.033/2004   ", d_.num("I13_33")},
                                        {"Imposto retido RRA     ", d_.num("I13_34")}};
        if (d_.simplified()) {
            text(0,
                 "-REND. TRIBUTAVEIS/DESC. SIMPLIFICADO-  --------  IMPOSTO PAGOS "
                 "--------------");
            next();
            std::vector<Pair> left = income;
            left.push_back({"Desconto Simplificado  ", d_.num("DESPADRAO")});
            left.push_back({"Base de calculo        ", d_.num("I13_20")});
            std::vector<Pair> right = paid;
            right.push_back({"Imposto devido RRA     ", d_.num("I13_25")});
            right.push_back({"Imposto Lei 14.754/2023", law14754});
            right.push_back({" TOTAL IMPOSTO DEVIDO..", d_.num("I13_26")});
            right.push_back({" TOTAL IMPOSTO PAGO....", d_.num("I13_35")});
            columns(left, right);
        } else {
            text(0,
                 "---- RENDIMENTOS TRIBUTAVEIS ---------- --------  IMPOSTOS DEVIDOS  "
                 "----------");
            next();
            columns(income, {{"Base de calculo        ", d_.num("I13_20")},
                             {"Imposto devido         ", d_.num("I13_21")},
                             {"Deducoes de Incentivo  ", d_.num("I13_22")},
                             {"Imposto devido I       ", d_.num("I13_23")},
                             {"Imposto devido RRA", d_.num("I13_25")},
                             {"Imposto Lei 14.754/2023 ", law14754},
                             {"   TOTAL IMP.DEVIDO....", d_.num("I13_26")}});
            next();
            room(1);
            text(0,
                 "------ DEDUCOES ----------------------- ---------- IMPOSTO PAGO "
                 "--------------");
            next();
            std::vector<Pair> right = paid;
            right.push_back({"Imposto pg. Exterior   ", d_.num("I13_32")});
            right.push_back({"   TOTAL IMPOSTO PAGO..", d_.num("I13_35")});
            columns({{"Previd.Oficial/Funpresp", d_.num("I13_09")},
                     {"Contri. Previd. RRA    ", d_.num("I13_10")},
                     {"Contr.Prev.Privada/FAPI", d_.num("I13_11")},
                     {"Dependentes            ", d_.num("I13_12")},
                     {"Despesas com Instrucao ", d_.num("I13_13")},
                     {"Despesas medicas       ", d_.num("I13_14")},
                     {"Pensao alime. Judicial ", d_.num("I13_15")},
                     {"Pensao alim. Escritura ", d_.num("I13_16")},
                     {"Pensao alime. RRA      ", d_.num("I13_17")},
                     {"Livro Caixa            ", d_.num("I13_18")}},
                    right);
        }
        next();
        room(2);
        const Decimal to_pay = d_.num("I13_36");
        if (to_pay > Decimal()) {
            text(40, d_.simplified() ? "SALDO IMPOSTO A PAGAR" : "   IMPOSTO A PAGAR.....");
            amount(kRight, to_pay);
            next();
            const long long quotas = std::max(1LL, d_.num("QTD_QUOTA").whole());
            text(40, "Em " + std::to_string(quotas) + " Quotas de");
            amount(kRight, d_.num("I13_37"));
        } else {
            text(40, "IMPOSTO A RESTITUIR..");
            amount(kRight, d_.num("I13_38"), kAmount, false);
        }
        next(2);
    }

    // The balance of the year, as the balance screen lists it.
    void balance() {
        const tax::BalanceFigures b = tax::MOS_BALAN(d_);
        if (last_ != Step::kPage4) begin_page();
        const std::vector<Pair> receipts = {{"Rend. tributaveis", b.taxable},
                                            {"Rend. isentos", b.exempt},
                                            {"Rend. trib.exclusiva", b.exclusive},
                                            {"Renda variavel", b.variable_income},
                                            {"Rend. do conjuge", b.spouse_income},
                                            {"Sobra do conjuge", b.spouse_surplus},
                                            {"Emprestimos", b.loans},
                                            {"Emprestimos rurais", b.rural_loans},
                                            {"Entradas G.Capital", b.gain_entries},
                                            {"Deducoes isentas", b.exempt_deductions},
                                            {"Patrimonio menor", b.smaller_patrimony},
                                            {"Exigib. suspensa", b.suspended},
                                            {"Ganho diferido", b.deferred_gain},
                                            {"Outras receitas", b.other_receipts},
                                            {"TOTAL RECEITAS.......", b.total_receipts},
                                            {"A receber (futuro)", b.future_receivable}};
        const std::vector<Pair> expenses = {{"Impostos do ano", b.taxes_of_year},
                                            {"Imposto ano anterior", b.previous_year_tax},
                                            {"Despesas lancadas", b.expenses_entered},
                                            {"Perda renda variavel", b.variable_loss},
                                            {"Manutencao dos bens", b.keeping_assets},
                                            {"Perdas em vendas", b.sale_losses},
                                            {"Prejuizo rural", b.rural_loss},
                                            {"Amortizacao rural", b.rural_amortisation},
                                            {"Custo bens baixados", b.cost_written_off},
                                            {"Custo bens do ano", b.cost_of_year},
                                            {"Patrimonio maior", b.larger_patrimony},
                                            {"Outras despesas", b.other_expenses},
                                            {"TOTAL DESPESAS.......", b.total_expenses}};
        room(4);
        text(0, "BALANCO DO ANO");
        next();
        text(0, std::string(div1(), '-'));
        next();
        text(3, "RECEITAS");
        text(43, "DESPESAS");
        next();
        columns(receipts, expenses);
        next();
        room(3);
        text(40, b.saldo.is_negative() ? "Déficit de  " : "   Saldo de ");
        if (!b.indgas.is_zero()) {
            w_.say(qlin_, 52, b.indgas, percent_picture(6, true));
            text(58, "%");
        }
        amount(kRight, b.saldo.abs());
        next();
        text(40, "Media mensal receita");
        amount(kRight, b.monthly_receipts);
        next();
        text(40, "Media mensal saldo");
        amount(kRight, b.monthly_saldo, kAmount, true);
        next(2);
    }

    // ---- page 5 (PAGINA5): the cash analysis

    void cash_line(std::string_view label, Decimal v, Decimal receipts, std::optional<Decimal> of) {
        room(1);
        text(0, label);
        amount(44, v);
        if (of) {
            percent(60, share(v, *of));
            percent(68, share(v, receipts));
        } else {
            percent(60, share(v, receipts));
        }
        next();
    }
    Decimal payments_of(std::initializer_list<std::pair<int, int>> ranges) const {
        Decimal sum;
        tax::for_each_live(d_.payments, [&](const store::Record& r) {
            const long long code = r.num("I6_3").whole();
            for (auto [a, z] : ranges)
                if (code >= a && code <= z) sum += r.num("I6_4");
        });
        return sum;
    }
    void page5() {
        if (o_.status) o_.status("Imprimindo a malha fina.");
        tax::VE_SALDO(d_);
        const Decimal receita = d_.work.RECEITA, despesa = d_.work.DESPESA;
        begin_page();
        text(0, std::string("CALCULO DA MALHA FINA IR PESSOA FISICA 20") + tax::CANOATUAL + "/20" +
                    tax::CANOANTER);
        next();
        text(0, std::string(div1(), '-'));
        next();
        text(0, "      RECEITAS                              SITUACAO ATUAL  % total     ");
        next();
        auto in = [&](std::string_view label, Decimal v) {
            cash_line(label, v, receita, std::nullopt);
        };
        const bool deferred_inside = d_.str("SOMAG") != "N";
        in("Rendimentos tributaveis ...................", d_.num("I13_08"));
        in("Rendimentos Isentos e nao tributados ......", d_.num("I13_44"));
        in("Rendimentos Tributacao exclusiva...........",
           d_.num("I13_45") + d_.num("I13_46") - d_.num("I4_03"));
        in("Ganhos na Renda Variavel...................", d_.num("LUCRRVA") - d_.num("I3_20"));
        in("Diminuicao Patrimonial ....................", d_.work.I10_2);
        in("Rendimento do conjuge .....................", d_.num("I9_2"));
        in("Outras Rendas ou Despesas do conjuge ......", d_.num("I9_3") - d_.num("I9_2"));
        in("Emprestimos................................", d_.num("EMPREST"));
        in("Emprestimos na atividade Rural.............", d_.num("EMPRUR"));
        in("Entradas no Ganho de Capital ..............", d_.num("ENTRADGP"));
        in("Abatimento de Isentos/Tributados G.Capital.", -d_.num("ISENTNAO"));
        Decimal suspended;
        tax::for_each_live(d_.items, [&](const store::Record& r) { suspended += r.num("I1_19"); });
        in("Exigibilidade suspensa.....................", suspended);
        in("Outras receitas ...........................", d_.num("OUTREC"));
        if (deferred_inside) in("Valor a receber no proximo exercicio .....", d_.num("VALFUTUR"));
        in("     TOTAL DAS RECEITAS ..................", receita);
        if (!deferred_inside) in("Valor a receber no proximo exercicio .....", d_.num("VALFUTUR"));
        next();

        room(2);
        text(0, "     DESPESAS                              SITUACAO ATUAL  % Desp.  %Rec.");
        next();
        auto out = [&](std::string_view label, Decimal v) {
            cash_line(label, v, receita, despesa);
        };
        auto out_positive = [&](std::string_view label, Decimal v) {
            if (v > Decimal()) out(label, v);
        };
        // The expenses as the cash check counts them: the simplified discount alone when the
        // declaration says so, else the payments declared.
        if (d_.simplified() && d_.str("SO_SIMPLES") == "S") {
            out("Total do abatimento .......................",
                d_.num("DESPADRAO") + d_.work.DESPSIMP);
        } else {
            room(1);
            text(0, "Pagamentos Declarados ");
            next();
            out("    Contribuicoes previdenciarias.........",
                d_.num("I13_09") + d_.num("I13_10") + d_.num("I13_11"));
            if (!d_.simplified())
                out("    Abatimento com Dependentes............", d_.num("I13_12"));
            out("    Despesas com instrucao................", d_.num("I13_13"));
            out("    Despesas medicas e/ou hospitalares.....", d_.num("I13_14"));
            out("    Pensao alimenticia.....................",
                d_.num("I13_15") + d_.num("I13_16") + d_.num("I13_17"));
            out("    Livro Caixa............................", d_.num("I13_18"));
            out("    Doacoes e incentivos a cultura.........", d_.num("I13_22"));
            out("    Doacoes em dinheiro ou bens............", payments_of({{80, 81}}));
            out("    Doacoes a Partidos/Candidatos Politicos", payments_of({{98, 98}}));
            out("    Advogados, Engenheiros etc.............", payments_of({{51, 69}}));
            out("    Alugueis e Arrendamentos rurais........", payments_of({{70, 70}, {76, 76}}));
            out("    Outros ................................", payments_of({{99, 99}}));
            out("    Valor usado para ajustes no caixa......", payments_of({{90, 90}}));
        }
        room(1);
        text(0, "Impostos pagos");
        next();
        out_positive(std::string("    Ref.anos anteriores pago em 20") + tax::CANOANTER + ".......",
                     d_.num("IMPOANTER"));
        out("    IR Pagos no exterior ..................", d_.num("I13_32"));
        out_positive("    IR Lei 11033/ Ir RRA ..................",
                     d_.num("I13_33") + d_.num("I13_34") + d_.num("I13_48"));
        out("    Retido na fonte titular e dependentes..", d_.num("I13_27") + d_.num("I13_28"));
        out("    Carne leao do Titular e Dependentes....", d_.num("I13_29") + d_.num("I13_30"));
        out("    Ir Complementar / IR retido RRA .......", d_.num("I13_31") + d_.num("I13_34"));
        out_positive("    IR Sobre Ganho de Capital...............", d_.num("I13_46"));
        out_positive("    IR Sobre a Renda Variavel...............", d_.num("I13_47"));
        out("Custo Anterior dos Bens Baixados ..........", d_.num("CUSTOANT"));
        out("Custo no Ano dos Bens Vendidos.............", d_.num("CUSTOANO"));
        out("Aumento do patrimonio......................", d_.work.I10_1);
        out_positive("Amortizacao de dividas na Atividade Rural..", d_.num("AMORUR"));
        out_positive("Prejuizo na renda Variavel ................", d_.num("PREJRVA"));
        out_positive("Prejuizo na venda bens de pequeno valor....", d_.num("PREJVEN1"));
        out_positive("Prejuizo na atividade Rural................", d_.num("PREJRUR"));
        out("Gastos para manutencao do patrimonio ......", d_.num("DESPNAO"));
        out("Gastos pessoais ...........................", d_.num("OUTRDES"));
        out("     TOTAL DOS GASTOS .....................", despesa);
        next();

        // The result and its margin: with no receipts there is no share, and the margin counts
        // as 0 for the messages.
        const Decimal saldo = receita - despesa;
        const std::optional<Decimal> margin_shown = share(saldo, receita);
        const Decimal margin = margin_shown.value_or(Decimal());
        room(2);
        text(0, saldo > Decimal() ? "RESERVA ........." : "DEFICIT .........");
        amount(44, saldo, kAmount, false);
        percent(60, margin_shown);
        next(2);
        messages(saldo, margin, receita);
    }

    void message(std::string_view t) {
        room(1);
        text(0, t);
        next();
    }
    void messages(Decimal saldo, Decimal margin, Decimal receita) {
        const Decimal threshold = d_.num("INDALERTA");
        const std::string limit = std::to_string(threshold.whole());
        if (margin < threshold) {
            if (saldo > Decimal()) {
                message("Atencao. O valor esta inferior aos " + limit + "% ,estabelecido.");
            } else {
                message(
                    "ATENCAO!  ESSA DECLARACAO ESTA COM PROBLEMAS DE CAIXA. VERIFIQUE O MOTIVO");
                message("ENTREGA-LA NESSAS CONDICOES PODE CAUSAR-LHE PROBLEMAS FUTUROS.");
            }
            return;
        }
        if (margin * Decimal(2) > threshold) {
            message("O valor da reserva de " + trim(transform(margin, percent_picture(7))) +
                    "% da receita esta alto.");
            const bool keeping = !d_.num("DESPNAO").is_zero();
            const bool personal = !d_.num("OUTRDES").is_zero();
            bool estate_assets = false;
            tax::for_each_live(d_.assets, [&](const store::Record& r) {
                const long long code = tax::field_int(r, "GRPO") * 100 + tax::field_int(r, "CODB");
                estate_assets = estate_assets || (code >= 101 && code <= 299);
            });
            if (keeping && personal) {
                message(
                    "Use dinheiro em poder do contribuinte. Pode precisar nas proximas "
                    "declaracoes");
            } else if (!keeping && estate_assets) {
                message("Recomenda-se lancar as despesas para a manutencao do patrimonio.");
                if (!personal)
                    message("Recomenda-se lancar despesas nao declaradas nos gastos pessoais.");
            } else if (!keeping && !personal) {
                message("Recomenda-se lancar despesas nao declaradas nos gastos pessoais.");
            } else if (keeping && !personal) {
                message("Recomenda-se lancar despesas nao declaradas nos gastos para viver.");
            }
        }
        if (receita > Decimal() && d_.num("I13_14") * Decimal(4) > receita)
            message("Despesas medicas c/ % alto. A Receita pode chamar p/mostrar os recibos.");
    }

    // ---- page 9 (ANOTE_ESP): findings and personal notes

    void notes() {
        if (o_.status) o_.status("Imprimindo as avisos/notas pessoais.");
        begin_page();
        std::vector<const store::Record*> findings, personal;
        for (const store::Record& r : x_.notes) {
            if (r.deleted) continue;
            if (!trim(r.str("OBSERV")).empty()) findings.push_back(&r);
            if (!trim(r.str("NOTAS")).empty()) personal.push_back(&r);
        }
        title("AVISOS DA DECLARACAO");
        if (findings.empty()) message("Nenhum aviso.");
        for (const store::Record* r : findings) {
            const long long code = tax::field_int(*r, "CODERR");
            const long long page = tax::field_int(*r, "PAGINA");
            wrapped(4, trim(r->str("OBSERV")), 75, [&] {
                text(0, two(static_cast<int>(code)));
                if (page > 0) text(80 - 10, "Tela " + std::to_string(page));
            });
        }
        next();
        title("NOTAS PESSOAIS");
        if (personal.empty()) message("Nenhuma nota.");
        for (const store::Record* r : personal) wrapped(0, trim(r->str("NOTAS")), 79, {});
    }

    // ---- page 10 (LIVRO_CAIXA): the ordinary cash book

    // The months a posting covers: from MESINI to MESFIM (a last month before the first covers
    // the first only; 13, the year's end, counts as December).
    static std::pair<int, int> months_of(const store::Record& p) {
        const int first = static_cast<int>(tax::field_int(p, "MESINI"));
        int last = static_cast<int>(tax::field_int(p, "MESFIM"));
        if (last < first) last = first;
        return {std::max(first, 1), std::min(last, 12)};
    }
    Decimal month_total(int m) const {
        Decimal sum;
        tax::for_each_live(d_.postings, [&](const store::Record& p) {
            const auto [a, z] = months_of(p);
            if (m >= a && m <= z) sum += p.num("VALODESP");
        });
        return sum;
    }
    void cash_book() {
        static const char* kMonth[] = {"JANEIRO",  "FEVEREIRO", "MARCO",    "ABRIL",
                                       "MAIO",     "JUNHO",     "JULHO",    "AGOSTO",
                                       "SETEMBRO", "OUTUBRO",   "NOVEMBRO", "DEZEMBRO"};
        if (o_.status) o_.status("Imprimindo o Livro Caixa Normal.");
        const int from = std::clamp(x_.from, 1, 12), to = std::clamp(x_.to, from, 12);
        begin_page();
        text(0, "LIVRO CAIXA - " + std::string(kMonth[from - 1]) +
                    (to > from ? " A " + std::string(kMonth[to - 1]) : std::string()) + " DE " +
                    std::to_string(tax::kCalendarYear));
        next();
        text(0, std::string(div1(), '-'));
        next();
        Decimal carried;
        if (x_.previous_balance && from > 1) {
            for (int m = 1; m < from; ++m) carried += month_total(m);
            line("SALDO ANTERIOR", carried);
            next();
        }
        std::map<std::string, std::pair<std::string, Decimal>> accounts;  // code: name, total
        Decimal all;
        for (int m = from; m <= to; ++m) {
            if (x_.page_per_month && m > from) begin_page();
            room(3);
            text(0, "MES: " + std::string(kMonth[m - 1]));
            next();
            text(0, "CONTA  DESCRICAO                               CPF/CNPJ");
            text(kRight + 6, "VALOR");
            next();
            Decimal month;
            tax::for_each_live(d_.postings, [&](const store::Record& p) {
                const auto [a, z] = months_of(p);
                if (m < a || m > z) return;
                const Decimal v = p.num("VALODESP");
                std::string what = trim(p.str("DESCONTA"));
                if (!trim(p.str("DESCRI")).empty()) what += " - " + trim(p.str("DESCRI"));
                wrapped(7, what, 38, [&] {
                    text(0, trim(p.str("CDCONTA")));
                    text(46, document(p.str("NROCGCCPF")));
                    amount(kRight, v);
                });
                month += v;
                auto& acc = accounts[trim(p.str("CDCONTA"))];
                acc.first = trim(p.str("DESCONTA"));
                acc.second += v;
            });
            line("TOTAL DO MES", month);
            next();
            all += month;
        }
        title("RESUMO DE TODOS OS MESES");
        for (const auto& [code, acc] : accounts) {
            room(1);
            text(0, code);
            text(7, left(acc.first, 50));
            amount(kRight, acc.second);
            next();
        }
        line("TOTAL DOS MESES", all);
        if (x_.previous_balance && from > 1) line("TOTAL COM O SALDO ANTERIOR", all + carried);
    }

    Printout& p_;
    PrintWriter& w_;
    const PrintoutOptions& o_;
    tax::Declaration& d_;
    const Extras& x_;
    int qlin_ = 0;
    bool condensed_ = false;
    ListKind list_ = ListKind::kNone;
    std::string title_;
    std::vector<std::string> heads_;
    bool wide_ = false;
    std::array<Decimal, 4> sums_{};

  public:
    Step last_ = Step::kPage5;  // the step printed before the current one
};

bool Printout::print(tax::Declaration& d, const std::vector<Step>& steps, const Extras& extras) {
    Sheet sheet(*this, d, extras);
    bool ok = true;
    Step previous = Step::kPage5;
    for (Step s : steps) {
        sheet.last_ = previous;
        ok = sheet.run({s});
        if (!ok) break;
        previous = s;
    }
    w_.finish();
    return ok;
}

bool Printout::FOLHA(tax::Declaration& d, int page, const Extras& extras) {
    switch (page) {
        case 1:
            return print(d, {Step::kPage1});
        case 2:
            return print(d, {Step::kCompanies, Step::kIndividuals, Step::kOtherIncome});
        case 3:
            return print(d, {Step::kPage3});
        case 4:
            return print(d, {Step::kPage4});
        case 5:
            return print(d, {Step::kPage5});
        case 9:
            return print(d, {Step::kNotes}, extras);
        case 10:
            return print(d, {Step::kCashBook}, extras);
        default:
            return true;
    }
}

}  // namespace vorn::printing
