#pragma once

#include "model/CTernTextOut.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Orvanta::TestSupport {

// A message reporter for tests: records every error code and question, and answers questions from
// a script (queued answers first, then an answering function if set, then the default answer).
class ScriptedReporter : public CTernTextOut {
public:
    struct Question {
        int buttons = 0;
        int code = 0;
        bool operator==(const Question&) const = default;
    };
    using Answerer = std::function<int(int buttons, int code)>;

    // Creates a scripted reporter, installs it as the domain's message reporter (slot 0) and returns
    // it. Uninstall puts the silent default back.
    static std::shared_ptr<ScriptedReporter> Install();
    static void Uninstall();

    void Error(int code) override;
    void ErrorWithDetail(int code, const std::string& detail) override {
        Error(code);
        m_details.push_back(detail);
    }
    int Ask(int buttons, int question) override;
    void ReportRecovery(const std::string& text) override { m_recoveries.push_back(text); }
    void Warning(const std::string& text) override { m_warnings.push_back(text); }

    void QueueAnswer(int answer) { m_answers.push_back(answer); }
    void ClearAnswers() { m_answers.clear(); }
    void SetAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }
    void SetDefaultAnswer(int answer) { m_defaultAnswer = answer; }
    // Forgets the recorded codes, questions and text (the script stays).
    void ClearRecord();

    [[nodiscard]] const std::vector<int>& Errors() const { return m_errors; }
    [[nodiscard]] const std::vector<Question>& Questions() const { return m_questions; }
    // The detail shown below each question asked.
    [[nodiscard]] const std::vector<std::string>& QuestionDetails() const { return m_questionDetails; }
    // Question codes only, in the order asked.
    [[nodiscard]] std::vector<int> QuestionCodes() const;
    [[nodiscard]] const std::string& Text() const { return m_text; }
    [[nodiscard]] const std::vector<std::string>& Recoveries() const { return m_recoveries; }
    [[nodiscard]] const std::vector<std::string>& Warnings() const { return m_warnings; }
    [[nodiscard]] const std::vector<std::string>& Details() const { return m_details; }

protected:
    void Sink(const std::string& text) override { m_text += text; }

private:
    std::vector<int> m_errors;
    std::vector<Question> m_questions;
    std::vector<std::string> m_questionDetails;
    std::vector<std::string> m_warnings;
    std::vector<std::string> m_recoveries;
    std::vector<std::string> m_details;
    std::deque<int> m_answers;
    Answerer m_answerer;
    int m_defaultAnswer = kAnswerOk;
    std::string m_text;
};

} // namespace Orvanta::TestSupport
