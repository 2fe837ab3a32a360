// Questions and checks of a capital gain at entry.
#include "gains/checks.h"

#include "base/picture.h"
#include "base/text.h"

namespace vorn::gains {
namespace {

std::string money(Decimal v) {
    return trim(transform(v, Picture("@E 999,999,999,999.99")));
}

void tell(Operator& op, const std::string& text) {
    op.notice(NoticeKind::kWarning, "", text);
}

// Natures of a shareholding's operation, by code.
const char* share_nature(int code) {
    switch (code) {
        case 1:
            return "1 Alienacao/Resgate e outros    ";
        case 3:
            return "3 Doacao em Adianta. da Legitima";
        case 4:
            return "4 Dissolucao Sociedade Conjugal ";
        default:
            return "";
    }
}

}  // namespace

bool check_sale_date(store::Record& g, const Settings& s, Operator& op) {
    const Date sale = g.date("DATA_ALI");
    if (sale.blank()) return true;
    if (s.final_estate) {
        if (s.estate_date.blank()) {
            tell(op, "Preencha a " + s.estate_date_name);
            return false;
        }
        if (sale != s.estate_date) {
            tell(op, "A data venda deve ser " + s.estate_date.dmy());
            return false;
        }
    }
    if (sale.year() < kBaseYear) {
        if (!op.yes_no("",
                       "Esse bem foi vendido em outro ano e as parcelas\n"
                       "estão sendo pagas neste ano?",
                       false)) {
            g.set("VENDAANT", "N");
            return false;
        }
        g.set("VENDAANT", "S");
        g.set("VEN_PRAZO", "S");
        if (g.num("TIPO_BEM") == kShares || g.num("TIPO_BEM") == kCash) g.set("PARCOMPRA", "S");
        return true;
    }
    g.set("VENDAANT", "N");
    if (sale.year() > kBaseYear)
        tell(op,
             "Ganho com data posterior ao ano base serve apenas para o cálculo do DARF\n"
             "e não será levado para a declaração.");
    return true;
}

void ask_small_value(store::Record& g, Operator& op) {
    const Decimal limit = small_value_limit(g);
    if (g.num("VAL_ALI") > limit) {
        g.set("PEQ_VALOR", "N");
        return;
    }
    const Date sale = g.date("DATA_ALI");
    const std::string mm =
        sale.blank() ? "  " : (sale.month() < 10 ? "0" : "") + std::to_string(sale.month());
    const bool above =
        op.yes_no("",
                  "O valor do conjunto dos bens ou direitos da mesma natureza,\n"
                  "alienados em " +
                      mm + "/20" + "25" + ", é superior a " + " R$ " + money(limit) + "?",
                  false);
    g.set("PEQ_VALOR", above ? "N" : "S");
}

void check_single_property(store::Record& g, const Settings& s, Operator& op) {
    if (trim(g.str("UNIC_IMOV")) != "S") {
        g.set("USU_440", "S");
        return;
    }
    if (s.properties > 1)
        tell(op, "Consta na Declaração de Bens a existência de " +
                     std::string(s.properties < 10 ? "0" : "") + std::to_string(s.properties) +
                     " imóveis\nportanto não deveria ser utilizada essa opcão para o ganho de "
                     "capital.");
    const Date sale = g.date("DATA_ALI");
    const Date last = s.last_property_sale;
    if (!last.blank() && !sale.blank() && sale.year() < last.year() + 5 && sale > last) {
        tell(op, "ATENÇÃO! Embora sendo o único imóvel existe o registro \nde outra alienação em " +
                     last.dmy() +
                     " feito a menos de 5 anos.\nLogo ele não poderá usar o recurso da redução "
                     "do único imóvel.\nConfira essa informação na Tela F11");
        g.set("USU_440", "S");
        return;
    }
    const bool other = op.yes_no("",
                                 "Nos últimos 5 anos foi efetuada outra alienação\n"
                                 "de imóvel a qualquer título, tributada ou não?",
                                 false);
    g.set("USU_440", other ? "S" : "N");
}

void check_reinvestment(store::Record& g, const Settings& s, Operator& op) {
    const std::string answer = trim(g.str("USA_ART31"));
    auto none = [&] {
        g.set("VAL_PARTE", Decimal());
        g.set("PERART31", Decimal());
    };
    if (answer == "N" || answer == "2") {
        none();
        tell(op, "Não adquiri outro imóvel residencial em até 180 dias");
        return;
    }
    if (answer == "3") {
        none();
        tell(op,
             "Pretendia adquirir outro imóvel em até 180 dias\nmas não o fiz dentro desse prazo");
        return;
    }
    if (answer == "4") {
        none();
        tell(op, "Já utilizei em periódo inferior a 5 anos");
        return;
    }
    if (answer != "S" && answer != "1") {
        tell(op, "Digite S ou 1 se adquiriu outro imóvel até 180 dias");
        return;
    }
    const Decimal sale_value = g.num("VAL_ALI");
    auto refuse = [&](const char* text) {
        tell(op, text);
        g.set("USA_ART31", "N");
        none();
    };
    if (s.resident_abroad) return refuse("Residente no exterior não é permitido usar essa lei");
    if (trim(g.str("PEQ_VALOR")) == "S" && sale_value <= small_value_limit(g))
        return refuse("Imóvel de pequeno valor o valor é isento");
    if (trim(g.str("UNIC_IMOV")) == "S" && trim(g.str("USU_440")) == "N" &&
        sale_value > Decimal(35'000) && sale_value <= Decimal(440'000))
        return refuse("Unico Imóvel até 440 mil o valor é isento");
    const Date sale = g.date("DATA_ALI"), last = s.last_reinvestment;
    if (!last.blank() && !sale.blank() && sale >= last.add_days(180) &&
        sale < last.add_months(60)) {
        tell(op,
             "A lei 11.119 não poderá ser usada nesse imóvel.\n"
             "Esse recurso ou parte dele, só pode ser usado\n"
             "a cada 5 anos. Consta uma venda em " +
                 last.dmy() + "\n" + "O abatimento só poderá ser usado após " +
                 last.add_months(60).dmy() + "\n" + "Confira essa data na tela F11.");
        g.set("USA_ART31", "4");
        none();
        return;
    }
    const Decimal limit = sale_value - g.num("VAL_CORR");
    if (g.num("VAL_PARTE") > limit) {
        tell(op, "O valor não pode ser maior do que " + money(limit));
        g.set("VAL_PARTE", limit);
    }
}

bool check_instalment_nature(store::Record& g, Operator& op) {
    if (g.num("TIPO_BEM") != kShares || trim(g.str("VEN_PRAZO")) != "S") return true;
    const int nature = static_cast<int>(g.num("CODNATUR").whole());
    if (nature == 1 || nature == 0) return true;
    tell(op, "Ganho " + std::string(share_nature(nature)) + " somente a vista");
    g.set("VEN_PRAZO", "N");
    return false;
}

bool check_quantity(Decimal quantity, Operator& op) {
    if (quantity == quantity.trunc(0) && !quantity.is_negative()) return true;
    tell(op, "A quantidade deve ser um número inteiro: " + quantity.to_plain());
    return false;
}

int next_gain_number(const std::vector<store::Record>& table7, Operator& op) {
    long long highest = 0;
    for (const auto& g : table7)
        if (!g.deleted && g.num("TIPO_BEM") != kVariableIncome)
            highest = std::max(highest, g.num("BEM_NRO").whole());
    if (highest >= 99) {
        tell(op, "Limite de 99 ganhos atingido: não há número para mais um ganho.");
        return 0;
    }
    return static_cast<int>(highest) + 1;
}

}  // namespace vorn::gains
