// Exported files: delimited text that a CSV reader takes back field for field (quotes, accents,
// commas), the asset list as well-formed ASCII XML whatever the text holds, the tab-separated
// asset file with the real-estate filter, and file names that stay in the folder chosen.
#include "output/exports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::output {
namespace {

namespace fs = std::filesystem;
using store::Record;

struct Folder {
    fs::path dir = fs::temp_directory_path() / ("vorn-exp-" + std::to_string(::getpid()));
    Folder() { fs::create_directories(dir); }
    ~Folder() { fs::remove_all(dir); }
    std::string str() const { return dir.string(); }
    void table(int n, const std::vector<Record>& rows) const {
        const store::TableDef& def = *store::table_def(n);
        ASSERT_TRUE(store::Table::create(store::Env::posix(),
                                         (dir / (def.file_base("") + ".DBF")).string(), *def.layout,
                                         rows, nullptr, true)
                        .is_ok());
    }
};

std::string bytes_of(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream all;
    all << f.rdbuf();
    return all.str();
}

Record payment(const char* name, const char* value, Date when = Date()) {
    Record r(store::table_def(6)->layout);
    r.set("CPF", "12345678909");
    r.set("I6_1", name);
    r.set("I6_2", "11.222.333/0001-81");
    r.set("I6_3", Decimal(10));
    r.set("I6_4", Decimal::from(value));
    if (!when.blank() && r.layout().find("DT_PAGTO") >= 0) r.set("DT_PAGTO", when);
    return r;
}

Record asset(int item, int old_code, const char* description, const char* street) {
    Record r(store::table_def(4)->layout);
    r.set("CPF", "12345678909");
    r.set("I7_0", Decimal(item));
    r.set("I7_5", Decimal(old_code));
    r.set("I7_2", description);
    r.set("I7_3", Decimal::from("150000.00"));
    r.set("I7_4", Decimal::from("1234567.89"));
    r.set("GRPO", "01");
    r.set("CODB", old_code == 11 ? "11" : "");
    r.set("ENDEIMO", street);
    r.set("UFIMO", "SP");
    r.set("AREAIMO", Decimal::from("125.5"));
    r.set("DATA_IMO", Date(2010, 3, 15));
    r.set("CPF_CNPJ", "11.222.333/0001-81");
    return r;
}

TEST(Exports, DelimitedTextIsReadBackFieldForFieldByACsvReader) {
    Folder f;
    f.table(6, {payment("CLÍNICA \"SÃO JOSÉ\", LTDA", "1500.50"), payment("DR. ANA", "-20.00")});
    std::string path;
    ASSERT_TRUE(export_table(store::Env::posix(), f.str(), 3, f.str(), &path).is_ok());
    EXPECT_EQ(path, (f.dir / "Pagos.txt").string());
    const std::string text = bytes_of(path);
    // The quote doubled, Windows-1252 bytes, numbers without their leading blanks, CR LF.
    const std::string first =
        "\"12345678909\",\"CL\xCDNICA \"\"S\xC3O JOS\xC9\"\", LTDA\",\"11.222.333/0001-81\",10,"
        "1500.50";
    EXPECT_EQ(text.substr(0, first.size()), first);
    const std::string script =
        "import csv,sys\n"
        "rows=list(csv.reader(open(sys.argv[1],encoding='cp1252',newline='')))\n"
        "assert len(rows)==2, rows\n"
        "assert rows[0][1]=='CLÍNICA \"SÃO JOSÉ\", LTDA', rows[0][1]\n"
        "assert rows[0][4]=='1500.50' and rows[1][4]=='-20.00', rows\n";
    std::ofstream(f.dir / "read.py") << script;
    EXPECT_EQ(
        std::system(("python3 '" + (f.dir / "read.py").string() + "' '" + path + "'").c_str()), 0);
}

TEST(Exports, AssetListIsWellFormedAsciiXmlWhateverTheTextHolds) {
    Folder f;
    std::vector<Record> assets = {asset(10, 11, "APTO <101> & \"COBERTURA\" AÇÃO\x01 ☃", ""),
                                  asset(20, 22, "AVIÃO", "RUA B")};
    assets[1].set("REG_AVI", "PT-ABC");
    const std::string xml = assets_xml_file(assets);
    EXPECT_EQ(xml.find_first_of("\x01"), std::string::npos);
    for (unsigned char c : xml) EXPECT_TRUE(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7f)) << c;
    // The first item: its description through the accent table (quotes and the rest as blanks),
    // an empty street "...", the code it has.
    EXPECT_NE(xml.find("Discriminacao=\"APTO -101- e  COBERTURA  ACAO\""), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("logradouro=\"...\""), std::string::npos);
    EXPECT_NE(xml.find("ExercicioAtual=\"1.234.567,89\""), std::string::npos);
    EXPECT_NE(xml.find("Codpais=\"105\""), std::string::npos);
    EXPECT_NE(xml.find("Codigo=\"99\""), std::string::npos);  // the aircraft has no code
    EXPECT_NE(xml.find("RegAviao=\"PT-ABC\" Banco=\"...\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("CnpjCPF=\"11222333000181\""), std::string::npos);
    const fs::path file = f.dir / "bens.xml";
    std::ofstream(file, std::ios::binary) << xml;
    EXPECT_EQ(std::system(("xmllint --noout '" + file.string() + "'").c_str()), 0);
}

TEST(Exports, TextFileFiltersRealEstateAndTheFileStaysInTheFolderChosen) {
    Folder f;
    Record reg(store::table_def(9)->layout);
    reg.set("CPF", "12345678909");
    reg.set("NOMECONTR", "../../ETC/ANA MARIA\tDE SOUZA");
    f.table(9, {reg});
    f.table(4, {asset(20, 31, "CARRO\tVERMELHO", ""), asset(10, 11, "CASA", "RUA A")});
    std::vector<std::string> files;
    ASSERT_TRUE(export_assets(store::Env::posix(), f.str(), {"12345678909", "99999999999"}, f.str(),
                              false, true, &files)
                    .is_ok());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], (f.dir / "Bens12345678909ETC SOUZA.txt").string());
    const std::string text = bytes_of(files[0]);
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = text.find("\r\n", at)) != std::string::npos; at = nl + 2)
        lines.push_back(text.substr(at, nl - at));
    ASSERT_EQ(lines.size(), 2u);  // the header and the house: the car is not real estate
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), '\t'), 23);
    EXPECT_EQ(lines[0].substr(0, 32), "CPF\tIte\tDescricao\tAno ANTERIOR\tA");
    EXPECT_EQ(lines[1].substr(0, 60),
              "12345678909\t010\tCASA\t150.000,00\t1.234.567,89\t01\t11\tRUA A\t\t\t\t");
    // Every asset, in item order, with the seven columns of other assets.
    ASSERT_TRUE(
        export_assets(store::Env::posix(), f.str(), {"12345678909"}, f.str(), false, false, &files)
            .is_ok());
    const std::string all = bytes_of(files[0]);
    EXPECT_LT(all.find("CASA"), all.find("CARRO VERMELHO"));
    EXPECT_NE(all.find("\tCNPJ ou CPF\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vorn::output
