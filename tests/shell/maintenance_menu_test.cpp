// The main menu's maintenance commands played headless on a started terminal: deleting one
// declaration through the chooser, the marked ones, the rural activity of the marked ones, and
// recovering what was deleted; the compressed backup of a folder and its restore, the direct copy
// of every folder of the list onto the backup drive; a restore cut short finished at start-up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../tax/builder.h"
#include "entry/selic_register.h"
#include "maintenance/backup.h"
#include "maintenance/check.h"
#include "office.h"
#include "output/https.h"
#include "shell/dispatch.h"
#include "shell/folders.h"
#include "shell/printout_menu.h"
#include "shell/update_window.h"
#include "shell/utilities_window.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/opening.h"
#include "tax/folder.h"
#include "ui/headless.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

using testing::Installation;

namespace fs = std::filesystem;

struct Desk {
    Desk(const Installation& inst, const std::string& script,
         std::map<std::string, std::string> vars = {}, const std::string& nusu = "01")
        : clock(DateTime{Date(2026, 4, 10), 9 * 3600}),
          backend(ui::parse_key_script(script).steps, clock, snaps),
          screen(backend, clock),
          op(screen),
          indexes(op),
          w(store::Env::posix(), op, clock),
          app{screen, s, w, op, platform} {
        platform.cwd = inst.path();
        platform.vars["DIR2026"] = inst.path();
        platform.vars["HOME"] = inst.path();
        for (auto& [k, v] : vars) platform.vars[k] = v;
        w.index_files = &indexes;
        std::string error;
        EXPECT_TRUE(start_up(s, w, platform, nusu, StartupScreens{}, &error)) << error;
    }
    ManualClock clock;
    std::ostringstream snaps;
    ui::HeadlessBackend backend;
    ui::Screen screen;
    ui::ScreenOperator op;
    store::CdxIndexFiles indexes;
    FakePlatform platform;
    Session s;
    store::WorkAreas w;
    App app;
};

constexpr const char* kA = "11144477735";
constexpr const char* kB = "52998224725";
constexpr const char* kC = "39053344705";

tax::Declaration client(const char* cpf, const char* name, bool rural = false) {
    tax::testing::Builder b(cpf);
    b.d.registry.set("NOMECONTR", name);
    b.d.registry.set("TEMRURAL", rural ? "S" : "N");
    b.company("60000.00", "5000.00", "6000.00", "5000.00");
    return b.d;
}

void office(const Installation& inst) {
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    ASSERT_TRUE(tax::write_folder(store::Env::posix(), inst.path(),
                                  {client(kA, "ANA", true), client(kB, "BIA"), client(kC, "CARLA")},
                                  &clock));
}

// The clients of the folder's registry, live ones, with their rural mark.
std::map<std::string, std::string> registry(const Installation& inst) {
    std::unique_ptr<store::Table> t;
    EXPECT_TRUE(store::Table::open(store::Env::posix(),
                                   store::data_table_path(store::Env::posix(), inst.path(), 9),
                                   store::OpenOptions{}, &t)
                    .is_ok());
    std::map<std::string, std::string> out;
    EXPECT_TRUE(t->scan_rows([&](uint32_t, std::string_view row) {
                     if (row[0] == '*') return;
                     out[std::string(row.substr(1, 11))] = "";
                 }).is_ok());
    uint32_t n = 0;
    EXPECT_TRUE(t->record_count(&n).is_ok());
    for (uint32_t k = 1; k <= n; ++k) {
        EXPECT_TRUE(t->go_to(k).is_ok());
        if (!t->deleted()) out[t->str("CPF")] = t->str("TEMRURAL");
    }
    EXPECT_TRUE(t->close().is_ok());
    return out;
}

TEST(DeletionMenu, OneThroughTheChooserThenRecoveredWithTheCountAsked) {
    Installation inst;
    office(inst);
    {
        // The list by name: ANA, BIA, CARLA; BIA; the confirmation answered Sim; the report.
        Desk d(inst, "DOWN\nENTER\nsnap\ntext S\nsnap\nENTER\n");
        MENUSELECT(d.app, 16, 1, 2);
        const std::string snaps = d.snaps.str();
        EXPECT_NE(snaps.find("Confirma exclusao do CPF 529.982.247-25"), std::string::npos)
            << snaps;
        EXPECT_NE(snaps.find("Nome:BIA"), std::string::npos) << snaps;
        EXPECT_NE(snaps.find("Excluida a declaração de BIA"), std::string::npos) << snaps;
    }
    EXPECT_EQ(registry(inst).count(kB), 0u);
    EXPECT_EQ(registry(inst).size(), 2u);
    {
        Desk d(inst, "snap\ntext S\n");
        MENUSELECT(d.app, 16, 3);
        EXPECT_NE(d.snaps.str().find("Confirme! 1 contribuinte pode ser recuperado"),
                  std::string::npos)
            << d.snaps.str();
    }
    EXPECT_EQ(registry(inst).size(), 3u);
    {
        Desk d(inst, "snap\nENTER\n");
        MENUSELECT(d.app, 16, 3);
        EXPECT_NE(d.snaps.str().find("Não há contribuinte para ser recuperado."),
                  std::string::npos);
    }
}

