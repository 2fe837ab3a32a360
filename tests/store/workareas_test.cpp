// Opening with indexes (ABREARQ, NETUSE), the lock waits seen by the operator, SKIPPED and CDX.
#include "store/workareas.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "store/catalogue.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::FakeIndexFiles;
using testing::TempDir;
using testing::test_clock;

struct Terminal {
    explicit Terminal(const TempDir& dir) : w(Env::posix(), op, test_clock()) {
        w.LOCARQ = dir.path();
        w.ARQDEF = dir.path();
        w.index_files = &files;
    }
    ScriptedOperator op;
    FakeIndexFiles files;
    WorkAreas w;
};

uint32_t count(Table& t) {
    uint32_t n = 0;
    EXPECT_OK(t.record_count(&n));
    return n;
}

bool add_registry_entry(WorkAreas& w, const char* cpf, const char* name) {
    Table& t = w.current();
    if (!ADD_REC(w, 1)) return false;
    return t.replace(t.field("CPF"), cpf).is_ok() &&
           t.replace(t.field("NOMECONTR"), name).is_ok() && t.unlock().is_ok();
}

TEST(Abrearq, CreatesAMissingTableAndBuildsAndAttachesItsIndexes) {
    TempDir dir;
    Terminal term(dir);
    term.w.MOS_MENS = true;
    std::string file = dir.file("imp0926");  // any case: created as the catalogue spells it
    ASSERT_TRUE(ABREARQ(term.w, 9, false, file, "CPF", "UPPER(NOMECONTR)", "", "ESTATUS", ""));
    EXPECT_TRUE(std::filesystem::exists(dir.file("IMP0926.DBF")));
    using V = std::vector<std::string>;
    EXPECT_EQ(term.files.log,
              (V{"build IMP0926.CDX", "attach IMP0926.CDX", "build IMP0926B.CDX",
                 "attach IMP0926B.CDX", "build IMP0926C.CDX", "attach IMP0926C.CDX"}));
    EXPECT_TRUE(term.op.saw("progress", "Verificando o Arquivo IMP0926"));
    EXPECT_TRUE(term.op.saw("progress", "Criando IMP0926.DBF"));
    EXPECT_TRUE(term.op.saw("progress", "Criando o indice IMP0926.CDX"));
    EXPECT_TRUE(term.op.saw("progress", "Criando o indice IMP0926B.CDX"));
    EXPECT_EQ(term.w.selected(), 9);
    EXPECT_EQ(term.w.alias(9), "IMP0926");
    EXPECT_EQ(term.w.area_of("imp0926"), 9);
    Table& t = term.w.current();
    EXPECT_FALSE(t.exclusive());  // built while held alone, then reopened as asked
    EXPECT_EQ(t.index_count(), 3u);
    EXPECT_EQ(t.order(), 1u);

    // Records in CPF order through the attached index; one is deleted.
    ASSERT_TRUE(add_registry_entry(term.w, "22222222222", "Bruno"));
    ASSERT_TRUE(add_registry_entry(term.w, "11111111111", "Ana"));
    ASSERT_TRUE(add_registry_entry(term.w, "33333333333", "Carla"));
    ASSERT_OK(t.go_to(3));
    ASSERT_TRUE(REC_LOCK(term.w, 5));
    ASSERT_OK(t.delete_record());
    ASSERT_OK(t.unlock());

    // Reopening: the first index exists (no pack), the second and third are built anew.
    term.files.log.clear();
    ASSERT_TRUE(ABREARQ(term.w, 9, false, file, "CPF", "UPPER(NOMECONTR)", "", "ESTATUS", ""));
    EXPECT_EQ(term.files.log, (V{"attach IMP0926.CDX", "build IMP0926B.CDX", "attach IMP0926B.CDX",
                                 "build IMP0926C.CDX", "attach IMP0926C.CDX"}));
    EXPECT_EQ(count(term.w.current()), 3u);
    EXPECT_EQ(term.w.current().str("CPF"), "11111111111");  // top of the controlling order

    // REFAZ_IND rebuilds every index and still packs nothing.
    term.files.log.clear();
    term.w.REFAZ_IND = true;
    ASSERT_TRUE(ABREARQ(term.w, 9, false, file, "CPF", "UPPER(NOMECONTR)", "", "ESTATUS", ""));
    EXPECT_EQ(term.files.log.front(), "build IMP0926.CDX");
    EXPECT_EQ(count(term.w.current()), 3u);
    term.w.REFAZ_IND = false;

    // A missing first index file: the table is packed before it is built.
    std::filesystem::remove(dir.file("IMP0926.CDX"));
    ASSERT_TRUE(ABREARQ(term.w, 9, true, file, "CPF"));
    EXPECT_EQ(count(term.w.current()), 2u);
    EXPECT_TRUE(term.w.current().exclusive());
    EXPECT_EQ(term.w.current().index_count(), 1u);
}

