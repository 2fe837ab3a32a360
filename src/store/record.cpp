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

inline char up(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// FNV-1a over the name in upper case: the slot a name hashes to.
inline uint32_t name_hash(std::string_view name) {
    uint32_t h = 2166136261u;
    for (char c : name) {
        h ^= static_cast<unsigned char>(up(c));
        h *= 16777619u;
    }
    return h;
}

}  // namespace

Layout::Layout(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
    upper_.reserve(fields_.size());
    for (const auto& f : fields_) upper_.push_back(upper_ascii(f.name));
    // An open-addressing table of at least twice the fields: records are read by name in the
    // computation's innermost loops, so a name costs one hash and, as a rule, one comparison.
    size_t size = 8;
    while (size < fields_.size() * 2) size *= 2;
    slots_.assign(size, -1);
    for (size_t i = 0; i < fields_.size(); ++i) {
        for (size_t k = name_hash(upper_[i]) & (size - 1);; k = (k + 1) & (size - 1)) {
            if (slots_[k] < 0) {
                slots_[k] = static_cast<int>(i);
                break;
            }
            if (upper_[static_cast<size_t>(slots_[k])] == upper_[i])
                throw std::invalid_argument("duplicate field " + upper_[i]);
        }
    }
}

int Layout::find(std::string_view name) const {
    const size_t mask = slots_.size() - 1;
    for (size_t k = name_hash(name) & mask;; k = (k + 1) & mask) {
        const int i = slots_[k];
        if (i < 0) return -1;
        const std::string& stored = upper_[static_cast<size_t>(i)];
        if (stored.size() != name.size()) continue;
        size_t n = 0;
        while (n < name.size() && stored[n] == up(name[n])) ++n;
        if (n == name.size()) return i;
    }
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
