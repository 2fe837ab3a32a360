// Handing declarations over to the government declaration program: the document placed in that
// program's declaration folder under the taxpayer's CPF, its hash file written beside it by the
// program's own auxiliary program (IHash.jar, run with java), and the program's list of
// declarations rebuilt from its folders.
//
// A failed hand-over leaves that program's folder as it was: the earlier document and hash file
// are copied to the office's backup folder and set aside before anything is written, the new
// document reaches its name by a rename, and on failure the new files go and the old pair is put
// back under its names. Success is the auxiliary program's exit status 0 and a hash file written
// by this run: a hash file left by an earlier hand-over never counts.
#pragma once

#include <string>
#include <vector>

#include "base/operator.h"
#include "base/process.h"
#include "base/status.h"
#include "output/document.h"
#include "store/env.h"
#include "store/record.h"
#include "tax/declaration.h"

namespace vorn::output {

// How the auxiliary program is run: `java` -jar `jar` TARGET, without a shell, for at most
// `seconds` (then killed).
struct HashProgram {
    std::string java = "java";
    std::string jar;  // full path of IHash.jar
    double seconds = 120;
};

// The jar's default place: "IHash.jar" in the installation directory, else in the government
// program's folder above "aplicacao" (any case) of `irpf_folder`; the first of the two when
// neither has it (so the failure names where it was looked for).
std::string default_hash_jar(store::Env& env, const std::string& install_dir,
                             const std::string& irpf_folder);

// Runs the auxiliary program on `target` and checks that it wrote `conf`, which must not exist
// before (kInvalid otherwise). A run that exits 0 without writing it is tried once more. Fails
// with one line naming the cause: the jar missing, java not started, an exit status other than 0,
// the time limit, or no hash file.
[[nodiscard]] Status run_hash(store::Env& env, Processes& processes, const HashProgram& hash,
                              const std::string& target, const std::string& conf);

// The file error texts of the hand-over for a system error number (`VEJAERRO`): a missing file
// (2), a missing path (3), too many open files (4), access denied (5), else "Erro nro: " and the
// number in three digits.
std::string VEJAERRO(int error_number, const std::string& name);

// Where and how the hand-over works.
struct HandoverSetup {
    std::string irpf_folder;    // the government program's declaration folder (LOCIRPF)
    std::string backup_folder;  // the office's copies of what a hand-over replaces
    HashProgram hash;
    bool automatic = false;  // on closing a declaration: the report goes to the status line only
};

// What a hand-over did.
struct HandoverOutcome {
    enum class Result { kDone, kStopped, kFailed };
    Result result = Result::kFailed;
    std::string reason;               // one line: why it stopped or failed
    std::vector<DocumentNote> notes;  // the document's warnings, drops and cuts
    int gains = 0;                    // capital gains written
    bool done() const { return result == Result::kDone; }
};

// The files of one declaration in the government folder.
struct HandoverFiles {
    std::string folder, xml, conf, bkp;
};
// kInvalid when the CPF is not 11 digits (it names a folder: nothing else may reach the path).
[[nodiscard]] Status handover_files(const std::string& irpf_folder, const std::string& cpf,
                                    HandoverFiles* out);

// A hand-over cut off half-way (the program killed, the machine stopped) may leave the earlier
// pair set aside and temporary files beside it: puts the earlier pair back when the run did not
// finish and removes the leftovers. Run before every hand-over of that CPF.
[[nodiscard]] Status recover_interrupted(store::Env& env, const HandoverFiles& f);

// Places a document in the government folder and has its hash file written (`DISQUETE`):
// earlier files copied to the backup folder (the last five hand-overs of each CPF kept), the
// earlier pair set aside, the document written beside its name and renamed, the auxiliary
// program run; on success the ".BKP" file and the pair set aside go, on failure the new files go
// and the earlier pair comes back (with the folder removed when this run created it).
[[nodiscard]] Status DISQUETE(store::Env& env, Processes& processes, const HandoverSetup& setup,
                              const std::string& cpf, const std::string& document);

// The whole hand-over of one computed declaration (`PREPARA` steps 1 to 6), talking to the
// operator: no government folder, a negative cash balance or an earlier delivery (questions
// answered "N" stop it), the document built (a refused one fails with the writer's reason), then
// DISQUETE and the report. Nothing stored is changed here: the caller writes the delivery date
// and the status into the registry only when the outcome is kDone.
HandoverOutcome PREPARA(Operator& op, store::Env& env, Processes& processes,
                        const HandoverSetup& setup, const tax::Declaration& d,
                        const std::vector<store::Record>& gains,
                        const std::vector<store::Record>& costs, const DocumentContext& ctx,
                        const rural::RuralTables* rural = nullptr);

// What rebuilding the government program's list of declarations found.
struct ListOutcome {
    int folders = 0;                      // declaration folders seen
    int recovered = 0;                    // items written
    int preparing = 0;                    // of which not yet transmitted
    int transmitted = 0;                  // of which transmitted
    int defective = 0;                    // documents that could not be read
    int without_conf = 0;                 // folders without a hash file (left as they are)
    std::vector<std::string> left_alone;  // those folders' names, and the defective documents
    std::string list;                     // the list written
};

// The identification record of a declaration document as an item of the list ("<item" and the
// attributes of its `copiaIdentificador`, "/>"); kCorrupt when the document cannot be read or has
// none.
[[nodiscard]] Status list_item(std::string_view document, std::string* item);

// Rebuilds "iddeclaracoes.xml" in the government folder from its declaration folders
// (`RECUP_INDICE`); `ask` confirms first and reports the counts, otherwise it runs silently. The
// earlier list and its hash file are kept aside and put back when the new list cannot be written
// or hashed. Folders without a hash file are counted and listed, never removed. `xmlns` is the
// declaration namespace; `year` the two digits of the program's year.
[[nodiscard]] Status RECUP_INDICE(Operator& op, store::Env& env, Processes& processes,
                                  const HandoverSetup& setup, const std::string& xmlns,
                                  const std::string& year, bool ask, ListOutcome* out);

}  // namespace vorn::output
