// MENUSELECT and the commands the main menu's dispatcher carries out itself.
#include "shell/dispatch.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "base/helpers.h"
#include "base/text.h"
#include "entry/selic_months.h"
#include "entry/selic_register.h"
#include "shell/backup_window.h"
#include "shell/chooser.h"
#include "shell/deletion_commands.h"
#include "shell/fees_window.h"
#include "shell/folders.h"
#include "shell/handover_window.h"
#include "shell/import_window.h"
#include "shell/letter_window.h"
#include "shell/mail_window.h"
#include "shell/menus.h"
#include "shell/print_commands.h"
#include "shell/printout_menu.h"
#include "shell/slips_window.h"
#include "shell/startup.h"
#include "shell/update_window.h"
#include "shell/utilities_window.h"
#include "store/catalogue.h"
#include "store/declaration.h"
#include "store/opening.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

// ---- settings records

void set_config(App& app, const std::string& field, const store::Value& v) {
    app.s.CONFIG.set_value(app.s.CONFIG.layout().index(field), v);
    (void)store_config(app.s, app.w, {field});
}

std::string two(long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// Opens a data-folder table for a command that rewrites it; tells the operator when another
// terminal has it.
bool open_alone(App& app, int n, const std::vector<std::string>& busy) {
    sync_areas(app.s, app.w);
    if (store::ABERTURA(app.w, n, true)) return true;
    app.error(busy);
    return false;
}

std::vector<std::string> busy_text(int n) {
    return {"O arquivo IMP" + two(n) + std::string(CANOATUAL) + ".DBF está sendo usado",
            "em outro terminal. Tente mais tarde."};
}

// Visits every visible record of an area's table (record order) and lets `fn` change it.
Status each_record(store::Table& t, const std::function<Status(store::Table&)>& fn) {
    const size_t order = t.order();
    t.set_order(0);
    Status s = t.go_top();
    for (; s && !t.eof(); s = t.skip()) {
        s = fn(t);
        if (!s) break;
    }
    t.set_order(order);
    return s;
}

// ---- 19, 15: the data base and the folder list

void update_data_base_impl(App& app) {
    store::WorkAreas& w = app.w;
    Session& s = app.s;
    store::FECHA_TODO(w);
    w.close(9);
    int upgraded = 0;
    const std::string selected = s.ROTADOANO;
    for (const auto& e : folder_list(w)) {
        if (!w.env().is_directory(e.folder)) {
            store::Table& t = *w.table(50);
            if (t.go_to(e.recno) && !t.deleted()) (void)t.delete_record();
            continue;
        }
        w.LOCARQ = e.folder;
        bool any = false;
        for (int n : {1, 2, 9})
            if (store::needs_upgrade(w, n)) {
                any = true;
                if (!store::CORRIGE(w, n)) break;
            }
        upgraded += any;
    }
    if (upgraded == 0)
        app.tell({"Todos Arquivos já estão atualizados"}, "Atualizar a base de dados");
    else
        app.tell({"Pastas atualizadas: " + std::to_string(upgraded)}, "Atualizar a base de dados");
    for (int n = 1; n <= 21; ++n)
        for (const char* ext : {".DBF", ".CDX"}) {
            std::string path =
                store::find_file(w.env(), s.DIRTRAB, store::working_table_name(n, s.NUSU) + ext);
            Status r = w.env().remove(path);
            (void)r;  // a working table that is not there is nothing to remove
        }
    s.set_data_folder(selected);
    sync_areas(s, w);
    (void)store::ABERTURA(w, 9);
}

}  // namespace

void update_data_base(App& app) {
    update_data_base_impl(app);
}

// The keys of the folder list, under it.
constexpr const char* kFolderKeys =
    "Ins=Inclui  Del=Retira  Enter=Altera  S em Sel=Pasta de dados  Esc=Sai";

