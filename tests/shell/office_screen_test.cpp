// The office-data screen through the real program: every field typed is what the save stores, a
// mode of arrival outside the list is refused with the list, the web chat is opened with an
// argument vector carrying digits only, and an outdated registry stops the screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../ui/harness.h"
#include "office.h"

namespace vorn::shell {
namespace {

bool shows(const Screen& s, const std::string& text) {
    return body(s).find(text) != std::string::npos;
}

TEST(OfficeScreen, EveryFieldTypedIsWhatTheSaveStores) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf,
                                  "F11\nENTER\n"
                                  "text 77\nENTER\nsnap\nENTER\n"                 // not registered
                                  "text 2\nENTER\n"                               // status 2
                                  "text ESCRITORIO MODELO LTDA\nENTER\n"          // company
                                  "text 11\nENTER\ntext 987654321\nENTER\n"       // mobile
                                  "text 21\nENTER\ntext 33334444\nENTER\n"        // office
                                  "text 55556666\nENTER\n"                        // secretary
                                  "text 15032025\nENTER\ntext 01022024\nENTER\n"  // last sales
                                  "text S\nENTER\ntext 31122026\nENTER\n"  // power of attorney
                                  "text 12345678901\nENTER\nENTER\n"       // benefits
                                  "text SENHA DO GOV\nENTER\n"             // gov.br password
                                  "snap\n"
                                  "text 9\nENTER\nsnap\nENTER\n"  // no such mode
                                  "text 3\nENTER\n"               // the notices follow
                                  "ESC\n"));
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_TRUE(shows(screens[0], "Status 77 não cadastrado."));
    ui::testing::expect_golden("office", body(screens[1]));
    EXPECT_TRUE(shows(screens[1], "Ctrl Enter no Celular acessa o WhatsApp"));
    for (const char* line : {"Informe o modo", "1-E-mail", "5-Presencial", "8-Misto"})
        EXPECT_TRUE(shows(screens[2], line)) << line;

    Fields r = o.dbfread(9)[cpf];
    EXPECT_EQ(r["ESTATUS"], "2");
    EXPECT_EQ(r["EMPRESA"], "ESCRITORIO MODELO LTDA");
    EXPECT_EQ(r["DDDFAX"], "11");
    EXPECT_EQ(r["TELCELU"], "987654321");
    EXPECT_EQ(r["DDDTEL"], "21");
    EXPECT_EQ(r["TELESCR"], "33334444");
    EXPECT_EQ(r["TELSECR"], "55556666");
    EXPECT_EQ(r["ULTRESI"], "20250315");
    EXPECT_EQ(r["ULTIMOV"], "20240201");
    EXPECT_EQ(r["PROCOK"], "S");
    EXPECT_EQ(r["VALIDSENA"], "20261231");
    EXPECT_EQ(r["NROBEN1"], "12345678901");
    EXPECT_EQ(r["NROBEN2"], "");
    EXPECT_EQ(r["SENGOV"], "SENHA DO GOV");
    EXPECT_EQ(r["DOCRECIB"], "3");
}

// The browser is a script that writes down how many arguments it got and the first one.
TEST(OfficeScreen, TheChatOpensWithDigitsOnlyAndNoShell) {
    Office o(2, [](int i, tax::Declaration& d) {
        d.set("DDDFAX", i == 0 ? "11" : "");
        d.set("TELCELU", "987654321");
        d.set("DDDTEL", "11");
        d.set("TELESCR", "9;touch p");  // a shell would run "touch p"
    });
    const std::string log = o.inst.path() + "/browser.log";
    const std::string browser = o.inst.path() + "/browser.sh";
    std::ofstream(browser) << "#!/bin/sh\necho \"$#|$1\" >> '" << log << "'\n";
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    o.environment = "VORN_BROWSER='" + browser + "' ";
    // Mobile, then the office number; the second declaration has no area code for the mobile.
    const std::string chat =
        "F11\nENTER\nENTER\nENTER\nENTER\nCTRL+ENTER\nDOWN\nDOWN\nCTRL+ENTER\nESC\n";
    const std::vector<Screen> screens = snapped(
        o, in_declaration(o.cpf(0), chat) +
               in_declaration(o.cpf(1),
                              "F11\nENTER\nENTER\nENTER\nENTER\nCTRL+ENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Preencha o número do DDD"));
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"1|https://web.whatsapp.com/send?phone=5511987654321",
                                        "1|https://web.whatsapp.com/send?phone=55119"}));
    EXPECT_FALSE(std::filesystem::exists(o.inst.path() + "/p"));
}

// Beside the telephones: the hour already recorded plus the ten minutes of this sitting, the
// size, the fee the office's rates suggest for that time and the fee it charges.
TEST(OfficeScreen, ShowsTheTimeSpentTheSizeAndTheFees) {
    Office o(1, [](int, tax::Declaration& d) {
        d.registry.set("TEM_USO", Decimal(3600));
        d.registry.set("VALOREC", Decimal::from("300.00"));
    });
    const std::string cpf = o.cpf(0);
    snapped(o, "");  // the first run makes the office record
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(store::Env::posix(), o.inst.path() + "/DEFINE.DBF", {}, &t));
    ASSERT_TRUE(t->go_top());
    ASSERT_TRUE(t->lock_record());
    store::Record r(t->layout_ptr());
    ASSERT_TRUE(t->read(r));
    r.set("VAL_SEG", Decimal::from("1.50"));
    r.set("VAL_BYTE", Decimal());
    r.set("VAL_MIN", Decimal::from("20.00"));
    r.set("TEMP_DES", Decimal(30));
    ASSERT_TRUE(t->put(r));
    ASSERT_TRUE(t->close());
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "advance 600\nF11\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Tempo gasto...: 00D01h10m")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[0], "Valor sugerido:        105,00")) << body(screens[0]);
    EXPECT_TRUE(shows(screens[0], "Valor cobrado.:        300,00")) << body(screens[0]);
}

TEST(OfficeScreen, ARegistryWithoutTheNewFieldsStopsTheScreen) {
    Office o(1);
    const std::string cpf = o.cpf(0);
    // The folder's registry as an older edition wrote it: without DOCRECIB.
    store::Env& env = store::Env::posix();
    const std::string path = store::data_table_path(env, o.inst.path(), 9);
    const std::vector<store::Record> rows = testing::rows_of(path);
    ASSERT_FALSE(rows.empty());
    std::vector<store::FieldDef> fields;
    for (const auto& f : rows[0].layout().fields())
        if (f.name != "DOCRECIB") fields.push_back(f);
    const auto older = std::make_shared<const store::Layout>(fields);
    std::vector<store::Record> copied;
    for (const auto& r : rows) {
        copied.emplace_back(older);
        copied.back().assign_by_name(r);
    }
    ASSERT_TRUE(store::Table::create(env, path, *older, copied, nullptr, true).is_ok());
    for (const auto& e : std::filesystem::directory_iterator(o.inst.path())) {
        const std::string name = upper(e.path().filename().string());
        if (name.rfind("IMP09", 0) == 0 && name.find(".CDX") != std::string::npos)
            std::filesystem::remove(e.path());
    }
    const std::vector<Screen> screens =
        snapped(o, in_declaration(cpf, "F11\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Atualize a base de dados!"));
    EXPECT_FALSE(shows(screens[0], "Status do cliente:"));
}

}  // namespace
}  // namespace vorn::shell
