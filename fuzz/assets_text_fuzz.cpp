// libFuzzer target over the "Bens" text list: any bytes give assets or bad lines, never a crash;
// a list with bad lines gives no assets to write, and no asset holds a negative amount.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "importing/asset_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (bool all : {false, true}) {
        const vorn::importing::AssetList l =
            vorn::importing::read_assets_text(bytes, "12345678909", all);
        for (const auto& a : l.items)
            if (a.num("I7_3") < vorn::Decimal() || a.num("I7_4") < vorn::Decimal() ||
                a.str("CPF") != "12345678909")
                std::abort();
        (void)vorn::importing::place_assets(l, l.items, !all);
    }
    return 0;
}
