// Work areas of one terminal and the shared-access routines: opening a table with its indexes
// (ABREARQ, NETUSE), record and table locks with their waiting rules and notices (REC_LOCK,
// FIL_LOCK, ADD_REC), the list-browser skipper (SKIPPED) and the removal of empty index files
// (CDX).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "base/date.h"
#include "base/operator.h"
#include "store/dbf.h"
#include "store/env.h"

namespace vorn::store {

// How ABREARQ reaches index files; the CDX layer implements it. Without one, tables are opened
// without indexes and move in record order.
class IndexFiles {
  public:
    virtual ~IndexFiles() = default;
    // Builds the index file `path` (".CDX" included) on `key` over every record of `table`,
    // replacing the file when it exists. Called for the first index while the table is open
    // exclusively; the second and third are built anew at every opening in the requested mode,
    // so the implementation must replace them safely while other terminals use them. With
    // kDeferred a file written beside the old one is left to the caller's sync_filesystem.
    [[nodiscard]] virtual Status build(Table& table, const std::string& path, std::string_view key,
                                       Durability durability) = 0;
    // Opens the existing index file and attaches it to the table (Table::add_index).
    [[nodiscard]] virtual Status attach(Table& table, const std::string& path,
                                        std::string_view key) = 0;
};

// The work areas of a terminal: area number → open table and alias, the selected area, and the
// global values the opening routines read. Passed explicitly; there is one per terminal session.
class WorkAreas {
  public:
    WorkAreas(Env& env, Operator& op, const Clock& clock) : env_(env), op_(op), clock_(clock) {}
    ~WorkAreas() { close_all(); }
    WorkAreas(const WorkAreas&) = delete;
    WorkAreas& operator=(const WorkAreas&) = delete;

    std::string ARQDEF;       // installation directory
    std::string LOCARQ;       // selected data folder
    std::string NUSU = "00";  // terminal number
    bool MOS_MENS = false;    // show progress notices while checking and indexing
    bool REFAZ_IND = false;   // rebuild every index of the tables opened while set
    std::string APELIDO;      // alias override for the next openings, normally empty
    int OPCIR_1 = 0;          // current menu option (table 75 changes its file for option 44)
    IndexFiles* index_files = nullptr;
    // Why the last opening (ABREARQ) failed, ok after one that worked: Code::kLocked when another
    // terminal holds the table, which the caller tells; any other failure was told already.
    Status last_open_failure;

    Env& env() { return env_; }
    Operator& op() { return op_; }
    const Clock& clock() const { return clock_; }

    void select(int area) { selected_ = area; }
    int selected() const { return selected_; }
    // The table open in an area, or null.
    Table* table(int area) const;
    // The table of the selected area; none open there is a programming error (std::logic_error).
    Table& current() const;
    // Alias of the table in an area ("" when none); area of an alias (0 when none).
    std::string alias(int area) const;
    int area_of(std::string_view alias) const;

    // Puts an open table in an area under an alias (upper case), closing what was there.
    void put(int area, std::unique_ptr<Table> table, std::string alias);
    // Closes the table of an area; a failure while closing (the header's last stamp) is told to
    // the operator. Closing an empty area does nothing.
    void close(int area);
    void close_all();

  private:
    struct Area {
        std::unique_ptr<Table> table;
        std::string alias;
    };
    Env& env_;
    Operator& op_;
    const Clock& clock_;
    std::map<int, Area> areas_;
    int selected_ = 1;
};

// A table or area number as two-digit text ("09"), as the creation routine takes it.
std::string two_digits(int n);

// Opens `file` in `area` with up to three indexes (key, index file): creates a missing table with
// the structure for `create_as` (default: the area's), builds missing indexes, attaches them
// with the first as the controlling order. file2/file3 empty with a key: the table's name + "B"
// / "C". Returns false after telling the operator what failed; a table in use in an
// incompatible mode returns false silently, the caller reports it.
bool ABREARQ(WorkAreas& w, int area, bool exclusive, std::string_view file,
             std::string_view key1 = {}, std::string_view key2 = {}, std::string_view file2 = {},
             std::string_view key3 = {}, std::string_view file3 = {}, int create_as = 0);

// Opens `file` (".DBF" appended when it has no extension) in the selected area. True at once
// when the area already holds a table under that alias.
bool NETUSE(WorkAreas& w, std::string_view file, bool exclusive);

// Locks the current record of the selected area, waiting up to `seconds` (Esc gives up).
bool REC_LOCK(WorkAreas& w, double seconds = 2);
// Locks the whole table of the selected area; 0 waits without limit and without a way out.
bool FIL_LOCK(WorkAreas& w, double seconds);
// Appends a record to the selected area's table and locks it; 0 waits without limit. With `rec`
// the record is written whole in one write, so a program killed meanwhile leaves no blank one;
// without it the record is blank, for the operator to fill.
bool ADD_REC(WorkAreas& w, double seconds, const Record* rec = nullptr);

// Moves `count` records in the current order of the selected area and returns how many steps
// were made; at the end it counts the step and stays at eof with `stay_at_end`, otherwise it
// steps back onto the last record.
long SKIPPED(WorkAreas& w, long count, bool stay_at_end);

// Deletes every empty "*.CDX" file of `dir` (index files a crash left empty), so the next
// opening rebuilds them.
[[nodiscard]] Status CDX(Env& env, const std::string& dir);

// The exact texts of the lock waits, for the screens and tests.
inline constexpr std::string_view kRecLockWait = "Aguardando registro ficar disponivel no arquivo ";
inline constexpr std::string_view kRecLockFail =
    "ATENÇÃO! Registro não ficou disponível. Dado nÃo será gravado.";
inline constexpr std::string_view kFilLockWait = "Aguardando arquivo ficar disponivel";
inline constexpr std::string_view kFilLockFail =
    "ATENÇÃO! Registro não ficou disponÍvel. Dado não será gravado.";
inline constexpr std::string_view kAddRecWait = "Aguardando registro ficar disponível";
inline constexpr std::string_view kAddRecFail =
    "ATENÇÃO! Registro não ficou disponível. Dado não será gravado.";

}  // namespace vorn::store
