// libFuzzer target over the maker's status page: any bytes give twelve well-formed months or none,
// and a release with its date's slashes in place, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "output/status_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const vorn::output::StatusPage p = vorn::output::parse_status_page(page);
    if (!p.rates.empty() && p.rates.size() != 12) std::abort();
    for (const auto& [month, rate] : p.rates)
        if (month.size() != 6 || rate.is_negative()) std::abort();
    if (p.release && (p.release->date.size() != 8 || p.release->size < 0)) std::abort();
    return 0;
}
