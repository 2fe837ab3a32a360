#include "importing/import_text.h"

#include <memory>

#include "base/helpers.h"
#include "base/text.h"

namespace vorn::importing {
namespace {

bool valid_utf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size()) return false;
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

bool has_minus(std::string_view t) {
    return t.find('-') != std::string_view::npos;
}

}  // namespace

std::string decode_file(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::string text = valid_utf8(bytes) ? std::string(bytes) : from_cp1252(bytes);
    // A mark that survived the Windows-1252 reading (a file in that code page that began with the
    // mark's bytes) is dropped too.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = last ? text.size() : end + 1;
    }
    return lines;
}

std::vector<std::string> split_fields(std::string_view line, char separator) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t p = line.find(separator, start);
        if (p == std::string_view::npos) {
            out.emplace_back(line.substr(start));
            return out;
        }
        out.emplace_back(line.substr(start, p - start));
        start = p + 1;
    }
}

std::optional<Decimal> read_brazilian(std::string_view text) {
    const std::string t = trim(text);
    if (has_minus(t) || t.find('+') != std::string::npos) return std::nullopt;
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == ',')) return std::nullopt;
    return CAR_TO_VAL(t);
}

std::optional<Decimal> read_amount(std::string_view text) {
    const std::string t = trim(text);
    if (t.find(',') != std::string::npos) return read_brazilian(t);
    if (has_minus(t)) return std::nullopt;
    std::string digits;
    for (char c : t) {
        if (c == '.' || c == '/') continue;
        if (c < '0' || c > '9') return std::nullopt;
        digits += c;
    }
    if (digits.empty()) return Decimal();
    // Leading zeros carry nothing; more than 30 digits is no amount a table can hold.
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return Decimal();
    digits.erase(0, first);
    if (digits.size() > 30) return std::nullopt;
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return Decimal::parse(digits.substr(0, digits.size() - 2) + "." +
                          digits.substr(digits.size() - 2));
}

std::optional<long long> read_whole(std::string_view text) {
    const std::string t = trim(text);
    long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        if (v > 100'000'000'000LL) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string storable(std::string_view text) {
    return from_cp1252(to_cp1252(text));
}

std::string CONVCAR(std::string_view text) {
    std::string out = trim_right(storable(MATCAR(trim_right(text))));
    return out.empty() ? " " : out;
}

std::string digits_of(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

std::string zero_filled(std::string_view digits, size_t width) {
    std::string out(digits);
    if (out.size() < width) out.insert(0, width - out.size(), '0');
    return out;
}

std::optional<std::string> read_cpf(std::string_view text) {
    const std::string t = trim(text);
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '/' || c == ' '))
            return std::nullopt;
    const std::string d = digits_of(t);
    if (d.empty() || d.size() > 11 || d.find_first_not_of('0') == std::string::npos)
        return std::nullopt;
    return zero_filled(d, 11);
}

void put_text(store::Record& r, std::string_view field, std::string_view text, size_t line,
              Notes& notes) {
    const size_t width = static_cast<size_t>(r.layout()[r.layout().index(field)].width);
    const std::string t = trim_right(storable(text));
    if (char_count(t) > width) {
        notes.cuts.push_back("linha " + std::to_string(line) + ": " + std::string(field) +
                             " cortado em " + std::to_string(width) + " caracteres: " + t);
        r.set(field, trim_right(left(t, width)));
    } else {
        r.set(field, t);
    }
}

bool put_number(store::Record& r, std::string_view field, Decimal v) {
    const store::FieldDef& f = r.layout()[r.layout().index(field)];
    if (v != v.round(f.decimals)) return false;
    if (static_cast<int>(v.to_string(f.decimals).size()) > f.width) return false;
    r.set(field, v);
    return true;
}

bool same_rows(const std::vector<store::Record>& a, const std::vector<store::Record>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (!store::same_when_stored(a[k], b[k])) return false;
    return true;
}

Status read_bytes(store::Env& env, const std::string& path, std::string* out) {
    std::unique_ptr<store::File> f;
    Status s = env.open(path, store::OpenFor::kRead, &f);
    uint64_t size = 0;
    if (s) s = f->size(&size);
    if (!s) return s;
    out->assign(size, '\0');
    size_t got = 0;
    s = f->read(0, out->data(), out->size(), &got);
    if (s && got != size) return Status::io_error(path + ": lido só em parte");
    return s;
}

}  // namespace vorn::importing
