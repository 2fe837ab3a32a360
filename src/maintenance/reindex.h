// Rebuilding every index of the office's data (REINDEXA): each data folder of the list has its 21
// declaration tables held alone, their index files removed and each opened again, which drops its
// deleted records and builds its indexes (REORG); the office tables are purged the same way.
//
// Only one terminal may do this: another terminal at work has its tables open, its unsaved work in
// its own temporary files, and indexes it relies on. Each running terminal holds its folder list
// ("DIRET" + its number) alone, so the terminals at work are found and named, and the rebuild is
// refused while any is.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "store/workareas.h"

namespace vorn::maintenance {

// The terminals other than `nusu` whose folder list is held: those running on this installation.
std::vector<std::string> running_terminals(store::Env& env, const std::string& install_dir,
                                           const std::string& nusu);

struct ReindexResult {
    std::vector<std::string> folders;         // rebuilt
    std::vector<std::string> missing_office;  // office tables of the purge list not found
    std::vector<std::string> terminals;       // the terminals at work, when refused
    std::string busy;                         // a table another terminal holds, when refused
    bool kept_work = false;  // this terminal's temporary files kept: they hold unfinished work
};

// REORG of one data folder: kLocked (busy named) when another terminal holds one of its tables,
// before any index is touched.
[[nodiscard]] Status rebuild_folder(store::WorkAreas& w, const std::string& folder,
                                    std::string* busy);

// REINDEXA over `folders` (those that exist): refused (kLocked, result->terminals) while another
// terminal runs. This terminal's temporary files in `work_folder` are removed unless they hold
// unfinished work. The caller closes its work areas first and opens what it needs afterwards.
[[nodiscard]] Status reindex_all(store::WorkAreas& w, const std::vector<std::string>& folders,
                                 const std::string& work_folder, ReindexResult* result);

}  // namespace vorn::maintenance
