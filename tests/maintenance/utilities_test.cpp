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

// A final estate (Cid) with a house (10) shared half and half between Ana and an heir not in the
// folder, and a car (20) wholly Ana's.
void estate_with_shares(Office& o) {
    create(o, kAna, "ANA", {10});
    create(o, kCid, "ESPOLIO DE CID", {}, false);
    Terminal t(o);
    store::Declaration d(t.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
    ASSERT_TRUE(d.load(kCid, store::LoadMode::kExisting, true).is_ok());
    d.values().set("DECFINAL", "S");
    const auto asset = [&](int item, const char* what, const char* value) {
        Record r(store::table_def(4)->layout);
        r.set("CPF", kCid);
        r.set("I7_0", Decimal(item));
        r.set("I7_1", Decimal(item / 10));
        r.set("I7_2", what);
        r.set("I7_3", Decimal::parse("1000.00").value());
        r.set("I7_4", Decimal::parse(value).value());
        r.set("I7_5", Decimal(11));
        ASSERT_TRUE(d.working(4)->append(&r).is_ok());
    };
    asset(10, "CASA NA RUA A", "300000.01");
    asset(20, "CARRO", "50000.00");
    const auto share = [&](int item, const char* heir, const char* name, int pct) {
        Record r(store::table_def(20)->layout);
        r.set("CPF", kCid);
        r.set("REFEREN", Decimal(item));
        r.set("CPFHERDE", heir);
        r.set("NOMEDEPEN", name);
        r.set("PERCENT", Decimal(pct));
        ASSERT_TRUE(d.working(20)->append(&r).is_ok());
    };
    share(10, "123.456.789-09", "ANA", 50);
    share(10, kNew, "NINA", 50);
    share(20, "123.456.789-09", "ANA", 100);
    ASSERT_TRUE(d.save(true).is_ok());
}

TEST(EstateCopy, EachShareBecomesTheHeirsAssetOnceAndAnUnregisteredHeirIsRegisteredOnlyWhenWanted) {
    Office o;
    estate_with_shares(o);
    Terminal t(o);
    std::vector<std::string> asked;
    EstateCopyResult r;
    // Refusing Nina leaves her out and named.
    ASSERT_TRUE(copy_estate_assets(
                    t.w, kCid,
                    [&](const std::string& name, const std::string& cpf) {
                        asked.push_back(name + " " + cpf);
                        return false;
                    },
                    &r)
                    .is_ok());
    EXPECT_EQ(asked, std::vector<std::string>{"NINA " + std::string(kNew)});
    EXPECT_EQ(r.copied, 2);
    EXPECT_EQ(r.created, 0);
    EXPECT_EQ(r.left,
              std::vector<std::string>{"NINA - " + std::string(kNew) + " não foi localizado !"});
    auto ana = live(o, 4, kAna);
    ASSERT_EQ(ana.size(), 3u);
    EXPECT_EQ(numbers(ana, "I7_0"), (std::vector<long>{10, 20, 30}));
    EXPECT_EQ(ana[1].str("I7_2"),
              "CASA NA RUA A - Recebido na partilha do espólio de ESPOLIO DE CID (50,00%)");
    EXPECT_EQ(ana[1].num("I7_3"), Decimal());
    EXPECT_EQ(ana[1].num("I7_4"), Decimal::parse("150000.01").value());  // half, to the cent
    EXPECT_EQ(ana[1].num("I7_5"), Decimal(11));
    EXPECT_EQ(ana[2].num("I7_4"), Decimal::parse("50000.00").value());
    EXPECT_TRUE(live(o, 9, kNew).empty());
    EXPECT_EQ(live(o, 4, kCid).size(), 2u);  // the estate keeps its own

    // Again, registering Nina: Ana's shares are there already; Nina gets hers and a registry
    // record holding only her name.
    ASSERT_TRUE(copy_estate_assets(
                    t.w, kCid, [](const std::string&, const std::string&) { return true; }, &r)
                    .is_ok());
    EXPECT_EQ(r.copied, 1);
    EXPECT_EQ(r.existing, 2);
    EXPECT_EQ(r.created, 1);
    EXPECT_EQ(live(o, 4, kAna).size(), 3u);
    const auto nina = live(o, 4, kNew);
    ASSERT_EQ(nina.size(), 1u);
    EXPECT_EQ(nina[0].num("I7_0"), Decimal(10));
    EXPECT_EQ(nina[0].num("I7_4"), Decimal::parse("150000.00").value());
    const auto reg = live(o, 9, kNew);
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].str("NOMECONTR"), "NINA");
}

TEST(EstateCopy, RefusalsChangeNothing) {
    Office o;
    estate_with_shares(o);
    create(o, kBia, "BIA", {1}, false);
    const auto yes = [](const std::string&, const std::string&) { return true; };
    Terminal t(o);
    EstateCopyResult r;
    Snapshot before = snapshot(o);
    // Not a final estate.
    Status s = copy_estate_assets(t.w, kBia, yes, &r);
    EXPECT_EQ(s.message(), "CPF Origem não e uma declaração final de espólio.");
    s = copy_estate_assets(t.w, "52998224700", yes, &r);
    EXPECT_EQ(s.message(), "CPF original não encontrado.\nConfira o número digitado");
    EXPECT_TRUE(snapshot(o) == before);
    // An heir open on a terminal refuses the whole sharing.
    {
        Terminal other(o, "02");
        store::Declaration d(other.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(kAna, store::LoadMode::kExisting, true).is_ok());
        // While it holds the tables, they are busy; while it works on its own copy, its mark
        // refuses.
        before = snapshot(o);
        s = copy_estate_assets(t.w, kCid, yes, &r);
        EXPECT_EQ(s.code(), Status::Code::kLocked);
        EXPECT_TRUE(snapshot(o) == before);
        for (int n = 1; n <= 21; ++n) other.w.close(n);
        s = copy_estate_assets(t.w, kCid, yes, &r);
        EXPECT_EQ(s.code(), Status::Code::kLocked);
        EXPECT_EQ(s.message(),
                  "A declaração de ANA está aberta no terminal 02. Feche-a antes da "
                  "cópia.");
        EXPECT_TRUE(snapshot(o) == before);
        ASSERT_TRUE(d.release().is_ok());
    }
    // Without a sharing table.
    {
        Terminal other(o);
        store::Declaration d(other.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
        ASSERT_TRUE(d.load(kCid, store::LoadMode::kExisting, true).is_ok());
        ASSERT_TRUE(d.replace_working(20, {}).is_ok());
        ASSERT_TRUE(d.save(true).is_ok());
    }
    before = snapshot(o);
    s = copy_estate_assets(t.w, kCid, yes, &r);
    EXPECT_EQ(s.message(), "Não foi encontrada a divisão dos bens! Confira.");
    EXPECT_TRUE(snapshot(o) == before);
}

}  // namespace
}  // namespace vorn::maintenance
