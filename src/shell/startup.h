// The program's start-up in its documented order (terminal number, installation directory,
// colours, CONFIG, DEFINE, data folder, table check, folder list, reminders, registry, structure
// check, backup reminder), the appointment reminders announced at their minute, and the orderly
// end (ROTSAIDA).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/platform.h"
#include "shell/session.h"
#include "store/workareas.h"

namespace vorn::shell {

// What the start-up shows beyond notices and questions.
struct StartupScreens {
    // The "Terminal" dialog: `text` above a two-digit input prefilled with `prefill`; the typed
    // number, or nullopt when the operator pressed Esc.
    std::function<std::optional<std::string>(std::string_view text, std::string_view prefill)>
        terminal;
    // Fills the screen with the background colour and draws the opening screen.
    std::function<void(const Session&)> opening;
};

// Runs start-up steps 4 to 21. False when the program must end (the reason was told to the
// operator, or is in *error for standard error when no screen can tell it: a malformed terminal
// number).
bool start_up(Session& s, store::WorkAreas& w, const Platform& platform,
              const std::optional<std::string>& argument, const StartupScreens& screens,
              std::string* error);

// Today's reminders of `operator_name` in the appointment book (table rows in table order):
// AVISAG set, DATAG today and HORAG (HHMM) later than `now_seconds`.
std::vector<Reminder> todays_reminders(store::WorkAreas& w, std::string_view operator_name,
                                       Date today, long now_seconds);

// The reminders whose minute has come ("ATENÇÃO - " + HH:MM + " " + note), removed from the list.
std::vector<std::string> due_reminders(Session& s, long now_seconds);

// The backup reminder of start-up step 21: the interval in days when the reminder applies today
// (only in NANOATUAL before July; 2 days in the deadline's month, else 5), else nullopt.
std::optional<int> backup_interval(Date today);
// Asks when the days since the last full backup reached the interval; "Não" stores today as
// ULTBACK. True when the operator asked for the backup now.
bool backup_reminder(Session& s, store::WorkAreas& w);

// ROTSAIDA: when called from the exit command, asks "Confirma saída do programa?" (false: stay).
// Stores the terminal's settings back into its CONFIG record and closes every table.
bool ROTSAIDA(Session& s, store::WorkAreas& w, bool from_exit_command);

// The session's values that live in CONFIG fields of their own names (NOMEAG, ROTADOANO, ult_cpf,
// dirtrab) copied into the record before it is stored.
void session_to_config(Session& s);

}  // namespace vorn::shell
