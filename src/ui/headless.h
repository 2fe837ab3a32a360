// The headless back end: the program runs with the same code, drawing into memory, its keys read
// from a key script. One step per line: "text <characters>" types them, a key name types one key,
// "snap" appends the screen (25 lines of 80 characters and a line "----"), "advance <seconds>"
// moves the clock; blank lines and "#" comments are ignored.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "ui/backend.h"

namespace vorn::ui {

struct ScriptStep {
    enum class Kind { kKey, kSnap, kAdvance };
    Kind kind = Kind::kKey;
    Key key;
    long seconds = 0;
    int line = 0;
};

struct KeyScript {
    std::vector<ScriptStep> steps;
    int error_line = 0;  // 1-based line of the first step that could not be read; 0 when none
    std::string error;
    bool ok() const { return error_line == 0; }
};

KeyScript parse_key_script(std::string_view text);

class HeadlessBackend final : public Backend {
  public:
    // Snapshots go to `out`; `advance` steps and idle waits move `clock`.
    HeadlessBackend(std::vector<ScriptStep> steps, ManualClock& clock, std::ostream& out);

    void present(const Grid& grid, const CursorState& cursor) override;
    // kPoll never takes a script step (keys are typed when the program waits). kIdle lets the
    // given seconds pass on the clock, writes snaps and returns the next key, but leaves an
    // "advance" for the next real wait and returns nothing at the end of the script. kTimed and
    // kForever write snaps, apply "advance" (kTimed then returns nothing so timed work can run)
    // and return the next key; at the end of the script they write the final screen and throw
    // ScriptEnded.
    std::optional<Key> read(Wait wait, double seconds) override;
    void beep(int hz, int ms) override;

    int beeps() const { return beeps_; }
    size_t steps_left() const { return steps_.size() - next_; }
    const Grid& shown() const { return grid_; }
    const CursorState& cursor() const { return cursor_; }

  private:
    void snap();

    std::vector<ScriptStep> steps_;
    size_t next_ = 0;
    ManualClock& clock_;
    std::ostream& out_;
    Grid grid_;
    CursorState cursor_;
    double idle_carry_ = 0;
    int beeps_ = 0;
};

}  // namespace vorn::ui
