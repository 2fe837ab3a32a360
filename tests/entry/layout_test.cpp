// The entry screens laid out as data, held against the table catalogue: no input field takes more
// characters than the column it is stored in; and the identification screen's municipality search.
#include "entry/layout.h"

#include <gtest/gtest.h>

#include "../ui/harness.h"
#include "base/text.h"
#include "entry/identification.h"
#include "store/catalogue.h"

namespace vorn::entry {
namespace {

// Digits typed into a field until it is full and beyond; the value it then holds.
ui::Value typed_into(const store::FieldDef& column, const std::string& picture) {
    // The column full of accented letters, as a stored name may be: its input field must count
    // characters, not bytes.
    store::Value stored = column.type == store::FieldType::kChar
                              ? store::Value(replicate("É", static_cast<size_t>(column.width)))
                              : store::blank_value(column);
    ui::Value value = field_value(column, stored);
    std::vector<ui::Get> gets{column_field(column, value, picture)};
    ui::testing::Harness h("CTRL+Y\ntext " +
                           std::string(static_cast<size_t>(column.width) + 5, '9') + "\nENTER\n");
    ui::READ(h.screen, gets);
    return value;
}

TEST(EntryLayouts, NoFieldTakesMoreCharactersThanItsColumn) {
    const std::vector<ScreenFields> screens = entry_screens();
    ASSERT_FALSE(screens.empty());
    for (const ScreenFields& screen : screens) {
        EXPECT_FALSE(screen.fields.empty()) << screen.name;
        for (const auto& f : screen.fields) {
            SCOPED_TRACE(screen.name + ": " + f.column + " \"" + f.picture + "\"");
            const store::FieldDef* column = column_of(screen.tables, f.column);
            ASSERT_NE(column, nullptr) << "no table of the screen has the column";
            if (column->type == store::FieldType::kDate) continue;
            const ui::Value v = typed_into(*column, f.picture);
            if (auto* text = std::get_if<std::string>(&v)) {
                const int width = column->type == store::FieldType::kLogical ? 1 : column->width;
                EXPECT_LE(char_count(trim_right(*text)), static_cast<size_t>(width)) << *text;
            } else if (auto* number = std::get_if<Decimal>(&v)) {
                const std::string plain = number->abs().to_plain();
                const size_t digits = plain.substr(0, plain.find('.')).size();
                const int room = column->width - (column->decimals ? column->decimals + 1 : 0);
                EXPECT_LE(digits, static_cast<size_t>(room)) << plain;
            }
        }
    }
}

TEST(Identification, MunicipalitySearchIgnoresAccentsAndCase) {
    IdentificationTables t;
    for (const char* name : {"São José dos Campos", "São José do Rio Preto", "São Paulo"})
        t.municipalities["SP"][trim(MATCAR(upper(name)))] = {name, name};
    t.municipalities["SC"]["SAO JOSE"] = {"São José", "8327"};
    auto names = [&](std::string_view uf, std::string_view typed) {
        std::vector<std::string> out;
        for (const Municipality* m : find_municipalities(t, uf, typed)) out.push_back(m->name);
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(names("SP", "sao jose"), (V{"São José do Rio Preto", "São José dos Campos"}));
    EXPECT_EQ(names("SP", "  SÃO JOSÉ DOS c"), V{"São José dos Campos"});
    // An exact name is that one, though others begin with it.
    EXPECT_EQ(names("SC", "são josé"), V{"São José"});
    EXPECT_EQ(names("SP", "são paulo "), V{"São Paulo"});
    EXPECT_TRUE(names("SP", "Campinas").empty());
    EXPECT_TRUE(names("RJ", "sao jose").empty());
}

}  // namespace
}  // namespace vorn::entry
