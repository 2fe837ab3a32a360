// Screen 9: a statement's matrix in the grid, recomputed and stored cell by cell.
#include "entry/statement_screen.h"

#include <optional>
#include <string>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "entry/gains_totals.h"
#include "entry/name_list.h"
#include "gains/statement.h"
#include "ui/browse.h"

namespace vorn::entry {
namespace {

constexpr const char* kAmount = "@Ez 999,999,999.99";
constexpr int kLabelWidth = 31, kMonthWidth = 14;  // three months beside the labels
constexpr const char* kComputed = "Os valores aqui são calculados. Não pode ser editado.";
constexpr const char* kNoDependants = "Sem dependentes para usar essa opção";

char kind_of(int item) {
    switch ((item - 91) % 3) {
        case 0:
            return gains::kCommon;
        case 1:
            return gains::kDayTrade;
        default:
            return gains::kFund;
    }
}

std::string title_of(char kind) {
    return kind == gains::kCommon     ? "RENDA VARIÁVEL - OPERAÇÕES COMUNS"
           : kind == gains::kDayTrade ? "RENDA VARIÁVEL - OPERAÇÕES DAY-TRADE"
                                      : "RENDA VARIÁVEL - FUNDOS DE INVESTIMENTO IMOBILIÁRIO";
}

// The dependant whose statement is shown: the only one, or the one chosen; nullopt when there is
// none or the operator chose none.
std::optional<std::pair<std::string, std::string>> choose_dependant(EditorPlace& p) {
    std::vector<store::Record> people;
    if (Status s = p.d.working_records(3, &people); !s) {
        p.op.notice(NoticeKind::kError, "", s.message());
        return std::nullopt;
    }
    std::vector<std::pair<std::string, std::string>> found;  // CPF, name
    for (const store::Record& r : people)
        if (r.num("CODIDEPEN") < Decimal(98) && !trim(r.str("CPFDEPEN")).empty())
            found.emplace_back(trim(r.str("CPFDEPEN")), trim(r.str("NOMEDEPEN")));
    if (found.empty()) {
        p.op.notice(NoticeKind::kInformation, "", kNoDependants);
        return std::nullopt;
    }
    if (found.size() == 1) return found.front();
    std::vector<std::string> names;
    for (const auto& [cpf, name] : found) names.push_back(cpf + " " + name);
    const std::optional<size_t> k =
        choose_name(p.screen, p.op, names, "Renda variável do dependente", "CPF         Nome",
                    "Enter escolhe o dependente  Esc volta");
    if (!k) return std::nullopt;
    return found.at(*k);
}

class StatementGrid {
  public:
    StatementGrid(EditorPlace& p, char kind, std::string dependant, std::string name)
        : p_(p), kind_(kind), dependant_(std::move(dependant)), name_(std::move(name)) {}
    ui::Key run();

  private:
    void fill_rows();
    bool put(int month, Decimal v);

    EditorPlace& p_;
    char kind_;
    std::string dependant_, name_;
    gains::Statement st_;
    std::vector<std::vector<ui::Value>> rows_;
    int line_ = 0;  // the line of the cell being typed
};

void StatementGrid::fill_rows() {
    rows_.resize(static_cast<size_t>(st_.size()));
    for (int l = 1; l <= st_.size(); ++l) {
        std::vector<ui::Value>& row = rows_[static_cast<size_t>(l - 1)];
        row.assign(1, st_.labels.at(static_cast<size_t>(l - 1)));
        for (int m = 1; m <= 12; ++m) row.push_back(st_.at(l, m));
    }
}

// A typed cell: only where the operator types; the statement computed again and stored.
bool StatementGrid::put(int month, Decimal v) {
    std::vector<store::Record> all;
    Status s = p_.d.working_records(7, &all);
    if (!s) {
        p_.op.notice(NoticeKind::kError, "", s.message());
        return false;
    }
    const int line = line_;
    if (!gains::entered(kind_, line, month)) {
        p_.op.notice(NoticeKind::kWarning, "", kComputed);
        return false;
    }
    const bool had_gains = !all.empty();
    st_.at(line, month) = v.round(2);
    gains::SOMA_RENVAR(st_);
    gains::GRAVA_RV(st_, p_.d.cpf(), all);
    if (s = p_.d.replace_working(7, all); !s) {
        p_.op.notice(NoticeKind::kError, "", s.message());
        return false;
    }
    recompute_gains_totals(p_, had_gains);
    fill_rows();
    return true;
}

ui::Key StatementGrid::run() {
    std::vector<store::Record> all;
    if (Status s = p_.d.working_records(7, &all); !s)
        p_.op.notice(NoticeKind::kError, "", s.message());
    gains::PRENCHE_MAT(st_, kind_, dependant_, all);
    fill_rows();
    const ui::Rect a = p_.area;
    p_.screen.fill(a, {U' ', p_.screen.colours.standard});
    std::string title = title_of(kind_);
    if (!dependant_.empty()) title += " - " + name_;
    p_.screen.write(a.top, a.left, pad_center(title, static_cast<size_t>(a.width())),
                    p_.screen.colours.standard);
    ui::ArraySource source(rows_);
    std::vector<ui::BrowseColumn> columns;
    columns.push_back(ui::array_column(source, 0, "Linha", "", kLabelWidth));
    columns.back().put = nullptr;
    for (int m = 1; m <= 12; ++m) {
        ui::BrowseColumn c = ui::array_column(source, static_cast<size_t>(m), trim(TRAZ_MES(m)),
                                              kAmount, kMonthWidth);
        c.put = [this, &source, m](const ui::Value& v) {
            line_ = static_cast<int>(source.position()) + 1;
            return put(m, std::get<Decimal>(v));
        };
        columns.push_back(std::move(c));
    }
    ui::BrowseOptions options(ui::Rect{a.top + 1, a.left, a.bottom, a.right});
    ui::Browser* running = nullptr;
    // Computed cells are not opened for typing.
    options.on_key = [&](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEnter) && !k.is_text()) return false;
        const int month = running->column();
        const int line = static_cast<int>(source.position()) + 1;
        if (month < 1 || gains::entered(kind_, line, month)) return false;
        p_.op.notice(NoticeKind::kWarning, "", kComputed);
        return true;
    };
    ui::Browser grid(p_.screen, source, columns, options);
    running = &grid;
    grid.go_column(1);
    return grid.run();
}

}  // namespace

ui::Key statement_screen(EditorPlace& place, int item) {
    if (item < 91 || item > 96) item = 91;
    std::string dependant, name;
    if (item >= 94) {
        const auto chosen = choose_dependant(place);
        if (!chosen) return ui::Key::of(ui::KeyCode::kEsc);
        dependant = chosen->first;
        name = chosen->second;
    }
    return StatementGrid(place, kind_of(item), dependant, name).run();
}

}  // namespace vorn::entry
