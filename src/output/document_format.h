// Value forms and the element builder of the declaration document: amounts "1.234,56", whole
// numbers "1.234", masks of CPF and CNPJ, dates "dd/mm/yyyy", and the XML escaping every value
// goes through. An element keeps each attribute once, at its first place, with the last value set.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"

namespace vorn::output::fmt {

std::string amount(Decimal v);                // "1.234,56", "-1.234,56", "0,00"
std::string whole(Decimal v);                 // "1.234", "0"
std::string one_decimal(Decimal v);           // "12,5", "0"
std::string digits(Decimal v);                // "1234", "0"
std::string zero5(long long n);               // "00007"
std::string two(std::string_view t);          // "7" → "07"; other text as is
std::string date(Date d);                     // "dd/mm/yyyy", "  /  /    "
std::string cpf(std::string_view digits11);   // "999.999.999-99", "   .   .   -  "
std::string cnpj(std::string_view digits14);  // "99.999.999/9999-99"
std::string cep(std::string_view digits8);    // "99999-999"
std::string text(std::string_view t);         // accents replaced (MATCAR), trimmed
std::string plain(std::string_view t);        // trimmed
// The value as an attribute value: & < > " ' as entities, control characters as blanks.
std::string escape(std::string_view v);

class Element {
  public:
    explicit Element(std::string name) : name_(std::move(name)) {}
    // Sets an attribute; one already set keeps its place and takes this value.
    Element& set(std::string_view name, std::string value);
    // The start tag with its attributes, ended by ">" (children follow) or "/>".
    void write(std::string& out, bool children) const;
    const std::string& name() const { return name_; }
    const std::string* get(std::string_view name) const;

  private:
    std::string name_;
    std::vector<std::pair<std::string, std::string>> attrs_;
};

}  // namespace vorn::output::fmt
