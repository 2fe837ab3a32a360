#include "shell/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/validate.h"
#include "shell/receipts.h"
#include "shell_test_util.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

using testing::Installation;
using testing::rows_of;
using testing::Terminal;

TEST(StartUp, NewTerminalGetsItsDefaultsAndTheInstallationAsDataFolder) {
    Installation inst;
    Terminal t(inst);
    ASSERT_TRUE(t.start("7")) << t.error;
    EXPECT_EQ(t.s.NUSU, "07");
    EXPECT_EQ(t.s.ROTADOANO, inst.path());
    EXPECT_EQ(t.s.NOMEAG, "USUARIO DO TERMINAL 07");
    EXPECT_TRUE(t.s.MOS_MENS);
    auto config = rows_of(inst.path() + "/CONFIG.DBF");
    ASSERT_EQ(config.size(), 1u);
    EXPECT_EQ(config[0].str("NRO_TERM"), "07");
    EXPECT_EQ(config[0].str("ROTADOANO"), inst.path());
    EXPECT_EQ(config[0].date("ULTBACK"), Date(2026, 4, 10));
    auto cores = rows_of(inst.path() + "/CORES.DBF");
    ASSERT_EQ(cores.size(), 1u);
    EXPECT_EQ(cores[0].str("COR_1_CLI"), "GR+/B");
    auto list = folder_list(t.w);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].folder, inst.path());
    EXPECT_TRUE(list[0].selected);
    EXPECT_NE(t.w.table(9), nullptr);  // the registry is open
    EXPECT_EQ(t.s.TEMP_SAL(), 15);
    EXPECT_EQ(t.s.CVALDOLAR, "5.2171");
}

TEST(StartUp, ASecondProcessWithTheSameTerminalNumberIsRefused) {
    Installation inst;
    Terminal first(inst);
    ASSERT_TRUE(first.start("03")) << first.error;
    Terminal second(inst);
    EXPECT_FALSE(second.start("03"));
    EXPECT_TRUE(second.op.saw("notice", "O programa VORN2026 no terminal 03 está em uso"));
    Terminal other(inst);
    EXPECT_TRUE(other.start("04"));
    EXPECT_EQ(rows_of(inst.path() + "/CONFIG.DBF").size(), 2u);
}

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Cuts a table file in the middle of its last record, as a copy cut short leaves it.
void cut_in_last_record(const std::string& path) {
    std::unique_ptr<store::Table> t;
    ASSERT_TRUE(store::Table::open(store::Env::posix(), path, store::OpenOptions{}, &t).is_ok());
    uint32_t n = 0;
    ASSERT_TRUE(t->record_count(&n).is_ok());
    ASSERT_GT(n, 0u) << path;
    const auto size = t->header_length() + (n - 1) * t->record_length() + t->record_length() / 2;
    ASSERT_TRUE(t->close().is_ok());
    std::filesystem::resize_file(path, size);
}

// A damaged settings or reference table is named with what is wrong with it, is not replaced
// by defaults, and no second, wrong reason follows.
TEST(StartUp, ADamagedTableIsNamedAndNeverReplacedByDefaults) {
    for (const char* name : {"CONFIG.DBF", "DEFINE.DBF", "UFIRM.DBF", "OCUPACAO.DBF"}) {
        SCOPED_TRACE(name);
        Installation inst;
        {
            Terminal first(inst), second(inst);
            ASSERT_TRUE(first.start("01")) << first.error;
            ASSERT_TRUE(second.start("02")) << second.error;
        }
        const std::string path = store::find_file(store::Env::posix(), inst.path(), name);
        cut_in_last_record(path);
        const std::string before = bytes_of(path);
        Terminal t(inst);
        EXPECT_FALSE(t.start("01"));
        EXPECT_TRUE(t.op.saw("notice", std::string(name).substr(0, std::string(name).size() - 4)));
        EXPECT_TRUE(t.op.saw("notice", "o cabeçalho indica"));
        EXPECT_FALSE(t.op.saw("notice", "sendo usado no momento"));
        EXPECT_FALSE(t.op.saw("notice", "está em uso"));
        EXPECT_FALSE(t.op.saw("notice", "danificado"));
        EXPECT_EQ(bytes_of(path), before);  // the office's rows stay as they were
    }
}

