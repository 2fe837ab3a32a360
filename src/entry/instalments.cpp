// The instalments window of a capital gain: a grid of the twelve months over its monthly fields.
#include "entry/instalments.h"

#include <string>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "entry/calculator.h"
#include "gains/gain.h"
#include "ui/browse.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr const char* kTitle = "Parcelas recebidas - Tab confirma  Esc abandona";
constexpr const char* kMoney = "@Ez 999,999,999.99";

// A column of the grid: the monthly field (two-digit month appended), its header and picture.
struct MonthField {
    const char* field;
    const char* header;
    const char* picture;
    int width;
};

const MonthField kDay = {"DIA_REC", "Dia", "@z 99", 3};
const MonthField kReceived = {"REC_MES", "Valor", kMoney, 14};
const MonthField kBrokerage = {"VAL_COR", "Corretagem", kMoney, 14};
const MonthField kReinvested = {"VAL_A31", "Aplic. imóvel", kMoney, 14};
const MonthField kWithheld = {"IMP_LEI", "IR retido", kMoney, 14};
const MonthField kPaid = {"IMP_PAG", "Imposto pago", kMoney, 14};
const MonthField kDollars = {"REC_USA", "US$ recebido", kMoney, 14};
const MonthField kRate = {"VAL_USA", "Cotação", "@Ez 99,999.9999", 11};

std::vector<MonthField> fields_of(const store::Record& g) {
    const int kind = static_cast<int>(g.num("TIPO_BEM").whole());
    const bool abroad = trim(g.str("BEMBRASIL")) == "N";
    std::vector<MonthField> out = {kDay};
    if (kind == gains::kMovable && abroad) {
        out.insert(out.end(), {kDollars, kRate, kBrokerage, kWithheld, kPaid});
        return out;
    }
    out.insert(out.end(), {kReceived, kBrokerage});
    if (kind == gains::kRealEstate) out.push_back(kReinvested);
    if (kind == gains::kShares) out.push_back(kWithheld);
    out.push_back(kPaid);
    return out;
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

bool instalments_window(ui::Screen& s, Operator& op, store::Record& gain) {
    ScreenKeysAtRest keys(s);
    const std::vector<MonthField> fields = fields_of(gain);
    std::vector<std::vector<ui::Value>> rows;
    for (int m = 1; m <= 12; ++m) {
        std::vector<ui::Value> row = {TRAZ_MES(m)};
        for (const MonthField& f : fields) row.push_back(gain.num(f.field + two(m)));
        rows.push_back(std::move(row));
    }
    ui::ArraySource source(rows);
    auto win = ui::LDLGSHOW(s, 4, 1, 21, 78, kTitle);
    const ui::Rect in = win->client();
    std::vector<ui::BrowseColumn> columns;
    columns.push_back(ui::array_column(source, 0, " Mês ", "", 10));
    columns.back().put = nullptr;
    for (size_t k = 0; k < fields.size(); ++k) {
        const MonthField f = fields[k];
        ui::BrowseColumn c = ui::array_column(source, k + 1, f.header, f.picture, f.width);
        const bool day = std::string(f.field) == kDay.field;
        c.valid = [&op, &source, day](ui::Value& v) {
            const Decimal typed = std::get<Decimal>(v);
            if (typed.is_negative()) {
                op.notice(NoticeKind::kWarning, "", "O valor não pode ser negativo.");
                return false;
            }
            if (!day || typed.is_zero()) return true;
            const int month = static_cast<int>(source.position()) + 1;
            if (typed.whole() <= Date::days_in_month(gains::kBaseYear, month)) return true;
            op.notice(NoticeKind::kWarning, "", "Dia inválido para o mês");
            return false;
        };
        columns.push_back(std::move(c));
    }
    bool keep = false;
    ui::Browser* running = nullptr;
    ui::BrowseOptions options(ui::Rect{in.top, in.left, in.bottom, in.right});
    options.on_key = [&](const ui::Key& k) {
        if (k.is(ui::KeyCode::kTab) || k.is(ui::KeyCode::kEnter, ui::kCtrl)) {
            keep = true;
            running->stop(k);
            return true;
        }
        return false;
    };
    ui::Browser grid(s, source, columns, options);
    running = &grid;
    grid.go_column(1);
    grid.run();
    ui::LDLGCLOSE(s);
    if (!keep) return false;
    for (int m = 1; m <= 12; ++m)
        for (size_t k = 0; k < fields.size(); ++k)
            gain.set(fields[k].field + two(m),
                     std::get<Decimal>(rows[static_cast<size_t>(m - 1)][k + 1]));
    return true;
}

}  // namespace vorn::entry
