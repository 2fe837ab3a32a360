// The balance screen: receipts on the left and expenses on the right as tables of painted lines,
// the typed values among them, and the surplus line in the attention colour under the alert.
#include "entry/balance_screen.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "entry/exempt_screen.h"
#include "entry/item_editor.h"
#include "tax/annual.h"
#include "tax/limits.h"
#include "tax/open_computation.h"
#include "ui/colour.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

// The balance's own values live in the declaration's summary (1) and registry (9).
const std::vector<int> kTables = {1, 9};
constexpr const char* kAmount = "@E 999,999,999.99";
constexpr const char* kShown = "999,999,999.99";
constexpr const char* kSimNao = "Digite S de sim ou N de não";
constexpr const char* kNegative = "O valor não pode ser negativo.";
constexpr int kRows = 21;
constexpr int kL = 0, kLv = 23, kR = 40, kRv = 63;

using Figure = Decimal tax::BalanceFigures::*;

// A painted line: its label at `col` and, unless a typed field stands there, its figure at `at`.
struct BalanceLine {
    int row, col;
    std::string_view label;
    int at;
    Figure figure;
};

const BalanceLine kLines[] = {
    {1, kL, "Rend. tributáveis", kLv, &tax::BalanceFigures::taxable},
    {2, kL, "Rend. isentos", kLv, &tax::BalanceFigures::exempt},
    {3, kL, "Rend. trib.exclusiva", kLv, &tax::BalanceFigures::exclusive},
    {4, kL, "Renda variável", kLv, &tax::BalanceFigures::variable_income},
    {5, kL, "Rend. do cônjuge", kLv, &tax::BalanceFigures::spouse_income},
    {6, kL, "Sobra do cônjuge", kLv, &tax::BalanceFigures::spouse_surplus},
    {7, kL, "Empréstimos", kLv, &tax::BalanceFigures::loans},
    {8, kL, "Empréstimos rurais", kLv, &tax::BalanceFigures::rural_loans},
    {9, kL, "Entradas G.Capital", kLv, &tax::BalanceFigures::gain_entries},
    {10, kL, "Deduções isentas", kLv, &tax::BalanceFigures::exempt_deductions},
    {11, kL, "Patrimônio menor", kLv, &tax::BalanceFigures::smaller_patrimony},
    {12, kL, "Exigib. suspensa", kLv, &tax::BalanceFigures::suspended},
    {13, kL, "Ganho diferido", kLv, &tax::BalanceFigures::deferred_gain},
    {14, kL, "Outras receitas", 0, nullptr},
    {15, kL, "TOTAL RECEITAS.......", kLv, &tax::BalanceFigures::total_receipts},
    {16, kL, "A receber (futuro)", kLv, &tax::BalanceFigures::future_receivable},
    {1, kR, "Impostos do ano", kRv, &tax::BalanceFigures::taxes_of_year},
    {2, kR, "Imposto ano anterior", 0, nullptr},
    {3, kR, "Despesas lançadas", kRv, &tax::BalanceFigures::expenses_entered},
    {4, kR, "Perda renda variável", kRv, &tax::BalanceFigures::variable_loss},
    {5, kR, "Manutenção dos bens", 0, nullptr},
    {6, kR, "Perdas em vendas", 0, nullptr},
    {7, kR, "Prejuízo rural", kRv, &tax::BalanceFigures::rural_loss},
    {8, kR, "Amortização rural", kRv, &tax::BalanceFigures::rural_amortisation},
    {9, kR, "Custo bens baixados", kRv, &tax::BalanceFigures::cost_written_off},
    {10, kR, "Custo bens do ano", kRv, &tax::BalanceFigures::cost_of_year},
    {11, kR, "Patrimônio maior", kRv, &tax::BalanceFigures::larger_patrimony},
    {12, kR, "Outras despesas", 0, nullptr},
    {13, kR, "TOTAL DESPESAS.......", kRv, &tax::BalanceFigures::total_expenses},
    {16, kR, "Média mensal receita", kRv, &tax::BalanceFigures::monthly_receipts},
    {17, kR, "Média mensal saldo", kRv, &tax::BalanceFigures::monthly_saldo},
};

