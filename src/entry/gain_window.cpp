// The window of one capital gain, laid out as data per kind of asset, with its checks, its cost
// rows and instalments, the figures shown as it is typed and its storing.
#include "entry/gain_window.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/picture.h"
#include "base/text.h"
#include "base/validate.h"
#include "entry/calculator.h"
#include "entry/converter.h"
#include "entry/gains_totals.h"
#include "entry/hints.h"
#include "entry/instalments.h"
#include "entry/item_lists.h"
#include "gains/checks.h"
#include "gains/gain.h"
#include "tax/open_computation.h"
#include "tax/year.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr const char* kMoney = "@E 999,999,999.99";
constexpr const char* kRate = "@E 99,999.9999";
constexpr int kAt = 30;     // the fields' column in the window
constexpr int kPanel = 46;  // the results' labels, and the earlier years' amounts
constexpr int kPanelAt = 62;
constexpr const char* kAbandon = "Deseja abandonar esse ganho?";
constexpr const char* kNoBuyer = "Falta o CPF adquirente! Termina esse ganho incompleto?";
constexpr const char* kDependantCpf = "E obrigatório o preenchimento do CPF do dependente!";
constexpr const char* kFinishFirst =
    "Termine o ganho de capital para mudar de tela!\nUse a tecla ESC para sair do GCAP";

// The natures of the operation a kind of asset offers.
const std::vector<std::string>& natures(int kind) {
    static const std::vector<std::string> property = {" 1 = Venda",
                                                      " 2 = Desapropriacao",
                                                      " 3 = Dacao em pagamento",
                                                      " 4 = Doacao em Adianta.da Legitima",
                                                      " 5 = Outras Doacoes",
                                                      " 6 = Procuracao em Causa Propria",
                                                      " 7 = Promessa de Compra e Venda",
                                                      " 8 = Cessao de Direitos/Creditos",
                                                      " 9 = Dissolucao Sociedade Conjugal",
                                                      "10 = Outros",
                                                      "11 = Permuta com Recebime.de Torna",
                                                      "12 = Transmissao Causa Mortis"};
    static const std::vector<std::string> movable = [] {
        std::vector<std::string> v(property.begin(), property.begin() + 10);
        v.insert(v.end(), {"11 = Resgate Aplicacao Financeira", "12 = Transmissao Causa Mortis",
                           "13 = Credito de Juros de Aplicacao", "14 = Alienacao de Acoes em Bolsa",
                           "15 = Alienacao de Acoes em Balcao"});
        return v;
    }();
    static const std::vector<std::string> shares = {"1 Alienacao/Resgate e outros    ",
                                                    "3 Doacao em Adianta. da Legitima",
                                                    "4 Dissolucao Sociedade Conjugal "};
    if (kind == gains::kRealEstate) return property;
    if (kind == gains::kShares) return shares;
    return movable;
}

const std::vector<std::string> kShareKinds = {" 1 = Acoes",
                                              " 2 = Quotas",
                                              " 3 = FII (Fundo Inves.Imobiliario)",
                                              " 4 = Fundos de Inves.Participacoes",
                                              " 5 = FI.Cotas de Inv.Fundos Partic",
                                              " 6 = FInves em Empresas Emergentes",
                                              " 7 = Outros"};

// The code a line of a list of codes starts with.
int code_of(const std::string& line) {
    return std::stoi(trim(line.substr(0, 2)));
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += (out.empty() ? "" : "\n") + l;
    return out;
}

std::string money(Decimal v) {
    return transform(v, Picture(kMoney));
}

gains::Settings settings_of(const tax::Declaration& d) {
    gains::Settings s;
    s.declarant_cpf = d.cpf();
    s.resident_abroad = d.str("EXTERIOR") == "S";
    s.last_reinvestment = d.date("ULTRESI");
    s.last_property_sale = d.date("ULTIMOV");
    s.final_estate = d.is_final();
    s.estate_date = d.date("DATAPARTI").blank() ? d.date("DATALAVRA") : d.date("DATAPARTI");
    s.estate_date_name =
        d.date("DATAPARTI").blank() ? "data da lavratura da partilha" : "data da partilha";
    for (const store::Record& a : d.assets)
        if (!a.deleted && trim(a.str("GRPO")) == "01") ++s.properties;
    return s;
}

