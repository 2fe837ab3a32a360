// A recursive-descent evaluator over exact decimals, with a bound on nesting and on magnitude so
// that no input can exhaust the stack or overflow the 128-bit arithmetic.
#include "base/expression.h"

#include <optional>

#include "base/text.h"

namespace vorn {
namespace {

constexpr int kMaxDepth = 64;  // parentheses and signs nested deeper than any real sum

const Decimal kLimit(kExpressionLimit);

bool is_digit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// One operand with whether it was written as a percent ("10%"), which "+" and "-" read as a
// share of their left-hand side.
struct Operand {
    Decimal value;
    bool percent = false;
};

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(to_u32(text)) {}

    Status run(Decimal* result) {
        skip_blanks();
        if (at_end()) return Status::invalid("Digite uma expressão, por exemplo 12,50 * 3");
        Operand v;
        if (!sum(&v)) return *error_;
        skip_blanks();
        if (!at_end()) {
            if (s_[pos_] == U')') return fail("Parêntese fechado sem ter sido aberto");
            return fail("Falta um operador antes de '" + shown(s_[pos_]) + "'");
        }
        *result = v.value;
        return Status::ok();
    }

  private:
    bool at_end() const { return pos_ >= s_.size(); }
    void skip_blanks() {
        while (!at_end() && (s_[pos_] == U' ' || s_[pos_] == U'\t')) ++pos_;
    }
    static std::string shown(char32_t c) {
        if (c < 0x20 || c == 0x7F) return "?";
        std::string out;
        append_utf8(out, c);
        return out;
    }
    // Records the first failure, at the current position; always false.
    bool failed(const std::string& what) {
        if (!error_) error_ = Status::invalid(what + " (posição " + std::to_string(pos_ + 1) + ")");
        return false;
    }
    Status fail(const std::string& what) {
        failed(what);
        return *error_;
    }
    // a × b into *out, refused beyond the limit before the 128-bit product could overflow.
    bool multiply(Decimal a, Decimal b, Decimal* out) {
        const Decimal x = a.abs(), y = b.abs();
        if (x >= Decimal(1) && y >= Decimal(1) && x >= kLimit / y)
            return failed("Valor grande demais para a calculadora");
        *out = a * b;
        return within(*out);
    }
    bool within(Decimal v) {
        if (v.abs() >= kLimit) return failed("Valor grande demais para a calculadora");
        return true;
    }
    struct Depth {
        explicit Depth(int& d) : d_(d) { ++d_; }
        ~Depth() { --d_; }
        int& d_;
    };

    // sum := product (("+" | "-") product)*
    bool sum(Operand* out) {
        Operand left;
        if (!product(&left)) return false;
        for (;;) {
            skip_blanks();
            if (at_end() || (s_[pos_] != U'+' && s_[pos_] != U'-')) break;
            const bool minus = s_[pos_] == U'-';
            ++pos_;
            Operand right;
            if (!product(&right)) return false;
            Decimal r = right.value;
            if (right.percent && !multiply(left.value, r, &r)) return false;
            left.value = minus ? left.value - r : left.value + r;
            left.percent = false;
            if (!within(left.value)) return false;
        }
        *out = left;
        return true;
    }

    static bool is_times(char32_t c) { return c == U'*' || c == U'x' || c == U'X' || c == U'×'; }
    static bool is_divide(char32_t c) { return c == U'/' || c == U':' || c == U'÷'; }

    // product := signed (("*" | "/") signed)*
    bool product(Operand* out) {
        Operand left;
        if (!signed_operand(&left)) return false;
        for (;;) {
            skip_blanks();
            if (at_end() || !(is_times(s_[pos_]) || is_divide(s_[pos_]))) break;
            const bool divide = is_divide(s_[pos_]);
            const size_t op = pos_++;
            Operand right;
            if (!signed_operand(&right)) return false;
            if (divide) {
                if (right.value.is_zero()) {
                    pos_ = op;
                    return failed("Divisão por zero");
                }
                // Below 1 the divisor enlarges the dividend: keep the quotient under the limit.
                const Decimal b = right.value.abs();
                if (b < Decimal(1) && left.value.abs() >= kLimit * b) {
                    pos_ = op;
                    return failed("Valor grande demais para a calculadora");
                }
                left.value = left.value / right.value;
            } else if (!multiply(left.value, right.value, &left.value)) {
                pos_ = op;
                return false;
            }
            left.percent = false;
        }
        *out = left;
        return true;
    }

