// What the start-up reads from the machine: environment variables, the current directory and
// whether a folder lives on a network filesystem (statfs). Behind an interface so that tests
// can fake a network drive or a missing variable.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vorn::shell {

class Platform {
  public:
    virtual ~Platform() = default;
    // The value of an environment variable; nullopt when it is not set.
    virtual std::optional<std::string> variable(std::string_view name) const = 0;
    virtual std::string current_directory() const = 0;
    // True when the folder is on a network filesystem (NFS, SMB/CIFS, network FUSE mounts ...).
    virtual bool on_network(const std::string& path) const = 0;
};

// The real process environment.
class SystemPlatform final : public Platform {
  public:
    std::optional<std::string> variable(std::string_view name) const override;
    std::string current_directory() const override;
    bool on_network(const std::string& path) const override;
};

// A prepared environment for tests.
class FakePlatform final : public Platform {
  public:
    std::map<std::string, std::string, std::less<>> vars;
    std::string cwd = "/";
    bool network = false;
    std::optional<std::string> variable(std::string_view name) const override;
    std::string current_directory() const override { return cwd; }
    bool on_network(const std::string&) const override { return network; }
};

// Filesystem kinds by statfs magic number, and the FUSE subtypes that are network filesystems.
bool network_filesystem_magic(long f_type);
bool network_fuse_subtype(std::string_view subtype);

// "7" → "07", " 12" → "12"; nullopt for anything but one or two digits.
std::optional<std::string> two_digit_terminal(std::string_view text);

// Where the terminal number comes from: the command-line argument, overridden by TERMINAL; when
// neither is given, "00" on a local drive, or on a network drive a question to the operator
// ("Terminal" dialog) with the operator name USUAR and the number EQUIP prefilled.
struct TerminalSource {
    std::string nusu;  // decided number, empty while the operator must be asked
    std::string
        dialog_text;      // when asking: USUAR + " Informe"/" Confirme" + " o nro. do terminal."
    std::string prefill;  // when asking: EQUIP as two digits, blank for zero or absent
    std::string operator_name;  // USUAR
    std::string error;          // a malformed argument or TERMINAL value
};
TerminalSource terminal_source(const std::optional<std::string>& argument, const Platform& env);

// The installation directory: the variable "DIR2026" when it names an existing directory, else
// the current directory (with a notice when the variable named a missing one).
struct InstallDirectory {
    std::string dir;       // no trailing separator
    std::string variable;  // the variable's value as read (CONFIG.DIRPROV)
    std::string notice;    // "<Dir> ... não encontrado. Assumindo o padrão!" or empty
};
InstallDirectory installation_directory(const Platform& env);

// Creates every missing level of a folder path; false when one could not be created.
bool make_folder_path(const std::string& path);

}  // namespace vorn::shell
