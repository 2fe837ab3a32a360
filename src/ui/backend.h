// What shows the grid and delivers keys: the ncurses terminal or the headless key script. The
// toolkit calls present() before every wait, so a back end always shows the latest grid.
#pragma once

#include <optional>

#include "ui/grid.h"
#include "ui/key.h"

namespace vorn::ui {

struct CursorState {
    int row = 0, col = 0;
    bool visible = false;
    bool insert = false;  // insert mode shows a larger cursor
    friend bool operator==(const CursorState&, const CursorState&) = default;
};

// How long read() may wait.
enum class Wait {
    kPoll,     // only a key already typed
    kTimed,    // up to the given seconds: the program polls timed work between keys
    kForever,  // until a key arrives
    kIdle,     // the program lets time pass (a lock retry); a key typed meanwhile ends the wait
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Shows the grid and the cursor; only what changed since the last call needs writing.
    virtual void present(const Grid& grid, const CursorState& cursor) = 0;
    // The next key or click, or nullopt when the wait ended without one.
    virtual std::optional<Key> read(Wait wait, double seconds) = 0;
    // A tone; back ends that cannot play one ring the bell or count it.
    virtual void beep(int hz, int ms) = 0;
    // Lends the terminal to an outside program (the terminal leaves its screen mode) until
    // resume(), which takes it back and shows the whole grid again. A back end without a
    // terminal has nothing to lend.
    virtual void suspend() {}
    virtual void resume() {}
};

// Thrown by the headless back end when its key script has run out while the program waits for a
// key, after it has written the final screen. Not a std::exception: only main catches it.
struct ScriptEnded {};

}  // namespace vorn::ui
