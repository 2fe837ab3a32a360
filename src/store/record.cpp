// Layouts and records.
#include "store/record.h"

#include <algorithm>
#include <stdexcept>

#include "base/text.h"

namespace vorn::store {
namespace {

std::string upper_ascii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

}  // namespace

Layout::Layout(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
    by_name_.reserve(fields_.size());
    for (size_t i = 0; i < fields_.size(); ++i)
        by_name_.emplace_back(upper_ascii(fields_[i].name), i);
    std::sort(by_name_.begin(), by_name_.end());
    for (size_t i = 1; i < by_name_.size(); ++i)
        if (by_name_[i].first == by_name_[i - 1].first)
            throw std::invalid_argument("duplicate field " + by_name_[i].first);
}

int Layout::find(std::string_view name) const {
    // Compared letter by letter in upper case, without building the upper-case name: records are
    // read by name in the computation's innermost loops.
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    auto compare = [&](std::string_view stored) {
        const size_t n = std::min(stored.size(), name.size());
        for (size_t i = 0; i < n; ++i) {
            const unsigned char a = static_cast<unsigned char>(stored[i]),
                                b = static_cast<unsigned char>(up(name[i]));
            if (a != b) return a < b ? -1 : 1;
        }
        return stored.size() < name.size() ? -1 : stored.size() > name.size() ? 1 : 0;
    };
    auto it =
        std::lower_bound(by_name_.begin(), by_name_.end(), name,
                         [&](const auto& e, std::string_view) { return compare(e.first) < 0; });
    if (it == by_name_.end() || compare(it->first) != 0) return -1;
    return static_cast<int>(it->second);
}

size_t Layout::index(std::string_view name) const {
    int i = find(name);
    if (i < 0) throw std::out_of_range("no field named " + std::string(name));
    return static_cast<size_t>(i);
}

size_t Layout::record_length() const {
    size_t n = 1;
    for (const auto& f : fields_) n += static_cast<size_t>(f.width);
    return n;
}

Value blank_value(const FieldDef& f) {
    switch (f.type) {
        case FieldType::kNumeric:
            return Decimal();
        case FieldType::kDate:
            return Date();
        case FieldType::kLogical:
            return Logical::kUnset;
        default:
            return std::string();
    }
}

Record::Record(std::shared_ptr<const Layout> layout) : layout_(std::move(layout)) {
    values_.reserve(layout_->size());
    for (const auto& f : layout_->fields()) values_.push_back(blank_value(f));
}

std::string Record::str(std::string_view name) const {
    return trim_right(std::get<std::string>(value(name)));
}
Decimal Record::num(std::string_view name) const {
    return std::get<Decimal>(value(name));
}
Date Record::date(std::string_view name) const {
    return std::get<Date>(value(name));
}
bool Record::logical(std::string_view name) const {
    return std::get<Logical>(value(name)) == Logical::kTrue;
}

void Record::set_value(size_t i, Value v) {
    if (v.index() != values_.at(i).index()) throw std::bad_variant_access();
    values_[i] = std::move(v);
}

void Record::set(std::string_view name, std::string_view text) {
    set_value(layout_->index(name), std::string(text));
}
void Record::set(std::string_view name, Decimal v) {
    set_value(layout_->index(name), v);
}
void Record::set(std::string_view name, Date v) {
    set_value(layout_->index(name), v);
}
void Record::set(std::string_view name, bool v) {
    set_value(layout_->index(name), v ? Logical::kTrue : Logical::kFalse);
}

void Record::assign_by_name(const Record& other) {
    for (size_t i = 0; i < layout_->size(); ++i) {
        int j = other.layout().find((*layout_)[i].name);
        if (j < 0) continue;
        const Value& src = other.at(static_cast<size_t>(j));
        Value& dst = values_[i];
        if (src.index() == dst.index()) {
            dst = src;
        } else if (std::holds_alternative<std::string>(dst) &&
                   std::holds_alternative<Decimal>(src)) {
            dst = std::get<Decimal>(src).to_plain();
        } else if (std::holds_alternative<Decimal>(dst) &&
                   std::holds_alternative<std::string>(src)) {
            auto d = Decimal::parse(std::get<std::string>(src));
            dst = d ? *d : Decimal();
        } else if (std::holds_alternative<std::string>(dst) && std::holds_alternative<Date>(src)) {
            dst = std::get<Date>(src).dtos();
        } else if (std::holds_alternative<Date>(dst) && std::holds_alternative<std::string>(src)) {
            auto d = Date::from_dtos(pad_right(std::get<std::string>(src), 8));
            dst = d ? *d : Date();
        }
    }
}

bool same_when_stored(const Record& a, const Record& b) {
    const Layout& layout = a.layout();
    if (a.layout_ptr() != b.layout_ptr() && layout.size() != b.layout().size()) return false;
    for (size_t i = 0; i < layout.size(); ++i) {
        const FieldDef& f = layout[i];
        const Value &x = a.at(i), &y = b.at(i);
        if (x.index() != y.index()) return false;
        if (x == y) continue;  // most fields of a record compared are equal as held
        if (const auto* d = std::get_if<Decimal>(&x)) {
            if (d->round(f.decimals) != std::get<Decimal>(y).round(f.decimals)) return false;
        } else if (const auto* t = std::get_if<std::string>(&x)) {
            const size_t width = static_cast<size_t>(f.width);
            if (trim_right(left(*t, width)) != trim_right(left(std::get<std::string>(y), width)))
                return false;
        } else if (x != y) {
            return false;
        }
    }
    return true;
}

}  // namespace vorn::store
