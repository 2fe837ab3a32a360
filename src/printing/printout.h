// The declaration printout (FOLHA): the identification page, the income pages, assets and debts,
// the summary of the computation with the balance of the year, and the "malha fina" cash
// analysis, written at rows and columns into a print file page by page, each page under the
// taxpayer's header, lists that go on to the next page closed with their partial totals.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "printing/print_file.h"
#include "tax/declaration.h"

namespace vorn::printing {

// What one step of a printout prints.
enum class Step {
    kPage1,
    kCompanies,    // page 2: income from companies, holder and dependants
    kIndividuals,  // page 2: income from individuals and from abroad
    kOtherIncome,  // page 2: exempt, exclusive, tax paid and payments
    kPage3,
    kPage4,
    kBalance,  // the balance of the year, after the summary
    kPage5,
    kNotes,     // page 9: the declaration's findings and personal notes (ANOTE_ESP)
    kCashBook,  // page 10: the ordinary cash book (LIVRO_CAIXA)
};

// What pages 9 and 10 print besides the declaration: its notes (table 11) and the months of the
// cash book (ESCOLHE_MES).
struct Extras {
    std::vector<store::Record> notes;
    int from = 1, to = 12;          // months of the cash book
    bool page_per_month = false;    // "Avança página em cada mês ?"
    bool previous_balance = false;  // the months before the range summed first
};

// The steps of a page choice QUEPAG (1 … 11 of the print selection): 1 pages 1 to 5 with the
// balance, 2 pages 1 to 5, 3 pages 1 to 4, 4 pages 1 to 4 with the balance, 5 page 2's income from
// companies and individuals, 6 its income from individuals, 7 its exempt, exclusive, tax-paid and
// payments blocks, 8 page 3, 9 page 4 with the balance, 10 page 4, 11 page 5. Any other choice
// is taken as 1.
std::vector<Step> steps_of(int quepag);

// How the printout is laid out.
struct PrintoutOptions {
    int lines = 60;  // NRO_LIN: the lines a page holds (50 to 66)
    bool naodos =
        true;  // the channel is "NAO DOS" (its dividers are 80/135/105 long, else 79/132/105)
    std::string run_date;  // the title of a whole summary: "RESUMO  - " + date + "  " + time
    std::string run_time;
    // The control strings STRING0 (normal print) and STRING1 (condensed print).
    std::string strings[2] = {std::string(1, kNormal), std::string(1, kCondensed)};
    bool full = true;  // a whole printout (the summary carries its title)
    // Between lines (PAREIMP): true when the operator abandons the print.
    std::function<bool()> stop;
    // The status line while a page prints.
    std::function<void(std::string_view)> status;
};

// Prints declarations one after another into a writer; each page begins a new sheet (a form feed
// before every page but the first of the writer's part).
class Printout {
  public:
    Printout(PrintWriter& w, PrintoutOptions o) : w_(w), o_(std::move(o)) {}

    // The steps for one computed declaration. False when the operator abandoned the print.
    bool print(tax::Declaration& d, const std::vector<Step>& steps, const Extras& extras = {});
    // FOLHA(page) for pages 1 to 5 (page 2 whole), 9 and 10; false when abandoned.
    bool FOLHA(tax::Declaration& d, int page, const Extras& extras = {});

    // The writer starts a new part at row 0 (the per-taxpayer copy): no form feed before its
    // first page.
    void new_part() { pages_ = 0; }
    void new_part_if(bool fresh) {
        if (fresh) new_part();
    }
    bool abandoned() const { return abandoned_; }

  private:
    friend class Sheet;
    PrintWriter& w_;
    PrintoutOptions o_;
    int pages_ = 0;
    bool abandoned_ = false;
};

}  // namespace vorn::printing
