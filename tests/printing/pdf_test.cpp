// The PDF the printers receive, read back with poppler: A4 pages, the page breaks at form feeds
// and after 66 lines, no blank page after a final form feed, 80 normal and 136 condensed columns
// on one line each, and the text as in the print file.
#include <gtest/gtest.h>

#include <vector>

#include "base/text.h"
#include "printing/pdf.h"
#include "printing/print_file.h"
#include "printing_test_util.h"

namespace vorn::printing {
namespace {

using testing::info;
using testing::poppler;
using testing::ScratchDir;

// The lines of pdftotext -layout, right-trimmed, pages separated by a line "<FF>".
std::vector<std::string> text_lines(const std::string& pdf) {
    std::string out = poppler("pdftotext", "-layout '" + pdf + "' -");
    std::vector<std::string> lines;
    std::string line;
    for (char c : out) {
        if (c == '\f') {
            lines.push_back("<FF>");
        } else if (c == '\n') {
            lines.push_back(trim_right(line));
            line.clear();
        } else {
            line += c;
        }
    }
    while (!lines.empty() && (lines.back().empty() || lines.back() == "<FF>")) lines.pop_back();
    return lines;
}

std::vector<std::string> non_blank(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (!trim(l).empty()) out.push_back(trim(l));
    return out;
}

TEST(Pdf, PagesAreA4WithAPageAtEachFormFeedAndNoneAfterTheLast) {
    ScratchDir dir;
    PrintWriter w;
    w.say(0, 0, "PRIMEIRA PÁGINA");
    w.say(1, 0, "Contribuinte: JOÃO DA CONCEIÇÃO");
    w.eject();
    w.say(0, 0, "SEGUNDA PÁGINA");
    w.eject();
    w.finish();
    const std::string pdf = dir.file("two.pdf");
    ASSERT_TRUE(write_pdf(w.text(), "Decla-26-12345678909", pdf).is_ok());
    EXPECT_EQ(info(pdf, "Pages"), "2");
    EXPECT_NE(info(pdf, "Page size").find("(A4)"), std::string::npos);
    EXPECT_EQ(info(pdf, "Title"), "Decla-26-12345678909");
    std::vector<std::string> want = {"PRIMEIRA PÁGINA", "Contribuinte: JOÃO DA CONCEIÇÃO", "<FF>",
                                     "SEGUNDA PÁGINA"};
    EXPECT_EQ(non_blank(text_lines(pdf)), want);
}

// A folder's printout has thousands of sheets: more than one flat page tree of the PDF holds
// (32,767).
TEST(Pdf, ThirtyThreeThousandPagesRender) {
    std::string text;
    for (int k = 0; k < 33000; ++k) text += "FOLHA " + std::to_string(k + 1) + "\n\f";
    std::string pdf;
    int pages = 0;
    const Status s = render_pdf(text, "muitas", &pdf, &pages);
    ASSERT_TRUE(s.is_ok()) << s.to_string();
    EXPECT_EQ(pages, 33000);
}

TEST(Pdf, SixtySixLinesFillAPageAndTheNextLineStartsAnother) {
    std::string text;
    for (int k = 1; k <= 133; ++k) text += "linha " + std::to_string(k) + "\n";
    std::string pdf;
    int pages = 0;
    ASSERT_TRUE(render_pdf(text, "t", &pdf, &pages).is_ok());
    EXPECT_EQ(pages, 3);  // 66 + 66 + 1
    ScratchDir dir;
    testing::spit(dir.file("long.pdf"), pdf);
    std::vector<std::string> lines = text_lines(dir.file("long.pdf"));
    std::vector<std::string> page1(lines.begin(),
                                   std::find(lines.begin(), lines.end(), std::string("<FF>")));
    std::vector<std::string> got = non_blank(page1);
    ASSERT_EQ(got.size(), 66u);
    EXPECT_EQ(got.front(), "linha 1");
    EXPECT_EQ(got.back(), "linha 66");
}

TEST(Pdf, EightyNormalAndOneHundredThirtySixCondensedColumnsFitTheWidth) {
    std::string normal, condensed;
    for (int k = 0; k < 80; ++k) normal += static_cast<char>('A' + k % 26);
    for (int k = 0; k < 136; ++k) condensed += static_cast<char>('0' + k % 10);
    // The condensed line starts at the left margin as the normal one does and ends within the
    // page; text after the switch back is normal again.
    const std::string text = normal + "\n" + std::string(1, kCondensed) + condensed +
                             std::string(1, kNormal) + "\nfim\n";
    ScratchDir dir;
    ASSERT_TRUE(write_pdf(text, "largura", dir.file("w.pdf")).is_ok());
    std::vector<std::string> got = non_blank(text_lines(dir.file("w.pdf")));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], normal);
    EXPECT_EQ(got[1], condensed);
    EXPECT_EQ(got[2], "fim");
    // Nothing falls off the page: the bounding boxes of the words lie within A4's width.
    std::string bbox = poppler("pdftotext", "-bbox '" + dir.file("w.pdf") + "' -");
    for (size_t at = bbox.find("xMax=\""); at != std::string::npos;
         at = bbox.find("xMax=\"", at + 1)) {
        const double x = std::stod(bbox.substr(at + 6));
        EXPECT_LE(x, 595.0);
    }
}

TEST(Pdf, TheRenderVerbWritesThePdfOfAPrintFile) {
    ScratchDir dir;
    testing::spit(dir.file("in.TXT"), "linha \xe7\xe3o\n\fp\xe1gina 2\n\f\n");
    int status = 0;
    testing::output_of(std::string(VORN_BINARY_DIR) + "/vorn2026 render '" + dir.file("in.TXT") +
                           "' '" + dir.file("out.pdf") + "'",
                       &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(info(dir.file("out.pdf"), "Pages"), "2");
    std::vector<std::string> want = {"linha ção", "<FF>", "página 2"};
    EXPECT_EQ(non_blank(text_lines(dir.file("out.pdf"))), want);
    testing::output_of(std::string(VORN_BINARY_DIR) + "/vorn2026 render '" +
                           dir.file("missing.TXT") + "' '" + dir.file("x.pdf") + "' 2>/dev/null",
                       &status);
    EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace vorn::printing
