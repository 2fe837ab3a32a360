// DECLARA: choosing, creating, recovering and opening declarations.
#include "shell/chooser.h"

#include <map>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "entry/corrected_list.h"
#include "rural/open_rural.h"
#include "shell/declaration_ui.h"
#include "shell/dispatch.h"
#include "shell/folders.h"
#include "shell/handover_window.h"
#include "shell/posting_tool.h"
#include "shell/printout_menu.h"
#include "shell/receipts.h"
#include "store/catalogue.h"
#include "store/declaration.h"
#include "store/opening.h"
#include "store/statuses.h"
#include "tax/folder.h"
#include "tax/open_computation.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::shell {

store::Table* folder_registry(App& app) {
    store::Table* t = app.w.table(9);
    if (!t) {
        sync_areas(app.s, app.w);
        if (!store::ABERTURA(app.w, 9)) return nullptr;
        t = app.w.table(9);
    }
    return t;
}

std::string masked_cpf(const std::string& cpf) {
    return mask_picture(cpf, "999.999.999-99");
}

namespace {

constexpr const char* kHint =
    "F1=Nome F2=CPF F3=Stat F4=Rec F5=Corr F6=Det F7=Pasta F8=AAR F11=Pen";

store::Table* registry(App& app) {
    return folder_registry(app);
}

// The registry positioned on `cpf`; false when it is not there.
bool seek_cpf(store::Table& t, const std::string& cpf) {
    std::vector<uint32_t> hits;
    t.set_order(t.index_count() > 0 ? 1 : 0);
    if (!store::records_of(t, cpf, nullptr, &hits) || hits.empty()) return false;
    return t.go_to(hits.front()).is_ok();
}

// The first declaration whose name begins with `name` (upper case), by the name order.
std::optional<std::string> cpf_by_name(store::Table& t, const std::string& name) {
    std::string want = upper(trim(name));
    if (want.empty()) return std::nullopt;
    if (t.index_count() >= 2) {
        t.set_order(2);
        if (t.seek(store::Value(want), true) && !t.eof() &&
            upper(t.str("NOMECONTR")).rfind(want, 0) == 0)
            return t.str("CPF");
        return std::nullopt;
    }
    t.set_order(0);
    std::optional<std::string> best;
    std::string best_name;
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) {
        std::string n = upper(t.str("NOMECONTR"));
        if (n.rfind(want, 0) == 0 && (!best || n < best_name)) {
            best = t.str("CPF");
            best_name = n;
        }
    }
    return best;
}

std::map<long, std::string> status_names(App& app) {
    sync_areas(app.s, app.w);
    return store::read_status_names(app.w);
}

