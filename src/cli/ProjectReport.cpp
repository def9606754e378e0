#include "cli/ProjectReport.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/Utf8.h"
#include "operations/WaveSpace.h"
#include "storage/CTernFileDocument.h"
#include "storage/ProjectNaming.h"
#include "storage/WaveImport.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace Orvanta::Cli {

namespace {

// Whether the file is there; opens nothing, so that a report adds no open to the load's one.
bool CanOpen(const std::string& path) {
    return CTernFileDocument::IsPresentFile(path);
}

// Length of the valid UTF-8 sequence at `pos`, or 0 when the bytes there are not one.
std::size_t ValidUtf8Length(const std::string& text, std::size_t pos) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(pos);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead < 0x80U) {
        return 1;
    }
    if ((lead & 0xE0U) == 0xC0U) {
        length = 2;
        minimum = 0x80U;
        code = lead & 0x1FU;
    } else if ((lead & 0xF0U) == 0xE0U) {
        length = 3;
        minimum = 0x800U;
        code = lead & 0x0FU;
    } else if ((lead & 0xF8U) == 0xF0U) {
        length = 4;
        minimum = 0x10000U;
        code = lead & 0x07U;
    } else {
        return 0;
    }
    if (pos + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0U) != 0x80U) {
            return 0;
        }
        code = (code << 6U) | (byte(pos + i) & 0x3FU);
    }
    const bool surrogate = code >= 0xD800U && code <= 0xDFFFU;
    return code < minimum || code > 0x10FFFFU || surrogate ? 0 : length;
}

std::string JoinNumbers(const std::vector<int>& numbers, const char* separator) {
    std::string text;
    for (const int number : numbers) {
        if (!text.empty()) {
            text += separator;
        }
        text += std::to_string(number);
    }
    return text;
}

std::string JsonNumbers(const std::vector<int>& numbers) {
    return "[" + JoinNumbers(numbers, ",") + "]";
}

std::string JsonStrings(const std::vector<std::string>& texts) {
    std::string json = "[";
    for (const std::string& text : texts) {
        json += (json.size() > 1 ? "," : "") + JsonString(text);
    }
    return json + "]";
}

// `text` padded with blanks to `width` characters.
std::string Padded(const std::string& text, std::size_t width) {
    const std::size_t length = Utf8Length(text);
    return length >= width ? text : text + std::string(width - length, ' ');
}

// A path for the reader: relative to the project folder when it lies inside it.
std::string ShownPath(const std::string& path, const std::string& projectPath) {
    if (!projectPath.empty() && path.rfind(projectPath, 0) == 0) {
        return path.substr(projectPath.size());
    }
    return path;
}

std::string Slot(int number) {
    std::string text = FormatSlotNumber(number);
    return text.substr(0, text.size() - 1);
}

void AppendList(std::string& out, const char* title, const std::vector<std::string>& paths) {
    out += title;
    if (paths.empty()) {
        out += " none\n";
        return;
    }
    out += "\n";
    for (const std::string& path : paths) {
        out += "  " + TerminalText(path) + "\n";
    }
}

