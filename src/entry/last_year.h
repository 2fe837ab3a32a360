// Last year's declarations of the office, kept in the folder the terminal remembers (ROTAANTER),
// as the entry lists consult them: the text an asset item had there.
#pragma once

#include <string>
#include <string_view>

#include "store/env.h"

namespace vorn::entry {

// The description of item `item` among client `cpf`'s assets in last year's assets table of
// `folder`; empty when the folder, the table or the item is not there or cannot be read.
std::string last_year_asset_text(store::Env& env, std::string_view folder, std::string_view cpf,
                                 long long item);

}  // namespace vorn::entry