TEST(DeletionMenu, TheMarkedOnesAfterTheCountedConfirmationAndTheRuralOnlyList) {
    Installation inst;
    office(inst);
    {
        // Mark ANA and CARLA in the list, in CPF order (ANA, CARLA, BIA).
        Desk d(inst, "ENTER\ntext S\nENTER\nDOWN\nENTER\ntext S\nENTER\nESC\nsnap\nENTER\n");
        MENUSELECT(d.app, 16, 1, 1);
        EXPECT_NE(d.snaps.str().find("Confirma a Exclusão de 2 contribuintes?"), std::string::npos)
            << d.snaps.str();
    }
    // "Não" is the default: nothing deleted.
    EXPECT_EQ(registry(inst).size(), 3u);
    {
        Desk d(inst, "ENTER\ntext S\nENTER\nDOWN\nENTER\ntext S\nENTER\nESC\ntext S\n");
        MENUSELECT(d.app, 16, 1, 1);
    }
    EXPECT_EQ(registry(inst), (std::map<std::string, std::string>{{kB, "N"}}));

    Installation rural;
    office(rural);
    {
        // Only ANA has rural activity: the list holds her alone.
        Desk d(rural, "snap\nENTER\ntext S\nENTER\nESC\ntext S\n");
        MENUSELECT(d.app, 16, 2, 1);
        EXPECT_EQ(d.snaps.str().find("BIA"), std::string::npos);
    }
    const auto reg = registry(rural);
    EXPECT_EQ(reg.size(), 3u);
    EXPECT_EQ(reg.at(kA), "N");
    {
        Desk d(rural, "snap\nENTER\n");
        MENUSELECT(d.app, 16, 2, 1);
        EXPECT_NE(d.snaps.str().find("Não há registro para ser selecionado"), std::string::npos);
    }
}

// The declaration tables of a folder, name → bytes, without the header's date of last update and
// its flag of a structural index (opening a table whose index was removed rebuilds the index and
// sets them).
std::map<std::string, std::string> tables_of(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() == ".DBF" &&
            e.path().filename().string().rfind("IMP", 0) == 0) {
            std::ifstream f(e.path(), std::ios::binary);
            std::stringstream all;
            all << f.rdbuf();
            std::string bytes = all.str();
            if (bytes.size() > 28) {
                bytes[1] = bytes[2] = bytes[3] = bytes[28] = 0;
            }
            out[e.path().filename().string()] = bytes;
        }
    return out;
}

TEST(BackupMenu, OneFolderCompressedOnTheBackupDriveThenRestoredWithTheOldTablesKept) {
    Installation inst;
    office(inst);
    const std::string drive = inst.path() + "/pen";
    std::map<std::string, std::string> saved;
    {
        // Origin and destination proposed (accepted), the question, the report.
        Desk d(inst, "ENTER\nENTER\nsnap\nENTER\nsnap\nENTER\n", {{"VORN_DRIVE_C", drive}});
        MENUSELECT(d.app, 73, 1);
        const std::string snaps = d.snaps.str();
        EXPECT_NE(snaps.find("Compacta os dados da pasta"), std::string::npos) << snaps;
        EXPECT_NE(snaps.find("IR_ZIP26.zip"), std::string::npos) << snaps;
        EXPECT_EQ(d.s.CONFIG.date("ULTBACK"), Date(2026, 4, 10));
        saved = tables_of(inst.path());
    }
    const fs::path archive = fs::path(drive + inst.path()) / "IR_ZIP26.zip";
    ASSERT_TRUE(fs::exists(archive));

    // A client deleted afterwards comes back with the restore.
    {
        Desk d(inst, "DOWN\nENTER\ntext S\nENTER\n");
        MENUSELECT(d.app, 16, 1, 2);
    }
    ASSERT_FALSE(tables_of(inst.path()) == saved);
    {
        Desk d(inst, "ENTER\nENTER\nsnap\nENTER\nsnap\nENTER\n", {{"VORN_DRIVE_C", drive}});
        MENUSELECT(d.app, 76, 1);
        const std::string snaps = d.snaps.str();
        EXPECT_NE(snaps.find("Recupera os dados em"), std::string::npos) << snaps;
        EXPECT_NE(snaps.find("Dados recuperados em"), std::string::npos) << snaps;
        EXPECT_NE(d.w.table(9), nullptr);  // the registry open again for the chooser
    }
    EXPECT_TRUE(tables_of(inst.path()) == saved);
    EXPECT_EQ(registry(inst).size(), 3u);
}

