#include "store/declaration.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::TempDir;

constexpr const char* kAna = "12345678909";
constexpr const char* kBia = "98765432100";

struct Office {
    TempDir dir;
    ManualClock clock{DateTime{Date(2026, 4, 10), 9 * 3600}};
    ScriptedOperator op;
    std::string data(int n) const { return data_table_path(Env::posix(), dir.path(), n); }
    std::optional<std::string> working_cpf(const std::string& nusu = "01") const {
        auto work = unfinished_work(Env::posix(), dir.path(), nusu);
        if (!work) return std::nullopt;
        return work->cpf;
    }
};

// One terminal working in the office's folder (data, installation and working folder alike).
struct Terminal {
    CdxIndexFiles cdx;
    WorkAreas w;
    std::unique_ptr<Declaration> decl;
    explicit Terminal(Office& o, const std::string& nusu = "01", Env& env = Env::posix())
        : cdx(o.op), w(env, o.op, o.clock) {
        w.ARQDEF = w.LOCARQ = o.dir.path();
        w.NUSU = nusu;
        w.index_files = &cdx;
        decl = std::make_unique<Declaration>(w, DeclarationPlace{o.dir.path(), "ANA OPERADORA"});
    }
    Declaration& operator*() { return *decl; }
    Declaration* operator->() { return decl.get(); }
};

// Every record of a table, deleted ones included: (CPF, deleted, record).
struct Row {
    std::string cpf;
    bool deleted;
    Record rec;
};
std::vector<Row> all_rows(const std::string& path) {
    std::unique_ptr<Table> t;
    EXPECT_TRUE(Table::open(Env::posix(), path, OpenOptions{}, &t).is_ok());
    std::vector<Row> out;
    uint32_t n = 0;
    EXPECT_TRUE(t->record_count(&n).is_ok());
    for (uint32_t k = 1; k <= n; ++k) {
        EXPECT_TRUE(t->go_to(k).is_ok());
        Record r(t->layout_ptr());
        EXPECT_TRUE(t->read(r).is_ok());
        out.push_back({r.str("CPF"), t->deleted(), r});
    }
    EXPECT_TRUE(t->close().is_ok());
    return out;
}

std::vector<Record> live(const std::string& path, const std::string& cpf) {
    std::vector<Record> out;
    for (auto& r : all_rows(path))
        if (!r.deleted && r.cpf == cpf) out.push_back(r.rec);
    return out;
}

void add_item(Declaration& d, int table, const char* field, int number) {
    Record r(table_def(table)->layout);
    r.set("CPF", d.cpf());
    r.set(field, Decimal(number));
    ASSERT_TRUE(d.working(table)->append(&r).is_ok());
}

// Creates a client with a name and the given asset numbers, saved and closed.
void create_client(Office& o, const char* cpf, const char* name, std::vector<int> assets) {
    Terminal d(o);
    ASSERT_TRUE(d->load(cpf, LoadMode::kNew, true).is_ok());
    d->values().set("NOMECONTR", name);
    for (int a : assets) add_item(*d, 4, "I7_0", a);
    ASSERT_TRUE(d->save(true).is_ok());
}

