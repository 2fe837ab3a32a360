// The open declaration's window, menu, screen loop, saving and leaving.
#include "shell/declaration_ui.h"

#include <functional>
#include <optional>
#include <utility>

#include "base/helpers.h"
#include "base/text.h"
#include "entry/balance_screen.h"
#include "entry/calculator.h"
#include "entry/companies_screen.h"
#include "entry/converter.h"
#include "entry/dependants_list.h"
#include "entry/donation_window.h"
#include "entry/estate_screen.h"
#include "entry/exempt_screen.h"
#include "entry/exit_screen.h"
#include "entry/gains_screen.h"
#include "entry/hints.h"
#include "entry/identification.h"
#include "entry/individuals_screen.h"
#include "entry/item_editor.h"
#include "entry/office_screen.h"
#include "entry/rural_screens.h"
#include "entry/spouse_screen.h"
#include "entry/statement_screen.h"
#include "entry/summary_screen.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "shell/giro.h"
#include "shell/help.h"
#include "shell/menus.h"
#include "shell/utilities_window.h"
#include "store/declaration_rules.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

constexpr const char* kScreenIndex =
    "1=PJ 2=PF 3=Ise 4=Pgto 5=Bem 6=Iden 7=Cal 8=GCap 9=RVar 10=Balan 11=notas 12=AAR";
constexpr const char* kNoRural =
    "Esse contribuinte não está selecionado que tenha necessidade da Atividade Rural. Se for o "
    "caso vá na tela de identificação e marque essa condição.";