// The list of the folder's declarations (F1, F2, F3) in an order; the CPF chosen with Enter.
std::optional<std::string> declaration_list(App& app, int order, bool rural_only) {
    store::Table* t = registry(app);
    if (!t) return std::nullopt;
    auto names = status_names(app);
    t->set_order(std::min<size_t>(static_cast<size_t>(order), t->index_count()));
    if (rural_only) t->set_filter([](const store::Table& r) { return r.str("TEMRURAL") == "S"; });
    auto col = [&](const char* field, std::string header, std::string picture, int width = 0) {
        return field_column(app, 9, field, std::move(header), std::move(picture), false, width);
    };
    std::vector<ui::BrowseColumn> c;
    c.push_back(col("NOMECONTR", "Nome", "", 24));
    c.push_back(col("CPF", "CPF", "@R 999.999.999-99", 14));
    ui::BrowseColumn status;
    status.header = "Status";
    status.width = 16;
    status.get = [t, &names] {
        long code = t->eof() ? 0 : t->num("ESTATUS").whole();
        return ui::Value(pad_right(store::status_name(names, code), 13) + " " +
                         pad_left(std::to_string(code), 2));
    };
    c.push_back(status);
    c.push_back(col("RECIBOATU", "Recibo", "@R 9999999999-99", 13));
    c.push_back(col("TEMRURAL", "AAR", "", 3));
    c.push_back(col("USAPADRAO", "Simp", "", 4));
    c.push_back(col("IMPPGRE", "Pagar/Restituir", "@E 999,999,999.99"));
    c.push_back(col("NRETIF", "Ret", "999"));
    c.push_back(col("NRQUOTA", "Qt", "9"));
    c.push_back(col("DFQUOTA", "Quotas", "@E 999,999.99"));
    c.push_back(col("NRCLEAO", "Ms", "99"));
    c.push_back(col("DFCLEAO", "Carnê-Leão", "@E 999,999.99"));
    c.push_back(col("NRGCAPIT", "Ms", "99"));
    c.push_back(col("DFGCAPIT", "G.Capital", "@E 999,999.99"));
    c.push_back(col("NRRVARIV", "Ms", "99"));
    c.push_back(col("DFRVARIV", "R.Variável", "@E 999,999.99"));
    c.push_back(col("INDGAS", "Sobra", "@E 999.99"));
    c.push_back(col("NOMEAG", "Operador", "", 22));

    ListTotals totals = list_totals(*t);
    std::optional<std::string> chosen;
    auto dlg = ui::LDLGSHOW(app.screen, 1, 0, 23, 79,
                            order == 1   ? "Contribuintes por CPF"
                            : order == 3 ? "Contribuintes por Status"
                                         : "Contribuintes por Nome");
    app.screen.write(22, 1, pad_right(totals_line(totals), 78), 0x70);
    TableSource rows(*t);
    ui::BrowseOptions o(ui::Rect{2, 1, 21, 78});
    ui::Browser* browser = nullptr;
    o.on_key = [&](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEnter)) return false;
        if (!t->eof()) chosen = t->str("CPF");
        browser->stop(k);
        return true;
    };
    ui::Browser b(app.screen, rows, std::move(c), o);
    browser = &b;
    b.run();
    ui::LDLGCLOSE(app.screen);
    t->set_filter(nullptr);
    return chosen;
}

void details(App& app, const std::string& cpf) {
    store::Table* t = registry(app);
    if (!t || cpf.empty() || !seek_cpf(*t, cpf)) return;
    auto f = [&](const char* n) { return t->str(n); };
    std::vector<std::string> lines = {
        "Nome      : " + f("NOMECONTR"),
        "CPF       : " + masked_cpf(f("CPF")) + "   Nascimento: " + t->date("NASCIMENTO").dmy(),
        "Título    : " + f("TITULO") + "   NIT: " + f("NIT_TIT"),
        "Cód.acesso: " + f("CODACESSO") + "   Senha: " + f("SENACESSO") +
            "   Validade: " + t->date("VALIDSENA").dmy(),
        "Recibo    : " + mask_picture(f("RECIBOATU"), "9999999999-99") +
            "   Retificado: " + mask_picture(f("NRORECIBO"), "9999999999-99"),
        "Ano ant.  : " + mask_picture(f("RECIBOANT"), "9999999999-99") +
            "   Entrega: " + t->date("DENTREGA").dmy(),
        "Banco     : " + f("BANCO") + "  Agência: " + f("AGENCIA") + "  Conta: " + f("CONTACO"),
        "Endereço  : " + f("TIPOEND") + " " + f("ENDERECO") + ", " + f("NUMERO") + " " +
            f("COMPLEM"),
        "            " + f("BAIRRO") + " - " + f("MUNICIPIO") + "/" + f("UF") + "  CEP " + f("CEP"),
        "Telefone  : (" + f("DDDTEL") + ") " + f("TELEFO") + "  Celular: (" + f("DDDFAX") + ") " +
            f("TELCELU"),
        "E-mail    : " + f("EMAIL")};
    ui::MensArgs a;
    a.column = "C";
    a.row = 5;
    a.title = "Detalhes";
    ui::MENS(app.screen, 15, lines, a);
}