// The registry of the data folder cut short: named, not taken for a damaged index.
TEST(StartUp, ADamagedRegistryIsNamedNotTakenForADamagedIndex) {
    Installation inst;
    {
        Terminal first(inst);
        ASSERT_TRUE(first.start("01")) << first.error;
        store::Table& reg = *first.w.table(9);
        store::Record r(reg.layout_ptr());
        for (const char* cpf : {"12345678909", "98765432100"}) {
            r.set("CPF", cpf);
            ASSERT_TRUE(reg.append(&r).is_ok());
        }
        ASSERT_TRUE(reg.unlock().is_ok());
    }
    cut_in_last_record(store::find_file(store::Env::posix(), inst.path(), "IMP0926.DBF"));
    Terminal t(inst);
    (void)t.start("01");
    EXPECT_TRUE(t.op.saw("notice", "IMP0926.DBF"));
    EXPECT_TRUE(t.op.saw("notice", "o cabeçalho indica 2 registros e o arquivo tem 1"));
    EXPECT_FALSE(t.op.saw("notice", "danificado"));
}

TEST(StartUp, MissingDataFolderIsAskedAbout) {
    Installation inst;
    {
        Terminal t(inst);
        ASSERT_TRUE(t.start("05"));
        t.s.CONFIG.set("ROTADOANO", inst.path() + "/gone");
        ASSERT_TRUE(store_config(t.s, t.w, {"ROTADOANO"}));
    }
    {
        Terminal t(inst);
        t.op.yes_no_answers = {false};
        EXPECT_FALSE(t.start("05"));
        EXPECT_TRUE(t.op.saw("yes_no", "A Pasta " + inst.path() + "/gone não foi encontrada!"));
    }
    Terminal t(inst);
    t.op.yes_no_answers = {true};
    ASSERT_TRUE(t.start("05"));
    EXPECT_EQ(t.s.ROTADOANO, inst.path());
    EXPECT_EQ(rows_of(inst.path() + "/CONFIG.DBF")[0].str("ROTADOANO"), inst.path());
}

TEST(StartUp, InstallationVariableNamingAMissingDirectory) {
    Installation inst;
    Terminal t(inst);
    t.platform.vars["DIR2026"] = inst.path() + "/nowhere";
    ASSERT_TRUE(t.start("01"));
    EXPECT_TRUE(t.op.saw("notice", "<Dir> " + inst.path() + "/nowhere não encontrado."));
    EXPECT_EQ(t.s.ROTADEF, inst.path());  // the current directory
}

TEST(StartUp, OfficeRecordCorrectionsAreWrittenBack) {
    Installation inst;
    {
        Terminal t(inst);
        ASSERT_TRUE(t.start("01"));
        ASSERT_TRUE(store::ABERTURA(t.w, 43));
        store::Table& d = *t.w.table(43);
        ASSERT_TRUE(d.lock_record().is_ok());
        ASSERT_TRUE(d.replace(d.field("VCTO1"), Date(2026, 5, 30)).is_ok());
        ASSERT_TRUE(d.replace(d.field("VAL_DOLAR"), Decimal::from("6.1917")).is_ok());
        ASSERT_TRUE(d.unlock().is_ok());
        t.w.close(43);
    }
    {
        // An office started before: its first due date is right, its sixth is a Saturday.
        Terminal t(inst);
        ASSERT_TRUE(t.start("02"));
        ASSERT_TRUE(store::ABERTURA(t.w, 43));
        store::Table& d = *t.w.table(43);
        ASSERT_TRUE(d.lock_record().is_ok());
        ASSERT_TRUE(d.replace(d.field("VCTO6"), Date(2026, 10, 31)).is_ok());
        ASSERT_TRUE(d.unlock().is_ok());
        t.w.close(43);
    }
    Terminal t(inst);
    ASSERT_TRUE(t.start("01"));
    auto define = rows_of(inst.path() + "/DEFINE.DBF");
    EXPECT_EQ(define[0].date("VCTO1"), Date(2026, 5, 29));
    EXPECT_EQ(define[0].date("VCTO6"), Date(2026, 10, 30));
    EXPECT_EQ(t.s.ADATVENC[5], Date(2026, 10, 30));
    EXPECT_EQ(define[0].num("VAL_DOLAR"), Decimal::from("5.5018"));
    EXPECT_EQ(t.s.NVALDOLAR, Decimal::from("5.5018"));
}

