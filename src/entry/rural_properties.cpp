// The rural properties of the activity in Brazil or abroad: list 34 of the item editor.
#include "entry/rural_screens.h"

namespace vorn::entry {

ui::Key rural_properties_screen(RuralPlace& r) {
    EditaOptions o;
    o.owner = r.abroad ? kAbroad : kBrazil;
    return EDITA(r.place, kPropertiesList, o);
}

}  // namespace vorn::entry
