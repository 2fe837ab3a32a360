// The application's notices, through which every part of the system talks to the operator: MENS
// (status line, modal notices, key questions, notices that stay, one-field questions), AVISOSN
// (message boxes and alert dialogs with their answers), AVISO, BEEP_ERRO, and ScreenOperator, the
// implementation of vorn::Operator that storage and computations call.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/operator.h"
#include "ui/colour.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::ui {

inline constexpr const char* kProgramTitle = "VORN2026 - Brio Informatica";

// Where a notice window stands: right-aligned so that it ends at column 70 (the default), "E"
// (column 2), "C" (centred in 80 columns) or a column number.
struct MensColumn {
    enum class Mode { kEndAt70, kLeft, kCentre, kAt };
    Mode mode = Mode::kEndAt70;
    int col = 0;
    MensColumn() = default;
    MensColumn(int c) : mode(Mode::kAt), col(c) {}  // NOLINT
    MensColumn(const char* s);                      // NOLINT: "E" or "C"
};

struct MensArgs {
    int row = 20;
    MensColumn column;
    int lines = 1;                // a single text is cut into this many equal lines
    std::string keys;             // kind 2: the characters that answer (any case)
    Var variable;                 // kind 4
    int width = 0;                // kind 4: characters of the field shown
    std::string picture;          // kind 4: default upper case, scrolling within the width
    std::function<bool()> valid;  // kind 4
    int window = 10;
    std::string title = kProgramTitle;
    std::string item;  // kind 9: the number of the item being edited
};

// The notice routine. The units digit of `kind` is the behaviour, the tens digit the border type
// of the notice window (13: a bordered kind-3 notice):
//   0 the text into part 1 of the status bar (no text clears it);  1 modal notice with a beep,
//   any key;  2 waits for one of args.keys (returns it, " " on Esc);  3 stays on screen in
//   args.window until FECHAJAN;  4 asks for args.variable after the text (Esc empties it; returns
//   the value as text);  5 modal notice, any key;  9 modal notice titled after the item edited.
std::string MENS(Screen& s, int kind, const std::vector<std::string>& text,
                 const MensArgs& args = {});
std::string MENS(Screen& s, int kind, std::string_view text, const MensArgs& args = {});

// Message boxes (kinds 0 information, 1 plain, 2 yes/no, 3 yes/no/cancel, 8 error) and alert
// dialogs (4 Sim/Não/Fim, 5 buttons 1-3, 6 the caller's buttons, 7 buttons 1-6), answering
// "", "N", "S"/"N", "S"/"N"/"I", "", "S"/"N"/"F", and the button number ("0" on Esc).
std::string AVISOSN(Screen& s, const std::vector<std::string>& lines, int kind = 0,
                    const std::vector<std::string>& buttons = {}, std::string title = {});

// A text at a row and column (default row 24, column 0) in COR_CLI_HE unless a colour is given.
void AVISO(Screen& s, std::string_view text, int row = kRows - 1, int col = 0,
           std::optional<Colour> colour = {});
// Per time, twice the tone pair 300 Hz / 499 Hz.
void BEEP_ERRO(Screen& s, int times = 1);

class ScreenOperator final : public Operator {
  public:
    explicit ScreenOperator(Screen& s) : s_(s) {}
    void notice(NoticeKind kind, std::string_view title, std::string_view text) override;
    bool yes_no(std::string_view title, std::string_view text, bool default_yes = true) override;
    int choose(std::string_view title, std::string_view text,
               const std::vector<std::string>& buttons, int default_button = 0) override;
    void status(std::string_view text) override;
    void progress(std::string_view text) override;
    void progress_done() override;
    bool esc_pressed() override { return s_.esc_pressed(); }
    void pause(double seconds) override { s_.pause(seconds); }

  private:
    Screen& s_;
    bool progress_open_ = false;
};

}  // namespace vorn::ui
