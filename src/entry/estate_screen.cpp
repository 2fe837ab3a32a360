// The final declaration of an estate as a layout table: the partition and the over-partition
// share one set of rules, the second's fields carrying the suffix "2".
#include "entry/estate_screen.h"

#include <string>

#include "base/validate.h"
#include "entry/identification.h"
#include "entry/values_form.h"

namespace vorn::entry {
namespace {

constexpr const char* kCpf = "@r 999.999.999-99";
constexpr const char* kCnpj = "@r !!.!!!.!!!/!!!!-99";

// One partition's fields: "" for the partition, "2" for the over-partition.
struct Partition {
    std::string suffix;
    const char* what;  // how the warnings name it
    std::string f(const char* name) const { return name + suffix; }
};
const Partition kFirst{"", "partilha"};
const Partition kOver{"2", "sobrepartilha"};

class Form : public ValuesForm<Form> {
  public:
    Form(ui::Screen& s, Operator& op, store::Declaration& d, ui::Rect area)
        : ValuesForm(s, op, d, area, "espólio") {}

    ui::ReadResult run();

    // Valid-conditions.
    bool final_mark();
    bool yes_no_field();
    bool inventory_holder() { return VAL_CPF(op_, trim(str("CPFINVENT")), false, 0); }
    bool over_holder() { return VAL_CPF(op_, trim(str("CPFINVENT2")), false, 0); }
    bool judicial_mark() { return sn("DECJUDI"); }
    bool over_judicial_mark() { return sn("DECJUDI2"); }
    bool state() { return uf(kFirst); }
    bool over_state() { return uf(kOver); }
    bool partition_date() { return dates(kFirst, false); }
    bool over_partition_date() { return dates(kOver, false); }
    bool decision_date() { return dates(kFirst, true); }
    bool over_decision_date() { return dates(kOver, true); }
    bool notary() { return VAL_CGC(op_, trim(str("CNPJCARTO")), false); }
    bool over_notary() { return VAL_CGC(op_, trim(str("CNPJCARTO2")), false); }
    bool deed_date() { return deed(kFirst); }
    bool over_deed_date() { return deed(kOver); }

    // When-conditions.
    bool final() { return yes("DECFINAL"); }
    bool judicial() { return final() && yes("DECJUDI"); }
    bool by_deed() { return final() && trim(str("DECJUDI")) == "N"; }
    bool over() { return final() && yes("INDSOBRE"); }
    bool over_judicial() { return over() && yes("DECJUDI2"); }
    bool over_by_deed() { return over() && trim(str("DECJUDI2")) == "N"; }