class GainWindow;
using Row = LayoutRow<GainWindow>;

// One gain being typed: a copy of its record, stored only when the window is left with it.
class GainWindow {
  public:
    GainWindow(EditorPlace& p, const tax::Declaration& td, store::Record gain, bool is_new,
               bool dependant)
        : p_(p),
          td_(td),
          settings_(settings_of(td)),
          g_(std::move(gain)),
          is_new_(is_new),
          dependant_(dependant),
          kind_(static_cast<int>(g_.num("TIPO_BEM").whole())),
          abroad_(trim(g_.str("BEMBRASIL")) == "N") {}

    // Reads the window until the gain is stored (true) or abandoned (false).
    bool run();

    // Valid-conditions.
    bool dependant_cpf();
    bool buyer();
    bool sn_field();
    bool place();
    bool nature();
    bool share_kind();
    bool currency();
    bool sale_date();
    bool sale_value();
    bool dollar_sale();
    bool amount();
    bool cost_rows();
    bool instalment();
    bool single_property();
    bool reinvestment();

    // When-conditions.
    bool cost_typed() { return text("PARCOMPRA") != "S"; }
    bool reinvesting() {
        const std::string a = text("USA_ART31");
        return a == "S" || a == "1";
    }
    bool earlier() { return text("VENDAANT") == "S"; }

  private:
    std::vector<Row> layout() const;
    std::string text(std::string_view field) const { return trim(g_.str(field)); }
    const store::FieldDef& column(std::string_view name) const {
        return screen_column({7}, name, "ganho de capital");
    }
    // The edited values taken from the record (after a check changed some of it).
    void show_record();
    void paint_results();
    bool refuse(const std::string& text) {
        p_.op.notice(NoticeKind::kWarning, "", text);
        return false;
    }
    std::vector<store::Record> cost_rows_now();
    void put(std::string_view name, const store::Value& v) {
        g_.set_value(g_.layout().index(name), v);
    }
    void write_row_figures();
    void open_instalments();
    bool store();

    EditorPlace& p_;
    const tax::Declaration& td_;
    gains::Settings settings_;
    store::Record g_;
    bool is_new_, dependant_;
    int kind_;
    bool abroad_;
    std::string editing_;  // the field whose value is being checked
    std::map<std::string, ui::Value> values_;
    ui::Rect client_;
};

using W = GainWindow;

// The person's CPF, on a dependant's gain.
const Row kDependantRows[] = {
    {0, 1, "CPF do dependente:", kAt, "CPFALIEN", "@r 999.999.999-99", &W::dependant_cpf},
};

const Row kHeadRows[] = {
    {1, 1, "Descrição do bem:", kAt, "ESPC_BEM", "@S48"},
    {2, 1, "CPF/CNPJ do adquirente:", kAt, "CPFADQ", "@S18", &W::buyer},
    {3, 1, "Nome do adquirente:", kAt, "NOME_ADQ", "@S18"},
};

// Amounts of a sale made in an earlier year whose instalments are received this year.
const Row kEarlierRows[] = {
    {14, kPanel, "A receber:", kPanelAt, "VAL_DIFE", kMoney, &W::amount, &W::earlier},
    {15, kPanel, "Recebido antes:", kPanelAt, "VAL_ANTE", kMoney, &W::amount, &W::earlier},
    {16, kPanel, "Corretagem ant.:", kPanelAt, "CORR_ANTE", kMoney, &W::amount, &W::earlier},
    {17, kPanel, "Aplicado antes:", kPanelAt, "APLI_ANTE", kMoney, &W::amount, &W::earlier},
};

