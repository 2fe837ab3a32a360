#include "base/date.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(Date, BlankDateReadsAndWritesAsBlanks) {
    Date d;
    EXPECT_TRUE(d.blank());
    EXPECT_EQ(d.dtos(), "        ");
    EXPECT_EQ(d.dmy(), "  /  /    ");
    EXPECT_TRUE(Date::from_dtos("        ")->blank());
    EXPECT_TRUE(Date::from_dtos("00000000")->blank());
    EXPECT_TRUE(Date::from_dmy("  /  /    ")->blank());
    EXPECT_LT(d, Date(1900, 1, 1));
}

TEST(Date, ConvertsBetweenForms) {
    auto d = Date::from_dmy("29/02/2024");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->dtos(), "20240229");
    EXPECT_EQ(Date::from_dtos("20260529")->dmy(), "29/05/2026");
    EXPECT_FALSE(Date::from_dmy("29/02/2025"));
    EXPECT_FALSE(Date::from_dmy("31/04/2025"));
    EXPECT_FALSE(Date::from_dtos("2025013X"));
    EXPECT_FALSE(Date::from_dtos("20251301"));
}

TEST(Date, Arithmetic) {
    Date d(2025, 12, 31);
    EXPECT_EQ(d.add_days(1), Date(2026, 1, 1));
    EXPECT_EQ(Date(2026, 3, 1) - Date(2026, 2, 1), 28);
    EXPECT_EQ(Date(2026, 1, 31).add_months(1), Date(2026, 2, 28));
    EXPECT_EQ(Date(2026, 5, 29).weekday(), 5);  // a Friday
    EXPECT_EQ(Date(2026, 5, 31).weekday(), 0);  // a Sunday
}

TEST(Clock, ManualClockAdvancesAcrossMidnight) {
    auto start = parse_datetime("2026-04-30 23:59:30");
    ASSERT_TRUE(start);
    ManualClock c(*start);
    c.advance(45);
    EXPECT_EQ(c.today(), Date(2026, 5, 1));
    EXPECT_EQ(seconds_to_hms(c.now().seconds), "00:00:15");
    EXPECT_FALSE(parse_datetime("2026-02-30 10:00:00"));
    EXPECT_EQ(hms_to_seconds("01:02:03"), 3723);
    EXPECT_FALSE(hms_to_seconds("24:00:00"));
}

}  // namespace
}  // namespace vorn