void folders_dialog(App& app) {
    store::Table* t = app.w.table(50);
    if (!t) return;
    for (bool again = true; again;) {
        again = false;
        ui::Browser* current = nullptr;
        std::vector<ui::BrowseColumn> cols;
        cols.push_back(field_column(app, 50, "SELEC", "Sel", "!", true, 3));
        cols.push_back(field_column(app, 50, "DIRETOR", "Pasta", "@S70", true, 70));
        // Marking a folder "S" makes it the data folder.
        auto put_dir = cols[1].put;
        cols[0].put = [&](const ui::Value& v) {
            if (t->eof() || std::get<std::string>(v) != "S") return false;
            uint32_t at = t->recno();
            std::string folder = without_slash(t->str("DIRETOR"));
            bool ok = TROCASIM(app.s, app.w, folder);
            (void)t->go_to(at);
            if (ok && current) {
                again = true;
                current->stop(ui::Key::of(ui::KeyCode::kEsc));
            }
            return ok;
        };
        cols[1].put = [&, put_dir](const ui::Value& v) {
            if (char_count(trim(std::get<std::string>(v))) > 80) return false;
            return put_dir(ui::Value(without_slash(std::get<std::string>(v))));
        };
        auto dlg = ui::LDLGSHOW(app.screen, 3, 1, 22, 78, "Pastas");
        dlg->say(17, 2, kFolderKeys);
        TableSource rows(*t);
        ui::BrowseOptions o(ui::Rect{5, 3, 20, 76});
        o.on_insert = [&] {
            store::Record r(t->layout_ptr());
            r.set("SELEC", "N");
            return t->append(&r).is_ok();
        };
        o.on_delete = [&] {
            if (t->eof() || t->str("SELEC") == "S") return false;
            if (!app.yes({"Retira da lista a pasta", t->str("DIRETOR") + "?"})) return false;
            (void)t->delete_record();
            leave_deleted(*t);
            return true;
        };
        ui::Browser b(app.screen, rows, std::move(cols), o);
        current = &b;
        b.run();
        current = nullptr;
        ui::LDLGCLOSE(app.screen);
    }
    sync_areas(app.s, app.w);
    (void)store::check_structure(app.w);
}

namespace {

// ---- 26: how the declaration is saved

void saving_interval(App& app, int arg) {
    Session& s = app.s;
    int minutes = s.TEMP_SAL();
    if (arg == 1) {
        Decimal n(minutes == 0 || minutes >= 98 ? 15 : minutes);
        if (!app.ask({"Gravar os dados automaticamente a cada quantos minutos (1 a 97)?"}, n, "99",
                     0, [&] { return n >= Decimal(1) && n <= Decimal(97); }))
            return;
        minutes = static_cast<int>(n.whole());
    } else {
        minutes = arg == 2 ? 0 : 99;
    }
    s.DEFINE.set("TEMP_SAL", Decimal(minutes));
    (void)store_define(app, {"TEMP_SAL"});
}

// ---- 36: screen settings

void screen_settings(App& app, int arg) {
    Session& s = app.s;
    if (arg == 1) {
        const bool novo = s.OPCIRPF() == "J";
        std::string title = novo ? "Tela Atual com menu Novo" : "Tela Atual com menu Antigo";
        bool sim =
            app.yes({std::string("Sim - ") + (novo ? "Mantém a Tela com " : "Muda a tela para ") +
                         " menu Novo",
                     std::string("Não - ") + (novo ? "Muda a tela para " : "Mantém a Tela com ") +
                         " menu Antigo"},
                    title);
        set_config(app, "OPCIRPF", std::string(sim ? "J" : "N"));
        return;
    }
    const bool menu = s.cfg_num("OPCFIM") == 1;
    std::string title = std::string("Configurado: Declaração ao terminar ") +
                        (menu ? " vai para o menu inicial" : " fica na seleção");
    bool sim = app.yes(
        {std::string("Sim - ") + (menu ? "Mantém: " : "Muda: ") +
             "ao terminar vai para o menu inicial",
         std::string("Não - ") + (menu ? "Muda: " : "Mantém: ") + "ao terminar fica na seleção"},
        title);
    set_config(app, "OPCFIM", Decimal(sim ? 1 : 0));
}

// ---- 37, 38: cents and mobile/e-mail marks

void remove_cents(App& app) {
    if (!app.yes({"Essa opção irá retirar todos os R$ 0,01 dos rendimentos na tela 1",
                  "das declarações na pasta" + app.s.ROTADOANO},
                 "Retira os centavos de aviso"))
        return;
    if (!open_alone(app, 2, busy_text(2))) return;
    static const char* kFields[] = {"I1_4",  "I1_15", "I1_16", "I1_17", "I1_18",
                                    "I1_32", "I1_33", "I1_37", "I1_38"};
    const Decimal cent = Decimal::from("0.01");
    Status s = each_record(*app.w.table(2), [&](store::Table& t) {
        for (const char* f : kFields)
            if (t.num(f) == cent) {
                Status r = t.replace(t.field(f), Decimal(0));
                if (!r) return r;
            }
        return Status::ok();
    });
    app.w.close(2);
    if (!s) return app.error({s.message()});
    app.tell({"Pronto!"}, "Centavos Retirados");
}

void mobile_and_email(App& app, int arg) {
    Session& s = app.s;
    if (arg == 1 || arg == 2) {
        if (!app.yes({"Essa opção irá marcar em todos os contribuintes da pasta",
                      std::string("para ") + (arg == 1 ? "" : "não") +
                          " enviar o nro do Celular e o email para a Receita!"}))
            return;
        if (!open_alone(app, 1, busy_text(1))) return;
        Status st = each_record(*app.w.table(1), [&](store::Table& t) {
            return t.replace(t.field("NOVREG"), arg == 1);
        });
        app.w.close(1);
        if (!st) return app.error({st.message()});
        app.tell({"Pronto!"});
        return;
    }
    if (arg == 4) {
        app.tell({"Não haverá cópia de segurança automatica."});
        set_config(app, "BACKAUTO", std::string("N"));
        return;
    }
    // 38,3: where the government program's files are and where their copies go.
    std::string from = pad_right(s.cfg("ROTARECEI"), 80), to = pad_right(s.cfg("ROTABACK"), 80);
    auto dlg = ui::LDLGSHOW(app.screen, 8, 2, 15, 77, "Salvar os arquivos do IRPF");
    dlg->say(1, 1, "Pasta do programa da Receita:");
    dlg->say(3, 1, "Pasta para as cópias:");
    std::vector<ui::Get> fields(2);
    fields[0].row = 2, fields[0].col = 1, fields[0].var = from, fields[0].picture = "@S72";
    fields[1].row = 4, fields[1].col = 1, fields[1].var = to, fields[1].picture = "@S72";
    ui::ReadResult r = dlg->ReadModal(fields);
    ui::LDLGCLOSE(app.screen);
    if (r.escaped) return;
    auto valid = [](const std::string& f) { return !trim(f).empty() && trim(f)[0] == '/'; };
    if (!valid(from) || !valid(to)) {
        app.error(
            {"Corrija os endereços. Caso contrário não", "será possível fazer a cópia automática"});
        return;
    }
    s.CONFIG.set("ROTABACK", without_slash(to));
    s.CONFIG.set("ROTARECEI", without_slash(from));
    s.CONFIG.set("BACKAUTO", "S");
    (void)store_config(s, app.w, {"ROTABACK", "ROTARECEI", "BACKAUTO"});
    s.refresh_irpf_folder();
}

// ---- 39: auxiliary lists of banks, payers and payees

std::string digits_only(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

void browse_aux(App& app, int area, const std::string& title) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, area)) return;
    std::vector<ui::BrowseColumn> c;
    if (area == 77) {
        c.push_back(field_column(app, 77, "NOME", "Nome", "@!", true, 30));
        c.push_back(field_column(app, 77, "CNPJ", "CNPJ", "", true, 18));
        c.push_back(field_column(app, 77, "AGENCBAN", "Agência", "", true));
        c.push_back(field_column(app, 77, "CONTABAN", "Conta", "", true));
        c.push_back(field_column(app, 77, "DVBAN", "DV", "", true));
    } else {
        c.push_back(field_column(app, area, "NOME", "Nome", "@!", true, 40));
        c.push_back(field_column(app, area, "CGCCPF", "CNPJ/CPF", "", true, 18));
        if (area == 53) c.push_back(field_column(app, 53, "CODIGO", "Cód", "99", true));
    }
    browse_table(app, area, title, std::move(c), true);
    app.w.close(area);
}

