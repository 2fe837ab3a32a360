// The declaration's totals taken from its capital gains and variable-income statements (table
// 7), for the annual computation, the summary and the cash check. Each reads what the gain
// computation stored in the gains (VAL_TRIBU, VAL_NAOTRI, VAL_IMPOSV, the monthly fields) and
// recomputes the statements from their stored lines. Gains dated after the base year serve the
// DARF only and count nowhere here. "In Brazil": real estate, movable assets and shareholdings
// with BEMBRASIL other than "N"; "abroad": real estate and movable assets with BEMBRASIL "N".
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/decimal.h"
#include "store/record.h"

namespace vorn::gains {

using Gains = std::vector<store::Record>;

// Σ VAL_NAOTRI of gains in Brazil exempt as of small value (PEQ_VALOR "S", VAL_ALI within its
// limit), sold in the base year.
Decimal I3_04GCPVC(const Gains& g);
// Σ VAL_NAOTRI of the declarant's only property sold in the base year with that exemption used
// (UNIC_IMOV "S", USU_440 "N", 35,000.00 < VAL_ALI ≤ 440,000.00), not of small value.
Decimal I3_04UNICC(const Gains& g);
// Σ VAL_NAOTRI (reduction by year + factor reductions + reinvestment) of the other real-estate
// gains in Brazil sold in the base year.
Decimal I3_04REDUC(const Gains& g);
// Σ VAL_NAOTRI of gains abroad sold in the base year.
Decimal I3_04EXTRC(const Gains& g);
// Σ VAL_TRIBU of gains in Brazil sold in the base year (an earlier year's sale counts in its
// year).
Decimal I4_02(const Gains& g);
// Σ VAL_TRIBU of gains abroad sold in the base year.
Decimal I4_11(const Gains& g);
// Σ VAL_TRIBU of foreign cash (TIPO_BEM 5) sold in the base year.
Decimal I4_12(const Gains& g);
// Tax on capital gains of the year: for every gain (Brazil, abroad, foreign cash) of the base
// year or an earlier one, Σ IMP_DEV01..12 of an instalment sale, else VAL_IMPOSV.
Decimal I13_46(const Gains& g);
// Σ over every person's statements of the base of the tax (line 16 of common operations and of
// day trade, line 3 of the funds), every month.
Decimal I4_03(const Gains& g);
// Tax paid on variable income: Σ over every person of line 28 of common operations and line 10
// of the funds, every month.
Decimal I13_47(const Gains& g);
// Capital-gain entries of the cash check, the cost recovered by the year's receipts: Σ over the
// gains of the base year or an earlier one of (net received in the year − the year's share of
// the gross gain), net received = Σ (REC_MESmm − VAL_CORmm), the share = gross gain × net
// received / net sale value in reais (VAL_ALI − VAL_CORR; abroad trunc(VALALIUS × DOLARVEN) −
// trunc(VAL_CORR × DOLARVEN)), rounded to the cent; never negative. Gross gain = VAL_TRIBU +
// VAL_NAOTRI, for an earlier year's sale (no non-taxable amount this year) VAL_TRIBU + REDUCAO +
// FATOR1 + FATOR2.
Decimal ENTRADGP(const Gains& g);
// Taxable gain deferred to later years: Σ over instalment sales of the base year of
// max(VAL_TRIBU − Σ VAL_TRImm, 0).
Decimal VALFUTUR(const Gains& g);
// Profits of variable income: Σ over every person of the positive monthly results (line 14 of
// common operations and of day trade, line 1 of the funds).
Decimal LUCRRVA(const Gains& g);
// Losses of variable income, as a positive amount: Σ of the negative monthly results of the
// same lines.
Decimal PREJRVA(const Gains& g);

// Every total above by its name, in the order listed, for the computation to take. A
// declaration without any table-7 record is left as it is: its values of these names are the
// ones typed in the exempt income's worksheet or stored by an earlier computation.
void carry_totals(const Gains& g, const std::function<void(std::string_view, Decimal)>& set);
// Every total above as zero: what a declaration carries once its last gain or statement line is
// removed (carry_totals would leave it the removed gains' totals).
void carry_no_totals(const std::function<void(std::string_view, Decimal)>& set);

// Whether the declaration has gains for the capital-gains section of the declaration document:
// any real estate, movable asset, shareholding or foreign cash sold in the base year or before.
bool has_gains_section(const Gains& g);

}  // namespace vorn::gains
