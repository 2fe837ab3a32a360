// Screen 2: the monthly grid of income from individuals and from abroad with the Carnê-Leão.
#include "entry/individuals_screen.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "entry/monthly_items.h"
#include "entry/monthly_values.h"
#include "tax/annual.h"
#include "tax/leao.h"
#include "tax/open_computation.h"
#include "ui/browse.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr const char* kTitle =
    "(3)Rend. Tribut.Recebido de P.Físicas e apuração do recolhimento mensal";
constexpr const char* kModes =
    "ALT A Troca (1)Fonte INDIVIDUAL (2)Só TOTAIS (3)Livro Caixa (4)Cálculo Inverso";
constexpr const char* kModeNames[] = {"1)INDIVIDUAL  ", "2)SÓ OS TOTAIS", "3)LIVRO CAIXA ",
                                      "4)CALC.INVERSO"};
constexpr const char* kTypeLine = "Tipo   T=T.Autonomo  O=Outros ou A=Aluguel";
constexpr const char* kSocialSecurityOnly =
    "Digite só o valor do INSS. Os valores da pensão e dependentes vem da tela 4";
constexpr const char* kNegative = "O valor não pode ser negativo.";
constexpr const char* kPictures[] = {"@Ez 99,999,999.99", "@Ez 999,999,999.99",
                                     "@Ez 999,999,999,999.99"};
constexpr const char* kShown = "999,999,999.99";  // the totals painted under the grid

// Rows of the area: the title, the person, the modes, the current mode with the type; the grid
// (its header, a rule and thirteen rows); the totals.
constexpr int kPersonRow = 1, kModesRow = 2, kModeRow = 3, kGridTop = 4, kGridBottom = 18;
constexpr int kTotalsRow = 19, kTypesRow = 20, kRows = 21, kCols = 78;
constexpr int kTypeLabel = 35, kTypeField = kTypeLabel + 5;
constexpr size_t kTotalRow = 12;
// Where the number of each mode stands in the modes line (a click there chooses it).
constexpr int kModeNumberAt[] = {12, 32, 45, 60};

int fill_mode(const tax::Declaration& d) {
    const long long m = d.num("CAL_AUTO").whole();
    return m >= 1 && m <= 4 ? static_cast<int>(m) : 1;
}

bool typed_mode(int mode) {
    return mode == 2 || mode == 4;
}

std::string hint_modes(bool paid_only) {
    return std::string(
               "Alt A ou mouse no Número() Muda o modo de preenchimento - Alt N  Muda o "
               "pagamento para ") +
           (paid_only ? "LEÃO DEVIDO" : "LEÃO PAGO  ");
}

// Months of a grid column typed by hand in any person's record (columns 1 to 5).
bool months_typed(const tax::Declaration& d) {
    for (const auto& r : d.monthly) {
        if (r.deleted) continue;
        for (int k = 1; k <= 5; ++k)
            for (int m = 1; m <= 12; ++m)
                if (!r.num("I2_" + std::to_string(k) + tax::two_digits(m)).is_zero()) return true;
    }
    return false;
}

class Form {
  public:
    Form(EditorPlace& place, int item)
        : s_(place.screen),
          op_(place.op),
          w_(place.w),
          d_(place.d),
          area_(place.area),
          item_(item),
          selic_(place.selic),
          c_{td_, op_, s_.clock(), selic_} {}

    ui::ReadResult run();

  private:
    bool choose_dependant();
    void find_or_add_record();
    store::Record& person() { return td_.monthly.at(index_); }
    // Recomputes the Carnê-Leão (of the person's side, or of everyone) and writes what changed
    // into the open declaration at once, as each accepted cell is.
    void recompute(bool everyone);
    void load_rows();
    void write(int row, int col, std::string_view text, int width = 0);
    void paint_frame();
    void paint_totals();
    std::vector<ui::BrowseColumn> columns(ui::ArraySource& source);
    bool put_cell(int column, size_t row, const ui::Value& v);
    bool on_key(const ui::Key& k, ui::ArraySource& source);
    void change_mode(int mode);
    void open_items(int column);
    bool take();
    void flip_paid_only();
    void ask_type();
    void status_for(int column);