TEST(Abrearq, WithoutAnIndexLayerTablesOpenInRecordOrder) {
    TempDir dir;
    Terminal term(dir);
    term.w.index_files = nullptr;
    ASSERT_TRUE(ABREARQ(term.w, 1, false, dir.file("IMP0126"), "CPF"));
    EXPECT_EQ(term.w.current().index_count(), 0u);
    EXPECT_EQ(term.w.current().layout().size(), 182u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("IMP0126.CDX")));
}

TEST(Abrearq, TellsWhatFailed) {
    TempDir dir;
    Terminal term(dir);
    // A reference table the program never creates.
    EXPECT_FALSE(ABREARQ(term.w, 46, false, dir.file("CODBENS"), "GRUBEM"));
    EXPECT_EQ(term.op.said.back().text, "CODBENS não localizado e não criado");
    // A file that is not a table.
    testing::spit(dir.file("CONFIG.DBF"), "not a table at all, just some text here....");
    EXPECT_FALSE(ABREARQ(term.w, 42, false, dir.file("CONFIG"), "NRO_TERM"));
    EXPECT_TRUE(term.op.saw("notice", "CONFIG.DBF não está disponível "));
    EXPECT_EQ(term.w.table(42), nullptr);
    // A twin area creates the structure of its table.
    ASSERT_TRUE(ABREARQ(term.w, 29, false, dir.file("TMP_0900")));
    EXPECT_EQ(term.w.current().layout().size(), table_def(9)->layout->size());
}

TEST(Netuse, OpensInTheSelectedAreaUnderItsAlias) {
    TempDir dir;
    Terminal term(dir);
    term.w.select(5);
    EXPECT_FALSE(NETUSE(term.w, dir.file("NADA"), false));
    EXPECT_EQ(term.op.said.back().text, "Arquivo " + dir.file("NADA") + " não existe!");
    ASSERT_TRUE(ABREARQ(term.w, 43, false, dir.file("DEFINE")));
    term.w.select(5);
    ASSERT_TRUE(NETUSE(term.w, dir.file("define"), false));
    EXPECT_EQ(term.w.alias(5), "DEFINE");
    Table* first = term.w.table(5);
    ASSERT_TRUE(NETUSE(term.w, dir.file("DEFINE.DBF"), true));  // same alias: already open
    EXPECT_EQ(term.w.table(5), first);
    EXPECT_FALSE(first->exclusive());
    term.w.APELIDO = "cfg";
    ASSERT_TRUE(NETUSE(term.w, dir.file("DEFINE"), false));
    EXPECT_EQ(term.w.alias(5), "CFG");
    // Exclusive while this terminal has it open in other areas: refused, silently.
    term.op.said.clear();
    term.w.select(6);
    EXPECT_FALSE(NETUSE(term.w, dir.file("DEFINE"), true));
    EXPECT_TRUE(term.op.said.empty());
}

