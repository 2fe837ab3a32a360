// libFuzzer target over the letter reader and the merge: any bytes give page settings that leave
// text lines and a width, a letter that writes back to the same text, and merged pages of the
// letter's width; never a crash or a loop.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/text.h"
#include "office/letters.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorn;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const office::Letter l = office::parse_letter(bytes);
    check(l.page.width >= 1 && l.page.text_lines() >= 1);
    check(l.page.is_default() || l.notice.empty());
    // What is written reads back as the same letter.
    const office::Letter again = office::parse_letter(office::letter_bytes(l));
    check(again.page == l.page);

    office::LetterClient c;
    c.text["NOMECONTR"] = "MARIA";
    c.text["CPF"] = "52998224725";
    c.number["IMPPGRE"] = Decimal(-5);
    c.number["TEM_USO"] = Decimal(90);
    const office::FeeRates rates{Decimal(1), Decimal(1), Decimal(10), 4};
    const std::string merged = office::merge_letter(l.text, c, rates);
    check(merged.size() <= l.text.size() * 32 + 64);
    printing::PrintWriter out;
    office::print_letters(l, {c, c}, rates, out);
    for (std::string_view line : printing::lines_of(out.text())) {
        const size_t from = line.find_first_not_of('\f');
        if (from == std::string_view::npos) continue;
        check(line.size() - from <= static_cast<size_t>(l.page.left + l.page.width));
    }
    return 0;
}
