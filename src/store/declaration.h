// An open declaration: its values (the registry and table-1 fields, one value per name), its
// private working set "TMP_" + table + NUSU in the working folder, loading it from a data folder
// (new, normal or recovery), saving it back (periodic or final) and releasing it. The shared
// tables are touched only while loading and saving; a save rewrites only the declaration's own
// records, so other declarations of the folder, deleted ones included, are never disturbed.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "base/status.h"
#include "store/dbf.h"
#include "store/env.h"
#include "store/record.h"
#include "store/workareas.h"

namespace vorn::store {

// The values of an open declaration. Every field of its registry record (table 9) and of its
// table-1 record is a value of the same name; a name both records have is one value, kept equal
// in both.
class DeclarationValues {
  public:
    DeclarationValues();
    const Record& registry() const { return reg_; }
    const Record& summary() const { return t1_; }
    Record& registry() { return reg_; }
    Record& summary() { return t1_; }

    bool has(std::string_view name) const;
    // The value of a name (from table 1 when both records have it).
    const Value& value(std::string_view name) const;
    std::string str(std::string_view name) const;
    Decimal num(std::string_view name) const;
    Date date(std::string_view name) const;
    // Sets the value in each record that has the name; an unknown name throws std::out_of_range.
    void set(std::string_view name, const Value& v);
    void set(std::string_view name, std::string_view text) { set(name, Value(std::string(text))); }
    void set(std::string_view name, const char* text) { set(name, Value(std::string(text))); }
    void set(std::string_view name, const std::string& text) { set(name, Value(text)); }
    void set(std::string_view name, Decimal v) { set(name, Value(v)); }
    void set(std::string_view name, Date v) { set(name, Value(v)); }

    // Loads both records: the registry's first, then table 1's, whose shared names win.
    void take(const Record& registry, const Record& summary);

  private:
    Record reg_, t1_;
};

// Where a terminal keeps its working set and who works there (the data folder, the
// installation directory and the terminal number are the work areas').
struct DeclarationPlace {
    std::string work_folder;    // LOCTRAB
    std::string operator_name;  // NOMEAG
};

// How a declaration is loaded.
enum class LoadMode {
    kNew,       // start a new declaration with this CPF
    kExisting,  // copy its records from the shared tables
    kRecovery,  // take the working set of this terminal as it is (after a crash)
};

// File names of a terminal's working table n: "TMP_" + nn + NUSU (".DBF" / ".CDX").
std::string working_table_name(int n, std::string_view nusu);
// The key of working table n's private index ("cpf", "str(I7_0)" ...).
std::string working_index_key(int n);
// The data-folder file of per-declaration table n ("IMP0926.DBF"), found without regard to case.
std::string data_table_path(Env& env, std::string_view folder, int n);

// A working set the terminal did not finish: a clean close (final save or leaving without saving)
// removes its working registry "TMP_09" + NUSU, so one that is still there was left by a terminal
// that stopped with the declaration open. The set counts only with its marker "TMP_OK" + NUSU,
// written once every working table of a load is on the disk: a load cut short made no set. In the
// working registry DATAFIM/HORAFIM hold the time the working set was last written (in the shared
// registry they are the last close).
struct UnfinishedWork {
    std::string cpf;
    std::string name;  // NOMECONTR as last written
    DateTime written;
};
std::optional<UnfinishedWork> unfinished_work(Env& env, std::string_view work_folder,
                                              std::string_view nusu);
// The name of the file that says a terminal's working set is complete.
std::string working_set_marker(std::string_view nusu);
// Whether `a` comes before `b` (dates first, then seconds).
bool earlier(const DateTime& a, const DateTime& b);

class Declaration {
  public:
    // The computation of the declaration: it derives the summary from the working set into the
    // values and the working tables, keeping its messages in held_notices(). Run at the end of
    // every load and first in every save, so that what is shown and what is stored are the
    // computation's figures.
    using Computation = std::function<Status(Declaration&)>;

    // The declaration lives in the terminal's work areas: the data folder's tables are opened by
    // number in their areas, the working tables in areas 21 to 41, and the registry (area 9) is
    // left open for the chooser.
    Declaration(WorkAreas& w, DeclarationPlace place);
    ~Declaration();
    Declaration(const Declaration&) = delete;
    Declaration& operator=(const Declaration&) = delete;

    // INIC_VAR: loads the declaration of `cpf` into the working set and the values.
    // `for_entry` (menu command 11) marks the registry record as in use by this terminal (a new
    // declaration gets its registry record at once, so that a crash before its first save can be
    // recovered and other terminals see it in use). Code::kCancelled when the operator gave up
    // waiting for a table another terminal holds (nothing was changed).
    [[nodiscard]] Status load(std::string_view cpf, LoadMode mode, bool for_entry);

    // SALVATUDO: writes everything back, the declaration's tables first and its registry record
    // last. A periodic save keeps the declaration open and marks it as in use here again; the
    // final save clears this terminal's in-use mark with that last write (another terminal's mark
    // stays: that terminal still has the declaration open), appends the usage-log line, closes
    // the working set and removes its working registry, leaving nothing to recover.
    [[nodiscard]] Status save(bool final);
    // SALVA_PARC: writes working table n back into the shared table n.
    [[nodiscard]] Status save_table(int n, bool final);
    // The assets numbered 10, 20, 30 … before any table is written; the heirs' shares (table 20)
    // and the income items (table 2) that name an asset by its number follow it.
    [[nodiscard]] Status renumber_assets();

