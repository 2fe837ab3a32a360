// The hand-over to the government declaration program: a fake "java" on PATH (written here into a
// temporary folder) records its arguments and writes the hash file, or does not, or fails, or
// hangs; every failure leaves the government folder byte for byte as it was and the registry
// unchanged. Also the hand-over's files under every failing write and a program killed half-way,
// and the rebuilding of the government program's list of declarations.
#include "output/handover.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "../tax/builder.h"
#include "output/handover_folder.h"
#include "shell/commands.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/env.h"
#include "tax/folder.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using tax::testing::Builder;

std::string bytes_of(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// Every file below `dir` (relative path → bytes), folders included as empty entries.
std::map<std::string, std::string> tree(const fs::path& dir) {
    std::map<std::string, std::string> m;
    if (!fs::exists(dir)) return m;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string rel = fs::relative(e.path(), dir).string();
        m[rel] = e.is_directory() ? std::string("<pasta>") : bytes_of(e.path());
    }
    return m;
}

struct Output {
    int status = 0;
    std::string out, err;
};

Output run(std::vector<std::string> args) {
    args.insert(args.begin(), "handover");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    auto* old_out = std::cout.rdbuf(out.rdbuf());
    auto* old_err = std::cerr.rdbuf(err.rdbuf());
    Output o;
    o.status = run_handover_command(static_cast<int>(argv.size()), argv.data());
    std::cout.rdbuf(old_out);
    std::cerr.rdbuf(old_err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

// The fake auxiliary program: appends its arguments (one a line, then "---") to argv.log beside
// it and does what the file "mode" says.
constexpr const char* kFakeJava = R"(#!/bin/sh
dir=$(dirname "$0")
for a in "$@"; do printf '%s\n' "$a" >> "$dir/argv.log"; done
echo --- >> "$dir/argv.log"
mode=$(cat "$dir/mode")
target="$3"
case "$mode" in
  ok) printf 'hash novo' > "${target%.xml}.conf"; exit 0 ;;
  noconf) exit 0 ;;
  fail) exit 1 ;;
  failconf) printf 'meio hash' > "${target%.xml}.conf"; exit 1 ;;
  hang) sleep 30 ;;
esac
exit 3
)";

class Handover : public ::testing::Test {
  protected:
    void SetUp() override {
        base = fs::path(VORN_BINARY_DIR) / "handover_test" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(base);
        data = base / "dados";
        irpf = base / "IRPF2026" / "aplicacao" / "dados";
        bin = base / "bin";
        fs::create_directories(data);
        fs::create_directories(irpf);
        fs::create_directories(bin);
        put(bin / "java", kFakeJava);
        fs::permissions(bin / "java", fs::perms::owner_all);
        mode("ok");
        put(base / "IHash.jar", "jar");
        old_path = std::getenv("PATH");
        setenv("PATH", (bin.string() + ":" + old_path).c_str(), 1);
        setenv("VORN_IRPF_XMLNS", "urn:teste:irpf", 1);
        setenv("VORN_IRPF_DIR", irpf.c_str(), 1);
        setenv("VORN_IHASH_JAR", (base / "IHash.jar").c_str(), 1);
        unsetenv("VORN_JAVA");
        unsetenv("VORN_IHASH_SECONDS");
    }
    void TearDown() override { setenv("PATH", old_path.c_str(), 1); }

    void mode(const std::string& m) { put(bin / "mode", m); }
    void write(const std::vector<tax::Declaration>& declarations) {
        ManualClock clock(DateTime{Date(2026, 3, 1), 0});
        ASSERT_TRUE(tax::write_folder(store::Env::posix(), data.string(), declarations, &clock));
    }
    static tax::Declaration employee(const char* cpf) {
        Builder b(cpf);
        b.d.registry.set("NOMECONTR", "FULANO DE TAL");
        b.company("60000.00", "5000.00", "6000.00", "5000.00");
        return b.d;
    }
    std::string registry_bytes() {
        std::string all;
        for (const auto& e : fs::directory_iterator(data))
            if (e.path().filename().string().rfind("IMP09", 0) == 0) all += bytes_of(e.path());
        return all;
    }
    tax::Declaration stored(const std::string& cpf) {
        tax::FolderReader::Loaded l;
        EXPECT_TRUE(tax::FolderReader::read_one(store::Env::posix(), data.string(), cpf, &l));
        return l.declaration;
    }
    std::string argv_log() { return bytes_of(bin / "argv.log"); }

