// Check digits and field validators for the identifiers a declaration carries: CPF, CAEPF, CNPJ
// (numeric and the alphanumeric form of 2026), NIT, RENAVAM, NIRF/CIB, receipt numbers, e-mail.
// Validators are the "valid" condition of entry fields: true accepts the field, false keeps the
// cursor in it, and every refusal that has a text tells the operator first (title "ERRO").
#pragma once

#include <string>
#include <string_view>

#include "base/helpers.h"
#include "base/operator.h"

namespace vorn {

// ---- check digits (pure; a base of the wrong length or with a wrong character throws
// std::invalid_argument: validators check the text before asking) ----

// The two CPF check digits of a 9-digit base.
std::string cpf_check_digits(std::string_view base9);
// The two CAEPF check digits of a 12-digit base.
std::string caepf_check_digits(std::string_view base12);
// The two CNPJ check digits of a 12-character base of digits and upper-case letters, each
// character valued by its code minus 48.
std::string cnpj_check_digits(std::string_view base12);
// The NIT (PIS/PASEP) check digit of a 10-digit base.
char nit_check_digit(std::string_view base10);
// The RENAVAM check digit of a 10-digit base.
char renavam_check_digit(std::string_view base10);
// The CIB check character of a 7-character base; '\0' when a character is outside the CIB table.
char cib_check_character(std::string_view base7);

// Module-11 digit of a digit string: weights n + 1 down to 2 from the leftmost digit (n = trimmed
// length), digit = 11 - sum mod 11, `substitute` when that exceeds 9. Empty text, or text that is
// not all digits, gives "".
std::string MODULO_11(std::string_view digits, int substitute);

// A receipt number's ten digits followed by their two module-11 check digits (the second over the
// first ten and the first check digit; 0 when a digit would exceed 9).
std::string receipt_with_check_digits(std::string_view ten_digits);

// ---- validators ----

// CPF (kind 0 = a CPF, 1 = the taxpayer's CPF, 2 = a CAEPF of 14 digits), digits without
// punctuation. Empty: accepted unless mandatory; a mandatory empty value is refused silently except
// for kind 1, which accepts it so that the caller blanks the taxpayer's name and takes a name to
// look up instead. A short base is refused ("CPF está incompleto", silently for kind 1); wrong
// check digits are refused with the masked number and the right digits.
bool VAL_CPF(Operator& op, std::string_view digits, bool mandatory, int kind = 0);

// CNPJ of 14 characters: twelve digits or upper-case letters and two check digits.
bool VAL_CGC(Operator& op, std::string_view cnpj, bool mandatory);

// CPF or CNPJ as typed, with or without punctuation: masked by CONTAPONTO, told apart by where the
// mask puts its points, then checked by VAL_CPF or VAL_CGC (letters upper-cased). A value whose
// 10th character is "." is accepted as it is.
bool CPFCGC(Operator& op, std::string_view document, bool mandatory);
// The same, writing the masked form back into the field first.
bool CPFCGC1(Operator& op, std::string& field, bool mandatory);

// The masked document of a payment entry checked against its payment code `I6_3`: codes for
// companies only refuse a CPF ("Só é permitido CNPJ", giving 11 blanks), codes for persons only
// refuse a CNPJ ("Só é permitido CPF", giving 14 blanks); otherwise as CONTAPONTO.
std::string POEPONTO(Operator& op, std::string_view document, int I6_3);
// Without a payment code (mode 0): CONTAPONTO.
inline std::string POEPONTO(std::string_view document) {
    return CONTAPONTO(document);
}

// NIT/PIS/PASEP, punctuation allowed; context 1 is the employee's NIT (its own texts).
bool VAL_NIT(Operator& op, std::string_view nit, int context);

// RENAVAM: the field is rewritten zero-padded to 11 digits, then checked ("Renavam inválido").
// Text that is not a number of at most 11 digits is refused and left as typed.
bool VERENAVAM(Operator& op, std::string& field);

// NIRF (seven digits and a module-11 digit) or CIB (seven characters of the CIB table and a check
// character); a "U" anywhere is refused before any sum.
bool VENIRF(Operator& op, std::string_view value);

// Receipt number of a declaration (twelve digits, punctuation allowed). Ten digits get their check
// digits appended; the field is rewritten as the twelve digits when accepted. Empty is accepted.
bool check_receipt(Operator& op, std::string& field);

// E-mail syntax: name "@" domain "." rest, with more than 2, 2 and 1 characters and none of
// " *&%$#@!^~+=?|\/<>,;" in them. Empty is accepted.
bool CHECKEMAIL(Operator& op, std::string_view address);

// Postal code (CEP): empty, or eight digits ("O CEP deve ter 8 dígitos.").
bool check_cep(Operator& op, std::string_view cep);

// Telephone number of a field with the picture "#9999-9999": empty, or eight digits (a fixed
// line, rewritten with a leading blank so that it shows as "9999-9999") or nine (a mobile,
// "99999-9999"); blanks typed among the digits are dropped. Other counts are refused.
bool check_phone(Operator& op, std::string& field);

// A bank account as the account field keeps it (13 positions of number and 2 of check digit):
// typed with its own dash, what follows the last dash is the check digit and the number before
// it is right-aligned; dots, blanks and dashes inside the number are dropped. An account typed
// without punctuation comes back unchanged.
std::string clean_account(std::string_view account);

// A folder typed by the operator: always accepted, with a warning when it is empty or not a full
// path from the root.
bool ESPCIF(Operator& op, std::string_view folder);

}  // namespace vorn
