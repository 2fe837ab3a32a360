// Dialog windows, the menu bar and its pull-down menus, toolbar, status bar and message boxes.
#include "ui/desktop.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "base/text.h"

namespace vorn::ui {
namespace {

// Colours of the desktop: grey bars and dialogs, blue selection, red accelerators.
constexpr uint8_t kBarAttr = 0x70;       // N/W
constexpr uint8_t kAccelAttr = 0x74;     // R/W
constexpr uint8_t kSelectAttr = 0x1F;    // W+/B
constexpr uint8_t kDisabledAttr = 0x78;  // N+/W

constexpr MenuStyle kDesktopStyle{kBarAttr, kAccelAttr, kSelectAttr, kDisabledAttr};

uint8_t accel_attr(uint8_t base) {
    return static_cast<uint8_t>((base & 0xF0) | 0x04);
}

// A disabled item in grey (N+) on the background it stands on, highlighted or not.
uint8_t greyed(uint8_t base) {
    return static_cast<uint8_t>((base & 0xF0) | 0x08);
}

uint8_t item_attr(const MenuStyle& style, bool selected, bool enabled) {
    if (selected) return enabled ? style.select : greyed(style.select);
    return enabled ? style.normal : style.disabled;
}

// Writes a caption without its "&", the accelerator letter in its own colour.
int write_caption(Screen& s, int row, int col, std::string_view caption, uint8_t attr,
                  uint8_t accel, Screen::LayerId layer) {
    std::u32string c = to_u32(caption);
    int x = col;
    bool mark = false, marked = false;
    for (size_t i = 0; i < c.size(); ++i) {
        if (c[i] == U'&' && !mark && i + 1 < c.size() && c[i + 1] != U'&') {
            mark = true;
            continue;
        }
        if (c[i] == U'&' && i + 1 < c.size() && c[i + 1] == U'&') ++i;
        s.put(row, x++, {c[i], mark && !marked ? accel : attr}, layer);
        if (mark) marked = true;
        mark = false;
    }
    return x - col;
}

char32_t upper_letter(char32_t c) {
    std::u32string u = to_u32(upper(to_utf8(std::u32string(1, c))));
    return u.size() == 1 ? u[0] : c;
}

// The accelerator of a key: a plain character or Alt+character.
char32_t key_letter(const Key& k) {
    if (k.code != KeyCode::kChar || (k.mods & ~kAlt)) return 0;
    return upper_letter(k.ch);
}

// A button's caption with its accelerator marked: its own "&", or else its first letter or digit.
std::string button_caption(std::string_view caption) {
    if (caption_accelerator(caption)) return std::string(caption);
    std::u32string t = to_u32(caption);
    auto it = std::find_if(t.begin(), t.end(), [](char32_t c) {
        return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') ||
               c >= 0xC0;
    });
    if (it == t.end()) return std::string(caption);
    t.insert(it, U'&');
    return to_utf8(t);
}

}  // namespace

std::string caption_text(std::string_view caption) {
    std::u32string c = to_u32(caption), out;
    for (size_t i = 0; i < c.size(); ++i) {
        if (c[i] == U'&') {
            if (i + 1 < c.size() && c[i + 1] == U'&') out += c[++i];
            continue;
        }
        out += c[i];
    }
    return to_utf8(out);
}

char32_t caption_accelerator(std::string_view caption) {
    std::u32string c = to_u32(caption);
    for (size_t i = 0; i + 1 < c.size(); ++i) {
        if (c[i] != U'&') continue;
        if (c[i + 1] == U'&') {
            ++i;
            continue;
        }
        return upper_letter(c[i + 1]);
    }
    return 0;
}

std::vector<std::string> split_lines(std::string_view text, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(sep, start);
        std::string line(text.substr(start, at == std::string_view::npos ? text.npos : at - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Menus, toolbar, status bar

std::vector<LMenuItem>& LMenu::level() {
    std::vector<LMenuItem>* items = &bar_;
    for (int i : path_) items = &(*items)[static_cast<size_t>(i)].items;
    return *items;
}

void LMenu::SubMenu(std::string caption, bool enabled) {
    if (next_id_ > kLastEvent) throw std::length_error("menu with more than 1000 entries");
    auto& items = level();
    items.push_back({std::move(caption), {}, next_id_++, enabled, true, false, {}, {}});
    path_.push_back(static_cast<int>(items.size()) - 1);
}

void LMenu::MenuItem(std::string caption, std::function<void()> action, bool enabled,
                     std::string note) {
    if (next_id_ > kLastEvent) throw std::length_error("menu with more than 1000 entries");
    level().push_back({std::move(caption),
                       std::move(action),
                       next_id_++,
                       enabled,
                       false,
                       false,
                       {},
                       std::move(note)});
}

void LMenu::Separator() {
    level().push_back({"", {}, 0, false, false, true, {}, {}});
}

void LMenu::EndMenu() {
    if (path_.empty()) throw std::logic_error("EndMenu without SubMenu");
    path_.pop_back();
}

void LMenu::Create(Screen& screen) const {
    if (!path_.empty()) throw std::logic_error("menu created with a submenu still open");
    LDialog& w = screen.desktop().active();
    w.menu = *this;
    screen.desktop().draw_bars(w);
}

namespace {
LMenuItem* find_in(std::vector<LMenuItem>& items, int id) {
    for (auto& it : items) {
        if (it.separator) continue;
        if (it.id == id) return &it;
        if (LMenuItem* sub = find_in(it.items, id)) return sub;
    }
    return nullptr;
}
}  // namespace

LMenuItem* LMenu::find(int id) {
    return find_in(bar_, id);
}

void LToolBar::Button(std::string caption, std::function<void()> action) {
    int id = kFirstEvent + static_cast<int>(buttons_.size());
    buttons_.push_back({std::move(caption), std::move(action), id, true});
}

void LToolBar::Create(Screen& screen) const {
    LDialog& w = screen.desktop().active();
    w.toolbar = *this;
    screen.desktop().draw_bars(w);
}

LTBButton* LToolBar::find(int id) {
    for (auto& b : buttons_)
        if (b.id == id) return &b;
    return nullptr;
}

void LStatusBar::set_text(int index, std::string text) {
    for (auto& p : parts)
        if (p.index == index) {
            p.text = std::move(text);
            p.block = nullptr;
            return;
        }
    parts.push_back({index, std::move(text), {}, 0});
    std::sort(parts.begin(), parts.end(),
              [](const LSBPart& a, const LSBPart& b) { return a.index < b.index; });
}

std::string LStatusBar::text(int index) const {
    for (const auto& p : parts)
        if (p.index == index) return p.shown();
    return {};
}

void LSBDRAW(Screen& s, const std::vector<std::string>& texts) {
    LDialog& w = s.desktop().active();
    LStatusBar bar;
    for (size_t i = 0; i < texts.size(); ++i)
        bar.parts.push_back({static_cast<int>(i) + 1, texts[i], {}, 0});
    w.status_bar = std::move(bar);
    s.desktop().draw_bars(w);
}

// ---------------------------------------------------------------------------------------------
// LDialog

int LDialog::Button::width() const {
    int n = static_cast<int>(char_count(caption_text(caption)));
    return std::max(n, 10) + 2;
}

Rect LDialog::client() const {
    Rect r = main_ ? frame() : Rect{nTop + 1, nLeft + 1, nBottom - 1, nRight - 1};
    if (menu) ++r.top;
    if (toolbar) ++r.top;
    if (status_bar) --r.bottom;
    return r;
}

void LDialog::say(int row, int col, std::string_view text, std::optional<Colour> c) {
    Rect cl = client();
    std::string t = left(text, static_cast<size_t>(std::max(0, cl.right - (cl.left + col) + 1)));
    screen_.write(cl.top + row, cl.left + col, t, c ? c->attr : colour, layer_);
}

int LDialog::AddButton(int row, int col, std::string caption, std::function<void()> action) {
    Rect cl = client();
    buttons_.push_back({cl.top + row, cl.left + col, std::move(caption), std::move(action)});
    draw_buttons();
    return static_cast<int>(buttons_.size()) - 1;
}

void LDialog::set_focus(int button) {
    if (button >= 0 && button < static_cast<int>(buttons_.size())) focus_ = button;
    draw_buttons();
}

void LDialog::draw_buttons() {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const Button& b = buttons_[i];
        bool focused = static_cast<int>(i) == focus_;
        uint8_t attr = focused ? kSelectAttr : colour;
        std::string label = caption_text(b.caption);
        int inner = b.width() - 2;
        int pad = (inner - static_cast<int>(char_count(label))) / 2;
        screen_.put(b.row, b.col, {U'[', attr}, layer_);
        screen_.fill({b.row, b.col + 1, b.row, b.col + inner}, {U' ', attr}, layer_);
        write_caption(screen_, b.row, b.col + 1 + pad, button_caption(b.caption), attr,
                      focused ? attr : accel_attr(attr), layer_);
        screen_.put(b.row, b.col + inner + 1, {U']', attr}, layer_);
    }
}

int LDialog::button_at(int row, int col) const {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const Button& b = buttons_[i];
        if (row == b.row && col >= b.col && col < b.col + b.width()) return static_cast<int>(i);
    }
    return -1;
}

void LDialog::press(int button) {
    focus_ = button;
    draw_buttons();
    auto action = buttons_[static_cast<size_t>(button)].action;
    if (action) action();
}

bool LDialog::handle_button_key(const Key& k) {
    if (buttons_.empty()) return false;
    int n = static_cast<int>(buttons_.size());
    if (k.is_mouse()) {
        int b = button_at(k.row, k.col);
        if (b < 0) return false;
        press(b);
        return true;
    }
    if (k.is(KeyCode::kTab) || k.is(KeyCode::kRight) || k.is(KeyCode::kDown)) {
        set_focus((focus_ + 1) % n);
        return true;
    }
    if (k.is(KeyCode::kTab, kShift) || k.is(KeyCode::kLeft) || k.is(KeyCode::kUp)) {
        set_focus((focus_ + n - 1) % n);
        return true;
    }
    if (k.is(KeyCode::kEnter)) {
        press(focus_);
        return true;
    }
    if (char32_t letter = key_letter(k)) {
        for (int i = 0; i < n; ++i)
            if (caption_accelerator(button_caption(buttons_[static_cast<size_t>(i)].caption)) ==
                letter) {
                press(i);
                return true;
            }
    }
    return false;
}

ReadResult LDialog::ReadModal(std::vector<Get>& fields) {
    Rect cl = client();
    std::vector<Get> placed = fields;
    for (auto& g : placed) {
        g.row += cl.top;
        g.col += cl.left;
    }
    return READ(screen_, placed);
}

void LDialog::End(int code) {
    ended_ = true;
    end_code_ = code;
}

void LDialog::Cancel() {
    cancelled_ = true;
    End(0);
}

bool LDialog::Close() {
    return screen_.desktop().close(*this);
}

long long LDialog::now() const {
    DateTime t = screen_.clock().now();
    return static_cast<long long>(t.date.serial()) * 86400 + t.seconds;
}

void LDialog::SetTimer(int id, double seconds, std::function<void()> fn) {
    KillTimer(id);
    long long every = std::max(1LL, static_cast<long long>(seconds));
    timers_.push_back({id, static_cast<double>(every), now() + every, std::move(fn)});
}

void LDialog::KillTimer(int id) {
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

void LDialog::draw() {
    if (!main_) {
        screen_.fill(frame(), {U' ', colour}, layer_);
        screen_.box(frame(), colour, layer_, title);
    }
    screen_.desktop().draw_bars(*this);
    draw_buttons();
}

// ---------------------------------------------------------------------------------------------
// Desktop

Desktop::Desktop(Screen& screen) : screen_(screen) {
    windows_.push_back(std::shared_ptr<LDialog>(new LDialog(screen, true)));
    windows_.front()->lExitEsc = false;
}

std::shared_ptr<LDialog> Desktop::show(int top, int left, int bottom, int right, std::string title,
                                       std::optional<Colour> colour) {
    auto d = std::shared_ptr<LDialog>(new LDialog(screen_, false));
    d->nTop = top;
    d->nLeft = left;
    d->nBottom = bottom;
    d->nRight = right;
    d->title = std::move(title);
    if (colour) d->colour = colour->attr;
    d->restore_ = {screen_.colours, screen_.cursor, screen_.cancel_flag, screen_.bindings()};
    d->previous_ = &active();
    d->layer_ = screen_.save_area(d->frame());
    windows_.push_back(d);
    d->draw();
    return d;
}

bool Desktop::close(LDialog& w) {
    auto refuse = [&](const char* why) {
        screen_.dev_log(std::string("LDLGCLOSE recusado (") + why + "): " + w.title);
        return false;
    };
    if (w.closed_) return refuse("janela já fechada");
    if (w.main_) return refuse("janela principal");
    if (&w != &active()) return refuse("não é a janela ativa");
    if (w.active_reads_ > 0) return refuse("campos de entrada ativos");
    screen_.restore_area(w.layer_);
    screen_.colours = w.restore_.colours;
    screen_.cursor = w.restore_.cursor;
    screen_.cancel_flag = w.restore_.cancel_flag;
    screen_.set_bindings(w.restore_.bindings);
    w.closed_ = true;
    w.ended_ = true;
    windows_.pop_back();
    return true;
}

LMenu* Desktop::active_menu() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->menu) return &*(*it)->menu;
    return nullptr;
}

LToolBar* Desktop::active_toolbar() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->toolbar) return &*(*it)->toolbar;
    return nullptr;
}

