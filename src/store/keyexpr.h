// Index key expressions: field names, `+`, UPPER(), STR(), STRZERO(), DTOS() and DTOC(), parsed
// once against a table layout and evaluated over a Record into the key bytes an index stores
// (character keys in Windows-1252, numbers and dates as 8-byte ordered doubles, logicals as T/F).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "store/record.h"

namespace vorn::store {

// The type of an expression's value and so of the index key built from it.
enum class KeyType : char { kChar = 'C', kNumeric = 'N', kDate = 'D', kLogical = 'L' };

// Longest character key an index can hold; wider text keys are cut to it, so they order and
// match by their first 240 characters.
inline constexpr int kMaxKeyLength = 240;

class KeyExpr {
  public:
    KeyExpr() = default;

    // Parses `text` (function and field names in any case, blanks anywhere between tokens).
    // Unknown names, wrong argument types or counts and trailing text give Status::invalid.
    [[nodiscard]] static Status parse(std::string_view text, const Layout& layout, KeyExpr* out);

    bool empty() const { return root_ == nullptr; }
    const std::string& text() const { return text_; }
    KeyType type() const;
    // Bytes of the key: the character width for text (at most kMaxKeyLength), 8 for numbers and
    // dates, 1 for logicals.
    int key_length() const;

    // The key bytes for this record, exactly key_length() long.
    std::string key(const Record& rec) const;
    void key(const Record& rec, std::string* out) const;  // reuses the caller's buffer
    // The same from a row as a table file stores it (deletion flag, then the fields in layout
    // order, text in the table's code page: Windows-1252, or 850 when `cp850`). Text keys keep
    // the table's own bytes.
    void key_of_row(std::string_view row, bool cp850, std::string* out) const;
    bool is_true_of_row(std::string_view row) const;

    // The xBase value: text (UTF-8, blank padded to its width), Decimal, Date or Logical.
    Value value(const Record& rec) const;
    // The logical value of a condition (a FOR expression); unset counts as false.
    bool is_true(const Record& rec) const;

    struct Node;

  private:
    std::string text_;
    std::shared_ptr<const Node> root_;
};

// Key encodings, for seek values and for index keys read from elsewhere.
// A number as the big-endian IEEE double with its sign bit flipped (or all bits inverted when
// negative), so that bytewise order is numeric order. -0 is stored as +0.
std::string numeric_key(double v);
std::string numeric_key(Decimal v);
// A date as its Julian day number in the numeric encoding; the blank date is 0.
std::string date_key(Date d);
std::string logical_key(bool v);
// Inverse of numeric_key (for listing numeric and date keys).
double decode_numeric_key(std::string_view key8);

}  // namespace vorn::store
