// Command 25: the office's fee rates.
#pragma once

#include "shell/app.h"

namespace vorn::shell {

// VAL_DECL: "Valor a cobrar" asks the value a minute, a kilobyte, the least fee and the minutes
// without a key after which the working clock stops; values the office record cannot hold are
// refused and nothing is written; the others go to DEFINE under its record lock.
void VAL_DECL(App& app);

}  // namespace vorn::shell
