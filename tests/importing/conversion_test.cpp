// Last year's declarations carried into this year's folder: a 2025 folder written with this
// year's writer under last year's names, converted with each answer; the assets and debts one
// year on, the 0.01 codes, the dependants renumbered and the over-age ones, the heirs and alimony
// recipients, the sources of income; a second run changes nothing; a bad table refuses it all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "../tax/builder.h"
#include "base/text.h"
#include "importing/conversion.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "tax/folder.h"

namespace vorn::importing {
namespace {

namespace fs = std::filesystem;
using store::Env;
using store::Record;
using tax::testing::Builder;

constexpr const char* kAna = "11144477735";
constexpr const char* kBia = "52998224725";
constexpr const char* kCarla = "39053344705";

class Scratch {
  public:
    Scratch() {
        static int serial = 0;
        path_ = fs::temp_directory_path() /
                ("vorn-conv-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Scratch() { fs::remove_all(path_); }
    std::string path() const { return path_.string(); }

  private:
    fs::path path_;
};

Decimal dec(const char* t) {
    return *Decimal::parse(t);
}

Record& asset(Builder& b, int item, int group, int code, const char* before, const char* after) {
    Record r = b.d.new_record(4);
    r.set("I7_0", Decimal(item * 10));
    r.set("I7_1", Decimal(item));
    r.set("I7_2", "BEM " + std::to_string(item));
    r.set("GRPO", pad_left(std::to_string(group), 2, '0'));
    r.set("CODB", pad_left(std::to_string(code), 2, '0'));
    r.set("I7_3", dec(before));
    r.set("I7_4", dec(after));
    b.d.assets.push_back(r);
    return b.d.assets.back();
}

void debt(Builder& b, int item, const char* before, const char* after) {
    Record r = b.d.new_record(5);
    r.set("I8_0", Decimal(item * 10));
    r.set("I8_1", Decimal(item));
    r.set("I8_2", "DIVIDA " + std::to_string(item));
    r.set("I8_3", dec(before));
    r.set("I8_4", dec(after));
    r.set("I8_7", dec("100.00"));
    b.d.debts.push_back(r);
}

// Last year's folder: ANA with assets (a sold one among them), debts, dependants of every age
// rule, an alimony recipient and two income sources; BIA plain; CARLA already in this year's.
struct Years {
    Scratch previous, current;
    ManualClock clock{DateTime{Date(2026, 4, 10), 9 * 3600}};
    payments::InterestTable selic;

    Years() {
        Builder ana(kAna);
        ana.d.registry.set("NOMECONTR", "ANA");
        ana.d.registry.set("NRORECIBO", "123456789012");
        ana.d.registry.set("RETIFICA", "S");
        ana.company("60000.00", "5000.00");
        ana.monthly_item("F", "2500.00").set("I1_41", "A");
        ana.monthly_item("F", "900.00").set("I1_41", "T");
        asset(ana, 1, 1, 1, "100000.00", "100000.00");  // a house
        asset(ana, 2, 2, 1, "50000.00", "0");           // a car sold during the year
        asset(ana, 3, 4, 1, "0", "0");                  // nothing either year
        asset(ana, 4, 4, 1, "1000.00", "2000.00");      // an investment: 0.01
        asset(ana, 5, 7, 99, "10.00", "30.00").set("I7_7", "S");
        ana.d.assets.back().set("VAL_BASE", dec("-150.00"));
        asset(ana, 6, 3, 1, "500.00", "800.00");
        debt(ana, 1, "9000.00", "4000.00");
        debt(ana, 2, "1000.00", "0");
        ana.dependant(21, "22222222222", Date(2001, 5, 1), 3, "FILHO 24");  // over 22: asked
        ana.dependant(22, "33333333333", Date(2003, 5, 1), 5, "FILHA 22");  // student: stays
        ana.dependant(22, "44444444444", Date(1998, 5, 1), 6, "FILHO 27");  // over 25: out
        ana.dependant(41, "55555555555", Date(2002, 1, 1), 7, "MENOR 23");  // over 22: out
        ana.dependant(30, "66666666666", Date(1950, 1, 1), 9, "MAE");       // parent: stays
        ana.dependant(99, "77777777777", Date(2010, 1, 1), 10, "PENSIONISTA")
            .set("CPFRESPON", "88888888888");
        ana.d.dependants.back().set("NROPRAL", "PROCESSO 1");
        Builder bia(kBia);
        bia.d.registry.set("NOMECONTR", "BIA");
        Builder carla(kCarla);
        carla.d.registry.set("NOMECONTR", "CARLA DE ONTEM");
        write(previous.path(), {ana.d, bia.d, carla.d});
        // Last year's names: "IMP0926" becomes "IMP0925"; the indexes are not needed.
        for (const auto& e : fs::directory_iterator(previous.path())) {
            const std::string name = e.path().filename().string();
            if (upper(e.path().extension().string()) != ".DBF") {
                fs::remove(e.path());
                continue;
            }
            if (name.size() == 11 && name.substr(5, 2) == std::string(store::CANOATUAL))
                fs::rename(e.path(), e.path().parent_path() /
                                         (name.substr(0, 5) + std::string(store::CANOANTER) +
                                          name.substr(7)));
        }
        Builder today(kCarla);
        today.d.registry.set("NOMECONTR", "CARLA");
        write(current.path(), {today.d});
    }
    void write(const std::string& folder, const std::vector<tax::Declaration>& ds) {
        ASSERT_TRUE(tax::write_folder(Env::posix(), folder, ds, &clock).is_ok());
    }

    Status convert(bool answer, int payers, std::vector<ConversionResult>* out,
                   ScriptedOperator* op, std::vector<std::string>* asked = nullptr) {
        ConversionRequest rq;
        rq.source = previous.path();
        rq.folder = current.path();
        rq.install = current.path();
        rq.terminal = "01";
        rq.choices.carry_sold = answer;
        rq.choices.payers = payers;
        rq.clock = &clock;
        rq.selic = &selic;
        return CONVIRBRIO(
            Env::posix(), rq, *op,
            [&](const std::vector<std::string>& lines) {
                if (asked) asked->push_back(lines.front());
                return answer;
            },
            {}, out);
    }

    // This year's live rows of table n for a CPF, in record order.
    std::vector<Record> rows(int n, const std::string& cpf) const {
        std::unique_ptr<store::Table> t;
        EXPECT_TRUE(store::Table::open(Env::posix(),
                                       store::data_table_path(Env::posix(), current.path(), n),
                                       store::OpenOptions{}, &t)
                        .is_ok());
        std::vector<Record> out;
        uint32_t count = 0;
        EXPECT_TRUE(t->record_count(&count).is_ok());
        for (uint32_t k = 1; k <= count; ++k) {
            EXPECT_TRUE(t->go_to(k).is_ok());
            if (t->deleted() || t->str("CPF") != cpf) continue;
            Record r(store::table_def(n)->layout);
            EXPECT_TRUE(t->read(r).is_ok());
            out.push_back(r);
        }
        EXPECT_TRUE(t->close().is_ok());
        return out;
    }

    // Every table file of this year's folder, as bytes.
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::directory_iterator(current.path())) {
            if (upper(e.path().extension().string()) != ".DBF") continue;
            std::ifstream in(e.path(), std::ios::binary);
            out[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
        return out;
    }
};

std::map<std::string, ConversionResult::Outcome> outcomes(const std::vector<ConversionResult>& rs) {
    std::map<std::string, ConversionResult::Outcome> out;
    for (const auto& r : rs) out[r.cpf] = r.outcome;
    return out;
}

TEST(Conversion, SoldAssetsDroppedOverAgeDependantsOutExistingSkippedThenNothingTwice) {
    Years y;
    ScriptedOperator op;
    std::vector<ConversionResult> done;
    std::vector<std::string> asked;
    ASSERT_TRUE(y.convert(false, 2, &done, &op, &asked).is_ok());
    using O = ConversionResult::Outcome;
    EXPECT_EQ(outcomes(done),
              (std::map<std::string, O>{
                  {kAna, O::kConverted}, {kBia, O::kConverted}, {kCarla, O::kExisting}}));
    // CARLA stays this year's.
    ASSERT_EQ(y.rows(9, kCarla).size(), 1u);
    EXPECT_EQ(y.rows(9, kCarla)[0].str("NOMECONTR"), "CARLA");

    const auto reg = y.rows(9, kAna);
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].str("NOMECONTR"), "ANA");
    EXPECT_EQ(reg[0].str("RECIBOANT"), "123456789012");
    EXPECT_EQ(reg[0].str("NRORECIBO"), "");
    EXPECT_EQ(reg[0].str("RETIFICA"), "N");
    EXPECT_EQ(reg[0].str("NUSUAT"), "");

