#include "shell/backup_window.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/text.h"
#include "shell/folders.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

using maintenance::BackupResult;
using maintenance::RestoreResult;

const std::string kYear(CANOATUAL);

std::string plural(size_t n, const char* s = "s") {
    return n == 1 ? "" : s;
}

// "Informe a letra do Drive": one upper-case letter; none ends the command.
std::optional<char> drive_letter(App& app) {
    std::string v = " ";
    if (!app.ask({"Informe a letra do Drive"}, v, "!", 1)) return std::nullopt;
    const char c = trim(v).empty() ? 0 : trim(v)[0];
    if (c < 'A' || c > 'Z') return std::nullopt;
    return c;
}

// The same path on the backup drive.
std::string on_drive(const std::string& root, const std::string& folder) {
    return without_slash(root) + (folder.empty() || folder[0] != '/' ? "/" : "") +
           without_slash(folder);
}

bool is_on(const std::string& root, const std::string& folder) {
    const std::string r = without_slash(root), f = without_slash(folder);
    return f == r || f.compare(0, r.size() + 1, r + "/") == 0;
}

// Asks a folder, `folder` holding the proposal; false when the operator gave up.
bool ask_folder(App& app, const std::string& prompt, std::string& folder) {
    // A folder typed for the moment, not stored: as long as a path may be.
    std::string v = pad_right(folder, std::max<size_t>(250, char_count(folder)));
    if (!app.ask({prompt}, v, "@S60")) return false;
    folder = without_slash(trim(v));
    return true;
}

std::string backup_drive_root(App& app) {
    const std::string x = trim(app.s.cfg("XDRIVE"));
    return drive_root(app, x.empty() ? 'C' : x[0]);
}

// The last backup: today, with the drive and the copies' folder, in the terminal's settings.
void backed_up(App& app) {
    app.s.CONFIG.set("ULTBACK", app.w.clock().today());
    (void)store_config(app.s, app.w, {"ULTBACK", "XDRIVE", "ROTABACK"});
    app.s.days_since_backup = 0;
}

// PAREBAK: Esc between two folders asks whether to stop.
bool stop_asked(App& app) {
    return app.op.esc_pressed() && app.yes({"Abandona a cópia?"});
}

// A restore replaces the folder's tables: this terminal lets go of them first and opens the
// registry of its data folder again afterwards.
struct TablesLetGo {
    App& app;
    explicit TablesLetGo(App& a) : app(a) {
        store::FECHA_TODO(app.w);
        app.w.close(9);
    }
    ~TablesLetGo() { (void)store::ABERTURA(app.w, 9); }
};

maintenance::RestoreOptions restore_options(App& app) {
    maintenance::RestoreOptions o;
    o.now = app.w.clock().now();
    o.copy_archive_first = app.s.def("PROGCOMP") == "N";
    return o;
}

void tell_restore(App& app, const Status& st, const RestoreResult& r, const std::string& folder) {
    if (st.code() == Status::Code::kLocked) {
        app.error({"O arquivo " + r.busy + " está sendo usado em algum terminal.",
                   "Recuperação cancelada: nada foi alterado na pasta " + folder});
    } else if (!st) {
        app.error({"Recuperação da cópia não feita:", st.message()});
    } else {
        std::vector<std::string> lines = {"Dados recuperados em " + folder};
        if (!r.safety.empty()) lines.push_back("Os arquivos substituídos estão em " + r.safety);
        app.tell(lines);
    }
}

// ---- 71: direct copies

// The room on the medium: a table that does not fit asks for another medium or stops.
maintenance::CopySpace media_space(App& app) {
    return {maintenance::free_bytes, [&app](uint64_t, uint64_t) {
                return app.op.choose("Erro na mídia",
                                     "Espaço insuficente na Mídia. (T)roque ou (A)bandona",
                                     {"T", "A"}) == 0;
            }};
}

// A direct copy that stopped: what the operator is told.
std::vector<std::string> copy_stopped(const Status& st) {
    if (st.code() == Status::Code::kCancelled) return {st.message()};
    return {"Cópia encerrada sem terminar.", st.message()};
}

void copy_one(App& app) {
    app.tell({"Essa opção faz uma cópia direta dos dados", "Somente de uma pasta escolhida."});
    std::string from = without_slash(app.s.LOCARQ);
    if (!ask_folder(app, "Copiar os dados da pasta", from)) return;
    std::string to = on_drive(backup_drive_root(app), from);
    if (!ask_folder(app, "Para a pasta", to)) return;
    if (to == from) {
        app.error({"Arquivo de origem igual ao destino não será copiado"});
        return;
    }
    maintenance::CopyResult c;
    const maintenance::CopySpace space = media_space(app);
    if (Status st = maintenance::copy_folder(app.w.env(), from, to, &c, &space); !st) {
        app.error(copy_stopped(st));
        return;
    }
    backed_up(app);
    app.tell({"Arquivos copiados para a pasta " + to});
}

