// The lists of a declaration kept outside the computation's tables: the personal notes and the
// program's notices (table 11), the losses carried forward (table 14) and the monthly expenses
// of keeping the assets (table 10).
#include "base/text.h"
#include "entry/item_lists.h"

namespace vorn::entry {
namespace {

using C = CellCheck;
constexpr const char* kMoney = "@E 999,999,999.99";
constexpr std::string_view kListHint = "INS=Inclui DEL=Elimina TAB=Volta Alt L=n linhas ";
constexpr std::string_view kWarningsHint =
    "Ctrl Enter=Vai ao item do aviso  DEL=Elimina  TAB=Volta";

// A note the operator typed: no code and no text of the program.
bool personal_note(const store::Table& t, long) {
    return t.num("CODERR").is_zero() && trim(t.str("OBSERV")).empty();
}

// What the program wrote: a finding of the check (its code) or a message of a receipt (code 0).
bool program_notice(const store::Table& t, long) {
    return !personal_note(t, 0);
}

ItemList notes() {
    ItemList l;
    l.number = 11;
    l.table = 11;
    l.title = "ANOTAÇÕES SOBRE O CONTRIBUINTE";
    l.columns = {{"NOTAS", "NOTAS", "", "  Notas Pessoais", 70, C::kNone},
                 {"IMPRE", "IMPRE", "!", "OK", 3, C::kDone}};
    l.hint = kListHint;
    l.insert_question = "Insere uma linha ANTES desse Item?";
    l.insert_before = true;
    l.keep = personal_note;
    return l;
}

ItemList warnings() {
    ItemList l;
    l.number = kWarnings;
    l.table = 11;
    l.title = "AVISOS DA DECLARAÇÃO";
    l.columns = {{"OBSERV", "OBSERV", "", "  Avisos do programa ", 75, C::kReadOnly}};
    l.hint = kWarningsHint;
    l.keep = program_notice;
    l.fixed = true;
    return l;
}

ItemList losses() {
    ItemList l;
    l.number = 13;
    l.table = 14;
    l.title = "PREJUÍZOS A COMPENSAR";
    l.columns = {{"DESCRICAO", "DESCRICAO", "", "Origem do Prejuizo", 40, C::kNone},
                 {"PREJUIZO", "PREJUIZO", kMoney, "Prejuizo", 0, C::kAmount}};
    l.hint = kListHint;
    return l;
}

ItemList asset_expenses() {
    ItemList l;
    l.number = 15;
    l.table = 10;
    l.title = "DESPESAS MENSAIS DE MANUTENÇÃO DOS BENS";
    l.columns = {{"DESCRITEM", "DESCRITEM", "", "Descricao bem", 25, C::kNone},
                 {"DESCDESP", "DESCDESP", "", "Tipo", 25, C::kNone},
                 {"VALODESP", "VALODESP", kMoney, "V.Mensal ", 0, C::kAmount}};
    l.hint = kListHint;
    return l;
}

}  // namespace

void add_notes_lists(std::map<int, ItemList>& lists) {
    for (ItemList l : {notes(), warnings(), losses(), asset_expenses()})
        lists[l.number] = std::move(l);
}

}  // namespace vorn::entry
