// JSON values as the browser driver exchanges them: a small reader that refuses anything malformed
// (with the offset where it stopped) and a writer whose strings are always escaped, so that no text
// put into a request can change the request's structure.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace vorn::output {

class Json {
  public:
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
    using Array = std::vector<Json>;
    using Object = std::map<std::string, Json, std::less<>>;

    Json() = default;                                                   // null
    Json(bool b) : kind_(Kind::kBool), bool_(b) {}                      // NOLINT
    Json(int n) : kind_(Kind::kNumber), text_(std::to_string(n)) {}     // NOLINT
    Json(const char* s) : kind_(Kind::kString), text_(s) {}             // NOLINT
    Json(std::string s) : kind_(Kind::kString), text_(std::move(s)) {}  // NOLINT
    Json(Array a);                                                      // NOLINT
    Json(Object o);                                                     // NOLINT
    // A number kept as its text ("12", "-1.5e3"); the text must be a JSON number.
    static Json number(std::string text);

    Kind kind() const { return kind_; }
    bool is_null() const { return kind_ == Kind::kNull; }
    bool is_string() const { return kind_ == Kind::kString; }
    bool is_object() const { return kind_ == Kind::kObject; }
    bool is_array() const { return kind_ == Kind::kArray; }
    bool is_bool() const { return kind_ == Kind::kBool; }
    bool boolean() const { return bool_; }
    // The string's characters (UTF-8) or a number's text; empty for the other kinds.
    const std::string& text() const { return text_; }
    // The array's items or the object's members; empty for the other kinds.
    const Array& items() const;
    const Object& members() const;
    // The member named `key`, or nullptr (also when this is not an object).
    const Json* find(std::string_view key) const;

    // The value written compactly, strings escaped ("\"", "\\", control characters as \u00XX).
    std::string dump() const;

  private:
    Kind kind_ = Kind::kNull;
    bool bool_ = false;
    std::string text_;
    std::shared_ptr<const Array> array_;
    std::shared_ptr<const Object> object_;
};

// A JSON string literal of the text, quotes included.
std::string json_quote(std::string_view text);

// Reads one JSON value that fills the whole text (blanks around it allowed). Malformed text,
// invalid UTF-8 escapes and nesting deeper than 100 levels fail with kCorrupt and the offset.
[[nodiscard]] Status parse_json(std::string_view text, Json* out);

}  // namespace vorn::output
