// The help texts of HELPTXT (the general help, the function keys) shown in a window the operator
// scrolls: menu commands 121 and 122 of an open declaration.
#pragma once

#include <string>

#include "shell/app.h"
#include "store/workareas.h"

namespace vorn::shell {

// The title and text of the help named `name` (NOME, any case). Fails with kNotFound when HELPTXT
// or its memo file is not installed or the name is missing, or with the memo file's error.
[[nodiscard]] Status read_help(store::WorkAreas& w, const std::string& name, std::string* title,
                               std::string* text);

// Shows the help named `name` ("GERAL" for 121, "TECLAS" for 122) until Esc or Enter; when it
// cannot be read the operator is told so.
void show_help(App& app, const std::string& name);

}  // namespace vorn::shell
