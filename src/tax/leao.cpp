// Monthly entries and the Carnê-Leão.
#include "tax/leao.h"

#include <algorithm>

#include "base/text.h"
#include "tax/year.h"

namespace vorn::tax {

MonthlyGrid::MonthlyGrid(store::Record& r) : r_(r) {
    for (int k = 1; k <= 7; ++k)
        for (int m = 1; m <= 13; ++m)
            idx_[k - 1][m - 1] = r.layout().index("I2_" + std::to_string(k) + two_digits(m));
}

Decimal MonthlyGrid::get(int column, int month) const {
    return std::get<Decimal>(r_.at(idx_[column - 1][month - 1]));
}

void MonthlyGrid::set(int column, int month, Decimal v) {
    r_.set_value(idx_[column - 1][month - 1], v);
}

void MonthlyGrid::total() {
    for (int k = 1; k <= 7; ++k) {
        Decimal s;
        for (int m = 1; m <= 12; ++m) s += get(k, m);
        set(k, 13, s);
    }
}

namespace {

int fill_mode(const Declaration& d) {
    const long long m = d.num("CAL_AUTO").whole();
    return m >= 1 && m <= 4 ? static_cast<int>(m) : 1;
}

bool monthly_kind(const std::string& k) {
    return k == "F" || k == "E" || k == "P" || k == "L" || k == "I";
}

bool belongs(const store::Record& item, bool holder, const std::string& cpf_dependant) {
    if (holder) return item.str("I1_11") != "N";
    return item.str("I1_11") == "N" && item.str("I1_8") == cpf_dependant;
}

int count_dependants(const Declaration& d) {
    int n = 0;
    for_each_live(d.dependants, [&](const store::Record& r) {
        if (r.num("CODIDEPEN").whole() < 98) ++n;
    });
    return n;
}

std::string item_month_field(int month) {
    return "I1_4" + two_digits(month);
}

// The income type of an individual payer's item: its own when set, else work when the payer's
// CPF is known, else the declaration's type for such income.
std::string payer_type(const Declaration& d, const store::Record& it) {
    std::string type = it.str("I1_41");
    if (type != "T" && type != "A" && type != "O")
        type = it.str("I1_3").empty() ? d.str("TIPO_PF") : "T";
    return type;
}

// In mode 3 the entries from individuals, from abroad and of the cash book carry a date.
bool dated(const std::string& kind, int mode) {
    return mode == 3 && (kind == "F" || kind == "L" || kind == "E");
}

// The twelve monthly values of a monthly item (index 1 … 12): a dated entry puts its whole value
// in the month of its date; false for a dated entry without a date, which is skipped.
bool item_months(const store::Record& it, const std::string& kind, int mode, Decimal months[13]) {
    if (dated(kind, mode)) {
        const Date when = it.date("DT_LC");
        if (when.blank()) return false;
        months[when.month()] = it.num("I1_4");
        return true;
    }
    for (int m = 1; m <= 12; ++m) months[m] = it.num(item_month_field(m));
    return true;
}

// A person's receipts of self-employed work month by month: with the grid filled from the items,
// the income of work from individuals and the income from abroad; with typed totals the whole
// income typed, the grid not telling work from rent there.
void work_receipts(const Declaration& d, const store::Record& person, Decimal work[13]) {
    const int mode = fill_mode(d);
    if (mode == 2 || mode == 4) {
        for (int m = 1; m <= 12; ++m)
            work[m] = person.num("I2_1" + two_digits(m)) + person.num("I2_2" + two_digits(m));
        return;
    }
    const std::string cpf_dependant = person.str("CPFDEPEN");
    for_each_live(d.items, [&](const store::Record& it) {
        const std::string kind = it.str("I1_1");
        if ((kind != "F" && kind != "E") || !belongs(it, cpf_dependant.empty(), cpf_dependant))
            return;
        const std::string type = kind == "F" ? payer_type(d, it) : "T";
        if (type == "A" || type == "O") return;  // rent and other income bear no cash book
        Decimal months[13];
        if (!item_months(it, kind, mode, months)) return;
        for (int m = 1; m <= 12; ++m) work[m] += months[m];
    });
}

// Income by type of the person being recomputed: work, rent, other.
struct TypeTotals {
    Decimal work, rent, other;
    void add(const std::string& type, Decimal v) {
        (type == "A" ? rent : type == "O" ? other : work) += v;
    }
};

void store_types(Declaration& d, const TypeTotals& t, bool holder) {
    d.set(holder ? "TOTTRABT" : "TOTTRABD", t.work);
    d.set(holder ? "TOTALUGT" : "TOTALUGD", t.rent);
    d.set(holder ? "TOTOUTRT" : "TOTOUTRD", t.other);
}

// The grid of one person; `types` and `carne` accumulate over the dependants.
void recompute(Context& c, store::Record& person, bool holder, TypeTotals& types, Decimal& carne) {
    Declaration& d = c.decl;
    MonthlyGrid g(person);
    const int mode = fill_mode(d);
    const std::string cpf_dependant = person.str("CPFDEPEN");
    Decimal inss[13];
    if (mode == 1 || mode == 3) {
        Decimal col[6][13];  // columns 1, 2, 3 and 5, by column number and month
        for_each_live(d.items, [&](store::Record& it) {
            const std::string kind = it.str("I1_1");
            if (!monthly_kind(kind) || !belongs(it, holder, cpf_dependant)) return;
            Decimal months[13];
            if (!item_months(it, kind, mode, months)) return;
            if (dated(kind, mode))
                for (int m = 1; m <= 12; ++m) it.set(item_month_field(m), months[m]);
            Decimal sum;
            for (int m = 1; m <= 12; ++m) sum += months[m];
            const int column = kind == "F"   ? 1
                               : kind == "E" ? 2
                               : kind == "L" ? 3
                               : kind == "I" ? 5
                                             : 0;
            for (int m = 1; m <= 12; ++m) {
                if (column > 0) col[column][m] += months[m];
                if (kind == "P") inss[m] += months[m];
            }
            if (kind == "P") carne += sum;
            if (kind == "F") types.add(payer_type(d, it), sum);
        });
        for (int m = 1; m <= 12; ++m)
            for (int column : {1, 2, 3, 5}) g.set(column, m, col[column][m]);
    } else {
        // Totals typed in the grid: the deductions column is kept as typed.
        Decimal income;
        for (int m = 1; m <= 12; ++m) income += g.get(1, m);
        types.add(d.str("TIPO_PF"), income);
    }
    if (mode == 1 || mode == 3) {
        Decimal alimony[13];
        if (holder) {
            Decimal pensao;
            for_each_live(d.payments, [&](const store::Record& p) {
                const long long code = p.num("I6_3").whole();
                if (code < 30 || code > 34) return;
                for (int m = 1; m <= 12; ++m) {
                    const Decimal v = p.num("I6_4" + two_digits(m));
                    alimony[m] += v;
                    pensao += v;
                }
            });
            d.work.PENSAOM = pensao;
        }
        const Decimal per_month = holder ? NVALDEPEN[0] * Decimal(count_dependants(d)) : Decimal();
        Decimal dependants_total;
        for (int m = 1; m <= 12; ++m) {
            Decimal deduction = inss[m] + alimony[m];
            if (holder && g.get(1, m) + g.get(2, m) >= per_month) {
                deduction += per_month;
                dependants_total += per_month;
            }
            g.set(4, m, deduction);
        }
        if (holder) d.work.NTOTDEP = dependants_total;
    }
    const CashBook book = person_cash_book(d, person);
    for (int m = 1; m <= 12; ++m) VE_LEAO(c, g, book, m, false);
    VE_LEAO(c, g, book, 13, true);
}

}  // namespace

void limit_cash_book(CashBook& b) {
    Decimal carried;
    for (int m = 1; m <= 12; ++m) {
        b.carried_in[m] = carried;
        const Decimal available = b.expenses[m] + carried;
        b.deductible[m] = max(min(available, b.work[m]), Decimal());
        carried = max(available - b.deductible[m], Decimal());
        b.carried_out[m] = carried;
    }
}

CashBook person_cash_book(const Declaration& d, const store::Record& person) {
    CashBook b;
    for (int m = 1; m <= 12; ++m) b.expenses[m] = person.num("I2_3" + two_digits(m));
    work_receipts(d, person, b.work);
    limit_cash_book(b);
    return b;
}

void VE_LEAO(Context& c, MonthlyGrid& g, const CashBook& book, int month, bool total) {
    if (month >= 1 && month <= 12) {
        const Decimal base = max(g.get(1, month) + g.get(2, month), Decimal());
        g.set(6, month, monthly_tax(base, month, book.deductible[month] + g.get(4, month)));
    }
    if (total) {
        CORR_DARF(c, g);
        g.total();
    }
}

void CORR_DARF(Context& c, MonthlyGrid& g) {
    const Date today = c.clock.today();
    const Date payment = payments::last_business_day(today.year(), today.month());
    const int payment_month = payments::year_month(payment);
    for (int m = 1; m <= 12; ++m) {
        const Decimal difference = g.get(6, m) - g.get(5, m);
        if (difference <= Decimal()) {
            g.set(7, m, Decimal());
            continue;
        }
        const int due_year = m == 12 ? kCalendarYear + 1 : kCalendarYear;
        const int due_month_number = m == 12 ? 1 : m + 1;
        const Date due = payments::last_business_day(due_year, due_month_number);
        const Date reference = payments::PROX_DIA(due);
        const int due_month = payments::year_month(due);
        const Decimal fine = payments::late_fine_percent(reference, payment);
        Decimal interest;
        if (!fine.is_zero() && due_month <= payment_month)
            interest = Decimal(1) + c.selic.sum_between(due.year(), due.month(), payment.year(),
                                                        payment.month());
        g.set(7, m,
              round_half_up(difference + difference * fine / Decimal(100) +
                                difference * interest / Decimal(100),
                            2));
    }
}

void FDE_LEAO(Context& c, store::Record& person, bool holder) {
    if (!holder) {  // the dependants' totals span every dependant
        FDE_LEAO_dependants(c);
        return;
    }
    TypeTotals types;
    Decimal carne;
    recompute(c, person, true, types, carne);
    const int mode = fill_mode(c.decl);
    if (mode == 1 || mode == 3) c.decl.set("CARNEINSS", carne);
    store_types(c.decl, types, true);
    CALC_LEAOTOTAL(c.decl);
}

void FDE_LEAO_holder(Context& c) {
    Declaration& d = c.decl;
    store::Record* holder = nullptr;
    for (auto& r : d.monthly)
        if (!r.deleted && r.str("CPFDEPEN").empty()) {
            holder = &r;
            break;
        }
    if (holder == nullptr) {
        d.monthly.push_back(d.new_record(12));
        holder = &d.monthly.back();
    }
    FDE_LEAO(c, *holder, true);
}

void FDE_LEAO_dependants(Context& c) {
    Declaration& d = c.decl;
    const int mode = fill_mode(d);
    if (mode == 1 || mode == 3) {
        // A dependant with monthly items gets a grid even when none was stored yet.
        std::vector<std::string> missing;
        for_each_live(d.dependants, [&](const store::Record& dep) {
            const std::string cpf = dep.str("CPFDEPEN");
            if (cpf.empty() || dep.num("CODIDEPEN").whole() >= 98) return;
            bool has_grid = false;
            for_each_live(d.monthly, [&](const store::Record& r) {
                if (r.str("CPFDEPEN") == cpf) has_grid = true;
            });
            bool has_items = false;
            for_each_live(d.items, [&](const store::Record& it) {
                if (monthly_kind(it.str("I1_1")) && belongs(it, false, cpf)) has_items = true;
            });
            if (has_items && !has_grid &&
                std::find(missing.begin(), missing.end(), cpf) == missing.end())
                missing.push_back(cpf);
        });
        for (const auto& cpf : missing) {
            d.monthly.push_back(d.new_record(12));
            d.monthly.back().set("CPFDEPEN", cpf);
        }
    }
    TypeTotals types;
    Decimal carne;
    for (auto& r : d.monthly)
        if (!r.deleted && !r.str("CPFDEPEN").empty()) recompute(c, r, false, types, carne);
    if (mode == 1 || mode == 3) d.set("CARNEDEPEN", carne);
    store_types(d, types, false);
    CALC_LEAOTOTAL(d);
}

void CALC_LEAOTOTAL(Declaration& d) {
    const bool paid_only = d.logical("SO_REC") || fill_mode(d) == 4;
    Decimal income[2], abroad[2], leao[2], cash_book;
    d.work.cash_books.clear();
    for (auto& r : d.monthly) {
        if (r.deleted) continue;
        MonthlyGrid g(r);
        const int who = r.str("CPFDEPEN").empty() ? 0 : 1;
        const CashBook& book = d.work.cash_books[r.str("CPFDEPEN")] = person_cash_book(d, r);
        cash_book += book.deductible_total();
        for (int m = 1; m <= 12; ++m) {
            income[who] += g.get(1, m);
            abroad[who] += g.get(2, m);
            leao[who] += paid_only ? g.get(5, m) : max(g.get(5, m), g.get(6, m));
        }
    }
    d.set("I13_03", income[0]);
    d.set("I13_49", abroad[0]);
    d.set("I13_04", income[1]);
    d.set("I13_50", abroad[1]);
    d.set("I13_18", cash_book);
    d.set("I13_29", leao[0]);
    d.set("I13_30", leao[1]);
}

bool PersonMonths::any() const {
    for (const Decimal* column :
         {work, rent, other, abroad, cash_book, social_security, alimony, paid, due})
        if (!column[13].is_zero()) return true;
    return false;
}

bool belongs_to(const store::Record& item, const store::Record& person) {
    const std::string cpf_dependant = person.str("CPFDEPEN");
    return belongs(item, cpf_dependant.empty(), cpf_dependant);
}

std::string individual_income_type(const Declaration& d, const store::Record& item) {
    return payer_type(d, item);
}

bool item_monthly_values(const Declaration& d, const store::Record& item, Decimal months[13]) {
    return item_months(item, item.str("I1_1"), fill_mode(d), months);
}

PersonMonths person_months(const Declaration& d, const store::Record& person) {
    PersonMonths p;
    auto grid = [&](int column, int m) {
        return person.num("I2_" + std::to_string(column) + two_digits(m));
    };
    const int mode = fill_mode(d);
    const bool holder = person.str("CPFDEPEN").empty();
    for (int m = 1; m <= 12; ++m) {
        p.abroad[m] = grid(2, m);
        p.cash_book[m] = grid(3, m);
        p.paid[m] = grid(5, m);
        p.due[m] = grid(6, m);
    }
    if (mode == 1 || mode == 3) {
        for_each_live(d.items, [&](const store::Record& it) {
            const std::string kind = it.str("I1_1");
            if ((kind != "F" && kind != "P") || !belongs_to(it, person)) return;
            Decimal months[13];
            if (!item_months(it, kind, mode, months)) return;
            const std::string type = kind == "F" ? payer_type(d, it) : "";
            Decimal* column = kind == "P"   ? p.social_security
                              : type == "A" ? p.rent
                              : type == "O" ? p.other
                                            : p.work;
            for (int m = 1; m <= 12; ++m) column[m] += months[m];
        });
        if (holder)
            for_each_live(d.payments, [&](const store::Record& pay) {
                const long long code = pay.num("I6_3").whole();
                if (code < 30 || code > 34) return;
                for (int m = 1; m <= 12; ++m) p.alimony[m] += pay.num("I6_4" + two_digits(m));
            });
    } else {
        const std::string type = d.str("TIPO_PF");
        Decimal* column = type == "A" ? p.rent : type == "O" ? p.other : p.work;
        for (int m = 1; m <= 12; ++m) {
            column[m] = grid(1, m);
            p.social_security[m] = grid(4, m);
        }
    }
    for (Decimal* column : {p.work, p.rent, p.other, p.abroad, p.cash_book, p.social_security,
                            p.alimony, p.paid, p.due}) {
        column[13] = Decimal();
        for (int m = 1; m <= 12; ++m) column[13] += column[m];
    }
    return p;
}

std::optional<Decimal> LEAO_INVERSO(Decimal paid, int month, Decimal deductions, Decimal abroad) {
    if (paid <= Decimal()) return std::nullopt;
    const int column = month_column(month);
    // What the monthly table takes off the base: the deductions when above the discount.
    const Decimal reduction = max(deductions, kMonthlyDiscount[column]);
    for (int k = 3; k >= 0; --k) {
        const Decimal base =
            (paid + monthly_deduction(column, k) + reduction * kRate[k]) / kRate[k];
        if (monthly_tax(base, month, deductions).round(0) == paid.round(0))
            return max(up_to_cent(base) - abroad, Decimal());
    }
    return std::nullopt;
}

}  // namespace vorn::tax

