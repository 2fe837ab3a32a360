// The global values of one terminal's run: the year constants, its folders, its number and
// operator, the terminal's CONFIG and CORES records, the office's DEFINE record and the command in
// progress. One Session is built at start-up and passed explicitly to everything that needs it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "store/record.h"

namespace vorn::shell {

inline constexpr std::string_view CANOFUTUR = "27";
inline constexpr std::string_view CANOATUAL = "26";
inline constexpr std::string_view CANOANTER = "25";
inline constexpr std::string_view CANOANTES = "24";
inline constexpr int NANOFUTUR = 2027;
inline constexpr int NANOATUAL = 2026;
inline constexpr int NANOANTER = 2025;
inline constexpr int NANOANTES = 2024;
inline constexpr std::string_view VERSAO = "2.03 ";
inline constexpr std::string_view DVERATUAL = "31/03/26";
// The archiver the backups run (a command on the search path).
inline constexpr std::string_view CNOMPROG = "7z";
// Deadline of the declaration and of its first quota.
Date DDIAENTRA();

// One of today's reminders of the operator's appointment book, announced at its minute.
struct Reminder {
    int hhmm = 0;  // 1430 for 14:30
    std::string note;
};

// A folder path without a trailing separator ("/srv/vorn/2026" from "/srv/vorn/2026/").
std::string without_slash(std::string_view folder);
// The same path with exactly one trailing separator.
std::string with_slash(std::string_view folder);

struct Session {
    Session();

    // Installation directory (ROTADEF without, ARQDEF with the trailing separator) and the
    // directory the program was started from (DIRINST, with separator).
    std::string ROTADEF, ARQDEF, DIRINST;
    // Data folder: ROTADOANO without, LOCARQ with separator; DIRORIG is LOCARQ at start-up.
    std::string ROTADOANO, LOCARQ, DIRORIG;
    // Working folder of the terminal's private files (falls back to the data folder).
    std::string DIRTRAB, LOCTRAB;
    // Folder of the government program's data (ROTAJAVA with separator; empty when unset).
    std::string LOCIRPF;

    std::string NUSU = "00";  // terminal number, two digits
    std::string NOMEAG;       // operator name
    std::string CPF, ULT_CPF, NOMECONTR;

    std::array<Date, 8> ADATVENC{};  // due dates of the eight quotas (DEFINE VCTO1..VCTO8)
    Decimal NVALDOLAR;               // DEFINE.VAL_DOLAR
    std::string CVALDOLAR;           // its text form, STR(value, 6, 4)
    std::string BOL_BANCO = "341";

    // The terminal's settings record (CONFIG, keyed by NRO_TERM), the office's DEFINE record and
    // the terminal's colours (CORES). Their fields are the documented global values of the same
    // names; what is changed here is stored back by the routines that own each record.
    store::Record CONFIG;
    store::Record DEFINE;
    store::Record CORES;

    // Print defaults.
    int NESQ = 0, NINIF = 0, NLINE = 6, NNROL = 60, NROLINHAS = 60, NDESINI = 1, NDESFIM = 99,
        NRO_VIAS = 1;

    int OPCAO_1 = 1;            // main-menu command in progress
    int OPCIR_1 = 0;            // declaration-menu command in progress
    bool LESTOUNADECL = false;  // a declaration is open for entry
    bool MOS_MENS = false;      // table openings show progress notices (true after start-up)
    bool REFAZ_IND = false;
    std::string APELIDO;
    bool CAL_AUTO = true;
    bool BUSCA_CEP = true;  // on-line postal-code look-up during this run (command 40,1)
    Date HOJE, DATCALEN;

    long days_since_backup = 0;       // today − ULTBACK
    std::vector<Reminder> reminders;  // today's, not yet announced, in table order
    int last_command = 0;             // the last main-menu command run (17 reorganises at exit)

    // Makes `folder` the data folder (ROTADOANO, LOCARQ).
    void set_data_folder(std::string_view folder);
    // Makes `folder` the working folder; an empty or missing one falls back to the data folder.
    void set_work_folder(std::string_view folder);
    // LOCIRPF from ROTAJAVA (empty when ROTARECEI is empty).
    void refresh_irpf_folder();

    // Typed reads of the settings records.
    std::string cfg(std::string_view field) const { return CONFIG.str(field); }
    long cfg_num(std::string_view field) const { return CONFIG.num(field).whole(); }
    std::string def(std::string_view field) const { return DEFINE.str(field); }
    long def_num(std::string_view field) const { return DEFINE.num(field).whole(); }
    int TEMP_SAL() const { return static_cast<int>(def_num("TEMP_SAL")); }
    int STATRAVA() const { return static_cast<int>(def_num("STATRAVA")); }
    std::string OPCIRPF() const { return cfg("OPCIRPF"); }
};

// The colours a terminal without a CORES record receives.
store::Record default_colours(std::string_view nusu);

// The settings record a terminal without one receives at start-up. Folders that name Windows
// locations get their Linux equivalents (see README): `install` is the installation directory,
// `dir_variable` the value of the installation-directory variable, `home` the operator's home.
store::Record default_config(std::string_view nusu, std::string_view install,
                             std::string_view dir_variable, std::string_view home, Date today);

// Copies the DEFINE values into the session (ADATVENC, NVALDOLAR, CVALDOLAR and the record).
void take_define(Session& s, const store::Record& define);
// The corrections of the office record made at start-up: the quota due dates written by an
// earlier release (VCTO1 = 30/05/2026, or the sixth on Saturday 31/10/2026) and its dollar rate
// 6.1917. True when `define` changed.
bool correct_define(store::Record& define);
// Copies the CONFIG values into the session (folders, operator, last CPF, the record).
void take_config(Session& s, const store::Record& config);

}  // namespace vorn::shell