    ui::Screen& s_;
    Operator& op_;
    store::WorkAreas& w_;
    store::Declaration& d_;
    ui::Rect area_;
    int item_;
    const payments::InterestTable& selic_;
    tax::Declaration td_;
    tax::Declaration given_;  // td_ as last written into the open declaration
    tax::Context c_;
    bool holder_ = true;
    std::string cpf_, name_;  // the dependant's
    size_t index_ = 0;        // the person's record in td_.monthly
    int last_month_ = 12;
    std::vector<std::vector<ui::Value>> rows_;
    ui::Browser* grid_ = nullptr;
    bool rebuild_ = false;
    int column_ = 1;  // where the cursor goes when the grid is rebuilt
    size_t row_ = 0;
};

void Form::write(int row, int col, std::string_view text, int width) {
    const std::string t =
        width > 0 ? pad_right(left(text, static_cast<size_t>(width)), static_cast<size_t>(width))
                  : std::string(text);
    s_.write(area_.top + row, area_.left + col, t, s_.colours.standard);
}

// The dependants of relationship code below 98 with a CPF (a record without one would be taken
// for the holder's); the first with a monthly record is offered first.
bool Form::choose_dependant() {
    std::vector<std::vector<ui::Value>> rows;
    std::vector<std::pair<std::string, std::string>> people;
    size_t first_with_grid = SIZE_MAX;
    tax::for_each_live(td_.dependants, [&](const store::Record& r) {
        const std::string cpf = r.str("CPFDEPEN");
        if (cpf.empty() || r.num("CODIDEPEN").whole() >= 98) return;
        tax::for_each_live(td_.monthly, [&](const store::Record& m) {
            if (m.str("CPFDEPEN") == cpf && first_with_grid == SIZE_MAX)
                first_with_grid = people.size();
        });
        people.emplace_back(cpf, r.str("NOMEDEPEN"));
        rows.push_back({mask_picture(cpf, "999.999.999-99"), r.str("NOMEDEPEN")});
    });
    if (people.empty()) {
        op_.notice(NoticeKind::kWarning, "", "Sem dependentes para usar essa opção");
        return false;
    }
    ui::ArraySource source(rows);
    const int height = std::min<int>(static_cast<int>(rows.size()), 12);
    auto win = ui::LDLGSHOW(s_, 5, 8, 5 + height + 3, 71, "Dependente");
    const ui::Rect in = win->client();
    std::optional<size_t> chosen;
    ui::Browser* list = nullptr;
    ui::BrowseOptions options(ui::Rect{in.top, in.left, in.bottom, in.right});
    options.on_key = [&](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEnter)) return false;
        chosen = source.position();
        list->stop(k);
        return true;
    };
    ui::Browser b(s_, source,
                  {ui::array_column(source, 0, "CPF", "", 14),
                   ui::array_column(source, 1, "Nome", "", in.width() - 15)},
                  options);
    list = &b;
    if (first_with_grid != SIZE_MAX)
        for (size_t k = 0; k < first_with_grid; ++k) s_.push_key(ui::Key::of(ui::KeyCode::kDown));
    b.run();
    ui::LDLGCLOSE(s_);
    if (!chosen) return false;
    cpf_ = people[*chosen].first;
    name_ = people[*chosen].second;
    return true;
}

// The holder's record is the one without a dependant's CPF; a person without one gets a new
// empty record.
void Form::find_or_add_record() {
    for (size_t i = 0; i < td_.monthly.size(); ++i) {
        const store::Record& r = td_.monthly[i];
        if (!r.deleted && r.str("CPFDEPEN") == cpf_) {
            index_ = i;
            return;
        }
    }
    store::Record r = td_.new_record(12);
    if (!holder_) r.set("CPFDEPEN", cpf_);
    td_.monthly.push_back(std::move(r));
    index_ = td_.monthly.size() - 1;
}