    // Assets: the empty one and the sold car dropped; the items renumbered below them; last
    // year's year-end value in both columns; investments and code 0799 at 0.01.
    const auto assets = y.rows(4, kAna);
    ASSERT_EQ(assets.size(), 4u);
    std::map<int, std::pair<Decimal, Decimal>> by_item;
    for (const auto& a : assets)
        by_item[static_cast<int>(a.num("I7_1").whole())] = {a.num("I7_3"), a.num("I7_4")};
    EXPECT_EQ(by_item[1], std::make_pair(dec("100000.00"), dec("100000.00")));
    EXPECT_EQ(by_item[2], std::make_pair(dec("2000.00"), dec("0.01")));   // was item 4
    EXPECT_EQ(by_item[3], std::make_pair(dec("30.00"), dec("0.01")));     // was 5, code 0799
    EXPECT_EQ(by_item[4], std::make_pair(dec("800.00"), dec("800.00")));  // was 6, code 0301
    for (const auto& a : assets) EXPECT_EQ(a.num("I7_9"), a.num("I7_3"));
    // The loss of the asset abroad carried forward.
    EXPECT_EQ(y.rows(1, kAna).at(0).num("I4_14"), dec("150.00"));

    // Debts: the paid one dropped; last year's end as the start and in I8_6.
    const auto debts = y.rows(5, kAna);
    ASSERT_EQ(debts.size(), 1u);
    EXPECT_EQ(debts[0].num("I8_3"), dec("4000.00"));
    EXPECT_EQ(debts[0].num("I8_4"), dec("4000.00"));
    EXPECT_EQ(debts[0].num("I8_6"), dec("4000.00"));
    EXPECT_EQ(debts[0].num("I8_7"), Decimal());

