// The assets of the rural activity in Brazil or abroad: list 32 of the item editor.
#include "entry/rural_screens.h"

namespace vorn::entry {

ui::Key rural_assets_screen(RuralPlace& r) {
    EditaOptions o;
    o.owner = r.abroad ? kAbroad : kBrazil;
    return EDITA(r.place, kRuralAssetsList, o);
}

}  // namespace vorn::entry
