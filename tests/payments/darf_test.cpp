// DARF slips: due dates, the amounts of each kind from a declaration and its table-7 records, the
// fine for late delivery, donations, the printed forms (goldens in tests/data/darf, rewritten with
// UPDATE_GOLDEN=1) and the text files of a run.
#include "payments/darf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/operator.h"
#include "store/catalogue.h"
#include "tax/annual.h"
#include "tax/year.h"

namespace vorn::payments {
namespace {

const std::string kCpf = "12345678909";

Decimal dec(const char* s) {
    return Decimal::from(s);
}

tax::Declaration declaration() {
    tax::Declaration d = tax::Declaration::blank(kCpf);
    d.set("NOMECONTR", "MARIA DA SILVA SAURO");
    d.set("TELEFO", "987654321");
    return d;
}

store::Record gain(const tax::Declaration& d, int type) {
    store::Record r = d.new_record(7);
    r.set("TIPO_BEM", Decimal(type));
    return r;
}

store::Record carne_row(const tax::Declaration& d, const std::string& dependant) {
    store::Record r = d.new_record(12);
    r.set("CPFDEPEN", dependant);
    return r;
}

struct Fixture {
    tax::Declaration d = declaration();
    std::vector<store::Record> gains;
    InterestTable selic;
    DarfSource src() const { return {&d, &gains, default_due_dates(), Date(2026, 4, 15)}; }
};

void golden(const std::string& name, const std::string& text) {
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/data/darf/" + name + ".txt";
    if (std::getenv("UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << path << " (run with UPDATE_GOLDEN=1)";
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(text, want.str()) << name;
}

TEST(DarfDueDates, LastWorkingDayRules) {
    // 31/12/2025 is a Wednesday, but December always steps back one day more.
    EXPECT_EQ(ULTIMO_DIA(11, 2025, 2), Date(2025, 12, 30));
    // 31/01/2026 is a Saturday.
    EXPECT_EQ(ULTIMO_DIA(12, 2025, 2), Date(2026, 1, 30));
    // 31/05/2026 is a Sunday.
    EXPECT_EQ(ULTIMO_DIA(5, 2026, 1), Date(2026, 5, 29));
    EXPECT_EQ(MES_ANTER(12), Date(2025, 12, 30));
    EXPECT_EQ(MES_ANTER(3), Date(2025, 3, 31));
    // A month beyond December wraps into the next year instead of failing.
    EXPECT_EQ(ULTIMO_DIA(13, 2025, 1), Date(2026, 1, 30));
    const auto due = default_due_dates();
    EXPECT_EQ(due[0], tax::DDIAENTRA);
    EXPECT_EQ(due[5], Date(2026, 10, 30));  // not Saturday 31/10
    for (Date d : due) EXPECT_NE(d.weekday() % 6, 0) << d.dmy();
}

TEST(DarfDialogue, PaymentDatesAndStoredDueDates) {
    // Today in April: quota and monthly kinds propose the month's last working day.
    EXPECT_EQ(default_payment_date(kDarfCarneLeao, true, Date(2026, 4, 15)), Date(2026, 4, 30));
    EXPECT_EQ(default_payment_date(kDarfCarneLeao, false, Date(2026, 4, 15)), Date(2026, 4, 15));
    EXPECT_EQ(default_payment_date(kDarfQuota, true, Date(2026, 1, 10)), Date(2026, 1, 30));
    // A Saturday moves to Monday; a Sunday to Monday.
    PaymentDateCheck c = check_payment_date(Date(2026, 6, 6), Date(2026, 6, 30), Date());
    EXPECT_EQ(c.date, Date(2026, 6, 8));
    EXPECT_EQ(c.message.at(0), "O dia lançado para pagamento é um Sabado");
    EXPECT_EQ(check_payment_date(Date(2026, 6, 7), Date(2026, 6, 30), Date()).date,
              Date(2026, 6, 8));
    // Due on Thursday 30/12/2027: banks close on the 31st, so the first working day after it is
    // Monday 3 January. Saturday 1 January moves to that Monday and stands; Friday the 31st is
    // after the due date but before that day.
    c = check_payment_date(Date(2028, 1, 1), Date(2027, 12, 30), Date());
    EXPECT_FALSE(c.refused);
    c = check_payment_date(Date(2027, 12, 31), Date(2027, 12, 30), Date(2028, 1, 3));
    EXPECT_TRUE(c.refused);
    EXPECT_EQ(c.message.at(0), "O dia p/ pagamento deve ser maior ou igual a 03/01/2028");
    EXPECT_TRUE(check_payment_date(Date(2026, 6, 10), Date(2026, 6, 30), Date()).message.empty());

    store::Record define = store::initial_rows(43).at(0);
    std::array<Date, 8> dates = default_due_dates();
    dates[2] = Date(2026, 7, 30);
    set_due_dates(define, dates, Decimal::from("5.123456"));
    EXPECT_EQ(ADATVENC(define)[2], Date(2026, 7, 30));
    EXPECT_EQ(define.num("VAL_DOLAR"), Decimal::from("5.1234"));
}

TEST(DarfLateDelivery, FineFloorCapAndLines) {
    // Two months late in the same year: 1 % a month of 500,00 is below the minimum.
    LateDeliveryFine f = late_delivery_fine(dec("500"), Date(2026, 5, 29), Date(2026, 7, 10));
    EXPECT_EQ(f.months_late, 2);
    EXPECT_EQ(f.computed, dec("10"));
    EXPECT_EQ(f.fine, dec("165.74"));
    // In a later year the months are the days late / 30; the fine stops at 20 %.
    f = late_delivery_fine(dec("100000"), Date(2026, 5, 29), Date(2028, 11, 20));
    EXPECT_EQ(f.months_late, 30);
    EXPECT_EQ(f.computed, dec("30000"));
    EXPECT_EQ(f.fine, dec("20000"));
    // Paid on time: nothing, and BUS_IMPO refuses the DARF.
    EXPECT_TRUE(
        late_delivery_fine(dec("500"), Date(2026, 5, 29), Date(2026, 5, 29)).fine.is_zero());

    Fixture x;
    x.d.set("I13_23", dec("500"));
    Darf darf;
    darf.QUEDARF = kDarfLateFine;
    darf.DF_PGTO = Date(2026, 5, 20);
    EXPECT_FALSE(BUS_IMPO(x.src(), 1, BusMode::kInteractive, darf).pay);
    darf.DF_PGTO = Date(2026, 7, 10);
    ASSERT_TRUE(BUS_IMPO(x.src(), 1, BusMode::kInteractive, darf).pay);
    EXPECT_EQ(darf.IMPO_REAL, dec("165.74"));
    EXPECT_EQ(darf.DF_OUTR[2], "02 meses de atraso=           10,00");
    // The fine is the principal: no fine nor interest on it.
    compute_charges(x.selic, Date(2026, 7, 1), Date(), darf);
    EXPECT_EQ(darf.VAL_TOTAL, dec("165.74"));
    EXPECT_TRUE(darf.VAL_MULTA.is_zero());
}

TEST(DarfDonations, DeadlineReferenceAndFundLines) {
    EXPECT_FALSE(donation_refusal(kDarfDonationECA, tax::DDIAENTRA));
    const auto refused = donation_refusal(kDarfDonationElderly, Date(2026, 5, 30));
    ASSERT_TRUE(refused);
    ASSERT_EQ(refused->size(), 4u);
    EXPECT_EQ((*refused)[0], "O pagamento do Darf de doação para o Idoso só é permitido");
    EXPECT_EQ((*refused)[1], "até 29/05/2026. Caso tenha entregue a declaração com");

    EXPECT_EQ(donation_reference("11.222.333/0001-81"), "1122233300018189");
    EXPECT_EQ(donation_reference("123"), "");

    Fixture x;
    auto pay = [&](const char* fund, const char* cnpj, int code, const char* paid,
                   const char* back) {
        store::Record p = x.d.new_record(6);
        p.set("I6_1", fund);
        p.set("I6_2", cnpj);
        p.set("I6_3", Decimal(code));
        p.set("I6_4", dec(paid));
        p.set("I6_5", dec(back));
        x.d.payments.push_back(p);
    };
    pay("Fundo Nacional da Crianca", "11222333000181", 39, "300", "0");
    pay("Fundo Municipal dos Direitos da Crianca de Campinas - SP", "11222333000181", 39, "150",
        "50");
    pay("Estadual - MG Fundo do Idoso", "11222333000181", 49, "80", "0");
    DarfRun run;
    run.kind = kDarfDonationECA;
    std::vector<std::string> refusal;
    const std::vector<Darf> eca = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(eca.size(), 2u);
    EXPECT_EQ(eca[0].DF_OUTR[1], "Fundo Nacional");
    EXPECT_EQ(eca[1].DF_OUTR[1], "Fundo Municipal");
    EXPECT_EQ(eca[1].DF_OUTR[2], "Campinas - SP");
    EXPECT_EQ(eca[1].IMPO_REAL, dec("100"));
    EXPECT_EQ(eca[1].DF_REFER, "1122233300018189");
    golden("kind07", darf_text(eca[1], 2));
    run.kind = kDarfDonationElderly;
    const std::vector<Darf> elderly = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(elderly.size(), 1u);
    EXPECT_EQ(elderly[0].DF_OUTR[1], "Fundo Estadual - MG");
    golden("kind11", darf_text(elderly[0], 2));

    // After the deadline no donation DARF is prepared, with the refusal for the window.
    DarfSource late = x.src();
    late.today = Date(2026, 6, 1);
    EXPECT_TRUE(prepare_run(late, x.selic, run, &refusal).empty());
    EXPECT_EQ(refusal.size(), 4u);
}

TEST(DarfQuotas, RangeValuesOnlyAndLowValueLines) {
    Fixture x;
    x.d.set("QTD_QUOTA", Decimal(3));
    x.d.set("I13_37", dec("333.33"));
    x.selic.add(2026, 6, dec("1.10"));
    x.selic.add(2026, 7, dec("1.20"));
    DarfRun run;
    run.kind = kDarfQuota;
    run.quantity = 2;
    run.first = 0;  // bounded to 1
    run.last = 99;  // bounded to 8; quotas past the count are skipped
    run.payment = Date(2026, 8, 20);
    std::vector<std::string> refusal;
    std::vector<Darf> darfs = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(darfs.size(), 3u);
    // The first quota is late: fine and interest; the later ones are their values only.
    EXPECT_FALSE(darfs[0].values_only);
    EXPECT_GT(darfs[0].VAL_MULTA, Decimal());
    EXPECT_TRUE(darfs[1].values_only);
    EXPECT_TRUE(darfs[1].VAL_TOTAL.is_zero());
    EXPECT_EQ(darfs[2].DF_OUTR[4], "Pagto. da quota 3 de 3 do IRPF/2026");
    golden("kind01_values_only", darf_text(darfs[1], 2));

    // A quota beyond the count is refused; a single quota of 9,50 carries the low-value lines.
    Darf one;
    one.QUEDARF = kDarfQuota;
    EXPECT_EQ(BUS_IMPO(x.src(), 4, BusMode::kInteractive, one).message,
              std::vector<std::string>{"Essa quota não existe !!"});
    x.d.set("QTD_QUOTA", Decimal(1));
    x.d.set("I13_37", dec("9.50"));
    run.quantity = 1;
    run.first = 1;
    run.payment = Date(2026, 5, 20);
    darfs = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(darfs.size(), 1u);
    EXPECT_EQ(darfs[0].DF_OUTR[2], "VALOR INFERIOR R$ 10,00 - NAO PAGAR");
    EXPECT_EQ(darfs[0].DF_OUTR[3], "SOME C/OUTROS DARFS DO MESMO CODIGO");
    EXPECT_TRUE(darfs[0].valid_until);
    EXPECT_EQ(darfs[0].valid_date, Date(2026, 5, 29));
    golden("kind01", darf_text(darfs[0], 2));

    // Nothing to pay (a refund) gives no DARF.
    x.d.set("I13_37", Decimal());
    EXPECT_TRUE(prepare_run(x.src(), x.selic, run, &refusal).empty());
    EXPECT_FALSE(refusal.empty());
}

TEST(DarfQuotas, CountFromTheComputationGivesTheDarfs) {
    struct Case {
        const char* balance;
        int chosen;
        size_t count;
        const char* value;
    };
    for (const Case& k : {Case{"120.00", 0, 2, "60.00"}, Case{"49.99", 0, 1, "49.99"},
                          Case{"1000.00", 0, 8, "125.00"}, Case{"1000.00", 3, 3, "333.33"}}) {
        Fixture x;
        x.d.set("I13_36", dec(k.balance));
        x.d.set("QTD_QUOTA", Decimal(k.chosen));
        ScriptedOperator op;
        ManualClock clock(DateTime{Date(2026, 4, 15), 0});
        tax::Context c{x.d, op, clock, x.selic};
        tax::FQTD_QUOTA(c, 0);
        DarfRun run;
        run.kind = kDarfQuota;
        run.quantity = 2;
        run.first = 1;
        run.last = 8;
        run.payment = Date(2026, 5, 15);
        std::vector<std::string> refusal;
        const std::vector<Darf> darfs = prepare_run(x.src(), x.selic, run, &refusal);
        ASSERT_EQ(darfs.size(), k.count) << k.balance;
        for (const Darf& d : darfs) EXPECT_EQ(d.IMPO_REAL, dec(k.value)) << k.balance;
        EXPECT_EQ(darfs.back().DF_VCTO, default_due_dates()[k.count - 1]);
    }
}

TEST(DarfCarneLeao, HolderMonthsAndMessages) {
    Fixture x;
    store::Record mine = carne_row(x.d, "");
    mine.set("I2_103", dec("5000"));
    mine.set("I2_603", dec("400"));
    mine.set("I2_604", dec("300"));
    mine.set("I2_504", dec("100"));
    mine.set("I2_605", dec("50"));
    mine.set("I2_505", dec("50"));
    x.d.monthly.push_back(mine);
    EXPECT_EQ(count_holder_rows(x.d).choice(), HolderRows::Choice::kTitular);
    store::Record dep = carne_row(x.d, "98765432100");
    dep.set("I2_602", dec("20"));
    x.d.monthly.push_back(dep);
    EXPECT_EQ(count_holder_rows(x.d).choice(), HolderRows::Choice::kAsk);
    EXPECT_TRUE(dependant_has_rows(x.d, "98765432100"));
    EXPECT_FALSE(dependant_has_rows(x.d, "11111111111"));

    Darf probe;
    probe.QUEDARF = kDarfCarneLeao;
    EXPECT_EQ(*first_month_to_pay(x.src(), probe, 1).month, 3);
    EXPECT_EQ(BUS_IMPO(x.src(), 5, BusMode::kInteractive, probe).message[0],
              "O Carnê Leão desse mês já está lançado como pago.");
    EXPECT_EQ(BUS_IMPO(x.src(), 6, BusMode::kInteractive, probe).message[0],
              "Não há carnê Leão a pagar nesse mês.");
    EXPECT_TRUE(BUS_IMPO(x.src(), 6, BusMode::kPrinting, probe).message.empty());

    DarfRun run;
    run.kind = kDarfCarneLeao;
    run.quantity = 2;
    run.first = 1;
    run.last = 12;
    run.payment = Date(2026, 4, 15);
    std::vector<std::string> refusal;
    std::vector<Darf> darfs = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(darfs.size(), 2u);  // March in full, April's difference
    EXPECT_EQ(darfs[0].DF_PERIODO, Date(2025, 3, 31));
    EXPECT_EQ(darfs[0].DF_VCTO, Date(2025, 4, 30));
    EXPECT_EQ(darfs[1].DF_OUTR[4], "Diferenca no C.Leao de Abril/2025");
    golden("kind02", darf_text(darfs[0], 2));
    EXPECT_EQ(FAZONOME(darfs[0], run, "MARIA DA SILVA SAURO"),
              "Darf CLeao do mes 01 ate 12 - MARIA SAURO.txt");

    run.DARFTD = "N";
    run.CPFDEPEN = "98765432100";
    darfs = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(darfs.size(), 1u);
    EXPECT_EQ(darfs[0].printed_cpf(), "987.654.321-00");
    EXPECT_EQ(darfs[0].IMPO_REAL, dec("20"));
}

TEST(DarfGains, CapitalGainVariableIncomeAndForeignCash) {
    Fixture x;
    store::Record house = gain(x.d, 1);
    house.set("BEM_NRO", Decimal(1));
    house.set("DATA_ALI", Date(2025, 11, 10));
    house.set("VAL_TRIBU", dec("100000"));
    house.set("VAL_IMPOSV", dec("15000"));
    x.gains.push_back(house);
    store::Record abroad = gain(x.d, 2);
    abroad.set("BEM_NRO", Decimal(2));
    abroad.set("BEMBRASIL", "N");
    abroad.set("VEN_PRAZO", "S");
    abroad.set("DATA_ALI", Date(2025, 6, 1));
    abroad.set("IMP_DEV07", dec("700"));
    abroad.set("IMP_PAG07", dec("200"));
    abroad.set("IMP_DEV09", dec("900"));
    x.gains.push_back(abroad);
    auto rv = [&](int line, const char* op, int month, const char* v) {
        store::Record r = gain(x.d, 4);
        r.set("RVAR_NRO", Decimal(line));
        r.set("DAY_TRADE", op);
        r.set("REC_MES" + tax::two_digits(month), dec(v));
        x.gains.push_back(r);
    };
    rv(16, "1", 2, "4000");
    rv(27, "1", 2, "600");
    rv(28, "1", 2, "100");
    rv(5, "3", 8, "75");
    store::Record cash = gain(x.d, 5);
    cash.set("VAL_IMPOSV", dec("30"));
    cash.set("IMPPAGO", dec("40"));  // paid more: counts as 0, not as a credit
    x.gains.push_back(cash);
    store::Record cash2 = gain(x.d, 5);
    cash2.set("VAL_IMPOSV", dec("12.34"));
    x.gains.push_back(cash2);

    std::vector<std::string> refusal;
    DarfRun run;
    run.kind = kDarfCapitalGain;
    run.gain_number = 1;
    run.payment = Date(2025, 12, 20);
    std::vector<Darf> d = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].DF_CODIG, "4600");
    EXPECT_EQ(d[0].DF_VCTO, Date(2025, 12, 30));
    EXPECT_EQ(d[0].DF_OUTR[4], "GCAP nro 01 em Novembro/2025");
    golden("kind03", darf_text(d[0], 2));

    run.gain_number = 2;
    run.quantity = 2;
    run.first = 1;
    run.last = 12;
    run.payment = Date(2025, 8, 1);
    d = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(d.size(), 2u);  // July's difference and September
    EXPECT_EQ(d[0].DF_CODIG, "8523");
    EXPECT_EQ(d[0].IMPO_REAL, dec("500"));
    EXPECT_EQ(d[0].DF_OUTR[4], "Pago menor G. Capital Julho/2025");
    // A month of the sale year before the sale month falls due the next year.
    EXPECT_EQ(d[1].number, 9);
    run.gain_number = 7;
    EXPECT_TRUE(prepare_run(x.src(), x.selic, run, &refusal).empty());
    EXPECT_EQ(refusal[0], "Não existe ganho com esse número");

    run = DarfRun{};
    run.kind = kDarfStocks;
    run.first = 2;
    run.payment = Date(2025, 3, 20);
    d = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].IMPO_REAL, dec("500"));
    EXPECT_EQ(d[0].DF_PERIODO, Date(2025, 2, 28));
    EXPECT_EQ(d[0].DF_OUTR[4], "Pago menor R.Variavel Fevereir/2025");
    golden("kind04", darf_text(d[0], 2));
    run.kind = kDarfFunds;
    run.first = 8;
    d = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].IMPO_REAL, dec("75"));
    golden("kind05", darf_text(d[0], 2));

    run = DarfRun{};
    run.kind = kDarfForeignCash;
    run.payment = Date(2026, 5, 4);
    d = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].IMPO_REAL, dec("12.34"));
    golden("kind08", darf_text(d[0], 2));
}

