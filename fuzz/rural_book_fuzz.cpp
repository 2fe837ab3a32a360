// libFuzzer target over the reader of rural cash-book export files: any bytes give either a list
// of bad lines, numbered within the file and in its order, or a book whose every piece fits the
// tables it goes to; never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/text.h"
#include "importing/rural_book_file.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorn;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const importing::RuralBookFile f = importing::read_rural_book(bytes);
    check(f.lines >= 0 && static_cast<size_t>(f.lines) <= size + 1);
    size_t last = 0;
    for (const auto& b : f.bad) {
        check(b.line >= 1 && b.line <= static_cast<size_t>(f.lines) && b.line >= last &&
              !b.reason.empty());
        last = b.line;
    }
    for (const auto& e : f.entries) {
        check(!e.date.blank() && !e.amount.is_negative());
        check(e.amount < Decimal::from("100000000000"));  // 13 digits in cents
        check(char_count(e.description) <= 41 && char_count(e.document) <= 20);
        check((e.document_type == 0 || e.document_type == 1) &&
              (e.document_type == 1) == !e.document.empty());
    }
    bool seen[13] = {};
    for (const auto& m : f.months) {
        check(m.month >= 1 && m.month <= 12 && !seen[m.month]);
        seen[m.month] = true;
    }
    for (const auto& p : f.properties)
        check(char_count(p.name) <= 60 && char_count(p.state_registration) <= 14 &&
              char_count(p.register_number) <= 8 && char_count(p.uf) <= 2);
    // The invoice rule over any text of a description's width.
    const std::u32string text = to_u32(from_cp1252(bytes.substr(0, 41)));
    if (auto nf = importing::invoice_number(text)) check(char_count(*nf) <= 20);
    return 0;
}
