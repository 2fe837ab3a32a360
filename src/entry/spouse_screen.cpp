// The spouse screen: its fields as a layout table, the figures typed or fetched from the
// spouse's own declaration, and the checks of a joint or final declaration before it opens.
#include "entry/spouse_screen.h"

#include <algorithm>
#include <optional>

#include "base/validate.h"
#include "entry/values_form.h"
#include "store/spouse_registry.h"
#include "tax/annual.h"

namespace vorn::entry {
namespace {

constexpr const char* kAmount = "@E 999,999,999.99";
constexpr const char* kShown = "999,999,999.99";
constexpr const char* kNegative = "O valor não pode ser negativo.";
constexpr int kAt = 50;    // the column of the amounts
constexpr int kFlag = 55;  // the column of the S/N answers

// The spouse's figures as this declaration keeps them, and the fields of the other declaration
// a fetch takes them from.
struct Fetched {
    const char* field;
    const char* from;
};
const Fetched kFetched[] = {{"I13_1C", "I13_20"},
                            {"I13_2C", "I13_44"},
                            {"I13_3C", "I13_45"},
                            {"I13_4C", "I13_35"},
                            {"I13_5C", "EXGSUSP"}};

class Form : public ValuesForm<Form> {
  public:
    Form(ui::Screen& s, Operator& op, store::WorkAreas& w, store::Declaration& d, ui::Rect area,
         const std::vector<std::string>& folders)
        : ValuesForm(s, op, d, area, "cônjuge"), w_(w), folders_(folders) {}

    ui::ReadResult run();

    // Valid-conditions.
    bool cpf();
    bool fetch();
    bool typed_here();
    bool informed() { return sn("I9_6"); }
    bool amount();

    // When-conditions.
    bool has_cpf() { return !trim(str("CPFCONJU")).empty(); }
    bool neither() { return has_cpf() && !yes("I9_4") && !yes("I9_5"); }
    bool not_fetched() { return has_cpf() && !yes("I9_4"); }
    bool typing() { return has_cpf() && yes("I9_5"); }

  private:
    bool refused_here();
    void clear_figures();
    Decimal net();
    void net_income(Decimal surplus);
    void paint_totals();
    bool cancel_fetch();
    std::vector<std::string> search_order();