const Row kRealEstateRows[] = {
    {4, 1, "Imóvel no Brasil (S/N):", kAt, "BEMBRASIL", "!", &W::place},
    {5, 1, "Natureza da operação:", kAt, "CODNATUR", "99", &W::nature},
    {6, 1, "Data de aquisição:", kAt, "DATA_ADQ", "@d"},
    {7, 1, "Data da alienação:", kAt, "DATA_ALI", "@d", &W::sale_date},
    {8, 1, "Valor da alienação:", kAt, "VAL_ALI", kMoney, &W::sale_value},
    {9, 1, "Corretagem:", kAt, "VAL_CORR", kMoney, &W::amount},
    {10, 1, "Custo de aquisição:", kAt, "CUS_ATUAL", kMoney, &W::amount, &W::cost_typed},
    {11, 1, "Custo em várias datas (S/N):", kAt, "PARCOMPRA", "!", &W::cost_rows},
    {12, 1, "Venda a prazo (S/N):", kAt, "VEN_PRAZO", "!", &W::instalment},
    {13, 1, "Único imóvel (S/N):", kAt, "UNIC_IMOV", "!", &W::single_property},
    {14, 1, "Aplicou noutro imóvel (S/N):", kAt, "USA_ART31", "!", &W::reinvestment},
    {15, 1, "Valor aplicado:", kAt, "VAL_PARTE", kMoney, &W::reinvestment, &W::reinvesting},
    {16, 1, "Imposto pago:", kAt, "IMPPAGO", kMoney, &W::amount},
    {17, 1, "Ganho de partes anteriores:", kAt, "GANHOAN", kMoney, &W::amount},
};

const Row kMovableRows[] = {
    {4, 1, "Natureza da operação:", kAt, "CODNATUR", "99", &W::nature},
    {5, 1, "Data de aquisição:", kAt, "DATA_ADQ", "@d"},
    {6, 1, "Data da alienação:", kAt, "DATA_ALI", "@d", &W::sale_date},
    {7, 1, "Valor da alienação:", kAt, "VAL_ALI", kMoney, &W::sale_value},
    {8, 1, "Corretagem:", kAt, "VAL_CORR", kMoney, &W::amount},
    {9, 1, "Custo de aquisição:", kAt, "CUS_ATUAL", kMoney, &W::amount, &W::cost_typed},
    {10, 1, "Custo em várias datas (S/N):", kAt, "PARCOMPRA", "!", &W::cost_rows},
    {11, 1, "Venda a prazo (S/N):", kAt, "VEN_PRAZO", "!", &W::instalment},
    {12, 1, "Imposto pago:", kAt, "IMPPAGO", kMoney, &W::amount},
    {13, 1, "Ganho de partes anteriores:", kAt, "GANHOAN", kMoney, &W::amount},
};

const Row kAbroadRows[] = {
    {4, 1, "Natureza da operação:", kAt, "CODNATUR", "99", &W::nature},
    {5, 1, "Data de aquisição:", kAt, "DATA_ADQ", "@d"},
    {6, 1, "Data da alienação:", kAt, "DATA_ALI", "@d", &W::sale_date},
    {7, 1, "Valor da alienação US$:", kAt, "VALALIUS", kMoney, &W::amount},
    {8, 1, "Corretagem US$:", kAt, "VAL_CORR", kMoney, &W::amount},
    {9, 1, "Cotação do dólar na venda:", kAt, "DOLARVEN", kRate, &W::dollar_sale},
    {10, 1, "Cotação do dólar na compra:", kAt, "DOLARAQU", kRate, &W::amount},
    {11, 1, "Custo US$ pago com reais:", kAt, "AQUI_BR", kMoney, &W::amount},
    {12, 1, "Custo US$ rend. no exterior:", kAt, "AQUI_US", kMoney, &W::amount},
    {13, 1, "Imposto pago no exterior:", kAt, "IMP_PAGEX", kMoney, &W::amount},
    {14, 1, "Venda a prazo (S/N):", kAt, "VEN_PRAZO", "!", &W::instalment},
    {15, 1, "Imposto pago:", kAt, "IMPPAGO", kMoney, &W::amount},
    {16, 1, "Ganho de partes anteriores:", kAt, "GANHOAN", kMoney, &W::amount},
};