TEST(BackupMenu, EveryFolderCopiedToTheDriveAMissingOneLeavesTheListOneOnTheDriveIsSkipped) {
    Installation inst;
    office(inst);
    const std::string drive = inst.path() + "/pen";
    const std::string gone = inst.path() + "/removida", there = drive + "/ja_no_pen";
    fs::create_directories(there);
    {
        Desk d(inst, "");
        ASSERT_TRUE(select_in_list(d.w, gone));
        ASSERT_TRUE(select_in_list(d.w, there));
        ASSERT_TRUE(select_in_list(d.w, without_slash(d.s.LOCARQ)));
    }
    // The drive letter; the folder on the drive skipped ("Sim": go on); the report.
    Desk d(inst, "text C\nENTER\nsnap\nENTER\nsnap\nENTER\n", {{"VORN_DRIVE_C", drive}});
    MENUSELECT(d.app, 71, 1, 2);
    const std::string snaps = d.snaps.str();
    // The folder's path follows on the line, wrapped when the checkout's path is long.
    EXPECT_NE(snaps.find("Retire da lista "), std::string::npos) << snaps;
    EXPECT_NE(snaps.find("Feita a cópia de uma unica pasta"), std::string::npos) << snaps;
    EXPECT_NE(snaps.find("Saltado 1 pasta"), std::string::npos) << snaps;
    EXPECT_TRUE(tables_of(drive + without_slash(d.s.LOCARQ)) == tables_of(inst.path()));
    std::vector<std::string> listed;
    for (const auto& e : folder_list(d.w)) listed.push_back(e.folder);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), gone), 0);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), there), 1);
}

TEST(BackupMenu, ARestoreCutShortIsFinishedWhenTheProgramStarts) {
    Installation inst;
    office(inst);
    const std::string medium = inst.path() + "/pen";
    maintenance::BackupResult b;
    maintenance::Archiver a{SystemProcesses::instance()};
    ASSERT_TRUE(maintenance::backup_folder(store::Env::posix(), a, inst.path(), medium, &b));
    const auto saved = tables_of(inst.path());
    {
        Desk d(inst, "DOWN\nENTER\ntext S\nENTER\n");
        MENUSELECT(d.app, 16, 1, 2);
        d.w.close_all();
    }
    maintenance::RestoreOptions o;
    o.now = DateTime{Date(2026, 4, 10), 10 * 3600};
    o.stop_after_moves = 5;
    maintenance::RestoreResult r;
    ASSERT_FALSE(maintenance::restore_folder(store::Env::posix(), a, medium, inst.path(), o, &r));
    ASSERT_TRUE(fs::exists(inst.path() + "/RESTAURA.JNL"));

    Desk d(inst, "snap\nENTER\n");
    EXPECT_NE(d.snaps.str().find("Concluída a restauração da cópia interrompida"),
              std::string::npos)
        << d.snaps.str();
    EXPECT_TRUE(tables_of(inst.path()) == saved);
    EXPECT_FALSE(fs::exists(inst.path() + "/RESTAURA.JNL"));
    EXPECT_EQ(registry(inst).size(), 3u);
}

// The findings of a CPF in the folder's notes table.
size_t findings_of(const Installation& inst, const std::string& cpf) {
    std::unique_ptr<store::Table> t;
    EXPECT_TRUE(store::Table::open(store::Env::posix(),
                                   store::data_table_path(store::Env::posix(), inst.path(), 11),
                                   store::OpenOptions{}, &t)
                    .is_ok());
    size_t n = 0;
    uint32_t count = 0;
    EXPECT_TRUE(t->record_count(&count).is_ok());
    for (uint32_t k = 1; k <= count; ++k) {
        EXPECT_TRUE(t->go_to(k).is_ok());
        n += !t->deleted() && t->str("CPF") == cpf && !t->num("CODERR").is_zero();
    }
    EXPECT_TRUE(t->close().is_ok());
    return n;
}

TEST(UtilitiesMenu, CheckOfAChosenDeclarationIsRecordedAndItsVerdictTold) {
    Installation inst;
    office(inst);
    // ANA, first by name; the verdict.
    Desk d(inst, "ENTER\nsnap\nENTER\n");
    MENUSELECT(d.app, 13);
    EXPECT_NE(d.snaps.str().find("Conferido."), std::string::npos) << d.snaps.str();
    EXPECT_GT(findings_of(inst, kA), 0u);
    EXPECT_EQ(findings_of(inst, kB), 0u);
}

TEST(UtilitiesMenu, TheCheckBeforePrintingOrHandingOverIsSilent) {
    Installation inst;
    office(inst);
    Desk d(inst, "");
    check_silently(d.app, kB);
    EXPECT_EQ(d.snaps.str(), "");  // no screen waited for a key
    EXPECT_GT(findings_of(inst, kB), 0u);
    EXPECT_EQ(findings_of(inst, kA), 0u);
}