void findings(App& app, const std::string& cpf) {
    sync_areas(app.s, app.w);
    std::vector<store::Record> rows;
    if (store::ABERTURA(app.w, 11)) {
        Status s = store::records_of(*app.w.table(11), cpf, &rows, nullptr);
        app.w.close(11);
        if (!s) return app.error({s.message()});
    }
    if (rows.empty() || cpf.empty()) {
        app.tell({"Não existem pendências nesse CPF", "ou a declaração ainda não foi processada"});
        return;
    }
    // Shown from memory, in code order: this terminal's working set may hold a declaration to
    // recover, and is left alone.
    std::stable_sort(rows.begin(), rows.end(), [](const store::Record& a, const store::Record& b) {
        return a.num("CODERR") < b.num("CODERR");
    });
    std::vector<std::vector<ui::Value>> cells;
    for (const auto& r : rows)
        cells.push_back({ui::Value(r.num("CODERR")), ui::Value(r.str("OBSERV"))});
    ui::ArraySource src(cells);
    auto dlg = ui::LDLGSHOW(app.screen, 3, 1, 21, 78, "Pendências " + masked_cpf(cpf));
    ui::Browser b(
        app.screen, src,
        {ui::array_column(src, 0, "Cód", "99", 4), ui::array_column(src, 1, "Pendência", "", 70)},
        ui::BrowseOptions(ui::Rect{5, 3, 19, 76}));
    b.run();
    ui::LDLGCLOSE(app.screen);
}

// F5: the corrected taxes of the selected folder.
void corrected_taxes(App& app) {
    sync_areas(app.s, app.w);
    const std::string address = trim(app.platform.variable("VORN_RESTITUICAO").value_or(""));
    entry::corrected_list(app.screen, app.op, app.w, selic_rates(app), browser_opener(app),
                          address.empty() ? entry::kRefundAddress : address);
}

enum class Choice { kNone, kEsc, kCpf, kRecover };

// The entry of the chooser: the CPF, or a name; the keys of the hint line. `cpf` comes back with
// what was chosen.
Choice entry(App& app, std::string& cpf, bool& rural_only) {
    for (;;) {
        std::string digits = cpf;
        std::string name(53, ' ');
        auto dlg = ui::LDLGSHOW(app.screen, 8, 10, 15, 70, "Declaração");
        dlg->say(1, 2, "CPF : ");
        dlg->say(3, 2, "Nome: ");
        app.screen.write(ui::kRows - 1, 0, pad_right(kHint, ui::kCols), 0x70);
        std::vector<ui::Get> f(2);
        f[0].row = 1, f[0].col = 8, f[0].var = digits, f[0].picture = "@R 999.999.999-99";
        f[0].width = 11;
        f[0].valid = [&] { return VAL_CPF(app.op, trim(digits), true, 1); };
        f[1].row = 3, f[1].col = 8, f[1].var = name, f[1].picture = "@!S44";
        f[1].when = [&] { return trim(digits).empty(); };
        int pressed = 0;
        for (int fn : {1, 2, 3, 4, 5, 6, 7, 8, 11})
            app.screen.bind(ui::Key::f(fn), [&, fn] {
                pressed = fn;
                app.screen.end_input();
            });
        ui::ReadResult r = dlg->ReadModal(f);
        for (int fn : {1, 2, 3, 4, 5, 6, 7, 8, 11}) app.screen.unbind(ui::Key::f(fn));
        ui::LDLGCLOSE(app.screen);
        cpf = trim(digits);
        switch (pressed) {
            case 1:
            case 2:
            case 3:
                if (auto c = declaration_list(app,
                                              pressed == 1   ? 2
                                              : pressed == 2 ? 1
                                                             : 3,
                                              rural_only))
                    cpf = *c;
                continue;
            case 8:
                rural_only = !rural_only;
                if (auto c = declaration_list(app, 2, rural_only)) cpf = *c;
                continue;
            case 4:
                return Choice::kRecover;
            case 5:
                corrected_taxes(app);
                continue;
            case 6:
                details(app, cpf);
                continue;
            case 7:
                folders_dialog(app);
                continue;
            case 11:
                findings(app, cpf);
                continue;
            default:
                break;
        }
        if (r.escaped) return Choice::kEsc;
        if (!cpf.empty()) return Choice::kCpf;
        if (store::Table* t = registry(app)) {
            if (auto c = cpf_by_name(*t, name)) {
                cpf = *c;
                continue;  // shown in the entry, to be confirmed
            }
            if (!trim(name).empty()) app.tell({"Nome não encontrado nesta pasta."});
        }
    }
}

