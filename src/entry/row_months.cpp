// The monthly values of a row's amount (Alt+U in the item editor).
#include "entry/row_months.h"

#include <array>

#include "base/text.h"
#include "entry/monthly_values.h"
#include "tax/limits.h"
#include "tax/year.h"

namespace vorn::entry {
namespace {

constexpr std::string_view kRetirement65 = "I1_17";

std::string month_field(const std::string& prefix, int month) {
    return prefix + tax::two_digits(month);
}

bool holders(const store::Record& row) {
    return row.str("I1_11") != "N";
}

}  // namespace

std::string stored_months(int table, std::string_view field) {
    if (table == 2 && (field == "I1_4" || field == "I1_5" || field == "I1_6"))
        return std::string(field);
    if (table == 6 && field == "I6_4") return std::string(field);
    return {};
}

int first_month_of_65(const tax::Declaration& d, const store::Record& row) {
    Date birth = d.date("NASCIMENTO");
    if (!holders(row)) {
        birth = Date();
        tax::for_each_live(d.dependants, [&](const store::Record& r) {
            if (r.str("CPFDEPEN") == row.str("I1_8")) birth = r.date("DATADEPEN");
        });
    }
    if (birth.blank() || birth.year() < tax::kCalendarYear - 65) return 1;
    return birth.year() == tax::kCalendarYear - 65 ? birth.month() : 13;
}

std::optional<Decimal> row_months(ui::Screen& s, tax::Context& c, int table, std::string_view field,
                                  store::Record& row) {
    const std::string prefix = stored_months(table, field);
    std::array<Decimal, 12> months{};
    if (!prefix.empty())
        for (int m = 1; m <= 12; ++m)
            months[static_cast<size_t>(m - 1)] = row.num(month_field(prefix, m));
    MonthCheck check;
    if (table == 2 && field == kRetirement65) {
        const int first = first_month_of_65(c.decl, row);
        const std::string who = holders(row) ? "contribuinte" : "dependente";
        check = [&c, first, who](int month, Decimal v) {
            if (v.is_zero()) return true;
            if (first > 12) {
                c.op.notice(NoticeKind::kError, "",
                            "O " + who + " tem menos de 65 anos\ne não pode usar desse benefício!");
                return false;
            }
            if (month < first) {
                c.op.notice(NoticeKind::kError, "",
                            "O " + who + " fez 65 anos no mês " + std::to_string(first) +
                                ":\na parcela isenta começa nesse mês.");
                return false;
            }
            return tax::LIM_ISEN(c, v);
        };
    }
    const std::optional<Decimal> total =
        VALORES_MENSAIS(s, c.op, months, estate_last_month(c.decl), check);
    if (!total) return std::nullopt;
    if (!prefix.empty())
        for (int m = 1; m <= 12; ++m)
            row.set(month_field(prefix, m), months[static_cast<size_t>(m - 1)]);
    return total;
}

}  // namespace vorn::entry
