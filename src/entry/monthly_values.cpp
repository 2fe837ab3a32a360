// The monthly values window (R$ and US$ month by month) and the estate's month limit.
#include "entry/monthly_values.h"

#include <string>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "entry/calculator.h"
#include "tax/year.h"
#include "ui/browse.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr const char* kTitle = "Valores Mensais - Alt B busca valor - Alt L Libera a Coluna Dolar";
constexpr const char* kAmount = "@Ez 999,999,999.99";
constexpr const char* kNegative = "O valor não pode ser negativo.";
// Columns of a row: the month's name, R$, US$.
constexpr size_t kReais = 1, kDollars = 2;
constexpr size_t kTotalRow = 12;

Decimal cents(Decimal v) {
    return DESPREZA(v, 20);
}

}  // namespace

int estate_last_month(const tax::Declaration& d) {
    if (!d.is_final()) return 12;
    const Date partition = d.date("DataParti");
    if (partition.blank() || partition.year() != tax::kCalendarYear) return 12;
    return partition.month();
}

bool month_within_estate(Operator& op, int month, int last_month) {
    if (month <= last_month) return true;
    op.notice(NoticeKind::kWarning, "",
              "Em declaração Final de Espólio o limite de recebimentos\nou pagamentos é o mês " +
                  tax::two_digits(last_month) + " - " + trim(TRAZ_MES(last_month)));
    return false;
}

Decimal reais_to_dollars(Decimal reais, int month) {
    return cents(reais / tax::TAB_DOLAR.at(static_cast<size_t>(month - 1)));
}

Decimal dollars_to_reais(Decimal dollars, int month) {
    return cents(dollars * tax::TAB_DOLAR.at(static_cast<size_t>(month - 1)));
}

std::optional<Decimal> VALORES_MENSAIS(ui::Screen& s, Operator& op, std::array<Decimal, 12>& reais,
                                       int last_month, const MonthCheck& check) {
    ScreenKeysAtRest keys(s);
    std::vector<std::vector<ui::Value>> rows;
    for (int m = 1; m <= 13; ++m) {
        const Decimal r = m <= 12 ? reais[static_cast<size_t>(m - 1)] : Decimal();
        rows.push_back({TRAZ_MES(m), r, m <= 12 ? reais_to_dollars(r, m) : Decimal()});
    }
    auto total = [&] {
        Decimal r, d;
        for (size_t m = 0; m < kTotalRow; ++m) {
            r += std::get<Decimal>(rows[m][kReais]);
            d += std::get<Decimal>(rows[m][kDollars]);
        }
        rows[kTotalRow][kReais] = r;
        rows[kTotalRow][kDollars] = d;
    };
    total();
    ui::ArraySource source(rows);
    bool dollars_free = false;
    auto win = ui::LDLGSHOW(s, 3, 5, 21, 74, kTitle);
    const ui::Rect in = win->client();
    win->say(in.height() - 1, 13, "Enter altera  Tab confirma  Esc abandona");
    // A month's cell: never negative, never after the estate's last month; the other currency
    // follows.
    auto month_column = [&](size_t index, std::string header) {
        ui::BrowseColumn c = ui::array_column(source, index, std::move(header), kAmount, 15);
        c.valid = [&, index](ui::Value& v) {
            const Decimal typed = std::get<Decimal>(v).round(2);
            if (typed.is_negative()) {
                op.notice(NoticeKind::kWarning, "", kNegative);
                return false;
            }
            const size_t row = source.position();
            if (!check || row >= kTotalRow) return true;
            const int month = static_cast<int>(row) + 1;
            return check(month, index == kReais ? typed : dollars_to_reais(typed, month));
        };
        c.put = [&, index](const ui::Value& v) {
            const size_t row = source.position();
            const int month = static_cast<int>(row) + 1;
            if (row >= kTotalRow || (index == kDollars && !dollars_free) ||
                !month_within_estate(op, month, last_month))
                return false;
            const Decimal typed = std::get<Decimal>(v).round(2);
            rows[row][index] = typed;
            rows[row][index == kReais ? kDollars : kReais] =
                index == kReais ? reais_to_dollars(typed, month) : dollars_to_reais(typed, month);
            total();
            return true;
        };
        return c;
    };
    std::vector<ui::BrowseColumn> columns;
    columns.push_back(ui::array_column(source, 0, " Mês ", "", 12));
    columns.back().put = nullptr;
    columns.push_back(month_column(kReais, " R$ REAL  "));
    columns.push_back(month_column(kDollars, " US$ DOLAR  "));
    bool keep = false;
    ui::BrowseOptions options(ui::Rect{in.top, in.left + 11, in.bottom - 2, in.right - 11});
    ui::Browser* running = nullptr;
    options.on_key = [&](const ui::Key& k) {
        if (k.is(ui::KeyCode::kTab) || k.is(ui::KeyCode::kEnter, ui::kCtrl)) {
            keep = true;
            running->stop(k);
            return true;
        }
        if (k == ui::Key::alt('L')) {
            dollars_free = true;
            return true;
        }
        if (k == ui::Key::alt('B')) {
            const size_t row = source.position();
            if (row == 0 || row >= kTotalRow) return true;
            const ui::Value above = rows[row - 1][kReais];
            columns[kReais].put(above);
            return true;
        }
        // The total row is the sum of the months: nothing is typed there.
        if (source.position() == kTotalRow && (k.is(ui::KeyCode::kEnter) || k.is_text())) {
            s.beep(300, 100);
            return true;
        }
        return false;
    };
    ui::Browser grid(s, source, columns, options);
    running = &grid;
    grid.go_column(static_cast<int>(kReais));
    grid.run();
    ui::LDLGCLOSE(s);
    if (!keep) return std::nullopt;
    for (size_t m = 0; m < kTotalRow; ++m) reais[m] = std::get<Decimal>(rows[m][kReais]);
    return std::get<Decimal>(rows[kTotalRow][kReais]);
}

}  // namespace vorn::entry
