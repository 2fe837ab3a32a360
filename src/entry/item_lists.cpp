// The payment, asset and debt lists as tables of columns.
#include "entry/item_lists.h"

#include <map>
#include <stdexcept>

#include "entry/dependants_list.h"
#include "entry/hints.h"
#include "entry/monthly_items.h"
#include "entry/office_tables.h"

namespace vorn::entry {
namespace {

using C = CellCheck;
constexpr const char* kMoney = "@E 999,999,999.99";

std::vector<ItemColumn> payment_columns() {
    return {{"I6_1", "I6_1", "", "Nome do beneficiário", 22, C::kNone},
            {"I6_3", "I6_3", "99", "Cod", 3, C::kPaymentCode},
            {"I6_6", "I6_6", "99", "Nr", 2, C::kPerson},
            {"I6_2", "I6_2", "", " CPF/CNPJ", 18, C::kDocument},
            {"I6_4", "I6_4", kMoney, "Total Pago", 0, C::kPaid},
            {"I6_5", "I6_5", kMoney, "N.Dedutível", 0, C::kNonDeductible},
            {"I6_9", "I6_9", "", "Descricao", 40, C::kNone}};
}

// The asset columns after the item number and the description.
std::vector<ItemColumn> asset_tail() {
    return {{"I7_3", "I7_3", kMoney, "Em 31/12/2024", 0, C::kAmount},
            {"I7_4", "I7_4", kMoney, "Em 31/12/2025", 0, C::kAmount},
            {"GRPO", "GRPO", "99", "Gr", 2, C::kAssetGroup},
            {"CODB", "CODB", "99", "Cod", 3, C::kAssetCode},
            {"JA_FEZ", "JA_FEZ", "!", "OK", 2, C::kDone},
            {"I7_7", "I7_7", "!", "Ext.", 4, C::kAbroad},
            {"I7_8", "I7_8", "999", "País", 4, C::kCountry},
            {"I7_1", "I7_1", "999", "Linha", 5, C::kNone},
            {"I7_9", "I7_9", kMoney, "2024 Original", 0, C::kReadOnly},
            {"I7_5", "I7_5", "999", "Cod.antigo", 10, C::kReadOnly}};
}

std::vector<ItemColumn> debt_tail() {
    return {{"I8_3", "I8_3", kMoney, "Em 31/12/2024", 0, C::kAmount},
            {"I8_4", "I8_4", kMoney, "Em 31/12/2025", 0, C::kAmount},
            {"I8_7", "I8_7", kMoney, "Pago em 2025", 0, C::kAmount},
            {"I8_5", "I8_5", "999", "Cod.", 4, C::kDebtCode},
            {"I8_1", "I8_1", "999", "Linha", 5, C::kNone},
            {"I8_6", "I8_6", kMoney, "2024 original", 0, C::kReadOnly}};
}

ItemColumn item_column(std::string_view field) {
    return {field, field, "9999", "Item", 4, C::kReadOnly};
}

ItemColumn description(std::string_view field, std::string_view header, int width) {
    return {field, field, "", header, width, C::kNone};
}

// Item first, then the description (description first in the enlarged list 8 and 9).
std::vector<ItemColumn> with_head(ItemColumn item, ItemColumn text, std::vector<ItemColumn> tail,
                                  bool text_first) {
    std::vector<ItemColumn> out;
    if (text_first) {
        out = {text, item};
    } else {
        out = {item, text};
    }
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

// The assets' hint without the sale's instalments (Alt P), which the assets' lists do not open.
std::string_view assets_hint() {
    static const std::string kept = [] {
        std::string h = hint(3);
        const std::string instalments = "Alt P=Lança parcelas ";
        if (const size_t at = h.find(instalments); at != std::string::npos)
            h.erase(at, instalments.size());
        return h;
    }();
    return kept;
}

const std::vector<std::string_view> kPaymentLabels = {
    "nome do médico, escola, clínica ou de quem recebeu o pagamento",
    "código do pagamento (tabela de códigos de pagamentos)",
    "número do dependente ou do alimentando; 0 para o titular",
    "CPF ou CNPJ de quem recebeu; vazio no exterior",
    "valor total pago no ano",
    "parte não dedutível: o que foi reembolsado ou não se deduz",
    "descrição do pagamento"};

const std::vector<std::string_view> kAssetTailLabels = {
    "valor em 31/12/2024",
    "valor em 31/12/2025",
    "grupo do bem (tabela de grupos)",
    "código do bem dentro do grupo",
    "S quando o item foi conferido",
    "S para bem no exterior",
    "código do país onde está o bem",
    "linha do bem na declaração anterior",
    "valor em 31/12/2024 como veio da declaração anterior",
    "código do bem na declaração anterior"};

const std::vector<std::string_view> kDebtTailLabels = {
    "valor em 31/12/2024",
    "valor em 31/12/2025",
    "valor pago em 2025",
    "código da dívida (tabela de dívidas)",
    "linha da dívida na declaração anterior",
    "valor em 31/12/2024 como veio da declaração anterior"};

// The labels of a list headed by the item number and the description (description first when
// asked).
std::vector<std::string_view> headed_labels(std::string_view item, std::string_view text,
                                            const std::vector<std::string_view>& tail,
                                            bool text_first) {
    std::vector<std::string_view> out = text_first ? std::vector<std::string_view>{text, item}
                                                   : std::vector<std::string_view>{item, text};
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}
constexpr std::string_view kZoomHint = "INS=Inclui DEL=Elimina TAB=Fim pag Alt Z ou X=Zoom";
constexpr std::string_view kInsertAfter = "Insere uma linha após esse Item?";
constexpr std::string_view kAssetText = "Discriminação, data aquisição ou venda ";
constexpr std::string_view kDebtText = " Discriminação                         ";

// An asset or debt list: the item number renumbered by insertions, then the description (or the
// description first), then the list's own columns.
ItemList patrimony(int number, int table, std::string_view title, std::string_view sequence,
                   std::string_view text, std::string_view text_header,
                   std::vector<ItemColumn> tail, std::string_view subtotal, bool enlarged,
                   bool text_first) {
    ItemList l;
    l.number = number;
    l.table = table;
    l.title = title;
    l.columns = with_head(item_column(sequence), description(text, text_header, enlarged ? 44 : 28),
                          std::move(tail), text_first);
    l.hint = table == 4 ? assets_hint() : kZoomHint;
    l.sequence = sequence;
    l.insert_question = kInsertAfter;
    l.subtotal = subtotal;
    l.enlarged = enlarged;
    if (table == 4) {
        l.on_key = heirs_shares_key;
        l.renumbered = asset_links_moved;
        l.reordered = asset_links_renumbered;
        l.office = kBanks;
        l.orders = {{"Grupo e código", {"GRPO", "CODB"}}, {"Discriminação", {"I7_2"}}};
        l.last_year = "I7_2";
        l.labels = headed_labels("número do item",
                                 "discriminação do bem (Enter oferece o texto do ano anterior)",
                                 kAssetTailLabels, text_first);
    } else {
        l.labels =
            headed_labels("número do item", "discriminação da dívida", kDebtTailLabels, text_first);
    }
    return l;
}

ItemList assets(int number, bool enlarged, bool text_first) {
    return patrimony(number, 4, "DECLARAÇÃO DE BENS E DIREITOS", "I7_0", "I7_2", kAssetText,
                     asset_tail(), "I7_4", enlarged, text_first);
}

ItemList debts(int number, bool enlarged, bool text_first) {
    return patrimony(number, 5, "DÍVIDAS E ÔNUS REAIS", "I8_0", "I8_2", kDebtText, debt_tail(),
                     "I8_4", enlarged, text_first);
}

std::map<int, ItemList> build() {
    std::map<int, ItemList> lists;
    ItemList p;
    p.number = 4;
    p.table = 6;
    p.title = "PAGAMENTOS E DOAÇÕES EFETUADOS";
    p.columns = payment_columns();
    static const std::string kPaymentsHint = hint(1);
    p.hint = kPaymentsHint;
    p.subtotal = "I6_4";
    p.office = kPayees;
    p.orders = {{"Nome do beneficiário", {"I6_1"}}, {"CPF/CNPJ", {"I6_2"}, true}};
    p.labels = kPaymentLabels;
    lists[4] = p;
    lists[5] = assets(5, false, false);
    lists[8] = assets(8, true, true);
    lists[22] = assets(22, true, false);
    lists[6] = debts(6, false, false);
    lists[9] = debts(9, true, true);
    lists[23] = debts(23, true, false);
    add_income_lists(lists);
    add_monthly_item_lists(lists);
    add_notes_lists(lists);
    add_posting_lists(lists);
    add_gain_lists(lists);
    add_rural_lists(lists);
    for (ItemList& l : people_lists()) lists[l.number] = std::move(l);
    return lists;
}

}  // namespace

const ItemList& item_list(int number) {
    static const std::map<int, ItemList> kLists = build();
    auto it = kLists.find(number);
    if (it == kLists.end()) throw std::out_of_range("no item list " + std::to_string(number));
    return it->second;
}

std::vector<ScreenFields> item_list_fields() {
    std::vector<ScreenFields> out;
    for (int n :
         {1, 2, 20, 4, 5, 6, 41, 42, 45, 21, 17, 18, 24, 11, 13, 15, 10, 19, 31, 32, 33, 34, 35}) {
        const ItemList& l = item_list(n);
        ScreenFields s{"lista " + std::to_string(n), {l.table}, {}};
        for (const ItemColumn& c : l.columns)
            if (c.check != CellCheck::kReadOnly)
                s.fields.push_back({std::string(c.field), std::string(c.picture)});
        out.push_back(std::move(s));
    }
    return out;
}

}  // namespace vorn::entry
