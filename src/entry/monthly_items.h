// The income items behind screen 2's monthly grid in the fill modes built from items (1 and 3):
// for one person (the holder or a dependant) the items of one kind, as lists of the item editor.
// List 17 holds payers from individuals or abroad and cash-book expenses month by month, list 18
// the same kinds as dated entries of a cash book (mode 3), list 24 the official social security
// ("Carne do INSS") and the Carnê-Leão paid ("Receita Federal"), always month by month.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "entry/item_lists.h"

namespace vorn::entry {

// The owner (EditaOptions::owner) of a person's items of kind `kind` ('F' individuals, 'E'
// abroad, 'L' cash book, 'P' social security, 'I' Carnê-Leão paid); an empty CPF is the holder.
long monthly_items_owner(char kind, std::string_view dependant_cpf);

// The list and the kind a column of screen 2's grid (1 … 5) opens in fill mode `mode` (1 or 3).
struct GridItems {
    int list = 0;
    char kind = 0;
};
GridItems grid_items(int column, int mode);

// Lists 17, 18 and 24.
void add_monthly_item_lists(std::map<int, ItemList>& lists);

}  // namespace vorn::entry
