#include "importing/rural_book_file.h"

#include "base/text.h"

namespace vorn::importing {
namespace {

using Line = std::u32string;

// Characters [from, from + n) of a line, 1-based; the caller has checked the line is long
// enough.
Line cut(const Line& line, size_t from, size_t n) {
    return line.substr(from - 1, n);
}

// A text field: control characters become blanks, blanks at the ends go.
std::string text_field(const Line& line, size_t from, size_t n) {
    Line t = cut(line, from, n);
    for (char32_t& c : t)
        if (c < 0x20 || c == 0x7F) c = U' ';
    return trim(to_utf8(t));
}

bool all_digits(const Line& s) {
    if (s.empty()) return false;
    for (char32_t c : s)
        if (c < U'0' || c > U'9') return false;
    return true;
}

long long digits_value(const Line& s) {
    long long v = 0;
    for (char32_t c : s) v = v * 10 + static_cast<long long>(c - U'0');
    return v;
}

// A 13-digit amount in cents at `from`; nullopt when it is not all digits.
std::optional<Decimal> amount(const Line& line, size_t from) {
    const Line d = cut(line, from, 13);
    if (!all_digits(d)) return std::nullopt;
    return Decimal::from_scaled(digits_value(d), 2);
}

// The line's characters as shown in a reason.
std::string shown(const Line& s) {
    return to_utf8(s);
}

// Record kinds in the order the file holds them.
int rank_of(const Line& type) {
    static const std::pair<const char32_t*, int> kinds[] = {{U"01", 1}, {U"02", 2}, {U"03", 3},
                                                            {U"04", 4}, {U"05", 5}, {U"07", 7}};
    for (const auto& [name, rank] : kinds)
        if (type == name) return rank;
    return 0;
}

class Reader {
  public:
    explicit Reader(RuralBookFile* out) : out_(*out) {}

    void line(int number, const Line& l) {
        number_ = number;
        if (l.empty()) return bad("Linha vazia");
        if (l.substr(0, 8) == U"IRARURAL") {
            if (number != 1) return bad("Registro IRARURAL fora da primeira linha");
            out_.totals_only = true;
            return;
        }
        if (l.size() < 2) return bad(short_text(l, 2));
        const Line type = l.substr(0, 2);
        const int rank = rank_of(type);
        if (rank == 0) return bad("Registro desconhecido: \"" + shown(type) + "\"");
        if (rank < last_rank_)
            return bad("Registro " + shown(type) + " fora de ordem: vem antes dos registros " +
                       last_type_);
        if (rank == last_rank_ && rank <= 2) return bad("Registro " + shown(type) + " repetido");
        last_rank_ = rank;
        last_type_ = shown(type);
        if (rank == 3) return entry(l);
        if (rank == 4) return month(l);
        if (rank == 7) return property(l);
    }

  private:
    void bad(std::string reason) {
        out_.bad.push_back({static_cast<size_t>(number_), std::move(reason)});
    }

    static std::string short_text(const Line& l, size_t needed) {
        return "Linha curta: " + std::to_string(l.size()) + " caracteres, o registro precisa de " +
               std::to_string(needed);
    }

    // Whether the line holds `needed` characters; tells when it does not.
    bool long_enough(const Line& l, size_t needed) {
        if (l.size() >= needed) return true;
        bad(short_text(l, needed));
        return false;
    }

    // The amount at `from`, or a bad line.
    std::optional<Decimal> amount_at(const Line& l, size_t from) {
        auto v = amount(l, from);
        if (!v)
            bad("Valor não numérico nas posições " + std::to_string(from) + " a " +
                std::to_string(from + 12) + ": \"" + shown(cut(l, from, 13)) + "\"");
        return v;
    }

