// Fixed layouts of the entry screens as data: one row per label and field (where it stands, the
// column it edits, its picture, its valid- and when-conditions), read by one builder per screen.
// Also the input field that edits a table column, and the list of every screen's bound fields,
// so that no field can take more characters than the column it is stored in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/record.h"
#include "tax/declaration.h"
#include "ui/field.h"

namespace vorn::entry {

// A row of a fixed layout. `Form` is the screen's own class: `valid` checks a typed value before
// it is kept (false keeps the cursor in the field), `when` says whether the field is entered.
template <class Form>
struct LayoutRow {
    int row = 0;
    int col = 0;             // the label's column
    std::string_view label;  // may be empty
    int at = 0;              // the field's column
    std::string_view field;  // the column the field edits; empty: a label alone
    std::string_view picture;
    bool (Form::*valid)() = nullptr;
    bool (Form::*when)() = nullptr;
};

// The fields of an entry screen that edit table columns: each column is looked up in the screen's
// tables in their order (catalogue numbers).
struct ScreenFields {
    std::string name;
    std::vector<int> tables;
    struct Field {
        std::string column;
        std::string picture;
    };
    std::vector<Field> fields;
};

template <class Form, size_t N>
ScreenFields screen_fields(std::string name, std::vector<int> tables,
                           const LayoutRow<Form> (&rows)[N]) {
    ScreenFields s{std::move(name), std::move(tables), {}};
    for (const auto& r : rows)
        if (!r.field.empty()) s.fields.push_back({std::string(r.field), std::string(r.picture)});
    return s;
}

// Every entry screen laid out as data. Each screen built from a layout table is listed here, and
// the tests then hold each of its fields against the column it is stored in.
std::vector<ScreenFields> entry_screens();

// The column `name` in the first of `tables` that has it; nullptr when none has.
const store::FieldDef* column_of(const std::vector<int>& tables, std::string_view name);
// The same for a column a screen's layout names: none is a programming error (std::out_of_range
// naming the screen).
const store::FieldDef& screen_column(const std::vector<int>& tables, std::string_view name,
                                     std::string_view screen);

// A stored value as its input field edits it: text padded to the column's width in characters,
// a logical column as "S" or "N".
ui::Value field_value(const store::FieldDef& column, const store::Value& stored);
// A computed declaration's value of `column` as its input field edits it: text padded to the
// column's width in characters, a number as it is.
ui::Value declaration_value(const tax::Declaration& d, const store::FieldDef& column);
// The value of an input field as the column stores it (trailing blanks of text dropped).
store::Value column_value(const store::FieldDef& column, const ui::Value& edited);

// The input field editing `value`, stored in `column`: a text takes the column's width in
// characters unless the picture's template gives its positions; a number without a template takes
// the column's width and decimals.
ui::Get column_field(const store::FieldDef& column, ui::Value& value, std::string_view picture);

}  // namespace vorn::entry
