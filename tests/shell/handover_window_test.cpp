// The main menu's hand-over commands played headless (61 through the chooser, 62 with its marking
// list, 63 given up with Esc between declarations, 68 with its confirmation and report), and the
// hand-over on closing a declaration (always, and only with the chosen status) through the real
// program, with a fake "java" written by the test.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../tax/builder.h"
#include "office.h"
#include "shell/dispatch.h"
#include "shell/handover_window.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "tax/folder.h"
#include "ui/headless.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;
using testing::Installation;

std::string bytes_of(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream all;
    all << f.rdbuf();
    return all.str();
}

// The fake auxiliary program: writes the hash file beside its target and records the target.
void fake_java(const std::string& bin, const std::string& log) {
    fs::create_directories(bin);
    std::ofstream(bin + "/java") << "#!/bin/sh\nprintf '%s\\n' \"$3\" >> '" << log
                                 << "'\nprintf hash > \"${3%.xml}.conf\"\n";
    fs::permissions(bin + "/java", fs::perms::owner_all);
    std::ofstream(bin + "/IHash.jar") << "jar";
}

tax::Declaration employee(const char* cpf, const char* name, const char* marked = "") {
    tax::testing::Builder b(cpf);
    b.d.registry.set("NOMECONTR", name);
    b.d.registry.set("IMPRE", marked);
    b.company("60000.00", "5000.00", "6000.00", "5000.00");
    return b.d;
}

// Forwards to the screen's operator; Esc "between declarations" comes from a queue, as keys typed
// ahead would (the headless screen types keys only when the program waits for one).
class EscAhead final : public Operator {
  public:
    explicit EscAhead(Operator& inner) : inner_(inner) {}
    std::deque<bool> esc;
    void notice(NoticeKind k, std::string_view t, std::string_view x) override {
        inner_.notice(k, t, x);
    }
    bool yes_no(std::string_view t, std::string_view x, bool d) override {
        return inner_.yes_no(t, x, d);
    }
    int choose(std::string_view t, std::string_view x, const std::vector<std::string>& b,
               int d) override {
        return inner_.choose(t, x, b, d);
    }
    void status(std::string_view x) override { inner_.status(x); }
    void progress(std::string_view x) override { inner_.progress(x); }
    void progress_done() override { inner_.progress_done(); }
    bool esc_pressed() override {
        if (esc.empty()) return false;
        const bool e = esc.front();
        esc.pop_front();
        return e;
    }
    void pause(double s) override { inner_.pause(s); }

  private:
    Operator& inner_;
};

// A started terminal of an office with three declarations whose screen plays `script`.
struct Desk {
    Desk(const Installation& inst, const std::string& script)
        : clock(DateTime{Date(2026, 4, 10), 9 * 3600}),
          backend(ui::parse_key_script(script).steps, clock, snaps),
          screen(backend, clock),
          screen_op(screen),
          op(screen_op),
          indexes(screen_op),
          w(store::Env::posix(), screen_op, clock),
          app{screen, s, w, op, platform} {
        const std::string bin = inst.path() + "/bin";
        fake_java(bin, inst.path() + "/java.log");
        platform.cwd = inst.path();
        platform.vars["DIR2026"] = inst.path();
        platform.vars["HOME"] = inst.path();
        platform.vars["VORN_JAVA"] = bin + "/java";
        platform.vars["VORN_IHASH_JAR"] = bin + "/IHash.jar";
        platform.vars["VORN_IRPF_XMLNS"] = "urn:teste:irpf";
        w.index_files = &indexes;
        std::string error;
        EXPECT_TRUE(start_up(s, w, platform, std::string("01"), StartupScreens{}, &error)) << error;
        s.LOCIRPF = inst.path() + "/irpf/";
        fs::create_directories(s.LOCIRPF);
    }
    ManualClock clock;
    std::ostringstream snaps;
    ui::HeadlessBackend backend;
    ui::Screen screen;
    ui::ScreenOperator screen_op;
    EscAhead op;
    store::CdxIndexFiles indexes;
    FakePlatform platform;
    Session s;
    store::WorkAreas w;
    App app;
};

