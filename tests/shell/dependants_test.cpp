// Dependants, alimony recipients and heirs through the real program: a dependant typed counts in
// calc's deduction; refused cells keep the cursor and store nothing; deleting a dependant takes
// its grid, items and payments but never the holder's grid; a corrected CPF keeps its grid and
// items; heirs' shares never pass 100 %, one by one or in sum over an asset; education counts by
// the person's number whatever gaps deletions left.
#include <gtest/gtest.h>

#include <algorithm>

#include "../ui/harness.h"
#include "base/text.h"
#include "base/validate.h"
#include "office.h"

namespace vorn::shell {
namespace {

const std::string kFirst = valid_cpf("111444777");
const std::string kSecond = valid_cpf("222555888");
const std::string kThird = valid_cpf("333666999");

struct Person {
    std::string name;
    int code;
    std::string cpf;
    int number;
    Decimal share;
};

store::Record person(const tax::Declaration& d, const Person& p) {
    store::Record r = d.new_record(3);
    r.set("NOMEDEPEN", p.name);
    r.set("CODIDEPEN", Decimal(p.code));
    r.set("NRODEPEN", Decimal(p.number));
    if (p.code > 99)
        r.set("CPFHERDE", POEPONTO(p.cpf));
    else
        r.set("CPFDEPEN", p.cpf);
    r.set("PERCENT", p.share);
    r.set("DATADEPEN", Date(2010, 5, 1));
    r.set("MORAJUNT", "S");
    return r;
}

store::Record payment(const tax::Declaration& d, int code, int person, int paid) {
    store::Record r = d.new_record(6);
    r.set("I6_1", "ESCOLA " + std::to_string(person));
    r.set("I6_2", "11.222.333/0001-81");
    r.set("I6_3", Decimal(code));
    r.set("I6_4", Decimal(paid));
    r.set("I6_6", Decimal(person));
    return r;
}

store::Record grid(const tax::Declaration& d, const std::string& cpf) {
    store::Record r = d.new_record(12);
    r.set("CPFDEPEN", cpf);
    r.set("I2_101", Decimal(1000));
    r.set("I2_113", Decimal(1000));
    return r;
}

// One declaration with these people and nothing else of theirs; `more` adds the rest.
Office office(std::vector<Person> people, const std::function<void(tax::Declaration&)>& more = {}) {
    return Office(1, [&](int, tax::Declaration& d) {
        d.dependants.clear();
        d.payments.clear();
        d.assets.clear();
        d.monthly.clear();
        d.items.erase(std::remove_if(d.items.begin(), d.items.end(),
                                     [](const store::Record& r) { return !r.str("I1_8").empty(); }),
                      d.items.end());
        for (const Person& p : people) d.dependants.push_back(person(d, p));
        if (more) more(d);
    });
}

std::vector<std::string> column(const std::vector<Fields>& rows, const std::string& field) {
    std::vector<std::string> out;
    for (const Fields& r : rows) out.push_back(r.at(field));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Dependants, ADependantTypedIsStoredAndCountsInCalcsDeduction) {
    Office o = office({});
    const std::string cpf = o.cpf(0);
    const Fields before = o.calc()[cpf];
    // A blank row with its number; name, code (its description closes with Enter), birth, CPF.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F4\nRIGHT\ntext MARIA DA SILVA\nENTER\nRIGHT\ntext 21\nENTER\n"
                                  "ENTER\nRIGHT\ntext 01052012\nENTER\nRIGHT\ntext " +
                                      kFirst + "\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    ui::testing::expect_golden("dependants_list", body(screens[0]));
    const std::vector<Fields> rows = rows_of(o, 3, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("NRODEPEN"), "1");
    EXPECT_EQ(rows[0].at("NOMEDEPEN"), "MARIA DA SILVA");
    EXPECT_EQ(rows[0].at("CODIDEPEN"), "21");
    EXPECT_EQ(rows[0].at("CPFDEPEN"), kFirst);
    EXPECT_EQ(rows[0].at("MORAJUNT"), "S");
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(dec(after.at("I13_12")), dec(before.at("I13_12")) + Decimal::from("2275.08"));
}

TEST(Dependants, ALaterBirthARepeatedCpfOrNumberAndARecipientsCodeAreRefused) {
    Office o = office({{"FILHO UM", 21, kFirst, 1, Decimal()}});
    const std::string cpf = o.cpf(0);
    const std::vector<Fields> stored = rows_of(o, 3, cpf);
    // On the listed dependant: a birth in 2026, then code 99; a new row (number 2): the first
    // one's CPF, then its number. Each refusal is snapped, closed, and the cell abandoned.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F4\nRIGHT\nRIGHT\nRIGHT\ntext 02012026\nENTER\nsnap\nENTER\nESC\n"
                          "LEFT\ntext 99\nENTER\nsnap\nESC\nESC\n"
                          "INS\nRIGHT\nRIGHT\ntext " +
                              kFirst +
                              "\nENTER\nsnap\nENTER\nESC\nLEFT\nLEFT\nLEFT\nLEFT\ntext 1\n"
                              "ENTER\nsnap\nENTER\n"
                              "ESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 5u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "A data de nascimento não pode ser posterior a 31/12/2025."));
    EXPECT_TRUE(shows(screens[1], "Códigos de dependentes")) << body(screens[1]);
    EXPECT_TRUE(shows(screens[2], "Esse CPF já está na relação.")) << body(screens[2]);
    EXPECT_TRUE(shows(screens[3], "Já existe na relação uma pessoa com o número 1."))
        << body(screens[3]);
    EXPECT_TRUE(shows(screens[4], "FILHO UM")) << body(screens[4]);
    // The blank row went on leaving; the dependant is as it was.
    EXPECT_EQ(rows_of(o, 3, cpf), stored);
}

TEST(Dependants, OnlyAnExitDeclarationHasTheLeftTogetherColumn) {
    for (const bool exit : {false, true}) {
        Office o = office({{"FILHO UM", 21, kFirst, 1, Decimal()}}, [exit](tax::Declaration& d) {
            if (exit) d.set("DECSAIDA", "S");
        });
        const std::string cpf = o.cpf(0);
        std::string keys = "F4\n";
        for (int k = 0; k < 11; ++k) keys += "RIGHT\n";
        keys += "text X\nENTER\nsnap\nENTER\nESC\nESC\n";
        const std::vector<Screen> screens = snapped(o, in_declaration(cpf, keys));
        ASSERT_EQ(screens.size(), 1u) << all(screens);
        EXPECT_EQ(shows(screens[0], "│Sai"), exit) << body(screens[0]);
        EXPECT_EQ(shows(screens[0], "Digite S de sim ou N de não"), exit) << body(screens[0]);
        EXPECT_EQ(rows_of(o, 3, cpf)[0].at("SAIUJUNT"), "");
    }
}

// Two dependants with a grid each besides the holder's; the second has an income item, an
// education payment and an asset in its name.
Office family() {
    return office(
        {{"FILHO UM", 21, kFirst, 1, Decimal()}, {"FILHO DOIS", 21, kSecond, 2, Decimal()}},
        [](tax::Declaration& d) {
            d.monthly.push_back(grid(d, ""));
            d.monthly.push_back(grid(d, kFirst));
            d.monthly.push_back(grid(d, kSecond));
            store::Record item = d.new_record(2);
            item.set("I1_1", "D");
            item.set("I1_2", "EMPRESA DO FILHO");
            item.set("I1_8", kSecond);
            item.set("I1_11", "N");
            item.set("I1_4", Decimal(5000));
            d.items.push_back(item);
            d.payments.push_back(payment(d, 1, 1, 1000));
            d.payments.push_back(payment(d, 1, 2, 2000));
        });
}

TEST(Dependants, DeletingADependantTakesItsGridItemsAndPaymentsNeverTheHolders) {
    Office o = family();
    const std::string cpf = o.cpf(0);
    // "N" first keeps everything; then "S".
    const std::vector<Screen> screens = snapped(
        o,
        in_declaration(cpf, "F4\nDOWN\nDEL\nsnap\ntext N\nsnap\nENTER\nDEL\ntext S\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Esse dependente tem rendimentos e pagamentos que também"))
        << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "Não foi excluido da relação dos dependentes"));
    EXPECT_FALSE(shows(screens[2], "FILHO DOIS"));
    const std::vector<Fields> people = rows_of(o, 3, cpf);
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0].at("NOMEDEPEN"), "FILHO UM");
    EXPECT_EQ(column(rows_of(o, 12, cpf), "CPFDEPEN"), (std::vector<std::string>{"", kFirst}));
    for (const Fields& item : rows_of(o, 2, cpf)) EXPECT_NE(item.at("I1_8"), kSecond);
    EXPECT_EQ(column(rows_of(o, 6, cpf), "I6_6"), (std::vector<std::string>{"1"}));
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(num(after.at("I13_12")), "2275.08");
    EXPECT_EQ(num(after.at("I13_13")), "1000.00");
}

