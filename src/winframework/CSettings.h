#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <span>

class QSettings;

namespace Orvanta {

// Every value the program keeps in the per-user settings store. The store is QSettings with
// organisation "Veltrane" and application "Orvanta Librarian" in the native format (the registry
// on Windows, a settings file elsewhere), one group per section.
enum class SettingId : int {
    FontFaceName,          // "Option"/"FontFaceName": face name of the list font
    FontAttribute,         // "Option"/"FontAttribute": the 13 other font attributes, see CFontEx
    FontColor,             // "Option"/"FontColor": text colour 0x00BBGGRR
    GridSw,                // "Option"/"GridSw": grid lines in the lists (0 off, 1 on)
    WaveOption,            // "Option"/"WaveOption": clean keeps unused user waves
    PatchOption,           // "Option"/"PatchOption": clean keeps the patch numbering
    OpenFolderName,        // "OpenFolder"/"FolderName": last project opened or saved
    RecentFile,            // "Recent File List"/"File%d", 1 to 8
    WindowPosition,        // "Window"/"Position": main window left,top,width,height
    WindowMaximized,       // "Window"/"Maximized": main window was maximised
    ChildWindowPosition,   // "Window"/"Position%d": a child window's place, by placement identifier
    StoredFileVersion,     // "Version"/"FileVersion": program version that last closed the window
    ControlBarState,       // "ControlBar"/"State": tool-bar and status-bar layout
    PatchListColumnWidth,  // "PatchListCtrl"/"ColumnWidth": column widths of the patch list
    WaveListColumnWidth,   // "WaveListCtrl"/"ColumnWidth": column widths of the wave list
    WavInitialDirectory,   // "WAV"/"InitialDirectory": folder of the Import Wave dialog
    WavInitialFileName,    // "WAV"/"InitialFileName": file name of the Import Wave dialog
    WavInitialFilterIndex, // "WAV"/"InitialFilterIndex": filter of the Import Wave dialog (1-based)
    MoveToTrash,           // "Option"/"MoveToTrash": files a save deletes go to the trash (1, default) or away (0)
    Count
};

enum class SettingType { String, Integer, Bytes };

struct SettingSpec {
    SettingId id;
    const char* section;
    const char* name; // may hold one "%d", filled by the caller's number
    SettingType type;
    const char* defaultText; // for strings
    int defaultInteger;      // for integers
};

// Typed access through the one table of sections, value names and defaults.
class CSettings {
public:
    static constexpr const char* kOrganisation = "Veltrane";
    static constexpr const char* kApplication = "Orvanta Librarian";
    static constexpr int kRecentFileCount = 8;
    // Widths of the list columns when the stored text has no token for a column.
    static constexpr int kDefaultNumberColumnWidth = 56;
    static constexpr int kDefaultOtherColumnWidth = 136;

    static std::span<const SettingSpec> Table();
    static const SettingSpec& Spec(SettingId id);
    // The value name with its number filled in ("File3", "Position4107").
    static QString ValueName(SettingId id, int number = 0);

    static QString ReadString(SettingId id, int number = 0);
    static void WriteString(SettingId id, const QString& value, int number = 0);
    static int ReadInt(SettingId id, int number = 0);
    static void WriteInt(SettingId id, int value, int number = 0);
    static QByteArray ReadBytes(SettingId id, int number = 0);
    static void WriteBytes(SettingId id, const QByteArray& value, int number = 0);
    static bool Contains(SettingId id, int number = 0);
    static void Remove(SettingId id, int number = 0);

    // Access by section and value name, for parts that are handed the names by their caller (the
    // remembering file dialog, the list controls, the font).
    static QString ReadProfileString(const QString& section, const QString& name, const QString& fallback);
    // Whether a value of that name is stored at all.
    static bool ContainsProfileValue(const QString& section, const QString& name);
    static void WriteProfileString(const QString& section, const QString& name, const QString& value);
    // A stored text that is not a decimal integer reads as the fallback.
    static int ReadProfileInt(const QString& section, const QString& name, int fallback);
    static void WriteProfileInt(const QString& section, const QString& name, int value);

    // The recent-file list: File1 .. File8, most recent first; empty entries end the list.
    static QStringList ReadRecentFiles();
    static void WriteRecentFiles(const QStringList& paths);

    // Column widths: the text split at ","; token i gives column i by the "%i" rule (leading blanks,
    // an optional "-", then decimal, "0x" hexadecimal or leading-zero octal; unreadable gives 0); a
    // missing or empty token gives 56 for column 0 and 136 for the others. Widths below 0 become 0.
    static QList<int> ParseColumnWidths(const QString& text, int columnCount);
    // Decimal widths joined by "," ("56,136").
    static QString FormatColumnWidths(const QList<int>& widths);
    // Integers written with "%d,%d,...": blanks before each, an optional sign, decimal digits, and
    // exactly one comma between numbers. Reading stops at the first field that does not fit, as
    // the C scan does; at most `maxCount` are read.
    static QList<int> ScanDecimalList(QStringView text, int maxCount);
    // One integer by the "%i" rule; `ok` tells whether any digit was read.
    static int ScanInteger(QStringView text, bool* ok = nullptr);

    // The store itself; every access opens it anew (QSettings shares the file between instances).
    static std::unique_ptr<QSettings> Open();
};

} // namespace Orvanta
