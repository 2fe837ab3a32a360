// Sending a finished print file: the copies, the PDF and the programs of each channel.
#include "printing/channels.h"

#include <sstream>

#include "base/text.h"
#include "printing/pdf.h"
#include "printing/print_file.h"
#include "printing/printer_record.h"

namespace vorn::printing {
namespace {

std::vector<std::string> words(std::string_view s) {
    std::vector<std::string> out;
    std::istringstream in{std::string(s)};
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string replace_all(std::string s, std::string_view what, const std::string& with) {
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + with.size()))
        s.replace(at, what.size(), with);
    return s;
}

// The printer failure's texts, with what went wrong under them.
void tell_failure(Operator& op, const Status& s, const std::string& path) {
    op.notice(NoticeKind::kError, "",
              "ATENÇÃO !!! Não foi possível iniciar a impressão\n"
              "Verifique se a Impressora está ligada.\n" +
                  s.message() + "\nO arquivo " + path + " foi mantido.");
}

Status run_lent(Outside& o, const std::vector<std::string>& argv) {
    auto run = [&] { return o.processes.run(argv); };
    return o.lend_terminal ? o.lend_terminal(run) : run();
}

Sent external_program(const std::string& text, const std::string& path, const std::string& name,
                      const Channel& c, Outside& o) {
    const std::string txt = c.folder + name + ".txt";
    const std::string pdf = c.folder + name + ".pdf";
    Status s = publish_bytes(text, txt);
    if (s && c.commands.program.find("{pdf}") != std::string::npos) s = write_pdf(text, name, pdf);
    if (s) {
        auto argv = program_arguments(c.commands.program, txt, pdf, c.show_text, c.show_printers);
        s = run_lent(o, argv);
    }
    if (s) return Sent::kSent;
    tell_failure(o.op, s, path);
    return Sent::kFailed;
}

Sent editor(const std::string& text, const std::string& path, const std::string& name,
            const Channel& c, Outside& o) {
    std::string plain;
    for (char ch : text)
        if (ch != kCondensed && ch != kNormal) plain += ch;
    const std::string copy = c.folder + name + ".txt";
    Status s = publish_bytes(from_latin1(plain), copy);
    if (s) {
        auto argv = words(c.commands.editor);
        argv.push_back(copy);
        s = run_lent(o, argv);
    }
    if (s) return Sent::kSent;
    tell_failure(o.op, s, path);
    return Sent::kFailed;
}

Sent printer(const std::string& queue, const std::string& text, const std::string& path,
             const std::string& name, const Channel& c, Outside& o) {
    const std::string pdf = c.folder + name + ".pdf";
    Status s = write_pdf(text, name, pdf);
    if (s && c.show_text) {
        Status v = run_lent(o, {c.commands.viewer, pdf});
        if (!v) o.op.notice(NoticeKind::kWarning, "", v.message());
    }
    if (s) {
        auto argv = words(c.commands.lp);
        for (const std::string& a : {std::string("-d"), queue, std::string("-t"), name, pdf})
            argv.push_back(a);
        s = o.processes.run(argv);
    }
    if (s) return Sent::kSent;
    tell_failure(o.op, s, path);
    return Sent::kFailed;
}

}  // namespace

Commands Commands::from(
    const std::function<std::optional<std::string>(std::string_view)>& variable) {
    Commands c;
    auto take = [&](std::string_view name, std::string* into) {
        const std::string v = trim(variable(name).value_or(""));
        if (!v.empty()) *into = v;
        return !v.empty();
    };
    take("VORN_LP", &c.lp);
    take("VORN_LPSTAT", &c.lpstat);
    take("VORN_VIEWER", &c.viewer);
    // Without a program of its own the external channel prints the PDF with the print command.
    if (!take("VORN_NAODOS", &c.program)) c.program = c.lp + " {pdf}";
    if (!take("VORN_EDITOR", &c.editor)) take("EDITOR", &c.editor);
    return c;
}

std::string copy_name(std::optional<int> queimp, std::string_view cpf, std::string_view year,
                      std::string_view letters_name) {
    const std::string id = std::string(year) + "-" + std::string(cpf);
    std::string name;
    if (!queimp) {
        name = cpf;
    } else if (*queimp == 3) {
        name = "ARural-" + id;
    } else if (*queimp == 4 || *queimp == 10) {
        name = "LCaixa-" + id;
    } else if (*queimp == 9) {
        name = "Anota-" + id;
    } else if (*queimp == 5) {
        name = letters_name;
    } else {
        name = "Decla-" + id;
    }
    for (char& ch : name)
        if (ch == '/' || static_cast<unsigned char>(ch) < 0x20) ch = '_';
    return name;
}

std::vector<std::string> program_arguments(std::string_view tmpl, const std::string& txt,
                                           const std::string& pdf, bool preview, bool select) {
    std::vector<std::string> flags = {"96"};
    if (preview || select) flags.push_back(preview && select ? "pre/sel" : preview ? "pre" : "sel");
    std::vector<std::string> out;
    for (const std::string& w : words(tmpl)) {
        if (w == "{flags}") {
            out.insert(out.end(), flags.begin(), flags.end());
            continue;
        }
        std::string a = replace_all(w, "{txt}", txt);
        a = replace_all(a, "{pdf}", pdf);
        out.push_back(replace_all(a, "{flags}", flags.size() > 1 ? "96 " + flags[1] : "96"));
    }
    return out;
}

std::string without_trailing_form_feed(std::string_view latin1) {
    std::string out(latin1);
    size_t k = out.size();
    while (k > 0 && (out[k - 1] == '\n' || out[k - 1] == '\r' || out[k - 1] == ' ' ||
                     out[k - 1] == kFormFeed)) {
        if (out[k - 1] == kFormFeed) out[k - 1] = ' ';
        --k;
    }
    return out;
}

Sent IMP_TXT(const std::string& path, const std::string& name, const Channel& channel,
             Outside& outside) {
    std::string text;
    if (!read_whole(path, &text) || text.empty()) {
        if (channel.tell_empty) outside.op.notice(NoticeKind::kWarning, "", "Nada para imprimir!!");
        return Sent::kNothing;
    }
    text = without_trailing_form_feed(text);
    std::string chosen = channel.printer;
    const bool is_queue = chosen != kExternalProgram && chosen != kNoPrinter;
    if (is_queue && channel.show_printers && outside.choose_printer)
        chosen = outside.choose_printer();
    if (chosen == kExternalProgram) return external_program(text, path, name, channel, outside);
    if (chosen == kNoPrinter) return editor(text, path, name, channel, outside);
    return printer(chosen, text, path, name, channel, outside);
}

}  // namespace vorn::printing