void Form::recompute(bool everyone) {
    if (holder_ || everyone) tax::CALC(c_, 1, 1);
    if (!holder_ || everyone) tax::CALC(c_, 2, 1);
    if (Status st = tax::give_back(td_, given_, d_); !st)
        op_.notice(NoticeKind::kWarning, "", st.message());
    given_ = td_;
}

void Form::load_rows() {
    tax::MonthlyGrid g(person());
    rows_.resize(13);
    for (int m = 1; m <= 13; ++m) {
        auto& row = rows_[static_cast<size_t>(m - 1)];
        row.assign(8, ui::Value(Decimal()));
        row[0] = m == 13 ? std::string("Tot") : left(TRAZ_MES(m), 3);
        for (int k = 1; k <= 7; ++k) row[static_cast<size_t>(k)] = g.get(k, m);
    }
}

void Form::paint_frame() {
    s_.fill(area_, {U' ', s_.colours.standard});
    write(0, (kCols - static_cast<int>(char_count(kTitle))) / 2, kTitle);
    const tax::Declaration& d = td_;
    if (holder_) {
        write(kPersonRow, 0, "Rendimento do Titular");
    } else {
        write(kPersonRow, 0, "Dependente CPF " + mask_picture(cpf_, "999.999.999-99") + " " + name_,
              43);
    }
    // The payment date of a late Carnê-Leão and the latest SELIC month the correction knows.
    const Date today = s_.clock().today();
    std::string right = "Pagto " + payments::last_business_day(today.year(), today.month()).dmy();
    if (const int last = selic_.last_month(); last > 0)
        right += " Selic " + trim(TRAZ_MES(last % 100)) + " " + tax::two_digits(last / 100 % 100);
    write(kPersonRow, 44, right, kCols - 44);
    write(kModesRow, 0, kModes);
    write(kModeRow, 0, std::string("PREENCHIMENTO ATUAL:") + kModeNames[fill_mode(d) - 1]);
    write(kModeRow, kTypeLabel, kTypeLine);
    write(kModeRow, kTypeField, d.str("TIPO_PF").empty() ? "O" : d.str("TIPO_PF"));
    paint_totals();
}

// The person's social security, and in modes 1 and 3 the holder's alimony and dependants'
// deduction; the income from individuals by type (the typed totals under the declaration's type).
void Form::paint_totals() {
    const tax::Declaration& d = td_;
    const int mode = fill_mode(d);
    auto amount = [](Decimal v) { return tax::picture_e(v, kShown); };
    write(kTotalsRow, 0, "Totais  INSS:", kCols);
    write(kTotalsRow, 13, amount(d.num(holder_ ? "CARNEINSS" : "CARNEDEPEN")));
    write(kTotalsRow, 28, "Pensão:");
    write(kTotalsRow, 51, "Dependentes:");
    if (holder_ && !typed_mode(mode)) {
        write(kTotalsRow, 36, amount(d.work.PENSAOM));
        write(kTotalsRow, 63, amount(d.work.NTOTDEP));
    }
    Decimal work, rent, other;
    if (typed_mode(mode)) {  // MOS_RESPF
        const Decimal total = d.num(holder_ ? "I13_03" : "I13_04");
        const std::string type = d.str("TIPO_PF");
        (type == "T" ? work : type == "A" ? rent : other) = total;
    } else {
        work = d.num(holder_ ? "totTrabT" : "totTrabD");
        rent = d.num(holder_ ? "totAlugT" : "totAlugD");
        other = d.num(holder_ ? "TotOutrT" : "TotOutrD");
    }
    write(kTypesRow, 0, "Trabalho:", kCols);
    write(kTypesRow, 13, amount(work));
    write(kTypesRow, 28, "Aluguel:");
    write(kTypesRow, 36, amount(rent));
    write(kTypesRow, 51, "Outros:");
    write(kTypesRow, 63, amount(other));
}