TEST(UtilitiesMenu, NotesOfAWholeFolderPrintAfterACheckOfEachDeclaration) {
    Installation inst;
    office(inst);
    Desk d(inst, "ENTER\nENTER\nENTER\n");
    FakeProcesses printer;  // the print program takes the file
    d.app.processes = &printer;
    d.app.s.CONFIG.set("queimp", Decimal(9));  // notices and personal notes
    d.app.s.CONFIG.set("quecon", Decimal(3));  // the whole folder
    print_selected(d.app);
    EXPECT_GT(findings_of(inst, kA), 0u);
    EXPECT_GT(findings_of(inst, kB), 0u);
    std::ifstream printed(inst.path() + "/NAO-DOS.TXT", std::ios::binary);
    std::stringstream text;
    text << printed.rdbuf();
    EXPECT_FALSE(text.str().empty()) << d.snaps.str();
}

// The slips menu end to end: the bank data, one slip for a client of the folder, the remittance.
TEST(SlipsMenu, BankDataOneSlipAndTheRemittanceFile) {
    Installation inst;
    office(inst);
    Desk d(inst,
           // 33,1: branch, account, assignor, CNPJ (the CPF is skipped), portfolio; confirmed.
           "text 0057\nENTER\ntext 123457\nENTER\ntext ESCRITORIO MODELO\nENTER\n"
           "text 11222333000181\nENTER\ntext 109\nENTER\nENTER\n"
           // 33,2: payer, due today, amount, document, the reference offered; confirmed; no other.
           "text " +
               std::string(kA) +
               "\nENTER\nENTER\ntext 150.00\nENTER\ntext 1\nENTER\n"
               "ENTER\nENTER\nRIGHT\nENTER\n"
               // 33,5: the report.
               "snap\nENTER\n");
    MENUSELECT(d.app, 33, 1);
    MENUSELECT(d.app, 33, 2);
    MENUSELECT(d.app, 33, 5);
    const std::string path = inst.path() + "/C260410A.txt";
    // The path before it wraps the line anywhere.
    EXPECT_NE(d.snaps.str().find("sucesso."), std::string::npos) << d.snaps.str();
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_EQ(text.str().size(), 3u * 402) << d.snaps.str();
    EXPECT_EQ(text.str().substr(402 + 126, 13), "0000000015000");
    EXPECT_EQ(text.str().substr(402 + 220, 14), "000" + std::string(kA));
}

// "Valor a cobrar": a value the office record cannot hold writes nothing; then the rates stored.
TEST(FeesMenu, RatesTheOfficeRecordCannotHoldAreRefusedTheOthersStored) {
    Installation inst;
    office(inst);
    Desk d(inst,
           "CTRL+Y\ntext 150.00\nENTER\nENTER\nENTER\nENTER\nsnap\nENTER\n"
           "CTRL+Y\ntext 1.50\nENTER\nCTRL+Y\ntext 0.10\nENTER\nCTRL+Y\ntext 50.00\nENTER\n"
           "CTRL+Y\ntext 5\nENTER\n");
    MENUSELECT(d.app, 25);
    EXPECT_NE(d.snaps.str().find("O valor por minuto vai até 99,99"), std::string::npos)
        << d.snaps.str();
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(store::Env::posix(), inst.path() + "/DEFINE.DBF", {}, &t));
    ASSERT_TRUE(t->go_top());
    EXPECT_EQ(t->num("VAL_SEG"), Decimal::from("1.50"));
    EXPECT_EQ(t->num("VAL_BYTE"), Decimal::from("0.10"));
    EXPECT_EQ(t->num("VAL_MIN"), Decimal::from("50.00"));
    EXPECT_EQ(t->num("TEMP_DES"), Decimal(5));
    ASSERT_TRUE(t->close());
}

TEST(UtilitiesMenu, CpfChangedThroughItsWindowAndTheIndexesRebuilt) {
    Installation inst;
    office(inst);
    const std::string fresh = "86288366757";
    {
        // The old CPF, the new one, the report; Esc ends the window.
        Desk d(inst, "text " + std::string(kB) + "\nENTER\ntext " + fresh +
                         "\nENTER\nsnap\nENTER\nESC\n");
        MENUSELECT(d.app, 30);
        EXPECT_NE(d.snaps.str().find("Pronto. CPF Trocado!"), std::string::npos) << d.snaps.str();
    }
    auto reg = registry(inst);
    EXPECT_EQ(reg.count(kB), 0u);
    EXPECT_EQ(reg.count(fresh), 1u);
    {
        // The notice confirmed; the report.
        Desk d(inst, "ENTER\nsnap\nENTER\n");
        MENUSELECT(d.app, 29);
        EXPECT_NE(d.snaps.str().find("Reindexadas 1 pasta."), std::string::npos) << d.snaps.str();
        EXPECT_NE(d.w.table(9), nullptr);
    }
    EXPECT_EQ(registry(inst), reg);
}

