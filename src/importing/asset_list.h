// Lists of a taxpayer's assets from outside files: the tab-separated "Bens" text file (its own
// column list, or the titled columns the asset export writes) and the "Bens" XML list of "item"
// elements. Reading is pure: bytes in, asset records (table 4 layout) or the bad lines out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "importing/import_text.h"
#include "store/record.h"

namespace vorn::importing {

struct AssetList {
    // The assets in file order. Each sets the fields named in `fields`; the others stay blank.
    std::vector<store::Record> items;
    std::vector<std::string> fields;
    Notes notes;
};

// The text file of `cpf` (eleven digits). `all_assets` reads the columns of every kind of asset
// (24 to 30) besides those of real estate. Every line must be the taxpayer's and have at least 23
// columns; a title line (first column without digits) is passed over; the list ends at the end of
// the file, or at an empty line or a line with CPF zero that only blank lines follow.
AssetList read_assets_text(std::string_view bytes, const std::string& cpf, bool all_assets);

// The XML list of `cpf`: every "item" element, its attributes read by name (a missing text reads
// empty, a missing number 0, "..." empty). Both the asset code "codigo" and the export's "Grupo"
// and "Codigo" are taken. An item of another CPF, a malformed document or a bad value is a bad
// line (items are numbered from 1 in document order; the document's own error names its byte).
AssetList read_assets_xml(std::string_view bytes, const std::string& cpf);

// Where the list's items go among the taxpayer's assets `current` (in item order): with
// `by_item_number` (real estate only) each item replaces the asset of the same item number I7_1
// or is appended; otherwise the k-th item replaces the k-th asset and the rest are appended.
// A replaced asset keeps the fields the list does not carry; assets the list does not reach stay.
// Appended assets get the item number I7_0 = (position in the list) × 10, above the highest one.
std::vector<store::Record> place_assets(const AssetList& list,
                                        const std::vector<store::Record>& current,
                                        bool by_item_number);

}  // namespace vorn::importing
