// The main menu's collection slips (command 33): the office's bank data, one slip, the slips of the
// clients marked, the registered slips edited, and the bank's remittance file.
#include "shell/slips_window.h"

#include <optional>
#include <string>
#include <vector>

#include "base/picture.h"
#include "base/text.h"
#include "base/validate.h"
#include "office/remittance.h"
#include "office/slips.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "store/dbf.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

constexpr int kDefine = 43, kSlips = 67, kRegistry = 9;

// The tables a slip command works with, open while it runs.
struct SlipTables {
    App& app;
    bool ok = false;
    explicit SlipTables(App& a) : app(a) {
        sync_areas(app.s, app.w);
        ok = store::ABERTURA(app.w, kDefine) && store::ABERTURA(app.w, kSlips);
    }
    ~SlipTables() {
        app.w.close(kSlips);
        app.w.close(kDefine);
    }
    store::Table& define() { return *app.w.table(kDefine); }
    store::Table& slips() { return *app.w.table(kSlips); }
    // The next reference number as the office record holds it now.
    long long next_reference() {
        store::Table& d = define();
        return d.go_top() && !d.eof() ? std::max<long long>(d.num("BOL_NOSNRO").whole(), 1) : 1;
    }
};

// The registry record of `cpf` in `folder`: the payer's name and address.
std::optional<office::PayerAddress> client_in(store::Env& env, const std::string& folder,
                                              const std::string& cpf) {
    std::map<std::string, office::PayerAddress> found;
    if (!office::read_addresses(env, {folder}, {cpf}, &found) || !found.count(cpf))
        return std::nullopt;
    return found[cpf];
}

// The data folder first, then the other folders of the terminal's list.
std::vector<std::string> searched_folders(App& app) {
    std::vector<std::string> out = {app.s.LOCARQ};
    if (app.w.table(50))
        for (const FolderEntry& e : folder_list(app.w))
            if (upper(e.folder) != upper(app.s.LOCARQ)) out.push_back(e.folder);
    return out;
}

const std::vector<std::string> kNotLocated = {
    "O contribuinte não foi localizado em nenhum das pastas ",
    "registradas. Confira o CPF ou as pastas digitadas.   "};

// LOCALI_CPF: a valid CPF of a client of some registered folder; its name (30 characters).
std::optional<std::string> locate_payer(App& app, const std::string& cpf) {
    if (!VAL_CPF(app.op, cpf, true)) return std::nullopt;
    for (const std::string& folder : searched_folders(app))
        if (auto c = client_in(app.w.env(), folder, cpf)) return left(c->name, 30);
    app.error(kNotLocated);
    return std::nullopt;
}

// ---- 33,1: CONF_BOLETO

void configure(App& app) {
    SlipTables t(app);
    if (!t.ok) return;
    office::BankSetup b =
        t.define().go_top() ? office::bank_setup_of(t.define()) : office::BankSetup{};
    std::string branch = pad_right(b.branch, 4), account = pad_right(b.account, 6),
                name = pad_right(b.name, 30), cnpj = pad_right(b.cnpj, 14),
                cpf = pad_right(b.cpf, 11), portfolio = pad_right(b.portfolio, 3);
    auto dlg = ui::LDLGSHOW(app.screen, 7, 14, 17, 66, "Configura o Boleto para o Itaú");
    dlg->say(1, 2, "Banco .....: " + b.bank);
    dlg->say(2, 2, "Agência ...:");
    dlg->say(3, 2, "Conta .....:");
    dlg->say(4, 2, "Cedente ...:");
    dlg->say(5, 2, "CNPJ ......:");
    dlg->say(6, 2, "CPF .......:");
    dlg->say(7, 2, "Carteira ..:");
    for (;;) {
        std::vector<ui::Get> f(6);
        const auto place = [&](size_t k, int row, ui::Var v, const char* picture) {
            f[k].row = row, f[k].col = 15, f[k].var = v, f[k].picture = picture;
        };
        place(0, 2, branch, "@ 9999");
        place(1, 3, account, "@R 99999-9");
        place(2, 4, name, "@!");
        f[2].width = 30;
        place(3, 5, cnpj, "@r 99.!!!.999/99!!-99");
        place(4, 6, cpf, "@r 999.999.999-99");
        f[4].when = [&] { return trim(cnpj).empty(); };
        place(5, 7, portfolio, "@R 999");
        if (dlg->ReadModal(f).escaped) break;
        if (!app.yes({"Confirma os dados ?"})) continue;
        b.branch = trim(branch);
        b.account = trim(account);
        b.name = trim(name);
        b.cnpj = upper(trim(cnpj));
        b.cpf = b.cnpj.empty() ? trim(cpf) : "";
        b.portfolio = trim(portfolio);
        if (Status s = office::store_bank_setup(app.w, b); !s) {
            app.error({s.message()});
            continue;
        }
        for (const char* field : {"BOL_BANCO", "BOL_AGENCI", "BOL_CONTA", "BOL_NOME", "BOL_CNPJ",
                                  "BOL_CPF", "BOL_CARTEI"})
            app.s.DEFINE.set(field, t.define().str(field));
        break;
    }
    ui::LDLGCLOSE(app.screen);
}

