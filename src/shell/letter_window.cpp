// The letter editor (command 53) and the personalised letter through the print channel.
#include "shell/letter_window.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>

#include "base/picture.h"
#include "base/text.h"
#include "office/letter_editor.h"
#include "printing/print_file.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "shell/print_commands.h"
#include "tax/year.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

constexpr const char* kTitle = "Edita Cartas";

// The letter last named on this terminal: proposed the next time one is asked.
std::string& last_letter() {
    static std::string name;
    return name;
}

// One letter open in the editor window.
class Editor {
  public:
    explicit Editor(App& app) : app_(app) {}
    void run();

  private:
    ui::Rect area() const { return win_->client(); }
    void load(office::LetterFile file);
    void draw();
    void show_position();
    bool handle(const ui::Key& k);
    // The letter as it stands in the editor, with its page settings.
    office::Letter current() const { return {file_.letter.page, text_.text(), {}}; }
    bool changed() const { return text_.modified() || file_.letter.page != saved_page_; }
    // Before the letter is left: true to go on (saved or given up), false to stay.
    bool may_leave();
    bool save();
    void save_as();
    void open();
    void new_letter();
    void find(bool again);
    void field_menu();
    void format_page();
    void print();
    void build_menu();

    App& app_;
    std::shared_ptr<ui::LDialog> win_;
    office::LetterFile file_;
    office::LetterText text_;
    office::PageSettings saved_page_;
};

void Editor::load(office::LetterFile file) {
    file_ = std::move(file);
    text_ = office::LetterText(file_.letter.text);
    saved_page_ = file_.letter.page;
    last_letter() = std::filesystem::path(file_.path).filename().string();
    win_->title = std::string(kTitle) + " - " + last_letter();
    win_->draw();
    if (!file_.letter.notice.empty()) app_.op.status(file_.letter.notice);
}

void Editor::draw() {
    const ui::Rect r = area();
    text_.scroll_into_view(r.height(), r.width());
    for (int row = 0; row < r.height(); ++row) {
        const int line = text_.top_line() + row;
        std::u32string shown;
        if (line < text_.line_count()) {
            const std::u32string& l = text_.line(line);
            if (static_cast<size_t>(text_.left_col()) < l.size())
                shown =
                    l.substr(static_cast<size_t>(text_.left_col()), static_cast<size_t>(r.width()));
            for (char32_t& c : shown)  // tabs, form feeds and the like show as blanks
                if (c < 0x20) c = U' ';
        }
        shown.resize(static_cast<size_t>(r.width()), U' ');
        win_->say(row, 0, to_utf8(shown));
    }
    app_.screen.set_cursor(r.top + text_.row() - text_.top_line(),
                           r.left + text_.col() - text_.left_col());
    show_position();
}

void Editor::show_position() {
    win_->status_bar->set_text(2, pad_right("Lin " + std::to_string(text_.row() + 1) + " Col " +
                                                std::to_string(text_.col() + 1),
                                            16));
    win_->status_bar->set_text(3, text_.overwrite() ? "Sobrescreve" : "Insere     ");
    app_.screen.desktop().draw_bars(*win_);
}

bool Editor::handle(const ui::Key& k) {
    using ui::KeyCode;
    const int page = std::max(area().height() - 1, 1);
    if (k.is_text() && k.ch >= 0x20) {
        text_.type(k.ch);
    } else if (k.is(KeyCode::kEnter)) {
        text_.enter();
    } else if (k.is(KeyCode::kBackspace)) {
        text_.backspace();
    } else if (k.is(KeyCode::kDel)) {
        text_.del();
    } else if (k.is(KeyCode::kIns)) {
        text_.toggle_overwrite();
    } else if (k.is(KeyCode::kTab)) {
        for (int n = 4 - text_.col() % 4; n > 0; --n) text_.type(U' ');
    } else if (k.is(KeyCode::kLeft)) {
        text_.left();
    } else if (k.is(KeyCode::kRight)) {
        text_.right();
    } else if (k.is(KeyCode::kUp)) {
        text_.up();
    } else if (k.is(KeyCode::kDown)) {
        text_.down();
    } else if (k.is(KeyCode::kHome)) {
        text_.home();
    } else if (k.is(KeyCode::kEnd)) {
        text_.end();
    } else if (k.is(KeyCode::kHome, ui::kCtrl)) {
        text_.top();
    } else if (k.is(KeyCode::kEnd, ui::kCtrl)) {
        text_.bottom();
    } else if (k.is(KeyCode::kPgUp)) {
        text_.up(page);
    } else if (k.is(KeyCode::kPgDn)) {
        text_.down(page);
    } else if (k == ui::Key::f(2)) {
        (void)save();
    } else if (k == ui::Key::f(3)) {
        find(true);
    } else if (k == ui::Key::f(5)) {
        field_menu();
    } else if (k.is(KeyCode::kEsc)) {
        if (may_leave()) win_->End(0);
        return true;
    } else {
        return false;
    }
    draw();
    return true;
}

