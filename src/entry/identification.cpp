// The identification screen: its fields, pictures and validations.
#include "entry/identification.h"

#include <functional>
#include <stdexcept>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "entry/layout.h"
#include "entry/name_list.h"
#include "entry/spouse_screen.h"
#include "entry/table_rows.h"
#include "entry/values_form.h"
#include "store/catalogue.h"
#include "store/opening.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::entry {
namespace {

constexpr const char* kCpf = "@r 999.999.999-99";
constexpr const char* kReceipt = "@r 9999999999-99";
constexpr const char* kPhone = "@R #9999-9999";

bool is_phone(std::string_view name) {
    return name == "TELEFO" || name == "TELCELU";
}

// The screen being read: the values of the fields (bound to the input fields), and what each
// field checks before it is written into the declaration.
class Form : public ValuesForm<Form> {
  public:
    Form(ui::Screen& s, Operator& op, store::WorkAreas& w, store::Declaration& d, ui::Rect area)
        : ValuesForm(s, op, d, area, "identification"), tables_(read_identification_tables(w)) {}

    ui::ReadResult run();

    // Telephones are shown by their digit count: eight digits as "9999-9999", nine as
    // "99999-9999"; they are stored without the blanks that align them.
    void shown(std::string_view name, ui::Value& value) {
        if (!is_phone(name)) return;
        std::string& t = std::get<std::string>(value);
        t = pad_left(trim(t), t.size());
    }
    void stored(std::string_view name, store::Value& value) {
        if (is_phone(name)) value = trim(std::get<std::string>(value));
    }
    // A refused birth date leaves no age of the date it was to replace.
    void set_up(ui::Get& g) {
        if (g.name == "NASCIMENTO") g.refused = [this] { show(2, 25, "", 24); };
    }

    // Valid-conditions.
    bool rural();
    bool rural_abroad();
    bool name();
    bool birth();
    bool spouse();
    bool relation();
    bool spouse_cpf();
    bool amending();
    bool amended_receipt() { return check_receipt(op_, str("NRORECIBO")); }
    bool receipt_now() { return check_receipt(op_, str("RECIBOATU")); }
    bool receipt_before() { return check_receipt(op_, str("RECIBOANT")); }
    bool automatic_debit();
    bool account_kind();
    bool bank();
    bool branch();
    bool account();
    bool race();
    bool illness() { return sn("E_INVALIDO"); }
    bool resident_again();
    bool in_brazil();
    bool abroad();
    bool attorney() { return VAL_CPF(op_, trim(str("PROCBRASIL")), false, 0); }
    bool new_address() { return sn("NOVOEND"); }
    bool postal_code() { return check_cep(op_, str("CEP")); }
    bool street_kind();
    bool state();
    bool municipality();
    bool country();
    bool phone() { return check_phone(op_, str("TELEFO")); }
    bool send_mobile();
    bool mobile() { return check_phone(op_, str("TELCELU")); }
    bool email() { return CHECKEMAIL(op_, trim(str("EMAIL"))); }
    bool nature() { return coded(nature_); }
    bool occupation() { return coded(occupation_); }
    bool nit() { return VAL_NIT(op_, trim(str("NIT_TIT")), 0); }

    // When-conditions.
    bool has_rural() { return yes("TEMRURAL"); }
    bool has_spouse() { return yes("TEMCONJU"); }
    bool amends() { return yes("RETIFICA"); }
    bool has_quotas() { return to_pay() && d_.values().num("QTD_QUOTA") >= Decimal(1); }
    bool returned() { return yes("VOLTA_RES"); }
    bool lives_in_brazil() { return yes("EBRASIL"); }
    bool lives_abroad() { return yes("EXTERIOR"); }
    bool sends_mobile() { return yes("NOVREG"); }

  private:
    bool to_pay() const { return d_.values().num("IMPPGRE") > Decimal(0); }
    bool needs_account() {
        const Decimal k = num("TIPOCONTA");
        return !k.is_zero() && k != Decimal(4);
    }
    void show(int row, int col, std::string_view text, int width);
    bool has_rural_entries(bool abroad_only);
    void show_age();
    void show_bank();
    void show_country();
    // A code looked up in a reference table; its description kept in `text` and shown.
    struct Coded {
        const std::map<std::string, std::string>& table;
        const char* code;
        const char* text;
        const char* what;
        int row, col;
    };
    bool coded(const Coded& c);
    void describe(const Coded& c);
    void hide_mobile();

