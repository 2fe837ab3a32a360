// The notes and the program's notices of a declaration, and the asset expenses of the balance,
// through the real program: personal notes typed (with a row inserted before another) are stored
// in the notes table; Ctrl+Enter on a finding lands on the record and column it names, and a
// value typed there goes to that row; the cost of keeping the assets becomes twelve times the
// monthly expenses typed in their list, and the loss to carry the sum of the losses listed.
#include <gtest/gtest.h>

#include <algorithm>

#include "../ui/harness.h"
#include "office.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::shell {
namespace {

// A declaration with three payments of code 21 and no alimony recipients, so that the payments'
// working records are 1, 2 and 3.
Office with_payments() {
    return Office(1, [](int, tax::Declaration& d) {
        d.payments.clear();
        for (int k = 1; k <= 3; ++k) {
            store::Record r = d.new_record(6);
            r.set("I6_1", "CLINICA " + std::to_string(k));
            r.set("I6_2", "11.222.333/0001-81");
            r.set("I6_3", Decimal(21));
            r.set("I6_4", Decimal(100 * k));
            d.payments.push_back(r);
        }
        d.set("DESPNAO", Decimal());
        d.set("VALFUTUR", Decimal());
    });
}

// Table 11 of the office's folder holding `rows` (CPF, text, code, screen, record, column).
struct Note {
    std::string observ, notas;
    int code = 0, screen = 0, record = 0, column = 0;
};
void write_notes(Office& o, const std::string& cpf, const std::vector<Note>& notes) {
    const store::TableDef* def = store::table_def(11);
    std::vector<store::Record> rows;
    for (const Note& n : notes) {
        store::Record r(def->layout);
        r.set("CPF", cpf);
        r.set("OBSERV", n.observ);
        r.set("NOTAS", n.notas);
        r.set("CODERR", Decimal(n.code));
        r.set("OPCIR", Decimal(n.screen));
        r.set("REGIS", Decimal(n.record));
        r.set("COLUN", Decimal(n.column));
        rows.push_back(r);
    }
    ASSERT_TRUE(store::Table::create(store::Env::posix(),
                                     store::data_table_path(store::Env::posix(), o.inst.path(), 11),
                                     *def->layout, rows, nullptr, true));
}

TEST(NotesList, PersonalNotesTypedAreStoredInTheNotesTable) {
    Office o = with_payments();
    const std::string cpf = o.cpf(0);
    // Alt+F1 opens the notes on a blank row; a second row goes before the first after the
    // question.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "ALT+F1\ntext LIGAR PARA O CLIENTE EM MAIO\nENTER\nRIGHT\ntext S\n"
                          "ENTER\nLEFT\nINS\nsnap\nENTER\ntext PEDIR O INFORME DO BANCO\nENTER\n"
                          "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Insere uma linha ANTES desse Item?"));
    ui::testing::expect_golden("notes_list", body(screens[1]));
    const std::vector<Fields> rows = rows_of(o, 11, cpf);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("NOTAS"), "PEDIR O INFORME DO BANCO");
    EXPECT_EQ(rows[0].at("IMPRE"), "");
    EXPECT_EQ(rows[1].at("NOTAS"), "LIGAR PARA O CLIENTE EM MAIO");
    EXPECT_EQ(rows[1].at("IMPRE"), "S");
    for (const Fields& r : rows) {
        EXPECT_EQ(r.at("CODERR"), "0");
        EXPECT_EQ(r.at("OBSERV"), "");
    }
}

