// Recomputing a folder when a terminal saves one of its declarations between the folder's reading
// and the writing back: the declaration is read again, so nothing the terminal saved is lost. A
// posting run leaves alone a declaration a terminal opened meanwhile.
#include "tax/recompute.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "builder.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "tax/folder.h"

namespace vorn::tax {
namespace {

namespace fs = std::filesystem;
using testing::Builder;

// The CPF's record of data table n, rewritten by `change` under its lock, as a terminal's save
// writes it.
template <typename Change>
void rewrite(const std::string& folder, int n, const std::string& cpf, Change change) {
    store::Env& env = store::Env::posix();
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(env, store::data_table_path(env, folder, n), {}, &t).is_ok());
    std::vector<store::Record> rows;
    std::vector<uint32_t> slots;
    ASSERT_TRUE(store::records_of(*t, cpf, &rows, &slots).is_ok());
    ASSERT_EQ(rows.size(), 1u);
    change(rows[0]);
    ASSERT_TRUE(t->go_to(slots[0]).is_ok());
    ASSERT_TRUE(t->lock_record().is_ok());
    ASSERT_TRUE(t->put(rows[0]).is_ok());
    ASSERT_TRUE(t->close().is_ok());
}

// A record of data table n appended for the CPF, as a terminal's save appends a new item.
void append(const std::string& folder, int n, const std::string& cpf,
            const std::function<void(store::Record&)>& fill) {
    store::Env& env = store::Env::posix();
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(env, store::data_table_path(env, folder, n), {}, &t).is_ok());
    store::Record r = Declaration::blank(cpf).new_record(n);
    r.set("CPF", cpf);
    fill(r);
    ASSERT_TRUE(t->append(&r).is_ok());
    ASSERT_TRUE(t->close().is_ok());
}

TEST(FolderReader, RecordsAppendedAfterTheFolderWasNotedAreReadOnceEach) {
    const fs::path dir = fs::path(VORN_BINARY_DIR) / "folder_append_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string a = "11144477735", b = "52998224725";
    Builder first(a.c_str()), second(b.c_str());
    second.payment(10, "100.00");
    ManualClock clock(DateTime{Date(2026, 4, 15), 36000});
    ASSERT_TRUE(write_folder(store::Env::posix(), dir.string(), {first.d, second.d}, &clock));
    FolderReader folder;
    ASSERT_TRUE(FolderReader::read(store::Env::posix(), dir.string(), "", &folder).is_ok());
    // Each group read after a terminal appended payments sees all of them, in record order, and
    // none twice, however many appends were noted one after another.
    auto paid = [&](size_t k) {
        std::vector<FolderReader::Loaded> l;
        EXPECT_TRUE(folder.load(k, 1, &l).is_ok());
        std::string out;
        for (const auto& p : l.at(0).declaration.payments) out += p.num("I6_4").to_string(2) + " ";
        return out;
    };
    EXPECT_EQ(paid(1), "100.00 ");
    for (int round = 1; round <= 3; ++round) {
        append(dir.string(), 6, b, [&](store::Record& p) { p.set("I6_4", Decimal(round)); });
        append(dir.string(), 6, a, [&](store::Record& p) { p.set("I6_4", Decimal(10 * round)); });
    }
    EXPECT_EQ(paid(1), "100.00 1.00 2.00 3.00 ");
    EXPECT_EQ(paid(0), "10.00 20.00 30.00 ");
    EXPECT_EQ(paid(1), "100.00 1.00 2.00 3.00 ");
    bool any = false;
    ASSERT_TRUE(folder.holds(0, 13, &any).is_ok());
    EXPECT_FALSE(any);
    append(dir.string(), 13, a, [](store::Record& p) { p.set("CDCONTA", "5230"); });
    ASSERT_TRUE(folder.holds(0, 13, &any).is_ok());
    EXPECT_TRUE(any);  // a posting typed on a terminal after the folder was read
    ASSERT_TRUE(folder.holds(1, 13, &any).is_ok());
    EXPECT_FALSE(any);
    fs::remove_all(dir);
}

