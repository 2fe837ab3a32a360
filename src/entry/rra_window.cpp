// The RRA item's window, laid out as rows of label, field, picture and check, over the item as
// the computation holds it so that the option, the age-65 portion and the tax see every item.
#include "entry/rra_window.h"

#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/validate.h"
#include "entry/item_lists.h"
#include "entry/layout.h"
#include "tax/open_computation.h"
#include "tax/rra.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::entry {
namespace {

constexpr int kItems = 2;
constexpr const char* kMoney = "@Ez 999,999,999.99";

class Window {
  public:
    Window(EditorPlace& p, store::Table& t, bool dependant)
        : p_(p), t_(t), dependant_(dependant), c_{d_, p.op, p.screen.clock(), p.selic} {}
    bool run();

    // The fields' checks; each leaves the item computed.
    bool not_negative(const char* field) {
        if (num(field).is_negative()) return refuse("O valor não pode ser negativo.");
        return take(field);
    }
    bool income() { return not_negative("I1_4") && computed(); }
    bool security() { return not_negative("I1_6") && computed(); }
    bool withheld() { return not_negative("I1_5"); }
    bool interest() { return not_negative("I1_42"); }
    bool alimony() {
        if (!not_negative("I1_12")) return false;
        if (num("I1_12").is_zero()) text("I1_22").clear();
        item().set("I1_22", trim(text("I1_22")));
        return computed();
    }
    bool has_alimony() { return !num("I1_12").is_zero(); }
    bool recipient() { return VAL_CPF(p_.op, trim(text("I1_22")), true) && take("I1_22"); }
    bool payer() {
        std::string typed = trim(text("I1_3"));
        if (!typed.empty() && !CPFCGC1(p_.op, typed, false)) return false;
        text("I1_3") = typed;
        return take("I1_3");
    }
    bool portion() {
        if (num("I1_17").is_negative()) return refuse("O valor não pode ser negativo.");
        if (!tax::VER_APOSRAA(c_, item(), num("I1_17"), 1)) return false;
        return shown();
    }
    bool option() {
        if (!tax::VERAA(c_, item(), trim(text("TIPOCR")), 1)) return false;
        if (item().num("I1_17").is_zero()) same_option();
        if (item().str("TIPOCR") != "N") num("I1_21") = Decimal();
        return shown();
    }
    bool exclusive() { return item().str("TIPOCR") == "N"; }
    bool month() {
        const std::string m = trim(text("I1_36"));
        if (!m.empty() && (m.size() != 2 || month_of() < 1 || month_of() > 12))
            return refuse("O mês do recebimento vai de 01 a 12.");
        return take("I1_36") && computed();
    }
    bool months() {
        if (num("I1_21").is_negative()) return refuse("O valor não pode ser negativo.");
        return take("I1_21") && computed();
    }
    bool dependant() { return dependant_cpf_valid(p_.op, d_, trim(text("I1_8"))) && take("I1_8"); }

  private:
    store::Record& item() { return d_.items.at(index_); }
    std::string& text(const std::string& f) { return std::get<std::string>(values_.at(f)); }
    Decimal& num(const std::string& f) { return std::get<Decimal>(values_.at(f)); }
    bool refuse(const std::string& message) {
        p_.op.notice(NoticeKind::kError, "", message);
        return false;
    }
    int month_of() {
        const std::string m = trim(text("I1_36"));
        if (m.empty() || m.find_first_not_of("0123456789") != std::string::npos) return 0;
        return std::stoi(m);
    }
    // The value typed into the item.
    bool take(const std::string& f) {
        item().set_value(item().layout().index(f), column_value(column(f), values_.at(f)));
        return true;
    }
    // The item's income taxed and tax due, as far as what is typed allows.
    bool computed() {
        tax::CALC_RAA(c_, item(), 1, 0, month_of());
        return shown();
    }
    bool shown();
    void same_option();
    // Completed: an item taxed exclusively needs its month of receipt and its number of months.
    bool whole();
    static const store::FieldDef& column(std::string_view name) {
        return screen_column({kItems}, name, "RRA");
    }

