// MENS, AVISOSN, AVISO, BEEP_ERRO and the operator on the screen.
#include "ui/notices.h"

#include <algorithm>
#include <stdexcept>

#include "base/text.h"
#include "ui/desktop.h"
#include "ui/windows.h"

namespace vorn::ui {
namespace {

// The lines of a notice: given lines, or one text cut into `lines` equal pieces.
std::vector<std::string> notice_lines(const std::vector<std::string>& text, int lines) {
    if (text.size() != 1 || lines <= 1) return text;
    size_t len = char_count(text[0]);
    size_t per = (len + static_cast<size_t>(lines) - 1) / static_cast<size_t>(lines);
    std::vector<std::string> out;
    for (size_t at = 0; at < len; at += per) out.push_back(substr_chars(text[0], at, per));
    return out;
}

std::vector<std::string> break_lines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        for (auto& part : split_lines(l, '\n')) out.push_back(part);
    return out;
}

std::string value_text(const Value& v) {
    switch (v.index()) {
        case 0:
            return std::get<std::string>(v);
        case 1:
            return std::get<Decimal>(v).to_plain();
        case 2:
            return std::get<Date>(v).dmy();
        default:
            return std::get<bool>(v) ? "S" : "N";
    }
}

int max_width(const std::vector<std::string>& lines) {
    int w = 0;
    for (const auto& l : lines) w = std::max(w, static_cast<int>(char_count(l)));
    return w;
}

// The item titles of kind 9, by the tens digit.
std::string item_title(int tens, const std::string& item) {
    static const char* kinds[] = {" dos Bens e Direitos", " das Dividas e Onus",
                                  " dos Bens da Atividade Rural",
                                  " das Dividas da Atividade Rural"};
    if (tens < 1 || tens > 4)
        throw std::invalid_argument("MENS kind 9: item kind " + std::to_string(tens));
    return "Item " + item + kinds[tens - 1];
}

}  // namespace

MensColumn::MensColumn(const char* s) {
    std::string t = upper(s);
    if (t == "E")
        mode = Mode::kLeft;
    else if (t == "C")
        mode = Mode::kCentre;
    else
        throw std::invalid_argument(std::string("MENS column \"") + s + "\"");
}

std::string MENS(Screen& s, int kind, std::string_view text, const MensArgs& args) {
    return MENS(s, kind, std::vector<std::string>{std::string(text)}, args);
}

