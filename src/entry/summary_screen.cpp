// The summary screen: its two forms as tables of painted lines and input fields, the recomputation
// after each typed value, the switch of option and the simulator.
#include "entry/summary_screen.h"

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "entry/hints.h"
#include "entry/monthly_values.h"
#include "tax/annual.h"
#include "tax/limits.h"
#include "tax/open_computation.h"
#include "tax/simulator.h"
#include "ui/colour.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

// The summary's values live in the declaration's summary (1) and registry (9).
const std::vector<int> kTables = {1, 9};
constexpr const char* kAmount = "@E 999,999,999.99";
constexpr const char* kShown = "999,999,999.99";  // how a painted amount is written
constexpr int kAmountWidth = 14;
constexpr const char* kSimNao = "Digite S de sim ou N de não";
constexpr const char* kNegative = "O valor não pode ser negativo.";
// Rows either form takes (0-21): the last holds the verdict or the balance line.
constexpr int kFormRows = 22;

// A painted line: its number and label at `col`, its amount `field` (+ `plus`) `at` a column;
// without a field the line is a label, or a typed field of the layout stands there.
struct SummaryLine {
    constexpr SummaryLine(int r, int c, std::string_view n, std::string_view l, int a = 0,
                          std::string_view f = {}, std::string_view p = {})
        : row(r), col(c), number(n), label(l), at(a), field(f), plus(p) {}
    int row, col;
    std::string_view number, label;
    int at;
    std::string_view field, plus;
};

// The complete form: four boxes, left the income (rows 1-8) and the deductions (10-20), right the
// tax due (1-7) and the tax paid (9-20).
constexpr int kL = 0, kLv = 24, kR = 39, kRv = 63;
const SummaryLine kComplete[] = {
    {0, kL + 3, "", "RENDIME.TRIBUTÁVEIS"},
    {1, kL, "01", "Rend. PJ Titular", kLv, "I13_01"},
    {2, kL, "02", "Rend. PJ Dependente", kLv, "I13_02"},
    {3, kL, "03", "Rend. PF/Ext.Titular", kLv, "I13_03", "I13_49"},
    {4, kL, "04", "Rend. PF/Ext.Depend.", kLv, "I13_04", "I13_50"},
    {5, kL, "05", "Acumulado do titular", kLv, "I13_05"},
    {6, kL, "06", "Acumulado do Depend.", kLv, "I13_06"},
    {7, kL, "07", "Resul.Trib.Ati.Rural", kLv, "I13_07"},
    {8, kL, "08", "TOTAL...............", kLv, "I13_08"},
    {9, kL + 3, "", "DEDUÇÕES"},
    {10, kL, "09", "Pre.Oficial/Funpresp", kLv, "I13_09"},
    {11, kL, "10", "Prev.oficial no RRA", kLv, "I13_10"},
    {12, kL, "11", "Prev. Complementar", kLv, "I13_11"},
    {13, kL, "12", "Dependentes", kLv, "I13_12"},
    {14, kL, "13", "Despesas c/Instrução", kLv, "I13_13"},
    {15, kL, "14", "Despesas médicas", kLv, "I13_14"},
    {16, kL, "15", "Pensão Judicial", kLv, "I13_15"},
    {17, kL, "16", "Pensão Escritura", kLv, "I13_16"},
    {18, kL, "17", "Pensão Judicial(RRA)", kLv, "I13_17"},
    {19, kL, "18", "Livro Caixa", kLv, "I13_18"},
    {20, kL, "19", "TOTAL...............", kLv, "I13_19"},
    {0, kR + 3, "", "IMPOSTO DEVIDO"},
    {1, kR, "20", "Base de cálculo", kRv, "I13_20"},
    {2, kR, "21", "Imposto devido", kRv, "I13_21"},
    {3, kR, "22", "Deduções  Incentivo", kRv, "I13_22"},
    {4, kR, "23", "Imposto devido I", kRv, "I13_23"},
    {5, kR, "24", "Imposto devido RRA", kRv, "I13_25"},
    {6, kR, "25", "Imposto Lei 14.754", kRv, "NILEI14754"},
    {7, kR, "26", "TOT. IMPOSTO DEVIDO", kRv, "I13_26"},
    {8, kR + 3, "", "IMPOSTO PAGO"},
    {9, kR, "27", "Imp.Retido Titular", kRv, "I13_27"},
    {10, kR, "28", "Imp.Retido Dependen", kRv, "I13_28"},
    {11, kR, "29", "Carne Leão Titular", kRv, "I13_29"},
    {12, kR, "30", "Carne Leão Dependen", kRv, "I13_30"},
    {13, kR, "31", "Impos. Complementar"},
    {14, kR, "32", "Impos. pg. Exterior", kRv, "I13_32"},
    {15, kR, "33", "IR Retido Lei 11003"},
    {16, kR, "34", "Imposto Retido RRA", kRv, "I13_34"},
    {17, kR, "35", "TOTAL IMPOSTO PAGO", kRv, "I13_35"},
    {18, kR, "36", "", kRv, "I13_36"},  // its label tells the balance
    {19, kR, "37", "Em   Quotas  de", kRv, "I13_37"},
    {20, kR, "38", "Imposto a Restituir", kRv, "I13_38"},
};

