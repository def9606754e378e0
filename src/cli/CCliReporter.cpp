#include "cli/CCliReporter.h"

#include <algorithm>

namespace Orvanta::Cli {

int AnswerFor(int buttons, bool yes) {
    switch (buttons) {
    case kButtonsOkCancel:
        return yes ? kAnswerOk : kAnswerCancel;
    case kButtonsYesNo:
    case kButtonsYesNoCancel:
        return yes ? kAnswerYes : kAnswerNo;
    default:
        return kAnswerOk;
    }
}

void CCliReporter::Error(int code) {
    ++m_errorCount;
    m_out << "error: " << ErrorText(code) << std::endl;
}

int CCliReporter::Ask(int buttons, int question) {
    const int answer = AnswerFor(buttons, m_answerYes);
    const bool confirmed = answer == kAnswerOk || answer == kAnswerYes;
    m_out << "question: " << QuestionText(question) << " -> " << (confirmed ? "yes" : "no") << std::endl;
    if (question == kAskOpenElsewhere || question == kAskSaveChangedOnDisk) {
        // What the question is about decides the answer a script wants; the lines say it.
        ErrorDetail(QuestionDetail());
    }
    return answer;
}

void CCliReporter::ErrorWithDetail(int code, const std::string& detail) {
    Error(code);
    ErrorDetail(detail);
}

void CCliReporter::ErrorDetail(const std::string& detail) {
    std::size_t start = 0;
    while (start < detail.size()) {
        const std::size_t end = std::min(detail.find('\n', start), detail.size());
        m_out << "  " << detail.substr(start, end - start) << "\n";
        start = end + 1;
    }
    m_out << std::flush;
}

void CCliReporter::ReportRecovery(const std::string& text) {
    m_out << "recovered: " << text << std::endl;
}

void CCliReporter::Warning(const std::string& text) {
    m_out << "warning: " << text << std::endl;
}

void CCliReporter::Sink(const std::string& text) {
    m_out << text << std::flush;
}

} // namespace Orvanta::Cli