// A line of a detail window: what it is and its amount.
struct Part {
    std::string label;
    Decimal value;
};
using Parts = std::vector<Part>;

// Alt+F1 … Alt+F9: the lines that add up from several figures, each with its key beside it
// (`col`) and the parts it is made of.
struct Detail {
    int key, row, col;
    Figure figure;
    Parts (*parts)(tax::Declaration& d);
};

Parts named(const tax::Declaration& d,
            std::initializer_list<std::pair<std::string_view, std::string_view>> fields) {
    Parts out;
    for (const auto& [label, field] : fields) out.push_back({std::string(label), d.num(field)});
    return out;
}

// The amount lines of an income page that hold something; the exclusive page without the
// variable income (a receipt of its own) and the loss to carry (no income).
Parts page(const tax::Declaration& d, int item) {
    Parts out;
    for (const IncomeLine& l : income_page_lines(item))
        if (l.field != "I4_03" && l.field != "I4_14" && !d.num(l.field).is_zero())
            out.push_back({std::string(l.label), d.num(l.field)});
    return out;
}

Parts taxable(tax::Declaration& d) {
    return named(d, {{"Rend. PJ Titular", "I13_01"},
                     {"Rend. PJ Dependente", "I13_02"},
                     {"Rend. PF Titular", "I13_03"},
                     {"Rend. Exterior Titular", "I13_49"},
                     {"Rend. PF Dependente", "I13_04"},
                     {"Rend. Exterior Dependente", "I13_50"},
                     {"Acumulado do titular", "I13_05"},
                     {"Acumulado do Depend.", "I13_06"},
                     {"Resul.Trib.Ati.Rural", "I13_07"}});
}

Parts exempt(tax::Declaration& d) {
    return page(d, 31);
}

Parts exclusive(tax::Declaration& d) {
    Parts out = page(d, 32);
    out.push_back({"Imposto retido RRA", d.num("I13_34")});
    return out;
}

Parts variable_income(tax::Declaration& d) {
    return {{"Lucro na renda variável", d.num("LUCRRVA")},
            {"Recuperação de prejuízos (isenta)", -d.num("I3_20")}};
}

Parts spouse_income(tax::Declaration& d) {
    return {{"Base de cálculo do cônjuge", d.num("I13_1C")},
            {"Rendimentos isentos do cônjuge", d.num("I13_2C")},
            {"Rend. trib. exclusiva do cônjuge", d.num("I13_3C")},
            {"Exigibilidade suspensa do cônjuge", d.num("I13_5C")},
            {"Imposto pago pelo cônjuge", -d.num("I13_4C")}};
}

Parts spouse_surplus(tax::Declaration& d) {
    return {{"Saldo da declaração do cônjuge", d.num("I9_3")},
            {"Rendimento líquido do cônjuge", -d.num("I9_2")}};
}

Parts taxes_of_year(tax::Declaration& d) {
    return {{"Retido na fonte titular e dependentes", d.num("I13_27") + d.num("I13_28")},
            {"Carnê Leão do titular e dependentes", d.num("I13_29") + d.num("I13_30")},
            {"Imposto complementar", d.num("I13_31")},
            {"IR pago no exterior", d.num("I13_32")},
            {"IR Lei 11.033/2004", d.num("I13_33")},
            {"IR retido RRA", d.num("I13_34")},
            {"IR sobre ganho de capital", d.num("I13_46")},
            {"IR sobre a renda variável", d.num("I13_47")},
            {"Outros impostos pagos no ano", d.num("I13_48")}};
}

// As the cash check counts them in the declaration's option.
Parts expenses_entered(tax::Declaration& d) {
    const Decimal payments = d.num("DESPDECLA");
    if (d.simplified() && d.str("SO_SIMPLES") == "S")
        return {{"Desconto simplificado", d.num("DESPADRAO")},
                {"Pagamentos fora das deduções", d.work.DESPSIMP}};
    Parts out = {{"Pagamentos declarados", payments}, {"Previdência oficial", d.num("I13_09")}};
    if (!d.simplified()) out.push_back({"Dependentes", d.num("I13_12")});
    out.push_back({"Livro Caixa", d.num("I13_18")});
    return out;
}

