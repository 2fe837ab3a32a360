// The footer hints in one table.
#include "entry/hints.h"

#include <array>
#include <stdexcept>
#include <string_view>

#include "base/text.h"

namespace vorn::entry {
namespace {

// Empty: a hint with a variable part, given by its own function.
constexpr std::array<std::string_view, kHintCount> kHints = {
    "Alt F4=Tela Aux. Crtl Enter=Envia p/ Tela Aux. Alt U=Valores mensais Alt O=Ordena nome "
    "Beneficiario ou CPF/CNPJ",
    "Alt F1=Tela Aux. Ctrl Enter=Envia p/Tela Aux. Alt +=Edita todos campos Alt O=Ordena nome "
    "fonte ou CNPJ Ctrl O=Origem nos bens",
    "Alt F5=Tela Aux. Ctrl Enter=Envia p/Tela Aux. Alt O=Organiza Alt P=Lança parcelas Alt "
    "Q=Mostra Imóveis",
    "[Tab]=Muda para Dependentes",
    "INS=Inclui DEL=Elimina TAB=Fim pag Alt Z ou X=Zoom",
    "Tab=Pagamentos efetuados",
    "",
    "Selecione a impressora com [S]",
    "INS=Inclui DEL=Elimina TAB=Volta Alt L=n linhas ",
    "",
    "TAB=Cálculo do Imposto",
    "",
    "[ESC] Volta p/ Declaração [INS] Inclui um Ganho [DEL] Elimina o Ganho",
    "Alt U=Valor mensal",
    "Digite só o valor do INSS. Os valores da pensão e dependentes vem da tela 4",
    "ENTER no mês calcula o custo | ESC - Sai",
    "Shift TAB - volta para cálculos",
    "Anote informações. INS=Inclui ALT L inclui n linhas. Ctrl Enter vai p/ erro.",
    "Anote dados repetitivos - Crtl Enter - Transfere os dados",
    "Ctrl Enter no Celular acessa o WhatsApp",
};

}  // namespace

std::string hint(int number) {
    if (number < 1 || number > kHintCount || kHints[static_cast<size_t>(number - 1)].empty())
        throw std::out_of_range("no fixed footer hint " + std::to_string(number));
    return std::string(kHints[static_cast<size_t>(number - 1)]);
}

std::string hint_summary(bool simplified) {
    return simplified ? "Ctrl S=Muda para completo"
                      : "Ctrl S=Muda p/simplificado [Ctrl Enter]=Preenche valores mensais [ESC] "
                        "Tela inicial ";
}

std::string hint_carne_leao(bool to_paid) {
    return std::string(
               "Alt A ou mouse no Número() Muda o modo de preenchimento - Alt N  Muda o "
               "pagamento para ") +
           (to_paid ? "LEÃO PAGO  " : "LEÃO DEVIDO");
}

FooterHint::FooterHint(ui::Screen& screen, std::string text)
    : screen_(screen), window_(screen.desktop().status_window()) {
    if (!window_.status_bar) window_.status_bar = ui::LStatusBar{};
    before_ = window_.status_bar->idle;
    // The footer shows in part 1 while it is blank, over the whole line.
    if (trim(window_.status_bar->text(1)).empty())
        window_.status_bar->set_text(1, std::string(ui::kCols, ' '));
    change(std::move(text));
}

FooterHint::~FooterHint() {
    change(before_);
}

void FooterHint::change(std::string text) {
    if (!window_.status_bar) return;  // set aside meanwhile
    window_.status_bar->idle = std::move(text);
    screen_.desktop().draw_bars(window_);
}

}  // namespace vorn::entry
