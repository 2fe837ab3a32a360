// The monthly statements of variable income of one person: the stock-market statement (28
// lines, common operations "1" and day trade "2") and the real-estate fund statement (10 lines,
// "3"), twelve months each, with the losses and withholding credits carried from month to month.
// Stored as table-7 records (TIPO_BEM 4), one per line with a non-zero month.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/decimal.h"
#include "store/record.h"

namespace vorn::gains {

constexpr char kCommon = '1', kDayTrade = '2', kFund = '3';

struct Statement {
    char kind = kCommon;
    std::string dependant;  // CPF_DEPE: blank for the declarant
    std::vector<std::string> labels;
    std::vector<std::array<Decimal, 12>> lines;  // lines[n - 1][month - 1]

    int size() const { return static_cast<int>(lines.size()); }
    Decimal& at(int line, int month) { return lines.at(line - 1).at(month - 1); }
    Decimal at(int line, int month) const { return lines.at(line - 1).at(month - 1); }
};

// Clears the statement of `kind` (fund for "3", stock otherwise) and sets its labels.
void ZER_RENVAR(Statement& st, char kind);

// Loads the statement of one person and kind from the declaration's table-7 records and
// recomputes it. Stock: the kind's records give lines 1–17; above them line 18 comes from the
// common operations' records only and line 19 from the day trade's (each kind computes its own),
// lines 24 and 28 from the kind's own when it is not day trade, the rest from the kind's record
// or else the other kind's (never both). Fund: stored lines 11–20 are
// line 2, lines above 20 line 6, line 0 is ignored.
void PRENCHE_MAT(Statement& st, char kind, const std::string& dependant,
                 const std::vector<store::Record>& table7);

// Recomputes every computed cell of the statement.
void SOMA_RENVAR(Statement& st);

// Whether the operator types this cell; the others are computed. January of lines 22 and 25
// is computed (0): nothing is carried into January from another year's withholding there.
bool entered(char kind, int line, int month);

// Stores the statement into the table-7 records of declaration `cpf`: the fund's lines replace
// the person's fund records one by one (an all-zero line's record, and any of the older
// numbering, removed); the stock statement replaces all records of its kind, day trade without
// lines 27 and 28. Nothing is stored for an all-zero line.
void GRAVA_RV(const Statement& st, const std::string& cpf, std::vector<store::Record>& table7);

// The persons with variable-income records: "" for the declarant, then dependants' CPFs, in
// order of first appearance.
std::vector<std::string> statement_persons(const std::vector<store::Record>& table7);

}  // namespace vorn::gains
