// The footer hints of the declaration's screens and lists (MRODAPE): twenty texts by number, two
// of them with a variable part, and the footer of a screen, which stays on the status line while
// nothing else is said there.
#pragma once

#include <string>

#include "ui/desktop.h"
#include "ui/screen.h"

namespace vorn::entry {

inline constexpr int kHintCount = 20;

// Hint `number` (1-20). Hint 7 depends on the summary's option and hint 12 on the Carnê-Leão
// payment (hint_summary, hint_carne_leao); hint 10 is the marks the item editor shows itself.
// Those three, and a number outside 1-20, are programming errors (std::out_of_range).
std::string hint(int number);
// Hint 7: the summary's, by its option.
std::string hint_summary(bool simplified);
// Hint 12: the monthly grid's, naming the Carnê-Leão that Alt+N switches the adjustment to
// (the amounts paid, or those due).
std::string hint_carne_leao(bool to_paid);

// MRODAPE: while it lives, `text` is the footer of the status window (the top-most window with a
// status line) and shows whenever nothing else is said there; then the footer it replaced comes
// back.
class FooterHint {
  public:
    FooterHint(ui::Screen& screen, std::string text);
    ~FooterHint();
    FooterHint(const FooterHint&) = delete;
    FooterHint& operator=(const FooterHint&) = delete;
    // Another text for the same footer (the summary after a switch of option).
    void change(std::string text);

  private:
    ui::Screen& screen_;
    ui::LDialog& window_;
    std::string before_;
};

}  // namespace vorn::entry
