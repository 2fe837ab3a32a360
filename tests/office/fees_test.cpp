// The suggested fee (each cost rounded to the cent, raised to the minimum, none without recorded
// time), the rates the office record can hold, and the fee report: its columns, page totals, the
// final totals and the averages over the declarations done.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "office/fees.h"

namespace vorn::office {
namespace {

FeeRates rates() {
    return {Decimal::from("1.50"), Decimal::from("0.10"), Decimal::from("50.00"), 4};
}

TEST(Fees, EachCostRoundedTheMinimumAndNothingWithoutTime) {
    // 61 s at 1.50 a minute is 1.525: 1.53; 12,345 bytes at 0.10 a kilobyte is 1.2345: 1.23.
    Fee f = suggested_fee(61, 12345, rates());
    EXPECT_EQ(f.time_cost, Decimal::from("1.53"));
    EXPECT_EQ(f.size_cost, Decimal::from("1.23"));
    EXPECT_EQ(f.fee, Decimal::from("50.00"));  // raised to the minimum
    f = suggested_fee(7200, 999999, rates());  // two hours and the size cap
    EXPECT_EQ(f.time_cost, Decimal::from("180.00"));
    EXPECT_EQ(f.size_cost, Decimal::from("100.00"));
    EXPECT_EQ(f.fee, Decimal::from("280.00"));
    f = suggested_fee(0, 50000, rates());
    EXPECT_EQ(f.fee, Decimal());
    EXPECT_EQ(f.size_cost, Decimal());

    FeeRates r = rates();
    EXPECT_FALSE(rates_problem(r));
    r.per_minute = Decimal::from("150.00");  // VAL_SEG holds 99.99 at most
    EXPECT_TRUE(rates_problem(r));
    r = rates();
    r.minimum = Decimal::from("100000.00");
    EXPECT_TRUE(rates_problem(r));
}

std::string report(const std::vector<FeeClient>& clients, bool marked_only, int lines) {
    printing::PrintWriter out;
    fee_report("DADOS2026", clients, rates(), marked_only, lines, out);
    return out.text();
}

TEST(Fees, TheReportPagesItsTotalsAndAveragesTheDeclarationsDone) {
    std::vector<FeeClient> clients;
    for (int k = 0; k < 6; ++k)
        clients.push_back({"5299822472" + std::to_string(k % 10), "CLIENTE " + std::to_string(k),
                           k == 5 ? 0 : 600L * (k + 1), 10000L * (k + 1), Decimal::from("100.00"),
                           k % 2 == 0});
    const std::string text = report(clients, false, 12);
    const std::string golden = std::string(VORN_SOURCE_DIR) + "/tests/data/office/fee_report.txt";
    if (std::getenv("VORN_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << text;
    std::ifstream in(golden, std::ios::binary);
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(text, want.str());
    // Page breaks, page totals, the final block and the averages over the five done.
    EXPECT_GE(std::count(text.begin(), text.end(), '\f'), 1);
    EXPECT_NE(text.find("MEDIAS......."), std::string::npos);
    EXPECT_NE(text.find("    5       1         6"), std::string::npos) << text;

    // Only the marked; none done: averages of nothing are zero, not a division by zero.
    const std::string marked = report(clients, true, 60);
    EXPECT_EQ(marked.find("CLIENTE 1"), std::string::npos);
    EXPECT_NE(marked.find("CLIENTE 4"), std::string::npos);
    for (auto& c : clients) c.seconds = 0;
    const std::string none = report(clients, false, 60);
    EXPECT_NE(none.find("MEDIAS......."), std::string::npos);
    EXPECT_NE(none.find("0,00"), std::string::npos);
}

}  // namespace
}  // namespace vorn::office
