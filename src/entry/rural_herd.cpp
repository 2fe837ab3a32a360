// The herd's movement as a table of fields: per species group the opening stock, purchases,
// births, consumption and losses, and sales; the closing stock painted beside them and never
// negative.
#include <string>

#include "base/text.h"
#include "entry/rural_form.h"
#include "rural/result.h"

namespace vorn::entry {
namespace {

constexpr const char* kHead = "999999";

class Form : public RecordForm<Form> {
  public:
    explicit Form(RuralPlace& r) : RecordForm(r, "rebanho") {}
    ui::ReadResult run();

    bool stock();
    void kept() { paint(); }

  private:
    void paint();
};

using F = Form;

// The species groups: their row and their fields' suffix.
struct Species {
    int row;
    std::string_view suffix;
};
const Species kSpecies[] = {{3, "B"}, {4, "S"}, {5, "C"}, {6, "A"}, {7, "V1"}};
constexpr int kClosing = 71;

const LayoutRow<Form> kLayout[] = {
    {1, 29, "Estoque", 0, "", ""},
    {1, 37, "Aquisi-", 0, "", ""},
    {1, 45, "Nasci-", 0, "", ""},
    {1, 53, "Consumo", 0, "", ""},
    {1, 62, "Vendas", 0, "", ""},
    {1, 70, "Estoque", 0, "", ""},
    {2, 29, "inicial", 0, "", ""},
    {2, 37, "ções", 0, "", ""},
    {2, 45, "mentos", 0, "", ""},
    {2, 53, "e perdas", 0, "", ""},
    {2, 70, "final", 0, "", ""},
    {3, 1, "Bovinos e bufalinos", 30, "I7_1B", kHead, &F::stock},
    {3, 0, "", 38, "I7_2B", kHead, &F::stock},
    {3, 0, "", 46, "I7_3B", kHead, &F::stock},
    {3, 0, "", 54, "I7_4B", kHead, &F::stock},
    {3, 0, "", 62, "I7_5B", kHead, &F::stock},
    {4, 1, "Suínos", 30, "I7_1S", kHead, &F::stock},
    {4, 0, "", 38, "I7_2S", kHead, &F::stock},
    {4, 0, "", 46, "I7_3S", kHead, &F::stock},
    {4, 0, "", 54, "I7_4S", kHead, &F::stock},
    {4, 0, "", 62, "I7_5S", kHead, &F::stock},
    {5, 1, "Caprinos e ovinos", 30, "I7_1C", kHead, &F::stock},
    {5, 0, "", 38, "I7_2C", kHead, &F::stock},
    {5, 0, "", 46, "I7_3C", kHead, &F::stock},
    {5, 0, "", 54, "I7_4C", kHead, &F::stock},
    {5, 0, "", 62, "I7_5C", kHead, &F::stock},
    {6, 1, "Asininos, equinos e muares", 30, "I7_1A", kHead, &F::stock},
    {6, 0, "", 38, "I7_2A", kHead, &F::stock},
    {6, 0, "", 46, "I7_3A", kHead, &F::stock},
    {6, 0, "", 54, "I7_4A", kHead, &F::stock},
    {6, 0, "", 62, "I7_5A", kHead, &F::stock},
    {7, 1, "Outros", 30, "I7_1V1", kHead, &F::stock},
    {7, 0, "", 38, "I7_2V1", kHead, &F::stock},
    {7, 0, "", 46, "I7_3V1", kHead, &F::stock},
    {7, 0, "", 54, "I7_4V1", kHead, &F::stock},
    {7, 0, "", 62, "I7_5V1", kHead, &F::stock},
};

// The record as it would be with every typed value: no species may close below zero.
bool Form::stock() {
    store::Record trial = rec_;
    for (const LayoutRow<Form>& row : kLayout)
        if (!row.field.empty())
            trial.set_value(trial.layout().index(row.field),
                            column_value(column(row.field), v(row.field)));
    for (const Species& s : kSpecies)
        if (rural::herd_closing(trial, std::string(s.suffix)) < 0)
            return refuse({"Atenção! Estoque Final negativo"});
    return true;
}

void Form::paint() {
    for (const Species& s : kSpecies)
        label(s.row, kClosing,
              pad_left(std::to_string(rural::herd_closing(rec_, std::string(s.suffix))), 7));
}

ui::ReadResult Form::run() {
    if (!load()) return {};
    s_.fill(area_, {U' ', s_.colours.standard});
    label(0, 3,
          r_.abroad ? "MOVIMENTAÇÃO DO REBANHO - EXTERIOR" : "MOVIMENTAÇÃO DO REBANHO - BRASIL");
    paint();
    return read(kLayout);
}

}  // namespace

ScreenFields rural_herd_fields() {
    return screen_fields("rebanho", kRuralResultTable, kLayout);
}

ui::ReadResult rural_herd_screen(RuralPlace& r) {
    return Form(r).run();
}

}  // namespace vorn::entry
