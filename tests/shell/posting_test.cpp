// Postings through the real program: the posting tool (menu "Lancamentos") refuses what a posting
// lacks, writes each posting as it is confirmed while the client is held open on its terminal,
// transfers into the declaration and saves both; `vorn2026 post` transfers a folder's pending
// postings as the tool does; both leave alone a client open on another terminal.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../ui/harness.h"
#include "office.h"
#include "tax/folder.h"
#include "tax/open_computation.h"

namespace vorn::shell {
namespace {

// The declaration of `cpf` as stored in the office's folder.
tax::Declaration stored(const Office& o, const std::string& cpf) {
    tax::FolderReader::Loaded l;
    Status s = tax::FolderReader::read_one(store::Env::posix(), o.inst.path(), cpf, &l);
    EXPECT_TRUE(s.is_ok()) << s.to_string();
    return l.status ? l.declaration : tax::Declaration::blank(cpf);
}

// `vorn2026 post` over the office's folder; its lines.
std::vector<std::string> post(const Office& o, const std::string& which, int* status) {
    std::istringstream out(
        run(o.inst, kBinary + " post --folder . " + which + " --now '" + kNow + "' 2>/dev/null",
            status));
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    return lines;
}

// The line post prints for a declaration it took, with calc's figures after it.
std::string posted_line(Office& o, const std::string& cpf, const std::string& done) {
    auto calc = o.calc();
    return cpf + " IMPPGRE=" + calc[cpf]["IMPPGRE"] + " USAPADRAO=" + calc[cpf]["USAPADRAO"] + " " +
           done;
}

// The main menu's "Lancamentos" and a client chosen in its chooser.
std::string posting_tool(const std::string& cpf) {
    return "ALT+D\nDOWN\nENTER\ntext " + cpf + "\nENTER\n";
}

store::Record posting(const tax::Declaration& d, const char* account, const char* name,
                      const char* value, int first, int last) {
    store::Record r = d.new_record(13);
    r.set("CDCONTA", account);
    r.set("DESCONTA", name);
    r.set("VALODESP", Decimal::from(value));
    r.set("MESINI", Decimal(first));
    r.set("MESFIM", Decimal(last));
    return r;
}

void expect_all_transferred(const tax::Declaration& d) {
    ASSERT_FALSE(d.postings.empty());
    for (const auto& p : d.postings) EXPECT_TRUE(p.logical("LANCADO")) << p.str("CDCONTA");
    EXPECT_EQ(d.registry.str("NUSUAT"), "");
}

TEST(Post, TransfersThePendingPostingsOfAFolderAndSavesThemWithTheirDeclarations) {
    Office o(9, [](int i, tax::Declaration& d) {
        if (i % 3 != 0) return;
        bench::Generator(static_cast<unsigned>(i)).postings(d, 20);
        // A last month before the first: only the first month is written.
        d.postings.push_back(posting(d, "2010", "MESES INVERTIDOS", "700.00", 3, 1));
    });
    const auto registry_before = o.dbfread(9);
    int status = -1;
    const auto lines = post(o, "--all", &status);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t k = 0; k < 3; ++k)
        EXPECT_EQ(lines[k], posted_line(o, o.cpf(3 * k), "Feitos 21 lancamentos"));
    expect_stored_as_calc(o, {o.cpf(0), o.cpf(3), o.cpf(6)});

    for (size_t i : {0, 3, 6}) {
        SCOPED_TRACE("CPF " + o.cpf(i));
        const tax::Declaration d = stored(o, o.cpf(i));
        expect_all_transferred(d);
        // Interest on equity goes to new items' exclusive column, each posting its own.
        Decimal posted, exclusive;
        for (const auto& p : d.postings)
            if (p.str("CDCONTA") == "6100") posted += p.num("VALODESP");
        for (const auto& it : d.items) exclusive += it.num("I1_34");
        EXPECT_EQ(exclusive, posted);
        int inverted = 0;
        for (const auto& it : d.items) {
            if (it.str("I1_2") != "MESES INVERTIDOS") continue;
            ++inverted;
            EXPECT_EQ(it.str("I1_1"), "F");
            EXPECT_EQ(it.num("I1_403"), Decimal::from("700.00"));
            EXPECT_EQ(it.num("I1_401"), Decimal());
            EXPECT_EQ(it.num("I1_4"), Decimal::from("700.00"));
        }
        EXPECT_EQ(inverted, 1);
    }
    // Declarations without postings are not touched; a second run finds nothing to do.
    const auto registry_after = o.dbfread(9);
    for (size_t i : {1, 2, 4, 5, 7, 8})
        EXPECT_EQ(registry_after.at(o.cpf(i)), registry_before.at(o.cpf(i)));
    EXPECT_TRUE(post(o, "--all", &status).empty());
    EXPECT_EQ(status, 0);
}

TEST(PostingTool, RefusedAndSkippedByPostWhileTheClientIsOpenOnTerminal02) {
    Office o(3, [](int, tax::Declaration& d) { bench::Generator(1).postings(d, 5); });
    // Terminal 02 opens the first declaration and stays in it.
    EXPECT_EQ(o.program("02", "ALT+I\ntext " + o.cpf(0) + "\nENTER\n"), 3);
    const tax::Declaration before = stored(o, o.cpf(0));
    ASSERT_EQ(before.registry.str("NUSUAT"), "02");

    // Terminal 01: the posting tool names the terminal and goes no further.
    EXPECT_EQ(o.program("01", posting_tool(o.cpf(0)) + "snap\nENTER\nESC\nALT+T\nENTER\n"), 0);
    const auto screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 1u);
    const std::string shown = body(screens[0]);
    EXPECT_NE(shown.find("A declaração desse contribuinte está aberta no terminal 02"),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find("Lancamentos para"), std::string::npos) << shown;

