// The identification screen: its fields, pictures and validations.
#include "entry/identification.h"

#include "entry/field_values.h"

#include <functional>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "store/catalogue.h"
#include "store/opening.h"
#include "ui/notices.h"

namespace vorn::entry {
namespace {

constexpr const char* kSimNao = "Digite S de sim ou N de não";

// Upper case without accents: how names typed on the screen are matched with the tables'.
std::string plain(std::string_view text) {
    return trim(MATCAR(upper(trim(text))));
}

// The screen being read: the values of the fields (bound to the input fields), the labels, and
// what each field checks before it is written into the declaration.
class Form {
  public:
    Form(ui::Screen& s, Operator& op, store::WorkAreas& w, store::Declaration& d, ui::Rect area)
        : s_(s), op_(op), w_(w), d_(d), area_(area), tables_(read_identification_tables(w)) {}

    ui::ReadResult run();

  private:
    std::string& str(const std::string& name) { return std::get<std::string>(v(name)); }
    Decimal& num(const std::string& name) { return std::get<Decimal>(v(name)); }
    ui::Value& v(const std::string& name);
    void keep(const std::string& name) { d_.values().set(name, to_store(v(name))); }
    void label(int row, int col, std::string_view text);
    void show(int row, int col, std::string_view text, int width);
    // A field of the declaration's value `name`; `check` runs before the value is kept.
    void field(int row, int col, const std::string& name, std::string picture,
               std::function<bool()> check = {}, std::function<bool()> when = {});
    bool sn(const std::string& name);
    bool refuse(const std::vector<std::string>& lines);
    bool has_rural_entries(bool abroad_only);
    void build();