// Keeps the first record of each document and deletes the later ones, then packs.
void remove_repeated(App& app, int area, const char* field) {
    if (!app.yes({"Confirma a Exclusão dos CNPJs Repetidos"}, "Retira repetição de CNPJ")) return;
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, area, true)) {
        app.error({store::table_def(area)->name + ".DBF está sendo usado em outro terminal."});
        return;
    }
    store::Table& t = *app.w.table(area);
    std::map<std::string, bool> seen;
    int removed = 0;
    Status s = t.pack();
    if (s)
        s = each_record(t, [&](store::Table& r) {
            std::string key = trim(r.str(field));
            if (key.empty() || seen.emplace(key, true).second) return Status::ok();
            ++removed;
            return r.delete_record();
        });
    if (s && removed) s = t.pack();
    app.w.close(area);
    if (!s) return app.error({s.message()});
    app.tell(
        {removed ? "Excluidos " + std::to_string(removed) + " CNPJs" : "Não tem CNPJ repetido"});
}

// Documents of an auxiliary list, with punctuation or without.
std::map<std::string, bool> documents_of(store::Table& t, const char* field, bool bare) {
    std::map<std::string, bool> out;
    (void)each_record(t, [&](store::Table& r) {
        std::string d = trim(r.str(field));
        out[bare ? digits_only(d) : d] = true;
        return Status::ok();
    });
    return out;
}

Status append_locked(App& app, int area, const store::Record& r) {
    app.w.select(area);
    if (!store::ADD_REC(app.w, 5, &r)) return Status::locked("registro não incluído");
    return app.w.table(area)->unlock();
}

