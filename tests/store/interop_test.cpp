// Tables the engine writes open in other xBase tools (python3-dbfread, Perl XBase), and tables
// they write (python3-dbf, Perl XBase) open in the engine, on the catalogue's widest layouts.
#include <gtest/gtest.h>

#include <sstream>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::TempDir;
using testing::test_clock;

const std::string kTools = std::string(VORN_SOURCE_DIR) + "/tests/store/tools/";

// A value for field i of sample row `row`, in the tools' plain text.
std::string sample(const FieldDef& f, int row, size_t i) {
    switch (f.type) {
        case FieldType::kChar: {
            if (i == 0) return "0000000000" + std::to_string(row);  // the CPF
            if (row == 2 && i % 3 == 0) return "";
            std::string s =
                std::string(row % 2 ? "Ação " : "João ") + f.name + " " + std::to_string(row);
            if (f.width > 80) s += std::string(static_cast<size_t>(f.width) - 70, 'x') + "fim";
            return trim_right(left(s, static_cast<size_t>(f.width)));
        }
        case FieldType::kNumeric: {
            int room = f.width - (f.decimals ? f.decimals + 1 : 0);
            bool sign = room > 1;
            int digits = std::min(sign ? room - 1 : room, 9);
            long long mod = 1;
            for (int k = 0; k < digits; ++k) mod *= 10;
            long long whole = (static_cast<long long>(i + 1) * 7919 + row * 104729) % mod;
            std::string s = std::to_string(whole);
            if (f.decimals) {
                std::string frac = std::to_string((i * 31 + static_cast<size_t>(row) * 7) % 100);
                frac = pad_left(frac, 2, '0');
                s += "." + pad_right(frac, static_cast<size_t>(f.decimals), '0');
            }
            if (sign && (i + static_cast<size_t>(row)) % 3 == 0 && Decimal::from(s) != Decimal(0))
                s = "-" + s;
            return s;
        }
        case FieldType::kDate:
            return row == 2 && i % 2
                       ? ""
                       : Date(2025, 1, 1).add_days(static_cast<long>(i) + row * 40).dtos();
        case FieldType::kLogical: {
            const char* values[] = {"T", "F", ""};
            return values[(i + static_cast<size_t>(row)) % 3];
        }
        default:
            return "";
    }
}

Record sample_record(const std::shared_ptr<const Layout>& layout, int row) {
    Record r(layout);
    for (size_t i = 0; i < layout->size(); ++i) {
        const FieldDef& f = (*layout)[i];
        std::string v = sample(f, row, i);
        if (f.type == FieldType::kChar) r.set_value(i, v);
        if (f.type == FieldType::kNumeric) r.set_value(i, Decimal::from(v));
        if (f.type == FieldType::kDate) r.set_value(i, v.empty() ? Date() : *Date::from_dtos(v));
        if (f.type == FieldType::kLogical)
            r.set_value(i, v.empty()  ? Logical::kUnset
                           : v == "T" ? Logical::kTrue
                                      : Logical::kFalse);
    }
    return r;
}

std::string field_lines(const Layout& layout) {
    std::string out;
    for (const auto& f : layout.fields())
        out += "F " + upper(f.name) + " " + static_cast<char>(f.type) + " " +
               std::to_string(f.width) + " " + std::to_string(f.decimals) + "\n";
    return out;
}

std::string row_line(const Layout& layout, int row, bool deleted) {
    std::string out = deleted ? "X" : "R";
    for (size_t i = 0; i < layout.size(); ++i) out += "|" + sample(layout[i], row, i);
    return out + "\n";
}

// The rows 0..3 of a sample table with row 2 deleted, as the tools print them.
std::string expected_rows(const Layout& layout) {
    return row_line(layout, 0, false) + row_line(layout, 1, false) + row_line(layout, 3, false) +
           row_line(layout, 2, true);
}

// The same plain text, as the engine reads the table.
std::string our_dump(const std::string& path) {
    std::unique_ptr<Table> t;
    Status s = Table::open(Env::posix(), path, {}, &t);
    EXPECT_TRUE(s) << s.to_string();
    if (!s) return "";
    std::string out = field_lines(t->layout()), gone;
    uint32_t count = 0;
    EXPECT_OK(t->record_count(&count));
    for (uint32_t n = 1; n <= count; ++n) {
        EXPECT_OK(t->go_to(n));
        std::string line = t->deleted() ? "X" : "R";
        for (const Field& f : t->fields()) {
            line += "|";
            switch (f.type) {
                case FieldType::kNumeric:
                    line += trim(t->raw(f)).empty() ? "" : t->num(f).to_string(f.decimals);
                    break;
                case FieldType::kDate:
                    line += t->date(f).blank() ? "" : t->date(f).dtos();
                    break;
                case FieldType::kLogical:
                    line += t->logical3(f) == Logical::kUnset ? "" : t->logical(f) ? "T" : "F";
                    break;
                default:
                    line += t->str(f);
            }
        }
        (t->deleted() ? gone : out) += line + "\n";
    }
    return out + gone;
}

