// libFuzzer target over the "Bens" XML list: any bytes give assets or bad items, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "importing/asset_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vorn::importing::AssetList l = vorn::importing::read_assets_xml(bytes, "12345678909");
    for (const auto& a : l.items)
        if (a.num("I7_3") < vorn::Decimal() || a.num("I7_4") < vorn::Decimal() ||
            a.str("CPF") != "12345678909")
            std::abort();
    (void)vorn::importing::place_assets(l, l.items, false);
    return 0;
}
