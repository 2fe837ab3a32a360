// Backing up a data folder and restoring it: the compressed archive made by the outside archiver
// ("IR_ZIP26.zip" of the declaration tables, "RF_ZIP26.zip" of the government program's files)
// and the direct copy of the tables.
//
// A backup copies each table under its table lock into a staging folder (so that no table is
// archived half-written while another terminal saves), archives the copies under a new name
// beside the old archive, has the archiver test it, and only then renames it over the old one: a
// failed backup leaves the previous archive as it was and says so.
//
// A restore holds every table of the folder exclusively (another terminal using one refuses the
// restore, naming it), extracts or copies the tables beside the folder, checks that each one
// opens, and swaps them in under a journal: the tables replaced go to a dated safety folder, each
// table keeps one file whatever the case of its name, and its index files are removed so that the
// next opening rebuilds them. A restore cut short by a crash is finished from the journal the
// next time the folder is restored into or the program starts on it: the folder ends with all
// the old tables or all the new ones.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/process.h"
#include "base/status.h"
#include "store/env.h"

namespace vorn::maintenance {

// The outside archiver, started with an argument vector: "a ARCHIVE FILE…", "t ARCHIVE",
// "x ARCHIVE -oDEST -aoa".
struct Archiver {
    Processes& processes;
    std::string program = "7z";
};

// "IR_ZIP26.zip" (the declaration tables) or "RF_ZIP26.zip" (the government program's files).
std::string archive_name(bool government);

// The declaration tables of a folder by number (1 to 21), each with every file that names it
// whatever the case ("IMP0126.DBF", "imp0126.dbf"), in name order.
std::map<int, std::vector<std::string>> table_files(store::Env& env, const std::string& folder);

struct BackupResult {
    std::string archive;  // the path of the archive written
    int files = 0;        // files archived
};

// Compressed backup of the declaration tables of `folder` into `to`/IR_ZIP26.zip. kNotFound when
// the folder has no registry; kLocked naming a table another terminal kept locked for too long;
// the archiver's failure otherwise. The previous archive stays whole on any failure.
[[nodiscard]] Status backup_folder(store::Env& env, const Archiver& archiver,
                                   const std::string& folder, const std::string& to,
                                   BackupResult* result);

// The office's off-site copy: `command` (a program, run with the archive's path as its one
// argument, never through a shell) receives each new archive. Its failure names the program and
// the archive; the archive itself stays as it was written.
[[nodiscard]] Status send_off_site(Processes& processes, const std::string& command,
                                   const std::string& archive);

// Compressed backup of every file of the government program's folder into `to`/RF_ZIP26.zip.
[[nodiscard]] Status backup_government(store::Env& env, const Archiver& archiver,
                                       const std::string& folder, const std::string& to,
                                       BackupResult* result);

struct RestoreOptions {
    DateTime now;                     // names the safety folder
    bool copy_archive_first = false;  // PROGCOMP "N": extract from a copy made in the folder
    int stop_after_moves = -1;  // tests: leave the swap after this many file moves, as a crash
};

struct RestoreResult {
    std::vector<int> tables;  // the tables restored
    std::string safety;       // the folder that keeps the tables replaced ("" when none were)
    std::string busy;         // the table another terminal holds, when refused
};

// Restores the declaration tables of `from`/IR_ZIP26.zip into `folder`. kNotFound when there is
// no archive; kLocked (result->busy) when another terminal holds a table; kCorrupt when the
// archive holds no table or one that does not open; the archiver's failure otherwise. Nothing in
// the folder changes unless every table is ready.
[[nodiscard]] Status restore_folder(store::Env& env, const Archiver& archiver,
                                    const std::string& from, const std::string& folder,
                                    const RestoreOptions& options, RestoreResult* result);

// Restores the declaration tables copied directly into `from` (files "imp??26.dbf", any case)
// into `folder`, as restore_folder does.
[[nodiscard]] Status restore_copy(store::Env& env, const std::string& from,
                                  const std::string& folder, const RestoreOptions& options,
                                  RestoreResult* result);

struct CopyResult {
    std::vector<int> tables;
    uint64_t bytes = 0;
};

// The room on the destination of a direct copy: `available` measures the free bytes where the
// copy goes; `short_of` is asked, with what the next table needs and what there is, when it does
// not fit, and answers true once the medium is changed (measured again) or false to stop.
struct CopySpace {
    std::function<uint64_t(const std::string& to)> available;
    std::function<bool(uint64_t needed, uint64_t free)> short_of;
};
// The free bytes of the file system holding `path` (0 when it cannot be measured).
uint64_t free_bytes(const std::string& path);

// Direct copy of the declaration tables of `folder` into `to`, each under its table lock, each
// written beside its destination and renamed into place; the destination's index files of the
// tables copied are removed. With `space`, a table that does not fit the free room is not begun:
// the operator changes the medium or stops (kCancelled, "Cópia encerrada sem terminar.", the
// tables copied before staying whole).
[[nodiscard]] Status copy_folder(store::Env& env, const std::string& folder, const std::string& to,
                                 CopyResult* result, const CopySpace* space = nullptr);

// The government program's files copied directly (".DEC" declarations, ".REC" receipts,
// ".DBK" and ".BAK" copies, any case), each written beside its destination and renamed.
struct GovernmentCopy {
    int declarations = 0, receipts = 0, copies = 0;
    int files() const { return declarations + receipts + copies; }
};
[[nodiscard]] Status copy_government(store::Env& env, const std::string& from,
                                     const std::string& to, GovernmentCopy* result);

// Restores the government program's files of `from`/RF_ZIP26.zip into `folder`: extracted beside
// it, then each moved into place; a file it replaces goes to the dated safety folder.
[[nodiscard]] Status restore_government(store::Env& env, const Archiver& archiver,
                                        const std::string& from, const std::string& folder,
                                        const RestoreOptions& options, RestoreResult* result);

// Finishes a restore of `folder` that a crash cut short (its journal is there); *finished tells
// whether there was one.
[[nodiscard]] Status finish_restore(store::Env& env, const std::string& folder, bool* finished);

}  // namespace vorn::maintenance