// A JSON number with at most `decimals` decimals, trailing zeros dropped ("1.5", "0.022676", "1").
std::string JsonDecimal(double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

// The sound details ReadAudio found for wave `index`, or null when it has not run.
const SoundAnalysis* AudioOf(const CProjectReport& report, std::size_t index) {
    return report.waveAudio.size() == report.waves.size() ? &report.waveAudio[index] : nullptr;
}

std::string JsonAudio(const SoundAnalysis* analysis) {
    if (analysis == nullptr) {
        return {};
    }
    if (!analysis->details) {
        return ",\"audio\":null,\"audioError\":" + JsonString(analysis->reason);
    }
    const SoundDetails& audio = *analysis->details;
    return ",\"audio\":{\"format\":" + JsonString(audio.format) +
           ",\"sampleRate\":" + std::to_string(audio.sampleRate) + ",\"channels\":" + std::to_string(audio.channels) +
           ",\"bits\":" + std::to_string(audio.bits) + ",\"frames\":" + std::to_string(audio.frames) +
           ",\"seconds\":" + JsonDecimal(audio.seconds, 6) + ",\"peak\":" + JsonDecimal(audio.peak, 6) + "}";
}

// Duration and rate of a wave for the text form, in a column of its own.
std::string TextAudio(const SoundAnalysis* analysis, const std::string& file) {
    if (analysis == nullptr) {
        return {};
    }
    std::string text = "-";
    if (analysis->details) {
        char shown[64];
        std::snprintf(shown, sizeof shown, "%.2f s, %d Hz", analysis->details->seconds, analysis->details->sampleRate);
        text = shown;
    } else if (!IsInstrumentWavePath(file)) {
        text = "no preview";
    }
    return Padded(text, 19) + "  ";
}

} // namespace

CProjectReport BuildReport(const CTernFileDocument& document, bool justLoaded) {
    const CTernData& data = document.Data();
    CProjectReport report;
    report.path = data.m_projectPath;
    for (std::size_t i = 0; i < data.m_patches.size(); ++i) {
        const CPatch& patch = data.m_patches[i];
        if (patch.IsEmpty()) {
            continue;
        }
        CPatchEntry entry{static_cast<int>(i + 1), patch.m_name, patch.m_path, {}};
        for (const int wave : patch.UsedWaves()) {
            if (wave != 0) {
                entry.waves.push_back(wave);
            }
        }
        report.patches.push_back(std::move(entry));
        if (!justLoaded && !CanOpen(patch.m_path)) {
            report.missing.push_back(patch.m_path);
        }
    }
    for (std::size_t j = 0; j < data.m_waves.size(); ++j) {
        const CWave& wave = data.m_waves[j];
        if (wave.IsEmpty()) {
            continue;
        }
        const std::int64_t bytes = justLoaded ? WaveFileSize(wave) : CDomain::Instance().FileSize(wave.m_path);
        CWaveEntry entry{static_cast<int>(j + 1), wave.m_name, wave.m_path, bytes, {}};
        for (const std::int32_t user : wave.m_users) {
            entry.users.push_back(user + 1);
        }
        std::sort(entry.users.begin(), entry.users.end());
        entry.users.erase(std::unique(entry.users.begin(), entry.users.end()), entry.users.end());
        report.waveBytes += entry.bytes;
        report.waves.push_back(std::move(entry));
        if (!justLoaded && !CanOpen(wave.m_path)) {
            report.missing.push_back(wave.m_path);
        }
    }
    // The sizes just found, summed as the wave memory sums them.
    report.waveMemory = FormatByteSize(report.waveBytes);
    report.pendingDeletions = document.PendingDeletions();
    return report;
}

bool LoadReport(CTernFileDocument& document, const std::string& path, CProjectReport& report) {
    std::vector<SoundAnalysis> audio(kWaveSlots);
    document.SetWaveReader([&audio, &document](std::size_t slot, CFile& file) {
        const CWave& wave = document.Data().m_waves[slot];
        audio[slot] = AnalyseSound(file, wave.m_knownStamp.size, wave.m_path, 0);
    });
    const bool loaded = document.OpenProjectFolder(path, CTernFileDocument::Recovery::kRefuse);
    document.SetWaveReader(nullptr);
    if (loaded) {
        report = BuildReport(document, true);
        for (const CWaveEntry& wave : report.waves) {
            report.waveAudio.push_back(std::move(audio[static_cast<std::size_t>(wave.number - 1)]));
        }
    }
    return loaded;
}

void ReadAudio(CProjectReport& report) {
    report.waveAudio.clear();
    for (const CWaveEntry& wave : report.waves) {
        report.waveAudio.push_back(AnalyseSound(ToNativePath(wave.file), 0));
    }
}

