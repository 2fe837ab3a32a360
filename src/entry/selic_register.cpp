// "Cadastro da Selic Mensal": typing the monthly SELIC rates into UFIRM.
#include "entry/selic_register.h"

#include <algorithm>
#include <vector>

#include "base/text.h"
#include "store/opening.h"
#include "ui/desktop.h"
#include "ui/field.h"

namespace vorn::entry {
namespace {

constexpr int kArea = 51;

// The window and its three fields, each a label and where its value is typed.
constexpr int kTop = 8, kLeft = 21, kBottom = 15, kRight = 58;
struct FieldPlace {
    int row, col;
    const char* label;
    int at;
    const char* picture;
};
constexpr FieldPlace kMonth{1, 3, "Mês .......:", 16, "99"};
constexpr FieldPlace kYear{2, 3, "Ano .......:", 16, "9999"};
constexpr FieldPlace kRate{3, 3, "Taxa (%) ..:", 16, "@E 999.99"};
constexpr const char* kHint = "Esc encerra";

std::string anomes(int year, int month) {
    return std::to_string(year) + (month < 10 ? "0" : "") + std::to_string(month);
}

// The record of a month in the table (record order: the table is short), or eof.
Status go_to_month(store::Table& t, const std::string& key) {
    t.set_order(0);
    Status s = t.go_top();
    for (; s && !t.eof(); s = t.skip())
        if (trim(t.str("ANOMES")) == key) break;
    return s;
}

}  // namespace

payments::InterestTable selic_of(store::Table& t) {
    std::vector<store::Record> rows;
    const size_t order = t.order();
    t.set_order(0);
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) {
        rows.emplace_back(t.layout_ptr());
        if (!t.read(rows.back())) rows.pop_back();
    }
    t.set_order(order);
    return payments::InterestTable::from_records(rows);
}

Status write_selic(store::WorkAreas& w, int year, int month, Decimal rate) {
    store::Table& t = *w.table(kArea);
    w.select(kArea);
    const std::string key = anomes(year, month);
    if (Status s = go_to_month(t, key); !s) return s;
    const bool append = t.eof();
    if (append ? !store::ADD_REC(w, 5) : !store::REC_LOCK(w, 5))
        return Status::locked("UFIRM: taxa de " + key + " não gravada");
    Status s = Status::ok();
    if (append) {
        s = t.replace(t.field("ANOMES"), key);
        if (s) s = t.replace(t.field("SIMB_MOED"), "R$");
    }
    if (s) s = t.replace(t.field("TJM"), rate);
    if (s) s = t.replace(t.field("MULTIPL"), Decimal(1) + rate / Decimal(100));
    Status u = t.unlock();
    return s ? u : s;
}

Status write_selic_months(store::WorkAreas& w,
                          const std::vector<std::pair<std::string, Decimal>>& rates) {
    for (const auto& [month, rate] : rates) {
        const bool digits =
            month.size() == 6 &&
            std::all_of(month.begin(), month.end(), [](char c) { return c >= '0' && c <= '9'; });
        const int mm = digits ? std::stoi(month.substr(4)) : 0;
        if (mm < 1 || mm > 12 || rate < Decimal())
            return Status::invalid("UFIRM: mês inválido " + month);
    }
    store::Table& t = *w.table(kArea);
    w.select(kArea);
    if (!store::FIL_LOCK(w, 5)) return Status::locked("UFIRM: taxas não gravadas");
    Status s = Status::ok();
    for (const auto& [month, rate] : rates) {
        if (s = go_to_month(t, month); !s) break;
        store::Record r(t.layout_ptr());
        if (!t.eof()) {
            if (s = t.read(r); !s) break;
        } else {
            r.set("ANOMES", month);
            r.set("SIMB_MOED", "R$");
        }
        r.set("TJM", rate);
        r.set("MULTIPL", Decimal(1) + rate / Decimal(100));
        if (s = t.eof() ? t.append(&r) : t.put(r); !s) break;
    }
    if (s) s = t.flush();
    Status u = t.unlock();
    return s ? u : s;
}

void selic_register(ui::Screen& screen, Operator& op, store::WorkAreas& w) {
    if (!store::ABERTURA(w, kArea)) return;
    store::Table& t = *w.table(kArea);
    const payments::InterestTable held = selic_of(t);
    int next = held.empty() ? payments::previous_month(payments::year_month(w.clock().today()))
                            : payments::next_month(held.last_month());
    auto dlg = ui::LDLGSHOW(screen, kTop, kLeft, kBottom, kRight, "Cadastro da Selic Mensal");
    for (const FieldPlace& f : {kMonth, kYear, kRate}) dlg->say(f.row, f.col, f.label);
    dlg->say(5, 3, kHint);
    for (;;) {
        Decimal month(next % 100), year(next / 100), rate;
        int shown = 0;  // the month whose stored rate the rate field holds
        auto month_valid = [&] {
            if (month >= Decimal(1) && month <= Decimal(12)) return true;
            op.notice(NoticeKind::kError, "", "Mês inválido");
            return false;
        };
        auto year_valid = [&] {
            if (year >= Decimal(2000) && year <= Decimal(2099)) {
                // A month the table has: its rate comes up to be changed.
                const int ym = static_cast<int>(year.whole() * 100 + month.whole());
                if (ym != shown) {
                    shown = ym;
                    rate = selic_of(t).rate(ym).value_or(Decimal());
                }
                return true;
            }
            op.notice(NoticeKind::kError, "", "Ano inválido");
            return false;
        };
        std::vector<ui::Get> f(3);
        auto place = [&](ui::Get& g, const FieldPlace& p, Decimal& v) {
            g.row = p.row, g.col = p.at, g.var = v, g.picture = p.picture;
        };
        place(f[0], kMonth, month);
        place(f[1], kYear, year);
        place(f[2], kRate, rate);
        f[0].valid = month_valid;
        f[1].valid = year_valid;
        const ui::ReadResult r = dlg->ReadModal(f);
        if (r.escaped) break;
        if (!month_valid() || !year_valid()) continue;
        const int y = static_cast<int>(year.whole()), m = static_cast<int>(month.whole());
        if (Status s = write_selic(w, y, m, rate); !s) {
            op.notice(NoticeKind::kError, "", s.message());
            continue;
        }
        next = payments::next_month(y * 100 + m);
    }
    ui::LDLGCLOSE(screen);
    w.close(kArea);
}

}  // namespace vorn::entry
