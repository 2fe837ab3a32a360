// Whole-file rewrites (create, pack, zap, structure upgrade) failed at every step, once or as a
// crash: the table's name always holds the old table or the new one, whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/opening.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::slurp;
using testing::TempDir;
using testing::test_clock;

std::shared_ptr<const Layout> layout() {
    return std::make_shared<const Layout>(parse_fields("NOME C20, VALOR N12.2, DATA D"));
}

std::vector<Record> rows(int n) {
    std::vector<Record> out;
    for (int i = 1; i <= n; ++i) {
        Record r(layout());
        r.set("NOME", "Cliente " + std::to_string(i));
        r.set("VALOR", Decimal::from_scaled(i * 101, 2));
        r.set("DATA", Date(2025, 1, 1).add_days(i));
        out.push_back(r);
    }
    return out;
}

// The names of the visible records, or {"<unreadable>"}.
std::vector<std::string> names(const std::string& path) {
    std::unique_ptr<Table> t;
    if (!Table::open(Env::posix(), path, {}, &t)) return {"<unreadable>"};
    std::vector<std::string> out;
    for (Status s = t->go_top(); s && !t->eof(); s = t->skip()) out.push_back(t->str("NOME"));
    return out;
}

std::vector<std::string> expected_names(int n, bool odd_only) {
    std::vector<std::string> out;
    for (int i = 1; i <= n; ++i)
        if (!odd_only || i % 2 == 1) out.push_back("Cliente " + std::to_string(i));
    return out;
}

size_t temp_files(const std::string& dir) {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".tmp") ++n;
    return n;
}

// Runs `rewrite` against a fresh table with step k failing, for k = 1, 2, ... until a run sees no
// failure; `check` judges the file left behind.
void at_every_step(bool crash, const std::function<Status(FaultEnv&, const std::string&)>& rewrite,
                   const std::function<void(const std::string&, const std::string&, bool)>& check) {
    for (int k = 1; k < 100; ++k) {
        TempDir dir;
        std::string path = dir.file("T.DBF");
        ASSERT_OK(Table::create(Env::posix(), path, *layout(), rows(40), &test_clock(), false));
        {
            auto t = testing::open_table(path, true);
            for (uint32_t n = 2; n <= 40; n += 2) {
                ASSERT_OK(t->go_to(n));
                ASSERT_OK(t->delete_record());
            }
        }
        std::string before = slurp(path);
        FaultEnv env(Env::posix());
        env.fail_at(k, crash);
        Status s = rewrite(env, path);
        bool failed = env.failed();
        SCOPED_TRACE("step " + std::to_string(k) + (crash ? " (crash)" : " (one failure)"));
        EXPECT_EQ(s.is_ok(), !failed) << s.to_string();
        check(path, before, failed);
        if (!crash) {
            EXPECT_EQ(temp_files(dir.path()), 0u);
        }
        if (!failed) return;
    }
    FAIL() << "the rewrite never completed";
}

TEST(Rewrite, PackLeavesTheOldOrTheNewTableWhole) {
    for (bool crash : {false, true}) {
        at_every_step(
            crash,
            [](FaultEnv& env, const std::string& path) {
                std::unique_ptr<Table> t;
                Status s = Table::open(env, path, {true, false, &test_clock()}, &t);
                if (!s) return s;
                s = t->pack();
                if (!s) return s;
                // After a pack that worked, the handle reads the packed table.
                if (t->str("NOME") != "Cliente 1") return Status::corrupt("wrong first record");
                return t->close();
            },
            [](const std::string& path, const std::string& before, bool failed) {
                std::string after = slurp(path);
                auto got = names(path);
                EXPECT_EQ(got, expected_names(40, true));
                if (after != before) {
                    // The new table: exactly the kept records, counted in the header.
                    EXPECT_EQ(after.size(), before.size() - 20 * (after[10] | after[11] << 8));
                    EXPECT_EQ(static_cast<uint8_t>(after[4]), 20);
                } else {
                    EXPECT_TRUE(failed);
                }
            });
    }
}

