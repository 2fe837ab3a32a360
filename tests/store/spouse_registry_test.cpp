// The spouse's registry record looked up through data folders without creating anything there,
// and its fetch mark cleared under the record's lock only while no terminal has it open.
#include "store/spouse_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/catalogue.h"
#include "store/dbf.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::TempDir;

constexpr const char* kAna = "12345678909";
constexpr const char* kBia = "98765432100";

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// A data folder whose registry holds one declaration per CPF: Bia marked to fetch her figures
// from her spouse's declaration, with figures fetched, and open on terminal `nusuat`.
struct Folder {
    explicit Folder(const std::string& path, const std::string& nusuat = "") : path(path) {
        std::filesystem::create_directories(path);
        std::vector<Record> rows;
        for (const char* cpf : {kAna, kBia}) {
            Record r(table_def(9)->layout);
            r.set("CPF", cpf);
            r.set("USAPADRAO", "N");
            rows.push_back(r);
        }
        Record& bia = rows[1];
        bia.set("NUSUAT", nusuat);
        bia.set("I9_4", "S");
        bia.set("I9_6", "S");
        bia.set("I13_1C", Decimal(40000));
        bia.set("I13_4C", Decimal(1200));
        bia.set("I9_2", Decimal(38800));
        bia.set("I9_3", Decimal(5000));
        EXPECT_TRUE(
            Table::create(Env::posix(), registry(), *table_def(9)->layout, rows, nullptr, true)
                .is_ok());
    }
    std::string registry() const { return path + "/IMP0926.DBF"; }
    Record read(const std::string& cpf) const {
        std::unique_ptr<Table> t;
        EXPECT_TRUE(Table::open(Env::posix(), registry(), OpenOptions{}, &t).is_ok());
        Record r(table_def(9)->layout);
        for (Status s = t->go_top(); s && !t->eof(); s = t->skip())
            if (t->str("CPF") == cpf) {
                EXPECT_TRUE(t->read(r).is_ok());
            }
        return r;
    }
    std::string path;
};

TEST(SpouseRegistry, AFolderWithoutARegistryIsSkippedAndGivenNoTables) {
    TempDir dir;
    const std::string empty = dir.path() + "/vazia", other = dir.path() + "/outra";
    std::filesystem::create_directories(empty);
    Folder folder(other);
    const std::string before = bytes_of(folder.registry());
    std::optional<FoundRegistry> found;
    ASSERT_TRUE(find_registry(Env::posix(), {empty, other}, kBia, &found).is_ok());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->folder, other);
    EXPECT_EQ(found->registry.str("I9_4"), "S");
    EXPECT_TRUE(std::filesystem::is_empty(empty));
    EXPECT_EQ(bytes_of(folder.registry()), before);
    // A CPF in no registry, and a folder that does not exist at all.
    ASSERT_TRUE(
        find_registry(Env::posix(), {empty, dir.path() + "/nenhuma", other}, "11144477735", &found)
            .is_ok());
    EXPECT_FALSE(found);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/nenhuma"));
}

TEST(SpouseRegistry, AClosedDeclarationLosesItsMarkAndFetchedFiguresOnly) {
    TempDir dir;
    Folder folder(dir.path());
    ManualClock clock(DateTime{Date(2026, 4, 15), 36000});
    std::string in_use = "x";
    ASSERT_TRUE(clear_spouse_fetch(Env::posix(), &clock, dir.path(), kBia, &in_use).is_ok());
    EXPECT_EQ(in_use, "");
    const Record bia = folder.read(kBia);
    EXPECT_EQ(bia.str("I9_4"), "N");
    EXPECT_EQ(bia.str("I9_6"), "N");
    for (const char* f : kSpouseFetchValues) EXPECT_TRUE(bia.num(f).is_zero()) << f;
    EXPECT_EQ(bia.str("USAPADRAO"), "N");
    EXPECT_EQ(bia.str("CPF"), kBia);
    EXPECT_EQ(folder.read(kAna).str("I9_4"), "");
}

TEST(SpouseRegistry, ADeclarationOpenOnATerminalIsNamedAndLeftAsItWas) {
    TempDir dir;
    Folder folder(dir.path(), "02");
    const std::string before = bytes_of(folder.registry());
    std::string in_use;
    ASSERT_TRUE(clear_spouse_fetch(Env::posix(), nullptr, dir.path(), kBia, &in_use).is_ok());
    EXPECT_EQ(in_use, "02");
    EXPECT_EQ(bytes_of(folder.registry()), before);
}

TEST(SpouseRegistry, ARecordLockedElsewhereIsWaitedForThenReported) {
    TempDir dir;
    Folder folder(dir.path());
    const std::string before = bytes_of(folder.registry());
    // Another terminal holds Bia's record (the second one).
    std::unique_ptr<Table> other;
    ASSERT_TRUE(Table::open(Env::posix(), folder.registry(), OpenOptions{}, &other).is_ok());
    ASSERT_TRUE(other->lock_record(2).is_ok());
    std::string in_use;
    const Status s = clear_spouse_fetch(Env::posix(), nullptr, dir.path(), kBia, &in_use, 0.3);
    EXPECT_EQ(s.code(), Status::Code::kLocked) << s.to_string();
    EXPECT_EQ(bytes_of(folder.registry()), before);
    // Released, the mark is cleared.
    ASSERT_TRUE(other->unlock().is_ok());
    ASSERT_TRUE(clear_spouse_fetch(Env::posix(), nullptr, dir.path(), kBia, &in_use).is_ok());
    EXPECT_EQ(folder.read(kBia).str("I9_4"), "N");
}

TEST(SpouseRegistry, AFolderWithoutTheRegistryOrTheCpfIsNotFoundAndNothingIsMade) {
    TempDir dir;
    std::string in_use;
    EXPECT_EQ(clear_spouse_fetch(Env::posix(), nullptr, dir.path(), kBia, &in_use).code(),
              Status::Code::kNotFound);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    Folder folder(dir.path());
    EXPECT_EQ(clear_spouse_fetch(Env::posix(), nullptr, dir.path(), "11144477735", &in_use).code(),
              Status::Code::kNotFound);
}

}  // namespace
}  // namespace vorn::store
