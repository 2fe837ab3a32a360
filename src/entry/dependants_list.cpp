// The dependants, alimony recipients and heirs as tables of columns with their checks; deleting a
// dependant with what belongs to it; a corrected CPF or number carrying what names it along; the
// heirs' shares of an asset, never above 100 % in sum.
#include "entry/dependants_list.h"

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "base/text.h"
#include "base/validate.h"
#include "entry/alimony_deed.h"
#include "tax/annual.h"
#include "tax/declaration.h"

namespace vorn::entry {
namespace {

using C = CellCheck;

constexpr int kPeople = 3, kItems = 2, kAssets = 4, kPayments = 6, kMonthly = 12, kShares = 20;
constexpr const char* kCpfPicture = "@R 999.999.999-99";
constexpr const char* kAboveHundred = "O percentual não pode ser maior que 100%";
constexpr const char* kSumAboveHundred = "A soma dos percentuais de um bem não pode passar de 100%";
constexpr std::string_view kPeopleHint = "INS=Inclui DEL=Elimina TAB=Volta ";
constexpr std::string_view kRecipientsHint =
    "INS=Inclui DEL=Elimina TAB=Volta Alt Q=Escritura/Decisão";

long code_of(const store::Table& t) {
    return t.num("CODIDEPEN").whole();
}
long code_of(const store::Record& r) {
    return r.num("CODIDEPEN").whole();
}
bool is_dependant(long code) {
    return code < 98;
}
bool is_recipient(long code) {
    return code == 98 || code == 99;
}
bool is_heir(long code) {
    return code > 99;
}

bool refuse(ListContext& x, const std::string& text) {
    x.op.notice(NoticeKind::kError, "", text);
    return false;
}

// Each live record of table `t` whatever its filter, the table standing on it.
void each_record(store::Table& t, const std::function<void()>& f) {
    uint32_t count = 0;
    if (!t.record_count(&count)) return;
    for (uint32_t r = 1; r <= count; ++r) {
        if (!t.go_to(r) || t.eof() || t.deleted()) continue;
        f();
    }
}

// The working tables of the open declaration and whom to tell.
struct Working {
    Operator& op;
    store::WorkAreas& w;
    store::Declaration& d;
    Working(Operator& o, store::WorkAreas& a, store::Declaration& decl) : op(o), w(a), d(decl) {}
    Working(ListContext& x) : op(x.op), w(x.w), d(x.d) {}  // NOLINT: a list works on them
};

// Every live record of working table `n` that `match` takes, deleted (no `value`), or with the
// value `value` gives for it put into `field`, each under its lock; how many, or -1 after a
// failure (told).
using ValueOf = std::function<store::Value(const store::Table&)>;
int rewrite(Working x, int n, const std::function<bool(const store::Table&)>& match,
            std::string_view field, const ValueOf& value) {
    store::Table* t = x.d.working(n);
    if (!t) return 0;
    std::vector<uint32_t> found;
    each_record(*t, [&] {
        if (match(*t)) found.push_back(t->recno());
    });
    x.w.select(20 + n);
    int done = 0;
    for (uint32_t r : found) {
        if (!t->go_to(r) || !store::REC_LOCK(x.w, 5)) return -1;
        Status s = value ? t->replace(t->field(field), value(*t)) : t->delete_record();
        Status u = t->unlock();
        if (!s || !u) {
            x.op.notice(NoticeKind::kError, "", (s ? u : s).message());
            return -1;
        }
        ++done;
    }
    return done;
}

int rewrite_where(Working x, int n, const std::function<bool(const store::Table&)>& match,
                  std::string_view field = {}, const store::Value* value = nullptr) {
    ValueOf of;
    if (value) of = [value](const store::Table&) { return *value; };
    return rewrite(x, n, match, field, of);
}

int count_where(Working x, int n, const std::function<bool(const store::Table&)>& match) {
    store::Table* t = x.d.working(n);
    int found = 0;
    if (t) each_record(*t, [&] { found += match(*t) ? 1 : 0; });
    return found;
}

// --- What names a dependant: its CPF (income items, monthly records, assets), its number
// (payments of a person).

bool item_of(const store::Table& t, const std::string& cpf) {
    return !cpf.empty() && t.str("I1_8") == cpf;
}
bool grid_of(const store::Table& t, const std::string& cpf) {
    return !cpf.empty() && t.str("CPFDEPEN") == cpf;
}
bool asset_of(const store::Table& t, const std::string& cpf) {
    return !cpf.empty() && t.str("CPFDEP") == cpf;
}
bool payment_of(const store::Table& t, long number) {
    const long code = t.num("I6_3").whole();
    return number > 0 && !(code >= 39 && code <= 97) && t.num("I6_6").whole() == number;
}

// --- Checks of the columns

// A person's number: 1 to 99 and not another row's (payments name dependants and recipients by
// it).
bool number_free(ListContext& x, ui::Value& v) {
    const long n = std::get<Decimal>(v).whole();
    if (n <= 0) return refuse(x, "Informe o número, de 1 a 99.");
    const uint32_t self = x.t.recno();
    bool taken = false;
    each_record(x.t, [&] {
        if (x.t.recno() != self && !is_heir(code_of(x.t)) && x.t.num("NRODEPEN").whole() == n)
            taken = true;
    });
    if (taken)
        return refuse(x, "Já existe na relação uma pessoa com o número " + std::to_string(n) + ".");
    return true;
}

// TES_MES: a birth date is a real date not after the year of the declaration.
bool birth(ListContext& x, ui::Value& v) {
    const Date d = std::get<Date>(v);
    if (d.blank() || d <= Date(2025, 12, 31)) return true;
    return refuse(x, "A data de nascimento não pode ser posterior a 31/12/2025.");
}

// A valid CPF not already listed in the same list.
bool person_cpf(ListContext& x, ui::Value& v) {
    const std::string cpf = trim(std::get<std::string>(v));
    if (cpf.empty()) return true;
    if (!VAL_CPF(x.op, cpf, false)) return false;
    if (cpf == x.d.cpf()) return refuse(x, "Esse CPF é o do titular da declaração.");
    const uint32_t self = x.t.recno();
    const bool dependant = is_dependant(code_of(x.row));
    bool taken = false;
    each_record(x.t, [&] {
        if (x.t.recno() != self && is_dependant(code_of(x.t)) == dependant &&
            !is_heir(code_of(x.t)) && x.t.str("CPFDEPEN") == cpf)
            taken = true;
    });
    if (taken) return refuse(x, "Esse CPF já está na relação.");
    return true;
}

bool lives_with(ListContext& x, ui::Value& v) {
    const std::string s = trim(std::get<std::string>(v));
    if (s == "S" || s == "N") return true;
    return refuse(x, "Coloque S(Sim) ou N(não) se o dependente mora com o titular!");
}

bool nit(ListContext& x, ui::Value& v) {
    const std::string s = trim(std::get<std::string>(v));
    return s.empty() || VAL_NIT(x.op, s, 0);
}

bool yes_no(ListContext& x, ui::Value& v) {
    const std::string s = trim(std::get<std::string>(v));
    if (s.empty() || s == "S" || s == "N") return true;
    return refuse(x, "Digite S de sim ou N de não");
}

bool whose(ListContext& x, ui::Value& v) {
    const std::string s = trim(std::get<std::string>(v));
    if (s == "T" || s == "D") return true;
    return refuse(x, "Coloque T(Titular) ou D(Dependente) de quem é o alimentando");
}

bool responsible(ListContext& x, ui::Value& v) {
    const std::string cpf = trim(std::get<std::string>(v));
    return VAL_CPF(x.op, cpf, false);
}

bool heir_document(ListContext& x, ui::Value& v) {
    std::string& text = std::get<std::string>(v);
    std::string typed = trim(text);
    if (typed.empty()) return true;
    if (!CPFCGC1(x.op, typed, false)) return false;
    text = pad_right(typed, char_count(text));
    return true;
}

// The shares of the rows `mine` takes besides the current one, plus `share`, may not pass 100.
bool share_within(ListContext& x, ui::Value& v,
                  const std::function<bool(const store::Table&)>& mine) {
    const Decimal share = std::get<Decimal>(v);
    if (share.is_negative()) return refuse(x, "O valor não pode ser negativo.");
    if (share > Decimal(100)) return refuse(x, kAboveHundred);
    const uint32_t self = x.t.recno();
    Decimal sum = share;
    each_record(x.t, [&] {
        if (x.t.recno() != self && mine(x.t)) sum += x.t.num("PERCENT");
    });
    if (sum > Decimal(100)) return refuse(x, kSumAboveHundred);
    return true;
}

bool heir_share(ListContext& x, ui::Value& v) {
    return share_within(x, v, [](const store::Table& t) { return is_heir(code_of(t)); });
}

bool asset_share(ListContext& x, ui::Value& v) {
    return share_within(x, v,
                        [&](const store::Table& t) { return t.num("REFEREN").whole() == x.owner; });
}

// --- What follows an accepted cell

// A corrected CPF takes the dependant's income items, monthly records and assets along.
void cpf_carried(ListContext& x, const store::Record& before) {
    const std::string was = before.str("CPFDEPEN"), now = x.row.str("CPFDEPEN");
    if (was.empty() || was == now) return;
    const store::Value to{now};
    (void)rewrite_where(
        x, kItems, [&](const store::Table& t) { return item_of(t, was); }, "I1_8", &to);
    (void)rewrite_where(
        x, kMonthly, [&](const store::Table& t) { return grid_of(t, was); }, "CPFDEPEN", &to);
    (void)rewrite_where(
        x, kAssets, [&](const store::Table& t) { return asset_of(t, was); }, "CPFDEP", &to);
}

// A corrected number takes the person's payments along.
void number_carried(ListContext& x, const store::Record& before) {
    const long long was = before.num("NRODEPEN").whole(), now = x.row.num("NRODEPEN").whole();
    if (was <= 0 || was == now) return;
    const store::Value to{Decimal(now)};
    (void)rewrite_where(
        x, kPayments, [&](const store::Table& t) { return payment_of(t, was); }, "I6_6", &to);
}

// --- New rows and deletions

// A new dependant or recipient takes the number after the highest one listed.
void next_number(ListContext& x) {
    long long highest = 0;
    each_record(x.t, [&] {
        if (!is_heir(code_of(x.t))) highest = std::max(highest, x.t.num("NRODEPEN").whole());
    });
    x.row.set("NRODEPEN", Decimal(std::min(highest + 1, 99LL)));
}

void new_dependant(ListContext& x) {
    next_number(x);
    x.row.set("MORAJUNT", "S");
}

void new_recipient(ListContext& x) {
    next_number(x);
    x.row.set("CODIDEPEN", Decimal(99));
    x.row.set("TIT_DEPE", "T");
}

void new_heir(ListContext& x) {
    x.row.set("CODIDEPEN", Decimal(100));
}

void new_share(ListContext& x) {
    x.row.set("REFEREN", Decimal(static_cast<long long>(x.owner)));
}

bool delete_row(ListContext& x, uint32_t row) {
    x.w.select(20 + kPeople);
    if (!x.t.go_to(row) || !store::REC_LOCK(x.w, 5)) return false;
    Status s = x.t.delete_record();
    Status u = x.t.unlock();
    if (!s || !u) return refuse(x, (s ? u : s).message());
    return true;
}

// A dependant goes with its assets (asked first), its income items, monthly records and payments
// (asked together); "N" keeps it.
bool remove_dependant(ListContext& x) {
    const uint32_t row = x.t.recno();
    const std::string cpf = x.row.str("CPFDEPEN");
    const long number = x.row.num("NRODEPEN").whole();
    bool assets_gone = false;
    if (count_where(x, kAssets, [&](const store::Table& t) { return asset_of(t, cpf); }) > 0) {
        x.op.notice(NoticeKind::kInformation, "",
                    "Ha bens declarados em seu nome que devem ser retirados.");
        if (x.op.yes_no("", "Exclui agora esses bens? ", false)) {
            if (rewrite_where(x, kAssets, [&](const store::Table& t) { return asset_of(t, cpf); }) <
                0)
                return false;
            assets_gone = true;
        }
    }
    const bool income =
        count_where(x, kItems, [&](const store::Table& t) { return item_of(t, cpf); }) > 0 ||
        count_where(x, kMonthly, [&](const store::Table& t) { return grid_of(t, cpf); }) > 0;
    const bool payments =
        count_where(x, kPayments, [&](const store::Table& t) { return payment_of(t, number); }) > 0;
    bool confirmed = false;
    if (income || payments) {
        std::string what = income ? "rendimentos " : "";
        if (payments) what += std::string(income ? "e " : "") + "pagamentos ";
        confirmed = x.op.yes_no(
            "", "Esse dependente tem " + what + "que também devem retirados. Exclui mesmo assim? ",
            false);
    } else {
        confirmed = x.op.yes_no("", "Confirma a Exclusão dessa linha?", false);
    }
    if (!confirmed) {
        x.op.notice(NoticeKind::kInformation, "",
                    assets_gone ? "Não foi excluido, mas os bens em seu nome sim."
                                : "Não foi excluido da relação dos dependentes");
        return false;
    }
    if (rewrite_where(x, kItems, [&](const store::Table& t) { return item_of(t, cpf); }) < 0 ||
        rewrite_where(x, kMonthly, [&](const store::Table& t) { return grid_of(t, cpf); }) < 0 ||
        rewrite_where(x, kPayments, [&](const store::Table& t) { return payment_of(t, number); }) <
            0)
        return false;
    return delete_row(x, row);
}

bool remove_person(ListContext& x, const std::string& kind, const std::string& kinds) {
    const uint32_t row = x.t.recno();
    if (!x.op.yes_no("", "Confirma a retirada do " + kind, false)) return false;
    if (!delete_row(x, row)) return false;
    x.op.notice(NoticeKind::kInformation, "", "Retirado da relação dos " + kinds);
    return true;
}

bool remove_recipient(ListContext& x) {
    return remove_person(x, "alimentando", "alimentandos");
}

// An heir goes with its shares of the assets.
bool remove_heir(ListContext& x) {
    const std::string document = x.row.str("CPFHERDE");
    if (!remove_person(x, "herdeiro", "herdeiros")) return false;
    if (!document.empty())
        (void)rewrite_where(x, kShares,
                            [&](const store::Table& t) { return t.str("CPFHERDE") == document; });
    return true;
}

// Alt+Q on a recipient: the deed or decision its pension comes from.
bool deed_key(ListContext& x, EditorPlace& place, const ui::Key& k) {
    if (k != ui::Key::alt('Q') || x.t.eof()) return false;
    (void)alimony_deed(place, x.t.recno());
    return true;
}

bool keep_dependants(const store::Table& t, long) {
    return is_dependant(code_of(t));
}
bool keep_recipients(const store::Table& t, long) {
    return is_recipient(code_of(t));
}
bool keep_heirs(const store::Table& t, long) {
    return is_heir(code_of(t));
}
bool keep_shares(const store::Table& t, long owner) {
    return t.num("REFEREN").whole() == owner;
}

std::string money(Decimal v) {
    return trim(tax::picture_e(v, "999,999,999.99"));
}

std::string dependants_total(const tax::Declaration& d, long) {
    int n = 0;
    tax::for_each_live(d.dependants,
                       [&](const store::Record& r) { n += is_dependant(code_of(r)); });
    return "Dependentes " + std::to_string(n) + "   Dedução " + money(d.num("I13_12"));
}

std::string recipients_total(const tax::Declaration& d, long) {
    int n = 0;
    tax::for_each_live(d.dependants,
                       [&](const store::Record& r) { n += is_recipient(code_of(r)); });
    return "Alimentandos " + std::to_string(n);
}

std::string heirs_total(const tax::Declaration& d, long) {
    Decimal sum;
    tax::for_each_live(d.dependants, [&](const store::Record& r) {
        if (is_heir(code_of(r))) sum += r.num("PERCENT");
    });
    return "Total dos percentuais " + money(sum) + "%";
}

// The shares of an asset are summed as they are typed.
std::string no_totals(const tax::Declaration&, long) {
    return "";
}

ItemColumn own(std::string_view field, std::string_view picture, std::string_view header, int width,
               bool (*check)(ListContext&, ui::Value&)) {
    ItemColumn c{field, field, picture, header, width, check ? C::kOwn : C::kNone};
    c.own = check;
    return c;
}

// A list of people (or of shares) over `table`: the rows `keep` takes, a new row as `new_row`
// fills it, the line `totals` writes under the grid.
ItemList people_list(int number, int table, std::string_view title, std::vector<ItemColumn> columns,
                     bool (*keep)(const store::Table&, long), void (*new_row)(ListContext&),
                     std::string (*totals)(const tax::Declaration&, long)) {
    ItemList l;
    l.number = number;
    l.table = table;
    l.title = title;
    l.columns = std::move(columns);
    l.hint = kPeopleHint;
    l.keep = keep;
    l.new_row = new_row;
    l.totals = totals;
    return l;
}

// A person's number, filled in a new row; a corrected one takes the payments along.
ItemColumn number_column(std::string_view header, int width) {
    ItemColumn c = own("NRODEPEN", "99", header, width, number_free);
    c.preset = true;
    c.accepted = number_carried;
    return c;
}

ItemList dependants() {
    ItemColumn cpf = own("CPFDEPEN", kCpfPicture, "CPF", 14, person_cpf);
    cpf.accepted = cpf_carried;
    ItemColumn home = own("MORAJUNT", "!", "Mora", 4, lives_with);
    home.preset = true;
    ItemColumn left = own("SAIUJUNT", "!", "Sai", 3, yes_no);
    left.departure_only = true;
    ItemList l = people_list(41, kPeople, "DEPENDENTES",
                             {number_column("N.", 2),
                              own("NOMEDEPEN", "@S30", "Nome Completo do Dependente", 30, nullptr),
                              {"CODIDEPEN", "CODIDEPEN", "99", "Cód", 3, C::kRelationship},
                              own("DATADEPEN", "@D", "Nascim.", 10, birth),
                              cpf,
                              home,
                              own("NITDEPEN", "", "NIT/PIS", 11, nit),
                              own("TEL_DEPEN", "", "Celular", 11, nullptr),
                              own("EMAIL_DEPE", "@S30", "E-mail - opcional", 30, nullptr),
                              own("NROBEND", "", "Nro. INSS", 11, nullptr),
                              own("SENGOVD", "@S20", "SenhaGov", 20, nullptr),
                              left},
                             keep_dependants, new_dependant, dependants_total);
    l.labels = {"número do dependente",
                "nome completo do dependente",
                "relação de dependência (tabela de códigos)",
                "data de nascimento",
                "CPF do dependente",
                "S quando mora com o titular, N quando não",
                "NIT ou PIS do dependente",
                "telefone celular",
                "endereço de e-mail (opcional)",
                "número do benefício no INSS",
                "senha gov.br",
                "S quando saiu do país com o titular"};
    l.remove = remove_dependant;
    l.code_low = 0;
    l.code_high = 97;
    return l;
}

ItemList recipients() {
    ItemColumn code{"CODIDEPEN", "CODIDEPEN", "99", "Cd", 3, C::kRelationship};
    code.preset = true;
    ItemColumn title = own("TIT_DEPE", "!", "Tit", 3, whose);
    title.preset = true;
    ItemList l = people_list(42, kPeople, "ALIMENTANDOS",
                             {number_column("Nro", 3),
                              own("NOMEDEPEN", "@S30", "Nome Completo do Alimentando", 30, nullptr),
                              code, own("DATADEPEN", "@D", "Nascim.", 10, birth),
                              own("CPFDEPEN", kCpfPicture, "CPF", 14, person_cpf), title,
                              own("CPFRESPON", kCpfPicture, "Responsavel", 14, responsible)},
                             keep_recipients, new_recipient, recipients_total);
    l.hint = kRecipientsHint;
    l.labels = {"número do alimentando",
                "nome completo do alimentando",
                "99 no Brasil, 98 no exterior",
                "data de nascimento",
                "CPF do alimentando",
                "T quando alimentando do titular, D de um dependente",
                "CPF do responsável"};
    l.on_key = deed_key;
    l.remove = remove_recipient;
    l.code_low = 98;
    l.code_high = 99;
    return l;
}

ItemList heirs() {
    ItemList l = people_list(45, kPeople, "HERDEIROS",
                             {own("NOMEDEPEN", "@S40", "Nome Completo do Herdeiro", 40, nullptr),
                              own("CPFHERDE", "", "CPF/CNPJ", 18, heir_document),
                              own("PERCENT", "@E 999.99", "% Herdado", 9, heir_share)},
                             keep_heirs, new_heir, heirs_total);
    l.labels = {"nome completo do herdeiro", "CPF ou CNPJ do herdeiro",
                "percentual herdado (a soma dos herdeiros não passa de 100%)"};
    l.remove = remove_heir;
    return l;
}

ItemList shares() {
    return people_list(21, kShares, "PERCENTUAL DOS HERDEIROS NO BEM",
                       {own("NOMEDEPEN", "@S40", "Nome Completo", 40, nullptr),
                        own("PERCENT", "@E 999.99", "Perct.", 7, asset_share)},
                       keep_shares, new_share, no_totals);
}

}  // namespace

std::vector<ItemList> people_lists() {
    ItemList each = shares();
    each.labels = {"nome completo do herdeiro", "percentual do herdeiro nesse bem"};
    return {dependants(), recipients(), heirs(), each};
}

ui::Key dependants_screen(EditorPlace& place) {
    const ui::Key k = EDITA(place, 41);
    // The monthly records of a CPF no longer among the dependants go; the holder's names none.
    store::Table& people = *place.d.working(kPeople);
    std::set<std::string> listed;
    each_record(people, [&] {
        if (is_dependant(code_of(people))) listed.insert(people.str("CPFDEPEN"));
    });
    (void)rewrite_where({place.op, place.w, place.d}, kMonthly, [&](const store::Table& t) {
        const std::string cpf = t.str("CPFDEPEN");
        return !cpf.empty() && !listed.count(cpf);
    });
    return k;
}

ui::Key recipients_screen(EditorPlace& place) {
    return EDITA(place, 42);
}

int transfer_heirs_shares(Operator& op, store::WorkAreas& w, store::Declaration& d) {
    store::Table& people = *d.working(kPeople);
    std::vector<store::Record> heirs;
    Decimal sum;
    each_record(people, [&] {
        if (!is_heir(code_of(people))) return;
        heirs.emplace_back(people.layout_ptr());
        if (people.read(heirs.back())) sum += heirs.back().num("PERCENT");
    });
    if (sum > Decimal(100)) {
        op.notice(NoticeKind::kError, "", kSumAboveHundred);
        return -1;
    }
    store::Table& assets = *d.working(kAssets);
    std::set<long long> items;
    each_record(assets, [&] { items.insert(assets.num("I7_0").whole()); });
    const Working at{op, w, d};
    if (rewrite_where(at, kShares, [&](const store::Table& t) {
            return items.count(t.num("REFEREN").whole()) > 0;
        }) < 0)
        return -1;
    store::Table& shares = *d.working(kShares);
    for (long long item : items)
        for (const store::Record& heir : heirs) {
            store::Record r(shares.layout_ptr());
            r.set("CPF", d.cpf());
            r.set("REFEREN", Decimal(item));
            r.set("NRODEPEN", heir.num("NRODEPEN"));
            r.set("NOMEDEPEN", substr_chars(heir.str("NOMEDEPEN"), 0, 41));
            r.set("CPFHERDE", heir.str("CPFHERDE"));
            r.set("PERCENT", heir.num("PERCENT"));
            if (Status s = shares.append(&r); !s) {
                op.notice(NoticeKind::kError, "", s.message());
                return -1;
            }
        }
    return static_cast<int>(items.size());
}

bool heirs_shares_key(ListContext& x, EditorPlace& place, const ui::Key& k) {
    if (k != ui::Key::alt('H') || x.t.eof()) return false;
    EditaOptions o;
    o.owner = x.row.num("I7_0").whole();
    (void)EDITA(place, 21, o);
    return true;
}

void asset_links_moved(ListContext& x, long long after, int by) {
    for (const auto& [table, field] : {std::pair{kShares, "REFEREN"}, std::pair{kItems, "REFBEM"}})
        (void)rewrite(
            x, table, [&, f = field](const store::Table& t) { return t.num(f).whole() > after; },
            field,
            [&, f = field](const store::Table& t) {
                return store::Value{Decimal(t.num(f).whole() + by)};
            });
}

void asset_links_renumbered(ListContext& x, const std::map<long long, long long>& moved) {
    for (const auto& [table, field] : {std::pair{kShares, "REFEREN"}, std::pair{kItems, "REFBEM"}})
        (void)rewrite(
            x, table,
            [&, f = field](const store::Table& t) { return moved.count(t.num(f).whole()) > 0; },
            field,
            [&, f = field](const store::Table& t) {
                return store::Value{Decimal(moved.at(t.num(f).whole()))};
            });
}

ui::Key heirs_screen(EditorPlace& place) {
    const ui::Key k = EDITA(place, 45);
    store::Table& people = *place.d.working(kPeople);
    bool any = false;
    each_record(people, [&] { any = any || code_of(people) == 100; });
    if (!any) {
        if (place.d.values().str("DECFINAL") == "S")
            place.op.notice(NoticeKind::kInformation, "",
                            "Cadastre antes o(s) nome(s) e/OU CPF/CNPJ do(s) herdeiro(s)");
        return k;
    }
    if (!place.op.yes_no(
            "", "Transfere agora o percentual padrão \ndos herdeiros para todos os bens? ", false))
        return k;
    const int n = transfer_heirs_shares(place.op, place.w, place.d);
    if (n >= 0)
        place.op.notice(
            NoticeKind::kInformation, "",
            "Transferido o percentual para " + std::to_string(n) + (n == 1 ? " item" : " itens"));
    return k;
}

}  // namespace vorn::entry
