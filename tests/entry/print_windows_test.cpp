// The windows of printing on the headless screen: the month range of the monthly reports with
// its checks and questions, the pause of a running print, and which printer is preselected.
#include <gtest/gtest.h>

#include "entry/month_range.h"
#include "entry/printer_choice.h"
#include "ui/harness.h"

namespace vorn::entry {
namespace {

using ui::testing::Harness;

TEST(MonthRange, ARangeEditedInPlaceThenEachQuestion) {
    Harness h(
        "snap\ntext 3\nENTER\ntext 03\nENTER\ntext 05\nENTER\n"
        "text S\ntext N\ntext S\n");
    std::optional<MonthChoice> c = ESCOLHE_COMO(h.screen, 2);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->from, 3);
    EXPECT_EQ(c->to, 5);
    EXPECT_TRUE(c->page_per_month);
    EXPECT_FALSE(c->previous_balance);
    EXPECT_TRUE(c->summary);
    const std::string first = h.snaps.str().substr(0, h.snaps.str().find("----"));
    ui::testing::expect_golden("month_range", first);
}

TEST(MonthRange, AnEndBeforeTheStartOrAfterDecemberIsRefused) {
    Harness h(
        "text 3\nENTER\ntext 05\nENTER\ntext 03\nENTER\ntext 13\nENTER\ntext 07\nENTER\n"
        "text N\ntext N\n");
    std::optional<MonthChoice> c = ESCOLHE_COMO(h.screen, 1);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->from, 5);
    EXPECT_EQ(c->to, 7);
    EXPECT_FALSE(valid_month_range(0, 3));
    EXPECT_FALSE(valid_month_range(13, 13));
    EXPECT_FALSE(valid_month_range(4, 13));
    EXPECT_TRUE(valid_month_range(12, 12));
}

TEST(MonthRange, OneMonthAsksNothingMoreAndEscCancels) {
    Harness one("text 2\nENTER\ntext 01\nENTER\n");
    std::optional<MonthChoice> c = ESCOLHE_COMO(one.screen, 1);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->from, 1);
    EXPECT_EQ(c->to, 1);
    Harness all("ENTER\ntext N\n");
    c = ESCOLHE_COMO(all.screen, 1);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->from, 1);
    EXPECT_EQ(c->to, 12);
    Harness esc("ESC\n");
    EXPECT_FALSE(ESCOLHE_COMO(esc.screen, 1).has_value());
    Harness esc_question("ENTER\nESC\n");
    EXPECT_FALSE(ESCOLHE_COMO(esc_question.screen, 1).has_value());
}

TEST(PauseOfAPrint, AKeyWaitsForTheNextAndEscAsksToAbandon) {
    // Keys typed while the report is being written wait for PAREIMP.
    Harness none("");
    EXPECT_FALSE(PAREIMP(none.screen));
    Harness goes_on("text y\n");
    goes_on.screen.push_key(ui::Key::chr('x'));
    EXPECT_FALSE(PAREIMP(goes_on.screen));
    Harness abandons("snap\ntext S\n");
    abandons.screen.push_key(ui::Key::of(ui::KeyCode::kEsc));
    EXPECT_TRUE(PAREIMP(abandons.screen));
    EXPECT_NE(abandons.snaps.str().find("Abandona a impressão ?"), std::string::npos);
    Harness keeps("ESC\ntext N\n");
    keeps.screen.push_key(ui::Key::chr('x'));
    EXPECT_FALSE(PAREIMP(keeps.screen));
}

TEST(PrinterList, TheStoredChoiceElseTheThirdEntryNeverPastTheEnd) {
    const auto two = printer_entries({});
    EXPECT_EQ(two, (std::vector<std::string>{"NAO DOS", "Sem Impressora"}));
    EXPECT_EQ(preselected_entry(two, "Sem Impressora"), 1u);
    EXPECT_EQ(preselected_entry(two, "Impressora antiga"), 1u);
    const auto three = printer_entries({"HP"});
    EXPECT_EQ(preselected_entry(three, "Impressora antiga"), 2u);
    EXPECT_EQ(preselected_entry(three, "HP"), 0u);
}

}  // namespace
}  // namespace vorn::entry