TEST(DarfPrintout, LateFineFreeDarfAndPreprintedModels) {
    Fixture x;
    x.d.set("I13_23", dec("100000"));
    DarfRun run;
    run.kind = kDarfLateFine;
    run.payment = Date(2026, 9, 14);
    std::vector<std::string> refusal;
    std::vector<Darf> d = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(d.size(), 1u);
    golden("kind06", darf_text(d[0], 2));

    run = DarfRun{};
    run.kind = kDarfFree;
    run.free_darf.DF_CODIG = "1234";
    run.free_darf.CPF_CNPJ = "11222333000181";
    run.free_darf.NOMQUAL = "EMPRESA/TESTE";
    run.free_darf.DF_PERIODO = Date(2025, 10, 31);
    run.free_darf.DF_VCTO = Date(2026, 4, 30);
    run.free_darf.DF_REFER = "1234567890123456";
    run.free_darf.IMPO_REAL = dec("1234567.89");
    run.free_darf.DF_OUTR[0] = "Linha livre";
    run.payment = Date(2026, 4, 30);
    d = prepare_run(x.src(), x.selic, run, &refusal);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].printed_cpf(), "11.222.333/0001-81");
    golden("kind09", darf_text(d[0], 2));
    EXPECT_EQ(FAZONOME(d[0], run, "EMPRESA/TESTE"), "Darf 1234 - 10-2025 - EMPRESA_TESTE.txt");

    // Pre-printed: one form a page, the copies on pages of their own.
    printing::PrintWriter black, colour;
    FAZ_DARF(black, d, kModelPreprinted, 1);
    FAZ_DARF(colour, d, kModelPreprintedColor, 2);
    EXPECT_NE(black.text().find('\f'), std::string::npos);
    golden("preprinted_black", black.text());
    golden("preprinted_colour", colour.text());

    // A credit or nothing is never printed; two copies of the plain sheet share a page.
    Darf credit = d[0];
    credit.IMPO_REAL = dec("-5");
    printing::PrintWriter none, plain;
    FAZ_DARF(none, {credit}, kModelPlain, 2);
    EXPECT_EQ(none.text(), "");
    FAZ_DARF(plain, d, kModelPlain, 3);
    EXPECT_EQ(std::count(plain.text().begin(), plain.text().end(), '\f'), 1);
    for (auto line : printing::lines_of(plain.text())) {
        if (line.starts_with('\f')) line.remove_prefix(1);
        EXPECT_LE(line.size(), 79u) << line;
    }
}

TEST(DarfFiles, SameNameAppendsAndClientsClash) {
    const std::string dir = testing::TempDir() + "darf_files/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    DarfFiles files(dir);
    std::string p1, p2, p3;
    ASSERT_TRUE(files.write("Darf ECA - JOSE SILVA.txt", "111", "one\n", &p1).is_ok());
    ASSERT_TRUE(files.write("Darf ECA - JOSE SILVA.txt", "111", "two\n", &p2).is_ok());
    ASSERT_TRUE(files.write("Darf ECA - JOSE SILVA.txt", "222", "other\n", &p3).is_ok());
    EXPECT_EQ(p1, p2);
    EXPECT_EQ(p3, dir + "Darf ECA - JOSE SILVA - 222.txt");
    auto read = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };
    EXPECT_EQ(read(p1), "one\n\ftwo\n");
    EXPECT_EQ(read(p3), "other\n");
    // A new run replaces what an earlier one wrote.
    DarfFiles again(dir);
    ASSERT_TRUE(again.write("Darf ECA - JOSE SILVA.txt", "111", "new\n", &p1).is_ok());
    EXPECT_EQ(read(p1), "new\n");
}

}  // namespace
}  // namespace vorn::payments
