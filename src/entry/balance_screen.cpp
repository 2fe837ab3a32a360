// The balance screen: receipts on the left and expenses on the right as tables of painted lines,
// the typed values among them, and the surplus line in the attention colour under the alert.
#include "entry/balance_screen.h"

#include <map>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "tax/annual.h"
#include "tax/limits.h"
#include "tax/open_computation.h"
#include "ui/colour.h"

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
    {3, kL, "Rend. trib. exclusiva", kLv, &tax::BalanceFigures::exclusive},
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

class Form {
  public:
    Form(ui::Screen& s, Operator& op, store::Declaration& d, ui::Rect area,
         const tax::InterestTable& selic)
        : s_(s), op_(op), d_(d), area_(area), c_{td_, op, s.clock(), selic} {}

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
    void add(const LayoutRow<Form>& row);

    ui::Screen& s_;
    Operator& op_;
    store::Declaration& d_;
    ui::Rect area_;
    tax::Declaration td_;
    tax::Context c_;
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
}

void Form::add(const LayoutRow<Form>& row) {
    if (!row.label.empty()) write(row.row, row.col, row.label, s_.colours.standard);
    const std::string name(row.field);
    const store::FieldDef& col = column(name);
    ui::Value& value = values_.emplace(name, declaration_value(td_, col)).first->second;
    ui::Get g = column_field(col, value, row.picture);
    g.row = area_.top + row.row;
    g.col = area_.left + row.at;
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
    const ui::ReadResult r = ui::READ(s_, gets_);
    op_.status("");
    if (Status s = tax::give_back(td_, before, d_); !s) refuse(s.message());
    return r;
}

}  // namespace

ScreenFields balance_fields() {
    return screen_fields("balanço", kTables, kFields);
}

ui::ReadResult balance_screen(ui::Screen& screen, Operator& op, store::Declaration& d,
                              ui::Rect area, const tax::InterestTable& selic) {
    if (area.height() < kRows) throw std::logic_error("balance screen: area too short");
    return Form(screen, op, d, area, selic).run();
}

}  // namespace vorn::entry
