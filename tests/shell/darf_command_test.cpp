// Through the real program: `vorn2026 darf` over a folder of generated declarations writes each
// DARF's text file byte for byte (goldens under tests/data/darf/batch_*, rewritten with
// UPDATE_GOLDEN=1), prints a line per DARF, tells the skipped clients why, keeps clients of equal
// names apart, and leaves the folder untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "office.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The files of `dir` by name, with the command's standard output as "stdout".
std::map<std::string, std::string> files_of(const fs::path& dir, const std::string& out) {
    std::map<std::string, std::string> files{{"stdout", out}};
    for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename()] = slurp(e.path());
    return files;
}

void expect_golden_dir(const std::string& name, const std::map<std::string, std::string>& got) {
    const fs::path dir = fs::path(VORN_SOURCE_DIR) / "tests/data/darf" / name;
    if (std::getenv("UPDATE_GOLDEN") != nullptr) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const auto& [file, text] : got) std::ofstream(dir / file, std::ios::binary) << text;
        return;
    }
    ASSERT_TRUE(fs::is_directory(dir)) << "golden missing: " << dir << " (UPDATE_GOLDEN=1)";
    std::map<std::string, std::string> want;
    for (const auto& e : fs::directory_iterator(dir)) want[e.path().filename()] = slurp(e.path());
    EXPECT_EQ(got.size(), want.size());
    for (const auto& [file, text] : want) {
        auto it = got.find(file);
        ASSERT_NE(it, got.end()) << "missing file " << file;
        EXPECT_EQ(it->second, text) << file;
    }
}

void donate(tax::Declaration& d, const char* fund, const char* value) {
    store::Record p = d.new_record(6);
    p.set("I6_1", fund);
    p.set("I6_2", "11222333000181");
    p.set("I6_3", Decimal(39));
    p.set("I6_4", Decimal::from(value));
    d.payments.push_back(p);
}

// Five clients; the first two share a first and last name and donate to children's funds, the
// first twice.
Office clients() {
    return Office(5, [](int i, tax::Declaration& d) {
        if (i == 0) d.set("NOMECONTR", "JOSE CARLOS SILVA");
        if (i == 1) d.set("NOMECONTR", "JOSE PEREIRA SILVA");
        if (i == 0) donate(d, "Fundo Nacional da Crianca", "40.00");
        if (i <= 1) donate(d, "Fundo Municipal da Crianca de Campinas - SP", "25.50");
    });
}

struct Result {
    int status = 0;
    std::string out, err;
};

Result darf(Office& o, const std::string& args, const char* now = kNow) {
    Result r;
    fs::remove_all(o.inst.path() + "/out");
    fs::create_directories(o.inst.path() + "/out");
    r.out = run(o.inst,
                kBinary + " darf --folder . --out out --now '" + now + "' " + args + " 2>err.txt",
                &r.status);
    r.err = slurp(o.inst.path() + "/err.txt");
    return r;
}

// Every file of the installation but the run's own, with its bytes.
std::map<std::string, std::string> folder_bytes(Office& o) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(o.inst.path()))
        if (e.is_regular_file() && e.path().filename() != "err.txt")
            out[e.path().filename()] = slurp(e.path());
    return out;
}

TEST(DarfCommand, DonationsAppendPerClientAndKeepEqualNamesApart) {
    Office o = clients();
    const auto before = folder_bytes(o);
    const Result r = darf(o, "--all --kind 7");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(folder_bytes(o), before);  // read-only on the folder
    const auto files = files_of(o.inst.path() + "/out", r.out);
    // The first client's two donations share one file; the second client of the same name gets
    // its CPF in the name; the others are told on standard error.
    const std::string shared = "Darf ECA - 12-2025 - JOSE SILVA.txt";
    ASSERT_TRUE(files.count(shared)) << r.out;
    EXPECT_TRUE(files.count("Darf ECA - 12-2025 - JOSE SILVA - " + o.cpf(1) + ".txt")) << r.out;
    EXPECT_EQ(std::count(files.at(shared).begin(), files.at(shared).end(), '\f'), 1);
    EXPECT_NE(r.err.find("CPF " + o.cpf(2) + ": Não existe doação para o ECA nesse CPF!"),
              std::string::npos)
        << r.err;
    expect_golden_dir("batch_kind07", files);

    // After the deadline donation DARFs are refused and nothing is written.
    const Result late = darf(o, "--all --kind 7", "2026-06-01 09:00:00");
    EXPECT_EQ(late.out, "");
    EXPECT_NE(late.err.find("só é permitido"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(o.inst.path() + "/out"));
}

TEST(DarfCommand, QuotasScheduleAndArguments) {
    Office o = clients();
    const Result r = darf(o, "--all --kind 1 --from 2 --to 2 --pay 15/08/2026");
    EXPECT_EQ(r.status, 0) << r.err;
    expect_golden_dir("batch_kind01", files_of(o.inst.path() + "/out", r.out));
    const Result one = darf(o, "--cpf " + o.cpf(3) + " --kind 6 --pay 20/07/2026");
    EXPECT_EQ(one.status, 0) << one.err;
    expect_golden_dir("batch_kind06", files_of(o.inst.path() + "/out", one.out));

    int status = 0;
    const std::string schedule =
        run(o.inst, kBinary + " darf --folder . --all --schedule --now '" + kNow + "'", &status);
    EXPECT_EQ(status, 0);
    expect_golden_dir("batch_schedule", {{"stdout", schedule}});

    for (const char* bad :
         {"--all --kind 10", "--all --kind 1 --from 9", "--all --kind 2 --from 3 --to 2",
          "--all --kind 3", "--all --kind 1 --pay 31/02/2026"}) {
        const Result b = darf(o, bad);
        EXPECT_EQ(b.status, 1) << bad;
        EXPECT_NE(b.err, "") << bad;
    }
}

}  // namespace
}  // namespace vorn::shell