TEST(NotesList, CtrlEnterOnAFindingLandsOnTheRecordAndColumnItNames) {
    Office o = with_payments();
    const std::string cpf = o.cpf(0);
    write_notes(o, cpf,
                {{"", "UMA NOTA PESSOAL", 0, 0, 0, 0},
                 {"Falta a descricao do pagamento - Linha 2", "", 99, 43, 2, 7},
                 {"Existe Debito pendente na Receita Federal em 10/03/2026", "", 0, 0, 0, 0}});
    // Tab from the balance (F11 would check the declaration first and list what it finds): the
    // office's data, left with PgDn, then the program's notices (not the personal note); Ctrl+Enter
    // on a plain notice does nothing, on the finding it opens the payments on its row and column,
    // where text is typed.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F10\nTAB\ntext 2\nPGDN\nsnap\nCTRL+ENTER\nsnap\nDOWN\nCTRL+ENTER\n"
                          "text PLANO ODONTOLOGICO\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    ui::testing::expect_golden("warnings_list", body(screens[0]));
    EXPECT_FALSE(shows(screens[0], "UMA NOTA PESSOAL"));
    EXPECT_TRUE(shows(screens[1], "AVISOS DA DECLARAÇÃO"));
    EXPECT_TRUE(shows(screens[2], "PAGAMENTOS E DOAÇÕES EFETUADOS"));
    const std::vector<Fields> payments = rows_of(o, 6, cpf);
    ASSERT_EQ(payments.size(), 3u);
    EXPECT_EQ(payments[0].at("I6_9"), "");
    EXPECT_EQ(payments[1].at("I6_9"), "PLANO ODONTOLOGICO");
    EXPECT_EQ(payments[2].at("I6_9"), "");
    EXPECT_EQ(payments[1].at("I6_4"), "200.00");
    // The notices are kept as they were.
    EXPECT_EQ(rows_of(o, 11, cpf).size(), 3u);
}

TEST(NotesList, F11ChecksTheDeclarationFirstAndItsFindingsReplaceTheEarlierOnes) {
    Office o = with_payments();
    const std::string cpf = o.cpf(0);
    write_notes(o, cpf,
                {{"", "UMA NOTA PESSOAL", 0, 0, 0, 0},
                 {"Falta a descricao do pagamento - Linha 2", "", 99, 43, 2, 7}});
    // The check's verdict, the office's data left with PgDn, the notices; saved on leaving.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F11\nsnap\nENTER\ntext 2\nPGDN\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Conferido.")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Falta preencher codigo da divida no Item 10"));
    EXPECT_FALSE(shows(screens[1], "Falta a descricao do pagamento - Linha 2"));
    const std::vector<Fields> notes = rows_of(o, 11, cpf);
    ASSERT_GT(notes.size(), 2u);
    EXPECT_EQ(notes[0].at("NOTAS"), "UMA NOTA PESSOAL");  // the operator's own note stays first
}

TEST(AssetExpenses, CostOfKeepingTheAssetsIsTwelveTimesTheirMonthlySum) {
    Office o = with_payments();
    const std::string cpf = o.cpf(0);
    const Fields before = o.calc()[cpf];
    // The balance's fields up to the cost of keeping the assets, then its list: two expenses.
    const std::vector<Screen> screens = snapped(
        o, in_declaration(cpf,
                          "F10\nENTER\nENTER\nENTER\nCTRL+ENTER\ntext APARTAMENTO CENTRO\nENTER\n"
                          "RIGHT\ntext CONDOMINIO\nENTER\nRIGHT\ntext 800\nENTER\nINS\n"
                          "text 150.50\nENTER\nLEFT\ntext IPTU\nENTER\nLEFT\ntext APARTAMENTO "
                          "CENTRO\nENTER\nsnap\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("asset_expenses_list", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "11.406,00"));
    const std::vector<Fields> rows = rows_of(o, 10, cpf);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("DESCDESP"), "CONDOMINIO");
    EXPECT_EQ(rows[1].at("VALODESP"), "150.50");
    EXPECT_EQ(num(o.dbfread(1)[cpf]["DESPNAO"]), "11406.00");
    const Fields after = o.calc()[cpf];
    EXPECT_EQ(dec(after.at("DESPESA")), dec(before.at("DESPESA")) + Decimal(11406));
}

TEST(LossesCarried, TheLossToCarryIsTheSumOfItsList) {
    Office o = with_payments();
    const std::string cpf = o.cpf(0);
    // The exclusive page's only field, then its list: two losses.
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "CTRL+F3\nCTRL+ENTER\ntext FUNDO NO EXTERIOR 2023\nENTER\nRIGHT\n"
                                  "text 1200\nENTER\nINS\ntext 300.25\nENTER\nLEFT\n"
                                  "text ACOES NO EXTERIOR 2024\nENTER\nsnap\nESC\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    ui::testing::expect_golden("losses_list", body(screens[0]));
    EXPECT_TRUE(shows(screens[1], "1.500,25"));
    const std::vector<Fields> rows = rows_of(o, 14, cpf);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("DESCRICAO"), "FUNDO NO EXTERIOR 2023");
    EXPECT_EQ(rows[1].at("PREJUIZO"), "300.25");
    EXPECT_EQ(num(o.dbfread(1)[cpf]["I4_14"]), "1500.25");
}

}  // namespace
}  // namespace vorn::shell
