// The printer list in a window of the grid browser, and the pause of a print.
#include "entry/printer_choice.h"

#include <algorithm>

#include "ui/browse.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::entry {

std::vector<std::string> printer_entries(const std::vector<std::string>& printers) {
    std::vector<std::string> out = printers;
    out.push_back("NAO DOS");
    out.push_back("Sem Impressora");
    return out;
}

size_t preselected_entry(const std::vector<std::string>& entries, const std::string& current) {
    auto it = std::find(entries.begin(), entries.end(), current);
    if (it != entries.end()) return static_cast<size_t>(it - entries.begin());
    return std::min<size_t>(2, entries.empty() ? 0 : entries.size() - 1);
}

std::string printer_choice(ui::Screen& s, const std::vector<std::string>& printers,
                           const std::string& current) {
    if (printers.empty()) ui::AVISOSN(s, {"Não há impressora Instalada !!"}, 1);
    const std::vector<std::string> entries = printer_entries(printers);
    std::vector<std::vector<ui::Value>> rows;
    for (const auto& e : entries) rows.push_back({ui::Value(e)});
    const int shown = std::min<int>(15, static_cast<int>(rows.size()));
    // A frame around a header line, its rule and the rows, 33 columns inside.
    const int top = std::max(2, (ui::kRows - shown - 4) / 2), left = 23;
    const int bottom = top + shown + 3, right = left + 34;
    for (;;) {
        ui::ArraySource source(rows);
        std::vector<ui::BrowseColumn> cols = {
            ui::array_column(source, 0, "Impressora", "@S33", 33)};
        auto dlg = ui::LDLGSHOW(s, top, left, bottom, right, "   Seleção da impressora");
        ui::BrowseOptions o(ui::Rect{top + 1, left + 1, bottom - 1, right - 1});
        bool taken = false;
        ui::Browser* current_browser = nullptr;
        o.on_key = [&](const ui::Key& k) {
            if (k.code != ui::KeyCode::kEnter) return false;
            taken = true;
            current_browser->stop(k);
            return true;
        };
        ui::Browser b(s, source, std::move(cols), o);
        current_browser = &b;
        // The browser opens on the first row: the preselected one is reached as if typed.
        for (size_t k = preselected_entry(entries, current); k > 0; --k)
            s.push_key(ui::Key::of(ui::KeyCode::kDown));
        b.run();
        ui::LDLGCLOSE(s);
        if (taken) return entries.at(source.position());
    }
}

bool PAREIMP(ui::Screen& s) {
    std::optional<ui::Key> k = s.poll_key();
    if (!k) return false;
    if (k->code != ui::KeyCode::kEsc) {
        k = s.wait_key();
        if (k->code != ui::KeyCode::kEsc) return false;
    }
    ui::MensArgs a;
    a.keys = "SN";
    return ui::MENS(s, 2, "Abandona a impressão ?", a) == "S";
}

}  // namespace vorn::entry
