// The real program driven headless by key scripts, one process per terminal: creating a client,
// leaving, reopening; periodic saving; several terminals at once; a terminal killed with a
// declaration open or in the middle of a save; the same terminal number twice.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../ui/harness.h"
#include "base/text.h"
#include "base/validate.h"
#include "shell_test_util.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/opening.h"
#include "ui/desktop.h"

namespace vorn::shell {
namespace {

using testing::Installation;
using testing::rows_of;

constexpr const char* kAna = "12345678909";
constexpr const char* kBia = "98765432100";
const std::string kSpouse = "529982247" + cpf_check_digits("529982247");

struct Result {
    int status = -1;
    std::vector<std::string> snaps;
    std::string last() const { return snaps.empty() ? std::string() : snaps.back(); }
    bool shows(const std::string& text) const {
        for (const auto& s : snaps)
            if (s.find(text) != std::string::npos) return true;
        return false;
    }
};

class Office {
  public:
    // Starts `vorn2026 NN --keys` in the installation; returns its process id.
    pid_t spawn(const std::string& nusu, const std::string& script, const std::string& tag) {
        std::string keys = inst.path() + "/" + tag + ".keys";
        std::ofstream(keys) << script;
        std::string out = inst.path() + "/" + tag + ".screens";
        pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(inst.path().c_str()) != 0) ::_exit(100);
            ::setenv("DIR2026", inst.path().c_str(), 1);
            ::setenv("HOME", (home.empty() ? inst.path() : home).c_str(), 1);
            ::unsetenv("TERMINAL");
            std::string bin = std::string(VORN_BINARY_DIR) + "/vorn2026";
            ::execl(bin.c_str(), bin.c_str(), nusu.c_str(), "--keys", keys.c_str(), "--screens",
                    out.c_str(), "--now", now.c_str(), static_cast<char*>(nullptr));
            ::_exit(101);
        }
        return pid;
    }
    Result wait(pid_t pid, const std::string& tag) {
        Result r;
        int status = 0;
        ::waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        std::ifstream in(inst.path() + "/" + tag + ".screens");
        std::stringstream all;
        all << in.rdbuf();
        std::string text = all.str(), snap;
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find("----\n", at);
            if (end == std::string::npos) break;
            r.snaps.push_back(text.substr(at, end - at));
            at = end + 5;
        }
        return r;
    }
    Result run(const std::string& nusu, const std::string& script) {
        std::string tag = "run" + std::to_string(++runs_);
        return wait(spawn(nusu, script, tag), tag);
    }
    std::string data(int n) const {
        return store::data_table_path(store::Env::posix(), inst.path(), n);
    }
    store::Record registry(const std::string& cpf) const {
        for (auto& r : rows_of(data(9)))
            if (r.str("CPF") == cpf) return r;
        ADD_FAILURE() << "no registry record for " << cpf;
        return store::Record(store::table_def(9)->layout);
    }
    // Locks a whole table shared with the other terminals, as a terminal writing to it does.
    std::unique_ptr<store::Table> lock(const std::string& path) {
        std::unique_ptr<store::Table> t;
        EXPECT_TRUE(store::Table::open(store::Env::posix(), path, {}, &t).is_ok()) << path;
        EXPECT_TRUE(t->lock_table().is_ok()) << path;
        return t;
    }
    // The usage log, made (with its indexes) as the program makes it.
    std::string usage_log() {
        ScriptedOperator op;
        SystemClock clock;
        store::CdxIndexFiles files(op);
        store::WorkAreas w(store::Env::posix(), op, clock);
        w.ARQDEF = w.LOCARQ = inst.path();
        w.index_files = &files;
        EXPECT_TRUE(store::ABERTURA(w, 73));
        return inst.path() + "/USOLOG.DBF";
    }
    // Holds a table file open exclusively, as a terminal copying a declaration in or out does.
    std::unique_ptr<store::Table> hold(const std::string& path) {
        std::unique_ptr<store::Table> t;
        store::OpenOptions o;
        o.exclusive = true;
        EXPECT_TRUE(store::Table::open(store::Env::posix(), path, o, &t).is_ok()) << path;
        return t;
    }

    Installation inst;
    std::string now = "2026-04-10 09:00:00";
    std::string home;  // the terminal's HOME; the installation when empty

  private:
    int runs_ = 0;
};

// From the main menu: the chooser, a CPF, and its declaration opened (a new one included, on its
// identification screen).
std::string open_client(const std::string& cpf, bool is_new) {
    return "ALT+I\ntext " + cpf + "\nENTER\n" + (is_new ? "ENTER\n" : "");
}
// From the declaration menu: the end of the declaration with "Sim", back to the main menu and
// the end of the program.
const char* kLeaveAndExit = "ALT+T\nENTER\nESC\nALT+T\nENTER\n";

// Screen 6 (where a new client opens) with the identification, up to the NIT (the last field).
std::string fill_identification() {
    std::string s;
    auto type = [&](const std::string& text) { s += "text " + text + "\nENTER\n"; };
    type("N");              // rural activity
    type("ANA DE SOUZA");   // name
    type("29021980");       // birth
    type("S");              // spouse
    type("2");              // kind of relationship
    type(kSpouse);          // spouse's CPF
    type("N");              // amending
    type("30042026");       // delivery
    type("1234567890");     // this year's receipt: ten digits, its check digits come by themselves
    s += "ENTER\n";         // last year's receipt
    type("1");              // current account
    type("341");            // bank
    type("1234");           // branch
    type("123456");         // account
    type("4");              // race
    type("N");              // illness
    type("N");              // resident again
    s += "ENTER\nENTER\n";  // address in Brazil, not abroad
    type("S");              // new address
    type("01310100");       // postal code
    type("AVENIDA");        // street kind
    type("PAULISTA");       // street
    type("1000");           // number
    type("CJ 1");           // complement
    type("BELA VISTA");     // district
    type("SP");             // state
    type("SAO PAULO");      // municipality
    type("11");             // telephone
    type("32221111");
    type("S");  // send the mobile
    type("11");
    type("998887777");
    type("ana@exemplo.com.br");  // e-mail
    type("11");                  // nature of the occupation
    type("212");                 // occupation
    s += "ENTER\n";              // professional registration
    return s;                    // on the NIT, the last field
}

// The NIT accepted, the read ends and the declaration menu comes back.
const char* kLastField = "ENTER\n";

// From the declaration menu: screen 6, the rural activity kept, a new name, back to the menu.
std::string rename(const std::string& name) {
    return "F6\nENTER\nCTRL+Y\ntext " + name + "\nENTER\nESC\n";
}
// At start-up, the notice of a declaration this terminal left unfinished, closed.
const char* kUnfinishedNotice = "ENTER\n";