    void entry(const Line& l) {
        if (!long_enough(l, 12)) return;
        const char32_t kind = l[11];
        if (kind != U'1' && kind != U'2') {
            ++out_.skipped_entries;
            return;
        }
        if (!long_enough(l, 287)) return;
        const Line day = cut(l, 4, 2), mon = cut(l, 6, 2), year = cut(l, 8, 4);
        std::optional<Date> date;
        if (all_digits(day) && all_digits(mon) && all_digits(year) && digits_value(year) > 0)
            date = Date::make(static_cast<int>(digits_value(year)),
                              static_cast<int>(digits_value(mon)),
                              static_cast<int>(digits_value(day)));
        if (!date)
            bad("Data impossível: \"" + shown(day) + "/" + shown(mon) + "/" + shown(year) + "\"");
        const auto value = amount_at(l, 275);
        if (!date || !value) return;
        BookEntry e;
        e.date = *date;
        e.receipt = kind == U'1';
        const Line description = cut(l, 20, 41);
        e.description = text_field(l, 20, 41);
        e.amount = *value;
        if (auto nf = invoice_number(description)) {
            e.document_type = 1;
            e.document = *nf;
        }
        out_.entries.push_back(std::move(e));
    }

    void month(const Line& l) {
        const size_t needed = out_.totals_only ? 68 : 55;
        if (!long_enough(l, needed)) return;
        const char32_t letter = l[2];
        if (letter < U'A' || letter > U'L')
            return bad("Mês inválido: \"" + shown(Line(1, letter)) + "\" (de A a L)");
        const int m = static_cast<int>(letter - U'A') + 1;
        for (const auto& seen : out_.months)
            if (seen.month == m) return bad("Mês repetido: \"" + shown(Line(1, letter)) + "\"");
        BookMonth bm;
        bm.month = m;
        // Each amount is checked, so that every fault of the line is told at once.
        const auto r = amount_at(l, 4), e = amount_at(l, 17);
        const auto a09 = amount_at(l, out_.totals_only ? 56 : 43);
        const auto a10 = amount_at(l, out_.totals_only ? 43 : 30);
        if (!r || !e || !a09 || !a10) return;
        bm.receipts = *r;
        bm.expenses = *e;
        bm.adjustment_09 = *a09;
        bm.adjustment_10 = *a10;
        out_.months.push_back(bm);
    }

    void property(const Line& l) {
        if (!long_enough(l, 92)) return;
        BookProperty p;
        p.state_registration = text_field(l, 3, 14);
        p.register_number = text_field(l, 23, 8);
        p.name = text_field(l, 31, 60);
        p.uf = text_field(l, 91, 2);
        out_.properties.push_back(std::move(p));
    }

    RuralBookFile& out_;
    int number_ = 0;
    int last_rank_ = 0;
    std::string last_type_;
};

}  // namespace

std::optional<std::string> invoice_number(const std::u32string& description) {
    size_t found = std::u32string::npos;
    for (const char32_t* mark : {U"NF -", U"NF-", U"NF "}) {
        found = description.find(mark);
        if (found != std::u32string::npos) break;
    }
    if (found == std::u32string::npos) return std::nullopt;
    // The first "-" from the fifth character on; its 1-based position less one is the length.
    const size_t dash = description.size() > 4 ? description.find(U'-', 4) : std::u32string::npos;
    std::u32string number = dash == std::u32string::npos
                                ? description.substr(found)
                                : description.substr(found, dash);  // (dash + 1) − 1
    for (char32_t& c : number)
        if (c < 0x20 || c == 0x7F) c = U' ';
    return trim(left(to_utf8(number), 20));
}

RuralBookFile read_rural_book(std::string_view bytes) {
    RuralBookFile out;
    if (!bytes.empty() && bytes.back() == '\x1A') bytes.remove_suffix(1);
    Reader reader(&out);
    size_t start = 0;
    int number = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view raw = bytes.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        reader.line(++number, to_u32(from_cp1252(raw)));
        start = next;
    }
    out.lines = number;
    return out;
}

}  // namespace vorn::importing
