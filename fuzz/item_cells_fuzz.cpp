// libFuzzer target over the item editor's cells: random text typed into every column of a list
// (the first byte chooses the list; the rest, cut at each newline, is the text of one column after
// another), in process, on the headless screen, over one open declaration of a scratch
// installation. Whatever is typed, nothing crashes, every list is left with Esc, and a value the
// editor stored reads back as the cell showed it when Enter accepted it: the list opened again
// shows the row exactly as it was on the screen at that moment.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/picture.h"
#include "base/text.h"
#include "entry/item_lists.h"
#include "generator.h"
#include "open_declaration.h"

namespace {

using namespace vorn;

// The lists of a declaration the editor shows, each with its own columns and checks.
constexpr int kLists[] = {1, 2, 20, entry::kDependantsRra, 4, 5, 6, 41, 42};
// Keys enough to close any notice or pick list a cell opens, give the cell up and leave the list.
constexpr size_t kEscapes = 8;

// A family with income of the holder and of a dependant, payments, assets and debts, open on a
// terminal for the whole run.
bench::OpenDeclaration& office() {
    static bench::OpenDeclaration open(VORN_REF_DIR, [] {
        bench::Generator g(11);
        tax::Declaration d = g.declaration(0);
        for (int i = 1; d.dependants.empty() || d.assets.empty() || d.debts.empty(); ++i)
            d = g.declaration(i);
        return d;
    }());
    return open;
}

std::vector<std::string> run_list(int list, std::vector<ui::ScriptStep> steps) {
    bench::add_key(steps, ui::Key::of(ui::KeyCode::kEsc), kEscapes);
    return office().run_list(list, std::move(steps));
}

std::vector<ui::ScriptStep> moves(size_t right) {
    std::vector<ui::ScriptStep> steps;
    bench::add_key(steps, ui::Key::of(ui::KeyCode::kRight), right);
    return steps;
}

// The first row of the list on a snapped screen, inside the window's frame.
std::string first_row(const std::string& screen) {
    std::istringstream lines(screen);
    std::string line;
    for (int r = 0; r <= bench::OpenDeclaration::kArea.top + 3 && std::getline(lines, line);) ++r;
    return substr_chars(line, static_cast<size_t>(bench::OpenDeclaration::kArea.left + 1),
                        static_cast<size_t>(bench::OpenDeclaration::kArea.width() - 2));
}

// Every live record of the list's working table, as its bytes.
std::string table_bytes(int table) {
    store::Table& t = *office().declaration().working(table);
    std::string out;
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) out += t.bytes();
    return out;
}

// The text typed: printable characters only (the keys a terminal sends as text).
std::u32string typed(std::string_view bytes) {
    std::u32string out;
    for (char32_t c : to_u32(std::string(bytes)))
        if (c >= 0x20 && c != 0x7f && !(c >= 0x80 && c < 0xa0) && c < 0xd800) out += c;
    return out.substr(0, 120);
}

// Whether the cell edits a number (an amount, or a code kept as a number: "05" is shown "5").
bool numeric(int table, const entry::ItemColumn& c) {
    const store::Layout& l = office().declaration().working(table)->layout();
    const int i = l.find(c.field);
    return i >= 0 && l[static_cast<size_t>(i)].type == store::FieldType::kNumeric;
}

// Whether the column's value is written as typed: no check adjusts it and nothing else of the
// row follows it.
bool written_as_typed(const entry::ItemColumn& c) {
    using C = entry::CellCheck;
    return !c.accepted && !c.preset &&
           (c.check == C::kNone || c.check == C::kAmount || c.check == C::kDone ||
            c.check == C::kAbroad);
}

// The cells of a row of the grid.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> out(1);
    for (char32_t c : to_u32(row)) {
        if (c == U'│')
            out.emplace_back();
        else
            out.back() += to_utf8(std::u32string(1, c));
    }
    return out;
}

// An amount as a cell shows it, shown ("1.234,56") or being typed into its template
// ("12 .   .   ,  "), read as the field reads what was typed: blank is zero, a minus anywhere
// makes it negative, a plus is no digit.
std::string amount(const std::string& cell) {
    static const Picture kShown("@E 999,999,999,999.99");
    auto d = number_from_picture(cell, kShown);
    return d ? d->to_string(2) : cell;
}

// The row stored shows what the row showed when Enter accepted the cell: every other cell alike,
// the cell's text (a number's value) alike. A text typed wider than its cell is seen through a
// scrolled window while typed, and only its start when shown: its cells are not compared.
bool reads_back(const std::string& shown, const std::string& stored, const entry::ItemColumn& c,
                bool number, size_t typed) {
    const std::vector<std::string> a = cells(shown), b = cells(stored);
    if (a.size() != b.size()) return false;
    int differing = 0;
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k] == b[k]) continue;
        if (++differing > 1) return false;
        if (number || c.check == entry::CellCheck::kAmount) {
            if (amount(a[k]) != amount(b[k])) return false;
        } else if (typed < char_count(a[k]) && trim(a[k]) != trim(b[k])) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int list = kLists[data[0] % std::size(kLists)];
    const entry::ItemList& l = entry::item_list(list);
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (size_t column = 0; column < l.columns.size() && !rest.empty(); ++column) {
        const size_t cut = std::min(rest.find('\n'), rest.size());
        const std::u32string text = typed(rest.substr(0, cut));
        rest.remove_prefix(std::min(cut + 1, rest.size()));
        if (l.columns[column].check == entry::CellCheck::kReadOnly || text.empty()) continue;

        // The text typed on the cell and shown (snap), then Enter.
        std::vector<ui::ScriptStep> steps = moves(column);
        for (char32_t c : text)
            steps.push_back({ui::ScriptStep::Kind::kKey, ui::Key::chr(c), 0, 0});
        steps.push_back({ui::ScriptStep::Kind::kSnap, {}, 0, 0});
        steps.push_back({ui::ScriptStep::Kind::kKey, ui::Key::of(ui::KeyCode::kEnter), 0, 0});
        const std::string before = table_bytes(l.table);
        const std::vector<std::string> typing = run_list(list, steps);
        if (typing.empty()) std::abort();
        if (table_bytes(l.table) == before) continue;  // refused, or nothing to write

        // Stored: the list opened again on the same cell shows the row as it was accepted.
        std::vector<ui::ScriptStep> look = moves(column);
        bench::add_snap(look);
        const std::vector<std::string> again = run_list(list, look);
        if (again.empty()) std::abort();
        const std::string shown = first_row(typing.front()), stored = first_row(again.front());
        if (written_as_typed(l.columns[column]) &&
            !reads_back(shown, stored, l.columns[column], numeric(l.table, l.columns[column]),
                        text.size())) {
            std::fprintf(stderr, "list %d column %zu\ntyped:  [%s]\nstored: [%s]\n", list, column,
                         shown.c_str(), stored.c_str());
            std::abort();
        }
    }
    return 0;
}