TEST(StartUp, RemindersOfTodayStillToComeAreAnnouncedAtTheirMinute) {
    Installation inst;
    {
        Terminal t(inst);
        ASSERT_TRUE(t.start("01"));
        ASSERT_TRUE(store::ABERTURA(t.w, 72));
        store::Table& a = *t.w.table(72);
        struct {
            const char* who;
            const char* hora;
            Date day;
            bool warn;
            const char* note;
        } rows[] = {{"USUARIO DO TERMINAL 01", "08:30", Date(2026, 4, 10), true, "passou"},
                    {"USUARIO DO TERMINAL 01", "10:15", Date(2026, 4, 10), true, "ligar"},
                    {"USUARIO DO TERMINAL 01", "10:20", Date(2026, 4, 10), false, "sem aviso"},
                    {"OUTRA PESSOA", "10:30", Date(2026, 4, 10), true, "de outro"},
                    {"USUARIO DO TERMINAL 01", "1100", Date(2026, 4, 11), true, "amanha"},
                    {"USUARIO DO TERMINAL 01", "1105", Date(2026, 4, 10), true, "reuniao"}};
        for (auto& r : rows) {
            store::Record rec(a.layout_ptr());
            rec.set("NOMEAG", r.who);
            rec.set("HORAG", r.hora);
            rec.set("DATAG", r.day);
            rec.set("AVISAG", r.warn);
            rec.set("ANOTAG", r.note);
            ASSERT_TRUE(a.append(&rec).is_ok());
        }
        ASSERT_TRUE(a.unlock().is_ok());
        t.w.close(72);
    }
    Terminal t(inst);
    ASSERT_TRUE(t.start("01"));
    ASSERT_EQ(t.s.reminders.size(), 2u);
    EXPECT_TRUE(due_reminders(t.s, 10 * 3600 + 14 * 60).empty());
    auto due = due_reminders(t.s, 10 * 3600 + 15 * 60 + 30);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0], "ATENÇÃO - 10:15 ligar");
    EXPECT_TRUE(due_reminders(t.s, 10 * 3600 + 15 * 60).empty());  // announced once
    EXPECT_EQ(due_reminders(t.s, 11 * 3600 + 5 * 60),
              std::vector<std::string>{"ATENÇÃO - 11:05 reuniao"});
}

TEST(StartUp, BackupReminderOnlyBeforeJulyOfTheExercise) {
    EXPECT_EQ(backup_interval(Date(2026, 5, 3)), 2);
    EXPECT_EQ(backup_interval(Date(2026, 3, 3)), 5);
    EXPECT_EQ(backup_interval(Date(2026, 6, 30)), 5);
    EXPECT_FALSE(backup_interval(Date(2026, 7, 1)).has_value());
    EXPECT_FALSE(backup_interval(Date(2027, 3, 1)).has_value());

    Installation inst;
    Terminal t(inst, {Date(2026, 5, 20), 9 * 3600});
    ASSERT_TRUE(t.start("01"));
    t.s.days_since_backup = 1;
    EXPECT_FALSE(backup_reminder(t.s, t.w));
    EXPECT_FALSE(t.op.saw("yes_no", "Backup"));
    t.s.days_since_backup = 2;
    t.op.yes_no_answers = {false};
    EXPECT_FALSE(backup_reminder(t.s, t.w));
    EXPECT_TRUE(t.op.saw("yes_no", " Atenção   2 dias sem fazer o Backup completo."));
    EXPECT_TRUE(t.op.saw("yes_no", " Não - Avise novamente em 2 dias. "));
    EXPECT_EQ(rows_of(inst.path() + "/CONFIG.DBF")[0].date("ULTBACK"), Date(2026, 5, 20));
    t.op.yes_no_answers = {true};
    EXPECT_TRUE(backup_reminder(t.s, t.w));
}

TEST(StartUp, ExitStoresTheTerminalSettings) {
    Installation inst;
    Terminal t(inst);
    ASSERT_TRUE(t.start("02"));
    t.op.yes_no_answers = {false};
    EXPECT_FALSE(ROTSAIDA(t.s, t.w, true));
    EXPECT_TRUE(t.op.saw("yes_no", "Confirma saída do programa?"));
    t.s.NOMEAG = "BEATRIZ";
    t.s.ULT_CPF = "12345678909";
    t.s.CONFIG.set("OPCIRPF", "N");
    EXPECT_TRUE(ROTSAIDA(t.s, t.w, false));
    auto c = rows_of(inst.path() + "/CONFIG.DBF")[0];
    EXPECT_EQ(c.str("NOMEAG"), "BEATRIZ");
    EXPECT_EQ(c.str("ult_cpf"), "12345678909");
    EXPECT_EQ(c.str("OPCIRPF"), "N");
    EXPECT_EQ(t.w.table(50), nullptr);  // every table closed
}

