// Deleting declarations and recovering them: every table marked, the registry last, exactly the
// latest deletion of a CPF recalled, nothing changed while another terminal holds a table.
#include "maintenance/deletion.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "folder_fixture.h"
#include "store/opening.h"

namespace vorn::maintenance {
namespace {

using namespace testing;
using store::Env;
using store::Table;

std::vector<std::string> cpfs(const std::vector<Recoverable>& r) {
    std::vector<std::string> out;
    for (const auto& x : r) out.push_back(x.cpf);
    return out;
}

TEST(Deletion, TwoOfThreeDeletedInEveryTableAndRecoveredAsTheyWere) {
    Office o;
    create(o, kAna, "ANA", {1, 2});
    create(o, kBia, "BIA", {1});
    create(o, kCid, "CID", {1, 2, 3});
    const Snapshot before = snapshot(o);

    Terminal t(o);
    DeletionResult del;
    ASSERT_TRUE(delete_declarations(t.w, {kAna, kCid}, DeletionKind::kWhole, &del).is_ok());
    EXPECT_EQ(del.done, (std::vector<std::string>{kAna, kCid}));
    for (int n : {1, 4, 7, 9, 16, 21}) {
        EXPECT_TRUE(live(o, n, kAna).empty()) << n;
        EXPECT_TRUE(live(o, n, kCid).empty()) << n;
        EXPECT_FALSE(live(o, n, kBia).empty()) << n;
    }
    // Only marks: nothing moved, nothing removed.
    const Snapshot deleted = snapshot(o);
    ASSERT_EQ(deleted.size(), before.size());
    // The registry is open again for the chooser.
    EXPECT_NE(t.w.table(9), nullptr);

    std::vector<Recoverable> can;
    ASSERT_TRUE(recoverable_declarations(t.w, &can).is_ok());
    ASSERT_EQ(cpfs(can), (std::vector<std::string>{kCid, kAna}));  // in CPF order
    for (const auto& r : can) EXPECT_EQ(r.name, r.cpf == kAna ? "ANA" : "CID");

    RecoveryResult rec;
    ASSERT_TRUE(recover_declarations(t.w, {}, &rec).is_ok());
    EXPECT_EQ(rec.recovered.size(), 2u);
    EXPECT_EQ(snapshot(o), before);
    ASSERT_TRUE(recoverable_declarations(t.w, &can).is_ok());
    EXPECT_TRUE(can.empty());
}

TEST(Deletion, RecoveryBringsBackTheLatestDeletionOnlyNeverRemovedItemsOrAnOlderGeneration) {
    Office o;
    create(o, kAna, "ANA 1", {1, 2, 3});
    {  // the operator removes an asset: the save deletes its record
        Terminal t(o);
        store::Declaration d(t.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(kAna, store::LoadMode::kExisting, true).is_ok());
        ASSERT_TRUE(d.working(4)->go_bottom().is_ok());
        ASSERT_TRUE(d.working(4)->delete_record().is_ok());
        ASSERT_TRUE(d.save(true).is_ok());
    }
    Terminal t(o);
    DeletionResult del;
    ASSERT_TRUE(delete_declarations(t.w, {kAna}, DeletionKind::kWhole, &del).is_ok());
    // Typed again from scratch, then deleted again.
    create(o, kAna, "ANA 2", {7}, false);
    ASSERT_TRUE(delete_declarations(t.w, {kAna}, DeletionKind::kWhole, &del).is_ok());

    RecoveryResult rec;
    ASSERT_TRUE(recover_declarations(t.w, {kAna}, &rec).is_ok());
    ASSERT_EQ(rec.recovered, std::vector<std::string>{kAna});
    const auto reg = live(o, 9, kAna);
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].str("NOMECONTR"), "ANA 2");
    const auto assets = live(o, 4, kAna);
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0].num("I7_0"), Decimal(10));  // asset 7 as saved (renumbered)
    EXPECT_TRUE(live(o, 16, kAna).empty());         // the first generation's rural data stays out
    EXPECT_EQ(live(o, 7, kAna).size(), 1u);
}

TEST(Deletion, ACpfTypedAgainIsNotRecoveredOverItsNewDeclaration) {
    Office o;
    create(o, kAna, "ANA 1", {1});
    Terminal t(o);
    DeletionResult del;
    ASSERT_TRUE(delete_declarations(t.w, {kAna}, DeletionKind::kWhole, &del).is_ok());
    create(o, kAna, "ANA 2", {5}, false);
    const Snapshot before = snapshot(o);

    std::vector<Recoverable> can;
    ASSERT_TRUE(recoverable_declarations(t.w, &can).is_ok());
    EXPECT_TRUE(can.empty());
    RecoveryResult rec;
    ASSERT_TRUE(recover_declarations(t.w, {kAna}, &rec).is_ok());
    EXPECT_TRUE(rec.recovered.empty());
    EXPECT_EQ(rec.exists_again, std::vector<std::string>{kAna});
    EXPECT_EQ(snapshot(o), before);
}