// Everything after the "H" line of a tool's dump.
std::string body(const std::string& dump) {
    return dump.substr(dump.find('\n') + 1);
}

class Interop : public ::testing::TestWithParam<int> {};

TEST_P(Interop, OurTablesReadTheSameInDbfreadAndPerl) {
    TempDir dir;
    const TableDef& def = *table_def(GetParam());
    std::string path = dir.file(def.file_base("00") + ".DBF");
    const auto& layout = def.layout;
    ASSERT_OK(Table::create(Env::posix(), path, *layout,
                            {sample_record(layout, 0), sample_record(layout, 1)}, &test_clock(),
                            false));
    {
        auto t = testing::open_table(path);  // shared, as a terminal would
        Record r2 = sample_record(layout, 2), r3 = sample_record(layout, 3);
        ASSERT_OK(t->append(&r2));
        ASSERT_OK(t->delete_record());
        ASSERT_OK(t->append(&r3));
        ASSERT_OK(t->unlock());
    }
    std::string expected = field_lines(*layout) + expected_rows(*layout);
    ASSERT_EQ(our_dump(path), expected);

    int rc = 0;
    std::string py =
        testing::run("/usr/bin/python3 " + kTools + "dbf_dump.py " + path + " 2>&1", &rc);
    ASSERT_EQ(rc, 0) << py;
    size_t header = 32 + 32 * layout->size() + 1;
    EXPECT_EQ(py.substr(0, py.find('\n')), "H 3 4 " + std::to_string(header) + " " +
                                               std::to_string(layout->record_length()) + " cp1252");
    EXPECT_EQ(body(py), expected);

    std::string pl = testing::run("perl " + kTools + "dbf_dump.pl " + path + " 2>&1", &rc);
    ASSERT_EQ(rc, 0) << pl;
    EXPECT_EQ(body(pl), expected);
}

TEST_P(Interop, TablesOfOtherProgramsReadTheSameInOurs) {
    TempDir dir;
    const auto& layout = table_def(GetParam())->layout;
    std::string input = field_lines(*layout) + row_line(*layout, 0, false) +
                        row_line(*layout, 1, false) + row_line(*layout, 2, true) +
                        row_line(*layout, 3, false);
    std::string expected = field_lines(*layout) + expected_rows(*layout);
    testing::spit(dir.file("input.txt"), input);
    for (const char* tool : {"/usr/bin/python3 ", "perl "}) {
        bool python = tool[0] == '/';
        std::string path = dir.file(python ? "PYTHON.DBF" : "perl.dbf");
        int rc = 0;
        std::string out =
            testing::run(std::string(tool) + kTools + (python ? "dbf_write.py " : "dbf_write.pl ") +
                             path + " < " + dir.file("input.txt") + " 2>&1",
                         &rc);
        ASSERT_EQ(rc, 0) << out;
        EXPECT_EQ(our_dump(path), expected) << tool;

        // Our shared append to their file reads back in dbfread.
        auto t = testing::open_table(path);
        Record r = sample_record(layout, 4);
        ASSERT_OK(t->append(&r));
        ASSERT_OK(t->close());
        std::string py =
            testing::run("/usr/bin/python3 " + kTools + "dbf_dump.py " + path + " 2>&1", &rc);
        ASSERT_EQ(rc, 0) << py;
        std::string with_new = field_lines(*layout) + row_line(*layout, 0, false) +
                               row_line(*layout, 1, false) + row_line(*layout, 3, false) +
                               row_line(*layout, 4, false) + row_line(*layout, 2, true);
        EXPECT_EQ(body(py), with_new) << tool;
    }
}

// Table 1 (182 fields), table 7 (212 fields), table 6 (C250, N14.2) and table 9 (the registry).
INSTANTIATE_TEST_SUITE_P(Catalogue, Interop, ::testing::Values(1, 7, 6, 9));

TEST(InteropWide, CharacterFieldsWiderThan255ReadInDbfread) {
    TempDir dir;
    const auto& layout = table_def(4)->layout;  // I7_2 C512
    std::string path = dir.file("IMP0426.DBF");
    ASSERT_OK(Table::create(Env::posix(), path, *layout, {sample_record(layout, 1)}, &test_clock(),
                            false));
    int rc = 0;
    std::string py =
        testing::run("/usr/bin/python3 " + kTools + "dbf_dump.py " + path + " 2>&1", &rc);
    ASSERT_EQ(rc, 0) << py;
    EXPECT_NE(py.find("F I7_2 C 512 0\n"), std::string::npos);
    EXPECT_EQ(body(py), field_lines(*layout) + row_line(*layout, 1, false));
}

}  // namespace
}  // namespace vorn::store
