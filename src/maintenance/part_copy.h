// Copying a part of one declaration into another of the same data folder (TRANF_PARTE): the
// source's records of the part, their CPF set to the destination's, appended to the destination
// after its own records of the part are removed or, when kept, with their item numbers continuing
// after the destination's last (and the records that name those items following them). All in
// memory, with the part's tables held alone for the whole copy.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/status.h"
#include "store/workareas.h"

namespace vorn::maintenance {

// The parts as the menu numbers them: 1 the whole declaration but its registry record, 2 and 15
// the assets, 3 the debts, 4 and 16 the individual cash book (income rows "L" and "F"), 5 and 17
// the income rows of companies ("J", a dependant's "D"), 6 payments and donations, 7 capital gains
// with their cost rows, 8 variable income, 10 the whole rural activity, 11 its assets, 12 its
// debts, 13 its cash book, 14 its properties. (9, the estate's assets shared among the heirs, has
// a copy of its own below.)
bool copyable_part(int part);
constexpr int kEstatePart = 9;
// The part's name as the window's title shows it.
std::string part_name(int part);

struct PartCopyResult {
    int copied = 0, removed = 0;  // records appended to the destination, its own removed
    std::string busy;             // the table another terminal holds, when refused
};

// Copies part `part` of `from` into `to`, in the selected data folder. `keep` keeps the
// destination's records of the part ("Sim - Acrecente os novos dados"). Refused with nothing
// changed: either CPF not registered (kNotFound with the texts the operator is told), the
// destination open on a terminal (kLocked), a table held elsewhere (kLocked, result->busy), a rural
// part of a source without rural activity, nothing to copy (kNotFound, "Sem " + part + " para
// copiar!"), item numbers that would pass their field's width (kInvalid).
[[nodiscard]] Status copy_part(store::WorkAreas& w, int part, const std::string& from,
                               const std::string& to, bool keep, PartCopyResult* result);

// An heir of the estate's sharing who is not registered in the data folder: its name and CPF.
// The answer says whether to register it with only the inherited assets.
using CreateHeir = std::function<bool(const std::string& name, const std::string& cpf)>;

struct EstateCopyResult {
    int copied = 0;                 // assets appended to heirs
    int existing = 0;               // shares an heir already had from an earlier copy
    int created = 0;                // heirs registered with only their inherited assets
    std::vector<std::string> left;  // heirs left out: "NAME - CPF" and why
    std::string busy;               // the table another terminal holds, when refused
};

// The final estate declaration `estate` shares its assets among its heirs by its sharing table
// (table 20: asset REFEREN, heir CPFHERDE, share PERCENT): each share becomes an asset of the heir,
// numbered after the heir's last, with the estate asset's fields, none at the end of the previous
// year, the share of the estate's year-end value at the end of this year (rounded to the cent, the
// last share of an asset shared whole taking what the others left), and
// the description followed by where it came from. A share the heir already has (same description)
// is not added again, so copying twice adds nothing. Refused with nothing changed: the estate not
// registered or not a final declaration, no sharing, an heir open on a terminal, a table held
// elsewhere, item numbers that would pass their field's width.
[[nodiscard]] Status copy_estate_assets(store::WorkAreas& w, const std::string& estate,
                                        const CreateHeir& create_heir, EstateCopyResult* result);

}  // namespace vorn::maintenance
