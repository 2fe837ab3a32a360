// Values between a table field and an input field: the storage's logical field (set, unset) and
// the screen's yes/no, trailing blanks of text left behind.
#pragma once

#include <variant>

#include "base/text.h"
#include "store/record.h"
#include "ui/field.h"

namespace vorn::entry {

inline ui::Value to_ui(const store::Value& v) {
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    if (auto* d = std::get_if<Decimal>(&v)) return *d;
    if (auto* t = std::get_if<Date>(&v)) return *t;
    return std::get<store::Logical>(v) == store::Logical::kTrue;
}

inline store::Value to_store(const ui::Value& v) {
    if (auto* s = std::get_if<std::string>(&v)) return trim_right(*s);
    if (auto* d = std::get_if<Decimal>(&v)) return *d;
    if (auto* t = std::get_if<Date>(&v)) return *t;
    return std::get<bool>(v) ? store::Logical::kTrue : store::Logical::kFalse;
}

}  // namespace vorn::entry