// The working time counted for the declaration so far, "h:mm:ss" (hours may pass 24).
std::string time_counted(const store::Declaration& d) {
    const long total = d.values().num("TEM_USO").whole() + d.running_seconds();
    auto two = [](long n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    return std::to_string(total / 3600) + ":" + two(total / 60 % 60) + ":" + two(total % 60);
}

// A message on the status line (the declaration window's while it is open) that goes away by
// itself after a few seconds, unless something else was written there meanwhile.
void passing_status(ui::Screen& sc, const std::string& text) {
    ui::MENS(sc, 0, text);
    sc.after(5, [&sc, text] {
        const ui::LDialog& w = sc.desktop().status_window();
        if (w.status_bar && w.status_bar->text(1) == text) ui::MENS(sc, 0, "");
    });
}

// While it lives, the window gives one of its rows to its client area: the menu bar's, which
// does nothing while a screen is read, or else the status line's. Then the row comes back as it
// was and is drawn again.
class BarRowSetAside {
  public:
    BarRowSetAside(ui::Screen& sc, ui::LDialog& win) : sc_(sc), win_(win) {
        if (win.menu)
            menu_ = std::exchange(win.menu, std::nullopt);
        else
            bar_ = std::exchange(win.status_bar, std::nullopt);
    }
    ~BarRowSetAside() {
        if (menu_) win_.menu = std::move(menu_);
        if (bar_) win_.status_bar = std::move(bar_);
        sc_.desktop().draw_bars(win_);
    }
    BarRowSetAside(const BarRowSetAside&) = delete;
    BarRowSetAside& operator=(const BarRowSetAside&) = delete;

  private:
    ui::Screen& sc_;
    ui::LDialog& win_;
    std::optional<ui::LMenu> menu_;
    std::optional<ui::LStatusBar> bar_;
};

// The footer hint of a screen or page (none: 0).
int footer_hint(ScreenPos at) {
    if (at.item == 32) return 4;  // Tab goes on to the dependants
    if (at.screen == 6) return 11;
    if (at.screen == 10) return 17;
    return 0;
}

std::string hh_mm(long seconds) {
    return seconds_to_hms(seconds).substr(0, 5);
}

bool is_protected(const App& app, const store::Declaration& d) {
    return store::protected_status(d.values().num("ESTATUS"), app.s.STATRAVA());
}

// The keys that end an entry screen and choose the next one.
std::vector<ui::Key> jump_keys() {
    std::vector<ui::Key> keys;
    for (int n = 1; n <= 12; ++n) keys.push_back(ui::Key::f(n));
    for (int n : {1, 2, 3, 7}) keys.push_back(ui::Key::f(n, ui::kAlt));
    keys.push_back(ui::Key::f(3, ui::kCtrl));
    keys.push_back(ui::Key::alt('X'));
    keys.push_back(ui::Key::alt('Z'));
    keys.push_back(ui::Key::of(ui::KeyCode::kTab));
    keys.push_back(ui::Key::of(ui::KeyCode::kTab, ui::kShift));
    return keys;
}

// The screens of the item lists this build shows: dependants, alimony recipients, payments,
// heirs, assets and debts.
bool item_lists_shown(ScreenPos at) {
    return at.item == 41 || at.item == 42 || at.item == 43 || at.item == 45 || at.item == 51 ||
           at.screen == 22 || at.screen == 23;
}

// The entry screens of this build.
bool built(ScreenPos at) {
    if (item_lists_shown(at)) return true;
    if (at.screen == 4) return at.item == 44 || at.item == 46;
    if (at.screen == 5) return at.item >= 56;
    return at.screen == 1 || at.screen == 2 || at.screen == 3 || at.screen == 6 || at.screen == 7 ||
           at.screen == 8 || at.screen == 9 || at.screen == 10 || at.screen == 11 ||
           (at.screen >= 12 && at.screen <= 17);
}

// The rural screens 12 to 17 keep their country in their item: 101 … 106 Brazil, 201 … 206
// abroad (F12 and Alt+F2 go to Brazil's first).
ScreenPos rural_item(ScreenPos next, std::string_view key, bool abroad) {
    if (next.screen < 12 || next.screen > 17 || next.item != 0) return next;
    if (key == "F12" || key == "ALT+F2") abroad = false;
    return {next.screen, next.screen + (abroad ? 189 : 89)};
}

// Where a finding of the notices sends the operator: its screen, and the record and column of
// its list.
struct Finding {
    ScreenPos at;
    entry::EditaOptions open;
};

class Run {
  public:
    Run(App& app, store::Declaration& d) : app_(app), s_(app.s), d_(d) {}
    Leave run();

  private:
    DeclarationShape shape() const;
    std::string title() const;
    void draw_idle();
    int window_menu();
    int text_menu();
    void MENUCOMUM(int code);
    void GIRO(ScreenPos start);
    ui::Key run_screen(ScreenPos at);
    ui::ReadResult special_screen(int item);
    // Screens 12 to 17 and the digital cash book's 107 to 109.
    ui::ReadResult rural_screen(ScreenPos at);
    // Screen 11: the office's data, then the program's notices (Ctrl+Enter on a finding goes
    // where it names); 63: the personal notes.
    // `left` tells whether a key bound on the screen ended its input.
    ui::Key notes_screen(int item, bool& ended, const std::function<bool()>& left);
    std::optional<Finding> finding_of_row();
    void after_screen();
    void leave(int code);
    void save_now();
    void outside_calculator();
    void told_saved();
    const payments::InterestTable& selic();

    App& app_;
    Session& s_;
    store::Declaration& d_;
    std::shared_ptr<ui::LDialog> win_;
    bool done_ = false;
    Leave how_ = Leave::kSaved;
    ScreenPos pending_jump_{0, 0};
    std::optional<Finding> finding_;  // chosen in the notices: the next screen to show
    bool check_first_ = false;        // the notices were asked for (62): the check runs first
    std::optional<payments::InterestTable> selic_;
    // The movable assets of screen 8 are those abroad: the menu's item chose them.
    bool movables_abroad_ = false;
};

// The text menu's code of the movable assets abroad, told apart from those in Brazil (both are
// command 82 with another argument).
constexpr int kMovablesAbroad = 820;

const payments::InterestTable& Run::selic() {
    if (!selic_) selic_ = selic_rates(app_);
    return *selic_;
}

DeclarationShape Run::shape() const {
    DeclarationShape sh;
    const auto& v = d_.values();
    sh.rural = v.str("TEMRURAL") == "S";
    sh.rural_abroad = v.str("AAR_EXTER") == "S";
    if (store::Table* t = d_.working(3)) {
        // Dependants: relationship codes below 97 (the others are alimony recipients and heirs).
        const size_t order = t->order();
        t->set_order(0);
        for (Status st = t->go_top(); st && !t->eof(); st = t->skip())
            if (t->num("CODIDEPEN") < Decimal(97)) sh.has_dependants = true;
        t->set_order(order);
    }
    if (store::Table* t = d_.working(15)) {
        const size_t order = t->order();
        t->set_order(0);
        for (Status st = t->go_top(); st && !t->eof(); st = t->skip())
            if (t->num("TIPO_LANCA") == Decimal(2)) sh.digital_cash_book = true;
        t->set_order(order);
    }
    return sh;
}

std::string Run::title() const {
    return "Ver. " + std::string(VERSAO) + " " + s_.ROTADOANO +
           " CPF:" + mask_picture(d_.cpf(), "999.999.999-99") + " - " +
           d_.values().str("NOMECONTR");
}

void Run::draw_idle() {
    ui::Rect c = win_->client();
    app_.screen.fill(c, {U' ', win_->colour});
    win_->say(c.height() / 2 - 1, 2, pad_center(d_.values().str("NOMECONTR"), c.width() - 4));
    win_->say(c.height() / 2 + 1, 2, pad_center(kScreenIndex, c.width() - 4));
}

// The window-style menu bar, rebuilt for every command; the code chosen (0: none, Esc).
int Run::window_menu() {
    int chosen = 0;
    ui::LMenu menu = desktop_menu(declaration_menu(shape()), [this, &chosen](const MenuEntry& e) {
        chosen = e.code;
        movables_abroad_ = e.code == 82 && e.arg == 'N';
        win_->End(1);
    });
    win_->menu = menu;
    app_.screen.desktop().draw_bars(*win_);
    win_->on_key = [this, &chosen](const ui::Key& k) {
        std::optional<int> code = declaration_hotkey(ui::key_name(k));
        if (!code) return false;
        chosen = *code;
        win_->End(1);
        return true;
    };
    win_->lExitEsc = false;
    ui::LACTIVATE(app_.screen, false);
    win_->on_key = nullptr;
    return chosen;
}

// The text top bar on row 0; Esc at the bar counts as Alt+T.
int Run::text_menu() {
    std::vector<ui::TextMenuPad> pads;
    for (const auto& top : declaration_menu(shape())) {
        ui::TextMenuPad pad;
        pad.caption = top.caption;
        for (const auto& e : top.items) {
            ui::TextMenuItem item;
            item.caption = e.separator ? "─" : e.caption;
            if (!e.hotkey.empty()) item.hot_key = ui::parse_key_name(e.hotkey);
            item.description = e.description;
            item.code = e.code == 82 && e.arg == 'N' ? kMovablesAbroad : e.code;
            item.enabled = e.enabled;
            pad.items.push_back(item);
        }
        pads.push_back(pad);
    }
    ui::TextMenuBar bar(std::move(pads));
    bar.draw(app_.screen);
    int code = bar.run(app_.screen);
    movables_abroad_ = code == kMovablesAbroad;
    if (movables_abroad_) code = 82;
    return code == 0 ? 17 : code;
}

void Run::save_now() {
    if (s_.TEMP_SAL() >= 98 || !d_.loaded()) return;
    if (SAL_DEC(app_, d_)) told_saved();
}

void Run::told_saved() {
    passing_status(app_.screen, "Declaração salva às " + hh_mm(app_.screen.clock().now().seconds));
}

// Command 120 and Alt+K: the calculator named by VORN_CALC, or the built-in one.
void Run::outside_calculator() {
    entry::run_calculator(app_.screen, *app_.processes,
                          app_.platform.variable("VORN_CALC").value_or(""));
}

void Run::after_screen() {
    Status st = d_.keep_values();
    if (!st) app_.error({st.message()});
    const int minutes = s_.TEMP_SAL();
    if (minutes > 0 && minutes < 98 && d_.seconds_since_save() >= minutes * 60L &&
        SAL_DEC(app_, d_))
        told_saved();
}

void Run::leave(int code) {
    switch (SAI_DA_DEC(app_, d_, code)) {
        case LeaveAnswer::kStay:
            return;
        case LeaveAnswer::kSave: {
            Status st = d_.save(true);
            if (!st) {
                app_.error({"A declaração não foi gravada:", st.message()});
                return;
            }
            how_ = Leave::kSaved;
            done_ = true;
            return;
        }
        case LeaveAnswer::kDiscard: {
            Status st = d_.release();
            if (!st) app_.error({st.message()});
            how_ = Leave::kWithoutSaving;
            done_ = true;
            return;
        }
    }
}

ui::Key Run::run_screen(ScreenPos at) {
    ui::Screen& sc = app_.screen;
    ui::Key last;
    bool jumped = false, alt_t = false;
    auto bindings = sc.bindings();
    for (const ui::Key& k : jump_keys())
        sc.bind(k, [&, k] {
            last = k;
            jumped = true;
            sc.end_input();
        });
    sc.bind(ui::Key::alt('T'), [&] {
        alt_t = true;
        sc.end_input();
    });
    sc.bind(ui::Key::alt('H'), [this] {
        d_.toggle_clock();
        passing_status(app_.screen,
                       std::string(d_.clock_off() ? "Relógio desligado" : "Relógio ligado") +
                           " - tempo contado " + time_counted(d_));
    });
    // The calculators work on the field being edited, whatever the screen.
    sc.bind(ui::Key::alt('K'), [this] { outside_calculator(); });
    sc.bind(ui::Key::alt('S'), [this] { entry::calculator_into_field(app_.screen); });
    sc.bind(ui::Key::alt('U'), [this] { entry::converter_into_field(app_.screen, s_.NVALDOLAR); });
    std::optional<entry::FooterHint> hint;
    if (const int n = footer_hint(at)) hint.emplace(sc, entry::hint(n));
    // A finding chosen in the notices opens its list on its record and column.
    entry::EditaOptions finding;
    if (finding_) finding = std::exchange(finding_, std::nullopt)->open;
    ui::ReadResult r;
    if (at.screen == 1) {
        draw_idle();
        entry::EditorPlace place{sc, app_.op, app_.w, d_, selic(), win_->client(), finding};
        r.last_key = entry::RENDPJ(place, at.item);
    } else if (at.screen == 2) {
        draw_idle();
        entry::EditorPlace place{sc, app_.op, app_.w, d_, selic(), win_->client()};
        r = entry::individuals_screen(place, at.item ? at.item : 21);
    } else if (at.screen == 3) {
        draw_idle();
        r = entry::exempt_screen(sc, app_.op, app_.w, d_, win_->client(), at.item, selic());
    } else if (at.screen == 5 && at.item >= 56) {
        draw_idle();
        r = special_screen(at.item);
    } else if (at.screen == 6) {
        draw_idle();
        r = entry::identification_screen(sc, app_.op, app_.w, d_, win_->client());
    } else if (at.screen == 7) {
        draw_idle();
        // The summary's forms take 22 rows: the menu bar's row is theirs meanwhile, or where the
        // window has none, the status line's (so that neither the form nor a passing message
        // draws over the other).
        BarRowSetAside aside(sc, *win_);
        r = entry::summary_screen(sc, app_.op, d_, win_->client(), selic());
    } else if (at.screen == 10) {
        draw_idle();
        std::optional<tax::PastResult> last_year;
        if (Status st = tax::read_past_result(app_.w.env(), s_.ROTADEF, d_.cpf(),
                                              std::to_string(NANOANTES), &last_year);
            !st)
            app_.error({"Histórico dos anos anteriores não lido:", st.message()});
        r = entry::balance_screen(sc, app_.op, app_.w, d_, win_->client(), selic(), last_year);
    } else if (item_lists_shown(at)) {
        draw_idle();
        entry::EditorPlace place{sc,      app_.op,        app_.w,  d_,
                                 selic(), win_->client(), finding, s_.cfg("ROTAANTER")};
        r.last_key = at.item == 41   ? entry::dependants_screen(place)
                     : at.item == 42 ? entry::recipients_screen(place)
                     : at.item == 45 ? entry::heirs_screen(place)
                     : at.item == 43 ? entry::payments_screen(place)
                     : at.item == 51 ? entry::assets_and_debts_screen(place)
                                     : entry::asset_views_screen(place, at.screen, at.item);
    } else if (at.screen == 8 || at.screen == 9) {
        draw_idle();
        entry::EditorPlace place{sc, app_.op, app_.w, d_, selic(), win_->client()};
        r.last_key = at.screen == 8 ? entry::gains_screen(place, at.item, movables_abroad_)
                                    : entry::statement_screen(place, at.item);
    } else if (at.item == 44 || at.item == 46) {
        draw_idle();
        r = entry::donation_window(sc, app_.op, app_.w, d_, at.item, selic());
    } else if (at.screen >= 12 && at.screen <= 17) {
        draw_idle();
        r = rural_screen(at);
    } else if (at.screen == 11) {
        bool ended = false;
        r.last_key = notes_screen(at.item, ended, [&] { return jumped || alt_t; });
        if (ended) {
            last = r.last_key;
            jumped = true;
        }
    }
    sc.set_bindings(bindings);
    if (alt_t) return ui::Key::alt('T');
    return jumped ? last : r.last_key;
}

// The screen and list a finding on the notices' current row names; none for a plain note, or
// when its screen is not one of this build (the operator is told).
std::optional<Finding> Run::finding_of_row() {
    store::Table* t = d_.working(11);
    if (!t || t->eof() || t->num("CODERR").is_zero()) return std::nullopt;
    const ScreenPos at = screen_for_code(static_cast<int>(t->num("OPCIR").whole()));
    if (at.screen <= 0 || !built(at)) {
        app_.tell({ui::kNotAvailable});
        return std::nullopt;
    }
    entry::EditaOptions open;
    open.record = static_cast<uint32_t>(t->num("REGIS").whole());
    open.column = static_cast<int>(t->num("COLUN").whole());
    return Finding{at, open};
}

ui::Key Run::notes_screen(int item, bool& ended, const std::function<bool()>& left) {
    ui::Screen& sc = app_.screen;
    draw_idle();
    entry::EditorPlace place{sc, app_.op, app_.w, d_, selic(), win_->client()};
    if (item == 63) return entry::EDITA(place, 11);
    // Asked for by F11 (not reached with Tab), the notices list what the check finds just now.
    if (std::exchange(check_first_, false)) check_open_declaration(app_, d_);
    const ui::ReadResult r =
        entry::office_screen(sc, app_.op, app_.w, d_, win_->client(), browser_opener(app_));
    // Esc, or a key that chose another screen, leaves before the notices.
    if (r.escaped || left() || r.last_key.is(ui::KeyCode::kEsc)) return r.last_key;
    draw_idle();
    sc.bind(ui::Key::of(ui::KeyCode::kEnter, ui::kCtrl), [this, &sc, &ended] {
        finding_ = finding_of_row();
        if (!finding_) return;
        ended = true;
        sc.end_input();
    });
    const ui::Key k = entry::EDITA(place, entry::kWarnings);
    return ended ? ui::Key::of(ui::KeyCode::kEnter, ui::kCtrl) : k;
}

// Screen 5's spouse (56), estate (57) and exit (58) items. The spouse's figures are looked up in
// the current data folder first, then in the terminal's list.
ui::ReadResult Run::special_screen(int item) {
    const ui::Rect area = win_->client();
    if (item == 57) return entry::estate_screen(app_.screen, app_.op, d_, area);
    if (item == 58) return entry::exit_screen(app_.screen, app_.op, d_, area);
    std::vector<std::string> folders = {without_slash(s_.ROTADOANO)};
    for (const FolderEntry& e : folder_list(app_.w)) folders.push_back(e.folder);
    return entry::spouse_screen(app_.screen, app_.op, app_.w, d_, area, folders);
}

ui::ReadResult Run::rural_screen(ScreenPos at) {
    entry::EditorPlace place{app_.screen, app_.op, app_.w, d_, selic(), win_->client()};
    place.dollar = s_.NVALDOLAR;
    entry::RuralPlace r{place, at.item >= 200, s_.ROTADEF};
    ui::ReadResult out;
    switch (at.item > 0 ? at.item : at.screen + 89) {
        case 101:
        case 201:
            out.last_key = entry::rural_properties_screen(r);
            break;
        case 102:
            out.last_key = entry::rural_book_screen(r);
            break;
        case 103:
        case 203:
            out = entry::rural_result_screen(r);
            break;
        case 104:
        case 204:
            out = entry::rural_herd_screen(r);
            break;
        case 105:
        case 205:
            out.last_key = entry::rural_assets_screen(r);
            break;
        case 106:
        case 206:
            out.last_key = entry::rural_debts_screen(r);
            break;
        case 107:
            out.last_key = entry::rural_banks_screen(r);
            break;
        case 108:
            out = entry::rural_accountant_screen(r);
            break;
        case 109:
            entry::rural_lcdpr_file(r);
            break;
        default:
            break;
    }
    return out;
}

void Run::GIRO(ScreenPos start) {
    GiroContext ctx;
    ScreenPos at = start;
    while (!done_) {
        // The other entry screens are not part of this build.
        if (!built(at)) return;
        s_.OPCIR_1 = at.item ? at.item : at.screen * 10 + 1;
        ui::Key k = run_screen(at);
        after_screen();
        if (k == ui::Key::alt('T')) {
            leave(111);
            return;
        }
        if (finding_) {
            at = finding_->at;
            continue;
        }
        ctx.rural = d_.values().str("TEMRURAL") == "S";
        ctx.rural_abroad = d_.values().str("AAR_EXTER") == "S" && at.item >= 200;
        ctx.new_declaration = d_.is_new();
        ctx.window_menu = s_.OPCIRPF() == "J";
        ScreenPos next =
            rural_item(GIRO_next(at, ui::key_name(k), ctx), ui::key_name(k), ctx.rural_abroad);
        if (next.screen == -1) {
            app_.tell({kNoRural});
            next = {1, 11};
        }
        if (next.screen == 0 || next.screen == 99) return;
        at = next;
    }
}

void Run::MENUCOMUM(int code) {
    s_.OPCIR_1 = code;
    const DeclarationShape sh = shape();
    if (code == 17) return leave(17);
    if (code == 120) return outside_calculator();
    if (code == 121) return show_help(app_, "GERAL");
    if (code == 122) return show_help(app_, "TECLAS");
    if (code == 123) {
        app_.tell({"VORN20" + std::string(CANOATUAL) + " Versão " + std::string(VERSAO),
                   "de " + std::string(DVERATUAL)},
                  "Sobre o VORN");
        return;
    }
    if ((code >= 101 && code <= 109) || (code >= 201 && code <= 206)) {
        if (!sh.rural) return app_.tell({kNoRural});
        if (code >= 107 && code <= 109 && !sh.digital_cash_book) {
            return app_.tell({code == 109 ? "Esse arquivo só é gerado para quem usa o"
                                          : "Esse cadastro só é necessário para o",
                              "Livro Caixa Digital do Produtor Rural (LCDPR)"});
        }
    }
    static const std::set<int> kDependants = {13, 14, 22, 85, 86, 87, 88, 94, 95, 96};
    if (kDependants.count(code) && !sh.has_dependants)
        return app_.tell({"Sem dependentes para usar essa opção"});
    if (!declaration_command_enabled(code)) return app_.tell({ui::kNotAvailable});  // a hot key
    if (code >= 107 && code <= 109) {
        // The digital cash book's registers and file: windows of their own, outside the loop.
        draw_idle();
        (void)rural_screen({12, code});
        after_screen();
        return;
    }
    ScreenPos at = screen_for_code(code);
    check_first_ = code == 62;
    if (at.screen > 0) GIRO(at);
}

Leave Run::run() {
    s_.LESTOUNADECL = true;
    // The working clock stops once the operator has been away from the keyboard for the office's
    // limit (TEMP_DES minutes), wherever the program waits for a key, and starts again at the
    // next key; the watch ends with the declaration.
    app_.screen.watch_idle(
        static_cast<double>(s_.def_num("TEMP_DES")) * 60,
        [this](const DateTime& since) { d_.idle_since(since.seconds); },
        [this] { d_.resume_interval(); });
    struct EndWatch {
        ui::Screen& sc;
        ~EndWatch() { sc.watch_idle(0, {}, {}); }
    } end_watch{app_.screen};
    const bool window_style = s_.OPCIRPF() == "J";
    win_ =
        ui::LDLGSHOW(app_.screen, window_style ? 0 : 1, 0, ui::kRows - 1, ui::kCols - 1, title());
    // Its own status line: the main window's lies under it.
    win_->status_bar = ui::LStatusBar{};
    // Alt+W saves at once, at the menu and in every screen, unless saving is only at the end.
    // The window's closing takes the binding away again.
    if (s_.TEMP_SAL() < 98) app_.screen.bind(ui::Key::alt('W'), [this] { save_now(); });
    // A new client starts with the identification: the name comes before anything else.
    if (d_.is_new()) {
        win_->draw();
        if (window_style) {
            win_->menu = desktop_menu(declaration_menu(shape()), [](const MenuEntry&) {});
            app_.screen.desktop().draw_bars(*win_);
        }
        MENUCOMUM(61);
    }
    while (!done_) {
        win_->title = title();
        win_->draw();
        draw_idle();
        int code = 0;
        if (window_style) {
            code = window_menu();
        } else {
            code = text_menu();
        }
        if (code == 101 && !shape().rural) {  // F12 without rural activity
            app_.tell({"Sem Atividade Rural"});
            continue;
        }
        if (code) MENUCOMUM(code);
    }
    win_->menu.reset();
    ui::LDLGCLOSE(app_.screen);
    win_.reset();
    s_.LESTOUNADECL = false;
    s_.OPCIR_1 = 0;
    return how_;
}

}  // namespace

