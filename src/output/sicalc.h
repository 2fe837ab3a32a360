// The federal revenue's DARF calculator page (Sicalc) filled through the browser: for each DARF the
// page is opened, the taxpayer's CPF and birth date and then the revenue code are given, and the
// code's own fields are filled, so that the operator only checks and prints the page. Each wait on
// the page is polled once a second, stops at Esc and gives up after a limit, naming what the page
// did not show.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/operator.h"
#include "output/browser.h"

namespace vorn::output {

// One DARF as the issuer computed it.
struct SicalcDarf {
    std::string code;  // revenue code, 4 digits ("0211", "0190", "4600", ...)
    std::string cpf;   // 11 digits, of the titular or of the dependant
    Date birth;
    std::string observation;  // the form's fifth free line (DF_OUTR5)
    Date period;              // period of assessment
    Date due;
    std::string reference;  // blank but for donations and free DARFs
    Decimal principal, fine, interest;
    Date consolidation;   // the default consolidation date: last day of the current month
    int quota = 1;        // 0211: the quota paid, 1 to 8
    int quota_count = 1;  // 0211: the declaration's number of quotas
    int gain_kind = 0;    // 4600: asset kind of the gain, 1 real estate, 2 movable, 3 shares
    bool final_declaration = false;      // DECFINAL "S"
    bool departure_declaration = false;  // DECSAIDA "S"
};

struct SicalcSettings {
    std::string page =
        "https://sicalc.receita.economia.gov.br/sicalc/rapido/contribuinte";  // VORN_SICALC
    int wait_seconds = 60;    // VORN_SICALC_WAIT: limit of each wait on the page
    BrowserSettings browser;  // VORN_CHROMEDRIVER, VORN_CHROMIUM, VORN_SICALC_HEADLESS=1
};

// The settings with the values of those environment variables that are set (a wait that is not a
// positive number keeps the default).
SicalcSettings sicalc_settings(
    const std::function<std::optional<std::string>(std::string_view)>& variable);

// The code as the page lists it: "4600 - 05" in a final declaration, else "4600 - 02" (real
// estate), "4600 - 03" (movable), "4600 - 04" (shares); "8523 - 01"; "0211 - 03" in a departure
// declaration, "0211 - 02" in a final one, else "0211 - 01"; any other code unchanged.
std::string sicalc_code(const SicalcDarf& darf);

// "1234,56": two decimals and a decimal comma, as the page's money fields take them.
std::string sicalc_money(const Decimal& value);

struct SicalcRun {
    int filled = 0;            // DARFs filled in on the page
    bool interrupted = false;  // the operator pressed Esc
    bool failed = false;       // the browser or the page failed; the operator was told why
};

// Fills the page for these DARFs one after the other, talking to the operator through `op`:
// donation codes are refused ("O código para doação ..."); after each DARF the operator is asked to
// print it from the browser. The browser's session is reused from one DARF to the next and closed,
// with its driver, at the end, on Esc ("Acesso ao Darf encerrado") and on any failure.
SicalcRun fill_sicalc(Browser& browser, const std::vector<SicalcDarf>& darfs, Operator& op,
                      const SicalcSettings& settings);

// The same with everything from the machine: the settings read through `variable` (the
// environment), the browser's driver started through `processes`, HTTP through libcurl.
SicalcRun fill_sicalc(const std::vector<SicalcDarf>& darfs, Operator& op, Processes& processes,
                      const std::function<std::optional<std::string>(std::string_view)>& variable);

}  // namespace vorn::output