    // Dependants: the son over 22 asked about and kept ("N"); the student over 25 and the poor
    // minor over 22 out with a notice; the rest renumbered 1, 2 … in order; the alimony
    // recipient keeps her responsible CPF and the court data.
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.at(0), "Dependente:  FILHO 24");
    const auto deps = y.rows(3, kAna);
    std::vector<std::string> names;
    for (const auto& d : deps)
        names.push_back(d.str("NOMEDEPEN") + "=" + std::to_string(d.num("NRODEPEN").whole()));
    EXPECT_EQ(names,
              (std::vector<std::string>{"FILHO 24=1", "FILHA 22=2", "MAE=3", "PENSIONISTA=4"}));
    EXPECT_EQ(deps.back().str("CPFRESPON"), "88888888888");
    EXPECT_EQ(deps.back().str("NROPRAL"), "PROCESSO 1");
    int notices = 0;
    for (const auto& s : op.said)
        if (s.text.find("completou 25 anos") != std::string::npos ||
            s.text.find("menor pobre completou 22") != std::string::npos)
            ++notices;
    EXPECT_EQ(notices, 2);

    // Sources of income: the company and the tenant (payers answer 2), without amounts.
    const auto income = y.rows(2, kAna);
    ASSERT_EQ(income.size(), 2u);
    for (const auto& i : income) EXPECT_EQ(i.num("I1_4"), Decimal());
    EXPECT_EQ(income[0].str("I1_1"), "J");
    EXPECT_EQ(income[1].str("I1_41"), "A");

