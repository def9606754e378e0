#pragma once

// The program's string table: texts looked up by number. Message boxes of the shell and the
// reporters take their texts from here; the menus and the status bar take their prompts from here.
// Plain C++ so that every layer can read it.

#include <string_view>

namespace Orvanta {

struct StringResource {
    int id;
    std::string_view text;
};

// Numbers with a meaning of their own in the code.
enum StringId : int {
    kIdsApplicationTitle = 3072,   // caption of every message box
    kIdsManualFile = 3080,         // the user manual beside the program file
    kIdsNoWorkFolder = 3082,       // the work folder cannot be created
    kIdsUndefinedError = 3085,     // a failure without a text of its own
    kIdsMainFrame = 4096,          // the main window's resource (title)
    kIdsMissingSourceFiles = 4097, // files of a project have disappeared
    kIdsProjectTemplate = 4107,    // the project document template's seven fields
    kIdsIdleMessage = 57345,       // the status bar's idle text
    kIdsSaveChanges = 61699,       // the save-changes prompt; %1 is the project's name
};

// Sorted by number. Command prompts: the text before "\n" goes to the status bar, the text after it
// is the tool tip.
inline constexpr StringResource kStringTable[] = {
    {3072, "Orvanta Librarian"},
    {3080, "OrvantaLibrarianManual.htm"},
    {3082, "Unable to create a work folder."},
    {3085, "Undefined error."},
    {4096, "Orvanta Librarian"},
    {4097, "Some patch/wave files within the project cannot be found because they have been deleted, moved, or "
           "renamed."},
    {4107, "\nUntitled\nOrvantaLibrarian\nOrvanta Librarian Projects (*.prj)\n.prj\nOrvantaLibrarian.Document\n"
           "Orvanta Librarian Document"},
    {32854, "Set up font\nSet up font"},
    {32858, "Orvanta Librarian Manual\nOrvanta Librarian Manual"},
    {32863, "Set up grid\nSet up grid"},
    {32864, "Clean project\nClean project"},
    {32865, "Import wave\nImport wave"},
    {32866, "Show what saving the active project would do to its files\nPreview Save"},
    {32880, "Play the selected wave, or stop playing\nPlay"},
    {32881, "Stop playing\nStop"},
    {32890, "Find slots by name in every open project\nFind"},
    {32891, "Go to the next slot whose name was found\nFind Next"},
    {32892, "Select a slot by its number in the list you work in\nGo to Slot"},
    {32893, "List duplicate waves and patches and merge duplicate waves\nDuplicates"},
    {32894, "Insert the copied rows at the current row\nPaste Insert"},
    {32895, "List the changes since the projects were opened or saved, and go back or forward\nHistory"},
    {32900,
     "Import sound files of any format, converting those the instrument does not play to WAV\nImport and Convert"},
    {32901, "Write the selected waves' files into a folder\nExport Waves"},
    {57088, "Delete the selection\nDelete"},
    {57150, "Maximize height\nMaximize height"},
    {57151, "Maximize width\nMaximize width"},
    {57152, "Save current position\nSave current position"},
    {57344, "Orvanta Librarian"},
    {57345, "Ready"},
    {57600, "Create a new project\nCreate a new project"},
    {57601, "Open project\nOpen"},
    {57602, "Close project\nClose"},
    {57603, "Save project\nSave"},
    {57604, "Save project as\nSave As"},
    {57634, "Copy the selection\nCopy"},
    {57635, "Cut the selection: it is emptied when pasted\nCut"},
    {57637, "Overwrite from the current row with the copied rows\nPaste"},
    {57642, "Select all\nSelect all"},
    {57643, "Undo\nUndo"},
    {57649, "Arrange icons\nArrange icons"},
    {57650, "Cascade windows\nCascade windows"},
    {57651, "Tile windows horizontally\nTile windows horizontally"},
    {57652, "Tile windows vertically\nTile windows vertically"},
    {57664, "About Orvanta Librarian\nAbout Orvanta Librarian"},
    {57665, "Exit\nExit"},
    {59392, "Show or hide tool bar\nTool Bar"},
    {59393, "Show or hide status bar\nStatus Bar"},
    {61699, "Save changes to %1?"},
    {65535, "Move to top\nMove to top"},
};

// The text of string `id`; empty when the table has no such number.
constexpr std::string_view LoadStringResource(int id) {
    for (const StringResource& entry : kStringTable) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

} // namespace Orvanta