    // post leaves it alone and takes the others.
    int status = -1;
    const auto lines = post(o, "--all", &status);
    EXPECT_EQ(status, 4);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 11), o.cpf(0));
    EXPECT_NE(lines[0].find(" em uso no terminal 02"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], posted_line(o, o.cpf(1), "Feitos 5 lancamentos"));

    const tax::Declaration after = stored(o, o.cpf(0));
    for (int n : {2, 3, 4, 5, 6, 12, 13})
        EXPECT_TRUE(tax::same_lists(*after.list(n), *before.list(n))) << "table " << n;
    EXPECT_TRUE(store::same_when_stored(after.summary, before.summary));
    EXPECT_TRUE(store::same_when_stored(after.registry, before.registry));
}

TEST(PostingTool, RefusesWhatAPostingLacksAndWritesEachAtOnceWhileTheClientIsHeldOpen) {
    Office o(1);
    const std::string script =
        posting_tool(o.cpf(0)) +
        "snap\ntext L\n"
        "text 1000\nENTER\nsnap\nENTER\n"  // a heading account
        "text 9999\nENTER\nsnap\nENTER\n"  // no such account
        // Company income asks for the payer's name, the value, the CNPJ and the dependant.
        "text 1040\nENTER\ntext EMPRESA DO TESTE\nENTER\nENTER\nENTER\nENTER\nsnap\nENTER\n"
        "ENTER\nENTER\ntext 11222333000181\nENTER\nENTER\nsnap\nENTER\n"
        "ENTER\ntext 1500\nENTER\nENTER\nENTER\nsnap\nENTER\n"
        // Income from an individual asks for months: none given.
        "text 2010\nENTER\ntext JOAO\nENTER\ntext 800\nENTER\nENTER\nENTER\nENTER\nENTER\nsnap\n"
        "ENTER\nESC\n";
    // The script ends with the tool still open.
    EXPECT_EQ(o.program("01", script), 3);
    const auto screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 8u);  // and the last, where the script ran out
    ui::testing::expect_golden("posting_tool", body(screens[0]));
    ui::testing::expect_golden("posting_heading_account", body(screens[1]));
    EXPECT_NE(body(screens[2]).find("Código não existente!"), std::string::npos);
    ui::testing::expect_golden("posting_missing_document", body(screens[3]));
    ui::testing::expect_golden("posting_missing_value", body(screens[4]));
    ui::testing::expect_golden("posting_confirm", body(screens[5]));
    ui::testing::expect_golden("posting_missing_month", body(screens[6]));

    // The confirmed posting is in the client's postings already, and the client is held open.
    const tax::Declaration d = stored(o, o.cpf(0));
    EXPECT_EQ(d.registry.str("NUSUAT"), "01");
    ASSERT_EQ(d.postings.size(), 1u);
    const store::Record& p = d.postings[0];
    EXPECT_EQ(p.str("CDCONTA"), "1040");
    EXPECT_EQ(p.str("DESCONTA"), "EMPRESA DO TESTE");
    EXPECT_EQ(p.num("VALODESP"), Decimal::from("1500.00"));
    EXPECT_EQ(p.str("NROCGCCPF"), "11222333000181");
    EXPECT_EQ(p.num("NROITEM"), Decimal(1));
    EXPECT_FALSE(p.logical("LANCADO"));
}

