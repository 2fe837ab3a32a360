// The item editor over a declaration's working table: cells written under the record's lock as
// they are accepted, the checks of each column, insertion with renumbering, deletion, the
// subtotal marks, the code tables' descriptions and pick lists, and the totals computed again.
#include "entry/item_editor.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

#include "base/text.h"
#include "base/validate.h"
#include "entry/asset_detail.h"
#include "entry/calculator.h"
#include "entry/item_lists.h"
#include "entry/last_year.h"
#include "entry/layout.h"
#include "entry/monthly_values.h"
#include "entry/office_tables.h"
#include "entry/row_months.h"
#include "entry/table_rows.h"
#include "store/catalogue.h"
#include "tax/annual.h"
#include "tax/limits.h"
#include "tax/open_computation.h"
#include "ui/browse.h"
#include "ui/desktop.h"
#include "ui/notices.h"

namespace vorn::entry {
namespace {

constexpr const char* kNegative = "O valor não pode ser negativo.";
constexpr const char* kDeleteRow = "Confirma a Exclusão dessa linha?";
constexpr const char* kAbroadNoDocument = "Não existe CPF ou CNPJ em despesa no exterior";
constexpr const char* kNoCountry = "Código de pais inexistente!";
constexpr const char* kYesNo = "Digite S de sim ou N de não";
constexpr const char* kBrazil = "105";

// The code tables the lists' codes are looked up in, read once per list opened. Keys as the
// cells hold them: payment and debt codes as numbers, groups and countries as text, asset codes
// as group + code.
struct CodeTables {
    std::map<std::string, std::string> payments, groups, assets, debts, countries, relationships;
};

// A numeric code as the code tables are keyed: two digits at least, so that they list in order.
std::string code_key(long long code) {
    return pad_left(std::to_string(code), 2, '0');
}

CodeTables read_code_tables(store::WorkAreas& w, int table) {
    CodeTables t;
    auto number = [](store::Table& r, const char* f) { return code_key(r.num(f).whole()); };
    if (table == 6) {
        for_each_row(
            w, 49, [&](store::Table& r) { t.payments[number(r, "CODDES")] = r.str("DESCRICAO"); });
    } else if (table == 4) {
        for_each_row(w, 46, [&](store::Table& r) {
            if (trim(r.str("CODIGO")).empty())
                t.groups[r.str("GRUPO")] = r.str("DESCRICAO");
            else
                t.assets[r.str("GRUPO") + r.str("CODIGO")] = r.str("DESCRICAO");
        });
    } else if (table == 3) {
        for_each_row(w, 47, [&](store::Table& r) {
            t.relationships[number(r, "CODDEP")] = r.str("DESCRICAO");
        });
    } else if (table == 5) {
        for_each_row(w, 48,
                     [&](store::Table& r) { t.debts[number(r, "CODDIV")] = r.str("DESCRICAO"); });
    }
    if (table == 6 || table == 4)
        for_each_row(w, 60,
                     [&](store::Table& r) { t.countries[r.str("CODPAIS")] = r.str("NOMPAIS"); });
    return t;
}

bool payment_abroad(long long code) {
    return code == 2 || (code >= 15 && code <= 20) || code == 22;
}

bool blank_value(const store::Value& v) {
    if (auto* s = std::get_if<std::string>(&v)) return trim(*s).empty();
    if (auto* d = std::get_if<Decimal>(&v)) return d->is_zero();
    if (auto* t = std::get_if<Date>(&v)) return t->blank();
    return std::get<store::Logical>(v) != store::Logical::kTrue;
}

class Editor {
  public:
    Editor(EditorPlace& p, const ItemList& list, const EditaOptions& o)
        : p_(p),
          list_(list),
          options_(o),
          t_(list.area ? *p.w.table(list.area) : *p.d.working(list.table)),
          area_(list.area ? list.area : 20 + list.table),
          codes_(read_code_tables(p.w, list.table)),
          c_{td_, p.op, p.screen.clock(), p.selic},
          quiet_c_{td_, quiet_, p.screen.clock(), p.selic} {}

    ui::Key run();

  private:
    // MOSTRA: the framed window at its corners, the grid inside it.
    ui::Key MOSTRA(int top, int left, int bottom, int right);
    std::vector<ui::BrowseColumn> columns();
    ui::BrowseColumn column(const ItemColumn& c);
    const store::FieldDef& def(std::string_view field) const {
        return screen_column({list_.table}, field, list_.title);
    }

    // DOGET's check: the candidate applied to a copy of the current record, checked; the record
    // to write is kept in pending_.
    bool check(const ItemColumn& c, ui::Value& candidate);
    bool check_payment_code(ui::Value& candidate);
    bool check_document(ui::Value& candidate);
    bool check_group(ui::Value& candidate);
    bool check_asset_code(ui::Value& candidate);
    bool check_country(ui::Value& candidate);
    // TES_COD: a known code shows its description; an unknown one opens the table to pick from.
    std::optional<std::string> TES_COD(const std::map<std::string, std::string>& table,
                                       const std::string& code, const std::string& title);
    std::optional<std::string> pick(const std::map<std::string, std::string>& table,
                                    const std::string& title);
    bool refuse(const std::string& text);

    // The keys of the list's own data (true: handled).
    bool own_key(const ui::Key& k);
    // Writes the current row's cell of `field` as if typed: through its column's check when a
    // column edits it (a CNPJ/CPF without one is punctuated and validated); false when refused.
    bool fill(const std::string& field, const store::Value& value, bool document);
    // The cell just checked into pending_ written, with the column's follow-up.
    bool accept(const ItemColumn& c);
    void pick_office(const OfficeList& o);
    void send_office(const OfficeList& o);
    void edit_all();    // Alt++
    void order_rows();  // Alt+O
    void link_asset();  // Ctrl+O
    // Enter on the column of last year's text: true when the operator took it.
    bool offer_last_year();
    // MATINDI: the label of the list's shown column `c` on the status line.
    void say_column(int c);

