// The rural activity's screens through the real program: what is typed is stored and shown again
// when the declaration is reopened, refused cells keep nothing and say why, the result and the
// declaration's taxable line follow every change, and the digital cash book is written or told
// why not.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "office.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::shell {
namespace {

namespace fs = std::filesystem;

// A farmer's declaration: rural activity in Brazil (and abroad when asked), entered by cash book
// (mode 0), totals (1) or LCDPR (2), with the rows of the rural tables given.
struct Farm {
    int mode = 0;
    bool abroad = false;
    std::vector<std::function<void(store::Record&)>> properties, entries, accounts;
    std::function<void(store::Record&)> result;
};

Office farm_office(const Farm& f) {
    Office o(1, [&](int, tax::Declaration& d) {
        d.registry.set("TEMRURAL", "S");
        d.registry.set("ATV_BRASIL", "S");
        d.registry.set("AAR_EXTER", f.abroad ? "S" : "N");
        d.registry.set("MUNICIPIO", "SAO PAULO");
        d.registry.set("UF", "SP");
        d.registry.set("EMAIL", "produtor@exemplo.com.br");
    });
    const std::string cpf = o.cpf(0);
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    auto table = [&](int n, const std::vector<std::function<void(store::Record&)>>& rows) {
        const auto* def = store::table_def(n);
        std::vector<store::Record> recs;
        for (const auto& fill : rows) {
            store::Record r(def->layout);
            r.set("CPF", cpf);
            r.set("ATV_BRASIL", "S");
            fill(r);
            recs.push_back(r);
        }
        ASSERT_TRUE(store::Table::create(
            store::Env::posix(), store::data_table_path(store::Env::posix(), o.inst.path(), n),
            *def->layout, recs, &clock, true));
    };
    table(15, {[&](store::Record& r) {
              r.set("TIPO_LANCA", Decimal(f.mode));
              if (f.result) f.result(r);
          }});
    table(16, f.properties);
    table(19, f.entries);
    table(21, f.accounts);
    return o;
}

std::function<void(store::Record&)> property(int number, const char* share) {
    return [=](store::Record& p) {
        p.set("I2R_00", Decimal(number));
        p.set("I2R_01", "SITIO " + std::to_string(number));
        p.set("I2R_04", *Decimal::parse(share));
        p.set("I2R_05", Decimal(1));
    };
}

std::function<void(store::Record&)> entry(Date d, int property, const char* kind,
                                          const char* value) {
    return [=](store::Record& e) {
        e.set("DT_LC", d);
        e.set("NROIMO", Decimal(property));
        e.set("TIPOCR", kind);
        e.set("VALOR", *Decimal::parse(value));
    };
}

// The declaration's value as table 1 holds it.
std::string stored(Office& o, const std::string& cpf, const std::string& name) {
    return num(o.dbfread(1)[cpf][name]);
}

TEST(RuralScreens, PropertiesTypedAreStoredAndShownAgainAndShareAbove100IsRefused) {
    Office o = farm_office({});
    const std::string cpf = o.cpf(0);
    // F12: the properties of Brazil; an empty list opens on a blank row numbered 1 at 100 %.
    auto screens =
        snapped(o, in_declaration(cpf,
                                  "F12\nRIGHT\ntext Fazenda Boa Vista\nENTER\nRIGHT\n"
                                  "text 150\nENTER\nsnap\nENTER\ntext 40\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O percentual não pode ser maior que 100%")) << all(screens);
    auto rows = rows_of(o, 16, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["I2R_00"], "1");
    EXPECT_EQ(rows[0]["I2R_01"], "Fazenda Boa Vista");
    EXPECT_EQ(num(rows[0]["I2R_04"]), "40.00");
    EXPECT_EQ(rows[0]["ATV_BRASIL"], "S");
    // Reopened, the list shows what was typed.
    screens = snapped(o, in_declaration(cpf, "F12\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_TRUE(shows(screens[0], "Fazenda Boa Vista")) << all(screens);
    EXPECT_TRUE(shows(screens[0], "40,00")) << all(screens);
}

TEST(RuralScreens, APropertyTheCashBookNamesIsNotDeleted) {
    Farm f;
    f.properties = {property(1, "100"), property(2, "100")};
    f.entries = {entry(Date(2025, 3, 1), 2, "C", "10.00"), entry(Date(2025, 4, 1), 2, "D", "5.00")};
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    // Property 2 is named by two entries: refused without a question. Property 1 goes.
    auto screens = snapped(o, in_declaration(cpf,
                                             "F12\nDOWN\nDEL\nsnap\nENTER\nUP\nDEL\n"
                                             "snap\ntext S\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O imóvel 2 é usado em 2 lançamentos do livro caixa."))
        << all(screens);
    EXPECT_TRUE(shows(screens[1], "Confirma a Exclusão dessa linha?")) << all(screens);
    auto rows = rows_of(o, 16, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["I2R_00"], "2");
    EXPECT_EQ(rows_of(o, 19, cpf).size(), 2u);
}

TEST(RuralScreens, AbroadPropertiesComputeTheirDollarColumnsWhichCannotBeTyped) {
    Farm f;
    f.abroad = true;
    Office o = farm_office(f);
    o.environment = "";
    const std::string cpf = o.cpf(0);
    // The rural menu's abroad identification (after Brazil's six items), a property typed with its
    // revenue and expenses in dollars, then the computed result refused.
    auto screens = snapped(
        o, in_declaration(cpf,
                          "ALT+R\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\nRIGHT\n"
                          "text Farm Ohio\nENTER\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\n"
                          "text 10000\nENTER\nRIGHT\ntext 4000\nENTER\nRIGHT\nsnap\n"
                          "text 1\nENTER\nsnap\nENTER\nESC\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Resultado US$")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Os valores aqui são calculados. Não pode ser editado."))
        << all(screens);
    auto rows = rows_of(o, 16, cpf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["ATV_BRASIL"], "N");
    EXPECT_EQ(num(rows[0]["RESUS"]), "6000.00");
    EXPECT_EQ(num(rows[0]["OPC20US"]), "2000.00");
    // Brazil's list does not show the property abroad.
    screens = snapped(o, in_declaration(cpf, "F12\nsnap\nESC\n"));
    EXPECT_FALSE(shows(screens[0], "Farm Ohio")) << all(screens);
}

TEST(RuralScreens, CashBookEntriesCountByShareAndTheTaxableLineFollows) {
    Farm f;
    f.properties = {property(1, "100"), property(3, "50")};
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    // 102 from the rural menu: an entry of 8,000.00 received on property 3 (held at 50 %), one of
    // 1,000.00 spent on property 1, and one on an unknown property refused.
    auto screens = snapped(
        o, in_declaration(cpf,
                          "ALT+R\nDOWN\nENTER\ntext 10032025\nENTER\nRIGHT\ntext 3\nENTER\n"
                          "RIGHT\ntext C\nENTER\nRIGHT\ntext 8000\nENTER\nINS\nLEFT\nLEFT\nLEFT\n"
                          "text 11042025\nENTER\nRIGHT\ntext 7\nENTER\nsnap\nENTER\n"
                          "text 1\nENTER\n"
                          "RIGHT\ntext D\nENTER\nRIGHT\ntext 1000\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Imóvel não cadastrado na atividade rural.")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "[ L.Caixa  ]")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Receita 4.000,00  Despesa 1.000,00  Resultado 3.000,00"))
        << all(screens);
    auto result = rows_of(o, 15, cpf);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(num(result[0]["I3_03OR"]), "4000.00");
    EXPECT_EQ(num(result[0]["I3_04OD"]), "1000.00");
    EXPECT_EQ(num(result[0]["I4R_07"]), "3000.00");
    EXPECT_EQ(stored(o, cpf, "I13_07"), "3000.00");
    EXPECT_EQ(rows_of(o, 19, cpf).size(), 2u);
}

TEST(RuralScreens, EntryModeCyclesAndLeavingTotalsForLcdprAsksFirst) {
    Farm f;
    f.mode = 1;
    f.properties = {property(1, "50")};
    f.entries = {entry(Date(2025, 5, 2), 1, "C", "8000.00")};
    f.result = [](store::Record& r) { r.set("I3_01OR", Decimal(5000)); };
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    // Totals only: January's 5,000.00 typed before stands; Alt+A to LCDPR warns and "N" keeps it.
    auto screens = snapped(o, in_declaration(cpf,
                                             "ALT+R\nDOWN\nENTER\nsnap\nALT+A\nsnap\n"
                                             "text N\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "[Só Totais ]")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "ATENÇÃO! Mudando para LCDPR ou L.CAIXA os valores"));
    EXPECT_TRUE(shows(screens[1], "digitados em SÓ TOTAIS serão substituidos pelos"));
    EXPECT_TRUE(shows(screens[2], "[Só Totais ]")) << all(screens);
    EXPECT_EQ(num(rows_of(o, 15, cpf)[0]["I3_01OR"]), "5000.00");
    EXPECT_EQ(stored(o, cpf, "I13_07"), "5000.00");
    // "S": the LCDPR totals the entries in full (8,000.00 in May), January's typed total gone.
    screens = snapped(o, in_declaration(cpf, "ALT+R\nDOWN\nENTER\nALT+A\ntext S\nsnap\nESC\n"));
    EXPECT_TRUE(shows(screens[0], "[  LCDPR   ]")) << all(screens);
    auto r = rows_of(o, 15, cpf)[0];
    EXPECT_EQ(num(r["TIPO_LANCA"]), "2.00");
    EXPECT_EQ(num(r["I3_01OR"]), "0.00");
    EXPECT_EQ(num(r["I3_05OR"]), "8000.00");
    EXPECT_EQ(stored(o, cpf, "I13_07"), "8000.00");
    // And round to the cash book, weighted by the share: 4,000.00.
    screens = snapped(o, in_declaration(cpf, "ALT+R\nDOWN\nENTER\nALT+A\nsnap\nESC\n"));
    EXPECT_TRUE(shows(screens[0], "[ L.Caixa  ]")) << all(screens);
    EXPECT_EQ(stored(o, cpf, "I13_07"), "4000.00");
}

TEST(RuralScreens, ResultStepsCompensateLossesOrTakeTheOption) {
    Farm f;
    f.mode = 1;
    f.result = [](store::Record& r) {
        r.set("I3_01OR", Decimal(100000));
        r.set("I3_02OD", Decimal(60000));
    };
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    // 103: earlier losses of 50,000.00: 40,000.00 compensated, nothing taxable, 10,000.00 carried.
    auto screens = snapped(o, in_declaration(cpf,
                                             "ALT+R\nDOWN\nDOWN\nENTER\ntext 50000\nENTER\n"
                                             "snap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "RESULTADO DA ATIVIDADE RURAL - BRASIL")) << all(screens);
    auto r = rows_of(o, 15, cpf)[0];
    EXPECT_EQ(num(r["I4R_03"]), "40000.00");
    EXPECT_EQ(num(r["I4R_05"]), "40000.00");
    EXPECT_EQ(num(r["I4R_07"]), "0.00");
    EXPECT_EQ(num(r["I5_08"]), "10000.00");
    EXPECT_EQ(stored(o, cpf, "I13_07"), "0.00");
    // The 20 % option, with its warning: 20,000.00 taxable, nothing compensated or carried; a
    // negative loss and an answer other than S or N are refused.
    screens = snapped(o, in_declaration(cpf,
                                        "ALT+R\nDOWN\nDOWN\nENTER\ntext -1\nENTER\nsnap\n"
                                        "ENTER\ntext 50000\nENTER\nENTER\nENTER\ntext X\n"
                                        "ENTER\nsnap\nENTER\ntext S\nENTER\nsnap\nENTER\n"));
    ASSERT_EQ(screens.size(), 3u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "O valor não pode ser negativo.")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Digite S de sim ou N de não")) << all(screens);
    EXPECT_TRUE(shows(screens[2], "A opção pelo limite dos 20% da receita bruta implica"));
    r = rows_of(o, 15, cpf)[0];
    EXPECT_EQ(r["OPT_20"], "S");
    EXPECT_EQ(num(r["I4R_07"]), "20000.00");
    EXPECT_EQ(num(r["I4R_05"]), "0.00");
    EXPECT_EQ(num(r["I5_08"]), "0.00");
    EXPECT_EQ(stored(o, cpf, "I13_07"), "20000.00");
}

TEST(RuralScreens, RevenueAboveTheLimitSaysTheDeclarantMustFile) {
    const char* text = "Receita bruta rural acima de 177.920,00: obrigado a declarar";
    for (const char* revenue : {"177920.00", "177920.01"}) {
        Farm f;
        f.mode = 1;
        f.result = [&](store::Record& r) {
            r.set("I3_05OR", *Decimal::parse(revenue));
            r.set("I3_06OD", Decimal(1000));
        };
        Office o = farm_office(f);
        auto screens =
            snapped(o, in_declaration(o.cpf(0), "ALT+R\nDOWN\nDOWN\nENTER\nsnap\nESC\n"));
        ASSERT_EQ(screens.size(), 1u) << all(screens);
        SCOPED_TRACE(revenue);
        EXPECT_EQ(shows(screens[0], text), std::string(revenue) != "177920.00") << all(screens);
    }
}

TEST(RuralScreens, HerdClosingStockNeverNegative) {
    Office o = farm_office({});
    const std::string cpf = o.cpf(0);
    // 104: 10 head of cattle, 3 bought, then 20 sold is refused; 12 sold leaves 1.
    auto screens = snapped(o, in_declaration(cpf,
                                             "ALT+R\nDOWN\nDOWN\nDOWN\nENTER\ntext 10\nENTER\n"
                                             "text 3\nENTER\nENTER\nENTER\ntext 20\nENTER\n"
                                             "snap\nENTER\ntext 12\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Atenção! Estoque Final negativo")) << all(screens);
    auto r = rows_of(o, 15, cpf)[0];
    EXPECT_EQ(num(r["I7_1B"]), "10.00");
    EXPECT_EQ(num(r["I7_2B"]), "3.00");
    EXPECT_EQ(num(r["I7_5B"]), "12.00");
    const std::string row = screens[1].at(5);
    EXPECT_NE(row.find("      1"), std::string::npos) << all(screens);
}

TEST(RuralScreens, DigitalBookRegistersNeedLcdprModeAndTheAccountantIsChecked) {
    Farm f;
    f.mode = 2;
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    // 108 is the eighth item: a wrong CPF refused, then a CNPJ, the telephone, CRC and e-mail.
    auto screens = snapped(
        o, in_declaration(cpf,
                          "ALT+R\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n"
                          "text Contabil Rural\nENTER\ntext 11144477700\nENTER\nsnap\nENTER\n"
                          "text 11222333000181\nENTER\ntext 11987654321\nENTER\n"
                          "text SP-1234\nENTER\ntext contador@exemplo.com.br\nENTER\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "CONTABILISTA RESPONSÁVEL")) << all(screens);
    auto r = rows_of(o, 15, cpf)[0];
    EXPECT_EQ(r["NOME_CONT"], "Contabil Rural");
    EXPECT_EQ(r["CPFCNPJ_CO"], "11.222.333/0001-81");
    EXPECT_EQ(r["FONE_CONT"], "11987654321");
    EXPECT_EQ(r["EMAIL_CONT"], "contador@exemplo.com.br");
    // Reopened, the telephone shows with its mask.
    screens = snapped(o, in_declaration(cpf,
                                        "ALT+R\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\n"
                                        "ENTER\nsnap\nESC\n"));
    EXPECT_TRUE(shows(screens[0], "(11)98765-4321")) << all(screens);
}

TEST(RuralScreens, GeneratingTheBookStopsOnAPendencyAndWritesItWhenComplete) {
    Farm f;
    f.mode = 2;
    f.properties = {[](store::Record& p) {
        property(1, "100")(p);
        p.set("I2R_03", "12345678");
        p.set("CAEPF", "12345678900100");
        p.set("I2R_06", "ESTRADA VELHA KM 3");
        p.set("DISTR_IMR", "IBIUNA");
        p.set("UF_IMR", "SP");
        p.set("CEP_IMR", Decimal(18150000));
    }};
    f.accounts = {[](store::Record& a) {
        a.set("COD_CONTA", Decimal(1));
        a.set("NRO_BANCO", "001");
        a.set("NOM_BANCO", "BANCO DO BRASIL");
        a.set("NRO_AGENC", Decimal(1234));
        a.set("NRO_CONTA", Decimal(98765));
    }};
    f.entries = {[](store::Record& e) {
        entry(Date(2025, 3, 10), 1, "C", "12000.00")(e);
        e.set("COD_CONTA", Decimal(1));
        e.set("NUM_DOC", "77");
        e.set("DESCR", "VENDA DE MILHO");
        e.set("ID_PARTIC", "11.222.333/0001-81");
    }};
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    const fs::path book = fs::path(o.inst.path()) / ("LCDPR26-" + cpf + ".txt");
    // 109 (the ninth item): the entry has no document type.
    std::string downs;
    for (int k = 0; k < 8; ++k) downs += "DOWN\n";
    auto screens = snapped(o, in_declaration(cpf, "ALT+R\n" + downs + "ENTER\nsnap\nENTER\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Falta o tipo documento na Receita no item")) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Arquivo não foi criado devido a pendências.")) << all(screens);
    EXPECT_FALSE(fs::exists(book));
    // The document type typed in the cash book (102), the accountant's name and CNPJ in 108:
    // the book is written and said so.
    screens = snapped(
        o, in_declaration(cpf,
                          "ALT+R\nDOWN\nENTER\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\nRIGHT\n"
                          "text 1\nENTER\nESC\n"
                          "ALT+R\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n"
                          "text Contabil Rural\nENTER\ntext 11222333000181\nENTER\nESC\n"
                          "ALT+R\n" +
                              downs + "ENTER\nsnap\nENTER\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "sucesso.")) << all(screens);  // the path wraps the line
    ASSERT_TRUE(fs::exists(book));
    std::ifstream in(book, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(text.rfind("0000|LCDPR|0013|" + cpf + "|", 0), 0u) << text;
    EXPECT_NE(text.find("Q100|10032025|001|001|77|1|VENDA DE MILHO|11222333000181|1|"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("9999|Contabil Rural|11222333000181|"), std::string::npos) << text;
}

TEST(RuralScreens, EntriesOutsideTheYearAreMovedOnlyWhenTheOperatorSays) {
    Farm f;
    f.mode = 2;
    f.properties = {[](store::Record& p) {
        property(1, "100")(p);
        p.set("I2R_03", "12345678");
        p.set("CAEPF", "12345678900100");
        p.set("I2R_06", "ESTRADA VELHA KM 3");
        p.set("DISTR_IMR", "IBIUNA");
        p.set("UF_IMR", "SP");
        p.set("CEP_IMR", Decimal(18150000));
    }};
    f.entries = {[](store::Record& e) {
        entry(Date(2024, 2, 29), 1, "D", "700.00")(e);
        e.set("COD_CONTA", Decimal(1));
        e.set("TIPODOC", Decimal(1));
        e.set("DESCR", "ADUBO");
        e.set("ID_PARTIC", "11.222.333/0001-81");
    }};
    f.result = [](store::Record& r) {
        r.set("NOME_CONT", "CONTABIL RURAL");
        r.set("CPFCNPJ_CO", "11.222.333/0001-81");
    };
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    const fs::path book = fs::path(o.inst.path()) / ("LCDPR26-" + cpf + ".txt");
    std::string downs;
    for (int k = 0; k < 8; ++k) downs += "DOWN\n";
    // "Não": the entry keeps its date and the book stops on it.
    auto screens =
        snapped(o, in_declaration(cpf, "ALT+R\n" + downs + "ENTER\nsnap\ntext N\nsnap\nENTER\n"));
    ASSERT_EQ(screens.size(), 2u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Existem 1 lançamentos com data fora de 2025.")) << all(screens);
    EXPECT_TRUE(shows(screens[1], "Arquivo não foi criado devido a pendências.")) << all(screens);
    EXPECT_FALSE(fs::exists(book));
    EXPECT_NE(rows_of(o, 19, cpf)[0]["DT_LC"].find("2024"), std::string::npos);
    // The bank account typed in 107, then "Sim": 29/02/2024 becomes 28/02/2025 and the book is
    // written with the account.
    screens =
        snapped(o, in_declaration(cpf,
                                  "ALT+R\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\nRIGHT\n"
                                  "text 001\nENTER\nRIGHT\ntext BANCO DO BRASIL\nENTER\nRIGHT\n"
                                  "text 1234\nENTER\nRIGHT\ntext 98765\nENTER\nESC\nALT+R\n" +
                                      downs + "ENTER\ntext S\nsnap\nENTER\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "sucesso.")) << all(screens);  // the path wraps the line
    std::ifstream in(book, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(text.find("0050|001|BR|001|BANCO DO BRASIL|0000001234|0000000000098765"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Q100|28022025|001|001|"), std::string::npos) << text;
    const std::string moved = rows_of(o, 19, cpf)[0]["DT_LC"];
    EXPECT_NE(moved.find("2025"), std::string::npos) << moved;
    EXPECT_NE(moved.find("28"), std::string::npos) << moved;
}

TEST(RuralScreens, TheActivityCannotBeRemovedWhileTotalsOrHerdAreEntered) {
    // Totals typed month by month, no property, entry or debt: still something to remove first.
    Farm f;
    f.mode = 1;
    f.result = [](store::Record& r) { r.set("I3_01OR", Decimal(5000)); };
    Office o = farm_office(f);
    const std::string cpf = o.cpf(0);
    auto screens = snapped(o, in_declaration(cpf, "F6\ntext N\nENTER\nsnap\nENTER\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "Existem lançamentos na Atividade que devem ser retirados"))
        << all(screens);
    EXPECT_EQ(o.dbfread(9)[cpf]["TEMRURAL"], "S");
    EXPECT_EQ(stored(o, cpf, "I13_07"), "5000.00");
}

TEST(RuralScreens, AssetsAndDebtsAreKeptAndDebtsPaidReachTheBalance) {
    Office o = farm_office({});
    const std::string cpf = o.cpf(0);
    // 105: a tractor; Tab goes on to 106: a loan of 80,000.00 down to 50,000.00 by the year's end.
    auto screens = snapped(
        o, in_declaration(cpf,
                          "ALT+R\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\nRIGHT\nRIGHT\n"
                          "text TRATOR MF 275\nENTER\nRIGHT\ntext 70000\nENTER\nRIGHT\n"
                          "text 85000\nENTER\nTAB\nRIGHT\ntext CUSTEIO AGRICOLA\nENTER\n"
                          "RIGHT\ntext 80000\nENTER\nRIGHT\ntext 50000\nENTER\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "DÍVIDAS DA ATIVIDADE RURAL")) << all(screens);
    auto assets = rows_of(o, 17, cpf);
    ASSERT_EQ(assets.size(), 1u);
    EXPECT_EQ(assets[0]["I8R_1"], "TRATOR MF 275");
    EXPECT_EQ(num(assets[0]["I8R_5"]), "85000.00");
    auto debts = rows_of(o, 18, cpf);
    ASSERT_EQ(debts.size(), 1u);
    EXPECT_EQ(num(debts[0]["I9R_2"]), "80000.00");
    EXPECT_EQ(num(debts[0]["I9R_3"]), "50000.00");
    EXPECT_EQ(stored(o, cpf, "AMORUR"), "30000.00");
    EXPECT_EQ(stored(o, cpf, "EMPRUR"), "0.00");
    // Reopened: Tab from the properties passes the revenue and result on its way, Shift+Tab
    // comes back from the debts to the assets, which show the tractor.
    screens = snapped(o, in_declaration(cpf,
                                        "ALT+R\nDOWN\nDOWN\nDOWN\nDOWN\nDOWN\nENTER\n"
                                        "SHIFT+TAB\nsnap\nESC\n"));
    ASSERT_EQ(screens.size(), 1u) << all(screens);
    EXPECT_TRUE(shows(screens[0], "BENS DA ATIVIDADE RURAL")) << all(screens);
    EXPECT_TRUE(shows(screens[0], "TRATOR MF 275")) << all(screens);
}

}  // namespace
}  // namespace vorn::shell
