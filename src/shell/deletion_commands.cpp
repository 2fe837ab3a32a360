#include "shell/deletion_commands.h"

#include <vector>

#include "base/text.h"
#include "maintenance/deletion.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

using maintenance::DeletionKind;

const char* const kWholeTitle = "Exclusão de toda a declaração";
const char* const kRuralTitle = "Exclusão apenas da Atividade Rural";
const char* const kRecoverTitle = "Recupera uma Exclusão recente";

std::string plural(size_t n, const char* s = "s") {
    return n == 1 ? "" : s;
}

// The registry record of a CPF, current in area 9; false when the folder has none.
bool find(store::Table& t, const std::string& cpf) {
    const size_t order = t.order();
    t.set_order(t.index_count() > 0 ? 1 : 0);
    bool found = t.seek(store::Value(cpf)) && !t.eof() && t.str("CPF") == cpf;
    t.set_order(order);
    return found;
}

// Deletes and reports; the operator is told what another terminal holds.
void run_deletion(App& app, const std::vector<std::string>& cpfs, DeletionKind kind,
                  const char* title) {
    maintenance::DeletionResult r;
    Status st = maintenance::delete_declarations(app.w, cpfs, kind, &r);
    if (st.code() == Status::Code::kLocked) {
        app.error(
            {"Arquivos para exclusão em uso no Momento", r.busy + " aberto em outro terminal."},
            title);
        return;
    }
    if (!st) app.error({"Exclusão interrompida:", st.message()}, title);
}

// 16,1,2: one declaration chosen from the list.
void delete_one(App& app) {
    store::Table* t = folder_registry(app);
    if (!t) return;
    const std::optional<std::string> cpf = choose_declaration(app, 2, false);
    if (!cpf || !find(*t, *cpf)) return;
    const std::string name = left(t->str("NOMECONTR"), 20);
    if (!go_on_if_open_elsewhere(app, trim(t->str("NUSUAT")))) return;
    if (!app.yes_not_default({"Confirma exclusao do CPF " + masked_cpf(*cpf), "Nome:" + name,
                              "Na pasta " + app.s.LOCARQ},
                             kWholeTitle))
        return;
    run_deletion(app, {*cpf}, DeletionKind::kWhole, kWholeTitle);
    if (store::Table* reg = folder_registry(app); reg && !find(*reg, *cpf))
        app.tell({"Excluida a declaração de " + name}, kWholeTitle);
}

// 16,1,1 and 16,2,1: the declarations marked in the list.
void delete_several(App& app, DeletionKind kind) {
    const bool rural = kind == DeletionKind::kRural;
    const char* title = rural ? kRuralTitle : kWholeTitle;
    const std::optional<std::vector<MarkedDeclaration>> chosen =
        mark_declarations(app,
                          rural ? "Marque com S as atividades rurais a excluir."
                                : "Marque com S as declarações a excluir.",
                          "Exc", rural);
    if (!chosen) return;
    const std::vector<MarkedDeclaration>& marked = *chosen;
    if (marked.empty()) return;
    const size_t n = marked.size();
    if (!app.yes_not_default(
            {"Confirma a Exclusão de " + std::to_string(n) + " contribuinte" + plural(n) + "?",
             "da pasta " + app.s.LOCARQ},
            title))
        return;
    std::vector<std::string> cpfs;
    for (const auto& m : marked)
        if (go_on_if_open_elsewhere(app, m.nusuat)) cpfs.push_back(m.cpf);
    if (!cpfs.empty()) run_deletion(app, cpfs, kind, title);
}

// 16,3: every declaration whose latest deletion can be recalled.
void recover(App& app) {
    if (!folder_registry(app)) return;
    std::vector<maintenance::Recoverable> can;
    if (Status st = maintenance::recoverable_declarations(app.w, &can); !st) {
        app.error({"Registro de exclusões não lido:", st.message()}, kRecoverTitle);
        return;
    }
    if (can.empty()) {
        app.tell({"Não há contribuinte para ser recuperado."}, kRecoverTitle);
        return;
    }
    const size_t n = can.size();
    std::vector<std::string> lines = {"Confirme! " + std::to_string(n) + " contribuinte" +
                                      plural(n) + " pode" + plural(n, "m") + " ser recuperado" +
                                      plural(n)};
    for (size_t k = 0; k < n && k < 10; ++k)
        lines.push_back(masked_cpf(can[k].cpf) + " " + left(can[k].name, 40));
    if (n > 10) lines.push_back("...");
    if (!app.yes(lines, kRecoverTitle)) return;
    std::vector<std::string> cpfs;
    for (const auto& c : can) cpfs.push_back(c.cpf);
    maintenance::RecoveryResult r;
    Status st = maintenance::recover_declarations(app.w, cpfs, &r);
    if (st.code() == Status::Code::kLocked) {
        app.error(
            {"Arquivos para recuperação em uso no Momento", r.busy + " aberto em outro terminal."},
            kRecoverTitle);
        return;
    }
    if (!st) {
        app.error({"Recuperação interrompida:", st.message()}, kRecoverTitle);
        return;
    }
    if (!r.exists_again.empty()) {
        std::vector<std::string> again = {"Não recuperado" + plural(r.exists_again.size()) +
                                          ": o CPF já tem outra declaração na pasta"};
        for (const auto& c : r.exists_again) again.push_back(masked_cpf(c));
        app.tell(again, kRecoverTitle);
    }
}

}  // namespace

void EXCLUI(App& app, int arg, int arg2) {
    sync_areas(app.s, app.w);
    if (arg == 1 && arg2 == 2)
        delete_one(app);
    else if (arg == 1)
        delete_several(app, DeletionKind::kWhole);
    else if (arg == 2)
        delete_several(app, DeletionKind::kRural);
    else if (arg == 3)
        recover(app);
}

}  // namespace vorn::shell