    bool write_pending();
    // Recomputes the totals the list feeds and writes them back; the table keeps its record.
    // `written`: a cell of the current row was just written. When nothing else changed the tables
    // since the last recomputation, only that row is read again, not every table.
    void recompute(bool written = false);
    // The current row as stored, into its place among the records the last recomputation left;
    // false when that place is not there.
    bool take_row();
    void paint_totals();
    bool insert(int rows);
    bool insert_before(const store::Record& blank, int rows);
    bool remove();
    bool insert_rows_asked();
    void subtotal_mark();
    bool blank_row(const store::Record& r) const;
    void drop_blank_rows();
    void zoom();
    void monthly_values();
    // The list's column under the cursor.
    const ItemColumn& shown_column() const {
        return list_.columns[shown_columns_.at(static_cast<size_t>(browser_->column()))];
    }
    bool check_relationship(ui::Value& candidate);
    // The list's hooks see the current row as `row`.
    ListContext context(store::Record& row) {
        return {p_, p_.screen, p_.op, p_.w, p_.d, t_, row, td_, c_, options_.owner, 0, {}};
    }
    // The list's rows only while it is shown; the computation reads the whole table. A shared
    // table shows the declaration's rows only.
    void filter(bool on) {
        const bool own_rows = list_.area != 0 && has_cpf();
        if (!list_.keep && !own_rows) return;
        if (!on) {
            t_.set_filter(nullptr);
            return;
        }
        t_.set_filter([keep = list_.keep, owner = options_.owner, own_rows,
                       cpf = p_.d.cpf()](const store::Table& t) {
            if (own_rows && t.str("CPF") != cpf) return false;
            return !keep || keep(t, owner);
        });
    }
    bool has_cpf() const { return t_.layout().find("CPF") >= 0; }
    // The totals follow the list when the computation reads its table.
    bool computed() { return list_.area == 0 && td_.list(list_.table) != nullptr; }
    // A new row at the end of the table, under the table's append lock when it is shared.
    Status append_row(store::Record& row);
    uint32_t recno() const { return t_.eof() ? 0 : t_.recno(); }
    // The current row's place among the computation's records of its table (record order, deleted
    // records left out).
    size_t item_index();
    // The computation reads and writes the whole table: the list's filter is set aside meanwhile.
    void unfiltered(const std::function<void()>& work);
    void restore(uint32_t at);