TEST(UtilitiesMenu, StatusesCheckedAgainstTheTableTheLockAndTheWorkingFolder) {
    Installation inst;
    office(inst);
    {
        Desk d(inst, "");
        ASSERT_TRUE(store::ABERTURA(d.w, 66));
        store::Record r(d.w.table(66)->layout_ptr());
        r.set("COD", Decimal(5));
        r.set("DESCRICAO", "ENTREGUE");
        ASSERT_TRUE(d.w.table(66)->lock_table().is_ok());
        ASSERT_TRUE(d.w.table(66)->append(&r).is_ok());
        ASSERT_TRUE(d.w.table(66)->unlock().is_ok());
        d.w.close(66);
    }
    {
        // ANA's status: 7 is refused (told), 5 taken.
        Desk d(inst, "RIGHT\nRIGHT\nENTER\ntext 7\nENTER\nsnap\nENTER\ntext 5\nENTER\nESC\n");
        MENUSELECT(d.app, 27, 1);
        EXPECT_NE(d.snaps.str().find("Status 7 não cadastrado."), std::string::npos)
            << d.snaps.str();
    }
    tax::FolderReader::Loaded l;
    ASSERT_TRUE(tax::FolderReader::read_one(store::Env::posix(), inst.path(), kA, &l));
    EXPECT_EQ(l.declaration.registry.num("ESTATUS"), Decimal(5));
    {
        Desk d(inst, "text 5\nENTER\n");
        MENUSELECT(d.app, 27, 3);
        EXPECT_EQ(d.s.STATRAVA(), 5);
    }
    {
        // Esc, then the lock taken away on the question.
        Desk d(inst, "ESC\ntext S\n");
        EXPECT_EQ(d.s.STATRAVA(), 5);  // read back from the office's settings
        MENUSELECT(d.app, 27, 3);
        EXPECT_EQ(d.s.STATRAVA(), 0);
    }
    const std::string work = inst.path() + "/trabalho";
    fs::create_directories(work);
    {
        Desk d(inst, "CTRL+Y\ntext " + work + "\nENTER\n");
        MENUSELECT(d.app, 21);
        EXPECT_EQ(d.s.DIRTRAB, work);
    }
    Desk again(inst, "");
    EXPECT_EQ(again.s.DIRTRAB, work);
}

TEST(UtilitiesMenu, ExportsOfTheRegistryAndOfEveryTaxpayersAssets) {
    Installation inst;
    office(inst);
    // The report; the folder proposed; TOTAL; the count confirmed; the report.
    Desk d(inst, "snap\nENTER\nENTER\nRIGHT\nENTER\nsnap\nENTER\nsnap\nENTER\n");
    MENUSELECT(d.app, 32, 4, 1);
    const std::string work = d.s.DIRTRAB;
    ASSERT_TRUE(fs::exists(work + "/Cadastro.txt"));
    size_t lines = 0;
    {
        std::ifstream f(work + "/Cadastro.txt");
        for (std::string l; std::getline(f, l);) ++lines;
    }
    EXPECT_EQ(lines, 3u);
    MENUSELECT(d.app, 32, 1, 3);
    const std::string snaps = d.snaps.str();
    EXPECT_NE(snaps.find("Criado arquivo Cadastro.txt na pasta"), std::string::npos) << snaps;
    EXPECT_NE(snaps.find("Exporta os 3 contribuintes na pasta:"), std::string::npos) << snaps;
    EXPECT_NE(snaps.find("Criados 3 arquivos na pasta"), std::string::npos) << snaps;
    EXPECT_TRUE(fs::exists(work + "/Bens" + std::string(kA) + "ANA.xml"));
}

TEST(UtilitiesMenu, HistoryReadsTheYearItsCaptionNames) {
    Installation inst;
    office(inst);
    const fs::path programs = fs::path(inst.path()) / "ProgramasRFB";
    // One declaration transmitted for 2024: a header and its short summary.
    std::string header(1000, ' '), summary(1000, ' ');
    header.replace(0, 2, "IR").replace(8, 4, "2024").replace(21, 11, kA).replace(39, 3, "ANA");
    header.replace(120, 2, "11");
    summary.replace(0, 2, "18").replace(287, 13, "0000000100000");
    fs::create_directories(programs / "IRPF2024" / "transmitidas");
    std::ofstream(programs / "IRPF2024" / "transmitidas" / "ANA.DEC") << header << "\r\n"
                                                                      << summary << "\r\n";
    Desk d(inst, "snap\nENTER\nsnap\nENTER\n");
    d.s.LOCIRPF = (programs / "IRPF2026" / "aplicacao" / "dados").string() + "/";
    MENUSELECT(d.app, 20, 2);  // the second item, "Buscar ano 2024"
    MENUSELECT(d.app, 20, 0);  // 2025: nothing transmitted
    const std::string snaps = d.snaps.str();
    EXPECT_NE(snaps.find("Buscado dados de    1 contribuintes do anobase 2024"), std::string::npos)
        << snaps;
    EXPECT_NE(snaps.find("não existe nenhuma declaração transmitida!"), std::string::npos);
    std::map<std::string, tax::PastResult> history;
    ASSERT_TRUE(maintenance::read_history(store::Env::posix(), inst.path(), "2024", &history));
    ASSERT_EQ(history.count(kA), 1u);
    EXPECT_EQ(history.at(kA).assets, Decimal::from("1000.00"));
}

