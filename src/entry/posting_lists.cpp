// The lists of the posting tool: the client's postings (25), corrected under the checks their
// window applies, and the office's chart of accounts (28).
#include <set>

#include "base/text.h"
#include "entry/item_lists.h"
#include "entry/layout.h"
#include "store/catalogue.h"
#include "tax/declaration.h"
#include "tax/folder.h"
#include "tax/postings.h"

namespace vorn::entry {
namespace {

using C = CellCheck;
constexpr std::string_view kPostingsHint = "DEL=Elimina  ESC=Volta  Lançamentos novos em Lancar";
constexpr std::string_view kChartHint = "INS=Inclui DEL=Elimina ESC=Volta";
constexpr std::string_view kFlag = "Digite S de sim ou N de não";

bool refuse(ListContext& at, std::string_view text) {
    at.op.notice(NoticeKind::kError, "", text);
    return false;
}

// The row as it would be written with the typed value in the cell being checked.
store::Record with_typed(ListContext& at, const ui::Value& typed) {
    store::Record r = at.row;
    const int table = at.t.layout().find("CPF") >= 0 ? 13 : 62;
    r.set_value(static_cast<size_t>(r.layout().index(at.field)),
                column_value(screen_column({table}, at.field, "lançamentos"), typed));
    return r;
}

tax::Posting posting_of(const store::Record& r) {
    return {r.str("CDCONTA"), r.str("DESCONTA"), r.num("VALODESP"), r.str("NROCGCCPF"),
            r.num("MESINI"),  r.num("MESFIM"),   r.str("CPFDEPEN"), r.str("DESCRI")};
}

// A cell of a posting: a posting already carried into the declaration stays as it was carried;
// otherwise the cell is checked as the posting window checks it, and the posting must still hold
// what its account asks for.
bool posting_cell(ListContext& at, ui::Value& typed) {
    if (at.row.logical("LANCADO"))
        return refuse(at, "Lançamento já transferido para a declaração não pode ser alterado.");
    const store::Record r = with_typed(at, typed);
    tax::Posting p = posting_of(r);
    std::vector<store::Record> chart;
    if (Status s = tax::read_accounts(at.w.env(), at.w.ARQDEF, &chart); !s)
        return refuse(at, s.message());
    const store::Record* account = tax::posting_account(chart, p.code);
    if (!tax::account_accepted(at.op, account)) return false;
    bool ok = true;
    if (at.field == "VALODESP") {
        ok = tax::posting_value_accepted(at.op, p.value);
    } else if (at.field == "NROCGCCPF" && !trim(p.document).empty()) {
        if (!tax::asks_document(*account)) return refuse(at, "Essa conta não pede CPF nem CNPJ.");
        ok = tax::posting_document_accepted(at.op, *account, p.document);
        if (ok) typed = pad_right(trim(p.document), 18);
    } else if (at.field == "MESINI" || at.field == "MESFIM") {
        ok = tax::first_month_accepted(at.op, p.first) &&
             tax::last_month_accepted(at.op, p.first, p.last);
    } else if (at.field == "CPFDEPEN") {
        ok = tax::dependant_accepted(at.op, p.dependant);
    }
    if (!ok) return false;
    const std::string lacking = tax::posting_missing(*account, p);
    return lacking.empty() || refuse(at, lacking);
}

// A column checked by its own check.
ItemColumn own(std::string_view field, std::string_view header, std::string_view picture, int width,
               OwnCheck check) {
    ItemColumn c{field, field, picture, header, width, C::kOwn};
    c.own = check;
    return c;
}

ItemList postings() {
    ItemList l;
    l.number = 25;
    l.table = 13;
    l.area = 13;
    l.fixed = true;
    l.title = "LANÇAMENTOS";
    l.columns = {own("CDCONTA", "Conta", "@R 9.999", 6, posting_cell),
                 own("DESCONTA", "Descrição", "", 20, posting_cell),
                 own("VALODESP", "Valor", "@E 9,999,999,999.99", 0, posting_cell),
                 own("MESINI", "Mi", "99", 3, posting_cell),
                 own("MESFIM", "Mf", "99", 3, posting_cell),
                 own("NROCGCCPF", "CPF/CNPJ", "", 18, posting_cell),
                 own("CPFDEPEN", "Dependente", "@R 999.999.999-99", 14, posting_cell),
                 {"LANCADO", "LANCADO", "", "Lançado", 7, C::kReadOnly},
                 own("DESCRI", "Descrição do outros", "", 30, posting_cell)};
    l.hint = kPostingsHint;
    return l;
}

// The pages of the declaration the transfer carries postings into.
bool transferred_page(long page) {
    static const std::set<long> kPages = {1, 2, 3, 4, 6, 13};
    return kPages.count(page) > 0;
}

constexpr std::string_view kNoPage = "Uma conta detalhada vai para a página 1, 2, 3, 4, 6 ou 13.";

// An account code: four digits, not another account's.
bool account_code(ListContext& at, ui::Value& typed) {
    const std::string code = trim(std::get<std::string>(typed));
    if (code.size() != 4 || code.find_first_not_of("0123456789") != std::string::npos)
        return refuse(at, "O código da conta tem 4 dígitos.");
    const uint32_t current = at.t.recno();
    for (Status s = at.t.go_top(); s && !at.t.eof(); s = at.t.skip())
        if (at.t.recno() != current && trim(at.t.str("CDCONTA")) == code)
            return refuse(at, "Já existe a conta " + code + " no plano de contas.");
    return true;
}

bool yes_no(std::string_view text) {
    return text == "S" || text == "N";
}

// "S" detailed (its page must be one the transfer knows), "N" a heading.
bool detailed(ListContext& at, ui::Value& typed) {
    const std::string v = trim(std::get<std::string>(typed));
    if (!yes_no(v)) return refuse(at, kFlag);
    if (v == "S" && !transferred_page(at.row.num("PAGINA").whole())) return refuse(at, kNoPage);
    return true;
}

bool account_page(ListContext& at, ui::Value& typed) {
    if (trim(at.row.str("CDSTATUS")) == "N") return true;
    return transferred_page(std::get<Decimal>(typed).whole()) || refuse(at, kNoPage);
}

bool flag(ListContext& at, ui::Value& typed) {
    return yes_no(trim(std::get<std::string>(typed))) || refuse(at, kFlag);
}

ItemList chart_of_accounts() {
    ItemList l;
    l.number = 28;
    l.table = 62;
    l.area = 62;
    l.title = "Plano de Contas";
    l.columns = {own("CDCONTA", "Conta", "@R 9.999", 6, account_code),
                 {"NMDESCRICA", "NMDESCRICA", "", "Descrição", 40, C::kNone},
                 own("CDSTATUS", "Det", "!", 3, detailed),
                 own("PAGINA", "Pág", "99", 3, account_page),
                 {"LINHA", "LINHA", "99", "Lin", 3, C::kNone},
                 own("TEMCPF", "CPF", "!", 3, flag),
                 own("TEMCGC", "CNPJ", "!", 4, flag),
                 own("LIVROCX", "Meses", "!", 5, flag),
                 own("TEMDESCR", "Nome", "!", 4, flag),
                 own("TEMOBSV", "Obs", "!", 3, flag)};
    l.hint = kChartHint;
    return l;
}

}  // namespace

void add_posting_lists(std::map<int, ItemList>& lists) {
    lists[25] = postings();
    lists[28] = chart_of_accounts();
}

}  // namespace vorn::entry