// The increase of the patrimony: what the assets grew beyond the debts taken.
Parts larger_patrimony(tax::Declaration& d) {
    return {{"Bens em 31/12/2025", d.num("I13_40")},
            {"Bens em 31/12/2024", -d.num("I13_39")},
            {"Dívidas em 31/12/2024", d.num("I13_41")},
            {"Dívidas em 31/12/2025", -d.num("I13_42")}};
}

constexpr int kKeyL = 21, kKeyR = 61;  // where the keys stand: before the amounts
const Detail kDetails[] = {
    {1, 1, kKeyL, &tax::BalanceFigures::taxable, taxable},
    {2, 2, kKeyL, &tax::BalanceFigures::exempt, exempt},
    {3, 3, kKeyL, &tax::BalanceFigures::exclusive, exclusive},
    {4, 4, kKeyL, &tax::BalanceFigures::variable_income, variable_income},
    {5, 5, kKeyL, &tax::BalanceFigures::spouse_income, spouse_income},
    {6, 6, kKeyL, &tax::BalanceFigures::spouse_surplus, spouse_surplus},
    {7, 1, kKeyR, &tax::BalanceFigures::taxes_of_year, taxes_of_year},
    {8, 3, kKeyR, &tax::BalanceFigures::expenses_entered, expenses_entered},
    {9, 11, kKeyR, &tax::BalanceFigures::larger_patrimony, larger_patrimony},
};

class Form {
  public:
    Form(ui::Screen& s, Operator& op, store::WorkAreas& w, store::Declaration& d, ui::Rect area,
         const payments::InterestTable& selic, const std::optional<tax::PastResult>& last_year)
        : s_(s),
          op_(op),
          w_(w),
          d_(d),
          area_(area),
          selic_(selic),
          c_{td_, op, s.clock(), selic},
          last_year_(last_year) {}

    ui::ReadResult run();

    // Valid-conditions.
    bool yes_no();
    bool amount();

    // When-conditions.
    bool always() { return true; }
    // The deferred gain is counted or not only when there is one.
    bool deferred_gain() { return !td_.num("VALFUTUR").is_zero(); }

  private:
    const store::FieldDef& column(std::string_view name) const {
        return screen_column(kTables, name, "balanço");
    }
    bool refuse(std::string_view text);
    bool take();
    void write(int row, int col, std::string_view text, uint8_t attr);
    void paint();
    void paint_last_year();
    void show_detail(const Detail& detail);
    void asset_expenses();
    void add(const LayoutRow<Form>& row);

    ui::Screen& s_;
    Operator& op_;
    store::WorkAreas& w_;
    store::Declaration& d_;
    ui::Rect area_;
    const payments::InterestTable& selic_;
    tax::Declaration td_;
    tax::Context c_;
    std::optional<tax::PastResult> last_year_;
    std::map<std::string, ui::Value, std::less<>> values_;
    std::vector<ui::Get> gets_;
    std::string current_;  // the column of the field whose value is checked
};

using F = Form;

// The typed fields in reading order.
const LayoutRow<Form> kFields[] = {
    {19, kL, "Só desconto simplificado (S/N):", 32, "SO_SIMPLES", "!", &F::yes_no, &F::always},
    {14, kL, "", kLv, "OUTREC", kAmount, &F::amount, &F::always},
    {13, kL, "", 38, "SOMAG", "!", &F::yes_no, &F::deferred_gain},
    {2, kR, "", kRv, "IMPOANTER", kAmount, &F::amount, &F::always},
    {5, kR, "", kRv, "DESPNAO", kAmount, &F::amount, &F::always},
    {6, kR, "", kRv, "PREJVEN1", kAmount, &F::amount, &F::always},
    {12, kR, "", kRv, "OUTRDES", kAmount, &F::amount, &F::always},
    {19, kR, "Alerta abaixo de:", 59, "INDALERTA", "@z 99", &F::amount, &F::always},
    {20, kR, "Valor a cobrar:", kRv, "VALOREC", kAmount, &F::amount, &F::always},
};

