// Check digits of the Brazilian identifiers and the field validators built on them.
#include "base/validate.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "base/text.h"

namespace vorn {
namespace {

constexpr std::string_view kTitle = "ERRO";
constexpr std::string_view kNbsp = "\u00A0";

void warn(Operator& op, std::string_view text) {
    op.notice(NoticeKind::kAttention, kTitle, text);
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_upper(char c) {
    return c >= 'A' && c <= 'Z';
}

bool all_digits(std::string_view s) {
    for (char c : s)
        if (!is_digit(c)) return false;
    return !s.empty();
}

// Characters [from, from + n) of a blank-padded field.
std::string field_part(std::string_view s, size_t from, size_t n) {
    std::string out;
    for (size_t i = from; i < from + n; ++i) out += i < s.size() ? s[i] : ' ';
    return out;
}

void require(bool ok, std::string_view what, std::string_view base) {
    if (!ok)
        throw std::invalid_argument(std::string(what) + ": bad base \"" + std::string(base) + "\"");
}

// Sum of digit values by weights walked from the rightmost digit: 9, 8, ..., 2, then 9 again.
int caepf_sum(std::string_view digits) {
    int sum = 0, weight = 9;
    for (size_t i = digits.size(); i-- > 0;) {
        sum += (digits[i] - '0') * weight;
        weight = weight == 2 ? 9 : weight - 1;
    }
    return sum;
}

// CIB character values; 'I' and 'L' count as 1, 'O' and 'U' are not in the table.
int cib_value(char c) {
    if (is_digit(c)) return c - '0';
    static constexpr std::string_view kLetters = "ABCDEFGH";     // 10..17
    static constexpr std::string_view kRest = "JKMNPQRSTVWXYZ";  // 18..31
    if (auto p = kLetters.find(c); p != std::string_view::npos) return 10 + static_cast<int>(p);
    if (c == 'I' || c == 'L') return 1;
    if (auto p = kRest.find(c); p != std::string_view::npos) return 18 + static_cast<int>(p);
    return -1;
}

char cib_character(int value) {
    static constexpr std::string_view kTable = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
    return kTable[value];
}

}  // namespace

std::string cpf_check_digits(std::string_view base) {
    require(base.size() == 9 && all_digits(base), "cpf_check_digits", base);
    int a = 0, b = 0;
    for (int i = 1; i <= 9; ++i) {
        a += (base[i - 1] - '0') * i;
        b += (base[9 - i] - '0') * i;
    }
    int d1 = a % 11;
    if (d1 == 10) {
        d1 = 0;
        b += 9;
    }
    int d2 = b % 11 % 10;
    return {static_cast<char>('0' + d1), static_cast<char>('0' + d2)};
}

std::string caepf_check_digits(std::string_view base) {
    require(base.size() == 12 && all_digits(base), "caepf_check_digits", base);
    int r1 = caepf_sum(base) % 11 % 10;
    std::string with_first = std::string(base) + static_cast<char>('0' + r1);
    int r2 = caepf_sum(with_first) % 11 % 10;
    int number = r1 * 10 + r2 + 12;
    if (number > 99) number -= 100;
    return {static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10)};
}

std::string cnpj_check_digits(std::string_view base) {
    bool ok = base.size() == 12;
    for (char c : base) ok = ok && (is_digit(c) || is_upper(c));
    require(ok, "cnpj_check_digits", base);
    static constexpr std::array<int, 12> kW1 = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    static constexpr std::array<int, 12> kW2 = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3};
    int s1 = 0, s2 = 0;
    for (size_t i = 0; i < 12; ++i) {
        int v = base[i] - 48;
        s1 += v * kW1[i];
        s2 += v * kW2[i];
    }
    auto digit = [](int sum) { return sum % 11 < 2 ? 0 : 11 - sum % 11; };
    int d1 = digit(s1);
    int d2 = digit(s2 + 2 * d1);
    return {static_cast<char>('0' + d1), static_cast<char>('0' + d2)};
}

