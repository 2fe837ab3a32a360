// The desktop layer drawn inside the grid: the main window and dialog windows (LDialog), the menu
// bar with pull-down menus (LMenu) and the text-style menu bar, the toolbar, the status bar,
// message boxes (LMSGBOX, LMSGYN, MSGALERT) and the window loop (LACTIVATE). Windows are held in a
// list; the last one opened is the active one and a window restores, when it closes, what was in
// force before it opened.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/colour.h"
#include "ui/field.h"
#include "ui/screen.h"

namespace vorn::ui {

// A caption without its "&" marks, and its accelerator letter in upper case (0 when none).
std::string caption_text(std::string_view caption);
char32_t caption_accelerator(std::string_view caption);

struct LMenuItem {
    std::string caption;  // "&" before the accelerator letter
    std::function<void()> action;
    int id = 0;  // sequence number over the whole bar: its menu event
    bool enabled = true;
    bool submenu = false;
    bool separator = false;
    std::vector<LMenuItem> items;  // of a submenu
    std::string note;              // shown at the right of the item (a hot key)
};

// A menu bar built level by level: SubMenu opens a level, MenuItem adds to the current level,
// EndMenu closes it. Items and submenus are numbered 1000, 1001, ... in the order given.
class LMenu {
  public:
    static constexpr int kFirstEvent = 1000, kLastEvent = 1999;
    void SubMenu(std::string caption, bool enabled = true);
    void MenuItem(std::string caption, std::function<void()> action, bool enabled = true,
                  std::string note = {});
    void Separator();
    void EndMenu();
    // Puts a copy of the menu on the active window as its menu bar and draws it.
    void Create(Screen& screen) const;

    // Depth-first search by sequence number.
    LMenuItem* find(int id);
    const std::vector<LMenuItem>& bar() const { return bar_; }
    std::vector<LMenuItem>& items() { return bar_; }

  private:
    std::vector<LMenuItem>& level();
    std::vector<LMenuItem> bar_;
    std::vector<int> path_;  // indexes of the submenus being built
    int next_id_ = kFirstEvent;
};

struct LTBButton {
    std::string caption;
    std::function<void()> action;
    int id = 0;
    bool enabled = true;
};

// Buttons on the row under the menu bar, pressed with the mouse; numbered 2000, 2001, ...
class LToolBar {
  public:
    static constexpr int kFirstEvent = 2000;
    void Button(std::string caption, std::function<void()> action);
    void Create(Screen& screen) const;
    LTBButton* find(int id);
    const std::vector<LTBButton>& buttons() const { return buttons_; }

  private:
    std::vector<LTBButton> buttons_;
};

struct LSBPart {
    int index = 0;  // 1-based; part 1 is the system's status line
    std::string text;
    std::function<std::string()> block;  // when set, yields the text each time it is drawn
    int width = 0;                       // 0: the width of the text
    std::string shown() const { return block ? block() : text; }
};

struct LStatusBar {
    std::vector<LSBPart> parts;
    // Shown in part 1 while it holds no text: the keys of the window.
    std::string idle;
    // Part `index` (1-based); setting a missing part adds it.
    void set_text(int index, std::string text);
    std::string text(int index) const;
};

class Desktop;

// Where a menu bar is drawn, its colours, and what its caller wants to hear during navigation.
struct MenuPlace {
    int row = 0, left = 0, right = kCols - 1;
    Screen::LayerId layer = Screen::kBase;
};
struct MenuStyle {
    uint8_t normal, accel, select, disabled;
};
struct MenuHooks {
    std::function<void(const LMenuItem*)> on_highlight;  // the item highlighted, or none
    std::function<int(const Key&)> shortcut;             // a key that chooses an item at once
    // A disabled item was chosen; by default the bottom line says kNotAvailable.
    std::function<void()> on_disabled;
};
// What a disabled item, or a choice whose command this build does not carry out, answers.
inline constexpr const char* kNotAvailable = "Opção ainda não disponível nesta versão.";
struct MenuTitle {
    int col, width;
};
std::vector<MenuTitle> menu_titles(const LMenu& menu, int left);
void draw_menu_bar(Screen& s, const LMenu& menu, const MenuPlace& place, const MenuStyle& style,
                   int highlighted = -1);
// Pull-down navigation from bar title `title`: arrows, Enter, accelerators (Alt+letter on the
// bar), Esc and the mouse. The id of the item chosen, 0 when none was.
int navigate_menu(Screen& s, LMenu& menu, const MenuPlace& place, const MenuStyle& style, int title,
                  const MenuHooks& hooks);

// The text-style menu bar on row 0: pads of items, each with a hot key, a one-line description
// shown on the bottom line while it is highlighted, and a command code. An item whose caption is
// one line-drawing character is a separator. Drawn in the CORMENU colours.
struct TextMenuItem {
    std::string caption;
    std::optional<Key> hot_key;
    std::string description;
    int code = 0;
    bool enabled = true;  // a disabled item is shown but cannot be chosen, nor its hot key used
};
struct TextMenuPad {
    std::string caption;
    std::vector<TextMenuItem> items;
};
class TextMenuBar {
  public:
    explicit TextMenuBar(std::vector<TextMenuPad> pads);
    void draw(Screen& s);
    // Opens pad `start`; the code of the item chosen (an item's hot key chooses it at once),
    // 0 on Esc.
    int run(Screen& s, int start = 0);
    // The code of the item a hot key stands for, 0 when none.
    int code_for(const Key& k) const;

