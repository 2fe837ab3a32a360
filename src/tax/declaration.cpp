// A declaration in memory.
#include "tax/declaration.h"

#include <stdexcept>

#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::tax {

store::Record Declaration::new_record(int number) const {
    const store::TableDef* def = store::table_def(number);
    if (def == nullptr || !def->layout)
        throw std::out_of_range("no layout for table " + std::to_string(number));
    store::Record r(def->layout);
    if (r.layout().find("CPF") >= 0) r.set("CPF", cpf());
    return r;
}

Declaration Declaration::blank(std::string_view cpf) {
    Declaration d;
    d.registry = store::Record(store::table_def(9)->layout);
    d.registry.set("CPF", cpf);
    d.summary = d.new_record(1);
    return d;
}

const store::Record& Declaration::holder_of(std::string_view name) const {
    if (summary.layout().find(name) >= 0) return summary;
    if (registry.layout().find(name) >= 0) return registry;
    throw std::out_of_range("no global value named " + std::string(name));
}

Decimal Declaration::num(std::string_view name) const {
    return holder_of(name).num(name);
}
std::string Declaration::str(std::string_view name) const {
    return holder_of(name).str(name);
}
Date Declaration::date(std::string_view name) const {
    return holder_of(name).date(name);
}
bool Declaration::logical(std::string_view name) const {
    return holder_of(name).logical(name);
}

namespace {

template <typename V>
void set_in_both(store::Record& a, store::Record& b, std::string_view name, V v) {
    bool found = false;
    for (store::Record* r : {&a, &b})
        if (r->layout().find(name) >= 0) {
            r->set(name, v);
            found = true;
        }
    if (!found) throw std::out_of_range("no global value named " + std::string(name));
}

}  // namespace

void Declaration::set(std::string_view name, Decimal v) {
    set_in_both(summary, registry, name, v);
}
void Declaration::set(std::string_view name, std::string_view v) {
    set_in_both(summary, registry, name, v);
}
void Declaration::set(std::string_view name, bool v) {
    set_in_both(summary, registry, name, v);
}
void Declaration::set(std::string_view name, Date v) {
    set_in_both(summary, registry, name, v);
}

std::string field_text(const store::Record& r, std::string_view name) {
    if (r.layout().find(name) < 0) return "";
    const store::Value& v = r.value(name);
    if (const auto* s = std::get_if<std::string>(&v)) return trim(*s);
    if (const auto* d = std::get_if<Decimal>(&v)) return d->to_plain();
    if (const auto* l = std::get_if<store::Logical>(&v))
        return *l == store::Logical::kTrue ? "T" : "";
    return std::get<Date>(v).dtos();
}

long long field_int(const store::Record& r, std::string_view name) {
    auto d = Decimal::parse(field_text(r, name));
    return d ? d->whole() : 0;
}

std::string two_digits(int n) {
    return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

}  // namespace vorn::tax