// ---- 33,2 and 33,3: UNICO_BOL

// The three-way confirmation: 0 goes on, 1 returns to the inputs, 2 leaves.
int confirmed(App& app) {
    const int k = app.op.choose("Prepara Boleto", "Confirma os dados ?", {"Sim", "Não", "Ignora"});
    return k < 0 ? 2 : k;
}

void one_slip(App& app, SlipTables& t) {
    const Date today = app.w.clock().today();
    office::Slip slip{0, t.next_reference(), today, Decimal(), "", ""};
    std::string cpf(11, ' ');
    Decimal document, reference(slip.reference), amount;
    Date due = today;
    auto dlg = ui::LDLGSHOW(app.screen, 7, 12, 17, 68, "Prepara Boleto");
    dlg->say(1, 2, "CPF do sacado ....:");
    dlg->say(3, 2, "Vencimento .......:");
    dlg->say(4, 2, "Valor ............:");
    dlg->say(5, 2, "Nro do documento .:");
    dlg->say(6, 2, "Nro de referência :");
    for (;;) {
        std::vector<ui::Get> f(5);
        const auto place = [&](size_t k, int row, ui::Var v, const char* picture) {
            f[k].row = row, f[k].col = 22, f[k].var = v, f[k].picture = picture;
        };
        place(0, 1, cpf, "@R 999.999.999-99");
        f[0].valid = [&] {
            const auto name = locate_payer(app, trim(cpf));
            if (!name) return false;
            slip.payer_name = *name;
            dlg->say(2, 2, pad_right(*name, 50));
            return true;
        };
        place(1, 3, due, "");
        place(2, 4, amount, "@EZ 999,999.99");
        place(3, 5, document, "@ 99999");
        place(4, 6, reference, "@ 99999999");
        if (dlg->ReadModal(f).escaped) break;
        const int answer = confirmed(app);
        if (answer == 2) break;
        if (answer == 1) continue;
        slip.payer_cpf = trim(cpf);
        slip.due = due;
        slip.amount = amount;
        slip.document = document.whole();
        slip.reference = reference.whole();
        if (auto problem = office::slip_problem(slip, today)) {
            app.error({*problem});
            continue;
        }
        if (slip.payer_name.empty()) {
            const auto name = locate_payer(app, slip.payer_cpf);
            if (!name) continue;
            slip.payer_name = *name;
        }
        if (Status s = office::register_slip(app.w, slip); !s) {
            app.error({s.message()});
            continue;
        }
        if (!app.yes({"Outro boleto ? "})) break;
        document += Decimal(1);
        reference = Decimal(std::max(slip.reference + 1, t.next_reference()));
        amount = Decimal();
        cpf = std::string(11, ' ');
        slip.payer_name.clear();
        dlg->say(2, 2, std::string(50, ' '));
    }
    ui::LDLGCLOSE(app.screen);
}

void marked_slips(App& app, SlipTables& t) {
    const Date today = app.w.clock().today();
    Decimal document, reference(t.next_reference());
    auto dlg = ui::LDLGSHOW(app.screen, 8, 12, 14, 68, "Prepara Boleto");
    dlg->say(1, 2, "Primeiro nro do documento .:");
    dlg->say(2, 2, "Primeiro nro de referência :");
    for (;;) {
        std::vector<ui::Get> f(2);
        f[0].row = 1, f[0].col = 31, f[0].var = document, f[0].picture = "@ 99999";
        f[1].row = 2, f[1].col = 31, f[1].var = reference, f[1].picture = "@ 99999999";
        if (dlg->ReadModal(f).escaped) break;
        const int answer = confirmed(app);
        if (answer == 2) break;
        if (answer == 1) continue;
        const office::Slip first{document.whole(), reference.whole(), today, Decimal(1), "", ""};
        if (auto problem = office::slip_problem(first, today, true)) {
            app.error({*problem});
            continue;
        }
        ui::LDLGCLOSE(app.screen);
        const auto marked =
            mark_declarations(app, "Selecao para Impressão de boletos", "Imp", false);
        if (!marked) return;
        long long doc = first.document, ref = first.reference;
        int count = 0;
        Status s = office::register_marked(app.w, kRegistry, today, &doc, &ref, &count);
        std::vector<std::string> lines = {pad_left(std::to_string(count), 3) + " boletos gerados"};
        if (!s) lines.push_back(s.message());
        app.tell(lines);
        return;
    }
    ui::LDLGCLOSE(app.screen);
}