    // signed := ("+" | "-") signed | primary "%"*
    bool signed_operand(Operand* out) {
        Depth depth(depth_);
        if (depth_ > kMaxDepth) return failed("Expressão aninhada demais");
        skip_blanks();
        if (at_end()) return failed("Expressão incompleta: falta um número no fim");
        if (s_[pos_] == U'+' || s_[pos_] == U'-') {
            const bool minus = s_[pos_++] == U'-';
            if (!signed_operand(out)) return false;
            if (minus) out->value = -out->value;
            return true;
        }
        if (!primary(&out->value)) return false;
        out->percent = false;
        for (;;) {
            skip_blanks();
            if (at_end() || s_[pos_] != U'%') break;
            ++pos_;
            out->value = out->value / Decimal(100);
            out->percent = true;
        }
        return true;
    }

    // primary := number | "(" sum ")"
    bool primary(Decimal* out) {
        const char32_t c = s_[pos_];
        if (c == U'(') {
            const size_t open = pos_++;
            Operand inner;
            if (!sum(&inner)) return false;
            skip_blanks();
            if (at_end() || s_[pos_] != U')') {
                pos_ = open;
                return failed("Falta fechar o parêntese aberto aqui");
            }
            ++pos_;
            *out = inner.value;
            return true;
        }
        if (is_digit(c) || c == U',' || c == U'.') return number(out);
        if (c == U')') return failed("Falta um número antes de ')'");
        return failed("Caractere inválido '" + shown(c) + "'");
    }

    // Digits with a decimal comma (points then group thousands) or a single decimal point.
    bool number(Decimal* out) {
        const size_t start = pos_;
        size_t end = pos_;
        int commas = 0, points = 0, digits = 0;
        while (end < s_.size() && (is_digit(s_[end]) || s_[end] == U',' || s_[end] == U'.')) {
            if (s_[end] == U',') ++commas;
            if (s_[end] == U'.') ++points;
            if (is_digit(s_[end])) ++digits;
            ++end;
        }
        std::string plain;
        bool comma_seen = false;
        for (size_t i = start; i < end; ++i) {
            const char32_t c = s_[i];
            if (is_digit(c)) {
                plain += static_cast<char>(c);
            } else if (c == U',') {
                comma_seen = true;
                plain += '.';
            } else if (commas == 0 && points == 1) {
                plain += '.';
            } else if (comma_seen) {
                pos_ = i;
                return failed("Ponto depois da vírgula decimal");
            }
        }
        if (digits == 0) return failed("Número mal escrito");
        if (commas > 1) return failed("Número com mais de uma vírgula");
        size_t whole_digits = plain.find('.');
        if (whole_digits == std::string::npos) whole_digits = plain.size();
        if (whole_digits > 15) return failed("Valor grande demais para a calculadora");
        if (plain.size() - whole_digits > 13) return failed("Número com mais de 12 casas decimais");
        auto d = Decimal::parse(plain);
        if (!d) return failed("Número mal escrito");
        pos_ = end;
        *out = *d;
        return within(*d);
    }

    std::u32string s_;
    size_t pos_ = 0;
    int depth_ = 0;
    std::optional<Status> error_;
};

}  // namespace

Status evaluate_expression(std::string_view text, Decimal* result) {
    return Parser(text).run(result);
}

std::string calculator_text(Decimal value) {
    const std::string plain = value.abs().to_string(4);  // "1234567.8910"
    const size_t point = plain.find('.');
    std::string out = value.round(4).is_negative() ? "-" : "";
    for (size_t i = 0; i < point; ++i) {
        if (i > 0 && (point - i) % 3 == 0) out += '.';
        out += plain[i];
    }
    return out + ',' + plain.substr(point + 1);
}

}  // namespace vorn