    store::WorkAreas& w_;
    const std::vector<std::string>& folders_;
};

using F = Form;

const LayoutRow<Form> kLayout[] = {
    {0, 3, "CÔNJUGE OU COMPANHEIRO(A)", 0, "", ""},
    {2, 1, "CPF do cônjuge:", 17, "CPFCONJU", "@r 999.999.999-99", &F::cpf},
    {4, 1, "Buscar os valores na declaração do cônjuge (S/N):", kFlag, "I9_4", "!", &F::fetch,
     &F::has_cpf},
    {5, 1, "Lançar os valores do cônjuge nesta declaração (S/N):", kFlag, "I9_5", "!",
     &F::typed_here, &F::not_fetched},
    {6, 1, "Valores do cônjuge já informados (S/N):", kFlag, "I9_6", "!", &F::informed,
     &F::neither},
    {8, 1, "Base de cálculo do imposto", kAt, "I13_1C", kAmount, &F::amount, &F::typing},
    {9, 1, "Imposto pago", kAt, "I13_4C", kAmount, &F::amount, &F::typing},
    {10, 1, "Rendimentos isentos e não tributáveis", kAt, "I13_2C", kAmount, &F::amount,
     &F::typing},
    {11, 1, "Rendimentos sujeitos à tributação exclusiva", kAt, "I13_3C", kAmount, &F::amount,
     &F::typing},
    {12, 1, "Rendimentos com exigibilidade suspensa", kAt, "I13_5C", kAmount, &F::amount,
     &F::typing},
    {14, 1, "Rendimento líquido do cônjuge", 0, "", ""},
    {15, 1, "Sobra do cônjuge", 0, "", ""},
};

// Every figure of the spouse zero, in this declaration.
void Form::clear_figures() {
    for (const Fetched& f : kFetched) put(f.field, Decimal());
    for (const char* f : {"I9_2", "I9_3", "I13_43"}) put(f, Decimal());
    paint_totals();
}

// The spouse's net income from the five figures: the cash check's receipt.
Decimal Form::net() {
    return num("I13_1C") + num("I13_2C") + num("I13_3C") + num("I13_5C") - num("I13_4C");
}

// The net income kept, with the spouse's surplus.
void Form::net_income(Decimal surplus) {
    put("I9_2", net());
    put("I13_43", net());
    put("I9_3", surplus);
    paint_totals();
}

void Form::paint_totals() {
    const uint8_t c = s_.colours.standard;
    s_.write(area_.top + 14, area_.left + kAt, tax::picture_e(num("I9_2"), kShown), c);
    s_.write(area_.top + 15, area_.left + kAt, tax::picture_e(num("I9_3"), kShown), c);
    const std::string folder = trim(str("DIRCONJU"));
    s_.write(area_.top + 17, area_.left + 1,
             pad_right(left(folder.empty() ? "" : "Buscado em: " + folder, 76), 76), c);
}

// Empty clears everything below; a CPF must be valid and not the holder's own.
bool Form::cpf() {
    const std::string typed = trim(str("CPFCONJU"));
    if (typed.empty()) {
        for (const char* f : {"I9_4", "I9_5", "I9_6"}) put(f, "N");
        put("DIRCONJU", "");
        clear_figures();
        return true;
    }
    if (!VAL_CPF(op_, typed, false, 0)) return false;
    if (typed == d_.cpf()) return refuse({kSpouseIsHolder});
    return true;
}

// The current folder, the one remembered from an earlier fetch, then the terminal's others.
std::vector<std::string> Form::search_order() {
    std::vector<std::string> order;
    auto add = [&](const std::string& f) {
        if (!f.empty() && std::find(order.begin(), order.end(), f) == order.end())
            order.push_back(f);
    };
    if (!folders_.empty()) add(folders_.front());
    add(trim(str("DIRCONJU")));
    for (const std::string& f : folders_) add(f);
    return order;
}

// This declaration's fetch given up: its mark off and the spouse's figures cleared.
bool Form::cancel_fetch() {
    str("I9_4") = "N";
    clear_figures();
    return true;
}

bool Form::fetch() {
    const std::string answer = trim(str("I9_4"));
    if (answer == "N") return true;
    if (answer != "S")
        return refuse({"Digite (S)im ou N)ão caso deseje transportar automáticamente os",
                       "valores da declaração do conjuge. Lembre-se que só deve ser ",
                       "respondido com S(sim) na declaração do conjuge contiver bens em comum."});
    const std::string spouse = trim(str("CPFCONJU"));
    if (spouse == d_.cpf()) return refuse({kSpouseIsHolder});
    std::optional<store::FoundRegistry> found;
    if (Status s = store::find_registry(w_.env(), search_order(), spouse, &found); !s)
        return refuse({s.message()});
    if (!found) return refuse({"ATENÇÃO!CPF do conjuge não foi localizado nenhuma pasta."});
    if (folders_.empty() || found->folder != folders_.front()) put("DIRCONJU", found->folder);
    const store::Record& other = found->registry;
    if (other.str("I9_4") == "S") {
        if (!op_.yes_no("",
                        "Na declaração do conjuge já está  marcada para buscar\n"
                        "essas informações. Somente na declaração daquele que \n"
                        "estiver declarado os bens em comum pode estar marcado\n"
                        "Deseja que o programa retire a marca da outra declaração?"))
            return cancel_fetch();
        std::string in_use;
        Status s = store::clear_spouse_fetch(w_.env(), &w_.clock(), found->folder, spouse, &in_use);
        if (!s) {
            tell({"A marca da declaração do cônjuge não foi retirada:", s.message()});
            return cancel_fetch();
        }
        if (!in_use.empty()) {
            tell({"A declaração do cônjuge está em uso no terminal " + in_use + ".",
                  "A marca daquela declaração não foi retirada."});
            return cancel_fetch();
        }
    }
    if (other.str("USAPADRAO").empty()) {
        tell({"A declaração do conjuge não foi feita ou ainda ",
              "não foi definido o tipo do formulário. Verique!"});
        clear_figures();
        return true;
    }
    for (const Fetched& f : kFetched) put(f.field, other.num(f.from));
    put("I9_6", "S");
    net_income(other.num("SALDO"));
    return true;
}

bool Form::typed_here() {
    if (!sn("I9_5")) return false;
    if (yes("I9_5"))
        tell({"Atenção! Somente deve-se lançar valores aqui se essa    ",
              "declaração for a que contiver os bens em comuns do casal.",
              "Isso feito errado é motivo para glosar uma declaração!   "});
    else
        clear_figures();
    return true;
}

// A typed figure: never negative; the net income again, the surplus taken as equal to it.
bool Form::amount() {
    for (const Fetched& f : kFetched)
        if (num(f.field).is_negative()) return refuse({kNegative});
    net_income(net());
    return true;
}

// A joint declaration, or a final one with the spouse's figures marked: told, the figures
// cleared, and the screen not read.
bool Form::refused_here() {
    std::optional<std::string> joint;  // the CPF of the spouse among the dependants
    if (store::Table* t = d_.working(3)) {
        const size_t order = t->order();
        t->set_order(0);
        for (Status st = t->go_top(); st && !t->eof() && !joint; st = t->skip())
            if (t->num("CODIDEPEN") == Decimal(11)) joint = t->str("CPFDEPEN");
        t->set_order(order);
    }
    if (joint) {
        if (*joint != trim(str("CPFCONJU")))
            tell({"Atenção! O cpf do conjuge nos dependentes está diferente",
                  "daquele marcado no CPF do conjuge na tela F6.",
                  "Confira o que está errado: Código ou CPF"});
        else
            tell({"Essa declaração é uma declaração em conjunto!",
                  "Os valores dos rendimentos devem ser lançados",
                  "nos campos reservados para os dependentes"});
    } else if (d_.values().str("DECFINAL") == "S" && (yes("I9_4") || yes("I9_5"))) {
        tell({"Essa declaração está marcada como uma  ", "Declaração final de espólio e não pode",
              "ter mais os rendimentos do conjuge"});
    } else {
        return false;
    }
    put("I9_4", "N");
    put("I9_5", "N");
    for (const Fetched& f : kFetched) put(f.field, Decimal());
    if (Status st = d_.keep_records(); !st) op_.notice(NoticeKind::kError, "", st.message());
    return true;
}

ui::ReadResult Form::run() {
    if (refused_here()) return {};
    s_.fill(area_, {U' ', s_.colours.standard});
    paint_totals();
    return read(kLayout);
}

}  // namespace

ScreenFields spouse_fields() {
    return screen_fields("cônjuge", kValueTables, kLayout);
}

ui::ReadResult spouse_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                             store::Declaration& d, ui::Rect area,
                             const std::vector<std::string>& folders) {
    return Form(screen, op, w, d, area, folders).run();
}

}  // namespace vorn::entry
