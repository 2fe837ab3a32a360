// Screen 8: the browser of a person's gains of one kind.
#include "entry/gains_screen.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "entry/gain_window.h"
#include "entry/gains_totals.h"
#include "entry/hints.h"
#include "gains/checks.h"
#include "gains/gain.h"
#include "tax/open_computation.h"
#include "ui/browse.h"

namespace vorn::entry {
namespace {

constexpr const char* kMoney = "@E 999,999,999.99";
constexpr const char* kDeleteGain = "Confirma a Exclusão desse ganho?";

int kind_of(int item) {
    switch ((item - 81) % 4) {
        case 0:
            return gains::kRealEstate;
        case 1:
            return gains::kMovable;
        case 2:
            return gains::kShares;
        default:
            return gains::kCash;
    }
}

std::string title_of(int kind, bool abroad, bool dependant) {
    std::string t = kind == gains::kRealEstate ? "GANHO DE CAPITAL - IMÓVEIS"
                    : kind == gains::kMovable  ? (abroad ? "GANHO DE CAPITAL - MÓVEIS NO EXTERIOR"
                                                         : "GANHO DE CAPITAL - MÓVEIS NO BRASIL")
                    : kind == gains::kShares   ? "GANHO DE CAPITAL - PARTICIPAÇÕES SOCIETÁRIAS"
                                               : "GANHO DE CAPITAL - MOEDA ESTRANGEIRA";
    return dependant ? t + " - DEPENDENTES" : t;
}

// What the computation needs from the declaration beside the gain: residence, the dates of the
// last reinvestment and property sale, the properties among the assets, the estate's division.

class Browser8 {
  public:
    Browser8(EditorPlace& p, int item, bool abroad)
        : p_(p),
          kind_(kind_of(item)),
          abroad_(kind_ == gains::kMovable && abroad),
          dependant_(item >= 85) {}
    ui::Key run();

  private:
    void load();
    bool mine(const store::Record& g) const;
    bool open(bool is_new);
    bool remove();

    EditorPlace& p_;
    int kind_;
    bool abroad_, dependant_;
    tax::Declaration td_;
    std::vector<store::Record> gains_;  // the person's gains of this kind, as stored
    std::vector<std::vector<ui::Value>> rows_;
    ui::ArraySource* source_ = nullptr;
};

bool Browser8::mine(const store::Record& g) const {
    if (g.deleted || g.num("TIPO_BEM") != Decimal(kind_) || g.num("BEM_NRO").is_zero())
        return false;
    if (kind_ == gains::kMovable && (trim(g.str("BEMBRASIL")) == "N") != abroad_) return false;
    const std::string seller = trim(g.str("CPFALIEN"));
    const bool holder = seller.empty() || seller == p_.d.cpf();
    return dependant_ != holder;
}

void Browser8::load() {
    if (Status s = tax::take_open(p_.d, &td_); !s)
        p_.op.notice(NoticeKind::kError, "", s.message());
    std::vector<store::Record> all;
    if (Status s = p_.d.working_records(7, &all); !s)
        p_.op.notice(NoticeKind::kError, "", s.message());
    gains_.clear();
    rows_.clear();
    for (store::Record& g : all) {
        if (!mine(g)) continue;
        std::vector<ui::Value> row = {g.num("BEM_NRO"),   pad_right(g.str("ESPC_BEM"), 30),
                                      g.date("DATA_ALI"), g.num("VAL_ALI"),
                                      g.num("VAL_TRIBU"), g.num("VAL_IMPOSV")};
        if (dependant_) row.insert(row.begin() + 1, pad_right(g.str("CPFALIEN"), 11));
        rows_.push_back(std::move(row));
        gains_.push_back(std::move(g));
    }
}

bool Browser8::open(bool is_new) {
    store::Record g;
    if (is_new) {
        std::vector<store::Record> all;
        if (Status s = p_.d.working_records(7, &all); !s) {
            p_.op.notice(NoticeKind::kError, "", s.message());
            return false;
        }
        const int number = gains::next_gain_number(all, p_.op);
        if (number == 0) return false;
        g = store::Record(p_.d.working(7)->layout_ptr());
        g.set("CPF", p_.d.cpf());
        g.set("BEM_NRO", Decimal(number));
        g.set("TIPO_BEM", Decimal(kind_));
        g.set("BEMBRASIL", abroad_ ? "N" : "S");
        if (!dependant_) g.set("CPFALIEN", p_.d.cpf());
    } else {
        if (gains_.empty()) return false;
        g = gains_.at(source_->position());
    }
    load();
    return gain_window(p_, td_, std::move(g), is_new, dependant_);
}

bool Browser8::remove() {
    if (gains_.empty()) return false;
    const Decimal number = gains_.at(source_->position()).num("BEM_NRO");
    if (!p_.op.yes_no("", kDeleteGain, false)) return false;
    std::vector<store::Record> gains7, costs8;
    Status s = p_.d.working_records(7, &gains7);
    if (s) s = p_.d.working_records(8, &costs8);
    if (s) {
        std::erase_if(gains7, [&](const store::Record& r) {
            return r.num("TIPO_BEM") != Decimal(gains::kVariableIncome) &&
                   r.num("BEM_NRO") == number;
        });
        std::erase_if(costs8, [&](const store::Record& r) { return r.num("BEM_NRO") == number; });
        s = p_.d.replace_working(7, gains7);
    }
    if (s) s = p_.d.replace_working(8, costs8);
    if (!s) {
        p_.op.notice(NoticeKind::kError, "", s.message());
        return false;
    }
    recompute_gains_totals(p_, true);
    return true;
}

ui::Key Browser8::run() {
    const ui::Rect a = p_.area;
    p_.screen.fill(a, {U' ', p_.screen.colours.standard});
    p_.screen.write(
        a.top, a.left,
        pad_center(title_of(kind_, abroad_, dependant_), static_cast<size_t>(a.width())),
        p_.screen.colours.standard);
    FooterHint hint(p_.screen, entry::hint(13));
    load();
    ui::ArraySource source(rows_);
    source_ = &source;
    std::vector<ui::BrowseColumn> columns;
    size_t c = 0;
    auto column = [&](std::string header, std::string picture, int width) {
        columns.push_back(
            ui::array_column(source, c++, std::move(header), std::move(picture), width));
        columns.back().put = nullptr;
    };
    column("Nº", "99", 3);
    if (dependant_) column("CPF", "@r 999.999.999-99", 14);
    column("Descrição do bem", "", dependant_ ? 16 : 30);
    column("Venda", "@d", 10);
    column("Valor alienação", kMoney, 14);
    column("Ganho tributável", kMoney, 16);
    column("Imposto", "@E 99,999,999.99", 13);
    ui::BrowseOptions options(ui::Rect{a.top + 1, a.left, a.bottom, a.right});
    ui::Browser* running = nullptr;
    auto reread = [&] {
        const size_t at = source.position();
        load();
        source.go_to(at);
        running->fit_rows();
    };
    options.on_insert = [&] {
        if (open(true)) source.go_bottom();
        reread();
        return true;
    };
    options.on_delete = [&] {
        remove();
        reread();
        return true;
    };
    options.on_key = [&](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEnter)) return false;
        open(false);
        reread();
        running->refresh();
        return true;
    };
    ui::Browser grid(p_.screen, source, columns, options);
    running = &grid;
    return grid.run();
}

}  // namespace

ui::Key gains_screen(EditorPlace& place, int item, bool abroad) {
    if (item < 81 || item > 88) item = 81;
    return Browser8(place, item, abroad).run();
}

}  // namespace vorn::entry
