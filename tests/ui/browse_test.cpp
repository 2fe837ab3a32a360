// The grid browser over an array and over a row source that only moves relative to its row.
#include "ui/browse.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/text.h"
#include "harness.h"

namespace vorn::ui {
namespace {

using testing::Harness;

Decimal D(const char* s) {
    return Decimal::from(s);
}

std::vector<std::vector<Value>> months(int n) {
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({Value("Mês " + std::to_string(i)), Value(Decimal(i * 100)),
                        Value(Date(2025, 1, 1).add_days(i))});
    return rows;
}

std::vector<BrowseColumn> columns(ArraySource& src) {
    return {array_column(src, 0, "Descrição", "", 12),
            array_column(src, 1, "Valor", "@Ez 999,999.99"),
            array_column(src, 2, "Data", "@d", 10)};
}

TEST(Browser, MovesScrollsAndEditsInPlaceGolden) {
    Harness h(
        "DOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nRIGHT\nsnap\n"
        "ENTER\ntext 5,5\nENTER\nPGDN\nEND\nUP\nHOME\nRIGHT\nRIGHT\nsnap\nTAB\n");
    auto rows = months(30);
    ArraySource src(rows);
    Browser b(h.screen, src, columns(src), Rect{2, 5, 11, 45});
    EXPECT_EQ(b.rows_shown(), 8);
    EXPECT_EQ(b.run(), Key::of(KeyCode::kTab));
    EXPECT_EQ(std::get<Decimal>(rows[10][1]), D("5.5"));
    EXPECT_EQ(src.position(), 0u);  // Home went back to the first row
    EXPECT_EQ(b.column(), 2);
    std::string out = h.snaps.str();
    testing::expect_golden("browse_scrolled", out.substr(0, out.find("----\n")));
}

TEST(Browser, RefusedOrUnwrittenCellsKeepTheirValue) {
    Harness h(
        "ENTER\ntext 500\nENTER\nESC\nDOWN\nENTER\ntext 7\nENTER\nDOWN\ntext 9\nENTER\nESC\n");
    auto rows = months(3);
    ArraySource src(rows);
    auto cols = columns(src);
    cols[0] = cols[1];  // start on the amount
    int valid_calls = 0;
    cols[0].valid = [&](Value& v) {
        ++valid_calls;
        return std::get<Decimal>(v) < D("100");
    };
    cols[0].put = [&](const Value& v) {
        if (src.position() == 1) return false;  // the row could not be locked
        src.cell(1) = v;
        return true;
    };
    Browser b(h.screen, src, cols, Rect{0, 0, 10, 60});
    EXPECT_EQ(b.run(), Key::of(KeyCode::kEsc));
    EXPECT_EQ(std::get<Decimal>(rows[0][1]), D("100"));  // 500 refused, then Esc
    EXPECT_EQ(std::get<Decimal>(rows[1][1]), D("200"));  // 7 accepted but not written
    EXPECT_EQ(std::get<Decimal>(rows[2][1]), D("9"));    // typing starts editing a cell
    EXPECT_EQ(valid_calls, 3);
}

TEST(Browser, AFieldNarrowerThanItsCellLeavesNothingOfTheShownValueBesideIt) {
    Harness h("text 7\nsnap\nESC\nESC\n");
    std::vector<std::vector<Value>> rows{{Value(Decimal(345))}};
    ArraySource src(rows);
    Browser b(h.screen, src, {array_column(src, 0, "Código", "999", 8)}, Rect{0, 0, 5, 20});
    EXPECT_EQ(b.run(), Key::of(KeyCode::kEsc));
    std::istringstream snap(h.snaps.str());
    std::string row;
    for (int r = 0; r <= 2; ++r) std::getline(snap, row);
    // The three-digit field takes the cell's first columns; the 345 shown at its right is gone.
    EXPECT_NE(row.find("7"), std::string::npos) << row;
    EXPECT_EQ(row.find("345"), std::string::npos) << row;
    EXPECT_EQ(row.find("5"), std::string::npos) << row;
}

TEST(Browser, InsertAndDeleteHooksAndAnEmptyList) {
    Harness h("ENTER\nINS\nINS\nDOWN\nDEL\nsnap\nESC\n");
    h.screen.bind_clipboard_keys();  // Insert is the browser's again
    std::vector<std::vector<Value>> rows;
    ArraySource src(rows);
    BrowseOptions o(Rect{0, 0, 6, 40});
    o.on_insert = [&] {
        rows.push_back(
            {Value("novo " + std::to_string(rows.size())), Value(Decimal(0)), Value(Date())});
        src.go_bottom();
        return true;
    };
    o.on_delete = [&] {
        rows.erase(rows.begin() + static_cast<long>(src.position()));
        src.go_to(src.position());
        return true;
    };
    Browser b(h.screen, src, columns(src), o);
    b.run();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(std::get<std::string>(rows[0][0]), "novo 0");
    EXPECT_NE(h.snaps.str().find("novo 0"), std::string::npos);
    EXPECT_EQ(h.snaps.str().find("novo 1"), std::string::npos);
}

// A long table read only around the window: counts the rows it was asked to pass.
class CountingSource final : public RowSource {
  public:
    explicit CountingSource(long n) : n_(n) {}
    void go_top() override { pos_ = 0; }
    void go_bottom() override { pos_ = n_ - 1; }
    long skip(long count) override {
        long target = std::clamp(pos_ + count, 0L, n_ - 1);
        long moved = target - pos_;
        pos_ = target;
        passed += std::labs(moved);
        return moved;
    }
    bool empty() override { return n_ == 0; }
    long pos_ = 0, n_, passed = 0;
};

TEST(Browser, ATableIsWalkedOnlyAroundTheWindow) {
    Harness run("PGDN\nPGDN\nEND\nsnap\nESC\n");
    CountingSource src(100000);
    BrowseColumn c;
    c.header = "Registro";
    c.width = 10;
    c.get = [&] { return Value(std::to_string(src.pos_ + 1)); };
    Browser b(run.screen, src, {c}, Rect{0, 0, 11, 20});
    b.run();
    EXPECT_EQ(src.pos_, 99999);
    EXPECT_LT(src.passed, 100);  // End jumps; nothing but the visible rows is read
    std::string out = run.snaps.str();
    EXPECT_NE(out.find("100000"), std::string::npos);
    EXPECT_NE(out.find("99991"), std::string::npos);
}

TEST(Browser, MouseSelectsAndDoubleClickEdits) {
    Harness h("text 42\nENTER\nESC\n");
    auto rows = months(5);
    ArraySource src(rows);
    Browser b(h.screen, src, columns(src), Rect{0, 0, 8, 60});
    // Row 3 of the data (screen row 2 + 3), the amount column (after 12 + 1 columns).
    h.screen.push_key(Key::click(5, 14, true));
    b.run();
    EXPECT_EQ(std::get<Decimal>(rows[3][1]), D("42"));
}

}  // namespace
}  // namespace vorn::ui