void copy_all(App& app) {
    const std::optional<char> letter = drive_letter(app);
    if (!letter) return;
    const std::string root = drive_root(app, *letter);
    app.s.CONFIG.set("XDRIVE", std::string(1, *letter));
    store::Table* list = app.w.table(50);
    size_t copied = 0, skipped = 0;
    for (const FolderEntry& e : folder_list(app.w)) {
        if (!app.w.env().is_directory(e.folder)) {
            // A folder that no longer exists leaves the list.
            if (list && list->go_to(e.recno)) (void)list->delete_record();
            continue;
        }
        if (is_on(root, e.folder)) {
            if (!app.yes({"Arquivo de origem igual ao destino não será copiado",
                          "Retire da lista " + e.folder,
                          std::string("ou troque o Drive:") + *letter + " para a gravação",
                          "Continua na próxima pasta?"}))
                break;
            ++skipped;
            continue;
        }
        maintenance::CopyResult c;
        const std::string to = on_drive(root, e.folder);
        app.op.status("Copiando para " + to);
        const maintenance::CopySpace space = media_space(app);
        Status st = maintenance::copy_folder(app.w.env(), e.folder, to, &c, &space);
        app.op.status("");
        if (st.code() == Status::Code::kNotFound) continue;  // a folder without declarations
        if (!st) {
            app.error(copy_stopped(st));
            if (st.message().rfind("Problemas na criação da pasta", 0) == 0) {
                ++skipped;
                continue;
            }
            break;
        }
        ++copied;
        if (stop_asked(app)) break;
    }
    if (copied > 0) backed_up(app);
    std::vector<std::string> lines = {copied == 1
                                          ? "Feita a cópia de uma unica pasta"
                                          : "Foram copiadas " + std::to_string(copied) + " pastas"};
    if (skipped == 1) lines.push_back("Saltado 1 pasta");
    if (skipped > 1) lines.push_back("Saltadas " + std::to_string(skipped) + " pastas");
    app.tell(lines);
}

void copy_government(App& app, bool back) {
    std::string from = back ? on_drive(backup_drive_root(app), without_slash(app.s.LOCIRPF))
                            : without_slash(app.s.LOCIRPF);
    if (!ask_folder(app, "Copiar os arquivos da pasta", from)) return;
    std::string to = back ? without_slash(app.s.LOCIRPF)
                          : on_drive(backup_drive_root(app), without_slash(app.s.LOCIRPF));
    if (!ask_folder(app, "Para a pasta", to)) return;
    maintenance::GovernmentCopy c;
    if (Status st = maintenance::copy_government(app.w.env(), from, to, &c); !st) {
        app.error({st.message()});
        return;
    }
    const size_t n = static_cast<size_t>(c.files());
    app.tell({"Copiado" + plural(n) + " " + std::to_string(n) + " arquivo" + plural(n),
              std::to_string(c.declarations) + " declarações, " + std::to_string(c.receipts) +
                  " Recibos e " + std::to_string(c.copies) + " cópias"});
    if (!back) backed_up(app);
}

// ---- 72, 73: compressed backups

bool compress(App& app, const std::string& from, const std::string& to, bool government,
              bool told) {
    store::Env& env = app.w.env();
    BackupResult r;
    Status st = government ? maintenance::backup_government(env, office_archiver(app), from, to, &r)
                           : maintenance::backup_folder(env, office_archiver(app), from, to, &r);
    if (st.code() == Status::Code::kNotFound) {
        if (told)
            app.tell({"A pasta " + from,
                      government ? "não tem dados da Receita" : "não tem dados do VORN20" + kYear});
        return true;
    }
    if (!st) {
        const bool bits32 = app.s.def("PROCESSA") == "S";
        app.error({"Erro ao criar o arquivo " +
                       store::join_path(to, maintenance::archive_name(government)),
                   std::string("Confira se o processador ") + (bits32 ? "32" : "64") +
                       " bits usado é o correto!",
                   st.message()});
        return false;
    }
    // The office's off-site copy, when it has one, receives the new archive.
    const std::string off_site = trim(app.platform.variable("VORN_OFFSITE").value_or(""));
    if (!off_site.empty()) {
        app.op.status("Enviando " + r.archive + " para a cópia externa");
        st = maintenance::send_off_site(*app.processes, off_site, r.archive);
        app.op.status("");
        if (!st) app.error({"O arquivo " + r.archive + " foi gravado,", st.message()});
    }
    return true;
}

void compress_all(App& app) {
    const std::optional<char> letter = drive_letter(app);
    if (!letter) return;
    const std::string root = drive_root(app, *letter);
    app.s.CONFIG.set("XDRIVE", std::string(1, *letter));
    (void)store_config(app.s, app.w, {"XDRIVE"});
    size_t done = 0;
    for (const FolderEntry& e : folder_list(app.w)) {
        if (!app.w.env().is_directory(e.folder)) continue;
        app.op.status("Compactando " + e.folder);
        const bool ok = compress(app, e.folder, on_drive(root, e.folder), false, false);
        app.op.status("");
        if (!ok) return;
        ++done;
        if (stop_asked(app)) break;
    }
    app.tell({"Compactada" + plural(done) + " " + std::to_string(done) + " pasta" + plural(done) +
              " em " + root});
}

