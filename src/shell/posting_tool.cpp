// LANCAMEN: the posting window, its postings (FAZLANC), their transfer (LANCAVAL), the list of
// the client's postings and the chart of accounts.
#include "shell/posting_tool.h"

#include <algorithm>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "entry/item_editor.h"
#include "shell/chooser.h"
#include "shell/declaration_ui.h"
#include "shell/folders.h"
#include "store/declaration.h"
#include "store/opening.h"
#include "tax/folder.h"
#include "tax/leao.h"
#include "tax/open_computation.h"
#include "tax/postings.h"
#include "ui/desktop.h"

namespace vorn::shell {
namespace {

// The client's postings table (area 13) opened; the operator is told when it cannot be.
store::Table* postings_table(App& app) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 13)) {
        app.error({"O arquivo dos lançamentos não pôde ser aberto."});
        return nullptr;
    }
    return app.w.table(13);
}

// One posting being typed: the fields of the window (as wide as their columns), as the account
// asks them.
struct Typed {
    const store::Record* account = nullptr;
    tax::Posting p{std::string(4, ' '),  std::string(60, ' '), {}, std::string(18, ' '), {}, {},
                   std::string(11, ' '), std::string(50, ' ')};
};

// The CPF or CNPJ field as the account asks it: either ("@S18", told apart as typed), a CNPJ or a
// CPF.
ui::Get document_field(App& app, Typed& t) {
    ui::Get g;
    g.var = t.p.document;
    const bool cpf = tax::account_flag(*t.account, "TEMCPF");
    const bool cnpj = tax::account_flag(*t.account, "TEMCGC");
    if (cpf && cnpj) {
        g.picture = "@S18";
        g.width = 18;
    } else if (cnpj) {
        g.picture = "@R 99.999.999/9999-99";
        g.width = 14;
    } else {
        g.picture = "@R 999.999.999.99";
        g.width = 11;
    }
    g.valid = [&app, &t] {
        return tax::posting_document_accepted(app.op, *t.account, t.p.document);
    };
    return g;
}

// The fields after the account, those the account's flags ask for, placed in the window.
std::vector<ui::Get> posting_fields(App& app, Typed& t) {
    tax::Posting& p = t.p;
    std::vector<ui::Get> f;
    auto add = [&](int row, ui::Get g) {
        g.row = row;
        g.col = 16;
        f.push_back(std::move(g));
    };
    const store::Record& a = *t.account;
    // A text shown in 50 columns.
    auto text = [](std::string& var) {
        ui::Get g;
        g.var = var;
        g.picture = "@S50";
        g.width = static_cast<int>(var.size());
        return g;
    };
    if (tax::account_flag(a, "TEMDESCR")) add(2, text(p.name));
    ui::Get value;
    value.var = p.value;
    value.picture = "@E 9,999,999,999.99";
    value.valid = [&app, &p] { return tax::posting_value_accepted(app.op, p.value); };
    add(3, value);
    if (tax::asks_document(a)) add(4, document_field(app, t));
    if (tax::account_flag(a, "LIVROCX")) {
        ui::Get first;
        first.var = p.first;
        first.picture = "99";
        // Left blank (0) it is told when the posting is complete: only pages above 5 take it.
        first.valid = [&app, &p] { return tax::first_month_accepted(app.op, p.first); };
        add(5, first);
        ui::Get last;
        last.var = p.last;
        last.picture = "99";
        last.valid = [&app, &p] { return tax::last_month_accepted(app.op, p.first, p.last); };
        add(5, last);
        f.back().col = 34;
    }
    ui::Get dependant;
    dependant.var = p.dependant;
    dependant.picture = "@R 999.999.999-99";
    dependant.width = 11;
    dependant.valid = [&app, &p] { return tax::dependant_accepted(app.op, p.dependant); };
    add(6, dependant);
    if (tax::account_flag(a, "TEMOBSV")) add(7, text(p.description));
    return f;
}

