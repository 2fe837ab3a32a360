// Value forms and the element builder of the declaration document.
#include "output/document_format.h"

#include "base/text.h"

namespace vorn::output::fmt {
namespace {

// "1234567" → "1.234.567".
std::string group(std::string_view digits) {
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += '.';
        out += digits[i];
    }
    return out;
}

std::string only_digits(std::string_view t) {
    std::string out;
    for (char c : t)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

// The digits placed into a mask's '9' slots; blanks where the value has none.
std::string mask(std::string_view value, std::string_view pattern) {
    const std::string d = only_digits(value);
    std::string out;
    size_t k = 0;
    for (char c : pattern) {
        if (c == '9')
            out += k < d.size() ? d[k++] : ' ';
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string amount(Decimal v) {
    if (v.is_zero()) return "0,00";                 // most amounts of a document
    const std::string s = v.round(2).to_string(2);  // "-1234.56"
    const bool negative = !s.empty() && s[0] == '-';
    const std::string body = negative ? s.substr(1) : s;
    const size_t point = body.find('.');
    std::string out = group(body.substr(0, point)) + "," + body.substr(point + 1);
    return negative && out != "0,00" ? "-" + out : out;
}

std::string whole(Decimal v) {
    const long long n = v.whole();
    const std::string s = std::to_string(n < 0 ? -n : n);
    return (n < 0 ? "-" : "") + group(s);
}

std::string one_decimal(Decimal v) {
    if (v.is_zero()) return "0";
    std::string s = v.round(1).to_string(1);
    if (size_t p = s.find('.'); p != std::string::npos) s[p] = ',';
    return s;
}

std::string digits(Decimal v) {
    return std::to_string(v.whole());
}

std::string zero5(long long n) {
    std::string s = std::to_string(n < 0 ? 0 : n);
    return s.size() >= 5 ? s : std::string(5 - s.size(), '0') + s;
}

std::string two(std::string_view t) {
    const std::string s = trim(t);
    if (s.size() == 1 && s[0] >= '0' && s[0] <= '9') return "0" + s;
    return s;
}

std::string date(Date d) {
    return d.dmy();
}
std::string cpf(std::string_view v) {
    return mask(v, "999.999.999-99");
}
std::string cnpj(std::string_view v) {
    return mask(v, "99.999.999/9999-99");
}
std::string cep(std::string_view v) {
    return mask(v, "99999-999");
}
std::string text(std::string_view t) {
    return trim(MATCAR(trim_right(t)));
}
std::string plain(std::string_view t) {
    return trim(t);
}

std::string escape(std::string_view v) {
    std::string out;
    out.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        const char c = v[i];
        const auto u = static_cast<unsigned char>(c);
        // Characters XML does not allow even escaped: encoded surrogates (ED A0..BF ..) and
        // U+FFFE, U+FFFF (EF BF BE/BF) become blanks.
        if (i + 2 < v.size()) {
            const auto b1 = static_cast<unsigned char>(v[i + 1]);
            const auto b2 = static_cast<unsigned char>(v[i + 2]);
            if ((u == 0xED && b1 >= 0xA0) ||
                (u == 0xEF && b1 == 0xBF && (b2 == 0xBE || b2 == 0xBF))) {
                out += ' ';
                i += 2;
                continue;
            }
        }
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += (u < 0x20 || u == 0x7f) ? ' ' : c;
        }
    }
    return out;
}

Element& Element::set(std::string_view name, std::string value) {
    for (auto& [n, v] : attrs_)
        if (n == name) {
            v = std::move(value);
            return *this;
        }
    attrs_.emplace_back(std::string(name), std::move(value));
    return *this;
}

const std::string* Element::get(std::string_view name) const {
    for (const auto& [n, v] : attrs_)
        if (n == name) return &v;
    return nullptr;
}

void Element::write(std::string& out, bool children) const {
    out += '<';
    out += name_;
    for (const auto& [n, v] : attrs_) {
        out += ' ';
        out += n;
        out += "=\"";
        out += escape(v);
        out += '"';
    }
    out += children ? ">" : "/>";
}

}  // namespace vorn::output::fmt
