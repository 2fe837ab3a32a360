// The CPF change through every table (the registry last, a dependant's gain asked for) and its
// refusals with nothing changed; the rebuild of every index refused while another terminal runs,
// the indexes of a folder rebuilt from a damaged file, this terminal's temporary files only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "folder_fixture.h"
#include "maintenance/cpf_change.h"
#include "maintenance/part_copy.h"
#include "maintenance/reindex.h"
#include "store/opening.h"

namespace vorn::maintenance {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using store::Env;
using store::Record;
using store::Table;

constexpr const char* kNew = "52998224725";
constexpr const char* kSon = "39053344705";

// Ana with two gains: one she sold, one her son sold.
void ana_with_gains(Office& o) {
    create(o, kAna, "ANA", {1, 2});
    Terminal t(o);
    store::Declaration d(t.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
    ASSERT_TRUE(d.load(kAna, store::LoadMode::kExisting, true).is_ok());
    std::vector<Record> gains;
    ASSERT_TRUE(d.working_records(7, &gains).is_ok());
    ASSERT_EQ(gains.size(), 1u);
    gains[0].set("CPFALIEN", kAna);
    Record son = gains[0];
    son.set("BEM_NRO", Decimal(2));
    son.set("CPFALIEN", kSon);
    gains.push_back(son);
    ASSERT_TRUE(d.replace_working(7, gains).is_ok());
    ASSERT_TRUE(d.save(true).is_ok());
}

TEST(CpfChange, EveryTableTakesTheNewCpfAndADependantsGainKeepsItsSellerOnAnEmptyAnswer) {
    Office o;
    ana_with_gains(o);
    create(o, kBia, "BIA", {1});
    std::map<int, size_t> before;
    for (int n = 1; n <= 21; ++n)
        if (n != 13 && Env::posix().exists(o.data(n))) before[n] = live(o, n, kAna).size();

    Terminal t(o);
    std::vector<std::string> asked;
    CpfChangeResult r;
    ASSERT_TRUE(change_cpf(
                    t.w, kAna, kNew,
                    [&](const std::string& seller) {
                        asked.push_back(seller);
                        return std::string();
                    },
                    &r)
                    .is_ok());
    EXPECT_EQ(asked, std::vector<std::string>{kSon});
    size_t moved = 0;
    for (const auto& [n, count] : before) {
        EXPECT_TRUE(live(o, n, kAna).empty()) << n;
        EXPECT_EQ(live(o, n, kNew).size(), count) << n;
        moved += count;
    }
    EXPECT_EQ(r.records, static_cast<int>(moved));
    const auto gains = live(o, 7, kNew);
    ASSERT_EQ(gains.size(), 2u);
    EXPECT_EQ(gains[0].str("CPFALIEN"), kNew);  // hers follows her
    EXPECT_EQ(gains[1].str("CPFALIEN"), kSon);  // her son's stays his
    EXPECT_EQ(live(o, 9, kBia).size(), 1u);
    EXPECT_EQ(live(o, 4, kBia).size(), 1u);
    // The registry's index follows: the folder finds the client by the new CPF.
    Terminal other(o, "02");
    store::Declaration d(other.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
    ASSERT_TRUE(d.load(kNew, store::LoadMode::kExisting, false).is_ok());
    EXPECT_EQ(d.values().str("NOMECONTR"), "ANA");
}

TEST(CpfChange, RefusalsChangeNothing) {
    Office o;
    ana_with_gains(o);
    create(o, kBia, "BIA", {1});
    const Snapshot before = snapshot(o);
    Terminal t(o);
    auto never = [](const std::string&) -> std::string {
        ADD_FAILURE() << "asked";
        return {};
    };
    CpfChangeResult r;
    Status s = change_cpf(t.w, kAna, kBia, never, &r);
    EXPECT_EQ(s.code(), Status::Code::kInvalid);
    EXPECT_EQ(s.message(), "CPF novo já  existente. Não é possível a troca");
    s = change_cpf(t.w, kNew, kSon, never, &r);
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
    EXPECT_EQ(s.message(), "CPF original não encontrado. Confira o número digitado");
    {
        Terminal other(o, "02");
        ASSERT_TRUE(store::ABERTURA(other.w, 12));
        s = change_cpf(t.w, kAna, kNew, never, &r);
        EXPECT_EQ(s.code(), Status::Code::kLocked);
        EXPECT_EQ(r.busy, "IMP1226.DBF");
    }
    {
        Terminal other(o, "02");
        store::Declaration d(other.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(kAna, store::LoadMode::kExisting, true).is_ok());
        other.w.close_all();  // its working set stays; the registry marks it open on 02
        s = change_cpf(t.w, kAna, kNew, never, &r);
        EXPECT_EQ(s.code(), Status::Code::kLocked);
        EXPECT_NE(s.message().find("terminal 02"), std::string::npos) << s.message();
    }
    // The registry may carry the other terminal's passing marks; no CPF changed anywhere.
    auto without_registry = [](Snapshot snap) {
        snap.erase(std::remove_if(snap.begin(), snap.end(),
                                  [](const auto& x) { return std::get<0>(x) == 9; }),
                   snap.end());
        return snap;
    };
    EXPECT_TRUE(without_registry(snapshot(o)) == without_registry(before));
    EXPECT_EQ(live(o, 9, kAna).size(), 1u);
    EXPECT_TRUE(live(o, 9, kNew).empty());
}

// Writes a damaged index beside a table.
void damage(const std::string& cdx) {
    std::ofstream(cdx, std::ios::binary | std::ios::trunc) << std::string(1024, '\x7f');
}

TEST(Reindex, RefusedWhileAnotherTerminalRunsThenRebuildsADamagedIndexAndDropsDeletedRecords) {
    Office o;
    create(o, kAna, "ANA", {1, 2, 3});
    create(o, kBia, "BIA", {1});
    {  // Ana loses an asset: its record stays deleted until a rebuild
        Terminal t(o);
        store::Declaration d(t.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(kAna, store::LoadMode::kExisting, true).is_ok());
        ASSERT_TRUE(d.working(4)->go_bottom().is_ok());
        ASSERT_TRUE(d.working(4)->delete_record().is_ok());
        ASSERT_TRUE(d.save(true).is_ok());
    }
    const size_t rows_before = snapshot(o).size();
    // Two terminals' temporary files in the working folder, and terminal 02 running.
    const fs::path work = fs::path(o.dir.path()) / "trab";
    fs::create_directories(work);
    for (const char* f : {"TMP_0401.DBF", "TMP_0401.CDX", "TMP_0402.DBF"})
        std::ofstream(work / f) << "x";
    Terminal t(o);
    Terminal other(o, "02");
    ASSERT_TRUE(store::ABERTURA(other.w, 50));
    const std::string cdx = o.dir.file("IMP0426.CDX");
    ASSERT_TRUE(fs::exists(cdx));
    damage(cdx);

    ReindexResult r;
    Status s = reindex_all(t.w, {o.dir.path()}, work.string(), &r);
    EXPECT_EQ(s.code(), Status::Code::kLocked);
    EXPECT_EQ(r.terminals, std::vector<std::string>{"02"});
    EXPECT_TRUE(fs::exists(work / "TMP_0401.DBF"));  // nothing touched
    other.w.close_all();

    s = reindex_all(t.w, {o.dir.path(), o.dir.path() + "/removida"}, work.string(), &r);
    ASSERT_TRUE(s.is_ok()) << s.message();
    EXPECT_EQ(r.folders, std::vector<std::string>{o.dir.path()});
    EXPECT_FALSE(fs::exists(work / "TMP_0401.DBF"));
    EXPECT_FALSE(fs::exists(work / "TMP_0401.CDX"));
    EXPECT_TRUE(fs::exists(work / "TMP_0402.DBF"));  // another terminal's
    EXPECT_FALSE(r.missing_office.empty());          // this installation ships few office tables
    EXPECT_EQ(snapshot(o).size(), rows_before - 1);  // the deleted asset is gone for good
    // The rebuilt index finds Ana's assets in order.
    ASSERT_TRUE(store::ABERTURA(t.w, 4));
    Table& assets = *t.w.table(4);
    ASSERT_TRUE(assets.seek(store::Value(std::string(kAna)), true).is_ok());
    std::vector<long> items;
    for (; !assets.eof() && assets.str("CPF") == kAna; (void)assets.skip())
        items.push_back(assets.num("I7_0").whole());
    EXPECT_EQ(items, (std::vector<long>{10, 20}));
}

TEST(Reindex, ATableHeldElsewhereStopsTheFolderBeforeAnyIndexIsTouched) {
    Office o;
    create(o, kAna, "ANA", {1});
    const std::string cdx = o.dir.file("IMP0426.CDX");
    ASSERT_TRUE(fs::exists(cdx));
    std::unique_ptr<Table> held;
    ASSERT_TRUE(Table::open(Env::posix(), o.data(16), store::OpenOptions{}, &held).is_ok());
    Terminal t(o);
    std::string busy;
    Status s = rebuild_folder(t.w, o.dir.path(), &busy);
    EXPECT_EQ(s.code(), Status::Code::kLocked);
    EXPECT_EQ(busy, "IMP1626.DBF");
    EXPECT_TRUE(fs::exists(cdx));
    ASSERT_TRUE(held->close().is_ok());
}

std::vector<long> numbers(const std::vector<Record>& rows, const char* field) {
    std::vector<long> out;
    for (const auto& r : rows) out.push_back(r.num(field).whole());
    return out;
}

TEST(PartCopy, KeptItemsContinueAfterTheDestinationsLastAndCostRowsFollowTheirGain) {
    Office o;
    create(o, kAna, "ANA", {1, 2});  // assets 10 and 20, gain 1
    create(o, kBia, "BIA", {1});     // asset 10, gain 1
    {
        // Ana's gain has two cost rows.
        Terminal t(o);
        store::Declaration d(t.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(kAna, store::LoadMode::kExisting, true).is_ok());
        for (int k = 0; k < 2; ++k) add(d, 8, {{"BEM_NRO", 1}});
        ASSERT_TRUE(d.save(true).is_ok());
    }
    Terminal t(o);
    PartCopyResult r;
    ASSERT_TRUE(copy_part(t.w, 2, kAna, kBia, true, &r).is_ok());
    EXPECT_EQ(r.copied, 2);
    EXPECT_EQ(r.removed, 0);
    EXPECT_EQ(numbers(live(o, 4, kBia), "I7_0"), (std::vector<long>{10, 20, 30}));
    EXPECT_EQ(numbers(live(o, 4, kAna), "I7_0"), (std::vector<long>{10, 20}));  // untouched

    ASSERT_TRUE(copy_part(t.w, 7, kAna, kBia, true, &r).is_ok());
    EXPECT_EQ(numbers(live(o, 7, kBia), "BEM_NRO"), (std::vector<long>{1, 2}));
    EXPECT_EQ(numbers(live(o, 8, kBia), "BEM_NRO"), (std::vector<long>{2, 2}));

    // Without keeping, Bia's assets are Ana's, numbers and all.
    ASSERT_TRUE(copy_part(t.w, 2, kAna, kBia, false, &r).is_ok());
    EXPECT_EQ(r.removed, 3);
    EXPECT_EQ(numbers(live(o, 4, kBia), "I7_0"), (std::vector<long>{10, 20}));
}

TEST(PartCopy, RefusalsChangeNothing) {
    Office o;
    create(o, kAna, "ANA", {1});
    create(o, kBia, "BIA", {1}, false);
    const Snapshot before = snapshot(o);
    Terminal t(o);
    PartCopyResult r;
    Status s = copy_part(t.w, 2, kNew, kBia, true, &r);
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
    EXPECT_EQ(s.message(), "CPF original não encontrado.\nConfira o número digitado");
    s = copy_part(t.w, 2, kAna, kNew, true, &r);
    EXPECT_NE(s.message().find("CPF Destino " + std::string(kNew) + " não foi encontrado"),
              std::string::npos);
    s = copy_part(t.w, 14, kBia, kAna, true, &r);  // Bia has no rural activity
    EXPECT_EQ(s.message(), "O CPF original não tem Atividade Rural para ser copiado");
    s = copy_part(t.w, 3, kAna, kBia, true, &r);  // no debts
    EXPECT_EQ(s.message(), "Sem Declaração das Dívidas para copiar!");
    EXPECT_TRUE(snapshot(o) == before);
}

}  // namespace
}  // namespace vorn::maintenance
