// The calculators of an entry screen: the built-in calculator window (CALCULADORA) and Alt+S,
// which puts its result into the field being edited; Alt+K and the menu's calculator, which run
// the outside calculator the office configured, or the built-in one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/decimal.h"
#include "base/process.h"
#include "ui/screen.h"

namespace vorn::entry {

// While a calculator window is open the entry screen's hot keys (jumps, Alt+S ...) rest; only the
// clipboard keys stay. They come back when this goes out of scope.
class ScreenKeysAtRest {
  public:
    explicit ScreenKeysAtRest(ui::Screen& s);
    ~ScreenKeysAtRest();
    ScreenKeysAtRest(const ScreenKeysAtRest&) = delete;
    ScreenKeysAtRest& operator=(const ScreenKeysAtRest&) = delete;

  private:
    ui::Screen& s_;
    ui::Screen::Bindings saved_;
};

// A window where the operator types an expression: Enter shows its value (a malformed expression
// or a division by zero tells why and keeps it for correction), Enter again on the value shown
// returns it at full precision. Esc returns nullopt. The screen's hot keys rest meanwhile.
std::optional<Decimal> CALCULADORA(ui::Screen& s);

// A text field's value with a result appended after a blank (the result alone when the field is
// empty), as calculator_text writes it; nullopt when it does not fit `capacity` characters whole:
// a number cut short would read as another number.
std::optional<std::string> append_result(std::string_view current, Decimal result, size_t capacity);

// Alt+S: the built-in calculator, its result into the active field as if typed (Enter accepts
// it): a number field receives it rounded to the field's decimals, a text field gets it appended
// (append_result). A result that does not fit is told and the field stays as it was.
void calculator_into_field(ui::Screen& s);

// Alt+K and the menu's calculator: the program `command` (VORN_CALC) started without a shell,
// waited for, with the terminal lent to it and the screen shown again afterwards; the built-in
// calculator when `command` is blank. A program that cannot start or fails is told.
void run_calculator(ui::Screen& s, Processes& processes, const std::string& command);

}  // namespace vorn::entry
