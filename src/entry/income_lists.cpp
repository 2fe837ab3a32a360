// The income lists as tables of columns: company income of the holder (list 1, kind "J") and of
// the dependants (list 2, kind "D"), and the income received cumulatively (list 20, kind "A", the
// holder's and the dependants' rows apart), with the checks of their cells.
#include <string>

#include "base/text.h"
#include "base/validate.h"
#include "entry/hints.h"
#include "entry/item_lists.h"
#include "entry/office_tables.h"
#include "entry/rra_window.h"
#include "tax/limits.h"
#include "tax/rra.h"
#include "ui/notices.h"

namespace vorn::entry {
namespace {

using C = CellCheck;
constexpr const char* kMoney = "@E 999,999,999.99";
constexpr const char* kCpf = "@R 999.999.999-99";
constexpr const char* kLottery = "Loteria Lei 14.790/2023";
constexpr std::string_view kRraHint = "ENTER=Edita a linha INS=Inclui DEL=Elimina TAB=Próximo item";

bool refuse(ListContext& at, const std::string& text) {
    at.op.notice(NoticeKind::kError, "", text);
    return false;
}

Decimal amount(const ui::Value& v) {
    return std::get<Decimal>(v);
}

bool positive(Decimal v) {
    return v > Decimal();
}

bool not_negative(ListContext& at, ui::Value& v) {
    if (amount(v).is_negative()) return refuse(at, "O valor não pode ser negativo.");
    return true;
}

// Taxable income and the pension of a serious illness are typed on separate rows.
bool taxable(ListContext& at, ui::Value& v) {
    if (!not_negative(at, v)) return false;
    if (positive(amount(v)) && positive(at.row.num("I1_18")))
        return refuse(at,
                      "ATENÇÃO! Já existe um valor digitado nessa linha \n"
                      "na aposentadoria por moléstia grave. Digite esse \n"
                      "rendimento tributado em uma nova linha separada  \n"
                      "do rendimento da moléstia grave.");
    return true;
}

bool illness(ListContext& at, ui::Value& v) {
    if (!not_negative(at, v)) return false;
    if (positive(amount(v)) && positive(at.row.num("I1_4")))
        return refuse(at,
                      "ATENÇÃO! Já existe um valor digitado nessa linha \n"
                      "no rendimento tributado. Digite esse rendimento  \n"
                      "de moléstia grave em uma nova linha separada     \n"
                      "do rendimento tributado.");
    v = tax::LIMIT2(at.c, amount(v));
    return true;
}

// The payer's CNPJ or CPF, punctuated and validated.
bool payer_document(ListContext& at, ui::Value& v) {
    std::string& text = std::get<std::string>(v);
    std::string typed = trim(text);
    if (typed.empty()) return true;
    if (!CPFCGC1(at.op, typed, false)) return false;
    text = pad_right(typed, char_count(text));
    return true;
}

// The exempt portion from age 65: the 13th's portion is asked beside it, each within its limit,
// then the person's age and the limit of the year over all the person's items.
bool over_65(ListContext& at, ui::Value& v) {
    if (!not_negative(at, v)) return false;
    Decimal annual = amount(v);
    if (!tax::LIM_INSS(at.c, annual, 1)) return false;
    Decimal thirteenth = at.row.num("I1_43");
    ui::MensArgs a;
    a.variable = ui::Var(thirteenth);
    a.width = 14;
    a.picture = "@E 99,999,999.99";
    a.valid = [&] { return !thirteenth.is_negative() && tax::LIM_INSS(at.c, thirteenth, 2); };
    ui::MENS(at.screen, 4, "Parcela isenta do 13ro salário (65 anos):", a);
    if (thirteenth.is_negative() || !tax::LIM_INSS(at.c, thirteenth, 2)) return false;
    std::vector<store::Record>& items = at.c.decl.items;
    if (at.item >= items.size()) return refuse(at, "A linha não está mais na lista.");
    items[at.item].set("I1_43", thirteenth);
    const size_t before = items.size();
    const std::string beneficiary = at.row.str("I1_11") == "N" ? trim(at.row.str("I1_8")) : "";
    const Decimal kept = tax::LIMIT3(at.c, at.item, annual, beneficiary);
    at.row.set("I1_43", items[at.item].num("I1_43"));
    v = kept;
    // The excess the operator accepted as taxable becomes rows of its own.
    const uint32_t here = at.t.recno();
    for (size_t k = before; k < items.size(); ++k) {
        store::Record extra = items[k];
        if (Status s = at.t.append(&extra); !s) return refuse(at, s.message());
    }
    if (Status s = at.t.go_to(here); !s) return refuse(at, s.message());
    if (at.row.str("I1_11") == "N") {
        store::Record checked = at.row;
        checked.set("I1_17", kept);
        tax::parents_income_check(at.c, checked);
    }
    return true;
}

bool lottery(ListContext& at, ui::Value& v) {
    if (!not_negative(at, v)) return false;
    if (!positive(amount(v))) return true;
    at.op.notice(NoticeKind::kInformation, "",
                 "Coloque no campo descrição o tipo da Loteria ganha.Não é necessário "
                 "colocar CNPJ para esse ganho.");
    if (trim(at.row.str("I1_2")).empty()) at.row.set("I1_2", kLottery);
    return true;
}

// The dependant a row belongs to.
bool dependant_cpf(ListContext& at, ui::Value& v) {
    const std::string cpf = trim(std::get<std::string>(v));
    return cpf.empty() || dependant_cpf_valid(at.op, at.c.decl, cpf);
}

// A value typed in the RRA list's own cells: the item's computation follows it.
bool rra_amount(ListContext& at, ui::Value& v) {
    if (!not_negative(at, v)) return false;
    store::Record item = at.row;
    item.set(at.field, amount(v));
    const std::string month = trim(item.str("I1_36"));
    const bool digits =
        !month.empty() && month.find_first_not_of("0123456789") == std::string::npos;
    if (!tax::CALC_RAA(at.c, item, 0, 0, digits ? std::stoi(month) : 0)) return false;
    at.row.set("I1_25", item.num("I1_25"));
    at.row.set("I1_20", item.num("I1_20"));
    return true;
}

// The age-65 portion typed in the RRA list: the same checks as in the item's window.
bool rra_portion(ListContext& at, ui::Value& v) {
    if (!not_negative(at, v)) return false;
    store::Record item = at.row;
    if (!tax::VER_APOSRAA(at.c, item, amount(v), 0)) return false;
    for (const char* f : {"I1_4", "TIPOCR", "I1_25", "I1_20"})
        at.row.set_value(at.row.layout().index(f), item.value(f));
    v = item.num("I1_17");
    return true;
}

ItemColumn own(std::string_view field, std::string_view picture, std::string_view header, int width,
               OwnCheck check) {
    return {field, field, picture, header, width, C::kOwn, check};
}

ItemColumn money(std::string_view field, std::string_view header, OwnCheck check = not_negative) {
    return own(field, kMoney, header, 0, check);
}

std::vector<ItemColumn> company_columns() {
    return {{"I1_2", "I1_2", "@S28", "Fonte pagadora", 28, C::kNone},
            money("I1_4", "Rendimentos", taxable),
            money("I1_6", "Previdência"),
            money("I1_5", "Imposto Fonte"),
            money("I1_7", "13ro salário=>"),
            money("I1_39", "IR 13ro Sal."),
            own("I1_3", "", "CNPJ/CPF Fonte", 18, payer_document),
            money("I1_29", "I01-Bolsa Estudo"),
            money("I1_24", "I02-Bolsa Médico"),
            money("I1_30", "I04-Indenizações"),
            money("I1_15", "I09-Lucro Distr."),
            money("I1_17", "I10-Apos.> 65", over_65),
            money("I1_18", "I11-Apos. Moléstia", illness),
            money("I1_37", "I12-Poupanca"),
            money("I1_38", "E06-Aplicacao"),
            money("I1_32", "E10-J.Capital Proprio"),
            money("I1_33", "E11-Part. Lucros"),
            money("I1_14", "I18-Bonificação"),
            money("I1_16", "I13-Sócio ME/EPP"),
            money("I1_23", "I14-Doação/Heran"),
            money("I1_31", "I16-IR Compensado"),
            money("I1_13", "I17-75% Exter  "),
            money("I1_26", "I19-Divorcio"),
            money("I1_27", "I20-Ação <20mil"),
            money("I1_28", "I21-Ouro <20mil"),
            {"I1_35", "I1_35", "@S30", "Descrição do outros", 30, C::kNone},
            money("I1_9", "I99-Outros Isento"),
            money("I1_34", "E12-Outros Tributado"),
            money("I1_44", "I28-Pensão Alimenticia"),
            money("I1_19", "Exig. Suspensa"),
            money("I1_20", "Depo.Judicial"),
            money("I1_45", "E13-Loteria ", lottery),
            {"DT_LC", "DT_LC", "@D", "Data Saida", 10, C::kNone, nullptr, nullptr, false, true}};
}

bool kind(const store::Table& t, const char* k, bool dependant) {
    return t.str("I1_1") == k && (t.str("I1_11") == "N") == dependant;
}

// "Essa linha contem nn lançamentos": the positive value columns I1_4 … I1_39 of the row.
std::vector<std::string> income_delete_question(const store::Record& row) {
    int count = 0;
    for (int n = 4; n <= 39; ++n) {
        const std::string field = "I1_" + std::to_string(n);
        if (row.layout().find(field) < 0) continue;
        const store::Value& v = row.value(field);
        if (const Decimal* d = std::get_if<Decimal>(&v); d && positive(*d)) ++count;
    }
    if (count == 0) return {"Confirma a Exclusão dessa linha?"};
    return {"Essa linha contem " + pad_left(std::to_string(count), 2) + " lançamentos",
            "Confirma a Exclusão dessa linha?"};
}

// MATINDI of the company-income columns, one per column of company_columns().
const std::vector<std::string_view> kCompanyLabels = {
    "nome da fonte pagadora (Alt F1 escolhe da tela auxiliar)",
    "rendimentos tributáveis recebidos no ano, sem o 13º salário",
    "contribuição previdenciária oficial descontada",
    "imposto retido na fonte, sem o do 13º salário",
    "13º salário (tributação exclusiva na fonte)",
    "imposto retido sobre o 13º salário",
    "CNPJ ou CPF da fonte pagadora",
    "isentos: bolsas de estudo e de pesquisa",
    "isentos: bolsas de médico-residente",
    "isentos: indenizações por rescisão, FGTS, PDV",
    "isentos: lucros e dividendos recebidos",
    "isentos: aposentadoria de quem tem 65 anos ou mais",
    "isentos: aposentadoria ou pensão por moléstia grave",
    "isentos: rendimentos de poupança e letras hipotecárias",
    "exclusivos: rendimentos de aplicações financeiras",
    "exclusivos: juros sobre capital próprio",
    "exclusivos: participação nos lucros ou resultados",
    "isentos: bonificações em ações",
    "isentos: lucros do sócio de microempresa ou EPP",
    "isentos: doações e heranças",
    "isentos: imposto compensado judicialmente",
    "isentos: 75% dos rendimentos do trabalho no exterior",
    "isentos: meação e dissolução da sociedade conjugal",
    "isentos: ganho em ações até R$ 20.000,00 no mês",
    "isentos: ganho em ouro ativo financeiro até R$ 20.000,00",
    "descrição dos outros rendimentos isentos",
    "isentos: outros",
    "exclusivos: outros",
    "isentos: pensão alimentícia",
    "rendimentos com exigibilidade suspensa",
    "depósitos judiciais do imposto",
    "exclusivos: prêmios de loteria",
    "data da saída definitiva do país"};

ItemList income(int number, std::string_view title, std::vector<ItemColumn> columns, int shown,
                bool dependant) {
    ItemList l;
    l.number = number;
    l.table = 2;
    l.title = title;
    l.columns = std::move(columns);
    l.shown = shown;
    static const std::string kHint = hint(2);
    l.hint = kHint;
    l.office = kPayers;
    l.orders = {{"Nome da fonte", {"I1_2"}}, {"CNPJ/CPF", {"I1_3"}, true}};
    l.asset_link = true;
    l.labels = kCompanyLabels;
    if (dependant) l.labels.insert(l.labels.begin(), "CPF do dependente que recebeu o rendimento");
    l.insert_question = "Insere uma linha ANTES desse Item?";
    l.insert_before = true;
    l.subtotal = "I1_4";
    l.delete_question = income_delete_question;
    l.dependants = dependant;
    return l;
}

std::vector<ItemColumn> rra_columns() {
    return {{"I1_2", "I1_2", "@S28", "Fonte pagadora", 28, C::kNone},
            money("I1_4", "Rendimentos", rra_amount),
            money("I1_6", "Previdência", rra_amount),
            money("I1_5", "Imposto Fonte =>", rra_amount),
            money("I1_17", "Isento 65 anos", rra_portion),
            money("I1_42", "Juros Recebido"),
            {"I1_3", "I1_3", "", "CNPJ/CPF Fonte", 18, C::kReadOnly},
            money("I1_12", "Pensao Jud.", rra_amount),
            {"I1_22", "I1_22", kCpf, "CPF Aliment.", 14, C::kReadOnly},
            {"I1_36", "I1_36", "99", "Mes ", 4, C::kReadOnly},
            {"TIPOCR", "TIPOCR", "!", "AA/EF", 5, C::kReadOnly},
            {"I1_21", "I1_21", "@Z 999.9", "Qtd. meses", 10, C::kReadOnly},
            {"I1_20", "I1_20", kMoney, "IR Devido", 0, C::kReadOnly},
            {"I1_25", "I1_25", kMoney, "Total Tributavel", 0, C::kReadOnly}};
}

const std::vector<std::string_view> kRraLabels = {
    "nome da fonte pagadora do rendimento recebido acumuladamente",
    "rendimentos tributáveis recebidos acumuladamente",
    "contribuição à previdência oficial",
    "imposto retido na fonte (Enter abre os dados do item)",
    "parcela isenta de aposentadoria a partir dos 65 anos",
    "juros recebidos com o rendimento",
    "CNPJ ou CPF da fonte pagadora",
    "pensão alimentícia judicial paga",
    "CPF do alimentando",
    "mês do recebimento",
    "ajuste anual (A) ou exclusiva na fonte (E)",
    "número de meses a que o rendimento se refere",
    "imposto devido, calculado",
    "total tributável, calculado"};

ItemList rra(int number, bool dependant) {
    ItemList l;
    l.number = number;
    l.table = 2;
    l.title = dependant ? "RRA dos dependentes" : "RRA do titular";
    l.columns = rra_columns();
    if (dependant)
        l.columns.insert(l.columns.begin(),
                         {"I1_8", "I1_8", kCpf, "CPF Dependente", 14, C::kReadOnly});
    l.labels = kRraLabels;
    if (dependant) l.labels.insert(l.labels.begin(), "CPF do dependente que recebeu o rendimento");
    l.shown = dependant ? 5 : 4;
    l.hint = kRraHint;
    l.insert_question = "Insere uma linha ANTES desse Item?";
    l.insert_before = true;
    l.subtotal = "I1_4";
    l.delete_question = income_delete_question;
    l.row_window = RRA_window;
    l.dependants = dependant;
    return l;
}

}  // namespace

bool dependant_cpf_valid(Operator& op, const tax::Declaration& d, const std::string& cpf) {
    if (!VAL_CPF(op, cpf, true)) return false;
    for (const store::Record& r : d.dependants)
        if (!r.deleted && r.num("CODIDEPEN") < Decimal(98) && trim(r.str("CPFDEPEN")) == cpf)
            return true;
    op.notice(NoticeKind::kError, "",
              "O CPF " + mask_picture(cpf, "999.999.999-99") +
                  " não é de um dependente dessa declaração.");
    return false;
}

void add_income_lists(std::map<int, ItemList>& lists) {
    ItemList holder = income(1, "Titular", company_columns(), 7, false);
    holder.keep = [](const store::Table& t, long) { return kind(t, "J", false); };
    holder.new_row = [](ListContext& x) {
        store::Record& r = x.row;
        r.set("I1_1", "J");
        r.set("I1_11", "S");
    };
    lists[1] = holder;

    std::vector<ItemColumn> columns = company_columns();
    columns.insert(columns.begin(), own("I1_8", kCpf, "CPF Dependente", 14, dependant_cpf));
    ItemList dependants = income(2, "Dependentes", columns, 8, true);
    dependants.keep = [](const store::Table& t, long) { return kind(t, "D", true); };
    dependants.new_row = [](ListContext& x) {
        store::Record& r = x.row;
        r.set("I1_1", "D");
        r.set("I1_11", "N");
    };
    lists[2] = dependants;

    ItemList own_rra = rra(20, false);
    own_rra.keep = [](const store::Table& t, long) { return kind(t, "A", false); };
    own_rra.new_row = [](ListContext& x) {
        store::Record& r = x.row;
        r.set("I1_1", "A");
        r.set("I1_11", "S");
        r.set("TIPOCR", "S");
    };
    lists[20] = own_rra;
    ItemList their_rra = rra(kDependantsRra, true);
    their_rra.keep = [](const store::Table& t, long) { return kind(t, "A", true); };
    their_rra.new_row = [](ListContext& x) {
        store::Record& r = x.row;
        r.set("I1_1", "A");
        r.set("I1_11", "N");
        r.set("TIPOCR", "S");
    };
    lists[kDependantsRra] = their_rra;
}

}  // namespace vorn::entry