LDialog& Desktop::status_window() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->status_bar) return **it;
    return main();
}

namespace {
// Runs a menu item or toolbar button found for an event; an event nobody owns is an internal error.
template <class Item>
bool run_event(Screen& s, Item* item, const char* missing) {
    if (!item) {
        LMSGBOX(s, missing);
        return false;
    }
    if (!item->enabled || !item->action) return false;
    auto action = item->action;  // the action may rebuild the menu or the toolbar
    action();
    return true;
}
}  // namespace

bool Desktop::LMenuActivate(int event) {
    LMenu* m = active_menu();
    return run_event(screen_, m ? m->find(event) : nullptr,
                     "Erro interno. Nao foi encontrado um menu ativo (LMenuActivate)");
}

bool Desktop::LTBActivate(int event) {
    LToolBar* t = active_toolbar();
    return run_event(screen_, t ? t->find(event) : nullptr,
                     "Erro interno. Nao foi encontrado um toolbar ativo (LTBActivate)");
}

std::vector<MenuTitle> menu_titles(const LMenu& menu, int left) {
    std::vector<MenuTitle> out;
    int col = left + 1;
    for (const auto& item : menu.bar()) {
        int width = static_cast<int>(char_count(caption_text(item.caption))) + 2;
        out.push_back({col, width});
        col += width;
    }
    return out;
}

