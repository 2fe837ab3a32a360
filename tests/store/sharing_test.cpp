// Eight terminals writing one indexed table at full speed while another opens it again and again:
// no opening takes their writes in progress for a damaged index, nothing written is lost, and
// other xBase readers (python3-dbfread, Debian's index_dump) read the same rows and orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "cdx_test_util.h"
#include "process_util.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"

namespace vorn::store {
namespace {

using testing::TempDir;
using testing::test_clock;

constexpr int kWriters = 8;
constexpr int kAppends = 300;  // per writer; every second one also changes an older record's key

// Lock waits that retry almost at once (a lock is held for microseconds here), with a limit in
// tries rather than in time: the writers never sleep otherwise.
class EagerOperator final : public ScriptedOperator {
  public:
    void pause(double seconds) override {
        paused_seconds += seconds;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
};
constexpr double kLockTries = 1e6;  // REC_LOCK's seconds, counted as two tries a second

// A table the race runs on: its number, its indexes (key, index file), the field that holds the
// shared counter, whether it is the registry (name and status fields its other indexes order by)
// and how many records it holds before the race.
struct Subject {
    int number;
    std::vector<std::pair<std::string, std::string>> indexes;
    const char* counter;
    bool registry;
    int before;
    std::string file(const TempDir& dir) const {
        return dir.file(table_def(number)->file_base("00"));
    }
};

// Big enough that an opening checks sampled keys rather than every one.
const Subject kItems{2, {{"CPF", ""}}, "I1_4", false, 2000};
const Subject kRegistry{
    9, {{"CPF", ""}, {"UPPER(NOMECONTR)", ""}, {"ESTATUS", ""}}, "TEM_USO", true, 0};

std::string old_cpf(int i) {
    char c[16];
    std::snprintf(c, sizeof c, "9%010d", i);
    return c;
}

struct Terminal {
    Terminal(const TempDir& dir, ScriptedOperator& o)
        : op(o), files(op), w(Env::posix(), op, test_clock()) {
        w.LOCARQ = w.ARQDEF = dir.path();
        w.index_files = &files;
    }
    // Opens the table with its first `n` indexes (all when n is 0).
    bool open(const TempDir& dir, const Subject& s, size_t n = 0) {
        std::string_view k[3], f[3];
        if (n == 0) n = s.indexes.size();
        for (size_t i = 0; i < n && i < 3; ++i) {
            k[i] = s.indexes[i].first;
            f[i] = s.indexes[i].second;
        }
        return ABREARQ(w, s.number, false, s.file(dir), k[0], k[1], f[1], k[2], f[2]);
    }
    ScriptedOperator& op;
    CdxIndexFiles files;
    WorkAreas w;
};

size_t alarms(const ScriptedOperator& op) {
    size_t n = 0;
    for (const auto& s : op.said)
        if (s.what == "notice" && s.text.find("danificado") != std::string::npos) ++n;
    return n;
}

// The key writer p gives its record i; `changed` once the record's key was changed.
std::string cpf_of(int p, int i, bool changed) {
    char c[16];
    std::snprintf(c, sizeof c, "%d%05d%d%04d", p, i, changed ? 1 : 0, (i * 37) % 10000);
    return c;
}
std::string name_of(int p, int i, bool changed) {
    return (changed ? "Renomeado " : "Cliente ") + std::to_string(p) + "-" + std::to_string(i);
}
bool changed(int i) {
    return 2 * i + 1 < kAppends;  // changed at step 2i + 1
}

// One writer: appends with its values typed field by field, changes the key of an earlier record
// of its own, and adds one to the shared counter in record 1, all through the lock routines.
int writer(const TempDir& dir, const Subject& s, int p, testing::Processes& procs) {
    EagerOperator op;
    Terminal term(dir, op);
    if (!term.open(dir, s)) return 10;
    if (alarms(op)) return 11;
    WorkAreas& w = term.w;
    Table& t = w.current();
    Field cpf = t.field("CPF"), counter = t.field(s.counter);
    auto fill = [&](int i, bool changed) {
        if (!t.replace(cpf, cpf_of(p, i, changed))) return false;
        if (!s.registry) return t.replace(t.field("I1_2"), name_of(p, i, changed)).is_ok();
        return t.replace(t.field("NOMECONTR"), name_of(p, i, changed)).is_ok() &&
               t.replace(t.field("ESTATUS"), Decimal((p + i + changed) % 7)).is_ok();
    };
    procs.started();
    for (int i = 0; i < kAppends; ++i) {
        if (!ADD_REC(w, 0)) return 12;
        if (!fill(i, false)) return 13;
        if (!t.unlock()) return 14;
        if (i % 2 == 1) {
            t.set_order(1);
            if (!t.seek(cpf_of(p, i / 2, false)) || !t.found()) return 15;
            if (!REC_LOCK(w, kLockTries) || !fill(i / 2, true) || !t.unlock()) return 16;
        }
        t.set_order(0);
        if (!t.go_to(1) || !REC_LOCK(w, kLockTries)) return 17;
        if (!t.replace(counter, t.num(counter) + Decimal(1)) || !t.unlock()) return 18;
    }
    // Gone without closing, as a terminal switched off: what it wrote must already be whole,
    // the header's record count included.
    ::_exit(0);
}

// The record count in a table's header, as other xBase programs read it.
uint32_t header_count(const std::string& path) {
    std::string head = testing::slurp_prefix(path, 8);
    if (head.size() < 8) return 0;
    return static_cast<uint8_t>(head[4]) | static_cast<uint8_t>(head[5]) << 8 |
           static_cast<uint8_t>(head[6]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(head[7])) << 24;
}

// The terminal that opens the table again and again while the others write, with its first
// index only (the others are built anew at every opening). Reports "openings alarms".
int opener(const TempDir& dir, const Subject& s, testing::Processes& procs) {
    // Its pauses take no time: a check that counted on the others finishing their writes
    // during the pause would raise the alarm here.
    ScriptedOperator op;
    Terminal term(dir, op);
    procs.started();
    int openings = 0;
    uint32_t counted = 0;  // the most records the header has counted so far
    int header_back = 0;   // times the header counted fewer than before
    std::string path = s.file(dir) + ".DBF";
    while (!procs.stop_requested()) {
        if (!term.open(dir, s, 1)) return 20;
        ++openings;
        term.w.close_all();
        uint32_t now = header_count(path);
        if (now < counted) ++header_back;
        counted = std::max(counted, now);
    }
    procs.report(std::to_string(openings) + " " + std::to_string(alarms(op)) + " " +
                 std::to_string(header_back));
    for (const auto& said : op.said)
        if (said.what == "notice") std::fprintf(stderr, "opener told: %s\n", said.text.c_str());
    return 0;
}

struct Outcome {
    int openings = 0;
    size_t alarms = 0;
    int header_back = 0;
};

// The table created with record 1 (the counter), the records it holds before, and its
// indexes; then the race.
Outcome race(const TempDir& dir, const Subject& s) {
    {
        std::vector<Record> rows(1u + static_cast<size_t>(s.before),
                                 Record(table_def(s.number)->layout));
        rows[0].set("CPF", "00000000000");
        for (int i = 1; i <= s.before; ++i) rows[static_cast<size_t>(i)].set("CPF", old_cpf(i));
        EXPECT_OK(Table::create(Env::posix(), s.file(dir) + ".DBF", *table_def(s.number)->layout,
                                rows, &test_clock(), false));
        ScriptedOperator op;
        Terminal setup(dir, op);
        EXPECT_TRUE(setup.open(dir, s));
    }
    testing::Processes procs;
    for (int p = 1; p <= kWriters; ++p) procs.spawn([&, p] { return writer(dir, s, p, procs); });
    procs.spawn([&] { return opener(dir, s, procs); });
    EXPECT_TRUE(procs.start()) << "a terminal failed before the start";
    for (int p = 0; p < kWriters; ++p) EXPECT_EQ(procs.wait(p), 0) << "writer " << p + 1;
    procs.stop();
    EXPECT_EQ(procs.wait(kWriters), 0) << "opener";
    Outcome o;
    std::istringstream in(procs.reports());
    in >> o.openings >> o.alarms >> o.header_back;
    std::printf("%d openings during the race, %zu alarms\n", o.openings, o.alarms);
    EXPECT_EQ(o.header_back, 0) << "the header counted fewer records than it had before";
    return o;
}

// Every record as it should be after the race, by CPF: the counter record, those from before
// and each writer's.
std::map<std::string, std::string> expected_names(const Subject& s) {
    std::map<std::string, std::string> want{{"00000000000", ""}};
    for (int i = 1; i <= s.before; ++i) want[old_cpf(i)] = "";
    for (int p = 1; p <= kWriters; ++p)
        for (int i = 0; i < kAppends; ++i)
            want[cpf_of(p, i, changed(i))] = name_of(p, i, changed(i));
    return want;
}

TEST(SharedWriting, OpeningWhileEightTerminalsWriteFindsNoDamage) {
    TempDir dir;
    Outcome o = race(dir, kItems);
    EXPECT_GT(o.openings, 5);  // the openings really met the writers
    EXPECT_EQ(o.alarms, 0u);

    ScriptedOperator op;
    Terminal after(dir, op);
    ASSERT_TRUE(after.open(dir, kItems));
    EXPECT_EQ(alarms(op), 0u);
    Table& t = after.w.current();
    std::map<std::string, std::string> got;
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) got[t.str("CPF")] = t.str("I1_2");
    EXPECT_EQ(got, expected_names(kItems));
    ASSERT_OK(t.seek(std::string("00000000000")));
    EXPECT_EQ(t.num("I1_4"), Decimal(kWriters * kAppends));
}

// Read by tools that share nothing with the engine: python3-dbfread for the rows (it trusts the
// header's count and stops at an end-of-file mark), index_dump for the three maintained index
// files, compared with the order computed from the table's bytes.
TEST(SharedWriting, EightTerminalsLoseNothingAndOtherToolsAgree) {
    TempDir dir;
    Outcome o = race(dir, kRegistry);
    EXPECT_GT(o.openings, 5);
    EXPECT_EQ(o.alarms, 0u);

    std::string rows = testing::run(
        "/usr/bin/python3 -c 'import sys, dbfread\n"
        "for r in dbfread.DBF(sys.argv[1], encoding=\"cp1252\"): "
        "print(\"%s|%s|%s\" % (r[\"CPF\"], r[\"NOMECONTR\"], r[\"TEM_USO\"]))' " +
        dir.file("IMP0926.DBF"));
    std::map<std::string, std::string> got;
    std::string counter;
    std::istringstream in(rows);
    for (std::string line; std::getline(in, line);) {
        size_t a = line.find('|'), b = line.rfind('|');
        ASSERT_NE(a, b) << line;
        EXPECT_TRUE(got.emplace(line.substr(0, a), line.substr(a + 1, b - a - 1)).second) << line;
        if (line.substr(0, a) == "00000000000") counter = line.substr(b + 1);
    }
    EXPECT_EQ(got.size(), 1u + kWriters * kAppends);
    EXPECT_EQ(got, expected_names(kRegistry));
    EXPECT_EQ(counter, std::to_string(kWriters * kAppends));
    testing::expect_indexes_match_tables(testing::registry_indexes(dir));
}

}  // namespace
}  // namespace vorn::store
