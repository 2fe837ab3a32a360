// Letters on a started terminal played headless: the editor of command 53 (typing, the field menu,
// saving and reading back byte for byte, an unchanged letter never rewritten, names with folders
// refused, the page format's refusals, search), the personalised letter of the print selection
// through the real program, and the e-mails with a merged letter, one client or every marked
// client in one pass against a local SMTP server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../office/smtp_server.h"
#include "office.h"
#include "shell/dispatch.h"
#include "shell/mail_window.h"
#include "store/cdx_index.h"
#include "ui/headless.h"
#include "ui/notices.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;
using testing::Installation;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// A started terminal of the installation whose screen plays `script`.
struct Desk {
    Desk(const Installation& inst, const std::string& script)
        : clock(DateTime{Date(2026, 4, 10), 9 * 3600}),
          backend(ui::parse_key_script(script).steps, clock, snaps),
          screen(backend, clock),
          op(screen),
          indexes(op),
          w(store::Env::posix(), op, clock),
          app{screen, s, w, op, platform} {
        EXPECT_TRUE(ui::parse_key_script(script).ok()) << ui::parse_key_script(script).error;
        platform.cwd = inst.path();
        platform.vars["DIR2026"] = inst.path();
        platform.vars["HOME"] = inst.path();
        w.index_files = &indexes;
        std::string error;
        EXPECT_TRUE(start_up(s, w, platform, std::string("01"), StartupScreens{}, &error)) << error;
    }
    // Plays the script through `command`; the screens snapped.
    std::string play(const std::function<void(App&)>& command) {
        try {
            command(app);
        } catch (const ui::ScriptEnded&) {
            ADD_FAILURE() << "the script ended before the command did\n" << snaps.str();
        }
        return snaps.str();
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

bool has(const std::string& snaps, const std::string& text) {
    return snaps.find(text) != std::string::npos;
}

// Three clients: ANA and CARLA marked, BIA with a refund.
void clients(int i, tax::Declaration& d) {
    static const char* const kNames[] = {"ANA SOUZA", "BIA LIMA", "CARLA ROCHA"};
    d.registry.set("NOMECONTR", kNames[i]);
    d.registry.set("IMPRE", i == 1 ? "" : "S");
    d.registry.set("EMAIL", std::string(i == 2 ? "recusa" : "cliente") + std::to_string(i) +
                                "@exemplo.com.br");
    d.registry.set("IMPPGRE", Decimal(i == 1 ? -1234 : 500));
}

const std::string kLetter = "aviso.txt";

// Command 53 from the menu: a new letter typed with two fields, saved, saved again unchanged.
TEST(LetterEditor, TypedWithFieldsSavedAndAnUnchangedLetterIsNotRewritten) {
    Office o(1, clients);
    const std::string path = o.inst.path() + "/" + kLetter;
    {
        Desk d(o.inst,
               "ALT+A\ntext N\nCTRL+Y\ntext aviso\nENTER\n"
               "text Prezado\nALT+C\nENTER\nsnap\ntext 2\nENTER\ntext ,\nENTER\n"
               "text Seu imposto:\nF5\ntext 25\nENTER\nBACKSPACE\n"
               "F2\nsnap\nF2\nsnap\nESC\n");
        const std::string snaps = d.play([](App& app) { MENUSELECT(app, 53); });
        EXPECT_TRUE(has(snaps, "«Agen/Conta»")) << snaps;  // the field menu's list
        EXPECT_TRUE(has(snaps, "43 «DebAuto»")) << snaps;
        EXPECT_TRUE(has(snaps, "Gravação OK")) << snaps;
        EXPECT_TRUE(has(snaps, "O arquivo não foi modificado. Não será gravado.")) << snaps;
    }
    // Code page 850 on disk, no page header for the default page.
    EXPECT_EQ(slurp(path), "Prezado \xAENome\xAF ,\r\nSeu imposto: \xAEImposto\xAF");

    // Opened again and left unchanged: the file is not touched; typed and taken back: neither.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(path, old);
    {
        Desk d(o.inst,
               "ALT+A\ntext A\nCTRL+Y\ntext aviso\nENTER\nF2\nsnap\n"
               "text x\nBACKSPACE\nALT+A\ntext G\nsnap\nESC\n");
        const std::string snaps = d.play([](App& app) { MENUSELECT(app, 53); });
        EXPECT_TRUE(has(snaps, "O arquivo não foi modificado. Não será gravado.")) << snaps;
        EXPECT_FALSE(has(snaps, "Gravação OK")) << snaps;
    }
    EXPECT_EQ(fs::last_write_time(path), old);
    EXPECT_EQ(slurp(path), "Prezado \xAENome\xAF ,\r\nSeu imposto: \xAEImposto\xAF");
}

// A name with a folder part is refused and nothing is written outside the data folder; Esc on a
// changed letter asks, and "Não" leaves it unsaved.
TEST(LetterEditor, NamesWithFoldersAreRefusedAndLeavingAChangedLetterAsks) {
    Office o(1, clients);
    Desk d(o.inst,
           "ALT+A\ntext N\nCTRL+Y\ntext ../fora\nENTER\nsnap\nENTER\n"
           "ALT+A\ntext N\nCTRL+Y\ntext sub/carta\nENTER\nsnap\nENTER\n"
           "ALT+A\ntext N\nCTRL+Y\ntext rascunho\nENTER\ntext texto\nESC\nsnap\nRIGHT\nENTER\n");
    const std::string snaps = d.play([](App& app) { MENUSELECT(app, 53); });
    EXPECT_TRUE(has(snaps, "Nome de carta inválido: ../fora")) << snaps;
    EXPECT_TRUE(has(snaps, "Nome de carta inválido: sub/carta")) << snaps;
    EXPECT_TRUE(has(snaps, "A carta foi alterada. Grava as alterações?")) << snaps;
    EXPECT_FALSE(fs::exists(fs::path(o.inst.path()).parent_path() / "fora.txt"));
    EXPECT_FALSE(fs::exists(o.inst.path() + "/rascunho.txt"));
}

// The page format refuses non-digits and a page left without lines, then takes the settings;
// search finds without case or accents and again from the cursor on.
TEST(LetterEditor, FormatRefusalsThenTheHeaderAndSearch) {
    Office o(1, clients);
    const std::string path = o.inst.path() + "/" + kLetter;
    std::ofstream(path, std::ios::binary) << "Declaração entregue.\r\nDECLARACAO: ok";
    const std::string format = "ALT+F\nENTER\nENTER\nENTER\n";
    Desk d(o.inst,
           "ALT+A\ntext A\nCTRL+Y\ntext aviso\nENTER\n" + format +
               "CTRL+Y\ntext 8x\nENTER\nENTER\nENTER\nENTER\nsnap\nENTER\n"  // refused
               "ENTER\nENTER\nCTRL+Y\ntext 80\nENTER\nENTER\nCTRL+Y\ntext 40\nENTER\n"
               "CTRL+Y\ntext 30\nENTER\nsnap\nENTER\n"  // no lines left
               "ENTER\nENTER\nENTER\nENTER\nCTRL+Y\ntext 3\nENTER\nCTRL+Y\ntext 3\nENTER\n"
               "ALT+P\ntext P\nCTRL+Y\ntext declaracao\nENTER\nF3\nsnap\ntext #\n"
               "F2\nsnap\nESC\n");
    const std::string snaps = d.play([](App& app) { MENUSELECT(app, 53); });
    EXPECT_TRUE(has(snaps, "Margens e tamanhos da página só com números")) << snaps;
    EXPECT_TRUE(has(snaps, "As margens superior e inferior não deixam linhas para o texto"))
        << snaps;
    EXPECT_TRUE(has(snaps, "Lin 2 Col 1 ")) << snaps;
    EXPECT_TRUE(has(snaps, "Gravação OK")) << snaps;
    EXPECT_EQ(slurp(path),
              "\xB2\xB3"
              "000000080660303\xB3\xB2"
              "Declara\x87\xC6o entregue.\r\n#DECLARACAO: ok");
}

// Print item 8 for the marked clients (44,2) through the menu: the letter asked, merged with
// each marked client's registry on a page of its own, handed to the external print program.
TEST(LetterPrint, PersonalisedLetterForTheMarkedClientsThroughTheMenu) {
    Office o(3, clients);
    const std::string bin = o.inst.sub("bin");
    o.environment = "PATH='" + bin + "':\"$PATH\" ";
    std::ofstream(bin + "/lp") << "#!/bin/sh\necho \"$@\" >> '" << o.inst.path() << "/lp.args'\n";
    fs::permissions(bin + "/lp", fs::perms::owner_all);
    std::ofstream(o.inst.path() + "/" + kLetter, std::ios::binary)
        << "Prezado(a) \xAENome\xAF,\r\n\xAEImposto\xAF e de novo \xAENome\xAF.\r\n";
    std::string keys = "ALT+S\nENTER\n";
    for (int k = 1; k < 8; ++k) keys += "DOWN\n";
    keys +=
        "ENTER\nALT+S\nDOWN\nDOWN\nDOWN\nENTER\nDOWN\nENTER\n"
        "ALT+S\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\nsnap\nCTRL+Y\ntext aviso\nENTER\n";
    const auto screens = snapped(o, keys);
    ASSERT_FALSE(screens.empty());
    EXPECT_TRUE(shows(screens[0], "Nome da carta na pasta de dados:")) << all(screens);
    const std::string text = slurp(o.inst.path() + "/NAO-DOS.TXT");
    EXPECT_EQ(text,
              "Prezado(a) ANA SOUZA,\nImposto         500,00 e de novo ANA SOUZA.\n\f"
              "Prezado(a) CARLA ROCHA,\nImposto         500,00 e de novo CARLA ROCHA.\n")
        << text;
    EXPECT_TRUE(fs::exists(o.inst.path() + "/lp.args"));
}

// The e-mail server of an office whose account does not memorise its password.
struct MailOffice {
    Office o{3, clients};
    mail_testing::SmtpServer server{fs::path(o.inst.path()) / "smtp", "starttls"};
    void account(Desk& d) {
        d.s.DEFINE.set("SER_SMTP", "smtp://127.0.0.1:" + server.port);
        d.s.DEFINE.set("NOM_USUA", "escritorio");
        d.s.DEFINE.set("EMA_USUA", "escritorio@exemplo.com.br");
        d.s.DEFINE.set("MEMORIZ", "N");
        d.s.DEFINE.set("SEN_USUA", "");
        d.platform.vars["VORN_CA_FILE"] = (server.dir / "cert.pem").string();
    }
};

// The body of a message as Python's e-mail parser reads it.
std::string body_of(const mail_testing::SmtpServer& server, int n) {
    return mail_testing::run(
        "/usr/bin/python3 -c 'import email,email.policy,sys;"
        "m=email.message_from_binary_file(open(sys.argv[1],\"rb\"),policy=email.policy.default);"
        "print(m[\"to\"]);print(m.get_body().get_content())' '" +
        (server.dir / ("messages-" + std::to_string(n) + ".eml")).string() + "'");
}

// Every file under `dir` that holds `text`.
std::vector<std::string> files_holding(const std::string& dir, const std::string& text) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && slurp(e.path().string()).find(text) != std::string::npos)
            out.push_back(e.path().string());
    return out;
}

