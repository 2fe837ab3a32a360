// The statuses an office gives its declarations (the STATUS table, 66): their names by code, and
// the names of the codes the program gives by itself even when the office has not registered them.
#pragma once

#include <map>
#include <string>

#include "store/workareas.h"

namespace vorn::store {

// Code → name of every status in the STATUS table of the installation (empty when the table cannot
// be opened; the opening tells the operator). The table is closed again.
std::map<long, std::string> read_status_names(WorkAreas& w);

// A status's name: the table's, or for the program's own codes (1 imported, 2 a new declaration)
// their names; "" for 0 and "Sem nome" for any other code the office has not registered.
std::string status_name(const std::map<long, std::string>& names, long code);

// Whether a code may be given to a declaration: registered in the table, or one of the program's
// own codes (1, 2).
bool known_status(const std::map<long, std::string>& names, long code);

}  // namespace vorn::store
