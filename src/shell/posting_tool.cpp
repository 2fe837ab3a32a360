// LANCAMEN: the posting window, its postings (FAZLANC), their transfer (LANCAVAL), the list of
// the client's postings and the chart of accounts.
#include "shell/posting_tool.h"

#include <algorithm>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "shell/chooser.h"
#include "shell/declaration_ui.h"
#include "shell/folders.h"
#include "store/declaration.h"
#include "store/opening.h"
#include "tax/folder.h"
#include "tax/leao.h"
#include "tax/open_computation.h"
#include "ui/desktop.h"

namespace vorn::shell {
namespace {

const store::Record* account_of(const std::vector<store::Record>& accounts,
                                const std::string& code) {
    for (const auto& a : accounts)
        if (!a.deleted && tax::field_text(a, "CDCONTA") == trim(code)) return &a;
    return nullptr;
}

bool flag(const store::Record& account, const char* name) {
    return tax::field_text(account, name) == "S";
}

// The client's postings table (area 13) opened; the operator is told when it cannot be.
store::Table* postings_table(App& app) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 13)) {
        app.error({"O arquivo dos lançamentos não pôde ser aberto."});
        return nullptr;
    }
    return app.w.table(13);
}

// One posting being typed: the fields of the window, as the account asks them.
struct Posting {
    const store::Record* account = nullptr;
    std::string code = std::string(4, ' ');
    std::string name = std::string(60, ' ');
    Decimal value;
    std::string document = std::string(18, ' ');
    Decimal first, last;
    std::string dependant = std::string(11, ' ');
    std::string description = std::string(50, ' ');

    int page() const { return static_cast<int>(tax::field_int(*account, "PAGINA")); }
    int line() const { return static_cast<int>(tax::field_int(*account, "LINHA")); }
    bool asks_document() const { return flag(*account, "TEMCPF") || flag(*account, "TEMCGC"); }

    // The first piece of data the posting lacks, as the operator is told it; "" when complete.
    std::string missing() const {
        const store::Record& a = *account;
        if (asks_document() && trim(document).empty() && page() != 2)
            return "Falta preencher o CNPJ ou CPF";
        if (flag(a, "LIVROCX") && page() <= 5 && first.is_zero() && !(page() == 2 && line() == 6))
            return "Falta preencher o mês de lançamento";
        if (value.is_zero()) return "Falta preencher o valor";
        if (flag(a, "TEMDESCR") && trim(name).empty()) return "Falta preencher o Nome da fonte";
        if (flag(a, "TEMOBSV") && trim(description).empty())
            return "Falta preencher a Descrição do Outros";
        return "";
    }
};

// The CPF or CNPJ field as the account asks it: either ("@S18", told apart as typed), a CNPJ or a
// CPF, each with its check.
ui::Get document_field(App& app, Posting& p) {
    ui::Get g;
    g.var = p.document;
    const bool cpf = flag(*p.account, "TEMCPF"), cnpj = flag(*p.account, "TEMCGC");
    if (cpf && cnpj) {
        g.picture = "@S18";
        g.width = 18;
        g.valid = [&app, &p] { return CPFCGC1(app.op, p.document, false); };
    } else if (cnpj) {
        g.picture = "@R 99.999.999/9999-99";
        g.width = 14;
        g.valid = [&app, &p] { return VAL_CGC(app.op, trim(p.document), false); };
    } else {
        g.picture = "@R 999.999.999.99";
        g.width = 11;
        g.valid = [&app, &p] { return VAL_CPF(app.op, trim(p.document), false); };
    }
    return g;
}

// The fields after the account, those the account's flags ask for, placed in the window.
std::vector<ui::Get> posting_fields(App& app, Posting& p) {
    std::vector<ui::Get> f;
    auto add = [&](int row, ui::Get g) {
        g.row = row;
        g.col = 16;
        f.push_back(std::move(g));
    };
    const store::Record& a = *p.account;
    // A text shown in 50 columns.
    auto text = [](std::string& var) {
        ui::Get g;
        g.var = var;
        g.picture = "@S50";
        g.width = static_cast<int>(var.size());
        return g;
    };
    if (flag(a, "TEMDESCR")) add(2, text(p.name));
    ui::Get value;
    value.var = p.value;
    value.picture = "@E 9,999,999,999.99";
    value.valid = [&app, &p] {
        if (!p.value.is_negative()) return true;
        app.error({"O valor não pode ser negativo."});
        return false;
    };
    add(3, value);
    if (p.asks_document()) add(4, document_field(app, p));
    if (flag(a, "LIVROCX")) {
        ui::Get first;
        first.var = p.first;
        first.picture = "99";
        // Left blank (0) it is told when the posting is complete: only pages above 5 take it.
        first.valid = [&app, &p] {
            const long m = p.first.whole();
            if (m >= 0 && m <= 12) return true;
            app.error({"O mês inicial vai de 1 a 12."});
            return false;
        };
        add(5, first);
        ui::Get last;
        last.var = p.last;
        last.picture = "99";
        last.valid = [&app, &p] {
            const long m = p.last.whole();
            if (m == 0 || (m >= p.first.whole() && m <= 13)) return true;
            app.error({"O mês final vai do mês inicial até 13."});
            return false;
        };
        add(5, last);
        f.back().col = 34;
    }
    ui::Get dependant;
    dependant.var = p.dependant;
    dependant.picture = "@R 999.999.999-99";
    dependant.width = 11;
    dependant.valid = [&app, &p] { return VAL_CPF(app.op, trim(p.dependant), false); };
    add(6, dependant);
    if (flag(a, "TEMOBSV")) add(7, text(p.description));
    return f;
}

