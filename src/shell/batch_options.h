// The command line the batch commands over a data folder share:
//   --folder DIR (--cpf CPF | --all) [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/date.h"
#include "base/operator.h"
#include "base/status.h"
#include "payments/interest.h"
#include "store/env.h"
#include "tax/recompute.h"

namespace vorn {

struct BatchOptions {
    std::string folder;
    std::string cpf;      // eleven digits; empty with --all
    std::string install;  // the installation directory: --install, DIR2026 or the current one
    bool all = false;
    std::optional<DateTime> now;
};

// Reads argv[1..argc); the problem to tell (the usage line for a missing or contradictory
// argument) when it cannot.
std::optional<std::string> parse_batch_options(int argc, char** argv, BatchOptions* o);

// The usage line of a batch command over a data folder.
std::string batch_usage(const std::string& verb);

// The office's protected status (DEFINE.STATRAVA of the installation); 0 when the installation
// has no office record. A record that exists but cannot be read is an error: guessing would write
// declarations the office protected.
[[nodiscard]] Status read_protected_status(store::Env& env, const std::string& install,
                                           long* status);

// A batch command that writes declarations (recalc, post): reads its arguments, completes the
// request with `prepare` (an error message stops it) and runs it over the folder, printing for
// each declaration its CPF, balance and option, then `done(r)` for one it took, "em uso no
// terminal NN" or "protegida" for one it left alone. Returns 0; 4 when any declaration was left
// alone; 1 after a message on standard error.
using PrepareRequest =
    std::function<std::optional<std::string>(const BatchOptions&, tax::RecomputeRequest&)>;
int run_writing_command(const std::string& verb, int argc, char** argv,
                        const PrepareRequest& prepare,
                        const std::function<std::string(const tax::Recomputed&)>& done);

// Tells a computation's notices on standard error ("vorn2026 VERB: CPF NNN: text", lines
// joined by " / ", without the CPF part while `cpf` is empty) and answers every question with
// its default, or with `answer` when set (told after the question as " S" or " N"): a batch run
// never waits for anyone.
class BatchOperator final : public Operator {
  public:
    explicit BatchOperator(std::string verb) : verb_(std::move(verb)) {}
    std::string cpf;
    std::optional<bool> answer;
    void notice(NoticeKind, std::string_view, std::string_view text) override;
    bool yes_no(std::string_view, std::string_view text, bool default_yes) override;
    int choose(std::string_view, std::string_view text, const std::vector<std::string>&,
               int default_button) override;
    void status(std::string_view) override {}
    void progress(std::string_view) override {}
    void progress_done() override {}
    bool esc_pressed() override { return false; }
    void pause(double) override {}

  private:
    void tell(std::string_view text);
    std::string verb_;
};

// What a batch command computes with: the clock (standing at --now, else the system's) and the
// installation's SELIC rates (an unreadable table is told on standard error under the command's
// name, and the computation goes on without them).
class BatchContext {
  public:
    BatchContext(const BatchOptions& o, const std::string& verb);
    BatchContext(const BatchContext&) = delete;
    BatchContext& operator=(const BatchContext&) = delete;
    const Clock& clock() const;
    const payments::InterestTable& selic() const { return selic_; }

  private:
    SystemClock system_;
    std::optional<ManualClock> fixed_;
    payments::InterestTable selic_;
};

}  // namespace vorn
