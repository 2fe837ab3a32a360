// One terminal of a scratch installation with one declaration open for entry, in process: the
// delivered reference tables, the declaration written into the data folder and loaded into the
// terminal's working set, and the item editor's lists run on a headless screen with a key script.
// For the drivers that type into the lists (benchmarks, fuzz targets). A failed step ends the run.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "entry/item_editor.h"
#include "shell/install.h"
#include "store/cdx_index.h"
#include "store/declaration.h"
#include "tax/folder.h"
#include "ui/backend.h"
#include "ui/headless.h"
#include "ui/notices.h"
#include "ui/screen.h"

namespace bench {

class OpenDeclaration {
  public:
    // Where the lists are drawn: the declaration window's client area.
    static constexpr vorn::ui::Rect kArea{2, 1, 22, 78};

    // `ref` is the folder of the delivered reference tables; `d` is written and opened.
    OpenDeclaration(const std::string& ref, const vorn::tax::Declaration& d)
        : clock_(vorn::DateTime{vorn::Date(2026, 4, 15), 10 * 3600}),
          files_(op_),
          w_(vorn::store::Env::posix(), op_, clock_) {
        namespace fs = std::filesystem;
        dir_ = (fs::temp_directory_path() / ("aberta" + std::to_string(::getpid()))).string();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        vorn::store::Env& env = vorn::store::Env::posix();
        std::vector<std::string> report;
        check(vorn::shell::install_reference_tables(env, ref, dir_, nullptr, &report));
        check(vorn::tax::write_folder(env, dir_, {d}, &clock_));
        check(vorn::tax::read_interest_table(env, dir_, &selic_));
        w_.ARQDEF = w_.LOCARQ = dir_;
        w_.NUSU = "01";
        w_.index_files = &files_;
        open_ = std::make_unique<vorn::store::Declaration>(
            w_, vorn::store::DeclarationPlace{dir_, "ESCRITORIO"});
        check(open_->load(d.cpf(), vorn::store::LoadMode::kExisting, true));
    }
    ~OpenDeclaration() {
        open_.reset();
        w_.close_all();
        std::filesystem::remove_all(dir_);
    }
    OpenDeclaration(const OpenDeclaration&) = delete;
    OpenDeclaration& operator=(const OpenDeclaration&) = delete;

    static void check(const vorn::Status& s) {
        if (s) return;
        std::fprintf(stderr, "%s\n", s.to_string().c_str());
        std::abort();
    }

    // Runs list `list` on a fresh headless screen with `steps`; the screens it snapped. A list
    // still waiting for keys when the steps ran out ends the run.
    std::vector<std::string> run_list(int list, std::vector<vorn::ui::ScriptStep> steps) {
        std::ostringstream snaps;
        vorn::ui::HeadlessBackend backend(std::move(steps), clock_, snaps);
        vorn::ui::Screen screen(backend, clock_);
        screen.bind_clipboard_keys();  // as the program sets its screen up: Ins inserts a row
        vorn::ui::ScreenOperator op(screen);
        vorn::entry::EditorPlace place{screen, op, w_, *open_, selic_, kArea};
        try {
            (void)vorn::entry::EDITA(place, list);
        } catch (const vorn::ui::ScriptEnded&) {
            std::fprintf(stderr, "a lista %d não terminou com as teclas dadas\n", list);
            std::abort();
        }
        std::vector<std::string> out;
        const std::string text = snaps.str();
        for (size_t at = 0, end; (end = text.find("----\n", at)) != std::string::npos; at = end + 5)
            out.push_back(text.substr(at, end - at));
        return out;
    }

    vorn::store::Declaration& declaration() { return *open_; }
    const vorn::payments::InterestTable& selic() const { return selic_; }
    const std::string& folder() const { return dir_; }

  private:
    vorn::ManualClock clock_;
    vorn::ScriptedOperator op_;
    vorn::store::CdxIndexFiles files_;
    vorn::store::WorkAreas w_;
    vorn::payments::InterestTable selic_;
    std::string dir_;
    std::unique_ptr<vorn::store::Declaration> open_;
};

// Script steps: a key, `times` times; the characters of a text; a snap.
inline void add_key(std::vector<vorn::ui::ScriptStep>& steps, vorn::ui::Key k, size_t times = 1) {
    for (size_t n = 0; n < times; ++n) steps.push_back({vorn::ui::ScriptStep::Kind::kKey, k, 0, 0});
}
inline void add_text(std::vector<vorn::ui::ScriptStep>& steps, const std::u32string& text) {
    for (char32_t c : text) add_key(steps, vorn::ui::Key::chr(c));
}
inline void add_snap(std::vector<vorn::ui::ScriptStep>& steps) {
    steps.push_back({vorn::ui::ScriptStep::Kind::kSnap, {}, 0, 0});
}

}  // namespace bench
