// The CUPS queues of the machine, read from `lpstat -e` (one destination a line) and
// `lpstat -d` ("system default destination: NAME"), run with LC_ALL=C so that the texts do not
// depend on the operator's language.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/process.h"

namespace vorn::printing {

// The longest printer name the printer record holds (NOMEIMP).
constexpr size_t kPrinterNameWidth = 60;

// Destination names of `lpstat -e` output in their order, each once. A line that cannot be a
// destination (blanks or control characters inside, longer than kPrinterNameWidth, or one of the
// two channel names "NAO DOS" and "Sem Impressora") is passed over.
std::vector<std::string> parse_lpstat_destinations(std::string_view output);
// The default destination of `lpstat -d` output; nullopt when there is none.
std::optional<std::string> parse_lpstat_default(std::string_view output);

struct InstalledPrinters {
    std::vector<std::string> names;
    std::string default_name;  // empty when there is none
};

// The installed printers by the program `lpstat` (the command, VORN_LPSTAT or "lpstat"). A
// machine without CUPS (the program missing or failing) has none.
InstalledPrinters installed_printers(Processes& processes, const std::string& lpstat);

}  // namespace vorn::printing
