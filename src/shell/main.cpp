// vorn2026: the program's entry point. A batch command named by the first argument runs without a
// screen; otherwise the program runs on the terminal, or headless from a key script:
//   vorn2026 [NN] [--keys FILE [--screens OUT] [--now "YYYY-MM-DD HH:MM:SS"]]
// Exit status: 0 normal end, 1 failure, 2 bad command line or key script, 3 key script ran out
// while the program waited for a key.
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/text.h"
#include "shell/commands.h"
#include "shell/install.h"
#include "shell/program.h"
#include "ui/headless.h"
#include "ui/terminal.h"

namespace {

using Args = std::vector<std::string>;

int print_version(const Args&) {
    std::cout << "VORN2026 " << vorn::trim(vorn::shell::VERSAO) << "\n";
    return 0;
}

// Batch commands: the first argument names one; it gets the arguments after the name.
struct Command {
    std::string_view name;
    int (*run)(const Args&);
};
int install(const Args& args) {
    Args with_name{"install"};
    with_name.insert(with_name.end(), args.begin(), args.end());
    return vorn::shell::run_install(with_name);
}

// A batch verb called as its own command line: the verb, then the arguments after it.
int with_verb(int (*run)(int, char**), const char* verb, const Args& args) {
    std::vector<char*> argv{const_cast<char*>(verb)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    return run(static_cast<int>(argv.size()), argv.data());
}

int calc(const Args& args) {
    return with_verb(vorn::run_calc_command, "calc", args);
}

int recalc(const Args& args) {
    return with_verb(vorn::run_recalc_command, "recalc", args);
}

int post(const Args& args) {
    return with_verb(vorn::run_post_command, "post", args);
}

int render(const Args& args) {
    return with_verb(vorn::run_render_command, "render", args);
}

int check(const Args& args) {
    return with_verb(vorn::run_check_command, "check", args);
}

int corrected(const Args& args) {
    return with_verb(vorn::run_corrected_command, "corrigido", args);
}
int document(const Args& args) {
    return with_verb(vorn::run_document_command, "document", args);
}

int handover(const Args& args) {
    return with_verb(vorn::run_handover_command, "handover", args);
}

int print(const Args& args) {
    return with_verb(vorn::run_print_command, "print", args);
}

int gains(const Args& args) {
    return with_verb(vorn::run_gains_command, "gains", args);
}

int backup(const Args& args) {
    return with_verb(vorn::run_backup_command, "backup", args);
}

int restore(const Args& args) {
    return with_verb(vorn::run_restore_command, "restore", args);
}

int lcdpr(const Args& args) {
    return with_verb(vorn::run_lcdpr_command, "lcdpr", args);
}

int remessa(const Args& args) {
    return with_verb(vorn::run_remessa_command, "remessa", args);
}

int fees(const Args& args) {
    return with_verb(vorn::run_fees_command, "fees", args);
}

int letter(const Args& args) {
    return with_verb(vorn::run_letter_command, "letter", args);
}

int import_files(const Args& args) {
    return with_verb(vorn::run_import_command, "import", args);
}

int darf(const Args& args) {
    return with_verb(vorn::run_darf_command, "darf", args);
}

constexpr Command kCommands[] = {
    {"--version", print_version},
    {"install", install},
    {"calc", calc},
    {"recalc", recalc},
    {"post", post},
    {"render", render},
    {"corrigido", corrected},
    {"print", print},
    {"gains", gains},
    {"darf", darf},
    {"lcdpr", lcdpr},
    {"import", import_files},
    {"document", document},
    {"handover", handover},
    {"check", check},
    {"backup", backup},
    {"restore", restore},
    {"remessa", remessa},
    {"fees", fees},
    {"letter", letter},
};

int usage(const std::string& problem) {
    std::cerr << "vorn2026: " << problem << "\n"
              << "uso: vorn2026 [NN] [--keys ARQUIVO [--screens SAIDA] [--now \"AAAA-MM-DD "
                 "HH:MM:SS\"]]\n";
    return 2;
}

struct Options {
    vorn::shell::ProgramArgs program;
    std::optional<std::string> keys, screens, now;
};

// nullopt after reporting a bad command line.
std::optional<Options> parse(const Args& args) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::optional<std::string>& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        bool digits = !a.empty() && a.size() <= 2;
        for (char c : a) digits = digits && std::isdigit(static_cast<unsigned char>(c));
        if (a == "--keys") {
            if (!value(o.keys)) return usage("--keys sem o arquivo"), std::nullopt;
        } else if (a == "--screens") {
            if (!value(o.screens)) return usage("--screens sem o arquivo"), std::nullopt;
        } else if (a == "--now") {
            if (!value(o.now)) return usage("--now sem a data e hora"), std::nullopt;
        } else if (digits && o.program.terminal.empty()) {
            o.program.terminal = a.size() == 1 ? "0" + a : a;
        } else {
            return usage("argumento desconhecido: " + a), std::nullopt;
        }
    }
    if (!o.keys && (o.screens || o.now))
        return usage("--screens e --now só valem com --keys"), std::nullopt;
    return o;
}

int run_headless(const Options& o) {
    std::ifstream in(*o.keys, std::ios::binary);
    if (!in) return usage("não foi possível ler o roteiro de teclas " + *o.keys);
    std::stringstream text;
    text << in.rdbuf();
    vorn::ui::KeyScript script = vorn::ui::parse_key_script(text.str());
    if (!script.ok()) {
        std::cerr << "vorn2026: " << *o.keys << ":" << script.error_line << ": " << script.error
                  << "\n";
        return 2;
    }
    vorn::DateTime start = vorn::SystemClock().now();
    if (o.now) {
        auto t = vorn::parse_datetime(*o.now);
        if (!t) return usage("--now inválido: " + *o.now);
        start = *t;
    }
    std::ofstream file;
    if (o.screens) {
        file.open(*o.screens, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << "vorn2026: não foi possível criar " << *o.screens << "\n";
            return 1;
        }
    }
    vorn::ManualClock clock(start);
    vorn::ui::HeadlessBackend backend(std::move(script.steps), clock, o.screens ? file : std::cout);
    vorn::ui::Screen screen(backend, clock);
    try {
        return vorn::shell::run_program(screen, o.program);
    } catch (const vorn::ui::ScriptEnded&) {
        return 3;
    }
}

int run_terminal(const Options& o) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        std::cerr
            << "vorn2026: o programa precisa de um terminal (ou de --keys para rodar sem tela)\n";
        return 1;
    }
    vorn::SystemClock clock;
    vorn::ui::TerminalBackend backend;
    vorn::ui::Screen screen(backend, clock);
    return vorn::shell::run_program(screen, o.program);
}

}  // namespace

int main(int argc, char** argv) {
    Args args(argv + 1, argv + argc);
    if (!args.empty())
        for (const auto& c : kCommands)
            if (args[0] == c.name) return c.run(Args(args.begin() + 1, args.end()));
    auto options = parse(args);
    if (!options) return 2;
    try {
        return options->keys ? run_headless(*options) : run_terminal(*options);
    } catch (const std::exception& e) {
        std::cerr << "vorn2026: erro interno: " << e.what() << "\n";
        return 1;
    }
}