std::vector<ui::BrowseColumn> Form::columns(ui::ArraySource& source) {
    const int mode = fill_mode(td_);
    const bool paid_only = td_.logical("SO_REC");
    bool with_dependants = false;
    tax::for_each_live(td_.dependants, [&](const store::Record& r) {
        if (r.num("CODIDEPEN").whole() < 98) with_dependants = true;
    });
    const std::string deductions = !typed_mode(mode)            ? "Dep+Pre+Pen"
                                   : holder_ && with_dependants ? "Depen+Previ"
                                                                : "Previdencia";
    const std::string headers[] = {"Pessoa  Física",
                                   "Exterior",
                                   "Livro Caixa",
                                   deductions,
                                   paid_only ? "LEAO PAGO (*)" : " Leão Pago   ",
                                   paid_only ? " L. Devido   " : "L. DEVIDO (*)",
                                   "Corrigido"};
    std::vector<ui::BrowseColumn> out;
    out.push_back(ui::array_column(source, 0, "Mês ", "", 4));
    out.back().put = nullptr;
    for (int k = 1; k <= 7; ++k) {
        // Columns 3 and 4 are narrower, unless a value needs the room.
        Decimal largest;
        for (const auto& row : rows_)
            largest = max(largest, std::get<Decimal>(row[static_cast<size_t>(k)]).abs());
        const std::string picture =
            grid_picture(k == 3 || k == 4 ? kPictures[0] : kPictures[1], largest);
        ui::BrowseColumn c =
            ui::array_column(source, static_cast<size_t>(k), headers[k - 1], picture);
        c.width = static_cast<int>(char_count(picture)) - 4;
        if (typed_mode(mode) && k <= 5) {
            c.put = [this, &source, k](const ui::Value& v) {
                return put_cell(k, source.position(), v);
            };
            c.valid = [this](ui::Value& v) {
                if (!std::get<Decimal>(v).is_negative()) return true;
                op_.notice(NoticeKind::kWarning, "", kNegative);
                return false;
            };
        } else {
            c.put = nullptr;  // computed: due, corrected, or the grid rebuilt from the items
        }
        out.push_back(std::move(c));
    }
    return out;
}

// A typed cell, stored at once; in the inverse mode a Carnê-Leão paid gives the month's income.
bool Form::put_cell(int column, size_t row, const ui::Value& v) {
    if (row >= kTotalRow) return false;
    const int month = static_cast<int>(row) + 1;
    if (!month_within_estate(op_, month, last_month_)) return false;
    const Decimal typed = std::get<Decimal>(v).round(2);
    tax::MonthlyGrid g(person());
    if (fill_mode(td_) == 4 && column == 5 && typed > Decimal()) {
        const std::optional<Decimal> income =
            tax::LEAO_INVERSO(typed, month, g.get(3, month) + g.get(4, month), g.get(2, month));
        if (!income) {
            op_.notice(NoticeKind::kWarning, "",
                       "Nenhuma faixa da tabela mensal dá esse imposto.\nConfira o valor pago.");
            return false;
        }
        g.set(1, month, *income);
    }
    g.set(column, month, typed);
    recompute(false);
    load_rows();
    paint_totals();
    return true;
}

// Changing the fill mode rebuilds the grids from the items in modes 1 and 3: months typed in
// mode 2 or 4 would be lost, so the operator is asked first.
void Form::change_mode(int mode) {
    const int from = fill_mode(td_);
    if (mode == from) return;
    if (typed_mode(from) && !typed_mode(mode) && months_typed(td_) &&
        !op_.yes_no("",
                    "Os valores digitados nos meses serão substituídos\npelos rendimentos "
                    "lançados. Troca o modo de preenchimento?",
                    false))
        return;
    td_.set("CAL_AUTO", Decimal(mode));
    recompute(true);
    rebuild_ = true;
}

// Which Carnê-Leão enters the adjustment changes no month of the grids: only the annual lines
// and the star of the headers follow.
void Form::flip_paid_only() {
    td_.set("SO_REC", !td_.logical("SO_REC"));
    recompute(true);
    rebuild_ = true;
}

void Form::status_for(int column) {
    op_.status(typed_mode(fill_mode(td_)) && column == 4 ? kSocialSecurityOnly
                                                         : hint_modes(td_.logical("SO_REC")));
}

