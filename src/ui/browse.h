// The grid browser: rows of a table or of an array shown in columns inside a rectangle, with a
// header line. The operator moves over the cells (arrows, PgUp/PgDn, Home/End, mouse), edits one
// in place through field input (Enter, a typed character or a double click), inserts and deletes
// rows through the caller's hooks, and leaves with Esc, Tab or Shift+Tab.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/field.h"
#include "ui/grid.h"
#include "ui/key.h"

namespace vorn::ui {

class Screen;

// Rows the browser walks. It only ever moves relative to the current row, so a table is browsed
// through its own navigation (filter, order, deleted rows hidden) without being read whole.
class RowSource {
  public:
    virtual ~RowSource() = default;
    virtual void go_top() = 0;
    virtual void go_bottom() = 0;
    // Moves `count` rows (negative: back) and returns the rows really moved, with the sign of
    // count; it stops on the first or the last row (a table's SKIPPED).
    virtual long skip(long count) = 0;
    // True when there is no row at all.
    virtual bool empty() = 0;
};

// Rows held in memory (the monthly grids). The vector may grow or shrink between moves.
class ArraySource final : public RowSource {
  public:
    explicit ArraySource(std::vector<std::vector<Value>>& rows) : rows_(rows) {}
    void go_top() override { pos_ = 0; }
    void go_bottom() override { pos_ = rows_.empty() ? 0 : rows_.size() - 1; }
    long skip(long count) override;
    bool empty() override { return rows_.empty(); }

    size_t position() const { return pos_; }
    void go_to(size_t row) { pos_ = std::min(row, rows_.empty() ? 0 : rows_.size() - 1); }
    // A cell of the current row.
    Value& cell(size_t column) { return rows_.at(pos_).at(column); }
    std::vector<std::vector<Value>>& rows() { return rows_; }

  private:
    std::vector<std::vector<Value>>& rows_;
    size_t pos_ = 0;
};

struct BrowseColumn {
    std::string header;
    std::string picture;
    int width = 0;                          // on screen; 0: the wider of the header and the picture
    std::function<Value()> get;             // the value in the current row
    std::function<bool(const Value&)> put;  // writes it; false keeps the old value. None: read-only
    std::function<bool(Value&)> valid;      // may adjust the typed value; false refuses it
    int value_width = 0;  // text: characters of the value; number without template: width
    int decimals = 0;     // number without template
};

// Column `index` of an array's current row.
BrowseColumn array_column(ArraySource& rows, size_t index, std::string header, std::string picture,
                          int width = 0);

struct BrowseOptions {
    BrowseOptions() = default;
    BrowseOptions(Rect r) : rect(r) {}  // NOLINT: a rectangle is enough options
    Rect rect;                          // the grid: a header line, a rule, then the rows
    int shown_columns = 0;  // columns shown when it opens (the rest are reached moving right)
    // Ins and Del: true when rows changed and the grid must be read again.
    std::function<bool()> on_insert;
    std::function<bool()> on_delete;
    // Keys the caller handles first (true: handled).
    std::function<bool(const Key&)> on_key;
    // The current column, whenever another one becomes current.
    std::function<void(int column)> on_column;
};

class Browser {
  public:
    Browser(Screen& screen, RowSource& source, std::vector<BrowseColumn> columns,
            BrowseOptions options);

    // Runs until Esc, Tab, Shift+Tab or stop(); returns the key that ended it.
    Key run();
    // Reads and redraws every visible row from the source.
    void refresh();
    // Edits the current cell; true when a new value was written. `escaped`, when given, tells
    // whether the operator left the cell with Esc.
    bool edit(bool* escaped = nullptr);
    void stop(const Key& k);
    // After rows changed (an edit that moves its row in the order, an insert, a delete): the
    // current row keeps its place on the window unless rows above or below it would then stay
    // hidden while the window has room for them.
    void fit_rows();
    int column() const { return col_; }
    // Makes column `c` the current one (scrolled into view).
    void go_column(int c);
    int row() const { return row_; }  // of the window
    int rows_shown() const { return rect_.height() - 2; }
    RowSource& source() { return source_; }

  private:
    int width_of(size_t c) const;
    std::string cell_text(size_t c);
    void layout();  // the columns visible from left_
    bool move_rows(long n);
    int column_at(int x) const;

    Screen& screen_;
    RowSource& source_;
    std::vector<BrowseColumn> columns_;
    BrowseOptions options_;
    Rect rect_;
    int row_ = 0, col_ = 0, left_ = 0;
    std::vector<std::pair<int, int>> visible_;  // column index, screen column
    bool stop_ = false;
    Key stop_key_;
};

}  // namespace vorn::ui
