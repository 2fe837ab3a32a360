// The base of a rural form whose fields edit the country's result record (working table 15): the
// value bound to each input field, the layout's rows read in order, and every accepted field
// stored into the working table at once and the rural result and the totals computed again.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "entry/layout.h"
#include "entry/rural_screens.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::entry {

inline const std::vector<int> kRuralResultTable = {15};

// The fields of each rural form (gathered by rural_fields()).
ScreenFields rural_months_fields();
ScreenFields rural_result_fields();
ScreenFields rural_herd_fields();
ScreenFields rural_accountant_fields();

template <class Form>
class RecordForm {
  public:
    RecordForm(RuralPlace& r, std::string_view screen)
        : r_(r),
          s_(r.place.screen),
          op_(r.place.op),
          d_(r.place.d),
          area_(r.place.area),
          screen_(screen) {}

  protected:
    // Reads the country's record; false (told) when the working table cannot be read.
    bool load() {
        if (Status s = rural_result(d_, r_.abroad, &rec_); !s) return refuse({s.message()});
        return true;
    }

    // The value a field edits (created from the record's on first use).
    ui::Value& v(std::string_view name) {
        auto it = values_.find(name);
        if (it != values_.end()) return it->second;
        ui::Value value = field_value(column(name), rec_.value(name));
        return values_.emplace(std::string(name), std::move(value)).first->second;
    }
    std::string& str(std::string_view name) { return std::get<std::string>(v(name)); }
    Decimal& num(std::string_view name) { return std::get<Decimal>(v(name)); }

    // The field's value into the record, the record into the working table, and everything that
    // follows from it computed again; the record then holds the computation's figures.
    bool keep(std::string_view name) {
        rec_.set_value(rec_.layout().index(name), column_value(column(name), v(name)));
        if (Status s = keep_rural_result(d_, rec_); !s) return refuse({s.message()});
        recompute_rural(r_.place);
        return load();
    }

    bool refuse(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += (text.empty() ? "" : "\n") + l;
        op_.notice(NoticeKind::kWarning, "", text);
        return false;
    }
    void label(int row, int col, std::string_view text) {
        s_.write(area_.top + row, area_.left + col, text, s_.colours.standard);
    }

    // Paints the labels of `rows` and reads their fields in order; each accepted field is kept.
    // `after` runs after every kept field (a repaint).
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
            g.name = name;
            g.valid = [this, self, name, check = row.valid] {
                if (check && !(self->*check)()) return false;
                if (!keep(name)) return false;
                self->kept();
                return true;
            };
            if (row.when) g.when = [self, when = row.when] { return (self->*when)(); };
            gets.push_back(std::move(g));
        }
        return ui::READ(s_, gets);
    }
    // What follows a kept field (the form repaints what the computation changed).
    void kept() {}

    const store::FieldDef& column(std::string_view name) const {
        return screen_column(kRuralResultTable, name, screen_);
    }

    RuralPlace& r_;
    ui::Screen& s_;
    Operator& op_;
    store::Declaration& d_;
    ui::Rect area_;
    store::Record rec_;

  private:
    std::string screen_;
    std::map<std::string, ui::Value, std::less<>> values_;
};

}  // namespace vorn::entry