const Row kSharesRows[] = {
    {4, 1, "Natureza da operação:", kAt, "CODNATUR", "99", &W::nature},
    {5, 1, "Tipo de participação:", kAt, "TIPOPART", "9", &W::share_kind},
    {6, 1, "Data da alienação:", kAt, "DATA_ALI", "@d", &W::sale_date},
    {7, 1, "Valor da alienação:", kAt, "VAL_ALI", kMoney, &W::sale_value},
    {8, 1, "Corretagem:", kAt, "VAL_CORR", kMoney, &W::amount},
    {9, 1, "Custo de aquisição:", kAt, "CUS_ATUAL", kMoney, &W::amount, &W::cost_typed},
    {10, 1, "Compras e vendas (S/N):", kAt, "PARCOMPRA", "!", &W::cost_rows},
    {11, 1, "Venda a prazo (S/N):", kAt, "VEN_PRAZO", "!", &W::instalment},
    {12, 1, "Imposto pago:", kAt, "IMPPAGO", kMoney, &W::amount},
    {13, 1, "Ganho de partes anteriores:", kAt, "GANHOAN", kMoney, &W::amount},
    {14, 1, "IR retido na fonte:", kAt, "LEI_11083", kMoney, &W::amount},
};

const Row kCashRows[] = {
    {4, 1, "Moeda (01 a 47):", kAt, "CODEXTE", "99", &W::currency},
    {5, 1, "Data da alienação:", kAt, "DATA_ALI", "@d", &W::sale_date},
    {6, 1, "Valor da alienação:", kAt, "VAL_ALI", kMoney, &W::sale_value},
    {7, 1, "Corretagem:", kAt, "VAL_CORR", kMoney, &W::amount},
    {8, 1, "Custo de aquisição:", kAt, "CUS_ATUAL", kMoney, &W::amount, &W::cost_typed},
    {9, 1, "Compras e vendas (S/N):", kAt, "PARCOMPRA", "!", &W::cost_rows},
    {10, 1, "Venda a prazo (S/N):", kAt, "VEN_PRAZO", "!", &W::instalment},
    {11, 1, "Imposto pago:", kAt, "IMPPAGO", kMoney, &W::amount},
    {12, 1, "Ganho de partes anteriores:", kAt, "GANHOAN", kMoney, &W::amount},
};

template <size_t N>
void append(std::vector<Row>& out, const Row (&rows)[N]) {
    out.insert(out.end(), std::begin(rows), std::end(rows));
}

std::vector<Row> W::layout() const {
    std::vector<Row> out;
    if (dependant_) append(out, kDependantRows);
    append(out, kHeadRows);
    if (kind_ == gains::kRealEstate)
        append(out, kRealEstateRows);
    else if (kind_ == gains::kMovable && abroad_)
        append(out, kAbroadRows);
    else if (kind_ == gains::kMovable)
        append(out, kMovableRows);
    else if (kind_ == gains::kShares)
        append(out, kSharesRows);
    else
        append(out, kCashRows);
    append(out, kEarlierRows);
    return out;
}

// ---- checks

bool W::dependant_cpf() {
    const std::string cpf = text("CPFALIEN");
    return cpf.empty() || dependant_cpf_valid(p_.op, td_, cpf);
}

bool W::buyer() {
    std::string doc = g_.str("CPFADQ");
    if (trim(doc).empty()) return true;
    if (!CPFCGC1(p_.op, doc, false)) return false;
    g_.set("CPFADQ", doc);
    return true;
}

bool W::sn_field() {
    const std::string t = text(editing_);
    return t == "S" || t == "N" || refuse("Digite S de sim ou N de não");
}

bool W::place() {
    if (!sn_field()) return false;
    abroad_ = text("BEMBRASIL") == "N";
    return true;
}

