// A declaration in memory.
#include "tax/declaration.h"

#include <stdexcept>

#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::tax {

Decimal CashBook::deductible_total() const {
    Decimal s;
    for (int m = 1; m <= 12; ++m) s += deductible[m];
    return s;
}

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

std::vector<store::Record>* Declaration::list(int number) {
    switch (number) {
        case 2:
            return &items;
        case 3:
            return &dependants;
        case 4:
            return &assets;
        case 5:
            return &debts;
        case 6:
            return &payments;
        case 12:
            return &monthly;
        case 13:
            return &postings;
        default:
            return nullptr;
    }
}

const std::vector<store::Record>* Declaration::list(int number) const {
    return const_cast<Declaration*>(this)->list(number);
}

// The record holding a global value and the field's position in it.
std::pair<const store::Record*, size_t> Declaration::locate(std::string_view name) const {
    if (int i = summary.layout().find(name); i >= 0) return {&summary, static_cast<size_t>(i)};
    if (int i = registry.layout().find(name); i >= 0) return {&registry, static_cast<size_t>(i)};
    throw std::out_of_range("no global value named " + std::string(name));
}

const store::FieldDef& Declaration::field(std::string_view name) const {
    auto [r, i] = locate(name);
    return r->layout()[i];
}

Decimal Declaration::num(std::string_view name) const {
    auto [r, i] = locate(name);
    return std::get<Decimal>(r->at(i));
}
std::string Declaration::str(std::string_view name) const {
    auto [r, i] = locate(name);
    return trim_right(std::get<std::string>(r->at(i)));
}
Date Declaration::date(std::string_view name) const {
    auto [r, i] = locate(name);
    return std::get<Date>(r->at(i));
}
bool Declaration::logical(std::string_view name) const {
    auto [r, i] = locate(name);
    return std::get<store::Logical>(r->at(i)) == store::Logical::kTrue;
}

namespace {

store::Value to_value(Decimal v) {
    return v;
}
store::Value to_value(Date v) {
    return v;
}
store::Value to_value(std::string_view v) {
    return std::string(v);
}
store::Value to_value(bool v) {
    return v ? store::Logical::kTrue : store::Logical::kFalse;
}

template <typename V>
void set_in_both(store::Record& a, store::Record& b, std::string_view name, V v) {
    bool found = false;
    for (store::Record* r : {&a, &b})
        if (int i = r->layout().find(name); i >= 0) {
            r->set_value(static_cast<size_t>(i), to_value(v));
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

Status number_in_field(const store::FieldDef& f, Decimal v, std::string* out) {
    std::string text = v.to_string(f.decimals);
    if (text.size() > static_cast<size_t>(f.width))
        return Status::invalid("o valor " + text + " não cabe no campo " + f.name + " (N" +
                               std::to_string(f.width) + "." + std::to_string(f.decimals) + ")");
    *out = std::move(text);
    return Status::ok();
}

Status check_field_widths(const Declaration& d) {
    std::string text;
    for (const store::Record* r : {&d.summary, &d.registry})
        for (size_t i = 0; i < r->layout().size(); ++i)
            if (r->layout()[i].type == store::FieldType::kNumeric) {
                Status s = number_in_field(r->layout()[i], std::get<Decimal>(r->at(i)), &text);
                if (!s) return s;
            }
    return Status::ok();
}

std::string two_digits(int n) {
    return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

gains::Settings gain_settings(const Declaration& d) {
    gains::Settings s;
    s.declarant_cpf = d.cpf();
    s.resident_abroad = d.str("EXTERIOR") == "S";
    s.last_reinvestment = d.date("ULTRESI");
    s.last_property_sale = d.date("ULTIMOV");
    s.final_estate = d.is_final();
    s.estate_date = d.date("DATAPARTI").blank() ? d.date("DATALAVRA") : d.date("DATAPARTI");
    return s;
}

}  // namespace vorn::tax
