// Last year's auxiliary tables of the office (the lists of assets, payers, banks, sources of
// income and the status names: "aux*" and "status*" tables) copied into this year's installation.
// A table another terminal has open is left alone; a copy is written beside the table and renamed
// over it, so the table is whole before and after; the copy is then opened as the program opens
// it, so an older layout is brought to this edition's and the indexes are built anew.
#pragma once

#include <string>
#include <vector>

#include "store/workareas.h"

namespace vorn::importing {

struct AuxCopy {
    std::string file;  // in the source folder
    bool copied = false;
    std::string text;  // what was done, or why not
};

// Copies every auxiliary table of `source` into the installation directory w.ARQDEF (only
// checking them with `check`). Files of the masks that are no auxiliary table of the program, or
// that are not tables, are refused with the reason.
std::vector<AuxCopy> copy_aux_tables(store::WorkAreas& w, const std::string& source, bool check);

}  // namespace vorn::importing