TEST(Declaration, NewClientIsMarkedAtOnceSavedAndFoundAgain) {
    Office o;
    {
        Terminal d(o);
        ASSERT_TRUE(d->load(kAna, LoadMode::kNew, true).is_ok());
        auto reg = live(o.data(9), kAna);
        ASSERT_EQ(reg.size(), 1u);  // visible and in use before the first save
        EXPECT_EQ(reg[0].str("NUSUAT"), "01");
        EXPECT_EQ(reg[0].num("ESTATUS"), Decimal(2));
        d->values().set("NOMECONTR", "ANA DE SOUZA");
        d->values().set("NASCIMENTO", Date(1980, 2, 29));
        d->values().set("I13_27", Decimal::from("100.00"));
        d->values().set("I13_28", Decimal::from("20.00"));
        for (int a : {5, 30, 7}) add_item(*d, 4, "I7_0", a);
        o.clock.advance(125);
        ASSERT_TRUE(d->save(true).is_ok());
        EXPECT_FALSE(d->loaded());
    }
    auto reg = live(o.data(9), kAna);
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].str("NOMECONTR"), "ANA DE SOUZA");
    EXPECT_EQ(reg[0].str("NUSUAT"), "");
    EXPECT_EQ(reg[0].str("NOMEAG"), "ANA OPERADORA");
    EXPECT_EQ(reg[0].date("DATAFIM"), Date(2026, 4, 10));
    EXPECT_EQ(reg[0].str("HORAFIM"), "09:02:05");
    EXPECT_EQ(reg[0].num("TEM_USO"), Decimal(125));
    EXPECT_GT(reg[0].num("TAM_USO"), Decimal(0));
    EXPECT_EQ(reg[0].num("I13_27"), Decimal::from("120.00"));  // withheld tax of both
    // Assets 5, 30, 7 (in record order) become 10, 30, 20.
    auto assets = live(o.data(4), kAna);
    ASSERT_EQ(assets.size(), 3u);
    EXPECT_EQ(assets[0].num("I7_0"), Decimal(10));
    EXPECT_EQ(assets[1].num("I7_0"), Decimal(30));
    EXPECT_EQ(assets[2].num("I7_0"), Decimal(20));
    auto usage = all_rows(o.dir.file("USOLOG.DBF"));
    ASSERT_EQ(usage.size(), 1u);
    EXPECT_EQ(usage[0].rec.str("INIUSO"), "09:00:00");
    EXPECT_EQ(usage[0].rec.str("TEMUSO"), "00:02:05");
    EXPECT_EQ(usage[0].rec.str("NOMECONTR"), "ANA DE SOUZA");

    Terminal again(o, "02");
    ASSERT_TRUE(again->load(kAna, LoadMode::kExisting, true).is_ok());
    EXPECT_EQ(again->values().str("NOMECONTR"), "ANA DE SOUZA");
    EXPECT_EQ(again->values().date("NASCIMENTO"), Date(1980, 2, 29));
    EXPECT_EQ(again->values().num("I13_27"), Decimal::from("100.00"));  // table 1's value
    EXPECT_EQ(live(o.data(9), kAna)[0].str("NUSUAT"), "02");
    ASSERT_TRUE(again->release().is_ok());
    EXPECT_EQ(live(o.data(9), kAna)[0].str("NUSUAT"), "");
}

TEST(Declaration, TheComputationRunsOnLoadingAndBeforeTheSaveDerivesItsCounters) {
    Office o;
    create_client(o, kAna, "ANA", {});
    Terminal d(o);
    int runs = 0;
    // A computation that, once the operator has typed, finds three quotas and a month of
    // Carnê-Leão: the counters the declaration list shows must be the computed ones.
    d->set_computation([&](Declaration& open) {
        ++runs;
        if (open.values().str("NOMECONTR") != "ANA NOVA") return Status::ok();
        open.values().set("QTD_QUOTA", Decimal(3));
        open.values().set("I13_37", Decimal::from("250.00"));
        std::vector<Record> grid;
        Status s = open.working_records(12, &grid);
        if (!s) return s;
        if (grid.empty()) grid.emplace_back(table_def(12)->layout);
        grid[0].set("I2_701", Decimal::from("80.00"));
        return open.replace_working(12, grid);
    });
    ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
    EXPECT_EQ(runs, 1);
    d->values().set("NOMECONTR", "ANA NOVA");
    ASSERT_TRUE(d->save(true).is_ok());
    EXPECT_EQ(runs, 2);
    auto reg = live(o.data(9), kAna);
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].num("NRQUOTA"), Decimal(3));
    EXPECT_EQ(reg[0].num("DFQUOTA"), Decimal::from("250.00"));
    EXPECT_EQ(reg[0].num("NRCLEAO"), Decimal(1));
    EXPECT_EQ(reg[0].num("DFCLEAO"), Decimal::from("80.00"));
    auto grid = live(o.data(12), kAna);
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_EQ(grid[0].num("I2_701"), Decimal::from("80.00"));
}

