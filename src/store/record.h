// Field layouts and records: the values of one table row, read and written by field name.
// A Record is independent of any file: the DBF engine fills and stores it, computations read it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"

namespace vorn::store {

enum class FieldType : char {
    kChar = 'C',
    kNumeric = 'N',
    kDate = 'D',
    kLogical = 'L',
    kMemo = 'M'
};

struct FieldDef {
    std::string name;  // as the catalogue spells it; looked up without regard to case
    FieldType type = FieldType::kChar;
    int width = 0;     // characters (C), total width with sign and point (N), 8 (D), 1 (L), 10 (M)
    int decimals = 0;  // N only
};

// The ordered fields of a table, with a case-insensitive name index.
class Layout {
  public:
    Layout() = default;
    explicit Layout(std::vector<FieldDef> fields);

    const std::vector<FieldDef>& fields() const { return fields_; }
    size_t size() const { return fields_.size(); }
    const FieldDef& operator[](size_t i) const { return fields_[i]; }
    // Position of a field, or -1.
    int find(std::string_view name) const;
    // Position of a field; an unknown name is a programming error (throws std::out_of_range).
    size_t index(std::string_view name) const;
    // Bytes of one DBF record, deletion flag included.
    size_t record_length() const;

  private:
    std::vector<FieldDef> fields_;
    std::vector<std::string> upper_;  // the names in upper case, in field order
    std::vector<int> slots_;          // open addressing by name: a field's position, or -1
};

// Logical fields can also be unset (blank or '?').
enum class Logical : char { kUnset = ' ', kTrue = 'T', kFalse = 'F' };

using Value = std::variant<std::string, Decimal, Date, Logical>;

class Record {
  public:
    Record() = default;
    // A blank record: empty text, zero numbers, blank dates, unset logicals.
    explicit Record(std::shared_ptr<const Layout> layout);

    const Layout& layout() const { return *layout_; }
    const std::shared_ptr<const Layout>& layout_ptr() const { return layout_; }

    // Typed access by name; a wrong name or a wrong type fails loudly (std::out_of_range /
    // std::bad_variant_access). Text comes back with its trailing blanks removed.
    std::string str(std::string_view name) const;
    Decimal num(std::string_view name) const;
    Date date(std::string_view name) const;
    bool logical(std::string_view name) const;  // unset reads as false
    const Value& value(std::string_view name) const { return values_.at(layout_->index(name)); }

    // Hot loops: access by position.
    const Value& at(size_t i) const { return values_.at(i); }
    Value& at(size_t i) { return values_.at(i); }

    void set(std::string_view name, std::string_view text);
    void set(std::string_view name, const char* text) { set(name, std::string_view(text)); }
    void set(std::string_view name, Decimal v);
    void set(std::string_view name, Date v);
    void set(std::string_view name, bool v);
    void set_value(size_t i, Value v);

    // Copies every field of `other` whose name exists here (xBase "append from" by field name),
    // converting between types where the other side's value makes sense.
    void assign_by_name(const Record& other);

    bool deleted = false;  // the deletion flag of the row it was read from
    uint32_t recno = 0;    // 1-based record number in its table; 0 for a record not yet stored

  private:
    std::shared_ptr<const Layout> layout_;
    std::vector<Value> values_;
};

// The blank value of a field's type.
Value blank_value(const FieldDef& f);

// Whether two records of one layout would be stored alike: numbers compared at their field's
// decimals (rounded as they are written), text within its field's width without trailing blanks.
bool same_when_stored(const Record& a, const Record& b);

}  // namespace vorn::store
