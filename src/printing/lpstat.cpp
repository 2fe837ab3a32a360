// Parsing what lpstat writes.
#include "printing/lpstat.h"

#include <algorithm>

#include "base/text.h"
#include "printing/print_file.h"

namespace vorn::printing {
namespace {

bool destination_name(std::string_view s) {
    if (s.empty() || s.size() > kPrinterNameWidth) return false;
    if (s == "NAO DOS" || s == "Sem Impressora") return false;
    return std::none_of(s.begin(), s.end(), [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u <= 0x20 || u == 0x7F || c == '#';
    });
}

}  // namespace

std::vector<std::string> parse_lpstat_destinations(std::string_view output) {
    std::vector<std::string> out;
    for (std::string_view l : lines_of(output)) {
        const std::string name = trim(l);
        if (destination_name(name) && std::find(out.begin(), out.end(), name) == out.end())
            out.push_back(name);
    }
    return out;
}

std::optional<std::string> parse_lpstat_default(std::string_view output) {
    static constexpr std::string_view kPrefix = "system default destination:";
    for (std::string_view l : lines_of(output)) {
        if (l.substr(0, kPrefix.size()) != kPrefix) continue;
        const std::string name = trim(l.substr(kPrefix.size()));
        if (destination_name(name)) return name;
    }
    return std::nullopt;
}

InstalledPrinters installed_printers(Processes& processes, const std::string& lpstat) {
    InstalledPrinters p;
    std::string out;
    const std::vector<std::string> env = {"LC_ALL=C"};
    if (!processes.capture({lpstat, "-e"}, env, &out)) return p;
    p.names = parse_lpstat_destinations(out);
    if (processes.capture({lpstat, "-d"}, env, &out))
        p.default_name = parse_lpstat_default(out).value_or("");
    return p;
}

}  // namespace vorn::printing
