#pragma once

namespace Orvanta {

// Command identifiers of the menus, the accelerators and the tool bar. The status-bar prompt and
// the tool tip of a command are string resources of the same number.
enum CommandId : int {
    kCmdFileNew = 57600,
    kCmdFileOpen = 57601,
    kCmdFileClose = 57602,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdFileMruFirst = 57616, // 57616 .. 57623: the recent-file entries
    kCmdAppExit = 57665,
    kCmdEditUndo = 57643,
    kCmdEditDelete = 57088,
    kCmdEditSelectAll = 57642,
    kCmdViewToolBar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdSetUpFont = 32854,
    kCmdSetUpGrid = 32863,
    kCmdCleanProject = 32864,
    kCmdImportWave = 32865,
    kCmdFilePreviewSave = 32866,
    kCmdEditPlay = 32880, // plays the selected wave, or stops what plays
    kCmdEditStop = 32881, // Esc while a wave plays (no menu item)
    kCmdEditFind = 32890,
    kCmdEditFindNext = 32891,
    kCmdEditGoToSlot = 32892,
    kCmdEditDuplicates = 32893,
    kCmdEditPasteInsert = 32894,
    kCmdEditHistory = 32895,
    kCmdSetUpTrash = 32896, // checked: the files a save deletes go to the desktop's trash
    kCmdEditCopy = 57634,
    kCmdEditCut = 57635,
    kCmdEditPaste = 57637,

    kCmdImportAndConvert = 32900, // sound files of any format, converted to WAV where needed
    kCmdExportWaves = 32901,      // the selected waves' files into a folder
    kCmdHelpManual = 32858,
    kCmdAppAbout = 57664,
    kCmdWindowList = 57112,
    kCmdMaximizeHeight = 57150,
    kCmdMaximizeWidth = 57151,
    kCmdSaveCurrentPosition = 57152,
    kCmdWindowArrange = 57649,
    kCmdWindowCascade = 57650,
    kCmdWindowTileHorizontally = 57651,
    kCmdWindowTileVertically = 57652,
};

// Resource numbers of the shell.
enum ShellResourceId : int {
    kIdrMainFrame = 4096,       // menu, accelerators, tool bar and icon of the main window
    kIdrProjectTemplate = 4107, // the project template: its menu, accelerators and icon
};

} // namespace Orvanta