TEST(Rewrite, ZapLeavesTheOldOrTheEmptyTable) {
    at_every_step(
        true,
        [](FaultEnv& env, const std::string& path) {
            std::unique_ptr<Table> t;
            Status s = Table::open(env, path, {true, false, &test_clock()}, &t);
            if (s) s = t->zap();
            return s;
        },
        [](const std::string& path, const std::string& before, bool) {
            auto got = names(path);
            if (slurp(path) == before)
                EXPECT_EQ(got, expected_names(40, true));
            else
                EXPECT_TRUE(got.empty());
        });
}

TEST(Rewrite, CreationNeverLeavesAHalfWrittenTable) {
    for (int k = 1;; ++k) {
        TempDir dir;
        std::string path = dir.file("NOVA.DBF");
        FaultEnv env(Env::posix());
        env.fail_at(k, true);
        Status s = Table::create(env, path, *layout(), rows(30), &test_clock(), false);
        SCOPED_TRACE("step " + std::to_string(k));
        if (Env::posix().exists(path))
            EXPECT_EQ(names(path), expected_names(30, false));
        else
            EXPECT_FALSE(s.is_ok());
        if (!env.failed()) {
            EXPECT_TRUE(s.is_ok());
            break;
        }
        ASSERT_LT(k, 50);
    }
}

TEST(Rewrite, StructureUpgradeLeavesTheOldOrTheUpgradedTable) {
    // Table 2 as the previous edition had it: without its newest field.
    std::vector<FieldDef> old_fields;
    for (const auto& f : table_def(2)->layout->fields())
        if (f.name != "I1_45") old_fields.push_back(f);
    auto old_layout = std::make_shared<const Layout>(old_fields);
    for (bool crash : {false, true}) {
        for (int k = 1;; ++k) {
            TempDir dir;
            std::string path = dir.file("IMP0226.DBF");
            std::vector<Record> old_rows;
            for (int i = 0; i < 25; ++i) {
                Record r(old_layout);
                r.set("CPF", "1234567890" + std::to_string(i % 10));
                r.set("I1_2", "Fonte pagadora " + std::to_string(i));
                r.set("I1_44", Decimal::from_scaled(i * 12345, 2));
                old_rows.push_back(r);
            }
            ASSERT_OK(
                Table::create(Env::posix(), path, *old_layout, old_rows, &test_clock(), false));
            testing::spit(dir.file("IMP0226.CDX"), "old index");
            std::string before = slurp(path);
            FaultEnv env(Env::posix());
            ScriptedOperator op;
            WorkAreas w(env, op, test_clock());
            w.LOCARQ = dir.path();
            w.ARQDEF = dir.path();
            EXPECT_TRUE(needs_upgrade(w, 2));
            env.fail_at(k, crash);
            bool ok = CORRIGE(w, 2);
            SCOPED_TRACE("step " + std::to_string(k) + (crash ? " (crash)" : ""));
            EXPECT_EQ(ok, !env.failed());
            std::string after = slurp(path);
            if (after == before) {
                EXPECT_FALSE(ok);
                EXPECT_TRUE(needs_upgrade(w, 2));
            } else {
                EXPECT_FALSE(needs_upgrade(w, 2));
                EXPECT_FALSE(Env::posix().exists(dir.file("IMP0226.CDX")));
                auto t = testing::open_table(path);
                uint32_t n = 0;
                ASSERT_OK(t->record_count(&n));
                EXPECT_EQ(n, 25u);
                ASSERT_OK(t->go_to(25));
                EXPECT_EQ(t->str("I1_2"), "Fonte pagadora 24");
                EXPECT_EQ(t->num("I1_44"), Decimal::from("2962.80"));
                EXPECT_EQ(t->num("I1_45"), Decimal(0));
            }
            if (ok) {
                EXPECT_TRUE(op.saw("progress", "IMP0226.DBF Atualizado"));
                EXPECT_FALSE(Env::posix().exists(dir.file("IMP0226.CDX")));
                EXPECT_FALSE(Env::posix().exists(dir.file("ACERTO.DBF")));
                break;
            }
            if (!crash) {
                EXPECT_FALSE(Env::posix().exists(dir.file("ACERTO.DBF")));
            }
            ASSERT_LT(k, 100);
        }
    }
}

}  // namespace
}  // namespace vorn::store
