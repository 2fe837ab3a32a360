// Receipt numbers read from the government program's files of transmitted declarations, and the
// automatic copy of a client's government files to the terminal's safe-keeping folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace vorn::shell {

// The folder of transmitted declarations: ROTAJAVA cut before "APLICACAO" (any case) with
// "TRANSMITIDAS" appended; an existing folder of that name in another case is preferred.
std::string transmitted_folder(std::string_view rotajava);

// Files of `folder` whose names begin with `cpf` and end in `ext` (".DEC", any case), by name.
std::vector<std::string> government_files(const std::string& folder, std::string_view cpf,
                                          std::string_view ext);

struct Receipts {
    std::string RECIBOATU;  // this declaration's
    std::string NRORECIBO;  // the declaration it rectifies
    std::string RECIBOANT;  // last year's
};

// The receipts in the first line of a transmitted declaration: ten digits at positions 102, 124
// and 204 (counting from 1), each completed with its two check digits; a blank or zero number
// stays empty. nullopt (and *error) when the file cannot be read.
std::optional<Receipts> read_receipts(const std::string& dec_file, Status* error);

// Copies every CPF*.DEC and CPF*.REC file of `from` into `to`, replacing older copies.
[[nodiscard]] Status copy_government_files(const std::string& from, std::string_view cpf,
                                           const std::string& to);

}  // namespace vorn::shell
