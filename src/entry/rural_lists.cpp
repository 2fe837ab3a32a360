// The rural activity's lists as tables of columns: the cash book, the assets, the debts, the
// properties and the bank accounts, each kept to one country by its owner (kBrazil, kAbroad).
#include <algorithm>

#include "base/text.h"
#include "base/validate.h"
#include "entry/item_lists.h"
#include "entry/rural_screens.h"
#include "tax/annual.h"

namespace vorn::entry {
namespace {

using C = CellCheck;
constexpr const char* kMoney = "@E 999,999,999.99";
constexpr std::string_view kHint = "INS=Inclui DEL=Elimina TAB=Volta Alt L=n linhas ";
constexpr const char* kComputed = "Os valores aqui são calculados. Não pode ser editado.";
constexpr const char* kOver100 = "O percentual não pode ser maior que 100%";

bool in_brazil(long owner) {
    return owner != kAbroad;
}
bool abroad(long owner) {
    return owner == kAbroad;
}

// The rows of the owner's country.
bool of_country(const store::Table& t, long owner) {
    return (t.str("ATV_BRASIL") != "N") == in_brazil(owner);
}
void country_of_row(ListContext& x) {
    x.row.set("ATV_BRASIL", in_brazil(x.owner) ? "S" : "N");
}

// After a change: the rural result and the declaration's totals again; the line under the list
// says what they are now.
std::string recomputed(EditorPlace& place, long owner) {
    recompute_rural(place);
    auto money = [](Decimal d) { return trim(tax::picture_e(d, "999,999,999.99")); };
    store::Record r;
    if (!rural_result(place.d, abroad(owner), &r)) return {};
    return "Receita " + money(r.num("I4R_01")) + "  Despesa " + money(r.num("I4R_02")) +
           "  Resultado " + money(r.num("I4R_03"));
}

// --- Own checks of the cells

bool refuse(ListContext& x, std::string_view text) {
    x.op.notice(NoticeKind::kWarning, "", text);
    return false;
}

bool computed(ListContext& x, ui::Value&) {
    return refuse(x, kComputed);
}

bool percentage(ListContext& x, ui::Value& v) {
    const Decimal p = std::get<Decimal>(v);
    if (p.is_negative()) return refuse(x, "O valor não pode ser negativo.");
    return p <= Decimal(100) || refuse(x, kOver100);
}

bool positive_number(ListContext& x, ui::Value& v) {
    return std::get<Decimal>(v) > Decimal() || refuse(x, "Informe um número maior que zero.");
}

// A CPF or CNPJ, stored with its punctuation.
bool document(ListContext& x, ui::Value& v) {
    std::string& text = std::get<std::string>(v);
    const size_t width = char_count(text);
    std::string typed = trim(text);
    if (typed.empty()) return true;
    if (!CPFCGC1(x.op, typed, false)) return false;
    text = pad_right(typed, width);
    return true;
}

// An entry of the year 2025: the book holds no other.
bool entry_date(ListContext& x, ui::Value& v) {
    const Date d = std::get<Date>(v);
    return d.blank() || d.year() == 2025 || refuse(x, "A data deve ser do ano de 2025.");
}

bool receipt_or_expense(ListContext& x, ui::Value& v) {
    const std::string k = trim(std::get<std::string>(v));
    return k == "C" || k == "D" || refuse(x, "Digite C para receita ou D para despesa.");
}

// A property of Brazil that exists (0: none named).
bool property_number(ListContext& x, ui::Value& v) {
    const long long n = std::get<Decimal>(v).whole();
    if (n == 0) return true;
    store::Table* p = x.d.working(16);
    bool found = false;
    if (p != nullptr)
        for (Status s = p->go_top(); s && !p->eof() && !found; s = p->skip())
            found = p->str("ATV_BRASIL") != "N" && p->num("I2R_00").whole() == n;
    return found || refuse(x, "Imóvel não cadastrado na atividade rural.");
}

// --- Deleting a property

// The cash-book entries of Brazil that name property `number`.
int entries_on(store::Declaration& d, long long number) {
    store::Table* book = d.working(19);
    int used = 0;
    if (book == nullptr || number <= 0) return 0;
    for (Status s = book->go_top(); s && !book->eof(); s = book->skip())
        used += book->str("ATV_BRASIL") != "N" && book->num("NROIMO").whole() == number;
    return used;
}

// A property of Brazil the cash book still names stays: its entries would count at 100 % and
// the digital book would name a property it no longer describes.
bool remove_property(ListContext& x) {
    const uint32_t row = x.t.recno();
    const long long number = x.row.num("I2R_00").whole();
    const int used = in_brazil(x.owner) ? entries_on(x.d, number) : 0;
    (void)x.t.go_to(row);
    if (used > 0)
        return refuse(
            x, ("O imóvel " + std::to_string(number) + " é usado em " + std::to_string(used) +
                (used == 1 ? " lançamento" : " lançamentos") +
                " do livro caixa.\nMude ou retire esses lançamentos antes de excluí-lo."));
    if (!x.op.yes_no("", "Confirma a Exclusão dessa linha?", false)) return false;
    x.w.select(20 + 16);
    if (!x.t.go_to(row) || !store::REC_LOCK(x.w, 5)) return false;
    Status s = x.t.delete_record();
    Status u = x.t.unlock();
    if (!s || !u) return refuse(x, (s ? u : s).message());
    return true;
}

// --- New rows

// The next number after the highest of the country's rows.
void next_number(ListContext& x, std::string_view field) {
    long long highest = 0;
    for (Status s = x.t.go_top(); s && !x.t.eof(); s = x.t.skip())
        if (of_country(x.t, x.owner)) highest = std::max(highest, x.t.num(field).whole());
    x.row.set(field, Decimal(highest + 1));
}

void new_property(ListContext& x) {
    country_of_row(x);
    next_number(x, "I2R_00");
    x.row.set("I2R_04", Decimal(100));
    x.row.set("I2R_05", Decimal(1));
}
void new_asset(ListContext& x) {
    country_of_row(x);
    next_number(x, "ITEM");
}
void new_debt(ListContext& x) {
    country_of_row(x);
    next_number(x, "ITEM");
}
void new_entry(ListContext& x) {
    country_of_row(x);
}
void new_account(ListContext& x) {
    country_of_row(x);
    next_number(x, "COD_CONTA");
}

// --- The lists

ItemList rural_list(int number, int table, std::string_view title) {
    ItemList l;
    l.number = number;
    l.table = table;
    l.title = title;
    l.hint = kHint;
    l.keep = of_country;
    l.changed = recomputed;
    return l;
}

ItemList cash_book() {
    ItemList l = rural_list(kCashBookList, 19, "LIVRO CAIXA DA ATIVIDADE RURAL");
    l.columns = {{"DT_LC", "DT_LC", "@d", "Data", 10, C::kOwn, entry_date},
                 {"NROIMO", "NROIMO", "99", "Imóvel", 6, C::kOwn, property_number},
                 {"TIPOCR", "TIPOCR", "!", "C/D", 3, C::kOwn, receipt_or_expense},
                 {"VALOR", "VALOR", kMoney, "Valor", 0, C::kAmount},
                 {"DESCR", "DESCR", "", "Histórico", 30, C::kNone},
                 {"COD_CONTA", "COD_CONTA", "999", "Conta", 5, C::kNone},
                 {"NUM_DOC", "NUM_DOC", "", "Documento", 12, C::kNone},
                 {"TIPODOC", "TIPODOC", "9", "Tp.Doc", 6, C::kNone},
                 {"ID_PARTIC", "ID_PARTIC", "", "CPF/CNPJ participante", 18, C::kOwn, document}};
    l.new_row = new_entry;
    l.subtotal = "VALOR";
    l.labels = {"data do lançamento (em 2025)",
                "número do imóvel (0: nenhum)",
                "C receita, D despesa",
                "valor do lançamento",
                "histórico",
                "código da conta bancária",
                "número do documento",
                "tipo do documento",
                "CPF ou CNPJ de quem pagou ou recebeu"};
    return l;
}

ItemList rural_assets() {
    ItemList l = rural_list(kRuralAssetsList, 17, "BENS DA ATIVIDADE RURAL");
    l.columns = {{"ITEM", "ITEM", "9999", "Item", 4, C::kReadOnly},
                 {"CODIGO", "CODIGO", "999", "Cód", 4, C::kNone},
                 {"I8R_1", "I8R_1", "@S34", "Discriminação", 34, C::kNone},
                 {"I8R_2", "I8R_2", kMoney, "Em 31/12/2024", 0, C::kAmount},
                 {"I8R_5", "I8R_5", kMoney, "Em 31/12/2025", 0, C::kAmount},
                 {"I8R_3", "I8R_3", "999", "País", 4, C::kNone}};
    l.new_row = new_asset;
    l.subtotal = "I8R_5";
    return l;
}

ItemList rural_debts() {
    ItemList l = rural_list(kRuralDebtsList, 18, "DÍVIDAS DA ATIVIDADE RURAL");
    l.columns = {{"ITEM", "ITEM", "999", "Item", 4, C::kReadOnly},
                 {"I9R_1", "I9R_1", "@S30", "Discriminação", 30, C::kNone},
                 {"I9R_2", "I9R_2", kMoney, "Em 31/12/2024", 0, C::kAmount},
                 {"I9R_3", "I9R_3", kMoney, "Em 31/12/2025", 0, C::kAmount},
                 {"I9R_4", "I9R_4", kMoney, "Pago em 2025", 0, C::kAmount}};
    l.new_row = new_debt;
    l.subtotal = "I9R_3";
    return l;
}

// Columns 1 to 13 are counted on the whole list; 8 to 13 are the activity abroad's and 11 to 13
// are computed from its revenue and expenses in dollars.
ItemList properties() {
    ItemList l = rural_list(kPropertiesList, 16, "IMÓVEIS DA ATIVIDADE RURAL");
    l.columns = {{"I2R_00", "I2R_00", "999", "Nro", 4, C::kOwn, positive_number},
                 {"I2R_01", "I2R_01", "@S30", "Nome do imóvel", 30, C::kNone},
                 {"I2R_04", "I2R_04", "@E 999.99", "% Part.", 7, C::kOwn, percentage},
                 {"I2R_05", "I2R_05", "9", "Cond.", 5, C::kNone},
                 {"I2R_02", "I2R_02", "@E 999,999.99", "Área (ha)", 0, C::kAmount},
                 {"I2R_03", "I2R_03", "", "CIB", 8, C::kNone},
                 {"I2R_06", "I2R_06", "@S30", "Endereço", 30, C::kNone},
                 {"CODPAIS", "CODPAIS", "999", "País", 4, C::kNone},
                 {"RECEXT", "RECEXT", kMoney, "Receita US$", 0, C::kAmount},
                 {"DESEXT", "DESEXT", kMoney, "Despesa US$", 0, C::kAmount},
                 {"RESUS", "RESUS", kMoney, "Resultado US$", 0, C::kOwn, computed},
                 {"OPC20US", "OPC20US", kMoney, "20% US$", 0, C::kOwn, computed},
                 {"OPC20RS", "OPC20RS", kMoney, "20% R$", 0, C::kOwn, computed},
                 {"CAEPF", "CAEPF", "", "CAEPF", 14, C::kNone},
                 {"INSCR_ES", "INSCR_ES", "", "Insc.Estadual", 14, C::kNone},
                 {"NUM_IMR", "NUM_IMR", "", "Número", 6, C::kNone},
                 {"COMP_IMR", "COMP_IMR", "@S20", "Complemento", 20, C::kNone},
                 {"DISTR_IMR", "DISTR_IMR", "@S20", "Cidade/Distrito", 20, C::kNone},
                 {"UF_IMR", "UF_IMR", "!!", "UF", 3, C::kNone},
                 {"CODM_IMR", "CODM_IMR", "", "Cód.Munic.", 10, C::kNone},
                 {"CEP_IMR", "CEP_IMR", "99999999", "CEP", 8, C::kNone},
                 {"TIPO_CONTR", "TIPO_CONTR", "9", "Contr.", 6, C::kNone},
                 {"CPFPJ_CONT", "CPFPJ_CONT", "", "CPF/CNPJ terceiro", 18, C::kOwn, document},
                 {"NOME_CONTR", "NOME_CONTR", "@S30", "Nome do terceiro", 30, C::kNone},
                 {"PERC_CONTR", "PERC_CONTR", "@E 999.99", "% terceiro", 10, C::kOwn, percentage}};
    for (size_t k = 0; k < l.columns.size(); ++k) {
        if (k == 5 || k >= 13) l.columns[k].shown_for = in_brazil;
        if (k >= 7 && k <= 12) l.columns[k].shown_for = abroad;
    }
    l.new_row = new_property;
    l.remove = remove_property;
    return l;
}

ItemList banks() {
    ItemList l = rural_list(kBanksList, 21, "CONTAS BANCÁRIAS DO LIVRO CAIXA DIGITAL");
    l.columns = {{"COD_CONTA", "COD_CONTA", "999", "Cód", 4, C::kNone},
                 {"NRO_BANCO", "NRO_BANCO", "999", "Banco", 5, C::kNone},
                 {"NOM_BANCO", "NOM_BANCO", "", "Nome do Banco", 30, C::kNone},
                 {"NRO_AGENC", "NRO_AGENC", "9999", "Agência", 7, C::kNone},
                 {"NRO_CONTA", "NRO_CONTA", "9999999999999999", "Conta", 16, C::kNone}};
    l.new_row = new_account;
    l.changed = nullptr;  // the accounts take no part in the result
    return l;
}

}  // namespace

void add_rural_lists(std::map<int, ItemList>& lists) {
    for (ItemList l : {cash_book(), rural_assets(), rural_debts(), properties(), banks()})
        lists[l.number] = std::move(l);
}

}  // namespace vorn::entry