    // A second run: everyone is there already, and no table changes.
    const auto before = y.files();
    done.clear();
    ASSERT_TRUE(y.convert(false, 2, &done, &op).is_ok());
    for (const auto& r : done) EXPECT_EQ(r.outcome, O::kExisting) << r.cpf;
    EXPECT_EQ(y.files(), before);
}

TEST(Conversion, SoldAssetsCarriedAndOverAgeSonRemovedWithTheOtherAnswer) {
    Years y;
    ScriptedOperator op;
    std::vector<ConversionResult> done;
    ASSERT_TRUE(y.convert(true, 1, &done, &op).is_ok());
    const auto assets = y.rows(4, kAna);
    ASSERT_EQ(assets.size(), 5u);  // the sold car carried, at its year-end value
    const Record& car = assets.at(1);
    EXPECT_EQ(car.num("I7_1").whole(), 2);
    EXPECT_EQ(car.num("I7_3"), Decimal());
    EXPECT_EQ(assets.at(2).num("I7_1").whole(), 3);  // only the empty item dropped before it
    EXPECT_EQ(y.rows(5, kAna).size(), 2u);
    const auto deps = y.rows(3, kAna);
    ASSERT_EQ(deps.size(), 3u);
    EXPECT_EQ(deps.at(0).str("NOMEDEPEN"), "FILHA 22");
    EXPECT_EQ(deps.at(0).num("NRODEPEN").whole(), 1);
    // No individual payers (answer 1): the company alone.
    ASSERT_EQ(y.rows(2, kAna).size(), 1u);
}

// Rows appended to one of last year's tables, which the writer of declarations does not fill.
void append_previous(const std::string& folder, int n, const std::vector<Record>& rows) {
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(Env::posix(), previous_table_path(Env::posix(), folder, n),
                                   store::OpenOptions{}, &t)
                    .is_ok());
    for (const auto& r : rows) ASSERT_TRUE(t->append(&r).is_ok());
    ASSERT_TRUE(t->close().is_ok());
}

Record row(int n, std::initializer_list<std::pair<const char*, const char*>> amounts) {
    Record r(store::table_def(n)->layout);
    r.set("CPF", kAna);
    for (const auto& [f, v] : amounts) r.set(f, dec(v));
    return r;
}

