// Input fields bound to table columns, and the list of the entry screens laid out as data.
#include "entry/layout.h"

#include <stdexcept>

#include "base/text.h"
#include "entry/alimony_deed.h"
#include "entry/asset_detail.h"
#include "entry/balance_screen.h"
#include "entry/estate_screen.h"
#include "entry/exempt_screen.h"
#include "entry/exit_screen.h"
#include "entry/field_values.h"
#include "entry/gain_window.h"
#include "entry/identification.h"
#include "entry/item_lists.h"
#include "entry/office_screen.h"
#include "entry/rural_screens.h"
#include "entry/spouse_screen.h"
#include "entry/summary_screen.h"
#include "store/catalogue.h"

namespace vorn::entry {

std::vector<ScreenFields> entry_screens() {
    std::vector<ScreenFields> out = {
        identification_fields(), summary_fields(),      balance_fields(), exempt_fields(),
        spouse_fields(),         estate_fields(),       exit_fields(),    asset_detail_fields(),
        office_fields(),         alimony_deed_fields(), gain_fields()};
    for (ScreenFields& list : item_list_fields()) out.push_back(std::move(list));
    for (ScreenFields& form : rural_fields()) out.push_back(std::move(form));
    return out;
}

const store::FieldDef* column_of(const std::vector<int>& tables, std::string_view name) {
    for (int n : tables) {
        const store::TableDef* t = store::table_def(n);
        if (!t || !t->layout) continue;
        const int i = t->layout->find(name);
        if (i >= 0) return &(*t->layout)[static_cast<size_t>(i)];
    }
    return nullptr;
}

const store::FieldDef& screen_column(const std::vector<int>& tables, std::string_view name,
                                     std::string_view screen) {
    const store::FieldDef* c = column_of(tables, name);
    if (!c) throw std::out_of_range(std::string(screen) + ": no column " + std::string(name));
    return *c;
}

ui::Value field_value(const store::FieldDef& column, const store::Value& stored) {
    if (column.type == store::FieldType::kLogical)
        return std::string(std::get<store::Logical>(stored) == store::Logical::kTrue ? "S" : "N");
    ui::Value v = to_ui(stored);
    if (auto* text = std::get_if<std::string>(&v))
        *text = pad_right(*text, static_cast<size_t>(column.width));
    return v;
}

ui::Value declaration_value(const tax::Declaration& d, const store::FieldDef& column) {
    if (column.type == store::FieldType::kChar)
        return pad_right(d.str(column.name), static_cast<size_t>(column.width));
    return d.num(column.name);
}

store::Value column_value(const store::FieldDef& column, const ui::Value& edited) {
    if (column.type == store::FieldType::kLogical)
        return trim(std::get<std::string>(edited)) == "S" ? store::Logical::kTrue
                                                          : store::Logical::kFalse;
    return to_store(edited);
}

ui::Get column_field(const store::FieldDef& column, ui::Value& value, std::string_view picture) {
    ui::Get g;
    g.var = ui::Var(value);
    g.picture = std::string(picture);
    g.name = column.name;
    if (std::holds_alternative<std::string>(value)) {
        g.width = column.type == store::FieldType::kLogical ? 1 : column.width;
    } else if (std::holds_alternative<Decimal>(value)) {
        g.width = column.width;
        g.decimals = column.decimals;
    }
    return g;
}

}  // namespace vorn::entry