TEST(LockWaits, FilLockWithZeroWaitsWithoutLookingAtTheKeyboard) {
    TempDir dir;
    // The other terminal lets go of the table after a few half-seconds.
    class ReleasingOperator final : public ScriptedOperator {
      public:
        Table* holder = nullptr;
        int pauses = 0;
        void pause(double s) override {
            ScriptedOperator::pause(s);
            if (++pauses == 4) (void)holder->unlock();
        }
    };
    ReleasingOperator op;
    WorkAreas w(Env::posix(), op, test_clock());
    w.ARQDEF = dir.path();
    ASSERT_TRUE(ABREARQ(w, 43, false, dir.file("DEFINE")));
    auto other = testing::open_table(dir.file("DEFINE.DBF"));
    ASSERT_OK(other->lock_table());
    op.holder = other.get();
    op.esc_answers = {true, true, true, true, true, true};
    EXPECT_TRUE(FIL_LOCK(w, 0));
    EXPECT_EQ(op.esc_answers.size(), 6u);  // never consulted
    EXPECT_DOUBLE_EQ(op.paused_seconds, 2.0);
    EXPECT_TRUE(op.saw("status", "Aguardando arquivo ficar disponivel"));
    // An append waits the same way while the other terminal holds the table.
    ASSERT_OK(w.current().unlock());
    ASSERT_OK(other->lock_table());
    op.pauses = 0;
    op.said.clear();
    EXPECT_TRUE(ADD_REC(w, 0));
    EXPECT_TRUE(op.saw("status", "Aguardando registro ficar disponível"));
    EXPECT_TRUE(w.current().record_locked(w.current().recno()));
    // With a limit, Esc ends the wait: the error box and no record.
    ASSERT_OK(w.current().unlock());
    ASSERT_OK(other->lock_table());
    op.pauses = -100;
    op.esc_answers = {false, true};
    op.said.clear();
    uint32_t before = count(w.current());
    EXPECT_FALSE(ADD_REC(w, 5));
    EXPECT_EQ(op.said.back().text,
              "ATENÇÃO! Registro não ficou disponível. Dado não será gravado.");
    EXPECT_EQ(count(w.current()), before);
}

TEST(Skipped, CountsTheStepsTheBrowserCanScroll) {
    TempDir dir;
    Terminal term(dir);
    term.w.index_files = nullptr;
    ASSERT_TRUE(ABREARQ(term.w, 91, true, dir.file("ALTCOIN")));  // 16 rows at creation
    Table& t = term.w.current();
    ASSERT_OK(t.go_to(2));
    ASSERT_OK(t.delete_record());
    ASSERT_OK(t.go_top());
    EXPECT_EQ(SKIPPED(term.w, 0, false), 0);
    EXPECT_EQ(SKIPPED(term.w, 3, false), 3);
    EXPECT_EQ(t.recno(), 5u);  // record 2 is skipped
    EXPECT_EQ(SKIPPED(term.w, 100, false), 11);
    EXPECT_EQ(t.recno(), 16u);  // stepped back onto the last record
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(SKIPPED(term.w, 5, true), 1);  // the step onto the end counts
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(SKIPPED(term.w, -3, false), -3);
    EXPECT_EQ(t.recno(), 14u);
    EXPECT_EQ(SKIPPED(term.w, -100, false), -12);
    EXPECT_EQ(t.recno(), 1u);
    ASSERT_OK(t.zap());
    EXPECT_EQ(SKIPPED(term.w, 5, true), 0);
}

TEST(Cdx, RemovesOnlyEmptyIndexFiles) {
    TempDir dir;
    testing::spit(dir.file("IMP0926.CDX"), "");
    testing::spit(dir.file("imp0126b.cdx"), "");
    testing::spit(dir.file("IMP0226.CDX"), "index");
    testing::spit(dir.file("EMPTY.DBF"), "");
    ASSERT_OK(CDX(Env::posix(), dir.path()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("IMP0926.CDX")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("imp0126b.cdx")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("IMP0226.CDX")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("EMPTY.DBF")));
    // The next opening builds the removed index again.
    Terminal term(dir);
    ASSERT_TRUE(ABREARQ(term.w, 9, false, dir.file("IMP0926"), "CPF"));
    EXPECT_EQ(term.files.log.front(), "build IMP0926.CDX");
}

}  // namespace
}  // namespace vorn::store
