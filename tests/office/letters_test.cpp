// Letters: the file with its page header (read and written byte for byte, defaults and a notice
// for a header that cannot be used), the letter names, the 43 placeholders over a client's
// registry values, and the merged pages (width, margins, page breaks, a page per client).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/text.h"
#include "office/letters.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store_test_util.h"

namespace vorn::office {
namespace {

namespace fs = std::filesystem;

std::string golden(const std::string& name, const std::string& got) {
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/data/office/" + name;
    if (std::getenv("VORN_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << got;
    std::ifstream in(path, std::ios::binary);
    std::stringstream want;
    want << in.rdbuf();
    return want.str();
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path scratch(const std::string& name) {
    fs::path d = fs::temp_directory_path() / ("vorn_letters_" + name);
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

FeeRates rates() {
    return {Decimal::from("1.50"), Decimal::from("0.10"), Decimal::from("50.00"), 4};
}

// A client with every field a letter shows filled; `tax` goes to IMPPGRE.
LetterClient client(const std::string& name, const std::string& tax) {
    LetterClient c;
    c.text = {{"CPF", "52998224725"},
              {"NOMECONTR", name + "   "},
              {"TIPOEND", "RUA        "},
              {"ENDERECO", "DAS FLORES   "},
              {"NUMERO", "120   "},
              {"COMPLEM", "APTO 3     "},
              {"BAIRRO", "CENTRO   "},
              {"CEP", "01310100 "},
              {"MUNICIPIO", "SÃO PAULO   "},
              {"UF", "SP"},
              {"NOVOEND", "N"},
              {"EMAIL", "maria@exemplo.com.br   "},
              {"DDDTEL", "11"},
              {"TELEFO", "987654321"},
              {"DDDFAX", "11"},
              {"NROFAX", "33334444 "},
              {"TELCELU", "912345678"},
              {"TELSECR", "955554444"},
              {"TITULO", "1234567890123"},
              {"RECIBOATU", "123456789012"},
              {"RECIBOANT", "210987654321"},
              {"CPFCONJU", "11144477735"},
              {"BANCO", "341"},
              {"AGENCIA", "1234"},
              {"CONTACO", "56789-0     "},
              {"SENACESSO", "SEGREDO        "},
              {"CODACESSO", "ABC123DEF456"},
              {"NOMEAG", "JOÃO   "},
              {"EMPRESA", "ACME LTDA   "},
              {"REGPROF", "CRC 1SP123456   "},
              {"NIT_TIT", "12345678901"},
              {"NROBEN1", "11111111111"},
              {"NROBEN2", "22222222222"},
              {"DEBITAUT", "S"}};
    c.number = {{"TEM_USO", Decimal(5430)},
                {"TAM_USO", Decimal(123456)},
                {"VALOREC", Decimal::from("350.00")},
                {"IMPPGRE", Decimal::from(tax)},
                {"QTD_QUOTA", Decimal(3)},
                {"ESTATUS", Decimal(7)}};
    c.date = {{"NASCIMENTO", *Date::make(1970, 5, 31)},
              {"VALIDSENA", *Date::make(2026, 12, 31)},
              {"DENTREGA", *Date::make(2026, 4, 30)}};
    return c;
}

TEST(LetterFile, HeaderSettingsDefaultsAndNotices) {
    // No header: column 0, width 136, 66 lines, no margins.
    Letter l = parse_letter("Prezado «Nome»\r\n");
    EXPECT_TRUE(l.page.is_default());
    EXPECT_EQ(l.page.width, 136);
    EXPECT_EQ(l.page.length, 66);
    EXPECT_EQ(l.text, "Prezado «Nome»\r\n");  // « » of a UTF-8 file
    EXPECT_TRUE(l.notice.empty());

    l = parse_letter(
        "\xB2\xB3"
        "005010080600302"
        "\xB3\xB2"
        "Texto");
    EXPECT_EQ(l.page, (PageSettings{5, 10, 80, 60, 3, 2}));
    EXPECT_EQ(l.page.text_lines(), 55);
    EXPECT_EQ(l.text, "Texto");
    EXPECT_TRUE(l.notice.empty());

    // Unusable headers are set aside with the defaults and a notice.
    for (const char* bad : {"\xB2\xB3"
                            "0050100806003x2"
                            "\xB3\xB2"
                            "Texto",  // non-digit
                            "\xB2\xB3"
                            "005010080603030"
                            "\xB3\xB2"
                            "Texto",  // 6 lines, 6 margin
                            "\xB2\xB3"
                            "005010000600302"
                            "\xB3\xB2"
                            "Texto"}) {  // no width
        l = parse_letter(bad);
        EXPECT_TRUE(l.page.is_default()) << bad;
        EXPECT_FALSE(l.notice.empty()) << bad;
        EXPECT_EQ(l.text, "Texto");
    }
    // Without its closing bytes the header is not one: nothing of the text is dropped.
    l = parse_letter(
        "\xB2\xB3"
        "0050");
    EXPECT_TRUE(l.page.is_default());
    EXPECT_FALSE(l.notice.empty());
    EXPECT_EQ(l.text, "\u2593\u25020050");
    // Such text is written behind a header of the defaults, so that it reads back as text.
    EXPECT_EQ(letter_bytes(l),
              "\xB2\xB3"
              "000000136660000"
              "\xB3\xB2"
              "\xB2\xB3"
              "0050");
    l = parse_letter(
        "\xB2\xB3"
        "0050100806003x2"
        "\xB3\xB2"
        "\xB2\xB3"
        "005010080600302"
        "\xB3\xB2"
        "x");
    EXPECT_TRUE(l.page.is_default());
    EXPECT_EQ(parse_letter(letter_bytes(l)).text, l.text);

    // The header is written only for settings that differ from the defaults.
    l = Letter{};
    l.text = "«Nome» ção";
    EXPECT_EQ(letter_bytes(l),
              "\xAE"
              "Nome\xAF"
              " \x87\xC6"
              "o");
    l.page.top = 4;
    EXPECT_EQ(letter_bytes(l),
              "\xB2\xB3"
              "000000136660400"
              "\xB3\xB2"
              "\xAE"
              "Nome\xAF"
              " \x87\xC6"
              "o");
}

TEST(LetterFile, NamesStayInTheDataFolder) {
    EXPECT_EQ(letter_file_name(""), "SemNome.txt");
    EXPECT_EQ(letter_file_name("  "), "SemNome.txt");
    EXPECT_EQ(letter_file_name("cobranca"), "cobranca.txt");
    EXPECT_EQ(letter_file_name("aviso.txt"), "aviso.txt");
    for (const char* bad : {"../x", "a/b", "..", "a\\b", "x\ny"})
        EXPECT_FALSE(letter_file_name(bad)) << bad;
}

TEST(LetterFile, LegacyFileRoundTripsAndUnchangedSavesWriteNothing) {
    const fs::path dir = scratch("roundtrip");
    // A letter as a DOS editor left it: header, CR LF, accents and « » of code page 850, a box
    // character and a byte that is no letter.
    const std::string legacy =
        "\xB2\xB3"
        "002000080600302"
        "\xB3\xB2"
        "Sr(a). \xAE"
        "Nome\xAF"
        ",\r\n\x87\xC6o \xB0\xFF\r\n";
    std::ofstream(dir / "carta.txt", std::ios::binary) << legacy;
    LetterFile f;
    ASSERT_TRUE(open_letter(dir.string(), "carta", &f));
    EXPECT_EQ(f.letter.page, (PageSettings{2, 0, 80, 60, 3, 2}));
    EXPECT_EQ(f.letter.text.substr(0, 15), "Sr(a). «Nome»");
    EXPECT_EQ(letter_bytes(f.letter), legacy);  // byte for byte

    bool written = true;
    fs::last_write_time(dir / "carta.txt", fs::file_time_type{});
    ASSERT_TRUE(save_letter(f, &written));
    EXPECT_FALSE(written);
    EXPECT_EQ(fs::last_write_time(dir / "carta.txt"), fs::file_time_type{});

    f.letter.text += "Att.\r\n";
    ASSERT_TRUE(save_letter(f, &written));
    EXPECT_TRUE(written);
    EXPECT_EQ(slurp(dir / "carta.txt"), legacy + "Att.\r\n");
    EXPECT_EQ(fs::directory_iterator(dir)->path().filename(), "carta.txt");  // no temporary left
    ASSERT_TRUE(save_letter(f, &written));  // saved again as it now stands: nothing
    EXPECT_FALSE(written);

    // A UTF-8 letter opens as it is and is not rewritten unless it changes; then it is code
    // page 850.
    std::ofstream(dir / "nova.txt", std::ios::binary) << "Olá «Nome»\n";
    ASSERT_TRUE(open_letter(dir.string(), "nova.txt", &f));
    EXPECT_EQ(f.letter.text, "Olá «Nome»\n");
    ASSERT_TRUE(save_letter(f, &written));
    EXPECT_FALSE(written);
    EXPECT_EQ(slurp(dir / "nova.txt"), "Olá «Nome»\n");
    f.letter.text = "Olá «Nome»!\n";
    ASSERT_TRUE(save_letter(f, &written));
    EXPECT_EQ(slurp(dir / "nova.txt"),
              "Ol\xA0 \xAE"
              "Nome\xAF!\n");

    // A new letter by an empty name, and a refused name.
    ASSERT_TRUE(open_letter(dir.string(), "", &f));
    EXPECT_EQ(fs::path(f.path).filename(), "SemNome.txt");
    EXPECT_TRUE(f.letter.text.empty());
    f.letter.text = "x";
    ASSERT_TRUE(save_letter(f, &written));
    EXPECT_EQ(slurp(dir / "SemNome.txt"), "x");
    EXPECT_FALSE(open_letter(dir.string(), "../fora", &f));
    fs::remove_all(dir);
}

TEST(LetterMerge, EveryPlaceholderWithItsFormat) {
    std::string text;
    for (const std::string& n : placeholder_names()) text += n + "=«" + n + "»\n";
    ASSERT_EQ(placeholder_names().size(), 43u);
    const std::string got = merge_letter(text, client("MARIA DA SILVA", "1234.56"), rates());
    EXPECT_EQ(got, golden("letter_placeholders.txt", got));
}

TEST(LetterMerge, TaxRefundTwiceAndUnknownPlaceholders) {
    const auto value = [](const std::string& tax) {
        return merge_letter("«Imposto»", client("A", tax), rates());
    };
    EXPECT_EQ(value("1234.56"), "Imposto       1.234,56");
    EXPECT_EQ(value("-98765.43"), "Devolucao      98.765,43");
    EXPECT_EQ(value("0"), "Isento ");

    // Twice, an unknown name, a lone « before a real one, an unclosed one.
    EXPECT_EQ(
        merge_letter("«Nome» e «Nome»; «Outro» «x «Estado» «fim", client("ANA", "0"), rates()),
        "ANA e ANA; «Outro» «x SP «fim");

    // No recorded time: no fee, whatever the size.
    LetterClient c = client("B", "0");
    c.number["TEM_USO"] = Decimal();
    EXPECT_EQ(merge_letter("[«CustoDecl»][«Tempo»]", c, rates()), "[             ][00D00h00m]");
    // 5430 s at 1.50 a minute is 135.75; 123456 bytes at 0.10 a kilobyte is 12.35.
    EXPECT_EQ(merge_letter("«ValorTempo»|«ValorArea»|«CustoDecl»", client("C", "0"), rates()),
              "       135,75|        12,35|       148,10");
}

std::vector<LetterClient> two_clients() {
    return {client("MARIA DA SILVA", "1234.56"), client("JOSÉ PEREIRA", "-250.00")};
}

TEST(LetterPrint, WithoutHeaderColumnZeroWidth136And66Lines) {
    Letter l = parse_letter("Prezado(a) «Nome»,\n\n" + std::string(70, 'a') + " " +
                            std::string(70, 'b') + "\n" + std::string(300, 'c') + "\n«Imposto»\n");
    for (int k = 0; k < 70; ++k) l.text += "linha " + std::to_string(k) + "\n";
    printing::PrintWriter out;
    std::string body;
    print_letters(l, two_clients(), rates(), out, &body);
    const auto lines = printing::lines_of(out.text());
    EXPECT_EQ(lines[0], "Prezado(a) MARIA DA SILVA,");
    EXPECT_EQ(lines[2], std::string(70, 'a'));  // 141 characters: broken at the blank
    EXPECT_EQ(lines[3], std::string(70, 'b'));
    EXPECT_EQ(lines[4], std::string(136, 'c'));  // a word wider than the line is cut
    EXPECT_EQ(lines[6], std::string(28, 'c'));
    size_t pages = 1;
    for (char ch : out.text()) pages += ch == '\f';
    EXPECT_EQ(pages, 4u);  // 78 lines each: two pages a client
    EXPECT_EQ(out.text(), golden("letter_plain.txt", out.text()));
    EXPECT_NE(body.find("Prezado(a) JOSÉ PEREIRA,"), std::string::npos);
    EXPECT_NE(body.find("Devolucao         250,00"), std::string::npos);
}

TEST(LetterPrint, HeaderMarginsAndAPagePerClient) {
    Letter l = parse_letter(
        "\xB2\xB3"
        "004000030100203"
        "\xB3\xB2"
        "Sr(a). \xAE"
        "Nome\xAF"
        ", seu \xAE"
        "Imposto\xAF"
        " vence em "
        "\xAE"
        "NroQuotas\xAF quotas.\r\nAtenciosamente,\r\n\xAE"
        "Operador\xAF\r\n");
    ASSERT_EQ(l.page, (PageSettings{4, 0, 30, 10, 2, 3}));
    printing::PrintWriter out;
    print_letters(l, two_clients(), rates(), out);
    EXPECT_EQ(out.text(), golden("letter_header.txt", out.text()));
}

TEST(LetterPrint, RegistryClientsInNameOrderWithTheirRecordValues) {
    store::testing::TempDir dir;
    ManualClock clock{DateTime{Date(2026, 4, 10), 9 * 3600}};
    std::vector<store::Record> reg;
    const char* names[] = {"ZULEICA", "ÁLVARO", "BRUNO"};
    for (int k = 0; k < 3; ++k) {
        store::Record r(store::table_def(9)->layout);
        r.set("CPF", k == 0 ? "52998224725" : k == 1 ? "11144477735" : "39053344705");
        r.set("NOMECONTR", names[k]);
        r.set("CEP", "70040-010");
        r.set("IMPRE", k == 1 ? "S" : "N");
        r.set("NASCIMENTO", Date(1980 + k, 1, 2));
        r.set("IMPPGRE", Decimal(k == 2 ? -10 : 0));
        r.set("TEM_USO", Decimal(600));
        reg.push_back(r);
    }
    ASSERT_TRUE(store::Table::create(store::Env::posix(),
                                     store::data_table_path(store::Env::posix(), dir.path(), 9),
                                     *store::table_def(9)->layout, reg, &clock, true)
                    .is_ok());
    std::vector<LetterClient> clients;
    ASSERT_TRUE(read_letter_clients(store::Env::posix(), dir.path(), &clients));
    ASSERT_EQ(clients.size(), 3u);
    // The order of the registry's name index: the accented capital after Z, as the bytes go.
    EXPECT_TRUE(clients[2].marked);
    Letter l = parse_letter("«Nome» «CPF» «CEP» «Nascimento» «Imposto» «CustoDecl»");
    printing::PrintWriter out;
    print_letters(l, clients, rates(), out);
    EXPECT_EQ(printing::from_latin1(out.text()),
              "BRUNO 390.533.447-05 70040-010 02/01/1982 Devolucao          10,00         50,00\n\f"
              "ZULEICA 529.982.247-25 70040-010 02/01/1980 Isento          50,00\n\f"
              "ÁLVARO 111.444.777-35 70040-010 02/01/1981 Isento          50,00\n");

    std::vector<LetterClient> none;
    EXPECT_FALSE(read_letter_clients(store::Env::posix(), dir.path() + "/nada", &none));
}

}  // namespace
}  // namespace vorn::office