// What the status line tells while each field is read.
const std::map<std::string_view, std::string_view> kExplained = {
    {"SO_SIMPLES", "Se S o BALANÇO usa como despesa só desconto padrão. Se N usa todas lançadas"},
    {"OUTREC", "Informe receitas não previstas ou valor p/compensar despesas."},
    {"SOMAG", "Informe com S (sim) ou N (não) deseja a soma desse valor como receita."},
    {"IMPOANTER", "Impostos pagos p/ Receita em 2025 como IRPF, G.Capital atrasado, etc"},
    {"DESPNAO", "Tecle Ctrl Enter para editar as despesas para a manutenção dos bens."},
    {"PREJVEN1",
     "Informe os prejuízos na vendas bens de pequeno valor que não tenha feito Ganho de "
     "Capital."},
    {"OUTRDES", "Informe valor de gastos usuais para sua manutenção."},
    {"INDALERTA", "Informe o percentual para o alerta."},
    {"VALOREC", "Informe o valor a ser cobrado por essa declaração."},
};

bool Form::refuse(std::string_view text) {
    op_.notice(NoticeKind::kWarning, "", text);
    return false;
}

// The typed value into the declaration, the cash check again and the balance repainted.
bool Form::take() {
    const ui::Value& v = values_.at(current_);
    if (const auto* text = std::get_if<std::string>(&v))
        td_.set(current_, trim(*text));
    else
        td_.set(current_, std::get<Decimal>(v));
    tax::VE_SALDO(td_);
    paint();
    return true;
}

// "S" or "N"; left blank, the column keeps its default (only the discount is not counted alone,
// the deferred gain is counted).
bool Form::yes_no() {
    const std::string answer = trim(std::get<std::string>(values_.at(current_)));
    if (answer != "S" && answer != "N" && !answer.empty()) return refuse(kSimNao);
    return take();
}

// An amount: never negative (a minus sign would turn a receipt into an expense).
bool Form::amount() {
    if (std::get<Decimal>(values_.at(current_)).is_negative()) return refuse(kNegative);
    return take();
}

void Form::write(int row, int col, std::string_view text, uint8_t attr) {
    s_.write(area_.top + row, area_.left + col, text, attr);
}

void Form::paint() {
    const tax::BalanceFigures b = tax::MOS_BALAN(td_);
    const uint8_t standard = s_.colours.standard;
    write(0, kL + 3, "RECEITAS", standard);
    write(0, kR + 3, "DESPESAS", standard);
    for (const auto& l : kLines) {
        write(l.row, l.col, l.label, standard);
        if (l.figure) write(l.row, l.at, tax::picture_e(b.*l.figure, kShown), standard);
    }
    const uint8_t saldo = b.alert ? ui::Colour(ui::Palette::CORATEN).attr : standard;
    write(15, kR, b.saldo.is_negative() ? "Déficit de  " : "   Saldo de ", saldo);
    write(15, kR + 12, tax::picture_e(b.indgas, "999.99", true) + "%", saldo);
    write(15, kRv, tax::picture_e(b.saldo.abs(), kShown), saldo);
    write(19, 61, "%", standard);
    for (const Detail& k : kDetails) write(k.row, k.col, "F" + std::to_string(k.key), standard);
    write(14, kR, "Alt+F1…F9: detalhe da linha", standard);
    paint_last_year();
}

// A window listing the parts of a line and, below them, the line's amount (the patrimony's
// increase only when positive, the parts' sum being its variation).
void Form::show_detail(const Detail& detail) {
    const tax::BalanceFigures b = tax::MOS_BALAN(td_);
    const Parts parts = detail.parts(td_);
    const std::string title(
        std::find_if(std::begin(kLines), std::end(kLines), [&](const BalanceLine& l) {
            return l.figure == detail.figure;
        })->label);
    constexpr int kWidth = 56, kLabel = 40;
    const int rows = static_cast<int>(parts.size()) + 2;
    const int top = area_.top + std::max(0, (area_.height() - rows - 2) / 2);
    const int from = area_.left + (area_.width() - kWidth - 2) / 2;
    auto win = ui::LDLGSHOW(s_, top, from, top + rows + 1, from + kWidth + 1, title);
    const ui::Rect in = win->client();
    auto line = [&](int row, std::string_view label, Decimal value) {
        s_.write(in.top + row, in.left + 1,
                 pad_right(left(label, kLabel), kLabel) + tax::picture_e(value, kShown),
                 win->colour);
    };
    for (size_t k = 0; k < parts.size(); ++k)
        line(static_cast<int>(k), parts[k].label, parts[k].value);
    line(rows - 1, "Total", b.*detail.figure);
    s_.wait_key();
    ui::LDLGCLOSE(s_);
}

