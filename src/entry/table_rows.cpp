// Table navigation for the grid browser.
#include "entry/table_rows.h"

#include "store/opening.h"
#include "ui/desktop.h"

namespace vorn::entry {

void TableSource::go_top() {
    (void)t_.go_top();
}

void TableSource::go_bottom() {
    (void)t_.go_bottom();
}

long TableSource::skip(long count) {
    // SKIPPED: moves one record at a time and stops on the first or the last one.
    long moved = 0;
    if (t_.eof()) return 0;
    const int dir = count < 0 ? -1 : 1;
    while (moved != count) {
        uint32_t at = t_.recno();
        if (!t_.skip(dir)) break;
        if (t_.eof() || t_.bof()) {
            (void)t_.go_to(at);
            break;
        }
        moved += dir;
    }
    return moved;
}

bool TableSource::empty() {
    uint32_t at = t_.recno();
    bool was_eof = t_.eof();
    bool none = !t_.go_top() || t_.eof();
    if (!none && !was_eof) (void)t_.go_to(at);
    return none;
}

std::optional<size_t> pick_row(ui::Screen& screen, ui::Rect frame, const std::string& title,
                               std::vector<std::vector<ui::Value>>& rows,
                               const std::vector<std::pair<std::string, int>>& columns) {
    ui::ArraySource source(rows);
    auto dialog = ui::LDLGSHOW(screen, frame.top, frame.left, frame.bottom, frame.right, title);
    ui::BrowseOptions o(ui::Rect{frame.top + 1, frame.left + 1, frame.bottom - 1, frame.right - 1});
    std::optional<size_t> chosen;
    ui::Browser* browser = nullptr;
    o.on_key = [&](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEnter)) return false;
        chosen = source.position();
        browser->stop(k);
        return true;
    };
    std::vector<ui::BrowseColumn> shown;
    for (size_t c = 0; c < columns.size(); ++c)
        shown.push_back(ui::array_column(source, c, columns[c].first, "", columns[c].second));
    ui::Browser b(screen, source, std::move(shown), o);
    browser = &b;
    b.run();
    ui::LDLGCLOSE(screen);
    return chosen;
}

void for_each_row(store::WorkAreas& w, int area, const std::function<void(store::Table&)>& row) {
    if (!store::ABERTURA(w, area)) return;
    store::Table& t = *w.table(area);
    t.set_order(0);
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) row(t);
    w.close(area);
}

}  // namespace vorn::entry