// Opens a loaded declaration for entry; true when the chooser goes on with the next client.
std::optional<store::Record> registry_record(App& app, const std::string& folder,
                                             const std::string& cpf);

bool work_on(App& app, store::Declaration& d) {
    Leave how = run_declaration(app, d);
    if (how == Leave::kWithoutSaving) return false;
    // The terminal is set to send the declaration to the government program on closing: once
    // it is saved and freed, it is read back from the folder and handed over.
    const std::string cpf = d.cpf();
    if (auto reg = registry_record(app, app.s.ROTADOANO, cpf);
        reg && sends_on_closing(app.s, reg->num("ESTATUS").whole())) {
        app.op.progress("Transferindo os dados para o programa da Receita....");
        (void)send_declaration(app, cpf, true);  // a failure is told by the hand-over
        app.op.progress_done();
    }
    return app.s.cfg_num("OPCFIM") != 1;
}

store::DeclarationPlace place_of(const App& app) {
    return {app.s.DIRTRAB, app.s.NOMEAG};
}

std::optional<std::string> folder_of_open(App& app, const std::string& cpf);
bool open_cpf(App& app, const std::string& cpf, store::LoadMode mode);

// The registry record of `cpf` in a folder, read without disturbing the work areas.
std::optional<store::Record> registry_record(App& app, const std::string& folder,
                                             const std::string& cpf) {
    std::unique_ptr<store::Table> t;
    std::string path = store::data_table_path(app.w.env(), folder, 9);
    if (!app.w.env().exists(path) ||
        !store::Table::open(app.w.env(), path, store::OpenOptions{}, &t))
        return std::nullopt;
    std::vector<store::Record> rows;
    bool found = store::records_of(*t, cpf, &rows, nullptr) && !rows.empty();
    (void)t->close();
    if (!found) return std::nullopt;
    return rows.front();
}

std::string date_and_time(const DateTime& t) {
    return t.date.dmy() + " " + SEG_HORA(t.seconds);
}

// Whether to take this terminal's unfinished working set. When the declaration was closed (on
// any terminal) after the working set was last written, recovering it would undo that later
// work: the operator is told both times and "Não" is the default. Otherwise `question` is asked
// (none: taken without asking).
bool take_unfinished(App& app, const store::UnfinishedWork& work, const std::string& folder,
                     const std::vector<std::string>& question) {
    if (auto reg = registry_record(app, folder, work.cpf); reg && !reg->date("DATAFIM").blank()) {
        const DateTime closed{reg->date("DATAFIM"), HORA_SEG(reg->str("HORAFIM")).value_or(0)};
        if (store::earlier(work.written, closed))
            return app.yes_not_default(
                {"A cópia de trabalho deste terminal do CPF " + masked_cpf(work.cpf),
                 "é de " + date_and_time(work.written) + ", mas a declaração foi gravada",
                 "depois, em " + date_and_time(closed) + ". Recuperá-la desfaz o que",
                 "foi gravado depois. Deseja recuperar mesmo assim?"});
    }
    return question.empty() || app.yes(question);
}

// Before another declaration takes this terminal's working set: one that did not end properly
// here is offered for recovery first, so that its unsaved work is not overwritten. True when the
// chooser goes on with the one asked for.
bool keep_pending_work(App& app, const std::string& cpf, bool* ended) {
    Session& s = app.s;
    auto pending = store::unfinished_work(app.w.env(), s.DIRTRAB, s.NUSU);
    if (!pending || pending->cpf == cpf) return true;
    auto folder = folder_of_open(app, pending->cpf);
    if (!folder) return true;
    if (!take_unfinished(app, *pending, *folder,
                         {"A declaração do CPF " + masked_cpf(pending->cpf),
                          "não terminou corretamente neste terminal.",
                          "Deseja recuperá-la antes de abrir outra?"}))
        return true;
    if (without_slash(*folder) != s.ROTADOANO && !TROCASIM(s, app.w, *folder)) return false;
    *ended = !open_cpf(app, pending->cpf, store::LoadMode::kRecovery);
    return false;
}

