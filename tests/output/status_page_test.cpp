// The maker's status page: the twelve rates all or none, the release right after its marker, and
// pages cut short or malformed giving nothing rather than figures read from the wrong place.
#include "output/status_page.h"

#include <gtest/gtest.h>

namespace vorn::output {
namespace {

std::string rates(int first_month = 1) {
    std::string out;
    for (int m = first_month; m < first_month + 12; ++m)
        out += "2025" + std::string(m < 10 ? "0" : "") + std::to_string(m) + ";0.9" +
               std::to_string(m % 10) + ";";
    return out;
}

TEST(StatusPage, RatesAfterTheMarkerAndTheReleaseAfterItsOwn) {
    // The first entry starts 16 characters after the marker's S.
    const StatusPage p =
        parse_status_page("xSELIC0123456789a" + rates() + "..VORN262.04 30/06/26 0123456");
    ASSERT_EQ(p.rates.size(), 12u);
    EXPECT_EQ(p.rates[0].first, "202501");
    EXPECT_EQ(p.rates[0].second, Decimal::from("0.91"));
    EXPECT_EQ(p.rates[11].first, "202512");
    ASSERT_TRUE(p.release);
    EXPECT_EQ(p.release->number, "2.04");
    EXPECT_EQ(p.release->date, "30/06/26");
    EXPECT_EQ(p.release->size, 123456);
    EXPECT_EQ(installer_name(*p.release), "VORN2026-204.exe");
}

TEST(StatusPage, MalformedOrShortPagesGiveNothing) {
    const std::string head = "SELIC0123456789a";
    // A month 13, a rate without its point, a page cut in its last entry: no rate at all.
    std::string bad_month = head + rates();
    bad_month.replace(16 + 12 * 3 + 4, 2, "13");
    EXPECT_TRUE(parse_status_page(bad_month).rates.empty());
    std::string bad_rate = head + rates();
    bad_rate.replace(16 + 7, 4, "0091");
    EXPECT_TRUE(parse_status_page(bad_rate).rates.empty());
    EXPECT_TRUE(parse_status_page((head + rates()).substr(0, 16 + 12 * 12 - 5)).rates.empty());
    EXPECT_TRUE(parse_status_page("no marker at all").rates.empty());
    // A release marker without its figures, or with a size that is not a number.
    EXPECT_FALSE(parse_status_page("VORN262.04 30/06").release);
    EXPECT_FALSE(parse_status_page("VORN262.04 30/06/26 12a4567").release);
}

}  // namespace
}  // namespace vorn::output
