// Taking outside files into the declarations of a data folder: the kinds of file the import
// offers, the gathering of candidate files of a source folder with the taxpayer each belongs to,
// and the import of one file into its taxpayer's declaration. A file is read and checked whole
// before anything is written; the taxpayer's changes are then written together through the
// declaration layer (marked open on the run's terminal, tables first, registry last), so a
// failure part-way leaves the declaration as it was or recoverable on that terminal. A
// declaration open on another terminal is left alone.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/env.h"

namespace vorn::store {
class Declaration;
}

namespace vorn::importing {

enum class ImportKind {
    kAssetsRealEstate,  // "20.1": Bens TXT, real estate only
    kAssetsAll,         // "20.2": Bens TXT, every asset
    kAssetsXml,         // "21": Bens XML
    kAuxTables,         // "22": last year's auxiliary tables (aux_tables.h), no taxpayer's
    kLeao,              // "23": CPF + "Leao.txt"
    kLcdpr,             // "24": digital rural cash book
    kStatements,        // "26": XML income statements
    kRuralBook,         // "11": rural cash-book export or backup (rural_book.h)
    // The government program's declaration files (".DEC", ".DBK", ".BAK"):
    kGovAll,         // "3": every record read, this year's or last year's file
    kGovReceipts,    // "5": the receipt numbers, and the ".REC" file beside it
    kGovPrefilled,   // "7": the pre-filled declaration ("IRPF-PP-20" + last year in its name)
    kGovIndividual,  // "8": income from individuals and Carnê-Leão (records 22 and 49)
    kGovIncome,      // "12": taxable, exempt and withheld income only
    kGovNewAssets,   // "13": asset items not in the declaration yet
    kGovPayments,    // "14": payments and donations only
};

// Whether the kind reads the government program's declaration files.
bool government_kind(ImportKind kind);

// The kind of a menu option number ("20.1", "21" ...); nullopt for any other.
std::optional<ImportKind> import_kind(std::string_view option);
// The option numbers the import offers, for a usage line ("3, 5, 7, 8, 11, 12 ...").
std::string import_kinds_text();

// Longest file name (path included) a candidate may have: the list's NOMEARQ field.
constexpr size_t kMaxFileName = 180;

// A file of the source folder and the taxpayer it belongs to.
struct Candidate {
    std::string path;  // full path
    std::string file;  // name in the folder
    std::string cpf;   // eleven digits
    std::string name;  // NOMECONTR from the registry (or the book's, for a new declarant)
    std::string origin;
    bool registered = false;  // the CPF has a declaration in the folder
    // A government file's header: a final estate or departure declaration is asked about before
    // it is imported.
    bool final_estate = false, departure = false;
};

// A file passed over while gathering, with the reason.
struct Passed {
    std::string file, reason;
};

// BUSCAARQ: the files of `source` that the kind reads (by its mask), each with its taxpayer: the
// CPF from the file name (characters 5 to 15 after "Bens"; 1 to 11 of a Leão book) or from the
// file (LCDPR, statements), found in the registry of `folder`. Files whose CPF is not registered
// (but the LCDPR's, which makes a new declaration), whose name is longer than kMaxFileName or
// that cannot be read are passed over with their reason. Sorted by name, then file.
// `others` are the office's other data folders: a CPF found in one of them is passed over with
// that folder named, for an import there.
// Government files: every ".DEC", ".DBK" and ".BAK" file (of the pre-filled kind, only those so
// named) whose header is of this exercise or the previous one, read whole, with the taxpayer of
// its record "16"; of several files of one CPF only the latest is kept (this year's before last
// year's, a file whose receipt another rectifies passed over, a rectifier before an original,
// then the last by name), the others passed over with the one kept named. Only the full and the
// pre-filled imports take a CPF new to the folder. `progress` is told each file checked (n of
// total).
[[nodiscard]] Status gather_candidates(store::Env& env, ImportKind kind, const std::string& source,
                                       const std::string& folder, std::vector<Candidate>* out,
                                       std::vector<Passed>* passed,
                                       const std::vector<std::string>& others = {},
                                       const std::function<void(size_t, size_t)>& progress = {});

// The CPFs registered in a data folder (its table 9); none when the folder has no registry.
[[nodiscard]] Status registered_cpfs(store::Env& env, const std::string& folder,
                                     std::set<std::string>* out);

// The data folders of a terminal's folder list ("DIRET" + terminal in the installation
// directory), in list order; empty when the list is missing. kLocked while the terminal is
// running (it holds its list alone).
[[nodiscard]] Status office_folders(store::Env& env, const std::string& install,
                                    const std::string& terminal, std::vector<std::string>* out);

struct ImportRequest {
    ImportKind kind = ImportKind::kAssetsAll;
    std::string folder;     // the data folder
    std::string install;    // the installation directory
    std::string terminal;   // the run's terminal number, marked in the registry meanwhile
    bool check = false;     // read and check, write nothing
    bool lcdpr_all = true;  // LCDPR "Sim - Importa todas informações" (else only the cash book)
    // Asked about a final estate or departure declaration ("Deseja importar uma retificação?"):
    // true imports it as a rectification; without it such a file is not imported.
    std::function<bool(const std::vector<std::string>&)> ask;
    const Clock* clock = nullptr;
    const payments::InterestTable* selic = nullptr;
};

struct ImportResult {
    enum class Outcome { kImported, kExisting, kRefused, kInUse, kChecked };
    Outcome outcome = Outcome::kRefused;
    std::string text;  // the reason of a refusal ("linha 7: ..."), the terminal, or a count
    std::vector<std::string> notes;  // cuts and notices, one per line
};

// A change of one loaded declaration: sets *changed when anything differs, adds what the
// operator should know to `notes` and what was taken to `done`.
using DeclarationChange = std::function<Status(store::Declaration& d, bool* changed,
                                               std::vector<std::string>* notes, std::string* done)>;

// Applies `change` to the declaration of `cpf` in rq.folder, loaded through the declaration
// layer on rq.terminal and saved whole when it changed (kImported), else freed as it was
// (kExisting). A CPF not registered is refused unless `new_name` gives the name of a new
// declaration. A declaration open on another terminal is left alone (kInUse, the terminal in
// `text`). With rq.check nothing is loaded: kChecked.
// `after_save`, when given, is told of the declaration once it is saved, to add its notes.
using AfterSave = std::function<void(const store::Declaration& d, std::vector<std::string>* notes)>;
ImportResult change_declaration(store::Env& env, const ImportRequest& rq, const std::string& cpf,
                                const std::optional<std::string>& new_name,
                                const DeclarationChange& change, Operator& op,
                                const AfterSave& after_save = {});

// Reads `c`'s file and, unless checking, writes it into its taxpayer's declaration.
ImportResult import_file(store::Env& env, const ImportRequest& rq, const Candidate& c,
                         Operator& op);

}  // namespace vorn::importing