LeaveAnswer SAI_DA_DEC(App& app, store::Declaration& d, int code) {
    if (is_protected(app, d)) {
        if (app.yes({"Declaração com Status de proteção contra alteração.",
                     "Configurado para não salvar qualquer modificação!",
                     "Desejando salvar alterações mude o Status na tela F11",
                     "O programa pode alterar agora esse Status?"})) {
            d.values().set("ESTATUS", Decimal(2));
            return LeaveAnswer::kStay;
        }
        return LeaveAnswer::kDiscard;
    }
    if (code == 111) return LeaveAnswer::kSave;
    // The answers that throw the work away are never the default.
    if (code == 112)
        return app.yes_not_default({"Sai da declação sem Salvar as alterações?"})
                   ? LeaveAnswer::kDiscard
                   : LeaveAnswer::kStay;
    ui::MessageBox box;
    box.lines = {"Termina a Declaração?", "Sim....... Salva tudo e sai.       ",
                 "Não....... Volte para a declaração.", "Cancelar.. Sai sem salvar as alterações."};
    box.buttons = {"&Sim", "&Não", "&Cancelar"};
    box.title = "Aviso";
    box.icon = ui::Icon::kQuestion;
    // Esc (0) goes back to the declaration, as "Não" does.
    const int a = ui::show_message(app.screen, box);
    if (a == 1) return LeaveAnswer::kSave;
    if (a == 3 && app.yes_not_default({"Confirme a sair sem salvar!"}))
        return LeaveAnswer::kDiscard;
    return LeaveAnswer::kStay;
}

bool may_save(App& app, store::Declaration& d) {
    if (!is_protected(app, d)) return true;
    if (!app.yes({"Declaração com Status de proteção contra alteração.",
                  "Configurado para não salvar qualquer modificação!",
                  "Se desejar salvar mude o Status na tela F11",
                  "Deseja alterar agora esse Status?"}))
        return false;
    d.values().set("ESTATUS", Decimal(2));
    return true;
}

bool SAL_DEC(App& app, store::Declaration& d) {
    if (!may_save(app, d)) return false;
    Status st = d.save(false);
    if (!st) {
        app.error({"A declaração não foi gravada:", st.message()});
        return false;
    }
    return true;
}

Leave run_declaration(App& app, store::Declaration& d) {
    return Run(app, d).run();
}

}  // namespace vorn::shell
