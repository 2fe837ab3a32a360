// The people of a declaration kept in its dependants table, as lists of the item editor: the
// dependants (relationship codes below 98), the alimony recipients (98 abroad, 99 in Brazil) and
// the heirs of an estate (100 and above), with the heirs' shares of each asset; and the items 41,
// 42 and 45 of screen 4 over them.
#pragma once

#include <map>
#include <vector>

#include "entry/item_editor.h"
#include "entry/item_lists.h"

namespace vorn::entry {

// Lists 41 (dependants), 42 (alimony recipients), 45 (heirs) and 21 (the heirs' shares of one
// asset, EditaOptions::owner its item number).
std::vector<ItemList> people_lists();

// Item 41: the dependants; afterwards the monthly records of a dependant no longer listed go
// (never the holder's, which names no dependant).
ui::Key dependants_screen(EditorPlace& place);
// Item 42: the alimony recipients.
ui::Key recipients_screen(EditorPlace& place);
// Item 45: the heirs; afterwards, with heirs listed, their default shares may be given to every
// asset.
ui::Key heirs_screen(EditorPlace& place);

// Alt+H on an asset: the heirs' shares of that asset (list 21).
bool heirs_shares_key(ListContext& x, EditorPlace& place, const ui::Key& k);

// After an insertion among the assets moved the items above `after` on by `by`: the heirs' shares
// and the income items that name them move along.
void asset_links_moved(ListContext& x, long long after, int by);
// After the assets were put in another order and took new numbers (old to new): the heirs'
// shares and the income items that name them follow.
void asset_links_renumbered(ListContext& x, const std::map<long long, long long>& moved);

// The heirs' default shares written as the shares of every asset, replacing the shares it had;
// the number of assets, or -1 when the shares were refused (their sum above 100 %, told) or could
// not be written (told).
int transfer_heirs_shares(Operator& op, store::WorkAreas& w, store::Declaration& d);

}  // namespace vorn::entry
