// The main menu's deletion commands played headless on a started terminal: one declaration
// through the chooser, the marked ones, the rural activity of the marked ones, and the recovery
// of what was deleted.
#include <gtest/gtest.h>

#include <sstream>

#include "../tax/builder.h"
#include "office.h"
#include "shell/dispatch.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "tax/folder.h"
#include "ui/headless.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

using testing::Installation;

struct Desk {
    Desk(const Installation& inst, const std::string& script)
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

}  // namespace
}  // namespace vorn::shell
