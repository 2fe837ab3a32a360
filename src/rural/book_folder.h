// Reading the rural tables of a data folder without changing any file, for the batch commands.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/decimal.h"
#include "base/status.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::rural {

// One declarant's records of the tables the rural result and book read, live records only, in
// record order (catalogue layouts, fields taken by name).
struct RuralTables {
    store::Record registry;                 // table 9
    store::Record summary;                  // table 1
    std::vector<store::Record> results;     // table 15, one per country
    std::vector<store::Record> properties;  // table 16
    std::vector<store::Record> assets;      // table 17
    std::vector<store::Record> debts;       // table 18
    std::vector<store::Record> entries;     // table 19
    std::vector<store::Record> accounts;    // table 21
};

// The declarants of the registry (table 9) in record order; kNotFound when the folder has no
// registry.
[[nodiscard]] Status registry_cpfs(store::Env& env, const std::string& folder,
                                   std::vector<std::string>* out);

// The rural tables of the CPFs in `cpfs`, each table read once. A CPF without a registry record
// is left out of `out`. kNotFound when the registry or summary table is missing; a missing rural
// table reads as empty.
[[nodiscard]] Status read_rural_tables(store::Env& env, const std::string& folder,
                                       const std::set<std::string>& cpfs,
                                       std::map<std::string, RuralTables>* out);

// The rural result records (table 15) of every declarant of a folder, by CPF, in record order;
// empty when the folder has no such table.
[[nodiscard]] Status read_rural_results(store::Env& env, const std::string& folder,
                                        std::map<std::string, std::vector<store::Record>>* out);
// The office's dollar rate (DEFINE's VAL_DOLAR) in an installation directory; 0 when it has no
// such table.
[[nodiscard]] Status read_dollar_rate(store::Env& env, const std::string& install_dir,
                                      Decimal* out);

// The municipality codes of the installation's table (TABMUNI): UF → name in upper case without
// accents → code. kNotFound when the installation has no such table.
using MunicipalityCodes = std::map<std::string, std::map<std::string, std::string>>;
[[nodiscard]] Status read_municipality_codes(store::Env& env, const std::string& install_dir,
                                             MunicipalityCodes* out);
// A city looked up by name and UF, whatever its accents and case.
std::optional<std::string> municipality_code(const MunicipalityCodes& codes,
                                             const std::string& city, const std::string& uf);

// The Brazilian and abroad result records of a declarant (table 15), when present.
const store::Record* result_of(const RuralTables& t, bool brazil);
// The records of a list that belong to one country.
std::vector<store::Record> of_country(const std::vector<store::Record>& list, bool brazil);

}  // namespace vorn::rural
