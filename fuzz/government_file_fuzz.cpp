// libFuzzer target over the government program's declaration file: any bytes give a declaration
// or bad lines, never a crash; a declaration taken has its identification, its end record, every
// record of its own CPF and no amount below zero.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "importing/government_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorn::importing;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)read_government_header(bytes);
    const GovernmentFile f = read_government_file(bytes, 2026);
    if (!f.notes.bad.empty()) return 0;
    if (f.cpf.size() != 11 || !f.ended) std::abort();
    for (const auto* list : {&f.incomes, &f.dependants, &f.assets, &f.debts, &f.payments})
        for (const auto& r : *list) {
            if (r.str("CPF") != f.cpf) std::abort();
            for (size_t i = 0; i < r.layout().size(); ++i)
                if (const auto* n = std::get_if<vorn::Decimal>(&r.at(i)); n && *n < vorn::Decimal())
                    std::abort();
        }
    for (const auto* receipt : {&f.header.receipt, &f.header.rectified, &f.header.previous})
        if (!receipt->empty() && receipt->size() != 12) std::abort();
    return 0;
}
