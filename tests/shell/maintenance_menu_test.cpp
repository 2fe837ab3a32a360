// The main menu's maintenance commands played headless on a started terminal: deleting one
// declaration through the chooser, the marked ones, the rural activity of the marked ones, and
// recovering what was deleted; the compressed backup of a folder and its restore, the direct copy
// of every folder of the list onto the backup drive; a restore cut short finished at start-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../tax/builder.h"
#include "maintenance/backup.h"
#include "maintenance/check.h"
#include "office.h"
#include "shell/dispatch.h"
#include "shell/folders.h"
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
         std::map<std::string, std::string> vars = {})
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
        EXPECT_TRUE(start_up(s, w, platform, std::string("01"), StartupScreens{}, &error)) << error;
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
    EXPECT_NE(snaps.find("Retire da lista " + there), std::string::npos) << snaps;
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

}  // namespace
}  // namespace vorn::shell