// The simplified form: one column of lines (rows 1-20, the last three on row 21) and on the right
// the simulation panel.
constexpr int kSv = 47, kP = 62;
const SummaryLine kSimplified[] = {
    {0, 3, "", "Declaração Simplificada"},
    {1, 0, "01", "Rend.Tributável P.Jurídica do Titular", kSv, "I13_01"},
    {2, 0, "02", "Rend.Tributável P.Jurídica dos Dependentes", kSv, "I13_02"},
    {3, 0, "03", "Rend.Tributável P.Física/Exterior do Titular", kSv, "I13_03", "I13_49"},
    {4, 0, "04", "Rend.Trib. P.Física/Exterior dos Dependentes", kSv, "I13_04", "I13_50"},
    {5, 0, "05", "Rend.Recebidos Acumuladamente do Titular", kSv, "I13_05"},
    {6, 0, "06", "Rend.Recebidos Acumuladamente dos Depend.", kSv, "I13_06"},
    {7, 0, "07", "Rend.Tributável da Atividade Rural", kSv, "I13_07"},
    {8, 0, "08", "      TOTAL DOS RENDIMENTOS ................", kSv, "I13_08"},
    {9, 0, "09", "Desconto Simplificado", kSv, "DESPADRAO"},
    {10, 0, "10", "Base de Cálculo do Imposto", kSv, "I13_20"},
    {11, 0, "11", "Imposto devido Recebido Acumuladamente", kSv, "I13_25"},
    {12, 0, "12", "      TOTAL DO IMPOSTO DEVIDO ..............", kSv, "I13_26"},
    {13, 0, "13", "Imp.Renda Retido na fonte do titular", kSv, "I13_27"},
    {14, 0, "14", "Imp.Renda Retido na fonte dos dependentes", kSv, "I13_28"},
    {15, 0, "15", "Carnê Leão recolhido do titular+dependentes", kSv, "I13_29", "I13_30"},
    {16, 0, "16", "Imposto complementar"},
    {17, 0, "17", "Imposto pago no Exterior", kSv, "I13_32"},
    {18, 0, "18", "Imposto Lei 11.033/2004"},
    {19, 0, "19", "Imposto retido RRA", kSv, "I13_34"},
    {20, 0, "20", "       TOTAL DO IMPOSTO PAGO ..............", kSv, "I13_35"},
    {21, 0, "21", "", 3, "I13_36"},
    {21, 19, "22", "Em   Quotas  de", 38, "I13_37"},
    {21, 54, "23", "", 57, "I13_38"},
    {9, kP, "", "Imp.Lei 14.754"},
    {10, kP, "", "", kP, "NILEI14754"},
    {12, kP, "", "Simulação"},
    {13, kP, "", "Para pagar"},
    {14, kP, "", "um imposto de"},
    {16, kP, "", "A renda deve"},
    {17, kP, "", "ser de"},
    {19, kP, "", "Mudar para o"},
    {20, kP, "", "completo"},
};