bool W::nature() {
    const int code = static_cast<int>(g_.num("CODNATUR").whole());
    if (settings_.final_estate && kind_ != gains::kShares) {
        if (code == 12) return true;
        return refuse("12 = Transmissao Causa Mortis");
    }
    for (const std::string& n : natures(kind_))
        if (code_of(n) == code) return true;
    return refuse(joined(natures(kind_)));
}

bool W::share_kind() {
    const long long k = g_.num("TIPOPART").whole();
    return (k >= 1 && k <= 7) || refuse(joined(kShareKinds));
}

bool W::currency() {
    const std::string t = text("CODEXTE");
    const int code =
        t.empty() || t.find_first_not_of("0123456789") != std::string::npos ? 0 : std::stoi(t);
    return (code >= 1 && code <= 47) || refuse("Informe o código da moeda de 01 a 47");
}

bool W::sale_date() {
    return gains::check_sale_date(g_, settings_, p_.op);
}

bool W::amount() {
    return !g_.num(editing_).is_negative() || refuse("O valor não pode ser negativo.");
}

bool W::sale_value() {
    if (!amount()) return false;
    if (!g_.num("VAL_ALI").is_zero()) gains::ask_small_value(g_, p_.op);
    return true;
}

// Abroad the sale in reais is the dollars at the sale's rate; the small value is judged on it.
bool W::dollar_sale() {
    if (!amount()) return false;
    const Decimal reais = (g_.num("VALALIUS") * g_.num("DOLARVEN")).trunc(2);
    g_.set("VAL_ALI", reais);
    if (!reais.is_zero() && g_.num("CODNATUR") != Decimal(13)) gains::ask_small_value(g_, p_.op);
    return true;
}

std::vector<store::Record> W::cost_rows_now() {
    std::vector<store::Record> all, out;
    if (Status s = p_.d.working_records(8, &all); !s) {
        p_.op.notice(NoticeKind::kError, "", s.message());
        return out;
    }
    for (store::Record& r : all)
        if (r.num("BEM_NRO") == g_.num("BEM_NRO")) out.push_back(std::move(r));
    return out;
}

// "S" opens the rows of the costs (the operations of shares and cash); the cost typed becomes
// their sum (the purchases').
bool W::cost_rows() {
    if (!sn_field()) return false;
    if (text("PARCOMPRA") != "S") return true;
    const bool operations = kind_ == gains::kShares || kind_ == gains::kCash;
    EditorPlace list = p_;
    list.area = ui::Rect{client_.top + 5, client_.left, client_.bottom, client_.right};
    EditaOptions o;
    o.owner = static_cast<long>(g_.num("BEM_NRO").whole());
    {
        ScreenKeysAtRest keys(p_.screen);
        (void)EDITA(list, operations ? 19 : 10, o);
    }
    Decimal cost;
    for (const store::Record& r : cost_rows_now())
        if (!operations || r.num("TIPO_OPER") != Decimal(3)) cost += r.num("VALOR_CUST");
    g_.set("CUS_ATUAL", cost);
    write_row_figures();
    return true;
}

// The rows' own figures (share of the cost and reductions; holding and average cost after each
// operation) as the computation gives them, written so that the list shows them when it opens
// again. The gain itself is computed on a copy: it is stored only when the window is left.
void W::write_row_figures() {
    std::vector<store::Record> all;
    Status s = p_.d.working_records(8, &all);
    if (s) {
        store::Record g = g_;
        std::vector<store::Record*> costs = gains::costs_of(g, all);
        ScriptedOperator quiet;
        (void)gains::compute_gain(g, costs, settings_, quiet);
        s = p_.d.replace_working(8, all);
    }
    if (!s) refuse(s.message());
}

void W::open_instalments() {
    if (!instalments_window(p_.screen, p_.op, g_)) return;
    bool received = false;
    for (int m = 1; m <= 12; ++m) {
        const std::string mm = (m < 10 ? "0" : "") + std::to_string(m);
        received =
            received || !g_.num("REC_MES" + mm).is_zero() || !g_.num("REC_USA" + mm).is_zero();
    }
    if (received) {
        g_.set("VEN_PRAZO", "S");
        (void)gains::check_instalment_nature(g_, p_.op);
    }
}

