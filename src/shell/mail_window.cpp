// The main menu's e-mail (command 34): the office's account, the message to a client, its sending.
#include "shell/mail_window.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/validate.h"
#include "office/letters.h"
#include "office/mail.h"
#include "office/remittance.h"
#include "shell/chooser.h"
#include "shell/folders.h"
#include "shell/letter_window.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::shell {
namespace {

// The message being prepared (CPFEMAIL, CEMAIL_ENV, CASSUNTO, CANEXO, CENVPEND), kept while the
// program runs; the password typed for a sending is never kept.
struct Prepared {
    std::string cpf, to, subject, attachment;
    bool findings = false;
    bool letter = false;  // CEDITEXT: a letter merged with the client's record
};
Prepared& prepared() {
    static Prepared p;
    return p;
}

// The status-line hint of a field, shown while it is edited.
std::function<bool()> hint(App& app, std::string text) {
    return [&app, text] {
        app.op.status(text);
        return true;
    };
}

// ---- 34,1: CONF_EMAIL

void configure(App& app) {
    Session& s = app.s;
    std::string server = pad_right(s.def("SER_SMTP"), 47), user = pad_right(s.def("NOM_USUA"), 40),
                sender = pad_right(s.def("EMA_USUA"), 40), keep = pad_right(s.def("MEMORIZ"), 1);
    std::string password = pad_right(s.def("MEMORIZ") == "S" ? s.def("SEN_USUA") : "", 64);
    auto dlg = ui::LDLGSHOW(app.screen, 7, 8, 16, 72, "Configura o Email");
    dlg->say(1, 2, "Servidor SMTP :");
    dlg->say(2, 2, "Usuário ......:");
    dlg->say(3, 2, "Email ........:");
    dlg->say(4, 2, "Memoriza senha:");
    dlg->say(5, 2, "Senha ........:");
    for (;;) {
        std::vector<ui::Get> f(5);
        const auto place = [&](size_t k, ui::Var v, int width, const char* picture) {
            f[k].row = static_cast<int>(k) + 1, f[k].col = 18, f[k].var = v;
            f[k].picture = picture;
            f[k].width = width;
        };
        place(0, server, 44, "@S44");
        f[0].when = hint(app, "Informe o endereço SMTP. ex: smtp.escritorio.com.br");
        place(1, user, 40, "");
        f[1].when = hint(app, "Normalmente o nome antes do @ no email");
        place(2, sender, 40, "");
        f[2].when =
            hint(app, "Informe o email de quem vai enviar. Não precisa ser a mesma do usuário");
        place(3, keep, 1, "!");
        f[3].when = hint(app, "Ao memorizar a senha ela não será pedida a cada email enviado");
        f[3].valid = [&] { return trim(keep) == "S" || trim(keep) == "N"; };
        place(4, password, 44, "@S44");
        f[4].hidden = true;
        f[4].when = [&] { return trim(keep) == "S"; };
        const bool escaped = dlg->ReadModal(f).escaped;
        app.op.status("");
        if (escaped) break;
        if (!app.yes({"Confirma os dados ?"})) continue;
        const bool memorise = trim(keep) == "S";
        // A memorised password longer than its field would be cut and fail for ever.
        if (memorise && char_count(trim_right(password)) > 19) {
            app.error({"A senha memorizada tem no máximo 19 caracteres.",
                       "Não memorize uma senha maior: ela será pedida a cada envio."});
            continue;
        }
        s.DEFINE.set("SER_SMTP", trim(server));
        s.DEFINE.set("NOM_USUA", trim(user));
        s.DEFINE.set("EMA_USUA", trim(sender));
        s.DEFINE.set("MEMORIZ", memorise ? "S" : "N");
        s.DEFINE.set("SEN_USUA", memorise ? trim_right(password) : "");
        (void)store_define(app, {"SER_SMTP", "NOM_USUA", "EMA_USUA", "MEMORIZ", "SEN_USUA"});
        break;
    }
    ui::LDLGCLOSE(app.screen);
}

// The client's e-mail address, from the registry of the data folder or another listed folder.
std::optional<std::string> client_mail(App& app, const std::string& cpf) {
    std::vector<std::string> folders = {app.s.LOCARQ};
    if (app.w.table(50))
        for (const FolderEntry& e : folder_list(app.w)) folders.push_back(e.folder);
    for (const std::string& folder : folders) {
        const std::string path = store::data_table_path(app.w.env(), folder, 9);
        if (!app.w.env().exists(path)) continue;
        std::unique_ptr<store::Table> t;
        store::OpenOptions o;
        o.read_only = true;
        if (!store::Table::open(app.w.env(), path, o, &t)) continue;
        std::optional<std::string> found;
        for (Status s = t->go_top(); s && !t->eof() && !found; s = t->skip())
            if (!t->deleted() && trim(t->str("CPF")) == cpf) found = trim(t->str("EMAIL"));
        (void)t->close();
        if (found) return found;
    }
    app.error({"O contribuinte não foi localizado em nenhum das pastas ",
               "registradas. Confira o CPF ou as pastas digitadas.   "});
    return std::nullopt;
}

// The client's findings of code 0 in the data folder's notes table, each ended by CR LF; nullopt
// when the client has none there.
std::optional<std::string> findings_of(App& app, const std::string& cpf) {
    const std::string path = store::data_table_path(app.w.env(), app.s.LOCARQ, 11);
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    if (!app.w.env().exists(path) || !store::Table::open(app.w.env(), path, o, &t))
        return std::nullopt;
    bool any = false;
    std::string body;
    for (Status s = t->go_top(); s && !t->eof(); s = t->skip()) {
        if (t->deleted() || trim(t->str("CPF")) != cpf) continue;
        any = true;
        if (t->num("CODERR").is_zero()) body += trim_right(t->str("OBSERV")) + "\r\n";
    }
    (void)t->close();
    if (!any) return std::nullopt;
    return body;
}

// ---- 34,3: MANDA_EMAIL, the prepared message sent

// The account's user name and server are there; else the operator is told.
bool account_ready(App& app) {
    if (trim(app.s.def("NOM_USUA")).empty()) {
        app.error({"Falta configurar o nome do usuário do email"});
        return false;
    }
    if (trim(app.s.def("SER_SMTP")).empty()) {
        app.error({"Falta configurar o servidor SMTP do email"});
        return false;
    }
    return true;
}

// The office's account with its password: the memorised one, else asked hidden for this sending
// (or this pass over the marked clients) and kept nowhere else. Nothing when the operator gave up.
std::optional<office::MailAccount> account_for_sending(App& app) {
    Session& s = app.s;
    office::MailAccount account{s.def("SER_SMTP"), s.def("NOM_USUA"), s.def("EMA_USUA"),
                                s.def("MEMORIZ") == "S" ? s.def("SEN_USUA") : "",
                                trim(app.platform.variable("VORN_CA_FILE").value_or(""))};
    if (!account.password.empty()) return account;
    std::string typed(64, ' ');
    auto dlg = ui::LDLGSHOW(app.screen, 10, 20, 14, 60, "Senha email");
    dlg->say(1, 2, "Informe a senha: ");
    std::vector<ui::Get> f(1);
    f[0].row = 1, f[0].col = 19, f[0].var = typed, f[0].picture = "@S18";
    f[0].hidden = true;
    const bool escaped = dlg->ReadModal(f).escaped;
    ui::LDLGCLOSE(app.screen);
    if (escaped) return std::nullopt;
    account.password = trim_right(typed);
    return account;
}

// A letter merged with one client's registry record of the data folder; nothing when the
// client is not there.
std::optional<std::string> merged_letter(App& app, const office::Letter& letter,
                                         const std::vector<office::LetterClient>& clients,
                                         const std::string& cpf) {
    for (const office::LetterClient& c : clients)
        if (trim(c.str("CPF")) == cpf)
            return office::merge_letter(letter.text, c, letter_rates(app));
    return std::nullopt;
}

bool send(App& app) {
    const Prepared& p = prepared();
    if (!account_ready(app)) return false;
    if (trim(p.to).empty()) {
        app.error({"Preencha antes o endereço para enviar"});
        return false;
    }
    if (trim(p.subject).empty() && !app.yes({"Vai enviar um texto sem o assunto?"})) return false;
    office::Mail mail{trim(p.to), trim(p.subject), "", trim(p.attachment)};
    if (p.findings) {
        const auto body = findings_of(app, p.cpf);
        if (!body) {
            app.error({"CPF " + masked_cpf(p.cpf) + " não encontrado!",
                       "Para enviar as pendências ele deve estar na pasta atual"});
            return false;
        }
        mail.body = *body;
    }
    if (p.letter) {
        const auto file = pick_letter(app);
        if (!file) return false;
        std::vector<office::LetterClient> clients;
        if (Status st = office::read_letter_clients(app.w.env(), app.s.ROTADOANO, &clients); !st) {
            app.error({st.message()});
            return false;
        }
        const auto text = merged_letter(app, file->letter, clients, p.cpf);
        if (!text) {
            app.error({"CPF " + masked_cpf(p.cpf) + " não encontrado!",
                       "Para enviar a carta ele deve estar na pasta atual"});
            return false;
        }
        mail.body += *text;
    }
    if (!mail.attachment.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(mail.attachment, ec)) {
            app.error({"Arquivo " + mail.attachment + " não encontrado"});
            return false;
        }
        if (mail.body.empty()) mail.body = "Veja arquivo anexado";
    }
    if (mail.body.empty() && !app.yes({"Email sem texto?"})) return false;
    auto account = account_for_sending(app);
    if (!account) return false;
    if (auto problem = office::mail_problem(*account, mail)) {
        app.error({*problem});
        return false;
    }
    app.op.status("Enviando o email para " + mail.to);
    const Status st = office::send_mail(*account, mail, app.w.clock().now());
    app.op.status("");
    if (!st) {
        app.error({st.message()});
        return false;
    }
    app.tell({"Email enviado"});
    return true;
}