    EditorPlace& p_;
    const ItemList& list_;
    EditaOptions options_;
    store::Table& t_;
    int area_;
    CodeTables codes_;
    tax::Declaration td_;
    ScriptedOperator quiet_;  // the totals are computed again without questions
    tax::Context c_, quiet_c_;
    store::Record pending_;
    ui::Rect grid_{};
    int totals_row_ = 0;
    ui::Browser* browser_ = nullptr;
    uint32_t mark_ = 0;                  // the first row of a subtotal
    std::vector<size_t> shown_columns_;  // the list's column of each grid column
    // td_ holds the tables as they are: the last recomputation took them and gave back its
    // changes, and only cells were written since. Rows inserted or deleted clear it.
    bool fresh_ = false;
    std::string changed_line_;  // the line the list's `changed` gave
};

bool Editor::refuse(const std::string& text) {
    p_.op.notice(NoticeKind::kError, "", text);
    return false;
}

void Editor::restore(uint32_t at) {
    if (at != 0 && t_.go_to(at) && !t_.eof() && !t_.deleted()) return;
    (void)t_.go_top();
}

ui::BrowseColumn Editor::column(const ItemColumn& c) {
    ui::BrowseColumn b;
    b.header = std::string(c.header);
    b.picture = std::string(c.picture);
    b.width = c.width;
    const store::FieldDef& shown = def(c.shown);
    if (shown.type == store::FieldType::kChar) b.value_width = shown.width;
    if (shown.type == store::FieldType::kNumeric) {
        b.value_width = shown.width;
        b.decimals = shown.decimals;
    }
    const store::Field f = t_.field(c.shown);
    b.get = [this, f, &shown] {
        if (t_.eof()) return ui::Value(std::string());
        return field_value(shown, t_.value_of(t_.bytes(), f));
    };
    if (c.check == CellCheck::kReadOnly || c.check == CellCheck::kMonths) return b;
    b.valid = [this, &c](ui::Value& v) { return check(c, v); };
    b.put = [this, &c](const ui::Value&) { return accept(c); };
    return b;
}

bool Editor::accept(const ItemColumn& c) {
    store::Record before(t_.layout_ptr());
    if (c.accepted && !t_.read(before)) return false;
    if (!write_pending()) return false;
    if (c.accepted) {
        store::Record row = pending_;
        ListContext x = context(row);
        const uint32_t at = recno();
        c.accepted(x, before);
        restore(at);
        recompute();
    }
    return true;
}

std::vector<ui::BrowseColumn> Editor::columns() {
    std::vector<ui::BrowseColumn> out;
    const bool departure = p_.d.values().str("DECSAIDA") == "S";
    shown_columns_.clear();
    for (size_t k = 0; k < list_.columns.size(); ++k) {
        const ItemColumn& c = list_.columns[k];
        if (!departure && c.departure_only) continue;
        if (c.shown_for && !c.shown_for(options_.owner)) continue;
        out.push_back(column(c));
        shown_columns_.push_back(k);
    }
    return out;
}

// Alt+U, or Enter on a total of months: the window over the months of the amount under the
// cursor; what it keeps goes in as if the total were typed (the column's check first), the months
// with it.
void Editor::monthly_values() {
    if (t_.eof() || !browser_) return;
    // Amounts of the income, asset and payment lists; away from an amount, the first one whose
    // months the row keeps (a payment's amount paid, an income's taxable income).
    auto amount = [&](const ItemColumn& c) {
        const store::FieldDef& f = def(c.field);
        return c.check != CellCheck::kReadOnly && f.type == store::FieldType::kNumeric &&
               f.decimals == 2 && (list_.table == 2 || list_.table == 4 || list_.table == 6);
    };
    const ItemColumn* under = &shown_column();
    if (!amount(*under))
        for (size_t k : shown_columns_)
            if (amount(list_.columns[k]) &&
                !stored_months(list_.table, list_.columns[k].field).empty()) {
                under = &list_.columns[k];
                break;
            }
    const ItemColumn& c = *under;
    if (!amount(c)) {
        p_.screen.beep(300, 100);
        return;
    }
    store::Record row(t_.layout_ptr());
    if (Status s = t_.read(row); !s) {
        refuse(s.message());
        return;
    }
    const std::string prefix = stored_months(list_.table, c.field);
    const std::optional<Decimal> total = row_months(p_.screen, c_, list_.table, c.field, row);
    p_.op.status(list_.hint);
    if (!total) return;
    if (c.check == CellCheck::kMonths) {
        pending_ = row;
        pending_.set(c.field, *total);
        (void)write_pending();
        return;
    }
    ui::BrowseColumn b = column(c);
    ui::Value v = *total;
    if (!b.valid(v)) return;
    if (!prefix.empty())
        for (int m = 1; m <= 12; ++m) {
            const std::string month = prefix + tax::two_digits(m);
            pending_.set(month, row.num(month));
        }
    (void)b.put(v);
}

bool Editor::check(const ItemColumn& c, ui::Value& candidate) {
    if (t_.eof()) return false;
    // Own checks read the declaration as it stands, rows inserted since the last change included.
    if (c.check == CellCheck::kOwn && !fresh_) recompute();
    pending_ = store::Record(t_.layout_ptr());
    if (!t_.read(pending_)) return false;
    const std::string field(c.field);
    bool ok = true;
    switch (c.check) {
        case CellCheck::kNone:
        case CellCheck::kReadOnly:
        case CellCheck::kMonths:
            break;
        case CellCheck::kAmount:
            if (std::get<Decimal>(candidate).is_negative()) return refuse(kNegative);
            break;
        case CellCheck::kPaymentCode:
            ok = check_payment_code(candidate);
            break;
        case CellCheck::kPerson: {
            int number = static_cast<int>(std::get<Decimal>(candidate).whole());
            const long code = pending_.num("I6_3").whole();
            const bool alimony = code >= 30 && code <= 34;
            if (!tax::CONF_DEP(c_, pending_, number, number == 0 && alimony ? 0 : 1)) return false;
            candidate = Decimal(number);
            break;
        }
        case CellCheck::kDocument:
            ok = check_document(candidate);
            break;
        case CellCheck::kPaid: {
            const Decimal v = std::get<Decimal>(candidate);
            if (v.is_negative()) return refuse(kNegative);
            tax::FDOAPAG(c_, pending_, v);
            break;
        }
        case CellCheck::kNonDeductible: {
            const Decimal v = std::get<Decimal>(candidate);
            if (v.is_negative()) return refuse(kNegative);
            candidate = tax::FCONFNDEDU(c_, pending_, v);
            break;
        }
        case CellCheck::kAssetGroup:
            ok = check_group(candidate);
            break;
        case CellCheck::kAssetCode:
            ok = check_asset_code(candidate);
            break;
        case CellCheck::kDebtCode: {
            const long code = std::get<Decimal>(candidate).whole();
            if (code == 0) break;
            auto chosen = TES_COD(codes_.debts, code_key(code), "Códigos de dívidas");
            if (!chosen) return false;
            candidate = Decimal::from(*chosen);
            break;
        }
        case CellCheck::kAbroad:
        case CellCheck::kDone: {
            const std::string v = trim(std::get<std::string>(candidate));
            if (!v.empty() && v != "S" && v != "N") return refuse(kYesNo);
            break;
        }
        case CellCheck::kCountry:
            ok = check_country(candidate);
            break;
        case CellCheck::kRelationship:
            ok = check_relationship(candidate);
            break;
        case CellCheck::kOwn: {
            ListContext x = context(pending_);
            x.item = item_index();
            x.field = c.field;
            const uint32_t at = recno();
            ok = c.own(x, candidate);
            restore(at);
            break;
        }
    }
    if (!ok) return false;
    pending_.set_value(static_cast<size_t>(pending_.layout().index(field)),
                       column_value(def(field), candidate));
    return true;
}

std::optional<std::string> Editor::pick(const std::map<std::string, std::string>& table,
                                        const std::string& title) {
    if (table.empty()) return std::nullopt;
    std::vector<std::vector<ui::Value>> rows;
    std::vector<std::string> keys;
    for (const auto& [code, text] : table) {
        rows.push_back({ui::Value(code), ui::Value(text)});
        keys.push_back(code);
    }
    p_.op.status("Escolha o código com Enter; Esc volta à coluna");
    const std::optional<size_t> chosen = pick_row(p_.screen, ui::Rect{3, 6, 21, 73}, title, rows,
                                                  {{"Cód", 4}, {"Descrição", 73 - 6 - 6}});
    p_.op.status(list_.hint);
    if (!chosen) return std::nullopt;
    return keys.at(*chosen);
}

std::optional<std::string> Editor::TES_COD(const std::map<std::string, std::string>& table,
                                           const std::string& code, const std::string& title) {
    auto it = table.find(code);
    if (it != table.end()) {
        ui::MensArgs a;
        a.title = "Descrição";
        ui::MENS(p_.screen, 5, trim(it->second), a);
        return code;
    }
    return pick(table, title);
}

bool Editor::check_payment_code(ui::Value& candidate) {
    long long code = std::get<Decimal>(candidate).whole();
    auto chosen = TES_COD(codes_.payments, code_key(code), "Códigos de pagamentos");
    if (!chosen) return false;
    code = Decimal::from(*chosen).whole();
    candidate = Decimal(code);
    pending_.set("I6_3", Decimal(code));
    if (code >= 30 && code <= 34) {
        // A payment of alimony needs its recipient first.
        bool any = false;
        for (const auto& r : td_.dependants)
            if (!r.deleted &&
                (r.num("CODIDEPEN") == Decimal(98) || r.num("CODIDEPEN") == Decimal(99)))
                any = true;
        if (!any) return refuse("Para lançar a pensão precisa antes cadastrar o alimentando");
    }
    if (!payment_abroad(code)) {
        pending_.set("I6_11", "");
        return true;
    }
    std::string country = pending_.str("I6_11");
    ui::MensArgs a;
    a.variable = ui::Var(country);
    a.width = 3;
    a.picture = "999";
    ui::MENS(p_.screen, 4, "Numero do Pais:", a);
    auto it = codes_.countries.find(trim(country));
    if (it == codes_.countries.end()) return refuse(kNoCountry);
    p_.op.notice(NoticeKind::kInformation, "", "Pais selecionado: " + trim(it->second));
    pending_.set("I6_11", trim(country));
    if (!trim(pending_.str("I6_2")).empty()) {
        p_.op.notice(NoticeKind::kInformation, "", kAbroadNoDocument);
        pending_.set("I6_2", "");
    }
    return true;
}

bool Editor::check_document(ui::Value& candidate) {
    std::string& text = std::get<std::string>(candidate);
    if (trim(text).empty()) return true;
    const long code = pending_.num("I6_3").whole();
    if (payment_abroad(code)) {
        p_.op.notice(NoticeKind::kInformation, "", kAbroadNoDocument);
        text = pad_right("", char_count(text));
        return true;
    }
    const std::string masked = POEPONTO(p_.op, trim(text), static_cast<int>(code));
    if (trim(masked).empty() || !CPFCGC(p_.op, masked, false)) return false;
    text = pad_right(masked, char_count(text));
    return true;
}

bool Editor::check_group(ui::Value& candidate) {
    std::string& text = std::get<std::string>(candidate);
    std::string group = trim(text);
    if (group.empty()) return true;
    if (group.size() == 1) group = "0" + group;
    if (!codes_.groups.count(group)) {
        p_.op.notice(NoticeKind::kError, "", "Grupo não existe. Confira!");
        auto chosen = pick(codes_.groups, "Grupos de bens");
        if (!chosen) return false;
        group = *chosen;
    }
    text = group;
    // A code of another group no longer stands.
    if (!codes_.assets.count(group + pending_.str("CODB"))) pending_.set("CODB", "");
    return true;
}

bool Editor::check_asset_code(ui::Value& candidate) {
    std::string& text = std::get<std::string>(candidate);
    std::string code = trim(text);
    if (code.empty()) return true;
    const std::string group = trim(pending_.str("GRPO"));
    if (group.empty()) return refuse("Informe antes o Grupo na coluna anterior!");
    if (code.size() == 1) code = "0" + code;
    std::map<std::string, std::string> of_group;
    for (const auto& [key, description] : codes_.assets)
        if (key.compare(0, 2, group) == 0) of_group[key.substr(2)] = description;
    auto chosen = TES_COD(of_group, code, "Códigos do grupo " + group);
    if (!chosen) return false;
    text = *chosen;
    return true;
}

bool Editor::check_country(ui::Value& candidate) {
    std::string& text = std::get<std::string>(candidate);
    const std::string code = trim(text);
    if (code.empty()) return true;
    auto it = codes_.countries.find(code);
    if (it == codes_.countries.end()) return refuse(kNoCountry);
    p_.op.status("Pais selecionado: " + trim(it->second));
    pending_.set("I7_7", code == kBrazil ? "" : "S");
    return true;
}

// A relationship code within the list's codes: a known one shows its description, another opens
// the list's codes to pick from; the alimony recipients hold only 98 and 99.
bool Editor::check_relationship(ui::Value& candidate) {
    const long code = std::get<Decimal>(candidate).whole();
    if (code == 0) return true;
    if (list_.code_low == 98 && list_.code_high == 99 && code != 98 && code != 99)
        return refuse(
            "Informe com 99 se alimentando no Brasil \nou com 98 se alimentando  no Exterior");
    std::map<std::string, std::string> of_list;
    for (const auto& [key, description] : codes_.relationships) {
        const long k = std::stol(key);
        if (k >= list_.code_low && k <= list_.code_high) of_list[key] = description;
    }
    auto chosen = TES_COD(of_list, std::to_string(code), "Códigos de dependentes");
    if (!chosen) return false;
    candidate = Decimal::from(*chosen);
    return true;
}

bool Editor::own_key(const ui::Key& k) {
    if (list_.office != 0) {
        const OfficeList& o = office_list(list_.office);
        if (k == o.pick) {
            pick_office(o);
            return true;
        }
        if (k.is(ui::KeyCode::kEnter, ui::kCtrl)) {
            send_office(o);
            return true;
        }
    }
    if (k == ui::Key::alt('+')) {
        edit_all();
        return true;
    }
    if (k == ui::Key::alt('O') && !list_.orders.empty()) {
        order_rows();
        return true;
    }
    if (k == ui::Key::ctrl('O') && list_.asset_link) {
        link_asset();
        return true;
    }
    if (k.is(ui::KeyCode::kEnter) && !list_.last_year.empty()) return offer_last_year();
    return false;
}

bool Editor::fill(const std::string& field, const store::Value& value, bool document) {
    if (t_.eof()) return false;
    for (const ItemColumn& c : list_.columns) {
        if (c.field != field || c.check == CellCheck::kReadOnly) continue;
        ui::Value candidate = field_value(def(field), value);
        return check(c, candidate) && accept(c);
    }
    pending_ = store::Record(t_.layout_ptr());
    if (!t_.read(pending_)) return false;
    store::Value v = value;
    if (document) {
        std::string typed = trim(std::get<std::string>(v));
        if (!typed.empty() && !CPFCGC1(p_.op, typed, false)) return false;
        v = typed;
    }
    pending_.set_value(pending_.layout().index(field), v);
    return write_pending();
}

// Alt+F1, Alt+F4, Alt+F5: the row chosen in the office table fills the current row, cell by cell
// as if typed; a cell refused stops there.
void Editor::pick_office(const OfficeList& o) {
    if (t_.eof()) return;
    const std::optional<store::Record> chosen = pick_office_row(p_.screen, p_.op, p_.w, o);
    p_.op.status(list_.hint);
    if (!chosen) return;
    store::Record row(t_.layout_ptr());
    if (!t_.read(row)) return;
    for (const auto& [field, value] : o.to_row(*chosen, row))
        if (!fill(field, value, field == o.row_document)) break;
}

// Ctrl+Enter: the current row goes to the office table (its outcome on the status line).
void Editor::send_office(const OfficeList& o) {
    if (t_.eof()) return;
    store::Record row(t_.layout_ptr());
    if (Status s = t_.read(row); !s) {
        refuse(s.message());
        return;
    }
    (void)send_to_office(p_.op, p_.w, o, row);
}

// Alt++: every cell of the row, one after the other from the first, as Enter edits it; Esc on a
// cell stops there.
void Editor::edit_all() {
    if (t_.eof()) return;
    const int count = static_cast<int>(shown_columns_.size());
    for (int c = 0; c < count; ++c) {
        if (list_.columns[shown_columns_[static_cast<size_t>(c)]].check == CellCheck::kReadOnly)
            continue;
        browser_->go_column(c);
        browser_->refresh();
        bool escaped = false;
        browser_->edit(&escaped);
        if (escaped || t_.eof()) break;
    }
}

// Alt+O: the rows of the list put in the order the operator chooses. Rows keep their records
// (their contents move) or, in a list with item numbers, their numbers go to the rows in the new
// order and what names the items follows them. Rows without the key's text go last.
void Editor::order_rows() {
    std::vector<std::string> labels;
    for (const RowOrder& o : list_.orders) labels.emplace_back(o.label);
    const int which = p_.op.choose("Ordena", "Ordena a lista por:", labels, 0);
    if (which < 0) return;
    const RowOrder& by = list_.orders[static_cast<size_t>(which)];
    std::vector<store::Record> rows;
    std::vector<uint32_t> slots;
    const uint32_t at = recno();
    for (Status s = t_.go_top(); s && !t_.eof(); s = t_.skip()) {
        store::Record r(t_.layout_ptr());
        if (!t_.read(r)) continue;
        rows.push_back(std::move(r));
        slots.push_back(t_.recno());
    }
    // Each field's text and a separator below any character, so that a shorter text comes first.
    std::vector<std::string> keys;
    std::vector<bool> blank;
    for (const store::Record& r : rows) {
        std::string k, all;
        for (std::string_view f : by.fields) {
            const std::string part = by.digits ? document_digits(r.str(f)) : upper(trim(r.str(f)));
            k += part + '\x01';
            all += part;
        }
        keys.push_back(k);
        blank.push_back(all.empty());
    }
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) -> bool {
        if (blank[a] != blank[b]) return blank[b];
        return keys[a] < keys[b];
    });
    const std::string seq(list_.sequence);
    std::map<long long, long long> moved;
    p_.w.select(area_);
    if (seq.empty()) {
        // The records, in record order, take the rows in the new order.
        std::vector<uint32_t> record_order = slots;
        std::sort(record_order.begin(), record_order.end());
        for (size_t k = 0; k < order.size(); ++k) {
            if (!t_.go_to(record_order[k]) || !store::REC_LOCK(p_.w, 5)) break;
            Status s = t_.put(rows[order[k]]);
            Status u = t_.unlock();
            if (!s || !u) {
                refuse((s ? u : s).message());
                break;
            }
        }
    } else {
        std::vector<long long> numbers;
        for (const store::Record& r : rows) numbers.push_back(r.num(seq).whole());
        std::sort(numbers.begin(), numbers.end());
        for (size_t k = 0; k < order.size(); ++k) {
            const long long was = rows[order[k]].num(seq).whole();
            if (was == numbers[k]) continue;
            moved[was] = numbers[k];
            if (!t_.go_to(slots[order[k]]) || !store::REC_LOCK(p_.w, 5)) break;
            Status s = t_.replace(t_.field(seq), Decimal(numbers[k]));
            Status u = t_.unlock();
            if (!s || !u) {
                refuse((s ? u : s).message());
                break;
            }
        }
        if (list_.reordered && !moved.empty()) {
            store::Record none(t_.layout_ptr());
            ListContext x = context(none);
            list_.reordered(x, moved);
            p_.w.select(area_);
        }
    }
    restore(seq.empty() ? 0 : at);
    recompute();
    browser_->fit_rows();
    p_.op.status("Lista ordenada por " + std::string(by.label));
}

