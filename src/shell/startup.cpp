// Start-up, reminders and the orderly end of the program.
#include "shell/startup.h"

#include "base/text.h"
#include "maintenance/backup.h"
#include "shell/folders.h"
#include "store/catalogue.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

std::string two(long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// The record of this terminal in an open table keyed by NRO_TERM (its area selected), appended
// from `fresh` when missing. False (after telling the operator) when it cannot be had.
bool terminal_record(store::WorkAreas& w, int area, std::string_view nusu,
                     const store::Record& fresh, store::Record* out, bool* created) {
    store::Table& t = *w.table(area);
    w.select(area);
    Status st = t.go_top();
    while (st && !t.eof() && t.str("NRO_TERM") != nusu) st = t.skip();
    *created = false;
    if (st && t.eof()) {
        if (!store::ADD_REC(w, 5, &fresh)) return false;
        st = t.unlock();
        *created = true;
    }
    if (st) {
        *out = store::Record(t.layout_ptr());
        st = t.read(*out);
    }
    if (!st) w.op().notice(NoticeKind::kError, "", st.message());
    return st.is_ok();
}

long hhmm_of(std::string_view horag) {
    std::string digits;
    for (char c : horag)
        if (c >= '0' && c <= '9') digits += c;
    if (digits.empty()) return -1;
    return std::stol(digits);
}

}  // namespace

bool start_up(Session& s, store::WorkAreas& w, const Platform& platform,
              const std::optional<std::string>& argument, const StartupScreens& screens,
              std::string* error) {
    Operator& op = w.op();
    const Date today = w.clock().today();
    s.HOJE = s.DATCALEN = today;

    // 4. Terminal number.
    TerminalSource ts = terminal_source(argument, platform);
    if (!ts.error.empty()) {
        *error = ts.error;
        return false;
    }
    if (ts.nusu.empty()) {
        std::optional<std::string> typed =
            screens.terminal ? screens.terminal(ts.dialog_text, ts.prefill) : std::nullopt;
        auto n = two_digit_terminal(typed.value_or(ts.prefill));
        s.NUSU = n ? *n : "00";
    } else {
        s.NUSU = ts.nusu;
    }

    // 5. Installation directory.
    InstallDirectory inst = installation_directory(platform);
    if (!inst.notice.empty()) op.notice(NoticeKind::kWarning, "", inst.notice);
    if (char_count(inst.dir) > 80) {
        // The settings and the folder list hold folders of up to 80 characters.
        op.notice(NoticeKind::kError, "",
                  "A pasta de instalação tem mais de 80 caracteres:\n" + inst.dir);
        return false;
    }
    s.ROTADEF = inst.dir;
    s.ARQDEF = with_slash(inst.dir);
    s.DIRINST = with_slash(platform.current_directory());
    s.set_data_folder(inst.dir);
    sync_areas(s, w);

    // 6. Colours.
    bool created = false;
    if (store::ABERTURA(w, 56)) {
        if (!terminal_record(w, 56, s.NUSU, default_colours(s.NUSU), &s.CORES, &created))
            s.CORES = default_colours(s.NUSU);
        w.close(56);
    }

    // 7. The terminal settings table of an earlier layout is upgraded.
    const bool upgraded = store::needs_upgrade(w, 42) && store::CORRIGE(w, 42);

    // 8. The terminal's settings.
    // A damaged table was told as such already: the terminal does not start on defaults.
    if (!store::ABERTURA(w, 42)) {
        if (w.last_open_failure.code() == Status::Code::kLocked)
            op.notice(NoticeKind::kError, "", "Arquivo de configuração sendo usado no momento");
        return false;
    }
    const std::string home = platform.variable("HOME").value_or(inst.dir);
    store::Record config;
    bool ok =
        terminal_record(w, 42, s.NUSU, default_config(s.NUSU, inst.dir, inst.variable, home, today),
                        &config, &created);
    w.close(42);
    if (!ok) return false;  // told by terminal_record
    take_config(s, config);
    if (upgraded) {
        s.CONFIG.set("BACKAUTO", "S");
        (void)store_config(s, w, {"BACKAUTO"});
    }

    // 9. The opening screen.
    if (screens.opening) screens.opening(s);

    // 10. Days since the last full backup.
    const Date last = s.CONFIG.date("ULTBACK");
    s.days_since_backup = last.blank() ? 999 : today - last;

    // 11. The office's settings, with the two corrections; without them the program does not
    // run.
    if (!store::ABERTURA(w, 43)) {
        if (w.last_open_failure.code() == Status::Code::kLocked)
            op.notice(NoticeKind::kError, "", w.last_open_failure.message());
        return false;
    }
    {
        store::Table& d = *w.table(43);
        store::Record define(d.layout_ptr());
        Status st = d.go_top();
        if (st && !d.eof()) st = d.read(define);
        if (!st) {
            op.notice(NoticeKind::kError, "", st.message());
            w.close(43);
            return false;
        }
        if (!d.eof() && correct_define(define)) {
            w.select(43);
            if (store::REC_LOCK(w, 5)) {
                st = d.put(define);
                Status u = d.unlock();
                if (st) st = u;
            }
        }
        if (!st) op.notice(NoticeKind::kError, "", st.message());
        take_define(s, define);
        w.close(43);
    }

    // 12. The data folder must exist.
    if (!w.env().is_directory(s.ROTADOANO)) {
        if (!op.yes_no("", "A Pasta " + s.ROTADOANO + " não foi encontrada!\nSim - Assume: " +
                               s.ROTADEF + "\nNão - Sai do programa!"))
            return false;
        s.set_data_folder(s.ROTADEF);
        s.CONFIG.set("ROTADOANO", s.ROTADEF);
        (void)store_config(s, w, {"ROTADOANO"});
        s.set_work_folder(s.cfg("dirtrab"));
    }
    s.DIRORIG = s.LOCARQ;
    sync_areas(s, w);

    // A restore of the data folder that a crash cut short is finished before any of its tables
    // opens: the folder holds all the old tables or all the restored ones, never a mixture.
    bool finished = false;
    if (Status r = maintenance::finish_restore(w.env(), s.LOCARQ, &finished); !r)
        op.notice(NoticeKind::kError, "", "Restauração da cópia não concluída:\n" + r.message());
    else if (finished)
        op.notice(NoticeKind::kInformation, "",
                  "Concluída a restauração da cópia interrompida na pasta " + s.LOCARQ);

    // 13. Tables of the installation; the folder list held exclusively by this terminal.
    if (!store::ABERTURA(w, 0)) {
        if (w.last_open_failure.code() == Status::Code::kLocked)
            op.notice(NoticeKind::kError, "",
                      "O programa VORN20" + std::string(CANOATUAL) + " no terminal " + s.NUSU +
                          " está em uso");
        return false;
    }

    // 14. The data folder in the folder list, selected.
    Status st = list_data_folder(w, s.ROTADOANO);
    if (!st) op.notice(NoticeKind::kError, "", st.message());

    // 17. Today's reminders still to come.
    s.reminders = todays_reminders(w, s.NOMEAG, today, w.clock().now().seconds);

    // 18. The registry of the data folder.
    if (!store::ABERTURA(w, 9))
        op.notice(NoticeKind::kError, "",
                  "Não foi possivel abrir arquivo\n" + s.LOCARQ + "IMP09" + std::string(CANOATUAL) +
                      ".DBF");

    // 20. Structure of tables 1, 2 and 9.
    (void)store::check_structure(w);
    s.MOS_MENS = true;
    sync_areas(s, w);
    return true;
}

