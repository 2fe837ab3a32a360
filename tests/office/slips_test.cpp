// Registering slips: the form's checks in their order, reference numbers taken under the office
// record's lock (one already registered refused; two terminals registering the marked clients at
// once give every slip its own number), and the bank data checked before it is stored.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "office/slips.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store/opening.h"
#include "store_test_util.h"

namespace vorn::office {
namespace {

using store::Env;
const Date kToday(2026, 4, 10);

struct Office {
    store::testing::TempDir dir;
    ManualClock clock{DateTime{kToday, 9 * 3600}};
    explicit Office(int clients) {
        const auto path = [&](int n) {
            return store::join_path(dir.path(), store::table_def(n)->file_base("") + ".DBF");
        };
        store::Record d(store::table_def(43)->layout);
        d.set("BOL_NOSNRO", Decimal(1000));
        EXPECT_TRUE(store::Table::create(Env::posix(), path(43), *store::table_def(43)->layout, {d},
                                         &clock, true)
                        .is_ok());
        EXPECT_TRUE(store::Table::create(Env::posix(), path(67), *store::table_def(67)->layout, {},
                                         &clock, true)
                        .is_ok());
        std::vector<store::Record> reg;
        const char* cpfs[] = {"52998224725", "11144477735", "39053344705", "12345678909"};
        for (int k = 0; k < clients; ++k) {
            store::Record r(store::table_def(9)->layout);
            r.set("CPF", cpfs[k % 4]);
            r.set("NOMECONTR", "CLIENTE " + std::to_string(k));
            r.set("IMPRE", k % 4 == 3 ? "N" : "S");               // the fourth not marked
            r.set("VALOREC", Decimal(k % 4 == 2 ? 0 : 100 + k));  // the third without fee
            reg.push_back(r);
        }
        EXPECT_TRUE(store::Table::create(Env::posix(),
                                         store::data_table_path(Env::posix(), dir.path(), 9),
                                         *store::table_def(9)->layout, reg, &clock, true)
                        .is_ok());
    }
};

struct Terminal {
    ScriptedOperator op;
    store::CdxIndexFiles cdx{op};
    store::WorkAreas w;
    Terminal(Office& o, const char* nusu) : w(Env::posix(), op, o.clock) {
        w.ARQDEF = w.LOCARQ = o.dir.path();
        w.NUSU = nusu;
        w.index_files = &cdx;
        op.sleep_for_real = true;  // lock waits pass real time, as at a terminal
        EXPECT_TRUE(store::ABERTURA(w, 43));
        EXPECT_TRUE(store::ABERTURA(w, 67));
        EXPECT_TRUE(store::ABERTURA(w, 9));
    }
};

std::vector<Slip> slips_of(Terminal& t) {
    std::vector<Slip> out;
    EXPECT_TRUE(read_slips(*t.w.table(67), &out).is_ok());
    return out;
}

TEST(Slips, TheFormsChecksComeInOrderAndARegisteredReferenceIsRefused) {
    Slip s{0, 0, Date(), Decimal(), "", ""};
    const auto problem = [&] { return slip_problem(s, kToday).value_or("ok"); };
    EXPECT_EQ(problem(), "Preencha o CPF do Sacado");
    s.payer_cpf = "52998224725";
    EXPECT_EQ(problem(), "Preencha o Valor do boleto");
    s.amount = Decimal::from("150.00");
    EXPECT_EQ(problem(), "Data em branco ou inválida ");
    s.due = Date(2026, 4, 9);  // yesterday
    EXPECT_EQ(problem(), "Data em branco ou inválida ");
    s.due = kToday;
    EXPECT_EQ(problem(), "Preencha o nro interno do documento");
    s.document = 1;
    EXPECT_EQ(problem(), "Preencha o nro de referência do Banco");
    s.reference = 1000;
    EXPECT_EQ(problem(), "ok");

    Office o(0);
    Terminal t(o, "01");
    s.payer_name = "JOSE";
    ASSERT_TRUE(register_slip(t.w, s).is_ok());
    EXPECT_EQ(t.w.table(43)->num("BOL_NOSNRO"), Decimal(1001));
    s.document = 2;
    Status again = register_slip(t.w, s);
    EXPECT_EQ(again.code(), Status::Code::kInvalid);
    EXPECT_EQ(again.message(), "O nro de referência 1000 já está em outro boleto");
    EXPECT_EQ(slips_of(t).size(), 1u);
    // A lower number typed by hand does not move the next one back.
    s.reference = 10;
    ASSERT_TRUE(register_slip(t.w, s).is_ok());
    ASSERT_TRUE(t.w.table(43)->go_top().is_ok());
    EXPECT_EQ(t.w.table(43)->num("BOL_NOSNRO"), Decimal(1001));
}

TEST(Slips, TwoTerminalsRegisteringTheMarkedClientsAtOnceGiveEachSlipItsOwnNumber) {
    Office o(40);  // 30 marked with a fee... less the ten without
    Terminal a(o, "01"), b(o, "02");
    std::atomic<int> ready{0};
    int count_a = 0, count_b = 0;
    const auto run = [&](Terminal& t, int* count) {
        ++ready;
        while (ready < 2) std::this_thread::yield();
        long long doc = 1, ref = 1000;
        const Status s = register_marked(t.w, 9, kToday, &doc, &ref, count);
        EXPECT_TRUE(s.is_ok()) << s.message();
    };
    std::thread other(run, std::ref(b), &count_b);
    run(a, &count_a);
    other.join();
    EXPECT_EQ(count_a, 20);  // every fourth unmarked, every fourth without a fee
    EXPECT_EQ(count_b, 20);
    const std::vector<Slip> all = slips_of(a);
    ASSERT_EQ(all.size(), 40u);
    std::set<long long> refs;
    for (const Slip& s : all) {
        refs.insert(s.reference);
        EXPECT_EQ(s.due, kToday);
        EXPECT_GT(s.amount, Decimal());
    }
    EXPECT_EQ(refs.size(), 40u);
    ASSERT_TRUE(a.w.table(43)->go_top().is_ok());
    EXPECT_EQ(a.w.table(43)->num("BOL_NOSNRO"), Decimal(*refs.rbegin() + 1));
}

TEST(Slips, BankDataTheBankWouldRefuseIsNotStored) {
    Office o(0);
    Terminal t(o, "01");
    BankSetup b;
    b.branch = "0057";
    b.account = "123450";  // the digit is 7
    b.name = "ESCRITORIO";
    b.cpf = "39053344705";
    b.portfolio = "109";
    EXPECT_EQ(store_bank_setup(t.w, b).code(), Status::Code::kInvalid);
    ASSERT_TRUE(t.w.table(43)->go_top().is_ok());
    EXPECT_EQ(trim(t.w.table(43)->str("BOL_CONTA")), "");
    b.account = "123457";
    ASSERT_TRUE(store_bank_setup(t.w, b).is_ok());
    ASSERT_TRUE(t.w.table(43)->go_top().is_ok());
    EXPECT_EQ(bank_setup_of(*t.w.table(43)).account, "123457");
    EXPECT_EQ(bank_setup_of(*t.w.table(43)).bank, "341");
}

}  // namespace
}  // namespace vorn::office