// ---- 34,4: one letter or the pending findings to every marked client, a message each

void send_to_marked(App& app) {
    std::string subject(60, ' '), attachment(180, ' '), findings = "N", letter = "S";
    auto dlg = ui::LDLGSHOW(app.screen, 7, 4, 15, 76, "Email para os marcados");
    dlg->say(1, 2, "Assunto ....:");
    dlg->say(2, 2, "Arquivo ....:");
    dlg->say(3, 2, "Pendências .:");
    dlg->say(4, 2, "Carta ......:");
    bool go = false;
    for (;;) {
        std::vector<ui::Get> f(4);
        const auto place = [&](size_t k, ui::Var v, const char* picture, int width) {
            f[k].row = static_cast<int>(k) + 1, f[k].col = 16, f[k].var = v;
            f[k].picture = picture;
            f[k].width = width;
        };
        place(0, subject, "@S50", 50);
        f[0].when = hint(app, "Informe o assunto ou título do Email");
        place(1, attachment, "@s28", 28);
        f[1].when = hint(app, "Caminho e nome do Arquivo a ser enviado.");
        place(2, findings, "!", 1);
        f[2].when = hint(app, "Se for enviar as pendências marque com a letra S");
        f[2].valid = [&] { return findings == "S" || findings == "N"; };
        place(3, letter, "!", 1);
        f[3].when = hint(app, "Marque com S para enviar um texto editado em cartas");
        f[3].valid = [&] { return letter == "S" || letter == "N"; };
        const bool escaped = dlg->ReadModal(f).escaped;
        app.op.status("");
        if (escaped) break;
        if ((findings == "S") == (letter == "S")) {
            app.error({"Marque com S as pendências ou a carta: uma delas."});
            continue;
        }
        go = app.yes({"Confirma os dados ?"});
        if (go) break;
    }
    ui::LDLGCLOSE(app.screen);
    if (!go || !account_ready(app)) return;
    const office::Mail common{"", trim(subject), "", trim(attachment)};
    if (common.subject.empty() && !app.yes({"Vai enviar um texto sem o assunto?"})) return;
    if (!common.attachment.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(common.attachment, ec)) {
            app.error({"Arquivo " + common.attachment + " não encontrado"});
            return;
        }
    }
    std::optional<office::LetterFile> file;
    if (letter == "S" && !(file = pick_letter(app))) return;
    std::vector<office::LetterClient> clients;
    if (Status st = office::read_letter_clients(app.w.env(), app.s.ROTADOANO, &clients); !st) {
        app.error({st.message()});
        return;
    }
    std::erase_if(clients, [](const office::LetterClient& c) { return !c.marked; });
    if (clients.empty()) {
        app.tell({"Nenhum contribuinte marcado na pasta atual."});
        return;
    }
    auto account = account_for_sending(app);
    if (!account) return;
    std::vector<std::string> sent, failed;
    const office::FeeRates rates = letter_rates(app);
    for (size_t k = 0; k < clients.size(); ++k) {
        const office::LetterClient& c = clients[k];
        const std::string cpf = trim(c.str("CPF"));
        const std::string who = masked_cpf(cpf) + " " + trim(c.str("NOMECONTR"));
        if (app.op.esc_pressed() && app.yes({"Abandona o envio dos emails?"})) {
            for (size_t r = k; r < clients.size(); ++r)
                failed.push_back(masked_cpf(trim(clients[r].str("CPF"))) + " " +
                                 trim(clients[r].str("NOMECONTR")) + ": envio abandonado");
            break;
        }
        office::Mail mail = common;
        mail.to = trim(c.str("EMAIL"));
        if (file) {
            mail.body = office::merge_letter(file->letter.text, c, rates);
        } else if (auto body = findings_of(app, cpf)) {
            mail.body = *body;
        }
        if (mail.body.empty() && !mail.attachment.empty()) mail.body = "Veja arquivo anexado";
        std::string why;
        if (mail.to.empty())
            why = "sem email no cadastro";
        else if (mail.body.empty())
            why = file ? "carta sem texto" : "sem pendências";
        else if (auto problem = office::mail_problem(*account, mail))
            why = *problem;
        if (why.empty()) {
            app.op.status("Enviando o email para " + mail.to + " (" + std::to_string(k + 1) +
                          " de " + std::to_string(clients.size()) + ")");
            const Status st = office::send_mail(*account, mail, app.w.clock().now());
            if (!st) why = st.message();
        }
        if (why.empty())
            sent.push_back(who + " <" + mail.to + ">");
        else
            failed.push_back(who + ": " + why);
    }
    app.op.status("");
    std::vector<std::string> lines = {"Emails enviados: " + std::to_string(sent.size()) + " de " +
                                      std::to_string(clients.size())};
    for (const auto& l : sent) lines.push_back("  " + l);
    if (!failed.empty()) {
        lines.push_back("Não enviados: " + std::to_string(failed.size()));
        for (const auto& l : failed) lines.push_back("  " + l);
    }
    app.tell(lines, "Email para os marcados");
}

