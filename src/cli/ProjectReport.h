#pragma once

#include "sound/SoundFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Orvanta {
class CTernFileDocument;
}

namespace Orvanta::Cli {

// What "info" and "print" show of a project: its used slots, its wave memory, the files a save in
// place would delete and the files it refers to that are not there.
struct CPatchEntry {
    int number = 0;         // slot number, from 1
    std::string name;       // display name
    std::string file;       // source path: where the patch's data lies now
    std::vector<int> waves; // wave numbers the patch uses, ascending
};

struct CWaveEntry {
    int number = 0;
    std::string name;
    std::string file;
    std::int64_t bytes = 0; // size of the source file; 0 when it is not there
    std::vector<int> users; // numbers of the patches that use the wave, ascending
};

struct CProjectReport {
    std::string path; // project folder; empty for an untitled project
    std::vector<CPatchEntry> patches;
    std::vector<CWaveEntry> waves;
    std::int64_t waveBytes = 0;
    std::string waveMemory; // the total wave size as the project window shows it
    std::vector<std::string> pendingDeletions;
    std::vector<std::string> missing;     // source paths of used slots with no file there
    std::vector<SoundAnalysis> waveAudio; // after ReadAudio: one per wave, in the order of `waves`
};

// Reads the report off a project document as it is in memory now. Nothing is changed. Sizes and
// missing files are looked up on disk, unless `justLoaded` says that the document was loaded just
// now: then every file was there as loading opened it, with the size it had then.
[[nodiscard]] CProjectReport BuildReport(const CTernFileDocument& document, bool justLoaded = false);

// Loads the project folder `path` into `document` (looking, never recovering an interrupted save)
// and reports it with its waves' sound details, each read from the load's one open of the file.
// False when the project does not load.
bool LoadReport(CTernFileDocument& document, const std::string& path, CProjectReport& report);

// Reads each wave's sound details (one pass over each file) into the report.
void ReadAudio(CProjectReport& report);

// The report as text for a reader, one line per used slot. Names and paths pass through
// TerminalText. After ReadAudio a wave's line shows its duration and rate ("1.50 s, 44100 Hz"),
// "no preview" for a file that cannot be read, or "-" for the instrument's own waves.
[[nodiscard]] std::string FormatReportText(const CProjectReport& report);

// The report as one JSON object on one line: {"path", "patches": [{"number", "name", "file",
// "waves"}], "waves": [{"number", "name", "file", "bytes", "users"}], "waveBytes", "waveMemory",
// "pendingDeletions", "missing"}. After ReadAudio each wave also holds "audio": {"format",
// "sampleRate", "channels", "bits", "frames", "seconds", "peak"}, or "audio": null and "audioError".
[[nodiscard]] std::string FormatReportJson(const CProjectReport& report);

// `text` safe to print on a terminal: every byte below 0x20 and 0x7F (DEL) is written as "\x" and
// two lower-case hex digits ("\x1b" for ESC), so that a file name cannot send escape sequences or
// break a line. A backslash is written "\\", so that a name that really holds "\x1b" reads
// differently from one holding ESC; every other byte, UTF-8 included, is kept.
[[nodiscard]] std::string TerminalText(const std::string& text);

// A JSON string literal of `text`: quotes, backslashes and control characters (below 0x20, and DEL)
// escaped; bytes that are not valid UTF-8 become U+FFFD so that the output stays valid JSON.
[[nodiscard]] std::string JsonString(const std::string& text);

} // namespace Orvanta::Cli