class Form {
  public:
    Form(ui::Screen& s, Operator& op, store::Declaration& d, ui::Rect area,
         const payments::InterestTable& selic)
        : s_(s), op_(op), d_(d), area_(area), c_{td_, op, s.clock(), selic} {}

    ui::ReadResult run();

    // Valid-conditions.
    bool option();
    bool complementary() { return amount("I13_31"); }
    bool abroad() { return amount("IR_EXTER"); }
    bool lei_11033() { return amount("I13_33"); }
    bool quotas();

    // When-conditions.
    // Every field while the form is read; none once the option was switched (the read ends and
    // the other form is built).
    bool reading() { return !switched_; }
    bool foreign_income() {
        return reading() && !(td_.num("I13_49") + td_.num("I13_50")).is_zero();
    }
    // Quotas are chosen only in an ordinary declaration with a balance to pay.
    bool may_split() {
        return reading() && !td_.is_final() && !td_.is_departure() && td_.num("I13_36") > Decimal();
    }

  private:
    const store::FieldDef& column(std::string_view name) const;
    ui::Value& v(std::string_view name);
    bool refuse(std::string_view text);
    bool amount(std::string_view name);
    void recompute();
    void sync_fields();
    Decimal shown(std::string_view name) const;
    void write(int row, int col, std::string_view text, int width = 0,
               std::optional<uint8_t> attr = std::nullopt);
    void paint_alert(const std::vector<std::string>& lines, int row, int col);
    void paint();
    void paint_complete();
    void paint_simplified();
    void paint_line(const SummaryLine& l);
    void add(const LayoutRow<Form>& row);
    // An input of the screen's own (not a stored column).
    void add_field(int row, int col, ui::Value& value, std::string picture, int width, int decimals,
                   std::function<bool()> valid);
    bool simulator_question();
    void open_simulator();
    bool switch_to_complete();
    bool simulate_simplified();
    void monthly_into_field();
    bool simulate_tax();
    void build();

    ui::Screen& s_;
    Operator& op_;
    store::Declaration& d_;
    ui::Rect area_;
    tax::Declaration td_;
    tax::Context c_;
    bool switched_ = false;
    std::optional<FooterHint> hint_;
    std::map<std::string, ui::Value, std::less<>> values_;
    std::vector<ui::Get> gets_;
    // The screen's own inputs: the simulator question, the simplified form's switch, the wanted
    // balance of the simulation (NSIMPOSTO) and the income (NSRECEITA): either gives the other.
    ui::Value ask_ = std::string("N"), to_complete_ = std::string("N");
    ui::Value wanted_ = Decimal(), income_ = Decimal();
};

using F = Form;

// The fields of the complete form, in reading order (the simulator question follows them).
const LayoutRow<Form> kCompleteFields[] = {
    {0, 58, "Mudar para Simples:", 77, "USAPADRAO", "!", &F::option, &F::reading},
    {13, kR, "", kRv, "I13_31", kAmount, &F::complementary, &F::reading},
    {9, kL + 12, "IR exterior:", kLv, "IR_EXTER", kAmount, &F::abroad, &F::foreign_income},
    {15, kR, "", kRv, "I13_33", kAmount, &F::lei_11033, &F::reading},
    {19, kR + 6, "", kR + 6, "QTD_QUOTA", "9", &F::quotas, &F::may_split},
};
// The fields of the simplified form, after its switch to the complete option.
const LayoutRow<Form> kSimplifiedFields[] = {
    {16, 0, "", kSv, "I13_31", kAmount, &F::complementary, &F::reading},
    {5, kP, "", kP, "IR_EXTER", kAmount, &F::abroad, &F::foreign_income},
    {18, 0, "", kSv, "I13_33", kAmount, &F::lei_11033, &F::reading},
    {21, 25, "", 25, "QTD_QUOTA", "9", &F::quotas, &F::may_split},
};

const store::FieldDef& Form::column(std::string_view name) const {
    return screen_column(kTables, name, "summary");
}

