// libFuzzer target over the LCDPR book read back: any bytes give the book's records or bad
// lines, never a crash; no entry holds a negative value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "importing/lcdpr_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)vorn::importing::read_lcdpr_head(bytes);
    const vorn::importing::LcdprBook b = vorn::importing::read_lcdpr(bytes);
    for (const auto& e : b.entries)
        if (e.num("VALOR") < vorn::Decimal()) std::abort();
    return 0;
}
