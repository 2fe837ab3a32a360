// The whole declarations worked by hand from the year's tables: the computation tests check their
// figures under both options, the printout tests print them.
#pragma once

#include <string>
#include <vector>

#include "builder.h"

namespace vorn::tax::testing {

// 60,000.00 from a company with 5,000.00 withheld, 6,000.00 of social security and 5,000.00 of
// 13th salary.
inline Builder employee_with_thirteenth() {
    Builder b;
    b.company("60000.00", "5000.00", "6000.00", "5000.00");
    return b;
}

// Two children, education and medical expenses, private pension above its limit.
inline Builder family_with_limits() {
    Builder b;
    b.company("120000.00", "15000.00", "9000.00", "10000.00");
    b.dependant(21, "11111111111", Date(2012, 3, 4), 1);
    b.dependant(21, "22222222222", Date(2015, 7, 8), 2);
    b.payment(1, "5000.00", "0", 0);  // holder: limited to 3561.50
    b.payment(1, "1000.00", "0", 1);
    b.payment(2, "4000.00", "0", 2);  // limited to 3561.50
    b.payment(2, "700.00", "0", 7);   // a person that does not exist: ignored
    b.payment(10, "3000.00", "500.00");
    b.payment(9, "1500.00");
    b.payment(36, "20000.00");  // limited to 12 % of 120000
    return b;
}

// Donations to the funds and incentives, within the 6 % and 1 % limits.
inline Builder incentive_donations() {
    Builder b;
    b.company("100000.00", "12000.00");
    b.payment(40, "700.00");
    b.payment(41, "500.00");
    b.payment(39, "200.00");
    b.payment(45, "300.00");
    return b;
}

// 6,000.00 a month from individuals with 580.00 of Carnê-Leão paid each month.
inline Builder carne_leao_from_individuals() {
    Builder b;
    b.monthly_item("F", "6000.00");
    b.monthly_item("I", "580.00");
    return b;
}

// An estate's final declaration with the partition on 15 June 2025, asking three quotas.
inline Builder final_estate() {
    Builder b;
    b.company("30000.00");
    b.d.set("DECFINAL", "S");
    b.d.set("INDSOBRE", "N");
    b.d.set("DATAPARTI", Date(2025, 6, 15));
    b.d.set("DECJUDI", "S");
    b.d.set("QTD_QUOTA", Decimal(3));
    return b;
}

// A departure on 20 June 2025, the decision of residence abroad on 10 March.
inline Builder departure() {
    Builder b;
    b.company("20000.00", "500.00");
    b.d.set("DECSAIDA", "S");
    b.d.set("DATASAIDA", Date(2025, 6, 20));
    b.d.set("DATADECIS", Date(2025, 3, 10));
    return b;
}

// A pensioner born in 1950 with the exempt portion over 65 and its 13th salary part.
inline Builder retired_from_65() {
    Builder b;
    b.d.set("NASCIMENTO", Date(1950, 2, 1));
    store::Record& pension = b.company("40000.00", "1000.00", "0", "3000.00");
    pension.set("I1_17", D("22847.76"));
    pension.set("I1_43", D("1903.98"));
    return b;
}

// Income from abroad, 2,000.00 a month, with 1,000.00 of tax paid there.
inline Builder tax_paid_abroad() {
    Builder b;
    b.company("50000.00", "3000.00");
    b.monthly_item("E", "2000.00");
    b.d.set("IR_EXTER", D("1000.00"));
    return b;
}

// 30,000.00 received cumulatively, taxed exclusively, with its judicial costs and 900.00 withheld.
inline Builder accumulated_income() {
    Builder b;
    b.company("40000.00");
    store::Record rra = b.d.new_record(2);
    rra.set("I1_1", "A");
    rra.set("I1_11", "S");
    rra.set("TIPOCR", "N");
    rra.set("I1_4", D("30000.00"));
    rra.set("I1_25", D("30000.00"));
    rra.set("I1_20", D("558.40"));
    rra.set("I1_5", D("900.00"));
    b.d.items.push_back(rra);
    return b;
}

struct HandDeclaration {
    std::string name;
    Builder (*build)();
};

// Every one of them, by a short name fit for a file name.
inline std::vector<HandDeclaration> hand_declarations() {
    return {{"employee", employee_with_thirteenth}, {"family", family_with_limits},
            {"incentives", incentive_donations},    {"carne_leao", carne_leao_from_individuals},
            {"final_estate", final_estate},         {"departure", departure},
            {"retired", retired_from_65},           {"abroad", tax_paid_abroad},
            {"accumulated", accumulated_income}};
}

}  // namespace vorn::tax::testing
