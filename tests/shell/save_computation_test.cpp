// The computation on save and the recalc command, through the real program: generated
// declarations opened and ended with "Sim" store the figures calc prints (table 1, and the
// registry's summary as the declaration list reads it, checked with python3-dbfread); recalc writes
// the same figures, leaves the files alone when nothing changes, and skips declarations open on a
// terminal or of the protected status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "office.h"
#include "store/cdx_index.h"
#include "store/declaration.h"
#include "tax/folder.h"

namespace vorn::shell {
namespace {

// The records of each CPF found through table n's first index file are those a scan finds.
void expect_index_in_step(const Office& o, int n) {
    SCOPED_TRACE("table " + std::to_string(n));
    store::Env& env = store::Env::posix();
    const std::string path = store::data_table_path(env, o.inst.path(), n);
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(env, path, {}, &t).is_ok());
    std::vector<std::vector<uint32_t>> scanned(o.declarations.size());
    for (size_t i = 0; i < scanned.size(); ++i)
        ASSERT_TRUE(store::records_of(*t, o.cpf(i), nullptr, &scanned[i]).is_ok());
    const std::string cdx =
        store::find_file(env, o.inst.path(), store::table_def(n)->index_files("")[0].file + ".CDX");
    ASSERT_TRUE(env.exists(cdx));
    std::unique_ptr<store::CdxIndex> index;
    ASSERT_TRUE(store::CdxIndex::open(*t, cdx, &index).is_ok());
    t->add_index(std::move(index));
    std::vector<std::vector<uint32_t>> indexed(o.declarations.size());
    for (size_t i = 0; i < indexed.size(); ++i) {
        ASSERT_TRUE(store::records_of(*t, o.cpf(i), nullptr, &indexed[i]).is_ok());
        std::sort(indexed[i].begin(), indexed[i].end());  // the key goes on past the CPF
    }
    EXPECT_EQ(indexed, scanned);
    ASSERT_TRUE(t->close().is_ok());
}

TEST(SaveComputation, TwentyGeneratedDeclarationsEndedWithSimStoreCalcsFigures) {
    Office o(20);
    std::string script;
    std::vector<std::string> cpfs;
    for (size_t i = 0; i < o.declarations.size(); ++i) {
        cpfs.push_back(o.cpf(i));
        // The chooser, the CPF, the declaration; its end with "Sim"; back to the main menu.
        script += "ALT+I\ntext " + o.cpf(i) + "\nENTER\nALT+T\nENTER\nESC\n";
    }
    script += "ALT+T\nENTER\n";
    ASSERT_EQ(o.program("01", script), 0);
    for (auto& [cpf, r] : o.dbfread(9)) EXPECT_EQ(r["NUSUAT"], "") << cpf;
    expect_stored_as_calc(o, cpfs);
}

TEST(Recalc, WritesCalcsFiguresOnceThenFindsNothingToChange) {
    Office o(12);
    int status = -1;
    std::istringstream first(o.recalc("--all", &status));
    EXPECT_EQ(status, 0);
    auto calc = o.calc();
    std::vector<std::string> cpfs;
    for (std::string cpf, imppgre, option, outcome; first >> cpf >> imppgre >> option >> outcome;) {
        cpfs.push_back(cpf);
        EXPECT_EQ(outcome, "gravada") << cpf;
        EXPECT_EQ(imppgre, "IMPPGRE=" + calc[cpf]["IMPPGRE"]);
        EXPECT_EQ(option, "USAPADRAO=" + calc[cpf]["USAPADRAO"]);
    }
    EXPECT_EQ(cpfs.size(), o.declarations.size());
    expect_stored_as_calc(o, cpfs);

    const auto t1 = o.dbfread(1), t2 = o.dbfread(2), t9 = o.dbfread(9);
    std::istringstream again(o.recalc("--cpf " + o.cpf(3), &status));
    EXPECT_EQ(status, 0);
    std::string line;
    ASSERT_TRUE(std::getline(again, line));
    EXPECT_EQ(line, o.cpf(3) + " IMPPGRE=" + calc[o.cpf(3)]["IMPPGRE"] +
                        " USAPADRAO=" + calc[o.cpf(3)]["USAPADRAO"] + " inalterada");
    std::istringstream all(o.recalc("--all", &status));
    EXPECT_EQ(status, 0);
    size_t lines = 0;
    while (std::getline(all, line)) {
        ++lines;
        EXPECT_NE(line.find(" inalterada"), std::string::npos) << line;
    }
    EXPECT_EQ(lines, o.declarations.size());
    EXPECT_EQ(o.dbfread(1), t1);
    EXPECT_EQ(o.dbfread(2), t2);
    EXPECT_EQ(o.dbfread(9), t9);
}

TEST(Recalc, SkipsADeclarationOpenOnAnotherTerminalOrProtectedAndLeavesItsRecords) {
    Office o(6);
    // Terminal 02 opens the first declaration and stops there, as a terminal still at work.
    EXPECT_EQ(o.program("02", "ALT+I\ntext " + o.cpf(0) + "\nENTER\n"), 3);
    ASSERT_EQ(o.dbfread(9)[o.cpf(0)]["NUSUAT"], "02");
    // The office protects status 7; the second declaration has it.
    {
        std::unique_ptr<store::Table> t;
        ASSERT_TRUE(store::Table::open(
                        store::Env::posix(),
                        store::data_table_path(store::Env::posix(), o.inst.path(), 9), {}, &t)
                        .is_ok());
        std::vector<uint32_t> slots;
        ASSERT_TRUE(store::records_of(*t, o.cpf(1), nullptr, &slots).is_ok());
        ASSERT_TRUE(t->go_to(slots.at(0)).is_ok());
        ASSERT_TRUE(t->lock_record().is_ok());
        ASSERT_TRUE(t->replace(t->field("ESTATUS"), Decimal(7)).is_ok());
        ASSERT_TRUE(t->close().is_ok());
        std::unique_ptr<store::Table> define;
        ASSERT_TRUE(
            store::Table::open(store::Env::posix(), o.inst.path() + "/DEFINE.DBF", {}, &define)
                .is_ok());
        ASSERT_TRUE(define->go_top().is_ok());
        ASSERT_TRUE(define->lock_record().is_ok());
        ASSERT_TRUE(define->replace(define->field("STATRAVA"), Decimal(7)).is_ok());
        ASSERT_TRUE(define->close().is_ok());
    }
    std::map<int, std::map<std::string, Fields>> before;
    for (int n : {1, 2, 6, 9, 12}) before[n] = o.dbfread(n);

    int status = -1;
    std::istringstream out(o.recalc("--all", &status));
    EXPECT_EQ(status, 4);
    std::map<std::string, std::string> outcome;
    for (std::string line; std::getline(out, line);)
        outcome[line.substr(0, 11)] = line.substr(line.find(' ', line.find("USAPADRAO=")) + 1);
    EXPECT_EQ(outcome[o.cpf(0)], "em uso no terminal 02");
    EXPECT_EQ(outcome[o.cpf(1)], "protegida");
    for (size_t i = 2; i < o.declarations.size(); ++i) EXPECT_EQ(outcome[o.cpf(i)], "gravada");
    for (int n : {1, 2, 6, 9}) {
        auto after = o.dbfread(n);
        for (size_t i : {0, 1}) EXPECT_EQ(after[o.cpf(i)], before[n][o.cpf(i)]) << "table " << n;
    }
    EXPECT_NE(o.dbfread(9)[o.cpf(2)], before[9][o.cpf(2)]);
    // Records were rewritten and appended (the monthly grids) through the folder's indexes.
    EXPECT_GT(o.dbfread(12).size(), before[12].size());
    for (int n : {1, 6, 9, 12}) expect_index_in_step(o, n);
}

}  // namespace
}  // namespace vorn::shell
