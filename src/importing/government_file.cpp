#include "importing/government_file.h"

#include <algorithm>
#include <tuple>

#include "base/picture.h"
#include "base/text.h"
#include "base/validate.h"
#include "store/catalogue.h"

namespace vorn::importing {
namespace {

enum class Kind { kText, kDoc, kAmount, kDate, kWhole };

// A field of a record: characters `from` to `to` (1-based, inclusive) into `field`.
struct Pos {
    int from, to;
    const char* field;
    Kind kind;
};

// One line as characters, with its number in the file; reading stops at the first fault.
class Line {
  public:
    Line(std::string_view utf8, size_t number) : chars_(to_u32(utf8)), number_(number) {}
    size_t number() const { return number_; }
    size_t size() const { return chars_.size(); }
    std::string type() const { return raw(1, 2); }
    // Characters from..to, as they stand.
    std::string raw(int from, int to) const {
        if (static_cast<size_t>(to) > chars_.size() || from > to) return {};
        return to_utf8(std::u32string_view(chars_).substr(from - 1, to - from + 1));
    }
    // Whether the line holds the field; a shorter line is a bad record.
    bool holds(int to, Notes& notes) {
        if (static_cast<size_t>(to) <= chars_.size()) return true;
        fail(notes, "registro " + type() + " com " + std::to_string(chars_.size()) +
                        " caracteres, menor que a posição " + std::to_string(to));
        return false;
    }
    void fail(Notes& notes, std::string reason) {
        if (!failed_) notes.refuse(number_, std::move(reason));
        failed_ = true;
    }
    bool failed() const { return failed_; }

