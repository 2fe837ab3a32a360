// The list window of names.
#include "entry/name_list.h"

#include <algorithm>

#include "ui/browse.h"
#include "ui/desktop.h"

namespace vorn::entry {

std::optional<size_t> choose_name(ui::Screen& s, Operator& op,
                                  const std::vector<std::string>& names, const std::string& title,
                                  const std::string& header, std::string_view hint) {
    std::vector<std::vector<ui::Value>> rows;
    for (const std::string& n : names) rows.push_back({ui::Value(n)});
    const int shown = std::min<int>(static_cast<int>(rows.size()), 14);
    const int top = 4, left = 20, right = 59, bottom = top + shown + 3;
    ui::ArraySource source(rows);
    auto dialog = ui::LDLGSHOW(s, top, left, bottom, right, title);
    ui::BrowseOptions o(ui::Rect{top + 1, left + 1, bottom - 1, right - 1});
    std::optional<size_t> chosen;
    ui::Browser* browser = nullptr;
    o.on_key = [&](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEnter)) return false;
        chosen = source.position();
        browser->stop(k);
        return true;
    };
    ui::Browser b(s, source, {ui::array_column(source, 0, header, "", right - left - 1)}, o);
    browser = &b;
    op.status(hint);
    b.run();
    op.status("");
    ui::LDLGCLOSE(s);
    return chosen;
}

}  // namespace vorn::entry