TEST(Folders, TrocasimCreatesSelectsAndRemembersTheFolder) {
    Installation inst;
    Terminal t(inst);
    ASSERT_TRUE(t.start("01"));
    const std::string novo = inst.path() + "/clientes/2026";
    t.op.yes_no_answers = {false};
    EXPECT_FALSE(TROCASIM(t.s, t.w, novo));
    EXPECT_EQ(t.s.ROTADOANO, inst.path());
    // The list and the settings hold folders of up to 80 characters.
    EXPECT_FALSE(TROCASIM(t.s, t.w, inst.path() + "/" + std::string(80, 'x')));
    EXPECT_TRUE(t.op.saw("notice", "mais de 80 caracteres"));
    t.op.yes_no_answers = {true};
    ASSERT_TRUE(TROCASIM(t.s, t.w, novo + "/"));
    EXPECT_TRUE(t.op.saw("yes_no", "Pasta nova para  VORN2026?"));
    EXPECT_EQ(t.s.ROTADOANO, novo);
    EXPECT_EQ(t.s.LOCARQ, novo + "/");
    auto list = folder_list(t.w);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_FALSE(list[0].selected);
    EXPECT_TRUE(list[1].selected);
    EXPECT_EQ(list[1].folder, novo);
    EXPECT_NE(store::data_table_path(store::Env::posix(), novo, 9), "");
    EXPECT_TRUE(std::filesystem::exists(novo + "/IMP0926.DBF"));
    EXPECT_EQ(rows_of(inst.path() + "/CONFIG.DBF")[0].str("ROTADOANO"), novo);
    ASSERT_TRUE(TROCASIM(t.s, t.w, inst.path()));
    list = folder_list(t.w);
    EXPECT_TRUE(list[0].selected);
    EXPECT_FALSE(list[1].selected);
}

TEST(Folders, ACpfFoundOnlyInTheThirdFolderSelectsIt) {
    Installation inst;
    Terminal t(inst);
    ASSERT_TRUE(t.start("01"));
    const std::string a = inst.sub("a"), b = inst.sub("b"), c = inst.sub("c");
    for (const auto& f : {a, b, c}) ASSERT_TRUE(TROCASIM(t.s, t.w, f));
    {  // the client lives in folder c
        store::Declaration d(t.w, {inst.path(), "OP"});
        ASSERT_TRUE(d.load("12345678909", store::LoadMode::kNew, true).is_ok());
        ASSERT_TRUE(d.save(true).is_ok());
    }
    ASSERT_TRUE(TROCASIM(t.s, t.w, a));
    EXPECT_FALSE(folder_has_cpf(t.w, a, "12345678909"));
    EXPECT_FALSE(folder_has_cpf(t.w, inst.path() + "/missing", "12345678909"));
    auto found = find_cpf_in_folders(t.s, t.w, "12345678909");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, c);
    EXPECT_FALSE(find_cpf_in_folders(t.s, t.w, "98765432100").has_value());
}

TEST(Receipts, ReadFromTheTransmittedDeclarationWithCheckDigits) {
    Installation inst;
    const std::string java = inst.sub("IRPF2026/aplicacao/dados");
    const std::string sent = inst.sub("IRPF2026/transmitidas");
    EXPECT_EQ(transmitted_folder(java), sent);
    EXPECT_EQ(transmitted_folder("/x/IRPF2026/APLICACAO/DADOS"), "/x/IRPF2026/TRANSMITIDAS");
    std::string line(260, ' ');
    line.replace(101, 10, "1234567890");
    line.replace(123, 10, "0000000000");
    line.replace(203, 10, "2222222222");
    {
        std::ofstream f(sent + "/12345678909-IRPF-A-2026-2025-ORIGI.DEC");
        f << line << "\r\nsecond line\r\n";
        std::ofstream g(sent + "/12345678909-IRPF-A-2026-2025-ORIGI.REC");
        g << "recibo";
        std::ofstream h(sent + "/98765432100-IRPF.DEC");
        h << "other";
    }
    auto files = government_files(sent, "12345678909", ".dec");
    ASSERT_EQ(files.size(), 1u);
    Status err;
    auto r = read_receipts(files[0], &err);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->RECIBOATU, receipt_with_check_digits("1234567890"));
    EXPECT_EQ(r->RECIBOATU.size(), 12u);
    EXPECT_EQ(r->NRORECIBO, "");
    EXPECT_EQ(r->RECIBOANT, receipt_with_check_digits("2222222222"));
    EXPECT_FALSE(read_receipts(sent + "/none.DEC", &err).has_value());
    EXPECT_EQ(err.message(), "Erro de leitura");

    const std::string safe = inst.path() + "/guarda";
    ASSERT_TRUE(copy_government_files(sent, "12345678909", safe).is_ok());
    EXPECT_TRUE(std::filesystem::exists(safe + "/12345678909-IRPF-A-2026-2025-ORIGI.DEC"));
    EXPECT_TRUE(std::filesystem::exists(safe + "/12345678909-IRPF-A-2026-2025-ORIGI.REC"));
    EXPECT_FALSE(std::filesystem::exists(safe + "/98765432100-IRPF.DEC"));
}

}  // namespace
}  // namespace vorn::shell