// Ctrl+Enter on the cost of keeping the assets: the list of each asset's monthly expenses, after
// which the cost is twelve times their sum and the balance follows.
void Form::asset_expenses() {
    ui::FieldEditor* field = s_.active_field();
    if (!field || field->get().name != "DESPNAO") return;
    EditorPlace place{s_, op_, w_, d_, selic_, area_};
    const Decimal month = edit_list_total(place, 15, "VALODESP");
    const Decimal year = month * Decimal(12);
    values_.at("DESPNAO") = year;  // the field shows it again
    td_.set("DESPNAO", year);
    tax::VE_SALDO(td_);
    paint();
    op_.status(kExplained.at("DESPNAO"));
}

// This declaration's assets and debts at the end of the previous year, each beside what last
// year's declaration closed with.
void Form::paint_last_year() {
    if (!last_year_) return;
    const uint8_t standard = s_.colours.standard;
    const uint8_t differs = ui::Colour(ui::Palette::CORATEN).attr;
    const struct {
        int row;
        std::string_view label;
        Decimal now, before;
    } lines[] = {{17, "Bens 2024", td_.work.NTOTBEMANT, last_year_->assets},
                 {18, "Dívid.2024", td_.work.NTOTDIVANT, last_year_->debts}};
    for (const auto& l : lines) {
        write(l.row, kL, l.label, standard);
        write(l.row, kL + 10, tax::picture_e(l.now, kShown), standard);
        write(l.row, kL + 25, tax::picture_e(l.before, kShown),
              l.now == l.before ? standard : differs);
    }
    write(18, kR, "(à direita: declaração anterior)", standard);
}

void Form::add(const LayoutRow<Form>& row) {
    if (!row.label.empty()) write(row.row, row.col, row.label, s_.colours.standard);
    const std::string name(row.field);
    const store::FieldDef& col = column(name);
    ui::Value& value = values_.emplace(name, declaration_value(td_, col)).first->second;
    ui::Get g = column_field(col, value, row.picture);
    g.row = area_.top + row.row;
    g.col = area_.left + row.at;
    g.name = name;
    g.valid = [this, name, check = row.valid] {
        current_ = name;
        return (this->*check)();
    };
    g.when = [this, name, when = row.when] {
        if (!(this->*when)()) return false;
        op_.status(kExplained.at(name));
        return true;
    };
    gets_.push_back(std::move(g));
}

ui::ReadResult Form::run() {
    if (Status s = tax::take_open(d_, &td_); !s) {
        refuse(s.message());
        return {};
    }
    const tax::Declaration before = td_;
    // The monthly income, the Carnê-Leão and every total as the balance opens.
    tax::compute_declaration(c_);
    tax::VE_SALDO(td_);
    s_.fill(area_, {U' ', s_.colours.standard});
    for (const auto& row : kFields) add(row);
    paint();
    auto bindings = s_.bindings();
    for (const Detail& k : kDetails)
        s_.bind(ui::Key::f(k.key, ui::kAlt), [this, &k] { show_detail(k); });
    s_.bind(ui::Key::of(ui::KeyCode::kEnter, ui::kCtrl), [this] { asset_expenses(); });
    const ui::ReadResult r = ui::READ(s_, gets_);
    s_.set_bindings(bindings);
    op_.status("");
    if (Status s = tax::give_back(td_, before, d_); !s) refuse(s.message());
    return r;
}

}  // namespace

ScreenFields balance_fields() {
    return screen_fields("balanço", kTables, kFields);
}

ui::ReadResult balance_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                              store::Declaration& d, ui::Rect area,
                              const payments::InterestTable& selic,
                              const std::optional<tax::PastResult>& last_year) {
    if (area.height() < kRows) throw std::logic_error("balance screen: area too short");
    return Form(screen, op, w, d, area, selic, last_year).run();
}

}  // namespace vorn::entry