// The computation loading and saving run, with the installation's SELIC rates: the rural
// activity's result first (at the office's dollar rate), since the annual computation reads it.
store::Declaration::Computation open_computation(App& app) {
    return [annual = tax::OpenComputation(app.w.clock(), selic_rates(app)),
            dollar = app.s.NVALDOLAR](store::Declaration& d) {
        if (Status s = rural::recompute_open(d, dollar); !s) return s;
        return annual(d);
    };
}

}  // namespace

payments::InterestTable selic_rates(App& app) {
    payments::InterestTable selic;
    if (Status s = tax::read_interest_table(app.w.env(), app.s.ROTADEF, &selic); !s)
        app.error({"Tabela da Selic ilegível:", s.message()});
    return selic;
}

namespace {

// Loads and opens `cpf`; false when the chooser should end.
bool open_cpf(App& app, const std::string& cpf, store::LoadMode mode) {
    store::Declaration d(app.w, place_of(app));
    d.set_computation(open_computation(app));
    Status s = d.load(cpf, mode, true);
    if (!s) {
        if (s.code() != Status::Code::kCancelled) app.error({s.message()});
        return true;
    }
    app.s.ULT_CPF = app.s.CPF = cpf;
    return work_on(app, d);
}

// The folder whose registry has `cpf` marked as open on this terminal, if any (the current
// folder first).
std::optional<std::string> folder_of_open(App& app, const std::string& cpf) {
    auto marked = [&](const std::string& folder) {
        auto r = registry_record(app, folder, cpf);
        return r && r->str("NUSUAT") == app.s.NUSU;
    };
    if (marked(app.s.ROTADOANO)) return app.s.ROTADOANO;
    for (const auto& e : folder_list(app.w))
        if (marked(e.folder)) return e.folder;
    return std::nullopt;
}

}  // namespace

ListTotals list_totals(store::Table& t) {
    ListTotals out;
    const size_t order = t.order();
    t.set_order(0);
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) {
        ++out.declarations;
        if (!t.str("RECIBOATU").empty()) ++out.delivered;
        if (t.str("TEMRURAL") == "S") ++out.rural;
        if (t.str("USAPADRAO") == "S") ++out.simplified;
        if (t.str("USAPADRAO") == "N") ++out.complete;
    }
    t.set_order(order);
    (void)t.go_top();
    return out;
}

std::string totals_line(const ListTotals& t) {
    auto pct = [&](int n) {
        return std::to_string(t.declarations ? n * 100 / t.declarations : 0) + "%";
    };
    return "Declarações: " + std::to_string(t.declarations) +
           " Entregues: " + std::to_string(t.delivered) + " Simpl.: " + pct(t.simplified) +
           " Compl.: " + pct(t.complete) + " Rural: " + std::to_string(t.rural) + " (S " +
           std::to_string(t.simplified) + " C " + std::to_string(t.complete) + ")";
}

