// FAZLANC's checks of a posting.
#include "tax/postings.h"

#include "base/text.h"
#include "base/validate.h"
#include "tax/declaration.h"

namespace vorn::tax {
namespace {

bool refuse(Operator& op, std::string_view text) {
    op.notice(NoticeKind::kError, "", text);
    return false;
}

int page(const store::Record& a) {
    return static_cast<int>(field_int(a, "PAGINA"));
}

}  // namespace

const store::Record* posting_account(const std::vector<store::Record>& accounts,
                                     std::string_view code) {
    for (const auto& a : accounts)
        if (!a.deleted && field_text(a, "CDCONTA") == trim(code)) return &a;
    return nullptr;
}

bool account_flag(const store::Record& account, std::string_view name) {
    return field_text(account, name) == "S";
}

bool asks_document(const store::Record& account) {
    return account_flag(account, "TEMCPF") || account_flag(account, "TEMCGC");
}

bool account_accepted(Operator& op, const store::Record* account) {
    if (account == nullptr) return refuse(op, "Código não existente!");
    if (field_text(*account, "CDSTATUS") == "N")
        return refuse(op, "Atenção! Essa conta é só título. Use uma conta detalhada");
    return true;
}

bool posting_value_accepted(Operator& op, Decimal value) {
    return !value.is_negative() || refuse(op, "O valor não pode ser negativo.");
}

bool posting_document_accepted(Operator& op, const store::Record& account, std::string& document) {
    const bool cpf = account_flag(account, "TEMCPF"), cnpj = account_flag(account, "TEMCGC");
    if (cpf && cnpj) return CPFCGC1(op, document, false);
    if (cnpj) return VAL_CGC(op, trim(document), false);
    return VAL_CPF(op, trim(document), false);
}

bool first_month_accepted(Operator& op, Decimal first) {
    const long m = first.whole();
    return (m >= 0 && m <= 12) || refuse(op, "O mês inicial vai de 1 a 12.");
}

bool last_month_accepted(Operator& op, Decimal first, Decimal last) {
    const long m = last.whole();
    return m == 0 || (m >= first.whole() && m <= 13) ||
           refuse(op, "O mês final vai do mês inicial até 13.");
}

bool dependant_accepted(Operator& op, std::string_view cpf) {
    return VAL_CPF(op, trim(cpf), false);
}

std::string posting_missing(const store::Record& a, const Posting& p) {
    if (asks_document(a) && trim(p.document).empty() && page(a) != 2)
        return "Falta preencher o CNPJ ou CPF";
    if (account_flag(a, "LIVROCX") && page(a) <= 5 && p.first.is_zero() &&
        !(page(a) == 2 && field_int(a, "LINHA") == 6))
        return "Falta preencher o mês de lançamento";
    if (p.value.is_zero()) return "Falta preencher o valor";
    if (account_flag(a, "TEMDESCR") && trim(p.name).empty())
        return "Falta preencher o Nome da fonte";
    if (account_flag(a, "TEMOBSV") && trim(p.description).empty())
        return "Falta preencher a Descrição do Outros";
    return "";
}

}  // namespace vorn::tax