  private:
    MenuStyle style(Screen& s) const;
    bool has_disabled_hot_key(const Key& k) const;
    // The item a menu id stands for (pads have ids too: nullptr for them).
    const TextMenuItem* item(int id) const;
    std::vector<TextMenuPad> pads_;
    LMenu menu_;
    std::vector<std::pair<size_t, size_t>> by_id_;  // pad and item per menu id; pads: npos
};

// A dialog window, or the main window (the whole screen, no frame). Coordinates are screen cells.
class LDialog {
  public:
    int nTop = 0, nLeft = 0, nBottom = kRows - 1, nRight = kCols - 1;
    std::string title;
    uint8_t colour = 0x70;
    bool lExitEsc = true;  // Esc ends its loop

    std::optional<LMenu> menu;
    std::optional<LToolBar> toolbar;
    std::optional<LStatusBar> status_bar;
    // Keys the window handles before the toolkit does (true: handled).
    std::function<bool(const Key&)> on_key;

    bool is_main() const { return main_; }
    Rect frame() const { return {nTop, nLeft, nBottom, nRight}; }
    // Inside the frame, below the menu bar and toolbar, above the status bar.
    Rect client() const;
    Screen::LayerId layer() const { return layer_; }

    // Text at a row and column of the client area, in the window's colour unless given.
    void say(int row, int col, std::string_view text, std::optional<Colour> colour = {});
    // A push button at a row and column of the client area; labels shorter than 10 characters
    // are centred in 10. Returns its index.
    int AddButton(int row, int col, std::string caption, std::function<void()> action);
    void set_focus(int button);
    int focus() const { return focus_; }
    // Reads fields placed in client coordinates; the window cannot close meanwhile.
    ReadResult ReadModal(std::vector<Get>& fields);
    // Ends the window's loop with a code; Cancel ends it with 0 and marks it cancelled.
    void End(int code);
    void Cancel();
    // Closes this window (see Desktop::close for when it refuses).
    bool Close();
    // A function run every `seconds` while the window's loop waits for keys.
    void SetTimer(int id, double seconds, std::function<void()> fn);
    void KillTimer(int id);

    bool ended() const { return ended_; }
    int end_code() const { return end_code_; }
    bool cancelled() const { return cancelled_; }
    bool closed() const { return closed_; }
    void draw();

  private:
    friend class Desktop;
    friend class ActiveRead;
    LDialog(Screen& screen, bool main) : screen_(screen), main_(main) {}
    void draw_buttons();
    int button_at(int row, int col) const;
    void press(int button);
    bool handle_button_key(const Key& k);
    // Seconds from the clock's epoch, for timers.
    long long now() const;

    struct Button {
        int row, col;
        std::string caption;
        std::function<void()> action;
        int width() const;
    };
    struct Timer {
        int id;
        double every;
        long long due;
        std::function<void()> fn;
    };
    struct Restore {
        ColourSet colours;
        CursorState cursor;
        bool cancel_flag = false;
        Screen::Bindings bindings;
    };