    fs::path base, data, irpf, bin;
    std::string old_path;
};

constexpr const char* kCpf = "11144477735";
const std::string kXml = std::string(kCpf) + "-0000000000.xml";
const std::string kConf = std::string(kCpf) + "-0000000000.conf";
const std::string kBkp = std::string(kCpf) + "-0000000000.BKP";

TEST_F(Handover, SuccessPlacesDocumentAndHashRemovesBackupAndRecordsDeliveryAndStatus) {
    write({employee(kCpf)});
    const fs::path folder = irpf / kCpf;
    put(folder / kXml, "documento anterior");
    put(folder / kConf, "hash anterior");
    put(folder / kBkp, "copia do programa");
    Output o = run({"--folder", data.string(), "--cpf", kCpf, "--status", "7", "--now",
                    "2026-04-20 09:00:00"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find(std::string(kCpf) + " transferida"), std::string::npos) << o.out;
    const std::string doc = bytes_of(folder / kXml);
    EXPECT_EQ(doc.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<classe", 0), 0u);
    EXPECT_NE(doc.find("xmlns=\"urn:teste:irpf\""), std::string::npos);
    EXPECT_EQ(bytes_of(folder / kConf), "hash novo");
    EXPECT_FALSE(fs::exists(folder / kBkp));
    // Only the pair: nothing set aside or temporary is left beside it.
    EXPECT_EQ(tree(folder).size(), 2u);
    // java -jar JAR TARGET, the target's full path as one argument.
    EXPECT_EQ(argv_log(), "-jar\n" + (base / "IHash.jar").string() + "\n" +
                              (folder / kXml).string() + "\n---\n");
    // The office keeps what was replaced.
    const auto copies = tree(data / "COPIAS-IRPF");
    EXPECT_EQ(copies.at(std::string(kCpf) + "/000001/" + kXml), "documento anterior");
    EXPECT_EQ(copies.at(std::string(kCpf) + "/000001/" + kConf), "hash anterior");
    EXPECT_EQ(copies.at(std::string(kCpf) + "/000001/" + kBkp), "copia do programa");
    const tax::Declaration d = stored(kCpf);
    EXPECT_EQ(d.registry.date("DENTREGA"), Date(2026, 4, 20));
    EXPECT_EQ(d.registry.num("ESTATUS"), Decimal(7));

    // Five more hand-overs: the last five copies are kept.
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(run({"--folder", data.string(), "--cpf", kCpf}).status, 0);
    std::set<std::string> kept;
    for (const auto& e : fs::directory_iterator(data / "COPIAS-IRPF" / kCpf))
        kept.insert(e.path().filename().string());
    EXPECT_EQ(kept, (std::set<std::string>{"000002", "000003", "000004", "000005", "000006"}));
}

// Each failure of the auxiliary program: reported with its cause, the government folder byte for
// byte as before (with and without a stale hash file of an earlier hand-over), the registry
// untouched.
TEST_F(Handover, EveryFailureLeavesTheGovernmentFolderAndTheRegistryAsTheyWere) {
    write({employee(kCpf)});
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* cause;
    };
    const std::vector<Case> cases = {
        {"java ausente", [&] { setenv("VORN_JAVA", "java-que-nao-existe", 1); },
         "Java não encontrado"},
        {"jar ausente", [&] { setenv("VORN_IHASH_JAR", (base / "nada.jar").c_str(), 1); },
         "IHash.jar não encontrado"},
        {"código 1", [&] { mode("fail"); }, "código 1"},
        {"código 1 com hash", [&] { mode("failconf"); }, "código 1"},
        {"sem conf", [&] { mode("noconf"); }, "não gravou"},
        {"parado",
         [&] {
             mode("hang");
             setenv("VORN_IHASH_SECONDS", "0.5", 1);
         },
         "0.5 segundos"},
    };
    const fs::path folder = irpf / kCpf;
    for (bool earlier : {false, true}) {
        fs::remove_all(folder);
        if (earlier) {
            put(folder / kXml, "documento anterior");
            put(folder / kConf, "hash anterior");  // stale: must not pass for the new one's
            put(folder / kBkp, "copia");
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (earlier ? " com par anterior" : ""));
            const auto before = tree(irpf);
            const std::string reg = registry_bytes();
            c.arrange();
            Output o = run({"--folder", data.string(), "--cpf", kCpf, "--yes"});
            EXPECT_EQ(o.status, 1);
            EXPECT_NE(o.out.find(std::string(kCpf) + " não transferida"), std::string::npos)
                << o.out;
            EXPECT_NE(o.out.find(c.cause), std::string::npos) << o.out;
            EXPECT_NE(o.err.find("A declaração não foi transferida"), std::string::npos);
            EXPECT_EQ(tree(irpf), before);
            EXPECT_EQ(registry_bytes(), reg);
            setenv("VORN_IHASH_JAR", (base / "IHash.jar").c_str(), 1);
            unsetenv("VORN_JAVA");
            unsetenv("VORN_IHASH_SECONDS");
            mode("ok");
        }
    }
    // A run that exits 0 without the hash file is tried once more, without a shell.
    fs::remove(bin / "argv.log");
    mode("noconf");
    EXPECT_EQ(run({"--folder", data.string(), "--cpf", kCpf}).status, 1);
    std::istringstream log(argv_log());
    int runs = 0;
    for (std::string line; std::getline(log, line);) runs += line == "---";
    EXPECT_EQ(runs, 2);
}