// ---- 34,2: PREP_EMAIL

void prepare(App& app) {
    Prepared& p = prepared();
    for (;;) {
        std::string cpf = pad_right(p.cpf, 11), to = pad_right(p.to, 60),
                    subject = pad_right(p.subject, 60), attachment = pad_right(p.attachment, 180),
                    findings = p.findings ? "S" : "N", letter = p.letter ? "S" : "N";
        auto dlg = ui::LDLGSHOW(app.screen, 7, 4, 16, 76, "Prepara o Email");
        dlg->say(1, 2, "CPF ........:");
        dlg->say(2, 2, "Email ......:");
        dlg->say(3, 2, "Assunto ....:");
        dlg->say(4, 2, "Arquivo ....:");
        dlg->say(5, 2, "Pendências .:");
        dlg->say(6, 2, "Carta ......:");
        bool leave = false;
        for (;;) {
            std::vector<ui::Get> f(6);
            const auto place = [&](size_t k, ui::Var v, const char* picture, int width) {
                f[k].row = static_cast<int>(k) + 1, f[k].col = 16, f[k].var = v;
                f[k].picture = picture;
                f[k].width = width;
            };
            place(0, cpf, "@R 999.999.999-99", 0);
            f[0].when = hint(app, "CPF do contribuinte que será mandado o email. F1 mostra todos.");
            f[0].valid = [&] {
                if (!VAL_CPF(app.op, trim(cpf), true)) return false;
                const auto mail = client_mail(app, trim(cpf));
                if (!mail) return false;
                if (trim(to).empty() || trim(cpf) != p.cpf) to = pad_right(*mail, 60);
                p.cpf = trim(cpf);
                return true;
            };
            place(1, to, "@S50", 50);
            f[1].when = hint(app, "Email do contribuinte. Pode ser alterado. ");
            place(2, subject, "@S50", 50);
            f[2].when = hint(app, "Informe o assunto ou título do Email");
            place(3, attachment, "@s28", 28);
            f[3].when = hint(app, "Caminho e nome do Arquivo a ser enviado.");
            place(4, findings, "!", 1);
            f[4].when = hint(app, "Se for enviar as pendências marque com a letra S");
            place(5, letter, "!", 1);
            f[5].when = hint(app, "Marque com S para enviar um texto editado em cartas");
            const bool escaped = dlg->ReadModal(f).escaped;
            app.op.status("");
            if (escaped) {
                leave = true;
                break;
            }
            p = {trim(cpf),
                 trim(to),
                 trim(subject),
                 trim(attachment),
                 trim(findings) == "S",
                 trim(letter) == "S"};
            const int k =
                app.op.choose("Prepara o Email", "Confirma os dados ?", {"Sim", "Não", "Ignora"});
            if (k == 1) continue;
            if (k != 0) leave = true;
            break;
        }
        ui::LDLGCLOSE(app.screen);
        if (leave) return;
        if (app.yes({"Envia agora o Email?"})) (void)send(app);
        if (!app.yes({"Envia Email para outro contribuinte?"})) return;
    }
}

}  // namespace

void GERA_EMAIL(App& app, int option) {
    sync_areas(app.s, app.w);
    switch (option) {
        case 1:
            configure(app);
            break;
        case 2:
            prepare(app);
            break;
        case 3:
            (void)send(app);
            break;
        case 4:
            send_to_marked(app);
            break;
        default:
            break;
    }
}

}  // namespace vorn::shell