bool Editor::may_leave() {
    if (!changed()) return true;
    const int k = app_.op.choose(kTitle, "A carta foi alterada. Grava as alterações?",
                                 {"Sim", "Não", "Cancela"});
    if (k == 0) return save();
    return k == 1;
}

bool Editor::save() {
    const std::string name = std::filesystem::path(file_.path).filename().string();
    app_.op.status("Gravando " + name);
    file_.letter = current();
    bool written = false;
    const Status s = office::save_letter(file_, &written);
    if (!s) {
        app_.op.status("Erro na gravação");
        app_.error({"Erro na gravação", s.message()});
        return false;
    }
    text_.mark_saved();
    saved_page_ = file_.letter.page;
    app_.op.status(written ? "Gravação OK" : "O arquivo não foi modificado. Não será gravado.");
    return true;
}

// The name of a letter of the data folder, proposed `proposal`; nothing when given up.
std::optional<office::LetterFile> ask_letter(App& app, const std::string& proposal) {
    std::string name = pad_right(proposal, 40);
    if (!app.ask({"Nome da carta na pasta de dados:"}, name, "@S40", 40)) return std::nullopt;
    office::LetterFile file;
    if (Status s = office::open_letter(app.s.ROTADOANO, trim(name), &file); !s) {
        app.error({s.message(), "O nome não pode ter pastas (\"/\", \"\\\", \"..\")."});
        return std::nullopt;
    }
    return file;
}

void Editor::save_as() {
    auto target = ask_letter(app_, last_letter());
    if (!target) return;
    if (target->path != file_.path && !target->original.empty() &&
        !app_.yes(
            {"A carta " + std::filesystem::path(target->path).filename().string() + " já existe.",
             "Substitui?"}))
        return;
    // Written unless the file already holds these very bytes.
    office::LetterFile into = std::move(*target);
    into.letter = current();
    const std::string name = std::filesystem::path(into.path).filename().string();
    app_.op.status("Gravando " + name);
    bool written = false;
    if (Status s = office::save_letter(into, &written); !s) {
        app_.op.status("Erro na gravação");
        app_.error({"Erro na gravação", s.message()});
        return;
    }
    into.letter = office::parse_letter(into.original);
    load(std::move(into));
    app_.op.status(written ? "Gravação OK" : "O arquivo não foi modificado. Não será gravado.");
}

void Editor::open() {
    if (!may_leave()) return;
    auto file = ask_letter(app_, last_letter());
    if (!file) return;
    if (file->original.empty()) {
        app_.error(
            {"Carta " + std::filesystem::path(file->path).filename().string() + " não encontrada"});
        return;
    }
    load(std::move(*file));
}

void Editor::new_letter() {
    if (!may_leave()) return;
    auto file = ask_letter(app_, "");
    if (!file) return;
    if (!file->original.empty() &&
        !app_.yes(
            {"A carta " + std::filesystem::path(file->path).filename().string() + " já existe.",
             "Começa uma nova com esse nome?"}))
        return;
    // A new letter: nothing read, so saving writes it over the old one.
    file->original.clear();
    file->letter = office::Letter{};
    load(std::move(*file));
}