TEST(Declaration, SavingOneClientLeavesADeletedClientRecoverable) {
    Office o;
    create_client(o, kBia, "BIA", {1, 2});
    create_client(o, kAna, "ANA", {1, 2, 3});
    // Bia is deleted from the folder: her records are marked, not removed.
    for (int n : {4, 9}) {
        std::unique_ptr<Table> t;
        ASSERT_TRUE(Table::open(Env::posix(), o.data(n), OpenOptions{true}, &t).is_ok());
        std::vector<uint32_t> slots;
        ASSERT_TRUE(records_of(*t, kBia, nullptr, &slots).is_ok());
        for (uint32_t r : slots) {
            ASSERT_TRUE(t->go_to(r).is_ok());
            ASSERT_TRUE(t->delete_record().is_ok());
        }
        ASSERT_TRUE(t->close().is_ok());
    }
    auto before = all_rows(o.data(4));

    // Ana loses one asset, then gains three.
    for (int round = 0; round < 2; ++round) {
        Terminal d(o);
        ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
        Table* w = d->working(4);
        if (round == 0) {
            ASSERT_TRUE(w->go_bottom().is_ok());
            ASSERT_TRUE(w->delete_record().is_ok());
        } else {
            for (int a : {7, 8, 9}) add_item(*d, 4, "I7_0", a);
        }
        ASSERT_TRUE(d->save(true).is_ok());
    }
    auto after = all_rows(o.data(4));
    // Bia's rows are where they were, still deleted, untouched.
    for (size_t k = 0; k < before.size(); ++k)
        if (before[k].cpf == kBia) {
            EXPECT_TRUE(after[k].deleted);
            EXPECT_EQ(after[k].rec.num("I7_0"), before[k].rec.num("I7_0"));
        }
    // Ana's own slots were reused; the table grew only by what did not fit (her third slot,
    // emptied by the first save, stays deleted).
    auto ana = live(o.data(4), kAna);
    ASSERT_EQ(ana.size(), 5u);
    std::vector<long> numbers;
    for (auto& r : ana) numbers.push_back(r.num("I7_0").whole());
    EXPECT_EQ(numbers, (std::vector<long>{40, 50, 10, 20, 30}));  // 10, 20, 7, 8, 9 renumbered
    EXPECT_EQ(after.size(), before.size() + 3);
    int bia_deleted = 0;
    for (auto& r : all_rows(o.data(9))) bia_deleted += r.cpf == kBia && r.deleted;
    EXPECT_EQ(bia_deleted, 1);  // still there to be recalled
}

TEST(Declaration, RecoveryRestoresWhatWasTypedBeforeACrash) {
    Office o;
    create_client(o, kAna, "ANA", {1});
    {
        Terminal d(o);
        ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
        d->values().set("NOMECONTR", "ANA MARIA");
        add_item(*d, 5, "I8_0", 1);
        ASSERT_TRUE(d->keep_values().is_ok());  // as after every screen
        // The terminal dies here: nothing saved, nothing released.
    }
    EXPECT_EQ(live(o.data(9), kAna)[0].str("NUSUAT"), "01");
    EXPECT_EQ(live(o.data(9), kAna)[0].str("NOMECONTR"), "ANA");
    EXPECT_EQ(o.working_cpf(), std::optional<std::string>(kAna));

    Terminal d(o);
    ASSERT_TRUE(d->load(kAna, LoadMode::kRecovery, true).is_ok());
    EXPECT_EQ(d->values().str("NOMECONTR"), "ANA MARIA");
    ASSERT_TRUE(d->save(true).is_ok());
    EXPECT_EQ(live(o.data(9), kAna)[0].str("NOMECONTR"), "ANA MARIA");
    EXPECT_EQ(live(o.data(5), kAna).size(), 1u);

    // Another terminal's working set is not this one's.
    EXPECT_FALSE(o.working_cpf("02").has_value());
    Terminal other(o, "02");
    EXPECT_EQ(other->load(kAna, LoadMode::kRecovery, true).code(), Status::Code::kNotFound);
}

