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
#include "payments/interest.h"
#include "store/dbf.h"
#include "store/env.h"
#include "tax/declaration.h"

namespace vorn::tax {

// The declarations of a folder, read a few at a time: reading the folder notes where each CPF's
// records are (11 bytes and a record number each), and each group of declarations is then read
// with the tables open only meanwhile, so memory does not grow with the folder and the tables are
// free for the terminals between groups. A table that changed since it was noted (a terminal
// saved a declaration) is noted again before its records are read.
class FolderReader {
  public:
    // Opens the registry (table 9) and the tables the computation uses and notes their records
    // by CPF, keeping only `only_cpf` when it is not empty; a missing item table reads as empty.
    // kNotFound when the folder, its registry or its summary table (table 1) is missing;
    // kCorrupt with the file when a table cannot be read, holds fewer records than its header
    // counts or lacks a field the computation reads.
    [[nodiscard]] static Status read(store::Env& env, const std::string& folder,
                                     const std::string& only_cpf, FolderReader* out);

    // CPFs of the registry in its record order.
    const std::vector<std::string>& cpfs() const { return cpfs_; }
    bool has(const std::string& cpf) const;

    // One declaration as read, with its capital-gain and variable-income records (table 7) and
    // the gains' cost rows (table 8), which the declaration does not hold. `status` is kCorrupt
    // naming the table and record when a record cannot be read, kNotFound when the registry no
    // longer has the CPF.
    struct Loaded {
        std::string cpf;
        Status status;
        Declaration declaration = Declaration::blank("");
        std::vector<store::Record> gains;
        std::vector<store::Record> costs;
    };
    // Reads the declarations of cpfs()[first, first + n) (fewer at the end). A declaration that
    // cannot be read has its status and the others are read; the call itself fails only when a
    // table cannot be opened or read as a whole.
    [[nodiscard]] Status load(size_t first, size_t n, std::vector<Loaded>* out);
    // Whether table `number` (one of the item tables read) holds records of cpfs()[k], as it
    // stands now: noted again first when it changed. Lets a run pass over the declarations it has
    // nothing to do for without reading them.
    [[nodiscard]] Status holds(size_t k, int number, bool* any);
    // The declaration of one CPF of a folder; its status kNotFound when the registry lacks it.
    [[nodiscard]] static Status read_one(store::Env& env, const std::string& folder,
                                         const std::string& cpf, Loaded* out);

    // Where one record of a table is: its CPF (blank padded) and record number.
    struct Entry {
        char cpf[11];
        uint32_t recno;
    };

  private:
    struct Source {
        int number = 0;
        std::string path;
        bool present = false;
        std::vector<Entry> entries;  // ascending by CPF, then record number
        // Records appended since `entries` was noted, ascending alike; every one comes after all
        // of `entries` in record order. Kept apart so that noting an append costs the append.
        std::vector<Entry> tail;
        uint64_t dev = 0, ino = 0, size = 0;  // the file as it was when noted
        uint32_t count = 0;                   // records noted
    };
    // Notes the records of the table from record `from` on: all of them (from 1) or those appended
    // since the last note.
    [[nodiscard]] Status note(Source& src, store::Table& t, uint32_t from);
    [[nodiscard]] Status open(Source& src, std::unique_ptr<store::Table>* t);

    store::Env* env_ = nullptr;
    std::string only_cpf_;
    std::vector<std::string> cpfs_;
    std::vector<Source> sources_;  // the registry, the summary, then the item tables
};

// Writes declarations as a new data folder: tables 1 to 21 created (replacing any there), each
// holding the records of these declarations in their order. For seeding folders (generated test
// and benchmark data); the folder must exist.
[[nodiscard]] Status write_folder(store::Env& env, const std::string& folder,
                                  const std::vector<Declaration>& declarations, const Clock* clock);

// The interest table UFIRM of an installation directory; an empty table when the file is
// absent. kCorrupt when it exists and cannot be read.
[[nodiscard]] Status read_interest_table(store::Env& env, const std::string& install_dir,
                                         payments::InterestTable* out);

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
