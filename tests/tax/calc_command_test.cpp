// The calc batch command end to end: declarations written as DBF tables (lower-case names, no
// index files), computed read-only, printed as NAME=value lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "builder.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "tax/folder.h"

namespace vorn::tax {
namespace {

namespace fs = std::filesystem;
using testing::Builder;
using testing::D;

struct Output {
    int status = 0;
    std::string out, err;
    // NAME=value lines of each declaration block, by CPF.
    std::map<std::string, std::map<std::string, std::string>> blocks;
};

Output run(std::vector<std::string> args) {
    args.insert(args.begin(), "calc");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    auto* old_out = std::cout.rdbuf(out.rdbuf());
    auto* old_err = std::cerr.rdbuf(err.rdbuf());
    Output o;
    o.status = run_calc_command(static_cast<int>(argv.size()), argv.data());
    std::cout.rdbuf(old_out);
    std::cerr.rdbuf(old_err);
    o.out = out.str();
    o.err = err.str();
    std::istringstream lines(o.out);
    std::string line, cpf;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (line.compare(0, eq, "CPF") == 0) cpf = line.substr(eq + 1);
        o.blocks[cpf][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return o;
}

std::map<std::string, std::string> file_bytes(const fs::path& dir) {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::ifstream f(e.path(), std::ios::binary);
        m[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(f), {});
    }
    return m;
}

class CalcCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::path(VORN_BINARY_DIR) / "calc_command_test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        Builder employee("11144477735");
        employee.d.registry.set("NOMECONTR", "FULANO DE TAL");
        employee.company("60000.00", "5000.00", "6000.00", "5000.00");
        Builder family("52998224725");
        family.d.set("USAPADRAO", "S");
        family.company("120000.00", "15000.00", "9000.00", "10000.00");
        family.dependant(21, "11111111111", Date(2012, 3, 4), 1);
        family.dependant(21, "22222222222", Date(2015, 7, 8), 2);
        family.payment(36, "20000.00");
        family.payment(1, "5000.00", "0", 0);
        family.payment(1, "1000.00", "0", 1);
        family.payment(2, "4000.00", "0", 2);
        family.payment(10, "3000.00", "500.00");
        family.payment(9, "1500.00");
        write({employee.d, family.d});
    }
    void write(const std::vector<Declaration>& declarations) {
        ManualClock clock(DateTime{Date(2026, 3, 1), 0});
        ASSERT_TRUE(write_folder(store::Env::posix(), dir.string(), declarations, &clock));
        // Offices copy folders from Windows: names in lower case, no index files.
        for (const auto& e : fs::directory_iterator(dir)) {
            std::string lower = e.path().filename().string();
            for (char& ch : lower)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            fs::rename(e.path(), dir / lower);
        }
    }
    // The run of one declaration that must fail: exit 1, a message holding every one of
    // `expected`, nothing on standard output and no file of the folder changed.
    void expect_refused(const char* cpf, std::initializer_list<const char*> expected) {
        const auto before = file_bytes(dir);
        Output o = run({"--folder", dir.string(), "--cpf", cpf});
        EXPECT_EQ(o.status, 1);
        for (const char* text : expected) EXPECT_NE(o.err.find(text), std::string::npos) << o.err;
        EXPECT_TRUE(o.out.empty()) << o.out;
        EXPECT_EQ(file_bytes(dir), before);
    }
    fs::path dir;
};

