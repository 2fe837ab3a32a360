// The accountant who signs the digital rural cash book, as a table of fields of the Brazilian
// result record: name, CPF or CNPJ, telephone, CRC registration and e-mail.
#include "base/validate.h"
#include "entry/rural_form.h"

namespace vorn::entry {
namespace {

constexpr int kAt = 22;

class Form : public RecordForm<Form> {
  public:
    explicit Form(RuralPlace& r) : RecordForm(r, "contador do LCDPR") {}
    ui::ReadResult run();

    bool document();
    bool email() { return CHECKEMAIL(op_, trim(str("EMAIL_CONT"))); }
};

using F = Form;

const LayoutRow<Form> kLayout[] = {
    {0, 3, "CONTABILISTA RESPONSÁVEL PELO LIVRO CAIXA DIGITAL (LCDPR)", 0, "", ""},
    {2, 1, "Nome:", kAt, "NOME_CONT", "@S50"},
    {3, 1, "CPF/CNPJ:", kAt, "CPFCNPJ_CO", "", &F::document},
    {4, 1, "Telefone:", kAt, "FONE_CONT", "@R (99)99999-9999"},
    {5, 1, "CRC:", kAt, "CRC_CONT", "@!"},
    {6, 1, "E-mail:", kAt, "EMAIL_CONT", "@S50", &F::email},
};

// A CPF or a CNPJ with its check digits, kept with its punctuation.
bool Form::document() {
    std::string& field = str("CPFCNPJ_CO");
    const size_t width = char_count(field);
    std::string typed = trim(field);
    if (!CPFCGC1(op_, typed, false)) return false;
    field = pad_right(typed, width);
    return true;
}

ui::ReadResult Form::run() {
    if (!load()) return {};
    s_.fill(area_, {U' ', s_.colours.standard});
    return read(kLayout);
}

}  // namespace

ScreenFields rural_accountant_fields() {
    return screen_fields("contador do LCDPR", kRuralResultTable, kLayout);
}

ui::ReadResult rural_accountant_screen(RuralPlace& r) {
    RuralPlace brazil{r.place, false, r.install};
    return Form(brazil).run();
}

}  // namespace vorn::entry