// Appends the posting to the client's postings at once, numbered after the last one.
Status write_posting(App& app, const std::string& cpf, const Typed& typed) {
    const tax::Posting& p = typed.p;
    store::Table* t = postings_table(app);
    if (!t) return Status::locked("lançamento não gravado");
    std::vector<store::Record> rows;
    Status s = store::records_of(*t, cpf, &rows, nullptr);
    Decimal number;
    for (const auto& r : rows) number = std::max(number, r.num("NROITEM"));
    store::Record r(t->layout_ptr());
    r.set("CPF", cpf);
    r.set("CDCONTA", trim(p.code));
    r.set("DESCONTA", tax::account_flag(*typed.account, "TEMDESCR")
                          ? trim(p.name)
                          : tax::field_text(*typed.account, "NMDESCRICA"));
    r.set("VALODESP", p.value);
    r.set("NROCGCCPF", trim(p.document));
    r.set("MESINI", p.first);
    r.set("MESFIM", p.last);
    r.set("CPFDEPEN", trim(p.dependant));
    r.set("DESCRI", trim(p.description));
    r.set("LANCADO", false);
    r.set("NROITEM", number + Decimal(1));
    app.w.select(13);
    if (s && !store::ADD_REC(app.w, 5, &r)) s = Status::locked("lançamento não gravado");
    if (s) s = t->unlock();
    app.w.close(13);
    return s;
}

constexpr const char* kLabels[] = {
    "Conta........:", "Nome da fonte:", "Valor........:", "CPF/CNPJ.....:",
    "Mês inicial..:", "Dependente...:", "Descrição....:"};

// FAZLANC: postings typed one after another in the window "Criando Lancamentos", each written
// when confirmed; Esc (or no account) on the account leaves, Esc on the other fields drops the
// posting being typed.
void FAZLANC(App& app, const std::string& cpf, const std::vector<store::Record>& accounts) {
    auto dlg = ui::LDLGSHOW(app.screen, 6, 2, 16, 77, "Criando Lancamentos");
    for (;;) {
        Typed t;
        for (int k = 0; k < 7; ++k) dlg->say(k + 1, 1, pad_right(kLabels[k], 72));
        dlg->say(5, 23, "Mês final:");
        std::vector<ui::Get> code(1);
        code[0].row = 1, code[0].col = 16, code[0].var = t.p.code, code[0].picture = "@R 9.999";
        code[0].width = 4;
        code[0].valid = [&] {
            if (trim(t.p.code).empty()) return true;
            const store::Record* a = tax::posting_account(accounts, t.p.code);
            if (!tax::account_accepted(app.op, a)) return false;
            t.account = a;
            dlg->say(1, 24, pad_right(left(tax::field_text(*a, "NMDESCRICA"), 48), 48));
            return true;
        };
        if (dlg->ReadModal(code).escaped || trim(t.p.code).empty()) break;
        std::vector<ui::Get> fields = posting_fields(app, t);
        for (;;) {
            if (dlg->ReadModal(fields).escaped) break;
            if (const std::string lacking = tax::posting_missing(*t.account, t.p);
                !lacking.empty()) {
                app.error({lacking});
                continue;
            }
            if (!app.yes({" Confirma ? "})) continue;
            if (Status s = write_posting(app, cpf, t); !s)
                app.error({"O lançamento não foi gravado:", s.message()});
            break;
        }
    }
    ui::LDLGCLOSE(app.screen);
}

// LANCAVAL on the open declaration, with the client's postings held (table lock) from their
// reading to their writing: the pending ones go into the working set, then the postings with
// their new marks and the declaration are written, one after the other. False when the transfer
// reached the postings but the declaration could not be written: it is then only in this
// terminal's working set, which must be kept for recovery.
bool transfer(App& app, store::Declaration& d, const std::vector<store::Record>& accounts) {
    if (!may_save(app, d)) return true;
    store::Table* t = postings_table(app);
    if (!t) return true;
    app.w.select(13);
    if (!store::FIL_LOCK(app.w, 5)) {
        app.w.close(13);
        app.error({"Os lançamentos desse contribuinte estão sendo gravados em outro terminal."});
        return true;
    }
    tax::Declaration td;
    Status s = tax::take_open(d, &td);
    if (s) s = store::records_of(*t, d.cpf(), &td.postings, nullptr);
    const tax::Declaration before = td;
    if (s) {
        const payments::InterestTable selic = selic_rates(app);
        tax::Context c{td, app.op, app.w.clock(), selic};
        tax::LANCAVAL(c, accounts);
        s = tax::give_back(td, before, d);
        if (s) s = d.keep_records();  // the values too, for a recovery
    }
    const bool marked = s && !tax::same_lists(td.postings, before.postings);
    if (marked) s = store::replace_records(*t, d.cpf(), td.postings);
    Status u = t->unlock();
    if (s) s = u;
    app.w.close(13);
    if (s) s = d.save(false);
    if (!s) app.error({"A transferência não foi gravada:", s.message()});
    return s || !marked;
}