// A government folder whose path holds blanks, quotes, "$(...)" and ";": the program receives it
// as one argument and nothing else runs.
TEST_F(Handover, AHostileFolderPathRunsNothingElse) {
    write({employee(kCpf)});
    const fs::path odd = base / "IRPF 'x' \"y\" $(touch PWNED); touch PWNED2" / "aplicacao";
    fs::create_directories(odd);
    setenv("VORN_IRPF_DIR", odd.c_str(), 1);
    const fs::path cwd = fs::current_path();
    fs::current_path(base);
    Output o = run({"--folder", data.string(), "--cpf", kCpf});
    fs::current_path(cwd);
    EXPECT_EQ(o.status, 0) << o.err << o.out;
    EXPECT_EQ(argv_log(), "-jar\n" + (base / "IHash.jar").string() + "\n" +
                              (odd / kCpf / kXml).string() + "\n---\n");
    EXPECT_EQ(bytes_of(odd / kCpf / kConf), "hash novo");
    for (const char* f : {"PWNED", "PWNED2"}) {
        EXPECT_FALSE(fs::exists(base / f));
        EXPECT_FALSE(fs::exists(cwd / f));
    }
}

// Questions answer "N" in a batch unless --yes; a CPF that is not 11 digits never names a path;
// a refused document fails with the writer's reason and writes nothing.
TEST_F(Handover, BatchOfThreeWithOneFailureAndTheQuestions) {
    tax::Declaration delivered = employee("52998224725");
    delivered.registry.set("RECIBOATU", "123456789012");
    write({employee(kCpf), employee("39053344705"), delivered});
    // A capital gain whose buyers' names and numbers do not pair up: the writer refuses it.
    store::Record gain(store::table_def(7)->layout);
    gain.set("CPF", "39053344705");
    gain.set("BEM_NRO", Decimal(1));
    gain.set("TIPO_BEM", Decimal(1));
    gain.set("DATA_ALI", Date(2025, 5, 10));
    gain.set("MAISDE1", "S");
    gain.set("CPFNOME", "JOAO, 11144477735, MARIA");
    ManualClock clock(DateTime{Date(2026, 3, 1), 0});
    ASSERT_TRUE(store::Table::create(
        store::Env::posix(), (data / (store::table_def(7)->file_base("") + ".DBF")).string(),
        *store::table_def(7)->layout, {gain}, &clock, true));
    Output o = run({"--folder", data.string(), "--all", "--now", "2026-04-20 09:00:00"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find(std::string(kCpf) + " transferida"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("39053344705 não transferida: "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("CPF e Nome do(s) adquirente(s)"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("52998224725 não transferida: declaração já entregue"), std::string::npos)
        << o.out;
    EXPECT_NE(o.err.find("já  foi entregue na receita.   / Se transferir"), std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find("2 de 3 declarações não transferidas"), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(irpf / "39053344705"));
    EXPECT_FALSE(fs::exists(irpf / "52998224725"));
    EXPECT_TRUE(stored("39053344705").registry.date("DENTREGA").blank());
    // --yes answers the question.
    o = run({"--folder", data.string(), "--cpf", "52998224725", "--yes"});
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_TRUE(fs::exists(irpf / "52998224725" / "52998224725-0000000000.conf"));

    output::HandoverFiles f;
    EXPECT_EQ(output::handover_files(irpf.string(), "../../etc/x", &f).code(),
              Status::Code::kInvalid);
    EXPECT_EQ(output::handover_files(irpf.string(), "1114447773", &f).code(),
              Status::Code::kInvalid);
}

// Answers the hash program's part in process: writes the hash file of the target through the
// real file system.
class HashWriter final : public Processes {
  public:
    Status run(const std::vector<std::string>&) override { return Status::ok(); }
    Status start(const std::vector<std::string>&, long*) override { return Status::ok(); }
    void stop(long) override {}
    Status capture(const std::vector<std::string>&, const std::vector<std::string>&,
                   std::string*) override {
        return Status::ok();
    }
    Status run_limited(const std::vector<std::string>& argv, double) override {
        const std::string& target = argv.back();
        put(target.substr(0, target.size() - 4) + ".conf", "hash de " + bytes_of(target));
        return Status::ok();
    }
};

// The hand-over's writes failing one at a time (the run goes on), and the program killed at
// each of them (nothing after it happens; the next hand-over's start puts things right): the
// folder holds the earlier pair or the new one, whole, never a mixture or a torn file.
TEST_F(Handover, FailingOrKilledAtEveryWriteLeavesTheEarlierOrTheNewPair) {
    const fs::path folder = irpf / kCpf;
    const std::string doc = "<?xml version=\"1.0\"?>\r\n<classe>novo</classe>";
    const std::map<std::string, std::string> old_pair = {{kXml, "documento anterior"},
                                                         {kConf, "hash anterior"}};
    const std::map<std::string, std::string> new_pair = {{kXml, doc}, {kConf, "hash de " + doc}};
    auto reset = [&] {
        fs::remove_all(folder);
        fs::remove_all(base / "copias");
        for (const auto& [name, bytes] : old_pair) put(folder / name, bytes);
    };
    output::HandoverSetup setup;
    setup.irpf_folder = irpf.string();
    setup.backup_folder = (base / "copias").string();
    setup.hash.jar = (base / "IHash.jar").string();
    HashWriter hash;
    // The number of steps of a whole run.
    reset();
    store::FaultEnv counting(store::Env::posix());
    ASSERT_TRUE(output::DISQUETE(counting, hash, setup, kCpf, doc));
    EXPECT_EQ(tree(folder), new_pair);
    const int steps = counting.steps();
    ASSERT_GT(steps, 5);
    for (store::Crash how : {store::Crash::kNone, store::Crash::kProgram}) {
        for (int n = 1; n <= steps; ++n) {
            SCOPED_TRACE("passo " + std::to_string(n) +
                         (how == store::Crash::kNone ? " falha" : " interrompido"));
            reset();
            store::FaultEnv env(store::Env::posix());
            env.fail_at(n, how);
            const Status s = output::DISQUETE(env, hash, setup, kCpf, doc);
            if (how == store::Crash::kProgram) {
                output::HandoverFiles f;
                ASSERT_TRUE(output::handover_files(irpf.string(), kCpf, &f));
                ASSERT_TRUE(output::recover_interrupted(store::Env::posix(), f));
            }
            // What the government program reads: the two names. Besides them only an earlier
            // file set aside may stay (when dropping it failed), never a temporary one.
            std::map<std::string, std::string> now;
            for (const auto& [name, bytes] : tree(folder)) {
                if (name == kXml || name == kConf) {
                    now[name] = bytes;
                } else {
                    EXPECT_TRUE(how == store::Crash::kNone && s &&
                                name.find(".vorn-anterior") != std::string::npos)
                        << name;
                }
            }
            if (how == store::Crash::kNone) {
                EXPECT_EQ(now, s ? new_pair : old_pair);
            }
            EXPECT_TRUE(now == old_pair || now == new_pair) << now.size();
        }
    }
}

TEST_F(Handover, RebuildingTheListReadsEachFolderAndLeavesTheOthersAlone) {
    auto document = [](const std::string& cpf, const std::string& name) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<classe xmlns=\"urn:teste:irpf\">"
               "<contribuinte nome=\"" +
               name + "\"/><copiaIdentificador tpTransmitida=\"\" cpf=\"" + cpf + "\" nome=\"" +
               name + "\"/></classe>";
    };
    put(irpf / "11144477735" / "11144477735-0000000000.xml",
        document("111.444.777-35", "ANA & CIA"));
    put(irpf / "11144477735" / "11144477735-0000000000.conf", "h");
    put(irpf / "52998224725" / "52998224725-2026123456.xml", document("529.982.247-25", "BIA"));
    put(irpf / "52998224725" / "52998224725-2026123456.conf", "h");
    put(irpf / "39053344705" / "39053344705-0000000000.xml", document("390.533.447-05", "SEM"));
    put(irpf / "39053344705" / "39053344705-0000000000.BKP", "b");
    put(irpf / "70000000000" / "70000000000-0000000000.xml", "<classe><quebrado");
    put(irpf / "70000000000" / "70000000000-0000000000.conf", "h");
    put(irpf / "aplicacao" / "x.txt", "outra coisa");
    put(irpf / "iddeclaracoes.xml", "lista anterior");
    put(irpf / "iddeclaracoes.conf", "hash anterior");
    output::HandoverSetup setup;
    setup.irpf_folder = irpf.string();
    setup.backup_folder = (base / "copias").string();
    setup.hash.jar = (base / "IHash.jar").string();
    ScriptedOperator op;
    op.yes_no_answers = {true};
    output::ListOutcome out;
    const auto untouched = tree(irpf / "39053344705");
    ASSERT_TRUE(output::RECUP_INDICE(op, store::Env::posix(), SystemProcesses::instance(), setup,
                                     "urn:teste:irpf", "26", true, &out));
    const std::string list =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><classe xmlns=\"urn:teste:irpf\" "
        "classeJava=\"serpro.ppgd.irpf.ColecaoIdDeclaracao\" "
        "tipoItens=\"serpro.ppgd.irpf.IdentificadorDeclaracao\">"
        "<item tpTransmitida=\"\" cpf=\"111.444.777-35\" nome=\"ANA &amp; CIA\"/>"
        "<item tpTransmitida=\"\" cpf=\"529.982.247-25\" nome=\"BIA\"/></classe>";
    EXPECT_EQ(bytes_of(irpf / "iddeclaracoes.xml"), list);
    EXPECT_EQ(bytes_of(irpf / "iddeclaracoes.conf"), "hash novo");
    EXPECT_EQ(out.folders, 4);
    EXPECT_EQ(out.recovered, 2);
    EXPECT_EQ(out.preparing, 1);
    EXPECT_EQ(out.transmitted, 1);
    EXPECT_EQ(out.without_conf, 1);
    EXPECT_EQ(out.defective, 1);
    EXPECT_EQ(tree(irpf / "39053344705"), untouched);  // never removed
    EXPECT_EQ(bytes_of(base / "copias" / "iddeclaracoes" / "000001" / "iddeclaracoes.xml"),
              "lista anterior");
    ASSERT_EQ(op.said.size(), 2u);
    EXPECT_EQ(op.said[0].text,
              "Essa opção deve ser usada para recuperar a lista dos CPFs\nperdidos nas "
              "declarações da Receita IRPF 2026\n Continua?");
    EXPECT_EQ(op.said[1].title, "Recuperação de CPF´s do programa da Receita");
    EXPECT_EQ(op.said[1].text.substr(0, op.said[1].text.find("\n39053344705")),
              "    Do total de 4 pastas foram:\n    Recuperadas 2 declarações\nNão recuperadas 2 "
              "sendo:\n   Pasta Vazia  1 sem arquivo CONF\n   Arquivo XML  1 com defeito\n  Em "
              "preenchimento 1 OK \n  Já Transmitidas  1 OK ");

    // The hash failing: the earlier list and its hash file come back as they were.
    mode("noconf");
    const auto before = tree(irpf);
    ScriptedOperator quiet;
    EXPECT_FALSE(output::RECUP_INDICE(quiet, store::Env::posix(), SystemProcesses::instance(),
                                      setup, "urn:teste:irpf", "26", false, &out));
    EXPECT_EQ(tree(irpf), before);
    EXPECT_TRUE(quiet.said.empty());
    // An empty folder has nothing to recover.
    fs::remove_all(irpf);
    fs::create_directories(irpf);
    ScriptedOperator asked;
    asked.yes_no_answers = {true};
    EXPECT_FALSE(output::RECUP_INDICE(asked, store::Env::posix(), SystemProcesses::instance(),
                                      setup, "urn:teste:irpf", "26", true, &out));
    EXPECT_EQ(asked.said.back().text,
              "Não existem arquivos para serem recuperados! A Pasta esta correta?");
}

TEST(HandoverTexts, FileErrorsAndTheJarsPlace) {
    EXPECT_EQ(output::VEJAERRO(ENOENT, "A.XML"), "Erro! Arquivo A.XML não encontrado");
    EXPECT_EQ(output::VEJAERRO(EACCES, "A"), "Erro! Acesso negado. Outro terminal usando? ");
    EXPECT_EQ(output::VEJAERRO(EMFILE, "A"),
              "Erro! Muitos arquivos abertos. Confira o Config e Autoexec.");
    EXPECT_EQ(output::VEJAERRO(ENOTDIR, "A"), "Erro! Caminho não encontrado");
    EXPECT_EQ(output::VEJAERRO(28, "A"), "Erro nro: 028");
    const fs::path base = fs::path(VORN_BINARY_DIR) / "handover_test" / "jar";
    fs::remove_all(base);
    fs::create_directories(base / "inst");
    put(base / "IRPF2026" / "IHash.jar", "jar");
    const std::string irpf = (base / "IRPF2026" / "aplicacao" / "dados").string();
    store::Env& env = store::Env::posix();
    EXPECT_EQ(output::default_hash_jar(env, (base / "inst").string(), irpf),
              (base / "IRPF2026" / "IHash.jar").string());
    put(base / "inst" / "IHash.jar", "jar");
    EXPECT_EQ(output::default_hash_jar(env, (base / "inst").string(), irpf),
              (base / "inst" / "IHash.jar").string());
}

}  // namespace
}  // namespace vorn
