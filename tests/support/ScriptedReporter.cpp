#include "ScriptedReporter.h"

#include "model/CDomain.h"

namespace Orvanta::TestSupport {

std::shared_ptr<ScriptedReporter> ScriptedReporter::Install() {
    auto reporter = std::make_shared<ScriptedReporter>();
    CDomain::Instance().SetReporter(0, reporter);
    return reporter;
}

void ScriptedReporter::Uninstall() {
    CDomain::Instance().SetReporter(0, nullptr);
}

void ScriptedReporter::Error(int code) {
    m_errors.push_back(code);
}

int ScriptedReporter::Ask(int buttons, int question) {
    m_questions.push_back({buttons, question});
    m_questionDetails.push_back(QuestionDetail());
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if (m_answerer) {
        return m_answerer(buttons, question);
    }
    return m_defaultAnswer;
}

void ScriptedReporter::ClearRecord() {
    m_errors.clear();
    m_questions.clear();
    m_questionDetails.clear();
    m_recoveries.clear();
    m_warnings.clear();
    m_details.clear();
    m_text.clear();
}

std::vector<int> ScriptedReporter::QuestionCodes() const {
    std::vector<int> codes;
    codes.reserve(m_questions.size());
    for (const Question& question : m_questions) {
        codes.push_back(question.code);
    }
    return codes;
}

} // namespace Orvanta::TestSupport
