// What the readers of outside files share: bytes decoded into lines (UTF-8 when the bytes are
// valid UTF-8, else Windows-1252; a byte-order mark dropped; LF or CR LF), the amount forms, the
// names brought to the accent table, documents reduced to their digits, and the fitting of a
// value into a table field that reports every text cut and refuses a number that does not fit.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/decimal.h"
#include "base/status.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::importing {

// A line of a file that cannot be taken, numbered from 1.
struct BadLine {
    size_t line = 0;
    std::string reason;
};

// What reading a file noted besides its records: texts cut to their field.
struct Notes {
    std::vector<BadLine> bad;
    std::vector<std::string> cuts;
    void refuse(size_t line, std::string reason) { bad.push_back({line, std::move(reason)}); }
};

// The file's text in UTF-8: as it is when it is valid UTF-8, else read as Windows-1252; a leading
// byte-order mark is dropped.
std::string decode_file(std::string_view bytes);
// The decoded text in lines, without their CR LF or LF ends. A last line without an end counts.
std::vector<std::string> split_lines(std::string_view text);
// Fields between separators (an empty text has one empty field).
std::vector<std::string> split_fields(std::string_view line, char separator);

// An amount of an imported file: a text with "," is read the Brazilian way ("1.234,56"), any
// other in the cents form (".", "/" removed, the digits divided by 100: "1.234.56" and "123456"
// are 1234.56); an empty text is 0. nullopt for a negative or unreadable amount.
std::optional<Decimal> read_amount(std::string_view text);
// An amount written the Brazilian way only; nullopt for a negative or unreadable one.
std::optional<Decimal> read_brazilian(std::string_view text);
// A whole number of digits only (blank is 0); nullopt otherwise.
std::optional<long long> read_whole(std::string_view text);

// The text as a table stores it: characters without a Windows-1252 form become "?".
std::string storable(std::string_view text);
// CONVCAR: trailing blanks removed and the accent table applied; an empty name becomes one blank.
std::string CONVCAR(std::string_view text);
// The digits of a document (CPF, CNPJ, CEP) in order, every other character dropped.
std::string digits_of(std::string_view text);
// Digits zero-filled on the left to `width`.
std::string zero_filled(std::string_view digits, size_t width);
// A CPF as written in a file ("123.456.789-09", "12345678909", "2345678909"): its digits
// zero-filled to 11; nullopt when it has letters or more than 11 digits or is all zeros.
std::optional<std::string> read_cpf(std::string_view text);

// Sets a text field as the table stores it, cut to the field's width; a cut is noted with the
// line and the field.
void put_text(store::Record& r, std::string_view field, std::string_view text, size_t line,
              Notes& notes);
// Sets a number field; false (the record unchanged) when the value does not fit the field's
// width and decimals.
bool put_number(store::Record& r, std::string_view field, Decimal v);

// Whether two lists of records are the same as a table would store them.
bool same_rows(const std::vector<store::Record>& a, const std::vector<store::Record>& b);

// The whole file as bytes; an error when it cannot be opened or is read only in part.
[[nodiscard]] Status read_bytes(store::Env& env, const std::string& path, std::string* out);

}  // namespace vorn::importing
