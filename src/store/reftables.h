// The reference tables delivered with the installation: their field layouts (which the catalogue
// takes from here) and their rows, read from the readable CSV sources kept with the program
// (data/ref and data/irpf; data/README.md describes every table).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/status.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::store {

// The compact field list ("CDCONTA C4, PAGINA N2.0, ...") of reference table `number`, or an
// empty view when the number is not a reference table.
std::string_view reference_fields(int number);

// One file of the delivered set: table `number` under the base name `file` ("BANCOS";
// "ECACIDAD" and "IDOCIDAD" share table 75). `memos` is filled only for HELPTXT: the text of
// each row's memo field, in row order.
struct ReferenceFile {
    int number = 0;
    std::string file;
    std::vector<Record> rows;
    std::vector<std::string> memos;
};

// Every delivered table: the reference tables of the catalogue and the error catalogue LisErro,
// in table-number order.
std::vector<int> delivered_tables();

// Whether the office keeps this table up to date itself (UFIRM: rates typed or downloaded;
// CONTAS: the chart of accounts can be edited): reinstalling keeps its rows and only adds
// the keys it lacks.
bool office_maintained(int number);

// Reads the sources under `data_dir` (the folder holding ref/ and irpf/) into the rows of every
// delivered file. A missing or malformed source is Code::kNotFound / kInvalid naming the file
// and line; nothing is partly returned.
[[nodiscard]] Status load_reference_files(const std::string& data_dir,
                                          std::vector<ReferenceFile>* out);

// The file name of a delivered table on disk: the base name in upper case + ".DBF" ("LISERRO.DBF").
std::string reference_dbf_name(const ReferenceFile& f);

// Writes every file into the existing folder `dir`, replacing what is there: one DBF per file,
// for HELPTXT its dBASE III memo file (".DBT", 512-byte blocks, each text ended by 0x1A), and
// the table's index files (".CDX", one tag each, named after its file).
[[nodiscard]] Status write_reference_files(Env& env, const std::vector<ReferenceFile>& files,
                                           const std::string& dir, const Clock* clock);

// Builds the index files of table `number` beside its file `dbf`, replacing those there: one
// file per index of the catalogue, one tag each, named after its file, over every record.
[[nodiscard]] Status build_reference_indexes(Env& env, const std::string& dbf, int number);

// Splits CSV text (RFC 4180: comma separated, fields in double quotes may hold commas, quotes
// doubled and line breaks) into rows of fields. Lines may end in LF or CRLF. An unterminated
// quote is Code::kInvalid.
[[nodiscard]] Status parse_csv(std::string_view text, std::vector<std::vector<std::string>>* rows);

}  // namespace vorn::store
