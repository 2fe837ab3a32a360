// The person's income items of one kind behind screen 2's grid: lists 17 (month by month), 18
// (dated cash-book entries) and 24 (social security and Carnê-Leão paid).
#include "entry/monthly_items.h"

#include <string>

#include "base/text.h"
#include "base/validate.h"
#include "entry/individuals_screen.h"
#include "entry/monthly_values.h"
#include "tax/year.h"

namespace vorn::entry {
namespace {

using C = CellCheck;
constexpr const char* kMoney = "@E 999,999,999.99";
constexpr const char* kCpf = "@R 999.999.999-99";
constexpr long kKindUnit = 100000000000L;  // above every CPF of eleven digits
constexpr std::string_view kMonthlyHint =
    "INS=Inclui DEL=Elimina ENTER no Total ou Alt U=Valores mensais ESC=Volta";
constexpr std::string_view kDatedHint = "INS=Inclui DEL=Elimina ESC=Volta ao quadro mensal";

char kind_of(long owner) {
    return static_cast<char>(owner / kKindUnit);
}

// The dependant's CPF the owner names; empty for the holder.
std::string dependant_of(long owner) {
    const long cpf = owner % kKindUnit;
    return cpf == 0 ? std::string() : pad_left(std::to_string(cpf), 11, '0');
}

// Type and CPFs tell apart the payers from individuals only.
bool individuals(long owner) {
    return kind_of(owner) == 'F';
}

std::string kind_name(char kind) {
    switch (kind) {
        case 'F':
            return "Pessoa Física";
        case 'E':
            return "Exterior";
        case 'L':
            return "Livro Caixa";
        case 'P':
            return "Carne do INSS";
        default:
            return "Receita Federal";
    }
}

bool refuse(ListContext& at, const std::string& text) {
    at.op.notice(NoticeKind::kError, "", text);
    return false;
}

bool not_negative(ListContext& at, ui::Value& v) {
    if (std::get<Decimal>(v).is_negative()) return refuse(at, "O valor não pode ser negativo.");
    return true;
}

// The payer's CPF, punctuated.
bool payer_cpf(ListContext& at, ui::Value& v) {
    std::string& text = std::get<std::string>(v);
    std::string digits;
    for (char ch : text)
        if (ch >= '0' && ch <= '9') digits += ch;
    if (digits.empty()) {
        text = pad_right("", char_count(text));
        return true;
    }
    if (!VAL_CPF(at.op, digits, true)) return false;
    text = pad_right(mask_picture(digits, "999.999.999-99"), char_count(text));
    return true;
}

bool beneficiary_cpf(ListContext& at, ui::Value& v) {
    const std::string cpf = trim(std::get<std::string>(v));
    return cpf.empty() || VAL_CPF(at.op, cpf, true);
}

// The payer's income type, told against the row's CPFs.
bool income_type(ListContext& at, ui::Value& v) {
    IncomeTypeUse use;
    use.item = true;
    use.payer_cpf = at.row.str("I1_3");
    use.beneficiary_cpf = at.row.str("I1_40");
    return CHECK_LETRA(at.op, std::get<std::string>(v), use);
}

// A cash-book entry's date: within the calendar year and, in a final declaration of an estate,
// not after the partition month.
bool entry_date(ListContext& at, ui::Value& v) {
    const Date when = std::get<Date>(v);
    if (when.blank()) return true;
    if (when.year() != tax::kCalendarYear)
        return refuse(at, "A data do lançamento deve ser do ano de " +
                              std::to_string(tax::kCalendarYear) + ".");
    return month_within_estate(at.op, when.month(), estate_last_month(at.td));
}

ItemColumn only_individuals(ItemColumn c) {
    c.shown_for = individuals;
    return c;
}

// The type and the CPFs of a payer from individuals.
void add_payer_columns(std::vector<ItemColumn>& out) {
    out.push_back(only_individuals({"I1_41", "I1_41", "!", "Tipo", 4, C::kOwn, income_type}));
    out.push_back(only_individuals({"I1_3", "I1_3", "", "CPF do pagador", 18, C::kOwn, payer_cpf}));
    out.push_back(only_individuals(
        {"I1_40", "I1_40", kCpf, "CPF Beneficiário", 16, C::kOwn, beneficiary_cpf}));
}

// Whether an item (a record, or a table on its row) is of the owner's kind and person.
template <class Row>
bool owned(const Row& r, long owner) {
    if (r.str("I1_1") != std::string(1, kind_of(owner))) return false;
    const std::string dependant = dependant_of(owner);
    if (dependant.empty()) return r.str("I1_11") != "N";
    return r.str("I1_11") == "N" && r.str("I1_8") == dependant;
}

// The list's total, and in mode 3 how many entries of a dated kind the grid leaves out.
std::string items_total(const tax::Declaration& d, long owner) {
    const std::string kind(1, kind_of(owner));
    Decimal total;
    int undated = 0;
    tax::for_each_live(d.items, [&](const store::Record& it) {
        if (!owned(it, owner)) return;
        total += it.num("I1_4");
        if (it.date("DT_LC").blank()) ++undated;
    });
    std::string line =
        kind_name(kind_of(owner)) + "   Total " + trim(tax::picture_e(total, "999,999,999.99"));
    const bool dated =
        d.num("CAL_AUTO").whole() == 3 && (kind == "F" || kind == "E" || kind == "L");
    if (dated && undated > 0)
        line += "   " + std::to_string(undated) + " sem data (fora do quadro)";
    return line;
}

ItemList items_list(int number, std::string_view title, std::vector<ItemColumn> columns,
                    std::string_view hint) {
    ItemList l;
    l.number = number;
    l.table = 2;
    l.title = title;
    l.columns = std::move(columns);
    l.hint = hint;
    l.subtotal = "I1_4";
    l.keep = [](const store::Table& t, long owner) { return owned(t, owner); };
    l.new_row = [](ListContext& x) {
        const char kind = kind_of(x.owner);
        const std::string dependant = dependant_of(x.owner);
        x.row.set("I1_1", std::string(1, kind));
        x.row.set("I1_11", dependant.empty() ? "S" : "N");
        x.row.set("I1_8", dependant);
        if (kind == 'P' || kind == 'I') x.row.set("I1_2", kind_name(kind));
    };
    l.totals = items_total;
    return l;
}

}  // namespace

long monthly_items_owner(char kind, std::string_view dependant_cpf) {
    long cpf = 0;
    for (char ch : dependant_cpf)
        if (ch >= '0' && ch <= '9') cpf = cpf * 10 + (ch - '0');
    return static_cast<long>(kind) * kKindUnit + cpf;
}

GridItems grid_items(int column, int mode) {
    static constexpr char kKinds[] = {'F', 'E', 'L', 'P', 'I'};
    if (column < 1 || column > 5) return {};
    const char kind = kKinds[column - 1];
    if (kind == 'P' || kind == 'I') return {24, kind};
    return {mode == 3 ? 18 : 17, kind};
}

void add_monthly_item_lists(std::map<int, ItemList>& lists) {
    std::vector<ItemColumn> monthly = {{"I1_2", "I1_2", "@S30", "Nome", 30, C::kNone},
                                       {"I1_4", "I1_4", kMoney, "Total no ano", 0, C::kMonths}};
    add_payer_columns(monthly);
    lists[17] = items_list(17, "Rendimentos e despesas mês a mês", monthly, kMonthlyHint);

    std::vector<ItemColumn> dated = {{"DT_LC", "DT_LC", "@D", "Data", 10, C::kOwn, entry_date},
                                     {"I1_2", "I1_2", "@S30", "Nome", 30, C::kNone},
                                     {"I1_4", "I1_4", kMoney, "Valor", 0, C::kOwn, not_negative}};
    add_payer_columns(dated);
    lists[18] = items_list(18, "Livro caixa - lançamentos com data", dated, kDatedHint);

    std::vector<ItemColumn> paid = {{"I1_2", "I1_2", "@S30", "Nome", 30, C::kNone},
                                    {"I1_4", "I1_4", kMoney, "Total no ano", 0, C::kMonths}};
    paid[0].preset = true;
    lists[24] = items_list(24, "Previdência oficial e Carnê-Leão pagos", paid, kMonthlyHint);
}

}  // namespace vorn::entry
