// A whole declaration typed as a new user types it, through the real program: a client created
// from the chooser, employee income, two dependants, medical and education payments, a car, a flat
// and a debt; the summary, the save and the end. Afterwards calc agrees with every line of the
// summary the program showed, and the tables hold every value typed.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/validate.h"
#include "office.h"

namespace vorn::shell {
namespace {

const std::string kClient = valid_cpf("111444777");
const std::string kChild = valid_cpf("529982247");
const std::string kStudent = valid_cpf("222555888");
const char* kCnpj = "11222333000181";

std::string renavam() {
    const std::string base = "0123456789";
    return base + renavam_check_digit(base);
}

// Keys typing `text` into the current cell, then Enter.
std::string type(const std::string& text) {
    return "text " + text + "\nENTER\n";
}
std::string keys(const char* key, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += std::string(key) + "\n";
    return out;
}

// From the main menu to the end of the program, every value typed once.
std::string new_user_script() {
    // The chooser: a CPF no folder holds, "Sim" to include it; on the identification the rural
    // activity, the name and the birth.
    std::string s = "ALT+I\n" + type(kClient) + "ENTER\n" + type("N") + type("JOANA NOVA") +
                    type("15031985") + "ESC\n";
    // Item 11: payer, income, social security, tax withheld, 13th salary, and the CNPJ.
    s += "F1\n" + type("EMPRESA EMPREGADORA SA") + "RIGHT\n" + type("84000") + "RIGHT\n" +
         type("7800") + "RIGHT\n" + type("9100") + "RIGHT\n" + type("7000") + "RIGHT\nRIGHT\n" +
         type(kCnpj) + "ESC\n";
    // Item 41: name, code (its description closed with Enter), birth and CPF; Ins for the second
    // row, back to its name.
    auto dependant = [&](const char* name, const char* code, const char* birth,
                         const std::string& cpf) {
        return type(name) + "RIGHT\n" + type(code) + "ENTER\nRIGHT\n" + type(birth) + "RIGHT\n" +
               type(cpf);
    };
    s += "F4\nRIGHT\n" + dependant("MARIA NOVA", "21", "01052012", kChild) + "INS\n" +
         keys("LEFT", 3) + dependant("PEDRO NOVO", "22", "10102002", kStudent) + "ESC\n";
    // Item 43: name, code, person (left at the holder's 0 when empty), CNPJ, amount paid and, for
    // the reimbursed payment, the part not deductible.
    auto payment = [&](const char* name, const char* code, const char* person, const char* paid) {
        std::string p = type(name) + "RIGHT\n" + type(code) + "ENTER\nRIGHT\n";
        p += *person ? type(person) : "";
        return p + "RIGHT\n" + type(kCnpj) + "RIGHT\n" + type(paid);
    };
    s += "ALT+F7\n" + payment("CLINICA SAUDE", "21", "", "3000") + "INS\n" + keys("LEFT", 4) +
         payment("HOSPITAL VIDA", "21", "1", "1200") + "RIGHT\n" + type("400") + "INS\n" +
         keys("LEFT", 5) + payment("ESCOLA SABER", "1", "1", "2000") + "INS\n" + keys("LEFT", 4) +
         payment("UNIVERSIDADE ALFA", "1", "2", "5000") + "ESC\n";
    // Item 51: the car (description, values, group and code), its RENAVAM eighteenth in the
    // asset's data window; the flat after it, its address and IPTU in the window; Tab to the
    // debts.
    s += "F5\nRIGHT\n" + type("AUTOMOVEL VW GOL 2020") + "RIGHT\n" + type("55000") + "RIGHT\n" +
         type("50000") + "RIGHT\n" + type("02") + "RIGHT\n" + type("01") + "ENTER\nALT+Q\n" +
         keys("ENTER", 17) + type(renavam()) + "ESC\n";
    s += "INS\ntext S\n" + keys("LEFT", 4) + type("APARTAMENTO RUA DAS FLORES 100") + "RIGHT\n" +
         type("300000") + "RIGHT\n" + type("320000") + "RIGHT\n" + type("01") + "RIGHT\n" +
         type("11") + "ENTER\nALT+Q\n" + type("RUA DAS FLORES") + type("100") + type("APTO 12") +
         type("CENTRO") + type("01310100") + type("SP") + type("SAO PAULO") + keys("ENTER", 8) +
         type("0123456789012") + "ESC\n";
    s += "TAB\nRIGHT\n" + type("EMPRESTIMO BANCO DO BRASIL") + "RIGHT\n" + type("30000") +
         "RIGHT\n" + type("20000") + "RIGHT\n" + type("12000") + "RIGHT\n" + type("11") +
         "ENTER\nESC\n";
    // The summary, then the end of the declaration with "Sim" (saved) and of the program.
    return s + "F7\nsnap\nESC\nALT+T\nENTER\nESC\nALT+T\nENTER\n";
}

// The rows of `cpf` in table n, ordered by `field` read as a number.
std::vector<Fields> ordered(Office& o, int n, const std::string& cpf, const std::string& field) {
    std::vector<Fields> rows = rows_of(o, n, cpf);
    std::stable_sort(rows.begin(), rows.end(), [&](const Fields& a, const Fields& b) {
        return dec(a.at(field)) < dec(b.at(field));
    });
    return rows;
}

// Each expected field of each row.
void expect_rows(const std::vector<Fields>& rows, const std::vector<Fields>& want) {
    ASSERT_EQ(rows.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k)
        for (const auto& [field, value] : want[k])
            EXPECT_EQ(rows[k].at(field), value) << "row " << k << " field " << field;
}

TEST(NewUser, AWholeDeclarationTypedIsStoredAndCalcAgreesWithTheSummary) {
    Office o(1);  // another client of the folder, left as it was
    const Fields other = o.calc()[o.cpf(0)];
    ASSERT_EQ(o.program("01", new_user_script()), 0) << all(split_screens(o.screens()));
    const std::vector<Screen> screens = split_screens(o.screens());
    ASSERT_EQ(screens.size(), 1u) << all(screens);

    // calc over the saved declaration paints every line of the summary the program showed.
    auto calc = o.calc();
    const Fields& c = calc[kClient];
    ASSERT_FALSE(c.empty());
    EXPECT_EQ(calc[o.cpf(0)], other);
    const Screen& summary = screens.back();
    EXPECT_EQ(summary_painted(summary), summary_expected(c, summary_simplified(summary)))
        << body(summary);

    // Two dependants at 2,275.08 each. Education by person, each held to 3,561.50: the holder
    // nothing, dependant 1 (ESCOLA SABER) 2,000.00, dependant 2 (UNIVERSIDADE ALFA) 5,000.00
    // held to 3,561.50; 0 + 2,000.00 + 3,561.50 = 5,561.50. Medical: 3,000.00 of the holder and
    // 1,200.00 of dependant 1 less 400.00 reimbursed, 3,800.00.
    EXPECT_EQ(c.at("I13_12"), "4550.16");
    EXPECT_EQ(c.at("I13_13"), "5561.50");
    EXPECT_EQ(c.at("I13_14"), "3800.00");
    EXPECT_EQ(c.at("I13_01"), "84000.00");
    EXPECT_EQ(c.at("I13_09"), "7800.00");
    EXPECT_EQ(c.at("I13_27"), "9100.00");
    EXPECT_EQ(c.at("I4_01"), "7000.00");
    EXPECT_EQ(c.at("I13_40"), "370000.00");
    EXPECT_EQ(c.at("I13_42"), "20000.00");
    EXPECT_EQ(c.at("I13_51"), "12000.00");

    // Each typed value, as python3-dbfread reads the tables.
    expect_rows(rows_of(o, 2, kClient), {{{"I1_1", "J"},
                                          {"I1_11", "S"},
                                          {"I1_2", "EMPRESA EMPREGADORA SA"},
                                          {"I1_3", "11.222.333/0001-81"},
                                          {"I1_4", "84000.00"},
                                          {"I1_6", "7800.00"},
                                          {"I1_5", "9100.00"},
                                          {"I1_7", "7000.00"}}});
    expect_rows(ordered(o, 3, kClient, "NRODEPEN"), {{{"NRODEPEN", "1"},
                                                      {"NOMEDEPEN", "MARIA NOVA"},
                                                      {"CODIDEPEN", "21"},
                                                      {"DATADEPEN", "20120501"},
                                                      {"CPFDEPEN", kChild}},
                                                     {{"NRODEPEN", "2"},
                                                      {"NOMEDEPEN", "PEDRO NOVO"},
                                                      {"CODIDEPEN", "22"},
                                                      {"DATADEPEN", "20021010"},
                                                      {"CPFDEPEN", kStudent}}});
    expect_rows(ordered(o, 4, kClient, "I7_0"), {{{"I7_0", "10"},
                                                  {"I7_2", "AUTOMOVEL VW GOL 2020"},
                                                  {"I7_3", "55000.00"},
                                                  {"I7_4", "50000.00"},
                                                  {"GRPO", "02"},
                                                  {"CODB", "01"},
                                                  {"RENAVAM", renavam()}},
                                                 {{"I7_0", "20"},
                                                  {"I7_2", "APARTAMENTO RUA DAS FLORES 100"},
                                                  {"I7_3", "300000.00"},
                                                  {"I7_4", "320000.00"},
                                                  {"GRPO", "01"},
                                                  {"CODB", "11"},
                                                  {"ENDEIMO", "RUA DAS FLORES"},
                                                  {"NUMIMO", "100"},
                                                  {"COMPIMO", "APTO 12"},
                                                  {"BAIRIMO", "CENTRO"},
                                                  {"CEPIMO", "01310100"},
                                                  {"UFIMO", "SP"},
                                                  {"MUNICIMO", "SAO PAULO"},
                                                  {"REG_IPTU", "0123456789012"}}});
    expect_rows(rows_of(o, 5, kClient), {{{"I8_2", "EMPRESTIMO BANCO DO BRASIL"},
                                          {"I8_3", "30000.00"},
                                          {"I8_4", "20000.00"},
                                          {"I8_7", "12000.00"},
                                          {"I8_5", "11"}}});
    // The payment over the education limit keeps its excess as not deductible.
    expect_rows(rows_of(o, 6, kClient), {{{"I6_1", "CLINICA SAUDE"},
                                          {"I6_3", "21"},
                                          {"I6_6", "0"},
                                          {"I6_2", "11.222.333/0001-81"},
                                          {"I6_4", "3000.00"},
                                          {"I6_5", "0.00"}},
                                         {{"I6_1", "HOSPITAL VIDA"},
                                          {"I6_3", "21"},
                                          {"I6_6", "1"},
                                          {"I6_4", "1200.00"},
                                          {"I6_5", "400.00"}},
                                         {{"I6_1", "ESCOLA SABER"},
                                          {"I6_3", "1"},
                                          {"I6_6", "1"},
                                          {"I6_4", "2000.00"},
                                          {"I6_5", "0.00"}},
                                         {{"I6_1", "UNIVERSIDADE ALFA"},
                                          {"I6_3", "1"},
                                          {"I6_6", "2"},
                                          {"I6_4", "5000.00"},
                                          {"I6_5", "1438.50"}}});
    // The registry holds the name and birth typed, and what the summary computed.
    Fields reg = o.dbfread(9)[kClient];
    EXPECT_EQ(reg["NOMECONTR"], "JOANA NOVA");
    EXPECT_EQ(reg["NASCIMENTO"], "19850315");
    expect_stored_as_calc(o, {kClient});
}

}  // namespace
}  // namespace vorn::shell
