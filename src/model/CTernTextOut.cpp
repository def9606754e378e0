#include "model/CTernTextOut.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace Orvanta {

const char* ErrorText(int code) {
    switch (code) {
    case kErrorLoad:
        return "This project could not be loaded.";
    case kErrorSave:
        return "This project could not be saved.";
    case kErrorWaveSpace:
        return "There is insufficient free wave space.";
    case kErrorWaveSize:
        return "Can't add wave; the total size of all waves would exceed 50 MB.";
    case kErrorImport:
        return "Files could not be imported.";
    default:
        return "Undefined error.";
    }
}

const char* QuestionText(int question) {
    switch (question) {
    case kAskReplaceProject:
        return "Project already exists. Do you want to replace it?";
    case kAskCleanAndSave:
        return "The project will be cleaned and then saved. OK to execute?";
    case kAskDelete:
        return "OK to delete?";
    case kAskOverwrite:
        return "Do you want to delete the existing data and overwrite it?";
    case kAskInsert:
        return "Do you want to delete the last data, and then insert?";
    case kAskOpenElsewhere:
        return "This project is open in another program. Do you want to open it anyway?";
    case kAskSaveChangedOnDisk:
        return "Files of this project were changed by another program since it was opened. Do you want to save "
               "anyway?";
    case kAskReplaceExported:
        return "Files of these names are already in the folder. Do you want to replace them?";
    default:
        return "";
    }
}

void CTernTextOut::Error(int /*code*/) {}

void CTernTextOut::Warning(const std::string& /*text*/) {}

void CTernTextOut::Write(const std::string& text) {
    std::string out;
    out.reserve(text.size() + m_indent.size());
    for (const char c : text) {
        if (m_atLineStart) {
            out += m_indent;
        }
        out += c;
        m_atLineStart = c == '\n';
    }
    Sink(out);
}

void CTernTextOut::Printf(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    std::vsnprintf(buffer, sizeof buffer, format, args);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    va_end(args);
    Write(buffer);
}

void CTernTextOut::Indent(int delta) {
    const int length = std::max(0, static_cast<int>(m_indent.size()) + delta);
    m_indent.assign(static_cast<std::size_t>(length), ' ');
}

int CTernTextOut::Ask(int /*buttons*/, int /*question*/) {
    return 0;
}

void CTernTextOut::ErrorWithDetail(int code, const std::string& /*detail*/) {
    Error(code);
}

void CTernTextOut::ReportRecovery(const std::string& /*text*/) {}

int CTernTextOut::Reserved(int /*first*/, int /*second*/) {
    return 0;
}

void CTernTextOut::Sink(const std::string& /*text*/) {}

} // namespace Orvanta