    IdentificationTables tables_;
    const Coded nature_{tables_.natures, "CODAT", "DESCRAT", "Natureza da ocupação", 16, 27};
    const Coded occupation_{tables_.occupations, "CDPRO", "OCUPACAO", "Ocupação", 17, 26};
};

using F = Form;

// Screen 6, read in this order.
const LayoutRow<Form> kLayout[] = {
    {0, 24, "Atividade rural:", 41, "TEMRURAL", "!", &F::rural},
    {0, 44, "Rural no exterior:", 63, "AAR_EXTER", "!", &F::rural_abroad, &F::has_rural},
    {1, 1, "Nome:", 7, "NOMECONTR", "@!", &F::name},
    {2, 1, "Nascimento:", 13, "NASCIMENTO", "@d", &F::birth},
    {3, 1, "Cônjuge/companheiro:", 22, "TEMCONJU", "@!", &F::spouse},
    {3, 25, "Relação:", 34, "TIPOREL", "9", &F::relation, &F::has_spouse},
    {3, 37, "CPF do cônjuge:", 53, "CPFCONJU", kCpf, &F::spouse_cpf, &F::has_spouse},
    {4, 1, "Retificadora:", 15, "RETIFICA", "!", &F::amending},
    {4, 18, "Entrega:", 27, "DENTREGA", "@d"},
    {4, 39, "Recibo retificado:", 58, "NRORECIBO", kReceipt, &F::amended_receipt, &F::amends},
    {5, 1, "Último recibo de 2026:", 24, "RECIBOATU", kReceipt, &F::receipt_now},
    {5, 40, "Último recibo de 2025:", 63, "RECIBOANT", kReceipt, &F::receipt_before},
    {6, 1, "Débito automático:", 20, "DEBITAUT", "!", &F::automatic_debit, &F::has_quotas},
    {6, 23, "Tipo de conta:", 38, "TIPOCONTA", "9", &F::account_kind},
    {6, 41, "Banco:", 48, "BANCO", "@r ###", &F::bank},
    {7, 1, "Agência:", 10, "AGENCIA", "@r !!!!", &F::branch},
    {7, 16, "Conta:", 23, "CONTACO", "@r !!!!!!!!!!!!!-!!", &F::account},
    {8, 1, "Raça/cor:", 11, "RACA", "@r 9", &F::race},
    {8, 14, "Doença grave/deficiência:", 40, "E_INVALIDO", "!", &F::illness},
    {8, 43, "Voltou a residir:", 61, "VOLTA_RES", "!", &F::resident_again},
    {8, 64, "", 64, "DATARETOR", "@d", nullptr, &F::returned},
    {9, 1, "Endereço no Brasil:", 21, "EBRASIL", "!", &F::in_brazil},
    {9, 24, "no exterior:", 37, "EXTERIOR", "!", &F::abroad},
    {9, 40, "Procurador:", 52, "PROCBRASIL", kCpf, &F::attorney, &F::lives_abroad},
    {10, 1, "Mudou de endereço:", 20, "NOVOEND", "!", &F::new_address},
    {10, 23, "CEP:", 28, "CEP", "@r 99999-999", &F::postal_code, &F::lives_in_brazil},
    {10, 39, "Tipo:", 45, "TIPOEND", "@!", &F::street_kind},
    {11, 1, "Logradouro:", 13, "ENDERECO", "@!"},
    {11, 51, "Número:", 59, "NUMERO", "@!"},
    {12, 1, "Complemento:", 14, "COMPLEM", "@!"},
    {12, 36, "Bairro:", 44, "BAIRRO", "@!S19"},
    {13, 1, "UF:", 5, "UF", "@!", &F::state, &F::lives_in_brazil},
    {13, 8, "Município:", 19, "MUNICIPIO", "@!", &F::municipality},
    {13, 50, "País:", 56, "CODPAIS", "999", &F::country, &F::lives_abroad},
    {14, 1, "Telefone: (", 12, "DDDTEL", "@R 99"},
    {14, 14, ")", 16, "TELEFO", kPhone, &F::phone},
    {14, 29, "Enviar celular:", 45, "NOVREG", "@!", &F::send_mobile},
    {14, 48, "Celular: (", 58, "DDDFAX", "@R 99", nullptr, &F::sends_mobile},
    {14, 60, ")", 62, "TELCELU", kPhone, &F::mobile, &F::sends_mobile},
    {15, 1, "E-mail:", 9, "EMAIL", "@S40", &F::email},
    {16, 1, "Natureza da ocupação:", 23, "CODAT", "99", &F::nature},
    {17, 1, "Ocupação principal:", 21, "CDPRO", "999", &F::occupation},
    {18, 1, "Registro profissional:", 24, "REGPROF", "@!"},
    {18, 43, "NIT:", 48, "NIT_TIT", "@r 999.99999.99-9", &F::nit},
};

void Form::show(int row, int col, std::string_view text, int width) {
    s_.write(area_.top + row, area_.left + col, pad_right(left(text, width), width),
             s_.colours.standard);
}

// A result record holds entries when any of its amounts or counts is typed (the monthly totals,
// earlier losses, adjustments, herd), its entry mode aside.
bool result_entered(store::Table& t) {
    store::Record r(t.layout_ptr());
    if (!t.read(r)) return true;
    for (size_t k = 0; k < r.layout().size(); ++k) {
        const store::FieldDef& f = r.layout()[k];
        if (f.type == store::FieldType::kNumeric && f.name != "TIPO_LANCA" &&
            !std::get<Decimal>(r.at(k)).is_zero())
            return true;
    }
    return false;
}

bool Form::has_rural_entries(bool abroad_only) {
    for (int n = 15; n <= 19; ++n) {
        store::Table* t = d_.working(n);
        if (!t) continue;
        const size_t order = t->order();
        t->set_order(0);
        bool found = false;
        for (Status st = t->go_top(); st && !t->eof() && !found; st = t->skip())
            found =
                (!abroad_only || t->str("ATV_BRASIL") == "N") && (n != 15 || result_entered(*t));
        t->set_order(order);
        if (found) return true;
    }
    return false;
}

bool Form::rural() {
    if (!sn("TEMRURAL")) return false;
    if (yes("TEMRURAL")) {
        d_.values().set("ATV_BRASIL", "S");
        return true;
    }
    if (has_rural_entries(false))
        return refuse({"Existem lançamentos na Atividade que devem ser retirados",
                       "antes da retirada da Atividade Rural!"});
    d_.values().set("ATV_BRASIL", "");
    str("AAR_EXTER") = "N";
    keep("AAR_EXTER");
    return true;
}

bool Form::rural_abroad() {
    if (!sn("AAR_EXTER")) return false;
    if (!yes("AAR_EXTER") && has_rural_entries(true))
        return refuse({"Existem lançamentos na Atividade que devem ser retirados",
                       "antes da retirada da Atividade Rural no exterior!"});
    return true;
}

bool Form::name() {
    if (!trim(str("NOMECONTR")).empty()) return true;
    return refuse({"Informe o nome do contribuinte."});
}

bool Form::birth() {
    const Date born = std::get<Date>(v("NASCIMENTO"));
    if (!born.blank() && born > s_.clock().today())
        return refuse({"A data de nascimento não pode ser posterior a hoje."});
    show_age();
    return true;
}

void Form::show_age() {
    show(2, 25, age_text(std::get<Date>(v("NASCIMENTO")), s_.clock().today()), 24);
}

bool Form::spouse() {
    if (!sn("TEMCONJU")) return false;
    if (!yes("TEMCONJU")) {
        num("TIPOREL") = Decimal(0);
        keep("TIPOREL");
    }
    return true;
}

bool Form::spouse_cpf() {
    if (!VAL_CPF(op_, trim(str("CPFCONJU")), false, 0)) return false;
    return trim(str("CPFCONJU")) != d_.cpf() || refuse({kSpouseIsHolder});
}

bool Form::relation() {
    if (num("TIPOREL") >= Decimal(1) && num("TIPOREL") <= Decimal(5)) return true;
    return refuse({"1 - Comunhão Universal de Bens", "2 - Comunhão Parcial de Bens  ",
                   "3 - Separação de Bens         ", "4 - União Estável             ",
                   "5 - Parti. Final nos Aquestos "});
}

bool Form::amending() {
    if (!sn("RETIFICA")) return false;
    if (!yes("RETIFICA")) return true;
    std::string& atual = str("RECIBOATU");
    std::string& retificado = str("NRORECIBO");
    if (!trim(atual).empty()) {
        if (!trim(retificado).empty() && !op_.yes_no("", "Uma nova retificadora?")) return true;
        retificado = pad_right(trim(atual), char_count(retificado));
        atual = std::string(char_count(atual), ' ');
        v("DENTREGA") = Date();
        keep("NRORECIBO");
        keep("RECIBOATU");
        keep("DENTREGA");
        return true;
    }
    if (!trim(retificado).empty()) return true;
    return refuse({"Para ser uma retificadora é necessário ter o campo",
                   "Último recibo de 20" + std::string(store::CANOATUAL) + " preenchido"});
}

bool Form::automatic_debit() {
    if (!sn("DEBITAUT")) return false;
    // One quota by automatic debit only up to its last day, unless delivered by then.
    const Date last(2026, 5, 9);
    Date delivered = d_.values().date("DENTREGA");
    if (yes("DEBITAUT") && d_.values().num("QTD_QUOTA") <= Decimal(1) &&
        s_.clock().today() > last && (delivered.blank() || delivered > last)) {
        str("DEBITAUT") = "N";
        op_.notice(NoticeKind::kWarning, "",
                   "Não é permitido débito automático com uma quota após " + last.dmy());
    }
    return true;
}

bool Form::account_kind() {
    const Decimal k = num("TIPOCONTA");
    const bool any = !d_.values().num("IMPPGRE").is_zero();
    if (k.is_zero() && !any) return true;
    if (k == Decimal(4) && to_pay())
        return refuse({"1 - Conta corrente", "2 - Conta poupança", "3 - Conta pagamento"});
    if (k >= Decimal(1) && k <= Decimal(4)) return true;
    return refuse({"1 - Conta corrente", "2 - Conta poupança", "3 - Conta pagamento", "4 - PIX"});
}

void Form::show_bank() {
    auto it = tables_.banks.find(trim(str("BANCO")));
    show(6, 52, it == tables_.banks.end() ? "" : it->second, 26);
}

bool Form::bank() {
    std::string b = trim(str("BANCO"));
    if (b.empty() && !needs_account()) return true;
    b = std::string(3 - std::min<size_t>(3, b.size()), '0') + b;
    if (!tables_.banks.count(b)) return refuse({join_words({"Banco", b, "não cadastrado."})});
    str("BANCO") = b;
    show_bank();
    return true;
}

bool Form::branch() {
    if (needs_account() && trim(str("AGENCIA")).empty()) return refuse({"Informe a Agência!"});
    return true;
}

bool Form::account() {
    std::string& a = str("CONTACO");
    a = pad_right(clean_account(a), a.size());
    return true;
}

bool Form::race() {
    if (num("RACA") <= Decimal(5)) return true;
    return refuse(
        {"Informe a raça/cor", "0-", "1-Amarela", "2-Branca", "3-Indigena", "4-Parda", "5-Preta"});
}

bool Form::resident_again() {
    if (trim(str("VOLTA_RES")).empty()) str("VOLTA_RES") = "N";
    return sn("VOLTA_RES");
}

bool Form::in_brazil() {
    if (!sn("EBRASIL")) return false;
    str("EXTERIOR") = yes("EBRASIL") ? "N" : "S";
    keep("EXTERIOR");
    return true;
}

bool Form::abroad() {
    if (!sn("EXTERIOR")) return false;
    str("EBRASIL") = yes("EXTERIOR") ? "N" : "S";
    keep("EBRASIL");
    return true;
}

bool Form::street_kind() {
    std::string t = plain_name(str("TIPOEND"));
    if (t.empty() || tables_.street_kinds.empty() || tables_.street_kinds.count(t)) return true;
    return refuse({join_words({"Tipo de logradouro", str("TIPOEND"), "não cadastrado."})});
}

bool Form::state() {
    if (is_state(trim(str("UF")))) return true;
    return refuse({join_words({"UF", str("UF"), "inválida."})});
}

bool Form::municipality() {
    if (!yes("EBRASIL") || tables_.municipalities.empty()) return true;
    const std::string uf = trim(str("UF"));
    const std::vector<const Municipality*> found =
        find_municipalities(tables_, uf, str("MUNICIPIO"));
    if (found.empty())
        return refuse({join_words({"Município", str("MUNICIPIO"), "não encontrado em", uf}) + "."});
    const Municipality* m =
        found.size() == 1 ? found.front() : choose_municipality(s_, op_, found, uf);
    if (!m) return false;
    str("MUNICIPIO") = pad_right(upper(m->name), char_count(str("MUNICIPIO")));
    d_.values().set("CODMUNI", m->code);
    return true;
}

void Form::show_country() {
    auto it = tables_.countries.find(trim(str("CODPAIS")));
    show(13, 60, it == tables_.countries.end() ? "" : it->second, 18);
}

bool Form::country() {
    if (!tables_.countries.empty() && !tables_.countries.count(trim(str("CODPAIS"))))
        return refuse({join_words({"País", str("CODPAIS"), "não cadastrado."})});
    show_country();
    return true;
}

void Form::hide_mobile() {
    show(14, 48, "Celular: (**) *****-****", 24);
}

bool Form::send_mobile() {
    if (!sn("NOVREG")) return false;
    if (!sends_mobile()) hide_mobile();
    return true;
}

void Form::describe(const Coded& c) {
    auto it = c.table.find(trim(str(c.code)));
    if (it != c.table.end()) {
        str(c.text) = pad_right(it->second, char_count(str(c.text)));
        keep(c.text);
    }
    show(c.row, c.col, trim(str(c.text)), ui::kCols - 2 - c.col);  // up to the frame
}

bool Form::coded(const Coded& c) {
    std::string code = trim(str(c.code));
    if (!code.empty() && !c.table.empty() && !c.table.count(code))
        return refuse({join_words({c.what, code, "não cadastrada."})});
    describe(c);
    return true;
}

ui::ReadResult Form::run() {
    s_.fill(area_, {U' ', s_.colours.standard});
    // Both blank: the address is in Brazil.
    if (trim(str("EBRASIL")).empty() && trim(str("EXTERIOR")).empty()) {
        str("EBRASIL") = "S";
        str("EXTERIOR") = "N";
        keep("EBRASIL");
        keep("EXTERIOR");
    }
    label(0, 1, "CPF: " + mask_picture(d_.cpf(), "999.999.999-99"));
    show_age();
    show_bank();
    show_country();
    describe(nature_);
    describe(occupation_);
    if (!sends_mobile()) hide_mobile();
    return read(kLayout);
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

std::string plain_name(std::string_view text) {
    return trim(MATCAR(upper(trim(text))));
}

const Municipality* choose_municipality(ui::Screen& s, Operator& op,
                                        const std::vector<const Municipality*>& found,
                                        std::string_view uf) {
    std::vector<std::string> names;
    for (const Municipality* m : found) names.push_back(m->name);
    const std::optional<size_t> k =
        choose_name(s, op, names, "Municípios de " + trim(uf), "Município",
                    "Escolha o município com Enter; Esc volta ao campo");
    return k ? found[*k] : nullptr;
}

IdentificationTables read_identification_tables(store::WorkAreas& w) {
    IdentificationTables t;
    auto read = [&](int area, const std::function<void(store::Table&)>& row) {
        for_each_row(w, area, row);
    };
    read(55, [&](store::Table& r) { t.banks[r.str("NUMBAN")] = r.str("NOMEBAN"); });
    read(59, [&](store::Table& r) { t.natures[r.str("CODAT")] = r.str("DESCRAT"); });
    read(58, [&](store::Table& r) { t.occupations[r.str("CDPRO")] = r.str("OCUPACAO"); });
    read(65, [&](store::Table& r) {
        t.street_kinds[plain_name(r.str("NOMELOGRA"))] = r.str("NOMELOGRA");
    });
    read(60, [&](store::Table& r) { t.countries[r.str("CODPAIS")] = r.str("NOMPAIS"); });
    read(64, [&](store::Table& r) {
        t.municipalities[r.str("UNIFED")][plain_name(r.str("NOMEMUNI"))] = {r.str("NOMEMUNI"),
                                                                            r.str("CODMUNI")};
    });
    return t;
}

std::vector<const Municipality*> find_municipalities(const IdentificationTables& t,
                                                     std::string_view uf, std::string_view typed) {
    return find_municipalities(t.municipalities, uf, typed);
}

std::vector<const Municipality*> find_municipalities(const Municipalities& all, std::string_view uf,
                                                     std::string_view typed) {
    std::vector<const Municipality*> found;
    auto state = all.find(trim(uf));
    if (state == all.end()) return found;
    const std::string key = plain_name(typed);
    if (auto exact = state->second.find(key); exact != state->second.end()) return {&exact->second};
    for (auto it = state->second.lower_bound(key);
         it != state->second.end() && it->first.compare(0, key.size(), key) == 0; ++it)
        found.push_back(&it->second);
    return found;
}

ScreenFields identification_fields() {
    return screen_fields("identificação", kValueTables, kLayout);
}

bool is_state(std::string_view uf) {
    static constexpr std::string_view kStates[] = {
        "AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO", "MA", "MT", "MS", "MG", "PA",
        "PB", "PR", "PE", "PI", "RJ", "RN", "RS", "RO", "RR", "SC", "SP", "SE", "TO"};
    for (auto s : kStates)
        if (s == uf) return true;
    return false;
}

std::string age_text(Date birth, Date today) {
    if (birth.blank() || today < birth) return "";
    int months = (today.year() - birth.year()) * 12 + today.month() - birth.month();
    if (today.day() < birth.day()) --months;
    return std::to_string(months / 12) + " anos e " + two(months % 12) + " meses";
}

ui::ReadResult identification_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                                     store::Declaration& d, ui::Rect area) {
    return Form(screen, op, w, d, area).run();
}

}  // namespace vorn::entry