// The window the posting tool's lists take.
entry::EditorPlace list_place(App& app, store::Declaration& d,
                              const payments::InterestTable& selic) {
    return {app.screen, app.op, app.w, d, selic, ui::Rect{3, 1, 21, 78}};
}

// List 25: the client's postings, corrected in place under the posting window's checks.
void edit_postings(App& app, store::Declaration& d) {
    if (!postings_table(app)) return;
    const payments::InterestTable selic = selic_rates(app);
    entry::EditorPlace place = list_place(app, d, selic);
    (void)entry::EDITA(place, 25);
    app.w.close(13);
}

// List 28: the office's chart of accounts, edited in place under its checks.
void edit_chart(App& app, store::Declaration& d) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 62)) return;
    const payments::InterestTable selic = selic_rates(app);
    entry::EditorPlace place = list_place(app, d, selic);
    (void)entry::EDITA(place, 28);
    app.w.close(62);
}

// The chart of accounts as it stands in the installation.
std::vector<store::Record> chart(App& app) {
    std::vector<store::Record> accounts;
    if (Status s = tax::read_accounts(app.w.env(), app.s.ROTADEF, &accounts); !s)
        app.error({"Plano de contas ilegível:", s.message()});
    return accounts;
}

}  // namespace

void LANCAMEN(App& app, const std::string& cpf, const std::string& nusuat) {
    Session& s = app.s;
    if (!nusuat.empty() && nusuat != s.NUSU)
        return app.error({"A declaração desse contribuinte está aberta no terminal " + nusuat,
                          "Os lançamentos só podem ser feitos depois de fechada lá."});
    // Loading takes this terminal's working set: work left unfinished here is recovered first.
    if (auto work = store::unfinished_work(app.w.env(), s.DIRTRAB, s.NUSU))
        return app.error({"A declaração do CPF " + mask_picture(work->cpf, "999.999.999-99"),
                          "não terminou corretamente neste terminal.",
                          "Recupere-a pela Declaração (Alt I) antes dos lançamentos."});
    store::Declaration d(app.w, {s.DIRTRAB, s.NOMEAG});
    d.set_computation(tax::OpenComputation(app.w.clock(), selic_rates(app)));
    if (Status st = d.load(cpf, store::LoadMode::kExisting, true); !st) {
        if (st.code() != Status::Code::kCancelled) app.error({st.message()});
        return;
    }
    const std::string name = trim(d.values().str("NOMECONTR"));
    auto dlg = ui::LDLGSHOW(app.screen, 6, 10, 18, 69, "Lancamentos para " + name);
    const char* captions[] = {"&Lancar", "&Transferir", "&Visualizar", "&Modificar", "&Sair"};
    for (int k = 0; k < 5; ++k)
        dlg->AddButton(1 + 2 * k, 23, captions[k], [&dlg, k] { dlg->End(k + 1); });
    for (;;) {
        // 0: Esc.
        const int chosen = ui::LACTIVATE(app.screen, true);
        if (chosen == 1) FAZLANC(app, cpf, chart(app));
        if (chosen == 2 && !transfer(app, d, chart(app))) {
            // The postings are marked transferred: the transfer must not be lost with the
            // working set.
            ui::LDLGCLOSE(app.screen);
            return app.error({"A declaração com a transferência ficou neste terminal.",
                              "Recupere-a pela Declaração (Alt I) e grave-a."});
        }
        if (chosen == 3) edit_postings(app, d);
        if (chosen == 4) edit_chart(app, d);
        if (chosen == 0 || chosen == 5) break;
    }
    ui::LDLGCLOSE(app.screen);
    if (Status st = d.release(); !st) app.error({st.message()});
}

}  // namespace vorn::shell