ui::Value& Form::v(std::string_view name) {
    auto it = values_.find(name);
    if (it != values_.end()) return it->second;
    const store::FieldDef& col = column(name);
    ui::Value blank = col.type == store::FieldType::kChar ? ui::Value(std::string()) : Decimal();
    return values_.emplace(std::string(name), std::move(blank)).first->second;
}

bool Form::refuse(std::string_view text) {
    op_.notice(NoticeKind::kWarning, "", text);
    return false;
}

// The values the computation may have changed, back into the fields that show them.
void Form::sync_fields() {
    for (auto& [name, value] : values_) value = declaration_value(td_, column(name));
}

void Form::recompute() {
    tax::CALC(c_, 7, 1);
    tax::FQTD_QUOTA(c_, 1);
    sync_fields();
    paint();
}

// A typed amount: never negative (a minus sign would lower the tax paid); taken and computed.
bool Form::amount(std::string_view name) {
    const Decimal typed = std::get<Decimal>(v(name));
    if (typed.is_negative()) return refuse(kNegative);
    td_.set(name, typed);
    recompute();
    return true;
}

bool Form::quotas() {
    td_.set("QTD_QUOTA", std::get<Decimal>(v("QTD_QUOTA")));
    recompute();
    return true;
}

bool Form::option() {
    const std::string answer = trim(std::get<std::string>(v("USAPADRAO")));
    if (answer != "S" && answer != "N") return refuse(kSimNao);
    if (answer == "S" && !tax::CONF_PADR(c_, answer)) return false;
    switched_ = td_.simplified();
    return true;
}

bool Form::switch_to_complete() {
    const std::string answer = trim(std::get<std::string>(to_complete_));
    if (answer != "S" && answer != "N") return refuse(kSimNao);
    to_complete_ = std::string("N");
    if (answer == "S" && tax::VIRA_COMP(c_, answer)) switched_ = true;
    return answer == "N" || switched_;
}

Decimal Form::shown(std::string_view name) const {
    if (name == "NILEI14754") return td_.work.NILEI14754;
    return td_.num(name);
}

void Form::write(int row, int col, std::string_view text, int width, std::optional<uint8_t> attr) {
    const std::string t =
        width > 0 ? pad_right(left(text, static_cast<size_t>(width)), static_cast<size_t>(width))
                  : std::string(text);
    s_.write(area_.top + row, area_.left + col, t, attr.value_or(s_.colours.standard));
}

// The cash alert in the attention colour when the cash check finds a problem, else blanks.
void Form::paint_alert(const std::vector<std::string>& lines, int row, int col) {
    const bool alert = tax::MOS_BALAN(td_).alert;
    for (const auto& line : lines) {
        const int width = static_cast<int>(char_count(line));
        if (alert)
            write(row++, col, line, width, ui::Colour(ui::Palette::CORATEN).attr);
        else
            write(row++, col, "", width);
    }
}

void Form::paint_line(const SummaryLine& l) {
    if (!l.number.empty()) write(l.row, l.col, l.number);
    const int at = l.col + (l.number.empty() ? 0 : 3);
    if (!l.label.empty()) write(l.row, at, l.label);
    if (l.field.empty()) return;
    Decimal value = shown(l.field);
    if (!l.plus.empty()) value += shown(l.plus);
    write(l.row, l.at, tax::picture_e(value, kShown));
}

void Form::paint_complete() {
    for (const auto& l : kComplete) paint_line(l);
    const tax::EffectiveRate rate = tax::effective_rate(td_);
    write(18, kR + 3,
          tax::balance_label(rate.balance == tax::EffectiveRate::Balance::kNone
                                 ? rate.balance
                                 : tax::EffectiveRate::Balance::kPay,
                             true),
          20);
    write(8, 58, "Simulador:");
    write(21, 0, td_.work.verdict, 49);
    paint_alert({"ATENÇAO! PROBLEMA NO CAIXA!"}, 21, 50);
    write(0, 23, "A.Efetiva:");
    const bool pay = rate.balance == tax::EffectiveRate::Balance::kPay;
    write(0, 33,
          rate.zero_word ? "Zero" : tax::picture_e(rate.percent, pay ? "999.99" : "99.99") + "%",
          7);
}