TEST(Deletion, ATableAnotherTerminalHoldsStopsDeletionAndRecoveryBeforeAnyChange) {
    Office o;
    create(o, kAna, "ANA", {1});
    create(o, kBia, "BIA", {1});
    Terminal t(o);
    DeletionResult del;
    ASSERT_TRUE(delete_declarations(t.w, {kBia}, DeletionKind::kWhole, &del).is_ok());
    const Snapshot before = snapshot(o);
    const std::string log = o.dir.file(deletion_log_name());
    const auto log_size = std::filesystem::file_size(log);

    Terminal other(o, "02");
    ASSERT_TRUE(store::ABERTURA(other.w, 7));  // the other terminal has the gains open
    Status s = delete_declarations(t.w, {kAna}, DeletionKind::kWhole, &del);
    EXPECT_EQ(s.code(), Status::Code::kLocked);
    EXPECT_EQ(del.busy, "IMP0726.DBF");
    EXPECT_TRUE(del.done.empty());
    RecoveryResult rec;
    s = recover_declarations(t.w, {}, &rec);
    EXPECT_EQ(s.code(), Status::Code::kLocked);
    EXPECT_EQ(rec.busy, "IMP0726.DBF");
    EXPECT_EQ(snapshot(o), before);
    EXPECT_EQ(std::filesystem::file_size(log), log_size);
    EXPECT_NE(t.w.table(9), nullptr);
    for (int n = 1; n <= 21; ++n) {
        if (n == 9) continue;
        EXPECT_EQ(t.w.table(n), nullptr) << n;  // nothing left held
    }

    other.w.close(7);
    ASSERT_TRUE(delete_declarations(t.w, {kAna}, DeletionKind::kWhole, &del).is_ok());
    EXPECT_EQ(del.done, std::vector<std::string>{kAna});
}

TEST(Deletion, RuralDeletionMarksTheRuralTablesOnlyAndKeepsTheClient) {
    Office o;
    create(o, kAna, "ANA", {1});
    create(o, kBia, "BIA", {1});
    Terminal t(o);
    DeletionResult del;
    ASSERT_TRUE(delete_declarations(t.w, {kAna}, DeletionKind::kRural, &del).is_ok());
    EXPECT_TRUE(live(o, 16, kAna).empty());
    EXPECT_TRUE(live(o, 21, kAna).empty());  // the rural book's banks go too
    EXPECT_EQ(live(o, 16, kBia).size(), 1u);
    EXPECT_EQ(live(o, 4, kAna).size(), 1u);
    const auto reg = live(o, 9, kAna);
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].str("TEMRURAL"), "N");
    EXPECT_EQ(reg[0].str("ATV_BRASIL"), "");
    std::vector<Recoverable> can;
    ASSERT_TRUE(recoverable_declarations(t.w, &can).is_ok());
    EXPECT_TRUE(can.empty());  // the client is there: nothing to recover
}

TEST(Deletion, ADeletionCutShortByACrashIsRecoveredWholeAfterTheOperatorDeletesAgain) {
    Office o;
    create(o, kAna, "ANA", {1, 2});
    create(o, kBia, "BIA", {1});
    const Snapshot before = snapshot(o);
    Terminal t(o);
    DeletionResult del;
    ASSERT_TRUE(delete_declarations(t.w, {kAna}, DeletionKind::kWhole, &del).is_ok());
    // What a crash after table 4 leaves: the log line without its end mark, tables 1 to 4
    // marked, the rest (the registry too) not yet.
    const std::string log = o.dir.file(deletion_log_name());
    std::string text;
    {
        std::ifstream in(log);
        std::getline(in, text);
    }
    std::ofstream(log) << text << "\n";
    t.w.close(9);
    for (int n = 5; n <= 21; ++n) {
        if (!Env::posix().exists(o.data(n))) continue;
        std::unique_ptr<Table> tb;
        ASSERT_TRUE(Table::open(Env::posix(), o.data(n), store::OpenOptions{true}, &tb).is_ok());
        std::vector<uint32_t> marked;
        ASSERT_TRUE(tb->scan_rows([&](uint32_t r, std::string_view row) {
                          if (row.substr(1, 11) == kAna && row[0] == '*') marked.push_back(r);
                      }).is_ok());
        for (uint32_t r : marked) {
            ASSERT_TRUE(tb->go_to(r).is_ok());
            ASSERT_TRUE(tb->recall().is_ok());
        }
        ASSERT_TRUE(tb->close().is_ok());
    }
    EXPECT_EQ(live(o, 9, kAna).size(), 1u);
    EXPECT_TRUE(live(o, 4, kAna).empty());
    std::vector<Recoverable> can;
    ASSERT_TRUE(recoverable_declarations(t.w, &can).is_ok());
    EXPECT_TRUE(can.empty());  // the client is still in the folder

    // The operator deletes the client again, then changes her mind.
    ASSERT_TRUE(delete_declarations(t.w, {kAna}, DeletionKind::kWhole, &del).is_ok());
    RecoveryResult rec;
    ASSERT_TRUE(recover_declarations(t.w, {}, &rec).is_ok());
    ASSERT_EQ(rec.recovered, std::vector<std::string>{kAna});
    EXPECT_EQ(snapshot(o), before);  // the assets the first attempt marked are back too
}

}  // namespace
}  // namespace vorn::maintenance