void draw_menu_bar(Screen& s, const LMenu& menu, const MenuPlace& place, const MenuStyle& style,
                   int highlighted) {
    s.fill({place.row, place.left, place.row, place.right}, {U' ', style.normal}, place.layer);
    auto ts = menu_titles(menu, place.left);
    const auto& bar = menu.bar();
    for (size_t i = 0; i < bar.size(); ++i) {
        bool sel = static_cast<int>(i) == highlighted;
        uint8_t attr = item_attr(style, sel, bar[i].enabled);
        s.fill({place.row, ts[i].col, place.row, ts[i].col + ts[i].width - 1}, {U' ', attr},
               place.layer);
        write_caption(s, place.row, ts[i].col + 1, bar[i].caption, attr,
                      sel || !bar[i].enabled ? attr : style.accel, place.layer);
    }
}

int navigate_menu(Screen& screen, LMenu& menu, const MenuPlace& place, const MenuStyle& style,
                  int title, const MenuHooks& hooks) {
    struct Level {
        std::vector<LMenuItem>* items;
        int sel;
        Rect box;
        Screen::LayerId layer;
    };
    std::vector<Level> levels;
    auto& bar = menu.items();
    auto ts = menu_titles(menu, place.left);
    const int n_titles = static_cast<int>(bar.size());
    int chosen = 0;
    // A disabled item chosen says so on the status line (the bottom line) until the highlight
    // moves.
    std::optional<Screen::LayerId> status_line;
    auto unavailable = [&] {
        if (hooks.on_disabled) return hooks.on_disabled();
        if (!status_line) status_line = screen.save_area({kRows - 1, 0, kRows - 1, kCols - 1});
        screen.write(kRows - 1, 0, pad_right(kNotAvailable, kCols), kBarAttr);
    };
    auto clear_unavailable = [&] {
        if (status_line) screen.restore_area(*std::exchange(status_line, std::nullopt));
    };
    // Tells the caller which item is highlighted (none while only a title is).
    auto highlight = [&] {
        clear_unavailable();
        if (!hooks.on_highlight) return;
        const Level* lv = levels.empty() ? nullptr : &levels.back();
        hooks.on_highlight(lv && lv->sel >= 0 ? &(*lv->items)[static_cast<size_t>(lv->sel)]
                                              : nullptr);
    };

    auto selectable = [](const LMenuItem& it) { return !it.separator; };
    auto first_sel = [&](const std::vector<LMenuItem>& items) {
        for (size_t i = 0; i < items.size(); ++i)
            if (selectable(items[i])) return static_cast<int>(i);
        return -1;
    };
    auto draw_level = [&](const Level& lv) {
        const Rect& b = lv.box;
        screen.fill(b, {U' ', style.normal});
        screen.box(b, style.normal);
        for (size_t i = 0; i < lv.items->size(); ++i) {
            const LMenuItem& it = (*lv.items)[i];
            int row = b.top + 1 + static_cast<int>(i);
            if (it.separator) {
                screen.put(row, b.left, {kBoxLT, style.normal});
                screen.put(row, b.right, {kBoxRT, style.normal});
                for (int c = b.left + 1; c < b.right; ++c)
                    screen.put(row, c, {kBoxH, style.normal});
                continue;
            }
            bool sel = static_cast<int>(i) == lv.sel;
            uint8_t attr = item_attr(style, sel, it.enabled);
            screen.fill({row, b.left + 1, row, b.right - 1}, {U' ', attr});
            write_caption(screen, row, b.left + 2, it.caption, attr,
                          sel || !it.enabled ? attr : style.accel, Screen::kTop);
            if (it.submenu) screen.put(row, b.right - 2, {U'►', attr});
            if (!it.note.empty()) {
                int w = static_cast<int>(char_count(it.note));
                screen.write(row, b.right - 1 - w, it.note, attr);
            }
        }
    };
    auto open_level = [&](std::vector<LMenuItem>& items, int top, int left) {
        int width = 0;
        bool subs = false;
        for (const auto& it : items) {
            int note = it.note.empty() ? 0 : static_cast<int>(char_count(it.note)) + 2;
            width = std::max(width, static_cast<int>(char_count(caption_text(it.caption))) + note);
            subs = subs || it.submenu;
        }
        width += subs ? 6 : 4;
        int height = static_cast<int>(items.size()) + 2;
        top = std::clamp(top, 0, std::max(0, kRows - height));
        if (left + width > kCols) left = std::max(0, kCols - width);
        Rect box{top, left, top + height - 1, left + width - 1};
        Level lv{&items, first_sel(items), box, screen.save_area(box)};
        draw_level(lv);
        levels.push_back(lv);
        highlight();
    };
    auto close_level = [&] {
        screen.restore_area(levels.back().layer);
        levels.pop_back();
        highlight();
    };
    auto close_all = [&] {
        while (!levels.empty()) close_level();
    };
    auto open_title = [&](int t) {
        close_all();
        title = (t + n_titles) % n_titles;
        draw_menu_bar(screen, menu, place, style, title);
        LMenuItem& it = bar[static_cast<size_t>(title)];
        if (it.submenu && it.enabled && !it.items.empty())
            open_level(it.items, place.row + 1, ts[static_cast<size_t>(title)].col - 1);
    };
    // Runs or opens an item; true when the menu is done.
    auto choose = [&](LMenuItem& it, const Rect* parent, int row) {
        if (it.separator) return false;
        if (!it.enabled) {
            unavailable();
            return false;
        }
        if (it.submenu) {
            if (it.items.empty()) return false;
            if (!parent) {
                open_title(title);
                return false;
            }
            int left = parent->right + 1;
            int width = 0;
            for (const auto& s : it.items)
                width = std::max(width, static_cast<int>(char_count(caption_text(s.caption))) + 6);
            if (left + width > kCols) left = std::max(0, parent->left - width);
            open_level(it.items, row, left);
            return false;
        }
        chosen = it.id;
        return true;
    };

    open_title(title);
    bool done = false;
    while (!done) {
        Key k = screen.wait_key();
        if (hooks.shortcut)
            if (int id = hooks.shortcut(k)) {
                chosen = id;
                break;
            }
        if (k.is_mouse()) {
            if (k.row == place.row) {
                bool hit = false;
                for (int t = 0; t < n_titles; ++t)
                    if (k.col >= ts[static_cast<size_t>(t)].col &&
                        k.col < ts[static_cast<size_t>(t)].col + ts[static_cast<size_t>(t)].width) {
                        hit = true;
                        if (t != title || levels.empty()) open_title(t);
                        if (!bar[static_cast<size_t>(t)].submenu)
                            done = choose(bar[static_cast<size_t>(t)], nullptr, 0);
                    }
                if (!hit) done = true;
                continue;
            }
            // The innermost level under the click.
            int hit_level = -1;
            for (int i = static_cast<int>(levels.size()) - 1; i >= 0 && hit_level < 0; --i)
                if (levels[static_cast<size_t>(i)].box.contains(k.row, k.col)) hit_level = i;
            if (hit_level < 0) {
                done = true;
                continue;
            }
            while (static_cast<int>(levels.size()) > hit_level + 1) close_level();
            Level& lv = levels.back();
            int idx = k.row - lv.box.top - 1;
            if (idx < 0 || idx >= static_cast<int>(lv.items->size())) continue;
            LMenuItem& it = (*lv.items)[static_cast<size_t>(idx)];
            if (!selectable(it)) continue;
            lv.sel = idx;
            draw_level(lv);
            highlight();
            done = choose(it, &lv.box, k.row);
            continue;
        }
        if (levels.empty()) {
            // A bar title without a pull-down is highlighted.
            if (k.is(KeyCode::kEsc))
                done = true;
            else if (k.is(KeyCode::kLeft))
                open_title(title - 1);
            else if (k.is(KeyCode::kRight))
                open_title(title + 1);
            else if (k.is(KeyCode::kEnter) || k.is(KeyCode::kDown))
                done = choose(bar[static_cast<size_t>(title)], nullptr, 0);
            else if (char32_t letter = key_letter(k)) {
                for (int t = 0; t < n_titles; ++t)
                    if (caption_accelerator(bar[static_cast<size_t>(t)].caption) == letter) {
                        open_title(t);
                        if (!bar[static_cast<size_t>(t)].submenu)
                            done = choose(bar[static_cast<size_t>(t)], nullptr, 0);
                        break;
                    }
            }
            continue;
        }
        Level& lv = levels.back();
        auto& items = *lv.items;
        const int count = static_cast<int>(items.size());
        auto step = [&](int dir) {
            if (lv.sel < 0) return;
            int i = lv.sel;
            do i = (i + dir + count) % count;
            while (!selectable(items[static_cast<size_t>(i)]));
            lv.sel = i;
            draw_level(lv);
            highlight();
        };
        if (k.is(KeyCode::kEsc)) {
            if (levels.size() > 1)
                close_level();
            else
                done = true;
        } else if (k.is(KeyCode::kUp)) {
            step(-1);
        } else if (k.is(KeyCode::kDown)) {
            step(1);
        } else if (k.is(KeyCode::kHome) || k.is(KeyCode::kEnd)) {
            lv.sel = k.is(KeyCode::kHome) ? first_sel(items) : lv.sel;
            if (k.is(KeyCode::kEnd))
                for (int i = count - 1; i >= 0; --i)
                    if (selectable(items[static_cast<size_t>(i)])) {
                        lv.sel = i;
                        break;
                    }
            draw_level(lv);
            highlight();
        } else if (k.is(KeyCode::kLeft)) {
            if (levels.size() > 1)
                close_level();
            else
                open_title(title - 1);
        } else if (k.is(KeyCode::kRight)) {
            LMenuItem* cur = lv.sel >= 0 ? &items[static_cast<size_t>(lv.sel)] : nullptr;
            if (cur && cur->submenu && cur->enabled)
                done = choose(*cur, &lv.box, lv.box.top + 1 + lv.sel);
            else
                open_title(title + 1);
        } else if (k.is(KeyCode::kEnter)) {
            if (lv.sel >= 0)
                done = choose(items[static_cast<size_t>(lv.sel)], &lv.box, lv.box.top + 1 + lv.sel);
        } else if (char32_t letter = key_letter(k)) {
            bool found = false;
            for (int i = 0; i < count && !found; ++i) {
                LMenuItem& it = items[static_cast<size_t>(i)];
                if (it.separator || caption_accelerator(it.caption) != letter) continue;
                found = true;
                lv.sel = i;
                draw_level(lv);
                done = choose(it, &lv.box, lv.box.top + 1 + i);
            }
            if (!found && (k.mods & kAlt))
                for (int t = 0; t < n_titles; ++t)
                    if (caption_accelerator(bar[static_cast<size_t>(t)].caption) == letter)
                        open_title(t);
        }
    }
    close_all();
    clear_unavailable();
    return chosen;
}

