// Limits and checks run as field validations: exempt retirement portion from age 65, parents as
// dependants, payments' columns and persons, direct donations, the cash check.
#include "tax/limits.h"

#include <gtest/gtest.h>

#include "builder.h"

namespace vorn::tax {
namespace {

using testing::Builder;
using testing::D;
using testing::Session;

TEST(Age65Portion, TurnedSixtyFiveThisYearHasASmallerLimit) {
    Builder b;
    b.d.set("NASCIMENTO", Date(1960, 6, 10));
    b.d.set("CODAT", "61");
    b.company("30000.00");
    Session s(b.d);
    s.op.yes_no_answers = {false};
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("15000.00"), ""), D("13327.86"));  // 7 × 1903.98
    EXPECT_TRUE(s.op.saw("yes_no",
                         "O limite Isento para esse ano é de R$ 13.327,86 e o excedente\n"
                         "de R$ 1.672,14 deve ser  rendimento tributável\n"
                         "e o limite do 13ro é de R$ 1.025,22"));
    EXPECT_TRUE(
        s.op.saw("yes_no", "Obs. O limite é menor pois o contribuinte fez 65 anos no mês 6"));
    EXPECT_EQ(b.d.items.size(), 1u);
    EXPECT_EQ(b.d.items[0].num("I1_17"), D("13327.86"));
}

TEST(Age65Portion, TheExcessBecomesATaxableItemOnRequest) {
    Builder b;
    b.d.set("NASCIMENTO", Date(1959, 2, 1));
    b.d.set("CODAT", "61");
    b.company("30000.00").set("I1_2", "INSS");
    Session s(b.d);
    s.op.yes_no_answers = {true};
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("25000.00"), "12345678909"), D("22847.76"));
    ASSERT_EQ(b.d.items.size(), 2u);
    EXPECT_EQ(b.d.items[0].num("I1_17"), D("22847.76"));
    EXPECT_EQ(b.d.items[1].num("I1_4"), D("2152.24"));
    EXPECT_EQ(b.d.items[1].str("I1_1"), "J");
    EXPECT_EQ(b.d.items[1].str("I1_2"), "INSS");
    EXPECT_EQ(b.d.items[1].str("CPF"), "12345678909");
}

TEST(Age65Portion, EachPersonHasHisOwnLimitAndTheExempt13thKeepsItsShare) {
    Builder b;
    b.d.set("NASCIMENTO", Date(1950, 1, 1));
    b.d.set("CODAT", "61");
    b.company("30000.00").set("I1_43", D("2000.00"));
    b.dependant(11, "11111111111", Date(1952, 5, 5), 1);
    b.company("30000.00", "0", "0", "0", "11111111111").set("I1_17", D("20000.00"));
    Session s(b.d);
    // The spouse's 20000 exempt do not use up the holder's limit.
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("22000.00"), ""), D("22000.00"));
    EXPECT_FALSE(s.op.saw("yes_no", "O limite Isento"));

    // Over both limits: 152.24 above the annual one, 96.02 above the 13th's. The exempt 13th
    // keeps its 1903.98 and only the excesses become taxable.
    s.op.yes_no_answers = {true};
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("23000.00"), ""), D("22847.76"));
    EXPECT_EQ(b.d.items[0].num("I1_43"), D("1903.98"));
    ASSERT_EQ(b.d.items.size(), 3u);
    EXPECT_EQ(b.d.items[2].num("I1_4"), D("152.24"));
    EXPECT_EQ(b.d.items[2].num("I1_7"), D("96.02"));

    // Declining keeps what is left of the limit beside the other items, never more.
    b.d.items.pop_back();
    b.company("10000.00").set("I1_17", D("20000.00"));
    s.op.yes_no_answers = {false};
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("5000.00"), ""), D("2847.76"));
    EXPECT_EQ(b.d.items.size(), 3u);
}

