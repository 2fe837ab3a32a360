// The DARF window: its menu of kinds, the dialogue of a kind for the chooser's client, the run over
// a selection of declarations, and the output through the terminal's print channel, text files or
// the Sicalc page.
#include "shell/darf_window.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "output/sicalc.h"
#include "payments/darf.h"
#include "payments/darf_folder.h"
#include "printing/channels.h"
#include "printing/printer_record.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "shell/print_commands.h"
#include "tax/limits.h"
#include "tax/year.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

using payments::Darf;
using payments::DarfRun;

constexpr const char* kTitle = "Impressão de Darfes";
constexpr const char* kDateTitle = "Data vencimento do DARF";
constexpr const char* kAmount = "@E 999,999,999.99";

// The menu "DARF CALCULADO": the kinds in their order, kinds 1 to 5 with their two choices.
struct KindItem {
    int kind;
    const char* caption;
};
constexpr KindItem kComputed[] = {
    {payments::kDarfQuota, "0211 - Imposto de renda"},
    {payments::kDarfCarneLeao, "0190 - Carnê Leão"},
    {payments::kDarfCapitalGain, "4600 - Ganhos de Capital "},
    {payments::kDarfStocks, "6015 - Renda Variável  "},
    {payments::kDarfFunds, "6015 - Fundo Investimento  "},
    {payments::kDarfLateFine, "5320 - Multas"},
    {payments::kDarfDonationECA, "3351 - Doação ao ECA "},
    {payments::kDarfDonationElderly, "9090 - Doação ao Idoso "},
    {payments::kDarfForeignCash, "8960 - Moedas em Espécie "},
};

// A quota's due date the operator changed in the confirmation: it stands for the rest of the
// program's run.
std::map<int, Date>& changed_quota_dates() {
    static std::map<int, Date> dates;
    return dates;
}

// What the menu's action chose: a kind and QUANTDARF, or nothing (Sair, Esc).
struct Choice {
    int kind = 0;
    int quantity = 1;
};

class Window {
  public:
    Window(App& app, std::string cpf)
        : app_(app),
          cpf_(std::move(cpf)),
          selic_(selic_rates(app)),
          today_(app.w.clock().today()) {}
    void run();

  private:
    bool one_client() const { return !cpf_.empty(); }
    void build_menu();
    void intro();
    Choice menu();
    void tell(const std::vector<std::string>& lines);
    // FAZ_O_DARF: the dialogue of a kind; true when DARFs were produced.
    bool FAZ_O_DARF(int kind, int quantity);
    bool ask_range(DarfRun& run);
    bool ask_holder(const tax::Declaration& d, DarfRun& run);
    bool confirm(payments::DarfSource& src, DarfRun& run, std::vector<Darf>* darfs);
    std::vector<Darf> prepare(const payments::DarfSource& src, const DarfRun& run,
                              std::vector<std::string>* refusal) const;
    void show(const Darf& darf, size_t count);
    bool output(const std::vector<Darf>& darfs, const DarfRun& run, const tax::Declaration& d,
                std::vector<std::string>* where);
    bool sicalc(const std::vector<Darf>& darfs, const tax::Declaration& d,
                const std::vector<store::Record>& gains);
    bool selection(const DarfRun& run);
    void due_dates();
    // The free DARF's typed values without the blanks their fields were given.
    Darf typed() const;

    App& app_;
    std::string cpf_;
    payments::InterestTable selic_;
    Date today_;
    std::shared_ptr<ui::LDialog> win_;
    // The chooser's client, read and computed when the window opens.
    std::optional<tax::FolderReader::Loaded> client_;
    // What the operator changed in the confirmation besides the payment date.
    std::optional<Date> due_, first_working_day_;
    Darf free_;  // kind 9: the typed values
    Choice chosen_;
};

void Window::tell(const std::vector<std::string>& lines) {
    ui::AVISOSN(app_.screen, lines);
}

