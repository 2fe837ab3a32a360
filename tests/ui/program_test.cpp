// The real program run headless through --keys: snapshots, the exit statuses of the contract.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "harness.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        // Short: the settings tables hold folders of up to 80 characters.
        static int count = 0;
        dir_ = fs::temp_directory_path() /
               ("vorn_program_" + std::to_string(getpid()) + "_" + std::to_string(++count));
        fs::create_directories(dir_);
        // The program starts on an installation: the delivered tables in its directory.
        install_ = dir_ / "inst";
        std::string cmd = std::string(VORN_BINARY_DIR) + "/vorn2026 install " + install_.string() +
                          " > /dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs vorn2026 with a key script and extra arguments, in the installation directory.
    Outcome run(const std::string& script,
                const std::string& args = "--now \"2026-04-10 09:00:00\"",
                const std::string& dir2026 = {}) {
        std::ofstream(dir_ / "keys.txt") << script;
        std::string cmd = "cd " + install_.string() +
                          " && DIR2026=" + (dir2026.empty() ? install_.string() : dir2026) +
                          " HOME=" + install_.string() + " " + std::string(VORN_BINARY_DIR) +
                          "/vorn2026 --keys " + (dir_ / "keys.txt").string() + " " + args + " > " +
                          (dir_ / "out").string() + " 2> " + (dir_ / "err").string();
        int raw = std::system(cmd.c_str());
        Outcome r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(dir_ / "out");
        r.err = slurp(dir_ / "err");
        return r;
    }
    fs::path dir_, install_;
};

TEST_F(Program, MainWindowAndConfirmedExitGolden) {
    Outcome r = run("snap\nESC\nsnap\nENTER\n");
    EXPECT_EQ(r.status, 0) << r.err;
    vorn::ui::testing::expect_golden("program_main_exit", r.out);
}

TEST_F(Program, AMissingInstallationFolderIsNamedAndTheCurrentOneUsed) {
    Outcome r =
        run("snap\nENTER\nALT+T\nENTER\n", "--now \"2026-04-10 09:00:00\"", "/no/such/vorn");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("<Dir> /no/such/vorn não encontrado. Assumindo o padrão!"),
              std::string::npos)
        << r.out;
}

TEST_F(Program, NoKeepsTheProgramAndTheMenuEndsItToo) {
    // "Não" keeps the program; the menu's last item of its first pad ends it, asking again.
    Outcome r = run("ESC\ntext n\nF10\nEND\nENTER\nsnap\nENTER\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Confirma saída do programa?"), std::string::npos);
    Outcome alt = run("ALT+T\ntext s\n");
    EXPECT_EQ(alt.status, 0) << alt.err;
    EXPECT_EQ(alt.out, "");
}

TEST_F(Program, ScriptRunningOutEndsWithStatusThreeAndTheFinalScreen) {
    Outcome r = run("ESC\n", "--screens " + (dir_ / "screens.txt").string());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    std::string screens = slurp(dir_ / "screens.txt");
    EXPECT_NE(screens.find("Confirma saída do programa?"), std::string::npos);
    EXPECT_EQ(screens.substr(screens.size() - 5), "----\n");
    EXPECT_EQ(std::count(screens.begin(), screens.end(), '\n'), 26);
}

TEST_F(Program, BadScriptsAndArgumentsEndWithStatusTwo) {
    Outcome r = run("ESC\n\n# comment\nPAGEDOWN\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("keys.txt:4:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("PAGEDOWN"), std::string::npos);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(run("ENTER\n", "--now yesterday").status, 2);
    EXPECT_EQ(run("ENTER\n", "--bogus").status, 2);
}

}  // namespace