void transfer_documents(App& app, bool to_banks) {
    if (to_banks ? !app.yes({"Confirma a Inclusão dos CNPJs Do AUXfon",
                             "Para a lista dos CNPJ dos Bancos?"},
                            "Inclui CNPJ")
                 : !app.yes({"Confirma Inclusão dos CNPJ dos Bancos no",
                             "Arquivo auxiliar dos Rendimentos?"}))
        return;
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 74) || !store::ABERTURA(app.w, 77)) return;
    store::Table& fon = *app.w.table(74);
    store::Table& ban = *app.w.table(77);
    int added = 0;
    Status s;
    if (to_banks) {
        auto have = documents_of(ban, "CNPJ", true);
        std::vector<store::Record> add;
        s = each_record(fon, [&](store::Table& r) {
            std::string d = digits_only(r.str("CGCCPF"));
            if (d.size() != 14 || have.count(d)) return Status::ok();
            have[d] = true;
            store::Record b(ban.layout_ptr());
            b.set("NOME", left(r.str("NOME"), 30));
            b.set("CNPJ", d);
            add.push_back(b);
            return Status::ok();
        });
        for (size_t k = 0; s && k < add.size(); ++k, ++added) s = append_locked(app, 77, add[k]);
    } else {
        auto have = documents_of(fon, "CGCCPF", false);
        std::vector<store::Record> add;
        s = each_record(ban, [&](store::Table& r) {
            std::string d = CONTAPONTO(digits_only(r.str("CNPJ")));
            if (trim(d).size() != 18 || have.count(d)) return Status::ok();
            have[d] = true;
            store::Record f(fon.layout_ptr());
            f.set("NOME", r.str("NOME"));
            f.set("CGCCPF", d);
            add.push_back(f);
            return Status::ok();
        });
        for (size_t k = 0; s && k < add.size(); ++k, ++added) s = append_locked(app, 74, add[k]);
    }
    app.w.close(74);
    app.w.close(77);
    if (!s) return app.error({s.message()});
    if (!to_banks && added == 0) return app.tell({"Nenhum CNPJ incluido."});
    app.tell({"Incluidos " + std::to_string(added) + " CNPJs"});
}

void correct_bank_documents(App& app) {
    if (!open_alone(app, 4, busy_text(4))) return;
    int fixed = 0;
    Status s = each_record(*app.w.table(4), [&](store::Table& t) {
        std::string d = t.str("CPF_CNPJ");
        std::string bare = TIRA_PONTO(d);
        if (trim(d).empty() || bare == trim(d)) return Status::ok();
        ++fixed;
        return t.replace(t.field("CPF_CNPJ"), bare);
    });
    app.w.close(4);
    if (!s) return app.error({s.message()});
    app.tell({fixed ? std::to_string(fixed) + " Cnpj ou CPF(s) corrigido(s)" : "Sem correções!"});
}

void find_banks(App& app) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 4) || !store::ABERTURA(app.w, 77)) return;
    store::Table& assets = *app.w.table(4);
    store::Table& banks = *app.w.table(77);
    std::map<std::string, uint32_t> by_cnpj, by_name;
    (void)each_record(banks, [&](store::Table& r) {
        by_cnpj[digits_only(r.str("CNPJ"))] = r.recno();
        by_name[upper(trim(r.str("NOME")))] = r.recno();
        return Status::ok();
    });
    static const std::set<int> kBankCodes = {301, 404, 702, 703, 706, 707, 708, 709, 710, 799};
    int banks_added = 0, codes_added = 0;
    std::vector<store::Record> add;
    std::vector<std::pair<uint32_t, std::string>> codes;  // existing bank record, trading code
    Status s = each_record(assets, [&](store::Table& r) {
        std::string name = trim(r.str("REG_AVI"));
        std::string doc = digits_only(r.str("CPF_CNPJ"));
        if (name.empty() || doc.empty() || doc.size() == 11) return Status::ok();
        const int code = std::atoi((r.str("GRPO") + r.str("CODB")).c_str());
        const bool bank_code = kBankCodes.count(code) > 0;
        // Institutions abroad are known by name, the others by CNPJ.
        const bool by_name_rule = bank_code && r.str("I7_7") == "S";
        auto& known = by_name_rule ? by_name : by_cnpj;
        const std::string key = by_name_rule ? upper(name) : doc;
        auto it = known.find(key);
        const std::string trading =
            bank_code && r.str("BOLSA") == "S" ? trim(r.str("CODNEGO")) : std::string();
        if (it == known.end()) {
            store::Record b(banks.layout_ptr());
            b.set("NOME", left(name, 30));
            b.set("CNPJ", doc);
            if (!trading.empty()) {
                b.set("CONTABAN", trading);
                b.set("DVBAN", "S");
                ++codes_added;
            }
            add.push_back(b);
            by_cnpj.emplace(doc, 0);
            by_name.emplace(upper(name), 0);
            ++banks_added;
        } else if (!trading.empty() && it->second != 0) {
            codes.push_back({it->second, trading});
        }
        return Status::ok();
    });
    for (size_t k = 0; s && k < add.size(); ++k) s = append_locked(app, 77, add[k]);
    for (auto& [recno, code] : codes) {
        if (!s) break;
        s = banks.go_to(recno);
        app.w.select(77);
        if (s && store::REC_LOCK(app.w, 5)) {
            s = banks.replace(banks.field("CONTABAN"), code);
            if (s) s = banks.replace(banks.field("DVBAN"), std::string("S"));
            Status u = banks.unlock();
            if (s) s = u;
            ++codes_added;
        }
    }
    app.w.close(4);
    app.w.close(77);
    if (!s) return app.error({s.message()});
    if (banks_added == 0 && codes_added == 0)
        app.tell({"Nenhum CNPJ ou Código de ação incluido"});
    else if (codes_added == 0)
        app.tell({"Incluidos " + std::to_string(banks_added) + " Bancos"});
    else if (banks_added == 0)
        app.tell({"Incluidos " + std::to_string(codes_added) + " Códigos Ação"});
    else
        app.tell({"Incluidos " + std::to_string(banks_added) + " Bancos e " +
                  std::to_string(codes_added) + " Códigos Ação"});
}

