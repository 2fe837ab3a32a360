// The calc batch command: loads declarations read-only, runs the whole computation and prints
// the summary lines.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "shell/commands.h"
#include "store/env.h"
#include "tax/annual.h"
#include "tax/folder.h"

namespace vorn {
namespace {

constexpr const char* kUsage =
    "uso: vorn2026 calc --folder PASTA (--cpf CPF | --all) [--now \"AAAA-MM-DD HH:MM:SS\"] "
    "[--install PASTA]";

int fail(const std::string& message) {
    std::cerr << "vorn2026 calc: " << message << "\n";
    return 1;
}

// Tells the computation's notices on standard error and answers every question with its default:
// a batch run never waits for anyone.
class BatchOperator final : public Operator {
  public:
    std::string cpf;
    void notice(NoticeKind, std::string_view, std::string_view text) override { tell(text); }
    bool yes_no(std::string_view, std::string_view text, bool default_yes) override {
        tell(text);
        return default_yes;
    }
    int choose(std::string_view, std::string_view text, const std::vector<std::string>&,
               int default_button) override {
        tell(text);
        return default_button;
    }
    void status(std::string_view) override {}
    void progress(std::string_view) override {}
    void progress_done() override {}
    bool esc_pressed() override { return false; }
    void pause(double) override {}

  private:
    void tell(std::string_view text) {
        std::string line(text);
        for (size_t p; (p = line.find('\n')) != std::string::npos;) line.replace(p, 1, " / ");
        std::cerr << "vorn2026 calc: CPF " << cpf << ": " << line << "\n";
    }
};

struct Options {
    std::string folder, cpf, install;
    bool all = false;
    std::optional<DateTime> now;
};

std::optional<std::string> parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--all") {
            o->all = true;
        } else if (a == "--folder" || a == "--cpf" || a == "--now" || a == "--install") {
            const char* v = value();
            if (v == nullptr) return a + " sem valor";
            if (a == "--folder") o->folder = v;
            if (a == "--install") o->install = v;
            if (a == "--cpf") {
                for (const char* p = v; *p; ++p)
                    if (*p >= '0' && *p <= '9') o->cpf += *p;
                if (o->cpf.size() != 11) return std::string("CPF inválido: ") + v;
            }
            if (a == "--now") {
                o->now = parse_datetime(v);
                if (!o->now) return std::string("data e hora inválidas: ") + v;
            }
        } else {
            return "argumento desconhecido: " + a;
        }
    }
    if (o->folder.empty() || o->all == !o->cpf.empty()) return std::string(kUsage);
    if (o->install.empty()) {
        // The installation directory: DIR2026 when it names a folder, else the current one.
        const char* dir = std::getenv("DIR2026");
        o->install = dir != nullptr && store::Env::posix().is_directory(dir) ? dir : ".";
    }
    return std::nullopt;
}

// The lines printed for each declaration, in this order.
std::vector<std::string> output_names() {
    std::vector<std::string> names;
    for (int k = 1; k <= 51; ++k) names.push_back("I13_" + tax::two_digits(k));
    for (int k = 1; k <= 26; ++k) names.push_back("I3_" + tax::two_digits(k));
    for (int k = 1; k <= 15; ++k) names.push_back("I4_" + tax::two_digits(k));
    for (const char* n :
         {"USAPADRAO", "DESPADRAO", "DESCON", "NCOMPL", "NSIMPL", "NILEI14754", "BASE14754",
          "QTD_QUOTA", "IMPPGRE", "RECEITA", "DESPESA", "SALDO", "INDGAS"})
        names.push_back(n);
    return names;
}

// Values of the computation that are not fields of the declaration's records.
struct WorkValue {
    const char* name;
    Decimal tax::Work::*member;
};
constexpr WorkValue kWorkValues[] = {
    {"DESCON", &tax::Work::DESCON},   {"NCOMPL", &tax::Work::NCOMPL},
    {"NSIMPL", &tax::Work::NSIMPL},   {"NILEI14754", &tax::Work::NILEI14754},
    {"RECEITA", &tax::Work::RECEITA}, {"DESPESA", &tax::Work::DESPESA},
};

// The declaration's lines, each value in its field's form: numbers with the field's decimals
// (QTD_QUOTA=8, I13_20=12345.67), text as typed; values of the computation that are no field are
// amounts of the summary's width. A number too wide for its field is an error naming it.
Status print(const tax::Declaration& d, const std::vector<std::string>& names, std::string& out) {
    std::string lines = "CPF=" + d.cpf() + "\n", v;
    for (const auto& n : names) {
        const WorkValue* work = nullptr;
        for (const auto& wv : kWorkValues)
            if (n == wv.name) work = &wv;
        if (work != nullptr) {
            const store::FieldDef amount{n, store::FieldType::kNumeric, 15, 2};
            if (Status s = tax::number_in_field(amount, d.work.*(work->member), &v); !s) return s;
        } else if (const store::FieldDef& f = d.field(n); f.type == store::FieldType::kNumeric) {
            if (Status s = tax::number_in_field(f, d.num(n), &v); !s) return s;
        } else {
            v = d.str(n);
        }
        lines += n + "=" + v + "\n";
    }
    out += lines;
    return Status::ok();
}

}  // namespace

int run_calc_command(int argc, char** argv) {
    Options o;
    if (auto error = parse(argc, argv, &o)) return fail(*error);
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);

    tax::FolderReader folder;
    if (Status s = tax::FolderReader::read(env, o.folder, o.cpf, &folder); !s)
        return fail(s.message());
    if (!o.all && !folder.has(o.cpf))
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);
    tax::InterestTable selic;
    if (Status s = tax::read_interest_table(env, o.install, &selic); !s)
        std::cerr << "vorn2026 calc: tabela da Selic ilegível, juros sem Selic: " << s.message()
                  << "\n";

    SystemClock system_clock;
    std::optional<ManualClock> fixed;
    if (o.now) fixed.emplace(*o.now);
    const Clock& clock = fixed ? static_cast<const Clock&>(*fixed) : system_clock;

    BatchOperator op;
    const std::vector<std::string> names = output_names();
    std::string out;
    for (const auto& cpf : folder.cpfs()) {
        op.cpf = cpf;
        tax::Declaration d = folder.declaration(cpf);
        tax::Context c{d, op, clock, selic};
        tax::compute_declaration(c);
        Status s = tax::check_field_widths(d);
        if (s) s = print(d, names, out);
        if (!s) return fail("CPF " + cpf + ": " + s.message());
        if (out.size() > (1 << 20)) {
            std::cout << out;
            out.clear();
        }
    }
    std::cout << out << std::flush;
    return std::cout ? 0 : fail("erro ao escrever a saída");
}

}  // namespace vorn
