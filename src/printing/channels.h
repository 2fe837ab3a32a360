// The print channels (IMP_TXT): a finished print file goes to a CUPS printer as a PDF (`lp`), to
// the external print program ("NAO DOS"), or to the text editor ("Sem Impressora"). Everything
// outside runs from an argument vector, never through a shell.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/operator.h"
#include "base/process.h"
#include "base/status.h"

namespace vorn::printing {

// The programs the channels start, each configurable by an environment variable.
struct Commands {
    std::string lp = "lp";             // VORN_LP: prints a PDF on a CUPS queue
    std::string lpstat = "lpstat";     // VORN_LPSTAT: lists the queues
    std::string viewer = "xdg-open";   // VORN_VIEWER: shows the PDF before printing (MOSTEL)
    std::string program = "lp {pdf}";  // VORN_NAODOS, else lp + " {pdf}": the external program
    std::string editor = "xdg-open";   // VORN_EDITOR, else EDITOR: the "Sem Impressora" channel

    // The commands as the environment gives them (blank variables count as unset).
    static Commands from(const std::function<std::optional<std::string>(std::string_view)>& var);
};

// How the terminal prints: its channel NOMEIMP and options.
struct Channel {
    std::string printer = "NAO DOS";  // a CUPS queue, "NAO DOS" or "Sem Impressora"
    bool show_printers = false;       // MOSIMP: the printer choice before each print
    bool show_text = false;           // MOSTEL: the text shown before printing
    bool tell_empty = false;          // QUECON 1: an empty print file is told
    std::string folder;               // LOCTRAB, with its trailing "/": the copies go there
    Commands commands;
};

// What the channels need from the program around them.
struct Outside {
    Processes& processes;
    Operator& op;
    // Runs a program that takes the terminal (editor, viewer, external program); the screen is
    // shown again afterwards. By default it just runs it.
    std::function<Status(const std::function<Status()>&)> lend_terminal;
    // The printer choice asked before printing on a printer (MOSIMP); returns the new choice.
    std::function<std::string()> choose_printer;
};

// The copy's name (IMP_TXT step 1): without a report kind the CPF; by kind QUEIMP 3
// "ARural-YY-CPF", 4 and 10 "LCaixa-YY-CPF", 9 "Anota-YY-CPF", 5 `letters_name` (the letters'
// naming), any other "Decla-YY-CPF", YY the two-digit year. "/" and control characters become "_".
std::string copy_name(std::optional<int> queimp, std::string_view cpf, std::string_view year,
                      std::string_view letters_name = {});

// The external program's argument vector from its template: words split at blanks, "{txt}" the
// text copy, "{pdf}" the PDF, "{flags}" the words "96" and "pre/sel", "pre" or "sel" as the
// preview (MOSTEL) and printer choice (MOSIMP) are set (a word that is only "{flags}" gives
// them as separate arguments).
std::vector<std::string> program_arguments(std::string_view tmpl, const std::string& txt,
                                           const std::string& pdf, bool preview, bool select);

// The text to send: a form feed that ends the file (only line ends or blanks after it) becomes
// a blank, so the last page is not followed by an empty one.
std::string without_trailing_form_feed(std::string_view latin1);

// The result of a print.
enum class Sent { kSent, kNothing, kFailed };

// IMP_TXT: sends print file `path` through the channel, `name` (copy_name) naming its copies
// (folder + name + ".txt" / ".pdf") and the print job. An empty or unreadable file sends nothing
// ("Nada para imprimir!!" when tell_empty). A program that fails is told with the printer
// failure's texts and the print file stays for a later try.
Sent IMP_TXT(const std::string& path, const std::string& name, const Channel& channel,
             Outside& outside);

}  // namespace vorn::printing