// The menu bar of the window; the chosen kind goes to chosen_.
void Window::build_menu() {
    auto pick = [this](int kind, int quantity) {
        return [this, kind, quantity] {
            chosen_ = {kind, quantity};
            win_->End(1);
        };
    };
    ui::LMenu m;
    m.SubMenu("DARF &CALCULADO");
    for (const KindItem& k : kComputed) {
        if (!payments::darf_has_range(k.kind)) {
            m.MenuItem(k.caption, pick(k.kind, 1));
            continue;
        }
        const bool quota = k.kind == payments::kDarfQuota;
        m.SubMenu(k.caption);
        m.MenuItem(quota ? "Só uma Quota  " : "Só um Mês  ", pick(k.kind, 1));
        m.MenuItem(quota ? "Várias Quotas " : "Vários Meses ", pick(k.kind, 2));
        m.EndMenu();
    }
    m.EndMenu();
    m.SubMenu("DARF A &FAZER");
    // A typed DARF is made for one client.
    m.MenuItem("Darf Qualquer", pick(payments::kDarfFree, 1), one_client());
    m.MenuItem("Altera data Darf", pick(payments::kDarfDueDates, 1), one_client());
    m.EndMenu();
    m.MenuItem("&Sair", [this] { win_->End(1); });
    win_->menu = m;
    app_.screen.desktop().draw_bars(*win_);
    win_->lExitEsc = true;
}

// Whom the DARFs are for, above the menu's hint; the rows of the last DARF cleared.
void Window::intro() {
    for (int row = 0; row < 16; ++row) win_->say(row, 1, std::string(72, ' '));
    win_->say(1, 2,
              one_client() ? "Contribuinte: " + cpf_ + " " + trim(free_.NOMQUAL)
                           : std::string(app_.s.cfg_num("quecon") == 2 ? "Declarações marcadas"
                                                                       : "Todas as declarações"));
    win_->say(3, 2, "Escolha no menu o tipo de DARF (F10 abre o menu, Esc sai).");
}

Choice Window::menu() {
    chosen_ = {};
    ui::LACTIVATE(app_.screen, true);
    return chosen_;
}

void Window::run() {
    if (one_client()) {
        std::vector<std::string> why;
        Status st =
            payments::for_each_computed(app_.w.env(), app_.s.ROTADOANO, cpf_, false, app_.w.clock(),
                                        selic_, [this, &why](tax::FolderReader::Loaded& l) {
                                            if (!l.status)
                                                why.push_back(l.status.message());
                                            else
                                                client_ = std::move(l);
                                            return false;
                                        });
        if (!st) why.push_back(st.message());
        if (!client_) {
            app_.error(why);
            return;
        }
        // The free DARF's fields, blank to their width, with the declarant's CPF and name.
        free_.CPF_CNPJ = cpf_ + std::string(7, ' ');
        free_.NOMQUAL = pad_right(left(trim(client_->declaration.str("NOMECONTR")), 35), 35);
        free_.DF_CODIG = std::string(4, ' ');
        free_.DF_REFER = std::string(16, ' ');
        for (auto& line : free_.DF_OUTR) line = std::string(35, ' ');
    }
    win_ = ui::LDLGSHOW(app_.screen, 2, 2, 22, 77, kTitle);
    build_menu();
    for (;;) {
        intro();
        const Choice c = menu();
        if (c.kind == 0) break;
        if (c.kind == payments::kDarfDueDates) {
            due_dates();
            continue;
        }
        const bool produced = FAZ_O_DARF(c.kind, c.quantity);
        if (produced && one_client() && !app_.yes({"Outro tipo de DARF? "})) break;
    }
    win_->menu.reset();
    ui::LDLGCLOSE(app_.screen);
}

// The quota or month (or both ends of a range) and, for kind 3, the gain number.
bool Window::ask_range(DarfRun& run) {
    const int kind = run.kind;
    if (kind == payments::kDarfCapitalGain) {
        Decimal gain;
        if (!app_.ask({"Número do ganho de capital:"}, gain, "99") || gain <= Decimal())
            return false;
        run.gain_number = static_cast<int>(gain.whole());
    }
    if (!payments::darf_has_range(kind)) return true;
    const bool quota = kind == payments::kDarfQuota;
    const int limit = payments::darf_range_limit(kind);
    Decimal first, last;
    auto within = [this, limit](const Decimal& v, const Decimal& low) {
        if (v >= low && v <= Decimal(limit)) return true;
        tell({"Informe um número de " + low.to_string(0) + " a " + std::to_string(limit) + "."});
        return false;
    };
    if (!app_.ask({run.quantity == 2 ? (quota ? "Da quota:" : "Do mês:")
                                     : (quota ? "Quota a pagar:" : "Mês a pagar:")},
                  first, "99", 0, [&] { return within(first, Decimal(1)); }))
        return false;
    run.first = run.last = static_cast<int>(first.whole());
    if (run.quantity == 2) {
        if (!app_.ask({quota ? "Até a quota:" : "Até o mês:"}, last, "99", 0,
                      [&] { return within(last, first); }))
            return false;
        run.last = static_cast<int>(last.whole());
    }
    if (quota && run.quantity == 2) {
        const std::string n = std::to_string(run.last - run.first + 1);
        run.same_month = app_.yes({"Ao imprimir os " + n + " Darfes como serão as quotas futuras?",
                                   "Responder SIM se for pagar as " + n + " quotas no mesmo mês ",
                                   "Responder NAO se for imprimir apenas o valor das quotas.    "});
    }
    return true;
}