void find_payments(App& app) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 6) || !store::ABERTURA(app.w, 53)) return;
    auto have = documents_of(*app.w.table(53), "CGCCPF", false);
    auto skipped = [](int c) {
        return c == 2 || (c >= 15 && c <= 19) || c == 22 || (c >= 30 && c <= 34) ||
               (c >= 39 && c <= 58) || (c >= 80 && c <= 98);
    };
    std::vector<store::Record> add;
    store::Table& pag = *app.w.table(53);
    Status s = each_record(*app.w.table(6), [&](store::Table& r) {
        int code = static_cast<int>(r.num("I6_3").whole());
        std::string doc = trim(r.str("I6_2"));
        if (skipped(code) || doc.empty() || have.count(doc)) return Status::ok();
        have[doc] = true;
        store::Record p(pag.layout_ptr());
        p.set("NOME", r.str("I6_1"));
        p.set("CGCCPF", doc);
        p.set("CODIGO", Decimal(code));
        add.push_back(p);
        return Status::ok();
    });
    for (size_t k = 0; s && k < add.size(); ++k) s = append_locked(app, 53, add[k]);
    app.w.close(6);
    app.w.close(53);
    if (!s) return app.error({s.message()});
    app.tell({add.empty() ? "Nenhum lançamento incluido"
                          : "Incluidos " + std::to_string(add.size()) + " lançamentos"});
}

void auxiliary(App& app, int arg) {
    switch (arg) {
        case 1:
            return browse_aux(app, 77, "AuxBanco");
        case 5:
            return browse_aux(app, 74, "AuxFon");
        case 7:
            return browse_aux(app, 53, "AuxPag");
        case 2:
            return remove_repeated(app, 77, "CNPJ");
        case 6:
            return remove_repeated(app, 74, "CGCCPF");
        case 3:
            return transfer_documents(app, true);
        case 4:
            return transfer_documents(app, false);
        case 8:
            return correct_bank_documents(app);
        case 11:
            return find_banks(app);
        case 12:
            return find_payments(app);
        default:
            return;
    }
}

// ---- 40: postal codes, municipality codes, income on screen F1

void fill_municipalities(App& app) {
    if (!app.yes({"Essa opção precorre a declarações de bens",
                  "de todos os contribuintes da pasta atual", "preenchendo os códigos das cidades ",
                  "evitando a sua falta ao transferir a", "declaração para a Receita."}))
        return;
    sync_areas(app.s, app.w);
    std::map<std::string, std::string> codes;
    for (const auto& [area, code_field] : {std::pair{94, "CODCID"}, std::pair{64, "CODMUNI"}}) {
        if (!store::ABERTURA(app.w, area)) continue;
        const char* field = code_field;
        (void)each_record(*app.w.table(area), [&](store::Table& r) {
            codes.emplace(upper(trim(r.str("NOMEMUNI")) + trim(r.str("UNIFED"))), r.str(field));
            return Status::ok();
        });
        app.w.close(area);
    }
    if (!store::ABERTURA(app.w, 4, true)) {
        app.error({"Arquivo da Declaração de Bens está", "sendo usado no momento!"});
        return;
    }
    int items = 0;
    std::map<std::string, bool> clients;
    Status s = each_record(*app.w.table(4), [&](store::Table& t) {
        std::string city = trim(t.str("MUNICIMO")), uf = trim(t.str("UFIMO"));
        if (city.empty() || uf.empty()) return Status::ok();
        auto it = codes.find(upper(city + uf));
        if (it == codes.end()) return Status::ok();
        ++items;
        clients[t.str("CPF")] = true;
        return t.replace(t.field("CODMIMO"), it->second);
    });
    app.w.close(4);
    if (!s) return app.error({s.message()});
    app.tell({"Preenchida códigos em " + std::to_string(items) + " itens",
              "Em " + std::to_string(clients.size()) + " declarações"});
}