bool Form::on_key(const ui::Key& k, ui::ArraySource& source) {
    int mode = 0;
    if (k == ui::Key::alt('A')) mode = fill_mode(td_) % 4 + 1;
    if (k.is_mouse() && k.row == area_.top + kModesRow)
        for (int n = 0; n < 4; ++n)
            if (k.col >= area_.left + kModeNumberAt[n] && k.col < area_.left + kModeNumberAt[n] + 3)
                mode = n + 1;
    if (mode > 0) {
        change_mode(mode);
        if (rebuild_) grid_->stop(k);
        return true;
    }
    if (k == ui::Key::alt('N')) {
        flip_paid_only();
        grid_->stop(k);
        return true;
    }
    if (k.is(ui::KeyCode::kLeft) || k.is(ui::KeyCode::kRight))
        status_for(std::clamp(grid_->column() + (k.is(ui::KeyCode::kLeft) ? -1 : 1), 0, 7));
    // In modes 1 and 3 the grid shows what the items hold: Enter on a column opens them.
    const int column = grid_->column();
    if (k.is(ui::KeyCode::kEnter) && !typed_mode(fill_mode(td_)) && column >= 1 && column <= 5) {
        column_ = column;
        row_ = source.position();
        open_items(column);
        return true;
    }
    // The total row is computed.
    const bool editing = k.is(ui::KeyCode::kEnter) || k.is_text();
    if (editing && (source.position() == kTotalRow || !typed_mode(fill_mode(td_)))) {
        s_.beep(300, 100);
        return true;
    }
    return false;
}

// The declaration as it now stands in the open declaration's values and working tables.
bool Form::take() {
    td_ = tax::Declaration();  // take_open adds the records to the lists it is given
    if (Status st = tax::take_open(d_, &td_); !st) {
        op_.notice(NoticeKind::kWarning, "", st.message());
        return false;
    }
    given_ = td_;
    return true;
}

// The person's items of the column's kind in the item editor over the lower part of the screen;
// the grid is rebuilt from them afterwards (FDE_LEAO through the recomputation). A jump key that
// ended the list ends the screen too.
void Form::open_items(int column) {
    const GridItems items = grid_items(column, fill_mode(td_));
    EditorPlace place{
        s_,
        op_,
        w_,
        d_,
        selic_,
        ui::Rect{area_.top + kGridTop, area_.left, area_.top + kRows - 1, area_.left + kCols - 1}};
    EditaOptions options;
    options.owner = monthly_items_owner(items.kind, holder_ ? std::string() : cpf_);
    const ui::Key k = EDITA(place, items.list, options);
    if (take()) {
        find_or_add_record();
        recompute(false);
    }
    const bool back =
        k.is(ui::KeyCode::kEsc) || k.is(ui::KeyCode::kTab) || k.is(ui::KeyCode::kTab, ui::kShift);
    rebuild_ = back;
    grid_->stop(back ? ui::Key::of(ui::KeyCode::kEnter) : k);
}

// The income type of modes 2 and 4, asked of the holder after the grid.
void Form::ask_type() {
    std::string type = td_.str("TIPO_PF").empty() ? "O" : td_.str("TIPO_PF");
    IncomeTypeUse use;
    use.mode = fill_mode(td_);
    use.nature = trim(td_.str("CODAT"));
    use.occupation = td_.str("CDPRO");
    std::vector<ui::Get> fields(1);
    fields[0].row = area_.top + kModeRow;
    fields[0].col = area_.left + kTypeField;
    fields[0].var = type;
    fields[0].picture = "!";
    fields[0].width = 1;
    fields[0].valid = [&] { return CHECK_LETRA(op_, type, use); };
    const ui::ReadResult r = ui::READ(s_, fields);
    if (r.escaped) return;
    td_.set("TIPO_PF", type);
    recompute(true);
    paint_totals();
}

