// The table catalogue: every table's number, file name, folder, open mode, fields and indexes, and
// the rows a table receives when it is created. Creation, opening, the structure upgrade and the
// working copies of an open declaration all read it; nothing else spells out a table's layout.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/record.h"

namespace vorn::store {

// The two-digit exercise years that appear in file names.
inline constexpr std::string_view CANOATUAL = "26";
inline constexpr std::string_view CANOANTER = "25";

enum class Folder {
    kData,     // a data folder (LOCARQ): the per-declaration tables 1 to 21
    kInstall,  // the installation directory (ARQDEF): office, terminal and reference tables
};

enum class OpenMode {
    kShared,       // always opened shared
    kExclusive,    // always opened exclusively
    kAsRequested,  // the caller of ABERTURA chooses (shared by default)
};

struct IndexDef {
    std::string key;  // key expression, as the catalogue spells it
    std::string
        file;  // index file base name without extension ("IMP0926", "IMP0926B", "COD_CONTA")
};

struct TableDef {
    int number = 0;
    std::string name;  // base name rule: "IMP09", "CONFIG", "DIRET", "LisErro"
    Folder folder = Folder::kInstall;
    OpenMode mode = OpenMode::kShared;
    bool per_year = false;      // name + CANOATUAL ("IMP0926")
    bool per_terminal = false;  // name + NUSU ("DIRET00")
    bool reference = false;     // shipped with the installation, never created by the program
    bool has_memo = false;      // a ".DBT" memo file goes with the table (HELPTXT)
    std::shared_ptr<const Layout> layout;  // fields in order; null for a reference table whose
                                           // layout has not been registered
    std::vector<IndexDef> indexes;         // first = controlling order; empty = no index
    // Alternative base name for table 75 while the current menu option OPCIR_1 is 44.
    std::string name_for_option44;

    // File base name without directory and extension: "IMP0926", "DIRET07", "CONFIG".
    std::string file_base(std::string_view nusu) const;
    // Index file base names resolved for a terminal ("IMP0926", "IMP0926B"; "DIRET07").
    std::vector<IndexDef> index_files(std::string_view nusu) const;
};

// The table with this number, or nullptr when the number denotes no table (work areas 22 to 41
// are not tables: see structure_for_area).
const TableDef* table_def(int number);
// Every table of the catalogue, in number order.
const std::vector<TableDef>& all_tables();

// The structure of what work area `area` holds: table n in area n; areas 22 to 41 hold copies of
// tables 2 to 21 (area 21 is table 21 itself when opened by number). nullptr for an unknown area.
const TableDef* structure_for_area(int area);

// The rows written into a table when it is created empty: DEFINE (43), ALTCOIN (91) and
// STBCOIN (92); no rows for every other table.
std::vector<Record> initial_rows(int number);

// Registers (or replaces) the layout of a reference table; used where the installation's
// reference tables are described.
void register_reference_layout(int number, std::vector<FieldDef> fields);

// Parses a compact field list, "CPF C11, I1_4 N15.2, DT_LC D, NEW1 L", into definitions.
// A malformed list is a programming error (throws std::invalid_argument).
std::vector<FieldDef> parse_fields(std::string_view spec);

}  // namespace vorn::store
