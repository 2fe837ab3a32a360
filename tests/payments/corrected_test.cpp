// The corrected-tax list: balances brought to today, the interest used, and the walk over a
// folder's registry.
#include "payments/corrected.h"

#include <gtest/gtest.h>

#include "../store/store_test_util.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::payments {
namespace {

using store::testing::TempDir;

Decimal D(const char* s) {
    return Decimal::from(s);
}

CorrectedRow balance(const char* impp, const char* quotas, const char* interest) {
    CorrectedRow r;
    r.IMPPGRE = D(impp);
    r.QTD_QUOTA = D(quotas);
    correct_balance(r, D(interest));
    return r;
}

TEST(CorrectedBalance, RefundsGrowQuotasAreOneAndEverythingIsTruncated) {
    CorrectedRow r = balance("-1000.00", "0", "3.5");
    EXPECT_EQ(r.RESTITU, D("1000.00"));
    EXPECT_EQ(r.IMPOSTO, D("0"));
    EXPECT_EQ(r.CORRIGI, D("1035.00"));
    r = balance("1000.00", "3", "1.07");
    EXPECT_EQ(r.IMPOSTO, D("333.33"));
    EXPECT_EQ(r.CORRIGI, D("336.89"));  // 333.33 + 3.566631: the cent is cut, not rounded
    r = balance("1000.00", "0", "1");   // no number of quotas: the balance is one quota
    EXPECT_EQ(r.IMPOSTO, D("1000.00"));
    EXPECT_EQ(r.CORRIGI, D("1010.00"));
}

TEST(CorrectedBalance, InterestOfADebtDueOnTheDeadline) {
    InterestTable t;
    t.add(2026, 6, D("1.05"));
    t.add(2026, 7, D("1.06"));
    EXPECT_EQ(corrected_interest(t, Date(2026, 5, 20)).percent, D("0"));  // still in May
    EXPECT_EQ(corrected_interest(t, Date(2026, 6, 1)).percent, D("1"));
    EXPECT_EQ(corrected_interest(t, Date(2026, 8, 3)).percent, D("3.11"));
    EXPECT_TRUE(selic_up_to_date(t, Date(2026, 8, 3)));
    EXPECT_FALSE(selic_up_to_date(t, Date(2026, 9, 1)));
    EXPECT_FALSE(selic_up_to_date(InterestTable(), Date(2026, 6, 1)));
}

store::Record registry_row(const char* cpf, const char* name, const char* impp, int quotas) {
    store::Record r(store::table_def(9)->layout);
    r.set("CPF", cpf);
    r.set("NOMECONTR", name);
    r.set("NASCIMENTO", Date(1970, 3, 4));
    r.set("IMPPGRE", D(impp));
    r.set("QTD_QUOTA", Decimal(quotas));
    return r;
}

TEST(CorrectedList, EveryRegistryBalanceButTheZeroOnes) {
    TempDir dir;
    store::Env& env = store::Env::posix();
    ASSERT_TRUE(store::Table::create(env, dir.file("IMP0926.DBF"), *store::table_def(9)->layout,
                                     {registry_row("11111111111", "ANA", "1200.00", 4),
                                      registry_row("22222222222", "BRUNO", "0", 1),
                                      registry_row("33333333333", "CARLA", "-500.00", 0)},
                                     nullptr, true));
    std::vector<CorrectedRow> rows;
    ASSERT_TRUE(each_corrected_row(env, dir.path(), D("2"), [&](const CorrectedRow& r) {
        rows.push_back(r);
        return Status::ok();
    }));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].CPF, "11111111111");
    EXPECT_EQ(rows[0].NOMECONTR, "ANA");
    EXPECT_EQ(rows[0].NASCIMENTO, Date(1970, 3, 4));
    EXPECT_EQ(rows[0].IMPOSTO, D("300.00"));
    EXPECT_EQ(rows[0].CORRIGI, D("306.00"));
    EXPECT_EQ(rows[1].CPF, "33333333333");
    EXPECT_EQ(rows[1].RESTITU, D("500.00"));
    EXPECT_EQ(rows[1].CORRIGI, D("510.00"));

    // A failure of the taker stops the walk and comes back.
    int taken = 0;
    Status s = each_corrected_row(env, dir.path(), D("2"), [&](const CorrectedRow&) {
        ++taken;
        return Status::io_error("disco cheio");
    });
    EXPECT_EQ(s.code(), Status::Code::kIoError);
    EXPECT_EQ(taken, 1);

    TempDir empty;
    EXPECT_EQ(each_corrected_row(env, empty.path(), D("2"),
                                 [](const CorrectedRow&) { return Status::ok(); })
                  .code(),
              Status::Code::kNotFound);
}

}  // namespace
}  // namespace vorn::payments