void Form::paint_simplified() {
    for (const auto& l : kSimplified) paint_line(l);
    const tax::EffectiveRate rate = tax::effective_rate(td_);
    write(0, 29, tax::balance_label(rate.balance, false), 22);
    write(0, 52, "A.Efetiva:");
    write(0, 63, rate.zero_word ? "Zero" : tax::picture_e(rate.percent, "99.99") + "%", 8);
    const std::vector<std::string> panel = tax::complete_option_panel(td_);
    for (size_t k = 0; k < 3; ++k)
        write(1 + static_cast<int>(k), kP, k < panel.size() ? panel[k] : "", ui::kCols - 2 - kP);
    write(4, kP, "IR exterior");  // its field below
    paint_alert({"  ATENÇAO!!  ", "  PROBLEMAS  ", "  NO CAIXA   "}, 6, kP);
}

void Form::paint() {
    if (td_.simplified())
        paint_simplified();
    else
        paint_complete();
    if (hint_) hint_->change(hint_summary(td_.simplified()));
}

void Form::add_field(int row, int col, ui::Value& value, std::string picture, int width,
                     int decimals, std::function<bool()> valid) {
    ui::Get g;
    g.var = ui::Var(value);
    g.picture = std::move(picture);
    g.width = width;
    g.decimals = decimals;
    g.row = area_.top + row;
    g.col = area_.left + col;
    g.valid = std::move(valid);
    g.when = [this] { return reading(); };
    gets_.push_back(std::move(g));
}

void Form::add(const LayoutRow<Form>& row) {
    if (!row.label.empty()) write(row.row, row.col, row.label);
    const std::string name(row.field);
    ui::Get g = column_field(column(name), v(name), row.picture);
    g.row = area_.top + row.row;
    g.col = area_.left + row.at;
    g.valid = [this, check = row.valid] { return (this->*check)(); };
    g.when = [this, when = row.when] { return (this->*when)(); };
    gets_.push_back(std::move(g));
}

bool Form::simulator_question() {
    const std::string answer = trim(std::get<std::string>(ask_));
    if (!tax::FAZINVER(c_, answer)) return false;
    if (answer == "S") open_simulator();
    ask_ = std::string("N");
    return true;
}

// The complete form's simulator: the balance with a new deduction (mode 1) and the income that
// gives a wanted balance (mode 3), until Esc.
void Form::open_simulator() {
    auto win = ui::LDLGSHOW(s_, 8, 14, 15, 65, "Simulador");
    const ui::Rect in = win->client();
    ui::Value deduction = Decimal(), wanted = Decimal();
    Decimal balance, income;
    auto say = [&](int row, int col, std::string_view text, int width = 0) {
        const std::string t =
            width ? pad_right(std::string(text), static_cast<size_t>(width)) : std::string(text);
        s_.write(in.top + row, in.left + col, t, win->colour);
    };
    auto show = [&] {
        say(0, 1, "nSDeducao");
        say(1, 1, "Saldo do imposto:");
        say(1, 20, tax::picture_e(balance, kShown), kAmountWidth);
        say(3, 1, "nSImposto");
        say(4, 1, "Renda necessária:");
        say(4, 20, tax::picture_e(income, kShown), kAmountWidth);
    };
    std::vector<ui::Get> gets(2);
    for (int k = 0; k < 2; ++k) {
        gets[k].var = ui::Var(k == 0 ? deduction : wanted);
        gets[k].picture = kAmount;
        gets[k].width = 15;
        gets[k].decimals = 2;
        gets[k].row = in.top + 3 * k;
        gets[k].col = in.left + 20;
    }
    gets[0].valid = [&] {
        if (std::get<Decimal>(deduction).is_negative()) return refuse(kNegative);
        balance = tax::SIMUL_deduction(c_, std::get<Decimal>(deduction));
        show();
        return true;
    };
    gets[1].valid = [&] {
        auto found = tax::SIMUL_complete_income(c_, std::get<Decimal>(wanted));
        if (!found) return false;
        income = *found;
        show();
        return true;
    };
    show();
    while (!ui::READ(s_, gets).escaped) {
    }
    ui::LDLGCLOSE(s_);
}