// Titular or dependant for kinds 1 to 5 of the chooser's client.
bool Window::ask_holder(const tax::Declaration& d, DarfRun& run) {
    run.DARFTD = "S";
    const payments::HolderRows rows = payments::count_holder_rows(d);
    bool titular = true;
    switch (rows.choice()) {
        case payments::HolderRows::Choice::kTitular:
            return true;
        case payments::HolderRows::Choice::kDependant:
            titular = false;
            break;
        case payments::HolderRows::Choice::kAsk:
            titular = app_.yes(
                {"Responda com Sim para Darf do Titular", " Não para Darf do Dependente."});
            break;
    }
    if (titular) return true;
    std::string cpf(11, ' ');
    if (!app_.ask({"CPF do dependente:"}, cpf, "999.999.999-99", 0,
                  [&] { return VAL_CPF(app_.op, TIRA_PONTO(cpf), true); }))
        return false;
    if (!payments::dependant_has_rows(d, TIRA_PONTO(cpf))) {
        tell({"Esse dependente não tem rendimentos!"});
        return false;
    }
    run.DARFTD = "N";
    run.CPFDEPEN = TIRA_PONTO(cpf);
    return true;
}

std::vector<Darf> Window::prepare(const payments::DarfSource& src, const DarfRun& run,
                                  std::vector<std::string>* refusal) const {
    std::vector<Darf> darfs = payments::prepare_run(src, selic_, run, refusal);
    if (!due_ && !first_working_day_) return darfs;
    const Date first_quota_due =
        run.kind == payments::kDarfQuota && run.same_month ? src.adatvenc[run.first - 1] : Date();
    for (Darf& d : darfs) {
        if (due_ && run.kind != payments::kDarfQuota) d.DF_VCTO = *due_;
        if (first_working_day_) d.DDATAUTIL = *first_working_day_;
        (void)payments::compute_charges(selic_, today_, first_quota_due, d);
        if (run.kind == payments::kDarfQuota || run.kind == payments::kDarfLateFine)
            payments::PREENCHE(src, d);
    }
    return darfs;
}

// The values of the first DARF of the run in the window.
void Window::show(const Darf& d, size_t count) {
    auto line = [this](int row, const std::string& text) {
        win_->say(row, 1, pad_right(text, 72));
    };
    line(0, "Nome.......: " + d.NOMQUAL);
    line(1, "CPF/CNPJ...: " + pad_right(d.printed_cpf(), 20) + "   Código: " + d.DF_CODIG);
    line(2, "Período....: " + d.DF_PERIODO.dmy() + "   Referência: " + d.DF_REFER);
    line(3, "");
    line(4, "Vencimento.: " + d.DF_VCTO.dmy() + "  Pagamento: " + d.DF_PGTO.dmy() +
                "  1º dia útil: " + d.DDATAUTIL.dmy());
    line(5, "");
    for (int i = 0; i < 5; ++i) line(6 + i, "  " + d.DF_OUTR[i]);
    line(11, "");
    line(12, "Principal..: " + pad_left(tax::brl(d.IMPO_REAL), 16) + "   Multa " +
                 pad_left(tax::brl(d.DF_MULTA), 6) + "%: " + pad_left(tax::brl(d.VAL_MULTA), 14));
    line(13, "Total......: " + pad_left(tax::brl(d.VAL_TOTAL), 16) + "   Juros " +
                 pad_left(tax::brl(d.DF_JURO), 6) + "%: " + pad_left(tax::brl(d.VAL_JURO), 14));
    line(14, "");
    line(15, count > 1 ? "Darfes a emitir: " + std::to_string(count) : "");
}