    EditorPlace& p_;
    store::Table& t_;
    bool dependant_;
    tax::Declaration d_;
    tax::Context c_;
    size_t index_ = 0;
    ui::Rect client_{};
    std::map<std::string, ui::Value> values_;
};

struct Row {
    int row, col;
    const char* label;
    int at;
    const char* field;
    const char* picture;
    bool (Window::*valid)() = nullptr;
    bool (Window::*when)() = nullptr;
};

const Row kLayout[] = {
    {0, 1, " Rendimentos ", 20, "I1_4", kMoney, &Window::income},
    {1, 1, " Previdência ", 20, "I1_6", kMoney, &Window::security},
    {2, 1, " IR retido fonte ", 20, "I1_5", kMoney, &Window::withheld},
    {3, 1, " CNPJ/CPF ", 20, "I1_3", "@!!!!!!!!!!!!!!!!!!", &Window::payer},
    {4, 1, " Pensão Judicial ", 20, "I1_12", kMoney, &Window::alimony},
    {5, 1, " CPF Alimentando ", 20, "I1_22", "@R 999.999.999-99", &Window::recipient,
     &Window::has_alimony},
    {6, 1, " P.Isenta 65 anos", 20, "I1_17", kMoney, &Window::portion},
    {7, 1, " Juros Recebidos ", 20, "I1_42", kMoney, &Window::interest},
    {9, 1, " Ajuste Anual   Exclus.Fonte   ", 33, "TIPOCR", "@!", &Window::option},
    {10, 1, " Mês recebimento ", 20, "I1_36", "99", &Window::month},
    {11, 1, " Quant. de meses ", 20, "I1_21", "@Z 999.9", &Window::months, &Window::exclusive},
};

constexpr int kTotalRow = 8, kTaxRow = 12, kDependantRow = 13;

bool Window::shown() {
    auto paint = [&](int row, const char* label, Decimal v) {
        const std::string line = std::string(label) + tax::picture_e(v, "999,999,999.99", true);
        p_.screen.write(client_.top + row, client_.left + 1, pad_right(line, 40),
                        p_.screen.colours.standard);
    };
    paint(kTotalRow, " Total Tributado    ", item().num("I1_25"));
    paint(kTaxRow, " Imposto Devido     ", item().num("I1_20"));
    // The letter of the other option under "Exclus.Fonte".
    const std::string o = item().str("TIPOCR");
    p_.screen.write(client_.top + 9, client_.left + 36,
                    o == "S"   ? "N"
                    : o == "N" ? "S"
                               : " ",
                    p_.screen.colours.standard);
    return true;
}

void Window::same_option() {
    int adjusted = 0, exclusive = 0;
    for (const store::Record& it : d_.items) {
        if (it.deleted || it.str("I1_1") != "A") continue;
        (it.str("TIPOCR") == "N" ? exclusive : adjusted)++;
    }
    if (adjusted > 0 && exclusive > 0)
        p_.op.notice(NoticeKind::kWarning, "",
                     "Atenção! Todos os lançamentos devem ter a mesma opção de tributação");
}

bool Window::whole() {
    if (!exclusive()) return true;
    if (month_of() < 1 || month_of() > 12)
        return refuse("É necessário informar o mês do recebimento");
    return tax::CALC_RAA(c_, item(), 1, 1, month_of()) && shown();
}

bool Window::run() {
    if (t_.eof()) return false;
    const uint32_t record = t_.recno();
    const ItemList& list = item_list(dependant_ ? kDependantsRra : 20);
    // The computation's view of the declaration: every item, the list's filter set aside.
    t_.set_filter(nullptr);
    Status taken = tax::take_open(p_.d, &d_);
    size_t index = 0;
    const size_t order = t_.order();
    t_.set_order(0);
    for (Status s = t_.go_top(); s && !t_.eof() && t_.recno() < record; s = t_.skip()) ++index;
    t_.set_order(order);
    t_.set_filter([keep = list.keep](const store::Table& t) { return keep(t, 0); });
    if (!t_.go_to(record) || !taken || index >= d_.items.size())
        return refuse(taken ? "A linha não está mais na lista." : taken.message());
    index_ = index;

    const int top = 4, left = 14, bottom = dependant_ ? 20 : 19, right = 66;
    auto window = ui::LDLGSHOW(p_.screen, top, left, bottom, right,
                               "Rendimento recebido acumuladamente - RRA");
    client_ = ui::Rect{top + 1, left + 1, bottom - 1, right - 1};
    std::vector<const Row*> rows;
    for (const Row& r : kLayout) rows.push_back(&r);
    const Row dependant_row{
        kDependantRow, 1, " CPF dependente ", 20, "I1_8", "@R 999.999.999-99", &Window::dependant};
    if (dependant_) rows.push_back(&dependant_row);
    std::vector<ui::Get> gets;
    for (const Row* r : rows)
        values_[r->field] = field_value(column(r->field), item().value(r->field));
    for (const Row* r : rows) {
        p_.screen.write(client_.top + r->row, client_.left + r->col, r->label,
                        p_.screen.colours.standard);
        ui::Get g = column_field(column(r->field), values_.at(r->field), r->picture);
        g.row = client_.top + r->row;
        g.col = client_.left + r->at;
        g.valid = [this, check = r->valid] { return (this->*check)(); };
        if (r->when) g.when = [this, when = r->when] { return (this->*when)(); };
        gets.push_back(std::move(g));
    }
    shown();
    p_.op.status("Esc abandona sem gravar");
    bool written = false;
    while (true) {
        const ui::ReadResult read = ui::READ(p_.screen, gets);
        if (read.escaped || read.last_key.is(ui::KeyCode::kEsc)) break;
        if (!whole()) continue;
        if (!t_.go_to(record) || t_.eof()) {
            refuse("A linha não está mais na lista.");
            break;
        }
        p_.w.select(20 + kItems);
        if (!store::REC_LOCK(p_.w, 5)) continue;
        Status s = t_.put(item());
        Status u = t_.unlock();
        if (!s || !u) {
            refuse((s ? u : s).message());
            break;
        }
        written = true;
        break;
    }
    ui::LDLGCLOSE(p_.screen);
    return written;
}

}  // namespace

bool RRA_window(EditorPlace& place, store::Table& t, bool dependant) {
    return Window(place, t, dependant).run();
}

}  // namespace vorn::entry
