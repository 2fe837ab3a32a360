// The consistency check of a declaration (CONFERE): walks the declaration as it is stored, records
// each problem found (MARCAERRO) with the base text and severity of its code in the office's error
// catalogue, counts errors, dangers and attentions, and says whether the declaration is ready to
// be handed to the government program.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "base/status.h"
#include "store/env.h"
#include "store/record.h"
#include "tax/declaration.h"
#include "tax/folder.h"

namespace vorn::maintenance {

// One code of the error catalogue LisErro.
struct ErrorKind {
    std::string text;  // DESCRI, trimmed
    int grade = 1;     // GRAU: 1 error, 2 danger, 3 attention
    int page = 0;      // PAGINA: the entry page where such a problem is fixed
    int position = 2;  // POSICAO: 1 notes table, otherwise the working copy
};

class ErrorCatalogue {
  public:
    static ErrorCatalogue from_records(const std::vector<store::Record>& rows);
    // LISERRO.DBF of an installation directory (any case). kNotFound when it is missing: the
    // check cannot say how grave a finding is without it.
    [[nodiscard]] static Status read(store::Env& env, const std::string& install_dir,
                                     ErrorCatalogue* out);
    // Null for a code the catalogue lacks.
    const ErrorKind* find(int code) const;
    bool empty() const { return kinds_.empty(); }

  private:
    std::map<int, ErrorKind> kinds_;
};

// Every client's result of base year `year` ("2024") in the office's history (ULTANOS) of an
// installation directory, by CPF; empty when the installation has no history. kCorrupt when the
// table cannot be read.
[[nodiscard]] Status read_history(store::Env& env, const std::string& install_dir,
                                  std::string_view year,
                                  std::map<std::string, tax::PastResult>* out);

// One record of the error list (notes table 11 or its working copy).
struct Finding {
    int code = 99;     // CODERR
    std::string text;  // OBSERV: catalogue text + the text passed
    int grade = 0;     // the severity counted; 0 when recorded without counting
    int page = 0;      // PAGINA
    long record = 0;   // REGIS: the item's number, 0 beyond 999
    int screen = 0;    // OPCIR
    int column = 0;    // COLUN
};

struct CheckResult {
    std::vector<Finding> findings;
    int errors = 0, dangers = 0, attentions = 0;
    int kinds() const { return (errors > 0) + (dangers > 0) + (attentions > 0); }
};

// What the check reads besides the declaration.
struct CheckInput {
    const tax::Declaration* declaration = nullptr;
    const std::vector<store::Record>* gains = nullptr;  // table 7; may be null
    std::optional<tax::PastResult> last_year;           // the office's history of 2024, if any
};

class Checker {
  public:
    Checker(const ErrorCatalogue& catalogue, Operator& op, const Clock& clock)
        : catalogue_(catalogue), op_(op), clock_(clock) {}

    // Runs every phase over one declaration. The status line of the operator shows the phase
    // under way and at the end the counts; `where` 2 also tells the verdict in a notice, where 1
    // and 3 leave the verdict to the caller (result_texts).
    CheckResult CONFERE(const CheckInput& in, int where);

    // Appends one finding: the catalogue text of `code` + `text`; a counting flag of 0 records
    // without counting, otherwise the catalogue's severity is counted (an unknown code counts as
    // an error, so that a finding is never taken lightly).
    void MARCAERRO(int code = 99, std::string_view text = "", int counting = 1, int page = 0,
                   long record = 0, int screen = 0, int column = 0);

    // The findings and counters so far (those of MARCAERRO calls outside a run, too).
    const CheckResult& result() const { return result_; }

  private:
    void status(std::string_view phase);
    void donations(const tax::Declaration& d);
    void computation(const tax::Declaration& d);
    void monthly(const tax::Declaration& d);
    void estate(const tax::Declaration& d);
    void income_rows(const tax::Declaration& d);
    void individual_rows(const tax::Declaration& d);
    void dependants(const tax::Declaration& d);
    void assets_and_debts(const tax::Declaration& d);
    void CONFER_BEM(const tax::Declaration& d);
    void personal(const tax::Declaration& d);
    void payments(const tax::Declaration& d);
    void totals(const tax::Declaration& d, const std::optional<tax::PastResult>& last_year);
    void gains(const tax::Declaration& d, const std::vector<store::Record>* gains);
    void registration(const tax::Declaration& d);
    void negative_amounts(const tax::Declaration& d);

    const ErrorCatalogue& catalogue_;
    Operator& op_;
    const Clock& clock_;
    CheckResult result_;
};

// The status line while the check runs and at its end.
std::string status_line(std::string_view phase, const CheckResult& r);
std::string final_status_line(const CheckResult& r);
// The verdict: "Declaração OK e pronta para transferir" when nothing was counted; otherwise, for
// where 2, the two lines that say what kind of problem was found; empty for where 1 and 3 with
// findings.
std::vector<std::string> result_texts(const CheckResult& r, int where);

}  // namespace vorn::maintenance

namespace vorn::maintenance {

// The check's findings as records of the notes table (table 11 layout) for `cpf`.
std::vector<store::Record> finding_records(std::string_view cpf,
                                           const std::vector<Finding>& findings);

// Stores one declaration's findings in its data folder's notes table as the consistency check of
// the main menu does: the earlier check results of the CPF (CODERR not 0) give way to these, its
// plain notes stay, the CPF's own record slots are reused and the surplus is marked deleted (the
// table is shared by the whole folder and is never packed here). The table is held by its table
// lock meanwhile, waited for up to `wait_seconds`; its index files are kept in step. A folder
// without the table gets one.
[[nodiscard]] Status record_findings(store::Env& env, const std::string& folder,
                                     const std::string& cpf, const std::vector<Finding>& findings,
                                     const Clock* clock, double wait_seconds);

}  // namespace vorn::maintenance
