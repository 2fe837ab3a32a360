// Handing over declarations of a data folder: each one read from the folder's tables read-only
// (never through a working set), computed as `calc` computes it, handed over, and only after a
// successful hand-over its registry record given the delivery date and, when the office
// configured one, the status of transferred declarations.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"
#include "output/handover.h"
#include "payments/interest.h"

namespace vorn::output {

// What the document of any declaration needs besides the declaration: the declaration
// namespace (read_declaration_namespace over `irpf_folder` and `xmlns_setting`), the country
// names (TABPAIS) and municipality codes (TABMUNI) of the installation `install`.
[[nodiscard]] Status read_document_context(store::Env& env, const std::string& install,
                                           const std::string& irpf_folder,
                                           const std::string& xmlns_setting, DocumentContext* out);
// The country names and municipality codes of the installation's reference tables, which the
// document's addresses take.
[[nodiscard]] Status read_place_names(store::Env& env, const std::string& install,
                                      DocumentContext* out);

// The hand-over's settings: the government folder, the office copies in "COPIAS-IRPF" of the data
// folder, java as VORN_JAVA names it (else "java"), the jar VORN_IHASH_JAR (else
// default_hash_jar) and the time limit VORN_IHASH_SECONDS (else 120). `variable` reads the
// environment.
HandoverSetup handover_setup(
    store::Env& env, const std::function<std::optional<std::string>(std::string_view)>& variable,
    const std::string& install, const std::string& irpf_folder, const std::string& data_folder);

struct FolderHandover {
    store::Env& env;
    Processes& processes;
    HandoverSetup setup;
    DocumentContext ctx;
    std::string folder;  // the data folder
    const Clock& clock;
    const payments::InterestTable& selic;
    long transferred_status = 0;  // ESTATUS after a hand-over (OPC_TRAN when ENV_STAT is 1); 0 none
    double wait_seconds = 5;      // for the registry record's lock
};

// Hands over the declaration of `cpf` (PREPARA). A CPF that is not 11 digits, a declaration the
// folder does not hold or cannot read, and a registry that cannot be updated afterwards are
// failures with their reason.
HandoverOutcome hand_over(Operator& op, const FolderHandover& h, const std::string& cpf);

// Writes DENTREGA = `today` and, when `status` is not 0, ESTATUS = `status` into the registry
// record `recno` of `cpf` in the data folder, under the record's lock, the folder's registry
// indexes kept in step.
[[nodiscard]] Status record_handover(store::Env& env, const std::string& folder,
                                     const std::string& cpf, uint32_t recno, Date today,
                                     long status, double wait_seconds);

}  // namespace vorn::output