    // Leaving without saving: frees the registry record (this terminal's NUSUAT blank,
    // DATAFIM/HORAFIM, ORDEM 0; a new declaration never saved loses its registry record unless
    // another terminal has opened it since), closes the working set and removes its working
    // registry.
    [[nodiscard]] Status release();

    // The computation run by load and save; without one the values are kept as they are.
    void set_computation(Computation c) { computation_ = std::move(c); }
    // Messages of the last computation, kept for the summary screen (loading and saving compute
    // silently).
    std::vector<std::string>& held_notices() { return held_notices_; }

    // The live records of working table n in record order (the order items were entered in).
    [[nodiscard]] Status working_records(int n, std::vector<Record>* rows);
    // Makes working table n hold `rows` in that order: its records are rewritten in place, what
    // does not fit is appended and the surplus is deleted.
    [[nodiscard]] Status replace_working(int n, const std::vector<Record>& rows);

    // Writes the values into the working records of tables 1 and 9 (after every screen, so that
    // recovery after a crash finds what the operator typed), and refreshes TAM_USO and the caps.
    // `durable` forces every working table written since its last sync to the disk, so that
    // the screen's work also outlives a machine that stops.
    [[nodiscard]] Status keep_values(bool durable = true);
    // Writes the values into the working records of tables 1 and 9 only: what an entry screen
    // does after each field it accepts, so that a crash loses nothing accepted.
    [[nodiscard]] Status keep_records();

    // The working-time clock: seconds of the current interval and the running total.
    long running_seconds() const;
    // Closes the running interval into TEM_USO and starts a new one (PARA_REL).
    void stop_interval();
    // Alt+H: switches the clock off (closing the interval) or on.
    void toggle_clock();
    // The operator has been away since `since_seconds` (seconds since midnight, the moment the
    // office's idle limit passed): the running interval closes there, once; the clock waits for
    // the next key (resume_interval), so the time beyond the limit is not counted.
    void idle_since(long since_seconds);
    // The first key after an idle stop: a new interval starts now.
    void resume_interval();
    bool clock_off() const { return clock_off_; }
    // Seconds since the last save (or the load).
    long seconds_since_save() const;

    const std::string& cpf() const { return cpf_; }
    bool is_new() const { return is_new_; }
    bool loaded() const { return loaded_; }
    DeclarationValues& values() { return values_; }
    const DeclarationValues& values() const { return values_; }
    // Working table n (1..21 but 13), open exclusively in area n + 20 while the declaration is
    // loaded.
    Table* working(int n);
    const DeclarationPlace& place() const { return place_; }

  private:
    // Opens table n in its area (ABERTURA), waiting while another terminal holds it: for ever,
    // or asking the operator whether to wait. Code::kCancelled when the operator gives up.
    [[nodiscard]] Status open_shared_table(int n, bool exclusive, bool wait_forever);
    // Table n held alone for writing the declaration back, waiting for ever while another
    // terminal has it.
    [[nodiscard]] Status open_for_save(int n);
    [[nodiscard]] Status open_working(int n);
    [[nodiscard]] Status create_working(int n, const std::vector<Record>& rows,
                                        Durability durability);
    [[nodiscard]] Status rewrite_working(int n, const std::vector<Record>& rows);
    [[nodiscard]] Status write_registry(bool final);
    [[nodiscard]] Status mark_registry(std::string_view nusuat, bool stamp_close);
    // Removes the working registry after a clean close: the working set is finished.
    [[nodiscard]] Status finish_working();
    [[nodiscard]] Status remove_marker();
    [[nodiscard]] Status write_marker();
    [[nodiscard]] Status append_usage_line(long start, long end);
    [[nodiscard]] Status registry(Table** out);
    [[nodiscard]] Status lock_current(int area);
    std::string working_path(int n) const;
    // Removes a file of the working folder; a missing one is no error.
    [[nodiscard]] Status env_remove(const std::string& name);
    void close_working();
    long now_seconds() const;
    int tables_to_save_last() const;

    WorkAreas& w_;
    const Clock& clock_;
    Operator& op_;
    DeclarationPlace place_;
    std::string cpf_;
    bool loaded_ = false;
    bool is_new_ = false;
    bool saved_once_ = false;
    // The shared tables were read through the checked opening by this load and no save has
    // failed since: a save may then attach their indexes as they are.
    bool shared_checked_ = false;
    DeclarationValues values_;
    long interval_start_ = 0;  // INI_DECLA
    bool clock_off_ = false;   // SEMHORA
    bool idle_ = false;        // stopped by the idle limit until the next key
    DateTime last_save_;
    Computation computation_;
    std::vector<std::string> held_notices_;
};

// Reads every visible record of `cpf` from a per-declaration table, with their record numbers:
// through its first index (every per-declaration table's first index begins with the CPF) when
// one is attached, else by a scan. The table's controlling order is left as it was.
[[nodiscard]] Status records_of(Table& t, std::string_view cpf, std::vector<Record>* rows,
                                std::vector<uint32_t>* recnos);

// Replaces the records of `cpf` in `t` by `rows`: the declaration's own record slots are reused in
// their order, what does not fit is appended and the surplus is marked deleted. Every row is
// written with `cpf` in its CPF field. Nothing else in the table changes. The caller holds the
// table exclusively or its table lock.
[[nodiscard]] Status replace_records(Table& t, std::string_view cpf,
                                     const std::vector<Record>& rows);

}  // namespace vorn::store