Darf Window::typed() const {
    Darf d = free_;
    d.NOMQUAL = trim(d.NOMQUAL);
    d.DF_CODIG = trim(d.DF_CODIG);
    d.DF_REFER = trim(d.DF_REFER);
    for (auto& line : d.DF_OUTR) line = trim_right(line);
    return d;
}

// The values shown, the dates edited and checked, and "Confirma a alteração ?".
bool Window::confirm(payments::DarfSource& src, DarfRun& run, std::vector<Darf>* darfs) {
    const bool free = run.kind == payments::kDarfFree;
    // The fine for late delivery depends on the payment date: with nothing to pay on the date
    // proposed, the operator may still give a later one.
    const bool by_date = run.kind == payments::kDarfLateFine;
    due_.reset();
    first_working_day_.reset();
    for (;;) {
        run.free_darf = typed();
        std::vector<std::string> refusal;
        *darfs = prepare(src, run, &refusal);
        if (darfs->empty() && !free) {
            tell(refusal.empty() ? std::vector<std::string>{"Não há DARF a pagar."} : refusal);
            if (!by_date) return false;
        }
        Darf shown = darfs->empty() ? free_ : darfs->front();
        if (darfs->empty() && by_date) {
            shown = Darf{};
            shown.NOMQUAL = trim(free_.NOMQUAL);
            shown.CPF_CNPJ = free_.CPF_CNPJ;
            shown.DF_CODIG = "5320";
            shown.DF_VCTO = src.adatvenc[0];
        }
        if (darfs->empty()) shown.DF_PGTO = run.payment;
        show(shown, darfs->size());
        Date due = shown.DF_VCTO, payment = shown.DF_PGTO, working = shown.DDATAUTIL;
        std::vector<ui::Get> fields;
        auto place = [&fields](int row, int col, ui::Var var, std::string picture) {
            ui::Get g;
            g.row = row;
            g.col = col;
            g.var = var;
            g.picture = std::move(picture);
            fields.push_back(std::move(g));
            return &fields.back();
        };
        if (free) {
            place(0, 14, free_.NOMQUAL, "@S35");
            place(1, 14, free_.CPF_CNPJ, "@!")->valid = [this] {
                return CPFCGC(app_.op, trim(free_.CPF_CNPJ), true);
            };
            place(1, 45, free_.DF_CODIG, "9999");
            place(2, 14, free_.DF_PERIODO, "@D");
            place(2, 41, free_.DF_REFER, "9999999999999999");
        }
        place(4, 14, due, "@D");
        place(4, 37, payment, "@D");
        place(4, 62, working, "@D");
        if (free) {
            for (size_t i = 0; i < 5; ++i)
                place(6 + static_cast<int>(i), 3, free_.DF_OUTR[i], "@S35");
            place(12, 14, free_.IMPO_REAL, kAmount);
        }
        const ui::ReadResult r = win_->ReadModal(fields);
        if (r.escaped) return false;
        if (free) free_.DF_VCTO = due;
        if (free && (free_.IMPO_REAL <= Decimal() || due.blank() || free_.DF_PERIODO.blank() ||
                     trim(free_.DF_CODIG).size() != 4)) {
            tell({"Informe o período, o código, o vencimento e o valor do principal."});
            continue;
        }
        if (due != shown.DF_VCTO && !free) {
            if (run.kind == payments::kDarfQuota) {
                // The new date replaces the quota's until the program ends.
                changed_quota_dates()[run.first] = due;
                src.adatvenc[run.first - 1] = due;
            } else {
                due_ = due;
            }
        }
        if (working != shown.DDATAUTIL) first_working_day_ = working;
        const payments::PaymentDateCheck check =
            payments::check_payment_date(payment, due, working);
        if (!check.message.empty()) tell(check.message);
        if (check.refused) continue;
        run.payment = check.date;
        run.free_darf = typed();
        *darfs = prepare(src, run, &refusal);
        if (darfs->empty()) continue;
        show(darfs->front(), darfs->size());
        const std::string answer = ui::AVISOSN(app_.screen, {"Confirma a alteração ?"}, 3);
        if (answer == "S") return true;
        if (answer != "N") return false;
    }
}