namespace {

bool is_separator_caption(std::string_view caption) {
    std::u32string c = to_u32(caption);
    return c.size() == 1 && c[0] >= 0x2500 && c[0] <= 0x257F;
}

// "Ctrl+F3", "Alt+X", "F1": how a hot key reads beside its item.
std::string hot_key_label(const Key& k) {
    std::string name = key_name(k), out;
    for (auto [from, to] : {std::pair{"CTRL+", "Ctrl+"}, {"ALT+", "Alt+"}, {"SHIFT+", "Shift+"}})
        if (name.starts_with(from)) {
            out += to;
            name = name.substr(std::string_view(from).size());
        }
    return out + name;
}

}  // namespace

TextMenuBar::TextMenuBar(std::vector<TextMenuPad> pads) : pads_(std::move(pads)) {
    // The menu numbers its entries in order: pads and items get consecutive ids.
    for (size_t p = 0; p < pads_.size(); ++p) {
        menu_.SubMenu(pads_[p].caption);
        by_id_.push_back({p, std::string::npos});
        for (size_t i = 0; i < pads_[p].items.size(); ++i) {
            const TextMenuItem& item = pads_[p].items[i];
            if (is_separator_caption(item.caption)) {
                menu_.Separator();
                continue;
            }
            menu_.MenuItem(item.caption, nullptr, item.enabled,
                           item.hot_key ? hot_key_label(*item.hot_key) : "");
            by_id_.push_back({p, i});
        }
        menu_.EndMenu();
    }
}

