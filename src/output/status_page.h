// The maker's status page, read at start-up and by "Ver Atualização": the SELIC rates of the last
// twelve months and the newest release of this program; and the download of that release's
// installer. Where they are is the installation's "brioinfo.txt": its first line the address the
// installers are downloaded from, its second the status page's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/decimal.h"
#include "base/status.h"
#include "store/env.h"

namespace vorn::output {

struct Release {
    std::string number;  // "2.04"
    std::string date;    // "dd/mm/yy"
    long size = 0;       // of the installer, in bytes
};

struct StatusPage {
    // The twelve months ("YYYYMM") and their rates, or none: a page whose entries are not all
    // well formed (six digits of a month 01 to 12, a rate "9.99") gives no rate at all.
    std::vector<std::pair<std::string, Decimal>> rates;
    std::optional<Release> release;  // none without the marker "VORN26" or with a bad entry
};

// Reads a page: the rates 16 characters after the first "SELIC", twelve entries of 12 characters
// (month 6, a separator, rate 4, a separator); the release right after the first "VORN26": its
// number (5), date (8), a separator and the installer's size (7).
StatusPage parse_status_page(std::string_view page);

struct UpdateSource {
    std::string base;  // where installers are downloaded from (first line)
    std::string page;  // the status page's address (second line)
};
// "brioinfo.txt" of the installation directory (any case); kNotFound without the file or its
// two lines.
[[nodiscard]] Status read_update_source(store::Env& env, const std::string& install_dir,
                                        UpdateSource* out);

// "VORN2026-" + the release number without its dots + ".exe".
std::string installer_name(const Release& r);

// Downloads the release's installer from the source's base address into `dir`: the size must be
// the page's, the file is written beside and renamed, so `dir` never holds a part of it. *path
// receives the installer's path.
[[nodiscard]] Status download_installer(store::Env& env, const UpdateSource& source,
                                        const Release& release, const std::string& dir,
                                        const std::string& ca_file, std::string* path);

}  // namespace vorn::output
