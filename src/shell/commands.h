// Batch commands of the program, run from the command line without the terminal screens.
#pragma once

namespace vorn {

// vorn2026 calc --folder DIR (--cpf CPF | --all) [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// Computes declarations of a data folder as the summary screen does, changing no file, and
// prints NAME=value lines. argv[0] is "calc". Returns the exit status: 0, or 1 after a message on
// standard error (unknown folder or CPF, unreadable table, bad arguments).
int run_calc_command(int argc, char** argv);

// vorn2026 lcdpr --folder DIR (--cpf CPF | --all) [--out DIR] [--now ...] [--install DIR]
// Writes "LCDPR26-" + CPF + ".txt" into --out (else the installation directory) for each
// declarant whose rural book is kept for the LCDPR, changing no table. One line per CPF: the
// success text, or what stopped the file (entries outside 2025 are not moved: they stop it).
// Returns 0; 4 when any file stopped; 1 after a message on standard error.
int run_lcdpr_command(int argc, char** argv);

// vorn2026 recalc --folder DIR (--cpf CPF | --all) [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// Recomputes declarations as their save does and writes back the records whose stored values
// change, skipping those open on a terminal (NUSUAT) or of the protected status (STATRAVA). One
// line per declaration: "CPF IMPPGRE=value USAPADRAO=S|N" and "inalterada", "gravada", "em uso no
// terminal NN" or "protegida". Returns 0; 4 when any declaration was skipped; 1 after a message
// on standard error.
int run_recalc_command(int argc, char** argv);

// vorn2026 post --folder DIR (--cpf CPF | --all) [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// For each declaration with postings (table 13) not yet transferred, neither open on a terminal
// nor protected: marks it open, transfers its postings by the installation's chart of accounts,
// computes it as its save does and saves it with its postings, freeing it. One line per such
// declaration: "CPF IMPPGRE=value USAPADRAO=S|N" and "Feitos N lancamentos" ("Feito 1
// lancamento"), "em uso no terminal NN" or "protegida"; what the transfer tells goes to standard
// error. Returns 0; 4 when any declaration was skipped; 1 after a message on standard error.
int run_post_command(int argc, char** argv);

// vorn2026 render IN.TXT OUT.pdf
// Renders a print file (ISO-8859-1 text with form feeds and the condensed and normal characters)
// as the PDF the printers receive. Returns 0; 1 after a message on standard error; 2 for a bad
// command line.
int run_render_command(int argc, char** argv);

// vorn2026 corrigido --folder DIR [--cpf CPF] [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// The corrected tax of the folder's declarations as F5 of the chooser lists it, changing no file:
// "JUROS=percent", then for each registry record whose balance is not zero "CPF IMPPGRE=value
// QTD_QUOTA=n IMPOSTO=value RESTITU=value CORRIGI=value NAME". Refused before May 2026. Returns 0,
// or 1 after a message on standard error.
int run_corrected_command(int argc, char** argv);

}  // namespace vorn