void update_receipts(App& app) {
    Session& s = app.s;
    store::Table* t = registry(app);
    if (!t || trim(s.cfg("ROTAJAVA")).empty()) return;
    const std::string sent = transmitted_folder(s.cfg("ROTAJAVA"));
    std::vector<uint32_t> pending;
    const size_t order = t->order();
    t->set_order(0);
    for (Status st = t->go_top(); st && !t->eof(); st = t->skip())
        if (!t->date("DENTREGA").blank() && t->str("RECIBOATU").empty())
            pending.push_back(t->recno());
    bool copy = s.cfg("BACKAUTO") == "S";
    for (uint32_t recno : pending) {
        if (!t->go_to(recno)) continue;
        const std::string cpf = t->str("CPF");
        auto files = government_files(sent, cpf, ".DEC");
        if (!files.empty()) {
            Status err;
            auto r = read_receipts(files.front(), &err);
            if (!r) {
                app.error({err.message()});
            } else {
                app.w.select(9);
                if (store::REC_LOCK(app.w, 5)) {
                    Status w = t->replace(t->field("RECIBOATU"), r->RECIBOATU);
                    if (w) w = t->replace(t->field("NRORECIBO"), r->NRORECIBO);
                    if (w) w = t->replace(t->field("RECIBOANT"), r->RECIBOANT);
                    Status u = t->unlock();
                    if (!w || !u) app.error({(w ? u : w).message()});
                }
            }
        }
        if (!copy) continue;
        if (trim(s.cfg("ROTABACK")).empty()) {
            app.tell(
                {"Configue em opções a pasta para salvar automaticamente os arquivos do "
                 "IRPF."});
            copy = false;
            continue;
        }
        Status c = copy_government_files(sent, cpf, trim(s.cfg("ROTABACK")));
        if (!c) app.error({c.message()});
    }
    t->set_order(order);
}

void DECLARA(App& app) {
    Session& s = app.s;
    if (!registry(app)) return;
    update_receipts(app);
    std::string cpf = s.ULT_CPF;
    bool rural_only = false;
    for (;;) {
        Choice c = entry(app, cpf, rural_only);
        if (c == Choice::kEsc || c == Choice::kNone) return;
        if (c == Choice::kRecover && (s.OPCAO_1 == 12 || s.OPCAO_1 == 51 || s.OPCAO_1 == 61))
            continue;  // postings: no recovery here
        if (c == Choice::kRecover) {
            auto last = store::unfinished_work(app.w.env(), s.DIRTRAB, s.NUSU);
            if (!last) {
                app.error({"Impossível recuperar o último CPF."});
                continue;
            }
            // Back into the folder it belongs to, when it is marked there.
            auto folder = folder_of_open(app, last->cpf);
            auto reg = registry_record(app, folder.value_or(s.ROTADOANO), last->cpf);
            if (reg && !go_on_if_open_elsewhere(app, reg->str("NUSUAT"))) continue;
            if (!take_unfinished(app, *last, folder.value_or(s.ROTADOANO), {})) continue;
            if (folder && without_slash(*folder) != s.ROTADOANO && !TROCASIM(s, app.w, *folder))
                continue;
            if (!open_cpf(app, last->cpf, store::LoadMode::kRecovery)) return;
            cpf = last->cpf;
            continue;
        }
        store::Table* t = registry(app);
        if (!t) return;
        bool found = seek_cpf(*t, cpf);
        if (!found) {
            const std::string before = s.ROTADOANO;
            if (auto folder = find_cpf_in_folders(s, app.w, cpf)) {
                found = TROCASIM(s, app.w, *folder);
                t = registry(app);
                found = found && t && seek_cpf(*t, cpf);
            }
            if (!found && s.ROTADOANO != before) (void)TROCASIM(s, app.w, before);
        }
        if (s.OPCAO_1 == 51) {
            if (!found) {
                app.tell({"O contribuinte não foi localizado em nenhum das pastas ",
                          "indicadas. Confira o CPF e/ou a lista das pastas   "});
                continue;
            }
            s.ULT_CPF = cpf;
            print_client(app, cpf);
            continue;
        }
        if (s.OPCAO_1 == 61) {
            if (!found) {
                app.tell({"O contribuinte não foi localizado em nenhum das pastas ",
                          "indicadas. Confira o CPF e/ou a lista das pastas   "});
                continue;
            }
            s.ULT_CPF = cpf;
            (void)send_declaration(app, cpf, false);
            continue;
        }
        if (s.OPCAO_1 == 12) {
            if (!found) {
                app.tell({"O contribuinte não foi localizado em nenhum das pastas ",
                          "indicadas. Confira o CPF e/ou a lista das pastas   "});
                continue;
            }
            s.ULT_CPF = cpf;
            LANCAMEN(app, cpf, t->str("NUSUAT"));
            continue;
        }
        bool ended = false;
        if (!found) {
            if (!app.yes({" Esse Contribuinte não está cadastrado  ",
                          "em nenhuma das Pastas indicadas. Inclui?"}))
                continue;
            if (!keep_pending_work(app, cpf, &ended)) {
                if (ended) return;
                continue;
            }
            if (!open_cpf(app, cpf, store::LoadMode::kNew)) return;
            continue;
        }
        const std::string nusuat = t->str("NUSUAT");
        store::LoadMode mode = store::LoadMode::kExisting;
        if (!go_on_if_open_elsewhere(app, nusuat)) continue;
        // This terminal's unfinished work on this client (its working set outlives a close on
        // another terminal, which clears only that terminal's mark).
        if (auto work = store::unfinished_work(app.w.env(), s.DIRTRAB, s.NUSU);
            work && work->cpf == cpf &&
            take_unfinished(app, *work, s.ROTADOANO,
                            {"A declaração desse contribuinte não terminou corretamente.",
                             "Deseja recuperar as últimas informações trabalhadas?"}))
            mode = store::LoadMode::kRecovery;
        if (mode != store::LoadMode::kRecovery && !keep_pending_work(app, cpf, &ended)) {
            if (ended) return;
            continue;
        }
        if (!open_cpf(app, cpf, mode)) return;
    }
}

