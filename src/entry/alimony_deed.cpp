// The recipient's deed or decision laid out as data: each row a label and the column it edits,
// with the check its value passes before it is written into the recipient's record.
#include "entry/alimony_deed.h"

#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/validate.h"
#include "entry/identification.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr int kPeople = 3;

class Deed {
  public:
    Deed(EditorPlace& p, uint32_t record) : p_(p), t_(*p.d.working(kPeople)), record_(record) {}
    bool run();

    bool yes_no(const char* field) {
        const std::string v = trim(text(field));
        return v.empty() || v == "S" || v == "N" || refuse("Digite S de sim ou N de não");
    }
    bool by_deed() { return yes_no("ESCRPAL"); }
    bool by_court() { return yes_no("DEJUDAL"); }
    bool notary() { return VAL_CGC(p_.op, trim(text("CARCNPJ")), false); }
    bool state(const char* field) {
        const std::string uf = trim(text(field));
        return uf.empty() || is_state(uf) || refuse("UF " + uf + " inválida.");
    }
    bool deed_state() { return state("UFCARAL"); }
    bool court_state() { return state("UFJUDAL"); }
    bool deed_data() { return trim(text("ESCRPAL")) == "S"; }
    bool court_data() { return trim(text("DEJUDAL")) == "S"; }

  private:
    std::string& text(const std::string& field) { return std::get<std::string>(values_.at(field)); }
    bool refuse(const std::string& message) {
        p_.op.notice(NoticeKind::kError, "", message);
        return false;
    }
    bool write(const std::string& field);

    EditorPlace& p_;
    store::Table& t_;
    uint32_t record_;
    std::map<std::string, ui::Value> values_;
    bool written_ = false;
};

const LayoutRow<Deed> kLayout[] = {
    {0, 1, "Pensão fixada por escritura pública (S/N)", 44, "ESCRPAL", "!", &Deed::by_deed},
    {1, 3, "Cartório", 16, "CARTOAL", "@S40", nullptr, &Deed::deed_data},
    {2, 3, "CNPJ", 16, "CARCNPJ", "@R 99.999.999/9999-99", &Deed::notary, &Deed::deed_data},
    {2, 38, "Livro", 45, "LIVROAL", "", nullptr, &Deed::deed_data},
    {2, 54, "Folha", 61, "FOLHAAL", "", nullptr, &Deed::deed_data},
    {3, 3, "Lavratura", 16, "DTLAVAL", "@D", nullptr, &Deed::deed_data},
    {3, 30, "Cód.Munic.", 42, "CODMUAL", "9999", nullptr, &Deed::deed_data},
    {4, 3, "Município", 16, "MUNICAL", "@S30", nullptr, &Deed::deed_data},
    {4, 50, "UF", 54, "UFCARAL", "@!", &Deed::deed_state, &Deed::deed_data},
    {6, 1, "Pensão fixada por decisão judicial (S/N)", 44, "DEJUDAL", "!", &Deed::by_court},
    {7, 3, "Processo", 16, "NROPRAL", "", nullptr, &Deed::court_data},
    {7, 45, "Vara", 51, "NROVAAL", "", nullptr, &Deed::court_data},
    {8, 3, "Decisão", 16, "DTDJUAL", "@D", nullptr, &Deed::court_data},
    {9, 3, "Comarca", 16, "COMARAL", "@S30", nullptr, &Deed::court_data},
    {9, 50, "UF", 54, "UFJUDAL", "@!", &Deed::court_state, &Deed::court_data},
};

const store::FieldDef& column(std::string_view name) {
    return screen_column({kPeople}, name, "escritura ou decisão da pensão");
}

bool Deed::write(const std::string& field) {
    if (!t_.go_to(record_) || t_.eof()) return refuse("O alimentando não está mais na lista.");
    p_.w.select(20 + kPeople);
    if (!store::REC_LOCK(p_.w, 5)) return false;
    Status s = t_.replace(t_.field(field), column_value(column(field), values_.at(field)));
    Status u = t_.unlock();
    if (!s || !u) return refuse((s ? u : s).message());
    written_ = true;
    return true;
}

bool Deed::run() {
    if (!t_.go_to(record_) || t_.eof()) return false;
    const int top = 6, left = 4, bottom = 19, right = 75;
    auto window = ui::LDLGSHOW(p_.screen, top, left, bottom, right,
                               "Pensão de " + trim(t_.str("NOMEDEPEN")));
    const ui::Rect client{top + 1, left + 1, bottom - 1, right - 1};
    std::vector<ui::Get> gets;
    for (const auto& row : kLayout) {
        const std::string name(row.field);
        values_[name] = field_value(column(name), t_.value_of(t_.bytes(), t_.field(name)));
    }
    for (const auto& row : kLayout) {
        const std::string name(row.field);
        p_.screen.write(client.top + row.row, client.left + row.col, std::string(row.label),
                        p_.screen.colours.standard);
        ui::Get g = column_field(column(name), values_.at(name), row.picture);
        g.row = client.top + row.row;
        g.col = client.left + row.at;
        g.valid = [this, name, check = row.valid] {
            if (check && !(this->*check)()) return false;
            return write(name);
        };
        if (row.when) g.when = [this, when = row.when] { return (this->*when)(); };
        gets.push_back(std::move(g));
    }
    p_.op.status("Escritura ou decisão da pensão: Esc volta à lista");
    ui::READ(p_.screen, gets);
    ui::LDLGCLOSE(p_.screen);
    return written_;
}

}  // namespace

ScreenFields alimony_deed_fields() {
    return screen_fields("escritura ou decisão da pensão", {kPeople}, kLayout);
}

bool alimony_deed(EditorPlace& place, uint32_t record) {
    return Deed(place, record).run();
}

}  // namespace vorn::entry