TEST(Dependants, ACorrectedCpfKeepsTheDependantsGridAndItems) {
    Office o = family();
    const std::string cpf = o.cpf(0);
    snapped(o, in_declaration(
                   cpf, "F4\nDOWN\nRIGHT\nRIGHT\nRIGHT\nRIGHT\ntext " + kThird + "\nENTER\nESC\n"));
    EXPECT_EQ(column(rows_of(o, 12, cpf), "CPFDEPEN"),
              (std::vector<std::string>{"", kFirst, kThird}));
    int items = 0;
    for (const Fields& item : rows_of(o, 2, cpf)) {
        EXPECT_NE(item.at("I1_8"), kSecond);
        items += item.at("I1_8") == kThird;
    }
    EXPECT_EQ(items, 1);
}

TEST(Dependants, EducationCountsByTheDependantsNumberAfterAGap) {
    // Numbers 1 and 3 (2 was deleted): the third's education still counts.
    Office o =
        office({{"FILHO UM", 21, kFirst, 1, Decimal()}, {"FILHO TRES", 21, kThird, 3, Decimal()}},
               [](tax::Declaration& d) { d.payments.push_back(payment(d, 1, 3, 1500)); });
    EXPECT_EQ(num(o.calc()[o.cpf(0)].at("I13_13")), "1500.00");
}