    Screen& screen_;
    bool main_ = false;
    Screen::LayerId layer_ = Screen::kBase;
    std::vector<Button> buttons_;
    int focus_ = 0;
    std::vector<Timer> timers_;
    Restore restore_;
    LDialog* previous_ = nullptr;  // focus returns there on close
    int active_reads_ = 0;
    bool ended_ = false, cancelled_ = false, closed_ = false;
    int end_code_ = 0;
};

class Desktop {
  public:
    explicit Desktop(Screen& screen);

    LDialog& main() { return *windows_.front(); }
    LDialog& active() { return *windows_.back(); }
    size_t window_count() const { return windows_.size(); }

    // LDLGSHOW: a framed window with the title on its top line, drawn over a saved background.
    // The desktop holds it while it is open; a caller keeping the pointer may still ask a closed
    // window to close (and is refused).
    std::shared_ptr<LDialog> show(int top, int left, int bottom, int right, std::string title,
                                  std::optional<Colour> colour = {});
    // Closes a window: refused (and logged for developers) for the main window, a window that is
    // not the active one, one closed already, or one with active input fields. Restores the
    // colours, cursor, cancel flag and key bindings of before it opened, and its background.
    bool close(LDialog& w);
    // LACTIVATE: runs the active window's loop until End/Cancel/Close (or Esc when allowed):
    // hot keys, the window's own keys, the menu bar (F10, Alt+accelerator, mouse), the toolbar,
    // push buttons (arrows/Tab, Enter, accelerator, mouse) and its timers.
    int activate(bool exit_on_esc);

    // Menu and toolbar events: the item (or button) with that number runs; an event nobody owns
    // reports the internal error.
    bool LMenuActivate(int event);
    bool LTBActivate(int event);
    // The menu bar of the top-most window that has one.
    LMenu* active_menu();
    LToolBar* active_toolbar();
    // The window whose status bar tells what the system says (MENS kind 0, the operator's status
    // texts): the top-most one that has a status bar, the main window when none has.
    LDialog& status_window();

    // Redraws a window's menu bar (with one title highlighted, or none), toolbar and status bar.
    void draw_bars(LDialog& w, int highlighted = -1);
    // The menu bar, toolbar and button keys of a window; true when the key was used.
    bool handle_key(LDialog& w, const Key& k);

  private:
    int bar_row(const LDialog& w) const { return w.is_main() ? w.nTop : w.nTop + 1; }
    MenuPlace bar_place(const LDialog& w) const;
    void run_menu(LDialog& w, int title);
    void run_due_timers(LDialog& w);

    Screen& screen_;
    std::vector<std::shared_ptr<LDialog>> windows_;
};

std::shared_ptr<LDialog> LDLGSHOW(Screen& s, int top, int left, int bottom, int right,
                                  std::string title);
bool LDLGCLOSE(Screen& s);
int LACTIVATE(Screen& s, bool exit_on_esc);
// A status bar with one part per text on the active window, drawn at once.
void LSBDRAW(Screen& s, const std::vector<std::string>& texts);

enum class Icon { kNone, kInformation, kQuestion, kError };

// A modal message: framed, centred, lines of text, a row of buttons at the bottom. It widens up to
// the screen; a longer line goes on over more lines, broken between words, and more than 16
// lines scroll with PgUp/PgDn: no text is ever cut.
struct MessageBox {
    std::vector<std::string> lines;
    std::vector<std::string> buttons;  // none: any key closes it
    int default_button = 1;
    std::string title;
    std::optional<Colour> colour;
    Icon icon = Icon::kNone;
    bool esc_closes = true;
};
// The 1-based button pressed, or 0 for Esc (and for any key when there are no buttons).
int show_message(Screen& s, const MessageBox& box);

// ";" in the text starts a new line.
void LMSGBOX(Screen& s, std::string_view text, std::string_view title = "DURO");
bool LMSGYN(Screen& s, std::string_view text = "Confirma ?", std::string_view title = "DURO");
// A dialog sized to the text (as show_message), buttons in a row
// ("<ENTER>" when none are given); the number of the button pressed, 0 on Esc.
int MSGALERT(Screen& s, const std::vector<std::string>& lines,
             const std::vector<std::string>& buttons = {}, std::optional<Colour> colour = {},
             std::string_view title = {}, bool exit_on_esc = true);

// Splits a text at ";" (message boxes) or at line feeds.
std::vector<std::string> split_lines(std::string_view text, char sep);

}  // namespace vorn::ui
