// The print file: every report is written as text at explicit rows and columns into the
// terminal's print file of the working folder ("NAO-DOS.TXT"), in ISO-8859-1, with the printer's
// control characters (form feed, condensed, normal), and only then sent to a channel.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/decimal.h"
#include "base/picture.h"
#include "base/status.h"

namespace vorn::printing {

// The control characters a print file carries: a form feed starts a new page, character 15
// switches to condensed print (17 characters per inch), character 18 back to normal (10 cpi).
constexpr char kFormFeed = '\f';
constexpr char kCondensed = '\x0f';
constexpr char kNormal = '\x12';

// UTF-8 text as ISO-8859-1 bytes: a character outside that set (and a C1 control) becomes "?".
std::string to_latin1(std::string_view utf8);
// ISO-8859-1 bytes as UTF-8.
std::string from_latin1(std::string_view latin1);
// The lines of a text ended by "\n" or "\r\n" (a last line without its end counts too).
std::vector<std::string_view> lines_of(std::string_view text);

// Print pictures. Each gives exactly its width; a value too wide prints as asterisks, never with
// digits cut. Amounts and percentages are written the Brazilian way ("1.234,56").
// An amount with two decimals and thousands points in `width` characters (at least 4), blank
// when zero with `blank_when_zero`.
Picture money_picture(int width = 14, bool blank_when_zero = false);
// A percentage "999,99" (two decimals) in `width` characters.
Picture percent_picture(int width = 6, bool blank_when_zero = false);
// A CPF "999.999.999-99" or a CNPJ "99.999.999/9999-99" from its digits (punctuation in the
// value is ignored); blanks when the value is blank, asterisks when it has more digits than fit.
std::string print_cpf(std::string_view value);
std::string print_cnpj(std::string_view value);

// Writes a report at explicit rows and columns, as a printer is driven: a row below the current
// one is reached with line ends, a row above it starts a new page (form feed) first, and a column
// left of the current one overwrites the line being built. Rows and columns count from 0.
// Control strings (MUDAIMP) take no column. Finished text is ISO-8859-1 with "\n" line ends.
class PrintWriter {
  public:
    virtual ~PrintWriter() = default;

    void say(int row, int col, std::string_view utf8);
    void say(int row, int col, Decimal value, const Picture& picture);
    // A form feed: the line being built is finished and the next text starts a new page at row 0.
    void eject();
    // Control characters at the current print position, taking no column.
    void control(std::string_view chars);
    // The print position (PROW, PCOL).
    int prow() const { return row_; }
    int pcol() const { return col_; }
    // Ends the text: the line being built gets its line end (when anything was put in it) and the
    // next text starts at row 0 of the same page.
    void finish();

    // The finished text so far (for a writer that keeps it in memory).
    const std::string& text() const { return text_; }

  protected:
    // Receives finished ISO-8859-1 text; the default keeps it in text().
    virtual void emit(std::string_view latin1) { text_.append(latin1); }
    // Starts over at row 0, column 0 with nothing built.
    void restart();

  private:
    void move_to(int row, int col);
    void finish_line();

    bool row_used_ = false;  // something was put on the current row
    std::u32string line_;
    std::string finished_;  // the line being finished, kept for its capacity
    std::vector<std::pair<size_t, std::string>> controls_;  // column, characters
    int row_ = 0, col_ = 0;
    std::string text_;
};

// Where a terminal prints: its working folder (LOCTRAB, with its trailing "/"), its number, the
// per-taxpayer copy (MOSCPF) and the control strings STRING0 (normal) and STRING1 (condensed).
struct PrintPlace {
    std::string folder;
    std::string nusu = "00";
    bool per_taxpayer = false;
    std::string strings[2] = {std::string(1, kNormal), std::string(1, kCondensed)};
};

// The print file of one print run. Two terminals sharing a working folder never mix their text:
// each writes its own file ("NAO-DOS-" + NUSU + ".TXT", with the per-taxpayer part in
// "PROV-DOS-" + NUSU + ".TXT"), and close() publishes it whole as "NAO-DOS.TXT" by a rename.
class PrintFile final : public PrintWriter {
  public:
    // PREP_IMP: starts the print run (overwriting the terminal's print file) at row 0, column 0.
    [[nodiscard]] static Status PREP_IMP(const PrintPlace& place, std::unique_ptr<PrintFile>* out);

    // MUDAIMP: the control string "STRING" + n (0 normal, 1 condensed) at the print position;
    // any other n writes nothing.
    void MUDAIMP(int n);

    // With the per-taxpayer copy: the taxpayer's part is appended to the print file and moved to
    // folder + CPF + first name + " " + last name + ".TXT"; the next taxpayer starts a fresh part
    // at row 0. Without it, nothing happens.
    [[nodiscard]] Status taxpayer_done(std::string_view cpf, std::string_view name);

    bool per_taxpayer() const { return place_.per_taxpayer; }

    // Ends the run: the terminal's print file is complete and published as "NAO-DOS.TXT". Its own
    // path (the file to send, which stays until the next run) goes to *path.
    [[nodiscard]] Status close(std::string* path);

    // The terminal's own print file and the published one.
    static std::string own_path(const PrintPlace& place);
    // Where taxpayer_done puts a taxpayer's part: folder + CPF + first name + " " + last name +
    // ".TXT".
    static std::string copy_path(const PrintPlace& place, std::string_view cpf,
                                 std::string_view name);
    static std::string published_path(const PrintPlace& place);

  protected:
    void emit(std::string_view latin1) override;

  private:
    explicit PrintFile(PrintPlace place) : place_(std::move(place)) {}
    std::string part_path() const;
    [[nodiscard]] Status end_part();

    PrintPlace place_;
    std::ofstream out_;
    Status failed_;  // the first write that failed
};

// Copies `from` to `to` through a private file renamed over it, so that no reader ever sees a
// half-written `to`.
[[nodiscard]] Status publish_copy(const std::string& from, const std::string& to);
// Writes `bytes` to `path` the same way.
[[nodiscard]] Status publish_bytes(std::string_view bytes, const std::string& path);
// The whole content of a file; kNotFound when it cannot be opened.
[[nodiscard]] Status read_whole(const std::string& path, std::string* bytes);

}  // namespace vorn::printing
