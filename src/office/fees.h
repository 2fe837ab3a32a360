// The office's fees: the fee a declaration's working time and data size suggest, from the office's
// rates (DEFINE: VAL_SEG a minute, VAL_BYTE a kilobyte, VAL_MIN the least fee), and the fee report
// of a data folder beside the fees the office set (VALOREC).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/decimal.h"
#include "base/status.h"
#include "printing/print_file.h"
#include "store/env.h"

namespace vorn::office {

struct FeeRates {
    Decimal per_minute;    // VAL_SEG
    Decimal per_kilobyte;  // VAL_BYTE
    Decimal minimum;       // VAL_MIN
    int idle_minutes = 4;  // TEMP_DES
};

// The rates as the office record can hold them (VAL_SEG and VAL_BYTE N5.2, VAL_MIN N8.2, TEMP_DES
// two digits, none negative): the text of the first that does not fit, nullopt when all do.
std::optional<std::string> rates_problem(const FeeRates& r);

// The office's rates from the DEFINE record of the installation `install`; none (all zero) when
// the installation has none.
[[nodiscard]] Status read_fee_rates(store::Env& env, const std::string& install, FeeRates* r);

// A declaration's costs: seconds / 60 × VAL_SEG and bytes / 1000 × VAL_BYTE, each rounded to the
// cent (half away from zero); the fee is their sum raised to VAL_MIN, and 0 for a declaration
// with no recorded time.
struct Fee {
    Decimal time_cost, size_cost, fee;
};
Fee suggested_fee(long seconds, long bytes, const FeeRates& r);

// A client of the report: the registry's CPF, name, TEM_USO, TAM_USO, VALOREC and mark (IMPRE).
struct FeeClient {
    std::string cpf, name;
    long seconds = 0, bytes = 0;
    Decimal charged;
    bool marked = false;
};

// The registry of `folder` read-only, deleted records left out, in name order.
[[nodiscard]] Status read_fee_clients(store::Env& env, const std::string& folder,
                                      std::vector<FeeClient>* out);

// FAZ_PRECO: the report of `clients` (only the marked ones with `marked_only`) for `folder`,
// pages of `page_lines` lines: heading, a line per client with the charged fee under it, a totals
// block at each page end and at the end, and the averages over the declarations done.
void fee_report(const std::string& folder, const std::vector<FeeClient>& clients,
                const FeeRates& rates, bool marked_only, int page_lines,
                printing::PrintWriter& out);

}  // namespace vorn::office