const TextMenuItem* TextMenuBar::item(int id) const {
    size_t at = static_cast<size_t>(id - LMenu::kFirstEvent);
    if (id < LMenu::kFirstEvent || at >= by_id_.size() || by_id_[at].second == std::string::npos)
        return nullptr;
    return &pads_[by_id_[at].first].items[by_id_[at].second];
}

MenuStyle TextMenuBar::style(Screen& s) const {
    ColourSet c(s.palette().CORMENU());
    return {c.standard, c.unselected, c.enhanced, greyed(c.standard)};
}

void TextMenuBar::draw(Screen& s) {
    draw_menu_bar(s, menu_, {}, style(s));
}

bool TextMenuBar::has_disabled_hot_key(const Key& k) const {
    for (const auto& pad : pads_)
        for (const auto& item : pad.items)
            if (!item.enabled && item.hot_key && *item.hot_key == k) return true;
    return false;
}

int TextMenuBar::code_for(const Key& k) const {
    for (const auto& pad : pads_)
        for (const auto& item : pad.items)
            if (item.enabled && item.hot_key && *item.hot_key == k) return item.code;
    return 0;
}

int TextMenuBar::run(Screen& s, int start) {
    if (pads_.empty()) return 0;
    Screen::LayerId bottom = s.save_area({kRows - 1, 0, kRows - 1, kCols - 1});
    const MenuStyle st = style(s);
    MenuHooks hooks;
    hooks.on_highlight = [&](const LMenuItem* item) {
        const TextMenuItem* t = item ? this->item(item->id) : nullptr;
        s.write(kRows - 1, 0, pad_right(t ? t->description : "", kCols), st.normal);
    };
    // The bottom line is this menu's status line.
    hooks.on_disabled = [&] { s.write(kRows - 1, 0, pad_right(kNotAvailable, kCols), st.normal); };
    int hot = 0;
    hooks.shortcut = [&](const Key& k) {
        hot = code_for(k);
        if (!hot && has_disabled_hot_key(k)) hooks.on_disabled();
        return hot ? LMenu::kFirstEvent : 0;  // any id ends the navigation
    };
    int id = navigate_menu(s, menu_, {}, st, start, hooks);
    s.restore_area(bottom);
    draw(s);
    if (hot) return hot;
    const TextMenuItem* chosen = item(id);
    return chosen ? chosen->code : 0;
}