char nit_check_digit(std::string_view base) {
    require(base.size() == 10 && all_digits(base), "nit_check_digit", base);
    static constexpr std::array<int, 10> kW = {3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (size_t i = 0; i < 10; ++i) sum += (base[i] - '0') * kW[i];
    int r = sum % 11;
    return static_cast<char>('0' + (r < 2 ? 0 : 11 - r));
}

char renavam_check_digit(std::string_view base) {
    require(base.size() == 10 && all_digits(base), "renavam_check_digit", base);
    int sum = 0, weight = 2;
    for (size_t i = 10; i-- > 0;) {
        sum += (base[i] - '0') * weight;
        weight = weight == 9 ? 2 : weight + 1;
    }
    int t = sum * 10 % 11;
    return static_cast<char>('0' + (t > 9 ? 0 : t));
}

char cib_check_character(std::string_view base) {
    require(base.size() == 7, "cib_check_character", base);
    static constexpr std::array<int, 7> kW = {4, 3, 9, 5, 7, 1, 8};
    int sum = 0;
    for (size_t i = 0; i < 7; ++i) {
        int v = cib_value(base[i]);
        if (v < 0) return '\0';
        sum += v * kW[i];
    }
    int r = sum % 31;
    return r < 2 ? '0' : cib_character(r);
}

std::string MODULO_11(std::string_view digits, int substitute) {
    std::string t = trim(digits);
    if (!all_digits(t)) return "";
    int sum = 0, weight = static_cast<int>(t.size()) + 1;
    for (char c : t) sum += (c - '0') * weight--;
    int d = 11 - sum % 11;
    return std::to_string(d > 9 ? substitute : d);
}

std::string receipt_with_check_digits(std::string_view ten) {
    require(ten.size() == 10 && all_digits(ten), "receipt_with_check_digits", ten);
    std::string out(ten);
    out += MODULO_11(out, 0);
    out += MODULO_11(out, 0);
    return out;
}

bool VAL_CPF(Operator& op, std::string_view digits, bool mandatory, int kind) {
    if (trim(digits).empty()) return !mandatory || kind == 1;
    const bool caepf = kind == 2;
    const size_t base_len = caepf ? 12 : 9;
    const std::string_view name = caepf ? "CAEPF" : "CPF";
    const std::string base = field_part(digits, 0, base_len);
    const std::string given = field_part(digits, base_len, 2);
    const std::string masked =
        mask_picture(digits, caepf ? "999.999.999.999-99" : "999.999.999-99");
    if (trim(base).size() < base_len) {
        if (kind != 1) warn(op, "ATENÇÃO! " + std::string(name) + " está incompleto.");
        return false;
    }
    if (!all_digits(base)) {
        warn(op, "ATENÇÃO! " + std::string(name) + " " + masked + " está incorreto. ");
        return false;
    }
    const std::string expected = caepf ? caepf_check_digits(base) : cpf_check_digits(base);
    if (given == expected) return true;
    warn(op, "ATENÇÃO! " + std::string(name) + " " + masked + " está incorreto. \n" +
                 "O dígito para esse número é:" + expected);
    return false;
}

bool VAL_CGC(Operator& op, std::string_view cnpj, bool mandatory) {
    const std::string t = trim(cnpj);
    if (t.empty()) return !mandatory;
    const std::string base = field_part(t, 0, 12);
    const std::string given = field_part(t, 12, 2);
    const std::string masked = mask_picture(t, "99.999.999/9999-99");
    if (trim(base).size() < 12) {
        warn(op, "ATENÇÃO! CNPJ está incompleto.");
        return false;
    }
    bool valued = true;
    for (char c : base) valued = valued && (is_digit(c) || is_upper(c));
    if (!valued) {
        warn(op, "ATENÇÃO! CNPJ " + masked + " está incorreto. ");
        return false;
    }
    const std::string expected = cnpj_check_digits(base);
    if (given == expected) return true;
    warn(op,
         "ATENÇÃO! CNPJ " + masked + " está incorreto. \nO dígito para esse número é:" + expected);
    return false;
}

bool CPFCGC(Operator& op, std::string_view document, bool mandatory) {
    if (trim(document).empty()) return !mandatory;
    const std::string masked = POEPONTO(document);
    auto at = [&](size_t i) { return i < masked.size() ? masked[i] : ' '; };
    if (at(9) == '.') return true;
    const bool cpf = at(3) == '.' || at(3) == ' ';
    if (!cpf && at(2) != '.') {
        warn(op,
             " Digite o CPF/CNPJ com número correto \n"
             "de dígitos, 11 para CPF e 14 para CNPJ,\n"
             "ou coloque os separadores no lugar correto.\n"
             "CPF=nnn.nnn.nnn-nn CNPJ=nn.nnn.nnn/nnnn-nn ");
        return false;
    }
    const std::string plain = upper(TIRA_PONTO(masked));
    return cpf ? VAL_CPF(op, plain, mandatory, 0) : VAL_CGC(op, plain, mandatory);
}

bool CPFCGC1(Operator& op, std::string& field, bool mandatory) {
    field = POEPONTO(field);
    return CPFCGC(op, field, mandatory);
}

std::string POEPONTO(Operator& op, std::string_view document, int I6_3) {
    static constexpr std::array kCnpjOnly = {1, 21, 26, 36, 37, 38, 40, 43, 98};
    static constexpr std::array kCpfOnly = {9,  10, 11, 12, 13, 14, 15, 30,
                                            31, 33, 34, 66, 76, 80, 81, 94};
    auto in = [&](const auto& codes) {
        for (int c : codes)
            if (c == I6_3) return true;
        return false;
    };
    const size_t length = TIRA_PONTO(document).size();
    if (in(kCnpjOnly) && length == 11) {
        warn(op, "Só é permitido CNPJ");
        return std::string(11, ' ');
    }
    if (in(kCpfOnly) && length == 14) {
        warn(op, "Só é permitido CPF");
        return std::string(14, ' ');
    }
    return CONTAPONTO(document);
}

bool VAL_NIT(Operator& op, std::string_view nit, int context) {
    const std::string t = TIRA_PONTO(nit);
    if (t.empty()) return true;
    if (t.size() != 11 || !all_digits(t)) {
        warn(op, context == 1 ? "ATENÇÃO! O NIT do empregado está errado."
                              : "ATENÇÃO! O NIT está incompleto... ");
        return false;
    }
    if (nit_check_digit(t.substr(0, 10)) == t[10]) return true;
    const std::string wrong = "ATENÇÃO! NIT está" + std::string(kNbsp) + "incorreto. ";
    warn(op, context == 1 ? wrong +
                                "\nSe estiver digitado CPF use seta direita\n"
                                "até a última coluna e digite lá. "
                          : wrong);
    return false;
}

bool VERENAVAM(Operator& op, std::string& field) {
    const std::string t = trim(field);
    if (t.empty()) return true;
    const std::string number = t.substr(std::min(t.find_first_not_of('0'), t.size()));
    if (!all_digits(t) || number.size() > 11) {
        warn(op, "Renavam inválido");
        return false;
    }
    field = pad_left(number, 11, '0');
    if (renavam_check_digit(std::string_view(field).substr(0, 10)) == field[10]) return true;
    warn(op, "Renavam inválido");
    return false;
}

bool VENIRF(Operator& op, std::string_view value) {
    if (trim(value).empty()) return true;
    const std::string v = field_part(value, 0, 8);
    if (all_digits(v.substr(0, 7))) {
        if (MODULO_11(v.substr(0, 7), 0) == v.substr(7, 1)) return true;
        warn(op, "CIB inválido");
        return false;
    }
    if (std::string_view(value).find('U') != std::string_view::npos) {
        warn(op, "A letra U não pode ser digitada");
        return false;
    }
    const char check = cib_check_character(v.substr(0, 7));
    if (check != '\0' && check == v[7]) return true;
    warn(op, "CIB inválido");
    return false;
}

bool check_receipt(Operator& op, std::string& field) {
    const std::string t = TIRA_PONTO(field);
    if (t.empty()) return true;
    if (all_digits(t) && t.size() == 10) {
        field = receipt_with_check_digits(t);
        return true;
    }
    if (all_digits(t) && t.size() == 12 && receipt_with_check_digits(t.substr(0, 10)) == t) {
        field = t;
        return true;
    }
    warn(op, "Número do recibo inválido");
    return false;
}

bool CHECKEMAIL(Operator& op, std::string_view address) {
    const std::string t = trim(address);
    if (t.empty()) return true;
    static constexpr std::string_view kForbidden = " *&%$#@!^~+=?|\\/<>,;";
    auto fine = [](std::string_view part, size_t longer_than) {
        return part.size() > longer_than &&
               part.find_first_of(kForbidden) == std::string_view::npos;
    };
    const size_t at = t.find('@');
    bool ok = at != std::string::npos;
    if (ok) {
        const std::string_view name = std::string_view(t).substr(0, at);
        const std::string_view after = std::string_view(t).substr(at + 1);
        const size_t dot = after.find('.');
        ok = dot != std::string_view::npos && fine(name, 2) && fine(after.substr(0, dot), 2) &&
             fine(after.substr(dot + 1), 1);
    }
    if (!ok) warn(op, "Email invalido");
    return ok;
}

bool check_cep(Operator& op, std::string_view cep) {
    const std::string t = TIRA_PONTO(cep);
    if (t.empty() || (t.size() == 8 && all_digits(t))) return true;
    warn(op, "O CEP deve ter 8 dígitos.");
    return false;
}

bool check_phone(Operator& op, std::string& field) {
    std::string digits;
    for (char c : field)
        if (c != ' ') digits += c;
    if (digits.empty()) {
        field = std::string(field.size(), ' ');
        return true;
    }
    if (!all_digits(digits) || digits.size() < 8 || digits.size() > 9) {
        warn(op, "O telefone deve ter 8 ou 9 dígitos.");
        return false;
    }
    field = pad_left(digits, std::max<size_t>(field.size(), 9));
    return true;
}

std::string clean_account(std::string_view account) {
    constexpr size_t kNumber = 13, kDigit = 2;
    const std::string t = trim(account);
    if (t.find_first_of(".- ") == std::string::npos) return std::string(account);
    const size_t dash = t.rfind('-');
    std::string number, digit;
    for (char c : t.substr(0, dash))
        if (c != '.' && c != '-' && c != ' ') number += c;
    if (dash != std::string::npos) digit = trim(t.substr(dash + 1));
    if (number.size() > kNumber || digit.size() > kDigit) return std::string(account);
    return pad_left(number, kNumber) + pad_right(digit, kDigit);
}

bool ESPCIF(Operator& op, std::string_view folder) {
    const std::string t = trim(folder);
    if (t.empty())
        warn(op, "ATENÇÃO! A pasta não foi informada.");
    else if (t.front() != '/')
        warn(op, "ATENÇÃO! Informe a pasta com o caminho completo, a partir de /.");
    return true;
}

}  // namespace vorn
