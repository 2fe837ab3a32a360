// A window of fields over one record of a declaration's working table, laid out as data: each row
// a label and the column it edits, with the check (a member of the window) its value passes before
// it is written into the record under the record's lock. The asset's data and the alimony's deed
// are such windows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "entry/item_editor.h"
#include "entry/layout.h"
#include "ui/desktop.h"

namespace vorn::entry {

template <class Form>
class RecordWindow {
  public:
    // `what` names the window in a missing column's error; `gone` tells a record no longer there.
    RecordWindow(EditorPlace& p, int table, uint32_t record, std::string what, std::string gone)
        : p_(p),
          table_(table),
          t_(*p.d.working(table)),
          record_(record),
          what_(std::move(what)),
          gone_(std::move(gone)) {}

  protected:
    // Shows `rows` in a window at the given corners until Esc or the last field is left; true
    // when a value was written.
    template <size_t N>
    bool show(const LayoutRow<Form> (&rows)[N], ui::Rect box, const std::string& title,
              const std::string& status);

    std::string& text(const std::string& field) { return std::get<std::string>(values_.at(field)); }
    bool refuse(const std::string& message) {
        p_.op.notice(NoticeKind::kError, "", message);
        return false;
    }
    const store::FieldDef& column(std::string_view name) const {
        return screen_column({table_}, name, what_);
    }

    EditorPlace& p_;
    int table_;
    store::Table& t_;
    uint32_t record_;
    std::string what_, gone_;
    std::map<std::string, ui::Value> values_;
    bool written_ = false;

  private:
    bool write(const std::string& field) {
        if (!t_.go_to(record_) || t_.eof()) return refuse(gone_);
        p_.w.select(20 + table_);
        if (!store::REC_LOCK(p_.w, 5)) return false;
        Status s = t_.replace(t_.field(field), column_value(column(field), values_.at(field)));
        Status u = t_.unlock();
        if (!s || !u) return refuse((s ? u : s).message());
        written_ = true;
        return true;
    }
};

template <class Form>
template <size_t N>
bool RecordWindow<Form>::show(const LayoutRow<Form> (&rows)[N], ui::Rect box,
                              const std::string& title, const std::string& status) {
    if (!t_.go_to(record_) || t_.eof()) return false;
    auto window = ui::LDLGSHOW(p_.screen, box.top, box.left, box.bottom, box.right, title);
    const ui::Rect client{box.top + 1, box.left + 1, box.bottom - 1, box.right - 1};
    Form* form = static_cast<Form*>(this);
    std::vector<ui::Get> gets;
    for (const auto& row : rows) {
        const std::string name(row.field);
        values_[name] = field_value(column(name), t_.value_of(t_.bytes(), t_.field(name)));
    }
    for (const auto& row : rows) {
        const std::string name(row.field);
        p_.screen.write(client.top + row.row, client.left + row.col, std::string(row.label),
                        p_.screen.colours.standard);
        ui::Get g = column_field(column(name), values_.at(name), row.picture);
        g.row = client.top + row.row;
        g.col = client.left + row.at;
        g.valid = [this, form, name, check = row.valid] {
            if (check && !(form->*check)()) return false;
            return write(name);
        };
        if (row.when) g.when = [form, when = row.when] { return (form->*when)(); };
        gets.push_back(std::move(g));
    }
    p_.op.status(status);
    ui::READ(p_.screen, gets);
    ui::LDLGCLOSE(p_.screen);
    return written_;
}

}  // namespace vorn::entry