MenuPlace Desktop::bar_place(const LDialog& w) const {
    return {bar_row(w), w.is_main() ? w.nLeft : w.nLeft + 1, w.is_main() ? w.nRight : w.nRight - 1,
            w.layer()};
}

void Desktop::draw_bars(LDialog& w, int highlighted) {
    Screen::LayerId layer = w.layer();
    int left = w.is_main() ? w.nLeft : w.nLeft + 1;
    int right = w.is_main() ? w.nRight : w.nRight - 1;
    int row = bar_row(w);
    if (w.menu) {
        draw_menu_bar(screen_, *w.menu, bar_place(w), kDesktopStyle, highlighted);
        ++row;
    }
    if (w.toolbar) {
        screen_.fill({row, left, row, right}, {U' ', kBarAttr}, layer);
        int col = left + 1;
        for (const auto& b : w.toolbar->buttons()) {
            std::string label(1, '[');
            label += caption_text(b.caption);
            label += ']';
            col += screen_.write(row, col, label, b.enabled ? kBarAttr : kDisabledAttr, layer) + 1;
        }
    }
    if (w.status_bar) {
        int srow = w.is_main() ? w.nBottom : w.nBottom - 1;
        screen_.fill({srow, left, srow, right}, {U' ', kBarAttr}, layer);
        int col = left;
        bool first = true;
        for (const auto& p : w.status_bar->parts) {
            if (col > right) break;
            if (!first) col += screen_.write(srow, col, "│", kBarAttr, layer);
            first = false;
            std::string text = p.shown();
            if (p.index == 1 && trim(text).empty() && !w.status_bar->idle.empty())
                text = pad_right(w.status_bar->idle, char_count(text));
            int width = p.width > 0 ? p.width : static_cast<int>(char_count(text));
            width = std::min(width, right - col + 1);
            screen_.write(srow, col, pad_right(text, static_cast<size_t>(std::max(width, 0))),
                          kBarAttr, layer);
            col += width;
        }
    }
}

