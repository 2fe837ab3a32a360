// Monthly grids and the Carnê-Leão: deductions by month, the tax due, the late-payment
// correction with business days and SELIC, the inverse mode and the transfer of postings.
#include "tax/leao.h"

#include <gtest/gtest.h>

#include "builder.h"
#include "store/catalogue.h"

namespace vorn::tax {
namespace {

using testing::Builder;
using testing::D;
using testing::Session;

MonthlyGrid holder_grid(Declaration& d) {
    for (auto& r : d.monthly)
        if (r.str("CPFDEPEN").empty()) return MonthlyGrid(r);
    throw std::logic_error("no holder grid");
}

TEST(MonthlyGrid, DependantsDeductionOnlyInMonthsWithEnoughIncome) {
    Builder b;
    b.dependant(21, "11111111111", Date(2010, 1, 1), 1);
    b.dependant(21, "22222222222", Date(2012, 1, 1), 2);
    b.monthly_item("F", "300.00", 3, 3);
    b.monthly_item("F", "5000.00", 6, 6);
    b.monthly_item("P", "200.00", 6, 6);
    store::Record& alimony = b.payment(30, "1000.00");
    alimony.set("I6_406", D("1000.00"));
    Session s(b.d);
    CALC(s.ctx, 1, 0);
    MonthlyGrid g = holder_grid(b.d);
    EXPECT_EQ(g.get(4, 3), D("0"));        // 300 < 2 × 189.59
    EXPECT_EQ(g.get(4, 6), D("1579.18"));  // 200 social security + 1000 alimony + 379.18
    EXPECT_EQ(b.d.work.NTOTDEP, D("379.18"));
    EXPECT_EQ(b.d.work.PENSAOM, D("1000.00"));
    EXPECT_EQ(b.d.num("CARNEINSS"), D("200.00"));
    // June: 5000 − 1579.18 = 3420.82, 15 %: 513.123 − 394.16 = 118.96 (rounded).
    EXPECT_EQ(g.get(6, 6), D("118.96"));
    EXPECT_EQ(g.get(6, 13), D("118.96"));
    EXPECT_EQ(g.get(1, 13), D("5300.00"));
    EXPECT_EQ(b.d.num("I13_29"), D("118.96"));
}

TEST(MonthlyGrid, DependantsGridsFeedTheirOwnLines) {
    Builder b;
    b.dependant(21, "11111111111", Date(2000, 1, 1), 1);
    b.monthly_item("F", "4000.00", 1, 12, "11111111111");
    b.monthly_item("P", "100.00", 1, 12, "11111111111");
    Session s(b.d);
    CALC(s.ctx, 2, 0);
    ASSERT_EQ(b.d.monthly.size(), 1u);  // created in memory for the dependant
    EXPECT_EQ(b.d.num("I13_04"), D("48000.00"));
    EXPECT_EQ(b.d.num("CARNEDEPEN"), D("1200.00"));
    EXPECT_EQ(b.d.num("TOTOUTRD") + b.d.num("TOTTRABD") + b.d.num("TOTALUGD"), D("48000.00"));
    // January: 4000 − 564.80 = 3435.20 → 15 %: 515.28 − 381.44 = 133.84.
    EXPECT_EQ(MonthlyGrid(b.d.monthly[0]).get(6, 1), D("133.84"));
    EXPECT_GT(b.d.num("I13_30"), D("0"));
    EXPECT_EQ(b.d.num("I13_29"), D("0"));
}

TEST(MonthlyGrid, CashBookEntriesGoToTheMonthOfTheirDate) {
    Builder b;
    b.d.set("CAL_AUTO", Decimal(3));
    store::Record& f = b.monthly_item("F", "0", 1, 0);
    f.set("I1_4", D("7000.00"));
    f.set("DT_LC", Date(2025, 8, 15));
    store::Record& undated = b.monthly_item("F", "0", 1, 0);
    undated.set("I1_4", D("999.00"));
    store::Record& book = b.monthly_item("L", "0", 1, 0);
    book.set("I1_4", D("1000.00"));
    book.set("DT_LC", Date(2025, 8, 20));
    Session s(b.d);
    CALC(s.ctx, 1, 0);
    MonthlyGrid g = holder_grid(b.d);
    EXPECT_EQ(g.get(1, 8), D("7000.00"));
    EXPECT_EQ(g.get(1, 13), D("7000.00"));
    EXPECT_EQ(g.get(3, 8), D("1000.00"));
    EXPECT_EQ(b.d.items[0].num("I1_408"), D("7000.00"));
    EXPECT_EQ(b.d.num("I13_18"), D("1000.00"));
}

TEST(MonthlyGrid, TypedTotalsAndWhichCarneLeaoCounts) {
    Builder b;
    b.d.set("CAL_AUTO", Decimal(2));
    store::Record grid = b.d.new_record(12);
    MonthlyGrid g(grid);
    g.set(1, 5, D("6000.00"));  // due 574.29
    g.set(5, 5, D("500.00"));
    g.set(1, 6, D("3000.00"));  // due 0
    g.set(5, 6, D("100.00"));
    b.d.monthly.push_back(grid);
    Session s(b.d);
    CALC(s.ctx, 1, 0);
    EXPECT_EQ(b.d.num("I13_29"), D("674.29"));  // the larger of due and paid
    b.d.set("SO_REC", true);
    CALC(s.ctx, 1, 0);
    EXPECT_EQ(b.d.num("I13_29"), D("600.00"));  // only what was paid
    b.d.set("SO_REC", false);
    b.d.set("CAL_AUTO", Decimal(4));
    CALC(s.ctx, 1, 0);
    EXPECT_EQ(b.d.num("I13_29"), D("600.00"));  // inverse mode: paid
}

// An individual payer's monthly income of a type: "T" work, "A" rent, "O" other.
void payer(Builder& b, const char* type, const char* per_month, int first, int last,
           const char* dependant_cpf = "") {
    b.monthly_item("F", per_month, first, last, dependant_cpf).set("I1_41", type);
}

// The cash book is deductible only up to the month's self-employed work income; the rest goes to
// later months of the year. Rent is never reduced by it.
TEST(CashBook, HeldToTheWorkIncomeNotToRent) {
    Builder b = testing::cash_book_client();
    Session s(b.d);
    compute_declaration(s.ctx);
    EXPECT_EQ(b.d.num("I13_18"), D("40000.00"));
    EXPECT_EQ(b.d.num("I13_19"), D("40000.00"));
    EXPECT_EQ(b.d.num("I13_20"), D("30000.00"));
    EXPECT_EQ(b.d.num("I13_21"), D("114.96"));
    EXPECT_EQ(b.d.num("I13_29"), D("0"));
    EXPECT_EQ(b.d.num("QTD_QUOTA"), D("2"));
    EXPECT_EQ(b.d.num("I13_37"), D("57.48"));
    const CashBook& book = b.d.work.cash_books.at("");
    EXPECT_EQ(book.deductible[10], D("4000.00"));
    EXPECT_EQ(book.carried_in[11], D("10000.00"));  // 1,000.00 left over each month
    EXPECT_EQ(book.deductible[11], D("0"));         // November has rent only
    EXPECT_EQ(book.lost(), D("20000.00"));
    MonthlyGrid g = holder_grid(b.d);
    EXPECT_EQ(g.get(3, 13), D("60000.00"));  // the grid keeps the expenses
    // January: 6500 − 4000 = 2500, 7.5 %: 187.50 − 169.44.
    EXPECT_EQ(g.get(6, 1), D("18.06"));
}

TEST(CashBook, ExcessCarriedToLaterMonthsAndLostAfterDecember) {
    Builder b;
    payer(b, "T", "1000.00", 3, 3);
    payer(b, "T", "6000.00", 4, 4);
    payer(b, "T", "1000.00", 12, 12);
    payer(b, "A", "5000.00", 6, 6);
    b.monthly_item("L", "2500.00", 3, 3);
    b.monthly_item("L", "2000.00", 6, 6);
    b.monthly_item("L", "5000.00", 12, 12);
    Session s(b.d);
    CALC(s.ctx, 1, 0);
    const CashBook& book = b.d.work.cash_books.at("");
    EXPECT_EQ(book.deductible[3], D("1000.00"));
    EXPECT_EQ(book.carried_out[3], D("1500.00"));
    EXPECT_EQ(book.carried_in[4], D("1500.00"));
    EXPECT_EQ(book.deductible[4], D("1500.00"));
    EXPECT_EQ(book.deductible[6], D("0"));
    EXPECT_EQ(book.carried_in[12], D("2000.00"));
    EXPECT_EQ(book.deductible[12], D("1000.00"));
    EXPECT_EQ(book.lost(), D("6000.00"));
    EXPECT_EQ(b.d.num("I13_18"), D("3500.00"));
    MonthlyGrid g = holder_grid(b.d);
    // April: 6000 − 1500 carried from March = 4500, 22.5 %: 1012.50 − 662.77.
    EXPECT_EQ(g.get(6, 4), D("349.73"));
    // June's rent untouched by June's expenses: 5000 − 607.20, 22.5 %: 988.38 − 675.49.
    EXPECT_EQ(g.get(6, 6), D("312.89"));
}

TEST(CashBook, EachPersonHasHisOwn) {
    Builder b;
    b.dependant(21, "11111111111", Date(2000, 1, 1), 1);
    payer(b, "T", "5000.00", 5, 5);
    payer(b, "T", "1000.00", 5, 5, "11111111111");
    b.monthly_item("L", "3000.00", 5, 5, "11111111111");
    Session s(b.d);
    compute_declaration(s.ctx);
    EXPECT_EQ(b.d.num("I13_18"), D("1000.00"));
    EXPECT_EQ(b.d.work.cash_books.at("").deductible_total(), D("0"));
    EXPECT_EQ(b.d.work.cash_books.at("11111111111").deductible[5], D("1000.00"));
    EXPECT_EQ(b.d.work.cash_books.at("11111111111").lost(), D("2000.00"));
}

TEST(CashBook, TypedTotalsCountAsWorkIncome) {
    Builder b;
    b.d.set("CAL_AUTO", Decimal(2));
    b.d.set("TIPO_PF", "A");
    store::Record grid = b.d.new_record(12);
    MonthlyGrid g(grid);
    g.set(1, 5, D("3000.00"));
    g.set(2, 5, D("1000.00"));
    g.set(3, 5, D("6000.00"));
    g.set(1, 6, D("2500.00"));
    b.d.monthly.push_back(grid);
    Session s(b.d);
    CALC(s.ctx, 1, 0);
    EXPECT_EQ(b.d.num("I13_18"), D("6000.00"));  // 4000 in May, the 2000 carried in June
    EXPECT_EQ(b.d.work.cash_books.at("").carried_in[6], D("2000.00"));
}

TEST(LateCorrection, FineCappedAtTwentyPercentAndSelicUpToThePaymentMonth) {
    Builder b;
    b.monthly_item("F", "6000.00", 1, 1);
    b.monthly_item("I", "500.00", 1, 1);
    b.monthly_item("F", "6000.00", 4, 4);
    Session s(b.d, Date(2025, 5, 10));
    s.selic.add(2025, 2, D("0.99"));  // the due month itself is not counted
    s.selic.add(2025, 3, D("0.96"));
    s.selic.add(2025, 4, D("1.06"));
    s.selic.add(2025, 5, D("1.14"));  // nor the month of payment
    CALC(s.ctx, 1, 0);
    MonthlyGrid g = holder_grid(b.d);
    // January: 98.68 short, due 28/02, late from 03/03 to 30/05 (89 days): 20 % and 1 + 2.02 %,
    // 98.68 + 19.736 + 2.980136 to the cent.
    EXPECT_EQ(g.get(7, 1), D("121.40"));
    // April is due on 30/05, the payment day itself: no fine, no interest.
    EXPECT_EQ(g.get(7, 4), D("598.68"));
    EXPECT_EQ(g.get(7, 13), D("720.08"));
}

TEST(InverseMode, IncomeFromTheCarneLeaoPaid) {
    EXPECT_EQ(LEAO_INVERSO(D("574.29"), 5, D("0"), D("0")), D("6000.00"));
    EXPECT_EQ(LEAO_INVERSO(D("574.29"), 5, D("0"), D("1000.00")), D("5000.00"));
    // Deductions above the month's simplified discount are what the table takes off.
    const Decimal tax = monthly_tax(D("7000.00"), 5, D("1000.00"));
    EXPECT_EQ(LEAO_INVERSO(tax, 5, D("1000.00"), D("0")), D("7000.00"));
    // 325.50 in July is a base of 5056.0444…: checked as found, then taken up to 5056.05, which
    // still gives 325.50 (5056.04 would give 325.49).
    EXPECT_EQ(LEAO_INVERSO(D("325.50"), 7, D("0"), D("0")), D("5056.05"));
    EXPECT_EQ(LEAO_INVERSO(D("13.20"), 4, D("0"), D("0")), D("3000.00"));
    EXPECT_FALSE(LEAO_INVERSO(D("0"), 5, D("0"), D("0")));
}

class Postings : public ::testing::Test {
  protected:
    void SetUp() override {
        auto layout = std::make_shared<store::Layout>(store::parse_fields(
            "CDCONTA C4, NMDESCRICA C40, CDSTATUS C1, PAGINA N2.0, LINHA N2.0"));
        auto account = [&](const char* code, const char* status, int page, int line) {
            store::Record r(layout);
            r.set("CDCONTA", code);
            r.set("CDSTATUS", status);
            r.set("PAGINA", Decimal(page));
            r.set("LINHA", Decimal(line));
            accounts.push_back(r);
        };
        account("1004", "S", 1, 4);
        account("1005", "S", 1, 5);
        account("2001", "S", 2, 1);
        account("3002", "S", 3, 2);
        account("5042", "S", 3, 4);
        account("3009", "S", 3, 9);
        account("6010", "S", 6, 10);
        account("9000", "N", 1, 4);
        account("9032", "S", 13, 32);
        b.dependant(21, "11111111111", Date(2010, 1, 1), 1);
    }
    store::Record& posting(const char* account, const char* value, int first = 0, int last = 0,
                           const char* cnpj = "", const char* dependant = "") {
        store::Record r = b.d.new_record(13);
        r.set("CDCONTA", account);
        r.set("DESCONTA", "FONTE");
        r.set("VALODESP", D(value));
        r.set("MESINI", Decimal(first));
        r.set("MESFIM", Decimal(last));
        r.set("NROCGCCPF", cnpj);
        r.set("CPFDEPEN", dependant);
        b.d.postings.push_back(r);
        return b.d.postings.back();
    }
    Builder b;
    std::vector<store::Record> accounts;
};

TEST_F(Postings, TransferredByTheAccountsPageAndLine) {
    posting("2001", "800.00", 3, 1);  // last month before the first: only March
    posting("1004", "50000.00", 0, 0, "11222333000181");
    posting("1005", "4000.00", 0, 0, "11222333000181");
    posting("1004", "10.00");  // no CNPJ: stays for the operator
    posting("9000", "1.00");   // heading account: dropped
    posting("7777", "1.00");   // no such account: dropped
    posting("6010", "300.00", 1, 12, "12345678909");
    posting("6010", "90.00", 0, 0, "12345678909", "99999999999");  // not a dependant
    posting("3002", "1500.00");
    posting("5042", "2500.00");
    posting("3009", "7000.00");
    posting("9032", "321.00");
    Session s(b.d);
    EXPECT_EQ(LANCAVAL(s.ctx, accounts), 8);
    EXPECT_TRUE(s.op.saw("notice", "Feitos 8 lancamentos"));

    const store::Record& f = b.d.items[0];
    EXPECT_EQ(f.str("I1_1"), "F");
    EXPECT_EQ(f.num("I1_403"), D("800.00"));
    EXPECT_EQ(f.num("I1_401"), D("0"));
    EXPECT_EQ(f.num("I1_4"), D("800.00"));
    const store::Record& company = b.d.items[1];
    EXPECT_EQ(company.str("I1_1"), "J");
    EXPECT_EQ(company.num("I1_4"), D("50000.00"));
    EXPECT_EQ(company.num("I1_5"), D("4000.00"));
    EXPECT_EQ(b.d.items[2].num("I1_16"), D("7000.00"));
    EXPECT_EQ(b.d.items.size(), 3u);
    ASSERT_EQ(b.d.payments.size(), 1u);
    EXPECT_EQ(b.d.payments[0].num("I6_4"), D("3600.00"));
    EXPECT_EQ(b.d.payments[0].num("I6_412"), D("300.00"));
    EXPECT_EQ(b.d.num("I3_02"), D("1500.00"));
    EXPECT_EQ(b.d.num("I3_04UNIC"), D("2500.00"));
    EXPECT_EQ(b.d.num("IR_EXTER"), D("321.00"));
    EXPECT_TRUE(
        s.op.saw("notice", "O Lançamento código 1004 precisa ter Fonte Pagadora c/ mesmo CNPJ"));
    EXPECT_TRUE(s.op.saw("notice", "Lancamento para dependente nao existente"));
    EXPECT_FALSE(b.d.postings[3].logical("LANCADO"));
    for (size_t i : {0u, 4u, 5u, 7u, 11u}) EXPECT_TRUE(b.d.postings[i].logical("LANCADO")) << i;

    // A second transfer finds nothing new.
    EXPECT_EQ(LANCAVAL(s.ctx, accounts), 0);
    EXPECT_TRUE(s.op.saw("notice", "Feitos 0 lancamentos"));
}

TEST_F(Postings, OneTransferIsSingular) {
    posting("3002", "10.00");
    Session s(b.d);
    EXPECT_EQ(LANCAVAL(s.ctx, accounts), 1);
    EXPECT_TRUE(s.op.saw("notice", "Feito 1 lancamento"));
}

}  // namespace
}  // namespace vorn::tax