void postal_and_city(App& app, int arg) {
    Session& s = app.s;
    if (arg == 1) {
        const bool on = s.BUSCA_CEP;
        if (app.yes(
                {std::string("A busca do CEP está ") + (on ? "ativada" : "desativada"),
                 std::string("Deseja ") + (on ? "desativar" : "ativar") + " nessa sessão a busca?"},
                std::string(on ? "desativar" : "ativar") + " a busca pelo CEP"))
            s.BUSCA_CEP = !on;
        return;
    }
    if (arg == 2) return fill_municipalities(app);
    ui::MensArgs a;
    a.column = "C";
    a.keys = "SN";
    std::string k = ui::MENS(app.screen, 12,
                             std::vector<std::string>{"Informe se deseja com (S)im ou (N)ão   ",
                                                      "o lançamento dos rendimentos na Tela F1"},
                             a);
    if (k != "S" && k != "N") return;
    s.DEFINE.set("PROGCOMP", k);
    (void)store_define(app, {"PROGCOMP"});
}

// ---- 41 to 48, 52, 54: the print selection

void print_selection(App& app, int code, int arg) {
    Session& s = app.s;
    const int queimp = static_cast<int>(s.cfg_num("queimp"));
    switch (code) {
        case 41:
            s.CONFIG.set("queimp", Decimal(arg));
            s.CONFIG.set("quemod", Decimal(1));
            s.CONFIG.set("quepag", Decimal(1));
            (void)store_config(s, app.w, {"queimp", "quemod", "quepag"});
            return;
        case 42:
            s.CONFIG.set("quemod", Decimal(arg > sheet_type_count(queimp) ? 1 : arg));
            s.CONFIG.set("quecon", Decimal(1));
            (void)store_config(s, app.w, {"quemod", "quecon"});
            return;
        case 43:
            s.CONFIG.set("quepag", Decimal(arg > page_choice_count(queimp) ? 1 : arg));
            (void)store_config(s, app.w, {"quepag"});
            return;
        case 44:
            set_config(app, "quecon", Decimal(arg));
            return;
        case 46: {
            static const char* kText[] = {
                "Mostre as Impressoras Existentes antes de imprimir ?",
                "Mostre no video o texto a ser impresso antes de imprimir ?",
                "Cria uma cópia (TXT) do texto a ser impresso?"};
            static const char* kField[] = {"mosimp", "mostel", "mosCPF"};
            if (arg < 1 || arg > 3) return;
            set_config(app, kField[arg - 1], std::string(app.yes({kText[arg - 1]}) ? "S" : "N"));
            return;
        }
        case 47: {
            Decimal n(s.NRO_VIAS);
            app.ask({"Informe o nro vias (vezes) a imprimir"}, n, "9");
            s.NRO_VIAS = n.is_zero() ? 1 : static_cast<int>(n.whole());
            return;
        }
        case 48: {
            auto pick = [](const std::vector<std::string>& v, long k) {
                return k >= 1 && k <= static_cast<long>(v.size()) ? trim(v[k - 1]) : "";
            };
            static const std::vector<std::string> kWho = {"Individual", "Vários", "Todos",
                                                          "todas Pastas", "Grupo selecionado"};
            app.tell({"O que imprimir : " + pick(print_items(), queimp),
                      "Tipo de folha  : " + pick(sheet_types(queimp), s.cfg_num("quemod")),
                      "Qual página    : " + pick(page_choices(queimp), s.cfg_num("quepag")),
                      "Quem imprimir  : " + pick(kWho, s.cfg_num("quecon")),
                      "Mostra impressoras : " + s.cfg("mosimp"),
                      "Mostra o texto     : " + s.cfg("mostel"),
                      "Copia o texto      : " + s.cfg("mosCPF"),
                      "Número de vias     : " + std::to_string(s.NRO_VIAS)},
                     "Seleçao para impressão");
            return;
        }
        default:
            return;
    }
}

// Sends the last print file again through the terminal's channel.
void print_last_file(App& app) {
    const std::string file = app.s.LOCTRAB + "NAO-DOS.TXT";
    std::string path = store::find_file(app.w.env(), file);
    if (!app.w.env().exists(path)) {
        app.error({"Gere antes o arquivo a ser impresso! "});
        return;
    }
    const std::string cpf = trim(app.s.CPF);
    (void)send_print_file(app, path, cpf.empty() ? "NAO-DOS" : printing::copy_name({}, cpf, {}));
}

void sheet_lines(App& app) {
    Session& s = app.s;
    Decimal n(static_cast<long long>(s.cfg_num("NRO_LIN")));
    app.ask({"Informe nro. de linhas da folha a ser impressa:", "Número entre 50 a 66"}, n, "99");
    if (n < Decimal(50) || n > Decimal(66)) {
        app.tell({"Número esta fora dos limites. Assumido 60"});
        n = Decimal(60);
    }
    s.NNROL = s.NROLINHAS = static_cast<int>(n.whole());
    set_config(app, "NRO_LIN", n);
}

// ---- 64 to 67: transfer to the government program

