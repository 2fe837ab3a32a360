// The main menu's dispatcher on a started terminal, its keys played headless.
#include "shell/dispatch.h"

#include <gtest/gtest.h>

#include <sstream>

#include "shell_test_util.h"
#include "store/cdx_index.h"
#include "ui/headless.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

using testing::Installation;
using testing::rows_of;

// A started terminal whose screen plays `script`.
struct Desk {
    explicit Desk(const Installation& inst, const std::string& script)
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
        w.index_files = &indexes;
        std::string error;
        EXPECT_TRUE(start_up(s, w, platform, std::string("01"), StartupScreens{}, &error));
    }
    store::Record config(const Installation& inst) {
        return rows_of(inst.path() + "/CONFIG.DBF").at(0);
    }
    std::string screen_text() {
        screen.refresh();
        return screen.grid().text();
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

TEST(Dispatch, LinesPerSheetOutsideTheLimitsBecome60WithTheNotice) {
    Installation inst;
    for (const char* typed : {"49", "67"}) {
        Desk d(inst, std::string("text ") + typed + "\nENTER\nsnap\nENTER\n");
        MENUSELECT(d.app, 54);
        EXPECT_NE(d.snaps.str().find("Número esta fora dos limites. Assumido 60"),
                  std::string::npos)
            << d.snaps.str();
        EXPECT_EQ(d.config(inst).num("NRO_LIN"), Decimal(60));
    }
    Desk d(inst, "text 55\nENTER\n");
    MENUSELECT(d.app, 54);
    EXPECT_EQ(d.config(inst).num("NRO_LIN"), Decimal(55));
    EXPECT_EQ(d.s.NROLINHAS, 55);
}

TEST(Dispatch, PrintSelectionKeepsSheetTypesAndPagesWithinTheItem) {
    Installation inst;
    Desk d(inst, "");
    MENUSELECT(d.app, 41, 1);  // the declaration: one sheet type
    MENUSELECT(d.app, 42, 3);
    EXPECT_EQ(d.config(inst).num("quemod"), Decimal(1));
    MENUSELECT(d.app, 41, 5);  // DARF: four sheet types
    MENUSELECT(d.app, 44, 3);
    MENUSELECT(d.app, 42, 3);
    EXPECT_EQ(d.config(inst).num("queimp"), Decimal(5));
    EXPECT_EQ(d.config(inst).num("quemod"), Decimal(3));
    EXPECT_EQ(d.config(inst).num("quecon"), Decimal(1));  // reset by the sheet type
    MENUSELECT(d.app, 43, 2);                             // DARF has one page choice
    EXPECT_EQ(d.config(inst).num("quepag"), Decimal(1));
}

TEST(Dispatch, NothingRunsWhileADeclarationIsOpenNorWhatThisBuildLacks) {
    Installation inst;
    Desk d(inst, "snap\n");
    d.s.LESTOUNADECL = true;
    MENUSELECT(d.app, 54);  // would ask for the lines
    EXPECT_EQ(d.s.OPCAO_1, 54);
    d.s.LESTOUNADECL = false;
    MENUSELECT(d.app, 14);         // the office diary: not in this build
    MENUSELECT(d.app, 20, 1);      // the messaging list: not in this build either
    EXPECT_EQ(d.snaps.str(), "");  // no screen waited for a key
    EXPECT_EQ(d.config(inst).num("NRO_LIN"), Decimal(60));
}

TEST(Dispatch, MenuStyleClosingChoiceTransferOptionsAndProcessor) {
    Installation inst;
    // 36,1 "Não": the text top bar; 36,2 "Sim": back to the main menu after closing; 65,1 always
    // send; 77 "Sim": the 32-bit archiver.
    Desk d(inst, "RIGHT\nENTER\nENTER\nENTER\nENTER\nENTER\n");
    MENUSELECT(d.app, 36, 1);
    MENUSELECT(d.app, 36, 2);
    MENUSELECT(d.app, 65, 1);
    MENUSELECT(d.app, 77);
    store::Record c = d.config(inst);
    EXPECT_EQ(c.str("OPCIRPF"), "N");
    EXPECT_EQ(c.num("OPCFIM"), Decimal(1));
    EXPECT_EQ(c.num("OPTTRAN"), Decimal(1));
    EXPECT_EQ(rows_of(inst.path() + "/DEFINE.DBF").at(0).str("PROCESSA"), "S");
}

TEST(Dispatch, UpdatingTheDataBaseRemovesTheTerminalsWorkingTables) {
    Installation inst;
    {
        Desk d(inst, "");
        store::Declaration decl(d.w, {d.s.DIRTRAB, d.s.NOMEAG});
        ASSERT_TRUE(decl.load("12345678909", store::LoadMode::kNew, true).is_ok());
        ASSERT_TRUE(decl.save(true).is_ok());
    }
    EXPECT_TRUE(std::filesystem::exists(inst.path() + "/TMP_0401.DBF"));
    Desk d(inst, "snap\nENTER\n");
    update_data_base(d.app);
    EXPECT_NE(d.snaps.str().find("Todos Arquivos já estão atualizados"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(inst.path() + "/TMP_0401.DBF"));
    EXPECT_FALSE(std::filesystem::exists(inst.path() + "/TMP_0401.CDX"));
    EXPECT_NE(d.w.table(9), nullptr);  // the registry of the folder is open again
}

}  // namespace
}  // namespace vorn::shell