namespace {

// Kind 0: part 1 of the status bar of the active window that has one (the main window's, created
// when missing); no text clears it.
void status_line(Screen& s, const std::vector<std::string>& lines) {
    LDialog& w = s.desktop().status_window();
    std::string joined;
    for (const auto& l : lines) joined += (joined.empty() ? "" : " ") + l;
    if (trim(joined).empty()) joined = std::string(250, ' ');
    if (!w.status_bar) w.status_bar = LStatusBar{};
    w.status_bar->set_text(1, joined);
    s.desktop().draw_bars(w);
}

// The field of kind 4: upper case and scrolling within the shown width unless a picture is given.
Get notice_field(const MensArgs& args) {
    if (!args.variable.bound()) throw std::invalid_argument("MENS kind 4 without a variable");
    Get field;
    field.var = args.variable;
    field.valid = args.valid;
    Value v = args.variable.get();
    if (!args.picture.empty())
        field.picture = args.picture;
    else if (v.index() == 0)
        field.picture = args.width > 0 ? "@!S" + std::to_string(args.width) : "@!";
    if (v.index() == 0)
        field.width =
            std::max<int>(args.width, static_cast<int>(char_count(std::get<std::string>(v))));
    if (v.index() == 1) field.width = args.width > 0 ? args.width : 10;
    return field;
}

// Places the notice window by row, column rule and border type, opens it and writes the lines;
// `extra` columns are kept free after the last line (the field of kind 4).
Rect open_notice(Screen& s, std::vector<std::string>& lines, int type, int extra,
                 const MensArgs& args) {
    if (type != 0 && type != 1 && type != 2 && type != 7)
        throw std::invalid_argument("MENS border type " + std::to_string(type));
    // Lines wider than the screen go on over more lines, broken between words; a field that does
    // not fit after the last line gets a line of its own.
    const int room = kCols - (type == 0 ? 0 : 2) - (type == 7 ? 2 : 0);
    std::vector<std::string> fitted;
    for (const auto& l : lines) {
        if (static_cast<int>(char_count(l)) <= room) {
            fitted.push_back(l);
            continue;
        }
        for (auto& part : wrap_words(l, static_cast<size_t>(room))) fitted.push_back(part);
    }
    if (extra > 0 && static_cast<int>(char_count(fitted.back())) + 1 + extra > room)
        fitted.emplace_back();
    lines = std::move(fitted);
    int text_w = max_width(lines);
    if (extra > 0)
        text_w = std::max(text_w, static_cast<int>(char_count(lines.back())) + 1 + extra);
    const int width = std::min(text_w + (type == 0 ? 0 : 2), kCols);
    int left = 0;
    switch (args.column.mode) {
        case MensColumn::Mode::kEndAt70:
            left = 70 - width + 1;
            break;
        case MensColumn::Mode::kLeft:
            left = 2;
            break;
        case MensColumn::Mode::kCentre:
            left = (kCols - width) / 2;
            break;
        case MensColumn::Mode::kAt:
            left = args.column.col;
            break;
    }
    left = std::clamp(left, 0, std::max(0, kCols - width));
    const int height = static_cast<int>(lines.size());
    const int rows = height + (type == 2 ? 2 : 0);  // type 7 gets its two rows from REDEFJAN
    const int top = std::clamp(args.row, 0, std::max(0, kRows - rows - (type == 7 ? 2 : 0)));

    TextWindows& win = s.windows();
    const TextWindow& cur = win.get(args.window);
    win.REDEFJAN(args.window, cur.colour1, cur.colour2, cur.colour3, top, left, top + rows - 1,
                 left + width - 1, type);
    win.set_title(args.window, type == 0 ? "" : args.title);
    win.ABREJAN(args.window);
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) joined += (i ? "\n" : "") + lines[i];
    win.ESCRJAN(args.window, joined);
    return win.get(args.window).content();
}

// Kind 2: the first typed key among `keys` (in any case), as the list spells it; " " on Esc.
std::string wait_for_keys(Screen& s, std::string_view keys) {
    std::u32string allowed = to_u32(upper(keys)), listed = to_u32(keys);
    for (;;) {
        Key k = s.wait_key();
        if (k.is(KeyCode::kEsc)) return " ";
        if (!k.is_text()) continue;
        std::u32string typed = to_u32(upper(to_utf8(std::u32string(1, k.ch))));
        size_t at = typed.size() == 1 ? allowed.find(typed[0]) : std::u32string::npos;
        if (at != std::u32string::npos) return to_utf8(listed.substr(at, 1));
    }
}

// The empty value of the variable's type: empty text, 0, today or false.
Value empty_value(const Value& v, const Screen& s) {
    switch (v.index()) {
        case 0:
            return std::string();
        case 1:
            return Decimal(0);
        case 2:
            return s.clock().today();
        default:
            return false;
    }
}

}  // namespace

std::string MENS(Screen& s, int kind, const std::vector<std::string>& text, const MensArgs& args) {
    const int units = kind % 10, tens = kind / 10;
    std::vector<std::string> lines = break_lines(notice_lines(text, args.lines));
    switch (units) {
        case 0:
            status_line(s, lines);
            return "";
        case 1:
        case 5:
        case 9:
            if (units == 1) {
                s.beep(300, 100);
                s.beep(499, 100);
            }
            show_message(s, {lines,
                             {},
                             1,
                             units == 9 ? item_title(tens, args.item) : args.title,
                             Colour(s.palette().COR_MENS),
                             Icon::kNone,
                             true});
            return "";
        case 2:
        case 3:
            open_notice(s, lines, tens, 0, args);
            if (units == 3) return "";
            {
                std::string answer = wait_for_keys(s, args.keys);
                s.windows().FECHAJAN(args.window);
                return answer;
            }
        case 4: {
            Get field = notice_field(args);
            if (lines.empty()) lines.push_back("");
            Rect c = open_notice(s, lines, tens, FieldEditor(s, field).view_width(), args);
            field.row = c.top + static_cast<int>(lines.size()) - 1;
            field.col = c.left + static_cast<int>(char_count(lines.back())) + 1;
            std::vector<Get> fields{field};
            if (READ(s, fields).escaped) args.variable.set(empty_value(args.variable.get(), s));
            s.windows().FECHAJAN(args.window);
            return value_text(args.variable.get());
        }
        default:
            throw std::invalid_argument("MENS kind " + std::to_string(kind));
    }
}

