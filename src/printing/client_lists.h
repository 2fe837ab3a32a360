// Client lists and address labels from the registry of a data folder: the summary list (one line a
// client), the complete list (address, birth date, tax situation) and labels on continuous label
// paper, in one of six orders and filtered by status, tax situation and birthday months. The
// registry is only read.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "printing/print_file.h"
#include "store/env.h"

namespace vorn::printing {

// One client of the registry, as the lists use it.
struct ListClient {
    std::string cpf, name, phone, street_type, street, number, complement, district, cep, city, uf;
    long status = 0;
    Date birth;
    Decimal tax;  // IMPPGRE: positive to pay, negative to refund, zero exempt
    int quotas = 0;
    Decimal fee;  // VALOREC
    bool marked = false;
};

// Reads the registry (table 9) of `folder` read-only, deleted records left out, in record order.
// kNotFound when the folder has no registry; the opening's error when it cannot be read.
[[nodiscard]] Status read_list_clients(store::Env& env, const std::string& folder,
                                       std::vector<ListClient>* out);

// Code → name of the statuses in the STATUS table of the installation `install`, read-only;
// empty when the installation has none.
[[nodiscard]] Status read_status_table(store::Env& env, const std::string& install,
                                       std::map<long, std::string>* out);

// Label paper: left margin, first line on the sheet, lines per label, lines per sheet.
struct LabelGeometry {
    int MARESQ = 0, INIFOL = 0, LINETI = 6, NRO_LIN = 60;
};

// The geometry as printed: a label length below 5 is raised to 5. The problem to tell when no
// label fits a sheet or a value is out of its two digits.
std::optional<std::string> settle_geometry(LabelGeometry* g);

enum class ListModel { kSummary, kComplete, kLabels };
// SEPIMP: 1 regardless of tax, 2 exempt only, 3 refunds only, 4 tax to pay only.
enum class TaxFilter { kAny = 1, kExempt = 2, kRefund = 3, kToPay = 4 };

struct ListOptions {
    // QUECON: 1 the current client, 2 the marked clients, 3 the whole folder, 4 all folders.
    int QUECON = 3;
    std::string cpf;  // with scope 1
    ListModel model = ListModel::kSummary;
    // OPC_IND: 1 CPF, 2 name, 3 status, 4 birth month, 5 tax balance, 6 fee charged.
    int OPC_IND = 1;
    bool all_statuses = true;  // every status, 0 (none given) included
    int STAT_INIC = 1, STAT_FINAL = 99;
    TaxFilter SEPIMP = TaxFilter::kAny;
    int MES_INIC = 1, MES_FINAL = 12;  // with order 4
    int NRO_LIN = 60;                  // lines per page of the lists
    LabelGeometry labels;
    bool condensed = false;  // labels in condensed print
    Date today;
    // Asked before each client (PAREIMP): true gives the print up there.
    std::function<bool()> stop;
};

// Checks the choices; the problem to tell when they cannot be printed.
std::optional<std::string> check_list_options(ListOptions* o);

struct ListResult {
    int printed = 0;
    int overlong_labels = 0;            // labels whose complement joined the district line
    std::vector<std::string> problems;  // folders whose registry could not be read
    bool abandoned = false;
    bool nothing() const { return printed == 0; }
};

// The message for a run that printed no client.
inline constexpr const char* kNoClient = "Não houve contribuinte nas condições escolhidas";

// Writes the lists or labels of the clients of `folders` (one folder for scopes 1 to 3) into
// `out`. A folder whose registry cannot be read is named in problems (the others go on); with one
// folder that is an error. kNotFound when the one CPF is not in the registry.
[[nodiscard]] Status IMPR_CAD(store::Env& env, const std::vector<std::string>& folders,
                              const ListOptions& options,
                              const std::map<long, std::string>& status_names, PrintWriter& out,
                              ListResult* result);

// The closing notice of a label run with overlong addresses; empty when there were none.
std::string overlong_notice(const ListResult& r);

}  // namespace vorn::printing
