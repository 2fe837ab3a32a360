// The digital rural cash book (LCDPR): a text file of "|"-separated records, CR LF ended, built
// in memory from the declaration's identification, its Brazilian rural properties, bank
// accounts, cash-book entries, monthly totals and accountant, then written in one piece.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "store/record.h"

namespace vorn::rural {

struct LcdprSources {
    store::Record registry;                 // table 9: identification and address
    store::Record summary;                  // table 1: the estate and departure flags
    store::Record result;                   // table 15, the Brazilian record
    std::vector<store::Record> properties;  // table 16, Brazilian activity
    std::vector<store::Record> accounts;    // table 21, in record order
    std::vector<store::Record> entries;     // table 19, Brazilian activity
};

// The municipality code of a city of a state, or nullopt when the city is unknown.
using MunicipalityLookup =
    std::function<std::optional<std::string>(const std::string& city, const std::string& uf)>;

// The file name of a declarant's book.
std::string lcdpr_file_name(const std::string& cpf);

// Builds the whole file. On a stop `stop` holds the operator's text and `out` is left empty.
void build_lcdpr(const LcdprSources& src, const MunicipalityLookup& municipality, std::string* out,
                 std::string* stop);

// Entries dated outside 2025, which the book cannot hold.
int entries_outside_year(const std::vector<store::Record>& entries);
// Moves each entry dated outside 2025 to the same day and month of 2025 (29 February to 28
// February); returns how many moved.
int move_into_year(std::vector<store::Record>& entries);

// Writes `content` as `path` through a temporary file in the same folder renamed over it, so a
// failed write keeps any earlier file. `message` is "Arquivo " + path + " gerado com sucesso."
// or the file-error text.
[[nodiscard]] Status write_lcdpr(const std::string& path, const std::string& content,
                                 std::string* message);

// The file-error text for an operating-system error number while writing `name`.
std::string file_error_text(int err, const std::string& name);

}  // namespace vorn::rural
