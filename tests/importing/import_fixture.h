// The folders an import test works in: a data folder and a source folder, fresh and removed at
// the end, with declarations made, candidates gathered and imported, and tables read back.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "importing/import_plan.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store_test_util.h"

namespace vorn::importing {

namespace fs = std::filesystem;
using store::Env;
using store::Record;

inline std::string data_path(const std::string& name) {
    return std::string(VORN_SOURCE_DIR) + "/tests/data/importing/" + name;
}

// A fresh folder, removed at the end: in memory where the system offers it (these tests force
// files to the disk hundreds of times, and a disk's syncs would make them slow; what a crash
// loses is what the fault-injecting layer decides, not the disk).
class Scratch {
  public:
    Scratch() {
        static int serial = 0;
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        path_ =
            base / ("vorn-import-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Scratch() { fs::remove_all(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

struct Folder {
    Scratch data, source;
    ManualClock clock{DateTime{Date(2026, 4, 10), 9 * 3600}};
    ScriptedOperator op;
    payments::InterestTable selic;

    std::string table(int n) const { return store::data_table_path(Env::posix(), data.path(), n); }

    // A declaration saved by terminal 01, with `assets` set up by `fill`.
    void create(const char* cpf, const char* name,
                const std::function<void(store::Declaration&)>& fill = {}) {
        store::CdxIndexFiles cdx(op);
        store::WorkAreas w(Env::posix(), op, clock);
        w.ARQDEF = w.LOCARQ = data.path();
        w.NUSU = "01";
        w.index_files = &cdx;
        store::Declaration d(w, {data.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(cpf, store::LoadMode::kNew, true).is_ok());
        d.values().set("NOMECONTR", name);
        if (fill) fill(d);
        ASSERT_TRUE(d.save(true).is_ok());
    }

    void copy_in(const std::string& name, const std::string& as = "") {
        fs::copy_file(data_path(name), source.file(as.empty() ? name : as),
                      fs::copy_options::overwrite_existing);
    }

    ImportRequest request(ImportKind kind) const {
        ImportRequest rq;
        rq.kind = kind;
        rq.folder = data.path();
        rq.install = data.path();
        rq.terminal = "00";
        rq.clock = &clock;
        rq.selic = &selic;
        return rq;
    }

    // Gathers the kind's candidates and imports each; the results in candidate order.
    std::vector<ImportResult> run(ImportKind kind, Env& env = Env::posix()) {
        std::vector<Candidate> cs;
        std::vector<Passed> passed;
        EXPECT_TRUE(gather_candidates(Env::posix(), kind, source.path(), data.path(), &cs, &passed)
                        .is_ok());
        std::vector<ImportResult> out;
        for (const auto& c : cs) out.push_back(import_file(env, request(kind), c, op));
        return out;
    }

    // Live records of a CPF in table n, in record order.
    std::vector<Record> live(int n, const std::string& cpf) const {
        std::vector<Record> out;
        if (!Env::posix().exists(table(n))) return out;
        std::unique_ptr<store::Table> t;
        EXPECT_TRUE(store::Table::open(Env::posix(), table(n), store::OpenOptions{}, &t).is_ok());
        uint32_t count = 0;
        EXPECT_TRUE(t->record_count(&count).is_ok());
        for (uint32_t k = 1; k <= count; ++k) {
            EXPECT_TRUE(t->go_to(k).is_ok());
            if (t->deleted() || t->str("CPF") != cpf) continue;
            out.emplace_back(t->layout_ptr());
            EXPECT_TRUE(t->read(out.back()).is_ok());
        }
        EXPECT_TRUE(t->close().is_ok());
        return out;
    }

    // The live rows of the item tables an import writes, as stored.
    std::map<int, std::vector<std::string>> items() const {
        std::map<int, std::vector<std::string>> out;
        for (int n : {2, 4, 6, 15, 16, 19, 21}) {
            if (!Env::posix().exists(table(n))) continue;
            std::unique_ptr<store::Table> t;
            EXPECT_TRUE(
                store::Table::open(Env::posix(), table(n), store::OpenOptions{}, &t).is_ok());
            EXPECT_TRUE(t->scan_rows([&](uint32_t, std::string_view row) {
                             if (row[0] != '*') out[n].emplace_back(row);
                         }).is_ok());
            EXPECT_TRUE(t->close().is_ok());
        }
        return out;
    }

    // Every file of the data folder, byte for byte.
    std::map<std::string, std::string> bytes() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::directory_iterator(data.path())) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            out[e.path().filename().string()] = s.str();
        }
        return out;
    }
};

// The batch command in process: its lines and its status.
struct Command {
    int status = 0;
    std::string out, err;
};
inline Command import_command(std::vector<std::string> args) {
    args.insert(args.begin(), "import");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    Command c;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    c.status = run_import_command(static_cast<int>(argv.size()), argv.data());
    c.out = ::testing::internal::GetCapturedStdout();
    c.err = ::testing::internal::GetCapturedStderr();
    return c;
}

}  // namespace vorn::importing
