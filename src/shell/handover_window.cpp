// The hand-over commands of the main menu.
#include "shell/handover_window.h"

#include <vector>

#include "base/text.h"
#include "output/handover_folder.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "shell/utilities_window.h"
#include "store/opening.h"
#include "store/workareas.h"

namespace vorn::shell {
namespace {

// The settings and tables every hand-over of this terminal needs; false after telling the
// operator what is missing.
struct Prepared {
    output::HandoverSetup setup;
    output::DocumentContext ctx;
};

bool prepare(App& app, bool automatic, Prepared* out) {
    Session& s = app.s;
    store::Env& env = app.w.env();
    auto variable = [&](std::string_view name) { return app.platform.variable(name); };
    out->setup = output::handover_setup(env, variable, s.ROTADEF, trim(s.LOCIRPF), s.ROTADOANO);
    out->setup.automatic = automatic;
    if (trim(s.LOCIRPF).empty()) {
        app.tell({"Preencha em Env Receita o Local onde está o programa da receita"});
        return false;
    }
    Status st = output::read_document_context(env, s.ROTADEF, trim(s.LOCIRPF),
                                              variable("VORN_IRPF_XMLNS").value_or(""), &out->ctx);
    if (!st) {
        app.error({"Os dados não foram transferidos para o programa da receita!", st.message()});
        return false;
    }
    out->ctx.now = app.screen.clock().now();
    return true;
}

output::HandoverOutcome send_prepared(App& app, const Prepared& p,
                                      const payments::InterestTable& selic,
                                      const std::string& cpf) {
    Session& s = app.s;
    // The folder's notes hold what a check made just before the hand-over finds.
    check_silently(app, cpf);
    const long status = s.cfg_num("ENV_STAT") == 1 ? s.cfg_num("OPC_TRAN") : 0;
    output::FolderHandover h{app.w.env(), *app.processes,     p.setup, p.ctx,
                             s.ROTADOANO, app.screen.clock(), selic,   status};
    // The hand-over writes the registry record through its own handle: this terminal's locks on
    // the registry go first.
    if (store::Table* t = app.w.table(9)) (void)t->unlock();
    output::HandoverOutcome r = output::hand_over(app.op, h, cpf);
    // The registry area reads the record again (the hand-over wrote it through its own handle).
    if (store::Table* t = app.w.table(9)) (void)t->skip(0);
    return r;
}

store::Table* registry(App& app) {
    store::Table* t = app.w.table(9);
    if (!t) {
        sync_areas(app.s, app.w);
        if (!store::ABERTURA(app.w, 9)) return nullptr;
        t = app.w.table(9);
    }
    return t;
}

}  // namespace

bool sends_on_closing(const Session& s, long status) {
    const long transfer = s.cfg_num("OPTTRAN");
    return transfer == 1 || (transfer == 2 && status == s.cfg_num("SOESTE"));
}

bool may_send_one(App& app) {
    if (trim(app.s.LOCIRPF).empty()) {
        app.tell({"Preencha abaixo em Pasta do IRPF a pasta do programa da receita"});
        return false;
    }
    app.tell({"Evite enviar declarações para a Receita com o IRPF sendo",
              "usado. Ele aberto poderá causar problemas com os dados."});
    return true;
}

bool send_declaration(App& app, const std::string& cpf, bool automatic) {
    Prepared p;
    if (!prepare(app, automatic, &p)) return false;
    const output::HandoverOutcome r = send_prepared(app, p, selic_rates(app), cpf);
    if (!r.done() && r.result == output::HandoverOutcome::Result::kFailed && automatic)
        app.error({"A declaração NÃO foi transferida para o programa da receita!", r.reason});
    return r.done();
}

void send_declarations(App& app, bool marked_only) {
    store::Table* t = registry(app);
    if (!t) return;
    if (marked_only) {
        std::vector<ui::BrowseColumn> cols;
        cols.push_back(field_column(app, 9, "IMPRE", "Env", "!", true, 3));
        cols.push_back(field_column(app, 9, "CPF", "CPF", "@R 999.999.999-99", false, 14));
        cols.push_back(field_column(app, 9, "NOMECONTR", "Nome", "@S50", false, 50));
        browse_table(app, 9, "Selecione os contribuintes para enviar para a receita.",
                     std::move(cols), false);
    }
    Prepared p;
    if (!prepare(app, false, &p)) return;
    std::vector<std::string> cpfs;
    const size_t order = t->order();
    t->set_order(0);
    for (Status st = t->go_top(); st && !t->eof(); st = t->skip())
        if (!marked_only || trim(t->str("IMPRE")) == "S") cpfs.push_back(t->str("CPF"));
    t->set_order(order);
    const payments::InterestTable selic = selic_rates(app);
    std::vector<std::string> failed;
    size_t done = 0;
    for (const auto& cpf : cpfs) {
        if (app.op.esc_pressed() && app.yes({"Abandona a transferência para a receita? "})) break;
        const output::HandoverOutcome r = send_prepared(app, p, selic, cpf);
        if (r.done())
            ++done;
        else
            failed.push_back(cpf + ": " + r.reason);
    }
    (void)t->go_top();
    if (failed.empty()) return;
    std::vector<std::string> lines = {"Não transferidas " + std::to_string(failed.size()) + " de " +
                                      std::to_string(done + failed.size()) + " declarações:"};
    lines.insert(lines.end(), failed.begin(), failed.end());
    app.error(lines);
}

void rebuild_declaration_list(App& app) {
    Prepared p;
    if (!prepare(app, false, &p)) return;
    output::ListOutcome out;
    Status st = output::RECUP_INDICE(app.op, app.w.env(), *app.processes, p.setup, p.ctx.xmlns,
                                     std::string(CANOATUAL), true, &out);
    (void)st;  // every outcome was told to the operator
}

}  // namespace vorn::shell