void Desktop::run_menu(LDialog& w, int title) {
    int chosen = navigate_menu(screen_, *w.menu, bar_place(w), kDesktopStyle, title, {});
    draw_bars(w);
    if (chosen) LMenuActivate(chosen);
}

bool Desktop::handle_key(LDialog& w, const Key& k) {
    if (w.menu && !w.menu->bar().empty()) {
        auto ts = menu_titles(*w.menu, bar_place(w).left);
        if (k.is(KeyCode::kF, 0) && k.fn == 10) {
            run_menu(w, 0);
            return true;
        }
        if (k.is_mouse() && k.row == bar_row(w)) {
            for (size_t t = 0; t < ts.size(); ++t)
                if (k.col >= ts[t].col && k.col < ts[t].col + ts[t].width) {
                    run_menu(w, static_cast<int>(t));
                    return true;
                }
        }
        if (k.code == KeyCode::kChar && k.mods == kAlt) {
            const auto& bar = w.menu->bar();
            for (size_t t = 0; t < bar.size(); ++t)
                if (bar[t].enabled && caption_accelerator(bar[t].caption) == upper_letter(k.ch)) {
                    run_menu(w, static_cast<int>(t));
                    return true;
                }
        }
    }
    if (w.toolbar && k.is_mouse() && k.row == bar_row(w) + (w.menu ? 1 : 0)) {
        int col = (w.is_main() ? w.nLeft : w.nLeft + 1) + 1;
        for (const auto& b : w.toolbar->buttons()) {
            int width = static_cast<int>(char_count(caption_text(b.caption))) + 2;
            if (k.col >= col && k.col < col + width) {
                LTBActivate(b.id);
                return true;
            }
            col += width + 1;
        }
    }
    return w.handle_button_key(k);
}

void Desktop::run_due_timers(LDialog& w) {
    long long now = w.now();
    // Timers may kill or set timers: run the due ones from a copy of their ids.
    std::vector<int> due;
    for (const auto& t : w.timers_)
        if (t.due <= now) due.push_back(t.id);
    for (int id : due) {
        auto it = std::find_if(w.timers_.begin(), w.timers_.end(),
                               [id](const LDialog::Timer& t) { return t.id == id; });
        if (it == w.timers_.end()) continue;
        it->due = now + static_cast<long long>(it->every);
        auto fn = it->fn;
        fn();
        if (w.ended_) return;
    }
}

int Desktop::activate(bool exit_on_esc) {
    std::shared_ptr<LDialog> keep = windows_.back();
    LDialog& w = *keep;
    w.ended_ = false;
    w.cancelled_ = false;
    while (!w.ended_) {
        run_due_timers(w);
        if (w.ended_) break;
        std::optional<Key> key;
        if (w.timers_.empty()) {
            key = screen_.wait_key();
        } else {
            long long next = w.timers_.front().due;
            for (const auto& t : w.timers_) next = std::min(next, t.due);
            key = screen_.wait_key_for(static_cast<double>(std::max(0LL, next - w.now())));
        }
        if (!key) continue;
        const Key& k = *key;
        if (screen_.run_hot_key(k)) {
            if (screen_.take_end_input()) w.End(0);
            continue;
        }
        if (w.on_key && w.on_key(k)) continue;
        if (handle_key(w, k)) continue;
        if (k.is(KeyCode::kEsc) && (exit_on_esc || w.lExitEsc)) w.Cancel();
    }
    return w.end_code_;
}

