#pragma once

#include <QString>

namespace Orvanta {

// The installed desktop entry's name (without ".desktop"), which is also the icon's name in the theme.
inline constexpr const char* kDesktopEntryId = "com.veltrane.OrvantaLibrarian";

// Path texts of the shell.

// Whether two project paths name the same folder: equal in the core's form, or the same folder on
// disk reached by two paths (a symbolic link, another spelling).
bool IsSameProjectFolder(const QString& first, const QString& second);

// The "OpenFolder"/"FolderName" value for a path: the path with one native separator appended.
QString FolderNameValue(const QString& path);
// The folder that holds the path of a "FolderName" value: trailing separators dropped, then the
// text before the last separator ("/" or "\"), or the whole text when there is none.
QString ParentOfFolderName(const QString& folderName);

// Where the user manual named fileName lies for a program in programFolder: beside the program (the
// build tree, a program folder of its own), else where an installation puts it, in
// ../share/orvanta-librarian from the program's folder. When neither holds it, the path beside the
// program, which the failure message then names.
QString ManualPathFrom(const QString& programFolder, const QString& fileName);

} // namespace Orvanta