void compress_one(App& app, bool government) {
    std::string from = without_slash(government ? app.s.LOCIRPF : app.s.LOCARQ);
    if (!ask_folder(app, "Compactar os dados da pasta", from)) return;
    std::string to = on_drive(backup_drive_root(app), from);
    if (!ask_folder(app, "Gravar o arquivo compactado na pasta", to)) return;
    if (!app.yes({"Compacta os dados da pasta ", from})) return;
    if (!compress(app, from, to, government, true)) return;
    if (!app.w.env().exists(store::join_path(to, maintenance::archive_name(government)))) return;
    backed_up(app);
    app.tell(
        {"Arquivo " + store::join_path(to, maintenance::archive_name(government)) + " gravado."});
}

// ---- 74, 75, 76: restores

void restore_copy(App& app, bool government) {
    if (!government && !app.yes({"Atenção! Recuperar uma cópia significa copiar TODOS os CPF",
                                 "contidos na pasta de origem sobre a pasta destino. ",
                                 "Se a intenção é copiar apenas alguns CPFs feito em outro local",
                                 "deve ser usada em Opção / Transfere declaração. Continua?"}))
        return;
    if (government) return copy_government(app, true);
    const std::string folder = without_slash(app.s.LOCARQ);
    std::string from = on_drive(backup_drive_root(app), folder), to = folder;
    if (!ask_folder(app, "Recuperar a cópia da pasta", from)) return;
    if (!ask_folder(app, "Para a pasta", to)) return;
    RestoreResult r;
    Status st;
    {
        TablesLetGo let_go(app);
        st = maintenance::restore_copy(app.w.env(), from, to, restore_options(app), &r);
    }
    if (st) backed_up(app);
    tell_restore(app, st, r, to);
}

bool extract(App& app, const std::string& from, const std::string& to, bool government) {
    if (!app.yes({"Recupera os dados em ", to})) return true;
    RestoreResult r;
    Status st;
    {
        TablesLetGo let_go(app);
        st = government ? maintenance::restore_government(app.w.env(), office_archiver(app), from,
                                                          to, restore_options(app), &r)
                        : maintenance::restore_folder(app.w.env(), office_archiver(app), from, to,
                                                      restore_options(app), &r);
    }
    tell_restore(app, st, r, to);
    return st.is_ok();
}

void extract_one(App& app, bool government) {
    const std::string folder = without_slash(government ? app.s.LOCIRPF : app.s.LOCARQ);
    std::string from = on_drive(backup_drive_root(app), folder), to = folder;
    if (!ask_folder(app, "Pasta do arquivo compactado", from)) return;
    if (!ask_folder(app, "Recuperar na pasta", to)) return;
    (void)extract(app, from, to, government);
}

void extract_all(App& app) {
    const std::optional<char> letter = drive_letter(app);
    if (!letter) return;
    const std::string root = drive_root(app, *letter);
    for (const FolderEntry& e : folder_list(app.w)) {
        if (!app.w.env().is_directory(e.folder)) continue;
        const std::string from = on_drive(root, e.folder);
        if (!app.w.env().is_directory(from)) {
            app.tell({"Pasta " + from + " não encontrada.", "Cópia dessa pasta cancelada"});
            continue;
        }
        (void)extract(app, from, e.folder, false);
        if (stop_asked(app)) break;
    }
}

}  // namespace

std::string drive_root(const App& app, char letter) {
    const std::string own =
        trim(app.platform.variable("VORN_DRIVE_" + std::string(1, letter)).value_or(""));
    return own.empty() ? "/media/" + std::string(1, letter) : without_slash(own);
}

maintenance::Archiver office_archiver(App& app) {
    const bool bits32 = app.s.def("PROCESSA") == "S";
    const std::string program =
        trim(app.platform.variable(bits32 ? "VORN_ARCHIVER32" : "VORN_ARCHIVER").value_or(""));
    return {*app.processes, program.empty() ? std::string(CNOMPROG) : program};
}

void backup_command(App& app, int code, int arg, int arg2) {
    sync_areas(app.s, app.w);
    switch (code) {
        case 71:
            if (arg == 2)
                copy_government(app, false);
            else if (arg2 == 2)
                copy_all(app);
            else
                copy_one(app);
            break;
        case 72:
            compress_all(app);
            break;
        case 73:
            compress_one(app, arg == 2);
            break;
        case 74:
            restore_copy(app, arg == 2);
            break;
        case 75:
            extract_all(app);
            break;
        case 76:
            extract_one(app, arg == 2);
            break;
        default:
            break;
    }
}

}  // namespace vorn::shell
