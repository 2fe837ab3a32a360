// Tables by number: creation from the catalogue (CRIA), opening in their work areas (ABERTURA,
// with the start-up check ABERTURA(0)), closing groups of areas (FECHA_TODO, FECHA_PROV) and the
// structure upgrade of an older table to this edition's layout (CORRIGE).
#pragma once

#include <string>
#include <string_view>

#include "store/workareas.h"

namespace vorn::store {

// Creates the table file `file` (".DBF" added when it has no extension) with the structure of
// table `number` ("01".."94"; "22".."41" are copies of tables 2..21) and its initial rows. False
// when the number denotes no table the program creates. An existing file is left alone.
bool CRIA(WorkAreas& w, std::string_view number, const std::string& file);

// Opens table n in work area n with its indexes, from the data folder (tables 1 to 21) or the
// installation directory, in the catalogue's mode (`exclusive` counts where the catalogue leaves
// the mode to the caller). A number that denotes no table opens nothing and returns true.
// n = 0 is the start-up check (see the catalogue); n = 50 gives an empty folder list its first
// entry, the installation directory.
bool ABERTURA(WorkAreas& w, int n, bool exclusive = false);

// Gives the terminal's empty folder list (area 50, open) its first entry: the installation
// directory, selected. Used by ABERTURA(50) and on the way out of the program.
bool first_folder_entry(WorkAreas& w);

// Closes work areas 1 to 41 except 9.
void FECHA_TODO(WorkAreas& w);
// Closes work areas 21 to 41.
void FECHA_PROV(WorkAreas& w);

// Whether table n's file (when it exists) still lacks this edition's newest field (tables 1, 2
// and 9 of the selected data folder; 42 for CONFIG).
bool needs_upgrade(WorkAreas& w, int n);
// Start-up check of tables 1, 2 and 9: tells the operator ("ATUALIZAÇÃO OBRIGATÓRIA") when the
// data folder must be upgraded and returns false; true when it is current.
bool check_structure(WorkAreas& w);
// Upgrades table n to the catalogue's layout: its records are copied by field name into the work
// file "ACERTO.DBF" beside it, which then replaces the table by a rename (the old table stays
// whole until that moment). The table's index files are removed so the next opening rebuilds
// them. False, after telling the operator, when the table cannot be had exclusively or a value
// does not fit the new layout.
bool CORRIGE(WorkAreas& w, int n);

}  // namespace vorn::store