TEST(Recipients, TheListShowsItsColumnsAndHoldsOnly98Or99) {
    Office o = office({{"FILHO UM", 21, kFirst, 1, Decimal()}});
    const std::string cpf = o.cpf(0);
    // Tab from the dependants; a blank recipient's row takes number 2, code 99, "T".
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F4\nTAB\nRIGHT\ntext JOANA ALIMENTANDA\nENTER\nRIGHT\ntext 21\n"
                                  "ENTER\nsnap\nENTER\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Informe com 99 se alimentando no Brasil"));
    EXPECT_TRUE(shows(screens[0], "ou com 98 se alimentando  no Exterior"));
    ui::testing::expect_golden("recipients_list", body(screens[1]));
    std::vector<Fields> rows = rows_of(o, 3, cpf);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].at("NOMEDEPEN"), "JOANA ALIMENTANDA");
    EXPECT_EQ(rows[1].at("NRODEPEN"), "2");
    EXPECT_EQ(rows[1].at("CODIDEPEN"), "99");
    EXPECT_EQ(rows[1].at("TIT_DEPE"), "T");
}

TEST(Recipients, TheDeedWindowWritesWhatItsChecksAccept) {
    Office o = office({{"JOANA ALIMENTANDA", 99, kFirst, 1, Decimal()}});
    const std::string cpf = o.cpf(0);
    // By deed: the notary, a CNPJ with a wrong check digit (refused), the right one, then a
    // state that does not exist; the court's fields are skipped without "S".
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F4\nTAB\nALT+Q\ntext S\nENTER\ntext CARTORIO DO 1 OFICIO\nENTER\n"
                          "text 11222333000182\nENTER\nsnap\nENTER\nCTRL+Y\n"
                          "text 11222333000181\nENTER\ntext 12\nENTER\ntext 345\nENTER\n"
                          "ENTER\nENTER\nENTER\ntext XX\nENTER\nsnap\nENTER\nCTRL+Y\n"
                          "text SP\nENTER\nsnap\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "CNPJ 11.222.333/0001-82 está incorreto.")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[1], "UF XX inválida.")) << body(screens[1]);
    ui::testing::expect_golden("alimony_deed", body(screens[2]));
    const std::vector<Fields> rows = rows_of(o, 3, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("ESCRPAL"), "S");
    EXPECT_EQ(rows[0].at("CARTOAL"), "CARTORIO DO 1 OFICIO");
    EXPECT_EQ(rows[0].at("CARCNPJ"), "11222333000181");
    EXPECT_EQ(rows[0].at("LIVROAL"), "12");
    EXPECT_EQ(rows[0].at("FOLHAAL"), "345");
    EXPECT_EQ(rows[0].at("UFCARAL"), "SP");
    EXPECT_EQ(rows[0].at("DEJUDAL"), "");
}

const std::string kHeirs = "ALT+D\ntext H\n";