std::string FormatReportText(const CProjectReport& report) {
    std::string out =
        "Project: " + (report.path.empty() ? std::string("(untitled)") : TerminalText(report.path)) + "\n";
    out += "Patches: " + std::to_string(report.patches.size()) + " used\n";
    for (const CPatchEntry& patch : report.patches) {
        const std::string waves = patch.waves.empty() ? "-" : JoinNumbers(patch.waves, ",");
        out += "  " + Slot(patch.number) + "  " + Padded(TerminalText(patch.name), 12) + "  waves " +
               Padded(waves, 11) + "  " + TerminalText(ShownPath(patch.file, report.path)) + "\n";
    }
    out += "Waves: " + std::to_string(report.waves.size()) + " used\n";
    for (std::size_t j = 0; j < report.waves.size(); ++j) {
        const CWaveEntry& wave = report.waves[j];
        const std::string users = wave.users.empty() ? "-" : JoinNumbers(wave.users, ",");
        char bytes[32];
        std::snprintf(bytes, sizeof bytes, "%10lld", static_cast<long long>(wave.bytes));
        out += "  " + Slot(wave.number) + "  " + Padded(TerminalText(wave.name), 12) + "  " + bytes + " bytes  users " +
               Padded(users, 11) + "  " + TextAudio(AudioOf(report, j), wave.file) +
               TerminalText(ShownPath(wave.file, report.path)) + "\n";
    }
    out += "Total wave size: " + report.waveMemory + " (" + std::to_string(report.waveBytes) + " bytes)\n";
    AppendList(out, "Files a save in place would delete:", report.pendingDeletions);
    AppendList(out, "Missing files:", report.missing);
    return out;
}

std::string FormatReportJson(const CProjectReport& report) {
    std::string json = "{\"path\":" + JsonString(report.path) + ",\"patches\":[";
    for (std::size_t i = 0; i < report.patches.size(); ++i) {
        const CPatchEntry& patch = report.patches[i];
        json += (i > 0 ? "," : "") + std::string("{\"number\":") + std::to_string(patch.number) +
                ",\"name\":" + JsonString(patch.name) + ",\"file\":" + JsonString(patch.file) +
                ",\"waves\":" + JsonNumbers(patch.waves) + "}";
    }
    json += "],\"waves\":[";
    for (std::size_t j = 0; j < report.waves.size(); ++j) {
        const CWaveEntry& wave = report.waves[j];
        json += (j > 0 ? "," : "") + std::string("{\"number\":") + std::to_string(wave.number) +
                ",\"name\":" + JsonString(wave.name) + ",\"file\":" + JsonString(wave.file) +
                ",\"bytes\":" + std::to_string(wave.bytes) + ",\"users\":" + JsonNumbers(wave.users) +
                JsonAudio(AudioOf(report, j)) + "}";
    }
    json += "],\"waveBytes\":" + std::to_string(report.waveBytes) + ",\"waveMemory\":" + JsonString(report.waveMemory) +
            ",\"pendingDeletions\":" + JsonStrings(report.pendingDeletions) +
            ",\"missing\":" + JsonStrings(report.missing) + "}";
    return json;
}

std::string TerminalText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20U || byte == 0x7FU) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else if (c == '\\') {
            shown += "\\\\";
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c == '\r') {
            json += "\\r";
        } else if (byte < 0x20U || byte == 0x7FU) {
            // DEL needs no escape in JSON, but escaped it cannot reach a terminal either.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else if (byte >= 0x80U) {
            const std::size_t length = ValidUtf8Length(text, pos);
            if (length == 0) {
                json += "\\ufffd";
                ++pos;
                continue;
            }
            json.append(text, pos, length);
            pos += length;
            continue;
        } else {
            json += c;
        }
        ++pos;
    }
    return json + "\"";
}

} // namespace Orvanta::Cli