  private:
    std::u32string chars_;
    size_t number_;
    bool failed_ = false;
};

std::string place(int from, int to) {
    return std::to_string(from) + "-" + std::to_string(to);
}

// An amount of digits with two implied decimals; blanks read as zero.
std::optional<Decimal> amount_of(const std::string& text) {
    const std::string t = trim(text);
    if (t.empty()) return Decimal(0);
    if (t.size() > 15 || digits_of(t) != t) return std::nullopt;
    return Decimal::from_scaled(std::stoll(t), 2);
}

// A date of eight digits, day month year; blanks or zeros are the blank date.
std::optional<Date> date_of(const std::string& text) {
    const std::string t = trim(text);
    if (t.empty() || t == std::string(t.size(), '0')) return Date();
    if (t.size() != 8 || digits_of(t) != t) return std::nullopt;
    return Date::make(std::stoi(t.substr(4, 4)), std::stoi(t.substr(2, 2)),
                      std::stoi(t.substr(0, 2)));
}

std::optional<long long> whole_of(const std::string& text) {
    const std::string t = trim(text);
    if (t.empty()) return 0;
    if (t.size() > 15 || digits_of(t) != t) return std::nullopt;
    return std::stoll(t);
}

// Reads one field into `r`; false after a fault (already noted on the line).
bool read_pos(Line& line, const Pos& p, store::Record& r, Notes& notes) {
    if (!line.holds(p.to, notes)) return false;
    const std::string text = line.raw(p.from, p.to);
    switch (p.kind) {
        case Kind::kText:
            put_text(r, p.field, trim(text), line.number(), notes);
            return true;
        case Kind::kDoc:
            // A document keeps its digits only: punctuation written into it is dropped.
            put_text(r, p.field, digits_of(text), line.number(), notes);
            return true;
        case Kind::kAmount:
        case Kind::kWhole: {
            const auto v = p.kind == Kind::kAmount ? amount_of(text) : [&] {
                const auto w = whole_of(text);
                return w ? std::optional<Decimal>(Decimal(*w)) : std::nullopt;
            }();
            if (!v || !put_number(r, p.field, *v)) {
                line.fail(notes, std::string(p.field) + " inválido em " + place(p.from, p.to) +
                                     ": \"" + text + "\"");
                return false;
            }
            return true;
        }
        case Kind::kDate: {
            const auto d = date_of(text);
            if (!d) {
                line.fail(notes, std::string(p.field) + " não é uma data em " +
                                     place(p.from, p.to) + ": \"" + text + "\"");
                return false;
            }
            r.set(p.field, *d);
            return true;
        }
    }
    return false;
}

bool read_range(Line& line, const Pos* from, const Pos* to, store::Record& r, Notes& notes) {
    for (const Pos* p = from; p != to; ++p)
        if (!read_pos(line, *p, r, notes)) return false;
    return true;
}
bool read_all(Line& line, std::initializer_list<Pos> list, store::Record& r, Notes& notes) {
    return read_range(line, list.begin(), list.end(), r, notes);
}

// A receipt of ten digits with its two check digits; empty when blank or all zeros or not digits.
std::string receipt_of(const std::string& text) {
    const std::string t = trim(text);
    if (t.size() != 10 || digits_of(t) != t || t == "0000000000") return {};
    return receipt_with_check_digits(t);
}

store::Record blank(int table) {
    return store::Record(store::table_def(table)->layout);
}

// The identification record's fields of the registry.
constexpr Pos kIdentification[] = {
    {74, 88, "TIPOEND", Kind::kText},    {89, 125, "ENDERECO", Kind::kText},
    {129, 134, "NUMERO", Kind::kText},   {135, 155, "COMPLEM", Kind::kText},
    {156, 174, "BAIRRO", Kind::kText},   {175, 182, "CEP", Kind::kDoc},
    {184, 187, "CODMUNI", Kind::kText},  {188, 217, "MUNICIPIO", Kind::kText},
    {228, 229, "UF", Kind::kText},       {230, 232, "CODEMB", Kind::kText},
    {233, 235, "CODPAIS", Kind::kText},  {236, 325, "EMAIL", Kind::kText},
    {326, 336, "NIT_TIT", Kind::kDoc},   {337, 347, "CPFCONJU", Kind::kDoc},
    {348, 349, "DDDTEL", Kind::kDoc},    {361, 368, "NASCIMENTO", Kind::kDate},
    {369, 381, "TITULO", Kind::kDoc},    {382, 384, "CDPRO", Kind::kText},
    {385, 386, "CODAT", Kind::kText},    {387, 387, "QTD_QUOTA", Kind::kWhole},
    {404, 406, "BANCO", Kind::kText},    {407, 410, "AGENCIA", Kind::kText},
    {428, 428, "DEBITAUT", Kind::kText}, {466, 485, "REGPROF", Kind::kText},
    {486, 487, "DDDFAX", Kind::kDoc},    {488, 496, "TELCELU", Kind::kDoc},
    {498, 508, "TELEFO", Kind::kDoc},    {509, 509, "TIPOCONTA", Kind::kWhole}};

// The identification record into the registry and summary scratch records.
void read_identification(Line& l, bool current, store::Record& reg, store::Record& sum,
                         Notes& notes) {
    if (!read_range(l, std::begin(kIdentification), std::end(kIdentification), reg, notes)) return;
    const bool abroad = reg.str("UF") == "EX";
    reg.set("EBRASIL", abroad ? "N" : "S");
    reg.set("EXTERIOR", abroad ? "S" : "N");
    reg.set("USAPADRAO", l.raw(388, 388) == "S" ? "N" : "S");
    // The account: the savings bank's as written, any other as a number right-aligned in 13;
    // its check digit follows.
    const std::string account = trim(l.raw(510, 520));
    std::string conta = account;
    if (reg.str("BANCO") != "104" && !account.empty()) {
        if (digits_of(account) != account) {
            l.fail(notes, "conta corrente inválida em 510-520: \"" + account + "\"");
            return;
        }
        const size_t first = account.find_first_not_of('0');
        conta = pad_left(first == std::string::npos ? "0" : account.substr(first), 13);
    }
    if (!account.empty()) conta += trim(l.raw(426, 426));
    put_text(reg, "CONTACO", conta, l.number(), notes);
    const std::string reciboant = receipt_of(l.raw(444, 453));
    if (!reciboant.empty()) reg.set("RECIBOANT", reciboant);
    if (current) {
        const std::string ret = trim(l.raw(389, 389));
        reg.set("RETIFICA", ret.empty() ? "N" : ret);
        const std::string novo = trim(l.raw(391, 391));
        reg.set("NOVOEND", novo.empty() ? "N" : novo);
        put_text(reg, "NRORECIBO", digits_of(l.raw(392, 403)), l.number(), notes);
        const std::string inv = trim(l.raw(411, 422));
        reg.set("E_INVALIDO", inv.empty() || inv == std::string(inv.size(), '0') ? "N" : "S");
        const std::string kind = l.raw(454, 454);
        sum.set("DecFinal", kind == "E" ? "S" : "N");
        sum.set("DecSaida", kind == "S" ? "S" : "N");
        put_text(reg, "PROCBRASIL", digits_of(l.raw(455, 465)), l.number(), notes);
    } else {
        reg.set("RETIFICA", "N");
        reg.set("NOVOEND", "N");
        reg.set("E_INVALIDO", "N");
        reg.set("PROCBRASIL", "");
    }
}

// Exempt income codes of record "23" and their summary fields.
constexpr std::pair<int, const char*> kExempt[] = {
    {3, "I3_02"},  {5, "I3_04GCPV"}, {6, "I3_04UNIC"}, {7, "I3_04REDU"}, {8, "I3_04EXTR"},
    {10, "I3_06"}, {11, "I3_07"},    {23, "I3_21"},    {24, "I3_22"},    {25, "I3_23"}};

// Record "22": the month's amounts of one person.
struct Monthly {
    std::string dependant;  // blank for the titular
    int month = 0;
    Decimal individuals, rents, others, abroad, book, alimony, social, tax;
};

// Record "49": one individual payer's month.
struct LeaoEntry {
    std::string dependant, payer, beneficiary;
    int month = 0;
    Decimal value;
};

store::Record income_item(const char* kind, const std::string& dependant) {
    store::Record r = blank(2);
    r.set("I1_1", kind);
    r.set("I1_11", dependant.empty() ? "S" : "N");
    r.set("I1_8", dependant);
    return r;
}

std::string month_field(int month) {
    return "I1_4" + pad_left(std::to_string(month), 2, '0');
}

// The monthly income of records "22" and "49" as income items: per person, one item per
// individual payer of record "49"; what record "22" gives for individuals beyond those payers'
// months, and its abroad income, cash-book expenses, social security and tax paid, one item per
// kind and type with the twelve months.
void monthly_items(const std::vector<Monthly>& months, const std::vector<LeaoEntry>& leao,
                   std::vector<store::Record>& out, Notes& notes) {
    std::map<std::tuple<std::string, std::string, std::string>, size_t> by_payer;
    std::map<std::pair<std::string, int>, Decimal> paid;  // person and month: by named payers
    for (const LeaoEntry& e : leao) {
        const auto key = std::make_tuple(e.dependant, e.payer, e.beneficiary);
        auto it = by_payer.find(key);
        if (it == by_payer.end()) {
            store::Record r = income_item("F", e.dependant);
            r.set("I1_3", e.payer);
            r.set("I1_40", e.beneficiary);
            out.push_back(std::move(r));
            it = by_payer.emplace(key, out.size() - 1).first;
        }
        store::Record& r = out[it->second];
        const std::string f = month_field(e.month);
        r.set(f, r.num(f) + e.value);
        r.set("I1_4", r.num("I1_4") + e.value);
        paid[{e.dependant, e.month}] += e.value;
    }
    struct Column {
        const char* kind;
        const char* type;  // I1_41 of an individual payer's income
        Decimal Monthly::*value;
    };
    const Column cols[] = {{"F", "T", &Monthly::individuals}, {"F", "A", &Monthly::rents},
                           {"F", "O", &Monthly::others},      {"E", "", &Monthly::abroad},
                           {"L", "", &Monthly::book},         {"P", "", &Monthly::social},
                           {"I", "", &Monthly::tax}};
    std::map<std::pair<std::string, int>, size_t> items;  // person and column: item
    for (const Monthly& m : months) {
        for (int c = 0; c < static_cast<int>(std::size(cols)); ++c) {
            Decimal v = m.*(cols[c].value);
            if (c == 0) {
                // Individuals already named by their payers are not counted twice.
                const auto p = paid.find({m.dependant, m.month});
                if (p != paid.end()) v = v > p->second ? v - p->second : Decimal(0);
            }
            if (v == Decimal(0)) continue;
            auto it = items.find({m.dependant, c});
            if (it == items.end()) {
                store::Record r = income_item(cols[c].kind, m.dependant);
                r.set("I1_41", cols[c].type);
                out.push_back(std::move(r));
                it = items.emplace(std::make_pair(m.dependant, c), out.size() - 1).first;
            }
            store::Record& r = out[it->second];
            const std::string f = month_field(m.month);
            r.set(f, r.num(f) + v);
            r.set("I1_4", r.num("I1_4") + v);
        }
        if (m.alimony != Decimal(0))
            notes.cuts.push_back("pensão alimentícia de " +
                                 trim(transform(m.alimony, Picture("@E 999,999,999,999.99"))) +
                                 " no mês " + std::to_string(m.month) +
                                 " não importada: lance-a nos pagamentos");
    }
}

}  // namespace

std::optional<GovernmentHeader> read_government_header(std::string_view bytes) {
    const std::string text = decode_file(bytes.substr(0, std::min<size_t>(bytes.size(), 4096)));
    const size_t end = text.find('\n');
    std::string first = text.substr(0, end);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    Line l(first, 1);
    if (l.size() < 21) return std::nullopt;
    GovernmentHeader h;
    h.kind = l.raw(1, 4);
    const std::string year = l.raw(9, 12);
    if (digits_of(year) != year || year.size() != 4) return std::nullopt;
    h.exercise = std::stoi(year);
    h.form = l.raw(17, 20);
    const std::string flag = l.raw(21, 21);
    h.rectifying = flag == "S" || flag == "1";
    h.receipt = receipt_of(l.raw(102, 111));
    h.rectified = receipt_of(l.raw(124, 133));
    h.previous = receipt_of(l.raw(204, 213));
    return h;
}

GovernmentFile read_government_file(std::string_view bytes, int current_exercise) {
    GovernmentFile out;
    Notes& notes = out.notes;
    const std::vector<std::string> lines = split_lines(decode_file(bytes));
    if (lines.empty() || trim(lines.front()).empty()) {
        notes.refuse(1, "arquivo vazio");
        return out;
    }
    const auto header = read_government_header(bytes);
    if (!header) {
        notes.refuse(1, "cabeçalho da declaração ilegível");
        return out;
    }
    out.header = *header;
    out.current_year = header->exercise == current_exercise;
    if (!out.current_year) {
        // A previous-year file carries only its own receipt.
        out.header.rectified.clear();
        out.header.previous.clear();
    }
    const bool current = out.current_year;
    store::Record reg = blank(9), sum = blank(1);
    std::vector<std::string> summary_set;  // fields of `sum` read, in order
    auto note_summary = [&summary_set](const std::string& f) {
        if (std::find(summary_set.begin(), summary_set.end(), f) == summary_set.end())
            summary_set.push_back(f);
    };
    std::vector<Monthly> months;
    std::vector<LeaoEntry> leao;
    for (size_t k = 1; k < lines.size() && notes.bad.empty(); ++k) {
        Line l(lines[k], k + 1);
        if (out.ended) {
            if (!trim(lines[k]).empty()) l.fail(notes, "registro depois do T9");
            continue;
        }
        if (trim(lines[k]).empty()) {
            l.fail(notes, "linha em branco");
            continue;
        }
        const std::string type = l.type();
        ++out.records[type];
        if (type == "T9") {
            out.ended = true;
            continue;
        }
        if (!l.holds(13, notes)) continue;
        const std::string cpf_text = l.raw(3, 13);
        const auto cpf = read_cpf(cpf_text);
        if (k == 1) {
            if (type != "16") {
                l.fail(notes, "Leiaute diferente do esperado.Não é possível importar");
                continue;
            }
        } else if (out.cpf.empty()) {
            l.fail(notes, "Leiaute diferente do esperado.Não é possível importar");
            continue;
        }
        if (!cpf) {
            l.fail(notes, "CPF inválido em 3-13: \"" + cpf_text + "\"");
            continue;
        }
        if (type == "16") {
            if (!out.cpf.empty()) {
                l.fail(notes, "segundo registro 16");
                continue;
            }
            if (!l.holds(520, notes)) continue;
            out.cpf = *cpf;
            // The name's blanks adjusted: one between words.
            std::string joined;
            for (char c : trim(l.raw(14, 66)))
                if (c != ' ' || (!joined.empty() && joined.back() != ' ')) joined += c;
            out.name = joined;
            reg.set("CPF", out.cpf);
            put_text(reg, "NOMECONTR", out.name, l.number(), notes);
            read_identification(l, current, reg, sum, notes);
            continue;
        }
        if (*cpf != out.cpf) {
            l.fail(notes, "registro " + type + " de outro CPF: " + *cpf);
            continue;
        }
        if (type == "17" || type == "19" || type == "23") {
            if (!current) {
                ++out.unread[type];  // the summary of another year is not this one's
                continue;
            }
            if (type == "17") {
                if (read_all(l,
                             {{14, 26, "I13_31", Kind::kAmount}, {79, 91, "I13_33", Kind::kAmount}},
                             sum, notes))
                    for (const char* f : {"I13_31", "I13_33"}) note_summary(f);
            } else if (type == "19") {
                if (read_all(l, {{14, 27, "CGCPAGADOR", Kind::kDoc}}, reg, notes) &&
                    read_all(l,
                             {{28, 40, "I13_32", Kind::kAmount},
                              {41, 53, "I13_31", Kind::kAmount},
                              {54, 66, "I13_33", Kind::kAmount}},
                             sum, notes))
                    for (const char* f : {"I13_32", "I13_31", "I13_33"}) note_summary(f);
            } else {
                if (!l.holds(30, notes)) continue;
                const auto code = whole_of(l.raw(16, 17));
                const auto v = amount_of(l.raw(18, 30));
                if (!code || !v) {
                    l.fail(notes, "código ou valor inválido no registro 23");
                    continue;
                }
                const auto* e = std::find_if(std::begin(kExempt), std::end(kExempt),
                                             [&](const auto& p) { return p.first == *code; });
                if (e == std::end(kExempt)) {
                    ++out.unread["23/" + pad_left(std::to_string(*code), 2, '0')];
                    continue;
                }
                // Several records of one code add up.
                const bool seen = std::find(summary_set.begin(), summary_set.end(), e->second) !=
                                  summary_set.end();
                const Decimal total = (seen ? sum.num(e->second) : Decimal(0)) + *v;
                if (!put_number(sum, e->second, total)) {
                    l.fail(notes, std::string(e->second) + " acima do campo");
                    continue;
                }
                if (!seen) summary_set.push_back(e->second);
            }
            continue;
        }
        if (type == "21" || type == "32") {
            const bool dep = type == "32";
            const int o = dep ? 11 : 0;  // the dependant's CPF comes first in record 32
            store::Record r = blank(2);
            r.set("I1_1", dep ? "D" : "J");
            r.set("I1_11", dep ? "N" : "S");
            if (dep && !read_pos(l, {14, 24, "I1_8", Kind::kDoc}, r, notes)) continue;
            if (!read_all(l,
                          {{14 + o, 27 + o, "I1_3", Kind::kDoc},
                           {28 + o, 87 + o, "I1_2", Kind::kText},
                           {88 + o, 100 + o, "I1_4", Kind::kAmount},
                           {101 + o, 113 + o, "I1_6", Kind::kAmount},
                           {114 + o, 126 + o, "I1_7", Kind::kAmount},
                           {127 + o, 139 + o, "I1_5", Kind::kAmount},
                           {148 + o, 160 + o, "I1_39", Kind::kAmount}},
                          r, notes))
                continue;
            out.incomes.push_back(std::move(r));
            continue;
        }
        if (type == "22") {
            if (!l.holds(157, notes)) continue;
            Monthly m;
            m.dependant = digits_of(l.raw(15, 25));
            if (m.dependant == std::string(m.dependant.size(), '0')) m.dependant.clear();
            const auto month = whole_of(l.raw(26, 27));
            if (!month || *month < 1 || *month > 12) {
                l.fail(notes, "mês inválido em 26-27: \"" + l.raw(26, 27) + "\"");
                continue;
            }
            m.month = static_cast<int>(*month);
            const std::pair<int, Decimal Monthly::*> amounts[] = {
                {28, &Monthly::individuals}, {41, &Monthly::rents}, {54, &Monthly::others},
                {67, &Monthly::abroad},      {80, &Monthly::book},  {93, &Monthly::alimony},
                {119, &Monthly::social},     {145, &Monthly::tax}};
            bool fine = true;
            for (const auto& [from, field] : amounts) {
                const auto v = amount_of(l.raw(from, from + 12));
                if (!v) {
                    l.fail(notes, "valor inválido em " + place(from, from + 12));
                    fine = false;
                    break;
                }
                m.*field = *v;
            }
            if (fine) months.push_back(m);
            continue;
        }
        if (type == "49") {
            if (!l.holds(61, notes)) continue;
            LeaoEntry e;
            e.dependant = digits_of(l.raw(14, 24));
            if (e.dependant == std::string(e.dependant.size(), '0')) e.dependant.clear();
            const auto month = whole_of(l.raw(25, 26));
            const auto v = amount_of(l.raw(49, 61));
            if (!month || *month < 1 || *month > 12 || !v) {
                l.fail(notes, "mês ou valor inválido no registro 49");
                continue;
            }
            e.month = static_cast<int>(*month);
            e.payer = digits_of(l.raw(27, 37));
            e.beneficiary = digits_of(l.raw(38, 48));
            e.value = *v;
            leao.push_back(e);
            continue;
        }
        if (type == "25") {
            store::Record r = blank(3);
            if (read_all(l,
                         {{14, 18, "NRODEPEN", Kind::kWhole},
                          {19, 20, "CODIDEPEN", Kind::kWhole},
                          {21, 61, "NOMEDEPEN", Kind::kText},
                          {81, 88, "DATADEPEN", Kind::kDate},
                          {89, 99, "CPFDEPEN", Kind::kDoc},
                          {100, 100, "SAIUJUNT", Kind::kText},
                          {101, 111, "NITDEPEN", Kind::kDoc},
                          {112, 112, "MORAJUNT", Kind::kText},
                          {113, 152, "EMAIL_DEPE", Kind::kText},
                          {203, 213, "TEL_DEPEN", Kind::kDoc}},
                         r, notes))
                out.dependants.push_back(std::move(r));
            continue;
        }
        if (type == "26") {
            store::Record r = blank(6);
            if (!read_all(l,
                          {{14, 15, "I6_3", Kind::kWhole},
                           {16, 20, "I6_6", Kind::kWhole},
                           {21, 34, "I6_2", Kind::kDoc},
                           {35, 84, "I6_1", Kind::kText},
                           {106, 118, "I6_4", Kind::kAmount},
                           {147, 396, "I6_9", Kind::kText},
                           {659, 661, "I6_11", Kind::kText}},
                          r, notes))
                continue;
            // Both parts that cannot be deducted.
            const auto a = amount_of(l.raw(119, 131)), b = amount_of(l.raw(132, 144));
            if (!a || !b || !put_number(r, "I6_5", *a + *b)) {
                l.fail(notes, "parcela não dedutível inválida em 119-144");
                continue;
            }
            out.payments.push_back(std::move(r));
            continue;
        }
        if (type == "34") {
            store::Record r = blank(6);
            r.set("I6_3", Decimal(98));  // donations to parties and candidates
            if (read_all(l,
                         {{14, 27, "I6_2", Kind::kDoc},
                          {28, 77, "I6_1", Kind::kText},
                          {88, 100, "I6_4", Kind::kAmount}},
                         r, notes))
                out.payments.push_back(std::move(r));
            continue;
        }
        if (type == "27") {
            store::Record r = blank(4);
            if (!read_all(
                    l,
                    {{14, 15, "CODB", Kind::kText},         {17, 19, "I7_8", Kind::kText},
                     {20, 531, "I7_2", Kind::kText},        {532, 544, "I7_3", Kind::kAmount},
                     {545, 557, "I7_4", Kind::kAmount},     {558, 597, "ENDEIMO", Kind::kText},
                     {598, 603, "NUMIMO", Kind::kText},     {604, 633, "COMPIMO", Kind::kText},
                     {644, 673, "BAIRIMO", Kind::kText},    {684, 691, "CEPIMO", Kind::kDoc},
                     {693, 694, "UFIMO", Kind::kText},      {699, 728, "MUNICIMO", Kind::kText},
                     {739, 739, "REGISTRO", Kind::kText},   {740, 779, "MATRICU", Kind::kText},
                     {780, 819, "LIVRORG", Kind::kText},    {831, 831, "UNIDADE", Kind::kText},
                     {832, 861, "CARTORIO", Kind::kText},   {893, 896, "I7_6", Kind::kWhole},
                     {897, 904, "DATA_IMO", Kind::kDate},   {933, 943, "RENAVAM", Kind::kDoc},
                     {963, 992, "REG_AVI", Kind::kText},    {993, 1022, "REG_BAR", Kind::kText},
                     {1023, 1026, "AGENCBAN", Kind::kText}, {1040, 1041, "DVBAN", Kind::kText},
                     {1042, 1055, "CPF_CNPJ", Kind::kDoc},  {1056, 1075, "REG_IPTU", Kind::kText},
                     {1086, 1088, "NROBANCO", Kind::kText}, {1090, 1100, "CPFDEP", Kind::kDoc},
                     {1101, 1102, "GRPO", Kind::kText},     {1104, 1123, "CONTABAN", Kind::kText},
                     {1124, 1131, "REG_NIRF", Kind::kText}, {1144, 1144, "BOLSA", Kind::kText},
                     {1145, 1164, "CODNEGO", Kind::kText},  {1165, 1165, "AUTOCUSTO", Kind::kText},
                     {1166, 1175, "CODALTC", Kind::kText},  {1176, 1185, "CODSTAB", Kind::kText}},
                    r, notes))
                continue;
            // Abroad when the country is another than Brazil (105), as the asset lists read it.
            const std::string country = r.str("I7_8");
            r.set("I7_7", country.empty() || country == "105" ? " " : "S");
            r.set("I7_9", r.num("I7_3"));
            r.set("FLAG2", l.raw(1103, 1103) == "S");
            const size_t n = out.assets.size() + 1;
            r.set("I7_1", Decimal(static_cast<long long>(n)));
            r.set("I7_0", Decimal(static_cast<long long>(n * 10)));
            out.assets.push_back(std::move(r));
            continue;
        }
        if (type == "28") {
            store::Record r = blank(5);
            if (!read_all(l,
                          {{14, 15, "I8_5", Kind::kWhole},
                           {16, 527, "I8_2", Kind::kText},
                           {528, 540, "I8_3", Kind::kAmount},
                           {541, 553, "I8_4", Kind::kAmount},
                           {554, 566, "I8_7", Kind::kAmount}},
                          r, notes))
                continue;
            const size_t n = out.debts.size() + 1;
            r.set("I8_1", Decimal(static_cast<long long>(n)));
            r.set("I8_0", Decimal(static_cast<long long>(n * 10)));
            out.debts.push_back(std::move(r));
            continue;
        }
        // Records whose field positions are not known here: counted, not read.
        ++out.unread[type];
    }
    if (!notes.bad.empty()) return out;
    if (out.cpf.empty()) {
        notes.refuse(lines.size() > 1 ? 2 : 1, "sem o registro 16 de identificação");
        return out;
    }
    if (!out.ended) {
        notes.refuse(lines.size(), "arquivo sem o registro T9 final: incompleto");
        return out;
    }
    monthly_items(months, leao, out.incomes, notes);
    for (auto& r : out.incomes) r.set("CPF", out.cpf);
    for (auto* list : {&out.dependants, &out.assets, &out.debts, &out.payments})
        for (auto& r : *list) r.set("CPF", out.cpf);
    // The registry's values read, then the summary's.
    std::vector<std::string> names{"CPF", "NOMECONTR"};
    for (const Pos& p : kIdentification) names.push_back(p.field);
    names.insert(names.end(), {"EBRASIL", "EXTERIOR", "USAPADRAO", "CONTACO", "RETIFICA", "NOVOEND",
                               "E_INVALIDO", "PROCBRASIL"});
    if (current) names.push_back("NRORECIBO");
    if (!reg.str("RECIBOANT").empty()) names.push_back("RECIBOANT");
    for (const std::string& n : names) out.values.emplace_back(n, reg.value(n));
    if (current)
        for (const char* f : {"DecFinal", "DecSaida"}) out.values.emplace_back(f, sum.value(f));
    if (out.records.count("19")) out.summary.emplace_back("CGCPAGADOR", reg.value("CGCPAGADOR"));
    for (const std::string& f : summary_set) out.summary.emplace_back(f, sum.value(f));
    return out;
}

ReceiptFile read_receipt_file(std::string_view bytes, int exercise) {
    ReceiptFile out;
    // The notes table holds 75 characters a line: a longer note goes on in the next.
    auto note = [&out](const std::string& text) {
        for (const std::string& l : wrap_words(text, 75)) out.notes.push_back(trim_right(l));
    };
    const std::vector<std::string> lines = split_lines(decode_file(bytes));
    auto dmy = [](const std::string& t) -> std::optional<Date> { return date_of(t); };
    for (size_t k = 0; k < lines.size() && out.bad.bad.empty(); ++k) {
        Line l(lines[k], k + 1);
        if (trim(lines[k]).empty()) continue;
        if (out.ended) {
            l.fail(out.bad, "registro depois do TC");
            continue;
        }
        const std::string type = l.type();
        if (type == "TC") {
            out.ended = true;
        } else if (type == "RC") {
            if (!l.holds(24, out.bad)) continue;
            const auto d = dmy(l.raw(17, 18) + l.raw(19, 20) + l.raw(21, 24));
            if (!d) {
                l.fail(out.bad, "data de entrega inválida em 17-24: \"" + l.raw(17, 24) + "\"");
                continue;
            }
            out.delivered = *d;
        } else if (type == "NC") {
            if (!l.holds(153, out.bad)) continue;
            const auto d = dmy(l.raw(136, 137) + l.raw(134, 135) + l.raw(130, 133));
            const auto late = whole_of(l.raw(138, 139));
            const auto v = amount_of(l.raw(140, 153));
            if (!d || !late || !v) {
                l.fail(out.bad, "multa ilegível em 130-153");
                continue;
            }
            note("Existe multa de R$ " + trim(transform(*v, Picture("@E 999,999,999,999.99"))) +
                 " datado de " + d->dmy() + " com " + std::to_string(*late) + " meses de atraso");
        } else if (type == "VC") {
            if (!l.holds(20, out.bad)) continue;
            const auto n = whole_of(l.raw(8, 10));
            if (!n) {
                l.fail(out.bad, "número de retificações inválido em 8-10");
                continue;
            }
            out.rectifications = static_cast<int>(*n);
            // Characters 3 to 7: the five preceding exercises, the oldest first.
            for (int c = 3; c <= 7; ++c)
                if (l.raw(c, c) == "1")
                    note("Existe pendencia na declaracao de " + std::to_string(exercise - 8 + c));
            const bool debt = l.raw(11, 11) == "1", balance = l.raw(20, 20) == "1";
            if (debt || balance) {
                const auto d = l.size() >= 19 ? dmy(l.raw(12, 19)) : std::nullopt;
                if (!d) {
                    l.fail(out.bad, "data inválida em 12-19: \"" + l.raw(12, 19) + "\"");
                    continue;
                }
                if (debt) note("Existe Debito pendente na Receita Federal em " + d->dmy());
                if (balance)
                    note("Existe Saldo de Restituicao na Receita nao resgatado em " + d->dmy());
            }
        } else if (type == "MC") {
            // The message runs from character 3 to 14 characters before the end.
            const size_t n = l.size();
            const std::string text = n > 16 ? trim(l.raw(3, static_cast<int>(n - 14))) : "";
            for (size_t at = 0; at < char_count(text); at += 75) {
                const std::string piece = trim(substr_chars(text, at, 75));
                if (!piece.empty()) out.notes.push_back(piece);
            }
        } else {
            l.fail(out.bad, "registro desconhecido no recibo: \"" + type + "\"");
        }
    }
    return out;
}

}  // namespace vorn::importing
