// The bank remittance file: golden files read by a checker written apart from the program, the
// day's letters, the refusals that would make the bank reject a file, and a run failing at every
// step or cut short by a crash, which leaves either the file and no slips or the slips and no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "office/remittance.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/opening.h"
#include "store_test_util.h"

namespace vorn::office {
namespace {

namespace fs = std::filesystem;
using store::Crash;
using store::Env;

const Date kToday(2026, 4, 10);

BankSetup office_with_cnpj() {
    BankSetup b;
    b.branch = "0057";
    b.account = std::string("12345") + itau_account_digit("0057", "12345");
    b.name = "ESCRITÓRIO CONTÁBIL ÁGUIA LTDA";
    b.cnpj = "11222333000181";
    b.portfolio = "109";
    return b;
}

Slip slip(long long doc, long long ref, const char* amount, const char* name, const char* cpf) {
    return {doc, ref, Date(2026, 4, 30), Decimal::from(amount), name, cpf};
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The checker's line for a file: slips and total cents; its complaint when it refuses it.
std::string checked(const std::string& path) {
    const std::string command = "python3 '" + std::string(VORN_SOURCE_DIR) +
                                "/tests/office/tools/check_remessa.py' '" + path + "' 2>&1";
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[512];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = p ? ::pclose(p) : -1;
    EXPECT_EQ(rc, 0) << out;
    return out;
}

// An installation directory with BOLETO holding `slips`, and a terminal over it.
struct Office {
    store::testing::TempDir dir;
    ManualClock clock{DateTime{kToday, 9 * 3600}};
    ScriptedOperator op;
    store::CdxIndexFiles cdx{op};
    explicit Office(const std::vector<Slip>& slips) {
        std::vector<store::Record> rows;
        for (const Slip& s : slips) {
            store::Record r(store::table_def(67)->layout);
            r.set("NRODOCUM", Decimal(s.document));
            r.set("NOSSONRO", Decimal(s.reference));
            r.set("DATADOC", s.due);
            r.set("VALORDOC", s.amount);
            r.set("NOMESAC", s.payer_name);
            r.set("CPFSAC", s.payer_cpf);
            rows.push_back(r);
        }
        EXPECT_TRUE(store::Table::create(Env::posix(), slips_path(), *store::table_def(67)->layout,
                                         rows, &clock, true)
                        .is_ok());
        // Opened once, as a terminal finds it: its index made.
        auto w = terminal(Env::posix());
        EXPECT_TRUE(store::ABERTURA(*w, 67));
        w->close(67);
    }
    std::string slips_path() const {
        return store::join_path(dir.path(), store::table_def(67)->file_base("") + ".DBF");
    }
    size_t slip_count() const {
        std::unique_ptr<store::Table> t;
        store::OpenOptions o;
        o.read_only = true;
        EXPECT_TRUE(store::Table::open(Env::posix(), slips_path(), o, &t).is_ok());
        std::vector<Slip> s;
        EXPECT_TRUE(read_slips(*t, &s).is_ok());
        EXPECT_TRUE(t->close().is_ok());
        return s.size();
    }
    std::unique_ptr<store::WorkAreas> terminal(Env& env) {
        auto w = std::make_unique<store::WorkAreas>(env, op, clock);
        w->ARQDEF = w->LOCARQ = dir.path();
        w->NUSU = "01";
        w->index_files = &cdx;
        return w;
    }
    std::vector<std::string> remittances() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (const std::string n = e.path().filename().string();
                n.rfind("C2604", 0) == 0 && n.size() == 12 && n.substr(8) == ".txt")
                out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

const auto kAddresses = [](const std::string& cpf) -> std::optional<PayerAddress> {
    if (cpf != "52998224725") return std::nullopt;
    return PayerAddress{"RUA",      "DAS ACÁCIAS", "120", "JARDIM PAULISTA",
                        "01310100", "SÃO PAULO",   "SP",  ""};
};

TEST(Remittance, GoldenFilesPassTheCheckerWithCnpjOrCpfAndAccentsReplaced) {
    const std::vector<Slip> slips = {slip(2, 1001, "150.00", "JOSÉ DA CONCEIÇÃO", "52998224725"),
                                     slip(1, 1000, "1234.56", "MARIA SEM PASTA", "11144477735")};
    for (const bool with_cnpj : {true, false}) {
        Office o(slips);
        BankSetup b = office_with_cnpj();
        if (!with_cnpj) {
            b.cnpj.clear();
            b.cpf = "39053344705";
        }
        auto w = o.terminal(Env::posix());
        RemittanceResult r;
        ASSERT_TRUE(write_remittance(*w, b, kToday, kAddresses, &r).is_ok());
        EXPECT_EQ(fs::path(r.path).filename(), "C260410A.txt");
        EXPECT_EQ(r.slips, 2);
        EXPECT_EQ(r.not_found, std::vector<std::string>{"11144477735"});
        EXPECT_EQ(o.slip_count(), 0u);  // emptied
        EXPECT_EQ(checked(r.path), "2 138456\n");
        const std::string text = slurp(r.path);
        EXPECT_EQ(text.size(), 4u * 402);
        EXPECT_EQ(text.substr(1 * 402 + 1, 16),
                  with_cnpj ? "0211222333000181" : "0100039053344705");
        EXPECT_EQ(text.substr(2 * 402 + 126, 13), "0000000015000");  // 150.00, in reference order
        EXPECT_EQ(text.substr(2 * 402 + 234, 30), "JOSE DA CONCEICAO             ");
        EXPECT_EQ(text.substr(2 * 402 + 274, 40), "RUA   DAS ACACIAS                 120   ");
        EXPECT_EQ(text.substr(3 * 402, 1), "9");
        if (with_cnpj) {
            const std::string golden =
                std::string(VORN_SOURCE_DIR) + "/tests/data/office/" + "C260410A_cnpj.txt";
            if (std::getenv("VORN_UPDATE_GOLDEN"))
                fs::copy_file(r.path, golden, fs::copy_options::overwrite_existing);
            EXPECT_EQ(text, slurp(golden));
        }
    }
}

TEST(Remittance, TheDaysFilesTakeTheNextLetterAndStopAfterZ) {
    Office o({slip(1, 7, "10.00", "JOSE", "52998224725")});
    auto w = o.terminal(Env::posix());
    std::ofstream(o.dir.path() + "/C260410A.txt") << "anterior";
    RemittanceResult r;
    ASSERT_TRUE(write_remittance(*w, office_with_cnpj(), kToday, kAddresses, &r).is_ok());
    EXPECT_EQ(fs::path(r.path).filename(), "C260410B.txt");
    EXPECT_EQ(slurp(o.dir.path() + "/C260410A.txt"), "anterior");

    Office full({slip(1, 7, "10.00", "JOSE", "52998224725")});
    for (char c = 'A'; c <= 'Z'; ++c)
        std::ofstream(full.dir.path() + "/" + remittance_name(kToday, c)) << c;
    auto w2 = full.terminal(Env::posix());
    Status s = write_remittance(*w2, office_with_cnpj(), kToday, kAddresses, &r);
    EXPECT_EQ(s.code(), Status::Code::kInvalid);
    EXPECT_EQ(full.slip_count(), 1u);
}

TEST(Remittance, WhatTheBankWouldRefuseWritesNothingAndKeepsTheSlips) {
    struct Case {
        const char* why;
        std::function<void(BankSetup&, Slip&)> spoil;
    };
    const std::vector<Case> cases = {
        {"sem CNPJ nem CPF", [](BankSetup& b, Slip&) { b.cnpj.clear(); }},
        {"dígito da conta",
         [](BankSetup& b, Slip&) { b.account[5] = b.account[5] == '0' ? '1' : '0'; }},
        {"agência vazia", [](BankSetup& b, Slip&) { b.branch.clear(); }},
        {"carteira vazia", [](BankSetup& b, Slip&) { b.portfolio.clear(); }},
        {"nome vazio", [](BankSetup& b, Slip&) { b.name = " "; }},
        {"CNPJ errado", [](BankSetup& b, Slip&) { b.cnpj = "11222333000182"; }},
        {"valor zero", [](BankSetup&, Slip& s) { s.amount = Decimal(); }},
        {"sem vencimento", [](BankSetup&, Slip& s) { s.due = Date(); }},
        {"CPF do sacado", [](BankSetup&, Slip& s) { s.payer_cpf = "52998224700"; }},
    };
    for (const Case& c : cases) {
        BankSetup b = office_with_cnpj();
        Slip s = slip(1, 7, "10.00", "JOSE", "52998224725");
        c.spoil(b, s);
        Office o({s});
        const std::string before = slurp(o.slips_path());
        auto w = o.terminal(Env::posix());
        RemittanceResult r;
        EXPECT_EQ(write_remittance(*w, b, kToday, kAddresses, &r).code(), Status::Code::kInvalid)
            << c.why;
        EXPECT_TRUE(o.remittances().empty()) << c.why;
        EXPECT_EQ(slurp(o.slips_path()), before) << c.why;
    }
    // Numbers past their widths (typed on a form, before the table would cut them).
    EXPECT_EQ(check_slip(slip(1, 123456789, "10.00", "JOSE", "52998224725")).code(),
              Status::Code::kInvalid);
    EXPECT_EQ(check_slip(slip(100000, 7, "10.00", "JOSE", "52998224725")).code(),
              Status::Code::kInvalid);
    EXPECT_TRUE(check_slip(slip(99999, 99999999, "0.01", "JOSE", "52998224725")));
    // No slips at all.
    Office empty({});
    auto w = empty.terminal(Env::posix());
    RemittanceResult r;
    Status s = write_remittance(*w, office_with_cnpj(), kToday, kAddresses, &r);
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
    EXPECT_EQ(s.message(), "=Não existe boleto cadastrado para ser gerado o arquivo.");
    // Held by another terminal.
    Office busy({slip(1, 7, "10.00", "JOSE", "52998224725")});
    auto other = busy.terminal(Env::posix());
    ASSERT_TRUE(store::ABERTURA(*other, 67));
    auto mine = busy.terminal(Env::posix());
    EXPECT_EQ(write_remittance(*mine, office_with_cnpj(), kToday, kAddresses, &r).code(),
              Status::Code::kLocked);
    other->close(67);
    EXPECT_TRUE(busy.remittances().empty());
}

// Every step of the run fails in turn, as a lone failure and as a crash of the machine; then the
// next run on a sound disk finishes or undoes it: never both the file and its slips, never neither.
TEST(Remittance, AFailureOrCrashAtAnyStepLeavesTheFileOrTheSlipsNeverBothNorNeither) {
    const std::vector<Slip> slips = {slip(1, 7, "10.00", "JOSE", "52998224725"),
                                     slip(2, 8, "20.00", "JOSE", "52998224725")};
    std::string whole;  // the file a sound run writes
    {
        Office o(slips);
        auto w = o.terminal(Env::posix());
        RemittanceResult r;
        ASSERT_TRUE(write_remittance(*w, office_with_cnpj(), kToday, kAddresses, &r).is_ok());
        EXPECT_EQ(checked(r.path), "2 3000\n");
        whole = slurp(r.path);
    }
    int steps_run = 0;
    for (int step = 1;; ++step) {
        bool reached = false;
        for (const Crash how : {Crash::kNone, Crash::kMachine}) {
            Office o(slips);
            store::FaultEnv faulty(Env::posix());
            faulty.fail_at(step, how);
            {
                auto w = o.terminal(faulty);
                RemittanceResult r;
                Status s = write_remittance(*w, office_with_cnpj(), kToday, kAddresses, &r);
                if (s) {
                    EXPECT_EQ(o.slip_count(), 0u);
                    continue;
                }
                reached = true;
            }
            // The next run on a sound disk: an earlier file completes; else the slips are there to
            // be written now.
            const size_t files_before = o.remittances().size();
            auto w = o.terminal(Env::posix());
            std::string what;
            ASSERT_TRUE(finish_remittance(*w, &what).is_ok()) << step;
            const size_t files = o.remittances().size(), left = o.slip_count();
            EXPECT_TRUE((files == 1 && left == 0) || (files == 0 && left == 2))
                << "step " << step << ": " << files << " files, " << left << " slips " << what
                << " (" << files_before << ")";
            if (files == 1) {
                EXPECT_EQ(slurp(o.dir.path() + "/" + o.remittances()[0]), whole);
            }
        }
        if (!reached) break;
        steps_run = step;
    }
    EXPECT_GT(steps_run, 5);
}

}  // namespace
}  // namespace vorn::office