TEST(Recompute, ADeclarationSavedMeanwhileIsReadAgainBeforeItIsWritten) {
    const fs::path dir = fs::path(VORN_BINARY_DIR) / "recompute_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    Builder first("11144477735"), second("52998224725");
    first.company("60000.00", "5000.00", "6000.00", "5000.00");
    second.company("90000.00", "9000.00", "8000.00", "7000.00");
    second.payment(10, "3000.00");
    ManualClock clock(DateTime{Date(2026, 4, 15), 36000});
    ASSERT_TRUE(write_folder(store::Env::posix(), dir.string(), {first.d, second.d}, &clock));

    RecomputeRequest rq;
    rq.folder = dir.string();
    rq.clock = &clock;
    payments::InterestTable selic;
    rq.selic = &selic;
    std::vector<Recomputed> lines;
    Status s = recompute_folder(store::Env::posix(), rq, [&](const Recomputed& r) {
        lines.push_back(r);
        if (lines.size() > 1) return;
        // While the first is written, a terminal saves the second with a larger medical payment
        // and closes it.
        rewrite(rq.folder, 6, "52998224725",
                [](store::Record& p) { p.set("I6_4", Decimal::from("13000.00")); });
        rewrite(rq.folder, 9, "52998224725", [](store::Record& r) {
            r.set("NOMECONTR", "SALVA NO TERMINAL 02");
            r.set("DATAFIM", Date(2026, 4, 15));
        });
    });
    ASSERT_TRUE(s.is_ok()) << s.to_string();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].outcome, Recomputed::Outcome::kSaved);

    // What the terminal saved stays, and the stored summary is the computation of it.
    FolderReader after;
    ASSERT_TRUE(FolderReader::read(store::Env::posix(), rq.folder, "52998224725", &after).is_ok());
    std::vector<FolderReader::Loaded> read;
    ASSERT_TRUE(after.load(0, 1, &read).is_ok());
    ASSERT_TRUE(read.at(0).status.is_ok());
    Declaration saved = read.at(0).declaration;
    EXPECT_EQ(saved.registry.str("NOMECONTR"), "SALVA NO TERMINAL 02");
    EXPECT_EQ(saved.payments.at(0).num("I6_4"), Decimal::from("13000.00"));
    Declaration expected = saved;
    testing::Session session(expected);
    compute_declaration(session.ctx);
    EXPECT_EQ(saved.summary.num("I13_14"), Decimal::from("13000.00"));
    EXPECT_EQ(saved.registry.num("IMPPGRE"), expected.num("IMPPGRE"));
    EXPECT_EQ(lines[1].IMPPGRE, expected.num("IMPPGRE"));
    fs::remove_all(dir);
}

TEST(Posting, ADeclarationOpenedOrSavedByATerminalMeanwhileIsLeftOrReadAgain) {
    const fs::path dir = fs::path(VORN_BINARY_DIR) / "posting_run_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const char* cpfs[] = {"11144477735", "52998224725", "39053344705"};
    std::vector<Declaration> all;
    for (const char* cpf : cpfs) {
        Builder b(cpf);
        b.company("60000.00", "5000.00");
        store::Record p = b.d.new_record(13);
        p.set("CDCONTA", "5230");  // a refund of earlier years: exempt line 23
        p.set("VALODESP", Decimal::from("900.00"));
        b.d.postings.push_back(p);
        all.push_back(b.d);
    }
    ManualClock clock(DateTime{Date(2026, 4, 15), 36000});
    ASSERT_TRUE(write_folder(store::Env::posix(), dir.string(), all, &clock));
    store::Record account(std::make_shared<store::Layout>(
        store::parse_fields("CDCONTA C4, CDSTATUS C1, PAGINA N2.0, LINHA N2.0")));
    account.set("CDCONTA", "5230");
    account.set("CDSTATUS", "S");
    account.set("PAGINA", Decimal(3));
    account.set("LINHA", Decimal(23));
    const std::vector<store::Record> accounts{account};

    RecomputeRequest rq;
    rq.folder = dir.string();
    rq.clock = &clock;
    payments::InterestTable selic;
    rq.selic = &selic;
    rq.accounts = &accounts;
    rq.terminal = "07";
    std::vector<Recomputed> lines;
    Status s = recompute_folder(store::Env::posix(), rq, [&](const Recomputed& r) {
        lines.push_back(r);
        if (lines.size() > 1) return;
        // Meanwhile terminal 02 opens the second declaration, and a terminal saves the third.
        rewrite(rq.folder, 9, cpfs[1], [](store::Record& r) { r.set("NUSUAT", "02"); });
        rewrite(rq.folder, 9, cpfs[2],
                [](store::Record& r) { r.set("NOMECONTR", "SALVA NO TERMINAL 03"); });
    });
    ASSERT_TRUE(s.is_ok()) << s.to_string();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].outcome, Recomputed::Outcome::kSaved);
    EXPECT_EQ(lines[0].posted, 1);
    EXPECT_EQ(lines[1].outcome, Recomputed::Outcome::kInUse);
    EXPECT_EQ(lines[1].terminal, "02");
    EXPECT_EQ(lines[2].outcome, Recomputed::Outcome::kSaved);
    EXPECT_EQ(lines[2].posted, 1);

    FolderReader after;
    ASSERT_TRUE(FolderReader::read(store::Env::posix(), rq.folder, "", &after).is_ok());
    std::vector<FolderReader::Loaded> loaded;
    ASSERT_TRUE(after.load(0, after.cpfs().size(), &loaded).is_ok());
    auto declaration = [&](const std::string& cpf) {
        for (const auto& l : loaded)
            if (l.cpf == cpf) return l.declaration;
        ADD_FAILURE() << cpf << " não lido";
        return Declaration::blank(cpf);
    };
    const Declaration left = declaration(cpfs[1]);
    EXPECT_EQ(left.registry.str("NUSUAT"), "02");
    EXPECT_FALSE(left.postings.at(0).logical("LANCADO"));
    EXPECT_EQ(left.summary.num("I3_23"), Decimal());
    for (size_t i : {0, 2}) {
        const Declaration d = declaration(cpfs[i]);
        EXPECT_EQ(d.registry.str("NUSUAT"), "") << i;
        EXPECT_TRUE(d.postings.at(0).logical("LANCADO")) << i;
        EXPECT_EQ(d.summary.num("I3_23"), Decimal::from("900.00")) << i;
    }
    EXPECT_EQ(declaration(cpfs[2]).registry.str("NOMECONTR"), "SALVA NO TERMINAL 03");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vorn::tax
