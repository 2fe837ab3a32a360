// Table-7 and table-8 records for the gains tests.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "base/date.h"
#include "base/decimal.h"
#include "store/catalogue.h"
#include "store/record.h"

namespace vorn::gains::testing {

constexpr const char* kDeclarant = "11144477735";

using Field = std::pair<const char*, std::string>;

// A record of table `number` with the fields given as text: dates "dd/mm/yyyy", numbers as
// "1234.56", anything else as typed.
inline store::Record record(int number, std::initializer_list<Field> fields) {
    store::Record r(store::table_def(number)->layout);
    r.set("CPF", kDeclarant);
    for (const auto& [name, value] : fields) {
        const auto& f = r.layout()[r.layout().index(name)];
        if (f.type == store::FieldType::kDate)
            r.set(name, *Date::from_dmy(value));
        else if (f.type == store::FieldType::kNumeric)
            r.set(name, Decimal::from(value));
        else
            r.set(name, value);
    }
    return r;
}

inline store::Record gain(std::initializer_list<Field> fields) {
    store::Record r = record(7, fields);
    if (r.num("BEM_NRO").is_zero()) r.set("BEM_NRO", Decimal(1));
    if (r.str("CPFALIEN").empty()) r.set("CPFALIEN", kDeclarant);
    return r;
}

inline store::Record cost(std::initializer_list<Field> fields) {
    store::Record r = record(8, fields);
    if (r.num("BEM_NRO").is_zero()) r.set("BEM_NRO", Decimal(1));
    return r;
}

inline Decimal D(const char* text) {
    return Decimal::from(text);
}

}  // namespace vorn::gains::testing
