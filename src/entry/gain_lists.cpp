// The rows of one capital gain the item editor shows: the acquisition costs of a property or a
// movable asset (list 10) and the purchases and sales of shares or foreign cash (list 19), each
// over the cost table and kept to the gain being edited (the list's owner is its number).
#include <map>

#include "entry/item_lists.h"
#include "gains/checks.h"

namespace vorn::entry {
namespace {

using C = CellCheck;
constexpr const char* kMoney = "@E 999,999,999.99";

bool of_gain(const store::Table& t, long owner) {
    return t.num("BEM_NRO").whole() == owner;
}

void new_cost(ListContext& x) {
    x.row.set("BEM_NRO", Decimal(static_cast<long long>(x.owner)));
}

void new_operation(ListContext& x) {
    new_cost(x);
    x.row.set("TIPO_OPER", Decimal(1));
}

std::string no_totals(const tax::Declaration&, long) {
    return "";
}

bool not_negative(ListContext& x, ui::Value& v) {
    if (!std::get<Decimal>(v).is_negative()) return true;
    x.op.notice(NoticeKind::kWarning, "", "O valor não pode ser negativo.");
    return false;
}

// An operation is a purchase (1) or a sale (3).
bool operation_kind(ListContext& x, ui::Value& v) {
    const Decimal k = std::get<Decimal>(v);
    if (k == Decimal(1) || k == Decimal(3)) return true;
    x.op.notice(NoticeKind::kWarning, "", "Informe 1 para compra ou 3 para venda");
    return false;
}

// Shares and coins are counted whole: a fraction is refused, never rounded.
bool whole_quantity(ListContext& x, ui::Value& v) {
    return not_negative(x, v) && gains::check_quantity(std::get<Decimal>(v), x.op);
}

ItemList costs() {
    ItemList l;
    l.number = 10;
    l.table = 8;
    l.title = "CUSTOS DE AQUISIÇÃO DO BEM";
    l.columns = {{"DATA_CUST", "DATA_CUST", "@d", "Data", 10, C::kNone},
                 {"VALOR_CUST", "VALOR_CUST", kMoney, "Valor do custo", 0, C::kOwn, not_negative},
                 {"PER_CUST", "PER_CUST", "@E 999.999999", "% do custo", 11, C::kReadOnly},
                 {"PER_RED", "PER_RED", "999", "% Red", 5, C::kReadOnly},
                 {"VALOR_REDU", "VALOR_REDU", kMoney, "Redução", 0, C::kReadOnly},
                 {"RESUL_2", "RESUL_2", kMoney, "Fator 1", 0, C::kReadOnly},
                 {"RESUL_3", "RESUL_3", kMoney, "Fator 2", 0, C::kReadOnly}};
    l.hint = "INS=Inclui DEL=Elimina ESC=Volta ao ganho";
    l.keep = of_gain;
    l.new_row = new_cost;
    l.totals = no_totals;
    l.labels = {"data do custo (aquisição, reforma, benfeitoria)",
                "valor pago nessa data",
                "parte desse custo no custo total",
                "percentual de redução pelo ano do custo",
                "redução pelo ano do custo",
                "redução pelo fator 1 desse custo",
                "redução pelo fator 2 desse custo"};
    return l;
}

ItemList operations() {
    ItemList l;
    l.number = 19;
    l.table = 8;
    l.title = "COMPRAS E VENDAS";
    l.columns = {
        {"DATA_CUST", "DATA_CUST", "@d", "Data", 10, C::kNone},
        {"TIPO_OPER", "TIPO_OPER", "9", "Op", 3, C::kOwn, operation_kind},
        {"MOV_ACAO", "MOV_ACAO", "@E 999,999,999.999", "Quantidade", 0, C::kOwn, whole_quantity},
        {"VALOR_CUST", "VALOR_CUST", kMoney, "Valor", 0, C::kOwn, not_negative},
        {"SALDO_ACAO", "SALDO_ACAO", "@E 999,999,999", "Saldo", 0, C::kReadOnly},
        {"CM_PONDER", "CM_PONDER", "@E 99,999,999.999999", "Custo médio", 0, C::kReadOnly},
        {"LOTE", "LOTE", "", "Lote", 17, C::kNone}};
    l.hint = "INS=Inclui DEL=Elimina ESC=Volta ao ganho  Op: 1=Compra 3=Venda";
    l.keep = of_gain;
    l.new_row = new_operation;
    l.totals = no_totals;
    l.labels = {"data da operação",
                "1 compra, 3 venda",
                "quantidade comprada ou vendida (inteira)",
                "valor da compra (a venda entra no valor da alienação)",
                "quantidade em carteira após a operação",
                "custo médio após a operação",
                "lote ou identificação da operação"};
    return l;
}

}  // namespace

void add_gain_lists(std::map<int, ItemList>& lists) {
    lists[10] = costs();
    lists[19] = operations();
}

}  // namespace vorn::entry