// ---- 33,4: the registered slips, their due date and amount corrected or a slip removed

void edit_slips(App& app, SlipTables& t) {
    std::vector<office::Slip> slips;
    if (!office::read_slips(t.slips(), &slips) || slips.empty()) {
        app.tell({"Sem boletos para editar. Use essa opcão apenas para alterar valor"});
        return;
    }
    const Date today = app.w.clock().today();
    std::vector<ui::BrowseColumn> columns = {
        field_column(app, kSlips, "NRODOCUM", "Docum", "99999", false),
        field_column(app, kSlips, "NOSSONRO", "Referência", "99999999", false),
        field_column(app, kSlips, "DATADOC", "Vencimento", "", true),
        field_column(app, kSlips, "VALORDOC", "Valor", "@E 999,999.99", true),
        field_column(app, kSlips, "NOMESAC", "Sacado", "", false),
        field_column(app, kSlips, "CPFSAC", "CPF", "@R 999.999.999-99", false)};
    // A slip the bank would refuse is not written: no due date or a past one, no amount.
    const auto guarded = [&app](ui::BrowseColumn& c, std::function<bool(const ui::Value&)> ok,
                                std::string text) {
        auto put = c.put;
        c.put = [&app, put, ok, text](const ui::Value& v) {
            if (!ok(v)) {
                app.error({text});
                return false;
            }
            return put(v);
        };
    };
    guarded(
        columns[2],
        [today](const ui::Value& v) {
            const Date* d = std::get_if<Date>(&v);
            return d && !d->blank() && !(*d < today);
        },
        "Data em branco ou inválida ");
    guarded(
        columns[3],
        [](const ui::Value& v) {
            const Decimal* d = std::get_if<Decimal>(&v);
            return d && *d > Decimal();
        },
        "Preencha o Valor do boleto");
    browse_table(app, kSlips, "Boletos cadastrados", std::move(columns), false);
}

// ---- 33,5: GERA_BOLETO

void remittance(App& app, SlipTables& t) {
    const office::BankSetup setup =
        t.define().go_top() ? office::bank_setup_of(t.define()) : office::BankSetup{};
    std::vector<office::Slip> slips;
    if (!office::read_slips(t.slips(), &slips)) return;
    std::vector<std::string> cpfs;
    for (const auto& s : slips) cpfs.push_back(s.payer_cpf);
    std::map<std::string, office::PayerAddress> addresses;
    if (Status s = office::read_addresses(app.w.env(), searched_folders(app), cpfs, &addresses);
        !s) {
        app.error({s.message()});
        return;
    }
    office::RemittanceResult r;
    Status s = office::write_remittance(
        app.w, setup, app.w.clock().today(),
        [&](const std::string& cpf) -> std::optional<office::PayerAddress> {
            auto it = addresses.find(cpf);
            if (it == addresses.end()) return std::nullopt;
            return it->second;
        },
        &r);
    if (!r.recovered.empty()) app.tell({r.recovered});
    if (!s) {
        app.error({s.message()});
        return;
    }
    for (const std::string& cpf : r.not_found) {
        std::vector<std::string> lines = kNotLocated;
        lines.insert(lines.begin(), "CPF " + masked_cpf(cpf));
        app.error(lines);
    }
    app.tell({"Arquivo " + r.path + " gerado com sucesso."});
}

}  // namespace

void BOLETO(App& app, int option) {
    if (option == 1) return configure(app);
    SlipTables t(app);
    if (!t.ok) return;
    switch (option) {
        case 2:
            one_slip(app, t);
            break;
        case 3:
            marked_slips(app, t);
            break;
        case 4:
            edit_slips(app, t);
            break;
        case 5:
            remittance(app, t);
            break;
        default:
            break;
    }
}

}  // namespace vorn::shell
