#include "shell/session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/platform.h"
#include "store/catalogue.h"

namespace vorn::shell {
namespace {

TEST(Session, NewTerminalDefaultsUseTheInstallationAndLinuxFolders) {
    store::Record c = default_config("07", "/srv/vorn/VORN2026/", "/srv/vorn/VORN2026", "/home/ana",
                                     Date(2026, 3, 2));
    EXPECT_EQ(c.str("NRO_TERM"), "07");
    EXPECT_EQ(c.str("ROTADOANO"), "/srv/vorn/VORN2026");
    EXPECT_EQ(c.str("dirtrab"), "/srv/vorn/VORN2026");
    EXPECT_EQ(c.str("ROTAANTER"), "/srv/vorn/VORN2025");
    EXPECT_EQ(c.str("ROTARECEI"), "/home/ana/ProgramasRFB/IRPF2026/aplicacao/dados");
    EXPECT_EQ(c.str("ROTAJAVA"), c.str("ROTARECEI"));
    EXPECT_EQ(c.str("ROTAREANT"), "/home/ana/ProgramasRFB/IRPF2025/transmitidas");
    EXPECT_EQ(c.date("ULTBACK"), Date(2026, 3, 2));
    EXPECT_EQ(c.str("OPCIRPF"), "J");
    EXPECT_EQ(c.str("BACKAUTO"), "S");
    EXPECT_EQ(c.num("OPC_TRAN"), Decimal(7));
    EXPECT_EQ(c.num("SOESTE"), Decimal(9));
    EXPECT_EQ(c.num("NRO_LIN"), Decimal(60));

    Session s;
    s.NUSU = "07";
    take_config(s, c);
    EXPECT_EQ(s.LOCARQ, "/srv/vorn/VORN2026/");
    EXPECT_EQ(s.DIRORIG, s.LOCARQ);
    EXPECT_EQ(s.NOMEAG, "USUARIO DO TERMINAL 07");
    // The working folder does not exist here: the data folder stands in for it.
    EXPECT_EQ(s.LOCTRAB, "/srv/vorn/VORN2026/");
    EXPECT_EQ(s.LOCIRPF, "/home/ana/ProgramasRFB/IRPF2026/aplicacao/dados/");
}

TEST(Session, OfficeRecordCorrectionsAndDollarText) {
    store::Record d = store::initial_rows(43).at(0);
    EXPECT_FALSE(correct_define(d));  // fresh record: 29/05 first, rate 5.2171
    d.set("VCTO1", Date(2026, 5, 30));
    d.set("VCTO6", Date(2026, 10, 30));
    d.set("VAL_DOLAR", Decimal::from("6.1917"));
    EXPECT_TRUE(correct_define(d));
    EXPECT_EQ(d.date("VCTO1"), Date(2026, 5, 29));
    EXPECT_EQ(d.date("VCTO6"), Date(2026, 10, 30));  // the 31st is a Saturday
    EXPECT_EQ(d.date("VCTO8"), Date(2026, 12, 30));
    EXPECT_EQ(d.num("VAL_DOLAR"), Decimal::from("5.5018"));
    // A sixth due date stored on that Saturday is mended alone; the others stay as the office
    // set them.
    d.set("VCTO6", Date(2026, 10, 31));
    d.set("VCTO7", Date(2026, 11, 27));
    EXPECT_TRUE(correct_define(d));
    EXPECT_EQ(d.date("VCTO6"), Date(2026, 10, 30));
    EXPECT_EQ(d.date("VCTO7"), Date(2026, 11, 27));
    EXPECT_FALSE(correct_define(d));
    Session s;
    take_define(s, d);
    EXPECT_EQ(s.CVALDOLAR, "5.5018");
    EXPECT_EQ(s.ADATVENC[1], Date(2026, 6, 30));
    EXPECT_EQ(s.TEMP_SAL(), 15);
}

TEST(Session, DefaultColours) {
    store::Record c = default_colours("03");
    EXPECT_EQ(c.str("NRO_TERM"), "03");
    EXPECT_EQ(c.num("COR_MENS"), Decimal(112));
    EXPECT_EQ(c.str("COR_ESC_CL"), "W/R+");
}

TEST(Platform, TerminalNumberFromArgumentVariableOrDialog) {
    FakePlatform env;
    EXPECT_EQ(terminal_source(std::string("7"), env).nusu, "07");
    env.vars["TERMINAL"] = "12";
    EXPECT_EQ(terminal_source(std::string("7"), env).nusu, "12");
    env.vars["TERMINAL"] = "1x";
    EXPECT_FALSE(terminal_source(std::nullopt, env).error.empty());
    env.vars.erase("TERMINAL");
    EXPECT_FALSE(terminal_source(std::string("123"), env).error.empty());
    EXPECT_EQ(terminal_source(std::nullopt, env).nusu, "00");  // local drive

    env.network = true;
    env.vars["USUAR"] = "ANA";
    TerminalSource t = terminal_source(std::nullopt, env);
    EXPECT_TRUE(t.nusu.empty());
    EXPECT_EQ(t.dialog_text, "ANA Informe o nro. do terminal.");
    EXPECT_EQ(t.prefill, "");
    env.vars["EQUIP"] = "5";
    t = terminal_source(std::nullopt, env);
    EXPECT_EQ(t.dialog_text, "ANA Confirme o nro. do terminal.");
    EXPECT_EQ(t.prefill, "05");
    env.vars["EQUIP"] = "0";
    EXPECT_EQ(terminal_source(std::nullopt, env).prefill, "");
}

TEST(Platform, InstallationDirectoryFromTheVariableOrTheCurrentOne) {
    FakePlatform env;
    env.cwd = "/tmp/";
    InstallDirectory d = installation_directory(env);
    EXPECT_EQ(d.dir, "/tmp");
    EXPECT_TRUE(d.notice.empty());
    env.vars["DIR2026"] = "/no/such/vorn";
    d = installation_directory(env);
    EXPECT_EQ(d.dir, "/tmp");
    EXPECT_EQ(d.notice, "<Dir> /no/such/vorn não encontrado. Assumindo o padrão!");
    EXPECT_EQ(d.variable, "/no/such/vorn");
    env.vars["DIR2026"] = std::filesystem::temp_directory_path().string() + "/";
    d = installation_directory(env);
    EXPECT_EQ(d.dir, without_slash(std::filesystem::temp_directory_path().string()));
    EXPECT_TRUE(d.notice.empty());
}

TEST(Platform, NetworkFilesystemKinds) {
    EXPECT_TRUE(network_filesystem_magic(0x6969));
    EXPECT_TRUE(network_filesystem_magic(0xFF534D42));
    EXPECT_TRUE(network_filesystem_magic(0xFE534D42));
    EXPECT_FALSE(network_filesystem_magic(0xEF53));      // ext4
    EXPECT_FALSE(network_filesystem_magic(0x01021994));  // tmpfs
    EXPECT_TRUE(network_fuse_subtype("sshfs"));
    EXPECT_FALSE(network_fuse_subtype("ntfs-3g"));
    EXPECT_FALSE(SystemPlatform().on_network("/proc"));
}

}  // namespace
}  // namespace vorn::shell
