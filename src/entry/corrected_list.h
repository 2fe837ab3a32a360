// F5 of the declaration chooser: every declaration's tax to pay or refund of the selected data
// folder brought to today ("Imposto ou devolução atualizado"), through the work table IMPCORRIG,
// and the federal revenue's refund consultation opened on Ctrl+Enter.
#pragma once

#include <string>

#include "base/operator.h"
#include "base/process.h"
#include "payments/interest.h"
#include "store/workareas.h"
#include "ui/screen.h"

namespace vorn::entry {

// The refund consultation's page, unless VORN_RESTITUICAO names another.
inline constexpr const char* kRefundAddress = "https://www.restituicao.receita.fazenda.gov.br/";

// Only from May 2026 on ("Função só utilizavel após mês de Maio de 2026"); a SELIC table that does
// not reach last month is warned of. IMPCORRIG is opened exclusively ("Opção sendo usada em outro
// terminal" while another terminal has it), emptied and filled from the registry of the data
// folder (w.LOCARQ), then shown by name until Esc. Ctrl+Enter opens `refund_address`.
void corrected_list(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                    const payments::InterestTable& selic, const BrowserOpener& browser,
                    const std::string& refund_address);

}  // namespace vorn::entry
