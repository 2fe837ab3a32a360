// Batch commands of the program, run from the command line without the terminal screens.
#pragma once

namespace vorn {

// vorn2026 calc --folder DIR (--cpf CPF | --all) [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// Computes declarations of a data folder as the summary screen does, changing no file, and
// prints NAME=value lines. argv[0] is "calc". Returns the exit status: 0, or 1 after a message on
// standard error (unknown folder or CPF, unreadable table, bad arguments).
int run_calc_command(int argc, char** argv);

// vorn2026 gains --folder DIR (--cpf CPF | --all) [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// Computes the capital gains of declarations of a data folder from their stored records (tables
// 7 and 8), changing no file: per declaration "CPF=", per gain a block from "BEM_NRO=" (G, R,
// FATOR1, FATOR2, VAL_NAOTRI, VAL_TRIBU, VAL_IMPOSV, PERIMP, PER_TRI and "MESmm=received;taxable;
// tax" for each month with a receipt), then per person and kind of variable income "RVAR=K
// CPF_DEPE=cpf" and its non-zero statement lines "LINHAnn=jan;...;dec". What the computation
// tells goes to standard error. Returns 0, or 1 after a message on standard error.
int run_gains_command(int argc, char** argv);

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

// vorn2026 print --folder DIR (--cpf CPF | --all | --marked) --pages N [--txt FILE] [--pdf FILE]
// [--per-cpf DIR] [--lines N] [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// The declaration printout of the page choice N (1 to 11 of the print selection) for one client,
// every client or the clients marked in the registry, read without changing the folder: the print
// file the print menu writes ("NAO DOS" channel, N lines a page, 60 by default) to FILE or to
// standard output, its PDF, and with --per-cpf each client's copy and its PDF in DIR. Returns 0,
// or 1 after a message on standard error (unknown folder or CPF, bad arguments).
int run_print_command(int argc, char** argv);
// vorn2026 darf --folder DIR (--cpf CPF | --all) --kind K [--from N --to M] [--gain N]
//               [--pay DD/MM/YYYY] [--out DIR] [--now "YYYY-MM-DD HH:MM:SS"] [--install DIR]
// The DARFs of kind K (1 to 8 or 11; --gain names the capital gain of kind 3) of the folder's
// declarations, each computed as calc does, as text files in DIR (default: the current folder),
// changing no file of the folder. One line per DARF: "CPF<TAB>file<TAB>principal<TAB>fine<TAB>
// interest<TAB>total"; a declaration with nothing to pay is told on standard error with the
// reason. With --schedule instead of --kind: "CPF QTD_QUOTA=n 1=dd/mm/yyyy:value ..." per
// declaration. Returns 0, or 1 after a message on standard error.
int run_darf_command(int argc, char** argv);
// vorn2026 document --folder DIR (--cpf CPF | --all) --out DIR [--now "YYYY-MM-DD HH:MM:SS"]
// [--install DIR]
// Computes declarations read-only and writes each one's document for the government program as
// OUT/CPF-0000000000.xml, changing nothing in the data folder. The namespace comes from the
// government program's files in VORN_IRPF_DIR, else from VORN_IRPF_XMLNS. One line "CPF FILE"
// per document, then one "CPF aviso|omitido|cortado: text" per warning, drop or cut. Returns 0,
// or 1 after a message on standard error (also when any declaration could not be written).
int run_document_command(int argc, char** argv);
// vorn2026 check --folder DIR (--cpf CPF | --all) [--record] [--now "YYYY-MM-DD HH:MM:SS"]
//                [--install DIR]
// The consistency check of the folder's declarations, read-only: for each declaration a line per
// finding "CPF;CODE;GRAU;PAGINA;TELA;TEXT" (GRAU 0: recorded without counting), then
// "CPF=… ERROS=n PERIGOS=n ATENCOES=n". With --record the findings replace the declaration's
// earlier check results in the folder's notes table; one open on a terminal is left alone and
// named. Returns 0, 2 when any declaration has errors, 1 after a message on standard error.
int run_check_command(int argc, char** argv);

// vorn2026 handover --folder DIR (--cpf CPF | --all) [--yes] [--status N] [--now ...]
// [--install DIR], or --folder DIR --rebuild-list
// Hands declarations of a data folder over to the government declaration program whose
// declaration folder VORN_IRPF_DIR names: each read read-only and computed, its document placed
// with its hash file, and only then its registry record given the delivery date (and the status N
// with --status). One line per CPF: "CPF transferida" or "CPF não transferida: reason", besides the
// document's warnings, drops and cuts. The questions answer "N" unless --yes. --rebuild-list
// rebuilds that program's list of declarations. Returns 0; 1 when any hand-over failed or after
// a message on standard error.
int run_handover_command(int argc, char** argv);

// vorn2026 backup --folder DIR --to DIR
// The compressed backup of a data folder's declaration tables into DIR/IR_ZIP26.zip with the
// archiver (VORN_ARCHIVER, else 7z), each table copied under its lock; the old archive is replaced
// only by a new one the archiver has tested. Prints the archive's path; returns 0, or 1 after a
// message on standard error (the old archive untouched). With VORN_OFFSITE set, that program is
// then run with the new archive's path; its failure is told and returns 1 (the archive stays).
int run_backup_command(int argc, char** argv);

// vorn2026 restore --from DIR --folder DIR [--now "YYYY-MM-DD HH:MM:SS"]
// Restores DIR/IR_ZIP26.zip into the data folder: every table or none, the tables replaced kept
// in a dated safety folder, their indexes rebuilt at the next opening. Refused while another
// terminal uses a table of the folder. Returns 0, or 1 after a message on standard error.
int run_restore_command(int argc, char** argv);

// vorn2026 lcdpr --folder DIR (--cpf CPF | --all) [--out DIR] [--now "YYYY-MM-DD HH:MM:SS"]
// [--install DIR]
// Writes the digital rural cash book "LCDPR26-" + CPF + ".txt" of each declarant whose Brazilian
// rural activity is entered as LCDPR into DIR (default: the installation directory), reading the
// data folder without changing it; an entry dated outside 2025 stops the book (nothing is moved).
// One line per CPF: "CPF path" or "CPF text" of what stopped it (with --cpf, also a declarant who
// keeps no digital book). Returns 0; 1 when any book stopped or after a message on standard error.
int run_lcdpr_command(int argc, char** argv);

// vorn2026 remessa [--install DIR] [--folder DIR]... [--now "YYYY-MM-DD HH:MM:SS"]
// Writes the office's registered collection slips (BOLETO) into the bank's remittance file "C" +
// yymmdd + letter + ".txt" in the installation directory and empties BOLETO, as the slips menu's
// option 5 does; the payers' addresses come from the registries of the folders named, else of the
// folders the terminals list. Prints "Arquivo PATH gerado com sucesso."; a payer found in no
// folder is named on standard error (its slip is written with a blank address). Returns 0, or 1
// after a message on standard error (no slips, bank data or a slip the bank would refuse, BOLETO
// in use): then nothing is written and the slips stay.
int run_remessa_command(int argc, char** argv);

// vorn2026 fees --folder DIR [--marked] [--install DIR] [--txt FILE]
// The fee report of the data folder (only the clients marked for printing with --marked), as print
// item 11 prints it, with the office's rates of the installation: ISO-8859-1 text with its page
// breaks, into FILE or on standard output. Returns 0, or 1 after a message on standard error.
int run_fees_command(int argc, char** argv);

// vorn2026 letter --folder DIR --letter FILE (--cpf CPF | --marked | --all) [--install DIR]
//                 [--txt OUT]
// The letter FILE of the data folder (".txt" added to a name without extension) merged with the
// registry of the client with that CPF, of the clients marked for printing, or of every client
// (in name order), each on new pages, with the fees of the installation's rates: ISO-8859-1 text
// with its page breaks, into OUT or on standard output. A page header that cannot be used is
// named on standard error and the default page is used. Returns 0, or 1 after a message on
// standard error (no such letter, CPF or folder, nobody to print).
int run_letter_command(int argc, char** argv);

// vorn2026 import --folder DIR --from DIR --kind KIND (--all | --cpf CPF ...) [--check]
//                 [--answer S|N] [--install DIR] [--now "YYYY-MM-DD HH:MM:SS"]
// Takes the files of kind KIND in the source folder into the declarations of the data folder:
// 11 the rural cash-book program's export or backup ("EXPORTA-IRPF2026" or "COPIA-SEG" from the
// name's 30th character, the declarant in record "01"), replacing the book of the activity in
// Brazil; 20.1 / 20.2 "Bens*.txt" asset lists (real estate only / every asset), 21 "Bens*.xml", 23
// CPF + "Leao.txt" books of income from individuals, 24 LCDPR books (--answer N takes only the
// cash book, S, the default, the properties too), 26 "*xml.XML" income statements; 22 copies last
// year's "aux*.DBF" and "status*.DBF" tables into the installation directory instead (without
// --all or --cpf), leaving one another terminal has open as it is. Each file is
// checked whole before anything is written, and its taxpayer's changes are saved together as a
// declaration is saved; --check writes nothing. Files whose CPF has no declaration (but LCDPR
// books, which make one) are named as passed over. One line per file: "CPF FILE: importado (...)",
// "Já existente (...)", "recusado: linha N: reason", "em uso no terminal NN". Returns 0; 2 when
// any file was refused, 4 when one was left for being in use, 1 after a message on standard error.
int run_import_command(int argc, char** argv);

}  // namespace vorn