TEST(UtilitiesMenu, PartOfADeclarationCopiedIntoAnother) {
    Installation inst;
    office(inst);
    // Source, destination, "Confirme..", keep Bia's own income, the report.
    Desk d(inst, "text " + std::string(kA) + "\nENTER\ntext " + std::string(kB) +
                     "\nENTER\nsnap\nENTER\nENTER\nsnap\nENTER\n");
    MENUSELECT(d.app, 31, 5);
    const std::string snaps = d.snaps.str();
    EXPECT_NE(snaps.find("De   ANA"), std::string::npos) << snaps;
    EXPECT_NE(snaps.find("Copiado 1 registro para BIA"), std::string::npos) << snaps;
    tax::FolderReader::Loaded l;
    ASSERT_TRUE(tax::FolderReader::read_one(store::Env::posix(), inst.path(), kB, &l));
    ASSERT_NE(l.declaration.list(2), nullptr);
    EXPECT_EQ(l.declaration.list(2)->size(), 2u);
}

// A local HTTPS server with a certificate of its own: routes (path → status and body file) in a
// file, the User-Agent of each request appended to a log.
struct Server {
    fs::path dir;
    std::string port, ca;
    explicit Server(const std::string& folder) : dir(folder) {
        fs::create_directories(dir);
        std::ofstream(dir / "server.py") << R"(import http.server, ssl, sys, json
class H(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        open(sys.argv[4], 'a').write(self.headers.get('User-Agent', '') + '\n')
        r = json.load(open(sys.argv[1])).get(self.path)
        if not r:
            self.send_response(404); self.end_headers(); return
        body = open(r[1], 'rb').read()
        if r[0] == 0:  # a transfer cut off half-way
            self.send_response(200); self.send_header('Content-Length', str(2 * len(body)))
            self.end_headers(); self.wfile.write(body); self.wfile.flush(); return
        self.send_response(r[0]); self.send_header('Content-Length', str(len(body)))
        self.end_headers(); self.wfile.write(body)
    def log_message(self, *a): pass
srv = http.server.ThreadingHTTPServer(('127.0.0.1', 0), H)
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER); ctx.load_cert_chain(sys.argv[2], sys.argv[3])
srv.socket = ctx.wrap_socket(srv.socket, server_side=True)
open(sys.argv[5], 'w').write(str(srv.server_address[1]))
srv.serve_forever()
)";
        const std::string d = "'" + dir.string() + "'";
        EXPECT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + d +
                               "/key.pem -out " + d +
                               "/cert.pem -days 2 -subj /CN=127.0.0.1 -addext "
                               "subjectAltName=IP:127.0.0.1 2>/dev/null")
                                  .c_str()),
                  0);
        ca = (dir / "cert.pem").string();
        routes({});
        EXPECT_EQ(std::system(("python3 " + d + "/server.py " + d + "/routes.json " + d +
                               "/cert.pem " + d + "/key.pem " + d + "/agents.log " + d +
                               "/port & echo $! > " + d + "/pid")
                                  .c_str()),
                  0);
        for (int k = 0; k < 100 && port.empty(); ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::ifstream(dir / "port") >> port;
        }
        EXPECT_FALSE(port.empty());
    }
    ~Server() {
        std::string pid;
        std::ifstream(dir / "pid") >> pid;
        if (!pid.empty()) (void)std::system(("kill " + pid).c_str());
    }
    // path → (status, body)
    void routes(const std::map<std::string, std::pair<int, std::string>>& r) {
        std::string json = "{";
        int k = 0;
        for (const auto& [path, reply] : r) {
            const std::string file = (dir / ("body" + std::to_string(k++))).string();
            std::ofstream(file, std::ios::binary) << reply.second;
            json += std::string(json.size() > 1 ? "," : "") + "\"" + path + "\": [" +
                    std::to_string(reply.first) + ", \"" + file + "\"]";
        }
        std::ofstream(dir / "routes.json") << json << "}";
    }
    std::string url(const std::string& path) const { return "https://127.0.0.1:" + port + path; }
};