TEST(Age65Portion, RefusalsByAgeBirthDateOccupationAndParents) {
    Builder b;
    b.d.set("NASCIMENTO", Date(1970, 1, 1));
    b.company("30000.00");
    b.dependant(31, "11111111111", Date(1950, 3, 3), 1);
    b.dependant(31, "22222222222", Date(), 2);
    b.company("30000.00", "0", "0", "0", "11111111111");
    Session s(b.d);
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("1000.00"), ""), D("0"));
    EXPECT_TRUE(s.op.saw("notice",
                         "O contribuinte tem menos de 65 anos\ne não pode usar desse benefício!"));
    EXPECT_EQ(LIMIT3(s.ctx, 1, D("1000.00"), "22222222222"), D("0"));
    EXPECT_TRUE(s.op.saw("notice", "Falta data do nascimento do dependente."));
    // A parent above the limit cannot be a dependant at all.
    EXPECT_EQ(LIMIT3(s.ctx, 1, D("30000.00"), "11111111111"), D("0"));
    EXPECT_TRUE(s.op.saw("notice",
                         "O dependente 111.111.111-11 tem o rendimento maior que\n"
                         "o limite R$ 22.847,76 permitido para ser dependente."));

    // The holder's occupation is not a retired one: the operator decides.
    b.d.set("NASCIMENTO", Date(1950, 1, 1));
    b.d.set("CODAT", "11");
    s.op.yes_no_answers = {false};
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("1000.00"), ""), D("0"));
    EXPECT_TRUE(s.op.saw("yes_no", "A situação é essa mesmo com o código errado? "));
    s.op.yes_no_answers = {true};
    EXPECT_EQ(LIMIT3(s.ctx, 0, D("1000.00"), ""), D("1000.00"));
}

TEST(Age65Portion, TypedLimitsOfTheDetailWindow) {
    Builder b;
    Session s(b.d);
    EXPECT_TRUE(LIM_INSS(s.ctx, D("22847.76"), 1));
    EXPECT_FALSE(LIM_INSS(s.ctx, D("23000.00"), 1));
    EXPECT_TRUE(s.op.saw("notice", "O valor a maior de R$   152.24 pode ser o 13ro"));
    EXPECT_FALSE(LIM_INSS(s.ctx, D("30000.00"), 1));
    EXPECT_TRUE(s.op.saw("notice", " pode ser um erro"));
    EXPECT_FALSE(LIM_INSS(s.ctx, D("1903.99"), 2));
    EXPECT_TRUE(
        s.op.saw("notice", "O valor limite do 13ro é R$ 1.903,98 confira o valor digitado"));
    EXPECT_TRUE(LIM_ISEN(s.ctx, D("1903.98")));
    EXPECT_FALSE(LIM_13ROISEN(s.ctx, D("1903.99")));
}

TEST(ParentsAsDependants, TheIncomeLimitIsTheYearsExemptBound) {
    Builder b;
    b.dependant(31, "11111111111", Date(1948, 3, 3), 1);
    store::Record& item = b.company("0", "0", "0", "0", "11111111111");
    item.set("I1_17", D("26500.00"));
    item.set("I1_43", D("1900.00"));
    Session s(b.d);
    // 28400.00: above last year's 26963.20 but within this year's 28467.20.
    EXPECT_TRUE(parents_income_check(s.ctx, item));
    item.set("I1_43", D("1967.21"));
    EXPECT_FALSE(parents_income_check(s.ctx, item));
    EXPECT_TRUE(s.op.saw("notice",
                         "Pais, avós e bisavós que, em 2025 receberam rendimentos "
                         "tributáveis ou não, até R$ 28.467,20  não podem mais ser "
                         "dependente do contribuinte."));
}

TEST(RetiredOnlyFields, AcceptedForRetiredOrWhenTheOperatorInsists) {
    Builder b;
    Session s(b.d);
    EXPECT_EQ(LIMIT2(s.ctx, D("0")), D("0"));
    s.op.yes_no_answers = {false};
    EXPECT_EQ(LIMIT2(s.ctx, D("100.00")), D("0"));
    b.d.set("CODAT", "62");
    EXPECT_EQ(LIMIT2(s.ctx, D("100.00")), D("100.00"));
}