constexpr const char* kA = "11144477735";
constexpr const char* kB = "52998224725";
constexpr const char* kC = "39053344705";

// Three declarations; with `c_refused` CARLA's holds a capital gain whose buyers' names and
// numbers do not pair up, so the document stops and her hand-over is refused.
void office(const Installation& inst, bool c_refused) {
    tax::Declaration c = employee(kC, "CARLA", "S");
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    ASSERT_TRUE(tax::write_folder(store::Env::posix(), inst.path(),
                                  {employee(kA, "ANA", "S"), employee(kB, "BIA"), c}, &clock));
    if (!c_refused) return;
    store::Record gain(store::table_def(7)->layout);
    gain.set("CPF", kC);
    gain.set("BEM_NRO", Decimal(1));
    gain.set("TIPO_BEM", Decimal(1));
    gain.set("DATA_ALI", Date(2025, 5, 10));
    gain.set("MAISDE1", "S");
    gain.set("CPFNOME", "JOAO, MARIA, 52998224725");
    ASSERT_TRUE(store::Table::create(
        store::Env::posix(), inst.path() + "/" + store::table_def(7)->file_base("") + ".DBF",
        *store::table_def(7)->layout, {gain}, &clock, true));
}

bool handed_over(const Installation& inst, const std::string& cpf) {
    return fs::exists(inst.path() + "/irpf/" + cpf + "/" + cpf + "-0000000000.conf");
}

Date delivered(const Installation& inst, const std::string& cpf) {
    tax::FolderReader::Loaded l;
    EXPECT_TRUE(tax::FolderReader::read_one(store::Env::posix(), inst.path(), cpf, &l));
    return l.declaration.registry.date("DENTREGA");
}

TEST(HandoverMenu, OneDeclarationThroughTheChooserAfterTheWarning) {
    Installation inst;
    office(inst, false);
    // The warning; the CPF in the chooser; the report; Esc leaves the chooser.
    std::string snaps;
    {
        Desk d(inst, "snap\nENTER\ntext " + std::string(kB) + "\nENTER\nsnap\nENTER\nESC\n");
        MENUSELECT(d.app, 61);
        snaps = d.snaps.str();
    }
    EXPECT_NE(snaps.find("Evite enviar declarações para a Receita com o IRPF sendo"),
              std::string::npos)
        << snaps;
    EXPECT_NE(snaps.find("A declaração foi transferida para o programa da receita!"),
              std::string::npos)
        << snaps;
    EXPECT_TRUE(handed_over(inst, kB));
    EXPECT_FALSE(handed_over(inst, kA));
    EXPECT_EQ(delivered(inst, kB), Date(2026, 4, 10));
    EXPECT_EQ(bytes_of(inst.path() + "/java.log"),
              inst.path() + "/irpf/" + kB + "/" + kB + "-0000000000.xml\n");

    // Without a government folder the command says where to set it and sends nothing.
    Desk none(inst, "snap\nENTER\n");
    none.s.LOCIRPF.clear();
    MENUSELECT(none.app, 61);
    EXPECT_NE(none.snaps.str().find("Preencha abaixo em Pasta do IRPF a pasta do programa da "
                                    "receita"),
              std::string::npos);
}

// 62: the marking list, then the marked declarations only; one of the two fails with the
// writer's reason and is listed at the end, without touching the other.
TEST(HandoverMenu, TheMarkedDeclarationsWithOneFailureListedAtTheEnd) {
    Installation inst;
    office(inst, true);
    // The list (left with Esc); ANA's report; CARLA's refusal; the closing list.
    Desk d(inst, "snap\nESC\nENTER\nENTER\nsnap\nENTER\n");
    MENUSELECT(d.app, 62);
    const std::string snaps = d.snaps.str();
    EXPECT_NE(snaps.find("Selecione os contribuintes para enviar para a receita."),
              std::string::npos)
        << snaps;
    EXPECT_NE(snaps.find("Não transferidas 1 de 2 declarações:"), std::string::npos) << snaps;
    EXPECT_NE(snaps.find(std::string(kC) + ": "), std::string::npos) << snaps;
    EXPECT_TRUE(handed_over(inst, kA));
    EXPECT_FALSE(handed_over(inst, kB));  // not marked
    EXPECT_FALSE(fs::exists(inst.path() + "/irpf/" + kC));
    EXPECT_TRUE(delivered(inst, kC).blank());
}