std::string status_page(const char* release, const char* date, long size) {
    std::string page = "<html>Taxas SELIC-------";  // entries 16 after the marker's S
    page.resize(page.find("SELIC") + 16, '-');
    for (int m = 1; m <= 12; ++m)
        page += "2025" + std::string(m < 10 ? "0" : "") + std::to_string(m) + ";1." +
                std::string(m < 10 ? "0" : "") + std::to_string(m) + ";";
    std::string s = std::to_string(size);
    return page + " Versao VORN26" + release + date + " " + std::string(7 - s.size(), '0') + s +
           "</html>";
}

// The months and rates of the office's interest table.
std::multimap<std::string, std::string> rates_of(const Installation& inst) {
    std::unique_ptr<store::Table> t;
    EXPECT_TRUE(store::Table::open(store::Env::posix(), inst.path() + "/UFIRM.DBF",
                                   store::OpenOptions{}, &t)
                    .is_ok());
    std::multimap<std::string, std::string> out;
    for (Status s = t->go_top(); s && !t->eof(); s = t->skip())
        out.emplace(t->str("ANOMES"), t->num("TJM").to_string(2));
    EXPECT_TRUE(t->close().is_ok());
    return out;
}

TEST(UpdateMenu, RatesStoredOnceAMonthAndTheReleaseUpToDate) {
    Installation inst;
    office(inst);
    Server server(inst.path() + "/srv");
    server.routes({{"/status", {200, status_page("2.03 ", "31/03/26", 10)}}});
    std::ofstream(inst.path() + "/brioinfo.txt") << server.url("/instal/") << "\r\n"
                                                 << server.url("/status") << "\r\n";
    const auto before = rates_of(inst);
    Desk d(inst, "snap\nENTER\nENTER\n", {{"VORN_CA_FILE", server.ca}});
    MENUSELECT(d.app, 35);
    EXPECT_NE(d.snaps.str().find("Não existe atualização no momento!"), std::string::npos)
        << d.snaps.str();
    const auto after = rates_of(inst);
    for (int m = 1; m <= 12; ++m) {
        const std::string month = "2025" + std::string(m < 10 ? "0" : "") + std::to_string(m);
        EXPECT_EQ(after.count(month), 1u) << month;  // the shipped months updated in place
        EXPECT_EQ(after.find(month)->second,
                  "1." + std::string(m < 10 ? "0" : "") + std::to_string(m));
    }
    EXPECT_EQ(after.size(), before.size() + (before.count("202512") ? 0 : 1));
    std::string agent;
    std::getline(std::ifstream(server.dir / "agents.log"), agent);
    EXPECT_EQ(agent, "Programa VORN2026");
}

TEST(UpdateMenu, ANewReleaseDownloadedWhole404AndAnUntrustedServerChangeNothing) {
    Installation inst;
    office(inst);
    Server server(inst.path() + "/srv");
    const std::string installer(5000, 'x');
    std::ofstream(inst.path() + "/brioinfo.txt") << server.url("/instal/") << "\n"
                                                 << server.url("/status") << "\n";
    // The installer is shorter than the page says: nothing is kept, the program goes on.
    server.routes({{"/status", {200, status_page("2.04 ", "30/06/26", 6000)}},
                   {"/instal/VORN2026-204.exe", {200, installer}}});
    FakeProcesses fake;
    {
        Desk d(inst, "ENTER\nENTER\nsnap\nENTER\nENTER\nENTER\n",
               {{"VORN_CA_FILE", server.ca}, {"VORN_INSTALLER", "/opt/instala"}});
        d.app.processes = &fake;
        EXPECT_FALSE(INTER(d.app, 0));
        EXPECT_NE(d.snaps.str().find("Erro na carga do arquivo na internet!"), std::string::npos)
            << d.snaps.str();
    }
    EXPECT_FALSE(fs::exists(inst.path() + "/INSTAL/VORN2026-204.exe"));
    // The right size: saved, and started by the command the office set up.
    server.routes({{"/status", {200, status_page("2.04 ", "30/06/26", 5000)}},
                   {"/instal/VORN2026-204.exe", {200, installer}}});
    {
        Desk d(inst, "ENTER\nENTER\nENTER\n",
               {{"VORN_CA_FILE", server.ca}, {"VORN_INSTALLER", "/opt/instala"}});
        d.app.processes = &fake;
        EXPECT_TRUE(INTER(d.app, 0));
    }
    EXPECT_EQ(fs::file_size(inst.path() + "/INSTAL/VORN2026-204.exe"), 5000u);
    ASSERT_EQ(fake.started.size(), 1u);
    EXPECT_EQ(fake.started[0],
              (std::vector<std::string>{"/opt/instala", inst.path() + "/INSTAL/VORN2026-204.exe"}));
    // A page the server does not have, and a server whose certificate nobody vouches for: told,
    // no rate written.
    const auto rates = rates_of(inst);
    server.routes({});
    {
        Desk d(inst, "snap\nENTER\n", {{"VORN_CA_FILE", server.ca}});
        d.s.DEFINE.set("VER_ATUAL", "N");
        EXPECT_FALSE(INTER(d.app, 0));
        EXPECT_NE(d.snaps.str().find("Erro no acesso a Internet. Tente depois!"),
                  std::string::npos);
    }
    server.routes({{"/status", {200, status_page("2.03 ", "31/03/26", 10)}}});
    {
        Desk d(inst, "snap\nENTER\n");
        d.s.DEFINE.set("VER_ATUAL", "N");
        EXPECT_FALSE(INTER(d.app, 0));
        EXPECT_NE(d.snaps.str().find("Erro no acesso a Internet. Tente depois!"),
                  std::string::npos);
    }
    EXPECT_EQ(rates_of(inst), rates);
}

