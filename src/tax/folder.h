// Reads the declarations of a data folder for computation without changing any file: the
// per-declaration tables are opened read-only and shared, without their index files, under
// whatever case their names were written in, and each record is taken into the catalogue's
// layout by field name (so tables written by other xBase tools or older layouts read too).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "store/env.h"
#include "tax/declaration.h"
#include "tax/interest.h"

namespace vorn::tax {

class FolderReader {
  public:
    // Reads the registry (table 9) and the tables the computation uses, keeping only the
    // records of `only_cpf` when it is not empty; a missing item table reads as empty. kNotFound
    // when the folder, its registry or its summary table (table 1) is missing; kCorrupt with the
    // file (and record) when a table cannot be read, holds fewer records than its header counts
    // or lacks a field the computation reads.
    [[nodiscard]] static Status read(store::Env& env, const std::string& folder,
                                     const std::string& only_cpf, FolderReader* out);

    // CPFs of the registry in its record order.
    const std::vector<std::string>& cpfs() const { return cpfs_; }
    bool has(const std::string& cpf) const { return registry_.count(cpf) > 0; }
    // The declaration of a CPF of the registry.
    Declaration declaration(const std::string& cpf) const;
    // The capital-gain and variable-income records of a CPF (table 7), which the declaration
    // does not hold.
    std::vector<store::Record> gains(const std::string& cpf) const;

  private:
    std::vector<store::Record> records(int n, const std::string& cpf) const;

    std::vector<std::string> cpfs_;
    std::map<std::string, store::Record> registry_;
    std::map<std::string, store::Record> summary_;
    // Table number → CPF → records in table order.
    std::map<int, std::map<std::string, std::vector<store::Record>>> lists_;
};

// Writes declarations as a new data folder: tables 1 to 21 created (replacing any there), each
// holding the records of these declarations in their order. For seeding folders (generated test
// and benchmark data); the folder must exist.
[[nodiscard]] Status write_folder(store::Env& env, const std::string& folder,
                                  const std::vector<Declaration>& declarations, const Clock* clock);

// The interest table UFIRM of an installation directory; an empty table when the file is
// absent. kCorrupt when it exists and cannot be read.
[[nodiscard]] Status read_interest_table(store::Env& env, const std::string& install_dir,
                                         InterestTable* out);

// The chart of accounts of the postings (table 62, CONTAS) of an installation directory, in its
// record order. kNotFound when the installation has none; kCorrupt when it cannot be read.
[[nodiscard]] Status read_accounts(store::Env& env, const std::string& install_dir,
                                   std::vector<store::Record>* out);

// A client's result of an earlier year as the office's history keeps it (ULTANOS): the assets
// and debts at the end of that base year.
struct PastResult {
    Decimal assets, debts;  // BENSBASE, DIVBASE
};
// The history's record of `cpf` for base year `year` ("2024") in the installation directory;
// nullopt when the table is absent or holds none. kCorrupt when the table cannot be read, kLocked
// while another terminal holds it exclusively.
[[nodiscard]] Status read_past_result(store::Env& env, const std::string& install_dir,
                                      const std::string& cpf, std::string_view year,
                                      std::optional<PastResult>* out);

}  // namespace vorn::tax
