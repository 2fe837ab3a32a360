// Saved areas restored in any order, layered drawing, the keyboard with hot keys, the clipboard
// keys.
#include "ui/screen.h"

#include <algorithm>
#include <stdexcept>

#include "base/text.h"
#include "ui/desktop.h"
#include "ui/field.h"
#include "ui/windows.h"

namespace vorn::ui {

namespace {
constexpr size_t kDevLogLimit = 200;
}

Screen::Screen(Backend& backend, const Clock& clock) : backend_(backend), clock_(clock) {
    windows_ = std::make_unique<TextWindows>(*this);
    desktop_ = std::make_unique<Desktop>(*this);
    // The toolkit's own set-up: Insert pastes and Ctrl+C (key code 3) copies.
    bind(Key::of(KeyCode::kIns), [this] { LGETCLIPBOARD(*this); });
    bind(Key::ctrl('C'), [this] { LSETCLIPBOARD(*this); });
}

Screen::~Screen() = default;

Screen::LayerId Screen::save_area(Rect r) {
    Rect c = r.clipped();
    Layer layer{next_layer_++, c, {}};
    if (!c.empty()) {
        layer.saved.reserve(static_cast<size_t>(c.height() * c.width()));
        for (int row = c.top; row <= c.bottom; ++row)
            for (int col = c.left; col <= c.right; ++col) layer.saved.push_back(grid_.at(row, col));
    }
    layers_.push_back(std::move(layer));
    return layers_.back().id;
}

Screen::Layer* Screen::covering(int r, int c, LayerId above) {
    for (auto& l : layers_)
        if (l.id > above && l.rect.contains(r, c)) return &l;
    return nullptr;
}

const Screen::Layer* Screen::covering(int r, int c, LayerId above) const {
    for (const auto& l : layers_)
        if (l.id > above && l.rect.contains(r, c)) return &l;
    return nullptr;
}

Cell Screen::peek(int row, int col, LayerId layer) const {
    if (!Grid::inside(row, col)) return {};
    if (layer != kTop)
        if (const Layer* above = covering(row, col, layer)) return above->at(row, col);
    return grid_.at(row, col);
}

void Screen::restore_area(LayerId id) {
    auto it =
        std::find_if(layers_.begin(), layers_.end(), [id](const Layer& l) { return l.id == id; });
    if (it == layers_.end()) throw std::logic_error("restore_area: area not saved");
    Layer layer = std::move(*it);
    layers_.erase(it);
    if (layer.rect.empty()) return;
    for (int r = layer.rect.top; r <= layer.rect.bottom; ++r)
        for (int c = layer.rect.left; c <= layer.rect.right; ++c) {
            // The first area opened after this one over the cell saved this one's cell: it now
            // saves what lay under this one. Without such an area the cell is visible.
            if (Layer* above = covering(r, c, layer.id))
                above->at(r, c) = layer.at(r, c);
            else
                grid_.at(r, c) = layer.at(r, c);
        }
}

bool Screen::is_saved(LayerId id) const {
    return std::any_of(layers_.begin(), layers_.end(), [id](const Layer& l) { return l.id == id; });
}

void Screen::put(int row, int col, Cell cell, LayerId layer) {
    if (!Grid::inside(row, col)) return;
    if (layer != kTop)
        if (Layer* above = covering(row, col, layer)) {
            above->at(row, col) = cell;
            return;
        }
    grid_.at(row, col) = cell;
}

int Screen::write(int row, int col, std::string_view text, uint8_t attr, LayerId layer) {
    int n = 0;
    for (char32_t ch : to_u32(text)) {
        if (col + n >= kCols) break;
        put(row, col + n, {ch, attr}, layer);
        ++n;
    }
    return n;
}

void Screen::fill(Rect r, Cell cell, LayerId layer) {
    Rect c = r.clipped();
    for (int row = c.top; row <= c.bottom; ++row)
        for (int col = c.left; col <= c.right; ++col) put(row, col, cell, layer);
}

void Screen::box(Rect r, uint8_t attr, LayerId layer, std::string_view title) {
    if (r.height() < 2 || r.width() < 2) return;
    for (int c = r.left + 1; c < r.right; ++c) {
        put(r.top, c, {kBoxH, attr}, layer);
        put(r.bottom, c, {kBoxH, attr}, layer);
    }
    for (int row = r.top + 1; row < r.bottom; ++row) {
        put(row, r.left, {kBoxV, attr}, layer);
        put(row, r.right, {kBoxV, attr}, layer);
    }
    put(r.top, r.left, {kBoxTL, attr}, layer);
    put(r.top, r.right, {kBoxTR, attr}, layer);
    put(r.bottom, r.left, {kBoxBL, attr}, layer);
    put(r.bottom, r.right, {kBoxBR, attr}, layer);
    if (!title.empty() && r.width() > 4) {
        std::string t(1, ' ');
        t += left(title, static_cast<size_t>(r.width() - 4));
        t += ' ';
        int w = static_cast<int>(char_count(t));
        write(r.top, r.left + (r.width() - w) / 2, t, attr, layer);
    }
}

void Screen::set_cursor(int row, int col, bool visible) {
    cursor.row = row;
    cursor.col = col;
    cursor.visible = visible;
}

void Screen::refresh() {
    backend_.present(grid_, cursor);
}

namespace {

double seconds_between(const DateTime& a, const DateTime& b) {
    return static_cast<double>((b.date - a.date) * 86400L + b.seconds - a.seconds);
}

}  // namespace

void Screen::watch_idle(double seconds, std::function<void(const DateTime&)> gone, Action back) {
    idle_limit_ = seconds;
    idle_gone_ = std::move(gone);
    idle_back_ = std::move(back);
    last_key_ = clock_.now();
    idle_fired_ = false;
}

std::optional<double> Screen::until_idle() const {
    if (idle_limit_ <= 0 || idle_fired_) return std::nullopt;
    return std::max(idle_limit_ - seconds_between(last_key_, clock_.now()), 0.0);
}

void Screen::check_idle() {
    if (idle_limit_ <= 0 || idle_fired_ || seconds_between(last_key_, clock_.now()) < idle_limit_)
        return;
    idle_fired_ = true;
    DateTime since = last_key_;
    const long whole = static_cast<long>(idle_limit_);
    since.date = since.date.add_days((since.seconds + whole) / 86400);
    since.seconds = (since.seconds + whole) % 86400;
    if (idle_gone_) idle_gone_(since);
}

Key Screen::key_arrived(Key k) {
    if (idle_limit_ > 0) {
        check_idle();  // a key after the limit, with no wait that noticed it
        if (std::exchange(idle_fired_, false) && idle_back_) idle_back_();
        last_key_ = clock_.now();
    }
    return k;
}

Key Screen::wait_key() {
    if (!typeahead_.empty()) {
        Key k = typeahead_.front();
        typeahead_.pop_front();
        return key_arrived(k);
    }
    for (;;) {
        run_later();
        refresh();
        std::optional<double> left = until_later();
        if (const auto idle = until_idle()) left = std::min(left.value_or(*idle), *idle);
        auto k = left ? backend_.read(Wait::kTimed, *left) : backend_.read(Wait::kForever, 0);
        if (k) return key_arrived(*k);
        check_idle();
    }
}

std::optional<Key> Screen::wait_key_for(double seconds) {
    if (!typeahead_.empty()) return wait_key();
    run_later();
    refresh();
    std::optional<double> left = until_later();
    if (const auto idle = until_idle()) left = std::min(left.value_or(*idle), *idle);
    auto k = backend_.read(Wait::kTimed, std::max(std::min(seconds, left.value_or(seconds)), 0.0));
    if (k) return key_arrived(*k);
    check_idle();
    run_later();
    return k;
}

std::optional<Key> Screen::poll_key() {
    if (!typeahead_.empty()) return wait_key();
    refresh();
    auto k = backend_.read(Wait::kPoll, 0);
    if (k) return key_arrived(*k);
    return k;
}

void Screen::after(double seconds, Action a) {
    DateTime when = clock_.now();
    const long whole = static_cast<long>(seconds + 0.999);
    when.date = when.date.add_days((when.seconds + whole) / 86400);
    when.seconds = (when.seconds + whole) % 86400;
    later_.push_back({when, std::move(a)});
}

std::optional<double> Screen::until_later() const {
    if (later_.empty()) return std::nullopt;
    const DateTime now = clock_.now();
    double least = 0;
    bool first = true;
    for (const Later& l : later_) {
        double left = static_cast<double>(l.when.date - now.date) * 86400.0 +
                      static_cast<double>(l.when.seconds - now.seconds);
        if (first || left < least) least = left;
        first = false;
    }
    return std::max(least, 0.0);
}

void Screen::run_later() {
    const DateTime now = clock_.now();
    std::vector<Action> due;
    std::erase_if(later_, [&](Later& l) {
        const bool is_due =
            l.when.date < now.date || (l.when.date == now.date && l.when.seconds <= now.seconds);
        if (is_due) due.push_back(std::move(l.action));
        return is_due;
    });
    for (Action& a : due) a();
}

void Screen::pause(double seconds) {
    refresh();
    if (auto k = backend_.read(Wait::kIdle, seconds)) typeahead_.push_back(*k);
}

bool Screen::esc_pressed() {
    refresh();
    while (auto k = backend_.read(Wait::kPoll, 0)) typeahead_.push_back(*k);
    auto it = std::find(typeahead_.begin(), typeahead_.end(), Key::of(KeyCode::kEsc));
    if (it == typeahead_.end()) return false;
    typeahead_.erase(it);
    return true;
}

void Screen::bind(const Key& k, Action a) {
    unbind(k);
    bindings_.push_back({k, std::move(a)});
}

void Screen::unbind(const Key& k) {
    std::erase_if(bindings_, [&](const Binding& b) { return b.key == k; });
}

bool Screen::is_bound(const Key& k) const {
    return std::any_of(bindings_.begin(), bindings_.end(),
                       [&](const Binding& b) { return b.key == k; });
}

bool Screen::run_hot_key(const Key& k) {
    if (k.is_mouse()) return false;
    auto it = std::find_if(bindings_.begin(), bindings_.end(),
                           [&](const Binding& b) { return b.key == k; });
    if (it == bindings_.end()) return false;
    if (std::find(running_.begin(), running_.end(), k) != running_.end()) return false;
    Action action = it->action;  // the function may rebind its own key
    running_.push_back(k);
    struct Done {
        std::vector<Key>& running;
        ~Done() { running.pop_back(); }
    } done{running_};
    action();
    return true;
}

void Screen::bind_clipboard_keys() {
    unbind(Key::of(KeyCode::kIns));
    bind(Key::alt('V'), [this] { LGETCLIPBOARD(*this); });
    bind(Key::ctrl('C'), [this] { LSETCLIPBOARD(*this); });
}

void Screen::dev_log(std::string msg) {
    if (dev_log_.size() >= kDevLogLimit) dev_log_.erase(dev_log_.begin());
    dev_log_.push_back(std::move(msg));
}

}  // namespace vorn::ui
