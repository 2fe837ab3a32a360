// The command line the batch commands over a data folder share:
//   --folder DIR (--cpf CPF | --all) [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
#pragma once

#include <optional>
#include <string>

#include "base/date.h"
#include "tax/interest.h"

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

// What a batch command computes with: the clock (standing at --now, else the system's) and the
// installation's SELIC rates (an unreadable table is told on standard error under the command's
// name, and the computation goes on without them).
class BatchContext {
  public:
    BatchContext(const BatchOptions& o, const std::string& verb);
    BatchContext(const BatchContext&) = delete;
    BatchContext& operator=(const BatchContext&) = delete;
    const Clock& clock() const;
    const tax::InterestTable& selic() const { return selic_; }

  private:
    SystemClock system_;
    std::optional<ManualClock> fixed_;
    tax::InterestTable selic_;
};

}  // namespace vorn