TEST(Program, ANewClientIsCreatedNamedSavedAndFoundAgain) {
    Office o;
    Result r = o.run("01", open_client(kAna, true) + fill_identification() + "snap\n" + kLastField +
                               kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_FALSE(r.snaps.empty());
    EXPECT_NE(r.snaps[0].find("CPF: 123.456.789-09"), std::string::npos) << r.snaps[0];
    store::Record reg = o.registry(kAna);
    EXPECT_EQ(reg.str("NOMECONTR"), "ANA DE SOUZA");
    EXPECT_EQ(reg.date("NASCIMENTO"), Date(1980, 2, 29));
    EXPECT_EQ(reg.str("TEMCONJU"), "S");
    EXPECT_EQ(reg.num("TIPOREL"), Decimal(2));
    EXPECT_EQ(reg.str("CPFCONJU"), kSpouse);
    EXPECT_EQ(reg.date("DENTREGA"), Date(2026, 4, 30));
    EXPECT_EQ(reg.str("RECIBOATU"), receipt_with_check_digits("1234567890"));
    EXPECT_EQ(reg.num("TIPOCONTA"), Decimal(1));
    EXPECT_EQ(reg.str("BANCO"), "341");
    EXPECT_EQ(reg.str("AGENCIA"), "1234");
    EXPECT_EQ(reg.num("RACA"), Decimal(4));
    EXPECT_EQ(reg.str("EBRASIL"), "S");
    EXPECT_EQ(reg.str("EXTERIOR"), "N");
    EXPECT_EQ(reg.str("CEP"), "01310100");
    EXPECT_EQ(reg.str("UF"), "SP");
    EXPECT_EQ(reg.str("CODMUNI"), "7107");
    EXPECT_EQ(reg.str("TELCELU"), "998887777");
    EXPECT_EQ(reg.str("EMAIL"), "ana@exemplo.com.br");
    EXPECT_EQ(reg.str("CODAT"), "11");
    EXPECT_EQ(reg.str("CDPRO"), "212");
    EXPECT_NE(reg.str("OCUPACAO").find("Analista de sistemas"), std::string::npos);
    EXPECT_EQ(reg.str("NUSUAT"), "");
    EXPECT_EQ(reg.num("ESTATUS"), Decimal(2));
    EXPECT_EQ(rows_of(o.data(1)).size(), 1u);
    EXPECT_EQ(rows_of(o.inst.path() + "/USOLOG.DBF").size(), 1u);

    // Another terminal reopens it and finds every value on the screen.
    Result again = o.run("02", open_client(kAna, false) + "F6\nsnap\nESC\n" + kLeaveAndExit);
    EXPECT_EQ(again.status, 0) << again.last();
    ASSERT_FALSE(again.snaps.empty());
    const std::string& screen = again.snaps[0];
    for (const char* shown :
         {"ANA DE SOUZA", "29/02/1980", "529.982.247-25", "30/04/2026", "AVENIDA", "PAULISTA",
          "BELA VISTA", "ana@exemplo.com.br", "Analista de sistemas", "46 anos e 01 meses"})
        EXPECT_NE(screen.find(shown), std::string::npos) << shown << "\n" << screen;
}

TEST(Program, PeriodicSaveAfterTheIntervalKeepsTheDeclarationOpen) {
    Office o;
    ASSERT_EQ(o.run("01", open_client(kAna, true) + "text N\nENTER\ntext ANA\nENTER\nESC\n" +
                              kLeaveAndExit)
                  .status,
              0);
    // The terminal changes the name, stays 16 minutes on the screen without a key and leaves it;
    // then it stops (the script ends with the declaration open). Of the 16 minutes the clock
    // counts the office's idle limit (4 minutes), not the time away beyond it.
    Result r = o.run("01", open_client(kAna, false) +
                               "F6\nENTER\nCTRL+Y\ntext ANA PERIODICA\nENTER\nadvance 960\nESC\n");
    EXPECT_EQ(r.status, 3);
    store::Record reg = o.registry(kAna);
    EXPECT_EQ(reg.str("NOMECONTR"), "ANA PERIODICA");
    EXPECT_EQ(reg.str("NUSUAT"), "01");
    EXPECT_EQ(reg.num("TEM_USO"), Decimal(240));

    // Before the interval: nothing saved.
    r = o.run("02", open_client(kAna, false) +
                        "snap\nENTER\nF6\nENTER\nCTRL+Y\ntext OUTRO NOME\nENTER\nESC\n");
    EXPECT_TRUE(r.shows("está ou ficou aberta no terminal 01")) << r.status << "\n" << r.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA PERIODICA");
}

TEST(Program, SavingIntervalOnlyAtTheEndOrOnlyWithAltW) {
    Office o;
    ASSERT_EQ(o.run("01", open_client(kAna, true) + "text N\nENTER\ntext ANA\nENTER\nESC\n" +
                              kLeaveAndExit)
                  .status,
              0);
    auto set_interval = [&](int minutes) {
        std::unique_ptr<store::Table> d = o.hold(o.inst.path() + "/DEFINE.DBF");
        ASSERT_TRUE(d->replace(d->field("TEMP_SAL"), Decimal(minutes)).is_ok());
        ASSERT_TRUE(d->close().is_ok());
    };
    // 99: only at the end; Alt+W does nothing.
    set_interval(99);
    o.run("01", open_client(kAna, false) +
                    "F6\nENTER\nCTRL+Y\ntext NOVENTA\nENTER\nadvance 3600\nESC\n"
                    "ALT+W\n");
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA");
    // 0: no periodic save, Alt+W saves.
    set_interval(0);
    o.run("01", kUnfinishedNotice + open_client(kAna, false) +
                    "ENTER\nF6\nENTER\nCTRL+Y\ntext ZERO\nENTER\nadvance 3600\nESC\n");
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA");
    o.run("01", kUnfinishedNotice + open_client(kAna, false) +
                    "ENTER\nF6\nENTER\nCTRL+Y\ntext ZERO\nENTER\nESC\nALT+W\n");
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ZERO");
}

// A client of the installation's data folder with a name, made and closed by the storage layer
// (as by another terminal) so that it does not depend on the screens under test.
void create_client(Office& o, const std::string& cpf, const std::string& name) {
    ScriptedOperator op;
    ManualClock clock(DateTime{Date(2026, 4, 10), 9 * 3600});
    store::CdxIndexFiles files(op);
    store::WorkAreas w(store::Env::posix(), op, clock);
    w.ARQDEF = w.LOCARQ = o.inst.path();
    w.NUSU = "09";
    w.index_files = &files;
    store::Declaration d(w, {o.inst.path(), "ESCRITORIO"});
    ASSERT_TRUE(d.load(cpf, store::LoadMode::kNew, true).is_ok());
    d.values().set("NOMECONTR", name);
    d.values().set("TEMRURAL", "N");
    ASSERT_TRUE(d.save(true).is_ok());
}

// Waits until a process has got as far as a file shows; false when it gives up after 20 s.
[[nodiscard]] bool wait_for(const std::function<bool()>& done) {
    for (int k = 0; k < 200; ++k) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

// Whether a table file's bytes hold a text: read straight from the file, which the terminal
// being watched may hold exclusively.
bool file_holds(const std::string& path, const std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str().find(text) != std::string::npos;
}

TEST(Program, TwoTerminalsWorkOnTwoClientsOfOneFolderAtOnce) {
    Office o;
    auto script = [](const char* cpf, const char* name) {
        return open_client(cpf, true) + "text N\nENTER\ntext " + name + "\nENTER\nESC\n" +
               kLeaveAndExit;
    };
    // The usage log is held elsewhere: each terminal's final save waits for it at its very end,
    // so both declarations are open at the same time.
    std::unique_ptr<store::Table> log = o.lock(o.usage_log());
    pid_t a = o.spawn("01", script(kAna, "ANA"), "a");
    ASSERT_TRUE(wait_for([&] { return file_holds(o.data(1), kAna); }));
    pid_t b = o.spawn("02", script(kBia, "BIA"), "b");
    ASSERT_TRUE(wait_for([&] { return file_holds(o.data(1), kBia); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "01");
    EXPECT_EQ(o.registry(kBia).str("NUSUAT"), "02");
    log.reset();
    Result ra = o.wait(a, "a"), rb = o.wait(b, "b");
    EXPECT_EQ(ra.status, 0) << ra.last();
    EXPECT_EQ(rb.status, 0) << rb.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA");
    EXPECT_EQ(o.registry(kBia).str("NOMECONTR"), "BIA");
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "");
    EXPECT_EQ(o.registry(kBia).str("NUSUAT"), "");
    EXPECT_EQ(rows_of(o.data(9)).size(), 2u);
    EXPECT_EQ(rows_of(o.data(1)).size(), 2u);
    EXPECT_EQ(rows_of(o.inst.path() + "/USOLOG.DBF").size(), 2u);
}

TEST(Program, EscOnTheLeaveQuestionGoesBackAndDiscardingIsNeverTheDefault) {
    Office o;
    create_client(o, kAna, "ANA");
    Result r = o.run("01", open_client(kAna, false) + rename("ANA MUDADA") +
                               // Esc at the menu asks; Esc on the question goes back.
                               "ESC\nESC\nsnap\n"
                               // Cancelar asks to confirm; Enter there keeps the work.
                               "ALT+T\nRIGHT\nRIGHT\nENTER\nsnap\nENTER\nsnap\n" +
                               kLeaveAndExit);
    ASSERT_GE(r.snaps.size(), 3u);
    for (size_t k : {0u, 2u}) {
        EXPECT_NE(r.snaps[k].find("CPF:123.456.789-09"), std::string::npos) << r.snaps[k];
        EXPECT_EQ(r.snaps[k].find("Termina a Declaração?"), std::string::npos) << r.snaps[k];
        EXPECT_EQ(r.snaps[k].find("Confirme a sair sem salvar!"), std::string::npos) << r.snaps[k];
    }
    EXPECT_NE(r.snaps[1].find("Confirme a sair sem salvar!"), std::string::npos) << r.snaps[1];
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA MUDADA");
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "");
}

TEST(Program, ASecondProcessWithTheSameTerminalNumberIsRefused) {
    Office o;
    ASSERT_EQ(o.run("01", "ALT+T\nENTER\n").status, 0);
    // Terminal 01 is running: it holds its folder list.
    std::unique_ptr<store::Table> running = o.hold(o.inst.path() + "/DIRET01.DBF");
    Result r = o.run("01", "snap\n");
    EXPECT_TRUE(r.shows("O programa VORN2026 no terminal 01 está em uso")) << r.last();
    EXPECT_NE(r.status, 0);
}

// ---- The toolkit as an office meets it: accents, refusals, messages, menus, the folder list.

// Typing one field's value and Enter.
std::string typed(const std::string& text) {
    return "text " + text + "\nENTER\n";
}

// A client of screen 6 saved with its name and birth date (29/02/1980), from terminal 01.
void save_client_with_birth(Office& o) {
    ASSERT_EQ(o.run("01", open_client(kAna, true) + "F6\n" + typed("N") + typed("ANA") +
                              typed("29021980") + "ESC\n" + kLeaveAndExit)
                  .status,
              0);
}

TEST(Program, AccentedValuesLeaveEveryLabelOfScreenSixInPlaceGolden) {
    Office o;
    std::string fill = "F6\n" + typed("N") + typed("JOÃO DA CONCEIÇÃO ÁVILA") + typed("29021980") +
                       typed("N") + typed("N");
    fill += "ENTER\nENTER\nENTER\nENTER\nENTER\nENTER\nENTER\nENTER\n";  // delivery to race
    fill += typed("N") + "ENTER\nENTER\nENTER\n";                        // illness to abroad
    for (const char* v : {"N", "01310100", "AVENIDA", "SÃO JOÃO", "1000", "APTO 101 – BLOCO Ç ½",
                          "JARDIM SÃO JOSÉ", "SP", "SÃO PAULO"})
        fill += typed(v);
    ASSERT_EQ(o.run("01", open_client(kAna, true) + fill + "ESC\n" + kLeaveAndExit).status, 0);
    EXPECT_EQ(o.registry(kAna).str("COMPLEM"), "APTO 101 – BLOCO Ç ½");
    // Reopened: every value painted in its own cells, the labels after them untouched.
    Result r = o.run("02", open_client(kAna, false) + "F6\nsnap\nESC\n" + kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_FALSE(r.snaps.empty());
    const std::string& screen = r.snaps[0];
    EXPECT_NE(screen.find("│ Complemento: APTO 101 – BLOCO Ç ½  Bairro: JARDIM SÃO JOSÉ "),
              std::string::npos)
        << screen;
    // The client area (the title carries the installation's folder).
    std::string area = screen.substr(screen.find('\n') + 1);
    vorn::ui::testing::expect_golden("identification_accents", area);
}

TEST(Program, AfterARefusedValueWhatIsTypedReplacesIt) {
    Office o;
    save_client_with_birth(o);
    // The chooser's CPF, a one-character field, a date and a two-character field: each refused
    // value is followed by a correct one, typed over it.
    std::string keys = "ALT+I\n" + typed("12345678900") + "ENTER\n" + typed(kAna) + "F6\n";
    keys += typed("X") + "ENTER\n" + typed("N");                // rural activity
    keys += "CTRL+Y\n" + typed("MARIA");                        // name
    keys += typed("31022030") + "ENTER\n" + typed("28021981");  // birth
    keys += typed("Z") + "ENTER\n" + typed("N");                // spouse
    keys += "ESC\n";
    Result r = o.run("01", keys + kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    store::Record reg = o.registry(kAna);
    EXPECT_EQ(reg.str("TEMRURAL"), "N");
    EXPECT_EQ(reg.str("NOMECONTR"), "MARIA");
    EXPECT_EQ(reg.date("NASCIMENTO"), Date(1981, 2, 28));
    EXPECT_EQ(reg.str("TEMCONJU"), "N");
}

TEST(Program, AnImpossibleDateIsToldClearsTheAgeAndEscAndAltTStillWork) {
    Office o;
    save_client_with_birth(o);
    const std::string to_birth = "F6\nENTER\nENTER\n" + typed("31022030");
    Result r = o.run("01", open_client(kAna, false) + to_birth + "snap\nENTER\nsnap\nESC\nsnap\n" +
                               to_birth + "ENTER\nALT+T\nsnap\nESC\nALT+T\nENTER\n");
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_EQ(r.snaps.size(), 4u);
    EXPECT_NE(r.snaps[0].find("Data inválida"), std::string::npos) << r.snaps[0];
    // The refused date leaves no age of the old one.
    EXPECT_NE(r.snaps[1].find("Nascimento: 31/02/2030"), std::string::npos) << r.snaps[1];
    EXPECT_EQ(r.snaps[1].find("anos e"), std::string::npos) << r.snaps[1];
    // Esc gives the date up and goes back to the declaration menu, the declaration open.
    EXPECT_NE(r.snaps[2].find("CPF:123.456.789-09"), std::string::npos) << r.snaps[2];
    EXPECT_EQ(r.snaps[2].find("Nascimento:"), std::string::npos) << r.snaps[2];
    // Alt+T leaves the declaration at once, saved: the chooser asks for the next client.
    EXPECT_NE(r.snaps[3].find("CPF : "), std::string::npos) << r.snaps[3];
    store::Record reg = o.registry(kAna);
    EXPECT_EQ(reg.date("NASCIMENTO"), Date(1980, 2, 29));
    EXPECT_EQ(reg.str("NUSUAT"), "");
}

TEST(Program, TheWarningOfAClientOpenOnAnotherTerminalReadsWhole) {
    Office o;
    // Terminal 01 stops with the client open.
    EXPECT_EQ(o.run("01", open_client(kAna, true)).status, 3);
    Result r = o.run("02", "ALT+I\n" + typed(kAna) + "snap\n");
    ASSERT_FALSE(r.snaps.empty());
    std::string shown;
    for (const auto& line : ui::split_lines(r.snaps[0], '\n')) shown += line + " ";
    for (const char* w : {"terminal 01", "daquele", "que", "salvar", "por", "último", "que",
                          "prevalecera.", "Isso", "pode", "alterar", "Continua?"})
        EXPECT_NE(shown.find(w), std::string::npos) << w << "\n" << r.snaps[0];
}

TEST(Program, DisabledOptionsAndChoicesNotBuiltYetSaySo) {
    Office o;
    const std::string kNot = "Opção ainda não disponível nesta versão.";
    // The main menu: "Agenda" is disabled.
    Result m = o.run("01", "ALT+D\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\nsnap\nESC\nESC\nALT+T\nENTER\n");
    EXPECT_EQ(m.status, 0) << m.last();
    ASSERT_FALSE(m.snaps.empty());
    EXPECT_NE(m.snaps[0].find(kNot), std::string::npos) << m.snaps[0];
    // The declaration menu: the capital gains (screen 8) open from the menu and by their hot key.
    Result d =
        o.run("01", open_client(kAna, true) +
                        "ESC\nALT+C\nRIGHT\nENTER\nsnap\nESC\nF8\nsnap\nESC\n" + kLeaveAndExit);
    ASSERT_EQ(d.snaps.size(), 2u);
    for (const std::string& snap : d.snaps) {
        EXPECT_EQ(snap.find(kNot), std::string::npos) << snap;
        EXPECT_NE(snap.find("GANHO DE CAPITAL - IMÓVEIS"), std::string::npos) << snap;
    }
    // Transfer to the government program on closing, set from the menu: the default folder of
    // the government program holds no declaration to take the namespace from, and none is set,
    // so nothing is written and the operator is told why.
    Result t = o.run("01", "ALT+E\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\nENTER\n" +
                               open_client(kAna, false) + "ALT+T\nENTER\nsnap\nENTER\nESC\n" +
                               "ALT+T\nENTER\n");
    EXPECT_EQ(t.status, 0) << t.last();
    ASSERT_FALSE(t.snaps.empty());
    EXPECT_NE(t.snaps[0].find("Os dados não foram transferidos para o programa da receita!"),
              std::string::npos)
        << t.snaps[0];
    EXPECT_NE(t.snaps[0].find("VORN_IRPF_XMLNS"), std::string::npos) << t.snaps[0];
    // The backup reminder, ten days after the last backup: "Sim" leads to the copy of every
    // folder, which asks for the drive (given up here).
    o.now = "2026-04-20 09:00:00";
    Result b = o.run("01", "snap\nENTER\nsnap\nENTER\nsnap\nESC\nALT+T\nENTER\n");
    EXPECT_EQ(b.status, 0) << b.last();
    ASSERT_GE(b.snaps.size(), 3u);
    EXPECT_NE(b.snaps[0].find("dias sem fazer o Backup"), std::string::npos) << b.snaps[0];
    EXPECT_NE(b.snaps[1].find("Deve ser informado a seguir a letra do PenDrive"), std::string::npos)
        << b.snaps[1];
    EXPECT_NE(b.snaps[2].find("Informe a letra do Drive"), std::string::npos) << b.snaps[2];
}

// Set to send declarations on closing, the terminal hands a declaration over when the operator
// saves and leaves it: the document and its hash file stand in the government program's default
// folder, java ran on the document by its argument vector, the registry has the delivery date.
TEST(Program, AClosedDeclarationIsHandedOverWhenTheTerminalIsSetToSendIt) {
    namespace fs = std::filesystem;
    Office o;
    const std::string bin = o.inst.path() + "/bin";
    fs::create_directories(bin);
    std::ofstream(bin + "/java") << "#!/bin/sh\necho \"$@\" >> '" << o.inst.path()
                                 << "/java.args'\nt=\"$3\"\nprintf hash > \"${t%.xml}.conf\"\n";
    fs::permissions(bin + "/java", fs::perms::owner_all);
    std::ofstream(o.inst.path() + "/IHash.jar") << "jar";
    // The government program's default folder lies under HOME and must fit its 80-character
    // setting: a short HOME of its own.
    char home[] = "/tmp/vornhomeXXXXXX";
    ASSERT_NE(::mkdtemp(home), nullptr);
    o.home = home;
    const std::string dados = o.home + "/ProgramasRFB/IRPF2026/aplicacao/dados";
    fs::create_directories(dados);
    const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin + ":" + old_path).c_str(), 1);
    ::setenv("VORN_IRPF_XMLNS", "http://www.exemplo.gov.br/irpf", 1);
    Result t = o.run("01", "ALT+E\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nENTER\nENTER\n" +
                               open_client(kAna, true) + "ESC\nALT+T\nENTER\nsnap\nESC\n" +
                               "ALT+T\nENTER\n");
    ::setenv("PATH", old_path.c_str(), 1);
    ::unsetenv("VORN_IRPF_XMLNS");
    EXPECT_EQ(t.status, 0) << t.last();
    const std::string folder = dados + "/" + kAna + "/" + kAna + "-0000000000";
    EXPECT_TRUE(fs::exists(folder + ".xml")) << t.last();
    EXPECT_TRUE(fs::exists(folder + ".conf"));
    std::ifstream args(o.inst.path() + "/java.args");
    std::string line;
    std::getline(args, line);
    EXPECT_EQ(line, "-jar " + o.inst.path() + "/IHash.jar " + folder + ".xml");
    EXPECT_FALSE(o.registry(kAna).date("DENTREGA").blank());
    fs::remove_all(o.home);
}

TEST(Program, TheFolderListRepaintsAfterEveryChangeAndShowsItsKeys) {
    Office o;
    // A new folder typed in a new row (it sorts after the data folder), then a blank row added
    // and removed.
    Result r = o.run("01",
                     "ALT+D\ntext p\nRIGHT\nINS\ntext /zz/nova\nENTER\nsnap\nINS\nsnap\n"
                     "DEL\nENTER\nsnap\nESC\nALT+T\nENTER\n");
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_EQ(r.snaps.size(), 3u);
    auto rows_with = [](const std::string& screen, const std::string& text) {
        int n = 0;
        for (const auto& line : ui::split_lines(screen, '\n'))
            if (line.find(text) != std::string::npos) ++n;
        return n;
    };
    const std::string data = o.inst.path();
    EXPECT_EQ(rows_with(r.snaps[0], data), 1) << r.snaps[0];
    EXPECT_EQ(rows_with(r.snaps[0], "/zz/nova"), 1) << r.snaps[0];
    EXPECT_NE(r.snaps[0].find("Ins=Inclui"), std::string::npos) << r.snaps[0];
    EXPECT_EQ(rows_with(r.snaps[1], "N  │"), 2) << r.snaps[1];  // the blank row is there
    EXPECT_EQ(rows_with(r.snaps[2], "N  │"), 1) << r.snaps[2];  // and gone once removed
    EXPECT_EQ(rows_with(r.snaps[2], data), 1) << r.snaps[2];
    EXPECT_EQ(rows_with(r.snaps[2], "/zz/nova"), 1) << r.snaps[2];
}

TEST(Program, TheChoosersListNamesTheStatus) {
    Office o;
    ASSERT_EQ(o.run("01", open_client(kAna, true) + "ESC\n" + kLeaveAndExit).status, 0);
    Result r = o.run("01", "ALT+I\nF1\nsnap\nESC\nESC\nALT+T\nENTER\n");
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_FALSE(r.snaps.empty());
    EXPECT_NE(r.snaps[0].find("│Nova           2│"), std::string::npos) << r.snaps[0];
}

TEST(Program, AltIOpensTheChooserAndThePrintingPadIsReachedWithTheArrows) {
    Office o;
    // Left from "Envia p/ IRPF"; Right, Right from "Selecão" (its first item opens a submenu).
    Result r = o.run("01",
                     "snap\nALT+I\nsnap\nESC\nALT+E\nLEFT\nsnap\nESC\nALT+S\nRIGHT\n"
                     "RIGHT\nsnap\nESC\nALT+T\nENTER\n");
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_EQ(r.snaps.size(), 4u);
    EXPECT_NE(r.snaps[0].find("Alt+I Declaração"), std::string::npos) << r.snaps[0];
    EXPECT_NE(r.snaps[1].find("CPF : "), std::string::npos) << r.snaps[1];
    EXPECT_NE(r.snaps[2].find("Imprime os itens selecionados"), std::string::npos) << r.snaps[2];
    EXPECT_NE(r.snaps[3].find("Imprime os itens selecionados"), std::string::npos) << r.snaps[3];
}

TEST(Program, KilledWithADeclarationOpenRecoveryRestoresTheUnsavedValues) {
    Office o;
    ASSERT_EQ(o.run("01", open_client(kAna, true) + "text N\nENTER\ntext ANA\nENTER\nESC\n" +
                              kLeaveAndExit)
                  .status,
              0);
    // Terminal 01 types a new name and leaves saving, while the usage log is locked elsewhere:
    // its save waits at the log, before the registry, and the terminal is killed there.
    std::unique_ptr<store::Table> log = o.lock(o.usage_log());
    pid_t pid = o.spawn(
        "01",
        open_client(kAna, false) + "F6\nENTER\nCTRL+Y\ntext ANA MARIA\nENTER\nESC\nALT+T\nENTER\n",
        "killed");
    ASSERT_TRUE(wait_for([&] { return file_holds(o.inst.path() + "/TMP_0901.DBF", "ANA MARIA"); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    log.reset();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA");  // the registry was not reached
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "01");

    Result r = o.run("01", kUnfinishedNotice + open_client(kAna, false) +
                               "snap\nENTER\nF6\nsnap\nESC\n" + kLeaveAndExit);
    ASSERT_GE(r.snaps.size(), 2u);
    EXPECT_NE(r.snaps[0].find("não terminou corretamente"), std::string::npos) << r.snaps[0];
    EXPECT_NE(r.snaps[1].find("ANA MARIA"), std::string::npos) << r.snaps[1];
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA MARIA");
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "");
}

TEST(Program, KilledInTheMiddleOfTheFinalSaveLosesNothing) {
    // The terminal's final save is held at the usage log, after the client's tables and before
    // the registry, while another terminal has the log; the log is let go and the terminal
    // killed at moments spread over the rest of the save (its retry comes within half a second).
    // Afterwards the declaration was either wholly saved, or it is still marked as open here and
    // its recovery saves it.
    for (int delay_ms : {100, 250, 400, 550, 700}) {
        SCOPED_TRACE("killed " + std::to_string(delay_ms) + " ms after the log was let go");
        Office o;
        ASSERT_EQ(o.run("01", open_client(kAna, true) + "text N\nENTER\ntext ANA\nENTER\nESC\n" +
                                  kLeaveAndExit)
                      .status,
                  0);
        std::unique_ptr<store::Table> log = o.lock(o.usage_log());
        pid_t pid = o.spawn("01",
                            open_client(kAna, false) +
                                "F6\nENTER\nCTRL+Y\ntext ANA NOVA\nENTER\nESC\nALT+T\nENTER\n",
                            "killed");
        ASSERT_TRUE(
            wait_for([&] { return file_holds(o.inst.path() + "/TMP_0901.DBF", "ANA NOVA"); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(600));  // waiting at the log
        EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA");
        log.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        if (o.registry(kAna).str("NUSUAT") == "01") {
            Result r = o.run("01", kUnfinishedNotice + open_client(kAna, false) + "snap\nENTER\n" +
                                       kLeaveAndExit);
            EXPECT_NE(r.snaps.at(0).find("não terminou corretamente"), std::string::npos);
            EXPECT_EQ(r.status, 0) << r.last();
        }
        EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA NOVA");
        EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "");
        EXPECT_EQ(rows_of(o.data(1)).size(), 1u);
        EXPECT_EQ(rows_of(o.data(9)).size(), 1u);
    }
}

TEST(Program, AnotherClientOpenedAfterACrashOffersTheUnfinishedOneFirst) {
    Office o;
    ASSERT_EQ(o.run("01", open_client(kAna, true) + "text N\nENTER\ntext ANA\nENTER\nESC\n" +
                              kLeaveAndExit)
                  .status,
              0);
    // Terminal 01 stops with Ana's declaration open and a new name typed.
    EXPECT_EQ(
        o.run("01", open_client(kAna, false) + "F6\nENTER\nCTRL+Y\ntext ANA SALVA\nENTER\nESC\n")
            .status,
        3);
    // Opening Bia there first offers to recover Ana, whose work would otherwise be overwritten.
    Result r = o.run("01", kUnfinishedNotice + open_client(kBia, false) +
                               "ENTER\nsnap\nENTER\nsnap\n" + kLeaveAndExit);
    ASSERT_GE(r.snaps.size(), 2u);
    EXPECT_NE(r.snaps[0].find("não terminou corretamente neste terminal"), std::string::npos)
        << r.snaps[0];
    EXPECT_NE(r.snaps[1].find("CPF:123.456.789-09"), std::string::npos) << r.snaps[1];
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA SALVA");
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "");
}

TEST(Program, ACpfFoundOnlyInTheThirdFolderOfTheListSelectsIt) {
    Office o;
    ASSERT_EQ(o.run("01", "ALT+T\nENTER\n").status, 0);
    const std::string a = o.inst.sub("a"), b = o.inst.sub("b"), c = o.inst.sub("c");
    {
        // The terminal's list holds three more folders; the client lives in the third.
        auto list = o.hold(o.inst.path() + "/DIRET01.DBF");
        for (const auto& f : {a, b, c}) {
            store::Record r(list->layout_ptr());
            r.set("SELEC", "N");
            r.set("DIRETOR", f);
            ASSERT_TRUE(list->append(&r).is_ok());
        }
        ASSERT_TRUE(list->close().is_ok());
        // Written without its index: the next opening builds it anew.
        std::filesystem::remove(o.inst.path() + "/DIRET01.CDX");
        ScriptedOperator op;
        ManualClock clock(DateTime{Date(2026, 4, 10), 9 * 3600});
        store::WorkAreas w(store::Env::posix(), op, clock);
        w.ARQDEF = o.inst.path();
        w.LOCARQ = c;
        w.NUSU = "09";
        store::Declaration d(w, {o.inst.path(), "OUTRO"});
        ASSERT_TRUE(d.load(kBia, store::LoadMode::kNew, true).is_ok());
        d.values().set("NOMECONTR", "BIA DA PASTA C");
        ASSERT_TRUE(d.save(true).is_ok());
    }
    Result r = o.run("01", open_client(kBia, false) + "snap\n" + kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_NE(r.snaps.at(0).find("BIA DA PASTA C"), std::string::npos) << r.snaps.at(0);
    EXPECT_EQ(rows_of(o.inst.path() + "/CONFIG.DBF").at(0).str("ROTADOANO"), c);
    for (auto& e : rows_of(o.inst.path() + "/DIRET01.DBF"))
        EXPECT_EQ(e.str("SELEC") == "S", e.str("DIRETOR") == c) << e.str("DIRETOR");
    EXPECT_FALSE(file_holds(o.data(9), kBia));  // nothing was made in the first folder
}

TEST(Program, ADeletedClientStaysRecoverableAfterAnotherClientIsSaved) {
    Office o;
    for (auto [cpf, name] : {std::pair{kBia, "BIA"}, std::pair{kAna, "ANA"}})
        ASSERT_EQ(o.run("01", open_client(cpf, true) + "text N\nENTER\ntext " + name +
                                  "\nENTER\nESC\n" + kLeaveAndExit)
                      .status,
                  0);
    // Bia is deleted: her records are marked in every table.
    for (int n = 1; n <= 21; ++n) {
        if (n == 13) continue;
        auto t = o.hold(o.data(n));
        for (Status s = t->go_top(); s && !t->eof(); s = t->skip())
            if (t->str("CPF") == kBia) {
                ASSERT_TRUE(t->delete_record().is_ok());
            }
        ASSERT_TRUE(t->close().is_ok());
    }
    ASSERT_EQ(o.run("01", open_client(kAna, false) +
                              "F6\nENTER\nCTRL+Y\ntext ANA OUTRA\nENTER\nESC\n" + kLeaveAndExit)
                  .status,
              0);
    // Her records are still there, marked, for "Recupera declaração Excluida recentemente".
    for (int n : {1, 9}) {
        auto t = o.hold(o.data(n));
        uint32_t count = 0;
        ASSERT_TRUE(t->record_count(&count).is_ok());
        int bia = 0;
        for (uint32_t k = 1; k <= count; ++k) {
            ASSERT_TRUE(t->go_to(k).is_ok());
            if (t->str("CPF") == kBia && t->deleted()) ++bia;
        }
        EXPECT_EQ(bia, 1) << "table " << n;
        ASSERT_TRUE(t->close().is_ok());
    }
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA OUTRA");
}

// The screen row holding a text, or "" when no row does.
std::string row_with(const std::string& snap, const std::string& text) {
    std::istringstream in(snap);
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos) return line;
    return "";
}

TEST(Program, TheNameTakesNoMoreCharactersThanItsColumnWhateverItsAccents) {
    Office o;
    ASSERT_EQ(
        o.run("01", open_client(kAna, true) +
                        "F6\ntext N\nENTER\ntext JOSÉ DA CONCEIÇÃO\nENTER\nESC\n" + kLeaveAndExit)
            .status,
        0);
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "JOSÉ DA CONCEIÇÃO");
    // Reopened, the accented name is replaced by more letters than the column holds.
    Result r = o.run("01", open_client(kAna, false) + "F6\nENTER\nCTRL+Y\ntext " +
                               std::string(60, 'A') + "\nsnap\nENTER\nESC\n" + kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    const std::string line = row_with(r.snaps.at(0), "Nome:");
    const size_t from = line.find('A');
    ASSERT_NE(from, std::string::npos) << r.snaps.at(0);
    EXPECT_EQ(line.find_first_not_of('A', from) - from, 53u) << line;
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), std::string(53, 'A'));
}

// Screen 6 of a new client from the name on: `steps` are typed there, one per line ("text X" or
// a key), with a snap after each step marked with a trailing " |".
std::string on_identification(const std::vector<std::string>& steps) {
    std::string s = "F6\ntext N\nENTER\n";
    for (const auto& step : steps) {
        const bool snap = step.size() > 2 && step.compare(step.size() - 2, 2, " |") == 0;
        s += (snap ? step.substr(0, step.size() - 2) : step) + "\n" + (snap ? "snap\n" : "");
    }
    return s;
}

TEST(Program, IdentificationRefusesAnEmptyNameAFutureBirthAndAShortCep) {
    Office o;
    Result r = o.run("01", open_client(kAna, true) +
                               on_identification({"ENTER |", "ENTER", "text ANA", "ENTER",
                                                  "text 11042026", "ENTER |", "ENTER", "HOME",
                                                  "CTRL+Y", "text 10041980", "ENTER", "ESC"}) +
                               kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_GE(r.snaps.size(), 2u);
    EXPECT_NE(r.snaps[0].find("Informe o nome do contribuinte."), std::string::npos) << r.snaps[0];
    EXPECT_NE(r.snaps[1].find("A data de nascimento não pode ser posterior a hoje."),
              std::string::npos)
        << r.snaps[1];
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA");
    EXPECT_EQ(o.registry(kAna).date("NASCIMENTO"), Date(1980, 4, 10));
}

TEST(Program, IdentificationAddressChecksAndForms) {
    Office o;
    auto enter = [](const std::string& text) { return "text " + text + "\nENTER"; };
    Result r = o.run(
        "01",
        open_client(kAna, true) +
            on_identification({enter("ANA"), "ENTER", enter("N"), enter("N"), "ENTER", "ENTER",
                               "ENTER", enter("1"), enter("341"), enter("1234"), enter("12345-6"),
                               enter("4"), enter("N"), enter("N"), "ENTER", "ENTER", enter("S"),
                               // A CEP of five digits, then the state left empty: both refused.
                               "text 01310", "ENTER |", "ENTER", "HOME", "CTRL+Y",
                               enter("12227010"), enter("RUA"), enter("DAS FLORES"), enter("10"),
                               "ENTER", enter("CENTRO"), "ENTER |", "ENTER", enter("SP"),
                               // Several municipalities begin so: the list, and the fifth chosen.
                               "text sao jose", "ENTER |", "DOWN", "DOWN", "DOWN", "DOWN",
                               "ENTER |", enter("12"), enter("32221111"), enter("S"), enter("12"),
                               "text 998887777", "ENTER |", "ESC"}) +
            // Back on the main menu after the declaration closed.
            "ALT+T\nENTER\nESC\nsnap\nALT+T\nENTER\n");
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_GE(r.snaps.size(), 6u);
    EXPECT_NE(r.snaps[0].find("O CEP deve ter 8 dígitos."), std::string::npos) << r.snaps[0];
    EXPECT_NE(r.snaps[1].find("UF inválida."), std::string::npos) << r.snaps[1];
    for (const char* m : {"São José do Barreiro", "São José dos Campos", "São José do Rio Preto"})
        EXPECT_NE(r.snaps[2].find(m), std::string::npos) << m << "\n" << r.snaps[2];
    // The list's hint is said on the status line of the declaration window, which covers the
    // main one; the main window's line shows its keys again once the declaration is closed.
    EXPECT_NE(r.snaps[2].find("Escolha o município com Enter; Esc volta ao campo"),
              std::string::npos)
        << r.snaps[2];
    const std::string main_menu = r.snaps[5];
    EXPECT_NE(main_menu.find("Alt+I Declaração"), std::string::npos) << main_menu;
    EXPECT_EQ(main_menu.find("Escolha o município"), std::string::npos) << main_menu;
    EXPECT_NE(r.snaps[3].find("Município: SÃO JOSÉ DOS CAMPOS"), std::string::npos) << r.snaps[3];
    const std::string& last = r.snaps[4];
    // The account's number right-aligned before its check digit; telephones by their digits.
    EXPECT_NE(last.find("Conta: " + std::string(8, ' ') + "12345-6 "), std::string::npos) << last;
    EXPECT_NE(last.find("Telefone: (12)  3222-1111"), std::string::npos) << last;
    EXPECT_NE(last.find("Celular: (12) 99888-7777"), std::string::npos) << last;
    store::Record reg = o.registry(kAna);
    EXPECT_EQ(reg.str("CEP"), "12227010");
    EXPECT_EQ(reg.str("MUNICIPIO"), "SÃO JOSÉ DOS CAMPOS");
    EXPECT_EQ(reg.str("CODMUNI"), "7099");
    EXPECT_EQ(reg.str("TELEFO"), "32221111");
    EXPECT_EQ(reg.str("TELCELU"), "998887777");
}

// Alt+S in a text field of screen 6: a division by zero is told and changes nothing; a result
// is appended after what was typed, and the field keeps it when accepted.
TEST(Program, AltSAppendsTheCalculatorsResultToTheFieldBeingEdited) {
    Office o;
    Result r = o.run("01", open_client(kAna, true) +
                               "F6\ntext N\nENTER\ntext ANA\n"
                               "ALT+S\ntext 10/0\nENTER\nsnap\nENTER\nESC\n"
                               "ALT+S\ntext (2+3)*1,5\nENTER\nENTER\nsnap\nENTER\nESC\n" +
                               kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_EQ(r.snaps.size(), 2u) << r.last();
    EXPECT_NE(r.snaps[0].find("Divisão por zero"), std::string::npos) << r.snaps[0];
    EXPECT_NE(r.snaps[1].find("ANA 7,5000"), std::string::npos) << r.snaps[1];
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA 7,5000");
}

// Alt+S in a number field (the race code): a result that does not fit the field is told and
// nothing is written; one that fits is rounded into it and accepted with Enter.
TEST(Program, AltSPutsAResultIntoANumberFieldOnlyWhenItFits) {
    Office o;
    std::string fill = fill_identification();
    const std::string race = "text 4\nENTER\n";
    const size_t at = fill.find(race, fill.find("text 1234\nENTER\ntext 123456\nENTER\n"));
    ASSERT_NE(at, std::string::npos);
    fill.replace(at, race.size(),
                 "ALT+S\ntext 6+6\nENTER\nENTER\nsnap\nENTER\n"
                 "ALT+S\ntext 8/3+1,4\nENTER\nENTER\nENTER\n");
    Result r = o.run("01", open_client(kAna, true) + fill + kLastField + kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_EQ(r.snaps.size(), 1u) << r.last();
    EXPECT_NE(r.snaps[0].find("O resultado não cabe no campo."), std::string::npos) << r.snaps[0];
    EXPECT_EQ(o.registry(kAna).num("RACA"), Decimal(4));  // 4.0666… rounded to no decimals
}

// Alt+K and the menu's calculator run VORN_CALC without a shell, wait for it and show the screen
// again as it was; the help items show the general help and the function keys.
TEST(Program, TheOutsideCalculatorRunsAndTheHelpTextsShow) {
    Office o;
    const std::string mark = o.inst.path() + "/calculadora.marca";
    const std::string calc = o.inst.path() + "/calculadora de teste";
    std::ofstream(calc) << "#!/bin/sh\necho \"$#\" >> '" << mark << "'\n";
    ASSERT_EQ(::chmod(calc.c_str(), 0755), 0);
    ::setenv("VORN_CALC", calc.c_str(), 1);
    Result r = o.run("01", open_client(kAna, true) + "F6\nsnap\nALT+K\nsnap\nESC\n" +
                               "ALT+J\ntext C\nsnap\nALT+J\ntext J\nsnap\nESC\n" +
                               "ALT+J\ntext T\nsnap\nESC\n" + kLeaveAndExit);
    ::unsetenv("VORN_CALC");
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_EQ(r.snaps.size(), 5u) << r.last();
    EXPECT_EQ(r.snaps[1], r.snaps[0]) << "the screen comes back as it was";
    std::ifstream in(mark);
    std::stringstream runs;
    runs << in.rdbuf();
    EXPECT_EQ(runs.str(), "0\n0\n") << "started twice, with no arguments, and waited for";
    EXPECT_NE(r.snaps[3].find("Ajuda geral do VORN2026"), std::string::npos) << r.snaps[3];
    EXPECT_NE(r.snaps[4].find("Teclas de função"), std::string::npos) << r.snaps[4];
}

// Without the help's memo file the operator is told, and the declaration goes on.
TEST(Program, AMissingHelpTextIsTold) {
    Office o;
    for (const auto& f : std::filesystem::directory_iterator(o.inst.path()))
        if (upper(f.path().filename().string()) == "HELPTXT.DBT") std::filesystem::remove(f.path());
    Result r =
        o.run("01", open_client(kAna, true) + "ESC\nALT+J\ntext J\nsnap\nENTER\n" + kLeaveAndExit);
    EXPECT_EQ(r.status, 0) << r.last();
    ASSERT_EQ(r.snaps.size(), 1u) << r.last();
    EXPECT_NE(r.snaps[0].find("Texto de ajuda não encontrado: GERAL"), std::string::npos)
        << r.snaps[0];
}

TEST(Program, ANewClientOpensOnTheIdentificationScreen) {
    Office o;
    Result r = o.run("01", open_client(kAna, true) +
                               "snap\ntext N\nENTER\ntext ANA PRIMEIRO\nENTER\n"
                               "ESC\n" +
                               kLeaveAndExit);
    ASSERT_FALSE(r.snaps.empty());
    EXPECT_NE(r.snaps[0].find("Natureza da ocupação:"), std::string::npos) << r.snaps[0];
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA PRIMEIRO");
}

TEST(Program, ACleanCloseLeavesNothingForF4ToRecover) {
    Office o;
    create_client(o, kAna, "ANA");
    // Terminal 01 opens Ana and leaves with "Sim"; later terminal 02 renames her.
    ASSERT_EQ(o.run("01", open_client(kAna, false) + kLeaveAndExit).status, 0);
    o.now = "2026-04-10 10:00:00";
    ASSERT_EQ(o.run("02", open_client(kAna, false) + rename("ANA DO 02") + kLeaveAndExit).status,
              0);
    // F4 on terminal 01 has nothing to bring back.
    Result r = o.run("01", "ALT+I\nF4\nsnap\nENTER\nESC\nALT+T\nENTER\n");
    EXPECT_TRUE(r.shows("Impossível recuperar o último CPF.")) << r.last();
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA DO 02");
}

TEST(Program, AWorkingSetOlderThanTheLastSaveIsOfferedWithBothTimesAndNotTakenByDefault) {
    Office o;
    create_client(o, kAna, "ANA");
    // Terminal 01 stops at 09:00 with a new name typed; at 10:00 terminal 02 is warned, opens
    // Ana anyway, renames her and closes.
    ASSERT_EQ(o.run("01", open_client(kAna, false) + rename("ANA VELHA")).status, 3);
    o.now = "2026-04-10 10:00:00";
    Result two =
        o.run("02", open_client(kAna, false) + "ENTER\n" + rename("ANA NOVA") + kLeaveAndExit);
    ASSERT_EQ(two.status, 0) << two.last();
    // At 11:00, F4 on terminal 01: Enter keeps what terminal 02 saved.
    o.now = "2026-04-10 11:00:00";
    Result r =
        o.run("01", kUnfinishedNotice + std::string("ALT+I\nF4\nsnap\nENTER\nESC\nALT+T\nENTER\n"));
    ASSERT_FALSE(r.snaps.empty());
    for (const char* shown : {"10/04/2026 09:00:00", "10/04/2026 10:00:00", "123.456.789-09"})
        EXPECT_NE(r.snaps[0].find(shown), std::string::npos) << shown << "\n" << r.snaps[0];
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA NOVA");
    // Asked for on purpose ("Sim"), the old working set still comes back.
    r = o.run("01", kUnfinishedNotice + std::string("ALT+I\nF4\nLEFT\nENTER\nF6\nsnap\nESC\n"));
    EXPECT_TRUE(r.shows("ANA VELHA")) << r.last();
    // While another terminal has Ana open, F4 warns first.
    EXPECT_TRUE(o.run("02", open_client(kAna, false) + "snap\nENTER\n").shows("terminal 01"));
    r = o.run("01", kUnfinishedNotice + std::string("ALT+I\nF4\nsnap\n"));
    EXPECT_TRUE(r.shows("aberta no terminal 02")) << r.last();
}

TEST(Program, ClosingOnOneTerminalLeavesAnotherTerminalsMark) {
    Office o;
    create_client(o, kAna, "ANA");
    // Terminal 01 opens Ana and leaves saving; its save waits at the usage log, held here, while
    // terminal 02 is warned, opens Ana too and stays in her declaration.
    std::unique_ptr<store::Table> log = o.lock(o.usage_log());
    pid_t one = o.spawn("01", open_client(kAna, false) + kLeaveAndExit, "one");
    ASSERT_TRUE(wait_for([&] { return o.registry(kAna).str("NUSUAT") == "01"; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Result two = o.run("02", open_client(kAna, false) + "snap\nENTER\n");
    EXPECT_TRUE(two.shows("aberta no terminal 01")) << two.last();
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "02");
    log.reset();
    Result r = o.wait(one, "one");
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_EQ(o.registry(kAna).str("NUSUAT"), "02");
    // A third terminal is still warned.
    Result three = o.run("03", open_client(kAna, false) + "snap\n");
    EXPECT_TRUE(three.shows("aberta no terminal 02")) << three.last();
}

TEST(Program, KilledInTheMiddleOfAScreenRecoveryBringsBackEveryAcceptedField) {
    Office o;
    create_client(o, kAna, "ANA");
    // Two fields accepted on screen 6; the terminal is killed while still on the screen (busy
    // with keys that only move the cursor).
    std::string script = open_client(kAna, false) +
                         "F6\nENTER\nCTRL+Y\ntext ANA NO MEIO\nENTER\ntext 15031975\nENTER\n";
    for (int k = 0; k < 1000000; ++k) script += "LEFT\n";
    pid_t pid = o.spawn("01", script, "killed");
    for (int k = 0; k < 10000 && !file_holds(o.inst.path() + "/TMP_0901.DBF", "19750315"); ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the terminal ended before it was killed";
    Result r = o.run("01", kUnfinishedNotice + open_client(kAna, false) +
                               "snap\nENTER\nF6\nsnap\nESC\n" + kLeaveAndExit);
    ASSERT_GE(r.snaps.size(), 2u);
    EXPECT_NE(r.snaps[0].find("não terminou corretamente"), std::string::npos) << r.snaps[0];
    EXPECT_NE(r.snaps[1].find("ANA NO MEIO"), std::string::npos) << r.snaps[1];
    EXPECT_NE(r.snaps[1].find("15/03/1975"), std::string::npos) << r.snaps[1];
    EXPECT_EQ(r.status, 0) << r.last();
    EXPECT_EQ(o.registry(kAna).str("NOMECONTR"), "ANA NO MEIO");
    EXPECT_EQ(o.registry(kAna).date("NASCIMENTO"), Date(1975, 3, 15));
}

TEST(Program, SavingSaysSoInTheStatusLineForAFewSecondsAndAltHShowsTheTimeCounted) {
    Office o;
    create_client(o, kAna, "ANA");
    Result r = o.run("01", open_client(kAna, false) +
                               "advance 125\nALT+W\nsnap\nadvance 10\nsnap\n"
                               "F6\nALT+H\nsnap\nESC\n" +
                               kLeaveAndExit);
    ASSERT_GE(r.snaps.size(), 3u);
    EXPECT_NE(r.snaps[0].find("Declaração salva às 09:02"), std::string::npos) << r.snaps[0];
    EXPECT_EQ(r.snaps[1].find("Declaração salva"), std::string::npos) << r.snaps[1];
    EXPECT_NE(r.snaps[2].find("Relógio desligado - tempo contado 0:02:15"), std::string::npos)
        << r.snaps[2];
    EXPECT_EQ(r.status, 0) << r.last();
}

TEST(Program, AtStartUpTheTerminalNamesTheDeclarationItLeftUnfinished) {
    Office o;
    create_client(o, kAna, "ANA");
    ASSERT_EQ(o.run("01", open_client(kAna, false)).status, 3);  // stops with Ana open
    Result r = o.run("01", "snap\nENTER\nALT+T\nENTER\n");
    ASSERT_FALSE(r.snaps.empty());
    for (const char* shown : {"A declaração de ANA (CPF 123.456.789-09)",
                              "não terminou corretamente neste terminal", "tecle F4"})
        EXPECT_NE(r.snaps[0].find(shown), std::string::npos) << shown << "\n" << r.snaps[0];
    EXPECT_EQ(r.status, 0) << r.last();
    // Another terminal, and this one after a clean close, have nothing to be told.
    EXPECT_FALSE(o.run("02", "snap\nALT+T\nENTER\n").shows("não terminou"));
    ASSERT_EQ(o.run("01", "ENTER\n" + open_client(kAna, false) + "ENTER\n" + kLeaveAndExit).status,
              0);
    EXPECT_FALSE(o.run("01", "snap\nALT+T\nENTER\n").shows("não terminou"));
}

}  // namespace
}  // namespace vorn::shell