// "S" opens the months received (a shareholding only under its first nature).
bool W::instalment() {
    if (!sn_field()) return false;
    if (!gains::check_instalment_nature(g_, p_.op)) return true;
    if (text("VEN_PRAZO") == "S") open_instalments();
    return true;
}

bool W::single_property() {
    if (!sn_field()) return false;
    gains::check_single_property(g_, settings_, p_.op);
    return true;
}

bool W::reinvestment() {
    if (editing_ == "USA_ART31" && text("USA_ART31").empty()) return true;
    if (editing_ == "VAL_PARTE" && !amount()) return false;
    gains::check_reinvestment(g_, settings_, p_.op);
    return true;
}

// ---- the window

void W::show_record() {
    for (auto& [name, value] : values_)
        if (name != editing_) value = field_value(column(name), g_.value(name));
}

void W::paint_results() {
    store::Record g = g_;
    std::vector<store::Record> rows = cost_rows_now();
    std::vector<store::Record*> costs;
    for (auto& r : rows) costs.push_back(&r);
    ScriptedOperator quiet;
    const gains::GainResult r = gains::compute_gain(g, costs, settings_, quiet);
    const std::pair<const char*, Decimal> lines[] = {{"Custo", r.C},
                                                     {"Ganho bruto", r.G},
                                                     {"Redução p/ ano", r.R},
                                                     {"Fator 1", r.F1},
                                                     {"Fator 2", r.F2},
                                                     {"Aplicado imóvel", r.P},
                                                     {"Não tributável", r.exempt},
                                                     {"Ganho tributável", r.T},
                                                     {"Imposto devido", r.tax}};
    int row = client_.top + 4;
    for (const auto& [label, value] : lines) {
        p_.screen.write(row, client_.left + kPanel, pad_right(label, 16) + money(value),
                        p_.screen.colours.standard);
        ++row;
    }
}

bool W::store() {
    std::vector<store::Record> gains7, costs8;
    Status s = p_.d.working_records(7, &gains7);
    if (s) s = p_.d.working_records(8, &costs8);
    if (!s) return refuse(s.message());
    std::vector<store::Record*> costs = gains::costs_of(g_, costs8);
    (void)gains::compute_gain(g_, costs, settings_, p_.op);
    auto same = std::find_if(gains7.begin(), gains7.end(), [&](const store::Record& r) {
        return r.num("TIPO_BEM") != Decimal(gains::kVariableIncome) &&
               r.num("BEM_NRO") == g_.num("BEM_NRO");
    });
    if (same != gains7.end())
        *same = g_;
    else
        gains7.push_back(g_);
    s = p_.d.replace_working(7, gains7);
    if (s) s = p_.d.replace_working(8, costs8);
    if (!s) return refuse(s.message());
    recompute_gains_totals(p_, true);
    return true;
}