    ui::Screen& s_;
    Operator& op_;
    store::WorkAreas& w_;
    store::Declaration& d_;
    ui::Rect area_;
    IdentificationTables tables_;
    std::map<std::string, ui::Value> values_;
    std::vector<ui::Get> gets_;
    std::string send_mobile_;  // NOVREG as "S"/"N"
};

ui::Value& Form::v(const std::string& name) {
    auto it = values_.find(name);
    if (it != values_.end()) return it->second;
    ui::Value value = to_ui(d_.values().value(name));
    if (auto* text = std::get_if<std::string>(&value)) {
        // Text fields are edited at their full width.
        const store::Layout& l = d_.values().summary().layout().find(name) >= 0
                                     ? d_.values().summary().layout()
                                     : d_.values().registry().layout();
        *text = pad_right(*text, static_cast<size_t>(l[l.index(name)].width));
    }
    return values_.emplace(name, std::move(value)).first->second;
}

void Form::label(int row, int col, std::string_view text) {
    s_.write(area_.top + row, area_.left + col, text, s_.colours.standard);
}

void Form::show(int row, int col, std::string_view text, int width) {
    s_.write(area_.top + row, area_.left + col, pad_right(left(text, width), width),
             s_.colours.standard);
}

bool Form::refuse(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += (text.empty() ? "" : "\n") + l;
    op_.notice(NoticeKind::kWarning, "", text);
    return false;
}

bool Form::sn(const std::string& name) {
    std::string t = trim(str(name));
    if (t == "S" || t == "N") return true;
    return refuse({kSimNao});
}

void Form::field(int row, int col, const std::string& name, std::string picture,
                 std::function<bool()> check, std::function<bool()> when) {
    ui::Get g;
    g.row = area_.top + row;
    g.col = area_.left + col;
    g.var = ui::Var(v(name));
    g.picture = std::move(picture);
    g.name = name;
    if (auto* text = std::get_if<std::string>(&v(name))) g.width = static_cast<int>(text->size());
    g.valid = [this, name, check] {
        if (check && !check()) return false;
        keep(name);
        return true;
    };
    g.when = std::move(when);
    gets_.push_back(std::move(g));
}

bool Form::has_rural_entries(bool abroad_only) {
    for (int n = 16; n <= 19; ++n) {
        store::Table* t = d_.working(n);
        if (!t) continue;
        const size_t order = t->order();
        t->set_order(0);
        bool found = false;
        for (Status st = t->go_top(); st && !t->eof() && !found; st = t->skip())
            found = !abroad_only || t->str("ATV_BRASIL") == "N";
        t->set_order(order);
        if (found) return true;
    }
    return false;
}

void Form::build() {
    auto yes = [this](const char* n) { return trim(str(n)) == "S"; };
    const bool to_pay = d_.values().num("IMPPGRE") > Decimal(0);

    // Both blank: the address is in Brazil.
    if (trim(str("EBRASIL")).empty() && trim(str("EXTERIOR")).empty()) {
        str("EBRASIL") = "S";
        str("EXTERIOR") = "N";
        keep("EBRASIL");
        keep("EXTERIOR");
    }
    send_mobile_ = d_.values().summary().logical("NOVREG") ? "S" : "N";

    label(0, 1, "CPF: " + mask_picture(d_.cpf(), "999.999.999-99"));
    label(0, 24, "Atividade rural:");
    field(0, 41, "TEMRURAL", "!", [this, yes] {
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
    });
    label(0, 44, "Rural no exterior:");
    field(
        0, 63, "AAR_EXTER", "!",
        [this, yes] {
            if (!sn("AAR_EXTER")) return false;
            if (!yes("AAR_EXTER") && has_rural_entries(true))
                return refuse({"Existem lançamentos na Atividade que devem ser retirados",
                               "antes da retirada da Atividade Rural no exterior!"});
            return true;
        },
        [yes] { return yes("TEMRURAL"); });

    label(1, 1, "Nome:");
    field(1, 7, "NOMECONTR", "@!");

    label(2, 1, "Nascimento:");
    field(2, 13, "NASCIMENTO", "@d", [this] {
        show(2, 25, age_text(std::get<Date>(v("NASCIMENTO")), s_.clock().today()), 24);
        return true;
    });
    show(2, 25, age_text(std::get<Date>(v("NASCIMENTO")), s_.clock().today()), 24);

    label(3, 1, "Cônjuge/companheiro:");
    field(3, 22, "TEMCONJU", "@!", [this, yes] {
        if (!sn("TEMCONJU")) return false;
        if (!yes("TEMCONJU")) {
            num("TIPOREL") = Decimal(0);
            keep("TIPOREL");
        }
        return true;
    });
    label(3, 25, "Relação:");
    field(
        3, 34, "TIPOREL", "9",
        [this] {
            if (num("TIPOREL") >= Decimal(1) && num("TIPOREL") <= Decimal(5)) return true;
            return refuse({"1 - Comunhão Universal de Bens", "2 - Comunhão Parcial de Bens  ",
                           "3 - Separação de Bens         ", "4 - União Estável             ",
                           "5 - Parti. Final nos Aquestos "});
        },
        [yes] { return yes("TEMCONJU"); });
    label(3, 37, "CPF do cônjuge:");
    field(
        3, 53, "CPFCONJU", "@r 999.999.999-99",
        [this] { return VAL_CPF(op_, trim(str("CPFCONJU")), false, 0); },
        [yes] { return yes("TEMCONJU"); });

    label(4, 1, "Retificadora:");
    field(4, 15, "RETIFICA", "!", [this, yes] {
        if (!sn("RETIFICA")) return false;
        if (!yes("RETIFICA")) return true;
        std::string& atual = str("RECIBOATU");
        std::string& retificado = str("NRORECIBO");
        if (!trim(atual).empty()) {
            if (!trim(retificado).empty() && !op_.yes_no("", "Uma nova retificadora?")) return true;
            retificado = pad_right(trim(atual), retificado.size());
            atual = std::string(atual.size(), ' ');
            v("DENTREGA") = Date();
            keep("NRORECIBO");
            keep("RECIBOATU");
            keep("DENTREGA");
            return true;
        }
        if (!trim(retificado).empty()) return true;
        return refuse({"Para ser uma retificadora é necessário ter o campo",
                       "Último recibo de 20" + std::string(store::CANOATUAL) + " preenchido"});
    });
    label(4, 18, "Entrega:");
    field(4, 27, "DENTREGA", "@d");
    label(4, 39, "Recibo retificado:");
    field(
        4, 58, "NRORECIBO", "@r 9999999999-99",
        [this] { return check_receipt(op_, str("NRORECIBO")); }, [yes] { return yes("RETIFICA"); });

    label(5, 1, "Último recibo de 2026:");
    field(5, 24, "RECIBOATU", "@r 9999999999-99",
          [this] { return check_receipt(op_, str("RECIBOATU")); });
    label(5, 40, "Último recibo de 2025:");
    field(5, 63, "RECIBOANT", "@r 9999999999-99",
          [this] { return check_receipt(op_, str("RECIBOANT")); });

    label(6, 1, "Débito automático:");
    field(
        6, 20, "DEBITAUT", "!",
        [this, yes] {
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
        },
        [this, to_pay] { return to_pay && d_.values().num("QTD_QUOTA") >= Decimal(1); });
    label(6, 23, "Tipo de conta:");
    field(6, 38, "TIPOCONTA", "9", [this, to_pay] {
        const Decimal k = num("TIPOCONTA");
        const bool any = !d_.values().num("IMPPGRE").is_zero();
        if (k.is_zero() && !any) return true;
        if (k == Decimal(4) && to_pay)
            return refuse({"1 - Conta corrente", "2 - Conta poupança", "3 - Conta pagamento"});
        if (k >= Decimal(1) && k <= Decimal(4)) return true;
        return refuse(
            {"1 - Conta corrente", "2 - Conta poupança", "3 - Conta pagamento", "4 - PIX"});
    });
    label(6, 41, "Banco:");
    auto bank_name = [this] {
        auto it = tables_.banks.find(trim(str("BANCO")));
        show(6, 52, it == tables_.banks.end() ? "" : it->second, 26);
    };
    auto needs_account = [this] {
        const Decimal k = num("TIPOCONTA");
        return !k.is_zero() && k != Decimal(4);
    };
    field(6, 48, "BANCO", "@r ###", [this, bank_name, needs_account] {
        std::string b = trim(str("BANCO"));
        if (b.empty() && !needs_account()) return true;
        b = std::string(3 - std::min<size_t>(3, b.size()), '0') + b;
        if (!tables_.banks.count(b)) return refuse({"Banco " + b + " não cadastrado."});
        str("BANCO") = b;
        bank_name();
        return true;
    });
    bank_name();
    label(7, 1, "Agência:");
    field(7, 10, "AGENCIA", "@r !!!!", [this, needs_account] {
        if (needs_account() && trim(str("AGENCIA")).empty()) return refuse({"Informe a Agência!"});
        return true;
    });
    label(7, 16, "Conta:");
    field(7, 23, "CONTACO", "@r !!!!!!!!!!!!!-!!");

    label(8, 1, "Raça/cor:");
    field(8, 11, "RACA", "@r 9", [this] {
        if (num("RACA") <= Decimal(5)) return true;
        return refuse({"Informe a raça/cor", "0-", "1-Amarela", "2-Branca", "3-Indigena", "4-Parda",
                       "5-Preta"});
    });
    label(8, 14, "Doença grave/deficiência:");
    field(8, 40, "E_INVALIDO", "!", [this] { return sn("E_INVALIDO"); });
    label(8, 43, "Voltou a residir:");
    field(8, 61, "VOLTA_RES", "!", [this] {
        if (trim(str("VOLTA_RES")).empty()) str("VOLTA_RES") = "N";
        return sn("VOLTA_RES");
    });
    field(8, 64, "DATARETOR", "@d", {}, [yes] { return yes("VOLTA_RES"); });

    label(9, 1, "Endereço no Brasil:");
    field(9, 21, "EBRASIL", "!", [this, yes] {
        if (!sn("EBRASIL")) return false;
        str("EXTERIOR") = yes("EBRASIL") ? "N" : "S";
        keep("EXTERIOR");
        return true;
    });
    label(9, 24, "no exterior:");
    field(9, 37, "EXTERIOR", "!", [this, yes] {
        if (!sn("EXTERIOR")) return false;
        str("EBRASIL") = yes("EXTERIOR") ? "N" : "S";
        keep("EBRASIL");
        return true;
    });
    label(9, 40, "Procurador:");
    field(
        9, 52, "PROCBRASIL", "@r 999.999.999-99",
        [this] { return VAL_CPF(op_, trim(str("PROCBRASIL")), false, 0); },
        [yes] { return yes("EXTERIOR"); });

    label(10, 1, "Mudou de endereço:");
    field(10, 20, "NOVOEND", "!", [this] { return sn("NOVOEND"); });
    label(10, 23, "CEP:");
    field(10, 28, "CEP", "@r 99999-999", {}, [yes] { return yes("EBRASIL"); });
    label(10, 39, "Tipo:");
    field(10, 45, "TIPOEND", "@!", [this] {
        std::string t = plain(str("TIPOEND"));
        if (t.empty() || tables_.street_kinds.empty() || tables_.street_kinds.count(t)) return true;
        return refuse({"Tipo de logradouro " + trim(str("TIPOEND")) + " não cadastrado."});
    });
    label(11, 1, "Logradouro:");
    field(11, 13, "ENDERECO", "@!");
    label(11, 51, "Número:");
    field(11, 59, "NUMERO", "@!");
    label(12, 1, "Complemento:");
    field(12, 14, "COMPLEM", "@!");
    label(12, 36, "Bairro:");
    field(12, 44, "BAIRRO", "@!S19");
    label(13, 1, "UF:");
    field(
        13, 5, "UF", "@!",
        [this] {
            if (is_state(trim(str("UF")))) return true;
            return refuse({"UF " + trim(str("UF")) + " inválida."});
        },
        [yes] { return yes("EBRASIL"); });
    label(13, 8, "Município:");
    field(13, 19, "MUNICIPIO", "@!", [this, yes] {
        if (!yes("EBRASIL") || tables_.municipalities.empty()) return true;
        auto it = tables_.municipalities.find(plain(str("MUNICIPIO")) + trim(str("UF")));
        if (it == tables_.municipalities.end())
            return refuse({"Município não encontrado em " + trim(str("UF")) + "."});
        d_.values().set("CODMUNI", it->second);
        return true;
    });
    label(13, 50, "País:");
    auto country = [this] {
        auto it = tables_.countries.find(trim(str("CODPAIS")));
        show(13, 60, it == tables_.countries.end() ? "" : it->second, 18);
    };
    field(
        13, 56, "CODPAIS", "999",
        [this, country] {
            if (!tables_.countries.empty() && !tables_.countries.count(trim(str("CODPAIS"))))
                return refuse({"País " + trim(str("CODPAIS")) + " não cadastrado."});
            country();
            return true;
        },
        [yes] { return yes("EXTERIOR"); });
    country();

    label(14, 1, "Telefone: (");
    field(14, 12, "DDDTEL", "@R 99");
    label(14, 14, ")");
    field(14, 16, "TELEFO", "@R #9999-9999");
    label(14, 29, "Enviar celular:");
    {
        ui::Get g;
        g.row = area_.top + 14;
        g.col = area_.left + 45;
        g.var = ui::Var(send_mobile_);
        g.picture = "@!";
        g.width = 1;
        g.valid = [this] {
            if (send_mobile_ != "S" && send_mobile_ != "N") return refuse({kSimNao});
            d_.values().summary().set("NOVREG", send_mobile_ == "S");
            if (send_mobile_ == "N") show(14, 48, "Celular: (**) *****-****", 24);
            return true;
        };
        gets_.push_back(std::move(g));
    }
    label(14, 48, "Celular: (");
    field(14, 58, "DDDFAX", "@R 99", {}, [this] { return send_mobile_ == "S"; });
    label(14, 60, ")");
    field(14, 62, "TELCELU", "@R #9999-9999", {}, [this] { return send_mobile_ == "S"; });
    if (send_mobile_ == "N") show(14, 48, "Celular: (**) *****-****", 24);

    label(15, 1, "E-mail:");
    field(15, 9, "EMAIL", "@S40", [this] { return CHECKEMAIL(op_, trim(str("EMAIL"))); });

    label(16, 1, "Natureza da ocupação:");
    auto nature = [this] {
        auto it = tables_.natures.find(trim(str("CODAT")));
        if (it != tables_.natures.end()) {
            str("DESCRAT") = pad_right(it->second, str("DESCRAT").size());
            keep("DESCRAT");
        }
        show(16, 27, trim(str("DESCRAT")), 51);
    };
    field(16, 23, "CODAT", "99", [this, nature] {
        std::string c = trim(str("CODAT"));
        if (!c.empty() && !tables_.natures.empty() && !tables_.natures.count(c))
            return refuse({"Natureza da ocupação " + c + " não cadastrada."});
        nature();
        return true;
    });
    nature();
    label(17, 1, "Ocupação principal:");
    auto occupation = [this] {
        auto it = tables_.occupations.find(trim(str("CDPRO")));
        if (it != tables_.occupations.end()) {
            str("OCUPACAO") = pad_right(it->second, str("OCUPACAO").size());
            keep("OCUPACAO");
        }
        show(17, 26, trim(str("OCUPACAO")), 52);
    };
    field(17, 21, "CDPRO", "999", [this, occupation] {
        std::string c = trim(str("CDPRO"));
        if (!c.empty() && !tables_.occupations.empty() && !tables_.occupations.count(c))
            return refuse({"Ocupação " + c + " não cadastrada."});
        occupation();
        return true;
    });
    occupation();
    label(18, 1, "Registro profissional:");
    field(18, 24, "REGPROF", "@!");
    label(18, 43, "NIT:");
    field(18, 48, "NIT_TIT", "@r 999.99999.99-9",
          [this] { return VAL_NIT(op_, trim(str("NIT_TIT")), 0); });
}

ui::ReadResult Form::run() {
    s_.fill(area_, {U' ', s_.colours.standard});
    build();
    // Every accepted field reaches the working set at once: a terminal that stops in the middle
    // of the screen loses nothing the operator had accepted.
    for (ui::Get& g : gets_)
        g.valid = [this, valid = std::move(g.valid)] {
            if (valid && !valid()) return false;
            Status st = d_.keep_records();
            if (!st) op_.notice(NoticeKind::kError, "", st.message());
            return true;
        };
    return ui::READ(s_, gets_);
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

IdentificationTables read_identification_tables(store::WorkAreas& w) {
    IdentificationTables t;
    auto read = [&](int area, const std::function<void(store::Table&)>& row) {
        if (!store::ABERTURA(w, area)) return;
        store::Table& tb = *w.table(area);
        tb.set_order(0);
        for (Status s = tb.go_top(); s && !tb.eof(); s = tb.skip()) row(tb);
        w.close(area);
    };
    read(55, [&](store::Table& r) { t.banks[r.str("NUMBAN")] = r.str("NOMEBAN"); });
    read(59, [&](store::Table& r) { t.natures[r.str("CODAT")] = r.str("DESCRAT"); });
    read(58, [&](store::Table& r) { t.occupations[r.str("CDPRO")] = r.str("OCUPACAO"); });
    read(65,
         [&](store::Table& r) { t.street_kinds[plain(r.str("NOMELOGRA"))] = r.str("NOMELOGRA"); });
    read(60, [&](store::Table& r) { t.countries[r.str("CODPAIS")] = r.str("NOMPAIS"); });
    read(64, [&](store::Table& r) {
        t.municipalities[plain(r.str("NOMEMUNI")) + r.str("UNIFED")] = r.str("CODMUNI");
    });
    return t;
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