TEST(Payments, AmountPaidAndNonDeductibleColumn) {
    Builder b;
    b.payment(1, "0");
    b.payment(36, "0");
    b.payment(10, "500.00");
    b.payment(40, "0");
    b.d.set("I13_21", D("10000.00"));
    Session s(b.d);
    EXPECT_EQ(FDOAPAG(s.ctx, b.d.payments[0], D("4000.00")), D("4000.00"));
    EXPECT_EQ(b.d.payments[0].num("I6_5"), D("438.50"));
    FDOAPAG(s.ctx, b.d.payments[1], D("3000.00"));
    EXPECT_TRUE(s.op.saw("notice", "Lei 10.887 de 18/06/04 artigo 13."));
    b.d.set("I13_09", D("1.00"));
    FDOAPAG(s.ctx, b.d.payments[1], D("3000.00"));
    EXPECT_TRUE(s.op.saw("notice", "do entidade público patrocinador, mesmo sendo igual."));
    FDOAPAG(s.ctx, b.d.payments[3], D("900.00"));  // donations: incentives recomputed at once
    EXPECT_EQ(b.d.num("I13_22"), D("600.00"));
    EXPECT_EQ(b.d.payments[3].num("I6_5"), D("300.00"));
    EXPECT_FALSE(b.d.work.JA_CALC);

    EXPECT_EQ(FCONFNDEDU(s.ctx, b.d.payments[2], D("600.00")), D("0"));
    EXPECT_TRUE(s.op.saw("notice", "não pode ser maior que o valor pago "));
    EXPECT_EQ(FCONFNDEDU(s.ctx, b.d.payments[2], D("200.00")), D("200.00"));
    EXPECT_EQ(b.d.work.I13_14D, D("200.00"));
    EXPECT_EQ(FCONFNDEDU(s.ctx, b.d.payments[3], D("10.00")), D("0"));
    EXPECT_TRUE(s.op.saw("notice", "onde os valores ultrapassam o limite permitido"));
    EXPECT_EQ(FCONFNDEDU(s.ctx, b.d.payments[1], D("50.00")), D("50.00"));
}

TEST(Payments, PersonOfAPayment) {
    Builder none;
    store::Record& alimony = none.payment(30, "100.00");
    Session s0(none.d);
    int number = 1;
    EXPECT_FALSE(CONF_DEP(s0.ctx, alimony, number, 1));
    EXPECT_TRUE(s0.op.saw("notice", "Para lançar a pensão precisa antes cadastrar o alimentando"));

    Builder b;
    b.dependant(21, "11111111111", Date(2010, 1, 1), 1, "FILHO");
    b.dependant(99, "52998224725", Date(2012, 1, 1), 3, "ALIMENTANDO");
    b.payment(30, "100.00");
    b.payment(31, "100.00");
    b.payment(10, "100.00");
    b.payment(40, "100.00");
    Session s(b.d);
    number = 3;
    EXPECT_TRUE(CONF_DEP(s.ctx, b.d.payments[0], number, 1));
    EXPECT_EQ(b.d.payments[0].str("I6_1"), "ALIMENTANDO");
    EXPECT_EQ(b.d.payments[0].str("I6_2"), "529.982.247-25");
    EXPECT_FALSE(CONF_DEP(s.ctx, b.d.payments[1], number, 1));
    EXPECT_TRUE(s.op.saw(
        "notice",
        "Não existe alimentando no exterior com esse número.\nou o código 31 não está correto!"));
    number = 5;
    EXPECT_FALSE(CONF_DEP(s.ctx, b.d.payments[2], number, 1));
    EXPECT_TRUE(s.op.saw("notice", "Não existe dependente ou alimentando com esse número."));
    s.op.choose_answers = {1};  // " 0 - Titular ", then the son
    EXPECT_TRUE(CONF_DEP(s.ctx, b.d.payments[2], number, 0));
    EXPECT_EQ(number, 1);
    number = 9;
    EXPECT_TRUE(CONF_DEP(s.ctx, b.d.payments[3], number, 1));  // donations have no person
}