TEST(PostingTool, TransfersIntoTheDeclarationAndSavesItWithItsPostingsAsPostDoes) {
    auto seven = [](int i, tax::Declaration& d) {
        if (i == 0) bench::Generator(3).postings(d, 7);
    };
    Office o(2, seven);
    EXPECT_EQ(o.program("01", posting_tool(o.cpf(0)) +
                                  "text T\nsnap\nENTER\ntext V\nsnap\nESC\ntext M\nsnap\nESC\n"
                                  "text S\nESC\nALT+T\nENTER\n"),
              0);
    const auto screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_NE(body(screens[0]).find("Feitos 7 lancamentos"), std::string::npos) << body(screens[0]);
    ui::testing::expect_golden("posting_list", body(screens[1]));
    ui::testing::expect_golden("posting_chart", body(screens[2]));
    expect_all_transferred(stored(o, o.cpf(0)));
    expect_stored_as_calc(o, {o.cpf(0)});

    // The same client posted by the batch command computes alike.
    Office batch(2, seven);
    int status = -1;
    EXPECT_EQ(post(batch, "--cpf " + o.cpf(0), &status).size(), 1u);
    EXPECT_EQ(status, 0);
    auto by_tool = o.calc()[o.cpf(0)], by_post = batch.calc()[o.cpf(0)];
    for (const char* line : {"I13_01", "I13_20", "I13_29", "I13_35", "IMPPGRE"})
        EXPECT_EQ(by_tool[line], by_post[line]) << line;
}

TEST(PostingTool, PostingsCorrectedInTheirListAreRefusedAsTheirWindowRefuses) {
    Office o(1, [](int, tax::Declaration& d) {
        d.postings.clear();
        store::Record company = posting(d, "1040", "EMPRESA DO TESTE", "1500.00", 0, 0);
        company.set("NROCGCCPF", "11222333000181");
        d.postings.push_back(company);
        store::Record carried = posting(d, "2010", "JOAO", "800.00", 1, 12);
        carried.set("LANCADO", true);
        d.postings.push_back(carried);
    });
    const std::string cpf = o.cpf(0);
    // On the company's posting: a value of zero, a wrong CNPJ check digit, then a value kept;
    // on the posting already carried into the declaration, any value.
    EXPECT_EQ(
        o.program("01", posting_tool(cpf) +
                            "text V\nRIGHT\nRIGHT\ntext 0\nENTER\nsnap\nENTER\nESC\n"
                            "RIGHT\nRIGHT\nRIGHT\ntext 11222333000182\nENTER\nsnap\nENTER\n"
                            "ESC\nLEFT\nLEFT\nLEFT\ntext 2500\nENTER\nDOWN\ntext 999\n"
                            "ENTER\nsnap\nENTER\nESC\nsnap\nESC\ntext S\nESC\nALT+T\nENTER\n"),
        0);
    const auto screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 4u);
    EXPECT_NE(body(screens[0]).find("Falta preencher o valor"), std::string::npos)
        << body(screens[0]);
    EXPECT_NE(body(screens[1]).find("CNPJ"), std::string::npos) << body(screens[1]);
    EXPECT_NE(body(screens[2]).find("já transferido"), std::string::npos) << body(screens[2]);
    ui::testing::expect_golden("posting_list_edited", body(screens[3]));
    const tax::Declaration d = stored(o, cpf);
    ASSERT_EQ(d.postings.size(), 2u);
    EXPECT_EQ(d.postings[0].num("VALODESP"), Decimal::from("2500.00"));
    EXPECT_EQ(d.postings[0].str("NROCGCCPF"), "11222333000181");
    EXPECT_EQ(d.postings[1].num("VALODESP"), Decimal::from("800.00"));
}

TEST(PostingTool, TheChartOfAccountsRefusesARepeatedCodeAndAFlagOtherThanSOrN) {
    Office o(1);
    const std::string chart = o.inst.path() + "/CONTAS.DBF";
    const auto before = testing::rows_of(chart);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(o.program("01", posting_tool(o.cpf(0)) +
                                  "text M\ntext 1040\nENTER\nsnap\nENTER\nESC\n"
                                  "RIGHT\nRIGHT\ntext X\nENTER\nsnap\nENTER\nESC\nESC\n"
                                  "text S\nESC\nALT+T\nENTER\n"),
              0);
    const auto screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_NE(body(screens[0]).find("Já existe a conta 1040 no plano de contas."),
              std::string::npos)
        << body(screens[0]);
    EXPECT_NE(body(screens[1]).find("Digite S de sim ou N de não"), std::string::npos)
        << body(screens[1]);
    const auto after = testing::rows_of(chart);
    ASSERT_EQ(after.size(), before.size());
    for (size_t k = 0; k < after.size(); ++k)
        EXPECT_TRUE(store::same_when_stored(after[k], before[k])) << k;
}

}  // namespace
}  // namespace vorn::shell
