// The revenue and expenses of the activity in Brazil: the entry mode on the first row (Alt+A
// switches it), then either the twelve months typed as totals (a table of fields) or the
// cash-book entries in the item editor, whose months the computation totals.
#include "base/text.h"
#include "entry/item_lists.h"
#include "entry/rural_form.h"
#include "rural/result.h"
#include "tax/annual.h"

namespace vorn::entry {
namespace {

constexpr const char* kAmount = "@E 999,999,999.99";
constexpr const char* kShown = "999,999,999.99";
constexpr int kReceipts = 20, kExpenses = 40;

class Months : public RecordForm<Months> {
  public:
    explicit Months(RuralPlace& r) : RecordForm(r, "receitas e despesas") {}
    ui::ReadResult run();

    bool not_negative();
    void kept() { paint(); }

  private:
    void paint();
};

using M = Months;

const LayoutRow<Months> kLayout[] = {
    {2, kReceipts + 4, "Receitas", 0, "", ""},
    {2, kExpenses + 4, "Despesas", 0, "", ""},
    {3, 1, "Janeiro", kReceipts, "I3_01OR", kAmount, &M::not_negative},
    {3, 0, "", kExpenses, "I3_01OD", kAmount, &M::not_negative},
    {4, 1, "Fevereiro", kReceipts, "I3_02OR", kAmount, &M::not_negative},
    {4, 0, "", kExpenses, "I3_02OD", kAmount, &M::not_negative},
    {5, 1, "Março", kReceipts, "I3_03OR", kAmount, &M::not_negative},
    {5, 0, "", kExpenses, "I3_03OD", kAmount, &M::not_negative},
    {6, 1, "Abril", kReceipts, "I3_04OR", kAmount, &M::not_negative},
    {6, 0, "", kExpenses, "I3_04OD", kAmount, &M::not_negative},
    {7, 1, "Maio", kReceipts, "I3_05OR", kAmount, &M::not_negative},
    {7, 0, "", kExpenses, "I3_05OD", kAmount, &M::not_negative},
    {8, 1, "Junho", kReceipts, "I3_06OR", kAmount, &M::not_negative},
    {8, 0, "", kExpenses, "I3_06OD", kAmount, &M::not_negative},
    {9, 1, "Julho", kReceipts, "I3_07OR", kAmount, &M::not_negative},
    {9, 0, "", kExpenses, "I3_07OD", kAmount, &M::not_negative},
    {10, 1, "Agosto", kReceipts, "I3_08OR", kAmount, &M::not_negative},
    {10, 0, "", kExpenses, "I3_08OD", kAmount, &M::not_negative},
    {11, 1, "Setembro", kReceipts, "I3_09OR", kAmount, &M::not_negative},
    {11, 0, "", kExpenses, "I3_09OD", kAmount, &M::not_negative},
    {12, 1, "Outubro", kReceipts, "I3_10OR", kAmount, &M::not_negative},
    {12, 0, "", kExpenses, "I3_10OD", kAmount, &M::not_negative},
    {13, 1, "Novembro", kReceipts, "I3_11OR", kAmount, &M::not_negative},
    {13, 0, "", kExpenses, "I3_11OD", kAmount, &M::not_negative},
    {14, 1, "Dezembro", kReceipts, "I3_12OR", kAmount, &M::not_negative},
    {14, 0, "", kExpenses, "I3_12OD", kAmount, &M::not_negative},
};

bool Months::not_negative() {
    ui::FieldEditor* f = s_.active_field();
    if (f == nullptr || !std::get<Decimal>(v(f->get().name)).is_negative()) return true;
    return refuse({"O valor não pode ser negativo."});
}

void Months::paint() {
    label(16, 1, "Total");
    label(16, kReceipts, tax::picture_e(rec_.num("I4R_01"), kShown));
    label(16, kExpenses, tax::picture_e(rec_.num("I4R_02"), kShown));
    label(17, 1, "Resultado");
    label(17, kExpenses, tax::picture_e(rec_.num("I4R_03"), kShown));
}

ui::ReadResult Months::run() {
    if (!load()) return {};
    paint();
    return read(kLayout);
}

// The first row: the entry mode as a button and how to switch it.
void paint_mode(RuralPlace& r, int mode) {
    ui::Screen& s = r.place.screen;
    const ui::Rect a = r.place.area;
    s.fill({a.top, a.left, a.top + 1, a.right}, {U' ', s.colours.standard});
    s.write(a.top, a.left + 1, "RECEITAS E DESPESAS DA ATIVIDADE RURAL - BRASIL",
            s.colours.standard);
    s.write(a.top, a.left + 50, "[" + entry_mode_caption(mode) + "]", s.colours.standard);
    s.write(a.top, a.left + 63, "Alt A=Muda", s.colours.standard);
}

}  // namespace

ScreenFields rural_months_fields() {
    return screen_fields("receitas e despesas", kRuralResultTable, kLayout);
}

ui::Key rural_book_screen(RuralPlace& r) {
    ui::Screen& s = r.place.screen;
    for (;;) {
        store::Record rec;
        if (Status st = rural_result(r.place.d, false, &rec); !st) {
            r.place.op.notice(NoticeKind::kWarning, "", st.message());
            return ui::Key::of(ui::KeyCode::kEsc);
        }
        const int mode = static_cast<int>(rec.num("TIPO_LANCA").whole());
        s.fill(r.place.area, {U' ', s.colours.standard});
        paint_mode(r, mode);
        bool switched = false;
        auto bindings = s.bindings();
        s.bind(ui::Key::alt('A'), [&] {
            switched = true;
            s.end_input();
        });
        ui::Key last;
        if (mode == rural::kTotalsOnly) {
            RuralPlace brazil{r.place, false, r.install};
            last = Months(brazil).run().last_key;
        } else {
            // The entries below the mode's row.
            EditorPlace below = r.place;
            below.area.top += 2;
            EditaOptions o;
            o.owner = kBrazil;
            last = EDITA(below, kCashBookList, o);
        }
        s.set_bindings(bindings);
        if (!switched) return last;
        MUDARURAL(r.place);
    }
}

}  // namespace vorn::entry
