// The CUPS queues as lpstat tells them, under LC_ALL=C.
#include <gtest/gtest.h>

#include "printing/lpstat.h"

namespace vorn::printing {
namespace {

TEST(Lpstat, DestinationsOneALineEachOnceWithoutWhatCannotBeAQueue) {
    const std::string out =
        "Escritorio_HP\r\nPDF\n\n  Sala-2  \nPDF\nHP/duplex\nnome com espaco\nNAO DOS\n" +
        std::string(61, 'x') + "\n" + std::string(60, 'y') + "\nctl\x01x\n";
    std::vector<std::string> want = {"Escritorio_HP", "PDF", "Sala-2", "HP/duplex",
                                     std::string(60, 'y')};
    EXPECT_EQ(parse_lpstat_destinations(out), want);
    EXPECT_TRUE(parse_lpstat_destinations("").empty());
}

TEST(Lpstat, TheDefaultDestinationOrNone) {
    EXPECT_EQ(parse_lpstat_default("system default destination: Escritorio_HP\n"), "Escritorio_HP");
    EXPECT_EQ(parse_lpstat_default("no system default destination\n"), std::nullopt);
    EXPECT_EQ(parse_lpstat_default("system default destination: \n"), std::nullopt);
    EXPECT_EQ(parse_lpstat_default("destino padrão do sistema: X\n"), std::nullopt);
}

TEST(Lpstat, BothQuestionsAreAskedInTheCLocaleAndAMissingCupsHasNoPrinters) {
    FakeProcesses p;
    p.output = "A\nB\n";
    InstalledPrinters got = installed_printers(p, "lpstat");
    ASSERT_EQ(p.started.size(), 2u);
    EXPECT_EQ(p.started[0], (std::vector<std::string>{"lpstat", "-e"}));
    EXPECT_EQ(p.started[1], (std::vector<std::string>{"lpstat", "-d"}));
    EXPECT_EQ(got.names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(got.default_name, "");

    // The real program: LC_ALL reaches it.
    SystemProcesses sys;
    std::string out;
    ASSERT_TRUE(sys.capture({"sh", "-c", "echo $LC_ALL"}, {"LC_ALL=C"}, &out).is_ok());
    EXPECT_EQ(out, "C\n");

    FakeProcesses none;
    none.result = Status::not_found("lpstat");
    EXPECT_TRUE(installed_printers(none, "lpstat").names.empty());
    SystemProcesses missing;
    EXPECT_TRUE(installed_printers(missing, "/nonexistent/lpstat").names.empty());
}

}  // namespace
}  // namespace vorn::printing
