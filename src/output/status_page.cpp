#include "output/status_page.h"

#include <memory>

#include "output/https.h"

namespace vorn::output {
namespace {

bool digits(std::string_view t) {
    if (t.empty()) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string trimmed(std::string_view t) {
    size_t a = 0, b = t.size();
    while (a < b && (t[a] == ' ' || t[a] == '\r' || t[a] == '\n')) ++a;
    while (b > a && (t[b - 1] == ' ' || t[b - 1] == '\r' || t[b - 1] == '\n')) --b;
    return std::string(t.substr(a, b - a));
}

std::vector<std::pair<std::string, Decimal>> rates_of(std::string_view page) {
    std::vector<std::pair<std::string, Decimal>> out;
    const size_t at = page.find("SELIC");
    if (at == std::string_view::npos) return out;
    const size_t first = at + 16;
    if (page.size() < first + 12 * 12 - 1) return out;
    for (int k = 0; k < 12; ++k) {
        const std::string_view e = page.substr(first + 12 * static_cast<size_t>(k), 11);
        const std::string_view month = e.substr(0, 6), rate = e.substr(7, 4);
        const int mm = digits(month) ? (month[4] - '0') * 10 + (month[5] - '0') : 0;
        if (mm < 1 || mm > 12 || !digits(rate.substr(0, 1)) || rate[1] != '.' ||
            !digits(rate.substr(2, 2)))
            return {};
        out.emplace_back(std::string(month), Decimal::from(rate));
    }
    return out;
}

std::optional<Release> release_of(std::string_view page) {
    const size_t at = page.find("VORN26");
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view rest = page.substr(at + 6);
    if (rest.size() < 5 + 8 + 1 + 7) return std::nullopt;
    Release r;
    r.number = trimmed(rest.substr(0, 5));
    r.date = std::string(rest.substr(5, 8));
    const std::string size = trimmed(rest.substr(14, 7));
    if (r.number.empty() || r.date[2] != '/' || r.date[5] != '/' || !digits(size))
        return std::nullopt;
    r.size = std::stol(size);
    return r;
}

}  // namespace

StatusPage parse_status_page(std::string_view page) {
    return {rates_of(page), release_of(page)};
}

Status read_update_source(store::Env& env, const std::string& install_dir, UpdateSource* out) {
    const std::string path = store::find_file(env, install_dir, "brioinfo.txt");
    std::unique_ptr<store::File> f;
    if (!env.exists(path) || !env.open(path, store::OpenFor::kRead, &f))
        return Status::not_found("Sem o arquivo " + store::join_path(install_dir, "brioinfo.txt"));
    std::string text(4096, '\0');
    size_t got = 0;
    if (Status s = f->read(0, text.data(), text.size(), &got); !s) return s;
    text.resize(got);
    const size_t nl = text.find('\n');
    out->base = trimmed(text.substr(0, std::min<size_t>(nl, 100)));
    out->page = nl == std::string::npos
                    ? ""
                    : trimmed(text.substr(nl + 1, text.find('\n', nl + 1) - nl - 1));
    if (out->base.empty() || out->page.empty())
        return Status::not_found(path + " sem os endereços da atualização");
    return Status::ok();
}

std::string installer_name(const Release& r) {
    std::string n;
    for (char c : r.number)
        if (c != '.') n += c;
    return "VORN2026-" + n + ".exe";
}

Status download_installer(store::Env& env, const UpdateSource& source, const Release& release,
                          const std::string& dir, const std::string& ca_file, std::string* path) {
    HttpsRequest rq;
    rq.url = source.base + installer_name(release);
    rq.ca_file = ca_file;
    rq.max_bytes = static_cast<size_t>(release.size) + 1;
    std::string body;
    if (Status s = https_get(rq, &body); !s) return s;
    if (body.size() != static_cast<size_t>(release.size))
        return Status::io_error("Erro ao baixar o arquivo! Tente baixar direto do site (" +
                                std::to_string(body.size()) + " bytes de " +
                                std::to_string(release.size) + ")");
    *path = store::join_path(dir, installer_name(release));
    std::unique_ptr<store::File> f;
    std::string temp;
    Status s = env.create_temp(*path, &f, &temp);
    if (!s) return s;
    s = f->write(0, body);
    if (s) s = f->sync();
    f.reset();
    if (s) s = env.rename(temp, *path);
    if (!s) (void)env.remove(temp);
    return s;
}

}  // namespace vorn::output
