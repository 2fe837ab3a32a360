// libFuzzer target over the government program's receipt file: any bytes give its values or a
// bad line, never a crash; every note fits the notes table's 75 characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/text.h"
#include "importing/government_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vorn::importing::ReceiptFile r = vorn::importing::read_receipt_file(bytes, 2026);
    for (const auto& n : r.notes)
        if (vorn::char_count(n) > 75) std::abort();
    if (r.rectifications && (*r.rectifications < 0 || *r.rectifications > 999)) std::abort();
    return 0;
}
