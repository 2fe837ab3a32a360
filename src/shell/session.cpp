// The session's global values, the defaults of a new terminal and the office-record corrections.
#include "shell/session.h"

#include <filesystem>

#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::shell {
namespace fs = std::filesystem;

Date DDIAENTRA() {
    return Date(NANOATUAL, 5, 29);
}

std::string without_slash(std::string_view folder) {
    std::string f = trim(folder);
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    return f;
}

std::string with_slash(std::string_view folder) {
    std::string f = without_slash(folder);
    if (f.empty() || f.back() != '/') f += '/';
    return f;
}

namespace {

std::shared_ptr<const store::Layout> layout_of(int table) {
    const store::TableDef* t = store::table_def(table);
    if (!t || !t->layout) throw std::logic_error("no layout for table " + std::to_string(table));
    return t->layout;
}

bool is_dir(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

}  // namespace

Session::Session() : CONFIG(layout_of(42)), DEFINE(layout_of(43)), CORES(default_colours("00")) {}

void Session::set_data_folder(std::string_view folder) {
    ROTADOANO = without_slash(folder);
    LOCARQ = with_slash(ROTADOANO);
}

void Session::set_work_folder(std::string_view folder) {
    std::string f = without_slash(folder);
    if (!is_dir(f)) f = ROTADOANO;
    DIRTRAB = f;
    LOCTRAB = with_slash(f);
}

void Session::refresh_irpf_folder() {
    LOCIRPF = trim(cfg("ROTARECEI")).empty() || trim(cfg("ROTAJAVA")).empty()
                  ? std::string()
                  : with_slash(cfg("ROTAJAVA"));
}

store::Record default_colours(std::string_view nusu) {
    store::Record r(layout_of(56));
    r.set("NRO_TERM", nusu);
    static constexpr std::pair<const char*, int> kNumbers[] = {
        {"COR_TEL1", 30},  {"COR_TEL2", 31},  {"COR_TEL3", 63},
        {"COR_MENS", 112}, {"COR_PEGA", 15},  {"COR_HELP", 112},
        {"COR_FERID", 28}, {"COR_ESCOL", 79}, {"COR_ENCHE", 31}};
    for (auto [name, v] : kNumbers) r.set(name, Decimal(v));
    static constexpr std::pair<const char*, const char*> kTexts[] = {
        {"COR_1_CLI", "GR+/B"}, {"COR_2_CLI", "W+/B"}, {"COR_INI", "W+/B"},
        {"COR_SAY", "N/W+"},    {"COR_GET", "W/N"},    {"COR_CLI_HE", "N/W"},
        {"COR_ESC_CL", "W/R+"}, {"COR_ENCH_C", "W+/B"}};
    for (auto [name, v] : kTexts) r.set(name, v);
    return r;
}

store::Record default_config(std::string_view nusu, std::string_view install,
                             std::string_view dir_variable, std::string_view home, Date today) {
    store::Record r(layout_of(42));
    const std::string inst = without_slash(install);
    const std::string rfb = without_slash(home) + "/ProgramasRFB/IRPF20";
    r.set("NRO_TERM", nusu);
    r.set("ROTAANTER",
          (fs::path(inst).parent_path() / ("VORN20" + std::string(CANOANTER))).string());
    r.set("ROTADOANO", inst);
    r.set("ROTARECEI", rfb + std::string(CANOATUAL) + "/aplicacao/dados");
    r.set("ROTAREANT", rfb + std::string(CANOANTER) + "/transmitidas");
    r.set("ROTAJAVA", r.str("ROTARECEI"));
    r.set("dirtrab", inst);
    r.set("DIRPROV", dir_variable);
    r.set("DIRINST", inst);
    for (const char* n : {"queimp", "quemod", "quepag", "quecon"}) r.set(n, Decimal(1));
    r.set("ENV_STAT", Decimal(2));
    r.set("MARESQ", Decimal(0));
    r.set("LINETI", Decimal(6));
    r.set("INIFOL", Decimal(0));
    r.set("NRO_LIN", Decimal(60));
    r.set("OPC_TRAN", Decimal(7));
    r.set("compaga", Decimal(1));
    r.set("ImpBem", "1");
    r.set("ImpBal", "1");
    r.set("mosimp", "S");
    r.set("mostel", "S");
    r.set("ult_ter", Decimal(0));
    r.set("ult_mod", Decimal(1));
    r.set("ult_cpf", "");
    r.set("XDRIVE", "C");
    r.set("SOESTE", Decimal(9));
    r.set("OPTTRAN", Decimal(0));
    r.set("ULTBACK", today);
    r.set("OPCIRPF", "J");
    r.set("OPCFIM", Decimal(0));
    r.set("BACKAUTO", "S");
    return r;
}

void take_define(Session& s, const store::Record& define) {
    s.DEFINE = define;
    for (int i = 0; i < 8; ++i) s.ADATVENC[i] = define.date("VCTO" + std::to_string(i + 1));
    s.NVALDOLAR = define.num("VAL_DOLAR");
    s.CVALDOLAR = pad_left(s.NVALDOLAR.to_string(4), 6);
}

bool correct_define(store::Record& define) {
    bool changed = false;
    // The due dates as a new office record has them; 31/10/2026, which earlier starts wrote for
    // the sixth quota, is a Saturday: the last business day of October is the 30th.
    const store::Record defaults = store::initial_rows(43).at(0);
    if (define.date("VCTO1") == Date(NANOATUAL, 5, 30)) {
        for (int i = 1; i <= 8; ++i)
            define.set("VCTO" + std::to_string(i), defaults.date("VCTO" + std::to_string(i)));
        changed = true;
    }
    if (define.date("VCTO6") == Date(NANOATUAL, 10, 31)) {
        define.set("VCTO6", defaults.date("VCTO6"));
        changed = true;
    }
    if (define.num("VAL_DOLAR") == Decimal::from("6.1917")) {
        define.set("VAL_DOLAR", Decimal::from("5.5018"));
        changed = true;
    }
    return changed;
}

void take_config(Session& s, const store::Record& config) {
    s.CONFIG = config;
    s.set_data_folder(config.str("ROTADOANO"));
    s.DIRORIG = s.LOCARQ;
    s.set_work_folder(config.str("dirtrab"));
    s.NOMEAG = trim(config.str("NOMEAG"));
    if (s.NOMEAG.empty()) s.NOMEAG = "USUARIO DO TERMINAL " + s.NUSU;
    s.ULT_CPF = config.str("ult_cpf");
    s.CPF = s.ULT_CPF;
    s.refresh_irpf_folder();
}

}  // namespace vorn::shell
