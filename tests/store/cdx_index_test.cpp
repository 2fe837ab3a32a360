// Index files attached to tables: key order, maintenance on every write, the opening routine's
// building and checking, and several processes writing one indexed table.
#include "store/cdx_index.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "cdx_test_util.h"
#include "store/catalogue.h"

namespace vorn::store {
namespace {

using testing::TempDir;
using testing::test_clock;

struct Terminal {
    explicit Terminal(const TempDir& dir) : files(op), w(Env::posix(), op, test_clock()) {
        w.LOCARQ = dir.path();
        w.ARQDEF = dir.path();
        w.index_files = &files;
    }
    // Table 9, the registry, with its three index files.
    bool open_registry(const TempDir& dir, bool exclusive = false) {
        return ABREARQ(w, 9, exclusive, dir.file("IMP0926"), "CPF", "UPPER(NOMECONTR)", "",
                       "ESTATUS", "");
    }
    ScriptedOperator op;
    CdxIndexFiles files;
    WorkAreas w;
};

bool add(WorkAreas& w, const std::string& cpf, const std::string& name, int estatus) {
    Table& t = w.current();
    if (!ADD_REC(w, 1)) return false;
    return t.replace(t.field("CPF"), cpf).is_ok() &&
           t.replace(t.field("NOMECONTR"), name).is_ok() &&
           t.replace(t.field("ESTATUS"), Decimal(estatus)).is_ok() && t.unlock().is_ok();
}

std::vector<std::string> forward(Table& t, const char* field) {
    std::vector<std::string> out;
    EXPECT_OK(t.go_top());
    while (!t.eof()) {
        out.push_back(t.str(field));
        EXPECT_OK(t.skip(1));
    }
    return out;
}

std::vector<std::string> backward(Table& t, const char* field) {
    std::vector<std::string> out;
    EXPECT_OK(t.go_bottom());
    if (t.eof()) return out;
    do {
        out.insert(out.begin(), t.str(field));
        EXPECT_OK(t.skip(-1));
    } while (!t.bof());
    return out;
}

using Names = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------

TEST(CdxTables, ForeignIndexKeysAreTheKeysWeComputeFromTheirRecords) {
    std::unique_ptr<Table> t;
    ASSERT_OK(Table::open(Env::posix(), testing::fixture("xbase_created.dbf"),
                          {false, true, &test_clock()}, &t));
    std::unique_ptr<CdxFile> f;
    ASSERT_OK(CdxFile::open(Env::posix(), testing::fixture("xbase_created.cdx"), CdxMode::kReadOnly,
                            &t->layout(), &f));
    std::string key;
    for (size_t i = 0; i < f->tags().size(); ++i) {
        const auto& tag = f->tags()[i];
        SCOPED_TRACE(tag.spec.name);
        ASSERT_FALSE(tag.expr.empty());
        std::vector<IndexEntry> entries;
        ASSERT_OK(f->entries(static_cast<int>(i), &entries));
        std::set<uint32_t> records;
        for (const auto& e : entries) {
            ASSERT_OK(t->go_to(e.recno));
            tag.expr.key_of_row(t->bytes(), false, &key);
            EXPECT_EQ(key, e.key) << "record " << e.recno;
            if (!tag.condition.empty()) {
                EXPECT_TRUE(tag.condition.is_true_of_row(t->bytes()));
            }
            records.insert(e.recno);
        }
        if (tag.spec.for_expr.empty() && !tag.spec.unique) {
            EXPECT_EQ(records.size(), 205u);
        }
    }
}

TEST(CdxTables, NavigationSeekAndMaintenanceInKeyOrder) {
    TempDir dir;
    Terminal term(dir);
    ASSERT_TRUE(term.open_registry(dir));
    Table& t = term.w.current();
    ASSERT_EQ(t.index_count(), 3u);
    ASSERT_TRUE(add(term.w, "52998224725", "Zélia Souza", 3));
    ASSERT_TRUE(add(term.w, "11144477735", "ana lima", 1));
    ASSERT_TRUE(add(term.w, "00000000191", "Bruno", 2));
    ASSERT_TRUE(add(term.w, "98765432100", "Ângelo", 1));
    ASSERT_TRUE(add(term.w, "11144477700", "Carla", 10));

    Names by_cpf{"00000000191", "11144477700", "11144477735", "52998224725", "98765432100"};
    EXPECT_EQ(forward(t, "CPF"), by_cpf);
    EXPECT_EQ(backward(t, "CPF"), by_cpf);
    EXPECT_OK(t.go_bottom());
    EXPECT_OK(t.skip(1));
    EXPECT_TRUE(t.eof());
    EXPECT_OK(t.skip(-1));
    EXPECT_EQ(t.str("CPF"), "98765432100");

    // Exact and soft seeks; a shorter text matches as a prefix.
    EXPECT_OK(t.seek(std::string("111")));
    EXPECT_TRUE(t.found());
    EXPECT_EQ(t.str("CPF"), "11144477700");
    EXPECT_OK(t.seek(std::string("2"), true));
    EXPECT_FALSE(t.found());
    EXPECT_EQ(t.str("CPF"), "52998224725");
    EXPECT_OK(t.seek(std::string("2")));
    EXPECT_TRUE(t.eof());
    EXPECT_OK(t.seek(std::string("99"), true));
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.seek(Decimal(5)).code(), Status::Code::kInvalid);

