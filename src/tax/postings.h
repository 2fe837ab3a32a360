// The checks of a posting typed against the chart of accounts (FAZLANC's), the same whether the
// posting is typed in its window or corrected in the list of the client's postings: the account,
// the value, the CPF or CNPJ the account asks for, the months, the dependant, and what the account
// needs filled before the posting is kept. Each check tells the operator why it refuses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/decimal.h"
#include "base/operator.h"
#include "store/record.h"

namespace vorn::tax {

// A posting's data (table 13: CDCONTA, DESCONTA, VALODESP, NROCGCCPF, MESINI, MESFIM, CPFDEPEN,
// DESCRI).
struct Posting {
    std::string code, name;
    Decimal value;
    std::string document;
    Decimal first, last;
    std::string dependant, description;
};

// The account of `code` in the chart (null: none).
const store::Record* posting_account(const std::vector<store::Record>& accounts,
                                     std::string_view code);
// One of the account's "S"/"N" flags (TEMCPF, TEMCGC, LIVROCX, TEMDESCR, TEMOBSV, CDSTATUS).
bool account_flag(const store::Record& account, std::string_view name);
// Whether the account asks for a CPF or a CNPJ.
bool asks_document(const store::Record& account);

// An account a posting may go to: one that exists ("Código não existente!") and is detailed, not
// a heading.
bool account_accepted(Operator& op, const store::Record* account);
// A value: never negative.
bool posting_value_accepted(Operator& op, Decimal value);
// The CPF or CNPJ as the account asks for it (either, told apart as typed; a CNPJ; a CPF); an
// empty one passes here (posting_missing tells).
bool posting_document_accepted(Operator& op, const store::Record& account, std::string& document);
// The first month 0 to 12 (0: none, which only pages above 5 take); the last one 0 or from the
// first to 13.
bool first_month_accepted(Operator& op, Decimal first);
bool last_month_accepted(Operator& op, Decimal first, Decimal last);
// The dependant's CPF, when given, valid.
bool dependant_accepted(Operator& op, std::string_view cpf);
// The first piece of data the posting lacks for its account, as the operator is told it; "" when
// it is complete.
std::string posting_missing(const store::Record& account, const Posting& p);

}  // namespace vorn::tax