// Ctrl+O: the asset the row's income comes from, picked among the declaration's assets (or none).
void Editor::link_asset() {
    if (t_.eof()) return;
    store::Table* assets = p_.d.working(4);
    if (!assets) return;
    std::map<std::string, std::string> items;
    items["0000"] = "Nenhum bem (desfaz a ligação)";
    const uint32_t back = assets->eof() ? 0 : assets->recno();
    for (Status s = assets->go_top(); s && !assets->eof(); s = assets->skip()) {
        const long long n = assets->num("I7_0").whole();
        if (n > 0) items[pad_left(std::to_string(n), 4, '0')] = left(trim(assets->str("I7_2")), 60);
    }
    if (back != 0) (void)assets->go_to(back);
    if (items.size() == 1) {
        p_.op.notice(NoticeKind::kInformation, "",
                     "Não há bens declarados para ligar a essa linha.");
        return;
    }
    const std::optional<std::string> chosen = pick(items, "Bem de origem desse rendimento");
    if (!chosen) return;
    const long long item = std::stoll(*chosen);
    if (!fill("REFBEM", Decimal(item), false)) return;
    p_.op.status(item == 0
                     ? std::string("Sem bem de origem")
                     : "Origem nos bens: item " + std::to_string(item) + " - " + items[*chosen]);
}

