// The main menu and the declaration menu, item by item, and which commands are enabled.
#include "shell/menus.h"

#include <algorithm>

#include "shell/session.h"

namespace vorn::shell {
namespace {

MenuEntry item(std::string caption, int code, int arg = 0, int arg2 = 0) {
    MenuEntry e;
    e.caption = std::move(caption);
    e.code = code;
    e.arg = arg;
    e.arg2 = arg2;
    e.enabled = main_command_enabled(code, arg, arg2);
    return e;
}

MenuEntry sub(std::string caption, std::vector<MenuEntry> items) {
    MenuEntry e;
    e.caption = std::move(caption);
    e.items = std::move(items);
    e.enabled =
        std::any_of(e.items.begin(), e.items.end(), [](const MenuEntry& i) { return i.enabled; });
    return e;
}

MenuEntry sep() {
    MenuEntry e;
    e.separator = true;
    return e;
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

bool main_command_enabled(int code, int arg, int arg2) {
    (void)arg2;
    switch (code) {
        case 44:  // whom to print: a selected group is described nowhere
            return arg != 5;
        case 20:  // the history of earlier years (20,1 is the messaging list, not in this build)
            return arg != 1;
        case 11:  // choose and open a declaration
        case 12:  // choose a declaration and post into it
        case 13:  // the consistency check of a chosen declaration
        case 15:  // the folder list
        case 16:  // deleting declarations, their rural activity; recovering a deletion
        case 17:  // the import window
        case 18:  // end of the program
        case 19:  // update the data base
        case 21:  // the terminal's working folder
        case 26:  // how the declaration is saved
        case 27:  // statuses of the declarations, the status table, the status lock
        case 29:  // rebuild every index
        case 30:  // change a CPF
        case 31:  // copy a part of a declaration, the estate's assets to the heirs among them
        case 33:  // collection slips: bank data, registering, editing, the remittance file
        case 25:  // the office's fee rates
        case 34:  // e-mail to a client: the account, the message, its sending
        case 32:  // exports
        case 28:  // the SELIC register: typing a month's rate, the last twelve months
        case 35:  // the check of the maker's status page: rates and a newer release
        case 36:  // declaration menu style, what follows closing a declaration
        case 37:  // remove the R$ 0,01 marks
        case 38:  // mobile and e-mail to the government program; automatic copy of its files
        case 39:  // auxiliary lists of banks, payers and payees
        case 40:  // postal-code look-up, municipality codes, income on screen F1
        case 41:  // print selection
        case 42:
        case 43:
        case 45:  // the printer choice
        case 46:
        case 47:
        case 48:
        case 51:  // print the selection
        case 52:  // print the last print file
        case 53:  // the letter editor
        case 54:  // lines per sheet
        case 61:  // hand over one declaration, the marked ones, all of the folder
        case 62:
        case 63:
        case 68:  // rebuild the government program's list of declarations
        case 64:  // transfer to the government program at closing
        case 65:
        case 66:
        case 67:  // the government program's folder
        case 71:  // direct copies and their restore, compressed backups and their restore
        case 72:
        case 73:
        case 74:
        case 75:
        case 76:
        case 77:  // archiver processor
        case 91:  // end of the program
            return true;
        default:
            return false;
    }
}

bool declaration_command_enabled(int code) {
    switch (code) {
        case 17:   // end of the declaration
        case 21:   // income from individuals, holder
        case 22:   // income from individuals, a dependant
        case 61:   // identification
        case 11:   // income from companies
        case 12:   // income received cumulatively
        case 13:   // the dependants' income
        case 14:   // the dependants' income received cumulatively
        case 120:  // calculator
        case 121:  // general help
        case 122:  // function keys
        case 31:   // exempt income
        case 32:   // exclusive income
        case 56:   // spouse
        case 57:   // final declaration of an estate
        case 58:   // definitive exit
        case 71:   // tax summary
        case 72:   // balance
        case 41:   // dependants
        case 42:   // alimony recipients
        case 43:   // payments
        case 45:   // heirs
        case 51:   // assets and debts
        case 52:   // assets only
        case 53:   // debts only
        case 54:   // assets enlarged
        case 55:   // debts enlarged
        case 44:   // direct donation to a children's fund
        case 46:   // direct donation to an elderly fund
        case 62:   // the program's notices
        case 63:   // personal notes
        case 123:  // about
        case 81:   // capital gains: real estate, movables, shareholdings, foreign cash
        case 82:
        case 83:
        case 84:
        case 85:  // the same for the dependants
        case 86:
        case 87:
        case 88:
        case 91:  // variable income: common, day trade, funds
        case 92:
        case 93:
        case 94:  // the same for a dependant
        case 95:
        case 96:
            return true;
        default:
            break;
    }
    // The rural activity: Brazil's screens, the digital cash book's registers and file, and the
    // screens abroad.
    return (code >= 101 && code <= 109) || (code >= 201 && code <= 206 && code != 202);
}

const std::vector<std::string>& print_items() {
    static const std::vector<std::string> kItems = {
        "IRenda modo Receita", "IRenda modo VORN   ", "Atividade Rural    ", "Livro caixa Rural  ",
        "Darfes             ", "Ganho de capital   ", "Renda variável     ", "carta Personalizada",
        "Avisos e N.Pessoais", "Livro caixa Normal ", "Valores a cobrar   ", "Cadastro           ",
        "Comprovante rendime", "Etiquetas para CD  ", "relatório Usuário  ", "Histórico anterior "};
    return kItems;
}

int sheet_type_count(int queimp) {
    static constexpr int kCount[16] = {1, 1, 1, 1, 4, 1, 1, 1, 1, 1, 1, 2, 1, 4, 1, 1};
    return queimp >= 1 && queimp <= 16 ? kCount[queimp - 1] : 1;
}

int page_choice_count(int queimp) {
    return queimp == 1 || queimp == 2 ? 11 : queimp == 3 ? 3 : 1;
}

std::vector<std::string> sheet_types(int queimp) {
    switch (queimp) {
        case 5:
            return {"Folha solta        ", "Página Sicalc      ", "Pré-impresso preto ",
                    "Pré-impresso cores "};
        case 12:
            return {"Etiquetas          ", "Folha solta        "};
        case 14:
            return {"    8 Eti. 116x37 ", "    12 Eti. 90x24 ", "    2*5 Eti.70x50 ",
                    "    Pimaco 8296   "};
        default:
            return {"Folha solta        "};
    }
}

std::vector<std::string> page_choices(int queimp) {
    if (queimp == 1 || queimp == 2)
        return {"Tudo na declaração", "Tudo menos Balanço", "Só IR s/Bal/Malha",
                "Só IR Sem a Malha",  "Rendimentos",        "Rendimentos P.Fisica",
                "Pagamentos/Isentos", "Bens e Dívidas",     "Resumo c/Balanço",
                "Resumo s/Balanço",   "Só a Malha fina"};
    if (queimp == 3) return {"Todas as páginas", "Página 1", "Página 2"};
    return {"Todas as páginas"};
}

std::vector<MenuEntry> main_menu(const Session& s) {
    const std::string ano = std::string(CANOATUAL);
    const std::string xdrive = s.cfg("XDRIVE");
    std::vector<MenuEntry> bar;

    std::vector<MenuEntry> historicos;
    static constexpr int kHistArg[4] = {0, 2, 3, 4};
    for (int k = 0; k < 4; ++k)
        historicos.push_back(item("Buscar ano 20" + two(NANOANTER - k - 2000), 20, kHistArg[k]));
    historicos.push_back(item("Buscar os últimos 5 anos", 20, 5));
    historicos.push_back(item("Observar resultados", 20, 6));
    historicos.push_back(sep());
    historicos.push_back(item("Local do programa da Receita", 67));

    bar.push_back(sub(
        "&Declaração",
        {item("&Declaração (Alt I)", 11), item("&Lancamentos", 12), item("&Conferência", 13),
         sub("&Nimbra", {item("&Acesso a Nuvem", 0),
                         sub("&Cadastros na Nuvem",
                             {item("&Cadastro Gerenciador", 0), item("&Cadastro de Clientes", 0)}),
                         item("IA na Nuvem", 85)}),
         item("&Agenda", 14), item("&Pastas", 15),
         sub("e&Xclusão", {sub("Exclui &Declaração",
                               {item("Varios    ", 16, 1, 1), item("Individual", 16, 1, 2)}),
                           item("Exclui somente o &AAR", 16, 2, 1),
                           item("&Recupera declaração Excluida recentemente", 16, 3)}),
         item("&Importação", 17), sub("&Históricos Anteriores", historicos), sep(),
         item("Atuali&za base dados", 19), item("WhatsApp", 20, 1), sep(),
         item("&Terminar (Alt T)", 18, 1)}));

    static const char* kCores[7] = {" &Texto              ", " &Contorno das telas ",
                                    " &Item Escolhido     ", " &Entr. de dados     ",
                                    " &Mensagens          ", " &Ajuda e avisos     ",
                                    " &Fundo Geral        "};
    std::vector<MenuEntry> cores;
    // The colour editor of each group (its command is not part of this build).
    for (int k = 0; k < 7; ++k) cores.push_back(item(kCores[k], 0, k + 1));

    static const char* kPartes[17] = {" Toda a Declaração",
                                      " Declaração de Bens Tit ",
                                      " Declaração de Bens Dep",
                                      "Declaração das Dívidas",
                                      " Livro Caixa da PF Tit",
                                      " Livro Caixa da PF Dep",
                                      " Rendimentos P.Física Tit",
                                      " Rendimentos P.Física Dep",
                                      " Pagamentos e doações ",
                                      " Ganho de capital",
                                      " Renda Variável",
                                      " Bens do Espólio",
                                      " Toda Atividade Rural",
                                      " Bens da Atividade Rural",
                                      "Dívidas da Atividade Rural",
                                      " Livro Caixa Rural",
                                      " Imóveis Rurais"};
    static constexpr int kParteArg[17] = {1, 2, 15, 3,  4,  16, 5,  17, 6,
                                          7, 8, 9,  10, 11, 12, 13, 14};
    std::vector<MenuEntry> partes;
    for (int k = 0; k < 17; ++k) partes.push_back(item(kPartes[k], 31, kParteArg[k]));

    bar.push_back(sub(
        "&Opções",
        {item("&Local de trabalho", 21),
         sub("&Transfere declaração",
             {item("Seleção &Manual ", 22, 1), item("Seleção por &Status", 22, 2),
              item("Seleção por &Data/Hora", 22, 3)}),
         sub("&Mudar as cores", cores),
         item("&Valores a Cobrar", 25),
         sub("&Gravar os dados",
             {item("&Automático a cada " + std::to_string(s.TEMP_SAL()) + " minutos", 26, 1),
              item("&Manual usando Alt W", 26, 2), item("&Somente no final ", 26, 3)}),
         sub("status da &Declaração",
             {item(" Alterar situação ", 27, 1), item(" Cadastrar status ", 27, 2),
              item(" Trava alteração  ", 27, 3)}),
         sub("&SELIC", {item("cadastro &SELIC", 28, 1), item("&Ultimos 12 meses", 28, 2)}),
         item("&Reindexar Dados", 29),
         item("Mudar C&PF", 30),
         sub("copia &Parte declaração", partes),
         sub("e&Xporta Arquivo",
             {item("Bens - arquivo &TXT total", 32, 1, 1), item("Bens - TXT por &CPF", 32, 1, 2),
              item("Bens - &XML por CPF", 32, 1, 3), item("&Dívidas", 32, 2, 1),
              item("&Pagamentos", 32, 3, 1), item("C&adastro", 32, 4, 1),
              item("Bens da Atividade &Rural", 32, 5, 1),
              item("Dívidas da Ati&vidade Rural", 32, 6, 1), item("&Imóveis Rurais", 32, 7, 1)}),
         sub("&Boletos", {item("&Configura o banco", 33, 1), item("&Um boleto", 33, 2),
                          item("boletos dos &Marcados", 33, 3), item("&Edita boletos", 33, 4),
                          item("&Gera arquivo remessa", 33, 5)}),
         sub("&E-mail", {item("Configura Email ", 34, 1), item("Prepara o Email", 34, 2),
                         item("Envia o Email", 34, 3), item("Envia para os marcados", 34, 4)}),
         sub("&Ajustes da Tela",
             {item("&Menus na declaração", 36, 1), item("&Fechando uma declaração", 36, 2)}),
         sub("&Edita arquivos auxiliares",
             {sub("&Mostre ou Edita ", {sub(" Aux&Banco ", {item(" Edita Aux&Banco ", 39, 1),
                                                            item(" Busca os Bancos ", 39, 11)}),
                                        sub(" Aux&Pag", {item(" Edita Aux&Pag ", 39, 7),
                                                         item(" Busca Pagamentos ", 39, 12)}),
                                        item(" Aux&Fon   ", 39, 5), item(" Corrige banco", 39, 8)}),
              sub("&Retira CNPJ repetido",
                  {item("do Aux&Banco ", 39, 2), item("do Aux&Fon   ", 39, 6)}),
              item("&Trasnfere CNPJ  AuxFon->Auxbanco", 39, 3),
              item("&Transfere CNPJ  AuxBanco->AuxFon ", 39, 4)}),
         item("&Ver Atualização", 35),
         item("Retira R$0,01 tela F1", 37),
         sub("Enviar Celular e Email para IRPF",
             {item("Enviar Todos", 38, 1), item("Não Enviar ", 38, 2)}),
         item("Buscar CEP", 40, 1),
         item("&Preencher Cidades", 40, 2),
         item("&Lançar Rendimentos na F1", 40, 3),
         sub("&Salvar automaticamente o IRPF depois de transmitidas",
             {item("Sim Salvar", 38, 3), item("Não Salvar", 38, 4)})}));

    std::vector<MenuEntry> o_que;
    for (int k = 0; k < 16; ++k) o_que.push_back(item(print_items()[k], 41, k + 1));
    const int queimp = static_cast<int>(s.cfg_num("queimp"));
    std::vector<MenuEntry> folhas, paginas;
    auto st = sheet_types(queimp);
    for (size_t k = 0; k < st.size(); ++k) folhas.push_back(item(st[k], 42, int(k) + 1));
    auto pg = page_choices(queimp);
    for (size_t k = 0; k < pg.size(); ++k) paginas.push_back(item(pg[k], 43, int(k) + 1));
    static const char* kQuem[5] = {"Individual", "Vários", "Todos", "todas Pastas",
                                   "Grupo selecionado"};
    std::vector<MenuEntry> quem;
    for (int k = 0; k < 5; ++k) quem.push_back(item(kQuem[k], 44, k + 1));
    bar.push_back(
        sub("&Selecão",
            {sub("&1- O que imprimir", o_que), sub("&2 - Tipo de Folha", folhas),
             sub("&3 - Qual pagina", paginas), sub("&4 - Quem imprimir", quem),
             item("&5 - Qual Impressora", 45, 1), item("6a - Mostra as Impressoras ", 46, 1),
             item("6b - Mostra o texto antes  ", 46, 2), item("6c - Copia o texto impresso", 46, 3),
             item("7  - Número de Vias ", 47, 1), item("Mostra a Selecao", 48, 1)}));

    bar.push_back(sub("&Impressão",
                      {item("Imprime os itens selecionados", 51), item("Mostra a Selecao", 48, 1),
                       sep(), item("Imprime a última impressão NAO-DOS", 52),
                       item("Edita Cartas", 53), item("Número de Linhas na folha ", 54)}));

    bar.push_back(
        sub("&Envia p/ IRPF",
            {item("Somente um contribuinte selecionado", 61), item("Todos Cpfs selecionados ", 62),
             item("Todos os CPFs da pasta atual", 63), sep(),
             sub("Envia ao terminar só a declaracão com status escolhido",
                 {item("SIM - Envia para a receita só com o status indicado", 64, 1),
                  item("NÃO - Não envia ao terminar com o status indicado", 64, 2)}),
             sub("Automático no fim da declaracao ",
                 {item("SIM - Envia para a receita ao terminar a declaracão", 65, 1),
                  item("NÃO - Não envia ao terminar uma declaração", 65, 2)}),
             item("Muda ou não Status ao enviar", 66), sep(),
             item("Local do programa da Receita", 67), item("Recupera Declaração do IRPF ", 68)}));

    bar.push_back(sub("&Cópia de Segurança",
                      {sub("Fazer a cópia   ",
                           {sub("Do Brio 20" + ano + "    ", {item("Só uma pasta  ", 71, 1, 1),
                                                              item("Todas Pastas  ", 71, 1, 2)}),
                            item("Da Receita 20" + ano, 71, 2, 1)}),
                       item("Compacta todos no " + xdrive + ":", 72, 1),
                       sub("Compacta uma Pasta",
                           {item("Do Brio 20" + ano, 73, 1), item("Da Receita 20" + ano, 73, 2)}),
                       sep(),
                       sub("Recuperar a cópia",
                           {item("Do Brio 20" + ano, 74, 1), item("Da Receita 20" + ano, 74, 2)}),
                       item("Descompacta todos do " + xdrive + ":", 75, 1),
                       sub("Descompacta uma Pasta",
                           {item("Do Brio 20" + ano, 76, 1), item("Da Receita 20" + ano, 76, 2)}),
                       sep(), item("Informa o processador", 77)}));

    bar.push_back(item("&Fim", 91));
    return bar;
}

namespace {

MenuEntry ditem(std::string caption, int code, std::string hotkey, std::string description,
                int arg = 0) {
    MenuEntry e;
    e.caption = std::move(caption);
    e.code = code;
    e.arg = arg;
    e.hotkey = std::move(hotkey);
    e.description = std::move(description);
    e.enabled = declaration_command_enabled(code);
    return e;
}

}  // namespace

std::vector<MenuEntry> declaration_menu(const DeclarationShape& d) {
    std::vector<MenuEntry> bar;
    const bool dep = d.has_dependants;

    std::vector<MenuEntry> pj = {
        ditem("Rendimentos do &titular", 11, "F1", "Rendimentos recebidos de pessoas jurídicas"),
        ditem("&Acumulados (RRA) do titular", 12, "",
              "Rendimentos recebidos acumuladamente pelo titular")};
    if (dep) {
        pj.push_back(ditem("Rendimentos do &dependente", 13, "",
                           "Rendimentos de pessoas jurídicas recebidos pelos dependentes"));
        pj.push_back(ditem("A&cumulados (RRA) do dependente", 14, "",
                           "Rendimentos recebidos acumuladamente pelos dependentes"));
    }
    pj.push_back(ditem("&Fim da declaração", 17, "", "Termina a declaração"));
    bar.push_back(sub("&PJ", pj));

    std::vector<MenuEntry> pf = {
        ditem("&Titular", 21, "F2", "Rendimentos de pessoas físicas e do exterior do titular")};
    if (dep)
        pf.push_back(ditem("&Dependente", 22, "",
                           "Rendimentos de pessoas físicas e do exterior dos dependentes"));
    bar.push_back(sub("P&F", pf));

    bar.push_back(
        sub("&Isen",
            {ditem("&Isentos e não tributáveis", 31, "F3", "Rendimentos isentos e não tributáveis"),
             ditem("&Tributação exclusiva", 32, "CTRL+F3",
                   "Rendimentos sujeitos à tributação exclusiva ou definitiva")}));

    bar.push_back(
        sub("&Dep", {ditem("&Dependentes", 41, "F4", "Dependentes da declaração"),
                     ditem("&Alimentandos", 42, "", "Alimentandos (pensão alimentícia paga)"),
                     ditem("&Herdeiros e meação", 45, "",
                           "Herdeiros e meeiro da declaração final de espólio")}));

    bar.push_back(
        sub("Pa&g", {ditem("&Pagamentos e doações", 43, "ALT+F7", "Pagamentos e doações efetuados"),
                     ditem("Doação direta &ECA", 44, "",
                           "Doações diretas na declaração ao fundo da criança e do adolescente"),
                     ditem("Doação direta &Idoso", 46, "",
                           "Doações diretas na declaração ao fundo do idoso")}));

    bar.push_back(sub(
        "&Bens",
        {ditem("&Bens e dívidas", 51, "F5", "Declaração de bens e direitos e de dívidas e ônus"),
         ditem("Só b&ens", 52, "ALT+X", "Somente os bens e direitos"),
         ditem("&Zoom dos bens", 54, "ALT+Z", "Bens e direitos em tela ampliada"),
         ditem("Só &dívidas", 53, "", "Somente as dívidas e ônus"),
         ditem("Z&oom das dívidas", 55, "", "Dívidas e ônus em tela ampliada"),
         ditem("&Cônjuge", 56, "ALT+F3", "Informações do cônjuge")}));

    bar.push_back(
        sub("I&den", {ditem("&Identificação", 61, "F6", "Identificação do contribuinte")}));

    bar.push_back(
        sub("&Calc", {ditem("&Cálculo", 71, "F7", "Cálculo do imposto, completo ou simplificado"),
                      ditem("&Balanço", 72, "F10", "Balanço das receitas e despesas"),
                      ditem("&Avisos", 62, "F11", "Conferência e avisos da declaração"),
                      ditem("&Notas pessoais", 63, "ALT+F1", "Anotações sobre o contribuinte")}));

    std::vector<MenuEntry> gcap = {
        ditem("&Imóveis", 81, "F8", "Ganho de capital na alienação de imóveis"),
        ditem("&Móveis no Brasil", 82, "", "Ganho de capital de bens móveis no Brasil", 'S'),
        ditem("Móveis no e&xterior", 82, "", "Ganho de capital de bens móveis no exterior", 'N'),
        ditem("&Participações societárias", 83, "",
              "Ganho de capital de participações societárias"),
        ditem("Moeda &estrangeira", 84, "", "Ganho de capital em moeda estrangeira")};
    if (dep) {
        gcap.push_back(ditem("Imóveis do dependente", 85, "", "Imóveis alienados pelo dependente"));
        gcap.push_back(
            ditem("Móveis do dependente", 86, "", "Bens móveis alienados pelo dependente"));
        gcap.push_back(ditem("Participações do dependente", 87, "",
                             "Participações societárias alienadas pelo dependente"));
        gcap.push_back(ditem("Moeda estrangeira do dependente", 88, "",
                             "Moeda estrangeira alienada pelo dependente"));
    }
    gcap.push_back(sep());
    gcap.push_back(ditem("Renda variável &comum", 91, "F9", "Operações comuns em bolsa"));
    gcap.push_back(ditem("&Day-trade", 92, "", "Operações day-trade"));
    gcap.push_back(ditem("&Fundos de investimento", 93, "", "Fundos de investimento imobiliário"));
    if (dep) {
        gcap.push_back(ditem("Comum do dependente", 94, "", "Operações comuns do dependente"));
        gcap.push_back(ditem("Day-trade do dependente", 95, "", "Day-trade do dependente"));
        gcap.push_back(ditem("Fundos do dependente", 96, "", "Fundos do dependente"));
    }
    bar.push_back(sub("&GCap", gcap));

    if (d.rural) {
        std::vector<MenuEntry> aar = {
            ditem("&Identificação", 101, "F12", "Atividade rural no Brasil: identificação"),
            ditem("&Receitas e despesas", 102, "", "Receitas e despesas da atividade rural"),
            ditem("Re&sultado", 103, "", "Apuração do resultado da atividade rural"),
            ditem("Re&banho", 104, "", "Movimentação do rebanho"),
            ditem("&Bens", 105, "", "Bens da atividade rural"),
            ditem("&Dívidas", 106, "", "Dívidas vinculadas à atividade rural")};
        if (d.digital_cash_book) {
            aar.push_back(ditem("B&ancos", 107, "", "Contas bancárias do livro caixa digital"));
            aar.push_back(ditem("&Contador", 108, "", "Contabilista do livro caixa digital"));
            aar.push_back(ditem("&Gera o LCDPR", 109, "",
                                "Gera o arquivo do Livro Caixa Digital do Produtor Rural"));
        }
        if (d.rural_abroad) {
            aar.push_back(sep());
            aar.push_back(ditem("Exterior: identificação", 201, "",
                                "Atividade rural no exterior: identificação"));
            aar.push_back(ditem("Exterior: resultado", 203, "", "Resultado no exterior"));
            aar.push_back(ditem("Exterior: rebanho", 204, "", "Rebanho no exterior"));
            aar.push_back(ditem("Exterior: bens", 205, "", "Bens da atividade no exterior"));
            aar.push_back(ditem("Exterior: dívidas", 206, "", "Dívidas da atividade no exterior"));
        }
        bar.push_back(sub("&Rural", aar));
    }

    bar.push_back(sub(
        "&Esp", {ditem("&Partilha do espólio", 57, "", "Declaração final de espólio"),
                 ditem("&Saída definitiva", 58, "", "Declaração de saída definitiva do país")}));

    bar.push_back(sub("A&juda", {ditem("&Calculadora", 120, "", "Calculadora do sistema"),
                                 ditem("A&juda geral", 121, "", "Ajuda geral"),
                                 ditem("&Teclas de função", 122, "", "Teclas de função"),
                                 ditem("&Sobre", 123, "", "Sobre o VORN")}));

    bar.push_back(sub("&Sair", {ditem("&Fim da declaração", 17, "ALT+T", "Termina a declaração")}));
    return bar;
}

std::optional<int> declaration_hotkey(std::string_view key) {
    static constexpr std::pair<std::string_view, int> kKeys[] = {
        {"F1", 11},   {"F2", 21},     {"F3", 31},    {"CTRL+F3", 32}, {"ALT+F3", 56},
        {"F4", 41},   {"ALT+F7", 43}, {"F5", 51},    {"F6", 61},      {"F7", 71},
        {"F8", 81},   {"F9", 91},     {"F10", 72},   {"F11", 62},     {"ALT+F1", 63},
        {"F12", 101}, {"ALT+X", 52},  {"ALT+Z", 54}, {"ESC", 17},     {"ALT+T", 17}};
    for (auto [k, code] : kKeys)
        if (k == key) return code;
    return std::nullopt;
}

const MenuEntry* find_entry(const std::vector<MenuEntry>& tree, int code, int arg, int arg2) {
    for (const auto& e : tree) {
        if (!e.separator && !e.submenu() && e.code == code && e.arg == arg && e.arg2 == arg2)
            return &e;
        if (const MenuEntry* f = find_entry(e.items, code, arg, arg2)) return f;
    }
    return nullptr;
}

}  // namespace vorn::shell