// The simplified form's simulation: the income needed for the wanted balance (which keeps its
// sign: negative asks for a refund).
bool Form::simulate_simplified() {
    auto found = tax::SIMUL_simplified_income(c_, std::get<Decimal>(wanted_));
    if (!found) return false;
    income_ = *found;
    paint();
    return true;
}

// The other way round (mode 4): the tax of a typed income under the simplified discount.
bool Form::simulate_tax() {
    const Decimal income = std::get<Decimal>(income_);
    if (income.is_negative()) return refuse(kNegative);
    wanted_ = tax::SIMUL_tax_of_income(income);
    paint();
    return true;
}

// Ctrl+Enter on the complementary tax or the tax paid abroad: the months typed in R$ or US$, whose
// total goes into the field and is taken as if typed (the summary recomputes).
void Form::monthly_into_field() {
    ui::FieldEditor* field = s_.active_field();
    if (!field || (field->get().name != "I13_31" && field->get().name != "IR_EXTER")) {
        s_.beep(300, 100);
        return;
    }
    std::array<Decimal, 12> months{};
    const std::optional<Decimal> total = VALORES_MENSAIS(s_, op_, months, estate_last_month(td_));
    if (!total) return;
    if (field->put(*total))
        s_.push_key(ui::Key::of(ui::KeyCode::kEnter));
    else
        refuse("O valor não cabe no campo.");
}

void Form::build() {
    s_.fill(area_, {U' ', s_.colours.standard});
    gets_.clear();
    values_.clear();
    if (td_.simplified()) {
        add_field(20, kP + 9, to_complete_, "!", 1, 0, [this] { return switch_to_complete(); });
        for (const auto& row : kSimplifiedFields) add(row);
        add_field(15, kP, wanted_, kAmount, 15, 2, [this] { return simulate_simplified(); });
        add_field(18, kP, income_, kAmount, 15, 2, [this] { return simulate_tax(); });
    } else {
        for (const auto& row : kCompleteFields) add(row);
        add_field(8, 69, ask_, "!", 1, 0, [this] { return simulator_question(); });
    }
    sync_fields();
    paint();
}

ui::ReadResult Form::run() {
    if (Status s = tax::take_open(d_, &td_); !s) {
        refuse(s.message());
        return {};
    }
    const tax::Declaration before = td_;
    // The summary as it opens: every total, the monthly grids and the annual computation (a final
    // or exit declaration forced to the complete option), and the quotas.
    tax::compute_declaration(c_);
    hint_.emplace(s_, hint_summary(td_.simplified()));
    auto bindings = s_.bindings();
    s_.bind(ui::Key::ctrl('S'), [this] {
        if (!tax::MUDA(c_)) return;
        switched_ = true;
        s_.end_input();
    });
    s_.bind(ui::Key::of(ui::KeyCode::kEnter, ui::kCtrl), [this] { monthly_into_field(); });
    ui::ReadResult r;
    do {
        switched_ = false;
        build();
        r = ui::READ(s_, gets_);
    } while (switched_);
    s_.set_bindings(bindings);
    op_.status("");
    hint_.reset();
    if (Status s = tax::give_back(td_, before, d_); !s) refuse(s.message());
    return r;
}

}  // namespace

ScreenFields summary_fields() {
    ScreenFields s = screen_fields("resumo", kTables, kCompleteFields);
    for (const auto& f : screen_fields("resumo simplificado", kTables, kSimplifiedFields).fields)
        s.fields.push_back(f);
    return s;
}

ui::ReadResult summary_screen(ui::Screen& screen, Operator& op, store::Declaration& d,
                              ui::Rect area, const payments::InterestTable& selic) {
    // Both forms clear and paint their rows inside the area: a shorter one would leave the rows
    // below it to what was drawn there before.
    if (area.height() < kFormRows) throw std::logic_error("summary screen: area too short");
    return Form(screen, op, d, area, selic).run();
}

}  // namespace vorn::entry