    // Deleted records stay in the index and are hidden; recalled, they come back.
    EXPECT_OK(t.seek(std::string("00000000191")));
    ASSERT_TRUE(REC_LOCK(term.w, 5));
    ASSERT_OK(t.delete_record());
    ASSERT_OK(t.unlock());
    EXPECT_EQ(forward(t, "CPF"), Names(by_cpf.begin() + 1, by_cpf.end()));
    EXPECT_OK(t.seek(std::string("00000000191")));
    EXPECT_TRUE(t.eof());
    ASSERT_OK(t.go_to(3));
    ASSERT_TRUE(REC_LOCK(term.w, 5));
    ASSERT_OK(t.recall());
    ASSERT_OK(t.unlock());
    EXPECT_EQ(forward(t, "CPF"), by_cpf);

    // A changed key moves its record; the next skip goes on from its new place.
    EXPECT_OK(t.seek(std::string("98765432100")));
    ASSERT_TRUE(REC_LOCK(term.w, 5));
    ASSERT_OK(t.replace(t.field("CPF"), "11144477701"));
    ASSERT_OK(t.unlock());
    EXPECT_OK(t.skip(1));
    EXPECT_EQ(t.str("CPF"), "11144477735");
    EXPECT_OK(t.skip(-2));
    EXPECT_EQ(t.str("CPF"), "11144477700");

    // The other orders: upper-case names (bytes compared as stored), then numbers.
    t.set_order(2);
    EXPECT_EQ(forward(t, "NOMECONTR"),
              (Names{"ana lima", "Bruno", "Carla", "Zélia Souza", "Ângelo"}));
    EXPECT_OK(t.seek(std::string("ZÉ")));
    EXPECT_TRUE(t.found());
    t.set_order(3);
    EXPECT_EQ(forward(t, "CPF"),
              (Names{"11144477735", "11144477701", "00000000191", "52998224725", "11144477700"}));
    EXPECT_OK(t.seek(Decimal(10)));
    EXPECT_TRUE(t.found());
    EXPECT_EQ(t.str("NOMECONTR"), "Carla");

    testing::expect_indexes_match_tables(testing::registry_indexes(dir));