std::optional<std::string> choose_declaration(App& app, int order, bool rural_only) {
    return declaration_list(app, order, rural_only);
}

bool go_on_if_open_elsewhere(App& app, const std::string& nusuat) {
    if (nusuat.empty() || nusuat == app.s.NUSU) return true;
    return app.yes({"A declaração desse contribuinte está ou ficou aberta no terminal " + nusuat,
                    "Caso tenha outra pessoa utilizando os dados daquele que salvar por último que",
                    "prevalecera. Isso pode alterar o feito naquele terminal. Continua?"});
}

std::optional<std::vector<MarkedDeclaration>> mark_declarations(App& app, const std::string& title,
                                                                const std::string& header,
                                                                bool rural_only) {
    store::Table* t = registry(app);
    if (!t) return std::nullopt;
    // Every mark cleared under the table's lock: another terminal holding a record is told.
    Status st = t->lock_table();
    const size_t order = t->order();
    t->set_order(0);
    Status s = st ? t->go_top() : st;
    bool any = false;
    for (; st && s && !t->eof(); s = t->skip()) {
        any = any || !rural_only || t->str("TEMRURAL") == "S";
        if (t->str("IMPRE") != "N") st = t->replace(t->field("IMPRE"), "N");
    }
    if (st && !s) st = s;
    (void)t->unlock();
    if (!st) {
        t->set_order(order);
        app.error({"IMP09" + std::string(CANOATUAL) + ".DBF em uso:", st.message()});
        return std::nullopt;
    }
    if (!any) {
        t->set_order(order);
        app.tell({"Não há registro para ser selecionado"});
        return std::nullopt;
    }
    if (rural_only) t->set_filter([](const store::Table& r) { return r.str("TEMRURAL") == "S"; });
    t->set_order(order);
    std::vector<ui::BrowseColumn> cols;
    cols.push_back(field_column(app, 9, "IMPRE", header, "!", true, 3));
    cols.push_back(field_column(app, 9, "CPF", "CPF", "@R 999.999.999-99", false, 14));
    cols.push_back(field_column(app, 9, "NOMECONTR", "Nome", "@S50", false, 50));
    browse_table(app, 9, title, std::move(cols), false);
    t->set_filter(nullptr);
    std::vector<MarkedDeclaration> marked;
    t->set_order(0);
    for (Status r = t->go_top(); r && !t->eof(); r = t->skip())
        if (trim(t->str("IMPRE")) == "S" && (!rural_only || t->str("TEMRURAL") == "S"))
            marked.push_back({t->str("CPF"), trim(t->str("NUSUAT"))});
    t->set_order(order);
    return marked;
}

}  // namespace vorn::shell
