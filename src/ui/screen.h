// The screen toolkit's hub: the 25 × 80 grid with its stack of saved areas, the cursor, colours,
// the keyboard (type-ahead, hot keys bound to functions, waits with a timeout), the clipboard and
// the clock. Text windows, the desktop layer, field input and notices all work through a Screen;
// a Backend shows it on a terminal or plays a key script.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date.h"
#include "ui/backend.h"
#include "ui/colour.h"
#include "ui/grid.h"
#include "ui/key.h"

namespace vorn::ui {

class TextWindows;
class Desktop;
class FieldEditor;

class Screen {
  public:
    // The back end and the clock must outlive the screen.
    Screen(Backend& backend, const Clock& clock);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    Grid& grid() { return grid_; }
    const Grid& grid() const { return grid_; }
    const Clock& clock() const { return clock_; }
    Backend& backend() { return backend_; }
    TextWindows& windows() { return *windows_; }
    Desktop& desktop() { return *desktop_; }
    Palette& palette() { return palette_; }

    // --- Saved areas. Opening one saves the cells under it; closing it puts back what lay under
    // it, exactly, in whatever order areas are closed: cells another open area covers go into
    // that area's saved copy instead of onto the screen.
    using LayerId = uint32_t;
    static constexpr LayerId kBase = 0;          // the screen below every saved area
    static constexpr LayerId kTop = UINT32_MAX;  // what is visible now
    LayerId save_area(Rect r);
    void restore_area(LayerId id);
    bool is_saved(LayerId id) const;
    size_t saved_areas() const { return layers_.size(); }

    // Drawing on a layer: a cell that a later area covers lands in that area's saved copy, so a
    // window below another is updated without showing through. Writes outside the screen are cut.
    void put(int row, int col, Cell cell, LayerId layer = kTop);
    // Writes UTF-8 text from (row, col); returns the number of cells written.
    int write(int row, int col, std::string_view text, uint8_t attr, LayerId layer = kTop);
    void fill(Rect r, Cell cell, LayerId layer = kTop);
    // The cell as drawn on a layer (it may be hidden under a later area).
    Cell peek(int row, int col, LayerId layer = kTop) const;
    // A single-line box on the rectangle's edge, with an optional title centred on its top line.
    void box(Rect r, uint8_t attr, LayerId layer = kTop, std::string_view title = {});

    // --- Cursor, colours and the flags a dialog restores when it closes.
    CursorState cursor;
    ColourSet colours{"N/W+,W/N,N/N,N/N,N/W+"};
    bool cancel_flag = false;
    bool confirm = true;  // a field is left only with Enter, never by filling its last position
    void set_cursor(int row, int col, bool visible = true);
    void hide_cursor() { cursor.visible = false; }

    using Action = std::function<void()>;
    // --- Keyboard. Keys already typed ahead (push_key) come first.
    void refresh();  // shows the grid now
    Key wait_key();
    // A key within `seconds`, or nullopt so the caller can do its timed work (reminders, saves).
    std::optional<Key> wait_key_for(double seconds);
    std::optional<Key> poll_key();
    // Lets time pass (lock retries); a key typed meanwhile ends the wait and is kept for later.
    void pause(double seconds);
    // Work for later: `a` runs once, while the program waits for a key, as soon as `seconds`
    // have passed (a message that stays in the status line for a few seconds).
    void after(double seconds, Action a);
    void push_key(const Key& k) { typeahead_.push_back(k); }
    void clear_keys() { typeahead_.clear(); }
    // True when Esc was typed (it is consumed; other keys typed ahead stay).
    bool esc_pressed();

    // --- Hot keys: a bound key runs its function wherever the program waits for input, and the
    // input goes on afterwards unless the function called end_input().
    struct Binding {
        Key key;
        Action action;
    };
    using Bindings = std::vector<Binding>;
    void bind(const Key& k, Action a);
    void unbind(const Key& k);
    bool is_bound(const Key& k) const;
    const Bindings& bindings() const { return bindings_; }
    void set_bindings(Bindings b) { bindings_ = std::move(b); }
    // Runs the function bound to k (never inside itself); false when k is not bound.
    bool run_hot_key(const Key& k);
    void end_input() { end_input_ = true; }
    bool take_end_input() { return std::exchange(end_input_, false); }

    // --- The field being edited (for the clipboard and hot keys) and the clipboard.
    FieldEditor* active_field() const { return active_field_; }
    void set_active_field(FieldEditor* f) { active_field_ = f; }
    std::string clipboard;
    // The keys of a whole run: Alt+V pastes into the active field, Ctrl+C copies it, and Insert
    // goes back to toggling insert/overwrite (the toolkit binds it to pasting at set-up).
    void bind_clipboard_keys();

    void beep(int hz, int ms) { backend_.beep(hz, ms); }
    // Runs `outside` (an outside program) with the terminal lent to it, then shows the grid again
    // as it was; keys typed meanwhile belong to the outside program.
    template <class F>
    auto lend_terminal(F&& outside) {
        refresh();
        backend_.suspend();
        struct Resume {
            Screen& s;
            ~Resume() {
                s.backend_.resume();
                s.refresh();
            }
        } resume{*this};
        return outside();
    }
    // The operator's absence: when no key comes for `seconds` while the program waits for one,
    // `gone` runs once with the moment the limit passed; the next key runs `back` before it is
    // handed on. Seconds of 0 or less end the watch.
    void watch_idle(double seconds, std::function<void(const DateTime& since)> gone, Action back);

    // Messages for developers (refused closes and the like); never shown to the operator.
    void dev_log(std::string msg);
    const std::vector<std::string>& dev_messages() const { return dev_log_; }

  private:
    struct Layer {
        LayerId id;
        Rect rect;
        std::vector<Cell> saved;
        Cell& at(int r, int c) { return saved[index(r, c)]; }
        const Cell& at(int r, int c) const { return saved[index(r, c)]; }
        size_t index(int r, int c) const {
            return static_cast<size_t>((r - rect.top) * rect.width() + c - rect.left);
        }
    };
    Layer* covering(int r, int c, LayerId above);
    const Layer* covering(int r, int c, LayerId above) const;

    // The idle watch: before a wait, how long until its limit (nullopt: no watch or it fired);
    // after one, whether the limit passed; and a key's arrival.
    std::optional<double> until_idle() const;
    void check_idle();
    Key key_arrived(Key k);

    Backend& backend_;
    const Clock& clock_;
    double idle_limit_ = 0;
    std::function<void(const DateTime&)> idle_gone_;
    Action idle_back_;
    DateTime last_key_;
    bool idle_fired_ = false;
    Grid grid_;
    Palette palette_;
    std::vector<Layer> layers_;  // in the order they were opened
    LayerId next_layer_ = 1;
    struct Later {
        DateTime when;
        Action action;
    };
    // Seconds until the first work for later is due (negative: overdue); none pending: nullopt.
    std::optional<double> until_later() const;
    void run_later();

    std::deque<Key> typeahead_;
    std::vector<Later> later_;
    Bindings bindings_;
    std::vector<Key> running_;  // hot keys whose function is running
    bool end_input_ = false;
    FieldEditor* active_field_ = nullptr;
    std::vector<std::string> dev_log_;
    std::unique_ptr<TextWindows> windows_;
    std::unique_ptr<Desktop> desktop_;
};

}  // namespace vorn::ui
