// The print file: the writer's page rule and overwriting, ISO-8859-1 text, the print pictures,
// the per-taxpayer copies, and two terminals printing at once into one working folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "printing/print_file.h"
#include "printing_test_util.h"

namespace vorn::printing {
namespace {

using testing::ScratchDir;
using testing::slurp;

// Compares a print file with tests/data/printing/<name>; UPDATE_GOLDEN=1 writes the file instead.
void expect_golden(const std::string& name, const std::string& bytes) {
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/data/printing/" + name;
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update && std::string(update) == "1") return testing::spit(path, bytes);
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << path << " (run with UPDATE_GOLDEN=1)";
    EXPECT_EQ(slurp(path), bytes) << "print file differs from " << path;
}

TEST(PrintWriter, RowsBelowAreLineEndsARowAboveStartsAPageAndAColumnLeftOverwrites) {
    PrintWriter w;
    w.say(0, 2, "TITULO");
    w.say(2, 0, "abcdef");
    w.say(2, 2, "XY");  // left of the current column: overwrites the line being built
    EXPECT_EQ(w.pcol(), 4);
    w.say(2, 10, "fim");
    w.say(1, 0, "nova");  // above the current row: a new page
    w.finish();
    EXPECT_EQ(w.text(), "  TITULO\n\nabXYef    fim\n\f\nnova\n");
}

TEST(PrintWriter, ControlStringsTakeNoColumnAndEjectEndsThePage) {
    PrintWriter w;
    w.say(0, 0, "ab");
    w.control(std::string(1, kCondensed));
    EXPECT_EQ(w.pcol(), 2);
    w.say(0, 2, "cd");
    w.control(std::string(1, kNormal));
    w.eject();
    EXPECT_EQ(w.prow(), 0);
    w.say(0, 0, "p2");
    w.eject();
    w.finish();
    EXPECT_EQ(w.text(),
              "ab\x0f"
              "cd\x12\n\fp2\n\f");
}

TEST(PrintWriter, TextIsLatin1AndOtherCharactersBecomeQuestionMarks) {
    PrintWriter w;
    w.say(0, 0, "Ação € “x” ñ");
    w.finish();
    EXPECT_EQ(w.text(), "A\xe7\xe3o ? ?x? \xf1\n");
    EXPECT_EQ(from_latin1("A\xe7\xe3o"), "Ação");
}

TEST(PrintPictures, AmountsPercentagesAndDocuments) {
    EXPECT_EQ(transform(Decimal::from("1234567.89"), money_picture(14)), "  1.234.567,89");
    EXPECT_EQ(transform(Decimal::from("-15.5"), money_picture(14)), "        -15,50");
    EXPECT_EQ(transform(Decimal(0), money_picture(14, true)), std::string(14, ' '));
    EXPECT_EQ(transform(Decimal(0), money_picture(14)), "          0,00");
    // Too wide: asterisks, never digits cut.
    EXPECT_EQ(transform(Decimal::from("123456789012.34"), money_picture(14)), std::string(14, '*'));
    EXPECT_EQ(money_picture(18).tmpl.size(), 18u);
    EXPECT_EQ(transform(Decimal::from("27.5"), percent_picture()), " 27,50");
    EXPECT_EQ(transform(Decimal::from("1000"), percent_picture()), "******");
    EXPECT_EQ(transform(Decimal(0), percent_picture(6, true)), "      ");
    EXPECT_EQ(print_cpf("12345678909"), "123.456.789-09");
    EXPECT_EQ(print_cpf("123.456.789-09"), "123.456.789-09");
    EXPECT_EQ(print_cpf(""), std::string(14, ' '));
    EXPECT_EQ(print_cpf("123456789091"), std::string(14, '*'));
    EXPECT_EQ(print_cnpj("11222333000181"), "11.222.333/0001-81");
    EXPECT_EQ(print_cnpj("112223330001812"), std::string(18, '*'));
}

// A report of two pages as the reports write it: header, amounts, documents, condensed lines.
TEST(PrintFile, AReportOfTwoPagesIsTheGoldenPrintFile) {
    ScratchDir dir;
    PrintPlace place;
    place.folder = dir.folder();
    std::unique_ptr<PrintFile> f;
    ASSERT_TRUE(PrintFile::PREP_IMP(place, &f).is_ok());
    f->say(0, 0, "RELATÓRIO DE RENDIMENTOS");
    f->say(0, 60, "Página 1");
    f->say(2, 0, "CPF:");
    f->say(2, 6, print_cpf("12345678909"));
    f->say(3, 0, "Fonte:");
    f->say(3, 7, print_cnpj("11222333000181"));
    f->say(3, 40, Decimal::from("98765.43"), money_picture(18));
    f->say(4, 40, Decimal(0), money_picture(18, true));
    f->say(4, 0, "Alíquota");
    f->say(4, 10, Decimal::from("27.5"), percent_picture());
    f->say(6, 0, "");
    f->MUDAIMP(1);
    f->say(6, 0, std::string(136, '-'));
    f->MUDAIMP(0);
    f->say(1, 0, "SEGUNDA PÁGINA");
    f->eject();
    std::string path;
    ASSERT_TRUE(f->close(&path).is_ok());
    EXPECT_EQ(path, PrintFile::own_path(place));
    expect_golden("report.TXT", slurp(path));
    EXPECT_EQ(slurp(dir.file("NAO-DOS.TXT")), slurp(path));
}

TEST(PrintFile, EachTaxpayersPartIsCopiedAndAppended) {
    ScratchDir dir;
    PrintPlace place;
    place.folder = dir.folder();
    place.nusu = "07";
    place.per_taxpayer = true;
    std::unique_ptr<PrintFile> f;
    ASSERT_TRUE(PrintFile::PREP_IMP(place, &f).is_ok());
    f->say(0, 0, "ANA");
    f->say(1, 0, "linha");
    ASSERT_TRUE(f->taxpayer_done("12345678909", "ANA MARIA DA SILVA").is_ok());
    EXPECT_EQ(f->prow(), 0);
    f->say(0, 0, "BIA");
    ASSERT_TRUE(f->taxpayer_done("98765432100", "BIA/X").is_ok());
    std::string path;
    ASSERT_TRUE(f->close(&path).is_ok());
    EXPECT_EQ(slurp(dir.file("12345678909ANA SILVA.TXT")), "ANA\nlinha\n");
    EXPECT_EQ(slurp(dir.file("98765432100BIA_X.TXT")), "BIA\n");
    EXPECT_EQ(slurp(path), "ANA\nlinha\nBIA\n");
    EXPECT_EQ(slurp(dir.file("NAO-DOS.TXT")), "ANA\nlinha\nBIA\n");
    // A new run starts the print file over.
    ASSERT_TRUE(PrintFile::PREP_IMP(place, &f).is_ok());
    f->say(0, 0, "CAIO");
    ASSERT_TRUE(f->close(&path).is_ok());
    EXPECT_EQ(slurp(path), "CAIO\n");
}

TEST(PrintFile, AFolderThatCannotBeWrittenIsReported) {
    PrintPlace place;
    place.folder = "/nonexistent-folder/";
    std::unique_ptr<PrintFile> f;
    Status s = PrintFile::PREP_IMP(place, &f);
    EXPECT_FALSE(s.is_ok());
    EXPECT_NE(s.message().find("NAO-DOS-00.TXT"), std::string::npos);
}

// Two terminals of one working folder print long reports at the same time: each sends exactly
// its own text, and the published print file is always one of them whole.
TEST(PrintFile, TwoTerminalsPrintingAtOnceNeverMixTheirText) {
    ScratchDir dir;
    auto report = [&](const std::string& nusu) {
        PrintPlace place;
        place.folder = dir.folder();
        place.nusu = nusu;
        for (int run = 0; run < 20; ++run) {
            std::unique_ptr<PrintFile> f;
            if (!PrintFile::PREP_IMP(place, &f)) return 1;
            for (int r = 0; r < 300; ++r) f->say(r % 60, 0, "T" + nusu);
            std::string path;
            if (!f->close(&path)) return 2;
            const std::string text = slurp(path);
            if (text.find("T" + std::string(nusu == "01" ? "02" : "01")) != std::string::npos)
                return 3;
        }
        return 0;
    };
    pid_t a = ::fork();
    if (a == 0) ::_exit(report("01"));
    pid_t b = ::fork();
    if (b == 0) ::_exit(report("02"));
    int sa = 0, sb = 0;
    ::waitpid(a, &sa, 0);
    ::waitpid(b, &sb, 0);
    EXPECT_EQ(WEXITSTATUS(sa), 0);
    EXPECT_EQ(WEXITSTATUS(sb), 0);
    const std::string published = slurp(dir.file("NAO-DOS.TXT"));
    const bool one = published.find("T01") != std::string::npos;
    const bool two = published.find("T02") != std::string::npos;
    EXPECT_NE(one, two) << "the published print file mixes both terminals";
    EXPECT_EQ(published, slurp(dir.file(one ? "NAO-DOS-01.TXT" : "NAO-DOS-02.TXT")));
}

}  // namespace
}  // namespace vorn::printing
