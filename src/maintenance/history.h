// The history of earlier years (ULTANOS): each client's summary of the declarations the government
// program transmitted, read from that program's files of transmitted declarations ("*.DEC", one per
// declaration, in its folder of the year).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/decimal.h"
#include "base/status.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::maintenance {

// The government program's folder of transmitted declarations of `year` ("2024"), from its data
// folder `rotajava` (".../IRPF2026/aplicacao/dados"): the path before "aplicacao" followed by
// "transmitidas", with the year of the "IRPF" + year component replaced (any case; the folder's
// own spelling when it exists). Empty when the path names neither.
std::string transmitted_folder(store::Env& env, std::string_view rotajava, std::string_view year);

// One transmitted declaration's summary, as the history keeps it.
struct PastDeclaration {
    std::string cpf, name, year;   // CPF, NOMECONTR, ANOBASE
    std::string complete, result;  // COMPLETA, RESULTAD
    Decimal TOTRTRIB, TOTRISEN, TOTRTRIE, TOTPAGTO, ABATIMEN, BASECALC, TOTIMPOS, VALIRPF, BENSANA,
        BENSBASE, DIVANA, DIVBASE, ALIQEFET;
};

// Reads a declaration file's header and summary line ("18" or "20"); nullopt with the reason in
// *why for a file that holds neither (an empty one, one cut short, one of another kind).
std::optional<PastDeclaration> read_transmitted(std::string_view bytes, std::string* why);

struct HistoryRun {
    int read = 0;                      // declarations stored
    std::vector<std::string> skipped;  // "file: reason"
};

// BUSCAESTA: every "*.DEC" of the year's folder, oldest first (a rectification, written later,
// wins), into the installation's ULTANOS (held alone), each client's record of that year updated
// in place or appended. kNotFound when the folder has no declaration file.
[[nodiscard]] Status read_year(store::Env& env, const std::string& install_dir,
                               std::string_view rotajava, std::string_view year, HistoryRun* run);

}  // namespace vorn::maintenance