TEST_F(CalcCommand, OneDeclarationPrintsItsSummaryLinesAndChangesNoFile) {
    const auto before = file_bytes(dir);
    Output o =
        run({"--folder", dir.string(), "--cpf", "111.444.777-35", "--now", "2026-04-15 10:00:00"});
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(o.blocks.size(), 1u);
    const auto& v = o.blocks.at("11144477735");
    EXPECT_EQ(v.at("I13_01"), "60000.00");
    EXPECT_EQ(v.at("I13_20"), "54000.00");
    EXPECT_EQ(v.at("I13_21"), "4095.03");
    EXPECT_EQ(v.at("I13_38"), "904.97");
    EXPECT_EQ(v.at("I4_01"), "5000.00");
    EXPECT_EQ(v.at("USAPADRAO"), "N");
    EXPECT_EQ(v.at("NSIMPL"), "2745.03");
    EXPECT_EQ(v.at("NCOMPL"), "4095.03");
    EXPECT_EQ(v.at("DESPADRAO"), "12000.00");
    EXPECT_EQ(v.at("DESCON"), "6000.00");
    EXPECT_EQ(v.at("QTD_QUOTA"), "0");
    EXPECT_EQ(v.at("IMPPGRE"), "-904.97");
    EXPECT_EQ(v.at("RECEITA"), "65000.00");
    EXPECT_EQ(v.at("INDGAS"), "83.08");
    // Every line asked for, each number with two decimals after a point.
    std::vector<std::string> names;
    for (int k = 1; k <= 51; ++k) names.push_back("I13_" + two_digits(k));
    for (int k = 1; k <= 26; ++k) names.push_back("I3_" + two_digits(k));
    for (int k = 1; k <= 15; ++k) names.push_back("I4_" + two_digits(k));
    for (const char* n : {"DESPADRAO", "DESCON", "NCOMPL", "NSIMPL", "NILEI14754", "BASE14754",
                          "IMPPGRE", "RECEITA", "DESPESA", "SALDO", "INDGAS"})
        names.push_back(n);
    const std::regex amount("-?[0-9]+\\.[0-9]{2}");
    for (const auto& n : names) {
        ASSERT_TRUE(v.count(n)) << n;
        EXPECT_TRUE(std::regex_match(v.at(n), amount)) << n << "=" << v.at(n);
    }
    EXPECT_EQ(o.out.rfind("CPF=11144477735\n", 0), 0u);
    EXPECT_EQ(file_bytes(dir), before);
}

TEST_F(CalcCommand, AllComputesEveryDeclarationOfTheFolder) {
    Output o = run({"--folder", dir.string(), "--all", "--now", "2026-04-15 10:00:00"});
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(o.blocks.size(), 2u);
    const auto& family = o.blocks.at("52998224725");
    EXPECT_EQ(family.at("USAPADRAO"), "S");
    EXPECT_EQ(family.at("I13_13"), "8123.00");
    EXPECT_EQ(family.at("I13_21"), "17538.77");
    EXPECT_EQ(family.at("QTD_QUOTA"), "8");  // the form of its field, N1.0
    EXPECT_EQ(family.at("I13_37"), "317.34");
    EXPECT_EQ(family.at("NCOMPL"), "11126.10");
    EXPECT_LT(o.out.find("CPF=11144477735"), o.out.find("CPF=52998224725"));  // registry order
}