namespace vorn::tax {
namespace {

// The months a posting covers: from MESINI to MESFIM (a last month before the first, or none,
// covers the first month only; month 13 stands for the end of the year).
std::pair<int, int> posting_months(const store::Record& p) {
    const int first = static_cast<int>(p.num("MESINI").whole());
    int last = static_cast<int>(p.num("MESFIM").whole());
    if (last < first) last = first;
    return {first, std::min(last, 12)};
}

const store::Record* find_account(const std::vector<store::Record>& accounts,
                                  const std::string& code) {
    for (const auto& a : accounts)
        if (!a.deleted && field_text(a, "CDCONTA") == code) return &a;
    return nullptr;
}

// The item of a kind and person found by a field's value; appended when none matches.
store::Record& item_for(Declaration& d, const std::string& kind, const std::string& dependant,
                        const char* key_field, const std::string& key) {
    for (auto& it : d.items)
        if (!it.deleted && it.str("I1_1") == kind && it.str(key_field) == key &&
            (dependant.empty() ? it.str("I1_11") != "N" : it.str("I1_8") == dependant))
            return it;
    store::Record it = d.new_record(2);
    it.set("I1_1", kind);
    it.set(key_field, key);
    it.set("I1_11", dependant.empty() ? "S" : "N");
    if (!dependant.empty()) it.set("I1_8", dependant);
    d.items.push_back(std::move(it));
    return d.items.back();
}

// A new income item of the holder or of a dependant carrying the posting's payer.
store::Record& new_item(Declaration& d, const store::Record& posting) {
    const std::string dependant = posting.str("CPFDEPEN");
    store::Record it = d.new_record(2);
    it.set("I1_1", dependant.empty() ? "J" : "D");
    it.set("I1_2", posting.str("DESCONTA"));
    it.set("I1_3", posting.str("NROCGCCPF"));
    it.set("I1_11", dependant.empty() ? "S" : "N");
    if (!dependant.empty()) it.set("I1_8", dependant);
    d.items.push_back(std::move(it));
    return d.items.back();
}

// Writes `value` into each month of the range of a monthly field family ("I1_4", "I6_4") and sets
// the total field to the sum of the twelve months.
void spread(store::Record& r, const std::string& family, const store::Record& posting,
            Decimal value) {
    const auto [first, last] = posting_months(posting);
    for (int m = std::max(first, 1); m <= last; ++m) r.set(family + two_digits(m), value);
    Decimal total;
    for (int m = 1; m <= 12; ++m) total += r.num(family + two_digits(m));
    r.set(family, total);
}

enum class Transfer { kDone, kSkipped, kKept };

Transfer transfer(Context& c, store::Record& p, int page, int line, const std::string& account) {
    Declaration& d = c.decl;
    const Decimal value = p.num("VALODESP");
    const std::string dependant = p.str("CPFDEPEN");
    switch (page) {
        case 1: {
            static const std::pair<int, const char*> kFields[] = {
                {4, "I1_4"},  {5, "I1_5"},  {6, "I1_6"},  {7, "I1_7"},
                {8, "I1_39"}, {9, "I1_19"}, {10, "I1_20"}};
            const char* field = nullptr;
            for (const auto& [l, f] : kFields)
                if (l == line) field = f;
            if (field == nullptr) return Transfer::kKept;
            const std::string cnpj = p.str("NROCGCCPF");
            if (cnpj.empty()) {
                c.op.notice(
                    NoticeKind::kError, "",
                    "O Lançamento código " + account + " precisa ter Fonte Pagadora c/ mesmo CNPJ");
                return Transfer::kKept;
            }
            store::Record& it = item_for(d, dependant.empty() ? "J" : "D", dependant, "I1_3", cnpj);
            if (it.str("I1_2").empty()) it.set("I1_2", p.str("DESCONTA"));
            it.set(field, value);
            return Transfer::kDone;
        }
        case 2: {
            static const char* kKinds[] = {"", "F", "E", "L", "P", "I"};
            if (line < 1 || line > 5) return Transfer::kKept;
            const std::string name = line == 4   ? "Carne do INSS"
                                     : line == 5 ? "Receita Federal"
                                                 : p.str("DESCONTA");
            store::Record& it = item_for(d, kKinds[line], dependant, "I1_2", name);
            if (it.str("I1_3").empty()) it.set("I1_3", p.str("NROCGCCPF"));
            spread(it, "I1_4", p, value);
            return Transfer::kDone;
        }
        case 3: {
            if (line == 2 || (line >= 21 && line <= 23)) {
                d.set("I3_" + two_digits(line), value);
                return Transfer::kDone;
            }
            if (line == 4) {
                static const std::pair<const char*, const char*> kGains[] = {{"5041", "I3_04GCPV"},
                                                                             {"5042", "I3_04UNIC"},
                                                                             {"5043", "I3_04REDU"},
                                                                             {"5044", "I3_04EXTR"}};
                for (const auto& [code, field] : kGains)
                    if (account == code) {
                        d.set(field, value);
                        return Transfer::kDone;
                    }
                return Transfer::kKept;
            }
            static const std::pair<int, const char*> kExempt[] = {
                {1, "I1_29"},  {3, "I1_30"},  {5, "I1_15"},  {6, "I1_17"},  {7, "I1_18"},
                {8, "I1_37"},  {9, "I1_16"},  {10, "I1_23"}, {12, "I1_31"}, {13, "I1_13"},
                {14, "I1_14"}, {15, "I1_24"}, {16, "I1_25"}, {17, "I1_26"}, {18, "I1_27"},
                {19, "I1_28"}, {24, "I1_9"}};
            for (const auto& [l, field] : kExempt)
                if (l == line) {
                    store::Record& it = new_item(d, p);
                    it.set(field, value);
                    if (line == 24) it.set("I1_35", p.str("DESCRI"));
                    return Transfer::kDone;
                }
            return Transfer::kKept;
        }
        case 4: {
            static const std::pair<int, const char*> kExclusive[] = {
                {4, "I1_38"}, {8, "I1_32"}, {9, "I1_33"}, {10, "I1_34"}};
            for (const auto& [l, field] : kExclusive)
                if (l == line) {
                    store::Record& it = new_item(d, p);
                    it.set(field, value);
                    it.set("I1_35", p.str("DESCRI"));
                    return Transfer::kDone;
                }
            return Transfer::kKept;
        }
        case 6: {
            int person = 0;
            if (!dependant.empty()) {
                int position = 0;
                person = -1;
                for_each_live(d.dependants, [&](const store::Record& r) {
                    ++position;
                    if (r.str("CPFDEPEN") == dependant) {
                        const int n = static_cast<int>(r.num("NRODEPEN").whole());
                        person = n > 0 ? n : position;
                    }
                });
                if (person < 0) {
                    c.op.notice(NoticeKind::kWarning, "",
                                line < 37 ? "Lancamento para dependente nao existente"
                                          : "O lancamento indicou CPF de dependente não existente");
                    return Transfer::kSkipped;
                }
            }
            if (line >= 37) person = 0;
            const std::string beneficiary = p.str("NROCGCCPF");
            store::Record* pay = nullptr;
            for (auto& r : d.payments)
                if (!r.deleted && r.num("I6_3").whole() == line && r.str("I6_2") == beneficiary &&
                    r.num("I6_6").whole() == person)
                    pay = &r;
            if (pay == nullptr) {
                store::Record r = d.new_record(6);
                r.set("I6_1", p.str("DESCONTA"));
                r.set("I6_2", beneficiary);
                r.set("I6_3", Decimal(line));
                r.set("I6_6", Decimal(person));
                d.payments.push_back(std::move(r));
                pay = &d.payments.back();
            }
            if (p.num("MESINI").is_zero())
                pay->set("I6_4", value);
            else
                spread(*pay, "I6_4", p, value);
            d.work.JA_CALC = false;
            return Transfer::kDone;
        }
        case 13:
            if (line == 31) {
                d.set("I13_31", value);
                return Transfer::kDone;
            }
            if (line == 32) {
                // The tax paid abroad enters through the typed amount it is limited from.
                d.set("IR_EXTER", value);
                return Transfer::kDone;
            }
            return Transfer::kKept;
        default:
            return Transfer::kKept;
    }
}

}  // namespace

int LANCAVAL(Context& c, const std::vector<store::Record>& accounts) {
    Declaration& d = c.decl;
    int done = 0;
    for (size_t i = 0; i < d.postings.size(); ++i) {
        store::Record& p = d.postings[i];
        if (p.deleted || p.logical("LANCADO")) continue;
        const std::string code = p.str("CDCONTA");
        const store::Record* account = find_account(accounts, code);
        if (account == nullptr || field_text(*account, "CDSTATUS") == "N") {
            p.set("LANCADO", true);
            continue;
        }
        const int page = static_cast<int>(field_int(*account, "PAGINA"));
        const int line = static_cast<int>(field_int(*account, "LINHA"));
        const Transfer t = transfer(c, d.postings[i], page, line, code);
        if (t == Transfer::kKept) continue;
        d.postings[i].set("LANCADO", true);
        if (t == Transfer::kDone) ++done;
    }
    c.op.notice(NoticeKind::kInformation, "", posted_text(done));
    return done;
}

std::string posted_text(int done) {
    const char* plural = done == 1 ? "" : "s";
    return std::string("Feito") + plural + " " + std::to_string(done) + " lancamento" + plural;
}

}  // namespace vorn::tax