std::vector<Reminder> todays_reminders(store::WorkAreas& w, std::string_view operator_name,
                                       Date today, long now_seconds) {
    std::vector<Reminder> out;
    if (!store::ABERTURA(w, 72)) return out;
    store::Table& t = *w.table(72);
    t.set_order(0);
    const long now_hhmm = now_seconds / 3600 * 100 + now_seconds / 60 % 60;
    Status st = t.go_top();
    for (; st && !t.eof(); st = t.skip()) {
        if (!t.logical("AVISAG") || t.str("NOMEAG") != trim(operator_name) ||
            t.date("DATAG") != today)
            continue;
        long hhmm = hhmm_of(t.str("HORAG"));
        if (hhmm > now_hhmm) out.push_back({static_cast<int>(hhmm), t.str("ANOTAG")});
    }
    w.close(72);
    return out;
}

std::vector<std::string> due_reminders(Session& s, long now_seconds) {
    const int now_hhmm = static_cast<int>(now_seconds / 3600 * 100 + now_seconds / 60 % 60);
    std::vector<std::string> out;
    for (auto it = s.reminders.begin(); it != s.reminders.end();) {
        if (it->hhmm == now_hhmm) {
            out.push_back("ATENÇÃO - " + two(it->hhmm / 100) + ":" + two(it->hhmm % 100) + " " +
                          it->note);
            it = s.reminders.erase(it);
        } else {
            ++it;
        }
    }
    return out;
}

std::optional<int> backup_interval(Date today) {
    if (today.year() != NANOATUAL || today.month() >= 7) return std::nullopt;
    return today.month() == DDIAENTRA().month() ? 2 : 5;
}

bool backup_reminder(Session& s, store::WorkAreas& w) {
    auto interval = backup_interval(w.clock().today());
    if (!interval || s.days_since_backup < *interval) return false;
    std::string days = pad_left(std::to_string(std::min(s.days_since_backup, 999L)), 3);
    if (w.op().yes_no("", " Atenção " + days + " dias sem fazer o Backup completo.\n" +
                              " Sim - Faça o Backup agora. \n Não - Avise novamente em " +
                              std::to_string(*interval) + " dias. "))
        return true;
    s.CONFIG.set("ULTBACK", w.clock().today());
    (void)store_config(s, w, {"ULTBACK"});
    return false;
}

void session_to_config(Session& s) {
    s.CONFIG.set("NOMEAG", s.NOMEAG);
    s.CONFIG.set("ROTADOANO", s.ROTADOANO);
    s.CONFIG.set("ult_cpf", s.ULT_CPF);
    s.CONFIG.set("dirtrab", s.DIRTRAB);
}

bool ROTSAIDA(Session& s, store::WorkAreas& w, bool from_exit_command) {
    if (from_exit_command && !w.op().yes_no("Saida do Programa", "Confirma saída do programa?"))
        return false;
    session_to_config(s);
    (void)store_config(s, w,
                       {"NOMEAG", "ROTADOANO", "ROTARECEI", "ROTAJAVA", "ult_cpf", "dirtrab",
                        "OPTTRAN", "SOESTE", "ULTBACK", "OPCIRPF", "ENV_STAT", "MARESQ", "INIFOL",
                        "LINETI", "NRO_LIN", "OPC_TRAN", "XDRIVE"});
    w.close_all();
    return true;
}

}  // namespace vorn::shell