TEST(Heirs, AShareAbove100IsRefusedAndTheDefaultSharesReachEveryAsset) {
    Office o = office({{"HERDEIRA UM", 100, kFirst, 0, Decimal(40)}}, [](tax::Declaration& d) {
        for (int k = 1; k <= 2; ++k) {
            store::Record a = d.new_record(4);
            a.set("I7_0", Decimal(10 * k));
            a.set("I7_2", "BEM " + std::to_string(k));
            d.assets.push_back(a);
        }
    });
    const std::string cpf = o.cpf(0);
    const std::vector<Fields> stored = rows_of(o, 3, cpf);
    // 100.01 refused; 60.01 passes 100 in sum with the other heir's 40; then 60 goes with the
    // new heir, and the shares go to both assets.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf, kHeirs +
                                   "RIGHT\nRIGHT\ntext 100.01\nENTER\nsnap\nENTER\nESC\n"
                                   "INS\nLEFT\nLEFT\ntext HERDEIRO DOIS\nENTER\nRIGHT\ntext " +
                                   kSecond +
                                   "\nENTER\nRIGHT\ntext 60.01\nENTER\nsnap\nENTER\nESC\n"
                                   "text 60\nENTER\nsnap\nESC\nsnap\ntext S\nsnap\nENTER\n"));
    ASSERT_EQ(screens.size(), 5u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O percentual não pode ser maior que 100%"));
    EXPECT_TRUE(shows(screens[1], "A soma dos percentuais de um bem não pode passar de 100%"))
        << body(screens[1]);
    ui::testing::expect_golden("heirs_list", body(screens[2]));
    EXPECT_TRUE(shows(screens[3], "Transfere agora o percentual padrão"));
    EXPECT_TRUE(shows(screens[4], "Transferido o percentual para 2 itens"));
    const std::vector<Fields> people = rows_of(o, 3, cpf);
    ASSERT_EQ(people.size(), 2u);
    EXPECT_EQ(people[0], stored[0]);
    EXPECT_EQ(num(people[1].at("PERCENT")), "60.00");
    const std::vector<Fields> shares = rows_of(o, 20, cpf);
    ASSERT_EQ(shares.size(), 4u);
    EXPECT_EQ(column(shares, "REFEREN"), (std::vector<std::string>{"10", "10", "20", "20"}));
}

TEST(Heirs, TwoSharesOfSixtyOnOneAssetAreRefused) {
    Office o = office({}, [](tax::Declaration& d) {
        store::Record a = d.new_record(4);
        a.set("I7_0", Decimal(10));
        a.set("I7_2", "CASA");
        d.assets.push_back(a);
    });
    const std::string cpf = o.cpf(0);
    // The first heir takes 60 of the asset; the second's 60 is refused.
    const std::vector<Screen> screens = snapped(
        o,
        in_declaration(cpf,
                       "F5\nALT+H\ntext HERDEIRA UM\nENTER\nRIGHT\ntext 60\nENTER\n"
                       "snap\nINS\nLEFT\ntext HERDEIRO DOIS\nENTER\nRIGHT\ntext 60\nENTER\nsnap\n"
                       "ENTER\nESC\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("heirs_shares", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "A soma dos percentuais de um bem não pode passar de 100%"))
        << body(screens[1]);
    const std::vector<Fields> shares = rows_of(o, 20, cpf);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(column(shares, "PERCENT"), (std::vector<std::string>{"0.00", "60.00"}));
}

TEST(Heirs, SharesAndIncomeItemsStayOnTheirAssetOverAnInsertionAndTheSave) {
    Office o = office({}, [](tax::Declaration& d) {
        for (int k = 1; k <= 2; ++k) {
            store::Record a = d.new_record(4);
            a.set("I7_0", Decimal(10 * k));
            a.set("I7_2", "BEM " + std::to_string(k));
            d.assets.push_back(a);
        }
        store::Record item = d.new_record(2);
        item.set("I1_1", "J");
        item.set("I1_2", "ALUGUEL DO BEM 2");
        item.set("I1_4", Decimal(1200));
        item.set("REFBEM", Decimal(20));
        d.items.push_back(item);
    });
    const std::string cpf = o.cpf(0);
    // A share of the second asset; then an asset inserted after the first; the save numbers them
    // 10, 20, 30.
    snapped(o, in_declaration(cpf,
                              "F5\nDOWN\nALT+H\ntext HERDEIRA\nENTER\nRIGHT\ntext 50\n"
                              "ENTER\nESC\nUP\nINS\ntext S\nRIGHT\ntext NOVO BEM\nENTER\n"
                              "ESC\n"));
    std::map<std::string, std::string> item_of_text;
    for (const Fields& a : rows_of(o, 4, cpf)) item_of_text[a.at("I7_2")] = a.at("I7_0");
    EXPECT_EQ(item_of_text, (std::map<std::string, std::string>{
                                {"BEM 1", "10"}, {"NOVO BEM", "20"}, {"BEM 2", "30"}}));
    const std::vector<Fields> shares = rows_of(o, 20, cpf);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].at("REFEREN"), "30");
    int linked = 0;
    for (const Fields& item : rows_of(o, 2, cpf))
        if (item.at("I1_2") == "ALUGUEL DO BEM 2") {
            EXPECT_EQ(item.at("REFBEM"), "30");
            ++linked;
        }
    EXPECT_EQ(linked, 1);
}

}  // namespace
}  // namespace vorn::shell
