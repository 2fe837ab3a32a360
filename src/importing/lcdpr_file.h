// The digital rural cash book (LCDPR) read back: "|"-separated records 0000 (the declarant), 0010,
// 0030 (address), 0040 (property) with its 0045 (partners), 0050 (bank account), Q100 (entry),
// Q200 (month) and 9999 (accountant). Reading is pure and checks the whole file: bytes in, the
// records for the rural tables (layouts of tables 15, 16, 19 and 21) or the bad lines out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "importing/import_text.h"
#include "store/record.h"

namespace vorn::importing {

struct LcdprBook {
    std::string cpf;                // 0000
    std::string name;               // 0000, through CONVCAR
    std::string layout_name, year;  // what the candidate list shows: "LCDPR", "2025"
    // 0030: the address parts for the registry (TIPOEND, ENDERECO, NUMERO, COMPLEM, BAIRRO, UF,
    // CODMUNI code of 7 digits, CEP, telephone, e-mail).
    std::string street_type, street, number, complement, district, uf, municipality, cep, phone,
        email;
    // One record per property and partner: a property with three partners gives three.
    std::vector<store::Record> properties;
    std::vector<store::Record> accounts;
    std::vector<store::Record> entries;
    store::Record result;  // table 15, ATV_BRASIL "S": monthly totals, accountant, TIPO_LANCA 2
    Notes notes;
};

// The first line's declarant only (the candidate list): cpf and name, layout name and year set;
// notes hold the problem when the first record is no 0000.
LcdprBook read_lcdpr_head(std::string_view bytes);

// The whole book: the first three records must be 0000, 0010 and 0030, the fourth 0040; every
// record must be of a known type with its fields; amounts are in cents.
LcdprBook read_lcdpr(std::string_view bytes);

}  // namespace vorn::importing