TEST(DirectDonations, EachFundWithinItsOwnAndTheOverallLimit) {
    Builder b;
    b.d.set("I13_21", D("10000.00"));
    EXPECT_EQ(direct_donation_limit(b.d, 1), D("300.00"));
    EXPECT_EQ(direct_donation_limit(b.d, 2), D("300.00"));
    b.payment(39, "300.00");
    EXPECT_EQ(direct_donation_limit(b.d, 1), D("0"));
    EXPECT_EQ(direct_donation_limit(b.d, 2), D("300.00"));

    // A code 44 donation counts once against the overall 600.00.
    Builder c;
    c.d.set("I13_21", D("10000.00"));
    c.payment(44, "400.00");
    EXPECT_EQ(direct_donation_limit(c.d, 1), D("200.00"));
    c.payment(40, "300.00");
    EXPECT_EQ(direct_donation_limit(c.d, 2), D("0"));

    Session s(b.d);
    EXPECT_FALSE(VELIMD(s.ctx, D("300.01"), D("300.00")));
    EXPECT_TRUE(s.op.saw("notice", "Valor acima do limite da doação! Confira."));
    s.op.yes_no_answers = {false};
    EXPECT_FALSE(VELIMD(s.ctx, D("100.00"), D("300.00")));
    EXPECT_TRUE(s.op.saw("yes_no", "Confirma a doação"));
}

// A payment typed after the last computation lowers the tax the limit is a share of: the limit
// must come from the declaration as it stands, not from the tax computed before.
TEST(DirectDonations, TheLimitCountsPaymentsTypedSinceTheLastComputation) {
    Builder b;
    b.company("120000.00");
    Session s(b.d);
    compute_declaration(s.ctx);
    EXPECT_EQ(LIMDOA(s.ctx, 1), D("664.38"));  // 3 % of 22,146.22
    b.payment(10, "20000.00");                 // a doctor's bill typed since
    EXPECT_EQ(direct_donation_limit(b.d, 1), D("664.38"));
    EXPECT_EQ(LIMDOA(s.ctx, 1), D("499.38"));  // 3 % of 16,646.22
    EXPECT_EQ(b.d.num("I13_21"), D("16646.22"));
    EXPECT_EQ(LIMDOA(s.ctx, 2), D("499.38"));
}

TEST(CashCheck, ReceiptsExpensesAndTheirRatio) {
    Builder b;
    VE_SALDO(b.d);
    EXPECT_EQ(b.d.num("INDGAS"), D("0"));  // no receipts: no division
    EXPECT_EQ(b.d.num("SALDO"), D("0"));

    b.d.set("I13_08", D("100000.00"));
    b.d.set("I13_35", D("20000.00"));
    b.d.set("I13_09", D("5000.00"));
    b.d.set("OUTRDES", D("90000.00"));
    b.payment(10, "3000.00", "1000.00");
    b.payment(72, "500.00");
    b.payment(95, "9999.00");
    BalanceFigures f = MOS_BALAN(b.d);
    EXPECT_EQ(f.expenses_entered, D("6500.00"));  // 2000 net medical − 500 (code 72) + 5000
    EXPECT_EQ(f.total_expenses, D("116500.00"));
    EXPECT_EQ(f.saldo, D("-16500.00"));
    EXPECT_EQ(f.indgas, D("-16.50"));
    EXPECT_TRUE(f.alert);
    EXPECT_EQ(f.monthly_receipts, D("8333.33"));
    b.d.set("OUTRDES", D("5000000.00"));
    EXPECT_EQ(MOS_BALAN(b.d).indgas, D("-99.99"));
}

}  // namespace
}  // namespace vorn::tax
