// Table navigation for the grid browser.
#include "entry/table_rows.h"

#include "store/opening.h"

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

void for_each_row(store::WorkAreas& w, int area, const std::function<void(store::Table&)>& row) {
    if (!store::ABERTURA(w, area)) return;
    store::Table& t = *w.table(area);
    t.set_order(0);
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) row(t);
    w.close(area);
}

}  // namespace vorn::entry
