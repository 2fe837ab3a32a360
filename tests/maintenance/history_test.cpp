// The history of earlier years: the year's folder of transmitted declarations, the header and
// summary positions of hand-made declaration files (both summary kinds, the 2020 offsets), files
// that hold no summary skipped and named, a rectification written later winning, and a second
// reading updating the same records.
#include "maintenance/history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "store/dbf.h"

namespace vorn::maintenance {
namespace {

namespace fs = std::filesystem;
using store::Env;

struct Dir {
    fs::path path = fs::temp_directory_path() / ("vorn-hist-" + std::to_string(::getpid()));
    Dir() { fs::create_directories(path); }
    ~Dir() { fs::remove_all(path); }
};

// A line of `n` blanks with values put at 1-based positions.
struct Line {
    std::string text;
    explicit Line(const char* type, size_t n = 1000) : text(n, ' ') { put(1, type); }
    Line& put(size_t pos, const std::string& v) {
        text.replace(pos - 1, v.size(), v);
        return *this;
    }
    // Cents as 13 digits.
    Line& money(size_t pos, long long cents) {
        std::string d = std::to_string(cents);
        return put(pos, std::string(13 - d.size(), '0') + d);
    }
};

std::string header(const char* year, const char* cpf, const char* name, char result,
                   long long taxable) {
    const size_t shift = std::string(year) == "2020" ? 13 : 0;
    Line h("IR");
    h.put(9, year).put(22, cpf).put(40, name).put(121, "1").put(122, std::string(1, result));
    h.money(683 + shift, taxable)
        .money(724 + shift, 500000)
        .money(737 + shift, 0)
        .money(750 + shift, 0);
    return h.text;
}

std::string dec(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

TEST(History, FolderOfTheYearTakesTheYearOfTheProgramsComponentNotTheFirstTwenty) {
    Dir d;
    const fs::path base = d.path / "u2020" / "ProgramasRFB";
    fs::create_directories(base / "IRPF2024" / "TRANSMITIDAS");
    const std::string rotajava = (base / "IRPF2026" / "aplicacao" / "dados").string();
    EXPECT_EQ(transmitted_folder(Env::posix(), rotajava, "2024"),
              (base / "IRPF2024" / "TRANSMITIDAS").string());
    EXPECT_EQ(transmitted_folder(Env::posix(), rotajava, "2023"),
              (base / "IRPF2023" / "transmitidas").string());
    EXPECT_EQ(transmitted_folder(Env::posix(), "/dados/sem/programa", "2024"), "");
}

TEST(History, HeaderAndBothSummaryKindsAtTheirPositions) {
    std::string why;
    // 2020: the header's totals 13 further on; a short summary ("18") after the lines skipped.
    Line s18("18");
    s18.money(27, 1000).money(40, 20000000).money(66, 100).money(79, 200).money(92, 300);
    s18.money(105, 400).money(118, 123456).money(275, 7000000).money(288, 8000000);
    s18.money(366, 50000).money(379, 0).put(704, "12345");
    auto a = read_transmitted(dec({header("2020", "11144477735", "ANA DE SOUZA", '2', 9876543),
                                   Line("16").text, Line("17").text, Line("19").text, s18.text}),
                              &why);
    ASSERT_TRUE(a) << why;
    EXPECT_EQ(a->year, "2020");
    EXPECT_EQ(a->name, "ANA DE SOUZA");
    EXPECT_EQ(a->TOTRTRIB, Decimal::from("98765.43"));
    EXPECT_EQ(a->TOTRISEN, Decimal::from("5000.00"));
    EXPECT_EQ(a->BASECALC, Decimal::from("200000.00"));
    EXPECT_EQ(a->TOTIMPOS, Decimal::from("10.00"));
    EXPECT_EQ(a->VALIRPF, Decimal::from("-1234.56"));  // tax to pay
    EXPECT_EQ(a->BENSBASE, Decimal::from("80000.00"));
    EXPECT_EQ(a->ALIQEFET, Decimal::from("12.345"));
    // 2016: the complete summary ("20") right after the header; a refund; no effective rate.
    Line s20("20");
    s20.money(183, 3000).money(196, 4000).money(287, 1).money(300, 2).money(313, 3);
    s20.money(326, 4).money(339, 5).money(365, 999).money(378, 70000).put(886, "15000");
    auto b =
        read_transmitted(dec({header("2016", "52998224725", "BIA", '1', 100), s20.text}), &why);
    ASSERT_TRUE(b) << why;
    EXPECT_EQ(b->TOTRTRIB, Decimal::from("1.00"));  // at 683 outside 2020
    EXPECT_EQ(b->TOTIMPOS, Decimal::from("0.15"));
    EXPECT_EQ(b->VALIRPF, Decimal::from("700.00"));
    EXPECT_EQ(b->ALIQEFET, Decimal(0));
    // Nothing to read: an empty file, a header alone.
    EXPECT_FALSE(read_transmitted("", &why));
    EXPECT_FALSE(read_transmitted(dec({header("2024", "52998224725", "BIA", '1', 100)}), &why));
    EXPECT_EQ(why, "sem a linha de resumo (18 ou 20)");
}

TEST(History, ARectificationWinsFilesWithoutSummaryAreNamedAndASecondReadingUpdates) {
    Dir d;
    const fs::path folder = d.path / "IRPF2024" / "transmitidas";
    fs::create_directories(folder);
    fs::create_directories(d.path / "inst");
    auto write = [&](const std::string& name, const std::string& text, int age) {
        std::ofstream(folder / name, std::ios::binary) << text;
        fs::last_write_time(folder / name,
                            fs::file_time_type::clock::now() - std::chrono::hours(age));
    };
    Line s18("18");
    s18.money(288, 100000);
    Line s18b("18");
    s18b.money(288, 250000);
    // The rectification is named first but written later; a file without summary comes between.
    write("A-RETIF.DEC", dec({header("2024", "11144477735", "ANA", '1', 1), s18b.text}), 1);
    write("B-ORIGINAL.DEC", dec({header("2024", "11144477735", "ANA", '1', 1), s18.text}), 48);
    write("C.DEC", dec({header("2024", "52998224725", "BIA", '1', 1)}), 24);
    write("D.DEC", "", 12);
    const std::string rotajava = (d.path / "IRPF2026" / "aplicacao").string();
    HistoryRun run;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(read_year(Env::posix(), (d.path / "inst").string(), rotajava, "2024", &run));
        EXPECT_EQ(run.read, 2);
        EXPECT_EQ(run.skipped.size(), 2u);
        std::unique_ptr<store::Table> t;
        ASSERT_TRUE(store::Table::open(Env::posix(), (d.path / "inst" / "ULTANOS.DBF").string(),
                                       store::OpenOptions{}, &t));
        uint32_t n = 0;
        ASSERT_TRUE(t->record_count(&n));
        ASSERT_EQ(n, 1u);  // one record for the client and year, read twice
        ASSERT_TRUE(t->go_to(1));
        EXPECT_EQ(t->num("BENSBASE"), Decimal::from("2500.00"));  // the rectification's
        EXPECT_EQ(t->str("ANOBASE"), "2024");
        ASSERT_TRUE(t->close());
    }
    EXPECT_NE(run.skipped[0].find("C.DEC"), std::string::npos);
    EXPECT_EQ(run.skipped[1], "D.DEC: arquivo vazio");
    Status s = read_year(Env::posix(), (d.path / "inst").string(), rotajava, "2023", &run);
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
}

}  // namespace
}  // namespace vorn::maintenance
