// Field editing under pictures, the read loop, and the clipboard keys.
#include "ui/field.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

#include "base/text.h"
#include "ui/desktop.h"
#include "ui/notices.h"
#include "ui/screen.h"

namespace vorn::ui {
namespace {

template <class... F>
struct Overload : F... {
    using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

bool is_digit(char32_t c) {
    return c >= U'0' && c <= U'9';
}
bool is_letter(char32_t c) {
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') ||
           (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}
char32_t upper_char(char32_t c) {
    std::u32string u = to_u32(upper(to_utf8(std::u32string(1, c))));
    return u.size() == 1 ? u[0] : c;
}
bool is_true_letter(char32_t c) {
    return c == U'S' || c == U'T' || c == U'Y';
}

}  // namespace

Value Var::get() const {
    return std::visit(
        Overload{[](std::monostate) -> Value {
                     throw std::logic_error("input field without a variable");
                 },
                 [](std::string* p) -> Value { return *p; }, [](Decimal* p) -> Value { return *p; },
                 [](Date* p) -> Value { return *p; }, [](bool* p) -> Value { return *p; },
                 [](Value* p) -> Value { return *p; }},
        p_);
}

void Var::set(const Value& v) const {
    std::visit(
        Overload{[](std::monostate) { throw std::logic_error("input field without a variable"); },
                 [&](std::string* p) { *p = std::get<std::string>(v); },
                 [&](Decimal* p) { *p = std::get<Decimal>(v); },
                 [&](Date* p) { *p = std::get<Date>(v); }, [&](bool* p) { *p = std::get<bool>(v); },
                 [&](Value* p) {
                     if (p->index() != v.index()) throw std::bad_variant_access();
                     *p = v;
                 }},
        p_);
}

// ---------------------------------------------------------------------------------------------
// FieldEditor

FieldEditor::FieldEditor(Screen& screen, Get& get) : screen_(screen), get_(get), pic_(get.picture) {
    Value v = get_.var.get();
    switch (v.index()) {
        case 0: {
            kind_ = Kind::kText;
            if (!pic_.has_template()) {
                int width =
                    get_.width > 0
                        ? get_.width
                        : std::max<int>(1, static_cast<int>(char_count(std::get<std::string>(v))));
                pic_.tmpl = std::u32string(static_cast<size_t>(width), U'X');
            }
            tmpl_ = pic_.tmpl;
            break;
        }
        case 1:
            kind_ = Kind::kNumber;
            num_ = NumberTemplate::of(pic_, get_.width > 0 ? get_.width : 10, get_.decimals);
            pic_.tmpl = num_.tmpl;
            tmpl_ = num_.tmpl;
            break;
        case 2:
            kind_ = Kind::kDate;
            tmpl_ = U"99/99/9999";
            break;
        default:
            kind_ = Kind::kLogical;
            tmpl_.assign(1, U'L');
            break;
    }
    slots_.resize(tmpl_.size());
    for (size_t i = 0; i < tmpl_.size(); ++i) {
        if (kind_ == Kind::kNumber)
            slots_[i] = tmpl_[i] == U'9' || tmpl_[i] == U'#';
        else
            slots_[i] = Picture::is_slot(tmpl_[i]);
    }
    load();
}

void FieldEditor::set_buffer_from(const Value& v) {
    std::string shown;
    switch (kind_) {
        case Kind::kText:
            shown = transform(std::get<std::string>(v), pic_);
            break;
        case Kind::kNumber:
            shown = transform(std::get<Decimal>(v), pic_);
            break;
        case Kind::kDate:
            shown = std::get<Date>(v).dmy();
            break;
        case Kind::kLogical:
            shown.assign(1, std::get<bool>(v) ? 'S' : 'N');
            break;
    }
    buffer_ = to_u32(shown);
    buffer_.resize(tmpl_.size(), U' ');
}

void FieldEditor::load() {
    set_buffer_from(get_.var.get());
    pos_ = std::max(first_slot(), 0);
    offset_ = 0;
    edited_ = false;
    full_ = false;
    replace_ = false;
}

int FieldEditor::view_width() const {
    int n = static_cast<int>(buffer_.size());
    return pic_.scroll > 0 ? std::min(pic_.scroll, n) : n;
}

bool FieldEditor::contains(int row, int col) const {
    return row == get_.row && col >= get_.col && col < get_.col + view_width();
}

void FieldEditor::draw(bool active) {
    int view = view_width();
    if (pos_ < offset_) offset_ = pos_;
    if (pos_ >= offset_ + view) offset_ = pos_ - view + 1;
    uint8_t attr = active ? screen_.colours.enhanced : screen_.colours.unselected;
    for (int i = 0; i < view; ++i) {
        size_t at = static_cast<size_t>(offset_ + i);
        char32_t ch = at < buffer_.size() ? buffer_[at] : U' ';
        if (get_.hidden && ch != U' ') ch = U'*';
        screen_.put(get_.row, get_.col + i, {ch, attr});
    }
    if (active) screen_.set_cursor(get_.row, get_.col + pos_ - offset_);
}

int FieldEditor::next_slot(int from, int dir) const {
    for (int i = from + dir; i >= 0 && i < static_cast<int>(slots_.size()); i += dir)
        if (is_slot(i)) return i;
    return -1;
}

bool FieldEditor::accepts(int pos, char32_t c) const {
    // A character the data files cannot store is refused as typed, not turned into "?" on saving.
    if (!has_cp1252(c)) return false;
    switch (kind_) {
        case Kind::kNumber: {
            bool whole = pos < num_.point || num_.point < 0;
            return is_digit(c) || (whole && (c == U'-' || c == U'+' || c == U' '));
        }
        case Kind::kDate:
            return is_digit(c) || c == U' ';
        case Kind::kLogical:
            return c == U'S' || c == U'N' || c == U'T' || c == U'F' || c == U'Y';
        case Kind::kText:
            break;
    }
    switch (tmpl_[static_cast<size_t>(pos)]) {
        case U'9':
            return is_digit(c);
        case U'#':
            return is_digit(c) || c == U' ' || c == U'+' || c == U'-';
        case U'A':
        case U'a':
            return is_letter(c);
        case U'N':
        case U'n':
            return is_letter(c) || is_digit(c);
        case U'L':
        case U'l':
        case U'Y':
        case U'y':
            return c == U'S' || c == U'N' || c == U'T' || c == U'F' || c == U'Y';
        default:
            return c >= 0x20;
    }
}

void FieldEditor::render_separators() {
    if (kind_ != Kind::kNumber) return;
    bool digit_seen = false;
    for (size_t i = 0; i < buffer_.size(); ++i) {
        int at = static_cast<int>(i);
        if (at == num_.point)
            buffer_[i] = num_.point_char();
        else if (num_.is_separator(at))
            buffer_[i] = digit_seen ? num_.thousands_char() : U' ';
        else if (slots_[i] && is_digit(buffer_[i]))
            digit_seen = true;
    }
}

void FieldEditor::clear_slots() {
    for (size_t i = 0; i < buffer_.size(); ++i)
        if (slots_[i]) buffer_[i] = U' ';
    render_separators();
}

void FieldEditor::shift_left(int from) {
    for (int i = from; i >= 0;) {
        int n = next_slot(i, 1);
        buffer_[static_cast<size_t>(i)] = n >= 0 ? buffer_[static_cast<size_t>(n)] : U' ';
        i = n;
    }
}

void FieldEditor::shift_right(int from) {
    for (int i = last_slot(); i > from;) {
        int p = next_slot(i, -1);
        if (p < from) break;
        buffer_[static_cast<size_t>(i)] = buffer_[static_cast<size_t>(p)];
        i = p;
    }
}

FieldEditor::Typed FieldEditor::key(const Key& k) {
    if (pos_ < 0 || buffer_.empty()) return Typed::kIgnored;
    const bool was_full = std::exchange(full_, false);
    if (k.is_text()) {
        char32_t c = k.ch;
        if (was_full && !(kind_ == Kind::kNumber && (c == U',' || c == U'.'))) {
            full_ = true;
            return Typed::kFilled;
        }
        if (std::exchange(replace_, false) ||
            (!edited_ && (kind_ == Kind::kNumber || pic_.K) && pos_ == first_slot()))
            clear_slots();
        if (kind_ == Kind::kNumber && (c == U',' || c == U'.')) {
            if (num_.point < 0) return Typed::kIgnored;
            // The whole part typed so far moves to the right of its positions; decimals follow.
            std::u32string whole;
            for (int i : num_.int_digits)
                if (buffer_[static_cast<size_t>(i)] != U' ')
                    whole += buffer_[static_cast<size_t>(i)];
            for (int i : num_.int_digits) buffer_[static_cast<size_t>(i)] = U' ';
            size_t start = num_.int_digits.size() - std::min(whole.size(), num_.int_digits.size());
            for (size_t j = 0; j < whole.size() && start + j < num_.int_digits.size(); ++j)
                buffer_[static_cast<size_t>(num_.int_digits[start + j])] = whole[j];
            render_separators();
            if (!num_.dec_digits.empty()) pos_ = num_.dec_digits.front();
            edited_ = true;
            return Typed::kUsed;
        }
        const char32_t t = tmpl_[static_cast<size_t>(pos_)];
        if (kind_ == Kind::kLogical || (kind_ == Kind::kText && (pic_.upper || t == U'!')))
            c = upper_char(c);
        if (!accepts(pos_, c)) return Typed::kIgnored;
        if (kind_ == Kind::kText && screen_.cursor.insert) shift_right(pos_);
        buffer_[static_cast<size_t>(pos_)] = c;
        edited_ = true;
        render_separators();
        int n = next_slot(pos_, 1);
        if (n < 0) {
            full_ = true;
            return Typed::kFilled;
        }
        pos_ = n;
        return Typed::kUsed;
    }
    replace_ = false;
    auto move_to = [&](int p) {
        if (p >= 0) pos_ = p;
        return Typed::kUsed;
    };
    if (k.is(KeyCode::kLeft)) return move_to(next_slot(pos_, -1));
    if (k.is(KeyCode::kRight)) return move_to(next_slot(pos_, 1));
    if (k.is(KeyCode::kHome)) return move_to(first_slot());
    if (k.is(KeyCode::kEnd)) {
        if (kind_ != Kind::kText) return move_to(last_slot());
        int last_used = -1;
        for (int i = 0; i < static_cast<int>(buffer_.size()); ++i)
            if (is_slot(i) && buffer_[static_cast<size_t>(i)] != U' ') last_used = i;
        int after = last_used < 0 ? first_slot() : next_slot(last_used, 1);
        return move_to(after < 0 ? last_slot() : after);
    }
    // Backspace takes the character before the cursor (the last one of a full field), Del the
    // one under it; a text closes up, a number or date leaves a blank.
    auto erase_at = [&](int p) {
        if (p < 0) return Typed::kUsed;
        pos_ = p;
        if (kind_ == Kind::kText)
            shift_left(pos_);
        else
            buffer_[static_cast<size_t>(pos_)] = U' ';
        edited_ = true;
        render_separators();
        return Typed::kUsed;
    };
    if (k.is(KeyCode::kBackspace)) return erase_at(was_full ? pos_ : next_slot(pos_, -1));
    if (k.is(KeyCode::kDel)) return erase_at(pos_);
    if (k == Key::ctrl('Y')) {
        clear_slots();
        pos_ = first_slot();
        edited_ = true;
        return Typed::kUsed;
    }
    return Typed::kIgnored;
}

void FieldEditor::click(int col) {
    int p = offset_ + (col - get_.col);
    p = std::clamp(p, 0, static_cast<int>(buffer_.size()) - 1);
    if (!is_slot(p)) {
        int n = next_slot(p, 1);
        p = n >= 0 ? n : next_slot(p, -1);
    }
    if (p >= 0) pos_ = p;
}

std::string FieldEditor::text_value() const {
    std::string shown = to_utf8(buffer_);
    return pic_.R ? text_from_picture(shown, pic_) : shown;
}

std::optional<Value> FieldEditor::value() const {
    if (!edited_) return get_.var.get();  // untouched: the value itself, at its full precision
    switch (kind_) {
        case Kind::kText:
            return Value(text_value());
        case Kind::kNumber: {
            auto n = number_from_picture(to_utf8(buffer_), pic_);
            if (!n) return std::nullopt;
            return Value(*n);
        }
        case Kind::kDate: {
            bool blank = true;
            for (size_t i = 0; i < buffer_.size(); ++i)
                blank = blank && (!slots_[i] || buffer_[i] == U' ');
            if (blank) return Value(Date());
            auto d = Date::from_dmy(to_utf8(buffer_));
            if (!d) return std::nullopt;
            return Value(*d);
        }
        case Kind::kLogical:
            return Value(is_true_letter(buffer_[0]));
    }
    return std::nullopt;
}

void FieldEditor::refused() {
    pos_ = std::max(first_slot(), 0);
    offset_ = 0;
    full_ = false;
    replace_ = true;
    if (get_.refused) get_.refused();
}

bool FieldEditor::commit() {
    auto v = value();
    if (!v) {
        if (kind_ == Kind::kDate)
            MENS(screen_, 1, kInvalidDate);  // with its beep
        else
            screen_.beep(300, 100);
        refused();
        return false;
    }
    Value old = get_.var.get();
    get_.var.set(*v);
    if (get_.valid && !get_.valid()) {
        get_.var.set(old);
        refused();
        return false;
    }
    Value now = get_.var.get();
    if (now != old) updated_ = true;
    set_buffer_from(now);
    edited_ = false;
    return true;
}

bool FieldEditor::paste(std::string_view text) {
    std::string t = trim(text);
    while (!t.empty() && (t.back() == '\r' || t.back() == '\n')) t.pop_back();
    if (t.empty()) return false;
    std::optional<Value> v;
    switch (kind_) {
        case Kind::kText: {
            std::u32string u = to_u32(t);
            size_t slots = static_cast<size_t>(std::count(slots_.begin(), slots_.end(), true));
            bool shown_form = pic_.R && u.size() == tmpl_.size();
            for (size_t i = 0; shown_form && i < u.size(); ++i)
                shown_form = slots_[i] || u[i] == tmpl_[i];
            std::string value = shown_form ? text_from_picture(t, pic_) : t;
            v = Value(pad_right(value, pic_.R ? slots : tmpl_.size()));
            break;
        }
        case Kind::kNumber: {
            std::string plain;
            bool comma = t.find(',') != std::string::npos;
            for (char c : t) {
                if (c == ' ' || (comma && c == '.')) continue;
                plain += comma && c == ',' ? '.' : c;
            }
            auto n = Decimal::parse(plain);
            if (!n || transform(*n, pic_).find('*') != std::string::npos) return false;
            v = Value(*n);
            break;
        }
        case Kind::kDate: {
            auto d = Date::from_dmy(t);
            if (!d) return false;
            v = Value(*d);
            break;
        }
        case Kind::kLogical: {
            char32_t c = upper_char(to_u32(t)[0]);
            if (!accepts(0, c)) return false;
            v = Value(is_true_letter(c));
            break;
        }
    }
    set_buffer_from(*v);
    edited_ = true;
    pos_ = first_slot();
    return true;
}

int FieldEditor::text_capacity() const {
    return pic_.R ? static_cast<int>(std::count(slots_.begin(), slots_.end(), true))
                  : static_cast<int>(tmpl_.size());
}

bool FieldEditor::put(const Value& v) {
    const Value current = get_.var.get();
    if (v.index() != current.index()) return false;
    switch (kind_) {
        case Kind::kNumber: {
            const Decimal n = std::get<Decimal>(v);
            if (n.round(decimals()) != n) return false;
            if (transform(n, pic_).find('*') != std::string::npos) return false;
            break;
        }
        case Kind::kText: {
            const std::u32string t = to_u32(std::get<std::string>(v));
            if (t.size() > static_cast<size_t>(text_capacity())) return false;
            // Every character must be one the template takes where it lands, as when typed.
            int at = pic_.R ? first_slot() : 0;
            for (char32_t c : t) {
                if (at < 0) return false;
                if (is_slot(at) && !accepts(at, c)) return false;
                at = pic_.R ? next_slot(at, 1) : at + 1;
            }
            break;
        }
        case Kind::kDate:
        case Kind::kLogical:
            break;
    }
    set_buffer_from(v);
    edited_ = true;
    full_ = false;
    pos_ = first_slot();
    return true;
}

std::string FieldEditor::copy_text() const {
    Value v = value().value_or(get_.var.get());
    switch (kind_) {
        case Kind::kText:
            return trim_right(std::get<std::string>(v));
        case Kind::kNumber: {
            Picture p = pic_;
            p.Z = false;
            return trim(transform(std::get<Decimal>(v), p));
        }
        case Kind::kDate:
            return std::get<Date>(v).blank() ? "" : std::get<Date>(v).dmy();
        case Kind::kLogical:
            return std::get<bool>(v) ? "S" : "N";
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// The read loop

// While a read runs: the active field is known to the screen and the window cannot close.
class ActiveRead {
  public:
    explicit ActiveRead(Screen& s)
        : s_(s), window_(s.desktop().active()), previous_(s.active_field()) {
        ++window_.active_reads_;
    }
    ~ActiveRead() {
        --window_.active_reads_;
        s_.set_active_field(previous_);
        s_.hide_cursor();
    }
    ActiveRead(const ActiveRead&) = delete;
    ActiveRead& operator=(const ActiveRead&) = delete;

  private:
    Screen& s_;
    LDialog& window_;
    FieldEditor* previous_;
};

ReadResult READ(Screen& s, std::vector<Get>& fields) {
    ReadResult res;
    if (fields.empty()) return res;
    std::vector<std::unique_ptr<FieldEditor>> eds;
    for (auto& f : fields) {
        eds.push_back(std::make_unique<FieldEditor>(s, f));
        eds.back()->draw(false);
    }
    const int n = static_cast<int>(fields.size());
    auto can_enter = [&](int i) {
        return !fields[static_cast<size_t>(i)].when || fields[static_cast<size_t>(i)].when();
    };
    auto find = [&](int from, int dir) {
        for (int i = from; i >= 0 && i < n; i += dir)
            if (can_enter(i)) return i;
        return -1;
    };
    int cur = find(0, 1);
    if (cur < 0) return res;
    // A hot key or a valid-condition may change other fields' variables: they show it.
    auto redraw_others = [&] {
        for (int j = 0; j < n; ++j)
            if (j != cur) {
                eds[static_cast<size_t>(j)]->load();
                eds[static_cast<size_t>(j)]->draw(false);
            }
    };
    ActiveRead guard(s);
    bool done = false;
    while (!done) {
        FieldEditor& ed = *eds[static_cast<size_t>(cur)];
        ed.load();
        int next = cur;
        while (next == cur && !done) {
            ed.draw(true);
            s.set_active_field(&ed);
            Key k = s.wait_key();
            if (!k.is_mouse()) {
                Value before = ed.get().var.get();
                if (s.run_hot_key(k)) {
                    if (ed.get().var.get() != before) ed.load();
                    redraw_others();
                    if (s.take_end_input()) {
                        // The key has done its work (a jump, leaving): the input ends. What the
                        // operator typed is kept when it is accepted; a value that cannot be is
                        // told (once) and given up, as Esc gives it up. A field left as it was
                        // is not checked: a jump from an empty field is no answer to refuse.
                        if (ed.edited() && (ed.refused_as_shown() || !ed.commit())) ed.load();
                        res.last_key = k;
                        done = true;
                    }
                    continue;
                }
            }
            if (k.is_mouse()) {
                for (int j = 0; j < n; ++j) {
                    if (!eds[static_cast<size_t>(j)]->contains(k.row, k.col)) continue;
                    if (j == cur) {
                        ed.click(k.col);
                    } else if (can_enter(j) && ed.commit()) {
                        redraw_others();
                        next = j;
                    }
                    break;
                }
                continue;
            }
            if (k.is(KeyCode::kEsc)) {
                res.escaped = true;
                res.last_key = k;
                ed.load();
                done = true;
                continue;
            }
            if (k.is(KeyCode::kIns)) {
                s.cursor.insert = !s.cursor.insert;
                continue;
            }
            if (k.is(KeyCode::kEnter) && ed.get().on_enter) {
                ed.get().on_enter();
                ed.load();
                redraw_others();
                continue;
            }
            bool forward = k.is(KeyCode::kEnter) || k.is(KeyCode::kDown) || k.is(KeyCode::kTab);
            bool back = k.is(KeyCode::kUp) || k.is(KeyCode::kTab, kShift);
            bool leave =
                k.is(KeyCode::kPgUp) || k.is(KeyCode::kPgDn) || k.is(KeyCode::kEnter, kCtrl);
            if (!forward && !back && !leave) {
                if (ed.key(k) != FieldEditor::Typed::kFilled || s.confirm) continue;
                k = Key::of(KeyCode::kEnter);
                forward = true;
            }
            if (!ed.commit()) continue;
            redraw_others();
            if (leave) {
                res.last_key = k;
                done = true;
            } else if (forward) {
                int j = find(cur + 1, 1);
                if (j >= 0)
                    next = j;
                else if (k.is(KeyCode::kEnter)) {
                    res.last_key = k;
                    done = true;
                }
            } else {
                int j = find(cur - 1, -1);
                if (j >= 0) next = j;
            }
        }
        ed.draw(false);
        cur = next;
    }
    res.field = cur;
    for (auto& e : eds) res.updated = res.updated || e->updated();
    return res;
}

void LGETCLIPBOARD(Screen& screen) {
    if (FieldEditor* f = screen.active_field()) f->paste(screen.clipboard);
}

void LSETCLIPBOARD(Screen& screen) {
    if (FieldEditor* f = screen.active_field()) screen.clipboard = f->copy_text();
}

}  // namespace vorn::ui
