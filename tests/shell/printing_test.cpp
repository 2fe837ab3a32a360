// The printer choice (command 45) and the last print file (command 52) through the real program,
// with lpstat, lp and the viewer as scripts on PATH: the CUPS queues offered before the two
// channels, the choice stored in the terminal's printer record, the print file sent by lp to the
// chosen queue, and a failing lp told with the print file kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../ui/harness.h"
#include "office.h"
#include "printing/printer_record.h"
#include "store/cdx_index.h"

namespace vorn::shell {
namespace {

// Key strokes from the main menu.
constexpr const char* kChoosePrinter = "ALT+S\ntext 5\n";
constexpr const char* kPrintLast = "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nDOWN\nDOWN\nENTER\n";

struct PrintingOffice : Office {
    std::string bin;
    PrintingOffice() : Office(1) {
        bin = inst.sub("bin");
        environment = "PATH='" + bin + "':\"$PATH\" VORN_VIEWER=viewer ";
        program_script("viewer", "exit 0");
        program_script("lp", "echo \"$@\" > '" + inst.path() + "/lp.args'");
        program_script("lpstat",
                       "case \"$1:$LC_ALL\" in\n"
                       "-e:C) printf 'Escritorio_HP\\nPDF\\n' ;;\n"
                       "-d:C) echo 'system default destination: PDF' ;;\n"
                       "*) exit 1 ;;\nesac");
    }
    void program_script(const std::string& name, const std::string& body) {
        const std::string path = bin + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    // Runs `fn` over the work areas of a terminal of the installation.
    template <class F>
    auto with_areas(F&& fn) {
        ScriptedOperator op;
        SystemClock clock;
        store::CdxIndexFiles files(op);
        store::WorkAreas w(store::Env::posix(), op, clock);
        w.ARQDEF = w.LOCARQ = inst.path();
        w.index_files = &files;
        return fn(w);
    }
    // The terminal's printer record as the program reads it.
    printing::PrinterRecord record(const std::string& nusu) {
        return with_areas([&](store::WorkAreas& w) { return printing::read_printer(w, nusu); });
    }
    void choose(const std::string& nusu, const std::string& name) {
        EXPECT_TRUE(with_areas(
            [&](store::WorkAreas& w) { return printing::store_printer(w, nusu, name); }));
    }
    std::string file(const std::string& name) const {
        std::ifstream in(inst.path() + "/" + name, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
};

TEST(PrinterChoice, TheQueuesOfCupsThenTheTwoChannelsAndTheChoiceIsStored) {
    PrintingOffice o;
    // Esc opens the list again; the stored "NAO DOS" is preselected, one row down is taken.
    const auto screens = snapped(o, std::string(kChoosePrinter) + "snap\nESC\nsnap\nDOWN\nENTER\n");
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("printer_choice", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "Seleção da impressora"));
    const printing::PrinterRecord r = o.record("01");
    EXPECT_EQ(r.NOMEIMP, "Sem Impressora");
    EXPECT_EQ(r.IPADRAO, "PDF");
    EXPECT_EQ(r.SEQ0, "");
    // The next time the stored choice is preselected: Enter keeps it.
    snapped(o, std::string(kChoosePrinter) + "ENTER\n");
    EXPECT_EQ(o.record("01").NOMEIMP, "Sem Impressora");
}

TEST(PrinterChoice, WithoutCupsTheOperatorIsToldAndTheTwoChannelsRemain) {
    PrintingOffice o;
    o.program_script("lpstat", "exit 1");
    const auto screens =
        snapped(o, std::string(kChoosePrinter) + "snap\nENTER\nsnap\nDOWN\nENTER\n");
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Não há impressora Instalada !!"));
    EXPECT_TRUE(shows(screens[1], "NAO DOS"));
    EXPECT_TRUE(shows(screens[1], "Sem Impressora"));
    EXPECT_FALSE(shows(screens[1], "PDF"));
    EXPECT_EQ(o.record("01").NOMEIMP, "Sem Impressora");
}

TEST(LastPrintFile, GoesToTheChosenQueueByLp) {
    PrintingOffice o;
    o.choose("01", "Escritorio_HP");
    std::ofstream(o.inst.path() + "/NAO-DOS.TXT", std::ios::binary) << "linha\n\f";
    // The terminal shows the printers before printing: Enter keeps the queue preselected.
    const auto screens = snapped(o, std::string(kPrintLast) + "snap\nENTER\n");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Escritorio_HP"));
    EXPECT_EQ(o.file("lp.args"), "-d Escritorio_HP -t NAO-DOS " + o.inst.path() + "/NAO-DOS.pdf\n");
    EXPECT_EQ(o.file("NAO-DOS.pdf").substr(0, 5), "%PDF-");
}

TEST(LastPrintFile, AFailingLpIsToldAndThePrintFileKept) {
    PrintingOffice o;
    o.choose("01", "Escritorio_HP");
    o.program_script("lp", "exit 2");
    std::ofstream(o.inst.path() + "/NAO-DOS.TXT", std::ios::binary) << "linha\n";
    const auto screens = snapped(o, std::string(kPrintLast) + "ENTER\nsnap\nENTER\n");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Não foi possível iniciar a impressão")) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Verifique se a Impressora está ligada."));
    EXPECT_EQ(o.file("NAO-DOS.TXT"), "linha\n");
}

}  // namespace
}  // namespace vorn::shell
