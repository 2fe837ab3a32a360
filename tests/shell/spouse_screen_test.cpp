// Screen 5's spouse (56), final estate (57) and definitive exit (58) through the real program, on
// generated declarations: their layouts; refused dates that keep the cursor and store nothing;
// what marking an exit forces on the summary; the spouse's figures fetched from the spouse's own
// declaration, never written while that declaration is open on another terminal.
#include <gtest/gtest.h>

#include <filesystem>

#include "../ui/harness.h"
#include "base/text.h"
#include "office.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::shell {
namespace {

constexpr const char* kOtherCpf = "52998224725";

// The estate's items and the exit's, from the declaration menu's "Esp" pad.
constexpr const char* kEstate = "ALT+E\nENTER\n";
constexpr const char* kExit = "ALT+E\nDOWN\nENTER\n";

bool shows(const Screen& s, const std::string& what) {
    return body(s).find(what) != std::string::npos;
}

std::string repeat(const std::string& keys, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += keys;
    return out;
}

TEST(SpouseEstateExit, EachScreenShowsItsFieldsAsStored) {
    Office o(3, [](int i, tax::Declaration& d) {
        if (i == 0) {
            d.set("CPFCONJU", kOtherCpf);
            d.set("I9_4", "N");
            d.set("I9_5", "S");
            d.set("I13_1C", Decimal(48000));
            d.set("I13_4C", Decimal(2500));
            d.set("I13_2C", Decimal(1000));
            d.set("I9_2", Decimal(46500));
            d.set("I9_3", Decimal(46500));
        } else if (i == 1) {
            d.set("DECFINAL", "S");
            d.set("ANOOBITO", Decimal(2024));
            d.set("INDSOBRE", "N");
            d.set("CPFINVENT", kOtherCpf);
            d.set("NOMINVENT", "MARIA INVENTARIANTE");
            d.set("DECJUDI", "S");
            d.set("NROPROCES", "0001234-56.2024.8.26.0100");
            d.set("UFPROCES", "SP");
            d.set("DATAPARTI", Date(2025, 3, 20));
            d.set("DATADECIS", Date(2025, 5, 2));
        } else {
            d.set("DECSAIDA", "S");
            d.set("CPFINVENT", kOtherCpf);
            d.set("NOMINVENT", "JOSE PROCURADOR");
            d.set("ENDINVENT", "RUA DAS FLORES 10 SAO PAULO SP");
            d.set("DATASAIDA", Date(2025, 8, 31));
            d.set("DATADECIS", Date(2025, 2, 1));
        }
    });
    const std::vector<Screen> screens =
        snapped(o, in_declaration(o.cpf(0), "ALT+F3\nsnap\nESC\n") +
                       in_declaration(o.cpf(1), std::string(kEstate) + "snap\nESC\n") +
                       in_declaration(o.cpf(2), std::string(kExit) + "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_TRUE(shows(screens[0], "529.982.247-25"));
    EXPECT_TRUE(shows(screens[0], "46.500,00"));
    EXPECT_TRUE(shows(screens[1], "20/03/2025"));
    EXPECT_TRUE(shows(screens[2], "JOSE PROCURADOR"));
    ui::testing::expect_golden("spouse_screen", body(screens[0]));
    ui::testing::expect_golden("estate_screen", body(screens[1]));
    ui::testing::expect_golden("exit_screen", body(screens[2]));
}

TEST(SpouseEstateExit, APartitionDateOfAnotherYearIsRefusedInItsFieldAndStoresNothing) {
    Office o(1, [](int, tax::Declaration& d) {
        d.set("DECFINAL", "S");
        d.set("DECJUDI", "S");
    });
    const std::string cpf = o.cpf(0);
    // Saved once as it is, so that only what the screen changes can differ.
    snapped(o, in_declaration(cpf, ""));
    const auto summary = o.dbfread(1), registry = o.dbfread(9);
    // From the mark to the partition date: nine fields (year of death … process, court,
    // district); 2024 refused with its notice (Enter closes it), then Esc leaves the screen and
    // Enter closes the warning of the missing date.
    const std::string to_date = std::string(kEstate) + repeat("ENTER\n", 13);
    std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, to_date + "text 20032024\nENTER\nsnap\nENTER\nESC\nsnap\nENTER\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(shows(screens[0], "A data da partilha deve"));
    EXPECT_TRUE(shows(screens[0], "ser no ano da declaração 2025"));
    EXPECT_TRUE(shows(screens[1], "Informe a data da decisão judicial da partilha."));
    EXPECT_EQ(o.dbfread(1), summary);
    // The cursor stays in the partition date: what is typed after the refusal is that date.
    snapped(o, in_declaration(cpf, to_date + "text 20032024\nENTER\nENTER\ntext 20032025\nENTER\n"
                                             "ESC\n"));
    EXPECT_EQ(o.dbfread(1)[cpf].at("DATAPARTI"), "20250320");
    EXPECT_EQ(o.dbfread(9)[cpf], registry.at(cpf));
}

TEST(SpouseEstateExit, ADecisionOfResidenceBeforeTheYearOrAfterTheExitIsRefused) {
    Office o(1, [](int, tax::Declaration& d) {
        d.set("DECSAIDA", "S");
        d.set("DATASAIDA", Date(2025, 6, 30));
    });
    const std::string cpf = o.cpf(0);
    snapped(o, in_declaration(cpf, ""));
    const auto summary = o.dbfread(1);
    const std::string to_date = std::string(kExit) + repeat("ENTER\n", 5);
    std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, to_date + "text 01102024\nENTER\nsnap\nENTER\n"
                                                 "text 01072025\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(shows(screens[0], "A data de residente deve ser no ano da declaração 2025"));
    EXPECT_TRUE(shows(screens[1], "A data de residente deve ser anterior a de saída"));
    EXPECT_EQ(o.dbfread(1), summary);
    // Within the year and before the exit: taken, and the tax counts the months between.
    snapped(o, in_declaration(cpf, to_date + "text 01102024\nENTER\nENTER\ntext 01032025\nENTER\n"
                                             "ESC\n"));
    EXPECT_EQ(o.dbfread(1)[cpf].at("DATADECIS"), "20250301");
}

TEST(SpouseEstateExit, MarkingAnExitMakesTheSummaryCompleteInOneQuotaAndKeepsItSo) {
    // A simplified declaration paying in several quotas.
    Office o(8, [](int, tax::Declaration& d) { d.set("USAPADRAO", "S"); });
    std::string cpf;
    for (size_t i = 0; i < o.declarations.size() && cpf.empty(); ++i) {
        const Fields c = o.calc()[o.cpf(i)];
        if (c.at("USAPADRAO") == "S" && dec(c.at("I13_36")) > Decimal(500)) cpf = o.cpf(i);
    }
    ASSERT_FALSE(cpf.empty());
    ASSERT_NE(o.calc()[cpf].at("QTD_QUOTA"), "1");
    // The mark, the attorney left blank, the exit in June; then the summary and Ctrl+S.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, std::string(kExit) +
                                   "text S\nENTER\nENTER\nENTER\nENTER\ntext 30062025\nENTER\n"
                                   "ENTER\nF7\nsnap\nCTRL+S\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(shows(screens[1], "A declaração de saída definitiva só pode ser uma completa"));
    EXPECT_TRUE(shows(screens[0], "37 Em 1 Quotas  de"));
    EXPECT_TRUE(shows(screens[0], "Mudar para Simples:N"));
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(after.at("USAPADRAO"), "N");
    EXPECT_EQ(after.at("QTD_QUOTA"), "1");
    const auto summary = o.dbfread(1)[cpf];
    EXPECT_EQ(summary.at("DECSAIDA"), "S");
    EXPECT_EQ(summary.at("DATASAIDA"), "20250630");
}

TEST(SpouseEstateExit, TheHoldersOwnCpfIsNoSpouse) {
    Office o(1, [](int, tax::Declaration& d) {
        d.set("TEMRURAL", "N");
        d.set("TEMCONJU", "S");
        d.set("TIPOREL", Decimal(2));
    });
    const std::string cpf = o.cpf(0);
    const auto registry = o.dbfread(9);
    // On the spouse's screen, then on the identification (rural activity, name, birth, spouse,
    // relationship, the spouse's CPF).
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "ALT+F3\ntext " + cpf + "\nENTER\nsnap\nENTER\nESC\n" +
                                           "F6\n" + repeat("ENTER\n", 5) + "text " + cpf +
                                           "\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    for (const Screen& s : screens)
        EXPECT_TRUE(shows(s, "O CPF do cônjuge não pode ser o do próprio contribuinte."));
    EXPECT_EQ(o.dbfread(9)[cpf].at("CPFCONJU"), registry.at(cpf).at("CPFCONJU"));
}

TEST(SpouseEstateExit, AJointFinalOrExitDeclarationIsToldBeforeTheScreenThatDoesNotFitIt) {
    Office o(3, [](int i, tax::Declaration& d) {
        if (i == 0) {
            // The spouse among the dependants, and figures typed for the spouse.
            store::Record r = d.new_record(3);
            r.set("NOMEDEPEN", "CONJUGE");
            r.set("CODIDEPEN", Decimal(11));
            r.set("CPFDEPEN", kOtherCpf);
            d.dependants.push_back(std::move(r));
            d.set("CPFCONJU", kOtherCpf);
            d.set("I9_5", "S");
            d.set("I13_1C", Decimal(30000));
        } else if (i == 1) {
            d.set("DECSAIDA", "S");
        } else {
            d.set("DECFINAL", "S");
        }
    });
    const std::vector<Screen> screens =
        snapped(o, in_declaration(o.cpf(0), "ALT+F3\nsnap\nENTER\n") +
                       in_declaration(o.cpf(1), std::string(kEstate) + "snap\nENTER\n") +
                       in_declaration(o.cpf(2), std::string(kExit) + "snap\nENTER\n"));
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_TRUE(shows(screens[0], "Essa declaração é uma declaração em conjunto!"));
    EXPECT_TRUE(shows(screens[1], "Declaração de saída definitiva do país"));
    EXPECT_TRUE(shows(screens[2], "e não pode, portanto, ser uma de Saída definitiva"));
    const auto registry = o.dbfread(9), summary = o.dbfread(1);
    EXPECT_EQ(registry.at(o.cpf(0)).at("I9_5"), "N");
    EXPECT_EQ(num(registry.at(o.cpf(0)).at("I13_1C")), "0.00");
    EXPECT_EQ(summary.at(o.cpf(1)).at("DECFINAL"), "");
    EXPECT_EQ(summary.at(o.cpf(2)).at("DECSAIDA"), "");
}

TEST(SpouseEstateExit, MarkingAFinalDeclarationClearsWhatAnEstateHasNotAndUnmarkingIsAsked) {
    Office o(1, [](int, tax::Declaration& d) {
        d.set("USAPADRAO", "S");
        d.set("EMAIL", "ana@exemplo.com.br");
        d.set("TITULO", "123456789012");
        d.set("CDPRO", "225");
        d.set("OCUPACAO", "MEDICO");
    });
    const std::string cpf = o.cpf(0);
    snapped(o, in_declaration(cpf, std::string(kEstate) + "text S\nENTER\nESC\n"));
    const Fields registry = o.dbfread(9).at(cpf);
    for (const char* f : {"EMAIL", "TITULO", "CDPRO", "OCUPACAO"})
        EXPECT_EQ(registry.at(f), "") << f;
    EXPECT_EQ(registry.at("USAPADRAO"), "N");
    EXPECT_EQ(o.dbfread(1).at(cpf).at("DECFINAL"), "S");
    // "N" asks first; the default answer keeps the declaration final.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, std::string(kEstate) + "text N\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Deseja cancelar como declaração final?"));
    EXPECT_EQ(o.dbfread(1).at(cpf).at("DECFINAL"), "S");
}

TEST(SpouseEstateExit, TypedFiguresGiveTheNetIncomeAndANegativeOneIsRefused) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // The CPF, no fetch, typed here (the warning closed), then the tax base, the tax paid, the
    // exempt income; -5 in the exclusive income refused; Esc.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "ALT+F3\ntext " + std::string(kOtherCpf) +
                                           "\nENTER\ntext N\nENTER\ntext S\nENTER\nsnap\nENTER\n"
                                           "text 50000\nENTER\ntext 4000\nENTER\ntext 2500\nENTER\n"
                                           "text -5\nENTER\nsnap\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_TRUE(shows(screens[0], "declaração for a que contiver os bens em comuns do casal."));
    EXPECT_TRUE(shows(screens[1], "O valor não pode ser negativo."));
    EXPECT_TRUE(shows(screens[2], "48.500,00"));
    const Fields registry = o.dbfread(9).at(cpf);
    EXPECT_EQ(registry.at("CPFCONJU"), kOtherCpf);
    EXPECT_EQ(num(registry.at("I9_2")), "48500.00");
    EXPECT_EQ(num(registry.at("I9_3")), "48500.00");
    EXPECT_EQ(num(registry.at("I13_3C")), "0.00");
    EXPECT_EQ(num(o.dbfread(1).at(cpf).at("I13_43")), "48500.00");
}

// Two declarations of a couple: the first (the holder's) to fetch, the second (the spouse's)
// already marked to fetch from the first.
Office couple() {
    return Office(2, [](int i, tax::Declaration& d) {
        if (i == 1) {
            d.set("I9_4", "S");
            d.set("I13_1C", Decimal(1000));
            d.set("I9_2", Decimal(1000));
            d.set("I13_20", Decimal(52000));
            d.set("I13_44", Decimal(3000));
            d.set("I13_45", Decimal(1500));
            d.set("I13_35", Decimal(6000));
            d.set("SALDO", Decimal(7000));
        }
    });
}

std::string fetch_keys(const std::string& spouse) {
    return "ALT+F3\ntext " + spouse + "\nENTER\ntext S\nENTER\nsnap\nENTER\nsnap\n";
}

TEST(SpouseEstateExit, TheFetchLeavesASpouseDeclarationOpenElsewhereAsItWas) {
    Office o = couple();
    const std::string holder = o.cpf(0), spouse = o.cpf(1);
    // Terminal 02 opens the spouse's declaration and stops with it open.
    EXPECT_EQ(o.program("02", "ALT+I\ntext " + spouse + "\nENTER\n"), 3);
    const auto before = o.dbfread(9);
    ASSERT_EQ(before.at(spouse).at("NUSUAT"), "02");
    // The question, then the declaration in use named; this fetch is cancelled.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(holder, fetch_keys(spouse) + "ENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(shows(screens[0], "Deseja que o programa retire a marca da outra declaração?"));
    EXPECT_TRUE(shows(screens[1], "em uso no terminal 02"));
    const auto after = o.dbfread(9);
    EXPECT_EQ(after.at(spouse), before.at(spouse));
    EXPECT_EQ(after.at(holder).at("I9_4"), "N");
    EXPECT_EQ(num(after.at(holder).at("I13_1C")), "0.00");
}

TEST(SpouseEstateExit, TheFetchClearsTheMarkOfAClosedSpouseDeclarationAndTakesItsFigures) {
    Office o = couple();
    const std::string holder = o.cpf(0), spouse = o.cpf(1);
    const Fields theirs = o.dbfread(9).at(spouse);
    const std::vector<Screen> screens =
        snapped(o, in_declaration(holder, fetch_keys(spouse) + "ESC\n"));
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(shows(screens[0], "Deseja que o programa retire a marca da outra declaração?"));
    const auto after = o.dbfread(9);
    EXPECT_EQ(after.at(spouse).at("I9_4"), "N");
    EXPECT_EQ(num(after.at(spouse).at("I13_1C")), "0.00");
    const Fields& mine = after.at(holder);
    EXPECT_EQ(mine.at("I9_4"), "S");
    EXPECT_EQ(mine.at("I9_6"), "S");
    EXPECT_EQ(num(mine.at("I13_1C")), num(theirs.at("I13_20")));
    EXPECT_EQ(num(mine.at("I13_4C")), num(theirs.at("I13_35")));
    EXPECT_EQ(num(mine.at("I9_3")), num(theirs.at("SALDO")));
    EXPECT_EQ(dec(mine.at("I9_2")), dec(theirs.at("I13_20")) + dec(theirs.at("I13_44")) +
                                        dec(theirs.at("I13_45")) + dec(theirs.at("EXGSUSP")) -
                                        dec(theirs.at("I13_35")));
    // Reopened on terminal 02, the spouse's screen shows the mark gone.
    EXPECT_EQ(o.program("02", in_declaration(spouse, "ALT+F3\nsnap\nESC\n") + "ALT+T\nENTER\n"), 0);
    const std::vector<Screen> reopened = split_screens(o.screens());
    ASSERT_EQ(reopened.size(), 1u);
    EXPECT_EQ(substr_chars(reopened[0].at(6), 2, 42), "Buscar os valores na declaração do cônjuge");
    EXPECT_EQ(substr_chars(reopened[0].at(6), 56, 1), "N");
}

TEST(SpouseEstateExit, TheSpouseIsFoundInAnotherFolderOfTheListWhichIsRemembered) {
    Office o(1);
    const std::string holder = o.cpf(0);
    // The spouse's declaration lives in another data folder; a folder without any declaration is
    // listed before it.
    const std::string empty = o.inst.sub("vazia"), other = o.inst.sub("outra");
    tax::Declaration spouse = tax::Declaration::blank(kOtherCpf);
    spouse.set("NOMECONTR", "BIA");
    spouse.set("USAPADRAO", "N");
    spouse.set("I13_20", Decimal(20000));
    spouse.set("SALDO", Decimal(900));
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    ASSERT_TRUE(tax::write_folder(store::Env::posix(), other, {spouse}, &clock).is_ok());
    snapped(o, "");  // the terminal's folder list made
    {
        std::unique_ptr<store::Table> list;
        const std::string path =
            store::find_file(store::Env::posix(), o.inst.path(), "DIRET01.DBF");
        ASSERT_TRUE(store::Table::open(store::Env::posix(), path, {}, &list).is_ok());
        for (const std::string& folder : {empty, other}) {
            store::Record r(store::table_def(50)->layout);
            r.set("DIRETOR", folder);
            r.set("SELEC", "N");
            ASSERT_TRUE(list->append(&r).is_ok());
        }
        ASSERT_TRUE(list->close().is_ok());
        // Its index is made again from the rows at the next start.
        std::filesystem::remove(
            store::find_file(store::Env::posix(), o.inst.path(), "DIRET01.CDX"));
    }
    const std::vector<Screen> screens =
        snapped(o, in_declaration(holder, "ALT+F3\ntext " + std::string(kOtherCpf) +
                                              "\nENTER\ntext S\nENTER\nALT+F3\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Buscado em: " + other));
    EXPECT_TRUE(std::filesystem::is_empty(empty));
    const Fields mine = o.dbfread(9).at(holder);
    EXPECT_EQ(mine.at("DIRCONJU"), other);
    EXPECT_EQ(num(mine.at("I13_1C")), "20000.00");
    EXPECT_EQ(num(mine.at("I9_3")), "900.00");
    // A CPF in no folder is told, and the answer is not taken.
    const std::vector<Screen> missing =
        snapped(o, in_declaration(holder,
                                  "ALT+F3\ntext 11144477735\nENTER\ntext S\nENTER\nsnap\n"
                                  "ENTER\nESC\n"));
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_TRUE(shows(missing[0], "ATENÇÃO!CPF do conjuge não foi localizado nenhuma pasta."));
    EXPECT_EQ(num(o.dbfread(9).at(holder).at("I13_1C")), "20000.00");
}

}  // namespace
}  // namespace vorn::shell
