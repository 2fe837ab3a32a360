// The base of an entry screen whose fields edit the open declaration's values (its registry and
// table-1 fields) straight away: the value bound to each input field, the layout's rows read in
// order, and every accepted field written into the values and the working records at once, so
// that a terminal stopping in the middle of the screen loses nothing the operator accepted.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/operator.h"
#include "base/text.h"
#include "entry/field_values.h"
#include "entry/layout.h"
#include "store/declaration.h"
#include "tax/year.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

inline constexpr const char* kSimNao = "Digite S de sim ou N de não";
// The declaration's values live in its summary (table 1) and its registry (table 9).
inline const std::vector<int> kValueTables = {1, 9};

// The calendar year's dates only (the blank date passes): a final or an exit declaration's
// months are counted within it.
inline bool in_calendar_year(Date d) {
    return d.blank() || d.year() == tax::kCalendarYear;
}
// "2025", as the messages about those dates write it.
inline std::string calendar_year_text() {
    return "20" + std::string(tax::CANOANTER);
}

// What marking a final or an exit declaration forces: the complete option and at most one quota.
inline void force_complete_single_quota(store::DeclarationValues& v) {
    v.set("USAPADRAO", "N");
    if (v.num("QTD_QUOTA") > Decimal(1)) v.set("QTD_QUOTA", Decimal(1));
}

// `Form` derives from ValuesForm<Form> and lays its fields out as LayoutRow<Form>.
template <class Form>
class ValuesForm {
  public:
    ValuesForm(ui::Screen& s, Operator& op, store::Declaration& d, ui::Rect area,
               std::string_view screen)
        : s_(s), op_(op), d_(d), area_(area), screen_(screen) {}

  protected:
    // What a form shows of a stored value, what it stores of a shown one and how it sets up an
    // input field: as the column has them, unless the form hides these with its own.
    void shown(std::string_view, ui::Value&) {}
    void stored(std::string_view, store::Value&) {}
    void set_up(ui::Get&) {}

    // The value a field edits (created from the declaration's on first use).
    ui::Value& v(std::string_view name) {
        auto it = values_.find(name);
        if (it != values_.end()) return it->second;
        ui::Value value = field_value(column(name), d_.values().value(name));
        static_cast<Form*>(this)->shown(name, value);
        return values_.emplace(std::string(name), std::move(value)).first->second;
    }
    std::string& str(std::string_view name) { return std::get<std::string>(v(name)); }
    Decimal& num(std::string_view name) { return std::get<Decimal>(v(name)); }
    Date& date(std::string_view name) { return std::get<Date>(v(name)); }
    bool yes(std::string_view name) { return trim(str(name)) == "S"; }

    // The field's value into the declaration's values.
    void keep(std::string_view name) {
        store::Value value = column_value(column(name), v(name));
        static_cast<Form*>(this)->stored(name, value);
        d_.values().set(name, value);
    }
    // Sets a value of the declaration, and the field showing it when there is one.
    void put(std::string_view name, const ui::Value& value) {
        ui::Value& bound = v(name);
        if (const auto* text = std::get_if<std::string>(&value))
            bound = pad_right(*text, static_cast<size_t>(column(name).width));
        else
            bound = value;
        keep(name);
    }

    // Tells the lines in one notice; false, so that a valid-condition returns it.
    bool refuse(const std::vector<std::string>& lines) {
        tell(lines);
        return false;
    }
    void tell(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += (text.empty() ? "" : "\n") + l;
        op_.notice(NoticeKind::kWarning, "", text);
    }
    // "S" or "N" only.
    bool sn(std::string_view name) {
        const std::string t = trim(str(name));
        return t == "S" || t == "N" || refuse({kSimNao});
    }
    void label(int row, int col, std::string_view text) {
        s_.write(area_.top + row, area_.left + col, text, s_.colours.standard);
    }

    // Paints the labels of `rows` and reads their fields in order; each accepted field is kept
    // and the working records written.
    template <size_t N>
    ui::ReadResult read(const LayoutRow<Form> (&rows)[N]) {
        std::vector<ui::Get> gets;
        Form* self = static_cast<Form*>(this);
        for (const auto& row : rows) {
            if (!row.label.empty()) label(row.row, row.col, row.label);
            if (row.field.empty()) continue;
            const std::string name(row.field);
            ui::Get g = column_field(column(name), v(name), row.picture);
            g.row = area_.top + row.row;
            g.col = area_.left + row.at;
            g.valid = [this, self, name, check = row.valid] {
                if (check && !(self->*check)()) return false;
                keep(name);
                if (Status st = d_.keep_records(); !st)
                    op_.notice(NoticeKind::kError, "", st.message());
                return true;
            };
            if (row.when) g.when = [self, when = row.when] { return (self->*when)(); };
            self->set_up(g);
            gets.push_back(std::move(g));
        }
        return ui::READ(s_, gets);
    }

    const store::FieldDef& column(std::string_view name) const {
        return screen_column(kValueTables, name, screen_);
    }

    ui::Screen& s_;
    Operator& op_;
    store::Declaration& d_;
    ui::Rect area_;

  private:
    std::string screen_;
    std::map<std::string, ui::Value, std::less<>> values_;
};

}  // namespace vorn::entry