bool Editor::offer_last_year() {
    const int c = browser_->column();
    if (t_.eof() || c < 0 || static_cast<size_t>(c) >= shown_columns_.size() ||
        list_.columns[shown_columns_[static_cast<size_t>(c)]].field != list_.last_year ||
        list_.sequence.empty())
        return false;
    const long long item = t_.num(list_.sequence).whole();
    const std::string field(list_.last_year);
    const std::string text = last_year_asset_text(p_.w.env(), p_.last_year, p_.d.cpf(), item);
    if (text.empty() || text == trim(t_.str(field))) return false;
    if (!p_.op.yes_no("Declaração anterior",
                      "Item " + std::to_string(item) + " na declaração anterior:\n" + text +
                          "\nUsa esse texto nessa linha?",
                      true))
        return false;
    fill(field, text, false);
    p_.op.status(list_.hint);
    return true;
}

void Editor::say_column(int c) {
    if (c < 0 || static_cast<size_t>(c) >= shown_columns_.size()) return;
    const size_t column = shown_columns_[static_cast<size_t>(c)];
    if (column >= list_.labels.size() || list_.labels[column].empty()) return;
    p_.op.status("Coluna " + pad_left(std::to_string(column + 1), 2, '0') + ": " +
                 std::string(list_.labels[column]));
}