TEST(Declaration, ClosingClearsOnlyThisTerminalsMarkAndLeavesNothingToRecover) {
    Office o;
    create_client(o, kAna, "ANA", {});
    // Two terminals on Ana: the first to close leaves the second's mark.
    Terminal one(o, "01"), two(o, "02");
    ASSERT_TRUE(one->load(kAna, LoadMode::kExisting, true).is_ok());
    o.clock.advance(60);
    ASSERT_TRUE(two->load(kAna, LoadMode::kExisting, true).is_ok());
    o.clock.advance(60);
    ASSERT_TRUE(one->save(true).is_ok());
    auto reg = live(o.data(9), kAna);
    EXPECT_EQ(reg.at(0).str("NUSUAT"), "02");
    EXPECT_EQ(reg.at(0).str("HORAFIM"), "09:02:00");
    EXPECT_FALSE(o.working_cpf("01").has_value());
    // Terminal 02 stops with Ana open: its working set is older than terminal 01's close.
    two.decl.reset();
    auto left = unfinished_work(Env::posix(), o.dir.path(), "02");
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->cpf, kAna);
    EXPECT_EQ(left->written.seconds, 9 * 3600 + 60);
    EXPECT_TRUE(earlier(left->written, DateTime{reg.at(0).date("DATAFIM"), 9 * 3600 + 120}));
    Terminal again(o, "02");
    ASSERT_TRUE(again->load(kAna, LoadMode::kRecovery, true).is_ok());
    ASSERT_TRUE(again->release().is_ok());
    EXPECT_EQ(live(o.data(9), kAna).at(0).str("NUSUAT"), "");
    EXPECT_FALSE(o.working_cpf("02").has_value());

    // A new client opened meanwhile on another terminal keeps its registry record when the
    // terminal that created it leaves without saving.
    Terminal three(o, "03"), four(o, "04");
    ASSERT_TRUE(three->load(kBia, LoadMode::kNew, true).is_ok());
    ASSERT_TRUE(four->load(kBia, LoadMode::kExisting, true).is_ok());
    ASSERT_TRUE(three->release().is_ok());
    ASSERT_EQ(live(o.data(9), kBia).size(), 1u);
    EXPECT_EQ(live(o.data(9), kBia)[0].str("NUSUAT"), "04");
}

TEST(Declaration, PeriodicSaveKeepsTheDeclarationOpenAndMarked) {
    Office o;
    create_client(o, kAna, "ANA", {});
    Terminal d(o);
    ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
    o.clock.advance(16 * 60);
    EXPECT_EQ(d->seconds_since_save(), 16 * 60);
    d->values().set("NOMECONTR", "ANA PERIODICA");
    ASSERT_TRUE(d->save(false).is_ok());
    EXPECT_TRUE(d->loaded());
    EXPECT_EQ(d->seconds_since_save(), 0);
    auto reg = live(o.data(9), kAna);
    EXPECT_EQ(reg[0].str("NOMECONTR"), "ANA PERIODICA");
    EXPECT_EQ(reg[0].str("NUSUAT"), "01");
    EXPECT_EQ(reg[0].num("TEM_USO"), Decimal(16 * 60));
    EXPECT_TRUE(o.op.saw("progress", "Salvando as informaçoes"));
    EXPECT_FALSE(o.dir.path().empty());
    ASSERT_TRUE(d->save(true).is_ok());
    EXPECT_EQ(live(o.data(9), kAna)[0].num("TEM_USO"), Decimal(16 * 60));
}

TEST(Declaration, LoadGivesUpWhenTheOperatorWillNotWaitForAnotherTerminal) {
    Office o;
    create_client(o, kAna, "ANA", {});
    std::unique_ptr<Table> held;  // another terminal copying its own client in
    ASSERT_TRUE(Table::open(Env::posix(), o.data(3), OpenOptions{true}, &held).is_ok());
    o.op.yes_no_answers = {true, false};
    Terminal d(o);
    EXPECT_EQ(d->load(kAna, LoadMode::kExisting, true).code(), Status::Code::kCancelled);
    EXPECT_TRUE(o.op.saw("yes_no", "Outro terminal esta usando o arquivo IMP0326.DBF"));
    EXPECT_EQ(live(o.data(9), kAna)[0].str("NUSUAT"), "");  // nothing changed
    ASSERT_TRUE(held->close().is_ok());
}