TEST_F(CalcCommand, UnknownCpfFolderOrArgumentsFailWithAMessage) {
    Output o = run({"--folder", dir.string(), "--cpf", "98765432100"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("CPF 98765432100 não encontrado"), std::string::npos);
    EXPECT_TRUE(o.out.empty());

    o = run({"--folder", (dir / "nenhuma").string(), "--all"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("pasta não encontrada"), std::string::npos);

    EXPECT_EQ(run({"--folder", dir.string()}).status, 1);
    EXPECT_EQ(run({"--folder", dir.string(), "--cpf", "123"}).status, 1);
    EXPECT_EQ(run({"--folder", dir.string(), "--all", "--now", "ontem"}).status, 1);

    fs::remove(dir / "imp0926.dbf");
    o = run({"--folder", dir.string(), "--all"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("não localizado"), std::string::npos);
}

TEST_F(CalcCommand, CashBookDeductedUpToTheSelfEmployedIncome) {
    write({testing::cash_book_client("39053344705").d});
    Output o = run({"--folder", dir.string(), "--cpf", "39053344705"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto& v = o.blocks.at("39053344705");
    EXPECT_EQ(v.at("I13_18"), "40000.00");
    EXPECT_EQ(v.at("I13_19"), "40000.00");
    EXPECT_EQ(v.at("I13_20"), "30000.00");
    EXPECT_EQ(v.at("I13_21"), "114.96");
    EXPECT_EQ(v.at("QTD_QUOTA"), "2");
    EXPECT_EQ(v.at("I13_37"), "57.48");
}

TEST_F(CalcCommand, DamagedOrIncompleteTablesAreRefused) {
    // Header length and record length of a DBF file's bytes.
    auto lengths = [](const std::string& b) {
        auto u16 = [&](size_t at) {
            return static_cast<size_t>(static_cast<unsigned char>(b[at]) |
                                       static_cast<unsigned char>(b[at + 1]) << 8);
        };
        return std::pair{u16(8), u16(10)};
    };
    const std::string whole_registry = file_bytes(dir).at("imp0926.dbf");
    const auto [header, reclen] = lengths(whole_registry);
    auto spit = [&](const char* name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary | std::ios::trunc) << bytes;
    };

    // The registry cut in the middle of its last record.
    spit("imp0926.dbf", whole_registry.substr(0, header + reclen + reclen / 2));
    expect_refused("11144477735", {"imp0926.dbf", "indica 2 registros e o arquivo tem 1"});
    spit("imp0926.dbf", whole_registry);

    // The items table counting 1,000 records over one.
    const std::string whole_items = file_bytes(dir).at("imp0226.dbf");
    const auto [items_header, items_reclen] = lengths(whole_items);
    std::string claims = whole_items.substr(0, items_header + items_reclen) + "\x1A";
    claims[4] = static_cast<char>(1000 & 0xFF);
    claims[5] = static_cast<char>(1000 >> 8);
    claims[6] = claims[7] = 0;
    spit("imp0226.dbf", claims);
    expect_refused("11144477735", {"imp0226.dbf", "indica 1000 registros e o arquivo tem 1"});

    // The items table without the tax withheld: read as zero it would turn a refund into tax to
    // pay.
    std::vector<store::FieldDef> fields = store::table_def(2)->layout->fields();
    std::erase_if(fields, [](const store::FieldDef& f) { return f.name == "I1_5"; });
    auto without = std::make_shared<const store::Layout>(fields);
    Builder employee("11144477735");
    store::Record item(without);
    item.assign_by_name(employee.company("60000.00", "5000.00", "6000.00", "5000.00"));
    fs::remove(dir / "imp0226.dbf");
    ASSERT_TRUE(store::Table::create(store::Env::posix(), (dir / "imp0226.dbf").string(), *without,
                                     {item}, nullptr, true));
    expect_refused("11144477735", {"imp0226.dbf", "falta o campo I1_5"});

    // A folder without capital gains or assets reads them as empty; without its summary table it
    // cannot be computed.
    spit("imp0226.dbf", whole_items);
    fs::remove(dir / "imp0426.dbf");
    EXPECT_EQ(run({"--folder", dir.string(), "--cpf", "11144477735"}).status, 0);
    fs::remove(dir / "imp0126.dbf");
    expect_refused("11144477735", {"não localizado"});
}

// Overwrites a field of a record in a table file with bytes that are no value of its type.
void garble(const fs::path& file, uint32_t recno, const char* field) {
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(store::Env::posix(), file.string(), {}, &t));
    const store::Field f = t->field(field);
    const uint64_t at = t->header_length() + uint64_t{recno - 1} * t->record_length() + f.offset;
    ASSERT_TRUE(t->close());
    std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(static_cast<std::streamoff>(at));
    io << std::string(f.width, '*');
}

TEST_F(CalcCommand, ADeclarationThatCannotBeReadIsToldAndTheOthersAreComputed) {
    garble(dir / "imp0226.dbf", 1, "I1_5");  // the employee's withholding
    Output o = run({"--folder", dir.string(), "--all", "--now", "2026-04-15 10:00:00"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("CPF 11144477735: "), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("imp0226.dbf registro 1"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("1 de 2 declarações não calculadas"), std::string::npos) << o.err;
    EXPECT_EQ(o.blocks.count("11144477735"), 0u);
    ASSERT_EQ(o.blocks.count("52998224725"), 1u);
    EXPECT_EQ(o.blocks.at("52998224725").at("I13_21"), "17538.77");
}

// Declarations are read a group at a time with the tables closed in between: what a terminal
// saved meanwhile is read, not the records noted before.
TEST_F(CalcCommand, TheReaderFollowsATableChangedBetweenGroups) {
    FolderReader folder;
    ASSERT_TRUE(FolderReader::read(store::Env::posix(), dir.string(), "", &folder));
    ASSERT_EQ(folder.cpfs(), (std::vector<std::string>{"11144477735", "52998224725"}));
    {
        std::unique_ptr<store::Table> t;
        ASSERT_TRUE(store::Table::open(store::Env::posix(), (dir / "imp0626.dbf").string(),
                                       {true, false, nullptr}, &t));
        ASSERT_TRUE(t->go_top());
        ASSERT_EQ(t->str("CPF"), "52998224725");
        ASSERT_TRUE(t->delete_record());  // its first payment gone, one added
        store::Record extra(store::table_def(6)->layout);
        extra.set("CPF", "52998224725");
        extra.set("I6_3", Decimal(26));
        extra.set("I6_4", D("777.00"));
        ASSERT_TRUE(t->append(&extra));
        ASSERT_TRUE(t->close());
    }
    std::vector<FolderReader::Loaded> read;
    ASSERT_TRUE(folder.load(1, 5, &read));
    ASSERT_EQ(read.size(), 1u);
    ASSERT_TRUE(read[0].status);
    const auto& payments = read[0].declaration.payments;
    ASSERT_EQ(payments.size(), 6u);
    EXPECT_EQ(payments.front().num("I6_3"), Decimal(1));
    EXPECT_EQ(payments.back().num("I6_4"), D("777.00"));
}

TEST_F(CalcCommand, TotalTooWideForItsFieldIsAnError) {
    Builder b("39053344705");
    b.company("999999999999.99");
    b.company("999999999999.99", "0", "0", "0", "11111111111");
    write({b.d});
    expect_refused("39053344705", {"I13_08", "não cabe"});
}

TEST_F(CalcCommand, ReadsTheInterestTableOfTheInstallation) {
    auto layout =
        std::make_shared<store::Layout>(store::parse_fields("ANOMES C6, TJM N6.2, SIMB_MOED C2"));
    std::vector<store::Record> rows;
    for (const auto& [month, rate] :
         {std::pair{"202503", "0.96"}, {"202504", "1.06"}, {"2025XX", "9"}}) {
        store::Record r(layout);
        r.set("ANOMES", month);
        r.set("TJM", D(rate));
        rows.push_back(r);
    }
    const fs::path install = dir / "install";
    fs::create_directories(install);
    ASSERT_TRUE(store::Table::create(store::Env::posix(), (install / "ufirm.dbf").string(), *layout,
                                     rows, nullptr, true));
    payments::InterestTable t;
    ASSERT_TRUE(read_interest_table(store::Env::posix(), install.string(), &t));
    EXPECT_EQ(t.sum_between(2025, 2, 2025, 5), D("2.02"));
    EXPECT_EQ(t.last_month(), 202504);
    Output o = run({"--folder", dir.string(), "--all", "--install", install.string()});
    EXPECT_EQ(o.status, 0) << o.err;
}

// Rural gross revenue above 177,920.00 obliges filing: Brazil's revenue and the revenue abroad in
// dollars at the office's rate are added; a line of its own says so, and nothing for the others.
TEST_F(CalcCommand, RuralRevenueAboveTheLimitObligesFiling) {
    Builder farmer("11144477735");
    farmer.d.registry.set("TEMRURAL", "S");
    farmer.d.registry.set("AAR_EXTER", "S");
    Builder family("52998224725");
    write({farmer.d, family.d});
    ManualClock clock(DateTime{Date(2026, 3, 1), 0});
    auto result = [](const char* cpf, const char* atv, const char* revenue) {
        store::Record r(store::table_def(15)->layout);
        r.set("CPF", cpf);
        r.set("ATV_BRASIL", atv);
        r.set("I4R_01", D(revenue));
        return r;
    };
    const auto* def = store::table_def(15);
    // Written over the folder's own table, in the lower case the folder's names are in.
    std::string name = def->file_base("") + ".dbf";
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const fs::path results = dir / name;
    auto write_results = [&](const char* brazil, const char* abroad) {
        ASSERT_TRUE(store::Table::create(
            store::Env::posix(), results.string(), *def->layout,
            {result("11144477735", "S", brazil), result("11144477735", "N", abroad)}, &clock,
            true));
    };
    const fs::path install = dir / "install";
    fs::create_directories(install);
    store::Record define(store::table_def(43)->layout);
    define.set("VAL_DOLAR", D("5.0000"));
    ASSERT_TRUE(store::Table::create(
        store::Env::posix(), (install / (store::table_def(43)->file_base("") + ".DBF")).string(),
        *store::table_def(43)->layout, {define}, &clock, true));
    const std::string text = "Receita bruta rural acima de 177.920,00: obrigado a declarar";

    // 170,000.00 in Brazil and 2,000.00 dollars abroad at 5.00: 180,000.00.
    write_results("170000.00", "2000.00");
    Output o = run({"--folder", dir.string(), "--all", "--install", install.string()});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.blocks.at("11144477735").at("OBRIGA_RURAL"), text);
    EXPECT_EQ(o.blocks.at("52998224725").count("OBRIGA_RURAL"), 0u);
    // Exactly at the limit: not above it.
    write_results("167920.00", "2000.00");
    o = run({"--folder", dir.string(), "--all", "--install", install.string()});
    EXPECT_EQ(o.blocks.at("11144477735").count("OBRIGA_RURAL"), 0u);
}

}  // namespace
}  // namespace vorn::tax
