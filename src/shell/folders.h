// The terminal's list of data folders ("DIRET" + NUSU, open exclusively in area 50 for the whole
// run), the choice of the data folder (TROCASIM) and the search for a CPF through every folder of
// the list.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/operator.h"
#include "base/status.h"
#include "store/workareas.h"

namespace vorn::shell {

struct Session;

struct FolderEntry {
    std::string folder;  // DIRETOR, without trailing separator
    bool selected = false;
    uint32_t recno = 0;
};

// The entries of the list in table order (area 50 must be open).
std::vector<FolderEntry> folder_list(store::WorkAreas& w);

// Start-up: the data folder is made the selected entry, appended (selected) when the list does
// not hold it. Folders compare in upper case without trailing separator.
[[nodiscard]] Status list_data_folder(store::WorkAreas& w, std::string_view folder);

// Makes every entry but `folder` unselected and `folder` selected (appending it when absent).
[[nodiscard]] Status select_in_list(store::WorkAreas& w, std::string_view folder);

// Keeps the session's and the work areas' folders in step (ARQDEF, LOCARQ, NUSU).
void sync_areas(const Session& s, store::WorkAreas& w);

// TROCASIM: makes `folder` the data folder: offers to create it when missing ("Pasta nova para
// VORN2026?"), selects it in the list, opens its registry with the three indexes in area 9 and
// stores it in the terminal's CONFIG record. False (the previous folder kept) when the operator
// did not want it created, it could not be created, its path is longer than the 80 characters
// the list and the settings hold, or its registry could not be opened.
bool TROCASIM(Session& s, store::WorkAreas& w, std::string_view folder);

// The first folder of the list, in list order, whose registry holds `cpf` (the current data
// folder is not searched again); nullopt when none has it.
std::optional<std::string> find_cpf_in_folders(Session& s, store::WorkAreas& w,
                                               std::string_view cpf);

// Whether the registry of `folder` holds `cpf` (a folder without a registry holds nothing).
bool folder_has_cpf(store::WorkAreas& w, std::string_view folder, std::string_view cpf);

// Stores fields of the terminal's CONFIG record (area 42 opened and closed here) from the session.
[[nodiscard]] bool store_config(Session& s, store::WorkAreas& w,
                                const std::vector<std::string>& fields);

}  // namespace vorn::shell