bool Window::FAZ_O_DARF(int kind, int quantity) {
    if (auto refused = payments::donation_refusal(kind, today_)) {
        tell(*refused);
        return false;
    }
    DarfRun run;
    run.kind = kind;
    run.quantity = payments::darf_has_range(kind) ? quantity : 1;
    if (!ask_range(run)) return false;
    if (!one_client()) return selection(run);

    const tax::Declaration& d = client_->declaration;
    if (kind <= payments::kDarfFunds && !ask_holder(d, run)) return false;
    run.payment = payments::default_payment_date(kind, true, today_);
    payments::DarfSource src{&d, &client_->gains, app_.s.ADATVENC, today_};
    for (const auto& [quota, date] : changed_quota_dates()) src.adatvenc[quota - 1] = date;
    std::vector<Darf> darfs;
    if (!confirm(src, run, &darfs)) return false;
    std::vector<std::string> where;
    return output(darfs, run, d, &where);
}

// The DARFs of one run as text files, one per DARF in the working folder (FAZONOME).
bool write_text_files(App& app, payments::DarfFiles& files, const std::vector<Darf>& darfs,
                      const DarfRun& run, const tax::Declaration& d, int copies,
                      std::vector<std::string>* where) {
    for (const Darf& darf : darfs) {
        const std::string name = payments::FAZONOME(darf, run, trim(d.str("NOMECONTR")));
        std::string path;
        if (Status s = files.write(name, d.cpf(), payments::darf_text(darf, copies), &path); !s) {
            app.error({s.message()});
            return false;
        }
        where->push_back(path);
    }
    return true;
}

int copies_of(const App& app, int model) {
    const int vias = std::clamp(app.s.NRO_VIAS, 1, 9);
    return model == payments::kModelSicalc ? vias : std::max(vias, 2);
}

int model_of(const App& app) {
    const long m = app.s.cfg_num("quemod");
    return m >= 1 && m <= 4 ? static_cast<int>(m) : payments::kModelPlain;
}

bool Window::output(const std::vector<Darf>& darfs, const DarfRun& run, const tax::Declaration& d,
                    std::vector<std::string>* where) {
    const int model = model_of(app_);
    if (model == payments::kModelSicalc) return sicalc(darfs, d, client_->gains);
    const int copies = copies_of(app_, model);
    const std::string printer = CONFIMP(app_, 0);
    if (printer == printing::kExternalProgram || printer == printing::kNoPrinter) {
        tell(payments::text_files_message(printer, app_.s.LOCTRAB));
        payments::DarfFiles files(app_.s.LOCTRAB);
        return write_text_files(app_, files, darfs, run, d, copies, where);
    }
    std::unique_ptr<printing::PrintFile> file;
    if (Status st = printing::PrintFile::PREP_IMP(print_place(app_), &file); !st) {
        app_.error({st.message()});
        return false;
    }
    payments::FAZ_DARF(*file, darfs, model, copies);
    std::string path;
    if (Status st = file->close(&path); !st) {
        app_.error({st.message()});
        return false;
    }
    return send_print_file(app_, path,
                           printing::copy_name(std::nullopt, d.cpf(), tax::CANOATUAL)) ==
           printing::Sent::kSent;
}

bool Window::sicalc(const std::vector<Darf>& darfs, const tax::Declaration& d,
                    const std::vector<store::Record>& gains) {
    std::vector<output::SicalcDarf> page;
    for (const Darf& darf : darfs) {
        output::SicalcDarf s;
        s.code = darf.DF_CODIG;
        s.cpf = TIRA_PONTO(darf.printed_cpf());
        s.birth = d.date("NASCIMENTO");
        s.observation = darf.DF_OUTR[4];
        s.period = darf.DF_PERIODO;
        s.due = darf.DF_VCTO;
        s.reference = trim(darf.DF_REFER);
        s.principal = darf.IMPO_REAL;
        s.fine = darf.VAL_MULTA;
        s.interest = darf.VAL_JURO;
        s.consolidation =
            Date(today_.year(), today_.month(), Date::days_in_month(today_.year(), today_.month()));
        s.quota = darf.number;
        s.quota_count = darf.quota_count;
        if (darf.QUEDARF == payments::kDarfCapitalGain)
            for (const store::Record& g : gains)
                if (!g.deleted && g.num("BEM_NRO").whole() == darf.gain_number)
                    s.gain_kind = static_cast<int>(g.num("TIPO_BEM").whole());
        s.final_declaration = d.str("DECFINAL") == "S";
        s.departure_declaration = d.str("DECSAIDA") == "S";
        page.push_back(std::move(s));
    }
    const Platform& platform = app_.platform;
    const output::SicalcRun r =
        output::fill_sicalc(page, app_.op, *app_.processes,
                            [&platform](std::string_view name) { return platform.variable(name); });
    return r.filled > 0;
}