void Editor::find(bool again) {
    if (!again || text_.needle().empty()) {
        std::string needle = pad_right(text_.needle(), 40);
        if (!app_.ask({"Procurar o texto:"}, needle, "@S40", 40)) return;
        if (!text_.find(trim_right(needle))) app_.op.status("Texto não encontrado");
        return;
    }
    if (!text_.find_again()) app_.op.status("Texto não encontrado");
}

void Editor::field_menu() {
    const auto& names = office::placeholder_names();
    auto dlg = ui::LDLGSHOW(app_.screen, 2, 3, 22, 76, "Campos da carta");
    for (size_t k = 0; k < names.size(); ++k) {
        const std::string number = std::to_string(k + 1);
        dlg->say(static_cast<int>(k % 15), 1 + static_cast<int>(k / 15) * 24,
                 pad_left(number, 2) + " \u00ab" + names[k] + "\u00bb");
    }
    dlg->say(16, 1, "Número do campo (0 não insere nada):");
    Decimal number;
    std::vector<ui::Get> f(1);
    f[0].row = 16, f[0].col = 39, f[0].var = number, f[0].picture = "99";
    f[0].valid = [&] { return number >= Decimal() && number <= Decimal(43); };
    const bool escaped = dlg->ReadModal(f).escaped;
    ui::LDLGCLOSE(app_.screen);
    if (!escaped) (void)text_.insert_field(static_cast<int>(number.whole()));
}

void Editor::format_page() {
    const office::PageSettings& p = file_.letter.page;
    std::array<std::string, 6> texts = {std::to_string(p.left),  std::to_string(p.right),
                                        std::to_string(p.width), std::to_string(p.length),
                                        std::to_string(p.top),   std::to_string(p.bottom)};
    for (auto& t : texts) t = pad_right(t, 4);
    static const char* const kLabels[] = {
        "Margem esquerda (colunas)..:", "Margem direita (colunas)...:",
        "Largura total (colunas)....:", "Tamanho da página (linhas).:",
        "Margem superior (linhas)...:", "Margem inferior (linhas)...:"};
    auto dlg = ui::LDLGSHOW(app_.screen, 7, 20, 16, 60, "Formata página");
    for (int k = 0; k < 6; ++k) dlg->say(k + 1, 2, kLabels[k]);
    for (;;) {
        std::vector<ui::Get> f(6);
        for (size_t k = 0; k < 6; ++k) {
            f[k].row = static_cast<int>(k) + 1, f[k].col = 31, f[k].var = texts[k];
            f[k].width = 4;
        }
        if (dlg->ReadModal(f).escaped) break;
        std::string problem;
        if (auto settings = office::page_settings_of(texts, &problem)) {
            file_.letter.page = *settings;
            break;
        }
        app_.error({problem, "A página não foi alterada."});
    }
    ui::LDLGCLOSE(app_.screen);
}

void Editor::print() {
    LetterAddressees to;
    to.folders = {app_.s.ROTADOANO};
    switch (app_.s.cfg_num("quecon")) {
        case 2:
            to.marked_only = true;
            break;
        case 3:
            break;
        case 4:
            sync_areas(app_.s, app_.w);
            to.folders.clear();
            for (const FolderEntry& e : folder_list(app_.w)) to.folders.push_back(e.folder);
            break;
        default: {
            std::string cpf(11, ' ');
            if (!app_.ask({"CPF do contribuinte:"}, cpf, "@R 999.999.999-99")) return;
            to.cpf = trim(cpf);
        }
    }
    print_letter(app_, current(), to);
}

void Editor::build_menu() {
    const auto act = [this](void (Editor::*f)()) {
        return [this, f] {
            (this->*f)();
            draw();
        };
    };
    ui::LMenu m;
    m.SubMenu("&Arquivo");
    m.MenuItem("&Abrir", act(&Editor::open));
    m.MenuItem("&Nova", act(&Editor::new_letter));
    m.MenuItem(
        "&Gravar",
        [this] {
            (void)save();
            draw();
        },
        true, "F2");
    m.MenuItem("Gravar &como", act(&Editor::save_as));
    m.MenuItem("&Imprimir", act(&Editor::print));
    m.Separator();
    m.MenuItem("&Sair", [this] {
        if (may_leave()) win_->End(0);
    });
    m.EndMenu();
    m.SubMenu("&Procurar");
    m.MenuItem("&Procurar", [this] {
        find(false);
        draw();
    });
    m.MenuItem(
        "Procurar de &novo",
        [this] {
            find(true);
            draw();
        },
        true, "F3");
    m.EndMenu();
    m.MenuItem("&Campos", act(&Editor::field_menu), true, "F5");
    m.MenuItem("&Formata página", act(&Editor::format_page));
    win_->menu = m;
}

