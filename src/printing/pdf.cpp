// Rendering with libharu: the standard Courier font in WinAnsi encoding, whose characters A0-FF
// are those of ISO-8859-1.
#include "printing/pdf.h"

#include <hpdf.h>

#include <memory>

#include "printing/print_file.h"

namespace vorn::printing {
namespace {

constexpr float kFontSize = 12;
constexpr float kNormalWidth = 72.0f / 10;     // Courier's advance is 0.6 em: 7.2 pt = 10 cpi
constexpr float kCondensedWidth = 72.0f / 17;  // 17 cpi
constexpr float kLeading = 11.9f;
constexpr float kTextWidth = 576;  // 80 normal or 136 condensed characters

struct Errors {
    HPDF_STATUS first = HPDF_OK;
};

void on_error(HPDF_STATUS error, HPDF_STATUS, void* data) {
    Errors* e = static_cast<Errors*>(data);
    if (e->first == HPDF_OK) e->first = error;
}

struct DocDeleter {
    void operator()(HPDF_Doc d) const { HPDF_Free(d); }
};

class Renderer {
  public:
    Renderer(HPDF_Doc doc, HPDF_Font font) : doc_(doc), font_(font) {}

    void line(std::string_view text) {
        float x = margin_x();
        std::string run;
        auto flush = [&] {
            if (run.empty()) return;
            bool blank = run.find_first_not_of(' ') == std::string::npos;
            if (!blank) {
                HPDF_Page p = page();
                HPDF_Page_BeginText(p);
                HPDF_Page_SetFontAndSize(p, font_, kFontSize);
                HPDF_Page_SetHorizontalScalling(
                    p, condensed_ ? 100 * kCondensedWidth / kNormalWidth : 100);
                HPDF_Page_TextOut(p, x, baseline(), run.c_str());
                HPDF_Page_EndText(p);
            }
            x += static_cast<float>(run.size()) * (condensed_ ? kCondensedWidth : kNormalWidth);
            run.clear();
        };
        for (char ch : text) {
            const unsigned char c = static_cast<unsigned char>(ch);
            if (ch == kFormFeed) {
                flush();
                page_ = nullptr;
                row_ = 0;
                x = margin_x();
            } else if (ch == kCondensed || ch == kNormal) {
                flush();
                condensed_ = ch == kCondensed;
            } else {
                run += c < 0x20 || (c >= 0x7F && c < 0xA0) ? ' ' : ch;
            }
        }
        flush();
        if (++row_ >= kPageRows - 2) {
            page_ = nullptr;
            row_ = 0;
        }
    }

    int pages() const { return pages_; }
    // A document needs a page even when nothing was printed.
    void at_least_one_page() {
        if (pages_ == 0) (void)page();
    }

  private:
    static float margin_x() { return (595.276f - kTextWidth) / 2; }
    float baseline() const {
        const float top = 841.89f - (841.89f - kPageRows * kLeading) / 2;
        return top - 9.5f - static_cast<float>(row_) * kLeading;
    }
    HPDF_Page page() {
        if (!page_) {
            page_ = HPDF_AddPage(doc_);
            HPDF_Page_SetSize(page_, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
            ++pages_;
        }
        return page_;
    }

    HPDF_Doc doc_;
    HPDF_Font font_;
    HPDF_Page page_ = nullptr;
    int row_ = 0;
    int pages_ = 0;
    bool condensed_ = false;
};

}  // namespace

Status render_pdf(std::string_view latin1, const std::string& title, std::string* pdf, int* pages) {
    Errors errors;
    std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, DocDeleter> doc(HPDF_New(on_error, &errors));
    if (!doc) return Status::io_error("Não foi possível criar o PDF");
    HPDF_SetCompressionMode(doc.get(), HPDF_COMP_ALL);
    // Pages go into intermediate page trees of a thousand: one flat tree holds at most 32,767
    // pages, and a folder's printout has many more.
    HPDF_SetPagesConfiguration(doc.get(), 1000);
    HPDF_SetInfoAttr(doc.get(), HPDF_INFO_TITLE, to_latin1(title).c_str());
    HPDF_Font font = HPDF_GetFont(doc.get(), "Courier", "WinAnsiEncoding");
    Renderer r(doc.get(), font);
    for (std::string_view line : lines_of(latin1)) r.line(line);
    r.at_least_one_page();
    if (HPDF_SaveToStream(doc.get()) != HPDF_OK || errors.first != HPDF_OK)
        return Status::io_error("Não foi possível criar o PDF (erro " +
                                std::to_string(errors.first) + ")");
    const HPDF_UINT32 size = HPDF_GetStreamSize(doc.get());
    pdf->assign(size, '\0');
    HPDF_UINT32 got = size;
    if (HPDF_ReadFromStream(doc.get(), reinterpret_cast<HPDF_BYTE*>(pdf->data()), &got) !=
            HPDF_OK &&
        got != size)
        return Status::io_error("Não foi possível criar o PDF");
    pdf->resize(got);
    if (pages) *pages = r.pages();
    return Status::ok();
}

Status write_pdf(std::string_view latin1, const std::string& title, const std::string& path) {
    std::string pdf;
    Status s = render_pdf(latin1, title, &pdf);
    return s ? publish_bytes(pdf, path) : s;
}

}  // namespace vorn::printing
