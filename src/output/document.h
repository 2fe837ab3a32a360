// The declaration document handed to the government declaration program: one XML document per
// declaration, in the form that program keeps its own declarations. The writer takes a
// declaration read and computed as `calc` does and gives the document text together with the
// list of what it had to warn about or could not write as stored (drops and cuts), so a caller
// can show or log each one. The text is UTF-8; every value is escaped for XML.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/status.h"
#include "rural/book_folder.h"
#include "store/env.h"
#include "store/record.h"
#include "tax/declaration.h"

namespace vorn::output {

// What the document needs beyond the declaration itself.
struct DocumentContext {
    // The namespace of the government program's declarations (the `xmlns` of `classe`); see
    // read_declaration_namespace. Must not be empty.
    std::string xmlns;
    // The moment written as saving, creation and last-access time (dd/mm/yyyy hh:mm:ss).
    DateTime now;
    // Country names by code (TABPAIS: CODPAIS → NOMPAIS).
    std::map<std::string, std::string> countries;
    // Municipality codes by upper-cased name without accents + "|" + state ("CURITIBA|PR").
    std::map<std::string, std::string> municipalities;
};

// One thing the writer reports: a warning the operator must read, or a value it dropped or cut.
struct DocumentNote {
    enum class Kind { kWarning, kDropped, kCut };
    Kind kind = Kind::kWarning;
    std::string text;
};

// How a batch line names a note's kind: "aviso", "omitido" or "cortado".
const char* note_kind_name(DocumentNote::Kind k);

struct Document {
    std::string text;  // the whole document, header line with CR LF, then one line
    std::vector<DocumentNote> notes;
    int gains = 0;  // capital gains written
};

// Builds the document of one declaration that has been computed (tax::compute_declaration)
// with its capital-gain and variable-income records (table 7), the gains' cost rows (table 8)
// and, for a declaration with rural activity (`TEMRURAL` "S"), its rural tables as read for it.
// The gains are computed again on copies for their figures: nothing passed in is changed.
// kInvalid for rural activity without its tables, when ctx.xmlns is empty, and when a capital
// gain cannot be written as stored (its message holds the texts the operator reads, one a line);
// then nothing is written. The messages do not name the CPF: the caller does.
[[nodiscard]] Status build_document(const tax::Declaration& d,
                                    const std::vector<store::Record>& gains,
                                    const std::vector<store::Record>& costs,
                                    const DocumentContext& ctx, Document* out,
                                    const rural::RuralTables* rural = nullptr);

// The variable-income and capital-gains parts of the document alone, inside one element
// "ganhosCapital" (for the gains batch command): the same text the whole document holds.
[[nodiscard]] Status build_gains_parts(const tax::Declaration& d,
                                       const std::vector<store::Record>& gains,
                                       const std::vector<store::Record>& costs,
                                       const DocumentContext& ctx, Document* out);

// Writes the document to `path` through a temporary file beside it renamed over it, so the path
// holds either the old file or the whole new one. kSynced makes file and name durable before
// returning; kDeferred leaves that to one Env::sync_filesystem of the caller's after many
// documents.
[[nodiscard]] Status write_document(store::Env& env, const std::string& path, const Document& doc,
                                    store::Durability durability = store::Durability::kSynced);

// The government program's declaration namespace: from "iddeclaracoes.xml" in its declaration
// folder `irpf_folder`, else from any declaration document in a CPF folder below it, else
// `setting` (the office's configured value, VORN_IRPF_XMLNS in batch runs). kNotFound when none
// gives one: the namespace is never guessed.
[[nodiscard]] Status read_declaration_namespace(store::Env& env, const std::string& irpf_folder,
                                                const std::string& setting, std::string* out);

}  // namespace vorn::output
