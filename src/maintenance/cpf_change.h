// Changing a taxpayer's CPF throughout a data folder (MUDA_CPF): every live record of the old CPF
// in the declaration tables takes the new one, the registry record last, so that a change a crash
// cut short is finished by running it again. The capital gains sold by the taxpayer follow; a
// gain sold by a dependant keeps the dependant's CPF unless the operator gives another.
#pragma once

#include <functional>
#include <string>

#include "base/status.h"
#include "store/workareas.h"

namespace vorn::maintenance {

struct CpfChangeResult {
    int records = 0;   // records that took the new CPF, the registry's included
    std::string busy;  // the table another terminal holds, when refused
};

// The CPF to write in a dependant's gain (CPFALIEN `seller`), asked of the operator; empty keeps
// it.
using DependantGainCpf = std::function<std::string(const std::string& seller)>;

// Changes `old_cpf` to `new_cpf` in the selected data folder (w.LOCARQ), holding all its tables.
// Refused, with nothing changed: the new CPF already registered (kInvalid, "CPF novo já  existente.
// Não é possível a troca"), the old one not found (kNotFound, "CPF original não encontrado.
// Confira o número digitado"), the declaration open on a terminal (kLocked), a table another
// terminal holds (kLocked, result->busy).
[[nodiscard]] Status change_cpf(store::WorkAreas& w, const std::string& old_cpf,
                                const std::string& new_cpf, const DependantGainCpf& dependant,
                                CpfChangeResult* result);

}  // namespace vorn::maintenance
