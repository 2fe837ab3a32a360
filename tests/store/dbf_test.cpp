// The DBF engine on its own: exact bytes, value encodings, navigation, pack/zap, foreign files.
#include "store/dbf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "store/catalogue.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using namespace std::string_literals;
using testing::open_table;
using testing::slurp;
using testing::TempDir;
using testing::test_clock;

std::shared_ptr<const Layout> small_layout() {
    return std::make_shared<const Layout>(
        parse_fields("NOME C12, valor N10.2, NASC D, ATIVO L, DESCR C512, QTD N3.0"));
}

std::string create_small(const TempDir& dir, const std::vector<Record>& rows = {}) {
    std::string path = dir.file("SMALL.DBF");
    EXPECT_OK(Table::create(Env::posix(), path, *small_layout(), rows, &test_clock(), false));
    return path;
}

Record row(const char* name, const char* valor, Date nasc = Date(), bool ativo = true) {
    Record r(small_layout());
    r.set("NOME", name);
    r.set("VALOR", Decimal::from(valor));
    r.set("NASC", nasc);
    r.set("ATIVO", ativo);
    return r;
}

uint16_t u16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                                 (static_cast<uint8_t>(b[at + 1]) << 8));
}

TEST(Dbf, CreatedHeaderIsByteExact) {
    TempDir dir;
    std::string path = create_small(dir, {row("Ana", "1")});
    std::string b = slurp(path);
    const size_t n = 6, header = 32 + 32 * n + 1, reclen = 1 + 12 + 10 + 8 + 1 + 512 + 3;
    ASSERT_EQ(b.size(), header + reclen + 1);
    EXPECT_EQ(b[0], 0x03);
    EXPECT_EQ(static_cast<uint8_t>(b[1]), 126);  // 2026 - 1900
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(b[3], 15);
    EXPECT_EQ(u16(b, 4), 1);
    EXPECT_EQ(u16(b, 6), 0);
    EXPECT_EQ(u16(b, 8), header);
    EXPECT_EQ(u16(b, 10), reclen);
    EXPECT_EQ(b[28], 0);
    EXPECT_EQ(b[29], 0x03);  // Windows-1252
    for (size_t i = 12; i < 32; ++i)
        if (i != 28 && i != 29) {
            EXPECT_EQ(b[i], 0) << i;
        }
    // Field descriptors: upper-case name, type, offset in the record, width, decimals.
    EXPECT_EQ(b.substr(32, 11), std::string("NOME\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(b[32 + 11], 'C');
    EXPECT_EQ(b.substr(64, 6), "VALOR\0"s);
    EXPECT_EQ(b[64 + 11], 'N');
    EXPECT_EQ(u16(b, 64 + 12), 13);
    EXPECT_EQ(b[64 + 16], 10);
    EXPECT_EQ(b[64 + 17], 2);
    // C512: low byte of the width in 16, high byte in 17.
    EXPECT_EQ(b[160 + 11], 'C');
    EXPECT_EQ(static_cast<uint8_t>(b[160 + 16]), 0);
    EXPECT_EQ(static_cast<uint8_t>(b[160 + 17]), 2);
    EXPECT_EQ(b[header - 1], 0x0D);
    EXPECT_EQ(b.back(), 0x1A);
    // The record: active flag, text padded, number right-aligned, blank date, T.
    std::string rec = b.substr(header, reclen);
    EXPECT_EQ(rec.substr(0, 1 + 12 + 10), " Ana               1.00");
    EXPECT_EQ(rec.substr(23, 8), "        ");
    EXPECT_EQ(rec[31], 'T');
    EXPECT_EQ(rec.substr(reclen - 3), "  0");
}

TEST(Dbf, ValuesRoundTripWithTheirOnDiskForms) {
    TempDir dir;
    std::string path = create_small(dir);
    auto t = open_table(path, true);
    Field nome = t->field("nome"), valor = t->field("VALOR"), nasc = t->field("NASC"),
          ativo = t->field("ATIVO"), descr = t->field("DESCR"), qtd = t->field("QTD");
    ASSERT_OK(t->append());
    ASSERT_OK(t->replace(nome, "JOÃO Ç€"));
    ASSERT_OK(t->replace(valor, Decimal::from("-7.255")));  // rounded half away from zero
    ASSERT_OK(t->replace(nasc, Date(1999, 12, 31)));
    ASSERT_OK(t->replace(ativo, false));
    ASSERT_OK(t->replace(descr, std::string(300, 'x') + "fim"));
    ASSERT_OK(t->append());
    ASSERT_OK(t->replace(valor, Decimal::from("-0.001")));  // rounds to zero: no sign
    ASSERT_OK(t->replace(nome, "nome longo demais para o campo"));
    ASSERT_OK(t->close());

    std::string b = slurp(path);
    size_t header = u16(b, 8), reclen = u16(b, 10);
    std::string r1 = b.substr(header, reclen), r2 = b.substr(header + reclen, reclen);
    EXPECT_EQ(r1.substr(1, 12), "JO\xC3O \xC7\x80     ");
    EXPECT_EQ(r1.substr(13, 10), "     -7.26");
    EXPECT_EQ(r1.substr(23, 8), "19991231");
    EXPECT_EQ(r1[31], 'F');
    EXPECT_EQ(r2.substr(13, 10), "      0.00");
    EXPECT_EQ(r2.substr(1, 12), "nome longo d");  // text is cut to its width
    EXPECT_EQ(r2[31], ' ');
    EXPECT_EQ(u16(b, 4), 2);

    t = open_table(path);
    EXPECT_EQ(t->str(nome), "JOÃO Ç€");
    EXPECT_EQ(t->num(valor), Decimal::from("-7.26"));
    EXPECT_EQ(t->date(nasc), Date(1999, 12, 31));
    EXPECT_FALSE(t->logical(ativo));
    EXPECT_EQ(t->logical3(ativo), Logical::kFalse);
    EXPECT_EQ(t->str(descr).size(), 303u);
    Record r(t->layout_ptr());
    ASSERT_OK(t->read(r));
    EXPECT_EQ(r.str("NOME"), "JOÃO Ç€");
    EXPECT_EQ(r.recno, 1u);
    ASSERT_OK(t->skip());
    EXPECT_EQ(t->logical3(ativo), Logical::kUnset);
    EXPECT_TRUE(t->date(nasc).blank());
    EXPECT_EQ(t->num(qtd), Decimal(0));
}

TEST(Dbf, NumberTooWideIsAnErrorAndNothingIsWritten) {
    TempDir dir;
    std::string path = create_small(dir, {row("Ana", "1")});
    std::string before = slurp(path);
    auto t = open_table(path, true);
    Status s = t->replace(t->field("VALOR"), Decimal::from("123456789012"));
    EXPECT_EQ(s.code(), Status::Code::kInvalid);
    EXPECT_NE(s.message().find("VALOR"), std::string::npos) << s.message();
    EXPECT_EQ(t->num(t->field("VALOR")), Decimal(1));
    EXPECT_EQ(t->replace(t->field("QTD"), Decimal(1000)).code(), Status::Code::kInvalid);
    EXPECT_EQ(t->replace(t->field("QTD"), Decimal(-100)).code(), Status::Code::kInvalid);
    ASSERT_OK(t->replace(t->field("QTD"), Decimal(-99)));
    ASSERT_OK(t->replace(t->field("QTD"), Decimal(1)));
    Record big = row("Bia", "9999999.995");  // rounds to 10000000.00: 11 characters
    EXPECT_EQ(t->append(&big).code(), Status::Code::kInvalid);
    uint32_t n = 0;
    ASSERT_OK(t->record_count(&n));
    EXPECT_EQ(n, 1u);
    ASSERT_OK(t->close());
    std::string after = slurp(path);
    EXPECT_EQ(after.size(), before.size());
    // Nothing anywhere became a row of '*'.
    EXPECT_EQ(after.find('*'), std::string::npos);
    // Creating with a row that does not fit fails and leaves no file.
    EXPECT_EQ(Table::create(Env::posix(), dir.file("BAD.DBF"), *small_layout(), {big},
                            &test_clock(), false)
                  .code(),
              Status::Code::kInvalid);
    EXPECT_FALSE(Env::posix().exists(dir.file("BAD.DBF")));
}

std::vector<std::string> names_in_order(Table& t, bool backwards = false) {
    std::vector<std::string> out;
    Field nome = t.field("NOME");
    EXPECT_OK(backwards ? t.go_bottom() : t.go_top());
    while (!t.eof() && !t.bof()) {
        out.push_back(t.str(nome));
        EXPECT_OK(t.skip(backwards ? -1 : 1));
    }
    return out;
}

TEST(Dbf, DeletedRecordsAreHiddenFromNavigation) {
    TempDir dir;
    std::string path = create_small(
        dir, {row("A", "1"), row("B", "2"), row("C", "3"), row("D", "4"), row("E", "5")});
    auto t = open_table(path, true);
    for (uint32_t n : {1u, 3u, 5u}) {
        ASSERT_OK(t->go_to(n));
        ASSERT_OK(t->delete_record());
    }
    using V = std::vector<std::string>;
    EXPECT_EQ(names_in_order(*t), (V{"B", "D"}));
    EXPECT_EQ(names_in_order(*t, true), (V{"D", "B"}));
    ASSERT_OK(t->go_top());
    EXPECT_EQ(t->recno(), 2u);
    EXPECT_FALSE(t->bof());
    ASSERT_OK(t->skip(-1));  // before the first visible record: bof, still on it
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(t->recno(), 2u);
    ASSERT_OK(t->go_bottom());
    ASSERT_OK(t->skip(5));
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->recno(), 6u);
    ASSERT_OK(t->skip(-1));  // back from eof to the last visible record
    EXPECT_EQ(t->recno(), 4u);
    // A filter hides more; go_to still reaches a deleted record, which says so.
    t->set_filter([](const Table& tb) { return tb.str("NOME") != "D"; });
    EXPECT_EQ(names_in_order(*t), (V{"B"}));
    t->set_filter(nullptr);
    ASSERT_OK(t->go_to(3));
    EXPECT_TRUE(t->deleted());
    ASSERT_OK(t->recall());
    EXPECT_EQ(names_in_order(*t), (V{"B", "C", "D"}));
    // Everything deleted: top is eof and bof.
    for (uint32_t n : {2u, 3u, 4u}) {
        ASSERT_OK(t->go_to(n));
        ASSERT_OK(t->delete_record());
    }
    ASSERT_OK(t->go_top());
    EXPECT_TRUE(t->eof());
    EXPECT_TRUE(t->bof());
    ASSERT_OK(t->go_bottom());
    EXPECT_TRUE(t->eof());
}

TEST(Dbf, PackKeepsActiveRecordsAndZapEmptiesTheTable) {
    TempDir dir;
    std::vector<Record> rows;
    for (int i = 0; i < 2000; ++i)
        rows.push_back(row(std::string("N").append(std::to_string(i)).c_str(), "1.5"));
    std::string path = create_small(dir, rows);
    auto t = open_table(path, true);
    for (uint32_t n = 1; n <= 2000; n += 2) {
        ASSERT_OK(t->go_to(n));
        ASSERT_OK(t->delete_record());
    }
    ASSERT_OK(t->pack());
    uint32_t n = 0;
    ASSERT_OK(t->record_count(&n));
    EXPECT_EQ(n, 1000u);
    EXPECT_EQ(t->recno(), 1u);
    EXPECT_EQ(t->str(t->field("NOME")), "N1");
    ASSERT_OK(t->go_bottom());
    EXPECT_EQ(t->str(t->field("NOME")), "N1999");
    // Still ours alone after the rename: another handle cannot open it.
    std::unique_ptr<Table> other;
    EXPECT_EQ(Table::open(Env::posix(), path, {}, &other).code(), Status::Code::kLocked);
    ASSERT_OK(t->close());
    std::string b = slurp(path);
    size_t header = u16(b, 8), reclen = u16(b, 10);
    EXPECT_EQ(b.size(), header + 1000 * reclen + 1);
    EXPECT_EQ(u16(b, 4), 1000);
    EXPECT_EQ(b.back(), 0x1A);

    // Appends still gathered in memory are packed with the rest.
    t = open_table(path, true);
    for (const char* name : {"P1", "P2", "P3"}) {
        Record r = row(name, "2");
        ASSERT_OK(t->append(&r));
    }
    ASSERT_OK(t->go_to(1002));
    ASSERT_OK(t->delete_record());
    ASSERT_OK(t->pack());
    ASSERT_OK(t->record_count(&n));
    EXPECT_EQ(n, 1002u);
    ASSERT_OK(t->go_bottom());
    EXPECT_EQ(t->str(t->field("NOME")), "P3");
    ASSERT_OK(t->skip(-1));
    EXPECT_EQ(t->str(t->field("NOME")), "P1");
    ASSERT_OK(t->close());
    EXPECT_EQ(slurp(path).size(), header + 1002 * reclen + 1);

    t = open_table(path, true);
    ASSERT_OK(t->zap());
    ASSERT_OK(t->close());
    b = slurp(path);
    EXPECT_EQ(b.size(), header + 1);
    EXPECT_EQ(u16(b, 4), 0);
    // Leftover temporary files: none.
    std::vector<std::string> names;
    ASSERT_OK(Env::posix().list(dir.path(), &names));
    EXPECT_EQ(names, std::vector<std::string>{"SMALL.DBF"});
    // Pack and zap in shared use are programming errors.
    t = open_table(path);
    EXPECT_THROW((void)t->pack(), std::logic_error);
}

TEST(Dbf, ForeignTableIsReadWithItsQuirks) {
    TempDir dir;
    std::string path = dir.file("xbase_created.dbf");
    std::filesystem::copy_file(std::string(VORN_SOURCE_DIR) + "/tests/data/store/xbase_created.dbf",
                               path);
    auto t = open_table(path);
    uint32_t count = 0;
    ASSERT_OK(t->record_count(&count));
    EXPECT_EQ(count, 205u);
    EXPECT_EQ(t->header_length(), 162u);  // Clipper-style header with the extra byte
    EXPECT_TRUE(t->structural_index_flag());
    Field name = t->field("NAME"), amount = t->field("AMOUNT"), born = t->field("BORN"),
          active = t->field("ACTIVE");
    EXPECT_EQ(t->str(name), "Alpha");
    EXPECT_EQ(t->num(amount), Decimal::from("12.5"));
    EXPECT_EQ(t->date(born), Date(1999, 12, 31));
    EXPECT_TRUE(t->logical(active));
    ASSERT_OK(t->skip());
    EXPECT_EQ(t->num(amount), Decimal(-3));
    ASSERT_OK(t->skip());
    EXPECT_EQ(t->recno(), 4u);  // record 3 is deleted
    Record r(t->layout_ptr());
    Status s = t->read(r);
    EXPECT_EQ(s.code(), Status::Code::kCorrupt);  // the foreign overflow row of '*'
    EXPECT_NE(s.message().find("AMOUNT"), std::string::npos);
    EXPECT_EQ(r.str("NAME"), "Alpha");
    EXPECT_FALSE(r.logical("ACTIVE"));
    ASSERT_OK(t->skip());
    EXPECT_EQ(t->num(amount), Decimal::from("-0.01"));
    EXPECT_EQ(t->date(born), Date(1752, 9, 14));
    ASSERT_OK(t->go_bottom());
    EXPECT_EQ(t->str(name), "N0200");
    EXPECT_EQ(t->num(amount), Decimal(300));
    EXPECT_EQ(t->date(born), Date(2000, 1, 1).add_days(200));
    ASSERT_OK(t->go_to(3));
    EXPECT_TRUE(t->deleted());
    EXPECT_EQ(t->str(name), "Gamma");
    EXPECT_TRUE(t->date(born).blank());
}

TEST(Dbf, SharedAppendToAForeignTableWithoutEndMark) {
    TempDir dir;
    std::string path = dir.file("XB.DBF");
    std::filesystem::copy_file(std::string(VORN_SOURCE_DIR) + "/tests/data/store/xbase_updated.dbf",
                               path);
    std::string before = slurp(path);
    EXPECT_NE(before.back(), 0x1A);
    auto t = open_table(path);
    uint32_t count = 0;
    ASSERT_OK(t->record_count(&count));
    EXPECT_EQ(count, 206u);
    ASSERT_OK(t->go_to(2));
    EXPECT_EQ(t->str("NAME"), "Bravo");
    ASSERT_OK(t->go_bottom());
    EXPECT_EQ(t->str("NAME"), "Yankee");
    ASSERT_OK(t->append());
    EXPECT_TRUE(t->record_locked(207));
    ASSERT_OK(t->replace(t->field("NAME"), "Zulu"));
    ASSERT_OK(t->replace(t->field("AMOUNT"), Decimal::from("2.25")));
    ASSERT_OK(t->unlock());
    ASSERT_OK(t->close());
    std::string after = slurp(path);
    size_t header = 162, reclen = u16(after, 10);
    ASSERT_EQ(after.size(), header + 207 * reclen + 1);
    EXPECT_EQ(after.substr(0, header).substr(8), before.substr(8, header - 8));  // layout kept
    EXPECT_EQ(u16(after, 4), 207);
    EXPECT_EQ(after.substr(header, 206 * reclen), before.substr(header, 206 * reclen));
    EXPECT_EQ(after.substr(header + 206 * reclen, 1 + 12 + 10), " Zulu              2.25");
}

// A table whose file holds fewer records than its header counts lost some: opening it fails,
// naming the file and both counts, whoever opens it. More records than counted (a writer that
// stopped before updating the header) are read.
TEST(Dbf, FileShorterThanItsHeaderCountsIsRefusedAtOpening) {
    TempDir dir;
    const std::string path = create_small(dir, {row("UM", "1"), row("DOIS", "2")});
    const std::string whole = slurp(path);
    const size_t header = u16(whole, 8), reclen = u16(whole, 10);
    ASSERT_EQ(whole.size(), header + 2 * reclen + 1);
    auto open_status = [&](bool exclusive) {
        std::unique_ptr<Table> t;
        OpenOptions opt;
        opt.read_only = !exclusive;
        opt.exclusive = exclusive;
        return Table::open(Env::posix(), path, opt, &t);
    };

    testing::spit(path, whole.substr(0, header + reclen + reclen / 2));  // cut in the last record
    for (bool exclusive : {false, true}) {
        Status s = open_status(exclusive);
        EXPECT_EQ(s.code(), Status::Code::kCorrupt);
        EXPECT_NE(s.message().find("SMALL.DBF"), std::string::npos) << s.message();
        EXPECT_NE(s.message().find("indica 2 registros e o arquivo tem 1 e parte de outro"),
                  std::string::npos)
            << s.message();
    }

    std::string claims = whole.substr(0, header + reclen) + "\x1A";  // one record, counted 1000
    claims[4] = static_cast<char>(1000 & 0xFF);
    claims[5] = static_cast<char>(1000 >> 8);
    testing::spit(path, claims);
    Status s = open_status(false);
    EXPECT_EQ(s.code(), Status::Code::kCorrupt);
    EXPECT_NE(s.message().find("indica 1000 registros e o arquivo tem 1"), std::string::npos)
        << s.message();
    EXPECT_EQ(slurp(path), claims);  // nothing written

    std::string longer = whole;  // counted 1, holding 2 and part of a third
    longer[4] = 1;
    testing::spit(path, longer.substr(0, longer.size() - 1) + "  PARTE");
    auto t = open_table(path);
    uint32_t count = 0;
    ASSERT_OK(t->record_count(&count));
    EXPECT_EQ(count, 2u);
    ASSERT_OK(t->go_bottom());
    EXPECT_EQ(t->str("NOME"), "DOIS");
}

TEST(Dbf, FilesAreFoundWithoutRegardToCase) {
    TempDir dir;
    ASSERT_OK(Table::create(Env::posix(), dir.file("imp0926.dbf"), *small_layout(), {},
                            &test_clock(), false));
    EXPECT_EQ(find_file(Env::posix(), dir.file("IMP0926.DBF")), dir.file("imp0926.dbf"));
    EXPECT_EQ(find_file(Env::posix(), dir.path(), "Imp0926.Dbf"), dir.file("imp0926.dbf"));
    EXPECT_EQ(find_file(Env::posix(), dir.path(), "IMP0126.DBF"), dir.file("IMP0126.DBF"));
    // Creating a name that exists in another case leaves the existing table alone.
    bool existed = false;
    ASSERT_OK(Table::create(Env::posix(), dir.file("imp0926.dbf"), *small_layout(), {row("X", "1")},
                            &test_clock(), false, &existed));
    EXPECT_TRUE(existed);
    auto t = open_table(dir.file("imp0926.dbf"));
    EXPECT_TRUE(t->eof());
}

TEST(Dbf, MemoTextComesFromTheDbtFile) {
    TempDir dir;
    std::string script = dir.file("mk.pl");
    testing::spit(script,
                  "use XBase; my $t = XBase->create(name => '" + dir.file("HELPTXT") +
                      "', field_names => ['NOME','TEXTO'], field_types => ['C','M'],"
                      " field_lengths => [20,10], field_decimals => [0,0]) or die XBase->errstr;"
                      "$t->set_record(0, 'TELA1', \"Ajuda da tela\\r\\ncom acentua\\xE7\\xE3o\");"
                      "$t->set_record(1, 'VAZIA', '');"
                      "$t->set_record(2, 'LONGA', 'x' x 1500);"
                      "$t->close;");
    int rc = 0;
    testing::run("perl " + script + " 2>&1", &rc);
    ASSERT_EQ(rc, 0);
    // Perl names them HELPTXT.dbf and HELPTXT.dbt.
    auto t = open_table(find_file(Env::posix(), dir.path(), "HELPTXT.DBF"));
    EXPECT_TRUE(t->read_only());
    Field texto = t->field("TEXTO");
    std::string text;
    ASSERT_OK(t->memo(texto, &text));
    EXPECT_EQ(text, "Ajuda da tela\r\ncom acentuação");
    ASSERT_OK(t->skip());
    ASSERT_OK(t->memo(texto, &text));
    EXPECT_EQ(text, "");
    ASSERT_OK(t->skip());
    ASSERT_OK(t->memo(texto, &text));
    EXPECT_EQ(text, std::string(1500, 'x'));
    EXPECT_EQ(t->replace(t->field("NOME"), "X").code(), Status::Code::kInvalid);
}

TEST(Dbf, ExclusiveAppendsReachTheFileInBatchesAndAtTheLatestOnFlush) {
    TempDir dir;
    std::string path = create_small(dir);
    FaultEnv env(Env::posix());
    auto t = testing::open_table(path, true, env);
    Field nome = t->field("NOME");
    for (int i = 1; i <= 1000; ++i) {
        Record r = row(("N" + std::to_string(i)).c_str(), "1");
        ASSERT_OK(t->append(&r));
    }
    ASSERT_OK(t->replace(nome, "ultimo"));  // still gathered: changed where it waits
    ASSERT_OK(t->go_to(999));
    EXPECT_EQ(t->str(nome), "N999");
    ASSERT_OK(t->skip());
    EXPECT_EQ(t->str(nome), "ultimo");
    size_t reclen = t->record_length(), header = t->header_length();
    EXPECT_LT(slurp(path).size(), header + 1000 * reclen);  // some still in memory
    EXPECT_GE(slurp(path).size(), header + 900 * reclen);   // most already written
    // A bulk reader sees every row, gathered ones included, in order.
    uint32_t seen = 0;
    std::string last_row;
    ASSERT_OK(t->scan_rows([&](uint32_t n, std::string_view r) {
        EXPECT_EQ(n, ++seen);
        last_row = std::string(r);
    }));
    EXPECT_EQ(seen, 1000u);
    EXPECT_EQ(last_row.substr(0, 7), " ultimo");
    ASSERT_OK(t->flush());
    std::string b = slurp(path);
    ASSERT_EQ(b.size(), header + 1000 * reclen + 1);
    EXPECT_EQ(u16(b, 4), 1000);
    EXPECT_EQ(b.substr(header + 999 * reclen, 7), " ultimo");
    // A failing write surfaces on close, and the records gathered so far are not claimed written.
    Record last = row("N1001", "1");
    ASSERT_OK(t->append(&last));
    env.fail_at(1, true);
    EXPECT_FALSE(t->close().is_ok());
    EXPECT_EQ(slurp(path).size(), header + 1000 * reclen + 1);
}

// A program killed during exclusive appends leaves the header counting every batch already
// written: other xBase readers trust that count.
TEST(Dbf, EachBatchOfExclusiveAppendsIsCountedInTheHeader) {
    TempDir dir;
    std::string path = create_small(dir);
    FaultEnv env(Env::posix());
    auto t = testing::open_table(path, true, env);
    size_t header = t->header_length(), reclen = t->record_length();
    uint32_t written = 0;
    for (int i = 1; written == 0; ++i) {
        Record r = row(("N" + std::to_string(i)).c_str(), "1");
        ASSERT_OK(t->append(&r));
        if (slurp(path).size() > header + 1) written = static_cast<uint32_t>(i - 1);
    }
    EXPECT_EQ(u16(slurp(path), 4), written);
    env.fail_at(1, Crash::kProgram);  // nothing more reaches the file
    for (int i = 0; i < 3000; ++i) {
        Record r = row("X", "1");
        if (!t->append(&r)) break;
    }
    EXPECT_FALSE(t->close().is_ok());
    std::string b = slurp(path);
    EXPECT_EQ(u16(b, 4), written);
    EXPECT_EQ(b.size(), header + written * reclen + 1);
}

TEST(Dbf, AttachedIndexIsKeptInStepAndDrivesNavigation) {
    TempDir dir;
    std::string path = create_small(dir, {row("Pedro", "1"), row("Ana", "2"), row("Maria", "3")});
    auto t = open_table(path, true);
    auto owned = std::make_unique<testing::FieldIndex>(*t, "NOME");
    testing::FieldIndex& ix = *owned;
    ASSERT_OK(ix.rebuild());
    t->add_index(std::move(owned));
    t->set_order(1);
    using V = std::vector<std::string>;
    EXPECT_EQ(names_in_order(*t), (V{"Ana", "Maria", "Pedro"}));
    EXPECT_EQ(names_in_order(*t, true), (V{"Pedro", "Maria", "Ana"}));
    Record bia = row("Bia", "4");
    ASSERT_OK(t->append(&bia));
    ASSERT_OK(t->seek(Value(std::string("Ma"))));
    EXPECT_TRUE(t->found());
    EXPECT_EQ(t->recno(), 3u);
    ASSERT_OK(t->replace(t->field("NOME"), "Zeca"));
    ASSERT_OK(t->seek(Value(std::string("Ana"))));
    ASSERT_OK(t->delete_record());
    ASSERT_OK(t->seek(Value(std::string("Ana"))));  // a deleted match is not found
    EXPECT_FALSE(t->found());
    EXPECT_TRUE(t->eof());
    ASSERT_OK(t->seek(Value(std::string("C")), true));  // soft: lands on the next key
    EXPECT_FALSE(t->found());
    EXPECT_EQ(t->str("NOME"), "Pedro");
    EXPECT_EQ(names_in_order(*t), (V{"Bia", "Pedro", "Zeca"}));
    ASSERT_OK(t->pack());
    EXPECT_EQ(names_in_order(*t), (V{"Bia", "Pedro", "Zeca"}));
    ASSERT_OK(t->zap());
    EXPECT_EQ(ix.calls, (V{"append 4", "replace 3", "replace 2 flag", "pack", "zap"}));
    t->set_order(0);
    EXPECT_THROW((void)t->seek(Value(std::string("x"))), std::logic_error);
}

}  // namespace
}  // namespace vorn::store
