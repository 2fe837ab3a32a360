// The two menu trees as data: the main menu shown while no declaration is open, and the
// declaration menu shown while one is open (window style or text top bar). Every item carries its
// caption with the "&" accelerator, its command code and arguments, and whether it is enabled:
// an item whose command this build does not carry out is shown disabled.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::shell {

struct Session;

struct MenuEntry {
    std::string caption;
    int code = 0;  // command code (OPCAO_1 or OPCIR_1); 0 for a submenu or a separator
    int arg = 0;   // the command's arguments
    int arg2 = 0;
    bool enabled = false;
    bool separator = false;
    std::string hotkey;            // declaration menu: the key that runs it ("F1", "ALT+X")
    std::string description;       // declaration menu, text style: shown on the status line
    std::vector<MenuEntry> items;  // a submenu when not empty

    bool submenu() const { return !items.empty(); }
};

// Whether this build carries out a main-menu command (codes and arguments as the menu gives them).
bool main_command_enabled(int code, int arg = 0, int arg2 = 0);
// Whether this build carries out a declaration-menu command.
bool declaration_command_enabled(int code);

// The main menu bar, its captions filled from the session (TEMP_SAL, XDRIVE, the print selection).
std::vector<MenuEntry> main_menu(const Session& s);

// What the declaration menu shows depends on the open declaration.
struct DeclarationShape {
    bool has_dependants = false;
    bool rural = false;              // TEMRURAL = "S"
    bool rural_abroad = false;       // AAR_EXTER = "S"
    bool digital_cash_book = false;  // rural TIPO_LANCA = 2
};
std::vector<MenuEntry> declaration_menu(const DeclarationShape& shape);

// The command a key runs at the declaration menu (window style), by key name ("F1", "CTRL+F3",
// "ALT+F3", "ALT+X", "ESC" ...). Esc and Alt+T give 17 (end of the declaration, with the
// question). F12 gives 101; the caller tells "Sem Atividade Rural" without rural activity.
std::optional<int> declaration_hotkey(std::string_view key);

// Finds an entry by code and arguments anywhere in a tree; nullptr when absent.
const MenuEntry* find_entry(const std::vector<MenuEntry>& tree, int code, int arg = 0,
                            int arg2 = 0);

// The sheet-type captions of the print selection for a given item (QUEIMP) and how many there
// are; the page captions likewise.
std::vector<std::string> sheet_types(int queimp);
std::vector<std::string> page_choices(int queimp);
// The number of sheet types each of the 16 print items has.
int sheet_type_count(int queimp);
// The highest page choice of a print item (11, 11, 3, then 1).
int page_choice_count(int queimp);
// The 16 print items.
const std::vector<std::string>& print_items();

}  // namespace vorn::shell