bool status_exists(App& app, int code) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 66)) return false;
    bool found = false;
    (void)each_record(*app.w.table(66), [&](store::Table& r) {
        found = found || r.num("COD") == Decimal(code);
        return Status::ok();
    });
    app.w.close(66);
    return found;
}

bool ask_status(App& app, const std::string& text, int* out) {
    Decimal code;
    bool ok = app.ask({text}, code, "99", 0, [&] {
        if (status_exists(app, static_cast<int>(code.whole()))) return true;
        app.error({"Status " + code.to_string(0) + " não cadastrado."});
        return false;
    });
    *out = static_cast<int>(code.whole());
    return ok;
}

// 27,1: the statuses of the folder's declarations, each typed one checked against the table.
void declaration_statuses(App& app) {
    store::Table* reg = app.w.table(9);
    if (!reg && !store::ABERTURA(app.w, 9)) return;
    std::vector<ui::BrowseColumn> cols;
    cols.push_back(field_column(app, 9, "CPF", "CPF", "@R 999.999.999-99", false, 14));
    cols.push_back(field_column(app, 9, "NOMECONTR", "Nome", "@S40", false, 40));
    ui::BrowseColumn status = field_column(app, 9, "ESTATUS", "Status", "99", true, 6);
    status.valid = [&app](ui::Value& v) {
        const Decimal* code = std::get_if<Decimal>(&v);
        if (code && status_exists(app, static_cast<int>(code->whole()))) return true;
        app.error({"Status " + (code ? code->to_string(0) : std::string()) + " não cadastrado."});
        return false;
    };
    cols.push_back(std::move(status));
    browse_table(app, 9, "Alterar situação", std::move(cols), false);
}

// 27,2: the office's table of statuses.
void status_table(App& app) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 66)) return;
    std::vector<ui::BrowseColumn> cols;
    cols.push_back(field_column(app, 66, "COD", "Cod", "99", true, 4));
    cols.push_back(field_column(app, 66, "DESCRICAO", "Descrição", "@!", true, 13));
    browse_table(app, 66, "Cadastrar status", std::move(cols), true);
    app.w.close(66);
}

// 27,3: the status from which a declaration can no longer be changed; 0 takes the lock away.
void status_lock(App& app) {
    Session& s = app.s;
    Decimal code = s.DEFINE.num("STATRAVA");
    const bool given = app.ask(
        {"Informe o status a partir do qual a declaração não pode ser alterada (0 sem trava)"},
        code, "99", 0, [&] {
            if (code.is_zero() || status_exists(app, static_cast<int>(code.whole()))) return true;
            app.error({"Status " + code.to_string(0) + " não cadastrado."});
            return false;
        });
    // Esc and 0 read alike: taking the lock away is asked for.
    if (!given && (s.DEFINE.num("STATRAVA").is_zero() ||
                   !app.yes_not_default({"Retira a trava de alteração das declarações?"})))
        return;
    s.DEFINE.set("STATRAVA", given ? code : Decimal(0));
    (void)store_define(app, {"STATRAVA"});
}

void never_transfer(App& app) {
    app.tell({"A partir de agora nenhuma declaração será transferida",
              " para o IRPF ao terminar a declaração"});
    set_config(app, "OPTTRAN", Decimal(0));
}

void transfer_options(App& app, int code, int arg) {
    Session& s = app.s;
    if (code == 64 && arg == 1) {
        int status = 0;
        if (!ask_status(app, "Informe o código do Estatus para declaração transferida! ", &status))
            return;
        app.tell({"A partir de agora somente as declarações com o Status " + std::to_string(status),
                  "serão transferidas para o IRPF ao terminar a declaração"});
        s.CONFIG.set("SOESTE", Decimal(status));
        s.CONFIG.set("OPTTRAN", Decimal(2));
        (void)store_config(s, app.w, {"SOESTE", "OPTTRAN"});
    } else if (code == 64) {
        never_transfer(app);
    } else if (code == 65 && arg == 1) {
        app.tell({"A partir de agora todas as declarações independente do status",
                  "serão transferidas para o IRPF ao terminar a declaração"});
        set_config(app, "OPTTRAN", Decimal(1));
    } else if (code == 65) {
        if (s.cfg_num("OPTTRAN") == 2) {
            app.tell({"A partir de agora somente as declarações com o Status " +
                          std::to_string(s.cfg_num("SOESTE")),
                      "serão transferidas para o IRPF ao terminar a declaração"});
            set_config(app, "OPTTRAN", Decimal(2));
        } else {
            never_transfer(app);
        }
    } else if (code == 66) {
        if (!app.yes({"Após o envio deseja que o Estatus passe para transmitidas?"})) {
            set_config(app, "ENV_STAT", Decimal(0));
            return;
        }
        int status = 0;
        if (!ask_status(app, "Informe o código do Estatus de declaração transmitidas? ", &status))
            return;
        s.CONFIG.set("ENV_STAT", Decimal(1));
        s.CONFIG.set("OPC_TRAN", Decimal(status));
        (void)store_config(s, app.w, {"ENV_STAT", "OPC_TRAN"});
    }
}