// 63: every declaration of the folder; Esc after the first asks, and "Sim" gives the rest up.
TEST(HandoverMenu, AllOfTheFolderGivenUpWithEscBetweenDeclarations) {
    Installation inst;
    office(inst, false);
    Desk d(inst, "ENTER\nsnap\nENTER\n");
    d.op.esc = {false, true};
    MENUSELECT(d.app, 63);
    EXPECT_NE(d.snaps.str().find("Abandona a transferência para a receita? "), std::string::npos)
        << d.snaps.str();
    EXPECT_TRUE(handed_over(inst, kA));
    EXPECT_FALSE(handed_over(inst, kB));
    EXPECT_FALSE(handed_over(inst, kC));
}

// 68: the confirmation, the list rebuilt from the folders handed over, the report.
TEST(HandoverMenu, RebuildingTheListConfirmsAndReports) {
    Installation inst;
    office(inst, false);
    {
        Desk d(inst, "ENTER\nENTER\nENTER\n");
        MENUSELECT(d.app, 63);
    }
    fs::remove(inst.path() + "/irpf/" + kC + "/" + kC + "-0000000000.conf");
    Desk d(inst, "snap\nENTER\nsnap\nENTER\n");
    MENUSELECT(d.app, 68);
    const std::string snaps = d.snaps.str();
    EXPECT_NE(snaps.find("perdidos nas declarações da Receita IRPF 2026"), std::string::npos)
        << snaps;
    EXPECT_NE(snaps.find("Recuperadas 2 declarações"), std::string::npos) << snaps;
    EXPECT_NE(snaps.find("Pasta Vazia  1 sem arquivo CONF"), std::string::npos) << snaps;
    const std::string list = bytes_of(inst.path() + "/irpf/iddeclaracoes.xml");
    EXPECT_NE(list.find("cpf=\"111.444.777-35\""), std::string::npos) << list;
    EXPECT_NE(list.find("cpf=\"529.982.247-25\""), std::string::npos) << list;
    EXPECT_EQ(list.find("390.533.447-05"), std::string::npos) << list;
    EXPECT_TRUE(fs::exists(inst.path() + "/irpf/" + kC + "/" + kC + "-0000000000.xml"));
}

// On closing: always (1), or only with the chosen status (2); the report goes to the status line
// and a declaration not chosen is left alone.
TEST(HandoverOnClosing, AlwaysAndOnlyWithTheChosenStatus) {
    for (int mode : {1, 2}) {
        SCOPED_TRACE("OPTTRAN " + std::to_string(mode));
        Installation inst;
        tax::Declaration a = employee(kA, "ANA"), b = employee(kB, "BIA");
        a.registry.set("ESTATUS", Decimal(3));
        b.registry.set("ESTATUS", Decimal(5));
        ManualClock clock(DateTime{Date(2026, 4, 1), 0});
        ASSERT_TRUE(tax::write_folder(store::Env::posix(), inst.path(), {a, b}, &clock));
        Desk d(inst, "");
        d.s.CONFIG.set("OPTTRAN", Decimal(mode));
        d.s.CONFIG.set("SOESTE", Decimal(5));
        for (const char* cpf : {kA, kB}) {
            const long status = std::string(cpf) == kA ? 3 : 5;
            if (sends_on_closing(d.s, status)) {
                EXPECT_TRUE(send_declaration(d.app, cpf, true));
            }
        }
        EXPECT_EQ(handed_over(inst, kA), mode == 1);
        EXPECT_TRUE(handed_over(inst, kB));
        EXPECT_EQ(delivered(inst, kB), Date(2026, 4, 10));
        EXPECT_EQ(delivered(inst, kA).blank(), mode != 1);
        d.screen.refresh();
        EXPECT_NE(d.screen.grid().text().find("Declaração de BIA foi transferida e 00 GCap"),
                  std::string::npos)
            << d.screen.grid().text();
    }
}

}  // namespace
}  // namespace vorn::shell
