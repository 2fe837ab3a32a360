// The asset's data window laid out as data: each row a label and the column it edits, with the
// check its value passes before it is written into the asset's record.
#include "entry/asset_detail.h"

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

constexpr int kAssets = 4;
constexpr const char* kYesNo = "Digite S de sim ou N de não";
constexpr const char* kMoney = "@E 999,999,999.99";

class Detail : public RecordWindow<Detail> {
  public:
    Detail(EditorPlace& p, uint32_t record)
        : RecordWindow(p, kAssets, record, "dados do bem", "O bem não está mais na lista.") {}
    bool run();

    // The rows' checks.
    bool cep() { return check_cep(p_.op, trim(text("CEPIMO"))); }
    bool state() {
        const std::string uf = trim(text("UFIMO"));
        if (uf.empty() || is_state(uf)) return true;
        return refuse("UF " + uf + " inválida.");
    }
    bool yes_no(const char* field) {
        const std::string v = trim(text(field));
        return v.empty() || v == "S" || v == "N" || refuse(kYesNo);
    }
    bool registered() { return yes_no("REGISTRO"); }
    bool exchange() { return yes_no("BOLSA"); }
    bool nirf() { return VENIRF(p_.op, trim(text("REG_NIRF"))); }
    bool renavam() { return VERENAVAM(p_.op, text("RENAVAM")); }
    bool company() {
        std::string& v = text("CPF_CNPJ");
        std::string typed = trim(v);
        if (typed.empty()) return true;
        if (!CPFCGC1(p_.op, typed, false)) return false;
        v = pad_right(typed, char_count(v));
        return true;
    }
    bool dependant() { return VAL_CPF(p_.op, trim(text("CPFDEP")), false); }
    bool not_negative() {
        for (const char* f : {"AREAIMO", "VAL_IRFOR", "VAL_LUCRO", "VAL_IRBR"})
            if (std::get<Decimal>(values_.at(f)).is_negative())
                return refuse("O valor não pode ser negativo.");
        return true;
    }
};

const LayoutRow<Detail> kLayout[] = {
    {0, 1, "Endereço", 12, "ENDEIMO", ""},
    {0, 46, "Nº", 50, "NUMIMO", ""},
    {1, 1, "Complem.", 12, "COMPIMO", ""},
    {1, 46, "Bairro", 54, "BAIRIMO", "@S20"},
    {2, 1, "CEP", 12, "CEPIMO", "@R 99999-999", &Detail::cep},
    {2, 24, "UF", 28, "UFIMO", "@!", &Detail::state},
    {2, 33, "Município", 44, "MUNICIMO", "@S30"},
    {3, 1, "Cód.Munic.", 12, "CODMIMO", "9999"},
    {3, 18, "Aquisição", 29, "DATA_IMO", "@D"},
    {3, 41, "Área", 46, "AREAIMO", "@E 9,999,999.9", &Detail::not_negative},
    {3, 59, "Unidade", 68, "UNIDADE", "!"},
    {4, 1, "Matrícula", 12, "MATRICU", "@S30"},
    {4, 46, "Registrado", 58, "REGISTRO", "!", &Detail::registered},
    {5, 1, "Livro/Reg.", 12, "LIVRORG", "@S30"},
    {6, 1, "Cartório", 12, "CARTORIO", "@S40"},
    {7, 1, "IPTU", 12, "REG_IPTU", ""},
    {7, 46, "NIRF/CIB", 56, "REG_NIRF", "@!", &Detail::nirf},
    {8, 1, "RENAVAM", 12, "RENAVAM", "", &Detail::renavam},
    {8, 30, "Aeronave/Instituição", 52, "REG_AVI", "@S24"},
    {9, 1, "Embarcação", 12, "REG_BAR", ""},
    {10, 1, "Banco", 12, "NROBANCO", "999"},
    {10, 18, "Agência", 27, "AGENCBAN", "@!"},
    {10, 34, "Conta", 41, "CONTABAN", "@!"},
    {10, 57, "DV", 61, "DVBAN", "@!"},
    {11, 1, "CNPJ", 12, "CPF_CNPJ", "", &Detail::company},
    {12, 1, "Bolsa", 12, "BOLSA", "!", &Detail::exchange},
    {12, 18, "Cód.negociação", 34, "CODNEGO", "@!"},
    {13, 1, "Altcoin", 12, "CODALTC", ""},
    {13, 39, "Stablecoin", 50, "CODSTAB", ""},
    {14, 1, "CPF do dependente", 20, "CPFDEP", "@R 999.999.999-99", &Detail::dependant},
    {15, 1, "Lei 14.754: resultado", 24, "VAL_APLIC", kMoney},
    {15, 41, "IR no exterior", 58, "VAL_IRFOR", kMoney, &Detail::not_negative},
    {16, 1, "Lucros e dividendos", 24, "VAL_LUCRO", kMoney, &Detail::not_negative},
    {16, 41, "IR no Brasil", 58, "VAL_IRBR", kMoney, &Detail::not_negative},
};

bool Detail::run() {
    if (!t_.go_to(record_) || t_.eof()) return false;
    return show(kLayout, ui::Rect{3, 1, 22, 78},
                "Dados do bem - item " + std::to_string(t_.num("I7_0").whole()),
                "Dados do bem: Esc volta à lista");
}

}  // namespace

ScreenFields asset_detail_fields() {
    return screen_fields("dados do bem", {kAssets}, kLayout);
}

bool asset_detail(EditorPlace& place, uint32_t record) {
    return Detail(place, record).run();
}

}  // namespace vorn::entry