// Instalment sales still being paid, the estate's sharing of the assets and the rural assets,
// debts and accounts, under both answers on sold items.
TEST(Conversion, InstalmentSalesSharingAndRuralItemsOneYearOn) {
    for (const bool carry_sold : {false, true}) {
        SCOPED_TRACE(carry_sold);
        Years y;
        const std::string prev = y.previous.path();
        auto gain = [](int number, const char* price, const char* instalments,
                       const char* earlier) {
            Record g = row(7, {{"BEM_NRO", "0"}, {"VAL_ALI", price}, {"TIPO_BEM", "1"}});
            g.set("BEM_NRO", Decimal(number));
            g.set("VEN_PRAZO", instalments);
            g.set("VENDAANT", earlier);
            g.set("DATA_ALI", Date(2024, 3, 1));
            return g;
        };
        Record sold_on_time = gain(3, "100000.00", "S", "N");
        sold_on_time.set("REC_MES03", dec("20000.00"));
        sold_on_time.set("REC_MES09", dec("10000.00"));
        sold_on_time.set("VAL_COR03", dec("500.00"));
        sold_on_time.set("VAL_TRI03", dec("4000.00"));
        sold_on_time.set("DIA_REC03", Decimal(15));
        Record paid_off = gain(5, "5000.00", "S", "N");
        paid_off.set("REC_MES01", dec("5000.00"));
        Record cash = gain(1, "8000.00", "N", "N");
        Record older = gain(7, "90000.00", "N", "S");
        older.set("VAL_ANTE", dec("30000.00"));
        older.set("CORR_ANTE", dec("100.00"));
        older.set("APLI_ANTE", dec("50.00"));
        older.set("REC_MES05", dec("30000.00"));
        older.set("VAL_A3105", dec("25.00"));
        Record variable = gain(9, "0", "S", "N");
        variable.set("TIPO_BEM", Decimal(4));
        append_previous(prev, 7, {cash, sold_on_time, paid_off, older, variable});
        Record cost3 = row(8, {{"VALOR_CUST", "40000.00"}});
        cost3.set("BEM_NRO", Decimal(3));
        Record cost5 = row(8, {{"VALOR_CUST", "1000.00"}});
        cost5.set("BEM_NRO", Decimal(5));
        append_previous(prev, 8, {cost3, cost5});
        // The house is item 10, the sold car item 20.
        Record house = row(20, {{"REFEREN", "10"}, {"PERCENT", "50.00"}});
        house.set("CPFHERDE", "22222222222");
        Record car = row(20, {{"REFEREN", "20"}, {"PERCENT", "100.00"}});
        append_previous(prev, 20, {house, car});
        Record machine = row(17, {{"I8R_2", "100.00"}, {"I8R_5", "300.00"}});
        Record sold_ox = row(17, {{"I8R_2", "50.00"}, {"I8R_5", "0"}});
        append_previous(prev, 17, {machine, sold_ox});
        append_previous(
            prev, 18, {row(18, {{"I9R_2", "1000.00"}, {"I9R_3", "600.00"}, {"I9R_4", "400.00"}})});
        Record account = row(21, {{"COD_CONTA", "7"}});
        append_previous(prev, 21, {account});

        ScriptedOperator op;
        std::vector<ConversionResult> done;
        ASSERT_TRUE(y.convert(carry_sold, 3, &done, &op).is_ok());

        // Two sales still being paid, numbered 1 and 2; what was received, paid in brokerage
        // and reinvested last year is now "before"; the months start empty.
        const auto gains = y.rows(7, kAna);
        ASSERT_EQ(gains.size(), 2u);
        EXPECT_EQ(gains[0].num("BEM_NRO").whole(), 1);
        EXPECT_EQ(gains[0].str("VENDAANT"), "S");
        EXPECT_EQ(gains[0].num("VAL_ANTE"), dec("30000.00"));
        EXPECT_EQ(gains[0].num("VAL_DIFE"), dec("70000.00"));
        EXPECT_EQ(gains[0].num("CORR_ANTE"), dec("500.00"));
        EXPECT_EQ(gains[0].num("REC_MES03"), Decimal());
        EXPECT_EQ(gains[0].num("VAL_TRI03"), Decimal());
        EXPECT_EQ(gains[0].num("DIA_REC03"), Decimal());
        EXPECT_EQ(gains[0].date("DATA_ALI"), Date(2024, 3, 1));
        EXPECT_EQ(gains[1].num("BEM_NRO").whole(), 2);
        EXPECT_EQ(gains[1].num("VAL_ANTE"), dec("60000.00"));
        EXPECT_EQ(gains[1].num("VAL_DIFE"), dec("30000.00"));
        EXPECT_EQ(gains[1].num("CORR_ANTE"), dec("100.00"));
        EXPECT_EQ(gains[1].num("APLI_ANTE"), dec("75.00"));
        EXPECT_EQ(gains[1].num("REC_MES05"), Decimal());
        // The cost rows follow their sale to its new number; the paid-off sale's stay behind.
        const auto costs = y.rows(8, kAna);
        ASSERT_EQ(costs.size(), 1u);
        EXPECT_EQ(costs[0].num("BEM_NRO").whole(), 1);
        EXPECT_EQ(costs[0].num("VALOR_CUST"), dec("40000.00"));

        // The sharing follows the house and the car to their new numbers; the car's share goes
        // with the car when it stays behind.
        const auto assets = y.rows(4, kAna);
        ASSERT_GE(assets.size(), 2u);
        const auto shares = y.rows(20, kAna);
        ASSERT_EQ(shares.size(), carry_sold ? 2u : 1u);
        EXPECT_EQ(shares[0].num("REFEREN"), assets[0].num("I7_0"));
        EXPECT_EQ(shares[0].str("CPFHERDE"), "22222222222");
        if (carry_sold) {
            EXPECT_EQ(assets[1].str("I7_2"), "BEM 2");
            EXPECT_EQ(shares[1].num("REFEREN"), assets[1].num("I7_0"));
        }

        // Rural items one year on; the sold one by the answer; the account as it was.
        const auto rural = y.rows(17, kAna);
        ASSERT_EQ(rural.size(), carry_sold ? 2u : 1u);
        EXPECT_EQ(rural[0].num("I8R_2"), dec("300.00"));
        EXPECT_EQ(rural[0].num("I8R_5"), dec("300.00"));
        const auto rural_debts = y.rows(18, kAna);
        ASSERT_EQ(rural_debts.size(), 1u);
        EXPECT_EQ(rural_debts[0].num("I9R_2"), dec("600.00"));
        EXPECT_EQ(rural_debts[0].num("I9R_3"), dec("600.00"));
        EXPECT_EQ(rural_debts[0].num("I9R_4"), Decimal());
        ASSERT_EQ(y.rows(21, kAna).size(), 1u);
        EXPECT_EQ(y.rows(21, kAna)[0].num("COD_CONTA").whole(), 7);
        EXPECT_EQ(y.rows(9, kAna).at(0).str("TEMRURAL"), "S");

        const auto& ana =
            *std::find_if(done.begin(), done.end(), [](const auto& r) { return r.cpf == kAna; });
        EXPECT_NE(std::find(ana.notes.begin(), ana.notes.end(),
                            "ganho 5 recebido por inteiro: não transportado"),
                  ana.notes.end());
    }
}

