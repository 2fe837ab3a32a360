// libFuzzer target over the parser of lpstat's output: any bytes give a list of names that the
// printer record can hold, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "printing/lpstat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& name : vorn::printing::parse_lpstat_destinations(text))
        if (name.empty() || name.size() > vorn::printing::kPrinterNameWidth ||
            name.find(' ') != std::string::npos)
            std::abort();
    const auto d = vorn::printing::parse_lpstat_default(text);
    if (d && (d->empty() || d->size() > vorn::printing::kPrinterNameWidth)) std::abort();
    return 0;
}