std::shared_ptr<LDialog> LDLGSHOW(Screen& s, int top, int left, int bottom, int right,
                                  std::string title) {
    return s.desktop().show(top, left, bottom, right, std::move(title));
}

bool LDLGCLOSE(Screen& s) {
    return s.desktop().close(s.desktop().active());
}

int LACTIVATE(Screen& s, bool exit_on_esc) {
    return s.desktop().activate(exit_on_esc);
}

// ---------------------------------------------------------------------------------------------
// Message boxes

int show_message(Screen& s, const MessageBox& box) {
    constexpr int kMaxLines = 16, kMaxWidth = kCols;
    const char* icon = box.icon == Icon::kInformation ? "(i) "
                       : box.icon == Icon::kQuestion  ? "(?) "
                       : box.icon == Icon::kError     ? "(X) "
                                                      : "";
    const int icon_w = static_cast<int>(char_count(icon));
    // A line wider than the screen allows goes on over more lines, broken between words.
    const size_t room = static_cast<size_t>(kMaxWidth - 4 - icon_w);
    std::vector<std::string> lines;
    for (const auto& l : box.lines) {
        if (char_count(l) <= room) {
            lines.push_back(l);
            continue;
        }
        for (auto& part : wrap_words(l, room)) lines.push_back(std::move(part));
    }
    int text_w = 0;
    for (const auto& l : lines) text_w = std::max(text_w, static_cast<int>(char_count(l)));
    text_w += icon_w;
    int buttons_w = 0;
    for (const auto& b : box.buttons)
        buttons_w += std::max(static_cast<int>(char_count(caption_text(b))), 10) + 2;
    if (!box.buttons.empty()) buttons_w += 2 * (static_cast<int>(box.buttons.size()) - 1);
    int inner = std::max({text_w, buttons_w, static_cast<int>(char_count(box.title)) + 2, 10});
    int width = std::min(inner + 4, kMaxWidth);
    inner = width - 4;
    const int total_lines = static_cast<int>(lines.size());
    const int shown = std::min(total_lines, kMaxLines);
    int height = shown + 2 + (box.buttons.empty() ? 0 : 2);
    Rect r = centred(height, width);
    auto dialog =
        s.desktop().show(r.top, r.left, r.bottom, r.right, box.title,
                         box.colour ? box.colour : std::optional<Colour>(Colour(kBarAttr)));
    LDialog& d = *dialog;
    // Modal: no hot key runs while it is up (closing gives the bindings back).
    s.set_bindings({});
    s.hide_cursor();
    int first = 0;  // first line shown (texts longer than 16 lines scroll)
    auto draw_text = [&] {
        for (int i = 0; i < shown; ++i) {
            const std::string& line = lines[static_cast<size_t>(first + i)];
            std::string prefix =
                i == 0 && first == 0 ? icon : std::string(static_cast<size_t>(icon_w), ' ');
            d.say(i, 1, pad_right(prefix + line, static_cast<size_t>(inner)));
        }
    };
    draw_text();
    int bcol = (width - 2 - buttons_w) / 2;
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        int idx = static_cast<int>(i) + 1;
        d.AddButton(shown + 1, bcol, box.buttons[i], [&d, idx] { d.End(idx); });
        bcol += std::max(static_cast<int>(char_count(caption_text(box.buttons[i]))), 10) + 4;
    }
    d.set_focus(box.default_button - 1);
    d.on_key = [&](const Key& k) {
        if (box.buttons.empty() && !k.is_mouse()) {
            d.End(0);
            return true;
        }
        if (total_lines > kMaxLines && (k.is(KeyCode::kPgDn) || k.is(KeyCode::kPgUp))) {
            first =
                std::clamp(first + (k.is(KeyCode::kPgDn) ? shown : -shown), 0, total_lines - shown);
            draw_text();
            return true;
        }
        if (k.is(KeyCode::kEsc)) {
            if (box.esc_closes) d.End(0);
            return true;
        }
        return false;
    };
    int result = s.desktop().activate(false);
    d.on_key = nullptr;
    s.desktop().close(d);
    return result;
}

void LMSGBOX(Screen& s, std::string_view text, std::string_view title) {
    show_message(s, {split_lines(text, ';'), {"OK"}, 1, std::string(title), {}, Icon::kNone, true});
}

bool LMSGYN(Screen& s, std::string_view text, std::string_view title) {
    return show_message(s, {split_lines(text, ';'),
                            {"&Sim", "&Não"},
                            1,
                            std::string(title),
                            {},
                            Icon::kQuestion,
                            true}) == 1;
}

int MSGALERT(Screen& s, const std::vector<std::string>& lines,
             const std::vector<std::string>& buttons, std::optional<Colour> colour,
             std::string_view title, bool exit_on_esc) {
    std::vector<std::string> b = buttons.empty() ? std::vector<std::string>{"<ENTER>"} : buttons;
    return show_message(s, {lines, b, 1, std::string(title), colour, Icon::kNone, exit_on_esc});
}

}  // namespace vorn::ui
