// An open declaration on the screen: its window, the declaration menu (window style or text top
// bar) with its hot keys and the checks before each command (MENUCOMUM), the screen loop (GIRO)
// with the periodic save, Alt+W, Alt+H and Alt+T, and the leave dialog (SAI_DA_DEC).
#pragma once

#include "shell/app.h"
#include "store/declaration.h"

namespace vorn::shell {

enum class Leave {
    kSaved,          // saved and closed
    kWithoutSaving,  // freed without saving
};

// Runs the loaded declaration for entry until the operator leaves it.
Leave run_declaration(App& app, store::Declaration& d);

// The leave dialog's outcome for a command: 17 (end of the declaration, with its question), 111
// (Alt+T inside a screen: save without asking), 112 (leave without saving, asked).
enum class LeaveAnswer { kStay, kSave, kDiscard };
LeaveAnswer SAI_DA_DEC(App& app, store::Declaration& d, int code);

// Saving before the end (periodic, Alt+W): a declaration whose status is the office's protected
// status is saved only when the operator agrees to change its status. False when nothing was
// saved.
bool SAL_DEC(App& app, store::Declaration& d);
// Whether the declaration may be written: one of the office's protected status only when the
// operator agrees to change its status (to 2, asked as SAL_DEC asks).
bool may_save(App& app, store::Declaration& d);

}  // namespace vorn::shell
