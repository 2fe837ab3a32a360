// The rural result step by step, as a table of painted figures and typed fields: revenue,
// expenses, result, the earlier losses and what is compensated, the 20 % limit, the taxable
// result, the loss carried forward, the adjustments and the non-taxable part.
#include "base/text.h"
#include "entry/rural_form.h"
#include "rural/result.h"
#include "tax/annual.h"

namespace vorn::entry {
namespace {

constexpr int kAt = 50;  // the amounts' column
constexpr const char* kAmount = "@E 999,999,999.99";
constexpr const char* kShown = "999,999,999.99";
constexpr const char* kSimNao = "Digite S de sim ou N de não";

class Form : public RecordForm<Form> {
  public:
    explicit Form(RuralPlace& r) : RecordForm(r, "resultado da atividade rural") {}
    ui::ReadResult run();

    bool not_negative();
    bool option();
    void kept() { paint(); }

  private:
    void paint();
};

using F = Form;

// The figures the computation gives, in the order it finds them.
struct Figure {
    int row;
    std::string_view label, field;
};
const Figure kFigures[] = {
    {2, "Receita bruta total", "I4R_01"},
    {3, "Despesas de custeio e investimentos", "I4R_02"},
    {4, "Resultado I (receita - despesas)", "I4R_03"},
    {6, "Prejuízo compensado", "I4R_05"},
    {7, "Limite de 20% da receita bruta", "I4R_06"},
    {8, "Resultado tributável", "I4R_07"},
    {9, "Saldo de prejuízo a compensar", "I5_08"},
    {13, "Parcela não tributável", "I6_10"},
};

const LayoutRow<Form> kLayout[] = {
    {5, 1, "Prejuízo de exercícios anteriores", kAt, "I4R_04", kAmount, &F::not_negative},
    {11, 1, "Receita recebida por conta de venda futura", kAt, "I5_09", kAmount, &F::not_negative},
    {12, 1, "Valor adiantado para entrega futura", kAt, "I5_10", kAmount, &F::not_negative},
    {15, 1, "Opção pelo limite de 20% da receita bruta (S/N):", kAt + 13, "OPT_20", "!",
     &F::option},
};

bool Form::not_negative() {
    // The field being kept is the one the cursor is on.
    ui::FieldEditor* f = s_.active_field();
    if (f == nullptr || !std::get<Decimal>(v(f->get().name)).is_negative()) return true;
    return refuse({"O valor não pode ser negativo."});
}

// "S" takes the option after its warning; "N" leaves it.
bool Form::option() {
    const std::string answer = trim(str("OPT_20"));
    if (answer != "S" && answer != "N") return refuse({kSimNao});
    if (const auto lines = rural::OPTOU20(answer); !lines.empty())
        op_.notice(NoticeKind::kInformation, "", lines[0] + "\n" + lines[1]);
    return true;
}

// The filing obligation the activity's revenue of both countries gives; empty when none.
std::string filing_line(RuralPlace& r) {
    std::vector<store::Record> rows;
    if (!r.place.d.working_records(15, &rows)) return {};
    const store::Record *brazil = nullptr, *abroad = nullptr;
    for (const auto& row : rows) {
        const store::Record*& slot = row.str("ATV_BRASIL") == "N" ? abroad : brazil;
        if (slot == nullptr) slot = &row;
    }
    if (r.place.d.values().str("AAR_EXTER") != "S") abroad = nullptr;
    return rural::filing_notice(rural::gross_revenue(brazil, abroad, r.place.dollar));
}

void Form::paint() {
    for (const Figure& f : kFigures) {
        label(f.row, 1, pad_right(f.label, kAt - 2));
        label(f.row, kAt, tax::picture_e(rec_.num(f.field), kShown));
    }
    label(16, 1, pad_right(filing_line(r_), kAt + 14));
    if (r_.abroad)
        label(17, 1,
              "Cotação do dólar: " + r_.place.dollar.to_string(4) +
                  "   (resultado em dólares dos imóveis vezes a cotação)");
}

ui::ReadResult Form::run() {
    recompute_rural(r_.place);
    if (!load()) return {};
    s_.fill(area_, {U' ', s_.colours.standard});
    label(0, 3,
          r_.abroad ? "RESULTADO DA ATIVIDADE RURAL - EXTERIOR"
                    : "RESULTADO DA ATIVIDADE RURAL - BRASIL");
    paint();
    return read(kLayout);
}

}  // namespace

ScreenFields rural_result_fields() {
    return screen_fields("resultado da atividade rural", kRuralResultTable, kLayout);
}

ui::ReadResult rural_result_screen(RuralPlace& r) {
    return Form(r).run();
}

}  // namespace vorn::entry