TEST(Declaration, LoadWaitsQuietlyForATableAnotherTerminalHoldsForAMoment) {
    // Two terminals opening clients at once meet on the tables each copies its client from.
    Office o;
    create_client(o, kAna, "ANA", {});
    std::unique_ptr<Table> held;
    ASSERT_TRUE(Table::open(Env::posix(), o.data(3), OpenOptions{true}, &held).is_ok());
    o.op.sleep_for_real = true;
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        (void)held->close();
    });
    Terminal d(o);
    const Status s = d->load(kAna, LoadMode::kExisting, true);
    other.join();
    ASSERT_TRUE(s.is_ok()) << s.message();
    EXPECT_FALSE(o.op.saw("yes_no", "Outro terminal esta usando"));
}

TEST(Declaration, LeavingANewClientUnsavedLeavesNoTrace) {
    Office o;
    Terminal d(o);
    ASSERT_TRUE(d->load(kAna, LoadMode::kNew, true).is_ok());
    EXPECT_EQ(live(o.data(9), kAna).size(), 1u);
    ASSERT_TRUE(d->release().is_ok());
    EXPECT_EQ(live(o.data(9), kAna).size(), 0u);
}

TEST(Declaration, AFailedSaveLosesNothingAndRecoveryIsStillOffered) {
    // The final save is failed at each of its steps in turn, as a crash there would. A crash
    // while the assets are written once left an index that no longer found the client's assets,
    // and the recovered save added them all again.
    auto attempt = [](int step, bool* completed, int* steps) {
        Office o;
        create_client(o, kAna, "ANA", {1, 2});
        FaultEnv faults(Env::posix());
        {
            Terminal d(o, "01", faults);
            ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
            d->values().set("NOMECONTR", "ANA NOVA");
            add_item(*d, 4, "I7_0", 3);
            ASSERT_TRUE(d->keep_values().is_ok());
            faults.fail_at(step, true);
            *completed = d->save(true).is_ok();
            *steps = faults.steps();
        }
        SCOPED_TRACE("failed at step " + std::to_string(step));
        // Either the declaration is still marked as open here, and its working set is there to
        // recover, or the save had written everything before the failure.
        if (live(o.data(9), kAna).at(0).str("NUSUAT") == "01") {
            EXPECT_EQ(o.working_cpf(), std::optional<std::string>(kAna));
            Terminal d(o);
            ASSERT_TRUE(d->load(kAna, LoadMode::kRecovery, true).is_ok());
            ASSERT_TRUE(d->save(true).is_ok());
        }
        auto reg = live(o.data(9), kAna);
        ASSERT_EQ(reg.size(), 1u);
        EXPECT_EQ(reg[0].str("NOMECONTR"), "ANA NOVA");
        EXPECT_EQ(reg[0].str("NUSUAT"), "");
        EXPECT_EQ(live(o.data(4), kAna).size(), 3u);
    };
    bool completed = false;
    int total = 0;
    attempt(0, &completed, &total);  // a save that does not fail, to count its steps
    ASSERT_TRUE(completed);
    ASSERT_GT(total, 15);
    for (int step = 1; step <= total; ++step) {
        int ignored = 0;
        attempt(step, &completed, &ignored);
    }
}

// Records whose every field is blank: what an append followed by the writing of its fields
// leaves when the program dies in between.
size_t blank_records(const std::string& path) {
    size_t n = 0;
    for (const auto& r : all_rows(path)) {
        bool blank = true;
        for (size_t i = 0; i < r.rec.layout().size() && blank; ++i)
            blank = r.rec.at(i) == blank_value(r.rec.layout()[i]);
        n += blank;
    }
    return n;
}