// Appends the posting to the client's postings at once, numbered after the last one.
Status write_posting(App& app, const std::string& cpf, const Posting& p) {
    store::Table* t = postings_table(app);
    if (!t) return Status::locked("lançamento não gravado");
    std::vector<store::Record> rows;
    Status s = store::records_of(*t, cpf, &rows, nullptr);
    Decimal number;
    for (const auto& r : rows) number = std::max(number, r.num("NROITEM"));
    store::Record r(t->layout_ptr());
    r.set("CPF", cpf);
    r.set("CDCONTA", trim(p.code));
    r.set("DESCONTA",
          flag(*p.account, "TEMDESCR") ? trim(p.name) : tax::field_text(*p.account, "NMDESCRICA"));
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
        Posting p;
        for (int k = 0; k < 7; ++k) dlg->say(k + 1, 1, pad_right(kLabels[k], 72));
        dlg->say(5, 23, "Mês final:");
        std::vector<ui::Get> code(1);
        code[0].row = 1, code[0].col = 16, code[0].var = p.code, code[0].picture = "@R 9.999";
        code[0].width = 4;
        code[0].valid = [&] {
            if (trim(p.code).empty()) return true;
            const store::Record* a = account_of(accounts, p.code);
            if (a == nullptr) {
                app.error({"Código não existente!"});
                return false;
            }
            if (tax::field_text(*a, "CDSTATUS") == "N") {
                app.error({"Atenção! Essa conta é só título. Use uma conta detalhada"});
                return false;
            }
            p.account = a;
            dlg->say(1, 24, pad_right(left(tax::field_text(*a, "NMDESCRICA"), 48), 48));
            return true;
        };
        if (dlg->ReadModal(code).escaped || trim(p.code).empty()) break;
        std::vector<ui::Get> fields = posting_fields(app, p);
        for (;;) {
            if (dlg->ReadModal(fields).escaped) break;
            if (const std::string lacking = p.missing(); !lacking.empty()) {
                app.error({lacking});
                continue;
            }
            if (!app.yes({" Confirma ? "})) continue;
            if (Status s = write_posting(app, cpf, p); !s)
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
        const tax::InterestTable selic = selic_rates(app);
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

// List 25: the client's postings, as they are stored.
void view_postings(App& app, const std::string& cpf, const std::string& name) {
    store::Table* t = postings_table(app);
    if (!t) return;
    t->set_filter([cpf](const store::Table& r) { return r.str("CPF") == cpf; });
    auto col = [&](const char* field, std::string header, std::string picture, int width = 0) {
        return field_column(app, 13, field, std::move(header), std::move(picture), false, width);
    };
    browse_table(app, 13, "Lancamentos de " + name,
                 {col("CDCONTA", "Conta", "@R 9.999"), col("DESCONTA", "Descrição", "", 20),
                  col("VALODESP", "Valor", "@E 9,999,999,999.99"), col("MESINI", "Mi", "99"),
                  col("MESFIM", "Mf", "99"), col("NROCGCCPF", "CPF/CNPJ", "", 18),
                  col("CPFDEPEN", "Dependente", "@R 999.999.999-99"), col("LANCADO", "Lançado", ""),
                  col("DESCRI", "Descrição do outros", "", 30)},
                 false);
    t->set_filter(nullptr);
    app.w.close(13);
}

// List 28: the office's chart of accounts, edited in place.
void edit_chart(App& app) {
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, 62)) return;
    auto col = [&](const char* field, std::string header, std::string picture, int width = 0) {
        return field_column(app, 62, field, std::move(header), std::move(picture), true, width);
    };
    browse_table(
        app, 62, "Plano de Contas",
        {col("CDCONTA", "Conta", "@R 9.999"), col("NMDESCRICA", "Descrição", "", 40),
         col("CDSTATUS", "Det", "!"), col("PAGINA", "Pág", "99"), col("LINHA", "Lin", "99"),
         col("TEMCPF", "CPF", "!"), col("TEMCGC", "CNPJ", "!"), col("LIVROCX", "Meses", "!"),
         col("TEMDESCR", "Nome", "!"), col("TEMOBSV", "Obs", "!")},
        true);
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
        if (chosen == 3) view_postings(app, cpf, name);
        if (chosen == 4) edit_chart(app);
        if (chosen == 0 || chosen == 5) break;
    }
    ui::LDLGCLOSE(app.screen);
    if (Status st = d.release(); !st) app.error({st.message()});
}

}  // namespace vorn::shell
