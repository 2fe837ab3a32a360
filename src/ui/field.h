// Field input: a variable edited at a screen position under a picture, with valid- and
// when-conditions, and the read loop over a list of fields (Enter/Down, Up, Tab/Shift+Tab,
// PgUp/PgDn, Esc, Ctrl+Enter, Insert). Also the clipboard: paste into and copy from the active
// field.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/picture.h"
#include "ui/key.h"

namespace vorn::ui {

class Screen;

using Value = std::variant<std::string, Decimal, Date, bool>;

inline constexpr const char* kInvalidDate = "Data inválida";

// The variable a field edits: text, number, date or logical, or a Value in place.
class Var {
  public:
    Var() = default;
    Var(std::string& v) : p_(&v) {}  // NOLINT: any of these binds a field
    Var(Decimal& v) : p_(&v) {}      // NOLINT
    Var(Date& v) : p_(&v) {}         // NOLINT
    Var(bool& v) : p_(&v) {}         // NOLINT
    Var(Value& v) : p_(&v) {}        // NOLINT
    bool bound() const { return p_.index() != 0; }
    Value get() const;
    // Sets the variable; a value of another type is a programming error (std::bad_variant_access).
    void set(const Value& v) const;

  private:
    std::variant<std::monostate, std::string*, Decimal*, Date*, bool*, Value*> p_;
};

struct Get {
    int row = 0, col = 0;
    Var var;
    std::string picture;
    // Text: characters of the value (0: from the template or the current value). Number without a
    // template: total width and decimals.
    int width = 0;
    int decimals = 0;
    // Runs after the typed value has been assigned; false refuses it: the variable gets its old
    // value back and the cursor stays in the field.
    std::function<bool()> valid;
    // Runs when a typed value is refused (malformed, or by `valid`): what the screen shows from
    // the field's value is cleared there.
    std::function<void()> refused;
    // False skips the field.
    std::function<bool()> when;
    // When set, Enter on the field runs this instead of accepting it (a line that opens its own
    // window): what was typed there is given up and the cursor stays.
    std::function<void()> on_enter;
    std::string name;
    // A secret (a password): each character typed shows as "*".
    bool hidden = false;
};

struct ReadResult {
    Key last_key;          // the key that ended the read
    bool escaped = false;  // Esc: the field being edited was abandoned
    bool updated = false;  // some variable changed
    int field = 0;         // index of the field where the read ended
};

// One field being edited: the buffer as shown (template literals included), the cursor in it.
class FieldEditor {
  public:
    FieldEditor(Screen& screen, Get& get);

    Get& get() { return get_; }
    // The buffer from the variable's value.
    void load();
    void draw(bool active);
    enum class Typed { kIgnored, kUsed, kFilled };
    // Editing keys: characters, arrows inside the field, Home/End, Backspace, Del, Ctrl+Y.
    // kFilled: the last position was typed.
    Typed key(const Key& k);
    // Moves the cursor to a screen column of the field (mouse).
    void click(int col);
    // What the buffer reads as; nullopt for a malformed number or date.
    std::optional<Value> value() const;
    // Assigns the buffer to the variable and runs the valid-condition; false when refused (a
    // malformed date says "Data inválida"). After a refusal the cursor stands on the first
    // position and what is typed next replaces the refused value.
    bool commit();
    bool edited() const { return edited_; }
    // The value shown was refused and nothing was typed since.
    bool refused_as_shown() const { return replace_; }
    bool updated() const { return updated_; }
    // Alt+V: the text padded or cut to the field's width, converted to a number or a date when
    // the field is one; an empty or unconvertible text changes nothing.
    bool paste(std::string_view text);
    // Ctrl+C: the field's current value as text.
    std::string copy_text() const;
    // What the field holds, for the keys that fill it from a window (calculator, converter).
    bool is_number() const { return kind_ == Kind::kNumber; }
    bool is_text() const { return kind_ == Kind::kText; }
    // A number field's decimals and digits (whole and decimal) in its template.
    int decimals() const { return static_cast<int>(num_.dec_digits.size()); }
    int digits() const { return static_cast<int>(num_.int_digits.size() + num_.dec_digits.size()); }
    // Characters a text field's value takes.
    int text_capacity() const;
    // Puts the value into the field as if typed (Enter then assigns it and runs the valid-
    // condition) when it fits whole: a number must fit the template at the field's decimals (it
    // is not rounded here), a text must fit the field's characters, each one a character its
    // template position takes. False changes nothing.
    bool put(const Value& v);
    bool contains(int row, int col) const;
    // Characters the field takes on screen (@S scrolls within fewer than the value has).
    int view_width() const;

  private:
    enum class Kind { kText, kNumber, kDate, kLogical };
    bool is_slot(int i) const { return slots_[static_cast<size_t>(i)]; }
    int next_slot(int from, int dir) const;
    int first_slot() const { return next_slot(-1, 1); }
    int last_slot() const { return next_slot(static_cast<int>(buffer_.size()), -1); }
    bool accepts(int pos, char32_t c) const;
    void clear_slots();
    void shift_left(int from);
    void shift_right(int from);
    void render_separators();
    void set_buffer_from(const Value& v);
    void refused();
    std::string text_value() const;

    Screen& screen_;
    Get& get_;
    Picture pic_;
    Kind kind_ = Kind::kText;
    NumberTemplate num_;
    std::u32string tmpl_;  // per position: the template character ('X' where there is none)
    std::vector<bool> slots_;
    std::u32string buffer_;
    int pos_ = 0;
    int offset_ = 0;  // first buffer position shown (@S)
    bool edited_ = false;
    bool updated_ = false;
    bool full_ = false;     // the last position was typed: the cursor stands after it
    bool replace_ = false;  // refused: the next character typed clears the field first
};

// Reads the fields in order until the read ends (Enter past the last field, PgUp, PgDn,
// Ctrl+Enter, Esc, or a hot key that calls Screen::end_input(); the value being typed is then
// accepted when it can be, else given up after its refusal is told).
ReadResult READ(Screen& screen, std::vector<Get>& fields);

// The clipboard keys: paste into / copy from the active input field.
void LGETCLIPBOARD(Screen& screen);
void LSETCLIPBOARD(Screen& screen);

}  // namespace vorn::ui