    // Pack and zap rebuild every index of the table held alone.
    ASSERT_TRUE(term.open_registry(dir, true));
    Table& x = term.w.current();
    ASSERT_OK(x.seek(std::string("5")));
    ASSERT_OK(x.delete_record());
    ASSERT_OK(x.pack());
    EXPECT_EQ(forward(x, "CPF"),
              (Names{"00000000191", "11144477700", "11144477701", "11144477735"}));
    testing::expect_indexes_match_tables(testing::registry_indexes(dir));
    ASSERT_OK(x.zap());
    EXPECT_OK(x.go_top());
    EXPECT_TRUE(x.eof());
    ASSERT_TRUE(add(term.w, "12345678909", "Depois", 0));
    EXPECT_EQ(forward(x, "CPF"), Names{"12345678909"});
    term.w.close_all();
    testing::expect_indexes_match_tables(testing::registry_indexes(dir));
}

TEST(CdxTables, EveryCatalogueIndexListsItsTableInKeyOrder) {
    // Every index of the tables the program creates, over a few varied records.
    TempDir dir;
    Terminal term(dir);
    const char* texts[] = {"Ótimo", "b", "A 1", "ção", "Z9", ""};
    std::vector<testing::Listed> all;
    for (const TableDef& def : all_tables()) {
        if (def.reference || def.indexes.empty() || !def.layout) continue;
        SCOPED_TRACE(def.name);
        auto files = def.index_files(term.w.NUSU);
        std::string more[2][2];
        for (size_t i = 1; i < files.size(); ++i)
            more[i - 1][0] = files[i].key, more[i - 1][1] = dir.file(files[i].file);
        ASSERT_TRUE(ABREARQ(term.w, def.number, true, dir.file(def.file_base(term.w.NUSU)),
                            files[0].key, more[0][0], more[0][1], more[1][0], more[1][1]));
        Table& t = term.w.current();
        ASSERT_EQ(t.index_count(), files.size());
        for (int r = 0; r < 6; ++r) {
            ASSERT_OK(t.append());
            for (const Field& f : t.fields()) {
                int v = (r * 7 + static_cast<int>(f.index)) % 6;
                if (f.type == FieldType::kChar) ASSERT_OK(t.replace(f, texts[v]));
                if (f.type == FieldType::kNumeric) ASSERT_OK(t.replace(f, Decimal(v)));
                if (f.type == FieldType::kDate) ASSERT_OK(t.replace(f, Date(2025, v + 1, 28 - v)));
            }
        }
        std::string dbf = t.path();
        term.w.close_all();
        for (const auto& ix : files) {
            std::string cdx = find_file(Env::posix(), dir.path(), ix.file + ".CDX");
            std::unique_ptr<CdxFile> f;
            ASSERT_OK(CdxFile::open(Env::posix(), cdx, CdxMode::kReadOnly, def.layout.get(), &f));
            KeyType type = f->tags()[0].spec.type;
            all.push_back({dbf, cdx, ix.key, type == KeyType::kNumeric ? "num" : "char"});
        }
    }
    testing::expect_indexes_match_tables(all);
}

// ---------------------------------------------------------------------------------------------

TEST(CdxOpening, AMissingFirstIndexPacksTheTableAndBuildsIt) {
    TempDir dir;
    Terminal term(dir);
    ASSERT_TRUE(ABREARQ(term.w, 9, false, dir.file("IMP0926")));  // no index yet
    ASSERT_TRUE(add(term.w, "33333333333", "C", 0));
    ASSERT_TRUE(add(term.w, "11111111111", "A", 0));
    ASSERT_TRUE(add(term.w, "22222222222", "B", 0));
    Table& t0 = term.w.current();
    ASSERT_OK(t0.go_to(2));
    ASSERT_TRUE(REC_LOCK(term.w, 5));
    ASSERT_OK(t0.delete_record());
    term.w.close_all();

    term.w.MOS_MENS = true;
    ASSERT_TRUE(term.open_registry(dir));
    EXPECT_TRUE(term.op.saw("progress", "Criando o indice IMP0926.CDX"));
    EXPECT_TRUE(term.op.saw("progress", "Criando o indice IMP0926B.CDX"));
    Table& t = term.w.current();
    uint32_t n = 0;
    ASSERT_OK(t.record_count(&n));
    EXPECT_EQ(n, 2u);  // packed before indexing
    EXPECT_EQ(forward(t, "CPF"), (Names{"22222222222", "33333333333"}));
    EXPECT_TRUE(t.structural_index_flag());
    EXPECT_EQ(testing::slurp(dir.file("IMP0926.DBF"))[28], 1);
    term.w.close_all();

    // REFAZ_IND rebuilds every index without packing.
    ASSERT_TRUE(term.open_registry(dir));
    Table& t2 = term.w.current();
    ASSERT_OK(t2.seek(std::string("2")));
    ASSERT_TRUE(REC_LOCK(term.w, 5));
    ASSERT_OK(t2.delete_record());
    term.w.close_all();
    term.op.said.clear();
    term.w.REFAZ_IND = true;
    ASSERT_TRUE(term.open_registry(dir));
    term.w.REFAZ_IND = false;
    EXPECT_TRUE(term.op.saw("progress", "Criando o indice IMP0926.CDX"));
    Table& t3 = term.w.current();
    ASSERT_OK(t3.record_count(&n));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(forward(t3, "CPF"), Names{"33333333333"});
    term.w.close_all();

    // An empty index file left by a crash is removed by CDX() and built again.
    testing::spit(dir.file("IMP0926.CDX"), "");
    ASSERT_OK(CDX(Env::posix(), dir.path()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("IMP0926.CDX")));
    ASSERT_TRUE(term.open_registry(dir));
    EXPECT_EQ(forward(term.w.current(), "CPF"), Names{"33333333333"});
    ASSERT_OK(term.w.current().record_count(&n));
    EXPECT_EQ(n, 1u);
}

TEST(CdxOpening, ADamagedOrStaleIndexIsReportedAndBuiltAgain) {
    TempDir dir;
    Terminal term(dir);
    ASSERT_TRUE(term.open_registry(dir));
    for (int i = 0; i < 300; ++i) {
        char cpf[32];
        std::snprintf(cpf, sizeof cpf, "%011d", (i * 7919) % 100000);
        ASSERT_TRUE(add(term.w, cpf, "Nome " + std::to_string(i), i % 5));
    }
    Names good = forward(term.w.current(), "CPF");
    term.w.close_all();
    const std::string cdx = dir.file("IMP0926.CDX");
    const std::string intact = testing::slurp(cdx);

    auto reopen_reports = [&](const char* what) {
        term.op.said.clear();
        ASSERT_TRUE(term.open_registry(dir)) << what;
        EXPECT_TRUE(term.op.saw("notice", damaged_index_notice("IMP0926.CDX"))) << what;
        EXPECT_EQ(forward(term.w.current(), "CPF"), good) << what;
        term.w.close_all();
        term.op.said.clear();
        ASSERT_TRUE(term.open_registry(dir));  // and now it is sound
        EXPECT_FALSE(term.op.saw("notice", damaged_index_notice("IMP0926.CDX"))) << what;
        term.w.close_all();
    };

    std::string bad = intact;
    bad[1536 + 12] = 3;  // key length in the tag header
    testing::spit(cdx, bad);
    reopen_reports("bad header");

    bad = intact;
    for (size_t i = 0; i < 40; ++i) bad[bad.size() - 600 + i] = static_cast<char>(0x7F - i);
    testing::spit(cdx, bad);
    reopen_reports("garbled page");

    testing::spit(cdx, intact.substr(0, 2000));
    reopen_reports("cut short");

    // A record changed by a program that did not keep the index: its key no longer matches.
    {
        std::unique_ptr<Table> t;
        ASSERT_OK(
            Table::open(Env::posix(), dir.file("IMP0926.DBF"), {true, false, &test_clock()}, &t));
        ASSERT_OK(t->go_to(150));
        ASSERT_OK(t->replace(t->field("CPF"), "99999999999"));
        ASSERT_OK(t->close());
    }
    good.erase(std::find(good.begin(), good.end(), [&] {
        char cpf[32];
        std::snprintf(cpf, sizeof cpf, "%011d", (149 * 7919) % 100000);
        return std::string(cpf);
    }()));
    good.push_back("99999999999");
    reopen_reports("stale key");

    // A record added by such a program: one key short.
    {
        std::unique_ptr<Table> t;
        ASSERT_OK(
            Table::open(Env::posix(), dir.file("IMP0926.DBF"), {true, false, &test_clock()}, &t));
        ASSERT_OK(t->append());
        ASSERT_OK(t->replace(t->field("CPF"), "00000000000"));
        ASSERT_OK(t->close());
    }
    good.insert(good.begin(), "00000000000");
    reopen_reports("missing key");
}

// Another terminal between writing records and their keys holds their locks: an opening then
// finds nothing wrong. Once the locks are gone without the keys, it is damage.
TEST(CdxOpening, RecordsAnotherTerminalIsStillWritingAreNotDamage) {
    TempDir dir;
    Terminal term(dir);
    ASSERT_TRUE(term.open_registry(dir));
    for (const char* cpf : {"33333333333", "11111111111", "22222222222"})
        ASSERT_TRUE(add(term.w, cpf, "Nome", 1));
    term.w.close_all();

    // A writer whose keys have not been written yet: a table handle without the indexes.
    std::unique_ptr<Table> other;
    ASSERT_OK(
        Table::open(Env::posix(), dir.file("IMP0926.DBF"), {false, false, &test_clock()}, &other));
    ASSERT_OK(other->append());
    ASSERT_OK(other->replace(other->field("CPF"), "44444444444"));
    term.op.said.clear();
    ASSERT_TRUE(term.open_registry(dir));
    EXPECT_FALSE(term.op.saw("notice", "danificado"));
    term.w.close_all();

    ASSERT_OK(other->go_to(2));
    ASSERT_OK(other->lock_record(0, true));  // record 4 stays locked too
    ASSERT_OK(other->replace(other->field("CPF"), "55555555555"));
    ASSERT_TRUE(term.open_registry(dir));
    EXPECT_FALSE(term.op.saw("notice", "danificado"));
    term.w.close_all();

    ASSERT_OK(other->unlock());
    ASSERT_TRUE(term.open_registry(dir));
    EXPECT_TRUE(term.op.saw("notice", damaged_index_notice("IMP0926.CDX")));
    EXPECT_EQ(forward(term.w.current(), "CPF"),
              (Names{"22222222222", "33333333333", "44444444444", "55555555555"}));
}

// A damaged index of a table open by other terminals is rebuilt where it is: what lay beyond the
// new tree is cut off, so a file of garbage does not keep its size.
TEST(CdxOpening, AGarbageIndexRebuiltInPlaceIsCutToTheNewTree) {
    TempDir dir;
    Names by_cpf;
    {
        Terminal term(dir);
        ASSERT_TRUE(term.open_registry(dir));
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(add(term.w, std::to_string(10000000000LL + i * 37), "Nome", i % 3));
        by_cpf = forward(term.w.current(), "CPF");
    }
    const std::string garbage(1 << 20, '\x5A');
    for (const char* f : {"IMP0926.CDX", "IMP0926B.CDX"}) testing::spit(dir.file(f), garbage);
    Terminal other(dir);  // holds the table shared: the rebuild cannot replace the file
    ASSERT_TRUE(other.open_registry(dir));
    Terminal term(dir);
    ASSERT_TRUE(term.open_registry(dir));
    EXPECT_TRUE(term.op.saw("notice", damaged_index_notice("IMP0926.CDX")) ||
                other.op.saw("notice", damaged_index_notice("IMP0926.CDX")));
    for (const char* f : {"IMP0926.CDX", "IMP0926B.CDX"})
        EXPECT_LT(std::filesystem::file_size(dir.file(f)), 16u * 1024) << f;
    EXPECT_EQ(forward(term.w.current(), "CPF"), by_cpf);
}

TEST(CdxOpening, AFailureAtAnyStepOfRebuildingLeavesIndexesThatOpenRight) {
    TempDir dir;
    Names by_cpf, by_name;
    {
        Terminal term(dir);
        ASSERT_TRUE(term.open_registry(dir));
        for (int i = 0; i < 80; ++i) {
            char cpf[32];
            std::snprintf(cpf, sizeof cpf, "%011d", (i * 7919) % 100003);
            ASSERT_TRUE(add(term.w, cpf, "Nome " + std::to_string((i * 31) % 97), i % 4));
        }
        by_cpf = forward(term.w.current(), "CPF");
        term.w.current().set_order(2);
        by_name = forward(term.w.current(), "NOMECONTR");
    }
    // Rebuilding every index (REFAZ_IND) with the machine stopping at step 1, 2, 3 ...: the next
    // opening finds either the old or the new file, or a damaged one it builds again.
    for (int step = 1;; ++step) {
        ASSERT_LT(step, 500);
        FaultEnv faulty(Env::posix());
        faulty.fail_at(step, true);
        bool finished;
        {
            ScriptedOperator op;
            CdxIndexFiles files(op);
            WorkAreas w(faulty, op, test_clock());
            w.index_files = &files;
            w.REFAZ_IND = true;
            finished = ABREARQ(w, 9, false, dir.file("IMP0926"), "CPF", "UPPER(NOMECONTR)", "",
                               "ESTATUS", "");
        }
        finished = finished && !faulty.failed();
        Terminal after(dir);
        ASSERT_TRUE(after.open_registry(dir)) << "step " << step;
        Table& t = after.w.current();
        EXPECT_EQ(forward(t, "CPF"), by_cpf) << "step " << step;
        t.set_order(2);
        EXPECT_EQ(forward(t, "NOMECONTR"), by_name) << "step " << step;
        if (finished) {
            EXPECT_GT(step, 5);  // temp file, write, sync, rename, folder sync, two rewrites
            break;
        }
    }
}

TEST(CdxOpening, APackFailingAtAnyStepNeverLeavesAWrongOrder) {
    TempDir dir;
    Names visible;
    {
        Terminal term(dir);
        ASSERT_TRUE(term.open_registry(dir, true));
        Table& t = term.w.current();
        for (int i = 0; i < 30; ++i) {
            char cpf[32];
            std::snprintf(cpf, sizeof cpf, "%011d", (i * 7919) % 100003);
            ASSERT_TRUE(add(term.w, cpf, "Nome", i % 4));
            if (i % 3 == 0) ASSERT_OK(t.delete_record());
        }
        visible = forward(t, "CPF");
    }
    const char* files[] = {"IMP0926.DBF", "IMP0926.CDX", "IMP0926B.CDX", "IMP0926C.CDX"};
    std::map<std::string, std::string> before;
    for (const char* f : files) before[f] = testing::slurp(dir.file(f));
    for (int step = 1;; ++step) {
        ASSERT_LT(step, 500);
        for (const char* f : files) testing::spit(dir.file(f), before[f]);
        FaultEnv faulty(Env::posix());
        bool finished;
        {
            ScriptedOperator op;
            CdxIndexFiles index_files(op);
            WorkAreas w(faulty, op, test_clock());
            w.index_files = &index_files;
            ASSERT_TRUE(ABREARQ(w, 9, true, dir.file("IMP0926"), "CPF", "UPPER(NOMECONTR)", "",
                                "ESTATUS", ""));
            Table& t = w.current();
            faulty.fail_at(step, false);
            finished = t.pack().is_ok() && !faulty.failed();
            // Whatever failed, moving through the table answers with a status.
            Status s = t.go_top();
            while (s && !t.eof()) s = t.skip(1);
            EXPECT_TRUE(s.is_ok() || !finished) << "step " << step;
        }
        Terminal after(dir);
        ASSERT_TRUE(after.open_registry(dir)) << "step " << step;
        EXPECT_EQ(forward(after.w.current(), "CPF"), visible) << "step " << step;
        if (finished) break;
    }
}

TEST(CdxOpening, SecondIndexRebuiltWhileAnotherTerminalUsesIt) {
    TempDir dir;
    Terminal a(dir), b(dir);
    ASSERT_TRUE(a.open_registry(dir));
    ASSERT_TRUE(add(a.w, "22222222222", "Bia", 1));
    ASSERT_TRUE(add(a.w, "11111111111", "Caio", 2));
    Table& ta = a.w.current();
    ta.set_order(2);
    ASSERT_OK(ta.go_top());
    EXPECT_EQ(ta.str("NOMECONTR"), "Bia");

    ASSERT_TRUE(b.open_registry(dir));  // rebuilds IMP0926B and C in place
    ASSERT_TRUE(add(b.w, "33333333333", "Ana", 3));
    ASSERT_OK(ta.skip(1));
    EXPECT_EQ(ta.str("NOMECONTR"), "Caio");
    EXPECT_EQ(forward(ta, "NOMECONTR"), (Names{"Ana", "Bia", "Caio"}));
    EXPECT_OK(ta.seek(std::string("ANA")));
    EXPECT_TRUE(ta.found());
    ta.set_order(1);
    EXPECT_OK(ta.seek(std::string("33333333333")));
    EXPECT_TRUE(ta.found());
}

// ---------------------------------------------------------------------------------------------

// Several terminals append and change keys in one indexed table at once.
TEST(CdxSharing, ProcessesAppendingAndReplacingKeepEveryIndexWhole) {
    TempDir dir;
    {
        Terminal setup(dir);
        ASSERT_TRUE(setup.open_registry(dir));  // table and indexes exist before the race
    }
    constexpr int kProcs = 4, kEach = 60;
    auto cpf_of = [](int p, int i, bool changed) {
        char c[32];
        std::snprintf(c, sizeof c, "%d%04d%05d%d", p, (i * 37) % 10000, i, changed ? 1 : 0);
        return std::string(c);
    };
    int done[2], go[2];
    ASSERT_EQ(pipe(done), 0);
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> kids;
    for (int p = 1; p <= kProcs; ++p) {
        pid_t pid = fork();
        if (pid == 0) {
            close(done[0]);
            close(go[1]);
            int code = [&] {
                Terminal term(dir);
                term.op.sleep_for_real = true;
                if (!term.open_registry(dir)) return 2;
                Table& t = term.w.current();
                for (int i = 0; i < kEach; ++i) {
                    if (!add(term.w, cpf_of(p, i, false), "P" + std::to_string(p), i % 7)) return 3;
                    if (i % 3 == 0) {  // change the key of this terminal's record of a while ago
                        t.set_order(1);
                        if (!t.seek(cpf_of(p, i / 2, false)).is_ok() || !t.found()) return 4;
                        if (!REC_LOCK(term.w, 5)) return 5;
                        if (!t.replace(t.field("CPF"), cpf_of(p, i / 2, true)).is_ok()) return 6;
                        if (!t.unlock().is_ok()) return 7;
                    }
                }
                char x = 1;
                if (write(done[1], &x, 1) != 1) return 8;
                close(done[1]);  // the parent reads to the end: a failed terminal never blocks it
                if (read(go[0], &x, 1) != 0) return 9;  // every terminal has finished
                // Every other terminal's records are found through this terminal's indexes.
                for (int q = 1; q <= kProcs; ++q)
                    for (int i = 0; i < kEach; ++i) {
                        // Record i was changed by step 2i or 2i + 1, whichever is a multiple of 3.
                        bool changed =
                            (2 * i) % 3 == 0 || (2 * i + 1 < kEach && (2 * i + 1) % 3 == 0);
                        changed = changed && 2 * i < kEach;
                        t.set_order(1);
                        if (!t.seek(cpf_of(q, i, changed)).is_ok() || !t.found()) return 10;
                    }
                return 0;
            }();
            _exit(code);
        }
        kids.push_back(pid);
    }
    close(done[1]);
    close(go[0]);
    // Every terminal has finished (or failed) when each has closed its end of `done`.
    char x;
    int finished = 0;
    while (read(done[0], &x, 1) == 1) ++finished;
    EXPECT_EQ(finished, kProcs);
    close(go[1]);
    for (pid_t pid : kids) {
        int st = 0;
        waitpid(pid, &st, 0);
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "terminal exit " << WEXITSTATUS(st);
    }
    // Every index file the terminals kept holds exactly one key per record, in order (an
    // opening would build the second and third anew).
    testing::expect_indexes_match_tables(testing::registry_indexes(dir));
    Terminal check(dir);
    ASSERT_TRUE(check.open_registry(dir));
    EXPECT_FALSE(check.op.saw("notice", damaged_index_notice("IMP0926.CDX")));
    Table& t = check.w.current();
    uint32_t n = 0;
    ASSERT_OK(t.record_count(&n));
    EXPECT_EQ(n, static_cast<uint32_t>(kProcs * kEach));
    EXPECT_EQ(forward(t, "CPF").size(), n);
}

}  // namespace
}  // namespace vorn::store
