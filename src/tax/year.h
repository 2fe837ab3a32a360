// The year's legal figures for ano-calendário 2025 / exercício 2026: the progressive tables
// (annual and monthly), deductions, limits and dates every tax computation reads.
// All amounts are exact decimals; monthly figures have two columns, January–April and May–December.
#pragma once

#include <array>

#include "base/date.h"
#include "base/decimal.h"

namespace vorn::tax {

// Amount from whole cents, usable in constant expressions.
constexpr Decimal cents(long long c) {
    return Decimal::from_raw(static_cast<__int128>(c) * 10'000'000'000);
}
// Rate from ten-thousandths (0.0750 = 750).
constexpr Decimal ten_thousandths(long long v) {
    return Decimal::from_raw(static_cast<__int128>(v) * 100'000'000);
}

inline constexpr const char* CANOATUAL = "26";
inline constexpr const char* CANOANTER = "25";
inline constexpr int NANOATUAL = 2026;
inline constexpr int kCalendarYear = 2025;

// Annual table: upper bounds of the exempt, 7.5 %, 15 % and 22.5 % brackets, and the amounts to
// subtract in the 7.5 %, 15 %, 22.5 % and 27.5 % brackets.
inline constexpr Decimal NBASEAN1 = cents(2846720);
inline constexpr Decimal NBASEAN2 = cents(3391980);
inline constexpr Decimal NBASEAN3 = cents(4501260);
inline constexpr Decimal NBASEAN4 = cents(5597616);
inline constexpr Decimal NDEDUAN1 = cents(213504);
inline constexpr Decimal NDEDUAN2 = cents(467903);
inline constexpr Decimal NDEDUAN3 = cents(805497);
inline constexpr Decimal NDEDUAN4 = cents(1085378);
inline constexpr std::array<Decimal, 4> kAnnualBound = {NBASEAN1, NBASEAN2, NBASEAN3, NBASEAN4};
inline constexpr std::array<Decimal, 4> kAnnualDeduction = {NDEDUAN1, NDEDUAN2, NDEDUAN3, NDEDUAN4};
// Rates of the four taxed brackets.
inline constexpr std::array<Decimal, 4> kRate = {ten_thousandths(750), ten_thousandths(1500),
                                                 ten_thousandths(2250), ten_thousandths(2750)};

// Monthly table, per column (0: January to April, 1: May to December).
inline constexpr Decimal NBASEME1[2] = {cents(225920), cents(242880)};
inline constexpr Decimal NBASEME2[2] = {cents(282666), cents(282666)};
inline constexpr Decimal NBASEME3[2] = {cents(375106), cents(375106)};
inline constexpr Decimal NBASEME4[2] = {cents(466468), cents(466468)};
inline constexpr Decimal NDEDUME1[2] = {cents(16944), cents(18216)};
inline constexpr Decimal NDEDUME2[2] = {cents(38144), cents(39416)};
inline constexpr Decimal NDEDUME3[2] = {cents(66277), cents(67549)};
inline constexpr Decimal NDEDUME4[2] = {cents(89600), cents(90873)};
// The monthly simplified discount of each column.
inline constexpr Decimal kMonthlyDiscount[2] = {cents(56480), cents(60720)};

// Column of the monthly table serving a month 1..12.
constexpr int month_column(int month) {
    return month <= 4 ? 0 : 1;
}
// The monthly bound k (0..3) and amount to subtract k (0..3) of a column.
Decimal monthly_bound(int column, int k);
Decimal monthly_deduction(int column, int k);

inline constexpr Decimal NVALDEPANO = cents(227508);  // annual deduction per dependant
inline constexpr Decimal NVALDEPEN[2] = {cents(18959), cents(18959)};  // monthly, per dependant
inline constexpr Decimal NVALESCOL = cents(356150);  // annual education limit per person
inline constexpr Decimal NVALAPOSE =
    cents(190398);  // monthly exempt retirement portion from age 65
inline constexpr Decimal NVALAPOSA =
    cents(2284776);  // annual exempt retirement portion from age 65
inline constexpr Decimal NDESCPRAD = cents(1675434);  // cap of the simplified discount
// Income limit of parents, grandparents and great-grandparents as dependants: the year's annual
// exempt bound.
inline constexpr Decimal NLIMAVOS = NBASEAN1;
inline constexpr const char* CLIM13INSS = "R$ 1.903,98";
inline constexpr const char* CLIMINSS = "R$ 22.847,76";
inline constexpr const char* CLIMAVOS = "R$ 28.467,20";

// Dollar rate of each month of the calendar year (index 0 = January).
inline constexpr std::array<Decimal, 12> TAB_DOLAR = {
    ten_thousandths(60394), ten_thousandths(60371), ten_thousandths(57277), ten_thousandths(57413),
    ten_thousandths(58701), ten_thousandths(56322), ten_thousandths(55646), ten_thousandths(55569),
    ten_thousandths(53922), ten_thousandths(53202), ten_thousandths(54458), ten_thousandths(52946)};

// Last day for the automatic debit of a first quota, and the delivery deadline.
inline const Date DDIADEBA{2026, 5, 9};
inline const Date DDIAENTRA{2026, 5, 29};
// 31 December of the calendar year, the day ages are measured at.
inline const Date kYearEnd{2025, 12, 31};

}  // namespace vorn::tax
