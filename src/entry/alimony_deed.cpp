// The recipient's deed or decision laid out as data: each row a label and the column it edits,
// with the check its value passes before it is written into the recipient's record.
#include "entry/alimony_deed.h"

#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/validate.h"
#include "entry/identification.h"
#include "entry/record_window.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr int kPeople = 3;

class Deed : public RecordWindow<Deed> {
  public:
    Deed(EditorPlace& p, uint32_t record)
        : RecordWindow(p, kPeople, record, "escritura ou decisão da pensão",
                       "O alimentando não está mais na lista.") {}
    bool run();

    bool yes_no(const char* field) {
        const std::string v = trim(text(field));
        return v.empty() || v == "S" || v == "N" || refuse("Digite S de sim ou N de não");
    }
    bool by_deed() { return yes_no("ESCRPAL"); }
    bool by_court() { return yes_no("DEJUDAL"); }
    bool notary() { return VAL_CGC(p_.op, trim(text("CARCNPJ")), false); }
    bool state(const char* field) {
        const std::string uf = trim(text(field));
        return uf.empty() || is_state(uf) || refuse("UF " + uf + " inválida.");
    }
    bool deed_state() { return state("UFCARAL"); }
    bool court_state() { return state("UFJUDAL"); }
    bool deed_data() { return trim(text("ESCRPAL")) == "S"; }
    bool court_data() { return trim(text("DEJUDAL")) == "S"; }
};

const LayoutRow<Deed> kLayout[] = {
    {0, 1, "Pensão fixada por escritura pública (S/N)", 44, "ESCRPAL", "!", &Deed::by_deed},
    {1, 3, "Cartório", 16, "CARTOAL", "@S40", nullptr, &Deed::deed_data},
    {2, 3, "CNPJ", 16, "CARCNPJ", "@R 99.999.999/9999-99", &Deed::notary, &Deed::deed_data},
    {2, 38, "Livro", 45, "LIVROAL", "", nullptr, &Deed::deed_data},
    {2, 54, "Folha", 61, "FOLHAAL", "", nullptr, &Deed::deed_data},
    {3, 3, "Lavratura", 16, "DTLAVAL", "@D", nullptr, &Deed::deed_data},
    {3, 30, "Cód.Munic.", 42, "CODMUAL", "9999", nullptr, &Deed::deed_data},
    {4, 3, "Município", 16, "MUNICAL", "@S30", nullptr, &Deed::deed_data},
    {4, 50, "UF", 54, "UFCARAL", "@!", &Deed::deed_state, &Deed::deed_data},
    {6, 1, "Pensão fixada por decisão judicial (S/N)", 44, "DEJUDAL", "!", &Deed::by_court},
    {7, 3, "Processo", 16, "NROPRAL", "", nullptr, &Deed::court_data},
    {7, 45, "Vara", 51, "NROVAAL", "", nullptr, &Deed::court_data},
    {8, 3, "Decisão", 16, "DTDJUAL", "@D", nullptr, &Deed::court_data},
    {9, 3, "Comarca", 16, "COMARAL", "@S30", nullptr, &Deed::court_data},
    {9, 50, "UF", 54, "UFJUDAL", "@!", &Deed::court_state, &Deed::court_data},
};

bool Deed::run() {
    if (!t_.go_to(record_) || t_.eof()) return false;
    return show(kLayout, ui::Rect{6, 4, 19, 75}, "Pensão de " + trim(t_.str("NOMEDEPEN")),
                "Escritura ou decisão da pensão: Esc volta à lista");
}

}  // namespace

ScreenFields alimony_deed_fields() {
    return screen_fields("escritura ou decisão da pensão", {kPeople}, kLayout);
}

bool alimony_deed(EditorPlace& place, uint32_t record) {
    return Deed(place, record).run();
}

}  // namespace vorn::entry