// 34,2 with the letter flag: the letter picked and merged with the client into the body.
TEST(LetterMail, PreparedMessageCarriesTheMergedLetter) {
    MailOffice m;
    std::ofstream(m.o.inst.path() + "/" + kLetter, std::ios::binary)
        << "Caro \xAENome\xAF, seu resultado: \xAEImposto\xAF\r\n";
    Desk d(m.o.inst, "text " + m.o.cpf(1) +
                         "\nENTER\nENTER\ntext Resultado\nENTER\nENTER\nENTER\ntext S\nENTER\n"
                         "ENTER\nENTER\nCTRL+Y\ntext aviso\nENTER\ntext segredo\nENTER\nsnap\n"
                         "ENTER\nRIGHT\nENTER\n");
    m.account(d);
    const std::string snaps = d.play([](App& app) { GERA_EMAIL(app, 2); });
    EXPECT_TRUE(has(snaps, "Email enviado")) << snaps;
    EXPECT_EQ(
        body_of(m.server, 1),
        "cliente1@exemplo.com.br\nCaro BIA LIMA, seu resultado: Devolucao       1.234,00\r\n\n")
        << snaps;
    EXPECT_FALSE(has(snaps, "segredo"));
}

// 34,4: the letter to every marked client in one pass, the password asked once; CARLA's address
// is refused by the server and listed as not sent; the password is in no file of the office.
TEST(LetterMail, EveryMarkedClientInOnePassWithTheSentAndFailedListed) {
    MailOffice m;
    std::ofstream(m.o.inst.path() + "/" + kLetter, std::ios::binary)
        << "Caro \xAENome\xAF, seu resultado: \xAEImposto\xAF\r\n";
    Desk d(m.o.inst,
           "text Resultado 2026\nENTER\nENTER\nENTER\nENTER\nENTER\n"  // fields, confirmation
           "CTRL+Y\ntext aviso\nENTER\ntext segredo\nENTER\nsnap\nENTER\n");
    m.account(d);
    const std::string snaps = d.play([](App& app) { GERA_EMAIL(app, 4); });
    EXPECT_TRUE(has(snaps, "Emails enviados: 1 de 2")) << snaps;
    EXPECT_TRUE(has(snaps, "ANA SOUZA <cliente0@exemplo.com.br>")) << snaps;
    EXPECT_TRUE(has(snaps, "Não enviados: 1")) << snaps;
    EXPECT_TRUE(has(snaps, "CARLA ROCHA: Error: ")) << snaps;
    EXPECT_EQ(
        body_of(m.server, 1),
        "cliente0@exemplo.com.br\nCaro ANA SOUZA, seu resultado: Imposto         500,00\r\n\n");
    EXPECT_FALSE(fs::exists(m.server.dir / "messages-2.eml"));
    // The password typed once served both sendings; BIA (not marked) got nothing.
    const std::string log = m.server.commands();
    EXPECT_EQ(log.find("cliente1@"), std::string::npos) << log;
    EXPECT_NE(log.find("RCPT refused recusa2@exemplo.com.br"), std::string::npos) << log;
    EXPECT_FALSE(has(snaps, "segredo"));
    EXPECT_EQ(files_holding(m.o.inst.path(), "segredo"), std::vector<std::string>{}) << snaps;
}

// Neither or both of the findings and the letter are refused; without a server the pass ends
// before anything is asked or sent.
TEST(LetterMail, TheMarkedPassNeedsOneBodyAndAConfiguredAccount) {
    Office o(2, clients);
    Desk d(o.inst,
           "ENTER\nENTER\ntext S\nENTER\nENTER\nsnap\nENTER\n"  // both marked
           "ENTER\nENTER\ntext N\nENTER\nENTER\nENTER\nsnap\nENTER\n");
    d.s.DEFINE.set("NOM_USUA", "escritorio");
    d.s.DEFINE.set("SER_SMTP", "");
    const std::string snaps = d.play([](App& app) { GERA_EMAIL(app, 4); });
    EXPECT_TRUE(has(snaps, "Marque com S as pendências ou a carta: uma delas.")) << snaps;
    EXPECT_TRUE(has(snaps, "Falta configurar o servidor SMTP do email")) << snaps;
    EXPECT_FALSE(has(snaps, "Informe a senha"));
}

}  // namespace
}  // namespace vorn::shell
