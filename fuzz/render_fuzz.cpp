// libFuzzer target over the PDF renderer: any print file gives a PDF of at least one page (a
// form feed never a page of its own at the end), never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "printing/pdf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string pdf;
    int pages = 0;
    if (!vorn::printing::render_pdf(text, "fuzz", &pdf, &pages)) std::abort();
    if (pages < 1 || pdf.compare(0, 5, "%PDF-") != 0) std::abort();
    // A page holds 66 lines or ends at a form feed: never more pages than both allow.
    size_t lines = 1, feeds = 0;
    for (char c : text) {
        lines += c == '\n';
        feeds += c == '\f';
    }
    if (static_cast<size_t>(pages) > lines / 66 + feeds + 1) std::abort();
    return 0;
}