void government_folder(App& app) {
    Session& s = app.s;
    std::string folder = pad_right(s.cfg("ROTAJAVA"), 80);
    if (!app.ask({" IRPF"}, folder, "@S60")) return;
    s.CONFIG.set("ROTAJAVA", without_slash(folder));
    (void)store_config(s, app.w, {"ROTAJAVA"});
    s.LOCIRPF = with_slash(without_slash(folder));
}

// 21: the terminal's working folder, where its working tables and temporary files are kept.
void working_folder(App& app) {
    Session& s = app.s;
    std::string folder = pad_right(s.DIRTRAB, 80);
    if (!app.ask({" VORN20" + std::string(CANOATUAL)}, folder, "@S60")) return;
    folder = without_slash(trim(folder));
    if (!app.w.env().is_directory(folder)) {
        app.error({"Pasta " + folder + " não encontrada."});
        return;
    }
    s.set_work_folder(folder);
    s.CONFIG.set("dirtrab", s.DIRTRAB);
    (void)store_config(s, app.w, {"dirtrab"});
}

void archiver_processor(App& app) {
    Session& s = app.s;
    const bool bits32 = s.def("PROCESSA") == "S";
    if (!app.yes({"O programa para compactar esta configurado para ser ",
                  std::string("usado em processador de ") + (bits32 ? "32" : "64") +
                      " bits. Troca para " + (bits32 ? "64" : "32") + " bits?"}))
        return;
    s.DEFINE.set("PROCESSA", bits32 ? "N" : "S");
}

}  // namespace

void MENUSELECT(App& app, int code, int arg, int arg2) {
    Session& s = app.s;
    s.OPCAO_1 = code;
    if (s.LESTOUNADECL || !main_command_enabled(code, arg, arg2)) return;
    s.last_command = code;
    switch (code) {
        case 11:
        case 12:
            DECLARA(app);
            break;
        case 13:
            check_declaration(app);
            break;
        case 15:
            folders_dialog(app);
            break;
        case 16:
            EXCLUI(app, arg, arg2);
            break;
        case 18:
        case 91:
            app.quit = ROTSAIDA(s, app.w, true);
            break;
        case 19:
            update_data_base(app);
            break;
        case 20:
            if (arg != 1) history_command(app, arg);
            break;
        case 21:
            working_folder(app);
            break;
        case 26:
            saving_interval(app, arg);
            break;
        case 27:
            if (arg == 1) declaration_statuses(app);
            if (arg == 2) status_table(app);
            if (arg == 3) status_lock(app);
            break;
        case 29:
            rebuild_indexes(app);
            break;
        case 30:
            change_cpf(app);
            break;
        case 31:
            copy_declaration_part(app, arg);
            break;
        case 32:
            export_files(app, arg, arg2);
            break;
        case 28:
            sync_areas(s, app.w);
            if (arg == 1)
                entry::selic_register(app.screen, app.op, app.w);
            else
                entry::selic_last_months(app.screen, app.w);
            break;
        case 35:
            check_for_update(app);
            break;
        case 36:
            screen_settings(app, arg);
            break;
        case 37:
            remove_cents(app);
            break;
        case 38:
            mobile_and_email(app, arg);
            break;
        case 39:
            auxiliary(app, arg);
            break;
        case 40:
            postal_and_city(app, arg);
            break;
        case 41:
        case 42:
        case 43:
        case 44:
        case 46:
        case 47:
        case 48:
            print_selection(app, code, arg);
            break;
        case 45:
            (void)CONFIMP(app, 1);
            break;
        case 51:
            print_selected(app);
            break;
        case 52:
            print_last_file(app);
            break;
        case 53:
            edit_letters(app);
            break;
        case 54:
            sheet_lines(app);
            break;
        case 61:
            if (may_send_one(app)) DECLARA(app);
            break;
        case 62:
        case 63:
            send_declarations(app, code == 62);
            break;
        case 68:
            rebuild_declaration_list(app);
            break;
        case 64:
        case 65:
        case 66:
            transfer_options(app, code, arg);
            break;
        case 67:
            government_folder(app);
            break;
        case 25:
            VAL_DECL(app);
            break;
        case 33:
            BOLETO(app, arg);
            break;
        case 34:
            GERA_EMAIL(app, arg);
            break;
        case 71:
        case 72:
        case 73:
        case 74:
        case 75:
        case 76:
            backup_command(app, code, arg, arg2);
            break;
        case 77:
            archiver_processor(app);
            break;
        case 17:
            import_window(app);
            break;
        default:
            break;
    }
    if (code == 77) (void)store_define(app, {"PROCESSA", "PROGCOMP"});
}

}  // namespace vorn::shell
