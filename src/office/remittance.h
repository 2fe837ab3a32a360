// Collection slips of the office's fees and the remittance file of Banco Itaú's collection service
// (bank 341, records of 400 characters): the office's bank data and the slips checked as the bank
// would check them, the file's text, and writing it while the slips table is held.
//
// The file is written beside its name and renamed; a journal names it meanwhile, so that a run
// cut short is finished (the file stands: the slips are emptied) or undone (it does not: the slips
// stay) the next time, and the folder never holds both a complete file and the slips it carries.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "store/dbf.h"
#include "store/workareas.h"

namespace vorn::office {

// The office's bank data (DEFINE's BOL_* fields).
struct BankSetup {
    std::string bank = "341";
    std::string branch;     // BOL_AGENCI, 4 digits
    std::string account;    // BOL_CONTA, 5 digits and the check digit
    std::string name;       // BOL_NOME, the assignor
    std::string cnpj, cpf;  // BOL_CNPJ, or BOL_CPF when there is no CNPJ
    std::string portfolio;  // BOL_CARTEI, 3 digits
};

// A registered slip (a record of BOLETO).
struct Slip {
    long long document = 0;   // NRODOCUM, up to 5 digits
    long long reference = 0;  // NOSSONRO, up to 8 digits
    Date due;                 // DATADOC
    Decimal amount;           // VALORDOC
    std::string payer_name;   // NOMESAC
    std::string payer_cpf;    // CPFSAC
};

// The payer's address from its registry record, and the name it has there.
struct PayerAddress {
    std::string street_type, street, number, district, cep, city, uf;
    std::string name;
};

// The check digit of an Itaú account: modulo 10 over branch and account, weights 2 and 1
// alternating from the right, the digits of each product added.
char itau_account_digit(const std::string& branch4, const std::string& account5);

// The bank data a remittance needs, checked: name, branch, account with its check digit,
// portfolio, and the office's CNPJ or CPF with their check digits. kInvalid naming the field.
[[nodiscard]] Status check_setup(const BankSetup& setup);
// A slip the bank accepts: amount above zero, a due date, document and reference numbers within
// their widths, the payer's CPF with its check digits and a name. kInvalid naming the field.
[[nodiscard]] Status check_slip(const Slip& slip);

// The remittance text: header, the slips in reference order, trailer, each record 400 ASCII
// characters (accents replaced) and CR LF. `address_of` gives a payer's address by CPF; a payer it
// does not find is written with blank address positions and its CPF added to *not_found.
std::string remittance_text(
    const BankSetup& setup, std::vector<Slip> slips, const Date& today,
    const std::function<std::optional<PayerAddress>(const std::string&)>& address_of,
    std::vector<std::string>* not_found);

// The addresses of `cpfs` from the registries of `folders`, searched in order (the first folder
// holding a CPF gives its address); a folder without a registry holds none.
[[nodiscard]] Status read_addresses(store::Env& env, const std::vector<std::string>& folders,
                                    const std::vector<std::string>& cpfs,
                                    std::map<std::string, PayerAddress>* out);

// The office's bank data from its settings record (DEFINE open in its work area, 43).
BankSetup bank_setup_of(store::Table& define);

// The slips of BOLETO open in its work area (67), in table order.
[[nodiscard]] Status read_slips(store::Table& slips, std::vector<Slip>* out);

// "C" + yymmdd + letter + ".txt".
std::string remittance_name(const Date& today, char letter);

struct RemittanceResult {
    std::string path;  // the file written
    int slips = 0;
    std::vector<std::string> not_found;  // payers without an address
    std::string recovered;               // an earlier run cut short, finished or undone first
};

// GERA_BOLETO: the slips of BOLETO (work area 67, opened here exclusively in the installation
// directory ARQDEF) written into the next free "C" + yymmdd + letter + ".txt" there, then BOLETO
// emptied. A run cut short earlier is finished or undone first. kNotFound with "=Não existe boleto
// cadastrado para ser gerado o arquivo." when there are none; kLocked when another terminal uses
// BOLETO; kInvalid when the bank data or a slip would be refused by the bank, or past "Z" in the
// day's names; the write's failure otherwise, with the slips kept.
[[nodiscard]] Status write_remittance(
    store::WorkAreas& w, const BankSetup& setup, const Date& today,
    const std::function<std::optional<PayerAddress>(const std::string&)>& address_of,
    RemittanceResult* result);

// Finishes or undoes a remittance run cut short in the installation directory `dir` (BOLETO
// closed); *what tells which ("" when there was none).
[[nodiscard]] Status finish_remittance(store::WorkAreas& w, std::string* what);

}  // namespace vorn::office
