// A short list of names over the screen (municipalities of a state, funds of a state): the
// operator walks it and chooses one with Enter, or none with Esc.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/operator.h"
#include "ui/screen.h"

namespace vorn::entry {

// Shows `names` under `header` in a window titled `title`, with `hint` on the status line; the
// index of the name chosen, or nullopt after Esc.
std::optional<size_t> choose_name(ui::Screen& s, Operator& op,
                                  const std::vector<std::string>& names, const std::string& title,
                                  const std::string& header, std::string_view hint);

}  // namespace vorn::entry
