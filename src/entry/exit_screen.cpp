// The declaration of definitive exit as a layout table, with its date rules.
#include "entry/exit_screen.h"

#include "base/validate.h"
#include "entry/values_form.h"

namespace vorn::entry {
namespace {

constexpr int kAt = 35;  // the fields' column
constexpr const char* kResidentFirst = "A data de residente deve ser anterior a de saída";

class Form : public ValuesForm<Form> {
  public:
    Form(ui::Screen& s, Operator& op, store::Declaration& d, ui::Rect area)
        : ValuesForm(s, op, d, area, "saída definitiva") {}

    ui::ReadResult run();

    // Valid-conditions.
    bool exit_mark();
    bool attorney() { return VAL_CPF(op_, trim(str("CPFINVENT")), false, 0); }
    bool exit_date();
    bool resident_date();

    // When-conditions.
    bool departs() { return yes("DECSAIDA"); }

  private:
    // The date of residence after the exit would count a negative number of months.
    bool resident_after_exit() {
        const Date exit = date("DATASAIDA"), resident = date("DATADECIS");
        return !exit.blank() && !resident.blank() && exit < resident;
    }
};

using F = Form;

const LayoutRow<Form> kLayout[] = {
    {0, 3, "DECLARAÇÃO DE SAÍDA DEFINITIVA DO PAÍS", 0, "", ""},
    {2, 1, "Declaração de saída definitiva (S/N):", kAt + 5, "DECSAIDA", "!", &F::exit_mark},
    {4, 1, "CPF do procurador:", kAt, "CPFINVENT", "@r 999.999.999-99", &F::attorney, &F::departs},
    {5, 1, "Nome do procurador:", kAt, "NOMINVENT", "@!", nullptr, &F::departs},
    {6, 1, "Endereço do procurador:", kAt, "ENDINVENT", "@!S42", nullptr, &F::departs},
    {8, 1, "Data da saída definitiva:", kAt, "DATASAIDA", "@d", &F::exit_date, &F::departs},
    {9, 1, "Data em que se tornou residente:", kAt, "DATADECIS", "@d", &F::resident_date,
     &F::departs},
};

// Marking forces the complete option in one quota (a final declaration never comes this far);
// unmarking clears the exit's dates.
bool Form::exit_mark() {
    if (!sn("DECSAIDA")) return false;
    const bool was = d_.values().str("DECSAIDA") == "S";
    if (yes("DECSAIDA") && !was) {
        force_complete_single_quota(d_.values());
    } else if (!yes("DECSAIDA") && was) {
        for (const char* f : {"DATASAIDA", "DATADECIS", "DATAPARTI"}) put(f, Date());
    }
    return true;
}

bool Form::exit_date() {
    if (!in_calendar_year(date("DATASAIDA")))
        return refuse({"O programa destina-se apenas a saída Definitiva ocorrida em " +
                       calendar_year_text()});
    return !resident_after_exit() || refuse({kResidentFirst});
}

// Only the calendar year's dates, and not after the exit.
bool Form::resident_date() {
    if (!in_calendar_year(date("DATADECIS")))
        return refuse(
            {"A data de residente deve ser no ano da declaração " + calendar_year_text()});
    return !resident_after_exit() || refuse({kResidentFirst});
}

ui::ReadResult Form::run() {
    if (d_.values().str("DECFINAL") == "S") {
        tell({"Essa declaração está marcada como uma  ", "Declaração final de espólio ",
              " e não pode, portanto, ser uma de Saída definitiva"});
        return {};
    }
    s_.fill(area_, {U' ', s_.colours.standard});
    const ui::ReadResult r = read(kLayout);
    if (departs() && date("DATASAIDA").blank())
        tell({"Informe a data de saída. Sem ela o cálculo estará errado"});
    return r;
}

}  // namespace

ScreenFields exit_fields() {
    return screen_fields("saída definitiva", kValueTables, kLayout);
}

ui::ReadResult exit_screen(ui::Screen& screen, Operator& op, store::Declaration& d, ui::Rect area) {
    return Form(screen, op, d, area).run();
}

}  // namespace vorn::entry