TEST(Conversion, UnreadableTableRefusesEverythingAndMissingRegistryToo) {
    Years y;
    const auto before = y.files();
    // Last year's asset table cut short in its header.
    const std::string path = previous_table_path(Env::posix(), y.previous.path(), 4);
    ASSERT_FALSE(path.empty());
    fs::resize_file(path, 20);
    ScriptedOperator op;
    std::vector<ConversionResult> done;
    EXPECT_FALSE(y.convert(true, 3, &done, &op).is_ok());
    EXPECT_TRUE(done.empty());
    EXPECT_EQ(y.files(), before);
    fs::remove(previous_table_path(Env::posix(), y.previous.path(), 9));
    const Status s = y.convert(true, 3, &done, &op);
    EXPECT_FALSE(s.is_ok());
    EXPECT_NE(s.message().find("IMP0925.DBF não encontrado"), std::string::npos) << s.message();
    EXPECT_EQ(y.files(), before);
}

// The verb's kind 1: --answer answers every question, --cpf picks taxpayers, a line each.
TEST(Conversion, AsAKindOfTheImportVerb) {
    Years y;
    auto run = [&](std::vector<std::string> more, std::string* out) {
        std::vector<std::string> args = {"import",
                                         "--folder",
                                         y.current.path(),
                                         "--from",
                                         y.previous.path(),
                                         "--install",
                                         y.current.path(),
                                         "--now",
                                         "2026-04-10 09:00:00",
                                         "--kind",
                                         "1"};
        args.insert(args.end(), more.begin(), more.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = run_import_command(static_cast<int>(argv.size()), argv.data());
        *out = ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
        return status;
    };
    std::string out;
    EXPECT_EQ(run({"--all", "--payers", "4"}, &out), 1);
    EXPECT_NE(out.find("--payers 1, 2 ou 3"), std::string::npos) << out;
    EXPECT_EQ(run({"--cpf", kAna, "--answer", "S", "--payers", "3"}, &out), 0) << out;
    EXPECT_NE(out.find(std::string(kAna) + " ANA: convertido"), std::string::npos) << out;
    EXPECT_NE(out.find("O dependente completou 22 anos."), std::string::npos) << out;
    EXPECT_EQ(y.rows(4, kAna).size(), 5u);  // the sold car carried ("S")
    EXPECT_EQ(y.rows(2, kAna).size(), 3u);  // the company and both individual payers
    EXPECT_TRUE(y.rows(9, kBia).empty());
    EXPECT_EQ(run({"--all"}, &out), 0) << out;
    EXPECT_NE(out.find(std::string(kAna) + " ANA: Já existente"), std::string::npos) << out;
    EXPECT_NE(out.find(std::string(kBia) + " BIA: convertido"), std::string::npos) << out;
    EXPECT_NE(out.find(std::string(kCarla) + " CARLA DE ONTEM: Já existente"), std::string::npos);
}

}  // namespace
}  // namespace vorn::importing