bool Editor::write_pending() {
    if (t_.eof()) return false;
    p_.w.select(area_);
    if (!store::REC_LOCK(p_.w, 5)) return false;
    Status s = t_.put(pending_);
    Status u = t_.unlock();
    if (!s || !u) return refuse((s ? u : s).message());
    recompute(true);
    return true;
}

bool Editor::take_row() {
    std::vector<store::Record>* rows = nullptr;
    for (int n : tax::kComputedLists)
        if (n == list_.table) rows = td_.list(n);
    if (!rows || t_.eof()) return false;
    const size_t index = item_index();
    store::Record stored(t_.layout_ptr());
    if (index >= rows->size() || !t_.read(stored)) return false;
    (*rows)[index] = std::move(stored);
    return true;
}

size_t Editor::item_index() {
    const uint32_t at = recno();
    size_t index = 0;
    unfiltered([&] {
        const size_t order = t_.order();
        t_.set_order(0);
        for (Status s = t_.go_top(); s && !t_.eof() && t_.recno() < at; s = t_.skip()) ++index;
        t_.set_order(order);
    });
    restore(at);
    return index;
}

void Editor::unfiltered(const std::function<void()>& work) {
    filter(false);
    work();
    filter(true);
}

void Editor::recompute(bool written) {
    if (!computed()) {
        if (list_.changed) {
            const uint32_t at = recno();
            unfiltered([&] { changed_line_ = list_.changed(p_, options_.owner); });
            p_.w.select(area_);
            restore(at);
        }
        paint_totals();
        return;
    }
    const uint32_t at = recno();
    Status taken;
    if (!(written && fresh_ && take_row())) {
        td_ = tax::Declaration();  // take_open adds the records to the lists it is given
        unfiltered([&] { taken = tax::take_open(p_.d, &td_); });
    }
    fresh_ = false;
    if (!taken) {
        refuse(taken.message());
        restore(at);
        return;
    }
    tax::Declaration before;  // what the computation may change, as it was
    for (int n : tax::kChangedLists) *before.list(n) = *td_.list(n);
    if (list_.table == 6) {
        tax::CALC(quiet_c_, 4, 0);
    } else if (list_.table == 2) {
        tax::FI1_T(td_);
        tax::CALC(quiet_c_, 3, 0);
    } else {
        tax::FI7_T(td_);
        tax::FI8_T(td_);
        tax::FI10_1(td_);
    }
    tax::CALC(quiet_c_, 7, 0);
    quiet_.said.clear();
    Status given;
    unfiltered([&] { given = tax::give_back(td_, before, p_.d); });
    if (given)
        fresh_ = true;
    else
        refuse(given.message());
    restore(at);
    paint_totals();
}

void Editor::paint_totals() {
    if (totals_row_ == 0) return;
    auto money = [](Decimal v) { return tax::picture_e(v, "999,999,999.99"); };
    std::string line;
    if (list_.changed) {
        line = changed_line_;
    } else if (list_.totals) {
        line = list_.totals(td_, options_.owner);
    } else if (list_.table == 6) {
        Decimal paid, kept;
        for (const auto& r : td_.payments)
            if (!r.deleted) {
                paid += r.num("I6_4");
                kept += r.num("I6_5");
            }
        // The three amounts in their own width: together they would not fit the window.
        line = "Total Pago " + trim(money(paid)) + "   N.Dedutível " + trim(money(kept)) +
               "   Reembolsado " + trim(money(td_.work.I13_14D));
    } else if (list_.table == 2) {
        line = "Tributável " + money(td_.num(list_.dependants ? "I13_02" : "I13_01")) +
               "  Imposto " + money(td_.num(list_.dependants ? "I13_28" : "I13_27")) +
               "  Isentos " + money(td_.num("I13_44"));
    } else if (list_.table == 4) {
        line = "Totais   " + money(td_.num("I13_39")) + "   " + money(td_.num("I13_40"));
    } else if (list_.table == 5) {
        line = "Totais   " + money(td_.num("I13_41")) + "   " + money(td_.num("I13_42")) +
               "   Pago " + money(td_.num("I13_51"));
    }
    p_.screen.write(totals_row_, grid_.left, pad_right(line, static_cast<size_t>(grid_.width())),
                    p_.screen.colours.standard);
}

bool Editor::blank_row(const store::Record& r) const {
    for (const ItemColumn& c : list_.columns) {
        if (c.check == CellCheck::kReadOnly || c.preset) continue;
        if (!blank_value(r.value(c.field))) return false;
    }
    return true;
}

void Editor::drop_blank_rows() {
    if (list_.fixed) return;
    fresh_ = false;
    p_.w.select(area_);
    for (Status s = t_.go_top(); s && !t_.eof(); s = t_.skip()) {
        store::Record r(t_.layout_ptr());
        if (!t_.read(r) || !blank_row(r)) continue;
        if (!store::REC_LOCK(p_.w, 5)) continue;
        Status d = t_.delete_record();
        Status u = t_.unlock();
        if (!d || !u) refuse((d ? u : d).message());
    }
}