  private:
    bool uf(const Partition& p);
    bool dates(const Partition& p, bool decision);
    bool deed(const Partition& p);
    void warn_missing_date(const Partition& p, bool judicial, bool by_deed);
};

using F = Form;

const LayoutRow<Form> kLayout[] = {
    {0, 3, "DECLARAÇÃO FINAL DE ESPÓLIO", 0, "", ""},
    {1, 1, "Declaração final de espólio (S/N):", 36, "DECFINAL", "!", &F::final_mark},
    {1, 40, "Ano do óbito:", 54, "ANOOBITO", "@Z 9999", nullptr, &F::final},
    {2, 1, "Há bens a inventariar (S/N):", 36, "INDSFIM", "!", &F::yes_no_field, &F::final},
    {2, 40, "Sobrepartilha (S/N):", 61, "INDSOBRE", "!", &F::yes_no_field, &F::final},
    {3, 1, "Cônjuge meeiro (S/N):", 36, "MEEIRO", "!", &F::yes_no_field, &F::final},
    {3, 40, "Morte de ambos os cônjuges:", 68, "MORTE2", "!", &F::yes_no_field, &F::final},
    {4, 1, "CPF do inventariante:", 23, "CPFINVENT", kCpf, &F::inventory_holder, &F::final},
    {4, 39, "Nome:", 45, "NOMINVENT", "@!S32", nullptr, &F::final},
    {6, 1, "PARTILHA  judicial (S/N):", 27, "DECJUDI", "!", &F::judicial_mark, &F::final},
    {6, 40, "UF:", 44, "UFPROCES", "@!", &F::state, &F::final},
    {7, 1, "Processo:", 11, "NROPROCES", "@!", nullptr, &F::judicial},
    {7, 38, "Vara:", 44, "VARACIVIL", "@!", nullptr, &F::judicial},
    {7, 50, "Comarca:", 59, "COMARCA", "@!S18", nullptr, &F::judicial},
    {8, 1, "Data da partilha:", 19, "DATAPARTI", "@d", &F::partition_date, &F::judicial},
    {8, 31, "Trânsito em julgado:", 52, "DATADECIS", "@d", &F::decision_date, &F::judicial},
    {9, 1, "Cartório:", 11, "NOMECARTO", "@!S40", nullptr, &F::by_deed},
    {9, 53, "CNPJ:", 59, "CNPJCARTO", kCnpj, &F::notary, &F::by_deed},
    {10, 1, "Município:", 12, "MUNICARTO", "@!", nullptr, &F::by_deed},
    {10, 44, "Livro:", 51, "LIVRCARTO", "@Z 9999999", nullptr, &F::by_deed},
    {10, 60, "Folha:", 67, "FOLHCARTO", "@Z 9999999", nullptr, &F::by_deed},
    {11, 1, "Data da lavratura:", 20, "DATALAVRA", "@d", &F::deed_date, &F::by_deed},
    {13, 1, "SOBREPARTILHA  judicial (S/N):", 32, "DECJUDI2", "!", &F::over_judicial_mark,
     &F::over},
    {13, 40, "UF:", 44, "UFPROCES2", "@!", &F::over_state, &F::over},
    {14, 1, "CPF do inventariante:", 23, "CPFINVENT2", kCpf, &F::over_holder, &F::over},
    {14, 39, "Nome:", 45, "NOMINVENT2", "@!S32", nullptr, &F::over},
    {15, 1, "Processo:", 11, "NROPROCES2", "@!", nullptr, &F::over_judicial},
    {15, 38, "Vara:", 44, "VARACIVIL2", "@!", nullptr, &F::over_judicial},
    {15, 50, "Comarca:", 59, "COMARCA2", "@!S18", nullptr, &F::over_judicial},
    {16, 1, "Data da sobrepartilha:", 24, "DATAPARTI2", "@d", &F::over_partition_date,
     &F::over_judicial},
    {16, 36, "Trânsito em julgado:", 57, "DATADECIS2", "@d", &F::over_decision_date,
     &F::over_judicial},
    {17, 1, "Cartório:", 11, "NOMECARTO2", "@!S40", nullptr, &F::over_by_deed},
    {17, 53, "CNPJ:", 59, "CNPJCARTO2", kCnpj, &F::over_notary, &F::over_by_deed},
    {18, 1, "Município:", 12, "MUNICARTO2", "@!", nullptr, &F::over_by_deed},
    {18, 44, "Livro:", 51, "LIVRCARTO2", "@Z 9999999", nullptr, &F::over_by_deed},
    {18, 60, "Folha:", 67, "FOLHCARTO2", "@Z 9999999", nullptr, &F::over_by_deed},
    {19, 1, "Data da lavratura:", 20, "DATALAVRA2", "@d", &F::over_deed_date, &F::over_by_deed},
};

// Marking clears what an estate has not (occupation, e-mail, voter card) and forces the complete
// option in at most one quota (an exit declaration never comes this far); unmarking a final
// declaration is confirmed first.
bool Form::final_mark() {
    if (!sn("DECFINAL")) return false;
    const bool was = d_.values().str("DECFINAL") == "S";
    if (yes("DECFINAL") && !was) {
        for (const char* f : {"CDPRO", "OCUPACAO", "EMAIL", "TITULO"}) put(f, "");
        force_complete_single_quota(d_.values());
    } else if (!yes("DECFINAL") && was &&
               !op_.yes_no("", "Deseja cancelar como declaração final?", false)) {
        str("DECFINAL") = "S";
    }
    return true;
}

bool Form::yes_no_field() {
    for (const char* f : {"INDSFIM", "INDSOBRE", "MEEIRO", "MORTE2"}) {
        const std::string t = trim(str(f));
        if (!t.empty() && t != "S" && t != "N") return refuse({kSimNao});
    }
    return true;
}

bool Form::uf(const Partition& p) {
    const std::string typed = trim(str(p.f("UFPROCES")));
    if (typed.empty() || is_state(typed)) return true;
    return refuse({join_words({"UF", typed, "inválida."})});
}

// The partition's date or its final decision's (`decision`), whichever was typed: each within
// the calendar year, the decision not before the partition.
bool Form::dates(const Partition& p, bool decision) {
    const Date parti = date(p.f("DATAPARTI")), decis = date(p.f("DATADECIS"));
    if (!in_calendar_year(decision ? decis : parti))
        return refuse({decision ? std::string("A data da decisão em julgado deve")
                                : "A data da " + std::string(p.what) + " deve",
                       "ser no ano da declaração " + calendar_year_text()});
    if (!parti.blank() && !decis.blank() && decis < parti)
        return refuse({"A data da decisão em julgado deve", "ser superior a data da partilha."});
    return true;
}

bool Form::deed(const Partition& p) {
    if (in_calendar_year(date(p.f("DATALAVRA")))) return true;
    return refuse({"A data da lavratura da " + std::string(p.what) + " deve",
                   "ser no ano da declaração " + calendar_year_text()});
}

void Form::warn_missing_date(const Partition& p, bool judicial, bool by_deed) {
    if (judicial && date(p.f("DATAPARTI")).blank())
        tell({"Informe a data da decisão judicial da " + std::string(p.what) +
              ".Sem a data o cálculo estará errado"});
    if (by_deed && date(p.f("DATALAVRA")).blank())
        tell({"Informe a data da lavratura da " + std::string(p.what) +
              ".Sem a data o cálculo estará errado"});
}

ui::ReadResult Form::run() {
    if (d_.values().str("DECSAIDA") == "S") {
        tell({"Essa declaração está marcada como uma  ", "Declaração de saída definitiva do país ",
              " e não pode, portanto, ser uma de Espólio"});
        return {};
    }
    s_.fill(area_, {U' ', s_.colours.standard});
    const ui::ReadResult r = read(kLayout);
    warn_missing_date(kFirst, judicial(), by_deed());
    warn_missing_date(kOver, over_judicial(), over_by_deed());
    return r;
}

}  // namespace

ScreenFields estate_fields() {
    return screen_fields("espólio", kValueTables, kLayout);
}

ui::ReadResult estate_screen(ui::Screen& screen, Operator& op, store::Declaration& d,
                             ui::Rect area) {
    return Form(screen, op, d, area).run();
}

}  // namespace vorn::entry