std::string AVISOSN(Screen& s, const std::vector<std::string>& lines, int kind,
                    const std::vector<std::string>& buttons, std::string title) {
    if (title.empty()) title = kind == 8 ? "ERRO" : "Aviso";
    std::vector<std::string> text = break_lines(lines);
    auto box = [&](std::vector<std::string> b, Icon icon) {
        return show_message(s, {text, std::move(b), 1, title, {}, icon, true});
    };
    switch (kind) {
        case 0:
            box({"OK"}, Icon::kInformation);
            return "";
        case 1:
            box({"OK"}, Icon::kNone);
            return "N";
        case 8:
            box({"OK"}, Icon::kError);
            return "";
        case 2:
            return box({"&Sim", "&Não"}, Icon::kQuestion) == 1 ? "S" : "N";
        case 3: {
            int b = box({"&Sim", "&Não", "&Cancelar"}, Icon::kQuestion);
            return b == 1 ? "S" : b == 2 ? "N" : "I";
        }
        case 4: {
            int b = MSGALERT(s, text, {"Sim", "Não", "Fim"}, {}, title, true);
            return b == 1 ? "S" : b == 3 ? "F" : "N";
        }
        case 5:
            return std::to_string(MSGALERT(s, text, {"1", "2", "3"}, {}, title, true));
        case 6:
            return std::to_string(MSGALERT(s, text, buttons, {}, title, true));
        case 7:
            return std::to_string(
                MSGALERT(s, text, {"1", "2", "3", "4", "5", "6"}, {}, title, true));
        default:
            throw std::invalid_argument("AVISOSN kind " + std::to_string(kind));
    }
}

void AVISO(Screen& s, std::string_view text, int row, int col, std::optional<Colour> colour) {
    s.write(row, col, text, colour ? colour->attr : Colour(s.palette().COR_CLI_HE).attr);
}

void BEEP_ERRO(Screen& s, int times) {
    for (int i = 0; i < times; ++i)
        for (int pair = 0; pair < 2; ++pair) {
            s.beep(300, 100);
            s.beep(499, 100);
        }
}

void ScreenOperator::notice(NoticeKind kind, std::string_view title, std::string_view text) {
    std::vector<std::string> lines = split_lines(text, '\n');
    switch (kind) {
        case NoticeKind::kInformation:
            AVISOSN(s_, lines, 0, {}, std::string(title));
            break;
        case NoticeKind::kWarning:
            AVISOSN(s_, lines, 1, {}, std::string(title));
            break;
        case NoticeKind::kError:
            AVISOSN(s_, lines, 8, {}, std::string(title));
            break;
        case NoticeKind::kAttention:
            BEEP_ERRO(s_, 1);
            AVISOSN(s_, lines, 1, {}, std::string(title));
            break;
    }
}

bool ScreenOperator::yes_no(std::string_view title, std::string_view text, bool default_yes) {
    return show_message(s_, {split_lines(text, '\n'),
                             {"&Sim", "&Não"},
                             default_yes ? 1 : 2,
                             std::string(title.empty() ? "Aviso" : title),
                             {},
                             Icon::kQuestion,
                             true}) == 1;
}

int ScreenOperator::choose(std::string_view title, std::string_view text,
                           const std::vector<std::string>& buttons, int default_button) {
    int b = show_message(s_, {split_lines(text, '\n'),
                              buttons,
                              default_button + 1,
                              std::string(title.empty() ? "Aviso" : title),
                              {},
                              Icon::kNone,
                              true});
    return b - 1;
}

void ScreenOperator::status(std::string_view text) {
    MENS(s_, 0, text);
}

void ScreenOperator::progress(std::string_view text) {
    progress_done();
    MensArgs a;
    a.column = "C";
    MENS(s_, 13, text, a);
    progress_open_ = true;
}

void ScreenOperator::progress_done() {
    if (!progress_open_) return;
    s_.windows().FECHAJAN(10);
    progress_open_ = false;
}

}  // namespace vorn::ui
