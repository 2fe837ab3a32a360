// `vorn2026 letter`, the real binary over a generated office: one client, every client (also into
// a text file, never left half-written), the marked ones (each a page of its own), and the refusals
// (a letter name with a folder, a missing letter, an unknown CPF, no choice of clients) with exit
// status 1 and the reason on standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "office.h"

namespace vorn::shell {
namespace {

// The command's standard output, its standard error into *err.
std::string letter(Office& o, const std::string& args, int* status, std::string* err) {
    const std::string err_file = o.inst.path() + "/letter.err";
    const std::string out =
        run(o.inst, kBinary + " letter --folder . " + args + " 2>'" + err_file + "'", status);
    std::ifstream in(err_file);
    err->assign(std::istreambuf_iterator<char>(in), {});
    return out;
}

void names(int i, tax::Declaration& d) {
    static const char* const kNames[] = {"PEDRO ALVES", "ANA SOUZA", "JOSE DA SILVA"};
    d.registry.set("NOMECONTR", kNames[i]);
    d.registry.set("IMPRE", i == 1 ? "" : "S");
}

TEST(LetterCommand, OneAllAndMarkedClientsAndTheRefusals) {
    Office o(3, names);
    std::ofstream(o.inst.path() + "/carta.txt", std::ios::binary) << "\xAENome\xAF - CPF \xAE"
                                                                     "CPF\xAF\r\n";
    int status = 0;
    std::string err;
    const std::string one = letter(o, "--letter carta --cpf " + o.cpf(1), &status, &err);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(one.find('\f'), std::string::npos);
    EXPECT_NE(one.find("ANA SOUZA - CPF " + o.cpf(1).substr(0, 3) + "."), std::string::npos) << one;
    // Every client in name order, a page each.
    const std::string every = letter(o, "--letter carta.txt --all", &status, &err);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(std::count(every.begin(), every.end(), '\f'), 2) << every;
    const size_t ana = every.find("ANA SOUZA"), jose = every.find("JOSE DA SILVA"),
                 pedro = every.find("PEDRO ALVES");
    EXPECT_TRUE(ana < jose && jose < pedro) << every;
    // Into a text file: the same text; a run that fails leaves no file behind.
    EXPECT_TRUE(letter(o, "--letter carta --all --txt todas.txt", &status, &err).empty());
    EXPECT_EQ(status, 0) << err;
    std::ifstream written(o.inst.path() + "/todas.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), every);
    (void)letter(o, "--letter carta --cpf 52998224725 --txt nada.txt", &status, &err);
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(std::filesystem::exists(o.inst.path() + "/nada.txt"));
    EXPECT_FALSE(std::filesystem::exists(o.inst.path() + "/nada.txt.tmp"));
    const std::string marked = letter(o, "--letter carta --marked", &status, &err);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(marked.find("ANA SOUZA"), std::string::npos);
    EXPECT_NE(marked.find("PEDRO ALVES"), std::string::npos);

    for (const char* bad :
         {"--letter ../carta --all", "--letter sub/carta --all", "--letter nenhuma --all",
          "--letter carta --cpf 52998224725", "--letter carta", "--all"}) {
        const std::string out = letter(o, bad, &status, &err);
        EXPECT_EQ(status, 1) << bad;
        EXPECT_TRUE(out.empty()) << bad << ": " << out;
        EXPECT_EQ(err.rfind("vorn2026 letter: ", 0), 0u) << bad << ": " << err;
    }
    (void)letter(o, "--letter ../carta --all", &status, &err);
    EXPECT_NE(err.find("Nome de carta inválido"), std::string::npos) << err;
    (void)letter(o, "--letter nenhuma --all", &status, &err);
    EXPECT_NE(err.find("carta não encontrada"), std::string::npos) << err;
    (void)letter(o, "--letter carta --cpf 52998224725", &status, &err);
    EXPECT_NE(err.find("CPF não cadastrado"), std::string::npos) << err;
}

}  // namespace
}  // namespace vorn::shell
