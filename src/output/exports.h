// Files exported for other folders, offices and programs: a whole table as delimited text
// (ENV_ARQ), and a taxpayer's assets as a tab-separated text file or an XML list (EXPORTA,
// GRV_BENS).
//
// Delimited text: one line per live record (CR LF), fields separated by commas, text in double
// quotes without its trailing blanks and with an embedded quote doubled (as spreadsheets and CSV
// readers expect), numbers without their leading blanks, dates YYYYMMDD, logicals T or F;
// Windows-1252 like the tables. The asset XML is plain ASCII: accents replaced by the accent
// table, markup characters escaped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::output {

// One record as a line of delimited text (without the line end), in Windows-1252.
std::string delimited_line(const store::Record& r);

// The table a whole-table export writes (kind 1 assets … 7 rural properties) and its file name
// ("Bens.txt", "Divida.txt", "Pagos.txt", "Cadastro.txt", "Bensru.txt", "Dividaru.txt",
// "Imoveis.txt"); 0 and "" for another kind.
int export_table_number(int kind);
std::string export_file_name(int kind);

// ENV_ARQ: every live record of the export's table in the data folder `folder` into
// `to`/the export's file name (assets through their text form, as the asset staging table holds
// them), written beside and renamed. *path receives the file written.
[[nodiscard]] Status export_table(store::Env& env, const std::string& folder, int kind,
                                  const std::string& to, std::string* path);

// The asset staging record (table 78 layout, every field as text) of one asset (table 4).
store::Record asset_text(const store::Record& asset);

// A taxpayer's assets as the tab-separated text file (all assets, or only real estate: old code up
// to 20) and as the XML list.
std::string assets_text_file(const std::vector<store::Record>& assets, bool real_estate_only);
std::string assets_xml_file(const std::vector<store::Record>& assets);

// "Bens" + CPF + the first word of the name, a blank and its last word + ".txt" or ".xml"; only
// letters, digits and blanks of the name are kept, so the file stays in the folder chosen.
std::string assets_file_name(std::string_view cpf, std::string_view name, bool xml);

// EXPORTA per taxpayer: for each CPF of `cpfs` (registered in `folder`), its assets in item order
// as the text file or the XML list, named by assets_file_name, into `to`. *files receives the
// paths written.
[[nodiscard]] Status export_assets(store::Env& env, const std::string& folder,
                                   const std::vector<std::string>& cpfs, const std::string& to,
                                   bool xml, bool real_estate_only,
                                   std::vector<std::string>* files);

}  // namespace vorn::output
