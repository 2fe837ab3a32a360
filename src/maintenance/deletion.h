// Deleting declarations from a data folder, whole or only their rural activity, and recovering
// whole deletions. A deletion only marks records deleted; nothing is lost until a table is packed.
//
// Every deletion is written into the folder's deletion log "EXCLUI" + year + ".LOG" before the
// first record is marked: which record of which table it marks, with a fingerprint of the
// record's contents. Recovery recalls exactly the records of each CPF's latest deletion that are
// still deleted and unchanged, never the items removed while the declaration was being edited
// (saves delete surplus records too), nor an older deleted generation of the same CPF. A CPF that
// exists again in the folder is not recovered.
//
// Both hold every table they change exclusively for the whole operation: when another terminal
// has one, nothing is changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/status.h"
#include "store/workareas.h"

namespace vorn::maintenance {

enum class DeletionKind {
    kWhole,  // every record of the CPF in tables 1 to 21, the registry last
    kRural,  // the rural activity: tables 15 to 19 and 21; the registry keeps the client
};

// The tables a deletion of that kind marks records in, the registry (9) not included.
std::vector<int> deletion_tables(DeletionKind kind);

// The log's file name in a data folder ("EXCLUI26.LOG").
std::string deletion_log_name();

// A declaration that a recovery can bring back.
struct Recoverable {
    std::string cpf;
    std::string name;  // NOMECONTR of the deleted registry record
    DateTime when;     // when it was deleted
    std::string terminal;
};

struct DeletionResult {
    std::vector<std::string> done;  // CPFs deleted (or whose rural activity was)
    std::string busy;               // the table another terminal holds, when nothing was done
};

// Marks deleted every record of each CPF in the tables of `kind` of the selected data folder
// (w.LOCARQ), holding them exclusively in their work areas; a rural deletion then sets the
// registry's TEMRURAL "N" and ATV_BRASIL blank. Code::kLocked (with result->busy) when a table
// cannot be had alone: nothing was changed. The tables are closed afterwards, the registry
// reopened shared in its area.
[[nodiscard]] Status delete_declarations(store::WorkAreas& w, const std::vector<std::string>& cpfs,
                                         DeletionKind kind, DeletionResult* result);

// The whole deletions of the selected folder that can be recovered, in CPF order: each CPF's
// latest one, when its registry record is still there, deleted and unchanged, and the CPF has
// no live registry record.
[[nodiscard]] Status recoverable_declarations(store::WorkAreas& w, std::vector<Recoverable>* out);

struct RecoveryResult {
    std::vector<std::string> recovered;
    std::vector<std::string> exists_again;  // skipped: a live declaration has the CPF
    std::string busy;
};

// Recalls the records of the latest deletion of each CPF (all recoverable ones when `cpfs` is
// empty), the registry record last. Code::kLocked with result->busy as for a deletion.
[[nodiscard]] Status recover_declarations(store::WorkAreas& w, const std::vector<std::string>& cpfs,
                                          RecoveryResult* result);

}  // namespace vorn::maintenance