bool W::run() {
    const store::Record original = g_;
    std::vector<store::Record> costs_before;
    if (Status s = p_.d.working_records(8, &costs_before); !s) return refuse(s.message());
    auto win = ui::LDLGSHOW(p_.screen, 2, 0, 22, 79,
                            std::string(is_new_ ? "Inclui" : "Altera") + " ganho nº " +
                                std::to_string(g_.num("BEM_NRO").whole()));
    client_ = win->client();
    const std::vector<Row> rows = layout();
    for (const Row& r : rows) values_[std::string(r.field)] = field_value(column(r.field), {});
    show_record();
    std::vector<ui::Get> gets;
    for (const Row& r : rows) {
        p_.screen.write(client_.top + r.row, client_.left + r.col, r.label,
                        p_.screen.colours.standard);
        const std::string name(r.field);
        ui::Get g = column_field(column(name), values_.at(name), r.picture);
        g.row = client_.top + r.row;
        g.col = client_.left + r.at;
        g.name = name;
        g.valid = [this, name, check = r.valid] {
            const store::Value before = g_.value(name);
            put(name, column_value(column(name), values_.at(name)));
            editing_ = name;
            if (check && !(this->*check)()) {
                put(name, before);
                editing_.clear();
                show_record();
                return false;
            }
            editing_.clear();
            values_.at(name) = field_value(column(name), g_.value(name));
            show_record();
            paint_results();
            return true;
        };
        if (r.when) g.when = [this, when = r.when] { return (this->*when)(); };
        gets.push_back(std::move(g));
    }
    paint_results();
    // Every other screen waits until the gain is finished; Alt+P opens the instalments.
    const ui::Screen::Bindings outside = p_.screen.bindings();
    for (const auto& b : outside)
        if (!(b.key == ui::Key::alt('S')) && !(b.key == ui::Key::alt('U')) &&
            !(b.key == ui::Key::alt('K')))
            p_.screen.bind(b.key, [this] { p_.op.notice(NoticeKind::kWarning, "", kFinishFirst); });
    p_.screen.bind(ui::Key::alt('P'), [this] {
        open_instalments();
        show_record();
        paint_results();
    });
    // Alt+U on the sale value converts at the dollar rate of the sale's month; elsewhere at the
    // office's rate, as on every screen.
    ui::Screen::Action office_rate;
    for (const auto& b : outside)
        if (b.key == ui::Key::alt('U')) office_rate = b.action;
    p_.screen.bind(ui::Key::alt('U'), [this, office_rate] {
        ui::FieldEditor* f = p_.screen.active_field();
        const Date sale = g_.date("DATA_ALI");
        if (f && f->get().name == "VAL_ALI" && !sale.blank() && sale.year() == gains::kBaseYear)
            converter_into_field(p_.screen,
                                 tax::TAB_DOLAR.at(static_cast<size_t>(sale.month() - 1)));
        else if (office_rate)
            office_rate();
    });
    FooterHint hint(p_.screen, "Alt P=Lança parcelas  ESC=Abandona  PgDn=Termina o ganho");
    bool stored = false;
    while (true) {
        const ui::ReadResult r = ui::READ(p_.screen, gets);
        if (r.escaped || r.last_key.is(ui::KeyCode::kEsc)) {
            // A gain looked at and left as it was is left without a question.
            std::vector<store::Record> costs_now;
            const bool untouched = !is_new_ && store::same_when_stored(g_, original) &&
                                   p_.d.working_records(8, &costs_now) &&
                                   tax::same_lists(costs_now, costs_before);
            if (untouched) break;
            if (!p_.op.yes_no("", kAbandon, false)) continue;
            // What was typed in the cost rows goes with the gain.
            if (Status s = p_.d.replace_working(8, costs_before); !s) refuse(s.message());
            break;
        }
        if (dependant_ && text("CPFALIEN").empty()) {
            refuse(kDependantCpf);
            continue;
        }
        if (text("CPFADQ").empty() && !p_.op.yes_no("", kNoBuyer, false)) continue;
        stored = store();
        if (stored) break;
    }
    p_.screen.set_bindings(outside);
    ui::LDLGCLOSE(p_.screen);
    return stored;
}

}  // namespace

ScreenFields gain_fields() {
    ScreenFields s{"ganho de capital", {7}, {}};
    auto add = [&](const auto& rows) {
        for (const Row& r : rows)
            s.fields.push_back({std::string(r.field), std::string(r.picture)});
    };
    add(kDependantRows);
    add(kHeadRows);
    add(kEarlierRows);
    add(kRealEstateRows);
    add(kMovableRows);
    add(kAbroadRows);
    add(kSharesRows);
    add(kCashRows);
    return s;
}

bool gain_window(EditorPlace& place, const tax::Declaration& td, store::Record gain, bool is_new,
                 bool dependant) {
    return GainWindow(place, td, std::move(gain), is_new, dependant).run();
}

}  // namespace vorn::entry
