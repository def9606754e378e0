#pragma once

// The menus of the main window, as plain tables. Menu 4096 is shown while no project window is
// active, menu 4107 while one is. In an item's text "\t" separates the accelerator text.

#include <span>
#include <string_view>

namespace Orvanta {

struct MenuItemResource {
    // A command number; kMenuSeparator for a separator line, kMenuRecentFiles for the place of the
    // recent-file entries, kMenuWindowList for the item that becomes the window-list pop-up.
    int command;
    std::string_view text;
};

inline constexpr int kMenuSeparator = 0;
inline constexpr int kMenuRecentFiles = -1;
inline constexpr int kMenuWindowList = 57112;

struct MenuResource {
    std::string_view title;
    std::span<const MenuItemResource> items;
};

namespace MenuTables {

inline constexpr MenuItemResource kFile4096[] = {
    {57600, "&New\tCtrl+N"}, {57601, "&Open...\tCtrl+O"},
    {kMenuSeparator, ""},    {kMenuRecentFiles, "Open Most Recently Used File"},
    {kMenuSeparator, ""},    {57665, "E&xit"},
};

inline constexpr MenuItemResource kHelp[] = {
    {32858, "Orvanta Librarian &Manual"},
    {kMenuSeparator, ""},
    {57664, "&About Orvanta Librarian..."},
};

// One item a line, as the menu shows them.
// clang-format off
inline constexpr MenuItemResource kFile4107[] = {
    {57600, "&New\tCtrl+N"},
    {57601, "&Open...\tCtrl+O"},
    {57602, "&Close"},
    {57603, "&Save\tCtrl+S"},
    {57604, "Save &As..."},
    {32866, "Pre&view Save..."},
    {kMenuSeparator, ""},
    {32864, "Clean &Project..."},
    {32865, "&Import Wave..."},
    {32900, "Import and &Convert..."},
    {kMenuSeparator, ""},
    {kMenuRecentFiles, "Open Most Recently Used File"},
    {kMenuSeparator, ""},
    {57665, "E&xit"},
};
// clang-format on

inline constexpr MenuItemResource kEdit[] = {
    {57643, "&Undo\tCtrl+Z"},
    {32895, "&History..."},
    {kMenuSeparator, ""},
    {57635, "Cu&t\tCtrl+X"},
    {57634, "&Copy\tCtrl+C"},
    {57637, "&Paste\tCtrl+V"},
    {32894, "Paste &Insert\tCtrl+Shift+V"},
    {kMenuSeparator, ""},
    {57088, "&Delete\tDEL"},
    {57642, "Select &All\tCtrl+A"},
    {kMenuSeparator, ""},
    {32880, "&Play\tSpace"},
    {kMenuSeparator, ""},
    {32890, "&Find...\tCtrl+F"},
    {32891, "Find &Next\tF3"},
    {32892, "&Go to Slot...\tCtrl+J"},
    {32893, "Dupli&cates..."},
};

inline constexpr MenuItemResource kWave[] = {
    {32900, "Import and &Convert..."},
    {32901, "E&xport Waves..."},
};

inline constexpr MenuItemResource kView[] = {
    {59392, "&Tool Bar"},
    {59393, "&Status Bar"},
};

inline constexpr MenuItemResource kSetup[] = {
    {32854, "Set Up &Font..."},
    {32863, "Set Up &Grid..."},
    {kMenuSeparator, ""},
    {32896, "Deleted Files to the &Trash"},
};

inline constexpr MenuItemResource kWindow[] = {
    {kMenuWindowList, "Move to &Top\tCtrl+G"},
    {kMenuSeparator, ""},
    {57150, "Maximize &Height"},
    {57151, "Maximize &Width"},
    {57152, "&Save Current Position"},
    {kMenuSeparator, ""},
    {57650, "&Cascade Windows"},
    {57651, "Tile Windows H&orizontally"},
    {57652, "Tile Windows &Vertically"},
    {57649, "&Arrange Icons"},
};

inline constexpr MenuResource kMenu4096[] = {
    {"&File", kFile4096},
    {"&Help", kHelp},
};

inline constexpr MenuResource kMenu4107[] = {
    {"&File", kFile4107}, {"&Edit", kEdit},     {"W&ave", kWave}, {"&View", kView},
    {"&Setup", kSetup},   {"&Window", kWindow}, {"&Help", kHelp},
};

} // namespace MenuTables

// Menu 4096 or 4107; empty for any other number.
constexpr std::span<const MenuResource> LoadMenuResource(int id) {
    if (id == 4096) {
        return MenuTables::kMenu4096;
    }
    if (id == 4107) {
        return MenuTables::kMenu4107;
    }
    return {};
}

struct AcceleratorResource {
    int command;
    std::string_view keys; // in the form QKeySequence reads ("Ctrl+N", "Del", "F1")
};

namespace AcceleratorTables {

inline constexpr AcceleratorResource k4096[] = {
    {57600, "Ctrl+N"},
    {57601, "Ctrl+O"},
};

inline constexpr AcceleratorResource k4107[] = {
    {32858, "F1"},     {57642, "Ctrl+A"}, {57643, "Ctrl+Z"}, {57600, "Ctrl+N"},
    {57601, "Ctrl+O"}, {57603, "Ctrl+S"}, {57088, "Del"},    {57112, "Ctrl+G"},
    {32880, "Space"},  {32890, "Ctrl+F"}, {32891, "F3"},     {32892, "Ctrl+J"},
    {57635, "Ctrl+X"}, {57634, "Ctrl+C"}, {57637, "Ctrl+V"}, {32894, "Ctrl+Shift+V"},
};

} // namespace AcceleratorTables

// Accelerator table 4096 or 4107; empty for any other number.
constexpr std::span<const AcceleratorResource> LoadAcceleratorResource(int id) {
    if (id == 4096) {
        return AcceleratorTables::k4096;
    }
    if (id == 4107) {
        return AcceleratorTables::k4107;
    }
    return {};
}

// Tool bar 4096: command numbers in order, kMenuSeparator for a gap.
inline constexpr int kToolBar4096[] = {57600, 57601, 57603, kMenuSeparator, 57643, 57088, kMenuSeparator, 32858};

} // namespace Orvanta