// Two terminals storing the same twelve new months at the same moment, over and over: each month
// is in the table once, with the rate written last.
TEST(UpdateMenu, TwoTerminalsStoringTheSameNewMonthsLeaveOneRowEach) {
    Installation inst;
    office(inst);
    Desk a(inst, ""), b(inst, "", {}, "02");
    ASSERT_TRUE(store::ABERTURA(a.w, 51));
    ASSERT_TRUE(store::ABERTURA(b.w, 51));
    std::vector<std::pair<std::string, Decimal>> rates;
    for (int m = 1; m <= 12; ++m)
        rates.emplace_back("2026" + std::string(m < 10 ? "0" : "") + std::to_string(m),
                           Decimal::from("0.95"));
    std::atomic<int> ready{0};
    const auto store_often = [&](Desk& d) {
        ++ready;
        while (ready < 2) std::this_thread::yield();
        for (int k = 0; k < 10; ++k) EXPECT_TRUE(entry::write_selic_months(d.w, rates));
    };
    std::thread other(store_often, std::ref(b));
    store_often(a);
    other.join();
    a.w.close(51);
    b.w.close(51);
    const auto after = rates_of(inst);
    for (const auto& [month, rate] : rates) {
        EXPECT_EQ(after.count(month), 1u) << month;
        EXPECT_EQ(after.find(month)->second, "0.95");
    }
    // A malformed month writes nothing.
    ASSERT_TRUE(store::ABERTURA(a.w, 51));
    EXPECT_EQ(entry::write_selic_months(
                  a.w, {{"202601", Decimal::from("2.00")}, {"202613", Decimal::from("2.00")}})
                  .code(),
              Status::Code::kInvalid);
    a.w.close(51);
    EXPECT_EQ(rates_of(inst), after);
}

// A server that accepts the connection and then says nothing: the check gives up after the stall
// time instead of holding the terminal.
TEST(UpdateMenu, AStalledServerIsGivenUp) {
    Installation inst;
    const fs::path dir = inst.path() + "/mudo";
    fs::create_directories(dir);
    std::ofstream(dir / "mudo.py") << R"(import socket, sys, time
s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen(4)
open(sys.argv[1], 'w').write(str(s.getsockname()[1]))
conns = []
while True:
    c, _ = s.accept(); conns.append(c)
)";
    const std::string d = "'" + dir.string() + "'";
    ASSERT_EQ(
        std::system(("python3 " + d + "/mudo.py " + d + "/port & echo $! > " + d + "/pid").c_str()),
        0);
    std::string port;
    for (int k = 0; k < 100 && port.empty(); ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream(dir / "port") >> port;
    }
    ASSERT_FALSE(port.empty());
    output::HttpsRequest r;
    r.url = "https://127.0.0.1:" + port + "/status";
    r.connect_seconds = 2;
    r.low_speed_seconds = 2;
    std::string body;
    const auto start = std::chrono::steady_clock::now();
    const Status s = output::https_get(r, &body);
    const auto took = std::chrono::steady_clock::now() - start;
    std::string pid;
    std::ifstream(dir / "pid") >> pid;
    (void)std::system(("kill " + pid).c_str());
    EXPECT_EQ(s.code(), Status::Code::kIoError);
    EXPECT_NE(s.message().find(r.url), std::string::npos) << s.message();
    EXPECT_LT(took, std::chrono::seconds(20));
    EXPECT_TRUE(body.empty());

    // A page cut off half-way: refused, nothing of it kept.
    Server server(inst.path() + "/srv");
    server.routes({{"/status", {0, status_page("2.03 ", "31/03/26", 10)}}});
    r.url = server.url("/status");
    r.ca_file = server.ca;
    const Status half = output::https_get(r, &body);
    EXPECT_EQ(half.code(), Status::Code::kIoError);
    EXPECT_TRUE(body.empty());
}

}  // namespace
}  // namespace vorn::shell