void Editor::run() {
    win_ = ui::LDLGSHOW(app_.screen, 0, 0, ui::kRows - 1, ui::kCols - 1, kTitle);
    win_->status_bar = ui::LStatusBar{};
    win_->status_bar->idle = "F10 menu  F2 grava  F3 procura de novo  F5 campos  Esc sai";
    win_->lExitEsc = false;
    build_menu();
    office::LetterFile file;
    (void)office::open_letter(app_.s.ROTADOANO, "", &file);  // SemNome.txt
    if (!last_letter().empty()) {
        office::LetterFile last;
        if (office::open_letter(app_.s.ROTADOANO, last_letter(), &last)) file = std::move(last);
    }
    load(std::move(file));
    win_->on_key = [this](const ui::Key& k) { return handle(k); };
    draw();
    ui::LACTIVATE(app_.screen, false);
    win_->on_key = nullptr;
    win_->menu.reset();
    app_.screen.hide_cursor();
    ui::LDLGCLOSE(app_.screen);
}

}  // namespace

office::FeeRates letter_rates(const App& app) {
    office::FeeRates r;
    r.per_minute = app.s.DEFINE.num("VAL_SEG");
    r.per_kilobyte = app.s.DEFINE.num("VAL_BYTE");
    r.minimum = app.s.DEFINE.num("VAL_MIN");
    return r;
}

void edit_letters(App& app) {
    sync_areas(app.s, app.w);
    Editor(app).run();
}

std::optional<office::LetterFile> pick_letter(App& app) {
    auto file = ask_letter(app, last_letter());
    if (!file) return std::nullopt;
    const std::string name = std::filesystem::path(file->path).filename().string();
    if (file->original.empty()) {
        app.error({"Carta " + name + " não encontrada"});
        return std::nullopt;
    }
    last_letter() = name;
    if (!file->letter.notice.empty()) app.tell({file->letter.notice});
    return file;
}

void print_letter(App& app, const office::Letter& letter, const LetterAddressees& to) {
    Session& s = app.s;
    const office::FeeRates rates = letter_rates(app);
    std::vector<office::LetterClient> chosen;
    for (const std::string& folder : to.folders) {
        std::vector<office::LetterClient> clients;
        if (Status st = office::read_letter_clients(app.w.env(), folder, &clients); !st) {
            app.error({"Não foi possível ler a pasta", folder, st.message()});
            continue;
        }
        for (office::LetterClient& c : clients)
            if (to.cpf.empty() ? !to.marked_only || c.marked : trim(c.str("CPF")) == to.cpf)
                chosen.push_back(std::move(c));
    }
    if (chosen.empty()) {
        app.tell({to.cpf.empty() ? "Nenhum contribuinte para imprimir a carta."
                                 : "CPF " + masked_cpf(to.cpf) + " não encontrado!"});
        return;
    }
    std::unique_ptr<printing::PrintFile> file;
    if (Status st = printing::PrintFile::PREP_IMP(print_place(app), &file); !st) {
        app.error({st.message()});
        return;
    }
    office::print_letters(letter, chosen, rates, *file);
    std::string path;
    if (Status st = file->close(&path); !st) {
        app.error({st.message()});
        return;
    }
    const std::string name =
        chosen.size() == 1
            ? printing::copy_name(std::nullopt, trim(chosen.front().str("CPF")), tax::CANOATUAL)
            : std::string("NAO-DOS");
    for (int copy = 0; copy < std::clamp(s.NRO_VIAS, 1, 9); ++copy)
        if (send_print_file(app, path, name) != printing::Sent::kSent) break;
}

}  // namespace vorn::shell