// A run over the marked declarations, the data folder or every folder: the payment date asked
// once, and each declaration's DARFs written as text files; a declaration with nothing to pay is
// passed over.
bool Window::selection(const DarfRun& chosen) {
    DarfRun run = chosen;
    Date payment = today_;
    if (!app_.ask({"Data do pagamento dos Darfes:"}, payment, "@D") || payment.blank())
        return false;
    run.payment = payment;
    const long quecon = app_.s.cfg_num("quecon");
    std::vector<std::string> folders{app_.s.ROTADOANO};
    if (quecon == 4) {
        sync_areas(app_.s, app_.w);
        folders.clear();
        for (const FolderEntry& e : folder_list(app_.w)) folders.push_back(e.folder);
    }
    payments::DarfFiles files(app_.s.LOCTRAB);
    const int copies = copies_of(app_, payments::kModelPlain);
    std::vector<std::string> written, problems;
    bool failed = false;
    for (const std::string& folder : folders) {
        Status st = payments::for_each_computed(
            app_.w.env(), folder, "", quecon == 2, app_.w.clock(), selic_,
            [&](tax::FolderReader::Loaded& l) {
                if (!l.status) {
                    problems.push_back("CPF " + l.cpf + ": " + l.status.message());
                    return true;
                }
                const payments::DarfSource src{&l.declaration, &l.gains, app_.s.ADATVENC, today_};
                const std::vector<Darf> darfs = payments::prepare_run(src, selic_, run, nullptr);
                failed =
                    !write_text_files(app_, files, darfs, run, l.declaration, copies, &written);
                return !failed;
            });
        if (!st) problems.push_back(folder + ": " + st.message());
        if (failed) return false;
    }
    for (const auto& p : problems) app_.error({"Declaração não lida:", p});
    if (written.empty()) {
        tell({"Não há DARF a pagar nas declarações escolhidas."});
        return false;
    }
    const std::string printer = CONFIMP(app_, 0);
    std::vector<std::string> message = payments::text_files_message(printer, app_.s.LOCTRAB);
    message.push_back(std::to_string(written.size()) + " Darfes gravados.");
    tell(message);
    return true;
}

// Kind 10: the eight quota due dates and the dollar rate, kept in the office record.
void Window::due_dates() {
    std::array<Date, 8> dates = app_.s.ADATVENC;
    Decimal dollar = app_.s.NVALDOLAR;
    auto w = ui::LDLGSHOW(app_.screen, 6, 25, 18, 54, kDateTitle);
    std::vector<ui::Get> fields;
    for (int i = 0; i < 8; ++i) {
        w->say(i, 2, std::to_string(i + 1) + "a quota");
        ui::Get g;
        g.row = i;
        g.col = 13;
        g.var = dates[static_cast<size_t>(i)];
        g.picture = "@D";
        fields.push_back(std::move(g));
    }
    w->say(9, 2, "Valor US$");
    ui::Get g;
    g.row = 9;
    g.col = 13;
    g.var = dollar;
    g.picture = "@E 99.9999";
    fields.push_back(std::move(g));
    const ui::ReadResult r = w->ReadModal(fields);
    ui::LDLGCLOSE(app_.screen);
    if (r.escaped) return;
    for (const Date& d : dates)
        if (d.blank()) {
            tell({"Informe as oito datas de vencimento."});
            return;
        }
    std::vector<std::string> names{"VAL_DOLAR"};
    for (int i = 1; i <= 8; ++i) names.push_back("VCTO" + std::to_string(i));
    store::Record define = app_.s.DEFINE;
    payments::set_due_dates(define, dates, dollar);
    const store::Record before = app_.s.DEFINE;
    app_.s.DEFINE = define;
    if (!store_define(app_, names)) {
        app_.s.DEFINE = before;
        return;
    }
    take_define(app_.s, define);
    changed_quota_dates().clear();
}

}  // namespace

void PREP_DARF(App& app, const std::string& cpf) {
    Window(app, cpf).run();
}

}  // namespace vorn::shell
