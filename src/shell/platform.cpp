// The process environment, the current directory and network detection through statfs.
#include "shell/platform.h"

#include <sys/statfs.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/text.h"
#include "shell/session.h"

namespace vorn::shell {
namespace fs = std::filesystem;

std::optional<std::string> SystemPlatform::variable(std::string_view name) const {
    const char* v = std::getenv(std::string(name).c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

std::string SystemPlatform::current_directory() const {
    std::error_code ec;
    auto p = fs::current_path(ec);
    return ec ? std::string("/") : p.string();
}

namespace {

// The filesystem subtype of the FUSE mount holding `path`, from /proc/self/mountinfo (the mount
// point that is the longest prefix of the path).
std::string fuse_subtype_of(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line, best_type;
    size_t best_len = 0;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional...] - fstype source super
        std::istringstream ls(line);
        std::vector<std::string> f;
        for (std::string w; ls >> w;) f.push_back(w);
        if (f.size() < 7) continue;
        const std::string& mount = f[4];
        size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (dash + 1 >= f.size()) continue;
        bool prefix = path.compare(0, mount.size(), mount) == 0 &&
                      (mount == "/" || path.size() == mount.size() || path[mount.size()] == '/');
        if (prefix && mount.size() >= best_len) {
            best_len = mount.size();
            best_type = f[dash + 1];
        }
    }
    if (best_type.rfind("fuse.", 0) == 0) return best_type.substr(5);
    return best_type;
}

}  // namespace

bool SystemPlatform::on_network(const std::string& path) const {
    struct statfs st {};
    if (::statfs(path.c_str(), &st) != 0) return false;
    if (network_filesystem_magic(static_cast<long>(st.f_type))) return true;
    constexpr long kFuse = 0x65735546;
    if (static_cast<long>(st.f_type) == kFuse) {
        std::error_code ec;
        std::string real = fs::weakly_canonical(path, ec).string();
        return network_fuse_subtype(fuse_subtype_of(ec ? path : real));
    }
    return false;
}

std::optional<std::string> FakePlatform::variable(std::string_view name) const {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
}

bool network_filesystem_magic(long f_type) {
    switch (static_cast<unsigned long>(f_type) & 0xFFFFFFFFul) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x73757245:  // CODA
        case 0x5346414F:  // AFS
        case 0x6B414653:  // kAFS
        case 0x00C36400:  // CEPH
        case 0x01021997:  // 9P (shared folders of virtual machines)
        case 0x47504653:  // GPFS
        case 0x0BD00BD0:  // Lustre
            return true;
        default:
            return false;
    }
}

bool network_fuse_subtype(std::string_view subtype) {
    static constexpr std::string_view kNetwork[] = {
        "sshfs",     "rclone",  "s3fs",   "davfs",   "davfs2", "gcsfuse",  "glusterfs", "smbnetfs",
        "curlftpfs", "moosefs", "cephfs", "juicefs", "goofys", "blobfuse", "nfs",       "cifs"};
    for (auto n : kNetwork)
        if (subtype == n) return true;
    return false;
}

std::optional<std::string> two_digit_terminal(std::string_view text) {
    std::string t = trim(text);
    if (t.empty() || t.size() > 2) return std::nullopt;
    for (char c : t)
        if (c < '0' || c > '9') return std::nullopt;
    return t.size() == 1 ? "0" + t : t;
}

TerminalSource terminal_source(const std::optional<std::string>& argument, const Platform& env) {
    TerminalSource out;
    std::optional<std::string> given = argument;
    std::string from = "argumento";
    if (auto t = env.variable("TERMINAL"); t && !trim(*t).empty()) {
        given = *t;
        from = "TERMINAL";
    }
    if (given) {
        if (auto n = two_digit_terminal(*given))
            out.nusu = *n;
        else
            out.error = "Número de terminal inválido (" + from + "): \"" + *given +
                        "\". Use dois dígitos, de 00 a 99.";
        return out;
    }
    if (!env.on_network(env.current_directory())) {
        out.nusu = "00";
        return out;
    }
    out.operator_name = trim(env.variable("USUAR").value_or(""));
    auto equip = two_digit_terminal(env.variable("EQUIP").value_or(""));
    bool absent = !equip || *equip == "00";
    out.prefill = absent ? std::string() : *equip;
    out.dialog_text =
        out.operator_name + (absent ? " Informe" : " Confirme") + " o nro. do terminal.";
    return out;
}

InstallDirectory installation_directory(const Platform& env) {
    InstallDirectory out;
    const std::string name = "DIR20" + std::string(CANOATUAL);
    out.variable = env.variable(name).value_or("");
    std::string dir = without_slash(out.variable);
    std::error_code ec;
    if (!dir.empty() && fs::is_directory(dir, ec)) {
        out.dir = dir;
        return out;
    }
    if (!dir.empty()) out.notice = "<Dir> " + out.variable + " não encontrado. Assumindo o padrão!";
    out.dir = without_slash(env.current_directory());
    return out;
}

bool make_folder_path(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return !ec && fs::is_directory(path, ec);
}

}  // namespace vorn::shell