ui::ReadResult Form::run() {
    ui::ReadResult result;
    result.last_key = ui::Key::of(ui::KeyCode::kEsc);
    if (!take()) return result;
    holder_ = item_ == 21;
    if (!holder_ && !choose_dependant()) return result;
    find_or_add_record();
    last_month_ = estate_last_month(td_);
    recompute(false);
    ui::Key last;
    do {
        rebuild_ = false;
        load_rows();
        paint_frame();
        ui::ArraySource source(rows_);
        ui::BrowseOptions options(ui::Rect{area_.top + kGridTop, area_.left,
                                           area_.top + kGridBottom, area_.left + kCols - 1});
        options.on_key = [this, &source](const ui::Key& k) { return on_key(k, source); };
        ui::Browser grid(s_, source, columns(source), options);
        grid_ = &grid;
        for (size_t k = 0; k < row_; ++k) s_.push_key(ui::Key::of(ui::KeyCode::kDown));
        row_ = 0;
        grid.go_column(column_);
        status_for(column_);
        last = grid.run();
        grid_ = nullptr;
    } while (rebuild_);
    const bool jumped = !last.is(ui::KeyCode::kEsc) && !last.is(ui::KeyCode::kTab) &&
                        !last.is(ui::KeyCode::kTab, ui::kShift);
    if (holder_ && typed_mode(fill_mode(td_)) && !jumped) ask_type();
    op_.status("");
    result.last_key = last;
    result.escaped = last.is(ui::KeyCode::kEsc);
    return result;
}

}  // namespace

bool CHECK_LETRA(Operator& op, std::string_view letter, const IncomeTypeUse& use) {
    const std::string l = trim(std::string(letter));
    if (use.item && l.empty()) return true;
    if (l != "T" && l != "O" && l != "A") {
        op.notice(NoticeKind::kWarning, "",
                  "O caracter " + l +
                      " digitado está errado\nPreencha com a letra T para Trabalho "
                      "autonomo\nPreencha com a letra A se o rendimento for Aluguel\nPreencha "
                      "com a letra O se Outros rendimentos");
        return false;
    }
    if (!use.item) {
        static const char* kLiberal[] = {"225", "226", "229", "241", "255"};
        const std::string code = trim(use.occupation);
        if (l == "T" && typed_mode(use.mode) && use.nature == "11" &&
            std::find(std::begin(kLiberal), std::end(kLiberal), code) != std::end(kLiberal))
            op.notice(NoticeKind::kWarning, "",
                      "Não deve ser preenchido aqui para Profisionais Liberais\nCom ocupação "
                      "código " +
                          code +
                          " como é esse contribuinte.\nUse o modo 1 ou 3, pois é preciso o CPF "
                          "do Beneficiário");
        return true;
    }
    const bool payer = !trim(use.payer_cpf).empty();
    const bool beneficiary = !trim(use.beneficiary_cpf).empty();
    if (l == "T") {
        if (!payer)
            op.notice(NoticeKind::kWarning, "",
                      "Para Trabalho Autônomo é necessário ter o CPF do pagador");
        return true;
    }
    const std::string word = l == "O" ? "outros" : "aluguel";
    if (payer)
        op.notice(NoticeKind::kWarning, "",
                  "Para " + word + " não é conveniente ter o CPF do pagador" +
                      (beneficiary ? "\ne nem preenchido o CPF do Beneficiário" : ""));
    else if (beneficiary)
        op.notice(NoticeKind::kWarning, "",
                  "Para " + word + " não é conveniente ter o CPF do Beneficiário");
    return true;
}

std::string grid_picture(std::string_view narrowest, Decimal largest) {
    bool from = false;
    for (const char* p : kPictures) {
        from = from || narrowest == p;
        if (!from) continue;
        const std::string shown = tax::picture_e(largest, std::string(p).substr(4));
        if (shown.find('*') == std::string::npos) return p;
    }
    return kPictures[2];
}

ui::ReadResult individuals_screen(EditorPlace& place, int item) {
    const ui::Rect area = place.area;
    if (area.width() < kCols || area.height() < kRows || (item != 21 && item != 22))
        throw std::logic_error("individuals screen: area too small or item unknown");
    return Form(place, item).run();
}

}  // namespace vorn::entry