TEST(Declaration, OpeningAndSavingForceTheDiskOnlyAFewTimes) {
    Office o;
    create_client(o, kAna, "ANA", {1, 2});
    FaultEnv counter(Env::posix());
    Terminal d(o, "01", counter);
    ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
    // The working copies together, then the marker's name.
    EXPECT_LE(counter.syncs(), 3);
    const int opened = counter.syncs();
    d->values().set("NOMECONTR", "ANA NOVA");
    ASSERT_TRUE(d->keep_values().is_ok());  // after a screen: the one table the name is in
    EXPECT_EQ(counter.syncs() - opened, 1);
    ASSERT_TRUE(d->keep_values().is_ok());  // nothing written since
    EXPECT_EQ(counter.syncs() - opened, 1);
    const int kept = counter.syncs();
    ASSERT_TRUE(d->save(true).is_ok());
    // The shared tables together, then the registry.
    EXPECT_LE(counter.syncs() - kept, 2);
    EXPECT_EQ(live(o.data(9), kAna).at(0).str("NOMECONTR"), "ANA NOVA");
    EXPECT_EQ(live(o.data(4), kAna).size(), 2u);
}

// The machine stops at each step of an opening in turn, losing or tearing what was not synced:
// either the terminal has no working set to recover (and the client opens again from the shared
// tables), or the one it has is whole.
TEST(Declaration, AMachineStoppingWhileADeclarationOpensLeavesNoHalfWorkingSet) {
    for (bool torn : {false, true}) {
        Office o;
        create_client(o, kAna, "ANA", {1, 2, 3});
        int total = 0;
        for (int step = 1; total == 0 || step <= total; ++step) {
            SCOPED_TRACE("step " + std::to_string(step) + (torn ? " torn" : ""));
            FaultEnv faults(Env::posix());
            if (torn) faults.tear_unsynced(static_cast<uint32_t>(step));
            faults.fail_at(step, Crash::kMachine);
            {
                Terminal d(o, "01", faults);
                const bool opened = d->load(kAna, LoadMode::kExisting, true).is_ok();
                if (opened && !faults.failed()) total = step - 1;
            }
            Terminal after(o);
            const LoadMode mode = o.working_cpf() ? LoadMode::kRecovery : LoadMode::kExisting;
            ASSERT_TRUE(after->load(kAna, mode, true).is_ok());
            EXPECT_EQ(after->values().str("NOMECONTR"), "ANA");
            std::vector<Record> assets;
            ASSERT_TRUE(after->working_records(4, &assets).is_ok());
            EXPECT_EQ(assets.size(), 3u);
            ASSERT_TRUE(after->save(true).is_ok());
            EXPECT_EQ(live(o.data(4), kAna).size(), 3u);
            ASSERT_LT(step, 400);
        }
    }
}

// A program killed at each step of a final save: no table it writes gets a blank record.
TEST(Declaration, AProgramKilledDuringASaveLeavesNoBlankRecord) {
    for (int step = 1;; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        Office o;
        create_client(o, kAna, "ANA", {1});
        FaultEnv faults(Env::posix());
        bool done = false;
        {
            Terminal d(o, "01", faults);
            ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
            add_item(*d, 4, "I7_0", 2);
            faults.fail_at(step, Crash::kProgram);
            done = d->save(true).is_ok();
        }
        for (int n : {4, 9, 73}) EXPECT_EQ(blank_records(o.data(n)), 0u) << "table " << n;
        if (done) break;
        ASSERT_LT(step, 400);
    }
}

// Rows the item lists append to the working set reach its file at once, as the rows they
// rewrite do: a program killed next keeps them for recovery.
TEST(Declaration, RowsAppendedToTheWorkingSetReachItsFileAtOnce) {
    Office o;
    create_client(o, kAna, "ANA", {1});
    Terminal d(o);
    ASSERT_TRUE(d->load(kAna, LoadMode::kExisting, true).is_ok());
    std::vector<Record> rows;
    ASSERT_TRUE(d->working_records(4, &rows).is_ok());
    for (int a : {2, 3}) {
        rows.push_back(rows.front());
        rows.back().set("I7_0", Decimal(a));
    }
    ASSERT_TRUE(d->replace_working(4, rows).is_ok());
    const std::string bytes = testing::slurp(d->working(4)->path());
    const size_t header = static_cast<uint8_t>(bytes[8]) | static_cast<uint8_t>(bytes[9]) << 8;
    const size_t reclen = d->working(4)->record_length();
    EXPECT_EQ((bytes.size() - header) / reclen, 3u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[4]), 3);  // and the header counts them
}

}  // namespace
}  // namespace vorn::store
