#include "shell/update_window.h"

#include <filesystem>

#include "base/text.h"
#include "entry/selic_register.h"
#include "output/https.h"
#include "output/status_page.h"
#include "shell/folders.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

constexpr int kRates = 51;

std::string without_dots(std::string_view t) {
    std::string out;
    for (char c : t)
        if (c != '.') out += c;
    return out;
}

// The twelve rates into the office's interest table, each month updated in place or appended under
// the table lock; the operator is told when the table cannot be written.
void store_rates(App& app, const std::vector<std::pair<std::string, Decimal>>& rates) {
    if (rates.empty()) return;
    sync_areas(app.s, app.w);
    if (!store::ABERTURA(app.w, kRates)) return;
    if (Status s = entry::write_selic_months(app.w, rates); !s)
        app.error({"Taxas SELIC não gravadas:", s.message()});
    app.w.close(kRates);
}

// BAIXARQ: the installer downloaded into the installation's "INSTAL" folder and started; true when
// it was.
bool BAIXARQ(App& app, const output::UpdateSource& source, const output::Release& release,
             const std::string& ca_file) {
    const std::string name = output::installer_name(release);
    if (!app.yes({"Confirme atualizar a versão VORN2026-" + without_dots(trim(VERSAO)) + " de " +
                      std::string(DVERATUAL),
                  "com a nova versão VORN2026-" + release.number + " de " + release.date}))
        return false;
    const std::string dir = store::join_path(without_slash(app.s.ROTADEF), "INSTAL");
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        app.error({"Erro " + std::to_string(ec.value()) + " ao criar a pasta " + dir});
        return false;
    }
    app.op.status("AGUARDE! Baixando o programa " + name);
    std::string path;
    Status s = output::download_installer(app.w.env(), source, release, dir, ca_file, &path);
    app.op.status("");
    if (!s) {
        app.error(
            {"Erro na carga do arquivo na internet!", "Tente novamente mais tarde", s.message()});
        return false;
    }
    app.tell({"O programa " + name + " foi salvo na pasta abaixo:", dir,
              "Recomendamos que desabilite temporariamente o   ",
              "anti-virus para evitar o bloqueio da instalação.",
              "O programa agora será fechado para a instalação ",
              "e automaticamente abrirá o instalador. Aguarde! ",
              "Porém, se o instalador não abrir acesse direto. "});
    // The installer starts through the command the office set up, given the installer's path.
    const std::string command = trim(app.platform.variable("VORN_INSTALLER").value_or(""));
    if (command.empty()) {
        app.tell({"Nenhum comando de instalação configurado (VORN_INSTALLER).",
                  "Execute o instalador: " + path});
        return false;
    }
    long id = 0;
    if (Status st = app.processes->start({command, path}, &id); !st) {
        app.error({"O instalador não pôde ser iniciado:", st.message()});
        return false;
    }
    return true;
}

}  // namespace

bool INTER(App& app, int mode) {
    const bool told = mode == 1;
    output::UpdateSource source;
    if (Status s = output::read_update_source(app.w.env(), app.s.ROTADEF, &source); !s) {
        if (told)
            app.tell({"Não houve leitura sobre a atualização!", s.message()},
                     "Atualização de versão");
        return false;
    }
    app.screen.write(18, 21, "Verificando se existe atualização....", 0x07);
    output::HttpsRequest rq;
    rq.url = source.page;
    rq.ca_file = trim(app.platform.variable("VORN_CA_FILE").value_or(""));
    rq.max_bytes = 8000;
    std::string page;
    if (Status s = output::https_get(rq, &page); !s) {
        app.error({"Erro no acesso a Internet. Tente depois!",
                   "Não é possível saber se há atualização!", s.message()});
        if (app.s.def("VER_ATUAL") == "S") {
            app.s.DEFINE.set(
                "VER_ATUAL",
                app.yes({"Continua a fazer essa verificação sempre na entrada?"}) ? "S" : "N");
            (void)store_define(app, {"VER_ATUAL"});
        }
        return false;
    }
    const output::StatusPage p = output::parse_status_page(page);
    store_rates(app, p.rates);
    if (!p.release) {
        if (told) app.tell({"Não houve leitura sobre a atualização!"}, "Atualização de versão");
        return false;
    }
    if (p.release->date != DVERATUAL) {
        if (!app.yes({"Aviso! Existe a versão " + p.release->number + " diferente da sua " +
                          std::string(VERSAO),
                      "Atualização feita em " + p.release->date + ". Deseja atualizar agora?"},
                     "Atualização de versão"))
            return false;
        if (BAIXARQ(app, source, *p.release, rq.ca_file)) return true;
        app.tell({"Nova atualização não instalada!"});
        return false;
    }
    if (told)
        app.tell({"Não existe atualização no momento!",
                  "Versão atual:" + p.release->number + " de " + p.release->date},
                 "Versão Atualizada");
    return false;
}

void check_for_update(App& app) {
    if (INTER(app, 1)) {
        app.quit = true;
        return;
    }
    app.s.DEFINE.set("VER_ATUAL", app.yes({"Mantem a verificação da versão na entrada?",
                                           "Obs. Retirando essa verificação estará também",
                                           "retirando a busca do CEP pela internet"},
                                          "Verificar atualizacão")
                                      ? "S"
                                      : "N");
    (void)store_define(app, {"VER_ATUAL"});
}

}  // namespace vorn::shell