// Ins or Alt+L: `rows` blank rows after the current one. An item number follows the current
// one's, and the items after them move on by as many.
bool Editor::insert(int rows) {
    if (rows <= 0 || list_.fixed) return false;
    fresh_ = false;
    const std::string seq(list_.sequence);
    long long after = 0;
    if (!seq.empty() && !t_.eof()) after = t_.num(seq).whole();
    if (!seq.empty()) {
        long long highest = after;
        std::vector<uint32_t> later;
        const uint32_t at = recno();
        for (Status s = t_.go_top(); s && !t_.eof(); s = t_.skip()) {
            const long long n = t_.num(seq).whole();
            highest = std::max(highest, n);
            if (n > after) later.push_back(t_.recno());
        }
        if (highest + rows > 9999) {
            restore(at);
            return refuse("Não há mais números de item livres; salve a declaração para renumerar.");
        }
        p_.w.select(area_);
        for (uint32_t r : later) {
            if (!t_.go_to(r) || !store::REC_LOCK(p_.w, 5)) continue;
            Status s = t_.replace(t_.field(seq),
                                  Decimal(t_.num(seq).whole() + static_cast<long long>(rows)));
            Status u = t_.unlock();
            if (!s || !u) refuse((s ? u : s).message());
        }
        if (list_.renumbered && !later.empty()) {
            store::Record none(t_.layout_ptr());
            ListContext x = context(none);
            list_.renumbered(x, after, rows);
            p_.w.select(area_);
        }
    }
    // A new row as the list starts it, numbered `k` after the current item when the list numbers
    // its items.
    auto new_blank = [&](int k) {
        store::Record blank(t_.layout_ptr());
        if (has_cpf()) blank.set("CPF", p_.d.cpf());
        if (!seq.empty()) blank.set(seq, Decimal(after + static_cast<long long>(k)));
        if (list_.new_row) {
            ListContext x = context(blank);
            unfiltered([&] { list_.new_row(x); });
        }
        return blank;
    };
    if (list_.insert_before && !t_.eof()) {
        store::Record blank = new_blank(1);
        return insert_before(blank, rows);
    }
    uint32_t first = 0;
    for (int k = 1; k <= rows; ++k) {
        store::Record blank = new_blank(k);
        if (Status s = append_row(blank); !s) return refuse(s.message());
        if (first == 0) first = t_.recno();
    }
    restore(first);
    return true;
}

// Lists without item numbers keep their rows in record order: the rows from the current one on
// move down by `rows` records (new ones appended at the end) and the current ones become blank.
bool Editor::insert_before(const store::Record& blank, int rows) {
    const uint32_t at = t_.recno();
    for (int k = 0; k < rows; ++k) {
        store::Record row = blank;
        if (Status s = append_row(row); !s) return refuse(s.message());
    }
    std::vector<uint32_t> shown;
    for (Status s = t_.go_to(at); s && !t_.eof(); s = t_.skip()) shown.push_back(t_.recno());
    p_.w.select(area_);
    for (size_t k = shown.size(); k-- > 0;) {
        store::Record moved(t_.layout_ptr());
        if (k >= static_cast<size_t>(rows)) {
            if (Status s = t_.go_to(shown[k - static_cast<size_t>(rows)]); !s || !t_.read(moved))
                return refuse("A linha não pôde ser lida.");
        } else {
            moved = blank;
        }
        if (!t_.go_to(shown[k]) || !store::REC_LOCK(p_.w, 5)) return false;
        Status s = t_.put(moved);
        Status u = t_.unlock();
        if (!s || !u) return refuse((s ? u : s).message());
    }
    restore(at);
    return true;
}

Status Editor::append_row(store::Record& row) {
    if (list_.area == 0) return t_.append(&row);
    p_.w.select(area_);
    if (!store::ADD_REC(p_.w, 5)) return Status::locked("a linha não pôde ser incluída");
    Status s = t_.put(row);
    Status u = t_.unlock();
    return s ? u : s;
}

bool Editor::insert_rows_asked() {
    if (list_.fixed) return false;
    if (!list_.insert_question.empty() && !t_.eof() &&
        !p_.op.yes_no("", list_.insert_question, true))
        return false;
    return insert(1);
}

bool Editor::remove() {
    if (t_.eof()) return false;
    fresh_ = false;
    if (list_.remove) {
        store::Record row(t_.layout_ptr());
        if (Status s = t_.read(row); !s) return refuse(s.message());
        ListContext x = context(row);
        const uint32_t at = recno();
        filter(false);
        const bool gone = list_.remove(x);
        filter(true);
        if (!gone) {
            restore(at);
            recompute();
            return true;
        }
        (void)t_.go_to(at);
        (void)t_.skip(1);
        if (t_.eof()) (void)t_.go_bottom();
        recompute();
        return true;
    }
    std::string question = kDeleteRow;
    if (list_.delete_question) {
        store::Record row(t_.layout_ptr());
        if (Status s = t_.read(row); !s) return refuse(s.message());
        question.clear();
        for (const std::string& line : list_.delete_question(row))
            question += (question.empty() ? "" : "\n") + line;
    }
    if (!p_.op.yes_no("", question, false)) return false;
    p_.w.select(area_);
    if (!store::REC_LOCK(p_.w, 5)) return false;
    Status s = t_.delete_record();
    Status u = t_.unlock();
    if (!s || !u) return refuse((s ? u : s).message());
    (void)t_.skip(1);
    if (t_.eof()) (void)t_.go_bottom();
    recompute();
    return true;
}

// Alt+M on a first row, then on a second: the sum of the subtotal field over the rows between
// them, both included, in the order shown.
void Editor::subtotal_mark() {
    if (t_.eof()) return;
    if (mark_ == 0) {
        mark_ = t_.recno();
        p_.op.status("Marcado o início do SUBTOTAL: Alt M na última linha");
        return;
    }
    const uint32_t at = t_.recno();
    const std::string field(list_.subtotal);
    Decimal sum;
    bool inside = false;
    for (Status s = t_.go_top(); s && !t_.eof(); s = t_.skip()) {
        const bool edge = t_.recno() == mark_ || t_.recno() == at;
        if (edge && !inside) {
            inside = true;
            sum += t_.num(field);
            if (mark_ == at) break;
            continue;
        }
        if (inside) sum += t_.num(field);
        if (edge) break;
    }
    restore(at);
    mark_ = 0;
    p_.op.status("SUBTOTAL=" + tax::picture_e(sum, "999,999,999.99", true));
}

void Editor::zoom() {
    const int enlarged = list_.table == 4 ? 8 : 9;
    const uint32_t at = recno();
    EditaOptions o;
    o.record = at;
    EditorPlace whole{p_.screen, p_.op,       p_.w,
                      p_.d,      p_.selic,    ui::Rect{1, 0, ui::kRows - 2, ui::kCols - 1},
                      {},        p_.last_year};
    Editor(whole, item_list(enlarged), o).run();
    restore(at);
}

ui::Key Editor::MOSTRA(int top, int left, int bottom, int right) {
    auto window = ui::LDLGSHOW(p_.screen, top, left, bottom, right, std::string(list_.title));
    grid_ = ui::Rect{top + 1, left + 1, bottom - 2, right - 1};
    totals_row_ = bottom - 1;
    TableSource rows(t_);
    ui::BrowseOptions o(grid_);
    o.shown_columns = list_.shown;
    o.on_insert = [this] { return insert_rows_asked(); };
    o.on_delete = [this] { return remove(); };
    o.on_key = [this](const ui::Key& k) {
        if (k == ui::Key::alt('L')) {
            std::string count = " ";
            ui::MensArgs a;
            a.variable = ui::Var(count);
            a.width = 1;
            a.picture = "9";
            ui::MENS(p_.screen, 4, "Insere    linhas após esse Item.", a);
            const int n = trim(count).empty() ? 0 : std::stoi(trim(count));
            if (insert(n)) {
                recompute();
                browser_->fit_rows();
            }
            return true;
        }
        const bool months =
            !t_.eof() && browser_->column() >= 0 && shown_column().check == CellCheck::kMonths;
        if (k == ui::Key::alt('U') || (months && k.is(ui::KeyCode::kEnter))) {
            monthly_values();
            return true;
        }
        if (list_.row_window && k.is(ui::KeyCode::kEnter) && !t_.eof()) {
            if (list_.row_window(p_, t_, list_.dependants)) recompute();
            p_.op.status(list_.hint);
            return true;
        }
        if (k == ui::Key::alt('M')) {
            subtotal_mark();
            return true;
        }
        if (own_key(k)) return true;
        if ((k == ui::Key::alt('Z') || k == ui::Key::alt('X')) && list_.table != 6 &&
            !list_.enlarged) {
            zoom();
            recompute();
            browser_->fit_rows();
            return true;
        }
        if (list_.on_key) {
            store::Record row(t_.layout_ptr());
            if (!t_.eof() && !t_.read(row)) return false;
            ListContext x = context(row);
            const uint32_t at = recno();
            if (list_.on_key(x, p_, k)) {
                restore(at);
                recompute();
                browser_->fit_rows();
                p_.op.status(list_.hint);
                return true;
            }
        }
        if (k == ui::Key::alt('Q') && list_.table == 4 && !t_.eof()) {
            if (asset_detail(p_, t_.recno())) recompute();
            p_.op.status(list_.hint);
            return true;
        }
        return false;
    };
    // The hint shows when the list opens; each column reached then says what it holds.
    o.on_column = [this](int c) { say_column(c); };
    ui::Browser b(p_.screen, rows, columns(), o);
    browser_ = &b;
    // The list opens on the record and column a finding named, else on its first row.
    if (options_.record != 0) restore(options_.record);
    if (options_.column > 1) b.go_column(options_.column - 1);
    paint_totals();
    p_.op.status(list_.hint);
    const ui::Key k = b.run();
    browser_ = nullptr;
    p_.op.status("");
    ui::LDLGCLOSE(p_.screen);
    return k;
}

ui::Key Editor::run() {
    const size_t order = t_.order();
    t_.set_order(t_.index_count() > 0 ? 1 : 0);
    filter(true);
    (void)t_.go_top();
    // An empty list gets its first row to type into; rows left blank go on leaving.
    if (t_.eof() && !list_.fixed) (void)insert(1);
    recompute();
    // Tab and Shift+Tab end the list itself (TECLAMUDA), whatever the screen bound them to.
    const ui::Screen::Bindings bindings = p_.screen.bindings();
    p_.screen.unbind(ui::Key::of(ui::KeyCode::kTab));
    p_.screen.unbind(ui::Key::of(ui::KeyCode::kTab, ui::kShift));
    const ui::Rect a = p_.area;
    const ui::Key k = MOSTRA(a.top, a.left, a.bottom, a.right);
    p_.screen.set_bindings(bindings);
    drop_blank_rows();
    recompute();
    filter(false);
    t_.set_order(order);
    return k;
}

}  // namespace

ui::Key EDITA(EditorPlace& place, int list, const EditaOptions& given) {
    const ItemList& l = item_list(list);
    if (l.area ? !place.w.table(l.area) : !place.d.working(l.table))
        throw std::logic_error("item editor: the list's table is not open");
    EditaOptions options = given;
    if (options.record == 0 && options.column == 0) {
        options.record = place.finding.record;
        options.column = place.finding.column;
    }
    place.finding = EditaOptions{};
    if (l.enlarged) {
        EditorPlace whole = place;
        whole.area = ui::Rect{1, 0, ui::kRows - 2, ui::kCols - 1};
        return Editor(whole, l, options).run();
    }
    return Editor(place, l, options).run();
}

Decimal edit_list_total(EditorPlace& place, int list, std::string_view field) {
    {
        ScreenKeysAtRest keys(place.screen);
        (void)EDITA(place, list);
    }
    store::Table& t = *place.d.working(item_list(list).table);
    const size_t order = t.order();
    t.set_order(0);
    Decimal sum;
    for (Status st = t.go_top(); st && !t.eof(); st = t.skip()) sum += t.num(field);
    t.set_order(order);
    return sum;
}

ui::Key payments_screen(EditorPlace& place) {
    return EDITA(place, 4);
}

ui::Key assets_and_debts_screen(EditorPlace& place) {
    int list = 5;
    while (true) {
        const ui::Key k = EDITA(place, list);
        if (k.is(ui::KeyCode::kTab) && list == 5) {
            list = 6;
        } else if (k.is(ui::KeyCode::kTab, ui::kShift) && list == 6) {
            list = 5;
        } else {
            return k;
        }
    }
}

ui::Key asset_views_screen(EditorPlace& place, int screen, int item) {
    switch (item) {
        case 52:
            return EDITA(place, 22);
        case 53:
            return EDITA(place, 23);
        case 54:
            return EDITA(place, 8);
        case 55:
            return EDITA(place, 9);
        default:
            return EDITA(place, screen == 22 ? 8 : 9);
    }
}

}  // namespace vorn::entry
